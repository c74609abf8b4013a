#include "link/MeasurementOverlays.h"

#include "model/OutputChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class MeasurementOverlaysTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tavrel-overlays-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        program_->setDeviceType(kDeviceType4x8);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A measurement at a constant level (and 0 degrees when `phase`) from `low` to `high` Hz.
    std::string Write(const std::string& name, double db, bool phase = true, double low = 10,
                      double high = 30000) {
        const fs::path path = dir_ / name;
        std::ofstream out(path);
        out << "* measured\n";
        for (double hz = low; hz < high; hz *= 1.05)
            out << hz << ' ' << db << (phase ? " 0" : "") << '\n';
        out << high << ' ' << db << (phase ? " 0" : "") << '\n';
        return path.string();
    }

    fs::path dir_;
    std::unique_ptr<ProgramContainer> program_ = std::make_unique<ProgramContainer>();
    MeasurementOverlays overlays_;
};

TEST_F(MeasurementOverlaysTest, OneOffsetKeepsTheLevelsRelativeAndPredictsThroughTheChannel) {
    std::string error;
    ASSERT_TRUE(overlays_.Load({true, 0}, Write("woofer.txt", 90.0), error)) << error;
    ASSERT_TRUE(overlays_.Load({true, 1}, Write("tweeter.txt", 84.0), error));
    EXPECT_DOUBLE_EQ(overlays_.DisplayOffsetDb(), -87.0);
    // Loading again replaces the channel's measurement.
    ASSERT_TRUE(overlays_.Load({true, 1}, Write("tweeter.txt", 84.0, true, 1000, 20000), error));
    EXPECT_EQ(overlays_.All().size(), 2u);

    const MeasurementOverlays::Overlay* tweeter = overlays_.Of({true, 1});
    ASSERT_NE(tweeter, nullptr);
    OutputChannel& out = program_->output(1);
    out.filter(0).setFrequency(2000);
    out.filter(0).setGainIndex(390); // a cut
    out.setGain(out.gain() - 30);
    out.recomputeCurve();
    MeasurementOverlays::GridValues levels;
    std::copy(out.curveLevels().begin(), out.curveLevels().end(), levels.begin());
    const auto predicted = MeasurementOverlays::PredictedLevels(*tweeter, levels);
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (grid[i] < 1000 || grid[i] > 20000)
            EXPECT_TRUE(std::isnan(predicted[i])) << grid[i] << " Hz lies outside the file";
        else
            EXPECT_NEAR(predicted[i], 84.0 + levels[i], 1e-9) << grid[i];
    }

    // A bad file changes nothing and says where.
    const fs::path bad = dir_ / "bad.txt";
    std::ofstream(bad) << "100 80\n90 81\n";
    EXPECT_FALSE(overlays_.Load({true, 1}, bad.string(), error));
    EXPECT_NE(error.find("bad.txt, line 2"), std::string::npos) << error;
    EXPECT_EQ(overlays_.Of({true, 1})->path, tweeter->path);
}

TEST_F(MeasurementOverlaysTest, RememberedLinesBringBackTheOverlaysAndSayWhatIsGone) {
    std::string error;
    const std::string woofer = Write("my woofer.frd", 88.0);
    const std::string gone = Write("gone.frd", 88.0);
    ASSERT_TRUE(overlays_.Load({true, 2}, woofer, error));
    ASSERT_TRUE(overlays_.Load({false, 1}, gone, error));
    overlays_.SetShown({true, 2}, false);
    overlays_.SetInSum(5, true);
    overlays_.SetInSum(2, true);
    const auto lines = overlays_.Remembered();
    EXPECT_EQ(lines, (std::vector<std::string>{"out.3 hidden " + woofer, "in.B shown " + gone,
                                               "sum 3 6"}));

    fs::remove(gone);
    MeasurementOverlays restored;
    std::vector<std::string> withNoise = lines;
    withNoise.push_back("out.9 shown " + woofer); // no such output on the 4x8
    withNoise.push_back("nonsense");
    const auto problems = restored.Restore(withNoise, DeviceModelOf(kDeviceType4x8));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("in.B: ", 0), 0u) << problems[0];
    EXPECT_NE(problems[0].find("gone.frd"), std::string::npos) << problems[0];
    ASSERT_EQ(restored.All().size(), 1u);
    EXPECT_EQ(restored.All()[0].path, woofer);
    EXPECT_FALSE(restored.All()[0].shown);
    EXPECT_EQ(restored.SumOutputs(), (std::vector<int>{2, 5}));
    // A 2x4 has no output 6 to sum.
    MeasurementOverlays small;
    small.Restore(lines, DeviceModelOf(kDeviceType2x4));
    EXPECT_EQ(small.SumOutputs(), (std::vector<int>{2}));
}

TEST_F(MeasurementOverlaysTest, SumIsDrawnOnTheCoveredGridOrSaysWhyNot) {
    std::string error;
    overlays_.SetInSum(0, true);
    EXPECT_NE(overlays_.PredictedSumOf(*program_).reason.find("two or more"), std::string::npos);
    overlays_.SetInSum(1, true);
    ASSERT_TRUE(overlays_.Load({true, 0}, Write("low.txt", 0.0, true, 20, 20000), error));
    ASSERT_TRUE(overlays_.Load({true, 1}, Write("high.txt", 0.0, false), error));
    const auto noPhase = overlays_.PredictedSumOf(*program_);
    EXPECT_FALSE(noPhase.Drawn());
    EXPECT_NE(noPhase.reason.find("no phase in"), std::string::npos) << noPhase.reason;

    // Linkwitz-Riley 24 dB at 1 kHz, low and high: flat within 0.1 dB where both are measured.
    ASSERT_TRUE(overlays_.Load({true, 1}, Write("high.txt", 0.0, true), error));
    auto set = [](Filter& f, int hz) {
        f.setKind(Filter::kLinkwitzRiley);
        f.setSlope(Filter::kSlope24);
        f.setFrequency(hz);
    };
    set(program_->output(0).lowPass(), 1000);
    set(program_->output(1).highPass(), 1000);
    const auto sum = overlays_.PredictedSumOf(*program_);
    ASSERT_TRUE(sum.Drawn()) << sum.reason;
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (grid[i] < 20 || grid[i] > 20000 * 0.999)
            continue;
        EXPECT_NEAR(sum.levelDb[i], 0.0, 0.1) << grid[i];
    }
    EXPECT_TRUE(std::isnan(sum.levelDb[0])) << "10 Hz is not measured on output 1";
}

} // namespace
