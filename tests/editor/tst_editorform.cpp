#include "EditorFixture.h"

#include "framework/DialogUnits.h"

#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QWheelEvent>

// The form's controls, how they take input, and how each input is checked
// and stored.
class TestEditorForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
        // A locale with a thousands separator, as the spins write it.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void controlsAreThoseOfTheTemplate()
    {
        // The lists hold their items from the start, before any document.
        CQZMView bare;
        const auto* protocol = qobject_cast<QComboBox*>(bare.GetDlgItem(IDC_PROTOCOL));
        QVERIFY(protocol);
        QCOMPARE(protocol->count(), 2);
        QCOMPARE(protocol->itemText(0), QStringLiteral("Zelvra"));
        QCOMPARE(protocol->itemText(1), QStringLiteral("MODBUS-RTU"));
        const auto* baud = qobject_cast<QComboBox*>(bare.GetDlgItem(IDC_BAUDRATE));
        QCOMPARE(baud->itemText(0), QStringLiteral("9600"));
        QCOMPARE(baud->itemText(1), QStringLiteral("19200"));
        const auto* parity = qobject_cast<QComboBox*>(bare.GetDlgItem(IDC_PARITY));
        QCOMPARE(parity->count(), 3);
        QCOMPARE(parity->itemText(2), QStringLiteral("NONE"));
        // No tabs until the first initial update; a refresh does nothing.
        QCOMPARE(qobject_cast<CTabStrip*>(bare.GetDlgItem(IDC_TAB))->TabBar()->count(), 0);
        bare.OnUpdate(nullptr, 0, nullptr);

        EditorFixture f;
        QVERIFY(f.started);
        const struct
        {
            int id;
            const char* name;
            const char* kind;
            QRect dlu;
        } expected[] = {
            {IDC_DESCRIPTION, "IDC_DESCRIPTION", "CDescriptionEdit", {10, 22, 180, 30}},
            {IDC_BAUDRATE, "IDC_BAUDRATE", "QComboBox", {47, 93, 49, 0}},
            {IDC_PARITY, "IDC_PARITY", "QComboBox", {136, 93, 49, 0}},
            {IDC_TIMEOUT, "IDC_TIMEOUT", "CNumberEdit", {47, 111, 38, 12}},
            {IDC_TIMEOUT_SPIN, "IDC_TIMEOUT_SPIN", "CSpinButton", {86, 111, 11, 12}},
            {IDC_BLOCK_FRAME, "IDC_BLOCK_FRAME", "QGroupBox", {20, 159, 160, 160}},
            {IDC_PREVIEW, "IDC_PREVIEW", "QPushButton", {31, 175, 30, 14}},
            {IDC_NEXT, "IDC_NEXT", "QPushButton", {67, 175, 30, 14}},
            {IDC_INSERT, "IDC_INSERT", "QPushButton", {103, 175, 30, 14}},
            {IDC_DELETE, "IDC_DELETE", "QPushButton", {139, 175, 30, 14}},
            {IDC_BM_DESCRIPTION, "IDC_BM_DESCRIPTION", "CDescriptionEdit", {30, 209, 140, 30}},
            {IDC_ADDRESS, "IDC_ADDRESS", "CNumberEdit", {120, 250, 40, 12}},
            {IDC_ADDRESS_SPIN, "IDC_ADDRESS_SPIN", "CSpinButton", {160, 250, 11, 12}},
            {IDC_NUMBER, "IDC_NUMBER", "CNumberEdit", {120, 275, 40, 12}},
            {IDC_NUMBER_SPIN, "IDC_NUMBER_SPIN", "CSpinButton", {160, 275, 11, 12}},
            {IDC_BASIC_VARIABLE, "IDC_BASIC_VARIABLE", "QRadioButton", {34, 297, 60, 10}},
            {IDC_PARAMETER, "IDC_PARAMETER", "QRadioButton", {104, 297, 60, 10}},
            {IDC_TAB, "IDC_TAB", "CTabStrip", {10, 136, 180, 190}},
            {IDC_PROTOCOL, "IDC_PROTOCOL", "QComboBox", {47, 75, 138, 0}},
        };
        const CDialogUnits du(f.view()->Form()->font());
        for (const auto& e : expected) {
            QWidget* w = f.view()->GetDlgItem(e.id);
            QVERIFY2(w, e.name);
            QCOMPARE(w->objectName(), QString::fromLatin1(e.name));
            QCOMPARE(w->findChild<QWidget*>(QString::fromLatin1(e.name)), nullptr);
            QCOMPARE(f.view()->Form()->findChild<QWidget*>(QString::fromLatin1(e.name)), w);
            QVERIFY2(w->inherits(e.kind), e.name);
            const QRect px = du.Rect(e.dlu.x(), e.dlu.y(), e.dlu.width(), e.dlu.height() ? e.dlu.height() : 12);
            QCOMPARE(w->pos(), px.topLeft());
            QCOMPARE(w->width(), px.width());
            if (e.dlu.height())
                QCOMPARE(w->height(), px.height());
        }
        QCOMPARE(f.caption(), QStringLiteral("Block Memory - Empty"));
        QCOMPARE(f.tabs()->count(), 2);
        QCOMPARE(f.tabs()->tabText(0), QStringLiteral("Read"));
        QCOMPARE(f.tabs()->tabText(1), QStringLiteral("Write"));

        // The spins belong to the field before them, with their ranges.
        QCOMPARE(f.spin(IDC_TIMEOUT_SPIN)->Buddy(), f.timeout());
        QCOMPARE(f.spin(IDC_ADDRESS_SPIN)->Buddy(), f.address());
        QCOMPARE(f.spin(IDC_NUMBER_SPIN)->Buddy(), f.number());
        QCOMPARE(f.spin(IDC_TIMEOUT_SPIN)->Lower(), 50);
        QCOMPARE(f.spin(IDC_TIMEOUT_SPIN)->Upper(), 1000);
        QCOMPARE(f.spin(IDC_TIMEOUT_SPIN)->Step(), 10);
        QCOMPARE(f.spin(IDC_ADDRESS_SPIN)->Upper(), 247);
        QCOMPARE(f.spin(IDC_NUMBER_SPIN)->Upper(), 9999);
    }

    void labelsAndFramesOfTheTemplate()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QWidget* form = f.view()->Form();
        const CDialogUnits du(form->font());
        const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
        const Qt::Alignment rightCentred = Qt::AlignRight | Qt::AlignVCenter;
        const struct
        {
            const char* text;
            QRect dlu;
            Qt::Alignment align;
        } labels[] = {
            {"Description of this QZM:", {10, 9, 180, 10}, left},
            {"Baudrate:", {14, 95, 32, 8}, left},
            {"Parity:", {112, 95, 20, 8}, left},
            {"Timeout:", {14, 113, 28, 8}, left},
            {"msec", {101, 113, 18, 8}, left},
            {"Description:", {30, 197, 140, 10}, left},
            {"Address in network:", {25, 250, 92, 12}, rightCentred},
            {"Parameter/Variable number:", {25, 275, 92, 12}, rightCentred},
            {"Protocol:", {14, 75, 29, 8}, left},
        };
        const QList<QLabel*> found = form->findChildren<QLabel*>();
        QCOMPARE(found.size(), int(std::size(labels)));
        for (const auto& e : labels) {
            const QString text = QString::fromLatin1(e.text);
            const auto it = std::find_if(found.cbegin(), found.cend(), [&](QLabel* l) { return VisibleLabelText(l->text()) == text; });
            QVERIFY2(it != found.cend(), e.text);
            const QLabel* label = *it;
            const QRect px = du.Rect(e.dlu.x(), e.dlu.y(), e.dlu.width(), e.dlu.height());
            QCOMPARE(label->alignment(), e.align);
            QCOMPARE(label->y(), px.y());
            QCOMPARE(label->height(), px.height());
            // A label may only grow away from the edge it is aligned to.
            if (e.align & Qt::AlignRight)
                QCOMPARE(label->geometry().right(), px.right());
            else
                QCOMPARE(label->x(), px.x());
            QVERIFY(label->width() >= px.width());
        }
        auto* settings = form->findChild<QGroupBox*>(QStringLiteral("IDC_SETTINGS_FRAME"));
        QVERIFY(settings);
        QCOMPARE(settings->title(), QStringLiteral("Settings"));
        QCOMPARE(settings->geometry(), du.Rect(10, 59, 180, 71));
        QCOMPARE(settings->focusPolicy(), Qt::NoFocus);
        QCOMPARE(f.control<QGroupBox>(IDC_BLOCK_FRAME)->alignment(), Qt::AlignHCenter);
        QCOMPARE(f.button(IDC_PREVIEW)->text(), QStringLiteral("Preview"));
        QCOMPARE(f.button(IDC_NEXT)->text(), QStringLiteral("Next"));
        QCOMPARE(f.button(IDC_INSERT)->text(), QStringLiteral("Insert"));
        QCOMPARE(f.button(IDC_DELETE)->text(), QStringLiteral("Delete"));
        QCOMPARE(f.radio(IDC_BASIC_VARIABLE)->text(), QStringLiteral("Basic Variable"));
        QCOMPARE(f.radio(IDC_PARAMETER)->text(), QStringLiteral("Parameter"));
    }

    void keyboardOrderAndStacking()
    {
        EditorFixture f;
        QVERIFY(f.started);
        const QList<QWidget*> expected = {
            f.description(), f.combo(IDC_BAUDRATE), f.combo(IDC_PARITY), f.timeout(),
            f.button(IDC_PREVIEW), f.button(IDC_NEXT), f.button(IDC_INSERT), f.button(IDC_DELETE),
            f.blockDescription(), f.address(), f.number(), f.radio(IDC_BASIC_VARIABLE),
            f.radio(IDC_PARAMETER), f.tabs(), f.combo(IDC_PROTOCOL),
        };
        QList<QWidget*> chain;
        QWidget* w = f.description();
        do {
            if (expected.contains(w) && !chain.contains(w))
                chain << w;
            w = w->nextInFocusChain();
        } while (w && w != f.description());
        QCOMPARE(chain, expected);
        for (QWidget* stop : expected)
            QVERIFY(stop->focusPolicy() & Qt::TabFocus);
        QCOMPARE(f.spin(IDC_TIMEOUT_SPIN)->UpButton()->focusPolicy(), Qt::NoFocus);

        // The tab strip lies beneath the frame and its controls: a click on
        // a control reaches the control.
        QWidget* form = f.view()->Form();
        for (int id : {IDC_ADDRESS, IDC_NUMBER, IDC_INSERT, IDC_BM_DESCRIPTION, IDC_PARAMETER}) {
            QWidget* c = f.view()->GetDlgItem(id);
            QWidget* hit = form->childAt(c->geometry().center());
            QVERIFY2(hit == c || c->isAncestorOf(hit), qPrintable(c->objectName()));
        }
        const QObjectList stack = form->children();
        QVERIFY(stack.indexOf(f.control(IDC_TAB)) < stack.indexOf(f.control(IDC_BLOCK_FRAME)));
        QVERIFY(stack.indexOf(f.control(IDC_BLOCK_FRAME)) < stack.indexOf(f.address()));
    }

    void tabKeyVisitsEveryStopInTemplateOrder()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.click(IDC_INSERT);
        f.click(IDC_PREVIEW);
        f.choose(IDC_PROTOCOL, 1);
        // Both radio buttons stay stops, whichever of them had the focus.
        QTest::mouseClick(f.radio(IDC_BASIC_VARIABLE), Qt::LeftButton);
        QTest::mouseClick(f.radio(IDC_PARAMETER), Qt::LeftButton);
        const QList<QWidget*> expected = {
            f.description(), f.combo(IDC_BAUDRATE), f.combo(IDC_PARITY), f.timeout(),
            f.button(IDC_NEXT), f.button(IDC_INSERT), f.button(IDC_DELETE),
            f.blockDescription(), f.address(), f.number(), f.radio(IDC_BASIC_VARIABLE),
            f.radio(IDC_PARAMETER), f.tabs(), f.combo(IDC_PROTOCOL), f.description(),
        };
        f.description()->setFocus();
        QList<QWidget*> forward{QApplication::focusWidget()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward << QApplication::focusWidget();
        }
        QCOMPARE(forward, expected);
        QList<QWidget*> backward{QApplication::focusWidget()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            backward.prepend(QApplication::focusWidget());
        }
        QCOMPARE(backward, expected);
    }

    void formFitsTheWindowAndScrollsWhenSmaller()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QCOMPARE(f.frame()->size(), QSize(312, 658));
        QWidget* form = f.view()->Form();
#ifdef Q_OS_WIN
        QEXPECT_FAIL("", "With Wine's fonts the form is laid out about 550 px wide, beyond the 312 px window", Abort);
#endif
        QVERIFY2(form->width() <= f.view()->viewport()->width(),
                 qPrintable(QString("%1 > %2").arg(form->width()).arg(f.view()->viewport()->width())));
        QVERIFY(form->height() <= f.view()->viewport()->height());
        QVERIFY(!f.view()->horizontalScrollBar()->isVisible());
        QVERIFY(!f.view()->verticalScrollBar()->isVisible());
        // No label is cut off.
        for (QLabel* label : form->findChildren<QLabel*>())
            QVERIFY2(label->fontMetrics().horizontalAdvance(VisibleLabelText(label->text())) <= label->width(),
                     qPrintable(label->text()));

        f.frame()->resize(200, 300);
        QTRY_VERIFY(f.view()->verticalScrollBar()->isVisible());
        QVERIFY(f.view()->horizontalScrollBar()->isVisible());
    }

    void numberFieldsTakeTypedDigitsUpToTheirLimit()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.typeInto(f.address(), QStringLiteral("1x2-34"));
        QCOMPARE(f.address()->text(), QStringLiteral("123"));
        QCOMPARE(f.current()->m_nAddress, 123);
        f.typeInto(f.number(), QStringLiteral("98a7654"));
        QCOMPARE(f.number()->text(), QStringLiteral("9876"));
        QCOMPARE(f.current()->m_nNumber, 9876);
        // Removing a digit and typing another is still possible at the limit.
        QTest::keyClick(f.number(), Qt::Key_Backspace);
        QTest::keyClicks(f.number(), QStringLiteral("55"));
        QCOMPARE(f.number()->text(), QStringLiteral("9875"));

        f.choose(IDC_PROTOCOL, 1);
        f.typeInto(f.timeout(), QStringLiteral("3,2005"));
        QCOMPARE(f.timeout()->text(), QStringLiteral("3200"));
        // Text the program writes is not cut to the typed limit.
        f.address()->WriteText(QStringLiteral("12345"));
        QCOMPARE(f.address()->text(), QStringLiteral("12345"));
    }

    void spinsStepClampAndStorePlainNumbers()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.choose(IDC_PROTOCOL, 1);
        f.typeInto(f.timeout(), QStringLiteral("100"));
        f.clickSpin(IDC_TIMEOUT_SPIN, true);
        QCOMPARE(f.timeout()->text(), QStringLiteral("110"));
        QCOMPARE(f.doc()->Timeout(), 110);
        f.clickSpin(IDC_TIMEOUT_SPIN, false);
        f.clickSpin(IDC_TIMEOUT_SPIN, false);
        QCOMPARE(f.timeout()->text(), QStringLiteral("90"));
        QCOMPARE(f.doc()->Timeout(), 90);
        // A separated "1,000" from the spin becomes 1000 in field and document.
        f.typeInto(f.timeout(), QStringLiteral("990"));
        f.clickSpin(IDC_TIMEOUT_SPIN, true);
        QCOMPARE(f.timeout()->text(), QStringLiteral("1000"));
        QCOMPARE(f.doc()->Timeout(), 1000);
        f.clickSpin(IDC_TIMEOUT_SPIN, true);
        QCOMPARE(f.timeout()->text(), QStringLiteral("1000"));
        f.typeInto(f.timeout(), QStringLiteral("55"));
        QTest::keyClick(f.timeout(), Qt::Key_Down);
        QCOMPARE(f.timeout()->text(), QStringLiteral("50"));
        QCOMPARE(f.doc()->Timeout(), 50);

        f.click(IDC_INSERT);
        f.typeInto(f.number(), QStringLiteral("999"));
        f.clickSpin(IDC_NUMBER_SPIN, true);
        QCOMPARE(f.number()->text(), QStringLiteral("1000"));
        QCOMPARE(f.current()->m_nNumber, 1000);
        f.typeInto(f.number(), QStringLiteral("9999"));
        f.clickSpin(IDC_NUMBER_SPIN, true);
        QCOMPARE(f.current()->m_nNumber, 9999);
        f.clickSpin(IDC_NUMBER_SPIN, false);
        QCOMPARE(f.number()->text(), QStringLiteral("9998"));
        QCOMPARE(f.current()->m_nNumber, 9998);
        f.typeInto(f.number(), QStringLiteral("0"));
        f.clickSpin(IDC_NUMBER_SPIN, false);
        QCOMPARE(f.number()->text(), QStringLiteral("0"));

        f.typeInto(f.address(), QStringLiteral("247"));
        f.clickSpin(IDC_ADDRESS_SPIN, true);
        QCOMPARE(f.address()->text(), QStringLiteral("247"));
        f.typeInto(f.address(), QStringLiteral("1"));
        f.clickSpin(IDC_ADDRESS_SPIN, false);
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
        QTest::keyClick(f.address(), Qt::Key_Up);
        QCOMPARE(f.current()->m_nAddress, 2);
        // An empty field steps from 0 into the range.
        f.typeInto(f.address(), QString());
        f.clickSpin(IDC_ADDRESS_SPIN, true);
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
    }

    void otherLocaleSeparatorsAreReadBack()
    {
        QCOMPARE(PlainSpinText(QStringLiteral("9,999")), QStringLiteral("9999"));
        QCOMPARE(PlainSpinText(QStringLiteral("1.000")), QStringLiteral("1000"));
        QCOMPARE(PlainSpinText(QStringLiteral("1000")), QString());
        QCOMPARE(PlainSpinText(QStringLiteral("12,34")), QString());
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        const QString separated = QLocale().toString(1000);
        QVERIFY(separated.size() > 4);
        QCOMPARE(PlainSpinText(separated), QStringLiteral("1000"));
        QLocale::setDefault(before);

        QCOMPARE(ReadFieldNumber(QStringLiteral("  -12ab")), -12);
        QCOMPARE(ReadFieldNumber(QStringLiteral("+7")), 7);
        QCOMPARE(ReadFieldNumber(QStringLiteral("x5")), 0);
        QCOMPARE(ReadFieldNumber(QString()), 0);
        QCOMPARE(ReadFieldNumber(QStringLiteral("99999999999")), 2147483647);
    }

    void spinsWriteLatinDigitsInEveryLocale()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.choose(IDC_PROTOCOL, 1);
        struct Restore
        {
            ~Restore() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        } restore;
        // Locales whose own digits are not 0-9, one with a separator of its own.
        for (const QLocale& locale : {QLocale(QLocale::Arabic, QLocale::Egypt), QLocale(QLocale::Persian, QLocale::Iran)}) {
            QLocale::setDefault(locale);
            f.typeInto(f.timeout(), QStringLiteral("990"));
            f.clickSpin(IDC_TIMEOUT_SPIN, true);
            QCOMPARE(f.timeout()->text(), QStringLiteral("1000"));
            QCOMPARE(f.doc()->Timeout(), 1000);
            f.typeInto(f.number(), QStringLiteral("1233"));
            f.clickSpin(IDC_NUMBER_SPIN, true);
            QCOMPARE(f.number()->text(), QStringLiteral("1234"));
            QCOMPARE(f.current()->m_nNumber, 1234);
            f.typeInto(f.address(), QStringLiteral("41"));
            f.clickSpin(IDC_ADDRESS_SPIN, true);
            QCOMPARE(f.address()->text(), QStringLiteral("42"));
            QCOMPARE(f.current()->m_nAddress, 42);
            QCOMPARE(f.status(), QStringLiteral("Ready"));
        }
    }

    void descriptionsKeepLineBreaks()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.description()->setFocus();
        QTest::keyClicks(f.description(), QStringLiteral("ab"));
        QTest::keyClick(f.description(), Qt::Key_Return);
        QTest::keyClicks(f.description(), QStringLiteral("cd"));
        QCOMPARE(f.doc()->Description(), QByteArray("ab\r\ncd"));
        QVERIFY(f.description()->hasFocus());
        QVERIFY(f.doc()->IsModified());

        f.click(IDC_INSERT);
        f.blockDescription()->setFocus();
        QTest::keyClicks(f.blockDescription(), QStringLiteral("x"));
        QTest::keyClick(f.blockDescription(), Qt::Key_Enter);
        QTest::keyClicks(f.blockDescription(), QStringLiteral("y"));
        QCOMPARE(f.current()->m_strDescription, QByteArray("x\r\ny"));
        QVERIFY(f.blockDescription()->hasFocus());
        // Shown again from the document with the same line breaks.
        f.click(IDC_INSERT);
        QCOMPARE(f.blockDescription()->Text(), QString());
        f.click(IDC_PREVIEW);
        QCOMPARE(f.blockDescription()->Text(), QStringLiteral("x\ny"));
    }

    void addressChecksAndRestores()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.typeInto(f.address(), QStringLiteral("5"));
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        QCOMPARE(f.current()->m_nAddress, 5);

        // Each digit is checked as it comes: 2 and 24 are taken, 248 not.
        f.typeInto(f.address(), QStringLiteral("248"));
        QCOMPARE(f.status(), QStringLiteral("Invalid address! Range: 1 ... 247"));
        QCOMPARE(f.address()->selectedText(), QStringLiteral("248"));
        QCOMPARE(f.current()->m_nAddress, 24);
        f.leave();
        QCOMPARE(f.address()->text(), QStringLiteral("24"));
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        f.address()->setFocus();
        f.address()->selectAll();
        QTest::keyClicks(f.address(), QStringLiteral("0"));
        QCOMPARE(f.address()->selectedText(), QStringLiteral("0"));
        // The next digit replaces the bad address.
        QTest::keyClicks(f.address(), QStringLiteral("7"));
        QCOMPARE(f.address()->text(), QStringLiteral("7"));
        QCOMPARE(f.current()->m_nAddress, 7);
        QCOMPARE(f.status(), QStringLiteral("Ready"));

        for (const char* bad : {"0", ""}) {
            f.typeInto(f.address(), QString::fromLatin1(bad));
            QCOMPARE(f.status(), QStringLiteral("Invalid address! Range: 1 ... 247"));
            QCOMPARE(f.current()->m_nAddress, 7);
        }
        f.leave();
        QCOMPARE(f.address()->text(), QStringLiteral("7"));
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        f.typeInto(f.address(), QStringLiteral("247"));
        QCOMPARE(f.current()->m_nAddress, 247);
        f.typeInto(f.address(), QStringLiteral("1"));
        QCOMPARE(f.current()->m_nAddress, 1);
        QVERIFY(f.interaction.messages.isEmpty());
    }

    void timeoutChecksAndRestores()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.choose(IDC_PROTOCOL, 1);
        QCOMPARE(f.doc()->Timeout(), 50);
        const QString range = QStringLiteral("Invalid timeout! Range: 50 ... 1000 msec");

        f.typeInto(f.timeout(), QString());
        QCOMPARE(f.status(), range);
        QTest::keyClicks(f.timeout(), QStringLiteral("1"));
        QCOMPARE(f.status(), range);
        QTest::keyClicks(f.timeout(), QStringLiteral("2"));
        QCOMPARE(f.status(), range);
        QCOMPARE(f.doc()->Timeout(), 50);
        // Not selected, unlike the address.
        QVERIFY(!f.timeout()->hasSelectedText());
        f.leave();
        QCOMPARE(f.timeout()->text(), QStringLiteral("50"));
        QCOMPARE(f.status(), QStringLiteral("Ready"));

        f.typeInto(f.timeout(), QStringLiteral("120"));
        QCOMPARE(f.doc()->Timeout(), 120);
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        f.typeInto(f.timeout(), QStringLiteral("49"));
        QCOMPARE(f.status(), range);
        QCOMPARE(f.doc()->Timeout(), 120);
        f.typeInto(f.timeout(), QStringLiteral("1000"));
        QCOMPARE(f.doc()->Timeout(), 1000);
        f.typeInto(f.timeout(), QStringLiteral("1001"));
        QCOMPARE(f.status(), range);
        QCOMPARE(f.doc()->Timeout(), 100);   // the last value taken on the way
        f.leave();
        QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        QVERIFY(f.interaction.messages.isEmpty());
    }

    void modifiedOnlyByRealChanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plant.qzm"));
        FileSettings s;
        s.protocol = 1;
        s.timeout = 300;
        WriteTestFile(path, QzmFileBytes(s, {{"", 5, 1, 1}, {"", 6, 13, 0}}, {}));
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.app->OpenDocumentFile(path));
        QVERIFY(!f.doc()->IsModified());

        // Equal values, navigation and the refresh write nothing.
        f.typeInto(f.address(), QStringLiteral("5"));
        f.typeInto(f.number(), QStringLiteral("1"));
        // 3 and 30 are refused on the way, so nothing is stored.
        f.typeInto(f.timeout(), QStringLiteral("300"));
        f.leave();
        QTest::mouseClick(f.radio(IDC_PARAMETER), Qt::LeftButton);
        f.click(IDC_NEXT);
        f.click(IDC_PREVIEW);
        f.clickTab(1);
        f.clickTab(0);
        f.view()->OnUpdate(nullptr, 0, f.current());
        f.choose(IDC_PROTOCOL, 1);
        f.choose(IDC_BAUDRATE, 1);
        f.choose(IDC_PARITY, 0);
        QVERIFY(!f.doc()->IsModified());

        f.typeInto(f.address(), QStringLiteral("7"));
        QVERIFY(f.doc()->IsModified());
        QCOMPARE(f.doc()->ReadBlocks().at(0)->m_nAddress, 7);
        // Typing the saved value again leaves the document modified.
        f.typeInto(f.address(), QStringLiteral("5"));
        QCOMPARE(f.doc()->ReadBlocks().at(0)->m_nAddress, 5);
        QVERIFY(f.doc()->IsModified());
    }

    void radioButtonsAndListsStoreTheirChoice()
    {
        EditorFixture f;
        QVERIFY(f.started);
        f.click(IDC_INSERT);
        f.doc()->SetModifiedFlag(false);
        QVERIFY(f.radio(IDC_PARAMETER)->isChecked());
        QTest::mouseClick(f.radio(IDC_PARAMETER), Qt::LeftButton);
        QVERIFY(!f.doc()->IsModified());
        QTest::mouseClick(f.radio(IDC_BASIC_VARIABLE), Qt::LeftButton);
        QVERIFY(f.radio(IDC_BASIC_VARIABLE)->isChecked());
        QVERIFY(!f.radio(IDC_PARAMETER)->isChecked());
        QCOMPARE(f.current()->m_bParameter, 0);
        QVERIFY(f.doc()->IsModified());
        QTest::mouseClick(f.radio(IDC_PARAMETER), Qt::LeftButton);
        QVERIFY(!f.radio(IDC_BASIC_VARIABLE)->isChecked());
        QCOMPARE(f.current()->m_bParameter, 1);

        f.choose(IDC_PROTOCOL, 1);
        const QString timeoutShown = f.timeout()->text();
        f.choose(IDC_BAUDRATE, 0);
        QCOMPARE(f.doc()->BaudRate(), 0);
        QCOMPARE(f.view()->GetBaudRateSelection(), 0);
        auto* access = dynamic_cast<CQZMFormAccess*>(f.doc()->GetFirstView());
        QVERIFY(access);
        QCOMPARE(access->GetBaudRateSelection(), 0);
        f.choose(IDC_PARITY, 2);
        QCOMPARE(f.doc()->Parity(), 2);
        // Neither list changes any other control.
        QCOMPARE(f.combo(IDC_BAUDRATE)->currentIndex(), 0);
        QCOMPARE(f.combo(IDC_PROTOCOL)->currentIndex(), 1);
        QCOMPARE(f.timeout()->text(), timeoutShown);

        // A list left without a selection gets the stored value back.
        f.combo(IDC_PARITY)->setFocus();
        f.combo(IDC_PARITY)->setCurrentIndex(-1);
        f.leave();
        QCOMPARE(f.combo(IDC_PARITY)->currentIndex(), 2);
        QCOMPARE(f.doc()->Parity(), 2);
    }

    void wheelChangesAListOnlyWithTheFocus()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QComboBox* protocol = f.combo(IDC_PROTOCOL);
        // Returns whether the list kept the wheel for itself.
        auto turnWheel = [](QWidget* w) {
            const QPointF at = QRectF(w->rect()).center();
            QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            wheel.setAccepted(true);
            QApplication::sendEvent(w, &wheel);
            return wheel.isAccepted();
        };
        f.description()->setFocus();
        // Declined, so it goes on to scroll the form.
        QVERIFY(!turnWheel(protocol));
        QCOMPARE(protocol->currentIndex(), 0);
        QCOMPARE(f.doc()->Protocol(), 0);
        QVERIFY(!f.doc()->IsModified());

        protocol->setFocus();
        QVERIFY(turnWheel(protocol));
        QCOMPARE(protocol->currentIndex(), 1);
        QCOMPARE(f.doc()->Protocol(), 1);
        QVERIFY(f.doc()->IsModified());
    }

    void disabledFieldsStoreNothing()
    {
        EditorFixture f;
        QVERIFY(f.started);
        // Empty list: the Block Memory fields show defaults and are disabled.
        QVERIFY(!f.address()->isEnabled());
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
        QCOMPARE(f.number()->text(), QStringLiteral("0"));
        QVERIFY(f.radio(IDC_PARAMETER)->isChecked());
        QTest::keyClicks(f.address(), QStringLiteral("9"));
        QTest::keyClicks(f.blockDescription(), QStringLiteral("x"));
        QTest::mouseClick(f.radio(IDC_BASIC_VARIABLE), Qt::LeftButton);
        QTest::keyClicks(f.timeout(), QStringLiteral("5"));
        f.clickSpin(IDC_TIMEOUT_SPIN, true);
        QCOMPARE(f.address()->text(), QStringLiteral("1"));
        QVERIFY(f.radio(IDC_PARAMETER)->isChecked());
        QCOMPARE(f.timeout()->text(), QStringLiteral("100"));
        QVERIFY(f.doc()->ReadBlocks().isEmpty());
        QVERIFY(!f.doc()->IsModified());
    }
};

QTEST_MAIN(TestEditorForm)
#include "tst_editorform.moc"
