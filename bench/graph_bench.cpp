// Model-side cost of the response graph, without painting: what a full redraw recomputes (the
// pixel curves of all 12 channels) and what one mouse move of a drag does (the drag step with its
// setters, then the dragged channel's curve). Both must stay far below a 60 Hz frame (16.7 ms):
// each is printed after the runs as a share of a frame, against a bound of 1%.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ShapedProgram.h"
#include "model/GraphGeometry.h"
#include "model/ProgramContainer.h"

namespace {

const GraphRect kPlot{35, 10, 922, 249}; // the main view's plot area
const GraphPoint kGrabbedAtCentre{0, 0}; // drag offset

// A program with every curve shaped, drawn on the main view's plot area.
void Fill(ProgramContainer& data) {
    ShapeEveryCurve(data);
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

constexpr double kFrameNs = 1e9 / 60;
constexpr double kBoundShareOfFrame = 0.01;

// Console output as usual, and the CPU time per iteration of every run kept for the summary.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) {
                // In the run's display unit (microseconds here); back to nanoseconds.
                nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime() * 1e9 /
                                                    benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nShare of a 60 Hz frame (16.7 ms), bound %.0f%%:\n", kBoundShareOfFrame * 100);
    for (const auto& [name, ns] : reporter.nanoseconds) {
        const double share = ns / kFrameNs;
        std::printf("  %-32s %7.3f%%  %.3fx of the bound (%s)\n", name.c_str(), share * 100,
                    share / kBoundShareOfFrame, share < kBoundShareOfFrame ? "met" : "MISSED");
    }
    return 0;
}
