// The Send All procedure over a scripted link: order of telegrams, every
// refusal, the progress shown and the port's life.
#include "TransferTestSupport.h"

#include "document/QZMFormAccess.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/Telegram.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
class FakeFormView : public CView, public CQZMFormAccess
{
public:
    void OnUpdate(CView*, int, CObject*) override {}
    int GetBaudRateSelection() const override { return selection; }
    int selection = 0;
};

class PlainView : public CView
{
public:
    void OnUpdate(CView*, int, CObject*) override {}
};

QList<QByteArray> acks(int count)
{
    QList<QByteArray> replies;
    for (int i = 0; i < count; ++i)
        replies << HexBytes("02 06");
    return replies;
}

// Request, sizes, settings and n blocks all accepted, the last with 02 04.
QList<QByteArray> goodReplies(int nBlocks)
{
    QList<QByteArray> replies = acks(3 + nBlocks);
    if (nBlocks > 0)
        replies.last() = HexBytes("02 04");
    return replies;
}

struct Outcome
{
    bool succeeded = false;
    RecordingProgress progress;
};

void send(CQZMDoc& doc, LinkScript& script, Outcome& outcome)
{
    CConfigTransfer transfer(&doc, outcome.progress, std::make_unique<ScriptedLink>(script));
    outcome.succeeded = RunConfigTransfer(transfer);
}
} // namespace

class TestConfigTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
        qputenv("QZM_COM1", "/dev/scripted-com1");
    }

    void completeTransferInOrder()
    {
        CQZMDoc doc;
        FillDocument(doc, 3, 2);
        doc.SetParity(1);
        doc.SetTimeout(155);
        doc.SetProtocol(1);
        doc.SetBaudRate(0);
        const QByteArray before = DocumentBytes(doc);

        LinkScript script;
        script.replies = goodReplies(5);
        Outcome outcome;
        send(doc, script, outcome);

        QVERIFY(outcome.succeeded);
        QVERIFY(outcome.progress.failures.isEmpty());
        QCOMPARE(script.devicesOpened, QStringList{QStringLiteral("/dev/scripted-com1")});
        QCOMPARE(script.written.size(), 8);
        QCOMPARE(script.written[0], HexBytes("02 01 03 01"));
        // No view: byte 4 from the document (9600).
        QCOMPARE(script.written[1], HexBytes("02 02 03 02 00 03 03"));
        QCOMPARE(script.written[2], Telegram::BuildSettings(1, 155, 1));
        // Read 1, 2, 3 then Write 1, 2, by their addresses.
        const QList<int> addresses{10, 11, 12, 100, 101};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(int(quint8(script.written[3 + i].at(2))), addresses[i]);
        QCOMPARE(outcome.progress.upper, 8);
        QCOMPARE(outcome.progress.position, 8);
        QCOMPARE(outcome.progress.texts.first(), CStringTable::Load(IDS_PREPARING_PORT));
        QCOMPARE(outcome.progress.texts.size(), 9);
        QCOMPARE(outcome.progress.texts.last(), CStringTable::Load(IDS_TRANSFER_BLOCKS));
        QVERIFY(outcome.progress.destroyed);
        QCOMPARE(script.closes, 1);
        QCOMPARE(DocumentBytes(doc), before);
    }

    void hexDumpInTheLog()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qzm.transfer=true"));
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        LinkScript script;
        script.replies = {HexBytes("02 06"), HexBytes("02 15")};
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("opened")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^send +02 01 03 01$")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^reply +02 06$")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^send +02 02 01 00 80 03 83$")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^reply +02 15$")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("closed")));
        Outcome outcome;
        send(doc, script, outcome);
        QLoggingCategory::setFilterRules(QString());
    }

    void lastBlockExpectsEot_data()
    {
        QTest::addColumn<int>("nRead");
        QTest::addColumn<int>("nWrite");
        QTest::newRow("write only") << 0 << 1;
        QTest::newRow("read only") << 3 << 0;
        QTest::newRow("both") << 3 << 2;
    }

    void lastBlockExpectsEot()
    {
        QFETCH(int, nRead);
        QFETCH(int, nWrite);
        const int n = nRead + nWrite;
        CQZMDoc doc;
        FillDocument(doc, nRead, nWrite);
        {
            LinkScript script;
            script.replies = goodReplies(n);
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QCOMPARE(script.written[1].mid(2, 2), QByteArray().append(char(nRead)).append(char(nWrite)));
        }
        {
            // 02 06 for the last block is a refusal...
            LinkScript script;
            script.replies = acks(3 + n);
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(!outcome.succeeded);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
            QCOMPARE(outcome.progress.positionsAtFailure, QList<int>{n + 3});
        }
        if (n > 1) {
            // ...and so is 02 04 for any earlier one: nothing more is sent.
            LinkScript script;
            script.replies = acks(3);
            script.replies << HexBytes("02 04");
            Outcome outcome;
            send(doc, script, outcome);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
            QCOMPARE(script.written.size(), 4);
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("failWriteAt");
        QTest::addColumn<int>("failReadAt");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("telegramsSent");
        QTest::addColumn<int>("barAtMessage");

        const QByteArray ack = HexBytes("02 06"), nak = HexBytes("02 15");
        const int m112 = IDS_FAIL_TRANSMIT, m113 = IDS_FAIL_READ_DATA, m114 = IDS_QZM_NO_RESPONSE,
                  m116 = IDS_SIZES_INCORRECT;
        using L = QList<QByteArray>;
        // Three Read and two Write Block Memories: 8 replies in all.
        QTest::newRow("request silent") << L{} << -1 << -1 << m114 << 1 << 1;
        QTest::newRow("request nak") << L{nak} << -1 << -1 << m114 << 1 << 1;
        QTest::newRow("request short") << L{HexBytes("02")} << -1 << -1 << m114 << 1 << 1;
        QTest::newRow("request no stx") << L{HexBytes("03 06")} << -1 << -1 << m114 << 1 << 1;
        QTest::newRow("sizes silent") << L{ack} << -1 << -1 << m113 << 2 << 2;
        QTest::newRow("sizes nak") << L{ack, nak} << -1 << -1 << m116 << 2 << 2;
        QTest::newRow("sizes eot") << L{ack, HexBytes("02 04")} << -1 << -1 << m113 << 2 << 2;
        QTest::newRow("settings silent") << L{ack, ack} << -1 << -1 << m113 << 3 << 3;
        QTest::newRow("settings nak") << L{ack, ack, nak} << -1 << -1 << m116 << 3 << 3;
        QTest::newRow("block 2 nak") << L{ack, ack, ack, ack, nak} << -1 << -1 << m113 << 5 << 5;
        QTest::newRow("block 1 silent") << L{ack, ack, ack} << -1 << -1 << m113 << 4 << 4;
        // The third byte of the sizes reply starts the settings reply: 02 02.
        QTest::newRow("extra third byte") << L{ack, HexBytes("02 06 02"), ack} << -1 << -1 << m113 << 3 << 3;
        QTest::newRow("write fails") << acks(8) << 2 << -1 << m112 << 3 << 2;
        // The device hangs up during the third block: the read fails.
        QTest::newRow("read fails") << acks(8) << -1 << 5 << m113 << 6 << 5;
    }

    void refusals()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, failWriteAt);
        QFETCH(int, failReadAt);
        QFETCH(int, message);
        QFETCH(int, telegramsSent);
        QFETCH(int, barAtMessage);

        CQZMDoc doc;
        FillDocument(doc, 3, 2);
        LinkScript script;
        script.replies = replies;
        script.failWriteAt = failWriteAt;
        script.failReadAt = failReadAt;
        Outcome outcome;
        send(doc, script, outcome);

        QVERIFY(!outcome.succeeded);
        QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(message)});
        QCOMPARE(outcome.progress.positionsAtFailure, QList<int>{barAtMessage});
        QCOMPARE(script.written.size(), telegramsSent);
        QCOMPARE(outcome.progress.upper, 8);
        QVERIFY(outcome.progress.destroyed);
        QCOMPARE(script.closes, 1);
        QVERIFY(!script.open);
    }

    void portFailures()
    {
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        {
            // A port that cannot be opened: 110 with the system's reason.
            LinkScript script;
            script.openResult = CSerialLink::OpenResult::OpenFailed;
            script.openError = QStringLiteral("/dev/x: Permission denied");
            Outcome outcome;
            send(doc, script, outcome);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
            QCOMPARE(outcome.progress.details, QStringList{script.openError});
            QCOMPARE(outcome.progress.texts, QStringList{CStringTable::Load(IDS_PREPARING_PORT)});
            QVERIFY(script.written.isEmpty());
            QCOMPARE(script.closes, 0);
            QVERIFY(outcome.progress.destroyed);
        }
        {
            // Line settings refused: no message, nothing sent, port closed.
            LinkScript script;
            script.openResult = CSerialLink::OpenResult::SettingsFailed;
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(!outcome.succeeded);
            QVERIFY(outcome.progress.failures.isEmpty());
            QVERIFY(script.written.isEmpty());
            QCOMPARE(script.closes, 1);
        }
        for (int port : {0, 5, -1}) {
            // A port number outside 1..4 names no port.
            doc.SetSerialPort(port);
            LinkScript script;
            Outcome outcome;
            send(doc, script, outcome);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
            QVERIFY(script.devicesOpened.isEmpty());
        }
        {
            // No progress display: nothing is opened.
            doc.SetSerialPort(1);
            LinkScript script;
            Outcome outcome;
            outcome.progress.canCreate = false;
            send(doc, script, outcome);
            QVERIFY(script.devicesOpened.isEmpty());
        }
    }

    void realPortOpenFailures()
    {
        // Only a device that opens but takes no line settings fails
        // silently; every failed open is reported with message 110.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plain"));
        QFile(file).open(QIODevice::WriteOnly);
        std::unique_ptr<CSerialLink> link = CreateSerialPortLink();
        QCOMPARE(link->Open(dir.path()), CSerialLink::OpenResult::OpenFailed);
        QVERIFY(!link->ErrorString().isEmpty());
        QCOMPARE(link->Open(file + QStringLiteral("/port")), CSerialLink::OpenResult::OpenFailed);
        QCOMPARE(link->Open(dir.filePath(QStringLiteral("missing"))), CSerialLink::OpenResult::OpenFailed);
        QCOMPARE(link->Open(file), CSerialLink::OpenResult::SettingsFailed);
        QVERIFY(!link->IsOpen());
    }

    void portMapping()
    {
        QCOMPARE(SerialPortDevice(1), QStringLiteral("/dev/scripted-com1"));
        QSettings().setValue(QStringLiteral("Serial Ports/COM2"), QStringLiteral("/dev/from-settings"));
        QCOMPARE(SerialPortDevice(2), QStringLiteral("/dev/from-settings"));
        qputenv("QZM_COM2", "/dev/from-env");
        QCOMPARE(SerialPortDevice(2), QStringLiteral("/dev/from-env"));
        qunsetenv("QZM_COM2");
#ifdef Q_OS_LINUX
        QCOMPARE(SerialPortDevice(4), QStringLiteral("/dev/ttyS3"));
#endif
        QCOMPARE(SerialPortName(3), QStringLiteral("COM3"));
        QVERIFY(SerialPortDevice(0).isEmpty());
        QVERIFY(SerialPortDevice(5).isEmpty());
    }

    void baudRateByte()
    {
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        auto byte4 = [&doc] {
            LinkScript script;
            script.replies = goodReplies(1);
            Outcome outcome;
            send(doc, script, outcome);
            return int(quint8(script.written.value(1, QByteArray(7, 0)).at(4)));
        };
        doc.SetBaudRate(1);
        QCOMPARE(byte4(), 0x80);
        doc.SetBaudRate(0);
        QCOMPARE(byte4(), 0x00);

        // With a form: its selection, not the document's value.
        FakeFormView form;
        doc.AddView(&form);
        doc.SetBaudRate(1);
        form.selection = 0;
        QCOMPARE(byte4(), 0x00);
        form.selection = -1;
        doc.SetBaudRate(0);
        QCOMPARE(byte4(), 0x80);
        doc.RemoveView(&form);

        // A view that cannot tell counts as no selection.
        PlainView plain;
        doc.AddView(&plain);
        QCOMPARE(byte4(), 0x80);
        doc.RemoveView(&plain);
    }

    void savePrompt()
    {
        QTemporaryDir dir;
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        doc.SetTitle(QStringLiteral("Untitled"));
        doc.SetModifiedFlag(true);
        ScriptedInteraction interaction;
        {
            interaction.QueueAnswer(MsgAnswer::Cancel);
            LinkScript script;
            Outcome outcome;
            send(doc, script, outcome);
            QCOMPARE(interaction.messages.size(), 1);
            QCOMPARE(interaction.messages[0].text, QStringLiteral("Save changes to Untitled?"));
            QVERIFY(!outcome.progress.created);
            QVERIFY(script.devicesOpened.isEmpty());
            QVERIFY(doc.IsModified());
        }
        {
            // A cancelled file-name dialog ends it too.
            interaction.QueueAnswer(MsgAnswer::Yes);
            interaction.QueueFile(std::nullopt);
            LinkScript script;
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(!outcome.progress.created);
            QVERIFY(script.devicesOpened.isEmpty());
        }
        {
            interaction.QueueAnswer(MsgAnswer::No);
            LinkScript script;
            script.replies = goodReplies(1);
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QVERIFY(doc.IsModified());
            QVERIFY(doc.GetPathName().isEmpty());
        }
        {
            const QString path = dir.filePath(QStringLiteral("sent.qzm"));
            interaction.QueueAnswer(MsgAnswer::Yes);
            interaction.QueueFile(path);
            LinkScript script;
            script.replies = goodReplies(1);
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QVERIFY(!doc.IsModified());
            QVERIFY(QFile::exists(path));
        }
        {
            // Unmodified: no question at all.
            const qsizetype asked = interaction.messages.size();
            LinkScript script;
            script.replies = goodReplies(1);
            Outcome outcome;
            send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QCOMPARE(interaction.messages.size(), asked);
        }
        QVERIFY(interaction.AllAnswersUsed());
    }

    void againAfterFailure()
    {
        CQZMDoc doc;
        FillDocument(doc, 2, 0);
        LinkScript failing;
        failing.replies = {HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 15")};
        Outcome first;
        send(doc, failing, first);
        QVERIFY(!first.succeeded);

        doc.SetSerialPort(2);
        qputenv("QZM_COM2", "/dev/scripted-com2");
        LinkScript again;
        again.replies = goodReplies(2);
        Outcome second;
        send(doc, again, second);
        qunsetenv("QZM_COM2");
        QVERIFY(second.succeeded);
        QCOMPARE(again.devicesOpened, QStringList{QStringLiteral("/dev/scripted-com2")});
        QCOMPARE(again.written.first(), HexBytes("02 01 03 01"));
        QCOMPARE(again.written.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestConfigTransfer)
#include "tst_config_transfer.moc"
