#include "StripParts.h"

#include "gui/surface/SurfaceButtons.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"

#include <QLabel>
#include <QWidget>

namespace guitest {

namespace {

template <typename Widget>
Widget* Part(QWidget& surface, bool output, int channel, const char* part) {
    const QString name = QStringLiteral("%1%2.%3")
                             .arg(output ? QStringLiteral("out") : QStringLiteral("in"))
                             .arg(channel + 1)
                             .arg(QLatin1String(part));
    const QList<Widget*> found = surface.findChildren<Widget*>(name);
    if (found.size() != 1)
        qFatal("strip part %s found %d times", qPrintable(name), static_cast<int>(found.size()));
    return found.front();
}

} // namespace

StripParts::StripParts(QWidget& surface, bool output, int channel)
    : name(Part<TwoStateButton>(surface, output, channel, "name")),
      polarity(Part<TwoStateButton>(surface, output, channel, "polarity")),
      eq(Part<CurvePictureButton>(surface, output, channel, "eq")),
      channelEditor(Part<CurvePictureButton>(surface, output, channel, "channel")),
      gain(Part<ValueEdit>(surface, output, channel, "gain")),
      meter(Part<LevelMeter>(surface, output, channel, "meter")),
      fader(Part<Fader>(surface, output, channel, "fader")),
      mute(Part<MuteLampButton>(surface, output, channel, "mute")),
      nameLabel(Part<QLabel>(surface, output, channel, "label")) {}

} // namespace guitest
