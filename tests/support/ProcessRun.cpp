#include "support/ProcessRun.h"

ProcessRun RunToEnd(QProcess& process, const QString& program, const QStringList& arguments,
                    const QByteArray& input, int timeoutMs)
{
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    ProcessRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ProcessRun RunToEnd(const QString& program, const QStringList& arguments, const QByteArray& input, int timeoutMs)
{
    QProcess process;
    return RunToEnd(process, program, arguments, input, timeoutMs);
}
