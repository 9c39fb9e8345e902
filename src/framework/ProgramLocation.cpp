#include "framework/ProgramLocation.h"

#include "framework/LocalText.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_LINUX
bool IsRunningProgram(const QByteArray& path)
{
    struct stat file;
    struct stat self;
    return ::stat(path.constData(), &file) == 0 && ::stat("/proc/self/exe", &self) == 0
           && file.st_dev == self.st_dev && file.st_ino == self.st_ino;
}

QByteArray ReadExeLink()
{
    QByteArray buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), size_t(buffer.size()));
    if (n <= 0 || n >= buffer.size())
        return {};
    buffer.truncate(int(n));
    return buffer;
}
#endif
// Qt's idea of the program's path, when it names the program exactly (Qt
// puts U+FFFD for bytes it cannot decode, or gives nothing).
QString ExactQtProgramPath()
{
    const QString path = QCoreApplication::applicationFilePath();
#ifdef Q_OS_LINUX
    if (!path.isEmpty() && !IsRunningProgram(QFile::encodeName(path)))
        return {};
#endif
    return path;
}
} // namespace

bool IsThisProgram(const QString& path)
{
#ifdef Q_OS_LINUX
    return IsRunningProgram(QFile::encodeName(path));
#else
    return QFileInfo(path) == QFileInfo(QCoreApplication::applicationFilePath());
#endif
}

QByteArray ProgramPathBytes()
{
    const QString path = ExactQtProgramPath();
    if (!path.isEmpty())
        return QFile::encodeName(path);
#ifdef Q_OS_LINUX
    return ReadExeLink();
#else
    return {};
#endif
}

QString RepresentableProgramPath()
{
    const QString path = ExactQtProgramPath();
    if (!path.isEmpty())
        return path;
    const QByteArray bytes = ProgramPathBytes();
    if (bytes.isEmpty() || !IsValidUtf8(bytes))
        return {};
    return QFile::decodeName(bytes);
}

QString ProgramBaseName()
{
    QByteArray bytes = ProgramPathBytes();
    bytes = bytes.mid(bytes.lastIndexOf('/') + 1);
#ifdef Q_OS_WIN
    bytes = bytes.mid(bytes.lastIndexOf('\\') + 1);
#endif
    const int dot = int(bytes.lastIndexOf('.'));
    if (dot > 0)
        bytes.truncate(dot);
    QString name;
    for (const QChar c : QString::fromUtf8(bytes)) {
        const bool plain = c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_');
        name += plain && c != QChar(QChar::ReplacementCharacter) ? c : QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("qzm") : name;
}

QString ProgramRelativeFolder(const QString& relative)
{
    const QString program = ExactQtProgramPath();
    if (!program.isEmpty())
        return QDir::cleanPath(QFileInfo(program).absolutePath() + QLatin1Char('/') + relative);
#ifdef Q_OS_LINUX
    // The descriptor names the folder for the rest of the run, whatever the
    // bytes of its name; it is kept open for that.
    static QHash<QString, int> opened;
    auto it = opened.find(relative);
    if (it == opened.end()) {
        QByteArray path = ReadExeLink();
        path.truncate(path.lastIndexOf('/') + 1);
        const int fd = path.isEmpty() ? -1
                                      : ::open((path + QFile::encodeName(relative)).constData(),
                                               O_PATH | O_DIRECTORY | O_CLOEXEC);
        it = opened.insert(relative, fd);
    }
    if (*it >= 0)
        return QStringLiteral("/proc/self/fd/%1").arg(*it);
#endif
    return {};
}
