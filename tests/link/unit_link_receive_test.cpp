// Reply reception of the command engine: reading from the port, completing the head request
// only for the frame on the line, and announcing decoded replies as notifications at the right
// moment. (Frame assembly and the reply layouts: frame_assembler_test, reply_decoder_test.)

#include "link/UnitLink.h"

#include "FakePort.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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

// ---- reading the port --------------------------------------------------------------------

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

// ---- completing the head -----------------------------------------------------------------

TEST_F(CommandReceiveTest, OnlyAcknowledgementsAndKnownDataRepliesCompleteTheHead) {
    struct Row {
        const char* name;
        Bytes reply;
        ReceiveOutcome outcome;
        bool completes;
    };
    const Bytes ack = UnitReply(kAck, 0, 3, 0x14, 0, {0x00});
    Bytes badChecksum = ack;
    badChecksum[badChecksum.size() - 2] ^= 0x01;
    const std::vector<Row> rows = {
        {"acknowledgement", UnitReply(kAck, 0, 1, 0, 8, {1}), ReceiveOutcome::Acknowledged, true},
        {"second acknowledgement kind", UnitReply(kAckAlt, 0, 1, 0, 8, {1}),
         ReceiveOutcome::Acknowledged, true},
        {"data reply of an unused global code", UnitReply(kData, 0, 3, 0x30, 0, {1}),
         ReceiveOutcome::DataDecoded, true},
        {"wrong checksum", badChecksum, ReceiveOutcome::BadFrame, false},
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
    EXPECT_EQ(engine->Replies().ReceivedProgram().temperature(), 30);
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

TEST_F(CommandReceiveTest, MetersArePostedNotSent) {
    QueueTransmitted();
    FeedReply(UnitReply(kData, 0, 3, 0x02, 0, {0, 9, 12, 16, 17, 20, 25, 30, 1, 2, 3, 4}));

    EXPECT_EQ(engine->Replies().MeterLevel(2), 9);
    EXPECT_TRUE(view.sent.empty());
    EXPECT_EQ(view.posted, (std::vector<Sent>{{Notification::MetersReceived, 0}}));
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandReceiveTest, GlobalsReceivedIsSentForTheTemperatureReplyOnly) {
    FeedReply(UnitReply(kData, 0, 3, 0x10, 0, Bytes(80, ' ')));
    FeedReply(UnitReply(kData, 0, 3, 0x14, 0, {1, 0, 0, 0, 0, 0, 0, 0}));
    FeedReply(UnitReply(kData, 0, 3, 0x01, 0, {1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(view.sent.empty());
    FeedReply(UnitReply(kData, 0, 3, 0x16, 0, {18, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::GlobalsReceived, 0x16}}));
    EXPECT_EQ(engine->Replies().ReceivedProgram().temperature(), 18);
}

TEST_F(CommandReceiveTest, EachProgramNameIsSentWithItsSlot) {
    FeedReply(UnitReply(kData, 12, 3, 0x00, 0, {'S', 't', 'a', 'g', 'e', ' ', ' ', ' '}));
    FeedReply(UnitReply(kData, 31, 3, 0x00, 0, {'N', 'o', 'p', 'e', ' ', ' ', ' ', ' '}));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProgramNameReceived, 12}}));
    EXPECT_EQ(engine->Replies().ProgramName(12), "Stage");
}

TEST_F(CommandReceiveTest, IdentificationIsSentToTheView) {
    const std::string payload = "RA_R0408_I1.0";
    FeedReply(UnitReply(kData, 0, 3, 0x19, 0, Bytes(payload.begin(), payload.end())));
    EXPECT_EQ(engine->Replies().TypeCode(), "0408");
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::IdentificationReceived, 0x19}}));
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
        engine->Replies().SetDeviceIdKnown(id, false);
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
    EXPECT_EQ(engine->Replies().KnownDeviceIds(), (std::vector<int>{3, 17}));
    EXPECT_TRUE(search.sent.empty());
    EXPECT_TRUE(view.sent.empty());

    answer(250, 2); // the last ID ends the search even when its type differs
    EXPECT_EQ(engine->Replies().KnownDeviceIds(), (std::vector<int>{3, 17}));
    EXPECT_EQ(search.sent, (std::vector<Sent>{{Notification::SearchFinished, 0}}));
    EXPECT_EQ(engine->QueueCount(), 0);

    // With nothing queued a probe answer is ignored.
    FeedReply(UnitReply(kData, 0, 3, 0x15, 0, {9, 1}, 9));
    EXPECT_EQ(engine->Replies().DeviceIdEntry(9), 0);
}

// ---- channel blocks ----------------------------------------------------------------------

TEST_F(CommandReceiveTest, ProgramReceivedIsSentAfterTheLiveOutput8Block) {
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_TRUE(view.sent.empty()) << "notified before output 8";
        FeedReply(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, OutputBlock()));
    }
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProgramReceived, 0}}));
    EXPECT_EQ(engine->Replies().ReceivedProgram().output(7).nameText(), "Sub");
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
        EXPECT_EQ(engine->Replies().ReceivedProgram().input(3).gain(), 400);
        EXPECT_EQ(engine->Replies().ReceivedProgram().output(7).gain(), 400);
    }
}

TEST_F(CommandReceiveTest, StoredProgramReceivedIsSentWithTheSlotBeforeTheRequestCompletes) {
    int queuedWhenNotified = -1;
    view.onSend = [&](Notification, int) { queuedWhenNotified = engine->QueueCount(); };
    for (int channel = 0; channel < 4; ++channel) {
        QueueTransmitted();
        FeedReply(UnitReply(kData, 30, 1, static_cast<std::uint8_t>(channel), 0x77, InputBlock()));
    }
    for (int channel = 0; channel < 8; ++channel) {
        QueueTransmitted();
        FeedReply(UnitReply(kData, 30, 2, static_cast<std::uint8_t>(channel), 0x77, OutputBlock()));
    }
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::StoredProgramReceived, 30}}));
    EXPECT_EQ(queuedWhenNotified, 1); // handled before the request is completed
    EXPECT_EQ(engine->QueueCount(), 0);
    EXPECT_EQ(engine->Replies().ReceivedImage().outputs[7].name, "Sub");
    // The live settings are untouched.
    EXPECT_EQ(engine->Replies().ReceivedProgram().input(3).nameText(), "D");
}

} // namespace
