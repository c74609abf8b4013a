#include "protocol/FrameAssembler.h"

void FrameAssembler::Reset() {
    byteCount_ = 0;
    expectedLength_ = 0;
    seenFiller_ = false;
    inFrame_ = false;
}

Assembly FrameAssembler::Feed(std::span<const std::uint8_t> chunk) {
    Assembly result;
    std::size_t pos = 0;
    if (!inFrame_) {
        // Hunt for 0xFF followed by 0xB1; any run of 0xFF may come before the start byte.
        for (; pos < chunk.size() && !inFrame_; ++pos) {
            const std::uint8_t b = chunk[pos];
            if (seenFiller_ && b == kFrameStart) {
                inFrame_ = true;
                break;
            }
            seenFiller_ = (b == kFrameFiller);
        }
        if (!inFrame_) {
            result.step = AssemblyStep::Hunting;
            return result;
        }
    }
    for (; pos < chunk.size(); ++pos) {
        frame_[byteCount_++] = chunk[pos];
        if (byteCount_ == kOffsetPayload + 1) {
            expectedLength_ = kFrameOverhead + frame_[kOffsetLength];
            if (expectedLength_ > frame_.size()) {
                Reset();
                result.step = AssemblyStep::TooLong;
                return result;
            }
        }
        if (byteCount_ > kOffsetPayload && byteCount_ == expectedLength_) {
            result.bytes = frame_;
            result.length = byteCount_;
            Reset();
            result.step =
                CheckFrame(result.frame()) ? AssemblyStep::Complete : AssemblyStep::BadFrame;
            if (result.step == AssemblyStep::BadFrame)
                result.length = 0;
            return result;
        }
    }
    result.step = AssemblyStep::Collecting;
    return result;
}
