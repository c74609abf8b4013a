#include "OnlineSession.h"

#include "Progress.h"

#include "model/DeviceModel.h"
#include "protocol/Frame.h"

#include <algorithm>
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
    : m_options(options), m_owner(ctx.err), m_progress(isatty(STDERR_FILENO) == 1),
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

bool OnlineSession::Run(const std::function<bool()>& done, const std::function<void()>& progress) {
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

bool OnlineSession::Search(int first, int last) {
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

void OnlineSession::Step(Clock::time_point& next, Milliseconds period,
                         const std::function<void()>& tick) {
    const auto now = Clock::now();
    const auto wait = next > now ? std::chrono::ceil<Milliseconds>(next - now) : Milliseconds(0);
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
        ExplainTypeMismatch(options, use, session.Controller().ReportedDeviceType(), ctx);
        return kExitFailure;
    }
    return work(session);
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
