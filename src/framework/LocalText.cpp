#include "framework/LocalText.h"

#include <QList>
#include <QStringDecoder>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#endif

namespace {
// Windows-1252 bytes 0x80..0x9F; the unassigned ones stand for themselves.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

#ifndef Q_OS_WIN
// The C locale's ASCII is read as UTF-8, as Qt does: a program started
// without a locale keeps the texts a user types.
bool IsUtf8(const char* codeset)
{
    return !codeset || !*codeset || qstricmp(codeset, "UTF-8") == 0 || qstricmp(codeset, "UTF8") == 0
        || qstricmp(codeset, "ANSI_X3.4-1968") == 0 || qstricmp(codeset, "ASCII") == 0
        || qstricmp(codeset, "US-ASCII") == 0;
}

// Runs iconv over the whole input; on a sequence it cannot convert it
// writes `replacement` and skips `skip` input bytes.
bool Convert(const char* to, const char* from, const QByteArray& in, const QByteArray& replacement, int skip,
             QByteArray& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    out.clear();
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char buffer[1024];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, int(dst - buffer));
        if (r != size_t(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end.
        out += replacement;
        const size_t n = qMin(size_t(skip), srcLeft);
        src += n;
        srcLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, int(dst - buffer));
    iconv_close(cd);
    return true;
}

const char* LocaleCodeset()
{
    return nl_langinfo(CODESET);
}
#endif
} // namespace

QString CodesetBytesToText(const QByteArray& bytes, const char* codeset)
{
#ifndef Q_OS_WIN
    if (IsUtf8(codeset) || bytes.isEmpty())
        return QString::fromUtf8(bytes);
    if (qstricmp(codeset, "ISO-8859-1") == 0 || qstricmp(codeset, "ISO8859-1") == 0)
        return QString::fromLatin1(bytes);
    // A byte that cannot be read is skipped and stands as U+FFFD.
    QByteArray utf8;
    if (!Convert("UTF-8", codeset, bytes, QByteArray("\xEF\xBF\xBD"), 1, utf8))
        return QString::fromUtf8(bytes);
    return QString::fromUtf8(utf8);
#else
    Q_UNUSED(codeset);
    return QString::fromLocal8Bit(bytes);
#endif
}

QByteArray TextToCodesetBytes(const QString& text, const char* codeset)
{
#ifndef Q_OS_WIN
    if (IsUtf8(codeset) || text.isEmpty())
        return text.toUtf8();
    // UTF-32 input lets an unconvertible character be skipped whole.
    QByteArray ucs4;
    for (char32_t c : text.toUcs4()) {
        const char b[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char((c >> 24) & 0xFF)};
        ucs4.append(b, 4);
    }
    QByteArray out;
    if (!Convert(codeset, "UTF-32LE", ucs4, QByteArray("?"), 4, out))
        return text.toUtf8();
    return out;
#else
    Q_UNUSED(codeset);
    return text.toLocal8Bit();
#endif
}

QString LocalBytesToText(const QByteArray& bytes)
{
#ifndef Q_OS_WIN
    return CodesetBytesToText(bytes, LocaleCodeset());
#else
    return QString::fromLocal8Bit(bytes);
#endif
}

QByteArray TextToLocalBytes(const QString& text)
{
#ifndef Q_OS_WIN
    return TextToCodesetBytes(text, LocaleCodeset());
#else
    return text.toLocal8Bit();
#endif
}

bool LocalEncodingIsUtf8()
{
#ifndef Q_OS_WIN
    return IsUtf8(LocaleCodeset());
#else
    return GetACP() == CP_UTF8;
#endif
}

bool IsValidUtf8(const QByteArray& bytes)
{
    // Stateless: a sequence cut off at the end is an error too.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

QString Windows1252ToText(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const uchar b = uchar(c);
        text += b >= 0x80 && b < 0xA0 ? QChar(kWindows1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

bool TextToWindows1252(const QString& text, QByteArray& bytes)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        int i = 0;
        while (i < 32 && kWindows1252High[i] != u)
            ++i;
        if (i == 32)
            return false;
        out += char(0x80 + i);
    }
    bytes = out;
    return true;
}

DecodedText DecodeStoredText(const QByteArray& bytes)
{
    if (LocalEncodingIsUtf8() && !IsValidUtf8(bytes))
        return {Windows1252ToText(bytes), TextEncoding::Windows1252};
    return {LocalBytesToText(bytes), TextEncoding::Local};
}

QByteArray EncodeStoredText(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252 && LocalEncodingIsUtf8()) {
        QByteArray bytes;
        // Bytes that happen to be valid UTF-8 would read back as other text.
        if (TextToWindows1252(text, bytes) && (IsAscii(bytes) || !IsValidUtf8(bytes)))
            return bytes;
    }
    return TextToLocalBytes(text);
}
