#pragma once

#include "framework/Object.h"
#include "transfer/SerialLink.h"
#include "transfer/Telegram.h"
#include "transfer/TransferRecord.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class CBlockMemory;
class CQZMDoc;
class CTransferProgress;

// One Send All: asks to save, opens the port, sends request, sizes,
// settings and every Block Memory, and closes again. Reads the document,
// never changes it.
class CConfigTransfer : public CObject
{
public:
    // link: nullptr means the real serial port.
    CConfigTransfer(CQZMDoc* pDoc, CTransferProgress& progress, std::unique_ptr<CSerialLink> link = nullptr);
    ~CConfigTransfer() override;

    // Use this device instead of the one the document's port number names.
    // nSerialPort: the COM number that device was mapped from, if any.
    void SetPortDevice(const QString& device, int nSerialPort = 0)
    {
        m_strDevice = device;
        m_nMappedPort = nSerialPort;
    }
    // Failures to open say how to choose another port on the command line
    // instead of in the window.
    void SetCommandLineHints(bool commandLine) { m_bCommandLineHints = commandLine; }
    // Told of every change of the record while the transfer runs.
    void SetObserver(CTransferObserver* observer) { m_pObserver = observer; }
    // After a missing or short last reply, listen this long for the rest
    // before closing the port, so the record shows a late reply. 0 (the
    // window's way): only what has arrived by then.
    void SetLateReplyWait(int ms) { m_nLateReplyWaitMs = ms; }

    bool Begin();
    void Run();
    void SendBlocks();
    void End();

    bool OpenPort();
    bool SendRequest();
    bool SendSizes();
    bool SendSettings();
    bool SendBlock(CBlockMemory* pBlock, bool bLast);

    // True once the device has accepted the last telegram of the transfer.
    bool Succeeded() const { return m_bSucceeded; }
    // The operating system's reason for a failure of the port, if any.
    const QString& FailureReason() const { return m_strFailureReason; }
    // The device that was (or was to be) opened.
    const QString& PortDevice() const { return m_strDevice; }
    // What happened on the line; empty until the port is opened.
    const TransferRecord& Record() const { return m_record; }

    // Byte 4 source: the form's Baudrate selection, or the document's value
    // when no form is there.
    int BaudRateSelection() const;

private:
    bool Exchange(Telegram::Kind kind, const QByteArray& telegram);
    void Fail(int messageId, const QString& reason = {}, const QString& help = {});
    QString PortChoiceHelp() const;
    qint64 SinceStartUs() const { return m_clock.nsecsElapsed() / 1000; }
    void NoteExchange(int index);
    void Conclude();

    std::unique_ptr<CSerialLink> m_hComm;
    CTransferProgress& m_dlgSend;
    CQZMDoc* m_pDoc;
    QString m_strDevice;
    bool m_bDeviceGiven = false;
    int m_nMappedPort = 0;
    bool m_bCommandLineHints = false;
    bool m_bDisplayCreated = false;
    bool m_bSucceeded = false;
    int m_nFailureMessage = 0;
    QString m_strFailureReason;
    TransferRecord m_record;
    bool m_bRecording = false;
    QElapsedTimer m_clock;
    CTransferObserver* m_pObserver = nullptr;
    int m_nLateReplyWaitMs = 0;
};

// Begin, Run when Begin allows it, End. True when everything was accepted.
bool RunConfigTransfer(CConfigTransfer& transfer);
