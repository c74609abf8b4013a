#include "model/ParameterScales.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

bool InRange(int index, int lo, int hi) {
    return index >= lo && index <= hi;
}

std::string Format(const char* format, double value) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, format, value);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)))
                 : std::string();
}

std::string FormatInt(int value) {
    return std::to_string(value);
}

// Picks entry `index` of a text table, or empty when outside it.
template <std::size_t N>
std::string TableText(const std::array<std::string_view, N>& table, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        return {};
    }
    return std::string(table[static_cast<std::size_t>(index)]);
}

double RoundHalfUp(double value, double scale) {
    return std::floor(value * scale + 0.5) / scale;
}

// Top of the long delay scale, 1000.0034 ms, reached at index 52473. Compared with a margin because
// (52473 - 9616) x 0.021 + 100.0064 does not land exactly on it in binary arithmetic.
constexpr double kLongDelayTopMs = 1000.0034;
constexpr double kDelayTopMargin = 1e-7;
constexpr int kLongDelayKnee = 9616; // last index of the 0.0104 ms steps
constexpr int kShortDelayKnee = 476; // first index of the whole-millisecond steps

constexpr double kFeetPerMetre = 3.28;

// True for the fine scale family (the 4x8's); false for the coarse one and unknown types.
bool HasFineScales(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr && model->scales == ScaleFamily::Fine;
}

std::string DistanceText(int deviceType, int index, double distance) {
    if (HasFineScales(deviceType)) {
        return Format("%0.4f", distance);
    }
    return Format(index < kShortDelayKnee ? "%0.3f" : "%0.1f", distance);
}

double ClampToIntRange(double v) {
    if (std::isnan(v)) {
        return 0.0;
    }
    return std::clamp(v, -1e9, 1e9);
}

} // namespace

// ---- Frequency grid -------------------------------------------------------------------------

const std::array<double, kGridPoints>& FrequencyGrid() {
    static const std::array<double, kGridPoints> grid = [] {
        std::array<double, kGridPoints> g{};
        for (int i = 0; i < kGridPoints - 1; ++i) {
            g[static_cast<std::size_t>(i)] = RoundHalfUp(std::pow(10.0, 1.0 + i / 69.3), 10.0);
        }
        g[kGridPoints - 1] = kGridHighHz;
        return g;
    }();
    return grid;
}

// ---- Channel gain ---------------------------------------------------------------------------

std::optional<int> ChannelGainZeroIndex(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model ? std::optional<int>(model->gainZeroIndex) : std::nullopt;
}

std::optional<int> InputGainMaxIndex(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model ? std::optional<int>(model->inputGainMax) : std::nullopt;
}

std::optional<int> OutputGainMaxIndex(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model ? std::optional<int>(model->outputGainMax) : std::nullopt;
}

std::optional<double> ChannelGainDb(int deviceType, int index) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr || !InRange(index, 0, model->outputGainMax)) {
        return std::nullopt;
    }
    // Counted from the 0 dB index so that 0 dB is exactly 0 (never shown as -0.0).
    return (index - model->gainZeroIndex) * 0.1;
}

std::string ChannelGainText(int deviceType, int index) {
    const std::optional<double> dB = ChannelGainDb(deviceType, index);
    return dB ? Format("%0.1f", *dB) : std::string();
}

// ---- Delay ----------------------------------------------------------------------------------

std::optional<int> DelayMaxIndex(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model ? std::optional<int>(model->delayMax) : std::nullopt;
}

std::optional<double> DelayMs(int deviceType, int index) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr || !InRange(index, 0, model->delayMax)) {
        return std::nullopt;
    }
    if (model->scales == ScaleFamily::Fine) {
        return index <= kLongDelayKnee ? index * 0.0104
                                       : (index - kLongDelayKnee) * 0.021 + 100.0064;
    }
    return index < kShortDelayKnee ? index * 0.021 : (index - kShortDelayKnee) + 10.0;
}

std::string DelayText(int deviceType, int index) {
    const std::optional<double> ms = DelayMs(deviceType, index);
    if (!ms) {
        return {};
    }
    if (HasFineScales(deviceType)) {
        const bool atTop = *ms >= kLongDelayTopMs - kDelayTopMargin;
        return Format(atTop ? "%0.0f" : "%0.4f", *ms) + "ms";
    }
    return Format(index < kShortDelayKnee ? "%0.3f" : "%0.1f", *ms) + "ms";
}

double SpeedOfSound(int temperatureC) {
    return 331.0 + 0.6 * temperatureC;
}

std::optional<double> DelayMetres(int deviceType, int index, int temperatureC) {
    const std::optional<double> ms = DelayMs(deviceType, index);
    if (!ms) {
        return std::nullopt;
    }
    return *ms * 0.001 * SpeedOfSound(temperatureC);
}

std::optional<double> DelayFeet(int deviceType, int index, int temperatureC) {
    const std::optional<double> m = DelayMetres(deviceType, index, temperatureC);
    return m ? std::optional<double>(*m * kFeetPerMetre) : std::nullopt;
}

std::string DelayMetresText(int deviceType, int index, int temperatureC) {
    const std::optional<double> m = DelayMetres(deviceType, index, temperatureC);
    return m ? DistanceText(deviceType, index, *m) : std::string();
}

std::string DelayFeetText(int deviceType, int index, int temperatureC) {
    const std::optional<double> ft = DelayFeet(deviceType, index, temperatureC);
    return ft ? DistanceText(deviceType, index, *ft) : std::string();
}

// ---- Equaliser band gain --------------------------------------------------------------------

std::optional<double> EqGainDb(int index) {
    if (!InRange(index, 0, kEqGainMaxIndex)) {
        return std::nullopt;
    }
    return (index - kEqGainZeroIndex) * 0.1;
}

int EqGainIndexFromDb(double dB) {
    if (std::isnan(dB)) {
        return kEqGainZeroIndex;
    }
    const double raw = std::trunc((std::clamp(dB, -100.0, 100.0) + 30.0) * 100.0 / 10.0 + 0.5);
    return std::clamp(static_cast<int>(raw), 0, kEqGainMaxIndex);
}

std::string EqGainText(int index, bool bandOff) {
    const std::optional<double> dB = EqGainDb(index);
    if (!dB) {
        return {};
    }
    return bandOff ? std::string("0.0") : Format("%0.1f", *dB);
}

// ---- Equaliser bandwidth and Q --------------------------------------------------------------

double QOfOctaves(double octaves) {
    const double p = std::pow(2.0, octaves);
    return RoundHalfUp(std::sqrt(p) / (p - 1.0), 1000.0);
}

const std::array<double, kQFineSize>& QFineTable() {
    static const std::array<double, kQFineSize> table = [] {
        std::array<double, kQFineSize> t{};
        for (int i = 0; i < kQFineSize; ++i) {
            t[static_cast<std::size_t>(i)] = QOfOctaves(0.05 + 0.01 * i);
        }
        return t;
    }();
    return table;
}

const std::array<double, kQCoarseSize>& QCoarseTable() {
    static const std::array<double, kQCoarseSize> table = [] {
        std::array<double, kQCoarseSize> t{};
        for (int i = 0; i < kQCoarseSize; ++i) {
            t[static_cast<std::size_t>(i)] = QOfOctaves(0.05 * (i + 1));
        }
        return t;
    }();
    return table;
}

std::optional<int> BandwidthMaxIndex(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model ? std::optional<int>(model->bandwidthMax) : std::nullopt;
}

std::optional<double> BandwidthOctaves(int deviceType, int index) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr || !InRange(index, 0, model->bandwidthMax)) {
        return std::nullopt;
    }
    return 0.05 + model->bandwidthStep * index;
}

std::optional<int> BandwidthIndexFromOctaves(int deviceType, double octaves) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr) {
        return std::nullopt;
    }
    if (std::isnan(octaves)) {
        return 0;
    }
    const double steps = (std::clamp(octaves, -100.0, 100.0) - 0.05) / model->bandwidthStep;
    return std::clamp(static_cast<int>(std::lround(steps)), 0, model->bandwidthMax);
}

std::optional<int> BandwidthWireValue(int deviceType, int index) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr || !InRange(index, 0, model->bandwidthMax)) {
        return std::nullopt;
    }
    return index * model->bandwidthWireFactor;
}

std::string BandwidthText(int deviceType, int index) {
    const std::optional<double> oct = BandwidthOctaves(deviceType, index);
    return oct ? Format("%0.2f", *oct) : std::string();
}

std::optional<double> BandwidthQ(int deviceType, int index) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr || !InRange(index, 0, model->bandwidthMax)) {
        return std::nullopt;
    }
    const auto i = static_cast<std::size_t>(index);
    return model->scales == ScaleFamily::Fine ? QFineTable()[i] : QCoarseTable()[i];
}

std::string QText(int deviceType, int index) {
    const std::optional<double> q = BandwidthQ(deviceType, index);
    return q ? Format("%0.3f", *q) : std::string();
}

std::optional<int> BandwidthIndexFromQ(int deviceType, double q) {
    auto firstAtOrBelow = [q](const auto& table) {
        const auto it = std::find_if(table.begin(), table.end(), [q](double e) { return e <= q; });
        const auto last = static_cast<int>(table.size()) - 1;
        return it == table.end() ? last : static_cast<int>(it - table.begin());
    };
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr) {
        return std::nullopt;
    }
    return model->scales == ScaleFamily::Fine ? firstAtOrBelow(QFineTable())
                                              : firstAtOrBelow(QCoarseTable());
}

// ---- Equaliser band frequency and type ------------------------------------------------------

int ClampFrequency(int hz) {
    return std::clamp(hz, kMinFrequencyHz, kMaxFrequencyHz);
}

std::string FrequencyText(int hz) {
    return FormatInt(hz);
}

std::string ShelfSlopeText(int slope) {
    static constexpr std::array<std::string_view, 2> kTexts{"6dB", "12dB"};
    return TableText(kTexts, slope);
}

std::string BandTypeText(int type, int slope) {
    switch (type) {
    case kBandPeq:
        return "PEQ";
    case kBandLowShelf:
        return "Lo_Shf " + ShelfSlopeText(slope);
    case kBandHighShelf:
        return "Hi_Shf " + ShelfSlopeText(slope);
    default:
        return {};
    }
}

// ---- Crossover filters ----------------------------------------------------------------------

bool HighPassIsOff(int hz) {
    return hz <= kMinFrequencyHz;
}

bool LowPassIsOff(int hz) {
    return hz >= kMaxFrequencyHz;
}

int ClampCrossoverKind(int kind) {
    return std::clamp(kind, 0, kCrossoverKindMax);
}

int ClampCrossoverSlope(int slope) {
    return std::clamp(slope, 0, kCrossoverSlopeMax);
}

std::string CrossoverKindText(int kind) {
    static constexpr std::array<std::string_view, 3> kTexts{"L_R", "Bessel", "BTWorth"};
    return TableText(kTexts, kind);
}

std::string CrossoverSlopeText(int slope) {
    static constexpr std::array<std::string_view, 4> kTexts{"12dB", "18dB", "24dB", "48dB"};
    return TableText(kTexts, slope);
}

// ---- Noise gate -----------------------------------------------------------------------------

std::optional<double> GateThresholdDbu(int index) {
    if (!InRange(index, 0, 255)) {
        return std::nullopt;
    }
    return index - 120.0;
}

std::string GateText(int index, bool disabled) {
    const std::optional<double> dBu = GateThresholdDbu(index);
    if (!dBu) {
        return {};
    }
    return disabled ? std::string("Disable") : Format("%0.1f", *dBu);
}

// ---- Limiter / compressor -------------------------------------------------------------------

std::optional<double> LimiterThresholdDbu(int index) {
    if (!InRange(index, 0, kLimiterThresholdMaxIndex)) {
        return std::nullopt;
    }
    return (index - 300) * 0.1;
}

std::string LimiterThresholdText(int index) {
    const std::optional<double> dBu = LimiterThresholdDbu(index);
    return dBu ? Format("%0.1f", *dBu) : std::string();
}

namespace {
constexpr int kAttackFineLast = 6; // last index of the 0.1 ms steps (0.3..0.9 ms)
}

std::optional<double> AttackMs(int index) {
    if (!InRange(index, 0, kAttackMaxIndex)) {
        return std::nullopt;
    }
    return index <= kAttackFineLast ? (index + 3) * 0.1 : static_cast<double>(index - 6);
}

std::string AttackText(int index) {
    const std::optional<double> ms = AttackMs(index);
    if (!ms) {
        return {};
    }
    return index <= kAttackFineLast ? Format("%0.1f", *ms) : FormatInt(index - 6);
}

std::string ReleaseText(int index) {
    static constexpr std::array<std::string_view, 6> kTexts{"2X", "4X", "6X", "8X", "16X", "32X"};
    return TableText(kTexts, index);
}

std::optional<double> ClipLimitValue(int index) {
    if (!InRange(index, 0, 255)) {
        return std::nullopt;
    }
    return index * 0.1 + 2.0;
}

std::string ClipLimitText(int index) {
    const std::optional<double> v = ClipLimitValue(index);
    return v ? Format("%0.1f", *v) : std::string();
}

std::string RatioText(int index) {
    static constexpr std::array<std::string_view, 8> kTexts{"1:1",  "1:2",  "1:4",  "1:8",
                                                            "1:16", "1:32", "1:64", "1:maximum"};
    return TableText(kTexts, index);
}

std::string DynamicsTypeText(int type) {
    static constexpr std::array<std::string_view, 2> kTexts{"Limit", "Compressor"};
    return TableText(kTexts, type);
}

std::string DynamicsModeText(int mode) {
    static constexpr std::array<std::string_view, 2> kTexts{"Manual", "Auto"};
    return TableText(kTexts, mode);
}

int AutoAttackIndex(int highPassHz) {
    // Lower high-pass corners get longer attack times: (upper frequency bound, attack index).
    static constexpr std::array<std::pair<int, int>, 6> kSteps{
        {{31, 51}, {63, 22}, {125, 14}, {500, 8}, {1000, 7}, {2000, 2}}};
    for (const auto& [below, attack] : kSteps) {
        if (highPassHz < below) {
            return attack;
        }
    }
    return 0;
}

// ---- Other fixed texts ----------------------------------------------------------------------

std::string PolarityText(int polarity) {
    return polarity != 0 ? "-Invert" : "+Normal";
}

std::string ChannelStateText(int on) {
    return on != 0 ? "On" : "Mute";
}

std::string MixEntryText(bool feeds) {
    return feeds ? "On" : "Off";
}

std::string InputSourceText(int source) {
    static constexpr std::array<std::string_view, 2> kTexts{"Analog", "Digital"};
    return TableText(kTexts, source);
}

std::string BacklightText(int deviceType, int backlight) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    if (model == nullptr) {
        return {};
    }
    const std::array<std::string_view, 2> texts{"Keep On", model->backlightTimedText};
    return TableText(texts, backlight);
}

std::string TemperatureText(int temperatureC) {
    if (!InRange(temperatureC, 0, 50)) {
        return {};
    }
    return FormatInt(temperatureC) + "C";
}

// ---- Response graph coordinates -------------------------------------------------------------

namespace {
const double kDecadesShown = std::log10(kGridHighHz) - 1.0; // 10 Hz .. 30 kHz, about 3.4771
constexpr double kDbShown = kGraphTopDb - kGraphBottomDb;   // 60 dB
} // namespace

int GraphXOfFrequency(double hz, int w) {
    if (w <= 0 || !(hz > 0.0)) {
        return 0;
    }
    return static_cast<int>(
        ClampToIntRange(std::trunc((std::log10(hz) - 1.0) * (w / kDecadesShown))));
}

int GraphFrequencyOfX(int x, int w) {
    if (w <= 0) {
        return 0;
    }
    const double hz = std::pow(10.0, kDecadesShown * x / w + 1.0);
    return static_cast<int>(ClampToIntRange(std::trunc(hz)));
}

int GraphYOfLevel(double dB, int h) {
    if (h <= 0) {
        return 0;
    }
    return static_cast<int>(ClampToIntRange(std::trunc(h / kDbShown * (kGraphTopDb - dB) + 0.5)));
}

double GraphXOfFrequencyExact(double hz, int w) {
    if (w <= 0 || !(hz > 0.0)) {
        return 0.0;
    }
    return (std::log10(hz) - 1.0) * (w / kDecadesShown);
}

double GraphYOfLevelExact(double dB, int h) {
    if (h <= 0) {
        return 0.0;
    }
    return h / kDbShown * (kGraphTopDb - dB);
}

double GraphLevelOfY(int y, int h) {
    if (h <= 0) {
        return 0.0;
    }
    const double level = kGraphTopDb - y * kDbShown / h;
    return level > 0.0 ? level + 0.5 : level - 0.5;
}
