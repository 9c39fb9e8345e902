#include "framework/FileError.h"

#include "framework/StandardIds.h"
#include "framework/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>

namespace {
// The system's own file calls report through GetLastError, not errno.
FileErrorCause CauseFromSystemError(DWORD error, bool creating)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return creating ? FileErrorCause::BadPath : FileErrorCause::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE: return FileErrorCause::BadPath;
    case ERROR_TOO_MANY_OPEN_FILES: return FileErrorCause::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileErrorCause::AccessDenied;
    case ERROR_INVALID_HANDLE: return FileErrorCause::InvalidFile;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return FileErrorCause::BadSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return FileErrorCause::HardIO;
    case ERROR_SHARING_VIOLATION: return FileErrorCause::SharingViolation;
    case ERROR_LOCK_VIOLATION: return FileErrorCause::LockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileErrorCause::DiskFull;
    default: return FileErrorCause::Generic;
    }
}
} // namespace
#endif

void ClearLastFileError()
{
    errno = 0;
#ifdef Q_OS_WIN
    SetLastError(ERROR_SUCCESS);
#endif
}

FileErrorCause LastFileErrorCause(bool creating)
{
#ifdef Q_OS_WIN
    if (const DWORD systemError = GetLastError())
        return CauseFromSystemError(systemError, creating);
#endif
    return FileErrorCauseFromErrno(errno, creating);
}

FileErrorCause FileErrorCauseFromErrno(int error, bool creating)
{
    switch (error) {
    case 0: return FileErrorCause::None;
    case ENOENT: return creating ? FileErrorCause::BadPath : FileErrorCause::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
    case EISDIR: return FileErrorCause::BadPath;
    case EMFILE:
    case ENFILE: return FileErrorCause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS: return FileErrorCause::AccessDenied;
    case EBADF: return FileErrorCause::InvalidFile;
    case ESPIPE: return FileErrorCause::BadSeek;
    case EIO: return FileErrorCause::HardIO;
    case EBUSY:
    case ETXTBSY: return FileErrorCause::SharingViolation;
#ifdef EDEADLK
    case EDEADLK: return FileErrorCause::LockViolation;
#endif
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return FileErrorCause::DiskFull;
    default: return FileErrorCause::Generic;
    }
}

QString FileErrorMessage(FileErrorCause cause, const QString& path)
{
    if (cause == FileErrorCause::None)
        return {};
    const QString name = QDir::toNativeSeparators(path);
    switch (cause) {
    case FileErrorCause::NameNotUtf8: return FormatMessageText(IDP_FILE_NAME_NOT_UTF8, name);
    case FileErrorCause::IsFolder: return FormatMessageText(IDP_FILE_IS_FOLDER, name);
    case FileErrorCause::IsPipe: return FormatMessageText(IDP_FILE_IS_PIPE, name);
    case FileErrorCause::IsSocket: return FormatMessageText(IDP_FILE_IS_SOCKET, name);
    case FileErrorCause::IsDevice: return FormatMessageText(IDP_FILE_IS_DEVICE, name);
    case FileErrorCause::PipeNoReader: return FormatMessageText(IDP_FILE_PIPE_NO_READER, name);
    case FileErrorCause::PipeNoWriter: return FormatMessageText(IDP_FILE_PIPE_NO_WRITER, name);
    default: break;
    }
    const int id = AFX_IDP_FILE_GENERIC + int(cause) - int(FileErrorCause::Generic);
    return FormatMessageText(id, name);
}

FileErrorCause NotAFileCause(const QString& path)
{
    if (path.isEmpty())
        return FileErrorCause::None;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return FileErrorCause::None;
    if (S_ISDIR(st.st_mode))
        return FileErrorCause::IsFolder;
    if (S_ISFIFO(st.st_mode))
        return FileErrorCause::IsPipe;
    if (S_ISSOCK(st.st_mode))
        return FileErrorCause::IsSocket;
    return FileErrorCause::IsDevice;
#else
    return QFileInfo(path).isDir() ? FileErrorCause::IsFolder : FileErrorCause::None;
#endif
}

bool NameLostInDecoding(const QString& path)
{
#ifdef Q_OS_UNIX
    if (!path.contains(QChar::ReplacementCharacter))
        return false;
    // Walk down the path as far as it exists; the first part that does
    // not is lost when its folder holds a name that is not valid UTF-8
    // and that Qt would show as this very part.
    const QStringList parts = QFileInfo(path).absoluteFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QByteArray folder = "/";
    for (const QString& part : parts) {
        const QByteArray candidate = folder + QFile::encodeName(part);
        struct stat st;
        if (::lstat(candidate.constData(), &st) == 0) {
            folder = candidate + '/';
            continue;
        }
        if (!part.contains(QChar::ReplacementCharacter))
            return false;
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            return false;
        bool lost = false;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray bytes(entry->d_name);
            const QString decoded = QFile::decodeName(bytes);
            if (decoded == part && QFile::encodeName(decoded) != bytes) {
                lost = true;
                break;
            }
        }
        ::closedir(dir);
        return lost;
    }
    return false;
#else
    Q_UNUSED(path);
    return false;
#endif
}

namespace {
// A folder on the way to the file is a file: some systems call that
// "not found", but the name itself cannot lead anywhere.
bool PassesThroughAFile(const QString& path)
{
    QFileInfo folder(QFileInfo(path).absolutePath());
    while (!folder.exists() && !folder.isRoot() && folder.absoluteFilePath() != folder.absolutePath())
        folder = QFileInfo(folder.absolutePath());
    return folder.exists() && !folder.isDir();
}
} // namespace

FileErrorCause ExplainFileError(FileErrorCause cause, const QString& path)
{
    if (cause == FileErrorCause::None)
        return cause;
    if ((cause == FileErrorCause::FileNotFound || cause == FileErrorCause::BadPath) && NameLostInDecoding(path))
        return FileErrorCause::NameNotUtf8;
    if (cause == FileErrorCause::FileNotFound && PassesThroughAFile(path))
        return FileErrorCause::BadPath;
    // Only the causes a folder, pipe, socket or device gives at open; a
    // device that fails while written (a full disk, say) keeps its cause.
    if (cause != FileErrorCause::AccessDenied && cause != FileErrorCause::Generic && cause != FileErrorCause::BadPath)
        return cause;
    const FileErrorCause kind = NotAFileCause(path);
    return kind != FileErrorCause::None ? kind : cause;
}
