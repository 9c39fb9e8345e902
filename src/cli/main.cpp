#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "qzm-cli: no command yet\n";
    return 2;
}
