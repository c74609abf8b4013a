#include "model/OutputChannel.h"

#include "model/ParameterScales.h"

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
