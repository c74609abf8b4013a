#pragma once

#include "model/ChannelEditRules.h"
#include "model/ChannelId.h"
#include "model/DeviceModel.h"
#include "model/ValueFormats.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ProgramContainer;

// Every parameter an operator can read or change, in one table: its canonical name, its label,
// unit, range and scale, and how it is read from and written to the records. The command line's
// get and set, the data view, the edit history's step names and the editors all describe a
// parameter through this table, so a parameter added here is named, shown, checked and written
// the same way everywhere.
//
// A parameter of one channel (and band) is a ParameterKey. Its canonical name is what the command
// line takes: "in.A.gain", "out.2.eq.3.freq", "out.2.hpf.freq", "out.1.source.B",
// "unit.temperature". A value is held as an index (what the records store, or what an editor's
// control shows); the scale of a number turns it into the number shown (dB, ms, Hz, octaves) and
// back, and a choice has one word per index. Writes go through the editing rules
// (ChannelEditRules) and the record setters, so a write by key is the same change as an edit in
// an editor, and the pending-change scan sends it the same way.
//
// Channel settings live in a program (a program file, or a unit's live settings read into the
// container). The unit-wide settings ("unit.…") belong to a unit, not to a program: they are
// written through a UnitSettingsWriter (the unit controller), which queues their frames.

// What a parameter belongs to.
enum class ParameterScope : std::uint8_t { Input, Output, Unit };

// Which value of a channel, of one of its equaliser bands, or of the unit. Listed in the order
// the command line lists them on every channel.
enum class ParameterField : std::uint8_t {
    // Every channel.
    Gain,
    Mute,
    Polarity,
    Delay,
    // Inputs: the noise gate as one value (a threshold or "off") and its switch alone.
    Gate,
    GateSwitch,
    Name,
    // Outputs.
    Source, // whether the key's input feeds the output
    HighPassFrequency,
    HighPassKind,
    HighPassSlope,
    LowPassFrequency,
    LowPassKind,
    LowPassSlope,
    LimiterThreshold,
    Attack,
    Release,
    ClipLimit,
    Ratio,
    DynamicsType,
    DynamicsMode,
    // One equaliser band of an input or an output.
    BandType,
    BandFrequency,
    BandBandwidth,
    BandQ, // the bandwidth seen as a Q
    BandGain,
    BandSlope,
    BandOn,
    // The unit as a whole.
    InputSource,
    Temperature,
    Backlight,
    InterfaceLine2,
    InterfaceLine3,
};

// One parameter of one channel, band or unit. A key is a plain value: compared, sorted and
// copied freely; whether a model has it says ParameterRegistry::Offers.
struct ParameterKey {
    ParameterScope scope = ParameterScope::Input;
    int channel = 0; // input 0..3 (A..D) or output 0..7 (1..8); 0 for the unit
    int band = 0;    // equaliser band 0..7 of a band's field; 0 otherwise
    ParameterField field = ParameterField::Gain;
    int input = 0; // the input 0..3 an output's Source names; 0 otherwise

    bool IsOutput() const { return scope == ParameterScope::Output; }
    bool IsUnitSetting() const { return scope == ParameterScope::Unit; }
    ChannelId ChannelOfKey() const { return {IsOutput(), channel}; }

    friend auto operator<=>(const ParameterKey&, const ParameterKey&) = default;
};

// Keys of a channel's fields, a band's fields, an output's source and a unit-wide setting.
ParameterKey ChannelKey(ChannelId channel, ParameterField field);
ParameterKey BandKey(ChannelId channel, int band, ParameterField field);
ParameterKey SourceKey(int output, int input);
ParameterKey UnitKey(ParameterField field);

// Writes the unit-wide settings to a unit. The unit controller implements it: each call stores
// the value in the container and queues its frame.
class UnitSettingsWriter {
public:
    virtual ~UnitSettingsWriter() = default;
    virtual void WriteInputSource(int source) = 0;
    virtual void WriteTemperature(int celsius) = 0;
    virtual void WriteBacklight(int backlight) = 0;
    // The two interface lines travel together.
    virtual void WriteInterfaceLines(std::string_view first, std::string_view second) = 0;
};

namespace ParameterRegistry {

// What holds the settings: a program file (channel settings only) or a connected unit.
enum class Holder { ProgramFile, Unit };
// How a value is given: a number on the parameter's scale, one of a few words, or a text.
enum class Form { Number, Choice, Text };

struct Choice {
    std::string word; // "butterworth", "on", "1:8"
    int index;
};

// A value after its checks: the index to store, or the text of a name or an interface line.
// `note` says how a text longer than its field was cut; it is empty otherwise. Index -1 stands
// for "off" of the noise gate, which has it besides its numbers.
struct Value {
    int index = 0;
    std::string text;
    std::string note;
};

// ---- Keys and names -----------------------------------------------------------------------------

// Every key of the model in listing order (inputs, outputs, then the unit-wide settings when the
// holder is a unit).
std::vector<ParameterKey> Keys(const DeviceModel& model, Holder holder);
// Whether the model has the key: its channel, band and input, and the parameter itself.
bool Offers(const DeviceModel& model, const ParameterKey& key);

// The canonical name: "in.A.eq.3.freq".
std::string NameOf(const ParameterKey& key);
// The key a name stands for ("in.a.GAIN" is in.A.gain). Nothing, with a message naming it, for an
// unknown name, a channel, band or setting the model lacks, or a unit-wide setting asked of a
// program file.
std::optional<ParameterKey> FindKey(const DeviceModel& model, Holder holder, std::string_view name,
                                    std::string& error);
// The key of the value stored: a Q is the bandwidth, the gate's switch is the gate.
ParameterKey StoredKey(const ParameterKey& key);

// ---- What a parameter is ------------------------------------------------------------------------

// The label the operator reads: "Gain", "HPF Frequency", "EQ3 Gain", "Interface Line 2".
std::string Label(const ParameterKey& key);
// The label of a parameter named without its channel: "eq.3.gain" -> "EQ3 Gain", "hpf.freq" ->
// "HPF Frequency", "source" -> "In Source", "unit.source" -> "Input Source". Empty for a name
// that is none.
std::string LabelOfField(std::string_view field);
// The unit of its values: "dB", "ms", "Hz", "dB/oct"; empty for words and texts.
std::string_view Unit(ParameterField field);
Form FormOf(ParameterField field);

// A number's scale on the model: the display kind, the index range min..max, and for linear
// kinds the step and offset (shown = index x step - offset: a gain's 0.1 dB steps from the
// model's lowest level). Choices and texts have none (a range of 0..0).
DisplayKindSettings Scale(const DeviceModel& model, const ParameterKey& key);
// The number a linear scale shows for an index (a gain index 400 on the 4x8 is 0.0 dB), and the
// index of a number shown, rounded to the nearest step and limited to the range. Nothing for
// other kinds.
std::optional<double> ShownNumber(const DisplayKindSettings& scale, int index);
std::optional<int> IndexOfShown(const DisplayKindSettings& scale, double shown);
// A vertical fader shows the highest index at its top, where its position is 0.
int FaderPosition(const DisplayKindSettings& scale, int index);
int IndexAtFaderPosition(const DisplayKindSettings& scale, int position);

// A choice's words and the indices they stand for; none for numbers and texts.
std::vector<Choice> Choices(const DeviceModel& model, ParameterField field);
// The characters a text keeps; 0 for numbers and choices.
int MaxChars(const DeviceModel& model, ParameterField field);
// "-40.0 to 6.0", "10 to 30000", "on, off", "up to 8 characters".
std::string RangeText(const DeviceModel& model, const ParameterKey& key);

// ---- Reading and writing --------------------------------------------------------------------

// The index shown now (numbers and choices; -1 for a gate switched off); 0 for texts.
int ReadIndex(const ProgramContainer& program, const ParameterKey& key);
// The index a control shows: ReadIndex, except that a value switched off keeps its number on
// the control (the noise gate's threshold, greyed while the gate is off).
int ReadControlIndex(const ProgramContainer& program, const ParameterKey& key);
// The value as the command line gives it: "-3.5", "on", "lowshelf", "Kick".
std::string ReadValue(const ProgramContainer& program, const ParameterKey& key);
// The value as the records show it in the data view and on printed lists: "-3.5", "Mute",
// "Lo_Shf 12dB", "BTWorth"; empty for a bandwidth or Q of a shelf, which has none.
std::string DisplayText(const ProgramContainer& program, const ParameterKey& key);

// Checks a value text and turns it into what is stored. A number must be a whole decimal number
// ("-3.5", "1600"); a word one of the parameter's words (either case); a text printable ASCII. A
// number beyond the range is refused as the editor refuses it (never limited and taken). Nothing,
// with a message naming the parameter, for a value that does not parse or lies out of range.
std::optional<Value> ParseValue(const DeviceModel& model, const ParameterKey& key,
                                std::string_view text, std::string& error);

// What a unit keeps of a text (a channel name, an interface line) and gives back when it is read:
// a name without the blanks at its end, an interface line without blanks at either end. Any
// other parameter's text is returned as it is.
std::string TextTheUnitKeeps(const ParameterKey& key, std::string_view text);

// Writes one value through the editing rules. A unit-wide setting needs `unit` (refused
// without it).
ChannelEditRules::Edit Write(ProgramContainer& program, const ParameterKey& key, const Value& value,
                             UnitSettingsWriter* unit = nullptr);
// The same for an index a control gives (numbers and choices).
ChannelEditRules::Edit WriteIndex(ProgramContainer& program, const ParameterKey& key, int index,
                                  UnitSettingsWriter* unit = nullptr);

// One key with its checked value.
struct Assignment {
    ParameterKey key;
    Value value;
};

// What applying assignments did.
struct ApplyOutcome {
    // "out.1.limiter.ratio: ..." for each value the rules refused. When there is one, no
    // unit-wide setting has been written, and the program's changes must be dropped, not sent or
    // saved.
    std::vector<std::string> refusals;
    // "out.1.hpf.freq: ...; set to 1000" for each value a rule stored differently.
    std::vector<std::string> corrections;
    // Name and value ("in.A.eq.2.gain", "3.0") of each gain given with "off" for its band: the
    // program keeps it for when the band is switched on, and shows 0.0 dB until then.
    std::vector<std::pair<std::string, std::string>> gainsOfBandsOff;
};

// Writes the values. The channel settings go first, and twice, so their order on a command line
// does not matter (a high-pass raised above its low-pass's old frequency together with the
// low-pass; a ratio given before the Compressor type it needs); the second round writes only
// what the first could not. A band's on/off goes after its gain, so switching a band off wins
// over a gain given with it. Then, when nothing was refused, the unit-wide settings go to `unit`
// (needed for them; a program file has none).
ApplyOutcome Apply(const std::vector<Assignment>& assignments, ProgramContainer& program,
                   UnitSettingsWriter* unit);

// ---- Channels and the list of names -------------------------------------------------------------

// The channel a name stands for ("out.2", "in.a"). Nothing, with a message naming it, for an
// unknown name or a channel the model lacks.
std::optional<ChannelId> FindChannel(const DeviceModel& model, std::string_view name,
                                     std::string& error);
// "in.A" or "out.2".
std::string ChannelName(ChannelId channel);

// Lines listing every parameter with its unit and range on each model, and the rules that hold.
std::string HelpText();

} // namespace ParameterRegistry
