#pragma once

#include "model/DeviceModel.h"
#include "model/Filter.h"

// An equaliser band with the given settings, on a unit of `deviceType`.
inline Filter Band(int type, int hz, int gainIndex, int bandwidthIndex, int slope = 0,
                   int deviceType = kDeviceType4x8) {
    Filter f;
    f.setDeviceType(deviceType);
    f.setType(type);
    f.setSlope(slope);
    f.setFrequency(hz);
    f.setBandwidthIndex(bandwidthIndex);
    f.setGainIndex(gainIndex);
    return f;
}

// A crossover filter (high-pass or low-pass) with the given settings.
inline Filter Crossover(int type, int hz, int kind, int slope) {
    Filter f;
    f.setType(type);
    f.setIsBand(0);
    f.setKind(kind);
    f.setSlope(slope);
    f.setFrequency(hz);
    return f;
}
