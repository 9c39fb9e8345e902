// Floods the shell server of the program with 100 MiB of requests and prints
// the peak memory and the time until a valid request is answered after the
// flood. Scenarios (first argument):
//   empty  empty lines from a client that reads its answers
//   valid  valid open requests, sent while a message box is open
//   deaf   empty lines from a client that never reads its answers
// Prints figures; asserts nothing.
#include "app/QZMApp.h"
#include "app/ShellServer.h"
#include "framework/Interaction.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr qint64 kFloodBytes = 100 * 1024 * 1024;

// Message boxes: the first stays open until told to close, the rest are
// answered at once.
class CHeldBox : public QObject, public CInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest&) override
    {
        if (holdFirst && !held) {
            held = true;
            QEventLoop loop;
            connect(this, &QObject::objectNameChanged, &loop, &QEventLoop::quit);
            shown = true;
            loop.exec();
        }
        return MsgAnswer::Ok;
    }
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }
    void Close() { setObjectName(QStringLiteral("closed")); }

    bool holdFirst = false;
    bool held = false;
    std::atomic<bool> shown{false};
};

int Connect(const QString& name)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads answer lines until the peer closes or `until` lines came.
qint64 ReadLines(int fd, qint64 until, QByteArray* last = nullptr)
{
    qint64 lines = 0;
    char buffer[65536];
    while (lines < until) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            lines += buffer[i] == '\n';
        if (last)
            *last = QByteArray(buffer, int(n)).trimmed();
    }
    return lines;
}

// Writes `total` bytes of lines made by makeLine(n); returns what went out.
// A send that the server holds back for two seconds ends the flood.
qint64 Flood(int fd, const std::function<QByteArray(qint64)>& makeLine, qint64 total)
{
    const timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    qint64 sent = 0, n = 0;
    QByteArray chunk;
    while (sent < total) {
        chunk.clear();
        while (chunk.size() < 65536)
            chunk += makeLine(n++);
        qint64 offset = 0;
        const qint64 size = qMin<qint64>(chunk.size(), total - sent);
        while (offset < size) {
            const ssize_t w = ::send(fd, chunk.constData() + offset, size_t(size - offset), MSG_NOSIGNAL);
            if (w <= 0)
                return sent;
            offset += w;
            sent += w;
        }
    }
    return sent;
}

qint64 StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(strlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("empty");
    InstallQZMStrings();
    CHeldBox box;
    box.holdFirst = scenario == QLatin1String("valid");
    CInteraction::SetInstance(&box);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plant.qzm"));
    {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        // A new document: version 3, no entries, the new-document settings.
        out.write(QByteArray::fromHex("03000000000000000000000000000000010000000000000064000000020000000100000001000000"
                                      "00"));
    }

    CQZMApp app(QStringList{QStringLiteral("/dde")});
    if (!app.InitInstance() || !app.GetShellServer()->IsListening()) {
        QTextStream(stderr) << "the program did not start its shell server" << Qt::endl;
        return 1;
    }
    const QString name = app.GetShellServer()->FullServerName();
    const qint64 baseKiB = StatusKiB("VmRSS:");

    QElapsedTimer clock;
    qint64 floodPeakKiB = 0, floodMs = 0, answerMs = -1, sent = 0, answered = 0;
    QByteArray probeAnswer;
    std::thread driver([&] {
        int holder = -1;
        if (box.holdFirst) {
            holder = Connect(name);
            const QByteArray request = "[open(\"" + QFile::encodeName(dir.filePath("missing.qzm")) + "\")]\n";
            ::send(holder, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
            while (!box.shown)
                std::this_thread::yield();
        }
        const int flood = Connect(name);
        const bool reads = scenario != QLatin1String("deaf");
        std::thread reader;
        if (reads)
            reader = std::thread([&] { answered = ReadLines(flood, std::numeric_limits<qint64>::max()); });
        const QByteArray folder = QFile::encodeName(dir.path());
        const std::function<QByteArray(qint64)> makeLine = [&](qint64 n) {
            if (scenario != QLatin1String("valid"))
                return QByteArray("\n");
            return "[open(\"" + folder + "/f" + QByteArray::number(n) + ".qzm\")]\n";
        };
        clock.start();
        sent = Flood(flood, makeLine, kFloodBytes);
        floodMs = clock.elapsed();
        const qint64 peakDuringKiB = StatusKiB("VmHWM:");
        if (reads) {
            ::shutdown(flood, SHUT_WR);
            reader.join();
            ::close(flood);
        }
        floodPeakKiB = peakDuringKiB;
        QMetaObject::invokeMethod(&box, [&box] { box.Close(); }, Qt::QueuedConnection);

        // A valid request once the flood is over.
        clock.restart();
        const int probe = Connect(name);
        const QByteArray request = "[open(\"" + QFile::encodeName(file) + "\")]\n";
        ::send(probe, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
        ReadLines(probe, 1, &probeAnswer);
        answerMs = clock.elapsed();
        ::close(probe);
        if (holder >= 0)
            ::close(holder);
        if (!reads)
            ::close(flood);
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    driver.join();
    CInteraction::SetInstance(nullptr);

    QTextStream out(stdout);
    out << "scenario " << scenario << ": sent " << sent / 1024 << " KiB of "
        << (sent == kFloodBytes ? "" : "(held back by the program) ") << kFloodBytes / 1024 << " KiB in " << floodMs
        << " ms, " << answered << " answers read\n"
        << "  memory: " << baseKiB / 1024 << " MiB before, peak " << floodPeakKiB / 1024 << " MiB while flooded, "
        << StatusKiB("VmHWM:") / 1024 << " MiB at the end\n"
        << "  valid request after the flood answered \"" << probeAnswer << "\" in " << answerMs << " ms\n";
    return 0;
}
