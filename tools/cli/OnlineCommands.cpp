// Commands that talk to a unit over a serial port: ports, search, read, write, backup, restore,
// set-id and meters. Each one connects with the application's probe and type check but reads
// only the program names its output needs (the application also reads every name and the unit
// settings it shows), does its work paced exactly like the application (one frame per 100 ms
// tick, one repetition after 2 s, abandonment after 4.1 s), waits until nothing is queued or
// pending, and disconnects.

#include "Cli.h"
#include "ProgramSource.h"
#include "Progress.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"
#include "link/PortList.h"
#include "link/UnitController.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestSequences.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
        // "Unable to open COM-port: reason"; after a sentence's end only a space.
        std::string line = text;
        for (std::size_t at; (at = line.find("\n\n")) != std::string::npos;) {
            const bool sentenceEnds =
                at > 0 && std::string_view(".!?").find(line[at - 1]) != std::string_view::npos;
            line.replace(at, 2, sentenceEnds ? " " : ": ");
        }
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

    // One progress line ("program 12/30") on a terminal, rewritten in place.
    void ShowProgress(const std::string& text) {
        m_err << '\r' << text << "\x1b[K" << std::flush;
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
    bool typeGiven = false; // --type was given
    std::string typeFile;   // the program file whose extension chose the type, if one did
    int tickMs = UnitController::kTickMs;
    int slot = 0; // --slot of the commands that take it: 0 = live settings, 1..30 a memory
};

// "the 4x8 with ID 1": the unit a command works on, for its messages.
std::string UnitText(const UnitOptions& options) {
    return "the " + std::string(DeviceModelOf(options.deviceType).label) + " with ID " +
           std::to_string(options.deviceId);
}

// "the live settings" or "program 5".
std::string SlotText(int slot) {
    return slot == 0 ? std::string("the live settings") : "program " + std::to_string(slot);
}

// What a batch's progress is counted in: "program" (30 of them), or the frames themselves.
struct BatchProgress {
    std::string_view label;
    int units = 0; // 0: the batch's frames
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
    options.typeGiven = args.value("--type").has_value();
    if (const int status =
            ReadNumberOption(command, args, ctx, "--tick-ms", kMinTickMs, UnitController::kTickMs,
                             "--tick-ms must be 10 to 100", options.tickMs);
        status != kExitOk)
        return status;
    return ReadNumberOption(command, args, ctx, "--slot", 0, kLastProgramSlot,
                            "--slot must be 0 (live) to 30", options.slot);
}

// What a command does with its program file.
enum class FileUse {
    ReadSetting, // read: writes a single setting
    ReadLibrary, // backup: writes a program library
    SendProgram, // write: a single setting, or one program of a library
    SendLibrary, // restore: a program library
};

bool TakesLibrary(FileUse use) {
    return use == FileUse::ReadLibrary || use == FileUse::SendLibrary;
}

// The file name with the model's extension: "live" -> "live.dia48", "hall.dat" -> "hall.dat48".
std::string WithModelExtension(const std::string& path, int deviceType, bool library) {
    const std::string extension =
        library ? LibraryExtension(deviceType) : SingleSettingExtension(deviceType);
    const std::string stem = extension.substr(0, extension.size() - ModelDigits(deviceType).size());
    if (std::filesystem::path(path).extension() == stem)
        return path + std::string(ModelDigits(deviceType));
    return path + extension;
}

// The program file of a command that talks to a unit (its one positional argument), checked
// against the model and the kind of file the command handles before anything is sent: an
// extension of another model than --type, or of the other kind, is refused. Without --type, the
// model of the file's extension is the unit's expected type. A file the command writes is given
// the model's extension when its name has none. Returns kExitOk or the usage error's status.
int ResolveProgramFile(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                       FileUse use, UnitOptions& options, std::string& path) {
    path = args.positional().front();
    const bool library = TakesLibrary(use);
    const DeviceModel& chosen = DeviceModelOf(options.deviceType);
    const int fileType = DeviceTypeFromPath(path);
    if (library ? IsSingleSettingPath(path)
                : (use == FileUse::ReadSetting && IsLibraryPath(path))) {
        const DeviceModel& named = fileType != 0 ? DeviceModelOf(fileType) : chosen;
        const std::string other = library ? "a single-setting file" : "a program library";
        const std::string wanted =
            library ? "a program library (" + std::string(named.libraryExtension) + ")"
                    : "a single-setting file (" + std::string(named.settingExtension) + ")";
        return CliUsageError(command,
                             path + " is named as " + other + "; " + std::string(command.name) +
                                 " takes " + wanted,
                             ctx);
    }
    if (fileType != 0) {
        if (options.typeGiven && fileType != options.deviceType)
            return CliUsageError(command,
                                 path + " is named for a " +
                                     std::string(DeviceModelOf(fileType).label) +
                                     ", but --type is " + std::string(chosen.label),
                                 ctx);
        options.deviceType = fileType;
        options.typeFile = path;
        return kExitOk;
    }
    if (use == FileUse::ReadSetting || use == FileUse::ReadLibrary)
        path = WithModelExtension(path, options.deviceType, library);
    return kExitOk;
}

// After "Device Type Error!": what the operator can do about it, on one more line.
void ExplainTypeMismatch(const UnitOptions& options, FileUse use, int reportedType,
                         CliContext& ctx) {
    const DeviceModel* found = FindDeviceModel(reportedType);
    if (found == nullptr || reportedType == options.deviceType)
        return;
    const std::string label(found->label);
    if (options.typeFile.empty()) {
        ctx.err << "Give --type " << label << " for this unit.\n";
        return;
    }
    const std::string fileModel(DeviceModelOf(options.deviceType).label);
    if (use == FileUse::SendProgram || use == FileUse::SendLibrary) {
        ctx.err << "Nothing was sent: " << options.typeFile << " holds " << fileModel
                << " programs, and the unit is a " << label << ".\n";
        return;
    }
    const DeviceModel& model = *found;
    ctx.err << options.typeFile << " is named for a " << fileModel << "; name a file "
            << (TakesLibrary(use) ? model.libraryExtension : model.settingExtension) << " for this "
            << label << ".\n";
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

    // Opens the port, checks the unit and reads what `reads` asks for.
    bool Connect(const ConnectReads& reads) {
        if (!m_events.ok()) {
            m_owner.ShowMessage(UnitLink::kOpenFailedText, MessageKind::Error);
            return false;
        }
        if (!m_controller.Connect(m_options.port, m_options.deviceId, false, reads))
            return false;
        return WaitSettled();
    }

    // Runs the send tick and the line until everything queued and pending has been answered.
    bool WaitSettled() {
        return Run([this] { return m_controller.IsSettled(); });
    }
    // Sends the batch just queued until the unit has answered it all; a terminal shows its
    // progress. Returns kExitOk, or kExitFailure when the connection ended first (its message
    // shown).
    int FinishBatch(BatchProgress progress) {
        const int frames = PendingRequests();
        const int units = progress.units > 0 ? progress.units : frames;
        std::string shown;
        const bool settled = Run([this] { return m_controller.IsSettled(); },
                                 [&] {
                                     const int sent = frames - std::min(frames, PendingRequests());
                                     std::string text =
                                         ProgressText(progress.label, sent, frames, units);
                                     if (text != shown)
                                         m_owner.ShowProgress(text);
                                     shown = std::move(text);
                                 });
        return CliStatus(settled);
    }

    // Runs the send tick and the line until `done` holds; on a terminal, `progress` runs after
    // every step. False when the connection ended first (its message has been shown).
    bool Run(const std::function<bool()>& done, const std::function<void()>& progress = {}) {
        const Milliseconds period(m_options.tickMs);
        // One tick schedule for the whole session: the command's work goes out on the next tick
        // after the connect, not a whole period after the connect's last answer.
        if (!m_nextTick)
            m_nextTick = Clock::now() + period;
        while (m_controller.IsConnected() && !done()) {
            Step(*m_nextTick, period, [this] { m_controller.Tick(); });
            if (progress && m_progress)
                progress();
        }
        m_owner.EndProgress();
        if (m_controller.IsConnected())
            return true;
        if (m_owner.messages == 0)
            m_owner.ShowMessage(UnitController::kNoAnswerText, MessageKind::Error);
        return false;
    }

    // The device-ID search over first..last with its 30 ms tick; a terminal shows the ID being
    // probed ("ID 37/250"). False when the port did not open.
    bool Search(int first, int last) {
        if (!m_events.ok() || !m_controller.StartSearch(m_options.port, first, last)) {
            m_controller.CancelSearch();
            return false;
        }
        const Milliseconds period(DeviceSearch::kTickMs);
        auto next = Clock::now() + period;
        int shown = 0;
        while (m_controller.IsSearching()) {
            Step(next, period, [this] { m_controller.SearchTick(); });
            const int probed = m_controller.Search().Progress();
            if (m_progress && probed != shown && m_controller.IsSearching())
                m_owner.ShowProgress("ID " + std::to_string(probed) + '/' + std::to_string(last));
            shown = probed;
        }
        m_owner.EndProgress();
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
    std::optional<Clock::time_point> m_nextTick; // the send tick's next time, once it runs
    ProgramContainer m_data;
    ProgramBank m_bank{};
    CliOwner m_owner;
    bool m_progress;
    CliLineEvents m_events;
    UnitController m_controller;
};

// The shape of every command that works on a connected unit: connects (the probe with the type
// check, then the reads `reads` asks for), runs the command's own `work` and disconnects.
// Returns the exit status `work` returns, or kExitFailure when the connection failed (its
// message shown, and for a unit of another type what to do about it). `use` is what the command
// does with its program file, if it has one.
int WithConnectedUnit(const UnitOptions& options, CliContext& ctx, const ConnectReads& reads,
                      const std::function<int(OnlineSession&)>& work,
                      FileUse use = FileUse::ReadSetting) {
    OnlineSession session(options, ctx);
    if (!session.Connect(reads)) {
        ExplainTypeMismatch(options, use, session.Controller().ReportedDeviceType(), ctx);
        return kExitFailure;
    }
    return work(session);
}

// A connect that reads the names of program memories 1..30, which a library stores.
ConnectReads MemoryNameReads() {
    ConnectReads reads;
    for (int slot = 1; slot <= kLastProgramSlot; ++slot)
        reads.programNames.push_back(slot);
    return reads;
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

// --ids FIRST-LAST (or a single ID) into first..last. Returns kExitOk or the usage error's
// status.
int ReadIdRange(const CliCommand& command, const CliArguments& args, CliContext& ctx, int& first,
                int& last) {
    const auto range = args.value("--ids");
    if (!range)
        return kExitOk;
    const auto dash = range->find('-');
    const auto a = ParseNumber(range->substr(0, dash), kFirstDeviceId, kLastDeviceId);
    const auto b = dash == std::string::npos
                       ? a
                       : ParseNumber(range->substr(dash + 1), kFirstDeviceId, kLastDeviceId);
    if (!a || !b)
        return CliUsageError(command, "--ids must be FIRST-LAST within 1 to 250", ctx);
    if (*a > *b)
        return CliUsageError(command,
                             "--ids " + *range + " is reversed: give the lower ID first (" +
                                 std::to_string(*b) + "-" + std::to_string(*a) + ")",
                             ctx);
    first = *a;
    last = *b;
    return kExitOk;
}

int RunSearch(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    int first = kFirstDeviceId;
    int last = kLastDeviceId;
    if (const int status = ReadIdRange(command, args, ctx, first, last); status != kExitOk)
        return status;
    OnlineSession session(options, ctx);
    if (!session.Search(first, last))
        return kExitFailure;
    int found = 0;
    for (int id : session.Owner().knownIds) {
        if (id >= first && id <= last) {
            ctx.out << id << '\n';
            ++found;
        }
    }
    if (found == 0)
        ctx.err << "No " << DeviceModelOf(options.deviceType).label << " unit answered on "
                << options.port << " (IDs " << first << '-' << last << ").\n";
    return kExitOk;
}

// ---- read --------------------------------------------------------------------------------------

int RunRead(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::ReadSetting, options, path);
        status != kExitOk)
        return status;
    // The file keeps the program's name, so that name is the one read besides the probe.
    const ConnectReads reads{{options.slot}};
    return WithConnectedUnit(
        options, ctx, reads,
        [&](OnlineSession& session) {
            UnitController& unit = session.Controller();
            // As the program dialog's recall does: the program takes the name the unit lists.
            session.Data().setProgramName(unit.ProgramName(options.slot));
            unit.ReadProgramFromDevice(options.slot);
            if (const int status = session.FinishBatch({"frame"}); status != kExitOk)
                return status;
            if (!session.Owner().programReceived)
                return CliFailure("The unit sent no complete program", ctx);
            if (const int status = ProgramFileExit(SaveProgramSetting(path, session.Data()), ctx);
                status != kExitOk)
                return status;
            ctx.out << "Read " << SlotText(options.slot) << " (\"" << session.Data().programName()
                    << "\") of " << UnitText(options) << " into " << path << '\n';
            return kExitOk;
        },
        FileUse::ReadSetting);
}

// ---- write -------------------------------------------------------------------------------------

int RunWrite(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::SendProgram, options, path);
        status != kExitOk)
        return status;
    ProgramSource source;
    if (!LoadProgramSource(path, options.deviceType, source))
        return ProgramFileExit(ProgramFileStatus::ReadError, ctx);
    // A library's program must be named.
    int number = 0;
    if (source.library) {
        const auto text = args.value("--program");
        const auto chosen = text ? ParseNumber(*text, 1, kProgramMemoryCount) : std::nullopt;
        if (!chosen)
            return CliUsageError(command, "a program library needs --program 1 to 30", ctx);
        number = *chosen;
    } else if (args.value("--program")) {
        return CliUsageError(command, "--program needs a program library file", ctx);
    }
    const auto program = TakeProgram(source, number);
    return WithConnectedUnit(
        options, ctx, ConnectReads{},
        [&](OnlineSession& session) {
            session.Data().copyProgramFrom(*program);
            session.Controller().SetProgramName(options.slot, program->programName());
            session.Controller().StoreProgramToDevice(options.slot);
            if (const int status = session.FinishBatch({"frame"}); status != kExitOk)
                return status;
            ctx.out << "Wrote \"" << program->programName() << "\" from " << path << " to "
                    << SlotText(options.slot) << " of " << UnitText(options) << '\n';
            return kExitOk;
        },
        FileUse::SendProgram);
}

// ---- backup, restore ---------------------------------------------------------------------------

int RunBackup(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::ReadLibrary, options, path);
        status != kExitOk)
        return status;
    return WithConnectedUnit(
        options, ctx, MemoryNameReads(),
        [&](OnlineSession& session) {
            session.Controller().ReadAllProgramsFromDevice();
            if (const int status = session.FinishBatch({"program", kProgramMemoryCount});
                status != kExitOk)
                return status;
            if (!session.Owner().bankComplete)
                return CliFailure("The unit sent no complete program bank", ctx);
            if (const int status = ProgramFileExit(SaveProgramLibrary(path, session.Bank()), ctx);
                status != kExitOk)
                return status;
            ctx.out << "Read the " << kProgramMemoryCount << " programs of " << UnitText(options)
                    << " into " << path << '\n';
            return kExitOk;
        },
        FileUse::ReadLibrary);
}

int RunRestore(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::SendLibrary, options, path);
        status != kExitOk)
        return status;
    auto bank = std::make_unique<ProgramBank>();
    const ProgramFileStatus loaded = LoadProgramLibrary(path, options.deviceType, *bank);
    if (loaded != ProgramFileStatus::Ok)
        return ProgramFileExit(loaded, ctx);
    return WithConnectedUnit(
        options, ctx, ConnectReads{},
        [&](OnlineSession& session) {
            session.Bank() = *bank;
            session.Controller().WriteAllProgramsToDevice(*bank);
            if (const int status = session.FinishBatch({"program", kProgramMemoryCount});
                status != kExitOk)
                return status;
            ctx.out << "Wrote the " << kProgramMemoryCount << " programs of " << path << " to "
                    << UnitText(options) << '\n';
            return kExitOk;
        },
        FileUse::SendLibrary);
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
    if (*newId == options.deviceId)
        return CliUsageError(command, "the unit has ID " + std::to_string(*newId) + " already",
                             ctx);
    return WithConnectedUnit(options, ctx, ConnectReads{}, [&](OnlineSession& session) {
        UnitController& unit = session.Controller();
        // Probes the new ID first; a unit answering to it refuses the change (message shown).
        if (!unit.ChangeDeviceId(*newId))
            return CliFailure("The ID change could not be started", ctx);
        if (!session.WaitSettled())
            return kExitFailure;
        if (unit.DeviceId() != *newId)
            return kExitFailure;
        // The unit must answer under its new ID: one more meter reply proves it.
        const int replies = session.Owner().meterReplies;
        if (!session.Run([&] { return session.Owner().meterReplies > replies; }))
            return kExitFailure;
        ctx.out << "The " << DeviceModelOf(options.deviceType).label << " with ID "
                << options.deviceId << " now has ID " << *newId << '\n';
        return kExitOk;
    });
}

// ---- meters ------------------------------------------------------------------------------------

// The model's meters: index into a meter reply (inputs 0..3, outputs 4..11) and column heading.
struct MeterColumn {
    std::size_t index;
    std::string heading;
};

std::vector<MeterColumn> MeterColumns(const DeviceModel& model) {
    constexpr std::size_t kFirstOutputMeter = 4;
    std::vector<MeterColumn> columns;
    for (int i = 0; i < model.inputs; ++i)
        columns.push_back({static_cast<std::size_t>(i), std::string("In") + char('A' + i)});
    for (int o = 0; o < model.outputs; ++o)
        columns.push_back(
            {kFirstOutputMeter + static_cast<std::size_t>(o), std::string(model.OutputHeading(o))});
    return columns;
}

int RunMeters(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    int count = kDefaultMeterPolls;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status = ReadNumberOption(command, args, ctx, "--count", 1, kMaxMeterPolls,
                                            "--count must be a positive number", count);
        status != kExitOk)
        return status;
    const std::vector<MeterColumn> columns = MeterColumns(DeviceModelOf(options.deviceType));
    return WithConnectedUnit(options, ctx, ConnectReads{}, [&](OnlineSession& session) {
        int printed = 0;
        session.Owner().onMeters = [&](const MeterLevels& levels) {
            if (printed == count)
                return;
            if (printed == 0) {
                for (std::size_t c = 0; c < columns.size(); ++c)
                    ctx.out << (c == 0 ? "" : " ") << columns[c].heading;
                ctx.out << '\n';
            }
            // Each code right-aligned under its heading.
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const std::string code = std::to_string(levels[columns[c].index]);
                const std::size_t width = std::max(columns[c].heading.size(), code.size());
                ctx.out << (c == 0 ? "" : " ") << std::string(width - code.size(), ' ') << code;
            }
            ctx.out << '\n' << std::flush;
            ++printed;
        };
        return CliStatus(session.Run([&] { return printed == count; }));
    });
}

// Lines of the help of the commands that talk to a unit.
#define TAVREL_PORT_OPTION "  --port     the serial port (a device path, as 'ports' lists them)\n"
#define TAVREL_ID_OPTION "  --id       device ID 1..250 of the unit; default 1\n"
#define TAVREL_TYPE_OPTION                                                                         \
    "  --type     4x8 (default), 3x6 or 2x4: the unit must report this type\n"
#define TAVREL_FILE_TYPE_OPTION                                                                    \
    "  --type     4x8, 3x6 or 2x4: the unit must report this type; default the model of\n"         \
    "             FILE's extension (.dia24: 2x4), else 4x8. Another model's extension is\n"        \
    "             refused\n"
#define TAVREL_TICK_OPTION                                                                         \
    "  --tick-ms  send tick 10..100 ms; default 100 as in the application. Faster ticks suit\n"    \
    "             only a virtual unit, which answers at once\n"
#define TAVREL_SLOT_OPTION "  --slot     0 = live settings (default), 1..30 = a program memory\n"

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
     {"--port", "--type", "--ids"},
     {},
     0,
     0,
     RunSearch,
     "Probes one ID every 30 ms tick and gives each about 120 ms to answer, as the connect\n"
     "dialog does; the IDs of the units of the type that answered are printed one per line,\n"
     "in ascending order (none: a note on standard error). All 250 IDs take about 40 s.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_TYPE_OPTION
     "  --ids      FIRST-LAST: probe only these IDs; default 1-250\n"},
    {"read",
     "--port P [--id N] [--type T] [--slot S] [--tick-ms MS] FILE",
     "read program S of the unit (0 = live settings) into a single-setting file",
     WithUnitOptions({"--slot"}),
     {},
     1,
     1,
     RunRead,
     "Connects (probe with the type check, the program's name), reads the 12\n"
     "channel blocks of the program and writes them with the program's name to FILE. A FILE\n"
     "without the model's extension gets it (live -> live.dia48).\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_SLOT_OPTION
         TAVREL_TICK_OPTION},
    {"write",
     "--port P [--id N] [--type T] [--slot S] [--program N] [--tick-ms MS] FILE",
     "store a file's program as program S of the unit (0 = live settings)",
     WithUnitOptions({"--slot", "--program"}),
     {},
     1,
     1,
     RunWrite,
     "Sends the program name and the 12 channel blocks. Storing to the live settings mutes\n"
     "inputs A and B while the outputs are written, as the application does. Nothing is sent\n"
     "to a unit of another model than the file's.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_SLOT_OPTION
     "  --program  program N (1..30) when FILE is a program library\n" TAVREL_TICK_OPTION},
    {"backup",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "read the unit's 30 stored programs into a program library file",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunBackup,
     "A FILE without the model's extension gets it (hall -> hall.dat48).\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_TICK_OPTION},
    {"restore",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "write a program library file's 30 programs into the unit's memories",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunRestore,
     "Nothing is sent to a unit of another model than the file's.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_TICK_OPTION},
    {"set-id",
     "--port P --id N [--type T] [--tick-ms MS] NEW",
     "give the unit with ID N the device ID NEW",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunSetId,
     "First probes NEW on the line: when a unit answers to it, nothing is changed (two units\n"
     "with one ID could no longer be reached). Then tells the unit its new ID and checks that\n"
     "it answers under it.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_TYPE_OPTION TAVREL_TICK_OPTION},
    {"meters",
     "--port P [--id N] [--type T] [--count K] [--tick-ms MS]",
     "poll the level meters K times: one line of level codes per poll",
     WithUnitOptions({"--count"}),
     {},
     0,
     0,
     RunMeters,
     "A heading line names the model's channels (InA.., Out1..), then one line per meter\n"
     "reply with their codes. A code 0..8 is the number of lit segments (9: all); 16 + n\n"
     "lights n segments and the top segment.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_TYPE_OPTION
     "  --count    number of meter replies to print; default 10\n" TAVREL_TICK_OPTION},
};

#undef TAVREL_PORT_OPTION
#undef TAVREL_ID_OPTION
#undef TAVREL_TYPE_OPTION
#undef TAVREL_FILE_TYPE_OPTION
#undef TAVREL_TICK_OPTION
#undef TAVREL_SLOT_OPTION

} // namespace
