#include "app/QZMApp.h"

#include "app/ShellServerInterface.h"

#include "app/AppIcons.h"
#include "app/RunningInstance.h"
#include "app/ShellRegistration.h"
#include "document/QZMDoc.h"
#include "editor/BlockTableWnd.h"
#include "editor/QZMView.h"
#include "editor/ReportPrinting.h"
#include "frame/AboutDlg.h"
#include "framework/FrameWnd.h"
#include "frame/MainFrame.h"
#include "framework/FirstFrame.h"
#include "framework/Interaction.h"
#include "framework/PluginLoader.h"
#include "framework/LazyIcons.h"
#include "framework/ProgramLocation.h"
#include "framework/SettingsKeys.h"
#include "framework/SingleDocTemplate.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "transfer/SendAll.h"
#include "transfer/SerialPortsDlg.h"
#include "transfer/TransferMonitor.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {
// How long the start waits for the window's first frame before it goes on
// without (a window that never shows, say, started minimized).
constexpr int kFirstFrameTimeoutMs = 2000;

// The program as a desktop entry can name it. A path that is not valid
// UTF-8 cannot stand in one; the program's name then serves if PATH finds
// this very program under it.
QString RegisteredProgramPath()
{
    const QString path = RepresentableProgramPath();
    if (!path.isEmpty())
        return path;
    const QString onPath = QStandardPaths::findExecutable(ProgramBaseName());
    if (!onPath.isEmpty() && IsThisProgram(onPath))
        return onPath;
    const QByteArray bytes = ProgramPathBytes();
    std::fprintf(stderr,
                 "qzm: .qzm files are not registered with the desktop: the program's path %s is not valid "
                 "UTF-8 and PATH does not lead to it; move the program or put its folder on PATH\n",
                 bytes.isEmpty() ? "(unknown)" : bytes.constData());
    return {};
}

// The document type of the template string, opened by this program.
CShellRegistration ProgramRegistration(const CShellRegistration::ToolRunner& runner)
{
    CShellRegistration registration(DocTypeInfo::FromTemplateString(CStringTable::Load(IDR_MAINFRAME)),
                                    RegisteredProgramPath());
    registration.SetToolRunner(runner);
    return registration;
}
} // namespace

CQZMApp::CQZMApp(const QStringList& arguments) : m_arguments(arguments)
{
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    // No help file belongs to the program; F1 shows what it is instead.
    OnCommand(ID_HELP, [this] { OnAppAbout(); });
    OnCommand(ID_SERIAL_PORTS, [this] { OnSerialPorts(); });
    OnCommand(ID_VIEW_TRANSFER_MONITOR, [this] { OnViewTransferMonitor(); });
    OnCommand(ID_VIEW_BLOCK_TABLE, [this] { OnViewBlockTable(); });
}

CQZMApp::~CQZMApp()
{
    if (m_pShellServer)
        m_pShellPlugin->Destroy(m_pShellServer);
}

bool CQZMApp::InitInstance()
{
#ifdef SIGXFSZ
    // A save past the file-size limit must fail as on a full disk ("Disk
    // full") and keep the unsaved edits, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Settings live under Software\Zelvra\QZM.
    SettingsKeys::UseProgramStore();
    // Lets a dock match the window to its desktop entry (Wayland app id).
    QGuiApplication::setDesktopFileName(DesktopBaseName());

    QApplication::setWindowIcon(QZMAppIcon());
    InstallLazyStandardIcons();
    PreloadStylePixmaps();

    LoadStdProfileSettings(4);

    // The document's Send All runs the transfer with its progress dialog.
    // The Transfer Monitor follows every transfer through the history.
    auto makeDocument = [this] {
        auto doc = std::make_unique<CQZMDoc>();
        doc->SetSendAllHandler([this](CQZMDoc& d) { SendAllHeld(d); });
        return std::unique_ptr<CDocument>(std::move(doc));
    };
    auto makeFrame = [this](CDocument* doc) -> CFrameWnd* {
        auto* frame = new CMainFrame;
        frame->SetApp(this);
        auto* view = new CQZMView;
        view->SetPrinterSelector(&m_printerSelector);
        doc->AddView(view);
        frame->SetActiveView(view);
        if (!frame->OnCreate(view)) {
            delete frame;
            return nullptr;
        }
        return frame;
    };
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(CStringTable::Load(IDR_MAINFRAME), makeDocument, makeFrame));

    m_cmdInfo = CCommandLineInfo::Parse(m_arguments);
    // A run that ends without a window (printing, unregistering) has no
    // first frame to wait for.
    const bool window = m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileNew
                        || m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileDDE
                        || m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen;
    if (!window)
        RunAfterFirstFrame();
    // A start that ends here (handed over, failed) stops holding back the
    // next one at once, not when its process ends.
    const auto startEnded = qScopeGuard([this] { m_pStartLock.reset(); });
    if (m_cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen && HandOpenToRunningInstance())
        return false;
    if (!ProcessShellCommand())
        return false;

    CMainFrame* frame = GetMainFrame();
    connect(frame, &CMainFrame::filesDropped, this, &CQZMApp::OpenDroppedFiles);
#if QT_CONFIG(sessionmanager)
    // A session that ends under a transfer would cut it off half sent.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        CDocument* doc = GetDocument();
        if (doc && doc->IsHeld() && manager.allowsInteraction()) {
            manager.cancel();
            manager.release();
        }
    });
#endif
    frame->show();
    WaitForFirstFrame(frame, kFirstFrameTimeoutMs);
    RunAfterFirstFrame();
    return true;
}

void CQZMApp::RunAfterFirstFrame()
{
    // Nothing here is needed to draw the window: the user sees it first.
    EnableShellOpen();
    RegisterShellFileTypes();
}

bool CQZMApp::ProcessShellCommand()
{
    switch (m_cmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    // A start for a shell conversation starts as usual; the conversation
    // itself comes through the shell server.
    case CCommandLineInfo::FileDDE:
        OnFileNew();
        return GetMainWnd() != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(m_cmdInfo.m_strFileName, false) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        PrintFromCommandLine();
        // The program ends after printing.
        return false;
    case CCommandLineInfo::AppUnregister:
        UnregisterShellFileTypes();
        RemoveApplicationSettings();
        // Writing the list back would bring the settings back.
        SetWriteRecentListAtExit(false);
        if (!m_cmdInfo.m_bRunEmbedded)
            AfxMessageBox(AFX_IDP_UNREG_DONE);
        // The program ends here as specified, but what it was asked worked.
        SetExitCodeWithoutStart(0);
        return false;
    }
    return false;
}

bool CQZMApp::HandOpenToRunningInstance()
{
    // A start with its own serial-port mapping (scripts/run) wants its own window.
    if (qEnvironmentVariableIntValue("QZM_NEW_WINDOW") != 0)
        return false;
    m_pStartLock = CInstanceStartLock::Acquire();
    const QString path = FullOpenPath(m_cmdInfo.m_strFileName);
    const ForwardResult result = ForwardOpenToRunningInstance(path);
    if (result == ForwardResult::NoInstance)
        return false;
    // The list is the running instance's to keep.
    SetWriteRecentListAtExit(false);
    if (result == ForwardResult::Opened) {
        SetExitCodeWithoutStart(0);
    } else {
        // Its window said why; a terminal hears it too.
        std::fprintf(stderr, "qzm: the QZM window already open could not open %s\n",
                     qPrintable(QDir::toNativeSeparators(path)));
    }
    return true;
}

bool CQZMApp::PrintFromCommandLine()
{
    // Nothing named, nothing to print (a desktop's print action without a
    // file): say so, where a terminal and where only the desktop would see it.
    if (m_cmdInfo.m_strFileName.isEmpty()) {
        const QString why = CStringTable::Load(IDS_PRINT_NEEDS_FILE);
        std::fprintf(stderr, "qzm: %s\n", qPrintable(QString(why).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        AfxMessageBox(why);
        return false;
    }
    // The window stays hidden.
    if (!OpenDocumentFile(m_cmdInfo.m_strFileName, false))
        return false;
    CQZMView* view = GetView();
    return view
        && view->Print(ReportPrintJob::Direct,
                       {m_cmdInfo.m_strPrinterName, m_cmdInfo.m_strDriverName, m_cmdInfo.m_strPortName});
}

// The shell server's start: probe for a running instance, then listen.
// Runs after the first frame (or at once for a run without a window).
void CQZMApp::EnableShellOpen()
{
    // The server and Qt Network load only now, from their plugin.
    auto* plugin = Plugin<CShellServerInterface>(kShellServerPlugin);
    if (!plugin) {
        qWarning("The shell server is not available: %s", qPrintable(PluginError(kShellServerPlugin)));
        m_pStartLock.reset();
        return;
    }
    const QString name = ShellServerName();
    if (name.isEmpty()) {
        qWarning("The shell server is not available: no folder of this user's own holds its socket "
                 "(XDG_RUNTIME_DIR is unset or unusable, and the temporary folder's is taken)");
        m_pStartLock.reset();
        return;
    }
    m_pShellPlugin = plugin;
    m_pShellServer = plugin->Create(name, [this](const ShellRequest& request) { return OnShellRequest(request); });
    // Another instance may answer already; this one then runs without.
    plugin->Listen(m_pShellServer);
    if (m_bRequestsHeld)
        plugin->SetHeld(m_pShellServer, true);
    // Starts waiting to hand over their files may now ask this one.
    m_pStartLock.reset();
}

void CQZMApp::RegisterShellFileTypes()
{
    ProgramRegistration(m_desktopToolRunner).Register();
}

void CQZMApp::UnregisterShellFileTypes()
{
    ProgramRegistration(m_desktopToolRunner).Unregister();
}

bool CQZMApp::OnShellRequest(const ShellRequest& request)
{
    CFrameWnd* frame = GetMainWnd();
    if (request.verb == ShellRequest::Verb::Open) {
        if (frame)
            BringToFront(frame);
        return OpenDocumentFile(request.path) != nullptr;
    }
    if (!OpenDocumentFile(request.path))
        return false;
    CQZMView* view = GetView();
    return view && view->Print(ReportPrintJob::Direct, {request.printerName, request.driverName, request.portName});
}

CQZMDoc* CQZMApp::GetQZMDoc() const
{
    return static_cast<CQZMDoc*>(GetDocument());
}

CMainFrame* CQZMApp::GetMainFrame() const
{
    return static_cast<CMainFrame*>(GetMainWnd());
}

CQZMView* CQZMApp::GetView() const
{
    CMainFrame* frame = GetMainFrame();
    return frame ? dynamic_cast<CQZMView*>(frame->GetActiveView()) : nullptr;
}

void CQZMApp::OnAppAbout()
{
    CAboutDlg dialog(GetMainWnd());
    CInteraction::Instance().RunModal(&dialog);
}

void CQZMApp::SetPortDiscovery(std::unique_ptr<CPortDiscovery> discovery)
{
    m_pPortDiscovery = std::move(discovery);
}

void CQZMApp::SetPrinterSelector(PrinterSelector selector)
{
    m_printerSelector = std::move(selector);
}

void CQZMApp::OnSerialPorts()
{
    if (!m_pPortDiscovery)
        m_pPortDiscovery = std::make_unique<CSystemPortDiscovery>();
    CSerialPortsDlg dialog(*m_pPortDiscovery, GetMainWnd());
    CInteraction::Instance().RunModal(&dialog);
}

CTransferMonitor* CQZMApp::GetTransferMonitor() const
{
    return m_pTransferMonitor.data();
}

void CQZMApp::OnViewTransferMonitor()
{
    if (!m_pTransferMonitor)
        m_pTransferMonitor = new CTransferMonitor(m_transferHistory, GetMainWnd());
    BringToFront(m_pTransferMonitor);
}

CBlockTableWnd* CQZMApp::GetBlockTable() const
{
    return m_pBlockTable.data();
}

void CQZMApp::OnViewBlockTable()
{
    if (!m_pBlockTable) {
        if (!GetView())
            return;
        m_pBlockTable = new CBlockTableWnd(GetView(), GetMainWnd());
    }
    BringToFront(m_pBlockTable);
}

void CQZMApp::SendAllHeld(CQZMDoc& doc)
{
    // The device gets the document as it was when Send All began: opens and
    // prints from the desktop, the shell conversation and drops wait.
    const CDocument::CHold hold(doc);
    SetRequestsHeld(true);
    const auto release = qScopeGuard([this] { SetRequestsHeld(false); });
    SendAllFromWindowObserved(doc, m_transferHistory);
}

void CQZMApp::SetRequestsHeld(bool held)
{
    m_bRequestsHeld = held;
    if (m_pShellServer)
        m_pShellPlugin->SetHeld(m_pShellServer, held);
    if (!held && !m_heldDrops.isEmpty())
        OpenDroppedFiles(std::exchange(m_heldDrops, {}));
}

void CQZMApp::OpenDroppedFiles(const QStringList& paths)
{
    // In the shell conversation's queue, drops keep their turn among the
    // requests that came before and after them.
    if (m_pShellServer) {
        for (const QString& path : paths)
            m_pShellPlugin->Submit(m_pShellServer, ShellRequest{ShellRequest::Verb::Open, FullOpenPath(path), {}, {}, {}});
        return;
    }
    if (m_bRequestsHeld) {
        m_heldDrops << paths;
        return;
    }
    // Leave the drop first; each open may ask to save.
    QTimer::singleShot(0, this, [this, paths] {
        for (const QString& path : paths)
            OpenDocumentFile(path);
    });
}
