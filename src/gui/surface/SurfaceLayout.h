#pragma once

#include <array>
#include <string_view>
#include <vector>

// Where the controls of one control surface stand and what differs between the three device
// types. Every place and size is in dialog units of the 678 x 449 forms; DluRect turns them into
// pixels. One table per device type; the surface code is the same for all three.

struct DluBox {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// The rows of one strip, top to bottom (y in dialog units).
struct StripRows {
    int name;
    int polarity;
    int eq;
    int channel;
    int gainEdit;
    int meter;
    int fader;
    int muteOutputs; // the mute lamp of the output strips
    int muteInputs;  // ... and of the input strips (one or two units lower on the small forms)
    int dbLabel;
    int nameLabel;
};

struct SurfaceLayout {
    int deviceType;
    int inputs;
    int outputs;
    std::vector<int> inputColumns;  // x of each input strip
    std::vector<int> outputColumns; // x of each output strip
    DluBox inputGroup;
    DluBox outputGroup;
    StripRows rows;

    // Status line. The label places are the captions' top-left corners.
    DluBox deviceIdLabel;
    DluBox deviceIdBox;
    DluBox portLabel;
    DluBox portBox;
    bool hasInputSource; // the 4x8 shows the unit-wide input source
    DluBox sourceLabel;
    DluBox sourceBox;
    DluBox statusLed;
    DluBox linkBox;
    bool linkBoxFollowsConnection; // 4x8: "Link" / "Unlink"; the others keep "Link/Unlink"
    const char* initialPortCaption;

    // Side buttons: one column, each 50 by 14, tops given in button order.
    int sideColumn;
    std::array<int, 8> sideRows;

    // Gain scales: indices 0..max in 0.1 dB steps, shown as index x 0.1 - offset.
    int inputGainMax;
    int outputGainMax;
    double gainOffset;
    // Fader scale labels left of the first strip of each group, top to bottom, and the dB value
    // each one stands for.
    std::vector<std::pair<const char*, int>> inputScale;
    std::vector<std::pair<const char*, int>> outputScale;
};

// The layout of a device type (1 = 4x8, 2 = 3x6, 3 = 2x4); the 4x8's for any other value.
const SurfaceLayout& SurfaceLayoutOf(int deviceType);

// Side buttons in column order and their captions.
enum class SideButton { Connection, DataView, Device, Program, Copy, Interface, BoxName, Esc };
inline constexpr std::array<const char*, 8> kSideButtonCaptions = {
    "Connection", "DataView", "Device", "Program", "Copy", "Interface", "BoxName", "ESC"};

// Strip captions: "Input A".."Input D", "Out 1".."Out 8"; "Hide" while the curve is hidden.
std::string_view InputCaption(int input);
std::string_view OutputCaption(int output);
inline constexpr std::string_view kHiddenCaption = "Hide";

// Fader and gain index: the fader's position 0 is the top, so position = max - index.
constexpr int FaderPositionOfGain(int gainMax, int gain) {
    return gainMax - gain;
}
constexpr int GainOfFaderPosition(int gainMax, int position) {
    return gainMax - position;
}
