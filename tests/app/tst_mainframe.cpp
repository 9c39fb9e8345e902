#include "app/QZMApp.h"
#include "app/ShellServerInterface.h"
#include "document/QZMDoc.h"
#include "editor/QZMView.h"
#include "frame/AboutDlg.h"
#include "frame/MainFrame.h"
#include "framework/RecentFileList.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "support/ScriptedInteraction.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QSettings>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {
QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        if (a->isVisible())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* TopMenu(CMainFrame* frame, const QString& title)
{
    for (QAction* a : frame->menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// A version-3 file with one Read entry whose address is given.
QByteArray QzmFile(int address)
{
    QByteArray bytes = HexBytes("03000000 01000000 00000000 00000000 01000000 00000000 64000000 02000000 01000000"
                                "01000000 00 01000000 00");
    bytes += char(address);
    bytes += HexBytes("000000 00000000 01000000");
    return bytes;
}
} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }
    void cleanup() { QSettings().clear(); }

    void startsWithTitleSizeMenusAndPanes()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        QVERIFY(frame && frame->isVisible());
        QCOMPARE(frame->windowTitle(), QString("Untitled - QZM V2.01"));
        QCOMPARE(frame->size(), QSize(312, 658));
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));

        QStringList titles;
        for (QAction* a : frame->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&View", "&Comunicate", "&Help"}));
        QCOMPARE(MenuTexts(TopMenu(frame, "&File")),
                 QStringList({"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                              "Create Text File", "-", "Recent File", "-", "E&xit"}));
        // The program's own additions follow the specified items after a separator.
        QCOMPARE(MenuTexts(TopMenu(frame, "&View")), QStringList({"&Toolbar", "&Status Bar", "-", "Transfer &Monitor",
                                                                   "&Block Memory Table"}));
        QMenu* comm = TopMenu(frame, "&Comunicate");
        QCOMPARE(MenuTexts(comm), QStringList({"Send All", "-", "Serial Port Number"}));
        // The four numbers as they were, then the port assignments after a separator.
        QCOMPARE(MenuTexts(comm->actions().last()->menu()),
                 QStringList({"COM1", "COM2", "COM3", "COM4", "-", "Serial Ports..."}));
        QCOMPARE(MenuTexts(TopMenu(frame, "&Help")), QStringList({"&About QZM..."}));

        // The placeholder is grayed while the list is empty.
        QAction* placeholder = TopMenu(frame, "&File")->actions().at(7);
        QVERIFY(!placeholder->isEnabled());

        // Six buttons with two separators, tooltips from the prompts.
        QToolBar* bar = frame->ToolBar();
        QStringList tips;
        for (QAction* a : bar->actions())
            tips << (a->isSeparator() ? QStringLiteral("-") : a->toolTip());
        QCOMPARE(tips, QStringList({"New", "Open", "Save", "Create text file", "-", "Send All", "-", "About"}));
        QCOMPARE(bar->widgetForAction(bar->actions().first())->size(), QSize(26, 25));
    }

    void commandStatesFollowTheDocument()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        CQZMDoc* doc = app.GetQZMDoc();
        QAction* sendAll = frame->FindCommandAction(ID_SEND_ALL);
        frame->UpdateCommandStates();
        QVERIFY(!sendAll->isEnabled());
        QVERIFY(!frame->ToolBar()->widgetForAction(sendAll)->isEnabled());

        doc->InsertBlock(CQZMDoc::List::Write);
        QCoreApplication::processEvents();   // idle update
        QVERIFY(sendAll->isEnabled());
        QVERIFY(frame->ToolBar()->widgetForAction(sendAll)->isEnabled());
        doc->DeleteBlock(CQZMDoc::List::Write);
        QCoreApplication::processEvents();
        QVERIFY(!sendAll->isEnabled());

        // Serial port items: a radio dot on the document's port.
        QAction* com1 = frame->FindCommandAction(ID_SERIAL_COM1);
        QAction* com3 = frame->FindCommandAction(ID_SERIAL_COM3);
        frame->UpdateCommandStates();
        QVERIFY(com1->isChecked() && !com3->isChecked());
        QVERIFY(com1->actionGroup() && com1->actionGroup()->isExclusive());
        doc->SetModifiedFlag(false);
        com1->trigger();
        QVERIFY(!doc->IsModified());
        com3->trigger();
        QCOMPARE(doc->SerialPort(), 3);
        QVERIFY(doc->IsModified());
        QVERIFY(com3->isChecked() && !com1->isChecked());

        // View toggles carry check marks and hide or show the bars.
        QAction* toolbar = frame->FindCommandAction(ID_VIEW_TOOLBAR);
        QAction* statusbar = frame->FindCommandAction(ID_VIEW_STATUS_BAR);
        QVERIFY(toolbar->isChecked() && statusbar->isChecked());
        toolbar->trigger();
        QVERIFY(!frame->ToolBar()->isVisible());
        QVERIFY(!toolbar->isChecked());
        toolbar->trigger();
        QVERIFY(frame->ToolBar()->isVisible());
        QCOMPARE(frame->toolBarArea(frame->ToolBar()), Qt::TopToolBarArea);
        statusbar->trigger();
        QVERIFY(!frame->statusBar()->isVisible());
        QVERIFY(!statusbar->isChecked());

        // Always-enabled commands.
        for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_CREATE_TEXT_FILE, ID_APP_EXIT,
                       ID_APP_ABOUT})
            QVERIFY2(frame->FindCommandAction(id)->isEnabled(), qPrintable(QString::number(id)));
    }

    void promptsInPaneZero()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        app.GetQZMDoc()->InsertBlock(CQZMDoc::List::Read);   // so Send All can be highlighted
        QMenu* comm = TopMenu(frame, "&Comunicate");
        comm->popup(frame->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(comm));
        QTest::keyClick(comm, Qt::Key_Down);   // highlights the first item, Send All
        QCOMPARE(frame->IndicatorText(0), QString("Send all the configurations of this file to qzm"));
        QMenu* ports = comm->actions().last()->menu();
        QTest::keyClick(comm, Qt::Key_Down);   // the submenu item, past the separator
        QCOMPARE(comm->activeAction(), comm->actions().last());
        QCOMPARE(frame->IndicatorText(0), QString());
        ports->popup(frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(ports));
        QTest::keyClick(ports, Qt::Key_Down);
        QTest::keyClick(ports, Qt::Key_Down);
        QCOMPARE(ports->activeAction(), frame->FindCommandAction(ID_SERIAL_COM2));
        QCOMPARE(frame->IndicatorText(0), QString());
        ports->hide();
        comm->hide();
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));

        // Pointing at a toolbar button shows its prompt; leaving the bar, "Ready".
        QToolBar* bar = frame->ToolBar();
        QWidget* button = bar->widgetForAction(frame->FindCommandAction(ID_FILE_SAVE));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(button, &enter);
        QCOMPARE(frame->IndicatorText(0), QString("Save the active document"));
        QCOMPARE(button->toolTip(), QString("Save"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(bar, &leave);
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));
    }

    void menuPromptsFollowSeparatorsGrayedItemsAndSubmenus()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        auto pointAt = [](QMenu* menu, QAction* item) { QTest::mouseMove(menu, menu->actionGeometry(item).center()); };

        QMenu* file = TopMenu(frame, "&File");
        file->popup(frame->mapToGlobal(QPoint(0, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        const QList<QAction*> items = file->actions();
        pointAt(file, frame->FindCommandAction(ID_FILE_SAVE));
        QCOMPARE(frame->IndicatorText(0), QString("Save the active document"));
        QVERIFY(items.at(4)->isSeparator());
        pointAt(file, items.at(4));
        QCOMPARE(frame->IndicatorText(0), QString());
        pointAt(file, frame->FindCommandAction(ID_APP_EXIT));
        QCOMPARE(frame->IndicatorText(0), QString("Quit the application; prompts to save documents"));
        QCOMPARE(items.at(7)->text(), QString("Recent File"));   // grayed placeholder, no string
        pointAt(file, items.at(7));
        QCOMPARE(frame->IndicatorText(0), QString());
        file->hide();
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));

        // A grayed item under the mouse still shows what it would do.
        QMenu* comm = TopMenu(frame, "&Comunicate");
        comm->popup(frame->mapToGlobal(QPoint(0, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(comm));
        QVERIFY(!frame->FindCommandAction(ID_SEND_ALL)->isEnabled());
        pointAt(comm, frame->FindCommandAction(ID_SEND_ALL));
        QCOMPARE(frame->IndicatorText(0), QString("Send all the configurations of this file to qzm"));
        comm->hide();

        // Closing the submenu leaves its menu open: not "Ready" yet.
        app.GetQZMDoc()->InsertBlock(CQZMDoc::List::Read);
        comm->popup(frame->mapToGlobal(QPoint(0, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(comm));
        QMenu* ports = comm->actions().last()->menu();
        QTest::keyClick(comm, Qt::Key_Down);
        QTest::keyClick(comm, Qt::Key_Down);
        QTest::keyClick(comm, Qt::Key_Right);
        QVERIFY(ports->isVisible());
        QTest::keyClick(ports, Qt::Key_Left);
        QVERIFY(!ports->isVisible());
        QVERIFY(comm->isVisible());
        QCOMPARE(frame->IndicatorText(0), QString());
        QTest::keyClick(comm, Qt::Key_Up);
        QCOMPARE(frame->IndicatorText(0), QString("Send all the configurations of this file to qzm"));
        comm->hide();
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));

        // Off a toolbar button, onto a separator, no button is under the mouse.
        QWidget* button = frame->ToolBar()->widgetForAction(frame->FindCommandAction(ID_CREATE_TEXT_FILE));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(button, &enter);
        QCOMPARE(frame->IndicatorText(0), QString("Create a text file of this document"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        QCOMPARE(frame->IndicatorText(0), QString("Ready"));
    }

    void aboutBoxIsModalAndClosesWithEscape()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        ScriptedInteraction ui;
        QString version;
        bool escapeClosed = false;
        ui.SetModalHandler([&](QWidget* w) {
            auto* dialog = qobject_cast<CAboutDlg*>(w);
            if (!dialog)
                return -1;
            version = dialog->findChild<QLabel*>("IDC_VERSION")->text();
            dialog->show();
            QTest::keyClick(dialog, Qt::Key_Escape);
            escapeClosed = !dialog->isVisible();
            return 0;
        });
        app.GetMainFrame()->FindCommandAction(ID_APP_ABOUT)->trigger();
        QCOMPARE(ui.modals.size(), 1);
        QCOMPARE(version, QString("QZM.exe Version 2.01"));
        QVERIFY(escapeClosed);
    }

    void newAsksToSaveAModifiedDocument()
    {
        QTemporaryDir dir;
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        CMainFrame* frame = app.GetMainFrame();
        ScriptedInteraction ui;

        doc->InsertBlock(CQZMDoc::List::Read);
        ui.QueueAnswer(MsgAnswer::Cancel);
        frame->SendCommand(ID_FILE_NEW);
        QCOMPARE(ui.MessageTexts(), QStringList({"Save changes to Untitled?"}));
        QCOMPARE(doc->ReadBlocks().size(), 1);
        QVERIFY(doc->IsModified());

        ui.QueueAnswer(MsgAnswer::No);
        frame->SendCommand(ID_FILE_NEW);
        QVERIFY(doc->ReadBlocks().isEmpty());
        QVERIFY(!doc->IsModified());
        QCOMPARE(app.GetQZMDoc(), doc);   // the same document object

        // Yes saves first; a failed save cancels the New.
        doc->InsertBlock(CQZMDoc::List::Read);
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(dir.filePath("no-such-folder/a.qzm"));
        frame->SendCommand(ID_FILE_NEW);
        QCOMPARE(doc->ReadBlocks().size(), 1);
        QVERIFY(doc->IsModified());

        const QString path = dir.filePath("kept.qzm");
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(path);
        frame->SendCommand(ID_FILE_NEW);
        QVERIFY(QFile::exists(path));
        QVERIFY(doc->ReadBlocks().isEmpty());
        QCOMPARE(frame->windowTitle(), QString("Untitled - QZM V2.01"));
        QCOMPARE((*app.GetRecentFileList())[0], QDir::toNativeSeparators(path));
        QVERIFY(ui.AllAnswersUsed());
    }

    void openFlowTitleRecentListAndSamePath()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.qzm");
        WriteTestFile(a, QzmFile(5));
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CQZMDoc* doc = app.GetQZMDoc();
        CMainFrame* frame = app.GetMainFrame();
        ScriptedInteraction ui;

        ui.QueueFile(a);
        frame->SendCommand(ID_FILE_OPEN);
        const FileDialogRequest& request = ui.fileDialogs.last();
        QCOMPARE(request.title, QString("Open"));
        QVERIFY(request.mode == FileDialogRequest::Mode::Open);
        QCOMPARE(request.filters, QStringList({"QZM Files (*.qzm)", "All Files (*.*)"}));
        QCOMPARE(request.defaultSuffix, QString("qzm"));
        QVERIFY(request.fileMustExist);
        QCOMPARE(frame->windowTitle(), QString("a.qzm - QZM V2.01"));
        QCOMPARE(doc->ReadBlocks().size(), 1);
        QCOMPARE(doc->ReadBlocks()[0]->m_nAddress, 5);

        // The recent list replaces the placeholder.
        frame->UpdateCommandStates();
        const QStringList file = MenuTexts(frame->FileMenu());
        QVERIFY(!file.contains("Recent File"));
        QVERIFY(file.contains(QString("&1 ") + CRecentFileList::DisplayName(QDir::toNativeSeparators(a),
                                                                           QDir::toNativeSeparators(QDir::currentPath()),
                                                                           30, QDir::separator())));

        // Same path, even modified and quoted: only brought forward.
        doc->ReadBlocks()[0]->m_nAddress = 9;
        doc->SetModifiedFlag(true);
        QCOMPARE(app.OpenDocumentFile("\"" + a + "\""), doc);
        QCOMPARE(doc->ReadBlocks()[0]->m_nAddress, 9);
        QVERIFY(ui.messages.isEmpty());

        // Cancel at the prompt abandons another open.
        const QString b = dir.filePath("b.qzm");
        WriteTestFile(b, QzmFile(7));
        ui.QueueAnswer(MsgAnswer::Cancel);
        QVERIFY(!app.OpenDocumentFile(b));
        QCOMPARE(doc->ReadBlocks()[0]->m_nAddress, 9);

        // A missing file reports and leaves the document as it was.
        ui.QueueAnswer(MsgAnswer::No);
        QVERIFY(!app.OpenDocumentFile(dir.filePath("gone.qzm")));
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->ReadBlocks()[0]->m_nAddress, 9);
        QCOMPARE(frame->windowTitle(), QString("a.qzm - QZM V2.01"));
    }

    void failedRecentEntryIsRemoved()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.qzm");
        const QString b = dir.filePath("b.qzm");
        WriteTestFile(a, QzmFile(1));
        WriteTestFile(b, QzmFile(2));
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        ScriptedInteraction ui;
        QVERIFY(app.OpenDocumentFile(a));
        QVERIFY(app.OpenDocumentFile(b));
        QFile::remove(a);
        CRecentFileList* list = app.GetRecentFileList();
        QCOMPARE((*list)[1], QDir::toNativeSeparators(a));
        app.GetMainFrame()->UpdateCommandStates();
        QAction* second = app.GetMainFrame()->FindCommandAction(ID_FILE_MRU_FILE1 + 1);
        QVERIFY(second && second->isEnabled());
        second->trigger();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE((*list)[0], QDir::toNativeSeparators(b));
        QVERIFY((*list)[1].isEmpty());
        QCOMPARE(app.GetMainFrame()->windowTitle(), QString("b.qzm - QZM V2.01"));
    }

    void recentEntriesSurviveACancelledOpenAndKeepTheirCommand()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.qzm");
        const QString b = dir.filePath("b.qzm");
        WriteTestFile(a, QzmFile(1));
        WriteTestFile(b, QzmFile(2));
        // A settings store with a gap: the second entry's item opens the
        // second entry, not the (empty) first.
        {
            QSettings settings;
            settings.setValue("Recent File List/File2", QDir::toNativeSeparators(a));
        }
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        ScriptedInteraction ui;
        CMainFrame* frame = app.GetMainFrame();
        frame->UpdateCommandStates();
        QVERIFY(!frame->FindCommandAction(ID_FILE_MRU_FILE1));
        QAction* second = frame->FindCommandAction(ID_FILE_MRU_FILE1 + 1);
        QVERIFY(second);
        QVERIFY(second->text().startsWith("&2 "));
        second->trigger();
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(frame->windowTitle(), QString("a.qzm - QZM V2.01"));

        QVERIFY(app.OpenDocumentFile(b));
        CRecentFileList* list = app.GetRecentFileList();
        QCOMPARE((*list)[1], QDir::toNativeSeparators(a));
        app.GetQZMDoc()->SetModifiedFlag(true);
        frame->UpdateCommandStates();

        // Cancel at the save prompt abandons the open: the entry stays.
        ui.QueueAnswer(MsgAnswer::Cancel);
        frame->FindCommandAction(ID_FILE_MRU_FILE1 + 1)->trigger();
        QCOMPARE(ui.MessageTexts(), QStringList({"Save changes to b.qzm?"}));
        QCOMPARE((*list)[1], QDir::toNativeSeparators(a));
        QCOMPARE(frame->windowTitle(), QString("b.qzm - QZM V2.01"));
        QVERIFY(app.GetQZMDoc()->IsModified());

        // A save that fails (Save As cancelled) abandons it as well.
        QFile::remove(b);
        ui.QueueAnswer(MsgAnswer::Yes);
        ui.QueueFile(std::nullopt);
        frame->FindCommandAction(ID_FILE_MRU_FILE1 + 1)->trigger();
        QCOMPARE((*list)[1], QDir::toNativeSeparators(a));
        QCOMPARE(frame->windowTitle(), QString("b.qzm - QZM V2.01"));
    }

    void startUpWithAFileAndPersistedRecentList()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("my plant.qzm");
        WriteTestFile(a, QzmFile(3));
        {
            CQZMApp app(QStringList{"/Automation", "\"" + a + "\"", "ignored.qzm"});
            QVERIFY(app.InitInstance());
            QCOMPARE(app.GetMainFrame()->windowTitle(), QString("my plant.qzm - QZM V2.01"));
            QCOMPARE(app.GetQZMDoc()->ReadBlocks()[0]->m_nAddress, 3);
            QCOMPARE(app.GetQZMDoc()->CurrentIndex(CQZMDoc::List::Read), 0);
            app.ExitInstance();
        }
        QSettings settings;
        QCOMPARE(settings.value("Recent File List/File1").toString(), QDir::toNativeSeparators(a));
        {
            CQZMApp app(QStringList{});
            QVERIFY(app.InitInstance());
            QCOMPARE((*app.GetRecentFileList())[0], QDir::toNativeSeparators(a));
        }
    }

    void aQuoteInsideANameIsPartOfIt()
    {
        // Only a pair around the whole name is quoting; the rest is the name.
        QTemporaryDir dir;
        const QString plain = dir.filePath("plan");
        const QString quoted = dir.filePath("plan\".qzm");
        WriteTestFile(plain, QzmFile(1));
        WriteTestFile(quoted, QzmFile(2));
        CQZMApp app(QStringList{quoted});
        QVERIFY(app.InitInstance());
        QCOMPARE(app.GetQZMDoc()->GetPathName(), quoted);
        QCOMPARE(app.GetQZMDoc()->ReadBlocks()[0]->m_nAddress, 2);
        QVERIFY(app.OpenDocumentFile("\"" + plain + "\""));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), plain);
        QVERIFY(app.OnShellRequest(ShellRequest{ShellRequest::Verb::Open, quoted, {}, {}, {}}));
        QCOMPARE(app.GetQZMDoc()->GetPathName(), quoted);
    }

    void startUpWithAMissingFileEnds()
    {
        ScriptedInteraction ui;
        CQZMApp app(QStringList{"/nonexistent/file.qzm"});
        QVERIFY(!app.InitInstance());
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(!app.GetMainFrame());
    }

    void exitAsksAndCancelKeepsRunning()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        ScriptedInteraction ui;
        app.GetQZMDoc()->InsertBlock(CQZMDoc::List::Read);
        ui.QueueAnswer(MsgAnswer::Cancel);
        app.GetMainFrame()->SendCommand(ID_APP_EXIT);
        QVERIFY(app.GetMainFrame()->isVisible());
        ui.QueueAnswer(MsgAnswer::No);
        app.GetMainFrame()->SendCommand(ID_APP_EXIT);
        QVERIFY(!app.GetMainFrame()->isVisible());
    }

    void droppedFilesOpenOneAtATime()
    {
        QTemporaryDir dir;
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            paths << dir.filePath(QString("d%1.qzm").arg(i));
            WriteTestFile(paths.last(), QzmFile(10 + i));
        }
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        ScriptedInteraction ui;
        app.GetQZMDoc()->InsertBlock(CQZMDoc::List::Read);
        ui.QueueAnswer(MsgAnswer::No);   // only the first asks: later ones are unmodified
        emit app.GetMainFrame()->filesDropped(paths);
        QTRY_COMPARE(app.GetMainFrame()->windowTitle(), QString("d3.qzm - QZM V2.01"));
        QCOMPARE(app.GetQZMDoc()->ReadBlocks()[0]->m_nAddress, 13);
        QCOMPARE((*app.GetRecentFileList())[2], QDir::toNativeSeparators(paths[0]));
        QVERIFY(ui.AllAnswersUsed());
    }

    void editKeysReachTheFocusedTextField()
    {
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        auto* edit = new QLineEdit(frame);
        edit->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        edit->setFocus();
        edit->setText("abc");
        edit->selectAll();
        frame->UpdateCommandStates();
        QVERIFY(frame->FindCommandAction(ID_EDIT_CUT)->isEnabled());
        frame->SendCommand(ID_EDIT_CUT);
        QCOMPARE(edit->text(), QString());
        frame->SendCommand(ID_EDIT_PASTE);
        QCOMPARE(edit->text(), QString("abc"));
        frame->SendCommand(ID_EDIT_UNDO);
        QCOMPARE(edit->text(), QString());
    }

    void editorRangeMessagesFitTheMessagePane()
    {
        // At the first window's width, with the lock keys off, the editor's messages are
        // read whole in pane 0.
        CQZMApp app(QStringList{});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.GetMainFrame();
        QCOMPARE(frame->size(), QSize(312, 658));
        auto* pane = frame->statusBar()->findChild<QLabel*>(QStringLiteral("IDC_PANE0"));
        QVERIFY(pane);
        const QStringList messages = {
            FormatPrintfMessage(IDS_INVALID_ADDRESS, {"1", "247"}),
            FormatPrintfMessage(IDS_INVALID_TIMEOUT, {"50", "1000", "msec"}),
        };
        for (const QString& text : messages) {
            frame->SetMessageText(text);
            frame->statusBar()->layout()->activate();
            QVERIFY2(pane->contentsRect().width() >= pane->fontMetrics().horizontalAdvance(text),
                     qPrintable(QString("%1 wide for \"%2\"").arg(pane->contentsRect().width()).arg(text)));
        }
        // Blank indicators are empty boxes of one steady width, not slivers.
        QList<int> widths;
        for (int i = 1; i <= 3; ++i) {
            auto* indicator = frame->statusBar()->findChild<QLabel*>(QStringLiteral("IDC_PANE%1").arg(i));
            QVERIFY(indicator);
            QVERIFY(indicator->isVisible());
            QVERIFY(indicator->text().isEmpty());
            QVERIFY2(indicator->width() >= 2 * indicator->frameWidth() + 8, qPrintable(QString::number(indicator->width())));
            widths << indicator->width();
        }
        QCOMPARE(widths.at(1), widths.at(0));
        QCOMPARE(widths.at(2), widths.at(0));
        frame->UpdateLockIndicators();
        frame->resize(500, 658);
        QCOMPARE(frame->statusBar()->findChild<QLabel*>(QStringLiteral("IDC_PANE2"))->width(), widths.at(0));
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
