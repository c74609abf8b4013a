#pragma once

#include "link/MessageSink.h"
#include "link/Port.h"
#include "link/RequestQueue.h"
#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"
#include "protocol/Request.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Notifications of the command engine, numbered like the window messages the views handle.
enum class Notification : std::uint32_t {
    ProgramReceived = 0x046E,        // the live output 7 block has been decoded; parameter 0
    StoredProgramReceived = 0x046F,  // the stored output 7 block; parameter = program slot
    GlobalsReceived = 0x0470,        // the temperature reply; parameter 0x16
    IdentificationReceived = 0x0471, // parameter 0x19
    MetersReceived = 0x0473,         // posted; parameter 0
    SearchFinished = 0x0474,         // to the search window; parameter 0
    ProbeAnswered = 0x0475,          // parameter 1 when the unit's device type matches, else 0
    ProgramNameReceived = 0x0476,    // a program name of slot 0..30; parameter = the slot
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
    NoData,       // nothing was read (port closed, no bytes waiting, or a read error)
    Hunting,      // bytes read but no 0xFF 0xB1 frame start found: the bytes are dropped
    Collecting,   // part of a frame is held; more bytes are needed
    TooLong,      // the frame's length byte announced more than 150 bytes: dropped
    BadFrame,     // wrong checksum or end byte: dropped, the head request keeps waiting
    Acknowledged, // an acknowledgement (0x51, 0x52) was taken in
    DataDecoded,  // a data reply (0x53) of a known section was decoded
    Ignored,      // a checked frame of an unknown kind or section: dropped
};

// Header fields of the last frame that passed the check.
struct ReplyHeader {
    int kind = 0;
    int slot = 0;
    int section = 0;
    int channel = 0; // channel index, or the global command code in section 3
    int parameter = 0;
    int length = 0;
};

// Result of opening the engine's port.
struct OpenPortResult {
    bool opened = false;
    std::string reason; // why it failed, shown to the operator after "Unable to open COM-port"
};

// The command engine: owns the serial port, the queue of outgoing frames, the receive state and
// the reception store into which the unit's replies are decoded. It never sleeps and never starts
// a timer: the unit controller calls its steps (transmit on the send tick, receive on each
// port notification of received bytes). Everything runs on the user-interface thread.
class UnitLink {
public:
    static constexpr int kChunkSize = 150;     // bytes taken from the port per read
    static constexpr int kFrameCapacity = 150; // longest reply frame that can be held
    static constexpr int kWriteTimeoutMs = 150;
    static constexpr int kReadTimeoutMs = 80;
    static constexpr int kFillerBytesPerFrame = 3; // 0xFF bytes written before every request
    static constexpr int kProgramSlots = 31;       // slot 0 (live) and memories 1..30
    static constexpr int kMeterCount = 12;         // inputs A..D, then outputs 1..8
    static constexpr int kMaxDeviceId = 250;
    static constexpr int kInputBlockLength = 96;
    static constexpr int kOutputBlockLength = 80;
    static constexpr int kStoredProgramMode = 0x77; // parameter byte of a stored-program block
    static constexpr std::uint32_t kBytesReceivedEvent = 0x0001;

    static constexpr const char* kOpenFailedText = "Unable to open COM-port";
    static constexpr const char* kInputLengthErrorText = "输入数据长度错误";
    static constexpr const char* kOutputLengthErrorText = "接收输出数据长度错误";

    // The engine uses the given port; without one it uses a serial port (SerialPort).
    explicit UnitLink(std::unique_ptr<IPort> port = nullptr);
    UnitLink(const UnitLink&) = delete;
    UnitLink& operator=(const UnitLink&) = delete;
    ~UnitLink();

    // Receiver of the engine's message boxes (none: messages are dropped).
    void SetMessageSink(IMessageSink* sink) { m_messages = sink; }

    // Device type 1 (4x8), 2 (3x6) or 3 (2x4); selects the decoding limits and the type a probe
    // answer must report. Other values are refused (returns false). Also sets the received
    // program's type.
    bool SetDeviceType(int type);
    int DeviceType() const { return m_deviceType; }

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
    // AcceptBytes. Processes at most one frame.
    ReceiveOutcome ReceiveBytes();
    // Hunts, assembles, checks and decodes the given bytes as if one port read had returned
    // them. At most one frame is processed; bytes after its end are dropped with it.
    ReceiveOutcome AcceptBytes(std::span<const std::uint8_t> chunk);

    // ---- Reception store -----------------------------------------------------------------
    ProgramContainer& ReceivedProgram() { return *m_received; }
    const ProgramContainer& ReceivedProgram() const { return *m_received; }
    const ProgramImage& ReceivedImage() const { return m_receivedImage; }
    // Program name of slot 0..30 as the unit reported it ("" for other slots).
    const std::string& ProgramName(int slot) const;
    int SourceByte() const { return m_sourceByte; }
    // Meter level 0..11 (inputs 0..3, outputs 4..11); 0 for other indexes.
    int MeterLevel(int index) const;
    const std::string& VersionText() const { return m_versionText; }
    const std::string& TypeCode() const { return m_typeCode; }
    // Device type reported by the latest answer to a probe (0 before the first).
    int ProbedDeviceType() const { return m_probedDeviceType; }
    const ReplyHeader& LastHeader() const { return m_header; }

    // Device-ID table, entries 1..250: an entry holds its own ID while a unit with that ID is
    // known, else 0. Every ID is known when the engine is created.
    int DeviceIdEntry(int id) const;
    void SetDeviceIdKnown(int id, bool known);
    // The known IDs in ascending order.
    std::vector<int> KnownDeviceIds() const;

    // Receiver of SearchFinished while a device-ID search runs (nullptr: none).
    void SetSearchWindow(ILinkListener* window) { m_searchWindow = window; }
    ILinkListener* SearchWindow() const { return m_searchWindow; }
    ILinkListener* Listener() const { return m_listener; }

private:
    void ResetReceiver();
    ReceiveOutcome ProcessFrame(std::span<const std::uint8_t> frame);
    // Decoders of a checked data reply, by section; the header fields are already recorded.
    void DecodeInputBlock(std::span<const std::uint8_t> payload);
    void DecodeOutputBlock(std::span<const std::uint8_t> payload);
    void DecodeGlobal(std::span<const std::uint8_t> payload);
    void DecodeProbeAnswer(std::span<const std::uint8_t> payload);
    void Send(ILinkListener* receiver, Notification message, int parameter);
    void Show(const char* text, MessageKind kind);

    std::unique_ptr<IPort> m_port;
    IMessageSink* m_messages = nullptr;
    const char* m_deferredWarning = nullptr; // a block's length warning, shown after completion
    ILinkListener* m_listener = nullptr;
    ILinkListener* m_searchWindow = nullptr;
    int m_deviceType = 1;

    RequestQueue m_queue;
    std::uint64_t m_transmittedSerial = 0; // serial of the last frame put on the line

    // Receive state.
    std::array<std::uint8_t, kChunkSize> m_chunk{};
    std::array<std::uint8_t, kFrameCapacity> m_frame{};
    int m_byteCount = 0;
    int m_expectedLength = 0;
    bool m_seenFiller = false;
    bool m_inFrame = false;
    ReplyHeader m_header;

    // Reception store.
    std::unique_ptr<ProgramContainer> m_received;
    ProgramImage m_receivedImage;
    std::array<std::string, kProgramSlots> m_programNames;
    int m_sourceByte = 0;
    std::array<int, kMeterCount> m_meters{};
    std::string m_versionText;
    std::string m_typeCode;
    int m_probedDeviceType = 0;
    std::array<std::uint8_t, kMaxDeviceId + 1> m_deviceIds{}; // index 0 unused
};
