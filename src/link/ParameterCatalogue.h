#pragma once

#include "model/ChannelEditRules.h"
#include "model/ChannelId.h"
#include "model/DeviceModel.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ProgramContainer;
class UnitController;

// Every setting an operator can read or change by name, in one table that reading, writing and
// the list of names all use: "in.A.gain", "out.2.eq.3.freq", "out.2.hpf.freq",
// "unit.temperature". A value is the text the editors show (dB, ms, Hz, octaves, or a word for a
// switch). A number is read through the display kind of the editor's value box, so it is
// limited exactly as the box limits it, and a write goes through the editing rules and the
// record setters the editors use: changing a setting by name is the same change as typing it
// into the editor, and the pending-change scan sends it the same way.
//
// Channel settings live in a program (a program file, or a unit's live settings read into the
// container). The unit-wide settings ("unit.…") belong to a unit, not to a program: they are
// written through the unit controller's setters, which queue their frames.
namespace ParameterCatalogue {

struct Row; // one row of the table

// What holds the settings: a program file (channel settings only) or a connected unit.
enum class Holder { ProgramFile, Unit };

// One setting of one channel (and band) of a model.
struct Parameter {
    const Row* row = nullptr;
    bool output = false; // the channel is an output
    int channel = 0;     // input 0..3 (A..D) or output 0..7 (1..8)
    int band = 0;        // equaliser band 0..7
    int input = 0;       // out.N.source.X: the input 0..3
    std::string name;    // as listed: "in.A.eq.3.freq"

    // A unit-wide setting ("unit.…"), which no program holds.
    bool IsUnitSetting() const;
    // A unit-wide setting's global code, under which the unit reports it (0 for the others).
    int GlobalCode() const;
    // The name of the stored value: ".q" and ".bw" are two views of one bandwidth.
    std::string FieldName() const;
};

// A value for a parameter after its checks: the index to store, or the text of a name or an
// interface line. `note` says how a text longer than its field was cut; it is empty otherwise.
// Index -1 stands for "off" of a setting that has one besides its numbers (the noise gate).
struct Value {
    int index = 0;
    std::string text;
    std::string note;
};

// Every parameter of the model in listing order (inputs, outputs, then unit-wide settings when
// the holder is a unit).
std::vector<Parameter> AllParameters(const DeviceModel& model, Holder holder);

// The parameter a name stands for ("in.a.GAIN" is in.A.gain). Nothing, with a message naming it,
// for an unknown name, a channel, band or setting the model lacks, or a unit-wide setting asked
// of a program file.
std::optional<Parameter> FindParameter(const DeviceModel& model, Holder holder,
                                       std::string_view name, std::string& error);

// The value as the editors show it: "-3.5", "on", "lowshelf", "Kick".
std::string ReadParameter(const Parameter& parameter, const ProgramContainer& program);

// Checks a value text and turns it into what is stored. A number must be a whole decimal number
// ("-3.5", "1600"); a word one of the parameter's words (either case); a text printable ASCII. A
// number beyond the range is refused as the editor refuses it (never limited and taken). Nothing,
// with a message naming the parameter, for a value that does not parse or lies out of range.
std::optional<Value> ParseValue(const Parameter& parameter, const DeviceModel& model,
                                std::string_view text, std::string& error);

// What a unit keeps of a text (a channel name, an interface line) and gives back when it is read:
// a name without the blanks at its end, an interface line without blanks at either end. Any
// other parameter's text is returned as it is.
std::string TextTheUnitKeeps(const Parameter& parameter, std::string_view text);

// One parameter with its checked value.
struct Assignment {
    Parameter parameter;
    Value value;
};

// What applying assignments did.
struct ApplyOutcome {
    // "out.1.limiter.ratio: ..." for each value the rules refused. When there is one, no
    // unit-wide setting has been queued, and the program's changes must be dropped, not sent or
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
// over a gain given with it. Then, when nothing was refused, the unit-wide settings go through
// `unit`'s setters (needed for them; a program file has none).
ApplyOutcome Apply(const std::vector<Assignment>& assignments, ProgramContainer& program,
                   UnitController* unit);

// The channel a name stands for, as the parameters name it ("out.2", "in.a"). Nothing, with a
// message naming it, for an unknown name or a channel the model lacks.
std::optional<ChannelId> FindChannel(const DeviceModel& model, std::string_view name,
                                     std::string& error);
// "in.A" or "out.2".
std::string ChannelName(ChannelId channel);

// Lines listing every parameter with its unit and range on each model, and the rules that hold.
std::string HelpText();

} // namespace ParameterCatalogue
