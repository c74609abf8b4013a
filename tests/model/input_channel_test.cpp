// Input channel record: defaults, names, change flags, the pixel curve and copying.

#include "model/InputChannel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "model/ProgramContainer.h"

namespace {

constexpr int kPlotWidth = 600;
constexpr int kPlotHeight = 300;

// y pixel of a level on a 300-pixel plot, written out from the graph rule: +20 dB at the top,
// -40 dB at the bottom, 10 pixels of offset.
int YOf(double dB) {
    return static_cast<int>(kPlotHeight / 60.0 * (20.0 - dB) + 0.5) + 10;
}

struct Flags {
    int name, main, gate;
    bool operator==(const Flags&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Flags& f) {
    return os << "{name " << f.name << " main " << f.main << " gate " << f.gate << "}";
}

Flags FlagsOf(const InputChannel& in) {
    return {in.nameChanged(), in.mainChanged(), in.gateChanged()};
}

} // namespace

TEST(AudioInData, NewInputAHasItsDefaultsAndOnlyNameAndCrossoverFlagsRaised) {
    ProgramContainer data;
    const InputChannel& a = data.input(0);
    EXPECT_EQ(a.nameText(), "A");
    EXPECT_EQ(a.on(), 1);
    EXPECT_EQ(a.stateText(), "On");
    EXPECT_EQ(a.polarityText(), "+Normal");
    EXPECT_EQ(a.gain(), 400);
    EXPECT_EQ(a.gainText(), "0.0");
    EXPECT_EQ(a.delayText(), "0.0000ms");
    EXPECT_EQ(a.gateThreshold(), 120);
    EXPECT_EQ(a.gateText(), "0.0");
    EXPECT_EQ(a.gateOff(), 0);
    EXPECT_EQ(a.nameCode(), 11);
    EXPECT_EQ(a.mainCode(), 8);
    EXPECT_EQ(a.gateCode(), 10);
    EXPECT_EQ(a.filterCount(), 10);
    EXPECT_EQ(FlagsOf(a), (Flags{1, 0, 0}));
    for (int f = 0; f < a.filterCount(); ++f)
        EXPECT_EQ(a.filter(f).changed(), f >= 8 ? 1 : 0) << "filter " << f;
    EXPECT_EQ(a.highPass().type(), Filter::kHighPass);
    EXPECT_EQ(a.highPass().frequency(), 10);
    EXPECT_EQ(a.lowPass().type(), Filter::kLowPass);
    EXPECT_EQ(a.lowPass().frequency(), 30000);
}

TEST(AudioInData, NamesKeepEightCharactersLiterally) {
    InputChannel in;
    in.setName("Twelve chars");
    EXPECT_EQ(in.nameText(), "Twelve c");
    in.setName("50%d %s");
    EXPECT_EQ(in.nameText(), "50%d %s");
    in.setName("Hi");
    const ChannelName expected{'H', 'i', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(in.name(), expected);
    in.setName("");
    EXPECT_EQ(in.nameText(), "");
}

TEST(AudioInData, EachSetterRaisesOnlyItsGroupFlag) {
    struct Case {
        const char* what;
        std::function<void(InputChannel&)> set;
        Flags raised;
    };
    const Case cases[] = {
        {"name", [](InputChannel& r) { r.setName("X"); }, {1, 0, 0}},
        {"on", [](InputChannel& r) { r.setOn(0); }, {0, 1, 0}},
        {"polarity", [](InputChannel& r) { r.setPolarity(1); }, {0, 1, 0}},
        {"delay", [](InputChannel& r) { r.setDelay(100); }, {0, 1, 0}},
        {"gain", [](InputChannel& r) { r.setGain(410); }, {0, 1, 0}},
        {"reserved A", [](InputChannel& r) { r.setReservedA(3); }, {0, 1, 0}},
        {"reserved B", [](InputChannel& r) { r.setReservedB(3); }, {0, 0, 0}},
        {"gate threshold", [](InputChannel& r) { r.setGateThreshold(60); }, {0, 0, 1}},
        {"gate off", [](InputChannel& r) { r.setGateOff(1); }, {0, 0, 1}},
        {"present", [](InputChannel& r) { r.setPresent(0); }, {0, 0, 0}},
        {"index", [](InputChannel& r) { r.setIndex(2); }, {0, 0, 0}},
        {"overlay", [](InputChannel& r) { r.setOverlayOutput(3, 0); }, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        InputChannel in;
        c.set(in);
        EXPECT_EQ(FlagsOf(in), c.raised) << c.what;
    }
}

TEST(AudioInData, GateTextSaysDisableWhileTheGateIsOff) {
    InputChannel in;
    in.setGateThreshold(90);
    EXPECT_EQ(in.gateText(), "-30.0");
    in.setGateOff(1);
    EXPECT_EQ(in.gateText(), "Disable");
}

TEST(AudioInData, CurveFollowsGainAndBandsButNotTheCrossoverPair) {
    InputChannel in;
    in.setGraphRect(GraphRect{0, 0, kPlotWidth, kPlotHeight});
    const ChannelCurve& curve = in.curve();
    EXPECT_EQ(curve[0].x, 35);
    EXPECT_EQ(curve[240].x, 35 + kPlotWidth);
    EXPECT_EQ(curve[139].x, 35 + static_cast<int>((std::log10(1013.4) - 1) *
                                                  (kPlotWidth / (std::log10(30000.0) - 1))));
    for (const GraphPoint& p : curve)
        ASSERT_EQ(p.y, YOf(0.0));

    in.setGain(460); // +6 dB on a 4x8: the whole curve moves up by 6 dB worth of pixels
    EXPECT_EQ(in.levelOffset(), YOf(6.0));
    for (const GraphPoint& p : curve)
        ASSERT_EQ(p.y, YOf(6.0));

    const ChannelCurve before = curve;
    in.lowPass().setFrequency(1000);
    in.highPass().setFrequency(500);
    in.recomputeCurve();
    EXPECT_EQ(in.curve(), before);

    Filter& band = in.filter(2);
    band.setFrequency(1000);
    band.setGainIndex(360); // +6 dB
    band.setBandwidthIndex(50);
    in.recomputeCurve();
    for (int i : {0, 120, 139, 160, 240}) {
        // Pixel of the band's level, then shifted by the gain's pixel offset.
        const int expected = YOf(band.responseAt(i)) + YOf(6.0) - YOf(0.0);
        EXPECT_EQ(curve[static_cast<std::size_t>(i)].y, expected) << "point " << i;
    }
    EXPECT_LT(curve[139].y, YOf(6.0));
}

TEST(AudioInData, CopyFromTakesStoredValuesButNotIdentityOrFlags) {
    ProgramContainer data;
    data.clearChangeFlags();
    InputChannel& source = data.input(0);
    source.setName("Source");
    source.setOn(0);
    source.setPolarity(1);
    source.setDelay(777);
    source.setGain(321);
    source.setReservedA(5);
    source.setReservedB(6);
    source.setGateThreshold(44);
    source.setGateOff(1);
    source.filter(4).setFrequency(4321);
    source.highPass().setFrequency(120);

    InputChannel& target = data.input(3);
    target.setPresent(0);
    target.setGateChanged(1);
    target.copyFrom(source);
    EXPECT_EQ(target.nameText(), "Source");
    EXPECT_EQ(target.on(), 0);
    EXPECT_EQ(target.polarity(), 1);
    EXPECT_EQ(target.delay(), 777);
    EXPECT_EQ(target.gain(), 321);
    EXPECT_EQ(target.reservedA(), 5);
    EXPECT_EQ(target.reservedB(), 6);
    EXPECT_EQ(target.gateThreshold(), 44);
    EXPECT_EQ(target.gateOff(), 1);
    EXPECT_EQ(target.filter(4).frequency(), 4321);
    EXPECT_EQ(target.highPass().frequency(), 120);
    EXPECT_EQ(target.highPass().sentFrequency(), 120);
    // Identity and flags stay the target's.
    EXPECT_EQ(target.index(), 3);
    EXPECT_EQ(target.present(), 0);
    EXPECT_EQ(target.curveColour(), (CurveColour{34, 188, 211}));
    EXPECT_EQ(FlagsOf(target), (Flags{0, 0, 1}));
    EXPECT_EQ(target.filter(4).changed(), 0);
    EXPECT_EQ(target.filter(4).code(), 4);
    EXPECT_EQ(target.highPass().code(), 9);
}
