#pragma once

#include "framework/FirstFrame.h"
#include "framework/FrameWnd.h"

class QLabel;
class QToolBar;

// The program's one top-level window: menus, accelerators, toolbar, status
// bar with the lock-key panes, and the editor view as its client area.
class CMainFrame : public CFrameWnd
{
    Q_OBJECT

public:
    static constexpr int kInitialWidth = kFirstFrameWidth;
    static constexpr int kInitialHeight = kFirstFrameHeight;

    // An empty frame: OnCreate builds the menus, accelerators, toolbar and
    // status bar around the view widget, and returns false when one of them
    // cannot be made.
    explicit CMainFrame(QWidget* parent = nullptr);
    bool OnCreate(QWidget* viewWidget);

    QToolBar* ToolBar() const { return m_wndToolBar; }
    QMenu* FileMenu() const { return m_fileMenu; }
    QString IndicatorText(int pane) const;

    // Reads Caps, Num and Scroll Lock from the platform into panes 1 to 3.
    void UpdateLockIndicators();

signals:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Keeps the first size within the screen's available area.
    void FitToScreen();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes the blank indicator panes once the status bar is laid out.
    void FitBlankIndicators();
    int BlankWidth(QLabel* pane) const;
    static int LitWidth(QLabel* pane, const QString& text);
    void CreateMenus();
    void CreateAccelerators();
    bool CreateToolBar();
    bool CreateStatusBar();
    void RegisterFrameCommands();
    void ForwardEditCommand(int id);

    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QLabel* m_indicators[3] = {nullptr, nullptr, nullptr};
    // The one width of a blank indicator pane, fixed at the first show.
    int m_nBlankIndicatorWidth = 0;
    bool m_bFittedToScreen = false;
};
