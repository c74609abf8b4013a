#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/BiquadCascade.h"

// The filters of a filter text, the settings format measurement programs and desktop equalisers
// read and write ("Filter  3: ON  PK  Fc  1000 Hz  Gain  -3.5 dB  Q 2.400"), as the text asks for
// them, before anything is mapped onto a unit. The response a filter asks for is the standard
// audio-EQ-cookbook digital biquad at the unit's 96 kHz.

struct RequestedFilter {
    enum class Shape {
        Peaking,   // PK, PEQ: Fc, Gain, Q or BW
        LowShelf,  // LS, LSC (and a slope: "LS 6dB", "LSC 12 dB"): Fc, Gain, optional Q
        HighShelf, // HS, HSC likewise
        HighPass,  // HP, HPQ (second order, Q 0.7071 unless given), HP1 (first order)
        LowPass,   // LP, LPQ, LP1 likewise
        Notch,     // NO: Fc, Q
        AllPass,   // AP: Fc, Q
        BandPass,  // BP: Fc, Q
        Empty,     // None: a slot without a filter
    };

    int line = 0;   // line in the text, from 1
    bool on = true; // ON (or OFF) in the text
    Shape shape = Shape::Peaking;
    std::string type; // the type as written, spaces collapsed: "PK", "LSC 12 dB"
    std::string text; // what follows "Filter N:", spaces collapsed: "ON PK Fc 1000 Hz ..."

    double hz = 0.0; // Fc
    double gainDb = 0.0;
    std::optional<double> q;
    std::optional<double> octaves; // "BW Oct": the bandwidth in octaves
    std::optional<double> slopeDb; // a shelf's slope written after its type, dB per octave
    // LSC/HSC: Fc is the shelf's corner, as the unit's shelf frequency is. LS/HS: Fc is the
    // shelf's midpoint, where it has half its gain (the cookbook's shelf frequency).
    bool shelfCorner = false;
    int order = 2; // high-pass and low-pass: 1 or 2

    bool IsShelf() const { return shape == Shape::LowShelf || shape == Shape::HighShelf; }
    bool IsCrossover() const { return shape == Shape::HighPass || shape == Shape::LowPass; }
    // Q of a peaking filter: as written, or from its bandwidth in octaves (the unit's Q of a
    // bandwidth, sqrt(2^N) / (2^N - 1), unrounded).
    double PeakingQ() const;
    // The cookbook's shelf parameter S: from the slope (12 dB per octave is S = 1, and S is
    // proportional to the slope), from the Q and the gain, or 1 when neither is written.
    double ShelfS() const;
    // The unit's shelf slope nearest to what the text asks for: 0 (6 dB) or 1 (12 dB).
    int NearestShelfSlope() const;
    // The cookbook biquad of the filter at 96 kHz; an empty filter is flat.
    BiquadCascade Design() const;
};

// A whole filter text: its filters in order and its "Preamp:" line.
struct FilterText {
    std::vector<std::string> comments; // lines written before the filters ("# ..." in exports)
    std::optional<double> preampDb;
    int preampLine = 0;
    std::vector<RequestedFilter> filters;
};

// Q of a bandwidth of N octaves, sqrt(2^N) / (2^N - 1), and the bandwidth of a Q (unrounded).
double QOfBandwidth(double octaves);
double BandwidthOfQ(double q);
