#include "model/OutputChannel.h"

#include "files/ByteStream.h"
#include "model/ParameterScales.h"
#include "model/ProgramImage.h"

OutputChannel::OutputChannel()
    : Channel(kBandCount, /*drawsCrossovers=*/true, kNameCode, kMainCode) {}

void OutputChannel::setMix(int mix) {
    mix_ = static_cast<std::uint8_t>(mix);
    setMainChanged(1);
}

void OutputChannel::setThreshold(int index) {
    threshold_ = index;
    dynamicsChanged_ = 1;
}

void OutputChannel::setAttack(int index) {
    attack_ = static_cast<std::uint8_t>(index);
    dynamicsChanged_ = 1;
}

void OutputChannel::setRelease(int index) {
    release_ = static_cast<std::uint8_t>(index);
    dynamicsChanged_ = 1;
}

void OutputChannel::setClipLimit(int index) {
    clipLimit_ = index;
    dynamicsChanged_ = 1;
}

void OutputChannel::setRatio(int index) {
    ratio_ = index;
    dynamicsChanged_ = 1;
}

void OutputChannel::setDynamicsType(int type) {
    dynamicsType_ = type;
    dynamicsChanged_ = 1;
}

void OutputChannel::setDynamicsMode(int mode) {
    dynamicsMode_ = mode;
    dynamicsChanged_ = 1;
}

int OutputChannel::autoAttack() const {
    return AutoAttackIndex(highPass().frequency());
}

int OutputChannel::wireAttack() const {
    return dynamicsMode_ == kModeAuto ? autoAttack() : attack_;
}

int OutputChannel::wireRelease() const {
    return dynamicsMode_ == kModeAuto ? autoRelease() : release_;
}

void OutputChannel::copyFrom(const OutputChannel& other) {
    copyChannelFrom(other);
    reservedC_ = other.reservedC_;
    mix_ = other.mix_;
    threshold_ = other.threshold_;
    attack_ = other.attack_;
    release_ = other.release_;
    clipLimit_ = other.clipLimit_;
    ratio_ = other.ratio_;
    dynamicsType_ = other.dynamicsType_;
    dynamicsMode_ = other.dynamicsMode_;
}

void OutputChannel::loadImage(const OutputImage& image) {
    loadChannelImage(image);
    mix_ = image.mix;
    threshold_ = image.threshold;
    attack_ = image.attack;
    release_ = image.release;
    clipLimit_ = image.clipLimit;
    ratio_ = image.ratio;
    dynamicsType_ = image.dynamicsType;
    dynamicsMode_ = image.dynamicsMode;
}

void OutputChannel::fillImage(OutputImage& image) const {
    fillChannelImage(image);
    image.mix = mix_;
    image.reserved = 0;
    image.threshold = static_cast<std::int16_t>(threshold_);
    image.attack = attack_;
    image.release = release_;
    image.clipLimit = static_cast<std::uint8_t>(clipLimit_);
    image.ratio = static_cast<std::uint8_t>(ratio_);
    image.dynamicsType = static_cast<std::uint8_t>(dynamicsType_);
    image.dynamicsMode = static_cast<std::uint8_t>(dynamicsMode_);
}

void OutputChannel::Serialize(ByteWriter& archive) const {
    archive.writeString(nameText());
    archive.writeI32(reservedC_);
    archive.writeU8(nameCode());
    archive.writeU8(on_);
    archive.writeI32(gain_);
    archive.writeU8(polarity_);
    archive.writeU8(mix_);
    archive.writeU32(static_cast<std::uint32_t>(delay_));
    archive.writeU8(mainCode());
    archive.writeI32(reservedD_);
    archive.writeI32(threshold_);
    archive.writeU8(attack_);
    archive.writeU8(release_);
    archive.writeI32(clipLimit_);
    archive.writeI32(ratio_);
    archive.writeI32(dynamicsType_);
    archive.writeI32(dynamicsMode_);
    archive.writeU8(dynamicsCode_);
    archive.writeU8(index());
    filters_.Serialize(archive);
}

bool OutputChannel::Serialize(ByteReader& archive) {
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

bool OutputChannel::isAutoCompressor() const {
    return dynamicsType_ == kDynamicsCompressor && dynamicsMode_ == kModeAuto;
}

std::string OutputChannel::mixText(int input) const {
    if (input < 0 || input >= kInputCount)
        return {};
    return MixEntryText(((mix_ >> input) & 1) != 0);
}

std::string OutputChannel::thresholdText() const {
    return LimiterThresholdText(threshold_);
}

std::string OutputChannel::attackText() const {
    return isAutoCompressor() ? std::string() : AttackText(attack_);
}

std::string OutputChannel::releaseText() const {
    return isAutoCompressor() ? std::string() : ReleaseText(release_);
}

std::string OutputChannel::clipLimitText() const {
    return dynamicsType_ == kDynamicsCompressor ? ClipLimitText(clipLimit_) : std::string();
}

std::string OutputChannel::ratioText() const {
    return dynamicsType_ == kDynamicsCompressor ? RatioText(ratio_) : std::string();
}

std::string OutputChannel::dynamicsModeText() const {
    return dynamicsType_ == kDynamicsLimit ? std::string() : DynamicsModeText(dynamicsMode_);
}

std::string OutputChannel::dynamicsTypeText() const {
    return DynamicsTypeText(dynamicsType_);
}
