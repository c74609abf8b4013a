#include "link/UnitLink.h"

#include "link/PortFactory.h"
#include "link/SerialPort.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace {

// How each decoded event is announced: its notification, to whom, and whether it is posted
// (handled after the receive step) rather than sent.
struct Announcement {
    ReplyEvent event;
    Notification message;
    bool toSearchWindow;
    bool posted;
};

constexpr std::array<Announcement, 12> kAnnouncements{{
    {ReplyEvent::ProgramReceived, Notification::ProgramReceived, false, false},
    {ReplyEvent::StoredProgramReceived, Notification::StoredProgramReceived, false, false},
    {ReplyEvent::GlobalsReceived, Notification::GlobalsReceived, false, false},
    {ReplyEvent::IdentificationReceived, Notification::IdentificationReceived, false, false},
    {ReplyEvent::MetersReceived, Notification::MetersReceived, false, true},
    {ReplyEvent::ProbeAnswered, Notification::ProbeAnswered, false, false},
    {ReplyEvent::SearchFinished, Notification::SearchFinished, true, false},
    {ReplyEvent::ProgramNameReceived, Notification::ProgramNameReceived, false, false},
    {ReplyEvent::ProgramIncomplete, Notification::ProgramIncomplete, false, false},
    {ReplyEvent::StoredProgramIncomplete, Notification::StoredProgramIncomplete, false, false},
    {ReplyEvent::ChannelsReceived, Notification::ChannelsReceived, false, false},
    {ReplyEvent::UnitSettingReceived, Notification::UnitSettingReceived, false, false},
}};

} // namespace

UnitLink::UnitLink(std::unique_ptr<IPort> port) : m_portByName(port == nullptr) {
    m_port = port ? std::move(port) : std::make_unique<SerialPort>();
}

UnitLink::~UnitLink() {
    ClosePort();
}

// ---- Port ----------------------------------------------------------------------------------

OpenPortResult UnitLink::OpenPort(const std::string& portName, ILinkListener* listener,
                                  LineEventHandler onLineEvent) {
    ClosePort();
    if (m_portByName)
        m_port = MakePortFor(portName);
    OpenPortResult result;
    if (!m_port->Open(portName, std::move(onLineEvent))) {
        result.reason = m_port->LastErrorText();
    } else if (!m_port->Setup(LineSettings{})) {
        // A port that cannot be set up for the unit's line is of no use: close it rather than
        // leave it open behind a failed connection.
        result.reason = m_port->LastErrorText();
        m_port->Close();
    } else {
        result.opened = true;
    }
    if (!result.opened) {
        // The second line says what went wrong, in the system's words where it gave any.
        const std::string detail = result.reason.empty()
                                       ? "The port " + portName + " could not be opened."
                                       : result.reason;
        const std::string text = std::string(kOpenFailedText) + "\n\n" + detail;
        if (m_messages)
            m_messages->ShowMessage(text, MessageKind::Error);
        return result;
    }
    m_listener = listener;
    m_assembler.Reset();
    return result;
}

void UnitLink::ClosePort() {
    if (m_port->IsOpen()) {
        m_port->Close();
        m_listener = nullptr;
    }
}

bool UnitLink::IsPortOpen() const {
    return m_port->IsOpen();
}

// ---- Send queue ----------------------------------------------------------------------------

void UnitLink::QueueFrame(Request frame) {
    m_queue.Append(std::move(frame));
}

void UnitLink::QueueFrames(std::vector<Request> frames) {
    for (Request& frame : frames)
        m_queue.Append(std::move(frame));
}

bool UnitLink::CompleteHead() {
    return m_queue.RemoveHead();
}

void UnitLink::ClearQueue() {
    m_queue.Clear();
    m_lengthWarned = false;
}

int UnitLink::DropBatch() {
    m_lengthWarned = false;
    return m_queue.RemoveIf([](const Request& frame) { return frame.inBatch; });
}

int UnitLink::DropWaiting() {
    const Request* head = m_queue.Head();
    const bool onLine =
        head != nullptr && !head->firstSendPending && m_queue.HeadSerial() == m_transmittedSerial;
    m_lengthWarned = false;
    return m_queue.RemoveIf([&](const Request& frame) { return !(onLine && &frame == head); });
}

bool UnitLink::HeadGotAWrongBlock() const {
    return m_rejectedSerial != 0 && m_rejectedSerial == m_queue.HeadSerial();
}

bool UnitLink::TransmitHead() {
    const Request* head = m_queue.Head();
    if (!head || !IsPortOpen())
        return false;
    m_transmittedSerial = m_queue.HeadSerial();
    m_garbled = false;
    // The unit needs the filler bytes as separate writes before the frame.
    const std::uint8_t filler = kFrameFiller;
    for (int i = 0; i < kFillerBytesPerFrame; ++i) {
        if (!m_port->Write(&filler, 1, kWriteTimeoutMs))
            return false;
    }
    return m_port->Write(head->bytes.data(), head->bytes.size(), kWriteTimeoutMs);
}

// ---- Reception -----------------------------------------------------------------------------

ReceiveOutcome UnitLink::HandleLineEvent(std::uint32_t eventAndErrorBits) {
    if ((eventAndErrorBits & kBytesReceivedEvent) == 0)
        return ReceiveOutcome::NoData;
    return ReceiveBytes();
}

ReceiveOutcome UnitLink::ReceiveBytes() {
    if (!IsPortOpen())
        return ReceiveOutcome::NoData;
    const long count = m_port->Read(m_chunk.data(), m_chunk.size(), kReadTimeoutMs);
    if (count <= 0)
        return ReceiveOutcome::NoData;
    return AcceptBytes(
        std::span<const std::uint8_t>(m_chunk.data(), static_cast<std::size_t>(count)));
}

ReceiveOutcome UnitLink::AcceptBytes(std::span<const std::uint8_t> chunk) {
    return ProcessAssembly(m_assembler.Feed(chunk, m_clock()));
}

ReceiveOutcome UnitLink::ExpireReceive() {
    const Clock::time_point now = m_clock();
    if (!m_assembler.IsStale(now))
        return ReceiveOutcome::NoData;
    // Bytes may wait unread behind a busy reader: the frame is stale only if none came.
    if (IsPortOpen()) {
        const long count = m_port->Read(m_chunk.data(), m_chunk.size(), 0);
        if (count > 0)
            return AcceptBytes(
                std::span<const std::uint8_t>(m_chunk.data(), static_cast<std::size_t>(count)));
    }
    return ProcessAssembly(m_assembler.Expire(now));
}

ReceiveOutcome UnitLink::ProcessAssembly(const AssemblyResult& assembly) {
    if (assembly.noise > 0 || assembly.dropped > 0)
        m_garbled = true;
    // The assembly holds its own copies of the frames: notification handlers may run a nested
    // event loop that receives again before these frames are finished.
    switch (assembly.step) {
    case AssemblyStep::Hunting:
        return ReceiveOutcome::Hunting;
    case AssemblyStep::Collecting:
        return ReceiveOutcome::Collecting;
    case AssemblyStep::TooLong:
        return ReceiveOutcome::TooLong;
    case AssemblyStep::BadFrame:
        return ReceiveOutcome::BadFrame;
    case AssemblyStep::TimedOut:
        return ReceiveOutcome::TimedOut;
    case AssemblyStep::Complete:
        break;
    }
    ReceiveOutcome outcome = ReceiveOutcome::Ignored;
    for (const auto& frame : assembly.frames)
        outcome = ProcessFrame(frame);
    return outcome;
}

ReceiveOutcome UnitLink::ProcessFrame(std::span<const std::uint8_t> frame) {
    const ReplyHeader header = ReadReplyHeader(frame);
    if (header.kind != kKindAck && header.kind != kKindAckAlt && header.kind != kKindDataReply)
        return ReceiveOutcome::Ignored;

    // Only the frame on the line can be answered, and only by the reply it asks for. A late or
    // repeated answer thus never completes a frame the unit has not seen yet, nor a frame
    // queued by a handler of this reply, nor a request for other data.
    const std::uint64_t answered = m_queue.HeadSerial();
    const Request* head = m_queue.Head();
    const bool answers =
        head != nullptr && answered == m_transmittedSerial && ReplyAnswers(header, head->bytes);
    auto completeHead = [&] {
        if (m_queue.HeadSerial() != answered)
            return;
        const Request* done = m_queue.Head();
        if (!done->inBatch || done->endsBatch())
            m_lengthWarned = false; // the next batch warns afresh
        m_queue.RemoveHead();
    };

    if (!answers && !IsTakenInUnrequested(header))
        return header.section >= kSectionInput && header.section <= kSectionGlobal
                   ? ReceiveOutcome::Unrequested
                   : ReceiveOutcome::Ignored;
    if (header.kind != kKindDataReply) {
        completeHead();
        return ReceiveOutcome::Acknowledged;
    }
    const std::optional<DecodedReply> reply =
        m_replies.Decode(header, ReplyPayload(frame), answers ? head : nullptr);
    if (!reply)
        return ReceiveOutcome::Ignored;
    if (reply->rejected) {
        // Nothing was taken in: the request waits on and is repeated as for a lost reply. The
        // message box may be modal while the send tick runs on under it.
        m_rejectedSerial = answered;
        if (reply->warning != nullptr)
            WarnLength(reply->warning, *head);
        return ReceiveOutcome::RejectedBlock;
    }
    // Sent notifications are handled before the request is completed.
    Announce(*reply);
    if (answers)
        completeHead();
    return ReceiveOutcome::DataDecoded;
}

void UnitLink::WarnLength(const char* text, const Request& request) {
    // A unit that sends one wrong block tends to send more: one message per batch says it.
    if (m_lengthWarned)
        return;
    m_lengthWarned = request.inBatch;
    if (m_messages != nullptr)
        m_messages->ShowMessage(text, MessageKind::Warning);
}

void UnitLink::Announce(const DecodedReply& reply) {
    const auto it = std::find_if(kAnnouncements.begin(), kAnnouncements.end(),
                                 [&](const Announcement& a) { return a.event == reply.event; });
    if (it == kAnnouncements.end())
        return;
    if (it->posted) {
        if (m_listener)
            m_listener->PostNotification(it->message, reply.parameter);
        return;
    }
    Send(it->toSearchWindow ? m_searchWindow : m_listener, it->message, reply.parameter);
}

void UnitLink::Send(ILinkListener* receiver, Notification message, int parameter) {
    if (receiver)
        receiver->SendNotification(message, parameter);
}
