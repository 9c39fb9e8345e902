#pragma once

#include <QByteArray>
#include <QString>

// Texts of the document are bytes in the user's 8-bit encoding: on Unix the
// codeset of the locale (LC_CTYPE), on Windows the ANSI code page. Qt's own
// local 8-bit conversion assumes UTF-8 on Unix whatever the locale says.
QString LocalBytesToText(const QByteArray& bytes);
QByteArray TextToLocalBytes(const QString& text);

// The same conversions with a named codeset ("ISO-8859-1", "UTF-8", ...);
// an unknown codeset falls back to UTF-8. Characters the codeset cannot
// hold are written as '?', bytes it cannot read as U+FFFD.
QString CodesetBytesToText(const QByteArray& bytes, const char* codeset);
QByteArray TextToCodesetBytes(const QString& text, const char* codeset);
