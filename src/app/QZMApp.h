#pragma once

#include "app/CommandLineInfo.h"
#include "app/ShellRegistration.h"
#include "framework/PrintingInterface.h"
#include "framework/WinApp.h"
#include "transfer/TransferHistory.h"

#include <QPointer>

#include <memory>

class CInstanceStartLock;
class CMainFrame;
class CPortDiscovery;
class CQZMDoc;
class CQZMView;
class CShellServer;
class CTransferMonitor;
class CBlockTableWnd;
class CShellServerInterface;
struct ShellRequest;

// The QZM Configurator application object.
class CQZMApp : public CWinApp
{
    Q_OBJECT

public:
    explicit CQZMApp(const QStringList& arguments);
    ~CQZMApp() override;

    bool InitInstance() override;

    CQZMDoc* GetQZMDoc() const;
    CMainFrame* GetMainFrame() const;
    CQZMView* GetView() const;

    void OnAppAbout();
    // Serial Ports...: the device behind each of COM1..COM4.
    void OnSerialPorts();
    // Where the dialog finds the system's ports (tests give a fixed list).
    void SetPortDiscovery(std::unique_ptr<CPortDiscovery> discovery);
    // Where print jobs find their printer (tests print to PDF files); an
    // empty one leaves it to the system.
    void SetPrinterSelector(PrinterSelector selector);
    // What refreshes the desktop's caches after the file types are
    // registered (tests give one that runs nothing).
    void SetDesktopToolRunner(CShellRegistration::ToolRunner runner) { m_desktopToolRunner = std::move(runner); }
    // View > Transfer Monitor: shows (creating on first use) the monitor.
    void OnViewTransferMonitor();
    CTransferMonitor* GetTransferMonitor() const;
    // View > Block Memory Table: shows (creating on first use) the table.
    void OnViewBlockTable();
    CBlockTableWnd* GetBlockTable() const;
    // The last transfers' records; Send All from the window adds to it.
    CTransferHistory& TransferHistory() { return m_transferHistory; }

    // The end of the shell conversation, once shell open is enabled.
    CShellServer* GetShellServer() const { return m_pShellServer; }
    // Carries out one shell request; false when it failed.
    bool OnShellRequest(const ShellRequest& request);

private:
    // What the start does once the window has painted its first frame.
    void RunAfterFirstFrame();
    void EnableShellOpen();
    void RegisterShellFileTypes();
    void UnregisterShellFileTypes();
    bool ProcessShellCommand();
    // A start with a file: true when the instance already running took it
    // (this one then ends, with the exit code set).
    bool HandOpenToRunningInstance();
    bool PrintFromCommandLine();
    void OpenDroppedFiles(const QStringList& paths);
    // Send All with the document held and every request from outside
    // waiting until it ends.
    void SendAllHeld(CQZMDoc& doc);
    void SetRequestsHeld(bool held);

    QStringList m_arguments;
    CCommandLineInfo m_cmdInfo;
    std::unique_ptr<CPortDiscovery> m_pPortDiscovery;
    PrinterSelector m_printerSelector;
    CShellRegistration::ToolRunner m_desktopToolRunner;
    // Held from the look for a running instance until this one listens or
    // its start ends.
    std::unique_ptr<CInstanceStartLock> m_pStartLock;
    // Made by the shell server's plugin, which also deletes it.
    CShellServer* m_pShellServer = nullptr;
    CShellServerInterface* m_pShellPlugin = nullptr;
    CTransferHistory m_transferHistory;
    bool m_bRequestsHeld = false;
    // Dropped while held, with no shell server to queue them.
    QStringList m_heldDrops;
    // Owned by the main frame, as its child window.
    QPointer<CTransferMonitor> m_pTransferMonitor;
    QPointer<CBlockTableWnd> m_pBlockTable;
};
