#include "ShownProbe.h"

#include <QMenuBar>

// A bare QMainWindow; with --text it also carries one menu, so that it loads
// the fonts every window showing text has to load.
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    ShownProbe probe;
    application.installEventFilter(&probe);
    QMainWindow window;
    if (application.arguments().contains(QStringLiteral("--text")))
        window.menuBar()->addMenu(QStringLiteral("&File"));
    window.resize(312, 658);
    window.show();
    return application.exec();
}
