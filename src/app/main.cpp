#include "app/AppMain.h"
#include "app/InformationSwitches.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString information = InformationSwitchText(arguments);
    if (!information.isEmpty()) {
        const QByteArray bytes = information.toLocal8Bit();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication application(argc, argv);
    return RunQZMApplication(application);
}
