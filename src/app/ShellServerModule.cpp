#include "app/ShellServerModule.h"

#include "app/ShellServer.h"
#include "framework/LazyModule.h"

namespace {
CShellServer* Create(const QString& name, std::function<bool(const ShellRequest&)> handler)
{
    return new CShellServer(name, std::move(handler));
}

bool Listen(CShellServer* server)
{
    return server->Listen();
}

void Destroy(CShellServer* server)
{
    delete server;
}

void SetHeld(CShellServer* server, bool held)
{
    server->SetHeld(held);
}

void Submit(CShellServer* server, const ShellRequest& request)
{
    server->Submit(request);
}
} // namespace

extern const CShellServerModuleApi kShellServerModuleApi = {kModuleVersion, Create, Listen,           Destroy,
                                                            SetHeld,        Submit, ForwardOpenRequest};
