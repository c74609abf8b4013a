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
#include <vector>

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

// Speed of sound (m/s at 0 C) and feet per metre of the distance displays; a typed distance is
// converted back with the same figures.
constexpr double kDisplaySpeed0 = 331.0;
constexpr double kDisplayFeet = 3.28;

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

bool IsIntegerKind(int kind) {
    return kind == kKindInteger || kind == kKindFrequency || kind == kKindInteger9;
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

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool InHertz(const DisplayKindSettings& s) {
    return DisplayKindUnit(s) == "Hz";
}

// The value a kind shows for an index, as a number; nullopt where it shows none.
std::optional<double> ShownValue(const DisplayKindSettings& s, int index) {
    const std::optional<std::string> text = FormatDisplayKind(s, index);
    return text ? ReadDecimal(*text) : std::nullopt;
}

// The largest magnitude the box shows over its range (1000 for the long delay in ms).
double LargestShown(const DisplayKindSettings& s) {
    double largest = 0.0;
    for (const int index : {s.min, s.max}) {
        if (const std::optional<double> v = ShownValue(s, index)) {
            largest = std::max(largest, std::fabs(*v));
        }
    }
    return largest;
}

// A typed number: an optional sign, digits with at most one decimal separator ('.' or ','),
// then, in a box in Hz, an optional k for kHz, and the field's unit (any case). Anything else
// (an exponent, a second separator, another word) is no number. `ambiguous` marks a separator
// followed by exactly three digits in a box whose values reach 1000: "12,000" Hz may mean twelve
// or twelve thousand, so it is refused rather than guessed ('.' is the decimal point a box with
// decimals shows itself, so there it counts as one).
struct TypedNumber {
    double value = 0.0;
    bool ambiguous = false;
};

std::optional<TypedNumber> ReadTypedNumber(const DisplayKindSettings& s, std::string_view text) {
    const std::string_view t = Trim(text);
    std::size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        ++i;
    }
    // The digits from i on, i moved past them.
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
        }
        return t.substr(from, i - from);
    };
    std::string number(digits());
    char separator = 0;
    std::size_t decimals = 0;
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        separator = t[i++];
        const std::string_view fraction = digits();
        decimals = fraction.size();
        number += '.';
        number += fraction;
    }
    if (number.empty() || number == ".") {
        return std::nullopt;
    }
    std::string_view rest = Trim(t.substr(i));
    double multiplier = 1.0;
    if (InHertz(s) && !rest.empty() && (rest.front() == 'k' || rest.front() == 'K')) {
        multiplier = 1000.0;
        rest = Trim(rest.substr(1));
    }
    if (!rest.empty() && !SameIgnoringCase(rest, DisplayKindUnit(s))) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
    if (r.ec != std::errc() || r.ptr != number.data() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    TypedNumber typed{(negative ? -value : value) * multiplier, false};
    typed.ambiguous = separator != 0 && decimals == 3 && multiplier == 1.0 &&
                      (separator == ',' || IsIntegerKind(s.kind)) && LargestShown(s) >= 1000.0;
    return typed;
}

// What a kind's rule makes of a typed number: the index, or why it is refused. Neither (the rule
// cannot work with the settings, a zero step) leaves the old value without a word.
struct RuleResult {
    std::optional<int> index;
    EntryProblem problem = EntryProblem::None;
};

RuleResult Refuse(EntryProblem problem) {
    return {std::nullopt, problem};
}

// Whether a lies within lo..hi, allowing for the last bit of the arithmetic that made the
// bounds ("15.0" is the top of -40.0 + 550 x 0.1).
bool Within(double a, double lo, double hi) {
    const double margin = 1e-9 * std::max({1.0, std::fabs(lo), std::fabs(hi)});
    return a >= std::min(lo, hi) - margin && a <= std::max(lo, hi) + margin;
}

// The step of a delay scale whose distance (metres or feet at the settings' temperature) is the
// one typed: the step that shows exactly this text, else the one whose distance lies nearest. The
// shown distances are rounded, so a shown text comes back to its own step (also the short scale's
// first whole millisecond, whose one-decimal text lies among the fine steps below it).
RuleResult DistanceRule(const DisplayKindSettings& s, double a) {
    const bool longScale = s.kind == kKindDelayMetresLong || s.kind == kKindDelayFeetLong;
    const bool feet = s.kind == kKindDelayFeetLong || s.kind == kKindDelayFeetShort;
    const int deviceType = longScale ? kDeviceType4x8 : kDeviceType3x6;
    const int top = longScale ? 52473 : 1465;
    const double speed = SpeedForDisplay(s.temperatureC);
    if (speed <= 0.0) {
        return {};
    }
    auto distance = [&](int index) {
        return *Metres(deviceType, index, s.temperatureC) * (feet ? kDisplayFeet : 1.0);
    };
    // The top as it is shown may round above the exact top distance; typing it is the top.
    const double shownTop = ShownValue(s, top).value_or(0.0);
    if (!Within(a, 0.0, std::max(distance(top), shownTop))) {
        return Refuse(EntryProblem::OutOfRange);
    }
    const double ms = std::clamp(a / (feet ? kDisplayFeet : 1.0) * 1000.0 / speed, 0.0,
                                 longScale ? kLongTopMs : kShortTopMs);
    const int estimate = longScale ? LongIndexFromMs(ms) : ShortIndexFromMs(ms);
    std::vector<int> candidates;
    for (int i = std::max(0, estimate - 2); i <= std::min(top, estimate + 2); ++i) {
        candidates.push_back(i);
    }
    if (!longScale) {
        candidates.push_back(kShortKnee);
    }
    const auto shows = [&](int i) { return ShownValue(s, i) == a; };
    if (const auto exact = std::find_if(candidates.begin(), candidates.end(), shows);
        exact != candidates.end()) {
        return {*exact};
    }
    int nearest = std::clamp(estimate, 0, top);
    for (const int i : candidates) {
        if (std::fabs(distance(i) - a) < std::fabs(distance(nearest) - a)) {
            nearest = i;
        }
    }
    return {nearest};
}

// The rules of the kinds that read a decimal number. A number is checked against the allowed
// range before it becomes an index, so no index is computed from a value far outside it.
RuleResult DecimalRule(const DisplayKindSettings& s, double a) {
    switch (s.kind) {
    case kKindDelayMsLong:
        if (a == 1000.0) {
            a = kLongTopMs; // the display shows the top as "1000"
        }
        if (!Within(a, 0.0, kLongTopMs)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        return {LongIndexFromMs(std::clamp(a, 0.0, kLongTopMs))};
    case kKindDelayMetresLong:
    case kKindDelayFeetLong:
    case kKindDelayMetresShort:
    case kKindDelayFeetShort:
        return DistanceRule(s, a);
    case kKindCentred: {
        if (s.step == 0.0) {
            return {};
        }
        const int half = s.max / 2;
        if (!Within(a, half * s.step, (s.min - half) * s.step)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        return {static_cast<int>(std::floor(half + a / s.step + 0.5))};
    }
    case kKindAttack:
        if (a < 0.3 - 1e-9 || a + 6 > s.max + 1e-9) {
            return Refuse(EntryProblem::OutOfRange);
        }
        if (a <= 0.9 + 1e-9) {
            return {static_cast<int>((std::max(a, 0.3) - 0.3) / 0.1 + 0.5)};
        }
        if (a >= 1.0 && a <= 106.0) {
            return {static_cast<int>(a) + 6};
        }
        return Refuse(EntryProblem::BetweenSteps);
    case kKindBandwidthFine:
    case kKindBandwidthCoarse: {
        if (!Within(a, 0.05, 3.0)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        const double perStep = s.kind == kKindBandwidthFine ? 10.0 : 50.0; // thousandths
        return {static_cast<int>((std::clamp(a, 0.05, 3.0) - 0.05) * 1000 / perStep + 0.5)};
    }
    case kKindLinear: {
        if (s.step == 0.0) {
            return {};
        }
        if (!Within(a, s.min * s.step - s.offset, s.max * s.step - s.offset)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        return {static_cast<int>(std::floor((a + s.offset) / s.step + 0.5))};
    }
    case kKindQFine:
    case kKindQCoarse: {
        if (!Within(a, 0.404, 28.852)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        const double q = std::clamp(a, 0.404, 28.852);
        return {s.kind == kKindQFine ? FirstQAtOrBelow(QFineTable(), q)
                                     : FirstQAtOrBelow(QCoarseTable(), q)};
    }
    case kKindDelayMsShort:
        if (!Within(a, 0.0, kShortTopMs)) {
            return Refuse(EntryProblem::OutOfRange);
        }
        return {ShortIndexFromMs(std::clamp(a, 0.0, kShortTopMs))};
    default:
        return {};
    }
}

// The integer kinds (4, 8, 9): whole numbers, a fraction rounded to the nearest (1.5k is 1500 Hz,
// 100.4 Hz is 100), within the edit's range and never above 30000 (the top of the frequency
// scale).
RuleResult IntegerRule(const DisplayKindSettings& s, double a) {
    const double whole = std::round(a);
    if (whole < s.min || whole > s.max || whole > 30000.0) {
        return Refuse(EntryProblem::OutOfRange);
    }
    return {static_cast<int>(whole)};
}

DisplayEntry Refused(int current, EntryProblem problem) {
    return DisplayEntry{EntryOutcome::Refused, current, problem};
}

// Shortest text of a typed number, for messages: 0.95, 1500.
std::string ShortestText(double value) {
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return r.ec == std::errc() ? std::string(buf.data(), r.ptr) : std::string();
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
    const DisplayEntry restore{EntryOutcome::Restore, current, EntryProblem::None};
    if (s.kind == kKindOwnerText) {
        return DisplayEntry{EntryOutcome::OwnerText, current, EntryProblem::None};
    }
    const bool integerKind = IsIntegerKind(s.kind);
    if (integerKind && Trim(text) == "OFF") {
        return DisplayEntry{EntryOutcome::KeepText, current, EntryProblem::None};
    }
    if ((!integerKind && !HasDecimalRule(s.kind)) || Trim(text).empty()) {
        return restore;
    }
    const std::optional<TypedNumber> typed = ReadTypedNumber(s, text);
    if (!typed || typed->ambiguous) {
        return Refused(current, EntryProblem::NotANumber);
    }
    const RuleResult rule =
        integerKind ? IntegerRule(s, typed->value) : DecimalRule(s, typed->value);
    if (rule.problem != EntryProblem::None) {
        return Refused(current, rule.problem);
    }
    if (!rule.index) {
        return restore;
    }
    if (*rule.index < s.min || *rule.index > s.max) {
        return Refused(current, EntryProblem::OutOfRange);
    }
    return DisplayEntry{EntryOutcome::Commit, *rule.index, EntryProblem::None};
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
    if ((!IsIntegerKind(s.kind) && !HasDecimalRule(s.kind)) || s.max < s.min) {
        return std::nullopt;
    }
    // The texts of the lowest and the highest index are the ends the entry rule accepts (within
    // the rounding of the display). The Q kinds run downwards: lowest value first.
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

std::string EntryRefusalMessage(const DisplayKindSettings& s, const DisplayEntry& entry,
                                std::string_view typed) {
    if (entry.outcome != EntryOutcome::Refused) {
        return {};
    }
    const std::string unit = DisplayKindUnit(s);
    switch (entry.problem) {
    case EntryProblem::OutOfRange:
        return OutOfRangeMessage(s);
    case EntryProblem::NotANumber: {
        std::string text = kNotANumberText;
        if (const std::optional<std::string> range = DisplayKindRangeText(s)) {
            text += "\n" + *range;
        }
        if (InHertz(s)) {
            text += "\nkHz are typed with k: 1.5k is 1500 Hz";
        }
        return text;
    }
    case EntryProblem::BetweenSteps: {
        // The steps on either side of the number typed.
        const std::optional<TypedNumber> number = ReadTypedNumber(s, typed);
        if (!number) {
            return kOutOfRangeText;
        }
        std::optional<std::pair<double, std::string>> below, above;
        for (int i = s.min; i <= s.max; ++i) {
            const std::optional<double> v = ShownValue(s, i);
            if (!v) {
                continue;
            }
            if (*v < number->value && (!below || *v > below->first)) {
                below = {*v, *FormatDisplayKind(s, i)};
            }
            if (*v > number->value && (!above || *v < above->first)) {
                above = {*v, *FormatDisplayKind(s, i)};
            }
        }
        const std::string suffix = unit.empty() ? std::string() : " " + unit;
        std::string text = "No step at " + ShortestText(number->value) + suffix;
        if (below && above) {
            text += ": " + below->second + " or " + above->second + suffix;
        }
        return text;
    }
    case EntryProblem::None:
        break;
    }
    return {};
}
