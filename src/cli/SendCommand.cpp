#include "cli/CliCommands.h"

#include <QTextStream>

int RunSendCommand(const QStringList&)
{
    QTextStream(stderr) << "qzm-cli send: not available yet\n";
    return 2;
}
