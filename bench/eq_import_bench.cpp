// Cost of importing a filter text onto a channel's equaliser as an installer does it: reading a
// 20-filter text as a measurement program exports it (peaking bands, shelves and the sections of a
// high-pass and a low-pass), planning it on an output of a 4x8 with the largest difference
// between the requested and the achievable response, and applying it through the editing rules.
// Printed after the runs against its bound of 50 ms.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "files/FilterTextFile.h"
#include "model/EqualizerImport.h"
#include "model/ProgramContainer.h"

namespace {

constexpr double kBoundMs = 50.0;

std::string TwentyFilters() {
    std::string text = "Filter Settings file\r\nPreamp: -4.5 dB\r\n";
    int n = 0;
    auto add = [&](const std::string& filter) {
        text += "Filter " + std::to_string(++n) + ": ON  " + filter + "\r\n";
    };
    for (int i = 0; i < 14; ++i)
        add("PK Fc " + std::to_string(40 + 97 * i * i) + " Hz Gain " + std::to_string(-6 + i % 9) +
            ".5 dB Q " + std::to_string(1 + i % 5) + ".25");
    add("LS 12dB Fc 90 Hz Gain 3.0 dB");
    add("HSC 6 dB Fc 9000 Hz Gain -2.0 dB");
    add("HPQ Fc 45 Hz Q 0.7071");
    add("HPQ Fc 45 Hz Q 0.7071");
    add("LPQ Fc 2200 Hz Q 0.5412");
    add("LPQ Fc 2200 Hz Q 1.3066");
    return text;
}

void BM_ImportTwentyFilters(benchmark::State& state) {
    const std::string content = TwentyFilters();
    ProgramContainer program;
    bool flip = false;
    for (auto _ : state) {
        FilterText text;
        std::string error;
        if (!ParseFilterText(content, "eq.txt", text, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        // Alternate between two outputs so every run writes.
        const ChannelId channel{true, flip ? 1 : 0};
        flip = !flip;
        const EqualizerImportPlan plan =
            PlanEqualizerImport(text, program, channel, {.preamp = true});
        benchmark::DoNotOptimize(plan.largestDifferenceDb);
        ApplyEqualizerImport(plan, program);
        program.clearChangeFlags();
    }
}
BENCHMARK(BM_ImportTwentyFilters)->Unit(benchmark::kMillisecond);

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                milliseconds = run.GetAdjustedCPUTime() * 1e3 /
                               benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    double milliseconds = 0.0;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nImport of a 20-filter text with its largest difference, bound %.0f ms:\n",
                kBoundMs);
    std::printf("  %-32s %7.2f ms  %.3fx of the bound (%s)\n", "BM_ImportTwentyFilters",
                reporter.milliseconds, reporter.milliseconds / kBoundMs,
                reporter.milliseconds < kBoundMs ? "met" : "MISSED");
    return 0;
}
