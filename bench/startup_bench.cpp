// Start-up as the operator feels it: `tavrel --screenshot FILE` starts, shows the selection
// screen and saves the main window, against a minimal Qt Widgets program that shows and saves a
// window of the same size the same way (minimal_qt_window), both started alternately in the same
// run, offscreen. Printed: the median wall time from start to exit and the median peak resident
// memory of each, and tavrel's as a ratio of the minimal window's.
//
//   startup_bench [--tavrel PATH] [--minimal PATH] [--runs N]

#include "ChildProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Program {
    const char* label;
    std::string path;
    std::vector<std::string> args; // the screenshot file is added last
    std::vector<double> seconds;
    std::vector<double> peakRssMb;
};

bool RunOnce(Program& program, const TempDirectory& dir) {
    std::vector<std::string> args = program.args;
    args.push_back(dir.File("window.png"));
    ChildProcess child(program.path, args,
                       {{"QT_QPA_PLATFORM", "offscreen"},
                        {"XDG_RUNTIME_DIR", dir.Path()},
                        {"XDG_CONFIG_HOME", dir.File("config")}});
    const std::string logPath = dir.File("run.log");
    if (!child.Start(logPath)) {
        std::fprintf(stderr, "startup_bench: cannot start %s\n", program.path.c_str());
        return false;
    }
    const auto result = child.Wait(60);
    if (!result || result->exitStatus != 0) {
        std::fprintf(stderr, "startup_bench: %s failed:\n%s", program.label,
                     ReadTextFile(logPath).c_str());
        return false;
    }
    program.seconds.push_back(result->seconds);
    program.peakRssMb.push_back(static_cast<double>(result->peakRssKb) / 1024);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Program tavrel{"tavrel", std::string(TAVREL_BINARY_DIR) + "/tavrel", {"--screenshot"}, {}, {}};
    Program minimal{"minimal Qt window",
                    std::string(TAVREL_BINARY_DIR) + "/bench/minimal_qt_window",
                    {},
                    {},
                    {}};
    int runs = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tavrel") == 0 && i + 1 < argc) {
            tavrel.path = argv[++i];
        } else if (std::strcmp(argv[i], "--minimal") == 0 && i + 1 < argc) {
            minimal.path = argv[++i];
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: startup_bench [--tavrel PATH] [--minimal PATH] [--runs N]\n");
            return 2;
        }
    }
    TempDirectory dir;
    // One run of each first, unmeasured: both start from a warm file cache.
    for (int i = 0; i <= runs; ++i) {
        for (Program* program : {&minimal, &tavrel}) {
            if (!RunOnce(*program, dir))
                return 1;
            if (i == 0) {
                program->seconds.clear();
                program->peakRssMb.clear();
            }
        }
    }
    const double tavrelSeconds = Median(tavrel.seconds);
    const double minimalSeconds = Median(minimal.seconds);
    const double tavrelRss = Median(tavrel.peakRssMb);
    const double minimalRss = Median(minimal.peakRssMb);
    std::printf("Start-up to the selection screen, offscreen (median of %d runs)\n", runs);
    std::printf("  %-22s %10s %14s\n", "", "start-up", "peak RSS");
    std::printf("  %-22s %8.0f ms %11.1f MB\n", minimal.label, minimalSeconds * 1000, minimalRss);
    std::printf("  %-22s %8.0f ms %11.1f MB\n", tavrel.label, tavrelSeconds * 1000, tavrelRss);
    std::printf("  %-22s %9.2fx %12.2fx\n", "tavrel / minimal", tavrelSeconds / minimalSeconds,
                tavrelRss / minimalRss);
    return 0;
}
