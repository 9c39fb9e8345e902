// Linked into a program that carries the serial port itself (qzm-cli, tests).
#include "framework/LazyModule.h"
#include "transfer/SerialPortModule.h"

extern const CSerialPortModuleApi kSerialPortModuleApi;

namespace {
const bool registered = RegisterLinkedModule(kSerialPortModule, &kSerialPortModuleApi);
}
