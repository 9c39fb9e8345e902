#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

// What a QZM does with the bytes on its line, without any line: frames
// telegrams, checks them, keeps the configuration it receives and answers
// as the device does: 02 06, 02 15 for a malformed, out-of-range or
// out-of-order telegram, 02 04 for the last announced Block Memory.
// Faults can be injected per telegram, counted from 1 since start.
class CSimDevice
{
public:
    struct Block
    {
        int address = 0;
        bool parameter = true;
        int number = 0;
    };

    struct Configuration
    {
        int readCount = 0;
        int writeCount = 0;
        int baudRateFlag = 0;
        int parity = 0;
        int timeoutByte = 0;
        int protocol = 0;
        QList<Block> read;
        QList<Block> write;
    };

    struct Fault
    {
        bool silent = false;        // read the telegram, answer nothing
        bool replace = false;       // answer `reply` instead
        QByteArray reply;
        QByteArray extra;           // bytes sent after the answer
        int delayMs = 0;            // wait before answering
        bool hangUp = false;        // drop the line instead of answering
    };

    struct Answer
    {
        int number = 0;             // telegram number, from 1
        QByteArray telegram;
        QByteArray reply;           // what goes on the line (may be empty)
        int delayMs = 0;
        bool hangUp = false;
        bool transferComplete = false;
        bool startsTransfer = false; // a request: stale input may be dropped
    };

    // number 0 applies the fault to every telegram; faults add up.
    void AddFault(int number, const Fault& fault);

    // Bytes from the line; one answer per complete telegram, in order.
    QList<Answer> Feed(const QByteArray& bytes);
    // Forgets a partly received telegram (the line stayed quiet).
    void DropPartialFrame() { m_buffer.clear(); }
    bool HasPartialFrame() const { return !m_buffer.isEmpty(); }

    int CompletedTransfers() const { return m_nCompleted; }
    // The configuration of the last complete transfer.
    const Configuration& LastConfiguration() const { return m_last; }

    // What arrived: the last complete configuration, the transfer in
    // progress and every exchange, as JSON.
    QJsonObject ToJson() const;
    static QJsonObject ToJson(const Configuration& configuration);

private:
    enum class State { Idle, AwaitSizes, AwaitSettings, AwaitBlocks };

    QByteArray Process(const QByteArray& telegram, bool& complete);
    QByteArray Refuse();

    QByteArray m_buffer;
    State m_state = State::Idle;
    Configuration m_current;
    Configuration m_last;
    int m_nTelegrams = 0;
    int m_nCompleted = 0;
    QHash<int, Fault> m_faults;
    QList<QPair<QByteArray, QByteArray>> m_exchanges;
};

// Parses "N", "N:VALUE": telegram number (0 for "all" or "*") and the rest.
bool ParseFaultSpec(const QString& spec, int& number, QString& value);
