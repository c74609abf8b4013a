#include "model/ChannelEditRules.h"

#include "model/Channel.h"
#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace ChannelEditRules {

namespace {

const DeviceModel& ModelOf(const Channel& channel) {
    return DeviceModelOf(channel.deviceType());
}

// Stores `asked` limited to low..high through `write` unless the record already holds it.
template <class Write> Edit WriteLimited(int stored, int asked, int low, int high, Write&& write) {
    const int value = std::clamp(asked, low, high);
    if (value == stored)
        return Edit::Unchanged;
    write(value);
    return value == asked ? Edit::Written : Edit::Corrected;
}

Filter& CrossoverOf(OutputChannel& output, Crossover which) {
    return which == Crossover::HighPass ? output.highPass() : output.lowPass();
}

bool HasCompressor(const OutputChannel& output) {
    return ModelOf(output).hasFullDynamics &&
           output.dynamicsType() == OutputChannel::kDynamicsCompressor;
}

bool InAuto(const OutputChannel& output) {
    return output.dynamicsMode() == OutputChannel::kModeAuto;
}

// Bits of the inputs a model has: 0b1111 on the 4x8, 0b0111 on the 3x6, 0b0011 on the 2x4.
int InputBits(const DeviceModel& model) {
    return (1 << model.inputs) - 1;
}

// "%0.1f" without the process locale.
std::string OneDecimal(double value) {
    std::array<char, 32> buf{};
    const auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, 1);
    return r.ec == std::errc() ? std::string(buf.data(), r.ptr) : std::string();
}

} // namespace

DisplayKindSettings DelayEntry(const DeviceModel& model, DelayUnit unit, int temperatureC) {
    DisplayKindSettings s;
    s.kind = unit == DelayUnit::Milliseconds ? model.delayMsKind
             : unit == DelayUnit::Metres     ? model.delayMetresKind
                                             : model.delayFeetKind;
    s.min = 0;
    s.max = model.delayMax;
    s.temperatureC = temperatureC;
    return s;
}

Edit SetDelay(Channel& channel, int index) {
    return WriteLimited(channel.delay(), index, 0, ModelOf(channel).delayMax,
                        [&](int v) { channel.setDelay(v); });
}

// ---- Inputs ------------------------------------------------------------------------------------

Edit SetGateThreshold(InputChannel& input, int index) {
    return WriteLimited(input.gateThreshold(), index, 0, kGateThresholdMaxIndex,
                        [&](int v) { input.setGateThreshold(v); });
}

Edit SetGateEnabled(InputChannel& input, bool enabled) {
    const int off = enabled ? 0 : 1;
    if (input.gateOff() == off)
        return Edit::Unchanged;
    input.setGateOff(off);
    return Edit::Written;
}

bool GateThresholdEditable(const InputChannel& input) {
    return input.gateOff() == 0;
}

// ---- Outputs: the inputs that feed them ---------------------------------------------------------

std::optional<int> MixWithSource(const DeviceModel& model, int mix, int input, bool feeds) {
    if (input < 0 || input >= model.inputs)
        return std::nullopt;
    const int bit = 1 << input;
    const int next = feeds ? (mix | bit) : (mix & ~bit);
    if (model.outputNeedsSource && (next & InputBits(model)) == 0)
        return std::nullopt;
    return next;
}

Edit SetMix(OutputChannel& output, int mix) {
    const DeviceModel& model = ModelOf(output);
    mix &= 0xFF;
    if (model.outputNeedsSource && (mix & InputBits(model)) == 0)
        return Edit::Refused;
    if (mix == output.mix())
        return Edit::Unchanged;
    output.setMix(mix);
    return Edit::Written;
}

// ---- Outputs: crossovers
// -------------------------------------------------------------------------

Edit SetCrossoverFrequency(OutputChannel& output, Crossover which, int hz) {
    int value = ClampFrequency(hz);
    if (which == Crossover::HighPass)
        value = std::min(value, output.lowPass().frequency());
    else
        value = std::max(value, output.highPass().frequency());
    Filter& filter = CrossoverOf(output, which);
    if (value == filter.frequency())
        return Edit::Unchanged;
    filter.setFrequency(value);
    return value == hz ? Edit::Written : Edit::Corrected;
}

Edit SetCrossoverKind(OutputChannel& output, Crossover which, int kind) {
    if (kind < 0 || kind > kCrossoverKindMax)
        return Edit::Refused;
    Filter& filter = CrossoverOf(output, which);
    if (filter.kind() == kind)
        return Edit::Unchanged;
    filter.setKind(kind);
    return Edit::Written;
}

Edit SetCrossoverSlope(OutputChannel& output, Crossover which, int slope) {
    if (slope < 0 || slope > kCrossoverSlopeMax)
        return Edit::Refused;
    Filter& filter = CrossoverOf(output, which);
    if (filter.slope() == slope)
        return Edit::Unchanged;
    filter.setSlope(slope);
    return Edit::Written;
}

// ---- Outputs: limiter / compressor
// ---------------------------------------------------------------

LimiterView LimiterViewOf(const OutputChannel& output) {
    LimiterView view;
    view.compressorSettings = HasCompressor(output);
    view.manualTiming = !InAuto(output);
    view.attack = InAuto(output) ? output.autoAttack() : output.attack();
    view.release = InAuto(output) ? OutputChannel::autoRelease() : output.release();
    return view;
}

bool CorrectLimitInAuto(OutputChannel& output) {
    if (output.dynamicsType() != OutputChannel::kDynamicsLimit || !InAuto(output))
        return false;
    output.setDynamicsMode(OutputChannel::kModeManual);
    return true;
}

Edit SetDynamicsType(OutputChannel& output, int type) {
    if (!ModelOf(output).hasFullDynamics ||
        (type != OutputChannel::kDynamicsLimit && type != OutputChannel::kDynamicsCompressor))
        return Edit::Refused;
    if (output.dynamicsType() == type)
        return Edit::Unchanged;
    output.setDynamicsType(type);
    CorrectLimitInAuto(output);
    return Edit::Written;
}

Edit SetDynamicsMode(OutputChannel& output, int mode) {
    if (mode != OutputChannel::kModeManual && mode != OutputChannel::kModeAuto)
        return Edit::Refused;
    if (output.dynamicsMode() == mode)
        return Edit::Unchanged;
    if (!HasCompressor(output))
        return Edit::Refused;
    output.setDynamicsMode(mode);
    return Edit::Written;
}

Edit SetLimiterThreshold(OutputChannel& output, int index) {
    return WriteLimited(output.threshold(), index, 0, kLimiterThresholdMaxIndex,
                        [&](int v) { output.setThreshold(v); });
}

Edit SetAttack(OutputChannel& output, int index) {
    if (InAuto(output))
        return Edit::Refused;
    return WriteLimited(output.attack(), index, 0, kAttackMaxIndex,
                        [&](int v) { output.setAttack(v); });
}

Edit SetRelease(OutputChannel& output, int index) {
    if (InAuto(output))
        return Edit::Refused;
    return WriteLimited(output.release(), index, 0, kReleaseMaxIndex,
                        [&](int v) { output.setRelease(v); });
}

Edit SetClipLimit(OutputChannel& output, int index) {
    if (!HasCompressor(output))
        return Edit::Refused;
    return WriteLimited(output.clipLimit(), index, 0, kClipLimitMaxIndex,
                        [&](int v) { output.setClipLimit(v); });
}

Edit SetRatio(OutputChannel& output, int index) {
    if (!HasCompressor(output))
        return Edit::Refused;
    return WriteLimited(output.ratio(), index, 0, kRatioMaxIndex,
                        [&](int v) { output.setRatio(v); });
}

std::string ComposedReleaseText(int releaseIndex, int attackIndex) {
    struct Multiple {
        const char* prefix;
        int factor;
    };
    static constexpr std::array<Multiple, kReleaseMaxIndex + 1> kMultiples{
        {{"2X (", 2}, {"4X (", 4}, {"6X (", 6}, {"8X (", 8}, {"16X (", 16}, {"32X (", 32}}};
    if (releaseIndex < 0 || releaseIndex > kReleaseMaxIndex)
        return {};
    const Multiple& m = kMultiples[static_cast<std::size_t>(releaseIndex)];
    // The attack as its own text shows it: whole milliseconds above index 6, tenths up to it.
    const std::string attack = AttackText(attackIndex);
    if (attack.empty())
        return {};
    constexpr int kLastTenthsIndex = 6;
    std::string product;
    if (attackIndex > kLastTenthsIndex)
        product = std::to_string(ReadInteger(attack).value_or(0) * m.factor);
    else
        product = OneDecimal(ReadDecimal(attack).value_or(0.0) * m.factor);
    return m.prefix + product + "ms)";
}

// ---- Equaliser bands ------------------------------------------------------------------------

DisplayKindSettings BandwidthEntry(const DeviceModel& model) {
    const bool fine = model.scales == ScaleFamily::Fine;
    return {.kind = fine ? kKindBandwidthFine : kKindBandwidthCoarse,
            .min = 0,
            .max = model.bandwidthMax};
}

DisplayKindSettings QEntry(const DeviceModel& model) {
    const bool fine = model.scales == ScaleFamily::Fine;
    return {.kind = fine ? kKindQFine : kKindQCoarse, .min = 0, .max = model.bandwidthMax};
}

namespace {

int BandFrequencyLimit(int type) {
    return type == Filter::kLowShelf ? kLowShelfDragMaxHz : kMaxFrequencyHz;
}

} // namespace

Edit SetBandType(Filter& band, int type) {
    if (type < Filter::kPeq || type > Filter::kHighShelf)
        return Edit::Refused;
    if (type == band.type())
        return Edit::Unchanged;
    const bool lowered = band.frequency() > BandFrequencyLimit(type);
    if (lowered)
        band.setFrequency(BandFrequencyLimit(type));
    band.setType(type);
    return lowered ? Edit::Corrected : Edit::Written;
}

Edit SetBandFrequency(Filter& band, int hz) {
    return WriteLimited(band.frequency(), hz, kMinFrequencyHz, BandFrequencyLimit(band.type()),
                        [&](int v) { band.setFrequency(v); });
}

Edit SetBandBandwidth(Filter& band, int index) {
    return WriteLimited(band.bandwidthIndex(), index, 0,
                        DeviceModelOf(band.deviceType()).bandwidthMax,
                        [&](int v) { band.setBandwidthIndex(v); });
}

Edit SetBandGain(Filter& band, int index) {
    const int value = std::clamp(index, 0, kEqGainMaxIndex);
    // An off band shows 0.0 dB: asking for that again changes nothing; any other value is written
    // even when it equals the gain the band keeps while off, since writing it switches it on.
    if (value == ShownBandGain(band))
        return Edit::Unchanged;
    band.setGainIndex(value);
    return value == index ? Edit::Written : Edit::Corrected;
}

Edit SetBandSlope(Filter& band, int slope) {
    if (slope != Filter::kShelf6 && slope != Filter::kShelf12)
        return Edit::Refused;
    if (slope == band.slope())
        return Edit::Unchanged;
    band.setSlope(slope);
    return Edit::Written;
}

Edit SetBandOn(Filter& band, bool on) {
    if (on == (band.off() == 0))
        return Edit::Unchanged;
    if (on && band.gainIndex() == kEqGainZeroIndex)
        return Edit::Refused;
    band.setOff(on ? 0 : 1);
    return Edit::Written;
}

int ShownBandGain(const Filter& band) {
    return band.off() != 0 ? kEqGainZeroIndex : band.gainIndex();
}

} // namespace ChannelEditRules
