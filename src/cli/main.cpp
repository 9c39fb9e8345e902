#include "cli/CliCommands.h"
#include "resources/Strings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvra"));
    QCoreApplication::setApplicationName(QStringLiteral("QZM"));
#ifdef QZM_VERSION
    QCoreApplication::setApplicationVersion(QStringLiteral(QZM_VERSION));
#endif
    InstallQZMStrings();

    // Options before the command are the tool's own; everything from the
    // command on belongs to the command.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The headless companion of the QZM Configurator.\n\n"
        "Commands:\n"
        "  report FILE [-o OUT]   the text report of a .qzm file\n"
        "  show FILE              the document of a .qzm file as JSON\n"
        "  send FILE --port PORT  Send All without a window\n"
        "  ports [--json]         the serial ports found and what COM1..COM4 open\n\n"
        "qzm-cli COMMAND --help describes a command."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("report, show, send or ports"),
                                 QStringLiteral("COMMAND [arguments]"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << "qzm-cli: " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        QTextStream(stdout) << "qzm-cli " << QCoreApplication::applicationVersion() << "\n";
        return 0;
    }

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    if (command == QLatin1String("report"))
        return RunReportCommand(args.mid(1));
    if (command == QLatin1String("show"))
        return RunShowCommand(args.mid(1));
    if (command == QLatin1String("send"))
        return RunSendCommand(args.mid(1));
    if (command == QLatin1String("ports"))
        return RunPortsCommand(args.mid(1));
    QTextStream(stderr) << (command.isEmpty() ? QStringLiteral("qzm-cli: no command given")
                                              : QStringLiteral("qzm-cli: unknown command: ") + command)
                        << "\n" << parser.helpText();
    return 2;
}
