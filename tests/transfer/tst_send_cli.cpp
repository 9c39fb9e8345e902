// qzm-cli send against qzm-sim over the real serial port code.
#include "SimProcess.h"

#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QJsonParseError>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
ProcessRun Send(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    return RunToEnd(cli, QStringLiteral(QZM_CLI_PATH), QStringList{QStringLiteral("send")} + arguments, {}, 30000);
}

const QString kExample = QStringLiteral(QZM_EXAMPLE_PATH);

// qzm-cli as a shell with "ulimit -f" or "ulimit -n" starts it: the limit
// set, SIGXFSZ as the system has it.
ProcessRun RunLimited(const QStringList& arguments, int resource, rlim_t soft, rlim_t hard,
                      const QByteArray& input = {})
{
    QProcess cli;
    cli.setChildProcessModifier([=] {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{soft, hard};
        ::setrlimit(resource, &limit);
    });
    return RunToEnd(cli, QStringLiteral(QZM_CLI_PATH), arguments, input, 60000);
}
} // namespace

class TestSendCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void sendsTheDocument()
    {
        SimProcess sim;
        QVERIFY(sim.Start());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QZM_COM3"), sim.Port());
        const ProcessRun result = Send({kExample, QStringLiteral("--port"), QStringLiteral("COM3")}, environment);
        QCOMPARE(result.code, 0);
        QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_PREPARING_PORT)), qPrintable(result.ErrText()));
        QVERIFY(result.ErrText().contains(CStringTable::Load(IDS_SENDING_SETTINGS)));
        const QString out = QString::fromUtf8(result.out);
        QVERIFY2(out.startsWith(QStringLiteral("COM3 (%1): ok in ").arg(sim.Port())), qPrintable(out));
        QVERIFY(out.endsWith(QStringLiteral("s: Sent 5 Read and 3 Write Block Memories; all 11 replies accepted.\n")));

        CQZMDoc doc;
        QVERIFY(doc.OnOpenDocument(kExample));
        QVERIFY(doc.ReadBlocks().size() > 0 && doc.WriteBlocks().size() > 0);
        CompareWithDocument(sim.Received(), doc);
    }

    void failuresExitNonZero()
    {
        {
            // A silent device: the request's reply times out after 1 s.
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--no-reply"), QStringLiteral("1")}));
            const ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 1);
            // The stages, then the message with the last exchanges indented.
            QVERIFY2(result.ErrText().startsWith(QStringLiteral("%1\n[1/11] %2\nqzm-cli send: %3: %4\n  Exchanges:\n  #1 ")
                                               .arg(CStringTable::Load(IDS_PREPARING_PORT),
                                                    CStringTable::Load(IDS_REQUEST_TRANSFER), sim.Port(),
                                                    CStringTable::Load(IDS_QZM_NO_RESPONSE))),
                     qPrintable(result.ErrText()));
            QVERIFY(QString::fromUtf8(result.out).startsWith(sim.Port() + QStringLiteral(": failed in ")));
            QCOMPARE(sim.Received()["telegrams"].toInt(), 1);
        }
        {
            // A device that never answers, whatever it is sent.
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--no-reply"), QStringLiteral("*")}));
            const ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 1);
            QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_QZM_NO_RESPONSE)), qPrintable(result.ErrText()));
        }
        {
            // The device hangs up at the second block: the read fails.
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--hangup"), QStringLiteral("5")}));
            const ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 1);
            QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_FAIL_READ_DATA)), qPrintable(result.ErrText()));
            // The detail says what happened, not the stale errno the
            // system's text would name after a hang-up.
            QVERIFY2(result.ErrText().contains(QStringLiteral("\n  read: the port is no longer available (the device hung up "
                                                        "or was removed)\n")),
                     qPrintable(result.ErrText()));
            QVERIFY(!result.ErrText().contains(QStringLiteral("No such file or directory")));
        }
        {
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--reply"), QStringLiteral("2:0215"), QStringLiteral("--extra-byte"),
                               QStringLiteral("4")}));
            ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 1);
            QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_SIZES_INCORRECT)), qPrintable(result.ErrText()));

            // A third byte in the sizes reply is read as the start of the
            // settings reply (02 02), which is refused.
            result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 1);
            QVERIFY2(result.ErrText().contains(CStringTable::Load(IDS_FAIL_READ_DATA)), qPrintable(result.ErrText()));
            QVERIFY(result.ErrText().contains(CStringTable::Load(IDS_SENDING_SETTINGS)));

            // The next Send All starts afresh with the request and succeeds.
            result = Send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.code, 0);
            QCOMPARE(sim.Received()["transfers"].toInt(), 1);
        }
    }

    // One process sends to several units at once; each transfer is the
    // single one, and a silent unit holds up no other.
    void sendsToSeveralPortsAtOnce()
    {
        CQZMDoc doc;
        QVERIFY(doc.OnOpenDocument(kExample));
        SimProcess good[3];
        SimProcess silent;
        QVERIFY(silent.Start({QStringLiteral("--no-reply"), QStringLiteral("*")}));
        QStringList arguments{kExample, QStringLiteral("--json"), QStringLiteral("--port"), silent.Port()};
        for (SimProcess& sim : good) {
            QVERIFY(sim.Start());
            arguments << QStringLiteral("--port") << sim.Port();
        }
        const ProcessRun result = Send(arguments);
        QCOMPARE(result.code, 1);
        const QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QStringList okPorts;
        for (int i = 0; i < lines.size(); ++i) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(lines[i].toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QVERIFY(o["time"].isDouble() && o["time"].toDouble() > 0);
            QCOMPARE(o["device"].toString(), o["port"].toString());
            if (o["port"].toString() == silent.Port()) {
                // The silent unit's one-second time-out ends after every
                // good unit has finished.
                QCOMPARE(i, 3);
                QCOMPARE(o["outcome"].toString(), QStringLiteral("failed"));
                QCOMPARE(o["message"].toString(), CStringTable::Load(IDS_QZM_NO_RESPONSE));
            } else {
                QCOMPARE(o["outcome"].toString(), QStringLiteral("ok"));
                QCOMPARE(o["message"].toString(), QString());
                QCOMPARE(o["exchanges"].toArray().size(), 11);
                okPorts << o["port"].toString();
            }
        }
        QCOMPARE(okPorts.size(), 3);
        // No stage lines when several ports run at once; the failure is a
        // message on stderr as well.
        QVERIFY2(result.ErrText().startsWith(QStringLiteral("qzm-cli send: %1: %2\n  Exchanges:\n")
                                           .arg(silent.Port(), CStringTable::Load(IDS_QZM_NO_RESPONSE))),
                 qPrintable(result.ErrText()));
        QCOMPARE(result.ErrText().count(QStringLiteral("qzm-cli send: ")), 1);
        for (SimProcess& sim : good) {
            QVERIFY(okPorts.contains(sim.Port()));
            CompareWithDocument(sim.Received(), doc);
            QCOMPARE(sim.Received()["transfers"].toInt(), 1);
        }

        // Every port succeeding is exit code 0, one text line each.
        QStringList all{kExample};
        for (SimProcess& sim : good)
            all << QStringLiteral("--port") << sim.Port();
        const ProcessRun allGood = Send(all);
        QCOMPARE(allGood.code, 0);
        QCOMPARE(allGood.ErrText(), QString());
        QCOMPARE(allGood.out.count(": ok in "), 3);
        for (SimProcess& sim : good)
            QCOMPARE(sim.Received()["transfers"].toInt(), 2);
    }

    void recordMatchesTheDevice_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("message");
        QTest::addColumn<QStringList>("judgements");   // after those accepted
        QTest::addColumn<int>("rows");

        const QString accepted = QStringLiteral("accepted");
        auto s = [](const char* text) { return QString::fromLatin1(text); };
        QTest::newRow("complete") << QStringList{} << 0 << 0 << QStringList{s("last block")} << -1;
        QTest::newRow("no reply") << QStringList{s("--no-reply"), s("3")} << 1 << IDS_FAIL_READ_DATA
                                  << QStringList{s("no reply")} << 3;
        QTest::newRow("reply nak") << QStringList{s("--reply"), s("2:0215")} << 1 << IDS_SIZES_INCORRECT
                                   << QStringList{s("rejected")} << 2;
        QTest::newRow("reply short") << QStringList{s("--reply"), s("1:02")} << 1 << IDS_QZM_NO_RESPONSE
                                     << QStringList{s("wrong length")} << 1;
        // The extra byte after the first block's reply starts the second's.
        QTest::newRow("extra byte") << QStringList{s("--extra-byte"), s("4")} << 1 << IDS_FAIL_READ_DATA
                                    << QStringList{accepted, s("bad frame")} << 5;
        // A reply after the read time-out is no reply, but the record has it.
        QTest::newRow("late reply") << QStringList{s("--delay"), s("1:1300")} << 1 << IDS_QZM_NO_RESPONSE
                                    << QStringList{s("no reply")} << 1;
        QTest::newRow("slow reply") << QStringList{s("--delay"), s("2:300")} << 0 << 0
                                    << QStringList{s("last block")} << -1;
        QTest::newRow("hang-up") << QStringList{s("--hangup"), s("5")} << 1 << IDS_FAIL_READ_DATA
                                 << QStringList{s("read failed")} << 5;
    }

    void recordMatchesTheDevice()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(int, message);
        QFETCH(QStringList, judgements);
        QFETCH(int, rows);

        CQZMDoc doc;
        QVERIFY(doc.OnOpenDocument(kExample));
        if (rows < 0)
            rows = int(3 + doc.ReadBlocks().size() + doc.WriteBlocks().size());

        SimProcess sim;
        QVERIFY(sim.Start(faults));
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("transfer.log"));
        const ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port(), QStringLiteral("--json"),
                                    QStringLiteral("--log"), log});
        QCOMPARE(result.code, exitCode);

        // One JSON object on one line: the outcome and the record.
        QVERIFY2(result.out.endsWith('\n') && result.out.count('\n') == 1, result.out.constData());
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(result.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(json[QStringLiteral("port")].toString(), sim.Port());
        QCOMPARE(json[QStringLiteral("outcome")].toString(), exitCode == 0 ? QStringLiteral("ok") : QStringLiteral("failed"));
        QCOMPARE(json[QStringLiteral("message")].toString(), message ? CStringTable::Load(message) : QString());
        QCOMPARE(json[QStringLiteral("messageId")].toInt(), message);
        QVERIFY(json[QStringLiteral("time")].toDouble() > 0);
        const QJsonArray exchanges = json[QStringLiteral("exchanges")].toArray();
        QCOMPARE(exchanges.size(), rows);
        QStringList seen;
        for (int i = 0; i < rows; ++i)
            seen << exchanges[i][QStringLiteral("judgement")].toString();
        QStringList expected;
        for (int i = 0; i < rows - judgements.size(); ++i)
            expected << QStringLiteral("accepted");
        QCOMPARE(seen, expected + judgements);

        // Against what the device reports: every telegram as it arrived,
        // and every byte it answered, in order, read or left on the line.
        const QJsonArray device = sim.Received()[QStringLiteral("exchanges")].toArray();
        QCOMPARE(device.size(), rows);
        QString answered, received;
        double previous = -1;
        for (int i = 0; i < rows; ++i) {
            const QJsonObject row = exchanges[i].toObject();
            QCOMPARE(row[QStringLiteral("number")].toInt(), i + 1);
            QCOMPARE(row[QStringLiteral("sent")].toString(), device[i][QStringLiteral("telegram")].toString());
            QVERIFY(row[QStringLiteral("time")].toDouble() >= previous);
            previous = row[QStringLiteral("time")].toDouble();
            answered += device[i][QStringLiteral("reply")].toString() + QLatin1Char(' ');
            received += row[QStringLiteral("received")].toString() + QLatin1Char(' ');
        }
        received += exchanges.last()[QStringLiteral("after")].toString();
        QCOMPARE(received.simplified(), answered.simplified());
        if (QTest::currentDataTag() == QLatin1String("late reply")) {
            QCOMPARE(exchanges[0][QStringLiteral("after")].toString(), QStringLiteral("02 06"));
            QVERIFY(exchanges[0][QStringLiteral("replyTime")].toDouble() >= 1000);
        }
        if (QTest::currentDataTag() == QLatin1String("slow reply"))
            QVERIFY(exchanges[1][QStringLiteral("replyTime")].toDouble() >= 300);

        // The log: the same record as text, one exchange a line.
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), rows + 2);
        QVERIFY(lines.first().startsWith(QStringLiteral("Send All to ") + sim.Port()));
        for (int i = 0; i < rows; ++i) {
            const QJsonObject row = exchanges[i].toObject();
            const QString& line = lines[i + 1];
            QVERIFY2(line.startsWith(QStringLiteral("#%1 ").arg(i + 1)), qPrintable(line));
            QVERIFY2(line.contains(QStringLiteral("sent ") + row[QStringLiteral("sent")].toString()), qPrintable(line));
            QVERIFY2(line.endsWith(row[QStringLiteral("judgement")].toString()), qPrintable(line));
        }
        QVERIFY2(lines.last().startsWith(QStringLiteral("Outcome: ") + json[QStringLiteral("outcome")].toString()),
                 qPrintable(lines.last()));
        if (message)
            QVERIFY(lines.last().contains(CStringTable::Load(message)));
    }

    void logToStandardError()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--reply"), QStringLiteral("1:0215")}));
        const ProcessRun result = Send({kExample, QStringLiteral("--port"), sim.Port(), QStringLiteral("--log"), QStringLiteral("-")});
        QCOMPARE(result.code, 1);
        QVERIFY(result.out.startsWith(sim.Port().toUtf8() + ": failed in "));
        QCOMPARE(result.out.count('\n'), 1);
        QVERIFY2(result.ErrText().contains(QRegularExpression(QStringLiteral("\\n#1 +\\d+\\.\\d ms  request +sent 02 01 03 01 +received 02 15 .*rejected\\n"))),
                 qPrintable(result.ErrText()));
        QVERIFY(result.ErrText().contains(QStringLiteral("Outcome: failed after ")));
        // A log that cannot be written stops before anything is sent.
        QTemporaryDir dir;
        const ProcessRun bad = Send({kExample, QStringLiteral("--port"), sim.Port(), QStringLiteral("--log"),
                                 dir.filePath(QStringLiteral("missing/transfer.log"))});
        QCOMPARE(bad.code, 2);
        QCOMPARE(sim.Received()[QStringLiteral("telegrams")].toInt(), 1);
    }

    // A file of a newer format: one message, exit code 1, and the device
    // hears nothing.
    void newerFormatSendsNothing()
    {
        QTemporaryDir dir;
        QFile example(kExample);
        QVERIFY(example.open(QIODevice::ReadOnly));
        QByteArray bytes = example.readAll();
        bytes[0] = 4;
        const QString future = dir.filePath(QStringLiteral("future.qzm"));
        WriteTestFile(future, bytes);
        SimProcess sim;
        QVERIFY(sim.Start());
        for (const QStringList& more : {QStringList{}, QStringList{QStringLiteral("--json")}}) {
            const ProcessRun result = Send(QStringList{future, QStringLiteral("--port"), sim.Port()} + more);
            QCOMPARE(result.code, 1);
            QVERIFY(result.out.isEmpty());
            QCOMPARE(result.ErrText(), QStringLiteral("qzm-cli send: %1 was not read: its format version is newer than this "
                                                "program reads, or its layout is unknown.\n")
                                     .arg(future));
        }
        QCOMPARE(sim.Received()[QStringLiteral("telegrams")].toInt(), 0);
    }

    // Writes past a file-size limit fail with a message, and a log that
    // fails ends no transfer; a full standard output is an error too.
    // Every input has one limit, and ports beyond the open-file limit fail
    // one by one.
    void limits()
    {
        QTemporaryDir dir;
        const rlim_t kFileLimit = 100; // room for a lock file, not for a document
        const QString qzm = dir.filePath(QStringLiteral("plant.qzm"));
        QVERIFY(QFile::copy(kExample, qzm));
        QVERIFY(QFile::setPermissions(qzm, QFile::ReadOwner | QFile::WriteOwner));
        const QByteArray json = RunToEnd(QStringLiteral(QZM_CLI_PATH), {QStringLiteral("show"), kExample}).out;
        const QString report = dir.filePath(QStringLiteral("report.txt"));
        const QString out = dir.filePath(QStringLiteral("out.qzm"));
        const struct
        {
            QStringList arguments;
            QString written;
        } writers[] = {
            {{QStringLiteral("create"), QStringLiteral("--from-json"), QStringLiteral("-"), QStringLiteral("-o"), out}, out},
            {{QStringLiteral("set"), qzm, QStringLiteral("description=changed")}, qzm},
            {{QStringLiteral("report"), kExample, QStringLiteral("-o"), report}, report},
        };
        for (const auto& writer : writers) {
            const ProcessRun run = RunLimited(writer.arguments, RLIMIT_FSIZE, kFileLimit, RLIM_INFINITY, json);
            QCOMPARE(run.code, 1);
            QVERIFY2(run.err.endsWith(QStringLiteral("Disk full while accessing %1.\n").arg(writer.written).toLocal8Bit()),
                     run.err.constData());
        }
        QCOMPARE(QFileInfo(qzm).size(), QFileInfo(kExample).size());

        SimProcess first, second;
        QVERIFY(first.Start() && second.Start());
        const QString log = dir.filePath(QStringLiteral("send.log"));
        ProcessRun run = RunLimited({QStringLiteral("send"), kExample, QStringLiteral("--port"), first.Port(),
                                     QStringLiteral("--port"), second.Port(), QStringLiteral("--log"), log},
                                    RLIMIT_FSIZE, kFileLimit, RLIM_INFINITY);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out.count(": ok in "), 2);
        QVERIFY2(run.err.endsWith(QStringLiteral("Disk full while accessing %1.\n").arg(log).toLocal8Bit()), run.err.constData());
        QCOMPARE(first.Received()[QStringLiteral("transfers")].toInt(), 1);
        QCOMPARE(second.Received()[QStringLiteral("transfers")].toInt(), 1);

        QProcess full;
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        run = RunToEnd(full, QStringLiteral(QZM_CLI_PATH), {QStringLiteral("send"), kExample, QStringLiteral("--port"), first.Port()});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.endsWith("Disk full while accessing standard output.\n"), run.err.constData());

        // Standard input by either name, a .qzm through a pipe.
        const QByteArray endless(64 * 1024 * 1024 + 1, ' ');
        const QStringList readers[] = {
            {QStringLiteral("create"), QStringLiteral("--from-json"), QStringLiteral("-"), QStringLiteral("-o"), out},
            {QStringLiteral("create"), QStringLiteral("--from-json"), QStringLiteral("/dev/stdin"), QStringLiteral("-o"), out},
            {QStringLiteral("show"), QStringLiteral("/dev/stdin")},
        };
        for (const QStringList& arguments : readers) {
            run = RunToEnd(QStringLiteral(QZM_CLI_PATH), arguments, endless);
            QCOMPARE(run.code, 1);
            QVERIFY2(run.err.contains(" is larger than 64 MiB"), run.err.constData());
        }

        // Silent ports: beyond the open-file limit each fails on its own
        // with the reason; the limit is raised as far as the system allows.
#ifdef __SANITIZE_ADDRESS__
        // Out of descriptors, the sanitizers' own memory probe (a pipe)
        // fails and reports a vptr fault where there is none.
        QSKIP("the sanitizers need descriptors of their own");
#endif
        QList<int> lines;
        QStringList arguments{QStringLiteral("send"), kExample};
        for (int i = 0; i < 24; ++i) {
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
            lines << master;
            arguments << QStringLiteral("--port") << QString::fromLocal8Bit(::ptsname(master));
        }
        const auto closeLines = qScopeGuard([&] {
            for (int fd : lines)
                ::close(fd);
        });
        for (const rlim_t hard : {rlim_t(32), rlim_t(256)}) {
            run = RunLimited(arguments, RLIMIT_NOFILE, 32, hard);
            QCOMPARE(run.code, 1);
            QCOMPARE(run.out.count("\n"), 24);
            QCOMPARE(run.out.count(CStringTable::Load(IDS_QZM_NO_RESPONSE).toUtf8()) < 24, hard == 32);
            QCOMPARE(run.err.contains("Too many open files"), hard == 32);
        }
    }

    void refusesBadInput()
    {
        QTemporaryDir dir;
        const ProcessRun missingFile = Send({dir.filePath(QStringLiteral("missing.qzm")), QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(missingFile.code, 1);
        QVERIFY(missingFile.ErrText().startsWith(QStringLiteral("qzm-cli send: ")));
        const ProcessRun com = Send({kExample, QStringLiteral("--port"), QStringLiteral("COM7")});
        QCOMPARE(com.code, 2);
        QCOMPARE(com.ErrText(), QStringLiteral("qzm-cli send: COM7 is not one of COM1 to COM4 (see qzm-cli send --help)\n"));
        const ProcessRun twice = Send({kExample, QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(twice.code, 2);
        QVERIFY(twice.ErrText().contains(QStringLiteral("named twice")));
        QCOMPARE(Send({kExample, QStringLiteral("--port"), QString()}).code, 2);
        // A new document saved as is: nothing to send.
        const QString empty = dir.filePath(QStringLiteral("empty.qzm"));
        WriteTestFile(empty, HexBytes("03000000 00000000 00000000 00000000 01000000 00000000 64000000 02000000 "
                                      "01000000 01000000 00"));
        const ProcessRun nothing = Send({empty});
        QCOMPARE(nothing.code, 1);
        QCOMPARE(nothing.ErrText(), QStringLiteral("qzm-cli send: %1 holds no Block Memory: there is nothing to send.\n").arg(empty));
        // A port that is no serial port: it opens, its settings fail.
        const ProcessRun notSerial = Send({kExample, QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(notSerial.code, 1);
        QVERIFY(!notSerial.ErrText().contains(CStringTable::Load(IDS_COMM_PORT_FAIL)));
        const ProcessRun missing = Send({kExample, QStringLiteral("--port"), dir.filePath(QStringLiteral("no-port"))});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.ErrText().contains(CStringTable::Load(IDS_COMM_PORT_FAIL)));
        const ProcessRun folder = Send({kExample, QStringLiteral("--port"), dir.path()});
        QCOMPARE(folder.code, 1);
        QVERIFY2(folder.ErrText().contains(CStringTable::Load(IDS_COMM_PORT_FAIL)), qPrintable(folder.ErrText()));
    }
};

QTEST_GUILESS_MAIN(TestSendCli)
#include "tst_send_cli.moc"
