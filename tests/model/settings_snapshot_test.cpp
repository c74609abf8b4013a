// Snapshots of the settings an operator edits: applying one writes exactly the values that
// differ (so exactly their frames go out), replaying a step onto settings changed elsewhere, and
// the A/B comparison kept on them.

#include "model/SettingsSnapshot.h"

#include "model/SettingsComparison.h"
#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Section, channel and parameter of a frame: which group of which channel the scan sent.
struct Sent {
    int section;
    int channel;
    int parameter;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << "{" << s.section << ", " << s.channel << ", " << s.parameter << "}";
}

bool IsMeterPoll(const Request& frame) {
    return frame.bytes[1] == 0xA2 && frame.bytes[4] == 3 && frame.bytes[5] == 0x02;
}

// Every frame the scan yields before it falls back to the meter poll.
std::vector<Request> Drain(ProgramContainer& data) {
    std::vector<Request> frames;
    for (int guard = 0; guard < 1000; ++guard) {
        Request frame = NextPendingRequest(data);
        if (IsMeterPoll(frame))
            return frames;
        frames.push_back(std::move(frame));
    }
    ADD_FAILURE() << "the scan never fell back to the meter poll";
    return frames;
}

std::vector<Sent> DrainSent(ProgramContainer& data) {
    std::vector<Sent> sent;
    for (const Request& frame : Drain(data))
        sent.push_back({frame.bytes[4], frame.bytes[5], frame.bytes[6]});
    return sent;
}

constexpr int kInput = 1;
constexpr int kOutput = 2;

// A container of `type` holding settings away from the defaults, every flag lowered: band 3 of
// output 1 is off but keeps +5.0 dB, output 2's high-pass stands at 100 Hz.
void Prepare(ProgramContainer& data, int type = kDeviceType4x8) {
    data.setDeviceType(type);
    data.input(0).setGain(380);
    data.input(2).filter(1).setGainIndex(420);
    data.output(1).filter(3).setGainIndex(350);
    data.output(1).filter(3).setOff(1);
    data.output(2).highPass().setFrequency(100);
    data.output(5).setName("Sub");
    data.setBacklight(1);
    Drain(data);
}

TEST(SettingsSnapshot, ApplyingEqualSettingsWritesAndSendsNothing) {
    for (int type : {kDeviceType4x8, kDeviceType3x6, kDeviceType2x4}) {
        SCOPED_TRACE(type);
        ProgramContainer data;
        Prepare(data, type);
        const SettingsSnapshot same = TakeSnapshot(data);
        EXPECT_EQ(ApplySnapshot(data, same), SnapshotChanges{});
        EXPECT_TRUE(Drain(data).empty());
        EXPECT_EQ(TakeSnapshot(data), same);
    }
}

struct EditCase {
    const char* what;
    std::function<void(ProgramContainer&)> edit;
    std::vector<Sent> sent;   // what restoring the earlier settings sends, in scan order
    std::uint32_t inputs = 0; // channels reported changed
    std::uint32_t outputs = 0;
};

class SettingsRestoreTest : public testing::TestWithParam<EditCase> {};

// An edit, then the settings from before it applied: the container holds them exactly again,
// and only the groups the edit touched go out once more.
TEST_P(SettingsRestoreTest, RestoresTheSettingsAndSendsOnlyTheEditedGroups) {
    const EditCase& c = GetParam();
    ProgramContainer data;
    Prepare(data);
    const SettingsSnapshot before = TakeSnapshot(data);
    c.edit(data);
    Drain(data);
    ASSERT_NE(TakeSnapshot(data), before) << "the edit changed nothing";

    const SnapshotChanges changes = ApplySnapshot(data, before);
    EXPECT_EQ(TakeSnapshot(data), before);
    EXPECT_EQ(changes.inputs, c.inputs);
    EXPECT_EQ(changes.outputs, c.outputs);
    EXPECT_FALSE(changes.UnitSettingsChanged());
    EXPECT_EQ(DrainSent(data), c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    OneOfEachKind, SettingsRestoreTest,
    testing::Values(
        EditCase{
            "InputName", [](auto& d) { d.input(3).setName("Vocal"); }, {{kInput, 3, 11}}, 1u << 3},
        EditCase{"GainMuteAndPolarityShareTheLevelFrame",
                 [](auto& d) {
                     d.output(4).setGain(420);
                     d.output(4).setOn(0);
                     d.output(4).setPolarity(1);
                 },
                 {{kOutput, 4, 6}},
                 0,
                 1u << 4},
        EditCase{"Delay", [](auto& d) { d.input(1).setDelay(960); }, {{kInput, 1, 8}}, 1u << 1},
        EditCase{
            "GateSwitch", [](auto& d) { d.input(2).setGateOff(1); }, {{kInput, 2, 10}}, 1u << 2},
        EditCase{"MixOfAnOutput",
                 [](auto& d) { d.output(3).setMix(0x6); },
                 {{kOutput, 3, 6}},
                 0,
                 1u << 3},
        EditCase{"BandTypeAndFrequency",
                 [](auto& d) {
                     d.input(2).filter(1).setType(Filter::kHighShelf);
                     d.input(2).filter(1).setFrequency(8000);
                 },
                 {{kInput, 2, 1}},
                 1u << 2},
        EditCase{"BandSwitchedOnAgainKeepsItsGainWhenRestoredOff",
                 [](auto& d) { d.output(1).filter(3).setOff(0); },
                 {{kOutput, 1, 3}},
                 0,
                 1u << 1},
        EditCase{"BandwidthOfAnOutputBand",
                 [](auto& d) { d.output(0).filter(5).setBandwidthIndex(40); },
                 {{kOutput, 0, 5}},
                 0,
                 1u << 0},
        EditCase{"LimiterFieldsShareTheLimiterFrame",
                 [](auto& d) {
                     d.output(6).setDynamicsType(OutputChannel::kDynamicsCompressor);
                     d.output(6).setThreshold(250);
                     d.output(6).setRatio(3);
                 },
                 {{kOutput, 6, 8}},
                 0,
                 1u << 6},
        EditCase{"CrossoverKindWithinItsFrame",
                 [](auto& d) { d.output(7).lowPass().setKind(Filter::kBessel); },
                 {{kOutput, 7, 7}},
                 0,
                 1u << 7},
        EditCase{"CopyOfAChannelGoesBackGroupByGroup",
                 [](auto& d) {
                     d.output(0).copyFrom(d.output(5)); // name "Sub" only differs
                 },
                 {{kOutput, 0, 9}},
                 0,
                 1u << 0},
        EditCase{"TwoChannelsInScanOrder",
                 [](auto& d) {
                     d.output(0).setGain(500);
                     d.input(3).setPolarity(1);
                 },
                 {{kInput, 3, 8}, {kOutput, 0, 6}},
                 1u << 3,
                 1u << 0}),
    [](const testing::TestParamInfo<EditCase>& info) { return info.param.what; });

int Word(const Request& frame, std::size_t payloadOffset) {
    return frame.bytes[9 + payloadOffset] | (frame.bytes[10 + payloadOffset] << 8);
}

TEST(SettingsSnapshot, CrossoverGoesBackOneOctavePerFrame) {
    ProgramContainer data;
    Prepare(data); // output 3's high-pass at 100 Hz, sent
    const SettingsSnapshot before = TakeSnapshot(data);
    data.output(2).highPass().setFrequency(1600);
    Drain(data);

    ApplySnapshot(data, before);
    std::vector<int> highPass;
    for (const Request& frame : Drain(data)) {
        ASSERT_EQ((Sent{frame.bytes[4], frame.bytes[5], frame.bytes[6]}), (Sent{kOutput, 2, 7}));
        highPass.push_back(Word(frame, 0));
    }
    EXPECT_EQ(highPass, (std::vector<int>{800, 400, 200, 100, 100}));
}

TEST(SettingsSnapshot, UnitSettingsAndTheProgramNameChangeWithoutAFrame) {
    ProgramContainer data;
    Prepare(data);
    const SettingsSnapshot before = TakeSnapshot(data);
    data.setProgramName("Church");
    data.setInputSource(1);
    data.setTemperature(40);
    data.setLineSetB(kFirstInterfaceLine + 1, "Hall B");
    data.setLineSetB(0, "not an interface line");

    const SnapshotChanges changes = ApplySnapshot(data, before);
    EXPECT_TRUE(changes.programName);
    EXPECT_TRUE(changes.inputSource);
    EXPECT_FALSE(changes.backlight);
    EXPECT_TRUE(changes.temperature);
    EXPECT_TRUE(changes.interfaceLines);
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(data.inputSource(), 0);
    EXPECT_EQ(data.temperature(), 25);
    EXPECT_EQ(data.lineSetB(kFirstInterfaceLine + 1), "");
    EXPECT_EQ(data.lineSetB(0), "not an interface line"); // not the operator's to edit
    EXPECT_TRUE(Drain(data).empty());                     // the caller sends the unit-wide settings
}

TEST(SettingsSnapshot, ChannelsTheModelLacksTakeTheirValuesSilently) {
    ProgramContainer data;
    Prepare(data, kDeviceType2x4);
    const SettingsSnapshot before = TakeSnapshot(data);
    data.output(6).setGain(500);
    data.output(6).highPass().setFrequency(2000);
    data.input(3).setGateThreshold(40);
    data.output(1).setGain(300); // a channel the 2x4 has
    Drain(data);

    const SnapshotChanges changes = ApplySnapshot(data, before);
    EXPECT_EQ(TakeSnapshot(data), before);
    EXPECT_EQ(changes.outputs, (1u << 6) | (1u << 1));
    EXPECT_EQ(changes.inputs, 1u << 3);
    EXPECT_EQ(DrainSent(data), (std::vector<Sent>{{kOutput, 1, 6}}));
}

TEST(SettingsSnapshot, ReplayedStepLeavesWhatChangedElsewhere) {
    ProgramContainer data;
    Prepare(data);
    const SettingsSnapshot from = TakeSnapshot(data);
    data.output(1).setGain(450);
    data.setTemperature(30);
    const SettingsSnapshot to = TakeSnapshot(data);
    // Meanwhile, outside the step: input 0, the name and the backlight change.
    data.input(0).setGain(300);
    data.setProgramName("Later");
    data.setBacklight(0);
    const SettingsSnapshot base = TakeSnapshot(data);

    // Undoing the step: the step's parts go back, the later changes stay.
    const SettingsSnapshot undone = ReplayChangedParts(base, to, from);
    EXPECT_EQ(undone.program.outputs[1], from.program.outputs[1]);
    EXPECT_EQ(undone.unit.temperature, from.unit.temperature);
    EXPECT_EQ(undone.program.inputs[0], base.program.inputs[0]);
    EXPECT_EQ(undone.program.name, "Later");
    EXPECT_EQ(undone.unit.backlight, 0);
    // Redoing it on top gives the later settings back.
    EXPECT_EQ(ReplayChangedParts(undone, from, to), base);
}

// ---- A/B comparison -------------------------------------------------------------------------

using Slot = SettingsComparison::Slot;

SettingsSnapshot Settings(int outputGain) {
    ProgramContainer data;
    data.output(0).setGain(outputGain);
    return TakeSnapshot(data);
}

TEST(SettingsComparison, SwitchesOnlyBetweenTwoStoredSettings) {
    const SettingsSnapshot a = Settings(300), b = Settings(350), edited = Settings(360);
    SettingsComparison ab;
    EXPECT_EQ(ab.StatusText(a), "A/B: none");
    EXPECT_EQ(ab.SwitchTarget(a), std::nullopt);

    ab.Store(Slot::A, a);
    EXPECT_EQ(ab.StatusText(a), "A/B: A live");
    EXPECT_EQ(ab.StatusText(edited), "A/B: A edited");
    EXPECT_EQ(ab.SwitchTarget(edited), std::nullopt);

    ab.Store(Slot::B, b);
    EXPECT_EQ(ab.StatusText(b), "A/B: B live, A stored");
    EXPECT_EQ(ab.SwitchTarget(b), Slot::A);
    EXPECT_EQ(ab.Settings(Slot::A), a);
}

TEST(SettingsComparison, LiveSlotIsReadFromTheSettings) {
    const SettingsSnapshot a = Settings(300), b = Settings(350), edited = Settings(360);
    SettingsComparison ab;
    ab.Store(Slot::A, a);
    ab.Store(Slot::B, b);
    ab.SwitchedTo(Slot::A);
    // Back on B's settings (an undone switch) although A was switched to last: B is live.
    EXPECT_EQ(ab.StatusText(b), "A/B: B live, A stored");
    EXPECT_EQ(ab.SwitchTarget(b), Slot::A);
    // Neither: edits of the slot last switched to, and the switch goes to the other one.
    EXPECT_EQ(ab.StatusText(edited), "A/B: A edited, B stored");
    EXPECT_EQ(ab.SwitchTarget(edited), Slot::B);
}

} // namespace
