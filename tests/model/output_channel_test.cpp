// Output channel record: defaults, change flags, limiter texts and automatic attack, mix texts,
// the pixel curve and copying.

#include "model/OutputChannel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "model/ProgramContainer.h"

namespace {

constexpr int kPlotHeight = 300;

int YOf(double dB) {
    return static_cast<int>(kPlotHeight / 60.0 * (20.0 - dB) + 0.5) + 10;
}

struct Flags {
    int name, main, dynamics;
    bool operator==(const Flags&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Flags& f) {
    return os << "{name " << f.name << " main " << f.main << " dynamics " << f.dynamics << "}";
}

Flags FlagsOf(const OutputChannel& out) {
    return {out.nameChanged(), out.mainChanged(), out.dynamicsChanged()};
}

} // namespace

TEST(AudioOutData, NewOutput1HasItsDefaults) {
    ProgramContainer data;
    const OutputChannel& out = data.output(0);
    EXPECT_EQ(out.nameText(), "1");
    EXPECT_EQ(out.mix(), 1);
    EXPECT_EQ(out.mixText(0), "On");
    EXPECT_EQ(out.mixText(1), "Off");
    EXPECT_EQ(out.gain(), 400);
    EXPECT_EQ(out.gainText(), "0.0");
    EXPECT_EQ(out.threshold(), 400);
    EXPECT_EQ(out.thresholdText(), "10.0");
    EXPECT_EQ(out.attack(), 0);
    EXPECT_EQ(out.attackText(), "0.3");
    EXPECT_EQ(out.releaseText(), "2X");
    EXPECT_EQ(out.clipLimit(), 20);
    EXPECT_EQ(out.ratio(), 0);
    EXPECT_EQ(out.dynamicsTypeText(), "Limit");
    EXPECT_EQ(out.dynamicsMode(), OutputChannel::kModeManual);
    EXPECT_EQ(out.nameCode(), 9);
    EXPECT_EQ(out.mainCode(), 6);
    EXPECT_EQ(out.dynamicsCode(), 8);
    EXPECT_EQ(out.filterCount(), 8);
    EXPECT_EQ(FlagsOf(out), (Flags{1, 0, 0}));
    EXPECT_EQ(out.highPass().code(), 7);
    EXPECT_EQ(out.lowPass().code(), 7);
}

TEST(AudioOutData, EachSetterRaisesOnlyItsGroupFlag) {
    struct Case {
        const char* what;
        std::function<void(OutputChannel&)> set;
        Flags raised;
    };
    const Case cases[] = {
        {"name", [](OutputChannel& r) { r.setName("X"); }, {1, 0, 0}},
        {"on", [](OutputChannel& r) { r.setOn(0); }, {0, 1, 0}},
        {"polarity", [](OutputChannel& r) { r.setPolarity(1); }, {0, 1, 0}},
        {"mix", [](OutputChannel& r) { r.setMix(15); }, {0, 1, 0}},
        {"delay", [](OutputChannel& r) { r.setDelay(3); }, {0, 1, 0}},
        {"gain", [](OutputChannel& r) { r.setGain(500); }, {0, 1, 0}},
        {"threshold", [](OutputChannel& r) { r.setThreshold(10); }, {0, 0, 1}},
        {"attack", [](OutputChannel& r) { r.setAttack(10); }, {0, 0, 1}},
        {"release", [](OutputChannel& r) { r.setRelease(2); }, {0, 0, 1}},
        {"clip limit", [](OutputChannel& r) { r.setClipLimit(2); }, {0, 0, 1}},
        {"ratio", [](OutputChannel& r) { r.setRatio(2); }, {0, 0, 1}},
        {"type", [](OutputChannel& r) { r.setDynamicsType(1); }, {0, 0, 1}},
        {"mode", [](OutputChannel& r) { r.setDynamicsMode(1); }, {0, 0, 1}},
        {"present", [](OutputChannel& r) { r.setPresent(0); }, {0, 0, 0}},
        {"overlay", [](OutputChannel& r) { r.setOverlayInput(1, 0); }, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        OutputChannel out;
        c.set(out);
        EXPECT_EQ(FlagsOf(out), c.raised) << c.what;
    }
}

TEST(AudioOutData, AutomaticAttackFollowsTheHighPassFrequency) {
    const std::pair<int, int> cases[] = {{10, 51}, {30, 51},  {31, 22},  {62, 22},  {63, 14},
                                         {80, 14}, {124, 14}, {125, 8},  {499, 8},  {500, 7},
                                         {999, 7}, {1000, 2}, {1999, 2}, {2000, 0}, {30000, 0}};
    OutputChannel out;
    out.setAttack(33);
    out.setRelease(1);
    for (auto [hz, attack] : cases) {
        out.highPass().setFrequency(hz);
        EXPECT_EQ(out.autoAttack(), attack) << hz << " Hz";
        out.setDynamicsMode(OutputChannel::kModeAuto);
        EXPECT_EQ(out.wireAttack(), attack) << hz << " Hz";
        EXPECT_EQ(out.wireRelease(), 4);
        out.setDynamicsMode(OutputChannel::kModeManual);
        EXPECT_EQ(out.wireAttack(), 33);
        EXPECT_EQ(out.wireRelease(), 1);
    }
    EXPECT_EQ(out.attack(), 33) << "the automatic attack is never stored";
}

TEST(AudioOutData, LimiterTextsDependOnTypeAndMode) {
    struct Case {
        const char* what;
        int type, mode;
        const char *attack, *release, *clip, *ratio, *mode_, *typeText;
    };
    const Case cases[] = {
        {"limit manual", 0, 0, "1", "6X", "", "", "", "Limit"},
        {"limit auto", 0, 1, "1", "6X", "", "", "", "Limit"},
        {"compressor manual", 1, 0, "1", "6X", "5.0", "1:8", "Manual", "Compressor"},
        {"compressor auto", 1, 1, "", "", "5.0", "1:8", "Auto", "Compressor"},
    };
    for (const Case& c : cases) {
        OutputChannel out;
        out.setThreshold(250);
        out.setAttack(7);
        out.setRelease(2);
        out.setClipLimit(30);
        out.setRatio(3);
        out.setDynamicsType(c.type);
        out.setDynamicsMode(c.mode);
        EXPECT_EQ(out.thresholdText(), "-5.0") << c.what;
        EXPECT_EQ(out.attackText(), c.attack) << c.what;
        EXPECT_EQ(out.releaseText(), c.release) << c.what;
        EXPECT_EQ(out.clipLimitText(), c.clip) << c.what;
        EXPECT_EQ(out.ratioText(), c.ratio) << c.what;
        EXPECT_EQ(out.dynamicsModeText(), c.mode_) << c.what;
        EXPECT_EQ(out.dynamicsTypeText(), c.typeText) << c.what;
    }
}

TEST(AudioOutData, MixTextsShowEachInputsBit) {
    OutputChannel out;
    out.setMix(0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out.mixText(i), "Off") << i;
    out.setMix(0b1010);
    EXPECT_EQ(out.mixText(0), "Off");
    EXPECT_EQ(out.mixText(1), "On");
    EXPECT_EQ(out.mixText(2), "Off");
    EXPECT_EQ(out.mixText(3), "On");
    EXPECT_EQ(out.mixText(4), "");
}

TEST(AudioOutData, CurveIncludesTheCrossoverFilters) {
    OutputChannel out;
    out.setGraphRect(GraphRect{0, 0, 600, kPlotHeight});
    for (const GraphPoint& p : out.curve())
        ASSERT_EQ(p.y, YOf(0.0));
    out.lowPass().setKind(Filter::kButterworth);
    out.lowPass().setSlope(Filter::kSlope24);
    out.lowPass().setFrequency(1000);
    out.recomputeCurve();
    const ChannelCurve& curve = out.curve();
    for (int i : {0, 100, 139, 160, 181, 240})
        EXPECT_EQ(curve[static_cast<std::size_t>(i)].y, YOf(out.lowPass().responseAt(i)))
            << "point " << i;
    EXPECT_EQ(curve[0].y, YOf(0.0));
    EXPECT_GT(curve[160].y, YOf(-20.0)); // about -25 dB an octave above the corner

    out.setDeviceType(2); // gain back to 0 dB on a 3x6
    out.setGain(380);     // +2 dB on a 3x6
    EXPECT_EQ(out.curve()[0].y, YOf(2.0));
}

TEST(AudioOutData, CopyFromTakesStoredValuesButNotIdentityOrFlags) {
    ProgramContainer data;
    data.clearChangeFlags();
    OutputChannel& source = data.output(1);
    source.setName("Sub");
    source.setOn(0);
    source.setPolarity(1);
    source.setDelay(1234);
    source.setGain(222);
    source.setMix(12);
    source.setThreshold(111);
    source.setAttack(22);
    source.setRelease(5);
    source.setClipLimit(44);
    source.setRatio(7);
    source.setDynamicsType(1);
    source.setDynamicsMode(1);
    source.filter(5).setGainIndex(410);
    source.lowPass().setFrequency(90);

    OutputChannel& target = data.output(6);
    target.copyFrom(source);
    EXPECT_EQ(target.nameText(), "Sub");
    EXPECT_EQ(target.on(), 0);
    EXPECT_EQ(target.polarity(), 1);
    EXPECT_EQ(target.delay(), 1234);
    EXPECT_EQ(target.gain(), 222);
    EXPECT_EQ(target.mix(), 12);
    EXPECT_EQ(target.threshold(), 111);
    EXPECT_EQ(target.attack(), 22);
    EXPECT_EQ(target.release(), 5);
    EXPECT_EQ(target.clipLimit(), 44);
    EXPECT_EQ(target.ratio(), 7);
    EXPECT_EQ(target.dynamicsType(), 1);
    EXPECT_EQ(target.dynamicsMode(), 1);
    EXPECT_EQ(target.filter(5).gainIndex(), 410);
    EXPECT_EQ(target.lowPass().frequency(), 90);
    EXPECT_EQ(target.index(), 6);
    EXPECT_EQ(target.curveColour(), (CurveColour{255, 128, 192}));
    EXPECT_EQ(FlagsOf(target), (Flags{0, 0, 0}));
    EXPECT_EQ(target.filter(5).changed(), 0);
}
