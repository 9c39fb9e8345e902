#include "support/DocumentHelpers.h"

#include "framework/DocTemplate.h"
#include "framework/FileError.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
#ifdef Q_OS_UNIX
// Limits the size of files this process may write, with SIGXFSZ ignored so
// an oversized write fails with EFBIG instead of killing the test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
#endif

struct Fixture
{
    CDocTemplate docTemplate{CStringTable::Load(IDR_MAINFRAME)};
    CQZMDoc doc;
    QStringList recent;
    Fixture()
    {
        docTemplate.SetRecentFileSink([this](const QString& p) { recent << p; });
        doc.SetDocTemplate(&docTemplate);
        doc.SetTitle("Untitled");
    }
};

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QStringList FolderEntries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
} // namespace

class TestFileSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void saveAsAsksAndTakesTheNewName()
    {
        QTemporaryDir dir;
        Fixture f;
        f.doc.SetDescription("plant");
        AddBlock(f.doc, CQZMDoc::List::Read, "r", 2, 3, 1);
        f.doc.SetModifiedFlag(true);
        ScriptedInteraction ui;

        // Cancel changes nothing.
        ui.QueueFile(std::nullopt);
        QVERIFY(!f.doc.DoFileSave());
        QVERIFY(f.doc.IsModified());
        const FileDialogRequest& asked = ui.fileDialogs.last();
        QVERIFY(asked.mode == FileDialogRequest::Mode::Save);
        QCOMPARE(asked.title, QString("Save As"));
        QCOMPARE(asked.filters, QStringList({"QZM Files (*.qzm)", "All Files (*.*)"}));
        QCOMPARE(asked.defaultSuffix, QString("qzm"));
        QCOMPARE(asked.initialPath, QString("Untitled.qzm"));
        QVERIFY(asked.confirmOverwrite);
        QVERIFY(f.recent.isEmpty());

        const QString path = dir.filePath("plant.qzm");
        ui.QueueFile(path);
        QVERIFY(f.doc.DoFileSave());
        QVERIFY(!f.doc.IsModified());
        QCOMPARE(f.doc.GetPathName(), path);
        QCOMPARE(f.doc.GetTitle(), QString("plant.qzm"));
        QCOMPARE(f.recent, QStringList{path});
        QCOMPARE(ReadTestFile(path), f.doc.StoredBytes());

        // Save As offers the current path; Save writes in place silently.
        ui.QueueFile(std::nullopt);
        QVERIFY(!f.doc.DoSave(QString()));
        QCOMPARE(ui.fileDialogs.last().initialPath, path);
        f.doc.SetTimeout(900);
        f.doc.SetModifiedFlag(true);
        QVERIFY(f.doc.DoFileSave());
        QCOMPARE(ui.fileDialogs.size(), 3);
        QCOMPARE(ReadTestFile(path).mid(24, 4), Int32(900));
        QVERIFY(ui.messages.isEmpty());
    }

    void saveFallsThroughToSaveAs()
    {
        QTemporaryDir dir;
        Fixture f;
        ScriptedInteraction ui;
        const QString path = dir.filePath("a.qzm");
        ui.QueueFile(path);
        QVERIFY(f.doc.DoFileSave());

        // The file has gone: Save asks for a name.
        QFile::remove(path);
        ui.QueueFile(std::nullopt);
        QVERIFY(!f.doc.DoFileSave());
        QCOMPARE(ui.fileDialogs.size(), 2);
        QCOMPARE(ui.fileDialogs.last().initialPath, path);

        // A read-only file is not written over, root or not.
        WriteTestFile(path, "keep me");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        ui.QueueFile(std::nullopt);
        QVERIFY(!f.doc.DoFileSave());
        QCOMPARE(ui.fileDialogs.size(), 3);
        QCOMPARE(ReadTestFile(path), QByteArray("keep me"));

        // Nor when chosen in Save As.
        f.doc.SetModifiedFlag(true);
        ui.QueueFile(path);
        QVERIFY(!f.doc.DoSave(QString()));
        QCOMPARE(ui.MessageTexts(), QStringList{QString("Access to %1 was denied.").arg(Native(path))});
        QCOMPARE(ReadTestFile(path), QByteArray("keep me"));
        QVERIFY(f.doc.IsModified());
    }

    void failedSaveChangesNothing()
    {
        QTemporaryDir dir;
        Fixture f;
        f.doc.SetModifiedFlag(true);
        ScriptedInteraction ui;
        const QString bad = dir.filePath("no-such-folder/x.qzm");
        ui.QueueFile(bad);
        QVERIFY(!f.doc.DoFileSave());
        QCOMPARE(ui.MessageTexts(), QStringList{QString("%1 contains an invalid path.").arg(Native(bad))});
        QVERIFY(ui.messages[0].icon == MessageRequest::Icon::Warning);
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.doc.GetTitle(), QString("Untitled"));
        QVERIFY(f.doc.GetPathName().isEmpty());
        QVERIFY(f.recent.isEmpty());

        // A folder in the file's place.
        ui.QueueFile(dir.path());
        QVERIFY(!f.doc.DoSave(QString()));
        QCOMPARE(ui.messages.last().text, QString("%1 is a folder, not a file.").arg(Native(dir.path())));

#ifdef Q_OS_UNIX
        // A pipe in the file's place stays a pipe.
        const QString fifo = dir.filePath("pipe.qzm");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ui.QueueFile(fifo);
        QVERIFY(!f.doc.DoSave(QString()));
        QCOMPARE(ui.messages.last().text, QString("%1 is a pipe, not a file.").arg(Native(fifo)));
        struct stat st{};
        QCOMPARE(stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(f.doc.GetPathName().isEmpty());
        ui.QueueFile(QString("/dev/null"));
        QVERIFY(!f.doc.DoSave(QString()));
        QCOMPARE(ui.messages.last().text, QString("/dev/null is a device, not a file."));
        QVERIFY(f.doc.IsModified());
#endif

        // No name at all has no text of its own.
        QVERIFY(!f.doc.OnSaveDocument(QString()));
        QCOMPARE(ui.messages.last().text, QString("Invalid filename."));
        QVERIFY(f.doc.IsModified());
    }

    void failingSaveLeavesTheOldFileIntact_data()
    {
        QTest::addColumn<int>("descriptionSize");
        QTest::addColumn<int>("limit");
        QTest::newRow("buffered write, fails at flush") << 200 << 100;
        QTest::newRow("large write, fails at once") << 40000 << 20000;
        QTest::newRow("nothing fits") << 10 << 0;
    }

    void failingSaveLeavesTheOldFileIntact()
    {
#ifndef Q_OS_UNIX
        QSKIP("A file-size limit to make the disk \"full\" exists on Unix only");
#else
        QFETCH(int, descriptionSize);
        QFETCH(int, limit);
        QTemporaryDir dir;
        Fixture f;
        ScriptedInteraction ui;
        const QString path = dir.filePath("plant.qzm");
        f.doc.AddDefaultBlocks(1, 0);
        ui.QueueFile(path);
        QVERIFY(f.doc.DoFileSave());
        const QByteArray before = ReadTestFile(path);
        QCOMPARE(before.size(), 58);
        f.recent.clear();

        f.doc.SetDescription(QByteArray(descriptionSize, 'd'));
        for (int i = 0; i < 48; ++i)
            AddBlock(f.doc, CQZMDoc::List::Write, QByteArray(100, 'w'), 1, i, 1);
        f.doc.SetModifiedFlag(true);
        bool saved = true;
        {
            FileSizeLimit limiter(rlim_t(limit) + 0);
            QVERIFY(limiter.ok());
            saved = f.doc.DoFileSave();
        }
        QVERIFY(!saved);
        QCOMPARE(ui.MessageTexts(), QStringList{QString("Disk full while accessing %1.").arg(Native(path))});
        QCOMPARE(ReadTestFile(path), before);
        QCOMPARE(FolderEntries(dir), QStringList{"plant.qzm"});   // no temporary left behind
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.doc.GetPathName(), path);
        QVERIFY(f.recent.isEmpty());

        // Without the limit the same save goes through.
        QVERIFY(f.doc.DoFileSave());
        QCOMPARE(ReadTestFile(path), f.doc.StoredBytes());
        QVERIFY(!f.doc.IsModified());
#endif
    }

    void fileErrorTexts()
    {
        const QString p = QStringLiteral("/x/y.qzm");
        QVERIFY(FileErrorMessage(FileErrorCause::None, p).isEmpty());
        const QList<QPair<FileErrorCause, QString>> texts = {
            {FileErrorCause::Generic, "An unknown error occurred while accessing /x/y.qzm."},
            {FileErrorCause::FileNotFound, "/x/y.qzm was not found."},
            {FileErrorCause::BadPath, "/x/y.qzm contains an invalid path."},
            {FileErrorCause::TooManyOpenFiles, "/x/y.qzm could not be opened because there are too many open files."},
            {FileErrorCause::AccessDenied, "Access to /x/y.qzm was denied."},
            {FileErrorCause::InvalidFile, "An invalid file handle was associated with /x/y.qzm."},
            {FileErrorCause::RemoveCurrentDir, "/x/y.qzm could not be removed because it is the current directory."},
            {FileErrorCause::DirectoryFull, "/x/y.qzm could not be created because the directory is full."},
            {FileErrorCause::BadSeek, "Seek failed on /x/y.qzm"},
            {FileErrorCause::HardIO, "A hardware I/O error was reported while accessing /x/y.qzm."},
            {FileErrorCause::SharingViolation, "A sharing violation occurred while accessing /x/y.qzm."},
            {FileErrorCause::LockViolation, "A locking violation occurred while accessing /x/y.qzm."},
            {FileErrorCause::DiskFull, "Disk full while accessing /x/y.qzm."},
            {FileErrorCause::EndOfFile, "An attempt was made to access /x/y.qzm past its end."},
        };
        for (const auto& [cause, text] : texts)
            QCOMPARE(FileErrorMessage(cause, p), QString(text).replace("/x/y.qzm", QDir::toNativeSeparators(p)));

        QVERIFY(FileErrorCauseFromErrno(ENOENT) == FileErrorCause::FileNotFound);
        QVERIFY(FileErrorCauseFromErrno(ENOENT, true) == FileErrorCause::BadPath);
        QVERIFY(FileErrorCauseFromErrno(EACCES) == FileErrorCause::AccessDenied);
        QVERIFY(FileErrorCauseFromErrno(EFBIG) == FileErrorCause::DiskFull);
        QVERIFY(FileErrorCauseFromErrno(ENOSPC) == FileErrorCause::DiskFull);
        QVERIFY(FileErrorCauseFromErrno(EMFILE) == FileErrorCause::TooManyOpenFiles);
        QVERIFY(FileErrorCauseFromErrno(EIO) == FileErrorCause::HardIO);
        QVERIFY(FileErrorCauseFromErrno(ENOTDIR) == FileErrorCause::BadPath);
        QVERIFY(FileErrorCauseFromErrno(EXDEV) == FileErrorCause::Generic);
        QVERIFY(FileErrorCauseFromErrno(0) == FileErrorCause::None);

        // An earlier failure is not taken for the next file call's cause,
        // whichever of errno and the system's last error it was left in.
        errno = EACCES;
#ifdef Q_OS_WIN
        SetLastError(ERROR_SHARING_VIOLATION);
#endif
        QVERIFY(LastFileErrorCause() != FileErrorCause::None);
        ClearLastFileError();
        QVERIFY(LastFileErrorCause() == FileErrorCause::None);
    }
};

QTEST_GUILESS_MAIN(TestFileSave)
#include "tst_filesave.moc"
