#include "model/GraphGeometry.h"

#include <algorithm>
#include <cmath>

namespace GraphGeometry {

namespace {

// std::clamp with a guard for a degenerate plot, where the upper limit may fall below the lower.
int Limit(int v, int lo, int hi) {
    return std::max(lo, std::min(v, hi));
}

constexpr double kMaxBandwidthOctaves = 3.0;
constexpr double kMinBandwidthOctaves = 0.05;
constexpr double kMaxBandGainDb = 15.0;
constexpr double kMinBandGainDb = -30.0;

} // namespace

GraphRect PlotRect(const GraphRect& client) {
    return {client.left + kMarginLeft, client.top + kMarginTop, client.right - kMarginRight,
            client.bottom - kMarginBottom};
}

const std::array<int, kGridLines>& GridFrequencies() {
    static const std::array<int, kGridLines> table = [] {
        std::array<int, kGridLines> t{};
        std::size_t n = 0;
        for (int decade = 10; decade <= 1000; decade *= 10) {
            for (int step = 1; step <= 9; ++step)
                t[n++] = step * decade;
        }
        t[n++] = 10000;
        t[n++] = 20000;
        t[n++] = 30000;
        return t;
    }();
    return table;
}

std::array<int, kGridLines> GridX(int w) {
    std::array<int, kGridLines> x{};
    const auto& hz = GridFrequencies();
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = GraphXOfFrequency(hz[i], w) + kGraphOffsetX;
    return x;
}

std::array<int, kLevelLines> LevelLineY(const GraphRect& plot) {
    std::array<int, kLevelLines> y{};
    const double step = plot.height() / 12.0;
    for (int r = 1; r <= kLevelLines; ++r)
        y[static_cast<std::size_t>(r - 1)] = plot.top + static_cast<int>(std::trunc(step * r));
    return y;
}

std::array<Label, 7> LevelLabels(int h) {
    // The offsets centre each text on its grid line at the unit's usual plot height.
    const int d = h / 12;
    return {{
        {"+20", 6, 5},
        {"+10", 6, d * 2 + 3},
        {"0dB", 6, d * 4 + 3},
        {"-10", 6, d * 6 + 5},
        {"-20", 6, d * 8 + 9},
        {"-30", 6, d * 10 + 9},
        {"-40", 6, h},
    }};
}

std::array<Label, 12> FrequencyLabels(const GraphRect& plot) {
    // Positions are tuned for the view's plot width (about 890 px); they follow the width in
    // thirds, so other widths shift them only roughly along with the grid.
    const int w = plot.width();
    const int third = w / 3;
    const int y = plot.bottom;
    return {{
        {"10", 30, y},
        {"20", third - 186, y},
        {"50", third - 85, y},
        {"100", third - 18, y},
        {"200", third * 2 - 230, y},
        {"500", third * 2 - 132, y},
        {"1K", third * 2 - 51, y},
        {"2K", third * 2 + 22, y},
        {"5K", w - 165, y},
        {"10K", w - 98, y},
        {"20K", w - 23, y},
        {"30K", w + 15, y},
    }};
}

Align BandLabelAlign(const GraphRect& bandHandle, int frequency, int w) {
    if (bandHandle.right >= w + kGraphOffsetX)
        return Align::Left;
    if (frequency <= kMinFrequencyHz)
        return Align::Right;
    return Align::Centre;
}

Align CrossoverLabelAlign(int frequency) {
    if (frequency <= kMinFrequencyHz)
        return Align::Right;
    if (frequency >= 28000)
        return Align::Left;
    return Align::Centre;
}

int FrequencyOfPlotX(int x, int w) {
    if (w > 0 && x == w)
        return kMaxFrequencyHz;
    return GraphFrequencyOfX(x, w);
}

BandTarget BandDragTarget(const Filter& band, GraphPoint pointer, int w, int h) {
    if (w <= 0 || h <= 0)
        return {band.frequency(), band.gainIndex()};
    const GraphPoint offset = band.dragOffset();
    const int x = Limit(pointer.x - offset.x - kGraphOffsetX, 0, w);
    const int y = Limit(pointer.y - offset.y - kGraphOffsetY, h / 11, h * 5 / 6);
    int hz = ClampFrequency(FrequencyOfPlotX(x, w));
    if (band.type() == Filter::kLowShelf)
        hz = std::min(hz, kLowShelfDragMaxHz);
    const double dB = std::clamp(GraphLevelOfY(y, h), kMinBandGainDb, kMaxBandGainDb);
    return {hz, EqGainIndexFromDb(dB)};
}

bool BandDragStep(Filter& band, GraphPoint pointer, int w, int h) {
    const BandTarget t = BandDragTarget(band, pointer, w, h);
    // A band switched off in its editor keeps its stored gain; dragging it switches it on even
    // when the gain index happens to be the stored one.
    const int targetOff = t.gainIndex == kEqGainZeroIndex ? 1 : 0;
    if (t.frequency == band.frequency() && t.gainIndex == band.gainIndex() &&
        targetOff == (band.off() != 0 ? 1 : 0))
        return false;
    band.setFrequency(t.frequency);
    band.setGainIndex(t.gainIndex);
    return true;
}

double BandwidthOctavesAt(int pointerX, int bandFrequency, bool upperEdge, int w) {
    const double f = FrequencyOfPlotX(pointerX - kGraphOffsetX, w);
    const double F = bandFrequency;
    // A pointer left of 10 Hz can give 0 Hz; log2 then yields +-infinity, which the limits take.
    double octaves = upperEdge ? std::log2(f / F) : std::log2(F / f);
    if (std::isnan(octaves))
        octaves = kMinBandwidthOctaves;
    return std::clamp(octaves, kMinBandwidthOctaves, kMaxBandwidthOctaves);
}

bool BandwidthDragStep(Filter& band, int pointerX, bool upperEdge, int w) {
    if (band.type() != Filter::kPeq || w <= 0)
        return false; // shelves have no bandwidth edges
    const auto index = BandwidthIndexFromOctaves(
        band.deviceType(), BandwidthOctavesAt(pointerX, band.frequency(), upperEdge, w));
    if (!index || *index == band.bandwidthIndex())
        return false;
    band.setBandwidthIndex(*index);
    return true;
}

int CrossoverDragTarget(const Filter& filter, int otherFrequency, GraphPoint pointer, int w) {
    if (w <= 0)
        return filter.frequency();
    const bool highPass = filter.type() == Filter::kHighPass;
    const int x = pointer.x - filter.dragOffset().x - kGraphOffsetX;
    if (highPass && x <= 0)
        return kMinFrequencyHz; // flat: the high-pass is off
    const int hz = ClampFrequency(FrequencyOfPlotX(Limit(x, 0, w), w));
    return highPass ? std::min(hz, otherFrequency) : std::max(hz, otherFrequency);
}

bool CrossoverDragStep(Filter& filter, int otherFrequency, GraphPoint pointer, int w) {
    const int hz = CrossoverDragTarget(filter, otherFrequency, pointer, w);
    if (hz == filter.frequency())
        return false;
    filter.setFrequency(hz);
    return true;
}

} // namespace GraphGeometry
