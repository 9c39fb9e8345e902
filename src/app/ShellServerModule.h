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

// The shell server (app/ShellServer.h) needs Qt Network: it lives in the
// "shellserver" module, which the program opens after its first frame. The
// program holds the server it makes only through this table.
constexpr const char* kShellServerModule = "shellserver";

struct CShellServerModuleApi
{
    const char* version;
    // A server that runs each request through handler, not yet listening.
    CShellServer* (*create)(std::function<bool(const ShellRequest&)> handler);
    // CShellServer::Listen.
    bool (*listen)(CShellServer* server);
    void (*destroy)(CShellServer* server);
};
