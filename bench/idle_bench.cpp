// The application idle and connected, as the operator's machine feels it: tavrel connects to a
// virtual unit that answers at 9600-baud timing (--auto-connect), reads its program, then polls
// the meters every 100 ms tick. Once the program is in, the CPU time of all its threads and
// their context switches are sampled over 10 s, against the least Qt Widgets program that polls
// the meters of a unit on a 100 ms timer (bench/minimal_qt_poller), measured the same way.
//
// Then the serial port alone: replies trickling in at 9600-baud timing (one byte every 1.04 ms),
// read at every report as the engine does. Printed: reports and listener wake-ups per reply, and
// the delay from a reply's last byte to its report against the 100 ms send tick.
//
//   idle_bench [--tavrel PATH] [--seconds N]

#include "ChildProcess.h"
#include "VirtualLine.h"
#include "link/SerialPort.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The connect reads, the 12 blocks of the live program and a few meter polls after them.
constexpr int kRequestsBeforeIdle = 36 + 12 + 5;
constexpr double kConnectTimeoutSeconds = 60;
// The minimal program polls from its first tick; a few polls let it settle.
constexpr int kBaselinePollsBeforeIdle = 5;

// CPU use of a program polling a virtual unit's meters, sampled once it is idle.
struct IdleUse {
    double percent = 0;  // of one core
    double switches = 0; // context switches per second
    double pollsPerSecond = 0;
    double seconds = 0;
};

// Starts `program` with `args` followed by the virtual unit's port, waits for `requestsBeforeIdle`
// requests, then samples the program's CPU time over `seconds`.
std::optional<IdleUse> MeasureIdle(const std::string& program, std::vector<std::string> args,
                                   int requestsBeforeIdle, int seconds) {
    TempDirectory dir;
    SimLineOptions options;
    options.baudTiming = true;
    VirtualLine line(options);
    std::string error;
    if (!line.Open(&error)) {
        std::fprintf(stderr, "idle_bench: %s\n", error.c_str());
        return std::nullopt;
    }
    line.Start();
    args.push_back(line.SlavePath());
    ChildProcess app(program, args,
                     {{"QT_QPA_PLATFORM", "offscreen"},
                      {"XDG_RUNTIME_DIR", dir.Path()},
                      {"XDG_CONFIG_HOME", dir.File("config")}});
    const std::string logPath = dir.File("program.log");
    if (!app.Start(logPath)) {
        std::fprintf(stderr, "idle_bench: cannot start %s\n", program.c_str());
        return std::nullopt;
    }
    const double started = NowSeconds();
    while (line.RequestCount() < requestsBeforeIdle) {
        if (NowSeconds() - started > kConnectTimeoutSeconds || !SampleCpuUse(app.Pid())) {
            std::fprintf(stderr, "idle_bench: %s did not connect:\n%s", program.c_str(),
                         ReadTextFile(logPath).c_str());
            return std::nullopt;
        }
        std::this_thread::sleep_for(100ms);
    }
    const int requestsBefore = line.RequestCount();
    const auto before = SampleCpuUse(app.Pid());
    const double from = NowSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto after = SampleCpuUse(app.Pid());
    const double span = NowSeconds() - from;
    const int requests = line.RequestCount() - requestsBefore;
    app.Stop();
    if (!before || !after) {
        std::fprintf(stderr, "idle_bench: %s ended:\n%s", program.c_str(),
                     ReadTextFile(logPath).c_str());
        return std::nullopt;
    }
    IdleUse use;
    use.percent = 100 * (after->cpuSeconds - before->cpuSeconds) / span;
    use.switches = static_cast<double>(after->contextSwitches - before->contextSwitches) / span;
    use.pollsPerSecond = requests / span;
    use.seconds = span;
    return use;
}

// The application against the least Qt program that polls the meters on a 100 ms timer.
int MeasureIdleApplication(const std::string& tavrel, const std::string& baseline, int seconds) {
    const auto app = MeasureIdle(tavrel, {"--auto-connect"}, kRequestsBeforeIdle, seconds);
    if (!app)
        return 1;
    const auto least = MeasureIdle(baseline, {}, kBaselinePollsBeforeIdle, seconds);
    if (!least)
        return 1;
    std::printf("Application idle and connected (9600-baud timing, %.0f s)\n", app->seconds);
    std::printf("  CPU                %6.2f%% of a core   minimal Qt program polling every 100 ms "
                "%.2f%%: %.2fx\n",
                app->percent, least->percent, app->percent / least->percent);
    std::printf("  context switches   %6.0f per s         the minimal program %.0f per s\n",
                app->switches, least->switches);
    std::printf("  meter polls        %6.1f per s (the unit stayed connected); the minimal program "
                "%.1f per s\n",
                app->pollsPerSecond, least->pollsPerSecond);
    return 0;
}

// ---- The serial port alone -------------------------------------------------------------------

struct Reports {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<double> times;
};

int MeasureBurstReports() {
    constexpr int kReplies = 20;
    constexpr int kReplyBytes = 25; // a meter reply with its filler
    constexpr auto kByteTime = std::chrono::microseconds(1042);
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "idle_bench: no pseudo-terminal\n");
        return 1;
    }
    Reports reports;
    SerialPort port;
    if (!port.Open(name, [&](std::uint32_t) {
            std::lock_guard lock(reports.mutex);
            reports.times.push_back(NowSeconds());
            reports.arrived.notify_all();
        })) {
        std::fprintf(stderr, "idle_bench: %s\n", port.LastErrorText().c_str());
        return 1;
    }
    port.Setup(LineSettings{}); // the unit's line, as the engine sets it up
    std::vector<double> delays;
    std::size_t seen = 0;
    for (int reply = 0; reply < kReplies; ++reply) {
        double lastByte = 0;
        std::thread unit([&] {
            const auto start = std::chrono::steady_clock::now();
            const char byte = 0x55;
            for (int i = 0; i < kReplyBytes; ++i) {
                std::this_thread::sleep_until(start + kByteTime * (i + 1));
                [[maybe_unused]] const auto written = ::write(master, &byte, 1);
            }
            lastByte = NowSeconds();
        });
        int received = 0;
        double reportTime = 0;
        while (received < kReplyBytes) {
            std::unique_lock lock(reports.mutex);
            if (!reports.arrived.wait_for(lock, 2s, [&] { return reports.times.size() > seen; }))
                break;
            reportTime = reports.times[seen++];
            lock.unlock();
            std::uint8_t buffer[150];
            received += static_cast<int>(std::max(0L, port.Read(buffer, sizeof buffer, 80)));
        }
        unit.join();
        if (received < kReplyBytes) {
            std::fprintf(stderr, "idle_bench: a reply was not reported\n");
            return 1;
        }
        delays.push_back(reportTime - lastByte);
        std::this_thread::sleep_for(50ms); // the rest of the tick
    }
    const double reportsPerReply = static_cast<double>(seen) / kReplies;
    const double wakeupsPerReply = static_cast<double>(port.ListenerWakeups()) / kReplies;
    port.Close();
    ::close(master);
    ::close(slave);
    const double delayMs = Median(delays) * 1000;
    std::printf("\nSerial port, %d-byte replies at 9600-baud timing\n", kReplyBytes);
    std::printf("  reports per reply          %5.1f   (one per byte would be %d)\n",
                reportsPerReply, kReplyBytes);
    std::printf("  listener wake-ups per reply %4.1f\n", wakeupsPerReply);
    std::printf("  last byte to report        %5.1f ms  against the 100 ms tick: %.2fx\n", delayMs,
                delayMs / 100);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string tavrel = std::string(TAVREL_BINARY_DIR) + "/tavrel";
    const std::string baseline = std::string(TAVREL_BINARY_DIR) + "/bench/minimal_qt_poller";
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tavrel") == 0 && i + 1 < argc) {
            tavrel = argv[++i];
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: idle_bench [--tavrel PATH] [--seconds N]\n");
            return 2;
        }
    }
    if (const int status = MeasureIdleApplication(tavrel, baseline, seconds); status != 0)
        return status;
    return MeasureBurstReports();
}
