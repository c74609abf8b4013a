#include "link/UnitLink.h"

#include "link/SerialPort.h"
#include "model/ValueLimits.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t kHeaderLength = kOffsetPayload; // start byte to length byte

constexpr std::size_t kNameWidth = 8;

int Flag(int value) {
    return value != 0 ? 1 : 0;
}

// Byte i of the payload, 0 when the payload is shorter: a reply shorter than its layout never
// makes the decoder read past the frame.
int Byte(std::span<const std::uint8_t> p, std::size_t i) {
    return i < p.size() ? p[i] : 0;
}
int Word(std::span<const std::uint8_t> p, std::size_t i) {
    return Byte(p, i) | (Byte(p, i + 1) << 8);
}

// The bytes [offset, offset + width) that the payload holds, each byte below 0x20 or above 0x7F
// replaced by a space.
std::string PrintableField(std::span<const std::uint8_t> p, std::size_t offset, std::size_t width) {
    std::string text;
    for (std::size_t i = offset; i < offset + width && i < p.size(); ++i) {
        const std::uint8_t b = p[i];
        text.push_back(b < 0x20 || b > 0x7F ? ' ' : static_cast<char>(b));
    }
    return text;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string Trim(std::string text) {
    text = TrimRight(std::move(text));
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

// The raw bytes [offset, offset + width) that the payload holds.
std::string RawField(std::span<const std::uint8_t> p, std::size_t offset, std::size_t width) {
    std::string text;
    for (std::size_t i = offset; i < offset + width && i < p.size(); ++i)
        text.push_back(static_cast<char>(p[i]));
    return text;
}

// Values of one channel block after the range limiting, before they go into a record or image.
struct DecodedBand {
    int frequency = 0;
    int gainIndex = 0;
    int bandwidthIndex = 0;
    int slope = 0;
    int type = 0;
};

struct DecodedCrossover {
    int frequency = 0;
    int kind = 0;
    int slope = 0;
};

// What input and output blocks share.
template <std::size_t BandCount> struct DecodedChannel {
    std::array<DecodedBand, BandCount> bands;
    int on = 0;
    int polarity = 0;
    int gain = 0;
    int delay = 0;
    DecodedCrossover highPass;
    DecodedCrossover lowPass;
    std::string name;
};

struct DecodedInput : DecodedChannel<InputChannel::kBandCount> {
    int reservedA = 0;
    int reservedB = 0;
    int gateThreshold = 0;
    int gateOff = 0;
};

struct DecodedOutput : DecodedChannel<OutputChannel::kBandCount> {
    int mix = 0;
    int threshold = 0;
    int attack = 0;
    int release = 0;
    int clipLimit = 0;
    int ratio = 0;
    int dynamicsType = 0;
    int dynamicsMode = 0;
};

// Payload offsets of the shared fields: the bands start the block; polarity, gain and delay
// follow on; the low-pass item follows the high-pass item.
struct BlockLayout {
    std::size_t on;
    std::size_t highPass;
    std::size_t name;
};
constexpr BlockLayout kInputLayout{64, 72, 88};
constexpr BlockLayout kOutputLayout{48, 56, 72};
constexpr std::size_t kBandBytes = 8;
constexpr std::size_t kCrossoverBytes = 4;

DecodedBand DecodeBand(std::span<const std::uint8_t> p, std::size_t offset,
                       const ModelRanges& ranges) {
    DecodedBand band;
    band.frequency = kFrequencyRange.Clamp(Word(p, offset));
    band.gainIndex = kBandGainRange.Clamp(Word(p, offset + 2) - kEqGainZeroIndex);
    band.bandwidthIndex = ranges.bandwidth.Clamp(Word(p, offset + 4) / ranges.bandwidthDivisor);
    band.slope = kShelfSlopeRange.Clamp(Byte(p, offset + 6));
    band.type = kBandTypeRange.Clamp(Byte(p, offset + 7));
    return band;
}

DecodedCrossover DecodeCrossover(std::span<const std::uint8_t> p, std::size_t offset) {
    DecodedCrossover item;
    item.frequency = kFrequencyRange.Clamp(Word(p, offset));
    item.kind = kCrossoverKindRange.Clamp(Byte(p, offset + 2));
    item.slope = kCrossoverSlopeRange.Clamp(Byte(p, offset + 3));
    return item;
}

// Channel name: 8 bytes, non-printable bytes as spaces, trailing spaces removed.
std::string DecodeName(std::span<const std::uint8_t> p, std::size_t offset) {
    return TrimRight(PrintableField(p, offset, kNameWidth));
}

template <std::size_t BandCount>
void DecodeChannel(std::span<const std::uint8_t> p, const BlockLayout& layout,
                   const ModelRanges& ranges, ValueRange gainRange,
                   DecodedChannel<BandCount>& channel) {
    for (std::size_t b = 0; b < BandCount; ++b)
        channel.bands[b] = DecodeBand(p, b * kBandBytes, ranges);
    channel.on = Flag(Byte(p, layout.on));
    channel.polarity = Flag(Byte(p, layout.on + 1));
    channel.gain = gainRange.Clamp(Word(p, layout.on + 2) - ranges.gainCodeOffset);
    channel.delay = ranges.delay.Clamp(Word(p, layout.on + 4));
    channel.highPass = DecodeCrossover(p, layout.highPass);
    channel.lowPass = DecodeCrossover(p, layout.highPass + kCrossoverBytes);
    channel.name = DecodeName(p, layout.name);
}

DecodedInput DecodeInput(std::span<const std::uint8_t> p, int deviceType) {
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    DecodedInput in;
    DecodeChannel(p, kInputLayout, ranges, ranges.inputGain, in);
    in.reservedA = Flag(Byte(p, 70));
    in.reservedB = Byte(p, 71);
    in.gateThreshold = Byte(p, 80);
    // A disabled gate is a flag; limiting keeps the record's two states.
    in.gateOff = kFlagRange.Clamp(Byte(p, 81));
    return in;
}

DecodedOutput DecodeOutput(std::span<const std::uint8_t> p, int deviceType) {
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    DecodedOutput out;
    DecodeChannel(p, kOutputLayout, ranges, ranges.outputGain, out);
    out.mix = Byte(p, 54);
    out.threshold = kLimiterThresholdRange.Clamp(Word(p, 64));
    out.attack = kAttackRange.Clamp(Byte(p, 66));
    out.release = kReleaseRange.Clamp(Byte(p, 67));
    out.clipLimit = Byte(p, 68);
    // Ratio, type and mode index text tables; limiting keeps every index inside them.
    out.ratio = kRatioRange.Clamp(Byte(p, 69));
    out.dynamicsType = kDynamicsTypeRange.Clamp(Byte(p, 70));
    out.dynamicsMode = kDynamicsModeRange.Clamp(Byte(p, 71));
    return out;
}

// ---- into the received program's records, through their setters -------------------------

void ApplyBand(Filter& filter, const DecodedBand& band) {
    filter.setType(band.type);
    filter.setFrequency(band.frequency);
    filter.setGainIndex(band.gainIndex);
    filter.setBandwidthIndex(band.bandwidthIndex);
    filter.setSlope(band.slope);
}

void ApplyCrossover(Filter& filter, const DecodedCrossover& item) {
    filter.setFrequency(item.frequency);
    filter.setKind(item.kind);
    filter.setSlope(item.slope);
}

// The fields inputs and outputs share, through the record's setters (each raises its flag).
template <std::size_t BandCount>
void ApplyChannel(Channel& record, const DecodedChannel<BandCount>& channel) {
    for (std::size_t b = 0; b < BandCount; ++b)
        ApplyBand(record.filter(static_cast<int>(b)), channel.bands[b]);
    record.setOn(channel.on);
    record.setPolarity(channel.polarity);
    record.setGain(channel.gain);
    record.setDelay(channel.delay);
    ApplyCrossover(record.highPass(), channel.highPass);
    ApplyCrossover(record.lowPass(), channel.lowPass);
    record.setName(channel.name);
}

void ApplyInput(InputChannel& record, const DecodedInput& in) {
    ApplyChannel(record, in);
    record.setReservedA(in.reservedA);
    record.setReservedB(in.reservedB);
    record.setGateThreshold(in.gateThreshold);
    record.setGateOff(in.gateOff);
}

void ApplyOutput(OutputChannel& record, const DecodedOutput& out) {
    ApplyChannel(record, out);
    record.setMix(out.mix);
    record.setThreshold(out.threshold);
    record.setAttack(out.attack);
    record.setRelease(out.release);
    record.setClipLimit(out.clipLimit);
    record.setRatio(out.ratio);
    record.setDynamicsType(out.dynamicsType);
    record.setDynamicsMode(out.dynamicsMode);
}

// ---- into a stored-program image ---------------------------------------------------------

// Image fields are 16-bit signed; a delay above 32767 keeps its two wire bytes.
std::int16_t Int16(int value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

BandImage ToImage(const DecodedBand& band) {
    BandImage image;
    image.frequency = Int16(band.frequency);
    image.gain = Int16(band.gainIndex);
    image.bandwidth = Int16(band.bandwidthIndex);
    image.slope = static_cast<std::uint8_t>(band.slope);
    image.type = static_cast<std::uint8_t>(band.type);
    return image;
}

template <std::size_t BandCount, typename Image>
void FillChannelImage(const DecodedChannel<BandCount>& channel, Image& image) {
    for (std::size_t b = 0; b < BandCount; ++b)
        image.bands[b] = ToImage(channel.bands[b]);
    image.on = static_cast<std::uint8_t>(channel.on);
    image.polarity = static_cast<std::uint8_t>(channel.polarity);
    image.delay = Int16(channel.delay);
    image.gain = Int16(channel.gain);
    image.highPassFrequency = Int16(channel.highPass.frequency);
    image.highPassKind = static_cast<std::uint8_t>(channel.highPass.kind);
    image.highPassSlope = static_cast<std::uint8_t>(channel.highPass.slope);
    image.lowPassFrequency = Int16(channel.lowPass.frequency);
    image.lowPassKind = static_cast<std::uint8_t>(channel.lowPass.kind);
    image.lowPassSlope = static_cast<std::uint8_t>(channel.lowPass.slope);
    image.name = channel.name;
}

InputImage ToImage(const DecodedInput& in) {
    InputImage image;
    FillChannelImage(in, image);
    image.reservedA = static_cast<std::uint8_t>(in.reservedA);
    image.reservedB = static_cast<std::uint8_t>(in.reservedB);
    image.gateThreshold = static_cast<std::uint8_t>(in.gateThreshold);
    image.gateOff = static_cast<std::uint8_t>(in.gateOff);
    return image;
}

OutputImage ToImage(const DecodedOutput& out) {
    OutputImage image;
    FillChannelImage(out, image);
    image.mix = static_cast<std::uint8_t>(out.mix);
    image.threshold = Int16(out.threshold);
    image.attack = static_cast<std::uint8_t>(out.attack);
    image.release = static_cast<std::uint8_t>(out.release);
    image.clipLimit = static_cast<std::uint8_t>(out.clipLimit);
    image.ratio = static_cast<std::uint8_t>(out.ratio);
    image.dynamicsType = static_cast<std::uint8_t>(out.dynamicsType);
    image.dynamicsMode = static_cast<std::uint8_t>(out.dynamicsMode);
    return image;
}

// Meter codes: 0..9 are lit segments, 17..25 are 16 + segments with the top segment lit; the
// codes between and above are brought to the nearest meaningful one.
int LimitMeter(int code) {
    if (code >= 10 && code <= 16)
        return 9;
    return std::min(code, 25);
}

} // namespace

UnitLink::UnitLink(std::unique_ptr<IPort> port)
    : m_port(port ? std::move(port) : std::make_unique<SerialPort>()),
      m_received(std::make_unique<ProgramContainer>()) {
    for (int id = 1; id <= kMaxDeviceId; ++id)
        m_deviceIds[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(id);
}

UnitLink::~UnitLink() {
    ClosePort();
}

bool UnitLink::SetDeviceType(int type) {
    if (type < 1 || type > 3)
        return false;
    m_deviceType = type;
    m_received->setDeviceType(type);
    return true;
}

// ---- Port ----------------------------------------------------------------------------------

OpenPortResult UnitLink::OpenPort(const std::string& portName, ILinkListener* listener,
                                  LineEventHandler onLineEvent) {
    ClosePort();
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
    ResetReceiver();
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
}

bool UnitLink::TransmitHead() {
    const Request* head = m_queue.Head();
    if (!head || !IsPortOpen())
        return false;
    m_transmittedSerial = m_queue.HeadSerial();
    // The unit needs the filler bytes as separate writes before the frame.
    const std::uint8_t filler = kFrameFiller;
    for (int i = 0; i < kFillerBytesPerFrame; ++i) {
        if (!m_port->Write(&filler, 1, kWriteTimeoutMs))
            return false;
    }
    return m_port->Write(head->bytes.data(), head->bytes.size(), kWriteTimeoutMs);
}

// ---- Reception -----------------------------------------------------------------------------

void UnitLink::ResetReceiver() {
    m_byteCount = 0;
    m_expectedLength = 0;
    m_seenFiller = false;
    m_inFrame = false;
}

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
    std::size_t pos = 0;
    if (!m_inFrame) {
        // Hunt for 0xFF followed by 0xB1; any run of 0xFF may come before the start byte.
        for (; pos < chunk.size() && !m_inFrame; ++pos) {
            const std::uint8_t b = chunk[pos];
            if (m_seenFiller && b == kFrameStart) {
                m_inFrame = true;
                break;
            }
            m_seenFiller = (b == kFrameFiller);
        }
        if (!m_inFrame)
            return ReceiveOutcome::Hunting;
    }
    for (; pos < chunk.size(); ++pos) {
        m_frame[static_cast<std::size_t>(m_byteCount++)] = chunk[pos];
        if (m_byteCount == static_cast<int>(kHeaderLength) + 1) {
            m_expectedLength = static_cast<int>(kFrameOverhead) + m_frame[kOffsetLength];
            if (m_expectedLength > kFrameCapacity) {
                ResetReceiver();
                return ReceiveOutcome::TooLong;
            }
        }
        if (m_byteCount > static_cast<int>(kHeaderLength) && m_byteCount == m_expectedLength) {
            // Copy the frame out: notification handlers may run a nested event loop that
            // receives again before this frame is finished.
            std::array<std::uint8_t, kFrameCapacity> frame = m_frame;
            const auto length = static_cast<std::size_t>(m_byteCount);
            ResetReceiver();
            return ProcessFrame(std::span<const std::uint8_t>(frame.data(), length));
        }
    }
    return ReceiveOutcome::Collecting;
}

ReceiveOutcome UnitLink::ProcessFrame(std::span<const std::uint8_t> frame) {
    if (!CheckFrame(frame))
        return ReceiveOutcome::BadFrame;
    m_header.kind = frame[1];
    m_header.slot = frame[3];
    m_header.section = frame[4];
    m_header.channel = frame[5];
    m_header.parameter = frame[6];
    m_header.length = frame[8];
    const auto payload = frame.subspan(kHeaderLength, static_cast<std::size_t>(m_header.length));

    // Only the frame on the line can be answered: a reply completes the head only when the head
    // is still the frame last transmitted. A late or repeated answer thus never removes a frame
    // the unit has not seen yet, nor a frame queued by a handler of this reply.
    const std::uint64_t answered = m_queue.HeadSerial();
    auto completeHead = [&] {
        if (answered != 0 && answered == m_transmittedSerial && m_queue.HeadSerial() == answered)
            m_queue.RemoveHead();
    };

    if (m_header.kind == kKindAck || m_header.kind == kKindAckAlt) {
        completeHead();
        return ReceiveOutcome::Acknowledged;
    }
    if (m_header.kind != kKindDataReply)
        return ReceiveOutcome::Ignored;
    switch (m_header.section) {
    case kSectionInput:
        DecodeInputBlock(payload);
        break;
    case kSectionOutput:
        DecodeOutputBlock(payload);
        break;
    case kSectionGlobal:
        DecodeGlobal(payload);
        break;
    default:
        return ReceiveOutcome::Ignored;
    }
    completeHead();
    // A message box is modal while the send tick runs on under it: it opens only once the reply
    // has completed its request, so the tick neither repeats the request nor gives the line up.
    if (const char* warning = std::exchange(m_deferredWarning, nullptr))
        Show(warning, MessageKind::Warning);
    return ReceiveOutcome::DataDecoded;
}

void UnitLink::DecodeInputBlock(std::span<const std::uint8_t> payload) {
    const bool stored = m_header.parameter == kStoredProgramMode;
    if (m_header.length != kInputBlockLength) {
        m_deferredWarning = kInputLengthErrorText;
        return;
    }
    const int channel = m_header.channel;
    if (channel < 0 || channel >= ProgramImage::kInputCount)
        return;
    const DecodedInput in = DecodeInput(payload, m_deviceType);
    if (!stored) {
        ApplyInput(m_received->input(channel), in);
    } else if (m_header.slot >= 1 && m_header.slot < kProgramSlots) {
        m_receivedImage.inputs[static_cast<std::size_t>(channel)] = ToImage(in);
    }
}

void UnitLink::DecodeOutputBlock(std::span<const std::uint8_t> payload) {
    const bool stored = m_header.parameter == kStoredProgramMode;
    if (m_header.length != kOutputBlockLength) {
        if (stored)
            m_deferredWarning = kOutputLengthErrorText;
        return;
    }
    const int channel = m_header.channel;
    if (channel < 0 || channel >= ProgramImage::kOutputCount)
        return;
    const DecodedOutput out = DecodeOutput(payload, m_deviceType);
    const bool last = channel == ProgramImage::kOutputCount - 1;
    if (!stored) {
        ApplyOutput(m_received->output(channel), out);
        if (last)
            Send(m_listener, Notification::ProgramReceived, 0);
    } else if (m_header.slot >= 1 && m_header.slot < kProgramSlots) {
        // Only memories 1..30 hold stored programs; the receiver files the image under the slot.
        m_receivedImage.outputs[static_cast<std::size_t>(channel)] = ToImage(out);
        if (last)
            Send(m_listener, Notification::StoredProgramReceived, m_header.slot);
    }
}

void UnitLink::DecodeGlobal(std::span<const std::uint8_t> p) {
    if (p.empty())
        return;
    switch (m_header.channel) {
    case kGlobalProgramName: {
        if (m_header.slot >= kProgramSlots)
            return;
        std::string name = TrimRight(PrintableField(p, 0, kNameWidth));
        if (m_header.slot == 0)
            m_received->setProgramName(name);
        m_programNames[static_cast<std::size_t>(m_header.slot)] = std::move(name);
        Send(m_listener, Notification::ProgramNameReceived, m_header.slot);
        break;
    }
    case kGlobalSettings:
        m_sourceByte = kInputSourceRange.Clamp(p[0]);
        break;
    case kGlobalMeters:
        for (std::size_t i = 0; i < m_meters.size() && i < p.size(); ++i)
            m_meters[i] = LimitMeter(p[i]);
        if (m_listener)
            m_listener->PostNotification(Notification::MetersReceived, 0);
        break;
    case kGlobalUnitValue4:
        m_received->setUnitValue4(p[0]);
        break;
    case kGlobalLineSetB:
    case kGlobalLineSetA:
        for (int line = 0; line < kTextLines; ++line) {
            std::string text = Trim(
                PrintableField(p, static_cast<std::size_t>(line) * kTextLineField, kTextLineField));
            if (m_header.channel == kGlobalLineSetB)
                m_received->setLineSetB(line, text);
            else
                m_received->setLineSetA(line, text);
        }
        break;
    case kGlobalShortTag:
        m_received->setShortTag(TrimRight(PrintableField(p, 0, kShortTagField)));
        break;
    case kGlobalBacklight:
        m_received->setBacklight(kBacklightRange.Clamp(p[0]));
        break;
    case kGlobalDeviceId:
        DecodeProbeAnswer(p);
        break;
    case kGlobalTemperature:
        m_received->setTemperature(kTemperatureRange.Clamp(p[0]));
        Send(m_listener, Notification::GlobalsReceived, kGlobalTemperature);
        break;
    case kGlobalIdentification:
        // The version text is bytes 0..3 followed by bytes 8..12, the type code bytes 4..7.
        m_versionText = TrimRight(RawField(p, 0, 4) + RawField(p, 8, 5));
        m_typeCode = TrimRight(RawField(p, 4, 4));
        Send(m_listener, Notification::IdentificationReceived, kGlobalIdentification);
        break;
    default:
        break; // taken in without effect
    }
}

void UnitLink::DecodeProbeAnswer(std::span<const std::uint8_t> p) {
    const Request* head = m_queue.Head();
    if (!head || p.size() < 2)
        return;
    const int id = p[0];
    m_probedDeviceType = p[1];
    const bool typeMatches = p[1] == m_deviceType;
    if (head->connectProbe) {
        Send(m_listener, Notification::ProbeAnswered, typeMatches ? 1 : 0);
        return;
    }
    if (typeMatches && id >= 1 && id <= kMaxDeviceId)
        m_deviceIds[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(id);
    if (id == kMaxDeviceId)
        Send(m_searchWindow, Notification::SearchFinished, 0);
}

void UnitLink::Send(ILinkListener* receiver, Notification message, int parameter) {
    if (receiver)
        receiver->SendNotification(message, parameter);
}

void UnitLink::Show(const char* text, MessageKind kind) {
    if (m_messages)
        m_messages->ShowMessage(text, kind);
}

// ---- Reception store -----------------------------------------------------------------------

const std::string& UnitLink::ProgramName(int slot) const {
    static const std::string empty;
    if (slot < 0 || slot >= kProgramSlots)
        return empty;
    return m_programNames[static_cast<std::size_t>(slot)];
}

int UnitLink::MeterLevel(int index) const {
    if (index < 0 || index >= kMeterCount)
        return 0;
    return m_meters[static_cast<std::size_t>(index)];
}

int UnitLink::DeviceIdEntry(int id) const {
    if (id < 1 || id > kMaxDeviceId)
        return 0;
    return m_deviceIds[static_cast<std::size_t>(id)];
}

void UnitLink::SetDeviceIdKnown(int id, bool known) {
    if (id < 1 || id > kMaxDeviceId)
        return;
    m_deviceIds[static_cast<std::size_t>(id)] = known ? static_cast<std::uint8_t>(id) : 0;
}

std::vector<int> UnitLink::KnownDeviceIds() const {
    std::vector<int> ids;
    for (int id = 1; id <= kMaxDeviceId; ++id) {
        if (m_deviceIds[static_cast<std::size_t>(id)] != 0)
            ids.push_back(id);
    }
    return ids;
}
