#include "model/SettingsSnapshot.h"

#include "model/DeviceModel.h"

namespace {

std::uint8_t BandsOffOf(const Channel& channel, int bands) {
    std::uint8_t mask = 0;
    for (int b = 0; b < bands; ++b) {
        if (channel.filter(b).off() != 0)
            mask = static_cast<std::uint8_t>(mask | (1u << b));
    }
    return mask;
}

// Writes `wanted` through `set` when it differs from `current`; true when it wrote.
template <typename Value, typename Setter> bool Put(int current, Value wanted, Setter set) {
    if (current == static_cast<int>(wanted))
        return false;
    set(static_cast<int>(wanted));
    return true;
}

bool ApplyBand(Filter& band, const BandImage& image, bool off) {
    bool changed = false;
    changed |= Put(band.type(), image.type, [&](int v) { band.setType(v); });
    changed |= Put(band.frequency(), image.frequency, [&](int v) { band.setFrequency(v); });
    changed |= Put(band.slope(), image.slope, [&](int v) { band.setSlope(v); });
    changed |=
        Put(band.bandwidthIndex(), image.bandwidth, [&](int v) { band.setBandwidthIndex(v); });
    // The gain decides the off flag (0.0 dB is off); the stored flag is taken after it.
    changed |= Put(band.gainIndex(), image.gain, [&](int v) { band.setGainIndex(v); });
    changed |= Put(band.off() != 0 ? 1 : 0, off ? 1 : 0, [&](int v) { band.setOff(v); });
    return changed;
}

bool ApplyCrossover(Filter& filter, int hz, int kind, int slope) {
    bool changed = false;
    changed |= Put(filter.frequency(), hz, [&](int v) { filter.setFrequency(v); });
    changed |= Put(filter.kind(), kind, [&](int v) { filter.setKind(v); });
    changed |= Put(filter.slope(), slope, [&](int v) { filter.setSlope(v); });
    return changed;
}

// What inputs and outputs share: name, on, polarity, delay, gain, bands and crossovers.
template <typename Image>
bool ApplyChannel(Channel& channel, const Image& image, std::uint8_t bandsOff) {
    bool changed = false;
    if (channel.name() != MakeChannelName(image.name)) {
        channel.setName(image.name);
        changed = true;
    }
    changed |= Put(channel.on(), image.on, [&](int v) { channel.setOn(v); });
    changed |= Put(channel.polarity(), image.polarity, [&](int v) { channel.setPolarity(v); });
    // The image holds the delay in 16 bits; type 1 delays above 32767 are unsigned.
    changed |= Put(channel.delay(), static_cast<std::uint16_t>(image.delay),
                   [&](int v) { channel.setDelay(v); });
    changed |= Put(channel.gain(), image.gain, [&](int v) { channel.setGain(v); });
    for (int b = 0; b < Image::kBandCount; ++b)
        changed |= ApplyBand(channel.filter(b), image.bands[static_cast<std::size_t>(b)],
                             ((bandsOff >> b) & 1u) != 0);
    changed |= ApplyCrossover(channel.highPass(), image.highPassFrequency, image.highPassKind,
                              image.highPassSlope);
    changed |= ApplyCrossover(channel.lowPass(), image.lowPassFrequency, image.lowPassKind,
                              image.lowPassSlope);
    return changed;
}

bool ApplyInput(InputChannel& in, const InputImage& image, std::uint8_t bandsOff) {
    bool changed = ApplyChannel(in, image, bandsOff);
    changed |= Put(in.reservedA(), image.reservedA, [&](int v) { in.setReservedA(v); });
    changed |= Put(in.reservedB(), image.reservedB, [&](int v) { in.setReservedB(v); });
    changed |= Put(in.gateThreshold(), image.gateThreshold, [&](int v) { in.setGateThreshold(v); });
    changed |= Put(in.gateOff(), image.gateOff, [&](int v) { in.setGateOff(v); });
    return changed;
}

bool ApplyOutput(OutputChannel& out, const OutputImage& image, std::uint8_t bandsOff) {
    bool changed = ApplyChannel(out, image, bandsOff);
    changed |= Put(out.mix(), image.mix, [&](int v) { out.setMix(v); });
    changed |= Put(out.threshold(), image.threshold, [&](int v) { out.setThreshold(v); });
    changed |= Put(out.attack(), image.attack, [&](int v) { out.setAttack(v); });
    changed |= Put(out.release(), image.release, [&](int v) { out.setRelease(v); });
    changed |= Put(out.clipLimit(), image.clipLimit, [&](int v) { out.setClipLimit(v); });
    changed |= Put(out.ratio(), image.ratio, [&](int v) { out.setRatio(v); });
    changed |= Put(out.dynamicsType(), image.dynamicsType, [&](int v) { out.setDynamicsType(v); });
    changed |= Put(out.dynamicsMode(), image.dynamicsMode, [&](int v) { out.setDynamicsMode(v); });
    return changed;
}

// A channel the unit does not have keeps its values but sends nothing.
void LowerFlags(Channel& channel) {
    channel.setNameChanged(0);
    channel.setMainChanged(0);
    for (int f = 0; f < channel.filterCount(); ++f)
        channel.filter(f).setChanged(0);
}

} // namespace

SettingsSnapshot TakeSnapshot(const ProgramContainer& data) {
    SettingsSnapshot s;
    data.fillProgramImage(s.program);
    for (int i = 0; i < kInputCount; ++i)
        s.inputBandsOff[static_cast<std::size_t>(i)] =
            BandsOffOf(data.input(i), InputChannel::kBandCount);
    for (int o = 0; o < kOutputCount; ++o)
        s.outputBandsOff[static_cast<std::size_t>(o)] =
            BandsOffOf(data.output(o), OutputChannel::kBandCount);
    s.unit.inputSource = data.inputSource();
    s.unit.backlight = data.backlight();
    s.unit.temperature = data.temperature();
    for (int k = 0; k < kInterfaceLines; ++k)
        s.unit.interfaceLines[static_cast<std::size_t>(k)] = data.lineSetB(kFirstInterfaceLine + k);
    return s;
}

SnapshotChanges ApplySnapshot(ProgramContainer& data, const SettingsSnapshot& snapshot) {
    SnapshotChanges changes;
    const DeviceModel& model = DeviceModelOf(data.deviceType());
    for (int i = 0; i < kInputCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        InputChannel& in = data.input(i);
        if (!ApplyInput(in, snapshot.program.inputs[at], snapshot.inputBandsOff[at]))
            continue;
        changes.inputs |= 1u << i;
        if (i >= model.inputs) {
            LowerFlags(in);
            in.setGateChanged(0);
        }
        in.recomputeCurve();
    }
    for (int o = 0; o < kOutputCount; ++o) {
        const auto at = static_cast<std::size_t>(o);
        OutputChannel& out = data.output(o);
        if (!ApplyOutput(out, snapshot.program.outputs[at], snapshot.outputBandsOff[at]))
            continue;
        changes.outputs |= 1u << o;
        if (o >= model.outputs) {
            LowerFlags(out);
            out.setDynamicsChanged(0);
        }
        out.recomputeCurve();
    }
    if (data.programName() != snapshot.program.name) {
        data.setProgramName(snapshot.program.name);
        changes.programName = true;
    }
    const UnitSettingsImage& unit = snapshot.unit;
    changes.inputSource =
        Put(data.inputSource(), unit.inputSource, [&](int v) { data.setInputSource(v); });
    changes.backlight = Put(data.backlight(), unit.backlight, [&](int v) { data.setBacklight(v); });
    changes.temperature =
        Put(data.temperature(), unit.temperature, [&](int v) { data.setTemperature(v); });
    for (int k = 0; k < kInterfaceLines; ++k) {
        const std::string& line = unit.interfaceLines[static_cast<std::size_t>(k)];
        if (data.lineSetB(kFirstInterfaceLine + k) != line) {
            data.setLineSetB(kFirstInterfaceLine + k, line);
            changes.interfaceLines = true;
        }
    }
    return changes;
}

SettingsSnapshot ReplayChangedParts(const SettingsSnapshot& base, const SettingsSnapshot& from,
                                    const SettingsSnapshot& to) {
    SettingsSnapshot result = base;
    if (from.program.name != to.program.name)
        result.program.name = to.program.name;
    for (std::size_t i = 0; i < result.program.inputs.size(); ++i) {
        if (from.program.inputs[i] != to.program.inputs[i] ||
            from.inputBandsOff[i] != to.inputBandsOff[i]) {
            result.program.inputs[i] = to.program.inputs[i];
            result.inputBandsOff[i] = to.inputBandsOff[i];
        }
    }
    for (std::size_t o = 0; o < result.program.outputs.size(); ++o) {
        if (from.program.outputs[o] != to.program.outputs[o] ||
            from.outputBandsOff[o] != to.outputBandsOff[o]) {
            result.program.outputs[o] = to.program.outputs[o];
            result.outputBandsOff[o] = to.outputBandsOff[o];
        }
    }
    auto replay = [](auto& target, const auto& before, const auto& after) {
        if (before != after)
            target = after;
    };
    replay(result.unit.inputSource, from.unit.inputSource, to.unit.inputSource);
    replay(result.unit.backlight, from.unit.backlight, to.unit.backlight);
    replay(result.unit.temperature, from.unit.temperature, to.unit.temperature);
    replay(result.unit.interfaceLines, from.unit.interfaceLines, to.unit.interfaceLines);
    return result;
}
