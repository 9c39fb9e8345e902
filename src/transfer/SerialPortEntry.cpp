// Entry point of the qzm-serialport module.
#include "transfer/SerialPortModule.h"

#include <QtGlobal>

extern const CSerialPortModuleApi kSerialPortModuleApi;

extern "C" Q_DECL_EXPORT const void* qzm_module_api()
{
    return &kSerialPortModuleApi;
}
