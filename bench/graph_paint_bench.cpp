// The response graph's painting, as a redraw costs it on the GUI thread: the whole graph of a
// program whose 12 channels all have bands and crossovers, rendered at the size the main view
// gives it. Two kinds of redraw: one where no curve changed (the window uncovered, a handle
// hovered), which copies the curves drawn last time, and one step of a band drag (the band's new
// frequency, its channel's curve, the redraw), which draws that channel's curves on a copy of
// the others kept from the previous steps. Each is printed as
// a share of a 60 Hz frame (16.7 ms) against a bound of a tenth of it, which leaves the rest of
// the frame to everything else a drag redraws; from the thread's CPU time (steadier than wall
// time on a shared machine). Then the same with a measurement on each of the 8 outputs, so 8
// measured and 8 predicted curves more, against a bound of 2% of a frame: both redraws with them,
// and what the 16 curves add to a drag step (the median of 15 runs, each the step with them less
// the step without them). Runs offscreen.
//
//   graph_paint_bench [ROUNDS] [--save IMAGE]    (IMAGE: the graph with the measurements, as drawn)

#include "ShapedProgram.h"
#include "gui/widgets/ResponseGraph.h"
#include "link/MeasurementOverlays.h"
#include "model/ProgramContainer.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr double kFrameMs = 1000.0 / 60;
constexpr double kBoundShareOfFrame = 0.1;
constexpr double kMeasurementsBoundShareOfFrame = 0.02;
constexpr int kMedianRuns = 15;

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double MillisecondsPerRound(int rounds, const std::function<void(int)>& round) {
    const double start = ThreadCpuMs();
    for (int i = 0; i < rounds; ++i)
        round(i);
    return (ThreadCpuMs() - start) / rounds;
}

void Print(const char* what, double ms, double bound = kBoundShareOfFrame) {
    const double share = ms / kFrameMs;
    std::printf("  %-28s %7.3f ms  %6.2f%% of a frame  %.2fx of the bound (%s)\n", what, ms,
                share * 100, share / bound, share < bound ? "met" : "MISSED");
}

// A driver measured as measurement programs export it: 1/48 octave from 20 Hz to 20 kHz, an
// absolute level with some ripple, and a phase.
MeasuredResponse Driver(int seed) {
    MeasuredResponse m;
    m.name = "driver" + std::to_string(seed) + ".txt";
    for (double hz = 20.0; hz <= 20000.0; hz *= std::pow(2.0, 1.0 / 48)) {
        m.hz.push_back(hz);
        m.levelDb.push_back(85.0 + 3.0 * std::sin(std::log(hz) * (3 + seed)));
        m.phaseDeg.push_back(-0.05 * hz * (seed + 1));
    }
    return m;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int rounds = 200;
    QString savePath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc)
            savePath = QString::fromLocal8Bit(argv[++i]);
        else
            rounds = std::max(1, std::atoi(argv[i]));
    }

    ProgramContainer data;
    ShapeEveryCurve(data);
    ResponseGraph graph;
    graph.resize(932, 269); // the main view's graph
    graph.setContainer(&data);
    graph.initialise();
    graph.setMode(ResponseGraph::kModeAllChannels);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    graph.render(&image); // the first paint builds the cached frame

    Filter& band = data.output(0).filter(2);
    auto redraw = [&](int) { graph.render(&image); };
    auto dragStep = [&](int i) {
        band.setFrequency(i % 2 == 0 ? 400 : 500);
        data.output(0).recomputeCurve();
        graph.render(&image);
    };
    const double unchanged = MillisecondsPerRound(rounds, redraw);
    const double drag = MillisecondsPerRound(rounds, dragStep);

    MeasurementOverlays measurements;
    for (int output = 0; output < kOutputCount; ++output)
        measurements.Set({true, output}, "driver.txt", Driver(output));
    std::vector<double> added;
    std::vector<double> dragsWith;
    for (int run = 0; run < kMedianRuns; ++run) {
        graph.setMeasurements(nullptr);
        const double without = MillisecondsPerRound(rounds, dragStep);
        graph.setMeasurements(&measurements);
        const double with = MillisecondsPerRound(rounds, dragStep);
        added.push_back(with - without);
        dragsWith.push_back(with);
    }
    auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + kMedianRuns / 2, values.end());
        return values[kMedianRuns / 2];
    };
    graph.render(&image);
    const double unchangedWith = MillisecondsPerRound(rounds, redraw);

    std::printf("Response graph painting, %d x %d, 12 channels (CPU time per redraw)\n",
                graph.width(), graph.height());
    Print("redraw, no curve changed", unchanged);
    Print("band drag step with redraw", drag);
    std::printf("With 8 measured + 8 predicted curves:\n");
    Print("redraw, no curve changed", unchangedWith, kMeasurementsBoundShareOfFrame);
    Print("band drag step with redraw", median(dragsWith), kMeasurementsBoundShareOfFrame);
    Print("what they add to the step", median(added), kMeasurementsBoundShareOfFrame);
    if (!savePath.isEmpty() && !image.save(savePath)) {
        std::fprintf(stderr, "graph_paint_bench: cannot write %s\n", qPrintable(savePath));
        return 1;
    }
    return 0;
}
