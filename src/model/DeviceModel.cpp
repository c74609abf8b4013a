#include "model/DeviceModel.h"

#include <cstddef>

namespace {

// Labels of the largest model's channels; a model shows the first `inputs` and `outputs`.
constexpr std::array<std::string_view, 4> kInputLabels{"Input A", "Input B", "Input C", "Input D"};
constexpr std::array<std::string_view, 8> kOutputLabels{"Out 1", "Out 2", "Out 3", "Out 4",
                                                        "Out 5", "Out 6", "Out 7", "Out 8"};
constexpr std::array<std::string_view, 8> kOutputHeadings{"Out1", "Out2", "Out3", "Out4",
                                                          "Out5", "Out6", "Out7", "Out8"};
constexpr std::array<std::string_view, 4> kSourceRowLabels{"Src CHA", "Src CHB", "Src CHC",
                                                           "Src CHD"};
constexpr std::array<std::string_view, 4> kInputTags{"CHA", "CHB", "CHC", "CHD"};
constexpr std::array<std::string_view, 8> kOutputTags{"CH1", "CH2", "CH3", "CH4",
                                                      "CH5", "CH6", "CH7", "CH8"};

template <std::size_t N>
std::string_view LabelOf(const std::array<std::string_view, N>& labels, int channel, int count) {
    if (channel < 0 || channel >= count || channel >= static_cast<int>(N))
        return {};
    return labels[static_cast<std::size_t>(channel)];
}

} // namespace

std::string_view DeviceModel::InputLabel(int input) const {
    return LabelOf(kInputLabels, input, inputs);
}

std::string_view DeviceModel::OutputLabel(int output) const {
    return LabelOf(kOutputLabels, output, outputs);
}

std::string_view DeviceModel::OutputHeading(int output) const {
    return LabelOf(kOutputHeadings, output, outputs);
}

std::string_view DeviceModel::SourceRowLabel(int input) const {
    return LabelOf(kSourceRowLabels, input, inputs);
}

std::string_view DeviceModel::InputTag(int input) const {
    return LabelOf(kInputTags, input, inputs);
}

std::string_view DeviceModel::OutputTag(int output) const {
    return LabelOf(kOutputTags, output, outputs);
}
