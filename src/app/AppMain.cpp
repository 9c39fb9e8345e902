#include "app/AppMain.h"

#include "app/QZMApp.h"
#include "framework/WidgetInteraction.h"
#include "resources/Strings.h"

#include <QApplication>

int RunQZMApplication(QApplication& application)
{
    InstallQZMStrings();
    CWidgetInteraction interaction;
    CInteraction::SetDefault(&interaction);

    CQZMApp app(application.arguments().mid(1));
    const int code = app.Run();
    CInteraction::SetDefault(nullptr);
    return code;
}
