#pragma once

#include "model/DeviceModel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One simulated loudspeaker processor as it appears on the serial line: it takes checked request
// frames addressed to its device ID and returns the one reply frame it sends back (without the
// 0xFF filler, which the line adds). Its settings are kept at byte level, in the payload layouts
// of the channel blocks, so that a block read returns exactly what was written and the
// simulator stays independent of the PC's parameter model.

inline constexpr int kSimInputCount = 4;                // every model keeps four input blocks
inline constexpr int kSimOutputCount = 8;               // and eight output blocks
inline constexpr int kSimSlotCount = kProgramSlotCount; // slot 0 = live settings, 1..30 memories
inline constexpr int kSimMeterCount = 12;               // inputs A..D, then outputs 1..8
inline constexpr int kInputBlockSize = 96;              // payload bytes of an input block
inline constexpr int kOutputBlockSize = 80;             // payload bytes of an output block
inline constexpr int kProgramNameSize = 15; // program name field, left-aligned, space padded
inline constexpr int kTextLinesSize = 80;   // four display lines of 20 bytes
inline constexpr int kShortTagSize = 7;

using InputBlock = std::array<std::uint8_t, kInputBlockSize>;
using OutputBlock = std::array<std::uint8_t, kOutputBlockSize>;

// One complete program: the live settings (slot 0) or one program memory (slots 1..30).
struct SimProgram {
    std::array<InputBlock, kSimInputCount> inputs{};
    std::array<OutputBlock, kSimOutputCount> outputs{};
    std::array<std::uint8_t, kProgramNameSize> name{};
};

// Unit-wide settings, as the global requests carry them.
struct SimGlobals {
    std::uint8_t inputSource = 0;         // 0 analog, 1 digital
    std::uint16_t globalFrequency = 1000; // Hz, 20..20000
    std::array<std::uint8_t, kTextLinesSize> lineSetA{};
    std::array<std::uint8_t, kTextLinesSize> lineSetB{};
    std::array<std::uint8_t, kShortTagSize> shortTag{};
    std::uint8_t backlight = 0;    // 0 keep on, 1 timed
    std::uint8_t temperature = 25; // degrees C
    std::uint8_t unitValue4 = 20;  // reported under global code 4
};

class VirtualUnit {
public:
    // deviceId 1..250; deviceType 1 = 4x8, 2 = 3x6, 3 = 2x4.
    VirtualUnit(int deviceId, int deviceType);

    int deviceId() const { return m_deviceId; }
    int deviceType() const { return m_deviceType; }

    // True when the request's address byte names this unit.
    bool IsAddressed(std::span<const std::uint8_t> request) const;

    // Carries out one request whose frame has already been checked (start, length, checksum and
    // end byte) and which is addressed to this unit. Returns the reply frame, or nothing when
    // the unit stays silent: the request is not one it knows or its values are out of range
    // (a wrong length, channel index or slot). Staying silent lets the PC's repetition and
    // time-out report the failure instead of a false acknowledgement.
    std::optional<std::vector<std::uint8_t>> Answer(std::span<const std::uint8_t> request);

    const SimProgram& Program(int slot) const { return m_programs.at(slot); }
    const SimGlobals& Globals() const { return m_globals; }
    std::string ProgramName(int slot) const; // trailing spaces removed

    // The meter levels the next poll reports; each call advances the simulated signal.
    std::array<std::uint8_t, kSimMeterCount> NextMeterLevels();

    // Number of inputs and outputs the model really has (the others read as silent).
    int PresentInputs() const;
    int PresentOutputs() const;

    // The identification the unit reports under global code 0x19.
    static std::string_view TypeCode(int deviceType); // "0408", "0306", "0204"
    static constexpr std::string_view kVersionText = "RA_R_I1.0";

    // The default settings a new unit starts with, for live settings and every memory.
    static SimProgram DefaultProgram();
    static std::string DefaultProgramName(int slot);

private:
    std::optional<std::vector<std::uint8_t>> AnswerChannelWrite(std::span<const std::uint8_t> r);
    std::optional<std::vector<std::uint8_t>> AnswerBlockWrite(std::span<const std::uint8_t> r);
    std::optional<std::vector<std::uint8_t>> AnswerBlockRead(std::span<const std::uint8_t> r);
    std::optional<std::vector<std::uint8_t>> AnswerGlobalWrite(std::span<const std::uint8_t> r);
    std::optional<std::vector<std::uint8_t>> AnswerGlobalRead(std::span<const std::uint8_t> r);
    std::vector<std::uint8_t> Acknowledge(std::span<const std::uint8_t> request,
                                          std::uint8_t kind) const;
    std::vector<std::uint8_t> DataReply(std::span<const std::uint8_t> request,
                                        std::span<const std::uint8_t> payload) const;

    int m_deviceId;
    int m_deviceType;
    std::array<SimProgram, kSimSlotCount> m_programs;
    SimGlobals m_globals;
    unsigned m_meterPhase = 0; // meter polls answered so far
};
