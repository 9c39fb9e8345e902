#include "transfer/TransferRecord.h"

#include <QJsonArray>

TransferExchange::Judgement ClassifyReply(Telegram::Kind kind, const QByteArray& reply)
{
    using J = TransferExchange::Judgement;
    // What the transfer accepts is accepted here; only a refusal is told apart.
    if (Telegram::JudgeReply(kind, reply) == 0)
        return kind == Telegram::Kind::LastBlock ? J::LastBlock : J::Accepted;
    if (reply.isEmpty())
        return J::NoReply;
    if (reply.size() < 2)
        return J::WrongLength;
    if (reply.at(0) != Telegram::kSTX)
        return J::BadFrame;
    switch (reply.at(1)) {
    case Telegram::kNAK:
        return J::Rejected;
    case Telegram::kACK:
    case Telegram::kEOT:
        return J::Unexpected;
    default:
        return J::BadFrame;
    }
}

namespace TransferRecordFormat {

namespace {
QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

double JsonMs(qint64 us)
{
    // To 0.1 ms, as the text shows it.
    return double((us + (us >= 0 ? 50 : -50)) / 100) / 10.0;
}
} // namespace

QString KindName(Telegram::Kind kind)
{
    switch (kind) {
    case Telegram::Kind::Request: return QStringLiteral("request");
    case Telegram::Kind::Sizes: return QStringLiteral("sizes");
    case Telegram::Kind::Settings: return QStringLiteral("settings");
    case Telegram::Kind::Block: return QStringLiteral("block");
    case Telegram::Kind::LastBlock: return QStringLiteral("last block");
    }
    return {};
}

QString JudgementName(TransferExchange::Judgement judgement)
{
    using J = TransferExchange::Judgement;
    switch (judgement) {
    case J::Pending: return QStringLiteral("waiting");
    case J::Accepted: return QStringLiteral("accepted");
    case J::LastBlock: return QStringLiteral("last block");
    case J::Rejected: return QStringLiteral("rejected");
    case J::Unexpected: return QStringLiteral("unexpected");
    case J::NoReply: return QStringLiteral("no reply");
    case J::WrongLength: return QStringLiteral("wrong length");
    case J::BadFrame: return QStringLiteral("bad frame");
    case J::WriteFailed: return QStringLiteral("write failed");
    case J::ReadFailed: return QStringLiteral("read failed");
    }
    return {};
}

QString OutcomeName(TransferRecord::Outcome outcome)
{
    switch (outcome) {
    case TransferRecord::Outcome::Running: return QStringLiteral("running");
    case TransferRecord::Outcome::Succeeded: return QStringLiteral("ok");
    case TransferRecord::Outcome::Failed:
    case TransferRecord::Outcome::SettingsFailed: return QStringLiteral("failed");
    }
    return {};
}

QString Milliseconds(qint64 us)
{
    if (us < 0)
        return QString();
    const qint64 tenths = (us + 50) / 100;
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

QString Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString After(const TransferExchange& exchange)
{
    QString text = Hex(exchange.after);
    if (exchange.afterMore > 0)
        text += QStringLiteral(" ... (+%1 more)").arg(exchange.afterMore);
    return text;
}

QString Received(const TransferExchange& exchange)
{
    if (exchange.judgement == TransferExchange::Judgement::Pending
        || exchange.judgement == TransferExchange::Judgement::WriteFailed)
        return QString();
    QString text = exchange.received.isEmpty() ? QStringLiteral("-") : Hex(exchange.received);
    if (!exchange.after.isEmpty())
        text += QStringLiteral(" +") + After(exchange);
    return text;
}

QString ExchangeLine(const TransferExchange& e)
{
    QString line = QStringLiteral("#%1 %2 ms  %3  sent %4  received %5")
                       .arg(e.number, -2)
                       .arg(Milliseconds(e.sentUs), 8)
                       .arg(KindName(e.kind), -10)
                       .arg(Hex(e.sent), -23)
                       .arg(Received(e).isEmpty() ? QStringLiteral("-") : Received(e), -8);
    if (e.replyUs >= 0)
        line += QStringLiteral("  in %1 ms").arg(Milliseconds(e.replyUs), 6);
    line += QStringLiteral("  ") + JudgementName(e.judgement);
    return line;
}

QString HeaderLine(const TransferRecord& r)
{
    QString where = r.port;
    if (!r.device.isEmpty() && r.device != r.port)
        where += QStringLiteral(" (") + r.device + QLatin1Char(')');
    return QStringLiteral("Send All to %1, started %2, %3 Read and %4 Write Block Memories")
        .arg(where, r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")))
        .arg(r.readCount)
        .arg(r.writeCount);
}

QString OutcomeLine(const TransferRecord& r)
{
    if (r.outcome == TransferRecord::Outcome::Running)
        return QStringLiteral("Running");
    QString line = QStringLiteral("Outcome: %1 after %2 ms").arg(OutcomeName(r.outcome), Milliseconds(r.totalUs));
    if (r.outcome == TransferRecord::Outcome::Succeeded)
        return line + QStringLiteral(": all %1 replies accepted").arg(r.exchanges.size());
    if (!r.message.isEmpty())
        line += QStringLiteral(": ") + r.message;
    if (!r.reason.isEmpty())
        line += QStringLiteral(" (") + OneLine(r.reason) + QLatin1Char(')');
    return line;
}

QString Text(const TransferRecord& r)
{
    QString text = HeaderLine(r) + QLatin1Char('\n');
    for (const TransferExchange& e : r.exchanges)
        text += ExchangeLine(e) + QLatin1Char('\n');
    text += OutcomeLine(r) + QLatin1Char('\n');
    return text;
}

QString Csv(const TransferRecord& r)
{
    QString csv = QStringLiteral("number,time_ms,telegram,sent,received,after,reply_ms,judgement,message\r\n");
    csv += QStringLiteral(",0.0,start,,,,,,%1\r\n").arg(CsvField(HeaderLine(r)));
    for (const TransferExchange& e : r.exchanges) {
        csv += QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,\r\n")
                   .arg(e.number)
                   .arg(Milliseconds(e.sentUs), KindName(e.kind), Hex(e.sent), Hex(e.received), After(e),
                        Milliseconds(e.replyUs), JudgementName(e.judgement));
    }
    QString message = r.message;
    if (!r.reason.isEmpty())
        message += (message.isEmpty() ? QString() : QStringLiteral(" ")) + QLatin1Char('(') + OneLine(r.reason)
            + QLatin1Char(')');
    csv += QStringLiteral(",%1,end,,,,,%2,%3\r\n")
               .arg(Milliseconds(r.totalUs), OutcomeName(r.outcome), CsvField(message));
    return csv;
}

QJsonObject ExchangeJson(const TransferExchange& e)
{
    QJsonObject json{
        {QStringLiteral("number"), e.number},
        {QStringLiteral("telegram"), KindName(e.kind)},
        {QStringLiteral("time"), JsonMs(e.sentUs)},
        {QStringLiteral("sent"), Hex(e.sent)},
        {QStringLiteral("received"), Hex(e.received)},
        {QStringLiteral("after"), Hex(e.after)},
        {QStringLiteral("afterMore"), e.afterMore},
        {QStringLiteral("judgement"), JudgementName(e.judgement)},
    };
    json[QStringLiteral("replyTime")] = e.replyUs >= 0 ? QJsonValue(JsonMs(e.replyUs)) : QJsonValue();
    return json;
}

QJsonObject Json(const TransferRecord& r)
{
    QJsonArray exchanges;
    for (const TransferExchange& e : r.exchanges)
        exchanges.append(ExchangeJson(e));
    return QJsonObject{
        {QStringLiteral("port"), r.port},
        {QStringLiteral("outcome"), OutcomeName(r.outcome)},
        {QStringLiteral("message"), r.message},
        {QStringLiteral("time"), JsonMs(r.totalUs)},
        {QStringLiteral("device"), r.device},
        {QStringLiteral("started"), r.started.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("messageId"), r.messageId},
        {QStringLiteral("reason"), r.reason},
        {QStringLiteral("read"), r.readCount},
        {QStringLiteral("write"), r.writeCount},
        {QStringLiteral("exchanges"), exchanges},
    };
}

QString RecentExchanges(const TransferRecord& r, int count)
{
    if (r.exchanges.isEmpty())
        return QString();
    const qsizetype first = qMax<qsizetype>(0, r.exchanges.size() - count);
    QString text = first > 0 ? QStringLiteral("Last %1 of %2 exchanges:").arg(r.exchanges.size() - first).arg(r.exchanges.size())
                             : QStringLiteral("Exchanges:");
    for (qsizetype i = first; i < r.exchanges.size(); ++i) {
        const TransferExchange& e = r.exchanges.at(i);
        text += QStringLiteral("\n#%1 %2 at %3 ms: sent %4, received %5: %6")
                    .arg(e.number)
                    .arg(KindName(e.kind), Milliseconds(e.sentUs), Hex(e.sent),
                         Received(e).isEmpty() ? QStringLiteral("-") : Received(e), JudgementName(e.judgement));
    }
    return text;
}

} // namespace TransferRecordFormat
