#include "ReplyFrames.h"

Bytes UnitReply(std::uint8_t kind, std::uint8_t slot, std::uint8_t section, std::uint8_t channel,
                std::uint8_t parameter, const Bytes& payload, std::uint8_t deviceId) {
    Bytes frame{0xB1,      kind,    deviceId,
                slot,      section, channel,
                parameter, 0x00,    static_cast<std::uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        x ^= frame[i];
    frame.push_back(x);
    frame.push_back(0xAA);
    return frame;
}

Bytes WithFiller(const Bytes& bytes, int fillers) {
    Bytes out(static_cast<std::size_t>(fillers), 0xFF);
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}
