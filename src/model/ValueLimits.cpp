#include "model/ValueLimits.h"

#include "model/DeviceModel.h"

#include <array>

namespace {

ModelRanges RangesOf(const DeviceModel& model) {
    return {
        {0, model.inputGainMax}, {0, model.outputGainMax}, {0, model.delayMax},
        {0, model.bandwidthMax}, model.gainCodeOffset,     model.bandwidthWireFactor,
    };
}

} // namespace

const ModelRanges& ModelRangesFor(int deviceType) {
    static const std::array<ModelRanges, kDeviceModels.size()> ranges{
        RangesOf(kDeviceModels[0]),
        RangesOf(kDeviceModels[1]),
        RangesOf(kDeviceModels[2]),
    };
    const DeviceModel& model = DeviceModelOf(deviceType);
    return ranges[static_cast<std::size_t>(&model - kDeviceModels.data())];
}
