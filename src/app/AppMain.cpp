#include "app/AppMain.h"

#include "app/QZMApp.h"
#include "document/QZMDoc.h"
#include "framework/WidgetInteraction.h"
#include "resources/Strings.h"
#include "transfer/SendAll.h"

#include <QApplication>

int RunQZMApplication(QApplication& application)
{
    InstallQZMStrings();
    CWidgetInteraction interaction;
    CInteraction::SetDefault(&interaction);

    CQZMApp app(application.arguments().mid(1));
    // The Transfer Monitor follows every Send All from the window.
    CQZMDoc::SetSendAllHandler([&app](CQZMDoc& doc) { SendAllFromWindowObserved(doc, app.TransferHistory()); });
    const int code = app.Run();
    CQZMDoc::SetSendAllHandler(nullptr);
    CInteraction::SetDefault(nullptr);
    return code;
}
