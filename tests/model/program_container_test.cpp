// The program container: defaults, model adaptation, change flags and program images. (The
// pending-change scan is tested with the request frames, the single-setting layout with the
// program files.)

#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ProgramSamples.h"
#include "model/ProgramImage.h"

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
    EXPECT_FALSE(AnyChangeFlagRaised(target));
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
