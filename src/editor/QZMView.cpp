#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "editor/ViewPrinting.h"
#include "framework/DialogUnits.h"
#include "framework/FrameWnd.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/WinApp.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

namespace {
// Form template 101, in dialog units.
constexpr int kFormWidth = 200;
constexpr int kFormHeight = 335;
constexpr int kFontPoints = 8;
// The main window's first width, which the form is made to fit.
constexpr int kFitWidth = 312;

constexpr int kAddressMin = 1;
constexpr int kAddressMax = 247;
constexpr int kNumberMin = 0;
constexpr int kNumberMax = 9999;
constexpr int kTimeoutMin = 50;
constexpr int kTimeoutMax = 1000;
constexpr int kTimeoutStep = 10;

// Fills the printf-style placeholders (%d, %s, with an optional width) of a
// string-table message in order; a message with fewer placeholders than
// values simply drops the rest.
QString FormatTableMessage(int id, const QStringList& values)
{
    const QString format = CStringTable::Load(id);
    QString out;
    int next = 0;
    for (int i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%') || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        int j = i + 1;
        int width = 0;
        while (j < format.size() && format[j].isDigit())
            width = width * 10 + format[j++].digitValue();
        if (j < format.size() && (format[j] == QLatin1Char('d') || format[j] == QLatin1Char('s'))) {
            const QString value = next < values.size() ? values.at(next) : QString();
            ++next;
            out += value.rightJustified(width, QLatin1Char(' '));
            i = j;
        } else {
            out += format[i];
        }
    }
    return out;
}

// Runs the list handler when a selection list loses the focus; the list's
// own drop-down taking the focus does not count.
class CFocusLostFilter : public QObject
{
public:
    CFocusLostFilter(QObject* parent, std::function<void()> handler) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            m_handler();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

// The form's font: the UI font at 8 points. The template was drawn for a
// narrow face; where the UI font is wider, its semi-condensed face, or else
// a smaller size, keeps the whole form within the window's width.
QFont FormFont()
{
    QFont font = QApplication::font();
    font.setPointSize(kFontPoints);
    QFont condensed = font;
    condensed.setStretch(QFont::SemiCondensed);
    QFont smaller = font;
    smaller.setPointSizeF(kFontPoints - 0.5);
    QFont smallest = font;
    smallest.setPointSize(kFontPoints - 1);
    for (const QFont& candidate : {font, condensed, smaller, smallest})
        if (CDialogUnits(candidate).X(kFormWidth) <= kFitWidth)
            return candidate;
    return font;
}

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

    OnCommand(ID_FILE_PRINT, [this] {
        if (CQZMDoc* doc = GetDocument())
            PrintConfiguration(*doc, PrintMode::Dialog, this);
    });
    OnCommand(ID_FILE_PRINT_DIRECT, [this] {
        if (CQZMDoc* doc = GetDocument())
            PrintConfiguration(*doc, PrintMode::Direct, this);
    });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] {
        if (CQZMDoc* doc = GetDocument())
            PrintConfiguration(*doc, PrintMode::Preview, this);
    });
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

void CQZMView::CreateForm()
{
    m_pForm = new QWidget;
    m_pForm->setObjectName(QStringLiteral("form"));
    const QFont font = FormFont();
    m_pForm->setFont(font);
    const CDialogUnits du(font);
    m_pForm->setFixedSize(du.X(kFormWidth), du.Y(kFormHeight));

    QList<QWidget*> tabOrder;
    auto place = [&](QWidget* w, int id, const char* name, int x, int y, int cx, int cy) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(du.Rect(x, y, cx, cy));
        if (id) {
            w->setProperty("controlId", id);
            m_controls.insert(id, w);
        }
        if (w->focusPolicy() != Qt::NoFocus)
            tabOrder << w;
    };
    auto label = [&](const char* text, int x, int y, int cx, int cy, Qt::Alignment align) {
        auto* l = new QLabel(QString::fromLatin1(text), m_pForm);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(align);
        place(l, 0, "IDC_STATIC", x, y, cx, cy);
        // A face a little wider than the template's must not clip a label:
        // it grows away from its aligned edge into the gap beside it.
        const int needed = l->fontMetrics().horizontalAdvance(l->text()) + 1;
        if (needed > l->width()) {
            QRect r = l->geometry();
            if (align & Qt::AlignRight)
                r.setLeft(r.right() + 1 - needed);
            else
                r.setWidth(needed);
            l->setGeometry(r);
        }
        return l;
    };
    // A drop-down list is as high as its closed box; the template's height
    // includes the dropped list.
    auto dropList = [&](int id, const char* name, const QStringList& items, int x, int y, int cx) {
        auto* list = new QComboBox(m_pForm);
        list->setEditable(false);
        list->addItems(items);
        list->setCurrentIndex(-1);
        list->setFocusPolicy(Qt::StrongFocus);
        place(list, id, name, x, y, cx, 12);
        list->resize(list->width(), qMax(du.Y(12), list->sizeHint().height()));
        return list;
    };
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    const Qt::Alignment rightCentred = Qt::AlignRight | Qt::AlignVCenter;

    // Template order: also the keyboard order.
    label("Description of this QZM:", 10, 9, 180, 10, left);
    m_wndDescription = new CDescriptionEdit(m_pForm);
    place(m_wndDescription, IDC_DESCRIPTION, "IDC_DESCRIPTION", 10, 22, 180, 30);

    auto* settings = new QGroupBox(QStringLiteral("Settings"), m_pForm);
    settings->setFocusPolicy(Qt::NoFocus);
    place(settings, 0, "IDC_SETTINGS_FRAME", 10, 59, 180, 71);

    label("Baudrate:", 14, 95, 32, 8, left);
    m_wndBaudRate = dropList(IDC_BAUDRATE, "IDC_BAUDRATE", {QStringLiteral("9600"), QStringLiteral("19200")}, 47, 93,
                             49);
    label("Parity:", 112, 95, 20, 8, left);
    m_wndParity = dropList(IDC_PARITY, "IDC_PARITY",
                           {QStringLiteral("EVEN"), QStringLiteral("ODD"), QStringLiteral("NONE")}, 136, 93, 49);
    label("Timeout:", 14, 113, 28, 8, left);
    m_wndTimeout = new CNumberEdit(m_pForm);
    place(m_wndTimeout, IDC_TIMEOUT, "IDC_TIMEOUT", 47, 111, 38, 12);
    m_wndTimeoutSpin = new CSpinButton(m_pForm);
    place(m_wndTimeoutSpin, IDC_TIMEOUT_SPIN, "IDC_TIMEOUT_SPIN", 86, 111, 11, 12);
    m_wndTimeoutSpin->SetBuddy(m_wndTimeout);
    label("msec", 101, 113, 18, 8, left);

    m_wndBlockFrame = new QGroupBox(QStringLiteral("Block Memory"), m_pForm);
    m_wndBlockFrame->setAlignment(Qt::AlignHCenter);
    m_wndBlockFrame->setFocusPolicy(Qt::NoFocus);
    place(m_wndBlockFrame, IDC_BLOCK_FRAME, "IDC_BLOCK_FRAME", 20, 159, 160, 160);

    m_wndPreview = new QPushButton(QStringLiteral("Preview"), m_pForm);
    place(m_wndPreview, IDC_PREVIEW, "IDC_PREVIEW", 31, 175, 30, 14);
    m_wndNext = new QPushButton(QStringLiteral("Next"), m_pForm);
    place(m_wndNext, IDC_NEXT, "IDC_NEXT", 67, 175, 30, 14);
    m_wndInsert = new QPushButton(QStringLiteral("Insert"), m_pForm);
    place(m_wndInsert, IDC_INSERT, "IDC_INSERT", 103, 175, 30, 14);
    m_wndDelete = new QPushButton(QStringLiteral("Delete"), m_pForm);
    place(m_wndDelete, IDC_DELETE, "IDC_DELETE", 139, 175, 30, 14);
    for (QPushButton* button : {m_wndPreview, m_wndNext, m_wndInsert, m_wndDelete}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
    }

    label("Description:", 30, 197, 140, 10, left);
    m_wndBMDescription = new CDescriptionEdit(m_pForm);
    place(m_wndBMDescription, IDC_BM_DESCRIPTION, "IDC_BM_DESCRIPTION", 30, 209, 140, 30);

    label("Address in network:", 25, 250, 92, 12, rightCentred);
    m_wndAddress = new CNumberEdit(m_pForm);
    place(m_wndAddress, IDC_ADDRESS, "IDC_ADDRESS", 120, 250, 40, 12);
    m_wndAddressSpin = new CSpinButton(m_pForm);
    place(m_wndAddressSpin, IDC_ADDRESS_SPIN, "IDC_ADDRESS_SPIN", 160, 250, 11, 12);
    m_wndAddressSpin->SetBuddy(m_wndAddress);

    label("Parameter/Variable number:", 25, 275, 92, 12, rightCentred);
    m_wndNumber = new CNumberEdit(m_pForm);
    place(m_wndNumber, IDC_NUMBER, "IDC_NUMBER", 120, 275, 40, 12);
    m_wndNumberSpin = new CSpinButton(m_pForm);
    place(m_wndNumberSpin, IDC_NUMBER_SPIN, "IDC_NUMBER_SPIN", 160, 275, 11, 12);
    m_wndNumberSpin->SetBuddy(m_wndNumber);

    auto* basicVariable = new QRadioButton(QStringLiteral("Basic Variable"), m_pForm);
    place(basicVariable, IDC_BASIC_VARIABLE, "IDC_BASIC_VARIABLE", 34, 297, 60, 10);
    auto* parameter = new QRadioButton(QStringLiteral("Parameter"), m_pForm);
    place(parameter, IDC_PARAMETER, "IDC_PARAMETER", 104, 297, 60, 10);
    auto* radioGroup = new QButtonGroup(this);
    radioGroup->setExclusive(true);
    radioGroup->addButton(basicVariable, IDC_BASIC_VARIABLE);
    radioGroup->addButton(parameter, IDC_PARAMETER);
    // Each radio button is its own tab stop.
    basicVariable->setFocusPolicy(Qt::StrongFocus);
    parameter->setFocusPolicy(Qt::StrongFocus);

    m_wndTab = new CTabStrip(m_pForm);
    place(m_wndTab, IDC_TAB, "IDC_TAB", 10, 136, 180, 190);
    tabOrder.removeAll(m_wndTab);
    tabOrder << m_wndTab->TabBar();

    label("Protocol:", 14, 75, 29, 8, left);
    m_wndProtocol = dropList(IDC_PROTOCOL, "IDC_PROTOCOL", {QStringLiteral("Zelvra"), QStringLiteral("MODBUS-RTU")},
                             47, 75, 138);

    // The first template control lies on top; in particular the tab strip
    // lies beneath the Block Memory frame and its controls, and the frames
    // beneath the controls they surround.
    settings->lower();
    m_wndBlockFrame->lower();
    m_wndTab->lower();

    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    setWidget(m_pForm);

    // Notifications.
    connect(m_wndDescription, &CDescriptionEdit::userTextChanged, this, &CQZMView::OnUpdateDescription);
    connect(m_wndBMDescription, &CDescriptionEdit::userTextChanged, this, &CQZMView::OnUpdateBMDescription);
    connect(m_wndAddress, &QLineEdit::textChanged, this, &CQZMView::OnUpdateAddress);
    connect(m_wndAddress, &CNumberEdit::focusLost, this, &CQZMView::OnKillfocusAddress);
    connect(m_wndNumber, &QLineEdit::textChanged, this, &CQZMView::OnUpdateNumber);
    connect(m_wndTimeout, &QLineEdit::textChanged, this, &CQZMView::OnUpdateTimeout);
    connect(m_wndTimeout, &CNumberEdit::focusLost, this, &CQZMView::OnKillfocusTimeout);
    connect(basicVariable, &QRadioButton::clicked, this, &CQZMView::OnBasicVariable);
    connect(parameter, &QRadioButton::clicked, this, &CQZMView::OnParameter);
    // activated: the user's choices only, never the program's selections.
    connect(m_wndProtocol, &QComboBox::activated, this, &CQZMView::OnChangeProtocol);
    connect(m_wndBaudRate, &QComboBox::activated, this, &CQZMView::OnChangeBaudRate);
    connect(m_wndParity, &QComboBox::activated, this, &CQZMView::OnChangeParity);
    m_focusFilters = {new CFocusLostFilter(this, [this] { OnChangeProtocol(); }),
                      new CFocusLostFilter(this, [this] { OnChangeBaudRate(); }),
                      new CFocusLostFilter(this, [this] { OnChangeParity(); })};
    m_wndProtocol->installEventFilter(m_focusFilters.at(0));
    m_wndBaudRate->installEventFilter(m_focusFilters.at(1));
    m_wndParity->installEventFilter(m_focusFilters.at(2));
    connect(m_wndTab->TabBar(), &QTabBar::currentChanged, this, [this] {
        if (!m_bSelectingTab)
            OnSelchangeTab();
    });
    connect(m_wndPreview, &QPushButton::clicked, this, &CQZMView::OnPreview);
    connect(m_wndNext, &QPushButton::clicked, this, &CQZMView::OnNext);
    connect(m_wndInsert, &QPushButton::clicked, this, &CQZMView::OnInsert);
    connect(m_wndDelete, &QPushButton::clicked, this, &CQZMView::OnDelete);
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
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    int& current = doc->CurrentIndex(list);
    if (current <= 0)
        return;
    --current;
    RefreshWithCurrent(list);
}

void CQZMView::OnNext()
{
    CQZMDoc* doc = GetDocument();
    if (!doc)
        return;
    const CQZMDoc::List list = SelectedList();
    int& current = doc->CurrentIndex(list);
    if (current < 0 || current >= int(doc->Blocks(list).size()) - 1)
        return;
    ++current;
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

void CQZMView::OnUpdateDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    const QByteArray text = UiTextToDocument(m_wndDescription->Text());
    if (text != doc->m_strDescription) {
        doc->m_strDescription = text;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnUpdateBMDescription()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !m_wndBMDescription->isEnabled() || !IsStoring())
        return;
    const QByteArray text = UiTextToDocument(m_wndBMDescription->Text());
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block && block->m_strDescription != text) {
        block->m_strDescription = text;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnUpdateAddress()
{
    if (!m_wndAddress->isEnabled())
        return;
    const int address = ReadFieldNumber(m_wndAddress->text());
    if (address >= kAddressMin && address <= kAddressMax) {
        SetStatusText(CStringTable::Load(IDS_READY));
        CQZMDoc* doc = GetDocument();
        CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr;
        if (IsStoring() && block && block->m_nAddress != address) {
            block->m_nAddress = address;
            doc->SetModifiedFlag(true);
        }
    } else {
        SetStatusText(FormatTableMessage(IDS_INVALID_ADDRESS,
                                         {QString::number(kAddressMin), QString::number(kAddressMax)}));
        // The next digit typed replaces the bad address.
        m_wndAddress->selectAll();
    }
}

void CQZMView::OnKillfocusAddress()
{
    // A refresh that disables the focused field writes its own values.
    if (!m_wndAddress->isEnabled() || !IsStoring())
        return;
    const int address = ReadFieldNumber(m_wndAddress->text());
    if (address >= kAddressMin && address <= kAddressMax)
        return;
    CQZMDoc* doc = GetDocument();
    if (const CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr)
        m_wndAddress->WriteText(block->GetAddressText());
}

void CQZMView::OnUpdateNumber()
{
    if (!m_wndNumber->isEnabled())
        return;
    QString text = m_wndNumber->text();
    const QString plain = PlainSpinText(text);
    if (!plain.isEmpty()) {
        m_wndNumber->WriteText(plain);
        text = plain;
    }
    const int number = ReadFieldNumber(text);
    CQZMDoc* doc = GetDocument();
    CBlockMemory* block = doc ? doc->CurrentBlock(SelectedList()) : nullptr;
    if (IsStoring() && block && block->m_nNumber != number) {
        block->m_nNumber = number;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnUpdateTimeout()
{
    if (!m_wndTimeout->isEnabled())
        return;
    QString text = m_wndTimeout->text();
    const QString plain = PlainSpinText(text);
    if (!plain.isEmpty()) {
        m_wndTimeout->WriteText(plain);
        text = plain;
    }
    const int timeout = ReadFieldNumber(text);
    if (timeout >= kTimeoutMin && timeout <= kTimeoutMax) {
        SetStatusText(CStringTable::Load(IDS_READY));
        CQZMDoc* doc = GetDocument();
        if (IsStoring() && doc && doc->m_nTimeout != timeout) {
            doc->m_nTimeout = timeout;
            doc->SetModifiedFlag(true);
        }
    } else {
        SetStatusText(FormatTableMessage(IDS_INVALID_TIMEOUT, {QString::number(kTimeoutMin),
                                                               QString::number(kTimeoutMax), QStringLiteral("msec")}));
    }
}

void CQZMView::OnKillfocusTimeout()
{
    CQZMDoc* doc = GetDocument();
    // A refresh that disables the focused field writes its own values.
    if (!doc || !IsStoring())
        return;
    int timeout = ReadFieldNumber(m_wndTimeout->text());
    if (timeout < kTimeoutMin || timeout > kTimeoutMax) {
        timeout = doc->m_nTimeout;
        m_wndTimeout->WriteText(QString::number(timeout));
    }
    if (doc->m_nTimeout != timeout) {
        doc->m_nTimeout = timeout;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnBasicVariable()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_BASIC_VARIABLE)->isEnabled() || !IsStoring())
        return;
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block && block->m_bParameter != 0) {
        block->m_bParameter = 0;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnParameter()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !GetDlgItem(IDC_PARAMETER)->isEnabled() || !IsStoring())
        return;
    CBlockMemory* block = doc->CurrentBlock(SelectedList());
    if (block && block->m_bParameter == 0) {
        block->m_bParameter = 1;
        doc->SetModifiedFlag(true);
    }
}

void CQZMView::OnChangeProtocol()
{
    CQZMDoc* doc = GetDocument();
    if (!doc || !IsStoring())
        return;
    const int selected = m_wndProtocol->currentIndex();
    if (selected == doc->m_nProtocol)
        return;
    if (selected < 0) {
        // Nothing chosen: show the stored protocol again. Nothing changed,
        // so its settings are not forced either.
        SelectEntry(m_wndProtocol, doc->m_nProtocol);
        return;
    }
    doc->m_nProtocol = selected;
    doc->SetModifiedFlag(true);
    OnUpdate(nullptr, 1, nullptr);
}

void CQZMView::OnChangeBaudRate()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(m_wndBaudRate, doc->m_nBaudRate);
}

void CQZMView::OnChangeParity()
{
    if (CQZMDoc* doc = GetDocument())
        OnChangeSetting(m_wndParity, doc->m_nParity);
}

void CQZMView::OnChangeSetting(QComboBox* list, qint32& stored)
{
    // The refresh's own selections and enabling are not the user's choice.
    if (!IsStoring())
        return;
    int selected = list->currentIndex();
    if (selected < 0) {
        SelectEntry(list, stored);
        selected = list->currentIndex();
        if (selected < 0)
            return;
    }
    if (selected != stored) {
        stored = selected;
        GetDocument()->SetModifiedFlag(true);
    }
}
