#pragma once

#include "model/ValueFormats.h"

#include <array>
#include <string_view>

// The three device types and every fact that differs between them, in one table. A unit is a
// 4x8 (type 1: inputs A-D, outputs 1-8), a 3x6 (type 2) or a 2x4 (type 3). Program records always
// hold four inputs and eight outputs; a model uses the first `inputs` and `outputs` of them.

// ---- Facts every model shares -----------------------------------------------------------------

// Device IDs a unit can have.
inline constexpr int kFirstDeviceId = 1;
inline constexpr int kLastDeviceId = 250;

// Program memories 1..30; program slot 0 is the unit's live settings.
inline constexpr int kProgramMemoryCount = 30;
inline constexpr int kLastProgramSlot = kProgramMemoryCount;
inline constexpr int kProgramSlotCount = kProgramMemoryCount + 1; // slots 0..30

// ---- Device types ---------------------------------------------------------------------------

inline constexpr int kDeviceType4x8 = 1;
inline constexpr int kDeviceType3x6 = 2;
inline constexpr int kDeviceType2x4 = 3;

// The two families of gain, delay and bandwidth scales. Fine (4x8): 0.0104 ms delay steps,
// bandwidth in hundredths of an octave, the fine Q table. Coarse (3x6, 2x4): 0.021 ms delay steps
// turning into whole milliseconds, bandwidth in twentieths of an octave, the coarse Q table.
enum class ScaleFamily { Fine, Coarse };

struct DeviceModel {
    int deviceType;         // 1, 2, 3
    std::string_view label; // "4x8": the model's name on buttons, in titles and in options
    int inputs;             // inputs the unit has: A.. (strips, table columns, copies, meters)
    int outputs;            // outputs 1..
    int inputBands;         // equaliser bands of an input that are offered and listed (of 8)
    int outputBands;        // equaliser bands of an output (of 6)
    bool hasInputSource;    // the unit-wide analog/digital input source exists
    bool hasFullDynamics;   // the limiter also has clip limit, ratio and compressor settings
    bool hasGateSwitch;     // an input's noise gate can be switched off in the editor
    bool outputNeedsSource; // an output must keep at least one of the inputs feeding it
    int dataViewSourceRows; // "Src CH" rows the parameter table lists (past the inputs: blank)

    ScaleFamily scales;
    // Channel gain of inputs and outputs, in 0.1 dB steps: dB = (index - gainZeroIndex) / 10.
    int gainZeroIndex;
    int inputGainMax;
    int outputGainMax;
    int gainCodeOffset; // on the wire the gain travels as index + gainCodeOffset
    int delayMax;       // delay index range 0..delayMax
    // Display kinds of the delay shown in milliseconds, metres and feet (ValueFormats).
    int delayMsKind;
    int delayMetresKind;
    int delayFeetKind;
    // Equaliser bandwidth: octaves = 0.05 + bandwidthStep x index, index 0..bandwidthMax; on the
    // wire the index is multiplied by bandwidthWireFactor (hundredths of an octave above 0.05).
    int bandwidthMax;
    double bandwidthStep;
    int bandwidthWireFactor;

    // What the unit reports and shows.
    std::string_view typeCode;           // type code in the unit's identification: "0408"
    int interfaceLineWidth;              // characters the unit's interface lines are centred on
    std::string_view backlightTimedText; // the timed backlight setting: "25s"

    // Files and titles on the PC.
    std::string_view settingExtension; // single-setting file: ".dia48"
    std::string_view libraryExtension; // program library file: ".dat48"
    std::string_view filePrefix;       // window title after a file or a store: "RID48_" + name
    std::string_view programTitle;     // window title after a program read: "Tavrel 4x8  " + name

    // Channel labels of this model, empty past its channels: "Input A" (strip captions and
    // table headings), "Out 1" (strip captions), "Out1" (table headings), "Src CHA" (table rows).
    std::string_view InputLabel(int input) const;
    std::string_view OutputLabel(int output) const;
    std::string_view OutputHeading(int output) const;
    std::string_view SourceRowLabel(int input) const;
    // Short channel tags of the copy and channel-name dialogs: "CHA".., "CH1"...
    std::string_view InputTag(int input) const;
    std::string_view OutputTag(int output) const;

    // The 0 dB gain index as a dB offset: a gain shows as index / 10 - GainDbOffset().
    constexpr double GainDbOffset() const { return gainZeroIndex / 10.0; }
};

// The three models in type order.
inline constexpr std::array<DeviceModel, 3> kDeviceModels{{
    {
        .deviceType = kDeviceType4x8,
        .label = "4x8",
        .inputs = 4,
        .outputs = 8,
        .inputBands = 8,
        .outputBands = 6,
        .hasInputSource = true,
        .hasFullDynamics = true,
        .hasGateSwitch = true,
        .outputNeedsSource = false,
        .dataViewSourceRows = 4,
        .scales = ScaleFamily::Fine,
        .gainZeroIndex = 400, // -40.0 dB at index 0
        .inputGainMax = 460,  // +6.0 dB
        .outputGainMax = 550, // +15.0 dB
        .gainCodeOffset = 700,
        .delayMax = 52473, // 1000.0034 ms
        .delayMsKind = kKindDelayMsLong,
        .delayMetresKind = kKindDelayMetresLong,
        .delayFeetKind = kKindDelayFeetLong,
        .bandwidthMax = 295,
        .bandwidthStep = 0.01,
        .bandwidthWireFactor = 1,
        .typeCode = "0408",
        .interfaceLineWidth = 20,
        .backlightTimedText = "25s",
        .settingExtension = ".dia48",
        .libraryExtension = ".dat48",
        .filePrefix = "RID48_",
        .programTitle = "Tavrel 4x8  ",
    },
    {
        .deviceType = kDeviceType3x6,
        .label = "3x6",
        .inputs = 3,
        .outputs = 6,
        .inputBands = 6,
        .outputBands = 6,
        .hasInputSource = false,
        .hasFullDynamics = false,
        .hasGateSwitch = false,
        .outputNeedsSource = true,
        .dataViewSourceRows = 3,
        .scales = ScaleFamily::Coarse,
        .gainZeroIndex = 360, // -36.0 dB at index 0
        .inputGainMax = 560,  // +20.0 dB
        .outputGainMax = 560,
        .gainCodeOffset = 740,
        .delayMax = 1465, // 999 ms
        .delayMsKind = kKindDelayMsShort,
        .delayMetresKind = kKindDelayMetresShort,
        .delayFeetKind = kKindDelayFeetShort,
        .bandwidthMax = 59,
        .bandwidthStep = 0.05,
        .bandwidthWireFactor = 5,
        .typeCode = "0306",
        .interfaceLineWidth = 16,
        .backlightTimedText = "10s",
        .settingExtension = ".dia36",
        .libraryExtension = ".dat36",
        .filePrefix = "ZOD36_",
        .programTitle = "Tavrel1.0 3x6  ",
    },
    {
        .deviceType = kDeviceType2x4,
        .label = "2x4",
        .inputs = 2,
        .outputs = 4,
        .inputBands = 6,
        .outputBands = 6,
        .hasInputSource = false,
        .hasFullDynamics = false,
        .hasGateSwitch = false,
        .outputNeedsSource = true,
        .dataViewSourceRows = 3, // the 3x6's rows, the third left blank
        .scales = ScaleFamily::Coarse,
        .gainZeroIndex = 360,
        .inputGainMax = 560,
        .outputGainMax = 560,
        .gainCodeOffset = 740,
        .delayMax = 1465,
        .delayMsKind = kKindDelayMsShort,
        .delayMetresKind = kKindDelayMetresShort,
        .delayFeetKind = kKindDelayFeetShort,
        .bandwidthMax = 59,
        .bandwidthStep = 0.05,
        .bandwidthWireFactor = 5,
        .typeCode = "0204",
        .interfaceLineWidth = 16,
        .backlightTimedText = "10s",
        .settingExtension = ".dia24",
        .libraryExtension = ".dat24",
        .filePrefix = "VUR24_",
        .programTitle = "Tavrel1.0 2x4  ",
    },
}};

// The model of a device type; nullptr for any type other than 1, 2 or 3.
constexpr const DeviceModel* FindDeviceModel(int deviceType) {
    for (const DeviceModel& model : kDeviceModels) {
        if (model.deviceType == deviceType)
            return &model;
    }
    return nullptr;
}
// The model of a device type; the 4x8, whose scales a program starts with, for an unknown type.
constexpr const DeviceModel& DeviceModelOf(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr ? *model : kDeviceModels.front();
}
// The model named by its label ("3x6"); nullptr for any other text.
constexpr const DeviceModel* FindDeviceModelByLabel(std::string_view label) {
    for (const DeviceModel& model : kDeviceModels) {
        if (model.label == label)
            return &model;
    }
    return nullptr;
}
// True for device types 1, 2 and 3.
constexpr bool IsKnownDeviceType(int deviceType) {
    return FindDeviceModel(deviceType) != nullptr;
}
// True for device IDs 1..250.
constexpr bool IsDeviceId(int id) {
    return id >= kFirstDeviceId && id <= kLastDeviceId;
}
