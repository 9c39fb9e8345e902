#include "app/ShellServerPlugin.h"

#include "app/ShellServer.h"

CShellServer* CShellServerPlugin::Create(const QString& name, std::function<bool(const ShellRequest&)> handler)
{
    return new CShellServer(name, std::move(handler));
}

bool CShellServerPlugin::Listen(CShellServer* server)
{
    return server->Listen();
}

void CShellServerPlugin::Destroy(CShellServer* server)
{
    delete server;
}

void CShellServerPlugin::SetHeld(CShellServer* server, bool held)
{
    server->SetHeld(held);
}

void CShellServerPlugin::Submit(CShellServer* server, const ShellRequest& request)
{
    server->Submit(request);
}

ForwardResult CShellServerPlugin::ForwardOpen(const QString& name, const QString& path)
{
    return ForwardOpenRequest(name, path);
}
