// The program container: defaults, model adaptation, the pending-change scan, program images
// and the single-setting serialization.

#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/ByteStream.h"
#include "model/ProgramImage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Parameter byte and section of a frame, enough to tell which group a scan sent.
struct Sent {
    int section;
    int channel;
    int parameter;
    bool operator==(const Sent&) const = default;
};

Sent Describe(const Request& frame) {
    return {frame.bytes[4], frame.bytes[5], frame.bytes[6]};
}

bool IsMeterPoll(const Request& frame) {
    return frame.bytes[1] == 0xA2 && frame.bytes[4] == 3 && frame.bytes[5] == 0x02;
}

// Every frame the scan yields before it falls back to the meter poll.
std::vector<Request> Drain(ProgramContainer& data) {
    std::vector<Request> frames;
    for (int guard = 0; guard < 1000; ++guard) {
        Request frame = data.nextPendingFrame();
        if (IsMeterPoll(frame))
            return frames;
        frames.push_back(std::move(frame));
    }
    ADD_FAILURE() << "the scan never fell back to the meter poll";
    return frames;
}

Bytes Write(const ProgramContainer& data) {
    ByteWriter writer;
    data.Serialize(writer);
    return writer.take();
}

} // namespace

TEST(AudioData, FreshContainerIsA4x8WithDefaultNamesAndEveryChannelPresent) {
    ProgramContainer data;
    EXPECT_EQ(data.deviceType(), 1);
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(data.globalFrequency(), 1000);
    EXPECT_EQ(data.temperature(), 25);
    EXPECT_EQ(data.inputSource(), 0);
    EXPECT_EQ(data.backlight(), 0);
    EXPECT_EQ(data.unitValue4(), 20);
    EXPECT_EQ(data.deviceId(), 0);
    EXPECT_EQ(data.inputCount(), 4);
    EXPECT_EQ(data.outputCount(), 8);
    const char* inputNames[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(data.input(i).nameText(), inputNames[i]);
        EXPECT_EQ(data.input(i).index(), i);
        EXPECT_EQ(data.input(i).present(), 1);
    }
    for (int o = 0; o < 8; ++o) {
        EXPECT_EQ(data.output(o).nameText(), std::to_string(o + 1));
        EXPECT_EQ(data.output(o).index(), o);
        EXPECT_EQ(data.output(o).present(), 1);
    }
    EXPECT_EQ(data.input(3).curveColour(), (CurveColour{34, 188, 211}));
    EXPECT_EQ(data.output(0).curveColour(), (CurveColour{6, 100, 221}));
    EXPECT_EQ(data.output(7).curveColour(), (CurveColour{255, 128, 64}));
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(data.input(2).overlayInput(ch) + data.output(5).overlayInput(ch), 2);
    for (int ch = 0; ch < 8; ++ch)
        EXPECT_EQ(data.input(0).overlayOutput(ch) + data.output(7).overlayOutput(ch), 2);
}

struct ModelCase {
    const char* name;
    int deviceType;
    int inputsPresent;
    int outputsPresent;
    int zeroDbGain;
    const char* backlightText;
};

class ProgramContainerModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ProgramContainerModel, DeviceTypeHidesMissingChannelsAndResetsGains) {
    const ModelCase& c = GetParam();
    ProgramContainer data;
    data.input(0).setGain(123);
    data.output(0).setGain(321);
    data.setDeviceType(c.deviceType);
    auto checkOverlays = [&](const auto& record, const std::string& who) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(record.overlayInput(i), i < c.inputsPresent ? 1 : 0) << who << " input " << i;
        for (int o = 0; o < 8; ++o)
            EXPECT_EQ(record.overlayOutput(o), o < c.outputsPresent ? 1 : 0)
                << who << " output " << o;
        EXPECT_EQ(record.gain(), c.zeroDbGain) << who;
        EXPECT_EQ(record.deviceType(), c.deviceType) << who;
        for (int f = 0; f < record.filterCount(); ++f)
            EXPECT_EQ(record.filter(f).deviceType(), c.deviceType) << who << " filter " << f;
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(data.input(i).present(), i < c.inputsPresent ? 1 : 0) << "input " << i;
        checkOverlays(data.input(i), "input " + std::to_string(i));
    }
    for (int o = 0; o < 8; ++o) {
        EXPECT_EQ(data.output(o).present(), o < c.outputsPresent ? 1 : 0) << "output " << o;
        checkOverlays(data.output(o), "output " + std::to_string(o));
    }
    data.setBacklight(1);
    EXPECT_EQ(data.backlightText(), c.backlightText);
}

INSTANTIATE_TEST_SUITE_P(Models, ProgramContainerModel,
                         ::testing::Values(ModelCase{"Type4x8", 1, 4, 8, 400, "25s"},
                                           ModelCase{"Type3x6", 2, 3, 6, 360, "10s"},
                                           ModelCase{"Type2x4", 3, 2, 4, 360, "10s"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AudioData, GlobalFrequencyIsLimitedTo20To20000Hz) {
    const std::pair<int, int> cases[] = {{5, 20},        {20, 20},       {1000, 1000},
                                         {20000, 20000}, {30000, 20000}, {-7, 20}};
    ProgramContainer data;
    for (auto [set, stored] : cases) {
        data.setGlobalFrequency(set);
        EXPECT_EQ(data.globalFrequency(), stored) << "set " << set;
    }
}

TEST(AudioData, FreshContainerSendsEveryNameAndCrossoverOnceThenPollsMeters) {
    ProgramContainer data;
    std::vector<Sent> expected;
    for (int i = 0; i < 4; ++i) {
        expected.push_back({1, i, 11}); // name
        expected.push_back({1, i, 9});  // high-pass item
        expected.push_back({1, i, 9});  // low-pass item
    }
    for (int o = 0; o < 8; ++o) {
        expected.push_back({2, o, 9}); // name
        expected.push_back({2, o, 7}); // crossover for the high-pass flag
        expected.push_back({2, o, 7}); // and for the low-pass flag
    }
    std::vector<Sent> sent;
    for (const Request& frame : Drain(data))
        sent.push_back(Describe(frame));
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(IsMeterPoll(data.nextPendingFrame()));
    EXPECT_TRUE(IsMeterPoll(data.nextPendingFrame()));
}

TEST(AudioData, ScanSendsOneGroupPerCallInItsFixedOrder) {
    ProgramContainer data;
    data.clearChangeFlags();
    // Raised in an order unlike the scan's.
    data.output(1).setDynamicsMode(1);
    data.output(1).filter(2).setGainIndex(310);
    data.output(1).lowPass().setKind(1);
    data.output(0).setName("Top");
    data.input(2).setGateOff(1);
    data.input(2).setOn(0);
    data.input(1).lowPass().setKind(0);
    data.input(1).filter(7).setGainIndex(280);
    data.input(1).setName("Vox");
    data.output(1).setMix(3);
    const std::vector<Sent> expected{
        {1, 1, 11}, // input B name
        {1, 1, 7},  // input B band 8
        {1, 1, 9},  // input B low-pass item
        {1, 2, 8},  // input C level
        {1, 2, 10}, // input C gate
        {2, 0, 9},  // output 1 name
        {2, 1, 6},  // output 2 level
        {2, 1, 2},  // output 2 band 3
        {2, 1, 7},  // output 2 crossover
        {2, 1, 8},  // output 2 limiter
    };
    std::vector<Sent> sent;
    for (const Request& frame : Drain(data))
        sent.push_back(Describe(frame));
    EXPECT_EQ(sent, expected);
}

struct CrossoverRun {
    const char* name;
    int from;
    int to;
    std::vector<int> sent;
};

class CrossoverSteps : public ::testing::TestWithParam<CrossoverRun> {};

TEST_P(CrossoverSteps, HighPassReachesTheUnitOneOctavePerFrame) {
    const CrossoverRun& c = GetParam();
    ProgramContainer data;
    data.output(3).highPass().setFrequency(c.from);
    Drain(data);
    data.output(3).highPass().setFrequency(c.to);
    std::vector<int> sent;
    for (const Request& frame : Drain(data)) {
        ASSERT_EQ(Describe(frame), (Sent{2, 3, 7}));
        sent.push_back(frame.bytes[9] | (frame.bytes[10] << 8));
    }
    EXPECT_EQ(sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CrossoverSteps,
    ::testing::Values(CrossoverRun{"Up100To1600", 100, 1600, {200, 400, 800, 1600, 1600}},
                      CrossoverRun{"Down1600To100", 1600, 100, {800, 400, 200, 100, 100}},
                      CrossoverRun{"Within1000To1500", 1000, 1500, {1500, 1500}},
                      CrossoverRun{"Up10To1000", 10, 1000, {20, 40, 80, 160, 320, 640, 1000, 1000}},
                      CrossoverRun{"Down1000To100", 1000, 100, {500, 250, 125, 100, 100}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioData, ClearChangeFlagsLeavesALaggingCrossoverOneStepFurtherAndRaised) {
    ProgramContainer data;
    data.input(0).setGain(410);
    data.input(3).filter(0).setGainIndex(320);
    data.output(6).setThreshold(100);
    data.output(6).highPass().setFrequency(1000);
    data.clearChangeFlags();
    EXPECT_EQ(data.output(6).highPass().sentFrequency(), 20);
    EXPECT_EQ(data.output(6).highPass().changed(), 1);
    EXPECT_EQ(data.input(0).mainChanged(), 0);
    EXPECT_EQ(data.input(0).nameChanged(), 0);
    EXPECT_EQ(data.input(3).filter(0).changed(), 0);
    EXPECT_EQ(data.output(6).dynamicsChanged(), 0);
    const std::vector<Request> rest = Drain(data);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(Describe(rest.front()), (Sent{2, 6, 7}));
    EXPECT_EQ(rest.front().bytes[9] | (rest.front().bytes[10] << 8), 40);
}

namespace {

ProgramImage SampleImage() {
    ProgramImage image;
    image.name = "Stage Left";
    for (int i = 0; i < 4; ++i) {
        InputImage& in = image.inputs[static_cast<std::size_t>(i)];
        in.name = "Input" + std::to_string(i);
        in.on = static_cast<std::uint8_t>(i % 2);
        in.polarity = 1;
        in.delay = static_cast<std::int16_t>(1000 * (i + 1));
        in.gain = static_cast<std::int16_t>(300 + i);
        in.reservedA = 7;
        in.reservedB = 9;
        in.highPassFrequency = static_cast<std::int16_t>(40 + i);
        in.highPassKind = 1;
        in.highPassSlope = 3;
        in.lowPassFrequency = 18000;
        in.lowPassKind = 0;
        in.lowPassSlope = 2;
        in.gateThreshold = static_cast<std::uint8_t>(90 + i);
        in.gateOff = 1;
        for (int b = 0; b < 8; ++b)
            in.bands[static_cast<std::size_t>(b)] =
                BandImage{static_cast<std::int16_t>(100 * (b + 1)),
                          static_cast<std::int16_t>(250 + 10 * b), static_cast<std::int16_t>(b),
                          static_cast<std::uint8_t>(b % 2), static_cast<std::uint8_t>(b % 3)};
    }
    for (int o = 0; o < 8; ++o) {
        OutputImage& out = image.outputs[static_cast<std::size_t>(o)];
        out.name = "Out" + std::to_string(o);
        out.on = 1;
        out.polarity = static_cast<std::uint8_t>(o % 2);
        out.delay = static_cast<std::int16_t>(50 * o);
        out.gain = static_cast<std::int16_t>(200 + o);
        out.mix = static_cast<std::uint8_t>(o + 1);
        out.highPassFrequency = static_cast<std::int16_t>(80 + o);
        out.highPassKind = 2;
        out.highPassSlope = 1;
        out.lowPassFrequency = static_cast<std::int16_t>(12000 + o);
        out.lowPassKind = 1;
        out.lowPassSlope = 0;
        out.threshold = static_cast<std::int16_t>(450 - o);
        out.attack = static_cast<std::uint8_t>(10 + o);
        out.release = 3;
        out.clipLimit = 25;
        out.ratio = 5;
        out.dynamicsType = 1;
        out.dynamicsMode = static_cast<std::uint8_t>(o % 2);
        for (int b = 0; b < 6; ++b)
            out.bands[static_cast<std::size_t>(b)] =
                BandImage{static_cast<std::int16_t>(2000 + b), static_cast<std::int16_t>(320 + b),
                          static_cast<std::int16_t>(40 + b), 1, static_cast<std::uint8_t>(b % 3)};
    }
    return image;
}

} // namespace

TEST(AudioData, LoadProgramImageOverwritesAll12RecordsAlsoOnA2x4) {
    ProgramContainer data;
    data.setDeviceType(3);
    const ProgramImage image = SampleImage();
    data.loadProgramImage(image);
    EXPECT_EQ(data.programName(), "Stage Left");
    EXPECT_EQ(data.input(3).nameText(), "Input3"); // absent on a 2x4, loaded all the same
    EXPECT_EQ(data.input(3).gain(), 303);
    EXPECT_EQ(data.input(3).gateThreshold(), 93);
    EXPECT_EQ(data.input(3).highPass().frequency(), 43);
    EXPECT_EQ(data.input(3).filter(5).frequency(), 600);
    EXPECT_EQ(data.input(3).filter(5).gainIndex(), 300);
    EXPECT_EQ(data.output(7).nameText(), "Out7");
    EXPECT_EQ(data.output(7).mix(), 8);
    EXPECT_EQ(data.output(7).threshold(), 443);
    EXPECT_EQ(data.output(7).lowPass().frequency(), 12007);
    EXPECT_EQ(data.output(7).filter(2).bandwidthIndex(), 42);
    EXPECT_EQ(data.output(7).present(), 0);
}

TEST(AudioData, ProgramImageSurvivesLoadingAndFillingOnEveryModel) {
    for (int type : {1, 2, 3}) {
        ProgramContainer data;
        data.setDeviceType(type);
        const ProgramImage image = SampleImage();
        data.loadProgramImage(image);
        ProgramImage back;
        data.fillProgramImage(back);
        EXPECT_EQ(back, image) << "type " << type;
    }
}

TEST(AudioData, ADelayAbove32767SurvivesTheSixteenBitImage) {
    ProgramContainer data;
    data.output(2).setDelay(52473); // 1000 ms on a 4x8
    ProgramImage image;
    data.fillProgramImage(image);
    ProgramContainer other;
    other.loadProgramImage(image);
    EXPECT_EQ(other.output(2).delay(), 52473);
    EXPECT_EQ(other.outputBlockFrame(1, 2).bytes[9 + 52], 52473 & 0xFF);
    EXPECT_EQ(other.outputBlockFrame(1, 2).bytes[9 + 53], 52473 >> 8);
}

TEST(AudioDataFile, FreshContainerStartsWithTheProgramNameAndInputA) {
    const Bytes bytes = Write(ProgramContainer());
    const Bytes head{0x0A, 'N',  'e',  'w',  'P', 'r', 'o', 'g', 'r', 'a', 'm', // program name
                     0x01, 'A',                                                 // input name
                     0x01, 0x00,                                                // on, polarity
                     0x00, 0x00, 0x00, 0x00,                                    // delay
                     0x90, 0x01, 0x00, 0x00};                                   // gain 400
    ASSERT_GE(bytes.size(), head.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(head.size())), head);
    // 11 bytes of name, then per record its name (2 bytes here) and its fixed part.
    EXPECT_EQ(bytes.size(), 11u + 4u * (2u + 459u) + 8u * (2u + 397u));
}

class ProgramContainerRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(ProgramContainerRoundTrip, EveryStoredFieldComesBack) {
    const int type = GetParam();
    ProgramContainer data;
    data.setDeviceType(type);
    data.loadProgramImage(SampleImage());
    data.input(1).setName("Twelve chars");
    data.input(2).setReservedB(0x1FF);
    data.output(4).setClipLimit(77);
    data.output(4).highPass().setFrequency(640); // sent frequency lags behind
    const Bytes bytes = Write(data);

    ProgramContainer read;
    read.setDeviceType(type);
    read.input(0).setPresent(0);
    read.output(3).setOverlayInput(2, 0);
    ByteReader reader(bytes);
    ASSERT_TRUE(read.Serialize(reader));
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(Write(read), bytes);

    EXPECT_EQ(read.programName(), "Stage Left");
    EXPECT_EQ(read.input(1).nameText(), "Twelve c");
    EXPECT_EQ(read.input(2).reservedB(), 0xFF);
    EXPECT_EQ(read.output(4).clipLimit(), 77);
    EXPECT_EQ(read.output(4).highPass().frequency(), 640);
    EXPECT_EQ(read.output(4).highPass().sentFrequency(), data.output(4).highPass().sentFrequency());
    EXPECT_EQ(read.output(5).filter(1).gainIndex(), 321);
    // What is not stored stays as the reading container has it.
    EXPECT_EQ(read.input(0).present(), 0);
    EXPECT_EQ(read.output(3).overlayInput(2), 0);
    EXPECT_EQ(read.output(3).curveColour(), (CurveColour{255, 128, 128}));
    EXPECT_EQ(read.deviceType(), type);
}

INSTANTIATE_TEST_SUITE_P(Models, ProgramContainerRoundTrip, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Type" + std::to_string(info.param); });

TEST(AudioDataFile, ReadingShortDataFails) {
    const Bytes bytes = Write(ProgramContainer());
    const std::size_t firstInputEnd = 11 + 2 + 459;
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{11}, std::size_t{20},
                            firstInputEnd - 1, firstInputEnd, bytes.size() - 1}) {
        ProgramContainer read;
        ByteReader reader(std::span<const std::uint8_t>(bytes.data(), cut));
        EXPECT_FALSE(read.Serialize(reader)) << "cut at " << cut;
    }
}

TEST(AudioDataFile, StoredCodesAndIndexCannotReaddressAChannel) {
    Bytes bytes = Write(ProgramContainer());
    // Input A's gain/delay frame code and channel index sit after its name and 17 bytes.
    const std::size_t codeAt = 11 + 2 + 17;
    bytes[codeAt] = 0x44;
    bytes[codeAt + 1] = 3;
    ProgramContainer read;
    ByteReader reader(bytes);
    ASSERT_TRUE(read.Serialize(reader));
    EXPECT_EQ(read.input(0).mainCode(), 8);
    EXPECT_EQ(read.input(0).index(), 0);
}

TEST(AudioData, CopyProgramFromTakesNameAndChannelsButRaisesNoFlag) {
    ProgramContainer source;
    source.loadProgramImage(SampleImage());
    ProgramContainer target;
    target.clearChangeFlags();
    target.copyProgramFrom(source);
    EXPECT_EQ(target.programName(), "Stage Left");
    EXPECT_EQ(target.input(2).nameText(), "Input2");
    EXPECT_EQ(target.output(6).threshold(), 444);
    EXPECT_EQ(target.output(6).filter(3).frequency(), 2003);
    EXPECT_TRUE(Drain(target).empty());
}
