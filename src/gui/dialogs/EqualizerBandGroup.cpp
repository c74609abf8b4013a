#include "gui/dialogs/EqualizerBandGroup.h"

#include "gui/support/DialogUnits.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ChannelEditRules.h"
#include "model/DeviceModel.h"
#include "model/Filter.h"

#include <QComboBox>
#include <QLabel>

using namespace ChannelEditRules;

namespace {

// Layout in dialog units of the group: a knob at the left of each row, its value box, arrows
// and unit beside it; the bandwidth row has a second box below for the Q.
constexpr int kKnobX = 2;
constexpr int kKnobSize = 22;
constexpr int kEditX = 26;
constexpr int kEditWidth = 30;
constexpr int kSpinX = kEditX + kEditWidth;
constexpr int kSpinWidth = 8;
constexpr int kUnitX = kSpinX + kSpinWidth + 1;
constexpr int kUnitWidth = 15;
constexpr int kRowHeight = 12;
constexpr int kTypeY = 11;
constexpr int kFrequencyKnobY = 27;
constexpr int kBandwidthKnobY = 52;
constexpr int kQY = 66;
constexpr int kGainKnobY = 77;
constexpr int kSwitchY = 103;

constexpr int kGainStepsPerDb = 10;

// Knob colours: frequency, bandwidth, gain.
const QColor kFrequencyAccent(0, 200, 255);
const QColor kBandwidthAccent(120, 220, 120);
const QColor kGainAccent(235, 190, 70);

// Value boxes sit level with the middle of their knob.
constexpr int EditYBesideKnob(int knobY) {
    return knobY + (kKnobSize - kRowHeight) / 2;
}

bool IsShelf(const Filter& band) {
    return band.type() == Filter::kLowShelf || band.type() == Filter::kHighShelf;
}

} // namespace

EqualizerBandGroup::EqualizerBandGroup(int number, const DeviceModel& model, EditorBinding& binding,
                                       std::function<Filter&()> band, QWidget* parent)
    : CaptionedGroup(QStringLiteral("EQ%1").arg(number), parent), m_binding(binding) {
    const QString prefix = QStringLiteral("band%1.").arg(number);
    // A field of this band; its name is given without the band's prefix.
    auto field = [&](EditorBinding::Field f) {
        f.name.prepend(prefix);
        m_fields.push_back(m_binding.addField(std::move(f)));
        return m_fields.back();
    };
    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(DluRect(x, y, w, kRowHeight));
        return l;
    };
    auto edit = [this](int y) {
        auto* e = new ValueEdit(this);
        e->setGeometry(DluRect(kEditX, y, kEditWidth, kRowHeight));
        return e;
    };
    auto spin = [this](int y) {
        auto* s = new ValueSpin(this);
        s->setGeometry(DluRect(kSpinX, y, kSpinWidth, kRowHeight));
        return s;
    };
    auto knob = [this](int y, const QColor& accent) {
        auto* k = new RotaryKnob(this);
        k->setGeometry(DluRect(kKnobX, y, kKnobSize, kKnobSize));
        k->setAccent(accent);
        return k;
    };
    auto combo = [this](const QStringList& items, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->addItems(items);
        c->setGeometry(DluRect(x, y, w, kRowHeight + 1));
        return c;
    };
    auto peq = [band] { return band().type() == Filter::kPeq; };
    auto shelf = [band] { return IsShelf(band()); };
    Controls& c = m_controls;

    // ---- Type ----
    const auto type = field({
        .name = QStringLiteral("type"),
        .shown = [band] { return band().type(); },
        .write = [band](int t) { return SetBandType(band(), t); },
    });
    c.type =
        combo({QStringLiteral("PEQ"), QStringLiteral("Lo -- Shf"), QStringLiteral("Hi -- Shf")}, 4,
              kTypeY, kWidth - 8);
    m_binding.bindCombo(type, c.type);

    // ---- Frequency ----
    const auto frequency = field({
        .name = QStringLiteral("frequency"),
        .shown = [band] { return band().frequency(); },
        .write = [band](int hz) { return SetBandFrequency(band(), hz); },
    });
    c.frequencyKnob = knob(kFrequencyKnobY, kFrequencyAccent);
    c.frequencyEdit = edit(EditYBesideKnob(kFrequencyKnobY));
    c.frequencySpin = spin(EditYBesideKnob(kFrequencyKnobY));
    label(QStringLiteral("Hz"), kUnitX, EditYBesideKnob(kFrequencyKnobY), kUnitWidth);
    m_binding.bindSpin(frequency, c.frequencySpin, c.frequencyEdit, kBandFrequencyEntry);
    m_binding.bindFrequencyKnob(frequency, c.frequencyKnob);

    // ---- Bandwidth and Q: one index; a shelf has a slope instead ----
    auto writeBandwidth = [band](int index) { return SetBandBandwidth(band(), index); };
    auto shownBandwidth = [band] { return band().bandwidthIndex(); };
    const auto bandwidth = field({
        .name = QStringLiteral("bandwidth"),
        .shown = shownBandwidth,
        .write = writeBandwidth,
        .visible = peq,
    });
    const DisplayKindSettings bandwidthEntry = BandwidthEntry(model);
    c.bandwidthKnob = knob(kBandwidthKnobY, kBandwidthAccent);
    c.bandwidthEdit = edit(kBandwidthKnobY);
    c.bandwidthSpin = spin(kBandwidthKnobY);
    m_binding.bindSpin(bandwidth, c.bandwidthSpin, c.bandwidthEdit, bandwidthEntry);
    m_binding.bindKnob(bandwidth, c.bandwidthKnob, bandwidthEntry.min, bandwidthEntry.max);

    const auto q = field({
        .name = QStringLiteral("q"),
        .shown = shownBandwidth,
        .write = writeBandwidth,
        .enabled = peq,
    });
    c.qEdit = edit(kQY);
    c.qSpin = spin(kQY);
    m_binding.bindEnabled(q, label(QStringLiteral("Q"), kUnitX, kQY, kUnitWidth));
    m_binding.bindSpin(q, c.qSpin, c.qEdit, QEntry(model));

    const auto slope = field({
        .name = QStringLiteral("slope"),
        .shown = [band] { return band().slope(); },
        .write = [band](int s) { return SetBandSlope(band(), s); },
        .visible = shelf,
    });
    c.slope = combo({QStringLiteral("6"), QStringLiteral("12")}, kEditX, kBandwidthKnobY,
                    kEditWidth + kSpinWidth);
    m_binding.bindCombo(slope, c.slope);

    // The unit beside the bandwidth, or beside a shelf's slope, follows the type.
    c.bandwidthUnit = label(QString(), kUnitX, kBandwidthKnobY, kUnitWidth);
    m_binding.bindLabel(type, c.bandwidthUnit,
                        [peq] { return peq() ? QStringLiteral("Oct") : QStringLiteral("dB"); });

    // ---- Gain: "0.0" while the band is off ----
    const auto gain = field({
        .name = QStringLiteral("gain"),
        .shown = [band] { return ShownBandGain(band()); },
        .write = [band](int index) { return SetBandGain(band(), index); },
    });
    c.gainKnob = knob(kGainKnobY, kGainAccent);
    c.gainEdit = edit(EditYBesideKnob(kGainKnobY));
    c.gainSpin = spin(EditYBesideKnob(kGainKnobY));
    label(QStringLiteral("dB"), kUnitX, EditYBesideKnob(kGainKnobY), kUnitWidth);
    m_binding.bindSpin(gain, c.gainSpin, c.gainEdit, kBandGainEntry);
    m_binding.bindKnob(gain, c.gainKnob, kBandGainEntry.min, kBandGainEntry.max);
    // A level: 0.1 dB per arrow, 1 dB per page, no jump to an end; a double-click sets 0.0 dB,
    // which switches the band off as typing 0.0 does.
    c.gainKnob->setKeySteps(controlmath::LevelKeySteps(kGainStepsPerDb));
    c.gainKnob->setDefaultValue(kEqGainZeroIndex);

    // ---- On / OFF: a band at 0.0 dB cannot be switched on ----
    const auto on = field({
        .name = QStringLiteral("on"),
        .shown = [band] { return band().off() ? 0 : 1; },
        .write = [band](int v) { return SetBandOn(band(), v != 0); },
    });
    c.onOff = new TwoStateButton(this);
    c.onOff->setGeometry(DluRect(14, kSwitchY, kWidth - 28, kRowHeight + 1));
    c.onOff->setColours(OnColour(), OffColour());
    c.onOff->setTextColours(Qt::white, Qt::white);
    m_binding.bindBit(on, c.onOff, 0, QStringLiteral("On"), QStringLiteral("OFF"));
}

void EqualizerBandGroup::refresh() {
    m_binding.refresh(m_fields);
}
