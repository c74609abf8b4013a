#pragma once

#include <cstdint>

#include "TestBytes.h"

// A reply frame as the unit sends it (no filler bytes), with the checksum computed here,
// independently of the frame code under test: XOR of bytes 1 .. 8+N.
Bytes UnitReply(std::uint8_t kind, std::uint8_t slot, std::uint8_t section, std::uint8_t channel,
                std::uint8_t parameter, const Bytes& payload, std::uint8_t deviceId = 1);
// `bytes` preceded by `fillers` 0xFF bytes.
Bytes WithFiller(const Bytes& bytes, int fillers = 1);
