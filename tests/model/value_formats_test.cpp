#include "model/ValueFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace {

DisplayKindSettings Kind(int kind, int min, int max, double step = 1.0, double offset = 0.0,
                         int temperatureC = 0) {
    return DisplayKindSettings{kind, min, max, step, offset, temperatureC};
}

// ---- Text shown for an index ----------------------------------------------------------------

struct FormatCase {
    const char* name;
    DisplayKindSettings settings;
    int index;
    std::optional<std::string> text;
};

class DisplayKindFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(DisplayKindFormat, ShowsTheIndexAsText) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatDisplayKind(c.settings, c.index), c.text);
}

const FormatCase kFormatCases[] = {
    {"LongDelayZero", Kind(0, 0, 52473), 0, "0.0000"},
    {"LongDelayKnee", Kind(0, 0, 52473), 9616, "100.0064"},
    {"LongDelayFirstCoarseStep", Kind(0, 0, 52473), 9617, "100.0274"},
    {"LongDelayTopShowsWholeMs", Kind(0, 0, 52473), 52473, "1000"},
    // 100.0064 ms x 331 m/s = 33.1021184 m; at 20 C the speed is 343 m/s.
    {"LongMetresAtZeroC", Kind(1, 0, 52473), 9616, "33.1021"},
    {"LongMetresAt20C", Kind(1, 0, 52473, 1, 0, 20), 9616, "34.3022"},
    {"LongFeetUse3_28", Kind(2, 0, 52473), 9616, "108.5749"}, // 33.1021184 x 3.28
    {"CentredBelowHalf", Kind(3, 0, 100, 0.5), 30, "-10.0"},
    {"PlainInteger", Kind(4, 0, 250), 123, "123"},
    {"AttackFirstStep", Kind(5, 0, 106), 0, "0.3"},
    {"AttackLastTenth", Kind(5, 0, 106), 6, "0.9"},
    {"AttackFirstWholeMs", Kind(5, 0, 106), 7, "1"},
    {"AttackTop", Kind(5, 0, 106), 106, "100"},
    {"OwnerTextIsLeftAlone", Kind(6, 0, 10), 3, std::nullopt},
    {"FineBandwidthOneOctave", Kind(7, 0, 295), 95, "1.00"},
    {"FineBandwidthTop", Kind(7, 0, 295), 295, "3.00"},
    {"FrequencyInHz", Kind(8, 10, 30000), 1000, "1000"},
    {"LinearGainZeroDb", Kind(10, 0, 450, 0.1, 30), 300, "0.0"},
    {"LinearFaderBottom", Kind(10, 0, 460, 0.1, 40), 0, "-40.0"},
    {"FineQOfIndex24", Kind(11, 0, 295), 24, "4.966"},
    {"FineQOfOneOctave", Kind(11, 0, 295), 95, "1.414"},
    {"FineQPastTheTable", Kind(11, 0, 295), 296, ""},
    {"ShortDelayLastFineStep", Kind(12, 0, 1465), 475, "9.975"},
    {"ShortDelayFirstWholeMs", Kind(12, 0, 1465), 476, "10.0"},
    {"ShortDelayTop", Kind(12, 0, 1465), 1465, "999.0"},
    {"ShortMetresFineStep", Kind(13, 0, 1465), 475, "3.302"}, // 9.975 ms x 0.331
    {"ShortMetresWholeMs", Kind(13, 0, 1465), 476, "3.3"},
    {"ShortFeetWholeMs", Kind(14, 0, 1465), 476, "10.9"}, // 3.31 m x 3.28
    {"CoarseQ", Kind(15, 0, 59), 3, "7.208"},
    {"CoarseBandwidth", Kind(16, 0, 59), 3, "0.20"},
    {"SlopeTop", Kind(17, 0, 3), 3, "48"},
    {"SlopePastTable", Kind(17, 0, 3), 4, ""},
    {"RatioTop", Kind(18, 0, 7), 7, "1:maximum"},
    {"TemperatureRoundsFahrenheit", Kind(50, 0, 50), 25, "25C(77F)"}, // 77.5 truncates
    {"TemperatureFreezing", Kind(50, 0, 50), 0, "0C(32F)"},
    {"TemperatureOutsideRange", Kind(50, 0, 50), 51, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, DisplayKindFormat, testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Entry rules ----------------------------------------------------------------------------

struct EntryCase {
    const char* name;
    DisplayKindSettings settings;
    int current;
    const char* typed;
    EntryOutcome outcome;
    int index;
    bool outOfRange;
};

class DisplayKindEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(DisplayKindEntry, TurnsTypedTextIntoAnIndex) {
    const EntryCase& c = GetParam();
    const DisplayEntry e = ApplyDisplayEntry(c.settings, c.current, c.typed);
    EXPECT_EQ(e.outcome, c.outcome);
    EXPECT_EQ(e.index, c.index);
    EXPECT_EQ(e.outOfRange, c.outOfRange);
}

constexpr auto C = EntryOutcome::Commit;
constexpr auto R = EntryOutcome::Restore;

const EntryCase kEntryCases[] = {
    // Long delay: exactly 1000 is the top (the display shows the top as "1000").
    {"LongDelay1000IsTheTop", Kind(0, 0, 52473), 7, "1000", C, 52473, false},
    {"LongDelayAboveTop", Kind(0, 0, 52473), 7, "1000.5", C, 52473, true},
    {"LongDelayNegative", Kind(0, 0, 52473), 7, "-1", C, 0, true},
    {"LongDelayKnee", Kind(0, 0, 52473), 7, "100.0064", C, 9616, false},
    {"LongDelayFirstCoarseStep", Kind(0, 0, 52473), 7, "100.0274", C, 9617, false},
    {"LongDelayFineSteps", Kind(0, 0, 52473), 7, "50", C, 4807, false}, // 50 / 0.0104 = 4807.7
    {"LongDelayBeyondEditRange", Kind(0, 0, 1000), 7, "50", C, 1000, true},
    {"LongDelayNoNumber", Kind(0, 0, 52473), 7, "abc", R, 7, false},
    {"LongDelayEmpty", Kind(0, 0, 52473), 7, "", R, 7, false},
    {"LongDelayNan", Kind(0, 0, 52473), 7, "nan", R, 7, false},
    {"LongDelayCommaDecimal", Kind(0, 0, 52473), 7, "100,0274", C, 9617, false},
    // Metres entry uses 331.4 m/s: 33.1021 m -> 99.8856 ms -> index 9604 (shown 9616 before).
    {"LongMetresUse331_4", Kind(1, 0, 52473), 7, "33.1021", C, 9604, false},
    {"LongMetresAboveTop", Kind(1, 0, 52473), 7, "400", C, 52473, true},
    {"LongMetresNegative", Kind(1, 0, 52473), 7, "-2", C, 0, true},
    {"LongFeetAboveTop", Kind(2, 0, 52473), 7, "1100", C, 52473, true},
    // Centred on max/2 = 50 with step 0.5: 5 -> 50 + 10; bounds +-25.
    {"CentredInside", Kind(3, 0, 100, 0.5), 0, "5", C, 60, false},
    {"CentredAboveBound", Kind(3, 0, 100, 0.5), 0, "30", C, 100, true},
    {"CentredBelowBound", Kind(3, 0, 100, 0.5), 0, "-30", C, 0, true},
    {"AttackTenths05", Kind(5, 0, 106), 9, "0.5", C, 2, false},
    {"AttackTenths07", Kind(5, 0, 106), 9, "0.7", C, 4, false},
    {"AttackWholeMs", Kind(5, 0, 106), 9, "45", C, 51, false},
    {"AttackGapLeavesIndex", Kind(5, 0, 106), 9, "0.95", R, 9, false},
    {"AttackBelowFirstStep", Kind(5, 0, 106), 9, "0.1", C, 0, true},
    {"AttackAboveTop", Kind(5, 0, 106), 9, "200", C, 106, true},
    {"FineBandwidthOneOctave", Kind(7, 0, 295), 0, "1", C, 95, false},
    {"FineBandwidthAboveThree", Kind(7, 0, 295), 0, "3.5", C, 295, true},
    {"FineBandwidthBelowMin", Kind(7, 0, 295), 9, "0.01", C, 0, true},
    {"LinearGainZero", Kind(10, 0, 500, 0.1, 30), 1, "0", C, 300, false},
    {"LinearAboveTop", Kind(10, 0, 500, 0.1, 30), 1, "20.5", C, 500, true},
    {"LinearAtBottom", Kind(10, 0, 500, 0.1, 30), 1, "-30", C, 0, false},
    {"LinearBelowBottom", Kind(10, 0, 500, 0.1, 30), 1, "-31", C, 0, true},
    {"LinearZeroStepLeavesIndex", Kind(10, 0, 500, 0.0, 30), 1, "3", R, 1, false},
    {"FineQOfOneOctave", Kind(11, 0, 295), 0, "1.414", C, 95, false},
    {"FineQBetweenEntries", Kind(11, 0, 295), 0, "1.41", C, 96, false},
    {"FineQAboveTop", Kind(11, 0, 295), 5, "30", C, 0, true},
    {"FineQBelowBottom", Kind(11, 0, 295), 5, "0.3", C, 295, true},
    {"CoarseQEntry", Kind(15, 0, 59), 0, "7.208", C, 3, false},
    {"CoarseQBelowBottom", Kind(15, 0, 59), 0, "0.3", C, 59, true},
    {"CoarseBandwidth", Kind(16, 0, 59), 0, "0.2", C, 3, false},
    {"CoarseBandwidthTop", Kind(16, 0, 59), 0, "3", C, 59, false},
    {"ShortDelayWholeMs", Kind(12, 0, 1465), 3, "10", C, 476, false},
    {"ShortDelayLastFineStep", Kind(12, 0, 1465), 3, "9.975", C, 475, false},
    {"ShortDelayAboveTop", Kind(12, 0, 1465), 3, "999.5", C, 1465, true},
    {"ShortDelayNegative", Kind(12, 0, 1465), 3, "-0.1", C, 0, true},
    {"ShortMetresWholeMs", Kind(13, 0, 1465), 3, "3.31", C, 476, false}, // 3.31 m / 331 = 10 ms
    // Feet top uses 3.28, the entry divides by 3.2808: the top lands one step short, 998.76 ms.
    {"ShortFeetTopLandsShort", Kind(14, 0, 1465), 3, "3300", C, 1464, true},
    {"IntegerOffIsKept", Kind(4, 1, 250), 5, "OFF", EntryOutcome::KeepText, 5, false},
    {"IntegerTruncates", Kind(4, 1, 250), 5, "12.7", C, 12, false},
    {"IntegerBelowMin", Kind(4, 1, 250), 5, "0", C, 1, true},
    {"IntegerAboveEditMax", Kind(4, 1, 250), 5, "300", C, 250, true},
    {"IntegerHuge", Kind(9, 1, 250), 5, "99999999999999", C, 250, true},
    {"FrequencyAbove30000", Kind(8, 10, 30000), 50, "30001", C, 30000, true},
    {"FrequencyBelowMin", Kind(8, 10, 30000), 50, "5", C, 10, true},
    {"FrequencyPlain", Kind(8, 10, 30000), 50, " +1000 ", C, 1000, false},
    {"FrequencyNoNumber", Kind(8, 10, 30000), 50, "x", R, 50, false},
    {"OwnerTextGoesToOwner", Kind(6, 0, 10), 4, "anything", EntryOutcome::OwnerText, 4, false},
    {"SlopeHasNoEntry", Kind(17, 0, 3), 2, "24", R, 2, false},
    {"TemperatureHasNoEntry", Kind(50, 0, 50), 20, "30", R, 20, false},
};

INSTANTIATE_TEST_SUITE_P(Table, DisplayKindEntry, testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The allowed range in an "Out of Range" message -------------------------------------------

struct RangeCase {
    const char* name;
    DisplayKindSettings settings;
    std::string message;
};

class DisplayKindRange : public testing::TestWithParam<RangeCase> {};

TEST_P(DisplayKindRange, OutOfRangeNamesTheAllowedRangeInTheFieldsUnit) {
    const RangeCase& c = GetParam();
    EXPECT_EQ(OutOfRangeMessage(c.settings), c.message);
}

DisplayKindSettings WithUnit(DisplayKindSettings s, const char* unit) {
    s.unit = unit;
    return s;
}

const RangeCase kRangeCases[] = {
    {"OutputGainInDb", WithUnit(Kind(10, 0, 550, 0.1, 40), "dB"),
     "Out of Range\nAllowed range: -40.0 to 15.0 dB"},
    {"SmallModelGainInDb", WithUnit(Kind(10, 0, 560, 0.1, 36), "dB"),
     "Out of Range\nAllowed range: -36.0 to 20.0 dB"},
    {"LinearWithoutAUnitShowsNumbersOnly", Kind(10, 0, 450, 0.1, 30),
     "Out of Range\nAllowed range: -30.0 to 15.0"},
    {"LongDelayInMs", Kind(0, 0, 52473), "Out of Range\nAllowed range: 0.0000 to 1000 ms"},
    {"ShortDelayInMetres", Kind(13, 0, 1465), "Out of Range\nAllowed range: 0.000 to 330.7 m"},
    {"ShortDelayInFeet", Kind(14, 0, 1465), "Out of Range\nAllowed range: 0.000 to 1084.6 ft"},
    {"AttackInMs", Kind(5, 0, 106), "Out of Range\nAllowed range: 0.3 to 100 ms"},
    {"BandwidthInOctaves", Kind(16, 0, 59), "Out of Range\nAllowed range: 0.05 to 3.00 oct"},
    {"QRunsDownwardsButReadsLowestFirst", Kind(11, 0, 295),
     "Out of Range\nAllowed range: 0.404 to 28.852"},
    {"FrequencyInHz", Kind(8, 20, 20000), "Out of Range\nAllowed range: 20 to 20000 Hz"},
    {"CentredInTheOwnersUnit", WithUnit(Kind(3, 0, 300, 0.1), "dB"),
     "Out of Range\nAllowed range: -15.0 to 15.0 dB"},
    {"KindWithoutEntryKeepsTheBareText", Kind(17, 0, 3), "Out of Range"},
    {"OwnerTextKeepsTheBareText", Kind(6, 0, 10), "Out of Range"},
    {"EmptyRangeKeepsTheBareText", Kind(4, 10, 5), "Out of Range"},
};

INSTANTIATE_TEST_SUITE_P(Table, DisplayKindRange, testing::ValuesIn(kRangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every index of the delay and bandwidth scales survives its own text being typed back in: the
// formats keep enough decimals for the entry rules to find the same step.
TEST(DisplayKindRoundTrip, ShownTextReadsBackToTheSameIndex) {
    const DisplayKindSettings kinds[] = {
        Kind(0, 0, 52473), Kind(12, 0, 1465), Kind(7, 0, 295), Kind(16, 0, 59),
        Kind(11, 0, 295),  Kind(15, 0, 59),   Kind(5, 0, 106), Kind(10, 0, 550, 0.1, 40)};
    for (const DisplayKindSettings& s : kinds) {
        for (int i = s.min; i <= s.max; ++i) {
            const std::string text = FormatDisplayKind(s, i).value_or("?");
            const DisplayEntry e = ApplyDisplayEntry(s, -1, text);
            ASSERT_EQ(e.index, i) << "kind " << s.kind << " text " << text;
            ASSERT_FALSE(e.outOfRange) << "kind " << s.kind << " text " << text;
        }
    }
}

} // namespace
