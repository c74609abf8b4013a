#include "model/Channel.h"

#include <algorithm>
#include <cassert>

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/PrintableText.h"

ChannelName MakeChannelName(std::string_view text) {
    ChannelName name{};
    const std::size_t n = std::min(text.size(), kChannelNameBytes);
    std::copy_n(text.begin(), n, name.begin());
    return name;
}

std::string ChannelNameText(const ChannelName& name) {
    const auto end = std::find(name.begin(), name.end(), '\0');
    return std::string(name.begin(), end);
}

namespace {

// dB of a channel gain index: 0.1 dB steps from the model's 0 dB index. Kept total (no range
// check) because the curve must follow any stored index.
double ChannelGainDbUnchecked(int deviceType, int gain) {
    return gain * 0.1 - DeviceModelOf(deviceType).GainDbOffset();
}

} // namespace

Channel::Channel(int bandCount, bool drawsCrossovers, std::uint8_t nameCode, std::uint8_t mainCode)
    : bandCount_(bandCount), drawsCrossovers_(drawsCrossovers), nameCode_(nameCode),
      mainCode_(mainCode) {
    filters_.create(filterCount());
}

std::string Channel::displayName() const {
    return PrintableText(nameText());
}

void Channel::setName(std::string_view text) {
    name_ = MakeChannelName(text);
    nameChanged_ = 1;
}

void Channel::setOn(int on) {
    on_ = static_cast<std::uint8_t>(on);
    mainChanged_ = 1;
}

void Channel::setPolarity(int polarity) {
    polarity_ = static_cast<std::uint8_t>(polarity);
    mainChanged_ = 1;
}

void Channel::setDelay(int delay) {
    delay_ = delay;
    mainChanged_ = 1;
}

void Channel::setGain(int gain) {
    gain_ = gain;
    recomputeCurve();
    mainChanged_ = 1;
}

void Channel::setOverlayInput(int input, int on) {
    if (input >= 0 && input < kInputCount)
        overlayInputs_[static_cast<std::size_t>(input)] = on;
}

void Channel::setOverlayOutput(int output, int on) {
    if (output >= 0 && output < kOutputCount)
        overlayOutputs_[static_cast<std::size_t>(output)] = on;
}

int Channel::overlayInput(int input) const {
    if (input < 0 || input >= kInputCount)
        return 0;
    return overlayInputs_[static_cast<std::size_t>(input)];
}

int Channel::overlayOutput(int output) const {
    if (output < 0 || output >= kOutputCount)
        return 0;
    return overlayOutputs_[static_cast<std::size_t>(output)];
}

void Channel::setDeviceType(int deviceType) {
    deviceType_ = deviceType;
    gain_ = ChannelGainZeroIndex(deviceType).value_or(gain_);
}

Filter& Channel::filter(int position) {
    assert(position >= 0 && position < filterCount());
    return filters_[std::clamp(position, 0, filterCount() - 1)];
}

const Filter& Channel::filter(int position) const {
    assert(position >= 0 && position < filterCount());
    return filters_[std::clamp(position, 0, filterCount() - 1)];
}

void Channel::setGraphRect(const GraphRect& plot) {
    graphHeight_ = plot.height();
    graphWidth_ = plot.width();
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < curve_.size(); ++i) {
        curve_[i].x = GraphXOfFrequency(grid[i], graphWidth_) + kGraphOffsetX;
        curve_[i].y = graphHeight_ / 2;
    }
    filters_.setGraphRect(plot);
    recomputeCurve();
}

void Channel::recomputeCurve() {
    // Pixel y of 0 dB is the reference: the filter sum is drawn around it, shifted by the gain.
    const int y0 = GraphYOfLevel(0.0, graphHeight_) + kGraphOffsetY;
    levelOffset_ =
        GraphYOfLevel(ChannelGainDbUnchecked(deviceType_, gain_), graphHeight_) + kGraphOffsetY;
    if (drawsCrossovers_)
        filters_.sumAll();
    else
        filters_.sumBands();
    const auto& points = filters_.points();
    const auto& levels = filters_.levels();
    const double gainDb = ChannelGainDbUnchecked(deviceType_, gain_);
    for (std::size_t i = 0; i < curve_.size(); ++i) {
        curve_[i].y = points[i].y + levelOffset_ - y0;
        curveLevels_[i] = levels[i] + gainDb;
    }
}

void Channel::copyChannelFrom(const Channel& other) {
    name_ = other.name_;
    on_ = other.on_;
    polarity_ = other.polarity_;
    delay_ = other.delay_;
    gain_ = other.gain_;
    filters_.copyFrom(other.filters_);
}

std::string Channel::gainText() const {
    return ChannelGainText(deviceType_, gain_);
}

std::string Channel::polarityText() const {
    return PolarityText(polarity_);
}

std::string Channel::delayText() const {
    return DelayText(deviceType_, delay_);
}

std::string Channel::stateText() const {
    return ChannelStateText(on_);
}
