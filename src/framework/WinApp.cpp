#include "framework/WinApp.h"

#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/Interaction.h"
#include "framework/RecentFileList.h"
#include "framework/SettingsKeys.h"
#include "framework/SingleDocTemplate.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>

namespace {
// A name as the shell or a user may quote it: one pair of double quotes
// around the whole name goes, and so does a lone leading one. A quote
// anywhere else is part of the name.
QString UnquotedPath(QString path)
{
    if (!path.startsWith(QLatin1Char('"')))
        return path;
    if (path.size() >= 2 && path.endsWith(QLatin1Char('"')))
        return path.mid(1, path.size() - 2);
    if (path.indexOf(QLatin1Char('"'), 1) < 0)
        return path.mid(1);
    return path;
}
} // namespace

CWinApp::CWinApp()
{
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](int id) { OnOpenRecentFile(id); });
    OnCommand(ID_APP_EXIT, [this] {
        if (CFrameWnd* frame = GetMainWnd())
            frame->close();
    });
}

CWinApp::~CWinApp()
{
    m_pDocTemplate.reset();
}

CFrameWnd* CWinApp::GetMainWnd() const
{
    return m_pDocTemplate ? m_pDocTemplate->GetFrame() : nullptr;
}

CDocument* CWinApp::GetDocument() const
{
    return m_pDocTemplate ? m_pDocTemplate->GetDocument() : nullptr;
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles)
{
    m_pRecentFileList = std::make_unique<CRecentFileList>(maxRecentFiles, SettingsKeys::RecentFileSection(),
                                                          SettingsKeys::RecentFileEntryFormat(), 30);
    QSettings settings;
    m_pRecentFileList->ReadList(settings);
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate)
{
    m_pDocTemplate = std::move(docTemplate);
    m_pDocTemplate->SetRecentFileSink([this](const QString& path) { AddToRecentFileList(path); });
}

void CWinApp::AddToRecentFileList(const QString& path)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(path);
}

int CWinApp::ExitInstance()
{
    if (m_pRecentFileList && m_bWriteRecentList) {
        QSettings settings;
        m_pRecentFileList->WriteList(settings);
    }
    return 0;
}

int CWinApp::Run()
{
    if (!InitInstance()) {
        ExitInstance();
        return m_nExitCodeWithoutStart;
    }
    const int code = QApplication::exec();
    ExitInstance();
    return code;
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(QString());
}

void CWinApp::OnFileOpen()
{
    if (!m_pDocTemplate)
        return;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Open;
    request.title = CStringTable::Load(AFX_IDS_OPENFILE);
    request.filters = m_pDocTemplate->FileFilters();
    request.defaultSuffix = m_pDocTemplate->DefaultSuffix();
    request.fileMustExist = true;
    const std::optional<QString> chosen = CInteraction::Instance().FileDialog(request);
    if (chosen)
        OpenDocumentFile(*chosen);
}

bool CWinApp::OnOpenRecentFile(int id)
{
    if (!m_pRecentFileList)
        return false;
    const int index = id - ID_FILE_MRU_FILE1;
    if (index < 0 || index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].isEmpty())
        return false;
    const OpenResult result = OpenFile((*m_pRecentFileList)[index]);
    if (!result) {
        // Only a file that could not be opened leaves the list; answering
        // Cancel to the save prompt says nothing about the file.
        if (!result.WasAbandoned())
            m_pRecentFileList->Remove(index);
        return false;
    }
    return true;
}

CDocument* CWinApp::OpenDocumentFile(const QString& path, bool makeVisible)
{
    return OpenFile(path, makeVisible) ? GetDocument() : nullptr;
}

QString CWinApp::FullOpenPath(const QString& path)
{
    return QFileInfo(UnquotedPath(path)).absoluteFilePath();
}

OpenResult CWinApp::OpenFile(const QString& path, bool makeVisible)
{
    if (!m_pDocTemplate)
        return OpenResult::Failed;
    const QString full = FullOpenPath(path);
    // Open what a link points at, as the shell resolves shortcuts.
    const QString target = QFileInfo(full).isSymLink() ? QFileInfo(full).symLinkTarget() : full;

    CDocument* doc = m_pDocTemplate->GetDocument();
    if (doc && !doc->GetPathName().isEmpty() && CRecentFileList::SamePath(doc->GetPathName(), target)) {
        if (CFrameWnd* frame = GetMainWnd())
            BringToFront(frame);
        return OpenResult::Opened;
    }
    return m_pDocTemplate->OpenDocumentFile(target, makeVisible);
}
