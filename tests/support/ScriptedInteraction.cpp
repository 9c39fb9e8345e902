#include "support/ScriptedInteraction.h"

#include <QTest>

ScriptedInteraction::ScriptedInteraction()
{
    CInteraction::SetInstance(this);
}

ScriptedInteraction::~ScriptedInteraction()
{
    CInteraction::SetInstance(nullptr);
}

MsgAnswer ScriptedInteraction::MessageBox(const MessageRequest& request)
{
    messages.append(request);
    if (m_observer)
        m_observer(request);
    if (request.buttons == MessageRequest::Buttons::Ok)
        return MsgAnswer::Ok;
    if (m_answers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unscripted question: ") + request.text), __FILE__, __LINE__);
        return MsgAnswer::Cancel;
    }
    return m_answers.dequeue();
}

std::optional<QString> ScriptedInteraction::FileDialog(const FileDialogRequest& request)
{
    fileDialogs.append(request);
    if (m_files.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unscripted file dialog: ") + request.title), __FILE__, __LINE__);
        return std::nullopt;
    }
    return m_files.dequeue();
}

bool ScriptedInteraction::PrintDialog(const PrintRequest& request)
{
    printDialogs.append(request);
    if (!request.showDialog)
        return true;
    return m_prints.isEmpty() ? false : m_prints.dequeue();
}

int ScriptedInteraction::RunModal(QWidget* dialog)
{
    modals.append(dialog);
    return m_modal ? m_modal(dialog) : 0;
}

QStringList ScriptedInteraction::MessageTexts() const
{
    QStringList texts;
    for (const MessageRequest& m : messages)
        texts << m.text;
    return texts;
}
