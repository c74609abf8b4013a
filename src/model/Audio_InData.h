#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/EQ.h"
#include "model/Filter.h"

class CArchiveReader;
class CArchiveWriter;
struct InputImage;

// Colour of a channel's curve on the response graph.
struct CurveColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const CurveColour&) const = default;
};

// Storage of a channel name: at most 8 single-byte characters, zero bytes after a shorter name
// and no terminator when all 8 are used. The unit receives exactly these 8 bytes.
inline constexpr std::size_t kChannelNameBytes = 8;
using ChannelName = std::array<char, kChannelNameBytes>;
// The first 8 characters of `text`, zero padded.
ChannelName MakeChannelName(std::string_view text);
// The stored characters up to the first zero byte (at most 8), taken literally.
std::string ChannelNameText(const ChannelName& name);

inline constexpr int kInputCount = 4;
inline constexpr int kOutputCount = 8;
inline constexpr int kCurvePoints = kGridPoints;

// Pixel polyline of a channel's response on the graph, one point per grid frequency.
using ChannelCurve = std::array<GraphPoint, kCurvePoints>;

// One input channel (A..D): every parameter as the index the unit receives, the eight equaliser
// bands and the crossover pair, and what the response graph needs to draw the channel.
// Setters raise the change flag of their group; only the container's pending-change scan clears
// the flags again (and thereby sends the group).
class CAudio_InData {
public:
    static constexpr int kBandCount = 8;
    static constexpr int kFilterCount = kBandCount + 2;
    static constexpr int kHighPassPosition = kBandCount;
    static constexpr int kLowPassPosition = kBandCount + 1;
    static constexpr int kCrossoverCode = 9; // both crossover items travel as band code 9
    static constexpr std::uint8_t kNameCode = 11;
    static constexpr std::uint8_t kMainCode = 8;
    static constexpr std::uint8_t kGateCode = 10;

    CAudio_InData();
    CAudio_InData(const CAudio_InData&) = delete;
    CAudio_InData& operator=(const CAudio_InData&) = delete;

    // ---- Setters that raise a change flag ----
    void setName(std::string_view text); // first 8 characters, zero padded; name flag
    void setOn(int on);                  // main flag
    void setPolarity(int polarity);      // main flag
    void setDelay(int delay);            // main flag
    void setGain(int gain);              // main flag; recomputes the curve
    void setReservedA(int value);        // main flag
    void setGateThreshold(int index);    // gate flag
    void setGateOff(int off);            // gate flag

    // ---- Setters without a flag ----
    void setReservedB(int value) { reservedB_ = value & 0xFF; } // only the low byte is kept
    void setIndex(int index) { index_ = static_cast<std::uint8_t>(index); }
    void setPresent(int present) { present_ = present; }
    void setCurveColour(CurveColour colour) { curveColour_ = colour; }
    // Overlay flags; indices outside 0..3 or 0..7 are ignored.
    void setOverlayInput(int input, int on);
    void setOverlayOutput(int output, int on);
    void setMainChanged(int v) { mainChanged_ = v; }
    void setNameChanged(int v) { nameChanged_ = v; }
    void setGateChanged(int v) { gateChanged_ = v; }

    // Model number; the gain goes to the model's 0 dB index (400 on type 1, 360 on types 2, 3).
    // Does not touch the filters: the container hands them the type.
    void setDeviceType(int deviceType);

    // Plot area of the response graph: stores its size, lays the curve's x coordinates on the
    // frequency grid, hands the rectangle to the filter set and recomputes the curve.
    void setGraphRect(const GraphRect& plot);
    // y of every curve point = the summed equaliser bands (crossover pair excluded) shifted by
    // the channel gain.
    void recomputeCurve();

    // Copies the stored parameters (name, on, polarity, delay, gain, reserved bytes, gate and
    // every filter's values). Raises no flag and does not recompute the curve: the caller does.
    void copyFrom(const CAudio_InData& other);
    // Takes a stored program's input image; the bands go through the band loader.
    void loadImage(const InputImage& image);
    // Fills an input image with this channel's stored parameters (the reverse of loadImage).
    void fillImage(InputImage& image) const;

    // Single-setting file record: name, on, polarity, delay, gain, reserved A and B, gate
    // threshold and switch, main code, index, then the 10 filter records.
    void Serialize(CArchiveWriter& archive) const;
    // Reads the same record. Returns false on short or corrupt data; the record may then be
    // partly read, so callers read into a scratch container.
    bool Serialize(CArchiveReader& archive);

    // ---- Getters ----
    const ChannelCurve& curve() const { return curve_; }
    int overlayInput(int input) const;
    int overlayOutput(int output) const;
    int levelOffset() const { return levelOffset_; }
    int graphHeight() const { return graphHeight_; }
    int graphWidth() const { return graphWidth_; }
    CEQ& filters() { return filters_; }
    const CEQ& filters() const { return filters_; }
    CFilter& filter(int position);
    const CFilter& filter(int position) const;
    CFilter& highPass() { return filter(kHighPassPosition); }
    const CFilter& highPass() const { return filter(kHighPassPosition); }
    CFilter& lowPass() { return filter(kLowPassPosition); }
    const CFilter& lowPass() const { return filter(kLowPassPosition); }
    int filterCount() const { return kFilterCount; }
    const ChannelName& name() const { return name_; }
    std::uint8_t nameCode() const { return nameCode_; }
    std::uint8_t on() const { return on_; }
    std::uint8_t polarity() const { return polarity_; }
    int delay() const { return delay_; }
    int gain() const { return gain_; }
    std::uint8_t reservedA() const { return reservedA_; }
    int reservedB() const { return reservedB_; }
    std::uint8_t mainCode() const { return mainCode_; }
    std::uint8_t index() const { return index_; }
    std::uint8_t gateThreshold() const { return gateThreshold_; }
    std::uint8_t gateOff() const { return gateOff_; }
    std::uint8_t gateCode() const { return gateCode_; }
    int present() const { return present_; }
    CurveColour curveColour() const { return curveColour_; }
    int mainChanged() const { return mainChanged_; }
    int nameChanged() const { return nameChanged_; }
    int gateChanged() const { return gateChanged_; }
    int deviceType() const { return deviceType_; }

    // ---- Display texts ----
    std::string nameText() const { return ChannelNameText(name_); }
    std::string gainText() const;
    std::string polarityText() const;
    std::string delayText() const;
    std::string gateText() const;  // "Disable" while the gate is off
    std::string stateText() const; // "On" / "Mute"

private:
    ChannelCurve curve_{};
    std::array<int, kInputCount> overlayInputs_{1, 1, 1, 1};
    std::array<int, kOutputCount> overlayOutputs_{1, 1, 1, 1, 1, 1, 1, 1};
    int levelOffset_ = 0;
    int graphHeight_ = 0;
    int graphWidth_ = 0;
    CEQ filters_;
    ChannelName name_{};
    std::uint8_t nameCode_ = kNameCode;
    std::uint8_t on_ = 1;
    std::uint8_t polarity_ = 0;
    int delay_ = 0;
    int gain_ = 400;
    std::uint8_t reservedA_ = 0;
    int reservedB_ = 0;
    std::uint8_t mainCode_ = kMainCode;
    std::uint8_t index_ = 0;
    std::uint8_t gateThreshold_ = 120;
    std::uint8_t gateOff_ = 0;
    std::uint8_t gateCode_ = kGateCode;
    int present_ = 1;
    CurveColour curveColour_{};
    int mainChanged_ = 0;
    int nameChanged_ = 0;
    int gateChanged_ = 0;
    int deviceType_ = 1;
};
