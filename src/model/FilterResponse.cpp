#include "model/FilterResponse.h"

#include <cmath>

#include "model/Filter.h"

namespace {

using FilterResponse::Values;

// The unit's filters run at 96 kHz. Peaking bands are modelled on a half-angle frequency scale;
// these constants are the unit's own (2 pi rounded to 6.2831852).
constexpr double kTwoPi = 6.2831852;
constexpr double kSampleRate = 96000.0;
constexpr double kPeakingW0PerHz = 0.000032724925; // 2 pi / 96000 x 0.5
constexpr double kW0PerHz = 0.00006544985;         // 2 pi / 96000
constexpr double kLn2 = 0.69314718;
// a0 of a section that would be exactly zero.
constexpr double kTinyA0 = 1e-10;
// Power ratios beyond +-600 dB carry no meaning for the graph; limiting them keeps every value
// finite even for parameters that put a pole or zero onto a grid point.
constexpr double kMinPowerRatio = 1e-60;
constexpr double kMaxPowerRatio = 1e60;

constexpr std::size_t kMaxSections = 4;

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
            const double w = kTwoPi * grid[i] / kSampleRate;
            a.cosFull[i] = std::cos(w);
            a.sinFull[i] = std::sin(w);
            a.cosHalf[i] = std::cos(w * 0.5);
            a.sinHalf[i] = std::sin(w * 0.5);
        }
        return a;
    }();
    return angles;
}

// One biquad section, normalised (a0 = 1), kept in the form the magnitude needs at angle w:
// Re N = (n0 + n2) cos w + n1, Im N = (n0 - n2) sin w, and the same for the denominator.
struct Section {
    double numSum = 1.0;  // n0 + n2
    double n1 = 0.0;      //
    double numDiff = 1.0; // n0 - n2
    double denSum = 1.0;  // 1 + d2
    double d1 = 0.0;      //
    double denDiff = 1.0; // 1 - d2
};

struct Cascade {
    std::array<Section, kMaxSections> sections{};
    std::size_t count = 0;

    // Adds a section from raw coefficients; divides by a0.
    void add(double b0, double b1, double b2, double a0, double a1, double a2) {
        const double n0 = b0 / a0;
        const double n1 = b1 / a0;
        const double n2 = b2 / a0;
        const double d1 = a1 / a0;
        const double d2 = a2 / a0;
        sections[count++] = Section{n0 + n2, n1, n0 - n2, 1.0 + d2, d1, 1.0 - d2};
    }

    bool finite() const {
        for (std::size_t k = 0; k < count; ++k) {
            const Section& s = sections[k];
            for (double v : {s.numSum, s.n1, s.numDiff, s.denSum, s.d1, s.denDiff}) {
                if (!std::isfinite(v)) {
                    return false;
                }
            }
        }
        return true;
    }
};

// Sum of the sections' dB values at every grid point, taken as one logarithm of the product of
// their power ratios. Coefficients that are not finite (parameters far outside any range) give
// a flat response.
void Evaluate(const Cascade& cascade, const std::array<double, kGridPoints>& cosW,
              const std::array<double, kGridPoints>& sinW, Values& out) {
    if (!cascade.finite()) {
        FilterResponse::Flat(out);
        return;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double c = cosW[i];
        const double s = sinW[i];
        double num = 1.0;
        double den = 1.0;
        for (std::size_t k = 0; k < cascade.count; ++k) {
            const Section& q = cascade.sections[k];
            const double nr = q.numSum * c + q.n1;
            const double ni = q.numDiff * s;
            const double dr = q.denSum * c + q.d1;
            const double di = q.denDiff * s;
            num *= nr * nr + ni * ni;
            den *= dr * dr + di * di;
        }
        double ratio = num / den;
        if (!(ratio >= kMinPowerRatio)) { // also catches 0 / 0
            ratio = kMinPowerRatio;
        } else if (ratio > kMaxPowerRatio) {
            ratio = kMaxPowerRatio;
        }
        out[i] = 10.0 * std::log10(ratio); // = 20 log10 of the magnitude
    }
}

double NonZero(double a0) {
    return a0 == 0.0 ? kTinyA0 : a0;
}

// ---- Crossover tables -------------------------------------------------------------------------

// 1 / (2 Q) of each section, per kind (L_R, Bessel, BTWorth) and slope (12, 18, 24, 48 dB).
// A zero entry is a section that passes unchanged. The Bessel row serves the high-pass only.
constexpr double kSectionDamping[3][4][kMaxSections] = {
    {
        {1.0, 0, 0, 0},
        {1.0, 0.70422535211, 0, 0},
        {0.70422535211, 0.70422535211, 0, 0},
        {0.92592592593, 0.373134315, 0.92592592593, 0.373134315},
    },
    {
        {0.70422535, 0, 0, 0},
        {0.756, 0.72463768, 0, 0},
        {0.96153846, 0.61728395, 0, 0},
        {0.98039216, 0.89285714, 0.70422535, 0.40650406},
    },
    {
        {0.70422535, 0, 0, 0},
        {1.0, 0.5, 0, 0},
        {0.92592593, 0.38167939, 0, 0},
        {0.98039216, 0.83333333, 0.55555556, 0.1953125},
    },
};

// A Bessel filter's corner is moved so that its -3 dB point lies near the set frequency.
constexpr double kBesselHighPassDivisor[4] = {1.2683112435, 1.2854981442, 1.5006420029,
                                              1.679120141};
constexpr double kBesselLowPassDivisor[4] = {1.3616541287, 1.75567236868, 2.1139176749,
                                             3.17961723751};

// Bessel low-pass sections 1 / (r s^2 + p s + 1); p = 0 passes unchanged.
struct BesselLowPassSection {
    double p;
    double r;
};
constexpr BesselLowPassSection kBesselLowPass[4][kMaxSections] = {
    {{1.0, 0.3333333333}, {0, 0}, {0, 0}, {0, 0}},
    {{0.5693712514, 0.154812441}, {0.430628846, 0}, {0, 0}, {0, 0}},
    {{0.369, 0.087858766}, {0.6278294896, 0.109408}, {0, 0}, {0, 0}},
    {{0.117235677, 0.02064747},
     {0.226516664, 0.0259273886},
     {0.3067559, 0.0294683265},
     {0.3494916166, 0.031272257}},
};

Cascade BesselLowPass(double hz, int slope) {
    Cascade cascade;
    const double w0 = hz / kBesselLowPassDivisor[slope] * kW0PerHz;
    const double t = std::tan(w0 / 2.0);
    const double t2 = t * t;
    for (const BesselLowPassSection& sec : kBesselLowPass[slope]) {
        if (sec.p == 0.0) {
            continue;
        }
        cascade.add(t2, 2.0 * t2, t2, NonZero(sec.p * t + t2 + sec.r), 2.0 * t2 - 2.0 * sec.r,
                    t2 - sec.p * t + sec.r);
    }
    return cascade;
}

Cascade SecondOrderCrossover(bool highPass, double hz, int kind, int slope) {
    Cascade cascade;
    const double w0 = hz * kW0PerHz;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double* damping = kSectionDamping[kind][slope];
    for (std::size_t k = 0; k < kMaxSections; ++k) {
        const double ck = damping[k];
        if (ck == 0.0) {
            continue;
        }
        if (k == 0 && slope == Filter::kSlope18) {
            // Odd order: the first section is first order.
            const double t = std::tan(w0 / 2.0);
            if (highPass) {
                cascade.add(1.0, -1.0, 0.0, NonZero(ck * t + 1.0), ck * t - 1.0, 0.0);
            } else {
                cascade.add(t, t, 0.0, NonZero(t + ck), t - ck, 0.0);
            }
            continue;
        }
        const double alpha = s * ck;
        const double b0 = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        const double b1 = highPass ? -(1.0 + c) : 1.0 - c;
        cascade.add(b0, b1, b0, NonZero(1.0 + alpha), -2.0 * c, 1.0 - alpha);
    }
    return cascade;
}

// Shelf corner factor m and shelf parameter S per type (low, high) and slope (6, 12 dB).
struct ShelfShape {
    double cornerFactor;
    double shelfS;
};
constexpr ShelfShape kShelfShapes[2][2] = {
    {{2.0, 0.5}, {1.2727272727, 1.3}},
    {{0.4545454546, 0.5}, {0.76923076923, 1.3}},
};

} // namespace

namespace FilterResponse {

void Flat(Values& out) {
    out.fill(0.0);
}

void Peaking(int hz, double gainDb, double octaves, Values& out) {
    const double w0 = hz * kPeakingW0PerHz;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(kLn2 * octaves * w0 / sinW0);
    const double cosW0 = std::cos(w0);
    Cascade cascade;
    cascade.add(1.0 + alpha * a, -2.0 * cosW0, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cosW0,
                1.0 - alpha / a);
    Evaluate(cascade, Angles().cosHalf, Angles().sinHalf, out);
}

void Shelf(bool high, int hz, double gainDb, int slope, Values& out) {
    if (slope < 0 || slope > 1 || gainDb == 0.0) {
        Flat(out);
        return;
    }
    const ShelfShape& shape = kShelfShapes[high ? 1 : 0][slope];
    const double w0 = hz * kW0PerHz * shape.cornerFactor;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha =
        std::sin(w0) / 2.0 * std::sqrt((a + 1.0 / a) * (1.0 / shape.shelfS - 1.0) + 2.0);
    const double beta = 2.0 * std::sqrt(a) * alpha;
    const double c = std::cos(w0);
    Cascade cascade;
    if (high) {
        cascade.add(a * ((a + 1.0) + (a - 1.0) * c + beta), -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
                    a * ((a + 1.0) + (a - 1.0) * c - beta), (a + 1.0) - (a - 1.0) * c + beta,
                    2.0 * ((a - 1.0) - (a + 1.0) * c), (a + 1.0) - (a - 1.0) * c - beta);
    } else {
        cascade.add(a * ((a + 1.0) - (a - 1.0) * c + beta), 2.0 * a * ((a - 1.0) - (a + 1.0) * c),
                    a * ((a + 1.0) - (a - 1.0) * c - beta), (a + 1.0) + (a - 1.0) * c + beta,
                    -2.0 * ((a - 1.0) + (a + 1.0) * c), (a + 1.0) + (a - 1.0) * c - beta);
    }
    Evaluate(cascade, Angles().cosFull, Angles().sinFull, out);
}

void Crossover(bool highPass, int hz, int kind, int slope, Values& out) {
    if (kind < Filter::kLinkwitzRiley || kind > Filter::kButterworth || slope < Filter::kSlope12 ||
        slope > Filter::kSlope48) {
        Flat(out); // no such filter: nothing to draw
        return;
    }
    Cascade cascade;
    if (kind == Filter::kBessel && !highPass) {
        cascade = BesselLowPass(hz, slope);
    } else {
        const double corner = kind == Filter::kBessel ? hz / kBesselHighPassDivisor[slope] : hz;
        cascade = SecondOrderCrossover(highPass, corner, kind, slope);
    }
    Evaluate(cascade, Angles().cosFull, Angles().sinFull, out);
}

} // namespace FilterResponse
