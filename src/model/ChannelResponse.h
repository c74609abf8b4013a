#pragma once

#include <complex>
#include <span>
#include <string>
#include <vector>

#include "model/BiquadCascade.h"
#include "model/ChannelId.h"
#include "model/MeasuredResponse.h"

// A channel's response as the unit runs it, in magnitude, phase and group delay: its filters as
// the digital biquads at 96 kHz the magnitude graph models (an input's equaliser bands; an
// output's bands and crossover filters), its gain, its polarity and its delay. Muting is left
// out, as on the graph: the curves show what the channel does when it plays. With a measurement
// of the loudspeaker it drives, the predicted response is the measurement through the channel,
// and outputs that drive one loudspeaker sum as complex values.

class ChannelTransfer {
public:
    ChannelTransfer(const ProgramContainer& program, ChannelId channel);

    // Response at a frequency in Hz, gain, polarity and delay included.
    std::complex<double> At(double hz) const;
    // Group delay in seconds at a frequency in Hz: the filters' and the delay's.
    double GroupDelayAt(double hz) const;

private:
    std::vector<BiquadCascade> filters_;
    double gain_ = 1.0; // linear, negative when the polarity is inverted
    double delaySeconds_ = 0.0;
};

// Curves over a list of frequencies.
struct ResponseCurves {
    std::vector<double> hz;
    std::vector<double> levelDb;
    std::vector<double> phaseDeg;     // -180 .. +180; empty when there is no phase
    std::vector<double> groupDelayMs; // empty where it is not computed
};

// The channel's level, phase and group delay at each frequency.
ResponseCurves ChannelCurves(const ChannelTransfer& transfer, std::span<const double> hz);

// The measurement through the channel, at the measurement's own frequencies: its level plus the
// channel's, and its phase plus the channel's when it has one.
ResponseCurves PredictedResponse(const MeasuredResponse& measurement,
                                 const ChannelTransfer& transfer);

// One output of a loudspeaker and the measurement of the driver it feeds.
struct SummedOutput {
    ChannelId channel;
    const MeasuredResponse* measurement = nullptr;
};

// The predicted acoustic sum of two or more outputs, each measurement through its output, at the
// frequencies of `hz` all measurements cover. Empty, with the reason in `reason`, when it cannot
// be computed: fewer than two outputs, an output without a measurement, a measurement without a
// phase ("cannot sum: no phase in woofer.frd"), or no frequency every measurement covers.
ResponseCurves PredictedSum(const ProgramContainer& program,
                            const std::vector<SummedOutput>& outputs, std::span<const double> hz,
                            std::string& reason);
