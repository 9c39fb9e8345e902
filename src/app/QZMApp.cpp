#include "app/QZMApp.h"

#include "document/QZMDoc.h"
#include "editor/QZMView.h"
#include "frame/AboutDlg.h"
#include "frame/MainFrame.h"
#include "framework/Interaction.h"
#include "framework/SingleDocTemplate.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QTimer>

CQZMApp::CQZMApp(const QStringList& arguments) : m_arguments(arguments)
{
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    // No help file belongs to the program; F1 shows what it is instead.
    OnCommand(ID_HELP, [this] { OnAppAbout(); });
}

CQZMApp::~CQZMApp() = default;

bool CQZMApp::InitInstance()
{
    // Settings live under Software\Zelvra\QZM.
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvra"));
    QCoreApplication::setApplicationName(CStringTable::Load(AFX_IDS_APP_TITLE));

    LoadStdProfileSettings(4);

    auto makeDocument = [] { return std::unique_ptr<CDocument>(new CQZMDoc); };
    auto makeFrame = [](CDocument* doc) -> CFrameWnd* {
        auto* frame = new CMainFrame;
        auto* view = new CQZMView;
        doc->AddView(view);
        frame->SetActiveView(view, view);
        if (!frame->OnCreate(view)) {
            delete frame;
            return nullptr;
        }
        return frame;
    };
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(CStringTable::Load(IDR_MAINFRAME), makeDocument, makeFrame));

    m_cmdInfo = CCommandLineInfo::Parse(m_arguments);
    if (!ProcessShellCommand())
        return false;

    CMainFrame* frame = GetMainFrame();
    connect(frame, &CMainFrame::filesDropped, this, &CQZMApp::OpenDroppedFiles);
    frame->show();
    frame->repaint();
    return true;
}

bool CQZMApp::ProcessShellCommand()
{
    switch (m_cmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE:
        OnFileNew();
        return GetMainWnd() != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(m_cmdInfo.m_strFileName, false) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        if (OpenDocumentFile(m_cmdInfo.m_strFileName, false))
            GetMainWnd()->SendCommand(ID_FILE_PRINT_DIRECT);
        return false;
    case CCommandLineInfo::AppUnregister:
        return false;
    }
    return false;
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

void CQZMApp::OpenDroppedFiles(const QStringList& paths)
{
    // Leave the drop first; each open may ask to save.
    QTimer::singleShot(0, this, [this, paths] {
        for (const QString& path : paths)
            OpenDocumentFile(path);
    });
}
