#include "model/GraphScales.h"

#include <cmath>
#include <cstdio>

namespace {

// Label text of a group delay: as few digits as the value needs.
std::string Milliseconds(double ms) {
    char text[16];
    std::snprintf(text, sizeof text, "%g", ms);
    return text;
}

} // namespace

double GraphScale::YOf(double value, int h) const {
    if (h <= 0 || top == bottom)
        return 0.0;
    return (top - value) / (top - bottom) * h;
}

GraphScale MagnitudeScale() {
    return {20.0, -40.0, {"+20", "+10", "0dB", "-10", "-20", "-30", "-40"}};
}

GraphScale PhaseScale() {
    return {180.0, -180.0, {"+180", "+120", "+60", "0\u00b0", "-60", "-120", "-180"}};
}

GraphScale GroupDelayScale(double lowestMs, double highestMs) {
    static constexpr double kSteps[] = {0.1, 0.2, 0.5, 1,   2,    5,    10,  20,
                                        50,  100, 200, 500, 1000, 2000, 5000};
    double step = kSteps[std::size(kSteps) - 1];
    for (double s : kSteps) {
        if (highestMs <= 5 * s && lowestMs >= -s) {
            step = s;
            break;
        }
    }
    GraphScale scale{5 * step, -step, {}};
    for (int i = 0; i < 7; ++i)
        scale.labels[static_cast<std::size_t>(i)] =
            i == 5 ? std::string("0ms") : Milliseconds((5 - i) * step);
    return scale;
}

std::vector<std::pair<int, int>> CurveRuns(std::span<const double> values, double wrapJump) {
    std::vector<std::pair<int, int>> runs;
    const int n = static_cast<int>(values.size());
    int first = 0;
    auto close = [&](int end) {
        if (end - first >= 2)
            runs.emplace_back(first, end);
    };
    for (int i = 0; i < n; ++i) {
        const double v = values[static_cast<std::size_t>(i)];
        if (!std::isfinite(v)) {
            close(i);
            first = i + 1;
        } else if (i > first && wrapJump > 0.0 &&
                   std::abs(v - values[static_cast<std::size_t>(i - 1)]) > wrapJump) {
            close(i);
            first = i;
        }
    }
    close(n);
    return runs;
}
