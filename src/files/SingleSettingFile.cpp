#include "files/SingleSettingFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "files/ByteStream.h"
#include "model/ChannelFields.h"
#include "model/ProgramContainer.h"

namespace {

enum class Encoding { Text, U8, U32, I32 };

// Bytes of a record that hold no stored field: the frame codes and the channel index. They are
// written from the record and skipped on reading.
enum class Fixed { None, NameCode, MainCode, DynamicsCode, Index };

struct RecordItem {
    Field field;
    Encoding encoding;
    Fixed fixed = Fixed::None;
};

constexpr RecordItem FixedByte(Fixed fixed) {
    return {Field::Name, Encoding::U8, fixed};
}

constexpr std::array<RecordItem, 11> kInputRecord{{
    {Field::Name, Encoding::Text},
    {Field::On, Encoding::U8},
    {Field::Polarity, Encoding::U8},
    {Field::Delay, Encoding::U32},
    {Field::Gain, Encoding::I32},
    {Field::ReservedA, Encoding::U8},
    {Field::ReservedB, Encoding::U32},
    {Field::GateThreshold, Encoding::U8},
    {Field::GateOff, Encoding::U8},
    FixedByte(Fixed::MainCode),
    FixedByte(Fixed::Index),
}};

constexpr std::array<RecordItem, 19> kOutputRecord{{
    {Field::Name, Encoding::Text},
    {Field::ReservedC, Encoding::I32},
    FixedByte(Fixed::NameCode),
    {Field::On, Encoding::U8},
    {Field::Gain, Encoding::I32},
    {Field::Polarity, Encoding::U8},
    {Field::Mix, Encoding::U8},
    {Field::Delay, Encoding::U32},
    FixedByte(Fixed::MainCode),
    {Field::ReservedD, Encoding::I32},
    {Field::Threshold, Encoding::I32},
    {Field::Attack, Encoding::U8},
    {Field::Release, Encoding::U8},
    {Field::ClipLimit, Encoding::I32},
    {Field::Ratio, Encoding::I32},
    {Field::DynamicsType, Encoding::I32},
    {Field::DynamicsMode, Encoding::I32},
    FixedByte(Fixed::DynamicsCode),
    FixedByte(Fixed::Index),
}};

int FixedValue(const InputChannel& record, Fixed fixed) {
    return fixed == Fixed::MainCode ? record.mainCode() : record.index();
}

int FixedValue(const OutputChannel& record, Fixed fixed) {
    switch (fixed) {
    case Fixed::NameCode:
        return record.nameCode();
    case Fixed::MainCode:
        return record.mainCode();
    case Fixed::DynamicsCode:
        return record.dynamicsCode();
    default:
        return record.index();
    }
}

void WriteNumber(ByteWriter& out, Encoding encoding, int value) {
    switch (encoding) {
    case Encoding::U8:
        out.writeU8(static_cast<std::uint8_t>(value));
        break;
    case Encoding::U32:
        out.writeU32(static_cast<std::uint32_t>(value));
        break;
    default:
        out.writeI32(value);
        break;
    }
}

bool ReadNumber(ByteReader& in, Encoding encoding, int& value) {
    switch (encoding) {
    case Encoding::U8: {
        std::uint8_t v = 0;
        const bool ok = in.readU8(v);
        value = v;
        return ok;
    }
    case Encoding::U32: {
        std::uint32_t v = 0;
        const bool ok = in.readU32(v);
        value = static_cast<int>(v);
        return ok;
    }
    default: {
        std::int32_t v = 0;
        const bool ok = in.readI32(v);
        value = v;
        return ok;
    }
    }
}

template <typename Record, std::size_t N>
void WriteRecord(ByteWriter& out, const Record& record, const std::array<RecordItem, N>& layout,
                 SentFrequencyField sent) {
    for (const RecordItem& item : layout) {
        if (item.fixed != Fixed::None) {
            WriteNumber(out, item.encoding, FixedValue(record, item.fixed));
        } else if (item.field == Field::Name) {
            out.writeString(record.nameText());
        } else {
            WriteNumber(out, item.encoding,
                        FindField(FieldsOf<Record>(), item.field).record.get(record));
        }
    }
    WriteFilterRecords(out, record.filters(), sent);
}

// Reads the whole fixed part before storing anything, so a record cut short keeps its values.
template <typename Record, std::size_t N>
bool ReadRecord(ByteReader& in, Record& record, const std::array<RecordItem, N>& layout) {
    std::string name;
    std::array<int, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        const RecordItem& item = layout[i];
        const bool ok = item.fixed == Fixed::None && item.field == Field::Name
                            ? in.readString(name)
                            : ReadNumber(in, item.encoding, values[i]);
        if (!ok)
            return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const RecordItem& item = layout[i];
        if (item.fixed != Fixed::None)
            continue;
        if (item.field == Field::Name)
            StoreChannelName(record, name);
        else
            FindField(FieldsOf<Record>(), item.field).record.store(record, values[i]);
    }
    return ReadFilterRecords(in, record.filters());
}

} // namespace

void WriteSingleSetting(ByteWriter& out, const ProgramContainer& data, SentFrequencyField sent) {
    out.writeString(data.programName());
    for (const InputChannel& in : data.inputs())
        WriteRecord(out, in, kInputRecord, sent);
    for (const OutputChannel& record : data.outputs())
        WriteRecord(out, record, kOutputRecord, sent);
}

bool ReadSingleSetting(ByteReader& in, ProgramContainer& data) {
    std::string name;
    if (!in.readString(name))
        return false;
    data.setProgramName(name);
    for (InputChannel& record : data.inputs()) {
        if (!ReadRecord(in, record, kInputRecord))
            return false;
    }
    for (OutputChannel& record : data.outputs()) {
        if (!ReadRecord(in, record, kOutputRecord))
            return false;
    }
    return true;
}

void WriteFilterRecord(ByteWriter& out, const Filter& filter, SentFrequencyField sent) {
    const FilterSettings s = filter.settings();
    out.writeI32(s.type);
    out.writeI32(s.frequency);
    out.writeI32(sent == SentFrequencyField::AsHeld ? s.sentFrequency : s.frequency);
    out.writeF64(s.gain);
    out.writeI32(s.off);
    out.writeF64(s.bandwidth);
    out.writeI32(s.kind);
    out.writeI32(s.slope);
    out.writeI32(s.code);
}

bool ReadFilterRecord(ByteReader& in, Filter& filter) {
    std::int32_t type = 0, frequency = 0, sent = 0, off = 0, kind = 0, slope = 0, code = 0;
    double gain = 0.0, bandwidth = 0.0;
    const bool ok = in.readI32(type) && in.readI32(frequency) && in.readI32(sent) &&
                    in.readF64(gain) && in.readI32(off) && in.readF64(bandwidth) &&
                    in.readI32(kind) && in.readI32(slope) && in.readI32(code);
    if (!ok)
        return false;
    filter.restoreSettings({type, frequency, sent, gain, off, bandwidth, kind, slope, code});
    return true;
}

void WriteFilterRecords(ByteWriter& out, const FilterSet& filters, SentFrequencyField sent) {
    for (int i = 0; i < filters.count(); ++i)
        WriteFilterRecord(out, filters[i], sent);
}

bool ReadFilterRecords(ByteReader& in, FilterSet& filters) {
    for (int i = 0; i < filters.count(); ++i) {
        if (!ReadFilterRecord(in, filters[i]))
            return false;
    }
    return true;
}
