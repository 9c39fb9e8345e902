#pragma once

#include "app/CommandLineInfo.h"
#include "app/ShellEndpoint.h"
#include "framework/WinApp.h"

#include <memory>

class CMainFrame;
class CQZMDoc;
class CQZMView;

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

    // The end of the shell conversation, once shell open is enabled.
    CShellEndpoint* GetShellServer() const { return m_pShellServer.get(); }
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
    std::unique_ptr<CShellEndpoint> m_pShellServer;
};
