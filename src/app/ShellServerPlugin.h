#pragma once

#include "app/ShellServerInterface.h"

#include <QObject>

// The shell server on Qt Network's local socket: the "shellserver" plugin.
class CShellServerPlugin : public QObject, public CShellServerInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QZM_SHELL_SERVER_IID)
    Q_INTERFACES(CShellServerInterface)

public:
    CShellServer* Create(const QString& name, std::function<bool(const ShellRequest&)> handler) override;
    bool Listen(CShellServer* server) override;
    void Destroy(CShellServer* server) override;
    void SetHeld(CShellServer* server, bool held) override;
    void Submit(CShellServer* server, const ShellRequest& request) override;
    ForwardResult ForwardOpen(const QString& name, const QString& path) override;
};
