#include "model/FilterResponse.h"

#include <cmath>

#include "model/UnitFilterDesign.h"

namespace {

using FilterResponse::Values;

// cos and sin of the evaluation angle at every grid frequency: the grid is fixed, so these are
// computed once for the whole program.
struct GridAngles {
    std::array<double, kGridPoints> cosFull{};
    std::array<double, kGridPoints> sinFull{};
    std::array<double, kGridPoints> cosHalf{};
    std::array<double, kGridPoints> sinHalf{};
};

const GridAngles& Angles() {
    static const GridAngles angles = [] {
        GridAngles a;
        const auto& grid = FrequencyGrid();
        for (std::size_t i = 0; i < grid.size(); ++i) {
            const double w = grid[i] * UnitFilterDesign::kRadiansPerHz;
            a.cosFull[i] = std::cos(w);
            a.sinFull[i] = std::sin(w);
            a.cosHalf[i] = std::cos(w * 0.5);
            a.sinHalf[i] = std::sin(w * 0.5);
        }
        return a;
    }();
    return angles;
}

// The cascade's level at every grid point; coefficients that are not finite (parameters far
// outside any range) give a flat response.
void Evaluate(const BiquadCascade& cascade, const std::array<double, kGridPoints>& cosW,
              const std::array<double, kGridPoints>& sinW, Values& out) {
    if (!cascade.IsFinite()) {
        FilterResponse::Flat(out);
        return;
    }
    cascade.LevelsDb(cosW, sinW, out);
}

} // namespace

namespace FilterResponse {

void Flat(Values& out) {
    out.fill(0.0);
}

void OnGrid(const BiquadCascade& cascade, Values& out) {
    if (cascade.count == 0) {
        Flat(out);
        return;
    }
    const GridAngles& angles = Angles();
    if (cascade.radiansPerHz == UnitFilterDesign::kPeakingRadiansPerHz) {
        Evaluate(cascade, angles.cosHalf, angles.sinHalf, out);
    } else if (cascade.radiansPerHz == UnitFilterDesign::kRadiansPerHz) {
        Evaluate(cascade, angles.cosFull, angles.sinFull, out);
    } else {
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] = LevelDb(cascade.At(FrequencyGrid()[i]));
        }
    }
}

void Peaking(int hz, double gainDb, double octaves, Values& out) {
    OnGrid(UnitFilterDesign::Peaking(hz, gainDb, octaves), out);
}

void Shelf(bool high, int hz, double gainDb, int slope, Values& out) {
    OnGrid(UnitFilterDesign::Shelf(high, hz, gainDb, slope), out);
}

void Crossover(bool highPass, int hz, int kind, int slope, Values& out) {
    OnGrid(UnitFilterDesign::Crossover(highPass, hz, kind, slope), out);
}

} // namespace FilterResponse
