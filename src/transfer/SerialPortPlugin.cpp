#include "transfer/SerialPortPlugin.h"

#include "transfer/SerialPortLink.h"

#ifdef Q_OS_WIN
#include "transfer/Win32SerialLink.h"
#else
#include <QSerialPortInfo>
#endif

std::unique_ptr<CSerialLink> CSerialPortPlugin::CreateLink()
{
    return NewPortLink();
}

QList<SerialPortEntry> CSerialPortPlugin::ListPorts()
{
    QList<SerialPortEntry> ports;
#ifdef Q_OS_WIN
    ListWin32SerialPorts(ports);
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry entry;
        entry.device = info.systemLocation();
        entry.description = info.description();
        entry.manufacturer = info.manufacturer();
        entry.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            entry.productId = info.productIdentifier();
        ports << entry;
    }
#endif
    return ports;
}
