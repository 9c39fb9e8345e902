#pragma once

#include <QStringList>

// Each command gets the arguments after its name and returns the exit code.
int RunReportCommand(const QStringList& arguments);
int RunShowCommand(const QStringList& arguments);
int RunSendCommand(const QStringList& arguments);
