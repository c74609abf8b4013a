#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <span>

// Digital filters as cascades of biquad sections: the unit's bands and crossovers, and the filters
// a measurement program describes. The magnitude graph, the phase and group delay views, the
// import's requested-versus-achievable comparison and the predicted sums all evaluate these.

// One section, normalised so that a0 = 1:
//   H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
// A first-order section has b2 = a2 = 0.
struct BiquadSection {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    // From raw coefficients; divides by a0.
    static BiquadSection FromRaw(double b0, double b1, double b2, double a0, double a1, double a2);

    // H(e^jw) at the angle w in radians per sample.
    std::complex<double> At(double w) const;
    // Group delay in samples at w, -d arg H / dw. A zero of the numerator that lies exactly on w
    // (a notch at its centre, a high-pass at 0 Hz) contributes nothing.
    double GroupDelayAt(double w) const;
    bool IsFinite() const;
    bool IsFirstOrder() const { return b2 == 0.0 && a2 == 0.0; }
};

// Where a low-pass or high-pass section has its corner, as a filter line states it: order 1 or
// 2, the corner in Hz and, for order 2, its Q. Read back from the digital coefficients through
// the bilinear transform, so a section designed from a corner and a Q gives them back.
struct SectionCorner {
    int order = 2;
    double hz = 0.0;
    double q = 0.0;
};

inline constexpr std::size_t kMaxCascadeSections = 4;

// Up to four sections evaluated at one sample rate. `radiansPerHz` turns a frequency into the
// angle the sections are evaluated at: 2 pi / 96000 for the unit's filters, half of that for its
// peaking bands, which it models on a half-angle scale.
struct BiquadCascade {
    std::array<BiquadSection, kMaxCascadeSections> sections{};
    std::size_t count = 0;
    double radiansPerHz = 0.0;

    // Adds a section; ignored once four are held.
    void Add(const BiquadSection& section);
    bool IsFinite() const;

    // Response at a frequency in Hz (1 for an empty cascade, and for one whose coefficients are
    // not finite: such a filter is drawn flat).
    std::complex<double> At(double hz) const;
    // Levels in dB at angles whose cosines and sines are given (the angle of a frequency is
    // hz x radiansPerHz): the magnitude alone, for curves over fixed frequencies. Each level is
    // finite, -600 to +600 dB. Precondition: IsFinite(); the three spans have the same size.
    void LevelsDb(std::span<const double> cosW, std::span<const double> sinW,
                  std::span<double> levels) const;
    // Group delay in seconds at a frequency in Hz.
    double GroupDelayAt(double hz) const;
    // The corner of section k (see SectionCorner).
    SectionCorner CornerOf(std::size_t k) const;
};

// 20 log10 |h|, at least -600 dB (a zero of a filter gives a finite level).
double LevelDb(std::complex<double> h);
