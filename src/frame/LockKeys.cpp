#include "frame/LockKeys.h"

#include <QGuiApplication>
#if defined(QZM_HAVE_X11)
#include <QtGui/qguiapplication_platform.h>
#endif

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(QZM_HAVE_X11)
#include <X11/XKBlib.h>
#endif

std::optional<LockKeyState> ReadLockKeyState()
{
#if defined(Q_OS_WIN)
    LockKeyState state;
    state.caps = GetKeyState(VK_CAPITAL) & 1;
    state.num = GetKeyState(VK_NUMLOCK) & 1;
    state.scroll = GetKeyState(VK_SCROLL) & 1;
    return state;
#elif defined(QZM_HAVE_X11)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    // Look the indicators up by name: their positions depend on the keymap.
    auto named = [display](const char* name, bool& on) {
        int index = 0;
        Bool state = False;
        const Atom atom = XInternAtom(display, name, True);
        if (atom == None || !XkbGetNamedIndicator(display, atom, &index, &state, nullptr, nullptr))
            return false;
        on = state;
        return true;
    };
    LockKeyState state;
    if (!named("Caps Lock", state.caps))
        return std::nullopt;
    named("Num Lock", state.num);
    named("Scroll Lock", state.scroll);
    return state;
#else
    return std::nullopt;
#endif
}
