#include "model/Filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/ProgramImage.h"
#include "model/UnitFilterDesign.h"

namespace {

std::string FormatDouble(const char* format, double value) {
    if (!std::isfinite(value)) {
        return {};
    }
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    return n > 0 && n < static_cast<int>(sizeof buffer) ? std::string(buffer, n) : std::string();
}

} // namespace

void Filter::recompute() {
    // A type no filter has keeps the response it had.
    if (const std::optional<BiquadCascade> design = UnitFilterDesign::Of(*this)) {
        FilterResponse::OnGrid(*design, response_);
    }
}

void Filter::setParameterChanged() {
    recompute();
    changed_ = 1;
}

void Filter::setFrequency(int hz) {
    frequency_ = hz;
    setParameterChanged();
}

void Filter::setGainIndex(int index) {
    gain_ = index * 0.1 - 30.0;
    off_ = gain_ == 0.0 ? 1 : 0;
    setParameterChanged();
}

void Filter::setBandwidthIndex(int index) {
    bandwidth_ = 0.05 + DeviceModelOf(deviceType_).bandwidthStep * index;
    setParameterChanged();
}

void Filter::setOff(int off) {
    off_ = off;
    setParameterChanged();
}

void Filter::setSlope(int slope) {
    slope_ = slope;
    setParameterChanged();
}

void Filter::setKind(int kind) {
    kind_ = kind;
    setParameterChanged();
}

void Filter::setType(int type) {
    type_ = type;
    if (type == kLowPass) {
        sentFrequency_ = kMaxFrequencyHz;
    }
    setParameterChanged();
}

void Filter::settle(int value) {
    if (isBand_ != 0 || sentFrequency_ == frequency_) {
        changed_ = value;
        return;
    }
    changed_ = 1;
    if (sentFrequency_ <= 0 || frequency_ <= 0) {
        // No octave steps exist from or to a frequency that is not positive (only a damaged file
        // holds one): go straight to the target rather than divide by zero or never arrive.
        sentFrequency_ = frequency_;
    } else if (frequency_ / sentFrequency_ >= 2) {
        sentFrequency_ *= 2;
    } else if (static_cast<double>(frequency_) / sentFrequency_ > 0.5) {
        sentFrequency_ = frequency_;
    } else {
        sentFrequency_ /= 2;
    }
}

void Filter::copyFrom(const Filter& other) {
    type_ = other.type_;
    frequency_ = other.frequency_;
    gain_ = other.gain_;
    off_ = other.off_;
    bandwidth_ = other.bandwidth_;
    kind_ = other.kind_;
    slope_ = other.slope_;
    sentFrequency_ = other.frequency_;
    recompute();
}

void Filter::loadBandImage(const BandImage& band) {
    type_ = band.type;
    frequency_ = band.frequency;
    // The slope is taken before the setters recompute, so a shelf's curve uses the stored slope.
    slope_ = band.slope;
    setGainIndex(band.gain);
    setBandwidthIndex(band.bandwidth);
}

void Filter::loadCrossoverImage(const InputImage& input) {
    if (type_ == kHighPass) {
        kind_ = input.highPassKind;
        frequency_ = input.highPassFrequency;
        slope_ = input.highPassSlope;
    } else if (type_ == kLowPass) {
        kind_ = input.lowPassKind;
        frequency_ = input.lowPassFrequency;
        slope_ = input.lowPassSlope;
    } else {
        return;
    }
    recompute();
}

void Filter::loadCrossoverImage(const OutputImage& output) {
    if (type_ == kHighPass) {
        kind_ = output.highPassKind;
        frequency_ = output.highPassFrequency;
        slope_ = output.highPassSlope;
    } else if (type_ == kLowPass) {
        kind_ = output.lowPassKind;
        frequency_ = output.lowPassFrequency;
        slope_ = output.lowPassSlope;
    } else {
        return;
    }
    recompute();
}

FilterSettings Filter::settings() const {
    return {type_, frequency_, sentFrequency_, gain_, off_, bandwidth_, kind_, slope_, code_};
}

void Filter::restoreSettings(const FilterSettings& settings) {
    type_ = settings.type;
    frequency_ = settings.frequency;
    sentFrequency_ = settings.sentFrequency;
    gain_ = settings.gain;
    off_ = settings.off;
    bandwidth_ = settings.bandwidth;
    kind_ = settings.kind;
    slope_ = settings.slope;
    code_ = settings.code;
    recompute();
}

int Filter::bandwidthIndex() const {
    return BandwidthIndexFromOctaves(deviceType_, bandwidth_).value_or(0);
}

int Filter::gainIndex() const {
    if (!std::isfinite(gain_)) {
        return kEqGainZeroIndex;
    }
    const double steps = std::clamp((gain_ + 30.0) * 100.0 / 10.0 + 0.5, -1e9, 1e9);
    return static_cast<int>(std::trunc(steps));
}

std::string Filter::typeText() const {
    return BandTypeText(type_, slope_);
}

std::string Filter::frequencyText() const {
    return FrequencyText(frequency_);
}

std::string Filter::gainText() const {
    return off_ != 0 ? std::string("0.0") : FormatDouble("%0.1f", gain_);
}

std::string Filter::bandwidthText() const {
    return FormatDouble("%0.2f", bandwidth_);
}

std::string Filter::qText() const {
    return QText(deviceType_, bandwidthIndex());
}

std::string Filter::kindText() const {
    return CrossoverKindText(kind_);
}

std::string Filter::shelfSlopeText() const {
    return ShelfSlopeText(slope_);
}

std::string Filter::crossoverSlopeText() const {
    return CrossoverSlopeText(slope_);
}
