#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// Thrown when a load finds the file shorter or shaped otherwise than its
// layout calls for.
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
// Loading never allocates more than the bytes the device actually has,
// whatever a length field claims.
class CArchive
{
public:
    enum Mode { store, load };

    CArchive(QIODevice* device, Mode mode);

    bool IsStoring() const { return m_mode == store; }

    void WriteInt(qint32 value);
    // Throws CArchiveException(EndOfFile) when fewer than 4 bytes are left.
    qint32 ReadInt();

    void WriteBytes(const QByteArray& bytes);
    // Reads up to count bytes; returns fewer when the device ends first.
    QByteArray ReadBytes(qint64 count);

    // Text field: 32-bit length L (text bytes + 1), the bytes, a zero byte.
    // A text is stored up to its first zero byte, as it reads back.
    void WriteText(const QByteArray& text);
    // The text before the first zero byte of the L bytes; all L bytes when
    // they hold none; empty for L = 0. A negative L, or L bytes running
    // past the end of the file, is a format error (EndOfFile).
    QByteArray ReadText();

private:
    QIODevice* m_device;
    Mode m_mode;
};
