#include "framework/FrameWnd.h"

#include "framework/Document.h"
#include "framework/RecentFileList.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "framework/WinApp.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

CFrameWnd::CFrameWnd(QWidget* parent) : QMainWindow(parent)
{
    // Command states follow the document at idle time, never by a timer.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   &CFrameWnd::UpdateCommandStates);
}

CFrameWnd::~CFrameWnd()
{
    disconnect(m_idleConnection);
    // The view outlives this destructor as a child widget and can still
    // emit while it goes: it must not reach a half-destroyed frame.
    if (m_pActiveView)
        m_pActiveView->m_pFrame = nullptr;
}

void CFrameWnd::SetActiveView(CView* view)
{
    if (m_pActiveView && m_pActiveView != view)
        m_pActiveView->m_pFrame = nullptr;
    m_pActiveView = view;
    if (view)
        view->m_pFrame = this;
    if (CDocument* doc = GetActiveDocument()) {
        connect(doc, &CDocument::contentsTouched, this, &CFrameWnd::PostUpdateCommandStates,
                Qt::UniqueConnection);
        connect(doc, &CDocument::titleChanged, this, &CFrameWnd::OnUpdateFrameTitle, Qt::UniqueConnection);
    }
}

void CFrameWnd::PostUpdateCommandStates()
{
    if (m_bUpdatePosted)
        return;
    m_bUpdatePosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_bUpdatePosted = false;
        UpdateCommandStates();
    }, Qt::QueuedConnection);
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

QAction* CFrameWnd::CommandAction(int id)
{
    if (QAction* existing = m_actions.value(id))
        return existing;
    auto* action = new QAction(this);
    action->setData(id);
    action->setToolTip(CStringTable::Tooltip(id));
    connect(action, &QAction::triggered, this, [this, id] {
        SendCommand(id);
        UpdateCommandStates();
    });
    m_actions.insert(id, action);
    return action;
}

bool CFrameWnd::SendCommand(int id)
{
    return OnCmdMsg(id, nullptr);
}

bool CFrameWnd::OnCmdMsg(int id, CCmdUI* ui)
{
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, ui))
        return true;
    if (CDocument* doc = GetActiveDocument())
        if (doc->OnCmdMsg(id, ui))
            return true;
    if (CCmdTarget::OnCmdMsg(id, ui))
        return true;
    if (m_pApp)
        return m_pApp->OnCmdMsg(id, ui);
    return false;
}

void CFrameWnd::UpdateCommandStates()
{
    if (m_bUpdating)
        return;
    m_bUpdating = true;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        QAction* action = it.value();
        CCmdUI ui(it.key());
        // A command nobody handles is grayed.
        if (!OnCmdMsg(it.key(), &ui))
            ui.Enable(false);
        if (action->isEnabled() != ui.m_bEnabled)
            action->setEnabled(ui.m_bEnabled);
        if (ui.m_nCheck >= 0) {
            if (ui.m_bRadio && !action->actionGroup()) {
                // One exclusive set per menu: a second radio set elsewhere
                // must not uncheck this one.
                const QList<QObject*> holders = action->associatedObjects();
                QObject* menu = holders.isEmpty() ? nullptr : holders.first();
                QActionGroup*& group = m_radioGroups[menu];
                if (!group) {
                    group = new QActionGroup(this);
                    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                }
                group->addAction(action);
            }
            action->setCheckable(true);
            if (action->isChecked() != (ui.m_nCheck == 1))
                action->setChecked(ui.m_nCheck == 1);
        }
    }
    UpdateRecentFileMenu();
    m_bUpdating = false;
}

void CFrameWnd::SetRecentFilePlaceholder(QMenu* menu, QAction* placeholder)
{
    m_recentMenu = menu;
    m_recentPlaceholder = placeholder;
    UpdateRecentFileMenu();
}

void CFrameWnd::UpdateRecentFileMenu()
{
    if (!m_recentMenu || !m_recentPlaceholder)
        return;
    CRecentFileList* list = m_pApp ? m_pApp->GetRecentFileList() : nullptr;
    // Each item keeps the command of its own entry, so an empty entry in the
    // middle (a hand-edited settings store) never shifts the others.
    QStringList texts;
    QList<int> ids;
    if (list) {
        const QString cwd = QDir::currentPath();
        for (int i = 0; i < list->GetSize(); ++i) {
            const QString text = list->GetMenuText(i, cwd);
            if (!text.isEmpty()) {
                texts << text;
                ids << ID_FILE_MRU_FILE1 + i;
            }
        }
    }
    if (texts == m_recentShown && (!texts.isEmpty() || m_recentPlaceholder->isVisible()))
        return;
    m_recentShown = texts;
    for (QAction* action : std::as_const(m_recentActions)) {
        m_recentMenu->removeAction(action);
        m_actions.remove(action->data().toInt());
        delete action;
    }
    m_recentActions.clear();
    m_recentPlaceholder->setVisible(texts.isEmpty());
    m_recentPlaceholder->setEnabled(false);
    for (int i = 0; i < texts.size(); ++i) {
        QAction* action = CommandAction(ids.at(i));
        action->setText(texts.at(i));
        m_recentMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions << action;
    }
}

void CFrameWnd::CreateMessagePane()
{
    m_pMessagePane = new QLabel(this);
    m_pMessagePane->setObjectName(QStringLiteral("IDC_PANE0"));
    m_pMessagePane->setMinimumWidth(1);
    statusBar()->addWidget(m_pMessagePane, 1);
    SetIdleMessage();
}

void CFrameWnd::SetMessageText(const QString& text)
{
    if (!m_pMessagePane)
        return;
    m_pMessagePane->setText(text);
    m_pMessagePane->repaint();
}

QString CFrameWnd::GetMessageText() const
{
    return m_pMessagePane ? m_pMessagePane->text() : QString();
}

void CFrameWnd::SetIdleMessage()
{
    SetMessageText(CStringTable::Load(AFX_IDS_IDLEMESSAGE));
}

void CFrameWnd::ShowPromptFor(QAction* action)
{
    const int id = action ? action->data().toInt() : 0;
    SetMessageText(id ? CStringTable::Prompt(id) : QString());
}

void CFrameWnd::WatchMenu(QMenu* menu)
{
    m_watchedMenus << menu;
    // The mouse also reaches separators and grayed items, which Qt never
    // reports as hovered: the filter keeps pane 0 in step with them.
    menu->installEventFilter(this);
    connect(menu, &QMenu::hovered, this, &CFrameWnd::ShowPromptFor);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        UpdateCommandStates();
        SetMessageText(QString());
    });
    connect(menu, &QMenu::aboutToHide, this, [this, menu] {
        // A submenu closing under a menu that stays open goes back to the
        // item highlighted there; "Ready" only once no menu is open.
        for (const QPointer<QMenu>& other : std::as_const(m_watchedMenus))
            if (other && other != menu && other->isVisible()) {
                ShowPromptFor(other->activeAction());
                return;
            }
        SetIdleMessage();
    });
}

void CFrameWnd::WatchToolBar(QToolBar* toolBar)
{
    toolBar->installEventFilter(this);
    for (QAction* action : toolBar->actions())
        if (QWidget* button = toolBar->widgetForAction(action))
            button->installEventFilter(this);
}

bool CFrameWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (auto* menu = qobject_cast<QMenu*>(watched); menu && m_watchedMenus.contains(menu)) {
            QAction* item = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            ShowPromptFor(item && !item->isSeparator() ? item : nullptr);
        }
    } else if (event->type() == QEvent::Enter) {
        // Fly-by prompt of the toolbar button under the mouse.
        if (auto* button = qobject_cast<QToolButton*>(watched); button && button->defaultAction())
            ShowPromptFor(button->defaultAction());
    } else if (event->type() == QEvent::Leave
               && (qobject_cast<QToolBar*>(watched) || qobject_cast<QToolButton*>(watched))) {
        // Off a button (onto a separator or out of the bar): no button, no prompt.
        SetIdleMessage();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CFrameWnd::OnUpdateFrameTitle()
{
    CDocument* doc = GetActiveDocument();
    const QString docTitle = doc ? doc->GetTitle() : QString();
    setWindowTitle(docTitle.isEmpty() ? m_strTitleBase : docTitle + QStringLiteral(" - ") + m_strTitleBase);
}

void CFrameWnd::closeEvent(QCloseEvent* event)
{
    CDocument* doc = GetActiveDocument();
    // A transfer cannot be cancelled, so neither can the window under it
    // close; the transfer ends within its time-outs.
    if (doc && (doc->IsHeld() || !doc->SaveModified())) {
        event->ignore();
        return;
    }
    event->accept();
}

void BringToFront(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

QWidget* FocusedTextField()
{
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QTextEdit*>(focus))
        return focus;
    return nullptr;
}
