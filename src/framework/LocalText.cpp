#include "framework/LocalText.h"

#include <QList>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#endif

namespace {
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
