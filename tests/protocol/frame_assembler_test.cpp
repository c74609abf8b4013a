// Finding reply frames in received bytes: hunting for 0xFF 0xB1, assembling over several reads,
// the length limit and the check, and recovery from any byte stream.

#include "protocol/FrameAssembler.h"

#include "ReplyFrames.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr std::uint8_t kAck = 0x51;
constexpr std::uint8_t kAckAlt = 0x52;
constexpr std::uint8_t kData = 0x53;

Bytes Replaced(Bytes frame, std::size_t index, int value) {
    frame.at(index) = static_cast<std::uint8_t>(value);
    return frame;
}

Bytes FrameOf(const Assembly& assembly) {
    return Bytes(assembly.frame().begin(), assembly.frame().end());
}

struct AssemblyCase {
    const char* name;
    std::vector<Bytes> reads;
    bool yieldsFrame;
    AssemblyStep lastStep;
};

std::vector<AssemblyCase> AssemblyCases(const Bytes& ack) {
    const Bytes ackAlt = UnitReply(kAckAlt, 0, 1, 0, 8, {0x01});
    auto split = [&](std::vector<std::size_t> cuts) {
        const Bytes all = WithFiller(ack, 2);
        std::vector<Bytes> reads;
        std::size_t from = 0;
        cuts.push_back(all.size());
        for (std::size_t cut : cuts) {
            reads.emplace_back(all.begin() + static_cast<long>(from),
                               all.begin() + static_cast<long>(cut));
            from = cut;
        }
        return reads;
    };
    const Bytes badChecksum = Replaced(ack, ack.size() - 2, ack[ack.size() - 2] ^ 0x01);
    const Bytes badEnd = Replaced(ack, ack.size() - 1, 0xAB);
    Bytes garbageFirst{0x00, 0xB1, 0x12, 0xFF, 0x00, 0xB1, 0xAA};
    const Bytes withFiller = WithFiller(ack);
    garbageFirst.insert(garbageFirst.end(), withFiller.begin(), withFiller.end());

    using S = AssemblyStep;
    return {
        {"one filler byte, one read", {WithFiller(ack)}, true, S::Complete},
        {"a long run of filler bytes", {WithFiller(ack, 40)}, true, S::Complete},
        {"filler in one read, start byte in the next", split({2}), true, S::Complete},
        {"split inside the header before the length byte", split({5, 9}), true, S::Complete},
        {"split right after the length byte", split({11}), true, S::Complete},
        {"one byte per read", split({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), true,
         S::Complete},
        {"garbage and lone start bytes before the reply", {garbageFirst}, true, S::Complete},
        {"no filler before the start byte", {ack}, false, S::Hunting},
        {"filler broken by another byte", {Bytes{0xFF, 0x00}, ack}, false, S::Hunting},
        {"wrong checksum", {WithFiller(badChecksum)}, false, S::BadFrame},
        {"wrong end byte", {WithFiller(badEnd)}, false, S::BadFrame},
        {"reply cut short",
         {Bytes(withFiller.begin(), withFiller.end() - 1)},
         false,
         S::Collecting},
    };
}

} // namespace

TEST(FrameAssembler, AssemblesRepliesAcrossReadsAndRejectsWhatIsNotAFrame) {
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    for (const AssemblyCase& c : AssemblyCases(ack)) {
        SCOPED_TRACE(c.name);
        FrameAssembler assembler;
        Assembly last;
        for (const Bytes& read : c.reads)
            last = assembler.Feed(read);
        EXPECT_EQ(last.step, c.lastStep);
        EXPECT_EQ(FrameOf(last), c.yieldsFrame ? ack : Bytes{});
    }
}

TEST(FrameAssembler, SpecialByteValuesInsideTheFrameAreData) {
    // Payload and checksum bytes with the values of start, end and filler bytes.
    const Bytes special = UnitReply(kData, 0, 3, 0x33, 0, {0xAA, 0xB1, 0xFF, 0xFF, 0xB1});
    FrameAssembler assembler;
    const Assembly result = assembler.Feed(WithFiller(special));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(result), special);
}

TEST(FrameAssembler, SecondReplyInTheSameReadIsDroppedWithTheFirst) {
    const Bytes first = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    const Bytes second = UnitReply(kAck, 0, 3, 0x16, 0, {0x00});
    Bytes both = WithFiller(first);
    const Bytes secondWithFiller = WithFiller(second);
    both.insert(both.end(), secondWithFiller.begin(), secondWithFiller.end());

    FrameAssembler assembler;
    EXPECT_EQ(FrameOf(assembler.Feed(both)), first);
    // The assembler hunts afresh: the next reply on its own is found.
    EXPECT_EQ(FrameOf(assembler.Feed(secondWithFiller)), second);
}

TEST(FrameAssembler, ReplyLongerThan150BytesIsDroppedAndHuntingStartsAgain) {
    // 139 payload bytes make 150 in all: the longest frame that is held.
    const Bytes longest = UnitReply(kData, 0, 3, 0x40, 0, Bytes(139, 0x11));
    const Bytes tooLong = UnitReply(kData, 0, 3, 0x40, 0, Bytes(140, 0x11));

    FrameAssembler assembler;
    EXPECT_EQ(assembler.Feed(WithFiller(tooLong)).step, AssemblyStep::TooLong);
    const Assembly result = assembler.Feed(WithFiller(longest));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(result), longest);
}

TEST(FrameAssembler, ResetDropsAPartlyCollectedFrame) {
    const Bytes ack = WithFiller(UnitReply(kAck, 0, 3, 0x14, 0, {0x00}));
    FrameAssembler assembler;
    EXPECT_EQ(assembler.Feed(Bytes(ack.begin(), ack.begin() + 6)).step, AssemblyStep::Collecting);
    assembler.Reset();
    // The rest alone holds no 0xFF 0xB1 start.
    EXPECT_EQ(assembler.Feed(Bytes(ack.begin() + 6, ack.end())).step, AssemblyStep::Hunting);
}

TEST(FrameAssembler, RecoversFromAnyByteStreamWithin150Bytes) {
    // Random bytes with many filler/start pairs: whatever is held, 150 more bytes end it, and a
    // reply after that is found. A frame buffer overrun would corrupt the assembler (and shows
    // under the sanitizer build).
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 150);
    std::uniform_int_distribution<int> pick(0, 9);
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    FrameAssembler assembler;
    for (int round = 0; round < 300; ++round) {
        for (int read = 0; read < 20; ++read) {
            Bytes chunk(static_cast<std::size_t>(size(random)));
            for (auto& b : chunk) {
                const int p = pick(random);
                b = static_cast<std::uint8_t>(p == 0 ? 0xFF : p == 1 ? 0xB1 : byte(random));
            }
            assembler.Feed(chunk);
        }
        assembler.Feed(Bytes(150, 0x00));
        const Assembly result = assembler.Feed(WithFiller(ack));
        ASSERT_EQ(result.step, AssemblyStep::Complete) << "round " << round;
        ASSERT_EQ(FrameOf(result), ack) << "round " << round;
    }
}
