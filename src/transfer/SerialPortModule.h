#pragma once

#include "transfer/SerialLink.h"

// The link on Qt's serial port lives in the "serialport" module, which the
// program opens for its first transfer.
constexpr const char* kSerialPortModule = "serialport";

struct CSerialPortModuleApi
{
    const char* version;
    CSerialLink* (*create)();
};
