#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Lookup of user-visible texts by numeric id. The program installs its
// table once at start; a missing id yields an empty text.
class CStringTable
{
public:
    struct Entry
    {
        int id;
        const char* text;
    };

    static void Install(const Entry* entries, int count);
    static QString Load(int id);
    static QByteArray LoadBytes(int id);

    // The two parts of a command prompt: status-bar text, then tooltip.
    static QString Prompt(int id);
    static QString Tooltip(int id);
};

// Fills %1..%9 of a toolkit-style message, like AfxFormatString.
QString FormatMessageText(int id, const QString& arg1, const QString& arg2 = {});

// Fills the printf-style placeholders (%d, %s, with an optional width) of a
// message in order; extra values are dropped, missing ones are empty.
QString FormatPrintfMessage(int id, const QStringList& values);
