#pragma once

#include <QByteArray>
#include <QString>

// Where the running program lives. Qt gives the program's path only when
// its bytes are valid in the file-name encoding (UTF-8 on Unix); a program
// kept in a folder named in another encoding gets an empty path from Qt,
// which would leave it without its plugins, its desktop entry and its shell
// socket. These fall back to the path's raw bytes.

// True when path names the running program's file.
bool IsThisProgram(const QString& path);

// The program's full path as its bytes (empty when unknown).
QByteArray ProgramPathBytes();

// The program's full path; empty when its bytes cannot be held in a QString
// without change.
QString RepresentableProgramPath();

// The program's file name without suffix, usable in a socket or file name:
// characters that cannot be represented become '_'. Never empty.
QString ProgramBaseName();

// A folder given relative to the program's folder, as a path that opens it
// even when the program's own path cannot be represented (then a
// /proc/self/fd path on Linux, made once per folder). Empty when unknown.
QString ProgramRelativeFolder(const QString& relative);
