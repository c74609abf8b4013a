#include "model/ParameterRegistry.h"

#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ProgramContainer.h"
#include "model/TextEntryRules.h"
#include "model/ValueLimits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

using namespace ChannelEditRules;

ParameterKey ChannelKey(ChannelId channel, ParameterField field) {
    return {channel.output ? ParameterScope::Output : ParameterScope::Input, channel.index, 0,
            field, 0};
}

ParameterKey BandKey(ChannelId channel, int band, ParameterField field) {
    return {channel.output ? ParameterScope::Output : ParameterScope::Input, channel.index, band,
            field, 0};
}

ParameterKey SourceKey(int output, int input) {
    return {ParameterScope::Output, output, 0, ParameterField::Source, input};
}

ParameterKey UnitKey(ParameterField field) {
    return {ParameterScope::Unit, 0, 0, field, 0};
}

namespace ParameterRegistry {

namespace {

// Which keys a row has: every channel, inputs only, outputs only, every equaliser band, or the
// unit as a whole.
enum class RowScope { Channel, Input, Output, Band, Unit };

using WordList = std::vector<Choice>;
using Program = const ProgramContainer&;
using Target = ProgramContainer&;
using Writer = UnitSettingsWriter*;
using Key = const ParameterKey&;
using Given = const Value&;

// One parameter: one row per field, in the order of ParameterField.
struct Row {
    ParameterField field;
    RowScope scope;
    std::string_view name;      // after the channel (and band): "gain", "hpf.freq"
    std::string_view label;     // "Gain", "HPF Frequency"
    std::string_view unit = {}; // "dB", "ms", "Hz"; empty for words and texts
    Form form;
    // Number: the display kind and range of the editor's value box.
    DisplayKindSettings (*scale)(const DeviceModel&, Key) = nullptr;
    // Choice: the words and the indices they stand for.
    WordList (*choices)(const DeviceModel&) = nullptr;
    // Text: the characters kept.
    int (*maxChars)(const DeviceModel&) = nullptr;
    // The index shown (Number, Choice) or the text shown (Text).
    int (*shown)(Program, Key) = nullptr;
    std::string (*shownText)(Program, Key) = nullptr;
    // The record's own display text; none: the value as the command line gives it.
    std::string (*display)(Program, Key) = nullptr;
    // Writes through the editing rules or the unit's writer.
    Edit (*write)(Target, Writer, Key, Given) = nullptr;
    // The models that have the setting (nullptr: all), and what the others lack.
    bool (*offers)(const DeviceModel&) = nullptr;
    std::string_view lacking = {};
    // Why the rules refuse a write, and why they store another value than the one asked.
    std::string_view refusal = {};
    std::string_view correction = {};
    // Number: a word for "switched off" (index -1), on the models `offersOff` names.
    std::string_view offWord = {};
    bool (*offersOff)(const DeviceModel&) = nullptr;
    // Number with an off word: the index a control keeps showing (greyed) while the value is off.
    int (*heldWhileOff)(Program, Key) = nullptr;
    // The field whose stored value this one is another view of (a Q shows the bandwidth).
    std::optional<ParameterField> storedAs = std::nullopt;
};

// ---- Where a parameter lives --------------------------------------------------------------------

const Channel& ChannelOf(Program p, Key k) {
    return k.IsOutput() ? static_cast<const Channel&>(p.output(k.channel))
                        : static_cast<const Channel&>(p.input(k.channel));
}
Channel& ChannelOf(Target p, Key k) {
    return k.IsOutput() ? static_cast<Channel&>(p.output(k.channel))
                        : static_cast<Channel&>(p.input(k.channel));
}
const Filter& BandOf(Program p, Key k) {
    return ChannelOf(p, k).filter(k.band);
}
Filter& BandOf(Target p, Key k) {
    return ChannelOf(p, k).filter(k.band);
}
const Filter& CrossoverOf(Program p, Key k, Crossover which) {
    const OutputChannel& out = p.output(k.channel);
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
Edit WriteGate(Target p, Writer, Key k, Given v) {
    InputChannel& in = p.input(k.channel);
    if (v.index < 0)
        return SetGateEnabled(in, false);
    if (!ModelOf(p).hasGateSwitch && !GateThresholdEditable(in))
        return Edit::Refused;
    const Edit on = ModelOf(p).hasGateSwitch ? SetGateEnabled(in, true) : Edit::Unchanged;
    return Both(on, SetGateThreshold(in, v.index));
}

Edit WriteSource(Target p, Writer, Key k, Given v) {
    OutputChannel& out = p.output(k.channel);
    const std::optional<int> mix = MixWithSource(ModelOf(p), out.mix(), k.input, v.index != 0);
    return mix ? SetMix(out, *mix) : Edit::Refused;
}

// The editor offers bandwidth and Q only on a PEQ band; a shelf has a slope instead.
Edit WriteBandwidth(Target p, Writer, Key k, Given v) {
    Filter& band = BandOf(p, k);
    return band.type() == Filter::kPeq ? SetBandBandwidth(band, v.index) : Edit::Refused;
}
constexpr std::string_view kBandwidthRefusal =
    "only a PEQ band has a bandwidth and a Q (eq.B.type=peq)";

bool IsShelf(const Filter& band) {
    return band.type() == Filter::kLowShelf || band.type() == Filter::kHighShelf;
}

// The two interface lines travel together: the other keeps what the unit holds.
Edit WriteInterfaceLine(Target p, Writer unit, int line, Given v) {
    if (unit == nullptr)
        return Edit::Refused;
    if (p.lineSetB(line) == v.text)
        return Edit::Unchanged;
    const bool first = line == kFirstInterfaceLine;
    const std::string other = p.lineSetB(first ? line + 1 : line - 1);
    unit->WriteInterfaceLines(first ? v.text : other, first ? other : v.text);
    return Edit::Written;
}

// A unit-wide number or choice, written through the unit's writer.
template <int (ProgramContainer::*Get)() const, void (UnitSettingsWriter::*Put)(int)>
Edit WriteUnitValue(Target p, Writer unit, Key, Given v) {
    if (unit == nullptr)
        return Edit::Refused;
    return Store((p.*Get)(), v.index, [&](int value) { (unit->*Put)(value); });
}

// ---- Word lists ---------------------------------------------------------------------------------

WordList OnOff(const DeviceModel&) {
    return {{"on", 1}, {"off", 0}};
}
WordList Polarities(const DeviceModel&) {
    return {{"normal", 0}, {"invert", 1}};
}
WordList CrossoverKinds(const DeviceModel&) {
    return {{"butterworth", Filter::kButterworth},
            {"linkwitz-riley", Filter::kLinkwitzRiley},
            {"bessel", Filter::kBessel}};
}
WordList CrossoverSlopes(const DeviceModel&) {
    return {{"12", Filter::kSlope12},
            {"18", Filter::kSlope18},
            {"24", Filter::kSlope24},
            {"48", Filter::kSlope48}};
}
WordList Releases(const DeviceModel&) {
    return {{"2x", 0}, {"4x", 1}, {"6x", 2}, {"8x", 3}, {"16x", 4}, {"32x", 5}};
}
WordList Ratios(const DeviceModel&) {
    WordList choices;
    for (int i = 0; i <= kRatioMaxIndex; ++i)
        choices.push_back({RatioText(i), i});
    return choices;
}
WordList DynamicsTypes(const DeviceModel&) {
    return {{"limit", OutputChannel::kDynamicsLimit},
            {"compressor", OutputChannel::kDynamicsCompressor}};
}
WordList DynamicsModes(const DeviceModel&) {
    return {{"manual", OutputChannel::kModeManual}, {"auto", OutputChannel::kModeAuto}};
}
WordList BandTypes(const DeviceModel&) {
    return {
        {"peq", Filter::kPeq}, {"lowshelf", Filter::kLowShelf}, {"highshelf", Filter::kHighShelf}};
}
WordList ShelfSlopes(const DeviceModel&) {
    return {{"6", Filter::kShelf6}, {"12", Filter::kShelf12}};
}
WordList InputSources(const DeviceModel&) {
    return {{"analog", 0}, {"digital", 1}};
}
WordList Backlights(const DeviceModel& model) {
    return {{"keep-on", 0}, {std::string(model.backlightTimedText), 1}};
}

// ---- Models and scales --------------------------------------------------------------------------

bool HasFullDynamics(const DeviceModel& model) {
    return model.hasFullDynamics;
}
bool HasInputSource(const DeviceModel& model) {
    return model.hasInputSource;
}
bool HasGateSwitch(const DeviceModel& model) {
    return model.hasGateSwitch;
}

// A channel gain: 0.1 dB steps from the model's lowest level, up to the input's or the output's
// top.
DisplayKindSettings GainScale(const DeviceModel& model, Key k) {
    return {.kind = kKindLinear,
            .min = 0,
            .max = k.IsOutput() ? model.outputGainMax : model.inputGainMax,
            .step = 0.1,
            .offset = model.GainDbOffset()};
}
DisplayKindSettings DelayMsScale(const DeviceModel& model, Key) {
    return DelayEntry(model, DelayUnit::Milliseconds, 0); // the temperature moves distances only
}
DisplayKindSettings BandwidthScale(const DeviceModel& model, Key) {
    return BandwidthEntry(model);
}
DisplayKindSettings QScale(const DeviceModel& model, Key) {
    return QEntry(model);
}
constexpr DisplayKindSettings kTemperatureScale{
    .kind = kKindInteger, .min = kTemperatureRange.low, .max = kTemperatureRange.high};

// A fixed scale as the table's function.
template <const DisplayKindSettings& Settings> DisplayKindSettings Fixed(const DeviceModel&, Key) {
    return Settings;
}

int ChannelNameChars(const DeviceModel&) {
    return kChannelNameChars;
}
int InterfaceLineChars(const DeviceModel& model) {
    return model.interfaceLineWidth;
}

// ---- The table ----------------------------------------------------------------------------------
// In the order of ParameterField: the crossovers and the limiter as the output editor shows them,
// the bands as the equaliser editor does.

constexpr std::array<Row, 33> kRows{{
    // ---- Every channel
    {.field = ParameterField::Gain,
     .scope = RowScope::Channel,
     .name = "gain",
     .label = "Gain",
     .unit = "dB",
     .form = Form::Number,
     .scale = GainScale,
     .shown = [](Program p, Key k) { return ChannelOf(p, k).gain(); },
     .display = [](Program p, Key k) { return ChannelOf(p, k).gainText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             Channel& c = ChannelOf(p, k);
             return Store(c.gain(), v.index, [&](int gain) { c.setGain(gain); });
         }},
    {.field = ParameterField::Mute,
     .scope = RowScope::Channel,
     .name = "mute",
     .label = "Mute",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Key k) { return ChannelOf(p, k).on() == 0 ? 1 : 0; },
     .display = [](Program p, Key k) { return ChannelOf(p, k).stateText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             Channel& c = ChannelOf(p, k);
             return Store(c.on() == 0 ? 1 : 0, v.index,
                          [&](int mute) { c.setOn(mute != 0 ? 0 : 1); });
         }},
    {.field = ParameterField::Polarity,
     .scope = RowScope::Channel,
     .name = "polarity",
     .label = "Polarity",
     .form = Form::Choice,
     .choices = Polarities,
     .shown = [](Program p, Key k) { return ChannelOf(p, k).polarity() != 0 ? 1 : 0; },
     .display = [](Program p, Key k) { return ChannelOf(p, k).polarityText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             Channel& c = ChannelOf(p, k);
             return Store(c.polarity() != 0 ? 1 : 0, v.index, [&](int x) { c.setPolarity(x); });
         }},
    {.field = ParameterField::Delay,
     .scope = RowScope::Channel,
     .name = "delay",
     .label = "Delay",
     .unit = "ms",
     .form = Form::Number,
     .scale = DelayMsScale,
     .shown = [](Program p, Key k) { return ChannelOf(p, k).delay(); },
     .display = [](Program p, Key k) { return ChannelOf(p, k).delayText(); },
     .write = [](Target p, Writer, Key k, Given v) { return SetDelay(ChannelOf(p, k), v.index); }},
    {.field = ParameterField::Gate,
     .scope = RowScope::Input,
     .name = "gate",
     .label = "Gate Threshold",
     .unit = "dBu",
     .form = Form::Number,
     .scale = Fixed<kGateThresholdEntry>,
     .shown = [](Program p, Key k) -> int {
         const InputChannel& in = p.input(k.channel);
         return in.gateOff() != 0 ? -1 : in.gateThreshold();
     },
     .display = [](Program p, Key k) { return p.input(k.channel).gateText(); },
     .write = WriteGate,
     .refusal = "the noise gate is switched off, and this model has no switch to turn it on",
     .offWord = "off",
     .offersOff = HasGateSwitch,
     .heldWhileOff = [](Program p, Key k) { return int(p.input(k.channel).gateThreshold()); }},
    {.field = ParameterField::GateSwitch,
     .scope = RowScope::Input,
     .name = "gate.on",
     .label = "Noisegate",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Key k) { return p.input(k.channel).gateOff() != 0 ? 0 : 1; },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetGateEnabled(p.input(k.channel), v.index != 0); },
     .offers = HasGateSwitch,
     .lacking = "has no switch for the noise gate",
     .storedAs = ParameterField::Gate},
    {.field = ParameterField::Name,
     .scope = RowScope::Channel,
     .name = "name",
     .label = "Name",
     .form = Form::Text,
     .maxChars = ChannelNameChars,
     .shownText = [](Program p, Key k) { return ChannelOf(p, k).nameText(); },
     .display = [](Program p, Key k) { return ChannelOf(p, k).displayName(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             Channel& c = ChannelOf(p, k);
             if (c.name() == MakeChannelName(v.text))
                 return Edit::Unchanged;
             c.setName(v.text);
             return Edit::Written;
         }},

    // ---- Outputs: sources, crossovers, limiter
    {.field = ParameterField::Source,
     .scope = RowScope::Output,
     .name = "source",
     .label = "In Source",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Key k) { return (p.output(k.channel).mix() >> k.input) & 1; },
     .display = [](Program p, Key k) { return p.output(k.channel).mixText(k.input); },
     .write = WriteSource,
     .refusal = "an output of this model keeps at least one input feeding it"},
    {.field = ParameterField::HighPassFrequency,
     .scope = RowScope::Output,
     .name = "hpf.freq",
     .label = "HPF Frequency",
     .unit = "Hz",
     .form = Form::Number,
     .scale = Fixed<kHighPassFrequencyEntry>,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::HighPass).frequency(); },
     .display = [](Program p,
                   Key k) { return CrossoverOf(p, k, Crossover::HighPass).frequencyText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverFrequency(p.output(k.channel), Crossover::HighPass, v.index);
         },
     .correction = "the high-pass never lies above the low-pass"},
    {.field = ParameterField::HighPassKind,
     .scope = RowScope::Output,
     .name = "hpf.kind",
     .label = "HPF Characteristic",
     .form = Form::Choice,
     .choices = CrossoverKinds,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::HighPass).kind(); },
     .display = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::HighPass).kindText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverKind(p.output(k.channel), Crossover::HighPass, v.index);
         }},
    {.field = ParameterField::HighPassSlope,
     .scope = RowScope::Output,
     .name = "hpf.slope",
     .label = "HPF Slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = CrossoverSlopes,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::HighPass).slope(); },
     .display = [](Program p,
                   Key k) { return CrossoverOf(p, k, Crossover::HighPass).crossoverSlopeText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverSlope(p.output(k.channel), Crossover::HighPass, v.index);
         }},
    {.field = ParameterField::LowPassFrequency,
     .scope = RowScope::Output,
     .name = "lpf.freq",
     .label = "LPF Frequency",
     .unit = "Hz",
     .form = Form::Number,
     .scale = Fixed<kLowPassFrequencyEntry>,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::LowPass).frequency(); },
     .display = [](Program p,
                   Key k) { return CrossoverOf(p, k, Crossover::LowPass).frequencyText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverFrequency(p.output(k.channel), Crossover::LowPass, v.index);
         },
     .correction = "the low-pass never lies below the high-pass"},
    {.field = ParameterField::LowPassKind,
     .scope = RowScope::Output,
     .name = "lpf.kind",
     .label = "LPF Characteristic",
     .form = Form::Choice,
     .choices = CrossoverKinds,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::LowPass).kind(); },
     .display = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::LowPass).kindText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverKind(p.output(k.channel), Crossover::LowPass, v.index);
         }},
    {.field = ParameterField::LowPassSlope,
     .scope = RowScope::Output,
     .name = "lpf.slope",
     .label = "LPF Slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = CrossoverSlopes,
     .shown = [](Program p, Key k) { return CrossoverOf(p, k, Crossover::LowPass).slope(); },
     .display = [](Program p,
                   Key k) { return CrossoverOf(p, k, Crossover::LowPass).crossoverSlopeText(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             return SetCrossoverSlope(p.output(k.channel), Crossover::LowPass, v.index);
         }},
    {.field = ParameterField::LimiterThreshold,
     .scope = RowScope::Output,
     .name = "limiter.threshold",
     .label = "Threshold",
     .unit = "dBu",
     .form = Form::Number,
     .scale = Fixed<kLimiterThresholdEntry>,
     .shown = [](Program p, Key k) { return p.output(k.channel).threshold(); },
     .display = [](Program p, Key k) { return p.output(k.channel).thresholdText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetLimiterThreshold(p.output(k.channel), v.index); }},
    {.field = ParameterField::Attack,
     .scope = RowScope::Output,
     .name = "limiter.attack",
     .label = "Attack",
     .unit = "ms",
     .form = Form::Number,
     .scale = Fixed<kAttackEntry>,
     .shown = [](Program p, Key k) { return LimiterViewOf(p.output(k.channel)).attack; },
     .display = [](Program p, Key k) { return p.output(k.channel).attackText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetAttack(p.output(k.channel), v.index); },
     .refusal = "in Auto mode the unit derives the attack from the high-pass frequency"},
    {.field = ParameterField::Release,
     .scope = RowScope::Output,
     .name = "limiter.release",
     .label = "Release",
     .form = Form::Choice,
     .choices = Releases,
     .shown = [](Program p, Key k) { return LimiterViewOf(p.output(k.channel)).release; },
     .display = [](Program p, Key k) { return p.output(k.channel).releaseText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetRelease(p.output(k.channel), v.index); },
     .refusal = "in Auto mode the unit uses a release of 16x"},
    {.field = ParameterField::ClipLimit,
     .scope = RowScope::Output,
     .name = "limiter.clip",
     .label = "Clip Limit",
     .unit = "dB",
     .form = Form::Number,
     .scale = Fixed<kClipLimitEntry>,
     .shown = [](Program p, Key k) { return p.output(k.channel).clipLimit(); },
     .display = [](Program p, Key k) { return p.output(k.channel).clipLimitText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetClipLimit(p.output(k.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no clip limit",
     .refusal = "only a compressor has a clip limit (limiter.type=compressor)"},
    {.field = ParameterField::Ratio,
     .scope = RowScope::Output,
     .name = "limiter.ratio",
     .label = "Ratio",
     .form = Form::Choice,
     .choices = Ratios,
     .shown = [](Program p, Key k) { return p.output(k.channel).ratio(); },
     .display = [](Program p, Key k) { return p.output(k.channel).ratioText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetRatio(p.output(k.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no compressor ratio",
     .refusal = "only a compressor has a ratio (limiter.type=compressor)"},
    {.field = ParameterField::DynamicsType,
     .scope = RowScope::Output,
     .name = "limiter.type",
     .label = "Limit/Compressor",
     .form = Form::Choice,
     .choices = DynamicsTypes,
     .shown = [](Program p, Key k) { return p.output(k.channel).dynamicsType(); },
     .display = [](Program p, Key k) { return p.output(k.channel).dynamicsTypeText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetDynamicsType(p.output(k.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has a limiter only, no compressor"},
    {.field = ParameterField::DynamicsMode,
     .scope = RowScope::Output,
     .name = "limiter.mode",
     .label = "Manual/Auto",
     .form = Form::Choice,
     .choices = DynamicsModes,
     .shown = [](Program p, Key k) { return p.output(k.channel).dynamicsMode(); },
     .display = [](Program p, Key k) { return p.output(k.channel).dynamicsModeText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetDynamicsMode(p.output(k.channel), v.index); },
     .offers = HasFullDynamics,
     .lacking = "has no Manual and Auto modes",
     .refusal = "only a compressor has an Auto mode (limiter.type=compressor)"},

    // ---- Equaliser bands of inputs and outputs
    {.field = ParameterField::BandType,
     .scope = RowScope::Band,
     .name = "type",
     .label = "Type",
     .form = Form::Choice,
     .choices = BandTypes,
     .shown = [](Program p, Key k) { return BandOf(p, k).type(); },
     .display = [](Program p, Key k) { return BandOf(p, k).typeText(); },
     .write = [](Target p, Writer, Key k, Given v) { return SetBandType(BandOf(p, k), v.index); }},
    {.field = ParameterField::BandFrequency,
     .scope = RowScope::Band,
     .name = "freq",
     .label = "Frequency",
     .unit = "Hz",
     .form = Form::Number,
     .scale = Fixed<kBandFrequencyEntry>,
     .shown = [](Program p, Key k) { return BandOf(p, k).frequency(); },
     .display = [](Program p, Key k) { return BandOf(p, k).frequencyText(); },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetBandFrequency(BandOf(p, k), v.index); },
     .correction = "a low shelf goes up to 20000 Hz"},
    {.field = ParameterField::BandBandwidth,
     .scope = RowScope::Band,
     .name = "bw",
     .label = "Bandwidth",
     .unit = "oct",
     .form = Form::Number,
     .scale = BandwidthScale,
     .shown = [](Program p, Key k) { return BandOf(p, k).bandwidthIndex(); },
     .display = [](Program p, Key k) -> std::string {
         const Filter& band = BandOf(p, k);
         return IsShelf(band) ? std::string() : band.bandwidthText();
     },
     .write = WriteBandwidth,
     .refusal = kBandwidthRefusal},
    {.field = ParameterField::BandQ,
     .scope = RowScope::Band,
     .name = "q",
     .label = "Q",
     .form = Form::Number,
     .scale = QScale,
     .shown = [](Program p, Key k) { return BandOf(p, k).bandwidthIndex(); },
     .display = [](Program p, Key k) -> std::string {
         const Filter& band = BandOf(p, k);
         return IsShelf(band) ? std::string() : band.qText();
     },
     .write = WriteBandwidth,
     .refusal = kBandwidthRefusal,
     .storedAs = ParameterField::BandBandwidth},
    {.field = ParameterField::BandGain,
     .scope = RowScope::Band,
     .name = "gain",
     .label = "Gain",
     .unit = "dB",
     .form = Form::Number,
     .scale = Fixed<kBandGainEntry>,
     .shown = [](Program p, Key k) { return ShownBandGain(BandOf(p, k)); },
     .display = [](Program p, Key k) { return BandOf(p, k).gainText(); },
     .write = [](Target p, Writer, Key k, Given v) { return SetBandGain(BandOf(p, k), v.index); },
     .correction = "a band switched off shows 0.0 dB"},
    {.field = ParameterField::BandSlope,
     .scope = RowScope::Band,
     .name = "slope",
     .label = "Slope",
     .unit = "dB/oct",
     .form = Form::Choice,
     .choices = ShelfSlopes,
     .shown = [](Program p, Key k) { return BandOf(p, k).slope(); },
     .write =
         [](Target p, Writer, Key k, Given v) {
             // The editor offers the slope only on a shelf.
             Filter& band = BandOf(p, k);
             return band.type() == Filter::kPeq ? Edit::Refused : SetBandSlope(band, v.index);
         },
     .refusal = "only a shelf has a slope (eq.B.type=lowshelf or highshelf)"},
    {.field = ParameterField::BandOn,
     .scope = RowScope::Band,
     .name = "on",
     .label = "On/Off",
     .form = Form::Choice,
     .choices = OnOff,
     .shown = [](Program p, Key k) { return BandOf(p, k).off() == 0 ? 1 : 0; },
     .write = [](Target p, Writer, Key k,
                 Given v) { return SetBandOn(BandOf(p, k), v.index != 0); },
     .refusal = "a band with a gain of 0.0 dB cannot be switched on; give it a gain"},

    // ---- The unit as a whole
    {.field = ParameterField::InputSource,
     .scope = RowScope::Unit,
     .name = "source",
     .label = "Input Source",
     .form = Form::Choice,
     .choices = InputSources,
     .shown = [](Program p, Key) { return p.inputSource(); },
     .display = [](Program p, Key) { return p.inputSourceText(); },
     .write = WriteUnitValue<&ProgramContainer::inputSource, &UnitSettingsWriter::WriteInputSource>,
     .offers = HasInputSource,
     .lacking = "has no choice of input source"},
    {.field = ParameterField::Temperature,
     .scope = RowScope::Unit,
     .name = "temperature",
     .label = "Temperature",
     .unit = "°C",
     .form = Form::Number,
     .scale = Fixed<kTemperatureScale>,
     .shown = [](Program p, Key) { return p.temperature(); },
     .display = [](Program p, Key) { return p.temperatureText(); },
     .write =
         WriteUnitValue<&ProgramContainer::temperature, &UnitSettingsWriter::WriteTemperature>},
    {.field = ParameterField::Backlight,
     .scope = RowScope::Unit,
     .name = "backlight",
     .label = "Backlight",
     .form = Form::Choice,
     .choices = Backlights,
     .shown = [](Program p, Key) { return p.backlight(); },
     .display = [](Program p, Key) { return p.backlightText(); },
     .write = WriteUnitValue<&ProgramContainer::backlight, &UnitSettingsWriter::WriteBacklight>},
    {.field = ParameterField::InterfaceLine2,
     .scope = RowScope::Unit,
     .name = "line2",
     .label = "Interface Line 2",
     .form = Form::Text,
     .maxChars = InterfaceLineChars,
     .shownText = [](Program p, Key) { return p.lineSetB(kFirstInterfaceLine); },
     .write = [](Target p, Writer unit, Key,
                 Given v) { return WriteInterfaceLine(p, unit, kFirstInterfaceLine, v); }},
    {.field = ParameterField::InterfaceLine3,
     .scope = RowScope::Unit,
     .name = "line3",
     .label = "Interface Line 3",
     .form = Form::Text,
     .maxChars = InterfaceLineChars,
     .shownText = [](Program p, Key) { return p.lineSetB(kFirstInterfaceLine + 1); },
     .write = [](Target p, Writer unit, Key,
                 Given v) { return WriteInterfaceLine(p, unit, kFirstInterfaceLine + 1, v); }},
}};

constexpr bool RowsFollowTheFields() {
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (static_cast<std::size_t>(kRows[i].field) != i)
            return false;
    return true;
}

const Row& RowOf(ParameterField field) {
    return kRows[static_cast<std::size_t>(field)];
}
const Row& RowOf(Key key) {
    return RowOf(key.field);
}

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

// Whether a row has keys of the scope a name or a key is in (Band: a band's field).
bool ScopeHolds(RowScope held, RowScope wanted) {
    return held == wanted ||
           (held == RowScope::Channel && (wanted == RowScope::Input || wanted == RowScope::Output));
}

RowScope ScopeOfKey(Key key) {
    if (key.IsUnitSetting())
        return RowScope::Unit;
    if (RowOf(key).scope == RowScope::Band)
        return RowScope::Band;
    return key.IsOutput() ? RowScope::Output : RowScope::Input;
}

bool ModelHas(const Row& row, const DeviceModel& model) {
    return row.offers == nullptr || row.offers(model);
}

std::string ModelName(const DeviceModel& model) {
    return "the " + std::string(model.label);
}

// The key of a row on a channel (and band, and input of a source).
ParameterKey MakeKey(const Row& row, bool output, int channel, int band, int input) {
    if (row.scope == RowScope::Unit)
        return UnitKey(row.field);
    ParameterKey key =
        BandKey({output, channel}, row.scope == RowScope::Band ? band : 0, row.field);
    key.input = row.field == ParameterField::Source ? input : 0;
    return key;
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

bool OffersOff(const Row& row, const DeviceModel& model) {
    return !row.offWord.empty() && row.offersOff != nullptr && row.offersOff(model);
}

std::string WithUnit(const std::string& range, std::string_view unit) {
    return unit.empty() ? range : range + " " + std::string(unit);
}

std::optional<Value> ParseNumber(const Row& row, Key key, const DeviceModel& model,
                                 std::string_view text, std::string& error) {
    if (OffersOff(row, model) && Lower(text) == row.offWord)
        return Value{-1, {}, {}};
    const DisplayKindSettings s = row.scale(model, key);
    const std::string range = WithUnit(RangeText(model, key), row.unit);
    if (!IsPlainNumber(text, !IsIntegerKind(s.kind))) {
        const bool number = IsPlainNumber(text, true);
        error = NameOf(key) + ": " + std::string(text) +
                (number ? " is not a whole number" : " is not a number") + " (" + range + ")";
        if (!row.offWord.empty() && !OffersOff(row, model))
            error +=
                "; " + ModelName(model) + " has no switch to turn it " + std::string(row.offWord);
        return std::nullopt;
    }
    // A value beyond the range is refused as the editors refuse it: nothing is limited and sent.
    const DisplayEntry entry = ApplyDisplayEntry(s, s.min, text);
    if (entry.outcome != EntryOutcome::Commit) {
        const bool outside = entry.problem == EntryProblem::OutOfRange;
        error = NameOf(key) + ": " + std::string(text) + " is " +
                (outside ? std::string(kOutOfRangeText) : "not a possible value") + " (" + range +
                ")";
        return std::nullopt;
    }
    return Value{entry.index, {}, {}};
}

std::optional<Value> ParseChoice(const Row& row, Key key, const DeviceModel& model,
                                 std::string_view text, std::string& error) {
    const std::string lower = Lower(text);
    for (const Choice& c : row.choices(model))
        if (Lower(c.word) == lower)
            return Value{c.index, {}, {}};
    error = NameOf(key) + ": " + std::string(text) + " is not one of " + RangeText(model, key);
    return std::nullopt;
}

std::optional<Value> ParseText(const Row& row, Key key, const DeviceModel& model,
                               std::string_view text, std::string& error) {
    if (!IsTypableText(text)) {
        error = NameOf(key) +
                ": only printable ASCII characters can be stored (the unit shows no others)";
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(row.maxChars(model));
    Value value{0, std::string(text.substr(0, std::min(text.size(), width))), {}};
    if (text.size() > width)
        value.note = NameOf(key) + ": " + std::to_string(width) + " characters are kept: \"" +
                     value.text + "\"";
    return value;
}

bool IsBandSetting(Key key, ParameterField field) {
    return key.field == field;
}

bool SameBand(Key a, Key b) {
    return a.scope == b.scope && a.channel == b.channel && a.band == b.band;
}

// Whether the program now holds the value asked.
bool Holds(const Assignment& a, const ProgramContainer& program) {
    const Row& row = RowOf(a.key);
    if (row.form == Form::Text)
        return row.shownText(program, a.key) == a.value.text;
    return row.shown(program, a.key) == a.value.index;
}

} // namespace

static_assert(RowsFollowTheFields(), "one row per ParameterField, in its order");

// ---- Keys and names -----------------------------------------------------------------------------

std::vector<ParameterKey> Keys(const DeviceModel& model, Holder holder) {
    std::vector<ParameterKey> list;
    auto channel = [&](bool output, int index) {
        for (const Row& row : kRows) {
            if (!ScopeHolds(row.scope, output ? RowScope::Output : RowScope::Input) ||
                !ModelHas(row, model))
                continue;
            if (row.field == ParameterField::Source) {
                for (int input = 0; input < model.inputs; ++input)
                    list.push_back(MakeKey(row, output, index, 0, input));
            } else {
                list.push_back(MakeKey(row, output, index, 0, 0));
            }
        }
        const int bands = output ? model.outputBands : model.inputBands;
        for (int band = 0; band < bands; ++band)
            for (const Row& row : kRows)
                if (row.scope == RowScope::Band)
                    list.push_back(MakeKey(row, output, index, band, 0));
    };
    for (int i = 0; i < model.inputs; ++i)
        channel(false, i);
    for (int o = 0; o < model.outputs; ++o)
        channel(true, o);
    if (holder == Holder::Unit)
        for (const Row& row : kRows)
            if (row.scope == RowScope::Unit && ModelHas(row, model))
                list.push_back(UnitKey(row.field));
    return list;
}

bool Offers(const DeviceModel& model, const ParameterKey& key) {
    const auto field = static_cast<std::size_t>(key.field);
    if (field >= kRows.size())
        return false;
    const Row& row = kRows[field];
    if (!ScopeHolds(row.scope, ScopeOfKey(key)) || !ModelHas(row, model))
        return false;
    if (key.IsUnitSetting())
        return key.channel == 0 && key.band == 0 && key.input == 0;
    const int channels = key.IsOutput() ? model.outputs : model.inputs;
    const int bands =
        row.scope == RowScope::Band ? (key.IsOutput() ? model.outputBands : model.inputBands) : 1;
    const int inputs = key.field == ParameterField::Source ? model.inputs : 1;
    return key.channel >= 0 && key.channel < channels && key.band >= 0 && key.band < bands &&
           key.input >= 0 && key.input < inputs;
}

std::string NameOf(const ParameterKey& key) {
    const Row& row = RowOf(key);
    if (row.scope == RowScope::Unit)
        return "unit." + std::string(row.name);
    std::string name = ChannelName(key.ChannelOfKey());
    if (row.scope == RowScope::Band)
        return name + ".eq." + std::to_string(key.band + 1) + "." + std::string(row.name);
    name += "." + std::string(row.name);
    if (key.field == ParameterField::Source)
        name += std::string(".") + InputChar(key.input);
    return name;
}

std::optional<ParameterKey> FindKey(const DeviceModel& model, Holder holder, std::string_view name,
                                    std::string& error) {
    const std::vector<std::string> parts = SplitDots(Lower(name));
    auto unknown = [&] {
        error = "unknown parameter " + std::string(name);
        return std::nullopt;
    };
    RowScope scope = RowScope::Unit;
    std::string rowName;
    bool output = false;
    int channel = 0, band = 0, input = 0;
    bool sourceInput = false; // "out.N.source.X"
    if (parts.size() >= 2 && parts[0] == "unit") {
        rowName = JoinFrom(parts, 1);
    } else if (parts.size() >= 3 && (parts[0] == "in" || parts[0] == "out")) {
        output = parts[0] == "out";
        const std::optional<int> index = output ? Ordinal(parts[1]) : InputLetter(parts[1]);
        if (!index)
            return unknown();
        channel = *index;
        scope = output ? RowScope::Output : RowScope::Input;
        rowName = JoinFrom(parts, 2);
        if (parts[2] == "eq" && parts.size() >= 5) {
            const std::optional<int> b = Ordinal(parts[3]);
            if (!b)
                return unknown();
            band = *b;
            scope = RowScope::Band;
            rowName = JoinFrom(parts, 4);
        } else if (output && parts[2] == "source" && parts.size() == 4) {
            const std::optional<int> in = InputLetter(parts[3]);
            if (!in)
                return unknown();
            input = *in;
            rowName = "source";
            sourceInput = true;
        }
    } else {
        return unknown();
    }
    const auto row = std::find_if(kRows.begin(), kRows.end(), [&](const Row& r) {
        return ScopeHolds(r.scope, scope) && r.name == rowName &&
               // "out.N.source" alone names no input
               (r.field != ParameterField::Source || sourceInput);
    });
    if (row == kRows.end())
        return unknown();
    const ParameterKey key = MakeKey(*row, output, channel, band, input);
    const std::string keyName = NameOf(key);
    const std::string label = ModelName(model);
    const std::string lastInput(1, InputChar(model.inputs - 1));
    if (scope != RowScope::Unit && !output && channel >= model.inputs) {
        error = keyName + ": " + label + " has inputs A to " + lastInput;
    } else if (output && channel >= model.outputs) {
        error = keyName + ": " + label + " has outputs 1 to " + std::to_string(model.outputs);
    } else if (scope == RowScope::Band && band >= (output ? model.outputBands : model.inputBands)) {
        error = keyName + ": the " + (output ? "outputs" : "inputs") + " of " + label +
                " have bands 1 to " + std::to_string(output ? model.outputBands : model.inputBands);
    } else if (sourceInput && input >= model.inputs) {
        error = keyName + ": " + label + " has inputs A to " + lastInput;
    } else if (!ModelHas(*row, model)) {
        error = keyName + ": " + label + " " + std::string(row->lacking);
    } else if (scope == RowScope::Unit && holder == Holder::ProgramFile) {
        error = keyName + " is a setting of the unit: a program file does not hold it";
    } else {
        return key;
    }
    return std::nullopt;
}

ParameterKey StoredKey(const ParameterKey& key) {
    ParameterKey stored = key;
    if (const auto as = RowOf(key).storedAs)
        stored.field = *as;
    return stored;
}

// ---- What a parameter is ------------------------------------------------------------------------

std::string Label(const ParameterKey& key) {
    const Row& row = RowOf(key);
    if (row.scope == RowScope::Band)
        return "EQ" + std::to_string(key.band + 1) + " " + std::string(row.label);
    return std::string(row.label);
}

std::string LabelOfField(std::string_view field) {
    const std::vector<std::string> parts = SplitDots(std::string(field));
    RowScope scope = RowScope::Channel;
    std::string rowName = std::string(field);
    int band = 0;
    if (parts.size() >= 3 && parts[0] == "eq") {
        const std::optional<int> b = Ordinal(parts[1]);
        if (!b)
            return {};
        band = *b;
        scope = RowScope::Band;
        rowName = JoinFrom(parts, 2);
    } else if (parts.size() >= 2 && parts[0] == "unit") {
        scope = RowScope::Unit;
        rowName = JoinFrom(parts, 1);
    } else if (parts.size() == 2 && parts[0] == "source") {
        rowName = parts[0]; // "source.B": whether input B feeds the output
    }
    for (const Row& row : kRows) {
        const bool sameScope = scope == RowScope::Channel
                                   ? row.scope != RowScope::Band && row.scope != RowScope::Unit
                                   : row.scope == scope;
        if (sameScope && row.name == rowName)
            return Label(MakeKey(row, false, 0, band, 0));
    }
    return {};
}

std::string_view Unit(ParameterField field) {
    return RowOf(field).unit;
}

Form FormOf(ParameterField field) {
    return RowOf(field).form;
}

DisplayKindSettings Scale(const DeviceModel& model, const ParameterKey& key) {
    const Row& row = RowOf(key);
    return row.scale != nullptr ? row.scale(model, key) : DisplayKindSettings{};
}

std::optional<double> ShownNumber(const DisplayKindSettings& scale, int index) {
    if (scale.kind != kKindLinear || index < scale.min || index > scale.max)
        return std::nullopt;
    return index * scale.step - scale.offset;
}

std::optional<int> IndexOfShown(const DisplayKindSettings& scale, double shown) {
    if (scale.kind != kKindLinear || scale.step <= 0 || !std::isfinite(shown))
        return std::nullopt;
    const auto index = static_cast<int>(std::lround((shown + scale.offset) / scale.step));
    return std::clamp(index, scale.min, scale.max);
}

int FaderPosition(const DisplayKindSettings& scale, int index) {
    return scale.max - std::clamp(index, scale.min, scale.max);
}

int IndexAtFaderPosition(const DisplayKindSettings& scale, int position) {
    return std::clamp(scale.max - position, scale.min, scale.max);
}

std::vector<Choice> Choices(const DeviceModel& model, ParameterField field) {
    const Row& row = RowOf(field);
    return row.choices != nullptr ? row.choices(model) : std::vector<Choice>{};
}

int MaxChars(const DeviceModel& model, ParameterField field) {
    const Row& row = RowOf(field);
    return row.maxChars != nullptr ? row.maxChars(model) : 0;
}

std::string RangeText(const DeviceModel& model, const ParameterKey& key) {
    const Row& row = RowOf(key);
    switch (row.form) {
    case Form::Number: {
        const DisplayKindSettings s = row.scale(model, key);
        std::string low = Format(s, s.min);
        std::string high = Format(s, s.max);
        if (ReadDecimal(low) > ReadDecimal(high)) // the Q falls as the bandwidth index rises
            std::swap(low, high);
        std::string text = low + " to " + high;
        if (OffersOff(row, model))
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

// ---- Reading and writing --------------------------------------------------------------------

int ReadIndex(const ProgramContainer& program, const ParameterKey& key) {
    const Row& row = RowOf(key);
    return row.shown != nullptr ? row.shown(program, key) : 0;
}

int ReadControlIndex(const ProgramContainer& program, const ParameterKey& key) {
    const Row& row = RowOf(key);
    const int index = ReadIndex(program, key);
    return index < 0 && row.heldWhileOff != nullptr ? row.heldWhileOff(program, key) : index;
}

std::string ReadValue(const ProgramContainer& program, const ParameterKey& key) {
    const Row& row = RowOf(key);
    const DeviceModel& model = ModelOf(program);
    switch (row.form) {
    case Form::Number: {
        const int index = row.shown(program, key);
        if (index < 0 && !row.offWord.empty())
            return std::string(row.offWord);
        return Format(row.scale(model, key), index);
    }
    case Form::Choice: {
        const int index = row.shown(program, key);
        for (const Choice& c : row.choices(model))
            if (c.index == index)
                return std::string(c.word);
        return std::to_string(index); // a stored value no word stands for
    }
    case Form::Text:
        return row.shownText(program, key);
    }
    return {};
}

std::string DisplayText(const ProgramContainer& program, const ParameterKey& key) {
    const Row& row = RowOf(key);
    return row.display != nullptr ? row.display(program, key) : ReadValue(program, key);
}

std::optional<Value> ParseValue(const DeviceModel& model, const ParameterKey& key,
                                std::string_view text, std::string& error) {
    const Row& row = RowOf(key);
    switch (row.form) {
    case Form::Number:
        return ParseNumber(row, key, model, text, error);
    case Form::Choice:
        return ParseChoice(row, key, model, text, error);
    case Form::Text:
        return ParseText(row, key, model, text, error);
    }
    return std::nullopt;
}

std::string TextTheUnitKeeps(const ParameterKey& key, std::string_view text) {
    const Row& row = RowOf(key);
    if (row.form != Form::Text)
        return std::string(text);
    // Channel names come back without their trailing blanks, interface lines without blanks at
    // either end.
    const bool leadingToo = row.scope == RowScope::Unit;
    const auto last = text.find_last_not_of(' ');
    if (last == std::string_view::npos)
        return {};
    text = text.substr(0, last + 1);
    if (leadingToo)
        text.remove_prefix(text.find_first_not_of(' '));
    return std::string(text);
}

Edit Write(ProgramContainer& program, const ParameterKey& key, const Value& value,
           UnitSettingsWriter* unit) {
    return RowOf(key).write(program, unit, key, value);
}

Edit WriteIndex(ProgramContainer& program, const ParameterKey& key, int index,
                UnitSettingsWriter* unit) {
    return Write(program, key, Value{index, {}, {}}, unit);
}

ApplyOutcome Apply(const std::vector<Assignment>& assignments, ProgramContainer& program,
                   UnitSettingsWriter* unit) {
    ApplyOutcome outcome;
    std::vector<const Assignment*> channelSettings;
    std::vector<const Assignment*> unitSettings;
    for (const Assignment& a : assignments)
        (a.key.IsUnitSetting() ? unitSettings : channelSettings).push_back(&a);
    // A band's on/off goes after everything else, as an operator switches a band off after
    // typing its gain (typing a gain switches the band on): "off" with a gain on one line leaves
    // the band off, keeping that gain for when it is switched on again, in either order.
    std::stable_partition(channelSettings.begin(), channelSettings.end(), [](const Assignment* a) {
        return !IsBandSetting(a->key, ParameterField::BandOn);
    });
    const auto keptWhileOff = [&](const Assignment& a) {
        if (!IsBandSetting(a.key, ParameterField::BandGain))
            return false;
        const Filter& band = BandOf(program, a.key);
        return band.off() != 0 && band.gainIndex() == a.value.index &&
               std::any_of(channelSettings.begin(), channelSettings.end(),
                           [&](const Assignment* other) {
                               return IsBandSetting(other->key, ParameterField::BandOn) &&
                                      SameBand(other->key, a.key) && other->value.index == 0;
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
                last[i] = Write(program, a.key, a.value, unit);
        }
    for (std::size_t i = 0; i < channelSettings.size(); ++i) {
        const Assignment& a = *channelSettings[i];
        const Row& row = RowOf(a.key);
        if (Holds(a, program))
            continue;
        if (keptWhileOff(a)) {
            outcome.gainsOfBandsOff.emplace_back(
                NameOf(a.key), Format(row.scale(ModelOf(program), a.key), a.value.index));
            continue;
        }
        if (last[i] == Edit::Refused) {
            outcome.refusals.push_back(NameOf(a.key) + ": " + std::string(row.refusal));
        } else {
            const std::string why = row.correction.empty() ? "limited by the editing rules"
                                                           : std::string(row.correction);
            outcome.corrections.push_back(NameOf(a.key) + ": " + why + "; set to " +
                                          ReadValue(program, a.key));
        }
    }
    if (!outcome.refusals.empty())
        return outcome;
    for (const Assignment* a : unitSettings)
        if (Write(program, a->key, a->value, unit) == Edit::Refused)
            outcome.refusals.push_back(NameOf(a->key) + ": only a connected unit holds it");
    return outcome;
}

// ---- Channels and the list of names -------------------------------------------------------------

namespace {

// How a row is listed for inputs (false) or outputs (true): "in.X.gain", "out.N.eq.B.freq".
std::optional<std::string> ListedName(const Row& row, bool output) {
    const bool listed = row.scope == RowScope::Channel || row.scope == RowScope::Band ||
                        (row.scope == RowScope::Input && !output) ||
                        (row.scope == RowScope::Output && output) ||
                        (row.scope == RowScope::Unit && !output);
    if (!listed)
        return std::nullopt;
    std::string name = row.scope == RowScope::Unit ? "unit" : output ? "out.N" : "in.X";
    if (row.scope == RowScope::Band)
        name += ".eq.B";
    name += "." + std::string(row.name);
    if (row.field == ParameterField::Source)
        name += ".X";
    return name;
}

// The row's range on each model that has it, models of one range together:
// "-40.0 to 6.0 (4x8); -36.0 to 20.0 (3x6, 2x4)"; no model named when all share one.
std::string RangesByModel(const Row& row, bool output) {
    std::vector<std::pair<std::string, std::string>> ranges; // range, models
    std::size_t models = 0;
    for (const DeviceModel& model : kDeviceModels) {
        if (!ModelHas(row, model))
            continue;
        ++models;
        const std::string range = RangeText(model, MakeKey(row, output, 0, 0, 0));
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
        return row.scope != RowScope::Band && row.scope != RowScope::Unit;
    };
    auto bandRows = [](const Row& row) { return row.scope == RowScope::Band; };
    list(false, channelRows);
    list(true, channelRows);
    list(false, bandRows);
    list(true, bandRows);
    list(false, [](const Row& row) { return row.scope == RowScope::Unit; });
    text += "Channels of each model:\n";
    for (const DeviceModel& model : kDeviceModels)
        text += "  " + std::string(model.label) + ": inputs A to " + InputChar(model.inputs - 1) +
                " with bands 1 to " + std::to_string(model.inputBands) + ", outputs 1 to " +
                std::to_string(model.outputs) + " with bands 1 to " +
                std::to_string(model.outputBands) + "\n";
    text +=
        "The editors' rules hold: a high-pass never lies above the low-pass of its output; a\n"
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
        FindKey(model, Holder::ProgramFile, std::string(name) + std::string(kSetting), error);
    if (gain)
        return gain->ChannelOfKey();
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

} // namespace ParameterRegistry
