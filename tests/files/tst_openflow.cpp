#include "support/DocumentHelpers.h"

#include "app/QZMApp.h"
#include "frame/MainFrame.h"
#include "framework/RecentFileList.h"
#include "framework/StandardIds.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
QByteArray PlantFile(qint32 port)
{
    CQZMDoc doc;
    doc.SetDescription("plant");
    doc.SetSerialPort(port);
    doc.SetTimeout(400);
    AddBlock(doc, CQZMDoc::List::Read, "r", 7, 8, 0);
    AddBlock(doc, CQZMDoc::List::Write, "w", 9, 10, 1);
    return doc.StoredBytes();
}

QString FirstRecent(const CQZMApp& app)
{
    return (*app.GetRecentFileList())[0];
}
} // namespace

class TestOpenFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void openThenFailedOpenThenUnknownVersion()
    {
        QTemporaryDir dir;
        ScriptedInteraction ui;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        QCOMPARE(app.GetMainFrame()->windowTitle(), QString("Untitled - QZM V2.01"));

        const QString plant = dir.filePath("plant.qzm");
        WriteTestFile(plant, PlantFile(2));
        QCOMPARE(app.OpenDocumentFile(plant), doc);
        QCOMPARE(doc->GetTitle(), QString("plant.qzm"));
        QCOMPARE(doc->GetPathName(), plant);
        QCOMPARE(app.GetMainFrame()->windowTitle(), QString("plant.qzm - QZM V2.01"));
        QCOMPARE(FirstRecent(app), plant);
        QCOMPARE(doc->Description(), QByteArray("plant"));
        QCOMPARE(doc->SerialPort(), 2);
        QCOMPARE(doc->Timeout(), 400);
        QCOMPARE(doc->CurrentIndex(CQZMDoc::List::Read), 0);
        QVERIFY(!doc->IsModified());

        // A broken file: reported, then a fresh untitled document; the
        // port of the broken file is not taken over.
        const QString broken = dir.filePath("broken.qzm");
        QByteArray cut = PlantFile(4);
        cut.chop(3);
        WriteTestFile(broken, cut);
        QCOMPARE(app.OpenDocumentFile(broken), nullptr);
        QCOMPARE(ui.MessageTexts(), QStringList{"Unexpected file format."});
        QCOMPARE(doc->GetTitle(), QString("Untitled"));
        QVERIFY(doc->GetPathName().isEmpty());
        QCOMPARE(app.GetMainFrame()->windowTitle(), QString("Untitled - QZM V2.01"));
        QVERIFY(doc->ReadBlocks().isEmpty() && doc->WriteBlocks().isEmpty());
        QVERIFY(doc->Description().isEmpty());
        QCOMPARE(doc->Timeout(), 100);
        QCOMPARE(doc->SerialPort(), 2);
        QVERIFY(!doc->IsModified());
        QCOMPARE(FirstRecent(app), plant);

        // An empty file likewise.
        const QString empty = dir.filePath("empty.qzm");
        WriteTestFile(empty, {});
        QVERIFY(app.OpenDocumentFile(plant));
        QCOMPARE(app.OpenDocumentFile(empty), nullptr);
        QCOMPARE(ui.messages.last().text, QString("Unexpected file format."));
        QCOMPARE(doc->GetTitle(), QString("Untitled"));
        QVERIFY(doc->ReadBlocks().isEmpty());

        // A version this program does not know: message 104, a new document
        // under the file's name, the port kept; Save then writes over it.
        doc->OnCmdMsg(ID_SERIAL_COM3, nullptr);
        QVERIFY(doc->IsModified());
        const QString future = dir.filePath("future.qzm");
        WriteTestFile(future, Int32(4) + PlantFile(1).mid(4));
        ui.QueueAnswer(MsgAnswer::No);   // "Save changes to Untitled?"
        QCOMPARE(app.OpenDocumentFile(future), doc);
        QCOMPARE(ui.messages.last().text, QString("Fail in read this filel!\nA new document will be created."));
        QCOMPARE(doc->GetTitle(), QString("future.qzm"));
        QCOMPARE(doc->GetPathName(), future);
        QCOMPARE(app.GetMainFrame()->windowTitle(), QString("future.qzm - QZM V2.01"));
        QCOMPARE(FirstRecent(app), future);
        QCOMPARE(doc->SerialPort(), 3);
        QVERIFY(doc->ReadBlocks().isEmpty() && doc->WriteBlocks().isEmpty());
        QVERIFY(!doc->IsModified());
        QVERIFY(doc->DoFileSave());
        const QByteArray saved = ReadTestFile(future);
        QCOMPARE(saved.size(), 41);
        QCOMPARE(saved.mid(32, 4), Int32(3));

        // A missing file leaves the document as it was, modified or not.
        doc->SetDescription("edited");
        doc->SetModifiedFlag(true);
        const QString missing = dir.filePath("missing.qzm");
        ui.QueueAnswer(MsgAnswer::No);
        QCOMPARE(app.OpenDocumentFile(missing), nullptr);
        QCOMPARE(ui.messages.last().text, QString("%1 was not found.").arg(missing));
        QCOMPARE(doc->Description(), QByteArray("edited"));
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->GetTitle(), QString("future.qzm"));
        QVERIFY(ui.AllAnswersUsed());
    }

    void pipesAndDevicesAreRefused()
    {
        QTemporaryDir dir;
        ScriptedInteraction ui;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        const QString plant = dir.filePath("plant.qzm");
        WriteTestFile(plant, PlantFile(2));
        QVERIFY(app.OpenDocumentFile(plant));

        // A named pipe no one writes to, as a recent entry may name it.
        const QString fifo = dir.filePath("pipe.qzm");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Should the open wait for a writer, this one comes and goes, so a
        // fault shows as a wrong message rather than a hung test.
        std::atomic<bool> done{false};
        std::thread rescuer([&] {
            while (!done) {
                const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
                std::this_thread::yield();
            }
        });
        CDocument* opened = app.OpenDocumentFile(fifo);
        done = true;
        rescuer.join();
        QCOMPARE(opened, nullptr);
        QCOMPARE(ui.MessageTexts(), QStringList{QString("%1 is a pipe, not a file.").arg(fifo)});
        // The document it was is kept, as for a missing file.
        QCOMPARE(app.GetQZMDoc()->GetPathName(), plant);

        QCOMPARE(app.OpenDocumentFile("/dev/null"), nullptr);
        QCOMPARE(ui.messages.last().text, QString("/dev/null is a device, not a file."));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), plant);

        // A socket and a folder: no "unknown error", no "access denied".
        const QString socketPath = dir.filePath("s.qzm");
        QVERIFY(MakeDeadSocketFile(socketPath));
        QCOMPARE(app.OpenDocumentFile(socketPath), nullptr);
        QCOMPARE(ui.messages.last().text, QString("%1 is a socket, not a file.").arg(socketPath));
        QCOMPARE(app.OpenDocumentFile(dir.path()), nullptr);
        QCOMPARE(ui.messages.last().text, QString("%1 is a folder, not a file.").arg(dir.path()));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), plant);
        QCOMPARE(ui.messages.size(), 4);
    }

    // Qt decodes file names as UTF-8; a name that is not cannot reach its
    // file. Every way into an open says so instead of "was not found".
    void nameThatIsNotUtf8()
    {
        QTemporaryDir dir;
        ScriptedInteraction ui;
        const QByteArray folder = QFile::encodeName(dir.path());
        WriteTestFile(QFile::decodeName(folder + "/plain.qzm"), PlantFile(2));
        // The bytes go to the system as they are; Qt would re-encode them.
        const QByteArray raw = folder + "/caf\xe9.qzm";
        const QByteArray bytes = PlantFile(3);
        {
            const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
            ::close(fd);
        }
        const QString lossy = QFile::decodeName(raw);
        QVERIFY(lossy.contains(QChar::ReplacementCharacter));
        const QString expected = QString("%1 cannot be opened or saved under its name: the name is not valid UTF-8 "
                                         "and cannot be represented.\nRename the file, or choose another name.");

        // On the command line (relative: a leading "/" is a switch).
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        auto restoreCwd = qScopeGuard([&] { QDir::setCurrent(oldCwd); });
        {
            CQZMApp started(QStringList{QFile::decodeName("caf\xe9.qzm")});
            QVERIFY(!started.InitInstance());
            QCOMPARE(ui.MessageTexts(), QStringList{expected.arg(lossy)});
        }
        ui.messages.clear();

        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        const QString plain = dir.filePath("plain.qzm");
        QVERIFY(app.OpenDocumentFile(plain));

        // File Open.
        ui.QueueFile(lossy);
        app.OnFileOpen();
        QCOMPARE(ui.MessageTexts(), QStringList{expected.arg(lossy)});

        // A recent entry: it leaves the list like any file that fails.
        app.GetRecentFileList()->Add(lossy);
        QCOMPARE(FirstRecent(app), lossy);
        QVERIFY(!app.OnOpenRecentFile(ID_FILE_MRU_FILE1));
        QCOMPARE(ui.messages.size(), 2);
        QCOMPARE(ui.messages.last().text, expected.arg(lossy));
        QCOMPARE(FirstRecent(app), plain);

        // Dropped on the window: the URL carries the bytes, the local path
        // Qt makes of it does not.
        QMimeData mime;
        mime.setUrls({QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"))});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(app.GetMainFrame(), &enter);
        QVERIFY(enter.isAccepted());
        QCoreApplication::sendEvent(app.GetMainFrame(), &drop);
        QTRY_COMPARE(ui.messages.size(), 3);
        QCOMPARE(ui.messages.last().text, expected.arg(lossy));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), plain);

        // A missing file whose name has U+FFFD in earnest is just missing,
        // and one that exists under that very name opens.
        const QString real = dir.filePath(QString("real") + QChar(QChar::ReplacementCharacter) + ".qzm");
        QVERIFY(!app.OpenDocumentFile(real));
        QCOMPARE(ui.messages.last().text, QString("%1 was not found.").arg(real));
        WriteTestFile(real, PlantFile(4));
        QVERIFY(app.OpenDocumentFile(real));
        QCOMPARE(app.GetQZMDoc()->SerialPort(), 4);

        // Saving over the file chosen in Save As would make another file
        // beside it.
        app.GetQZMDoc()->SetModifiedFlag(true);
        ui.QueueFile(lossy);
        QVERIFY(!app.GetQZMDoc()->DoSave(QString()));
        QCOMPARE(ui.messages.last().text, expected.arg(lossy));
        QVERIFY(app.GetQZMDoc()->IsModified());
        QVERIFY(!QFileInfo::exists(lossy));
        // A folder whose name is not UTF-8 on the way to a new file.
        QVERIFY(::mkdir((folder + "/d\xe9").constData(), 0700) == 0);
        const QString inFolder = QFile::decodeName(folder + "/d\xe9/new.qzm");
        ui.QueueFile(inFolder);
        QVERIFY(!app.GetQZMDoc()->DoSave(QString()));
        QCOMPARE(ui.messages.last().text, expected.arg(inFolder));
        app.GetQZMDoc()->SetModifiedFlag(false);
    }

    void brokenFileOnTheCommandLineEndsStartUp()
    {
        QTemporaryDir dir;
        ScriptedInteraction ui;
        const QString broken = dir.filePath("broken.qzm");
        WriteTestFile(broken, PlantFile(1).left(20));
        // Relative names: an argument starting with "/" is read as a switch.
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        auto restoreCwd = qScopeGuard([&] { QDir::setCurrent(oldCwd); });
        CQZMApp app(QStringList{"broken.qzm"});
        QVERIFY(!app.InitInstance());
        QCOMPARE(ui.MessageTexts(), QStringList{"Unexpected file format."});

        const QString good = dir.filePath("good.qzm");
        WriteTestFile(good, PlantFile(4));
        CQZMApp second(QStringList{"good.qzm"});
        QVERIFY(second.InitInstance());
        QCOMPARE(second.GetQZMDoc()->SerialPort(), 4);
        QCOMPARE(second.GetMainFrame()->windowTitle(), QString("good.qzm - QZM V2.01"));
    }
};

QTEST_MAIN(TestOpenFlow)
#include "tst_openflow.moc"
