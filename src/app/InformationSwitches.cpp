#include "app/InformationSwitches.h"

#include <QCoreApplication>

namespace {
// The version is the project's (CMakeLists.txt); "QZM V2.01" is the title the window shows.
constexpr char kVersion[] = "qzm (QZM Configurator) " QZM_VERSION ", QZM V2.01\n";

constexpr char kHelp[] =
    "Usage: qzm [FILE]\n"
    "       qzm /p FILE\n"
    "       qzm /pt FILE PRINTER DRIVER PORT\n"
    "       qzm /Unregister [/Embedding]\n"
    "\n"
    "Edits the configuration of a QZM data concentrator, keeps it as a .qzm\n"
    "document and sends it to the device over a serial port.\n"
    "\n"
    "Switches start with / or -.\n"
    "  FILE                          open FILE\n"
    "  /p FILE                       print FILE without showing the window, then end\n"
    "  /pt FILE PRINTER DRIVER PORT  print FILE on PRINTER, then end\n"
    "  /Unregister, /Unregserver     remove the desktop registration and the\n"
    "                                settings, then end (/Embedding: silently)\n"
    "  /dde                          start as usual\n"
    "  --help                        show this help and end\n"
    "  --version                     show the version and end\n"
    "\n"
    "Settings: ~/.config/Zelvra/QZM.conf. See also qzm-cli(1), qzm-sim(1).\n";
} // namespace

QString InformationSwitchText(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help"))
            return QString::fromLatin1(kHelp);
        if (argument == QLatin1String("--version"))
            return QString::fromLatin1(kVersion);
    }
    return {};
}
