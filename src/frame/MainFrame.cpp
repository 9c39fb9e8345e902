#include "frame/MainFrame.h"

#include "frame/LockKeys.h"
#include "frame/ToolBarImages.h"
#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "framework/View.h"
#include "resources/Resource.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {
struct MenuItem
{
    int id;             // 0: separator
    const char* text;
};

const MenuItem kFileMenu[] = {
    {ID_FILE_NEW, "&New\tCtrl+N"},
    {ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {ID_FILE_SAVE, "&Save\tCtrl+S"},
    {ID_FILE_SAVE_AS, "Save &As..."},
    {0, nullptr},
    {ID_CREATE_TEXT_FILE, "Create Text File"},
    {0, nullptr},
    {ID_FILE_MRU_FILE1, "Recent File"},
    {0, nullptr},
    {ID_APP_EXIT, "E&xit"},
};

const MenuItem kViewMenu[] = {
    {ID_VIEW_TOOLBAR, "&Toolbar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar"},
    {0, nullptr},
    {ID_VIEW_TRANSFER_MONITOR, "Transfer &Monitor"},
    {ID_VIEW_BLOCK_TABLE, "&Block Memory Table"},
};

const MenuItem kSerialPortMenu[] = {
    {ID_SERIAL_COM1, "COM1"},
    {ID_SERIAL_COM2, "COM2"},
    {ID_SERIAL_COM3, "COM3"},
    {ID_SERIAL_COM4, "COM4"},
};

struct Accelerator
{
    const char* key;
    int id;
};

// In table order. Copy, cut, paste and undo go to the focused text field.
const Accelerator kAccelerators[] = {
    {"Ctrl+C", ID_EDIT_COPY},      {"Ctrl+N", ID_FILE_NEW},        {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+P", ID_FILE_PRINT},     {"Ctrl+S", ID_FILE_SAVE},       {"Ctrl+V", ID_EDIT_PASTE},
    {"Alt+Backspace", ID_EDIT_UNDO}, {"Shift+Del", ID_EDIT_CUT},   {"F6", ID_NEXT_PANE},
    {"Shift+F6", ID_PREV_PANE},    {"Ctrl+Ins", ID_EDIT_COPY},     {"Shift+Ins", ID_EDIT_PASTE},
    {"Ctrl+X", ID_EDIT_CUT},       {"Ctrl+Z", ID_EDIT_UNDO},
};

const int kToolBarButtons[] = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_CREATE_TEXT_FILE, 0, ID_SEND_ALL, 0,
                               ID_APP_ABOUT};

// Status panes 1 to 3.
const int kIndicators[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : CFrameWnd(parent)
{
    // PreCreateWindow: the first window's size.
    resize(kInitialWidth, kInitialHeight);
    // The application icon (resource 128), set by the application at start-up.
    setWindowIcon(QApplication::windowIcon());
    SetWindowTitleBase(CStringTable::Load(IDR_MAINFRAME).section(QLatin1Char('\n'), 0, 0));
}

bool CMainFrame::OnCreate(QWidget* viewWidget)
{
    if (viewWidget)
        setCentralWidget(viewWidget);
    CreateMenus();
    CreateAccelerators();
    RegisterFrameCommands();
    if (!CreateToolBar() || !CreateStatusBar())
        return false;
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    UpdateLockIndicators();
    UpdateCommandStates();
    return true;
}

void CMainFrame::CreateMenus()
{
    auto addItems = [this](QMenu* menu, const MenuItem* items, int count) {
        for (int i = 0; i < count; ++i) {
            if (!items[i].id) {
                menu->addSeparator();
                continue;
            }
            QAction* action = CommandAction(items[i].id);
            action->setText(QString::fromLatin1(items[i].text));
            menu->addAction(action);
        }
    };

    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    // The placeholder is not a command: it only stands where the list goes.
    for (const MenuItem& item : kFileMenu) {
        if (item.id == ID_FILE_MRU_FILE1) {
            QAction* placeholder = m_fileMenu->addAction(QString::fromLatin1(item.text));
            placeholder->setEnabled(false);
            SetRecentFilePlaceholder(m_fileMenu, placeholder);
        } else {
            addItems(m_fileMenu, &item, 1);
        }
    }
    WatchMenu(m_fileMenu);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    addItems(view, kViewMenu, int(std::size(kViewMenu)));
    WatchMenu(view);

    QMenu* comm = menuBar()->addMenu(QStringLiteral("&Comunicate"));
    QAction* sendAll = CommandAction(ID_SEND_ALL);
    sendAll->setText(QStringLiteral("Send All"));
    comm->addAction(sendAll);
    comm->addSeparator();
    QMenu* ports = comm->addMenu(QStringLiteral("Serial Port Number"));
    addItems(ports, kSerialPortMenu, int(std::size(kSerialPortMenu)));
    // Beside the four numbers: which device each of them opens.
    ports->addSeparator();
    QAction* assign = CommandAction(ID_SERIAL_PORTS);
    assign->setText(QStringLiteral("Serial Ports..."));
    ports->addAction(assign);
    WatchMenu(comm);
    WatchMenu(ports);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* about = CommandAction(ID_APP_ABOUT);
    about->setText(QStringLiteral("&About QZM..."));
    help->addAction(about);
    WatchMenu(help);
}

void CMainFrame::CreateAccelerators()
{
    QHash<int, QList<QKeySequence>> keys;
    for (const Accelerator& acc : kAccelerators)
        keys[acc.id] << QKeySequence(QString::fromLatin1(acc.key));
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        QAction* action = CommandAction(it.key());
        action->setShortcuts(it.value());
        // Menu texts already carry the key after the tab.
        action->setShortcutVisibleInContextMenu(false);
        addAction(action);
    }
    // Beside the table: redo, under the keys desktop programs use for it.
    QAction* redo = CommandAction(ID_EDIT_REDO);
    redo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    addAction(redo);
    QAction* help = CommandAction(ID_HELP);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::ApplicationShortcut);
    addAction(help);
}

void CMainFrame::RegisterFrameCommands()
{
    OnCommand(ID_VIEW_TOOLBAR, [this] { m_wndToolBar->setVisible(!m_wndToolBar->isVisible()); });
    OnUpdateCommand(ID_VIEW_TOOLBAR, [this](CCmdUI& ui) { ui.SetCheck(m_wndToolBar && m_wndToolBar->isVisible()); });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    OnUpdateCommand(ID_VIEW_STATUS_BAR, [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisible()); });

    for (int id : {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_REDO}) {
        OnCommand(id, [this, id] { ForwardEditCommand(id); });
        OnUpdateCommand(id, [](CCmdUI& ui) { ui.Enable(FocusedTextField() != nullptr); });
    }
}

void CMainFrame::ForwardEditCommand(int id)
{
    QWidget* field = FocusedTextField();
    const char* slot = id == ID_EDIT_COPY ? "copy" : id == ID_EDIT_CUT ? "cut" : id == ID_EDIT_PASTE ? "paste"
                     : id == ID_EDIT_REDO ? "redo" : "undo";
    if (field)
        QMetaObject::invokeMethod(field, slot);
}

bool CMainFrame::CreateToolBar()
{
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("IDC_TOOLBAR"));
    m_wndToolBar->setWindowTitle(QStringLiteral("Toolbar"));
    m_wndToolBar->setIconSize(QSize(19, 18));
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setMovable(true);
    int image = 0;
    for (int id : kToolBarButtons) {
        if (!id) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = CommandAction(id);
        action->setIcon(ToolBarImage(image++));
        m_wndToolBar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(action))) {
            // Classic raised buttons, 26 by 25 pixels.
            button->setAutoRaise(false);
            button->setFixedSize(26, 25);
            button->setToolTip(CStringTable::Tooltip(id));
            // The action's text carries the menu's mnemonic and key; a screen
            // reader names the button as its tooltip does.
            button->setAccessibleName(CStringTable::Tooltip(id));
            button->setAccessibleDescription(CStringTable::Prompt(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    WatchToolBar(m_wndToolBar);
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    // The window resizes from its border; the grip's room goes to the panes.
    statusBar()->setSizeGripEnabled(false);
    CreateMessagePane();
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(this);
        pane->setObjectName(QStringLiteral("IDC_PANE%1").arg(i + 1));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(pane);
        m_indicators[i] = pane;
    }
    UpdateLockIndicators();
    return true;
}

QString CMainFrame::IndicatorText(int pane) const
{
    if (pane == 0)
        return GetMessageText();
    return pane >= 1 && pane <= 3 && m_indicators[pane - 1] ? m_indicators[pane - 1]->text() : QString();
}

void CMainFrame::UpdateLockIndicators()
{
    const std::optional<LockKeyState> state = ReadLockKeyState();
    const bool on[3] = {state && state->caps, state && state->num, state && state->scroll};
    for (int i = 0; i < 3; ++i) {
        QLabel* pane = m_indicators[i];
        if (!pane)
            continue;
        const QString text = on[i] ? CStringTable::Load(kIndicators[i]) : QString();
        pane->setText(text);
        pane->setFixedWidth(text.isEmpty() ? BlankWidth(pane) : LitWidth(pane, text));
    }
}

void CMainFrame::showEvent(QShowEvent* event)
{
    CFrameWnd::showEvent(event);
    if (!m_bFittedToScreen) {
        m_bFittedToScreen = true;
        FitToScreen();
    }
    if (!m_nBlankIndicatorWidth)
        FitBlankIndicators();
}

void CMainFrame::FitToScreen()
{
    // At a large scale factor the first size can be taller than the screen:
    // the status bar would open out of sight. The form scrolls instead.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen || isMaximized() || isFullScreen())
        return;
    const QRect available = screen->availableGeometry();
    // The title bar and borders are not known before the window is mapped.
    const int frameHeight = qMax(frameGeometry().height() - height(), style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const int frameWidth = qMax(frameGeometry().width() - width(), 2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth));
    const QSize fitted = size().boundedTo(QSize(available.width() - frameWidth, available.height() - frameHeight));
    if (fitted != size())
        resize(fitted);
}

void CMainFrame::FitBlankIndicators()
{
    // Blank panes are empty boxes of one width, as wide as a lit one where
    // the room allows, and narrower only as far as the editor's longest range
    // message needs to read whole in pane 0 at the first window's width.
    QLabel* message = statusBar()->findChild<QLabel*>(QStringLiteral("IDC_PANE0"));
    if (!message || !m_indicators[0])
        return;
    int needed = 0;
    const QStringList messages = GetActiveView() ? GetActiveView()->LongestStatusMessages() : QStringList();
    for (const QString& text : messages)
        needed = qMax(needed, message->fontMetrics().horizontalAdvance(text));
    int blank = 0;
    for (int i = 0; i < 3; ++i)
        blank = qMax(blank, LitWidth(m_indicators[i], CStringTable::Load(kIndicators[i])));
    // Lay the bar out at the first width with every pane at the lit width,
    // and take what pane 0 lacks from the blank ones.
    for (QLabel* pane : m_indicators)
        pane->setFixedWidth(blank);
    statusBar()->resize(kInitialWidth, statusBar()->height());
    statusBar()->layout()->activate();
    const int shortfall = needed - message->contentsRect().width();
    if (shortfall > 0)
        blank = qMax(2 * m_indicators[0]->frameWidth() + 8, blank - (shortfall + 2) / 3);
    m_nBlankIndicatorWidth = blank;
    UpdateLockIndicators();
}

int CMainFrame::BlankWidth(QLabel* pane) const
{
    return m_nBlankIndicatorWidth ? m_nBlankIndicatorWidth : LitWidth(pane, QStringLiteral("SCRL"));
}

int CMainFrame::LitWidth(QLabel* pane, const QString& text)
{
    return pane->fontMetrics().horizontalAdvance(text) + 2 * pane->frameWidth() + 8;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Lock keys change with key presses, also in other windows.
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateLockIndicators();
    }
    return CFrameWnd::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        UpdateLockIndicators();
    return CFrameWnd::event(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    emit filesDropped(paths);
}
