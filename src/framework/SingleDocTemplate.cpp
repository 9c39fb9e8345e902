#include "framework/SingleDocTemplate.h"

#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/Interaction.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/View.h"

CSingleDocTemplate::CSingleDocTemplate(const QString& templateString, DocumentFactory makeDocument,
                                       FrameFactory makeFrame)
    : CDocTemplate(templateString), m_makeDocument(std::move(makeDocument)), m_makeFrame(std::move(makeFrame))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    // The frame's view refers to the document: take the frame down first.
    delete m_frame.data();
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* document) const
{
    QString title = GetDocString(docName);
    if (title.isEmpty())
        title = CStringTable::Load(AFX_IDS_UNTITLED);
    document->SetTitle(title);
}

OpenResult CSingleDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible)
{
    bool created = false;
    // What is being sent stays what it was; a caller that can wait queues
    // the open for later.
    if (m_document && m_document->IsHeld())
        return OpenResult::Abandoned;
    if (m_document) {
        if (!m_document->SaveModified())
            return OpenResult::Abandoned;
    } else {
        m_document = m_makeDocument ? m_makeDocument() : nullptr;
        if (!m_document) {
            AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
            return OpenResult::Failed;
        }
        m_document->SetDocTemplate(this);
        created = true;
    }

    if (!m_frame) {
        m_frame = m_makeFrame ? m_makeFrame(m_document.get()) : nullptr;
        if (!m_frame) {
            AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
            if (created)
                m_document.reset();
            return OpenResult::Failed;
        }
    }

    if (path.isEmpty()) {
        SetDefaultTitle(m_document.get());
        if (!m_document->OnNewDocument()) {
            if (created) {
                delete m_frame.data();
                m_document.reset();
            }
            return OpenResult::Failed;
        }
    } else {
        const bool wasModified = m_document->IsModified();
        m_document->SetModifiedFlag(false);
        const OpenResult result = m_document->OnOpenDocument(path);
        if (!result) {
            if (created) {
                delete m_frame.data();
                m_document.reset();
            } else if (!result.ChangedContents()) {
                m_document->SetModifiedFlag(wasModified);
            } else {
                // The failed load has changed the document: start it afresh.
                SetDefaultTitle(m_document.get());
                m_document->OnNewDocument();
                InitialUpdateFrame(false);
            }
            return result;
        }
        m_document->SetPathName(path);
    }
    InitialUpdateFrame(makeVisible);
    return OpenResult::Opened;
}

void CSingleDocTemplate::InitialUpdateFrame(bool makeVisible)
{
    if (!m_frame)
        return;
    if (CView* view = m_frame->GetActiveView())
        view->OnInitialUpdate();
    m_frame->OnUpdateFrameTitle();
    if (makeVisible && !m_frame->isVisible())
        m_frame->show();
}
