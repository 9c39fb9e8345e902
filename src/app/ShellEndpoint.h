#pragma once

#include <QString>

#include <functional>

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

// The program's end of the shell conversation, as the program holds it: the
// server itself lives in the "shellserver" module (Qt Network).
class CShellEndpoint
{
public:
    using Handler = std::function<bool(const ShellRequest&)>;

    virtual ~CShellEndpoint() = default;

    // Starts listening. False when another instance already answers (or the
    // socket cannot be made); the program then runs without it.
    virtual bool Listen() = 0;
    virtual bool IsListening() const = 0;
    virtual QString FullServerName() const = 0;
};

constexpr const char* kShellServerModule = "shellserver";

struct CShellServerModuleApi
{
    const char* version;
    // A server that runs each request through handler, not yet listening.
    CShellEndpoint* (*create)(CShellEndpoint::Handler handler);
};
