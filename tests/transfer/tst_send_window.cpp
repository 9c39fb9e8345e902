// Send All from the window: the progress dialog, the wait cursor, the
// message boxes, and the real serial port against qzm-sim.
#include "SimProcess.h"
#include "TransferTestSupport.h"

#include "app/QZMApp.h"
#include "editor/QZMView.h"
#include "frame/MainFrame.h"
#include "framework/DialogUnits.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"
#include "transfer/SendAll.h"
#include "transfer/SendDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {
struct Seen
{
    QString text;
    int value = -1;
    int maximum = -1;
    bool visible = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
};

CSendDlg* FindDialog(QWidget* view)
{
    for (CSendDlg* dlg : view->findChildren<CSendDlg*>())
        if (dlg->isVisible())
            return dlg;
    return nullptr;
}

Seen Look(QWidget* view)
{
    Seen seen;
    if (CSendDlg* dlg = FindDialog(view)) {
        seen.text = dlg->m_wndStatus->text();
        seen.value = dlg->m_wndProgress->value();
        seen.maximum = dlg->m_wndProgress->maximum();
        seen.visible = true;
    }
    if (const QCursor* cursor = QGuiApplication::overrideCursor())
        seen.cursor = cursor->shape();
    return seen;
}

// Another program holding the port: the test binary run with --hold-port.
int HoldPort(const char* device)
{
    QSerialPort port(QString::fromLocal8Bit(device));
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    return 0;
}
} // namespace

class TestSendWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void dialogShowsEveryStage()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        CQZMDoc* doc = app.GetQZMDoc();
        QWidget* view = app.GetView();
        FillDocument(*doc, 3, 2);
        const QByteArray before = DocumentBytes(*doc);

        LinkScript script;
        QList<Seen> seen;
        QString caption;
        QSize size;
        QPoint pos;
        int buttons = -1;
        Qt::Alignment statusAlignment;
        QRect statusRect, barRect;
        script.onWrite = [&](const QByteArray&) {
            seen << Look(view);
            if (CSendDlg* dlg = FindDialog(view)) {
                caption = dlg->windowTitle();
                size = dlg->size();
                pos = dlg->pos();
                buttons = int(dlg->findChildren<QAbstractButton*>().size());
                statusAlignment = dlg->m_wndStatus->alignment();
                statusRect = dlg->m_wndStatus->geometry();
                barRect = dlg->m_wndProgress->geometry();
            }
        };
        script.replies = {HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 06"),
                          HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 06"), HexBytes("02 04")};
        doc->SetSendAllHandler([&script](CQZMDoc& d) {
            SendAllFromWindowOverLink(d, std::make_unique<ScriptedLink>(script));
        });
        QVERIFY(frame->SendCommand(ID_SEND_ALL));

        QVERIFY(interaction.messages.isEmpty());
        QCOMPARE(seen.size(), 8);
        const QStringList texts{CStringTable::Load(IDS_REQUEST_TRANSFER), CStringTable::Load(IDS_SENDING_SIZES),
                                CStringTable::Load(IDS_SENDING_SETTINGS)};
        for (int i = 0; i < 8; ++i) {
            QVERIFY(seen[i].visible);
            QCOMPARE(seen[i].text, i < 3 ? texts[i] : CStringTable::Load(IDS_TRANSFER_BLOCKS));
            QCOMPARE(seen[i].value, i);
            QCOMPARE(seen[i].maximum, 8);
            QCOMPARE(seen[i].cursor, Qt::WaitCursor);
        }
        QCOMPARE(caption, QStringLiteral("Sending Block Memory"));
        QCOMPARE(buttons, 0);
        QFont font = QApplication::font();
        font.setPointSize(8);
        const CDialogUnits units(font);
        QCOMPARE(size, QSize(units.X(220), units.Y(52)));
        QCOMPARE(statusAlignment, Qt::AlignCenter);
        QCOMPARE(statusRect, units.Rect(10, 10, 200, 12));
        QCOMPARE(barRect, units.Rect(10, 30, 200, 12));
        auto* scrollArea = qobject_cast<QAbstractScrollArea*>(view);
        QCOMPARE(pos, scrollArea ? scrollArea->viewport()->mapToGlobal(QPoint(0, 0)) : view->mapToGlobal(QPoint(0, 0)));

        // Afterwards: no dialog, no wait cursor, the document as it was.
        QVERIFY(!FindDialog(view));
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(DocumentBytes(*doc), before);

        // A refusal at the second of five blocks: the box appears over the
        // dialog with 5 of 8 steps shown, and an arrow cursor.
        LinkScript refusing;
        refusing.replies = script.replies;
        refusing.replies[4] = HexBytes("02 15");
        QList<Seen> atMessage;
        interaction.SetMessageObserver([&](const MessageRequest&) { atMessage << Look(view); });
        doc->SetSendAllHandler([&refusing](CQZMDoc& d) {
            SendAllFromWindowOverLink(d, std::make_unique<ScriptedLink>(refusing));
        });
        QVERIFY(frame->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.MessageTexts(), QStringList{CStringTable::Load(IDS_FAIL_READ_DATA)});
        QCOMPARE(interaction.messages[0].icon, MessageRequest::Icon::Warning);
        QCOMPARE(atMessage.size(), 1);
        QVERIFY(atMessage[0].visible);
        QCOMPARE(atMessage[0].value, 5);
        QCOMPARE(atMessage[0].maximum, 8);
        QCOMPARE(atMessage[0].cursor, Qt::ArrowCursor);
        QCOMPARE(refusing.written.size(), 5);
        QVERIFY(!FindDialog(view));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void cancelAtSavePrompt()
    {
        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        doc->InsertBlock(CQZMDoc::List::Write);
        QVERIFY(doc->IsModified());
        LinkScript script;
        bool dialogSeen = false;
        Qt::CursorShape cursor = Qt::BusyCursor;
        doc->SetSendAllHandler([&](CQZMDoc& d) {
            SendAllFromWindowOverLink(d, std::make_unique<ScriptedLink>(script));
        });
        interaction.SetMessageObserver([&](const MessageRequest&) {
            dialogSeen = FindDialog(app.GetView());
            cursor = Look(app.GetView()).cursor;
        });
        interaction.QueueAnswer(MsgAnswer::Cancel);
        QVERIFY(app.GetMainFrame()->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.messages.size(), 1);
        QVERIFY(!dialogSeen);
        QCOMPARE(cursor, Qt::ArrowCursor);
        QVERIFY(script.devicesOpened.isEmpty());
        QVERIFY(doc->IsModified());
    }

    void realPortAgainstSimulator()
    {
        SimProcess sim;
        QVERIFY(sim.Start());
        qputenv("QZM_COM2", sim.Port().toLocal8Bit());

        ScriptedInteraction interaction;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        FillDocument(*doc, 4, 3);
        doc->ReadBlocks()[1]->m_nNumber = 9999;
        doc->ReadBlocks()[2]->m_nAddress = 247;
        doc->SetSerialPort(2);
        doc->SetParity(2);
        doc->SetTimeout(1000);
        doc->SetProtocol(1);
        QVERIFY(app.GetMainFrame()->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.MessageTexts(), QStringList{});
        CompareWithDocument(sim.Received(), *doc);
        QCOMPARE(sim.Received()["transfers"].toInt(), 1);

        // Another program holds the port: 110 with the reason, nothing sent.
        QProcess holder;
        const auto stopHolder = qScopeGuard([&holder] {
            holder.kill();
            holder.waitForFinished();
        });
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-port"), sim.Port()});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
        QVERIFY(app.GetMainFrame()->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.MessageTexts(), QStringList{CStringTable::Load(IDS_COMM_PORT_FAIL)});
        QVERIFY(!interaction.messages[0].detailedText.isEmpty());
        QCOMPARE(sim.Received()["telegrams"].toInt(), 10);
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(10000));

        // Once it is free, Send All works again, from the request on.
        QVERIFY(app.GetMainFrame()->SendCommand(ID_SEND_ALL));
        QCOMPARE(interaction.messages.size(), 1);
        const QJsonObject received = sim.Received();
        QCOMPARE(received["transfers"].toInt(), 2);
        QCOMPARE(received["exchanges"].toArray()[10].toObject()["telegram"].toString(), QStringLiteral("02 01 03 01"));
        qunsetenv("QZM_COM2");
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-port") == 0) {
        QCoreApplication core(argc, argv);
        return HoldPort(argv[2]);
    }
    QApplication app(argc, argv);
    TestSendWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_send_window.moc"
