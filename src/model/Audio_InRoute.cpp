#include "model/Audio_InRoute.h"

#include <algorithm>
#include <cassert>
#include <string_view>

namespace {

struct InputSetup {
    std::string_view name;
    CurveColour colour;
};

constexpr std::array<InputSetup, kInputCount> kInputSetup{{
    {"A", {255, 0, 0}},
    {"B", {255, 255, 0}},
    {"C", {0, 255, 0}},
    {"D", {34, 188, 211}},
}};

} // namespace

CAudio_InRoute::CAudio_InRoute() {
    for (int i = 0; i < kCount; ++i) {
        CAudio_InData& record = records_[static_cast<std::size_t>(i)];
        const InputSetup& setup = kInputSetup[static_cast<std::size_t>(i)];
        record.setIndex(i);
        record.setName(setup.name); // raises the name flag: a new input sends its name
        record.setCurveColour(setup.colour);
    }
}

CAudio_InData& CAudio_InRoute::operator[](int i) {
    assert(i >= 0 && i < kCount);
    return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
}

const CAudio_InData& CAudio_InRoute::operator[](int i) const {
    assert(i >= 0 && i < kCount);
    return records_[static_cast<std::size_t>(std::clamp(i, 0, kCount - 1))];
}

void CAudio_InRoute::Serialize(CArchiveWriter& archive) const {
    for (const CAudio_InData& record : records_)
        record.Serialize(archive);
}

bool CAudio_InRoute::Serialize(CArchiveReader& archive) {
    for (CAudio_InData& record : records_) {
        if (!record.Serialize(archive))
            return false;
    }
    return true;
}
