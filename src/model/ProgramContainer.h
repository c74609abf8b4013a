#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/DeviceModel.h"
#include "model/Filter.h"
#include "model/InputChannelList.h"
#include "model/OutputChannelList.h"
#include "protocol/Request.h"

struct ProgramImage;

// Global command codes (frame section 3, byte 5).
inline constexpr int kGlobalProgramName = 0x00;
inline constexpr int kGlobalSettings = 0x01; // input source (and global frequency)
inline constexpr int kGlobalMeters = 0x02;
inline constexpr int kGlobalLineSetB = 0x10;
inline constexpr int kGlobalLineSetA = 0x11;
inline constexpr int kGlobalShortTag = 0x12;
inline constexpr int kGlobalBacklight = 0x14;
inline constexpr int kGlobalDeviceId = 0x15;
inline constexpr int kGlobalTemperature = 0x16;

// Widths of the text fields on the wire.
inline constexpr std::size_t kProgramNameField = 15;
inline constexpr std::size_t kTextLineField = 20;
inline constexpr std::size_t kShortTagField = 7;
inline constexpr int kTextLines = 4;
// Lines 2 and 3 of line set B (indices 1 and 2) are the two interface information lines.
inline constexpr int kFirstInterfaceLine = 1;
inline constexpr int kInterfaceLines = 2;

// The program container: the unit-wide settings, the program name and the four input and eight
// output channel records of one unit. Editors change the records through their setters, which
// raise change flags; nextPendingFrame() turns the flags into frames one at a time. The same
// container serves the three models: records of channels a model lacks still exist, are saved
// and loaded, and are marked not present.
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

    // The frame of the first raised change flag in the fixed scan order (inputs A..D, then
    // outputs 1..8; per channel name, level, gate, filters / bands, crossover, limiter), with
    // that flag cleared; the meter poll when nothing is pending.
    Request nextPendingFrame();

    // Program name and all 12 channels from a stored program image, whatever the model.
    void loadProgramImage(const ProgramImage& image);
    // The reverse: the program name and all 12 channels' stored parameters into an image.
    void fillProgramImage(ProgramImage& image) const;
    // Takes the program name and the stored parameters of all 12 channels of another container
    // (as a single-setting file holds them). Raises no change flag; recomputes the curves.
    void copyProgramFrom(const ProgramContainer& other);

    // ---- Frame builders: each builds one request from the current contents ----
    // Global requests (section 3).
    Request programNameFrame(int slot) const;
    Request sourceFrame() const;
    Request globalSettingsFrame() const;
    Request lineSetBFrame() const;
    Request lineSetAFrame() const;
    Request shortTagFrame() const;
    Request backlightFrame() const;
    Request temperatureFrame() const;
    // Probe clear: tells the unit (addressed by the current deviceId) its new ID.
    // Probe set: asks whether a unit with that ID and this device type is on the line.
    Request deviceIdFrame(int id, bool probe) const;
    Request globalReadFrame(int code, int slot) const;
    Request meterPollFrame() const;
    // Input requests (section 1). Precondition: 0 <= input < 4, 0 <= item < 10.
    Request inputNameFrame(int input) const;
    Request inputLevelFrame(int input) const;
    Request inputGateFrame(int input) const;
    Request inputBandFrame(int input, int item) const;
    Request inputBlockFrame(int slot, int input) const;
    // Output requests (section 2). Precondition: 0 <= output < 8, 0 <= band < 6.
    Request outputNameFrame(int output) const;
    Request outputLevelFrame(int output) const;
    Request outputCrossoverFrame(int output) const;
    Request outputLimiterFrame(int output) const;
    Request outputBandFrame(int output, int band) const;
    Request outputBlockFrame(int slot, int output) const;
    // Channel block read; mode 0 fetches into the live display, 0x77 for backup.
    Request blockReadFrame(int slot, int section, int channel, int mode) const;

    // Wire encodings that depend on the model.
    int channelGainCode(int gainIndex) const;        // 1100 + 10 x dB on every model
    int bandBandwidthCode(int bandwidthIndex) const; // hundredths of an octave above 0.05

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
