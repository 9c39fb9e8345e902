#pragma once

#include <QString>

// Causes of file failures, each with its own message text.
enum class FileErrorCause {
    None, Generic, FileNotFound, BadPath, TooManyOpenFiles, AccessDenied, InvalidFile,
    RemoveCurrentDir, DirectoryFull, BadSeek, HardIO, SharingViolation, LockViolation,
    DiskFull, EndOfFile
};

// The cause for an errno value from the operating system. When creating a
// file, a missing name can only be a missing folder: an invalid path.
FileErrorCause FileErrorCauseFromErrno(int error, bool creating = false);

// The message of a cause with the file's path filled in; empty for None.
QString FileErrorMessage(FileErrorCause cause, const QString& path);
