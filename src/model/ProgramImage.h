#pragma once

#include <array>
#include <cstdint>
#include <string>

// Fixed-layout records of one stored program, as the unit keeps it in a program memory.
// The document's program bank holds 30 of them; the reply decoder fills them, the program
// library file stores them field by field (never as a memory block) and the container loads
// them into its channel records. Every field holds the wire index, not a physical value.
// All fields start at zero (empty name), like a cleared memory block.

// One equaliser band.
struct BandImage {
    std::int16_t frequency = 0; // Hz
    std::int16_t gain = 0;      // gain index: dB = index x 0.1 - 30
    std::int16_t bandwidth = 0; // bandwidth index (scale depends on the model)
    std::uint8_t slope = 0;     // shelf slope: 0 = 6 dB, 1 = 12 dB
    std::uint8_t type = 0;      // 0 PEQ, 1 low shelf, 2 high shelf

    bool operator==(const BandImage&) const = default;
};

// One input channel (A..D).
struct InputImage {
    static constexpr int kBandCount = 8;

    std::array<BandImage, kBandCount> bands{};
    std::uint8_t on = 0;       // 1 on, 0 muted
    std::uint8_t polarity = 0; // 1 inverted
    std::int16_t delay = 0;    // delay index
    std::int16_t gain = 0;     // gain index
    std::uint8_t reservedA = 0;
    std::uint8_t reservedB = 0;
    std::string name;
    std::int16_t highPassFrequency = 0; // Hz
    std::uint8_t highPassKind = 0;      // 0 L_R, 1 Bessel, 2 BTWorth
    std::uint8_t highPassSlope = 0;     // 0 = 12, 1 = 18, 2 = 24, 3 = 48 dB/oct
    std::int16_t lowPassFrequency = 0;  // Hz
    std::uint8_t lowPassKind = 0;
    std::uint8_t lowPassSlope = 0;
    std::uint8_t gateThreshold = 0; // dBu = index - 120
    std::uint8_t gateOff = 0;       // 1 noise gate disabled

    bool operator==(const InputImage&) const = default;
};

// One output channel (1..8).
struct OutputImage {
    static constexpr int kBandCount = 6;

    std::array<BandImage, kBandCount> bands{};
    std::uint8_t on = 0;                // 1 on, 0 muted
    std::uint8_t polarity = 0;          // 1 inverted
    std::int16_t delay = 0;             // delay index
    std::int16_t gain = 0;              // gain index
    std::uint8_t mix = 0;               // bit 0 input A .. bit 3 input D
    std::uint8_t reserved = 0;          // carried along; no meaning
    std::int16_t highPassFrequency = 0; // Hz
    std::uint8_t highPassKind = 0;      // 0 L_R, 1 Bessel, 2 BTWorth
    std::uint8_t highPassSlope = 0;     // 0 = 12, 1 = 18, 2 = 24, 3 = 48 dB/oct
    std::int16_t lowPassFrequency = 0;  // Hz
    std::uint8_t lowPassKind = 0;
    std::uint8_t lowPassSlope = 0;
    std::int16_t threshold = 0;    // limiter threshold index: dBu = index x 0.1 - 30
    std::uint8_t attack = 0;       // attack index
    std::uint8_t release = 0;      // release index (multiple of the attack time)
    std::uint8_t clipLimit = 0;    // clip limit index
    std::uint8_t ratio = 0;        // ratio index
    std::uint8_t dynamicsType = 0; // 0 Limit, 1 Compressor
    std::uint8_t dynamicsMode = 0; // 0 Manual, 1 Auto
    std::string name;

    bool operator==(const OutputImage&) const = default;
};

// One complete program.
struct ProgramImage {
    static constexpr int kInputCount = 4;
    static constexpr int kOutputCount = 8;

    std::array<InputImage, kInputCount> inputs{};
    std::array<OutputImage, kOutputCount> outputs{};
    std::string name;
    std::uint8_t flag = 0; // copied with the image; not stored in files

    bool operator==(const ProgramImage&) const = default;
};
