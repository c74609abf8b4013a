#pragma once

class ByteReader;
class ByteWriter;
class Filter;
class FilterSet;
class ProgramContainer;

// The record layout of a single-setting file (".dia48", ".dia36", ".dia24"): the program name,
// the 4 input records and the 8 output records, each followed by its filter records. No counts,
// no class information. ProgramFile reads and writes whole files through these and limits what
// was read.
//
// Input record: name, on, polarity, delay (u32), gain (i32), reserved A, reserved B (u32), gate
// threshold, gate switch, level frame code, channel index, then its 10 filter records.
// Output record: name, reserved C (i32), name frame code, on, gain (i32), polarity, mix,
// delay (u32), level frame code, reserved D (i32), threshold, attack, release, clip limit, ratio,
// dynamics type, dynamics mode (the i32 ones as i32, the others u8), limiter frame code, channel
// index, then its 8 filter records.

// What a filter record's sent-frequency field is written with. A saved program holds the
// filter's frequency there: the sent frequency is where the crossover stepping of one session has
// got to, which means nothing to the unit the file is recalled into (a read sets it to the
// frequency). Checking a file just read against its own bytes writes the field as held.
enum class SentFrequencyField { Settled, AsHeld };

// Writes the container's program name and all 12 channel records.
void WriteSingleSetting(ByteWriter& out, const ProgramContainer& data,
                        SentFrequencyField sent = SentFrequencyField::Settled);
// Reads that layout into the container's program name and records as stored: no range limits,
// no change flag raised. Frame codes and channel indices in the file are skipped: they are fixed
// by a record's position, so a damaged file cannot address another channel. Unit-wide settings,
// presence, colours and overlays stay. Returns false on short data; the container may then be
// partly read, so callers read into a scratch container.
bool ReadSingleSetting(ByteReader& in, ProgramContainer& data);

// One filter's 44-byte record: type, frequency, sent frequency (i32 each), gain in dB (f64),
// off (i32), bandwidth in octaves (f64), kind, slope, code (i32 each).
void WriteFilterRecord(ByteWriter& out, const Filter& filter,
                       SentFrequencyField sent = SentFrequencyField::Settled);
// Reads one record and takes it as stored (Filter::restoreSettings). On short data returns false
// and leaves the filter as it was.
bool ReadFilterRecord(ByteReader& in, Filter& filter);

// Every filter of a set in order. Reading stops at the first short record and returns false; the
// filters read before it keep their new values.
void WriteFilterRecords(ByteWriter& out, const FilterSet& filters,
                        SentFrequencyField sent = SentFrequencyField::Settled);
bool ReadFilterRecords(ByteReader& in, FilterSet& filters);
