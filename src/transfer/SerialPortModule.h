#pragma once

#include "transfer/SerialLink.h"
#include "transfer/SerialPorts.h"

// The link on Qt's serial port lives in the "serialport" module, which the
// program opens for its first transfer.
constexpr const char* kSerialPortModule = "serialport";

struct CSerialPortModuleApi
{
    const char* version;
    CSerialLink* (*create)();
    // The system's serial ports as Qt finds them.
    void (*listPorts)(QList<SerialPortEntry>& ports);
};
