#include "app/RunningInstance.h"

#include "framework/PluginLoader.h"
#include "framework/ProgramLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifndef Q_OS_WIN
// Where QLocalServer puts a socket of that name.
QString SocketPath(const QString& name)
{
    return QDir::isAbsolutePath(name) ? name : QDir::tempPath() + QLatin1Char('/') + name;
}

// A folder only this user can enter.
bool IsPrivateFolder(const QString& folder, bool followLink)
{
    struct stat info;
    const QByteArray path = QFile::encodeName(folder);
    const int r = followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info);
    return r == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// Room for the socket's name in its folder (sockaddr_un holds 108 bytes).
bool SocketPathFits(const QString& path)
{
    return QFile::encodeName(path).size() < 100;
}

// Without a runtime folder: one made for the purpose in the temporary
// folder, the user's alone. A name someone else took first (a folder of
// theirs, a link, a loose mode) is not used at all.
QString FallbackSocketFolder()
{
    const QString folder = QDir::tempPath() + QStringLiteral("/%1-runtime-%2").arg(ProgramBaseName()).arg(::getuid());
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(folder, false) ? folder : QString();
}
#endif
} // namespace

QString ShellServerName()
{
    const QString base = ProgramBaseName();
#ifdef Q_OS_WIN
    return base + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    const QString name = base + QLatin1Char('-') + QString::number(::getuid());
    // The runtime folder is the user's own; a socket path must stay short.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime, true)) {
        const QString full = QDir::cleanPath(runtime) + QLatin1Char('/') + name;
        if (SocketPathFits(full))
            return full;
    }
    const QString folder = FallbackSocketFolder();
    if (folder.isEmpty() || !SocketPathFits(folder + QLatin1Char('/') + name))
        return {};
    return folder + QLatin1Char('/') + name;
#endif
}

ForwardResult ForwardOpenToRunningInstance(const QString& path)
{
    const QString name = ShellServerName();
    if (name.isEmpty())
        return ForwardResult::NoInstance;
#ifndef Q_OS_WIN
    // No socket, no instance: the first start does not load the plugin.
    struct stat info;
    if (::stat(QFile::encodeName(SocketPath(name)).constData(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return ForwardResult::NoInstance;
#endif
    auto* plugin = Plugin<CShellServerInterface>(kShellServerPlugin);
    if (!plugin)
        return ForwardResult::NoInstance;
    return plugin->ForwardOpen(name, path);
}

std::unique_ptr<CInstanceStartLock> CInstanceStartLock::Acquire()
{
    std::unique_ptr<CInstanceStartLock> lock(new CInstanceStartLock);
#ifndef Q_OS_WIN
    const QString name = ShellServerName();
    if (name.isEmpty())
        return lock;
    const QByteArray file = QFile::encodeName(SocketPath(name) + QStringLiteral(".lock"));
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return lock;
    struct stat info;
    // Only a file of the user's own may hold the start back.
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid() || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return lock;
    }
    int r;
    do
        r = ::flock(fd, LOCK_EX);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return lock;
    }
    lock->m_fd = fd;
#endif
    return lock;
}

CInstanceStartLock::~CInstanceStartLock()
{
#ifndef Q_OS_WIN
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}
