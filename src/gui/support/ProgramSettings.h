#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The program's own settings store, under the organisation "Tavrel" and the application
// "tavrel": the recent-file list, the main window's size, the port of the last connection, the
// network ports connected to lately, the folder of the last program file chosen and the
// measurements laid over the graph for each program file.
namespace programsettings {

inline constexpr const char* kOrganisation = "Tavrel";
inline constexpr const char* kApplication = "tavrel";

QSettings Open();

// The port the last connection was opened on, in this run or an earlier one; empty before the
// first.
QString LastPort();
void SetLastPort(const QString& port);

// How many network ports the connect dialog remembers.
inline constexpr int kRecentNetworkPortCount = 8;

// The network ports (rfc2217://HOST:PORT, tcp://HOST:PORT) connections were opened on, most
// recent first, each once in its usual form; at most kRecentNetworkPortCount. Entries that are
// no well-formed network port name (a hand-edited settings file) are left out.
QStringList RecentNetworkPorts();
// Puts `port` first in the recent network ports, dropping its earlier place and the oldest
// beyond the limit. A name that is no well-formed network port name changes nothing: serial
// ports are listed by the system.
void RememberNetworkPort(const QString& port);

// The folder a program file was last chosen in; empty before the first.
QString LastFileFolder();
void SetLastFileFolder(const QString& folder);

// The measurements remembered for a program file, as lines of MeasurementOverlays::Remembered();
// none for a file never seen. Setting none forgets the file.
QStringList MeasurementsOf(const QString& programFile);
void SetMeasurementsOf(const QString& programFile, const QStringList& lines);

} // namespace programsettings
