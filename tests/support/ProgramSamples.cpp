#include "ProgramSamples.h"

#include "model/ProgramContainer.h"

#include <string>

ProgramImage SampleImage() {
    ProgramImage image;
    image.name = "Stage Left";
    for (int i = 0; i < 4; ++i) {
        InputImage& in = image.inputs[static_cast<std::size_t>(i)];
        in.name = "Input" + std::to_string(i);
        in.on = static_cast<std::uint8_t>(i % 2);
        in.polarity = 1;
        in.delay = static_cast<std::int16_t>(1000 * (i + 1));
        in.gain = static_cast<std::int16_t>(300 + i);
        in.reservedA = 7;
        in.reservedB = 9;
        in.highPassFrequency = static_cast<std::int16_t>(40 + i);
        in.highPassKind = 1;
        in.highPassSlope = 3;
        in.lowPassFrequency = 18000;
        in.lowPassKind = 0;
        in.lowPassSlope = 2;
        in.gateThreshold = static_cast<std::uint8_t>(90 + i);
        in.gateOff = 1;
        for (int b = 0; b < 8; ++b)
            in.bands[static_cast<std::size_t>(b)] =
                BandImage{static_cast<std::int16_t>(100 * (b + 1)),
                          static_cast<std::int16_t>(250 + 10 * b), static_cast<std::int16_t>(b),
                          static_cast<std::uint8_t>(b % 2), static_cast<std::uint8_t>(b % 3)};
    }
    for (int o = 0; o < 8; ++o) {
        OutputImage& out = image.outputs[static_cast<std::size_t>(o)];
        out.name = "Out" + std::to_string(o);
        out.on = 1;
        out.polarity = static_cast<std::uint8_t>(o % 2);
        out.delay = static_cast<std::int16_t>(50 * o);
        out.gain = static_cast<std::int16_t>(200 + o);
        out.mix = static_cast<std::uint8_t>(o + 1);
        out.highPassFrequency = static_cast<std::int16_t>(80 + o);
        out.highPassKind = 2;
        out.highPassSlope = 1;
        out.lowPassFrequency = static_cast<std::int16_t>(12000 + o);
        out.lowPassKind = 1;
        out.lowPassSlope = 0;
        out.threshold = static_cast<std::int16_t>(450 - o);
        out.attack = static_cast<std::uint8_t>(10 + o);
        out.release = 3;
        out.clipLimit = 25;
        out.ratio = 5;
        out.dynamicsType = 1;
        out.dynamicsMode = static_cast<std::uint8_t>(o % 2);
        for (int b = 0; b < 6; ++b)
            out.bands[static_cast<std::size_t>(b)] =
                BandImage{static_cast<std::int16_t>(2000 + b), static_cast<std::int16_t>(320 + b),
                          static_cast<std::int16_t>(40 + b), 1, static_cast<std::uint8_t>(b % 3)};
    }
    return image;
}

namespace {

bool AnyFilterChanged(const Channel& record) {
    for (int f = 0; f < record.filterCount(); ++f) {
        if (record.filter(f).changed() != 0)
            return true;
    }
    return false;
}

} // namespace

bool AnyChangeFlagRaised(const ProgramContainer& data) {
    for (const InputChannel& in : data.inputs()) {
        if (in.nameChanged() || in.mainChanged() || in.gateChanged() || AnyFilterChanged(in))
            return true;
    }
    for (const OutputChannel& out : data.outputs()) {
        if (out.nameChanged() || out.mainChanged() || out.dynamicsChanged() ||
            AnyFilterChanged(out))
            return true;
    }
    return false;
}

void SettleChangeFlags(ProgramContainer& data) {
    // Each pass moves every lagging crossover one octave on; 30000 / 10 Hz takes 12 passes.
    for (int pass = 0; pass < 100 && AnyChangeFlagRaised(data); ++pass)
        data.clearChangeFlags();
}
