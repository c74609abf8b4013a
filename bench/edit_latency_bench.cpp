// An edit's road as the operator feels it: the 4x8 surface, connected over a pseudo-terminal to
// a virtual unit that answers at 9600-baud timing and idle on its 100 ms send tick (meter polls),
// takes arrow-key presses on output 3's fader at random moments. Measured for each press: the
// time from the key press to the first byte of its output level frame on the line, as the
// virtual unit read it. The frame must leave on the first send tick after the press: the median
// against 0.6 of a tick, the longest against 1.05 ticks. On a busy machine a meter reply may
// come in after the next tick, which then cannot send (one request at a time): the count of
// presses that left on the first tick shows how often that happened.
//
//   edit_latency_bench [--presses N]

#include "ChildProcess.h"
#include "VirtualLine.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ControlSurface.h"
#include "gui/widgets/Fader.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/OutputChannel.h"
#include "protocol/Frame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kOutput = 2; // output 3
constexpr double kMedianBound = 0.6;
constexpr double kLongestBound = 1.05;

// Message boxes would stop the run: they are printed instead.
struct PrintedMessages : IMessageSink {
    void ShowMessage(const std::string& text, MessageKind) override {
        std::fprintf(stderr, "edit_latency_bench: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return false; }
};

// Runs the event loop for `ms` milliseconds. Precisely: a coarse timer would end on the same
// boundaries as the send tick's, and the presses would no longer come at any moment of a tick.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds; false after `ms` milliseconds.
template <class Done> bool RunUntil(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        RunFor(5);
    }
    return true;
}

bool IsMeterPoll(const std::vector<std::uint8_t>& r) {
    return r[kOffsetKind] == kKindRead && r[kOffsetSection] == kSectionGlobal &&
           r[kOffsetChannel] == kGlobalMeters;
}

bool IsOutputLevelFrame(const std::vector<std::uint8_t>& r) {
    return r[kOffsetKind] == kKindWrite && r[kOffsetSection] == kSectionOutput &&
           r[kOffsetChannel] == kOutput && r[kOffsetParameter] == OutputChannel::kMainCode;
}

} // namespace

int main(int argc, char** argv) {
    int presses = 100;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--presses") == 0 && i + 1 < argc) {
            presses = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: edit_latency_bench [--presses N]\n");
            return 2;
        }
    }
    TempDirectory dir;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", dir.Path().c_str());
    qputenv("XDG_CONFIG_HOME", dir.File("config").c_str());
    QApplication app(argc, argv);

    SimLineOptions options;
    options.baudTiming = true;
    options.keepLog = true;
    VirtualLine line(options);
    std::string error;
    if (!line.Open(&error)) {
        std::fprintf(stderr, "edit_latency_bench: %s\n", error.c_str());
        return 1;
    }
    line.Start();

    MainWindow window;
    window.show();
    window.OnCommand(ID_DEVICE_4X8);
    ControlSurface* surface = window.ActiveSurface();
    PrintedMessages messages;
    surface->SetMessageSink(&messages);
    surface->SetBusyDisplayRunner([](ControlSurface&) {}); // the tick goes on without the box
    UnitController& controller = surface->Controller();
    if (!surface->ConnectTo(line.SlavePath(), 1) ||
        !RunUntil([&] { return controller.IsSettled(); }, 30000)) {
        std::fprintf(stderr, "edit_latency_bench: the surface did not connect\n");
        return 1;
    }
    RunFor(500); // a few idle ticks

    auto* fader = surface->findChild<Fader*>(QStringLiteral("out%1.fader").arg(kOutput + 1));
    std::mt19937 random(30);
    std::uniform_int_distribution<int> pause(150, 350);
    std::vector<double> latencies;
    for (int i = 0; i < presses; ++i) {
        const std::size_t logged = line.Exchanges().size();
        RunFor(pause(random)); // any moment within the tick
        const Qt::Key key = i % 2 == 0 ? Qt::Key_Up : Qt::Key_Down;
        const Clock::time_point pressed = Clock::now();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(fader, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(fader, &release);
        RunFor(300); // the frame and its answer
        if (!controller.IsConnected()) {
            std::fprintf(stderr, "edit_latency_bench: the unit was lost\n");
            return 1;
        }
        const std::vector<SimExchange> log = line.Exchanges();
        const auto sent = std::find_if(
            log.begin() + static_cast<std::ptrdiff_t>(logged), log.end(),
            [](const SimExchange& exchange) { return IsOutputLevelFrame(exchange.request); });
        if (sent == log.end()) {
            std::fprintf(stderr, "edit_latency_bench: press %d sent no level frame\n", i + 1);
            return 1;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(sent->arrived - pressed).count());
    }
    controller.Disconnect();
    line.Stop();
    // The tick as it came: the time between two meter polls in a row.
    const std::vector<SimExchange> log = line.Exchanges();
    std::vector<double> periods;
    for (std::size_t i = 1; i < log.size(); ++i) {
        if (IsMeterPoll(log[i - 1].request) && IsMeterPoll(log[i].request))
            periods.push_back(
                std::chrono::duration<double, std::milli>(log[i].arrived - log[i - 1].arrived)
                    .count());
    }

    const double tickMs = UnitController::kTickMs;
    const double median = Median(latencies);
    const double longest = *std::max_element(latencies.begin(), latencies.end());
    const auto onFirstTick = std::count_if(latencies.begin(), latencies.end(),
                                           [&](double ms) { return ms <= kLongestBound * tickMs; });
    std::printf("Key press on a fader to its frame's first byte on the line (%d presses,\n"
                "9600-baud timing, 100 ms send tick)\n",
                presses);
    std::printf("  median   %6.1f ms  %.2f ticks  bound %.2f: %s\n", median, median / tickMs,
                kMedianBound, median <= kMedianBound * tickMs ? "met" : "MISSED");
    std::printf("  longest  %6.1f ms  %.2f ticks  bound %.2f: %s\n", longest, longest / tickMs,
                kLongestBound, longest <= kLongestBound * tickMs ? "met" : "MISSED");
    std::printf("  %td of %d presses left on the first tick after them\n", onFirstTick, presses);
    if (!periods.empty())
        std::printf("  the send tick as it came: %.1f ms between two meter polls (median)\n",
                    Median(periods));
    return 0;
}
