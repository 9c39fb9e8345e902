#include "document/TextReport.h"

#include "document/QZMDoc.h"
#include "framework/LocalText.h"

QString ReportNameFromTitle(const QString& title)
{
    const int dot = title.indexOf(QLatin1Char('.'));
    return (dot < 0 ? title : title.left(dot)) + QStringLiteral(".txt");
}

namespace {
void appendEntry(QByteArray& out, const char* kind, int n, const CBlockMemory& block)
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
    out += "Description of this QZM: " + doc.m_strDescription + "\r\n\r\n";
    out += "Settings:\r\n";
    out += QByteArray("    Protocol: ") + (doc.m_nProtocol == 0 ? "Zelvra" : "MODBUS-RTU") + "\r\n";
    out += QByteArray("    Baudrate: ") + (doc.m_nBaudRate == 0 ? "9600" : "19200") + " bps\r\n";
    out += QByteArray("    Parity: ")
        + (doc.m_nParity == 0 ? "EVEN" : doc.m_nParity == 1 ? "ODD" : "NONE") + "\r\n";
    out += "    Timeout: " + QByteArray::number(doc.m_nTimeout) + " msec\r\n\r\n";
    out += stars;
    for (int i = 0; i < doc.m_arrRead.size(); ++i)
        appendEntry(out, "Read", i + 1, *doc.m_arrRead.at(i));
    out += stars;
    for (int i = 0; i < doc.m_arrWrite.size(); ++i)
        appendEntry(out, "Write", i + 1, *doc.m_arrWrite.at(i));
    return out;
}
