#include "model/RequestedFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/UnitFilterDesign.h"

namespace {

constexpr double kRadiansPerHz = 2.0 * std::numbers::pi / UnitFilterDesign::kSampleRate;
constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;
constexpr double kSixDbSlope = 0.5;    // S of a 6 dB per octave shelf
constexpr double kTwelveDbSlope = 1.0; // S of a 12 dB per octave shelf

BiquadCascade One(const BiquadSection& section) {
    BiquadCascade cascade;
    cascade.radiansPerHz = kRadiansPerHz;
    cascade.Add(section);
    return cascade;
}

// Cookbook shelf with 1 / Q = sqrt((A + 1/A)(1/S - 1) + 2), given here as 1 / Q directly.
BiquadCascade Shelf(bool high, double midpointHz, double gainDb, double inverseQ) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = midpointHz * kRadiansPerHz;
    const double c = std::cos(w0);
    const double alpha = std::sin(w0) / 2.0 * inverseQ;
    const double beta = 2.0 * std::sqrt(a) * alpha;
    // A high shelf is the low shelf mirrored about a quarter of the sample rate: cos w0 and the
    // z^-1 coefficients change sign.
    const double sign = high ? -1.0 : 1.0;
    return One(BiquadSection::FromRaw(
        a * ((a + 1.0) - sign * (a - 1.0) * c + beta),
        sign * 2.0 * a * ((a - 1.0) - sign * (a + 1.0) * c),
        a * ((a + 1.0) - sign * (a - 1.0) * c - beta), (a + 1.0) + sign * (a - 1.0) * c + beta,
        -sign * 2.0 * ((a - 1.0) + sign * (a + 1.0) * c), (a + 1.0) + sign * (a - 1.0) * c - beta));
}

} // namespace

double QOfBandwidth(double octaves) {
    const double p = std::pow(2.0, octaves);
    return std::sqrt(p) / (p - 1.0);
}

double BandwidthOfQ(double q) {
    // 1 / (2Q) = sinh(N ln2 / 2).
    return 2.0 * std::asinh(1.0 / (2.0 * q)) / std::numbers::ln2;
}

double RequestedFilter::PeakingQ() const {
    if (q)
        return *q;
    if (octaves)
        return QOfBandwidth(*octaves);
    return kButterworthQ;
}

double RequestedFilter::ShelfS() const {
    if (slopeDb)
        return *slopeDb / 12.0;
    if (!q)
        return kTwelveDbSlope;
    // 1/Q^2 = (A + 1/A)(1/S - 1) + 2, solved for S.
    const double a = std::pow(10.0, gainDb / 40.0);
    const double inverseS = (1.0 / (*q * *q) - 2.0) / (a + 1.0 / a) + 1.0;
    return inverseS > 0.0 ? 1.0 / inverseS : 1e6;
}

int RequestedFilter::NearestShelfSlope() const {
    const double s = ShelfS();
    // The nearer of the two in ratio: the slope is proportional to S.
    return std::abs(std::log(s / kSixDbSlope)) <= std::abs(std::log(s / kTwelveDbSlope)) ? 0 : 1;
}

BiquadCascade RequestedFilter::Design() const {
    const double w0 = hz * kRadiansPerHz;
    const double c = std::cos(w0);
    const double s = std::sin(w0);
    const double width = shape == Shape::Peaking ? PeakingQ() : q.value_or(kButterworthQ);
    const double alpha = s / (2.0 * width);
    switch (shape) {
    case Shape::Peaking: {
        const double a = std::pow(10.0, gainDb / 40.0);
        return One(BiquadSection::FromRaw(1.0 + alpha * a, -2.0 * c, 1.0 - alpha * a,
                                          1.0 + alpha / a, -2.0 * c, 1.0 - alpha / a));
    }
    case Shape::LowShelf:
    case Shape::HighShelf: {
        const bool high = shape == Shape::HighShelf;
        const double midpoint =
            shelfCorner
                ? hz * UnitFilterDesign::ShelfMidpointFactor(high, NearestShelfSlope()).value_or(1)
                : hz;
        double inverseQ = 0.0;
        if (q && !slopeDb) {
            inverseQ = 1.0 / *q;
        } else {
            const double a = std::pow(10.0, gainDb / 40.0);
            inverseQ = std::sqrt(std::max(0.0, (a + 1.0 / a) * (1.0 / ShelfS() - 1.0) + 2.0));
        }
        return Shelf(high, midpoint, gainDb, inverseQ);
    }
    case Shape::HighPass:
    case Shape::LowPass: {
        const bool highPass = shape == Shape::HighPass;
        if (order == 1) {
            // Bilinear transform of W / (s + W) or s / (s + W), the corner prewarped.
            const double t = std::tan(w0 / 2.0);
            return highPass ? One(BiquadSection::FromRaw(1.0, -1.0, 0.0, 1.0 + t, t - 1.0, 0.0))
                            : One(BiquadSection::FromRaw(t, t, 0.0, 1.0 + t, t - 1.0, 0.0));
        }
        const double b0 = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        const double b1 = highPass ? -(1.0 + c) : 1.0 - c;
        return One(BiquadSection::FromRaw(b0, b1, b0, 1.0 + alpha, -2.0 * c, 1.0 - alpha));
    }
    case Shape::Notch:
        return One(BiquadSection::FromRaw(1.0, -2.0 * c, 1.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha));
    case Shape::AllPass:
        return One(BiquadSection::FromRaw(1.0 - alpha, -2.0 * c, 1.0 + alpha, 1.0 + alpha, -2.0 * c,
                                          1.0 - alpha));
    case Shape::BandPass:
        return One(BiquadSection::FromRaw(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha));
    case Shape::Empty:
        break;
    }
    BiquadCascade flat;
    flat.radiansPerHz = kRadiansPerHz;
    return flat;
}
