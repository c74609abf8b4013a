#pragma once

#include <cassert>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <type_traits>

#include "model/ProgramImage.h"
#include "model/ValueLimits.h"

class Channel;
class Filter;
class InputChannel;
class OutputChannel;

// The stored fields of a channel, one table per channel kind (inputs, outputs) and one for an
// equaliser band. A row names a field, says where it lives in the channel record and in the
// stored-program image, and gives the range every value from a unit or a file is limited to.
// The reply decoder, the image conversion, both program file formats and the value limits walk
// these tables; a format only lists its own order of field ids and how it encodes each value.

// Field ids. The name is a text and travels in every format, but has no numeric row.
enum class Field : std::uint8_t {
    // Every channel.
    Name,
    On,
    Polarity,
    Delay,
    Gain,
    HighPassFrequency,
    HighPassKind,
    HighPassSlope,
    LowPassFrequency,
    LowPassKind,
    LowPassSlope,
    // Inputs.
    ReservedA,
    ReservedB,
    GateThreshold,
    GateOff,
    // Outputs.
    Mix,
    Reserved, // output images only, carried along
    Threshold,
    Attack,
    Release,
    ClipLimit,
    Ratio,
    DynamicsType,
    DynamicsMode,
    ReservedC, // output records only (the single-setting file keeps them)
    ReservedD,
    // One equaliser band.
    BandFrequency,
    BandGain,
    BandBandwidth,
    BandSlope,
    BandType,
};

// The range a field's values are limited to: a fixed one, or the one the device type has.
struct FieldRange {
    ValueRange fixed{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    ValueRange ModelRanges::*perModel = nullptr;

    constexpr ValueRange For(const ModelRanges& ranges) const {
        return perModel != nullptr ? ranges.*perModel : fixed;
    }
};

constexpr FieldRange FixedRange(ValueRange range) {
    return {range, nullptr};
}
constexpr FieldRange ModelRange(ValueRange ModelRanges::*range) {
    return {{}, range};
}
// Taken as stored: no limit.
inline constexpr FieldRange kAsStored{};

// Where a field lives in a channel record (Record: InputChannel, OutputChannel or, for a band,
// Filter). All null when the record keeps no such field.
template <typename Record> struct RecordSlot {
    int (*get)(const Record&) = nullptr;
    // Through the record's setter, which raises the field's change flag. Null for fields that
    // have no setter (they are only read from and written to files).
    void (*set)(Record&, int) = nullptr;
    // The value as given, raising no flag: what loaders and file readers use. Null for a band's
    // gain and bandwidth indices, which a loader takes through their setters.
    void (*store)(Record&, int) = nullptr;
};

// Where a field lives in a stored-program image. All null when the image keeps no such field.
// 16-bit image fields carry the unsigned wire value bit for bit (a 4x8 delay reaches 52473).
template <typename Image> struct ImageSlot {
    int (*get)(const Image&) = nullptr;
    void (*set)(Image&, int) = nullptr;
    int bytes = 0; // width in the image: 1 or 2
};

template <typename Record, typename Image> struct FieldRow {
    Field id;
    RecordSlot<Record> record;
    ImageSlot<Image> image;
    FieldRange range = kAsStored;

    ValueRange rangeFor(const ModelRanges& ranges) const { return range.For(ranges); }
};

using InputFieldRow = FieldRow<InputChannel, InputImage>;
using OutputFieldRow = FieldRow<OutputChannel, OutputImage>;
using BandFieldRow = FieldRow<Filter, BandImage>;

// The tables. Every row id appears once per table.
std::span<const InputFieldRow> InputFields();
std::span<const OutputFieldRow> OutputFields();
std::span<const BandFieldRow> BandFields();

// The table a record or image type is described by.
template <typename T> auto FieldsOf() {
    if constexpr (std::is_same_v<T, InputChannel> || std::is_same_v<T, InputImage>) {
        return InputFields();
    } else if constexpr (std::is_same_v<T, OutputChannel> || std::is_same_v<T, OutputImage>) {
        return OutputFields();
    } else {
        static_assert(std::is_same_v<T, Filter> || std::is_same_v<T, BandImage>);
        return BandFields();
    }
}

// The row of a field. Precondition: the table has it (asserted; release builds fall back to the
// table's first row rather than an invalid reference).
template <typename Row> const Row& FindField(std::span<const Row> rows, Field id) {
    for (const Row& row : rows) {
        if (row.id == id)
            return row;
    }
    assert(false && "field not in this table");
    return rows.front();
}

// Image access by field id, for the formats that list their order as ids.
template <typename Image> int ImageValue(const Image& image, Field id) {
    return FindField(FieldsOf<Image>(), id).image.get(image);
}
template <typename Image> void SetImageValue(Image& image, Field id, int value) {
    FindField(FieldsOf<Image>(), id).image.set(image, value);
}

// The name, a text in every format: stores its first 8 characters, zero padded, without raising
// the name flag (for loaders and file readers).
void StoreChannelName(Channel& record, std::string_view text);

// ---- Walks over the tables ----------------------------------------------------------------

// Takes a stored program's channel image into a record: name and every field without raising
// the record's change flags; the crossover pair follows its new values without a flag; each
// band takes its gain and bandwidth through their setters (its change flag is raised). The
// channel's curve is not recomputed: the caller does that.
void LoadChannelImage(InputChannel& record, const InputImage& image);
void LoadChannelImage(OutputChannel& record, const OutputImage& image);
// The reverse: the record's stored fields into an image (fields the record lacks become 0).
void FillChannelImage(const InputChannel& record, InputImage& image);
void FillChannelImage(const OutputChannel& record, OutputImage& image);
// Takes an image into a record through the setters, raising every group's change flag: how a
// unit's live channel block reaches the received program.
void ApplyChannelImage(InputChannel& record, const InputImage& image);
void ApplyChannelImage(OutputChannel& record, const OutputImage& image);

// Limits every field of an image to its range on a device type.
void LimitChannelImage(InputImage& image, int deviceType);
void LimitChannelImage(OutputImage& image, int deviceType);
// Limits a record's fields that are out of range through their setters (which raise flags): for
// a scratch record read from a file. Bands are left to the filter checks of the file reader.
void LimitChannelRecord(InputChannel& record, int deviceType);
void LimitChannelRecord(OutputChannel& record, int deviceType);
