#include "ShownProbe.h"

#include "app/AppMain.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    ShownProbe probe;
    application.installEventFilter(&probe);
    return RunQZMApplication(application);
}
