#pragma once

#include "framework/LocalText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QRadioButton>
#include <QWidget>

class CSpinButton;
class QTabBar;
class QToolButton;

// Reads a number the way the form always has: leading blanks skipped, an
// optional sign, then digits up to the first other character; no digits
// read as 0. Values beyond 32 bits saturate.
int ReadFieldNumber(const QString& text);

// A spin writes four-digit values with the locale's thousands separator
// ("9,999"); returns the plain digits ("9999") for such a text, or an empty
// string when the text is not one.
QString PlainSpinText(const QString& text);

// The status-bar messages for an address or time-out out of range, with the
// ranges of document/QZMFields.h.
QString AddressRangeMessage();
QString TimeoutRangeMessage();

// Texts that describe a number field's meaning and range to a screen reader.
QString TimeoutDescription();
QString AddressDescription();
QString NumberDescription();

// A label's text as shown: the mnemonic marker "&" taken out, "&&" read as "&".
QString VisibleLabelText(const QString& text);

// Converts between the document's 8-bit CR LF texts and the UI's "\n" texts;
// an edited text goes back in the encoding its field was shown in.
DecodedText DocumentTextToUi(const QByteArray& text);
QByteArray UiTextToDocument(const QString& text, TextEncoding encoding = TextEncoding::Local);

// One-line number field: the user types digits only, and at most the typed
// limit; text written by the program or the attached spin is never cut.
// Up and Down step the attached spin.
class CNumberEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CNumberEdit(QWidget* parent = nullptr);

    void SetTypedLimit(int limit) { m_nTypedLimit = limit; }
    int TypedLimit() const { return m_nTypedLimit; }
    void AttachSpin(CSpinButton* spin) { m_pSpin = spin; }

    // Writes the text as the program: textChanged is emitted even when the
    // text does not change, as every write of a number field is checked.
    void WriteText(const QString& text);
    // Rewrites a spin's grouped text ("9,999") to plain digits, then reads
    // the field's number.
    int TakeNumber();
    bool IsProgramWrite() const { return m_bProgramWrite; }
    // The text before the change being validated.
    const QString& LastText() const { return m_strLast; }

signals:
    // Focus went to another control or window (not to a popup of our own).
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_nTypedLimit = 32767;
    bool m_bProgramWrite = false;
    QString m_strLast;
    CSpinButton* m_pSpin = nullptr;
};

// Up-down arrows beside a number field: each step starts from the number the
// field shows, is clamped to the range and written back with the locale's
// thousands separator.
class CSpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit CSpinButton(QWidget* parent = nullptr);

    void SetBuddy(CNumberEdit* buddy);
    CNumberEdit* Buddy() const { return m_pBuddy; }
    void SetRange(int lower, int upper);
    int Lower() const { return m_nLower; }
    int Upper() const { return m_nUpper; }
    void SetStep(int step) { m_nStep = step; }
    int Step() const { return m_nStep; }
    // Sets the position: writes the clamped value into the field.
    void SetPos(int pos);
    // direction +1 (up) or -1 (down).
    void StepBy(int direction);

    // Names the arrows after the field they step.
    void SetAccessibleNames(const QString& field);

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString FormatValue(int value) const;

    CNumberEdit* m_pBuddy = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 1;
};

// Multi-line description field: Enter starts a new line, Tab moves on, a
// vertical scroll bar is always there. Only the user's edits are reported.
class CDescriptionEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CDescriptionEdit(QWidget* parent = nullptr);

    // The text with "\n" line breaks and no other conversion.
    QString Text() const;
    // Writes the text as the program; raises no userTextChanged.
    void WriteText(const QString& text);

signals:
    void userTextChanged();

private:
    bool m_bProgramWrite = false;
};

// Drop-down list that takes the mouse wheel only while it has the focus: a
// wheel turned to scroll the form must not change a setting on the way.
class CDropList : public QComboBox
{
    Q_OBJECT

public:
    explicit CDropList(QWidget* parent = nullptr);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QString m_strAnnounced; // the text readers last heard
};

// Radio button that stays a tab stop of its own: Qt would otherwise keep
// only the focused button of an exclusive group in the Tab order.
class CRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit CRadioButton(const QString& text, QWidget* parent = nullptr) : QRadioButton(text, parent) {}

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// The application's style with frames that survive fractional scale factors.
// A style draws a one-pixel frame as a line centred on the widget's edge;
// at 1.25 or 1.5 the half outside the widget is clipped and what remains may
// cover no whole device pixel, or lie under the child that fills the frame
// (a text field's viewport), so the line vanishes. At such factors the frame
// is drawn again as a strip just inside each edge, which always covers a
// device pixel that nothing paints over. The form's framed controls use it.
class CFormFrameStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // One for the process: widgets keep a pointer to their style until they
    // are gone.
    static CFormFrameStyle* Instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    CFormFrameStyle();
};

// Tab strip drawn as a tab row over a framed pane. It lies beneath the
// controls it surrounds; only the tab row takes the mouse.
class CTabStrip : public QWidget
{
    Q_OBJECT

public:
    explicit CTabStrip(QWidget* parent = nullptr);

    QTabBar* TabBar() const { return m_pBar; }
    int AddTab(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void LayoutBar();

    QTabBar* m_pBar;
};
