#pragma once

#include "framework/DocTemplate.h"
#include "framework/Document.h"

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

    // Empty path: New. The document is GetDocument() once opened.
    OpenResult OpenDocumentFile(const QString& path, bool makeVisible = true);

    CDocument* GetDocument() const { return m_document.get(); }
    CFrameWnd* GetFrame() const { return m_frame; }

    void SetDefaultTitle(CDocument* document) const;
    void InitialUpdateFrame(bool makeVisible);

private:
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    std::unique_ptr<CDocument> m_document;
    QPointer<CFrameWnd> m_frame;
};
