#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// How a program run ended and what it printed. code is -1 when it crashed,
// could not start or did not end in time (it is then killed).
struct ProcessRun
{
    int code = -1;
    QByteArray out;
    QByteArray err;

    // What it printed, as text in the system's encoding.
    QString OutText() const { return QString::fromLocal8Bit(out); }
    QString ErrText() const { return QString::fromLocal8Bit(err); }
};

// Runs program in process (set up by the caller: environment, folder,
// output file), feeds it input and closes its standard input.
ProcessRun RunToEnd(QProcess& process, const QString& program, const QStringList& arguments,
                    const QByteArray& input = {}, int timeoutMs = 60000);

// The same with a process of its own.
ProcessRun RunToEnd(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                    int timeoutMs = 60000);
