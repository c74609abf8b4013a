#include "model/ChannelFields.h"

#include <algorithm>
#include <array>

#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"

namespace {

template <typename T> struct MemberTraits;
template <typename Class_, typename Value_> struct MemberTraits<Value_ Class_::*> {
    using Class = Class_;
    using Value = Value_;
};

// The image slot of a one- or two-byte member of an image record.
template <auto Member> constexpr auto InImage() {
    using Image = typename MemberTraits<decltype(Member)>::Class;
    using Value = typename MemberTraits<decltype(Member)>::Value;
    using Bits = std::make_unsigned_t<Value>;
    static_assert(sizeof(Value) == 1 || sizeof(Value) == 2);
    return ImageSlot<Image>{
        [](const Image& image) { return static_cast<int>(static_cast<Bits>(image.*Member)); },
        [](Image& image, int value) {
            image.*Member = static_cast<Value>(static_cast<Bits>(value));
        },
        static_cast<int>(sizeof(Value)),
    };
}

// A record field kept in a data member and changed through a setter.
template <typename Record, auto Member, auto Setter> constexpr RecordSlot<Record> Stored() {
    using Value = typename MemberTraits<decltype(Member)>::Value;
    return {
        [](const Record& record) { return static_cast<int>(record.*Member); },
        [](Record& record, int value) { (record.*Setter)(value); },
        [](Record& record, int value) { record.*Member = static_cast<Value>(value); },
    };
}

// A record field without a setter: only the single-setting file reads and writes it.
template <typename Record, auto Member> constexpr RecordSlot<Record> FileOnly() {
    using Value = typename MemberTraits<decltype(Member)>::Value;
    return {
        [](const Record& record) { return static_cast<int>(record.*Member); },
        nullptr,
        [](Record& record, int value) { record.*Member = static_cast<Value>(value); },
    };
}

template <bool HighPass, typename Record> Filter& CrossoverOf(Record& record) {
    return HighPass ? record.highPass() : record.lowPass();
}
template <bool HighPass, typename Record> const Filter& CrossoverOf(const Record& record) {
    return HighPass ? record.highPass() : record.lowPass();
}

// A field of the high-pass or low-pass filter of a channel. Storing it keeps the filter's change
// flag as it was; the response follows the new value.
template <typename Record, bool HighPass, auto Getter, auto Setter>
constexpr RecordSlot<Record> CrossoverField() {
    return {
        [](const Record& record) { return (CrossoverOf<HighPass>(record).*Getter)(); },
        [](Record& record, int value) { (CrossoverOf<HighPass>(record).*Setter)(value); },
        [](Record& record, int value) {
            Filter& filter = CrossoverOf<HighPass>(record);
            const int changed = filter.changed();
            (filter.*Setter)(value);
            filter.setChanged(changed);
        },
    };
}

// A field of one equaliser band, reached through the filter's getter and setter. Gain and
// bandwidth indices have no store: the filter keeps dB and octaves, and only their setters turn
// an index into those (and raise the change flag).
template <auto Getter, auto Setter> constexpr RecordSlot<Filter> BandField() {
    return {
        [](const Filter& filter) { return (filter.*Getter)(); },
        [](Filter& filter, int value) { (filter.*Setter)(value); },
        nullptr,
    };
}

// A band field the filter keeps as it is: stored through its settings, without a flag.
template <auto Getter, auto Setter, auto Setting> constexpr RecordSlot<Filter> StoredBandField() {
    return {
        [](const Filter& filter) { return (filter.*Getter)(); },
        [](Filter& filter, int value) { (filter.*Setter)(value); },
        [](Filter& filter, int value) {
            FilterSettings settings = filter.settings();
            settings.*Setting = value;
            filter.restoreSettings(settings);
        },
    };
}

template <typename Row, std::size_t A, std::size_t B>
constexpr std::array<Row, A + B> Join(const std::array<Row, A>& first,
                                      const std::array<Row, B>& second) {
    std::array<Row, A + B> rows{};
    std::copy(first.begin(), first.end(), rows.begin());
    std::copy(second.begin(), second.end(), rows.begin() + A);
    return rows;
}

} // namespace

// Friend of the channel records: the rows reach the stored members directly, so that loaders and
// file readers can take values without raising change flags.
struct ChannelFieldTables {
    static std::span<const InputFieldRow> Input();
    static std::span<const OutputFieldRow> Output();
    // The first 8 characters of `text`, zero padded, without raising the name flag.
    static void StoreName(Channel& record, std::string_view text) {
        record.name_ = MakeChannelName(text);
    }

private:
    // The fields inputs and outputs share; `gain` is the kind's gain range.
    template <typename Record, typename Image>
    static constexpr std::array<FieldRow<Record, Image>, 10> Shared(ValueRange ModelRanges::*gain) {
        using F = Filter;
        return {{
            {Field::On, Stored<Record, &Channel::on_, &Channel::setOn>(), InImage<&Image::on>(),
             FixedRange(kFlagRange)},
            {Field::Polarity, Stored<Record, &Channel::polarity_, &Channel::setPolarity>(),
             InImage<&Image::polarity>(), FixedRange(kFlagRange)},
            {Field::Delay, Stored<Record, &Channel::delay_, &Channel::setDelay>(),
             InImage<&Image::delay>(), ModelRange(&ModelRanges::delay)},
            {Field::Gain, Stored<Record, &Channel::gain_, &Channel::setGain>(),
             InImage<&Image::gain>(), ModelRange(gain)},
            {Field::HighPassFrequency,
             CrossoverField<Record, true, &F::frequency, &F::setFrequency>(),
             InImage<&Image::highPassFrequency>(), FixedRange(kFrequencyRange)},
            {Field::HighPassKind, CrossoverField<Record, true, &F::kind, &F::setKind>(),
             InImage<&Image::highPassKind>(), FixedRange(kCrossoverKindRange)},
            {Field::HighPassSlope, CrossoverField<Record, true, &F::slope, &F::setSlope>(),
             InImage<&Image::highPassSlope>(), FixedRange(kCrossoverSlopeRange)},
            {Field::LowPassFrequency,
             CrossoverField<Record, false, &F::frequency, &F::setFrequency>(),
             InImage<&Image::lowPassFrequency>(), FixedRange(kFrequencyRange)},
            {Field::LowPassKind, CrossoverField<Record, false, &F::kind, &F::setKind>(),
             InImage<&Image::lowPassKind>(), FixedRange(kCrossoverKindRange)},
            {Field::LowPassSlope, CrossoverField<Record, false, &F::slope, &F::setSlope>(),
             InImage<&Image::lowPassSlope>(), FixedRange(kCrossoverSlopeRange)},
        }};
    }
};

std::span<const InputFieldRow> ChannelFieldTables::Input() {
    using R = InputChannel;
    using I = InputImage;
    static constexpr auto kRows =
        Join(Shared<R, I>(&ModelRanges::inputGain),
             std::array<InputFieldRow, 4>{{
                 {Field::ReservedA, Stored<R, &R::reservedA_, &R::setReservedA>(),
                  InImage<&I::reservedA>(), FixedRange(kFlagRange)},
                 {Field::ReservedB, Stored<R, &R::reservedB_, &R::setReservedB>(),
                  InImage<&I::reservedB>(), FixedRange(kByteRange)},
                 {Field::GateThreshold, Stored<R, &R::gateThreshold_, &R::setGateThreshold>(),
                  InImage<&I::gateThreshold>(), FixedRange(kByteRange)},
                 {Field::GateOff, Stored<R, &R::gateOff_, &R::setGateOff>(), InImage<&I::gateOff>(),
                  FixedRange(kFlagRange)},
             }});
    return kRows;
}

std::span<const OutputFieldRow> ChannelFieldTables::Output() {
    using R = OutputChannel;
    using I = OutputImage;
    static constexpr auto kRows =
        Join(Shared<R, I>(&ModelRanges::outputGain),
             std::array<OutputFieldRow, 12>{{
                 {Field::Mix, Stored<R, &R::mix_, &R::setMix>(), InImage<&I::mix>(),
                  FixedRange(kByteRange)},
                 {Field::Reserved, {}, InImage<&I::reserved>(), FixedRange(kByteRange)},
                 {Field::Threshold, Stored<R, &R::threshold_, &R::setThreshold>(),
                  InImage<&I::threshold>(), FixedRange(kLimiterThresholdRange)},
                 {Field::Attack, Stored<R, &R::attack_, &R::setAttack>(), InImage<&I::attack>(),
                  FixedRange(kAttackRange)},
                 {Field::Release, Stored<R, &R::release_, &R::setRelease>(), InImage<&I::release>(),
                  FixedRange(kReleaseRange)},
                 {Field::ClipLimit, Stored<R, &R::clipLimit_, &R::setClipLimit>(),
                  InImage<&I::clipLimit>(), FixedRange(kByteRange)},
                 {Field::Ratio, Stored<R, &R::ratio_, &R::setRatio>(), InImage<&I::ratio>(),
                  FixedRange(kRatioRange)},
                 {Field::DynamicsType, Stored<R, &R::dynamicsType_, &R::setDynamicsType>(),
                  InImage<&I::dynamicsType>(), FixedRange(kDynamicsTypeRange)},
                 {Field::DynamicsMode, Stored<R, &R::dynamicsMode_, &R::setDynamicsMode>(),
                  InImage<&I::dynamicsMode>(), FixedRange(kDynamicsModeRange)},
                 {Field::ReservedC, FileOnly<R, &R::reservedC_>(), {}, kAsStored},
                 {Field::ReservedD, FileOnly<R, &R::reservedD_>(), {}, kAsStored},
             }});
    return kRows;
}

std::span<const InputFieldRow> InputFields() {
    return ChannelFieldTables::Input();
}

std::span<const OutputFieldRow> OutputFields() {
    return ChannelFieldTables::Output();
}

void StoreChannelName(Channel& record, std::string_view text) {
    ChannelFieldTables::StoreName(record, text);
}

std::span<const BandFieldRow> BandFields() {
    using F = Filter;
    using B = BandImage;
    static constexpr std::array<BandFieldRow, 5> kRows{{
        {Field::BandType, StoredBandField<&F::type, &F::setType, &FilterSettings::type>(),
         InImage<&B::type>(), FixedRange(kBandTypeRange)},
        {Field::BandFrequency,
         StoredBandField<&F::frequency, &F::setFrequency, &FilterSettings::frequency>(),
         InImage<&B::frequency>(), FixedRange(kFrequencyRange)},
        {Field::BandGain, BandField<&F::gainIndex, &F::setGainIndex>(), InImage<&B::gain>(),
         FixedRange(kBandGainRange)},
        {Field::BandBandwidth, BandField<&F::bandwidthIndex, &F::setBandwidthIndex>(),
         InImage<&B::bandwidth>(), ModelRange(&ModelRanges::bandwidth)},
        {Field::BandSlope, StoredBandField<&F::slope, &F::setSlope, &FilterSettings::slope>(),
         InImage<&B::slope>(), FixedRange(kShelfSlopeRange)},
    }};
    return kRows;
}

// ---- Walks ---------------------------------------------------------------------------------

namespace {

template <typename Record, typename Image> void LoadImage(Record& record, const Image& image) {
    StoreChannelName(record, image.name);
    for (const auto& row : FieldsOf<Record>()) {
        if (row.record.store != nullptr && row.image.get != nullptr)
            row.record.store(record, row.image.get(image));
    }
    // Type, frequency and slope are stored first, so that the gain and bandwidth setters (which
    // raise the band's flag) compute the response with them.
    for (int b = 0; b < Record::kBandCount; ++b) {
        Filter& filter = record.filter(b);
        const BandImage& band = image.bands[static_cast<std::size_t>(b)];
        for (const BandFieldRow& row : BandFields()) {
            if (row.record.store != nullptr)
                row.record.store(filter, row.image.get(band));
        }
        for (const BandFieldRow& row : BandFields()) {
            if (row.record.store == nullptr)
                row.record.set(filter, row.image.get(band));
        }
    }
}

template <typename Record, typename Image> void FillImage(const Record& record, Image& image) {
    image.name = record.nameText();
    for (const auto& row : FieldsOf<Record>()) {
        if (row.image.set != nullptr)
            row.image.set(image, row.record.get != nullptr ? row.record.get(record) : 0);
    }
    for (int b = 0; b < Record::kBandCount; ++b) {
        const Filter& filter = record.filter(b);
        for (const BandFieldRow& row : BandFields())
            row.image.set(image.bands[static_cast<std::size_t>(b)], row.record.get(filter));
    }
}

template <typename Record, typename Image> void ApplyImage(Record& record, const Image& image) {
    for (int b = 0; b < Record::kBandCount; ++b) {
        Filter& filter = record.filter(b);
        for (const BandFieldRow& row : BandFields())
            row.record.set(filter, row.image.get(image.bands[static_cast<std::size_t>(b)]));
    }
    for (const auto& row : FieldsOf<Record>()) {
        if (row.record.set != nullptr && row.image.get != nullptr)
            row.record.set(record, row.image.get(image));
    }
    record.setName(image.name);
}

template <typename Image> void LimitImage(Image& image, int deviceType) {
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    for (const auto& row : FieldsOf<Image>()) {
        if (row.image.get != nullptr)
            row.image.set(image, row.rangeFor(ranges).Clamp(row.image.get(image)));
    }
    for (BandImage& band : image.bands) {
        for (const BandFieldRow& row : BandFields())
            row.image.set(band, row.rangeFor(ranges).Clamp(row.image.get(band)));
    }
}

template <typename Record> void LimitRecord(Record& record, int deviceType) {
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    for (const auto& row : FieldsOf<Record>()) {
        if (row.record.set == nullptr)
            continue;
        const int value = row.record.get(record);
        const int limited = row.rangeFor(ranges).Clamp(value);
        if (limited != value)
            row.record.set(record, limited);
    }
}

} // namespace

void LoadChannelImage(InputChannel& record, const InputImage& image) {
    LoadImage(record, image);
}
void LoadChannelImage(OutputChannel& record, const OutputImage& image) {
    LoadImage(record, image);
}
void FillChannelImage(const InputChannel& record, InputImage& image) {
    FillImage(record, image);
}
void FillChannelImage(const OutputChannel& record, OutputImage& image) {
    FillImage(record, image);
}
void ApplyChannelImage(InputChannel& record, const InputImage& image) {
    ApplyImage(record, image);
}
void ApplyChannelImage(OutputChannel& record, const OutputImage& image) {
    ApplyImage(record, image);
}
void LimitChannelImage(InputImage& image, int deviceType) {
    LimitImage(image, deviceType);
}
void LimitChannelImage(OutputImage& image, int deviceType) {
    LimitImage(image, deviceType);
}
void LimitChannelRecord(InputChannel& record, int deviceType) {
    LimitRecord(record, deviceType);
}
void LimitChannelRecord(OutputChannel& record, int deviceType) {
    LimitRecord(record, deviceType);
}
