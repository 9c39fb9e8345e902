#pragma once

#include "framework/CmdTarget.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class CDocument;
class CView;
class CWinApp;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolBar;

// Main frame: owns the actions of every command id, routes commands to the
// view, the document, itself and the application, keeps their enabled and
// checked states current, and shows prompts in status pane 0.
class CFrameWnd : public QMainWindow, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CFrameWnd(QWidget* parent = nullptr);
    ~CFrameWnd() override;

    // The application behind the frame: last in the command routing, and the
    // keeper of the recent-file list. Set by whoever creates the frame.
    void SetApp(CWinApp* app) { m_pApp = app; }

    void SetActiveView(CView* view);
    CView* GetActiveView() const { return m_pActiveView; }
    CDocument* GetActiveDocument() const;

    // The action for a command id, created on first use.
    QAction* CommandAction(int id);
    QAction* FindCommandAction(int id) const { return m_actions.value(id); }

    // Runs a command through the routing chain; false when nobody handles it.
    bool SendCommand(int id);
    // Recomputes every action's enabled and checked state.
    void UpdateCommandStates();
    // Schedules one update for when control returns to the event loop.
    void PostUpdateCommandStates();

    bool OnCmdMsg(int id, CCmdUI* ui) override;

    // Status pane 0.
    void SetMessageText(const QString& text);
    QString GetMessageText() const;
    void SetIdleMessage();

    // The File menu's recent-file section: entries are inserted in place of
    // the placeholder, which stays (grayed) while the list is empty.
    void SetRecentFilePlaceholder(QMenu* menu, QAction* placeholder);

    // Title of the frame: "<document title> - <window title>".
    void SetWindowTitleBase(const QString& base) { m_strTitleBase = base; }
    void OnUpdateFrameTitle();

protected:
    // Menus and toolbars created through these show prompts in pane 0.
    void WatchMenu(QMenu* menu);
    void WatchToolBar(QToolBar* toolBar);
    void CreateMessagePane();

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPromptFor(QAction* action);
    void UpdateRecentFileMenu();

    QHash<int, QAction*> m_actions;
    QHash<QObject*, QActionGroup*> m_radioGroups;
    CView* m_pActiveView = nullptr;
    CWinApp* m_pApp = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QString m_strTitleBase;
    QList<QPointer<QMenu>> m_watchedMenus;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    QStringList m_recentShown;
    bool m_bUpdating = false;
    bool m_bUpdatePosted = false;
    QMetaObject::Connection m_idleConnection;
};

// Shows a top-level window (restored if it was minimised) in front, with the
// focus: what the user expects of a window they ask for again.
void BringToFront(QWidget* window);

// The text field that has the keyboard focus, if one has: the edit commands
// go to it.
QWidget* FocusedTextField();
