#include "cli/CliCommands.h"
#include "resources/Strings.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvra"));
    QCoreApplication::setApplicationName(QStringLiteral("QZM"));
    InstallQZMStrings();

    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("report"))
        return RunReportCommand(args.mid(1));
    if (command == QLatin1String("show"))
        return RunShowCommand(args.mid(1));
    if (command == QLatin1String("send"))
        return RunSendCommand(args.mid(1));
    QTextStream(stderr) << "usage: qzm-cli report|show|send FILE [options]\n";
    return 2;
}
