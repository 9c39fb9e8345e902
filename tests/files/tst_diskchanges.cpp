// Saving over a file that changed on disk, and saving past the file-size
// limit in the running program.
#include "support/DocumentHelpers.h"

#include "app/QZMApp.h"
#include "framework/DocTemplate.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QByteArray DocumentBytes(const QByteArray& description)
{
    CQZMDoc doc;
    doc.SetDescription(description);
    return doc.StoredBytes();
}

QString ChangedText(const QString& path)
{
    return QStringLiteral("%1 has been changed on disk since it was opened or last saved here.\n"
                          "Do you want to overwrite it?")
        .arg(QDir::toNativeSeparators(path));
}
} // namespace

class TestDiskChanges : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void saveOverAChangedFileAsksFirst()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plant.qzm");
        WriteTestFile(path, DocumentBytes("start"));
        CDocTemplate docTemplate{CStringTable::Load(IDR_MAINFRAME)};
        ScriptedInteraction ui;

        // Two windows on one file.
        CQZMDoc a, b;
        a.SetDocTemplate(&docTemplate);
        b.SetDocTemplate(&docTemplate);
        QVERIFY(a.OnOpenDocument(path));
        a.SetPathName(path, false);
        QVERIFY(b.OnOpenDocument(path));
        b.SetPathName(path, false);

        // A saves: nothing changed behind its back, no question.
        a.SetDescription("edit by A");
        a.SetModifiedFlag(true);
        QVERIFY(a.DoFileSave());
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(ReadTestFile(path), DocumentBytes("edit by A"));

        // B saves: asked; No keeps A's file and B's edit.
        b.SetDescription("edit by B");
        b.SetModifiedFlag(true);
        ui.QueueAnswer(MsgAnswer::No);
        QVERIFY(!b.DoFileSave());
        QCOMPARE(ui.MessageTexts(), QStringList{ChangedText(path)});
        QCOMPARE(ui.messages.at(0).buttons, MessageRequest::Buttons::YesNo);
        QCOMPARE(ReadTestFile(path), DocumentBytes("edit by A"));
        QVERIFY(b.IsModified());
        QCOMPARE(b.Description(), QByteArray("edit by B"));

        // The close prompt's Yes goes the same way.
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueAnswer(MsgAnswer::No);
        QVERIFY(!b.SaveModified());
        QCOMPARE(ReadTestFile(path), DocumentBytes("edit by A"));

        // Yes overwrites; from then on B's own saves go without a question.
        ui.messages.clear();
        ui.QueueAnswer(MsgAnswer::Yes);
        QVERIFY(b.DoFileSave());
        QCOMPARE(ReadTestFile(path), DocumentBytes("edit by B"));
        QVERIFY(!b.IsModified());
        b.SetModifiedFlag(true);
        QVERIFY(b.DoFileSave());
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.AllAnswersUsed());

        // A change of the same size within the same second is found by the
        // contents.
        const QByteArray other = DocumentBytes("edit by C");
        QCOMPARE(other.size(), DocumentBytes("edit by B").size());
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
        WriteTestFile(path, other);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        ui.messages.clear();
        ui.QueueAnswer(MsgAnswer::No);
        b.SetModifiedFlag(true);
        QVERIFY(!b.DoFileSave());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ReadTestFile(path), other);

        // A file only touched has lost nothing: no question.
        WriteTestFile(path, DocumentBytes("edit by B"));
        ui.messages.clear();
        QVERIFY(b.DoFileSave());
        QVERIFY(ui.messages.isEmpty());

        // Save As elsewhere does not ask about the old file, and the copy
        // becomes the file the document watches.
        WriteTestFile(path, DocumentBytes("edit by D"));
        const QString copy = dir.filePath("copy.qzm");
        ui.QueueFile(copy);
        QVERIFY(b.DoSave(QString()));
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(b.GetPathName(), copy);
        b.SetModifiedFlag(true);
        QVERIFY(b.DoFileSave());
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(ReadTestFile(path), DocumentBytes("edit by D"));
    }

    void fileSizeLimitGivesDiskFull()
    {
        // As a shell with "ulimit -f" starts the program.
        std::signal(SIGXFSZ, SIG_DFL);
        QTemporaryDir dir;
        ScriptedInteraction ui;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        doc->SetDescription(QByteArray(200, 'd'));
        doc->SetModifiedFlag(true);
        const QString path = dir.filePath("big.qzm");

        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool saved = doc->DoSave(path);
        setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!saved);
        QCOMPARE(ui.MessageTexts(),
                 QStringList{QStringLiteral("Disk full while accessing %1.").arg(QDir::toNativeSeparators(path))});
        QVERIFY(doc->IsModified());
        QVERIFY(doc->DoSave(path));
    }
};

QTEST_MAIN(TestDiskChanges)
#include "tst_diskchanges.moc"
