#include "framework/Archive.h"

#include <QIODevice>
#include <QtEndian>

#include <limits>

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
    QByteArray result;
    if (count <= 0)
        return result;
    // A length field may claim far more than the file holds: size the
    // result by what is there, never by the claim.
    if (!m_device->isSequential()) {
        count = qMin(count, qMax<qint64>(0, m_device->size() - m_device->pos()));
        result.reserve(count);
    }
    char chunk[4096];
    while (count > 0) {
        const qint64 n = m_device->read(chunk, qMin<qint64>(count, sizeof chunk));
        if (n < 0)
            throw CArchiveDeviceError{};
        if (n == 0)
            break;
        result.append(chunk, n);
        count -= n;
    }
    return result;
}

void CArchive::WriteText(const QByteArray& text)
{
    const qsizetype zero = text.indexOf('\0');
    const QByteArray body = zero < 0 ? text : text.left(zero);
    if (body.size() >= qsizetype(std::numeric_limits<qint32>::max()))
        throw CArchiveDeviceError{};
    WriteInt(qint32(body.size() + 1));
    WriteBytes(body);
    WriteBytes(QByteArray(1, '\0'));
}

QByteArray CArchive::ReadText()
{
    const qint32 length = ReadInt();
    if (length < 0)
        throw CArchiveException{CArchiveException::EndOfFile};
    QByteArray bytes = ReadBytes(length);
    if (bytes.size() < length)
        throw CArchiveException{CArchiveException::EndOfFile};
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}
