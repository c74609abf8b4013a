// Settings by name: which names each model has, how a value text becomes what is stored (limited
// as the editors limit it), that every value shown reads back unchanged, and that the order of
// the values given does not change what the editing rules make of them.

#include "link/ParameterCatalogue.h"

#include "FakePort.h"
#include "link/UnitController.h"
#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pc = ParameterCatalogue;

namespace {

std::unique_ptr<ProgramContainer> Program(int deviceType) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(deviceType);
    data->clearChangeFlags();
    return data;
}

bool NothingPending(ProgramContainer& data) {
    const Request frame = NextPendingRequest(data);
    return frame.bytes == RequestFrames(data).meterPollFrame().bytes;
}

// The assignments of "name=value" texts on a model; fails the test for any that is not valid.
std::vector<pc::Assignment>
Assignments(const DeviceModel& model,
            const std::vector<std::pair<std::string, std::string>>& texts) {
    std::vector<pc::Assignment> list;
    for (const auto& [name, text] : texts) {
        std::string error;
        const auto p = pc::FindParameter(model, pc::Holder::ProgramFile, name, error);
        EXPECT_TRUE(p) << error;
        if (!p)
            continue;
        const auto value = pc::ParseValue(*p, model, text, error);
        EXPECT_TRUE(value) << error;
        if (value)
            list.push_back({*p, *value});
    }
    return list;
}

std::string Read(const ProgramContainer& data, const std::string& name) {
    std::string error;
    const auto p =
        pc::FindParameter(DeviceModelOf(data.deviceType()), pc::Holder::Unit, name, error);
    return p ? pc::ReadParameter(*p, data) : "(" + error + ")";
}

} // namespace

TEST(ParameterCatalogue, NamesResolveOrSayWhatTheModelLacks) {
    struct Case {
        int deviceType;
        pc::Holder holder;
        const char* name;
        const char* expected; // the name as listed, or the error
    };
    const auto file = pc::Holder::ProgramFile;
    const auto unit = pc::Holder::Unit;
    const Case cases[] = {
        {1, file, "in.a.GAIN", "in.A.gain"},
        {1, file, "out.2.eq.3.freq", "out.2.eq.3.freq"},
        {1, file, "in.D.eq.8.on", "in.D.eq.8.on"},
        {1, file, "out.8.source.d", "out.8.source.D"},
        {1, unit, "unit.source", "unit.source"},
        {2, file, "in.D.gain", "in.D.gain: the 3x6 has inputs A to C"},
        {3, file, "out.5.mute", "out.5.mute: the 2x4 has outputs 1 to 4"},
        {2, file, "in.A.eq.7.freq", "in.A.eq.7.freq: the inputs of the 3x6 have bands 1 to 6"},
        {1, file, "out.1.eq.7.freq", "out.1.eq.7.freq: the outputs of the 4x8 have bands 1 to 6"},
        {3, file, "out.1.source.C", "out.1.source.C: the 2x4 has inputs A to B"},
        {2, file, "out.1.limiter.ratio", "out.1.limiter.ratio: the 3x6 has no compressor ratio"},
        {3, unit, "unit.source", "unit.source: the 2x4 has no choice of input source"},
        {1, file, "unit.temperature",
         "unit.temperature is a setting of the unit: a program file does not hold it"},
        {1, file, "in.A.volume", "unknown parameter in.A.volume"},
        {1, file, "out.1.gate", "unknown parameter out.1.gate"},
        {1, file, "out.1.source", "unknown parameter out.1.source"},
        {1, file, "out.01.gain", "unknown parameter out.01.gain"},
        {1, file, "in.A.eq.3", "unknown parameter in.A.eq.3"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto p = pc::FindParameter(DeviceModelOf(c.deviceType), c.holder, c.name, error);
        EXPECT_EQ(p ? p->name : error, c.expected) << c.name;
    }
}

TEST(ParameterCatalogue, ValuesAreReadAsTheEditorsValueBoxesReadThem) {
    struct Case {
        int deviceType;
        const char* name;
        const char* text;
        const char* stored; // the value read back, or the error
        bool noted = false; // a text cut to its field, with a note
    };
    const Case cases[] = {
        {1, "in.A.gain", "-3.5", "-3.5", false},
        // A number out of range is refused, never limited to the range and taken.
        {1, "in.A.gain", "12", "in.A.gain: 12 is Out of Range (-40.0 to 6.0 dB)"},
        {2, "in.A.gain", "12", "12.0", false},
        {1, "out.1.gain", "-41", "out.1.gain: -41 is Out of Range (-40.0 to 15.0 dB)"},
        {1, "in.A.delay", "1000", "1000", false},
        {2, "in.A.delay", "2000", "in.A.delay: 2000 is Out of Range (0.000 to 999.0 ms)"},
        {1, "in.A.gate", "off", "off", false},
        {1, "in.A.gate", "OFF", "off", false},
        {1, "in.A.gate", "-20", "-20.0", false},
        {2, "in.A.gate", "off",
         "in.A.gate: off is not a number (-120.0 to 10.0 dBu); the 3x6 has no switch to turn it "
         "off"},
        {1, "out.1.hpf.freq", "40000", "out.1.hpf.freq: 40000 is Out of Range (10 to 30000 Hz)"},
        {1, "out.1.hpf.freq", "100.5",
         "out.1.hpf.freq: 100.5 is not a whole number (10 to 30000 Hz)"},
        {1, "out.1.hpf.freq", "1k", "out.1.hpf.freq: 1k is not a number (10 to 30000 Hz)"},
        {1, "out.1.hpf.slope", "24", "24", false},
        {1, "out.1.hpf.kind", "Bessel", "bessel", false},
        {1, "out.1.hpf.kind", "chebyshev",
         "out.1.hpf.kind: chebyshev is not one of butterworth, linkwitz-riley, bessel"},
        {1, "out.1.limiter.attack", "0.95",
         "out.1.limiter.attack: 0.95 is not a possible value (0.3 to 100 ms)"},
        {1, "out.1.limiter.attack", "200",
         "out.1.limiter.attack: 200 is Out of Range (0.3 to 100 ms)"},
        {1, "in.A.eq.1.q", "1.414", "1.414", false},
        {2, "in.A.eq.1.bw", "0.33", "0.35", false},
        {1, "in.A.eq.1.gain", "20", "in.A.eq.1.gain: 20 is Out of Range (-30.0 to 15.0 dB)"},
        {1, "in.A.name", "KickDrumLeft", "KickDrum", true},
        {1, "in.A.name", "K\xc3\xa4se",
         "in.A.name: only printable ASCII characters can be stored "
         "(the unit shows no others)"},
        {1, "unit.temperature", "60",
         "unit.temperature: 60 is Out of Range (0 to 50 \xC2\xB0"
         "C)"},
        {3, "unit.line2", "Seventeen chars!!", "Seventeen chars!", true},
        {3, "unit.backlight", "10s", "10s", false},
    };
    for (const Case& c : cases) {
        const DeviceModel& model = DeviceModelOf(c.deviceType);
        std::string error;
        const auto p = pc::FindParameter(model, pc::Holder::Unit, c.name, error);
        ASSERT_TRUE(p) << error;
        const auto value = pc::ParseValue(*p, model, c.text, error);
        const std::string row = std::string(c.name) + "=" + c.text;
        if (!value) {
            EXPECT_EQ(error, c.stored) << row;
            continue;
        }
        EXPECT_EQ(!value->note.empty(), c.noted) << row << ": " << value->note;
        // What the editor would show after the commit: the value written and read again. The
        // unit-wide settings go through a controller (not connected: nothing is sent).
        auto data = Program(c.deviceType);
        ProgramBank bank{};
        IUnitView view;
        UnitController unit(c.deviceType, *data, bank, view, nullptr, std::make_unique<FakePort>());
        pc::Apply({{*p, *value}}, *data, &unit);
        EXPECT_EQ(pc::ReadParameter(*p, *data), c.stored) << row;
    }
}

// Every value a model's program shows is taken back as it is: no parameter's text is read
// differently from how it is shown, and writing what is there sends nothing.
TEST(ParameterCatalogue, EveryShownValueReadsBackUnchanged) {
    for (const DeviceModel& model : kDeviceModels) {
        auto data = Program(model.deviceType);
        // Settings away from the defaults, among them an output in the compressor's Auto mode
        // (attack and release then shown as the unit derives them).
        data->input(0).setGain(model.gainZeroIndex - 35);
        data->input(0).setDelay(model.delayMax);
        data->input(1).filter(2).setType(Filter::kLowShelf);
        data->input(1).filter(2).setGainIndex(330);
        data->input(1).filter(2).setBandwidthIndex(model.bandwidthMax / 3);
        data->output(1).highPass().setFrequency(120);
        data->output(1).lowPass().setFrequency(8000);
        data->output(1).setName("Top L");
        data->output(2).setAttack(50);
        if (model.hasFullDynamics) {
            data->output(2).setDynamicsType(OutputChannel::kDynamicsCompressor);
            data->output(2).setDynamicsMode(OutputChannel::kModeAuto);
            data->output(2).setRatio(7);
        }
        // As after sending: every flag cleared, the crossovers stepped to their frequencies.
        for (int frames = 0; !NothingPending(*data); ++frames)
            ASSERT_LT(frames, 100) << model.label;

        std::vector<pc::Assignment> all;
        for (const pc::Parameter& p : pc::AllParameters(model, pc::Holder::ProgramFile)) {
            const std::string shown = pc::ReadParameter(p, *data);
            std::string error;
            const auto value = pc::ParseValue(p, model, shown, error);
            ASSERT_TRUE(value) << model.label << ' ' << p.name << '=' << shown << ": " << error;
            EXPECT_EQ(value->note, "") << model.label << ' ' << p.name;
            all.push_back({p, *value});
        }
        const pc::ApplyOutcome outcome = pc::Apply(all, *data, nullptr);
        EXPECT_TRUE(outcome.refusals.empty()) << model.label << ": " << outcome.refusals.front();
        EXPECT_TRUE(outcome.corrections.empty())
            << model.label << ": " << outcome.corrections.front();
        EXPECT_TRUE(NothingPending(*data)) << model.label;
    }
}

TEST(ParameterCatalogue, OrderOfTheValuesDoesNotChangeWhatTheRulesMakeOfThem) {
    const DeviceModel& model = DeviceModelOf(kDeviceType4x8);
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::pair<std::string, std::string>> expected; // read back afterwards
        std::vector<std::string> refusals;
        std::vector<std::string> corrections;
    };
    const std::vector<Case> cases{
        {"a high-pass raised above the low-pass's old frequency with it",
         {{"out.1.hpf.freq", "5000"}, {"out.1.lpf.freq", "10000"}},
         {{"out.1.hpf.freq", "5000"}, {"out.1.lpf.freq", "10000"}},
         {},
         {}},
        {"a ratio given before the compressor it needs",
         {{"out.1.limiter.ratio", "1:8"}, {"out.1.limiter.type", "compressor"}},
         {{"out.1.limiter.ratio", "1:8"}, {"out.1.limiter.type", "compressor"}},
         {},
         {}},
        {"a band switched on by the gain given after it",
         {{"in.A.eq.1.on", "on"}, {"in.A.eq.1.gain", "-4"}},
         {{"in.A.eq.1.on", "on"}, {"in.A.eq.1.gain", "-4.0"}},
         {},
         {}},
        {"a high-pass that stays above the low-pass is brought down to it",
         {{"out.1.hpf.freq", "3000"}},
         {{"out.1.hpf.freq", "1000"}},
         {},
         {"out.1.hpf.freq: the high-pass never lies above the low-pass; set to 1000"}},
        {"a slope given before the shelf type it needs",
         {{"in.A.eq.1.slope", "12"}, {"in.A.eq.1.type", "highshelf"}},
         {{"in.A.eq.1.slope", "12"}, {"in.A.eq.1.type", "highshelf"}},
         {},
         {}},
        {"a bandwidth given to a shelf is refused, as its editor shows none",
         {{"in.A.eq.1.type", "lowshelf"}, {"in.A.eq.1.q", "2"}},
         {},
         {"in.A.eq.1.q: only a PEQ band has a bandwidth and a Q (eq.B.type=peq)"},
         {}},
        {"Auto mode given with a limit is refused",
         {{"out.1.limiter.type", "limit"}, {"out.1.limiter.mode", "auto"}},
         {},
         {"out.1.limiter.mode: only a compressor has an Auto mode (limiter.type=compressor)"},
         {}},
        {"an attack given with Auto mode is refused",
         {{"out.1.limiter.attack", "20"},
          {"out.1.limiter.type", "compressor"},
          {"out.1.limiter.mode", "auto"}},
         {},
         {"out.1.limiter.attack: in Auto mode the unit derives the attack from the high-pass "
          "frequency"},
         {}},
    };
    for (const Case& c : cases) {
        auto data = Program(model.deviceType);
        data->output(0).highPass().setFrequency(100);
        data->output(0).lowPass().setFrequency(1000);
        data->clearChangeFlags();
        const pc::ApplyOutcome outcome = pc::Apply(Assignments(model, c.values), *data, nullptr);
        EXPECT_EQ(outcome.refusals, c.refusals) << c.name;
        EXPECT_EQ(outcome.corrections, c.corrections) << c.name;
        for (const auto& [name, shown] : c.expected)
            EXPECT_EQ(Read(*data, name), shown) << c.name << ": " << name;
    }
}

TEST(ParameterCatalogue, BandSwitchedOffWithAGainStaysOffInEitherOrder) {
    // As an operator types the gain (which switches a band on) and then switches the band off:
    // "off" wins and the gain is kept for when the band is switched on again.
    const DeviceModel& model = DeviceModelOf(kDeviceType4x8);
    constexpr int kDb6 = 360;
    struct Case {
        const char* name;
        int gainBefore; // index; 300 is 0.0 dB
        bool offBefore;
        std::string on, gain; // given
        std::string shownOn, shownGain;
        int storedGain;
        std::vector<std::pair<std::string, std::string>> gainsOfBandsOff;
        std::vector<std::string> refusals;
    };
    const std::vector<Case> cases{
        {"off with a new gain keeps that gain",
         kDb6,
         false,
         "off",
         "3",
         "off",
         "0.0",
         330,
         {{"in.B.eq.2.gain", "3.0"}},
         {}},
        {"off with the gain it has keeps it",
         kDb6,
         false,
         "off",
         "6",
         "off",
         "0.0",
         kDb6,
         {{"in.B.eq.2.gain", "6.0"}},
         {}},
        {"off with 0.0 dB", kDb6, false, "off", "0", "off", "0.0", 300, {}, {}},
        {"an off band given a gain and switched on",
         260,
         true,
         "on",
         "3",
         "on",
         "3.0",
         330,
         {},
         {}},
        {"a band at 0.0 dB switched on with a gain",
         300,
         true,
         "on",
         "-4",
         "on",
         "-4.0",
         260,
         {},
         {}},
        {"on with 0.0 dB is refused",
         kDb6,
         false,
         "on",
         "0",
         "",
         "",
         0,
         {},
         {"in.B.eq.2.on: a band with a gain of 0.0 dB cannot be switched on; give it a gain"}},
    };
    for (const Case& c : cases)
        for (const bool onFirst : {true, false}) {
            const std::string what = std::string(c.name) + (onFirst ? ", on/off first" : "");
            auto data = Program(model.deviceType);
            Filter& band = data->input(1).filter(1);
            band.setGainIndex(c.gainBefore);
            band.setOff(c.offBefore ? 1 : 0);
            data->clearChangeFlags();
            const std::pair<std::string, std::string> on{"in.B.eq.2.on", c.on};
            const std::pair<std::string, std::string> gain{"in.B.eq.2.gain", c.gain};
            const pc::ApplyOutcome outcome = pc::Apply(
                Assignments(model, onFirst ? std::vector{on, gain} : std::vector{gain, on}), *data,
                nullptr);
            EXPECT_EQ(outcome.refusals, c.refusals) << what;
            EXPECT_TRUE(outcome.corrections.empty()) << what;
            if (!c.refusals.empty())
                continue;
            EXPECT_EQ(outcome.gainsOfBandsOff, c.gainsOfBandsOff) << what;
            EXPECT_EQ(Read(*data, "in.B.eq.2.on"), c.shownOn) << what;
            EXPECT_EQ(Read(*data, "in.B.eq.2.gain"), c.shownGain) << what;
            EXPECT_EQ(band.gainIndex(), c.storedGain) << what;
        }
}
