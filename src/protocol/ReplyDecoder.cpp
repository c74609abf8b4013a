#include "protocol/ReplyDecoder.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "model/ChannelFields.h"
#include "model/DeviceModel.h"
#include "model/ValueLimits.h"

namespace {

constexpr std::size_t kNameWidth = 8;

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

// ---- Channel blocks ------------------------------------------------------------------------

// How a field travels in a channel block.
enum class Wire {
    Byte,
    Word,          // two bytes, little-endian
    GainCode,      // channel gain index + the model's gain code offset
    BandGainCode,  // band gain index + 300
    BandwidthCode, // bandwidth index x the model's bandwidth divisor
    Name,          // 8 bytes; non-printable bytes as spaces, trailing spaces removed
};

struct WireField {
    Field field;
    std::size_t offset; // in the band (band fields) or in the block payload
    Wire wire;
};

constexpr std::size_t kBandBytes = 8; // the bands start every block, one after another

constexpr std::array<WireField, 5> kBlockBand{{
    {Field::BandFrequency, 0, Wire::Word},
    {Field::BandGain, 2, Wire::BandGainCode},
    {Field::BandBandwidth, 4, Wire::BandwidthCode},
    {Field::BandSlope, 6, Wire::Byte},
    {Field::BandType, 7, Wire::Byte},
}};

constexpr std::array<WireField, 15> kInputBlock{{
    {Field::On, 64, Wire::Byte},
    {Field::Polarity, 65, Wire::Byte},
    {Field::Gain, 66, Wire::GainCode},
    {Field::Delay, 68, Wire::Word},
    {Field::ReservedA, 70, Wire::Byte},
    {Field::ReservedB, 71, Wire::Byte},
    {Field::HighPassFrequency, 72, Wire::Word},
    {Field::HighPassKind, 74, Wire::Byte},
    {Field::HighPassSlope, 75, Wire::Byte},
    {Field::LowPassFrequency, 76, Wire::Word},
    {Field::LowPassKind, 78, Wire::Byte},
    {Field::LowPassSlope, 79, Wire::Byte},
    {Field::GateThreshold, 80, Wire::Byte},
    {Field::GateOff, 81, Wire::Byte},
    {Field::Name, 88, Wire::Name},
}};

constexpr std::array<WireField, 19> kOutputBlock{{
    {Field::On, 48, Wire::Byte},
    {Field::Polarity, 49, Wire::Byte},
    {Field::Gain, 50, Wire::GainCode},
    {Field::Delay, 52, Wire::Word},
    {Field::Mix, 54, Wire::Byte},
    {Field::HighPassFrequency, 56, Wire::Word},
    {Field::HighPassKind, 58, Wire::Byte},
    {Field::HighPassSlope, 59, Wire::Byte},
    {Field::LowPassFrequency, 60, Wire::Word},
    {Field::LowPassKind, 62, Wire::Byte},
    {Field::LowPassSlope, 63, Wire::Byte},
    {Field::Threshold, 64, Wire::Word},
    {Field::Attack, 66, Wire::Byte},
    {Field::Release, 67, Wire::Byte},
    {Field::ClipLimit, 68, Wire::Byte},
    {Field::Ratio, 69, Wire::Byte},
    {Field::DynamicsType, 70, Wire::Byte},
    {Field::DynamicsMode, 71, Wire::Byte},
    {Field::Name, 72, Wire::Name},
}};

// The index a numeric field's wire value stands for, before limiting.
int WireValue(std::span<const std::uint8_t> p, std::size_t offset, Wire wire,
              const ModelRanges& ranges) {
    switch (wire) {
    case Wire::Byte:
        return Byte(p, offset);
    case Wire::GainCode:
        return Word(p, offset) - ranges.gainCodeOffset;
    case Wire::BandGainCode:
        return Word(p, offset) - kEqGainZeroIndex;
    case Wire::BandwidthCode:
        return Word(p, offset) / ranges.bandwidthDivisor;
    default:
        return Word(p, offset);
    }
}

// Each field of the layout, limited to its range, into the image.
template <typename Image, std::size_t N>
void DecodeFields(std::span<const std::uint8_t> p, std::size_t base,
                  const std::array<WireField, N>& layout, const ModelRanges& ranges, Image& image) {
    for (const WireField& item : layout) {
        if constexpr (requires { image.name; }) {
            if (item.wire == Wire::Name) {
                image.name = TrimRight(PrintableField(p, base + item.offset, kNameWidth));
                continue;
            }
        }
        const auto& row = FindField(FieldsOf<Image>(), item.field);
        const int value = WireValue(p, base + item.offset, item.wire, ranges);
        row.image.set(image, row.rangeFor(ranges).Clamp(value));
    }
}

// A whole channel block: its bands, then its own fields.
template <typename Image, std::size_t N>
Image DecodeBlock(std::span<const std::uint8_t> p, const std::array<WireField, N>& layout,
                  int deviceType) {
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    Image image;
    for (std::size_t b = 0; b < image.bands.size(); ++b)
        DecodeFields(p, b * kBandBytes, kBlockBand, ranges, image.bands[b]);
    DecodeFields(p, 0, layout, ranges, image);
    return image;
}

// Meter codes: 0..9 are lit segments, 17..25 are 16 + segments with the top segment lit; the
// codes between and above are brought to the nearest meaningful one.
int LimitMeter(int code) {
    if (code >= 10 && code <= 16)
        return 9;
    return std::min(code, 25);
}

bool IsStoredProgramSlot(int slot) {
    return slot >= 1 && slot < kProgramSlotCount;
}

bool IsStoredMode(int parameter) {
    return parameter == ReplyDecoder::kStoredProgramMode;
}

} // namespace

bool ReplyAnswers(const ReplyHeader& reply, std::span<const std::uint8_t> request) {
    if (request.size() < kFrameOverhead)
        return false;
    const int kind = request[kOffsetKind];
    const bool acknowledged = reply.kind == kKindAck || reply.kind == kKindAckAlt;
    if (kind == kKindWrite ? !acknowledged : reply.kind != kKindDataReply)
        return false;
    if (reply.section != request[kOffsetSection] || reply.channel != request[kOffsetChannel] ||
        reply.slot != request[kOffsetSlot])
        return false;
    // A live block must not stand in for a stored one, nor the other way round.
    const bool block = reply.section == kSectionInput || reply.section == kSectionOutput;
    if (kind == kKindRead && block)
        return IsStoredMode(reply.parameter) == IsStoredMode(request[kOffsetParameter]);
    return true;
}

bool IsTakenInUnrequested(const ReplyHeader& reply) {
    if (reply.kind != kKindDataReply || reply.section != kSectionGlobal)
        return false;
    return reply.channel == kGlobalMeters || reply.channel == kGlobalDeviceId ||
           reply.channel == kGlobalIdentification;
}

ReplyHeader ReadReplyHeader(std::span<const std::uint8_t> frame) {
    ReplyHeader header;
    header.kind = frame[kOffsetKind];
    header.slot = frame[kOffsetSlot];
    header.section = frame[kOffsetSection];
    header.channel = frame[kOffsetChannel];
    header.parameter = frame[kOffsetParameter];
    header.length = frame[kOffsetLength];
    return header;
}

std::span<const std::uint8_t> ReplyPayload(std::span<const std::uint8_t> frame) {
    return frame.subspan(kOffsetPayload, frame[kOffsetLength]);
}

ReplyDecoder::ReplyDecoder() {
    for (int id = kFirstDeviceId; id <= kLastDeviceId; ++id)
        deviceIds_[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(id);
}

bool ReplyDecoder::SetDeviceType(int type) {
    if (type < 1 || type > 3)
        return false;
    deviceType_ = type;
    received_.setDeviceType(type);
    return true;
}

std::optional<DecodedReply> ReplyDecoder::Decode(const ReplyHeader& header,
                                                 std::span<const std::uint8_t> payload,
                                                 const Request* answered) {
    switch (header.section) {
    case kSectionInput:
        return DecodeInputBlock(header, payload);
    case kSectionOutput:
        return DecodeOutputBlock(header, payload);
    case kSectionGlobal:
        return DecodeGlobal(header, payload, answered);
    default:
        return std::nullopt;
    }
}

void ReplyDecoder::ForgetReceivedBlocks(ChannelBlocks liveBlocks) {
    liveBlocks &= kAllChannelBlocks;
    liveBlocks_ = {.expected = liveBlocks != 0 ? liveBlocks : kAllChannelBlocks};
    storedBlocks_ = {};
}

void ReplyDecoder::CountBlock(BlockCollection& blocks, int slot, ChannelBlocks block) {
    if (blocks.slot != slot) {
        blocks.slot = slot;
        blocks.received = 0;
    }
    blocks.received |= block;
}

bool ReplyDecoder::EndsCollection(const BlockCollection& blocks, ChannelBlocks block) {
    // Blocks are read in the order of their bits.
    return block == std::bit_floor(blocks.expected);
}

bool ReplyDecoder::TakeWhole(BlockCollection& blocks) {
    missingBlocks_ = blocks.expected & ~blocks.received;
    blocks = {};
    return missingBlocks_ == 0;
}

DecodedReply ReplyDecoder::AfterLiveBlock(int slot, ChannelBlocks block) {
    CountBlock(liveBlocks_, slot, block);
    if (!EndsCollection(liveBlocks_, block))
        return {};
    const ChannelBlocks asked = liveBlocks_.expected;
    if (!TakeWhole(liveBlocks_))
        return {.event = ReplyEvent::ProgramIncomplete, .parameter = slot};
    if (asked == kAllChannelBlocks)
        return {.event = ReplyEvent::ProgramReceived, .parameter = 0};
    return {.event = ReplyEvent::ChannelsReceived, .parameter = static_cast<int>(asked)};
}

DecodedReply ReplyDecoder::DecodeInputBlock(const ReplyHeader& header,
                                            std::span<const std::uint8_t> p) {
    const bool stored = IsStoredMode(header.parameter);
    if (header.length != kInputBlockLength)
        return {.warning = kInputLengthErrorText, .rejected = true};
    const int channel = header.channel;
    if (channel < 0 || channel >= ProgramImage::kInputCount)
        return {};
    const InputImage in = DecodeBlock<InputImage>(p, kInputBlock, deviceType_);
    if (!stored) {
        ApplyChannelImage(received_.input(channel), in);
        return AfterLiveBlock(header.slot, InputBlockBit(channel));
    }
    if (IsStoredProgramSlot(header.slot)) {
        // The image holds one program: a block of another slot starts it afresh, so no block of
        // the previous slot can end up in this one.
        if (storedBlocks_.slot != header.slot)
            receivedImage_ = ProgramImage{};
        CountBlock(storedBlocks_, header.slot, InputBlockBit(channel));
        receivedImage_.inputs[static_cast<std::size_t>(channel)] = in;
    }
    return {};
}

DecodedReply ReplyDecoder::DecodeOutputBlock(const ReplyHeader& header,
                                             std::span<const std::uint8_t> p) {
    const bool stored = IsStoredMode(header.parameter);
    if (header.length != kOutputBlockLength)
        return {.warning = kOutputLengthErrorText, .rejected = true};
    const int channel = header.channel;
    if (channel < 0 || channel >= ProgramImage::kOutputCount)
        return {};
    const OutputImage out = DecodeBlock<OutputImage>(p, kOutputBlock, deviceType_);
    if (!stored) {
        ApplyChannelImage(received_.output(channel), out);
        return AfterLiveBlock(header.slot, OutputBlockBit(channel));
    }
    if (IsStoredProgramSlot(header.slot)) {
        // Only memories 1..30 hold stored programs; the receiver files the image under the slot.
        if (storedBlocks_.slot != header.slot)
            receivedImage_ = ProgramImage{};
        CountBlock(storedBlocks_, header.slot, OutputBlockBit(channel));
        receivedImage_.outputs[static_cast<std::size_t>(channel)] = out;
        if (EndsCollection(storedBlocks_, OutputBlockBit(channel))) {
            if (TakeWhole(storedBlocks_))
                return {.event = ReplyEvent::StoredProgramReceived, .parameter = header.slot};
            return {.event = ReplyEvent::StoredProgramIncomplete, .parameter = header.slot};
        }
    }
    return {};
}

DecodedReply ReplyDecoder::DecodeGlobal(const ReplyHeader& header, std::span<const std::uint8_t> p,
                                        const Request* head) {
    if (p.empty())
        return {};
    switch (header.channel) {
    case kGlobalProgramName: {
        if (header.slot >= kProgramSlotCount)
            return {};
        std::string name = TrimRight(PrintableField(p, 0, kNameWidth));
        if (header.slot == 0)
            received_.setProgramName(name);
        programNames_[static_cast<std::size_t>(header.slot)] = std::move(name);
        return {.event = ReplyEvent::ProgramNameReceived, .parameter = header.slot};
    }
    case kGlobalSettings:
        sourceByte_ = kInputSourceRange.Clamp(p[0]);
        return {.event = ReplyEvent::UnitSettingReceived, .parameter = kGlobalSettings};
    case kGlobalMeters:
        for (std::size_t i = 0; i < meters_.size() && i < p.size(); ++i)
            meters_[i] = LimitMeter(p[i]);
        return {.event = ReplyEvent::MetersReceived, .parameter = 0};
    case kGlobalUnitValue4:
        received_.setUnitValue4(p[0]);
        return {};
    case kGlobalLineSetB:
    case kGlobalLineSetA:
        for (int line = 0; line < kTextLines; ++line) {
            std::string text = Trim(
                PrintableField(p, static_cast<std::size_t>(line) * kTextLineField, kTextLineField));
            if (header.channel == kGlobalLineSetB)
                received_.setLineSetB(line, text);
            else
                received_.setLineSetA(line, text);
        }
        if (header.channel == kGlobalLineSetB)
            return {.event = ReplyEvent::UnitSettingReceived, .parameter = kGlobalLineSetB};
        return {};
    case kGlobalShortTag:
        received_.setShortTag(TrimRight(PrintableField(p, 0, kShortTagField)));
        return {};
    case kGlobalBacklight:
        received_.setBacklight(kBacklightRange.Clamp(p[0]));
        return {.event = ReplyEvent::UnitSettingReceived, .parameter = kGlobalBacklight};
    case kGlobalDeviceId:
        return DecodeProbeAnswer(p, head);
    case kGlobalTemperature:
        received_.setTemperature(kTemperatureRange.Clamp(p[0]));
        return {.event = ReplyEvent::GlobalsReceived, .parameter = kGlobalTemperature};
    case kGlobalIdentification:
        // The version text is bytes 0..3 followed by bytes 8..12, the type code bytes 4..7.
        versionText_ = TrimRight(RawField(p, 0, 4) + RawField(p, 8, 5));
        typeCode_ = TrimRight(RawField(p, 4, 4));
        return {.event = ReplyEvent::IdentificationReceived, .parameter = kGlobalIdentification};
    default:
        return {}; // taken in without effect
    }
}

DecodedReply ReplyDecoder::DecodeProbeAnswer(std::span<const std::uint8_t> p, const Request* head) {
    if (p.size() < 2)
        return {};
    const int id = p[0];
    const bool typeMatches = p[1] == deviceType_;
    if (!head) {
        // An answer to no probe on the line (a late one): it still tells which unit is there.
        if (typeMatches && IsDeviceId(id))
            deviceIds_[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(id);
        return {};
    }
    probedDeviceType_ = p[1];
    if (head->connectProbe)
        return {.event = ReplyEvent::ProbeAnswered, .parameter = typeMatches ? 1 : 0};
    if (typeMatches && IsDeviceId(id))
        deviceIds_[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(id);
    if (id == kLastDeviceId)
        return {.event = ReplyEvent::SearchFinished, .parameter = 0};
    return {};
}

const std::string& ReplyDecoder::ProgramName(int slot) const {
    static const std::string empty;
    if (slot < 0 || slot >= kProgramSlotCount)
        return empty;
    return programNames_[static_cast<std::size_t>(slot)];
}

int ReplyDecoder::MeterLevel(int index) const {
    if (index < 0 || index >= kMeterCount)
        return 0;
    return meters_[static_cast<std::size_t>(index)];
}

int ReplyDecoder::DeviceIdEntry(int id) const {
    if (!IsDeviceId(id))
        return 0;
    return deviceIds_[static_cast<std::size_t>(id)];
}

void ReplyDecoder::SetDeviceIdKnown(int id, bool known) {
    if (!IsDeviceId(id))
        return;
    deviceIds_[static_cast<std::size_t>(id)] = known ? static_cast<std::uint8_t>(id) : 0;
}

std::vector<int> ReplyDecoder::KnownDeviceIds() const {
    std::vector<int> ids;
    for (int id = kFirstDeviceId; id <= kLastDeviceId; ++id) {
        if (deviceIds_[static_cast<std::size_t>(id)] != 0)
            ids.push_back(id);
    }
    return ids;
}
