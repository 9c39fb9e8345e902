#include "editor/BlockRows.h"

#include "document/QZMFields.h"
#include "editor/FormControls.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

#include <QRegularExpression>

#include <optional>

using namespace QZMFields;

namespace {
QString QuotedCell(QString cell)
{
    if (!cell.contains(QLatin1Char('\t')) && !cell.contains(QLatin1Char('\n')) && !cell.contains(QLatin1Char('"')))
        return cell;
    cell.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + cell + QLatin1Char('"');
}

// Cells of each row; quoted cells may hold separators, quotes and line breaks.
QList<QStringList> SplitRows(const QString& text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool cellStarted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"') && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (c == separator) {
            row << cell;
            cell.clear();
            cellStarted = false;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            cellStarted = false;
        } else {
            cell += c;
            cellStarted = true;
        }
    }
    if (cellStarted || !row.isEmpty())
        rows << (row << cell);
    return rows;
}

QChar SeparatorOf(const QString& text)
{
    const QString first = text.section(QLatin1Char('\n'), 0, 0);
    if (text.contains(QLatin1Char('\t')))
        return QLatin1Char('\t');
    if (first.contains(QLatin1Char(';')) && !first.contains(QLatin1Char(',')))
        return QLatin1Char(';');
    return QLatin1Char(',');
}

// The whole cell as a number the way the form's fields take it (a spin's
// "9,999" included); nothing when it is not one.
std::optional<int> CellNumber(const QString& cell)
{
    QString digits = cell.trimmed();
    const QString plain = PlainSpinText(digits);
    if (!plain.isEmpty())
        digits = plain;
    static const QRegularExpression number(QStringLiteral("^\\+?[0-9]{1,9}$"));
    if (!number.match(digits).hasMatch())
        return std::nullopt;
    return ReadFieldNumber(digits);
}

// P / VB as the table shows them, or the words of the form and the report.
std::optional<int> CellKind(const QString& cell)
{
    const QString kind = cell.trimmed().toLower();
    for (const char* parameter : {"p", "parameter"})
        if (kind == QLatin1String(parameter))
            return 1;
    for (const char* variable : {"vb", "v", "variable", "basic variable"})
        if (kind == QLatin1String(variable))
            return 0;
    return std::nullopt;
}

bool IsHeaderRow(const QStringList& row)
{
    // A header names its columns: neither its address nor its number is one.
    return row.size() == 4 && !CellNumber(row.at(1)) && !CellNumber(row.at(3)) && !CellKind(row.at(2));
}

bool IsBlankRow(const QStringList& row)
{
    for (const QString& cell : row)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}
} // namespace

QStringList BlockTableHeaders()
{
    return {QStringLiteral("#"), QStringLiteral("Description"), QStringLiteral("Address in network"),
            QStringLiteral("P or VB"), QStringLiteral("Number")};
}

QString BlockRowsText(const QList<CBlockMemory>& blocks)
{
    QString text;
    for (const CBlockMemory& block : blocks) {
        const QStringList cells{QuotedCell(DocumentTextToUi(block.m_strDescription).text), block.GetAddressText(),
                                block.KindName(), block.GetNumberText()};
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

BlockRowsParse ParseBlockRows(const QString& text)
{
    BlockRowsParse result;
    const QList<QStringList> rows = SplitRows(text, SeparatorOf(text));
    const QStringList headers = BlockTableHeaders();
    auto fail = [&](int row, int column, const QString& why) {
        result.blocks.clear();
        result.error = column > 0 ? QStringLiteral("Row %1, column %2 (%3): %4").arg(row).arg(column).arg(headers.at(column), why)
                                  : QStringLiteral("Row %1: %2").arg(row).arg(why);
        return result;
    };
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList& row = rows.at(i);
        const int rowNumber = i + 1;
        if (IsBlankRow(row) || (i == 0 && IsHeaderRow(row)))
            continue;
        if (row.size() != 4)
            return fail(rowNumber, 0,
                        QStringLiteral("%1 columns where 4 are needed: Description, Address in network, P or VB, Number")
                            .arg(row.size()));
        CBlockMemory block;
        block.m_strDescription = UiTextToDocument(row.at(0));
        const std::optional<int> address = CellNumber(row.at(1));
        if (!address || !kAddress.Contains(*address)) {
            const QString range = AddressRangeMessage();
            return fail(rowNumber, 2, address ? range : QStringLiteral("\"%1\" is not a number. %2").arg(row.at(1), range));
        }
        block.m_nAddress = *address;
        const std::optional<int> kind = CellKind(row.at(2));
        if (!kind)
            return fail(rowNumber, 3, QStringLiteral("\"%1\" is neither P (Parameter) nor VB (Basic Variable)").arg(row.at(2)));
        block.m_bParameter = *kind;
        const std::optional<int> number = CellNumber(row.at(3));
        if (!number || !kNumber.Contains(*number))
            return fail(rowNumber, 4, QStringLiteral("\"%1\" is not a number from %2 to %3")
                                          .arg(row.at(3))
                                          .arg(kNumber.min)
                                          .arg(kNumber.max));
        block.m_nNumber = *number;
        result.blocks << block;
    }
    if (result.blocks.isEmpty())
        result.error = QStringLiteral("There are no rows to paste: each row needs a Description, an Address in "
                                      "network, P or VB, and a Number.");
    return result;
}
