#include "transfer/Win32SerialLink.h"

#include <QDeadlineTimer>

#ifdef Q_OS_WIN
#include <windows.h>

namespace {

// The record the port is set up with must be the size the system expects.
static_assert(sizeof(DCB) == 28, "DCB must be 28 bytes");

QString SystemMessage(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed()
                          : QStringLiteral("system error %1").arg(error);
    LocalFree(buffer);
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

class CWin32SerialLink : public CSerialLink
{
public:
    ~CWin32SerialLink() override { Close(); }
    OpenResult Open(const QString& device) override;
    bool Write(const QByteArray& bytes) override;
    bool Read(int count, QByteArray& reply) override;
    QByteArray Peek(int atLeast, int waitMs) override;
    void Close() override;
    bool IsOpen() const override { return m_hComm != INVALID_HANDLE_VALUE; }
    QString ErrorString() const override { return m_strError; }

private:
    bool Fail(const QString& what);
    OpenResult SettingsFailure(const QString& what);
    // One synchronous read of up to count bytes, waiting at most waitMs.
    bool ReadWithin(int count, DWORD waitMs, QByteArray& into);
    bool SetReadWait(DWORD waitMs);

    HANDLE m_hComm = INVALID_HANDLE_VALUE;
    // Bytes a Peek took from the system ahead of the next Read.
    QByteArray m_pending;
    QString m_strError;
};

CSerialLink::OpenResult CWin32SerialLink::SettingsFailure(const QString& what)
{
    Fail(what);
    // As elsewhere, a port that cannot be set up is not left open.
    Close();
    return OpenResult::SettingsFailed;
}

bool CWin32SerialLink::Fail(const QString& what)
{
    const DWORD error = GetLastError();
    if (error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_GEN_FAILURE
        || error == ERROR_OPERATION_ABORTED)
        m_strError = what + QStringLiteral(": the port is no longer available (the device hung up or was removed)");
    else
        m_strError = what + QStringLiteral(": ") + SystemMessage(error);
    return false;
}

CSerialLink::OpenResult CWin32SerialLink::Open(const QString& device)
{
    Close();
    m_strError.clear();
    m_pending.clear();
    const QString path = Win32DevicePath(device);
    // Exclusive (no sharing), never created, synchronous.
    m_hComm = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (m_hComm == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_strError = device + QStringLiteral(": ") + SystemMessage(error);
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            m_strError += QStringLiteral("\nThe port is in use by another program.");
        return OpenResult::OpenFailed;
    }
    // Bytes already waiting go at once; otherwise a read waits at most
    // 1000 ms from the call. A write of n bytes has 100 * n + 1000 ms.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    if (!SetCommTimeouts(m_hComm, &timeouts))
        return SettingsFailure(device + QStringLiteral(": the time-outs could not be set"));
    // Only the line's speed and framing change; flow control, handshake
    // lines and special characters stay as the port has them.
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(m_hComm, &dcb))
        return SettingsFailure(device + QStringLiteral(": the line settings could not be read"));
    dcb.fBinary = 1;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(m_hComm, &dcb))
        return SettingsFailure(device + QStringLiteral(": the line settings could not be set"));
    return OpenResult::Opened;
}

bool CWin32SerialLink::Write(const QByteArray& bytes)
{
    if (!IsOpen()) {
        m_strError = QStringLiteral("write: the port is not open");
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(m_hComm, bytes.constData(), DWORD(bytes.size()), &written, nullptr))
        return Fail(QStringLiteral("write"));
    // The write time-out ends the call with fewer bytes, not with a failure.
    if (written != DWORD(bytes.size())) {
        m_strError = QStringLiteral("write: time-out");
        return false;
    }
    return true;
}

bool CWin32SerialLink::SetReadWait(DWORD waitMs)
{
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_hComm, &timeouts))
        return false;
    timeouts.ReadTotalTimeoutConstant = waitMs;
    return SetCommTimeouts(m_hComm, &timeouts) != 0;
}

bool CWin32SerialLink::ReadWithin(int count, DWORD waitMs, QByteArray& into)
{
    if (count <= 0)
        return true;
    if (waitMs != DWORD(kReadTimeoutMs) && !SetReadWait(qMax<DWORD>(1, waitMs)))
        return Fail(QStringLiteral("read"));
    QByteArray chunk(count, Qt::Uninitialized);
    DWORD got = 0;
    const BOOL ok = ReadFile(m_hComm, chunk.data(), DWORD(count), &got, nullptr);
    if (waitMs != DWORD(kReadTimeoutMs))
        SetReadWait(kReadTimeoutMs);
    if (!ok)
        return Fail(QStringLiteral("read"));
    into += chunk.left(int(got));
    return true;
}

bool CWin32SerialLink::Read(int count, QByteArray& reply)
{
    reply.clear();
    if (!IsOpen()) {
        m_strError = QStringLiteral("read: the port is not open");
        return false;
    }
    reply = m_pending.left(count);
    m_pending.remove(0, reply.size());
    return ReadWithin(count - reply.size(), kReadTimeoutMs, reply);
}

QByteArray CWin32SerialLink::Peek(int atLeast, int waitMs)
{
    if (!IsOpen() || atLeast <= 0)
        return m_pending;
    // What the system holds moves into our own buffer, where the next Read
    // finds it first.
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        COMSTAT status{};
        DWORD errors = 0;
        if (!ClearCommError(m_hComm, &errors, &status))
            break;
        const int room = kMaxBufferedBytes - int(m_pending.size());
        const int waiting = qMin(int(status.cbInQue), room);
        if (waiting > 0 && !ReadWithin(waiting, kReadTimeoutMs, m_pending))
            break;
        if (m_pending.size() >= atLeast || m_pending.size() >= kMaxBufferedBytes)
            break;
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        // Waits for the next byte within what is left of the time.
        if (!ReadWithin(1, DWORD(remaining), m_pending))
            break;
    }
    return m_pending;
}

void CWin32SerialLink::Close()
{
    if (m_hComm != INVALID_HANDLE_VALUE)
        CloseHandle(m_hComm);
    m_hComm = INVALID_HANDLE_VALUE;
}

} // namespace

std::unique_ptr<CSerialLink> CreateWin32SerialLink()
{
    return std::make_unique<CWin32SerialLink>();
}

void ListWin32SerialPorts(QList<SerialPortEntry>& ports)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t value[256];
        DWORD nameLength = 256;
        DWORD valueBytes = sizeof(value) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(value), &valueBytes)
            != ERROR_SUCCESS)
            break;
        if (type != REG_SZ)
            continue;
        value[valueBytes / sizeof(wchar_t)] = 0;
        SerialPortEntry entry;
        entry.device = QString::fromWCharArray(value);
        // The driver's own name (\Device\Serial0, \Device\VCP0) says what it is.
        entry.description = QString::fromWCharArray(name, int(nameLength));
        ports << entry;
    }
    RegCloseKey(key);
}
#endif

QString Win32DevicePath(const QString& device)
{
    if (device.startsWith(QLatin1String("\\\\.\\")) || device.startsWith(QLatin1String("//./")))
        return device;
    return QStringLiteral("\\\\.\\") + device;
}
