// Registration of the .qzm type with a freedesktop desktop, and Unregister.
#include "app/QZMApp.h"
#include "app/ShellRegistration.h"
#include "frame/AboutDlg.h"
#include "frame/MainFrame.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Entry = QMap<QString, QMap<QString, QString>>;

// A desktop entry string value, unescaped.
QString UnescapeEntryString(const QString& raw)
{
    QString out;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += raw.at(i);
            continue;
        }
        const QChar next = raw.at(++i);
        if (next == QLatin1Char('s')) out += QLatin1Char(' ');
        else if (next == QLatin1Char('n')) out += QLatin1Char('\n');
        else if (next == QLatin1Char('t')) out += QLatin1Char('\t');
        else if (next == QLatin1Char('r')) out += QLatin1Char('\r');
        else if (next == QLatin1Char('\\')) out += QLatin1Char('\\');
        else out += QLatin1Char('\\') + QString(next);
    }
    return out;
}

Entry ReadEntry(const QString& path)
{
    Entry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entry;
    QString group;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            group = line.mid(1, line.size() - 2);
        else if (line.contains(QLatin1Char('=')))
            entry[group][line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1);
    }
    return entry;
}

// Splits an Exec value into arguments as a launcher does, with %f standing
// for file. Fails the test on a rule the value breaks.
QStringList SplitExec(const QString& value, const QString& file)
{
    const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QStringList args;
    QString current;
    bool inArg = false;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('"')) {
            inArg = true;
            for (++i; i < value.size() && value.at(i) != QLatin1Char('"'); ++i) {
                QChar d = value.at(i);
                if (d == QLatin1Char('\\')) {
                    if (++i == value.size() || !QStringLiteral("\"`$\\").contains(value.at(i)))
                        return {QStringLiteral("<bad escape>")};
                    d = value.at(i);
                }
                current += d;
            }
            if (i == value.size())
                return {QStringLiteral("<unterminated quote>")};
            continue;
        }
        if (c == QLatin1Char(' ')) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
            continue;
        }
        if (reserved.contains(c))
            return {QStringLiteral("<unquoted reserved character>")};
        current += c;
        inArg = true;
    }
    if (inArg)
        args << current;
    for (QString& arg : args) {
        if (arg == QLatin1String("%f"))
            arg = file;
        else
            arg.replace(QLatin1String("%%"), QLatin1String("%"));
    }
    return args;
}

QStringList FilesUnder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

DocTypeInfo QzmType()
{
    return DocTypeInfo::FromTemplateString(CStringTable::Load(IDR_MAINFRAME));
}

QString DataHome()
{
    return CShellRegistration::DataHome();
}
} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT

    QStringList m_tools;

    // The registration of a .qzm program at path, with the tools it runs
    // recorded in m_tools.
    CShellRegistration Recorded(const QString& program)
    {
        CShellRegistration registration(QzmType(), program);
        registration.SetToolRunner([this](const QString& tool, const QStringList&) { m_tools << tool; });
        return registration;
    }

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
        QVERIFY(QDir::isAbsolutePath(qEnvironmentVariable("XDG_DATA_HOME")));
    }

    void init()
    {
        m_tools.clear();
        QDir(DataHome()).removeRecursively();
        QDir().mkpath(DataHome());
        // No system database: each test says what the MIME database holds.
        qputenv("XDG_DATA_DIRS", QByteArray("/nonexistent"));
    }

    void typeComesFromTheTemplate()
    {
        const DocTypeInfo type = QzmType();
        QCOMPARE(type.typeId, QString("QZM.Document"));
        QCOMPARE(type.typeName, QString("QZM Document"));
        QCOMPARE(type.extension, QString(".qzm"));
        QCOMPARE(type.MimeType(), QString("application/x-qzm"));
    }

    void entryQuotingSurvivesAwkwardPaths_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/usr/bin/qzm";
        QTest::newRow("spaces") << "/opt/My Programs/QZM Configurator/qzm";
        QTest::newRow("double quotes") << "/opt/the \"best\" tools/qzm";
        QTest::newRow("single quote") << "/home/o'neil/bin/qzm";
        QTest::newRow("backslashes") << "/opt/back\\slash\\\\twice/qzm";
        QTest::newRow("dollar and backtick") << "/opt/$HOME/`id`/qzm";
        QTest::newRow("percent") << "/opt/100%f/%%/qzm";
        QTest::newRow("shell characters") << "/opt/a;b&c|d<e>f(g)h*i?j#k~/qzm";
        QTest::newRow("tab and newline") << "/opt/tab\there/new\nline/qzm";
        QTest::newRow("non-ASCII") << "/opt/Konfigurátor žluťoučký/qzm";
    }

    void entryQuotingSurvivesAwkwardPaths()
    {
        QFETCH(QString, program);
        CShellRegistration registration = Recorded(program);
        QVERIFY(registration.Register());

        const Entry entry = ReadEntry(registration.DesktopEntryPath());
        const auto& main = entry.value(QStringLiteral("Desktop Entry"));
        QCOMPARE(main.value("Type"), QString("Application"));
        QCOMPARE(main.value("MimeType"), QString("application/x-qzm;"));
        QCOMPARE(main.value("Icon"), QString("zelvra-qzm"));
        QCOMPARE(UnescapeEntryString(main.value("TryExec")), program);
        const QString doc = QStringLiteral("/data/my plant.qzm");
        QCOMPARE(SplitExec(UnescapeEntryString(main.value("Exec")), doc), QStringList({program, doc}));
        QCOMPARE(main.value("Actions"), QString("Print;"));
        const auto& print = entry.value(QStringLiteral("Desktop Action Print"));
        QCOMPARE(SplitExec(UnescapeEntryString(print.value("Exec")), doc), QStringList({program, "/p", doc}));

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            QProcess validate;
            validate.start(validator, {registration.DesktopEntryPath()});
            QVERIFY(validate.waitForFinished(30000));
            QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
        }
    }

    // The real launcher of GLib desktops reads the entry and starts the
    // program with the document: the arguments must arrive intact.
    void desktopLauncherStartsTheProgramWithTheFile()
    {
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (gio.isEmpty())
            QSKIP("gio is not installed");
        QTemporaryDir dir;
        // No "%" here: GLib checks that the program exists before it undoes
        // the doubled percent signs the entry needs.
        const QString folder = dir.filePath(QStringLiteral("it's a \"test\" $HOME `id` back\\slash"));
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + QStringLiteral("/qzm");
        const QString record = dir.filePath(QStringLiteral("args.txt"));
        WriteTestFile(program, QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n")
                                   .arg(record)
                                   .toUtf8());
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CShellRegistration registration = Recorded(program);
        QVERIFY(registration.Register());

        const QString doc = dir.filePath(QStringLiteral("plant $x.qzm"));
        WriteTestFile(doc, "x");
        QProcess launch;
        launch.start(gio, {QStringLiteral("launch"), registration.DesktopEntryPath(), doc});
        QVERIFY(launch.waitForFinished(30000));
        QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 0, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(ReadTestFile(record)), doc + QLatin1Char('\n'), 30000);
    }

    void mimePackageIconsAndCaches()
    {
        CShellRegistration registration = Recorded(QStringLiteral("/usr/bin/qzm"));
        QVERIFY(registration.Register());
        const QString package = QString::fromUtf8(ReadTestFile(registration.MimePackagePath()));
        QVERIFY(package.contains("<mime-type type=\"application/x-qzm\">"));
        QVERIFY(package.contains("<comment>QZM Document</comment>"));
        QVERIFY(package.contains("<glob pattern=\"*.qzm\"/>"));
        QVERIFY(package.contains("<icon name=\"application-x-qzm\"/>"));
        // What the package installs is what the program writes.
        QCOMPARE(ReadTestFile(QStringLiteral(QZM_SOURCE_DIR "/src/resources/zelvra-qzm.xml")),
                 registration.MimePackage(true));

        for (int size : {16, 32, 48, 64, 128, 256}) {
            const QString dir = DataHome() + QStringLiteral("/icons/hicolor/%1x%1/").arg(size);
            QCOMPARE(QImage(dir + QStringLiteral("apps/zelvra-qzm.png")).size(), QSize(size, size));
            QCOMPARE(QImage(dir + QStringLiteral("mimetypes/application-x-qzm.png")).size(), QSize(size, size));
        }
        QVERIFY(ReadTestFile(DataHome() + "/icons/hicolor/scalable/apps/zelvra-qzm.svg").contains("<svg"));
        QCOMPARE(m_tools, QStringList({"update-mime-database", "update-desktop-database"}));
    }

    void writesOnlyWhatDiffers()
    {
        CShellRegistration registration = Recorded(QStringLiteral("/usr/bin/qzm"));
        QVERIFY(registration.Register());
        const QFileInfo entry(registration.DesktopEntryPath());
        const QDateTime written = entry.lastModified();
        const QByteArray icon = ReadTestFile(DataHome() + "/icons/hicolor/48x48/apps/zelvra-qzm.png");

        // A second start finds everything in place: nothing written, no tool run.
        m_tools.clear();
        {
            QFile file(registration.DesktopEntryPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.setFileTime(written.addSecs(-60), QFileDevice::FileModificationTime));
        }
        QVERIFY(registration.Register());
        QCOMPARE(QFileInfo(registration.DesktopEntryPath()).lastModified(), written.addSecs(-60));
        QVERIFY(m_tools.isEmpty());

        // The program moved: only the entry is rewritten.
        CShellRegistration moved = Recorded(QStringLiteral("/opt/qzm/bin/qzm"));
        QVERIFY(moved.Register());
        QCOMPARE(m_tools, QStringList({"update-desktop-database"}));
        QVERIFY(ReadTestFile(registration.DesktopEntryPath()).contains("Exec=\"/opt/qzm/bin/qzm\" %f"));
        QCOMPARE(ReadTestFile(DataHome() + "/icons/hicolor/48x48/apps/zelvra-qzm.png"), icon);
    }

    void extensionOwnedByAnotherTypeIsLeftAlone()
    {
        // An uncompiled package of another program claims *.QZM.
        WriteTestFile(DataHome() + "/mime/packages/other.xml",
                      "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
                      "<mime-type type=\"text/x-other\"><comment>Other</comment><glob pattern=\"*.QZM\"/></mime-type>"
                      "</mime-info>\n");
        CShellRegistration registration = Recorded(QStringLiteral("/usr/bin/qzm"));
        QVERIFY(registration.ExtensionOwnedByOther());
        QVERIFY(registration.Register());
        const QByteArray package = ReadTestFile(registration.MimePackagePath());
        // The type and the program's entry are still written; only the glob is not.
        QVERIFY(package.contains("<comment>QZM Document</comment>"));
        QVERIFY(!package.contains("glob"));
        QVERIFY(ReadTestFile(registration.DesktopEntryPath()).contains("MimeType=application/x-qzm;"));
        QVERIFY(ReadTestFile(DataHome() + "/mime/packages/other.xml").contains("text/x-other"));

        // The other program goes away: the next start takes the extension.
        QFile::remove(DataHome() + "/mime/packages/other.xml");
        QVERIFY(!registration.ExtensionOwnedByOther());
        QVERIFY(registration.Register());
        QVERIFY(ReadTestFile(registration.MimePackagePath()).contains("<glob pattern=\"*.qzm\"/>"));

        // A compiled system database counts too; an entry of our own type does not.
        QTemporaryDir system;
        qputenv("XDG_DATA_DIRS", system.path().toUtf8());
        WriteTestFile(system.filePath("mime/globs2"), "# comment\n50:application/x-qzm:*.qzm\n");
        QVERIFY(!registration.ExtensionOwnedByOther());
        WriteTestFile(system.filePath("mime/globs2"), "50:application/x-qzm:*.qzm\n50:application/x-vendor:*.qzm:cs\n");
        QVERIFY(registration.ExtensionOwnedByOther());
    }

    // With the real shared-mime-info tools, the compiled database maps *.qzm to
    // the type, and does so no more after Unregister.
    void mimeDatabaseKnowsTheType()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (tool.isEmpty())
            QSKIP("update-mime-database is not installed");
        CShellRegistration registration(QzmType(), QStringLiteral("/usr/bin/qzm"));
        registration.SetToolRunner([](const QString& name, const QStringList& args) {
            if (name == QLatin1String("update-mime-database"))
                QProcess::execute(QStandardPaths::findExecutable(name), args);
        });
        QVERIFY(registration.Register());
        QVERIFY(ReadTestFile(DataHome() + "/mime/globs2").contains(":application/x-qzm:*.qzm"));
        registration.Unregister();
        QVERIFY(!ReadTestFile(DataHome() + "/mime/globs2").contains("application/x-qzm"));
    }

    void unregisterRemovesExactlyWhatWasWritten()
    {
        // Other programs' files in the same folders stay.
        WriteTestFile(DataHome() + "/applications/other.desktop", "[Desktop Entry]\n");
        WriteTestFile(DataHome() + "/icons/hicolor/48x48/apps/other.png", "png");
        const QStringList before = FilesUnder(DataHome());

        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        WriteTestFile(config + "/Zelvra/QZM.conf", "[Recent%20File%20List]\nFile1=/tmp/a.qzm\n");
        {
            ScriptedInteraction interaction;
            CQZMApp app(QStringList{"/UNREGISTER"});
            app.SetDesktopToolRunner([this](const QString& tool, const QStringList&) { m_tools << tool; });
            // It ends at once, and says it worked.
            QCOMPARE(app.Run(), 0);
            QCOMPARE(interaction.MessageTexts(),
                     QStringList({"System registry entries have been removed and the INI file (if any) was deleted."}));
            QCOMPARE(interaction.messages.at(0).icon, MessageRequest::Icon::Warning);
        }
        QCOMPARE(FilesUnder(DataHome()), before);
        // The settings are gone and were not written back at exit.
        QVERIFY(!QFileInfo::exists(config + "/Zelvra/QZM.conf"));
        QVERIFY(!QFileInfo::exists(config + "/Zelvra"));
        QVERIFY(m_tools.contains("update-mime-database"));
        QVERIFY(m_tools.contains("update-desktop-database"));

        // Embedding: no message. The maker's folder stays while it holds more.
        WriteTestFile(config + "/Zelvra/QZM.conf", "[Recent%20File%20List]\nFile1=/tmp/a.qzm\n");
        WriteTestFile(config + "/Zelvra/Other.conf", "[General]\nx=1\n");
        {
            ScriptedInteraction interaction;
            CQZMApp app(QStringList{"/Unregister", "-Embedding"});
            app.SetDesktopToolRunner([this](const QString& tool, const QStringList&) { m_tools << tool; });
            QCOMPARE(app.Run(), 0);
            QVERIFY(interaction.messages.isEmpty());
        }
        QVERIFY(!QFileInfo::exists(config + "/Zelvra/QZM.conf"));
        QVERIFY(QFileInfo::exists(config + "/Zelvra/Other.conf"));
        QCOMPARE(FilesUnder(DataHome()), before);
    }

    void installedProgramWritesNoUserCopies()
    {
        // A fake system prefix, as a package installs it.
        QTemporaryDir prefix;
        const QString share = QDir::cleanPath(prefix.filePath(QStringLiteral("share")));
        WriteTestFile(share + "/applications/zelvra-qzm.desktop", "[Desktop Entry]\nTryExec=qzm\n");
        const QString program = prefix.filePath(QStringLiteral("bin/qzm"));
        WriteTestFile(program, "#!/bin/sh\n");
        qputenv("XDG_DATA_DIRS", ("/nonexistent:" + share).toUtf8());
        CShellRegistration installed = Recorded(program);

        // The entry alone is not the registration: the type is missing.
        QCOMPARE(installed.SystemDataDir(), QString());
        WriteTestFile(share + "/mime/packages/zelvra-qzm.xml", "<mime-info/>\n");
        QCOMPARE(installed.SystemDataDir(), share);
        QVERIFY(installed.Register());
        QCOMPARE(FilesUnder(DataHome()), QStringList());
        QVERIFY(m_tools.isEmpty());

        // An earlier build that is gone left its registration: it goes, and
        // the caches forget it.
        QVERIFY(Recorded(QStringLiteral("/nonexistent/gone/bin/qzm")).Register());
        QCOMPARE(FilesUnder(DataHome()).size(), 16);
        m_tools.clear();
        QVERIFY(installed.Register());
        QCOMPARE(FilesUnder(DataHome()), QStringList());
        QCOMPARE(m_tools, QStringList({"update-mime-database", "update-desktop-database"}));

        // A build still in place keeps what it wrote: it is that build's.
        const QString other = prefix.filePath(QStringLiteral("src/build/bin/qzm"));
        WriteTestFile(other, "#!/bin/sh\n");
        QVERIFY(Recorded(other).Register());
        const QStringList written = FilesUnder(DataHome());
        QVERIFY(installed.Register());
        QCOMPARE(FilesUnder(DataHome()), written);

        // A prefix the desktop does not read registers for the user as before.
        qputenv("XDG_DATA_DIRS", QByteArray("/nonexistent"));
        QCOMPARE(installed.SystemDataDir(), QString());
        QVERIFY(installed.Register());
        QCOMPARE(CShellRegistration::EntryProgram(ReadTestFile(installed.DesktopEntryPath())), program);
    }

    void staleRegistrationIsRepairedAndUnregistered()
    {
        const QString gone = QStringLiteral("/nonexistent/old build/qzm");
        QVERIFY(Recorded(gone).Register());
        CShellRegistration current = Recorded(QCoreApplication::applicationFilePath());
        QCOMPARE(CShellRegistration::EntryProgram(ReadTestFile(current.DesktopEntryPath())), gone);
        QVERIFY(current.Register());
        QCOMPARE(CShellRegistration::EntryProgram(ReadTestFile(current.DesktopEntryPath())),
                 QCoreApplication::applicationFilePath());
        // Written whole by rename: no leftovers, readable by the desktop.
        for (const QString& file : FilesUnder(DataHome())) {
            QVERIFY2(!file.contains(QLatin1String(".desktop.")) && !file.contains(QLatin1String(".xml.")),
                     qPrintable(file));
            QVERIFY(QFileInfo(DataHome() + QLatin1Char('/') + file).permissions() & QFileDevice::ReadOther);
        }
        current.Unregister();
        QCOMPARE(FilesUnder(DataHome()), QStringList());
    }

    void everyStartRegisters()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        app.SetDesktopToolRunner([this](const QString& tool, const QStringList&) { m_tools << tool; });
        QVERIFY(app.InitInstance());
        const QString entry = DataHome() + "/applications/zelvra-qzm.desktop";
        QVERIFY(ReadTestFile(entry).contains(
            CShellRegistration::QuoteExecArgument(QCoreApplication::applicationFilePath()).toUtf8()));
        // A dock finds that entry from the window: by its desktop file name
        // (Wayland) or by the X11 class the entry names.
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("zelvra-qzm"));
        QVERIFY(ReadTestFile(entry).contains("\nStartupWMClass=" + QCoreApplication::applicationName().toUtf8() + "\n"));
        // The window carries the program's icon.
        QVERIFY(!app.GetMainWnd()->windowIcon().isNull());
        QVERIFY(app.GetMainWnd()->windowIcon().availableSizes().contains(QSize(32, 32)));
        // So does the About box.
        CAboutDlg about(app.GetMainWnd());
        auto* icon = about.findChild<QLabel*>(QStringLiteral("IDC_ICON"));
        QVERIFY(icon && !icon->pixmap().isNull());
        QCOMPARE(icon->pixmap().toImage().pixelColor(icon->width() / 2, icon->height() / 2).alpha(), 255);
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"
