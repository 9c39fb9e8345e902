// Entry point of the qzm-printing module.
#include "framework/PrintModule.h"

#include <QtGlobal>

extern const CPrintModuleApi kPrintModuleApi;

extern "C" Q_DECL_EXPORT const void* qzm_module_api()
{
    return &kPrintModuleApi;
}
