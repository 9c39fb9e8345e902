#pragma once

#include <QString>

// Causes of file failures, each with its own message text.
enum class FileErrorCause {
    None, Generic, FileNotFound, BadPath, TooManyOpenFiles, AccessDenied, InvalidFile,
    RemoveCurrentDir, DirectoryFull, BadSeek, HardIO, SharingViolation, LockViolation,
    DiskFull, EndOfFile,
    // Causes the standard texts would misdescribe.
    NameNotUtf8, IsFolder, IsPipe, IsSocket, IsDevice, PipeNoReader, PipeNoWriter
};

// The cause for an errno value from the operating system. When creating a
// file, a missing name can only be a missing folder: an invalid path.
FileErrorCause FileErrorCauseFromErrno(int error, bool creating = false);
// Clears errno and, on Windows, the system's last error: called just before
// a file call whose failure LastFileErrorCause then explains, so an earlier
// failure is not taken for its cause.
void ClearLastFileError();
// The cause of the file call that just failed: errno, or on Windows the
// system's last error, which its file calls set instead.
FileErrorCause LastFileErrorCause(bool creating = false);

// The message of a cause with the file's path filled in; empty for None.
QString FileErrorMessage(FileErrorCause cause, const QString& path);

// What the path names when it is there but is no plain file (a folder,
// named pipe, socket or device); None for a plain file or nothing at all.
// Looks without opening, so a pipe or device is never touched.
FileErrorCause NotAFileCause(const QString& path);

// True when the path stands for a name on disk that is not valid UTF-8.
// Qt decodes file names as UTF-8 and puts U+FFFD for the bytes that are
// not, so such a name can never reach its file again (nor be created).
bool NameLostInDecoding(const QString& path);

// A failure's cause made precise by what is at the path: a name that
// cannot be represented, or something that is no plain file. Other causes
// are returned as they are.
FileErrorCause ExplainFileError(FileErrorCause cause, const QString& path);
