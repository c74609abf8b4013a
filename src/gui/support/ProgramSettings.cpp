#include "gui/support/ProgramSettings.h"

#include <QUrl>

namespace programsettings {

namespace {

constexpr const char* kLastPortKey = "Connection/LastPort";
constexpr const char* kMeasurementsGroup = "Measurements/";

// A path as one key of the group: its slashes would open groups of their own.
QString MeasurementsKey(const QString& programFile) {
    return QLatin1String(kMeasurementsGroup) +
           QString::fromLatin1(QUrl::toPercentEncoding(programFile));
}

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

QStringList MeasurementsOf(const QString& programFile) {
    return Open().value(MeasurementsKey(programFile)).toStringList();
}

void SetMeasurementsOf(const QString& programFile, const QStringList& lines) {
    QSettings settings = Open();
    if (lines.isEmpty())
        settings.remove(MeasurementsKey(programFile));
    else
        settings.setValue(MeasurementsKey(programFile), lines);
}

} // namespace programsettings
