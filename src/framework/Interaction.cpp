#include "framework/Interaction.h"

#include "framework/StringTable.h"

#include <QtGlobal>

namespace {
CInteraction* g_override = nullptr;
CInteraction* g_default = nullptr;

// Used where no window system is around (command-line tools): every
// question is answered as if the user cancelled it.
class CHeadlessInteraction : public CInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest& request) override
    {
        qWarning("%s", qPrintable(request.text));
        return request.buttons == MessageRequest::Buttons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }
};
} // namespace

CInteraction& CInteraction::Instance()
{
    if (g_override)
        return *g_override;
    if (g_default)
        return *g_default;
    static CHeadlessInteraction headless;
    return headless;
}

void CInteraction::SetInstance(CInteraction* interaction)
{
    g_override = interaction;
}

void CInteraction::SetDefault(CInteraction* interaction)
{
    g_default = interaction;
}

MsgAnswer AfxMessageBox(const QString& text, MessageRequest::Icon icon, const QString& detailedText)
{
    MessageRequest request;
    request.text = text;
    request.icon = icon;
    request.detailedText = detailedText;
    return CInteraction::Instance().MessageBox(request);
}

MsgAnswer AfxMessageBox(int stringId, MessageRequest::Icon icon)
{
    return AfxMessageBox(CStringTable::Load(stringId), icon);
}
