#pragma once

#include "framework/CmdTarget.h"
#include "framework/FileError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class CArchive;
class CDocTemplate;
class CObject;
class QIODevice;
class CView;

// How opening a file ended. Converts to true only for Opened.
class OpenResult
{
public:
    enum Status {
        Opened,
        // The save-changes prompt was cancelled (or its save failed): the
        // file was never tried.
        Abandoned,
        // The file could not be read; the document is as it was.
        Failed,
        // The load failed part-way: the document's contents have changed
        // and need a reset.
        FailedChangingContents,
    };

    OpenResult(Status status) : m_status(status) {}
    explicit operator bool() const { return m_status == Opened; }
    bool WasAbandoned() const { return m_status == Abandoned; }
    bool ChangedContents() const { return m_status == FailedChangingContents; }

private:
    Status m_status;
};

// Base of a document: title, path, modified flag, attached views, and the
// toolkit's standard open, save and save-changes steps.
class CDocument : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    CDocument();
    ~CDocument() override;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    // Makes the path the document's, its file name the title, and
    // remembers it in the recent-file list when asked to.
    virtual void SetPathName(const QString& path, bool addToRecentList = true);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    void AddView(CView* view);
    void RemoveView(CView* view);
    CView* GetFirstView() const { return m_views.isEmpty() ? nullptr : m_views.first(); }
    void UpdateAllViews(CView* sender, int hint = 0, CObject* hintObject = nullptr);

    void SetDocTemplate(CDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }

    virtual bool OnNewDocument();
    virtual OpenResult OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    // The loading half of OnOpenDocument on an open device; path names the
    // file in messages. Reports a failure itself.
    OpenResult LoadFromDevice(QIODevice& device, const QString& path);
    // The document as the bytes of its file, built in memory by Serialize.
    QByteArray StoredBytes();
    // An existing file whose write permission is off (for root as well).
    static bool IsReadOnlyFile(const QString& path);
    virtual void Serialize(CArchive& ar);

    // Asks "Save changes to %1?" for a modified document. Returns false when
    // the user cancels or the save fails.
    virtual bool SaveModified();
    // Save to the document's own file, or Save As when it has none or the
    // file is missing or read-only.
    bool DoFileSave();
    // Save As when path is empty; replace makes the new path the document's.
    bool DoSave(const QString& path, bool replace = true);

    // What the document's file held when this document last read or wrote
    // it; a save over a file that changed since asks first.
    struct FileStamp
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        QByteArray hash;   // empty when the file could not be read
    };
    // The file at path, as it is on disk now; hashing reads all of it.
    static FileStamp StampOf(const QString& path);
    // True when the file at path is no longer what this document last
    // read or wrote there.
    bool FileChangedOnDisk(const QString& path) const;

    // Held while a task reads the document from its start to its end (Send
    // All): nothing replaces it meanwhile and its window does not close.
    bool IsHeld() const { return m_nHolds > 0; }
    class CHold
    {
    public:
        explicit CHold(CDocument& doc) : m_doc(doc) { ++m_doc.m_nHolds; }
        ~CHold() { --m_doc.m_nHolds; }
        CHold(const CHold&) = delete;
        CHold& operator=(const CHold&) = delete;

    private:
        CDocument& m_doc;
    };

    // Toolkit commands the document answers: Save and Save As.
    bool OnCmdMsg(int id, CCmdUI* ui) override;

signals:
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);
    // Something that command states may depend on has changed.
    void contentsTouched();

protected:
    // The name the save-changes prompt uses.
    QString DisplayName() const;
    // Shows the message of a failed load or save.
    void ReportSaveLoadFailure(const QString& path, int fallbackId, FileErrorCause cause, int formatErrorId = 0);

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    int m_nHolds = 0;
    FileStamp m_diskStamp;
    FileStamp m_lastWritten;
    QList<CView*> m_views;
    CDocTemplate* m_pDocTemplate = nullptr;
};
