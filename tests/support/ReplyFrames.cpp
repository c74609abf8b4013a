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

void PutWord(Bytes& p, std::size_t offset, int value) {
    p[offset] = static_cast<std::uint8_t>(value & 0xFF);
    p[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutText(Bytes& p, std::size_t offset, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        p[offset + i] = static_cast<std::uint8_t>(text[i]);
}

// Band layout: frequency, gain code, bandwidth code (2 bytes each), slope, type.
void PutBand(Bytes& p, std::size_t offset, int frequency, int gainCode, int bandwidthCode,
             int slope, int type) {
    PutWord(p, offset, frequency);
    PutWord(p, offset + 2, gainCode);
    PutWord(p, offset + 4, bandwidthCode);
    p[offset + 6] = static_cast<std::uint8_t>(slope);
    p[offset + 7] = static_cast<std::uint8_t>(type);
}

// A plausible input block (96 bytes): every band 1000 Hz, 0 dB, 0.95 octaves (code 90), PEQ;
// gain code 1100 (0 dB), crossovers off, name "Kick".
Bytes InputBlock() {
    Bytes p(96, 0);
    for (std::size_t b = 0; b < 8; ++b)
        PutBand(p, b * 8, 1000, 600, 90, 0, 0);
    p[64] = 1;            // on
    p[65] = 0;            // polarity
    PutWord(p, 66, 1100); // gain code
    PutWord(p, 68, 0);    // delay
    PutWord(p, 72, 10);   // high-pass 10 Hz, BTWorth, 12 dB
    p[74] = 2;
    PutWord(p, 76, 30000); // low-pass 30000 Hz
    p[78] = 2;
    p[80] = 120; // gate threshold
    PutText(p, 88, "Kick");
    for (std::size_t i = 92; i < 96; ++i)
        p[i] = ' ';
    return p;
}

// A plausible output block (80 bytes).
Bytes OutputBlock() {
    Bytes p(80, 0);
    for (std::size_t b = 0; b < 6; ++b)
        PutBand(p, b * 8, 2000, 600, 90, 0, 0);
    p[48] = 1;
    PutWord(p, 50, 1100);
    p[54] = 1; // mix: input A
    PutWord(p, 56, 10);
    p[58] = 2;
    PutWord(p, 60, 30000);
    p[62] = 2;
    PutWord(p, 64, 400); // threshold
    p[68] = 20;          // clip limit
    PutText(p, 72, "Sub     ");
    return p;
}
