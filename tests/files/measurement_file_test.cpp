#include "files/MeasurementFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct GoodMeasurement {
    const char* name;
    std::string content;
    std::vector<double> hz;
    std::vector<double> levelDb;
    std::vector<double> phaseDeg; // unwrapped
};

class MeasurementFormats : public testing::TestWithParam<GoodMeasurement> {};

TEST_P(MeasurementFormats, AreReadPointByPoint) {
    MeasuredResponse m;
    std::string error;
    ASSERT_TRUE(ParseMeasurement(GetParam().content, "woofer.txt", m, error)) << error;
    EXPECT_EQ(m.name, "woofer.txt");
    EXPECT_EQ(m.hz, GetParam().hz);
    EXPECT_EQ(m.levelDb, GetParam().levelDb);
    EXPECT_EQ(m.phaseDeg, GetParam().phaseDeg);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeasurementFormats,
    testing::Values(
        // The text export of a measurement program: '*' comments, three columns.
        GoodMeasurement{"ThreeColumnsWithStarComments",
                        "* Measurement data measured by a program\r\n"
                        "* Freq(Hz) SPL(dB) Phase(degrees)\r\n"
                        "20.000 80.5 -10.0\r\n"
                        "25.000 81.0 -20.0\r\n",
                        {20, 25},
                        {80.5, 81},
                        {-10, -20}},
        // A frequency-response data file of a loudspeaker design program: '#' comments, two
        // columns, a column heading without a comment mark.
        GoodMeasurement{"TwoColumnsWithAHeading",
                        "# tweeter\nFreq SPL\n1000\t90\n\n2000\t91.5\n",
                        {1000, 2000},
                        {90, 91.5},
                        {}},
        GoodMeasurement{"SemicolonsAndDecimalCommas",
                        "100;85,5;10\n200;86,25;20\n",
                        {100, 200},
                        {85.5, 86.25},
                        {10, 20}},
        GoodMeasurement{"CommasBetweenValues",
                        "100,85.5\n200,86\n300,87\n",
                        {100, 200, 300},
                        {85.5, 86, 87},
                        {}},
        // The phase jumps from +170 to -170: a turn taken away, not 340 degrees.
        GoodMeasurement{"PhaseMadeContinuous",
                        "100 0 170\n200 0 -170\n300 0 150\n",
                        {100, 200, 300},
                        {0, 0, 0},
                        {170, 190, 150}}),
    [](const testing::TestParamInfo<GoodMeasurement>& info) {
        return std::string(info.param.name);
    });

struct BadMeasurement {
    const char* name;
    std::string content;
    std::string error;
};

class MeasurementBadInput : public testing::TestWithParam<BadMeasurement> {};

TEST_P(MeasurementBadInput, IsRefusedNamingTheFileAndLine) {
    MeasuredResponse m;
    m.name = "kept";
    std::string error;
    EXPECT_FALSE(ParseMeasurement(GetParam().content, "woofer.txt", m, error));
    EXPECT_EQ(error, GetParam().error);
    EXPECT_EQ(m.name, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeasurementBadInput,
    testing::Values(
        BadMeasurement{"OnePoint", "* one\n100 80 0\n",
                       "woofer.txt: only one point (a measurement needs at least two: frequency, "
                       "level and, if measured, phase)"},
        BadMeasurement{"FallingFrequency", "100 80\n200 81\n150 82\n",
                       "woofer.txt, line 3: the frequency 150 does not rise above line 2's"},
        BadMeasurement{"RepeatedFrequency", "100 80\n100 81\n",
                       "woofer.txt, line 2: the frequency 100 does not rise above line 1's"},
        BadMeasurement{"ZeroFrequency", "0 80\n100 81\n",
                       "woofer.txt, line 1: the frequency 0 is not above 0 Hz"},
        BadMeasurement{"NotANumber", "100 80\n200 nan\n",
                       "woofer.txt, line 2: \"nan\" is not a number"},
        BadMeasurement{"TextAfterThePoints", "100 80\n200 81\nend of data\n",
                       "woofer.txt, line 3: \"end\" is not a number"},
        BadMeasurement{"PhaseOnSomeLinesOnly", "100 80 10\n200 81\n",
                       "woofer.txt, line 2: this point has no phase, the points before have one"},
        BadMeasurement{"BinaryData", std::string("100 80\n\x01\x02") + '\0' + "\x03",
                       "woofer.txt, line 2: binary data: this is not a measurement text"}),
    [](const testing::TestParamInfo<BadMeasurement>& info) {
        return std::string(info.param.name);
    });

TEST(MeasuredResponse, InterpolatesOverTheLogarithmOfTheFrequencyInsideTheRangeOnly) {
    MeasuredResponse m;
    m.hz = {100, 400};
    m.levelDb = {0, 12};
    m.phaseDeg = {0, -360};
    EXPECT_DOUBLE_EQ(*m.LevelAt(200), 6.0); // one octave of two
    EXPECT_DOUBLE_EQ(*m.PhaseAt(200), -180.0);
    EXPECT_DOUBLE_EQ(*m.LevelAt(400), 12.0);
    EXPECT_FALSE(m.LevelAt(99.9));
    EXPECT_FALSE(m.LevelAt(401));
}

} // namespace
