#include "document/TextReport.h"

#include "document/QZMDoc.h"
#include "document/QZMFields.h"
#include "framework/LocalText.h"

QString ReportNameFromTitle(const QString& title)
{
    const int dot = title.indexOf(QLatin1Char('.'));
    return (dot < 0 ? title : title.left(dot)) + QStringLiteral(".txt");
}

namespace {
void AppendEntry(QByteArray& out, const char* kind, int n, const CBlockMemory& block)
{
    out += QByteArray(kind) + " Block Memory " + QByteArray::number(n).rightJustified(2, '0') + "\r\n";
    out += "---------------------\r\n";
    out += "Description of this Block Memory: " + block.m_strDescription + "\r\n";
    out += "Address in Network: " + QByteArray::number(block.m_nAddress) + "\r\n";
    if (block.m_bParameter)
        out += "Parameter: P" + QByteArray::number(block.m_nNumber) + "\r\n\r\n";
    else
        out += "Basic Variable: VB" + QByteArray::number(block.m_nNumber) + "\r\n\r\n";
}
} // namespace

QByteArray BuildTextReport(const CQZMDoc& doc, const QString& reportName)
{
    static const QByteArray stars = QByteArray(50, '*') + "\r\n\r\n";
    QByteArray out;
    out += "Zelvra\r\n";
    out += "QZM Application\r\n";
    out += "File: " + TextToLocalBytes(reportName) + "\r\n\r\n";
    out += "Description of this QZM: " + doc.Description() + "\r\n\r\n";
    out += "Settings:\r\n";
    out += QByteArray("    Protocol: ") + QZMFields::kProtocols.Name(doc.Protocol()) + "\r\n";
    out += QByteArray("    Baudrate: ") + QZMFields::kBaudRates.Name(doc.BaudRate()) + " bps\r\n";
    out += QByteArray("    Parity: ") + QZMFields::kParities.Name(doc.Parity()) + "\r\n";
    out += "    Timeout: " + QByteArray::number(doc.Timeout()) + " msec\r\n\r\n";
    out += stars;
    for (int i = 0; i < doc.ReadBlocks().size(); ++i)
        AppendEntry(out, "Read", i + 1, *doc.ReadBlocks().at(i));
    out += stars;
    for (int i = 0; i < doc.WriteBlocks().size(); ++i)
        AppendEntry(out, "Write", i + 1, *doc.WriteBlocks().at(i));
    return out;
}
