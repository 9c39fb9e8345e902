#pragma once

#include "transfer/SerialLink.h"
#include "transfer/SerialPorts.h"

#include <memory>

// The serial link on Windows: the Win32 communications calls on \\.\COMn,
// with the same contract, time-outs and messages as the link elsewhere.
std::unique_ptr<CSerialLink> CreateWin32SerialLink();

// The serial ports the system knows (its SERIALCOMM device map).
void ListWin32SerialPorts(QList<SerialPortEntry>& ports);

// The name CreateFile needs for a port: "COM10" only opens as \\.\COM10.
QString Win32DevicePath(const QString& device);
