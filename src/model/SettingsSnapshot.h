#pragma once

#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"

#include <array>
#include <cstdint>
#include <string>

// The unit-wide settings the tool dialogs and the input editor edit. They have no change flags:
// whoever changes them sends their frames.
struct UnitSettingsImage {
    int inputSource = 0; // 0 analog, 1 digital (4x8 only)
    int backlight = 0;   // 0 "Keep On", 1 timed
    int temperature = 0; // degrees C
    std::array<std::string, kInterfaceLines> interfaceLines{};

    bool operator==(const UnitSettingsImage&) const = default;
};

// What an operator edits in a program container, as plain values: the program name, the twelve
// channels as a stored program holds them, and the unit-wide settings. Undo, redo and the A/B
// comparison keep their states as snapshots (a few kilobytes each) and restore them through
// ApplySnapshot. View state (which curves the graph draws) is not part of it.
struct SettingsSnapshot {
    ProgramImage program;
    // A band switched off keeps its gain, which the image holds; bit b set: band b is off.
    std::array<std::uint8_t, kInputCount> inputBandsOff{};
    std::array<std::uint8_t, kOutputCount> outputBandsOff{};
    UnitSettingsImage unit;

    bool operator==(const SettingsSnapshot&) const = default;
};

SettingsSnapshot TakeSnapshot(const ProgramContainer& data);

// What ApplySnapshot changed.
struct SnapshotChanges {
    std::uint32_t inputs = 0;  // bit i: a value of input i changed
    std::uint32_t outputs = 0; // bit o: a value of output o changed
    bool programName = false;
    bool inputSource = false;
    bool backlight = false;
    bool temperature = false;
    bool interfaceLines = false;

    bool Any() const { return inputs != 0 || outputs != 0 || programName || UnitSettingsChanged(); }
    bool UnitSettingsChanged() const {
        return inputSource || backlight || temperature || interfaceLines;
    }
    bool operator==(const SnapshotChanges&) const = default;
};

// Makes the container hold `snapshot`: every channel value that differs is written through its
// record's setter, so exactly the groups that differ get their change flags and the send tick
// transmits only those (a crossover walks to its frequency an octave per frame, as after any
// edit); equal values are not touched. Channels the container's model lacks take their values
// without flags, since the unit has no such channel. The program name and the unit-wide settings
// are taken without flags; the caller sends the unit-wide settings reported changed. Curves of
// changed channels are recomputed.
SnapshotChanges ApplySnapshot(ProgramContainer& data, const SettingsSnapshot& snapshot);

// `base` with every part in which `from` and `to` differ taken from `to`: a step from `from` to
// `to` replayed onto settings that have changed elsewhere since, leaving those other changes
// alone. The parts are the program name, each channel and each unit-wide setting.
SettingsSnapshot ReplayChangedParts(const SettingsSnapshot& base, const SettingsSnapshot& from,
                                    const SettingsSnapshot& to);
