#include "gui/widgets/ControlMath.h"

#include <algorithm>
#include <cmath>

namespace controlmath {

namespace {

// log(3000) / log(k) comes out a hair below 240 in binary arithmetic; without this margin the
// exact powers of k (30000 Hz above all) would land one step low.
constexpr double kStepMargin = 1e-9;

} // namespace

double FrequencyBase() {
    static const double k = std::pow(3000.0, 1.0 / kFrequencySteps);
    return k;
}

int FrequencyStepsOf(int hz) {
    const int tens = hz / 10; // integer division, as the editors always placed their knobs
    if (tens <= 1) {
        return 0; // log of 1 is 0; below 10 Hz there is nothing lower to show
    }
    return static_cast<int>(std::log(static_cast<double>(tens)) / std::log(FrequencyBase()) +
                            kStepMargin);
}

int FrequencyOfSteps(int steps) {
    return static_cast<int>(std::pow(FrequencyBase(), steps) * 10.0);
}

int SliderPositionOfFrequency(int hz, int min, int max) {
    return std::clamp(max - FrequencyStepsOf(hz), min, std::max(min, max));
}

int SliderFrequencyOfPosition(int position, int max) {
    return FrequencyOfSteps(max - position);
}

int SliderPositionOfOffset(double offset, double travel, int min, int max) {
    if (travel <= 0.0 || max <= min) {
        return min;
    }
    const double p = min + offset / travel * (max - min);
    return std::clamp(static_cast<int>(std::lround(p)), min, max);
}

double SliderOffsetOfPosition(int position, double travel, int min, int max) {
    if (max <= min) {
        return 0.0;
    }
    return static_cast<double>(std::clamp(position, min, max) - min) * travel / (max - min);
}

double KnobSweepOfAngle(double angle) {
    double sweep = 0.0;
    if (angle >= 240.0 && angle <= 360.0) {
        sweep = angle - kKnobStartAngle;
    } else if (angle >= 0.0 && angle <= 120.0) {
        sweep = angle + kKnobEndAngle;
    } else {
        // The gap at the bottom: the pointer is nearer the end it last passed.
        sweep = angle < 180.0 ? kKnobSweep : 0.0;
    }
    return std::clamp(sweep, 0.0, kKnobSweep);
}

double KnobAngleOfValue(int value, int min, int max) {
    if (max <= min) {
        return kKnobStartAngle;
    }
    const int v = std::clamp(value, min, max);
    const double sweep = static_cast<double>(v - min) * kKnobSweep / (max - min);
    // Above the middle the pointer has passed 12 o'clock: subtract 115 instead of adding 245.
    const bool upperHalf = 2 * static_cast<long long>(v) > static_cast<long long>(min) + max;
    const double angle = upperHalf ? sweep - kKnobEndAngle : sweep + kKnobStartAngle;
    return angle >= 360.0 ? angle - 360.0 : angle;
}

int KnobDragValue(int startValue, double pixelsUp, int min, int max, bool fine) {
    if (max <= min) {
        return min;
    }
    const double pixels = kKnobDragPixels * (fine ? kKnobFineFactor : 1.0);
    const double moved = pixelsUp * (max - min) / pixels;
    return static_cast<int>(std::clamp(std::lround(startValue + moved), static_cast<long>(min),
                                       static_cast<long>(max)));
}

int PageStep(int min, int max, KeySteps steps) {
    const int tenth = std::max(1, (max - min) / 10);
    return steps.pageLimit > 0 ? std::min(tenth, steps.pageLimit) : tenth;
}

bool KeyMoves(StepKey key, KeySteps steps) {
    return steps.jumpsToEnds || (key != StepKey::Home && key != StepKey::End);
}

int KeyStepTarget(StepKey key, int value, int min, int max, UpMeans up, KeySteps steps) {
    if (!KeyMoves(key, steps))
        return value;
    const int upward = up == UpMeans::Higher ? 1 : -1;
    const int page = PageStep(min, max, steps);
    int target = value;
    switch (key) {
    case StepKey::Up:
        target = value + upward;
        break;
    case StepKey::Down:
        target = value - upward;
        break;
    case StepKey::Left:
        target = value - 1;
        break;
    case StepKey::Right:
        target = value + 1;
        break;
    case StepKey::PageUp:
        target = value + upward * page;
        break;
    case StepKey::PageDown:
        target = value - upward * page;
        break;
    case StepKey::Home:
        target = min;
        break;
    case StepKey::End:
        target = max;
        break;
    }
    return std::clamp(target, min, std::max(min, max));
}

int WheelStepTarget(int notches, int value, int min, int max, UpMeans up) {
    const int upward = up == UpMeans::Higher ? 1 : -1;
    return std::clamp(value + upward * notches, min, std::max(min, max));
}

int HeldSpinStep(int repeat, int min, int max) {
    constexpr double kGrowth = 1.35;         // each repeat's step is a third larger
    constexpr int kRangeFractionSteps = 100; // the largest step: a hundredth of the range
    const int largest = std::max(1, (max - min) / kRangeFractionSteps);
    if (repeat <= 1) {
        return 1;
    }
    const double step = std::pow(kGrowth, std::min(repeat - 1, 200));
    return static_cast<int>(std::clamp<double>(std::round(step), 1.0, largest));
}

} // namespace controlmath
