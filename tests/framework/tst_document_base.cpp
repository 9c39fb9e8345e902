#include "framework/Archive.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A document whose file is one integer.
class NumberDoc : public CDocument
{
public:
    qint32 value = 0;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar.WriteInt(value);
        else
            value = ar.ReadInt();
    }
};

struct RecordingView : CView
{
    struct Call { CView* sender; int hint; CObject* object; };
    QList<Call> calls;
    void OnUpdate(CView* sender, int hint, CObject* object) override { calls.append({sender, hint, object}); }
};
} // namespace

class TestDocumentBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void updateAllViewsSkipsTheSender()
    {
        NumberDoc doc;
        RecordingView a, b;
        doc.AddView(&a);
        doc.AddView(&b);
        CObject* hint = reinterpret_cast<CObject*>(&doc);
        doc.UpdateAllViews(&a, 1, hint);
        QCOMPARE(a.calls.size(), 0);
        QCOMPARE(b.calls.size(), 1);
        QCOMPARE(b.calls[0].hint, 1);
        QCOMPARE(b.calls[0].object, hint);
        QCOMPARE(b.calls[0].sender, &a);
        doc.UpdateAllViews(nullptr);
        QCOMPARE(a.calls.size(), 1);
        QCOMPARE(doc.GetFirstView(), &a);
        doc.RemoveView(&a);
        QCOMPARE(doc.GetFirstView(), &b);
        QCOMPARE(a.GetDocument(), nullptr);
    }

    void saveModifiedFlows()
    {
        QTemporaryDir dir;
        CDocTemplate docTemplate(CStringTable::Load(IDR_MAINFRAME));
        NumberDoc doc;
        doc.SetDocTemplate(&docTemplate);
        doc.SetTitle("Untitled");

        ScriptedInteraction ui;
        // Unmodified: nothing is asked.
        QVERIFY(doc.SaveModified());
        QCOMPARE(ui.messages.size(), 0);

        doc.SetModifiedFlag(true);
        ui.QueueAnswer(MsgAnswer::Cancel);
        QVERIFY(!doc.SaveModified());
        QCOMPARE(ui.messages.last().text, QString("Save changes to Untitled?"));
        QVERIFY(ui.messages.last().buttons == MessageRequest::Buttons::YesNoCancel);
        QVERIFY(doc.IsModified());

        ui.QueueAnswer(MsgAnswer::No);
        QVERIFY(doc.SaveModified());
        QVERIFY(doc.IsModified());

        // Yes on a never-saved document asks for a name; cancelling it cancels.
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(std::nullopt);
        QVERIFY(!doc.SaveModified());
        QCOMPARE(ui.fileDialogs.last().title, QString("Save As"));
        QCOMPARE(ui.fileDialogs.last().initialPath, QString("Untitled.qzm"));
        QCOMPARE(ui.fileDialogs.last().filters, QStringList({"QZM Files (*.qzm)", "All Files (*.*)"}));
        QCOMPARE(ui.fileDialogs.last().defaultSuffix, QString("qzm"));
        QVERIFY(ui.fileDialogs.last().confirmOverwrite);

        // Yes with a name saves, clears the flag and takes the new name.
        doc.value = 0x01020304;
        const QString path = dir.filePath("saved.qzm");
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(path);
        QVERIFY(doc.SaveModified());
        QVERIFY(!doc.IsModified());
        QCOMPARE(doc.GetTitle(), QString("saved.qzm"));
        QCOMPARE(doc.GetPathName(), path);
        QCOMPARE(ReadTestFile(path), HexBytes("04 03 02 01"));

        // Now the prompt names the file, and Yes saves in place.
        doc.SetModifiedFlag(true);
        doc.value = 7;
        ui.QueueAnswer(MsgAnswer::Yes);
        QVERIFY(doc.SaveModified());
        QCOMPARE(ui.messages.last().text, QString("Save changes to saved.qzm?"));
        QCOMPARE(ReadTestFile(path), HexBytes("07 00 00 00"));
        QVERIFY(ui.AllAnswersUsed());
    }

    void failedSaveCancelsAndKeepsState()
    {
        QTemporaryDir dir;
        CDocTemplate docTemplate(CStringTable::Load(IDR_MAINFRAME));
        NumberDoc doc;
        doc.SetDocTemplate(&docTemplate);
        doc.SetTitle("Untitled");
        doc.SetModifiedFlag(true);

        ScriptedInteraction ui;
        const QString bad = dir.filePath("missing-folder/x.qzm");
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(bad);
        QVERIFY(!doc.SaveModified());
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.GetTitle(), QString("Untitled"));
        QVERIFY(doc.GetPathName().isEmpty());
        QCOMPARE(ui.messages.size(), 2);
        QVERIFY(ui.messages.last().buttons == MessageRequest::Buttons::Ok);
        QVERIFY(ui.messages.last().icon == MessageRequest::Icon::Warning);
        QVERIFY(!QFile::exists(bad));
    }

    void openReportsMissingFileAndFormatErrors()
    {
        QTemporaryDir dir;
        NumberDoc doc;
        ScriptedInteraction ui;
        const QString missing = dir.filePath("none.qzm");
        const OpenResult missingResult = doc.OnOpenDocument(missing);
        QVERIFY(!missingResult);
        QVERIFY(!missingResult.ChangedContents());
        QCOMPARE(ui.messages.last().text, QString("%1 was not found.").arg(QDir::toNativeSeparators(missing)));

        const QString shortFile = dir.filePath("short.qzm");
        WriteTestFile(shortFile, HexBytes("01 02"));
        const OpenResult shortResult = doc.OnOpenDocument(shortFile);
        QVERIFY(!shortResult);
        QVERIFY(shortResult.ChangedContents());
        QCOMPARE(ui.messages.last().text, QString("Unexpected file format."));

        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, HexBytes("2A 00 00 00"));
        doc.SetModifiedFlag(true);
        QVERIFY(doc.OnOpenDocument(good));
        QCOMPARE(doc.value, 42);
        QVERIFY(!doc.IsModified());
    }
};

QTEST_GUILESS_MAIN(TestDocumentBase)
#include "tst_document_base.moc"
