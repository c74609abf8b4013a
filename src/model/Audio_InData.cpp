#include "model/Audio_InData.h"

#include <algorithm>
#include <cassert>

#include "model/Archive.h"
#include "model/DataDefine.h"
#include "model/ProgramImage.h"

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

// dB of a channel gain index: 0.1 dB steps from -40 dB (type 1) or -36 dB (types 2, 3). Kept
// total (no table lookup) because the curve must follow any stored index.
double ChannelGainDbUnchecked(int deviceType, int gain) {
    return gain * 0.1 - (deviceType == kDeviceType4x8 ? 40.0 : 36.0);
}

} // namespace

CAudio_InData::CAudio_InData() {
    filters_.create(kFilterCount);
}

void CAudio_InData::setName(std::string_view text) {
    name_ = MakeChannelName(text);
    nameChanged_ = 1;
}

void CAudio_InData::setOn(int on) {
    on_ = static_cast<std::uint8_t>(on);
    mainChanged_ = 1;
}

void CAudio_InData::setPolarity(int polarity) {
    polarity_ = static_cast<std::uint8_t>(polarity);
    mainChanged_ = 1;
}

void CAudio_InData::setDelay(int delay) {
    delay_ = delay;
    mainChanged_ = 1;
}

void CAudio_InData::setGain(int gain) {
    gain_ = gain;
    recomputeCurve();
    mainChanged_ = 1;
}

void CAudio_InData::setReservedA(int value) {
    reservedA_ = static_cast<std::uint8_t>(value);
    mainChanged_ = 1;
}

void CAudio_InData::setGateThreshold(int index) {
    gateThreshold_ = static_cast<std::uint8_t>(index);
    gateChanged_ = 1;
}

void CAudio_InData::setGateOff(int off) {
    gateOff_ = static_cast<std::uint8_t>(off);
    gateChanged_ = 1;
}

void CAudio_InData::setOverlayInput(int input, int on) {
    if (input >= 0 && input < kInputCount)
        overlayInputs_[static_cast<std::size_t>(input)] = on;
}

void CAudio_InData::setOverlayOutput(int output, int on) {
    if (output >= 0 && output < kOutputCount)
        overlayOutputs_[static_cast<std::size_t>(output)] = on;
}

int CAudio_InData::overlayInput(int input) const {
    if (input < 0 || input >= kInputCount)
        return 0;
    return overlayInputs_[static_cast<std::size_t>(input)];
}

int CAudio_InData::overlayOutput(int output) const {
    if (output < 0 || output >= kOutputCount)
        return 0;
    return overlayOutputs_[static_cast<std::size_t>(output)];
}

void CAudio_InData::setDeviceType(int deviceType) {
    deviceType_ = deviceType;
    gain_ = ChannelGainZeroIndex(deviceType).value_or(gain_);
}

CFilter& CAudio_InData::filter(int position) {
    assert(position >= 0 && position < kFilterCount);
    return filters_[std::clamp(position, 0, kFilterCount - 1)];
}

const CFilter& CAudio_InData::filter(int position) const {
    assert(position >= 0 && position < kFilterCount);
    return filters_[std::clamp(position, 0, kFilterCount - 1)];
}

void CAudio_InData::setGraphRect(const GraphRect& plot) {
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

void CAudio_InData::recomputeCurve() {
    // Pixel y of 0 dB is the reference: the filter sum is drawn around it, shifted by the gain.
    const int y0 = GraphYOfLevel(0.0, graphHeight_) + kGraphOffsetY;
    levelOffset_ =
        GraphYOfLevel(ChannelGainDbUnchecked(deviceType_, gain_), graphHeight_) + kGraphOffsetY;
    // An input's crossover pair is not part of its drawn response.
    filters_.sumBands();
    const auto& points = filters_.points();
    for (std::size_t i = 0; i < curve_.size(); ++i)
        curve_[i].y = points[i].y + levelOffset_ - y0;
}

void CAudio_InData::copyFrom(const CAudio_InData& other) {
    name_ = other.name_;
    on_ = other.on_;
    polarity_ = other.polarity_;
    delay_ = other.delay_;
    gain_ = other.gain_;
    reservedA_ = other.reservedA_;
    reservedB_ = other.reservedB_;
    gateThreshold_ = other.gateThreshold_;
    gateOff_ = other.gateOff_;
    filters_.copyFrom(other.filters_);
}

void CAudio_InData::loadImage(const InputImage& image) {
    name_ = MakeChannelName(image.name);
    on_ = image.on;
    polarity_ = image.polarity;
    // The image holds the delay in 16 bits; type 1 delays above 32767 are unsigned on the wire.
    delay_ = static_cast<std::uint16_t>(image.delay);
    gain_ = image.gain;
    reservedA_ = image.reservedA;
    reservedB_ = image.reservedB;
    gateThreshold_ = image.gateThreshold;
    gateOff_ = image.gateOff;
    for (int b = 0; b < kBandCount; ++b)
        filters_[b].loadBandImage(image.bands[static_cast<std::size_t>(b)]);
    highPass().loadCrossoverImage(image);
    lowPass().loadCrossoverImage(image);
}

void CAudio_InData::fillImage(InputImage& image) const {
    for (int b = 0; b < kBandCount; ++b) {
        const CFilter& f = filters_[b];
        BandImage& band = image.bands[static_cast<std::size_t>(b)];
        band.frequency = static_cast<std::int16_t>(f.frequency());
        band.gain = static_cast<std::int16_t>(f.gainIndex());
        band.bandwidth = static_cast<std::int16_t>(f.bandwidthIndex());
        band.slope = static_cast<std::uint8_t>(f.slope());
        band.type = static_cast<std::uint8_t>(f.type());
    }
    image.on = on_;
    image.polarity = polarity_;
    image.delay = static_cast<std::int16_t>(static_cast<std::uint16_t>(delay_));
    image.gain = static_cast<std::int16_t>(gain_);
    image.reservedA = reservedA_;
    image.reservedB = static_cast<std::uint8_t>(reservedB_);
    image.name = nameText();
    image.highPassFrequency = static_cast<std::int16_t>(highPass().frequency());
    image.highPassKind = static_cast<std::uint8_t>(highPass().kind());
    image.highPassSlope = static_cast<std::uint8_t>(highPass().slope());
    image.lowPassFrequency = static_cast<std::int16_t>(lowPass().frequency());
    image.lowPassKind = static_cast<std::uint8_t>(lowPass().kind());
    image.lowPassSlope = static_cast<std::uint8_t>(lowPass().slope());
    image.gateThreshold = gateThreshold_;
    image.gateOff = gateOff_;
}

void CAudio_InData::Serialize(CArchiveWriter& archive) const {
    archive.writeString(nameText());
    archive.writeU8(on_);
    archive.writeU8(polarity_);
    archive.writeU32(static_cast<std::uint32_t>(delay_));
    archive.writeI32(gain_);
    archive.writeU8(reservedA_);
    archive.writeU32(static_cast<std::uint32_t>(reservedB_));
    archive.writeU8(gateThreshold_);
    archive.writeU8(gateOff_);
    archive.writeU8(mainCode_);
    archive.writeU8(index_);
    filters_.Serialize(archive);
}

bool CAudio_InData::Serialize(CArchiveReader& archive) {
    std::string name;
    std::uint8_t on = 0, polarity = 0, reservedA = 0, gateThreshold = 0, gateOff = 0;
    std::uint8_t mainCode = 0, index = 0;
    std::uint32_t delay = 0, reservedB = 0;
    std::int32_t gain = 0;
    const bool ok = archive.readString(name) && archive.readU8(on) && archive.readU8(polarity) &&
                    archive.readU32(delay) && archive.readI32(gain) && archive.readU8(reservedA) &&
                    archive.readU32(reservedB) && archive.readU8(gateThreshold) &&
                    archive.readU8(gateOff) && archive.readU8(mainCode) && archive.readU8(index);
    if (!ok)
        return false;
    // The stored frame code and channel index are fixed by the record's position in its list;
    // the reading record keeps its own, so a damaged file cannot address another channel.
    name_ = MakeChannelName(name);
    on_ = on;
    polarity_ = polarity;
    delay_ = static_cast<int>(delay);
    gain_ = gain;
    reservedA_ = reservedA;
    reservedB_ = static_cast<int>(reservedB);
    gateThreshold_ = gateThreshold;
    gateOff_ = gateOff;
    return filters_.Serialize(archive);
}

std::string CAudio_InData::gainText() const {
    return ChannelGainText(deviceType_, gain_);
}

std::string CAudio_InData::polarityText() const {
    return PolarityText(polarity_);
}

std::string CAudio_InData::delayText() const {
    return DelayText(deviceType_, delay_);
}

std::string CAudio_InData::gateText() const {
    return GateText(gateThreshold_, gateOff_ != 0);
}

std::string CAudio_InData::stateText() const {
    return ChannelStateText(on_);
}
