#include "framework/FirstFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
class CFirstFrameWatcher : public QObject
{
public:
    CFirstFrameWatcher(QWidget* window, QEventLoop& loop) : m_window(window), m_loop(loop) {}

    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window may get its platform window only while it is shown, so
        // the watch is on the application, for the expose of that window.
        if (event->type() == QEvent::Expose && m_window && watched == m_window->windowHandle()
            && static_cast<QWindow*>(watched)->isExposed() && !m_seen) {
            m_seen = true;
            // Queued behind the expose: runs once the frame is painted.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    painted = true;
                    m_loop.quit();
                },
                Qt::QueuedConnection);
        } else if (event->type() == QEvent::Hide && watched == m_window) {
            m_loop.quit();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QEventLoop& m_loop;
    bool m_seen = false;
};
} // namespace

bool WaitForFirstFrame(QWidget* window, int timeoutMs)
{
    if (!window || !window->isVisible())
        return false;
    // Mapped only once an expose has been handled, and so painted.
    if (window->testAttribute(Qt::WA_Mapped))
        return true;
    QEventLoop loop;
    CFirstFrameWatcher watcher(window, loop);
    QCoreApplication::instance()->installEventFilter(&watcher);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    loop.exec();
    QCoreApplication::instance()->removeEventFilter(&watcher);
    return watcher.painted;
}
