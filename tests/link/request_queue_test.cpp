// The send queue and the command engine's use of the port: queue order and completion,
// transmission of the head with its filler bytes, and opening and closing the port.

#include "link/RequestQueue.h"
#include "link/UnitLink.h"

#include "FakePort.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

Request Frame(std::uint8_t tag) {
    return Request(Bytes{0xB1, 0xA2, tag, 0xAA});
}

std::vector<std::uint8_t> Tags(const RequestQueue& queue) {
    std::vector<std::uint8_t> tags;
    for (int i = 0; i < queue.Count(); ++i)
        tags.push_back(queue.At(i)->bytes[2]);
    return tags;
}

TEST(SendDataQueue, KeepsFramesInOrderAndRemovesOnlyTheHead) {
    RequestQueue queue;
    EXPECT_EQ(queue.Head(), nullptr);
    EXPECT_EQ(queue.HeadSerial(), 0u);
    EXPECT_FALSE(queue.RemoveHead());

    for (std::uint8_t tag : {1, 2, 3})
        queue.Append(Frame(tag));
    Request* head = queue.Head();
    const std::uint64_t firstSerial = queue.HeadSerial();
    queue.Append(Frame(4)); // appending keeps the head where it is
    EXPECT_EQ(queue.Head(), head);
    EXPECT_EQ(Tags(queue), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(queue.At(4), nullptr);

    EXPECT_TRUE(queue.RemoveHead());
    EXPECT_EQ(Tags(queue), (std::vector<std::uint8_t>{2, 3, 4}));
    EXPECT_GT(queue.HeadSerial(), firstSerial);

    queue.Clear();
    EXPECT_TRUE(queue.IsEmpty());
    queue.Append(Frame(9));
    EXPECT_GT(queue.HeadSerial(), firstSerial + 3) << "serial numbers are never reused";
}

class CommandPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        messages = RecordingMessageSink{};
        auto fake = std::make_unique<FakePort>();
        port = fake.get();
        engine = std::make_unique<UnitLink>(std::move(fake));
        engine->SetMessageSink(&messages);
    }
    void Open() { ASSERT_TRUE(engine->OpenPort("/dev/ttyUSB0", nullptr, nullptr).opened); }

    FakePort* port = nullptr;
    std::unique_ptr<UnitLink> engine;
    RecordingMessageSink messages;
};

TEST_F(CommandPortTest, TransmitHeadWritesThreeSingleFillersThenTheFrame) {
    Open();
    // Meter poll to device 1: the frame goes out unchanged, in one write.
    const Bytes meterPoll{0xB1, 0xA2, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x08, 0,
                          0,    0,    0,    0,    0,    0,    0,    0xAA, 0xAA};
    engine->QueueFrame(Request(meterPoll));
    engine->QueueFrame(Frame(2));

    ASSERT_TRUE(engine->TransmitHead());
    ASSERT_EQ(port->writes.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(port->writes[static_cast<std::size_t>(i)].bytes, Bytes{0xFF});
    EXPECT_EQ(port->writes[3].bytes, meterPoll);
    for (const auto& write : port->writes)
        EXPECT_EQ(write.timeoutMs, 150);
    EXPECT_EQ(engine->QueueCount(), 2) << "the head stays until it is answered";

    // The repetition sends the same head again.
    ASSERT_TRUE(engine->TransmitHead());
    EXPECT_EQ(port->writes.size(), 8u);
    EXPECT_EQ(port->writes[7].bytes, meterPoll);
}

TEST_F(CommandPortTest, TransmitHeadFailsWithoutAHeadAPortOrAWorkingLine) {
    EXPECT_FALSE(engine->TransmitHead()) << "empty queue";
    engine->QueueFrame(Frame(1));
    EXPECT_FALSE(engine->TransmitHead()) << "port closed";
    EXPECT_TRUE(port->writes.empty());

    Open();
    port->failWritesAfterBytes = 2; // the third filler byte does not go out
    EXPECT_FALSE(engine->TransmitHead());
    EXPECT_EQ(port->writes.size(), 2u) << "nothing is written after a failed write";
    EXPECT_EQ(engine->QueueCount(), 1);
}

TEST_F(CommandPortTest, CompleteHeadAndClearQueue) {
    EXPECT_FALSE(engine->CompleteHead());
    engine->QueueFrames({Frame(1), Frame(2), Frame(3)});
    EXPECT_EQ(engine->QueueCount(), 3);
    EXPECT_TRUE(engine->CompleteHead());
    EXPECT_EQ(engine->HeadFrame()->bytes[2], 2);
    engine->ClearQueue();
    EXPECT_EQ(engine->QueueCount(), 0);
    EXPECT_EQ(engine->HeadFrame(), nullptr);
}

TEST_F(CommandPortTest, OpenPortSetsUpTheLineForTheUnit) {
    Open();
    EXPECT_TRUE(engine->IsPortOpen());
    EXPECT_EQ(port->openedDevices, (std::vector<std::string>{"/dev/ttyUSB0"}));
    ASSERT_EQ(port->setups.size(), 1u);
    const LineSettings& line = port->setups[0];
    EXPECT_EQ(line.baudRate, 9600);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_FALSE(line.parity);
    EXPECT_EQ(line.stopBits, 1);
    EXPECT_FALSE(line.flowControl);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(CommandPortTest, FailedOpenOrSetupShowsTheMessageWithTheReasonAndLeavesThePortClosed) {
    struct Row {
        const char* name;
        bool failOpen;
        bool failSetup;
        std::string reason;
        std::string expectedText;
    };
    const std::vector<Row> rows = {
        {"port cannot be opened", true, false,
         "Permission denied: add the user to the group dialout.",
         "Unable to open COM-port\n\nPermission denied: add the user to the group dialout."},
        {"open fails without a reason", true, false, "",
         "Unable to open COM-port\n\nThe port /dev/ttyUSB7 could not be opened."},
        {"line cannot be set up", false, true, "Invalid argument.",
         "Unable to open COM-port\n\nInvalid argument."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        port->failOpen = row.failOpen;
        port->failSetup = row.failSetup;
        port->errorText = row.reason;

        const OpenPortResult result = engine->OpenPort("/dev/ttyUSB7", nullptr, nullptr);
        EXPECT_FALSE(result.opened);
        EXPECT_EQ(result.reason, row.reason);
        EXPECT_FALSE(engine->IsPortOpen());
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, row.expectedText);
        EXPECT_EQ(messages.messages[0].kind, MessageKind::Error);
    }
}

TEST_F(CommandPortTest, OpeningAnOpenPortReopensItAndForgetsAHalfReceivedReply) {
    Open();
    const std::uint8_t backlight[1] = {1};
    engine->QueueFrame(Request(ComposeFrame(0xA1, 1, 0, 3, 0x14, 0, backlight)));
    ASSERT_TRUE(engine->TransmitHead());
    const Bytes ack = WithFiller(UnitReply(0x51, 0, 3, 0x14, 0, {0}));
    EXPECT_EQ(engine->AcceptBytes(Bytes(ack.begin(), ack.begin() + 7)), ReceiveOutcome::Collecting);

    ASSERT_TRUE(engine->OpenPort("/dev/ttyUSB1", nullptr, nullptr).opened);
    EXPECT_EQ(port->closeCount, 1);
    EXPECT_EQ(port->openedDevices.back(), "/dev/ttyUSB1");
    // The rest of the old reply is not taken as a frame; a whole new reply is.
    EXPECT_EQ(engine->AcceptBytes(Bytes(ack.begin() + 7, ack.end())), ReceiveOutcome::Hunting);
    EXPECT_EQ(engine->QueueCount(), 1);
    EXPECT_EQ(engine->AcceptBytes(ack), ReceiveOutcome::Acknowledged);
    EXPECT_EQ(engine->QueueCount(), 0);
}

TEST_F(CommandPortTest, ClosePortClosesOnceAndStopsReception) {
    Open();
    port->QueueRead(WithFiller(UnitReply(0x51, 0, 3, 0x14, 0, {0})));
    engine->ClosePort();
    engine->ClosePort();
    EXPECT_EQ(port->closeCount, 1);
    EXPECT_FALSE(engine->IsPortOpen());
    EXPECT_EQ(engine->ReceiveBytes(), ReceiveOutcome::NoData);
    EXPECT_EQ(engine->Listener(), nullptr);
}

TEST_F(CommandPortTest, LineEventsReachTheHandlerGivenAtOpen) {
    std::vector<std::uint32_t> events;
    ASSERT_TRUE(
        engine
            ->OpenPort("/dev/ttyUSB0", nullptr, [&](std::uint32_t bits) { events.push_back(bits); })
            .opened);
    ASSERT_TRUE(port->handler);
    port->handler(0x04000001u);
    EXPECT_EQ(events, (std::vector<std::uint32_t>{0x04000001u}));
}

TEST(CommandDeviceIds, EveryIdIsKnownAtStartAndTheTableCanBeEdited) {
    UnitLink engine(std::make_unique<FakePort>());
    EXPECT_EQ(engine.Replies().KnownDeviceIds().size(), 250u);
    EXPECT_EQ(engine.Replies().DeviceIdEntry(250), 250);
    EXPECT_EQ(engine.Replies().DeviceIdEntry(0), 0);
    EXPECT_EQ(engine.Replies().DeviceIdEntry(251), 0);
    engine.Replies().SetDeviceIdKnown(5, false);
    engine.Replies().SetDeviceIdKnown(251, true); // outside the table: ignored
    EXPECT_EQ(engine.Replies().DeviceIdEntry(5), 0);
    EXPECT_EQ(engine.Replies().KnownDeviceIds().size(), 249u);
    EXPECT_FALSE(engine.SetDeviceType(4));
    EXPECT_EQ(engine.DeviceType(), 1);
    EXPECT_TRUE(engine.SetDeviceType(3));
    EXPECT_EQ(engine.Replies().ReceivedProgram().deviceType(), 3);
}

// The engine on its default serial port, over a pseudo-terminal pair: the unit's side is the
// master. Waits (bounded) only for bytes and line events to cross the pair.
TEST(CommandOnPseudoTerminal, TransmitsAndTakesInTheAnswerThroughTheSerialLayer) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);

    std::mutex mutex;
    std::condition_variable arrived;
    int receivedEvents = 0;
    UnitLink engine;
    const OpenPortResult result = engine.OpenPort(name, nullptr, [&](std::uint32_t bits) {
        std::lock_guard lock(mutex);
        if (bits & UnitLink::kBytesReceivedEvent)
            ++receivedEvents;
        arrived.notify_all();
    });
    ASSERT_TRUE(result.opened) << result.reason;

    const Bytes request{0xB1, 0xA2, 0x01, 0x00, 0x03, 0x14, 0x00, 0x00, 0x08, 0,
                        0,    0,    0,    0,    0,    0,    0,    0xBC, 0xAA};
    engine.QueueFrame(Request(request));
    ASSERT_TRUE(engine.TransmitHead());
    Bytes onLine;
    while (onLine.size() < request.size() + 3) {
        pollfd p{master, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 2000), 1) << "the request did not reach the unit";
        std::uint8_t buffer[64];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        onLine.insert(onLine.end(), buffer, buffer + n);
    }
    Bytes expected{0xFF, 0xFF, 0xFF};
    expected.insert(expected.end(), request.begin(), request.end());
    EXPECT_EQ(onLine, expected);

    const Bytes reply = WithFiller(UnitReply(0x53, 0, 3, 0x14, 0, {1}), 2);
    ASSERT_EQ(::write(master, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    for (int step = 0; step < 20 && engine.QueueCount() > 0; ++step) {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(2), [&] {
            return receivedEvents > 0;
        })) << "no line event for the reply";
        --receivedEvents;
        lock.unlock();
        engine.ReceiveBytes();
    }
    EXPECT_EQ(engine.QueueCount(), 0);
    EXPECT_EQ(engine.Replies().ReceivedProgram().backlight(), 1);

    engine.ClosePort();
    EXPECT_FALSE(engine.IsPortOpen());
    ::close(master);
    ::close(slave);
}

TEST(CommandOnPseudoTerminal, MissingPortGivesTheOpenFailureWithAReason) {
    RecordingMessageSink messages;
    UnitLink engine;
    engine.SetMessageSink(&messages);
    const OpenPortResult result =
        engine.OpenPort("/nonexistent/tavrel-no-such-port", nullptr, nullptr);
    EXPECT_FALSE(result.opened);
    EXPECT_FALSE(result.reason.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text.rfind("Unable to open COM-port\n\n", 0), 0u);
}

} // namespace
