// What a screen reader and a keyboard user find on the form and around it.
#include "EditorFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

namespace {
QString Name(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

QString Describe(QAccessibleInterface* iface)
{
    QObject* object = iface->object();
    return QStringLiteral("%1 (%2, role %3)")
        .arg(object ? object->objectName() : QStringLiteral("?"))
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"))
        .arg(int(iface->role()));
}

// Every interface below root, depth first.
void Walk(QAccessibleInterface* iface, QList<QAccessibleInterface*>& out, int depth = 0)
{
    if (!iface || depth > 40)
        return;
    out << iface;
    for (int i = 0; i < iface->childCount(); ++i)
        Walk(iface->child(i), out, depth + 1);
}

// The mnemonic letter of a text ("&File" gives f), or a null character.
QChar Mnemonic(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return {};
}
} // namespace

class TestFormAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void noFocusableControlIsUnnamed()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QList<QAccessibleInterface*> all;
        Walk(QAccessible::queryAccessibleInterface(f.frame()), all);
        QStringList unnamed;
        QSet<QObject*> reached;
        for (QAccessibleInterface* iface : std::as_const(all)) {
            reached << iface->object();
            const QAccessible::State state = iface->state();
            if (state.focusable && !state.invisible && iface->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << Describe(iface);
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("; "))));
        // The walk did reach the form and the toolbar.
        for (int id : {IDC_DESCRIPTION, IDC_BAUDRATE, IDC_TIMEOUT, IDC_ADDRESS, IDC_PARAMETER, IDC_PROTOCOL})
            QVERIFY2(reached.contains(f.view()->GetDlgItem(id)), qPrintable(QString::number(id)));
        QVERIFY(reached.contains(f.tabs()));
        QVERIFY(reached.contains(f.frame()->findChild<QToolBar*>()));
    }

    void controlsAreNamedAfterTheirLabels()
    {
        EditorFixture f;
        QVERIFY(f.started);
        const std::pair<int, const char*> names[] = {
            {IDC_DESCRIPTION, "Description of this QZM"},
            {IDC_BAUDRATE, "Baudrate"},
            {IDC_PARITY, "Parity"},
            {IDC_TIMEOUT, "Timeout"},
            {IDC_BM_DESCRIPTION, "Description"},
            {IDC_ADDRESS, "Address in network"},
            {IDC_NUMBER, "Parameter/Variable number"},
            {IDC_PROTOCOL, "Protocol"},
            {IDC_PREVIEW, "Preview"},
            {IDC_BASIC_VARIABLE, "Basic Variable"},
        };
        for (const auto& [id, name] : names)
            QCOMPARE(Name(f.view()->GetDlgItem(id)), QString::fromLatin1(name));

        // A list is named by its label and reads its choice as its value,
        // also after the choice changes.
        QAccessibleInterface* baud = QAccessible::queryAccessibleInterface(f.combo(IDC_BAUDRATE));
        QCOMPARE(baud->role(), QAccessible::ComboBox);
        QCOMPARE(baud->text(QAccessible::Value), QString("19200"));
        f.choose(IDC_PROTOCOL, 1);
        f.choose(IDC_BAUDRATE, 0);
        QCOMPARE(baud->text(QAccessible::Name), QString("Baudrate"));
        QCOMPARE(baud->text(QAccessible::Value), QString("9600"));
        // A label is the relation a reader follows, too.
        bool labelled = false;
        for (const auto& relation : baud->relations(QAccessible::Label))
            labelled = labelled || relation.first->text(QAccessible::Name).contains(QLatin1String("Baudrate"));
        QVERIFY(labelled);

        QCOMPARE(Name(f.spin(IDC_TIMEOUT_SPIN)->UpButton()), QString("Increase Timeout"));
        QCOMPARE(Name(f.spin(IDC_ADDRESS_SPIN)->DownButton()), QString("Decrease Address in network"));
        // The tab strip around the Block Memory controls; its tab row is
        // named after the tab shown, as Qt names every tab row.
        QCOMPARE(Name(f.control<CTabStrip>(IDC_TAB)), QString("Block Memory lists"));
        QCOMPARE(Name(f.tabs()), QString("Read"));
        QVERIFY(!QAccessible::queryAccessibleInterface(f.control<CTabStrip>(IDC_TAB))->text(QAccessible::Description).isEmpty());
        QVERIFY(!QAccessible::queryAccessibleInterface(f.button(IDC_PREVIEW))->text(QAccessible::Description).isEmpty());
        QVERIFY(!QAccessible::queryAccessibleInterface(f.address())->text(QAccessible::Description).isEmpty());

        // Toolbar buttons are named as their tooltips, not as their menu texts.
        QStringList toolNames;
        for (QAction* action : f.frame()->findChild<QToolBar*>()->actions())
            if (!action->isSeparator())
                toolNames << Name(f.frame()->findChild<QToolBar*>()->widgetForAction(action));
        QCOMPARE(toolNames, QStringList({"New", "Open", "Save", "Create text file", "Send All", "About"}));
    }

    void mnemonicsReachTheFields()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(f.active);
        // Insert an entry so the Block Memory fields take the focus.
        f.click(IDC_INSERT);
        f.choose(IDC_PROTOCOL, 1);
        const std::pair<Qt::Key, QWidget*> keys[] = {
            {Qt::Key_D, f.description()},   {Qt::Key_B, f.combo(IDC_BAUDRATE)},
            {Qt::Key_Y, f.combo(IDC_PARITY)}, {Qt::Key_T, f.timeout()},
            {Qt::Key_S, f.blockDescription()}, {Qt::Key_A, f.address()},
            {Qt::Key_N, f.number()},        {Qt::Key_P, f.combo(IDC_PROTOCOL)},
        };
        for (const auto& [key, field] : keys) {
            f.leave();
            QWidget* from = QApplication::focusWidget();
            QTest::keyClick(from, key, Qt::AltModifier);
            QVERIFY2(QApplication::focusWidget() == field,
                     qPrintable(QKeySequence(key).toString() + QStringLiteral(" reached ")
                                + (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                               : QStringLiteral("nothing"))));
        }

        // The texts stay as specified, one mnemonic letter each, none twice
        // in the window: the menu bar's titles count too.
        QStringList texts;
        for (QLabel* label : f.view()->Form()->findChildren<QLabel*>())
            texts << label->text();
        for (QAction* menu : f.frame()->menuBar()->actions())
            texts << menu->text();
        QSet<QChar> seen;
        for (const QString& text : std::as_const(texts)) {
            const QChar letter = Mnemonic(text);
            if (letter.isNull())
                continue;
            QVERIFY2(!seen.contains(letter), qPrintable(text));
            seen << letter;
        }
        QVERIFY(texts.contains(QStringLiteral("&Comunicate")));
        QVERIFY(seen.size() >= 12);
    }
};

QTEST_MAIN(TestFormAccess)
#include "tst_formaccess.moc"
