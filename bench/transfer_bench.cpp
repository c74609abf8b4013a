// Transfers as the operator feels them: tavrel-cli against a virtual unit that answers at
// 9600-baud timing, each command timed from start to exit against the paced bound of the
// requests it really sent (read from the virtual unit's log): the first request waits for the
// first tick, every request/answer pair costs its wire time rounded up to whole ticks, and the
// command ends when its last answer is in. A ratio near 1 means nothing but the line and the
// pacing takes time.
//
// `read` is also compared with the bound it would have with the application's connect reads
// (every program name and the unit settings), which the command-line client leaves out, and
// timed through a ser2net on the loopback (its raw TCP port and its Telnet RFC 2217 port)
// against the same read on the pseudo-terminal, several times each in turn, by the medians.
// `get` and `set` of one setting read only the block of its channel (or the one unit setting).
//
//   transfer_bench [--cli PATH] [--all]     --all adds backup and restore (about 75 s each)

#include "ChildProcess.h"
#include "PacedBound.h"
#include "Ser2netServer.h"
#include "VirtualLine.h"
#include "files/ProgramFile.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestSequences.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Transfer {
    const char* label;
    std::vector<std::string> args; // the port is added after the command name
};

struct Measured {
    double seconds = 0;
    double bound = 0;
    std::size_t requests = 0;
    std::vector<SimExchange> log;
};

// The client ends as soon as the last answer it waits for is in, so no request follows it in the
// log.
double BoundOf(const std::vector<SimExchange>& log) {
    if (log.empty())
        return kTickSeconds;
    double bound = kTickSeconds; // the first tick comes one period after the start
    for (std::size_t i = 0; i + 1 < log.size(); ++i)
        bound += PairSeconds(log[i].requestWireBytes, log[i].replyWireBytes);
    return bound + WireSeconds(log.back().requestWireBytes + log.back().replyWireBytes);
}

// The paced cost of connect reads on the given unit: what they would add to a command.
double ConnectReadsSeconds(const ConnectReads& reads) {
    ProgramContainer data;
    VirtualUnit unit(1, 1);
    double seconds = 0;
    for (const Request& request : QueueConnectReads(data, reads)) {
        const auto reply = unit.Answer(request.bytes);
        seconds += PairSeconds(request.bytes.size() + kRequestFillerCount,
                               reply ? reply->size() + kReplyFillerBytes : 0);
    }
    return seconds;
}

std::optional<Measured> Run(const std::string& cli, const Transfer& transfer,
                            const TempDirectory& dir) {
    SimLineOptions options;
    options.baudTiming = true;
    options.keepLog = true;
    VirtualLine line(options);
    std::string error;
    if (!line.Open(&error)) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.c_str());
        return std::nullopt;
    }
    line.Start();
    std::vector<std::string> args = transfer.args;
    args.insert(args.begin() + 1, {"--port", line.SlavePath()});
    ChildProcess child(cli, args);
    const std::string logPath = dir.File("cli.log");
    if (!child.Start(logPath))
        return std::nullopt;
    const auto result = child.Wait(300);
    if (!result || result->exitStatus != 0) {
        std::fprintf(stderr, "transfer_bench: %s failed:\n%s", transfer.label,
                     ReadTextFile(logPath).c_str());
        return std::nullopt;
    }
    // The last request left just before the command ended: let the line take it in.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    line.Stop();
    Measured measured;
    measured.seconds = result->seconds;
    measured.log = line.Exchanges();
    measured.requests = measured.log.size();
    measured.bound = BoundOf(measured.log);
    return measured;
}

// Reads through ser2net, each route in turn, kNetworkRuns times: the medians, or nothing when a
// read failed or ser2net is missing.
constexpr int kNetworkRuns = 5;

struct NetworkReads {
    double pty = 0;
    double raw = 0;
    double rfc2217 = 0;
};

std::optional<NetworkReads> ReadThroughSer2net(const std::string& cli, const TempDirectory& dir) {
    SimLineOptions options;
    options.baudTiming = true;
    VirtualLine line(options);
    std::string error;
    Ser2netServer server;
    if (!line.Open(&error)) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.c_str());
        return std::nullopt;
    }
    line.Start();
    if (!server.Start(line.SlavePath(), dir.Path(), &error)) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.c_str());
        return std::nullopt;
    }
    const std::string ports[] = {line.SlavePath(), server.RawPortName(), server.Rfc2217PortName()};
    std::vector<double> seconds[3];
    for (int run = 0; run < kNetworkRuns; ++run) {
        for (int i = 0; i < 3; ++i) {
            ChildProcess child(cli, {"read", "--port", ports[i], dir.File("network.dia48")});
            const std::string logPath = dir.File("network.log");
            const auto result = child.Start(logPath) ? child.Wait(60) : std::nullopt;
            if (!result || result->exitStatus != 0) {
                std::fprintf(stderr, "transfer_bench: read on %s failed:\n%s", ports[i].c_str(),
                             ReadTextFile(logPath).c_str());
                return std::nullopt;
            }
            seconds[i].push_back(result->seconds);
        }
    }
    return NetworkReads{Median(seconds[0]), Median(seconds[1]), Median(seconds[2])};
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = std::string(TAVREL_BINARY_DIR) + "/tools/cli/tavrel-cli";
    bool all = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cli") == 0 && i + 1 < argc) {
            cli = argv[++i];
        } else if (std::strcmp(argv[i], "--all") == 0) {
            all = true;
        } else {
            std::fprintf(stderr, "usage: transfer_bench [--cli PATH] [--all]\n");
            return 2;
        }
    }
    TempDirectory dir;
    const std::string single = dir.File("program.dia48");
    const std::string library = dir.File("bank.dat48");
    ProgramContainer program;
    program.setProgramName("Bench");
    ProgramBank bank{};
    if (SaveProgramSetting(single, program) != ProgramFileStatus::Ok ||
        SaveProgramLibrary(library, bank) != ProgramFileStatus::Ok) {
        std::fprintf(stderr, "transfer_bench: cannot write to %s\n", dir.Path().c_str());
        return 1;
    }

    std::vector<Transfer> transfers{
        {"read (live program)", {"read", dir.File("live.dia48")}},
        {"store (program 1)", {"write", "--slot", "1", single}},
        {"get (one setting)", {"get", "out.3.gain"}},
        {"set (one setting)", {"set", "out.3.gain=-2"}},
        {"get (unit temperature)", {"get", "unit.temperature"}},
    };
    if (all) {
        transfers.push_back({"backup (30 programs)", {"backup", dir.File("backup.dat48")}});
        transfers.push_back({"restore (30 programs)", {"restore", library}});
    }

    std::printf("Transfers with tavrel-cli, virtual unit at 9600-baud timing\n");
    std::printf("  %-24s %9s %10s %12s %7s\n", "command", "requests", "time", "paced bound",
                "ratio");
    std::optional<Measured> read;
    for (const Transfer& transfer : transfers) {
        const auto measured = Run(cli, transfer, dir);
        if (!measured)
            return 1;
        std::printf("  %-24s %9zu %8.2f s %10.2f s %6.2fx\n", transfer.label, measured->requests,
                    measured->seconds, measured->bound, measured->seconds / measured->bound);
        if (!read)
            read = measured;
    }

    // The reads `read` leaves out: the application's connect minus the probe and the one name.
    const double leftOut =
        ConnectReadsSeconds(ConnectReads::Everything()) - ConnectReadsSeconds(ConnectReads{{0}});
    const double withAppConnect = read->bound + leftOut;
    std::printf("\n  read against the paced bound with the application's connect reads "
                "(%.2f s): %.2fx (target 0.5x: %s)\n",
                withAppConnect, read->seconds / withAppConnect,
                read->seconds <= 0.5 * withAppConnect ? "met" : "MISSED");

    if (Ser2netServer::ProgramPath().empty()) {
        std::printf("\n  read through ser2net: not measured, ser2net is not installed "
                    "(scripts/ensure-packages.sh)\n");
        return 0;
    }
    const auto network = ReadThroughSer2net(cli, dir);
    if (!network)
        return 1;
    std::printf("\n  read through ser2net on the loopback, median of %d, against the "
                "pseudo-terminal (%.2f s):\n",
                kNetworkRuns, network->pty);
    for (const auto& [label, value] : {std::pair{"tcp:// (raw)", network->raw},
                                       std::pair{"rfc2217:// (Telnet)", network->rfc2217}}) {
        const double ratio = value / network->pty;
        std::printf("  %-24s %8.2f s %6.2fx (target 1.05x: %s)\n", label, value, ratio,
                    ratio <= 1.05 ? "met" : "MISSED");
    }
    return 0;
}
