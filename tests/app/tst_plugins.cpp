// The program as it is shipped: the parts that need Qt Print Support, Qt
// Serial Port and Qt Network come from their plugins on first use. This test
// is composed as the program is (no plugin linked in) and runs from a folder
// beside the program's, where it finds the built plugins.
#include "app/QZMApp.h"
#include "document/QZMDoc.h"
#include "editor/ReportPrinting.h"
#include "frame/MainFrame.h"
#include "framework/PluginLoader.h"
#include "framework/StandardIds.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPortInterface.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
QByteArray MappedFiles()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

// Waits up to timeoutMs for bytes on fd, keeping the event loop running.
QByteArray ReadWithin(int fd, int timeoutMs, int wanted)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < wanted && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, int(n));
        }
    }
    return got;
}
} // namespace

class TestPlugins : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { QSettings().clear(); }

    void pluginsLoadOnFirstUse()
    {
        QVERIFY2(QDir(PluginDirectory()).exists(), qPrintable(PluginDirectory()));
        for (const char* library : {"libQt6PrintSupport", "libQt6SerialPort", "libQt6Network"})
            QVERIFY2(!MappedFiles().contains(library), library);

        ScriptedInteraction interaction;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plant.qzm"));
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        // After the first frame the shell server came, with Qt Network.
        QVERIFY(app.GetShellServer());
        QVERIFY(MappedFiles().contains("libQt6Network"));
        QVERIFY(MappedFiles().contains(QFileInfo(PluginFilePath("shellserver")).fileName().toLocal8Bit()));
        QVERIFY(!MappedFiles().contains("libQt6PrintSupport"));
        QVERIFY(!MappedFiles().contains("libQt6SerialPort"));

        // The server of the plugin answers a shell request.
        app.GetQZMDoc()->SetModifiedFlag(false);
        QVERIFY(app.GetQZMDoc()->OnSaveDocument(file));
        app.OnFileNew();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        // The server's name: the program's name and the user, in the runtime folder.
        const QByteArray name = (qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/test_plugins-")
                                 + QString::number(::getuid()))
                                    .toLocal8Bit();
        QVERIFY(size_t(name.size()) < sizeof(address.sun_path));
        memcpy(address.sun_path, name.constData(), name.size());
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        const QByteArray request = "[open(\"" + file.toUtf8() + "\")]\n";
        QCOMPARE(::write(fd, request.constData(), request.size()), ssize_t(request.size()));
        QCOMPARE(ReadWithin(fd, 10000, 3), QByteArray("ok\n"));
        ::close(fd);
        QCOMPARE(app.GetQZMDoc()->GetPathName(), file);

        // Printing: the print dialog goes through the seam with a printer of
        // the plugin; a printer that is not there is refused.
        interaction.QueuePrint(false);
        QVERIFY(app.GetMainFrame()->SendCommand(ID_FILE_PRINT));
        QCOMPARE(interaction.printDialogs.size(), 1);
        QVERIFY(interaction.printDialogs.at(0).printer && interaction.printDialogs.at(0).showDialog);
        QVERIFY(interaction.messages.isEmpty());
        QVERIFY(MappedFiles().contains("libQt6PrintSupport"));
        QVERIFY(!PrintReport(*app.GetQZMDoc(), ReportPrintJob::Direct, nullptr,
                             {QStringLiteral("No Such Printer %1").arg(QCoreApplication::applicationPid()), {}, {}}));
        QCOMPARE(interaction.MessageTexts(),
                 QStringList({QStringLiteral("Nothing was printed: the printer \"No Such Printer %1\" is not available.")
                                  .arg(QCoreApplication::applicationPid())}));
        QVERIFY(!MappedFiles().contains("libQt6SerialPort"));

        // The serial link of the plugin carries bytes over a pseudo-terminal.
        int master = -1, slave = -1;
        char slaveName[256] = {};
        QCOMPARE(::openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
        std::unique_ptr<CSerialLink> link = CreateSerialPortLink();
        QVERIFY(MappedFiles().contains("libQt6SerialPort"));
        QCOMPARE(link->Open(QString::fromLocal8Bit(slaveName)), CSerialLink::OpenResult::Opened);
        QVERIFY(link->Write(QByteArray("\x02\x06", 2)));
        QCOMPARE(ReadWithin(master, 5000, 2), QByteArray("\x02\x06", 2));
        link->Close();
        QCOMPARE(link->Open(dir.filePath(QStringLiteral("no-such-port"))), CSerialLink::OpenResult::OpenFailed);
        ::close(slave);
        ::close(master);
    }

    void aMissingPluginIsReported()
    {
        const char* iid = qobject_interface_iid<CPrintingInterface*>();
        QVERIFY(!LoadPlugin("no-such-part", iid));
        QVERIFY(!PluginError("no-such-part").isEmpty());
        // Asked again, the answer stays.
        QVERIFY(!LoadPlugin("no-such-part", iid));

        // A plugin cut short is refused before the loader maps it, and
        // reported as a missing one is.
        QFile whole(PluginFilePath("printing"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        const struct { const char* name; qsizetype size; } cuts[] = {{"cut-half", bytes.size() / 2}, {"cut-head", 100}};
        for (const auto& cut : cuts) {
            QFile damaged(PluginFilePath(cut.name));
            const auto remove = qScopeGuard([&] { damaged.remove(); });
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(bytes.left(cut.size)) == cut.size);
            damaged.close();
            QVERIFY(!LoadPlugin(cut.name, iid));
            const QString missing = PluginError("no-such-part").replace(QLatin1String("no-such-part"), QLatin1String(cut.name));
            QVERIFY2(PluginError(cut.name).startsWith(missing.section(QStringLiteral(": ("), 0, 0) + QStringLiteral(": (")),
                     qPrintable(PluginError(cut.name)));
        }

        // A plugin file of another part or another version is refused by its
        // interface id, which Qt reads without opening the file.
        const QString copy = PluginFilePath("other-part");
        const QString older = PluginFilePath("older-part");
        const auto removeCopies = qScopeGuard([&] {
            QFile::remove(copy);
            QFile::remove(older);
        });
        QVERIFY(QFile::copy(PluginFilePath("printing"), copy) && QFile::copy(PluginFilePath("printing"), older));
        QVERIFY(!LoadPlugin("other-part", qobject_interface_iid<CSerialPortInterface*>()));
        QVERIFY2(PluginError("other-part").endsWith(QStringLiteral("is not the other-part plugin")),
                 qPrintable(PluginError("other-part")));
        QVERIFY(!LoadPlugin("older-part", QZM_PLUGIN_IID("Printing") ".1"));
        QVERIFY2(PluginError("older-part").endsWith(QStringLiteral("is of another version of the program")),
                 qPrintable(PluginError("older-part")));
        QVERIFY(!MappedFiles().contains(QFileInfo(copy).fileName().toLocal8Bit()));
        QVERIFY(!MappedFiles().contains(QFileInfo(older).fileName().toLocal8Bit()));
    }
};

QTEST_MAIN(TestPlugins)
#include "tst_plugins.moc"
