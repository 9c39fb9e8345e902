#pragma once

#include "transfer/SerialLink.h"

#include <QString>

#include <memory>
#include <optional>

// The serial port plugin's links and what they know of lock files.

// Qt's serial port for a device, a TCP connection for tcp://HOST:PORT.
std::unique_ptr<CSerialLink> NewPortLink();

// A lock file that keeps other programs off a serial device (Unix).
struct PortLock
{
    QString path;
    qint64 pid = 0;
    QString program;        // the running holder's name, or the one written
    bool qtFormat = false;  // process, program and host; else UUCP (process only)
    bool otherHost = false; // written on another computer
    bool alive = false;     // the holder runs
};
// The lock file name Qt's serial port uses for a device (resolved path).
QString PortLockFilePath(const QString& device);
// The lock file of a device and who holds it; nothing when there is none.
std::optional<PortLock> FindPortLock(const QString& device);
// One sentence for the user: which file, which process, what to do.
QString DescribePortLock(const PortLock& lock);
