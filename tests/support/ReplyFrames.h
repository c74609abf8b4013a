#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "TestBytes.h"

// A reply frame as the unit sends it (no filler bytes), with the checksum computed here,
// independently of the frame code under test: XOR of bytes 1 .. 8+N.
Bytes UnitReply(std::uint8_t kind, std::uint8_t slot, std::uint8_t section, std::uint8_t channel,
                std::uint8_t parameter, const Bytes& payload, std::uint8_t deviceId = 1);
// `bytes` preceded by `fillers` 0xFF bytes.
Bytes WithFiller(const Bytes& bytes, int fillers = 1);

// Little-endian word, text and one band (frequency, gain code, bandwidth code, slope, type) put
// into a block payload at `offset`.
void PutWord(Bytes& p, std::size_t offset, int value);
void PutText(Bytes& p, std::size_t offset, const std::string& text);
void PutBand(Bytes& p, std::size_t offset, int frequency, int gainCode, int bandwidthCode,
             int slope, int type);

// A plausible input block (96 bytes): every band 1000 Hz, 0 dB, 0.95 octaves (code 90), PEQ;
// gain code 1100 (0 dB), crossovers off, name "Kick".
Bytes InputBlock();
// A plausible output block (80 bytes): every band 2000 Hz, fed by input A, name "Sub".
Bytes OutputBlock();

// Channel blocks of a wrong length, live (parameter 0) and stored (0x77), with the warning
// the operator is shown for each.
struct WrongLengthBlock {
    const char* name;
    std::uint8_t section;
    std::uint8_t parameter;
    std::size_t length;
    const char* warning;
};
inline const std::vector<WrongLengthBlock> kWrongLengthBlocks = {
    {"live input block", 1, 0, 95, "输入数据长度错误"},
    {"stored input block", 1, 0x77, 97, "输入数据长度错误"},
    {"live output block", 2, 0, 96, "接收输出数据长度错误"},
    {"stored output block", 2, 0x77, 79, "接收输出数据长度错误"},
};
