#include "protocol/FrameAssembler.h"

#include <utility>

void FrameAssembler::Reset() {
    byteCount_ = 0;
    expectedLength_ = 0;
    seenFiller_ = false;
    inFrame_ = false;
    lastByteAt_.reset();
}

AssemblyResult FrameAssembler::Feed(std::span<const std::uint8_t> chunk, Clock::time_point now) {
    AssemblyResult result;
    Take(std::vector<std::uint8_t>(chunk.begin(), chunk.end()), result);
    if (inFrame_)
        lastByteAt_ = now;
    Finish(result, inFrame_);
    return result;
}

AssemblyResult FrameAssembler::Feed(std::span<const std::uint8_t> chunk) {
    AssemblyResult result;
    Take(std::vector<std::uint8_t>(chunk.begin(), chunk.end()), result);
    Finish(result, inFrame_);
    return result;
}

bool FrameAssembler::IsStale(Clock::time_point now) const {
    return inFrame_ && lastByteAt_ && now - *lastByteAt_ >= kByteGap;
}

AssemblyResult FrameAssembler::Expire(Clock::time_point now) {
    AssemblyResult result;
    if (!IsStale(now)) {
        Finish(result, inFrame_);
        return result;
    }
    // Every byte held is as old as the frame: a start found among them is stale as well, so
    // keep dropping until nothing is held. Each round drops at least the start byte.
    while (inFrame_) {
        ++result.dropped;
        result.step = AssemblyStep::TimedOut;
        Take(DropFrame(), result);
    }
    lastByteAt_.reset();
    Finish(result, inFrame_);
    return result;
}

std::vector<std::uint8_t> FrameAssembler::DropFrame() {
    std::vector<std::uint8_t> rest(frame_.begin() + 1,
                                   frame_.begin() + static_cast<std::ptrdiff_t>(byteCount_));
    Reset();
    return rest;
}

void FrameAssembler::Take(std::vector<std::uint8_t> bytes, AssemblyResult& result) {
    for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
        const std::uint8_t b = bytes[pos];
        if (!inFrame_) {
            // Hunt for 0xFF followed by 0xB1; any run of 0xFF may come before the start byte.
            if (seenFiller_ && b == kFrameStart) {
                inFrame_ = true;
                seenFiller_ = false;
                frame_[0] = b;
                byteCount_ = 1;
            } else {
                seenFiller_ = (b == kFrameFiller);
                if (!seenFiller_)
                    ++result.noise;
            }
            continue;
        }
        frame_[byteCount_++] = b;
        bool drop = false;
        if (byteCount_ == kOffsetPayload + 1) {
            expectedLength_ = kFrameOverhead + frame_[kOffsetLength];
            if (expectedLength_ > frame_.size()) {
                result.step = AssemblyStep::TooLong;
                drop = true;
            }
        }
        if (!drop && byteCount_ > kOffsetPayload && byteCount_ == expectedLength_) {
            const std::span<const std::uint8_t> frame(frame_.data(), byteCount_);
            if (CheckFrame(frame)) {
                result.frames.emplace_back(frame.begin(), frame.end());
                Reset();
                continue;
            }
            result.step = AssemblyStep::BadFrame;
            drop = true;
        }
        if (drop) {
            // Search the bytes after the dropped start byte again, ahead of the rest.
            ++result.dropped;
            std::vector<std::uint8_t> again = DropFrame();
            again.insert(again.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos) + 1,
                         bytes.end());
            bytes = std::move(again);
            pos = static_cast<std::size_t>(-1); // the loop's increment makes it 0
        }
    }
}

void FrameAssembler::Finish(AssemblyResult& result, bool inFrame) {
    if (!result.frames.empty())
        result.step = AssemblyStep::Complete;
    else if (result.dropped == 0)
        result.step = inFrame ? AssemblyStep::Collecting : AssemblyStep::Hunting;
}
