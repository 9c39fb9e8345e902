#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// The PC end of the cable to the QZM, behind an interface so tests can
// script the device. All calls block the calling thread.
class CSerialLink
{
public:
    enum class OpenResult {
        Opened,
        // The port does not exist, is held by another program or refuses us.
        OpenFailed,
        // The port opened but its line settings could not be set.
        SettingsFailed,
    };

    static constexpr int kReadTimeoutMs = 1000;
    static constexpr int kWriteTimeoutPerByteMs = 100;
    static constexpr int kWriteTimeoutConstantMs = 1000;
    // A network port's name lookup and connection together.
    static constexpr int kConnectTimeoutMs = 3000;
    // The most a link takes in ahead of its reads: a line that never stops
    // talking waits in the system (and its flow control), not in memory.
    static constexpr int kMaxBufferedBytes = 4096;

    virtual ~CSerialLink() = default;

    // Opens the device exclusively at 9600 baud, 8 data bits, no parity,
    // 1 stop bit.
    virtual OpenResult Open(const QString& device) = 0;
    // Sends every byte within 100 ms per byte plus 1000 ms; false when the
    // write fails or does not finish in that time.
    virtual bool Write(const QByteArray& bytes) = 0;
    // Reads up to count bytes into reply: returns as soon as they are there,
    // at the latest 1000 ms after the call, with what has arrived. False
    // only when the port itself fails. Bytes beyond count stay for the
    // next read.
    virtual bool Read(int count, QByteArray& reply) = 0;
    // The bytes already waiting to be read, without taking them. With
    // atLeast 0 only what the link has taken in already (no system call);
    // otherwise also what the system holds, and when fewer than atLeast
    // are there, waits up to waitMs for more. At most kMaxBufferedBytes.
    // For the transfer record only: what the next Read returns stays the
    // same.
    virtual QByteArray Peek(int atLeast = 0, int waitMs = 0)
    {
        Q_UNUSED(atLeast)
        Q_UNUSED(waitMs)
        return {};
    }
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The operating system's reason for the last failure.
    virtual QString ErrorString() const = 0;
};

// The real link: Qt's serial port for a device, a TCP connection for
// tcp://HOST:PORT (a network serial server).
std::unique_ptr<CSerialLink> CreateSerialPortLink();

// "COM1".."COM4" for port numbers 1..4; empty for any other number.
QString SerialPortName(int nSerialPort);
// The device behind COM<n>: environment variable QZM_COM<n>, then the
// settings entry "Serial Ports/COM<n>", then the platform's own port.
// Empty for a number outside 1..4.
QString SerialPortDevice(int nSerialPort);
