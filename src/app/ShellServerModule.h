#pragma once

#include <QString>

#include <functional>

class CShellServer;

// One command of a shell conversation.
struct ShellRequest
{
    enum class Verb { Open, Print, PrintTo };

    Verb verb = Verb::Open;
    QString path;
    QString printerName;
    QString driverName;
    QString portName;
};

// What became of an open handed to a running instance.
enum class ForwardResult
{
    NoInstance,   // none answers (or it could not take the request): open here
    Opened,       // the running instance opened the file
    Failed,       // it tried and could not (it said why in its own window)
};

// The shell server (app/ShellServer.h) needs Qt Network: it lives in the
// "shellserver" module, which the program opens after its first frame. The
// program holds the server it makes only through this table.
constexpr const char* kShellServerModule = "shellserver";

struct CShellServerModuleApi
{
    const char* version;
    // A server on the local socket `name` that runs each request through
    // handler, not yet listening.
    CShellServer* (*create)(const QString& name, std::function<bool(const ShellRequest&)> handler);
    // CShellServer::Listen.
    bool (*listen)(CShellServer* server);
    void (*destroy)(CShellServer* server);
    // CShellServer::SetHeld and CShellServer::Submit.
    void (*setHeld)(CShellServer* server, bool held);
    void (*submit)(CShellServer* server, const ShellRequest& request);
    // Asks the instance listening on `name` to open `path` (absolute) and
    // waits for its answer, however long its window takes to give it.
    ForwardResult (*forwardOpen)(const QString& name, const QString& path);
};

// The socket of this user's shell conversation: "<program base name>-<user
// id>", in XDG_RUNTIME_DIR when that is a folder of the user's alone, else in
// "<temporary folder>/<base name>-runtime-<user id>", made 0700 for it.
// Empty when neither can be had: the program then runs without one.
QString ShellServerName();
