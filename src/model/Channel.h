#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/DeviceModel.h"
#include "model/Filter.h"
#include "model/FilterSet.h"
#include "model/GraphCoordinates.h"

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
// The same response in dB (gain included), for drawing it with sub-pixel precision.
using ChannelLevels = std::array<double, kCurvePoints>;

// What an input and an output channel have in common: name, on, polarity, delay and gain as the
// indices the unit receives, the filter set (equaliser bands, then the high-pass and the
// low-pass), and what the response graph needs to draw the channel. The name setter raises the
// name flag; on, polarity, delay and gain raise the main flag.
class Channel {
    friend struct ChannelFieldTables;

public:
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // ---- Setters that raise a change flag ----
    void setName(std::string_view text); // first 8 characters, zero padded; name flag
    void setOn(int on);                  // main flag
    void setPolarity(int polarity);      // main flag
    void setDelay(int delay);            // main flag
    void setGain(int gain);              // main flag; recomputes the curve

    // ---- Setters without a flag ----
    void setIndex(int index) { index_ = static_cast<std::uint8_t>(index); }
    void setPresent(int present) { present_ = present; }
    void setCurveColour(CurveColour colour) { curveColour_ = colour; }
    // Overlay flags; indices outside 0..3 or 0..7 are ignored.
    void setOverlayInput(int input, int on);
    void setOverlayOutput(int output, int on);
    void setMainChanged(int v) { mainChanged_ = v; }
    void setNameChanged(int v) { nameChanged_ = v; }

    // Model number; the gain goes to the model's 0 dB index (400 on type 1, 360 on types 2, 3).
    // Does not touch the filters: the container hands them the type.
    void setDeviceType(int deviceType);

    // Plot area of the response graph: stores its size, lays the curve's x coordinates on the
    // frequency grid, hands the rectangle to the filter set and recomputes the curve.
    void setGraphRect(const GraphRect& plot);
    // y of every curve point = the summed filters shifted by the channel gain, and the same level
    // in dB (curveLevels). An input draws its equaliser bands only, an output its crossover pair
    // as well.
    void recomputeCurve();

    // ---- Getters ----
    const ChannelCurve& curve() const { return curve_; }
    const ChannelLevels& curveLevels() const { return curveLevels_; }
    int overlayInput(int input) const;
    int overlayOutput(int output) const;
    int levelOffset() const { return levelOffset_; }
    int graphHeight() const { return graphHeight_; }
    int graphWidth() const { return graphWidth_; }
    FilterSet& filters() { return filters_; }
    const FilterSet& filters() const { return filters_; }
    // Precondition: 0 <= position < filterCount().
    Filter& filter(int position);
    const Filter& filter(int position) const;
    Filter& highPass() { return filter(bandCount_); }
    const Filter& highPass() const { return filter(bandCount_); }
    Filter& lowPass() { return filter(bandCount_ + 1); }
    const Filter& lowPass() const { return filter(bandCount_ + 1); }
    int filterCount() const { return bandCount_ + 2; }
    const ChannelName& name() const { return name_; }
    std::uint8_t nameCode() const { return nameCode_; }
    std::uint8_t on() const { return on_; }
    std::uint8_t polarity() const { return polarity_; }
    int delay() const { return delay_; }
    int gain() const { return gain_; }
    std::uint8_t mainCode() const { return mainCode_; }
    std::uint8_t index() const { return index_; }
    int present() const { return present_; }
    CurveColour curveColour() const { return curveColour_; }
    int mainChanged() const { return mainChanged_; }
    int nameChanged() const { return nameChanged_; }
    int deviceType() const { return deviceType_; }

    // ---- Display texts ----
    std::string nameText() const { return ChannelNameText(name_); }
    // The name as shown, printed or exported: nameText() with unprintable bytes as spaces.
    std::string displayName() const;
    std::string gainText() const;
    std::string polarityText() const;
    std::string delayText() const;
    std::string stateText() const; // "On" / "Mute"

protected:
    // bandCount equaliser bands followed by the crossover pair; drawsCrossovers: the drawn
    // response includes the crossover pair. The codes are the frame codes of the name and main
    // groups.
    Channel(int bandCount, bool drawsCrossovers, std::uint8_t nameCode, std::uint8_t mainCode);
    // Never deleted through the base.
    ~Channel() = default;

    // Copies name, on, polarity, delay, gain and every filter's values; no flag, no curve.
    void copyChannelFrom(const Channel& other);

    // The field tables (ChannelFields) reach these directly: loaders and file readers take values
    // without raising flags.
    ChannelName name_{};
    std::uint8_t on_ = 1;
    std::uint8_t polarity_ = 0;
    int delay_ = 0;
    int gain_ = DeviceModelOf(kDeviceType4x8).gainZeroIndex; // 0 dB of the type a record starts as
    FilterSet filters_;

private:
    int bandCount_;
    bool drawsCrossovers_;
    std::uint8_t nameCode_;
    std::uint8_t mainCode_;
    ChannelCurve curve_{};
    ChannelLevels curveLevels_{};
    std::array<int, kInputCount> overlayInputs_{1, 1, 1, 1};
    std::array<int, kOutputCount> overlayOutputs_{1, 1, 1, 1, 1, 1, 1, 1};
    int levelOffset_ = 0;
    int graphHeight_ = 0;
    int graphWidth_ = 0;
    std::uint8_t index_ = 0;
    int present_ = 1;
    CurveColour curveColour_{};
    int mainChanged_ = 0;
    int nameChanged_ = 0;
    int deviceType_ = kDeviceType4x8;
};
