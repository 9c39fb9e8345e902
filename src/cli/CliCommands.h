#pragma once

#include <QString>
#include <QStringList>

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
