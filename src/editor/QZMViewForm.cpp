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
        QFont font = l->font();
        auto needed = [&] { return QFontMetrics(font).horizontalAdvance(VisibleLabelText(l->text())) + 1; };
        QRect fitted = r;
        const int room = right ? r.right() + 1 - lowest : highest - r.left();
        while (needed() > room && font.pointSizeF() > 5)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        if (font != l->font())
            l->setFont(font);
        if (needed() > r.width()) {
            if (right)
                fitted.setLeft(r.right() + 1 - needed());
            else
                fitted.setWidth(needed());
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
} // namespace

void CQZMView::CreateForm()
{
    m_pForm = new QWidget;
    m_pForm->setObjectName(QStringLiteral("form"));
    const QFont font = FormFont();
    m_pForm->setFont(font);
    const CDialogUnits du(font);
    m_pForm->setFixedSize(du.X(kFormWidth), du.Y(kFormHeight));
    // Right of the frames (x 190) and below the tab strip (y 326) the
    // template is blank.
    m_blankMargin = QSize(du.X(kFormWidth) - du.X(190), du.Y(kFormHeight) - du.Y(326));

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
    // FitLabels, once every control is in place, gives a label room for a
    // face wider than the template's.
    auto label = [&](const char* text, int x, int y, int cx, int cy, Qt::Alignment align) {
        auto* l = new QLabel(QString::fromLatin1(text), m_pForm);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(align);
        place(l, 0, "IDC_STATIC", x, y, cx, cy);
        return l;
    };
    // A number field with its spin just right of it, the spin attached.
    auto numberField = [&](CNumberEdit*& edit, int id, const char* name, CSpinButton*& spin, int spinId,
                           const char* spinName, int x, int y, int cx, int spinX) {
        edit = new CNumberEdit(m_pForm);
        place(edit, id, name, x, y, cx, 12);
        spin = new CSpinButton(m_pForm);
        place(spin, spinId, spinName, spinX, y, 11, 12);
        spin->SetBuddy(edit);
    };
    // A drop-down list is as high as its closed box; the template's height
    // includes the dropped list.
    auto dropList = [&](int id, const char* name, const QStringList& items, int x, int y, int cx) {
        auto* list = new CDropList(m_pForm);
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
    QLabel* descriptionLabel = label("&Description of this QZM:", 10, 9, 180, 10, left);
    m_wndDescription = new CDescriptionEdit(m_pForm);
    place(m_wndDescription, IDC_DESCRIPTION, "IDC_DESCRIPTION", 10, 22, 180, 30);

    auto* settings = new QGroupBox(QStringLiteral("Settings"), m_pForm);
    settings->setFocusPolicy(Qt::NoFocus);
    place(settings, 0, "IDC_SETTINGS_FRAME", 10, 59, 180, 71);

    QLabel* baudRateLabel = label("&Baudrate:", 14, 95, 32, 8, left);
    m_wndBaudRate = dropList(IDC_BAUDRATE, "IDC_BAUDRATE", QZMFields::kBaudRates.Names(), 47, 93, 49);
    QLabel* parityLabel = label("Parit&y:", 112, 95, 20, 8, left);
    m_wndParity = dropList(IDC_PARITY, "IDC_PARITY", QZMFields::kParities.Names(), 136, 93, 49);
    QLabel* timeoutLabel = label("&Timeout:", 14, 113, 28, 8, left);
    numberField(m_wndTimeout, IDC_TIMEOUT, "IDC_TIMEOUT", m_wndTimeoutSpin, IDC_TIMEOUT_SPIN, "IDC_TIMEOUT_SPIN", 47, 111,
                38, 86);
    QLabel* unitLabel = label("msec", 101, 113, 18, 8, left);

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

    QLabel* blockDescriptionLabel = label("De&scription:", 30, 197, 140, 10, left);
    m_wndBMDescription = new CDescriptionEdit(m_pForm);
    place(m_wndBMDescription, IDC_BM_DESCRIPTION, "IDC_BM_DESCRIPTION", 30, 209, 140, 30);

    QLabel* addressLabel = label("&Address in network:", 25, 250, 92, 12, rightCentred);
    numberField(m_wndAddress, IDC_ADDRESS, "IDC_ADDRESS", m_wndAddressSpin, IDC_ADDRESS_SPIN, "IDC_ADDRESS_SPIN", 120,
                250, 40, 160);

    QLabel* numberLabel = label("Parameter/Variable &number:", 25, 275, 92, 12, rightCentred);
    numberField(m_wndNumber, IDC_NUMBER, "IDC_NUMBER", m_wndNumberSpin, IDC_NUMBER_SPIN, "IDC_NUMBER_SPIN", 120, 275, 40,
                160);

    auto* basicVariable = new CRadioButton(QStringLiteral("Basic Variable"), m_pForm);
    place(basicVariable, IDC_BASIC_VARIABLE, "IDC_BASIC_VARIABLE", 34, 297, 60, 10);
    auto* parameter = new CRadioButton(QStringLiteral("Parameter"), m_pForm);
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

    QLabel* protocolLabel = label("&Protocol:", 14, 75, 29, 8, left);
    m_wndProtocol = dropList(IDC_PROTOCOL, "IDC_PROTOCOL", QZMFields::kProtocols.Names(), 47, 75, 138);

    // The first template control lies on top; in particular the tab strip
    // lies beneath the Block Memory frame and its controls, and the frames
    // beneath the controls they surround.
    settings->lower();
    m_wndBlockFrame->lower();
    m_wndTab->lower();

    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    // Each label names its field, and its mnemonic (Alt+letter) reaches it.
    const std::pair<QLabel*, QWidget*> buddies[] = {
        {descriptionLabel, m_wndDescription}, {baudRateLabel, m_wndBaudRate}, {parityLabel, m_wndParity},
        {timeoutLabel, m_wndTimeout},         {unitLabel, m_wndTimeout},      {blockDescriptionLabel, m_wndBMDescription},
        {addressLabel, m_wndAddress},         {numberLabel, m_wndNumber},     {protocolLabel, m_wndProtocol},
    };
    for (const auto& [text, field] : buddies) {
        text->setBuddy(field);
        if (field->accessibleName().isEmpty())
            field->setAccessibleName(AccessibleLabelText(text->text()));
    }
    m_wndTimeout->setAccessibleDescription(QStringLiteral("Time-out in milliseconds, 50 to 1000"));
    m_wndAddress->setAccessibleDescription(QStringLiteral("Address of the device in the network, 1 to 247"));
    m_wndNumber->setAccessibleDescription(QStringLiteral("Number of the parameter or basic variable, 0 to 9999"));
    m_wndBMDescription->setAccessibleDescription(QStringLiteral("Description of the Block Memory shown"));
    m_wndTimeoutSpin->SetAccessibleNames(m_wndTimeout->accessibleName());
    m_wndAddressSpin->SetAccessibleNames(m_wndAddress->accessibleName());
    m_wndNumberSpin->SetAccessibleNames(m_wndNumber->accessibleName());
    // "Preview" reads as a preview; say what the buttons do.
    m_wndPreview->setAccessibleDescription(QStringLiteral("Shows the previous Block Memory of the list"));
    m_wndNext->setAccessibleDescription(QStringLiteral("Shows the next Block Memory of the list"));
    m_wndInsert->setAccessibleDescription(QStringLiteral("Inserts a new Block Memory after the one shown"));
    m_wndDelete->setAccessibleDescription(QStringLiteral("Deletes the Block Memory shown"));
    basicVariable->setAccessibleDescription(QStringLiteral("The number names a basic variable of the device"));
    parameter->setAccessibleDescription(QStringLiteral("The number names a parameter of the device"));
    m_wndTab->setAccessibleName(QStringLiteral("Block Memory lists"));
    m_wndTab->setAccessibleDescription(
        QStringLiteral("Read: what the QZM reads from the devices; Write: what it writes to them"));

    FitLabels(m_pForm, du);

    // Frames that stay whole at fractional scale factors.
    for (QWidget* framed : std::initializer_list<QWidget*>{m_wndDescription, m_wndBMDescription, m_wndTimeout,
                                                           m_wndAddress, m_wndNumber, settings, m_wndBlockFrame,
                                                           m_wndTab})
        framed->setStyle(CFormFrameStyle::Instance());

    setWidget(m_pForm);
    UpdateScrollBars();

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
