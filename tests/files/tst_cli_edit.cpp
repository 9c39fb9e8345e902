// qzm-cli create and set, and the JSON form they share with show.
#include "support/DocumentHelpers.h"

#include "support/ProcessRun.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Run = ProcessRun;

Run RunCli(const QStringList& arguments, const QByteArray& input = {})
{
    return RunToEnd(QStringLiteral(QZM_CLI_PATH), arguments, input);
}

// create from JSON on standard input into path.
Run Create(const QByteArray& json, const QString& path)
{
    return RunCli({"create", "--from-json", "-", "-o", path}, json);
}

QByteArray SampleFile()
{
    CQZMDoc doc;
    FillSampleDocument(doc, 2, 3);
    AddBlock(doc, CQZMDoc::List::Write, "", 1, 0, 0);
    return doc.StoredBytes();
}

// The bytes the program's own Save writes for a file it has opened, with
// each Parameter flag as the editor stores it (a hand-made file may hold 3).
QByteArray SavedAgain(const QByteArray& bytes)
{
    ScriptedInteraction ui;
    CQZMDoc doc;
    if (!LoadBytes(doc, bytes))
        return {};
    for (const CQZMDoc::List list : {CQZMDoc::List::Read, CQZMDoc::List::Write}) {
        for (int i = 0; i < doc.Blocks(list).size(); ++i) {
            CBlockMemory block = *doc.Blocks(list).at(i);
            block.m_bParameter = block.m_bParameter != 0;
            doc.SetBlock(list, i, block);
        }
    }
    return doc.StoredBytes();
}
} // namespace

class TestCliEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    // show, then create, gives back what Save writes, for every file the
    // loader takes whose values the editor allows; byte for byte the file
    // itself where the program wrote it.
    void showThenCreateRoundTrips()
    {
        QTemporaryDir dir;
        QStringList files;
        for (const QFileInfo& info : QDir(QStringLiteral(QZM_CORPUS_DIR)).entryInfoList(QDir::Files, QDir::Name))
            files << info.absoluteFilePath();
        files << QStringLiteral(QZM_EXAMPLE_PATH);
        const QString sample = dir.filePath("sample.qzm");
        WriteTestFile(sample, SampleFile());
        files << sample;

        QStringList identical;
        int loaded = 0;
        for (const QString& file : std::as_const(files)) {
            const QString name = QFileInfo(file).fileName();
            const Run shown = RunCli({"show", file});
            if (shown.code != 0) {
                QCOMPARE(shown.code, 1);
                QVERIFY2(shown.err.startsWith("qzm-cli show: "), qPrintable(name));
                continue;
            }
            ++loaded;
            const QString out = dir.filePath(name + ".created");
            const Run created = Create(shown.out, out);
            if (name == QLatin1String("nread60.qzm")) {
                // A value only a hand-made file holds, which the editor refuses.
                QCOMPARE(created.code, 1);
                QCOMPARE(created.err, QByteArray("qzm-cli create: read[0].address: 0 is out of range 1..247\n"));
                QVERIFY(!QFile::exists(out));
                continue;
            }
            QVERIFY2(created.code == 0, qPrintable(name + ": " + QString::fromLocal8Bit(created.err)));
            QVERIFY(created.err.isEmpty());
            const QByteArray original = ReadTestFile(file);
            const QByteArray expected = SavedAgain(original);
            QVERIFY2(ReadTestFile(out) == expected, qPrintable(name));
            if (original == expected)
                identical << name;
        }
        QVERIFY(loaded >= 10);
        for (const char* name : {"worked-example.qzm", "new-document.qzm", "full.qzm", "plant.qzm", "sample.qzm"})
            QVERIFY2(identical.contains(QLatin1String(name)), name);
    }

    void showGivesTheStableForm()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plant.qzm");
        CQZMDoc doc;
        doc.SetDescription("caf\xe9");   // no UTF-8: kept as bytes beside the text
        AddBlock(doc, CQZMDoc::List::Read, "Flow", 3, 12, 0);
        AddBlock(doc, CQZMDoc::List::Write, "Set", 4, 13, 7);
        WriteTestFile(path, doc.StoredBytes());
        QDir::setCurrent(dir.path());
        const Run run = RunCli({"show", "plant.qzm"});
        QCOMPARE(run.code, 0);
        const QJsonObject root = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(root["format"].toInt(), 1);
        QCOMPARE(root["file"].toString(), QString("plant.qzm"));
        QCOMPARE(root["title"].toString(), QString("plant.qzm"));
        QCOMPARE(root["descriptionBytes"].toString(), QString("636166e9"));
        QCOMPARE(root["description"].toString(), QStringLiteral("caf\u00e9"));
        const QJsonObject read = root["read"].toArray()[0].toObject();
        QCOMPARE(read["parameter"], QJsonValue(false));
        QVERIFY(!read.contains("descriptionBytes"));
        QCOMPARE(root["write"].toArray()[0].toObject()["parameter"], QJsonValue(true));
        QCOMPARE(root["write"].toArray()[0].toObject()["item"].toString(), QString("P13"));
    }

    // A file written on Windows, in a UTF-8 locale: its texts are shown
    // right, and a new text goes back in Windows-1252 where it fits.
    void windowsTextsShowAndSet()
    {
        const bool hadLocale = qEnvironmentVariableIsSet("LC_ALL");
        const QByteArray savedLocale = qgetenv("LC_ALL");
        qputenv("LC_ALL", "C.UTF-8");
        auto restore = qScopeGuard([&] {
            if (hadLocale)
                qputenv("LC_ALL", savedLocale);
            else
                qunsetenv("LC_ALL");
        });
        QTemporaryDir dir;
        const QString path = dir.filePath("windows.qzm");
        CQZMDoc doc;
        doc.SetDescription("Temp\xe9rature \x80");
        AddBlock(doc, CQZMDoc::List::Read, "D\xc3\xa9" "bit", 3, 12, 0);
        AddBlock(doc, CQZMDoc::List::Read, "Niveau \x93x\x94\x81", 4, 13, 1);
        WriteTestFile(path, doc.StoredBytes());

        Run run = RunCli({"show", path});
        QCOMPARE(run.code, 0);
        QJsonObject root = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(root["description"].toString(), QStringLiteral("Temp\u00e9rature \u20ac"));
        QCOMPARE(root["descriptionBytes"].toString(), QString("54656d70e97261747572652080"));
        const QJsonArray read = root["read"].toArray();
        QCOMPARE(read[0].toObject()["description"].toString(), QStringLiteral("D\u00e9bit"));
        QVERIFY(!read[0].toObject().contains("descriptionBytes"));
        QCOMPARE(read[1].toObject()["description"].toString(), QStringLiteral("Niveau \u201cx\u201d\u0081"));
        QCOMPARE(read[1].toObject()["descriptionBytes"].toString(), QString("4e69766561752093789481"));
        // The form show gives builds the same file again.
        const QString copy = dir.filePath("copy.qzm");
        QCOMPARE(Create(run.out, copy).code, 0);
        QCOMPARE(ReadTestFile(copy), ReadTestFile(path));

        run = RunCli({"set", path, QStringLiteral("description=Temp\u00e9ratures \u20ac"),
                      QStringLiteral("read[0].description=D\u00e9bit \u00e9"),
                      QStringLiteral("read[1].description=Niveau \u03a9")});
        QVERIFY2(run.code == 0, run.err.constData());
        QVERIFY(LoadBytes(doc, ReadTestFile(path)));
        QCOMPARE(doc.Description(), QByteArray("Temp\xe9ratures \x80"));
        QCOMPARE(doc.ReadBlocks()[0]->m_strDescription, QByteArray("D\xc3\xa9" "bit \xc3\xa9"));
        QCOMPARE(doc.ReadBlocks()[1]->m_strDescription, QByteArray("Niveau \xce\xa9"));
    }

    void createBuildsWhatTheEditorWould()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("new.qzm");
        // Nothing given: a new document.
        Run run = Create(R"({"format": 1})", out);
        QCOMPARE(run.code, 0);
        CQZMDoc fresh;
        QCOMPARE(ReadTestFile(out), fresh.StoredBytes());

        // Choosing MODBUS-RTU puts its settings in place; entries start as
        // Insert makes them.
        run = Create(R"({"format": 1, "settings": {"protocol": 1}, "read": [{}, {"address": 9}],
                         "write": [{"parameter": false, "description": "a\r\nb"}]})", out);
        QCOMPARE(run.code, 0);
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, ReadTestFile(out)));
        QCOMPARE(doc.BaudRate(), 1);
        QCOMPARE(doc.Timeout(), 50);
        QCOMPARE(doc.Parity(), 0);
        QCOMPARE(doc.ReadBlocks().size(), 2);
        QCOMPARE(doc.ReadBlocks()[0]->m_nAddress, 1);
        QCOMPARE(doc.ReadBlocks()[0]->m_bParameter, 1);
        QCOMPARE(doc.ReadBlocks()[1]->m_nAddress, 9);
        QCOMPARE(doc.WriteBlocks()[0]->m_bParameter, 0);
        QCOMPARE(doc.WriteBlocks()[0]->m_strDescription, QByteArray("a\r\nb"));

        // 48 entries and the edges of every range are taken.
        QJsonArray full;
        for (int i = 0; i < 48; ++i)
            full.append(QJsonObject{{"address", i % 2 ? 247 : 1}, {"number", i % 2 ? 9999 : 0}});
        const QJsonObject edges{{"format", 1},
                                {"settings", QJsonObject{{"protocol", 1}, {"baudRate", 0}, {"parity", 2},
                                                         {"timeout", 1000}}},
                                {"serialPort", 4},
                                {"read", full},
                                {"write", full}};
        run = Create(QJsonDocument(edges).toJson(), out);
        QCOMPARE(run.code, 0);
        QVERIFY(LoadBytes(doc, ReadTestFile(out)));
        QCOMPARE(doc.WriteBlocks().size(), 48);
        QCOMPARE(doc.Timeout(), 1000);
        QCOMPARE(doc.SerialPort(), 4);

        // Settings by their names and entries by their items, as the
        // example writes them, give the example's bytes.
        run = RunCli({"create", "--from-json", QStringLiteral(QZM_EXAMPLE_JSON_PATH), "-o", out});
        QCOMPARE(run.code, 0);
        QCOMPARE(ReadTestFile(out), ReadTestFile(QStringLiteral(QZM_EXAMPLE_PATH)));
        run = Create(R"({"format": 1, "settings": {"protocolName": "MODBUS-RTU", "baudRateBps": "9600",
                         "parityName": "NONE"}, "write": [{"item": "VB12", "parameter": true}]})", out);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err, QByteArray("qzm-cli create: write[0].item: \"VB12\" does not match parameter true and number 12 "
                                     "(\"P12\"); change or remove it\n"));
        run = Create(R"({"format": 1, "settings": {"protocolName": "MODBUS-RTU", "baudRateBps": "9600",
                         "parityName": "NONE"}, "write": [{"item": "VB12"}]})", out);
        QCOMPARE(run.code, 0);
        QVERIFY(LoadBytes(doc, ReadTestFile(out)));
        QCOMPARE(doc.Protocol(), 1);
        QCOMPARE(doc.BaudRate(), 0);
        QCOMPARE(doc.Parity(), 2);
        QCOMPARE(doc.WriteBlocks()[0]->m_nNumber, 12);
        QCOMPARE(doc.WriteBlocks()[0]->m_bParameter, 0);

        // A file as input, standard output as output.
        const QString json = dir.filePath("in.json");
        WriteTestFile(json, R"({"format": 1, "settings": {"protocol": 1, "timeout": 50}})");
        run = RunCli({"create", "--from-json", json, "-o", "-"});
        QCOMPARE(run.code, 0);
        QVERIFY(LoadBytes(doc, run.out));
        QCOMPARE(doc.Protocol(), 1);
    }

    void createRefusesWhatTheEditorRefuses_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("message");
        auto row = [](const char* name, const char* json, const char* message) {
            QTest::newRow(name) << QByteArray(json) << QByteArray(message);
        };
        row("address high", R"({"format":1,"read":[{},{},{},{"address":300}]})",
            "read[3].address: 300 is out of range 1..247");
        row("address zero", R"({"format":1,"write":[{"address":0}]})", "write[0].address: 0 is out of range 1..247");
        row("number high", R"({"format":1,"read":[{"number":10000}]})", "read[0].number: 10000 is out of range 0..9999");
        row("number negative", R"({"format":1,"read":[{"number":-1}]})", "read[0].number: -1 is out of range 0..9999");
        row("timeout low", R"({"format":1,"settings":{"protocol":1,"timeout":49}})",
            "settings.timeout: 49 is out of range 50..1000");
        row("timeout high", R"({"format":1,"settings":{"protocol":1,"timeout":1001}})",
            "settings.timeout: 1001 is out of range 50..1000");
        row("timeout fixed", R"({"format":1,"settings":{"timeout":250}})",
            "settings.timeout: 250 cannot be chosen with protocol Zelvra, which fixes the time-out at 100");
        row("parity fixed", R"({"format":1,"settings":{"protocol":0,"parity":2}})",
            "settings.parity: 2 (NONE) cannot be chosen with protocol Zelvra, which fixes the parity at 0 (EVEN)");
        row("parity name fixed", R"({"format":1,"settings":{"parityName":"ODD"}})",
            "settings.parityName: 1 (ODD) cannot be chosen with protocol Zelvra, which fixes the parity at 0 (EVEN)");
        row("protocol name unknown", R"({"format":1,"settings":{"protocolName":"Modbus"}})",
            "settings.protocolName: \"Modbus\" is none of Zelvra, MODBUS-RTU");
        row("bps unknown", R"({"format":1,"settings":{"protocol":1,"baudRateBps":4800}})",
            "settings.baudRateBps: 4800 is none of 9600, 19200");
        row("bps disagree", R"({"format":1,"settings":{"protocol":1,"baudRate":1,"baudRateBps":9600}})",
            "settings.baudRateBps: 9600 does not match baudRate 1 (19200); change or remove it");
        row("item pattern", R"({"format":1,"read":[{"item":"X5"}]})",
            "read[0].item: expected P or VB and a number, as \"P100\" or \"VB12\", got \"X5\"");
        row("item range", R"({"format":1,"read":[{"item":"P10000"}]})", "read[0].item: 10000 is out of range 0..9999");
        row("parity range", R"({"format":1,"settings":{"protocol":1,"parity":3}})",
            "settings.parity: 3 is out of range 0..2 (0 = EVEN, 1 = ODD, 2 = NONE)");
        row("protocol range", R"({"format":1,"settings":{"protocol":2}})",
            "settings.protocol: 2 is out of range 0..1 (0 = Zelvra, 1 = MODBUS-RTU)");
        row("baud as bps", R"({"format":1,"settings":{"baudRate":9600}})",
            "settings.baudRate: 9600 is out of range 0..1 (0 = 9600, 1 = 19200 bps)");
        row("serial port", R"({"format":1,"serialPort":5})", "serialPort: 5 is out of range 1..4 (COM1..COM4)");
        row("flag as number", R"({"format":1,"read":[{"parameter":1}]})",
            "read[0].parameter: expected true (Parameter) or false (Basic Variable), got 1");
        row("number as text", R"({"format":1,"read":[{"address":"17"}]})",
            "read[0].address: expected a whole number, got \"17\"");
        row("fraction", R"({"format":1,"read":[{"number":1.5}]})", "read[0].number: expected a whole number, got 1.5");
        row("unknown key", R"({"format":1,"read":[{"adress":3}]})",
            "read[0].adress: unknown key (known here: address, description, descriptionBytes, item, number, "
            "parameter)");
        row("unknown top key", R"({"format":1,"port":3})",
            "port: unknown key (known here: description, descriptionBytes, file, format, read, serialPort, settings, "
            "title, write)");
        row("no format", R"({"read":[]})", "format: missing: the form starts with \"format\": 1");
        row("future format", R"({"format":2})", "format: 2 is not a version this program reads (it reads 1)");
        row("item", R"({"format":1,"read":[{"number":12,"item":"P5"}]})",
            "read[0].item: \"P5\" does not match parameter true and number 12 (\"P12\"); change or remove it");
        row("protocol name", R"({"format":1,"settings":{"protocol":1,"protocolName":"Zelvra"}})",
            "settings.protocolName: \"Zelvra\" does not match protocol 1 (\"MODBUS-RTU\"); change or remove it");
        row("zero character", R"({"format":1,"description":"a\u0000b"})",
            "description: holds a zero character, which the file cannot store");
        row("bad hex", R"({"format":1,"read":[{"descriptionBytes":"4g"}]})",
            "read[0].descriptionBytes: expected the bytes as pairs of hex digits, got \"4g\"");
        row("zero byte", R"({"format":1,"descriptionBytes":"4100"})",
            "descriptionBytes: holds a zero byte, which the file cannot store");
        row("bytes disagree", R"({"format":1,"description":"B","descriptionBytes":"41"})",
            "descriptionBytes: does not give the description's text; change or remove one of the two");
        row("settings type", R"({"format":1,"settings":[]})", "settings: expected an object, got []");
        row("list type", R"({"format":1,"write":{}})", "write: expected a list of Block Memories, got {}");
        row("entry type", R"({"format":1,"write":[3]})", "write[0]: expected a Block Memory object, got 3");
        QByteArray many = R"({"format":1,"read":[)";
        for (int i = 0; i < 49; ++i)
            many += i ? ",{}" : "{}";
        row("49 entries", many + "]}", "read: 49 Block Memories, but a list holds at most 48");
        row("key twice", R"({"format":1,"read":[{},{"address":3,"number":1,"address":4}]})",
            "read[1].address: is given twice; give each key once");
        row("key twice escaped", R"({"format":1,"settings":{"parity":0,"pari\u0074y":1}})",
            "settings.parity: is given twice; give each key once");
        row("top key twice", R"({"format":1,"description":"a","format":1})", "format: is given twice; give each key once");
        row("not an object", "[1]", "standard input: the form is a JSON object ({ \"format\": 1, ... })");
        row("syntax", "{\"format\": 1,\n  \"read\": [}\n", "standard input: not valid JSON at line 2, column 13: object is missing after a comma");
    }

    void createRefusesWhatTheEditorRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString existing = dir.filePath("existing.qzm");
        WriteTestFile(existing, SampleFile());
        Run run = Create(json, existing);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err, "qzm-cli create: " + message + "\n");
        QVERIFY(run.out.isEmpty());
        QCOMPARE(ReadTestFile(existing), SampleFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"existing.qzm"});

        const QString absent = dir.filePath("absent.qzm");
        run = Create(json, absent);
        QCOMPARE(run.code, 1);
        QVERIFY(!QFile::exists(absent));
    }

    void createFailuresAndUsage()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("missing.json");
        Run run = RunCli({"create", "--from-json", missing, "-o", dir.filePath("x.qzm")});
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromLocal8Bit(run.err), QString("qzm-cli create: %1 was not found.\n").arg(missing));
        // The program's own message for a file it cannot write.
        const QString noFolder = dir.filePath("no-folder/x.qzm");
        run = Create(R"({"format":1})", noFolder);
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromLocal8Bit(run.err), QString("qzm-cli create: %1 contains an invalid path.\n").arg(noFolder));

        for (const QStringList& arguments : {QStringList{"create"}, QStringList{"create", "-o", "x.qzm"},
                                             QStringList{"create", "--from-json", "x.json"},
                                             QStringList{"create", "--from-json", "a", "-o", "b", "c"},
                                             QStringList{"create", "--bogus"}}) {
            run = RunCli(arguments);
            QVERIFY2(run.code == 2, qPrintable(arguments.join(' ')));
            QVERIFY(run.err.startsWith("qzm-cli create: "));
        }
        run = RunCli({"create", "--help"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("--from-json"));
    }

    void setChangesEachKindOfField()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plant.qzm");
        WriteTestFile(path, SampleFile());
        Run run = RunCli({"set", path, "description=North\r\nhouse", "baud_rate=19200", "parity=ODD",
                          "timeout=70", "serial_port=2", "read[0].address=17", "read[1].number=4321",
                          "read[1].parameter=false", "write[1].description=Pump", "write[0].descriptionBytes=e9"});
        QVERIFY2(run.code == 0, run.err.constData());
        QVERIFY(run.out.isEmpty() && run.err.isEmpty());
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, ReadTestFile(path)));
        QCOMPARE(doc.Description(), QByteArray("North\r\nhouse"));
        QCOMPARE(doc.BaudRate(), 1);
        QCOMPARE(doc.Parity(), 1);
        QCOMPARE(doc.Timeout(), 70);
        QCOMPARE(doc.SerialPort(), 2);
        QCOMPARE(doc.ReadBlocks()[0]->m_nAddress, 17);
        QCOMPARE(doc.ReadBlocks()[1]->m_nNumber, 4321);
        QCOMPARE(doc.ReadBlocks()[1]->m_bParameter, 0);
        QCOMPARE(doc.WriteBlocks()[1]->m_strDescription, QByteArray("Pump"));
        QCOMPARE(doc.WriteBlocks()[0]->m_strDescription, QByteArray("\xe9"));

        // Choosing Zelvra forces its settings, as in the window; the keys of
        // the JSON form work too.
        run = RunCli({"set", path, "settings.protocol=Zelvra", "serialPort=4"});
        QCOMPARE(run.code, 0);
        QVERIFY(LoadBytes(doc, ReadTestFile(path)));
        QCOMPARE(doc.Protocol(), 0);
        QCOMPARE(doc.BaudRate(), 0);
        QCOMPARE(doc.Parity(), 0);
        QCOMPARE(doc.Timeout(), 100);
        QCOMPARE(doc.SerialPort(), 4);
        run = RunCli({"set", path, "protocol=1"});
        QVERIFY(LoadBytes(doc, ReadTestFile(path)));
        QCOMPARE(doc.Timeout(), 50);
        QCOMPARE(doc.BaudRate(), 1);

        // A value equal to the stored one leaves the file as it is, even one
        // in an older layout.
        const QString old = dir.filePath("old.qzm");
        const QByteArray version2 = Int32(2) + Int32(1) + Int32(0) + Int32(2) + Int32(1) + TextField("") + Record("x", 5, 6, 1);
        WriteTestFile(old, version2);
        run = RunCli({"set", old, "read[0].address=5", "serial_port=1"});
        QCOMPARE(run.code, 0);
        QCOMPARE(ReadTestFile(old), version2);
    }

    void setIsAllOrNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plant.qzm");
        WriteTestFile(path, SampleFile());
        const struct
        {
            QStringList changes;
            int code;
            QByteArray message;
        } cases[] = {
            {{"timeout=250", "read[0].address=300"}, 1, "read[0].address: 300 is out of range 1..247"},
            {{"read[1].number=12", "read[2].number=1"}, 1, "read[2].number: the read list holds entries 0..1"},
            {{"protocol=0", "timeout=250"}, 1,
             "timeout: 250 cannot be chosen with protocol Zelvra, which fixes the time-out at 100"},
            {{"parity=SOME"}, 1, "parity: expected a whole number, got \"SOME\""},
            {{"read[0].parameter=yes"}, 1,
             "read[0].parameter: expected true (Parameter) or false (Basic Variable), got \"yes\""},
            {{"serial_port=0"}, 1, "serial_port: 0 is out of range 1..4 (COM1..COM4)"},
            {{"timeout=250", "adress=3"}, 2, "adress names no field (see qzm-cli set --help)"},
            {{"timeout"}, 2, "timeout is no KEY=VALUE (see qzm-cli set --help)"},
            {{}, 2, "no KEY=VALUE given (see qzm-cli set --help)"},
        };
        for (const auto& c : cases) {
            const Run run = RunCli(QStringList{"set", path} + c.changes);
            QCOMPARE(run.code, c.code);
            QCOMPARE(run.err, "qzm-cli set: " + c.message + "\n");
            QCOMPARE(ReadTestFile(path), SampleFile());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plant.qzm"});
        const Run missing = RunCli({"set", dir.filePath("missing.qzm"), "timeout=100"});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.err.endsWith("was not found.\n"));
        QVERIFY(!QFile::exists(dir.filePath("missing.qzm")));
    }
};

QTEST_GUILESS_MAIN(TestCliEdit)
#include "tst_cli_edit.moc"
