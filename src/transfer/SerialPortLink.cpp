#include "transfer/SerialPortLink.h"

#include "transfer/HostLookup.h"
#include "transfer/NetworkPort.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "transfer/Win32SerialLink.h"
#else
#include <QSerialPort>
#endif

#include <cerrno>
#ifdef Q_OS_UNIX
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// A process that has used up its descriptors fails an open with whatever
// the step that needed one makes of it (Qt takes a lock file it cannot
// create for a port held by someone else): the system's error right after
// the failure tells, or else asking the system once more.
bool OutOfDescriptors(int error)
{
#ifdef Q_OS_UNIX
    if (error == EMFILE || error == ENFILE)
        return true;
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EMFILE || errno == ENFILE;
#else
    return false;
#endif
}

QString TooManyOpenFiles(const QString& named)
{
    return named + QStringLiteral(": Too many open files: the program holds as many ports and files as the "
                                  "system allows it (ulimit -n); use fewer ports at once.");
}

#ifndef Q_OS_WIN
// Errors that only say a feature is missing (modem lines on a
// pseudo-terminal, for one) are no failure of the link.
bool IsRealError(QSerialPort::SerialPortError error)
{
    return error != QSerialPort::NoError && error != QSerialPort::UnsupportedOperationError
        && error != QSerialPort::TimeoutError;
}

// The device a name leads to, so that every name of one device (a link in
// /dev/serial/by-id, a link of the user's own) shares one lock.
QString ResolveDevice(const QString& device)
{
    QString path = device;
#ifdef Q_OS_UNIX
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QStringLiteral("/dev/"));
#endif
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? device : target;
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
    // The device hung up or went away (the last failure says so).
    bool HungUp();
    QString OpenFailure(const QString& device, const QString& target);
    bool LockExclusively();

    QSerialPort m_port;
    QString m_strError;
};

bool CQSerialPortLink::HungUp()
{
    if (m_port.error() == QSerialPort::ResourceError || !m_port.isOpen())
        return true;
#ifdef Q_OS_UNIX
    // A read that met the end of the line (a pseudo-terminal whose other
    // side closed) is reported as a plain read error.
    pollfd line{int(m_port.handle()), POLLIN, 0};
    if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return true;
#endif
    return false;
}

void CQSerialPortLink::NoteError(const QString& what)
{
    // After a hang-up the system's own text names a stale errno.
    if (HungUp())
        m_strError = what + QStringLiteral(": the port is no longer available (the device hung up or was removed)");
    else
        m_strError = what + QStringLiteral(": ") + m_port.errorString();
}

bool CQSerialPortLink::LockExclusively()
{
#ifdef Q_OS_UNIX
    // The exclusive open does not bind root, and a program that keeps no
    // lock file is not stopped by ours: an advisory lock on the device
    // itself covers both.
    if (::flock(int(m_port.handle()), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return false;
#endif
    return true;
}

CSerialLink::OpenResult CQSerialPortLink::Open(const QString& device)
{
    m_strError.clear();
    const QString target = ResolveDevice(device);
    const QString named = target == device ? device : device + QStringLiteral(" (") + target + QLatin1Char(')');

    // A lock file of a program that does not use Qt's format is taken for
    // stale by Qt; a living holder still owns the port.
    const std::optional<PortLock> before = FindPortLock(target);
    if (before && before->alive && before->pid != QCoreApplication::applicationPid() && !before->qtFormat) {
        m_strError = named + QStringLiteral(": ") + DescribePortLock(*before);
        return OpenResult::OpenFailed;
    }

    m_port.setPortName(target);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setReadBufferSize(kMaxBufferedBytes);
    errno = 0;
    bool opened = m_port.open(QIODevice::ReadWrite);
    int openErrno = errno;
    if (!opened && m_port.error() == QSerialPort::PermissionError && !OutOfDescriptors(openErrno)) {
        // A lock left by a process that is gone: remove it once and retry.
        const std::optional<PortLock> lock = FindPortLock(target);
        if (lock && !lock->alive && !lock->otherHost && QFile::remove(lock->path)) {
            errno = 0;
            opened = m_port.open(QIODevice::ReadWrite);
            openErrno = errno;
        }
    }
    if (opened) {
        if (!LockExclusively()) {
            m_port.close();
            m_strError = named + QStringLiteral(": the port is in use by another program "
                                                "(it holds an exclusive lock on the device).");
            return OpenResult::OpenFailed;
        }
        m_port.clearError();
        return OpenResult::Opened;
    }
    const QSerialPort::SerialPortError error = m_port.error();
    if (OutOfDescriptors(openErrno)) {
        m_strError = TooManyOpenFiles(named);
        return OpenResult::OpenFailed;
    }
    m_strError = named + QStringLiteral(": ") + m_port.errorString();
    if (error == QSerialPort::UnsupportedOperationError) {
        // Qt's name for a refused terminal call: the device opened but is
        // no serial port we can set up (line settings).
        return OpenResult::SettingsFailed;
    }
#ifdef Q_OS_UNIX
    // The lock file could not be written (a full disk, a file-size limit):
    // nobody holds the port.
    if (error == QSerialPort::PermissionError && (openErrno == ENOSPC || openErrno == EFBIG)) {
        m_strError = named + QStringLiteral(": the lock file could not be written: ")
            + QString::fromLocal8Bit(std::strerror(openErrno));
        return OpenResult::OpenFailed;
    }
#endif
    if (error == QSerialPort::PermissionError)
        m_strError += QLatin1Char('\n') + OpenFailure(device, target);
    // Missing, busy, or no device at all (a folder, a path through a
    // file): the open itself failed.
    return OpenResult::OpenFailed;
}

// Says why a port that exists refused us: someone holds it, or we may not
// use it at all.
QString CQSerialPortLink::OpenFailure(const QString& device, const QString& target)
{
    Q_UNUSED(device);
    if (const std::optional<PortLock> lock = FindPortLock(target))
        return DescribePortLock(*lock);
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(target);
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return QStringLiteral("You may not use this port. On most systems serial ports "
                              "belong to the group \"dialout\": add your user to it "
                              "(sudo usermod -aG dialout $USER) and log in again.");
#endif
    return QStringLiteral("The port is in use by another program.");
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
        if (!m_port.waitForBytesWritten(int(remaining)) && IsRealError(m_port.error())) {
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
            if (IsRealError(m_port.error()) || !m_port.isOpen()) {
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
        const bool failed = !arrived && (IsRealError(m_port.error()) || !m_port.isOpen());
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
    // Closing the descriptor also drops the advisory lock.
    if (m_port.isOpen())
        m_port.close();
}

#endif

// A raw TCP serial server (ser2net, a terminal server): the bytes of the
// line, unchanged, over one connection, with the serial port's time-outs.
class CTcpSerialLink : public CSerialLink
{
public:
    OpenResult Open(const QString& device) override;
    bool Write(const QByteArray& bytes) override;
    bool Read(int count, QByteArray& reply) override;
    QByteArray Peek(int atLeast, int waitMs) override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    QString ErrorString() const override { return m_strError; }

private:
    bool Lost(const QString& what);

    QTcpSocket m_socket;
    QString m_strDevice;
    QString m_strError;
    bool m_bOpen = false;
};

CSerialLink::OpenResult CTcpSerialLink::Open(const QString& device)
{
    m_strError.clear();
    m_strDevice = device;
    QString host;
    quint16 port = 0;
    if (!ParseNetworkPort(device, host, port, &m_strError))
        return OpenResult::OpenFailed;
    m_socket.setReadBufferSize(kMaxBufferedBytes);
    // The name's lookup counts against the connect time-out.
    const QDeadlineTimer deadline(kConnectTimeoutMs);
    const QString help = QStringLiteral("\nA network serial server must listen there in raw TCP mode "
                                        "(ser2net: accepter tcp,PORT; a terminal server: \"TCP server\").");
    QString lookupError;
    const QList<QHostAddress> addresses = CHostLookup(host).Wait(deadline, &lookupError);
    if (addresses.isEmpty()) {
        m_strError = device + QStringLiteral(": ") + lookupError
            + (deadline.hasExpired() ? QStringLiteral(" within %1 s").arg(kConnectTimeoutMs / 1000) : QString()) + help;
        return OpenResult::OpenFailed;
    }
    bool connected = false;
    int openErrno = 0;
    for (const QHostAddress& address : addresses) {
        errno = 0;
        m_socket.connectToHost(address, port);
        connected = m_socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())));
        openErrno = errno;
        if (connected || deadline.hasExpired() || OutOfDescriptors(openErrno))
            break;
        if (&address != &addresses.last())
            m_socket.abort();
    }
    if (!connected) {
        if (OutOfDescriptors(openErrno)) {
            m_strError = TooManyOpenFiles(device);
            m_socket.abort();
            return OpenResult::OpenFailed;
        }
        const bool timedOut = m_socket.error() == QAbstractSocket::SocketTimeoutError
            || m_socket.state() != QAbstractSocket::UnconnectedState;
        m_strError = device + QStringLiteral(": ")
            + (timedOut ? QStringLiteral("no answer from %1 port %2 within %3 s").arg(host).arg(port).arg(kConnectTimeoutMs / 1000)
                        : m_socket.errorString())
            + help;
        m_socket.abort();
        return OpenResult::OpenFailed;
    }
    // Telegrams are a few bytes each: send them at once.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_bOpen = true;
    return OpenResult::Opened;
}

bool CTcpSerialLink::Lost(const QString& what)
{
    if (m_socket.error() == QAbstractSocket::RemoteHostClosedError
        || m_socket.state() == QAbstractSocket::UnconnectedState)
        m_strError = what + QStringLiteral(": the connection to %1 was closed by the server").arg(m_strDevice);
    else
        m_strError = what + QStringLiteral(": ") + m_socket.errorString();
    return false;
}

bool CTcpSerialLink::Write(const QByteArray& bytes)
{
    if (!m_bOpen) {
        m_strError = QStringLiteral("write: the port is not open");
        return false;
    }
    // A server that hung up since the last reply is noticed here, not
    // only when the reply fails to come.
    m_socket.waitForReadyRead(0);
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return Lost(QStringLiteral("write"));
    const QDeadlineTimer deadline(qint64(kWriteTimeoutPerByteMs) * bytes.size() + kWriteTimeoutConstantMs);
    if (m_socket.write(bytes) != bytes.size())
        return Lost(QStringLiteral("write"));
    while (m_socket.bytesToWrite() > 0) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0) {
            m_strError = QStringLiteral("write: time-out");
            return false;
        }
        if (!m_socket.waitForBytesWritten(int(remaining)) && m_socket.state() != QAbstractSocket::ConnectedState)
            return Lost(QStringLiteral("write"));
    }
    return true;
}

bool CTcpSerialLink::Read(int count, QByteArray& reply)
{
    reply.clear();
    if (!m_bOpen) {
        m_strError = QStringLiteral("read: the port is not open");
        return false;
    }
    const QDeadlineTimer deadline(kReadTimeoutMs);
    for (;;) {
        if (m_socket.bytesAvailable() > 0)
            reply += m_socket.read(count - reply.size());
        if (reply.size() >= count)
            return true;
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            return Lost(QStringLiteral("read"));
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return true;
        m_socket.waitForReadyRead(int(remaining));
    }
}

QByteArray CTcpSerialLink::Peek(int atLeast, int waitMs)
{
    if (!m_bOpen)
        return {};
    const QDeadlineTimer deadline(waitMs);
    m_socket.waitForReadyRead(0);
    while (m_socket.bytesAvailable() < atLeast && m_socket.state() == QAbstractSocket::ConnectedState) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        m_socket.waitForReadyRead(int(remaining));
    }
    return m_socket.peek(m_socket.bytesAvailable());
}

void CTcpSerialLink::Close()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(kWriteTimeoutConstantMs);
    m_socket.abort();
}

// Picks the link by the port's name, so every caller reaches local and
// network ports alike.
class CPortLink : public CSerialLink
{
public:
    OpenResult Open(const QString& device) override
    {
        if (m_link && m_link->IsOpen())
            m_link->Close();
        if (IsNetworkPort(device))
            m_link = std::make_unique<CTcpSerialLink>();
        else
#ifdef Q_OS_WIN
            m_link = CreateWin32SerialLink();
#else
            m_link = std::make_unique<CQSerialPortLink>();
#endif
        return m_link->Open(device);
    }
    bool Write(const QByteArray& bytes) override { return m_link && m_link->Write(bytes); }
    bool Read(int count, QByteArray& reply) override { return m_link && m_link->Read(count, reply); }
    QByteArray Peek(int atLeast, int waitMs) override { return m_link ? m_link->Peek(atLeast, waitMs) : QByteArray(); }
    void Close() override
    {
        if (m_link)
            m_link->Close();
    }
    bool IsOpen() const override { return m_link && m_link->IsOpen(); }
    QString ErrorString() const override
    {
        return m_link ? m_link->ErrorString() : QStringLiteral("the port is not open");
    }

private:
    std::unique_ptr<CSerialLink> m_link;
};

#ifdef Q_OS_UNIX
bool ProcessAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString ProcessName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}
#endif

} // namespace

QString PortLockFilePath(const QString& device)
{
#ifdef Q_OS_UNIX
    // Where Qt's serial port keeps it: the first of these folders that can
    // be read and either holds the file or can be written to.
    static const char* const kFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                           "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : kFolders) {
        const QFileInfo dir(QString::fromLatin1(folder));
        const QString path = dir.filePath() + QStringLiteral("/LCK..") + name;
        if (dir.isReadable() && (QFileInfo::exists(path) || dir.isWritable()))
            return path;
    }
#else
    Q_UNUSED(device);
#endif
    return {};
}

std::optional<PortLock> FindPortLock(const QString& device)
{
    PortLock lock;
    lock.path = PortLockFilePath(device);
    QFile file(lock.path);
    if (lock.path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // UUCP style: the process id alone, as ASCII. Qt's: process id,
    // program and host, one a line.
    const QList<QByteArray> lines = file.read(4096).split('\n');
    lock.pid = lines.value(0).trimmed().toLongLong();
    lock.qtFormat = lines.size() >= 3 && !lines.at(1).trimmed().isEmpty();
    if (lock.qtFormat) {
        lock.program = QString::fromUtf8(lines.at(1).trimmed());
        const QString host = QString::fromUtf8(lines.at(2).trimmed());
        lock.otherHost = !host.isEmpty() && host != QSysInfo::machineHostName();
    }
#ifdef Q_OS_UNIX
    lock.alive = !lock.otherHost && ProcessAlive(lock.pid);
    if (lock.alive) {
        const QString name = ProcessName(lock.pid);
        if (!name.isEmpty())
            lock.program = name;
    }
#endif
    return lock;
}

QString DescribePortLock(const PortLock& lock)
{
    const QString program = lock.program.isEmpty() ? QString() : QStringLiteral(" (") + lock.program + QLatin1Char(')');
    if (lock.pid <= 0)
        return QStringLiteral("The lock file %1 holds no process number; if no program uses the port, remove that file.")
            .arg(lock.path);
    if (lock.otherHost)
        return QStringLiteral("The lock file %1 was left by process %2%3 on another computer; if no program uses "
                              "the port, remove that file.").arg(lock.path).arg(lock.pid).arg(program);
    if (lock.alive)
        return QStringLiteral("The port is in use by another program: process %1%2 holds it (lock file %3); "
                              "close that program or choose another port.").arg(lock.pid).arg(program, lock.path);
    return QStringLiteral("The lock file %1 was left by process %2%3, which no longer exists, and could not be "
                          "removed; remove that file (for example: sudo rm %1).").arg(lock.path).arg(lock.pid).arg(program);
}

std::unique_ptr<CSerialLink> NewPortLink()
{
    return std::make_unique<CPortLink>();
}
