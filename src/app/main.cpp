#include "app/AppMain.h"
#include "app/CommandLineInfo.h"
#include "app/InformationSwitches.h"

#include <QApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#endif

namespace {
// The arguments as the user typed them: on Windows argv holds them in the
// ANSI code page, which cannot spell every file name.
QStringList CommandLineArguments(int argc, char* argv[])
{
    QStringList arguments;
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
#endif
    return arguments;
}

// A window program on Windows starts without a console: what --version or
// --help print goes to the console it was started from, unless its output
// is redirected already.
void AttachToStartingConsole()
{
#ifdef Q_OS_WIN
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN && AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stdout);
#endif
}
} // namespace

int main(int argc, char* argv[])
{
    const QStringList arguments = CommandLineArguments(argc, argv);
    const QString information = InformationSwitchText(arguments);
    if (!information.isEmpty()) {
        AttachToStartingConsole();
        const QByteArray bytes = information.toLocal8Bit();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // Unregistering needs no window: without a display it runs on the
    // offscreen platform and says its message on the terminal.
    const bool terminalOnly = !HasDisplay() && CCommandLineInfo::Parse(arguments).m_nShellCommand == CCommandLineInfo::AppUnregister;
    if (terminalOnly)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return RunQZMApplication(application, terminalOnly);
}
