#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "editor/ReportPrinting.h"
#include "framework/FrameWnd.h"
#include "framework/StandardIds.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>

#include <algorithm>
#include <utility>

using namespace QZMFields;

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
    m_pHistory = new CQZMHistory(this);
    CreateForm();
    connect(m_pHistory, &CQZMHistory::restored, this, &CQZMView::ShowList);

    // Undo and redo: the focused text field's own first, then the document's.
    OnCommand(ID_EDIT_UNDO, [this] { OnEditUndo(); });
    OnUpdateCommand(ID_EDIT_UNDO, [this](CCmdUI& ui) { ui.Enable(m_pHistory->CanUndo() || FocusedTextField() != nullptr); });
    OnCommand(ID_EDIT_REDO, [this] { OnEditRedo(); });
    OnUpdateCommand(ID_EDIT_REDO, [this](CCmdUI& ui) { ui.Enable(m_pHistory->CanRedo() || FocusedTextField() != nullptr); });
    // The serial port is the document's; choosing it is a step of the history.
    OnCommandRange(ID_SERIAL_COM1, ID_SERIAL_COM4, [this](int id) {
        if (CQZMDoc* doc = GetDocument())
            m_pHistory->Record(QStringLiteral("Serial Port Number"), SelectedList(), [doc, id] { doc->OnSerialPort(id); });
    });
    OnUpdateCommandRange(ID_SERIAL_COM1, ID_SERIAL_COM4, [this](CCmdUI& ui) {
        if (CQZMDoc* doc = GetDocument())
            doc->OnUpdateSerialPort(ui);
    });

    const std::pair<int, ReportPrintJob> printCommands[] = {
        {ID_FILE_PRINT, ReportPrintJob::Dialog},
        {ID_FILE_PRINT_DIRECT, ReportPrintJob::Direct},
        {ID_FILE_PRINT_PREVIEW, ReportPrintJob::Preview},
    };
    for (const auto& command : printCommands) {
        const ReportPrintJob job = command.second;
        OnCommand(command.first, [this, job] { Print(job); });
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

bool CQZMView::Print(ReportPrintJob job, const PrinterDetails& printer)
{
    CQZMDoc* doc = GetDocument();
    return doc && PrintReport(*doc, job, this, printer, m_pPrinterSelector);
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
    // The history goes next, silently: clearing its stack would tell the
    // table window of a change while this view is half destroyed.
    m_pHistory->blockSignals(true);
    delete m_pHistory;
    m_pHistory = nullptr;
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
    if (CFrameWnd* frame = GetParentFrame())
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
    m_wndAddress->SetTypedLimit(kAddressDigits);
    m_wndNumber->SetTypedLimit(kNumberDigits);
    SelectEntry(m_wndProtocol, kProtocolZelvra);
    SelectEntry(m_wndBaudRate, kBaud19200);
    SelectEntry(m_wndParity, kParityEven);
    m_wndTimeoutSpin->SetRange(kTimeout.min, kTimeout.max);
    m_wndTimeoutSpin->SetStep(kTimeoutStep);
    m_wndTimeout->WriteText(QStringLiteral("100"));
    m_wndTimeout->SetTypedLimit(kTimeoutDigits);
    m_wndAddressSpin->SetRange(kAddress.min, kAddress.max);
    m_wndAddressSpin->SetPos(shown.m_nAddress);
    m_wndNumberSpin->SetRange(kNumber.min, kNumber.max);
    m_wndNumberSpin->SetPos(shown.m_nNumber);
}

void CQZMView::OnInitialUpdate()
{
    CView::OnInitialUpdate();
    CQZMDoc* doc = GetDocument();
    // New and Open start a fresh history.
    m_pHistory->SetDocument(doc);
    m_pHistory->Reset();
    CBlockMemory defaultBlock;
    CBlockMemory* shown = doc && !doc->ReadBlocks().isEmpty() ? doc->ReadBlocks().first() : &defaultBlock;
    if (!m_nSetup)
        RunOneTimeSetup(*shown);
    SelectTab(0);
    OnUpdate(nullptr, 0, shown);
}

void CQZMView::OnUpdate(CView*, int, CObject* hintObject)
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
    const bool insert = !doc->IsFull(list);
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

    ShowDescription(m_wndDescription, m_nDescriptionEncoding, doc->Description());
    SelectEntry(m_wndProtocol, doc->Protocol());

    const bool settings = !doc->ProtocolFixesSettings();
    m_wndBaudRate->setEnabled(settings);
    m_wndParity->setEnabled(settings);
    m_wndTimeout->setEnabled(settings);
    m_wndTimeoutSpin->setEnabled(settings);

    SelectEntry(m_wndBaudRate, doc->BaudRate());
    SelectEntry(m_wndParity, doc->Parity());
    m_wndTimeout->WriteText(QString::number(doc->Timeout()));

    if (const auto* block = dynamic_cast<const CBlockMemory*>(hintObject)) {
        ShowDescription(m_wndBMDescription, m_nBMDescriptionEncoding, block->GetDescription());
        m_wndAddress->WriteText(block->GetAddressText());
        m_wndNumber->WriteText(block->GetNumberText());
        auto* basicVariable = static_cast<QRadioButton*>(GetDlgItem(IDC_BASIC_VARIABLE));
        auto* parameter = static_cast<QRadioButton*>(GetDlgItem(IDC_PARAMETER));
        if (block->m_bParameter)
            parameter->setChecked(true);
        else
            basicVariable->setChecked(true);
    }
    emit entryShown(list);
}

void CQZMView::ShowList(CQZMDoc::List list)
{
    if (!m_wndTab || m_wndTab->TabBar()->count() < 2)
        return;
    SelectTab(list == CQZMDoc::List::Write ? 1 : 0);
    RefreshWithCurrent(list);
}

QString CQZMView::ReportDeleted(CQZMDoc::List list, int index, int count)
{
    const QString listName = list == CQZMDoc::List::Write ? QStringLiteral("Write") : QStringLiteral("Read");
    const QString text = count == 1
        ? QStringLiteral("Block Memory %1 deleted from the %2 list: Undo (Ctrl+Z) brings it back").arg(index + 1).arg(listName)
        : QStringLiteral("%1 Block Memories deleted from the %2 list: Undo (Ctrl+Z) brings them back").arg(count).arg(listName);
    SetStatusText(text);
    return text;
}

void CQZMView::OnEditUndo()
{
    if (!CQZMHistory::UndoInFocusedField())
        m_pHistory->Undo();
}

void CQZMView::OnEditRedo()
{
    if (!CQZMHistory::RedoInFocusedField())
        m_pHistory->Redo();
}

void CQZMView::ShowDescription(CDescriptionEdit* field, TextEncoding& encoding, const QByteArray& bytes)
{
    const DecodedText shown = DocumentTextToUi(bytes);
    // Plain ASCII says nothing of its encoding: a refresh that leaves such a
    // text as it is (another setting changed) keeps the field's encoding,
    // as if the user had never left it.
    const bool plain = shown.encoding == TextEncoding::Local
        && std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!plain || field->Text() != shown.text)
        encoding = shown.encoding;
    field->WriteText(shown.text);
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
    if (doc->MoveCurrent(list, step))
        RefreshWithCurrent(list);
}

void CQZMView::OnInsert()
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    bool inserted = false;
    m_pHistory->Record(QStringLiteral("Insert"), list, [&] { inserted = doc->InsertBlock(list); });
    if (!inserted)
        return;
    CBlockMemory defaultBlock;
    OnUpdate(nullptr, 0, &defaultBlock);
}

void CQZMView::OnDelete()
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    const int index = doc->CurrentIndex(list);
    bool deleted = false;
    m_pHistory->Record(QStringLiteral("Delete"), list, [&] { deleted = doc->DeleteBlock(list); });
    if (!deleted)
        return;
    RefreshWithCurrent(list);
    ReportDeleted(list, index);
}

