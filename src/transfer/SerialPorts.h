#pragma once

#include "transfer/NetworkPort.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>

// A serial port of the system as the user would recognise it.
struct SerialPortEntry
{
    QString device;         // what opens it: /dev/ttyUSB0, COM3
    QString stableName;     // Linux: /dev/serial/by-id/...; survives replugging
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;      // -1: not known
    int productId = -1;

    // The name to keep in the settings: the stable one where there is one.
    QString PreferredName() const { return stableName.isEmpty() ? device : stableName; }
    // "0403:6001", or empty when unknown.
    QString UsbIds() const;
    // Description, maker, ids and serial number, as far as known.
    QString Details() const;
    // One line: the device and its details.
    QString Summary() const;
};

// Enumerates the system's serial ports; tests give a fixed list instead.
class CPortDiscovery
{
public:
    virtual ~CPortDiscovery() = default;
    virtual QList<SerialPortEntry> Ports() = 0;
};

// The system's ports through Qt's port list, with the stable names found
// in byIdFolder (a folder of symbolic links to the devices).
class CSystemPortDiscovery : public CPortDiscovery
{
public:
    explicit CSystemPortDiscovery(const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));
    QList<SerialPortEntry> Ports() override;

private:
    QString m_byIdFolder;
};

class CFixedPortDiscovery : public CPortDiscovery
{
public:
    explicit CFixedPortDiscovery(QList<SerialPortEntry> ports = {}) : m_ports(std::move(ports)) {}
    void SetPorts(QList<SerialPortEntry> ports) { m_ports = std::move(ports); }
    QList<SerialPortEntry> Ports() override { return m_ports; }

private:
    QList<SerialPortEntry> m_ports;
};

// Gives each port the stable name of byIdFolder whose link leads to it;
// ports only the folder knows are added.
void AddStableNames(QList<SerialPortEntry>& ports, const QString& byIdFolder);

// Where the device behind COM<n> was chosen.
enum class PortSource { Environment, Settings, SystemDefault };

struct PortAssignment
{
    int number = 0;         // 1..4
    QString name;           // "COM1"
    QString device;         // as chosen: a path, a stable name, tcp://HOST:PORT
    PortSource source = PortSource::SystemDefault;
    QString target;         // the device the path leads to (links followed)
    bool exists = false;    // a device path that is there now
    int entry = -1;         // index of the discovered port it opens, if any

    // "the environment variable QZM_COM1", "the settings entry ...",
    // "the system's default".
    QString SourceText() const;
};

// "QZM_COM1" for 1.
QString PortEnvironmentVariable(int nSerialPort);
// "Serial Ports/COM1" for 1.
QString PortSettingsKey(int nSerialPort);
// The platform's own device for COM<n>: /dev/ttyS<n-1> on Linux.
QString SystemDefaultPort(int nSerialPort);
// The device behind COM<n>: environment variable QZM_COM<n>, then the
// settings entry "Serial Ports/COM<n>", then the platform's own port.
// ports (may be null) tells which discovered port that is.
PortAssignment ResolvePortAssignment(int nSerialPort, const QList<SerialPortEntry>* ports = nullptr);
// The same with `choice` in place of the settings entry (a choice not kept yet).
PortAssignment ResolvePortChoice(int nSerialPort, const QString& choice, const QList<SerialPortEntry>* ports = nullptr);
// The name to store for a choice: a discovered port's stable name when
// the choice leads to that port, else the choice as written.
QString PreferredPortName(const QString& choice, const QList<SerialPortEntry>& ports);
// Keeps a choice for COM<n> in the settings; an empty one removes it, so
// the system's default applies again.
void StorePortChoice(int nSerialPort, const QString& choice);
// Where the choices are kept, for messages (a file or a registry key).
QString PortSettingsLocation();
// The lines to add to message 110's detail: what COM<n> was mapped to and
// how to choose another device (in the window, or on the command line).
QString PortChoiceHint(const PortAssignment& assignment, bool commandLine = false);


// One --port value of the command line, resolved to what the link opens.
struct PortTarget
{
    QString device;         // a path, a system port name or tcp://HOST:PORT
    int serialPort = 0;     // 1..4 when given as COM<n>, else 0
};
// Accepts a device path, COM1..COM4 (mapped as above) or tcp://HOST:PORT.
// False with the reason for anything else, the empty value included.
bool ResolvePortArgument(const QString& value, PortTarget& target, QString& error);

// The ports and the COM1..COM4 assignments as JSON (qzm-cli ports --json).
QJsonObject PortsToJson(const QList<SerialPortEntry>& ports);
