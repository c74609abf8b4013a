#include "model/ProgramContainer.h"

#include <algorithm>

#include "model/ChannelFields.h"
#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/ProgramImage.h"

namespace {

const std::string kNoLine;

} // namespace

ProgramContainer::ProgramContainer() = default;

void ProgramContainer::setGlobalFrequency(int hz) {
    globalFrequency_ = std::clamp(hz, kMinGlobalFrequency, kMaxGlobalFrequency);
}

const std::string& ProgramContainer::lineSetA(int line) const {
    if (line < 0 || line >= kTextLines)
        return kNoLine;
    return lineSetA_[static_cast<std::size_t>(line)];
}

void ProgramContainer::setLineSetA(int line, std::string_view text) {
    if (line >= 0 && line < kTextLines)
        lineSetA_[static_cast<std::size_t>(line)] = text;
}

const std::string& ProgramContainer::lineSetB(int line) const {
    if (line < 0 || line >= kTextLines)
        return kNoLine;
    return lineSetB_[static_cast<std::size_t>(line)];
}

void ProgramContainer::setLineSetB(int line, std::string_view text) {
    if (line >= 0 && line < kTextLines)
        lineSetB_[static_cast<std::size_t>(line)] = text;
}

std::string ProgramContainer::inputSourceText() const {
    return InputSourceText(inputSource_);
}

std::string ProgramContainer::backlightText() const {
    return BacklightText(deviceType_, backlight_);
}

std::string ProgramContainer::temperatureText() const {
    return TemperatureText(temperature_);
}

void ProgramContainer::setDeviceType(int type) {
    deviceType_ = type;
    if (const DeviceModel* model = FindDeviceModel(type)) {
        // The channels past the model's own are absent: hidden and drawn by no other channel's
        // overlay. (The 4x8 has them all.)
        auto hideAbsent = [&](auto& record) {
            for (int i = model->inputs; i < kInputCount; ++i)
                record.setOverlayInput(i, 0);
            for (int o = model->outputs; o < kOutputCount; ++o)
                record.setOverlayOutput(o, 0);
        };
        for (InputChannel& in : inputs_)
            hideAbsent(in);
        for (OutputChannel& out : outputs_)
            hideAbsent(out);
        for (int i = model->inputs; i < kInputCount; ++i)
            inputs_[i].setPresent(0);
        for (int o = model->outputs; o < kOutputCount; ++o)
            outputs_[o].setPresent(0);
    }
    auto adopt = [type](auto& record) {
        record.setDeviceType(type);
        for (int f = 0; f < record.filterCount(); ++f)
            record.filter(f).setDeviceType(type);
    };
    for (InputChannel& in : inputs_)
        adopt(in);
    for (OutputChannel& out : outputs_)
        adopt(out);
}

void ProgramContainer::setGraphRect(const GraphRect& plot) {
    graphHeight_ = plot.height();
    graphWidth_ = plot.width();
    for (InputChannel& in : inputs_)
        in.setGraphRect(plot);
    for (OutputChannel& out : outputs_)
        out.setGraphRect(plot);
}

void ProgramContainer::clearChangeFlags() {
    for (InputChannel& in : inputs_) {
        in.setNameChanged(0);
        in.setMainChanged(0);
        in.setGateChanged(0);
        for (int f = 0; f < in.filterCount(); ++f)
            in.filter(f).settle(0);
    }
    for (OutputChannel& out : outputs_) {
        out.setNameChanged(0);
        out.setMainChanged(0);
        out.setDynamicsChanged(0);
        for (int f = 0; f < out.filterCount(); ++f)
            out.filter(f).settle(0);
    }
}

bool ProgramContainer::hasPendingChanges() const {
    auto filtersChanged = [](const Channel& channel) {
        for (int f = 0; f < channel.filterCount(); ++f)
            if (channel.filter(f).changed())
                return true;
        return false;
    };
    for (const InputChannel& in : inputs_)
        if (in.nameChanged() || in.mainChanged() || in.gateChanged() || filtersChanged(in))
            return true;
    for (const OutputChannel& out : outputs_)
        if (out.nameChanged() || out.mainChanged() || out.dynamicsChanged() || filtersChanged(out))
            return true;
    return false;
}

void ProgramContainer::loadProgramImage(const ProgramImage& image) {
    programName_ = image.name;
    for (int i = 0; i < kInputCount; ++i)
        LoadChannelImage(inputs_[i], image.inputs[static_cast<std::size_t>(i)]);
    for (int o = 0; o < kOutputCount; ++o)
        LoadChannelImage(outputs_[o], image.outputs[static_cast<std::size_t>(o)]);
}

void ProgramContainer::fillProgramImage(ProgramImage& image) const {
    image.name = programName_;
    for (int i = 0; i < kInputCount; ++i)
        FillChannelImage(inputs_[i], image.inputs[static_cast<std::size_t>(i)]);
    for (int o = 0; o < kOutputCount; ++o)
        FillChannelImage(outputs_[o], image.outputs[static_cast<std::size_t>(o)]);
}

void ProgramContainer::copyProgramFrom(const ProgramContainer& other) {
    programName_ = other.programName_;
    for (int i = 0; i < kInputCount; ++i) {
        inputs_[i].copyFrom(other.inputs_[i]);
        inputs_[i].recomputeCurve();
    }
    for (int o = 0; o < kOutputCount; ++o) {
        outputs_[o].copyFrom(other.outputs_[o]);
        outputs_[o].recomputeCurve();
    }
}
