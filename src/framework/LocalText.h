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

// Files also travel from Windows systems, whose descriptions are bytes in
// their ANSI code page, Windows-1252 in Western Europe. Where the user's
// encoding is UTF-8 (Unix: a UTF-8 or the C locale; Windows: code page
// 65001), a text that is not valid UTF-8 is read as Windows-1252; every
// other encoding reads and writes as above.
enum class TextEncoding { Local, Windows1252 };

struct DecodedText
{
    QString text;
    // The encoding the text was read in, and is best written back in.
    TextEncoding encoding = TextEncoding::Local;
};

bool LocalEncodingIsUtf8();
bool IsValidUtf8(const QByteArray& bytes);

// Stored bytes as text: the local encoding, or Windows-1252 as above.
DecodedText DecodeStoredText(const QByteArray& bytes);
// Text as stored bytes. Windows-1252 is used only where the local encoding
// is UTF-8, every character fits, and the bytes read back as the same text;
// otherwise the local encoding, so nothing typed is lost.
QByteArray EncodeStoredText(const QString& text, TextEncoding encoding);

// Windows-1252 with its five unassigned bytes read as the C1 controls of the
// same value, so that any bytes read and write back unchanged.
QString Windows1252ToText(const QByteArray& bytes);
// False, with `bytes` untouched, when a character has no Windows-1252 byte.
bool TextToWindows1252(const QString& text, QByteArray& bytes);
