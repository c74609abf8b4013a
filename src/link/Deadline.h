#pragma once

#include <algorithm>
#include <chrono>
#include <string>

// Waits of the port layer run against a deadline on the steady clock.

// The milliseconds left until `deadline`, as poll() takes them: 0 once it has passed.
inline int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1'000'000'000));
}

// A time-out for messages, in whole seconds rounded up ("5 s").
inline std::string SecondsText(std::chrono::steady_clock::duration span) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(span).count();
    return std::to_string(std::max<long long>(1, seconds)) + " s";
}
