// qzm-cli send against qzm-sim over the real serial port code.
#include "SimProcess.h"

#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Result
{
    int exitCode = -1;
    QString err;
    QString out;
};

Result send(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(QZM_CLI_PATH), QStringList{QStringLiteral("send")} + arguments);
    Result result;
    if (!cli.waitForFinished(30000))
        return result;
    result.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    result.err = QString::fromLocal8Bit(cli.readAllStandardError());
    result.out = QString::fromUtf8(cli.readAllStandardOutput());
    return result;
}

const QString kExample = QStringLiteral(QZM_EXAMPLE_PATH);
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
        const Result result = send({kExample, QStringLiteral("--port"), QStringLiteral("COM3")}, environment);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.contains(CStringTable::Load(IDS_PREPARING_PORT)), qPrintable(result.err));
        QVERIFY(result.err.contains(CStringTable::Load(IDS_SENDING_SETTINGS)));
        QVERIFY2(result.out.startsWith(QStringLiteral("COM3 (%1): ok in ").arg(sim.Port())), qPrintable(result.out));
        QVERIFY(result.out.endsWith(QStringLiteral("s: Sent 5 Read and 3 Write Block Memories; all 11 replies accepted.\n")));

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
            const Result result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 1);
            QCOMPARE(result.err, QStringLiteral("%1\n[1/11] %2\nqzm-cli send: %3: %4\n")
                                     .arg(CStringTable::Load(IDS_PREPARING_PORT), CStringTable::Load(IDS_REQUEST_TRANSFER),
                                          sim.Port(), CStringTable::Load(IDS_QZM_NO_RESPONSE)));
            QVERIFY(result.out.startsWith(sim.Port() + QStringLiteral(": failed in ")));
            QCOMPARE(sim.Received()["telegrams"].toInt(), 1);
        }
        {
            // A device that never answers, whatever it is sent.
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--no-reply"), QStringLiteral("*")}));
            const Result result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(CStringTable::Load(IDS_QZM_NO_RESPONSE)), qPrintable(result.err));
        }
        {
            // The device hangs up at the second block: the read fails.
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--hangup"), QStringLiteral("5")}));
            const Result result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(CStringTable::Load(IDS_FAIL_READ_DATA)), qPrintable(result.err));
        }
        {
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--reply"), QStringLiteral("2:0215"), QStringLiteral("--extra-byte"),
                               QStringLiteral("4")}));
            Result result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(CStringTable::Load(IDS_SIZES_INCORRECT)), qPrintable(result.err));

            // A third byte in the sizes reply is read as the start of the
            // settings reply (02 02), which is refused.
            result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(CStringTable::Load(IDS_FAIL_READ_DATA)), qPrintable(result.err));
            QVERIFY(result.err.contains(CStringTable::Load(IDS_SENDING_SETTINGS)));

            // The next Send All starts afresh with the request and succeeds.
            result = send({kExample, QStringLiteral("--port"), sim.Port()});
            QCOMPARE(result.exitCode, 0);
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
        const Result result = send(arguments);
        QCOMPARE(result.exitCode, 1);
        const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
                QCOMPARE(o["message"].toString(), QStringLiteral("Sent 5 Read and 3 Write Block Memories; all 11 replies accepted."));
                okPorts << o["port"].toString();
            }
        }
        QCOMPARE(okPorts.size(), 3);
        // No stage lines when several ports run at once; the failure is a
        // message on stderr as well.
        QCOMPARE(result.err, QStringLiteral("qzm-cli send: %1: %2\n").arg(silent.Port(), CStringTable::Load(IDS_QZM_NO_RESPONSE)));
        for (SimProcess& sim : good) {
            QVERIFY(okPorts.contains(sim.Port()));
            CompareWithDocument(sim.Received(), doc);
            QCOMPARE(sim.Received()["transfers"].toInt(), 1);
        }

        // Every port succeeding is exit code 0, one text line each.
        QStringList all{kExample};
        for (SimProcess& sim : good)
            all << QStringLiteral("--port") << sim.Port();
        const Result allGood = send(all);
        QCOMPARE(allGood.exitCode, 0);
        QCOMPARE(allGood.err, QString());
        QCOMPARE(allGood.out.count(QStringLiteral(": ok in ")), 3);
        for (SimProcess& sim : good)
            QCOMPARE(sim.Received()["transfers"].toInt(), 2);
    }

    void refusesBadInput()
    {
        QTemporaryDir dir;
        const Result missingFile = send({dir.filePath(QStringLiteral("missing.qzm")), QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(missingFile.exitCode, 1);
        QVERIFY(missingFile.err.startsWith(QStringLiteral("qzm-cli send: ")));
        const Result com = send({kExample, QStringLiteral("--port"), QStringLiteral("COM7")});
        QCOMPARE(com.exitCode, 2);
        QCOMPARE(com.err, QStringLiteral("qzm-cli send: COM7 is not one of COM1 to COM4 (see qzm-cli send --help)\n"));
        const Result twice = send({kExample, QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(twice.exitCode, 2);
        QVERIFY(twice.err.contains(QStringLiteral("named twice")));
        QCOMPARE(send({kExample, QStringLiteral("--port"), QString()}).exitCode, 2);
        // A new document saved as is: nothing to send.
        const QString empty = dir.filePath(QStringLiteral("empty.qzm"));
        WriteTestFile(empty, HexBytes("03000000 00000000 00000000 00000000 01000000 00000000 64000000 02000000 "
                                      "01000000 01000000 00"));
        const Result nothing = send({empty});
        QCOMPARE(nothing.exitCode, 1);
        QCOMPARE(nothing.err, QStringLiteral("qzm-cli send: %1 holds no Block Memory: there is nothing to send.\n").arg(empty));
        // A port that is no serial port: it opens, its settings fail.
        const Result notSerial = send({kExample, QStringLiteral("--port"), QStringLiteral("/dev/null")});
        QCOMPARE(notSerial.exitCode, 1);
        QVERIFY(!notSerial.err.contains(CStringTable::Load(IDS_COMM_PORT_FAIL)));
        const Result missing = send({kExample, QStringLiteral("--port"), dir.filePath(QStringLiteral("no-port"))});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains(CStringTable::Load(IDS_COMM_PORT_FAIL)));
        const Result folder = send({kExample, QStringLiteral("--port"), dir.path()});
        QCOMPARE(folder.exitCode, 1);
        QVERIFY2(folder.err.contains(CStringTable::Load(IDS_COMM_PORT_FAIL)), qPrintable(folder.err));
    }
};

QTEST_GUILESS_MAIN(TestSendCli)
#include "tst_send_cli.moc"
