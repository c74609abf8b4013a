// The unit controller on a real serial port: the port layer's listener thread reports line
// events over a pseudo-terminal to virtual units served in this process, and the test hands them
// to the controller on its own thread. Ticks are called by the test as soon as the previous
// answer has been taken in, so nothing waits for a timer.

#include "VirtualLine.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <set>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TestOwner : public IUnitView, public IMessageSink {
public:
    void ShowMessage(const std::string& text, MessageKind) override { messages.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }
    void OnProgramReceived() override { ++programs; }
    void OnSearchEnded(const std::vector<int>& ids) override { searchResult = ids; }
    void OnTickChanged(bool running) override { tickRunning = running; }

    std::vector<std::string> messages;
    int programs = 0;
    std::vector<int> searchResult{-1};
    bool tickRunning = false;
};

class ControllerSimTest : public testing::Test {
protected:
    ControllerSimTest() : m_eventFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~ControllerSimTest() override {
        ctl.reset(); // joins the port's listener before the event queue goes
        close(m_eventFd);
    }

    void Start(std::vector<SimUnitSpec> units) {
        SimLineOptions options;
        options.units = std::move(units);
        line = std::make_unique<VirtualLine>(options);
        std::string error;
        ASSERT_TRUE(line->Open(&error)) << error;
        line->Start();
        ctl = std::make_unique<UnitController>(1, data, bank, owner, &owner);
        ctl->SetLineEventForwarder([this](std::uint32_t bits) {
            {
                std::lock_guard lock(m_mutex);
                m_events.push_back(bits);
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto n = write(m_eventFd, &one, sizeof one);
        });
    }

    // Hands line events to the controller until `done` holds or `timeoutMs` has passed.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done() && Clock::now() < deadline) {
            pollfd p{m_eventFd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            std::uint64_t count = 0;
            [[maybe_unused]] const auto n = read(m_eventFd, &count, sizeof count);
            std::vector<std::uint32_t> events;
            {
                std::lock_guard lock(m_mutex);
                events.swap(m_events);
            }
            for (std::uint32_t bits : events)
                ctl->OnLineEvent(bits);
        }
        return done();
    }

    // One tick, then the unit's answer to what it put on the line.
    void TickAndWait() {
        ctl->Tick();
        const std::uint64_t sent = ctl->Command().Queue().HeadSerial();
        ASSERT_TRUE(PumpUntil(
            [&] { return !ctl->IsConnected() || ctl->Command().Queue().HeadSerial() != sent; }));
    }

    void Settle() {
        int ticks = 0;
        do
            TickAndWait();
        while (++ticks < 1000 && !ctl->IsSettled());
        ASSERT_TRUE(ctl->IsSettled()) << (owner.messages.empty() ? "" : owner.messages[0]);
    }

    ProgramContainer data;
    ProgramBank bank{};
    TestOwner owner;
    std::unique_ptr<VirtualLine> line;
    std::unique_ptr<UnitController> ctl;

private:
    int m_eventFd;
    std::mutex m_mutex;
    std::vector<std::uint32_t> m_events;
};

TEST_F(ControllerSimTest, ConnectReadsNamesGlobalsAndTheLiveProgram) {
    Start({{1, 1}});
    ASSERT_TRUE(ctl->Connect(line->SlavePath(), 1));
    Settle();
    EXPECT_EQ(owner.programs, 1);
    EXPECT_EQ(data.programName(), "Default");
    EXPECT_EQ(ctl->ProgramName(1), "Prog01");
    EXPECT_EQ(ctl->ProgramName(30), "Prog30");
    EXPECT_EQ(data.input(3).nameText(), "D");
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(ControllerSimTest, SearchFindsTheUnitsOfTheTypeAndSelectsTheFirst) {
    Start({{17, 1}, {3, 1}, {5, 2}});
    const std::set<int> present{3, 5, 17};
    ASSERT_TRUE(ctl->StartSearch(line->SlavePath()));
    int ticks = 0;
    while (ctl->IsSearching() && ++ticks < 5000) {
        const int before = ctl->Search().Progress();
        ctl->SearchTick();
        const int probed = ctl->Search().Progress();
        if (probed != before && present.count(probed)) {
            // A unit is there: its answer completes the probe before the next tick.
            const int queued = ctl->Command().QueueCount();
            ASSERT_TRUE(PumpUntil([&] { return ctl->Command().QueueCount() < queued; }))
                << "no answer from " << probed;
        }
    }
    ASSERT_FALSE(ctl->IsSearching());
    EXPECT_EQ(owner.searchResult, (std::vector<int>{3, 17}));
    EXPECT_FALSE(ctl->Command().IsPortOpen());
}

TEST_F(ControllerSimTest, HangUpDuringABatchDisconnectsWithoutWaitingForTheTimeOut) {
    Start({{1, 1}});
    ASSERT_TRUE(ctl->Connect(line->SlavePath(), 1, false));
    Settle();
    ctl->ReadAllProgramsFromDevice();
    for (int i = 0; i < 5; ++i)
        TickAndWait();
    ASSERT_TRUE(ctl->IsBusy());
    line->Close(); // the unit's end of the line goes away
    // No tick from here on: only the port's hang-up report can end the connection.
    ASSERT_TRUE(PumpUntil([&] { return !ctl->IsConnected(); }));
    EXPECT_EQ(owner.messages, std::vector<std::string>{
                                  "Unable to Open COM-Port\n\nThe line on " + line->SlavePath() +
                                  " was lost: the port was closed or the adapter "
                                  "unplugged.\n\n0 of 30 memories had been read; nothing "
                                  "was saved."});
    EXPECT_FALSE(ctl->IsBusy());
    EXPECT_FALSE(owner.tickRunning);
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    EXPECT_FALSE(ctl->Command().IsPortOpen());
}

TEST_F(ControllerSimTest, StoppedBankWriteLeavesTheMemoriesAfterTheCurrentOneAsTheyWere) {
    Start({{1, 1}});
    ASSERT_TRUE(ctl->Connect(line->SlavePath(), 1, false));
    Settle();
    ProgramBank source{};
    ProgramContainer fresh;
    for (int i = 0; i < 30; ++i) {
        ProgramImage& image = source[static_cast<std::size_t>(i)];
        fresh.fillProgramImage(image);
        image.name = "New" + std::to_string(i + 1);
        image.outputs[2].gain = 123;
    }
    ctl->WriteAllProgramsToDevice(source);
    while (ctl->Transfer().memoriesDone < 2)
        TickAndWait();
    TickAndWait(); // memory 3 has begun
    ASSERT_TRUE(ctl->StopTransfer());
    Settle();

    EXPECT_EQ(owner.messages, std::vector<std::string>{"Stopped after memory 3 of 30: memories 1 "
                                                       "to 3 were written; memories 4 to 30 "
                                                       "were not changed."});
    line->WithUnits([](auto& units) {
        for (int slot = 1; slot <= 30; ++slot) {
            const bool written = slot <= 3;
            EXPECT_EQ(units[0].ProgramName(slot), written ? "New" + std::to_string(slot)
                                                          : VirtualUnit::DefaultProgramName(slot))
                << slot;
            EXPECT_EQ(units[0].Program(slot).outputs[2] == VirtualUnit::DefaultProgram().outputs[2],
                      !written)
                << slot;
        }
    });
    EXPECT_EQ(ctl->ProgramName(3), "New3");
    EXPECT_EQ(ctl->ProgramName(4), VirtualUnit::DefaultProgramName(4));
}

} // namespace
