// qzm-sim: a simulated QZM on a pseudo-terminal, so Send All can be tried
// and tested without a device.

#include "SimDevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/inotify.h>
#include <sys/prctl.h>
#endif

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void sleepUntil(qint64 ns)
{
    timespec ts{};
    ts.tv_sec = ns / 1000000000;
    ts.tv_nsec = ns % 1000000000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

class CSimulator
{
public:
    CSimDevice device;
    QString jsonPath;
    QString linkPath;
    QString portPath;
    qint64 byteTimeNs = 0;   // 0: no line pacing
    bool once = false;
    bool verbose = false;

    bool OpenPty();
    int Run();
    void WriteJson();
    void Shutdown();

private:
    bool WriteReply(const QByteArray& reply, qint64 t, bool last);
    void ForgetClientEvents();
    void WaitUntilReplyRead();

    int m_master = -1;
    int m_slave = -1;
    int m_watch = -1;   // inotify on the port: the client's reads and closes
    qint64 m_lineFreeNs = 0;
};

bool CSimulator::OpenPty()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        err() << "qzm-sim: cannot create a pseudo-terminal: " << strerror(errno) << Qt::endl;
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (!name) {
        err() << "qzm-sim: cannot name the pseudo-terminal: " << strerror(errno) << Qt::endl;
        return false;
    }
    portPath = QString::fromLocal8Bit(name);
    // Our own descriptor on the port side: it keeps the line up while the
    // program closes and reopens the port between transfers, and lets us
    // put the line in raw mode before anybody opens it (a fresh pty is in
    // cooked mode, where ETX would be the interrupt character).
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0) {
        err() << "qzm-sim: cannot open " << portPath << ": " << strerror(errno) << Qt::endl;
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        err() << "qzm-sim: cannot set raw mode: " << strerror(errno) << Qt::endl;
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
#ifdef __linux__
    m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch >= 0 && ::inotify_add_watch(m_watch, name, IN_ACCESS | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_watch);
        m_watch = -1;
    }
#endif

    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        if (existing.isSymLink())
            ::unlink(QFile::encodeName(linkPath).constData());
        else if (existing.exists()) {
            err() << "qzm-sim: " << linkPath << " exists and is not a symbolic link; not replaced" << Qt::endl;
            return false;
        }
        if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
            err() << "qzm-sim: cannot make the link " << linkPath << ": " << strerror(errno) << Qt::endl;
            return false;
        }
    }
    return true;
}

void CSimulator::WriteJson()
{
    if (jsonPath.isEmpty())
        return;
    QJsonObject json = device.ToJson();
    json["port"] = portPath;
    const QString temporary = jsonPath + QStringLiteral(".tmp");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QJsonDocument(json).toJson()) < 0) {
        err() << "qzm-sim: cannot write " << jsonPath << Qt::endl;
        return;
    }
    file.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(jsonPath).constData()) != 0)
        err() << "qzm-sim: cannot write " << jsonPath << ": " << strerror(errno) << Qt::endl;
}

void CSimulator::Shutdown()
{
    WriteJson();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_watch >= 0)
        ::close(m_watch);
    m_master = m_slave = m_watch = -1;
    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
}

int CSimulator::Run()
{
    WriteJson();
    constexpr int kFrameGapMs = 500;
    for (;;) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, device.HasPartialFrame() ? kFrameGapMs : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            err() << "qzm-sim: poll: " << strerror(errno) << Qt::endl;
            return 1;
        }
        if (fds[1].revents)
            return 0;
        if (ready == 0) {
            // A telegram that stopped half-way: the device forgets it.
            device.DropPartialFrame();
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            err() << "qzm-sim: read: " << strerror(errno) << Qt::endl;
            return 1;
        }
        if (n == 0)
            continue;
        const qint64 arrivedNs = nowNs();
        const QList<CSimDevice::Answer> answers = device.Feed(QByteArray(buffer, int(n)));
        for (const CSimDevice::Answer& answer : answers) {
            qint64 t = nowNs();
            if (byteTimeNs) {
                // The telegram took its bytes' time on the line.
                t = qMax(arrivedNs, m_lineFreeNs) + answer.telegram.size() * byteTimeNs;
                sleepUntil(t);
            }
            if (answer.delayMs > 0) {
                t = nowNs() + qint64(answer.delayMs) * 1000000;
                sleepUntil(t);
            }
            if (verbose)
                err() << "#" << answer.number << " " << answer.telegram.toHex(' ').toUpper() << " -> "
                      << (answer.hangUp ? QByteArray("hang up") : answer.reply.toHex(' ').toUpper()) << Qt::endl;
            if (answer.hangUp) {
                err() << "qzm-sim: hanging up at telegram " << answer.number << Qt::endl;
                return 0;
            }
            if (answer.startsTransfer) {
                // Like a serial driver emptying its buffers when the port is
                // opened anew: nothing left over from an earlier transfer.
                ::tcflush(m_slave, TCIFLUSH);
            }
            WriteJson();
            const bool last = answer.transferComplete && once;
            if (!WriteReply(answer.reply, t, last)) {
                err() << "qzm-sim: write: " << strerror(errno) << Qt::endl;
                return 1;
            }
            if (last) {
                WaitUntilReplyRead();
                return 0;
            }
        }
    }
}

bool CSimulator::WriteReply(const QByteArray& reply, qint64 t, bool last)
{
    if (byteTimeNs) {
        for (qsizetype i = 0; i < reply.size(); ++i) {
            t += byteTimeNs;
            sleepUntil(t);
            if (last && i == reply.size() - 1)
                ForgetClientEvents();
            if (!writeAll(m_master, reply.constData() + i, 1))
                return false;
        }
        m_lineFreeNs = t;
        return true;
    }
    if (last)
        ForgetClientEvents();
    return writeAll(m_master, reply.constData(), reply.size());
}

// Reads the client did before the last reply went out tell nothing about it.
void CSimulator::ForgetClientEvents()
{
    if (m_watch < 0)
        return;
    char buffer[4096];
    while (::read(m_watch, buffer, sizeof buffer) > 0) {
    }
}

// Our exit hangs the line up, and the kernel then throws away what the
// client has not read yet: a complete transfer would look failed. Wait
// until the client has read the last reply or closed the port, at most
// a few seconds for a client that went away.
void CSimulator::WaitUntilReplyRead()
{
    constexpr qint64 kLimitNs = qint64(5000) * 1000000;
    const qint64 deadline = nowNs() + kLimitNs;
    for (;;) {
        const qint64 leftMs = (deadline - nowNs()) / 1000000;
        if (leftMs <= 0)
            return;
        pollfd fds[2] = {{m_watch, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, int(leftMs));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || fds[1].revents)
            return;
#ifdef __linux__
        alignas(inotify_event) char buffer[4096];
        const ssize_t n = ::read(m_watch, buffer, sizeof buffer);
        bool readSome = false;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                return;
            readSome = readSome || (event->mask & IN_ACCESS);
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
        int waiting = 0;
        if (readSome && ::ioctl(m_slave, FIONREAD, &waiting) == 0 && waiting == 0)
            return;
#endif
    }
}

bool addFaults(CSimulator& sim, const QCommandLineParser& parser, const QCommandLineOption& option,
               const char* kind)
{
    for (const QString& spec : parser.values(option)) {
        int number = 0;
        QString value;
        CSimDevice::Fault fault;
        bool ok = ParseFaultSpec(spec, number, value);
        const QString k = QLatin1String(kind);
        if (k == QLatin1String("no-reply") || k == QLatin1String("hangup")) {
            // "*": silent on every telegram, or hang up at the first.
            ok = ok && value.isEmpty();
            (k == QLatin1String("hangup") ? fault.hangUp : fault.silent) = true;
        } else if (k == QLatin1String("reply") || k == QLatin1String("extra-byte")) {
            const QString digits = QString(value).remove(QLatin1Char(' '));
            QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
            if (k == QLatin1String("extra-byte") && value.isEmpty())
                bytes = QByteArray(1, 0x02);
            ok = ok && (value.isEmpty() || (digits.size() % 2 == 0 && bytes.size() * 2 == digits.size()));
            if (k == QLatin1String("reply")) {
                fault.replace = true;
                fault.reply = bytes;
            } else {
                fault.extra = bytes;
                ok = ok && !bytes.isEmpty();
            }
        } else if (k == QLatin1String("delay")) {
            // "MS" alone delays every reply.
            if (!spec.contains(QLatin1Char(':'))) {
                number = 0;
                value = spec;
                ok = true;
            }
            fault.delayMs = value.toInt(&ok);
            ok = ok && fault.delayMs >= 0;
        }
        if (!ok) {
            err() << "qzm-sim: bad --" << kind << " value: " << spec << Qt::endl;
            return false;
        }
        sim.device.AddFault(number, fault);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzm-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated QZM on a pseudo-terminal. Prints the path of its port on the first line of "
        "standard output and answers every telegram as the device does. Telegram numbers N count "
        "from 1 since start; N may be * for every telegram."));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"), QStringLiteral("Make a symbolic link PATH to the port."), QStringLiteral("PATH"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Write what arrived to PATH as JSON, after every telegram and at exit."), QStringLiteral("PATH"));
    const QCommandLineOption paceOption(QStringLiteral("pace"), QStringLiteral("Pace the line at 9600 baud (10 bits per byte), both ways."));
    const QCommandLineOption baudOption(QStringLiteral("baud"), QStringLiteral("Pace the line at BAUD instead of 9600."), QStringLiteral("BAUD"));
    const QCommandLineOption onceOption(QStringLiteral("once"), QStringLiteral("Exit after the first complete transfer."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Print every telegram and reply on standard error."));
    const QCommandLineOption parentOption(QStringLiteral("exit-with-parent"), QStringLiteral("Exit when the parent process ends."));
    const QCommandLineOption noReplyOption(QStringLiteral("no-reply"), QStringLiteral("Answer nothing to telegram N."), QStringLiteral("N"));
    const QCommandLineOption replyOption(QStringLiteral("reply"), QStringLiteral("Answer telegram N with the given hex bytes (e.g. 3:0215)."), QStringLiteral("N:HEX"));
    const QCommandLineOption extraOption(QStringLiteral("extra-byte"), QStringLiteral("Send an extra byte (default 02) after the answer to telegram N."), QStringLiteral("N[:HEX]"));
    const QCommandLineOption delayOption(QStringLiteral("delay"), QStringLiteral("Wait MS milliseconds before answering telegram N (every telegram without N:)."), QStringLiteral("[N:]MS"));
    const QCommandLineOption hangupOption(QStringLiteral("hangup"), QStringLiteral("Hang up the line and exit when telegram N arrives."), QStringLiteral("N"));
    parser.addOptions({linkOption, jsonOption, paceOption, baudOption, onceOption, verboseOption, parentOption,
                       noReplyOption, replyOption, extraOption, delayOption, hangupOption});
    parser.process(app);

    CSimulator sim;
    sim.linkPath = parser.value(linkOption);
    sim.jsonPath = parser.value(jsonOption);
    sim.once = parser.isSet(onceOption);
    sim.verbose = parser.isSet(verboseOption);
    if (parser.isSet(paceOption) || parser.isSet(baudOption)) {
        bool ok = true;
        const int baud = parser.isSet(baudOption) ? parser.value(baudOption).toInt(&ok) : 9600;
        if (!ok || baud <= 0) {
            err() << "qzm-sim: bad --baud value" << Qt::endl;
            return 2;
        }
        sim.byteTimeNs = qint64(10) * 1000000000 / baud;
    }
    if (!addFaults(sim, parser, noReplyOption, "no-reply") || !addFaults(sim, parser, replyOption, "reply")
        || !addFaults(sim, parser, extraOption, "extra-byte") || !addFaults(sim, parser, delayOption, "delay")
        || !addFaults(sim, parser, hangupOption, "hangup"))
        return 2;

#ifdef __linux__
    if (parser.isSet(parentOption))
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    if (::pipe(g_signalPipe) != 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (!sim.OpenPty()) {
        sim.Shutdown();
        return 1;
    }
    std::printf("%s\n", qPrintable(sim.portPath));
    std::fflush(stdout);
    const int result = sim.Run();
    sim.Shutdown();
    return result;
}
