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
#include "transfer/TransferHistory.h"
#include "transfer/TransferRecord.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

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

QList<QByteArray> Acks(int count)
{
    QList<QByteArray> replies;
    for (int i = 0; i < count; ++i)
        replies << HexBytes("02 06");
    return replies;
}

// Request, sizes, settings and n blocks all accepted, the last with 02 04.
QList<QByteArray> GoodReplies(int nBlocks)
{
    QList<QByteArray> replies = Acks(3 + nBlocks);
    if (nBlocks > 0)
        replies.last() = HexBytes("02 04");
    return replies;
}

struct Outcome
{
    bool succeeded = false;
    RecordingProgress progress;
};

// What an observer is told, in order.
class RecordingObserver : public CTransferObserver
{
public:
    void TransferStarted(const TransferRecord& r) override
    {
        events << QStringLiteral("start");
        record = r;
    }
    void ExchangeChanged(const TransferRecord& r, int index) override
    {
        events << QStringLiteral("%1 %2").arg(index).arg(TransferRecordFormat::JudgementName(r.exchanges.at(index).judgement));
        record = r;
    }
    void TransferFinished(const TransferRecord& r) override
    {
        events << QStringLiteral("end ") + TransferRecordFormat::OutcomeName(r.outcome);
        record = r;
    }
    QStringList events;
    TransferRecord record;
};

void Send(CQZMDoc& doc, LinkScript& script, Outcome& outcome)
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

    // First in this program, so the serial port plugin is not loaded yet:
    // qzm-cli's send threads ask for it at once, and each must get it.
    void linksMadeAtOnceAllReachThePlugin()
    {
        std::atomic<int> unavailable{0};
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        const int count = 32;
        for (int i = 0; i < count; ++i) {
            threads.emplace_back([&unavailable, &ready, count] {
                // All ask in the same moment.
                ++ready;
                while (ready.load() < count)
                    std::this_thread::yield();
                std::unique_ptr<CSerialLink> link = CreateSerialPortLink();
                link->Open(QStringLiteral("/nonexistent/port"));
                if (link->ErrorString().contains(QStringLiteral("could not be loaded")))
                    ++unavailable;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(unavailable.load(), 0);
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
        script.replies = GoodReplies(5);
        Outcome outcome;
        Send(doc, script, outcome);

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
        Send(doc, script, outcome);
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
            script.replies = GoodReplies(n);
            Outcome outcome;
            Send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QCOMPARE(script.written[1].mid(2, 2), QByteArray().append(char(nRead)).append(char(nWrite)));
        }
        {
            // 02 06 for the last block is a refusal...
            LinkScript script;
            script.replies = Acks(3 + n);
            Outcome outcome;
            Send(doc, script, outcome);
            QVERIFY(!outcome.succeeded);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
            QCOMPARE(outcome.progress.positionsAtFailure, QList<int>{n + 3});
        }
        if (n > 1) {
            // ...and so is 02 04 for any earlier one: nothing more is sent.
            LinkScript script;
            script.replies = Acks(3);
            script.replies << HexBytes("02 04");
            Outcome outcome;
            Send(doc, script, outcome);
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
        QTest::addColumn<QString>("judgement");

        const QByteArray ack = HexBytes("02 06"), nak = HexBytes("02 15");
        const int m112 = IDS_FAIL_TRANSMIT, m113 = IDS_FAIL_READ_DATA, m114 = IDS_QZM_NO_RESPONSE,
                  m116 = IDS_SIZES_INCORRECT;
        using L = QList<QByteArray>;
        // Three Read and two Write Block Memories: 8 replies in all.
        QTest::newRow("request silent") << L{} << -1 << -1 << m114 << 1 << 1 << QStringLiteral("no reply");
        QTest::newRow("request nak") << L{nak} << -1 << -1 << m114 << 1 << 1 << QStringLiteral("rejected");
        QTest::newRow("request short") << L{HexBytes("02")} << -1 << -1 << m114 << 1 << 1 << QStringLiteral("wrong length");
        QTest::newRow("request no stx") << L{HexBytes("03 06")} << -1 << -1 << m114 << 1 << 1 << QStringLiteral("bad frame");
        QTest::newRow("sizes silent") << L{ack} << -1 << -1 << m113 << 2 << 2 << QStringLiteral("no reply");
        QTest::newRow("sizes nak") << L{ack, nak} << -1 << -1 << m116 << 2 << 2 << QStringLiteral("rejected");
        QTest::newRow("sizes eot") << L{ack, HexBytes("02 04")} << -1 << -1 << m113 << 2 << 2 << QStringLiteral("unexpected");
        QTest::newRow("settings silent") << L{ack, ack} << -1 << -1 << m113 << 3 << 3 << QStringLiteral("no reply");
        QTest::newRow("settings nak") << L{ack, ack, nak} << -1 << -1 << m116 << 3 << 3 << QStringLiteral("rejected");
        QTest::newRow("block 2 nak") << L{ack, ack, ack, ack, nak} << -1 << -1 << m113 << 5 << 5 << QStringLiteral("rejected");
        QTest::newRow("block 1 silent") << L{ack, ack, ack} << -1 << -1 << m113 << 4 << 4 << QStringLiteral("no reply");
        // The third byte of the sizes reply starts the settings reply: 02 02.
        QTest::newRow("extra third byte") << L{ack, HexBytes("02 06 02"), ack} << -1 << -1 << m113 << 3 << 3 << QStringLiteral("bad frame");
        QTest::newRow("write fails") << Acks(8) << 2 << -1 << m112 << 3 << 2 << QStringLiteral("write failed");
        // The device hangs up during the third block: the read fails.
        QTest::newRow("read fails") << Acks(8) << -1 << 5 << m113 << 6 << 5 << QStringLiteral("read failed");
    }

    void refusals()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, failWriteAt);
        QFETCH(int, failReadAt);
        QFETCH(int, message);
        QFETCH(int, telegramsSent);
        QFETCH(int, barAtMessage);
        QFETCH(QString, judgement);

        CQZMDoc doc;
        FillDocument(doc, 3, 2);
        LinkScript script;
        script.replies = replies;
        script.failWriteAt = failWriteAt;
        script.failReadAt = failReadAt;
        Outcome outcome;
        CConfigTransfer transfer(&doc, outcome.progress, std::make_unique<ScriptedLink>(script));
        outcome.succeeded = RunConfigTransfer(transfer);

        // The record: one row per telegram written, all accepted but the
        // last, which carries the refusal; the message shown as outcome.
        const TransferRecord& record = transfer.Record();
        QCOMPARE(record.exchanges.size(), telegramsSent);
        for (int i = 0; i < telegramsSent; ++i) {
            const TransferExchange& e = record.exchanges.at(i);
            QCOMPARE(e.number, i + 1);
            QCOMPARE(e.sent, script.written.at(i));
            QCOMPARE(TransferRecordFormat::JudgementName(e.judgement),
                     i + 1 < telegramsSent ? QStringLiteral("accepted") : judgement);
            if (i > 0)
                QVERIFY(e.sentUs >= record.exchanges.at(i - 1).sentUs);
        }
        // Every byte the device sent shows up once: the replies as read,
        // then what was left on the line.
        QByteArray seen, put;
        for (const TransferExchange& e : record.exchanges)
            seen += e.received;
        seen += record.exchanges.last().after;
        for (int i = 0; i < telegramsSent && i != failWriteAt; ++i)
            put += replies.value(i);
        if (failReadAt < 0)
            QCOMPARE(seen, put);
        QCOMPARE(record.outcome, TransferRecord::Outcome::Failed);
        QCOMPARE(record.messageId, message);
        QCOMPARE(record.message, CStringTable::Load(message));
        QVERIFY(record.totalUs >= record.exchanges.last().sentUs);
        // The failure's detail text ends with the last exchanges in short.
        const QString detail = outcome.progress.details.value(0);
        QVERIFY2(detail.contains(QStringLiteral("Exchanges:")) || detail.contains(QStringLiteral("Last 4 of ")),
                 qPrintable(detail));
        QVERIFY2(detail.contains(QStringLiteral("#%1 ").arg(telegramsSent) + TransferRecordFormat::KindName(record.exchanges.last().kind)),
                 qPrintable(detail));
        QVERIFY(detail.contains(judgement));

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
            Send(doc, script, outcome);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
            // ...followed by what COM1 was mapped to and how to choose another.
            QCOMPARE(outcome.progress.details.size(), 1);
            QVERIFY(outcome.progress.details[0].startsWith(script.openError + QLatin1Char('\n')));
            QVERIFY2(outcome.progress.details[0].contains(QStringLiteral("COM1 is mapped to /dev/scripted-com1 by the "
                                                                         "environment variable QZM_COM1")),
                     qPrintable(outcome.progress.details[0]));
            QVERIFY(outcome.progress.details[0].contains(QStringLiteral("Serial Ports...")));
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
            Send(doc, script, outcome);
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
            Send(doc, script, outcome);
            QCOMPARE(outcome.progress.failures, QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
            QVERIFY(script.devicesOpened.isEmpty());
        }
        {
            // No progress display: nothing is opened.
            doc.SetSerialPort(1);
            LinkScript script;
            Outcome outcome;
            outcome.progress.canCreate = false;
            Send(doc, script, outcome);
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
            script.replies = GoodReplies(1);
            Outcome outcome;
            Send(doc, script, outcome);
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
            Send(doc, script, outcome);
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
            Send(doc, script, outcome);
            QVERIFY(!outcome.progress.created);
            QVERIFY(script.devicesOpened.isEmpty());
        }
        {
            interaction.QueueAnswer(MsgAnswer::No);
            LinkScript script;
            script.replies = GoodReplies(1);
            Outcome outcome;
            Send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QVERIFY(doc.IsModified());
            QVERIFY(doc.GetPathName().isEmpty());
        }
        {
            const QString path = dir.filePath(QStringLiteral("sent.qzm"));
            interaction.QueueAnswer(MsgAnswer::Yes);
            interaction.QueueFile(path);
            LinkScript script;
            script.replies = GoodReplies(1);
            Outcome outcome;
            Send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QVERIFY(!doc.IsModified());
            QVERIFY(QFile::exists(path));
        }
        {
            // Unmodified: no question at all.
            const qsizetype asked = interaction.messages.size();
            LinkScript script;
            script.replies = GoodReplies(1);
            Outcome outcome;
            Send(doc, script, outcome);
            QVERIFY(outcome.succeeded);
            QCOMPARE(interaction.messages.size(), asked);
        }
        QVERIFY(interaction.AllAnswersUsed());
    }

    void recordOfACompleteTransfer()
    {
        CQZMDoc doc;
        FillDocument(doc, 3, 2);
        LinkScript script;
        script.replies = GoodReplies(5);
        script.replies[3] = HexBytes("02 06 02 06"); // two bytes too many...
        script.replies[4] = QByteArray();             // ...make up for a silent block
        RecordingObserver observer;
        QStringList atWrite;
        script.onWrite = [&](const QByteArray&) { atWrite << observer.events.last(); };
        Outcome outcome;
        CConfigTransfer transfer(&doc, outcome.progress, std::make_unique<ScriptedLink>(script));
        transfer.SetObserver(&observer);
        QVERIFY(RunConfigTransfer(transfer));

        // Each telegram is shown waiting before it goes out, then judged.
        QCOMPARE(atWrite.size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(atWrite[i], QStringLiteral("%1 waiting").arg(i));
        QCOMPARE(observer.events.first(), QStringLiteral("start"));
        QCOMPARE(observer.events.last(), QStringLiteral("end ok"));
        QCOMPARE(observer.events.size(), 1 + 2 * 8 + 1);

        const TransferRecord& record = transfer.Record();
        QCOMPARE(observer.record.exchanges.size(), record.exchanges.size());
        QCOMPARE(record.outcome, TransferRecord::Outcome::Succeeded);
        QCOMPARE(record.messageId, 0);
        QCOMPARE(record.port, QStringLiteral("COM1"));
        QCOMPARE(record.device, QStringLiteral("/dev/scripted-com1"));
        QCOMPARE(record.readCount, 3);
        QCOMPARE(record.writeCount, 2);
        QStringList judgements;
        for (const TransferExchange& e : record.exchanges)
            judgements << TransferRecordFormat::JudgementName(e.judgement);
        QCOMPARE(judgements, (QStringList{QStringLiteral("accepted"), QStringLiteral("accepted"),
                                          QStringLiteral("accepted"), QStringLiteral("accepted"),
                                          QStringLiteral("accepted"), QStringLiteral("accepted"),
                                          QStringLiteral("accepted"), QStringLiteral("last block")}));
        QCOMPARE(record.exchanges[3].after, HexBytes("02 06"));
        QCOMPARE(record.exchanges[4].received, HexBytes("02 06"));
        QVERIFY(record.exchanges[4].after.isEmpty());
        QCOMPARE(record.exchanges[7].kind, Telegram::Kind::LastBlock);

        // Text: header, one line per exchange, outcome.
        const QStringList lines = TransferRecordFormat::Text(record).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Send All to COM1 (/dev/scripted-com1)")), qPrintable(lines[0]));
        QVERIFY2(lines[4].contains(QStringLiteral("received 02 06 +02 06")), qPrintable(lines[4]));
        QVERIFY(lines[8].contains(QStringLiteral("last block  sent 02 04 65 00 D1 07 03")));
        QVERIFY2(lines[9].startsWith(QStringLiteral("Outcome: ok after ")), qPrintable(lines[9]));
        // CSV: a header row, start, one row per exchange, end.
        const QStringList rows = TransferRecordFormat::Csv(record).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 1 + 1 + 8 + 1);
        QCOMPARE(rows[5].section(QLatin1Char(','), 2, 7).split(QLatin1Char(',')),
                 (QStringList{QStringLiteral("block"), QStringLiteral("02 04 0A 01 E8 03 03 E4"), QStringLiteral("02 06"),
                              QStringLiteral("02 06"), rows[5].section(QLatin1Char(','), 6, 6),
                              QStringLiteral("accepted")}));
        QVERIFY(rows.last().contains(QStringLiteral(",end,") ) && rows.last().contains(QStringLiteral(",ok,")));
        // JSON: the keys qzm-cli send prints per port, and the rows.
        const QJsonObject json = TransferRecordFormat::Json(record);
        QCOMPARE(json[QStringLiteral("port")].toString(), QStringLiteral("COM1"));
        QCOMPARE(json[QStringLiteral("outcome")].toString(), QStringLiteral("ok"));
        QCOMPARE(json[QStringLiteral("message")].toString(), QString());
        QVERIFY(json[QStringLiteral("time")].toDouble() >= 0);
        const QJsonArray exchanges = json[QStringLiteral("exchanges")].toArray();
        QCOMPARE(exchanges.size(), 8);
        QCOMPARE(exchanges[0].toObject()[QStringLiteral("sent")].toString(), QStringLiteral("02 01 03 01"));
        QCOMPARE(exchanges[7].toObject()[QStringLiteral("judgement")].toString(), QStringLiteral("last block"));
    }

    void replyJudgementsAgree()
    {
        // The record's judgement accepts exactly what the transfer accepts.
        const char bytes[] = {0x02, 0x03, 0x04, 0x06, 0x15, 0x00};
        QList<QByteArray> replies{QByteArray()};
        for (char a : bytes) {
            replies << QByteArray(1, a);
            for (char b : bytes)
                replies << (QByteArray(1, a) + b);
        }
        using K = Telegram::Kind;
        using J = TransferExchange::Judgement;
        for (K kind : {K::Request, K::Sizes, K::Settings, K::Block, K::LastBlock}) {
            for (const QByteArray& reply : replies) {
                const J judgement = ClassifyReply(kind, reply);
                const bool accepted = judgement == J::Accepted || judgement == J::LastBlock;
                QVERIFY2(accepted == (Telegram::JudgeReply(kind, reply) == 0), reply.toHex().constData());
                QVERIFY(judgement != J::Pending && judgement != J::WriteFailed && judgement != J::ReadFailed);
                if (reply == HexBytes("02 15"))
                    QCOMPARE(judgement, J::Rejected);
            }
        }
    }

    void historyKeepsTheLastTransfers()
    {
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        CTransferHistory history;
        QList<int> dropped;
        connect(&history, &CTransferHistory::oldestDropped, this, [&dropped](int count) { dropped << count; });
        for (int i = 0; i < CTransferHistory::kKeptTransfers + 2; ++i) {
            LinkScript script;
            script.replies = GoodReplies(1);
            if (i == CTransferHistory::kKeptTransfers + 1)
                script.replies[1] = HexBytes("02 15");
            Outcome outcome;
            CConfigTransfer transfer(&doc, outcome.progress, std::make_unique<ScriptedLink>(script));
            transfer.SetObserver(&history);
            RunConfigTransfer(transfer);
            QCOMPARE(history.Records().last().exchanges.size(), transfer.Record().exchanges.size());
            QCOMPARE(TransferRecordFormat::Text(history.Records().last()), TransferRecordFormat::Text(transfer.Record()));
        }
        QCOMPARE(history.Records().size(), CTransferHistory::kKeptTransfers);
        QCOMPARE(dropped, (QList<int>{1, 1}));
        QCOMPARE(history.Records().last().outcome, TransferRecord::Outcome::Failed);
        QCOMPARE(history.Records().last().exchanges.size(), 2);
        QCOMPARE(history.Records().first().outcome, TransferRecord::Outcome::Succeeded);

        // Nothing reaches the line when the port cannot be opened: one
        // record without exchanges, with the message and its reason.
        LinkScript refused;
        refused.openResult = CSerialLink::OpenResult::OpenFailed;
        refused.openError = QStringLiteral("busy");
        Outcome outcome;
        CConfigTransfer transfer(&doc, outcome.progress, std::make_unique<ScriptedLink>(refused));
        transfer.SetObserver(&history);
        RunConfigTransfer(transfer);
        QVERIFY(history.Records().last().exchanges.isEmpty());
        QCOMPARE(history.Records().last().messageId, IDS_COMM_PORT_FAIL);
        QCOMPARE(history.Records().last().reason, QStringLiteral("busy"));
        // The message adds what COM1 was mapped to and how to choose another.
        QCOMPARE(outcome.progress.details.size(), 1);
        QVERIFY(outcome.progress.details[0].startsWith(QStringLiteral("busy\nCOM1 is mapped to ")));

        history.Clear();
        QVERIFY(history.Records().isEmpty());
    }

    void againAfterFailure()
    {
        CQZMDoc doc;
        FillDocument(doc, 2, 0);
        LinkScript failing;
        failing.replies = {HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 15")};
        Outcome first;
        Send(doc, failing, first);
        QVERIFY(!first.succeeded);

        doc.SetSerialPort(2);
        qputenv("QZM_COM2", "/dev/scripted-com2");
        LinkScript again;
        again.replies = GoodReplies(2);
        Outcome second;
        Send(doc, again, second);
        qunsetenv("QZM_COM2");
        QVERIFY(second.succeeded);
        QCOMPARE(again.devicesOpened, QStringList{QStringLiteral("/dev/scripted-com2")});
        QCOMPARE(again.written.first(), HexBytes("02 01 03 01"));
        QCOMPARE(again.written.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestConfigTransfer)
#include "tst_config_transfer.moc"
