#include "link/ParameterCatalogue.h"

#include "link/UnitController.h"
#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ProgramContainer.h"
#include "model/TextEntryRules.h"
#include "model/ValueFormats.h"
#include "model/ValueLimits.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <utility>

namespace ParameterCatalogue {

using namespace ChannelEditRules;

namespace {

// What a row belongs to: every channel, inputs only, outputs only, every equaliser band, or the
// unit as a whole.
enum class Scope { Channel, Input, Output, Band, Unit };
// How a value is written: a number in the editor's display kind, one of a few words, or a text.
enum class Form { Number, Choice, Text };

struct Choice {
    std::string word;
    int index;
};
using Choices = std::vector<Choice>;

using Program = const ProgramContainer&;
using Target = ProgramContainer&;
using Unit = UnitController*;
using Ref = const Parameter&;
using Given = const Value&;

} // namespace

struct Row {
    Scope scope;
    std::string_view key;       // after the channel (and band): "gain", "hpf.freq"
    std::string_view unit = {}; // shown in the list: "dB", "ms", "Hz"; empty for words and texts
    Form form;
    // Number: the editor's display kind and range.
    DisplayKindSettings (*entry)(const DeviceModel&, Ref) = nullptr;
    // Choice: the words and the indices they stand for.
    Choices (*choices)(const DeviceModel&) = nullptr;
    // Text: the characters kept.
    int (*maxChars)(const DeviceModel&) = nullptr;
    // The index shown (Number, Choice) or the text shown (Text).
    int (*shown)(Program, Ref) = nullptr;
    std::string (*shownText)(Program, Ref) = nullptr;
    // Writes through the editing rules or the setters.
    Edit (*write)(Target, Unit, Ref, Given) = nullptr;
    // The models that have the setting (nullptr: all), and what the others lack.
    bool (*offers)(const DeviceModel&) = nullptr;
    std::string_view lacking = {};
    // Why the rules refuse a write, and why they store another value than the one asked.
    std::string_view refusal = {};
    std::string_view correction = {};
    // Number: a word for "switched off" (index -1), on the models `offersOff` names.
    std::string_view offWord = {};
    bool (*offersOff)(const DeviceModel&) = nullptr;
    // The key of the setting this is another view of (".q" shows the bandwidth ".bw" stores).
    std::string_view sameField = {};
    // A unit-wide setting: the global code under which the unit reports it.
    int globalCode = 0;
};

namespace {

// ---- Where a parameter lives ------------------------------------------------------------------

const Channel& ChannelOf(Program p, Ref r) {
    return r.output ? static_cast<const Channel&>(p.output(r.channel))
                    : static_cast<const Channel&>(p.input(r.channel));
}
Channel& ChannelOf(Target p, Ref r) {
    return r.output ? static_cast<Channel&>(p.output(r.channel))
                    : static_cast<Channel&>(p.input(r.channel));
}
const Filter& BandOf(Program p, Ref r) {
    return ChannelOf(p, r).filter(r.band);
}
Filter& BandOf(Target p, Ref r) {
    return ChannelOf(p, r).filter(r.band);
}
const Filter& CrossoverOf(Program p, Ref r, Crossover which) {
    const OutputChannel& out = p.output(r.channel);
    return which == Crossover::HighPass ? out.highPass() : out.lowPass();
}
const DeviceModel& ModelOf(Program p) {
    return DeviceModelOf(p.deviceType());
}

// Stores `wanted` through `set` unless `stored` is it already (nothing to send then).
template <class Set> Edit Store(int stored, int wanted, Set&& set) {
    if (stored == wanted)
        return Edit::Unchanged;
    set(wanted);
    return Edit::Written;
}

// Combines two steps of one write: written when either wrote, corrected when either corrected.
Edit Both(Edit first, Edit second) {
    if (first == Edit::Refused || second == Edit::Refused)
        return Edit::Refused;
    if (first == Edit::Corrected || second == Edit::Corrected)
        return Edit::Corrected;
    return Wrote(first) || Wrote(second) ? Edit::Written : Edit::Unchanged;
}

// The noise gate: "off" switches it off; a threshold switches it on where the model has the
// switch. A model without the switch cannot turn a gate stored off on again, as its editor
// cannot.
Edit WriteGate(Target p, Unit, Ref r, Given v) {
    InputChannel& in = p.input(r.channel);
    if (v.index < 0)
        return SetGateEnabled(in, false);
    if (!ModelOf(p).hasGateSwitch && !GateThresholdEditable(in))
        return Edit::Refused;
    const Edit on = ModelOf(p).hasGateSwitch ? SetGateEnabled(in, true) : Edit::Unchanged;
    return Both(on, SetGateThreshold(in, v.index));
}

Edit WriteSource(Target p, Unit, Ref r, Given v) {
    OutputChannel& out = p.output(r.channel);
    const std::optional<int> mix = MixWithSource(ModelOf(p), out.mix(), r.input, v.index != 0);
    return mix ? SetMix(out, *mix) : Edit::Refused;
}

// The editor offers bandwidth and Q only on a PEQ band; a shelf has a slope instead.
Edit WriteBandwidth(Target p, Unit, Ref r, Given v) {
    Filter& band = BandOf(p, r);
    return band.type() == Filter::kPeq ? SetBandBandwidth(band, v.index) : Edit::Refused;
}
constexpr std::string_view kBandwidthRefusal =
    "only a PEQ band has a bandwidth and a Q (eq.B.type=peq)";

// The two interface lines travel together: the other keeps what the unit holds.
Edit WriteInterfaceLine(Target p, Unit unit, int line, Given v) {
    if (unit == nullptr)
        return Edit::Refused;
    if (p.lineSetB(line) == v.text)
        return Edit::Unchanged;
    const bool first = line == kFirstInterfaceLine;
    const std::string other = p.lineSetB(first ? line + 1 : line - 1);
    unit->SetInterfaceLines(first ? v.text : other, first ? other : v.text);
    return Edit::Written;
}

// ---- Word lists ---------------------------------------------------------------------------------

Choices OnOff(const DeviceModel&) {
    return {{"on", 1}, {"off", 0}};
}
Choices Polarities(const DeviceModel&) {
    return {{"normal", 0}, {"invert", 1}};
}
Choices CrossoverKinds(const DeviceModel&) {
    return {{"butterworth", Filter::kButterworth},
            {"linkwitz-riley", Filter::kLinkwitzRiley},
            {"bessel", Filter::kBessel}};
}
Choices CrossoverSlopes(const DeviceModel&) {
    return {{"12", Filter::kSlope12},
            {"18", Filter::kSlope18},
            {"24", Filter::kSlope24},
            {"48", Filter::kSlope48}};
}
Choices Releases(const DeviceModel&) {
    return {{"2x", 0}, {"4x", 1}, {"6x", 2}, {"8x", 3}, {"16x", 4}, {"32x", 5}};
}
Choices Ratios(const DeviceModel&) {
    Choices choices;
    for (int i = 0; i <= kRatioMaxIndex; ++i)
        choices.push_back({RatioText(i), i});
    return choices;
}
Choices DynamicsTypes(const DeviceModel&) {
    return {{"limit", OutputChannel::kDynamicsLimit},
            {"compressor", OutputChannel::kDynamicsCompressor}};
}
Choices DynamicsModes(const DeviceModel&) {
    return {{"manual", OutputChannel::kModeManual}, {"auto", OutputChannel::kModeAuto}};
}
Choices BandTypes(const DeviceModel&) {
    return {
        {"peq", Filter::kPeq}, {"lowshelf", Filter::kLowShelf}, {"highshelf", Filter::kHighShelf}};
}
Choices ShelfSlopes(const DeviceModel&) {
    return {{"6", Filter::kShelf6}, {"12", Filter::kShelf12}};
}
Choices InputSources(const DeviceModel&) {
    return {{"analog", 0}, {"digital", 1}};
}
Choices Backlights(const DeviceModel& model) {
    return {{"keep-on", 0}, {std::string(model.backlightTimedText), 1}};
}

// ---- Models -------------------------------------------------------------------------------------

bool HasFullDynamics(const DeviceModel& model) {
    return model.hasFullDynamics;
}
bool HasInputSource(const DeviceModel& model) {
    return model.hasInputSource;
}
bool HasGateSwitch(const DeviceModel& model) {
    return model.hasGateSwitch;
}

DisplayKindSettings GainEntry(const DeviceModel& model, Ref r) {
    return {.kind = kKindLinear,
            .min = 0,
            .max = r.output ? model.outputGainMax : model.inputGainMax,
            .step = 0.1,
            .offset = model.GainDbOffset()};
}
DisplayKindSettings DelayMsEntry(const DeviceModel& model, Ref) {
    return DelayEntry(model, DelayUnit::Milliseconds, 0); // the temperature moves distances only
}
constexpr DisplayKindSettings kTemperatureEntry{
    .kind = kKindInteger, .min = kTemperatureRange.low, .max = kTemperatureRange.high};

// A fixed entry as the table's function.
template <const DisplayKindSettings& Settings> DisplayKindSettings Fixed(const DeviceModel&, Ref) {
    return Settings;
}

int ChannelNameChars(const DeviceModel&) {
    return kChannelNameChars;
}
int InterfaceLineChars(const DeviceModel& model) {
    return model.interfaceLineWidth;
}

// ---- The table ----------------------------------------------------------------------------------
// Listed in this order on every channel; the crossovers and the limiter as the output editor
// shows them, the bands as the equaliser editor does.

const std::array<Row, 32> kRows{{
    // ---- Every channel
    {.scope = Scope::Channel,
     .key = "gain",
     .unit = "dB",
     .form = Form::Number,
     .entry = GainEntry,
     .shown = [](Program p, Ref r) { return ChannelOf(p, r).gain(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             Channel& c = ChannelOf(p, r);
             return Store(c.gain(), v.index, [&](int gain) { c.setGain(gain); });
         }},
    {.scope = Scope::Channel,
     .key = "mute",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Ref r) { return ChannelOf(p, r).on() == 0 ? 1 : 0; },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             Channel& c = ChannelOf(p, r);
             return Store(c.on() == 0 ? 1 : 0, v.index,
                          [&](int mute) { c.setOn(mute != 0 ? 0 : 1); });
         }},
    {.scope = Scope::Channel,
     .key = "polarity",
     .form = Form::Choice,
     .choices = Polarities,
     .shown = [](Program p, Ref r) { return ChannelOf(p, r).polarity() != 0 ? 1 : 0; },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             Channel& c = ChannelOf(p, r);
             return Store(c.polarity() != 0 ? 1 : 0, v.index, [&](int x) { c.setPolarity(x); });
         }},
    {.scope = Scope::Channel,
     .key = "delay",
     .unit = "ms",
     .form = Form::Number,
     .entry = DelayMsEntry,
     .shown = [](Program p, Ref r) { return ChannelOf(p, r).delay(); },
     .write = [](Target p, Unit, Ref r, Given v) { return SetDelay(ChannelOf(p, r), v.index); }},
    {.scope = Scope::Input,
     .key = "gate",
     .unit = "dBu",
     .form = Form::Number,
     .entry = Fixed<kGateThresholdEntry>,
     .shown = [](Program p, Ref r) -> int {
         const InputChannel& in = p.input(r.channel);
         return in.gateOff() != 0 ? -1 : in.gateThreshold();
     },
     .write = WriteGate,
     .refusal = "the noise gate is switched off, and this model has no switch to turn it on",
     .offWord = "off",
     .offersOff = HasGateSwitch},
    {.scope = Scope::Channel,
     .key = "name",
     .form = Form::Text,
     .maxChars = ChannelNameChars,
     .shownText = [](Program p, Ref r) { return ChannelOf(p, r).nameText(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             Channel& c = ChannelOf(p, r);
             if (c.name() == MakeChannelName(v.text))
                 return Edit::Unchanged;
             c.setName(v.text);
             return Edit::Written;
         }},

    // ---- Outputs: sources, crossovers, limiter
    {.scope = Scope::Output,
     .key = "source",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Ref r) { return (p.output(r.channel).mix() >> r.input) & 1; },
     .write = WriteSource,
     .refusal = "an output of this model keeps at least one input feeding it"},
    {.scope = Scope::Output,
     .key = "hpf.freq",
     .unit = "Hz",
     .form = Form::Number,
     .entry = Fixed<kHighPassFrequencyEntry>,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::HighPass).frequency(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverFrequency(p.output(r.channel), Crossover::HighPass, v.index);
         },
     .correction = "the high-pass never lies above the low-pass"},
    {.scope = Scope::Output,
     .key = "hpf.kind",
     .form = Form::Choice,
     .choices = CrossoverKinds,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::HighPass).kind(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverKind(p.output(r.channel), Crossover::HighPass, v.index);
         }},
    {.scope = Scope::Output,
     .key = "hpf.slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = CrossoverSlopes,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::HighPass).slope(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverSlope(p.output(r.channel), Crossover::HighPass, v.index);
         }},
    {.scope = Scope::Output,
     .key = "lpf.freq",
     .unit = "Hz",
     .form = Form::Number,
     .entry = Fixed<kLowPassFrequencyEntry>,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::LowPass).frequency(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverFrequency(p.output(r.channel), Crossover::LowPass, v.index);
         },
     .correction = "the low-pass never lies below the high-pass"},
    {.scope = Scope::Output,
     .key = "lpf.kind",
     .form = Form::Choice,
     .choices = CrossoverKinds,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::LowPass).kind(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverKind(p.output(r.channel), Crossover::LowPass, v.index);
         }},
    {.scope = Scope::Output,
     .key = "lpf.slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = CrossoverSlopes,
     .shown = [](Program p, Ref r) { return CrossoverOf(p, r, Crossover::LowPass).slope(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             return SetCrossoverSlope(p.output(r.channel), Crossover::LowPass, v.index);
         }},
    {.scope = Scope::Output,
     .key = "limiter.threshold",
     .unit = "dBu",
     .form = Form::Number,
     .entry = Fixed<kLimiterThresholdEntry>,
     .shown = [](Program p, Ref r) { return p.output(r.channel).threshold(); },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetLimiterThreshold(p.output(r.channel), v.index); }},
    {.scope = Scope::Output,
     .key = "limiter.attack",
     .unit = "ms",
     .form = Form::Number,
     .entry = Fixed<kAttackEntry>,
     .shown = [](Program p, Ref r) { return LimiterViewOf(p.output(r.channel)).attack; },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetAttack(p.output(r.channel), v.index); },
     .refusal = "in Auto mode the unit derives the attack from the high-pass frequency"},
    {.scope = Scope::Output,
     .key = "limiter.release",
     .form = Form::Choice,
     .choices = Releases,
     .shown = [](Program p, Ref r) { return LimiterViewOf(p.output(r.channel)).release; },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetRelease(p.output(r.channel), v.index); },
     .refusal = "in Auto mode the unit uses a release of 16x"},
    {.scope = Scope::Output,
     .key = "limiter.clip",
     .unit = "dB",
     .form = Form::Number,
     .entry = Fixed<kClipLimitEntry>,
     .shown = [](Program p, Ref r) { return p.output(r.channel).clipLimit(); },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetClipLimit(p.output(r.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no clip limit",
     .refusal = "only a compressor has a clip limit (limiter.type=compressor)"},
    {.scope = Scope::Output,
     .key = "limiter.ratio",
     .form = Form::Choice,
     .choices = Ratios,
     .shown = [](Program p, Ref r) { return p.output(r.channel).ratio(); },
     .write = [](Target p, Unit, Ref r, Given v) { return SetRatio(p.output(r.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no compressor ratio",
     .refusal = "only a compressor has a ratio (limiter.type=compressor)"},
    {.scope = Scope::Output,
     .key = "limiter.type",
     .form = Form::Choice,
     .choices = DynamicsTypes,
     .shown = [](Program p, Ref r) { return p.output(r.channel).dynamicsType(); },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetDynamicsType(p.output(r.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has a limiter only, no compressor"},
    {.scope = Scope::Output,
     .key = "limiter.mode",
     .form = Form::Choice,
     .choices = DynamicsModes,
     .shown = [](Program p, Ref r) { return p.output(r.channel).dynamicsMode(); },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetDynamicsMode(p.output(r.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no Manual and Auto modes",
     .refusal = "only a compressor has an Auto mode (limiter.type=compressor)"},

    // ---- Equaliser bands of inputs and outputs
    {.scope = Scope::Band,
     .key = "type",
     .form = Form::Choice,
     .choices = BandTypes,
     .shown = [](Program p, Ref r) { return BandOf(p, r).type(); },
     .write = [](Target p, Unit, Ref r, Given v) { return SetBandType(BandOf(p, r), v.index); }},
    {.scope = Scope::Band,
     .key = "freq",
     .unit = "Hz",
     .form = Form::Number,
     .entry = Fixed<kBandFrequencyEntry>,
     .shown = [](Program p, Ref r) { return BandOf(p, r).frequency(); },
     .write = [](Target p, Unit, Ref r,
                 Given v) { return SetBandFrequency(BandOf(p, r), v.index); },
     .correction = "a low shelf goes up to 20000 Hz"},
    {.scope = Scope::Band,
     .key = "bw",
     .unit = "oct",
     .form = Form::Number,
     .entry = [](const DeviceModel& model, Ref) { return BandwidthEntry(model); },
     .shown = [](Program p, Ref r) { return BandOf(p, r).bandwidthIndex(); },
     .write = WriteBandwidth,
     .refusal = kBandwidthRefusal},
    {.scope = Scope::Band,
     .key = "q",
     .form = Form::Number,
     .entry = [](const DeviceModel& model, Ref) { return QEntry(model); },
     .shown = [](Program p, Ref r) { return BandOf(p, r).bandwidthIndex(); },
     .write = WriteBandwidth,
     .refusal = kBandwidthRefusal,
     .sameField = "bw"},
    {.scope = Scope::Band,
     .key = "gain",
     .unit = "dB",
     .form = Form::Number,
     .entry = Fixed<kBandGainEntry>,
     .shown = [](Program p, Ref r) { return ShownBandGain(BandOf(p, r)); },
     .write = [](Target p, Unit, Ref r, Given v) { return SetBandGain(BandOf(p, r), v.index); },
     .correction = "a band switched off shows 0.0 dB"},
    {.scope = Scope::Band,
     .key = "slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = ShelfSlopes,
     .shown = [](Program p, Ref r) { return BandOf(p, r).slope(); },
     .write =
         [](Target p, Unit, Ref r, Given v) {
             // The editor offers the slope only on a shelf.
             Filter& band = BandOf(p, r);
             return band.type() == Filter::kPeq ? Edit::Refused : SetBandSlope(band, v.index);
         },
     .refusal = "only a shelf has a slope (eq.B.type=lowshelf or highshelf)"},
    {.scope = Scope::Band,
     .key = "on",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Ref r) { return BandOf(p, r).off() == 0 ? 1 : 0; },
     .write = [](Target p, Unit, Ref r, Given v) { return SetBandOn(BandOf(p, r), v.index != 0); },
     .refusal = "a band with a gain of 0.0 dB cannot be switched on; give it a gain"},

    // ---- The unit as a whole
    {.scope = Scope::Unit,
     .key = "source",
     .form = Form::Choice,
     .choices = InputSources,
     .shown = [](Program p, Ref) { return p.inputSource(); },
     .write =
         [](Target p, Unit unit, Ref, Given v) {
             if (unit == nullptr)
                 return Edit::Refused;
             return Store(p.inputSource(), v.index,
                          [&](int source) { unit->SetInputSource(source, true); });
         },
     .offers = HasInputSource,
     .lacking = "has no choice of input source",
     .globalCode = kGlobalSettings},
    {.scope = Scope::Unit,
     .key = "temperature",
     .unit = "°C",
     .form = Form::Number,
     .entry = Fixed<kTemperatureEntry>,
     .shown = [](Program p, Ref) { return p.temperature(); },
     .write =
         [](Target p, Unit unit, Ref, Given v) {
             if (unit == nullptr)
                 return Edit::Refused;
             return Store(p.temperature(), v.index, [&](int c) { unit->SetTemperature(c); });
         },
     .globalCode = kGlobalTemperature},
    {.scope = Scope::Unit,
     .key = "backlight",
     .form = Form::Choice,
     .choices = Backlights,
     .shown = [](Program p, Ref) { return p.backlight(); },
     .write =
         [](Target p, Unit unit, Ref, Given v) {
             if (unit == nullptr)
                 return Edit::Refused;
             return Store(p.backlight(), v.index, [&](int b) { unit->SetBacklight(b); });
         },
     .globalCode = kGlobalBacklight},
    {.scope = Scope::Unit,
     .key = "line2",
     .form = Form::Text,
     .maxChars = InterfaceLineChars,
     .shownText = [](Program p, Ref) { return p.lineSetB(kFirstInterfaceLine); },
     .write = [](Target p, Unit unit, Ref,
                 Given v) { return WriteInterfaceLine(p, unit, kFirstInterfaceLine, v); },
     .globalCode = kGlobalLineSetB},
    {.scope = Scope::Unit,
     .key = "line3",
     .form = Form::Text,
     .maxChars = InterfaceLineChars,
     .shownText = [](Program p, Ref) { return p.lineSetB(kFirstInterfaceLine + 1); },
     .write = [](Target p, Unit unit, Ref,
                 Given v) { return WriteInterfaceLine(p, unit, kFirstInterfaceLine + 1, v); },
     .globalCode = kGlobalLineSetB},
}};

// ---- Names --------------------------------------------------------------------------------------

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string> SplitDots(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t dot; (dot = text.find('.', start)) != std::string::npos; start = dot + 1)
        parts.push_back(text.substr(start, dot - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string JoinFrom(const std::vector<std::string>& parts, std::size_t first) {
    std::string joined;
    for (std::size_t i = first; i < parts.size(); ++i)
        joined += (i == first ? "" : ".") + parts[i];
    return joined;
}

// "a".."z" as an input index (0..25); anything else nothing.
std::optional<int> InputLetter(const std::string& token) {
    if (token.size() != 1 || token[0] < 'a' || token[0] > 'z')
        return std::nullopt;
    return token[0] - 'a';
}

// "1".."99" as a zero-based index; anything else nothing.
std::optional<int> Ordinal(const std::string& token) {
    int n = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), n);
    if (ec != std::errc() || end != token.data() + token.size() || token.size() > 2 ||
        token[0] == '0')
        return std::nullopt;
    return n - 1;
}

char InputChar(int input) {
    return static_cast<char>('A' + input);
}

bool ScopeHolds(Scope held, Scope wanted) {
    return held == wanted ||
           (held == Scope::Channel && (wanted == Scope::Input || wanted == Scope::Output));
}

std::string ChannelPrefix(const Parameter& p) {
    return p.output ? "out." + std::to_string(p.channel + 1)
                    : std::string("in.") + InputChar(p.channel);
}

std::string NameOf(const Parameter& p, std::string_view key) {
    switch (p.row->scope) {
    case Scope::Unit:
        return "unit." + std::string(key);
    case Scope::Band:
        return ChannelPrefix(p) + ".eq." + std::to_string(p.band + 1) + "." + std::string(key);
    default:
        if (p.row->key == "source")
            return ChannelPrefix(p) + ".source." + InputChar(p.input);
        return ChannelPrefix(p) + "." + std::string(key);
    }
}

Parameter Make(const Row& row, bool output, int channel, int band, int input) {
    Parameter p{&row, output, channel, band, input, {}};
    p.name = NameOf(p, row.key);
    return p;
}

bool Offers(const Row& row, const DeviceModel& model) {
    return row.offers == nullptr || row.offers(model);
}

std::string Label(const DeviceModel& model) {
    return "the " + std::string(model.label);
}

// ---- Values -------------------------------------------------------------------------------------

// A whole decimal number: an optional sign, digits, and for non-integer kinds a fraction.
bool IsPlainNumber(std::string_view text, bool fraction) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view part =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(part) || whole.size() + part.size() == 0)
        return false;
    return fraction || point == std::string_view::npos;
}

bool IsIntegerKind(int kind) {
    return kind == kKindInteger || kind == kKindFrequency || kind == kKindInteger9;
}

std::string Format(const DisplayKindSettings& settings, int index) {
    return FormatDisplayKind(settings, index).value_or(std::string());
}

// "-40.0 to 6.0", "10 to 30000", "on, off", "up to 8 characters".
std::string RangeText(const Row& row, const Parameter& p, const DeviceModel& model) {
    switch (row.form) {
    case Form::Number: {
        const DisplayKindSettings s = row.entry(model, p);
        std::string low = Format(s, s.min);
        std::string high = Format(s, s.max);
        if (ReadDecimal(low) > ReadDecimal(high)) // the Q falls as the bandwidth index rises
            std::swap(low, high);
        std::string text = low + " to " + high;
        if (!row.offWord.empty() && row.offersOff != nullptr && row.offersOff(model))
            text += ", or " + std::string(row.offWord);
        return text;
    }
    case Form::Choice: {
        std::string text;
        for (const Choice& c : row.choices(model))
            text += (text.empty() ? "" : ", ") + std::string(c.word);
        return text;
    }
    case Form::Text:
        return "up to " + std::to_string(row.maxChars(model)) + " characters";
    }
    return {};
}

std::string WithUnit(const std::string& range, std::string_view unit) {
    return unit.empty() ? range : range + " " + std::string(unit);
}

std::optional<Value> ParseNumber(const Row& row, const Parameter& p, const DeviceModel& model,
                                 std::string_view text, std::string& error) {
    const bool offered = !row.offWord.empty() && row.offersOff != nullptr && row.offersOff(model);
    if (offered && Lower(text) == row.offWord)
        return Value{-1, {}, {}};
    const DisplayKindSettings s = row.entry(model, p);
    const std::string range = WithUnit(RangeText(row, p, model), row.unit);
    if (!IsPlainNumber(text, !IsIntegerKind(s.kind))) {
        const bool number = IsPlainNumber(text, true);
        error = p.name + ": " + std::string(text) +
                (number ? " is not a whole number" : " is not a number") + " (" + range + ")";
        if (!row.offWord.empty() && !offered)
            error += "; " + Label(model) + " has no switch to turn it " + std::string(row.offWord);
        return std::nullopt;
    }
    // A value beyond the range is refused as the editors refuse it: nothing is limited and sent.
    const DisplayEntry entry = ApplyDisplayEntry(s, s.min, text);
    if (entry.outcome != EntryOutcome::Commit) {
        const bool outside = entry.problem == EntryProblem::OutOfRange;
        error = p.name + ": " + std::string(text) + " is " +
                (outside ? std::string(kOutOfRangeText) : "not a possible value") + " (" + range +
                ")";
        return std::nullopt;
    }
    return Value{entry.index, {}, {}};
}

std::optional<Value> ParseChoice(const Row& row, const Parameter& p, const DeviceModel& model,
                                 std::string_view text, std::string& error) {
    const std::string lower = Lower(text);
    for (const Choice& c : row.choices(model))
        if (Lower(c.word) == lower)
            return Value{c.index, {}, {}};
    error = p.name + ": " + std::string(text) + " is not one of " + RangeText(row, p, model);
    return std::nullopt;
}

std::optional<Value> ParseText(const Row& row, const Parameter& p, const DeviceModel& model,
                               std::string_view text, std::string& error) {
    if (!IsTypableText(text)) {
        error =
            p.name + ": only printable ASCII characters can be stored (the unit shows no others)";
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(row.maxChars(model));
    Value value{0, std::string(text.substr(0, std::min(text.size(), width))), {}};
    if (text.size() > width)
        value.note =
            p.name + ": " + std::to_string(width) + " characters are kept: \"" + value.text + "\"";
    return value;
}

bool IsBandSetting(const Parameter& p, std::string_view key) {
    return p.row->scope == Scope::Band && p.row->key == key;
}

bool SameBand(const Parameter& a, const Parameter& b) {
    return a.output == b.output && a.channel == b.channel && a.band == b.band;
}

// Whether the program now holds the value asked.
bool Holds(const Assignment& a, const ProgramContainer& program) {
    const Row& row = *a.parameter.row;
    if (row.form == Form::Text)
        return row.shownText(program, a.parameter) == a.value.text;
    return row.shown(program, a.parameter) == a.value.index;
}

} // namespace

bool Parameter::IsUnitSetting() const {
    return row != nullptr && row->scope == Scope::Unit;
}

int Parameter::GlobalCode() const {
    return IsUnitSetting() ? row->globalCode : 0;
}

std::string Parameter::FieldName() const {
    return row == nullptr || row->sameField.empty() ? name : NameOf(*this, row->sameField);
}

std::vector<Parameter> AllParameters(const DeviceModel& model, Holder holder) {
    std::vector<Parameter> list;
    auto channel = [&](bool output, int index) {
        for (const Row& row : kRows) {
            if (!ScopeHolds(row.scope, output ? Scope::Output : Scope::Input) ||
                !Offers(row, model))
                continue;
            if (row.key == "source") {
                for (int input = 0; input < model.inputs; ++input)
                    list.push_back(Make(row, output, index, 0, input));
            } else {
                list.push_back(Make(row, output, index, 0, 0));
            }
        }
        const int bands = output ? model.outputBands : model.inputBands;
        for (int band = 0; band < bands; ++band)
            for (const Row& row : kRows)
                if (row.scope == Scope::Band)
                    list.push_back(Make(row, output, index, band, 0));
    };
    for (int i = 0; i < model.inputs; ++i)
        channel(false, i);
    for (int o = 0; o < model.outputs; ++o)
        channel(true, o);
    if (holder == Holder::Unit)
        for (const Row& row : kRows)
            if (row.scope == Scope::Unit && Offers(row, model))
                list.push_back(Make(row, false, 0, 0, 0));
    return list;
}

std::optional<Parameter> FindParameter(const DeviceModel& model, Holder holder,
                                       std::string_view name, std::string& error) {
    const std::vector<std::string> parts = SplitDots(Lower(name));
    auto unknown = [&] {
        error = "unknown parameter " + std::string(name);
        return std::nullopt;
    };
    Scope scope = Scope::Unit;
    std::string key;
    bool output = false;
    int channel = 0, band = 0, input = 0;
    if (parts.size() >= 2 && parts[0] == "unit") {
        key = JoinFrom(parts, 1);
    } else if (parts.size() >= 3 && (parts[0] == "in" || parts[0] == "out")) {
        output = parts[0] == "out";
        const std::optional<int> index = output ? Ordinal(parts[1]) : InputLetter(parts[1]);
        if (!index)
            return unknown();
        channel = *index;
        scope = output ? Scope::Output : Scope::Input;
        key = JoinFrom(parts, 2);
        if (parts[2] == "eq" && parts.size() >= 5) {
            const std::optional<int> b = Ordinal(parts[3]);
            if (!b)
                return unknown();
            band = *b;
            scope = Scope::Band;
            key = JoinFrom(parts, 4);
        } else if (output && parts[2] == "source" && parts.size() == 4) {
            const std::optional<int> in = InputLetter(parts[3]);
            if (!in)
                return unknown();
            input = *in;
            key = "source";
        }
    } else {
        return unknown();
    }
    const auto row = std::find_if(kRows.begin(), kRows.end(), [&](const Row& s) {
        return ScopeHolds(s.scope, scope) && s.key == key &&
               // "out.N.source" alone names no input
               (s.key != "source" || scope == Scope::Unit || parts.size() == 4);
    });
    if (row == kRows.end())
        return unknown();
    const Parameter p = Make(*row, output, channel, band, input);
    const std::string label = Label(model);
    const std::string lastInput(1, InputChar(model.inputs - 1));
    if (scope != Scope::Unit && !output && channel >= model.inputs) {
        error = p.name + ": " + label + " has inputs A to " + lastInput;
    } else if (output && channel >= model.outputs) {
        error = p.name + ": " + label + " has outputs 1 to " + std::to_string(model.outputs);
    } else if (scope == Scope::Band && band >= (output ? model.outputBands : model.inputBands)) {
        error = p.name + ": the " + (output ? "outputs" : "inputs") + " of " + label +
                " have bands 1 to " + std::to_string(output ? model.outputBands : model.inputBands);
    } else if (row->key == "source" && scope != Scope::Unit && input >= model.inputs) {
        error = p.name + ": " + label + " has inputs A to " + lastInput;
    } else if (!Offers(*row, model)) {
        error = p.name + ": " + label + " " + std::string(row->lacking);
    } else if (scope == Scope::Unit && holder == Holder::ProgramFile) {
        error = p.name + " is a setting of the unit: a program file does not hold it";
    } else {
        return p;
    }
    return std::nullopt;
}

std::string ReadParameter(const Parameter& parameter, const ProgramContainer& program) {
    const Row& row = *parameter.row;
    const DeviceModel& model = ModelOf(program);
    switch (row.form) {
    case Form::Number: {
        const int index = row.shown(program, parameter);
        if (index < 0 && !row.offWord.empty())
            return std::string(row.offWord);
        return Format(row.entry(model, parameter), index);
    }
    case Form::Choice: {
        const int index = row.shown(program, parameter);
        for (const Choice& c : row.choices(model))
            if (c.index == index)
                return std::string(c.word);
        return std::to_string(index); // a stored value no word stands for
    }
    case Form::Text:
        return row.shownText(program, parameter);
    }
    return {};
}

std::optional<Value> ParseValue(const Parameter& parameter, const DeviceModel& model,
                                std::string_view text, std::string& error) {
    const Row& row = *parameter.row;
    switch (row.form) {
    case Form::Number:
        return ParseNumber(row, parameter, model, text, error);
    case Form::Choice:
        return ParseChoice(row, parameter, model, text, error);
    case Form::Text:
        return ParseText(row, parameter, model, text, error);
    }
    return std::nullopt;
}

std::string TextTheUnitKeeps(const Parameter& parameter, std::string_view text) {
    const Row& row = *parameter.row;
    if (row.form != Form::Text)
        return std::string(text);
    // Channel names come back without their trailing blanks, interface lines without blanks at
    // either end.
    const bool leadingToo = row.scope == Scope::Unit;
    const auto last = text.find_last_not_of(' ');
    if (last == std::string_view::npos)
        return {};
    text = text.substr(0, last + 1);
    if (leadingToo)
        text.remove_prefix(text.find_first_not_of(' '));
    return std::string(text);
}

ApplyOutcome Apply(const std::vector<Assignment>& assignments, ProgramContainer& program,
                   UnitController* unit) {
    ApplyOutcome outcome;
    std::vector<const Assignment*> channelSettings;
    std::vector<const Assignment*> unitSettings;
    for (const Assignment& a : assignments)
        (a.parameter.IsUnitSetting() ? unitSettings : channelSettings).push_back(&a);
    // A band's on/off goes after everything else, as an operator switches a band off after
    // typing its gain (typing a gain switches the band on): "off" with a gain on one line leaves
    // the band off, keeping that gain for when it is switched on again, in either order.
    std::stable_partition(channelSettings.begin(), channelSettings.end(),
                          [](const Assignment* a) { return !IsBandSetting(a->parameter, "on"); });
    const auto keptWhileOff = [&](const Assignment& a) {
        if (!IsBandSetting(a.parameter, "gain"))
            return false;
        const Filter& band = BandOf(program, a.parameter);
        return band.off() != 0 && band.gainIndex() == a.value.index &&
               std::any_of(
                   channelSettings.begin(), channelSettings.end(), [&](const Assignment* other) {
                       return IsBandSetting(other->parameter, "on") &&
                              SameBand(other->parameter, a.parameter) && other->value.index == 0;
                   });
    };
    const auto holds = [&](const Assignment& a) { return Holds(a, program) || keptWhileOff(a); };

    // The second round writes what the first left different: a value another one in the list
    // has made possible since (or has changed again).
    std::vector<Edit> last(channelSettings.size(), Edit::Unchanged);
    for (int round = 0; round < 2; ++round)
        for (std::size_t i = 0; i < channelSettings.size(); ++i) {
            const Assignment& a = *channelSettings[i];
            if (round == 0 || !holds(a))
                last[i] = a.parameter.row->write(program, unit, a.parameter, a.value);
        }
    for (std::size_t i = 0; i < channelSettings.size(); ++i) {
        const Assignment& a = *channelSettings[i];
        const Row& row = *a.parameter.row;
        if (Holds(a, program))
            continue;
        if (keptWhileOff(a)) {
            outcome.gainsOfBandsOff.emplace_back(
                a.parameter.name, Format(row.entry(ModelOf(program), a.parameter), a.value.index));
            continue;
        }
        if (last[i] == Edit::Refused) {
            outcome.refusals.push_back(a.parameter.name + ": " + std::string(row.refusal));
        } else {
            const std::string why = row.correction.empty() ? "limited by the editing rules"
                                                           : std::string(row.correction);
            outcome.corrections.push_back(a.parameter.name + ": " + why + "; set to " +
                                          ReadParameter(a.parameter, program));
        }
    }
    if (!outcome.refusals.empty())
        return outcome;
    for (const Assignment* a : unitSettings)
        if (a->parameter.row->write(program, unit, a->parameter, a->value) == Edit::Refused)
            outcome.refusals.push_back(a->parameter.name + ": only a connected unit holds it");
    return outcome;
}

namespace {

// How a row is listed for inputs (false) or outputs (true): "in.X.gain", "out.N.eq.B.freq".
std::optional<std::string> ListedName(const Row& row, bool output) {
    const bool listed = row.scope == Scope::Channel || row.scope == Scope::Band ||
                        (row.scope == Scope::Input && !output) ||
                        (row.scope == Scope::Output && output) ||
                        (row.scope == Scope::Unit && !output);
    if (!listed)
        return std::nullopt;
    std::string name = row.scope == Scope::Unit ? "unit" : output ? "out.N" : "in.X";
    if (row.scope == Scope::Band)
        name += ".eq.B";
    name += "." + std::string(row.key);
    if (row.scope == Scope::Output && row.key == "source")
        name += ".X";
    return name;
}

// The row's range on each model that has it, models of one range together:
// "-40.0 to 6.0 (4x8); -36.0 to 20.0 (3x6, 2x4)"; no model named when all share one.
std::string RangesByModel(const Row& row, bool output) {
    std::vector<std::pair<std::string, std::string>> ranges; // range, models
    std::size_t models = 0;
    for (const DeviceModel& model : kDeviceModels) {
        if (!Offers(row, model))
            continue;
        ++models;
        const Parameter p{&row, output, 0, 0, 0, {}};
        const std::string range = RangeText(row, p, model);
        const auto same = std::find_if(ranges.begin(), ranges.end(),
                                       [&](const auto& r) { return r.first == range; });
        if (same == ranges.end())
            ranges.emplace_back(range, std::string(model.label));
        else
            same->second += ", " + std::string(model.label);
    }
    if (ranges.size() == 1 && models == kDeviceModels.size())
        return ranges.front().first;
    std::string text;
    for (const auto& [range, labels] : ranges)
        text += (text.empty() ? "" : "; ") + range + " (" + labels + ")";
    return text;
}

// The text and blanks up to `width` columns (at least one); a UTF-8 character takes one column.
std::string Padded(std::string text, std::size_t width) {
    const auto columns =
        static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    text.append(std::max<std::size_t>(width > columns ? width - columns : 0, 1), ' ');
    return text;
}

} // namespace

std::string HelpText() {
    std::string text =
        "Parameters (X an input letter, N an output number, B an equaliser band), each with its\n"
        "unit and its range on each model; words may be given in either case:\n";
    auto list = [&](bool output, auto&& wanted) {
        for (const Row& row : kRows) {
            const std::optional<std::string> name = ListedName(row, output);
            if (name && wanted(row))
                text += "  " + Padded(*name, 24) + Padded(std::string(row.unit), 8) +
                        RangesByModel(row, output) + "\n";
        }
    };
    auto channelRows = [](const Row& row) {
        return row.scope != Scope::Band && row.scope != Scope::Unit;
    };
    auto bandRows = [](const Row& row) { return row.scope == Scope::Band; };
    list(false, channelRows);
    list(true, channelRows);
    list(false, bandRows);
    list(true, bandRows);
    list(false, [](const Row& row) { return row.scope == Scope::Unit; });
    text += "Channels of each model:\n";
    for (const DeviceModel& model : kDeviceModels)
        text += "  " + std::string(model.label) + ": inputs A to " + InputChar(model.inputs - 1) +
                " with bands 1 to " + std::to_string(model.inputBands) + ", outputs 1 to " +
                std::to_string(model.outputs) + " with bands 1 to " +
                std::to_string(model.outputBands) + "\n";
    text += "The editors' rules hold: a high-pass never lies above the low-pass of its output; a\n"
            "low shelf goes up to 20000 Hz; a 3x6 or 2x4 output keeps at least one input; a band\n"
            "gain of 0.0 dB switches the band off and any other gain switches it on, but\n"
            "eq.B.on=off given with a gain wins (a single-setting file keeps that gain for when\n"
            "the band is switched on); a PEQ band has a bandwidth and a Q, a shelf a slope; a gate\n"
            "threshold switches the gate on; in Auto mode the unit sets attack and release\n"
            "itself; clip, ratio and Auto need limiter.type=compressor. The unit-wide settings\n"
            "(unit.*) belong to a unit; program files do not hold them.\n";
    return text;
}

std::optional<ChannelId> FindChannel(const DeviceModel& model, std::string_view name,
                                     std::string& error) {
    // Every channel has a gain: its name finds the channel the same way every setting does.
    constexpr std::string_view kSetting = ".gain";
    const auto gain =
        FindParameter(model, Holder::ProgramFile, std::string(name) + std::string(kSetting), error);
    if (gain)
        return ChannelId{gain->output, gain->channel};
    const auto suffix = error.find(std::string(kSetting) + ":");
    if (suffix != std::string::npos)
        error.erase(suffix, kSetting.size()); // "out.9: the 4x8 has outputs 1 to 8"
    else
        error = "unknown channel " + std::string(name) + " (in.A, out.2, ...)";
    return std::nullopt;
}

std::string ChannelName(ChannelId channel) {
    return channel.output ? "out." + std::to_string(channel.index + 1)
                          : std::string("in.") + InputChar(channel.index);
}

} // namespace ParameterCatalogue
