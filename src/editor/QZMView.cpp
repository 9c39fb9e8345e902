#include "editor/QZMView.h"

#include "document/QZMDoc.h"

CQZMView::CQZMView(QWidget* parent) : QScrollArea(parent) {}

CQZMView::~CQZMView() = default;

CQZMDoc* CQZMView::GetDocument() const
{
    return static_cast<CQZMDoc*>(CView::GetDocument());
}

void CQZMView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}

void CQZMView::OnUpdate(CView*, int, CObject*) {}
