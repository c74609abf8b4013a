#include "protocol/RequestFrames.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/ProgramContainer.h"
#include "model/ValueLimits.h"
#include "protocol/Frame.h"

namespace {

using Payload = std::vector<std::uint8_t>;

// Parameter codes of the channel frames, fixed by the position of the item in its channel.
constexpr std::uint8_t kInputNameCode = InputChannel::kNameCode;
constexpr std::uint8_t kInputLevelCode = InputChannel::kMainCode;
constexpr std::uint8_t kInputGateCode = InputChannel::kGateCode;
constexpr std::uint8_t kInputCrossoverCode = InputChannel::kCrossoverCode;
constexpr std::uint8_t kOutputNameCode = OutputChannel::kNameCode;
constexpr std::uint8_t kOutputLevelCode = OutputChannel::kMainCode;
constexpr std::uint8_t kOutputCrossoverCode = OutputChannel::kCrossoverCode;
constexpr std::uint8_t kOutputLimiterCode = OutputChannel::kDynamicsCode;

constexpr std::size_t kChannelPayload = 8; // every single-parameter and read payload
constexpr std::size_t kInputBlockPayload = 96;
constexpr std::size_t kOutputBlockPayload = 80;

// Band gain code of a band that is off: the code of 0 dB.
constexpr int kBandOffGainCode = 600;

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// Two-byte values travel little-endian.
void AppendU16(Payload& p, int value) {
    p.push_back(Byte(value));
    p.push_back(Byte(value >> 8));
}

void AppendName(Payload& p, const ChannelName& name) {
    for (char c : name)
        p.push_back(static_cast<std::uint8_t>(c));
}

void AppendZeros(Payload& p, std::size_t count) {
    p.insert(p.end(), count, 0);
}

// Crossover item in a block: frequency (the target, not the stepped one), kind, slope.
void AppendBlockCrossover(Payload& p, const Filter& f) {
    AppendU16(p, f.frequency());
    p.push_back(Byte(f.kind()));
    p.push_back(Byte(f.slope()));
}

Request Compose(std::uint8_t kind, int deviceId, int slot, std::uint8_t section, int channel,
                std::uint8_t parameter, const Payload& payload) {
    return Request(
        ComposeFrame(kind, Byte(deviceId), Byte(slot), section, Byte(channel), parameter, payload));
}

} // namespace

// ---- Encodings ----------------------------------------------------------------------------

int ChannelGainCode(int deviceType, int gainIndex) {
    // Both gain scales put 0 dB at wire value 1100.
    return gainIndex + ModelRangesFor(deviceType).gainCodeOffset;
}

int BandBandwidthCode(int deviceType, int bandwidthIndex) {
    return BandwidthWireValue(deviceType, bandwidthIndex).value_or(bandwidthIndex);
}

namespace {

// Band layout (8 bytes): frequency, gain code, bandwidth code, slope, type.
void AppendBand(Payload& p, const ProgramContainer& data, const Filter& f) {
    AppendU16(p, f.frequency());
    AppendU16(p, f.off() ? kBandOffGainCode : f.gainIndex() + kEqGainZeroIndex);
    AppendU16(p, BandBandwidthCode(data.deviceType(), f.bandwidthIndex()));
    p.push_back(Byte(f.slope()));
    p.push_back(Byte(f.type()));
}

} // namespace

// ---- Global requests ----------------------------------------------------------------------

Request RequestFrames::programNameFrame(int slot) const {
    return Compose(kKindWrite, data_.deviceId(), slot, kSectionGlobal, kGlobalProgramName, 0,
                   LeftAlignedField(data_.programName(), kProgramNameField));
}

Request RequestFrames::sourceFrame() const {
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalSettings, 0, Payload(kChannelPayload, Byte(data_.inputSource())));
}

Request RequestFrames::globalSettingsFrame() const {
    Payload p;
    p.push_back(Byte(data_.inputSource()));
    AppendU16(p, data_.globalFrequency());
    AppendZeros(p, 5);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalSettings, 0, p);
}

Request RequestFrames::lineSetBFrame() const {
    // Each line travels in a 20-character field, centred on the width the model's display shows.
    const auto centring =
        static_cast<std::size_t>(DeviceModelOf(data_.deviceType()).interfaceLineWidth);
    Payload p;
    for (int line = 0; line < kTextLines; ++line)
        AppendCentredField(p, data_.lineSetB(line), kTextLineField, centring);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalLineSetB, 0, p);
}

Request RequestFrames::lineSetAFrame() const {
    Payload p;
    for (int line = 0; line < kTextLines; ++line)
        AppendCentredField(p, data_.lineSetA(line), kTextLineField, kTextLineField);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalLineSetA, 0, p);
}

Request RequestFrames::shortTagFrame() const {
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalShortTag, 0, LeftAlignedField(data_.shortTag(), kShortTagField));
}

Request RequestFrames::backlightFrame() const {
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalBacklight, 0, Payload{Byte(data_.backlight())});
}

Request RequestFrames::temperatureFrame() const {
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                   kGlobalTemperature, 0, Payload{Byte(data_.temperature())});
}

Request RequestFrames::deviceIdFrame(int id, bool probe) const {
    const Payload p{Byte(id), Byte(data_.deviceType())};
    if (!probe) {
        // Addressed to the ID the unit has now; the payload carries its new one.
        return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionGlobal,
                       kGlobalDeviceId, 0, p);
    }
    Request frame =
        Compose(kKindRead, id, data_.programSlot(), kSectionGlobal, kGlobalDeviceId, 0, p);
    frame.probedId = id;
    return frame;
}

Request RequestFrames::globalReadFrame(int code, int slot) const {
    return Compose(kKindRead, data_.deviceId(), slot, kSectionGlobal, code, 0,
                   Payload(kChannelPayload, 0));
}

Request RequestFrames::meterPollFrame() const {
    return globalReadFrame(kGlobalMeters, data_.programSlot());
}

// ---- Input requests -----------------------------------------------------------------------

Request RequestFrames::inputNameFrame(int input) const {
    Payload p;
    AppendName(p, data_.inputs()[input].name());
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionInput, input,
                   kInputNameCode, p);
}

Request RequestFrames::inputLevelFrame(int input) const {
    const InputChannel& in = data_.inputs()[input];
    Payload p{in.on(), in.polarity()};
    AppendU16(p, ChannelGainCode(data_.deviceType(), in.gain()));
    AppendU16(p, in.delay());
    AppendZeros(p, 2);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionInput, input,
                   kInputLevelCode, p);
}

Request RequestFrames::inputGateFrame(int input) const {
    const InputChannel& in = data_.inputs()[input];
    // The gate frame carries the threshold whether or not the gate is switched off.
    Payload p{in.gateThreshold(), in.gateOff()};
    AppendZeros(p, 6);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionInput, input,
                   kInputGateCode, p);
}

Request RequestFrames::inputBandFrame(int input, int item) const {
    assert(item >= 0 && item < InputChannel::kFilterCount);
    item = std::clamp(item, 0, InputChannel::kFilterCount - 1);
    // Both crossover items travel as band code 9 carrying their target frequency.
    const std::uint8_t code =
        item < InputChannel::kBandCount ? static_cast<std::uint8_t>(item) : kInputCrossoverCode;
    Payload p;
    AppendBand(p, data_, data_.inputs()[input].filter(item));
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionInput, input, code,
                   p);
}

Request RequestFrames::inputBlockFrame(int slot, int input) const {
    const InputChannel& in = data_.inputs()[input];
    Payload p;
    p.reserve(kInputBlockPayload);
    for (int b = 0; b < InputChannel::kBandCount; ++b)
        AppendBand(p, data_, in.filter(b));
    p.push_back(in.on());
    p.push_back(in.polarity());
    AppendU16(p, ChannelGainCode(data_.deviceType(), in.gain()));
    AppendU16(p, in.delay());
    AppendZeros(p, 2);
    AppendBlockCrossover(p, in.highPass());
    AppendBlockCrossover(p, in.lowPass());
    // Unlike the gate frame, the block sends no threshold while the gate is off.
    p.push_back(in.gateOff() ? 0 : in.gateThreshold());
    p.push_back(in.gateOff());
    AppendZeros(p, 6);
    AppendName(p, in.name());
    assert(p.size() == kInputBlockPayload);
    return Compose(kKindWrite, data_.deviceId(), slot, kSectionInput, input, 0, p);
}

// ---- Output requests ----------------------------------------------------------------------

Request RequestFrames::outputNameFrame(int output) const {
    Payload p;
    AppendName(p, data_.outputs()[output].name());
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionOutput, output,
                   kOutputNameCode, p);
}

Request RequestFrames::outputLevelFrame(int output) const {
    const OutputChannel& out = data_.outputs()[output];
    Payload p{out.on(), out.polarity()};
    AppendU16(p, ChannelGainCode(data_.deviceType(), out.gain()));
    AppendU16(p, out.delay());
    p.push_back(out.mix());
    p.push_back(0);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionOutput, output,
                   kOutputLevelCode, p);
}

Request RequestFrames::outputCrossoverFrame(int output) const {
    const OutputChannel& out = data_.outputs()[output];
    // The stepped frequencies: the unit never sees a jump of more than one octave per frame.
    Payload p;
    AppendU16(p, out.highPass().sentFrequency());
    p.push_back(Byte(out.highPass().kind()));
    p.push_back(Byte(out.highPass().slope()));
    AppendU16(p, out.lowPass().sentFrequency());
    p.push_back(Byte(out.lowPass().kind()));
    p.push_back(Byte(out.lowPass().slope()));
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionOutput, output,
                   kOutputCrossoverCode, p);
}

namespace {

// Limiter settings as the limiter frame and the output block carry them (8 bytes).
void AppendLimiter(Payload& p, const OutputChannel& out) {
    AppendU16(p, out.threshold());
    p.push_back(Byte(out.wireAttack()));
    p.push_back(Byte(out.wireRelease()));
    p.push_back(Byte(out.clipLimit()));
    p.push_back(Byte(out.ratio()));
    p.push_back(Byte(out.dynamicsType()));
    p.push_back(Byte(out.dynamicsMode()));
}

} // namespace

Request RequestFrames::outputLimiterFrame(int output) const {
    Payload p;
    AppendLimiter(p, data_.outputs()[output]);
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionOutput, output,
                   kOutputLimiterCode, p);
}

Request RequestFrames::outputBandFrame(int output, int band) const {
    assert(band >= 0 && band < OutputChannel::kBandCount);
    band = std::clamp(band, 0, OutputChannel::kBandCount - 1);
    Payload p;
    AppendBand(p, data_, data_.outputs()[output].filter(band));
    return Compose(kKindWrite, data_.deviceId(), data_.programSlot(), kSectionOutput, output,
                   Byte(band), p);
}

Request RequestFrames::outputBlockFrame(int slot, int output) const {
    const OutputChannel& out = data_.outputs()[output];
    Payload p;
    p.reserve(kOutputBlockPayload);
    for (int b = 0; b < OutputChannel::kBandCount; ++b)
        AppendBand(p, data_, out.filter(b));
    p.push_back(out.on());
    p.push_back(out.polarity());
    AppendU16(p, ChannelGainCode(data_.deviceType(), out.gain()));
    AppendU16(p, out.delay());
    p.push_back(out.mix());
    p.push_back(0);
    AppendBlockCrossover(p, out.highPass());
    AppendBlockCrossover(p, out.lowPass());
    AppendLimiter(p, out);
    AppendName(p, out.name());
    assert(p.size() == kOutputBlockPayload);
    return Compose(kKindWrite, data_.deviceId(), slot, kSectionOutput, output, 0, p);
}

Request RequestFrames::blockReadFrame(int slot, int section, int channel, int mode) const {
    return Compose(kKindRead, data_.deviceId(), slot, Byte(section), channel, Byte(mode),
                   Payload(kChannelPayload, 0));
}

// ---- Pending-change scan ------------------------------------------------------------------

Request NextPendingRequest(ProgramContainer& data) {
    const RequestFrames frames(data);
    for (int i = 0; i < kInputCount; ++i) {
        InputChannel& in = data.input(i);
        if (in.nameChanged()) {
            in.setNameChanged(0);
            return frames.inputNameFrame(i);
        }
        if (in.mainChanged()) {
            in.setMainChanged(0);
            return frames.inputLevelFrame(i);
        }
        if (in.gateChanged()) {
            in.setGateChanged(0);
            return frames.inputGateFrame(i);
        }
        for (int f = 0; f < InputChannel::kFilterCount; ++f) {
            if (in.filter(f).changed()) {
                in.filter(f).settle(0);
                return frames.inputBandFrame(i, f);
            }
        }
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = data.output(o);
        if (out.nameChanged()) {
            out.setNameChanged(0);
            return frames.outputNameFrame(o);
        }
        if (out.mainChanged()) {
            out.setMainChanged(0);
            return frames.outputLevelFrame(o);
        }
        for (int b = 0; b < OutputChannel::kBandCount; ++b) {
            if (out.filter(b).changed()) {
                out.filter(b).settle(0);
                return frames.outputBandFrame(o, b);
            }
        }
        // A crossover frame carries both items; each settles one octave step per frame.
        for (Filter* crossover : {&out.highPass(), &out.lowPass()}) {
            if (crossover->changed()) {
                crossover->settle(0);
                return frames.outputCrossoverFrame(o);
            }
        }
        if (out.dynamicsChanged()) {
            out.setDynamicsChanged(0);
            return frames.outputLimiterFrame(o);
        }
    }
    return frames.meterPollFrame();
}
