// Port discovery, the COM1..COM4 mapping, --port values, lock files,
// network serial servers (a real ser2net bridged to qzm-sim) and
// qzm-sim --once.
#include "Ser2Net.h"
#include "SimProcess.h"
#include "TransferTestSupport.h"

#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPortLink.h"
#include "transfer/SerialPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {
ProcessRun RunCli(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    return RunToEnd(cli, QStringLiteral(QZM_CLI_PATH), arguments, {}, 30000);
}

const QString kExample = QStringLiteral(QZM_EXAMPLE_PATH);

SerialPortEntry Port(const QString& device, const QString& stableName = {})
{
    SerialPortEntry entry;
    entry.device = device;
    entry.stableName = stableName;
    return entry;
}

// A process id that surely belongs to no running process.
qint64 DeadProcessId()
{
    QProcess process;
    qint64 pid = 0;
    QObject::connect(&process, &QProcess::started, [&] { pid = process.processId(); });
    process.start(QStringLiteral("/bin/true"));
    process.waitForFinished(10000);
    return pid;
}

class LockFileGuard
{
public:
    explicit LockFileGuard(QString path) : m_path(std::move(path)) {}
    ~LockFileGuard() { QFile::remove(m_path); }

private:
    QString m_path;
};

struct Sent
{
    bool succeeded = false;
    RecordingProgress progress;
};

// A peer that sends 02 06 without pause from the start, on a pseudo-
// terminal or as a TCP server, until it is stopped.
class Flooder
{
public:
    ~Flooder()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (int fd : {m_fd, m_keep})
            if (fd >= 0)
                ::close(fd);
    }
    QString StartPty()
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            return {};
        const QString path = QString::fromLocal8Bit(::ptsname(m_fd));
        m_keep = ::open(::ptsname(m_fd), O_RDWR | O_NOCTTY);
        termios tio{};
        ::tcgetattr(m_keep, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_keep, TCSANOW, &tio);
        m_thread = std::thread([this] { Flood(m_fd); });
        return path;
    }
    QString StartTcp()
    {
        m_keep = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_keep, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_keep, 1) != 0
            || ::getsockname(m_keep, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return {};
        m_thread = std::thread([this] {
            pollfd p{m_keep, POLLIN, 0};
            while (!m_stop && ::poll(&p, 1, 50) <= 0) {
            }
            if (!m_stop && (m_fd = ::accept4(m_keep, nullptr, nullptr, SOCK_NONBLOCK)) >= 0)
                Flood(m_fd);
        });
        return QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(address.sin_port));
    }

private:
    void Flood(int fd)
    {
        const QByteArray chunk = QByteArray("\x02\x06").repeated(8192);
        qsizetype offset = 0;
        while (!m_stop) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::send(fd, chunk.constData() + offset, size_t(chunk.size() - offset), MSG_NOSIGNAL);
            if (n < 0 && errno == ENOTSOCK) {
                const ssize_t w = ::write(fd, chunk.constData() + offset, size_t(chunk.size() - offset));
                offset = w > 0 ? (offset + w) % chunk.size() : offset;
            } else if (n > 0) {
                offset = (offset + n) % chunk.size();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            }
        }
    }

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    int m_fd = -1;
    int m_keep = -1;
};

void SendOver(CQZMDoc& doc, Sent& sent, const QString& device = {})
{
    CConfigTransfer transfer(&doc, sent.progress);
    if (!device.isEmpty())
        transfer.SetPortDevice(device);
    sent.succeeded = RunConfigTransfer(transfer);
}
} // namespace

class TestSerialPorts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { ForgetPortMappings(); }

    void mappingPrecedence()
    {
        const QList<SerialPortEntry> ports{
            Port(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0")),
            Port(QStringLiteral("/dev/ttyACM0")),
        };
        PortAssignment a = ResolvePortAssignment(1, &ports);
        QCOMPARE(a.name, QStringLiteral("COM1"));
        QCOMPARE(a.source, PortSource::SystemDefault);
        QCOMPARE(a.device, SystemDefaultPort(1));
        QCOMPARE(a.entry, -1);

        QSettings().setValue(QStringLiteral("Serial Ports/COM1"),
                             QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"));
        a = ResolvePortAssignment(1, &ports);
        QCOMPARE(a.source, PortSource::Settings);
        QCOMPARE(a.entry, 0);
        QVERIFY(a.SourceText().contains(QStringLiteral("\"Serial Ports/COM1\"")));

        qputenv("QZM_COM1", "/dev/ttyACM0");
        a = ResolvePortAssignment(1, &ports);
        QCOMPARE(a.source, PortSource::Environment);
        QCOMPARE(a.device, QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(a.entry, 1);
        QVERIFY(a.SourceText().contains(QStringLiteral("QZM_COM1")));
        // An empty variable chooses nothing.
        qputenv("QZM_COM1", "");
        QCOMPARE(ResolvePortAssignment(1, &ports).source, PortSource::Settings);

        // Other numbers stay on their own sources.
        QCOMPARE(ResolvePortAssignment(2, &ports).source, PortSource::SystemDefault);
        QCOMPARE(ResolvePortAssignment(0).number, 0);
        QVERIFY(ResolvePortAssignment(5).device.isEmpty());
        QCOMPARE(SerialPortDevice(1), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"));

        // Storing: an empty choice gives the default back.
        StorePortChoice(1, QStringLiteral("  tcp://10.1.2.3:4001 "));
        QCOMPARE(QSettings().value(QStringLiteral("Serial Ports/COM1")).toString(), QStringLiteral("tcp://10.1.2.3:4001"));
        StorePortChoice(1, QString());
        QVERIFY(!QSettings().contains(QStringLiteral("Serial Ports/COM1")));
        QCOMPARE(ResolvePortAssignment(1).source, PortSource::SystemDefault);

        // The detail text of message 110 names the mapping and the way out.
        QSettings().setValue(QStringLiteral("Serial Ports/COM3"), QStringLiteral("/nowhere/ttyX"));
        const QString hint = PortChoiceHint(ResolvePortAssignment(3));
        QVERIFY2(hint.contains(QStringLiteral("COM3 is mapped to /nowhere/ttyX by the settings entry")), qPrintable(hint));
        QVERIFY(hint.contains(QStringLiteral("Serial Ports...")));
        QVERIFY(hint.contains(PortSettingsLocation()));
        QVERIFY(PortChoiceHint(ResolvePortAssignment(3), true).contains(QStringLiteral("--port")));
    }

    void stableNames()
    {
        // A by-id folder of links, as udev makes it, to stand-in devices.
        QTemporaryDir dir;
        const QString usb0 = dir.filePath(QStringLiteral("ttyUSB0"));
        const QString acm0 = dir.filePath(QStringLiteral("ttyACM0"));
        WriteTestFile(usb0, {});
        WriteTestFile(acm0, {});
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("by-id")));
        const QString byId = dir.filePath(QStringLiteral("by-id"));
        const QString usbLink = byId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        const QString acmLink = byId + QStringLiteral("/usb-Arduino_Uno_123-if00");
        QVERIFY(QFile::link(QStringLiteral("../ttyUSB0"), usbLink));
        QVERIFY(QFile::link(acm0, acmLink));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), byId + QStringLiteral("/usb-unplugged-if00")));

        QList<SerialPortEntry> ports{Port(usb0), Port(dir.filePath(QStringLiteral("ttyS0")))};
        ports[0].description = QStringLiteral("FT232R USB UART");
        ports[0].manufacturer = QStringLiteral("FTDI");
        ports[0].vendorId = 0x0403;
        ports[0].productId = 0x6001;
        AddStableNames(ports, byId);
        QCOMPARE(ports.size(), 3); // the ACM device only the folder knows is added, the broken link is not
        QCOMPARE(ports[0].stableName, usbLink);
        QVERIFY(ports[1].stableName.isEmpty());
        QCOMPARE(ports[2].device, QFileInfo(acm0).canonicalFilePath());
        QCOMPARE(ports[2].stableName, acmLink);
        QCOMPARE(ports[0].UsbIds(), QStringLiteral("0403:6001"));
        QVERIFY(ports[0].Summary().contains(QStringLiteral("FT232R USB UART, FTDI, 0403:6001")));

        // A choice of the device itself is kept by its stable name.
        QCOMPARE(PreferredPortName(usb0, ports), usbLink);
        QCOMPARE(PreferredPortName(usbLink, ports), usbLink);
        QCOMPARE(PreferredPortName(dir.filePath(QStringLiteral("ttyS0")), ports), dir.filePath(QStringLiteral("ttyS0")));
        QCOMPARE(PreferredPortName(QStringLiteral("tcp://h:1"), ports), QStringLiteral("tcp://h:1"));

        // A stored stable name finds its port through the link.
        QSettings().setValue(QStringLiteral("Serial Ports/COM2"), usbLink);
        const PortAssignment a = ResolvePortAssignment(2, &ports);
        QVERIFY(a.exists);
        QCOMPARE(a.target, QFileInfo(usb0).canonicalFilePath());
        QCOMPARE(a.entry, 0);
        QVERIFY(PortChoiceHint(a).contains(QStringLiteral("which leads to ") + a.target));
    }

    void portArguments()
    {
        PortTarget target;
        QString error;
        for (const QString& bad : {QString(), QStringLiteral("  "), QStringLiteral("COM0"), QStringLiteral("COM5"),
                                   QStringLiteral("tcp://"), QStringLiteral("tcp://host"), QStringLiteral("tcp://:4001"),
                                   QStringLiteral("tcp://host:99999"), QStringLiteral("tcp://host:0"),
                                   QStringLiteral("tcp://user@host:1"), QStringLiteral("tcp://host:1/x")}) {
            error.clear();
            QVERIFY2(!ResolvePortArgument(bad, target, error), qPrintable(bad));
            QVERIFY(!error.isEmpty());
        }
        qputenv("QZM_COM2", "/dev/from-env");
        QVERIFY(ResolvePortArgument(QStringLiteral("com2"), target, error));
        QCOMPARE(target.serialPort, 2);
        QCOMPARE(target.device, QStringLiteral("/dev/from-env"));
        QVERIFY(ResolvePortArgument(QStringLiteral("tcp://127.0.0.1:4001"), target, error));
        QCOMPARE(target.serialPort, 0);
        QCOMPARE(target.device, QStringLiteral("tcp://127.0.0.1:4001"));
        QVERIFY(ResolvePortArgument(QStringLiteral("tcp://[::1]:4001"), target, error));
        QVERIFY(ResolvePortArgument(QStringLiteral("/dev/ttyUSB0"), target, error));
        QCOMPARE(target.device, QStringLiteral("/dev/ttyUSB0"));

        QString host;
        quint16 number = 0;
        QVERIFY(ParseNetworkPort(QStringLiteral("TCP://plant-gw.local:4001"), host, number));
        QCOMPARE(host, QStringLiteral("plant-gw.local"));
        QCOMPARE(number, quint16(4001));

        // The command line refuses them as usage errors, before the file.
        QCOMPARE(RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), QString()}).code, 2);
        const ProcessRun tcp = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), QStringLiteral("tcp://h")});
        QCOMPARE(tcp.code, 2);
        QVERIFY2(tcp.ErrText().contains(QStringLiteral("tcp://HOST:PORT")), qPrintable(tcp.ErrText()));
        QVERIFY(!ParseNetworkPort(QStringLiteral("tcp://h:65536"), host, number, &error));
        QVERIFY2(error.contains(QStringLiteral("names no TCP port")), qPrintable(error));
        // One network port under two names of its host.
        const ProcessRun twice = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"),
                                     QStringLiteral("tcp://localhost:4001"), QStringLiteral("--port"),
                                     QStringLiteral("tcp://127.0.0.1:4001")});
        QCOMPARE(twice.code, 2);
        QVERIFY2(twice.ErrText().contains(QStringLiteral("name the same port")), qPrintable(twice.ErrText()));
    }

    void portsJson()
    {
        const QList<SerialPortEntry> ports{Port(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/serial/by-id/x"))};
        QSettings().setValue(QStringLiteral("Serial Ports/COM2"), QStringLiteral("/dev/serial/by-id/x"));
        qputenv("QZM_COM3", "tcp://127.0.0.1:4001");
        const QJsonObject json = PortsToJson(ports);
        const QJsonObject first = json[QStringLiteral("ports")].toArray().at(0).toObject();
        QCOMPARE(first[QStringLiteral("device")].toString(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(first[QStringLiteral("stableName")].toString(), QStringLiteral("/dev/serial/by-id/x"));
        QVERIFY(first[QStringLiteral("vendorId")].isNull());
        const QJsonArray assignments = json[QStringLiteral("assignments")].toArray();
        QCOMPARE(assignments.size(), 4);
        QCOMPARE(assignments[1][QStringLiteral("source")].toString(), QStringLiteral("settings"));
        QCOMPARE(assignments[1][QStringLiteral("found")].toString(), QStringLiteral("/dev/ttyUSB0"));

        // The command's own output, with the mapping given to it.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QZM_COM3"), QStringLiteral("tcp://127.0.0.1:4001"));
        QSettings().sync();
        const ProcessRun result = RunCli({QStringLiteral("ports"), QStringLiteral("--json")}, environment);
        QCOMPARE(result.code, 0);
        QJsonParseError parseError;
        const QJsonObject root = QJsonDocument::fromJson(result.out, &parseError).object();
        QVERIFY2(parseError.error == QJsonParseError::NoError, qPrintable(result.OutText()));
        QVERIFY(root[QStringLiteral("ports")].isArray());
        for (const QJsonValue& p : root[QStringLiteral("ports")].toArray())
            for (const char* key : {"device", "stableName", "description", "manufacturer", "serialNumber", "vendorId", "productId"})
                QVERIFY2(p.toObject().contains(QLatin1String(key)), key);
        const QJsonArray listed = root[QStringLiteral("assignments")].toArray();
        QCOMPARE(listed.size(), 4);
        const char* sources[] = {"default", "settings", "environment", "default"};
        for (int i = 0; i < 4; ++i) {
            const QJsonObject a = listed[i].toObject();
            QCOMPARE(a[QStringLiteral("port")].toString(), QStringLiteral("COM%1").arg(i + 1));
            QCOMPARE(a[QStringLiteral("number")].toInt(), i + 1);
            QCOMPARE(a[QStringLiteral("source")].toString(), QLatin1String(sources[i]));
            for (const char* key : {"device", "target", "exists", "network", "found"})
                QVERIFY2(a.contains(QLatin1String(key)), key);
        }
        QCOMPARE(listed[2][QStringLiteral("device")].toString(), QStringLiteral("tcp://127.0.0.1:4001"));
        QVERIFY(listed[2][QStringLiteral("network")].toBool());
        QCOMPARE(listed[1][QStringLiteral("device")].toString(), QStringLiteral("/dev/serial/by-id/x"));
        QCOMPARE(root[QStringLiteral("settings")].toString(), PortSettingsLocation());

        const ProcessRun text = RunCli({QStringLiteral("ports")}, environment);
        QCOMPARE(text.code, 0);
        QVERIFY2(text.OutText().contains(QStringLiteral("COM3  tcp://127.0.0.1:4001  (the environment variable QZM_COM3")),
                 qPrintable(text.OutText()));
        QCOMPARE(RunCli({QStringLiteral("ports"), QStringLiteral("extra")}).code, 2);
    }

    void lockFiles()
    {
        SimProcess sim;
        QVERIFY(sim.Start());
        const QString lockPath = PortLockFilePath(QFileInfo(sim.Port()).canonicalFilePath());
        QVERIFY(!lockPath.isEmpty());
        LockFileGuard guard(lockPath);

        // Left by a process that is gone (UUCP style): no obstacle.
        const qint64 dead = DeadProcessId();
        QVERIFY(dead > 0);
        WriteTestFile(lockPath, QByteArray::number(dead).rightJustified(10, ' ') + '\n');
        ProcessRun result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), sim.Port()});
        QVERIFY2(result.code == 0, qPrintable(result.ErrText()));
        QVERIFY(!QFile::exists(lockPath));

        // Held by a running program: refused, and the detail says by whom.
        const qint64 self = QCoreApplication::applicationPid();
        WriteTestFile(lockPath, QByteArray::number(self).rightJustified(10, ' ') + '\n');
        result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), sim.Port()});
        QCOMPARE(result.code, 1);
        QVERIFY(result.ErrText().contains(CStringTable::Load(IDS_COMM_PORT_FAIL)));
        QVERIFY2(result.ErrText().contains(lockPath) && result.ErrText().contains(QStringLiteral("process %1").arg(self)),
                 qPrintable(result.ErrText()));
        QVERIFY(QFile::exists(lockPath));
        QCOMPARE(sim.Received()[QStringLiteral("telegrams")].toInt(), 11);

        // What a lock nobody could remove says.
        const std::optional<PortLock> held = FindPortLock(QFileInfo(sim.Port()).canonicalFilePath());
        QVERIFY(held && held->alive && held->pid == self && !held->qtFormat);
        PortLock stale = *held;
        stale.alive = false;
        stale.pid = dead;
        const QString text = DescribePortLock(stale);
        QVERIFY(text.contains(lockPath) && text.contains(QString::number(dead)) && text.contains(QStringLiteral("no longer exists")));
    }

    void exclusiveThroughLinks()
    {
        SimProcess sim;
        QVERIFY(sim.Start());
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("qzm-port"));
        QVERIFY(QFile::link(sim.Port(), link));

        // One program has the port; a second through a link to the same
        // device is refused, also as root.
        std::unique_ptr<CSerialLink> first = CreateSerialPortLink();
        QCOMPARE(first->Open(sim.Port()), CSerialLink::OpenResult::Opened);
        ProcessRun result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), link});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_COMM_PORT_FAIL)) && result.ErrText().contains(QStringLiteral("in use")),
                 qPrintable(result.ErrText()));
        QVERIFY(result.ErrText().contains(link));
        first->Close();
        QCOMPARE(sim.Received()[QStringLiteral("telegrams")].toInt(), 0);

        // A program that keeps no lock file but locks the device itself.
        const int fd = ::open(QFile::encodeName(sim.Port()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        std::unique_ptr<CSerialLink> second = CreateSerialPortLink();
        QCOMPARE(second->Open(link), CSerialLink::OpenResult::OpenFailed);
        QVERIFY2(second->ErrorString().contains(QStringLiteral("exclusive lock")), qPrintable(second->ErrorString()));
        QVERIFY(!second->IsOpen());
        ::flock(fd, LOCK_UN);

        // Free again: the link opens and the whole transfer goes through.
        result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), link});
        QVERIFY2(result.code == 0, qPrintable(result.ErrText()));
    }

    void networkSerialServer()
    {
        QVERIFY2(!Ser2NetProcess::Program().isEmpty(), "ser2net is missing: run scripts/install-deps");
        SimProcess sim;
        QVERIFY(sim.Start());
        Ser2NetProcess server;
        QVERIFY(server.Start(sim.Port()));
        CQZMDoc doc;
        QVERIFY(doc.OnOpenDocument(kExample));

        // qzm-cli through the server, byte for byte.
        const ProcessRun result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), server.Url()});
        QVERIFY2(result.code == 0, qPrintable(result.ErrText()));
        CompareWithDocument(sim.Received(), doc);
        const QJsonArray exchanges = sim.Received()[QStringLiteral("exchanges")].toArray();
        QCOMPARE(exchanges.size(), 3 + doc.ReadBlocks().size() + doc.WriteBlocks().size());

        // The window's transfer, with COM2 chosen as the server in the
        // settings.
        StorePortChoice(2, server.Url());
        doc.SetSerialPort(2);
        FillDocument(doc, 48, 48);
        Sent sent;
        SendOver(doc, sent);
        QVERIFY2(sent.succeeded, qPrintable(sent.progress.details.join(QLatin1Char('\n'))));
        CompareWithDocument(sim.Received(), doc);
        QCOMPARE(sim.Received()[QStringLiteral("transfers")].toInt(), 2);
    }

    // Every reply is there at once, and the last block's is wrong; the
    // record keeps the start of what waits on the line, and no read takes
    // in more than a bounded buffer, local port and TCP alike.
    void floodingPeer()
    {
        CQZMDoc doc;
        FillDocument(doc, 48, 48);
        for (const bool tcp : {false, true}) {
            Flooder flooder;
            const QString device = tcp ? flooder.StartTcp() : flooder.StartPty();
            QVERIFY(!device.isEmpty());
            RecordingProgress progress;
            CConfigTransfer transfer(&doc, progress);
            transfer.SetPortDevice(device);
            transfer.SetLateReplyWait(CSerialLink::kReadTimeoutMs);
            QVERIFY(!RunConfigTransfer(transfer));
            QCOMPARE(progress.failures, QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
            const TransferRecord& record = transfer.Record();
            QCOMPARE(record.exchanges.size(), 3 + 48 + 48);
            QCOMPARE(record.exchanges.last().judgement, TransferExchange::Judgement::Unexpected);
            for (const TransferExchange& e : record.exchanges) {
                QVERIFY2(e.after.size() <= TransferExchange::kAfterKept, qPrintable(device));
                QVERIFY(e.AfterSize() <= CSerialLink::kMaxBufferedBytes);
            }
            QVERIFY(record.exchanges.last().afterMore > 0);
            QVERIFY2(progress.details.value(0).size() < 2000, qPrintable(device));
            QVERIFY(TransferRecordFormat::Received(record.exchanges.last()).endsWith(
                QStringLiteral(" ... (+%1 more)").arg(record.exchanges.last().afterMore)));
        }
    }

    void networkFailures()
    {
        CQZMDoc doc;
        FillDocument(doc, 2, 1);
        {
            // Nobody listens: 110 at once, with the system's reason.
            const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(FreeLoopbackPort());
            QSettings().setValue(QStringLiteral("Serial Ports/COM1"), url);
            doc.SetSerialPort(1);
            QElapsedTimer timer;
            timer.start();
            Sent sent;
            SendOver(doc, sent);
            QVERIFY(timer.elapsed() < CSerialLink::kWriteTimeoutConstantMs);
            QCOMPARE(sent.progress.failures, QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
            const QString detail = sent.progress.details.value(0);
            QVERIFY2(detail.startsWith(url + QStringLiteral(": ")) && detail.contains(QStringLiteral("refused"), Qt::CaseInsensitive),
                     qPrintable(detail));
            QVERIFY(detail.contains(QStringLiteral("COM1 is mapped to ") + url));
        }
        {
            // The device behind the server hangs up at the second block:
            // the server drops the connection and the read fails (113).
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--hangup"), QStringLiteral("5")}));
            Ser2NetProcess server;
            QVERIFY(server.Start(sim.Port()));
            QElapsedTimer timer;
            timer.start();
            Sent sent;
            SendOver(doc, sent, server.Url());
            QVERIFY(timer.elapsed() < CSerialLink::kReadTimeoutMs);
            QCOMPARE(sent.progress.failures, QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
            QVERIFY2(sent.progress.details.value(0).contains(QStringLiteral("closed by the server")),
                     qPrintable(sent.progress.details.value(0)));
            QCOMPARE(sent.progress.positionsAtFailure, QList<int>{4});
        }
        {
            // A server that hangs up between two telegrams: the next
            // write fails (112) instead of waiting for a reply.
            QTcpServer listener;
            QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
            const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(listener.serverPort());
            std::unique_ptr<CSerialLink> link = CreateSerialPortLink();
            QCOMPARE(link->Open(url), CSerialLink::OpenResult::Opened);
            QVERIFY(listener.waitForNewConnection(5000));
            QTcpSocket* peer = listener.nextPendingConnection();
            QVERIFY(link->Write(HexBytes("02 01 03 01")));
            QVERIFY(peer->waitForReadyRead(5000));
            QCOMPARE(peer->readAll(), HexBytes("02 01 03 01"));
            peer->write(HexBytes("02 06"));
            QVERIFY(peer->waitForBytesWritten(5000));
            QByteArray reply;
            QVERIFY(link->Read(2, reply));
            QCOMPARE(reply, HexBytes("02 06"));
            peer->close();
            QVERIFY(!link->Write(HexBytes("02 02 05 03 80 03 84")));
            QVERIFY2(link->ErrorString().contains(QStringLiteral("closed by the server")), qPrintable(link->ErrorString()));
            link->Close();
            QVERIFY(!link->IsOpen());
        }
        {
            // A server that never answers: the read gives up after 1 s
            // with nothing, as on a serial line.
            QTcpServer listener;
            QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
            std::unique_ptr<CSerialLink> link = CreateSerialPortLink();
            QCOMPARE(link->Open(QStringLiteral("tcp://127.0.0.1:%1").arg(listener.serverPort())),
                     CSerialLink::OpenResult::Opened);
            QVERIFY(link->Write(HexBytes("02 01 03 01")));
            QElapsedTimer timer;
            timer.start();
            QByteArray reply;
            QVERIFY(link->Read(2, reply));
            QVERIFY(reply.isEmpty());
            QVERIFY(timer.elapsed() >= CSerialLink::kReadTimeoutMs - 50);
        }
    }

    void simulatorOnceRepeated()
    {
        // --once must not hang up before the client has read the last
        // reply: twenty transfers in a row, none reported failed.
        for (int run = 0; run < 20; ++run) {
            QProcess sim;
            sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            sim.start(QStringLiteral(QZM_SIM_PATH), {QStringLiteral("--once")});
            QVERIFY(sim.waitForReadyRead(10000));
            const QString portPath = QString::fromLocal8Bit(sim.readLine().trimmed());
            const ProcessRun result = RunCli({QStringLiteral("send"), kExample, QStringLiteral("--port"), portPath});
            QVERIFY2(result.code == 0, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(result.ErrText())));
            QVERIFY(sim.waitForFinished(10000));
            QCOMPARE(sim.exitCode(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "tst_serial_ports.moc"
