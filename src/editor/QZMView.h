#pragma once

#include "framework/View.h"

#include <QScrollArea>

class CQZMDoc;

// The configuration form: the program's only view.
class CQZMView : public QScrollArea, public CView
{
    Q_OBJECT

public:
    explicit CQZMView(QWidget* parent = nullptr);
    ~CQZMView() override;

    CQZMDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, int hint, CObject* hintObject) override;
};
