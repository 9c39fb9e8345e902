#pragma once

#include "app/ShellServerInterface.h"

#include <QString>

#include <memory>

// One window per user: a start with a file hands the file to the instance
// that already runs, through its shell conversation, and ends.
//
// Starts with a file are taken one at a time (CInstanceStartLock), from the
// look for a running instance until this one's own shell server listens,
// so that several files opened together from the desktop (one start each)
// reach one window. The first start finds no socket and opens the file
// itself; a socket left by a crashed instance refuses the connection at
// once, and the new instance opens the file and takes the socket over.

// The socket of this user's shell conversation: "<program base name>-<user
// id>", in XDG_RUNTIME_DIR when that is a folder of the user's alone, else in
// "<temporary folder>/<base name>-runtime-<user id>", made 0700 for it.
// Empty when neither can be had: the program then runs without one.
QString ShellServerName();

// Hands the open of path (absolute) to the running instance, if any.
ForwardResult ForwardOpenToRunningInstance(const QString& path);

// Held by a start from its look for a running instance until its own
// server listens, or until it ends.
class CInstanceStartLock
{
public:
    // Waits for any other start to get that far. Without a lock file of the
    // user's own (say, in a shared temporary folder), the start goes on
    // unlocked.
    static std::unique_ptr<CInstanceStartLock> Acquire();
    ~CInstanceStartLock();

    CInstanceStartLock(const CInstanceStartLock&) = delete;
    CInstanceStartLock& operator=(const CInstanceStartLock&) = delete;

private:
    CInstanceStartLock() = default;
#ifndef Q_OS_WIN
    int m_fd = -1;
#endif
};
