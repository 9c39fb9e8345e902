#include "framework/StringTable.h"

#include <QHash>

namespace {
QHash<int, const char*>& Table()
{
    static QHash<int, const char*> t;
    return t;
}
} // namespace

void CStringTable::Install(const Entry* entries, int count)
{
    for (int i = 0; i < count; ++i)
        Table().insert(entries[i].id, entries[i].text);
}

QByteArray CStringTable::LoadBytes(int id)
{
    const char* text = Table().value(id, nullptr);
    return text ? QByteArray(text) : QByteArray();
}

QString CStringTable::Load(int id)
{
    return QString::fromLatin1(LoadBytes(id));
}

QString CStringTable::Prompt(int id)
{
    const QString text = Load(id);
    return text.section(QLatin1Char('\n'), 0, 0);
}

QString CStringTable::Tooltip(int id)
{
    const QString text = Load(id);
    const int nl = text.indexOf(QLatin1Char('\n'));
    return nl < 0 ? QString() : text.mid(nl + 1);
}

QString FormatMessageText(int id, const QString& arg1, const QString& arg2)
{
    QString text = CStringTable::Load(id);
    // Single pass so that a %2 inside the first argument stays literal.
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size()
            && (text[i + 1] == QLatin1Char('1') || text[i + 1] == QLatin1Char('2'))) {
            out += text[i + 1] == QLatin1Char('1') ? arg1 : arg2;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString FormatPrintfMessage(int id, const QStringList& values)
{
    const QString format = CStringTable::Load(id);
    QString out;
    int next = 0;
    for (int i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%') || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        int j = i + 1;
        int width = 0;
        while (j < format.size() && format[j].isDigit())
            width = width * 10 + format[j++].digitValue();
        if (j < format.size() && (format[j] == QLatin1Char('d') || format[j] == QLatin1Char('s'))) {
            const QString value = next < values.size() ? values.at(next) : QString();
            ++next;
            out += value.rightJustified(width, QLatin1Char(' '));
            i = j;
        } else {
            out += format[i];
        }
    }
    return out;
}
