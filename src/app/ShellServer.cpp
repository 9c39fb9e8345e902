#include "app/ShellServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>
#include <QStringDecoder>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
constexpr int kMaxArgumentChars = 4096;

// Reads one quoted argument at pos; moves pos past its closing quote.
std::optional<QString> ReadQuoted(const QString& text, int& pos)
{
    if (pos >= text.size() || text.at(pos) != QLatin1Char('"'))
        return std::nullopt;
    QString value;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c == QLatin1Char('"')) {
            if (pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('"')) {
                value += c;
                ++pos;
                continue;
            }
            ++pos;
            return value;
        }
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || value.size() >= kMaxArgumentChars)
            return std::nullopt;
        value += c;
    }
    return std::nullopt;   // no closing quote
}
} // namespace

std::optional<ShellRequest> ParseShellRequest(const QString& text)
{
    if (text.size() > CShellServer::kMaxLineBytes || !text.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const int paren = text.indexOf(QLatin1Char('('));
    if (paren < 0)
        return std::nullopt;
    const QString name = text.mid(1, paren - 1);
    ShellRequest request;
    int expected = 1;
    if (name == QLatin1String("open")) {
        request.verb = ShellRequest::Verb::Open;
    } else if (name == QLatin1String("print")) {
        request.verb = ShellRequest::Verb::Print;
    } else if (name == QLatin1String("printto")) {
        request.verb = ShellRequest::Verb::PrintTo;
        expected = 4;
    } else {
        return std::nullopt;
    }

    QStringList arguments;
    int pos = paren + 1;
    for (;;) {
        const std::optional<QString> argument = ReadQuoted(text, pos);
        if (!argument)
            return std::nullopt;
        arguments << *argument;
        if (pos < text.size() && text.at(pos) == QLatin1Char(',') && arguments.size() < expected) {
            ++pos;
            continue;
        }
        break;
    }
    if (arguments.size() != expected || text.mid(pos) != QLatin1String(")]"))
        return std::nullopt;

    request.path = arguments.at(0);
    // The conversation has no folder of its own to resolve a relative name in.
    if (request.path.isEmpty() || !QDir::isAbsolutePath(request.path))
        return std::nullopt;
    if (request.verb == ShellRequest::Verb::PrintTo) {
        request.printerName = arguments.at(1);
        request.driverName = arguments.at(2);
        request.portName = arguments.at(3);
        if (request.printerName.isEmpty())
            return std::nullopt;
    }
    return request;
}

namespace {
// Names this process listens on: asking one of them would wait forever.
QStringList& NamesServedHere()
{
    static QStringList names;
    return names;
}
} // namespace

bool PeerIsThisUser(const QLocalSocket& socket)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(socket);
    return true;   // a pipe named after the user, made for the user alone
#elif defined(SO_PEERCRED)
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && peer.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(int(socket.socketDescriptor()), &uid, &gid) == 0 && uid == ::getuid();
#endif
}

QByteArray OpenRequestLine(const QString& path)
{
    QString quoted = path;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return "[open(\"" + quoted.toUtf8() + "\")]\n";
}

ForwardResult ForwardOpenRequest(const QString& name, const QString& path)
{
    if (NamesServedHere().contains(name))
        return ForwardResult::NoInstance;
    QLocalSocket socket;
    socket.connectToServer(name);
    // A socket left by a crashed instance refuses at once.
    if (!socket.waitForConnected(2000))
        return ForwardResult::NoInstance;
    // A file's name goes to this user's own program and nobody else.
    if (!PeerIsThisUser(socket))
        return ForwardResult::NoInstance;
    socket.write(OpenRequestLine(path));
    // The instance may ask to save its own document first: its answer comes
    // when the user has chosen. A dropped connection is no answer.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(-1))
            return ForwardResult::NoInstance;
    }
    const QByteArray answer = socket.readLine().trimmed();
    if (answer == "ok")
        return ForwardResult::Opened;
    if (answer == "failed")
        return ForwardResult::Failed;
    // "invalid": a name the conversation cannot carry; open it here.
    return ForwardResult::NoInstance;
}

CShellServer::CShellServer(QString name, Handler handler, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_handler(std::move(handler))
{
    connect(&m_server, &QLocalServer::newConnection, this, &CShellServer::OnNewConnection);
}

CShellServer::~CShellServer()
{
    // The sockets go down with the server, after this object's members.
    for (QLocalSocket* socket : std::as_const(m_connections))
        socket->disconnect(this);
    if (m_server.isListening())
        NamesServedHere().removeOne(m_name);
    m_server.close();
}

bool CShellServer::Listen()
{
    const QString& name = m_name;
    // A running instance answers. (Listening would not fail otherwise: with
    // access options the socket is made aside and renamed into place.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500)) {
        probe.abort();
        return false;
    }
    // What is left is the socket of an instance that crashed.
    QLocalServer::removeServer(name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(name))
        return false;
    NamesServedHere() << name;
    return true;
}

void CShellServer::OnNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Too many at once: the oldest, most likely stuck, gives way.
        if (m_connections.size() >= kMaxConnections)
            m_connections.first()->abort();
        m_connections << socket;
        // Take in no more than one line ahead; the rest waits in the system,
        // which holds the client back.
        socket->setReadBufferSize(kMaxLineBytes + 2);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        // Answers taken: read on where reading stopped.
        connect(socket, &QLocalSocket::bytesWritten, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_connections.removeOne(socket);
            socket->deleteLater();
        });
    }
}

int CShellServer::StalledConnectionCount() const
{
    int count = 0;
    for (QLocalSocket* socket : m_connections)
        count += socket->bytesToWrite() > kMaxUnsentBytes;
    return count;
}

void CShellServer::Reply(QLocalSocket* socket, const char* answer, bool flush)
{
    if (!socket || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(answer);
    socket->write("\n");
    if (flush)
        socket->flush();
}

void CShellServer::OnReadyRead(QLocalSocket* socket)
{
    // A client that leaves its answers unread is read no further until it
    // takes them.
    while (socket->state() == QLocalSocket::ConnectedState && socket->bytesToWrite() <= kMaxUnsentBytes) {
        if (!socket->canReadLine()) {
            // A line that never ends is not a request.
            if (socket->bytesAvailable() >= kMaxLineBytes + 2) {
                socket->readAll();
                Reply(socket, "invalid", true);
                socket->disconnectFromServer();
            }
            return;
        }
        QByteArray line = socket->readLine();
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(line);
        const std::optional<ShellRequest> request = line.size() <= kMaxLineBytes && !utf8.hasError()
                                                        ? ParseShellRequest(text)
                                                        : std::nullopt;
        if (!request)
            Reply(socket, "invalid");
        else
            Enqueue(socket, *request);
    }
}

void CShellServer::SetHeld(bool held)
{
    m_held = held;
    if (!held && !m_queue.isEmpty())
        ScheduleQueue();
}

void CShellServer::Submit(const ShellRequest& request)
{
    Enqueue(nullptr, request, true);
}

void CShellServer::Enqueue(QLocalSocket* socket, const ShellRequest& request, bool ownRequest)
{
    // The same file asked to open twice opens once; both hear how it went.
    if (request.verb == ShellRequest::Verb::Open) {
        for (Pending& pending : m_queue) {
            if (pending.request.verb == ShellRequest::Verb::Open && pending.request.path == request.path) {
                // Each request still gets its own answer line.
                if (pending.sockets.size() >= kMaxPending)
                    Reply(socket, "failed");
                else
                    pending.sockets << socket;
                return;
            }
        }
    }
    // The program's own requests are never turned away.
    if (m_queue.size() >= kMaxPending && !ownRequest) {
        Reply(socket, "failed");
        return;
    }
    m_queue.enqueue({{socket}, request});
    ScheduleQueue();
}

void CShellServer::ScheduleQueue()
{
    // Run from the event loop, never inside the socket's own signal: the
    // request may show a box, and the client may go while it is open.
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &CShellServer::ProcessQueue, Qt::QueuedConnection);
}

void CShellServer::ProcessQueue()
{
    m_scheduled = false;
    // A request may run a modal loop; what arrives meanwhile waits here.
    if (m_busy || m_held)
        return;
    m_busy = true;
    while (!m_queue.isEmpty() && !m_held) {
        const Pending pending = m_queue.dequeue();
        const bool ok = m_handler(pending.request);
        for (const QPointer<QLocalSocket>& socket : pending.sockets)
            Reply(socket, ok ? "ok" : "failed", true);
    }
    m_busy = false;
}
