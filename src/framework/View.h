#pragma once

#include "framework/CmdTarget.h"

class CDocument;
class CObject;

// A view of a document. The concrete view is also a widget; this part
// carries what the document and the framework need of it.
class CView : public CCmdTarget
{
public:
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Called after each New and Open, once the document is ready.
    virtual void OnInitialUpdate();
    // Refresh: sender, hint number and hint object from UpdateAllViews.
    virtual void OnUpdate(CView* sender, int hint, CObject* hintObject) = 0;

protected:
    CView() = default;

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
};
