#include "model/ParameterScales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Q of a bandwidth of n octaves, written out here apart from the code under test.
double ExpectedQ(double n) {
    const double twoToN = std::pow(2.0, n);
    return std::floor(std::sqrt(twoToN) / (twoToN - 1.0) * 1000.0 + 0.5) / 1000.0;
}

std::string Fixed(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

struct TextCase {
    const char* what;
    std::string actual;
    std::string expected;
};

void ExpectTexts(std::initializer_list<TextCase> cases) {
    for (const TextCase& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }
}

} // namespace

TEST(FrequencyGrid, MatchesTheListedPoints) {
    const auto& grid = FrequencyGrid();
    const struct {
        int point;
        double hz;
    } cases[] = {{0, 10.0},      {1, 10.3},      {2, 10.7},      {3, 11.0},
                 {4, 11.4},      {21, 20.1},     {139, 1013.4},  {208, 10033.3},
                 {237, 26297.4}, {238, 27185.9}, {239, 28104.3}, {240, 30000.0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(grid[c.point], c.hz, 1e-9) << "point " << c.point;
    }
    for (int i = 1; i < kGridPoints; ++i) {
        EXPECT_LT(grid[i - 1], grid[i]) << "point " << i;
    }
}

TEST(QTables, HoldTheFormulaValuesInDescendingOrder) {
    const auto& fine = QFineTable();
    const auto& coarse = QCoarseTable();
    EXPECT_DOUBLE_EQ(fine[0], 28.852);
    EXPECT_DOUBLE_EQ(fine[1], 24.043);
    EXPECT_DOUBLE_EQ(fine[2], 20.608);
    EXPECT_DOUBLE_EQ(fine[294], 0.406);
    EXPECT_DOUBLE_EQ(fine[295], 0.404);
    EXPECT_DOUBLE_EQ(coarse[0], 28.852);
    EXPECT_DOUBLE_EQ(coarse[1], 14.424);
    EXPECT_DOUBLE_EQ(coarse[2], 9.614);
    EXPECT_DOUBLE_EQ(coarse[3], 7.208);
    EXPECT_DOUBLE_EQ(coarse[58], 0.413);
    EXPECT_DOUBLE_EQ(coarse[59], 0.404);
    for (int i = 0; i < kQFineSize; ++i) {
        EXPECT_DOUBLE_EQ(fine[i], ExpectedQ(0.05 + 0.01 * i)) << "fine " << i;
        if (i > 0) {
            EXPECT_LT(fine[i], fine[i - 1]) << "fine " << i;
        }
    }
    for (int i = 0; i < kQCoarseSize; ++i) {
        EXPECT_DOUBLE_EQ(coarse[i], ExpectedQ(0.05 * (i + 1))) << "coarse " << i;
        if (i > 0) {
            EXPECT_LT(coarse[i], coarse[i - 1]) << "coarse " << i;
        }
    }
}

TEST(Bandwidth, WorkedExamples) {
    // 4x8: index 24 is 0.29 octaves, the stored octaves give index 24 again, Q 4.966.
    ASSERT_TRUE(BandwidthOctaves(kDeviceType4x8, 24));
    EXPECT_NEAR(*BandwidthOctaves(kDeviceType4x8, 24), 0.29, 1e-12);
    EXPECT_EQ(BandwidthIndexFromOctaves(kDeviceType4x8, *BandwidthOctaves(kDeviceType4x8, 24)), 24);
    EXPECT_EQ(BandwidthText(kDeviceType4x8, 24), "0.29");
    EXPECT_EQ(QText(kDeviceType4x8, 24), "4.966");
    EXPECT_EQ(BandwidthWireValue(kDeviceType4x8, 24), 24);
    // 3x6: index 3 is 0.20 octaves, Q 7.208, sent as 15.
    EXPECT_EQ(BandwidthText(kDeviceType3x6, 3), "0.20");
    EXPECT_EQ(QText(kDeviceType3x6, 3), "7.208");
    EXPECT_EQ(BandwidthWireValue(kDeviceType3x6, 3), 15);
    EXPECT_EQ(BandwidthText(kDeviceType2x4, 59), "3.00");
    EXPECT_EQ(BandwidthText(kDeviceType4x8, 295), "3.00");
}

// Octaves are stored as doubles and the index is derived again on every use: no index may drift.
TEST(Bandwidth, EveryIndexSurvivesTheTripThroughOctaves) {
    for (int type : {kDeviceType4x8, kDeviceType3x6, kDeviceType2x4}) {
        const int last = *BandwidthMaxIndex(type);
        for (int i = 0; i <= last; ++i) {
            EXPECT_EQ(BandwidthIndexFromOctaves(type, *BandwidthOctaves(type, i)), i)
                << "type " << type << " index " << i;
        }
    }
}

TEST(Bandwidth, IndexFromOctavesStaysInsideTheTable) {
    EXPECT_EQ(BandwidthIndexFromOctaves(kDeviceType4x8, 5.0), 295);
    EXPECT_EQ(BandwidthIndexFromOctaves(kDeviceType3x6, 5.0), 59);
    EXPECT_EQ(BandwidthIndexFromOctaves(kDeviceType4x8, -1.0), 0);
    EXPECT_EQ(BandwidthIndexFromOctaves(kDeviceType2x4, std::nan("")), 0);
    EXPECT_EQ(BandwidthIndexFromOctaves(4, 1.0), std::nullopt);
}

TEST(Bandwidth, TypedQSelectsTheFirstEntryAtOrBelowIt) {
    const struct {
        const char* what;
        int type;
        double q;
        std::optional<int> index;
    } cases[] = {
        {"1.41 falls between 1.414 and 1.400", kDeviceType4x8, 1.41, 96},
        {"1.414 is one octave exactly", kDeviceType4x8, 1.414, 95},
        {"above the first entry", kDeviceType4x8, 40.0, 0},
        {"the first entry itself", kDeviceType3x6, 28.852, 0},
        {"just below the first entry", kDeviceType3x6, 28.851, 1},
        {"below the last entry, fine table", kDeviceType4x8, 0.3, 295},
        {"below the last entry, coarse table", kDeviceType3x6, 0.3, 59},
        {"below the last entry, 2x4", kDeviceType2x4, 0.3, 59},
        {"unknown device type", 0, 1.0, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BandwidthIndexFromQ(c.type, c.q), c.index) << c.what;
    }
}

TEST(Scales, GainTexts) {
    ExpectTexts({
        {"4x8 0 dB", ChannelGainText(kDeviceType4x8, 400), "0.0"},
        {"3x6 0 dB", ChannelGainText(kDeviceType3x6, 360), "0.0"},
        {"4x8 one step below 0 dB", ChannelGainText(kDeviceType4x8, 399), "-0.1"},
        {"4x8 bottom", ChannelGainText(kDeviceType4x8, 0), "-40.0"},
        {"4x8 input top", ChannelGainText(kDeviceType4x8, 460), "6.0"},
        {"4x8 output top", ChannelGainText(kDeviceType4x8, 550), "15.0"},
        {"2x4 bottom", ChannelGainText(kDeviceType2x4, 0), "-36.0"},
        {"2x4 top", ChannelGainText(kDeviceType2x4, 560), "20.0"},
        {"4x8 past the top", ChannelGainText(kDeviceType4x8, 551), ""},
        {"3x6 past the top", ChannelGainText(kDeviceType3x6, 561), ""},
        {"negative index", ChannelGainText(kDeviceType4x8, -1), ""},
        {"unknown type 0", ChannelGainText(0, 400), ""},
        {"unknown type 4", ChannelGainText(4, 400), ""},
    });
    EXPECT_EQ(ChannelGainZeroIndex(kDeviceType4x8), 400);
    EXPECT_EQ(InputGainMaxIndex(kDeviceType4x8), 460);
    EXPECT_EQ(OutputGainMaxIndex(kDeviceType2x4), 560);
    EXPECT_EQ(ChannelGainDb(5, 0), std::nullopt);
}

TEST(Scales, DelayTexts) {
    ExpectTexts({
        {"4x8 zero", DelayText(kDeviceType4x8, 0), "0.0000ms"},
        {"4x8 last fine step", DelayText(kDeviceType4x8, 9616), "100.0064ms"},
        {"4x8 first coarse step", DelayText(kDeviceType4x8, 9617), "100.0274ms"},
        {"4x8 one below the top", DelayText(kDeviceType4x8, 52472), "999.9824ms"},
        {"4x8 top", DelayText(kDeviceType4x8, 52473), "1000ms"},
        {"4x8 past the top", DelayText(kDeviceType4x8, 52474), ""},
        {"2x4 last fine step", DelayText(kDeviceType2x4, 475), "9.975ms"},
        {"2x4 first whole ms", DelayText(kDeviceType2x4, 476), "10.0ms"},
        {"3x6 top", DelayText(kDeviceType3x6, 1465), "999.0ms"},
        {"3x6 past the top", DelayText(kDeviceType3x6, 1466), ""},
        {"negative", DelayText(kDeviceType3x6, -1), ""},
        {"unknown type", DelayText(7, 10), ""},
    });
}

TEST(Scales, DelayDistancesFollowTheTemperature) {
    // metres = ms x 0.001 x (331 + 0.6 T); feet = metres x 3.28.
    const double ms4x8 = 100.0064;
    const double c20 = 331.0 + 0.6 * 20;
    EXPECT_NEAR(*DelayMetres(kDeviceType4x8, 9616, 20), ms4x8 * 0.001 * c20, 1e-9);
    EXPECT_EQ(DelayMetresText(kDeviceType4x8, 9616, 20), Fixed("%0.4f", ms4x8 * 0.001 * c20));
    EXPECT_EQ(DelayFeetText(kDeviceType4x8, 9616, 20), Fixed("%0.4f", ms4x8 * 0.001 * c20 * 3.28));
    ExpectTexts({
        {"short scale below 10 ms", DelayMetresText(kDeviceType2x4, 475, 0), "3.302"}, // 9.975 ms
        {"short scale from 10 ms", DelayMetresText(kDeviceType2x4, 476, 0), "3.3"},    // 10 ms
        {"short scale feet", DelayFeetText(kDeviceType3x6, 1465, 50),
         "1182.9"}, // 999 ms at 361 m/s
        {"out of range", DelayMetresText(kDeviceType3x6, 1466, 20), ""},
    });
    EXPECT_DOUBLE_EQ(SpeedOfSound(50), 361.0);
}

TEST(Scales, EqualiserGain) {
    ExpectTexts({
        {"0 dB", EqGainText(300, false), "0.0"},
        {"bottom", EqGainText(0, false), "-30.0"},
        {"top", EqGainText(450, false), "15.0"},
        {"a band that is off shows 0.0", EqGainText(420, true), "0.0"},
        {"past the top", EqGainText(451, false), ""},
        {"negative", EqGainText(-1, false), ""},
    });
    const struct {
        double dB;
        int index;
    } cases[] = {{0.0, 300},   {-30.0, 0},   {15.0, 450}, {1.25, 313},
                 {-0.04, 300}, {-0.06, 299}, {20.0, 450}, {-31.0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(EqGainIndexFromDb(c.dB), c.index) << c.dB << " dB";
    }
}

TEST(Scales, BandAndCrossoverTexts) {
    ExpectTexts({
        {"peaking", BandTypeText(kBandPeq, 1), "PEQ"},
        {"low shelf 6", BandTypeText(kBandLowShelf, 0), "Lo_Shf 6dB"},
        {"high shelf 12", BandTypeText(kBandHighShelf, 1), "Hi_Shf 12dB"},
        {"unknown band type", BandTypeText(3, 0), ""},
        {"unknown shelf slope", ShelfSlopeText(2), ""},
        {"L_R", CrossoverKindText(0), "L_R"},
        {"BTWorth", CrossoverKindText(2), "BTWorth"},
        {"kind 3", CrossoverKindText(3), ""},
        {"48 dB", CrossoverSlopeText(3), "48dB"},
        {"slope 4", CrossoverSlopeText(4), ""},
        {"slope -1", CrossoverSlopeText(-1), ""},
    });
    EXPECT_EQ(ClampCrossoverKind(9), 2);
    EXPECT_EQ(ClampCrossoverSlope(255), 3);
    EXPECT_EQ(ClampCrossoverSlope(1), 1);
    EXPECT_TRUE(HighPassIsOff(10));
    EXPECT_FALSE(HighPassIsOff(11));
    EXPECT_TRUE(LowPassIsOff(30000));
    EXPECT_FALSE(LowPassIsOff(29999));
    EXPECT_EQ(ClampFrequency(5), 10);
    EXPECT_EQ(ClampFrequency(65535), 30000);
    EXPECT_EQ(FrequencyText(1000), "1000");
}

TEST(Scales, GateAndLimiterTexts) {
    ExpectTexts({
        {"gate default", GateText(120, false), "0.0"},
        {"gate bottom", GateText(0, false), "-120.0"},
        {"gate editors' top", GateText(130, false), "10.0"},
        {"gate disabled", GateText(120, true), "Disable"},
        {"threshold default", LimiterThresholdText(400), "10.0"},
        {"threshold bottom", LimiterThresholdText(0), "-30.0"},
        {"threshold past the top", LimiterThresholdText(501), ""},
        {"attack first", AttackText(0), "0.3"},
        {"attack last tenth", AttackText(6), "0.9"},
        {"attack first whole", AttackText(7), "1"},
        {"attack top", AttackText(106), "100"},
        {"attack past the top", AttackText(107), ""},
        {"release first", ReleaseText(0), "2X"},
        {"release auto", ReleaseText(kAutoReleaseIndex), "16X"},
        {"release last", ReleaseText(5), "32X"},
        {"release past the end", ReleaseText(6), ""},
        {"clip limit default", ClipLimitText(20), "4.0"},
        {"ratio first", RatioText(0), "1:1"},
        {"ratio last", RatioText(7), "1:maximum"},
        {"ratio past the end", RatioText(8), ""},
        {"type", DynamicsTypeText(1), "Compressor"},
        {"mode", DynamicsModeText(1), "Auto"},
        {"mode past the end", DynamicsModeText(2), ""},
    });
}

TEST(Scales, AutomaticAttackFollowsTheHighPassFrequency) {
    const struct {
        int hz;
        int attack;
    } cases[] = {{10, 51}, {30, 51}, {31, 22}, {62, 22},  {63, 14},  {124, 14}, {125, 8},
                 {499, 8}, {500, 7}, {999, 7}, {1000, 2}, {1999, 2}, {2000, 0}, {30000, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(AutoAttackIndex(c.hz), c.attack) << c.hz << " Hz";
    }
}

TEST(Scales, FixedTexts) {
    ExpectTexts({
        {"polarity normal", PolarityText(0), "+Normal"},
        {"polarity is a flag", PolarityText(2), "-Invert"},
        {"on", ChannelStateText(1), "On"},
        {"mute", ChannelStateText(0), "Mute"},
        {"mix set", MixEntryText(true), "On"},
        {"mix clear", MixEntryText(false), "Off"},
        {"digital", InputSourceText(1), "Digital"},
        {"source 2", InputSourceText(2), ""},
        {"backlight keep on", BacklightText(kDeviceType4x8, 0), "Keep On"},
        {"backlight timed 4x8", BacklightText(kDeviceType4x8, 1), "25s"},
        {"backlight timed 3x6", BacklightText(kDeviceType3x6, 1), "10s"},
        {"backlight timed 2x4", BacklightText(kDeviceType2x4, 1), "10s"},
        {"backlight 2", BacklightText(kDeviceType4x8, 2), ""},
        {"backlight unknown type", BacklightText(0, 0), ""},
        {"temperature bottom", TemperatureText(0), "0C"},
        {"temperature top", TemperatureText(50), "50C"},
        {"temperature past the top", TemperatureText(51), ""},
    });
}

TEST(GraphCoordinates, MapFrequencyAndLevel) {
    const double decades = std::log10(30000.0) - 1.0;
    EXPECT_EQ(GraphXOfFrequency(1000.0, 600), 345); // trunc(2 x 600 / 3.4771)
    EXPECT_EQ(GraphXOfFrequency(10.0, 600), 0);
    EXPECT_EQ(GraphXOfFrequency(30000.0, 600), 600);
    EXPECT_EQ(GraphXOfFrequency(100.0, 587), static_cast<int>(1.0 * 587 / decades));
    EXPECT_EQ(GraphFrequencyOfX(0, 600), 10);
    EXPECT_EQ(GraphFrequencyOfX(345, 600),
              static_cast<int>(std::pow(10.0, decades * 345 / 600 + 1.0)));
    EXPECT_EQ(GraphYOfLevel(20.0, 300), 0);
    EXPECT_EQ(GraphYOfLevel(0.0, 300), 100);
    EXPECT_EQ(GraphYOfLevel(-40.0, 300), 300);
    EXPECT_EQ(GraphYOfLevel(-0.1, 300), 101);  // 5 x 20.1 + 0.5 = 101.0
    EXPECT_EQ(GraphYOfLevel(-0.09, 300), 100); // 5 x 20.09 + 0.5 = 100.95, cut
    EXPECT_DOUBLE_EQ(GraphLevelOfY(0, 300), 20.5);
    EXPECT_DOUBLE_EQ(GraphLevelOfY(100, 300), -0.5); // the 0 dB line moves down by 0.5
    EXPECT_DOUBLE_EQ(GraphLevelOfY(50, 300), 10.5);
    EXPECT_DOUBLE_EQ(GraphLevelOfY(200, 300), -20.5);
    EXPECT_EQ(GraphXOfFrequency(1000.0, 0), 0);
    EXPECT_EQ(GraphYOfLevel(0.0, 0), 0);
    EXPECT_EQ(GraphXOfFrequency(0.0, 600), 0);
}
