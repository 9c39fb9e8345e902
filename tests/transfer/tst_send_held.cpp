// Send All from the window holds its document: opens from a second start,
// drops and closing wait or are refused until the transfer ends.
#include "SimProcess.h"
#include "TransferTestSupport.h"

#include "app/QZMApp.h"
#include "app/ShellServer.h"
#include "frame/MainFrame.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/Telegram.h"

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
// What Send All puts on the line for this document, telegram by telegram.
QList<QByteArray> ExpectedTelegrams(CQZMDoc& doc)
{
    QList<QByteArray> telegrams{Telegram::BuildRequest(),
                                Telegram::BuildSizes(doc.ReadBlocks().size(), doc.WriteBlocks().size(), doc.BaudRate()),
                                Telegram::BuildSettings(doc.Parity(), doc.Timeout(), doc.Protocol())};
    for (const CBlockMemory* block : doc.ReadBlocks() + doc.WriteBlocks())
        telegrams << Telegram::BuildBlock(*block);
    return telegrams;
}

void SaveFilled(const QString& path, int nRead, int nWrite, int addressOffset)
{
    CQZMDoc doc;
    doc.OnNewDocument();
    FillDocument(doc, nRead, nWrite);
    for (CBlockMemory* block : doc.ReadBlocks() + doc.WriteBlocks())
        block->m_nAddress += addressOffset;
    QVERIFY(doc.OnSaveDocument(path));
}
} // namespace

class TestSendHeld : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void documentBeingSentStaysAsItWas()
    {
        QTemporaryDir dir;
        const QString big = dir.filePath(QStringLiteral("Big.qzm"));
        const QString other = dir.filePath(QStringLiteral("Other.qzm"));
        const QString dropped = dir.filePath(QStringLiteral("Dropped.qzm"));
        SaveFilled(big, 48, 48, 0);
        SaveFilled(other, 5, 5, 7);
        SaveFilled(dropped, 2, 2, 3);

        // A slow device: the whole transfer takes seconds.
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--delay"), QStringLiteral("15")}));
        qputenv("QZM_COM1", sim.Port().toLocal8Bit());

        ScriptedInteraction interaction;
        CQZMApp app(QStringList{big});
        QVERIFY(app.InitInstance());
        CShellServer* server = app.GetShellServer();
        QVERIFY(server && server->IsListening());
        CMainFrame* frame = app.GetMainFrame();
        // The program finds this one under its own name.
        QVERIFY(QFile::link(server->FullServerName(),
                            qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/qzm-%1").arg(::getuid())));

        // Early in the transfer a double-click starts a second program with
        // another file; later a file is dropped and the window asked to close.
        QProcess second;
        int waitingWhileSent = 0;
        bool closed = true;
        connect(&app.TransferHistory(), &CTransferHistory::exchangeChanged, this, [&](int, int index) {
            // Its request is taken in while the transfer runs, as a desktop's
            // event loop may deliver it.
            if (index == 4 && second.state() == QProcess::NotRunning) {
                second.start(QStringLiteral(QZM_PROGRAM), {other});
                (void)QTest::qWaitFor([&] { return server->PendingCount() > 0; }, 10000);
            }
            if (index == 60) {
                emit frame->filesDropped({dropped});
                closed = frame->close();
            }
            waitingWhileSent = qMax(waitingWhileSent, server->PendingCount());
        });
        QVERIFY(frame->SendCommand(ID_SEND_ALL));

        QVERIFY(interaction.messages.isEmpty());
        QVERIFY(!closed);
        QCOMPARE(waitingWhileSent, 2);
        CQZMDoc sent;
        QVERIFY(sent.OnOpenDocument(big));
        const QList<QByteArray> expected = ExpectedTelegrams(sent);
        const QJsonArray exchanges = sim.Received()[QStringLiteral("exchanges")].toArray();
        QCOMPARE(exchanges.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(QByteArray::fromHex(exchanges[i][QStringLiteral("telegram")].toString().toLatin1()), expected[i]);
        CompareWithDocument(sim.Received(), sent);

        // Then the waiting requests run in the order they came.
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(QTest::qWaitFor([&] { return app.GetQZMDoc()->GetPathName() == dropped; }, 10000));
        QCOMPARE(server->PendingCount(), 0);
        qunsetenv("QZM_COM1");
    }
};

QTEST_MAIN(TestSendHeld)
#include "tst_send_held.moc"
