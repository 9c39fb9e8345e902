#include "cli/CliCommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {
void printCommandError(const QString& text)
{
    QTextStream(stderr) << text << Qt::endl;
}
} // namespace

int ParseCommandArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on this command."));
    parser.addOption(help);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The .qzm file."));
    if (!parser.parse(QStringList{QStringLiteral("qzm-cli ") + command} + arguments)) {
        printCommandError(QStringLiteral("qzm-cli %1: %2").arg(command, parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        // The usage line names the command too.
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QString text = parser.helpText();
        text.replace(program + QStringLiteral(" [options]"), program + QLatin1Char(' ') + command + QStringLiteral(" [options]"));
        QTextStream(stdout) << text;
        return 0;
    }
    if (parser.positionalArguments().size() != 1) {
        printCommandError(QStringLiteral("qzm-cli %1: expected one FILE (see qzm-cli %1 --help)").arg(command));
        return 2;
    }
    return -1;
}
