#pragma once

#include "framework/DocTemplate.h"

#include <QPointer>

#include <functional>
#include <memory>

class CDocument;
class CFrameWnd;

// The one document type of a single-document program: New and Open reset or
// reload the same document in the same frame.
class CSingleDocTemplate : public CDocTemplate
{
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    // Creates the frame and its view for the document; nullptr on failure.
    using FrameFactory = std::function<CFrameWnd*(CDocument*)>;

    CSingleDocTemplate(const QString& templateString, DocumentFactory makeDocument, FrameFactory makeFrame);
    ~CSingleDocTemplate() override;

    // Empty path: New. Returns nullptr when cancelled or failed.
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);

    // True when the last OpenDocumentFile stopped at the save-changes step
    // (Cancel, or a save that failed) and never tried the file.
    bool LastOpenAbandoned() const { return m_bOpenAbandoned; }

    CDocument* GetDocument() const { return m_document.get(); }
    CFrameWnd* GetFrame() const { return m_frame; }

    void SetDefaultTitle(CDocument* document) const;
    void InitialUpdateFrame(bool makeVisible);

private:
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    std::unique_ptr<CDocument> m_document;
    QPointer<CFrameWnd> m_frame;
    bool m_bOpenAbandoned = false;
};
