// The editing rules shared by the channel editors and the command-line client: what is written,
// corrected or refused, and which change flags an edit raises.

#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace ChannelEditRules;

namespace {

// A program of one model with its change flags cleared, so a test sees only its own edit.
struct Program {
    explicit Program(int deviceType) {
        data.setDeviceType(deviceType);
        data.clearChangeFlags();
    }
    ProgramContainer data;
};

} // namespace

TEST(ChannelEditRules, HighPassNeverLiesAboveTheLowPass) {
    struct Case {
        const char* name;
        Crossover which;
        int highPass, lowPass; // stored before the edit
        int asked;
        int stored; // frequency of the edited filter afterwards
        Edit edit;
    };
    const Case cases[] = {
        {"high-pass typed above the low-pass gets the low-pass's", Crossover::HighPass, 100, 5000,
         8000, 5000, Edit::Corrected},
        {"low-pass typed below the high-pass gets the high-pass's", Crossover::LowPass, 800, 5000,
         200, 800, Edit::Corrected},
        {"high-pass below the low-pass is taken", Crossover::HighPass, 10, 5000, 100, 100,
         Edit::Written},
        {"the two may meet", Crossover::LowPass, 800, 5000, 800, 800, Edit::Written},
        {"above 30 kHz is limited first", Crossover::LowPass, 10, 5000, 40000, 30000,
         Edit::Corrected},
        {"the stored frequency again writes nothing", Crossover::HighPass, 100, 5000, 100, 100,
         Edit::Unchanged},
    };
    for (const Case& c : cases) {
        Program p(kDeviceType4x8);
        OutputChannel& out = p.data.output(2);
        out.lowPass().setFrequency(c.lowPass);
        out.highPass().setFrequency(c.highPass);
        out.highPass().setChanged(0);
        out.lowPass().setChanged(0);
        EXPECT_EQ(SetCrossoverFrequency(out, c.which, c.asked), c.edit) << c.name;
        const Filter& edited = c.which == Crossover::HighPass ? out.highPass() : out.lowPass();
        const Filter& other = c.which == Crossover::HighPass ? out.lowPass() : out.highPass();
        EXPECT_EQ(edited.frequency(), c.stored) << c.name;
        EXPECT_EQ(edited.changed(), Wrote(c.edit) ? 1 : 0) << c.name;
        EXPECT_EQ(other.changed(), 0) << c.name;
    }
}

TEST(ChannelEditRules, CharacteristicAndSlopeAreWrittenOnlyWhenTheyChange) {
    Program p(kDeviceType4x8);
    OutputChannel& out = p.data.output(0);
    ASSERT_EQ(out.highPass().kind(), Filter::kButterworth);
    // "BTWorth" pressed again: the filter is left alone and nothing is sent.
    EXPECT_EQ(SetCrossoverKind(out, Crossover::HighPass, Filter::kButterworth), Edit::Unchanged);
    EXPECT_EQ(out.highPass().changed(), 0);
    EXPECT_EQ(SetCrossoverKind(out, Crossover::HighPass, Filter::kBessel), Edit::Written);
    EXPECT_EQ(out.highPass().kind(), Filter::kBessel);
    EXPECT_EQ(out.highPass().changed(), 1);
    EXPECT_EQ(SetCrossoverKind(out, Crossover::LowPass, 3), Edit::Refused);
    EXPECT_EQ(SetCrossoverSlope(out, Crossover::LowPass, Filter::kSlope48), Edit::Written);
    EXPECT_EQ(out.lowPass().slope(), Filter::kSlope48);
    EXPECT_EQ(SetCrossoverSlope(out, Crossover::LowPass, 4), Edit::Refused);
}

TEST(ChannelEditRules, SmallModelsKeepOneSourcePerOutput) {
    struct Case {
        const char* name;
        int deviceType;
        int mix;
        int input;
        bool feeds;
        std::optional<int> result;
    };
    const Case cases[] = {
        {"4x8: the last source may go", kDeviceType4x8, 0b0001, 0, false, 0},
        {"4x8: input D is switched on", kDeviceType4x8, 0b0000, 3, true, 0b1000},
        {"2x4: IN 1 off while IN 2 is off is refused", kDeviceType2x4, 0b0001, 0, false,
         std::nullopt},
        {"2x4: IN 1 off while IN 2 feeds", kDeviceType2x4, 0b0011, 0, false, 0b0010},
        {"2x4 has no IN 3", kDeviceType2x4, 0b0001, 2, true, std::nullopt},
        {"3x6: a stored input D is no source of a 3x6", kDeviceType3x6, 0b1001, 0, false,
         std::nullopt},
        {"3x6: input D's bit is kept", kDeviceType3x6, 0b1011, 1, false, 0b1001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MixWithSource(DeviceModelOf(c.deviceType), c.mix, c.input, c.feeds), c.result)
            << c.name;

    Program small(kDeviceType2x4);
    OutputChannel& out = small.data.output(1);
    EXPECT_EQ(SetMix(out, 0), Edit::Refused);
    EXPECT_EQ(out.mainChanged(), 0);
    EXPECT_EQ(SetMix(out, 0b0011), Edit::Written);
    EXPECT_EQ(out.mix(), 0b0011);
    EXPECT_EQ(out.mainChanged(), 1);
}

TEST(ChannelEditRules, AutoModeShowsTheTimingTheUnitDerives) {
    Program p(kDeviceType4x8);
    OutputChannel& out = p.data.output(0);
    out.setAttack(30);
    out.setRelease(1);
    out.setDynamicsType(OutputChannel::kDynamicsCompressor);
    out.setDynamicsMode(OutputChannel::kModeAuto);
    out.highPass().setFrequency(100);
    p.data.clearChangeFlags();

    const LimiterView view = LimiterViewOf(out);
    EXPECT_TRUE(view.compressorSettings);
    EXPECT_FALSE(view.manualTiming);
    EXPECT_EQ(AttackText(view.attack), "8");
    EXPECT_EQ(view.release, 4);
    EXPECT_EQ(ComposedReleaseText(view.release, view.attack), "16X (128ms)");
    // The stored timing stays and cannot be changed meanwhile.
    EXPECT_EQ(SetAttack(out, 40), Edit::Refused);
    EXPECT_EQ(SetRelease(out, 2), Edit::Refused);
    EXPECT_EQ(out.attack(), 30);
    EXPECT_EQ(out.dynamicsChanged(), 0);

    // Back to Manual: the stored timing shows again.
    EXPECT_EQ(SetDynamicsMode(out, OutputChannel::kModeManual), Edit::Written);
    EXPECT_EQ(LimiterViewOf(out).attack, 30);
    EXPECT_EQ(LimiterViewOf(out).release, 1);
    EXPECT_TRUE(LimiterViewOf(out).manualTiming);
}

TEST(ChannelEditRules, LimitIsNeverInAutoMode) {
    Program p(kDeviceType4x8);
    OutputChannel& out = p.data.output(3);
    // A stored Limit + Auto is corrected to Manual, and the unit is told.
    out.setDynamicsMode(OutputChannel::kModeAuto);
    p.data.clearChangeFlags();
    EXPECT_TRUE(CorrectLimitInAuto(out));
    EXPECT_EQ(out.dynamicsMode(), OutputChannel::kModeManual);
    EXPECT_EQ(out.dynamicsChanged(), 1);
    EXPECT_FALSE(CorrectLimitInAuto(out));

    // Auto, clip limit and ratio belong to the compressor.
    EXPECT_EQ(SetDynamicsMode(out, OutputChannel::kModeAuto), Edit::Refused);
    EXPECT_EQ(SetClipLimit(out, 50), Edit::Refused);
    EXPECT_EQ(SetRatio(out, 3), Edit::Refused);
    EXPECT_EQ(SetDynamicsType(out, OutputChannel::kDynamicsCompressor), Edit::Written);
    EXPECT_EQ(SetDynamicsMode(out, OutputChannel::kModeAuto), Edit::Written);
    EXPECT_EQ(SetClipLimit(out, 150), Edit::Corrected);
    EXPECT_EQ(out.clipLimit(), kClipLimitMaxIndex);

    // Going back to Limit leaves Auto as well.
    EXPECT_EQ(SetDynamicsType(out, OutputChannel::kDynamicsLimit), Edit::Written);
    EXPECT_EQ(out.dynamicsMode(), OutputChannel::kModeManual);

    // The small models have no compressor settings at all.
    Program small(kDeviceType3x6);
    EXPECT_EQ(SetDynamicsType(small.data.output(0), OutputChannel::kDynamicsCompressor),
              Edit::Refused);
    EXPECT_EQ(SetLimiterThreshold(small.data.output(0), 600), Edit::Corrected);
    EXPECT_EQ(small.data.output(0).threshold(), kLimiterThresholdMaxIndex);
}

TEST(ChannelEditRules, ReleaseIsAMultipleOfTheAttackText) {
    struct Case {
        const char* name;
        int release;
        int attack;
        const char* text;
    };
    const Case cases[] = {
        {"32X of 0.5 ms keeps its decimal", 5, 2, "32X (16.0ms)"},
        {"4X of 20 ms is whole", 1, 26, "4X (80ms)"},
        {"2X of the shortest attack", 0, 0, "2X (0.6ms)"},
        {"8X of 0.9 ms, the last decimal attack", 3, 6, "8X (7.2ms)"},
        {"6X of 1 ms, the first whole one", 2, 7, "6X (6ms)"},
        {"16X of the longest attack", 4, 106, "16X (1600ms)"},
        {"no such release", 6, 2, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposedReleaseText(c.release, c.attack), c.text) << c.name;
}

TEST(ChannelEditRules, DelayIsOneIndexShownInThreeUnits) {
    for (const DeviceModel& model : kDeviceModels) {
        const char* zero = model.scales == ScaleFamily::Fine ? "0.0000" : "0.000";
        for (DelayUnit unit : {DelayUnit::Milliseconds, DelayUnit::Metres, DelayUnit::Feet}) {
            const DisplayKindSettings s = DelayEntry(model, unit, 25);
            EXPECT_EQ(s.max, model.delayMax) << model.label;
            // The slider's bottom: index 0, zero in every unit.
            EXPECT_EQ(FormatDisplayKind(s, 0), zero) << model.label;
        }
        // 1 ms is 0.346 m of sound at 25 C but 0.331 m at 0 C: the distances use the temperature.
        const int oneMs =
            ApplyDisplayEntry(DelayEntry(model, DelayUnit::Milliseconds, 25), 0, "1").index;
        EXPECT_NE(FormatDisplayKind(DelayEntry(model, DelayUnit::Metres, 25), oneMs),
                  FormatDisplayKind(DelayEntry(model, DelayUnit::Metres, 0), oneMs))
            << model.label;

        Program p(model.deviceType);
        EXPECT_EQ(SetDelay(p.data.input(0), model.delayMax + 5), Edit::Corrected);
        EXPECT_EQ(p.data.input(0).delay(), model.delayMax);
        EXPECT_EQ(SetDelay(p.data.input(0), model.delayMax), Edit::Unchanged);
    }
}

TEST(ChannelEditRules, SwitchingTheGateOffKeepsItsThreshold) {
    Program p(kDeviceType4x8);
    InputChannel& in = p.data.input(1);
    EXPECT_EQ(SetGateThreshold(in, 90), Edit::Written);
    EXPECT_EQ(SetGateEnabled(in, false), Edit::Written);
    EXPECT_FALSE(GateThresholdEditable(in));
    EXPECT_EQ(in.gateThreshold(), 90);
    EXPECT_EQ(SetGateEnabled(in, true), Edit::Written);
    EXPECT_TRUE(GateThresholdEditable(in));
    EXPECT_EQ(in.gateThreshold(), 90);
    EXPECT_EQ(SetGateThreshold(in, 200), Edit::Corrected);
    EXPECT_EQ(in.gateThreshold(), kGateThresholdMaxIndex);
    EXPECT_EQ(FormatDisplayKind(kGateThresholdEntry, kGateThresholdMaxIndex), "10.0");
    EXPECT_EQ(FormatDisplayKind(kGateThresholdEntry, 0), "-120.0");
}

TEST(ChannelEditRules, ALowShelfNeverLiesAbove20kHz) {
    Program p(kDeviceType4x8);
    Filter& band = p.data.input(0).filter(2);
    band.setFrequency(25000);
    // PEQ -> high shelf keeps 25 kHz; high shelf -> low shelf brings it down to 20 kHz.
    EXPECT_EQ(SetBandType(band, Filter::kHighShelf), Edit::Written);
    EXPECT_EQ(band.frequency(), 25000);
    EXPECT_EQ(SetBandType(band, Filter::kLowShelf), Edit::Corrected);
    EXPECT_EQ(band.frequency(), 20000);
    EXPECT_EQ(band.type(), Filter::kLowShelf);
    EXPECT_EQ(SetBandFrequency(band, 26000), Edit::Unchanged); // already at the limit
    EXPECT_EQ(SetBandFrequency(band, 1000), Edit::Written);
    EXPECT_EQ(SetBandFrequency(band, 26000), Edit::Corrected);
    EXPECT_EQ(band.frequency(), 20000);
    EXPECT_EQ(SetBandType(band, Filter::kLowShelf), Edit::Unchanged);
    EXPECT_EQ(SetBandType(band, 3), Edit::Refused); // a crossover type is no band type
    EXPECT_EQ(SetBandFrequency(band, 5), Edit::Corrected);
    EXPECT_EQ(band.frequency(), 10);
}

TEST(ChannelEditRules, ABandKeepsItsGainWhileOffAndCannotBeSwitchedOnAtZeroDecibels) {
    Program p(kDeviceType3x6);
    Filter& band = p.data.output(1).filter(0);
    ASSERT_EQ(SetBandGain(band, 360), Edit::Written); // +6.0 dB switches the band on
    EXPECT_EQ(band.off(), 0);
    band.setChanged(0);

    EXPECT_EQ(SetBandOn(band, false), Edit::Written);
    EXPECT_EQ(band.changed(), 1);
    EXPECT_EQ(ShownBandGain(band), kEqGainZeroIndex); // shown as 0.0 dB while off
    EXPECT_EQ(band.gainIndex(), 360);                 // but kept
    EXPECT_EQ(SetBandOn(band, true), Edit::Written);
    EXPECT_EQ(ShownBandGain(band), 360);

    EXPECT_EQ(SetBandGain(band, kEqGainZeroIndex), Edit::Written); // 0.0 dB switches it off
    EXPECT_EQ(band.off(), 1);
    band.setChanged(0);
    EXPECT_EQ(SetBandOn(band, true), Edit::Refused);
    EXPECT_EQ(band.off(), 1);
    EXPECT_EQ(band.changed(), 0);
    EXPECT_EQ(SetBandGain(band, 500), Edit::Corrected); // limited to +15.0 dB
    EXPECT_EQ(band.gainIndex(), kEqGainMaxIndex);
}

TEST(ChannelEditRules, BandwidthAndQAreOneIndexOnEachModelsScale) {
    struct Case {
        int deviceType;
        int maxIndex;
        int qKind;
    };
    for (const Case c :
         {Case{kDeviceType4x8, 295, kKindQFine}, Case{kDeviceType2x4, 59, kKindQCoarse}}) {
        Program p(c.deviceType);
        Filter& band = p.data.input(1).filter(4);
        const DeviceModel& model = DeviceModelOf(c.deviceType);
        EXPECT_EQ(BandwidthEntry(model).max, c.maxIndex);
        EXPECT_EQ(QEntry(model).kind, c.qKind);
        EXPECT_EQ(SetBandBandwidth(band, 1000), Edit::Corrected);
        EXPECT_EQ(band.bandwidthIndex(), c.maxIndex);
        EXPECT_DOUBLE_EQ(band.bandwidth(), 3.0);
    }
    // 1.00 octave is index 95 on the 4x8 and shows Q 1.414.
    Program p(kDeviceType4x8);
    const DisplayKindSettings q = QEntry(DeviceModelOf(kDeviceType4x8));
    const DisplayEntry typed = ApplyDisplayEntry(q, 0, "1.414");
    ASSERT_EQ(typed.outcome, EntryOutcome::Commit);
    EXPECT_EQ(typed.index, 95);
    EXPECT_EQ(SetBandBandwidth(p.data.input(0).filter(0), typed.index), Edit::Written);
    EXPECT_EQ(FormatDisplayKind(q, 95), "1.414");
}

TEST(ChannelEditRules, EveryTypedValueNamesItsRangeInItsOwnUnit) {
    struct Case {
        const char* field;
        DisplayKindSettings settings;
        const char* range;
    };
    const Case cases[] = {
        {"gate threshold", kGateThresholdEntry, "-120.0 to 10.0 dBu"},
        {"limiter threshold", kLimiterThresholdEntry, "-30.0 to 20.0 dBu"},
        {"clip limit, a plain number", kClipLimitEntry, "2.0 to 12.0"},
        {"high-pass", kHighPassFrequencyEntry, "10 to 30000 Hz"},
        {"low-pass", kLowPassFrequencyEntry, "10 to 30000 Hz"},
        {"band frequency", kBandFrequencyEntry, "10 to 30000 Hz"},
        {"band gain", kBandGainEntry, "-30.0 to 15.0 dB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayKindRangeText(c.settings), "Allowed range: " + std::string(c.range))
            << c.field;
    }
}
