// The PC's frame builders and reply decoder against the virtual unit, over a pseudo-terminal
// opened by the engine's own serial port: two independent readings of the protocol must agree,
// so that what the PC writes is what it reads back.

#include "VirtualLine.h"
#include "link/UnitLink.h"
#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"
#include "protocol/RequestSequences.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Recorder : ILinkListener {
    void SendNotification(Notification message, int parameter) override {
        sent.emplace_back(message, parameter);
    }
    void PostNotification(Notification message, int parameter) override {
        posted.emplace_back(message, parameter);
    }
    std::vector<std::pair<Notification, int>> sent;
    std::vector<std::pair<Notification, int>> posted;
};

class PcRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(line.Open(&error)) << error;
        const OpenPortResult opened =
            engine.OpenPort(line.SlavePath(), &recorder, [](std::uint32_t) {});
        ASSERT_TRUE(opened.opened) << opened.reason;
        pc.setDeviceId(1);
    }
    void TearDown() override { engine.ClosePort(); }

    // Transmits one request, pumps the unit and takes its reply in, as the send tick and the
    // port notifications would. Returns how the reply was taken in.
    ReceiveOutcome Exchange(Request frame) {
        engine.QueueFrame(std::move(frame));
        EXPECT_TRUE(engine.TransmitHead());
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        while (Clock::now() < deadline) {
            line.Poll(5);
            const ReceiveOutcome outcome = engine.ReceiveBytes();
            if (outcome != ReceiveOutcome::NoData && outcome != ReceiveOutcome::Collecting) {
                EXPECT_EQ(engine.QueueCount(), 0) << "the reply completes the request";
                engine.ClearQueue();
                return outcome;
            }
        }
        engine.ClearQueue();
        return ReceiveOutcome::NoData;
    }

    void ExchangeAll(std::vector<Request> frames) {
        for (Request& frame : frames) {
            const auto outcome = Exchange(std::move(frame));
            ASSERT_TRUE(outcome == ReceiveOutcome::Acknowledged ||
                        outcome == ReceiveOutcome::DataDecoded)
                << static_cast<int>(outcome);
        }
    }

    // The channel settings of a container as a program image, for a whole comparison.
    static ProgramImage Image(const ProgramContainer& data) {
        ProgramImage image;
        data.fillProgramImage(image);
        image.name.clear();
        return image;
    }

    // Settings that differ from the defaults in every group a frame carries.
    static void Edit(ProgramContainer& d) {
        InputChannel& in = d.input(1);
        in.setName("Vox");
        in.setGain(430);
        in.setDelay(1234);
        in.setPolarity(1);
        in.setGateThreshold(90);
        in.filter(2).setType(1);
        in.filter(2).setFrequency(2500);
        in.filter(2).setGainIndex(350);
        in.filter(2).setBandwidthIndex(40);
        in.filter(2).setSlope(1);
        in.highPass().setFrequency(80);
        in.highPass().setSlope(2);
        in.lowPass().setFrequency(12000);
        in.lowPass().setSlope(1);
        d.input(3).setOn(0);

        OutputChannel& out = d.output(5);
        out.setName("Sub L");
        out.setMix(0x6);
        out.setGain(500);
        out.setDelay(40000);
        out.setThreshold(300);
        out.setDynamicsType(1);
        out.setAttack(20);
        out.setRelease(3);
        out.setClipLimit(30);
        out.setRatio(4);
        out.filter(4).setFrequency(63);
        out.filter(4).setGainIndex(120);
        out.filter(4).setBandwidthIndex(200);
        out.highPass().setFrequency(120);
        out.highPass().setKind(1);
        out.highPass().setSlope(3);
        out.lowPass().setFrequency(8000);
    }

    VirtualLine line{SimLineOptions{}};
    UnitLink engine;
    Recorder recorder;
    ProgramContainer pc;
};

TEST_F(PcRoundTrip, ConnectReadsGetTheUnitsNamesAndSettings) {
    ExchangeAll(QueueConnectReads(pc));
    ASSERT_FALSE(recorder.sent.empty());
    EXPECT_EQ(recorder.sent.front(), std::pair(Notification::ProbeAnswered, 1));
    EXPECT_EQ(recorder.sent.back(), std::pair(Notification::GlobalsReceived, 0x16));
    EXPECT_EQ(engine.Replies().ProgramName(0), "Default");
    EXPECT_EQ(engine.Replies().ProgramName(30), "Prog30");
    EXPECT_EQ(engine.Replies().ReceivedProgram().temperature(), 25);
}

TEST_F(PcRoundTrip, ProbeOfAnotherTypeIsRefused) {
    ASSERT_TRUE(engine.SetDeviceType(3)); // a 2x4 view against the 4x8 unit
    Request probe = RequestFrames(pc).deviceIdFrame(1, true);
    probe.connectProbe = true;
    EXPECT_EQ(Exchange(std::move(probe)), ReceiveOutcome::DataDecoded);
    ASSERT_EQ(recorder.sent.size(), 1u);
    EXPECT_EQ(recorder.sent.front(), std::pair(Notification::ProbeAnswered, 0));
}

TEST_F(PcRoundTrip, DefaultProgramMatchesANewContainer) {
    ExchangeAll(ReadProgramFromDevice(pc, 0));
    EXPECT_EQ(recorder.sent.back(), std::pair(Notification::ProgramReceived, 0));
    EXPECT_EQ(Image(engine.Replies().ReceivedProgram()), Image(pc));
}

TEST_F(PcRoundTrip, StoredProgramReadsBackUnchanged) {
    Edit(pc);
    ASSERT_NE(Image(pc), Image(ProgramContainer{}));
    ExchangeAll(StoreProgramToDevice(pc, 9));
    ExchangeAll(ReadAllProgramsFromDevice(pc)); // the backup of all 30 memories
    EXPECT_EQ(recorder.sent.back(), std::pair(Notification::StoredProgramReceived, 30));

    ExchangeAll(ReadProgramFromDevice(pc, 9));
    EXPECT_EQ(Image(engine.Replies().ReceivedProgram()), Image(pc));
}

TEST_F(PcRoundTrip, LiveEditsReachTheUnitThroughThePendingScan) {
    pc.clearChangeFlags();
    Edit(pc);
    // One frame per scan until nothing is pending; crossover changes go out in octave steps.
    int frames = 0;
    for (;; ++frames) {
        ASSERT_LT(frames, 100);
        Request next = NextPendingRequest(pc);
        const bool meterPoll =
            next.bytes[kOffsetSection] == kSectionGlobal && next.bytes[kOffsetChannel] == 0x02;
        ASSERT_EQ(Exchange(std::move(next)),
                  meterPoll ? ReceiveOutcome::DataDecoded : ReceiveOutcome::Acknowledged);
        if (meterPoll)
            break;
    }
    EXPECT_GT(frames, 10);
    ASSERT_FALSE(recorder.posted.empty());
    EXPECT_EQ(recorder.posted.back().first, Notification::MetersReceived);

    ExchangeAll(ReadProgramFromDevice(pc, 0));
    EXPECT_EQ(Image(engine.Replies().ReceivedProgram()), Image(pc));
}

} // namespace
