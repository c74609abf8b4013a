#pragma once

#include "model/ProgramContainer.h"

// A program in which every band and crossover shapes its channel's curve, so a benchmark
// measures the full work of a redraw or a drag.
inline void ShapeEveryCurve(ProgramContainer& data) {
    for (InputChannel& in : data.inputs()) {
        for (int b = 0; b < InputChannel::kBandCount; ++b) {
            in.filter(b).setFrequency(40 << b);
            in.filter(b).setGainIndex(260 + 10 * b);
            in.filter(b).setBandwidthIndex(50);
        }
    }
    for (OutputChannel& out : data.outputs()) {
        for (int b = 0; b < OutputChannel::kBandCount; ++b) {
            out.filter(b).setFrequency(60 << b);
            out.filter(b).setGainIndex(340 - 10 * b);
            out.filter(b).setBandwidthIndex(80);
        }
        out.highPass().setSlope(Filter::kSlope48);
        out.highPass().setFrequency(80);
        out.lowPass().setSlope(Filter::kSlope48);
        out.lowPass().setFrequency(8000);
    }
}
