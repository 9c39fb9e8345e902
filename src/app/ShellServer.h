#pragma once

#include "app/ShellEndpoint.h"

#include <QByteArray>
#include <QHash>
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

// The program's end of the shell conversation: a local socket, private to
// the user, named after the executable. A client writes one request per
// line (UTF-8, "\n" ended) and gets one line back per request: "ok",
// "failed" or "invalid". Requests run one at a time on the UI thread; those
// that arrive while one runs (say, behind a save prompt) wait their turn.
class CShellServer : public QObject, public CShellEndpoint
{
    Q_OBJECT

public:
    static constexpr int kMaxLineBytes = 16 * 1024;
    static constexpr int kMaxConnections = 8;

    explicit CShellServer(Handler handler, QObject* parent = nullptr);
    ~CShellServer() override;

    // "<executable base name>-<user id>", in XDG_RUNTIME_DIR when there is one.
    static QString ServerName();

    // Starts listening. False when another instance already answers (or the
    // socket cannot be made); the program then runs without it.
    bool Listen() override;
    bool IsListening() const override { return m_server.isListening(); }
    QString FullServerName() const override { return m_server.fullServerName(); }

private:
    struct Pending
    {
        QPointer<QLocalSocket> socket;
        ShellRequest request;
    };

    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void ProcessQueue();
    static void Reply(QLocalSocket* socket, const char* answer);

    Handler m_handler;
    QLocalServer m_server;
    QHash<QLocalSocket*, QByteArray> m_buffers;
    QList<QLocalSocket*> m_connections;   // oldest first
    QQueue<Pending> m_queue;
    bool m_busy = false;
};
