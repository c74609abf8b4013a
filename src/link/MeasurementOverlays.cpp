#include "link/MeasurementOverlays.h"

#include "files/MeasurementFile.h"
#include "model/ParameterRegistry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <utility>

namespace {

constexpr double kNothing = std::numeric_limits<double>::quiet_NaN();
// The band whose mean level the display offset brings to 0 dB.
constexpr double kMeanFromHz = 20.0;
constexpr double kMeanToHz = 20000.0;

MeasurementOverlays::GridValues Nothing() {
    MeasurementOverlays::GridValues values;
    values.fill(kNothing);
    return values;
}

} // namespace

bool MeasurementOverlays::Load(ChannelId channel, const std::string& path, std::string& error) {
    MeasuredResponse measurement;
    if (!ReadMeasurementFile(path, measurement, error))
        return false;
    Set(channel, path, std::move(measurement));
    return true;
}

void MeasurementOverlays::Set(ChannelId channel, const std::string& path,
                              MeasuredResponse measurement) {
    Overlay overlay{channel, path, std::move(measurement), true, Nothing(), Nothing()};
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < grid.size(); ++i) {
        overlay.levelDb[i] = overlay.measurement.LevelAt(grid[i]).value_or(kNothing);
        if (overlay.measurement.HasPhase()) {
            if (const auto phase = overlay.measurement.PhaseAt(grid[i]))
                overlay.phaseDeg[i] = WrapDegrees(*phase);
        }
    }
    if (Overlay* old = Find(channel))
        *old = std::move(overlay);
    else
        overlays_.push_back(std::move(overlay));
    UpdateDisplayOffset();
}

void MeasurementOverlays::Clear(ChannelId channel) {
    std::erase_if(overlays_, [&](const Overlay& o) { return o.channel == channel; });
    UpdateDisplayOffset();
}

void MeasurementOverlays::ClearAll() {
    overlays_.clear();
    sumOutputs_.clear();
    UpdateDisplayOffset();
}

void MeasurementOverlays::SetShown(ChannelId channel, bool shown) {
    if (Overlay* overlay = Find(channel))
        overlay->shown = shown;
}

const MeasurementOverlays::Overlay* MeasurementOverlays::Of(ChannelId channel) const {
    const auto it = std::find_if(overlays_.begin(), overlays_.end(),
                                 [&](const Overlay& o) { return o.channel == channel; });
    return it != overlays_.end() ? &*it : nullptr;
}

MeasurementOverlays::Overlay* MeasurementOverlays::Find(ChannelId channel) {
    return const_cast<Overlay*>(std::as_const(*this).Of(channel));
}

void MeasurementOverlays::UpdateDisplayOffset() {
    const auto& grid = FrequencyGrid();
    double total = 0.0;
    int count = 0;
    for (const Overlay& overlay : overlays_) {
        for (std::size_t i = 0; i < grid.size(); ++i) {
            if (grid[i] >= kMeanFromHz && grid[i] <= kMeanToHz &&
                std::isfinite(overlay.levelDb[i])) {
                total += overlay.levelDb[i];
                ++count;
            }
        }
    }
    // Whole decibels, so the offset reads plainly.
    displayOffsetDb_ = count > 0 ? -std::round(total / count) : 0.0;
}

MeasurementOverlays::GridValues
MeasurementOverlays::PredictedLevels(const Overlay& overlay, const GridValues& channelLevelsDb) {
    GridValues predicted;
    for (std::size_t i = 0; i < predicted.size(); ++i)
        predicted[i] = overlay.levelDb[i] + channelLevelsDb[i]; // NaN stays NaN
    return predicted;
}

MeasurementOverlays::GridValues MeasurementOverlays::PredictedPhase(const Overlay& overlay,
                                                                    const ResponseCurves& channel) {
    GridValues predicted = Nothing();
    if (channel.phaseDeg.size() != predicted.size())
        return predicted;
    for (std::size_t i = 0; i < predicted.size(); ++i) {
        if (std::isfinite(overlay.phaseDeg[i]))
            predicted[i] = WrapDegrees(overlay.phaseDeg[i] + channel.phaseDeg[i]);
    }
    return predicted;
}

void MeasurementOverlays::SetInSum(int output, bool in) {
    const auto at = std::lower_bound(sumOutputs_.begin(), sumOutputs_.end(), output);
    const bool there = at != sumOutputs_.end() && *at == output;
    if (in && !there)
        sumOutputs_.insert(at, output);
    else if (!in && there)
        sumOutputs_.erase(at);
}

bool MeasurementOverlays::InSum(int output) const {
    return std::binary_search(sumOutputs_.begin(), sumOutputs_.end(), output);
}

MeasurementOverlays::Sum
MeasurementOverlays::PredictedSumOf(const ProgramContainer& program) const {
    Sum sum{!sumOutputs_.empty(), Nothing(), Nothing(), {}};
    if (!sum.chosen)
        return sum;
    std::vector<SummedOutput> outputs;
    for (int output : sumOutputs_) {
        const ChannelId id{true, output};
        const Overlay* overlay = Of(id);
        outputs.push_back({id, overlay != nullptr ? &overlay->measurement : nullptr});
    }
    const auto& grid = FrequencyGrid();
    const ResponseCurves curves = PredictedSum(program, outputs, grid, sum.reason);
    // The sum leaves out the frequencies some measurement does not cover; the rest are grid
    // frequencies in order.
    std::size_t j = 0;
    for (std::size_t i = 0; i < grid.size() && j < curves.hz.size(); ++i) {
        if (curves.hz[j] == grid[i]) {
            sum.levelDb[i] = curves.levelDb[j];
            sum.phaseDeg[i] = curves.phaseDeg[j];
            ++j;
        }
    }
    return sum;
}

std::vector<std::string> MeasurementOverlays::Remembered() const {
    std::vector<std::string> lines;
    for (const Overlay& overlay : overlays_)
        lines.push_back(ParameterRegistry::ChannelName(overlay.channel) +
                        (overlay.shown ? " shown " : " hidden ") + overlay.path);
    if (!sumOutputs_.empty()) {
        std::string line = "sum";
        for (int output : sumOutputs_)
            line += ' ' + std::to_string(output + 1);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> MeasurementOverlays::Restore(const std::vector<std::string>& lines,
                                                      const DeviceModel& model) {
    overlays_.clear();
    sumOutputs_.clear();
    std::vector<std::string> problems;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "sum") {
            int number = 0;
            while (words >> number) {
                if (number >= 1 && number <= model.outputs)
                    SetInSum(number - 1, true);
            }
            continue;
        }
        std::string state;
        words >> state;
        std::string path;
        std::getline(words >> std::ws, path);
        std::string error;
        const auto channel = ParameterRegistry::FindChannel(model, first, error);
        if (!channel || (state != "shown" && state != "hidden") || path.empty())
            continue;
        if (!Load(*channel, path, error)) {
            problems.push_back(first + ": " + error);
            continue;
        }
        SetShown(*channel, state == "shown");
    }
    UpdateDisplayOffset();
    return problems;
}
