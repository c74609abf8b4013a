// The printed pages as the operator feels them: `tavrel-cli dump --pdf` of a library of 30
// programs (every band shaped, every channel named) against the text dump of the same library,
// both started alternately as programs in the same run. Printed: the median wall time of each
// from start to exit, and the PDF export's as a ratio of the text dump's against a bound of 3.
//
//   dump_pdf_bench [--cli PATH] [--runs N]

#include "ChildProcess.h"
#include "ShapedProgram.h"
#include "files/ProgramFile.h"
#include "model/ProgramContainer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kBound = 3.0;

struct Export {
    const char* label;
    std::vector<std::string> args;
    std::vector<double> seconds;
};

bool RunOnce(const std::string& cli, Export& run, const TempDirectory& dir) {
    ChildProcess child(cli, run.args);
    const std::string logPath = dir.File("dump.log");
    if (!child.Start(logPath)) {
        std::fprintf(stderr, "dump_pdf_bench: cannot start %s\n", cli.c_str());
        return false;
    }
    const auto result = child.Wait(120);
    if (!result || result->exitStatus != 0) {
        std::fprintf(stderr, "dump_pdf_bench: %s failed:\n%s", run.label,
                     ReadTextFile(logPath).c_str());
        return false;
    }
    run.seconds.push_back(result->seconds);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = std::string(TAVREL_BINARY_DIR) + "/tools/cli/tavrel-cli";
    int runs = 7;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
            cli = argv[++i];
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: dump_pdf_bench [--cli PATH] [--runs N]\n");
            return 2;
        }
    }
    TempDirectory dir;
    const std::string library = dir.File("hall.dat48");
    ProgramBank bank{};
    for (std::size_t n = 0; n < bank.size(); ++n) {
        ProgramContainer program;
        ShapeEveryCurve(program);
        program.setProgramName("Program " + std::to_string(n + 1));
        for (int i = 0; i < program.inputCount(); ++i)
            program.input(i).setName("In " + std::to_string(n + 1) + char('A' + i));
        for (int o = 0; o < program.outputCount(); ++o)
            program.output(o).setName("Out " + std::to_string(10 * (n + 1) + o));
        program.fillProgramImage(bank[n]);
    }
    if (SaveProgramLibrary(library, bank) != ProgramFileStatus::Ok) {
        std::fprintf(stderr, "dump_pdf_bench: cannot write to %s\n", dir.Path().c_str());
        return 1;
    }
    Export text{"text dump", {"dump", library}, {}};
    Export pdf{"PDF export", {"dump", "--pdf", dir.File("hall.pdf"), library}, {}};
    // One run of each first, unmeasured: both start from a warm file cache.
    for (int i = 0; i <= runs; ++i) {
        for (Export* run : {&text, &pdf}) {
            if (!RunOnce(cli, *run, dir))
                return 1;
            if (i == 0)
                run->seconds.clear();
        }
    }
    const double textSeconds = Median(text.seconds);
    const double pdfSeconds = Median(pdf.seconds);
    const double ratio = pdfSeconds / textSeconds;
    std::printf("tavrel-cli dump of a library of 30 programs (median of %d runs)\n", runs);
    std::printf("  %-12s %8.0f ms\n", text.label, textSeconds * 1000);
    std::printf("  %-12s %8.0f ms  %.2fx the text dump, bound %.0fx: %s\n", pdf.label,
                pdfSeconds * 1000, ratio, kBound, ratio <= kBound ? "met" : "MISSED");
    return 0;
}
