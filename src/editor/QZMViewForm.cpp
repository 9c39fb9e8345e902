#include "editor/QZMView.h"

#include "editor/FormControls.h"
#include "document/QZMFields.h"
#include "editor/FormLimits.h"
#include "framework/DialogUnits.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabBar>

using namespace FormLimits;

namespace {
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

// A label's text as a screen reader names its field: no mnemonic marker,
// no trailing colon.
QString AccessibleLabelText(const QString& text)
{
    QString name = VisibleLabelText(text);
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

// Room a label may take on the side away from its aligned edge: up to the
// nearest control beside it, or the border of a frame around it, keeping
// the gap the template keeps there.
void FitLabels(QWidget* form, const CDialogUnits& du)
{
    const int controlGap = qMax(2, du.X(1));
    const int frameGap = du.X(4);
    const QList<QWidget*> siblings = form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QLabel* l : form->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const bool right = l->alignment() & Qt::AlignRight;
        const QRect r = l->geometry();
        int lowest = 0;
        int highest = form->width();
        for (QWidget* w : siblings) {
            if (w == l || w->isHidden())
                continue;
            const QRect g = w->geometry();
            if (g.contains(r)) {
                // A frame around the label: keep off its borders.
                lowest = qMax(lowest, g.left() + frameGap);
                highest = qMin(highest, g.right() + 1 - frameGap);
            } else if (g.top() <= r.bottom() && g.bottom() >= r.top() && !r.contains(g)) {
                // A control in the same row.
                if (g.center().x() > r.center().x())
                    highest = qMin(highest, g.left() - controlGap);
                else
                    lowest = qMax(lowest, g.right() + 1 + controlGap);
            }
        }
        // A face wider than the template's must not clip the text or push it
        // into its neighbour: the label grows into the free room, and only
        // when that is not enough does its text get smaller.
        // Measured once a size: shaping the text is what costs at start-up.
        QFont font = l->font();
        const QString text = VisibleLabelText(l->text());
        auto measure = [&] { return QFontMetrics(font).horizontalAdvance(text) + 1; };
        int needed = measure();
        QRect fitted = r;
        const int room = right ? r.right() + 1 - lowest : highest - r.left();
        while (needed > room && font.pointSizeF() > 5) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
            needed = measure();
        }
        if (font != l->font())
            l->setFont(font);
        if (needed > r.width()) {
            if (right)
                fitted.setLeft(r.right() + 1 - needed);
            else
                fitted.setWidth(needed);
        }
        l->setGeometry(fitted);
    }
}

// Where the choice of the form's font is kept between starts, and what it
// depends on: the UI font, the screen's resolution and the installed fonts.
QString FormFontCacheFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/form-font");
}

QString FormFontCacheKey(const QFont& font)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return QStringLiteral("%1|%2x%3|%4")
        .arg(font.toString())
        .arg(screen ? screen->logicalDotsPerInchX() : 0.0)
        .arg(screen ? screen->logicalDotsPerInchY() : 0.0)
        .arg(qHash(QFontDatabase::families().join(QLatin1Char('\n'))));
}

// The form's font: the UI font at 8 points. The template was drawn for a
// narrow face; where the UI font is wider, its semi-condensed face, or else
// a smaller size, keeps the whole form within the window's width. Measuring
// a candidate loads its font, so the choice is kept and, while the fonts and
// the screen stay the same, only the chosen one is measured again.
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
    const QFont candidates[] = {font, condensed, smaller, smallest};

    const QString key = FormFontCacheKey(font);
    QFile cache(FormFontCacheFile());
    if (cache.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = cache.readAll().split('\n');
        const QList<QByteArray> choice = lines.value(1).split(' ');
        bool ok = choice.size() == 3 && QString::fromUtf8(lines.value(0)) == key;
        const int index = ok ? choice.at(0).toInt(&ok) : -1;
        if (ok && index >= 0 && index < int(std::size(candidates))) {
            const CDialogUnits units(candidates[index]);
            if (QByteArray::number(units.X(4)) == choice.at(1) && QByteArray::number(units.Y(8)) == choice.at(2))
                return candidates[index];
        }
        cache.close();
    }

    int chosen = 0;
    for (int i = 0; i < int(std::size(candidates)); ++i)
        if (CDialogUnits(candidates[i]).X(kFormWidth) <= kFitWidth) {
            chosen = i;
            break;
        }
    // Only a cache: a failed write costs the next start the search again.
    const CDialogUnits units(candidates[chosen]);
    if (QDir().mkpath(QFileInfo(cache.fileName()).path()) && cache.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cache.write(key.toUtf8() + '\n' + QByteArray::number(chosen) + ' ' + QByteArray::number(units.X(4)) + ' '
                    + QByteArray::number(units.Y(8)) + '\n');
    return candidates[chosen];
}

enum class ControlKind { Label, RightLabel, Text, Frame, Drop, Number, Spin, Button, Radio, Tab };

// One control of form template 101, in dialog units. A label's buddy is the
// field it names, a spin's the field it steps.
struct FormControl
{
    int id;
    const char* name;
    ControlKind kind;
    int x, y, cx, cy;
    const char* text;
    int buddy;
    const QZMFields::Choices* choices;
    const char* description;
};

// The control's id and, as its object name, the id's own spelling.
#define FORM_ID(id) id, #id

// Template order: also the keyboard order and, first on top, the stacking.
const FormControl kFormControls[] = {
    {0, "IDC_STATIC", ControlKind::Label, 10, 9, 180, 10, "&Description of this QZM:", IDC_DESCRIPTION, nullptr, nullptr},
    {FORM_ID(IDC_DESCRIPTION), ControlKind::Text, 10, 22, 180, 30, nullptr, 0, nullptr, nullptr},
    {0, "IDC_SETTINGS_FRAME", ControlKind::Frame, 10, 59, 180, 71, "Settings", 0, nullptr, nullptr},
    {0, "IDC_STATIC", ControlKind::Label, 14, 95, 32, 8, "&Baudrate:", IDC_BAUDRATE, nullptr, nullptr},
    {FORM_ID(IDC_BAUDRATE), ControlKind::Drop, 47, 93, 49, 12, nullptr, 0, &QZMFields::kBaudRates, nullptr},
    {0, "IDC_STATIC", ControlKind::Label, 112, 95, 20, 8, "Parit&y:", IDC_PARITY, nullptr, nullptr},
    {FORM_ID(IDC_PARITY), ControlKind::Drop, 136, 93, 49, 12, nullptr, 0, &QZMFields::kParities, nullptr},
    {0, "IDC_STATIC", ControlKind::Label, 14, 113, 28, 8, "&Timeout:", IDC_TIMEOUT, nullptr, nullptr},
    {FORM_ID(IDC_TIMEOUT), ControlKind::Number, 47, 111, 38, 12, nullptr, 0, nullptr, nullptr},
    {FORM_ID(IDC_TIMEOUT_SPIN), ControlKind::Spin, 86, 111, 11, 12, nullptr, IDC_TIMEOUT, nullptr, nullptr},
    {0, "IDC_STATIC", ControlKind::Label, 101, 113, 18, 8, "msec", IDC_TIMEOUT, nullptr, nullptr},
    {FORM_ID(IDC_BLOCK_FRAME), ControlKind::Frame, 20, 159, 160, 160, "Block Memory", 0, nullptr, nullptr},
    // "Preview" reads as a preview; the descriptions say what the buttons do.
    {FORM_ID(IDC_PREVIEW), ControlKind::Button, 31, 175, 30, 14, "Preview", 0, nullptr,
     "Shows the previous Block Memory of the list"},
    {FORM_ID(IDC_NEXT), ControlKind::Button, 67, 175, 30, 14, "Next", 0, nullptr,
     "Shows the next Block Memory of the list"},
    {FORM_ID(IDC_INSERT), ControlKind::Button, 103, 175, 30, 14, "Insert", 0, nullptr,
     "Inserts a new Block Memory after the one shown"},
    {FORM_ID(IDC_DELETE), ControlKind::Button, 139, 175, 30, 14, "Delete", 0, nullptr, "Deletes the Block Memory shown"},
    {0, "IDC_STATIC", ControlKind::Label, 30, 197, 140, 10, "De&scription:", IDC_BM_DESCRIPTION, nullptr, nullptr},
    {FORM_ID(IDC_BM_DESCRIPTION), ControlKind::Text, 30, 209, 140, 30, nullptr, 0, nullptr,
     "Description of the Block Memory shown"},
    {0, "IDC_STATIC", ControlKind::RightLabel, 25, 250, 92, 12, "&Address in network:", IDC_ADDRESS, nullptr, nullptr},
    {FORM_ID(IDC_ADDRESS), ControlKind::Number, 120, 250, 40, 12, nullptr, 0, nullptr, nullptr},
    {FORM_ID(IDC_ADDRESS_SPIN), ControlKind::Spin, 160, 250, 11, 12, nullptr, IDC_ADDRESS, nullptr, nullptr},
    {0, "IDC_STATIC", ControlKind::RightLabel, 25, 275, 92, 12, "Parameter/Variable &number:", IDC_NUMBER, nullptr,
     nullptr},
    {FORM_ID(IDC_NUMBER), ControlKind::Number, 120, 275, 40, 12, nullptr, 0, nullptr, nullptr},
    {FORM_ID(IDC_NUMBER_SPIN), ControlKind::Spin, 160, 275, 11, 12, nullptr, IDC_NUMBER, nullptr, nullptr},
    {FORM_ID(IDC_BASIC_VARIABLE), ControlKind::Radio, 34, 297, 60, 10, "Basic Variable", 0, nullptr,
     "The number names a basic variable of the device"},
    {FORM_ID(IDC_PARAMETER), ControlKind::Radio, 104, 297, 60, 10, "Parameter", 0, nullptr,
     "The number names a parameter of the device"},
    {FORM_ID(IDC_TAB), ControlKind::Tab, 10, 136, 180, 190, nullptr, 0, nullptr, nullptr},
    {0, "IDC_STATIC", ControlKind::Label, 14, 75, 29, 8, "&Protocol:", IDC_PROTOCOL, nullptr, nullptr},
    {FORM_ID(IDC_PROTOCOL), ControlKind::Drop, 47, 75, 138, 12, nullptr, 0, &QZMFields::kProtocols, nullptr},
};
#undef FORM_ID

// Keeps controls of one type in the members that name them.
template <class T>
void TakeAll(const QHash<int, QWidget*>& controls, std::initializer_list<std::pair<T**, int>> members)
{
    for (const auto& [member, id] : members)
        *member = static_cast<T*>(controls.value(id));
}

// Makes one control of the table on the form, named and placed. FitLabels,
// once every control is in place, gives a label room for a face wider than
// the template's.
QWidget* MakeControl(const FormControl& control, QWidget* form, const CDialogUnits& du)
{
    const QString text = QString::fromLatin1(control.text);
    QWidget* w = nullptr;
    switch (control.kind) {
    case ControlKind::Label:
    case ControlKind::RightLabel: {
        auto* label = new QLabel(text, form);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(control.kind == ControlKind::Label ? Qt::AlignLeft | Qt::AlignTop
                                                                : Qt::AlignRight | Qt::AlignVCenter);
        w = label;
        break;
    }
    case ControlKind::Text: w = new CDescriptionEdit(form); break;
    case ControlKind::Frame: w = new QGroupBox(text, form); break;
    case ControlKind::Drop: {
        auto* list = new CDropList(form);
        list->setEditable(false);
        list->addItems(control.choices->Names());
        list->setCurrentIndex(-1);
        w = list;
        break;
    }
    case ControlKind::Number: w = new CNumberEdit(form); break;
    case ControlKind::Spin: w = new CSpinButton(form); break;
    case ControlKind::Button: {
        auto* button = new QPushButton(text, form);
        button->setAutoDefault(false);
        w = button;
        break;
    }
    case ControlKind::Radio: w = new CRadioButton(text, form); break;
    case ControlKind::Tab: w = new CTabStrip(form); break;
    }
    // Frames take no focus; lists, buttons and each radio button are tab stops.
    if (control.kind == ControlKind::Frame)
        w->setFocusPolicy(Qt::NoFocus);
    else if (control.kind == ControlKind::Drop || control.kind == ControlKind::Button || control.kind == ControlKind::Radio)
        w->setFocusPolicy(Qt::StrongFocus);
    w->setObjectName(QString::fromLatin1(control.name));
    w->setGeometry(du.Rect(control.x, control.y, control.cx, control.cy));
    // A drop-down list is as high as its closed box; the template's height
    // includes the dropped list.
    if (control.kind == ControlKind::Drop)
        w->resize(w->width(), qMax(du.Y(12), w->sizeHint().height()));
    return w;
}
} // namespace

void CQZMView::CreateForm()
{
    m_pForm = new QWidget;
    m_pForm->setObjectName(QStringLiteral("IDC_FORM"));
    const QFont font = FormFont();
    m_pForm->setFont(font);
    const CDialogUnits du(font);
    m_pForm->setFixedSize(du.X(kFormWidth), du.Y(kFormHeight));
    // Right of the frames (x 190) and below the tab strip (y 326) the
    // template is blank.
    m_blankMargin = QSize(du.X(kFormWidth) - du.X(190), du.Y(kFormHeight) - du.Y(326));

    QList<QWidget*> tabOrder;
    QList<std::pair<QLabel*, int>> labels;
    auto* radioGroup = new QButtonGroup(this);
    radioGroup->setExclusive(true);
    for (const FormControl& control : kFormControls) {
        QWidget* w = MakeControl(control, m_pForm, du);
        if (control.id) {
            w->setProperty("controlId", control.id);
            m_controls.insert(control.id, w);
        }
        if (control.kind == ControlKind::Label || control.kind == ControlKind::RightLabel)
            labels.append({static_cast<QLabel*>(w), control.buddy});
        else if (control.kind == ControlKind::Spin)
            static_cast<CSpinButton*>(w)->SetBuddy(static_cast<CNumberEdit*>(m_controls.value(control.buddy)));
        else if (control.kind == ControlKind::Radio)
            radioGroup->addButton(static_cast<QAbstractButton*>(w), control.id);
        // The tab strip's keyboard stop is its tab bar.
        if (control.kind == ControlKind::Tab)
            tabOrder << static_cast<CTabStrip*>(w)->TabBar();
        else if (w->focusPolicy() != Qt::NoFocus)
            tabOrder << w;
    }
    TakeControls();

    // The first template control lies on top; in particular the tab strip
    // lies beneath the Block Memory frame and its controls, and the frames
    // beneath the controls they surround.
    auto* settings = m_pForm->findChild<QGroupBox*>(QStringLiteral("IDC_SETTINGS_FRAME"));
    settings->lower();
    m_wndBlockFrame->lower();
    m_wndTab->lower();

    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    // Each label names its field, and its mnemonic (Alt+letter) reaches it.
    for (const auto& [label, buddy] : labels) {
        QWidget* field = m_controls.value(buddy);
        label->setBuddy(field);
        if (field->accessibleName().isEmpty())
            field->setAccessibleName(AccessibleLabelText(label->text()));
    }
    DescribeControls();

    FitLabels(m_pForm, du);

    // Frames that stay whole at fractional scale factors.
    for (QWidget* framed : std::initializer_list<QWidget*>{m_wndDescription, m_wndBMDescription, m_wndTimeout,
                                                           m_wndAddress, m_wndNumber, settings, m_wndBlockFrame,
                                                           m_wndTab})
        framed->setStyle(CFormFrameStyle::Instance());

    setWidget(m_pForm);
    UpdateScrollBars();
    ConnectControls();
}

void CQZMView::TakeControls()
{
    TakeAll<CDescriptionEdit>(m_controls, {{&m_wndDescription, IDC_DESCRIPTION}, {&m_wndBMDescription, IDC_BM_DESCRIPTION}});
    TakeAll<QComboBox>(m_controls, {{&m_wndBaudRate, IDC_BAUDRATE}, {&m_wndParity, IDC_PARITY}, {&m_wndProtocol, IDC_PROTOCOL}});
    TakeAll<CNumberEdit>(m_controls, {{&m_wndTimeout, IDC_TIMEOUT}, {&m_wndAddress, IDC_ADDRESS}, {&m_wndNumber, IDC_NUMBER}});
    TakeAll<CSpinButton>(m_controls, {{&m_wndTimeoutSpin, IDC_TIMEOUT_SPIN},
                                      {&m_wndAddressSpin, IDC_ADDRESS_SPIN},
                                      {&m_wndNumberSpin, IDC_NUMBER_SPIN}});
    TakeAll<QPushButton>(m_controls, {{&m_wndPreview, IDC_PREVIEW}, {&m_wndNext, IDC_NEXT}, {&m_wndInsert, IDC_INSERT},
                                      {&m_wndDelete, IDC_DELETE}});
    TakeAll<QGroupBox>(m_controls, {{&m_wndBlockFrame, IDC_BLOCK_FRAME}});
    TakeAll<CTabStrip>(m_controls, {{&m_wndTab, IDC_TAB}});
    m_wndBlockFrame->setAlignment(Qt::AlignHCenter);
}

void CQZMView::DescribeControls()
{
    for (const FormControl& control : kFormControls)
        if (control.description)
            m_controls.value(control.id)->setAccessibleDescription(QString::fromLatin1(control.description));
    m_wndTimeout->setAccessibleDescription(TimeoutDescription());
    m_wndAddress->setAccessibleDescription(AddressDescription());
    m_wndNumber->setAccessibleDescription(NumberDescription());
    m_wndTimeoutSpin->SetAccessibleNames(m_wndTimeout->accessibleName());
    m_wndAddressSpin->SetAccessibleNames(m_wndAddress->accessibleName());
    m_wndNumberSpin->SetAccessibleNames(m_wndNumber->accessibleName());
    m_wndTab->setAccessibleName(QStringLiteral("Block Memory lists"));
    m_wndTab->setAccessibleDescription(
        QStringLiteral("Read: what the QZM reads from the devices; Write: what it writes to them"));
}

void CQZMView::ConnectControls()
{
    auto* basicVariable = static_cast<QRadioButton*>(m_controls.value(IDC_BASIC_VARIABLE));
    auto* parameter = static_cast<QRadioButton*>(m_controls.value(IDC_PARAMETER));
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
