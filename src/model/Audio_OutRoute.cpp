#include "model/Audio_OutRoute.h"

#include <algorithm>
#include <cassert>
#include <string_view>

namespace {

struct OutputSetup {
    std::string_view name;
    CurveColour colour;
};

constexpr std::array<OutputSetup, kOutputCount> kOutputSetup{{
    {"1", {6, 100, 221}},
    {"2", {255, 0, 255}},
    {"3", {255, 255, 196}},
    {"4", {255, 128, 128}},
    {"5", {128, 255, 255}},
    {"6", {128, 128, 255}},
    {"7", {255, 128, 192}},
    {"8", {255, 128, 64}},
}};

} // namespace

CAudio_OutRoute::CAudio_OutRoute() {
    for (int i = 0; i < kCount; ++i) {
        CAudio_OutData& record = records_[static_cast<std::size_t>(i)];
        const OutputSetup& setup = kOutputSetup[static_cast<std::size_t>(i)];
        record.setIndex(i);
        record.setName(setup.name); // raises the name flag: a new output sends its name
        record.setCurveColour(setup.colour);
    }
}

CAudio_OutData& CAudio_OutRoute::operator[](int i) {
    assert(i >= 0 && i < kCount);
    return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
}

const CAudio_OutData& CAudio_OutRoute::operator[](int i) const {
    assert(i >= 0 && i < kCount);
    return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
}

void CAudio_OutRoute::Serialize(CArchiveWriter& archive) const {
    for (const CAudio_OutData& record : records_)
        record.Serialize(archive);
}

bool CAudio_OutRoute::Serialize(CArchiveReader& archive) {
    for (CAudio_OutData& record : records_) {
        if (!record.Serialize(archive))
            return false;
    }
    return true;
}
