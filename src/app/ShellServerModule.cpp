#include "app/ShellServer.h"
#include "framework/LazyModule.h"

namespace {
CShellEndpoint* CreateShellServer(CShellEndpoint::Handler handler)
{
    return new CShellServer(std::move(handler));
}
} // namespace

extern const CShellServerModuleApi kShellServerModuleApi = {kModuleVersion, CreateShellServer};
