#include "app/AppMain.h"
#include "app/CommandLineInfo.h"
#include "app/InformationSwitches.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString information = InformationSwitchText(arguments);
    if (!information.isEmpty()) {
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
