#pragma once

// What every fuzz target shares: the libFuzzer entry point, a check that stops the run with a
// message when a property fails, and a reader of the fuzzer's bytes.
//
// Each target is built twice: with clang and libFuzzer (TAVREL_FUZZ=ON) to search for inputs, and
// in the normal build against ReplayMain.cpp, which runs every input kept under corpus/ so ctest
// replays the seeds and every crash found so far without clang.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Stops the run when a property of the target does not hold; libFuzzer and the replay both report
// the abort with the input that caused it.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s %s(%s)\n", __FILE__, __LINE__, what,  \
                         FuzzContext(), #condition);                                               \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Names what a target was doing, so a failed check says it ("reading as a 2x4").
inline const char*& FuzzContext() {
    static const char* context = "";
    return context;
}

// Takes values off the front of the fuzzer's bytes. Once the bytes run out every value is 0 and
// every span is empty, so a target never reads past the input and always ends.
class FuzzBytes {
public:
    explicit FuzzBytes(std::span<const std::uint8_t> data) : data_(data) {}

    bool empty() const { return data_.empty(); }
    std::size_t remaining() const { return data_.size(); }

    std::uint8_t Byte() {
        if (data_.empty())
            return 0;
        const std::uint8_t b = data_.front();
        data_ = data_.subspan(1);
        return b;
    }
    // A value in low..high (inclusive) from as few bytes as the range needs (1, 2 or 4, see
    // RangeBytes), little-endian.
    int InRange(int low, int high) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1u;
        std::uint64_t raw = 0;
        for (int i = 0; i < RangeBytes(low, high); ++i)
            raw |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return static_cast<int>(low + static_cast<std::int64_t>(raw % span));
    }
    static int RangeBytes(int low, int high) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1u;
        return span <= 0x100u ? 1 : span <= 0x10000u ? 2 : 4;
    }
    // Up to n bytes (fewer when the input ends first).
    std::span<const std::uint8_t> Take(std::size_t n) {
        n = std::min(n, data_.size());
        const auto taken = data_.first(n);
        data_ = data_.subspan(n);
        return taken;
    }
    std::span<const std::uint8_t> Rest() { return Take(data_.size()); }
    std::string Text(std::size_t n) {
        const auto bytes = Take(n);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::span<const std::uint8_t> data_;
};
