#include "support/TestEnvironment.h"

#include "framework/SettingsKeys.h"
#include "resources/Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#ifndef Q_OS_WIN
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

void InitTestEnvironment()
{
    InstallQZMStrings();
    SettingsKeys::UseProgramStore();
}

void WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
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

QByteArray SmallQzmFile()
{
    return HexBytes("03000000 01000000 00000000 00000000 01000000 00000000 64000000 02000000 01000000"
                    "01000000 00 01000000 00 07000000 00000000 01000000");
}

QByteArray HexBytes(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', "").replace(',', ""));
}

bool MakeDeadSocketFile(const QString& path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
#endif
}
