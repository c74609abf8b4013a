// The response graph's painting, as a redraw costs it on the GUI thread: the whole graph of a
// program whose 12 channels all have bands and crossovers, rendered at the size the main view
// gives it, and one step of a band drag (the band's new frequency, its channel's curve, the
// redraw). Each is printed as a share of a 60 Hz frame (16.7 ms) against a bound of a tenth of
// it, which leaves the rest of the frame to everything else a drag redraws; from the thread's CPU
// time (steadier than wall time on a shared machine). Runs offscreen.
//
//   graph_paint_bench [ROUNDS]

#include "ShapedProgram.h"
#include "gui/widgets/ResponseGraph.h"
#include "model/ProgramContainer.h"

#include <QApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace {

constexpr double kFrameMs = 1000.0 / 60;
constexpr double kBoundShareOfFrame = 0.1;

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

void Print(const char* what, double ms) {
    const double share = ms / kFrameMs;
    std::printf("  %-28s %7.3f ms  %6.2f%% of a frame  %.2fx of the bound (%s)\n", what, ms,
                share * 100, share / kBoundShareOfFrame,
                share < kBoundShareOfFrame ? "met" : "MISSED");
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    ProgramContainer data;
    ShapeEveryCurve(data);
    ResponseGraph graph;
    graph.resize(932, 269); // the main view's graph
    graph.setContainer(&data);
    graph.initialise();
    graph.setMode(ResponseGraph::kModeAllChannels);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    graph.render(&image); // the first paint builds the cached frame

    const double redraw = MillisecondsPerRound(rounds, [&](int) { graph.render(&image); });
    Filter& band = data.output(0).filter(2);
    const double drag = MillisecondsPerRound(rounds, [&](int i) {
        band.setFrequency(i % 2 == 0 ? 400 : 500);
        data.output(0).recomputeCurve();
        graph.render(&image);
    });

    std::printf("Response graph painting, %d x %d, 12 channels (CPU time per redraw)\n",
                graph.width(), graph.height());
    Print("full redraw", redraw);
    Print("band drag step with redraw", drag);
    return 0;
}
