#pragma once

#include "framework/CmdTarget.h"

#include <QObject>
#include <QString>

#include <memory>

class CDocument;
class CFrameWnd;
class CRecentFileList;
class CSingleDocTemplate;

// The application object: start-up, the one document template, the
// recent-file list, and the application-level commands.
class CWinApp : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    CWinApp();
    ~CWinApp() override;

    // Start-up; false ends the program at once.
    virtual bool InitInstance() = 0;
    // Exit step: writes the recent-file list back unless told not to.
    virtual int ExitInstance();
    // InitInstance, the event loop, ExitInstance.
    int Run();

    CFrameWnd* GetMainWnd() const;
    CDocument* GetDocument() const;
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    // The single way to open a named file.
    virtual CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
    void AddToRecentFileList(const QString& path);

    void OnFileNew();
    void OnFileOpen();
    bool OnOpenRecentFile(int id);

protected:
    void LoadStdProfileSettings(int maxRecentFiles);
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    void SetWriteRecentListAtExit(bool write) { m_bWriteRecentList = write; }

private:
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    bool m_bWriteRecentList = true;
};
