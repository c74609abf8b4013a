// The device-model table against the documented facts of each unit: the expectations are the
// units' own numbers (dB, ms, octaves, codes, texts), not the table's fields written again.

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ModelFacts {
    const char* name;
    int deviceType;
    const char* label;
    int inputs;
    int outputs;
    double lowestGainDb;    // gain index 0
    double inputGainTopDb;  // highest input gain the unit accepts
    double outputGainTopDb; // highest output gain
    double delayTopMs;      // longest delay
    int bandwidthIndexTop;  // last bandwidth index, 3.00 octaves
    int inputBands;         // input EQ bands offered
    bool hasInputSource;    // analog/digital input source
    bool hasFullDynamics;   // clip limit, ratio and compressor settings
    const char* typeCode;   // in the unit's identification
    int interfaceLineWidth; // centring width of the interface lines
    const char* backlightTimedText;
    const char* settingExtension;
    const char* libraryExtension;
    const char* filePrefix;
    const char* programTitle;
    const char* lastInputLabel;
    const char* lastOutputLabel;
    const char* lastOutputHeading;
};

class DeviceModelTest : public testing::TestWithParam<ModelFacts> {};

TEST_P(DeviceModelTest, HoldsTheUnitsDocumentedFacts) {
    const ModelFacts& f = GetParam();
    const DeviceModel* model = FindDeviceModel(f.deviceType);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->deviceType, f.deviceType);
    EXPECT_EQ(model->label, f.label);
    EXPECT_EQ(FindDeviceModelByLabel(f.label), model);
    EXPECT_EQ(model->inputs, f.inputs);
    EXPECT_EQ(model->outputs, f.outputs);

    // Channel gain in 0.1 dB steps: the ends of the ranges and 0 dB.
    EXPECT_DOUBLE_EQ(-model->GainDbOffset(), f.lowestGainDb);
    EXPECT_DOUBLE_EQ(*ChannelGainDb(f.deviceType, model->gainZeroIndex), 0.0);
    EXPECT_NEAR(model->inputGainMax / 10.0 - model->GainDbOffset(), f.inputGainTopDb, 1e-9);
    EXPECT_NEAR(model->outputGainMax / 10.0 - model->GainDbOffset(), f.outputGainTopDb, 1e-9);
    // 0 dB travels as gain code 1100 on every model.
    EXPECT_EQ(model->gainZeroIndex + model->gainCodeOffset, 1100);

    // The last delay index is the longest delay; one more is no delay at all.
    EXPECT_NEAR(*DelayMs(f.deviceType, model->delayMax), f.delayTopMs, 1e-6);
    EXPECT_FALSE(DelayMs(f.deviceType, model->delayMax + 1).has_value());

    // Bandwidth from 0.05 to 3.00 octaves; the unit always receives hundredths above 0.05.
    EXPECT_EQ(model->bandwidthMax, f.bandwidthIndexTop);
    EXPECT_NEAR(0.05 + model->bandwidthStep * model->bandwidthMax, 3.00, 1e-9);
    EXPECT_EQ(model->bandwidthMax * model->bandwidthWireFactor, 295);

    EXPECT_EQ(model->inputBands, f.inputBands);
    EXPECT_EQ(model->outputBands, 6);
    EXPECT_EQ(model->hasInputSource, f.hasInputSource);
    EXPECT_EQ(model->hasFullDynamics, f.hasFullDynamics);
    EXPECT_EQ(model->typeCode, f.typeCode);
    EXPECT_EQ(model->interfaceLineWidth, f.interfaceLineWidth);
    EXPECT_EQ(model->backlightTimedText, f.backlightTimedText);
    EXPECT_EQ(model->settingExtension, f.settingExtension);
    EXPECT_EQ(model->libraryExtension, f.libraryExtension);
    EXPECT_EQ(model->filePrefix, f.filePrefix);
    EXPECT_EQ(model->programTitle, f.programTitle);
}

TEST_P(DeviceModelTest, LabelsOnlyTheModelsOwnChannels) {
    const ModelFacts& f = GetParam();
    const DeviceModel& model = DeviceModelOf(f.deviceType);
    EXPECT_EQ(model.InputLabel(0), "Input A");
    EXPECT_EQ(model.InputLabel(f.inputs - 1), f.lastInputLabel);
    EXPECT_EQ(model.InputLabel(f.inputs), "");
    EXPECT_EQ(model.InputLabel(-1), "");
    EXPECT_EQ(model.OutputLabel(0), "Out 1");
    EXPECT_EQ(model.OutputLabel(f.outputs - 1), f.lastOutputLabel);
    EXPECT_EQ(model.OutputLabel(f.outputs), "");
    EXPECT_EQ(model.OutputHeading(0), "Out1");
    EXPECT_EQ(model.OutputHeading(f.outputs - 1), f.lastOutputHeading);
    EXPECT_EQ(model.OutputHeading(f.outputs), "");
    EXPECT_EQ(model.SourceRowLabel(0), "Src CHA");
    EXPECT_EQ(model.SourceRowLabel(f.inputs), "");
    // The copy and channel-name dialogs' tags: "CHA".., "CH1"..
    EXPECT_EQ(model.InputTag(0), "CHA");
    EXPECT_EQ(model.InputTag(f.inputs - 1), std::string("CH") + char('A' + f.inputs - 1));
    EXPECT_EQ(model.InputTag(f.inputs), "");
    EXPECT_EQ(model.OutputTag(0), "CH1");
    EXPECT_EQ(model.OutputTag(f.outputs - 1), "CH" + std::to_string(f.outputs));
    EXPECT_EQ(model.OutputTag(f.outputs), "");
}

INSTANTIATE_TEST_SUITE_P(
    Models, DeviceModelTest,
    testing::Values(
        ModelFacts{"Type1Is4x8", 1,         "4x8",    4,        8,        -40.0,          6.0,
                   15.0,         1000.0034, 295,      8,        true,     true,           "0408",
                   20,           "25s",     ".dia48", ".dat48", "RID48_", "Tavrel 4x8  ", "Input D",
                   "Out 8",      "Out8"},
        ModelFacts{"Type2Is3x6",
                   2,
                   "3x6",
                   3,
                   6,
                   -36.0,
                   20.0,
                   20.0,
                   999.0,
                   59,
                   6,
                   false,
                   false,
                   "0306",
                   16,
                   "10s",
                   ".dia36",
                   ".dat36",
                   "ZOD36_",
                   "Tavrel1.0 3x6  ",
                   "Input C",
                   "Out 6",
                   "Out6"},
        ModelFacts{"Type3Is2x4",
                   3,
                   "2x4",
                   2,
                   4,
                   -36.0,
                   20.0,
                   20.0,
                   999.0,
                   59,
                   6,
                   false,
                   false,
                   "0204",
                   16,
                   "10s",
                   ".dia24",
                   ".dat24",
                   "VUR24_",
                   "Tavrel1.0 2x4  ",
                   "Input B",
                   "Out 4",
                   "Out4"}),
    [](const testing::TestParamInfo<ModelFacts>& info) { return info.param.name; });

TEST(DeviceModels, UnknownTypesFallBackToThe4x8OnlyWhereAskedTo) {
    for (int type : {0, 4, -1, 255}) {
        EXPECT_EQ(FindDeviceModel(type), nullptr) << type;
        EXPECT_FALSE(IsKnownDeviceType(type)) << type;
        EXPECT_EQ(DeviceModelOf(type).label, "4x8") << type;
    }
    for (const char* label : {"", "4X8", "4x8 ", "1", "5x5"})
        EXPECT_EQ(FindDeviceModelByLabel(label), nullptr) << '"' << label << '"';
}

TEST(DeviceModels, ShareTheIdRangeAndThirtyMemories) {
    EXPECT_FALSE(IsDeviceId(0));
    EXPECT_TRUE(IsDeviceId(1));
    EXPECT_TRUE(IsDeviceId(250));
    EXPECT_FALSE(IsDeviceId(251));
    EXPECT_EQ(kProgramMemoryCount, 30);
    EXPECT_EQ(kLastProgramSlot, 30);
    EXPECT_EQ(kProgramSlotCount, 31); // the live settings and the 30 memories
}

} // namespace
