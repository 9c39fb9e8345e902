#include "transfer/SerialPorts.h"

#include "framework/SettingsKeys.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"
#include "transfer/SerialLink.h"
#include "document/QZMFields.h"
#include "transfer/SerialPortInterface.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>

namespace {

// Qt opens a bare name below /dev on Unix; so do we when following links.
QString DevicePath(const QString& device)
{
#ifdef Q_OS_UNIX
    if (!device.isEmpty() && !device.startsWith(QLatin1Char('/')))
        return QStringLiteral("/dev/") + device;
#endif
    return device;
}

// The file a device name leads to, or empty when it is not there.
QString CanonicalDevice(const QString& device)
{
    if (device.isEmpty() || IsNetworkPort(device))
        return {};
    return QFileInfo(DevicePath(device)).canonicalFilePath();
}

QJsonValue IdValue(int id)
{
    return id < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')));
}

QString SourceKey(PortSource source)
{
    switch (source) {
    case PortSource::Environment:
        return QStringLiteral("environment");
    case PortSource::Settings:
        return QStringLiteral("settings");
    case PortSource::SystemDefault:
        break;
    }
    return QStringLiteral("default");
}

} // namespace

QString SerialPortEntry::UsbIds() const
{
    if (vendorId < 0 || productId < 0)
        return {};
    return QStringLiteral("%1:%2").arg(vendorId, 4, 16, QLatin1Char('0')).arg(productId, 4, 16, QLatin1Char('0'));
}

QString SerialPortEntry::Details() const
{
    QStringList parts;
    if (!description.isEmpty())
        parts << description;
    if (!manufacturer.isEmpty() && !description.contains(manufacturer, Qt::CaseInsensitive))
        parts << manufacturer;
    if (!UsbIds().isEmpty())
        parts << UsbIds();
    if (!serialNumber.isEmpty())
        parts << QStringLiteral("serial number ") + serialNumber;
    return parts.join(QStringLiteral(", "));
}

QString SerialPortEntry::Summary() const
{
    const QString details = Details();
    return details.isEmpty() ? device : device + QStringLiteral(" - ") + details;
}

CSystemPortDiscovery::CSystemPortDiscovery(const QString& byIdFolder) : m_byIdFolder(byIdFolder) {}

QList<SerialPortEntry> CSystemPortDiscovery::Ports()
{
    // Qt Serial Port lives in its plugin, opened here on first use.
    QList<SerialPortEntry> ports;
    if (auto* plugin = Plugin<CSerialPortInterface>(kSerialPortPlugin))
        ports = plugin->ListPorts();
    AddStableNames(ports, m_byIdFolder);
    // ttyS2 before ttyS10, as people count.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), [&collator](const SerialPortEntry& a, const SerialPortEntry& b) {
        return collator.compare(a.device, b.device) < 0;
    });
    return ports;
}

void AddStableNames(QList<SerialPortEntry>& ports, const QString& byIdFolder)
{
    if (byIdFolder.isEmpty())
        return;
    const QFileInfoList links = QDir(byIdFolder).entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        if (!link.isSymLink())
            continue;
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue; // a link left behind by an adapter that is gone
        auto it = std::find_if(ports.begin(), ports.end(), [&target](const SerialPortEntry& port) {
            return port.device == target || CanonicalDevice(port.device) == target;
        });
        if (it == ports.end()) {
            SerialPortEntry entry;
            entry.device = target;
            entry.stableName = link.absoluteFilePath();
            ports << entry;
        } else if (it->stableName.isEmpty()) {
            it->stableName = link.absoluteFilePath();
        }
    }
}

QString PortAssignment::SourceText() const
{
    switch (source) {
    case PortSource::Environment:
        return QStringLiteral("the environment variable ") + PortEnvironmentVariable(number);
    case PortSource::Settings:
        return QStringLiteral("the settings entry \"%1\"").arg(PortSettingsKey(number));
    case PortSource::SystemDefault:
        break;
    }
    return QStringLiteral("the system's default");
}

QString PortEnvironmentVariable(int nSerialPort)
{
    return QStringLiteral("QZM_") + SerialPortName(nSerialPort);
}

QString PortSettingsKey(int nSerialPort)
{
    return SettingsKeys::SerialPortKey(SerialPortName(nSerialPort));
}

QString SystemDefaultPort(int nSerialPort)
{
    if (SerialPortName(nSerialPort).isEmpty())
        return {};
#if defined(Q_OS_LINUX)
    return QStringLiteral("/dev/ttyS%1").arg(nSerialPort - 1);
#else
    return SerialPortName(nSerialPort);
#endif
}

PortAssignment ResolvePortAssignment(int nSerialPort, const QList<SerialPortEntry>* ports)
{
    return ResolvePortChoice(nSerialPort, QSettings().value(PortSettingsKey(nSerialPort)).toString(), ports);
}

PortAssignment ResolvePortChoice(int nSerialPort, const QString& fromSettings, const QList<SerialPortEntry>* ports)
{
    PortAssignment assignment;
    assignment.name = SerialPortName(nSerialPort);
    if (assignment.name.isEmpty())
        return assignment;
    assignment.number = nSerialPort;
    const QString fromEnvironment = qEnvironmentVariable(qPrintable(PortEnvironmentVariable(nSerialPort)));
    if (!fromEnvironment.isEmpty()) {
        assignment.device = fromEnvironment;
        assignment.source = PortSource::Environment;
    } else if (!fromSettings.isEmpty()) {
        assignment.device = fromSettings;
        assignment.source = PortSource::Settings;
    } else {
        assignment.device = SystemDefaultPort(nSerialPort);
        assignment.source = PortSource::SystemDefault;
    }
    if (IsNetworkPort(assignment.device)) {
        assignment.target = assignment.device;
    } else {
        assignment.target = CanonicalDevice(assignment.device);
        assignment.exists = !assignment.target.isEmpty();
        if (!assignment.exists)
            assignment.target = DevicePath(assignment.device);
    }
    if (ports) {
        for (qsizetype i = 0; i < ports->size(); ++i) {
            const SerialPortEntry& port = ports->at(i);
            if (port.device == assignment.device || (!port.stableName.isEmpty() && port.stableName == assignment.device)
                || (assignment.exists && CanonicalDevice(port.device) == assignment.target)) {
                assignment.entry = int(i);
                break;
            }
        }
    }
    return assignment;
}

QString SerialPortDevice(int nSerialPort)
{
    return ResolvePortAssignment(nSerialPort).device;
}

QString PreferredPortName(const QString& choice, const QList<SerialPortEntry>& ports)
{
    const QString trimmed = choice.trimmed();
    if (trimmed.isEmpty() || IsNetworkPort(trimmed))
        return trimmed;
    const QString target = CanonicalDevice(trimmed);
    for (const SerialPortEntry& port : ports) {
        if (port.stableName.isEmpty())
            continue;
        if (port.device == trimmed || port.stableName == trimmed
            || (!target.isEmpty() && CanonicalDevice(port.device) == target))
            return port.stableName;
    }
    return trimmed;
}

void StorePortChoice(int nSerialPort, const QString& choice)
{
    if (SerialPortName(nSerialPort).isEmpty())
        return;
    QSettings settings;
    if (choice.trimmed().isEmpty())
        settings.remove(PortSettingsKey(nSerialPort));
    else
        settings.setValue(PortSettingsKey(nSerialPort), choice.trimmed());
    settings.sync();
}

QString PortSettingsLocation()
{
    return QSettings().fileName();
}

QString PortChoiceHint(const PortAssignment& assignment, bool commandLine)
{
    if (assignment.number == 0)
        return {};
    QString text = QStringLiteral("%1 is mapped to %2 by %3").arg(assignment.name, assignment.device, assignment.SourceText());
    if (!IsNetworkPort(assignment.device) && assignment.exists && assignment.target != DevicePath(assignment.device))
        text += QStringLiteral(", which leads to ") + assignment.target;
    text += QStringLiteral(".\n");
    if (commandLine)
        text += QStringLiteral("Choose another with --port (a device path, COM1..COM4 or tcp://HOST:PORT; "
                               "qzm-cli ports lists the ports found), ");
    else
        text += QStringLiteral("Choose another under Comunicate > Serial Port Number > Serial Ports..., ");
    text += QStringLiteral("or set \"%1\" in %2").arg(PortSettingsKey(assignment.number), PortSettingsLocation());
    if (assignment.source == PortSource::Environment)
        text += QStringLiteral("; the environment variable %1 overrides that setting: change or unset it.")
                    .arg(PortEnvironmentVariable(assignment.number));
    else
        text += QStringLiteral(" (the environment variable %1 overrides it).").arg(PortEnvironmentVariable(assignment.number));
    return text;
}

bool ResolvePortArgument(const QString& value, PortTarget& target, QString& error)
{
    target = PortTarget();
    if (value.trimmed().isEmpty()) {
        error = QStringLiteral("an empty --port names no device; give a device path, COM1..COM4 or tcp://HOST:PORT");
        return false;
    }
    const QRegularExpressionMatch com =
        QRegularExpression(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption).match(value);
    if (com.hasMatch()) {
        const int number = com.captured(1).toInt();
        if (SerialPortName(number).isEmpty()) {
            error = value + QStringLiteral(" is not one of COM1 to COM4");
            return false;
        }
        target.serialPort = number;
        target.device = SerialPortDevice(number);
        return true;
    }
    if (IsNetworkPort(value)) {
        QString host;
        quint16 port = 0;
        if (!ParseNetworkPort(value, host, port, &error))
            return false;
        target.device = value.trimmed();
        return true;
    }
    target.device = value;
    return true;
}

QJsonObject PortsToJson(const QList<SerialPortEntry>& ports)
{
    QJsonArray found;
    for (const SerialPortEntry& port : ports) {
        QJsonObject o;
        o[QStringLiteral("device")] = port.device;
        o[QStringLiteral("stableName")] = port.stableName.isEmpty() ? QJsonValue() : QJsonValue(port.stableName);
        o[QStringLiteral("description")] = port.description;
        o[QStringLiteral("manufacturer")] = port.manufacturer;
        o[QStringLiteral("serialNumber")] = port.serialNumber;
        o[QStringLiteral("vendorId")] = IdValue(port.vendorId);
        o[QStringLiteral("productId")] = IdValue(port.productId);
        found.append(o);
    }
    QJsonArray assignments;
    for (int n = QZMFields::kSerialPort.min; n <= QZMFields::kSerialPort.max; ++n) {
        const PortAssignment a = ResolvePortAssignment(n, &ports);
        QJsonObject o;
        o[QStringLiteral("port")] = a.name;
        o[QStringLiteral("number")] = n;
        o[QStringLiteral("device")] = a.device;
        o[QStringLiteral("source")] = SourceKey(a.source);
        o[QStringLiteral("target")] = a.target;
        o[QStringLiteral("network")] = IsNetworkPort(a.device);
        o[QStringLiteral("exists")] = IsNetworkPort(a.device) ? QJsonValue() : QJsonValue(a.exists);
        o[QStringLiteral("found")] = a.entry >= 0 ? QJsonValue(ports.at(a.entry).device) : QJsonValue();
        assignments.append(o);
    }
    QJsonObject root;
    root[QStringLiteral("ports")] = found;
    root[QStringLiteral("assignments")] = assignments;
    root[QStringLiteral("settings")] = PortSettingsLocation();
    return root;
}
