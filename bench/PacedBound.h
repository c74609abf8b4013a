#pragma once

#include <cstddef>

// The fastest a paced transfer can be on a 9600-baud line: a request leaves only on a 100 ms
// send tick, and the next one may leave at the first tick after its answer is in. A
// request/answer pair therefore costs its wire time (both frames with their filler bytes, at 960
// bytes per second) rounded up to whole ticks.
inline constexpr double kLineBytesPerSecond = 960;
inline constexpr double kTickSeconds = 0.1;
inline constexpr std::size_t kReplyFillerBytes = 2; // the virtual unit's filler before a reply

inline double WireSeconds(std::size_t bytes) {
    return static_cast<double>(bytes) / kLineBytesPerSecond;
}

inline double PairSeconds(std::size_t requestWireBytes, std::size_t replyWireBytes) {
    // Whole microseconds, so that a pair of exactly n ticks is not rounded up by float noise.
    const auto tickUs = static_cast<long long>(kTickSeconds * 1e6);
    const auto wireUs = static_cast<long long>(
        static_cast<double>(requestWireBytes + replyWireBytes) * 1e6 / kLineBytesPerSecond);
    const long long ticks = (wireUs + tickUs - 1) / tickUs;
    return static_cast<double>(ticks > 0 ? ticks : 1) * kTickSeconds;
}
