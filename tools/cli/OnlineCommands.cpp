// Commands that talk to a unit over a serial port: ports, search, read, write, backup, restore,
// set-id and meters. Each one connects as the application does (probe with the type check,
// program names and global settings), does its work paced exactly like the application (one
// frame per 100 ms tick, one repetition after 2 s, abandonment after 4.1 s), waits until nothing
// is queued or pending, and disconnects.

#include "Cli.h"
#include "ProgramSource.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"
#include "link/PortList.h"
#include "link/UnitController.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr int kDefaultDeviceId = 1;
constexpr int kDefaultMeterPolls = 10;
constexpr int kMaxMeterPolls = 100000;
// Faster ticks only make sense on a virtual unit, which answers at once; a real unit needs the
// application's 100 ms.
constexpr int kMinTickMs = 10;

const std::vector<std::string_view> kUnitOptions{"--port", "--id", "--type", "--tick-ms"};

std::vector<std::string_view> WithUnitOptions(std::vector<std::string_view> more) {
    more.insert(more.begin(), kUnitOptions.begin(), kUnitOptions.end());
    return more;
}

// ---- Line events from the port's listener thread to the command's thread ---------------------

// The listener thread queues the event bits and wakes the loop through an eventfd; the loop
// hands them to the controller on its own thread.
class CliLineEvents {
public:
    CliLineEvents() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~CliLineEvents() {
        if (m_fd >= 0)
            close(m_fd);
    }
    CliLineEvents(const CliLineEvents&) = delete;
    CliLineEvents& operator=(const CliLineEvents&) = delete;

    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    LineEventHandler Forwarder() {
        return [this](std::uint32_t bits) {
            {
                std::lock_guard lock(m_mutex);
                m_bits.push_back(bits);
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = write(m_fd, &one, sizeof one);
        };
    }

    std::vector<std::uint32_t> Take() {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = read(m_fd, &count, sizeof count);
        std::lock_guard lock(m_mutex);
        return std::exchange(m_bits, {});
    }

private:
    int m_fd;
    std::mutex m_mutex;
    std::vector<std::uint32_t> m_bits;
};

// ---- The controller's owner on the command line ------------------------------------------------

// Message boxes become lines on standard error ("Unable to open COM-port: reason"); questions
// are answered no. The view's notifications are recorded for the commands.
class CliOwner : public IUnitView, public IMessageSink {
public:
    explicit CliOwner(std::ostream& err) : m_err(err) {}

    void ShowMessage(const std::string& text, MessageKind) override {
        std::string line = text;
        for (std::size_t at; (at = line.find("\n\n")) != std::string::npos;)
            line.replace(at, 2, ": ");
        for (char& c : line)
            if (c == '\n')
                c = ' ';
        EndProgress();
        m_err << line << '\n';
        ++messages;
    }
    bool AskYesNo(const std::string&) override { return false; }

    void OnProgramReceived() override { programReceived = true; }
    void OnBankComplete() override { bankComplete = true; }
    void OnMetersReceived(const MeterLevels& levels) override {
        ++meterReplies;
        if (onMeters)
            onMeters(levels);
    }
    void OnSearchEnded(const std::vector<int>& ids) override { knownIds = ids; }

    // "done/total frames" on one line of a terminal.
    void ShowProgress(int done, int total) {
        m_err << '\r' << done << '/' << total << " frames" << std::flush;
        m_progressShown = true;
    }
    void EndProgress() {
        if (m_progressShown)
            m_err << '\n';
        m_progressShown = false;
    }

    int messages = 0;
    bool programReceived = false;
    bool bankComplete = false;
    int meterReplies = 0;
    std::function<void(const MeterLevels&)> onMeters;
    std::vector<int> knownIds;

private:
    std::ostream& m_err;
    bool m_progressShown = false;
};

struct UnitOptions {
    std::string port;
    int deviceId = kDefaultDeviceId;
    int deviceType = kDeviceType4x8;
    int tickMs = UnitController::kTickMs;
    int slot = 0; // --slot of the commands that take it: 0 = live settings, 1..30 a memory
};

// Reads --port, --id, --type, --tick-ms and, for a command that takes it, --slot. Returns
// kExitOk or the usage error's status.
int ParseUnitOptions(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                     UnitOptions& options) {
    const auto port = args.value("--port");
    if (!port || port->empty())
        return CliUsageError(command, "--port is required", ctx);
    options.port = *port;
    if (const int status = ReadDeviceIdOption(command, args, ctx, options.deviceId);
        status != kExitOk)
        return status;
    if (const int status = ReadDeviceTypeOption(command, args, ctx, options.deviceType);
        status != kExitOk)
        return status;
    if (const int status =
            ReadNumberOption(command, args, ctx, "--tick-ms", kMinTickMs, UnitController::kTickMs,
                             "--tick-ms must be 10 to 100", options.tickMs);
        status != kExitOk)
        return status;
    return ReadNumberOption(command, args, ctx, "--slot", 0, kLastProgramSlot,
                            "--slot must be 0 (live) to 30", options.slot);
}

// One unit on one port, from connecting to disconnecting, with the event loop that drives it.
class OnlineSession {
public:
    OnlineSession(const UnitOptions& options, CliContext& ctx)
        : m_options(options), m_owner(ctx.err), m_progress(isatty(STDERR_FILENO) == 1),
          m_controller(options.deviceType, m_data, m_bank, m_owner, &m_owner) {
        m_controller.SetLineEventForwarder(m_events.Forwarder());
    }
    ~OnlineSession() { m_controller.Disconnect(); }

    UnitController& Controller() { return m_controller; }
    ProgramContainer& Data() { return m_data; }
    ProgramBank& Bank() { return m_bank; }
    CliOwner& Owner() { return m_owner; }

    // Opens the port, checks the unit and reads its names and global settings.
    bool Connect() {
        if (!m_events.ok()) {
            m_owner.ShowMessage(UnitLink::kOpenFailedText, MessageKind::Error);
            return false;
        }
        if (!m_controller.Connect(m_options.port, m_options.deviceId, false))
            return false;
        return WaitSettled(false);
    }

    // Runs the send tick and the line until everything queued and pending has been answered.
    // With `progress`, a terminal shows the frames of the batch just queued as they go.
    bool WaitSettled(bool progress) {
        const int total = progress ? PendingRequests() : 0;
        return Run([this] { return m_controller.IsSettled(); }, total);
    }
    // Sends the batch just queued, showing its progress, until the unit has answered it all.
    // Returns kExitOk, or kExitFailure when the connection ended first (its message shown).
    int FinishBatch() { return CliStatus(WaitSettled(true)); }

    // Runs the send tick and the line until `done` holds. False when the connection ended
    // first (its message has been shown).
    bool Run(const std::function<bool()>& done, int progressTotal = 0) {
        const Milliseconds period(m_options.tickMs);
        auto next = Clock::now() + period;
        int shown = -1;
        while (m_controller.IsConnected() && !done()) {
            Step(next, period, [this] { m_controller.Tick(); });
            if (progressTotal > 0 && m_progress) {
                const int sent = progressTotal - std::min(progressTotal, PendingRequests());
                if (sent != shown)
                    m_owner.ShowProgress(sent, progressTotal);
                shown = sent;
            }
        }
        m_owner.EndProgress();
        if (m_controller.IsConnected())
            return true;
        if (m_owner.messages == 0)
            m_owner.ShowMessage(UnitController::kNoAnswerText, MessageKind::Error);
        return false;
    }

    // The device-ID search over first..last with its 30 ms tick. False when the port did not
    // open.
    bool Search(int first, int last) {
        if (!m_events.ok() || !m_controller.StartSearch(m_options.port, first, last)) {
            m_controller.CancelSearch();
            return false;
        }
        const Milliseconds period(DeviceSearch::kTickMs);
        auto next = Clock::now() + period;
        while (m_controller.IsSearching())
            Step(next, period, [this] { m_controller.SearchTick(); });
        return true;
    }

private:
    // Waits for line events until the next tick is due, hands them over, and ticks when due.
    template <class TickFn> void Step(Clock::time_point& next, Milliseconds period, TickFn tick) {
        const auto now = Clock::now();
        const auto wait =
            next > now ? std::chrono::ceil<Milliseconds>(next - now) : Milliseconds(0);
        pollfd p{m_events.fd(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(wait.count())) > 0 && (p.revents & POLLIN)) {
            for (std::uint32_t bits : m_events.Take())
                m_controller.OnLineEvent(bits);
        }
        if (Clock::now() >= next) {
            tick();
            next += period;
            // After a stall (a slow write), tick on from now rather than catch up in a burst.
            if (next < Clock::now())
                next = Clock::now() + period;
        }
    }

    // Queued frames other than meter polls.
    int PendingRequests() const {
        const RequestQueue& queue = m_controller.Command().Queue();
        int count = 0;
        for (int i = 0; i < queue.Count(); ++i) {
            const auto& b = queue.At(i)->bytes;
            const bool meterPoll = b.size() > kOffsetChannel && b[kOffsetKind] == kKindRead &&
                                   b[kOffsetSection] == kSectionGlobal &&
                                   b[kOffsetChannel] == kGlobalMeters;
            if (!meterPoll)
                ++count;
        }
        return count;
    }

    UnitOptions m_options;
    ProgramContainer m_data;
    ProgramBank m_bank{};
    CliOwner m_owner;
    bool m_progress;
    CliLineEvents m_events;
    UnitController m_controller;
};

// The shape of every command that works on a connected unit: connects as the application does
// (probe with the type check, program names, global settings), runs the command's own `work`
// and disconnects. Returns the exit status `work` returns, or kExitFailure when the connection
// failed (its message shown).
int WithConnectedUnit(const UnitOptions& options, CliContext& ctx,
                      const std::function<int(OnlineSession&)>& work) {
    OnlineSession session(options, ctx);
    if (!session.Connect())
        return kExitFailure;
    return work(session);
}

// ---- ports -------------------------------------------------------------------------------------

int RunPorts(const CliCommand&, const CliArguments& args, CliContext& ctx) {
    PortEntryList ports;
    std::string error;
    if (!ListSerialPorts(ports, args.flag("--test-open"), &error))
        return CliFailure(error, ctx);
    for (const PortEntry& port : ports) {
        if (port.portName.empty())
            continue;
        ctx.out << port.portName << '\t' << (port.usb ? "USB" : "-") << '\t' << port.description
                << '\n';
    }
    return kExitOk;
}

// ---- search ------------------------------------------------------------------------------------

int RunSearch(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    int first = kFirstDeviceId;
    int last = kLastDeviceId;
    if (const auto range = args.value("--ids")) {
        const auto dash = range->find('-');
        const auto a = ParseNumber(range->substr(0, dash), kFirstDeviceId, kLastDeviceId);
        const auto b = dash == std::string::npos
                           ? a
                           : ParseNumber(range->substr(dash + 1), kFirstDeviceId, kLastDeviceId);
        if (!a || !b || *a > *b)
            return CliUsageError(command, "--ids must be FIRST-LAST within 1 to 250", ctx);
        first = *a;
        last = *b;
    }
    OnlineSession session(options, ctx);
    if (!session.Search(first, last))
        return kExitFailure;
    for (int id : session.Owner().knownIds) {
        if (id >= first && id <= last)
            ctx.out << id << '\n';
    }
    return kExitOk;
}

// ---- read --------------------------------------------------------------------------------------

int RunRead(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    const std::string& path = args.positional().front();
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        UnitController& unit = session.Controller();
        // As the program dialog's recall does: the program takes the name the unit lists for it.
        session.Data().setProgramName(unit.ProgramName(options.slot));
        unit.ReadProgramFromDevice(options.slot);
        if (const int status = session.FinishBatch(); status != kExitOk)
            return status;
        if (!session.Owner().programReceived)
            return CliFailure("The unit sent no complete program", ctx);
        return ProgramFileExit(SaveProgramSetting(path, session.Data()), ctx);
    });
}

// ---- write -------------------------------------------------------------------------------------

int RunWrite(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    ProgramSource source;
    if (!LoadProgramSource(args.positional().front(), options.deviceType, source))
        return ProgramFileExit(ProgramFileStatus::ReadError, ctx);
    // The unit's type decides; a library's program must be named.
    int number = 0;
    if (source.library) {
        const auto text = args.value("--program");
        const auto chosen = text ? ParseNumber(*text, 1, kProgramMemoryCount) : std::nullopt;
        if (!chosen)
            return CliUsageError(command, "a program library needs --program 1 to 30", ctx);
        number = *chosen;
    }
    const auto program = TakeProgram(source, number);
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        session.Data().copyProgramFrom(*program);
        session.Controller().SetProgramName(options.slot, program->programName());
        session.Controller().StoreProgramToDevice(options.slot);
        return session.FinishBatch();
    });
}

// ---- backup, restore ---------------------------------------------------------------------------

int RunBackup(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    const std::string& path = args.positional().front();
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        session.Controller().ReadAllProgramsFromDevice();
        if (const int status = session.FinishBatch(); status != kExitOk)
            return status;
        if (!session.Owner().bankComplete)
            return CliFailure("The unit sent no complete program bank", ctx);
        return ProgramFileExit(SaveProgramLibrary(path, session.Bank()), ctx);
    });
}

int RunRestore(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    auto bank = std::make_unique<ProgramBank>();
    const ProgramFileStatus loaded =
        LoadProgramLibrary(args.positional().front(), options.deviceType, *bank);
    if (loaded != ProgramFileStatus::Ok)
        return ProgramFileExit(loaded, ctx);
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        session.Bank() = *bank;
        session.Controller().WriteAllProgramsToDevice(*bank);
        return session.FinishBatch();
    });
}

// ---- set-id ------------------------------------------------------------------------------------

int RunSetId(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (!args.value("--id"))
        return CliUsageError(command, "--id names the unit to change", ctx);
    const auto newId = ParseNumber(args.positional().front(), kFirstDeviceId, kLastDeviceId);
    if (!newId)
        return CliUsageError(command, "the new ID must be 1 to 250", ctx);
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        session.Controller().ChangeDeviceId(*newId);
        if (!session.WaitSettled(false))
            return kExitFailure;
        // The unit must answer under its new ID: one more meter reply proves it.
        const int replies = session.Owner().meterReplies;
        return CliStatus(session.Run([&] { return session.Owner().meterReplies > replies; }));
    });
}

// ---- meters ------------------------------------------------------------------------------------

int RunMeters(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    int count = kDefaultMeterPolls;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status = ReadNumberOption(command, args, ctx, "--count", 1, kMaxMeterPolls,
                                            "--count must be a positive number", count);
        status != kExitOk)
        return status;
    return WithConnectedUnit(options, ctx, [&](OnlineSession& session) {
        int printed = 0;
        session.Owner().onMeters = [&](const MeterLevels& levels) {
            if (printed == count)
                return;
            for (std::size_t k = 0; k < levels.size(); ++k)
                ctx.out << (k == 0 ? "" : " ") << levels[k];
            ctx.out << '\n' << std::flush;
            ++printed;
        };
        return CliStatus(session.Run([&] { return printed == count; }));
    });
}

// Lines shared by the help of every command that talks to a unit.
#define TAVREL_UNIT_OPTIONS                                                                        \
    "  --port     the serial port (a device path, as 'ports' lists them)\n"                        \
    "  --id       device ID 1..250 of the unit; default 1\n"                                       \
    "  --type     4x8 (default), 3x6 or 2x4: the unit must report this type\n"                     \
    "  --tick-ms  send tick 10..100 ms; default 100 as in the application. Faster ticks suit\n"    \
    "             only a virtual unit, which answers at once\n"

const CliRegistrar kOnlineCommands{
    {"ports",
     "[--test-open]",
     "list the serial ports: name, USB or -, description",
     {},
     {"--test-open"},
     0,
     0,
     RunPorts,
     "One port per line, tab-separated: the name to pass to --port, \"USB\" for a USB adapter\n"
     "or \"-\", and a description. Running virtual units are listed after the real ports.\n"
     "  --test-open  leave out ports that cannot be opened now (held by another program)\n"},
    {"search",
     "--port P [--type T] [--ids FIRST-LAST]",
     "probe device IDs and list the units of the type that answer",
     WithUnitOptions({"--ids"}),
     {},
     0,
     0,
     RunSearch,
     "Probes one ID every 30 ms tick and gives each about 120 ms to answer, as the connect\n"
     "dialog does; the IDs of the units of the type that answered are printed one per line,\n"
     "in ascending order. All 250 IDs take about 40 s.\n" TAVREL_UNIT_OPTIONS
     "  --ids      FIRST-LAST: probe only these IDs; default 1-250\n"},
    {"read",
     "--port P [--id N] [--type T] [--slot S] [--tick-ms MS] FILE",
     "read program S of the unit (0 = live settings) into a single-setting file",
     WithUnitOptions({"--slot"}),
     {},
     1,
     1,
     RunRead,
     "Connects (probe with the type check, program names, global settings), reads the 12\n"
     "channel blocks of the program and writes them with the program's name to "
     "FILE.\n" TAVREL_UNIT_OPTIONS
     "  --slot     0 = live settings (default), 1..30 = a program memory\n"},
    {"write",
     "--port P [--id N] [--type T] [--slot S] [--program N] [--tick-ms MS] FILE",
     "store a file's program as program S of the unit (0 = live settings)",
     WithUnitOptions({"--slot", "--program"}),
     {},
     1,
     1,
     RunWrite,
     "Sends the program name and the 12 channel blocks. Storing to the live settings mutes\n"
     "inputs A and B while the outputs are written, as the application does.\n" TAVREL_UNIT_OPTIONS
     "  --slot     0 = live settings (default), 1..30 = a program memory\n"
     "  --program  program N (1..30) when FILE is a program library\n"},
    {"backup",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "read the unit's 30 stored programs into a program library file",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunBackup,
     TAVREL_UNIT_OPTIONS},
    {"restore",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "write a program library file's 30 programs into the unit's memories",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunRestore,
     TAVREL_UNIT_OPTIONS},
    {"set-id",
     "--port P --id N [--type T] [--tick-ms MS] NEW",
     "give the unit with ID N the device ID NEW",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunSetId,
     "Tells the unit its new ID, then checks that it answers under it.\n" TAVREL_UNIT_OPTIONS},
    {"meters",
     "--port P [--id N] [--type T] [--count K] [--tick-ms MS]",
     "poll the level meters K times: 12 level codes per line",
     WithUnitOptions({"--count"}),
     {},
     0,
     0,
     RunMeters,
     "One line per meter reply: the codes of inputs A..D, then outputs 1..8. A code 0..8 is\n"
     "the number of lit segments (9: all); 16 + n lights n segments and the top "
     "segment.\n" TAVREL_UNIT_OPTIONS
     "  --count    number of meter replies to print; default 10\n"},
};

#undef TAVREL_UNIT_OPTIONS

} // namespace
