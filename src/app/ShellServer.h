#pragma once

#include "app/ShellServerInterface.h"

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>

#include <functional>
#include <optional>

class QLocalSocket;

// Reads exactly one of
//   [open("%1")]  [print("%1")]  [printto("%1","%2","%3","%4")]
// with no blanks, each argument in double quotes (a quote inside one is
// written twice). The path must be absolute; control characters and
// oversized arguments are refused. Anything else gives nothing.
std::optional<ShellRequest> ParseShellRequest(const QString& text);

// True when the other end of a connected socket runs as this very user.
bool PeerIsThisUser(const QLocalSocket& socket);

// The request line that opens path: [open("path")].
QByteArray OpenRequestLine(const QString& path);

// The client's side of an open: see CShellServerInterface::ForwardOpen.
// A server of this very process is never asked (it could not answer while
// this waits).
ForwardResult ForwardOpenRequest(const QString& name, const QString& path);

// The program's end of the shell conversation: a local socket, private to
// the user, named after the executable. A client writes one request per
// line (UTF-8, "\n" ended) and gets one line back per request: "ok",
// "failed" or "invalid". Requests run one at a time on the UI thread, from
// the event loop rather than inside a socket's signal, so a client may hang
// up while its request shows a box; it then loses its answer. Those that
// arrive while one runs (say, behind a save prompt) wait their turn, up to
// kMaxPending of them; more are answered "failed" at once. A client that
// leaves more than kMaxUnsentBytes of answers unread is not read from until
// it takes them.
class CShellServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<bool(const ShellRequest&)>;

    static constexpr int kMaxLineBytes = 16 * 1024;
    static constexpr int kMaxConnections = 8;
    static constexpr int kMaxPending = 16;
    static constexpr qint64 kMaxUnsentBytes = 64 * 1024;

    CShellServer(QString name, Handler handler, QObject* parent = nullptr);
    ~CShellServer() override;

    // Starts listening on its name. False when another instance already answers (or the
    // socket cannot be made); the program then runs without it.
    bool Listen();
    bool IsListening() const { return m_server.isListening(); }
    QString FullServerName() const { return m_server.fullServerName(); }
    // While held (the document is being sent), requests wait in the queue,
    // however many; released, they run in the order they came.
    void SetHeld(bool held);
    bool IsHeld() const { return m_held; }
    // A request of the program's own (a file dropped on the window): it
    // queues behind those of the conversation and nobody hears its answer.
    void Submit(const ShellRequest& request);
    // Requests waiting to run (the one running not counted).
    int PendingCount() const { return int(m_queue.size()); }
    int ConnectionCount() const { return int(m_connections.size()); }
    // Clients not read from until they take their answers.
    int StalledConnectionCount() const;

private:
    struct Pending
    {
        QList<QPointer<QLocalSocket>> sockets;   // who waits for the answer
        ShellRequest request;
    };

    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void Enqueue(QLocalSocket* socket, const ShellRequest& request, bool ownRequest = false);
    void ScheduleQueue();
    void ProcessQueue();
    static void Reply(QLocalSocket* socket, const char* answer, bool flush = false);

    QString m_name;
    Handler m_handler;
    QLocalServer m_server;
    QList<QLocalSocket*> m_connections;   // oldest first
    QQueue<Pending> m_queue;
    bool m_busy = false;
    bool m_scheduled = false;
    bool m_held = false;
};
