#include "model/FilterSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "model/GraphGeometry.h"
#include "model/ParameterScales.h"

namespace {

// A 640 x 300 graph: plot of 595 x 270 pixels at (35, 10).
constexpr int kW = 595;
constexpr int kH = 270;
const GraphRect kPlot{35, 10, 35 + kW, 10 + kH};

int X(double hz) {
    return static_cast<int>(std::trunc((std::log10(hz) - 1) * (kW / 3.4771212547)));
}
int Y(double dB) {
    return static_cast<int>(std::trunc(kH / 60.0 * (20 - dB) + 0.5));
}

} // namespace

TEST(FilterSet, CreateLaysOutBandsThenTheCrossoverPair) {
    struct Case {
        const char* name;
        int count, crossoverCode;
    };
    for (const Case& c : {Case{"input", 10, 9}, Case{"output", 8, 7}}) {
        FilterSet set(c.count);
        ASSERT_EQ(set.count(), c.count) << c.name;
        for (int i = 0; i < c.count - 2; ++i) {
            EXPECT_EQ(set[i].code(), i) << c.name;
            EXPECT_EQ(set[i].isBand(), 1) << c.name;
            EXPECT_EQ(set[i].type(), Filter::kPeq) << c.name;
            EXPECT_EQ(set[i].off(), 1) << c.name;
            EXPECT_EQ(set[i].changed(), 0) << c.name;
        }
        const Filter& hp = set.highPass();
        const Filter& lp = set.lowPass();
        EXPECT_EQ(&hp, set.at(c.count - 2)) << c.name;
        EXPECT_EQ(&lp, set.at(c.count - 1)) << c.name;
        EXPECT_EQ(set.at(c.count), nullptr) << c.name;
        EXPECT_EQ(set.at(-1), nullptr) << c.name;
        EXPECT_EQ(hp.type(), Filter::kHighPass) << c.name;
        EXPECT_EQ(hp.frequency(), 10) << c.name;
        EXPECT_EQ(hp.sentFrequency(), 10) << c.name;
        EXPECT_EQ(lp.type(), Filter::kLowPass) << c.name;
        EXPECT_EQ(lp.frequency(), 30000) << c.name;
        EXPECT_EQ(lp.sentFrequency(), 30000) << c.name;
        for (const Filter* f : {&hp, &lp}) {
            EXPECT_EQ(f->isBand(), 0) << c.name;
            EXPECT_EQ(f->code(), c.crossoverCode) << c.name;
            EXPECT_EQ(f->changed(), 1) << c.name;
            EXPECT_EQ(f->kindText(), "BTWorth") << c.name;
        }
    }
}

TEST(FilterSet, GraphRectPlacesThePointsOnTheGrid) {
    FilterSet set(8);
    set.setGraphRect(kPlot);
    EXPECT_EQ(set.graphWidth(), kW);
    EXPECT_EQ(set.graphHeight(), kH);
    const auto& grid = FrequencyGrid();
    for (int i : {0, 139, 240}) {
        EXPECT_EQ(set.points()[static_cast<std::size_t>(i)],
                  (GraphPoint{X(grid[static_cast<std::size_t>(i)]) + 35, kH / 2}))
            << "point " << i;
    }
    EXPECT_EQ(set.points()[240].x, kW + 35);
    // On the set's plot the low-pass handle ends at the right edge.
    EXPECT_EQ(GraphGeometry::HandleOf(set.lowPass(), set.graphWidth(), set.graphHeight()).right,
              kW + 8 + 35);
}

TEST(FilterSet, SumsBandsAloneOrWithTheCrossoverPair) {
    FilterSet set(10);
    set.setGraphRect(kPlot);
    set[0].setFrequency(100);
    set[0].setBandwidthIndex(100);
    set[0].setGainIndex(360);
    set[3].setType(Filter::kHighShelf);
    set[3].setFrequency(5000);
    set[3].setGainIndex(240);
    set.lowPass().setFrequency(2000);

    set.sumBands();
    const FilterSet::Points bands = set.points();
    set.sumAll();
    const FilterSet::Points all = set.points();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const double bandSum = set[0].response()[i] + set[3].response()[i];
        const double allSum = bandSum + set.lowPass().response()[i];
        ASSERT_EQ(bands[i].y, Y(bandSum) + 10) << "point " << i;
        ASSERT_EQ(all[i].y, Y(allSum) + 10) << "point " << i;
        ASSERT_EQ(all[i].x, bands[i].x);
    }
    // The low-pass pulls the top end down only in the full sum.
    EXPECT_GT(all[230].y, bands[230].y + 20);
    EXPECT_EQ(all[10].y, bands[10].y);
}

TEST(FilterSet, CopyTakesEveryFilterAtItsPosition) {
    FilterSet source(8);
    source[2].setGainIndex(420);
    source[2].setFrequency(3150);
    source.highPass().setFrequency(80);
    source.highPass().setSlope(3);

    FilterSet target(8);
    target[2].setChanged(0);
    target.highPass().setChanged(0);
    target.copyFrom(source);
    EXPECT_EQ(target[2].frequency(), 3150);
    EXPECT_EQ(target[2].gainIndex(), 420);
    EXPECT_EQ(target[2].code(), 2);
    EXPECT_EQ(target[2].changed(), 0);
    EXPECT_EQ(target.highPass().frequency(), 80);
    EXPECT_EQ(target.highPass().sentFrequency(), 80);
    EXPECT_EQ(target.highPass().slope(), 3);
    EXPECT_EQ(target.highPass().code(), 7);
    EXPECT_EQ(target.highPass().response(), source.highPass().response());
}
