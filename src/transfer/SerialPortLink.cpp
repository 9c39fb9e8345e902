// The serial link on Qt's serial port: the qzm-serialport module.
#include "framework/LazyModule.h"
#include "transfer/SerialPortModule.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

// Errors that only say a feature is missing (modem lines on a
// pseudo-terminal, for one) are no failure of the link.
bool isRealError(QSerialPort::SerialPortError error)
{
    return error != QSerialPort::NoError && error != QSerialPort::UnsupportedOperationError
        && error != QSerialPort::TimeoutError;
}

class CQSerialPortLink : public CSerialLink
{
public:
    OpenResult Open(const QString& device) override;
    bool Write(const QByteArray& bytes) override;
    bool Read(int count, QByteArray& reply) override;
    QByteArray Peek(int atLeast, int waitMs) override;
    void Close() override;
    bool IsOpen() const override { return m_port.isOpen(); }
    QString ErrorString() const override { return m_strError; }

private:
    void NoteError(const QString& what);

    QSerialPort m_port;
    QString m_strError;
};

void CQSerialPortLink::NoteError(const QString& what)
{
    // After a hang-up the system's own text names a stale errno.
    if (m_port.error() == QSerialPort::ResourceError || !m_port.isOpen())
        m_strError = what + QStringLiteral(": the port is no longer available (the device hung up or was removed)");
    else
        m_strError = what + QStringLiteral(": ") + m_port.errorString();
}

CSerialLink::OpenResult CQSerialPortLink::Open(const QString& device)
{
    m_strError.clear();
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_port.clearError();
        return OpenResult::Opened;
    }
    const QSerialPort::SerialPortError error = m_port.error();
    m_strError = device + QStringLiteral(": ") + m_port.errorString();
    switch (error) {
    case QSerialPort::UnsupportedOperationError:
        // Qt's name for a refused terminal call: the device opened but is
        // no serial port we can set up (line settings).
        return OpenResult::SettingsFailed;
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        // The same error covers a port that another program holds and one
        // that we may not use at all; tell the user which.
        const QByteArray path = device.startsWith(QLatin1Char('/')) ? device.toLocal8Bit()
                                                                     : "/dev/" + device.toLocal8Bit();
        if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
            m_strError += QStringLiteral("\nYou may not use this port. On most systems serial ports "
                                         "belong to the group \"dialout\": add your user to it "
                                         "(sudo usermod -aG dialout $USER) and log in again.");
        else
            m_strError += QStringLiteral("\nThe port is in use by another program.");
#endif
        return OpenResult::OpenFailed;
    }
    default:
        // Missing, busy, or no device at all (a folder, a path through a
        // file): the open itself failed.
        return OpenResult::OpenFailed;
    }
}

bool CQSerialPortLink::Write(const QByteArray& bytes)
{
    if (!m_port.isOpen()) {
        m_strError = QStringLiteral("write: the port is not open");
        return false;
    }
    m_port.clearError();
    const QDeadlineTimer deadline(qint64(kWriteTimeoutPerByteMs) * bytes.size() + kWriteTimeoutConstantMs);
    if (m_port.write(bytes) != bytes.size()) {
        NoteError(QStringLiteral("write"));
        return false;
    }
    while (m_port.bytesToWrite() > 0) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0) {
            m_strError = QStringLiteral("write: time-out");
            return false;
        }
        if (!m_port.waitForBytesWritten(int(remaining)) && isRealError(m_port.error())) {
            NoteError(QStringLiteral("write"));
            return false;
        }
    }
    return true;
}

bool CQSerialPortLink::Read(int count, QByteArray& reply)
{
    reply.clear();
    if (!m_port.isOpen()) {
        m_strError = QStringLiteral("read: the port is not open");
        return false;
    }
    m_port.clearError();
    const QDeadlineTimer deadline(kReadTimeoutMs);
    for (;;) {
        if (m_port.bytesAvailable() > 0)
            reply += m_port.read(count - reply.size());
        if (reply.size() >= count)
            return true;
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return true;
        if (!m_port.waitForReadyRead(int(remaining))) {
            if (isRealError(m_port.error()) || !m_port.isOpen()) {
                NoteError(QStringLiteral("read"));
                return false;
            }
            m_port.clearError();
        }
    }
}

QByteArray CQSerialPortLink::Peek(int atLeast, int waitMs)
{
    if (!m_port.isOpen())
        return {};
    if (atLeast <= 0)
        return m_port.peek(m_port.bytesAvailable());
    // Moves what the system holds into the port's own buffer, where the
    // next Read finds it just the same.
    const QDeadlineTimer deadline(waitMs);
    int wait = 0;
    for (;;) {
        const bool arrived = m_port.waitForReadyRead(wait);
        const bool failed = !arrived && (isRealError(m_port.error()) || !m_port.isOpen());
        m_port.clearError();
        if (failed || !m_port.isOpen() || m_port.bytesAvailable() >= atLeast)
            break;
        wait = int(deadline.remainingTime());
        if (wait <= 0)
            break;
    }
    return m_port.isOpen() ? m_port.peek(m_port.bytesAvailable()) : QByteArray();
}

void CQSerialPortLink::Close()
{
    if (m_port.isOpen())
        m_port.close();
}


CSerialLink* CreateQSerialPortLink()
{
    return new CQSerialPortLink;
}
} // namespace

extern const CSerialPortModuleApi kSerialPortModuleApi = {kModuleVersion, CreateQSerialPortLink};
