#pragma once

#include "framework/PluginLoader.h"
#include "transfer/SerialLink.h"
#include "transfer/SerialPorts.h"

// The link on Qt's serial port lives in the "serialport" plugin, which the
// program opens for its first transfer.
constexpr const char* kSerialPortPlugin = "serialport";

class CSerialPortInterface
{
public:
    virtual ~CSerialPortInterface() = default;
    // A link on a serial device, or on a network serial server for
    // tcp://HOST:PORT.
    virtual std::unique_ptr<CSerialLink> CreateLink() = 0;
    // The system's serial ports as Qt finds them.
    virtual QList<SerialPortEntry> ListPorts() = 0;
};

#define QZM_SERIAL_PORT_IID QZM_PLUGIN_IID("SerialPort")
Q_DECLARE_INTERFACE(CSerialPortInterface, QZM_SERIAL_PORT_IID)
