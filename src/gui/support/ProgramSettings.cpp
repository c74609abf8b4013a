#include "gui/support/ProgramSettings.h"

namespace programsettings {

namespace {

constexpr const char* kLastPortKey = "Connection/LastPort";

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

} // namespace programsettings
