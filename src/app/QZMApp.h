#pragma once

#include "app/CommandLineInfo.h"
#include "framework/WinApp.h"

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
    const CCommandLineInfo& CommandLine() const { return m_cmdInfo; }

    void OnAppAbout();

private:
    bool ProcessShellCommand();
    void OpenDroppedFiles(const QStringList& paths);

    QStringList m_arguments;
    CCommandLineInfo m_cmdInfo;
};
