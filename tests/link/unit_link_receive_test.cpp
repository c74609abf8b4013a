// Reply reception of the command engine: reading from the port, completing the head request
// only for the frame on the line and only with the reply it asks for, dropping what answers
// nothing, and announcing decoded replies as notifications at the right moment. (Frame assembly
// and the reply layouts: frame_assembler_test, reply_decoder_test.)

#include "link/UnitLink.h"

#include "FakePort.h"
#include "ReplyFrames.h"
#include "protocol/Frame.h"

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

    // Queues and transmits the request `reply` answers: a read for a data reply, a write for an
    // acknowledgement, with the reply's slot, section, channel and parameter.
    Request& AskFor(const Bytes& reply) {
        const bool data = reply[kOffsetKind] == kData;
        const std::uint8_t payload[1] = {0};
        engine->QueueFrame(Request(ComposeFrame(
            data ? kKindRead : kKindWrite, 1, reply[kOffsetSlot], reply[kOffsetSection],
            reply[kOffsetChannel], reply[kOffsetParameter], payload)));
        TransmitHead();
        return *engine->HeadFrame();
    }
    // The request, then its reply.
    ReceiveOutcome Exchange(const Bytes& reply) {
        AskFor(reply);
        return FeedReply(reply);
    }

    FakePort* port = nullptr;
    std::unique_ptr<UnitLink> engine;
    RecordingListener view;
    RecordingMessageSink messages;
};

// ---- reading the port --------------------------------------------------------------------

TEST_F(CommandReceiveTest, ReceiveBytesTakesOneReadOfAtMost150BytesWith80MsBound) {
    QueueTransmitted();
    const Bytes reply = WithFiller(UnitReply(kData, 0, 3, 0x02, 0, Bytes(12, 0)));
    port->QueueRead(Bytes(reply.begin(), reply.begin() + 6));
    port->QueueRead(Bytes(reply.begin() + 6, reply.end()));

    // Only notifications with the bytes-received bit lead to a read.
    EXPECT_EQ(engine->HandleLineEvent(0x0004), ReceiveOutcome::NoData);
    EXPECT_TRUE(port->readTimeouts.empty());
    EXPECT_EQ(engine->HandleLineEvent(0x00020001), ReceiveOutcome::Collecting);
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::DataDecoded);
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::NoData); // nothing waiting
    EXPECT_EQ(port->readTimeouts, (std::vector<int>{80, 80, 80}));
    EXPECT_EQ(port->readCapacities.front(), 150u);
    EXPECT_EQ(engine->QueueCount(), 0);

    port->hungUp = true; // a failing read is no data, not a crash
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::NoData);
}

// ---- completing the head -----------------------------------------------------------------

TEST_F(CommandReceiveTest, OnlyTheReplyTheRequestAsksForCompletesIt) {
    struct Row {
        const char* name;
        Bytes request; // kind, slot, section, channel, parameter of the request on the line
        Bytes reply;
        ReceiveOutcome outcome;
        bool completes;
    };
    auto request = [](std::uint8_t kind, std::uint8_t slot, std::uint8_t section,
                      std::uint8_t channel, std::uint8_t parameter) {
        const std::uint8_t payload[1] = {0};
        return ComposeFrame(kind, 1, slot, section, channel, parameter, payload);
    };
    const Bytes levelWrite = request(kKindWrite, 0, 1, 2, 8);
    const Bytes nameRead = request(kKindRead, 12, 3, 0x00, 0);
    const Bytes storedRead = request(kKindRead, 5, 2, 3, 0x77);
    const Bytes ack = UnitReply(kAck, 0, 1, 2, 8, {0x00});
    Bytes badChecksum = ack;
    badChecksum[badChecksum.size() - 2] ^= 0x01;
    const Bytes name = UnitReply(kData, 12, 3, 0x00, 0, Bytes(8, 'N'));
    using O = ReceiveOutcome;
    const std::vector<Row> rows = {
        {"acknowledgement of the write", levelWrite, ack, O::Acknowledged, true},
        {"second acknowledgement kind", levelWrite, UnitReply(kAckAlt, 0, 1, 2, 8, {0}),
         O::Acknowledged, true},
        {"acknowledgement for another channel", levelWrite, UnitReply(kAck, 0, 1, 3, 8, {0}),
         O::Unrequested, false},
        {"acknowledgement for another section", levelWrite, UnitReply(kAck, 0, 2, 2, 8, {0}),
         O::Unrequested, false},
        {"acknowledgement for another slot", levelWrite, UnitReply(kAck, 4, 1, 2, 8, {0}),
         O::Unrequested, false},
        {"data where an acknowledgement was due", levelWrite, UnitReply(kData, 0, 1, 2, 8, {0}),
         O::Unrequested, false},
        {"the name asked for", nameRead, name, O::DataDecoded, true},
        {"acknowledgement where data was due", nameRead, UnitReply(kAck, 12, 3, 0x00, 0, {0}),
         O::Unrequested, false},
        {"the name of another slot", nameRead, UnitReply(kData, 11, 3, 0x00, 0, Bytes(8, 'N')),
         O::Unrequested, false},
        {"another global reply", nameRead, UnitReply(kData, 12, 3, 0x16, 0, {20}), O::Unrequested,
         false},
        {"the stored block asked for", storedRead, UnitReply(kData, 5, 2, 3, 0x77, OutputBlock()),
         O::DataDecoded, true},
        {"a live block for a stored read", storedRead, UnitReply(kData, 5, 2, 3, 0, OutputBlock()),
         O::Unrequested, false},
        {"a block of another channel", storedRead, UnitReply(kData, 5, 2, 4, 0x77, OutputBlock()),
         O::Unrequested, false},
        {"a block of another slot", storedRead, UnitReply(kData, 6, 2, 3, 0x77, OutputBlock()),
         O::Unrequested, false},
        {"a block of the wrong length", storedRead, UnitReply(kData, 5, 2, 3, 0x77, Bytes(79, 0)),
         O::RejectedBlock, false},
        {"meters, unasked", nameRead, UnitReply(kData, 0, 3, 0x02, 0, Bytes(12, 1)), O::DataDecoded,
         false},
        {"wrong checksum", levelWrite, badChecksum, O::BadFrame, false},
        {"unknown kind", levelWrite, UnitReply(0xA1, 0, 1, 2, 8, {1}), O::Ignored, false},
        {"data reply of an unknown section", levelWrite, UnitReply(kData, 0, 4, 0, 0, {1}),
         O::Ignored, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        engine->QueueFrame(Request(row.request));
        TransmitHead();
        EXPECT_EQ(FeedReply(row.reply), row.outcome);
        EXPECT_EQ(engine->QueueCount(), row.completes ? 0 : 1);
    }
}

TEST_F(CommandReceiveTest, RepliesThatAnswerNothingOnTheLineOverwriteNothing) {
    // Nothing queued: a late temperature, name or block is dropped; meters, probe answers and
    // the identification are still taken in.
    EXPECT_EQ(FeedReply(UnitReply(kData, 0, 3, 0x16, 0, {30})), ReceiveOutcome::Unrequested);
    EXPECT_EQ(FeedReply(UnitReply(kData, 3, 3, 0x00, 0, Bytes(8, 'X'))),
              ReceiveOutcome::Unrequested);
    Bytes loud = OutputBlock();
    PutWord(loud, 50, 1250);
    EXPECT_EQ(FeedReply(UnitReply(kData, 0, 2, 7, 0, loud)), ReceiveOutcome::Unrequested);
    EXPECT_EQ(engine->Replies().ReceivedProgram().temperature(), ProgramContainer().temperature());
    EXPECT_EQ(engine->Replies().ProgramName(3), "");
    EXPECT_EQ(engine->Replies().ReceivedProgram().output(7).gain(), 400);
    EXPECT_TRUE(view.sent.empty());

    EXPECT_EQ(FeedReply(UnitReply(kData, 0, 3, 0x02, 0, Bytes(12, 5))),
              ReceiveOutcome::DataDecoded);
    EXPECT_EQ(engine->Replies().MeterLevel(11), 5);
    engine->Replies().SetDeviceIdKnown(9, false);
    FeedReply(UnitReply(kData, 0, 3, 0x15, 0, {9, 1}, 9));
    EXPECT_EQ(engine->Replies().DeviceIdEntry(9), 9);
    const std::string id = "RA_R0408_I1.0";
    FeedReply(UnitReply(kData, 0, 3, 0x19, 0, Bytes(id.begin(), id.end())));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::IdentificationReceived, 0x19}}));
    EXPECT_EQ(view.posted, (std::vector<Sent>{{Notification::MetersReceived, 0}}));
}

TEST_F(CommandReceiveTest, LateDuplicateAnswerDoesNotCompleteTheNextRequest) {
    // The unit answers a repeated block read twice; the second copy arrives once the next read
    // is on the line, in the same read as that read's own answer.
    const Bytes input0 = UnitReply(kData, 0, 1, 0, 0, InputBlock());
    Bytes input1Block = InputBlock();
    PutText(input1Block, 88, "Snare   ");
    const Bytes input1 = UnitReply(kData, 0, 1, 1, 0, input1Block);
    ASSERT_EQ(Exchange(input0), ReceiveOutcome::DataDecoded);
    AskFor(input1);
    EXPECT_EQ(FeedReply(input0), ReceiveOutcome::Unrequested);
    EXPECT_EQ(engine->QueueCount(), 1);
    EXPECT_EQ(engine->Replies().ReceivedProgram().input(1).nameText(), "B");
    // Both in one read: the duplicate is dropped, the answer taken.
    Bytes both = WithFiller(input0);
    const Bytes answer = WithFiller(input1);
    both.insert(both.end(), answer.begin(), answer.end());
    EXPECT_EQ(Feed(both), ReceiveOutcome::DataDecoded);
    EXPECT_EQ(engine->QueueCount(), 0);
    EXPECT_EQ(engine->Replies().ReceivedProgram().input(1).nameText(), "Snare");
}

TEST_F(CommandReceiveTest, AnswerNeverCompletesARequestThatIsNotYetOnTheLine) {
    // The unit answers a repeated request twice; the second answer arrives while the next
    // request (asking the same) still waits for its first transmission and must not remove it
    // unsent.
    QueueTransmitted(2);
    const Bytes meters = UnitReply(kData, 0, 3, 0x02, 0, Bytes(12, 0));
    FeedReply(meters);
    ASSERT_EQ(engine->QueueCount(), 1);
    FeedReply(meters);
    EXPECT_EQ(engine->QueueCount(), 1);
    TransmitHead();
    FeedReply(meters);
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

TEST_F(CommandReceiveTest, ReplyCaughtInAFalseStartIsFoundWhenTheLineFallsQuiet) {
    FrameAssembler::Clock::time_point now{};
    engine->SetClock([&] { return now; });
    const Bytes ack = UnitReply(kAck, 0, 1, 2, 8, {0x00});
    AskFor(ack);
    // Noise announcing 139 payload bytes, then the real answer.
    Bytes line{0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x80};
    const Bytes answer = WithFiller(ack);
    line.insert(line.end(), answer.begin(), answer.end());
    EXPECT_EQ(Feed(line), ReceiveOutcome::Collecting);
    now += std::chrono::milliseconds(20);
    EXPECT_EQ(engine->ExpireReceive(), ReceiveOutcome::NoData);
    EXPECT_EQ(engine->QueueCount(), 1);
    now += std::chrono::milliseconds(30);
    EXPECT_EQ(engine->ExpireReceive(), ReceiveOutcome::Acknowledged);
    EXPECT_EQ(engine->QueueCount(), 0);
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

TEST_F(CommandReceiveTest, EachUnitSettingIsSentWithItsCodeAndTheTemperatureSendsThemAll) {
    Exchange(UnitReply(kData, 0, 3, 0x10, 0, Bytes(80, ' ')));
    Exchange(UnitReply(kData, 0, 3, 0x14, 0, {1, 0, 0, 0, 0, 0, 0, 0}));
    Exchange(UnitReply(kData, 0, 3, 0x01, 0, {1, 1, 1, 1, 1, 1, 1, 1}));
    Exchange(UnitReply(kData, 0, 3, 0x16, 0, {18, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::UnitSettingReceived, 0x10},
                                            {Notification::UnitSettingReceived, 0x14},
                                            {Notification::UnitSettingReceived, 0x01},
                                            {Notification::GlobalsReceived, 0x16}}));
    EXPECT_EQ(engine->Replies().ReceivedProgram().temperature(), 18);
}

TEST_F(CommandReceiveTest, EachProgramNameIsSentWithItsSlot) {
    Exchange(UnitReply(kData, 12, 3, 0x00, 0, {'S', 't', 'a', 'g', 'e', ' ', ' ', ' '}));
    Exchange(UnitReply(kData, 31, 3, 0x00, 0, {'N', 'o', 'p', 'e', ' ', ' ', ' ', ' '}));
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
        const std::uint8_t payload[2] = {7, 2};
        Request probe(ComposeFrame(kKindRead, 7, 0, 3, 0x15, 0, payload));
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
        const std::uint8_t payload[2] = {static_cast<std::uint8_t>(id), 1};
        Request probe(
            ComposeFrame(kKindRead, static_cast<std::uint8_t>(id), 0, 3, 0x15, 0, payload));
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
}

// ---- channel blocks ----------------------------------------------------------------------

TEST_F(CommandReceiveTest, ProgramReceivedIsSentAfterTheLiveOutput8Block) {
    for (int channel = 0; channel < 4; ++channel)
        Exchange(UnitReply(kData, 0, 1, static_cast<std::uint8_t>(channel), 0, InputBlock()));
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_TRUE(view.sent.empty()) << "notified before output 8";
        Exchange(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, OutputBlock()));
    }
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProgramReceived, 0}}));
    EXPECT_EQ(engine->Replies().ReceivedProgram().output(7).nameText(), "Sub");
}

TEST_F(CommandReceiveTest, ProgramMissingABlockOfThisTransferIsNotAnnounced) {
    // Output 3 never came in this transfer; an earlier transfer's blocks do not count.
    for (int channel = 0; channel < 4; ++channel)
        Exchange(UnitReply(kData, 0, 1, static_cast<std::uint8_t>(channel), 0, InputBlock()));
    for (int channel = 0; channel < 8; ++channel)
        Exchange(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, OutputBlock()));
    view.sent.clear();
    engine->Replies().ForgetReceivedBlocks();
    for (int channel = 0; channel < 4; ++channel)
        Exchange(UnitReply(kData, 0, 1, static_cast<std::uint8_t>(channel), 0, InputBlock()));
    for (int channel : {0, 1, 3, 4, 5, 6, 7})
        Exchange(UnitReply(kData, 0, 2, static_cast<std::uint8_t>(channel), 0, OutputBlock()));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::ProgramIncomplete, 0}}));
    EXPECT_EQ(engine->Replies().MissingBlocks(), 1u << (4 + 2));
}

TEST_F(CommandReceiveTest, WrongBlockLengthIsDroppedTheRequestWaitsAndOneMessageIsShownPerBatch) {
    for (const WrongLengthBlock& row : kWrongLengthBlocks) {
        SCOPED_TRACE(row.name);
        SetUp();
        Bytes payload(row.length, 0);
        PutWord(payload, 50, 1300);
        PutWord(payload, 66, 1300);
        const std::uint8_t channel = row.section == 1 ? 3 : 7;
        const Bytes wrong = UnitReply(kData, 7, row.section, channel, row.parameter, payload);
        // Two block reads of one batch, each answered by a wrong block: one message.
        for (int i = 0; i < 2; ++i) {
            const std::uint8_t zero[1] = {0};
            Request read(ComposeFrame(kKindRead, 1, 7, row.section, channel, row.parameter, zero));
            read.inBatch = true;
            engine->QueueFrame(std::move(read));
        }
        TransmitHead();
        EXPECT_EQ(FeedReply(wrong), ReceiveOutcome::RejectedBlock);
        EXPECT_EQ(engine->QueueCount(), 2) << "the request waits for its repeat";
        EXPECT_TRUE(engine->HeadGotAWrongBlock());
        engine->CompleteHead();
        TransmitHead();
        EXPECT_FALSE(engine->HeadGotAWrongBlock());
        EXPECT_EQ(FeedReply(wrong), ReceiveOutcome::RejectedBlock);
        EXPECT_EQ(engine->QueueCount(), 1);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, row.warning);
        EXPECT_TRUE(view.sent.empty());
        EXPECT_EQ(engine->Replies().ReceivedProgram().input(3).gain(), 400);
        EXPECT_EQ(engine->Replies().ReceivedProgram().output(7).gain(), 400);
    }
}

TEST_F(CommandReceiveTest, StoredProgramReceivedIsSentWithTheSlotBeforeTheRequestCompletes) {
    int queuedWhenNotified = -1;
    view.onSend = [&](Notification, int) { queuedWhenNotified = engine->QueueCount(); };
    for (int channel = 0; channel < 4; ++channel)
        Exchange(UnitReply(kData, 30, 1, static_cast<std::uint8_t>(channel), 0x77, InputBlock()));
    for (int channel = 0; channel < 8; ++channel)
        Exchange(UnitReply(kData, 30, 2, static_cast<std::uint8_t>(channel), 0x77, OutputBlock()));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::StoredProgramReceived, 30}}));
    EXPECT_EQ(queuedWhenNotified, 1); // handled before the request is completed
    EXPECT_EQ(engine->QueueCount(), 0);
    EXPECT_EQ(engine->Replies().ReceivedImage().outputs[7].name, "Sub");
    // The live settings are untouched.
    EXPECT_EQ(engine->Replies().ReceivedProgram().input(3).nameText(), "D");
}

TEST_F(CommandReceiveTest, StoredProgramNeverTakesBlocksOfThePreviousSlot) {
    for (int channel = 0; channel < 4; ++channel)
        Exchange(UnitReply(kData, 4, 1, static_cast<std::uint8_t>(channel), 0x77, InputBlock()));
    for (int channel = 0; channel < 7; ++channel)
        Exchange(UnitReply(kData, 4, 2, static_cast<std::uint8_t>(channel), 0x77, OutputBlock()));
    // Slot 5 sends only its last block: slot 4's blocks must not make it whole.
    Exchange(UnitReply(kData, 5, 2, 7, 0x77, OutputBlock()));
    EXPECT_EQ(view.sent, (std::vector<Sent>{{Notification::StoredProgramIncomplete, 5}}));
    EXPECT_EQ(engine->Replies().MissingBlocks(), 0x7FFu);
    EXPECT_EQ(engine->Replies().ReceivedImage().inputs[0].name, "");
}

} // namespace
