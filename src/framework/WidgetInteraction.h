#pragma once

#include "framework/Interaction.h"

// The real dialogs: message boxes, file dialogs, print dialog.
class CWidgetInteraction : public CInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest& request) override;
    std::optional<QString> FileDialog(const FileDialogRequest& request) override;
    bool PrintDialog(const PrintRequest& request) override;
    int RunModal(QWidget* dialog) override;
};
