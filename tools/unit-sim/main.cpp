// tavrel-unit-sim: one or more virtual loudspeaker processors on a pseudo-terminal.

#include "SimOptions.h"
#include "VirtualLine.h"
#include "model/DeviceModel.h"

#include "TavrelVersion.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: the signal ends the current wait at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    SimProgramOptions options;
    std::string error;
    if (!ParseSimArguments(args, &options, &error)) {
        std::fprintf(stderr, "tavrel-unit-sim: %s\n(see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("tavrel-unit-sim %s\n", kTavrelVersion);
        return 0;
    }
    if (!options.nameGiven)
        options.line.linkName = "vu-" + std::to_string(getpid());

    InstallStopHandlers();
    VirtualLine line(options.line);
    if (!line.Open(&error)) {
        std::fprintf(stderr, "tavrel-unit-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", line.SlavePath().c_str());
    std::fflush(stdout);
    for (const SimUnitSpec& unit : options.line.units)
        std::fprintf(stderr, "tavrel-unit-sim: unit ID %d, type %s\n", unit.deviceId,
                     std::string(DeviceModelOf(unit.deviceType).label).c_str());
    for (const std::string& link : line.Links())
        std::fprintf(stderr, "tavrel-unit-sim: link %s\n", link.c_str());

    while (!g_stopRequested)
        if (line.Poll(200) < 0) {
            std::fprintf(stderr, "tavrel-unit-sim: line closed after %d requests\n",
                         line.RequestCount());
            break;
        }
    line.Close();
    return 0;
}
