#pragma once

#include "transfer/Telegram.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

// One telegram and what came back for it, as the transfer saw it.
struct TransferExchange
{
    // A line that never stops talking must not fill the record.
    static constexpr int kAfterKept = 32;

    enum class Judgement {
        Pending,        // sent, reply not read yet
        Accepted,       // 02 06 where it was expected
        LastBlock,      // 02 04 accepting the last block
        Rejected,       // 02 15
        Unexpected,     // a framed answer code that does not fit this telegram
        NoReply,        // nothing within the read time-out
        WrongLength,    // fewer than two bytes
        BadFrame,       // two bytes, but no STX or an unknown answer code
        WriteFailed,    // the port failed while writing
        ReadFailed,     // the port failed while reading
    };

    int number = 0;                 // 1 for the request
    Telegram::Kind kind = Telegram::Kind::Request;
    qint64 sentUs = 0;              // since the start of the transfer
    qint64 replyUs = -1;            // from the write to the end of the read; -1: not read
    QByteArray sent;
    QByteArray received;            // the reply as read: two bytes or fewer
    // Bytes already on the line after the reply was read (they start the
    // next reply), or that arrived after the last read of the transfer:
    // the first kAfterKept of them, and how many more there were.
    QByteArray after;
    qint64 afterMore = 0;
    Judgement judgement = Judgement::Pending;

    // Keeps the start of `bytes` as `after` and counts the rest.
    void KeepAfter(const QByteArray& bytes)
    {
        after = bytes.left(kAfterKept);
        afterMore = bytes.size() - after.size();
    }
    qint64 AfterSize() const { return after.size() + afterMore; }
};

// What one Send All did on the line: kept by the transfer as it goes, shown
// by the window's Transfer Monitor and written by qzm-cli send.
struct TransferRecord
{
    enum class Outcome {
        Running,
        Succeeded,
        Failed,         // a message was shown (messageId)
        SettingsFailed, // the port opened but could not be set up; no message
    };

    // A whole transfer is request, sizes, settings and 2 x 48 blocks.
    static constexpr int kMaxExchanges = 3 + 2 * 48;

    QDateTime started;              // local time
    QString port;                   // "COM1".."COM4", or the device as named
    QString device;                 // what was opened
    int readCount = 0;
    int writeCount = 0;
    QList<TransferExchange> exchanges;
    Outcome outcome = Outcome::Running;
    int messageId = 0;              // the message shown; 0 when none
    QString message;                // its text, or why the transfer stopped without one
    QString reason;                 // the operating system's reason, if any
    qint64 totalUs = 0;             // until the last exchange ended
};

// How a reply of `kind` is judged: Accepted or LastBlock where
// Telegram::JudgeReply accepts it, otherwise why it was refused.
TransferExchange::Judgement ClassifyReply(Telegram::Kind kind, const QByteArray& reply);

namespace TransferRecordFormat {

QString KindName(Telegram::Kind kind);
QString JudgementName(TransferExchange::Judgement judgement);
// "ok", "failed" or "running".
QString OutcomeName(TransferRecord::Outcome outcome);
// Microseconds as milliseconds to 0.1 ms: "1003.2".
QString Milliseconds(qint64 us);
// The bytes as hex, "02 06"; empty for none.
QString Hex(const QByteArray& bytes);
// The bytes after a reply: "02 06", "02 06 02 06 ... (+4064 more)".
QString After(const TransferExchange& exchange);
// The reply column: "02 06", "02 06 +02" with bytes after it, "-" for none.
QString Received(const TransferExchange& exchange);

// One line for one exchange (the text log and the plain-text copy).
QString ExchangeLine(const TransferExchange& exchange);
// The first line of a record: when, where, how much.
QString HeaderLine(const TransferRecord& record);
// The last line: the outcome and the message shown.
QString OutcomeLine(const TransferRecord& record);
// Header, one line per exchange, outcome; "\n" line ends.
QString Text(const TransferRecord& record);
// A header row, then one row per exchange; the outcome in a final row.
QString Csv(const TransferRecord& record);
// {"port", "outcome", "message", "time", ... , "exchanges": [...]}: one
// object per port for qzm-cli send --json.
QJsonObject Json(const TransferRecord& record);
QJsonObject ExchangeJson(const TransferExchange& exchange);
// The last few exchanges in short, for the detail text of a failure.
QString RecentExchanges(const TransferRecord& record, int count = 4);

} // namespace TransferRecordFormat

// Follows a transfer's record as it changes (the window's monitor).
class CTransferObserver
{
public:
    virtual ~CTransferObserver() = default;
    virtual void TransferStarted(const TransferRecord& record) = 0;
    // Exchange `index` was added or changed.
    virtual void ExchangeChanged(const TransferRecord& record, int index) = 0;
    virtual void TransferFinished(const TransferRecord& record) = 0;
};
