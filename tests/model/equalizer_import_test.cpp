#include "model/EqualizerImport.h"

#include "files/FilterTextFile.h"
#include "model/EqualizerExport.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<ProgramContainer> Program(int deviceType) {
    auto program = std::make_unique<ProgramContainer>();
    program->setDeviceType(deviceType);
    return program;
}

FilterText Text(const std::string& content) {
    FilterText text;
    std::string error;
    EXPECT_TRUE(ParseFilterText(content, "eq.txt", text, error)) << error;
    return text;
}

constexpr ChannelId kOut1{true, 0};
constexpr ChannelId kInA{false, 0};

// ---- One filter line onto one band
// ---------------------------------------------------------------

struct BandRow {
    const char* name;
    int deviceType;
    ChannelId channel;
    std::string line;
    int type;
    int hz;
    int bandwidthIndex; // PEQ only
    int slope;          // shelves only
    int gainIndex;
    bool off = false;
};

class BandMapping : public testing::TestWithParam<BandRow> {};

TEST_P(BandMapping, HoldsTheNearestValuesOfTheModel) {
    const BandRow& row = GetParam();
    const auto program = Program(row.deviceType);
    const EqualizerImportPlan plan =
        PlanEqualizerImport(Text("Filter 1: " + row.line + "\n"), *program, row.channel, {});
    ASSERT_TRUE(plan.CanApply()) << plan.nothingTaken;
    ASSERT_TRUE(ApplyEqualizerImport(plan, *program));
    const Filter& band = ChannelOf(*program, row.channel).filter(0);
    EXPECT_EQ(band.type(), row.type);
    EXPECT_EQ(band.frequency(), row.hz);
    if (row.type == Filter::kPeq)
        EXPECT_EQ(band.bandwidthIndex(), row.bandwidthIndex);
    else
        EXPECT_EQ(band.slope(), row.slope);
    EXPECT_EQ(band.gainIndex(), row.gainIndex);
    EXPECT_EQ(band.off() != 0, row.off);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BandMapping,
    testing::Values(
        // Q 2.4 is 0.597 octaves: index 55 of the 0.01 steps, 11 of the 0.05 steps.
        BandRow{"PeakOn4x8", kDeviceType4x8, kOut1, "ON PK Fc 1000 Hz Gain -3.5 dB Q 2.4",
                Filter::kPeq, 1000, 55, 0, 265},
        BandRow{"PeakOn2x4", kDeviceType2x4, kOut1, "ON PK Fc 1000 Hz Gain -3.5 dB Q 2.4",
                Filter::kPeq, 1000, 11, 0, 265},
        BandRow{"WholeHertzAndTenthsOfADecibel", kDeviceType4x8, kInA,
                "ON PK Fc 99.6 Hz Gain 2.26 dB Q 1", Filter::kPeq, 100, 134, 0, 323},
        BandRow{"BandwidthInOctaves", kDeviceType4x8, kOut1,
                "ON PK Fc 250 Hz Gain -6 dB BW Oct 1.0", Filter::kPeq, 250, 95, 0, 240},
        BandRow{"BandwidthInOctavesOn3x6", kDeviceType3x6, kInA,
                "ON PEQ Fc 250 Hz Gain -6 dB BW Oct 1.0", Filter::kPeq, 250, 19, 0, 240},
        // LS names the midpoint, which the unit's 6 dB shelf has at twice its corner.
        BandRow{"ShelfByItsMidpoint", kDeviceType4x8, kOut1, "ON LS 6dB Fc 100 Hz Gain 6 dB",
                Filter::kLowShelf, 50, 0, 0, 360},
        BandRow{"ShelfByItsCorner", kDeviceType4x8, kOut1, "ON LSC 12 dB Fc 100 Hz Gain 4 dB",
                Filter::kLowShelf, 100, 0, 1, 340},
        BandRow{"HighShelfByItsMidpoint", kDeviceType2x4, kOut1, "ON HS 12dB Fc 5000 Hz Gain -3 dB",
                Filter::kHighShelf, 6500, 0, 1, 270},
        // Q 0.5 at -3 dB is a shelf parameter S of about 0.5: the 6 dB slope.
        BandRow{"ShelfSlopeFromItsQ", kDeviceType4x8, kOut1, "ON HSC Fc 8000 Hz Gain -3 dB Q 0.5",
                Filter::kHighShelf, 8000, 0, 0, 270},
        BandRow{"ShelfWithoutSlopeIsTwelveDecibels", kDeviceType4x8, kOut1,
                "ON LS Fc 200 Hz Gain 3 dB", Filter::kLowShelf, 157, 0, 1, 330},
        BandRow{"LowShelfStopsAtTwentyKilohertz", kDeviceType4x8, kOut1,
                "ON LSC 6 dB Fc 25000 Hz Gain 3 dB", Filter::kLowShelf, 20000, 0, 0, 330},
        BandRow{"NoGainIsABandSwitchedOff", kDeviceType4x8, kOut1, "ON PK Fc 1000 Hz Gain 0 dB Q 1",
                Filter::kPeq, 1000, 134, 0, 300, true}),
    [](const testing::TestParamInfo<BandRow>& info) { return std::string(info.param.name); });

// ---- High-pass and low-pass lines onto an output's crossovers
// ------------------------------------

struct CrossoverRow {
    const char* name;
    std::string lines;
    bool highPass;
    int kind;
    int slope;
    int hz;
};

class CrossoverMapping : public testing::TestWithParam<CrossoverRow> {};

TEST_P(CrossoverMapping, TakesTheUnitsCharacteristicAndSlope) {
    const CrossoverRow& row = GetParam();
    const auto program = Program(kDeviceType4x8);
    const EqualizerImportPlan plan = PlanEqualizerImport(Text(row.lines), *program, kOut1, {});
    ASSERT_TRUE(plan.CanApply()) << plan.rows.front().note;
    ApplyEqualizerImport(plan, *program);
    const OutputChannel& out = program->output(0);
    const Filter& filter = row.highPass ? out.highPass() : out.lowPass();
    EXPECT_EQ(filter.kind(), row.kind);
    EXPECT_EQ(filter.slope(), row.slope);
    EXPECT_EQ(filter.frequency(), row.hz);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CrossoverMapping,
    testing::Values(
        CrossoverRow{"SecondOrderIsAButterworth", "Filter 1: ON HP Fc 80 Hz\n", true,
                     Filter::kButterworth, Filter::kSlope12, 80},
        CrossoverRow{"QOfAHalfIsALinkwitzRiley", "Filter 1: ON HPQ Fc 100 Hz Q 0.5\n", true,
                     Filter::kLinkwitzRiley, Filter::kSlope12, 100},
        CrossoverRow{"TwoButterworthsAreALinkwitzRiley24",
                     "Filter 1: ON HPQ Fc 80 Hz Q 0.7071\nFilter 2: ON HPQ Fc 80 Hz Q 0.7071\n",
                     true, Filter::kLinkwitzRiley, Filter::kSlope24, 80},
        CrossoverRow{"FourthOrderButterworth",
                     "Filter 1: ON LPQ Fc 2000 Hz Q 0.5412\nFilter 2: ON LPQ Fc 2000 Hz Q 1.3066\n",
                     false, Filter::kButterworth, Filter::kSlope24, 2000},
        CrossoverRow{"FirstOrderAndSecondOrderMakeEighteen",
                     "Filter 1: ON LP1 Fc 500 Hz\nFilter 2: ON LPQ Fc 500 Hz Q 1.0\n", false,
                     Filter::kButterworth, Filter::kSlope18, 500}),
    [](const testing::TestParamInfo<CrossoverRow>& info) { return std::string(info.param.name); });

// ---- The plan's table
// ------------------------------------------------------------------------------

struct Row {
    int line;
    std::string held;
    std::string note;
};

std::vector<Row> Rows(const EqualizerImportPlan& plan) {
    std::vector<Row> rows;
    for (const ImportRow& r : plan.rows)
        rows.push_back({r.line, r.held, r.note});
    return rows;
}

void PrintTo(const Row& row, std::ostream* os) {
    *os << "{" << row.line << ", \"" << row.held << "\", \"" << row.note << "\"}";
}
bool operator==(const Row& a, const Row& b) {
    return a.line == b.line && a.held == b.held && a.note == b.note;
}

TEST(EqualizerImportPlan, ListsWhatIsNotAppliedAndWhy) {
    const auto program = Program(kDeviceType3x6);
    const FilterText text = Text("Preamp: -4 dB\n"
                                 "Filter 1: ON PK Fc 100 Hz Gain -3 dB Q 2\n"
                                 "Filter 2: OFF PK Fc 200 Hz Gain -3 dB Q 2\n"
                                 "Filter 3: ON NO Fc 60 Hz Q 10\n"
                                 "Filter 4: ON HP Fc 80 Hz\n"
                                 "Filter 5: ON LS 18dB Fc 100 Hz Gain 3 dB\n"
                                 "Filter 6: ON None\n");
    const EqualizerImportPlan plan = PlanEqualizerImport(text, *program, kInA, {});
    EXPECT_EQ(plan.filtersTaken, 1);
    EXPECT_EQ(
        Rows(plan),
        (std::vector<Row>{
            {2, "band 1: PEQ 100 Hz -3.0 dB Q 2.041", ""},
            {3, "", "OFF in the text"},
            {4, "", "the unit has no notch filter"},
            {5, "", "an input has no crossover; high-pass and low-pass filters are an output's"},
            {6, "", "the unit's shelves have slopes of 6 and 12 dB per octave"},
            {1, "", "ignored: the channel gain stays 0.0 dB"},
            {0, "bands 2 to 6: off", "left over"},
        }));
}

TEST(EqualizerImportPlan, FiltersBeyondTheBandsAndUnholdableCrossoversAreNotApplied) {
    const auto program = Program(kDeviceType4x8);
    std::string content;
    for (int i = 1; i <= 7; ++i)
        content += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(100 * i) +
                   " Hz Gain -3 dB Q 2\n";
    content += "Filter 8: ON HP1 Fc 50 Hz\n"        // 6 dB per octave
               "Filter 9: ON LPQ Fc 2000 Hz Q 4\n"; // a resonance no crossover has
    const EqualizerImportPlan plan = PlanEqualizerImport(Text(content), *program, kOut1, {});
    ASSERT_EQ(plan.rows.size(), 9u);
    EXPECT_EQ(plan.rows[5].held, "band 6: PEQ 600 Hz -3.0 dB Q 2.012");
    EXPECT_EQ(plan.rows[6].note, "no band left: an output of the 4x8 has 6");
    EXPECT_EQ(plan.rows[7].note, "the unit's crossovers fall by 12, 18, 24 or 48 dB per octave; "
                                 "line 8 make 6 dB");
    EXPECT_EQ(
        plan.rows[8].note.rfind("no crossover of the unit comes within 3 dB (the nearest, ", 0), 0u)
        << plan.rows[8].note;
    EXPECT_TRUE(plan.bandsSwitchedOff.empty());
    EXPECT_FALSE(plan.highPass);
    EXPECT_FALSE(plan.lowPass);
}

TEST(EqualizerImportPlan, ATextTheUnitTakesNothingOfChangesNothing) {
    const auto program = Program(kDeviceType4x8);
    program->output(0).filter(2).setGainIndex(320);
    program->clearChangeFlags();
    const EqualizerImportPlan plan =
        PlanEqualizerImport(Text("Preamp: -3 dB\nFilter 1: ON NO Fc 60 Hz Q 10\nFilter 2: OFF PK "
                                 "Fc 1 kHz Gain 1 dB Q 1\n"),
                            *program, kOut1, {.preamp = true});
    EXPECT_FALSE(plan.CanApply());
    EXPECT_EQ(plan.nothingTaken, "the 4x8 holds none of the text's filters on an output");
    EXPECT_FALSE(ApplyEqualizerImport(plan, *program));
    EXPECT_FALSE(program->hasPendingChanges());
    EXPECT_EQ(program->output(0).gain(), 400);

    const EqualizerImportPlan allOff =
        PlanEqualizerImport(Text("Filter 1: OFF PK Fc 1 kHz Gain 1 dB Q 1\n"), *program, kOut1, {});
    EXPECT_EQ(allOff.nothingTaken, "no filter of the text is ON");
}

TEST(EqualizerImportApply, SetsTheBandsSwitchesTheRestOffAndWritesOnlyWhatChanges) {
    const auto program = Program(kDeviceType4x8);
    OutputChannel& out = program->output(1);
    for (int b = 0; b < 6; ++b) {
        out.filter(b).setFrequency(500 + b);
        out.filter(b).setGainIndex(310 + b);
    }
    out.highPass().setFrequency(120);
    while (program->hasPendingChanges())
        program->clearChangeFlags(); // the high-pass goes there an octave at a time

    const FilterText text = Text("Preamp: -4 dB\n"
                                 "Filter 1: ON PK Fc 100 Hz Gain -3 dB Q 2\n"
                                 "Filter 2: ON HSC 6 dB Fc 6000 Hz Gain 2 dB\n");
    const EqualizerImportPlan ignored = PlanEqualizerImport(text, *program, {true, 1}, {});
    EXPECT_FALSE(ignored.gainIndex);
    const EqualizerImportPlan plan =
        PlanEqualizerImport(text, *program, {true, 1}, {.preamp = true});
    ASSERT_TRUE(ApplyEqualizerImport(plan, *program));
    EXPECT_EQ(out.filter(0).frequency(), 100);
    EXPECT_EQ(out.filter(1).type(), Filter::kHighShelf);
    for (int b = 2; b < 6; ++b) {
        EXPECT_NE(out.filter(b).off(), 0) << b;
        EXPECT_EQ(out.filter(b).gainIndex(), 310 + b) << "the gain stays for switching on again";
    }
    EXPECT_EQ(out.gain(), 360); // -4.0 dB
    EXPECT_EQ(out.highPass().frequency(), 120) << "a text without a high-pass leaves it";
    EXPECT_EQ(out.highPass().changed(), 0);

    // The same import again finds every value in place: nothing is written, nothing is sent.
    program->clearChangeFlags();
    EXPECT_FALSE(ApplyEqualizerImport(plan, *program));
    EXPECT_FALSE(program->hasPendingChanges());
}

TEST(EqualizerImportApply, AHighPassAboveThePresentLowPassMovesTheLowPassFirst) {
    const auto program = Program(kDeviceType4x8);
    program->output(0).lowPass().setFrequency(500);
    const EqualizerImportPlan plan = PlanEqualizerImport(
        Text("Filter 1: ON HP Fc 2000 Hz\nFilter 2: ON LP Fc 8000 Hz\n"), *program, kOut1, {});
    ApplyEqualizerImport(plan, *program);
    EXPECT_EQ(program->output(0).highPass().frequency(), 2000);
    EXPECT_EQ(program->output(0).lowPass().frequency(), 8000);

    // Alone, the high-pass is held at the low-pass, as the editor holds it.
    const EqualizerImportPlan alone =
        PlanEqualizerImport(Text("Filter 1: ON HP Fc 9000 Hz\n"), *program, kOut1, {});
    EXPECT_EQ(alone.rows.front().held, "high-pass: BTWorth 12dB 8000 Hz");
    EXPECT_EQ(alone.rows.front().note, "limited to the low-pass's frequency");
}

// ---- Requested against achievable --------------------------------------------------------------

// Written out from the formulas, as complex transfer functions, sharing no code with the import.
using Complex = std::complex<double>;

Complex Biquad(double b0, double b1, double b2, double a0, double a1, double a2, double w) {
    const Complex z1 = std::polar(1.0, -w);
    return (b0 + b1 * z1 + b2 * z1 * z1) / (a0 + a1 * z1 + a2 * z1 * z1);
}

// Cookbook peaking filter at 96 kHz.
Complex CookbookPeak(double f, double f0, double gainDb, double q) {
    const double w0 = 2 * M_PI * f0 / 96000, w = 2 * M_PI * f / 96000;
    const double a = std::pow(10, gainDb / 40), alpha = std::sin(w0) / (2 * q);
    return Biquad(1 + alpha * a, -2 * std::cos(w0), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w0),
                  1 - alpha / a, w);
}

// Cookbook low shelf at 96 kHz with its midpoint f0 and shelf parameter S.
Complex CookbookLowShelf(double f, double f0, double gainDb, double s) {
    const double w0 = 2 * M_PI * f0 / 96000, w = 2 * M_PI * f / 96000;
    const double a = std::pow(10, gainDb / 40), c = std::cos(w0);
    const double alpha = std::sin(w0) / 2 * std::sqrt((a + 1 / a) * (1 / s - 1) + 2);
    const double beta = 2 * std::sqrt(a) * alpha;
    return Biquad(a * ((a + 1) - (a - 1) * c + beta), 2 * a * ((a - 1) - (a + 1) * c),
                  a * ((a + 1) - (a - 1) * c - beta), (a + 1) + (a - 1) * c + beta,
                  -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - beta, w);
}

// The unit's peaking band: centre F, bandwidth N octaves, on the half-angle scale.
Complex UnitPeak(double f, double F, double gainDb, double N) {
    const double w0 = F * 0.000032724925, w = 6.2831852 * f / 96000 * 0.5;
    const double a = std::pow(10, gainDb / 40);
    const double alpha = std::sin(w0) * std::sinh(0.69314718 * N * w0 / std::sin(w0));
    return Biquad(1 + alpha * a, -2 * std::cos(w0), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w0),
                  1 - alpha / a, w);
}

TEST(EqualizerImportPlan, LargestDifferenceIsThatOfTheCookbookAndTheUnitsMaths) {
    const auto program = Program(kDeviceType4x8);
    const EqualizerImportPlan plan =
        PlanEqualizerImport(Text("Filter 1: ON PK Fc 1000 Hz Gain -3.5 dB Q 2.4\n"
                                 "Filter 2: ON LSC 12 dB Fc 100 Hz Gain 4 dB\n"
                                 "Filter 3: ON PK Fc 5000 Hz Gain 2 dB BW Oct 1.0\n"),
                            *program, kOut1, {});
    // Held: 0.60 octaves for Q 2.4, the 12 dB shelf (midpoint 1.2727 x its corner, S = 1.3) at
    // 100 Hz, one octave at 5 kHz. Asked: the same shelf midpoint with S = 1.
    double largest = 0;
    for (int i = 0;; ++i) {
        const double f = std::min(20 * std::pow(2.0, i / 96.0), 20000.0);
        const double midpoint = 100 * 1.2727272727;
        const Complex requested = CookbookPeak(f, 1000, -3.5, 2.4) *
                                  CookbookLowShelf(f, midpoint, 4, 1.0) *
                                  CookbookPeak(f, 5000, 2, std::sqrt(2.0) / (2 - 1));
        const Complex achievable = UnitPeak(f, 1000, -3.5, 0.60) *
                                   CookbookLowShelf(f, midpoint, 4, 1.3) *
                                   UnitPeak(f, 5000, 2, 1.0);
        largest = std::max(largest,
                           std::abs(20 * std::log10(std::abs(requested) / std::abs(achievable))));
        if (f == 20000)
            break;
    }
    EXPECT_GT(largest, 0.5); // the unit's peaking bands are broader than their Q says
    EXPECT_NEAR(plan.largestDifferenceDb, largest, 1e-6);
    // The curves for the preview are those of the grid.
    EXPECT_NEAR(plan.requestedDb[139],
                20 * std::log10(std::abs(CookbookPeak(1013.4, 1000, -3.5, 2.4) *
                                         CookbookLowShelf(1013.4, 127.27272727, 4, 1.0) *
                                         CookbookPeak(1013.4, 5000, 2, std::sqrt(2.0)))),
                1e-6);
}

// ---- Export, then import
// ---------------------------------------------------------------------------

struct BandValues {
    int type, hz, bandwidthIndex, slope, gainIndex;
    bool operator==(const BandValues&) const = default;
};

std::vector<BandValues> ActiveBands(const Channel& channel, int bands) {
    std::vector<BandValues> values;
    for (int b = 0; b < bands; ++b) {
        const Filter& f = channel.filter(b);
        if (f.off() == 0)
            values.push_back({f.type(), f.frequency(),
                              f.type() == Filter::kPeq ? f.bandwidthIndex() : -1,
                              f.type() == Filter::kPeq ? -1 : f.slope(), f.gainIndex()});
    }
    return values;
}

void PrintTo(const BandValues& v, std::ostream* os) {
    *os << "{" << v.type << ", " << v.hz << " Hz, bw " << v.bandwidthIndex << ", slope " << v.slope
        << ", gain " << v.gainIndex << "}";
}

// Exports the channel, reads the text back and imports it into a fresh program of the model.
std::unique_ptr<ProgramContainer> RoundTrip(const ProgramContainer& program, ChannelId channel) {
    const std::string text = FormatFilterText(ExportEqualizer(program, channel));
    auto back = Program(program.deviceType());
    const EqualizerImportPlan plan =
        PlanEqualizerImport(Text(text), *back, channel, {.preamp = true});
    EXPECT_TRUE(plan.CanApply()) << text;
    ApplyEqualizerImport(plan, *back);
    return back;
}

class ExportImport : public testing::TestWithParam<int> {};

TEST_P(ExportImport, GivesBackTheSameSettings) {
    const int type = GetParam();
    const DeviceModel& model = DeviceModelOf(type);
    const auto program = Program(type);
    OutputChannel& out = program->output(2);
    const int max = model.bandwidthMax;
    const struct {
        int type, hz, bandwidth, slope, gain;
    } bands[] = {{Filter::kPeq, 1000, max / 5, 0, 265}, {Filter::kLowShelf, 80, 0, 1, 340},
                 {Filter::kHighShelf, 8000, 0, 0, 280}, {Filter::kPeq, 63, 0, 0, 360},
                 {Filter::kPeq, 12500, max, 0, 1},      {Filter::kLowShelf, 20000, 0, 0, 450}};
    for (int b = 0; b < 6; ++b) {
        Filter& f = out.filter(b);
        f.setType(bands[b].type);
        f.setFrequency(bands[b].hz);
        f.setBandwidthIndex(bands[b].bandwidth);
        f.setSlope(bands[b].slope);
        f.setGainIndex(bands[b].gain);
    }
    out.filter(3).setOff(1); // an off band is not exported: the others close up
    out.setGain(model.gainZeroIndex - 35);
    out.highPass().setKind(Filter::kBessel);
    out.highPass().setSlope(Filter::kSlope24);
    out.highPass().setFrequency(120);
    out.lowPass().setKind(Filter::kLinkwitzRiley);
    out.lowPass().setSlope(Filter::kSlope48);
    out.lowPass().setFrequency(2400);

    const auto back = RoundTrip(*program, {true, 2});
    const OutputChannel& got = back->output(2);
    EXPECT_EQ(ActiveBands(got, 6), ActiveBands(out, 6));
    EXPECT_EQ(got.gain(), out.gain());
    EXPECT_EQ(std::vector<int>(
                  {got.highPass().kind(), got.highPass().slope(), got.highPass().frequency()}),
              std::vector<int>({Filter::kBessel, Filter::kSlope24, 120}));
    EXPECT_EQ(
        std::vector<int>({got.lowPass().kind(), got.lowPass().slope(), got.lowPass().frequency()}),
        std::vector<int>({Filter::kLinkwitzRiley, Filter::kSlope48, 2400}));

    InputChannel& in = program->input(1);
    for (int b = 0; b < model.inputBands; ++b) {
        in.filter(b).setFrequency(40 + 300 * b);
        in.filter(b).setBandwidthIndex(b * 7);
        in.filter(b).setGainIndex(200 + 20 * b);
    }
    const auto inputBack = RoundTrip(*program, {false, 1});
    EXPECT_EQ(ActiveBands(inputBack->input(1), model.inputBands),
              ActiveBands(in, model.inputBands));
}

INSTANTIATE_TEST_SUITE_P(Models, ExportImport,
                         testing::Values(kDeviceType4x8, kDeviceType3x6, kDeviceType2x4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(DeviceModelOf(info.param).label).replace(1, 1, "x");
                         });

TEST(ExportImport, EveryBandwidthStepComesBackFromItsQ) {
    for (int type : {kDeviceType4x8, kDeviceType3x6}) {
        const auto program = Program(type);
        for (int index = 0; index <= DeviceModelOf(type).bandwidthMax; ++index) {
            Filter& band = program->output(0).filter(0);
            band.setBandwidthIndex(index);
            band.setGainIndex(330);
            const auto back = RoundTrip(*program, kOut1);
            EXPECT_EQ(back->output(0).filter(0).bandwidthIndex(), index) << "type " << type;
        }
    }
}

TEST(ExportImport, EveryCrossoverComesBack) {
    for (bool highPass : {true, false})
        for (int kind : {Filter::kLinkwitzRiley, Filter::kBessel, Filter::kButterworth})
            for (int slope = Filter::kSlope12; slope <= Filter::kSlope48; ++slope)
                for (int hz : {37, 1000, 12345}) {
                    const auto program = Program(kDeviceType4x8);
                    Filter& f =
                        highPass ? program->output(0).highPass() : program->output(0).lowPass();
                    f.setKind(kind);
                    f.setSlope(slope);
                    f.setFrequency(hz);
                    const auto back = RoundTrip(*program, kOut1);
                    const Filter& got =
                        highPass ? back->output(0).highPass() : back->output(0).lowPass();
                    EXPECT_EQ(std::vector<int>({got.kind(), got.slope(), got.frequency()}),
                              std::vector<int>({kind, slope, hz}))
                        << (highPass ? "high-pass" : "low-pass");
                }
}

} // namespace
