#pragma once

#include <array>

#include "model/BiquadCascade.h"
#include "model/ParameterScales.h"

// The magnitude responses of the unit's equaliser bands and crossover filters in dB at the 241
// grid frequencies, as pure functions of the parameters (the biquads of UnitFilterDesign). The
// filter record calls them whenever a parameter changes; the benchmark measures them.
// Out-of-table slopes or kinds give a flat response; any value is finite.
namespace FilterResponse {

// One value in dB per grid frequency.
using Values = std::array<double, kGridPoints>;

// 0 dB everywhere: a band that is off, a crossover at its end of the range.
void Flat(Values& out);
// The magnitude of a cascade at every grid frequency (flat for an empty one, and for one whose
// coefficients are not finite).
void OnGrid(const BiquadCascade& cascade, Values& out);
// Peaking band: centre `hz`, gain in dB, bandwidth in octaves (half-angle frequency scale).
void Peaking(int hz, double gainDb, double octaves, Values& out);
// Low (`high` false) or high shelf, slope 0 = 6 dB, 1 = 12 dB.
void Shelf(bool high, int hz, double gainDb, int slope, Values& out);
// High-pass (`highPass` true) or low-pass crossover of a kind (0 L_R, 1 Bessel, 2 BTWorth) and
// slope (0..3 = 12, 18, 24, 48 dB/oct), without the flat limits at 10 Hz and 30000 Hz (the
// filter record applies them).
void Crossover(bool highPass, int hz, int kind, int slope, Values& out);

} // namespace FilterResponse
