#include "cli/CliCommands.h"
#include "cli/CliOutput.h"
#include "document/QZMDoc.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int ParseCommandArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                          const QString& positional)
{
    SetCliCommandName(command);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on this command."));
    parser.addOption(help);
    if (!positional.isEmpty())
        parser.addPositionalArgument(QStringLiteral("FILE"), positional);
    if (!parser.parse(QStringList{QStringLiteral("qzm-cli ") + command} + arguments))
        return CliUsageError(parser.errorText());
    if (parser.isSet(help)) {
        // The usage line names the command too.
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QString text = parser.helpText();
        text.replace(program + QStringLiteral(" [options]"), program + QLatin1Char(' ') + command + QStringLiteral(" [options]"));
        QTextStream(stdout) << text << CliCommandExamples(command);
        return kExitOk;
    }
    if (!positional.isEmpty() && parser.positionalArguments().size() != 1)
        return CliUsageError(parser.positionalArguments().isEmpty() ? QStringLiteral("no FILE given")
                                                                    : QStringLiteral("expected one FILE"));
    return -1;
}

int ParseCommandAndLoad(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                        CQZMDoc& doc)
{
    if (const int code = ParseCommandArguments(parser, command, arguments); code >= 0)
        return code;
    return LoadCliDocument(parser.positionalArguments().first(), doc) ? -1 : kExitFailure;
}
