#pragma once

#include <optional>
#include <string>
#include <string_view>

// Display kinds of the numeric edit: how a stored index is shown as engineering text and how a
// typed text becomes an index again. The texts are those the unit's editors have always shown.
// A typed distance is converted back with the very speed of sound and feet factor its display
// uses (331 m/s + 0.6 m/s per degree C, 3.28 ft per metre) and goes to the nearest step, so the
// distance shown is one that can be typed, and typing it gives that step again.

enum DisplayKindCode : int {
    kKindDelayMsLong = 0,       // 4x8 delay in ms, indices 0..52473
    kKindDelayMetresLong = 1,   // the same delay as a distance in metres
    kKindDelayFeetLong = 2,     // ... and in feet
    kKindCentred = 3,           // (i - max/2) x step
    kKindInteger = 4,           // plain integer
    kKindAttack = 5,            // limiter attack in ms
    kKindOwnerText = 6,         // the owner sets the text; the edit never formats
    kKindBandwidthFine = 7,     // 0.05 + 0.01 i octaves
    kKindFrequency = 8,         // Hz
    kKindInteger9 = 9,          // plain integer
    kKindLinear = 10,           // i x step - offset
    kKindQFine = 11,            // Q of the 296-step bandwidth
    kKindDelayMsShort = 12,     // 3x6 and 2x4 delay in ms, indices 0..1465
    kKindDelayMetresShort = 13, // the same delay in metres
    kKindDelayFeetShort = 14,   // ... and in feet
    kKindQCoarse = 15,          // Q of the 60-step bandwidth
    kKindBandwidthCoarse = 16,  // 0.05 + 0.05 i octaves
    kKindSlope = 17,            // crossover slope "12".."48"
    kKindRatio = 18,            // compressor ratio "1:1".."1:maximum"
    kKindTemperature = 50,      // "25C(77F)"
};

// Everything a display kind needs besides the index. temperatureC is the unit's temperature in
// degrees C, used by the metre and feet kinds; step and offset are used by kinds 3 and 10.
// `unit` names what the numbers count ("dB") for the kinds whose unit depends on the field
// (3, 4, 9, 10); empty, the kind's own unit is used (DisplayKindUnit). It views text that
// outlives the settings (a literal, or a string the owner keeps), so tables of settings stay
// constant expressions.
struct DisplayKindSettings {
    int kind = kKindInteger;
    int min = 0;
    int max = 0;
    double step = 1.0;
    double offset = 0.0;
    int temperatureC = 0;
    std::string_view unit = {};
};

// Text shown for an index. std::nullopt means the edit leaves its text alone (kind 6, unknown
// kinds); an empty string is shown for an index outside a kind's fixed table. Formatting never
// depends on the process locale: the decimal separator is always '.'.
std::optional<std::string> FormatDisplayKind(const DisplayKindSettings& s, int index);

// What committing a typed text does.
enum class EntryOutcome {
    Commit,    // store `index`, reformat the text, notify the owner
    KeepText,  // nothing happens: the text stays as typed (the integer kinds' "OFF")
    Restore,   // nothing is stored: the text is reformatted from the old index, nobody is told
               // (a kind without an entry rule, an emptied box)
    OwnerText, // kind 6: the text stays and the owner is told so it can read it
    Refused,   // the text is not taken (see `problem`): the old index stays, the text is
               // reformatted from it, nobody is told, and the operator is told why
};

// Why a typed text was refused.
enum class EntryProblem {
    None,
    NotANumber,   // not a number in the field's unit: letters, "1e3", or "12,000" in a box whose
                  // values reach 1000 (a thousands separator or a decimal one: it cannot be told)
    OutOfRange,   // a number outside the allowed range
    BetweenSteps, // inside the range, but on no step of the scale (an attack of 0.95 ms)
};

struct DisplayEntry {
    EntryOutcome outcome = EntryOutcome::Restore;
    int index = 0; // the index after the entry; the old one unless outcome is Commit
    EntryProblem problem = EntryProblem::None; // set exactly when outcome is Refused
};

// Applies the entry rule of the kind to a typed text. `current` is the index held before the
// entry. A value is never limited to the range and taken: a number outside the allowed range (the
// texts of the lowest and highest index), or a text that is no number, is refused and the old
// index stays. A number is optionally signed, with '.' or ',' as its decimal separator and
// optionally followed by the field's unit ("-3.5 dB", "12,5ms"); a box in Hz also takes kHz with
// a k ("1k", "1.5k", "2,5K" are 1000, 1500 and 2500 Hz) and rounds to whole Hz. An emptied box
// restores the old value without a word.
DisplayEntry ApplyDisplayEntry(const DisplayKindSettings& s, int current, std::string_view text);

// The message the edit shows when an entry was out of range.
inline constexpr const char* kOutOfRangeText = "Out of Range";
// ... and when it was no number.
inline constexpr const char* kNotANumberText = "Not a number";

// The unit the kind's numbers are in: s.unit when set, else the kind's own ("ms", "m", "ft",
// "oct", "Hz"); empty for a kind without one (Q, the plain numbers).
std::string DisplayKindUnit(const DisplayKindSettings& s);
// What the operator may type, in the kind's own text and unit, lowest first:
// "Allowed range: -40.0 to 15.0 dB". std::nullopt for a kind without an entry rule, or when the
// range has no text (an index range outside the kind's table).
std::optional<std::string> DisplayKindRangeText(const DisplayKindSettings& s);
// The message for an entry out of range: "Out of Range", and the allowed range on a second line
// when the kind has one.
std::string OutOfRangeMessage(const DisplayKindSettings& s);
// The message for a refused entry: the out-of-range message, or "Not a number" with the allowed
// range (and, in a box in Hz, how kHz are typed), or for a number between two steps the steps
// around it ("No step at 0.95 ms: 0.9 or 1 ms"). Empty for an entry that was not refused.
std::string EntryRefusalMessage(const DisplayKindSettings& s, const DisplayEntry& entry,
                                std::string_view typed);

// Reads the leading decimal number of a text ("12.5ms" is 12.5), also accepting ',' as the
// decimal separator and leading blanks or '+': for reading the editors' own texts back (a typed
// entry goes through ApplyDisplayEntry). No number, or a non-finite one, gives std::nullopt.
std::optional<double> ReadDecimal(std::string_view text);
// Reads the leading integer of a text ("12.7" is 12); beyond the int range it saturates.
std::optional<int> ReadInteger(std::string_view text);
