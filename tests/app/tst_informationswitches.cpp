// qzm --help and --version answer on standard output and end, without a
// window and without a display; the program's own switches keep their meaning.
#include "app/CommandLineInfo.h"
#include "app/InformationSwitches.h"
#include "app/QZMApp.h"
#include "framework/FrameWnd.h"
#include "support/ProcessRun.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QTest>

namespace {
using Result = ProcessRun;

Result RunProgram(const QStringList& arguments, bool withDisplay)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!withDisplay) {
        // Nothing to show a window on: the answer must not need one.
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    process.setProcessEnvironment(env);
    return RunToEnd(process, QStringLiteral(QZM_PROGRAM), arguments);
}
} // namespace

class TestInformationSwitches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void helpAndVersionPrintAndEnd()
    {
        const Result help = RunProgram({QStringLiteral("--help")}, false);
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("Usage: qzm [FILE]\n"));
        for (const char* switchName : {"/p FILE", "/pt FILE PRINTER DRIVER PORT", "/Unregister", "--version"})
            QVERIFY2(help.out.contains(switchName), switchName);
        QVERIFY(help.err.isEmpty());

        const Result version = RunProgram({QStringLiteral("--version")}, false);
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QByteArray("qzm (QZM Configurator) 2.0.0.2, QZM V2.01\n"));

        // Beside a file or a switch it still only answers.
        QCOMPARE(RunProgram({QStringLiteral("plant.qzm"), QStringLiteral("--version")}, false).out, version.out);
    }

    void programSwitchesKeepTheirMeaning()
    {
        // Only the two long forms answer; "-help", "/help" and "-h" stay
        // unknown switches of the command line, which it ignores.
        for (const char* other : {"-help", "/help", "-h", "-version", "--HELP"}) {
            QVERIFY2(InformationSwitchText({QString::fromLatin1(other)}).isEmpty(), other);
            QCOMPARE(CCommandLineInfo::Parse({QString::fromLatin1(other)}).m_nShellCommand, CCommandLineInfo::FileNew);
        }
        QCOMPARE(CCommandLineInfo::Parse({QStringLiteral("/p"), QStringLiteral("a.qzm")}).m_nShellCommand,
                 CCommandLineInfo::FilePrint);
        QVERIFY(InformationSwitchText({QStringLiteral("/p"), QStringLiteral("a.qzm")}).isEmpty());
    }

    void printWithoutAFileSaysWhy()
    {
        // The desktop's Print action with no file: not silent, and ended.
        ScriptedInteraction interaction;
        CQZMApp app({QStringLiteral("/p")});
        QVERIFY(!app.InitInstance());
        QCOMPARE(interaction.messages.size(), 1);
        QVERIFY(interaction.messages.first().text.startsWith(QLatin1String("Nothing to print: no file was named.")));
        QVERIFY(!app.GetMainWnd() || !app.GetMainWnd()->isVisible());
    }
};

QTEST_MAIN(TestInformationSwitches)
#include "tst_informationswitches.moc"
