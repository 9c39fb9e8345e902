// View > Transfer Monitor: reached from the menu, following a running Send
// All, and its Copy, Save and Clear.
#include "TransferTestSupport.h"

#include "app/QZMApp.h"
#include "frame/MainFrame.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/ConfigTransfer.h"
#include "transfer/SendAll.h"
#include "transfer/TransferHistory.h"
#include "transfer/TransferMonitor.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {
QList<QByteArray> Replies(int nBlocks)
{
    QList<QByteArray> list;
    for (int i = 0; i < 3 + nBlocks; ++i)
        list << HexBytes("02 06");
    list.last() = HexBytes("02 04");
    return list;
}

QString Cell(CTransferMonitor* monitor, int row, int column)
{
    QAbstractItemModel* model = monitor->Table()->model();
    return model->data(model->index(row, column)).toString();
}

void Click(CTransferMonitor* monitor, const char* name)
{
    auto* button = monitor->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

class TestTransferMonitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitTestEnvironment();
        qputenv("QZM_COM1", "/dev/scripted-com1");
    }

    void followsARunningTransfer()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        frame->show();
        CQZMDoc* doc = app.GetQZMDoc();
        FillDocument(*doc, 3, 2);

        // In the View menu after a separator; the other items as they were.
        QMenu* viewMenu = nullptr;
        for (QAction* action : frame->menuBar()->actions())
            if (action->text() == QLatin1String("&View"))
                viewMenu = action->menu();
        QVERIFY(viewMenu);
        const QList<QAction*> items = viewMenu->actions();
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0]->text(), QStringLiteral("&Toolbar"));
        QCOMPARE(items[1]->text(), QStringLiteral("&Status Bar"));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3]->text(), QStringLiteral("Transfer &Monitor"));
        frame->UpdateCommandStates();
        QVERIFY(items[3]->isEnabled());
        items[3]->trigger();
        CTransferMonitor* monitor = app.GetTransferMonitor();
        QVERIFY(monitor);
        QVERIFY(QTest::qWaitForWindowExposed(monitor));
        QCOMPARE(monitor->windowTitle(), QStringLiteral("Transfer Monitor"));
        QCOMPARE(monitor->Table()->model()->rowCount(), 0);
        QVERIFY(!monitor->findChild<QPushButton*>(QStringLiteral("IDC_COPY"))->isEnabled());

        // Every row shows up while the transfer runs: at each write the
        // telegram going out is the last row, waiting, and in sight.
        monitor->Model()->SetRepaintInterval(0);
        LinkScript script;
        script.replies = Replies(5);
        QStringList atWrite;
        script.onWrite = [&](const QByteArray& bytes) {
            QTableView* table = monitor->Table();
            const int rows = table->model()->rowCount();
            const QRect last = table->visualRect(table->model()->index(rows - 1, 0));
            atWrite << QStringLiteral("%1 %2 %3 %4")
                           .arg(rows)
                           .arg(Cell(monitor, rows - 1, CTransferMonitorModel::Sent) == QString::fromLatin1(bytes.toHex(' ').toUpper()))
                           .arg(Cell(monitor, rows - 1, CTransferMonitorModel::Judgement))
                           .arg(table->viewport()->rect().contains(last));
        };
        doc->SetSendAllHandler([&](CQZMDoc& d) {
            SendAllFromWindowOverLink(d, std::make_unique<ScriptedLink>(script), &app.TransferHistory());
        });
        QVERIFY(frame->SendCommand(ID_SEND_ALL));
        QVERIFY(interaction.messages.isEmpty());
        QCOMPARE(atWrite.size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(atWrite[i], QStringLiteral("%1 1 waiting 1").arg(i + 1));
        QCOMPARE(monitor->Table()->model()->rowCount(), 8);
        QCOMPARE(Cell(monitor, 7, CTransferMonitorModel::Judgement), QStringLiteral("last block"));
        QCOMPARE(Cell(monitor, 0, CTransferMonitorModel::Received), QStringLiteral("02 06"));
        QVERIFY(monitor->findChild<QLabel*>(QStringLiteral("IDC_OUTCOME"))->text().startsWith(QStringLiteral("Outcome: ok")));

        // At the default pace the rows still all arrive, and a refusal is
        // on screen when its message box comes up; the detail text has the
        // last exchanges in short, the message its own text.
        monitor->Model()->SetRepaintInterval(CTransferMonitorModel::kRepaintIntervalMs);
        script = LinkScript();
        script.replies = Replies(5);
        script.replies[4] = HexBytes("02 15");
        // The outcome shows with the box, and the time the box stays up is
        // not the transfer's.
        QStringList atMessage;
        auto* outcome = monitor->findChild<QLabel*>(QStringLiteral("IDC_OUTCOME"));
        auto* transfers = monitor->findChild<QComboBox*>(QStringLiteral("IDC_TRANSFERS"));
        QString outcomeAtMessage, titleAtMessage;
        interaction.SetMessageObserver([&](const MessageRequest&) {
            const int rows = monitor->Table()->model()->rowCount();
            atMessage << QStringLiteral("%1 %2").arg(rows).arg(Cell(monitor, rows - 1, CTransferMonitorModel::Judgement));
            outcomeAtMessage = outcome->text();
            titleAtMessage = transfers->currentText();
            QTest::qWait(50); // the user reads the message
        });
        QVERIFY(frame->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.MessageTexts(), QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
        QCOMPARE(atMessage, QStringList{QStringLiteral("5 rejected")});
        QVERIFY2(outcomeAtMessage.startsWith(QStringLiteral("Outcome: failed after ")), qPrintable(outcomeAtMessage));
        QCOMPARE(outcome->text(), outcomeAtMessage);
        QVERIFY2(!titleAtMessage.contains(QStringLiteral("running")), qPrintable(titleAtMessage));
        const QString detail = interaction.messages[0].detailedText;
        QVERIFY2(detail.contains(QStringLiteral("#5 block at ")) && detail.contains(QStringLiteral("received 02 15: rejected")),
                 qPrintable(detail));
        QVERIFY(detail.contains(QStringLiteral("#2 sizes")));
        QVERIFY(!detail.contains(QStringLiteral("#1 request")));
        QVERIFY(detail.contains(QStringLiteral("Transfer Monitor")));
        // The refused block is named by its entry, drawn in a colour that
        // reads on a light and on a dark palette; the window is a window
        // to a screen reader.
        QCOMPARE(Cell(monitor, 3, CTransferMonitorModel::Telegram), QStringLiteral("Read 1"));
        QCOMPARE(Cell(monitor, 4, CTransferMonitorModel::Telegram), QStringLiteral("Read 2"));
        const QModelIndex refused = monitor->Model()->index(4, CTransferMonitorModel::Judgement);
        QCOMPARE(monitor->Model()->data(refused, Qt::ForegroundRole).value<QColor>(),
                 CTransferMonitorModel::RefusalColorFor(QGuiApplication::palette()));
        QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x25, 0x25, 0x25));
        dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
        dark.setColor(QPalette::AlternateBase, QColor(0x35, 0x35, 0x35));
        QPalette light(Qt::white);
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::AlternateBase, QColor(0xf4, 0xf0, 0xe8));
        light.setColor(QPalette::Text, Qt::black);
        for (const QPalette& palette : {dark, light, QPalette(QColor(0x80, 0x80, 0x80))}) {
            const QColor red = CTransferMonitorModel::RefusalColorFor(palette);
            for (QPalette::ColorRole role : {QPalette::Base, QPalette::AlternateBase}) {
                const QColor back = palette.color(role);
                auto lum = [](const QColor& c) {
                    auto f = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
                    return 0.2126 * f(c.redF()) + 0.7152 * f(c.greenF()) + 0.0722 * f(c.blueF());
                };
                const double contrast =
                    (std::max(lum(red), lum(back)) + 0.05) / (std::min(lum(red), lum(back)) + 0.05);
                QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3").arg(red.name(), back.name()).arg(contrast)));
            }
            if (palette != dark && palette != light)
                continue;
            QVERIFY2(red.red() > 2 * red.green(), qPrintable(red.name())); // still a red, not the text colour
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(monitor)->role(), QAccessible::Window);

        QCOMPARE(transfers->count(), 2);
        QCOMPARE(transfers->currentIndex(), 1);
        QVERIFY2(transfers->currentText().contains(CStringTable::Load(IDS_FAIL_READ_DATA)), qPrintable(transfers->currentText()));
        QCOMPARE(monitor->Table()->model()->rowCount(), 5);

        // Copy, and Save writes what Copy copies; CSV when asked for.
        QGuiApplication::clipboard()->clear();
        Click(monitor, "IDC_COPY");
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, monitor->ShownText());
        QCOMPARE(copied.count(QLatin1Char('\n')), 1 + 5 + 1);
        QVERIFY(copied.contains(QStringLiteral("Outcome: failed after ")));
        QVERIFY(copied.contains(CStringTable::Load(IDS_FAIL_READ_DATA)));
        QTemporaryDir dir;
        const QString text = dir.filePath(QStringLiteral("record.txt"));
        const QString csv = dir.filePath(QStringLiteral("record.csv"));
        interaction.QueueFile(text);
        interaction.QueueFile(csv);
        interaction.QueueFile(std::nullopt);
        Click(monitor, "IDC_SAVE");
        Click(monitor, "IDC_SAVE");
        Click(monitor, "IDC_SAVE");
        QVERIFY(interaction.AllAnswersUsed());
        QCOMPARE(interaction.fileDialogs.size(), 3);
        QCOMPARE(interaction.fileDialogs[0].mode, FileDialogRequest::Mode::Save);
        QCOMPARE(ReadTestFile(text), copied.toUtf8());
        const QList<QByteArray> rows = ReadTestFile(csv).split('\n');
        QCOMPARE(rows.first(), QByteArray("number,time_ms,telegram,sent,received,after,reply_ms,judgement,message\r"));
        QCOMPARE(rows.size(), 1 + 1 + 5 + 1 + 1);
        QVERIFY(rows[6].startsWith("5,") && rows[6].contains(",02 15,") && rows[6].contains(",rejected,"));

        // The earlier transfer can still be looked at; Clear empties all.
        transfers->setCurrentIndex(0);
        emit transfers->activated(0);
        QCOMPARE(monitor->Table()->model()->rowCount(), 8);
        QCOMPARE(Cell(monitor, 7, CTransferMonitorModel::Telegram), QStringLiteral("Write 2 (last block)"));
        Click(monitor, "IDC_CLEAR");
        QCOMPARE(transfers->count(), 0);
        QCOMPARE(monitor->Table()->model()->rowCount(), 0);
        QVERIFY(app.TransferHistory().Records().isEmpty());
        QVERIFY(!monitor->findChild<QPushButton*>(QStringLiteral("IDC_SAVE"))->isEnabled());

        // Choosing the menu item again brings the same window back.
        monitor->close();
        QVERIFY(frame->SendCommand(ID_VIEW_TRANSFER_MONITOR));
        QCOMPARE(app.GetTransferMonitor(), monitor);
        QVERIFY(monitor->isVisible());
    }

    void keepsTheLastTransfers()
    {
        CTransferHistory history;
        CTransferMonitor monitor(history);
        CQZMDoc doc;
        FillDocument(doc, 1, 0);
        for (int i = 0; i < CTransferHistory::kKeptTransfers + 3; ++i) {
            LinkScript script;
            script.replies = Replies(1);
            script.replies[0] = i % 2 ? HexBytes("02 15") : HexBytes("02 06");
            RecordingProgress progress;
            CConfigTransfer transfer(&doc, progress, std::make_unique<ScriptedLink>(script));
            transfer.SetObserver(&history);
            RunConfigTransfer(transfer);
        }
        auto* transfers = monitor.findChild<QComboBox*>(QStringLiteral("IDC_TRANSFERS"));
        QCOMPARE(transfers->count(), CTransferHistory::kKeptTransfers);
        QCOMPARE(transfers->currentIndex(), CTransferHistory::kKeptTransfers - 1);
        // The newest (the 8th) failed at the request.
        QCOMPARE(monitor.Table()->model()->rowCount(), 1);
        QCOMPARE(Cell(&monitor, 0, CTransferMonitorModel::Judgement), QStringLiteral("rejected"));
    }
};

QTEST_MAIN(TestTransferMonitor)
#include "tst_transfer_monitor.moc"
