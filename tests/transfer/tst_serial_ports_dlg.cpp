// The Serial Ports dialog: reached from the menu, showing and storing the
// device behind COM1..COM4, driven by the keyboard, with a fixed port list.
#include "SimProcess.h"
#include "TransferTestSupport.h"

#include "app/QZMApp.h"
#include "frame/MainFrame.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPortsDlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QHeaderView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QTest>

namespace {
QString Stored(int n)
{
    return QSettings().value(QStringLiteral("Serial Ports/COM%1").arg(n)).toString();
}

QPushButton* OkButton(CSerialPortsDlg& dlg)
{
    return dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

SerialPortEntry Adapter(const QString& device, const QString& stableName)
{
    SerialPortEntry entry;
    entry.device = device;
    entry.stableName = stableName;
    entry.description = QStringLiteral("Test USB UART");
    entry.manufacturer = QStringLiteral("Zelvra Test");
    entry.vendorId = 0x0403;
    entry.productId = 0x6001;
    entry.serialNumber = QStringLiteral("A50285BI");
    return entry;
}
} // namespace

class TestSerialPortsDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { ForgetPortMappings(); }

    void storesStableNameAndTheLinkOpensIt()
    {
        // The adapter is qzm-sim; its stable name a link as udev makes it.
        SimProcess sim;
        QVERIFY(sim.Start());
        QTemporaryDir dir;
        const QString byId = dir.filePath(QStringLiteral("usb-Zelvra_Test_USB_UART_A50285BI-if00-port0"));
        QVERIFY(QFile::link(sim.Port(), byId));
        CFixedPortDiscovery discovery({Adapter(sim.Port(), byId)});

        CSerialPortsDlg dlg(discovery);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QVERIFY(dlg.StateLabel(2)->text().contains(QStringLiteral("Now opens %1, chosen by the system's default")
                                                       .arg(SystemDefaultPort(2))));
        QCOMPARE(dlg.PortBox(2)->currentIndex(), 0);
        QCOMPARE(dlg.PortList()->topLevelItemCount(), 1);
        QCOMPARE(dlg.PortList()->topLevelItem(0)->text(3), QStringLiteral("0403:6001"));
        QCOMPARE(dlg.PortList()->topLevelItem(0)->text(5), byId);

        // Keyboard only: Alt+2 goes to COM2, Down picks the adapter,
        // Enter keeps the choice.
        QTest::keyClick(&dlg, Qt::Key_2, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), dlg.PortBox(2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(dlg.PortBox(2)->currentIndex(), 1);
        QVERIFY(dlg.PortBox(2)->currentText().contains(QStringLiteral("Test USB UART")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Stored(2), byId);
        QVERIFY(Stored(1).isEmpty() && Stored(3).isEmpty() && Stored(4).isEmpty());

        // Send All on COM2 opens the device through the stored name.
        CQZMDoc doc;
        FillDocument(doc, 3, 2);
        doc.SetSerialPort(2);
        RecordingProgress progress;
        CConfigTransfer transfer(&doc, progress);
        QVERIFY2(RunConfigTransfer(transfer), qPrintable(progress.details.join(QLatin1Char('\n'))));
        QCOMPARE(transfer.PortDevice(), byId);
        CompareWithDocument(sim.Received(), doc);

        // Opened again, the dialog shows the choice and what it leads to.
        CSerialPortsDlg again(discovery);
        QCOMPARE(again.PortBox(2)->currentIndex(), 1);
        QCOMPARE(again.Choice(2), byId);
        QVERIFY2(again.StateLabel(2)->text().contains(QStringLiteral("chosen by the settings entry \"Serial Ports/COM2\"")),
                 qPrintable(again.StateLabel(2)->text()));
        QVERIFY(again.StateLabel(2)->text().contains(QStringLiteral("Test USB UART")));
    }

    void typedChoices()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyUSB7"));
        WriteTestFile(device, {});
        const QString byId = dir.filePath(QStringLiteral("usb-Test-if00"));
        QVERIFY(QFile::link(device, byId));
        CFixedPortDiscovery discovery({Adapter(device, byId)});
        QSettings().setValue(QStringLiteral("Serial Ports/COM4"), QStringLiteral("/dev/ttyS9"));

        ScriptedInteraction interaction;
        CSerialPortsDlg dlg(discovery);
        // A stored path that is not in the list stays as written.
        QCOMPARE(dlg.PortBox(4)->currentText(), QStringLiteral("/dev/ttyS9"));
        QCOMPARE(dlg.Choice(4), QStringLiteral("/dev/ttyS9"));

        // A network address without a port is refused; nothing is stored.
        dlg.PortBox(3)->setEditText(QStringLiteral("tcp://plant-gw"));
        OkButton(dlg)->click();
        QCOMPARE(interaction.messages.size(), 1);
        QVERIFY2(interaction.messages[0].text.startsWith(QStringLiteral("COM3: tcp://plant-gw is no network port")),
                 qPrintable(interaction.messages[0].text));
        QVERIFY(!dlg.result());
        QVERIFY(Stored(3).isEmpty());

        // Any path or address may be typed; the device's own path is kept
        // by its stable name; the first entry gives the default back.
        dlg.PortBox(3)->setEditText(QStringLiteral(" tcp://plant-gw:4001 "));
        dlg.PortBox(1)->setEditText(device);
        dlg.PortBox(4)->setCurrentIndex(0);
        OkButton(dlg)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Stored(3), QStringLiteral("tcp://plant-gw:4001"));
        QCOMPARE(Stored(1), byId);
        QVERIFY(!QSettings().contains(QStringLiteral("Serial Ports/COM4")));

        // Cancel keeps what was there.
        CSerialPortsDlg cancelled(discovery);
        cancelled.PortBox(3)->setEditText(QStringLiteral("/dev/other"));
        cancelled.reject();
        QCOMPARE(Stored(3), QStringLiteral("tcp://plant-gw:4001"));
    }

    void refreshAndEnvironment()
    {
        qputenv("QZM_COM1", "/dev/from-env");
        CFixedPortDiscovery discovery;
        CSerialPortsDlg dlg(discovery);
        QVERIFY2(dlg.StateLabel(1)->text().contains(
                     QStringLiteral("Now opens /dev/from-env, chosen by the environment variable QZM_COM1 "
                                    "(it overrides the choice above); not present now.")),
                 qPrintable(dlg.StateLabel(1)->text()));
        QCOMPARE(dlg.PortList()->topLevelItemCount(), 1);
        QCOMPARE(dlg.PortList()->topLevelItem(0)->text(0), QStringLiteral("No serial port found"));
        QCOMPARE(dlg.PortBox(1)->count(), 1);

        // An adapter plugged in while the dialog is open appears on
        // Refresh; what the user typed meanwhile stays.
        dlg.PortBox(2)->setEditText(QStringLiteral("/dev/typed"));
        discovery.SetPorts({Adapter(QStringLiteral("/dev/ttyACM0"), {})});
        dlg.RefreshButton()->click();
        QCOMPARE(dlg.PortList()->topLevelItemCount(), 1);
        QCOMPARE(dlg.PortList()->topLevelItem(0)->text(0), QStringLiteral("/dev/ttyACM0"));
        // QZM_COM1 decides: its box shows that, and keeps no other choice.
        QCOMPARE(dlg.PortBox(1)->count(), 1);
        QCOMPARE(dlg.PortBox(1)->currentText(), QStringLiteral("/dev/from-env (set by QZM_COM1)"));
        QVERIFY(!dlg.PortBox(1)->isEnabled());
        QCOMPARE(dlg.PortBox(2)->count(), 2);
        QCOMPARE(dlg.PortBox(2)->currentText(), QStringLiteral("/dev/typed"));

        // Every control can be named by a screen reader.
        for (QWidget* w : dlg.findChildren<QWidget*>()) {
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QTreeWidget*>(w) || qobject_cast<QLineEdit*>(w))
                QVERIFY2(!w->accessibleName().isEmpty(), w->metaObject()->className());
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                QVERIFY2(!button->accessibleName().isEmpty() || !button->text().isEmpty(), qPrintable(button->text()));
        }
    }

    void notesTryAndTakeAPort()
    {
        qunsetenv("QZM_COM1");
        QSettings().remove(QStringLiteral("Serial Ports"));
        CFixedPortDiscovery discovery({Adapter(QStringLiteral("/dev/ttyACM0"), {}),
                                       Adapter(QStringLiteral("/dev/ttyACM1"), {})});
        CSerialPortsDlg dlg(discovery);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));

        // The note follows what is typed, and reaches a screen reader by
        // its own text.
        dlg.PortBox(2)->setEditText(QStringLiteral("/dev/typed"));
        QVERIFY2(dlg.StateLabel(2)->text().startsWith(QStringLiteral("Will open /dev/typed once OK keeps this choice")),
                 qPrintable(dlg.StateLabel(2)->text()));
        QAccessibleInterface* note = QAccessible::queryAccessibleInterface(dlg.StateLabel(2));
        QCOMPARE(note->text(QAccessible::Name), dlg.StateLabel(2)->text());

        // Every note and header shows whole.
        for (QLabel* label : dlg.findChildren<QLabel*>())
            if (label->wordWrap())
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
        QHeaderView* header = dlg.PortList()->header();
        for (int column = 0; column < header->count(); ++column)
            QVERIFY(header->sectionSize(column) >= header->sectionSizeHint(column));
        QVERIFY(header->length() <= dlg.PortList()->viewport()->width());

        // Try opens the device the choice leads to and closes it again.
        LinkScript script;
        dlg.SetLinkFactory([&] { return std::make_unique<ScriptedLink>(script); });
        QVERIFY(dlg.TryButton(2)->isEnabled());
        QTest::mouseClick(dlg.TryButton(2), Qt::LeftButton);
        QCOMPARE(script.devicesOpened, QStringList{QStringLiteral("/dev/typed")});
        QVERIFY(!script.open);
        QVERIFY2(dlg.StateLabel(2)->text().endsWith(QStringLiteral("\nTried now: /dev/typed opens at 9600 baud, 8N1 (closed again).")),
                 qPrintable(dlg.StateLabel(2)->text()));
        script.openResult = CSerialLink::OpenResult::OpenFailed;
        script.openError = QStringLiteral("Permission denied");
        QCOMPARE(dlg.TryPort(1), QStringLiteral("Tried now: %1 does not open: Permission denied").arg(SystemDefaultPort(1)));

        // A found port goes to the COM last worked on: by the button or a
        // double-click on its row.
        dlg.PortBox(3)->setFocus();
        QCOMPARE(dlg.UseButton()->text(), QStringLiteral("&Use for COM3"));
        dlg.PortList()->setCurrentItem(dlg.PortList()->topLevelItem(1));
        QTest::mouseClick(dlg.UseButton(), Qt::LeftButton);
        QCOMPARE(dlg.Choice(3), QStringLiteral("/dev/ttyACM1"));
        dlg.PortBox(4)->setFocus();
        QTreeWidgetItem* first = dlg.PortList()->topLevelItem(0);
        const QPoint row = dlg.PortList()->visualItemRect(first).center();
        QTest::mousePress(dlg.PortList()->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(dlg.PortList()->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(dlg.Choice(4), QStringLiteral("/dev/ttyACM0"));
        QVERIFY(dlg.StateLabel(4)->text().startsWith(QStringLiteral("Will open /dev/ttyACM0")));
    }

    void reachedFromTheMenu()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        app.SetPortDiscovery(std::make_unique<CFixedPortDiscovery>(
            QList<SerialPortEntry>{Adapter(QStringLiteral("/dev/ttyUSB0"), {})}));
        CMainFrame* frame = app.GetMainFrame();
        QMenu* ports = nullptr;
        for (QAction* top : frame->menuBar()->actions())
            if (top->menu())
                for (QAction* a : top->menu()->actions())
                    if (a->text() == QLatin1String("Serial Port Number"))
                        ports = a->menu();
        QVERIFY(ports);
        const QList<QAction*> items = ports->actions();
        QCOMPARE(items.size(), 6);
        QVERIFY(items[4]->isSeparator());
        QCOMPARE(items[5]->text(), QStringLiteral("Serial Ports..."));
        QCOMPARE(CStringTable::Load(ID_SERIAL_PORTS).section(QLatin1Char('\n'), 1), QStringLiteral("Serial Ports"));

        CSerialPortsDlg* shown = nullptr;
        interaction.SetModalHandler([&](QWidget* w) {
            shown = qobject_cast<CSerialPortsDlg*>(w);
            if (!shown)
                return int(QDialog::Rejected);
            // The fixed list reached the dialog; keep a choice.
            if (shown->PortList()->topLevelItem(0)->text(0) != QLatin1String("/dev/ttyUSB0"))
                return int(QDialog::Rejected);
            shown->PortBox(3)->setCurrentIndex(1);
            shown->accept();
            return shown->result();
        });
        items[5]->trigger();
        QVERIFY(shown);
        QCOMPARE(Stored(3), QStringLiteral("/dev/ttyUSB0"));
        // The document's own port number is untouched.
        QVERIFY(!app.GetQZMDoc()->IsModified());
    }
};

QTEST_MAIN(TestSerialPortsDlg)
#include "tst_serial_ports_dlg.moc"
