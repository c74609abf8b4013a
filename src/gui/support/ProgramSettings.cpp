#include "gui/support/ProgramSettings.h"

#include "link/NetworkPortName.h"

#include <QUrl>

namespace programsettings {

namespace {

constexpr const char* kLastPortKey = "Connection/LastPort";
constexpr const char* kLastFileFolderKey = "Files/LastFolder";
constexpr const char* kRecentNetworkPortsKey = "Connection/RecentNetworkPorts";

// The usual form of a network port name; empty when `port` is none.
QString UsualNetworkPortName(const QString& port) {
    const auto parsed = ParseNetworkPortName(port.trimmed().toStdString());
    return parsed ? QString::fromStdString(parsed->Name()) : QString();
}

// `ports` in their usual form, each once, in the order given, at most the limit.
QStringList TidyNetworkPorts(const QStringList& ports) {
    QStringList tidy;
    for (const QString& port : ports) {
        const QString name = UsualNetworkPortName(port);
        if (!name.isEmpty() && !tidy.contains(name))
            tidy << name;
    }
    return tidy.mid(0, kRecentNetworkPortCount);
}

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

QStringList RecentNetworkPorts() {
    return TidyNetworkPorts(Open().value(QLatin1String(kRecentNetworkPortsKey)).toStringList());
}

void RememberNetworkPort(const QString& port) {
    const QString name = UsualNetworkPortName(port);
    if (name.isEmpty())
        return;
    Open().setValue(QLatin1String(kRecentNetworkPortsKey),
                    TidyNetworkPorts(QStringList{name} + RecentNetworkPorts()));
}

QString LastFileFolder() {
    return Open().value(QLatin1String(kLastFileFolderKey)).toString();
}

void SetLastFileFolder(const QString& folder) {
    Open().setValue(QLatin1String(kLastFileFolderKey), folder);
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
