#include "cli/CliCommands.h"

#include "document/QZMDoc.h"
#include "document/TextReport.h"
#include "framework/FileError.h"
#include "framework/Interaction.h"
#include "framework/LocalText.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {
// Collects the messages the document code would show in a box, so the
// command can print them plainly on stderr.
class CRecordingInteraction : public CInteraction
{
public:
    CRecordingInteraction() { CInteraction::SetInstance(this); }
    ~CRecordingInteraction() override { CInteraction::SetInstance(nullptr); }

    MsgAnswer MessageBox(const MessageRequest& request) override
    {
        messages << request.text;
        return request.buttons == MessageRequest::Buttons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }

    QStringList messages;
};

void printError(const QString& text)
{
    QTextStream err(stderr);
    err << text << '\n';
}

// Loads the file as the program opens it. Anything the program would have
// said about the file counts as a failure here, including "a new document
// will be created": a report of that new document would be no report of
// the file.
bool loadDocument(const QString& path, CQZMDoc& doc)
{
    CRecordingInteraction recorder;
    const bool opened = doc.OnOpenDocument(path);
    for (const QString& message : std::as_const(recorder.messages))
        printError(message);
    if (!opened || !recorder.messages.isEmpty())
        return false;
    doc.SetPathName(path, false);
    return true;
}

// An error the system gave no reason for still names the file.
void printWriteError(FileErrorCause cause, const QString& name)
{
    printError(FileErrorMessage(cause == FileErrorCause::None ? FileErrorCause::Generic : cause, name));
}

// Writes straight to the descriptor, so a full disk or a closed pipe is
// seen here and not lost in a stdio buffer at exit.
bool writeToStdout(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    // The report's CR LF must not become CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile out;
    errno = 0;
    if (!out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)
        || out.write(bytes) != bytes.size()) {
        printWriteError(FileErrorCauseFromErrno(errno), QStringLiteral("standard output"));
        return false;
    }
    return true;
}

// A device or pipe named as the output is written into, as the shell would;
// replacing it would put a plain file in its place.
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

// A whole output file, replacing an older one only when complete.
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

bool writeOutputFile(const QString& path, const QByteArray& bytes)
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

QJsonObject blockToJson(const CBlockMemory& block)
{
    QJsonObject o;
    o[QStringLiteral("description")] = LocalBytesToText(block.m_strDescription);
    o[QStringLiteral("address")] = block.m_nAddress;
    o[QStringLiteral("number")] = block.m_nNumber;
    o[QStringLiteral("parameter")] = block.m_bParameter;
    o[QStringLiteral("item")] = (block.m_bParameter ? QStringLiteral("P") : QStringLiteral("VB"))
        + QString::number(block.m_nNumber);
    return o;
}

QJsonArray listToJson(const QList<CBlockMemory*>& blocks)
{
    QJsonArray list;
    for (const CBlockMemory* block : blocks)
        list.append(blockToJson(*block));
    return list;
}
} // namespace

int RunReportCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the text report of a .qzm file, byte for byte as Create Text File writes it."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the report to OUT instead of standard output."),
                                    QStringLiteral("OUT"));
    parser.addOption(output);
    if (const int code = ParseCommandArguments(parser, QStringLiteral("report"), arguments); code >= 0)
        return code;

    const QString path = parser.positionalArguments().first();
    CQZMDoc doc;
    if (!loadDocument(path, doc))
        return 1;
    const QByteArray report = BuildTextReport(doc, ReportNameFromTitle(doc.GetTitle()));

    const QString out = parser.value(output);
    if (out.isEmpty() || out == QLatin1String("-"))
        return writeToStdout(report) ? 0 : 1;
    return writeOutputFile(out, report) ? 0 : 1;
}

int RunShowCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the whole document of a .qzm file as JSON."));
    if (const int code = ParseCommandArguments(parser, QStringLiteral("show"), arguments); code >= 0)
        return code;

    const QString path = parser.positionalArguments().first();
    CQZMDoc doc;
    if (!loadDocument(path, doc))
        return 1;

    QJsonObject settings;
    settings[QStringLiteral("protocol")] = doc.Protocol();
    settings[QStringLiteral("protocolName")] = QLatin1String(QZMFields::kProtocols.Name(doc.Protocol()));
    settings[QStringLiteral("baudRate")] = doc.BaudRate();
    settings[QStringLiteral("baudRateBps")] = QZMFields::BaudRateBps(doc.BaudRate());
    settings[QStringLiteral("parity")] = doc.Parity();
    settings[QStringLiteral("parityName")] = QLatin1String(QZMFields::kParities.Name(doc.Parity()));
    settings[QStringLiteral("timeout")] = doc.Timeout();

    QJsonObject root;
    root[QStringLiteral("file")] = doc.GetPathName();
    root[QStringLiteral("title")] = doc.GetTitle();
    root[QStringLiteral("settings")] = settings;
    root[QStringLiteral("serialPort")] = doc.SerialPort();
    root[QStringLiteral("description")] = LocalBytesToText(doc.Description());
    root[QStringLiteral("read")] = listToJson(doc.ReadBlocks());
    root[QStringLiteral("write")] = listToJson(doc.WriteBlocks());
    return writeToStdout(QJsonDocument(root).toJson(QJsonDocument::Indented)) ? 0 : 1;
}
