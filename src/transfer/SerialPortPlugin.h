#pragma once

#include "transfer/SerialPortInterface.h"

#include <QObject>

// The link on Qt's serial port (and Qt Network's TCP socket for network
// serial servers): the "serialport" plugin.
class CSerialPortPlugin : public QObject, public CSerialPortInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QZM_SERIAL_PORT_IID)
    Q_INTERFACES(CSerialPortInterface)

public:
    std::unique_ptr<CSerialLink> CreateLink() override;
    QList<SerialPortEntry> ListPorts() override;
};
