#pragma once

// The answer a sound unit gives to a request frame, for the fuzz targets and their seeds: an
// acknowledgement of a write; a block of the right length or the global reply of the right form
// to a read (a probe is answered with the probed ID and the unit's type, the temperature with
// 25 C, anything else with zero bytes).

#include "ReplyFrames.h"
#include "protocol/Frame.h"
#include "protocol/ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct UnitAnswer {
    std::uint8_t kind = kKindAck;
    std::uint8_t deviceId = 1;
    std::uint8_t slot = 0;
    std::uint8_t section = kSectionGlobal;
    std::uint8_t channel = 0;
    std::uint8_t parameter = 0;
    Bytes payload;

    Bytes Frame() const {
        return UnitReply(kind, slot, section, channel, parameter, payload, deviceId);
    }
};

// Length of a global reply's payload by its command code.
inline std::size_t GlobalReplyLength(int code) {
    switch (code) {
    case kGlobalProgramName:
        return kProgramNameField;
    case kGlobalMeters:
        return ReplyDecoder::kMeterCount;
    case kGlobalLineSetA:
    case kGlobalLineSetB:
        return 4 * kTextLineField;
    case kGlobalShortTag:
        return kShortTagField;
    case kGlobalDeviceId:
        return 2;
    case kGlobalIdentification:
        return 13;
    default:
        return 1;
    }
}

// Precondition: the request is a whole frame (at least kFrameOverhead bytes).
inline UnitAnswer SoundAnswer(std::span<const std::uint8_t> request, int deviceType) {
    UnitAnswer a;
    a.deviceId = request[kOffsetDeviceId];
    a.slot = request[kOffsetSlot];
    a.section = request[kOffsetSection];
    a.channel = request[kOffsetChannel];
    a.parameter = request[kOffsetParameter];
    if (request[kOffsetKind] == kKindWrite) {
        a.payload = Bytes{0};
        return a;
    }
    a.kind = kKindDataReply;
    if (a.section == kSectionInput) {
        a.payload.assign(ReplyDecoder::kInputBlockLength, 0);
    } else if (a.section == kSectionOutput) {
        a.payload.assign(ReplyDecoder::kOutputBlockLength, 0);
    } else {
        a.parameter = 0;
        a.payload.assign(GlobalReplyLength(a.channel), 0);
        if (a.channel == kGlobalDeviceId)
            a.payload = Bytes{request[kOffsetPayload], static_cast<std::uint8_t>(deviceType)};
        else if (a.channel == kGlobalTemperature)
            a.payload = Bytes{25};
    }
    return a;
}
