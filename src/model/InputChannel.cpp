#include "model/InputChannel.h"

#include "files/ByteStream.h"
#include "model/ParameterScales.h"
#include "model/ProgramImage.h"

InputChannel::InputChannel()
    : Channel(kBandCount, /*drawsCrossovers=*/false, kNameCode, kMainCode) {}

void InputChannel::setReservedA(int value) {
    reservedA_ = static_cast<std::uint8_t>(value);
    setMainChanged(1);
}

void InputChannel::setGateThreshold(int index) {
    gateThreshold_ = static_cast<std::uint8_t>(index);
    gateChanged_ = 1;
}

void InputChannel::setGateOff(int off) {
    gateOff_ = static_cast<std::uint8_t>(off);
    gateChanged_ = 1;
}

void InputChannel::copyFrom(const InputChannel& other) {
    copyChannelFrom(other);
    reservedA_ = other.reservedA_;
    reservedB_ = other.reservedB_;
    gateThreshold_ = other.gateThreshold_;
    gateOff_ = other.gateOff_;
}

void InputChannel::loadImage(const InputImage& image) {
    loadChannelImage(image);
    reservedA_ = image.reservedA;
    reservedB_ = image.reservedB;
    gateThreshold_ = image.gateThreshold;
    gateOff_ = image.gateOff;
}

void InputChannel::fillImage(InputImage& image) const {
    fillChannelImage(image);
    image.reservedA = reservedA_;
    image.reservedB = static_cast<std::uint8_t>(reservedB_);
    image.gateThreshold = gateThreshold_;
    image.gateOff = gateOff_;
}

void InputChannel::Serialize(ByteWriter& archive) const {
    archive.writeString(nameText());
    archive.writeU8(on_);
    archive.writeU8(polarity_);
    archive.writeU32(static_cast<std::uint32_t>(delay_));
    archive.writeI32(gain_);
    archive.writeU8(reservedA_);
    archive.writeU32(static_cast<std::uint32_t>(reservedB_));
    archive.writeU8(gateThreshold_);
    archive.writeU8(gateOff_);
    archive.writeU8(mainCode());
    archive.writeU8(index());
    filters_.Serialize(archive);
}

bool InputChannel::Serialize(ByteReader& archive) {
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

std::string InputChannel::gateText() const {
    return GateText(gateThreshold_, gateOff_ != 0);
}
