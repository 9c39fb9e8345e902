#pragma once

#include <functional>
#include <vector>

// State of one command's user-interface items (menu item, toolbar button),
// filled by the update handler of whichever target routes the command.
class CCmdUI
{
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool enabled = true) { m_bEnabled = enabled; }
    // 0 = unchecked, 1 = checked.
    void SetCheck(int check = 1) { m_nCheck = check; m_bRadio = false; }
    // A dot rather than a check mark.
    void SetRadio(bool on = true) { m_nCheck = on ? 1 : 0; m_bRadio = true; }

    int m_nID;
    bool m_bEnabled = true;
    int m_nCheck = -1;          // -1: the handler did not set it
    bool m_bRadio = false;
};

// Something that handles command ids. Handlers are registered per id or id
// range; an id without a handler here is left to the next target.
class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    // With ui == nullptr runs the command; otherwise fills in its state.
    // Returns true when this target handles the id.
    virtual bool OnCmdMsg(int id, CCmdUI* ui);

protected:
    void OnCommand(int id, std::function<void()> handler);
    void OnCommandRange(int first, int last, std::function<void(int)> handler);
    void OnUpdateCommand(int id, std::function<void(CCmdUI&)> handler);
    void OnUpdateCommandRange(int first, int last, std::function<void(CCmdUI&)> handler);

private:
    struct Entry
    {
        int first;
        int last;
        std::function<void(int)> command;
        std::function<void(CCmdUI&)> update;
    };
    std::vector<Entry> m_commandMap;
};
