#pragma once

#include <QString>
#include <QStringList>

class CQZMDoc;
class QCommandLineParser;

// Each command gets the arguments after its name and returns the exit code
// (CliOutput.h).
int RunReportCommand(const QStringList& arguments);
int RunShowCommand(const QStringList& arguments);
int RunSendCommand(const QStringList& arguments);
int RunPortsCommand(const QStringList& arguments);
int RunCreateCommand(const QStringList& arguments);
int RunSetCommand(const QStringList& arguments);
int RunDiffCommand(const QStringList& arguments);

// Names the command for its messages, adds --help and, unless positional is
// empty, the one FILE argument described by it; parses "qzm-cli COMMAND
// ARGUMENTS" and handles --help and a missing FILE. Returns -1 to go on,
// else the exit code.
int ParseCommandArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                          const QString& positional = QStringLiteral("The .qzm file."));

// ParseCommandArguments with the one FILE, then loads that file into doc.
// Returns -1 to go on, else the exit code.
int ParseCommandAndLoad(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                        CQZMDoc& doc);

// One or two typical uses of the command, for the end of its --help.
QString CliCommandExamples(const QString& command);
// The tool's help followed by every command's.
int RunHelpAll(const QString& toolHelp);
