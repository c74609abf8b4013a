// The program container: defaults, model adaptation, the pending-change scan and program images.
// (The single-setting layout is tested with the program files.)

#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ProgramSamples.h"
#include "model/ProgramImage.h"

namespace {

// Parameter byte and section of a frame, enough to tell which group a scan sent.
struct Sent {
    int section;
    int channel;
    int parameter;
    bool operator==(const Sent&) const = default;
};

Sent Describe(const Request& frame) {
    return {frame.bytes[4], frame.bytes[5], frame.bytes[6]};
}

bool IsMeterPoll(const Request& frame) {
    return frame.bytes[1] == 0xA2 && frame.bytes[4] == 3 && frame.bytes[5] == 0x02;
}

// Every frame the scan yields before it falls back to the meter poll.
std::vector<Request> Drain(ProgramContainer& data) {
    std::vector<Request> frames;
    for (int guard = 0; guard < 1000; ++guard) {
        Request frame = data.nextPendingFrame();
        if (IsMeterPoll(frame))
            return frames;
        frames.push_back(std::move(frame));
    }
    ADD_FAILURE() << "the scan never fell back to the meter poll";
    return frames;
}

} // namespace

TEST(AudioData, FreshContainerIsA4x8WithDefaultNamesAndEveryChannelPresent) {
    ProgramContainer data;
    EXPECT_EQ(data.deviceType(), 1);
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(data.globalFrequency(), 1000);
    EXPECT_EQ(data.temperature(), 25);
    EXPECT_EQ(data.inputSource(), 0);
    EXPECT_EQ(data.backlight(), 0);
    EXPECT_EQ(data.unitValue4(), 20);
    EXPECT_EQ(data.deviceId(), 0);
    EXPECT_EQ(data.inputCount(), 4);
    EXPECT_EQ(data.outputCount(), 8);
    const char* inputNames[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(data.input(i).nameText(), inputNames[i]);
        EXPECT_EQ(data.input(i).index(), i);
        EXPECT_EQ(data.input(i).present(), 1);
    }
    for (int o = 0; o < 8; ++o) {
        EXPECT_EQ(data.output(o).nameText(), std::to_string(o + 1));
        EXPECT_EQ(data.output(o).index(), o);
        EXPECT_EQ(data.output(o).present(), 1);
    }
    EXPECT_EQ(data.input(3).curveColour(), (CurveColour{34, 188, 211}));
    EXPECT_EQ(data.output(0).curveColour(), (CurveColour{6, 100, 221}));
    EXPECT_EQ(data.output(7).curveColour(), (CurveColour{255, 128, 64}));
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(data.input(2).overlayInput(ch) + data.output(5).overlayInput(ch), 2);
    for (int ch = 0; ch < 8; ++ch)
        EXPECT_EQ(data.input(0).overlayOutput(ch) + data.output(7).overlayOutput(ch), 2);
}

struct ModelCase {
    const char* name;
    int deviceType;
    int inputsPresent;
    int outputsPresent;
    int zeroDbGain;
    const char* backlightText;
};

class ProgramContainerModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ProgramContainerModel, DeviceTypeHidesMissingChannelsAndResetsGains) {
    const ModelCase& c = GetParam();
    ProgramContainer data;
    data.input(0).setGain(123);
    data.output(0).setGain(321);
    data.setDeviceType(c.deviceType);
    auto checkOverlays = [&](const auto& record, const std::string& who) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(record.overlayInput(i), i < c.inputsPresent ? 1 : 0) << who << " input " << i;
        for (int o = 0; o < 8; ++o)
            EXPECT_EQ(record.overlayOutput(o), o < c.outputsPresent ? 1 : 0)
                << who << " output " << o;
        EXPECT_EQ(record.gain(), c.zeroDbGain) << who;
        EXPECT_EQ(record.deviceType(), c.deviceType) << who;
        for (int f = 0; f < record.filterCount(); ++f)
            EXPECT_EQ(record.filter(f).deviceType(), c.deviceType) << who << " filter " << f;
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(data.input(i).present(), i < c.inputsPresent ? 1 : 0) << "input " << i;
        checkOverlays(data.input(i), "input " + std::to_string(i));
    }
    for (int o = 0; o < 8; ++o) {
        EXPECT_EQ(data.output(o).present(), o < c.outputsPresent ? 1 : 0) << "output " << o;
        checkOverlays(data.output(o), "output " + std::to_string(o));
    }
    data.setBacklight(1);
    EXPECT_EQ(data.backlightText(), c.backlightText);
}

INSTANTIATE_TEST_SUITE_P(Models, ProgramContainerModel,
                         ::testing::Values(ModelCase{"Type4x8", 1, 4, 8, 400, "25s"},
                                           ModelCase{"Type3x6", 2, 3, 6, 360, "10s"},
                                           ModelCase{"Type2x4", 3, 2, 4, 360, "10s"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AudioData, GlobalFrequencyIsLimitedTo20To20000Hz) {
    const std::pair<int, int> cases[] = {{5, 20},        {20, 20},       {1000, 1000},
                                         {20000, 20000}, {30000, 20000}, {-7, 20}};
    ProgramContainer data;
    for (auto [set, stored] : cases) {
        data.setGlobalFrequency(set);
        EXPECT_EQ(data.globalFrequency(), stored) << "set " << set;
    }
}

TEST(AudioData, FreshContainerSendsEveryNameAndCrossoverOnceThenPollsMeters) {
    ProgramContainer data;
    std::vector<Sent> expected;
    for (int i = 0; i < 4; ++i) {
        expected.push_back({1, i, 11}); // name
        expected.push_back({1, i, 9});  // high-pass item
        expected.push_back({1, i, 9});  // low-pass item
    }
    for (int o = 0; o < 8; ++o) {
        expected.push_back({2, o, 9}); // name
        expected.push_back({2, o, 7}); // crossover for the high-pass flag
        expected.push_back({2, o, 7}); // and for the low-pass flag
    }
    std::vector<Sent> sent;
    for (const Request& frame : Drain(data))
        sent.push_back(Describe(frame));
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(IsMeterPoll(data.nextPendingFrame()));
    EXPECT_TRUE(IsMeterPoll(data.nextPendingFrame()));
}

TEST(AudioData, ScanSendsOneGroupPerCallInItsFixedOrder) {
    ProgramContainer data;
    data.clearChangeFlags();
    // Raised in an order unlike the scan's.
    data.output(1).setDynamicsMode(1);
    data.output(1).filter(2).setGainIndex(310);
    data.output(1).lowPass().setKind(1);
    data.output(0).setName("Top");
    data.input(2).setGateOff(1);
    data.input(2).setOn(0);
    data.input(1).lowPass().setKind(0);
    data.input(1).filter(7).setGainIndex(280);
    data.input(1).setName("Vox");
    data.output(1).setMix(3);
    const std::vector<Sent> expected{
        {1, 1, 11}, // input B name
        {1, 1, 7},  // input B band 8
        {1, 1, 9},  // input B low-pass item
        {1, 2, 8},  // input C level
        {1, 2, 10}, // input C gate
        {2, 0, 9},  // output 1 name
        {2, 1, 6},  // output 2 level
        {2, 1, 2},  // output 2 band 3
        {2, 1, 7},  // output 2 crossover
        {2, 1, 8},  // output 2 limiter
    };
    std::vector<Sent> sent;
    for (const Request& frame : Drain(data))
        sent.push_back(Describe(frame));
    EXPECT_EQ(sent, expected);
}

struct CrossoverRun {
    const char* name;
    int from;
    int to;
    std::vector<int> sent;
};

class CrossoverSteps : public ::testing::TestWithParam<CrossoverRun> {};

TEST_P(CrossoverSteps, HighPassReachesTheUnitOneOctavePerFrame) {
    const CrossoverRun& c = GetParam();
    ProgramContainer data;
    data.output(3).highPass().setFrequency(c.from);
    Drain(data);
    data.output(3).highPass().setFrequency(c.to);
    std::vector<int> sent;
    for (const Request& frame : Drain(data)) {
        ASSERT_EQ(Describe(frame), (Sent{2, 3, 7}));
        sent.push_back(frame.bytes[9] | (frame.bytes[10] << 8));
    }
    EXPECT_EQ(sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CrossoverSteps,
    ::testing::Values(CrossoverRun{"Up100To1600", 100, 1600, {200, 400, 800, 1600, 1600}},
                      CrossoverRun{"Down1600To100", 1600, 100, {800, 400, 200, 100, 100}},
                      CrossoverRun{"Within1000To1500", 1000, 1500, {1500, 1500}},
                      CrossoverRun{"Up10To1000", 10, 1000, {20, 40, 80, 160, 320, 640, 1000, 1000}},
                      CrossoverRun{"Down1000To100", 1000, 100, {500, 250, 125, 100, 100}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioData, ClearChangeFlagsLeavesALaggingCrossoverOneStepFurtherAndRaised) {
    ProgramContainer data;
    data.input(0).setGain(410);
    data.input(3).filter(0).setGainIndex(320);
    data.output(6).setThreshold(100);
    data.output(6).highPass().setFrequency(1000);
    data.clearChangeFlags();
    EXPECT_EQ(data.output(6).highPass().sentFrequency(), 20);
    EXPECT_EQ(data.output(6).highPass().changed(), 1);
    EXPECT_EQ(data.input(0).mainChanged(), 0);
    EXPECT_EQ(data.input(0).nameChanged(), 0);
    EXPECT_EQ(data.input(3).filter(0).changed(), 0);
    EXPECT_EQ(data.output(6).dynamicsChanged(), 0);
    const std::vector<Request> rest = Drain(data);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(Describe(rest.front()), (Sent{2, 6, 7}));
    EXPECT_EQ(rest.front().bytes[9] | (rest.front().bytes[10] << 8), 40);
}

TEST(AudioData, LoadProgramImageOverwritesAll12RecordsAlsoOnA2x4) {
    ProgramContainer data;
    data.setDeviceType(3);
    const ProgramImage image = SampleImage();
    data.loadProgramImage(image);
    EXPECT_EQ(data.programName(), "Stage Left");
    EXPECT_EQ(data.input(3).nameText(), "Input3"); // absent on a 2x4, loaded all the same
    EXPECT_EQ(data.input(3).gain(), 303);
    EXPECT_EQ(data.input(3).gateThreshold(), 93);
    EXPECT_EQ(data.input(3).highPass().frequency(), 43);
    EXPECT_EQ(data.input(3).filter(5).frequency(), 600);
    EXPECT_EQ(data.input(3).filter(5).gainIndex(), 300);
    EXPECT_EQ(data.output(7).nameText(), "Out7");
    EXPECT_EQ(data.output(7).mix(), 8);
    EXPECT_EQ(data.output(7).threshold(), 443);
    EXPECT_EQ(data.output(7).lowPass().frequency(), 12007);
    EXPECT_EQ(data.output(7).filter(2).bandwidthIndex(), 42);
    EXPECT_EQ(data.output(7).present(), 0);
}

TEST(AudioData, ProgramImageSurvivesLoadingAndFillingOnEveryModel) {
    for (int type : {1, 2, 3}) {
        ProgramContainer data;
        data.setDeviceType(type);
        const ProgramImage image = SampleImage();
        data.loadProgramImage(image);
        ProgramImage back;
        data.fillProgramImage(back);
        EXPECT_EQ(back, image) << "type " << type;
    }
}

TEST(AudioData, ADelayAbove32767SurvivesTheSixteenBitImage) {
    ProgramContainer data;
    data.output(2).setDelay(52473); // 1000 ms on a 4x8
    ProgramImage image;
    data.fillProgramImage(image);
    ProgramContainer other;
    other.loadProgramImage(image);
    EXPECT_EQ(other.output(2).delay(), 52473);
    EXPECT_EQ(other.outputBlockFrame(1, 2).bytes[9 + 52], 52473 & 0xFF);
    EXPECT_EQ(other.outputBlockFrame(1, 2).bytes[9 + 53], 52473 >> 8);
}

TEST(AudioData, CopyProgramFromTakesNameAndChannelsButRaisesNoFlag) {
    ProgramContainer source;
    source.loadProgramImage(SampleImage());
    ProgramContainer target;
    target.clearChangeFlags();
    target.copyProgramFrom(source);
    EXPECT_EQ(target.programName(), "Stage Left");
    EXPECT_EQ(target.input(2).nameText(), "Input2");
    EXPECT_EQ(target.output(6).threshold(), 444);
    EXPECT_EQ(target.output(6).filter(3).frequency(), 2003);
    EXPECT_TRUE(Drain(target).empty());
}

TEST(AudioData, LoadingAnImageRaisesOnlyTheBandFlags) {
    ProgramContainer data;
    data.clearChangeFlags();
    data.loadProgramImage(SampleImage());
    for (const InputChannel& in : data.inputs()) {
        EXPECT_EQ(in.nameChanged() + in.mainChanged() + in.gateChanged(), 0);
        for (int f = 0; f < in.filterCount(); ++f)
            EXPECT_EQ(in.filter(f).changed(), f < InputChannel::kBandCount ? 1 : 0) << f;
    }
    for (const OutputChannel& out : data.outputs()) {
        EXPECT_EQ(out.nameChanged() + out.mainChanged() + out.dynamicsChanged(), 0);
        for (int f = 0; f < out.filterCount(); ++f)
            EXPECT_EQ(out.filter(f).changed(), f < OutputChannel::kBandCount ? 1 : 0) << f;
    }
}
