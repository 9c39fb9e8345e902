#pragma once

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <unistd.h>

// Prints CLOCK_MONOTONIC (ns) once the first window has painted its first
// frame, then ends the process at once so teardown does not count. The
// expose event is delivered here first: a widget window paints and flushes
// while it handles that event, so the time is taken after it returns.
class ShownProbe : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !m_delivering) {
            m_delivering = true;
            static_cast<QObject*>(window)->event(event);
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            _exit(0);
        }
        return false;
    }

private:
    bool m_delivering = false;
};
