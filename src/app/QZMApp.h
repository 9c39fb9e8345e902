#pragma once

#include "app/CommandLineInfo.h"
#include "framework/WinApp.h"
#include "transfer/TransferHistory.h"

#include <QPointer>

#include <memory>

class CMainFrame;
class CQZMDoc;
class CQZMView;
class CShellServer;
class CTransferMonitor;
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
    // View > Transfer Monitor: shows (creating on first use) the monitor.
    void OnViewTransferMonitor();
    CTransferMonitor* GetTransferMonitor() const;
    // The last transfers' records; Send All from the window adds to it.
    CTransferHistory& TransferHistory() { return m_transferHistory; }

    // The end of the shell conversation, once shell open is enabled.
    CShellServer* GetShellServer() const { return m_pShellServer.get(); }
    // Carries out one shell request; false when it failed.
    bool OnShellRequest(const ShellRequest& request);

private:
    void EnableShellOpen();
    void RegisterShellFileTypes();
    void UnregisterShellFileTypes();
    bool ProcessShellCommand();
    bool PrintFromCommandLine();
    void OpenDroppedFiles(const QStringList& paths);

    QStringList m_arguments;
    CCommandLineInfo m_cmdInfo;
    std::unique_ptr<CShellServer> m_pShellServer;
    CTransferHistory m_transferHistory;
    // Owned by the main frame, as its child window.
    QPointer<CTransferMonitor> m_pTransferMonitor;
};
