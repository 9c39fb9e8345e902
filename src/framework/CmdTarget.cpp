#include "framework/CmdTarget.h"

bool CCmdTarget::OnCmdMsg(int id, CCmdUI* ui)
{
    if (ui) {
        for (const Entry& e : m_commandMap)
            if (e.update && id >= e.first && id <= e.last) {
                e.update(*ui);
                return true;
            }
        // A command that has a handler but no state handler is enabled.
        for (const Entry& e : m_commandMap)
            if (e.command && id >= e.first && id <= e.last) {
                ui->Enable(true);
                return true;
            }
        return false;
    }
    for (const Entry& e : m_commandMap)
        if (e.command && id >= e.first && id <= e.last) {
            e.command(id);
            return true;
        }
    return false;
}

void CCmdTarget::OnCommand(int id, std::function<void()> handler)
{
    m_commandMap.push_back({id, id, [h = std::move(handler)](int) { h(); }, {}});
}

void CCmdTarget::OnCommandRange(int first, int last, std::function<void(int)> handler)
{
    m_commandMap.push_back({first, last, std::move(handler), {}});
}

void CCmdTarget::OnUpdateCommand(int id, std::function<void(CCmdUI&)> handler)
{
    m_commandMap.push_back({id, id, {}, std::move(handler)});
}

void CCmdTarget::OnUpdateCommandRange(int first, int last, std::function<void(CCmdUI&)> handler)
{
    m_commandMap.push_back({first, last, {}, std::move(handler)});
}
