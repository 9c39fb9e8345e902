#include "app/AppMain.h"

#include "app/QZMApp.h"
#include "framework/WidgetInteraction.h"
#include "resources/Strings.h"

#include <QApplication>

#include <cstdio>

namespace {
// Messages for a run with no display: written out, answered with OK.
class CTerminalInteraction : public CWidgetInteraction
{
public:
    MsgAnswer MessageBox(const MessageRequest& request) override
    {
        QString text = request.text;
        if (!request.detailedText.isEmpty())
            text += QLatin1Char('\n') + request.detailedText;
        const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        switch (request.buttons) {
        case MessageRequest::Buttons::Ok: return MsgAnswer::Ok;
        case MessageRequest::Buttons::YesNo: return MsgAnswer::No;
        case MessageRequest::Buttons::YesNoCancel: return MsgAnswer::Cancel;
        }
        return MsgAnswer::Cancel;
    }
};
} // namespace

bool HasDisplay()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#endif
}

int RunQZMApplication(QApplication& application, bool terminalOnly)
{
    InstallQZMStrings();
    CWidgetInteraction widgets;
    CTerminalInteraction terminal;
    CInteraction::SetDefault(terminalOnly ? static_cast<CInteraction*>(&terminal) : &widgets);

    CQZMApp app(application.arguments().mid(1));
    const int code = app.Run();
    CInteraction::SetDefault(nullptr);
    return code;
}
