#pragma once

#include <optional>

#include "model/BiquadCascade.h"

class Filter;

// The unit's equaliser bands and crossover filters as the digital biquads it runs at 96 kHz,
// designed from their parameters with the unit's own constants and tables. The magnitude graph
// (FilterResponse) evaluates these at the grid frequencies; phase, group delay, the import's
// achievable response and the predicted sums evaluate them anywhere. An empty cascade is a flat
// filter; out-of-table slopes or kinds give one.
namespace UnitFilterDesign {

// The unit's sample rate and its constants for 2 pi / 96000 and the half-angle scale of peaking
// bands (2 pi rounded to 6.2831852).
inline constexpr double kSampleRate = 96000.0;
inline constexpr double kRadiansPerHz = 6.2831852 / kSampleRate;
inline constexpr double kPeakingRadiansPerHz = kRadiansPerHz * 0.5;

// Peaking band: centre `hz`, gain in dB, bandwidth in octaves.
BiquadCascade Peaking(double hz, double gainDb, double octaves);
// Low (`high` false) or high shelf, slope 0 = 6 dB, 1 = 12 dB; flat at exactly 0 dB.
BiquadCascade Shelf(bool high, double hz, double gainDb, int slope);
// High-pass (`highPass` true) or low-pass crossover of a kind (0 L_R, 1 Bessel, 2 BTWorth) and
// slope (0..3 = 12, 18, 24, 48 dB/oct), without the flat limits at 10 Hz and 30000 Hz.
BiquadCascade Crossover(bool highPass, double hz, int kind, int slope);

// A shelf's frequency is its corner; the biquad is designed around its midpoint (where it has
// half its gain), which lies this factor above (low shelf) or below (high shelf) the corner.
// Nothing for a slope other than 0 (6 dB) or 1 (12 dB).
std::optional<double> ShelfMidpointFactor(bool high, int slope);
// The shelf parameter S of the unit's shelf of a slope (0.5 for 6 dB, 1.3 for 12 dB).
std::optional<double> ShelfSlopeParameter(int slope);

// The filter as its record has it: a band that is off, a high-pass at 10 Hz or below and a
// low-pass at 30000 Hz or above are flat. Nothing for a type no filter has (its drawn response
// then stays as it was).
std::optional<BiquadCascade> Of(const Filter& filter);

} // namespace UnitFilterDesign
