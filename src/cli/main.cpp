#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "framework/SettingsKeys.h"
#include "resources/Strings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {
struct CliCommand
{
    const char* name;
    int (*run)(const QStringList& arguments);
};

const CliCommand kCommands[] = {
    {"report", RunReportCommand}, {"show", RunShowCommand}, {"send", RunSendCommand},
    {"create", RunCreateCommand}, {"set", RunSetCommand},   {"ports", RunPortsCommand},
    {"diff", RunDiffCommand},
};
} // namespace

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // A file-size limit (ulimit -f) fails the write, which says so, instead
    // of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef Q_OS_UNIX
    // Every port of a send holds descriptors: take all the system grants.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
#endif
    SetCliRawArguments(argc, argv);
    QCoreApplication app(argc, argv);
    SettingsKeys::UseProgramStore();
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
        "  report FILE [-o OUT]                the text report of a .qzm file\n"
        "  show FILE                           the document of a .qzm file as JSON\n"
        "  create --from-json FILE.json -o OUT a .qzm file from that JSON\n"
        "  set FILE KEY=VALUE...               change fields of a .qzm file in place\n"
        "  send FILE [--port PORT]...          Send All without a window, to one port or several at once\n"
        "  ports [--json]                      the serial ports found and what COM1..COM4 open\n"
        "  diff A B [--json]                   what differs between two .qzm files\n\n"
        "Exit codes: 0 success, 1 the file or the device failed, 2 wrong usage\n"
        "(diff: 0 the same, 1 different, 2 a file could not be read).\n"
        "qzm-cli COMMAND --help describes a command."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Displays this help."));
    const QCommandLineOption helpAll(QStringLiteral("help-all"),
                                     QStringLiteral("Displays this help and the help of every command."));
    parser.addOptions({help, helpAll});
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("report, show, create, set, send, ports or diff"),
                                 QStringLiteral("COMMAND [arguments]"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QCoreApplication::arguments()))
        return CliUsageError(parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return kExitOk;
    }
    if (parser.isSet(helpAll))
        return RunHelpAll(parser.helpText());
    if (parser.isSet(version)) {
        QTextStream(stdout) << "qzm-cli " << QCoreApplication::applicationVersion() << "\n";
        return kExitOk;
    }

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    for (const CliCommand& known : kCommands)
        if (command == QLatin1String(known.name))
            return known.run(args.mid(1));
    return CliUsageError(command.isEmpty() ? QStringLiteral("no command given")
                                           : QStringLiteral("unknown command: ") + command);
}
