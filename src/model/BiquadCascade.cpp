#include "model/BiquadCascade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A polynomial p0 + p1 z^-1 + p2 z^-2 at z = e^jw, and its own group delay in samples:
// Re( sum k pk e^-jwk / sum pk e^-jwk ).
struct PolynomialAt {
    std::complex<double> value;
    std::complex<double> weighted; // sum k pk e^-jwk
};

PolynomialAt Evaluate(double p0, double p1, double p2, double w) {
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return {p0 + p1 * z1 + p2 * z2, p1 * z1 + 2.0 * p2 * z2};
}

// Below this magnitude a polynomial is taken as a zero on the unit circle, where its phase jumps
// rather than turns.
constexpr double kZeroOnCircle = 1e-12;

double OwnDelay(const PolynomialAt& p) {
    if (std::abs(p.value) < kZeroOnCircle)
        return 0.0;
    return (p.weighted / p.value).real();
}

} // namespace

BiquadSection BiquadSection::FromRaw(double b0, double b1, double b2, double a0, double a1,
                                     double a2) {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

std::complex<double> BiquadSection::At(double w) const {
    return Evaluate(b0, b1, b2, w).value / Evaluate(1.0, a1, a2, w).value;
}

double BiquadSection::GroupDelayAt(double w) const {
    return OwnDelay(Evaluate(b0, b1, b2, w)) - OwnDelay(Evaluate(1.0, a1, a2, w));
}

bool BiquadSection::IsFinite() const {
    return std::isfinite(b0) && std::isfinite(b1) && std::isfinite(b2) && std::isfinite(a1) &&
           std::isfinite(a2);
}

void BiquadCascade::Add(const BiquadSection& section) {
    if (count < sections.size())
        sections[count++] = section;
}

bool BiquadCascade::IsFinite() const {
    for (std::size_t k = 0; k < count; ++k)
        if (!sections[k].IsFinite())
            return false;
    return std::isfinite(radiansPerHz);
}

std::complex<double> BiquadCascade::At(double hz) const {
    if (!IsFinite())
        return 1.0;
    const double w = hz * radiansPerHz;
    std::complex<double> h = 1.0;
    for (std::size_t k = 0; k < count; ++k)
        h *= sections[k].At(w);
    return h;
}

void BiquadCascade::LevelsDb(std::span<const double> cosW, std::span<const double> sinW,
                             std::span<double> levels) const {
    // |b0 + b1 z^-1 + b2 z^-2| at z = e^jw is that of (b0 + b2) cos w + b1 + j (b0 - b2) sin w
    // (the factor e^-jw taken out), and the same for the denominator.
    struct Sums {
        double numSum, n1, numDiff, denSum, d1, denDiff;
    };
    std::array<Sums, kMaxCascadeSections> sums{};
    for (std::size_t k = 0; k < count; ++k) {
        const BiquadSection& s = sections[k];
        sums[k] = {s.b0 + s.b2, s.b1, s.b0 - s.b2, 1.0 + s.a2, s.a1, 1.0 - s.a2};
    }
    // Power ratios beyond +-600 dB carry no meaning; limiting them keeps every level finite even
    // where a pole or a zero lies on the frequency.
    constexpr double kMinPowerRatio = 1e-60;
    constexpr double kMaxPowerRatio = 1e60;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double c = cosW[i];
        const double s = sinW[i];
        double num = 1.0;
        double den = 1.0;
        for (std::size_t k = 0; k < count; ++k) {
            const Sums& q = sums[k];
            const double nr = q.numSum * c + q.n1;
            const double ni = q.numDiff * s;
            const double dr = q.denSum * c + q.d1;
            const double di = q.denDiff * s;
            num *= nr * nr + ni * ni;
            den *= dr * dr + di * di;
        }
        double ratio = num / den;
        if (!(ratio >= kMinPowerRatio)) // also catches 0 / 0
            ratio = kMinPowerRatio;
        else if (ratio > kMaxPowerRatio)
            ratio = kMaxPowerRatio;
        levels[i] = 10.0 * std::log10(ratio); // = 20 log10 of the magnitude
    }
}

double BiquadCascade::GroupDelayAt(double hz) const {
    if (!IsFinite() || radiansPerHz <= 0.0)
        return 0.0;
    const double w = hz * radiansPerHz;
    double samples = 0.0;
    for (std::size_t k = 0; k < count; ++k)
        samples += sections[k].GroupDelayAt(w);
    // d phase / d(2 pi f) = d phase / dw x radiansPerHz / (2 pi).
    return samples * radiansPerHz / (2.0 * std::numbers::pi);
}

SectionCorner BiquadCascade::CornerOf(std::size_t k) const {
    // Through the bilinear transform s = K (1 - z^-1) / (1 + z^-1), an analog denominator
    // s^2 + (W/Q) s + W^2 becomes one whose normalised coefficients give
    // (W/K)^2 = (1 + a1 + a2) / (1 - a1 + a2) and 1/Q = (1 - a2) / (1 + a2) (W/K + K/W); a first
    // order s + W gives W/K = (1 + a1) / (1 - a1). W/K = tan(w / 2) at the corner's angle w.
    const BiquadSection& s = sections[k];
    SectionCorner corner;
    double u = 0.0;
    if (s.IsFirstOrder()) {
        corner.order = 1;
        u = (1.0 + s.a1) / (1.0 - s.a1);
    } else {
        u = std::sqrt((1.0 + s.a1 + s.a2) / (1.0 - s.a1 + s.a2));
        corner.q = (1.0 + s.a2) / ((1.0 - s.a2) * (u + 1.0 / u));
    }
    corner.hz = 2.0 * std::atan(u) / radiansPerHz;
    return corner;
}

double LevelDb(std::complex<double> h) {
    return 20.0 * std::log10(std::max(std::abs(h), 1e-30));
}
