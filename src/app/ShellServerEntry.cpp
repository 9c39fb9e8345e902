// Entry point of the qzm-shellserver module.
#include "app/ShellServerModule.h"

#include <QtGlobal>

extern const CShellServerModuleApi kShellServerModuleApi;

extern "C" Q_DECL_EXPORT const void* qzm_module_api()
{
    return &kShellServerModuleApi;
}
