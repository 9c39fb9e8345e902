#include "support/DocumentHelpers.h"

#include "document/TextReport.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QByteArray kStars = QByteArray(50, '*') + "\r\n\r\n";

QByteArray Head(const char* name, const char* description, const char* protocol, const char* baud,
                const char* parity, const char* timeout)
{
    return QByteArray("Zelvra\r\nQZM Application\r\nFile: ") + name + "\r\n\r\n" + "Description of this QZM: "
        + description + "\r\n\r\nSettings:\r\n    Protocol: " + protocol + "\r\n    Baudrate: " + baud
        + " bps\r\n    Parity: " + parity + "\r\n    Timeout: " + timeout + " msec\r\n\r\n" + kStars;
}

QByteArray Entry(const char* kind, const char* n, const QByteArray& description, const char* address,
                 const char* numberLine)
{
    return QByteArray(kind) + " Block Memory " + n + "\r\n---------------------\r\n"
        + "Description of this Block Memory: " + description + "\r\nAddress in Network: " + address + "\r\n"
        + numberLine + "\r\n\r\n";
}

const QString kFolderKey = QStringLiteral("Global Information/Teleg File Path");
} // namespace

class TestTextReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void reportNames()
    {
        QCOMPARE(ReportNameFromTitle("plant.qzm"), QString("plant.txt"));
        QCOMPARE(ReportNameFromTitle("plant"), QString("plant.txt"));
        QCOMPARE(ReportNameFromTitle("my.plant.qzm"), QString("my.txt"));
        QCOMPARE(ReportNameFromTitle("Untitled"), QString("Untitled.txt"));
        QCOMPARE(ReportNameFromTitle(".qzm"), QString(".txt"));
    }

    void emptyDocument()
    {
        CQZMDoc doc;
        QCOMPARE(BuildTextReport(doc, "Untitled.txt"),
                 Head("Untitled.txt", "", "Zelvra", "19200", "EVEN", "100") + kStars);
    }

    void oneDefaultReadEntry()
    {
        CQZMDoc doc;
        doc.InsertBlock(CQZMDoc::List::Read);
        const QByteArray expected = "Zelvra\r\n"
                                    "QZM Application\r\n"
                                    "File: Untitled.txt\r\n\r\n"
                                    "Description of this QZM: \r\n\r\n"
                                    "Settings:\r\n"
                                    "    Protocol: Zelvra\r\n"
                                    "    Baudrate: 19200 bps\r\n"
                                    "    Parity: EVEN\r\n"
                                    "    Timeout: 100 msec\r\n\r\n"
                                    "**************************************************\r\n\r\n"
                                    "Read Block Memory 01\r\n"
                                    "---------------------\r\n"
                                    "Description of this Block Memory: \r\n"
                                    "Address in Network: 1\r\n"
                                    "Parameter: P0\r\n\r\n"
                                    "**************************************************\r\n\r\n";
        QCOMPARE(BuildTextReport(doc, "Untitled.txt"), expected);
    }

    void settingsAndBasicVariables()
    {
        CQZMDoc doc;
        doc.SetProtocol(1);
        doc.SetBaudRate(0);
        doc.SetParity(1);
        doc.SetTimeout(1000);
        doc.SetDescription("Boiler room\r\nsecond line");
        AddBlock(doc, CQZMDoc::List::Read, "Temp \xe9", 12, 12, 0);
        AddBlock(doc, CQZMDoc::List::Write, "Set\r\npoint", 247, 9999, 1);
        AddBlock(doc, CQZMDoc::List::Write, "", -3, -40, 5);
        QCOMPARE(BuildTextReport(doc, "plant.txt"),
                 Head("plant.txt", "Boiler room\r\nsecond line", "MODBUS-RTU", "9600", "ODD", "1000")
                     + Entry("Read", "01", "Temp \xe9", "12", "Basic Variable: VB12") + kStars
                     + Entry("Write", "01", "Set\r\npoint", "247", "Parameter: P9999")
                     + Entry("Write", "02", "", "-3", "Parameter: P-40"));

        // Values the editor never stores still print as the last choice.
        doc.SetProtocol(7);
        doc.SetBaudRate(-1);
        doc.SetParity(2);
        QVERIFY(BuildTextReport(doc, "x.txt").contains("Protocol: MODBUS-RTU\r\n    Baudrate: 19200 bps\r\n    Parity: NONE\r\n"));
        doc.SetParity(-5);
        QVERIFY(BuildTextReport(doc, "x.txt").contains("    Parity: NONE\r\n"));
        doc.SetTimeout(-7);
        QVERIFY(BuildTextReport(doc, "x.txt").contains("    Timeout: -7 msec\r\n\r\n"));
    }

    void fullLists()
    {
        CQZMDoc doc;
        for (int i = 0; i < 48; ++i) {
            AddBlock(doc, CQZMDoc::List::Read, "r" + QByteArray::number(i), i + 1, i, 1);
            AddBlock(doc, CQZMDoc::List::Write, "w" + QByteArray::number(i), i + 1, 100 + i, 0);
        }
        QByteArray expected = Head("big.txt", "", "Zelvra", "19200", "EVEN", "100");
        for (int i = 0; i < 48; ++i) {
            const QByteArray n = QByteArray::number(i + 1).rightJustified(2, '0');
            expected += Entry("Read", n, "r" + QByteArray::number(i), QByteArray::number(i + 1),
                              "Parameter: P" + QByteArray::number(i));
        }
        expected += kStars;
        for (int i = 0; i < 48; ++i) {
            const QByteArray n = QByteArray::number(i + 1).rightJustified(2, '0');
            expected += Entry("Write", n, "w" + QByteArray::number(i), QByteArray::number(i + 1),
                              "Basic Variable: VB" + QByteArray::number(100 + i));
        }
        const QByteArray report = BuildTextReport(doc, "big.txt");
        QCOMPARE(report, expected);
        QVERIFY(report.contains("Read Block Memory 09\r\n") && report.contains("Write Block Memory 48\r\n"));
    }

    void createTextFileCommand()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("reports"));
        CQZMDoc doc;
        doc.SetTitle("my.plant.qzm");
        doc.SetDescription("line 1\r\nline 2");
        AddBlock(doc, CQZMDoc::List::Read, "r", 5, 6, 0);
        doc.SetModifiedFlag(true);
        ScriptedInteraction ui;

        // Always available, also with both lists empty.
        CQZMDoc empty;
        CCmdUI state(ID_CREATE_TEXT_FILE);
        state.Enable(false);
        empty.OnCmdMsg(ID_CREATE_TEXT_FILE, &state);
        QVERIFY(state.m_bEnabled);

        // Cancel: nothing written, nothing stored.
        ui.QueueFile(std::nullopt);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        const FileDialogRequest& first = ui.fileDialogs.last();
        QVERIFY(first.mode == FileDialogRequest::Mode::Save);
        QCOMPARE(first.initialPath, QString("my.txt"));
        QCOMPARE(first.filters, QStringList({"Text Files (*.txt)", "All Files (*.*)"}));
        QCOMPARE(first.defaultSuffix, QString("txt"));
        QVERIFY(first.confirmOverwrite);
        QVERIFY(!QSettings().contains(kFolderKey));

        // The report shows its own name even under another chosen name, and
        // replaces what was there.
        const QString path = dir.filePath("reports/other.txt");
        WriteTestFile(path, QByteArray(5000, 'x'));
        ui.QueueFile(path);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(ReadTestFile(path), BuildTextReport(doc, "my.txt"));
        QVERIFY(ReadTestFile(path).contains("File: my.txt\r\n"));
        QCOMPARE(QSettings().value(kFolderKey).toString(), QDir::toNativeSeparators(dir.filePath("reports/")));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.ReadBlocks().size(), 1);

        // The next report starts in that folder.
        ui.QueueFile(std::nullopt);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        QCOMPARE(ui.fileDialogs.last().initialPath, QDir::toNativeSeparators(dir.filePath("reports/")) + "my.txt");
        QCOMPARE(QSettings().value(kFolderKey).toString(), QDir::toNativeSeparators(dir.filePath("reports/")));
    }

    void createTextFileFailures()
    {
        QTemporaryDir dir;
        CQZMDoc doc;
        doc.SetTitle("Untitled");
        ScriptedInteraction ui;

        // The folder is stored before the file fails.
        const QString bad = dir.filePath("gone/r.txt");
        ui.QueueFile(bad);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        QCOMPARE(ui.MessageTexts(), QStringList{QString("%1 contains an invalid path.").arg(QDir::toNativeSeparators(bad))});
        QVERIFY(ui.messages.last().icon == MessageRequest::Icon::Stop);
        QCOMPARE(QSettings().value(kFolderKey).toString(), QDir::toNativeSeparators(dir.filePath("gone/")));

        ui.QueueFile(dir.path());
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        QCOMPARE(ui.messages.last().text, QString("%1 is a folder, not a file.").arg(QDir::toNativeSeparators(dir.path())));

#ifdef Q_OS_UNIX
        // A named pipe nobody reads: refused at once, not waited on. Should
        // the command wait, a reader comes by, so a fault shows as a wrong
        // outcome rather than a hung test.
        const QString fifo = dir.filePath("pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::thread rescuer([&] {
            std::unique_lock lock(mutex);
            if (finished.wait_for(lock, std::chrono::seconds(5), [&] { return done; }))
                return;
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
            finished.wait(lock, [&] { return done; });
            ::close(fd);
        });
        ui.QueueFile(fifo);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
        rescuer.join();
        QCOMPARE(ui.messages.last().text, QString("%1 is a pipe, not a file.").arg(fifo));
        ui.QueueFile(QString("/dev/null"));
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        QCOMPARE(ui.messages.last().text, QString("/dev/null is a device, not a file."));

        // A write cut short by the file-size limit.
        for (int i = 0; i < 10; ++i)
            doc.InsertBlock(CQZMDoc::List::Read);
        const QString path = dir.filePath("r.txt");
        ui.QueueFile(path);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        QVERIFY(doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr));
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        QCOMPARE(ui.messages.last().text, QString("Disk full while accessing %1.").arg(QDir::toNativeSeparators(path)));
        QVERIFY(ui.messages.last().icon == MessageRequest::Icon::Stop);
        QCOMPARE(ui.messages.size(), 5);
#endif
    }
};

QTEST_GUILESS_MAIN(TestTextReport)
#include "tst_textreport.moc"
