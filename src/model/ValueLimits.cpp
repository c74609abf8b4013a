#include "model/ValueLimits.h"

#include <array>

namespace {

// Gain code the unit uses for gain index 0: 700 on the 4x8 and 740 on the 3x6 and 2x4, so that
// 0 dB (index 400 on the 4x8, 360 on the others) travels as 1100 on every model.
constexpr int kGainCodeOffset4x8 = 700;
constexpr int kGainCodeOffsetSmall = 740;

// Built from the scales of DataDefine, which hold each model's maxima.
ModelRanges RangesOf(int deviceType, int gainCodeOffset) {
    return {
        {0, InputGainMaxIndex(deviceType).value_or(0)},
        {0, OutputGainMaxIndex(deviceType).value_or(0)},
        {0, DelayMaxIndex(deviceType).value_or(0)},
        {0, BandwidthMaxIndex(deviceType).value_or(0)},
        gainCodeOffset,
        BandwidthWireValue(deviceType, 1).value_or(1),
    };
}

} // namespace

const ModelRanges& ModelRangesFor(int deviceType) {
    static const std::array<ModelRanges, 3> ranges{
        RangesOf(kDeviceType4x8, kGainCodeOffset4x8),
        RangesOf(kDeviceType3x6, kGainCodeOffsetSmall),
        RangesOf(kDeviceType2x4, kGainCodeOffsetSmall),
    };
    const int type = IsKnownDeviceType(deviceType) ? deviceType : kDeviceType4x8;
    return ranges[static_cast<std::size_t>(type - kDeviceType4x8)];
}
