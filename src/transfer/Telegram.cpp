#include "transfer/Telegram.h"

#include "document/BlockMemory.h"
#include "resources/Resource.h"

#include <QString>

namespace Telegram {

quint8 Bcc(quint8 command, const QByteArray& data)
{
    quint8 bcc = command;
    for (char byte : data)
        bcc ^= quint8(byte);
    return bcc;
}

QByteArray Build(quint8 command, const QByteArray& data)
{
    QByteArray telegram;
    telegram.reserve(data.size() + 4);
    telegram.append(kSTX);
    telegram.append(char(command));
    telegram.append(data);
    telegram.append(kETX);
    telegram.append(char(Bcc(command, data)));
    return telegram;
}

QByteArray BuildRequest()
{
    return Build(kRequest, {});
}

quint8 BaudRateFlag(int baudRateSelection)
{
    return baudRateSelection == 0 ? 0x00 : 0x80;
}

QByteArray BuildSizes(qsizetype nRead, qsizetype nWrite, int baudRateSelection)
{
    QByteArray data;
    data.append(char(nRead & 0xFF));
    data.append(char(nWrite & 0xFF));
    data.append(char(BaudRateFlag(baudRateSelection)));
    return Build(kSizes, data);
}

QByteArray BuildSettings(int nParity, int nTimeout, int nProtocol)
{
    QByteArray data;
    data.append(char(nParity & 0xFF));
    data.append(char((nTimeout / 10) & 0xFF));
    data.append(char(nProtocol & 0xFF));
    return Build(kSettings, data);
}

QByteArray BuildBlock(const CBlockMemory& block)
{
    QByteArray data;
    data.append(char(block.m_nAddress & 0xFF));
    data.append(char(block.m_bParameter & 0xFF));
    data.append(char(block.m_nNumber & 0xFF));
    data.append(char((block.m_nNumber >> 8) & 0xFF));
    return Build(kBlock, data);
}

int JudgeReply(Kind kind, const QByteArray& reply)
{
    const bool framed = reply.size() >= 2 && reply.at(0) == kSTX;
    const char code = framed ? reply.at(1) : char(-1);
    switch (kind) {
    case Kind::Request:
        return code == kACK ? 0 : IDS_QZM_NO_RESPONSE;
    case Kind::Sizes:
    case Kind::Settings:
        if (code == kACK)
            return 0;
        return code == kNAK ? IDS_SIZES_INCORRECT : IDS_FAIL_READ_DATA;
    case Kind::Block:
        return code == kACK ? 0 : IDS_FAIL_READ_DATA;
    case Kind::LastBlock:
        return code == kEOT ? 0 : IDS_FAIL_READ_DATA;
    }
    return IDS_FAIL_READ_DATA;
}

int StatusTextId(Kind kind)
{
    switch (kind) {
    case Kind::Request: return IDS_REQUEST_TRANSFER;
    case Kind::Sizes: return IDS_SENDING_SIZES;
    case Kind::Settings: return IDS_SENDING_SETTINGS;
    case Kind::Block:
    case Kind::LastBlock: return IDS_TRANSFER_BLOCKS;
    }
    return IDS_TRANSFER_BLOCKS;
}

QString HexDump(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("(nothing)");
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace Telegram
