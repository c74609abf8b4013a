// Frame builders and the pending-change scan of the program container: every request the unit
// is sent is composed here from the container's current contents.

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

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

int ProgramContainer::channelGainCode(int gainIndex) const {
    // Both gain scales put 0 dB at wire value 1100.
    return gainIndex + ModelRangesFor(deviceType_).gainCodeOffset;
}

int ProgramContainer::bandBandwidthCode(int bandwidthIndex) const {
    return BandwidthWireValue(deviceType_, bandwidthIndex).value_or(bandwidthIndex);
}

namespace {

// Band layout (8 bytes): frequency, gain code, bandwidth code, slope, type.
void AppendBand(Payload& p, const ProgramContainer& data, const Filter& f) {
    AppendU16(p, f.frequency());
    AppendU16(p, f.off() ? kBandOffGainCode : f.gainIndex() + kEqGainZeroIndex);
    AppendU16(p, data.bandBandwidthCode(f.bandwidthIndex()));
    p.push_back(Byte(f.slope()));
    p.push_back(Byte(f.type()));
}

} // namespace

// ---- Global requests ----------------------------------------------------------------------

Request ProgramContainer::programNameFrame(int slot) const {
    return Compose(kKindWrite, deviceId_, slot, kSectionGlobal, kGlobalProgramName, 0,
                   LeftAlignedField(programName_, kProgramNameField));
}

Request ProgramContainer::sourceFrame() const {
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalSettings, 0,
                   Payload(kChannelPayload, Byte(inputSource_)));
}

Request ProgramContainer::globalSettingsFrame() const {
    Payload p;
    p.push_back(Byte(inputSource_));
    AppendU16(p, globalFrequency_);
    AppendZeros(p, 5);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalSettings, 0, p);
}

Request ProgramContainer::lineSetBFrame() const {
    // The smaller units centre their interface lines on 16 of the 20 characters.
    const std::size_t centring = deviceType_ == kDeviceType4x8 ? kTextLineField : 16;
    Payload p;
    for (const std::string& line : lineSetB_)
        AppendCentredField(p, line, kTextLineField, centring);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalLineSetB, 0, p);
}

Request ProgramContainer::lineSetAFrame() const {
    Payload p;
    for (const std::string& line : lineSetA_)
        AppendCentredField(p, line, kTextLineField, kTextLineField);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalLineSetA, 0, p);
}

Request ProgramContainer::shortTagFrame() const {
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalShortTag, 0,
                   LeftAlignedField(shortTag_, kShortTagField));
}

Request ProgramContainer::backlightFrame() const {
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalBacklight, 0,
                   Payload{Byte(backlight_)});
}

Request ProgramContainer::temperatureFrame() const {
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalTemperature, 0,
                   Payload{Byte(temperature_)});
}

Request ProgramContainer::deviceIdFrame(int id, bool probe) const {
    const Payload p{Byte(id), Byte(deviceType_)};
    if (!probe) {
        // Addressed to the ID the unit has now; the payload carries its new one.
        return Compose(kKindWrite, deviceId_, programSlot_, kSectionGlobal, kGlobalDeviceId, 0, p);
    }
    Request frame = Compose(kKindRead, id, programSlot_, kSectionGlobal, kGlobalDeviceId, 0, p);
    frame.probedId = id;
    return frame;
}

Request ProgramContainer::globalReadFrame(int code, int slot) const {
    return Compose(kKindRead, deviceId_, slot, kSectionGlobal, code, 0,
                   Payload(kChannelPayload, 0));
}

Request ProgramContainer::meterPollFrame() const {
    return globalReadFrame(kGlobalMeters, programSlot_);
}

// ---- Input requests -----------------------------------------------------------------------

Request ProgramContainer::inputNameFrame(int input) const {
    Payload p;
    AppendName(p, inputs_[input].name());
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionInput, input, kInputNameCode, p);
}

Request ProgramContainer::inputLevelFrame(int input) const {
    const InputChannel& in = inputs_[input];
    Payload p{in.on(), in.polarity()};
    AppendU16(p, channelGainCode(in.gain()));
    AppendU16(p, in.delay());
    AppendZeros(p, 2);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionInput, input, kInputLevelCode, p);
}

Request ProgramContainer::inputGateFrame(int input) const {
    const InputChannel& in = inputs_[input];
    // The gate frame carries the threshold whether or not the gate is switched off.
    Payload p{in.gateThreshold(), in.gateOff()};
    AppendZeros(p, 6);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionInput, input, kInputGateCode, p);
}

Request ProgramContainer::inputBandFrame(int input, int item) const {
    assert(item >= 0 && item < InputChannel::kFilterCount);
    item = std::clamp(item, 0, InputChannel::kFilterCount - 1);
    // Both crossover items travel as band code 9 carrying their target frequency.
    const std::uint8_t code =
        item < InputChannel::kBandCount ? static_cast<std::uint8_t>(item) : kInputCrossoverCode;
    Payload p;
    AppendBand(p, *this, inputs_[input].filter(item));
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionInput, input, code, p);
}

Request ProgramContainer::inputBlockFrame(int slot, int input) const {
    const InputChannel& in = inputs_[input];
    Payload p;
    p.reserve(kInputBlockPayload);
    for (int b = 0; b < InputChannel::kBandCount; ++b)
        AppendBand(p, *this, in.filter(b));
    p.push_back(in.on());
    p.push_back(in.polarity());
    AppendU16(p, channelGainCode(in.gain()));
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
    return Compose(kKindWrite, deviceId_, slot, kSectionInput, input, 0, p);
}

// ---- Output requests ----------------------------------------------------------------------

Request ProgramContainer::outputNameFrame(int output) const {
    Payload p;
    AppendName(p, outputs_[output].name());
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionOutput, output, kOutputNameCode, p);
}

Request ProgramContainer::outputLevelFrame(int output) const {
    const OutputChannel& out = outputs_[output];
    Payload p{out.on(), out.polarity()};
    AppendU16(p, channelGainCode(out.gain()));
    AppendU16(p, out.delay());
    p.push_back(out.mix());
    p.push_back(0);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionOutput, output, kOutputLevelCode,
                   p);
}

Request ProgramContainer::outputCrossoverFrame(int output) const {
    const OutputChannel& out = outputs_[output];
    // The stepped frequencies: the unit never sees a jump of more than one octave per frame.
    Payload p;
    AppendU16(p, out.highPass().sentFrequency());
    p.push_back(Byte(out.highPass().kind()));
    p.push_back(Byte(out.highPass().slope()));
    AppendU16(p, out.lowPass().sentFrequency());
    p.push_back(Byte(out.lowPass().kind()));
    p.push_back(Byte(out.lowPass().slope()));
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionOutput, output,
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

Request ProgramContainer::outputLimiterFrame(int output) const {
    Payload p;
    AppendLimiter(p, outputs_[output]);
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionOutput, output, kOutputLimiterCode,
                   p);
}

Request ProgramContainer::outputBandFrame(int output, int band) const {
    assert(band >= 0 && band < OutputChannel::kBandCount);
    band = std::clamp(band, 0, OutputChannel::kBandCount - 1);
    Payload p;
    AppendBand(p, *this, outputs_[output].filter(band));
    return Compose(kKindWrite, deviceId_, programSlot_, kSectionOutput, output, Byte(band), p);
}

Request ProgramContainer::outputBlockFrame(int slot, int output) const {
    const OutputChannel& out = outputs_[output];
    Payload p;
    p.reserve(kOutputBlockPayload);
    for (int b = 0; b < OutputChannel::kBandCount; ++b)
        AppendBand(p, *this, out.filter(b));
    p.push_back(out.on());
    p.push_back(out.polarity());
    AppendU16(p, channelGainCode(out.gain()));
    AppendU16(p, out.delay());
    p.push_back(out.mix());
    p.push_back(0);
    AppendBlockCrossover(p, out.highPass());
    AppendBlockCrossover(p, out.lowPass());
    AppendLimiter(p, out);
    AppendName(p, out.name());
    assert(p.size() == kOutputBlockPayload);
    return Compose(kKindWrite, deviceId_, slot, kSectionOutput, output, 0, p);
}

Request ProgramContainer::blockReadFrame(int slot, int section, int channel, int mode) const {
    return Compose(kKindRead, deviceId_, slot, Byte(section), channel, Byte(mode),
                   Payload(kChannelPayload, 0));
}

// ---- Pending-change scan ------------------------------------------------------------------

Request ProgramContainer::nextPendingFrame() {
    for (int i = 0; i < kInputCount; ++i) {
        InputChannel& in = inputs_[i];
        if (in.nameChanged()) {
            in.setNameChanged(0);
            return inputNameFrame(i);
        }
        if (in.mainChanged()) {
            in.setMainChanged(0);
            return inputLevelFrame(i);
        }
        if (in.gateChanged()) {
            in.setGateChanged(0);
            return inputGateFrame(i);
        }
        for (int f = 0; f < InputChannel::kFilterCount; ++f) {
            if (in.filter(f).changed()) {
                in.filter(f).settle(0);
                return inputBandFrame(i, f);
            }
        }
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = outputs_[o];
        if (out.nameChanged()) {
            out.setNameChanged(0);
            return outputNameFrame(o);
        }
        if (out.mainChanged()) {
            out.setMainChanged(0);
            return outputLevelFrame(o);
        }
        for (int b = 0; b < OutputChannel::kBandCount; ++b) {
            if (out.filter(b).changed()) {
                out.filter(b).settle(0);
                return outputBandFrame(o, b);
            }
        }
        // A crossover frame carries both items; each settles one octave step per frame.
        for (Filter* crossover : {&out.highPass(), &out.lowPass()}) {
            if (crossover->changed()) {
                crossover->settle(0);
                return outputCrossoverFrame(o);
            }
        }
        if (out.dynamicsChanged()) {
            out.setDynamicsChanged(0);
            return outputLimiterFrame(o);
        }
    }
    return meterPollFrame();
}
