#include "model/UnitFilterDesign.h"

#include <cmath>

#include "model/Filter.h"
#include "model/ParameterScales.h"

namespace UnitFilterDesign {

namespace {

// The unit's design constants: 2 pi / 96000 for the corner of shelves and crossovers, and half of
// it for peaking bands.
constexpr double kW0PerHz = 0.00006544985;
constexpr double kPeakingW0PerHz = 0.000032724925;
constexpr double kLn2 = 0.69314718;
// a0 of a section that would be exactly zero.
constexpr double kTinyA0 = 1e-10;

double NonZero(double a0) {
    return a0 == 0.0 ? kTinyA0 : a0;
}

BiquadCascade Empty(double radiansPerHz = kRadiansPerHz) {
    BiquadCascade cascade;
    cascade.radiansPerHz = radiansPerHz;
    return cascade;
}

// ---- Crossover tables -------------------------------------------------------------------------

// 1 / (2 Q) of each section, per kind (L_R, Bessel, BTWorth) and slope (12, 18, 24, 48 dB).
// A zero entry is a section that passes unchanged. The Bessel row serves the high-pass only.
constexpr double kSectionDamping[3][4][kMaxCascadeSections] = {
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
constexpr BesselLowPassSection kBesselLowPass[4][kMaxCascadeSections] = {
    {{1.0, 0.3333333333}, {0, 0}, {0, 0}, {0, 0}},
    {{0.5693712514, 0.154812441}, {0.430628846, 0}, {0, 0}, {0, 0}},
    {{0.369, 0.087858766}, {0.6278294896, 0.109408}, {0, 0}, {0, 0}},
    {{0.117235677, 0.02064747},
     {0.226516664, 0.0259273886},
     {0.3067559, 0.0294683265},
     {0.3494916166, 0.031272257}},
};

BiquadCascade BesselLowPass(double hz, int slope) {
    BiquadCascade cascade = Empty();
    const double w0 = hz / kBesselLowPassDivisor[slope] * kW0PerHz;
    const double t = std::tan(w0 / 2.0);
    const double t2 = t * t;
    for (const BesselLowPassSection& sec : kBesselLowPass[slope]) {
        if (sec.p == 0.0) {
            continue;
        }
        if (sec.r == 0.0) {
            // 1 / (p s + 1): the second-order form t^2 (1 + z^-1)^2 / (t ((p + t) + 2t z^-1 +
            // (t - p) z^-2)) shares the factor (1 + z^-1) above and below; this is what is left.
            cascade.Add(BiquadSection::FromRaw(t, t, 0.0, NonZero(t + sec.p), t - sec.p, 0.0));
            continue;
        }
        cascade.Add(BiquadSection::FromRaw(t2, 2.0 * t2, t2, NonZero(sec.p * t + t2 + sec.r),
                                           2.0 * t2 - 2.0 * sec.r, t2 - sec.p * t + sec.r));
    }
    return cascade;
}

BiquadCascade SecondOrderCrossover(bool highPass, double hz, int kind, int slope) {
    BiquadCascade cascade = Empty();
    const double w0 = hz * kW0PerHz;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double* damping = kSectionDamping[kind][slope];
    for (std::size_t k = 0; k < kMaxCascadeSections; ++k) {
        const double ck = damping[k];
        if (ck == 0.0) {
            continue;
        }
        if (k == 0 && slope == Filter::kSlope18) {
            // Odd order: the first section is first order.
            const double t = std::tan(w0 / 2.0);
            if (highPass) {
                cascade.Add(
                    BiquadSection::FromRaw(1.0, -1.0, 0.0, NonZero(ck * t + 1.0), ck * t - 1.0, 0));
            } else {
                cascade.Add(BiquadSection::FromRaw(t, t, 0.0, NonZero(t + ck), t - ck, 0.0));
            }
            continue;
        }
        const double alpha = s * ck;
        const double b0 = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        const double b1 = highPass ? -(1.0 + c) : 1.0 - c;
        cascade.Add(
            BiquadSection::FromRaw(b0, b1, b0, NonZero(1.0 + alpha), -2.0 * c, 1.0 - alpha));
    }
    return cascade;
}

// Shelf midpoint factor m and shelf parameter S per type (low, high) and slope (6, 12 dB).
struct ShelfShape {
    double midpointFactor;
    double shelfS;
};
constexpr ShelfShape kShelfShapes[2][2] = {
    {{2.0, 0.5}, {1.2727272727, 1.3}},
    {{0.4545454546, 0.5}, {0.76923076923, 1.3}},
};

bool IsShelfSlope(int slope) {
    return slope == Filter::kShelf6 || slope == Filter::kShelf12;
}

} // namespace

BiquadCascade Peaking(double hz, double gainDb, double octaves) {
    const double w0 = hz * kPeakingW0PerHz;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(kLn2 * octaves * w0 / sinW0);
    const double cosW0 = std::cos(w0);
    BiquadCascade cascade = Empty(kPeakingRadiansPerHz);
    cascade.Add(BiquadSection::FromRaw(1.0 + alpha * a, -2.0 * cosW0, 1.0 - alpha * a,
                                       1.0 + alpha / a, -2.0 * cosW0, 1.0 - alpha / a));
    return cascade;
}

BiquadCascade Shelf(bool high, double hz, double gainDb, int slope) {
    if (!IsShelfSlope(slope) || gainDb == 0.0) {
        return Empty();
    }
    const ShelfShape& shape = kShelfShapes[high ? 1 : 0][slope];
    const double w0 = hz * kW0PerHz * shape.midpointFactor;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha =
        std::sin(w0) / 2.0 * std::sqrt((a + 1.0 / a) * (1.0 / shape.shelfS - 1.0) + 2.0);
    const double beta = 2.0 * std::sqrt(a) * alpha;
    const double c = std::cos(w0);
    BiquadCascade cascade = Empty();
    if (high) {
        cascade.Add(BiquadSection::FromRaw(
            a * ((a + 1.0) + (a - 1.0) * c + beta), -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
            a * ((a + 1.0) + (a - 1.0) * c - beta), (a + 1.0) - (a - 1.0) * c + beta,
            2.0 * ((a - 1.0) - (a + 1.0) * c), (a + 1.0) - (a - 1.0) * c - beta));
    } else {
        cascade.Add(BiquadSection::FromRaw(
            a * ((a + 1.0) - (a - 1.0) * c + beta), 2.0 * a * ((a - 1.0) - (a + 1.0) * c),
            a * ((a + 1.0) - (a - 1.0) * c - beta), (a + 1.0) + (a - 1.0) * c + beta,
            -2.0 * ((a - 1.0) + (a + 1.0) * c), (a + 1.0) + (a - 1.0) * c - beta));
    }
    return cascade;
}

BiquadCascade Crossover(bool highPass, double hz, int kind, int slope) {
    if (kind < Filter::kLinkwitzRiley || kind > Filter::kButterworth || slope < Filter::kSlope12 ||
        slope > Filter::kSlope48) {
        return Empty(); // no such filter: nothing to draw
    }
    if (kind == Filter::kBessel && !highPass) {
        return BesselLowPass(hz, slope);
    }
    const double corner = kind == Filter::kBessel ? hz / kBesselHighPassDivisor[slope] : hz;
    return SecondOrderCrossover(highPass, corner, kind, slope);
}

std::optional<double> ShelfMidpointFactor(bool high, int slope) {
    if (!IsShelfSlope(slope))
        return std::nullopt;
    return kShelfShapes[high ? 1 : 0][slope].midpointFactor;
}

std::optional<double> ShelfSlopeParameter(int slope) {
    if (!IsShelfSlope(slope))
        return std::nullopt;
    return kShelfShapes[0][slope].shelfS;
}

std::optional<BiquadCascade> Of(const Filter& filter) {
    switch (filter.type()) {
    case Filter::kPeq:
        if (filter.off() != 0)
            return Empty(kPeakingRadiansPerHz);
        return Peaking(filter.frequency(), filter.gain(), filter.bandwidth());
    case Filter::kLowShelf:
    case Filter::kHighShelf:
        if (filter.off() != 0)
            return Empty();
        return Shelf(filter.type() == Filter::kHighShelf, filter.frequency(), filter.gain(),
                     filter.slope());
    case Filter::kHighPass:
        if (HighPassIsOff(filter.frequency()))
            return Empty();
        return Crossover(true, filter.frequency(), filter.kind(), filter.slope());
    case Filter::kLowPass:
        if (LowPassIsOff(filter.frequency()))
            return Empty();
        return Crossover(false, filter.frequency(), filter.kind(), filter.slope());
    default:
        return std::nullopt;
    }
}

} // namespace UnitFilterDesign
