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
#include <QGridLayout>
#include <QLabel>

#include <algorithm>

using namespace ChannelEditRules;

namespace {

// Layout in dialog units of the group's font: the type across the top; a knob at the left of
// each row, its value box, arrows and unit beside it; the bandwidth row has a second box below
// for the Q; the switch centred at the bottom.
constexpr int kKnobSize = 22;
constexpr int kEditWidth = 30;
constexpr int kSpinWidth = 8;
constexpr int kUnitWidth = 15;
constexpr int kSwitchWidth = 54;
// The longest value shown: a Q to three decimals.
const QString kWidestValue = QStringLiteral("00.000");
enum Column { kKnobColumn, kEditColumn, kSpinColumn, kUnitColumn, kColumns };
enum Row { kTypeRow, kFrequencyRow, kBandwidthRow, kQRow, kGainRow, kSwitchRow };

constexpr int kGainStepsPerDb = 10;

// Knob colours: frequency, bandwidth, gain.
const QColor kFrequencyAccent(0, 200, 255);
const QColor kBandwidthAccent(120, 220, 120);
const QColor kGainAccent(235, 190, 70);

} // namespace

EqualizerBandGroup::EqualizerBandGroup(int number, ParameterStore& store,
                                       std::function<ChannelId()> channel, QWidget* parent)
    : CaptionedGroup(QStringLiteral("EQ%1").arg(number), parent) {
    const int band = number - 1;
    auto keyOf = [channel, band](ParameterField field) {
        return [channel, band, field] { return BandKey(channel(), band, field); };
    };
    const DeviceModel& model = store.model();
    const QFontMetrics fm = fontMetrics();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(QMargins());
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(FontDluY(fm, 2));
    grid->setColumnMinimumWidth(kKnobColumn, FontDluX(fm, kKnobSize + 2));
    grid->setColumnMinimumWidth(kUnitColumn, FontDluX(fm, kUnitWidth));
    // A control that gives way to another keeps its place while hidden, so the group keeps its
    // size whatever the type.
    auto keepPlace = [](QWidget* widget) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    };
    auto label = [this, grid, &fm](const QString& text, int row) {
        auto* l = new QLabel(text, this);
        l->setIndent(FontDluX(fm, 1));
        grid->addWidget(l, row, kUnitColumn);
        return l;
    };
    auto edit = [this, grid, &fm](int row) {
        auto* e = new ValueEdit(this);
        e->setFixedWidth(std::max(FontDluX(fm, kEditWidth), e->widthShowing(kWidestValue)));
        grid->addWidget(e, row, kEditColumn);
        return e;
    };
    auto spin = [this, grid, &fm](int row) {
        auto* s = new ValueSpin(this);
        s->setFixedWidth(FontDluX(fm, kSpinWidth));
        s->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        grid->addWidget(s, row, kSpinColumn);
        return s;
    };
    // Beside one row, or beside two (the bandwidth and the Q).
    auto knob = [this, grid, &fm](int row, int rows, const QColor& accent) {
        auto* k = new RotaryKnob(this);
        k->setFixedSize(FontDluX(fm, kKnobSize), FontDluX(fm, kKnobSize));
        k->setAccent(accent);
        grid->addWidget(k, row, kKnobColumn, rows, 1, Qt::AlignLeft | Qt::AlignVCenter);
        return k;
    };
    auto combo = [this](const QStringList& items) {
        auto* c = new QComboBox(this);
        c->addItems(items);
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
    c.type = combo({QStringLiteral("PEQ"), tr("Lo -- Shf"), tr("Hi -- Shf")});
    grid->addWidget(c.type, kTypeRow, 0, 1, kColumns);
    new ComboConnection(store, type, c.type);

    // ---- Frequency ----
    const auto frequency = keyOf(ParameterField::BandFrequency);
    c.frequencyKnob = knob(kFrequencyRow, 1, kFrequencyAccent);
    c.frequencyEdit = edit(kFrequencyRow);
    c.frequencySpin = spin(kFrequencyRow);
    label(QStringLiteral("Hz"), kFrequencyRow);
    new SpinConnection(store, frequency, c.frequencySpin, c.frequencyEdit,
                       scale(ParameterField::BandFrequency));
    new KnobConnection(store, frequency, c.frequencyKnob, KnobConnection::Frequency());

    // ---- Bandwidth and Q: two views of one index; a shelf has a slope instead ----
    const auto bandwidth = keyOf(ParameterField::BandBandwidth);
    const DisplayKindSettings bandwidthScale = scale(ParameterField::BandBandwidth);
    c.bandwidthKnob = knob(kBandwidthRow, 2, kBandwidthAccent);
    c.bandwidthEdit = edit(kBandwidthRow);
    c.bandwidthSpin = spin(kBandwidthRow);
    for (QWidget* givesWay :
         {static_cast<QWidget*>(c.bandwidthKnob), static_cast<QWidget*>(c.bandwidthEdit),
          static_cast<QWidget*>(c.bandwidthSpin)})
        keepPlace(givesWay);
    (new SpinConnection(store, bandwidth, c.bandwidthSpin, c.bandwidthEdit, bandwidthScale))
        ->setVisibleWhen(peq);
    (new KnobConnection(store, bandwidth, c.bandwidthKnob,
                        KnobConnection::Linear(bandwidthScale.min, bandwidthScale.max)))
        ->setVisibleWhen(peq);

    const auto q = keyOf(ParameterField::BandQ);
    c.qEdit = edit(kQRow);
    c.qSpin = spin(kQRow);
    (new LabelConnection(store, q, label(QStringLiteral("Q"), kQRow)))->setEnabledWhen(peq);
    (new SpinConnection(store, q, c.qSpin, c.qEdit, scale(ParameterField::BandQ)))
        ->setEnabledWhen(peq);

    c.slope = combo({QStringLiteral("6"), QStringLiteral("12")});
    keepPlace(c.slope);
    grid->addWidget(c.slope, kBandwidthRow, kEditColumn, 1, 2);
    (new ComboConnection(store, keyOf(ParameterField::BandSlope), c.slope))->setVisibleWhen(shelf);

    // The unit beside the bandwidth, or beside a shelf's slope, follows the type.
    c.bandwidthUnit = label(QString(), kBandwidthRow);
    new LabelConnection(store, type, c.bandwidthUnit,
                        [peq] { return peq() ? QStringLiteral("Oct") : QStringLiteral("dB"); });

    // ---- Gain: "0.0" while the band is off ----
    const auto gain = keyOf(ParameterField::BandGain);
    c.gainKnob = knob(kGainRow, 1, kGainAccent);
    c.gainEdit = edit(kGainRow);
    c.gainSpin = spin(kGainRow);
    label(QStringLiteral("dB"), kGainRow);
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
    c.onOff->setMinimumWidth(FontDluX(fm, kSwitchWidth));
    grid->addWidget(c.onOff, kSwitchRow, 0, 1, kColumns, Qt::AlignHCenter);
    c.onOff->setColours(OnColour(), OffColour());
    c.onOff->setTextColours(Qt::white, Qt::white);
    new SwitchConnection(store, keyOf(ParameterField::BandOn), c.onOff, QStringLiteral("On"),
                         QStringLiteral("OFF"));
}
