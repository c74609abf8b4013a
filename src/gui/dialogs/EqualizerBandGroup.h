#pragma once

#include "gui/dialogs/EditorBinding.h"
#include "gui/widgets/CaptionedGroup.h"

#include <QColor>

#include <functional>
#include <vector>

class Filter;
class QComboBox;
class QLabel;
class RotaryKnob;
class TwoStateButton;
class ValueEdit;
class ValueSpin;
struct DeviceModel;

// The controls of one equaliser band, framed by a group captioned "EQ1", "EQ2", ...: its type,
// its frequency (a value box with arrows and a logarithmic knob), its bandwidth in octaves and
// as a Q (two views of one index: two value boxes with arrows and one knob), its gain (a value
// box with arrows and a knob), the slope of a shelf and the "On"/"OFF" switch. A shelf has no
// bandwidth: its bandwidth box and knob make way for the slope, the unit reads "dB" and the Q is
// greyed. An off band shows "0.0" dB and its knob at 0.0 dB; switching it on shows its gain.
//
// The group binds its controls to the band `band` returns through the editor's binding, with the
// band editing rules of the core, so the input and output equaliser editors share it.
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

    // Band `number` (1-based, for the caption and the field names "eq.3.gain").
    EqualizerBandGroup(int number, const DeviceModel& model, EditorBinding& binding,
                       std::function<Filter&()> band, QWidget* parent);

    // Shows the band again from its record, leaving the other bands' controls alone (after the
    // band was dragged on the response graph).
    void refresh();

    const Controls& controls() const { return m_controls; }

private:
    EditorBinding& m_binding;
    std::vector<EditorBinding::FieldId> m_fields;
    Controls m_controls;
};
