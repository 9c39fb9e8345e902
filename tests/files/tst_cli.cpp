#include "support/DocumentHelpers.h"

#include "document/TextReport.h"
#include "resources/Resource.h"
#include "support/ProcessRun.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QFileInfo>
#include <QScopeGuard>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
using Run = ProcessRun;

Run RunCli(const QStringList& arguments, const QString& stdoutFile = {})
{
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    return RunToEnd(process, QStringLiteral(QZM_CLI_PATH), arguments);
}

// A shell line, for names that are not valid UTF-8 (QProcess would
// re-encode them) and for pipelines; $CLI is qzm-cli.
Run RunShell(const QString& script, const QString& folder)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CLI"), QStringLiteral(QZM_CLI_PATH));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    return RunToEnd(process, QStringLiteral("/bin/bash"), {QStringLiteral("-c"), script}, {}, 20000);
}

QByteArray SampleFile()
{
    CQZMDoc doc;
    FillSampleDocument(doc, 1, 2);
    return doc.StoredBytes();
}
} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void reportIsWhatCreateTextFileWrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("my.plant.qzm");
        WriteTestFile(path, SampleFile());

        // The window's command on the same file.
        CQZMDoc doc;
        ScriptedInteraction ui;
        QVERIFY(doc.OnOpenDocument(path));
        doc.SetPathName(path, false);
        const QString guiReport = dir.filePath("gui.txt");
        ui.QueueFile(guiReport);
        doc.OnCmdMsg(ID_CREATE_TEXT_FILE, nullptr);
        const QByteArray expected = ReadTestFile(guiReport);
        QVERIFY(expected.startsWith("Zelvra\r\nQZM Application\r\nFile: my.txt\r\n"));

        const Run toStdout = RunCli({"report", path});
        QCOMPARE(toStdout.code, 0);
        QCOMPARE(toStdout.err, QByteArray());
        QCOMPARE(toStdout.out, expected);

        const QString out = dir.filePath("cli.txt");
        WriteTestFile(out, QByteArray(10000, 'x'));
        const Run toFile = RunCli({"report", path, "-o", out});
        QCOMPARE(toFile.code, 0);
        QVERIFY(toFile.out.isEmpty());
        QCOMPARE(ReadTestFile(out), expected);

        // An empty document reports too.
        const QString fresh = dir.filePath("fresh.qzm");
        CQZMDoc empty;
        WriteTestFile(fresh, empty.StoredBytes());
        QCOMPARE(RunCli({"report", fresh}).out, BuildTextReport(empty, "fresh.txt"));
    }

    void showPrintsTheDocument()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plant.qzm");
        WriteTestFile(path, SampleFile());
        const Run run = RunCli({"show", path});
        QCOMPARE(run.code, 0);
        QVERIFY(run.err.isEmpty());
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(root["format"].toInt(), 1);
        QCOMPARE(root["file"].toString(), path);
        QCOMPARE(root["serialPort"].toInt(), 2);
        QCOMPARE(root["description"].toString(), QString("Boiler house\r\nline two"));
        const QJsonObject settings = root["settings"].toObject();
        QCOMPARE(settings["protocol"].toInt(), 1);
        QCOMPARE(settings["protocolName"].toString(), QString("MODBUS-RTU"));
        QCOMPARE(settings["baudRate"].toInt(), 0);
        QCOMPARE(settings["baudRateBps"].toInt(), 9600);
        QCOMPARE(settings["parity"].toInt(), 1);
        QCOMPARE(settings["parityName"].toString(), QString("ODD"));
        QCOMPARE(settings["timeout"].toInt(), 250);
        const QJsonArray read = root["read"].toArray();
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].toObject()["description"].toString(), QString("Flow"));
        QCOMPARE(read[0].toObject()["address"].toInt(), 3);
        QCOMPARE(read[0].toObject()["number"].toInt(), 12);
        QCOMPARE(read[0].toObject()["parameter"], QJsonValue(false));
        QCOMPARE(read[0].toObject()["item"].toString(), QString("VB12"));
        const QJsonArray write = root["write"].toArray();
        QCOMPARE(write.size(), 1);
        QCOMPARE(write[0].toObject()["item"].toString(), QString("P9999"));
    }

    void badFilesFailWithTheProgramsMessage()
    {
        QTemporaryDir dir;
        const QString cut = dir.filePath("cut.qzm");
        WriteTestFile(cut, SampleFile().left(50));
        const QString future = dir.filePath("future.qzm");
        WriteTestFile(future, Int32(4) + SampleFile().mid(4));
        const QString missing = dir.filePath("missing.qzm");
        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, SampleFile());

        // Every command that reads a file says the same, after its own name.
        for (const QStringList& command : {QStringList{"report"}, QStringList{"show"},
                                           QStringList{"send", "--port", "/dev/null"},
                                           QStringList{"set", "timeout=100"}}) {
            auto arguments = [&](const QString& file) {
                QStringList a = command;
                a.insert(1, file);
                return a;
            };
            const QByteArray prefix = "qzm-cli " + command.first().toLatin1() + ": ";
            Run run = RunCli(arguments(cut));
            QCOMPARE(run.code, 1);
            QVERIFY(run.out.isEmpty());
            QCOMPARE(run.err, prefix + "Unexpected file format.\n");

            run = RunCli(arguments(future));
            QCOMPARE(run.code, 1);
            QVERIFY(run.out.isEmpty());
            // One message, and none about a new document: nothing is created.
            QCOMPARE(QString::fromLocal8Bit(run.err),
                     QString::fromLatin1(prefix) + QStringLiteral("%1 was not read: its format version is newer than this "
                                                                  "program reads, or its layout is unknown.\n").arg(future));

            run = RunCli(arguments(missing));
            QCOMPARE(run.code, 1);
            QCOMPARE(run.err, prefix + QString("%1 was not found.\n").arg(missing).toLocal8Bit());
        }

        const QString badOut = dir.filePath("no-folder/r.txt");
        const Run run = RunCli({"report", good, "-o", badOut});
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromLocal8Bit(run.err), QString("qzm-cli report: %1 contains an invalid path.\n").arg(badOut));
    }

    void writeFailuresAndSpecialOutputs()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, SampleFile());
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, SampleFile()));
        const QByteArray report = BuildTextReport(doc, "good.txt");

        // A full standard output is a failure, not a silent success.
        for (const QString& command : {QStringLiteral("report"), QStringLiteral("show")}) {
            const Run run = RunCli({command, good}, "/dev/full");
            QCOMPARE(run.code, 1);
            QCOMPARE(run.err, "qzm-cli " + command.toLatin1() + ": Disk full while accessing standard output.\n");
        }

        // A pipe named as the output is written into and stays a pipe.
        const QString fifo = dir.filePath("pipe");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile reader(fifo);
        QVERIFY(reader.open(QIODevice::ReadWrite | QIODevice::Unbuffered));   // never blocks on Linux
        const Run toPipe = RunCli({"report", good, "-o", fifo});
        QCOMPARE(toPipe.code, 0);
        struct stat st{};
        QCOMPARE(stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(reader.read(report.size()), report);

        const Run toFolder = RunCli({"report", good, "-o", dir.path()});
        QCOMPARE(toFolder.code, 1);
        QCOMPARE(QString::fromLocal8Bit(toFolder.err), QString("qzm-cli report: %1 is a folder, not a file.\n").arg(dir.path()));
    }

    // Every verb that names a file says that a name which is not valid
    // UTF-8 cannot be used, for files read and written, and creates
    // nothing under a lookalike name.
    void namesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        WriteTestFile(dir.filePath("good.qzm"), SampleFile());
        QCOMPARE(RunShell("cp good.qzm \"$(printf 'caf\\351.qzm')\"", dir.path()).code, 0);
        QCOMPARE(RunShell("$CLI show good.qzm > good.json", dir.path()).code, 0);
        const QString text = QStringLiteral("%1 cannot be opened or saved under its name: the name is not valid "
                                            "UTF-8 and cannot be represented.\n  Rename the file, or choose another "
                                            "name.\n");
        const QString bad = QStringLiteral("caf") + QChar(QChar::ReplacementCharacter) + QStringLiteral(".qzm");
        const QString out = QStringLiteral("out") + QChar(QChar::ReplacementCharacter) + QStringLiteral(".txt");
        const struct
        {
            const char* script;
            const char* command;
            QString name;
        } cases[] = {
            {"$CLI show \"$(printf 'caf\\351.qzm')\"", "show", bad},
            {"$CLI report \"$(printf 'caf\\351.qzm')\"", "report", bad},
            {"$CLI set \"$(printf 'caf\\351.qzm')\" timeout=300", "set", bad},
            {"$CLI send \"$(printf 'caf\\351.qzm')\" --port /dev/null", "send", bad},
            {"$CLI report good.qzm -o \"$(printf 'out\\351.txt')\"", "report", out},
            {"$CLI create --from-json good.json -o \"$(printf 'caf\\351.qzm')\"", "create", bad},
            {"$CLI create --from-json \"$(printf 'caf\\351.qzm')\" -o new.qzm", "create", bad},
            {"$CLI send good.qzm --port /dev/null --log \"$(printf 'out\\351.txt')\"", "send", out},
        };
        for (const auto& c : cases) {
            const Run run = RunShell(QString::fromLatin1(c.script), dir.path());
            QVERIFY2(run.code == 1 || (run.code == 2 && QByteArray(c.script).contains("--log")), c.script);
            QCOMPARE(QString::fromLocal8Bit(run.err),
                     QStringLiteral("qzm-cli %1: ").arg(QLatin1String(c.command)) + text.arg(c.name));
        }
        QVERIFY(!QFileInfo::exists(dir.filePath(bad)));
        QVERIFY(!QFileInfo::exists(dir.filePath(out)));
        QVERIFY(!QFileInfo::exists(dir.filePath("new.qzm")));
        // A value that is not valid UTF-8 is refused, not stored as U+FFFD.
        const QByteArray before = ReadTestFile(dir.filePath("good.qzm"));
        const Run value = RunShell("$CLI set good.qzm \"$(printf 'read[0].description=caf\\351')\"", dir.path());
        QCOMPARE(value.code, 1);
        QVERIFY2(value.err.contains("not valid UTF-8") && value.err.contains("read[0].descriptionBytes="),
                 value.err.constData());
        QCOMPARE(ReadTestFile(dir.filePath("good.qzm")), before);
        // A name with U+FFFD in earnest is an ordinary name.
        const QString real = dir.filePath(QStringLiteral("real") + QChar(QChar::ReplacementCharacter) + ".qzm");
        QCOMPARE(RunCli({"create", "--from-json", dir.filePath("good.json"), "-o", real}).code, 0);
        QCOMPARE(ReadTestFile(real), SampleFile());
    }

    // Folders, pipes, sockets and devices get messages that say what they
    // are; nothing waits on a pipe that nobody writes to or reads; a pipe
    // with a program at its other end is read or written as scripts do.
    void thingsThatAreNoFiles()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, SampleFile());
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString socketPath = dir.filePath("sock");
        QVERIFY(MakeDeadSocketFile(socketPath));

        const struct
        {
            QStringList arguments;
            int code;
            QString err;
        } cases[] = {
            {{"show", dir.path()}, 1, "qzm-cli show: %1 is a folder, not a file.\n"_L1.arg(dir.path())},
            {{"show", socketPath}, 1, "qzm-cli show: %1 is a socket, not a file.\n"_L1.arg(socketPath)},
            {{"show", "/dev/null"}, 1, "qzm-cli show: /dev/null is a device, not a file.\n"_L1},
            {{"show", fifo}, 1, "qzm-cli show: %1 is a named pipe that no program is writing to.\n"_L1.arg(fifo)},
            {{"set", fifo, "timeout=300"}, 1,
             "qzm-cli set: %1 is a named pipe that no program is writing to.\n"_L1.arg(fifo)},
            {{"report", good, "-o", fifo}, 1,
             "qzm-cli report: %1 is a named pipe that no program is reading from.\n"_L1.arg(fifo)},
            {{"report", good, "-o", socketPath}, 1, "qzm-cli report: %1 is a socket, not a file.\n"_L1.arg(socketPath)},
            {{"send", good, "--port", "/dev/null", "--log", fifo}, 2,
             "qzm-cli send: %1 is a named pipe that no program is reading from.\n"_L1.arg(fifo)},
            {{"create", "--from-json", fifo, "-o", dir.filePath("x.qzm")}, 1,
             "qzm-cli create: %1 is a named pipe that no program is writing to.\n"_L1.arg(fifo)},
            {{"create", "--from-json", socketPath, "-o", dir.filePath("x.qzm")}, 1,
             "qzm-cli create: %1 is a socket, not a file.\n"_L1.arg(socketPath)},
        };
        for (const auto& c : cases) {
            const Run run = RunCli(c.arguments);
            QCOMPARE(run.code, c.code);
            QCOMPARE(QString::fromLocal8Bit(run.err), c.err);
        }

        // A pipeline or a process substitution is read whole.
        Run piped = RunShell("cat good.qzm | $CLI report /dev/stdin", dir.path());
        QCOMPARE(piped.code, 0);
        QVERIFY(piped.out.startsWith("Zelvra\r\n"));
        piped = RunShell("$CLI show <(cat good.qzm)", dir.path());
        QCOMPARE(piped.code, 0);
        QVERIFY(piped.out.contains("\"description\": \"Boiler house"));
        piped = RunShell("$CLI show good.qzm | $CLI create --from-json /dev/stdin -o copy.qzm", dir.path());
        QCOMPARE(piped.code, 0);
        QCOMPARE(ReadTestFile(dir.filePath("copy.qzm")), SampleFile());
        // An empty pipeline is an empty file; set cannot write back into it.
        piped = RunShell("true | $CLI show /dev/stdin", dir.path());
        QCOMPARE(piped.code, 1);
        QCOMPARE(piped.err, QByteArray("qzm-cli show: Unexpected file format.\n"));
        piped = RunShell("cat good.qzm | $CLI set /dev/stdin timeout=300", dir.path());
        QCOMPARE(piped.code, 1);
        QCOMPARE(piped.err, QByteArray("qzm-cli set: /dev/stdin is a pipe, not a file.\n"));
    }

    void diffSpeaksTheFormsWordsAndServesGit()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.qzm"), b = dir.filePath("b.qzm");
        WriteTestFile(a, SampleFile());
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, SampleFile()));
        doc.SetParity(2);
        doc.Blocks(CQZMDoc::List::Read)[1]->m_bParameter = 0;
        doc.Blocks(CQZMDoc::List::Read)[0]->m_strDescription = "Flow \"new\"\nsecond";
        doc.DeleteBlock(CQZMDoc::List::Write);
        AddBlock(doc, CQZMDoc::List::Read, "Extra", 5, 7, 1);
        WriteTestFile(b, doc.StoredBytes());

        Run run = RunCli({"diff", a, b});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out, QByteArray("Parity: ODD -> NONE\n"
                                     "Read Block Memory 01: Description: \"Flow\" -> \"Flow \\\"new\\\"\\nsecond\"\n"
                                     "Read Block Memory 02: Parameter/Variable number: P13 -> VB13\n"
                                     "Read Block Memory 03: added: Description \"Extra\", Address in network 5, P7\n"
                                     "Write Block Memory 01: removed: Description \"Setpoint\", Address in network 247, P9999\n"));
        run = RunCli({"diff", "--json", b, a});
        QCOMPARE(run.code, 1);
        const QJsonObject json = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(json["same"].toBool(), false);
        const QJsonArray differences = json["differences"].toArray();
        QCOMPARE(differences.size(), 5);
        QCOMPARE(differences[2].toObject()["field"].toString(), "item");
        QCOMPARE(differences[2].toObject()["before"].toString(), "VB13");
        QCOMPARE(differences[3].toObject()["change"].toString(), "removed");
        QCOMPARE(differences[3].toObject()["entry"].toInt(), 3);
        // diff(1)'s exit codes: the same, and a file that cannot be read.
        run = RunCli({"diff", a, a});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(RunCli({"diff", a, dir.filePath("gone.qzm")}).code, 2);
        QCOMPARE(RunCli({"diff", a}).code, 2);

        // The recipe of the manual: git diff shows the reports' lines.
        const QString recipe = uR"(set -e
git init -q repo && cd repo
git config user.email t@example.org && git config user.name T
echo '*.qzm diff=qzm' > .gitattributes
git config diff.qzm.textconv "$CLI report --no-file-line"
cp ../a.qzm plant.qzm && git add . && git commit -qm one
cp ../b.qzm plant.qzm
git diff --no-color)"_s;
        run = RunShell(recipe, dir.path());
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("-    Parity: ODD\r\n+    Parity: NONE\r\n"), run.out.constData());
        QVERIFY(run.out.contains("+Read Block Memory 03\r\n"));
        QVERIFY(!run.out.contains("File: "));
    }

    void usage()
    {
        Run run = RunCli({"--help"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("report FILE"));
        QVERIFY(run.out.contains("show FILE"));
        run = RunCli({"--version"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.startsWith("qzm-cli "));
        run = RunCli({"report", "--help"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("--output"));
        run = RunCli({"send", "--help"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("qzm-cli send [options] FILE"));
        QVERIFY(run.out.contains("--port"));
        QVERIFY(run.out.contains("Examples:\n  qzm-cli send plant.qzm --port COM1\n"));
        // Every command's help in one go, each with its examples.
        run = RunCli({"--help-all"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.startsWith(RunCli({"--help"}).out));
        for (const char* command : {"report", "show", "create", "set", "send", "ports", "diff"}) {
            const QByteArray own = RunCli({command, "--help"}).out;
            QVERIFY2(own.contains("Examples:\n  qzm-cli "), command);
            QVERIFY2(run.out.contains(own), command);
        }
        // Wrong usage: exit code 2 and a message naming the command.
        const struct
        {
            QStringList arguments;
            QByteArray message;
        } wrong[] = {
            {{}, "qzm-cli: no command given (see qzm-cli --help)\n"},
            {{"frobnicate"}, "qzm-cli: unknown command: frobnicate (see qzm-cli --help)\n"},
            {{"--bogus"}, "qzm-cli: Unknown option 'bogus'. (see qzm-cli --help)\n"},
            {{"send"}, "qzm-cli send: no FILE given (see qzm-cli send --help)\n"},
            {{"report"}, "qzm-cli report: no FILE given (see qzm-cli report --help)\n"},
            {{"show", "a.qzm", "b.qzm"}, "qzm-cli show: expected one FILE (see qzm-cli show --help)\n"},
            {{"report", "--bogus", "a.qzm"}, "qzm-cli report: Unknown option 'bogus'. (see qzm-cli report --help)\n"},
            {{"set", "a.qzm"}, "qzm-cli set: no KEY=VALUE given (see qzm-cli set --help)\n"},
            {{"create", "-o", "a.qzm"}, "qzm-cli create: --from-json FILE.json is missing (see qzm-cli create --help)\n"},
        };
        for (const auto& w : wrong) {
            run = RunCli(w.arguments);
            QCOMPARE(run.code, 2);
            QCOMPARE(run.err, w.message);
            QVERIFY(run.out.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
