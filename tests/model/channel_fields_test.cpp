// The field tables of the channel kinds: each field once per table, and the image limits walking
// every row with its model's range.

#include "model/ChannelFields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

template <typename Row> void ExpectUniqueIds(std::span<const Row> rows, const char* table) {
    std::set<Field> seen;
    for (const Row& row : rows)
        EXPECT_TRUE(seen.insert(row.id).second)
            << table << " lists field " << static_cast<int>(row.id) << " twice";
}

// Every image field of the table set to the top of its width, limited, and compared with the
// row's range on that model.
template <typename Image> void ExpectLimitedToEveryRange(int deviceType) {
    Image image;
    for (const auto& row : FieldsOf<Image>()) {
        if (row.image.set != nullptr)
            row.image.set(image, row.image.bytes == 2 ? 0xFFFF : 0xFF);
    }
    for (BandImage& band : image.bands) {
        for (const BandFieldRow& row : BandFields())
            row.image.set(band, row.image.bytes == 2 ? 0xFFFF : 0xFF);
    }
    LimitChannelImage(image, deviceType);
    const ModelRanges& ranges = ModelRangesFor(deviceType);
    for (const auto& row : FieldsOf<Image>()) {
        if (row.image.get != nullptr) {
            const int top = row.image.bytes == 2 ? 0xFFFF : 0xFF;
            EXPECT_EQ(row.image.get(image), std::min(top, row.rangeFor(ranges).high))
                << "field " << static_cast<int>(row.id);
        }
    }
    for (const BandImage& band : image.bands) {
        for (const BandFieldRow& row : BandFields())
            EXPECT_EQ(row.image.get(band), row.rangeFor(ranges).high)
                << "band field " << static_cast<int>(row.id);
    }
}

} // namespace

TEST(ChannelFields, EveryFieldAppearsOncePerTable) {
    ExpectUniqueIds(InputFields(), "inputs");
    ExpectUniqueIds(OutputFields(), "outputs");
    ExpectUniqueIds(BandFields(), "bands");
}

TEST(ChannelFields, ImageLimitsTakeEveryRowToTheTopOfItsModelsRange) {
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE("type " + std::to_string(type));
        ExpectLimitedToEveryRange<InputImage>(type);
        ExpectLimitedToEveryRange<OutputImage>(type);
    }
}
