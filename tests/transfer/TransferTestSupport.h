#pragma once

#include "document/QZMDoc.h"
#include "framework/Archive.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPorts.h"
#include "transfer/TransferProgress.h"

#include <QBuffer>
#include <QList>
#include <QSettings>
#include <QStringList>

#include <functional>
#include <memory>

// What a scripted device answers and what it was sent. The link is handed
// to the transfer; the script stays with the test.
struct LinkScript
{
    CSerialLink::OpenResult openResult = CSerialLink::OpenResult::Opened;
    QString openError;
    // Bytes put on the line after each telegram, by telegram index; none
    // beyond the list (silence).
    QList<QByteArray> replies;
    int failWriteAt = -1;   // telegram index whose write fails
    int failReadAt = -1;    // telegram index whose read fails

    QStringList devicesOpened;
    QList<QByteArray> written;
    int closes = 0;
    bool open = false;
    std::function<void(const QByteArray&)> onWrite;
};

class ScriptedLink : public CSerialLink
{
public:
    explicit ScriptedLink(LinkScript& script) : m_script(script) {}

    OpenResult Open(const QString& device) override
    {
        m_script.devicesOpened << device;
        // A port whose settings fail stays open until the transfer ends.
        m_script.open = m_script.openResult != OpenResult::OpenFailed;
        return m_script.openResult;
    }
    bool Write(const QByteArray& bytes) override
    {
        const int index = int(m_script.written.size());
        m_script.written << bytes;
        if (m_script.onWrite)
            m_script.onWrite(bytes);
        if (index == m_script.failWriteAt)
            return false;
        m_lastIndex = index;
        m_input += m_script.replies.value(index);
        return true;
    }
    bool Read(int count, QByteArray& reply) override
    {
        if (m_lastIndex == m_script.failReadAt)
            return false;
        reply = m_input.left(count);
        m_input.remove(0, reply.size());
        return true;
    }
    QByteArray Peek(int, int) override { return m_input; }
    void Close() override
    {
        ++m_script.closes;
        m_script.open = false;
    }
    bool IsOpen() const override { return m_script.open; }
    QString ErrorString() const override { return m_script.openError; }

private:
    LinkScript& m_script;
    QByteArray m_input;
    int m_lastIndex = -1;
};

// Records what the transfer shows.
class RecordingProgress : public CTransferProgress
{
public:
    bool Create(CView* v) override
    {
        created = true;
        view = v;
        return canCreate;
    }
    void Destroy() override { destroyed = true; }
    void SetStatusText(const QString& text) override { texts << text; }
    void SetRange(int u) override
    {
        upper = u;
        position = 0;
    }
    void StepIt() override { ++position; }
    void ReportFailure(const QString& text, const QString& detail) override
    {
        failures << text;
        details << detail;
        positionsAtFailure << position;
    }

    bool canCreate = true;
    bool created = false;
    bool destroyed = false;
    CView* view = nullptr;
    QStringList texts;
    int upper = -1;
    int position = 0;
    QStringList failures;
    QStringList details;
    QList<int> positionsAtFailure;
};

// A document with nRead + nWrite Block Memories told apart by their
// addresses (Read i: 10 + i, Write i: 100 + i).
inline void FillDocument(CQZMDoc& doc, int nRead, int nWrite)
{
    doc.DeleteAllBlocks();
    doc.AddDefaultBlocks(nRead, nWrite);
    for (int i = 0; i < nRead; ++i) {
        doc.ReadBlocks()[i]->m_nAddress = 10 + i;
        doc.ReadBlocks()[i]->m_nNumber = 1000 + i;
    }
    for (int i = 0; i < nWrite; ++i) {
        doc.WriteBlocks()[i]->m_nAddress = 100 + i;
        doc.WriteBlocks()[i]->m_nNumber = 2000 + i;
        doc.WriteBlocks()[i]->m_bParameter = 0;
    }
}

// Every byte the document would save, to show a transfer changed nothing.
inline QByteArray DocumentBytes(CQZMDoc& doc)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    doc.Serialize(ar);
    return buffer.data() + QByteArray::number(doc.CurrentIndex(CQZMDoc::List::Read)) + ',' + QByteArray::number(doc.CurrentIndex(CQZMDoc::List::Write)) + ','
        + QByteArray::number(doc.IsModified());
}

// Drops every choice of COM1..COM4, in the settings and the environment.
inline void ForgetPortMappings()
{
    QSettings().remove(QStringLiteral("Serial Ports"));
    for (int n = 1; n <= 4; ++n)
        qunsetenv(qPrintable(PortEnvironmentVariable(n)));
}
