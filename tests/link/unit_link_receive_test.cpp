// Reply reception of the command engine: hunting for 0xFF 0xB1, assembling over several reads,
// checking, completing the head request and decoding every reply layout into the reception
// store with the range limits.

#include "link/UnitLink.h"

#include "FakePort.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint8_t kAck = 0x51;
constexpr std::uint8_t kAckAlt = 0x52;
constexpr std::uint8_t kData = 0x53;

struct Sent {
    Notification message;
    int parameter;
    bool operator==(const Sent&) const = default;
};

class RecordingListener : public ILinkListener {
public:
    std::vector<Sent> sent;
    std::vector<Sent> posted;
    std::function<void(Notification, int)> onSend; // runs inside the sent notification

    void SendNotification(Notification message, int parameter) override {
        sent.push_back({message, parameter});
        if (onSend)
            onSend(message, parameter);
    }
    void PostNotification(Notification message, int parameter) override {
        posted.push_back({message, parameter});
    }
};

void PutWord(Bytes& p, std::size_t offset, int value) {
    p[offset] = static_cast<std::uint8_t>(value & 0xFF);
    p[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutText(Bytes& p, std::size_t offset, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        p[offset + i] = static_cast<std::uint8_t>(text[i]);
}

// Band layout: frequency, gain code, bandwidth code (2 bytes each), slope, type.
void PutBand(Bytes& p, std::size_t offset, int frequency, int gainCode, int bandwidthCode,
             int slope, int type) {
    PutWord(p, offset, frequency);
    PutWord(p, offset + 2, gainCode);
    PutWord(p, offset + 4, bandwidthCode);
    p[offset + 6] = static_cast<std::uint8_t>(slope);
    p[offset + 7] = static_cast<std::uint8_t>(type);
}

// A plausible input block (96 bytes): every band 1000 Hz, 0 dB, 0.95 octaves (code 90), PEQ;
// gain code 1100 (0 dB), crossovers off, name "Kick".
Bytes InputBlock() {
    Bytes p(96, 0);
    for (std::size_t b = 0; b < 8; ++b)
        PutBand(p, b * 8, 1000, 600, 90, 0, 0);
    p[64] = 1;            // on
    p[65] = 0;            // polarity
    PutWord(p, 66, 1100); // gain code
    PutWord(p, 68, 0);    // delay
    PutWord(p, 72, 10);   // high-pass 10 Hz, BTWorth, 12 dB
    p[74] = 2;
    PutWord(p, 76, 30000); // low-pass 30000 Hz
    p[78] = 2;
    p[80] = 120; // gate threshold
    PutText(p, 88, "Kick");
    for (std::size_t i = 92; i < 96; ++i)
        p[i] = ' ';
    return p;
}

// A plausible output block (80 bytes).
Bytes OutputBlock() {
    Bytes p(80, 0);
    for (std::size_t b = 0; b < 6; ++b)
        PutBand(p, b * 8, 2000, 600, 90, 0, 0);
    p[48] = 1;
    PutWord(p, 50, 1100);
    p[54] = 1; // mix: input A
    PutWord(p, 56, 10);
    p[58] = 2;
    PutWord(p, 60, 30000);
    p[62] = 2;
    PutWord(p, 64, 400); // threshold
    p[68] = 20;          // clip limit
    PutText(p, 72, "Sub     ");
    return p;
}

class CommandReceiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        view = RecordingListener{};
        messages = RecordingMessageSink{};
        auto fake = std::make_unique<FakePort>();
        port = fake.get();
        engine = std::make_unique<UnitLink>(std::move(fake));
        engine->SetMessageSink(&messages);
        ASSERT_TRUE(engine->OpenPort("/dev/fake", &view, nullptr).opened);
    }

    // Queues `count` requests and puts the head on the line, as the send tick does.
    void QueueTransmitted(int count = 1) {
        for (int i = 0; i < count; ++i)
            engine->QueueFrame(Request(
                Bytes{0xB1, 0xA2, 1, 0, 3, 2, 0, 0, 1, 0, static_cast<std::uint8_t>(i), 0xAA}));
        TransmitHead();
    }
    void TransmitHead() {
        ASSERT_TRUE(engine->TransmitHead());
        engine->HeadFrame()->firstSendPending = false;
    }

    ReceiveOutcome Feed(const Bytes& chunk) { return engine->AcceptBytes(chunk); }
    ReceiveOutcome FeedReply(const Bytes& frame) { return Feed(WithFiller(frame)); }

    FakePort* port = nullptr;
    std::unique_ptr<UnitLink> engine;
    RecordingListener view;
    RecordingMessageSink messages;
};

// ---- hunting and assembling --------------------------------------------------------------

Bytes Replaced(Bytes frame, std::size_t index, int value) {
    frame.at(index) = static_cast<std::uint8_t>(value);
    return frame;
}

struct AssemblyCase {
    const char* name;
    std::vector<Bytes> reads;
    bool completesHead;
};

std::vector<AssemblyCase> AssemblyCases() {
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
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
    // Payload and checksum bytes with the values of start, end and filler bytes.
    const Bytes special = UnitReply(kData, 0, 3, 0x33, 0, {0xAA, 0xB1, 0xFF, 0xFF, 0xB1});
    Bytes garbageFirst{0x00, 0xB1, 0x12, 0xFF, 0x00, 0xB1, 0xAA};
    const Bytes withFiller = WithFiller(ack);
    garbageFirst.insert(garbageFirst.end(), withFiller.begin(), withFiller.end());

    return {
        {"one filler byte, one read", {WithFiller(ack)}, true},
        {"second acknowledgement kind", {WithFiller(ackAlt)}, true},
        {"a long run of filler bytes", {WithFiller(ack, 40)}, true},
        {"filler in one read, start byte in the next", split({2}), true},
        {"split inside the header before the length byte", split({5, 9}), true},
        {"split right after the length byte", split({11}), true},
        {"one byte per read", split({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), true},
        {"garbage and lone start bytes before the reply", {garbageFirst}, true},
        {"special byte values inside the frame", {WithFiller(special)}, true},
        {"no filler before the start byte", {ack}, false},
        {"filler broken by another byte", {Bytes{0xFF, 0x00}, ack}, false},
        {"wrong checksum", {WithFiller(badChecksum)}, false},
        {"wrong end byte", {WithFiller(badEnd)}, false},
        {"reply cut short", {Bytes(withFiller.begin(), withFiller.end() - 1)}, false},
    };
}

TEST_F(CommandReceiveTest, AssemblesRepliesAcrossReadsAndRejectsWhatIsNotAFrame) {
    for (const AssemblyCase& c : AssemblyCases()) {
        SCOPED_TRACE(c.name);
        SetUp();
        QueueTransmitted();
        for (const Bytes& read : c.reads)
            Feed(read);
        EXPECT_EQ(engine->QueueCount(), c.completesHead ? 0 : 1);
    }
}

TEST_F(CommandReceiveTest, ReceiveBytesTakesOneReadOfAtMost150BytesWith80MsBound) {
    QueueTransmitted();
    const Bytes reply = WithFiller(UnitReply(kAck, 0, 3, 0x14, 0, {0x00}));
    port->QueueRead(Bytes(reply.begin(), reply.begin() + 6));
    port->QueueRead(Bytes(reply.begin() + 6, reply.end()));

    // Only notifications with the bytes-received bit lead to a read.
    EXPECT_EQ(engine->HandleLineEvent(0x0004), ReceiveOutcome::NoData);
    EXPECT_TRUE(port->readTimeouts.empty());
    EXPECT_EQ(engine->HandleLineEvent(0x00020001), ReceiveOutcome::Collecting);
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::Acknowledged);
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::NoData); // nothing waiting
    EXPECT_EQ(port->readTimeouts, (std::vector<int>{80, 80, 80}));
    EXPECT_EQ(port->readCapacities.front(), 150u);
    EXPECT_EQ(engine->QueueCount(), 0);

    port->hungUp = true; // a failing read is no data, not a crash
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::NoData);
}

TEST_F(CommandReceiveTest, SecondReplyInTheSameReadIsDroppedWithTheFirst) {
    QueueTransmitted(2);
    Bytes both = WithFiller(UnitReply(kAck, 0, 3, 0x14, 0, {0x00}));
    const Bytes second = WithFiller(UnitReply(kAck, 0, 3, 0x16, 0, {0x00}));
    both.insert(both.end(), second.begin(), second.end());

    EXPECT_EQ(Feed(both), ReceiveOutcome::Acknowledged);
    EXPECT_EQ(engine->QueueCount(), 1);

    // The receiver hunts afresh: the next reply on its own completes the next request.
    TransmitHead();
    EXPECT_EQ(Feed(second), ReceiveOutcome::Acknowledged);
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, ReplyLongerThan150BytesIsDroppedAndHuntingStartsAgain) {
    QueueTransmitted();
    // 139 payload bytes make 150 in all: the longest frame that is held.
    const Bytes longest = UnitReply(kData, 0, 3, 0x40, 0, Bytes(139, 0x11));
    const Bytes tooLong = UnitReply(kData, 0, 3, 0x40, 0, Bytes(140, 0x11));

    EXPECT_EQ(FeedReply(tooLong), ReceiveOutcome::TooLong);
    EXPECT_EQ(engine->QueueCount(), 1);
    EXPECT_EQ(FeedReply(longest), ReceiveOutcome::DataDecoded);
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, RecoversFromAnyByteStreamWithin150Bytes) {
    // Random bytes with many filler/start pairs: whatever is held, 150 more bytes end it, and a
    // reply after that is taken in. A frame buffer overrun would corrupt the engine (and shows
    // under the sanitizer build).
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 150);
    std::uniform_int_distribution<int> pick(0, 9);
    engine->SetDeviceType(3);
    for (int round = 0; round < 300; ++round) {
        for (int read = 0; read < 20; ++read) {
            Bytes chunk(static_cast<std::size_t>(size(random)));
            for (auto& b : chunk) {
                const int p = pick(random);
                b = static_cast<std::uint8_t>(p == 0 ? 0xFF : p == 1 ? 0xB1 : byte(random));
            }
            Feed(chunk);
        }
        Feed(Bytes(150, 0x00));
        engine->ClearQueue();
        QueueTransmitted();
        ASSERT_EQ(FeedReply(UnitReply(kAck, 0, 3, 0x14, 0, {0x00})), ReceiveOutcome::Acknowledged)
            << "round " << round;
    }
}

// ---- completing the head -----------------------------------------------------------------

TEST_F(CommandReceiveTest, OnlyAcknowledgementsAndKnownDataRepliesCompleteTheHead) {
    struct Row {
        const char* name;
        Bytes reply;
        ReceiveOutcome outcome;
        bool completes;
    };
    const std::vector<Row> rows = {
        {"acknowledgement", UnitReply(kAck, 0, 1, 0, 8, {1}), ReceiveOutcome::Acknowledged, true},
        {"data reply of an unused global code", UnitReply(kData, 0, 3, 0x30, 0, {1}),
         ReceiveOutcome::DataDecoded, true},
        {"unknown kind", UnitReply(0xA1, 0, 3, 0x14, 0, {1}), ReceiveOutcome::Ignored, false},
        {"data reply of an unknown section", UnitReply(kData, 0, 4, 0, 0, {1}),
         ReceiveOutcome::Ignored, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        QueueTransmitted();
        EXPECT_EQ(FeedReply(row.reply), row.outcome);
        EXPECT_EQ(engine->QueueCount(), row.completes ? 0 : 1);
    }
}

TEST_F(CommandReceiveTest, ReplyWithNothingQueuedIsDecodedAndCompletesNothing) {
    EXPECT_EQ(FeedReply(UnitReply(kData, 0, 3, 0x16, 0, {30})), ReceiveOutcome::DataDecoded);
    EXPECT_EQ(engine->ReceivedProgram().temperature(), 30);
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, AnswerNeverCompletesARequestThatIsNotYetOnTheLine) {
    // The unit answers a repeated request twice; the second answer arrives while the next
    // request still waits for its first transmission and must not remove it unsent.
    QueueTransmitted(2);
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0});
    FeedReply(ack);
    ASSERT_EQ(engine->QueueCount(), 1);
    FeedReply(ack);
    EXPECT_EQ(engine->QueueCount(), 1);
    TransmitHead();
    FeedReply(ack);
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, RequestQueuedByANotificationHandlerIsNotCompletedByTheReply) {
    // A view that disconnects and reconnects inside the handler of the probe answer.
    Request probe(Bytes{0xB1, 0xA2, 1, 0, 3, 0x15, 0, 0, 2, 1, 1, 0xB6, 0xAA});
    probe.connectProbe = true;
    engine->QueueFrame(probe);
    TransmitHead();
    view.onSend = [&](Notification, int) {
        engine->ClearQueue();
        engine->QueueFrame(Request(Bytes{0xB1}));
    };
    FeedReply(UnitReply(kData, 0, 3, 0x15, 0, {1, 1}));
    EXPECT_EQ(engine->QueueCount(), 1);
}

// ---- global replies ----------------------------------------------------------------------

TEST_F(CommandReceiveTest, MeterCodesAreLimitedAndPostedNotSent) {
    // code -> level: 0..9 kept, 10..16 shown as 9, 17..25 kept, above 25 shown as 25.
    const Bytes codes{0, 9, 10, 12, 16, 17, 20, 25, 26, 30, 255, 3, 77 /* thirteenth: ignored */};
    const std::vector<int> levels{0, 9, 9, 9, 9, 17, 20, 25, 25, 25, 25, 3};
    QueueTransmitted();
    FeedReply(UnitReply(kData, 0, 3, 0x02, 0, codes));

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(engine->MeterLevel(i), levels[static_cast<std::size_t>(i)]) << "meter " << i;
    EXPECT_TRUE(view.sent.empty());
    EXPECT_EQ(view.posted, (std::vector<Sent>{{Notification::MetersReceived, 0}}));
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, GlobalSettingsRepliesFillTheReceivedProgram) {
    Bytes lines(80, ' ');
    PutText(lines, 0, "   ABC              "); // ABC with spaces before and after
    PutText(lines, 20, "Interface1");
    lines[45] = 0x07; // a control byte becomes a space
    PutText(lines, 46, "X");
    PutText(lines, 60, std::string(20, 'Z')); // all 20 characters kept
    FeedReply(UnitReply(kData, 0, 3, 0x10, 0, lines));
    FeedReply(UnitReply(kData, 0, 3, 0x11, 0, lines));
    FeedReply(UnitReply(kData, 0, 3, 0x12, 0, {'T', 'a', 'g', ' ', ' ', ' ', ' '}));
    FeedReply(UnitReply(kData, 0, 3, 0x14, 0, {1, 0, 0, 0, 0, 0, 0, 0}));
    FeedReply(UnitReply(kData, 0, 3, 0x04, 0, {33}));
    FeedReply(UnitReply(kData, 0, 3, 0x01, 0, {1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(view.sent.empty());
    FeedReply(UnitReply(kData, 0, 3, 0x16, 0, {18, 0, 0, 0, 0, 0, 0, 0}));

    const ProgramContainer& program = engine->ReceivedProgram();
    for (const auto& [line, expected] : std::vector<std::pair<int, std::string>>{
             {0, "ABC"}, {1, "Interface1"}, {2, "X"}, {3, std::string(20, 'Z')}}) {
        EXPECT_EQ(program.lineSetB(line), expected) << "line " << line;
        EXPECT_EQ(program.lineSetA(line), expected) << "line " << line;
    }
    EXPECT_EQ(program.shortTag(), "Tag");
    EXPECT_EQ(program.backlight(), 1);
    EXPECT_EQ(program.unitValue4(), 33);
    EXPECT_EQ(engine->SourceByte(), 1);
    EXPECT_EQ(program.temperature(), 18);
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::GlobalsReceived, 0x16}}));
}

TEST_F(CommandReceiveTest, ProgramNamesKeepEightPrintableCharactersPerSlot) {
    const std::string fourteen = "Program12ABCDE";
    FeedReply(UnitReply(kData, 12, 3, 0x00, 0, Bytes(fourteen.begin(), fourteen.end())));
    FeedReply(UnitReply(kData, 0, 3, 0x00, 0, {'L', 'i', 0x01, 'e', ' ', ' ', ' ', ' '}));
    FeedReply(UnitReply(kData, 31, 3, 0x00, 0, {'N', 'o', 'p', 'e', ' ', ' ', ' ', ' '}));
    FeedReply(UnitReply(kData, 30, 3, 0x00, 0, {'S', 'h', 'o', 'r', 't'})); // short reply

    EXPECT_EQ(engine->ProgramName(12), "Program1");
    EXPECT_EQ(engine->ProgramName(0), "Li e");
    EXPECT_EQ(engine->ReceivedProgram().programName(), "Li e");
    EXPECT_EQ(engine->ProgramName(30), "Short");
    EXPECT_EQ(engine->ProgramName(31), ""); // no such slot: ignored
}

TEST_F(CommandReceiveTest, OutOfRangeGlobalValuesAreLimited) {
    FeedReply(UnitReply(kData, 0, 3, 0x14, 0, {9}));
    FeedReply(UnitReply(kData, 0, 3, 0x01, 0, {7}));
    FeedReply(UnitReply(kData, 0, 3, 0x16, 0, {200}));
    EXPECT_EQ(engine->ReceivedProgram().backlight(), 1);
    EXPECT_EQ(engine->SourceByte(), 1);
    EXPECT_EQ(engine->ReceivedProgram().temperature(), 50);
}

TEST_F(CommandReceiveTest, IdentificationJoinsTheVersionAroundTheTypeCode) {
    const std::string payload = "RA_R0408_I1.0";
    FeedReply(UnitReply(kData, 0, 3, 0x19, 0, Bytes(payload.begin(), payload.end())));
    EXPECT_EQ(engine->VersionText(), "RA_R_I1.0");
    EXPECT_EQ(engine->TypeCode(), "0408");
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::IdentificationReceived, 0x19}}));

    const std::string padded = "AB  02  C    ";
    FeedReply(UnitReply(kData, 0, 3, 0x19, 0, Bytes(padded.begin(), padded.end())));
    EXPECT_EQ(engine->VersionText(), "AB  C");
    EXPECT_EQ(engine->TypeCode(), "02");
}

// ---- probe answers -----------------------------------------------------------------------

TEST_F(CommandReceiveTest, ConnectProbeAnswerReportsWhetherTheDeviceTypeMatches) {
    engine->SetDeviceType(2);
    for (const auto& [type, expected] : std::vector<std::pair<int, int>>{{2, 1}, {1, 0}}) {
        view.sent.clear();
        Request probe(Bytes{0xB1});
        probe.connectProbe = true;
        engine->QueueFrame(probe);
        TransmitHead();
        FeedReply(UnitReply(kData, 0, 3, 0x15, 0, {7, static_cast<std::uint8_t>(type)}, 7));
        EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProbeAnswered, expected}}));
        EXPECT_EQ(engine->QueueCount(), 0);
    }
}

TEST_F(CommandReceiveTest, SearchAnswersRecordMatchingUnitsAndId250EndsTheSearch) {
    RecordingListener search;
    engine->SetSearchWindow(&search);
    for (int id = 1; id <= 250; ++id)
        engine->SetDeviceIdKnown(id, false);
    auto answer = [&](int id, int type) {
        Request probe(Bytes{0xB1});
        probe.probedId = id;
        engine->QueueFrame(probe);
        TransmitHead();
        FeedReply(UnitReply(kData, 0, 3, 0x15, 0,
                            {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(type)},
                            static_cast<std::uint8_t>(id)));
    };
    answer(3, 1);
    answer(17, 1);
    answer(5, 3); // another device type: not listed
    EXPECT_EQ(engine->KnownDeviceIds(), (std::vector<int>{3, 17}));
    EXPECT_TRUE(search.sent.empty());
    EXPECT_TRUE(view.sent.empty());

    answer(250, 2); // the last ID ends the search even when its type differs
    EXPECT_EQ(engine->KnownDeviceIds(), (std::vector<int>{3, 17}));
    EXPECT_EQ(search.sent, (std::vector<Sent>{{Notification::SearchFinished, 0}}));
    EXPECT_EQ(engine->QueueCount(), 0);

    // With nothing queued a probe answer is ignored.
    FeedReply(UnitReply(kData, 0, 3, 0x15, 0, {9, 1}, 9));
    EXPECT_EQ(engine->DeviceIdEntry(9), 0);
}

// ---- channel blocks ----------------------------------------------------------------------

TEST_F(CommandReceiveTest, InputBlockIsDecodedWithTheLimitsOfTheDeviceType) {
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
        SetUp();
        engine->SetDeviceType(row.deviceType);
        Bytes block = InputBlock();
        row.edit(block);
        QueueTransmitted();
        EXPECT_EQ(FeedReply(UnitReply(kData, 0, 1, 2, 0, block)), ReceiveOutcome::DataDecoded);
        EXPECT_EQ(row.field(engine->ReceivedProgram().input(2)), row.expected);
        EXPECT_EQ(engine->QueueCount(), 0);
    }
}

TEST_F(CommandReceiveTest, ChannelNamesBecomePrintableAndLoseTrailingSpaces) {
    Bytes block = InputBlock();
    const Bytes name{'A', 'B', 0x01, 'C', ' ', ' ', 0xC8, ' '};
    std::copy(name.begin(), name.end(), block.begin() + 88);
    FeedReply(UnitReply(kData, 0, 1, 0, 0, block));
    EXPECT_EQ(engine->ReceivedProgram().input(0).nameText(), "AB C");

    Bytes out = OutputBlock();
    FeedReply(UnitReply(kData, 0, 2, 4, 0, out));
    EXPECT_EQ(engine->ReceivedProgram().output(4).nameText(), "Sub");
}

TEST_F(CommandReceiveTest, OutputBlockLimitsAndProgramReceivedAfterOutput8) {
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

    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_TRUE(view.sent.empty()) << "notified before output 8";
        FeedReply(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, block));
    }
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProgramReceived, 0}}));

    const OutputChannel& out = engine->ReceivedProgram().output(7);
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

TEST_F(CommandReceiveTest, BlocksOfUnknownChannelsAreIgnoredButAnswerTheRequest) {
    QueueTransmitted();
    FeedReply(UnitReply(kData, 0, 1, 4, 0, InputBlock()));
    EXPECT_EQ(engine->QueueCount(), 0);
    QueueTransmitted();
    FeedReply(UnitReply(kData, 0, 2, 8, 0, OutputBlock()));
    EXPECT_EQ(engine->QueueCount(), 0);
    EXPECT_TRUE(view.sent.empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(CommandReceiveTest, WrongBlockLengthsAreIgnoredWithTheirMessages) {
    struct Row {
        const char* name;
        std::uint8_t section;
        std::uint8_t parameter;
        std::size_t length;
        const char* message; // nullptr: ignored silently
    };
    const std::vector<Row> rows = {
        {"live input block", 1, 0, 95, "输入数据长度错误"},
        {"stored input block", 1, 0x77, 97, "输入数据长度错误"},
        {"live output block", 2, 0, 96, nullptr},
        {"stored output block", 2, 0x77, 79, "接收输出数据长度错误"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        QueueTransmitted();
        Bytes payload(row.length, 0);
        PutWord(payload, 50, 1300);
        PutWord(payload, 66, 1300);
        const std::uint8_t channel = row.section == 1 ? 3 : 7;
        // The box is modal and the send tick runs on under it: the reply must already have
        // completed its request, or the tick would repeat it and give the line up.
        int queuedWhileShown = -1;
        messages.onShow = [&] { queuedWhileShown = engine->QueueCount(); };
        FeedReply(UnitReply(kData, 7, row.section, channel, row.parameter, payload));
        ASSERT_EQ(messages.messages.size(), row.message ? 1u : 0u);
        if (row.message) {
            EXPECT_EQ(queuedWhileShown, 0);
        }
        if (row.message) {
            EXPECT_EQ(messages.messages[0].text, row.message);
        }
        EXPECT_TRUE(view.sent.empty());
        EXPECT_EQ(engine->QueueCount(), 0);
        EXPECT_EQ(engine->ReceivedProgram().input(3).gain(), 400);
        EXPECT_EQ(engine->ReceivedProgram().output(7).gain(), 400);
    }
}

TEST_F(CommandReceiveTest, StoredProgramBlocksFillTheImageAndEndWithTheSlot) {
    engine->SetDeviceType(3);
    Bytes in = InputBlock();
    PutWord(in, 4, 60);    // bandwidth code 60: index 12 on a 2x4
    PutWord(in, 66, 1100); // gain index 360
    PutText(in, 88, "Vox\x02    ");
    Bytes out = OutputBlock();
    PutWord(out, 64, 600);  // threshold limited to 500
    PutWord(out, 52, 1000); // delay 1000 is within 0..1465

    int queuedWhenNotified = -1;
    view.onSend = [&](Notification, int) { queuedWhenNotified = engine->QueueCount(); };
    for (int channel = 0; channel < 4; ++channel) {
        QueueTransmitted();
        FeedReply(UnitReply(kData, 30, 1, static_cast<std::uint8_t>(channel), 0x77, in));
    }
    for (int channel = 0; channel < 8; ++channel) {
        QueueTransmitted();
        FeedReply(UnitReply(kData, 30, 2, static_cast<std::uint8_t>(channel), 0x77, out));
    }
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::StoredProgramReceived, 30}}));
    EXPECT_EQ(queuedWhenNotified, 1); // handled before the request is completed
    EXPECT_EQ(engine->QueueCount(), 0);

    const ProgramImage& image = engine->ReceivedImage();
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
    EXPECT_EQ(engine->ReceivedProgram().output(7).threshold(), 400);
    EXPECT_EQ(engine->ReceivedProgram().input(3).nameText(), "D");
}

TEST_F(CommandReceiveTest, StoredBlocksOutsideTheProgramMemoriesAreIgnored) {
    for (std::uint8_t slot : {std::uint8_t{0}, std::uint8_t{31}}) {
        FeedReply(UnitReply(kData, slot, 2, 7, 0x77, OutputBlock()));
    }
    EXPECT_TRUE(view.sent.empty());
    EXPECT_EQ(engine->ReceivedImage().outputs[7], OutputImage{});
}

} // namespace
