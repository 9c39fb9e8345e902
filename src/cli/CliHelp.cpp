#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include <QTextStream>

QString CliCommandExamples(const QString& command)
{
    // The same examples as qzm-cli(1), so --help alone is enough to start.
    static const struct
    {
        const char* command;
        const char* lines;
    } examples[] = {
        {"report", "  qzm-cli report plant.qzm -o plant.txt\n"
                   "  qzm-cli report plant.qzm | less\n"},
        {"show", "  qzm-cli show plant.qzm > plant.json\n"},
        {"create", "  qzm-cli create --from-json plant.json -o copy.qzm    # the same bytes\n"
                   "  qzm-cli show plant.qzm | qzm-cli create --from-json - -o copy.qzm\n"},
        {"set", "  qzm-cli set plant.qzm timeout=250 read[0].address=17\n"
                "  qzm-cli set plant.qzm protocol=MODBUS-RTU baud_rate=9600 parity=NONE\n"},
        {"send", "  qzm-cli send plant.qzm --port COM1\n"
                 "  qzm-cli send plant.qzm --port /dev/ttyUSB0 --port /dev/ttyUSB1 --json\n"
                 "  qzm-cli send plant.qzm --port tcp://192.168.1.20:4001 --log -\n"},
        {"ports", "  qzm-cli ports\n"
                  "  qzm-cli ports --json\n"},
    };
    for (const auto& entry : examples)
        if (command == QLatin1String(entry.command))
            return QStringLiteral("\nExamples:\n") + QString::fromUtf8(entry.lines);
    return QString();
}

int RunHelpAll(const QString& toolHelp)
{
    QTextStream(stdout) << toolHelp;
    using Runner = int (*)(const QStringList&);
    static const struct
    {
        const char* name;
        Runner run;
    } commands[] = {{"report", RunReportCommand}, {"show", RunShowCommand}, {"create", RunCreateCommand},
                    {"set", RunSetCommand},       {"send", RunSendCommand}, {"ports", RunPortsCommand},
                    {"diff", RunDiffCommand}};
    for (const auto& command : commands) {
        QTextStream(stdout) << "\n" << QString(72, QLatin1Char('-')) << "\nqzm-cli " << command.name << "\n\n";
        if (const int code = command.run({QStringLiteral("--help")}); code != kExitOk)
            return code;
    }
    return kExitOk;
}
