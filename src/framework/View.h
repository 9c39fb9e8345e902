#pragma once

#include "framework/CmdTarget.h"

#include <QStringList>

class CDocument;
class CFrameWnd;
class CObject;

// A view of a document. The concrete view is also a widget; this part
// carries what the document and the framework need of it.
class CView : public CCmdTarget
{
public:
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // The frame that shows the view (set by the frame), or nullptr.
    CFrameWnd* GetParentFrame() const { return m_pFrame; }

    // Called after each New and Open, once the document is ready.
    virtual void OnInitialUpdate();
    // Refresh: sender, hint number and hint object from UpdateAllViews.
    virtual void OnUpdate(CView* sender, int hint, CObject* hintObject) = 0;
    // The longest messages the view writes to the status bar, which the
    // frame keeps room for at its first size.
    virtual QStringList LongestStatusMessages() const { return {}; }

protected:
    CView() = default;

private:
    friend class CDocument;
    friend class CFrameWnd;
    CDocument* m_pDocument = nullptr;
    CFrameWnd* m_pFrame = nullptr;
};
