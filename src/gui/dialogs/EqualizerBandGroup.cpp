#include "gui/dialogs/EqualizerBandGroup.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/support/DialogUnits.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ChannelEditRules.h"
#include "model/DeviceModel.h"
#include "model/Filter.h"
#include "model/ParameterRegistry.h"

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

} // namespace

EqualizerBandGroup::EqualizerBandGroup(int number, ParameterStore& store,
                                       std::function<ChannelId()> channel, QWidget* parent)
    : CaptionedGroup(QStringLiteral("EQ%1").arg(number), parent) {
    const int band = number - 1;
    auto keyOf = [channel, band](ParameterField field) {
        return [channel, band, field] { return BandKey(channel(), band, field); };
    };
    const DeviceModel& model = store.model();
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
    const auto type = keyOf(ParameterField::BandType);
    ParameterStore* values = &store;
    auto peq = [values, type] { return values->value(type()) == Filter::kPeq; };
    auto shelf = [peq] { return !peq(); };
    auto scale = [&model, &keyOf](ParameterField field) {
        return ParameterRegistry::Scale(model, keyOf(field)());
    };
    Controls& c = m_controls;

    // ---- Type ----
    c.type =
        combo({QStringLiteral("PEQ"), tr("Lo -- Shf"), tr("Hi -- Shf")}, 4, kTypeY, kWidth - 8);
    new ComboConnection(store, type, c.type);

    // ---- Frequency ----
    const auto frequency = keyOf(ParameterField::BandFrequency);
    c.frequencyKnob = knob(kFrequencyKnobY, kFrequencyAccent);
    c.frequencyEdit = edit(EditYBesideKnob(kFrequencyKnobY));
    c.frequencySpin = spin(EditYBesideKnob(kFrequencyKnobY));
    label(QStringLiteral("Hz"), kUnitX, EditYBesideKnob(kFrequencyKnobY), kUnitWidth);
    new SpinConnection(store, frequency, c.frequencySpin, c.frequencyEdit,
                       scale(ParameterField::BandFrequency));
    new KnobConnection(store, frequency, c.frequencyKnob, KnobConnection::Frequency());

    // ---- Bandwidth and Q: two views of one index; a shelf has a slope instead ----
    const auto bandwidth = keyOf(ParameterField::BandBandwidth);
    const DisplayKindSettings bandwidthScale = scale(ParameterField::BandBandwidth);
    c.bandwidthKnob = knob(kBandwidthKnobY, kBandwidthAccent);
    c.bandwidthEdit = edit(kBandwidthKnobY);
    c.bandwidthSpin = spin(kBandwidthKnobY);
    (new SpinConnection(store, bandwidth, c.bandwidthSpin, c.bandwidthEdit, bandwidthScale))
        ->setVisibleWhen(peq);
    (new KnobConnection(store, bandwidth, c.bandwidthKnob,
                        KnobConnection::Linear(bandwidthScale.min, bandwidthScale.max)))
        ->setVisibleWhen(peq);

    const auto q = keyOf(ParameterField::BandQ);
    c.qEdit = edit(kQY);
    c.qSpin = spin(kQY);
    (new LabelConnection(store, q, label(QStringLiteral("Q"), kUnitX, kQY, kUnitWidth)))
        ->setEnabledWhen(peq);
    (new SpinConnection(store, q, c.qSpin, c.qEdit, scale(ParameterField::BandQ)))
        ->setEnabledWhen(peq);

    c.slope = combo({QStringLiteral("6"), QStringLiteral("12")}, kEditX, kBandwidthKnobY,
                    kEditWidth + kSpinWidth);
    (new ComboConnection(store, keyOf(ParameterField::BandSlope), c.slope))->setVisibleWhen(shelf);

    // The unit beside the bandwidth, or beside a shelf's slope, follows the type.
    c.bandwidthUnit = label(QString(), kUnitX, kBandwidthKnobY, kUnitWidth);
    new LabelConnection(store, type, c.bandwidthUnit,
                        [peq] { return peq() ? QStringLiteral("Oct") : QStringLiteral("dB"); });

    // ---- Gain: "0.0" while the band is off ----
    const auto gain = keyOf(ParameterField::BandGain);
    c.gainKnob = knob(kGainKnobY, kGainAccent);
    c.gainEdit = edit(EditYBesideKnob(kGainKnobY));
    c.gainSpin = spin(EditYBesideKnob(kGainKnobY));
    label(QStringLiteral("dB"), kUnitX, EditYBesideKnob(kGainKnobY), kUnitWidth);
    const DisplayKindSettings gainScale = scale(ParameterField::BandGain);
    new SpinConnection(store, gain, c.gainSpin, c.gainEdit, gainScale);
    new KnobConnection(store, gain, c.gainKnob,
                       KnobConnection::Linear(gainScale.min, gainScale.max));
    // A level: 0.1 dB per arrow, 1 dB per page, no jump to an end; a double-click sets 0.0 dB,
    // which switches the band off as typing 0.0 does.
    c.gainKnob->setKeySteps(controlmath::LevelKeySteps(kGainStepsPerDb));
    c.gainKnob->setDefaultValue(kEqGainZeroIndex);

    // ---- On / OFF: a band at 0.0 dB cannot be switched on ----
    c.onOff = new TwoStateButton(this);
    c.onOff->setGeometry(DluRect(14, kSwitchY, kWidth - 28, kRowHeight + 1));
    c.onOff->setColours(OnColour(), OffColour());
    c.onOff->setTextColours(Qt::white, Qt::white);
    new SwitchConnection(store, keyOf(ParameterField::BandOn), c.onOff, QStringLiteral("On"),
                         QStringLiteral("OFF"));
}
