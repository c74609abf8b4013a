#include "model/GraphGeometry.h"

#include "model/ParameterScales.h"

#include <algorithm>
#include <cmath>

namespace GraphGeometry {

namespace {

// std::clamp with a guard for a degenerate plot, where the upper limit may fall below the lower.
int Limit(int v, int lo, int hi) {
    return std::max(lo, std::min(v, hi));
}

// Graph coordinates that stay well inside the int range for any stored value, even one a
// damaged file brought in.
int XOf(double hz, int w) {
    if (std::isnan(hz))
        hz = kGridLowHz;
    return GraphXOfFrequency(std::clamp(hz, 1e-6, 1e12), w);
}

int YOf(double dB, int h) {
    if (std::isnan(dB))
        dB = 0.0;
    return GraphYOfLevel(std::clamp(dB, -1e4, 1e4), h);
}

GraphRect ToClient(GraphRect box) {
    return {box.left + kGraphOffsetX, box.top + kGraphOffsetY, box.right + kGraphOffsetX,
            box.bottom + kGraphOffsetY};
}

// Level of the handle that marks a crossover filter: never on top of the other of the pair.
constexpr double kHighPassHandleDb = 5.0;
constexpr double kLowPassHandleDb = -1.0;
// Distance of the bandwidth edges from the band handle's centre.
constexpr int kBandwidthHandleDistance = 10;

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

GraphRect BandHandle(const Filter& band, int w, int h) {
    GraphRect box;
    box.left = std::max(XOf(band.frequency(), w) - kHandleHalf, -kHandleHalf);
    box.top = std::max(YOf(band.off() != 0 ? 0.0 : band.gain(), h) - kHandleHalf, 0);
    box.right = box.left + 2 * kHandleHalf;
    box.bottom = box.top + 2 * kHandleHalf;
    if (box.right > w + kHandleHalf) {
        box.right = w + kHandleHalf;
        box.left = box.right - 2 * kHandleHalf;
    }
    if (box.bottom > h + kHandleHalf) {
        box.bottom = h + kHandleHalf;
        box.top = box.bottom - 2 * kHandleHalf;
    }
    return ToClient(box);
}

BandwidthHandles BandwidthHandlesOf(const Filter& band, int w, int h) {
    const double span = std::pow(2.0, std::clamp(band.bandwidth(), -100.0, 100.0));
    const int edgeY = BandHandle(band, w, h).centre().y +
                      (band.gain() >= 0.0 ? kBandwidthHandleDistance : -kBandwidthHandleDistance);
    auto edgeBox = [&](double hz) {
        const int x = XOf(hz, w) + kGraphOffsetX;
        return GraphRect{x - kBandwidthHandleHalf, edgeY - kBandwidthHandleHalf,
                         x + kBandwidthHandleHalf, edgeY + kBandwidthHandleHalf};
    };
    return {edgeBox(band.frequency() / span), edgeBox(band.frequency() * span)};
}

GraphRect CrossoverHandle(const Filter& crossover, int w, int h) {
    GraphRect box;
    box.left = std::max(XOf(std::min(crossover.frequency(), kMaxFrequencyHz), w) - kHandleHalf,
                        -kHandleHalf);
    box.top = YOf(crossover.type() == Filter::kHighPass ? kHighPassHandleDb : kLowPassHandleDb, h);
    box.right = box.left + 2 * kHandleHalf;
    box.bottom = box.top + 2 * kHandleHalf;
    if (box.right > w) {
        box.right = w + kHandleHalf;
        box.left = box.right - 2 * kHandleHalf;
    }
    return ToClient(box);
}

GraphRect HandleOf(const Filter& filter, int w, int h) {
    return filter.isBand() != 0 ? BandHandle(filter, w, h) : CrossoverHandle(filter, w, h);
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

BandTarget BandDragTarget(const Filter& band, GraphPoint pointer, GraphPoint dragOffset, int w,
                          int h) {
    if (w <= 0 || h <= 0)
        return {band.frequency(), band.gainIndex()};
    const int x = Limit(pointer.x - dragOffset.x - kGraphOffsetX, 0, w);
    const int y = Limit(pointer.y - dragOffset.y - kGraphOffsetY, h / 11, h * 5 / 6);
    int hz = ClampFrequency(FrequencyOfPlotX(x, w));
    if (band.type() == Filter::kLowShelf)
        hz = std::min(hz, kLowShelfDragMaxHz);
    const double dB = std::clamp(GraphLevelOfY(y, h), kMinBandGainDb, kMaxBandGainDb);
    return {hz, EqGainIndexFromDb(dB)};
}

bool BandDragStep(Filter& band, GraphPoint pointer, GraphPoint dragOffset, int w, int h) {
    const BandTarget t = BandDragTarget(band, pointer, dragOffset, w, h);
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

int CrossoverDragTarget(const Filter& filter, int otherFrequency, GraphPoint pointer,
                        GraphPoint dragOffset, int w) {
    if (w <= 0)
        return filter.frequency();
    const bool highPass = filter.type() == Filter::kHighPass;
    const int x = pointer.x - dragOffset.x - kGraphOffsetX;
    if (highPass && x <= 0)
        return kMinFrequencyHz; // flat: the high-pass is off
    const int hz = ClampFrequency(FrequencyOfPlotX(Limit(x, 0, w), w));
    return highPass ? std::min(hz, otherFrequency) : std::max(hz, otherFrequency);
}

bool CrossoverDragStep(Filter& filter, int otherFrequency, GraphPoint pointer,
                       GraphPoint dragOffset, int w) {
    const int hz = CrossoverDragTarget(filter, otherFrequency, pointer, dragOffset, w);
    if (hz == filter.frequency())
        return false;
    filter.setFrequency(hz);
    return true;
}

std::string BandDescription(const Filter& band, int number) {
    const int device = band.deviceType();
    const bool off = band.off() != 0;
    std::string text = "EQ" + std::to_string(number) + (off ? " off: " : ": ");
    text += BandTypeText(band.type(), band.slope());
    text += " " + FrequencyText(band.frequency()) + " Hz";
    if (!off) {
        const std::string gain = EqGainText(band.gainIndex(), false);
        text += ", " + (gain.empty() || gain.front() == '-' || gain == "0.0" ? gain : "+" + gain) +
                " dB";
    }
    if (band.type() == Filter::kPeq) {
        text += ", " + BandwidthText(device, band.bandwidthIndex()) + " oct (Q " +
                QText(device, band.bandwidthIndex()) + ")";
    }
    return text;
}

std::string CrossoverDescription(const Filter& crossover, bool highPass) {
    const int hz = crossover.frequency();
    const bool off = highPass ? HighPassIsOff(hz) : LowPassIsOff(hz);
    std::string text = highPass ? "HPF" : "LPF";
    if (off)
        return text + " off: " + FrequencyText(hz) + " Hz";
    return text + ": " + CrossoverKindText(crossover.kind()) + " " +
           CrossoverSlopeText(crossover.slope()) + " " + FrequencyText(hz) + " Hz";
}

} // namespace GraphGeometry
