#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/DeviceModel.h"
#include "model/Filter.h"
#include "model/InputChannelList.h"
#include "model/OutputChannelList.h"

struct ProgramImage;

inline constexpr int kTextLines = 4; // interface lines and unit text lines
// Lines 2 and 3 of line set B (indices 1 and 2) are the two interface information lines.
inline constexpr int kFirstInterfaceLine = 1;
inline constexpr int kInterfaceLines = 2;

// The program container: the unit-wide settings, the program name and the four input and eight
// output channel records of one unit. Editors change the records through their setters, which
// raise change flags, which the protocol's pending-change scan turns into requests one at a time
// and clears. The container holds values and flags only: it builds no frames and reads no files.
// The same container serves the three models: records of channels a model lacks still exist, are
// saved and loaded, and are marked not present.
class ProgramContainer {
public:
    static constexpr int kDefaultGlobalFrequency = 1000;
    static constexpr int kMinGlobalFrequency = 20;
    static constexpr int kMaxGlobalFrequency = 20000;

    ProgramContainer();
    ProgramContainer(const ProgramContainer&) = delete;
    ProgramContainer& operator=(const ProgramContainer&) = delete;

    // ---- Unit-wide settings: setters raise no flag; the views send the global frame ----
    int graphHeight() const { return graphHeight_; }
    int graphWidth() const { return graphWidth_; }
    int deviceType() const { return deviceType_; }
    int globalFrequency() const { return globalFrequency_; }
    void setGlobalFrequency(int hz); // limited to 20..20000 Hz
    int inputSource() const { return inputSource_; }
    void setInputSource(int source) { inputSource_ = source; }
    int temperature() const { return temperature_; }
    void setTemperature(int celsius) { temperature_ = celsius; }
    // Text lines 0..3 (the unit's lines 1..4); other line numbers read empty and store nothing.
    const std::string& lineSetA(int line) const;
    void setLineSetA(int line, std::string_view text);
    const std::string& lineSetB(int line) const;
    void setLineSetB(int line, std::string_view text);
    const std::string& shortTag() const { return shortTag_; }
    void setShortTag(std::string_view text) { shortTag_ = text; }
    int backlight() const { return backlight_; }
    void setBacklight(int backlight) { backlight_ = backlight; }
    int unitValue4() const { return unitValue4_; }
    void setUnitValue4(int value) { unitValue4_ = value; }
    const std::string& programName() const { return programName_; }
    void setProgramName(std::string_view name) { programName_ = name; }
    int deviceId() const { return deviceId_; }
    void setDeviceId(int id) { deviceId_ = id; }
    int programSlot() const { return programSlot_; }
    void setProgramSlot(int slot) { programSlot_ = slot; }

    std::string inputSourceText() const;
    std::string backlightText() const;
    std::string temperatureText() const;

    // ---- Channel lists ----
    InputChannelList& inputs() { return inputs_; }
    const InputChannelList& inputs() const { return inputs_; }
    OutputChannelList& outputs() { return outputs_; }
    const OutputChannelList& outputs() const { return outputs_; }
    // Precondition: 0 <= i < 4 (inputs) or 8 (outputs).
    InputChannel& input(int i) { return inputs_[i]; }
    const InputChannel& input(int i) const { return inputs_[i]; }
    OutputChannel& output(int i) { return outputs_[i]; }
    const OutputChannel& output(int i) const { return outputs_[i]; }
    int inputCount() const { return kInputCount; }
    int outputCount() const { return kOutputCount; }

    // Adapts to a model: 3x6 and 2x4 mark their missing channels not present and remove them
    // from every channel's overlay; every record and filter takes the type (gains go to the
    // model's 0 dB index, bandwidths switch scale). Type 1 restores nothing.
    void setDeviceType(int type);
    // Hands the plot area to every channel, which recomputes its curve.
    void setGraphRect(const GraphRect& plot);
    // Clears every channel's change flags; a crossover whose sent frequency lags its target takes
    // one step instead and keeps its flag.
    void clearChangeFlags();

    // True while a change flag is raised: the pending-change scan would build a frame rather
    // than fall back to the meter poll.
    bool hasPendingChanges() const;

    // Program name and all 12 channels from a stored program image, whatever the model.
    void loadProgramImage(const ProgramImage& image);
    // The reverse: the program name and all 12 channels' stored parameters into an image.
    void fillProgramImage(ProgramImage& image) const;
    // Takes the program name and the stored parameters of all 12 channels of another container
    // (as a single-setting file holds them). Raises no change flag; recomputes the curves.
    void copyProgramFrom(const ProgramContainer& other);

private:
    int graphHeight_ = 0;
    int graphWidth_ = 0;
    int deviceType_ = kDeviceType4x8;
    int globalFrequency_ = kDefaultGlobalFrequency;
    int inputSource_ = 0;
    int temperature_ = 25;
    std::array<std::string, kTextLines> lineSetA_{};
    std::array<std::string, kTextLines> lineSetB_{};
    std::string shortTag_;
    int backlight_ = 0;
    int unitValue4_ = 20;
    std::string programName_ = "NewProgram";
    InputChannelList inputs_;
    OutputChannelList outputs_;
    int deviceId_ = 0;
    int programSlot_ = 0;
};
