#pragma once

#include <QStringList>

class QCommandLineParser;
class QIODevice;
struct TransferRecord;

// Each command gets the arguments after its name and returns the exit code.
int RunReportCommand(const QStringList& arguments);
int RunShowCommand(const QStringList& arguments);
int RunSendCommand(const QStringList& arguments);

// Adds --help and the FILE argument, parses "qzm-cli COMMAND ARGUMENTS" and
// handles --help and a missing FILE; returns -1 to go on, else the exit code.
int ParseCommandArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments);

// What qzm-cli send reports of one transfer: the record as text into log
// (when given) and, with json, the record and outcome as one JSON object on
// one line of standard output.
void WriteTransferRecord(const TransferRecord& record, QIODevice* log, bool json);
