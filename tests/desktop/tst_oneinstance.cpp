// One window per user: a start with a file hands it to the running program.
#include "app/QZMApp.h"
#include "app/RunningInstance.h"
#include "app/ShellRegistration.h"
#include "app/ShellServer.h"
#include "document/QZMDoc.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray QzmFile()
{
    return HexBytes("03000000 00000000 00000000 00000000 01000000 00000000 64000000 02000000 01000000 01000000 00");
}

// The name the program itself listens on (its base name is "qzm").
QString ProgramServerName()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/qzm-%1").arg(::getuid());
}

// Connects and asks for one answer; empty when nobody answers.
QByteArray AskOpen(const QString& name, const QString& path)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000))
        return {};
    socket.write(OpenRequestLine(path));
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(20000))
            return {};
    return socket.readLine().trimmed();
}

// A running program listens when it answers a request.
bool WaitUntilServing(const QString& name, const QString& path)
{
    return QTest::qWaitFor([&] { return AskOpen(name, path) == "ok"; }, 30000);
}

struct Program
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    void Start(const QString& program, const QStringList& arguments, const QString& folder = {})
    {
        process->setWorkingDirectory(folder);
        process->start(program, arguments);
    }
    ~Program()
    {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
};
} // namespace

class TestOneInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
    }

    void startWithFileHandsItToTheRunningProgram()
    {
        QTemporaryDir dir;
        WriteTestFile(dir.filePath(QStringLiteral("plant a.qzm")), QzmFile());
        QList<ShellRequest> requests;
        bool answer = true;
        CShellServer running(ProgramServerName(), [&](const ShellRequest& request) {
            requests << request;
            return answer;
        });
        QVERIFY(running.Listen());

        // A relative name, as a terminal gives it, arrives as a full path.
        Program opened;
        opened.Start(QStringLiteral(QZM_PROGRAM), {QStringLiteral("plant a.qzm")}, dir.path());
        QVERIFY(QTest::qWaitFor([&] { return opened.process->state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(opened.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(opened.process->exitCode(), 0);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].verb, ShellRequest::Verb::Open);
        QCOMPARE(requests[0].path, dir.filePath(QStringLiteral("plant a.qzm")));

        // Asked for a window of its own, a start does not hand the file over.
        const QString entry = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/zelvra-qzm.desktop");
        QFile::remove(entry);
        Program own;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QZM_NEW_WINDOW"), QStringLiteral("1"));
        own.process->setProcessEnvironment(environment);
        own.Start(QStringLiteral(QZM_PROGRAM), {QStringLiteral("plant a.qzm")}, dir.path());
        // It opens the file itself and shows its window, after which it
        // registers the file type; nothing reaches the handler meanwhile.
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(entry); }, 30000));
        QCOMPARE(own.process->state(), QProcess::Running);
        QCOMPARE(requests.size(), 1);

        // The running program could not open it: it said why; this start fails.
        answer = false;
        Program refused;
        refused.Start(QStringLiteral(QZM_PROGRAM), {dir.filePath(QStringLiteral("missing.qzm"))});
        QVERIFY(QTest::qWaitFor([&] { return refused.process->state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(refused.process->exitCode(), 1);
        QCOMPARE(requests.size(), 2);
        QVERIFY(refused.process->readAllStandardError().contains("could not open"));
        // Neither start wrote the recent-file list: it is the running one's.
        QVERIFY(!QFile::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Zelvra/QZM.conf")));
    }

    void crashedInstanceLeavesNoTrap()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.qzm"));
        const QString second = dir.filePath(QStringLiteral("second.qzm"));
        WriteTestFile(first, QzmFile());
        WriteTestFile(second, QzmFile());
        QVERIFY(MakeDeadSocketFile(ProgramServerName()));

        // The dead socket refuses; the program opens the file itself and
        // takes the socket over.
        Program program;
        program.Start(QStringLiteral(QZM_PROGRAM), {first});
        QVERIFY(WaitUntilServing(ProgramServerName(), second));
        QCOMPARE(program.process->state(), QProcess::Running);
    }

    void filesOpenedTogetherReachOneWindow()
    {
        QTemporaryDir dir;
        QStringList files;
        for (const char* name : {"one.qzm", "two.qzm", "three.qzm"}) {
            files << dir.filePath(QString::fromLatin1(name));
            WriteTestFile(files.last(), QzmFile());
        }
        // The desktop starts one program per file, all at once.
        std::vector<Program> programs(3);
        for (int i = 0; i < 3; ++i)
            programs[size_t(i)].Start(QStringLiteral(QZM_PROGRAM), {files[i]});
        auto running = [&] {
            int count = 0;
            for (const Program& p : programs)
                count += p.process->state() != QProcess::NotRunning;
            return count;
        };
        QVERIFY(QTest::qWaitFor([&] { return running() == 1; }, 60000));
        for (const Program& p : programs) {
            if (p.process->state() == QProcess::NotRunning) {
                QCOMPARE(p.process->exitStatus(), QProcess::NormalExit);
                QCOMPARE(p.process->exitCode(), 0);
            }
        }
        QVERIFY(WaitUntilServing(ProgramServerName(), files[0]));
    }

    void aServerOfThisProcessIsNotAsked()
    {
        // Asking it would wait for an answer this very thread has to give.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("here.qzm"));
        WriteTestFile(path, QzmFile());
        int asked = 0;
        CShellServer here(ShellServerName(), [&](const ShellRequest&) { return ++asked, true; });
        QVERIFY(here.Listen());
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{path});
        app.SetDesktopToolRunner([](const QString&, const QStringList&) {});
        QVERIFY(app.InitInstance());
        QCOMPARE(app.GetQZMDoc()->GetPathName(), path);
        QCOMPARE(asked, 0);
    }

    void socketFolderAndPeerMustBeTheUsersOwn()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", runtime); });
        // No runtime folder, or one too deep for a socket's name: a folder
        // made 0700 in the temporary folder holds the socket.
        QTemporaryDir deep;
        const QString tooLong = deep.filePath(QString(100, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(tooLong) && QFile::setPermissions(tooLong, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        for (const QString& value : {QString(), tooLong}) {
            qputenv("XDG_RUNTIME_DIR", value.toLocal8Bit());
            const QString name = ShellServerName();
            QVERIFY(!name.isEmpty());
            QCOMPARE(QFileInfo(name).path(), QDir::tempPath() + QStringLiteral("/test_oneinstance-runtime-%1").arg(::getuid()));
            struct stat info;
            QVERIFY(::lstat(QFile::encodeName(QFileInfo(name).path()).constData(), &info) == 0);
            QCOMPARE(info.st_mode & 07777, mode_t(0700));
        }
        // Someone else's folder, a link, a loose mode: no socket at all.
        qunsetenv("XDG_RUNTIME_DIR");
        const QByteArray folder = QFile::encodeName(QFileInfo(ShellServerName()).path());
        QVERIFY(::chmod(folder.constData(), 0755) == 0);
        QVERIFY(ShellServerName().isEmpty());
        QVERIFY(::rmdir(folder.constData()) == 0 && ::symlink(QFile::encodeName(deep.path()).constData(), folder.constData()) == 0);
        QVERIFY(ShellServerName().isEmpty());
        QVERIFY(::unlink(folder.constData()) == 0);
        QVERIFY(!ShellServerName().isEmpty());

        // A listener of another user hears nothing of the file.
        if (::getuid() != 0)
            QSKIP("needs root to listen as another user");
        QTemporaryDir shared(QStringLiteral("/tmp/qzm-peer-XXXXXX"));
        QVERIFY(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
        const QString socketPath = shared.filePath(QStringLiteral("s"));
        QProcess other;
        other.start(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                     QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                     QStringLiteral("import socket,sys\n"
                                    "s=socket.socket(socket.AF_UNIX);s.bind(sys.argv[1]);s.listen();print('up',flush=True)\n"
                                    "c,_=s.accept();c.settimeout(3)\n"
                                    "try: print(repr(c.recv(4096)))\n"
                                    "except Exception: print('nothing')\n"),
                     socketPath});
        QVERIFY(other.waitForReadyRead(10000));
        QCOMPARE(ForwardOpenRequest(socketPath, QStringLiteral("/home/tech/secret.qzm")), ForwardResult::NoInstance);
        QVERIFY(other.waitForFinished(10000));
        QVERIFY(!other.readAllStandardOutput().contains("secret"));
    }

    void unregisterWithoutADisplay()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QZM_PROGRAM), {QStringLiteral("/Unregister")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardOutput().contains("System registry entries have been removed"));
    }

    void programInAFolderNamedInAnotherEncoding()
    {
        // /proc/self/exe of a program started through an ASCII link names
        // the folder by its own bytes: "caf\xe9" is not UTF-8.
        QTemporaryDir dir;
        const QByteArray odd = QFile::encodeName(dir.path()) + "/caf\xe9";
        QVERIFY(::mkdir(odd.constData(), 0700) == 0);
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(::symlink(odd.constData(), QFile::encodeName(link).constData()) == 0);
        QVERIFY(QDir().mkpath(link + QStringLiteral("/bin")) && QDir().mkpath(link + QStringLiteral("/lib/qzm")));
        QVERIFY(QFile::copy(QStringLiteral(QZM_PROGRAM), link + QStringLiteral("/bin/qzm")));
        QVERIFY(QFile::link(QStringLiteral(QZM_PLUGIN_DIR), link + QStringLiteral("/lib/qzm/plugins")));
        const QString file = dir.filePath(QStringLiteral("plant.qzm"));
        WriteTestFile(file, QzmFile());

        // Its plugins load (the shell server answers under the program's
        // name), and it says why it cannot register itself.
        const QString entry = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/zelvra-qzm.desktop");
        QFile::remove(entry);   // what an earlier test's program wrote
        Program program;
        program.Start(link + QStringLiteral("/bin/qzm"), {});
        QVERIFY(WaitUntilServing(ProgramServerName(), file));
        program.process->kill();
        program.process->waitForFinished(10000);
        QVERIFY(program.process->readAllStandardError().contains("not registered with the desktop"));
        QVERIFY(!QFile::exists(entry));

        // Found on PATH under its name, it registers by that name.
        Program onPath;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), link + QStringLiteral("/bin:") + environment.value(QStringLiteral("PATH")));
        onPath.process->setProcessEnvironment(environment);
        onPath.Start(link + QStringLiteral("/bin/qzm"), {});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(entry); }, 30000));
        QFile desktopEntry(entry);
        QVERIFY(desktopEntry.open(QIODevice::ReadOnly));
        QVERIFY(desktopEntry.readAll().contains((link + QStringLiteral("/bin/qzm")).toUtf8()));
        onPath.process->kill();
        onPath.process->waitForFinished(10000);
        // QDir cannot name the odd folder to remove it.
        QCOMPARE(QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), dir.path()}), 0);
    }
};

QTEST_MAIN(TestOneInstance)
#include "tst_oneinstance.moc"
