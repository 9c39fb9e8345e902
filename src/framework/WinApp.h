#pragma once

#include "framework/CmdTarget.h"
#include "framework/Document.h"

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
    // InitInstance, the event loop, ExitInstance. A start that ends in
    // InitInstance exits with 1 unless it set another code.
    int Run();

    CFrameWnd* GetMainWnd() const;
    CDocument* GetDocument() const;
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    // The single way to open a named file.
    OpenResult OpenFile(const QString& path, bool makeVisible = true);
    // OpenFile's document, or nullptr when it did not open.
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
    void AddToRecentFileList(const QString& path);

    void OnFileNew();
    void OnFileOpen();
    bool OnOpenRecentFile(int id);

protected:
    void LoadStdProfileSettings(int maxRecentFiles);
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    void SetWriteRecentListAtExit(bool write) { m_bWriteRecentList = write; }
    void SetExitCodeWithoutStart(int code) { m_nExitCodeWithoutStart = code; }
    // A named file as OpenFile takes it: unquoted, made a full path.
    static QString FullOpenPath(const QString& path);

private:
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    bool m_bWriteRecentList = true;
    int m_nExitCodeWithoutStart = 1;
};
