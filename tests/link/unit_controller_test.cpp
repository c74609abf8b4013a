// The unit controller over an in-memory port: pacing of the send queue by the 100 ms tick,
// repetition and abandonment, batches and the busy flag, the connect flow, the checks on the
// unit's answers, the device-ID search by its 30 ms tick, re-addressing, hang-ups, and what the
// notifications put into the program container and the bank. Time is the ticks the tests call.

#include "link/UnitController.h"

#include "FakePort.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint8_t kAck = 0x51;
constexpr std::uint8_t kData = 0x53;
constexpr std::uint32_t kBytesEvent = 0x0001;
constexpr std::uint32_t kHangUpBits = 0x0080 | (0x0400u << 16); // line error event, I/O error

class RecordingView : public IUnitView {
public:
    std::vector<bool> connection;
    std::vector<bool> busy;
    std::vector<bool> tick;
    std::vector<std::string> titles;
    std::vector<std::pair<int, std::string>> boxes;
    int editorsClosed = 0;
    int programsReceived = 0;
    std::vector<unsigned> channelsReceived;
    std::vector<int> storedSlots;
    int bankComplete = 0;
    int globals = 0;
    std::vector<MeterLevels> meters;
    std::vector<std::pair<bool, int>> copies;
    std::vector<std::pair<bool, int>> renames;
    std::vector<int> sources;
    std::vector<int> unitSettings;
    std::vector<bool> addressed; // readsProgram of each report
    std::vector<std::vector<int>> searchEnded;
    int lastProgress = -1;

    void OnConnectionChanged(bool c) override { connection.push_back(c); }
    void OnTickChanged(bool r) override { tick.push_back(r); }
    void OnBusyChanged(bool b) override { busy.push_back(b); }
    void OnTitleChanged(const std::string& t) override { titles.push_back(t); }
    void OnConnectionBoxesChanged(int id, const std::string& port) override {
        boxes.emplace_back(id, port);
    }
    void CloseAllEditors() override { ++editorsClosed; }
    void OnUnitAddressed(bool readsProgram) override { addressed.push_back(readsProgram); }
    void OnProgramReceived() override { ++programsReceived; }
    void OnChannelsReceived(unsigned blocks) override { channelsReceived.push_back(blocks); }
    void OnStoredProgramReceived(int slot) override { storedSlots.push_back(slot); }
    void OnBankComplete() override { ++bankComplete; }
    void OnGlobalsReceived() override { ++globals; }
    void OnMetersReceived(const MeterLevels& levels) override { meters.push_back(levels); }
    void OnInputSourceChanged(int source, bool) override { sources.push_back(source); }
    void OnChannelCopied(bool output, int channel) override {
        copies.emplace_back(output, channel);
    }
    void OnChannelRenamed(bool output, int channel) override {
        renames.emplace_back(output, channel);
    }
    void OnUnitSettingChanged(int code) override { unitSettings.push_back(code); }
    void OnSearchProgress(int id) override { lastProgress = id; }
    void OnSearchEnded(const std::vector<int>& ids) override { searchEnded.push_back(ids); }
};

Bytes Text(const std::string& text, std::size_t width) {
    Bytes b(width, ' ');
    for (std::size_t i = 0; i < text.size() && i < width; ++i)
        b[i] = static_cast<std::uint8_t>(text[i]);
    return b;
}

// A unit on the fake line, answering as a real one would: acknowledgements for writes, data
// replies for reads. Block replies carry the channel's name ("IN2", "OUT7") and nothing else.
// With `id` 0 it answers whatever ID a frame carries; with an ID it answers only to that one
// (and takes a new one when told), and the `others` (ID -> device type) answer their probes.
// An empty answer is silence.
struct FakeUnit {
    int type = 1;
    int id = 0;
    std::map<int, int> others;
    bool silent = false;
    int shortBlocks = 0; // this many block reads are answered one payload byte short
    int temperature = 30;
    int source = 1;
    int backlight = 1;
    Bytes meterCodes = Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 30};

    Bytes Answer(const Bytes& r) {
        const std::uint8_t kind = r[1], id = r[2], slot = r[3], section = r[4], code = r[5],
                           parameter = r[6];
        if (silent)
            return {};
        if (this->id != 0 && id != this->id) {
            const auto other = others.find(id);
            if (other == others.end() || section != 3 || code != 0x15)
                return {};
            return UnitReply(kData, slot, 3, code, 0,
                             Bytes{id, static_cast<std::uint8_t>(other->second)}, id);
        }
        if (this->id != 0 && kind == 0xA1 && section == 3 && code == 0x15)
            this->id = r[9];
        if (kind == 0xA1)
            return UnitReply(kAck, slot, section, code, parameter, Bytes{0}, id);
        if (section == 1 || section == 2) {
            Bytes p(section == 1 ? 96 : 80, 0);
            const std::string name = (section == 1 ? "IN" : "OUT") + std::to_string(code);
            const Bytes field = Text(name, 8);
            std::copy(field.begin(), field.end(), p.end() - 8);
            if (shortBlocks > 0) {
                --shortBlocks;
                p.pop_back();
            }
            return UnitReply(kData, slot, section, code, parameter, p, id);
        }
        Bytes p(8, 0);
        switch (code) {
        case 0x00:
            p = Text("P" + std::to_string(slot), 8);
            break;
        case 0x01:
            p[0] = static_cast<std::uint8_t>(source);
            break;
        case 0x14:
            p[0] = static_cast<std::uint8_t>(backlight);
            break;
        case 0x02:
            p = meterCodes;
            break;
        case 0x15:
            p = Bytes{r[9], static_cast<std::uint8_t>(type)};
            break;
        case 0x16:
            p = Bytes{static_cast<std::uint8_t>(temperature)};
            break;
        default:
            break;
        }
        return UnitReply(kData, slot, 3, code, 0, p, id);
    }
};

class UnitControllerTest : public testing::Test {
protected:
    void Make(int deviceType = 1) {
        auto port = std::make_unique<FakePort>();
        m_port = port.get();
        ctl =
            std::make_unique<UnitController>(deviceType, data, bank, view, &sink, std::move(port));
    }

    // Frames put on the line so far: every write longer than a single filler byte.
    std::vector<Bytes> Frames() const {
        std::vector<Bytes> frames;
        for (const auto& w : m_port->writes)
            if (w.bytes.size() > 1)
                frames.push_back(w.bytes);
        return frames;
    }

    void Deliver(const Bytes& reply, std::uint32_t bits = kBytesEvent) {
        m_port->QueueRead(WithFiller(reply, 2));
        ctl->OnLineEvent(bits);
    }

    // One tick; the unit answers what the tick put on the line.
    void TickAnswered() {
        const std::size_t before = Frames().size();
        ctl->Tick();
        const auto frames = Frames();
        for (std::size_t i = before; i < frames.size(); ++i)
            if (const Bytes answer = unit.Answer(frames[i]); !answer.empty())
                Deliver(answer);
    }

    // Ticks with answers until every queued request and change has reached the unit.
    // Ticks at least once, so that edits made since the last scan are seen.
    void Settle(int maxTicks = 2000) {
        int ticks = 0;
        do
            TickAnswered();
        while (++ticks < maxTicks && !ctl->IsSettled());
        ASSERT_TRUE(ctl->IsSettled())
            << "connected " << ctl->IsConnected() << " busy " << ctl->IsBusy() << " queued "
            << ctl->Command().QueueCount() << " frames " << Frames().size() << " msgs "
            << sink.messages.size() << (sink.messages.empty() ? "" : sink.messages[0].text);
    }

    void ConnectAndSettle(int id = 1) {
        ASSERT_TRUE(ctl->Connect("/dev/fake", id, false));
        Settle();
    }

    bool IsMeterPoll(const Bytes& f) const { return f[1] == 0xA2 && f[4] == 3 && f[5] == 0x02; }

    ProgramContainer data;
    ProgramBank bank{};
    RecordingView view;
    RecordingMessageSink sink;
    FakeUnit unit;
    std::unique_ptr<UnitController> ctl;
    FakePort* m_port = nullptr;
};

std::vector<std::string> Texts(const RecordingMessageSink& sink) {
    std::vector<std::string> texts;
    for (const auto& m : sink.messages)
        texts.push_back(m.text);
    return texts;
}

int Word(const Bytes& f, std::size_t payloadOffset) {
    return f[9 + payloadOffset] | (f[10 + payloadOffset] << 8);
}

// ---- Pacing ----------------------------------------------------------------------------------

TEST_F(UnitControllerTest, IdleConnectionSendsOneMeterPollPerTick) {
    Make();
    ConnectAndSettle();
    const std::size_t before = Frames().size();
    for (int i = 0; i < 5; ++i)
        TickAnswered();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), before + 5);
    for (std::size_t i = before; i < frames.size(); ++i)
        EXPECT_EQ(frames[i], RequestFrames(data).meterPollFrame().bytes);
    EXPECT_GE(view.meters.size(), 5u);
    // Each transmission is three single filler bytes, then the frame in one write.
    const auto& w = m_port->writes;
    ASSERT_GE(w.size(), 4u);
    for (std::size_t i = w.size() - 4; i < w.size() - 1; ++i)
        EXPECT_EQ(w[i].bytes, Bytes{0xFF});
}

TEST_F(UnitControllerTest, EditsGoOutOnePerTickInScanOrder) {
    Make();
    ConnectAndSettle();
    data.output(2).setGain(450);
    data.input(1).setPolarity(1);
    const std::size_t before = Frames().size();
    for (int i = 0; i < 4; ++i)
        TickAnswered();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), before + 4); // one frame per tick
    std::vector<Bytes> edits;
    for (std::size_t i = before; i < frames.size(); ++i)
        if (!IsMeterPoll(frames[i]))
            edits.push_back(frames[i]);
    ASSERT_EQ(edits.size(), 2u);
    // Inputs before outputs, whatever the order of the edits.
    EXPECT_EQ(edits[0][4], 1);               // section input
    EXPECT_EQ(edits[0][5], 1);               // input B
    EXPECT_EQ(edits[0][6], 8);               // level parameter
    EXPECT_EQ(edits[0][10], 1);              // polarity
    EXPECT_EQ(edits[1][4], 2);               // section output
    EXPECT_EQ(edits[1][5], 2);               // output 3
    EXPECT_EQ(edits[1][6], 6);               // level parameter
    EXPECT_EQ(Word(edits[1], 2), 450 + 700); // gain code on the 4x8
}

// A meter reply that comes in after the next tick must not leave a spare poll in the queue: it
// would go out ahead of the next edit, and so would one on every later tick.
TEST_F(UnitControllerTest, EditLeavesOnTheFirstTickAfterItEvenAfterALateMeterReply) {
    Make();
    ConnectAndSettle();
    ctl->Tick(); // a meter poll on the line
    const Bytes poll = Frames().back();
    ASSERT_TRUE(IsMeterPoll(poll));
    ctl->Tick(); // its reply is late: nothing is queued behind it
    EXPECT_EQ(ctl->Command().QueueCount(), 1);
    Deliver(unit.Answer(poll));

    data.output(2).setGain(450);
    const std::size_t before = Frames().size();
    TickAnswered();
    ASSERT_EQ(Frames().size(), before + 1);
    EXPECT_EQ(Frames().back(), RequestFrames(data).outputLevelFrame(2).bytes);
    // Idle again: one poll per tick.
    for (int i = 0; i < 3; ++i) {
        TickAnswered();
        EXPECT_TRUE(IsMeterPoll(Frames().back()));
    }
    EXPECT_EQ(Frames().size(), before + 4);
}

TEST_F(UnitControllerTest, EditMadeAfterTheLastIdleScanIsNotSettledUntilAnswered) {
    Make();
    ConnectAndSettle();
    data.output(4).lowPass().setFrequency(4000); // a run of crossover frames, one per tick
    EXPECT_FALSE(ctl->IsSettled());
    int ticks = 0;
    while (!ctl->IsSettled() && ticks < 100) {
        TickAnswered();
        ++ticks;
    }
    // 30000 -> 15000 -> 7500 -> 4000, sent twice: settled as soon as the last one is answered.
    EXPECT_EQ(ticks, 4);
    EXPECT_FALSE(data.hasPendingChanges());
}

struct CrossoverCase {
    const char* name;
    int from;
    int to;
    std::vector<int> sent;
};

class CrossoverStepsTest : public UnitControllerTest,
                           public testing::WithParamInterface<CrossoverCase> {};

TEST_P(CrossoverStepsTest, HighPassReachesTheUnitOneOctaveAtATime) {
    const CrossoverCase& c = GetParam();
    Make();
    ConnectAndSettle();
    data.output(0).highPass().setFrequency(c.from);
    Settle();
    const std::size_t before = Frames().size();
    data.output(0).highPass().setFrequency(c.to);
    Settle();
    std::vector<int> sent;
    const auto frames = Frames();
    for (std::size_t i = before; i < frames.size(); ++i) {
        const Bytes& f = frames[i];
        if (f[4] == 2 && f[5] == 0 && f[6] == 7)
            sent.push_back(Word(f, 0));
        else
            EXPECT_TRUE(IsMeterPoll(f)) << "unexpected frame " << i;
    }
    EXPECT_EQ(sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Pacing, CrossoverStepsTest,
    testing::Values(CrossoverCase{"Up100To1600", 100, 1600, {200, 400, 800, 1600, 1600}},
                    CrossoverCase{"Down1600To100", 1600, 100, {800, 400, 200, 100, 100}},
                    CrossoverCase{"WithinAnOctave", 1000, 1500, {1500, 1500}}),
    [](const testing::TestParamInfo<CrossoverCase>& info) { return info.param.name; });

TEST_F(UnitControllerTest, SilentUnitSeesEachFrameTwiceAndIsAbandonedAtTick41) {
    Make();
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false));
    ctl->Tick(); // tick 0: the connect probe goes out
    const Bytes probe = Frames().at(0);
    EXPECT_EQ(probe[5], 0x15);
    for (int tick = 1; tick <= 40; ++tick) {
        ctl->Tick();
        EXPECT_EQ(Frames().size(), tick < 20 ? 1u : 2u) << "tick " << tick;
    }
    EXPECT_EQ(Frames().at(1), probe); // the one repetition, 20 ticks (2 s) after the first
    EXPECT_TRUE(ctl->IsConnected());
    EXPECT_TRUE(sink.messages.empty());

    ctl->Tick(); // tick 41: 4.1 s without an answer
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_FALSE(ctl->IsTickRunning());
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(Texts(sink), std::vector<std::string>{"Unable to Open COM-Port\n\nThe port /dev/fake "
                                                    "opened, but no unit with ID 1 answered."});
    EXPECT_EQ(view.connection, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.tick, (std::vector<bool>{true, false}));
    ctl->Tick(); // the stopped tick sends nothing more
    EXPECT_EQ(Frames().size(), 2u);
}

TEST_F(UnitControllerTest, BatchEndsTheBusyFlagWhenItsLastFrameGoesOutWithoutMeterPolls) {
    Make();
    ConnectAndSettle();
    ctl->ReadProgramFromDevice(0);
    EXPECT_TRUE(ctl->IsBusy());
    EXPECT_EQ(view.busy.back(), true);
    EXPECT_EQ(ctl->Command().QueueCount(), 12); // no meter poll waits ahead of it
    for (int i = 0; i < 12; ++i) {
        const std::size_t before = Frames().size();
        ctl->Tick();
        const auto frames = Frames();
        ASSERT_EQ(frames.size(), before + 1) << "frame " << i;
        const Bytes& f = frames.back();
        // Inputs 0..3, then outputs 0..7, block reads of the live settings.
        EXPECT_EQ(f[1], 0xA2);
        EXPECT_EQ(f[4], i < 4 ? 1 : 2);
        EXPECT_EQ(f[5], i < 4 ? i : i - 4);
        // Busy until the last frame has been transmitted, not until it is answered.
        EXPECT_EQ(ctl->IsBusy(), i < 11) << "frame " << i;
        Deliver(unit.Answer(f));
    }
    EXPECT_EQ(view.busy.back(), false);
    EXPECT_EQ(view.programsReceived, 1);
    EXPECT_EQ(data.output(7).nameText(), "OUT7");
    EXPECT_EQ(view.titles.back(), "Tavrel 4x8  " + data.programName());
}

TEST_F(UnitControllerTest, StoreNamesMemoryEditorAndTitleOnlyOnceTheUnitHasTakenIt) {
    Make();
    data.setProgramName("Gig");
    ctl->StoreProgramToDevice(3, "Show"); // disconnected: nothing at all
    EXPECT_TRUE(view.titles.empty());
    ConnectAndSettle();
    const std::string before = data.programName(); // as the unit reported it
    const std::string memory = ctl->ProgramName(3);
    const int queued = ctl->Command().QueueCount();
    ctl->StoreProgramToDevice(3, "Show");
    EXPECT_EQ(ctl->Command().QueueCount(), queued + 13); // the name and 12 blocks
    EXPECT_TRUE(ctl->IsBusy());
    // On its way, the name is only in the frames.
    EXPECT_EQ(data.programName(), before);
    EXPECT_EQ(ctl->ProgramName(3), memory);
    EXPECT_TRUE(view.titles.empty());
    Settle();
    EXPECT_EQ(data.programName(), "Show");
    EXPECT_EQ(ctl->ProgramName(3), "Show");
    EXPECT_EQ(view.titles, std::vector<std::string>{"RID48_Show"});
}

TEST_F(UnitControllerTest, StoreCutShortByTheUnitLeavesEveryNameAndSaysWhatTheMemoryHolds) {
    Make();
    ConnectAndSettle();
    data.setProgramName("Gig");
    ctl->SetProgramName(3, "Old");
    ctl->StoreProgramToDevice(3, "Show");
    for (int i = 0; i < 4; ++i)
        TickAnswered(); // the name and three blocks are taken
    unit.silent = true;
    for (int i = 0; i < 50 && ctl->IsConnected(); ++i)
        TickAnswered();
    ASSERT_FALSE(ctl->IsConnected());
    EXPECT_EQ(data.programName(), "Gig");
    EXPECT_EQ(ctl->ProgramName(3), "Old");
    EXPECT_TRUE(view.titles.empty());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].text.ends_with(
        "\n\nMemory 3 may hold part of the program; its name stays as it was."))
        << sink.messages[0].text;
    EXPECT_FALSE(ctl->IsTransferring());
}

TEST_F(UnitControllerTest, StoringTheLiveSettingsIsSettledOnlyAfterInputsAAndBAreRestored) {
    Make();
    ConnectAndSettle();
    const std::size_t before = Frames().size();
    ctl->StoreProgramToDevice(0);
    Settle();
    std::vector<std::pair<int, int>> levels; // (input, on) of every input level frame
    const auto frames = Frames();
    for (std::size_t i = before; i < frames.size(); ++i)
        if (frames[i][4] == 1 && frames[i][6] == 8)
            levels.emplace_back(frames[i][5], frames[i][9]);
    // Muted while the output blocks go, switched on again by the scan after the batch.
    EXPECT_EQ(levels, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(data.input(0).on(), 1);
}

// A store of the live settings cut short, in the program of which input B is muted: only
// input A's mute is the store's own. Ticks until both mutes and the first output block have been
// answered.
class CutShortStoreTest : public UnitControllerTest {
protected:
    void StoreUntilTheFirstOutputBlock() {
        Make();
        ConnectAndSettle();
        data.input(1).setOn(0);
        data.clearChangeFlags();
        m_before = Frames().size();
        ctl->StoreProgramToDevice(0);
        for (int i = 0; i < 100 && SentSinceStore().size() < 4; ++i)
            TickAnswered(); // the name, both mutes, output 1
        ASSERT_EQ(SentSinceStore().size(), 4u);
        EXPECT_EQ(ctl->InputsMutedForStore(), std::vector<int>{0});
    }
    // Every frame since the store but meter polls.
    std::vector<Bytes> SentSinceStore() const {
        const auto frames = Frames();
        std::vector<Bytes> sent;
        std::copy_if(frames.begin() + static_cast<std::ptrdiff_t>(m_before), frames.end(),
                     std::back_inserter(sent), [this](const Bytes& f) { return !IsMeterPoll(f); });
        return sent;
    }
    std::size_t m_before = 0;
};

TEST_F(CutShortStoreTest, StoppedItSendsNothingMoreButTheUndoingOfItsMute) {
    StoreUntilTheFirstOutputBlock();
    ctl->StopSending();
    EXPECT_FALSE(ctl->IsBusy());
    Settle();
    const std::vector<Bytes> after = SentSinceStore();
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[3][4], 2) << "output 1's block, then nothing more of the program";
    EXPECT_EQ(after[4], RequestFrames(data).inputLevelFrame(0).bytes); // input A on again
    EXPECT_EQ(after[4][9], 1);
    EXPECT_TRUE(ctl->InputsMutedForStore().empty());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CutShortStoreTest, LostLineNamesTheInputItLeftMuted) {
    StoreUntilTheFirstOutputBlock();
    ctl->OnLineEvent(kHangUpBits);
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_EQ(
        Texts(sink),
        std::vector<std::string>{
            "Unable to Open COM-Port\n\nThe line on /dev/fake was lost: the port was closed "
            "or the adapter unplugged. Input A was muted while the outputs were written and "
            "may still be muted: switch it on again once the unit answers.\n\nThe live settings "
            "may hold part of the program."});
    EXPECT_EQ(ctl->InputsLeftMuted(), std::vector<int>{0});
    // A store that ran to its end leaves nothing to name.
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false));
    EXPECT_TRUE(ctl->InputsLeftMuted().empty());
    Settle();
    ctl->StoreProgramToDevice(0);
    Settle();
    EXPECT_TRUE(ctl->InputsMutedForStore().empty());
}

// ---- Connection ------------------------------------------------------------------------------

TEST_F(UnitControllerTest, ConnectClearsOfflineEditsAndReadsNamesGlobalsAndTheLiveProgram) {
    Make();
    data.input(1).setPolarity(1); // edited while disconnected: must not be sent
    ASSERT_TRUE(ctl->Connect("/dev/fake", 7));
    EXPECT_EQ(view.editorsClosed, 2);
    EXPECT_EQ(ctl->DeviceId(), 7);
    EXPECT_EQ(data.deviceId(), 7);
    EXPECT_EQ(view.boxes.back(), std::make_pair(7, std::string("/dev/fake")));
    EXPECT_EQ(view.addressed, std::vector<bool>{true});
    EXPECT_TRUE(ctl->IsBusy());
    EXPECT_EQ(ctl->Command().QueueCount(), 36 + 12);
    Settle();

    const auto frames = Frames();
    ASSERT_GE(frames.size(), 48u);
    EXPECT_EQ(frames[0][5], 0x15); // the probe first
    for (int slot = 0; slot <= 30; ++slot) {
        EXPECT_EQ(frames[1 + slot][5], 0x00);
        EXPECT_EQ(frames[1 + slot][3], slot);
    }
    for (const Bytes& f : frames) {
        EXPECT_EQ(f[2], 7) << "every frame is addressed to the chosen ID";
        EXPECT_FALSE(f[4] == 1 && f[6] == 8) << "no input level frame was sent";
    }
    EXPECT_EQ(data.temperature(), unit.temperature);
    EXPECT_EQ(data.inputSource(), unit.source);
    EXPECT_EQ(data.programName(), "P0");
    EXPECT_EQ(ctl->ProgramName(30), "P30");
    EXPECT_EQ(data.input(0).nameText(), "IN0");
    EXPECT_EQ(view.programsReceived, 1);
    EXPECT_GE(view.globals, 1);
}

TEST_F(UnitControllerTest, ConnectForOneCommandReadsOnlyWhatItAsksForAndKeepsIt) {
    Make();
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false, ConnectReads{{4, 9}, {0x01, 0x14}}));
    Settle();
    std::vector<std::pair<int, int>> sent; // channel or global code, slot
    for (const Bytes& f : Frames())
        if (!IsMeterPoll(f))
            sent.emplace_back(f[5], f[3]);
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{
                        {0x15, 0}, {0x00, 4}, {0x00, 9}, {0x14, 0}, {0x01, 0}}));
    // No temperature came, so no later reply hands the names and settings over: each is kept as
    // it comes.
    EXPECT_EQ(ctl->ProgramName(4), "P4");
    EXPECT_EQ(ctl->ProgramName(9), "P9");
    EXPECT_EQ(ctl->ProgramName(5), "");
    EXPECT_EQ(data.backlight(), unit.backlight);
    EXPECT_EQ(data.inputSource(), unit.source);
    EXPECT_EQ(view.globals, 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(UnitControllerTest, ChannelsReadByThemselvesAreTakenInAloneAndOnlyOnTheModel) {
    Make(kDeviceType2x4);
    unit.type = kDeviceType2x4;
    ConnectAndSettle();
    const std::size_t before = Frames().size();
    data.output(3).setName("Mine");
    data.clearChangeFlags();
    // Output 8 is not on a 2x4: it is not asked for.
    ctl->ReadChannelsFromDevice(InputBlockBit(1) | OutputBlockBit(0) | OutputBlockBit(7));
    EXPECT_TRUE(ctl->IsBusy());
    Settle();
    std::vector<std::pair<int, int>> read; // section, channel
    const auto frames = Frames();
    for (std::size_t i = before; i < frames.size(); ++i)
        if (!IsMeterPoll(frames[i]))
            read.emplace_back(frames[i][4], frames[i][5]);
    EXPECT_EQ(read, (std::vector<std::pair<int, int>>{{1, 1}, {2, 0}}));
    EXPECT_EQ(data.input(1).nameText(), "IN1");
    EXPECT_EQ(data.output(0).nameText(), "OUT0");
    EXPECT_EQ(data.input(0).nameText(), "A"); // not read: as it was
    EXPECT_EQ(data.output(3).nameText(), "Mine");
    EXPECT_EQ(view.channelsReceived, std::vector<unsigned>{InputBlockBit(1) | OutputBlockBit(0)});
    EXPECT_EQ(view.programsReceived, 0);
    EXPECT_FALSE(data.hasPendingChanges()); // values only: nothing is sent back
}

TEST_F(UnitControllerTest, PortThatDoesNotOpenLeavesTheViewDisconnected) {
    Make();
    m_port->failOpen = true;
    m_port->errorText = "Permission denied";
    EXPECT_FALSE(ctl->Connect("/dev/ttyUSB9", 1));
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_FALSE(ctl->IsTickRunning());
    EXPECT_TRUE(view.connection.empty());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text.rfind("Unable to open COM-port", 0), 0u);
    EXPECT_FALSE(ctl->Disconnect());
}

TEST_F(UnitControllerTest, ProbeAnswerOfAnotherTypeDisconnectsAndOfTheRightTypeDoesNothing) {
    Make();
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false));
    unit.type = 1;
    TickAnswered(); // probe answered by a 4x8
    EXPECT_TRUE(ctl->IsConnected());
    EXPECT_TRUE(sink.messages.empty());

    ctl->Disconnect();
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false));
    unit.type = 3;
    TickAnswered(); // probe answered by a 2x4
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_EQ(Texts(sink), std::vector<std::string>{"Device Type Error!\n\nThe unit with ID 1 is "
                                                    "a 2x4; a 4x8 was expected."});
    EXPECT_EQ(ctl->ReportedDeviceType(), 3);
}

struct IdentificationCase {
    const char* name;
    int deviceType;
    std::string version; // 9 characters at most; shorter ones are space padded on the wire
    std::string typeCode;
    int versionMessages;
    bool typeMessage;
};

class IdentificationTest : public UnitControllerTest,
                           public testing::WithParamInterface<IdentificationCase> {};

TEST_P(IdentificationTest, ChecksVersionByPositionAndTypeCodeAsAWhole) {
    const IdentificationCase& c = GetParam();
    Make(c.deviceType);
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false));
    const Bytes version = Text(c.version, 9);
    const Bytes code = Text(c.typeCode, 4);
    Bytes p(13, ' ');
    std::copy(version.begin(), version.begin() + 4, p.begin());
    std::copy(code.begin(), code.end(), p.begin() + 4);
    std::copy(version.begin() + 4, version.end(), p.begin() + 8);
    Deliver(UnitReply(kData, 0, 3, 0x19, 0, p));

    std::vector<std::string> expected(static_cast<std::size_t>(c.versionMessages),
                                      "Device is error!");
    if (c.typeMessage)
        expected.push_back("DeviceType is error!");
    EXPECT_EQ(Texts(sink), expected);
    EXPECT_EQ(ctl->IsConnected(), expected.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, IdentificationTest,
    testing::Values(
        IdentificationCase{"ExpectedIdentityIsAccepted", 1, "RA_R_I1.0", "0408", 0, false},
        IdentificationCase{"NinthCharacterIsNotCompared", 1, "RA_R_I1.7", "0408", 0, false},
        IdentificationCase{"OneMessageForSeveralDifferingPositions", 1, "RA_X_I2.0", "0408", 1,
                           false},
        IdentificationCase{"MissingCharactersDiffer", 1, "RA_R", "0408", 1, false},
        IdentificationCase{"TypeCodeOfAnotherModel", 1, "RA_R_I1.0", "0306", 0, true},
        IdentificationCase{"SmallModelExpectsItsOwnCode", 3, "RA_R_I1.0", "0204", 0, false},
        IdentificationCase{"SmallModelRefusesTheLargeCode", 2, "RA_R_I1.0", "0408", 0, true}),
    [](const testing::TestParamInfo<IdentificationCase>& info) { return info.param.name; });

TEST_F(UnitControllerTest, HangUpDisconnectsAtOnceAfterTakingTheBytesBeforeIt) {
    Make();
    ConnectAndSettle();
    ctl->Tick(); // a meter poll on the line
    const std::size_t meters = view.meters.size();
    Deliver(unit.Answer(Frames().back()), kBytesEvent | kHangUpBits);
    EXPECT_EQ(view.meters.size(), meters + 1); // the answer before the hang-up was taken in
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(Texts(sink),
              std::vector<std::string>{"Unable to Open COM-Port\n\nThe line on /dev/fake was lost: "
                                       "the port was closed or the adapter unplugged."});
    ctl->OnLineEvent(kHangUpBits); // a late report of the same hang-up says nothing more
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(UnitControllerTest, UnitThatStopsAnsweringIsToldApartFromOneThatNeverAnswered) {
    Make();
    ConnectAndSettle(4);
    unit.silent = true;
    for (int tick = 0; tick < 60 && ctl->IsConnected(); ++tick)
        TickAnswered();
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_EQ(Texts(sink), std::vector<std::string>{"Unable to Open COM-Port\n\nThe unit with ID 4 "
                                                    "on /dev/fake stopped answering."});
}

// ---- Renumbering -----------------------------------------------------------------------------

struct RenumberCase {
    const char* name;
    std::map<int, int> others; // ID -> device type of the other units on the line
    bool changed;
};

class RenumberTest : public UnitControllerTest, public testing::WithParamInterface<RenumberCase> {};

TEST_P(RenumberTest, NewIdIsProbedBeforeTheUnitIsTold) {
    const RenumberCase& c = GetParam();
    Make();
    unit.id = 5;
    unit.others = c.others;
    ConnectAndSettle(5);
    const std::size_t before = Frames().size();
    ASSERT_TRUE(ctl->ChangeDeviceId(9));
    EXPECT_TRUE(ctl->IsCheckingDeviceId());
    EXPECT_FALSE(ctl->ChangeDeviceId(12)); // one check at a time
    EXPECT_EQ(ctl->DeviceId(), 5);         // unchanged until the check is over
    for (int tick = 0; tick < 30 && ctl->IsCheckingDeviceId(); ++tick)
        TickAnswered();
    ASSERT_FALSE(ctl->IsCheckingDeviceId());
    Settle();
    EXPECT_TRUE(ctl->IsConnected());

    // B1 | read | ID 9 | slot 0 | global | 0x15 | 0 | 0 | N 2 | ID 9, type 1 | cs | AA
    const Bytes probe = RequestFrames(data).deviceIdFrame(9, true).bytes;
    EXPECT_EQ(probe[1], 0xA2);
    EXPECT_EQ(probe[2], 9);
    const auto frames = Frames();
    const auto probes = std::count(frames.begin() + static_cast<long>(before), frames.end(), probe);
    // Sent again once when nobody answers; an answer ends the check at once.
    EXPECT_EQ(probes, c.changed ? 2 : 1);
    const auto idWrite = std::find_if(frames.begin(), frames.end(), [](const Bytes& f) {
        return f[1] == 0xA1 && f[4] == 3 && f[5] == 0x15;
    });
    EXPECT_EQ(idWrite != frames.end(), c.changed);
    EXPECT_EQ(ctl->DeviceId(), c.changed ? 9 : 5);
    EXPECT_EQ(unit.id, c.changed ? 9 : 5);
    if (c.changed) {
        EXPECT_TRUE(sink.messages.empty());
    } else {
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "Device ID 9 is taken: a unit with ID 9 already answers "
                                         "on this line. The unit with ID 5 keeps its ID.");
        EXPECT_EQ(sink.messages[0].kind, MessageKind::Warning);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Renumbering, RenumberTest,
    testing::Values(RenumberCase{"FreeIdIsGiven", {}, true},
                    RenumberCase{"UnitOfTheSameTypeHoldsTheId", {{9, 1}}, false},
                    RenumberCase{"UnitOfAnotherTypeHoldsTheId", {{9, 3}}, false},
                    RenumberCase{"UnitsAtOtherIdsDoNotMatter", {{8, 1}, {10, 1}}, true}),
    [](const testing::TestParamInfo<RenumberCase>& info) { return info.param.name; });

TEST_F(UnitControllerTest, ChangeOfIdIsAddressedToTheOldIdAndLaterFramesCarryTheNewOne) {
    Make();
    unit.id = 5;
    ConnectAndSettle(5);
    ASSERT_TRUE(ctl->ChangeDeviceId(9));
    Settle();
    EXPECT_EQ(ctl->DeviceId(), 9);
    EXPECT_EQ(data.deviceId(), 9);
    EXPECT_EQ(view.boxes.back().first, 9);
    TickAnswered();
    const auto frames = Frames();
    // B1 | write | old ID 5 | slot 0 | global | 0x15 | 0 | 0 | N 2 | new ID 9, type 1 | cs | AA
    Bytes expected{0xB1, 0xA1, 0x05, 0x00, 0x03, 0x15, 0x00, 0x00, 0x02, 0x09, 0x01};
    std::uint8_t cs = 0;
    for (std::size_t i = 1; i < expected.size(); ++i)
        cs ^= expected[i];
    expected.push_back(cs);
    expected.push_back(0xAA);
    const auto change = std::find(frames.begin(), frames.end(), expected);
    ASSERT_NE(change, frames.end());
    ASSERT_NE(change + 1, frames.end());
    for (auto f = change + 1; f != frames.end(); ++f)
        EXPECT_EQ((*f)[2], 9);
    EXPECT_EQ(ctl->Command().Replies().DeviceIdEntry(9), 9);
    EXPECT_EQ(ctl->Command().Replies().DeviceIdEntry(5), 0);

    const int queued = ctl->Command().QueueCount();
    EXPECT_FALSE(ctl->ChangeDeviceId(9)); // the same ID again: nothing
    EXPECT_EQ(ctl->Command().QueueCount(), queued);
}

TEST_F(UnitControllerTest, CheckOfANewIdEndsWithTheConnectionOrASwitchOfUnit) {
    Make();
    ConnectAndSettle(5);
    ASSERT_TRUE(ctl->ChangeDeviceId(9));
    ctl->SwitchToDevice(4); // the check was for the unit left behind
    EXPECT_FALSE(ctl->IsCheckingDeviceId());
    Settle(); // the probe of 9 is answered, and neither refuses nor renumbers anything
    EXPECT_EQ(ctl->DeviceId(), 4);
    for (const Bytes& f : Frames())
        EXPECT_FALSE(f[1] == 0xA1 && f[4] == 3 && f[5] == 0x15) << "no ID change was sent";
    EXPECT_TRUE(sink.messages.empty());

    ASSERT_TRUE(ctl->ChangeDeviceId(9));
    ctl->Disconnect();
    EXPECT_FALSE(ctl->IsCheckingDeviceId());
    EXPECT_EQ(ctl->DeviceId(), 4);
}

TEST_F(UnitControllerTest, SwitchToAnotherUnitReadsItAgainOnTheOpenPort) {
    Make();
    ConnectAndSettle(1);
    data.input(0).setGain(100); // an edit not yet sent is dropped with the switch
    const int queued = ctl->Command().QueueCount();
    ctl->SwitchToDevice(4);
    EXPECT_TRUE(m_port->IsOpen());
    EXPECT_EQ(m_port->openedDevices.size(), 1u);
    EXPECT_EQ(view.editorsClosed, 3); // twice for the connect, once for the switch
    EXPECT_EQ(view.addressed, (std::vector<bool>{false, true}));
    EXPECT_TRUE(ctl->IsBusy());
    EXPECT_EQ(ctl->Command().QueueCount(), queued + 36 + 12);
    const Request* probe = ctl->Command().Queue().At(queued);
    EXPECT_EQ(probe->bytes[2], 4);
    EXPECT_TRUE(probe->connectProbe);
    EXPECT_EQ(data.input(0).mainChanged(), 0);
    Settle();
}

TEST_F(UnitControllerTest, DeviceOperationsDoNothingWhileDisconnected) {
    Make();
    EXPECT_FALSE(ctl->ChangeDeviceId(9));
    ctl->SwitchToDevice(4);
    ctl->ReadProgramFromDevice(0);
    ctl->ReadAllProgramsFromDevice();
    ctl->SendGlobalSetting(22);
    EXPECT_EQ(ctl->DeviceId(), 1);
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    EXPECT_TRUE(view.boxes.empty());
}

// ---- Search ----------------------------------------------------------------------------------

struct SearchCase {
    const char* name;
    std::map<int, int> units; // ID -> device type of the units on the line
    int last;                 // last ID searched
    std::vector<int> found;
};

class SearchTest : public UnitControllerTest, public testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, ListsTheAnsweringUnitsOfTheViewsType) {
    const SearchCase& c = GetParam();
    Make();
    ASSERT_TRUE(ctl->StartSearch("/dev/fake", 1, c.last));
    int ticks = 0;
    while (ctl->IsSearching() && ticks < 5000) {
        const std::size_t before = Frames().size();
        ctl->SearchTick();
        ++ticks;
        const auto frames = Frames();
        if (frames.size() == before)
            continue;
        const int id = frames.back()[9];
        EXPECT_EQ(frames.back()[2], id);
        if (const auto unitAt = c.units.find(id); unitAt != c.units.end())
            Deliver(UnitReply(
                kData, 0, 3, 0x15, 0,
                Bytes{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(unitAt->second)},
                static_cast<std::uint8_t>(id)));
    }
    ASSERT_FALSE(ctl->IsSearching());
    EXPECT_EQ(Frames().size(), static_cast<std::size_t>(c.last)) << "each ID probed once";
    ASSERT_EQ(view.searchEnded.size(), 1u);
    std::vector<int> listed;
    for (int id : view.searchEnded[0])
        if (id <= c.last)
            listed.push_back(id);
    EXPECT_EQ(listed, c.found);
    EXPECT_EQ(view.lastProgress, c.last);
    EXPECT_FALSE(m_port->IsOpen());
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    EXPECT_EQ(ctl->Command().SearchWindow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchTest,
    testing::Values(SearchCase{"UnitsAt3And17", {{3, 1}, {17, 1}}, 250, {3, 17}},
                    SearchCase{"UnitOfAnotherTypeIsNotListed", {{3, 1}, {5, 2}}, 250, {3}},
                    SearchCase{"EmptyLine", {}, 250, {}},
                    SearchCase{"AnswerToLastIdEndsTheSearch", {{250, 1}}, 250, {250}},
                    SearchCase{"AnsweredLastIdOfAShortRangeEndsIt", {{17, 1}}, 17, {17}}),
    [](const testing::TestParamInfo<SearchCase>& info) { return info.param.name; });

TEST_F(UnitControllerTest, UnansweredProbeIsGivenUpAfterFourSearchTicks) {
    Make();
    ASSERT_TRUE(ctl->StartSearch("/dev/fake", 1, 2));
    ctl->SearchTick(); // ID 1 goes out
    for (int i = 0; i < 3; ++i)
        ctl->SearchTick(); // 90 ms: still waiting
    EXPECT_EQ(ctl->Command().QueueCount(), 2);
    ctl->SearchTick(); // 120 ms: given up
    EXPECT_EQ(ctl->Command().QueueCount(), 1);
    ctl->SearchTick(); // ID 2 goes out on the next tick
    EXPECT_EQ(Frames().size(), 2u);
    EXPECT_EQ(view.lastProgress, 2);
}

// How the unit at ID 3 answers each probe of its ID, in turn.
enum class Answer { Good, Damaged, CutShort, Noise, Silent };

struct LossyAnswerCase {
    const char* name;
    std::vector<Answer> answers; // after the last one the unit answers well
    int silentRetries;
    bool found;
    int probes; // of ID 3
};

void PrintTo(const LossyAnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class LossySearchTest : public UnitControllerTest,
                        public testing::WithParamInterface<LossyAnswerCase> {};

// A window that heard something unreadable is probed again at once, at most twice; a silent one
// only in a further pass, when the search asks for one.
TEST_P(LossySearchTest, ProbesADamagedAnswerAgainAndASilentOneInTheNextPass) {
    const LossyAnswerCase& c = GetParam();
    Make();
    ASSERT_TRUE(ctl->StartSearch("/dev/fake", 1, 5, c.silentRetries));
    const Bytes good = UnitReply(kData, 0, 3, 0x15, 0, Bytes{3, 1}, 3);
    std::size_t asked = 0;
    int ticks = 0;
    while (ctl->IsSearching() && ++ticks < 1000) {
        const std::size_t before = Frames().size();
        ctl->SearchTick();
        const auto frames = Frames();
        if (frames.size() == before || frames.back()[9] != 3)
            continue;
        const Answer answer = asked < c.answers.size() ? c.answers[asked] : Answer::Good;
        ++asked;
        Bytes reply = good;
        switch (answer) {
        case Answer::Good:
            break;
        case Answer::Damaged:
            reply[reply.size() - 2] ^= 0xFF; // the checksum
            break;
        case Answer::CutShort:
            reply.resize(reply.size() - 3);
            break;
        case Answer::Noise:
            reply = Bytes{0x00, 0x53, 0x7F, 0x10};
            break;
        case Answer::Silent:
            continue;
        }
        Deliver(reply);
    }
    ASSERT_FALSE(ctl->IsSearching());
    EXPECT_EQ(static_cast<int>(asked), c.probes);
    ASSERT_EQ(view.searchEnded.size(), 1u);
    const std::vector<int>& known = view.searchEnded[0];
    EXPECT_EQ(std::find(known.begin(), known.end(), 3) != known.end(), c.found);
    // The silent IDs are probed once per pass, never repeated within one.
    const auto frames = Frames();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const Bytes& f) { return f[9] == 5; }),
              1 + c.silentRetries);
}

INSTANTIATE_TEST_SUITE_P(
    Search, LossySearchTest,
    testing::Values(
        LossyAnswerCase{"DamagedAnswerIsAskedAgainAtOnce", {Answer::Damaged}, 0, true, 2},
        LossyAnswerCase{"AnswerCutShortIsAskedAgain", {Answer::CutShort}, 0, true, 2},
        LossyAnswerCase{"NoiseIsAskedAgain", {Answer::Noise}, 0, true, 2},
        LossyAnswerCase{
            "TwoDamagedAnswersAreAskedAgainTwice", {Answer::Damaged, Answer::Damaged}, 0, true, 3},
        LossyAnswerCase{"ThreeDamagedAnswersGiveTheIdUp",
                        {Answer::Damaged, Answer::Damaged, Answer::Damaged},
                        0,
                        false,
                        3},
        LossyAnswerCase{"SilenceIsNotAskedAgainWithinAPass", {Answer::Silent}, 0, false, 1},
        LossyAnswerCase{"SilenceIsAskedAgainInASecondPass", {Answer::Silent}, 1, true, 2},
        LossyAnswerCase{"DamagedAnswerInTheSecondPassIsAskedAgain",
                        {Answer::Silent, Answer::Damaged},
                        1,
                        true,
                        3}),
    [](const testing::TestParamInfo<LossyAnswerCase>& info) { return info.param.name; });

// ---- Notifications into the container --------------------------------------------------------

TEST_F(UnitControllerTest, SmallModelTakesOnlyItsChannelsFromAReadProgram) {
    Make(2);
    EXPECT_EQ(data.deviceType(), 2);
    EXPECT_EQ(ctl->Command().DeviceType(), 2);
    unit.type = 2;
    ASSERT_TRUE(ctl->Connect("/dev/fake", 1));
    Settle();
    EXPECT_EQ(data.input(2).nameText(), "IN2");
    EXPECT_EQ(data.input(3).nameText(), "D");
    EXPECT_EQ(data.output(5).nameText(), "OUT5");
    EXPECT_EQ(data.output(6).nameText(), "7");
    EXPECT_EQ(view.titles.back(), "Tavrel1.0 3x6  P0");
}

TEST_F(UnitControllerTest, AllStoredProgramsFillTheBankWithTheirNamesAndOfferTheSave) {
    Make();
    ConnectAndSettle();
    const int queued = ctl->Command().QueueCount();
    ctl->ReadAllProgramsFromDevice();
    EXPECT_EQ(ctl->Command().QueueCount(), queued + 360);
    Settle(5000);
    ASSERT_EQ(view.storedSlots.size(), 30u);
    EXPECT_EQ(view.storedSlots.front(), 1);
    EXPECT_EQ(view.storedSlots.back(), 30);
    EXPECT_EQ(view.bankComplete, 1);
    EXPECT_EQ(bank[0].name, "P1");
    EXPECT_EQ(bank[29].name, "P30");
    EXPECT_EQ(bank[29].inputs[3].name, "IN3");
    EXPECT_EQ(bank[29].outputs[7].name, "OUT7");
}

TEST_F(UnitControllerTest, WritingABankNamesEachMemoryOnceTheUnitHasTakenIt) {
    Make();
    ConnectAndSettle();
    ProgramBank source{};
    for (int i = 0; i < 30; ++i)
        source[static_cast<std::size_t>(i)].name = "Bank" + std::to_string(i + 1);
    const int queued = ctl->Command().QueueCount();
    const std::string second = ctl->ProgramName(2); // as the unit reported it
    ctl->WriteAllProgramsToDevice(source);
    EXPECT_EQ(ctl->Command().QueueCount(), queued + 30 * 13);
    EXPECT_TRUE(ctl->IsBusy());
    EXPECT_NE(ctl->ProgramName(1), "Bank1");
    while (ctl->Transfer().memoriesDone < 1)
        TickAnswered();
    EXPECT_EQ(ctl->ProgramName(1), "Bank1");
    EXPECT_EQ(ctl->ProgramName(2), second);
    Settle(5000);
    EXPECT_FALSE(ctl->IsBusy());
    EXPECT_EQ(ctl->ProgramName(30), "Bank30");
    EXPECT_TRUE(sink.messages.empty()); // a whole bank written needs no word
}

// ---- Progress and stopping of the transfers of all memories --------------------------------

TEST_F(UnitControllerTest, TransferCountsMemoriesAndEstimatesTheRestFromItsPace) {
    Make();
    ConnectAndSettle();
    ctl->ReadAllProgramsFromDevice();
    TransferProgress p = ctl->Transfer();
    EXPECT_TRUE(ctl->IsTransferring());
    EXPECT_EQ(p.requestsTotal, 30 * 12);
    EXPECT_EQ(p.memoryCount, 30);
    EXPECT_EQ(p.currentMemory, 1);
    EXPECT_EQ(p.Text(), "Reading memory 1 of 30");
    // Before the unit has shown its pace: two ticks a request.
    EXPECT_EQ(p.remainingTicks, 2 * 360);
    EXPECT_EQ(p.RemainingText(UnitController::kTickMs), "About 1 min 12 s left");
    while (ctl->Transfer().memoriesDone < 12)
        TickAnswered();
    p = ctl->Transfer();
    EXPECT_EQ(p.currentMemory, 13);
    EXPECT_EQ(p.Text(), "Reading memory 13 of 30");
    // The fake unit answers within the tick that sent: about one tick a request from here on.
    EXPECT_NEAR(p.remainingTicks, 360 - p.requestsDone, 3);
    EXPECT_EQ(p.RemainingText(UnitController::kTickMs), "About 22 s left");
}

struct StopCase {
    const char* what;
    bool write;      // a bank to the unit, else the unit's memories into the bank
    int afterBlocks; // answered requests before the stop
    int lastMemory;  // the memory the transfer ends with
    const char* message;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.what;
}

class TransferStopTest : public UnitControllerTest, public testing::WithParamInterface<StopCase> {};

TEST_P(TransferStopTest, StopsBetweenMemoriesAndSaysWhichWereDone) {
    const StopCase& c = GetParam();
    Make();
    ConnectAndSettle();
    ProgramBank source = bank;
    for (int i = 0; i < 30; ++i)
        source[static_cast<std::size_t>(i)].name = "New" + std::to_string(i + 1);
    const std::string nextName = ctl->ProgramName(c.lastMemory + 1);
    const std::size_t framesBefore = Frames().size();
    if (c.write)
        ctl->WriteAllProgramsToDevice(source);
    else
        ctl->ReadAllProgramsFromDevice();
    const int perMemory = c.write ? 13 : 12;
    for (int i = 0; i < c.afterBlocks; ++i)
        TickAnswered();
    EXPECT_TRUE(ctl->StopTransfer());
    EXPECT_EQ(ctl->Transfer().Text(),
              "Stopping after memory " + std::to_string(c.lastMemory) + " of 30");
    EXPECT_FALSE(ctl->StopTransfer()); // once is enough
    Settle();
    EXPECT_FALSE(ctl->IsTransferring());
    EXPECT_FALSE(ctl->IsBusy());
    // The memory on the line was finished, no later one begun.
    int blocks = 0;
    int lastSlot = 0;
    const auto frames = Frames();
    for (std::size_t i = framesBefore; i < frames.size(); ++i) {
        if (IsMeterPoll(frames[i]))
            continue;
        ++blocks;
        lastSlot = frames[i][kOffsetSlot];
    }
    EXPECT_EQ(blocks, c.lastMemory * perMemory);
    EXPECT_EQ(lastSlot, c.lastMemory);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, c.message);
    EXPECT_EQ(view.bankComplete, 0); // a part of a bank is never offered for saving
    if (c.write) {
        EXPECT_EQ(ctl->ProgramName(c.lastMemory), "New" + std::to_string(c.lastMemory));
        EXPECT_EQ(ctl->ProgramName(c.lastMemory + 1), nextName);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransferStopTest,
    testing::Values(
        StopCase{"WriteStoppedInMemoryTwelve", true, 11 * 13 + 5, 12,
                 "Stopped after memory 12 of 30: memories 1 to 12 were written; memories 13 to "
                 "30 were not changed."},
        StopCase{"WriteStoppedBeforeTheFirstAnswer", true, 0, 1,
                 "Stopped after memory 1 of 30: memory 1 was written; memories 2 to 30 were not "
                 "changed."},
        StopCase{"ReadStoppedInMemorySeven", false, 6 * 12 + 1, 7,
                 "Stopped after memory 7 of 30: memories 1 to 7 were read. Nothing was saved: a "
                 "program library holds all 30 memories."}),
    [](const testing::TestParamInfo<StopCase>& info) { return info.param.what; });

TEST_F(UnitControllerTest, LostLineDuringABankWriteSaysHowManyMemoriesWereWritten) {
    struct Case {
        const char* what;
        int answered;  // requests answered before the line is lost (13 a memory)
        bool sentNext; // the next request went out and was not answered
        const char* ending;
    };
    const Case cases[] = {
        {"memory 5 half answered", 4 * 13 + 6, false,
         "\n\n4 of 30 memories were written (1 to 4); memory 5 was written in part; memories 6 "
         "to 30 were not changed."},
        {"memory 5's first request sent unanswered", 4 * 13, true,
         "\n\n4 of 30 memories were written (1 to 4); memory 5 may have been written in part; "
         "memories 6 to 30 were not changed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make();
        ConnectAndSettle();
        ctl->WriteAllProgramsToDevice(bank);
        for (int i = 0; i < c.answered; ++i)
            TickAnswered();
        if (c.sentNext)
            ctl->Tick();
        ctl->OnLineEvent(kHangUpBits);
        ASSERT_FALSE(ctl->IsConnected());
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(sink.messages[0].text.ends_with(c.ending)) << sink.messages[0].text;
        EXPECT_FALSE(ctl->StopTransfer()); // nothing left to stop
        sink.messages.clear();
    }
}

TEST_F(UnitControllerTest, OneProgramTransfersCannotBeStopped) {
    Make();
    ConnectAndSettle();
    ctl->ReadProgramFromDevice(4);
    EXPECT_EQ(ctl->Transfer().Text(), "Reading program 4 (0 of 12 requests)");
    EXPECT_FALSE(ctl->Transfer().CanStop());
    EXPECT_FALSE(ctl->StopTransfer());
    Settle();
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(UnitControllerTest, StoredProgramMissingABlockEndsTheBackupWithNothingTakenOver) {
    Make();
    ConnectAndSettle();
    ctl->ReadAllProgramsFromDevice();
    // Answer until program 2 is in and program 3 half read, then start the count afresh, as a
    // new transfer would: program 3 can no longer be whole.
    for (int tick = 0; tick < 200 && view.storedSlots.size() < 2; ++tick)
        TickAnswered();
    for (int block = 0; block < 5; ++block)
        TickAnswered();
    ctl->Command().Replies().ForgetReceivedBlocks();
    Settle();
    EXPECT_EQ(view.storedSlots, (std::vector<int>{1, 2}));
    EXPECT_EQ(view.bankComplete, 0);
    EXPECT_FALSE(ctl->IsBusy());
    EXPECT_EQ(Texts(sink), std::vector<std::string>{
                               "The unit sent program 3 without input A, input B, input C, "
                               "input D and output 1: the read was stopped and nothing of it was "
                               "taken over."});
    EXPECT_EQ(bank[2], ProgramImage{});
    // No read of the stopped transfer went out after the one that ended program 3.
    const Bytes last = Frames().back();
    EXPECT_EQ(std::vector<int>(last.begin() + 3, last.begin() + 7),
              (std::vector<int>{3, 2, 7, 0x77}));
}

TEST_F(UnitControllerTest, BlockOfTheWrongLengthIsAskedForAgainWithOneMessage) {
    Make();
    ConnectAndSettle();
    unit.shortBlocks = 1;
    ctl->ReadProgramFromDevice(0);
    Settle();
    EXPECT_EQ(view.programsReceived, 1);
    EXPECT_EQ(data.input(0).nameText(), "IN0");
    EXPECT_EQ(Texts(sink), std::vector<std::string>{"输入数据长度错误"});
    // The first input read went out twice: the second time after 20 ticks without an answer.
    int inputReads = 0;
    for (const Bytes& f : Frames())
        inputReads += f[1] == 0xA2 && f[4] == 1 && f[5] == 0;
    EXPECT_EQ(inputReads, 2);

    // A unit that only ever sends wrong blocks is given up, and the message says why.
    sink.messages.clear();
    unit.shortBlocks = 1000;
    ctl->ReadProgramFromDevice(0);
    for (int tick = 0; tick < 100 && ctl->IsConnected(); ++tick)
        TickAnswered();
    EXPECT_FALSE(ctl->IsConnected());
    EXPECT_EQ(Texts(sink),
              (std::vector<std::string>{"输入数据长度错误",
                                        "Unable to Open COM-Port\n\nThe unit with ID 1 on "
                                        "/dev/fake answered with channel blocks of the wrong "
                                        "length."}));
    EXPECT_EQ(view.programsReceived, 1);
}

TEST_F(UnitControllerTest, TickFindsAReplyCaughtInAFalseStartOnceTheLineIsQuiet) {
    Make();
    FrameAssembler::Clock::time_point now{};
    ctl->Command().SetClock([&] { return now; });
    ConnectAndSettle();
    const std::size_t meterReplies = view.meters.size();
    ctl->Tick(); // a meter poll on the line
    const Bytes poll = Frames().back();
    ASSERT_TRUE(IsMeterPoll(poll));
    // Noise that announces 139 payload bytes, then the unit's answer, in one read.
    Bytes line{0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x80};
    const Bytes answer = WithFiller(unit.Answer(poll), 2);
    line.insert(line.end(), answer.begin(), answer.end());
    m_port->QueueRead(line);
    ctl->OnLineEvent(kBytesEvent);
    EXPECT_EQ(view.meters.size(), meterReplies);
    now += std::chrono::milliseconds(100);
    const std::size_t sent = Frames().size();
    ctl->Tick(); // the false start has been quiet for 100 ms: the answer inside it counts
    EXPECT_EQ(view.meters.size(), meterReplies + 1);
    // The poll was answered, so this tick puts the next one on the line.
    EXPECT_EQ(Frames().size(), sent + 1);
}

TEST_F(UnitControllerTest, MeterLevelsReachTheViewAfterTheReceiveStep) {
    Make();
    ConnectAndSettle();
    unit.meterCodes = Bytes{0, 9, 12, 30, 17, 25, 20, 1, 2, 3, 4, 5};
    TickAnswered();
    ASSERT_FALSE(view.meters.empty());
    EXPECT_EQ(view.meters.back(), (MeterLevels{0, 9, 9, 25, 17, 25, 20, 1, 2, 3, 4, 5}));
    EXPECT_EQ(ctl->Meters(), view.meters.back());
}

TEST_F(UnitControllerTest, CopyChannelCopiesTheRecordAndQueuesItsBlockWhenConnected) {
    Make();
    data.input(0).setName("Kick");
    ctl->CopyChannel(0, 1, false); // disconnected: the record only
    EXPECT_EQ(data.input(1).nameText(), "Kick");
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    ConnectAndSettle();
    data.output(3).setGain(123);
    Settle();
    const int queued = ctl->Command().QueueCount();
    ctl->CopyChannel(3, 6, true);
    EXPECT_EQ(data.output(6).gain(), 123);
    ASSERT_EQ(ctl->Command().QueueCount(), queued + 1);
    const Bytes& block = ctl->Command().Queue().At(queued)->bytes;
    EXPECT_EQ(block[3], 0); // live settings
    EXPECT_EQ(block[4], 2);
    EXPECT_EQ(block[5], 6);
    EXPECT_EQ(block[8], 80);
    EXPECT_EQ(view.copies, (std::vector<std::pair<bool, int>>{{false, 1}, {true, 6}}));
    ctl->CopyChannel(3, 3, true); // same channel: nothing
    EXPECT_EQ(view.copies.size(), 2u);
}

TEST_F(UnitControllerTest, InputSourceAndGlobalSettingsAreQueuedOnlyWhereTheyExist) {
    Make();
    ConnectAndSettle();
    const int queued = ctl->Command().QueueCount();
    ctl->SetInputSource(1, true);
    ctl->SendGlobalSetting(22);
    ctl->SendGlobalSetting(3); // not a setting: nothing
    const RequestQueue& queue = ctl->Command().Queue();
    ASSERT_EQ(queue.Count(), queued + 2);
    EXPECT_EQ(queue.At(queued)->bytes[5], 0x01);
    EXPECT_EQ(queue.At(queued)->bytes[9], 1);
    EXPECT_EQ(queue.At(queued + 1)->bytes[5], 0x16);
    EXPECT_EQ(view.sources, std::vector<int>{1});

    ProgramContainer small;
    ProgramBank smallBank{};
    UnitController other(3, small, smallBank, view, &sink, std::make_unique<FakePort>());
    ASSERT_TRUE(other.Connect("/dev/fake2", 1, false));
    const int otherQueued = other.Command().QueueCount();
    other.SetInputSource(1, true); // a 2x4 has no input source to show or send
    EXPECT_EQ(other.Command().QueueCount(), otherQueued);
    EXPECT_EQ(small.inputSource(), 0);
}

// ---- Edits of the tool dialogs ----------------------------------------------------------------

TEST_F(UnitControllerTest, UnitWideSettingsAreStoredAndSentOnceAtOnceWhileConnected) {
    Make(2);
    unit.type = 2;
    ctl->SetTemperature(31); // disconnected: stored only
    EXPECT_EQ(data.temperature(), 31);
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
    ConnectAndSettle();

    struct Row {
        const char* what;
        std::function<void()> edit;
        int code;
        std::function<bool()> stored;
    };
    const std::string longLine = "0123456789abcdefXYZW";
    const Row rows[] = {
        {"temperature 25C", [&] { ctl->SetTemperature(25); }, 0x16,
         [&] { return data.temperature() == 25; }},
        {"temperature above 50C", [&] { ctl->SetTemperature(80); }, 0x16,
         [&] { return data.temperature() == 50; }},
        {"backlight timed", [&] { ctl->SetBacklight(1); }, 0x14,
         [&] { return data.backlight() == 1; }},
        {"backlight out of range", [&] { ctl->SetBacklight(-3); }, 0x14,
         [&] { return data.backlight() == 0; }},
        // A 3x6 keeps 16 characters of each interface line, in lines 2 and 3 of line set B.
        {"interface lines", [&] { ctl->SetInterfaceLines("Front of house", longLine); }, 0x10,
         [&] {
             return data.lineSetB(0).empty() && data.lineSetB(1) == "Front of house" &&
                    data.lineSetB(2) == longLine.substr(0, 16) && data.lineSetB(3).empty();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const int queued = ctl->Command().QueueCount();
        row.edit();
        EXPECT_TRUE(row.stored());
        EXPECT_EQ(view.unitSettings.back(), row.code);
        ASSERT_EQ(ctl->Command().QueueCount(), queued + 1);
        const Bytes& frame = ctl->Command().Queue().At(queued)->bytes;
        EXPECT_EQ(frame[1], 0xA1);
        EXPECT_EQ(frame[4], 3);
        EXPECT_EQ(frame[5], row.code);
        Settle();
    }
}

TEST_F(UnitControllerTest, RestoredSettingsQueueUnitSettingsAtOnceAndChannelsByTheScan) {
    Make();
    ConnectAndSettle();
    const SettingsSnapshot before = TakeSnapshot(data);
    ctl->SetBacklight(1 - data.backlight());
    ctl->SetInputSource(1 - data.inputSource(), true);
    data.output(3).setGain(500);
    Settle();
    const std::size_t sent = Frames().size();

    const SnapshotChanges changes = ctl->RestoreSettings(before);
    EXPECT_EQ(TakeSnapshot(data), before);
    EXPECT_EQ(changes.outputs, 1u << 3);
    EXPECT_TRUE(changes.backlight && changes.inputSource);
    EXPECT_FALSE(changes.temperature || changes.interfaceLines);
    Settle();
    std::vector<Bytes> restored;
    const auto frames = Frames();
    for (std::size_t i = sent; i < frames.size(); ++i)
        if (!IsMeterPoll(frames[i]))
            restored.push_back(frames[i]);
    const RequestFrames build(data);
    EXPECT_EQ(restored, (std::vector<Bytes>{build.sourceFrame().bytes, build.backlightFrame().bytes,
                                            build.outputLevelFrame(3).bytes}));

    // Disconnected, the settings change and nothing is queued.
    ctl->Disconnect();
    ctl->SetBacklight(1 - data.backlight());
    EXPECT_TRUE(ctl->RestoreSettings(before).backlight);
    EXPECT_EQ(ctl->Command().QueueCount(), 0);
}

TEST_F(UnitControllerTest, ChannelNameGoesThroughTheRecordAndOutWithTheNextTicks) {
    Make(3);
    unit.type = 3;
    ConnectAndSettle();
    const int queued = ctl->Command().QueueCount();
    EXPECT_TRUE(ctl->SetChannelName(true, 2, "Sub Left"));
    EXPECT_EQ(data.output(2).nameText(), "Sub Left");
    EXPECT_EQ(view.renames, (std::vector<std::pair<bool, int>>{{true, 2}}));
    EXPECT_EQ(ctl->Command().QueueCount(), queued); // not queued directly: the scan finds it
    const std::size_t before = Frames().size();
    Settle();
    const auto frames = Frames();
    const auto name = std::find_if(frames.begin() + static_cast<long>(before), frames.end(),
                                   [](const Bytes& f) { return f[1] == 0xA1 && f[4] == 2; });
    ASSERT_NE(name, frames.end());
    EXPECT_EQ((*name)[5], 2);
    EXPECT_EQ(Bytes(name->begin() + 9, name->begin() + 17), Text("Sub Left", 8));

    // The same name, or a channel the 2x4 does not have, changes nothing.
    EXPECT_FALSE(ctl->SetChannelName(true, 2, "Sub Left"));
    EXPECT_FALSE(ctl->SetChannelName(true, 4, "Gone"));
    EXPECT_FALSE(ctl->SetChannelName(false, 2, "Gone"));
    EXPECT_EQ(data.output(4).nameText(), "5");
    EXPECT_EQ(view.renames.size(), 1u);
    EXPECT_EQ(data.output(2).nameChanged(), 0);
}

} // namespace
