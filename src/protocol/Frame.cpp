#include "protocol/Frame.h"

#include <algorithm>

namespace {
constexpr std::uint8_t kSpace = 0x20;
constexpr std::uint8_t kReservedValue = 0;
} // namespace

std::uint8_t FrameChecksum(std::span<const std::uint8_t> coveredBytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : coveredBytes) {
        x ^= b;
    }
    return x;
}

std::vector<std::uint8_t> ComposeFrame(std::uint8_t kind, std::uint8_t deviceId, std::uint8_t slot,
                                       std::uint8_t section, std::uint8_t channelOrCommand,
                                       std::uint8_t parameter,
                                       std::span<const std::uint8_t> payload) {
    if (payload.empty() || payload.size() > kMaxPayload) {
        return {};
    }
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() + kFrameOverhead);
    frame.insert(frame.end(),
                 {kFrameStart, kind, deviceId, slot, section, channelOrCommand, parameter,
                  kReservedValue, static_cast<std::uint8_t>(payload.size())});
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(FrameChecksum(std::span(frame).subspan(kOffsetKind)));
    frame.push_back(kFrameEnd);
    return frame;
}

std::vector<std::uint8_t> ComposeFrame(const FrameHeader& header,
                                       std::span<const std::uint8_t> payload) {
    return ComposeFrame(header.kind, header.deviceId, header.slot, header.section,
                        header.channelOrCommand, header.parameter, payload);
}

bool CheckFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kFrameOverhead || frame[kOffsetStart] != kFrameStart ||
        frame.size() != kFrameOverhead + frame[kOffsetLength]) {
        return false;
    }
    const std::size_t checksumAt = frame.size() - 2;
    return frame.back() == kFrameEnd &&
           frame[checksumAt] == FrameChecksum(frame.subspan(kOffsetKind, checksumAt - kOffsetKind));
}

std::vector<std::uint8_t> TransmissionBytes(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> out(kRequestFillerCount, kFrameFiller);
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

void AppendLeftAlignedField(std::vector<std::uint8_t>& out, std::string_view text,
                            std::size_t width) {
    AppendCentredField(out, text, width, 0);
}

void AppendCentredField(std::vector<std::uint8_t>& out, std::string_view text, std::size_t width,
                        std::size_t centringWidth) {
    const std::string_view kept = text.substr(0, std::min(text.size(), width));
    const std::size_t centring = std::min(centringWidth, width);
    const std::size_t lead = centring > kept.size() ? (centring - kept.size()) / 2 : 0;
    out.insert(out.end(), lead, kSpace);
    out.insert(out.end(), kept.begin(), kept.end());
    out.insert(out.end(), width - kept.size() - lead, kSpace);
}

std::vector<std::uint8_t> LeftAlignedField(std::string_view text, std::size_t width) {
    std::vector<std::uint8_t> out;
    AppendLeftAlignedField(out, text, width);
    return out;
}

std::vector<std::uint8_t> CentredField(std::string_view text, std::size_t width,
                                       std::size_t centringWidth) {
    std::vector<std::uint8_t> out;
    AppendCentredField(out, text, width, centringWidth);
    return out;
}
