#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// The progress line a long command shows on a terminal: "program 12/30". `sentFrames` of the
// batch's `batchFrames` frames have gone out; they are counted in the command's own units
// ("program": 30 of them in a bank of 360 frames), a unit counting once all its frames are out.
inline std::string ProgressText(std::string_view label, int sentFrames, int batchFrames,
                                int units) {
    const int sent = std::clamp(sentFrames, 0, std::max(batchFrames, 0));
    const int done =
        batchFrames > 0 ? static_cast<int>(static_cast<long long>(sent) * units / batchFrames) : 0;
    return std::string(label) + ' ' + std::to_string(done) + '/' + std::to_string(units);
}
