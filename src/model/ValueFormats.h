#pragma once

#include <optional>
#include <string>
#include <string_view>

// Display kinds of the numeric edit: how a stored index is shown as engineering text and how a
// typed text becomes an index again. The rules are exact copies of what the unit's editors have
// always done, including their small asymmetries (the long-scale distance entries use a speed of
// sound of 331.4 m/s where the displays use 331; feet entries divide by 3.2808 where the displays
// multiply by 3.28), so a typed distance may show slightly differently after the commit.

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
               // (kind 5 leaves gaps in its scale; typed values there land here)
    OwnerText, // kind 6: the text stays and the owner is told so it can read it
};

struct DisplayEntry {
    EntryOutcome outcome = EntryOutcome::Restore;
    int index = 0;           // the index after the entry; the old one unless outcome is Commit
    bool outOfRange = false; // the entry was clamped: show "Out of Range" before the commit
};

// Applies the entry rule of the kind to a typed text. `current` is the index held before the
// entry. A text that holds no number at all (empty, letters, "nan") restores the old value. A
// committed index always lies within s.min..s.max: a rule result outside the edit's range is
// clamped to it and reported as out of range.
DisplayEntry ApplyDisplayEntry(const DisplayKindSettings& s, int current, std::string_view text);

// The message the edit shows when an entry was clamped.
inline constexpr const char* kOutOfRangeText = "Out of Range";

// The unit the kind's numbers are in: s.unit when set, else the kind's own ("ms", "m", "ft",
// "oct", "Hz"); empty for a kind without one (Q, the plain numbers).
std::string DisplayKindUnit(const DisplayKindSettings& s);
// What the operator may type, in the kind's own text and unit, lowest first:
// "Allowed range: -40.0 to 15.0 dB". std::nullopt for a kind without an entry rule, or when the
// range has no text (an index range outside the kind's table).
std::optional<std::string> DisplayKindRangeText(const DisplayKindSettings& s);
// The message for a clamped entry: "Out of Range", and the allowed range on a second line when
// the kind has one.
std::string OutOfRangeMessage(const DisplayKindSettings& s);

// Reads the leading decimal number of a text the way the editors always have ("12.5ms" is 12.5),
// also accepting ',' as the decimal separator and leading blanks or '+'. No number, or a
// non-finite one, gives std::nullopt.
std::optional<double> ReadDecimal(std::string_view text);
// Reads the leading integer of a text ("12.7" is 12); beyond the int range it saturates.
std::optional<int> ReadInteger(std::string_view text);
