#include "gui/surface/SurfaceLayout.h"

#include <algorithm>

namespace {

const std::vector<std::pair<const char*, int>> kScale4x8Inputs = {
    {"6dB", 6}, {"0dB", 0}, {"-10dB", -10}, {"-20dB", -20}, {"-30dB", -30}, {"-40dB", -40}};
const std::vector<std::pair<const char*, int>> kScale4x8Outputs = {
    {"15dB", 15}, {"0dB", 0}, {"-10dB", -10}, {"-20dB", -20}, {"-30dB", -30}, {"-40dB", -40}};
// The small models share one scale for inputs and outputs: -36 dB to +20 dB.
const std::vector<std::pair<const char*, int>> kScaleSmall = {
    {"20dB", 20},   {"10dB", 10},   {"0dB", 0},    {"-10dB", -10},
    {"-20dB", -20}, {"-30dB", -30}, {"-36dB", -36}};

// The small models' groups: their strips spread over the whole group.
constexpr DluBox k3x6Inputs{3, 198, 229, 243};
constexpr DluBox k3x6Outputs{243, 198, 422, 243};
constexpr DluBox k2x4Inputs{6, 196, 229, 243};
constexpr DluBox k2x4Outputs{246, 196, 422, 243};

const SurfaceLayout kLayouts[] = {
    {
        DeviceModelOf(kDeviceType4x8),
        ID_DEVICE_4X8,
        {38, 86, 134, 182},
        {280, 329, 376, 424, 472, 520, 568, 616},
        {3, 198, 229, 243},
        {243, 198, 422, 243},
        {213, 228, 243, 258, 274, 300, 299, 380, 380, 391, 412},
        {28, 8, 42, 9},
        {71, 5, 45, 11},
        {131, 8, 50, 9},
        {184, 5, 50, 11},
        {237, 8, 66, 9},
        {305, 5, 55, 11},
        {367, 5, 12, 13},
        {383, 5, 50, 11},
        true,
        "******",
        619,
        {37, 56, 75, 94, 113, 132, 151, 170},
        kScale4x8Inputs,
        kScale4x8Outputs,
    },
    {
        DeviceModelOf(kDeviceType3x6),
        ID_DEVICE_3X6,
        SpreadColumns(k3x6Inputs, 38, DeviceModelOf(kDeviceType3x6).inputs),
        SpreadColumns(k3x6Outputs, 280, DeviceModelOf(kDeviceType3x6).outputs),
        k3x6Inputs,
        k3x6Outputs,
        {213, 228, 243, 258, 274, 300, 299, 380, 382, 391, 412},
        {27, 7, 42, 9},
        {72, 6, 45, 11},
        {129, 7, 50, 9},
        {187, 6, 35, 11},
        {},
        {},
        {367, 4, 12, 13},
        {384, 6, 50, 11},
        false,
        "********",
        617,
        {20, 40, 60, 80, 100, 120, 140, 160},
        kScaleSmall,
        kScaleSmall,
    },
    {
        DeviceModelOf(kDeviceType2x4),
        ID_DEVICE_2X4,
        SpreadColumns(k2x4Inputs, 40, DeviceModelOf(kDeviceType2x4).inputs),
        SpreadColumns(k2x4Outputs, 282, DeviceModelOf(kDeviceType2x4).outputs),
        k2x4Inputs,
        k2x4Outputs,
        {211, 227, 243, 258, 274, 299, 297, 379, 380, 389, 411},
        {37, 7, 42, 9},
        {81, 6, 45, 11},
        {139, 7, 50, 9},
        {197, 6, 35, 11},
        {},
        {},
        {377, 5, 12, 13},
        {393, 6, 50, 11},
        false,
        "********",
        617,
        {20, 40, 60, 80, 100, 120, 140, 160},
        kScaleSmall,
        kScaleSmall,
    },
};

} // namespace

std::vector<int> SpreadColumns(const DluBox& group, int first, int count) {
    std::vector<int> columns;
    if (count <= 0)
        return columns;
    const int last = group.x + group.w - kStripRightMargin - kStripWidth;
    for (int i = 0; i < count; ++i) {
        // Rounded to the nearest dialog unit, so the spacing differs by one unit at most.
        const int span = (last - first) * i;
        columns.push_back(count == 1 ? first
                                     : first + (2 * span + (count - 1)) / (2 * (count - 1)));
    }
    return columns;
}

std::vector<bool> VisibleScaleMarks(const std::vector<double>& centres, double textHeight) {
    std::vector<bool> visible(centres.size(), false);
    if (centres.empty())
        return visible;
    visible.front() = true;
    visible.back() = true;
    double lastKept = centres.front();
    for (std::size_t i = 1; i + 1 < centres.size(); ++i) {
        const bool clearsAbove = centres[i] - lastKept >= textHeight;
        const bool clearsBottom = centres.back() - centres[i] >= textHeight;
        if (clearsAbove && clearsBottom) {
            visible[i] = true;
            lastKept = centres[i];
        }
    }
    return visible;
}

std::optional<std::vector<double>> SpreadScaleMarks(const std::vector<double>& centres, double gap,
                                                    double low, double high) {
    std::vector<double> spread = centres;
    if (spread.empty())
        return spread;
    // Upwards from the bottom mark: each label at least a gap above the one below it.
    spread.back() = std::min(spread.back(), high);
    for (std::size_t i = spread.size() - 1; i-- > 0;)
        spread[i] = std::min(spread[i], spread[i + 1] - gap);
    // Then downwards from the top, when the top label went above what is allowed.
    spread.front() = std::max(spread.front(), low);
    for (std::size_t i = 1; i < spread.size(); ++i)
        spread[i] = std::max(spread[i], spread[i - 1] + gap);
    if (spread.back() > high + 1e-9)
        return std::nullopt;
    return spread;
}

const SurfaceLayout& SurfaceLayoutOf(int deviceType) {
    for (const SurfaceLayout& layout : kLayouts) {
        if (layout.model.deviceType == deviceType)
            return layout;
    }
    return kLayouts[0];
}

int DeviceTypeOfCommand(int command) {
    for (const SurfaceLayout& layout : kLayouts) {
        if (layout.command == command)
            return layout.model.deviceType;
    }
    return 0;
}
