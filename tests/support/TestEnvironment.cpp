#include "support/TestEnvironment.h"

#include "resources/Strings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

void InitTestEnvironment()
{
    InstallQZMStrings();
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvra"));
    QCoreApplication::setApplicationName(QStringLiteral("QZM"));
}

void WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
}

QByteArray ReadTestFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray HexBytes(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', "").replace(',', ""));
}
