// qzm-cli send: Send All without a window, to one port or to several at
// once. Each port gets the window's own transfer on a thread of its own, so
// a slow or silent unit costs only its own time-outs.

#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include "document/QZMDoc.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/HostLookup.h"
#include "transfer/NetworkPort.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPorts.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferRecord.h"

#include <QAbstractEventDispatcher>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QThread>

#include <cerrno>
#include <memory>
#include <vector>

namespace {

// What became of the transfer to one port.
struct PortResult
{
    QString port;   // as the user named it
    QString device; // what was opened
    bool succeeded = false;
    // The program's own message on failure, a summary on success.
    QString message;
    // The operating system's reason and the last exchanges, when there are.
    QString detail;
    double seconds = 0;
    // What happened on the line.
    TransferRecord record;
};

// One result as a line of text or, for scripts, as one JSON object: the
// transfer record, named by the port as the user gave it.
QString RenderResult(const PortResult& result, bool json)
{
    if (json) {
        QJsonObject o = TransferRecordFormat::Json(result.record);
        o[QStringLiteral("port")] = result.port;
        o[QStringLiteral("device")] = result.device;
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    QString name = result.port;
    if (!result.device.isEmpty() && result.device != result.port)
        name += QStringLiteral(" (%1)").arg(result.device);
    return QStringLiteral("%1: %2 in %3 s: %4")
        .arg(name, result.succeeded ? QStringLiteral("ok") : QStringLiteral("failed"),
             QString::number(result.seconds, 'f', 3), QString(result.message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

// Follows one transfer. With a single port each stage goes to stderr, as
// the window's progress dialog shows it; with several the stages of all
// would only interleave, so only the result lines tell.
class CCliProgress : public CTransferProgress
{
public:
    explicit CCliProgress(bool showStages) : m_bShowStages(showStages) {}

    // The file was loaded as it is on disk: nothing to save first.
    bool AskToSave(CDocument&) override { return true; }
    bool Create(CView*) override { return true; }
    void Destroy() override {}
    void SetStatusText(const QString& text) override
    {
        if (!m_bShowStages)
            return;
        // Numbered by the reply the stage waits for.
        const QString step = m_upper > 0 ? QStringLiteral("[%1/%2] ").arg(qMin(m_position + 1, m_upper)).arg(m_upper)
                                         : QString();
        PrintCliProgress(step + text);
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
        m_failure = text;
        m_detail = detailedText;
    }

    int Position() const { return m_position; }
    const QString& Failure() const { return m_failure; }
    const QString& Detail() const { return m_detail; }

    static void PrintCliProgress(const QString& line);

private:
    bool m_bShowStages;
    int m_position = 0;
    int m_upper = 0;
    QString m_failure;
    QString m_detail;
};

void CCliProgress::PrintCliProgress(const QString& line)
{
    // Progress is no message: it carries no prefix.
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// The event dispatcher of a transfer's thread. The transfers block on
// their ports and never run an event loop; the toolkit's own dispatcher
// would take descriptors (a wake-up pipe) per thread, which many ports at
// once need for themselves.
class CBlockingThreadDispatcher : public QAbstractEventDispatcher
{
public:
    bool processEvents(QEventLoop::ProcessEventsFlags) override { return false; }
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return true; }
    bool unregisterTimers(QObject*) override { return true; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
};

// One port to send to, resolved before any transfer starts.
struct SendTarget
{
    QString name;
    QString device; // empty: the transfer reports the port number it cannot use
    int serialPort = 0; // 1..4 when named as COM<n>
};

// COM1..COM4 through the usual mapping, tcp://HOST:PORT, anything else as
// a device path. False (with the reason) for a name that can be no port.
bool ResolvePort(const QString& name, SendTarget& target, QString& error)
{
    PortTarget resolved;
    if (!ResolvePortArgument(name, resolved, error))
        return false;
    target.device = resolved.device;
    target.serialPort = resolved.serialPort;
    return true;
}

// One network port under two host names (localhost and 127.0.0.1) is
// still one port. The names are looked up at once, each within the connect
// time-out; a name that finds nothing is left to its transfer to report.
QString NetworkPortNamedTwice(const std::vector<SendTarget>& targets)
{
    struct Named
    {
        const SendTarget* target;
        quint16 port;
        std::unique_ptr<CHostLookup> lookup;
    };
    std::vector<Named> network;
    for (const SendTarget& target : targets) {
        QString host;
        quint16 port = 0;
        if (IsNetworkPort(target.device) && ParseNetworkPort(target.device, host, port))
            network.push_back({&target, port, std::make_unique<CHostLookup>(host)});
    }
    if (network.size() < 2)
        return {};
    const QDeadlineTimer deadline(CSerialLink::kConnectTimeoutMs);
    QList<QList<QHostAddress>> addresses;
    for (Named& named : network)
        addresses << named.lookup->Wait(deadline);
    for (size_t i = 1; i < network.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (network[i].port != network[j].port)
                continue;
            for (const QHostAddress& address : std::as_const(addresses[qsizetype(i)]))
                if (addresses[qsizetype(j)].contains(address))
                    return QStringLiteral("%1 and %2 name the same port (%3 port %4): a port takes one transfer at a time")
                        .arg(network[j].target->name, network[i].target->name, address.toString())
                        .arg(network[i].port);
        }
    }
    return {};
}

PortResult SendToPort(const CQZMDoc& doc, const SendTarget& target, bool showStages, bool keepRecord)
{
    QElapsedTimer timer;
    timer.start();
    PortResult result;
    result.port = target.name;
    CCliProgress progress(showStages);
    // The transfer only reads the document; every thread shares it.
    CConfigTransfer transfer(const_cast<CQZMDoc*>(&doc), progress);
    if (!target.device.isEmpty())
        transfer.SetPortDevice(target.device, target.serialPort);
    transfer.SetCommandLineHints(true);
    // A record that is kept shows a late reply too.
    if (keepRecord)
        transfer.SetLateReplyWait(CSerialLink::kReadTimeoutMs);
    result.succeeded = RunConfigTransfer(transfer);
    result.seconds = timer.nsecsElapsed() / 1e9;
    result.device = transfer.PortDevice();
    result.record = transfer.Record();
    if (result.succeeded) {
        result.message = QStringLiteral("Sent %1 Read and %2 Write Block Memories; all %3 replies accepted.")
                             .arg(doc.ReadBlocks().size())
                             .arg(doc.WriteBlocks().size())
                             .arg(progress.Position());
    } else if (!progress.Failure().isEmpty()) {
        result.message = progress.Failure();
        result.detail = progress.Detail();
    } else {
        // The window closes its dialog silently here; a command line says why.
        result.message = QStringLiteral("The line settings of %1 could not be set.").arg(result.device);
        result.detail = transfer.FailureReason();
    }
    return result;
}

// Every port is checked before anything is sent: -1, or the exit code of
// the refusal.
int ResolveTargets(const QStringList& names, std::vector<SendTarget>& targets)
{
    for (const QString& name : names) {
        SendTarget target{name, {}};
        QString error;
        if (!ResolvePort(name, target, error))
            return CliUsageError(error);
        for (const SendTarget& other : targets)
            if (other.device == target.device)
                return CliUsageError(QStringLiteral("%1 is named twice: a port takes one transfer at a time").arg(name));
        targets.push_back(target);
    }
    if (const QString twice = NetworkPortNamedTwice(targets); !twice.isEmpty())
        return CliUsageError(twice);
    return -1;
}

// Where the ports' results go, shared by their threads.
struct SendOutputs
{
    bool json = false;
    QFile logFile;
    QMutex mutex;
    // The first failure of each output, by its errno; 0: none yet.
    int logError = 0;
    int outputError = 0;
};

void ReportResult(const PortResult& result, SendOutputs& out)
{
    if (!result.succeeded)
        PrintCliMessage(QStringLiteral("%1: %2").arg(result.port, result.message), result.detail);
    if (out.logFile.isOpen()) {
        // Each port's record whole, in the order the ports finish. A log
        // that fails (a full disk, a size limit) ends no transfer; it is
        // reported once all have ended.
        const QMutexLocker lock(&out.mutex);
        const QByteArray text = TransferRecordFormat::Text(result.record).toUtf8();
        errno = 0;
        const bool written = out.logFile.write(text) == text.size() && out.logFile.flush();
        if (!written && !out.logError)
            out.logError = errno ? errno : EIO;
    }
    errno = 0;
    if (!PrintCliLine(RenderResult(result, out.json))) {
        const int error = errno ? errno : EIO;
        const QMutexLocker lock(&out.mutex);
        if (!out.outputError)
            out.outputError = error;
    }
}

// Sends to every target at once, one thread a port; true when all succeeded.
bool SendToAll(const CQZMDoc& doc, const std::vector<SendTarget>& targets, SendOutputs& out)
{
    const bool single = targets.size() == 1;
    std::vector<PortResult> results(targets.size());
    std::vector<std::unique_ptr<QThread>> threads;
    for (size_t i = 0; i < targets.size(); ++i) {
        threads.emplace_back(QThread::create([&, i] {
            results[i] = SendToPort(doc, targets[i], single, out.json || out.logFile.isOpen());
            ReportResult(results[i], out);
        }));
        // The transfers block on their ports and run no event loop.
        threads.back()->setEventDispatcher(new CBlockingThreadDispatcher);
        threads.back()->start();
    }
    bool allSucceeded = true;
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i]->wait();
        allSucceeded = allSucceeded && results[i].succeeded;
    }
    return allSucceeded;
}
} // namespace

int RunSendCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends the configuration of FILE to the QZM (Send All); with several --port options, to every port at "
        "once. Prints one result line per port; the exit code is 0 only when every port succeeded."));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("COM1..COM4 (mapped by QZM_COM<n>, the settings or the system's port), a device path, or "
                       "tcp://HOST:PORT (a network serial server in raw TCP mode). Repeat it to send to several "
                       "ports at once. Default: the port stored in FILE."),
        QStringLiteral("PORT"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Write each port's transfer record to LOG as text, one exchange a line (\"-\": standard "
                       "error)."),
        QStringLiteral("LOG"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print each port's outcome and transfer record as one JSON object on a line of its own "
                       "(port, outcome, message, time, ..., exchanges) instead of a line of text."));
    parser.addOptions({portOption, logOption, jsonOption});
    if (const int code = ParseCommandArguments(parser, QStringLiteral("send"), arguments); code >= 0)
        return code;
    const QString path = parser.positionalArguments().first();
    SendOutputs out;
    out.json = parser.isSet(jsonOption);

    std::vector<SendTarget> targets;
    if (const int code = ResolveTargets(parser.values(portOption), targets); code >= 0)
        return code;

    CQZMDoc doc;
    if (!LoadCliDocument(path, doc))
        return kExitFailure;
    if (!doc.HasBlocks()) {
        PrintCliMessage(QStringLiteral("%1 holds no Block Memory: there is nothing to send.").arg(path));
        return kExitFailure;
    }
    // Opened before anything is sent: a log that cannot be written is a
    // usage error, not a failed transfer.
    const QString logPath = parser.value(logOption);
    if (!logPath.isEmpty()) {
        // A pipe nobody reads is refused here, not waited for.
        const bool opened = logPath == QLatin1String("-") ? out.logFile.open(stderr, QIODevice::WriteOnly)
                                                          : OpenCliOutputFile(out.logFile, logPath);
        if (!opened)
            return kExitUsage;
    }

    if (targets.empty()) {
        // The port stored in the file; a number outside 1..4 is the
        // transfer's to report, as in the window.
        const QString name = SerialPortName(doc.SerialPort());
        targets.push_back({name.isEmpty() ? QStringLiteral("port %1").arg(doc.SerialPort()) : name,
                           SerialPortDevice(doc.SerialPort())});
    }

    const bool allSucceeded = SendToAll(doc, targets, out);
    if (out.logError)
        PrintCliWriteError(out.logError, logPath == QLatin1String("-") ? QStringLiteral("standard error") : logPath);
    if (out.outputError)
        PrintCliWriteError(out.outputError, QStringLiteral("standard output"));
    return allSucceeded && !out.logError && !out.outputError ? kExitOk : kExitFailure;
}
