#pragma once

#include "model/DeviceModel.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

// Main-window commands that switch the device type (issued to the main window).
inline constexpr int ID_DEVICE_4X8 = 32772;
inline constexpr int ID_DEVICE_3X6 = 32773;
inline constexpr int ID_DEVICE_SELECT = 32774;
inline constexpr int ID_DEVICE_2X4 = 32775;

// Where the controls of one control surface stand. Every place and size is in dialog units of
// the 678 x 449 forms; DluRect turns them into pixels. One table per device type, beside the
// device model whose channel counts, gain ranges and input source it lays out; the surface code
// is the same for all three.

// Size of every control surface's form, in dialog units.
inline constexpr int kFormWidth = 678;
inline constexpr int kFormHeight = 449;

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
    const DeviceModel& model;
    int command;                    // the main-window command that shows this surface
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
    DluBox sourceLabel; // only on a model with the input source
    DluBox sourceBox;
    DluBox statusLed;
    DluBox linkBox;
    bool linkBoxFollowsConnection; // 4x8: "Link" / "Unlink"; the others keep "Link/Unlink"
    const char* initialPortCaption;

    // Side buttons: one column, each 50 by 14, tops given in button order.
    int sideColumn;
    std::array<int, 8> sideRows;

    // Fader scale labels left of the first strip of each group, top to bottom, and the dB value
    // each one stands for.
    std::vector<std::pair<const char*, int>> inputScale;
    std::vector<std::pair<const char*, int>> outputScale;
};

// Width of a strip and the room kept between the last strip and its group's right edge.
inline constexpr int kStripWidth = 42;
inline constexpr int kStripRightMargin = 8;

// Columns (x) of `count` strips spread evenly over a group: the first at `first`, the last
// ending kStripRightMargin inside the group's right edge.
std::vector<int> SpreadColumns(const DluBox& group, int first, int count);

// Which fader scale marks can be drawn, top to bottom, when each label is `textHeight` pixels
// high and centred on its mark: the top and bottom marks always, every other one only when it
// keeps `textHeight` pixels (labels plus a small gap) from the marks kept above it and from the
// bottom one. `centres` runs top to bottom.
std::vector<bool> VisibleScaleMarks(const std::vector<double>& centres, double textHeight);

// Where the fader scale labels go so that every mark is drawn: each label as near its mark as
// the others allow, `gap` pixels (a label's height and a little air) apart from its neighbours,
// every centre within low..high. Labels too close move apart, the lower one staying on its mark
// where it can. Nothing when the marks do not fit between low and high even so (the caller then
// leaves some out, VisibleScaleMarks). `centres` runs top to bottom.
std::optional<std::vector<double>> SpreadScaleMarks(const std::vector<double>& centres, double gap,
                                                    double low, double high);

// The layout of a device type (1 = 4x8, 2 = 3x6, 3 = 2x4); the 4x8's for any other value.
const SurfaceLayout& SurfaceLayoutOf(int deviceType);
// The device type a main-window command shows; 0 for any other command (ID_DEVICE_SELECT).
int DeviceTypeOfCommand(int command);

// Side buttons in column order and their captions.
enum class SideButton { Connection, DataView, Device, Program, Copy, Interface, BoxName, Esc };
inline constexpr std::array<const char*, 8> kSideButtonCaptions = {
    "Connection", "DataView", "Device", "Program", "Copy", "Interface", "BoxName", "ESC"};
// What each side button opens or does, shown as its tooltip. The connection button's tooltip
// follows the connection: kDisconnectTooltip while connected.
inline constexpr std::array<const char*, 8> kSideButtonTooltips = {
    "Opens the connect dialog: choose the serial port and the unit's device ID",
    "Opens the parameter list of this program, to read, print or export",
    "Opens the device dialog: give the connected unit a new device ID or switch to another unit",
    "Opens the program manager: recall or store the unit's programs, open or save program files",
    "Opens the copy dialog: copy every setting of one channel onto another",
    "Opens the interface dialog: backlight, temperature and the unit's interface lines",
    "Opens the channel-name dialog: name the inputs and outputs",
    "Back to the model selection; ends the connection without asking"};
inline constexpr const char* kDisconnectTooltip = "Closes the connection to the unit";

// Strip captions are the model's channel labels ("Input A", "Out 1"), or this while the curve is
// hidden.
inline constexpr std::string_view kHiddenCaption = "Hide";

// Fader and gain index: the fader's position 0 is the top, so position = max - index.
constexpr int FaderPositionOfGain(int gainMax, int gain) {
    return gainMax - gain;
}
constexpr int GainOfFaderPosition(int gainMax, int position) {
    return gainMax - position;
}
