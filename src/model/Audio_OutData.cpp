#include "model/Audio_OutData.h"

#include <algorithm>
#include <cassert>

#include "model/Archive.h"
#include "model/DataDefine.h"
#include "model/ProgramImage.h"

namespace {

// dB of a channel gain index: 0.1 dB steps from -40 dB (type 1) or -36 dB (types 2, 3). Kept
// total (no table lookup) because the curve must follow any stored index.
double ChannelGainDbUnchecked(int deviceType, int gain) {
    return gain * 0.1 - (deviceType == kDeviceType4x8 ? 40.0 : 36.0);
}

} // namespace

CAudio_OutData::CAudio_OutData() {
    filters_.create(kFilterCount);
}

void CAudio_OutData::setName(std::string_view text) {
    name_ = MakeChannelName(text);
    nameChanged_ = 1;
}

void CAudio_OutData::setOn(int on) {
    on_ = static_cast<std::uint8_t>(on);
    mainChanged_ = 1;
}

void CAudio_OutData::setPolarity(int polarity) {
    polarity_ = static_cast<std::uint8_t>(polarity);
    mainChanged_ = 1;
}

void CAudio_OutData::setMix(int mix) {
    mix_ = static_cast<std::uint8_t>(mix);
    mainChanged_ = 1;
}

void CAudio_OutData::setDelay(int delay) {
    delay_ = delay;
    mainChanged_ = 1;
}

void CAudio_OutData::setGain(int gain) {
    gain_ = gain;
    recomputeCurve();
    mainChanged_ = 1;
}

void CAudio_OutData::setThreshold(int index) {
    threshold_ = index;
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setAttack(int index) {
    attack_ = static_cast<std::uint8_t>(index);
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setRelease(int index) {
    release_ = static_cast<std::uint8_t>(index);
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setClipLimit(int index) {
    clipLimit_ = index;
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setRatio(int index) {
    ratio_ = index;
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setDynamicsType(int type) {
    dynamicsType_ = type;
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setDynamicsMode(int mode) {
    dynamicsMode_ = mode;
    dynamicsChanged_ = 1;
}

void CAudio_OutData::setOverlayInput(int input, int on) {
    if (input >= 0 && input < kInputCount)
        overlayInputs_[static_cast<std::size_t>(input)] = on;
}

void CAudio_OutData::setOverlayOutput(int output, int on) {
    if (output >= 0 && output < kOutputCount)
        overlayOutputs_[static_cast<std::size_t>(output)] = on;
}

int CAudio_OutData::overlayInput(int input) const {
    if (input < 0 || input >= kInputCount)
        return 0;
    return overlayInputs_[static_cast<std::size_t>(input)];
}

int CAudio_OutData::overlayOutput(int output) const {
    if (output < 0 || output >= kOutputCount)
        return 0;
    return overlayOutputs_[static_cast<std::size_t>(output)];
}

void CAudio_OutData::setDeviceType(int deviceType) {
    deviceType_ = deviceType;
    gain_ = ChannelGainZeroIndex(deviceType).value_or(gain_);
}

CFilter& CAudio_OutData::filter(int position) {
    assert(position >= 0 && position < kFilterCount);
    return filters_[std::clamp(position, 0, kFilterCount - 1)];
}

const CFilter& CAudio_OutData::filter(int position) const {
    assert(position >= 0 && position < kFilterCount);
    return filters_[std::clamp(position, 0, kFilterCount - 1)];
}

void CAudio_OutData::setGraphRect(const GraphRect& plot) {
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

void CAudio_OutData::recomputeCurve() {
    // Pixel y of 0 dB is the reference: the filter sum is drawn around it, shifted by the gain.
    const int y0 = GraphYOfLevel(0.0, graphHeight_) + kGraphOffsetY;
    levelOffset_ =
        GraphYOfLevel(ChannelGainDbUnchecked(deviceType_, gain_), graphHeight_) + kGraphOffsetY;
    // An output's drawn response includes its crossover filters.
    filters_.sumAll();
    const auto& points = filters_.points();
    for (std::size_t i = 0; i < curve_.size(); ++i)
        curve_[i].y = points[i].y + levelOffset_ - y0;
}

int CAudio_OutData::autoAttack() const {
    return AutoAttackIndex(highPass().frequency());
}

int CAudio_OutData::wireAttack() const {
    return dynamicsMode_ == kModeAuto ? autoAttack() : attack_;
}

int CAudio_OutData::wireRelease() const {
    return dynamicsMode_ == kModeAuto ? autoRelease() : release_;
}

void CAudio_OutData::copyFrom(const CAudio_OutData& other) {
    name_ = other.name_;
    reservedC_ = other.reservedC_;
    on_ = other.on_;
    polarity_ = other.polarity_;
    delay_ = other.delay_;
    gain_ = other.gain_;
    mix_ = other.mix_;
    filters_.copyFrom(other.filters_);
    threshold_ = other.threshold_;
    attack_ = other.attack_;
    release_ = other.release_;
    clipLimit_ = other.clipLimit_;
    ratio_ = other.ratio_;
    dynamicsType_ = other.dynamicsType_;
    dynamicsMode_ = other.dynamicsMode_;
}

void CAudio_OutData::loadImage(const OutputImage& image) {
    name_ = MakeChannelName(image.name);
    on_ = image.on;
    polarity_ = image.polarity;
    // The image holds the delay in 16 bits; type 1 delays above 32767 are unsigned on the wire.
    delay_ = static_cast<std::uint16_t>(image.delay);
    gain_ = image.gain;
    mix_ = image.mix;
    threshold_ = image.threshold;
    attack_ = image.attack;
    release_ = image.release;
    clipLimit_ = image.clipLimit;
    ratio_ = image.ratio;
    dynamicsType_ = image.dynamicsType;
    dynamicsMode_ = image.dynamicsMode;
    for (int b = 0; b < kBandCount; ++b)
        filters_[b].loadBandImage(image.bands[static_cast<std::size_t>(b)]);
    highPass().loadCrossoverImage(image);
    lowPass().loadCrossoverImage(image);
}

void CAudio_OutData::fillImage(OutputImage& image) const {
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
    image.mix = mix_;
    image.reserved = 0;
    image.highPassFrequency = static_cast<std::int16_t>(highPass().frequency());
    image.highPassKind = static_cast<std::uint8_t>(highPass().kind());
    image.highPassSlope = static_cast<std::uint8_t>(highPass().slope());
    image.lowPassFrequency = static_cast<std::int16_t>(lowPass().frequency());
    image.lowPassKind = static_cast<std::uint8_t>(lowPass().kind());
    image.lowPassSlope = static_cast<std::uint8_t>(lowPass().slope());
    image.threshold = static_cast<std::int16_t>(threshold_);
    image.attack = attack_;
    image.release = release_;
    image.clipLimit = static_cast<std::uint8_t>(clipLimit_);
    image.ratio = static_cast<std::uint8_t>(ratio_);
    image.dynamicsType = static_cast<std::uint8_t>(dynamicsType_);
    image.dynamicsMode = static_cast<std::uint8_t>(dynamicsMode_);
    image.name = nameText();
}

void CAudio_OutData::Serialize(CArchiveWriter& archive) const {
    archive.writeString(nameText());
    archive.writeI32(reservedC_);
    archive.writeU8(nameCode_);
    archive.writeU8(on_);
    archive.writeI32(gain_);
    archive.writeU8(polarity_);
    archive.writeU8(mix_);
    archive.writeU32(static_cast<std::uint32_t>(delay_));
    archive.writeU8(mainCode_);
    archive.writeI32(reservedD_);
    archive.writeI32(threshold_);
    archive.writeU8(attack_);
    archive.writeU8(release_);
    archive.writeI32(clipLimit_);
    archive.writeI32(ratio_);
    archive.writeI32(dynamicsType_);
    archive.writeI32(dynamicsMode_);
    archive.writeU8(dynamicsCode_);
    archive.writeU8(index_);
    filters_.Serialize(archive);
}

bool CAudio_OutData::Serialize(CArchiveReader& archive) {
    std::string name;
    std::int32_t reservedC = 0, gain = 0, reservedD = 0, threshold = 0, clipLimit = 0, ratio = 0;
    std::int32_t dynamicsType = 0, dynamicsMode = 0;
    std::uint8_t nameCode = 0, on = 0, polarity = 0, mix = 0, mainCode = 0, attack = 0;
    std::uint8_t release = 0, dynamicsCode = 0, index = 0;
    std::uint32_t delay = 0;
    const bool ok =
        archive.readString(name) && archive.readI32(reservedC) && archive.readU8(nameCode) &&
        archive.readU8(on) && archive.readI32(gain) && archive.readU8(polarity) &&
        archive.readU8(mix) && archive.readU32(delay) && archive.readU8(mainCode) &&
        archive.readI32(reservedD) && archive.readI32(threshold) && archive.readU8(attack) &&
        archive.readU8(release) && archive.readI32(clipLimit) && archive.readI32(ratio) &&
        archive.readI32(dynamicsType) && archive.readI32(dynamicsMode) &&
        archive.readU8(dynamicsCode) && archive.readU8(index);
    if (!ok)
        return false;
    // Frame codes and channel index are fixed by the record's position in its list; the reading
    // record keeps its own, so a damaged file cannot address another channel.
    name_ = MakeChannelName(name);
    reservedC_ = reservedC;
    on_ = on;
    gain_ = gain;
    polarity_ = polarity;
    mix_ = mix;
    delay_ = static_cast<int>(delay);
    reservedD_ = reservedD;
    threshold_ = threshold;
    attack_ = attack;
    release_ = release;
    clipLimit_ = clipLimit;
    ratio_ = ratio;
    dynamicsType_ = dynamicsType;
    dynamicsMode_ = dynamicsMode;
    return filters_.Serialize(archive);
}

bool CAudio_OutData::isAutoCompressor() const {
    return dynamicsType_ == kDynamicsCompressor && dynamicsMode_ == kModeAuto;
}

std::string CAudio_OutData::gainText() const {
    return ChannelGainText(deviceType_, gain_);
}

std::string CAudio_OutData::polarityText() const {
    return PolarityText(polarity_);
}

std::string CAudio_OutData::delayText() const {
    return DelayText(deviceType_, delay_);
}

std::string CAudio_OutData::stateText() const {
    return ChannelStateText(on_);
}

std::string CAudio_OutData::mixText(int input) const {
    if (input < 0 || input >= kInputCount)
        return {};
    return MixEntryText(((mix_ >> input) & 1) != 0);
}

std::string CAudio_OutData::thresholdText() const {
    return LimiterThresholdText(threshold_);
}

std::string CAudio_OutData::attackText() const {
    return isAutoCompressor() ? std::string() : AttackText(attack_);
}

std::string CAudio_OutData::releaseText() const {
    return isAutoCompressor() ? std::string() : ReleaseText(release_);
}

std::string CAudio_OutData::clipLimitText() const {
    return dynamicsType_ == kDynamicsCompressor ? ClipLimitText(clipLimit_) : std::string();
}

std::string CAudio_OutData::ratioText() const {
    return dynamicsType_ == kDynamicsCompressor ? RatioText(ratio_) : std::string();
}

std::string CAudio_OutData::dynamicsModeText() const {
    return dynamicsType_ == kDynamicsLimit ? std::string() : DynamicsModeText(dynamicsMode_);
}

std::string CAudio_OutData::dynamicsTypeText() const {
    return DynamicsTypeText(dynamicsType_);
}
