#pragma once

// tcp://HOST:PORT names a network serial server; header only, so the serial
// port plugin and the program share it.

#include <QString>
#include <QUrl>

#include <algorithm>

inline bool IsNetworkPort(const QString& device)
{
    return device.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

// Splits tcp://HOST:PORT; false with the reason when it is not one.
inline bool ParseNetworkPort(const QString& device, QString& host, quint16& port, QString* error = nullptr)
{
    const QUrl url(device.trimmed(), QUrl::StrictMode);
    const int number = url.port();
    // A port number out of range makes the whole address invalid to QUrl:
    // look at the digits after the last colon of the authority first.
    const QString authority = device.trimmed().mid(6).section(QLatin1Char('/'), 0, 0);
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    const QString digits = colon >= 0 && !authority.endsWith(QLatin1Char(']')) ? authority.mid(colon + 1) : QString();
    const bool allDigits = !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    const bool portOutOfRange = allDigits && (digits.size() > 5 || digits.toInt() < 1 || digits.toInt() > 65535);
    QString problem;
    if (!IsNetworkPort(device.trimmed()))
        problem = QStringLiteral("it does not start with tcp://");
    else if (portOutOfRange)
        problem = QStringLiteral("it names no TCP port (1 to 65535)");
    else if (!url.isValid() || url.host().isEmpty())
        problem = QStringLiteral("it names no host");
    else if (number <= 0 || number > 65535)
        problem = QStringLiteral("it names no TCP port (1 to 65535)");
    else if (!url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != QLatin1String("/"))
             || url.hasQuery() || url.hasFragment())
        problem = QStringLiteral("only a host and a port may follow tcp://");
    if (!problem.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 is no network port (%2); write tcp://HOST:PORT").arg(device, problem);
        return false;
    }
    host = url.host();
    port = quint16(number);
    return true;
}

