#include "app/QZMApp.h"
#include "framework/WidgetInteraction.h"
#include "resources/Strings.h"
#include "transfer/SendAll.h"
#include "document/QZMDoc.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    InstallQZMStrings();
    CWidgetInteraction interaction;
    CInteraction::SetDefault(&interaction);
    CQZMDoc::SetSendAllHandler(SendAllFromWindow);

    CQZMApp app(QApplication::arguments().mid(1));
    return app.Run();
}
