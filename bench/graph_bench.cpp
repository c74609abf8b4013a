// Model-side cost of the response graph, without painting: what a full redraw recomputes (the
// pixel curves of all 12 channels) and what one mouse move of a drag does (the drag step with its
// setters, then the dragged channel's curve). Both must stay far below a 60 Hz frame (16.7 ms);
// the painting itself is timed by the graph widget's test.

#include <benchmark/benchmark.h>

#include "model/GraphGeometry.h"
#include "model/ProgramContainer.h"

namespace {

const GraphRect kPlot{35, 10, 922, 249}; // the main view's plot area
const GraphPoint kGrabbedAtCentre{0, 0}; // drag offset

// A program in which every band and crossover contributes to its channel's curve.
void Fill(ProgramContainer& data) {
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
    data.setGraphRect(kPlot);
}

void BM_RecomputeAllCurves(benchmark::State& state) {
    ProgramContainer data;
    Fill(data);
    for (auto _ : state) {
        for (InputChannel& in : data.inputs())
            in.recomputeCurve();
        for (OutputChannel& out : data.outputs())
            out.recomputeCurve();
        benchmark::DoNotOptimize(data.output(7).curve().data());
    }
}
BENCHMARK(BM_RecomputeAllCurves)->Unit(benchmark::kMicrosecond);

// Alternate between two pointer positions so every step changes the band.
void BM_BandDragStep(benchmark::State& state) {
    ProgramContainer data;
    Fill(data);
    OutputChannel& out = data.output(0);
    Filter& band = out.filter(2);
    const GraphPoint a{300, 60};
    const GraphPoint b{420, 150};
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(GraphGeometry::BandDragStep(band, flip ? a : b, kGrabbedAtCentre,
                                                             kPlot.width(), kPlot.height()));
        out.recomputeCurve();
    }
}
BENCHMARK(BM_BandDragStep)->Unit(benchmark::kMicrosecond);

void BM_CrossoverDragStep48dB(benchmark::State& state) {
    ProgramContainer data;
    Fill(data);
    OutputChannel& out = data.output(0);
    const GraphPoint a{500, 100};
    const GraphPoint b{700, 100};
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(
            GraphGeometry::CrossoverDragStep(out.lowPass(), out.highPass().frequency(),
                                             flip ? a : b, kGrabbedAtCentre, kPlot.width()));
        out.recomputeCurve();
    }
}
BENCHMARK(BM_CrossoverDragStep48dB)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
