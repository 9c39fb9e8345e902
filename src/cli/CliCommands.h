#pragma once

#include <QStringList>

class QCommandLineParser;

// Each command gets the arguments after its name and returns the exit code.
int RunReportCommand(const QStringList& arguments);
int RunShowCommand(const QStringList& arguments);
int RunSendCommand(const QStringList& arguments);
int RunPortsCommand(const QStringList& arguments);

// Adds --help and the FILE argument, parses "qzm-cli COMMAND ARGUMENTS" and
// handles --help and a missing FILE; returns -1 to go on, else the exit code.
int ParseCommandArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments);
