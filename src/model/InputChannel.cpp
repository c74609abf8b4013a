#include "model/InputChannel.h"

#include "model/ParameterScales.h"

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

std::string InputChannel::gateText() const {
    return GateText(gateThreshold_, gateOff_ != 0);
}
