#include "model/Filter.h"

#include "FilterSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/GraphGeometry.h"
#include "model/ParameterScales.h"
#include "model/ProgramImage.h"

// Reference responses are written out here from the filter formulas, evaluated as complex
// transfer functions H(z) = (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2) at z = e^jw,
// section by section, so they share no arithmetic with the code under test.

namespace {

struct Biquad {
    double b0, b1, b2, a0, a1, a2;
};
using Sections = std::vector<Biquad>;

double RefDb(const Sections& sections, double w) {
    const std::complex<double> z1 = std::polar(1.0, -w);
    std::complex<double> h = 1.0;
    for (const Biquad& s : sections) {
        h *= (s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (s.a0 + s.a1 * z1 + s.a2 * z1 * z1);
    }
    return 20.0 * std::log10(std::abs(h));
}

double FullAngle(double hz) {
    return 6.2831852 * hz / 96000.0;
}
double HalfAngle(double hz) {
    return 6.2831852 * hz / 96000.0 * 0.5;
}

Sections RefPeaking(double F, double G, double N) {
    const double w0 = F * 0.000032724925;
    const double A = std::pow(10.0, G / 40.0);
    const double alpha = std::sin(w0) * std::sinh(0.69314718 * N * w0 / std::sin(w0));
    return {{1 + alpha * A, -2 * std::cos(w0), 1 - alpha * A, 1 + alpha / A, -2 * std::cos(w0),
             1 - alpha / A}};
}

Sections RefShelf(bool high, double F, double G, int slope) {
    double m = 0;
    double S = 0;
    if (!high) {
        m = slope == 0 ? 2.0 : 1.2727272727;
    } else {
        m = slope == 0 ? 0.4545454546 : 0.76923076923;
    }
    S = slope == 0 ? 0.5 : 1.3;
    const double w0 = F * 0.00006544985 * m;
    const double A = std::pow(10.0, G / 40.0);
    const double alpha = std::sin(w0) / 2 * std::sqrt((A + 1 / A) * (1 / S - 1) + 2);
    const double beta = 2 * std::sqrt(A) * alpha;
    const double c = std::cos(w0);
    if (!high) {
        return {{A * ((A + 1) - (A - 1) * c + beta), 2 * A * ((A - 1) - (A + 1) * c),
                 A * ((A + 1) - (A - 1) * c - beta), (A + 1) + (A - 1) * c + beta,
                 -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - beta}};
    }
    return {{A * ((A + 1) + (A - 1) * c + beta), -2 * A * ((A - 1) + (A + 1) * c),
             A * ((A + 1) + (A - 1) * c - beta), (A + 1) - (A - 1) * c + beta,
             2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - beta}};
}

// 1 / (2Q) per section: [kind L_R, Bessel, BTWorth][slope 12, 18, 24, 48].
const std::vector<double> kDamping[3][4] = {
    {{1.0},
     {1.0, 0.70422535211},
     {0.70422535211, 0.70422535211},
     {0.92592592593, 0.373134315, 0.92592592593, 0.373134315}},
    {{0.70422535},
     {0.756, 0.72463768},
     {0.96153846, 0.61728395},
     {0.98039216, 0.89285714, 0.70422535, 0.40650406}},
    {{0.70422535},
     {1.0, 0.5},
     {0.92592593, 0.38167939},
     {0.98039216, 0.83333333, 0.55555556, 0.1953125}},
};

Sections RefCrossover(bool highPass, double F, int kind, int slope) {
    Sections out;
    if (kind == 1 && !highPass) {
        const double divisor[4] = {1.3616541287, 1.75567236868, 2.1139176749, 3.17961723751};
        const std::vector<std::pair<double, double>> pr[4] = {
            {{1.0, 0.3333333333}},
            {{0.5693712514, 0.154812441}, {0.430628846, 0}},
            {{0.369, 0.087858766}, {0.6278294896, 0.109408}},
            {{0.117235677, 0.02064747},
             {0.226516664, 0.0259273886},
             {0.3067559, 0.0294683265},
             {0.3494916166, 0.031272257}}};
        const double t = std::tan(F / divisor[slope] * 0.00006544985 / 2);
        const double t2 = t * t;
        for (auto [p, r] : pr[slope]) {
            out.push_back({t2, 2 * t2, t2, p * t + t2 + r, 2 * t2 - 2 * r, t2 - p * t + r});
        }
        return out;
    }
    if (kind == 1) {
        const double divisor[4] = {1.2683112435, 1.2854981442, 1.5006420029, 1.679120141};
        F /= divisor[slope];
    }
    const double w0 = F * 0.00006544985;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const std::vector<double>& ck = kDamping[kind][slope];
    for (std::size_t k = 0; k < ck.size(); ++k) {
        if (k == 0 && slope == 1) {
            const double t = std::tan(w0 / 2);
            if (highPass) {
                out.push_back({1, -1, 0, ck[0] * t + 1, ck[0] * t - 1, 0});
            } else {
                out.push_back({t, t, 0, t + ck[0], t - ck[0], 0});
            }
            continue;
        }
        const double alpha = s * ck[k];
        const double b0 = highPass ? (1 + c) / 2 : (1 - c) / 2;
        const double b1 = highPass ? -(1 + c) : 1 - c;
        out.push_back({b0, b1, b0, 1 + alpha, -2 * c, 1 - alpha});
    }
    return out;
}

const std::array<double, kGridPoints>& Grid() {
    return FrequencyGrid();
}

void ExpectMatches(const Filter& filter, const Sections& ref, bool halfAngle,
                   const std::string& what) {
    for (int i = 0; i < kGridPoints; ++i) {
        const double f = Grid()[static_cast<std::size_t>(i)];
        const double expected = RefDb(ref, halfAngle ? HalfAngle(f) : FullAngle(f));
        const double tolerance = std::max(1e-4, std::abs(expected) * 1e-6);
        ASSERT_NEAR(filter.responseAt(i), expected, tolerance) << what << " at point " << i;
    }
}

void ExpectFlat(const Filter& filter, const std::string& what) {
    for (int i = 0; i < kGridPoints; ++i) {
        ASSERT_EQ(filter.responseAt(i), 0.0) << what << " at point " << i;
    }
}

} // namespace

TEST(FilterResponse, GridPointsOfTheWorkedExamples) {
    EXPECT_DOUBLE_EQ(Grid()[139], 1013.4);
    EXPECT_DOUBLE_EQ(Grid()[160], 2036.1);
    EXPECT_DOUBLE_EQ(Grid()[181], 4091.0);
}

TEST(FilterResponse, PeakingBandMatchesFormulaOnEveryGridPoint) {
    struct Case {
        const char* name;
        int hz, gainIndex, bandwidthIndex, deviceType;
        double octaves, dB;
    };
    const Case cases[] = {
        {"narrow boost at 1 kHz", 1000, 360, 0, 1, 0.05, 6.0},
        {"wide cut at 80 Hz", 80, 0, 295, 1, 3.00, -30.0},
        {"top boost at 30 kHz", 30000, 450, 100, 1, 1.05, 15.0},
        {"coarse scale at 10 Hz", 10, 250, 3, 2, 0.20, -5.0},
        {"coarse scale widest", 12000, 420, 59, 3, 3.00, 12.0},
    };
    for (const Case& c : cases) {
        const Filter f = Band(Filter::kPeq, c.hz, c.gainIndex, c.bandwidthIndex, 0, c.deviceType);
        EXPECT_EQ(f.off(), 0) << c.name;
        EXPECT_NEAR(f.gain(), c.dB, 1e-9) << c.name;
        EXPECT_NEAR(f.bandwidth(), c.octaves, 1e-9) << c.name;
        ExpectMatches(f, RefPeaking(c.hz, c.dB, c.octaves), true, c.name);
    }
}

TEST(FilterResponse, NarrowPeakingBandMissesItsCentreOnTheGrid) {
    // +6 dB, 0.05 octaves at 1000 Hz: the nearest grid point is 1013.4 Hz.
    const Filter f = Band(Filter::kPeq, 1000, 360, 0);
    EXPECT_NEAR(f.responseAt(139), 5.2, 0.1);
    EXPECT_NEAR(f.responseAt(138), 4.5, 0.1);
    EXPECT_NEAR(f.responseAt(140), 2.2, 0.1);
    for (int i = 0; i < kGridPoints; ++i) {
        if (i <= 136 || i >= 141) {
            EXPECT_LT(std::abs(f.responseAt(i)), 1.0) << "point " << i;
        }
    }
}

TEST(FilterResponse, BandAtZeroDecibelsIsOffAndFlat) {
    Filter f = Band(Filter::kPeq, 1000, 300, 10);
    EXPECT_EQ(f.off(), 1);
    EXPECT_EQ(f.gainText(), "0.0");
    ExpectFlat(f, "0.0 dB band");

    f.setGainIndex(301);
    EXPECT_EQ(f.off(), 0);
    EXPECT_EQ(f.gainText(), "0.1");
    EXPECT_GT(f.responseAt(139), 0.05);

    // Shelves obey the same switch.
    Filter shelf = Band(Filter::kLowShelf, 100, 300, 0, 1);
    ExpectFlat(shelf, "0.0 dB shelf");
}

TEST(FilterResponse, ShelvesMatchFormulaOnEveryGridPoint) {
    struct Case {
        const char* name;
        int type, slope, hz, gainIndex;
    };
    const Case cases[] = {
        {"low shelf 6 dB boost", Filter::kLowShelf, 0, 100, 360},
        {"low shelf 12 dB cut", Filter::kLowShelf, 1, 250, 120},
        {"high shelf 6 dB cut", Filter::kHighShelf, 0, 8000, 200},
        {"high shelf 12 dB boost", Filter::kHighShelf, 1, 3000, 450},
    };
    for (const Case& c : cases) {
        const Filter f = Band(c.type, c.hz, c.gainIndex, 0, c.slope);
        const double dB = c.gainIndex * 0.1 - 30;
        ExpectMatches(f, RefShelf(c.type == Filter::kHighShelf, c.hz, dB, c.slope), false, c.name);
    }
}

TEST(FilterResponse, LowShelfApproachesItsGainBelowTheCorner) {
    // +6 dB at 100 Hz with the 12 dB slope: corner at 127.3 Hz.
    const Filter f = Band(Filter::kLowShelf, 100, 360, 0, 1);
    EXPECT_NEAR(f.responseAt(0), 6.0, 0.1);
    EXPECT_NEAR(f.responseAt(kGridPoints - 1), 0.0, 0.1);
    // Half the gain (in dB) near the corner frequency.
    int corner = 0;
    while (Grid()[static_cast<std::size_t>(corner)] < 127.3) {
        ++corner;
    }
    EXPECT_NEAR(f.responseAt(corner), 3.0, 0.5);
}

TEST(FilterResponse, CrossoversMatchFormulaForEveryKindAndSlope) {
    const int corners[] = {40, 1000, 12000};
    for (int type : {Filter::kHighPass, Filter::kLowPass}) {
        for (int kind = 0; kind <= 2; ++kind) {
            for (int slope = 0; slope <= 3; ++slope) {
                for (int hz : corners) {
                    const Filter f = Crossover(type, hz, kind, slope);
                    const std::string what = (type == Filter::kHighPass ? "HP" : "LP") +
                                             std::string(" kind ") + std::to_string(kind) +
                                             " slope " + std::to_string(slope) + " at " +
                                             std::to_string(hz);
                    ExpectMatches(f, RefCrossover(type == Filter::kHighPass, hz, kind, slope),
                                  false, what);
                }
            }
        }
    }
}

TEST(FilterResponse, Low24DbPassValuesOfTheWorkedExamples) {
    const Filter butterworth = Crossover(Filter::kLowPass, 1000, Filter::kButterworth, 2);
    EXPECT_NEAR(butterworth.responseAt(139), -3.2, 0.2);
    EXPECT_NEAR(butterworth.responseAt(160), -25.0, 0.5);
    EXPECT_NEAR(butterworth.responseAt(181), -49.0, 0.5);

    const Filter linkwitz = Crossover(Filter::kLowPass, 1000, Filter::kLinkwitzRiley, 2);
    EXPECT_NEAR(linkwitz.responseAt(138), -6.0, 0.5); // 980.3 Hz
    EXPECT_NEAR(linkwitz.responseAt(139), -6.0, 0.5);
}

TEST(FilterResponse, CrossoverAtTheEndsOfTheRangeIsFlat) {
    ExpectFlat(Crossover(Filter::kHighPass, 10, Filter::kButterworth, 3), "HP 10 Hz");
    ExpectFlat(Crossover(Filter::kHighPass, 5, Filter::kBessel, 0), "HP 5 Hz");
    ExpectFlat(Crossover(Filter::kLowPass, 30000, Filter::kLinkwitzRiley, 3), "LP 30000 Hz");
    ExpectFlat(Crossover(Filter::kLowPass, 31000, Filter::kLinkwitzRiley, 3), "LP 31000 Hz");

    const Filter justOn = Crossover(Filter::kHighPass, 11, Filter::kButterworth, 2);
    EXPECT_LT(justOn.responseAt(0), -1.0);

    // Crossovers ignore gain and off.
    Filter hp = Crossover(Filter::kHighPass, 1000, Filter::kButterworth, 2);
    hp.setOff(1);
    EXPECT_LT(hp.responseAt(100), -20.0);
}

TEST(FilterResponse, StoredValuesOutsideTheTablesStayFiniteAndHaveNoText) {
    struct Case {
        const char* name;
        int type, hz, kind, slope;
        double gain, octaves;
    };
    const Case cases[] = {
        {"crossover kind 7", Filter::kHighPass, 1000, 7, 2, 0, 0.05},
        {"crossover kind -1", Filter::kLowPass, 1000, -1, 2, 0, 0.05},
        {"crossover slope 9", Filter::kLowPass, 1000, 2, 9, 0, 0.05},
        {"shelf slope 5", Filter::kLowShelf, 100, 2, 5, 6, 0.05},
        {"band at 0 Hz", Filter::kPeq, 0, 2, 0, 6, 1.0},
        {"band at -50 Hz", Filter::kPeq, -50, 2, 0, 6, 1.0},
        {"band of 600 octaves", Filter::kPeq, 1000, 2, 0, 6, 600.0},
        {"band of +400 dB", Filter::kPeq, 1000, 2, 0, 400, 1.0},
        {"shelf of +60 dB", Filter::kLowShelf, 1000, 2, 1, 60, 1.0},
        {"band gain not a number", Filter::kHighShelf, 1000, 2, 1, std::nan(""), 1.0},
        {"crossover at the sampling rate", Filter::kHighPass, 96000, 0, 3, 0, 1.0},
        {"crossover at 48 kHz", Filter::kLowPass, 24000, 1, 3, 0, 1.0},
    };
    for (const Case& c : cases) {
        // A damaged file is the way such values arrive: they are taken as stored.
        Filter f;
        f.setIsBand(c.type <= Filter::kHighShelf ? 1 : 0);
        f.restoreSettings({c.type, c.hz, c.hz, c.gain, 0, c.octaves, c.kind, c.slope, 0});
        for (int i = 0; i < kGridPoints; ++i) {
            ASSERT_TRUE(std::isfinite(f.responseAt(i))) << c.name << " at point " << i;
        }
        // The graph still places the handles on pixels: nothing beyond a few plot widths.
        const GraphRect handle = GraphGeometry::HandleOf(f, 595, 270);
        const GraphGeometry::BandwidthHandles edges =
            GraphGeometry::BandwidthHandlesOf(f, 595, 270);
        for (const GraphRect& box : {handle, edges.lower, edges.upper}) {
            EXPECT_LT(std::abs(box.left), 10000) << c.name;
            EXPECT_LT(std::abs(box.top), 10000) << c.name;
        }
        f.typeText();
        f.qText();
        f.bandwidthText();
        f.gainText();
    }

    Filter odd = Crossover(Filter::kHighPass, 1000, 3, 4);
    EXPECT_EQ(odd.kindText(), "");
    EXPECT_EQ(odd.crossoverSlopeText(), "");
    EXPECT_EQ(odd.shelfSlopeText(), "");
    Filter unknown = Band(9, 1000, 360, 0);
    EXPECT_EQ(unknown.typeText(), "");
    unknown.setDeviceType(0);
    EXPECT_EQ(unknown.qText(), "");
}

TEST(FilterText, TextsOfTheStoredValues) {
    const Filter peq = Band(Filter::kPeq, 1000, 360, 24);
    EXPECT_EQ(peq.typeText(), "PEQ");
    EXPECT_EQ(peq.frequencyText(), "1000");
    EXPECT_EQ(peq.gainText(), "6.0");
    EXPECT_EQ(peq.bandwidthText(), "0.29");
    EXPECT_EQ(peq.qText(), "4.966");
    EXPECT_EQ(peq.bandwidthIndex(), 24);
    EXPECT_EQ(peq.gainIndex(), 360);

    const Filter coarse = Band(Filter::kPeq, 1000, 250, 3, 0, 2);
    EXPECT_EQ(coarse.bandwidthText(), "0.20");
    EXPECT_EQ(coarse.qText(), "7.208");
    EXPECT_EQ(coarse.bandwidthIndex(), 3);
    EXPECT_EQ(coarse.gainText(), "-5.0");

    EXPECT_EQ(Band(Filter::kLowShelf, 100, 360, 0, 1).typeText(), "Lo_Shf 12dB");
    EXPECT_EQ(Band(Filter::kHighShelf, 100, 360, 0, 0).typeText(), "Hi_Shf 6dB");

    const Filter hp = Crossover(Filter::kHighPass, 80, Filter::kBessel, 3);
    EXPECT_EQ(hp.kindText(), "Bessel");
    EXPECT_EQ(hp.crossoverSlopeText(), "48dB");
    EXPECT_EQ(Crossover(Filter::kLowPass, 80, 0, 1).kindText(), "L_R");
    EXPECT_EQ(Crossover(Filter::kLowPass, 80, 2, 1).kindText(), "BTWorth");
}

// ---- settle ----------------------------------------------------------------------------------

TEST(FilterSettle, CrossoverStepsAtMostOneOctavePerFrame) {
    struct Case {
        const char* name;
        int type, target;
        std::vector<int> sent; // sentFrequency after each settle until the flag clears
    };
    const Case cases[] = {
        {"high-pass up from 10 Hz", Filter::kHighPass, 1000, {20, 40, 80, 160, 320, 640, 1000}},
        {"low-pass down from 30000 Hz", Filter::kLowPass, 1000, {15000, 7500, 3750, 1875, 1000}},
        {"within an octave", Filter::kHighPass, 15, {15}},
        {"exactly one octave up", Filter::kHighPass, 20, {20}},
        {"exactly one octave down", Filter::kLowPass, 15000, {15000}},
    };
    for (const Case& c : cases) {
        Filter f;
        f.setType(c.type);
        f.setIsBand(0);
        f.setFrequency(c.target);
        ASSERT_EQ(f.changed(), 1);
        std::vector<int> seen;
        for (int frame = 0; frame < 40 && f.changed() != 0; ++frame) {
            f.settle();
            if (f.changed() != 0) {
                seen.push_back(f.sentFrequency());
            }
        }
        // Values handed to the frame builder while stepping; the scan that finds both equal
        // clears the flag (and sends the target once more).
        EXPECT_EQ(seen, c.sent) << c.name;
        EXPECT_EQ(f.changed(), 0) << c.name;
        EXPECT_EQ(f.sentFrequency(), c.target) << c.name;
    }
}

TEST(FilterSettle, StepsFromTheWorkedExamples) {
    Filter f;
    f.setType(Filter::kHighPass);
    f.setIsBand(0);
    f.setFrequency(1000);
    f.settle();
    EXPECT_EQ(f.sentFrequency(), 20);

    // Target 100 with 1000 last sent: 500, 250, 125, 100.
    Filter down;
    down.setType(Filter::kHighPass);
    down.setIsBand(0);
    down.copyFrom(Crossover(Filter::kHighPass, 1000, Filter::kButterworth, 2)); // sent = 1000
    down.setFrequency(100);
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        down.settle();
        seen.push_back(down.sentFrequency());
    }
    EXPECT_EQ(seen, (std::vector<int>{500, 250, 125, 100}));
    EXPECT_EQ(down.changed(), 1);
    down.settle();
    EXPECT_EQ(down.changed(), 0);
}

TEST(FilterSettle, BandTakesTheValueAtOnce) {
    Filter band = Band(Filter::kPeq, 1000, 360, 0);
    ASSERT_EQ(band.changed(), 1);
    band.settle();
    EXPECT_EQ(band.changed(), 0);
    band.settle(1);
    EXPECT_EQ(band.changed(), 1);
    EXPECT_EQ(band.sentFrequency(), 10); // bands never step
}

TEST(FilterSettle, NonPositiveSentFrequencyArrivesInOneStep) {
    // Only a damaged file holds such a value; stepping from 0 Hz would never arrive.
    Filter f;
    f.setIsBand(0);
    f.restoreSettings({3, 1000, 0, 0.0, 1, 0.05, 2, 2, 7});
    f.setChanged(1);
    f.settle();
    EXPECT_EQ(f.sentFrequency(), 1000);
    EXPECT_EQ(f.changed(), 1);
    f.settle();
    EXPECT_EQ(f.changed(), 0);
}

// ---- setters, copy, loaders --------------------------------------------------------------------

TEST(FilterSetters, EveryParameterSetterRaisesTheFlagAndPlainSettersDoNot) {
    using Setter = void (*)(Filter&);
    const std::pair<const char*, Setter> raising[] = {
        {"frequency", [](Filter& f) { f.setFrequency(500); }},
        {"gain", [](Filter& f) { f.setGainIndex(310); }},
        {"bandwidth", [](Filter& f) { f.setBandwidthIndex(5); }},
        {"off", [](Filter& f) { f.setOff(0); }},
        {"slope", [](Filter& f) { f.setSlope(1); }},
        {"kind", [](Filter& f) { f.setKind(1); }},
        {"type", [](Filter& f) { f.setType(1); }},
    };
    for (auto [name, set] : raising) {
        Filter f;
        set(f);
        EXPECT_EQ(f.changed(), 1) << name;
    }
    Filter f;
    f.setIsBand(0);
    f.setCode(4);
    f.setDeviceType(2);
    EXPECT_EQ(f.changed(), 0);
}

TEST(FilterSetters, SettingTheLowPassTypeStartsItsSentFrequencyAtTheTop) {
    Filter f;
    f.setType(Filter::kLowPass);
    EXPECT_EQ(f.sentFrequency(), 30000);
    Filter g;
    g.setType(Filter::kHighPass);
    EXPECT_EQ(g.sentFrequency(), 10);
}

TEST(FilterSetters, CopyTakesTheValuesButKeepsIdentity) {
    Filter source = Band(Filter::kHighShelf, 4000, 200, 40, 1);
    source.setKind(1);
    Filter target;
    target.setCode(5);
    target.setDeviceType(3);
    target.setChanged(0);
    target.copyFrom(source);
    EXPECT_EQ(target.type(), Filter::kHighShelf);
    EXPECT_EQ(target.frequency(), 4000);
    EXPECT_EQ(target.sentFrequency(), 4000);
    EXPECT_DOUBLE_EQ(target.gain(), source.gain());
    EXPECT_EQ(target.off(), 0);
    EXPECT_DOUBLE_EQ(target.bandwidth(), source.bandwidth());
    EXPECT_EQ(target.kind(), 1);
    EXPECT_EQ(target.slope(), 1);
    EXPECT_EQ(target.code(), 5);
    EXPECT_EQ(target.deviceType(), 3);
    EXPECT_EQ(target.changed(), 0);
    EXPECT_EQ(target.response(), source.response());
}

TEST(FilterLoaders, BandLoaderTakesTheStoredBandIncludingItsShelfSlope) {
    BandImage image;
    image.type = Filter::kLowShelf;
    image.frequency = 250;
    image.gain = 390;
    image.bandwidth = 20;
    image.slope = 1;
    Filter f;
    f.loadBandImage(image);
    EXPECT_EQ(f.type(), Filter::kLowShelf);
    EXPECT_EQ(f.frequency(), 250);
    EXPECT_EQ(f.gainIndex(), 390);
    EXPECT_EQ(f.bandwidthIndex(), 20);
    EXPECT_EQ(f.slope(), 1);
    EXPECT_EQ(f.changed(), 1);
    // The curve is that of the 12 dB shelf, not of the slope the filter had before.
    ExpectMatches(f, RefShelf(false, 250, 9.0, 1), false, "loaded 12 dB shelf");
}

TEST(FilterLoaders, CrossoverLoaderTakesItsOwnHalfOfTheImageWithoutAFlag) {
    OutputImage image;
    image.highPassFrequency = 120;
    image.highPassKind = 0;
    image.highPassSlope = 3;
    image.lowPassFrequency = 5000;
    image.lowPassKind = 1;
    image.lowPassSlope = 1;

    Filter hp = Crossover(Filter::kHighPass, 10, 2, 0);
    Filter lp = Crossover(Filter::kLowPass, 30000, 2, 0);
    hp.setChanged(0);
    lp.setChanged(0);
    hp.loadCrossoverImage(image);
    lp.loadCrossoverImage(image);
    EXPECT_EQ(hp.frequency(), 120);
    EXPECT_EQ(hp.kind(), 0);
    EXPECT_EQ(hp.slope(), 3);
    EXPECT_EQ(lp.frequency(), 5000);
    EXPECT_EQ(lp.kind(), 1);
    EXPECT_EQ(lp.slope(), 1);
    EXPECT_EQ(hp.changed(), 0);
    EXPECT_EQ(lp.changed(), 0);
    // The graph shows the loaded filters at once.
    ExpectMatches(hp, RefCrossover(true, 120, 0, 3), false, "loaded high-pass");
    ExpectMatches(lp, RefCrossover(false, 5000, 1, 1), false, "loaded low-pass");

    InputImage input;
    input.highPassFrequency = 63;
    input.lowPassFrequency = 16000;
    hp.loadCrossoverImage(input);
    lp.loadCrossoverImage(input);
    EXPECT_EQ(hp.frequency(), 63);
    EXPECT_EQ(lp.frequency(), 16000);
}
