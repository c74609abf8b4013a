#pragma once

#include "link/MessageSink.h"
#include "link/Port.h"
#include "link/RequestQueue.h"
#include "protocol/FrameAssembler.h"
#include "protocol/ReplyDecoder.h"
#include "protocol/Request.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Notifications of the command engine, numbered like the window messages the views handle.
enum class Notification : std::uint32_t {
    ProgramReceived = 0x046E,         // the live output 7 block has been decoded; parameter 0
    StoredProgramReceived = 0x046F,   // the stored output 7 block; parameter = program slot
    GlobalsReceived = 0x0470,         // the temperature reply; parameter 0x16
    IdentificationReceived = 0x0471,  // parameter 0x19
    MetersReceived = 0x0473,          // posted; parameter 0
    SearchFinished = 0x0474,          // to the search window; parameter 0
    ProbeAnswered = 0x0475,           // parameter 1 when the unit's device type matches, else 0
    ProgramNameReceived = 0x0476,     // a program name of slot 0..30; parameter = the slot
    ProgramIncomplete = 0x0477,       // the live program read lacks blocks; parameter = its slot
    StoredProgramIncomplete = 0x0478, // a stored program lacks blocks; parameter = its slot
    ChannelsReceived = 0x0479,        // some live blocks asked for, all in; parameter = the blocks
    UnitSettingReceived = 0x047A,     // a unit setting read; parameter = its global code
};

// Receiver of the engine's notifications (the main view, or the device-ID search). Both calls
// come on the user-interface thread.
class ILinkListener {
public:
    virtual ~ILinkListener() = default;
    // A "sent" notification: handled before the engine goes on decoding. The handler may use the
    // engine (clear the queue, close the port, queue frames).
    virtual void SendNotification(Notification message, int parameter) = 0;
    // A "posted" notification (MetersReceived): must be queued and handled after the current
    // receive step has returned, not inside this call.
    virtual void PostNotification(Notification message, int parameter) = 0;
};

// What one receive step did with the bytes it read.
enum class ReceiveOutcome {
    NoData,        // nothing was read (port closed, no bytes waiting, or a read error)
    Hunting,       // bytes read but no 0xFF 0xB1 frame start found: the bytes are dropped
    Collecting,    // part of a frame is held; more bytes are needed
    TooLong,       // the frame's length byte announced more than 150 bytes: dropped
    BadFrame,      // wrong checksum or end byte: dropped, the head request keeps waiting
    TimedOut,      // a frame in progress got no byte for 50 ms: dropped, its bytes searched again
    Acknowledged,  // the acknowledgement the head request asked for
    DataDecoded,   // the data reply the head request asked for, or one taken in unrequested
    Ignored,       // a checked frame of an unknown kind or section: dropped
    Unrequested,   // a reply that answers no request on the line: dropped (meters, probe answers
                   // and the identification are still taken in, as DataDecoded)
    RejectedBlock, // the channel block asked for, but of the wrong length: dropped, the request
                   // waits on and is repeated as for a lost reply
};

// Result of opening the engine's port.
struct OpenPortResult {
    bool opened = false;
    std::string reason; // why it failed, shown to the operator after "Unable to open COM-port"
};

// The command engine: owns the serial port and the queue of outgoing frames, transmits the head
// frame, and feeds the received bytes through the frame assembler and the reply decoder (which
// keeps the reception store), completing requests and sending the notifications. It never sleeps
// and never starts a timer: the unit controller calls its steps (transmit on the send tick,
// receive on each port notification of received bytes). Everything runs on the user-interface
// thread.
class UnitLink {
public:
    static constexpr int kChunkSize = 150; // bytes taken from the port per read
    static constexpr int kWriteTimeoutMs = 150;
    static constexpr int kReadTimeoutMs = 80;
    static constexpr int kFillerBytesPerFrame = 3; // 0xFF bytes written before every request
    static constexpr std::uint32_t kBytesReceivedEvent = 0x0001;

    static constexpr const char* kOpenFailedText = "Unable to open COM-port";

    using Clock = FrameAssembler::Clock;

    // The engine uses the given port; without one, each OpenPort uses the port its name asks
    // for (MakePortFor: a serial port, or a network port for rfc2217:// and tcp:// names).
    explicit UnitLink(std::unique_ptr<IPort> port = nullptr);
    UnitLink(const UnitLink&) = delete;
    UnitLink& operator=(const UnitLink&) = delete;
    ~UnitLink();

    // Receiver of the engine's message boxes (none: messages are dropped).
    void SetMessageSink(IMessageSink* sink) { m_messages = sink; }
    // The time received bytes are stamped with (steady clock unless set; tests set their own).
    void SetClock(std::function<Clock::time_point()> clock) { m_clock = std::move(clock); }

    // Device type 1 (4x8), 2 (3x6) or 3 (2x4) of the reply decoder: selects the decoding limits
    // and the type a probe answer must report. Other values are refused (returns false).
    bool SetDeviceType(int type) { return m_replies.SetDeviceType(type); }
    int DeviceType() const { return m_replies.DeviceType(); }

    // ---- Port ----------------------------------------------------------------------------
    // Closes an open port first, opens the named one, sets it up for 9600 8N1 without flow
    // control and all line events, and resets the receive state. `listener` receives the
    // engine's notifications from now on; `onLineEvent` receives the port's line events on the
    // listener thread (it must hand them to the user-interface thread, which then calls
    // ReceiveBytes for events with bit 0x0001). On failure the port is left closed and the
    // message "Unable to open COM-port" is shown, followed by the reason (or, when the port gave
    // none, a line saying that the named port could not be opened).
    OpenPortResult OpenPort(const std::string& portName, ILinkListener* listener,
                            LineEventHandler onLineEvent);
    // Closes the port when it is open and forgets the notification receiver.
    void ClosePort();
    bool IsPortOpen() const;
    // The port's reason for its last failure or for the loss of its line ("" when it gave none).
    std::string PortErrorText() const { return m_port->LastErrorText(); }

    // ---- Send queue ----------------------------------------------------------------------
    void QueueFrame(Request frame);
    void QueueFrames(std::vector<Request> frames);
    int QueueCount() const { return m_queue.Count(); }
    // The head frame, or nullptr when the queue is empty.
    Request* HeadFrame() { return m_queue.Head(); }
    const Request* HeadFrame() const { return m_queue.Head(); }
    const RequestQueue& Queue() const { return m_queue; }
    // Destroys the head frame; false when the queue is empty.
    bool CompleteHead();
    void ClearQueue();
    // Removes every queued frame of a batch transfer (the head too) and returns how many: the
    // transfer cannot come to a good end any more.
    int DropBatch();
    // Removes every queued frame that has not been put on the line, keeping a head that has, so
    // its answer still completes it. Returns how many were removed.
    int DropWaiting();
    // True when the head frame has been answered with a channel block of the wrong length (and
    // not yet with the right one).
    bool HeadGotAWrongBlock() const;
    // Writes three single 0xFF bytes, then the head frame in one write, each write bounded by
    // 150 ms. Returns false when the queue is empty, the port is closed or a write failed. The
    // caller clears the frame's first-send-pending flag and counts its ticks. A reply completes
    // the head only when the head is the frame last transmitted: an answer cannot belong to a
    // frame the unit has not been sent yet.
    bool TransmitHead();

    // ---- Reception -----------------------------------------------------------------------
    // The view's handler of a port notification: runs a receive step when the event bits (low
    // 16 bits) contain 0x0001 (bytes received); other events are ignored.
    ReceiveOutcome HandleLineEvent(std::uint32_t eventAndErrorBits);
    // One receive step: reads up to 150 bytes from the port (80 ms bound) and feeds them to
    // AcceptBytes.
    ReceiveOutcome ReceiveBytes();
    // Hunts, assembles, checks and decodes the given bytes as if one port read had returned
    // them now. Every frame found is processed in order; the outcome is that of the last one
    // (or of the assembly when none was found).
    ReceiveOutcome AcceptBytes(std::span<const std::uint8_t> chunk);
    // Drops a frame in progress that has received no byte for 50 ms and processes any reply
    // caught inside it (the send tick calls this). NoData when nothing was held too long.
    ReceiveOutcome ExpireReceive();
    // True when bytes that made no valid frame have come since the head was last transmitted:
    // noise, a frame that failed its check or was dropped, or the start of a frame still held.
    // Something answered then, but the answer was lost on the line.
    bool HeardGarbledBytes() const { return m_garbled || m_assembler.InFrame(); }

    // The reply decoder with the reception store: the received program and image, program names,
    // source byte, meters, identification and the device-ID table.
    ReplyDecoder& Replies() { return m_replies; }
    const ReplyDecoder& Replies() const { return m_replies; }

    // Receiver of SearchFinished while a device-ID search runs (nullptr: none).
    void SetSearchWindow(ILinkListener* window) { m_searchWindow = window; }
    ILinkListener* SearchWindow() const { return m_searchWindow; }
    ILinkListener* Listener() const { return m_listener; }

private:
    ReceiveOutcome ProcessAssembly(const AssemblyResult& assembly);
    ReceiveOutcome ProcessFrame(std::span<const std::uint8_t> frame);
    // Shows a block length warning, once per batch transfer.
    void WarnLength(const char* text, const Request& request);
    void Announce(const DecodedReply& reply);
    void Send(ILinkListener* receiver, Notification message, int parameter);

    bool m_portByName; // no port was given: OpenPort picks one by the port name
    std::unique_ptr<IPort> m_port;
    IMessageSink* m_messages = nullptr;
    ILinkListener* m_listener = nullptr;
    ILinkListener* m_searchWindow = nullptr;

    RequestQueue m_queue;
    std::uint64_t m_transmittedSerial = 0; // serial of the last frame put on the line
    std::uint64_t m_rejectedSerial = 0;    // serial of the last frame answered by a wrong block
    bool m_lengthWarned = false;           // a length warning was shown in the current batch
    bool m_garbled = false;                // see HeardGarbledBytes

    std::array<std::uint8_t, kChunkSize> m_chunk{};
    FrameAssembler m_assembler;
    std::function<Clock::time_point()> m_clock = [] { return Clock::now(); };
    ReplyDecoder m_replies;
};
