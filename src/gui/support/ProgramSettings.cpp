#include "gui/support/ProgramSettings.h"

namespace programsettings {

namespace {

constexpr const char* kLastPortKey = "Connection/LastPort";
constexpr const char* kLastFileFolderKey = "Files/LastFolder";

} // namespace

QSettings Open() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
}

QString LastPort() {
    return Open().value(QLatin1String(kLastPortKey)).toString();
}

void SetLastPort(const QString& port) {
    Open().setValue(QLatin1String(kLastPortKey), port);
}

QString LastFileFolder() {
    return Open().value(QLatin1String(kLastFileFolderKey)).toString();
}

void SetLastFileFolder(const QString& folder) {
    Open().setValue(QLatin1String(kLastFileFolderKey), folder);
}

} // namespace programsettings
