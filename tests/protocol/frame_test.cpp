#include "protocol/Frame.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

Bytes Spaces(std::size_t n) {
    return Bytes(n, 0x20);
}

} // namespace

TEST(Frame, ComposesTheWorkedExamples) {
    // Meter poll: read, device 1, slot 0, global command 0x02, eight zero bytes; checksum 0xAA.
    const Bytes meterPoll = ComposeFrame(kKindRead, 1, 0, kSectionGlobal, 0x02, 0, Bytes(8, 0));
    EXPECT_EQ(meterPoll, (Bytes{0xB1, 0xA2, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x08, // header
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,       // payload
                                0xAA, 0xAA}));                                        // sum, end
    // Backlight 1: write, global command 0x14, one payload byte.
    const Bytes backlight = ComposeFrame(kKindWrite, 1, 0, kSectionGlobal, 0x14, 0, Bytes{0x01});
    EXPECT_EQ(backlight,
              (Bytes{0xB1, 0xA1, 0x01, 0x00, 0x03, 0x14, 0x00, 0x00, 0x01, 0x01, 0xB7, 0xAA}));
    EXPECT_TRUE(CheckFrame(meterPoll));
    EXPECT_TRUE(CheckFrame(backlight));
}

TEST(Frame, CarriesHighestDeviceIdAndSlotInTheHeader) {
    const FrameHeader header{kKindWrite, 250, 30, kSectionOutput, 7, 9};
    const Bytes frame = ComposeFrame(header, Bytes{0x42});
    ASSERT_EQ(frame.size(), 12u);
    EXPECT_EQ(frame[kOffsetDeviceId], 0xFA);
    EXPECT_EQ(frame[kOffsetSlot], 0x1E);
    EXPECT_EQ(frame[kOffsetSection], 2);
    EXPECT_EQ(frame[kOffsetChannel], 7);
    EXPECT_EQ(frame[kOffsetParameter], 9);
    EXPECT_EQ(frame[kOffsetReserved], 0);
    EXPECT_TRUE(CheckFrame(frame));
}

// Payload bytes, a length byte and the checksum may take the values of the start, end and filler
// bytes; only the length byte finds the end.
TEST(Frame, MarkerValuesInsideAFrameAreOrdinaryBytes) {
    Bytes payload(0xAA); // 170 bytes: the length byte itself is 0xAA
    for (std::size_t i = 0; i < payload.size(); ++i) {
        static const std::uint8_t kMarkers[] = {0xAA, 0xB1, 0xFF};
        payload[i] = kMarkers[i % 3];
    }
    const Bytes frame = ComposeFrame(kKindDataReply, 0xAA, 0, kSectionInput, 0xB1, 0xFF, payload);
    ASSERT_EQ(frame.size(), 170u + 11u);
    EXPECT_EQ(frame[kOffsetLength], 0xAA);
    std::uint8_t x = 0; // XOR of everything from the kind byte to the last payload byte
    for (std::size_t i = 1; i < 9 + payload.size(); ++i) {
        x = static_cast<std::uint8_t>(x ^ frame[i]);
    }
    EXPECT_EQ(frame[frame.size() - 2], x);
    EXPECT_EQ(frame.back(), 0xAA);
    EXPECT_TRUE(CheckFrame(frame));
}

TEST(Frame, RefusesPayloadsTheLengthByteCannotDescribe) {
    EXPECT_TRUE(ComposeFrame(kKindWrite, 1, 0, kSectionGlobal, 0x14, 0, Bytes{}).empty());
    EXPECT_TRUE(ComposeFrame(kKindWrite, 1, 0, kSectionGlobal, 0x14, 0, Bytes(256, 1)).empty());
    const Bytes longest = ComposeFrame(kKindWrite, 1, 0, kSectionGlobal, 0x14, 0, Bytes(255, 1));
    ASSERT_EQ(longest.size(), 266u);
    EXPECT_EQ(longest[kOffsetLength], 0xFF);
    EXPECT_TRUE(CheckFrame(longest));
}

TEST(Frame, CheckRejectsDamagedFrames) {
    const Bytes good = {0xB1, 0xA1, 0x01, 0x00, 0x03, 0x14, 0x00, 0x00, 0x01, 0x01, 0xB7, 0xAA};
    struct Case {
        const char* what;
        Bytes bytes;
    };
    auto with = [&good](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    const Case cases[] = {
        {"wrong end byte", with(11, 0xAB)},
        {"wrong checksum", with(10, 0xB6)},
        {"payload bit flipped", with(9, 0x03)},
        {"header byte changed", with(2, 0x02)},
        {"no start byte", with(0, 0xFF)},
        {"length byte larger than the frame", with(8, 0x02)},
        {"one byte missing", Bytes(good.begin(), good.end() - 1)},
        {"one byte extra", Concat({good, Bytes{0xAA}})},
        {"shorter than any frame", Bytes{0xB1, 0xAA}},
        {"nothing", Bytes{}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(CheckFrame(c.bytes)) << c.what;
    }
}

TEST(Frame, TransmissionStartsWithThreeFillers) {
    const Bytes frame = ComposeFrame(kKindWrite, 1, 0, kSectionGlobal, 0x14, 0, Bytes{0x01});
    EXPECT_EQ(TransmissionBytes(frame), Concat({Bytes{0xFF, 0xFF, 0xFF}, frame}));
}

TEST(Frame, TextFields) {
    struct Case {
        const char* what;
        Bytes field;
        Bytes expected;
    };
    const Case cases[] = {
        {"centred in 20 with centring width 16", CentredField("ABC", 20, 16),
         Concat({Spaces(6), AsciiBytes("ABC"), Spaces(11)})},
        {"centred over the whole field, odd remainder dropped", CentredField("ABC", 20, 20),
         Concat({Spaces(8), AsciiBytes("ABC"), Spaces(9)})},
        {"centred text filling the field", CentredField("12345678901234567890", 20, 20),
         AsciiBytes("12345678901234567890")},
        {"centred text longer than the centring width starts at once",
         CentredField("ABCDEFGHIJKLMNOPQR", 20, 16),
         Concat({AsciiBytes("ABCDEFGHIJKLMNOPQR"), Spaces(2)})},
        {"centred text longer than the field is cut", CentredField("ABCDEFGHIJ", 8, 8),
         AsciiBytes("ABCDEFGH")},
        {"centred empty text", CentredField("", 4, 4), Spaces(4)},
        {"left-aligned", LeftAlignedField("NewProgram", 15),
         Concat({AsciiBytes("NewProgram"), Spaces(5)})},
        {"left-aligned, exact width", LeftAlignedField("ABCDEFG", 7), AsciiBytes("ABCDEFG")},
        {"left-aligned, too long is cut", LeftAlignedField("ABCDEFGHI", 7), AsciiBytes("ABCDEFG")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.field, c.expected) << c.what;
    }
}

TEST(Frame, AppendedFieldsFollowEarlierBytes) {
    Bytes payload{0x01};
    AppendCentredField(payload, "AB", 6, 6);
    AppendLeftAlignedField(payload, "C", 3);
    EXPECT_EQ(payload, Concat({Bytes{0x01}, Spaces(2), AsciiBytes("AB"), Spaces(2), AsciiBytes("C"),
                               Spaces(2)}));
}
