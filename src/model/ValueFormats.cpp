#include "model/ValueFormats.h"

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace {

// Long delay scale (4x8): 0.0104 ms steps up to index 9616 (100.0064 ms), 0.021 ms steps above,
// top 1000.0034 ms at index 52473.
constexpr int kLongKnee = 9616;
constexpr double kLongKneeMs = 100.0064;
constexpr double kLongTopMs = 1000.0034;
// (52473 - 9616) x 0.021 + 100.0064 lands a hair off 1000.0034 in binary arithmetic.
constexpr double kTopMargin = 1e-7;

// Short delay scale (3x6, 2x4): 0.021 ms steps below index 476, whole ms from 10 ms there.
constexpr int kShortKnee = 476;
constexpr double kShortTopMs = 999.0;
constexpr double kShortKneeEntryMs = 9.996;

// Speeds of sound (m/s at 0 C) and feet factors as the editors use them.
constexpr double kDisplaySpeed0 = 331.0;
constexpr double kLongEntrySpeed0 = 331.4;
constexpr double kDisplayFeet = 3.28;
constexpr double kEntryFeet = 3.2808;

constexpr std::array<const char*, 4> kSlopeTexts{"12", "18", "24", "48"};

// The kinds whose numbers are always in one unit.
struct KindUnit {
    int kind;
    const char* unit;
};
constexpr std::array<KindUnit, 11> kKindUnits{{
    {kKindDelayMsLong, "ms"},
    {kKindDelayMetresLong, "m"},
    {kKindDelayFeetLong, "ft"},
    {kKindAttack, "ms"},
    {kKindBandwidthFine, "oct"},
    {kKindFrequency, "Hz"},
    {kKindDelayMsShort, "ms"},
    {kKindDelayMetresShort, "m"},
    {kKindDelayFeetShort, "ft"},
    {kKindBandwidthCoarse, "oct"},
    {kKindTemperature, ""}, // its text carries C and F itself
}};
constexpr std::array<const char*, 8> kRatioTexts{"1:1",  "1:2",  "1:4",  "1:8",
                                                 "1:16", "1:32", "1:64", "1:maximum"};

// "%0.<decimals>f" without the process locale (a Qt application switches LC_NUMERIC to the
// user's locale, which would turn the decimal point into a comma).
std::string Fixed(double value, int decimals) {
    std::array<char, 64> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        return {};
    }
    return std::string(buf.data(), r.ptr);
}

double SpeedForDisplay(int temperatureC) {
    return 0.6 * temperatureC + kDisplaySpeed0;
}

double SpeedForLongEntry(int temperatureC) {
    return 0.6 * temperatureC + kLongEntrySpeed0;
}

// Metres of a delay index on either scale; nullopt outside the scale.
std::optional<double> Metres(int deviceType, int index, int temperatureC) {
    const std::optional<double> ms = DelayMs(deviceType, index);
    if (!ms) {
        return std::nullopt;
    }
    return *ms * SpeedForDisplay(temperatureC) / 1000.0;
}

std::string LongMsText(int index) {
    const std::optional<double> ms = DelayMs(kDeviceType4x8, index);
    if (!ms) {
        return {};
    }
    return Fixed(*ms, *ms >= kLongTopMs - kTopMargin ? 0 : 4);
}

std::string ShortText(int index, double value) {
    return Fixed(value, index < kShortKnee ? 3 : 1);
}

// Index of a time on the long scale; ms lies within 0..1000.0034 (exactly 1000 has been read as
// the top already).
int LongIndexFromMs(double ms) {
    if (ms > kLongKneeMs) {
        return static_cast<int>((ms - kLongKneeMs) / 0.021 + kLongKnee + 0.0005);
    }
    return static_cast<int>(ms / 0.0104 + 0.0005);
}

// Index of a time on the short scale; ms lies within 0..999.
int ShortIndexFromMs(double ms) {
    if (ms > kShortKneeEntryMs) {
        return static_cast<int>(ms - kShortKneeEntryMs + kShortKnee);
    }
    return static_cast<int>(ms / 0.021 + 0.5);
}

// Clamps a typed value to lo..hi and marks the entry out of range when it had to.
double ClampTyped(double a, double lo, double hi, bool& outOfRange) {
    if (a > hi) {
        outOfRange = true;
        return hi;
    }
    if (a < lo) {
        outOfRange = true;
        return lo;
    }
    return a;
}

template <std::size_t N> int FirstQAtOrBelow(const std::array<double, N>& table, double q) {
    const auto it = std::find_if(table.begin(), table.end(), [q](double e) { return q >= e; });
    return it == table.end() ? static_cast<int>(N) - 1 : static_cast<int>(it - table.begin());
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Drops one leading '+' (from_chars accepts only '-').
std::string_view SkipPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    return text;
}

// The integer entry rule of kinds 4, 8 and 9.
DisplayEntry IntegerEntry(const DisplayKindSettings& s, int current, std::string_view text) {
    DisplayEntry e{EntryOutcome::Restore, current, false};
    if (Trim(text) == "OFF") {
        e.outcome = EntryOutcome::KeepText;
        return e;
    }
    const std::optional<int> typed = ReadInteger(text);
    if (!typed) {
        return e;
    }
    e.outcome = EntryOutcome::Commit;
    e.index = *typed;
    // The editors cap typed integers at 30000 (the top of the frequency scale). A value above the
    // edit's own maximum is capped there as well, so no index outside the range is ever stored.
    if (e.index > 30000 || e.index > s.max) {
        e.outOfRange = true;
        e.index = s.max;
    } else if (e.index < s.min) {
        e.outOfRange = true;
        e.index = s.min;
    }
    return e;
}

// Rules of the kinds that read a decimal number. Returns the rule's index (before the range
// clamp), or nullopt when the rule leaves the index unchanged.
std::optional<int> DecimalRule(const DisplayKindSettings& s, double a, bool& oor) {
    const int T = s.temperatureC;
    switch (s.kind) {
    case kKindDelayMsLong:
        if (a == 1000.0) {
            a = kLongTopMs; // the display shows the top as "1000"
        }
        if (a < 0) {
            oor = true;
            return s.min;
        }
        if (a > kLongTopMs) {
            oor = true;
            return s.max;
        }
        return LongIndexFromMs(a);
    case kKindDelayMetresLong:
    case kKindDelayFeetLong: {
        const double speed = SpeedForLongEntry(T);
        double top = speed / 1000.0 * kLongTopMs;
        if (s.kind == kKindDelayFeetLong) {
            top *= kEntryFeet;
        }
        a = ClampTyped(a, 0.0, top, oor);
        const double metres = s.kind == kKindDelayFeetLong ? a / kEntryFeet : a;
        return LongIndexFromMs(std::min(metres * 1000.0 / speed, kLongTopMs));
    }
    case kKindCentred: {
        if (s.step == 0.0) {
            return std::nullopt;
        }
        const int half = s.max / 2;
        const double b1 = half * s.step;
        const double b2 = (s.min - half) * s.step;
        a = ClampTyped(a, std::min(b1, b2), std::max(b1, b2), oor);
        return static_cast<int>(half + a / s.step + 0.5);
    }
    case kKindAttack:
        if (a < 0.3) {
            oor = true;
            a = 0.3;
        }
        if (a + 6 > s.max) {
            oor = true;
            a = s.max - 6;
        }
        if (a >= 0.3 && a <= 0.9) {
            return static_cast<int>((a - 0.3) / 0.1 + 0.5);
        }
        if (a >= 1 && a <= 106) {
            return static_cast<int>(a) + 6;
        }
        return std::nullopt;
    case kKindBandwidthFine:
    case kKindBandwidthCoarse: {
        a = ClampTyped(a, 0.05, 3.0, oor);
        const double perStep = s.kind == kKindBandwidthFine ? 10.0 : 50.0; // thousandths
        return static_cast<int>((a - 0.05) * 1000 / perStep + 0.5);
    }
    case kKindLinear: {
        if (s.step == 0.0) {
            return std::nullopt;
        }
        const double b1 = s.min * s.step - s.offset;
        const double b2 = s.max * s.step - s.offset;
        a = ClampTyped(a, std::min(b1, b2), std::max(b1, b2), oor);
        return static_cast<int>((a + s.offset) / s.step + 0.5);
    }
    case kKindQFine:
    case kKindQCoarse: {
        a = ClampTyped(a, 0.404, 28.852, oor);
        return s.kind == kKindQFine ? FirstQAtOrBelow(QFineTable(), a)
                                    : FirstQAtOrBelow(QCoarseTable(), a);
    }
    case kKindDelayMsShort:
        if (a < 0) {
            oor = true;
            return s.min;
        }
        if (a > kShortTopMs) {
            oor = true;
            return s.max;
        }
        return ShortIndexFromMs(a);
    case kKindDelayMetresShort:
    case kKindDelayFeetShort: {
        const double speed = SpeedForDisplay(T);
        double top = speed / 1000.0 * kShortTopMs;
        if (s.kind == kKindDelayFeetShort) {
            top *= kDisplayFeet;
        }
        a = ClampTyped(a, 0.0, top, oor);
        const double metres = s.kind == kKindDelayFeetShort ? a / kEntryFeet : a;
        return ShortIndexFromMs(std::min(metres * 1000.0 / speed, kShortTopMs));
    }
    default:
        return std::nullopt;
    }
}

bool HasDecimalRule(int kind) {
    switch (kind) {
    case kKindDelayMsLong:
    case kKindDelayMetresLong:
    case kKindDelayFeetLong:
    case kKindCentred:
    case kKindAttack:
    case kKindBandwidthFine:
    case kKindLinear:
    case kKindQFine:
    case kKindDelayMsShort:
    case kKindDelayMetresShort:
    case kKindDelayFeetShort:
    case kKindQCoarse:
    case kKindBandwidthCoarse:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<double> ReadDecimal(std::string_view text) {
    std::string s(SkipPlus(Trim(text)));
    std::replace(s.begin(), s.end(), ',', '.');
    double value = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> ReadInteger(std::string_view text) {
    const std::string_view s = SkipPlus(Trim(text));
    long long value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        return s.front() == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    if (r.ec != std::errc()) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

std::optional<std::string> FormatDisplayKind(const DisplayKindSettings& s, int index) {
    const int T = s.temperatureC;
    switch (s.kind) {
    case kKindDelayMsLong:
        return LongMsText(index);
    case kKindDelayMetresLong:
    case kKindDelayFeetLong: {
        const std::optional<double> m = Metres(kDeviceType4x8, index, T);
        if (!m) {
            return std::string();
        }
        return Fixed(s.kind == kKindDelayFeetLong ? *m * kDisplayFeet : *m, 4);
    }
    case kKindCentred:
        return Fixed((index - s.max / 2) * s.step, 1);
    case kKindInteger:
    case kKindFrequency:
    case kKindInteger9:
        return std::to_string(index);
    case kKindAttack:
        return index <= 6 ? Fixed((index + 3) * 0.1, 1) : std::to_string(index - 6);
    case kKindBandwidthFine:
        return Fixed(index * 0.01 + 0.05, 2);
    case kKindBandwidthCoarse:
        return Fixed(index * 0.05 + 0.05, 2);
    case kKindLinear:
        return Fixed(index * s.step - s.offset, 1);
    case kKindQFine:
    case kKindQCoarse: {
        const int last = s.kind == kKindQFine ? kQFineSize - 1 : kQCoarseSize - 1;
        if (index < 0 || index > last) {
            return std::string();
        }
        const auto i = static_cast<std::size_t>(index);
        return Fixed(s.kind == kKindQFine ? QFineTable()[i] : QCoarseTable()[i], 3);
    }
    case kKindDelayMsShort: {
        const std::optional<double> ms = DelayMs(kDeviceType3x6, index);
        return ms ? ShortText(index, *ms) : std::string();
    }
    case kKindDelayMetresShort:
    case kKindDelayFeetShort: {
        const std::optional<double> m = Metres(kDeviceType3x6, index, T);
        if (!m) {
            return std::string();
        }
        return ShortText(index, s.kind == kKindDelayFeetShort ? *m * kDisplayFeet : *m);
    }
    case kKindSlope:
        if (index < 0 || index >= static_cast<int>(kSlopeTexts.size())) {
            return std::string();
        }
        return std::string(kSlopeTexts[static_cast<std::size_t>(index)]);
    case kKindRatio:
        if (index < 0 || index >= static_cast<int>(kRatioTexts.size())) {
            return std::string();
        }
        return std::string(kRatioTexts[static_cast<std::size_t>(index)]);
    case kKindTemperature:
        if (index < 0 || index > 50) {
            return std::string();
        }
        return std::to_string(index) + "C(" +
               std::to_string(static_cast<int>(index * 1.8 + 32 + 0.5)) + "F)";
    default: // kind 6 and unknown kinds: the owner's text stays
        return std::nullopt;
    }
}

DisplayEntry ApplyDisplayEntry(const DisplayKindSettings& s, int current, std::string_view text) {
    switch (s.kind) {
    case kKindInteger:
    case kKindFrequency:
    case kKindInteger9:
        return IntegerEntry(s, current, text);
    case kKindOwnerText:
        return DisplayEntry{EntryOutcome::OwnerText, current, false};
    default:
        break;
    }
    DisplayEntry e{EntryOutcome::Restore, current, false};
    if (!HasDecimalRule(s.kind)) {
        return e;
    }
    const std::optional<double> a = ReadDecimal(text);
    if (!a) {
        return e;
    }
    const std::optional<int> index = DecimalRule(s, *a, e.outOfRange);
    if (!index) {
        return e; // the rule leaves the index unchanged: the old text comes back
    }
    e.outcome = EntryOutcome::Commit;
    e.index = *index;
    if (e.index > s.max || e.index < s.min) {
        e.outOfRange = true;
        e.index = std::clamp(e.index, s.min, std::max(s.min, s.max));
    }
    return e;
}

std::string DisplayKindUnit(const DisplayKindSettings& s) {
    if (!s.unit.empty()) {
        return std::string(s.unit);
    }
    const auto it = std::find_if(kKindUnits.begin(), kKindUnits.end(),
                                 [&s](const KindUnit& u) { return u.kind == s.kind; });
    return it == kKindUnits.end() ? std::string() : std::string(it->unit);
}

std::optional<std::string> DisplayKindRangeText(const DisplayKindSettings& s) {
    const bool integerKind =
        s.kind == kKindInteger || s.kind == kKindFrequency || s.kind == kKindInteger9;
    if ((!integerKind && !HasDecimalRule(s.kind)) || s.max < s.min) {
        return std::nullopt;
    }
    // The texts of the lowest and the highest index are the ends the entry rule clamps to
    // (within the rounding of the display). The Q kinds run downwards: lowest value first.
    std::optional<std::string> low = FormatDisplayKind(s, s.min);
    std::optional<std::string> high = FormatDisplayKind(s, s.max);
    if (!low || !high || low->empty() || high->empty()) {
        return std::nullopt;
    }
    const std::optional<double> lowValue = ReadDecimal(*low);
    const std::optional<double> highValue = ReadDecimal(*high);
    if (lowValue && highValue && *lowValue > *highValue) {
        std::swap(low, high);
    }
    std::string text = "Allowed range: " + *low + " to " + *high;
    const std::string unit = DisplayKindUnit(s);
    if (!unit.empty()) {
        text += " " + unit;
    }
    return text;
}

std::string OutOfRangeMessage(const DisplayKindSettings& s) {
    const std::optional<std::string> range = DisplayKindRangeText(s);
    return range ? std::string(kOutOfRangeText) + "\n" + *range : std::string(kOutOfRangeText);
}
