#include "model/GraphScales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct DelayCase {
    const char* shows;
    double lowest;
    double highest;
    double top;
    const char* topLabel;
};

class GroupDelayScaleTest : public testing::TestWithParam<DelayCase> {};

TEST_P(GroupDelayScaleTest, HoldsEveryValueWithTheSmallestStep) {
    const DelayCase& c = GetParam();
    const GraphScale scale = GroupDelayScale(c.lowest, c.highest);
    EXPECT_DOUBLE_EQ(scale.top, c.top);
    EXPECT_DOUBLE_EQ(scale.bottom, -c.top / 5);
    EXPECT_EQ(scale.labels[0], c.topLabel);
    EXPECT_EQ(scale.labels[5], "0ms");
    // The zero line is the fifth grid step of six labelled ones, as 0 dB is the level view's.
    EXPECT_DOUBLE_EQ(scale.YOf(0.0, 120), 100.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupDelayScaleTest,
    testing::Values(DelayCase{"a flat channel", 0.0, 0.0, 0.5, "0.5"},
                    DelayCase{"a crossover's few milliseconds", 0.0, 4.2, 5.0, "5"},
                    DelayCase{"exactly the top", 0.0, 10.0, 10.0, "10"},
                    DelayCase{"a negative delay of a shelf", -1.5, 0.3, 10.0, "10"},
                    DelayCase{"beyond every step", 0.0, 1e6, 25000.0, "25000"}),
    [](const auto& info) { return std::string("case") + std::to_string(info.index); });

TEST(GraphScales, PhaseAndLevelMapOntoTheSameGrid) {
    EXPECT_DOUBLE_EQ(PhaseScale().YOf(180.0, 120), 0.0);
    EXPECT_DOUBLE_EQ(PhaseScale().YOf(-180.0, 120), 120.0);
    EXPECT_DOUBLE_EQ(PhaseScale().YOf(0.0, 120), 60.0);
    EXPECT_DOUBLE_EQ(MagnitudeScale().YOf(0.0, 120), 40.0);
}

TEST(GraphScales, CurveRunsBreakAtMissingValuesAndAtPhaseWraps) {
    const double x = std::numeric_limits<double>::quiet_NaN();
    using Runs = std::vector<std::pair<int, int>>;
    // Nothing known at the ends (a measurement covering part of the grid), a lone point between
    // gaps (too short to draw), and a phase running through -180 to +170.
    const std::vector<double> values{x, 10, 20, x, 5, x, -150, -170, 170, 150};
    EXPECT_EQ(CurveRuns(values), (Runs{{1, 3}, {6, 10}}));
    EXPECT_EQ(CurveRuns(values, 180.0), (Runs{{1, 3}, {6, 8}, {8, 10}}));
    EXPECT_EQ(CurveRuns(std::vector<double>{}), Runs{});
}

} // namespace
