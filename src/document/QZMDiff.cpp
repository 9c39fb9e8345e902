#include "document/QZMDiff.h"

#include "document/BlockMemory.h"
#include "document/QZMDoc.h"
#include "document/QZMFields.h"
#include "framework/LocalText.h"

namespace {
using Change = QZMDifference::Change;
using Section = QZMDifference::Section;

// A description on one line: quoted, its line breaks and quotes escaped.
QString Quoted(const QByteArray& stored)
{
    QString text = DecodeStoredText(stored).text;
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString EntryText(const CBlockMemory& block)
{
    return QStringLiteral("Description %1, Address in network %2, %3")
        .arg(Quoted(block.m_strDescription))
        .arg(block.m_nAddress)
        .arg(block.ItemName());
}

class CDiffCollector
{
public:
    void Compare(Section section, int entry, const char* field, const char* label, const QString& before,
                 const QString& after)
    {
        if (before != after)
            m_list.append({Change::Changed, section, entry, QString::fromLatin1(field), QString::fromLatin1(label),
                           before, after});
    }
    void Whole(Change change, Section section, int entry, const CBlockMemory& block)
    {
        const QString text = EntryText(block);
        m_list.append({change, section, entry, {}, {}, change == Change::Removed ? text : QString(),
                       change == Change::Added ? text : QString()});
    }
    void CompareLists(Section section, const QList<CBlockMemory*>& before, const QList<CBlockMemory*>& after)
    {
        const qsizetype common = qMin(before.size(), after.size());
        for (qsizetype i = 0; i < common; ++i) {
            const CBlockMemory& a = *before.at(i);
            const CBlockMemory& b = *after.at(i);
            const int n = int(i + 1);
            Compare(section, n, "description", "Description", Quoted(a.m_strDescription), Quoted(b.m_strDescription));
            Compare(section, n, "address", "Address in network", QString::number(a.m_nAddress),
                    QString::number(b.m_nAddress));
            Compare(section, n, "item", "Parameter/Variable number", a.ItemName(), b.ItemName());
        }
        for (qsizetype i = common; i < before.size(); ++i)
            Whole(Change::Removed, section, int(i + 1), *before.at(i));
        for (qsizetype i = common; i < after.size(); ++i)
            Whole(Change::Added, section, int(i + 1), *after.at(i));
    }
    QList<QZMDifference> Take() { return std::move(m_list); }

private:
    QList<QZMDifference> m_list;
};

QString SerialPortText(int port)
{
    return QZMFields::kSerialPort.Contains(port) ? QStringLiteral("COM%1").arg(port) : QString::number(port);
}
} // namespace

QString QZMDifference::Where() const
{
    switch (section) {
    case Section::Settings: return QStringLiteral("Settings");
    case Section::Read: return QStringLiteral("Read Block Memory %1").arg(entry, 2, 10, QLatin1Char('0'));
    case Section::Write: return QStringLiteral("Write Block Memory %1").arg(entry, 2, 10, QLatin1Char('0'));
    }
    return {};
}

QString QZMDifference::Line() const
{
    switch (change) {
    case Change::Added: return Where() + QStringLiteral(": added: ") + after;
    case Change::Removed: return Where() + QStringLiteral(": removed: ") + before;
    case Change::Changed: break;
    }
    const QString values = label + QStringLiteral(": ") + before + QStringLiteral(" -> ") + after;
    return section == Section::Settings ? values : Where() + QStringLiteral(": ") + values;
}

QList<QZMDifference> DiffConfigurations(const CQZMDoc& before, const CQZMDoc& after)
{
    using namespace QZMFields;
    CDiffCollector diff;
    const Section s = Section::Settings;
    diff.Compare(s, 0, "description", "Description of this QZM", Quoted(before.Description()),
                 Quoted(after.Description()));
    diff.Compare(s, 0, "protocol", "Protocol", QString::fromLatin1(kProtocols.Name(before.Protocol())),
                 QString::fromLatin1(kProtocols.Name(after.Protocol())));
    diff.Compare(s, 0, "baudRate", "Baudrate", QString::fromLatin1(kBaudRates.Name(before.BaudRate())),
                 QString::fromLatin1(kBaudRates.Name(after.BaudRate())));
    diff.Compare(s, 0, "parity", "Parity", QString::fromLatin1(kParities.Name(before.Parity())),
                 QString::fromLatin1(kParities.Name(after.Parity())));
    diff.Compare(s, 0, "timeout", "Timeout", QStringLiteral("%1 msec").arg(before.Timeout()),
                 QStringLiteral("%1 msec").arg(after.Timeout()));
    diff.Compare(s, 0, "serialPort", "Serial Port Number", SerialPortText(before.SerialPort()),
                 SerialPortText(after.SerialPort()));
    diff.CompareLists(Section::Read, before.ReadBlocks(), after.ReadBlocks());
    diff.CompareLists(Section::Write, before.WriteBlocks(), after.WriteBlocks());
    return diff.Take();
}
