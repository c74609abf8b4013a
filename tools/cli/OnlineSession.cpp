#include "OnlineSession.h"

#include "Progress.h"
#include "TransferReport.h"

#include "model/DeviceModel.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

std::vector<std::string_view> WithUnitOptions(std::vector<std::string_view> more) {
    // Called while the command tables are built at start-up: no table of another file is used.
    static constexpr std::string_view kUnitOptions[] = {"--port", "--id", "--type", "--tick-ms"};
    more.insert(more.begin(), std::begin(kUnitOptions), std::end(kUnitOptions));
    return more;
}

// ---- Line events
// ---------------------------------------------------------------------------------

CliLineEvents::CliLineEvents() : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CliLineEvents::~CliLineEvents() {
    if (m_fd >= 0)
        close(m_fd);
}

LineEventHandler CliLineEvents::Forwarder() {
    return [this](std::uint32_t bits) {
        {
            std::lock_guard lock(m_mutex);
            m_bits.push_back(bits);
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(m_fd, &one, sizeof one);
    };
}

std::vector<std::uint32_t> CliLineEvents::Take() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(m_fd, &count, sizeof count);
    std::lock_guard lock(m_mutex);
    return std::exchange(m_bits, {});
}

// ---- The owner
// -----------------------------------------------------------------------------------

void CliOwner::ShowMessage(const std::string& text, MessageKind) {
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

void CliOwner::OnMetersReceived(const MeterLevels& levels) {
    ++meterReplies;
    if (onMeters)
        onMeters(levels);
}

void CliOwner::ShowProgress(const std::string& text) {
    m_err << '\r' << text << "\x1b[K" << std::flush;
    m_progressShown = true;
}

void CliOwner::EndProgress() {
    if (m_progressShown)
        m_err << '\n';
    m_progressShown = false;
}

// ---- Options and messages
// ------------------------------------------------------------------------

std::string UnitText(const UnitOptions& options) {
    return "the " + std::string(DeviceModelOf(options.deviceType).label) + " with ID " +
           std::to_string(options.deviceId);
}

std::string SlotText(int slot) {
    return slot == 0 ? std::string("the live settings") : "program " + std::to_string(slot);
}

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

bool TakesLibrary(FileUse use) {
    return use == FileUse::ReadLibrary || use == FileUse::SendLibrary;
}

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

// ---- The session
// ---------------------------------------------------------------------------------

OnlineSession::OnlineSession(const UnitOptions& options, CliContext& ctx)
    : m_options(options), m_ctx(ctx), m_owner(ctx.err), m_progress(isatty(STDERR_FILENO) == 1),
      m_controller(options.deviceType, m_data, m_bank, m_owner, &m_owner) {
    m_controller.SetLineEventForwarder(m_events.Forwarder());
}

OnlineSession::~OnlineSession() {
    m_controller.Disconnect();
}

bool OnlineSession::Connect(const ConnectReads& reads) {
    if (!m_events.ok()) {
        m_owner.ShowMessage(UnitLink::kOpenFailedText, MessageKind::Error);
        return false;
    }
    if (!m_controller.Connect(m_options.port, m_options.deviceId, false, reads))
        return false;
    return WaitSettled();
}

bool OnlineSession::WaitSettled() {
    return Run([this] { return m_controller.IsSettled(); });
}

int OnlineSession::FinishBatch(BatchProgress progress) {
    const int frames = PendingRequests();
    const int units = progress.units > 0 ? progress.units : frames;
    // The transfer's requests, to say what was done should it end early.
    std::vector<Request> transfer;
    const RequestQueue& queue = m_controller.Command().Queue();
    for (int i = 0; i < queue.Count(); ++i)
        transfer.push_back(*queue.At(i));
    m_pendingSeen = frames;
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
    if (settled)
        return kExitOk;
    const bool writes = std::any_of(transfer.begin(), transfer.end(), [](const Request& r) {
        return r.bytes.size() > kOffsetKind && r.bytes[kOffsetKind] == kKindWrite;
    });
    if (writes) {
        // After a gentle stop the frame that was on the line has been answered; after a lost
        // line or a second signal it counts as not written. Nothing of the transfer was sent
        // after the stop.
        const bool stoppedGently = m_stopping && m_controller.IsConnected();
        const int unanswered = !m_stopping     ? m_pendingSeen
                               : stoppedGently ? m_pendingAtStop - (m_headOnLineAtStop ? 1 : 0)
                                               : m_pendingAtStop;
        const int total = static_cast<int>(transfer.size());
        const auto answered = static_cast<std::size_t>(std::clamp(total - unanswered, 0, total));
        m_ctx.err << DescribeWrittenPart(transfer, answered) << '\n';
        if (stoppedGently && !m_mutesUndone.empty()) {
            std::string names;
            for (std::size_t i = 0; i < m_mutesUndone.size(); ++i)
                names +=
                    std::string(i == 0 ? "" : " and ") + static_cast<char>('A' + m_mutesUndone[i]);
            m_ctx.err << "The "
                      << (m_mutesUndone.size() == 1 ? "mute of input " : "mutes of inputs ")
                      << names << ", set while the outputs were written, "
                      << (m_mutesUndone.size() == 1 ? "was" : "were") << " undone.\n";
        }
    }
    TellHowToUnmute();
    return FailureStatus();
}

bool OnlineSession::Run(const std::function<bool()>& done, const std::function<void()>& progress) {
    if (m_signal != 0)
        return false; // stopped already: nothing more is done in this session
    const Milliseconds period(m_options.tickMs);
    // One tick schedule for the whole session: the command's work goes out on the next tick
    // after the connect, not a whole period after the connect's last answer.
    if (!m_nextTick)
        m_nextTick = Clock::now() + period;
    while (m_controller.IsConnected() && !(m_stopping ? m_controller.IsSettled() : done())) {
        if (const int signal = TakeInterrupt(); signal != 0) {
            if (m_stopping) {
                LeaveAtOnce();
                break;
            }
            BeginStop(signal);
            continue;
        }
        Step(*m_nextTick, period, [this] { m_controller.Tick(); });
        if (progress && m_progress && !m_stopping)
            progress();
    }
    m_owner.EndProgress();
    if (m_controller.IsConnected())
        return !m_stopping;
    if (m_leftMuted.empty())
        m_leftMuted = m_controller.InputsLeftMuted();
    if (m_owner.messages == 0 && m_signal == 0)
        m_owner.ShowMessage(UnitController::kNoAnswerText, MessageKind::Error);
    return false;
}

void OnlineSession::BeginStop(int signal) {
    m_signal = signal;
    m_stopping = true;
    m_pendingAtStop = PendingRequests();
    const Request* head = m_controller.Command().HeadFrame();
    m_headOnLineAtStop = head != nullptr && !head->firstSendPending;
    m_mutesUndone = m_controller.InputsMutedForStore();
    m_owner.EndProgress();
    m_ctx.err << "Interrupted by " << InterruptName(signal)
              << ": stopping after the frame on the line (a second signal leaves at once).\n";
    m_controller.StopSending();
}

void OnlineSession::LeaveAtOnce() {
    m_leftMuted = m_controller.InputsMutedForStore();
    m_mutesUndone.clear();
    m_controller.Disconnect();
    m_ctx.err << "Left at once on a second signal.\n";
}

void OnlineSession::TellHowToUnmute() const {
    if (m_leftMuted.empty())
        return;
    std::string command = "tavrel-cli set --port " + ShellWord(m_options.port) + " --id " +
                          std::to_string(m_options.deviceId) + " --type " +
                          std::string(DeviceModelOf(m_options.deviceType).label);
    for (int input : m_leftMuted)
        command += std::string(" in.") + static_cast<char>('A' + input) + ".mute=off";
    m_ctx.err << (m_leftMuted.size() == 1 ? "To unmute it: " : "To unmute them: ") << command
              << '\n';
}

int OnlineSession::FailureStatus() const {
    return m_signal != 0 ? InterruptExitStatus(m_signal) : kExitFailure;
}

bool OnlineSession::Search(int first, int last, int silentRetries) {
    if (!m_events.ok() || !m_controller.StartSearch(m_options.port, first, last, silentRetries)) {
        m_controller.CancelSearch();
        return false;
    }
    const Milliseconds period(DeviceSearch::kTickMs);
    auto next = Clock::now() + period;
    int shown = 0;
    while (m_controller.IsSearching()) {
        if (const int signal = TakeInterrupt(); signal != 0) {
            m_signal = signal;
            const int probed = m_controller.Search().Progress();
            m_controller.CancelSearch();
            m_owner.EndProgress();
            m_ctx.err << "Interrupted by " << InterruptName(signal) << ": the search stopped at ID "
                      << probed << ".\n";
            return false;
        }
        Step(next, period, [this] { m_controller.SearchTick(); });
        const int probed = m_controller.Search().Progress();
        const int pass = m_controller.Search().Pass();
        if (m_progress && probed != shown && m_controller.IsSearching())
            m_owner.ShowProgress("ID " + std::to_string(probed) + '/' + std::to_string(last) +
                                 (pass > 0 ? ", pass " + std::to_string(pass + 1) : ""));
        shown = probed;
    }
    m_owner.EndProgress();
    return true;
}

void OnlineSession::Step(Clock::time_point& next, Milliseconds period,
                         const std::function<void()>& tick) {
    const auto now = Clock::now();
    const auto wait = next > now ? std::chrono::ceil<Milliseconds>(next - now) : Milliseconds(0);
    // What is still to be answered is noted before each event and tick, either of which may
    // end the connection and empty the queue.
    pollfd p{m_events.fd(), POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(wait.count())) > 0 && (p.revents & POLLIN)) {
        for (std::uint32_t bits : m_events.Take()) {
            NotePending();
            m_controller.OnLineEvent(bits);
        }
    }
    if (Clock::now() >= next) {
        NotePending();
        tick();
        next += period;
        // After a stall (a slow write), tick on from now rather than catch up in a burst.
        if (next < Clock::now())
            next = Clock::now() + period;
    }
}

void OnlineSession::NotePending() {
    if (m_controller.IsConnected())
        m_pendingSeen = PendingRequests();
}

int OnlineSession::PendingRequests() const {
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

int WithConnectedUnit(const UnitOptions& options, CliContext& ctx, const ConnectReads& reads,
                      const std::function<int(OnlineSession&)>& work, FileUse use) {
    OnlineSession session(options, ctx);
    if (!session.Connect(reads)) {
        if (session.Interrupted() == 0)
            ExplainTypeMismatch(options, use, session.Controller().ReportedDeviceType(), ctx);
        return session.FailureStatus();
    }
    return work(session);
}

std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("/._-+:,@%").find(c) != std::string_view::npos;
    });
    if (plain)
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ConnectReads MemoryNameReads() {
    ConnectReads reads;
    for (int slot = 1; slot <= kLastProgramSlot; ++slot)
        reads.programNames.push_back(slot);
    return reads;
}

int ReadLiveProgram(OnlineSession& session, CliContext& ctx) {
    session.Controller().ReadProgramFromDevice(0);
    if (const int status = session.FinishBatch({"frame"}); status != kExitOk)
        return status;
    if (!session.Owner().programReceived)
        return CliFailure("The unit sent no complete program", ctx);
    return kExitOk;
}
