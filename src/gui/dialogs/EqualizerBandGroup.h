#pragma once

#include "gui/widgets/CaptionedGroup.h"
#include "model/ChannelId.h"

#include <QColor>

#include <functional>

class ParameterStore;
class QComboBox;
class QLabel;
class RotaryKnob;
class TwoStateButton;
class ValueEdit;
class ValueSpin;

// The controls of one equaliser band, framed by a group captioned "EQ1", "EQ2", ...: its type,
// its frequency (a value box with arrows and a logarithmic knob), its bandwidth in octaves and
// as a Q (two views of one index: two value boxes with arrows and one knob), its gain (a value
// box with arrows and a knob), the slope of a shelf and the "On"/"OFF" switch. A shelf has no
// bandwidth: its bandwidth box and knob make way for the slope, the unit reads "dB" and the Q is
// greyed. An off band shows "0.0" dB and its knob at 0.0 dB; switching it on shows its gain.
//
// The group connects its controls to the keys of band `number` of the channel `channel` returns
// ("in.A.eq.3.gain"), so the input and output equaliser editors share it; the store writes them
// through the band editing rules and announces what moved.
class EqualizerBandGroup : public CaptionedGroup {
    Q_OBJECT
public:
    // Size of a group in dialog units.
    static constexpr int kWidth = 82;
    static constexpr int kHeight = 120;
    // The switch: green "On", red "OFF", white text.
    static QColor OnColour() { return QColor(0, 141, 12); }
    static QColor OffColour() { return QColor(187, 47, 35); }

    struct Controls {
        QComboBox* type = nullptr; // "PEQ", "Lo -- Shf", "Hi -- Shf"
        ValueEdit* frequencyEdit = nullptr;
        ValueSpin* frequencySpin = nullptr;
        RotaryKnob* frequencyKnob = nullptr;
        ValueEdit* bandwidthEdit = nullptr;
        ValueSpin* bandwidthSpin = nullptr;
        RotaryKnob* bandwidthKnob = nullptr;
        QLabel* bandwidthUnit = nullptr; // "Oct", or "dB" beside a shelf's slope
        ValueEdit* qEdit = nullptr;
        ValueSpin* qSpin = nullptr;
        ValueEdit* gainEdit = nullptr;
        ValueSpin* gainSpin = nullptr;
        RotaryKnob* gainKnob = nullptr;
        QComboBox* slope = nullptr; // "6", "12" (dB per octave), shelves only
        TwoStateButton* onOff = nullptr;
    };

    // Band `number` (1-based, for the caption and the keys).
    EqualizerBandGroup(int number, ParameterStore& store, std::function<ChannelId()> channel,
                       QWidget* parent);

    const Controls& controls() const { return m_controls; }

private:
    Controls m_controls;
};
