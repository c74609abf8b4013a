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
    EntryProblem problem = EntryProblem::None;
};

class DisplayKindEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(DisplayKindEntry, TurnsTypedTextIntoAnIndex) {
    const EntryCase& c = GetParam();
    const DisplayEntry e = ApplyDisplayEntry(c.settings, c.current, c.typed);
    EXPECT_EQ(e.outcome, c.outcome);
    EXPECT_EQ(e.index, c.index);
    EXPECT_EQ(e.problem, c.problem);
}

DisplayKindSettings WithUnit(DisplayKindSettings s, const char* unit) {
    s.unit = unit;
    return s;
}

constexpr auto C = EntryOutcome::Commit;
constexpr auto R = EntryOutcome::Restore;
constexpr auto X = EntryOutcome::Refused;
constexpr auto kOutside = EntryProblem::OutOfRange;
constexpr auto kNoNumber = EntryProblem::NotANumber;
const DisplayKindSettings kHz = Kind(8, 10, 30000);
const DisplayKindSettings kBandHz = WithUnit(Kind(4, 10, 30000), "Hz");
const DisplayKindSettings kGainDb = WithUnit(Kind(10, 0, 460, 0.1, 40), "dB");

// A value is never limited and taken: out of range and no number are refused with the old index.
const EntryCase kEntryCases[] = {
    // Long delay: exactly 1000 is the top (the display shows the top as "1000").
    {"LongDelay1000IsTheTop", Kind(0, 0, 52473), 7, "1000", C, 52473},
    {"LongDelayAboveTop", Kind(0, 0, 52473), 7, "1000.5", X, 7, kOutside},
    {"LongDelayNegative", Kind(0, 0, 52473), 7, "-1", X, 7, kOutside},
    {"LongDelayKnee", Kind(0, 0, 52473), 7, "100.0064", C, 9616},
    {"LongDelayFirstCoarseStep", Kind(0, 0, 52473), 7, "100.0274", C, 9617},
    {"LongDelayFineSteps", Kind(0, 0, 52473), 7, "50", C, 4807}, // 50 / 0.0104 = 4807.7
    {"LongDelayWithItsUnit", Kind(0, 0, 52473), 7, "50 ms", C, 4807},
    {"LongDelayBeyondEditRange", Kind(0, 0, 1000), 7, "50", X, 7, kOutside},
    {"LongDelayNoNumber", Kind(0, 0, 52473), 7, "abc", X, 7, kNoNumber},
    {"LongDelayEmptyRestoresQuietly", Kind(0, 0, 52473), 7, " ", R, 7},
    {"LongDelayNan", Kind(0, 0, 52473), 7, "nan", X, 7, kNoNumber},
    {"LongDelayExponent", Kind(0, 0, 52473), 7, "1e2", X, 7, kNoNumber},
    {"LongDelayOtherUnit", Kind(0, 0, 52473), 7, "50 m", X, 7, kNoNumber},
    {"LongDelayCommaDecimal", Kind(0, 0, 52473), 7, "100,0274", C, 9617},
    // "1,000" ms may be one or a thousand: refused; "1.000" is the box's own decimal point.
    {"LongDelayCommaThousandsAmbiguous", Kind(0, 0, 52473), 7, "1,000", X, 7, kNoNumber},
    {"LongDelayPointIsDecimal", Kind(0, 0, 52473), 7, "1.000", C, 96},
    // Distances go back with the display's 331 m/s and 3.28 ft/m, to the nearest step.
    {"LongMetresShownTextComesBack", Kind(1, 0, 52473), 7, "33.1021", C, 9616},
    {"LongMetresTopAsShown", Kind(1, 0, 52473), 7, "331.0011", C, 52473},
    {"LongMetresAboveTop", Kind(1, 0, 52473), 7, "331.1", X, 7, kOutside},
    {"LongMetresNegative", Kind(1, 0, 52473), 7, "-2", X, 7, kOutside},
    {"LongFeetAboveTop", Kind(2, 0, 52473), 7, "1100", X, 7, kOutside},
    // Centred on max/2 = 50 with step 0.5: 5 -> 50 + 10; bounds +-25.
    {"CentredInside", Kind(3, 0, 100, 0.5), 0, "5", C, 60},
    {"CentredAboveBound", Kind(3, 0, 100, 0.5), 0, "30", X, 0, kOutside},
    {"AttackTenths05", Kind(5, 0, 106), 9, "0.5", C, 2},
    {"AttackTenths07", Kind(5, 0, 106), 9, "0.7", C, 4},
    {"AttackWholeMs", Kind(5, 0, 106), 9, "45", C, 51},
    {"AttackBetweenSteps", Kind(5, 0, 106), 9, "0.95", X, 9, EntryProblem::BetweenSteps},
    {"AttackBelowFirstStep", Kind(5, 0, 106), 9, "0.1", X, 9, kOutside},
    {"AttackAboveTop", Kind(5, 0, 106), 9, "200", X, 9, kOutside},
    {"FineBandwidthOneOctave", Kind(7, 0, 295), 0, "1", C, 95},
    {"FineBandwidthAboveThree", Kind(7, 0, 295), 0, "3.5", X, 0, kOutside},
    {"LinearGainZero", Kind(10, 0, 500, 0.1, 30), 1, "0", C, 300},
    {"LinearAboveTop", Kind(10, 0, 500, 0.1, 30), 1, "20.5", X, 1, kOutside},
    {"LinearAtBottom", Kind(10, 0, 500, 0.1, 30), 1, "-30", C, 0},
    {"LinearBelowBottom", Kind(10, 0, 500, 0.1, 30), 1, "-31", X, 1, kOutside},
    {"LinearZeroStepLeavesIndex", Kind(10, 0, 500, 0.0, 30), 1, "3", R, 1},
    {"GainWithUnitAndComma", kGainDb, 400, "-3,5dB", C, 365},
    {"GainTopIsTaken", kGainDb, 400, "+6.0 dB", C, 460},
    {"GainAboveTopIsRefused", kGainDb, 400, "10", X, 400, kOutside},
    {"FineQOfOneOctave", Kind(11, 0, 295), 0, "1.414", C, 95},
    {"FineQBetweenEntries", Kind(11, 0, 295), 0, "1.41", C, 96},
    {"FineQAboveTop", Kind(11, 0, 295), 5, "30", X, 5, kOutside},
    {"CoarseQEntry", Kind(15, 0, 59), 0, "7.208", C, 3},
    {"CoarseBandwidth", Kind(16, 0, 59), 0, "0.2", C, 3},
    {"CoarseBandwidthTop", Kind(16, 0, 59), 0, "3", C, 59},
    {"ShortDelayWholeMs", Kind(12, 0, 1465), 3, "10", C, 476},
    {"ShortDelayLastFineStep", Kind(12, 0, 1465), 3, "9.975", C, 475},
    {"ShortDelayAboveTop", Kind(12, 0, 1465), 3, "999.5", X, 3, kOutside},
    {"ShortMetresWholeMs", Kind(13, 0, 1465), 3, "3.31", C, 476}, // 3.31 m / 331 = 10 ms
    // The top distances as shown (330.7 m, 1084.6 ft) are the top delay, just above is refused.
    {"ShortMetresTopAsShown", Kind(13, 0, 1465), 3, "330.7", C, 1465},
    {"ShortFeetTopAsShown", Kind(14, 0, 1465), 3, "1084.6", C, 1465},
    {"ShortFeetAboveTop", Kind(14, 0, 1465), 3, "1084.7", X, 3, kOutside},
    {"IntegerOffIsKept", Kind(4, 1, 250), 5, "OFF", EntryOutcome::KeepText, 5},
    {"IntegerRoundsAFraction", Kind(4, 1, 250), 5, "12.7", C, 13},
    {"IntegerBelowMin", Kind(4, 1, 250), 5, "0", X, 5, kOutside},
    {"IntegerAboveEditMax", Kind(4, 1, 250), 5, "300", X, 5, kOutside},
    {"IntegerHuge", Kind(9, 1, 250), 5, "99999999999999", X, 5, kOutside},
    // Frequencies: kHz with k; the typos that used to move a crossover to an end are refused.
    {"FrequencyPlain", kHz, 50, " +1000 ", C, 1000},
    {"FrequencyKiloHertz", kHz, 50, "1k", C, 1000},
    {"FrequencyKiloHertzWithDecimals", kHz, 50, "1.5k", C, 1500},
    {"FrequencyKiloHertzCapitalAndComma", kBandHz, 50, "2,5K", C, 2500},
    {"FrequencyKiloHertzWithUnit", kBandHz, 50, "2.5 kHz", C, 2500},
    {"FrequencyWithUnit", kBandHz, 50, "120Hz", C, 120},
    {"FrequencyAbove30000", kHz, 50, "30001", X, 50, kOutside},
    {"FrequencyKiloHertzAboveTop", kHz, 50, "31k", X, 50, kOutside},
    {"FrequencyBelowMin", kHz, 50, "5", X, 50, kOutside},
    {"FrequencyExponent", kHz, 50, "1e3", X, 50, kNoNumber},
    {"FrequencyThousandsComma", kBandHz, 50, "12,000", X, 50, kNoNumber},
    {"FrequencyThousandsPoint", kBandHz, 50, "1.000", X, 50, kNoNumber},
    {"FrequencyNoNumber", kHz, 50, "x", X, 50, kNoNumber},
    {"FrequencyTwoSeparators", kHz, 50, "1.2.3", X, 50, kNoNumber},
    {"OwnerTextGoesToOwner", Kind(6, 0, 10), 4, "anything", EntryOutcome::OwnerText, 4},
    {"SlopeHasNoEntry", Kind(17, 0, 3), 2, "24", R, 2},
    {"TemperatureHasNoEntry", Kind(50, 0, 50), 20, "30", R, 20},
};

INSTANTIATE_TEST_SUITE_P(Table, DisplayKindEntry, testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What the operator is told about a refused entry.
TEST(DisplayKindEntry, RefusalsSayWhyAndWhatIsAllowed) {
    const auto message = [](const DisplayKindSettings& s, const char* typed) {
        return EntryRefusalMessage(s, ApplyDisplayEntry(s, s.min, typed), typed);
    };
    EXPECT_EQ(message(kHz, "1e3"),
              "Not a number\nAllowed range: 10 to 30000 Hz\nkHz are typed with k: 1.5k is 1500 Hz");
    EXPECT_EQ(message(kGainDb, "7"), "Out of Range\nAllowed range: -40.0 to 6.0 dB");
    EXPECT_EQ(message(Kind(5, 0, 106), "0.95"), "No step at 0.95 ms: 0.9 or 1 ms");
    EXPECT_EQ(message(kGainDb, "3"), "");
}

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

// Every index of the delay (also as distances) and bandwidth scales survives its own text being
// typed back in: the formats keep enough decimals for the entry rules to find the same step.
TEST(DisplayKindRoundTrip, ShownTextReadsBackToTheSameIndex) {
    const DisplayKindSettings kinds[] = {Kind(0, 0, 52473),
                                         Kind(1, 0, 52473, 1, 0, 25),
                                         Kind(2, 0, 52473, 1, 0, 0),
                                         Kind(12, 0, 1465),
                                         Kind(13, 0, 1465, 1, 0, 40),
                                         Kind(14, 0, 1465, 1, 0, 20),
                                         Kind(7, 0, 295),
                                         Kind(16, 0, 59),
                                         Kind(11, 0, 295),
                                         Kind(15, 0, 59),
                                         Kind(5, 0, 106),
                                         Kind(10, 0, 550, 0.1, 40)};
    for (const DisplayKindSettings& s : kinds) {
        for (int i = s.min; i <= s.max; ++i) {
            const std::string text = FormatDisplayKind(s, i).value_or("?");
            const DisplayEntry e = ApplyDisplayEntry(s, -1, text);
            ASSERT_EQ(e.index, i) << "kind " << s.kind << " text " << text;
            ASSERT_EQ(e.outcome, EntryOutcome::Commit) << "kind " << s.kind << " text " << text;
        }
    }
}

} // namespace
