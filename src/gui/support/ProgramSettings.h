#pragma once

#include <QSettings>
#include <QString>

// The program's own settings store, under the organisation "Tavrel" and the application
// "tavrel": the recent-file list, the main window's size, the port of the last connection and the
// folder of the last program file chosen.
namespace programsettings {

inline constexpr const char* kOrganisation = "Tavrel";
inline constexpr const char* kApplication = "tavrel";

QSettings Open();

// The port the last connection was opened on, in this run or an earlier one; empty before the
// first.
QString LastPort();
void SetLastPort(const QString& port);

// The folder a program file was last chosen in; empty before the first.
QString LastFileFolder();
void SetLastFileFolder(const QString& folder);

} // namespace programsettings
