#include "support/DocumentHelpers.h"

#include "framework/Archive.h"
#include "framework/View.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {
const char kWorkedExample[] =
    "03 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 64 00 00 00"
    "02 00 00 00 01 00 00 00 01 00 00 00 00"
    "01 00 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00";

// Records what the view was told and what the hint block held at the time.
struct RecordingView : CView
{
    int updates = 0;
    int hint = -1;
    bool hadBlock = false;
    CBlockMemory seen;
    CObject* object = nullptr;
    void OnUpdate(CView*, int h, CObject* o) override
    {
        ++updates;
        hint = h;
        object = o;
        hadBlock = o != nullptr;
        if (auto* b = dynamic_cast<CBlockMemory*>(o)) {
            seen.m_strDescription = b->m_strDescription;
            seen.m_nAddress = b->m_nAddress;
            seen.m_nNumber = b->m_nNumber;
            seen.m_bParameter = b->m_bParameter;
        }
    }
};

// A document with something in every field, to see a load replace it.
void FillWithOtherData(CQZMDoc& doc)
{
    doc.SetProtocol(1);
    doc.SetBaudRate(0);
    doc.SetParity(2);
    doc.SetTimeout(700);
    doc.SetSerialPort(3);
    doc.SetDescription("old");
    AddBlock(doc, CQZMDoc::List::Write, "w1", 9, 9, 0);
    AddBlock(doc, CQZMDoc::List::Write, "w2", 9, 9, 0);
}

// Header of a version-3 file up to the description.
QByteArray Header3(qint32 nRead, qint32 nWrite, qint32 marker = 2, qint32 port = 1)
{
    return Int32(3) + Int32(nRead) + Int32(nWrite) + Int32(1) + Int32(0) + Int32(2) + Int32(250) + Int32(marker)
        + Int32(port);
}

// A sequential device handing out a fixed number of bytes.
class TrickleDevice : public QIODevice
{
public:
    explicit TrickleDevice(QByteArray data) : m_data(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = qMin<qint64>(qMin<qint64>(max, 3), m_data.size() - m_pos);
        memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};
} // namespace

class TestFileFormat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void workedExampleBothWays()
    {
        CQZMDoc doc;
        doc.AddDefaultBlocks(1, 0);
        doc.SetCurrentIndex(CQZMDoc::List::Read, 0);
        const QByteArray expected = HexBytes(kWorkedExample);
        QCOMPARE(expected.size(), 58);
        QCOMPARE(doc.StoredBytes(), expected);

        CQZMDoc loaded;
        FillWithOtherData(loaded);
        RecordingView view;
        loaded.AddView(&view);
        ScriptedInteraction ui;
        QVERIFY(LoadBytes(loaded, expected));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(loaded.Protocol(), 0);
        QCOMPARE(loaded.BaudRate(), 1);
        QCOMPARE(loaded.Parity(), 0);
        QCOMPARE(loaded.Timeout(), 100);
        QCOMPARE(loaded.SerialPort(), 1);
        QVERIFY(loaded.Description().isEmpty());
        QCOMPARE(loaded.ReadBlocks().size(), 1);
        QVERIFY(IsDefaultBlock(loaded.ReadBlocks().at(0)));
        QVERIFY(loaded.WriteBlocks().isEmpty());
        QCOMPARE(loaded.CurrentIndex(CQZMDoc::List::Read), 0);
        QCOMPARE(loaded.CurrentIndex(CQZMDoc::List::Write), -1);
        QVERIFY(!loaded.IsModified());
        // The editor is shown the first Read entry itself.
        QCOMPARE(view.updates, 1);
        QCOMPARE(view.hint, 0);
        QCOMPARE(view.object, static_cast<CObject*>(loaded.ReadBlocks().at(0)));
        QCOMPARE(loaded.StoredBytes(), expected);
        loaded.RemoveView(&view);
    }

    void newDocumentIs41Bytes()
    {
        CQZMDoc doc;
        FillWithOtherData(doc);
        doc.OnNewDocument();
        const QByteArray bytes = doc.StoredBytes();
        QCOMPARE(bytes.size(), 41);
        QCOMPARE(bytes, HexBytes(kWorkedExample).left(41).replace(4, 4, Int32(0)).replace(32, 4, Int32(3)));

        CQZMDoc loaded;
        loaded.AddDefaultBlocks(2, 2);
        RecordingView view;
        loaded.AddView(&view);
        QVERIFY(LoadBytes(loaded, bytes));
        QVERIFY(loaded.ReadBlocks().isEmpty() && loaded.WriteBlocks().isEmpty());
        QCOMPARE(loaded.CurrentIndex(CQZMDoc::List::Read), -1);
        QCOMPARE(loaded.CurrentIndex(CQZMDoc::List::Write), -1);
        QCOMPARE(loaded.SerialPort(), 3);
        QCOMPARE(loaded.BaudRate(), 1);
        // With no Read entry the editor is shown default values.
        QVERIFY(view.hadBlock);
        QVERIFY(IsDefaultBlock(&view.seen));
        loaded.RemoveView(&view);
    }

    void roundTripsKeepEveryByte()
    {
        QByteArray eightBit;
        for (int c = 1; c < 256; ++c)
            eightBit += char(c);
        CQZMDoc doc;
        doc.SetProtocol(1);
        doc.SetBaudRate(0);
        doc.SetParity(2);
        doc.SetTimeout(1000);
        doc.SetSerialPort(4);
        doc.SetDescription("Line one\r\nLine two\nthree\r\n");
        AddBlock(doc, CQZMDoc::List::Read, eightBit, 247, 9999, 1);
        AddBlock(doc, CQZMDoc::List::Read, "multi\r\nline", 1, 0, 0);
        AddBlock(doc, CQZMDoc::List::Write, "", -5, std::numeric_limits<qint32>::min(), 7);

        const QByteArray bytes = doc.StoredBytes();
        // Fixed part 36, each text 4 + n + 1, each record 12 more.
        QCOMPARE(bytes.size(), 36 + (4 + doc.Description().size() + 1) + (4 + 255 + 1 + 12)
                                   + (4 + 11 + 1 + 12) + (4 + 0 + 1 + 12));
        QCOMPARE(bytes.mid(36, 4), Int32(qint32(doc.Description().size() + 1)));

        CQZMDoc loaded;
        QVERIFY(LoadBytes(loaded, bytes));
        QCOMPARE(loaded.Description(), doc.Description());
        QCOMPARE(loaded.Protocol(), 1);
        QCOMPARE(loaded.BaudRate(), 0);
        QCOMPARE(loaded.Parity(), 2);
        QCOMPARE(loaded.Timeout(), 1000);
        QCOMPARE(loaded.SerialPort(), 4);
        QCOMPARE(loaded.ReadBlocks().size(), 2);
        QCOMPARE(loaded.ReadBlocks()[0]->m_strDescription, eightBit);
        QCOMPARE(loaded.ReadBlocks()[0]->m_nAddress, 247);
        QCOMPARE(loaded.ReadBlocks()[0]->m_nNumber, 9999);
        QCOMPARE(loaded.ReadBlocks()[1]->m_strDescription, QByteArray("multi\r\nline"));
        QCOMPARE(loaded.ReadBlocks()[1]->m_bParameter, 0);
        QCOMPARE(loaded.WriteBlocks().size(), 1);
        // Values outside the editor's ranges are kept as stored.
        QCOMPARE(loaded.WriteBlocks()[0]->m_nAddress, -5);
        QCOMPARE(loaded.WriteBlocks()[0]->m_nNumber, std::numeric_limits<qint32>::min());
        QCOMPARE(loaded.WriteBlocks()[0]->m_bParameter, 7);
        QCOMPARE(loaded.StoredBytes(), bytes);
    }

    void olderVersionsHaveNoSettings()
    {
        for (qint32 version : {2, 1, 0, -1, std::numeric_limits<qint32>::min()}) {
            const QByteArray bytes = Int32(version) + Int32(1) + Int32(1) + Int32(2) + Int32(3)
                + TextField("old file") + Record("r", 5, 6, 0) + Record("w", 7, 8, 1);
            CQZMDoc doc;
            FillWithOtherData(doc);
            ScriptedInteraction ui;
            QVERIFY(LoadBytes(doc, bytes));
            QVERIFY(ui.messages.isEmpty());
            QCOMPARE(doc.Protocol(), 0);
            QCOMPARE(doc.BaudRate(), 1);
            QCOMPARE(doc.Parity(), 0);
            QCOMPARE(doc.Timeout(), 100);
            QCOMPARE(doc.SerialPort(), 3);
            QCOMPARE(doc.Description(), QByteArray("old file"));
            QCOMPARE(doc.ReadBlocks().size(), 1);
            QCOMPARE(doc.ReadBlocks()[0]->m_nAddress, 5);
            QCOMPARE(doc.ReadBlocks()[0]->m_nNumber, 6);
            QCOMPARE(doc.ReadBlocks()[0]->m_bParameter, 0);
            QCOMPARE(doc.WriteBlocks().size(), 1);
            QCOMPARE(doc.WriteBlocks()[0]->m_strDescription, QByteArray("w"));
            QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);
            // Saving again writes the current version.
            QCOMPARE(doc.StoredBytes().left(4), Int32(3));
        }
    }

    void unknownVersionOrMarkerGivesNewDocument()
    {
        struct Case { const char* name; QByteArray bytes; };
        const QList<Case> cases = {
            {"version 4", Int32(4) + Header3(1, 1).mid(4) + TextField("x") + Record("r", 5, 5, 0)},
            {"version max", Int32(std::numeric_limits<qint32>::max())},
            {"marker 7", Header3(2, 1, 7, 4) + TextField("x")},
            {"marker 3, older layout", Int32(2) + Int32(1) + Int32(0) + Int32(3) + Int32(4) + TextField("x")},
        };
        for (const Case& c : cases) {
            CQZMDoc doc;
            FillWithOtherData(doc);
            doc.SetModifiedFlag(true);
            RecordingView view;
            doc.AddView(&view);
            ScriptedInteraction ui;
            const OpenResult result = LoadBytes(doc, c.bytes);
            QVERIFY2(result, c.name);
            QCOMPARE(ui.MessageTexts(), QStringList{"Fail in read this filel!\nA new document will be created."});
            QVERIFY(ui.messages[0].icon == MessageRequest::Icon::Warning);
            QVERIFY(doc.ReadBlocks().isEmpty() && doc.WriteBlocks().isEmpty());
            QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
            QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
            QVERIFY(doc.Description().isEmpty());
            QCOMPARE(doc.Protocol(), 0);
            QCOMPARE(doc.BaudRate(), 1);
            QCOMPARE(doc.Parity(), 0);
            QCOMPARE(doc.Timeout(), 100);
            QCOMPARE(doc.SerialPort(), 3);   // not read yet, so kept
            QVERIFY(!doc.IsModified());
            QVERIFY(!result.ChangedContents());
            QCOMPARE(view.hint, 0);
            QCOMPARE(view.object, nullptr);
            doc.RemoveView(&view);
        }
    }

    void countsAboveTheLimitReadOnAsTheyCome()
    {
        QByteArray bytes = Header3(60, 2) + TextField("d");
        for (int i = 0; i < 62; ++i)
            bytes += Record(QByteArray::number(i), i + 1, i, i % 2);
        bytes += "trailing bytes are ignored";
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, bytes));
        QCOMPARE(doc.ReadBlocks().size(), 48);
        QCOMPARE(doc.WriteBlocks().size(), 2);
        for (int i = 0; i < 48; ++i)
            QCOMPARE(doc.ReadBlocks()[i]->m_nNumber, i);
        // The first two surplus Read records become the Write list.
        QCOMPARE(doc.WriteBlocks()[0]->m_nNumber, 48);
        QCOMPARE(doc.WriteBlocks()[0]->m_strDescription, QByteArray("48"));
        QCOMPARE(doc.WriteBlocks()[1]->m_nNumber, 49);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), 0);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), 0);

        // nWrite above the limit as well.
        QByteArray both = Header3(48, 100) + TextField("");
        for (int i = 0; i < 96; ++i)
            both += Record("", 1, i, 1);
        QVERIFY(LoadBytes(doc, both));
        QCOMPARE(doc.WriteBlocks().size(), 48);
        QCOMPARE(doc.WriteBlocks().last()->m_nNumber, 95);
    }

    void negativeCountsGiveEmptyLists()
    {
        const QByteArray bytes = Header3(-1, std::numeric_limits<qint32>::min(), 2, 2) + TextField("desc")
            + Record("never read", 1, 1, 1);
        CQZMDoc doc;
        FillWithOtherData(doc);
        doc.SetCurrentIndex(CQZMDoc::List::Read, 0);
        QVERIFY(LoadBytes(doc, bytes));
        QVERIFY(doc.ReadBlocks().isEmpty() && doc.WriteBlocks().isEmpty());
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Read), -1);
        QCOMPARE(doc.CurrentIndex(CQZMDoc::List::Write), -1);
        QCOMPARE(doc.Description(), QByteArray("desc"));
        QCOMPARE(doc.SerialPort(), 2);
    }

    void everyTruncationIsAFormatError()
    {
        CQZMDoc source;
        source.SetDescription("plant");
        AddBlock(source, CQZMDoc::List::Read, "first", 2, 3, 1);
        AddBlock(source, CQZMDoc::List::Read, "", 4, 5, 0);
        AddBlock(source, CQZMDoc::List::Write, "w", 6, 7, 1);
        source.SetSerialPort(4);
        const QByteArray full = source.StoredBytes();

        ScriptedInteraction ui;
        for (int size = 0; size < full.size(); ++size) {
            CQZMDoc doc;
            doc.SetSerialPort(2);
            const OpenResult result = LoadBytes(doc, full.left(size));
            QVERIFY2(!result, qPrintable(QString::number(size)));
            QCOMPARE(ui.messages.last().text, QString("Unexpected file format."));
            QVERIFY(result.ChangedContents());
            // The port of a broken file is discarded with the rest.
            QCOMPARE(doc.SerialPort(), 2);
        }
        QCOMPARE(ui.messages.size(), full.size());

        // The same files without a settings block.
        QByteArray older = full;
        older.remove(12, 16);
        older.replace(0, 4, Int32(2));
        for (int size = 0; size < older.size(); ++size) {
            CQZMDoc doc;
            QVERIFY(!LoadBytes(doc, older.left(size)));
        }
        CQZMDoc doc;
        QVERIFY(LoadBytes(doc, older));
        QCOMPARE(doc.WriteBlocks()[0]->m_nNumber, 7);
    }

    void textFieldEdges()
    {
        ScriptedInteraction ui;
        CQZMDoc doc;
        // L = 0: no bytes, an empty text, the next field follows at once.
        QVERIFY(LoadBytes(doc, Header3(1, 0) + Int32(0) + Int32(0) + Int32(3) + Int32(4) + Int32(0)));
        QVERIFY(doc.Description().isEmpty());
        QVERIFY(doc.ReadBlocks()[0]->m_strDescription.isEmpty());
        QCOMPARE(doc.ReadBlocks()[0]->m_nAddress, 3);
        QCOMPARE(doc.ReadBlocks()[0]->m_nNumber, 4);

        // No zero byte: the L bytes are the text.
        QVERIFY(LoadBytes(doc, Header3(1, 0) + Int32(3) + "abc" + Int32(3) + "xyz" + Int32(1) + Int32(2) + Int32(0)));
        QCOMPARE(doc.Description(), QByteArray("abc"));
        QCOMPARE(doc.ReadBlocks()[0]->m_strDescription, QByteArray("xyz"));
        QCOMPARE(doc.ReadBlocks()[0]->m_nNumber, 2);

        // A zero byte inside: the text ends there, all L bytes are consumed.
        QVERIFY(LoadBytes(doc, Header3(1, 0) + Int32(6) + QByteArray("ab\0cd\0", 6) + TextField("r")
                                   + Int32(9) + Int32(8) + Int32(1)));
        QCOMPARE(doc.Description(), QByteArray("ab"));
        QCOMPARE(doc.ReadBlocks()[0]->m_strDescription, QByteArray("r"));
        QCOMPARE(doc.ReadBlocks()[0]->m_nAddress, 9);
        // Saved back, the text is stored up to its zero byte.
        doc.SetDescription(QByteArray("ab\0cd", 5));
        QCOMPARE(doc.StoredBytes().mid(36, 7), TextField("ab"));
        QVERIFY(ui.messages.isEmpty());

        // Past the end of the file, or a negative length: a format error,
        // also where the description is the last field of the file.
        const QList<QByteArray> broken = {
            Header3(0, 0) + Int32(10) + "short",
            Header3(0, 0) + Int32(-1) + "x",
            Header3(0, 0) + Int32(std::numeric_limits<qint32>::max()) + QByteArray(100, 'x'),
            Header3(1, 0) + TextField("d") + Int32(1000) + QByteArray(20, 'y'),
        };
        for (const QByteArray& bytes : broken) {
            QVERIFY(!LoadBytes(doc, bytes));
            QCOMPARE(ui.messages.last().text, QString("Unexpected file format."));
        }
    }

    void claimedLengthsNeverSizeAllocations()
    {
        // Random access: the result is sized by what the device holds.
        QBuffer buffer;
        buffer.setData(QByteArray(10, 'a'));
        buffer.open(QIODevice::ReadOnly);
        CArchive ar(&buffer, CArchive::load);
        const QByteArray got = ar.ReadBytes(qint64(1) << 40);
        QCOMPARE(got, QByteArray(10, 'a'));
        QVERIFY(got.capacity() < 4096);

        // Sequential: read in small pieces until the device ends.
        TrickleDevice trickle(Int32(std::numeric_limits<qint32>::max()) + QByteArray(10, 'b'));
        CArchive seq(&trickle, CArchive::load);
        bool failed = false;
        try {
            seq.ReadText();
        } catch (const CArchiveException&) {
            failed = true;
        }
        QVERIFY(failed);
        TrickleDevice exact(TextField("hello") + Int32(77));
        CArchive seq2(&exact, CArchive::load);
        QCOMPARE(seq2.ReadText(), QByteArray("hello"));
        QCOMPARE(seq2.ReadInt(), 77);
    }

    void openingFiles()
    {
        QTemporaryDir dir;
        ScriptedInteraction ui;
        CQZMDoc doc;

        // An empty file is a format error, not the old data under a new name.
        const QString empty = dir.filePath("empty.qzm");
        WriteTestFile(empty, {});
        doc.SetDescription("previous");
        const OpenResult emptyResult = doc.OnOpenDocument(empty);
        QVERIFY(!emptyResult);
        QCOMPARE(ui.messages.last().text, QString("Unexpected file format."));
        QVERIFY(emptyResult.ChangedContents());

        const QString missing = dir.filePath("missing.qzm");
        const OpenResult missingResult = doc.OnOpenDocument(missing);
        QVERIFY(!missingResult);
        QCOMPARE(ui.messages.last().text, QString("%1 was not found.").arg(QDir::toNativeSeparators(missing)));
        QVERIFY(!missingResult.ChangedContents());

        const OpenResult folderResult = doc.OnOpenDocument(dir.path());
        QVERIFY(!folderResult);
        QCOMPARE(ui.messages.last().text, QString("%1 is a folder, not a file.").arg(QDir::toNativeSeparators(dir.path())));
        QVERIFY(!folderResult.ChangedContents());

        const QString inFile = dir.filePath("empty.qzm/x.qzm");
        QVERIFY(!doc.OnOpenDocument(inFile));
        QCOMPARE(ui.messages.last().text, QString("%1 contains an invalid path.").arg(QDir::toNativeSeparators(inFile)));

        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, HexBytes(kWorkedExample));
        doc.SetModifiedFlag(true);
        QVERIFY(doc.OnOpenDocument(good));
        QVERIFY(!doc.IsModified());
        QCOMPARE(doc.ReadBlocks().size(), 1);
        QCOMPARE(ui.messages.size(), 4);
        for (const MessageRequest& m : std::as_const(ui.messages))
            QVERIFY(m.icon == MessageRequest::Icon::Warning && m.buttons == MessageRequest::Buttons::Ok);
    }
};

QTEST_GUILESS_MAIN(TestFileFormat)
#include "tst_fileformat.moc"
