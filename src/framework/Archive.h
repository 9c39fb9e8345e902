#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// Thrown when a load runs out of bytes where the layout calls for more.
struct CArchiveException
{
    enum Cause { EndOfFile, BadSchema };
    Cause cause = EndOfFile;
};

// Thrown when the device refuses a write or a read.
struct CArchiveDeviceError
{
};

// Sequential little-endian byte archive over a QIODevice, storing or loading.
// Loading never allocates more than the bytes the device actually has.
class CArchive
{
public:
    enum Mode { store, load };

    CArchive(QIODevice* device, Mode mode);

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }

    void WriteInt(qint32 value);
    qint32 ReadInt();

    void WriteBytes(const QByteArray& bytes);
    // Reads up to count bytes; returns fewer when the device ends first.
    QByteArray ReadBytes(qint64 count);

    // Text field: 32-bit length L (text bytes + 1), the bytes, a zero byte.
    void WriteText(const QByteArray& text);
    QByteArray ReadText();

    QIODevice* device() const { return m_device; }

private:
    QIODevice* m_device;
    Mode m_mode;
};
