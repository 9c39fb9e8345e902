#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "editor/FormLimits.h"
#include "editor/ReportPrinting.h"
#include "framework/FrameWnd.h"
#include "framework/StandardIds.h"
#include "framework/WinApp.h"
#include "resources/Resource.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>

#include <utility>

using namespace FormLimits;

namespace {
// Counts nested program writes into the form, so handlers can tell them from
// the user's.
struct CounterGuard
{
    explicit CounterGuard(int& counter) : m_counter(counter) { ++m_counter; }
    ~CounterGuard() { --m_counter; }
    int& m_counter;
};
} // namespace

CQZMView::CQZMView(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("IDD_QZM_FORM"));
    setFrameShape(QFrame::NoFrame);
    // The focus belongs to the controls; a click between them (or on a
    // spin's arrows) leaves it where it is.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    CreateForm();

    const std::pair<int, ReportPrintJob> printCommands[] = {
        {ID_FILE_PRINT, ReportPrintJob::Dialog},
        {ID_FILE_PRINT_DIRECT, ReportPrintJob::Direct},
        {ID_FILE_PRINT_PREVIEW, ReportPrintJob::Preview},
    };
    for (const auto& command : printCommands) {
        const ReportPrintJob job = command.second;
        OnCommand(command.first, [this, job] {
            if (CQZMDoc* doc = GetDocument())
                PrintReport(*doc, job, this);
        });
    }
}

void CQZMView::resizeEvent(QResizeEvent* event)
{
    UpdateScrollBars();
    QScrollArea::resizeEvent(event);
}

void CQZMView::UpdateScrollBars()
{
    if (!m_pForm)
        return;
    const QSize room = contentsRect().size();
    const QSize form = m_pForm->size();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool vertical = form.height() - room.height() > m_blankMargin.height();
    const bool horizontal = form.width() - (room.width() - (vertical ? barWidth : 0)) > m_blankMargin.width();
    if (horizontal)
        vertical = form.height() - (room.height() - barHeight) > m_blankMargin.height();
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

CQZMView::~CQZMView()
{
    // Take the form down while the view is whole and without its handlers:
    // a focused control reports losing the focus as it goes.
    qDeleteAll(m_focusFilters);
    m_focusFilters.clear();
    for (QObject* control : m_pForm->findChildren<QObject*>())
        control->disconnect(this);
    delete takeWidget();
}

CQZMDoc* CQZMView::GetDocument() const
{
    return static_cast<CQZMDoc*>(CView::GetDocument());
}

int CQZMView::GetBaudRateSelection() const
{
    return m_wndBaudRate->currentIndex();
}

CQZMDoc::List CQZMView::SelectedList() const
{
    return m_wndTab->TabBar()->currentIndex() == 1 ? CQZMDoc::List::Write : CQZMDoc::List::Read;
}

void CQZMView::SelectTab(int index)
{
    m_bSelectingTab = true;
    m_wndTab->TabBar()->setCurrentIndex(index);
    m_bSelectingTab = false;
}

void CQZMView::SelectEntry(QComboBox* list, int index)
{
    // An index outside the list leaves it without a selection.
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void CQZMView::SetStatusText(const QString& text)
{
    CWinApp* app = CWinApp::Instance();
    if (CFrameWnd* frame = app ? app->GetMainWnd() : nullptr)
        frame->SetMessageText(text);
}

void CQZMView::RunOneTimeSetup(const CBlockMemory& shown)
{
    m_nSetup = 1;
    CounterGuard guard(m_nUpdating);
    m_bSelectingTab = true;
    m_wndTab->AddTab(QStringLiteral("Read"));
    m_wndTab->AddTab(QStringLiteral("Write"));
    m_bSelectingTab = false;
    m_wndAddress->SetTypedLimit(3);
    m_wndNumber->SetTypedLimit(4);
    SelectEntry(m_wndProtocol, 0);
    SelectEntry(m_wndBaudRate, 1);
    SelectEntry(m_wndParity, 0);
    m_wndTimeoutSpin->SetRange(kTimeoutMin, kTimeoutMax);
    m_wndTimeoutSpin->SetStep(kTimeoutStep);
    m_wndTimeout->WriteText(QStringLiteral("100"));
    m_wndTimeout->SetTypedLimit(4);
    m_wndAddressSpin->SetRange(kAddressMin, kAddressMax);
    m_wndAddressSpin->SetPos(shown.m_nAddress);
    m_wndNumberSpin->SetRange(kNumberMin, kNumberMax);
    m_wndNumberSpin->SetPos(shown.m_nNumber);
}

void CQZMView::OnInitialUpdate()
{
    CView::OnInitialUpdate();
    CQZMDoc* doc = GetDocument();
    CBlockMemory defaultBlock;
    CBlockMemory* shown = doc && !doc->m_arrRead.isEmpty() ? doc->m_arrRead.first() : &defaultBlock;
    if (!m_nSetup)
        RunOneTimeSetup(*shown);
    SelectTab(0);
    OnUpdate(nullptr, 0, shown);
}

void CQZMView::OnUpdate(CView*, int hint, CObject* hintObject)
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !m_wndTab || m_wndTab->TabBar()->currentIndex() < 0)
        return;
    CounterGuard guard(m_nUpdating);

    const CQZMDoc::List list = SelectedList();
    const int last = int(doc->Blocks(list).size()) - 1;
    const int current = doc->CurrentIndex(list);

    const bool hasEntries = last >= 0;
    const bool preview = hasEntries && current > 0;
    const bool next = hasEntries && current < last;
    const bool insert = !hasEntries || last < CQZMDoc::kMaxBlocks - 1;
    const bool remove = hasEntries;
    const bool fields = hasEntries;

    m_wndBlockFrame->setTitle(current >= 0 ? QString::asprintf("Block Memory %2d", current + 1)
                                           : QStringLiteral("Block Memory - Empty"));

    m_wndPreview->setEnabled(preview);
    m_wndNext->setEnabled(next);
    m_wndInsert->setEnabled(insert);
    m_wndDelete->setEnabled(remove);
    m_wndBMDescription->setEnabled(fields);
    m_wndAddress->setEnabled(fields);
    m_wndAddressSpin->setEnabled(fields);
    m_wndNumber->setEnabled(fields);
    m_wndNumberSpin->setEnabled(fields);
    GetDlgItem(IDC_BASIC_VARIABLE)->setEnabled(fields);
    GetDlgItem(IDC_PARAMETER)->setEnabled(fields);

    m_wndDescription->WriteText(DocumentTextToUi(doc->m_strDescription));
    SelectEntry(m_wndProtocol, doc->m_nProtocol);

    const bool zelvra = doc->m_nProtocol == 0;
    if (hint != 0) {
        // The protocol's fixed (Zelvra) or default (MODBUS-RTU) settings.
        if (zelvra) {
            doc->m_nBaudRate = 0;
            doc->m_nParity = 0;
            doc->m_nTimeout = 100;
        } else {
            doc->m_nBaudRate = 1;
            doc->m_nTimeout = 50;
        }
    }
    m_wndBaudRate->setEnabled(!zelvra);
    m_wndParity->setEnabled(!zelvra);
    m_wndTimeout->setEnabled(!zelvra);
    m_wndTimeoutSpin->setEnabled(!zelvra);

    SelectEntry(m_wndBaudRate, doc->m_nBaudRate);
    SelectEntry(m_wndParity, doc->m_nParity);
    m_wndTimeout->WriteText(QString::number(doc->m_nTimeout));

    if (const auto* block = dynamic_cast<const CBlockMemory*>(hintObject)) {
        m_wndBMDescription->WriteText(DocumentTextToUi(block->GetDescription()));
        m_wndAddress->WriteText(block->GetAddressText());
        m_wndNumber->WriteText(block->GetNumberText());
        auto* basicVariable = static_cast<QRadioButton*>(GetDlgItem(IDC_BASIC_VARIABLE));
        auto* parameter = static_cast<QRadioButton*>(GetDlgItem(IDC_PARAMETER));
        if (block->m_bParameter)
            parameter->setChecked(true);
        else
            basicVariable->setChecked(true);
    }
}

void CQZMView::RefreshWithCurrent(CQZMDoc::List list)
{
    CQZMDoc* doc = GetDocument();
    CBlockMemory defaultBlock;
    CBlockMemory* block = doc ? doc->CurrentBlock(list) : nullptr;
    OnUpdate(nullptr, 0, block ? block : &defaultBlock);
}

void CQZMView::OnSelchangeTab()
{
    RefreshWithCurrent(SelectedList());
}

void CQZMView::OnPreview()
{
    MoveCurrent(-1);
}

void CQZMView::OnNext()
{
    MoveCurrent(1);
}

void CQZMView::MoveCurrent(int step)
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    int& current = doc->CurrentIndex(list);
    const int target = current + step;
    if (current < 0 || target < 0 || target >= int(doc->Blocks(list).size()))
        return;
    current = target;
    RefreshWithCurrent(list);
}

void CQZMView::OnInsert()
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    if (doc->Blocks(list).size() >= CQZMDoc::kMaxBlocks)
        return;
    doc->InsertBlock(list);
    CBlockMemory defaultBlock;
    OnUpdate(nullptr, 0, &defaultBlock);
}

void CQZMView::OnDelete()
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    if (doc->Blocks(list).isEmpty())
        return;
    doc->DeleteBlock(list);
    RefreshWithCurrent(list);
}

