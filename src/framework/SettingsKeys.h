#pragma once

#include <QCoreApplication>
#include <QString>

// Every key the program keeps in the per-user settings, in one place.
namespace SettingsKeys {
// The store itself: Software\Zelvra\QZM on Windows, ~/.config/Zelvra/QZM.conf
// elsewhere. The program, qzm-cli and the tests all choose it here.
inline void UseProgramStore()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvra"));
    QCoreApplication::setApplicationName(QStringLiteral("QZM"));
}
// The recent-file list: one entry per file, "File1" to "File4".
inline QString RecentFileSection() { return QStringLiteral("Recent File List"); }
inline QString RecentFileEntryFormat() { return QStringLiteral("File%1"); }
// The folder Create Text File offered last.
inline QString ReportFolder() { return QStringLiteral("Global Information/Teleg File Path"); }
// The device a serial port name (COM1..COM4) maps to.
inline QString SerialPortKey(const QString& portName) { return QStringLiteral("Serial Ports/") + portName; }
} // namespace SettingsKeys
