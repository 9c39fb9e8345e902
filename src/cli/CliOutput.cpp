#include "cli/CliOutput.h"

#include "document/QZMDoc.h"
#include "framework/FileError.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#ifdef Q_OS_WIN
#include <io.h>
#endif
#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace {
QMutex& OutputMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& CommandName()
{
    static QString name;
    return name;
}

// The arguments whose bytes were not valid UTF-8, as Qt decoded them.
QStringList& UndecodableArguments()
{
    static QStringList arguments;
    return arguments;
}

void WriteStream(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// An error the system gave no reason for still names the file.
void PrintWriteError(FileErrorCause cause, const QString& name)
{
    PrintCliMessage(FileErrorMessage(cause == FileErrorCause::None ? FileErrorCause::Generic : cause, name));
}

// A pipe or device named as the output, written into as the shell would.
// A pipe that nobody reads is refused at once instead of waiting.
bool OpenInPlace(QFile& file, const QString& path, FileErrorCause& cause)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        const FileErrorCause kind = NotAFileCause(path);
        cause = error == ENXIO && kind == FileErrorCause::IsPipe ? FileErrorCause::PipeNoReader
                : error == ENXIO && kind == FileErrorCause::IsSocket ? kind
                                                                     : FileErrorCauseFromErrno(error, true);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        cause = FileErrorCause::Generic;
        return false;
    }
    return true;
#else
    file.setFileName(path);
    ClearLastFileError();
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    cause = LastFileErrorCause(true);
    return false;
#endif
}

bool WriteInPlace(const QString& path, const QByteArray& bytes, FileErrorCause& cause)
{
    QFile file;
    if (!OpenInPlace(file, path, cause))
        return false;
    ClearLastFileError();
    if (file.write(bytes) != bytes.size()) {
        cause = LastFileErrorCause();
        return false;
    }
    return true;
}

bool WriteAtomically(const QString& path, const QByteArray& bytes, FileErrorCause& cause)
{
    QSaveFile file(path);
    ClearLastFileError();
    if (!file.open(QIODevice::WriteOnly)) {
        cause = LastFileErrorCause(true);
        return false;
    }
    ClearLastFileError();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        cause = LastFileErrorCause();
        file.cancelWriting();
        return false;
    }
    ClearLastFileError();
    if (!file.commit()) {
        cause = LastFileErrorCause();
        return false;
    }
    return true;
}
} // namespace

void SetCliRawArguments(int argc, char* argv[])
{
    UndecodableArguments().clear();
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString decoded = QFile::decodeName(bytes);
        if (QFile::encodeName(decoded) != bytes)
            UndecodableArguments() << decoded;
    }
}

bool CheckCliFileName(const QString& name)
{
    if (!name.contains(QChar::ReplacementCharacter))
        return true;
    for (const QString& argument : std::as_const(UndecodableArguments())) {
        if (argument.contains(name)) {
            PrintCliMessage(FileErrorMessage(FileErrorCause::NameNotUtf8, name));
            return false;
        }
    }
    return true;
}

bool CliArgumentUndecodable(const QString& argument)
{
    return argument.contains(QChar::ReplacementCharacter) && UndecodableArguments().contains(argument);
}

void SetCliCommandName(const QString& command)
{
    CommandName() = command;
}

QString CliMessagePrefix()
{
    return CommandName().isEmpty() ? QStringLiteral("qzm-cli: ") : QStringLiteral("qzm-cli %1: ").arg(CommandName());
}

void PrintCliMessage(const QString& text, const QString& detail)
{
    QString out = CliMessagePrefix() + QString(text).replace(QLatin1Char('\n'), QLatin1String("\n  ")) + QLatin1Char('\n');
    if (!detail.isEmpty())
        out += QStringLiteral("  ") + QString(detail).replace(QLatin1Char('\n'), QLatin1String("\n  ")) + QLatin1Char('\n');
    const QMutexLocker lock(&OutputMutex());
    WriteStream(stderr, out);
}

int CliUsageError(const QString& text)
{
    const QString command = CommandName().isEmpty() ? QString() : CommandName() + QLatin1Char(' ');
    PrintCliMessage(text + QStringLiteral(" (see qzm-cli %1--help)").arg(command));
    return kExitUsage;
}

bool PrintCliLine(const QString& line)
{
    const QMutexLocker lock(&OutputMutex());
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written;
}

CCliInteraction::CCliInteraction()
{
    CInteraction::SetInstance(this);
}

CCliInteraction::~CCliInteraction()
{
    CInteraction::SetInstance(nullptr);
}

MsgAnswer CCliInteraction::MessageBox(const MessageRequest& request)
{
    m_texts << request.text;
    m_details << request.detailedText;
    return request.buttons == MessageRequest::Buttons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

void CCliInteraction::Forget()
{
    m_texts.clear();
    m_details.clear();
}

bool CCliInteraction::PrintCollected()
{
    for (qsizetype i = 0; i < m_texts.size(); ++i)
        PrintCliMessage(m_texts.at(i), m_details.at(i));
    const bool any = !m_texts.isEmpty();
    m_texts.clear();
    m_details.clear();
    return any;
}

#ifdef Q_OS_UNIX
static bool IsAnonymousPipe(int fd)
{
#ifdef Q_OS_LINUX
    constexpr long kPipeFsMagic = 0x50495045;
    struct statfs fs;
    return ::fstatfs(fd, &fs) == 0 && long(fs.f_type) == kPipeFsMagic;
#else
    Q_UNUSED(fd);
    return false;
#endif
}
#endif

FileErrorCause ReadCliPipe(const QString& path, QByteArray& bytes, bool& tooLarge)
{
    tooLarge = false;
    const bool standardInput = path == QLatin1String("-");
#ifdef Q_OS_UNIX
    const int fd = standardInput ? STDIN_FILENO
                                 : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return LastFileErrorCause();
    FileErrorCause cause = FileErrorCause::None;
    bool heardWriter = standardInput;
    for (;;) {
        char chunk[65536];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            heardWriter = true;
            if (bytes.size() + n > kCliInputLimit) {
                // A pipe that never ends (cat /dev/zero) is read no further.
                tooLarge = true;
                bytes.clear();
                break;
            }
            bytes.append(chunk, qsizetype(n));
        } else if (n == 0) {
            // An empty pipeline is an empty file; a named pipe that nobody
            // opened for writing is not.
            if (!heardWriter && !IsAnonymousPipe(fd))
                cause = FileErrorCause::PipeNoWriter;
            break;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            heardWriter = true;
            pollfd in{fd, POLLIN, 0};
            ::poll(&in, 1, -1);
        } else if (errno != EINTR) {
            cause = LastFileErrorCause();
            break;
        }
    }
    if (!standardInput)
        ::close(fd);
    return cause;
#else
    QFile file;
    if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(path), file.open(QIODevice::ReadOnly))))
        return FileErrorCause::Generic;
    bytes = file.read(kCliInputLimit + 1);
    tooLarge = bytes.size() > kCliInputLimit;
    if (tooLarge)
        bytes.clear();
    return FileErrorCause::None;
#endif
}

void PrintCliInputTooLarge(const QString& name)
{
    PrintCliMessage(QStringLiteral("%1 is larger than %2 MiB, the most qzm-cli reads from one input; no document "
                                   "or its JSON form comes near that.")
                        .arg(name)
                        .arg(kCliInputLimit >> 20));
}

void PrintCliWriteError(int error, const QString& name)
{
    PrintWriteError(FileErrorCauseFromErrno(error), name);
}

bool LoadCliDocument(const QString& path, CQZMDoc& doc)
{
    if (!CheckCliFileName(path))
        return false;
    // A pipe (/dev/stdin in a pipeline, <(git show ...)) is read whole and
    // loaded like a file: scripts feed documents that way. The window
    // opens plain files only.
    QByteArray piped;
    const bool isPipe = NotAFileCause(path) == FileErrorCause::IsPipe;
    if (isPipe) {
        bool tooLarge = false;
        if (const FileErrorCause cause = ReadCliPipe(path, piped, tooLarge); cause != FileErrorCause::None) {
            PrintCliMessage(FileErrorMessage(cause, path));
            return false;
        }
        if (tooLarge) {
            PrintCliInputTooLarge(path);
            return false;
        }
    }
    CCliInteraction collected;
    bool opened = false;
    if (!isPipe) {
        opened = bool(doc.OnOpenDocument(path));
    } else {
        QBuffer buffer(&piped);
        buffer.open(QIODevice::ReadOnly);
        opened = bool(doc.LoadFromDevice(buffer, path));
    }
    // The window goes on with a new document; here nothing is created or
    // sent, so its second sentence would point the wrong way.
    if (collected.Texts() == QStringList{CStringTable::Load(IDS_FAIL_READ_FILE)}) {
        collected.Forget();
        PrintCliMessage(QStringLiteral("%1 was not read: its format version is newer than this program reads, "
                                       "or its layout is unknown.")
                            .arg(path));
        return false;
    }
    if (collected.PrintCollected() || !opened)
        return false;
    doc.SetPathName(path, false);
    return true;
}

bool WriteCliStdout(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    // The report's CR LF must not become CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    int error = 0;
    {
        const QMutexLocker lock(&OutputMutex());
        std::fflush(stdout);
        QFile out;
        ClearLastFileError();
        if (out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)
            && out.write(bytes) == bytes.size())
            return true;
        error = errno;
    }
    PrintWriteError(FileErrorCauseFromErrno(error), QStringLiteral("standard output"));
    return false;
}

bool WriteCliOutputFile(const QString& path, const QByteArray& bytes)
{
    if (!CheckCliFileName(path))
        return false;
    FileErrorCause cause = NotAFileCause(path);
    bool written = false;
    if (cause == FileErrorCause::IsPipe || cause == FileErrorCause::IsDevice)
        written = WriteInPlace(path, bytes, cause);
    else if (cause == FileErrorCause::None)
        written = WriteAtomically(path, bytes, cause);
    if (!written)
        PrintWriteError(cause, path);
    return written;
}

bool OpenCliOutputFile(QFile& file, const QString& path)
{
    if (!CheckCliFileName(path))
        return false;
    FileErrorCause cause = NotAFileCause(path);
    if (cause == FileErrorCause::IsPipe || cause == FileErrorCause::IsDevice) {
        if (OpenInPlace(file, path, cause))
            return true;
    } else if (cause == FileErrorCause::None) {
        file.setFileName(path);
        ClearLastFileError();
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return true;
        cause = LastFileErrorCause(true);
    }
    PrintWriteError(cause, path);
    return false;
}
