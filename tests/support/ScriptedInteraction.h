#pragma once

#include "framework/Interaction.h"

#include <QList>
#include <QQueue>

#include <functional>

// Answers modal interactions from a script and records what was asked.
// Installs itself for its lifetime. An unscripted question fails the test.
class ScriptedInteraction : public CInteraction
{
public:
    ScriptedInteraction();
    ~ScriptedInteraction() override;

    void QueueAnswer(MsgAnswer answer) { m_answers.enqueue(answer); }
    // An empty optional cancels the dialog.
    void QueueFile(std::optional<QString> path) { m_files.enqueue(std::move(path)); }
    void QueuePrint(bool accept) { m_prints.enqueue(accept); }
    // Called for RunModal instead of running the dialog; returns its result.
    void SetModalHandler(std::function<int(QWidget*)> handler) { m_modal = std::move(handler); }
    // Called when a message box appears, before it is answered.
    void SetMessageObserver(std::function<void(const MessageRequest&)> observer) { m_observer = std::move(observer); }

    MsgAnswer MessageBox(const MessageRequest& request) override;
    std::optional<QString> FileDialog(const FileDialogRequest& request) override;
    bool PrintDialog(const PrintRequest& request) override;
    int RunModal(QWidget* dialog) override;

    QList<MessageRequest> messages;
    QList<FileDialogRequest> fileDialogs;
    QList<PrintRequest> printDialogs;
    QList<QWidget*> modals;

    QStringList MessageTexts() const;
    bool AllAnswersUsed() const { return m_answers.isEmpty() && m_files.isEmpty() && m_prints.isEmpty(); }

private:
    QQueue<MsgAnswer> m_answers;
    QQueue<std::optional<QString>> m_files;
    QQueue<bool> m_prints;
    std::function<int(QWidget*)> m_modal;
    std::function<void(const MessageRequest&)> m_observer;
};
