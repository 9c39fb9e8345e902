// Shell requests over the local socket: parsing, opening and printing.
#include "DesktopTestSupport.h"

#include "app/QZMApp.h"
#include "app/RunningInstance.h"
#include "app/ShellRegistration.h"
#include "app/ShellServer.h"
#include "document/QZMDoc.h"
#include "frame/MainFrame.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QLocalSocket>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(ShellRequest::Verb)

namespace {
// A version-3 file with one Read entry.
// Writes lines and collects reply lines until count have arrived.
QList<QByteArray> Ask(QLocalSocket& socket, const QByteArray& data, int count)
{
    socket.write(data);
    socket.flush();
    QByteArray received;
    while (received.count('\n') < count) {
        if (socket.bytesAvailable() == 0) {
            if (socket.state() != QLocalSocket::ConnectedState)
                break;
            QSignalSpy spy(&socket, &QLocalSocket::readyRead);
            if (!spy.wait(20000))
                break;
        }
        received += socket.readAll();
    }
    QList<QByteArray> lines = received.split('\n');
    lines.removeLast();
    return lines;
}
} // namespace

class TestShellServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
    }
    void cleanup() { QSettings().clear(); }

    void parsesStrictly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<ShellRequest::Verb>("verb");
        QTest::addColumn<QStringList>("arguments");
        using V = ShellRequest::Verb;
        QTest::newRow("open") << "[open(\"/data/plant.qzm\")]" << true << V::Open << QStringList{"/data/plant.qzm"};
        QTest::newRow("print") << "[print(\"/data/a b.qzm\")]" << true << V::Print << QStringList{"/data/a b.qzm"};
        QTest::newRow("printto") << "[printto(\"/d/a.qzm\",\"Laser\",\"drv\",\"LPT1:\")]" << true << V::PrintTo
                                 << QStringList{"/d/a.qzm", "Laser", "drv", "LPT1:"};
        QTest::newRow("doubled quote") << "[open(\"/d/say \"\"hi\"\".qzm\")]" << true << V::Open
                                       << QStringList{"/d/say \"hi\".qzm"};
        QTest::newRow("brackets and commas inside") << "[open(\"/d/x)],[y.qzm\")]" << true << V::Open
                                                    << QStringList{"/d/x)],[y.qzm"};
        QTest::newRow("empty driver and port") << "[printto(\"/a.qzm\",\"P\",\"\",\"\")]" << true << V::PrintTo
                                               << QStringList{"/a.qzm", "P", "", ""};
        const QStringList none;
        QTest::newRow("upper case verb") << "[OPEN(\"/a.qzm\")]" << false << V::Open << none;
        QTest::newRow("unknown verb") << "[delete(\"/a.qzm\")]" << false << V::Open << none;
        QTest::newRow("unquoted") << "[open(/a.qzm)]" << false << V::Open << none;
        QTest::newRow("blank before argument") << "[open( \"/a.qzm\")]" << false << V::Open << none;
        QTest::newRow("unterminated") << "[open(\"/a.qzm)]" << false << V::Open << none;
        QTest::newRow("missing bracket") << "[open(\"/a.qzm\")" << false << V::Open << none;
        QTest::newRow("trailing text") << "[open(\"/a.qzm\")]x" << false << V::Open << none;
        QTest::newRow("two commands") << "[open(\"/a.qzm\")][open(\"/b.qzm\")]" << false << V::Open << none;
        QTest::newRow("too many arguments") << "[open(\"/a.qzm\",\"x\")]" << false << V::Open << none;
        QTest::newRow("too few for printto") << "[printto(\"/a.qzm\",\"P\",\"d\")]" << false << V::Open << none;
        QTest::newRow("no printer") << "[printto(\"/a.qzm\",\"\",\"d\",\"p\")]" << false << V::Open << none;
        QTest::newRow("relative path") << "[open(\"a.qzm\")]" << false << V::Open << none;
        QTest::newRow("empty path") << "[open(\"\")]" << false << V::Open << none;
        QTest::newRow("control character") << QString("[open(\"/a\x01.qzm\")]") << false << V::Open << none;
        QTest::newRow("oversized") << QString("[open(\"/%1\")]").arg(QString(5000, 'a')) << false << V::Open << none;
        QTest::newRow("empty") << "" << false << V::Open << none;
    }

    void parsesStrictly()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(ShellRequest::Verb, verb);
        QFETCH(QStringList, arguments);
        const std::optional<ShellRequest> request = ParseShellRequest(text);
        QCOMPARE(request.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(request->verb, verb);
        QStringList got{request->path};
        if (verb == ShellRequest::Verb::PrintTo)
            got << request->printerName << request->driverName << request->portName;
        QCOMPARE(got, arguments);
    }

    void requestsOpenAndPrintFiles()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first, [one].qzm"));
        const QString second = dir.filePath(QStringLiteral("second.qzm"));
        WriteTestFile(first, SmallQzmFile());
        WriteTestFile(second, SmallQzmFile());
        ScriptedInteraction interaction;
        PdfPrinterSeam printers(dir.path());

        CQZMApp app(QStringList{"/dde"});
        app.SetPrinterSelector(printers.selector);
        app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        QVERIFY(frame->isVisible());
        QVERIFY(app.GetShellServer() && app.GetShellServer()->IsListening());
        QVERIFY(app.GetShellServer()->FullServerName().endsWith(
            QStringLiteral("test_shellserver-%1").arg(getuid())));

        QLocalSocket client;
        client.connectToServer(app.GetShellServer()->FullServerName());
        QVERIFY(client.waitForConnected(10000));

        frame->showMinimized();
        QString quoted = first;
        quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
        QCOMPARE(Ask(client, "[open(\"" + quoted.toUtf8() + "\")]\n", 1), QList<QByteArray>({"ok"}));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), first);
        QVERIFY(!frame->isMinimized());
        QVERIFY(frame->isVisible());
        QVERIFY(printers.jobs.isEmpty());

        QCOMPARE(Ask(client, "[print(\"" + second.toUtf8() + "\")]\r\n", 1), QList<QByteArray>({"ok"}));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), second);
        QCOMPARE(printers.jobs.size(), 1);
        QCOMPARE(PdfPageCount(printers.jobs.at(0)), 1);
        QVERIFY(printers.details_.at(0).printerName.isEmpty());
        QVERIFY(interaction.printDialogs.at(0).showDialog == false);

        // Print-to: the printer details reach the print job; requests sent
        // together are answered in order.
        QCOMPARE(Ask(client,
                     "[printto(\"" + first.toUtf8().replace("\"", "\"\"")
                         + "\",\"Office \"\"Laser\"\"\",\"drv\",\"LPT1:\")]\n[bogus]\n",
                     2),
                 QList<QByteArray>({"invalid", "ok"}));
        QCOMPARE(printers.jobs.size(), 2);
        QCOMPARE(printers.details_.at(1).printerName, QString("Office \"Laser\""));
        QCOMPARE(printers.details_.at(1).driverName, QString("drv"));
        QCOMPARE(printers.details_.at(1).portName, QString("LPT1:"));

        // A printer that is not there: the user is told, and so is the requester.
        printers.missingPrinters << QStringLiteral("Gone");
        QCOMPARE(Ask(client, "[printto(\"" + quoted.toUtf8() + "\",\"Gone\",\"drv\",\"LPT1:\")]\n", 1),
                 QList<QByteArray>({"failed"}));
        QCOMPARE(printers.jobs.size(), 2);
        QCOMPARE(interaction.messages.size(), 1);
        QCOMPARE(interaction.messages.at(0).text, QString("Command failed."));
        interaction.messages.clear();

        // A file that cannot be opened: the open reports it, nothing prints.
        QCOMPARE(Ask(client, "[print(\"" + dir.filePath("missing.qzm").toUtf8() + "\")]\n", 1),
                 QList<QByteArray>({"failed"}));
        QCOMPARE(printers.jobs.size(), 2);
        QCOMPARE(interaction.messages.size(), 1);

        // Garbage is refused without touching the document.
        QCOMPARE(Ask(client, "[open(\"relative.qzm\")]\n\xff\xfe\n[open(\"/a.qzm\") ]\n", 3),
                 QList<QByteArray>({"invalid", "invalid", "invalid"}));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), first);

        // A line that never ends is cut off.
        QCOMPARE(Ask(client, QByteArray(CShellServer::kMaxLineBytes + 10, 'x'), 1), QList<QByteArray>({"invalid"}));
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 20000);
    }

    void clientLeavingWhileBoxIsOpenLosesOnlyItsAnswer()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plant.qzm"));
        WriteTestFile(file, SmallQzmFile());
        ScriptedInteraction interaction;
        PdfPrinterSeam printers(dir.path());
        CQZMApp app(QStringList{"/dde"});
        app.SetPrinterSelector(printers.selector);
        app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
        QVERIFY(app.InitInstance());
        CShellServer* server = app.GetShellServer();

        auto* client = new QLocalSocket;
        client->connectToServer(server->FullServerName());
        QVERIFY(client->waitForConnected(10000));
        // The box about the missing file is open (its own event loop runs)
        // when the client hangs up; the server's end of it goes away under
        // the box.
        bool hungUp = false;
        interaction.SetMessageObserver([&](const MessageRequest&) {
            if (hungUp)
                return;
            hungUp = true;
            QEventLoop box;
            QTimer::singleShot(0, &box, [&] {
                client->abort();
                delete client;
                client = nullptr;
                QVERIFY(QTest::qWaitFor([&] { return server->ConnectionCount() == 0; }, 20000));
                box.quit();
            });
            box.exec();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
        // The request and the start of another that never comes.
        client->write("[print(\"" + dir.filePath("missing.qzm").toUtf8() + "\")]\n[open(\"/");
        client->flush();
        QVERIFY(QTest::qWaitFor([&] { return hungUp; }, 20000));
        QCOMPARE(interaction.messages.size(), 1);

        // The program goes on serving the next client.
        QLocalSocket next;
        next.connectToServer(server->FullServerName());
        QVERIFY(next.waitForConnected(10000));
        QCOMPARE(Ask(next, "[open(\"" + file.toUtf8() + "\")]\n", 1), QList<QByteArray>({"ok"}));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), file);
    }

    void queuesAreBounded()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plant.qzm"));
        WriteTestFile(file, SmallQzmFile());
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{"/dde"});
        app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
        QVERIFY(app.InitInstance());
        CShellServer* server = app.GetShellServer();

        QLocalSocket first;
        first.connectToServer(server->FullServerName());
        QVERIFY(first.waitForConnected(10000));
        QLocalSocket flood;
        flood.connectToServer(server->FullServerName());
        QVERIFY(flood.waitForConnected(10000));

        // Behind an open box: the same file asked three times waits once,
        // and past the limit requests are refused at once.
        const int distinct = 2 * CShellServer::kMaxPending;
        QList<QByteArray> whileOpen;
        int pendingWhileOpen = -1;
        bool boxShown = false;
        interaction.SetMessageObserver([&](const MessageRequest&) {
            if (boxShown)
                return;
            boxShown = true;
            QByteArray requests;
            for (int i = 0; i < 3; ++i)
                requests += "[open(\"" + file.toUtf8() + "\")]\n";
            for (int i = 0; i < distinct; ++i)
                requests += "[open(\"" + dir.filePath(QStringLiteral("gone%1.qzm").arg(i)).toUtf8() + "\")]\n";
            const int refused = distinct + 1 - CShellServer::kMaxPending;
            whileOpen = Ask(flood, requests, refused);
            pendingWhileOpen = server->PendingCount();
        });
        QCOMPARE(Ask(first, "[open(\"" + dir.filePath("missing.qzm").toUtf8() + "\")]\n", 1),
                 QList<QByteArray>({"failed"}));
        QCOMPARE(whileOpen, QList<QByteArray>(distinct + 1 - CShellServer::kMaxPending, "failed"));
        QCOMPARE(pendingWhileOpen, CShellServer::kMaxPending);

        // Once the box is closed the waiting ones run: the file once (all
        // three hear "ok"), the missing ones fail.
        QList<QByteArray> rest = Ask(flood, QByteArray(), 3 + CShellServer::kMaxPending - 1);
        QCOMPARE(rest.count("ok"), 3);
        QCOMPARE(rest.count("failed"), CShellServer::kMaxPending - 1);
        QCOMPARE(app.GetQZMDoc()->GetPathName(), file);
        QCOMPARE(interaction.messages.size(), 1 + CShellServer::kMaxPending - 1);

        // A client that does not read its answers is read no further, so
        // neither its requests nor its answers pile up in the program; once
        // it reads, it gets every answer.
        QLocalSocket deaf;
        deaf.setReadBufferSize(1);
        deaf.connectToServer(server->FullServerName());
        QVERIFY(deaf.waitForConnected(10000));
        const int lines = 256 * 1024;
        deaf.write(QByteArray(lines, '\n'));
        QVERIFY(QTest::qWaitFor([&] { return server->StalledConnectionCount() == 1; }, 20000));
        QVERIFY(deaf.bytesToWrite() > 0);
        deaf.setReadBufferSize(0);
        qint64 answers = 0;
        QVERIFY(QTest::qWaitFor([&] { answers += deaf.readAll().count('\n'); return answers >= lines; }, 60000));
        QCOMPARE(answers, qint64(lines));
        QCOMPARE(server->StalledConnectionCount(), 0);
    }

    void oneServerPerUser()
    {
        QString name;
        {
            CQZMApp app(QStringList{});
            app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
            QVERIFY(app.InitInstance());
            name = app.GetShellServer()->FullServerName();
            QVERIFY(app.GetShellServer()->IsListening());
            // A second instance leaves the live one alone.
            CShellServer second(ShellServerName(), [](const ShellRequest&) { return true; });
            QVERIFY(!second.Listen());
            QLocalSocket client;
            client.connectToServer(name);
            QVERIFY(client.waitForConnected(10000));
        }
#ifndef Q_OS_WIN
        // The socket left behind by a crashed instance is taken over.
        QVERIFY(MakeDeadSocketFile(name));
        QVERIFY(QFileInfo::exists(name));
#endif
        CShellServer next(ShellServerName(), [](const ShellRequest&) { return true; });
        QVERIFY(next.Listen());
        QCOMPARE(next.FullServerName(), name);
    }
};

QTEST_MAIN(TestShellServer)
#include "tst_shellserver.moc"
