#include "model/OutputChannelList.h"

namespace {

constexpr std::array<ChannelSetup, kOutputCount> kOutputSetup{{
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

OutputChannelList::OutputChannelList() : ChannelList(kOutputSetup) {}
