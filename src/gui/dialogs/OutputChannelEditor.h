#pragma once

#include "gui/dialogs/ChannelEditor.h"

#include <array>
#include <functional>

class OutputChannel;
class QRadioButton;
class TwoStateButton;

// The editor of one output channel: the inputs feeding it ("In Source"), its delay, its
// high-pass and low-pass crossover filters (characteristic, slope, frequency; the high-pass never
// above the low-pass) and its limiter (threshold, attack, release). The 4x8 also offers the clip
// limit, the ratio, Limit/Compressor and Manual/Auto. While it is shown the response graph shows
// this output's crossovers, and a crossover dragged there shows up here.
class OutputChannelEditor : public ChannelEditor {
    Q_OBJECT
public:
    OutputChannelEditor(ParameterStore& store, QWidget* owner);

    // ---- Controls, for tests and screenshots ----
    struct CrossoverControls {
        TwoStateButton* butterworth = nullptr;   // "BTWorth"
        TwoStateButton* linkwitzRiley = nullptr; // "L__R"
        TwoStateButton* bessel = nullptr;
        ValueEdit* slopeEdit = nullptr;
        Fader* slopeFader = nullptr;
        ValueEdit* frequencyEdit = nullptr;
        Fader* frequencyFader = nullptr;
    };
    struct LimiterControls {
        ValueEdit* edit = nullptr;
        Fader* fader = nullptr;
    };
    TwoStateButton* sourceToggle(int input) const { return m_sources[input]; } // null if absent
    const DelayControls& delay() const { return m_delay; }
    const CrossoverControls& highPass() const { return m_highPass; }
    const CrossoverControls& lowPass() const { return m_lowPass; }
    const LimiterControls& threshold() const { return m_threshold; }
    const LimiterControls& attack() const { return m_attack; }
    const LimiterControls& release() const { return m_release; }
    const LimiterControls& clipLimit() const { return m_clipLimit; }             // 4x8 only
    const LimiterControls& ratio() const { return m_ratio; }                     // 4x8 only
    QRadioButton* modeRadio(int mode) const { return mode ? m_auto : m_manual; } // 4x8 only
    QRadioButton* typeRadio(int type) const { return type ? m_compressor : m_limit; }

protected:
    QString captionOf(int index) const override;
    // A Limit stored in Auto mode is set to Manual (and sent) as the output is shown.
    void channelSelected() override;

private:
    OutputChannel& record() const;
    CrossoverControls addCrossover(QWidget* group, bool highPass);
    // A column of the limiter: a value box and a slider, usable while `enabled` holds (empty:
    // always).
    LimiterControls addLimiterColumn(int x, const QString& caption, const QString& unit, int width,
                                     ParameterField field, const DisplayKindSettings& entry,
                                     std::function<bool()> enabled = {});

    std::array<TwoStateButton*, 4> m_sources{};
    DelayControls m_delay;
    CrossoverControls m_highPass;
    CrossoverControls m_lowPass;
    LimiterControls m_threshold;
    LimiterControls m_attack;
    LimiterControls m_release;
    LimiterControls m_clipLimit;
    LimiterControls m_ratio;
    QRadioButton* m_manual = nullptr;
    QRadioButton* m_auto = nullptr;
    QRadioButton* m_limit = nullptr;
    QRadioButton* m_compressor = nullptr;
};
