#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/Frame.h"

// What one feed of received bytes came to.
enum class AssemblyStep {
    Hunting,    // no 0xFF 0xB1 frame start found: the bytes are dropped
    Collecting, // part of a frame is held; more bytes are needed
    TooLong,    // the frame's length byte announced more than 150 bytes: dropped
    BadFrame,   // whole, but with a wrong checksum or end byte: dropped
    Complete,   // a whole frame that passed the check
};

// The result of one feed. The frame is a copy: it stays valid whatever is fed next (a handler
// of the frame may run a nested event loop that receives again).
struct Assembly {
    AssemblyStep step = AssemblyStep::Hunting;
    std::array<std::uint8_t, kReceiveCapacity> bytes{};
    std::size_t length = 0; // frame bytes held in `bytes`, start byte to end byte (Complete only)

    std::span<const std::uint8_t> frame() const { return {bytes.data(), length}; }
};

// Finds the unit's reply frames in the bytes the port delivers: hunts for 0xFF followed by 0xB1
// (any run of 0xFF may come first), collects the frame over as many reads as it takes, and once
// its length byte is known and all its bytes are in, checks it (CheckFrame). After every frame,
// good or bad, hunting starts afresh: the next frame must again follow a 0xFF.
class FrameAssembler {
public:
    // Takes the bytes of one port read. At most one frame is finished per call; bytes after its
    // end are dropped with it.
    Assembly Feed(std::span<const std::uint8_t> chunk);
    // Forgets any partly collected frame and starts hunting.
    void Reset();

private:
    std::array<std::uint8_t, kReceiveCapacity> frame_{};
    std::size_t byteCount_ = 0;
    std::size_t expectedLength_ = 0;
    bool seenFiller_ = false;
    bool inFrame_ = false;
};
