#include "model/GraphGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/ParameterScales.h"

// Expected pixels and values are written out here from the coordinate rules of the graph
// (x = trunc((log10 f - 1) x W / (log10 30000 - 1)), level = 20 - y x 60 / H -+ 0.5,
// gain index = trunc((dB + 30) x 10 + 0.5)), not taken from the code under test.

namespace GG = GraphGeometry;

namespace {

constexpr int kW = 595; // plot of a 640 x 300 client area
constexpr int kH = 270;
const GraphRect kPlot{35, 10, 630, 280};

int RefX(double hz, int w) {
    return static_cast<int>(std::trunc((std::log10(hz) - 1.0) * (w / (std::log10(30000.0) - 1.0))));
}
int RefY(double dB, int h) {
    return static_cast<int>(std::trunc(h / 60.0 * (20 - dB) + 0.5));
}
int RefHz(int x, int w) {
    return static_cast<int>(std::trunc(std::pow(10.0, (std::log10(30000.0) - 1.0) * x / w + 1.0)));
}
int RefGainIndex(int y, int h) {
    double level = 20.0 - y * 60.0 / h;
    level += level > 0.0 ? 0.5 : -0.5;
    level = std::fmin(std::fmax(level, -30.0), 15.0);
    return static_cast<int>(std::trunc((level + 30.0) * 10.0 + 0.5));
}

// A band laid out on the 595 x 270 plot, its change flag cleared.
Filter Band(int type, int hz, int gainIndex) {
    Filter f;
    f.setType(type);
    f.setFrequency(hz);
    f.setGainIndex(gainIndex);
    f.setChanged(0);
    return f;
}

Filter Crossover(int type, int hz) {
    Filter f;
    f.setIsBand(0);
    f.setType(type);
    f.setFrequency(hz);
    f.setChanged(0);
    return f;
}

// Pointer in client coordinates for a point of the plot; no drag offset.
constexpr GraphPoint kNoOffset{0, 0};

// Pointer in client coordinates for a point of the plot.
GraphPoint At(int x, int y) {
    return {x + 35, y + 10};
}

} // namespace

TEST(GraphLayout, ClientOf640By300) {
    EXPECT_EQ(GG::PlotRect({0, 0, 640, 300}), kPlot);
    EXPECT_EQ(kPlot.width(), kW);
    EXPECT_EQ(kPlot.height(), kH);

    const auto x = GG::GridX(kW);
    const auto& hz = GG::GridFrequencies();
    ASSERT_EQ(hz[0], 10);
    ASSERT_EQ(hz[18], 1000);
    ASSERT_EQ(hz[29], 30000);
    EXPECT_EQ(x[18], 377); // 35 + trunc(2 x 595 / 3.4771)
    EXPECT_EQ(x[0], 35);
    EXPECT_EQ(x[29], 630);
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(x[i], 35 + RefX(hz[i], kW)) << hz[i] << " Hz";
        if (i > 0) {
            EXPECT_GT(hz[i], hz[i - 1]);
        }
    }

    const auto y = GG::LevelLineY(kPlot);
    for (int r = 1; r <= 12; ++r)
        EXPECT_EQ(y[static_cast<std::size_t>(r - 1)], 10 + static_cast<int>(270.0 / 12.0 * r)) << r;
    EXPECT_EQ(y[0], 32); // 22.5 is cut, not rounded
    EXPECT_EQ(y[11], 280);
}

TEST(GraphLayout, AxisLabelsAtTheirPixels) {
    const auto level = GG::LevelLabels(kH); // 270 / 12 = 22
    const std::array<GG::Label, 7> expectedLevel{{{"+20", 6, 5},
                                                  {"+10", 6, 47},
                                                  {"0dB", 6, 91},
                                                  {"-10", 6, 137},
                                                  {"-20", 6, 185},
                                                  {"-30", 6, 229},
                                                  {"-40", 6, 270}}};
    EXPECT_EQ(level, expectedLevel);
}

// Frequency labels sit under their grid lines at every plot width: the view's default, a small
// window, and the graph maximised on a 1920-pixel screen (where fixed offsets put "5K" under
// the 10 kHz line).
struct LabelWidthCase {
    const char* what;
    int clientWidth;
    // Expected centres of "100", "1K", "5K", "10K": 35 + trunc((log10 f - 1) x w / 3.4771).
    std::array<int, 4> centres;
};

class FrequencyLabelTest : public testing::TestWithParam<LabelWidthCase> {};

TEST_P(FrequencyLabelTest, EachLabelIsCentredOnItsGridLine) {
    const LabelWidthCase& c = GetParam();
    const GraphRect plot = GG::PlotRect({0, 0, c.clientWidth, 300});
    const auto labels = GG::FrequencyLabels(plot);
    const auto gridX = GG::GridX(plot.width());
    const auto& gridHz = GG::GridFrequencies();
    for (const GG::Label& label : labels) {
        SCOPED_TRACE(std::string(label.text));
        const int hz = label.text.ends_with('K') ? std::stoi(std::string(label.text)) * 1000
                                                 : std::stoi(std::string(label.text));
        const auto line = std::find(gridHz.begin(), gridHz.end(), hz);
        ASSERT_NE(line, gridHz.end());
        EXPECT_EQ(label.x, gridX[static_cast<std::size_t>(line - gridHz.begin())]);
        EXPECT_EQ(label.y, plot.bottom);
    }
    EXPECT_EQ((std::array<int, 4>{labels[3].x, labels[6].x, labels[8].x, labels[9].x}), c.centres);
    // The end labels stay inside the control.
    EXPECT_EQ(GG::CentredTextLeft(labels[0].x, 14, c.clientWidth), 28);
    EXPECT_EQ(GG::CentredTextLeft(labels[11].x, 24, c.clientWidth), c.clientWidth - 24);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, FrequencyLabelTest,
    testing::Values(LabelWidthCase{"SmallWindow", 640, {206, 377, 496, 548}},
                    LabelWidthCase{"DefaultView", 932, {290, 545, 723, 800}},
                    LabelWidthCase{"MaximisedOn1920", 1890, {565, 1096, 1467, 1626}}),
    [](const testing::TestParamInfo<LabelWidthCase>& info) { return info.param.what; });

TEST(GraphLayout, HandleCaptionAlignment) {
    auto handle = [](int hz) { return GG::BandHandle(Band(0, hz, 306), kW, kH); };
    EXPECT_EQ(GG::BandLabelAlign(handle(10), 10, kW), GG::Align::Right);
    EXPECT_EQ(GG::BandLabelAlign(handle(1000), 1000, kW), GG::Align::Centre);
    // x(29000) = 592: the handle ends at 600 + 35, past the plot's right edge at 630.
    EXPECT_EQ(GG::BandLabelAlign(handle(29000), 29000, kW), GG::Align::Left);
    EXPECT_EQ(GG::BandLabelAlign(handle(25000), 25000, kW), GG::Align::Centre);
    EXPECT_EQ(GG::CrossoverLabelAlign(10), GG::Align::Right);
    EXPECT_EQ(GG::CrossoverLabelAlign(27999), GG::Align::Centre);
    EXPECT_EQ(GG::CrossoverLabelAlign(28000), GG::Align::Left);
}

TEST(GraphHandles, BandHandleFollowsFrequencyAndGainWithinThePlot) {
    struct Case {
        const char* name;
        int hz, gainIndex;
        GraphRect expected;
    };
    const int x1k = RefX(1000, kW);
    auto y = [](double dB) { return RefY(dB, kH); };
    const Case cases[] = {
        {"1 kHz +6 dB", 1000, 360, {x1k - 8 + 35, y(6) - 8 + 10, x1k + 8 + 35, y(6) + 8 + 10}},
        {"off band sits on 0 dB",
         1000,
         300,
         {x1k - 8 + 35, y(0) - 8 + 10, x1k + 8 + 35, y(0) + 8 + 10}},
        {"10 Hz stops at the left edge", 10, 360, {-8 + 35, y(6) - 8 + 10, 8 + 35, y(6) + 8 + 10}},
        {"30 kHz ends at W + 8",
         30000,
         360,
         {kW - 8 + 35, y(6) - 8 + 10, kW + 8 + 35, y(6) + 8 + 10}},
        {"+20 dB stops at the top", 1000, 500, {x1k - 8 + 35, 10, x1k + 8 + 35, 16 + 10}},
        {"-60 dB stops at H + 8",
         1000,
         -300,
         {x1k - 8 + 35, kH - 8 + 10, x1k + 8 + 35, kH + 8 + 10}},
    };
    for (const Case& c : cases) {
        Filter f;
        f.setFrequency(c.hz);
        f.setGainIndex(c.gainIndex);
        EXPECT_EQ(GG::BandHandle(f, kW, kH), c.expected) << c.name;
        EXPECT_EQ(GG::HandleOf(f, kW, kH), c.expected) << c.name;
    }
}

TEST(GraphHandles, BandwidthHandlesMarkTheBandEdges) {
    Filter f;
    f.setFrequency(1000);
    f.setBandwidthIndex(95); // 1.00 octave
    f.setGainIndex(360);
    const int cyBoost = GG::BandHandle(f, kW, kH).centre().y + 10;
    const int x500 = RefX(500, kW) + 35;
    const int x2k = RefX(2000, kW) + 35;
    EXPECT_EQ(GG::BandwidthHandlesOf(f, kW, kH),
              (GG::BandwidthHandles{{x500 - 4, cyBoost - 4, x500 + 4, cyBoost + 4},
                                    {x2k - 4, cyBoost - 4, x2k + 4, cyBoost + 4}}));

    f.setGainIndex(200); // a cut puts them above the band handle
    const int cyCut = GG::BandHandle(f, kW, kH).centre().y - 10;
    EXPECT_EQ(GG::BandwidthHandlesOf(f, kW, kH).lower.top, cyCut - 4);

    f.setFrequency(4000); // they follow the frequency too
    EXPECT_EQ(GG::BandwidthHandlesOf(f, kW, kH).lower.left, x2k - 4);
}

TEST(GraphHandles, CrossoverHandlesSitAtFixedLevels) {
    Filter hp = Crossover(Filter::kHighPass, 1000);
    const int x1k = RefX(1000, kW);
    const GraphRect hpHandle{x1k - 8 + 35, RefY(5, kH) + 10, x1k + 8 + 35, RefY(5, kH) + 16 + 10};
    EXPECT_EQ(GG::CrossoverHandle(hp, kW, kH), hpHandle);
    EXPECT_EQ(GG::HandleOf(hp, kW, kH), hpHandle);
    const Filter lp = Crossover(Filter::kLowPass, 30000);
    EXPECT_EQ(GG::CrossoverHandle(lp, kW, kH),
              (GraphRect{kW - 8 + 35, RefY(-1, kH) + 10, kW + 8 + 35, RefY(-1, kH) + 16 + 10}));
    hp.setFrequency(10);
    EXPECT_EQ(GG::CrossoverHandle(hp, kW, kH).left, -8 + 35);
}

TEST(GraphLayout, RightEdgeIsThirtyKilohertz) {
    EXPECT_EQ(GG::FrequencyOfPlotX(kW, kW), 30000);
    EXPECT_EQ(GG::FrequencyOfPlotX(0, kW), 10);
    EXPECT_EQ(GG::FrequencyOfPlotX(377 - 35, kW), RefHz(342, kW));
    EXPECT_EQ(GG::FrequencyOfPlotX(5, 0), 0); // degenerate plot stays finite
}

struct BandDragRow {
    const char* name;
    int type;
    GraphPoint pointer; // client coordinates, zero drag offset
    int hz;
    int gainIndex;
};

class BandDrag : public ::testing::TestWithParam<BandDragRow> {};

TEST_P(BandDrag, TargetFollowsThePointerWithinTheLimits) {
    const BandDragRow& row = GetParam();
    const Filter band = Band(row.type, 1000, 300);
    const GG::BandTarget t = GG::BandDragTarget(band, row.pointer, kNoOffset, kW, kH);
    EXPECT_EQ(t.frequency, row.hz);
    EXPECT_EQ(t.gainIndex, row.gainIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BandDrag,
    ::testing::Values(
        // H / 11 = 24: 20 - 24 x 60 / 270 + 0.5 = 15.17, limited to +15.0.
        BandDragRow{"TopOfPlotStopsAtElevenths", 0, At(342, -50), RefHz(342, kW), 450},
        BandDragRow{"EleventhRowIsTheStop", 0, At(342, 24), RefHz(342, kW), RefGainIndex(24, kH)},
        BandDragRow{"RowBelowTheStopMoves", 0, At(342, 25), RefHz(342, kW), 449},
        // The 0 dB line (y 90) gives exactly 0, which the level rule moves to -0.5 dB.
        BandDragRow{"ZeroDecibelLineGivesMinusHalf", 0, At(342, 90), RefHz(342, kW), 295},
        BandDragRow{"JustAboveZeroGivesPlusHalfAndMore", 0, At(342, 89), RefHz(342, kW),
                    RefGainIndex(89, kH)},
        // H x 5 / 6 = 225: -30.5 dB, limited to -30.0.
        BandDragRow{"BottomStopsAtFiveSixths", 0, At(342, 400), RefHz(342, kW), 0},
        BandDragRow{"LeftOfPlotIsTenHertz", 0, At(-40, 90), 10, 295},
        BandDragRow{"RightOfPlotIsThirtyKilohertz", 0, At(700, 90), 30000, 295},
        BandDragRow{"LowShelfStopsAtTwentyKilohertz", 1, At(700, 90), 20000, 295},
        BandDragRow{"HighShelfGoesToTheEdge", 2, At(700, 90), 30000, 295}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BandDragStep, DragOffsetKeepsTheGrabPointUnderThePointer) {
    const Filter band = Band(0, 1000, 360);
    const GG::BandTarget t = GG::BandDragTarget(band, At(342 + 3, 60 - 2), {3, -2}, kW, kH);
    EXPECT_EQ(t.frequency, RefHz(342, kW));
    EXPECT_EQ(t.gainIndex, RefGainIndex(60, kH));
}

TEST(BandDragStep, ChangesOnlyWhenTheTargetDiffers) {
    Filter band = Band(0, 1000, 300);
    ASSERT_NE(band.off(), 0);

    ASSERT_TRUE(GG::BandDragStep(band, At(342, 60), kNoOffset, kW, kH));
    EXPECT_EQ(band.frequency(), RefHz(342, kW));
    EXPECT_EQ(band.gainIndex(), RefGainIndex(60, kH));
    EXPECT_EQ(band.off(), 0);
    EXPECT_EQ(band.changed(), 1);
    // The handle and the response follow the new values.
    EXPECT_EQ(GG::BandHandle(band, kW, kH).centre().x, 35 + RefX(band.frequency(), kW));
    EXPECT_GT(band.responseAt(139), 1.0);

    band.setChanged(0);
    EXPECT_FALSE(GG::BandDragStep(band, At(342, 60), kNoOffset, kW, kH));
    EXPECT_EQ(band.changed(), 0);
}

TEST(BandDragStep, BandSwitchedOffInItsEditorIsSwitchedOnByADrag) {
    // The pointer lands on exactly the stored frequency and gain index.
    Filter band = Band(0, RefHz(342, kW), RefGainIndex(65, kH));
    band.setOff(1); // the editor's on/off switch keeps the stored gain
    band.setChanged(0);
    ASSERT_TRUE(GG::BandDragStep(band, At(342, 65), kNoOffset, kW, kH));
    EXPECT_EQ(band.off(), 0);
    EXPECT_EQ(band.changed(), 1);
    EXPECT_EQ(band.gainIndex(), RefGainIndex(65, kH));
}

TEST(BandwidthDrag, OctavesBetweenBandAndPointer) {
    const int x500 = 35 + RefX(500.0, kW);
    // The pixel grid rounds 500 Hz down a little: compare with the frequency the pixel stands for.
    const double f500 = RefHz(RefX(500.0, kW), kW);
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(x500, 1000, false, kW), std::log2(1000.0 / f500));
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(x500, 250, true, kW), std::log2(f500 / 250.0));
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(35, 1000, false, kW), 3.0);   // 10 Hz: 6.6 octaves
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(-500, 1000, false, kW), 3.0); // beyond the edge
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(630, 1000, false, kW), 0.05); // crossed over
    EXPECT_DOUBLE_EQ(GG::BandwidthOctavesAt(-500, 1000, true, kW), 0.05);
}

TEST(BandwidthDrag, StepTakesTheModelsIndexAndRefusesShelves) {
    const int x500 = 35 + RefX(500.0, kW);
    const double n = std::log2(1000.0 / RefHz(RefX(500.0, kW), kW));

    Filter fine = Band(0, 1000, 360);
    ASSERT_TRUE(GG::BandwidthDragStep(fine, x500, false, kW));
    EXPECT_EQ(fine.bandwidthIndex(), static_cast<int>(std::lround((n - 0.05) * 100)));
    EXPECT_EQ(fine.changed(), 1);
    fine.setChanged(0);
    EXPECT_FALSE(GG::BandwidthDragStep(fine, x500, false, kW));
    EXPECT_EQ(fine.changed(), 0);

    Filter coarse = Band(0, 1000, 360);
    coarse.setDeviceType(kDeviceType2x4);
    ASSERT_TRUE(GG::BandwidthDragStep(coarse, x500, false, kW));
    EXPECT_EQ(coarse.bandwidthIndex(), static_cast<int>(std::lround((n - 0.05) * 20)));

    for (int type : {1, 2}) {
        Filter shelf = Band(type, 1000, 360);
        const double before = shelf.bandwidth();
        EXPECT_FALSE(GG::BandwidthDragStep(shelf, x500, false, kW)) << type;
        EXPECT_EQ(shelf.bandwidth(), before);
        EXPECT_EQ(shelf.changed(), 0);
    }
}

TEST(CrossoverDrag, HighPassNeverAboveLowPassAndBack) {
    Filter hp = Crossover(Filter::kHighPass, 100);
    const int lp = 2000;
    // Pointer at 10 kHz: the high-pass stops at the low-pass.
    ASSERT_TRUE(GG::CrossoverDragStep(hp, lp, At(RefX(10000.0, kW), 0), kNoOffset, kW));
    EXPECT_EQ(hp.frequency(), lp);
    hp.setChanged(0);
    EXPECT_FALSE(GG::CrossoverDragStep(hp, lp, At(RefX(20000.0, kW), 0), kNoOffset, kW));
    EXPECT_EQ(hp.changed(), 0);

    ASSERT_TRUE(GG::CrossoverDragStep(hp, lp, At(200, 0), kNoOffset, kW));
    EXPECT_EQ(hp.frequency(), RefHz(200, kW));
    // At or left of the plot's left edge the high-pass goes to 10 Hz and is flat.
    ASSERT_TRUE(GG::CrossoverDragStep(hp, lp, At(-30, 0), kNoOffset, kW));
    EXPECT_EQ(hp.frequency(), 10);
    EXPECT_EQ(hp.responseAt(0), 0.0);
}

TEST(CrossoverDrag, LowPassNeverBelowHighPassAndReachesItsFlatEnd) {
    Filter lp = Crossover(Filter::kLowPass, 5000);
    const GraphPoint offset{-4, 0};
    const int hp = 300;
    ASSERT_TRUE(GG::CrossoverDragStep(lp, hp, At(RefX(50.0, kW) - 4, 0), offset, kW));
    EXPECT_EQ(lp.frequency(), hp);
    ASSERT_TRUE(GG::CrossoverDragStep(lp, hp, At(kW + 100, 0), offset, kW));
    EXPECT_EQ(lp.frequency(), 30000);
    EXPECT_EQ(lp.responseAt(240), 0.0);
    EXPECT_EQ(lp.responseAt(200), 0.0);
}
