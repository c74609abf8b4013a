#pragma once

#include <algorithm>

#include "model/ParameterScales.h"

// The one table of index ranges a value from the unit or from a program file must lie in before
// it goes into a channel record or a program image. The engine's reply decoder and the program
// file reader both limit through it, so the two can never disagree about a range.

// Inclusive range of an index.
struct ValueRange {
    int low;
    int high;

    // The value moved to the nearer end when outside the range.
    constexpr int Clamp(int value) const { return std::clamp(value, low, high); }
};

// ---- Ranges shared by every model ----------------------------------------------------------

inline constexpr ValueRange kFlagRange{0, 1};
inline constexpr ValueRange kByteRange{0, 0xFF}; // a one-byte field taken as sent

// Equaliser bands.
inline constexpr ValueRange kFrequencyRange{kMinFrequencyHz, kMaxFrequencyHz}; // Hz
inline constexpr ValueRange kBandGainRange{0, kEqGainMaxIndex};
inline constexpr ValueRange kShelfSlopeRange{0, 1}; // 6dB, 12dB
inline constexpr ValueRange kBandTypeRange{kBandPeq, kBandHighShelf};

// Crossover items (the frequency range is the bands').
inline constexpr ValueRange kCrossoverKindRange{0, kCrossoverKindMax};
inline constexpr ValueRange kCrossoverSlopeRange{0, kCrossoverSlopeMax};

// Limiter / compressor of the outputs.
inline constexpr ValueRange kLimiterThresholdRange{0, kLimiterThresholdMaxIndex};
inline constexpr ValueRange kAttackRange{0, kAttackMaxIndex};
inline constexpr ValueRange kReleaseRange{0, kReleaseMaxIndex};
inline constexpr ValueRange kRatioRange{0, kRatioMaxIndex};
inline constexpr ValueRange kDynamicsTypeRange{0, 1}; // Limit, Compressor
inline constexpr ValueRange kDynamicsModeRange{0, 1}; // Manual, Auto

// Unit-wide settings.
inline constexpr ValueRange kInputSourceRange{0, 1};  // Analog, Digital
inline constexpr ValueRange kBacklightRange{0, 1};    // Keep On, timed
inline constexpr ValueRange kTemperatureRange{0, 50}; // degrees C

// ---- Ranges and wire offsets that differ by model -----------------------------------------

struct ModelRanges {
    ValueRange inputGain;
    ValueRange outputGain;
    ValueRange delay;
    ValueRange bandwidth;
    int gainCodeOffset;   // the unit's gain code minus this is the gain index
    int bandwidthDivisor; // the unit's bandwidth code divided by this (whole numbers) is the index
};

// Ranges of a device type. Any type other than 1, 2 or 3 gets the 4x8's ranges, the scales the
// program starts with, so an unknown type never leaves a value unlimited.
const ModelRanges& ModelRangesFor(int deviceType);
