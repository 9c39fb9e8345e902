#pragma once

#include <QByteArray>
#include <QtGlobal>

class CBlockMemory;

// The framed telegrams sent to the QZM and the judging of its two-byte
// replies. Pure functions: no port, no widgets.
namespace Telegram {

constexpr char kSTX = 0x02;
constexpr char kETX = 0x03;
constexpr char kACK = 0x06;
constexpr char kNAK = 0x15;
constexpr char kEOT = 0x04;

enum Command : quint8 {
    kRequest = 0x01,
    kSizes = 0x02,
    kBlock = 0x04,
    kSettings = 0x08,
};

// Which exchange a reply answers; the last block of a transfer is accepted
// by a different code than the others.
enum class Kind { Request, Sizes, Settings, Block, LastBlock };

// Exclusive OR of the command byte and the data bytes.
quint8 Bcc(quint8 command, const QByteArray& data);
// STX, command, data, ETX, BCC.
QByteArray Build(quint8 command, const QByteArray& data);

QByteArray BuildRequest();
// baudRateSelection: the form's Baudrate selection (0 "9600", anything
// else, including no selection, means 19200).
QByteArray BuildSizes(qsizetype nRead, qsizetype nWrite, int baudRateSelection);
QByteArray BuildSettings(int nParity, int nTimeout, int nProtocol);
QByteArray BuildBlock(const CBlockMemory& block);

quint8 BaudRateFlag(int baudRateSelection);

// 0 when the reply accepts the telegram, otherwise the id of the message
// that reports the refusal. A reply shorter than two bytes is refused.
int JudgeReply(Kind kind, const QByteArray& reply);
// The status text shown while the telegram is exchanged.
int StatusTextId(Kind kind);

// "02 01 03 01"; "(nothing)" for an empty array.
QString HexDump(const QByteArray& bytes);

} // namespace Telegram
