#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QTest>

namespace {
QStringList g_log;

struct Target
{
    // Registers a handler that logs "<who>:<id>" for each id.
    template <typename T>
    static void handle(T& target, const char* who, std::initializer_list<int> ids)
    {
        for (int id : ids)
            target.Handle(id, [who, id] { g_log << QString("%1:%2").arg(who).arg(id); });
    }
};

struct TestView : CView
{
    void OnUpdate(CView*, int, CObject*) override {}
    void Handle(int id, std::function<void()> f) { OnCommand(id, std::move(f)); }
    void State(int id, std::function<void(CCmdUI&)> f) { OnUpdateCommand(id, std::move(f)); }
};
struct TestDoc : CDocument
{
    void Handle(int id, std::function<void()> f) { OnCommand(id, std::move(f)); }
};
struct TestFrame : CFrameWnd
{
    void Handle(int id, std::function<void()> f) { OnCommand(id, std::move(f)); }
};
struct TestApp : CWinApp
{
    bool InitInstance() override { return true; }
    void Handle(int id, std::function<void()> f) { OnCommand(id, std::move(f)); }
};
} // namespace

class TestCommandRouting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void viewThenDocumentThenFrameThenApplication()
    {
        TestApp app;
        TestDoc doc;
        TestView view;
        doc.AddView(&view);
        TestFrame frame;
        frame.SetApp(&app);
        frame.SetActiveView(&view);
        Target::handle(view, "view", {1});
        Target::handle(doc, "doc", {1, 2});
        Target::handle(frame, "frame", {1, 2, 3});
        Target::handle(app, "app", {1, 2, 3, 4});

        g_log.clear();
        for (int id : {1, 2, 3, 4})
            QVERIFY(frame.SendCommand(id));
        QCOMPARE(g_log, QStringList({"view:1", "doc:2", "frame:3", "app:4"}));
        QVERIFY(!frame.SendCommand(5));

        // States: handled commands are enabled, the rest grayed; a state
        // handler decides over a command handler of a later target.
        view.State(4, [](CCmdUI& ui) { ui.Enable(false); ui.SetCheck(1); });
        QAction* a1 = frame.CommandAction(1);
        QAction* a4 = frame.CommandAction(4);
        QAction* a5 = frame.CommandAction(5);
        frame.UpdateCommandStates();
        QVERIFY(a1->isEnabled());
        QVERIFY(!a4->isEnabled());
        QVERIFY(a4->isCheckable() && a4->isChecked());
        QVERIFY(!a5->isEnabled());

        // Triggering an action runs the routed command.
        g_log.clear();
        a1->trigger();
        QCOMPARE(g_log, QStringList({"view:1"}));
    }

    void rangesReachTheirHandler()
    {
        struct RangeDoc : CDocument
        {
            QList<int> seen;
            RangeDoc() { OnCommandRange(10, 13, [this](int id) { seen << id; }); }
        } doc;
        QVERIFY(doc.OnCmdMsg(10, nullptr));
        QVERIFY(doc.OnCmdMsg(13, nullptr));
        QVERIFY(!doc.OnCmdMsg(14, nullptr));
        QCOMPARE(doc.seen, QList<int>({10, 13}));
        CCmdUI ui(12);
        QVERIFY(doc.OnCmdMsg(12, &ui));
        QVERIFY(ui.m_bEnabled);
    }
};

QTEST_MAIN(TestCommandRouting)
#include "tst_command_routing.moc"
