#pragma once

#include "framework/PluginLoader.h"

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
// "shellserver" plugin, which the program opens after its first frame. The
// program holds the server it makes only through this interface.
constexpr const char* kShellServerPlugin = "shellserver";

class CShellServerInterface
{
public:
    virtual ~CShellServerInterface() = default;
    // A server on the local socket `name` that runs each request through
    // handler, not yet listening.
    virtual CShellServer* Create(const QString& name, std::function<bool(const ShellRequest&)> handler) = 0;
    // CShellServer::Listen.
    virtual bool Listen(CShellServer* server) = 0;
    virtual void Destroy(CShellServer* server) = 0;
    // CShellServer::SetHeld and CShellServer::Submit.
    virtual void SetHeld(CShellServer* server, bool held) = 0;
    virtual void Submit(CShellServer* server, const ShellRequest& request) = 0;
    // Asks the instance listening on `name` to open `path` (absolute) and
    // waits for its answer, however long its window takes to give it.
    virtual ForwardResult ForwardOpen(const QString& name, const QString& path) = 0;
};

#define QZM_SHELL_SERVER_IID QZM_PLUGIN_IID("ShellServer")
Q_DECLARE_INTERFACE(CShellServerInterface, QZM_SHELL_SERVER_IID)
