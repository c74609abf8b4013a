#include "model/MeasuredResponse.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Position of `hz` between its two neighbours: the index of the lower one and the fraction of the
// way to the upper one on a logarithmic scale; nothing outside the range.
struct Between {
    std::size_t lower;
    double fraction;
};

std::optional<Between> Locate(const std::vector<double>& frequencies, double hz) {
    if (frequencies.size() < 2 || !(hz >= frequencies.front()) || !(hz <= frequencies.back()))
        return std::nullopt;
    const auto upper = std::lower_bound(frequencies.begin(), frequencies.end(), hz);
    if (upper == frequencies.begin())
        return Between{0, 0.0};
    const auto i = static_cast<std::size_t>(upper - frequencies.begin()) - 1;
    const double span = std::log(frequencies[i + 1] / frequencies[i]);
    return Between{i, std::log(hz / frequencies[i]) / span};
}

std::optional<double> Interpolate(const std::vector<double>& frequencies,
                                  const std::vector<double>& values, double hz) {
    const auto at = Locate(frequencies, hz);
    if (!at || values.size() != frequencies.size())
        return std::nullopt;
    if (at->fraction == 0.0)
        return values[at->lower];
    return values[at->lower] + (values[at->lower + 1] - values[at->lower]) * at->fraction;
}

} // namespace

std::optional<double> MeasuredResponse::LevelAt(double at) const {
    return Interpolate(hz, levelDb, at);
}

std::optional<double> MeasuredResponse::PhaseAt(double at) const {
    return Interpolate(hz, phaseDeg, at);
}

std::optional<std::complex<double>> MeasuredResponse::At(double at) const {
    const auto level = LevelAt(at);
    if (!level)
        return std::nullopt;
    const double phase = HasPhase() ? PhaseAt(at).value_or(0.0) : 0.0;
    return std::polar(std::pow(10.0, *level / 20.0), phase * std::numbers::pi / 180.0);
}

std::vector<double> UnwrapDegrees(const std::vector<double>& degrees) {
    std::vector<double> out(degrees);
    double turns = 0.0;
    for (std::size_t i = 1; i < out.size(); ++i) {
        const double step = degrees[i] - degrees[i - 1];
        turns -= std::round(step / 360.0);
        out[i] = degrees[i] + turns * 360.0;
    }
    return out;
}

double WrapDegrees(double degrees) {
    const double wrapped = std::fmod(degrees + 180.0, 360.0);
    return (wrapped < 0.0 ? wrapped + 360.0 : wrapped) - 180.0;
}
