#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/Frame.h"

// What became of the bytes of one feed, in the order it happened last.
enum class AssemblyStep {
    Hunting,    // no 0xFF 0xB1 frame start is held: the bytes were dropped
    Collecting, // part of a frame is held; more bytes are needed
    TooLong,    // a frame's length byte announced more than 150 bytes: dropped
    BadFrame,   // a whole frame with a wrong checksum or end byte: dropped
    TimedOut,   // a frame in progress received no byte for 50 ms: dropped
    Complete,   // at least one whole frame passed the check
};

// The result of one feed. The frames are copies: they stay valid whatever is fed next (a handler
// of a frame may run a nested event loop that receives again).
struct AssemblyResult {
    AssemblyStep step = AssemblyStep::Hunting;
    std::vector<std::vector<std::uint8_t>> frames; // checked frames, start to end byte, in order
    int dropped = 0;                               // false starts dropped on the way
    int noise = 0; // bytes outside any frame that were neither filler nor a frame start
};

// Finds the unit's reply frames in the bytes the port delivers: hunts for 0xFF followed by 0xB1
// (any run of 0xFF may come first), collects the frame over as many reads as it takes, and once
// its length byte is known and all its bytes are in, checks it (CheckFrame). After a good frame
// hunting starts afresh: the next frame must again follow a 0xFF.
//
// Line noise must not cost a reply. A false start (noise holding 0xFF 0xB1 and a large length
// byte) would otherwise swallow the real reply that follows it, so a frame that fails its check,
// announces more than 150 bytes, or receives no byte for 50 ms is dropped and the bytes after
// its 0xB1 are searched again for the next 0xFF 0xB1: a reply caught inside a false start is
// still found. No byte is dropped unlooked-at, so the result does not depend on how the bytes
// were split into reads.
class FrameAssembler {
public:
    using Clock = std::chrono::steady_clock;
    // Longest silence inside a frame: a reply is written in one go, so a gap this long means
    // the bytes held were not the start of a reply (at 9600 baud a byte takes about 1 ms).
    static constexpr std::chrono::milliseconds kByteGap{50};

    // Takes the bytes of one port read, read at `now`. A read says nothing of when its bytes
    // arrived (a busy reader may take them late), so a feed never drops a frame for its age:
    // Expire does, once nothing more has come.
    AssemblyResult Feed(std::span<const std::uint8_t> chunk, Clock::time_point now);
    // The same without a time: nothing times out.
    AssemblyResult Feed(std::span<const std::uint8_t> chunk);
    // True when a frame is in progress and has received no byte for kByteGap by `now`.
    bool IsStale(Clock::time_point now) const;
    // Drops a frame in progress that has received no byte for kByteGap by `now` and searches its
    // bytes again, which may finish a reply caught inside it. The send tick calls this: without
    // it a false start would wait for the next bytes, which may be the repeat of the request.
    AssemblyResult Expire(Clock::time_point now);
    // Forgets any partly collected frame and starts hunting.
    void Reset();
    bool InFrame() const { return inFrame_; }

private:
    // Runs the bytes through the hunting and collecting steps, adding to `result`.
    void Take(std::vector<std::uint8_t> bytes, AssemblyResult& result);
    // Drops the frame in progress; returns the bytes after its 0xB1, to be searched again.
    std::vector<std::uint8_t> DropFrame();
    static void Finish(AssemblyResult& result, bool inFrame);

    std::array<std::uint8_t, kReceiveCapacity> frame_{};
    std::size_t byteCount_ = 0;
    std::size_t expectedLength_ = 0;
    bool seenFiller_ = false;
    bool inFrame_ = false;
    std::optional<Clock::time_point> lastByteAt_; // when the frame in progress last grew
};
