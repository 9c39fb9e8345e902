#include "cli/CliCommands.h"

#include <QTextStream>

int RunReportCommand(const QStringList&)
{
    QTextStream(stderr) << "qzm-cli report: not available yet\n";
    return 2;
}

int RunShowCommand(const QStringList&)
{
    QTextStream(stderr) << "qzm-cli show: not available yet\n";
    return 2;
}
