#pragma once

// Name resolution with a deadline: the system's resolver may take far
// longer (a silent name server) than a connection is given. Header only,
// for the serial port plugin and qzm-cli, which both carry Qt Network.

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <netdb.h>
#include <sys/socket.h>
#endif

class CHostLookup
{
public:
    // Starts at once; an address given as such needs no lookup.
    explicit CHostLookup(const QString& host) : m_host(host), m_state(std::make_shared<State>())
    {
        QHostAddress literal;
        if (literal.setAddress(host)) {
            m_state->addresses = {literal};
            m_state->done = true;
            return;
        }
#ifdef Q_OS_UNIX
        // The resolver itself cannot be stopped: a lookup that is given up
        // ends on its own thread, which holds nothing but its own state.
        const QByteArray name = QUrl::toAce(host);
        std::thread([state = m_state, name] {
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const int code = ::getaddrinfo(name.constData(), nullptr, &hints, &found);
            QList<QHostAddress> addresses;
            for (addrinfo* a = found; a; a = a->ai_next) {
                const QHostAddress address(a->ai_addr);
                if (!address.isNull() && !addresses.contains(address))
                    addresses << address;
            }
            if (found)
                ::freeaddrinfo(found);
            const std::lock_guard<std::mutex> lock(state->mutex);
            state->addresses = addresses;
            if (code != 0)
                state->error = QString::fromLocal8Bit(::gai_strerror(code));
            state->done = true;
            state->changed.notify_all();
        }).detach();
#else
        const QHostInfo info = QHostInfo::fromName(host);
        m_state->addresses = info.addresses();
        m_state->error = info.errorString();
        m_state->done = true;
#endif
    }

    // The addresses, once known by the deadline; empty with the reason
    // otherwise.
    QList<QHostAddress> Wait(const QDeadlineTimer& deadline, QString* error = nullptr)
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        const auto left = std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime()));
        if (!m_state->changed.wait_for(lock, left, [this] { return m_state->done; })) {
            if (error)
                *error = QStringLiteral("no answer from the name service for %1").arg(m_host);
            return {};
        }
        if (m_state->addresses.isEmpty() && error)
            *error = QStringLiteral("the name %1 was not found: %2")
                         .arg(m_host, m_state->error.isEmpty() ? QStringLiteral("no address") : m_state->error);
        return m_state->addresses;
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
        QList<QHostAddress> addresses;
        QString error;
    };
    QString m_host;
    std::shared_ptr<State> m_state;
};
