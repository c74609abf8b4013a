// Decoding the unit's data replies into the reception store: every reply layout, the range
// limits of each device type, and the event each reply calls for. (How the link completes
// requests and announces the events: unit_link_receive_test.)

#include "protocol/ReplyDecoder.h"

#include "ReplyFrames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint8_t kData = 0x53;

struct Event {
    ReplyEvent event;
    int parameter;
    bool operator==(const Event&) const = default;
};

class ReplyDecoderTest : public ::testing::Test {
protected:
    // Decodes a whole reply frame (as UnitReply builds it) with `head` at the head of the queue.
    std::optional<DecodedReply> Decode(const Bytes& frame, const Request* head = nullptr) {
        std::optional<DecodedReply> reply =
            decoder.Decode(ReadReplyHeader(frame), ReplyPayload(frame), head);
        if (reply && reply->event != ReplyEvent::None)
            events.push_back({reply->event, reply->parameter});
        return reply;
    }

    ReplyDecoder decoder;
    std::vector<Event> events;
};

} // namespace

TEST_F(ReplyDecoderTest, ReplyOfAnUnknownSectionIsNotTakenIn) {
    EXPECT_FALSE(Decode(UnitReply(kData, 0, 4, 0, 0, {1})).has_value());
    EXPECT_TRUE(Decode(UnitReply(kData, 0, 3, 0x30, 0, {1})).has_value()); // unused global code
    EXPECT_TRUE(events.empty());
}

// ---- global replies ----------------------------------------------------------------------

TEST_F(ReplyDecoderTest, MeterCodesAreLimitedAndAnnounced) {
    // code -> level: 0..9 kept, 10..16 shown as 9, 17..25 kept, above 25 shown as 25.
    const Bytes codes{0, 9, 10, 12, 16, 17, 20, 25, 26, 30, 255, 3, 77 /* thirteenth: ignored */};
    const std::vector<int> levels{0, 9, 9, 9, 9, 17, 20, 25, 25, 25, 25, 3};
    Decode(UnitReply(kData, 0, 3, 0x02, 0, codes));

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(decoder.MeterLevel(i), levels[static_cast<std::size_t>(i)]) << "meter " << i;
    EXPECT_EQ(decoder.MeterLevel(12), 0);
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::MetersReceived, 0}}));
}

TEST_F(ReplyDecoderTest, GlobalSettingsRepliesFillTheReceivedProgram) {
    Bytes lines(80, ' ');
    PutText(lines, 0, "   ABC              "); // ABC with spaces before and after
    PutText(lines, 20, "Interface1");
    lines[45] = 0x07; // a control byte becomes a space
    PutText(lines, 46, "X");
    PutText(lines, 60, std::string(20, 'Z')); // all 20 characters kept
    Decode(UnitReply(kData, 0, 3, 0x10, 0, lines));
    Decode(UnitReply(kData, 0, 3, 0x11, 0, lines));
    Decode(UnitReply(kData, 0, 3, 0x12, 0, {'T', 'a', 'g', ' ', ' ', ' ', ' '}));
    Decode(UnitReply(kData, 0, 3, 0x14, 0, {1, 0, 0, 0, 0, 0, 0, 0}));
    Decode(UnitReply(kData, 0, 3, 0x04, 0, {33}));
    Decode(UnitReply(kData, 0, 3, 0x01, 0, {1, 1, 1, 1, 1, 1, 1, 1}));
    // The unit settings a connect reads are announced one by one; the others are only kept.
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::UnitSettingReceived, 0x10},
                                          {ReplyEvent::UnitSettingReceived, 0x14},
                                          {ReplyEvent::UnitSettingReceived, 0x01}}));
    events.clear();
    Decode(UnitReply(kData, 0, 3, 0x16, 0, {18, 0, 0, 0, 0, 0, 0, 0}));

    const ProgramContainer& program = decoder.ReceivedProgram();
    for (const auto& [line, expected] : std::vector<std::pair<int, std::string>>{
             {0, "ABC"}, {1, "Interface1"}, {2, "X"}, {3, std::string(20, 'Z')}}) {
        EXPECT_EQ(program.lineSetB(line), expected) << "line " << line;
        EXPECT_EQ(program.lineSetA(line), expected) << "line " << line;
    }
    EXPECT_EQ(program.shortTag(), "Tag");
    EXPECT_EQ(program.backlight(), 1);
    EXPECT_EQ(program.unitValue4(), 33);
    EXPECT_EQ(decoder.SourceByte(), 1);
    EXPECT_EQ(program.temperature(), 18);
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::GlobalsReceived, 0x16}}));
}

TEST_F(ReplyDecoderTest, ProgramNamesKeepEightPrintableCharactersPerSlot) {
    const std::string fourteen = "Program12ABCDE";
    Decode(UnitReply(kData, 12, 3, 0x00, 0, Bytes(fourteen.begin(), fourteen.end())));
    Decode(UnitReply(kData, 0, 3, 0x00, 0, {'L', 'i', 0x01, 'e', ' ', ' ', ' ', ' '}));
    Decode(UnitReply(kData, 31, 3, 0x00, 0, {'N', 'o', 'p', 'e', ' ', ' ', ' ', ' '}));
    Decode(UnitReply(kData, 30, 3, 0x00, 0, {'S', 'h', 'o', 'r', 't'})); // short reply

    EXPECT_EQ(decoder.ProgramName(12), "Program1");
    EXPECT_EQ(decoder.ProgramName(0), "Li e");
    EXPECT_EQ(decoder.ReceivedProgram().programName(), "Li e");
    EXPECT_EQ(decoder.ProgramName(30), "Short");
    EXPECT_EQ(decoder.ProgramName(31), ""); // no such slot: ignored
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::ProgramNameReceived, 12},
                                          {ReplyEvent::ProgramNameReceived, 0},
                                          {ReplyEvent::ProgramNameReceived, 30}}));
}

TEST_F(ReplyDecoderTest, OutOfRangeGlobalValuesAreLimited) {
    Decode(UnitReply(kData, 0, 3, 0x14, 0, {9}));
    Decode(UnitReply(kData, 0, 3, 0x01, 0, {7}));
    Decode(UnitReply(kData, 0, 3, 0x16, 0, {200}));
    EXPECT_EQ(decoder.ReceivedProgram().backlight(), 1);
    EXPECT_EQ(decoder.SourceByte(), 1);
    EXPECT_EQ(decoder.ReceivedProgram().temperature(), 50);
}

TEST_F(ReplyDecoderTest, IdentificationJoinsTheVersionAroundTheTypeCode) {
    const std::string payload = "RA_R0408_I1.0";
    Decode(UnitReply(kData, 0, 3, 0x19, 0, Bytes(payload.begin(), payload.end())));
    EXPECT_EQ(decoder.VersionText(), "RA_R_I1.0");
    EXPECT_EQ(decoder.TypeCode(), "0408");
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::IdentificationReceived, 0x19}}));

    const std::string padded = "AB  02  C    ";
    Decode(UnitReply(kData, 0, 3, 0x19, 0, Bytes(padded.begin(), padded.end())));
    EXPECT_EQ(decoder.VersionText(), "AB  C");
    EXPECT_EQ(decoder.TypeCode(), "02");
}

TEST_F(ReplyDecoderTest, ProbeAnswersAreReadAgainstTheHeadRequest) {
    decoder.SetDeviceType(2);
    Request connectProbe(Bytes{0xB1});
    connectProbe.connectProbe = true;
    Decode(UnitReply(kData, 0, 3, 0x15, 0, {7, 2}, 7), &connectProbe);
    Decode(UnitReply(kData, 0, 3, 0x15, 0, {7, 1}, 7), &connectProbe);
    EXPECT_EQ(events,
              (std::vector<Event>{{ReplyEvent::ProbeAnswered, 1}, {ReplyEvent::ProbeAnswered, 0}}));
    EXPECT_EQ(decoder.ProbedDeviceType(), 1); // the type the latest answer reported

    events.clear();
    for (int id = 1; id <= 250; ++id)
        decoder.SetDeviceIdKnown(id, false);
    const Request searchProbe(Bytes{0xB1});
    for (const auto& [id, type] :
         std::vector<std::pair<int, int>>{{3, 2}, {17, 2}, {5, 3}, {250, 1}}) {
        Decode(UnitReply(kData, 0, 3, 0x15, 0,
                         {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(type)},
                         static_cast<std::uint8_t>(id)),
               &searchProbe);
    }
    // Only units of the decoder's type are listed; ID 250 ends the search whatever its type.
    EXPECT_EQ(decoder.KnownDeviceIds(), (std::vector<int>{3, 17}));
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::SearchFinished, 0}}));

    // An answer to no request on the line still records a unit of the type, and nothing else.
    events.clear();
    Decode(UnitReply(kData, 0, 3, 0x15, 0, {9, 2}, 9));
    Decode(UnitReply(kData, 0, 3, 0x15, 0, {250, 2}, 250));
    EXPECT_EQ(decoder.KnownDeviceIds(), (std::vector<int>{3, 9, 17, 250}));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(decoder.ProbedDeviceType(), 1);
}

TEST_F(ReplyDecoderTest, DeviceIdTableKnowsEveryIdAtFirstAndIgnoresOthers) {
    EXPECT_EQ(decoder.KnownDeviceIds().size(), 250u);
    EXPECT_EQ(decoder.DeviceIdEntry(250), 250);
    EXPECT_EQ(decoder.DeviceIdEntry(0), 0);
    EXPECT_EQ(decoder.DeviceIdEntry(251), 0);
    decoder.SetDeviceIdKnown(5, false);
    decoder.SetDeviceIdKnown(251, true); // outside the table: ignored
    EXPECT_EQ(decoder.DeviceIdEntry(5), 0);
    EXPECT_EQ(decoder.KnownDeviceIds().size(), 249u);
}

// ---- channel blocks ----------------------------------------------------------------------

TEST_F(ReplyDecoderTest, InputBlockIsDecodedWithTheLimitsOfTheDeviceType) {
    struct Row {
        const char* name;
        int deviceType;
        std::function<void(Bytes&)> edit;
        std::function<int(const InputChannel&)> field;
        int expected;
    };
    using In = const InputChannel&;
    const std::vector<Row> rows = {
        {"2x4 bandwidth code 60 is index 12", 3, [](Bytes& p) { PutWord(p, 4, 60); },
         [](In r) { return r.filter(0).bandwidthIndex(); }, 12},
        {"4x8 bandwidth code 60 is index 60", 1, [](Bytes& p) { PutWord(p, 4, 60); },
         [](In r) { return r.filter(0).bandwidthIndex(); }, 60},
        {"3x6 bandwidth code 400 is limited to 59", 2, [](Bytes& p) { PutWord(p, 12, 400); },
         [](In r) { return r.filter(1).bandwidthIndex(); }, 59},
        {"4x8 bandwidth code 400 is limited to 295", 1, [](Bytes& p) { PutWord(p, 12, 400); },
         [](In r) { return r.filter(1).bandwidthIndex(); }, 295},
        {"2x4 gain code 1100 is index 360", 3, [](Bytes& p) { PutWord(p, 66, 1100); },
         [](In r) { return r.gain(); }, 360},
        {"4x8 gain code 1100 is index 400", 1, [](Bytes& p) { PutWord(p, 66, 1100); },
         [](In r) { return r.gain(); }, 400},
        {"4x8 gain code 1300 is limited to 460", 1, [](Bytes& p) { PutWord(p, 66, 1300); },
         [](In r) { return r.gain(); }, 460},
        {"3x6 gain code 1400 is limited to 560", 2, [](Bytes& p) { PutWord(p, 66, 1400); },
         [](In r) { return r.gain(); }, 560},
        {"gain code below the offset is index 0", 1, [](Bytes& p) { PutWord(p, 66, 500); },
         [](In r) { return r.gain(); }, 0},
        {"4x8 delay limited to 52473", 1, [](Bytes& p) { PutWord(p, 68, 60000); },
         [](In r) { return r.delay(); }, 52473},
        {"3x6 delay limited to 1465", 2, [](Bytes& p) { PutWord(p, 68, 2000); },
         [](In r) { return r.delay(); }, 1465},
        {"band frequency below 10 Hz", 1, [](Bytes& p) { PutWord(p, 16, 5); },
         [](In r) { return r.filter(2).frequency(); }, 10},
        {"band frequency above 30 kHz", 1, [](Bytes& p) { PutWord(p, 16, 40000); },
         [](In r) { return r.filter(2).frequency(); }, 30000},
        {"band gain code 630 is +3 dB", 1, [](Bytes& p) { PutWord(p, 58, 630); },
         [](In r) { return r.filter(7).gainIndex(); }, 330},
        {"band gain code 800 limited to 450", 1, [](Bytes& p) { PutWord(p, 58, 800); },
         [](In r) { return r.filter(7).gainIndex(); }, 450},
        {"band gain code 100 limited to 0", 1, [](Bytes& p) { PutWord(p, 58, 100); },
         [](In r) { return r.filter(7).gainIndex(); }, 0},
        {"band slope 3 limited to 1", 1, [](Bytes& p) { p[6] = 3; },
         [](In r) { return r.filter(0).slope(); }, 1},
        {"band type 2 is a high shelf", 1, [](Bytes& p) { p[7] = 2; },
         [](In r) { return r.filter(0).type(); }, 2},
        {"band type 5 limited to 2", 1, [](Bytes& p) { p[7] = 5; },
         [](In r) { return r.filter(0).type(); }, 2},
        {"on byte 5 is a flag", 1, [](Bytes& p) { p[64] = 5; }, [](In r) { return r.on(); }, 1},
        {"polarity byte 0x80 is a flag", 1, [](Bytes& p) { p[65] = 0x80; },
         [](In r) { return r.polarity(); }, 1},
        {"high-pass frequency", 1, [](Bytes& p) { PutWord(p, 72, 250); },
         [](In r) { return r.highPass().frequency(); }, 250},
        {"high-pass kind 9 limited to 2", 1, [](Bytes& p) { p[74] = 9; },
         [](In r) { return r.highPass().kind(); }, 2},
        {"low-pass slope 7 limited to 3", 1, [](Bytes& p) { p[79] = 7; },
         [](In r) { return r.lowPass().slope(); }, 3},
        {"low-pass frequency 0 limited to 10", 1, [](Bytes& p) { PutWord(p, 76, 0); },
         [](In r) { return r.lowPass().frequency(); }, 10},
        {"gate threshold as sent", 1, [](Bytes& p) { p[80] = 77; },
         [](In r) { return r.gateThreshold(); }, 77},
        {"gate off", 1, [](Bytes& p) { p[81] = 1; }, [](In r) { return r.gateOff(); }, 1},
        {"reserved A is a flag", 1, [](Bytes& p) { p[70] = 9; }, [](In r) { return r.reservedA(); },
         1},
        {"reserved B as sent", 1, [](Bytes& p) { p[71] = 0x9C; },
         [](In r) { return r.reservedB(); }, 0x9C},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReplyDecoder fresh;
        fresh.SetDeviceType(row.deviceType);
        Bytes block = InputBlock();
        row.edit(block);
        const Bytes frame = UnitReply(kData, 0, 1, 2, 0, block);
        const std::optional<DecodedReply> reply =
            fresh.Decode(ReadReplyHeader(frame), ReplyPayload(frame), nullptr);
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->event, ReplyEvent::None);
        EXPECT_EQ(row.field(fresh.ReceivedProgram().input(2)), row.expected);
    }
}

TEST_F(ReplyDecoderTest, ChannelNamesBecomePrintableAndLoseTrailingSpaces) {
    Bytes block = InputBlock();
    const Bytes name{'A', 'B', 0x01, 'C', ' ', ' ', 0xC8, ' '};
    std::copy(name.begin(), name.end(), block.begin() + 88);
    Decode(UnitReply(kData, 0, 1, 0, 0, block));
    EXPECT_EQ(decoder.ReceivedProgram().input(0).nameText(), "AB C");

    Decode(UnitReply(kData, 0, 2, 4, 0, OutputBlock()));
    EXPECT_EQ(decoder.ReceivedProgram().output(4).nameText(), "Sub");
}

TEST_F(ReplyDecoderTest, OutputBlockLimitsAndProgramReceivedAfterOutput8) {
    Bytes block = OutputBlock();
    PutWord(block, 64, 600); // threshold
    block[66] = 200;         // attack
    block[67] = 9;           // release
    block[69] = 12;          // ratio
    block[70] = 3;           // dynamics type
    block[71] = 1;           // dynamics mode
    PutWord(block, 50, 1300);
    block[54] = 0x0B; // mix: inputs A, B and D
    block[68] = 200;  // clip limit as sent

    for (int channel = 0; channel < 4; ++channel)
        Decode(UnitReply(kData, 0, 1, static_cast<std::uint8_t>(channel), 0, InputBlock()));
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_TRUE(events.empty()) << "announced before output 8";
        Decode(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, block));
    }
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::ProgramReceived, 0}}));

    const OutputChannel& out = decoder.ReceivedProgram().output(7);
    EXPECT_EQ(out.threshold(), 500);
    EXPECT_EQ(out.attack(), 106);
    EXPECT_EQ(out.release(), 5);
    EXPECT_EQ(out.ratio(), 7);
    EXPECT_EQ(out.dynamicsType(), 1);
    EXPECT_EQ(out.dynamicsMode(), 1);
    EXPECT_EQ(out.gain(), 550);
    EXPECT_EQ(out.mix(), 0x0B);
    EXPECT_EQ(out.clipLimit(), 200);
    EXPECT_EQ(out.filter(0).frequency(), 2000);
    EXPECT_EQ(out.highPass().frequency(), 10);
    EXPECT_EQ(out.lowPass().frequency(), 30000);
}

TEST_F(ReplyDecoderTest, LiveBlocksGoThroughTheSettersAndRaiseEveryGroupsFlag) {
    decoder.ReceivedProgram().clearChangeFlags();
    Decode(UnitReply(kData, 0, 1, 1, 0, InputBlock()));
    Decode(UnitReply(kData, 0, 2, 3, 0, OutputBlock()));
    const InputChannel& in = decoder.ReceivedProgram().input(1);
    const OutputChannel& out = decoder.ReceivedProgram().output(3);
    EXPECT_EQ(in.nameChanged() + in.mainChanged() + in.gateChanged(), 3);
    EXPECT_EQ(out.nameChanged() + out.mainChanged() + out.dynamicsChanged(), 3);
    for (int f = 0; f < in.filterCount(); ++f)
        EXPECT_EQ(in.filter(f).changed(), 1) << "input filter " << f;
    for (int f = 0; f < out.filterCount(); ++f)
        EXPECT_EQ(out.filter(f).changed(), 1) << "output filter " << f;
}

TEST_F(ReplyDecoderTest, BlocksOfUnknownChannelsAreIgnored) {
    const std::optional<DecodedReply> in = Decode(UnitReply(kData, 0, 1, 4, 0, InputBlock()));
    const std::optional<DecodedReply> out = Decode(UnitReply(kData, 0, 2, 8, 0, OutputBlock()));
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->warning, nullptr);
    EXPECT_EQ(out->warning, nullptr);
    EXPECT_TRUE(events.empty());
}

TEST_F(ReplyDecoderTest, WrongBlockLengthsAreRejectedWithTheirWarnings) {
    for (const WrongLengthBlock& row : kWrongLengthBlocks) {
        SCOPED_TRACE(row.name);
        Bytes payload(row.length, 0);
        PutWord(payload, 50, 1300);
        PutWord(payload, 66, 1300);
        const std::uint8_t channel = row.section == 1 ? 3 : 7;
        const std::optional<DecodedReply> reply =
            Decode(UnitReply(kData, 7, row.section, channel, row.parameter, payload));
        ASSERT_TRUE(reply.has_value());
        EXPECT_TRUE(reply->rejected);
        EXPECT_EQ(std::string(reply->warning ? reply->warning : ""), row.warning);
        EXPECT_TRUE(events.empty());
        EXPECT_EQ(decoder.ReceivedProgram().input(3).gain(), 400);
        EXPECT_EQ(decoder.ReceivedProgram().output(7).gain(), 400);
        EXPECT_EQ(decoder.ReceivedImage(), ProgramImage{});
    }
}

TEST_F(ReplyDecoderTest, StoredProgramBlocksFillTheImageAndEndWithTheSlot) {
    decoder.SetDeviceType(3);
    Bytes in = InputBlock();
    PutWord(in, 4, 60);    // bandwidth code 60: index 12 on a 2x4
    PutWord(in, 66, 1100); // gain index 360
    PutText(in, 88, "Vox\x02    ");
    Bytes out = OutputBlock();
    PutWord(out, 64, 600);  // threshold limited to 500
    PutWord(out, 52, 1000); // delay 1000 is within 0..1465

    for (int channel = 0; channel < 4; ++channel)
        Decode(UnitReply(kData, 30, 1, static_cast<std::uint8_t>(channel), 0x77, in));
    for (int channel = 0; channel < 8; ++channel)
        Decode(UnitReply(kData, 30, 2, static_cast<std::uint8_t>(channel), 0x77, out));
    EXPECT_EQ(events, (std::vector<Event>{{ReplyEvent::StoredProgramReceived, 30}}));

    const ProgramImage& image = decoder.ReceivedImage();
    EXPECT_EQ(image.inputs[3].bands[0].bandwidth, 12);
    EXPECT_EQ(image.inputs[3].gain, 360);
    EXPECT_EQ(image.inputs[3].name, "Vox");
    EXPECT_EQ(image.inputs[0].bands[0].frequency, 1000);
    EXPECT_EQ(image.inputs[0].bands[0].gain, 300);
    EXPECT_EQ(image.inputs[0].highPassKind, 2);
    EXPECT_EQ(image.outputs[7].threshold, 500);
    EXPECT_EQ(image.outputs[7].delay, 1000);
    EXPECT_EQ(image.outputs[0].mix, 1);
    EXPECT_EQ(image.outputs[0].clipLimit, 20);
    EXPECT_EQ(image.outputs[0].name, "Sub");
    // The live settings are untouched.
    EXPECT_EQ(decoder.ReceivedProgram().output(7).threshold(), 400);
    EXPECT_EQ(decoder.ReceivedProgram().input(3).nameText(), "D");
}

TEST_F(ReplyDecoderTest, LiveAndStoredBlocksAgreeOnEveryField) {
    // The same block decoded live and stored: the record filled from the image equals the image.
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        ReplyDecoder fresh;
        fresh.SetDeviceType(type);
        Bytes in = InputBlock();
        PutWord(in, 68, 60000); // out of range on every model
        Bytes out = OutputBlock();
        PutWord(out, 64, 999);
        for (const Bytes& frame :
             {UnitReply(kData, 0, 1, 1, 0, in), UnitReply(kData, 5, 1, 1, 0x77, in),
              UnitReply(kData, 0, 2, 6, 0, out), UnitReply(kData, 5, 2, 6, 0x77, out)})
            fresh.Decode(ReadReplyHeader(frame), ReplyPayload(frame), nullptr);
        ProgramImage live;
        fresh.ReceivedProgram().fillProgramImage(live);
        EXPECT_EQ(live.inputs[1], fresh.ReceivedImage().inputs[1]);
        EXPECT_EQ(live.outputs[6], fresh.ReceivedImage().outputs[6]);
    }
}

TEST(ReplyDecoderTransfer, ProgramIsWholeOnlyWithEveryBlockOfItsSlotSinceTheTransferBegan) {
    // Bits 0..3 inputs A..D, 4..10 outputs 1..7: the blocks sent before slot 5's output 8.
    struct Step {
        std::uint8_t slot;
        std::uint8_t mode;
        unsigned blocks;
        bool forgetFirst = false; // a new transfer begins
    };
    struct Row {
        const char* name;
        std::uint8_t mode; // of slot 5's output 8
        std::vector<Step> before;
        ReplyEvent expected;
        unsigned missing;
    };
    const std::vector<Row> rows = {
        {"every block, stored", 0x77, {{5, 0x77, 0x7FF}}, ReplyEvent::StoredProgramReceived, 0},
        {"every block, live", 0, {{5, 0, 0x7FF}}, ReplyEvent::ProgramReceived, 0},
        {"input C missing", 0x77, {{5, 0x77, 0x7FB}}, ReplyEvent::StoredProgramIncomplete, 0x004},
        {"the previous slot's blocks",
         0x77,
         {{4, 0x77, 0x7FF}, {5, 0x77, 0x00F}},
         ReplyEvent::StoredProgramIncomplete,
         0x7F0},
        {"live blocks for a stored program",
         0x77,
         {{5, 0, 0x7FF}},
         ReplyEvent::StoredProgramIncomplete,
         0x7FF},
        {"blocks from before the transfer",
         0,
         {{5, 0, 0x7FF}, {5, 0, 0x0F0, true}},
         ReplyEvent::ProgramIncomplete,
         0x70F},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReplyDecoder decoder;
        std::vector<Event> events;
        auto decode = [&](const Bytes& frame) {
            const auto reply = decoder.Decode(ReadReplyHeader(frame), ReplyPayload(frame), nullptr);
            if (reply && reply->event != ReplyEvent::None)
                events.push_back({reply->event, reply->parameter});
        };
        for (const Step& step : row.before) {
            if (step.forgetFirst)
                decoder.ForgetReceivedBlocks();
            for (int b = 0; b < 11; ++b) {
                const bool input = b < 4;
                if (step.blocks & (1u << b))
                    decode(UnitReply(kData, step.slot, input ? 1 : 2,
                                     static_cast<std::uint8_t>(input ? b : b - 4), step.mode,
                                     input ? InputBlock() : OutputBlock()));
            }
        }
        events.clear();
        decode(UnitReply(kData, 5, 2, 7, row.mode, OutputBlock()));
        const int parameter = row.expected == ReplyEvent::ProgramReceived ? 0 : 5;
        EXPECT_EQ(events, (std::vector<Event>{{row.expected, parameter}}));
        EXPECT_EQ(decoder.MissingBlocks(), row.missing);
    }
}

TEST(ReplyDecoderTransfer, SomeLiveBlocksAreAnnouncedOnceTheLastOfThemIsIn) {
    constexpr ChannelBlocks kInputB = InputBlockBit(1);
    constexpr ChannelBlocks kOutput3 = OutputBlockBit(2);
    struct Row {
        const char* name;
        ChannelBlocks asked;
        std::vector<ChannelBlocks> arriving; // in this order
        std::vector<Event> expected;
        ChannelBlocks missing;
    };
    const std::vector<Row> rows = {
        {"both blocks",
         kInputB | kOutput3,
         {kInputB, kOutput3},
         {{ReplyEvent::ChannelsReceived, static_cast<int>(kInputB | kOutput3)}},
         0},
        {"the first one missing",
         kInputB | kOutput3,
         {kOutput3},
         {{ReplyEvent::ProgramIncomplete, 0}},
         kInputB},
        {"an input alone", kInputB, {kInputB}, {{ReplyEvent::ChannelsReceived, 0x002}}, 0},
        {"then the whole program again",
         kInputB,
         {kInputB, kAllChannelBlocks},
         {{ReplyEvent::ChannelsReceived, 0x002}, {ReplyEvent::ProgramReceived, 0}},
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReplyDecoder decoder;
        decoder.ForgetReceivedBlocks(row.asked);
        std::vector<Event> events;
        for (const ChannelBlocks blocks : row.arriving) {
            for (int b = 0; b < 12; ++b) {
                if (!(blocks & (1u << b)))
                    continue;
                const bool input = b < 4;
                const Bytes frame =
                    UnitReply(kData, 0, input ? 1 : 2, static_cast<std::uint8_t>(input ? b : b - 4),
                              0, input ? InputBlock() : OutputBlock());
                const auto reply =
                    decoder.Decode(ReadReplyHeader(frame), ReplyPayload(frame), nullptr);
                if (reply && reply->event != ReplyEvent::None)
                    events.push_back({reply->event, reply->parameter});
            }
        }
        EXPECT_EQ(events, row.expected);
        EXPECT_EQ(decoder.MissingBlocks(), row.missing);
    }
}

TEST_F(ReplyDecoderTest, StoredBlocksOutsideTheProgramMemoriesAreIgnored) {
    for (std::uint8_t slot : {std::uint8_t{0}, std::uint8_t{31}})
        Decode(UnitReply(kData, slot, 2, 7, 0x77, OutputBlock()));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(decoder.ReceivedImage().outputs[7], OutputImage{});
}
