#include "SimDevice.h"

#include <QJsonArray>

namespace {
constexpr char kSTX = 0x02;
constexpr char kETX = 0x03;
constexpr int kMaxBlocks = 48;
constexpr int kMaxLogged = 2000;

int dataLength(quint8 command)
{
    switch (command) {
    case 0x01: return 0;
    case 0x02: return 3;
    case 0x08: return 3;
    case 0x04: return 4;
    default: return -1;
    }
}

QByteArray reply(char code)
{
    return QByteArray(1, kSTX) + code;
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QJsonArray blocksToJson(const QList<CSimDevice::Block>& blocks)
{
    QJsonArray array;
    for (const CSimDevice::Block& b : blocks)
        array.append(QJsonObject{{"address", b.address}, {"parameter", b.parameter}, {"number", b.number}});
    return array;
}
} // namespace

void CSimDevice::AddFault(int number, const Fault& fault)
{
    Fault& f = m_faults[number];
    f.silent = f.silent || fault.silent;
    if (fault.replace) {
        f.replace = true;
        f.reply = fault.reply;
    }
    f.extra += fault.extra;
    f.delayMs += fault.delayMs;
    f.hangUp = f.hangUp || fault.hangUp;
}

QList<CSimDevice::Answer> CSimDevice::Feed(const QByteArray& bytes)
{
    QList<Answer> answers;
    m_buffer += bytes;
    for (;;) {
        // Line noise before a frame is ignored.
        const qsizetype start = m_buffer.indexOf(kSTX);
        if (start < 0) {
            m_buffer.clear();
            break;
        }
        m_buffer.remove(0, start);
        if (m_buffer.size() < 2)
            break;
        const int length = dataLength(quint8(m_buffer.at(1)));
        QByteArray telegram;
        if (length < 0) {
            // Unknown command: its length is unknown too, so everything
            // that came with it goes.
            telegram = m_buffer;
            m_buffer.clear();
        } else {
            if (m_buffer.size() < length + 4)
                break;
            telegram = m_buffer.left(length + 4);
            m_buffer.remove(0, length + 4);
        }

        Answer answer;
        answer.number = ++m_nTelegrams;
        answer.telegram = telegram;
        answer.startsTransfer = telegram == QByteArray("\x02\x01\x03\x01", 4);
        answer.reply = Process(telegram, answer.transferComplete);

        for (int key : {0, answer.number}) {
            const auto it = m_faults.constFind(key);
            if (it == m_faults.constEnd())
                continue;
            if (it->replace)
                answer.reply = it->reply;
            if (it->silent)
                answer.reply.clear();
            answer.reply += it->extra;
            answer.delayMs += it->delayMs;
            answer.hangUp = answer.hangUp || it->hangUp;
        }
        if (answer.hangUp)
            answer.reply.clear();
        if (m_exchanges.size() < kMaxLogged)
            m_exchanges.append({telegram, answer.reply});
        answers.append(answer);
    }
    return answers;
}

QByteArray CSimDevice::Refuse()
{
    m_state = State::Idle;
    return reply(0x15);
}

QByteArray CSimDevice::Process(const QByteArray& telegram, bool& complete)
{
    complete = false;
    const quint8 command = quint8(telegram.at(1));
    const int length = dataLength(command);
    if (length < 0 || telegram.size() != length + 4 || telegram.at(length + 2) != kETX)
        return Refuse();
    quint8 bcc = 0;
    for (int i = 1; i < length + 2; ++i)
        bcc ^= quint8(telegram.at(i));
    if (bcc != quint8(telegram.at(length + 3)))
        return Refuse();
    auto data = [&](int i) { return int(quint8(telegram.at(2 + i))); };

    switch (command) {
    case 0x01:
        // A request starts a transfer afresh, whatever came before.
        m_current = Configuration();
        m_state = State::AwaitSizes;
        return reply(0x06);
    case 0x02:
        if (m_state != State::AwaitSizes || data(0) > kMaxBlocks || data(1) > kMaxBlocks
            || (data(2) != 0x00 && data(2) != 0x80))
            return Refuse();
        m_current.readCount = data(0);
        m_current.writeCount = data(1);
        m_current.baudRateFlag = data(2);
        m_state = State::AwaitSettings;
        return reply(0x06);
    case 0x08:
        if (m_state != State::AwaitSettings || data(0) > 2 || data(1) < 5 || data(1) > 100 || data(2) > 1)
            return Refuse();
        m_current.parity = data(0);
        m_current.timeoutByte = data(1);
        m_current.protocol = data(2);
        if (m_current.readCount + m_current.writeCount == 0) {
            m_last = m_current;
            ++m_nCompleted;
            m_state = State::Idle;
            complete = true;
            return reply(0x06);
        }
        m_state = State::AwaitBlocks;
        return reply(0x06);
    case 0x04: {
        const int number = data(2) | (data(3) << 8);
        if (m_state != State::AwaitBlocks || data(0) < 1 || data(0) > 247 || data(1) > 1 || number > 9999)
            return Refuse();
        const Block block{data(0), data(1) == 1, number};
        if (m_current.read.size() < m_current.readCount)
            m_current.read.append(block);
        else
            m_current.write.append(block);
        if (m_current.read.size() + m_current.write.size() < m_current.readCount + m_current.writeCount)
            return reply(0x06);
        m_last = m_current;
        ++m_nCompleted;
        m_state = State::Idle;
        complete = true;
        return reply(0x04);
    }
    }
    return Refuse();
}

QJsonObject CSimDevice::ToJson(const Configuration& c)
{
    static const char* const parities[] = {"EVEN", "ODD", "NONE"};
    static const char* const protocols[] = {"Zelvra", "MODBUS-RTU"};
    return QJsonObject{
        {"readCount", c.readCount},
        {"writeCount", c.writeCount},
        {"baudRateFlag", c.baudRateFlag},
        {"baudRate", c.baudRateFlag == 0x80 ? 19200 : 9600},
        {"parity", c.parity},
        {"parityText", c.parity >= 0 && c.parity <= 2 ? parities[c.parity] : ""},
        {"timeoutByte", c.timeoutByte},
        {"timeout", c.timeoutByte * 10},
        {"protocol", c.protocol},
        {"protocolText", c.protocol >= 0 && c.protocol <= 1 ? protocols[c.protocol] : ""},
        {"read", blocksToJson(c.read)},
        {"write", blocksToJson(c.write)},
    };
}

QJsonObject CSimDevice::ToJson() const
{
    QJsonObject json;
    json["telegrams"] = m_nTelegrams;
    json["transfers"] = m_nCompleted;
    json["configuration"] = m_nCompleted > 0 ? QJsonValue(ToJson(m_last)) : QJsonValue();
    if (m_state != State::Idle)
        json["inProgress"] = ToJson(m_current);
    QJsonArray exchanges;
    for (const auto& [telegram, answer] : m_exchanges)
        exchanges.append(QJsonObject{{"telegram", hex(telegram)}, {"reply", hex(answer)}});
    json["exchanges"] = exchanges;
    return json;
}

bool ParseFaultSpec(const QString& spec, int& number, QString& value)
{
    const qsizetype colon = spec.indexOf(QLatin1Char(':'));
    const QString head = colon < 0 ? spec : spec.left(colon);
    value = colon < 0 ? QString() : spec.mid(colon + 1);
    if (head == QLatin1String("*") || head == QLatin1String("all")) {
        number = 0;
        return true;
    }
    bool ok = false;
    number = head.toInt(&ok);
    return ok && number >= 1;
}
