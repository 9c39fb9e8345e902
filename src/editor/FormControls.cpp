#include "editor/FormControls.h"

#include "document/QZMFields.h"
#include "framework/LocalText.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QPainter>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLocale>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>
#include <QTextBlock>
#include <QToolButton>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QValidator>
#include <QWheelEvent>

#include <utility>

#include <climits>
#include <cmath>

QString AddressRangeMessage()
{
    using QZMFields::kAddress;
    return FormatPrintfMessage(IDS_INVALID_ADDRESS, {QString::number(kAddress.min), QString::number(kAddress.max)});
}

QString TimeoutRangeMessage()
{
    using QZMFields::kTimeout;
    return FormatPrintfMessage(IDS_INVALID_TIMEOUT,
                               {QString::number(kTimeout.min), QString::number(kTimeout.max), QStringLiteral("msec")});
}

QString TimeoutDescription()
{
    using QZMFields::kTimeout;
    return QStringLiteral("Time-out in milliseconds, %1 to %2").arg(kTimeout.min).arg(kTimeout.max);
}

QString AddressDescription()
{
    using QZMFields::kAddress;
    return QStringLiteral("Address of the device in the network, %1 to %2").arg(kAddress.min).arg(kAddress.max);
}

QString NumberDescription()
{
    using QZMFields::kNumber;
    return QStringLiteral("Number of the parameter or basic variable, %1 to %2").arg(kNumber.min).arg(kNumber.max);
}

int ReadFieldNumber(const QString& text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') || text[i] == QLatin1Char('\n')
                     || text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\v') || text[i] == QLatin1Char('\f')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > qint64(INT_MAX) + 1)
            value = qint64(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    return int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
}

QString PlainSpinText(const QString& text)
{
    // The form has always recognised "," and "." in the second place.
    if (text.size() == 5 && (text[1] == QLatin1Char(',') || text[1] == QLatin1Char('.')))
        return text.left(1) + text.right(3);
    // Other locales group with other marks (a blank, an apostrophe); those
    // would otherwise be read as a one-digit number.
    const QString group = QLocale().groupSeparator();
    if (group.isEmpty() || text.size() != 4 + group.size() || QStringView(text).mid(1, group.size()) != group)
        return {};
    const QString plain = text.left(1) + text.right(3);
    for (QChar c : plain)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    return plain;
}

QString VisibleLabelText(const QString& text)
{
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

DecodedText DocumentTextToUi(const QByteArray& text)
{
    DecodedText ui = DecodeStoredText(text);
    ui.text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return ui;
}

QByteArray UiTextToDocument(const QString& text, TextEncoding encoding)
{
    QString doc = text;
    doc.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return EncodeStoredText(doc, encoding);
}

namespace {
// Judges only what the user inserts: digits, and no growth past the typed
// limit. Whatever the program wrote before stays as it is.
class CTypedDigitsValidator : public QValidator
{
public:
    explicit CTypedDigitsValidator(CNumberEdit* edit) : QValidator(edit), m_pEdit(edit) {}

    State validate(QString& input, int&) const override
    {
        if (m_pEdit->IsProgramWrite())
            return Acceptable;
        const QString& before = m_pEdit->LastText();
        const int common = int(qMin(before.size(), input.size()));
        int prefix = 0;
        while (prefix < common && before[prefix] == input[prefix])
            ++prefix;
        int suffix = 0;
        while (suffix < common - prefix && before[before.size() - 1 - suffix] == input[input.size() - 1 - suffix])
            ++suffix;
        const QStringView inserted = QStringView(input).mid(prefix, input.size() - prefix - suffix);
        for (QChar c : inserted)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        if (!inserted.isEmpty() && input.size() > m_pEdit->TypedLimit())
            return Invalid;
        return Acceptable;
    }

private:
    CNumberEdit* m_pEdit;
};
} // namespace

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent)
{
    // Connected first, so the handlers connected later see it current.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { m_strLast = text; });
    setValidator(new CTypedDigitsValidator(this));
}

void CNumberEdit::WriteText(const QString& text)
{
    const bool outer = m_bProgramWrite;
    m_bProgramWrite = true;
    if (this->text() == text)
        emit textChanged(text);
    else
        setText(text);
    m_bProgramWrite = outer;
}

int CNumberEdit::TakeNumber()
{
    const QString plain = PlainSpinText(text());
    if (!plain.isEmpty())
        WriteText(plain);
    return ReadFieldNumber(text());
}

void CNumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_pSpin && m_pSpin->isEnabled() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        m_pSpin->StepBy(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CNumberEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The field's own context menu does not take the focus away for good.
    if (event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

CSpinButton::CSpinButton(QWidget* parent) : QWidget(parent)
{
    m_pUp = new QToolButton(this);
    m_pUp->setObjectName(QStringLiteral("IDC_UP"));
    m_pDown = new QToolButton(this);
    m_pDown->setObjectName(QStringLiteral("IDC_DOWN"));
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_pUp, m_pDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
    }
    connect(m_pUp, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { StepBy(-1); });
    setFocusPolicy(Qt::NoFocus);
}

void CSpinButton::SetBuddy(CNumberEdit* buddy)
{
    m_pBuddy = buddy;
    if (buddy)
        buddy->AttachSpin(this);
}

void CSpinButton::SetAccessibleNames(const QString& field)
{
    setAccessibleName(field + QStringLiteral(" arrows"));
    m_pUp->setAccessibleName(QStringLiteral("Increase ") + field);
    m_pDown->setAccessibleName(QStringLiteral("Decrease ") + field);
}

void CSpinButton::SetRange(int lower, int upper)
{
    m_nLower = qMin(lower, upper);
    m_nUpper = qMax(lower, upper);
}

QString CSpinButton::FormatValue(int value) const
{
    // The locale's grouping, but always the digits 0-9: the field takes and
    // reads no others.
    QString text = QLocale().toString(value);
    for (QChar& c : text)
        if (c.isDigit())
            c = QChar(u'0' + c.digitValue());
    return text;
}

void CSpinButton::SetPos(int pos)
{
    if (m_pBuddy)
        m_pBuddy->WriteText(FormatValue(qBound(m_nLower, pos, m_nUpper)));
}

void CSpinButton::StepBy(int direction)
{
    if (!m_pBuddy || !isEnabled())
        return;
    const int current = ReadFieldNumber(m_pBuddy->text());
    const qint64 stepped = qint64(current) + qint64(direction) * m_nStep;
    const int next = int(qBound(qint64(m_nLower), stepped, qint64(m_nUpper)));
    // At a bound the arrow does nothing.
    if (next != current)
        m_pBuddy->WriteText(FormatValue(next));
}

void CSpinButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int upHeight = height() / 2;
    m_pUp->setGeometry(0, 0, width(), upHeight);
    m_pDown->setGeometry(0, upHeight, width(), height() - upHeight);
}

CDescriptionEdit::CDescriptionEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_bProgramWrite)
            emit userTextChanged();
    });
}

QString CDescriptionEdit::Text() const
{
    // Block by block: toPlainText() would turn no-break spaces into blanks.
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += QLatin1Char('\n');
        text += block.text();
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void CDescriptionEdit::WriteText(const QString& text)
{
    // Rewriting an equal text would only lose the caret and scroll position.
    if (Text() == text)
        return;
    const bool outer = m_bProgramWrite;
    m_bProgramWrite = true;
    setPlainText(text);
    m_bProgramWrite = outer;
}

namespace {
// Qt names a drop-down list by its current item on X11, leaving the name to
// the label relation that not every reader follows: "19200" says nothing.
// This one is named after its label and gives the item as its value and as
// its text (what AT-SPI readers speak after the name), with the list of
// items as its child, as Qt's own drop-down list has it.
class CDropListAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit CDropListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return List()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && List()->view() ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == List()->view() ? 0 : -1;
    }

    // The current item as read-only text.
    QString text(int start, int end) const override { return List()->currentText().mid(start, end - start); }
    int characterCount() const override { return int(List()->currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = offset;
        *end = offset;
        return {};
    }

    QString text(QAccessible::Text t) const override
    {
        const QComboBox* list = static_cast<const QComboBox*>(widget());
        if (t == QAccessible::Value || (t == QAccessible::Name && list->accessibleName().isEmpty()))
            return list->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const QComboBox* list = List();
        s.expandable = true;
        s.expanded = list->view() && list->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList(showMenuAction()) << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* DropListAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CDropList") && object && object->isWidgetType())
        return new CDropListAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}
} // namespace

CDropList::CDropList(QWidget* parent) : QComboBox(parent)
{
    // Installing twice installs once.
    QAccessible::installFactory(DropListAccessibleFactory);
    // A reader hears the new item as the list's text changes.
    connect(this, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        const QString before = std::exchange(m_strAnnounced, text);
        if (!QAccessible::isActive())
            return;
        QAccessibleTextUpdateEvent update(this, 0, before, text);
        QAccessible::updateAccessibility(&update);
        QAccessibleValueChangeEvent value(this, text);
        QAccessible::updateAccessibility(&value);
    });
}

void CDropList::wheelEvent(QWheelEvent* event)
{
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void CRadioButton::focusInEvent(QFocusEvent* event)
{
    QRadioButton::focusInEvent(event);
    QList<QAbstractButton*> buttons;
    if (group())
        buttons = group()->buttons();
    else if (autoExclusive() && parentWidget())
        for (QAbstractButton* sibling : parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
            if (sibling->autoExclusive() && sibling->isCheckable())
                buttons << sibling;
    for (QAbstractButton* button : buttons)
        button->setFocusPolicy(Qt::StrongFocus);
}

CFormFrameStyle::CFormFrameStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
    // Lives as long as the application; follows its style.
    setParent(qApp);
}

CFormFrameStyle* CFormFrameStyle::Instance()
{
    static QPointer<CFormFrameStyle> style;
    if (!style)
        style = new CFormFrameStyle;
    return style;
}

void CFormFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_Frame && element != PE_FrameLineEdit && element != PE_FrameGroupBox
        && element != PE_FrameTabWidget)
        return;
    // A group box's frame is a picture drawn for one device pixel a pixel:
    // scaled by 2 it blurs into a faint double line, so it is drawn again at
    // every factor but 1.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const bool redraw = element == PE_FrameGroupBox ? ratio != 1.0 : ratio != std::floor(ratio);
    if (!redraw || option->rect.width() < 3 || option->rect.height() < 3)
        return;
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option))
        if (frame->lineWidth <= 0 && element != PE_FrameGroupBox && element != PE_FrameTabWidget)
            return;
    // The colours the application's own style gives these lines.
    const QColor line = option->palette.window().color().darker(element == PE_FrameGroupBox ? 111 : 140);
    QRect r = option->rect;
    // Fusion draws a group box's frame below its title, inside this rect;
    // around the whole rect the title would get a frame of its own.
    if (element == PE_FrameGroupBox && baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) {
        const auto* box = qobject_cast<const QGroupBox*>(widget);
        constexpr int kFusionTitleMargin = 3;
        const int top = box && !box->isCheckable() && box->title().isEmpty()
                            ? kFusionTitleMargin
                            : qMax(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget), option->fontMetrics.height())
                                  + kFusionTitleMargin;
        r.setTop(r.top() + top);
        if (r.height() < 3)
            return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), line);
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
    painter->fillRect(QRect(r.left(), r.top(), 1, r.height()), line);
    painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), line);
    painter->restore();
}

CTabStrip::CTabStrip(QWidget* parent) : QWidget(parent), m_pBar(new QTabBar(this))
{
    m_pBar->setObjectName(QStringLiteral("IDC_TAB_BAR"));
    m_pBar->setDrawBase(false);
    m_pBar->setExpanding(false);
    m_pBar->setUsesScrollButtons(false);
    m_pBar->setFocusPolicy(Qt::TabFocus);
    setFocusProxy(m_pBar);
    LayoutBar();
}

int CTabStrip::AddTab(const QString& text)
{
    const int index = m_pBar->addTab(text);
    LayoutBar();
    return index;
}

void CTabStrip::LayoutBar()
{
    const QSize hint = m_pBar->sizeHint();
    m_pBar->setGeometry(0, 0, qMin(hint.width(), width()), hint.height());
    update();
}

void CTabStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutBar();
}

bool CTabStrip::event(QEvent* event)
{
    // New tabs or another font change the row's size.
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::FontChange
        || event->type() == QEvent::StyleChange)
        LayoutBar();
    return QWidget::event(event);
}

void CTabStrip::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    option.tabBarSize = m_pBar->size();
    option.tabBarRect = m_pBar->geometry();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = qMax(0, m_pBar->geometry().bottom() + 1 - overlap);
    option.rect = QRect(0, top, width(), height() - top);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}
