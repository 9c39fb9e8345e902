#include "framework/StringTable.h"

#include <QHash>

namespace {
QHash<int, const char*>& table()
{
    static QHash<int, const char*> t;
    return t;
}
} // namespace

void CStringTable::Install(const Entry* entries, int count)
{
    for (int i = 0; i < count; ++i)
        table().insert(entries[i].id, entries[i].text);
}

QByteArray CStringTable::LoadBytes(int id)
{
    const char* text = table().value(id, nullptr);
    return text ? QByteArray(text) : QByteArray();
}

QString CStringTable::Load(int id)
{
    return QString::fromLatin1(LoadBytes(id));
}

bool CStringTable::Has(int id)
{
    return table().contains(id);
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
