#include "transfer/ConfigTransfer.h"

#include "document/QZMDoc.h"
#include "document/QZMFormAccess.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/Resource.h"
#include "transfer/SerialPorts.h"
#include "transfer/TransferLog.h"
#include "transfer/TransferProgress.h"

CConfigTransfer::CConfigTransfer(CQZMDoc* pDoc, CTransferProgress& progress, std::unique_ptr<CSerialLink> link)
    : m_hComm(link ? std::move(link) : CreateSerialPortLink()), m_dlgSend(progress), m_pDoc(pDoc)
{
}

CConfigTransfer::~CConfigTransfer()
{
    // End() is always called; this only guards against an early exit.
    if (m_hComm->IsOpen())
        m_hComm->Close();
}

bool CConfigTransfer::Begin()
{
    CView* view = m_pDoc->GetFirstView();
    if (!m_dlgSend.AskToSave(*m_pDoc))
        return false;
    if (!m_dlgSend.Create(view))
        return false;
    m_bDisplayCreated = true;
    if (!OpenPort())
        return false;
    m_dlgSend.SetRange(int(m_pDoc->ReadBlocks().size() + m_pDoc->WriteBlocks().size()) + 3);
    return true;
}

void CConfigTransfer::Run()
{
    if (!SendRequest() || !SendSizes() || !SendSettings())
        return;
    if (!m_pDoc->HasBlocks())
        m_bSucceeded = true; // nothing more to send
    else
        SendBlocks();
}

void CConfigTransfer::SendBlocks()
{
    const QList<CBlockMemory*>& read = m_pDoc->ReadBlocks();
    const QList<CBlockMemory*>& write = m_pDoc->WriteBlocks();
    for (qsizetype i = 0; i < read.size(); ++i) {
        if (!SendBlock(read.at(i), i == read.size() - 1 && write.isEmpty()))
            return;
    }
    for (qsizetype i = 0; i < write.size(); ++i) {
        if (!SendBlock(write.at(i), i == write.size() - 1))
            return;
    }
}

void CConfigTransfer::End()
{
    Conclude();
    if (m_hComm->IsOpen()) {
        m_hComm->Close();
        qCDebug(lcTransfer) << "closed" << m_strDevice;
    }
    if (m_bDisplayCreated) {
        m_dlgSend.Destroy();
        m_bDisplayCreated = false;
    }
}

// The transfer's time ends with its last exchange, and its outcome is
// known from then on: a failure message that stays up changes neither.
void CConfigTransfer::Conclude()
{
    if (!m_bRecording)
        return;
    m_bRecording = false;
    m_record.totalUs = SinceStartUs();
    TransferExchange* last = m_record.exchanges.isEmpty() ? nullptr : &m_record.exchanges.last();
    if (last && m_hComm->IsOpen()) {
        using J = TransferExchange::Judgement;
        const bool replyMissing = last->judgement == J::NoReply || last->judgement == J::WrongLength;
        // Whatever has arrived since the last read, after a missing
        // reply what arrives within the wait.
        const QByteArray late = m_hComm->Peek(replyMissing ? 2 : 1, replyMissing ? m_nLateReplyWaitMs : 0);
        if (late.size() > last->AfterSize()) {
            last->KeepAfter(late);
            NoteExchange(int(m_record.exchanges.size()) - 1);
        }
    }
    if (m_bSucceeded) {
        m_record.outcome = TransferRecord::Outcome::Succeeded;
    } else if (m_nFailureMessage) {
        m_record.outcome = TransferRecord::Outcome::Failed;
    } else {
        m_record.outcome = TransferRecord::Outcome::SettingsFailed;
        m_record.message = QStringLiteral("The line settings of the port could not be set.");
        m_record.reason = m_strFailureReason;
    }
    if (m_pObserver)
        m_pObserver->TransferFinished(m_record);
}

bool CConfigTransfer::OpenPort()
{
    m_dlgSend.SetStatusText(CStringTable::Load(IDS_PREPARING_PORT));
    m_dlgSend.ShowChanges();
    m_bDeviceGiven = !m_strDevice.isEmpty();
    const bool deviceGiven = m_bDeviceGiven;
    if (!deviceGiven)
        m_strDevice = SerialPortDevice(m_pDoc->SerialPort());

    m_clock.start();
    m_record = TransferRecord();
    m_record.started = QDateTime::currentDateTime();
    m_record.port = deviceGiven ? m_strDevice : SerialPortName(m_pDoc->SerialPort());
    if (m_record.port.isEmpty())
        m_record.port = QStringLiteral("port %1").arg(m_pDoc->SerialPort());
    m_record.device = m_strDevice;
    m_record.readCount = int(m_pDoc->ReadBlocks().size());
    m_record.writeCount = int(m_pDoc->WriteBlocks().size());
    m_record.exchanges.reserve(m_record.readCount + m_record.writeCount + 3);
    m_bRecording = true;
    if (m_pObserver)
        m_pObserver->TransferStarted(m_record);

    if (m_strDevice.isEmpty()) {
        Fail(IDS_COMM_PORT_FAIL,
             QStringLiteral("Serial port number %1 names no port; choose COM1 to COM4.").arg(m_pDoc->SerialPort()));
        return false;
    }
    switch (m_hComm->Open(m_strDevice)) {
    case CSerialLink::OpenResult::Opened:
        qCDebug(lcTransfer) << "opened" << m_strDevice << "at 9600 8N1";
        return true;
    case CSerialLink::OpenResult::OpenFailed: {
        Fail(IDS_COMM_PORT_FAIL, m_hComm->ErrorString(), PortChoiceHelp());
        return false;
    }
    case CSerialLink::OpenResult::SettingsFailed:
        // Reported by no message box: the display just closes.
        m_strFailureReason = m_hComm->ErrorString();
        qCInfo(lcTransfer) << "cannot set the line settings:" << m_strFailureReason;
        return false;
    }
    return false;
}

// Which device the port number led to and how to pick another one.
QString CConfigTransfer::PortChoiceHelp() const
{
    if (m_bDeviceGiven && m_nMappedPort)
        return PortChoiceHint(ResolvePortAssignment(m_nMappedPort), m_bCommandLineHints);
    if (m_bDeviceGiven)
        return m_bCommandLineHints ? QStringLiteral("The port was given with --port; qzm-cli ports lists the ports found.")
                                   : QString();
    return PortChoiceHint(ResolvePortAssignment(m_pDoc->SerialPort()), m_bCommandLineHints);
}

int CConfigTransfer::BaudRateSelection() const
{
    CView* view = m_pDoc->GetFirstView();
    if (!view)
        return m_pDoc->BaudRate();
    if (auto* form = dynamic_cast<CQZMFormAccess*>(view))
        return form->GetBaudRateSelection();
    return -1;
}

bool CConfigTransfer::SendRequest()
{
    return Exchange(Telegram::Kind::Request, Telegram::BuildRequest());
}

bool CConfigTransfer::SendSizes()
{
    return Exchange(Telegram::Kind::Sizes,
                    Telegram::BuildSizes(m_pDoc->ReadBlocks().size(), m_pDoc->WriteBlocks().size(), BaudRateSelection()));
}

bool CConfigTransfer::SendSettings()
{
    return Exchange(Telegram::Kind::Settings,
                    Telegram::BuildSettings(m_pDoc->Parity(), m_pDoc->Timeout(), m_pDoc->Protocol()));
}

bool CConfigTransfer::SendBlock(CBlockMemory* pBlock, bool bLast)
{
    const bool accepted = Exchange(bLast ? Telegram::Kind::LastBlock : Telegram::Kind::Block,
                                   Telegram::BuildBlock(*pBlock));
    if (accepted && bLast)
        m_bSucceeded = true;
    return accepted;
}

void CConfigTransfer::NoteExchange(int index)
{
    if (m_pObserver)
        m_pObserver->ExchangeChanged(m_record, index);
}

bool CConfigTransfer::Exchange(Telegram::Kind kind, const QByteArray& telegram)
{
    using J = TransferExchange::Judgement;
    // The record is bounded by the longest transfer there is.
    const bool recorded = m_bRecording && m_record.exchanges.size() < TransferRecord::kMaxExchanges;
    const int index = int(m_record.exchanges.size());
    if (recorded) {
        TransferExchange exchange;
        exchange.number = index + 1;
        exchange.kind = kind;
        exchange.sent = telegram;
        exchange.sentUs = SinceStartUs();
        m_record.exchanges.append(exchange);
        NoteExchange(index);
    }
    auto judged = [&](J judgement, const QByteArray& reply, qint64 writtenUs) {
        if (!recorded)
            return;
        TransferExchange& exchange = m_record.exchanges[index];
        exchange.sentUs = writtenUs;
        exchange.replyUs = judgement == J::WriteFailed ? -1 : SinceStartUs() - writtenUs;
        exchange.received = reply;
        exchange.judgement = judgement;
        if (judgement != J::WriteFailed && judgement != J::ReadFailed)
            exchange.KeepAfter(m_hComm->Peek(0)); // came with the reply
        NoteExchange(index);
    };

    m_dlgSend.SetStatusText(CStringTable::Load(Telegram::StatusTextId(kind)));
    qCDebug(lcTransfer).noquote() << "send " << Telegram::HexDump(telegram);
    const qint64 writtenUs = SinceStartUs();
    const bool written = m_hComm->Write(telegram);
    // Painted while the telegram's bytes are on the line, not before.
    m_dlgSend.ShowChanges();
    if (!written) {
        judged(J::WriteFailed, {}, writtenUs);
        Fail(IDS_FAIL_TRANSMIT, m_hComm->ErrorString());
        return false;
    }
    QByteArray reply;
    if (!m_hComm->Read(2, reply)) {
        judged(J::ReadFailed, reply, writtenUs);
        Fail(IDS_FAIL_READ_DATA, m_hComm->ErrorString());
        return false;
    }
    qCDebug(lcTransfer).noquote() << "reply" << Telegram::HexDump(reply);
    judged(ClassifyReply(kind, reply), reply, writtenUs);
    m_dlgSend.StepIt();
    if (const int message = Telegram::JudgeReply(kind, reply)) {
        Fail(message);
        return false;
    }
    return true;
}

void CConfigTransfer::Fail(int messageId, const QString& reason, const QString& help)
{
    m_nFailureMessage = messageId;
    m_strFailureReason = reason;
    const QString text = CStringTable::Load(messageId);
    if (!reason.isEmpty())
        qCInfo(lcTransfer).noquote() << text << "-" << reason;
    // The way out goes to the message only; the record keeps the reason.
    QString detail = reason;
    if (!help.isEmpty())
        detail += (detail.isEmpty() ? QString() : QStringLiteral("\n")) + help;
    if (m_bRecording) {
        m_record.messageId = messageId;
        m_record.message = text;
        m_record.reason = reason;
        // The last exchanges in short, after the system's reason.
        const QString recent = TransferRecordFormat::RecentExchanges(m_record);
        if (!recent.isEmpty())
            detail += (detail.isEmpty() ? QString() : QStringLiteral("\n\n")) + recent;
        Conclude();
    }
    m_dlgSend.ReportFailure(text, detail);
}

bool RunConfigTransfer(CConfigTransfer& transfer)
{
    if (transfer.Begin())
        transfer.Run();
    transfer.End();
    return transfer.Succeeded();
}
