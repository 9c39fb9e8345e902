#include "framework/Archive.h"

#include <QIODevice>
#include <QtEndian>

CArchive::CArchive(QIODevice* device, Mode mode) : m_device(device), m_mode(mode) {}

void CArchive::WriteInt(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    if (m_device->write(bytes, 4) != 4)
        throw CArchiveDeviceError{};
}

qint32 CArchive::ReadInt()
{
    char bytes[4];
    qint64 got = 0;
    while (got < 4) {
        const qint64 n = m_device->read(bytes + got, 4 - got);
        if (n < 0)
            throw CArchiveDeviceError{};
        if (n == 0)
            throw CArchiveException{CArchiveException::EndOfFile};
        got += n;
    }
    return qFromLittleEndian<qint32>(bytes);
}

void CArchive::WriteBytes(const QByteArray& bytes)
{
    if (m_device->write(bytes) != bytes.size())
        throw CArchiveDeviceError{};
}

QByteArray CArchive::ReadBytes(qint64 count)
{
    // Read in bounded chunks so a huge length field cannot make us
    // allocate beyond what the file holds.
    QByteArray result;
    constexpr qint64 chunk = 64 * 1024;
    while (count > 0) {
        const QByteArray part = m_device->read(qMin(count, chunk));
        if (part.isEmpty())
            break;
        result += part;
        count -= part.size();
    }
    return result;
}

void CArchive::WriteText(const QByteArray& text)
{
    // The stored text ends at its first zero byte, as it does when read back.
    const qsizetype zero = text.indexOf('\0');
    const QByteArray body = zero < 0 ? text : text.left(zero);
    WriteInt(qint32(body.size() + 1));
    WriteBytes(body);
    WriteBytes(QByteArray(1, '\0'));
}

QByteArray CArchive::ReadText()
{
    const qint32 length = ReadInt();
    if (length <= 0)
        return {};
    QByteArray bytes = ReadBytes(length);
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}
