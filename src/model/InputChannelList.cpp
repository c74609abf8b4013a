#include "model/InputChannelList.h"

namespace {

constexpr std::array<ChannelSetup, kInputCount> kInputSetup{{
    {"A", {255, 0, 0}},
    {"B", {255, 255, 0}},
    {"C", {0, 255, 0}},
    {"D", {34, 188, 211}},
}};

} // namespace

InputChannelList::InputChannelList() : ChannelList(kInputSetup) {}
