// Times complete Send All transfers of 48 + 48 Block Memories over the real
// serial port code to the device at --port. Prints figures; asserts nothing.
#include "document/QZMDoc.h"
#include "resources/Strings.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SendDlg.h"
#include "transfer/TransferHistory.h"
#include "transfer/TransferMonitor.h"
#include "transfer/TransferProgress.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
class CQuietProgress : public CTransferProgress
{
public:
    bool Create(CView*) override { return true; }
    void Destroy() override {}
    void SetStatusText(const QString&) override {}
    void SetRange(int) override {}
    void StepIt() override {}
    void ReportFailure(const QString& text, const QString& detail) override
    {
        QTextStream(stderr) << "transfer failed: " << text << " " << detail << Qt::endl;
    }
};
// The window's progress dialog, painted at every step as in Send All.
class CBenchSendDlg : public CSendDlg
{
public:
    void ReportFailure(const QString& text, const QString& detail) override
    {
        QTextStream(stderr) << "transfer failed: " << text << " " << detail << Qt::endl;
    }
};

// Processor time of this process (user and system), in ms: what the
// transfer costs whatever else the machine is doing.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

bool hasArgument(int argc, char* argv[], const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}
} // namespace

int main(int argc, char* argv[])
{
    // --window: through the progress dialog as Send All from the window;
    // --monitor: with the Transfer Monitor open and following, too.
    const bool monitor = hasArgument(argc, argv, "--monitor");
    const bool window = monitor || hasArgument(argc, argv, "--window");
    if (window && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(window ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    InstallQZMStrings();
    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("device"), QStringLiteral("PATH"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("transfers"), QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption limitOption(QStringLiteral("line-limit"), QStringLiteral("compare with the line time"));
    const QCommandLineOption windowOption(QStringLiteral("window"), QStringLiteral("with the progress dialog"));
    const QCommandLineOption monitorOption(QStringLiteral("monitor"), QStringLiteral("with the Transfer Monitor open"));
    parser.addOptions({portOption, runsOption, limitOption, windowOption, monitorOption});
    parser.process(*app);

    CTransferHistory history;
    std::unique_ptr<CTransferMonitor> monitorWindow;
    if (monitor) {
        monitorWindow = std::make_unique<CTransferMonitor>(history);
        monitorWindow->show();
        QCoreApplication::processEvents();
    }

    CQZMDoc doc;
    doc.AddDefaultBlocks(48, 48);
    for (int i = 0; i < 48; ++i) {
        doc.ReadBlocks()[i]->m_nAddress = 1 + i;
        doc.ReadBlocks()[i]->m_nNumber = 100 * i;
        doc.WriteBlocks()[i]->m_nAddress = 247 - i;
        doc.WriteBlocks()[i]->m_nNumber = 9999 - i;
    }
    const int exchanges = 3 + 96;
    // Every byte on the line: telegrams 4 + 7 + 7 + 96 * 8, replies 99 * 2.
    const int lineBytes = 4 + 7 + 7 + 96 * 8 + exchanges * 2;

    QList<double> totals, cpu;
    const int runs = qMax(1, parser.value(runsOption).toInt());
    for (int run = 0; run < runs; ++run) {
        CQuietProgress quiet;
        std::unique_ptr<CBenchSendDlg> dialog(window ? new CBenchSendDlg : nullptr);
        CTransferProgress& progress = window ? static_cast<CTransferProgress&>(*dialog) : quiet;
        CConfigTransfer transfer(&doc, progress);
        transfer.SetPortDevice(parser.value(portOption));
        if (monitor)
            transfer.SetObserver(&history);
        QElapsedTimer timer;
        const double cpuBefore = cpuMs();
        timer.start();
        const bool ok = RunConfigTransfer(transfer);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!ok)
            return 1;
        totals << ms;
        cpu << cpuMs() - cpuBefore;
    }
    std::sort(totals.begin(), totals.end());
    std::sort(cpu.begin(), cpu.end());
    const double median = totals.at(totals.size() / 2);
    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(3);
    out << "  transfers: " << runs << " of " << exchanges << " exchanges (" << lineBytes << " bytes on the line)\n";
    out << "  total: median " << median << " ms, best " << totals.first() << " ms, worst " << totals.last() << " ms\n";
    out << "  processor time per transfer: median " << cpu.at(cpu.size() / 2) << " ms\n";
    if (parser.isSet(limitOption)) {
        const double limitMs = lineBytes * 10.0 * 1000.0 / 9600.0;
        out << "  line-time limit at 9600 baud: " << limitMs << " ms\n";
        out << "  ratio total / limit: " << median / limitMs << " (goal <= 1.10)\n";
    } else {
        out << "  per exchange: " << median * 1000.0 / exchanges << " us (goal <= 1000 us)\n";
    }
    return 0;
}
