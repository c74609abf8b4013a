#pragma once

// What every command that talks to a unit shares: the unit options (--port, --id, --type,
// --tick-ms), the controller's owner that turns message boxes into lines on standard error, and
// the session that connects, drives the send tick and the line in real time, and disconnects.
// Commands connect with the application's probe and type check but read only what their output
// needs, and their work is paced exactly like the application's (one frame per 100 ms tick, one
// repetition after 2 s, abandonment after 4.1 s).

#include "Cli.h"
#include "Interruption.h"

#include "files/ProgramFile.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kDefaultDeviceId = 1;
// Faster ticks only make sense on a virtual unit, which answers at once; a real unit needs the
// application's 100 ms.
inline constexpr int kMinTickMs = 10;

// --port, --id, --type and --tick-ms followed by a command's own value options.
std::vector<std::string_view> WithUnitOptions(std::vector<std::string_view> more);

// Lines of the help of the commands that talk to a unit.
#define TAVREL_PORT_OPTION                                                                         \
    "  --port     the port: a device path as 'ports' lists them, or a serial server on the\n"      \
    "             network as rfc2217://HOST:PORT (Telnet, sets the line) or tcp://HOST:PORT\n"     \
    "             (raw bytes: the server's line must be set to 9600 8N1 by the operator)\n"
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

// ---- Line events from the port's listener thread to the command's thread ---------------------

// The listener thread queues the event bits and wakes the loop through an eventfd; the loop
// hands them to the controller on its own thread.
class CliLineEvents {
public:
    CliLineEvents();
    ~CliLineEvents();
    CliLineEvents(const CliLineEvents&) = delete;
    CliLineEvents& operator=(const CliLineEvents&) = delete;

    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    LineEventHandler Forwarder();
    std::vector<std::uint32_t> Take();

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

    void ShowMessage(const std::string& text, MessageKind) override;
    bool AskYesNo(const std::string&) override { return false; }

    void OnProgramReceived() override {
        programReceived = true;
        receivedBlocks = kAllChannelBlocks;
    }
    void OnChannelsReceived(unsigned blocks) override { receivedBlocks |= blocks; }
    void OnBankComplete() override { bankComplete = true; }
    void OnMetersReceived(const MeterLevels& levels) override;
    void OnSearchEnded(const std::vector<int>& ids) override { knownIds = ids; }

    // One progress line ("program 12/30") on a terminal, rewritten in place.
    void ShowProgress(const std::string& text);
    void EndProgress();

    int messages = 0;
    bool programReceived = false;
    ChannelBlocks receivedBlocks = 0; // live channel blocks taken into the container
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
std::string UnitText(const UnitOptions& options);
// "the live settings" or "program 5".
std::string SlotText(int slot);

// What a batch's progress is counted in: "program" (30 of them), or the frames themselves.
struct BatchProgress {
    std::string_view label;
    int units = 0; // 0: the batch's frames
};

// Reads --port, --id, --type, --tick-ms and, for a command that takes it, --slot. Returns
// kExitOk or the usage error's status.
int ParseUnitOptions(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                     UnitOptions& options);

// What a command does with its program file.
enum class FileUse {
    ReadSetting, // read: writes a single setting
    ReadLibrary, // backup: writes a program library
    SendProgram, // write: a single setting, or one program of a library
    SendLibrary, // restore: a program library
};

bool TakesLibrary(FileUse use);

// After "Device Type Error!": what the operator can do about it, on one more line.
void ExplainTypeMismatch(const UnitOptions& options, FileUse use, int reportedType,
                         CliContext& ctx);

// One unit on one port, from connecting to disconnecting, with the event loop that drives it.
// While a session lives, SIGINT, SIGTERM and SIGHUP stop it gently: the frame on the line is
// left to be answered, nothing more is sent but what undoes a store's mutes, and the loop ends
// (a second signal leaves at once). The commands then say what was done and end with
// FailureStatus (128 + the signal).
class OnlineSession {
public:
    OnlineSession(const UnitOptions& options, CliContext& ctx);
    ~OnlineSession();
    OnlineSession(const OnlineSession&) = delete;
    OnlineSession& operator=(const OnlineSession&) = delete;

    UnitController& Controller() { return m_controller; }
    ProgramContainer& Data() { return m_data; }
    ProgramBank& Bank() { return m_bank; }
    CliOwner& Owner() { return m_owner; }

    // Opens the port, checks the unit and reads what `reads` asks for.
    bool Connect(const ConnectReads& reads);
    // Runs the send tick and the line until everything queued and pending has been answered.
    bool WaitSettled();
    // Sends the batch just queued until the unit has answered it all; a terminal shows its
    // progress. Returns kExitOk, or FailureStatus when the connection ended or a signal stopped
    // it first (its message shown). A write that ended early says which parts of the program
    // were written and which were not, and, when inputs were left muted, the command that
    // unmutes them.
    int FinishBatch(BatchProgress progress);
    // Runs the send tick and the line until `done` holds; on a terminal, `progress` runs after
    // every step. False when the connection ended first (its message has been shown).
    bool Run(const std::function<bool()>& done, const std::function<void()>& progress = {});
    // The device-ID search over first..last with its 30 ms tick, and `silentRetries` more passes
    // over the IDs that stayed silent; a terminal shows the ID being probed ("ID 37/250", "ID
    // 37/250, pass 2"). False when the port did not open or a signal stopped the search.
    bool Search(int first, int last, int silentRetries = 0);

    // The signal that stopped the session, or 0.
    int Interrupted() const { return m_signal; }
    // The exit status of a command whose work the session could not finish: 128 + the signal
    // that stopped it, else kExitFailure.
    int FailureStatus() const;

private:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    // Waits for line events until the next tick is due, hands them over, and ticks when due.
    void Step(Clock::time_point& next, Milliseconds period, const std::function<void()>& tick);
    // Queued frames other than meter polls.
    int PendingRequests() const;
    // Keeps PendingRequests while connected, for a transfer that ends early.
    void NotePending();
    // The first signal: nothing more is sent after the frame on the line but the undoing of a
    // store's mutes.
    void BeginStop(int signal);
    // A second signal: the port is closed at once.
    void LeaveAtOnce();
    // "To unmute them: tavrel-cli set ..." for the inputs left muted, if any.
    void TellHowToUnmute() const;

    InterruptWatch m_watch; // first: held until the port has been closed and restored
    UnitOptions m_options;
    CliContext& m_ctx;
    int m_signal = 0;
    bool m_stopping = false;
    int m_pendingSeen = 0;   // PendingRequests before the latest event or tick
    int m_pendingAtStop = 0; // ... when the first signal came
    bool m_headOnLineAtStop = false;
    std::vector<int> m_mutesUndone; // inputs whose store mutes the stop undid
    std::vector<int> m_leftMuted;   // inputs that may still be muted when the session ended
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
                      FileUse use = FileUse::ReadSetting);

// A connect that reads the names of program memories 1..30, which a library stores.
ConnectReads MemoryNameReads();

// The text as one word of a shell command line: as it is when it holds no character the shell
// would take apart, else in single quotes.
std::string ShellWord(const std::string& text);

// Reads the unit's live settings into the session's container (as the application does after a
// connect). Returns the exit status.
int ReadLiveProgram(OnlineSession& session, CliContext& ctx);
