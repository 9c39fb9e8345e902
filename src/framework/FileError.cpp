#include "framework/FileError.h"

#include "framework/StandardIds.h"
#include "framework/StringTable.h"

#include <QDir>

#include <cerrno>

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
    const int id = AFX_IDP_FILE_GENERIC + int(cause) - int(FileErrorCause::Generic);
    return FormatMessageText(id, QDir::toNativeSeparators(path));
}
