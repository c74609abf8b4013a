// Finding reply frames in received bytes: hunting for 0xFF 0xB1, assembling over several reads,
// the length limit and the check, searching false starts again, the time-out inside a frame,
// and recovery from any byte stream however it is split into reads.

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

using Clock = FrameAssembler::Clock;
using std::chrono::milliseconds;

// The one frame a feed found, or no bytes when it found none (or more than one).
Bytes FrameOf(const AssemblyResult& result) {
    return result.frames.size() == 1 ? result.frames.front() : Bytes{};
}

Bytes Joined(std::vector<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Ten bytes of noise that look like the start of a data reply of 139 payload bytes.
const Bytes kFalseStart{0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x80};

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
        AssemblyResult last;
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
    const AssemblyResult result = assembler.Feed(WithFiller(special));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(result), special);
}

TEST(FrameAssembler, EveryReplyInOneReadIsFound) {
    // A late duplicate and the answer that follows it may arrive in one read: neither is lost.
    const Bytes first = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    const Bytes second = UnitReply(kAck, 0, 3, 0x16, 0, {0x00});
    FrameAssembler assembler;
    const AssemblyResult result = assembler.Feed(Joined({WithFiller(first), WithFiller(second)}));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(result.frames, (std::vector<Bytes>{first, second}));
}

TEST(FrameAssembler, ReplyLongerThan150BytesIsDroppedAndItsBytesSearchedAgain) {
    // 139 payload bytes make 150 in all: the longest frame that is held.
    const Bytes longest = UnitReply(kData, 0, 3, 0x40, 0, Bytes(139, 0x11));
    const Bytes tooLong = UnitReply(kData, 0, 3, 0x40, 0, Bytes(140, 0x11));

    FrameAssembler assembler;
    EXPECT_EQ(assembler.Feed(WithFiller(tooLong)).step, AssemblyStep::TooLong);
    const AssemblyResult result = assembler.Feed(WithFiller(longest));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(result), longest);

    // A length byte over the limit right after the start: the reply behind it is still found.
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    const Bytes falseLong{0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0xF0};
    const AssemblyResult behind = assembler.Feed(Joined({falseLong, WithFiller(ack)}));
    EXPECT_EQ(FrameOf(behind), ack);
    EXPECT_EQ(behind.dropped, 1);
}

TEST(FrameAssembler, RealReplyInsideAFalseStartIsFoundWhenItFailsItsCheck) {
    // The false start's length byte (5) ends it inside the real reply, where its check fails;
    // the bytes after its 0xB1 hold the real 0xFF 0xB1 start.
    const Bytes ack = UnitReply(kAck, 0, 1, 2, 8, {0x01});
    const Bytes falseShort{0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x05};
    FrameAssembler assembler;
    const AssemblyResult result = assembler.Feed(Joined({falseShort, WithFiller(ack, 2)}));
    EXPECT_EQ(result.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(result), ack);
    EXPECT_EQ(result.dropped, 1);
}

TEST(FrameAssembler, FrameWithoutABytefor50MsIsDroppedAndTheReplyInsideItFound) {
    // Ten noise bytes announce 139 payload bytes; the real reply that follows fits in them, so
    // only the silence after it can end the false frame.
    const Bytes ack = UnitReply(kAck, 0, 1, 2, 8, {0x01});
    const Clock::time_point t0{};
    FrameAssembler assembler;
    EXPECT_EQ(assembler.Feed(Joined({kFalseStart, WithFiller(ack)}), t0).step,
              AssemblyStep::Collecting);
    EXPECT_EQ(assembler.Expire(t0 + milliseconds(49)).step, AssemblyStep::Collecting);
    const AssemblyResult expired = assembler.Expire(t0 + milliseconds(50));
    EXPECT_EQ(expired.step, AssemblyStep::Complete);
    EXPECT_EQ(FrameOf(expired), ack);
    EXPECT_FALSE(assembler.InFrame());

    // Bytes read after a gap may have arrived long before (a busy reader): a feed keeps the
    // frame, and only a later silence ends it.
    assembler.Feed(kFalseStart, t0);
    const Bytes second = UnitReply(kAck, 0, 3, 0x16, 0, {0x00});
    EXPECT_EQ(assembler.Feed(WithFiller(second), t0 + milliseconds(60)).step,
              AssemblyStep::Collecting);
    EXPECT_FALSE(assembler.IsStale(t0 + milliseconds(109)));
    const AssemblyResult late = assembler.Expire(t0 + milliseconds(110));
    EXPECT_EQ(FrameOf(late), second);
    EXPECT_EQ(late.dropped, 1);

    // Bytes that keep coming within 50 ms keep a frame alive, however long it takes in all.
    const Bytes all = WithFiller(ack);
    assembler.Feed(Bytes(all.begin(), all.begin() + 5), t0);
    assembler.Feed(Bytes(all.begin() + 5, all.begin() + 9), t0 + milliseconds(40));
    EXPECT_EQ(assembler.Expire(t0 + milliseconds(80)).step, AssemblyStep::Collecting);
    EXPECT_EQ(FrameOf(assembler.Feed(Bytes(all.begin() + 9, all.end()), t0 + milliseconds(85))),
              ack);
}

TEST(FrameAssembler, HowTheBytesAreSplitIntoReadsChangesNothing) {
    // Replies mixed with noise, false starts, filler runs and damaged replies, fed byte by byte
    // and in random slices: the same frames come out, in the same order.
    std::mt19937 random(1612);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 5);
    for (int round = 0; round < 200; ++round) {
        Bytes stream;
        for (int part = 0; part < 12; ++part) {
            const Bytes reply = UnitReply(kData, 0, 3, static_cast<std::uint8_t>(part), 0,
                                          Bytes(static_cast<std::size_t>(byte(random) % 20 + 1),
                                                static_cast<std::uint8_t>(byte(random))));
            switch (pick(random)) {
            case 0:
                stream.insert(stream.end(), kFalseStart.begin(), kFalseStart.end());
                break;
            case 1:
                for (int i = byte(random) % 12; i > 0; --i)
                    stream.push_back(static_cast<std::uint8_t>(byte(random) % 3 == 0 ? 0xFF
                                                               : byte(random) % 2    ? 0xB1
                                                                                  : byte(random)));
                break;
            case 2:
                stream.push_back(0xFF);
                stream.push_back(0xB1);
                stream.push_back(0x53);
                break;
            default:
                break;
            }
            Bytes sent = WithFiller(reply, 1 + byte(random) % 3);
            if (pick(random) == 0)
                sent[sent.size() - 2] ^= 0x40;
            stream.insert(stream.end(), sent.begin(), sent.end());
        }
        FrameAssembler byByte;
        std::vector<Bytes> expected;
        for (std::uint8_t b : stream)
            for (Bytes& frame : byByte.Feed(Bytes{b}).frames)
                expected.push_back(std::move(frame));
        FrameAssembler sliced;
        std::vector<Bytes> found;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + byte(random) % 150);
            for (Bytes& frame : sliced
                                    .Feed(Bytes(stream.begin() + static_cast<long>(at),
                                                stream.begin() + static_cast<long>(at + n)))
                                    .frames)
                found.push_back(std::move(frame));
            at += n;
        }
        ASSERT_EQ(found, expected) << "round " << round;
        ASSERT_FALSE(expected.empty()) << "round " << round;
    }
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
        const AssemblyResult result = assembler.Feed(WithFiller(ack));
        ASSERT_EQ(result.step, AssemblyStep::Complete) << "round " << round;
        ASSERT_EQ(result.frames.back(), ack) << "round " << round;
    }
}
