// qzm-cli send against qzm-sim over the real serial port code.
#include "SimProcess.h"

#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Result
{
    int exitCode = -1;
    QString err;
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
            QVERIFY2(result.err.contains(CStringTable::Load(IDS_QZM_NO_RESPONSE)), qPrintable(result.err));
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

    void refusesBadInput()
    {
        QTemporaryDir dir;
        QCOMPARE(send({dir.filePath(QStringLiteral("missing.qzm")), QStringLiteral("--port"), QStringLiteral("/dev/null")}).exitCode, 2);
        const Result com = send({kExample, QStringLiteral("--port"), QStringLiteral("COM7")});
        QCOMPARE(com.exitCode, 2);
        // A new document saved as is: nothing to send.
        const QString empty = dir.filePath(QStringLiteral("empty.qzm"));
        WriteTestFile(empty, HexBytes("03000000 00000000 00000000 00000000 01000000 00000000 64000000 02000000 "
                                      "01000000 01000000 00"));
        QCOMPARE(send({empty}).exitCode, 2);
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
