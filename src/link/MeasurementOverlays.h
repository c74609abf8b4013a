#pragma once

#include "model/ChannelId.h"
#include "model/ChannelResponse.h"
#include "model/DeviceModel.h"
#include "model/MeasuredResponse.h"
#include "model/ParameterScales.h"

#include <array>
#include <string>
#include <vector>

// Measured responses laid over the response graph: per channel the measurement of the loudspeaker
// it drives, read from a measurement file and shown or hidden, and the outputs whose predicted
// acoustic sum is drawn.
//
// A measurement is sampled once on the graph's frequency grid. Its predicted level is then the
// measured level plus the level the graph draws for the channel (the same response maths), so a
// drag moves the predicted curve as cheaply as the channel's own. Measurement programs write
// absolute levels (dB SPL), far above the graph's +20 dB: every measurement is drawn with one
// common offset that puts their mean level between 20 Hz and 20 kHz at 0 dB, so their levels
// relative to each other stay as measured.
//
// The overlays belong to the program file they were loaded for: Remembered() gives them as text
// lines to keep under the file's path, Restore() takes such lines back.
class MeasurementOverlays {
public:
    // A value at each grid frequency; NaN where none is known.
    using GridValues = std::array<double, kGridPoints>;

    struct Overlay {
        ChannelId channel;
        std::string path;
        MeasuredResponse measurement;
        bool shown = true;
        GridValues levelDb{};  // measured, as in the file (no display offset)
        GridValues phaseDeg{}; // measured, -180 .. +180; NaN everywhere without a phase
    };

    // The predicted sum of the chosen outputs on the grid, or why there is none.
    struct Sum {
        bool chosen = false; // outputs are chosen for a sum
        GridValues levelDb{};
        GridValues phaseDeg{};
        std::string reason; // why it cannot be drawn; empty when it can
        bool Drawn() const { return chosen && reason.empty(); }
    };

    // Reads a measurement for a channel, replacing the one it had. On a bad or unreadable file,
    // false with the reader's message (naming the file and the line) and nothing changed.
    bool Load(ChannelId channel, const std::string& path, std::string& error);
    // Takes a measurement already read.
    void Set(ChannelId channel, const std::string& path, MeasuredResponse measurement);
    void Clear(ChannelId channel);
    void ClearAll();
    void SetShown(ChannelId channel, bool shown);

    // The channel's overlay, or nullptr.
    const Overlay* Of(ChannelId channel) const;
    const std::vector<Overlay>& All() const { return overlays_; }
    bool Empty() const { return overlays_.empty() && sumOutputs_.empty(); }

    // What is added to every measured and predicted level as it is drawn.
    double DisplayOffsetDb() const { return displayOffsetDb_; }

    // The predicted level on the grid: the measured level plus the channel's drawn level.
    static GridValues PredictedLevels(const Overlay& overlay, const GridValues& channelLevelsDb);
    // The predicted phase on the grid: the measured phase plus the channel's (wrapped); NaN
    // everywhere without a measured phase.
    static GridValues PredictedPhase(const Overlay& overlay, const ResponseCurves& channelOnGrid);

    // Outputs (0-based) in the predicted sum; in rising order.
    void SetInSum(int output, bool in);
    bool InSum(int output) const;
    const std::vector<int>& SumOutputs() const { return sumOutputs_; }
    // The sum of the chosen outputs through their channels as the program sets them now.
    Sum PredictedSumOf(const ProgramContainer& program) const;

    // One line per overlay ("out.2 shown /home/me/woofer.frd") and one for the sum ("sum 1 2").
    std::vector<std::string> Remembered() const;
    // Replaces everything by remembered lines, for a program of `model`. Returns a line for each
    // measurement that could not be read again ("out.2: woofer.frd: does not exist"); lines that
    // are not understood are skipped.
    std::vector<std::string> Restore(const std::vector<std::string>& lines,
                                     const DeviceModel& model);

private:
    Overlay* Find(ChannelId channel);
    void UpdateDisplayOffset();

    std::vector<Overlay> overlays_;
    std::vector<int> sumOutputs_;
    double displayOffsetDb_ = 0.0;
};
