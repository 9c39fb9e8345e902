#pragma once

#include <QString>

// Every key the program keeps in the per-user settings, in one place (the
// organization and application names choose the store; see CQZMApp).
namespace SettingsKeys {
// The recent-file list: one entry per file, "File1" to "File4".
inline QString RecentFileSection() { return QStringLiteral("Recent File List"); }
inline QString RecentFileEntryFormat() { return QStringLiteral("File%1"); }
// The folder Create Text File offered last.
inline QString ReportFolder() { return QStringLiteral("Global Information/Teleg File Path"); }
// The device a serial port name (COM1..COM4) maps to.
inline QString SerialPortDevice(const QString& portName) { return QStringLiteral("Serial Ports/") + portName; }
} // namespace SettingsKeys
