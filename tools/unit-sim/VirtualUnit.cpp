#include "VirtualUnit.h"

#include "protocol/Frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr std::uint8_t kAckChannel = kKindAck;   // acknowledges writes to channel settings
constexpr std::uint8_t kAckGlobal = kKindAckAlt; // acknowledges writes to unit-wide settings
constexpr int kChannelFrameLength = 8;

// Global command codes.
constexpr int kProgramName = 0x00;
constexpr int kSource = 0x01;
constexpr int kMeters = 0x02;
constexpr int kUnitValue4 = 0x04;
constexpr int kLineSetB = 0x10;
constexpr int kLineSetA = 0x11;
constexpr int kShortTag = 0x12;
constexpr int kBacklight = 0x14;
constexpr int kDeviceId = 0x15;
constexpr int kTemperature = 0x16;
constexpr int kIdentification = 0x19;

void Put16(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

unsigned Get16(const std::uint8_t* at) {
    return at[0] | (at[1] << 8);
}

// Band layout: frequency, gain code, bandwidth code, slope, type. Gain code 600 is 0 dB.
void PutFlatBand(std::uint8_t* at) {
    Put16(at, 10);
    Put16(at + 2, 600);
    Put16(at + 4, 0);
    at[6] = 0;
    at[7] = 0;
}

// Crossover item in a block: frequency, kind (2 = BTWorth), slope (0 = 12 dB/oct).
void PutCrossover(std::uint8_t* at, unsigned frequency) {
    Put16(at, frequency);
    at[2] = 2;
    at[3] = 0;
}

void PutName(std::uint8_t* at, std::string_view name) {
    std::fill(at, at + 8, 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 8), at);
}

// One run of payload bytes copied into a channel block by a single-parameter write.
struct Patch {
    int parameter;
    int from;  // payload offset
    int to;    // block offset
    int count; // bytes
};

// Input channel parameters (section 1). Parameter 9, the crossover item, is placed by its type
// byte and handled apart. The level frame's bytes 6-7 are always zero and are not stored.
constexpr Patch kInputPatches[] = {
    {0, 0, 0, 8},  {1, 0, 8, 8},  {2, 0, 16, 8}, {3, 0, 24, 8},  {4, 0, 32, 8},  {5, 0, 40, 8},
    {6, 0, 48, 8}, {7, 0, 56, 8}, {8, 0, 64, 6}, {10, 0, 80, 2}, {11, 0, 88, 8},
};

// Output channel parameters (section 2). The crossover and limiter frames have the same byte
// layout as their part of the output block.
constexpr Patch kOutputPatches[] = {
    {0, 0, 0, 8},  {1, 0, 8, 8},  {2, 0, 16, 8}, {3, 0, 24, 8}, {4, 0, 32, 8},
    {5, 0, 40, 8}, {6, 0, 48, 7}, {7, 0, 56, 8}, {8, 0, 64, 8}, {9, 0, 72, 8},
};

constexpr int kInputCrossoverParameter = 9;
constexpr int kInputHighPassAt = 72;
constexpr int kInputLowPassAt = 76;
constexpr std::uint8_t kHighPassType = 3;
constexpr std::uint8_t kLowPassType = 4;

// Offsets inside the blocks used by the meter simulation.
constexpr int kInputOnAt = 64;
constexpr int kInputGainAt = 66;
constexpr int kOutputOnAt = 48;
constexpr int kOutputGainAt = 50;
constexpr int kOutputMixAt = 54;
constexpr unsigned kZeroDbGainCode = 1100; // gain code = 1100 + 10 x dB on every model

} // namespace

VirtualUnit::VirtualUnit(int deviceId, int deviceType)
    : m_deviceId(deviceId), m_deviceType(deviceType) {
    for (int slot = 0; slot < kSimSlotCount; ++slot) {
        m_programs[slot] = DefaultProgram();
        const std::string name = DefaultProgramName(slot);
        std::fill(m_programs[slot].name.begin(), m_programs[slot].name.end(), ' ');
        std::copy(name.begin(), name.end(), m_programs[slot].name.begin());
    }
    m_globals.lineSetA.fill(' ');
    m_globals.lineSetB.fill(' ');
    m_globals.shortTag.fill(' ');
}

SimProgram VirtualUnit::DefaultProgram() {
    // The same settings as a new program on the PC: every channel on at 0 dB, no delay, all
    // bands at 0 dB, crossovers open (high-pass 10 Hz, low-pass 30 kHz), gate at 0 dBu,
    // limiter at +10 dBu, every output fed by input A.
    SimProgram p;
    static constexpr std::string_view kInputNames[] = {"A", "B", "C", "D"};
    for (int i = 0; i < kSimInputCount; ++i) {
        InputBlock& b = p.inputs[i];
        b.fill(0);
        for (int band = 0; band < 8; ++band)
            PutFlatBand(&b[band * 8]);
        b[64] = 1;
        Put16(&b[66], kZeroDbGainCode);
        PutCrossover(&b[72], 10);
        PutCrossover(&b[76], 30000);
        b[80] = 120;
        PutName(&b[88], kInputNames[i]);
    }
    for (int o = 0; o < kSimOutputCount; ++o) {
        OutputBlock& b = p.outputs[o];
        b.fill(0);
        for (int band = 0; band < 6; ++band)
            PutFlatBand(&b[band * 8]);
        b[48] = 1;
        Put16(&b[50], kZeroDbGainCode);
        b[54] = 1;
        PutCrossover(&b[56], 10);
        PutCrossover(&b[60], 30000);
        Put16(&b[64], 400);
        b[68] = 20;
        const char name[2] = {static_cast<char>('1' + o), 0};
        PutName(&b[72], name);
    }
    p.name.fill(' ');
    return p;
}

std::string VirtualUnit::DefaultProgramName(int slot) {
    // At most eight characters: the PC shows only the first eight of a program name.
    if (slot == 0)
        return "Default";
    char text[16];
    std::snprintf(text, sizeof text, "Prog%02d", slot);
    return text;
}

std::string_view VirtualUnit::TypeCode(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr ? model->typeCode : "0000";
}

int VirtualUnit::PresentInputs() const {
    return DeviceModelOf(m_deviceType).inputs;
}

int VirtualUnit::PresentOutputs() const {
    return DeviceModelOf(m_deviceType).outputs;
}

std::string VirtualUnit::ProgramName(int slot) const {
    const auto& n = m_programs.at(slot).name;
    std::string text(n.begin(), n.end());
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

bool VirtualUnit::IsAddressed(std::span<const std::uint8_t> request) const {
    return request.size() > kOffsetDeviceId && request[kOffsetDeviceId] == m_deviceId;
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::Answer(std::span<const std::uint8_t> request) {
    if (request.size() < kOffsetPayload + 2 || !IsAddressed(request))
        return std::nullopt;
    const std::uint8_t kind = request[kOffsetKind];
    const int section = request[kOffsetSection];
    if (section == kSectionGlobal) {
        if (kind == kKindWrite)
            return AnswerGlobalWrite(request);
        if (kind == kKindRead)
            return AnswerGlobalRead(request);
        return std::nullopt;
    }
    if (section != kSectionInput && section != kSectionOutput)
        return std::nullopt;
    if (kind == kKindRead)
        return AnswerBlockRead(request);
    if (kind == kKindWrite)
        return request[kOffsetParameter] == 0 && request[kOffsetLength] != kChannelFrameLength
                   ? AnswerBlockWrite(request)
                   : AnswerChannelWrite(request);
    return std::nullopt;
}

std::vector<std::uint8_t> VirtualUnit::Acknowledge(std::span<const std::uint8_t> request,
                                                   std::uint8_t kind) const {
    const std::uint8_t payload[1] = {0};
    return ComposeFrame(kind, request[kOffsetDeviceId], request[kOffsetSlot],
                        request[kOffsetSection], request[kOffsetChannel], request[kOffsetParameter],
                        payload);
}

std::vector<std::uint8_t> VirtualUnit::DataReply(std::span<const std::uint8_t> request,
                                                 std::span<const std::uint8_t> payload) const {
    return ComposeFrame(kKindDataReply, m_deviceId, request[kOffsetSlot], request[kOffsetSection],
                        request[kOffsetChannel], request[kOffsetParameter], payload);
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::AnswerChannelWrite(std::span<const std::uint8_t> r) {
    // Single-parameter writes patch one group of bytes of a channel block; the PC sends them
    // with slot 0 (live settings), another slot patches that memory.
    const int slot = r[kOffsetSlot];
    const int channel = r[kOffsetChannel];
    const int parameter = r[kOffsetParameter];
    const bool input = r[kOffsetSection] == kSectionInput;
    if (slot >= kSimSlotCount || r[kOffsetLength] != kChannelFrameLength ||
        channel >= (input ? kSimInputCount : kSimOutputCount))
        return std::nullopt;
    const std::uint8_t* payload = r.data() + kOffsetPayload;
    std::uint8_t* block =
        input ? m_programs[slot].inputs[channel].data() : m_programs[slot].outputs[channel].data();

    if (input && parameter == kInputCrossoverParameter) {
        // The band frame of a crossover item says by its type byte which item it is; it carries
        // frequency and slope but not the kind, which stays as it was.
        const std::uint8_t type = payload[7];
        if (type != kHighPassType && type != kLowPassType)
            return std::nullopt;
        std::uint8_t* item = block + (type == kHighPassType ? kInputHighPassAt : kInputLowPassAt);
        item[0] = payload[0];
        item[1] = payload[1];
        item[3] = payload[6];
        return Acknowledge(r, kAckChannel);
    }
    const std::span<const Patch> patches =
        input ? std::span<const Patch>(kInputPatches) : std::span<const Patch>(kOutputPatches);
    const auto patch = std::find_if(patches.begin(), patches.end(),
                                    [&](const Patch& p) { return p.parameter == parameter; });
    if (patch == patches.end())
        return std::nullopt;
    std::copy_n(payload + patch->from, patch->count, block + patch->to);
    return Acknowledge(r, kAckChannel);
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::AnswerBlockWrite(std::span<const std::uint8_t> r) {
    // A whole-channel block stores into the slot in the header: 0 = live, 1..30 = a memory.
    const int slot = r[kOffsetSlot];
    const int channel = r[kOffsetChannel];
    const bool input = r[kOffsetSection] == kSectionInput;
    const int size = input ? kInputBlockSize : kOutputBlockSize;
    if (slot >= kSimSlotCount || r[kOffsetLength] != size ||
        channel >= (input ? kSimInputCount : kSimOutputCount))
        return std::nullopt;
    std::uint8_t* block =
        input ? m_programs[slot].inputs[channel].data() : m_programs[slot].outputs[channel].data();
    std::copy_n(r.data() + kOffsetPayload, size, block);
    return Acknowledge(r, kAckChannel);
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::AnswerBlockRead(std::span<const std::uint8_t> r) {
    const int slot = r[kOffsetSlot];
    const int channel = r[kOffsetChannel];
    const int mode = r[kOffsetParameter];
    const bool input = r[kOffsetSection] == kSectionInput;
    if (slot >= kSimSlotCount || (mode != 0 && mode != kParameterStoredBlock) ||
        channel >= (input ? kSimInputCount : kSimOutputCount))
        return std::nullopt;
    // Parameter 0 fetches a program for the live display, which recalls it: the channel of
    // memory `slot` becomes the live channel, so that later single-parameter edits (always
    // addressed to slot 0) change the program the PC shows. 0x77 only reads, for a backup.
    if (mode == 0 && slot != 0) {
        SimProgram& live = m_programs[0];
        const SimProgram& stored = m_programs[slot];
        if (input)
            live.inputs[channel] = stored.inputs[channel];
        else
            live.outputs[channel] = stored.outputs[channel];
        live.name = stored.name;
    }
    const SimProgram& p = m_programs[slot];
    if (input)
        return DataReply(r, p.inputs[channel]);
    return DataReply(r, p.outputs[channel]);
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::AnswerGlobalWrite(std::span<const std::uint8_t> r) {
    const int slot = r[kOffsetSlot];
    const int length = r[kOffsetLength];
    const std::uint8_t* payload = r.data() + kOffsetPayload;
    switch (r[kOffsetChannel]) {
    case kProgramName: {
        // The name of the program in the slot of the header (0 = live).
        if (slot >= kSimSlotCount)
            return std::nullopt;
        auto& name = m_programs[slot].name;
        name.fill(' ');
        std::copy_n(payload, std::min(length, kProgramNameSize), name.begin());
        break;
    }
    case kSource:
        // Two forms share this code: eight copies of the source, or the source followed by the
        // global frequency and five zero bytes. Only the second form carries a frequency.
        if (length != 8)
            return std::nullopt;
        m_globals.inputSource = payload[0];
        if (std::all_of(payload + 3, payload + 8, [](std::uint8_t b) { return b == 0; })) {
            const unsigned frequency = Get16(payload + 1);
            if (frequency >= 20 && frequency <= 20000)
                m_globals.globalFrequency = static_cast<std::uint16_t>(frequency);
        }
        break;
    case kLineSetB:
    case kLineSetA: {
        if (length != kTextLinesSize)
            return std::nullopt;
        auto& lines = r[kOffsetChannel] == kLineSetB ? m_globals.lineSetB : m_globals.lineSetA;
        std::copy_n(payload, kTextLinesSize, lines.begin());
        break;
    }
    case kShortTag:
        if (length != kShortTagSize)
            return std::nullopt;
        std::copy_n(payload, kShortTagSize, m_globals.shortTag.begin());
        break;
    case kBacklight:
        m_globals.backlight = payload[0];
        break;
    case kTemperature:
        m_globals.temperature = std::min<std::uint8_t>(payload[0], 50);
        break;
    case kDeviceId: {
        // Addressed to the current ID; payload: new ID, device type. The acknowledgement still
        // carries the old ID, then the unit answers only to the new one.
        if (length < 1 || !IsDeviceId(payload[0]))
            return std::nullopt;
        auto ack = Acknowledge(r, kAckGlobal);
        m_deviceId = payload[0];
        return ack;
    }
    default:
        return std::nullopt;
    }
    return Acknowledge(r, kAckGlobal);
}

std::optional<std::vector<std::uint8_t>>
VirtualUnit::AnswerGlobalRead(std::span<const std::uint8_t> r) {
    const int slot = r[kOffsetSlot];
    switch (r[kOffsetChannel]) {
    case kProgramName:
        if (slot >= kSimSlotCount)
            return std::nullopt;
        return DataReply(r, m_programs[slot].name);
    case kSource: {
        std::uint8_t payload[8] = {m_globals.inputSource};
        Put16(payload + 1, m_globals.globalFrequency);
        return DataReply(r, payload);
    }
    case kMeters:
        return DataReply(r, NextMeterLevels());
    case kUnitValue4: {
        const std::uint8_t payload[1] = {m_globals.unitValue4};
        return DataReply(r, payload);
    }
    case kLineSetB:
        return DataReply(r, m_globals.lineSetB);
    case kLineSetA:
        return DataReply(r, m_globals.lineSetA);
    case kShortTag:
        return DataReply(r, m_globals.shortTag);
    case kBacklight: {
        const std::uint8_t payload[1] = {m_globals.backlight};
        return DataReply(r, payload);
    }
    case kDeviceId: {
        // A probe: the header carries the probed ID, which IsAddressed has matched.
        const std::uint8_t payload[2] = {static_cast<std::uint8_t>(m_deviceId),
                                         static_cast<std::uint8_t>(m_deviceType)};
        return DataReply(r, payload);
    }
    case kTemperature: {
        const std::uint8_t payload[1] = {m_globals.temperature};
        return DataReply(r, payload);
    }
    case kIdentification: {
        // Version text in bytes 0..3 and 8..12, the type code in bytes 4..7.
        const std::string_view code = TypeCode(m_deviceType);
        std::array<std::uint8_t, 13> payload{};
        std::copy_n(kVersionText.begin(), 4, payload.begin());
        std::copy_n(code.begin(), 4, payload.begin() + 4);
        std::copy_n(kVersionText.begin() + 4, 5, payload.begin() + 8);
        return DataReply(r, payload);
    }
    default:
        return std::nullopt;
    }
}

std::array<std::uint8_t, kSimMeterCount> VirtualUnit::NextMeterLevels() {
    // A slow, deterministic programme signal per input (0..9 lit segments), raised or lowered
    // by the channel gain at one segment per 6 dB. An output follows the loudest input it is
    // fed by; above the top segment its limiter acts, reported as 16 + segments (17..25).
    const double t = 2.0 * std::numbers::pi * m_meterPhase / 23.0;
    ++m_meterPhase;
    const SimProgram& live = m_programs[0];
    std::array<double, kSimInputCount> input{};
    std::array<std::uint8_t, kSimMeterCount> levels{};
    auto gainDb = [](const std::uint8_t* at) {
        return (static_cast<double>(Get16(at)) - kZeroDbGainCode) / 10.0;
    };
    for (int i = 0; i < PresentInputs(); ++i) {
        const InputBlock& b = live.inputs[i];
        if (b[kInputOnAt] == 0)
            continue;
        input[i] = 4.5 + 5.0 * std::sin(t + 1.7 * i) + gainDb(&b[kInputGainAt]) / 6.0;
        levels[i] = static_cast<std::uint8_t>(std::lround(std::clamp(input[i], 0.0, 9.0)));
    }
    for (int o = 0; o < PresentOutputs(); ++o) {
        const OutputBlock& b = live.outputs[o];
        const std::uint8_t mix = b[kOutputMixAt];
        if (b[kOutputOnAt] == 0 || (mix & 0x0F) == 0)
            continue;
        double loudest = 0.0;
        for (int i = 0; i < PresentInputs(); ++i)
            if (mix & (1u << i))
                loudest = std::max(loudest, input[i]);
        const double level = loudest + gainDb(&b[kOutputGainAt]) / 6.0;
        const auto segments = static_cast<std::uint8_t>(std::lround(std::clamp(level, 0.0, 9.0)));
        levels[kSimInputCount + o] =
            level > 8.5 ? static_cast<std::uint8_t>(16 + std::max<int>(segments, 1)) : segments;
    }
    return levels;
}
