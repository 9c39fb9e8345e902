#include "cli/CliOutput.h"

#include "document/QZMDoc.h"
#include "framework/FileError.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {
QMutex& outputMutex()
{
    static QMutex mutex;
    return mutex;
}

QString& commandName()
{
    static QString name;
    return name;
}

void writeStream(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// An error the system gave no reason for still names the file.
void printWriteError(FileErrorCause cause, const QString& name)
{
    PrintCliMessage(FileErrorMessage(cause == FileErrorCause::None ? FileErrorCause::Generic : cause, name));
}

bool writeInPlace(const QString& path, const QByteArray& bytes, FileErrorCause& cause)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        cause = FileErrorCauseFromErrno(errno, true);
        return false;
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        cause = FileErrorCauseFromErrno(errno);
        return false;
    }
    return true;
}

bool writeAtomically(const QString& path, const QByteArray& bytes, FileErrorCause& cause)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        cause = FileErrorCauseFromErrno(errno, true);
        return false;
    }
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        cause = FileErrorCauseFromErrno(errno);
        file.cancelWriting();
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        cause = FileErrorCauseFromErrno(errno);
        return false;
    }
    return true;
}
} // namespace

void SetCliCommandName(const QString& command)
{
    commandName() = command;
}

QString CliMessagePrefix()
{
    return commandName().isEmpty() ? QStringLiteral("qzm-cli: ") : QStringLiteral("qzm-cli %1: ").arg(commandName());
}

void PrintCliMessage(const QString& text, const QString& detail)
{
    QString out = CliMessagePrefix() + QString(text).replace(QLatin1Char('\n'), QLatin1String("\n  ")) + QLatin1Char('\n');
    if (!detail.isEmpty())
        out += QStringLiteral("  ") + QString(detail).replace(QLatin1Char('\n'), QLatin1String("\n  ")) + QLatin1Char('\n');
    const QMutexLocker lock(&outputMutex());
    writeStream(stderr, out);
}

int CliUsageError(const QString& text)
{
    const QString command = commandName().isEmpty() ? QString() : commandName() + QLatin1Char(' ');
    PrintCliMessage(text + QStringLiteral(" (see qzm-cli %1--help)").arg(command));
    return kExitUsage;
}

bool PrintCliLine(const QString& line)
{
    const QMutexLocker lock(&outputMutex());
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

bool LoadCliDocument(const QString& path, CQZMDoc& doc)
{
    CCliInteraction collected;
    const bool opened = bool(doc.OnOpenDocument(path));
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
        const QMutexLocker lock(&outputMutex());
        std::fflush(stdout);
        QFile out;
        errno = 0;
        if (out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)
            && out.write(bytes) == bytes.size())
            return true;
        error = errno;
    }
    printWriteError(FileErrorCauseFromErrno(error), QStringLiteral("standard output"));
    return false;
}

bool WriteCliOutputFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    FileErrorCause cause = FileErrorCause::None;
    bool written = false;
    if (info.isDir())
        cause = FileErrorCause::AccessDenied;
    else if (info.exists() && !info.isFile())
        written = writeInPlace(path, bytes, cause);
    else
        written = writeAtomically(path, bytes, cause);
    if (!written)
        printWriteError(cause, path);
    return written;
}
