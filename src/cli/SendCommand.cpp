// qzm-cli send: Send All without a window. The transfer is the window's
// own; only the progress display and the messages go to stderr.

#include "cli/CliCommands.h"

#include "document/QZMDoc.h"
#include "framework/Interaction.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SerialLink.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferRecord.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextStream>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Each stage on a line of its own; failures as "qzm-cli send: <message>".
class CStderrProgress : public CTransferProgress
{
public:
    bool Create(CView*) override { return true; }
    void Destroy() override {}
    void SetStatusText(const QString& text) override
    {
        // Numbered by the reply the stage waits for.
        if (m_upper > 0)
            err() << "[" << qMin(m_position + 1, m_upper) << "/" << m_upper << "] ";
        err() << text << Qt::endl;
    }
    void SetRange(int upper) override
    {
        m_upper = upper;
        m_position = 0;
    }
    void StepIt() override
    {
        if (m_position < m_upper)
            ++m_position;
    }
    void ReportFailure(const QString& text, const QString& detailedText) override
    {
        err() << "qzm-cli send: " << text << Qt::endl;
        if (!detailedText.isEmpty())
            err() << "  " << QString(detailedText).replace(QLatin1Char('\n'), QLatin1String("\n  ")) << Qt::endl;
    }
    int Position() const { return m_position; }

private:
    int m_position = 0;
    int m_upper = 0;
};

// Messages of the document layer (loading the file) go to stderr too.
class CStderrInteraction : public CInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest& request) override
    {
        err() << "qzm-cli send: " << request.text << Qt::endl;
        if (!request.detailedText.isEmpty())
            err() << "  " << request.detailedText << Qt::endl;
        return request.buttons == MessageRequest::Buttons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::optional<QString> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
    bool PrintDialog(const PrintRequest&) override { return false; }
    int RunModal(QWidget*) override { return 0; }
};

// Restores the previous default interaction when the command ends.
class CInteractionScope
{
public:
    explicit CInteractionScope(CInteraction* interaction) { CInteraction::SetDefault(interaction); }
    ~CInteractionScope() { CInteraction::SetDefault(nullptr); }
};

} // namespace

void WriteTransferRecord(const TransferRecord& record, QIODevice* log, bool json)
{
    if (log) {
        err().flush();
        log->write(TransferRecordFormat::Text(record).toUtf8());
        if (auto* file = qobject_cast<QFile*>(log))
            file->flush();
    }
    if (json) {
        QTextStream out(stdout);
        out << QJsonDocument(TransferRecordFormat::Json(record)).toJson(QJsonDocument::Compact) << Qt::endl;
    }
}

int RunSendCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sends the configuration of FILE to the QZM (Send All)."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("COM1..COM4 (mapped by QZM_COM<n>, the settings or the system's port), or a device path. "
                       "Default: the port stored in FILE."),
        QStringLiteral("PORT"));
    parser.addOption(portOption);
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Write the transfer record to LOG as text, one exchange a line (\"-\": standard error)."),
        QStringLiteral("LOG"));
    parser.addOption(logOption);
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print the outcome and the transfer record as one JSON object on standard output."));
    parser.addOption(jsonOption);
    if (const int code = ParseCommandArguments(parser, QStringLiteral("send"), arguments); code >= 0)
        return code;
    const QString path = parser.positionalArguments().first();

    CStderrInteraction interaction;
    CInteractionScope scope(&interaction);

    CQZMDoc doc;
    if (!doc.OnOpenDocument(QFileInfo(path).absoluteFilePath()))
        return 2;
    if (!doc.HasBlocks()) {
        err() << "qzm-cli send: " << path << " holds no Block Memory: there is nothing to send." << Qt::endl;
        return 2;
    }

    QString device;
    if (parser.isSet(portOption)) {
        const QString port = parser.value(portOption);
        const QRegularExpressionMatch com =
            QRegularExpression(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption)
                .match(port);
        if (com.hasMatch()) {
            const int number = com.captured(1).toInt();
            if (SerialPortName(number).isEmpty()) {
                err() << "qzm-cli send: " << port << " is not one of COM1 to COM4" << Qt::endl;
                return 2;
            }
            doc.SetSerialPort(number);
        } else {
            device = port;
        }
    }

    // Opened before anything is sent: a log that cannot be written is a
    // usage error, not a failed transfer.
    QFile logFile;
    const QString logPath = parser.value(logOption);
    if (!logPath.isEmpty()) {
        const bool opened = logPath == QLatin1String("-") ? logFile.open(stderr, QIODevice::WriteOnly)
                                                          : (logFile.setFileName(logPath),
                                                             logFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!opened) {
            err() << "qzm-cli send: cannot write the log " << logPath << ": " << logFile.errorString() << Qt::endl;
            return 2;
        }
    }
    const bool json = parser.isSet(jsonOption);

    CStderrProgress progress;
    CConfigTransfer transfer(&doc, progress);
    if (!device.isEmpty())
        transfer.SetPortDevice(device);
    if (logFile.isOpen() || json)
        transfer.SetLateReplyWait(CSerialLink::kReadTimeoutMs);
    const bool sent = RunConfigTransfer(transfer);
    WriteTransferRecord(transfer.Record(), logFile.isOpen() ? &logFile : nullptr, json);
    if (sent) {
        err() << "Sent " << doc.ReadBlocks().size() << " Read and " << doc.WriteBlocks().size()
              << " Write Block Memories to " << transfer.PortDevice() << "; all "
              << progress.Position() << " replies accepted." << Qt::endl;
        return 0;
    }
    if (transfer.FailureMessage() == 0) {
        // The window closes its dialog silently here; a command line says why.
        err() << "qzm-cli send: the line settings of " << transfer.PortDevice() << " could not be set";
        if (!transfer.FailureReason().isEmpty())
            err() << ": " << transfer.FailureReason();
        err() << Qt::endl;
    }
    return 1;
}
