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
struct CShellServerModuleApi;
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
    bool PrintFromCommandLine();
    void OpenDroppedFiles(const QStringList& paths);

    QStringList m_arguments;
    CCommandLineInfo m_cmdInfo;
    // Made by the shell server's module, which also deletes it.
    CShellServer* m_pShellServer = nullptr;
    const CShellServerModuleApi* m_pShellModule = nullptr;
    CTransferHistory m_transferHistory;
    // Owned by the main frame, as its child window.
    QPointer<CTransferMonitor> m_pTransferMonitor;
};
