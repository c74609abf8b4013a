#pragma once

#include "gui/dialogs/ChannelEditor.h"

class InputChannel;
class QRadioButton;
class TwoStateButton;

// The editor of one input channel: its delay in milliseconds, metres and feet (one value, three
// edits with arrows and a slider), its noise gate threshold and, on the 4x8, the gate's switch
// and the unit-wide analog/digital input source. The 3x6 and 2x4 offer the delay and the
// threshold only; a gate stored as switched off still greys the threshold there.
class InputChannelEditor : public ChannelEditor {
    Q_OBJECT
public:
    InputChannelEditor(ParameterStore& store, QWidget* owner);

    // ---- Controls, for the surface's tests and the screenshots ----
    const DelayControls& delay() const { return m_delay; }
    ValueEdit* thresholdEdit() const { return m_thresholdEdit; }
    Fader* thresholdFader() const { return m_thresholdFader; }
    QRadioButton* gateRadio(bool enable) const { return enable ? m_enable : m_disable; }
    QRadioButton* sourceRadio(int source) const { return source ? m_digital : m_analog; }

protected:
    QString captionOf(int index) const override;

private:
    InputChannel& record() const;

    DelayControls m_delay;
    ValueEdit* m_thresholdEdit = nullptr;
    Fader* m_thresholdFader = nullptr;
    QRadioButton* m_disable = nullptr;
    QRadioButton* m_enable = nullptr;
    QRadioButton* m_analog = nullptr;
    QRadioButton* m_digital = nullptr;
};
