#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The program's own settings store, under the organisation "Tavrel" and the application
// "tavrel": the recent-file list, the main window's size, the port of the last connection and the
// measurements laid over the graph for each program file.
namespace programsettings {

inline constexpr const char* kOrganisation = "Tavrel";
inline constexpr const char* kApplication = "tavrel";

QSettings Open();

// The port the last connection was opened on, in this run or an earlier one; empty before the
// first.
QString LastPort();
void SetLastPort(const QString& port);

// The measurements remembered for a program file, as lines of MeasurementOverlays::Remembered();
// none for a file never seen. Setting none forgets the file.
QStringList MeasurementsOf(const QString& programFile);
void SetMeasurementsOf(const QString& programFile, const QStringList& lines);

} // namespace programsettings
