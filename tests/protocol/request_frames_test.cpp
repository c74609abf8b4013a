// Requests built from the program container: header values, payload layouts, the encodings that
// depend on the model, and the pending-change scan. Expected frames are written as hex, one
// comment per field group, and compared whole.

#include "protocol/RequestFrames.h"

#include "TestBytes.h"

#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string token;
    while (in >> token)
        out.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    return out;
}

// A whole request: start byte, the eight header bytes after it, the payload, then the XOR of
// everything after the start byte and the end byte (written out here independently).
Bytes RequestBytes(const std::string& header, const Bytes& payload) {
    Bytes frame{0xB1};
    for (std::uint8_t b : Hex(header))
        frame.push_back(b);
    frame.push_back(static_cast<std::uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        x ^= frame[i];
    frame.push_back(x);
    frame.push_back(0xAA);
    return frame;
}

Bytes Repeat(const std::string& hex, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i)
        for (std::uint8_t b : Hex(hex))
            out.push_back(b);
    return out;
}

Bytes Payload(const Request& frame) {
    return Bytes(frame.bytes.begin() + 9, frame.bytes.end() - 2);
}

int U16At(const Bytes& payload, std::size_t offset) {
    return payload[offset] | (payload[offset + 1] << 8);
}

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override {
        data.setDeviceId(1);
        data.clearChangeFlags();
    }
    ProgramContainer data;
};

} // namespace

TEST_F(Catalogue, OutputLevelFrameOfTheWorkedExample) {
    OutputChannel& out = data.output(2);
    out.setOn(1);
    out.setPolarity(0);
    out.setGain(400);
    out.setDelay(0);
    out.setMix(1);
    const Bytes expected = Hex("B1 A1 01 00 02 02 06 00 08" // write, ID 1, slot 0, output 3, level
                               " 01 00"                     // on, polarity
                               " 4C 04"                     // gain code 1100
                               " 00 00"                     // delay
                               " 01 00"                     // mix: input A, zero
                               " E6 AA");
    EXPECT_EQ(RequestFrames(data).outputLevelFrame(2).bytes, expected);
}

TEST_F(Catalogue, InputBandFrameOfTheWorkedExample) {
    Filter& band = data.input(0).filter(3);
    band.setFrequency(1000);
    band.setGainIndex(330);
    band.setBandwidthIndex(95);
    band.setSlope(0);
    const Bytes expected = Hex("B1 A1 01 00 01 00 03 00 08" // write, input A, band 4 (code 3)
                               " E8 03"                     // 1000 Hz
                               " 76 02"                     // gain code 630 (+3 dB)
                               " 5F 00"                     // bandwidth 95
                               " 00 00"                     // slope, type PEQ
                               " 6A AA");
    EXPECT_EQ(RequestFrames(data).inputBandFrame(0, 3).bytes, expected);
}

TEST_F(Catalogue, GlobalFramesOfTheWorkedExamples) {
    data.setBacklight(1);
    EXPECT_EQ(RequestFrames(data).backlightFrame().bytes,
              Hex("B1 A1 01 00 03 14 00 00 01 01 B7 AA"));
    EXPECT_EQ(RequestFrames(data).meterPollFrame().bytes,
              Hex("B1 A2 01 00 03 02 00 00 08 00 00 00 00 00 00 00 00 AA AA"));
}

struct GainCodeCase {
    const char* name;
    int deviceType;
    int gainIndex;
    int code;
};

class GainCode : public ::testing::TestWithParam<GainCodeCase> {};

TEST_P(GainCode, LevelFramesCarryTenthsOfADbAbove1100MinusTheRange) {
    const GainCodeCase& c = GetParam();
    ProgramContainer data;
    data.setDeviceType(c.deviceType);
    data.input(1).setGain(c.gainIndex);
    data.output(5).setGain(c.gainIndex);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).inputLevelFrame(1)), 2), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).outputLevelFrame(5)), 2), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).inputBlockFrame(0, 1)), 66), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBlockFrame(0, 5)), 50), c.code);
}

INSTANTIATE_TEST_SUITE_P(Models, GainCode,
                         ::testing::Values(GainCodeCase{"ZeroDbOn4x8", 1, 400, 1100},
                                           GainCodeCase{"ZeroDbOn3x6", 2, 360, 1100},
                                           GainCodeCase{"ZeroDbOn2x4", 3, 360, 1100},
                                           GainCodeCase{"Plus6DbOn4x8", 1, 460, 1160},
                                           GainCodeCase{"Minus40DbOn4x8", 1, 0, 700},
                                           GainCodeCase{"Minus36DbOn2x4", 3, 0, 740},
                                           GainCodeCase{"Plus20DbOn3x6", 2, 560, 1300}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BandwidthCase {
    const char* name;
    int deviceType;
    int index;
    int code;
};

class BandwidthCode : public ::testing::TestWithParam<BandwidthCase> {};

TEST_P(BandwidthCode, BandsCarryHundredthsOfAnOctaveAboveTheMinimum) {
    const BandwidthCase& c = GetParam();
    ProgramContainer data;
    data.setDeviceType(c.deviceType);
    data.input(0).filter(0).setBandwidthIndex(c.index);
    data.output(0).filter(5).setBandwidthIndex(c.index);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).inputBandFrame(0, 0)), 4), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBandFrame(0, 5)), 4), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).inputBlockFrame(0, 0)), 4), c.code);
    EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBlockFrame(0, 0)), 5 * 8 + 4), c.code);
}

INSTANTIATE_TEST_SUITE_P(Models, BandwidthCode,
                         ::testing::Values(BandwidthCase{"Index12On4x8", 1, 12, 12},
                                           BandwidthCase{"Index12On3x6", 2, 12, 60},
                                           BandwidthCase{"Index12On2x4", 3, 12, 60},
                                           BandwidthCase{"Index3On3x6", 2, 3, 15},
                                           BandwidthCase{"WidestOn4x8", 1, 295, 295},
                                           BandwidthCase{"WidestOn2x4", 3, 59, 295}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CatalogueBandGain, ABandThatIsOffSends600WhateverItsGain) {
    for (int type : {1, 2, 3}) {
        ProgramContainer data;
        data.setDeviceType(type);
        Filter& band = data.output(3).filter(1);
        band.setGainIndex(420); // +12 dB, on
        EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBandFrame(3, 1)), 2), 720)
            << "type " << type;
        band.setOff(1);
        EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBandFrame(3, 1)), 2), 600)
            << "type " << type;
        EXPECT_EQ(U16At(Payload(RequestFrames(data).outputBlockFrame(0, 3)), 8 + 2), 600)
            << "type " << type;
    }
}

TEST(CatalogueTextLines, InterfaceLinesAreCentredOn16CharactersOnTheSmallerModels) {
    const Bytes centred16 = Concat({Repeat("20", 6), Hex("41 42 43"), Repeat("20", 11)});
    const Bytes centred20 = Concat({Repeat("20", 8), Hex("41 42 43"), Repeat("20", 9)});
    const Bytes blank = Repeat("20", 20);
    for (int type : {1, 2, 3}) {
        ProgramContainer data;
        data.setDeviceType(type);
        data.setLineSetB(1, "ABC");
        data.setLineSetA(2, "ABC");
        const Bytes& lineB = type == 1 ? centred20 : centred16;
        EXPECT_EQ(Payload(RequestFrames(data).lineSetBFrame()),
                  Concat({blank, lineB, blank, blank}))
            << "type " << type;
        // The unit text lines use the full width on every model.
        EXPECT_EQ(Payload(RequestFrames(data).lineSetAFrame()),
                  Concat({blank, blank, centred20, blank}))
            << "type " << type;
    }
}

TEST_F(Catalogue, TextsAreCutToTheirFields) {
    data.setProgramName("A program name longer than fifteen");
    data.setShortTag("TAGGED-TOO-LONG");
    data.setLineSetB(0, "0123456789012345678901234");
    EXPECT_EQ(Payload(RequestFrames(data).programNameFrame(4)),
              Hex("41 20 70 72 6F 67 72 61 6D 20 6E 61 6D 65 20"));
    EXPECT_EQ(Payload(RequestFrames(data).shortTagFrame()), Hex("54 41 47 47 45 44 2D"));
    const Bytes lines = Payload(RequestFrames(data).lineSetBFrame());
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(Bytes(lines.begin(), lines.begin() + 20),
              Hex("30 31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39"));
    data.setProgramName("Live");
    EXPECT_EQ(
        RequestFrames(data).programNameFrame(4).bytes,
        RequestBytes("A1 01 04 03 00 00 00", Hex("4C 69 76 65 20 20 20 20 20 20 20 20 20 20 20")));
}

TEST_F(Catalogue, ChannelNamesAreFollowedByZeroBytes) {
    data.input(3).setName("Kick");
    data.output(7).setName("Subwoofr");
    EXPECT_EQ(RequestFrames(data).inputNameFrame(3).bytes,
              RequestBytes("A1 01 00 01 03 0B 00", Hex("4B 69 63 6B 00 00 00 00")));
    EXPECT_EQ(RequestFrames(data).outputNameFrame(7).bytes,
              RequestBytes("A1 01 00 02 07 09 00", Hex("53 75 62 77 6F 6F 66 72")));
    const Bytes block = Payload(RequestFrames(data).inputBlockFrame(0, 3));
    EXPECT_EQ(Bytes(block.begin() + 88, block.end()), Hex("4B 69 63 6B 00 00 00 00"));
}

TEST_F(Catalogue, GateThresholdIsZeroInTheBlockWhileTheGateIsOff) {
    InputChannel& in = data.input(1);
    in.setGateThreshold(100);
    in.setGateOff(1);
    EXPECT_EQ(RequestFrames(data).inputGateFrame(1).bytes,
              RequestBytes("A1 01 00 01 01 0A 00", Hex("64 01 00 00 00 00 00 00")));
    Bytes block = Payload(RequestFrames(data).inputBlockFrame(0, 1));
    EXPECT_EQ(block[80], 0);
    EXPECT_EQ(block[81], 1);
    in.setGateOff(0);
    block = Payload(RequestFrames(data).inputBlockFrame(0, 1));
    EXPECT_EQ(block[80], 100);
    EXPECT_EQ(block[81], 0);
}

TEST_F(Catalogue, AutoCompressorSendsTheAutomaticAttackAndRelease) {
    OutputChannel& out = data.output(4);
    out.highPass().setFrequency(80);
    out.setThreshold(350);
    out.setAttack(50);
    out.setRelease(2);
    out.setClipLimit(30);
    out.setRatio(3);
    out.setDynamicsType(1);
    out.setDynamicsMode(1);
    const Bytes autoLimiter = Hex("5E 01"  // threshold 350
                                  " 0E 04" // attack 14 for an 80 Hz high-pass, release 4
                                  " 1E 03" // clip limit, ratio
                                  " 01 01" // compressor, auto
    );
    EXPECT_EQ(RequestFrames(data).outputLimiterFrame(4).bytes,
              RequestBytes("A1 01 00 02 04 08 00", autoLimiter));
    Bytes block = Payload(RequestFrames(data).outputBlockFrame(7, 4));
    EXPECT_EQ(Bytes(block.begin() + 64, block.begin() + 72), autoLimiter);

    out.setDynamicsMode(0); // manual: the stored attack and release
    const Bytes manualLimiter = Hex("5E 01 32 02 1E 03 01 00");
    EXPECT_EQ(Payload(RequestFrames(data).outputLimiterFrame(4)), manualLimiter);
    block = Payload(RequestFrames(data).outputBlockFrame(7, 4));
    EXPECT_EQ(Bytes(block.begin() + 64, block.begin() + 72), manualLimiter);
}

TEST_F(Catalogue, FreshChannelBlocksAreLaidOutFieldByField) {
    const Bytes offBand = Hex("0A 00 58 02 00 00 00 00"); // 10 Hz, off (600), 0.05 oct, PEQ
    const Bytes inputBlock = Concat({Repeat("0A 00 58 02 00 00 00 00", 8),
                                     Hex("01 00"        // on, polarity
                                         " 4C 04 00 00" // gain code 1100, delay 0
                                         " 00 00"       // zero
                                         " 0A 00 02 00" // high-pass 10 Hz, BTWorth, 12 dB
                                         " 30 75 02 00" // low-pass 30000 Hz, BTWorth, 12 dB
                                         " 78 00"       // gate threshold 120, gate on
                                         " 00 00 00 00 00 00"
                                         " 41 00 00 00 00 00 00 00")}); // "A"
    EXPECT_EQ(RequestFrames(data).inputBlockFrame(3, 0).bytes,
              RequestBytes("A1 01 03 01 00 00 00", inputBlock));

    const Bytes outputBlock = Concat({Repeat("0A 00 58 02 00 00 00 00", 6),
                                      Hex("01 00"        // on, polarity
                                          " 4C 04 00 00" // gain code 1100, delay 0
                                          " 01 00"       // mix input A, zero
                                          " 0A 00 02 00" // high-pass
                                          " 30 75 02 00" // low-pass
                                          " 90 01"       // threshold 400
                                          " 00 00 14 00" // attack, release, clip limit 20, ratio
                                          " 00 00"       // limit, manual
                                          " 32 00 00 00 00 00 00 00")}); // "2"
    EXPECT_EQ(RequestFrames(data).outputBlockFrame(30, 1).bytes,
              RequestBytes("A1 01 1E 02 01 00 00", outputBlock));
    EXPECT_EQ(Bytes(inputBlock.begin(), inputBlock.begin() + 8), offBand);
}

TEST_F(Catalogue, BlocksCarryTheTargetCrossoverFrequencyAndTheCrossoverFrameTheStepped) {
    OutputChannel& out = data.output(0);
    out.highPass().setFrequency(1000); // sent frequency still 10
    out.highPass().setKind(0);
    out.highPass().setSlope(2);
    out.lowPass().setFrequency(8000);
    EXPECT_EQ(
        RequestFrames(data).outputCrossoverFrame(0).bytes,
        RequestBytes("A1 01 00 02 00 07 00", Hex("0A 00 00 02"      // high-pass sent 10 Hz, L_R, 24
                                                 " 30 75 02 00"))); // low-pass sent 30000 Hz
    const Bytes block = Payload(RequestFrames(data).outputBlockFrame(0, 0));
    EXPECT_EQ(Bytes(block.begin() + 56, block.begin() + 64), Hex("E8 03 00 02 40 1F 02 00"));

    // An input's crossover item goes out as a band frame with code 9 and its target frequency.
    data.input(2).lowPass().setFrequency(5000);
    EXPECT_EQ(RequestFrames(data).inputBandFrame(2, InputChannel::kLowPassPosition).bytes,
              RequestBytes("A1 01 00 01 02 09 00", Hex("88 13 58 02 00 00 00 04")));
}

TEST_F(Catalogue, DeviceIdFramesAddressTheOldIdOrTheProbedOne) {
    data.setDeviceId(5);
    data.setDeviceType(2);
    EXPECT_EQ(RequestFrames(data).deviceIdFrame(9, false).bytes,
              RequestBytes("A1 05 00 03 15 00 00", Hex("09 02")));
    const Request probe = RequestFrames(data).deviceIdFrame(17, true);
    EXPECT_EQ(probe.bytes, RequestBytes("A2 11 00 03 15 00 00", Hex("11 02")));
    EXPECT_EQ(probe.probedId, 17);
    data.setDeviceId(9);
    EXPECT_EQ(RequestFrames(data).outputLevelFrame(0).bytes[2], 9);
}

TEST_F(Catalogue, GlobalWritesAndReads) {
    data.setInputSource(1);
    data.setGlobalFrequency(12345);
    data.setTemperature(37);
    EXPECT_EQ(RequestFrames(data).sourceFrame().bytes,
              RequestBytes("A1 01 00 03 01 00 00", Repeat("01", 8)));
    EXPECT_EQ(RequestFrames(data).globalSettingsFrame().bytes,
              RequestBytes("A1 01 00 03 01 00 00", Hex("01 39 30 00 00 00 00 00")));
    EXPECT_EQ(RequestFrames(data).temperatureFrame().bytes,
              RequestBytes("A1 01 00 03 16 00 00", Hex("25")));
    EXPECT_EQ(RequestFrames(data).globalReadFrame(0x00, 30).bytes,
              RequestBytes("A2 01 1E 03 00 00 00", Repeat("00", 8)));
    EXPECT_EQ(RequestFrames(data).blockReadFrame(12, 2, 7, 0x77).bytes,
              RequestBytes("A2 01 0C 02 07 77 00", Repeat("00", 8)));
}

TEST(CatalogueDelay, ADelayAbove32767SurvivesTheSixteenBitImage) {
    ProgramContainer data;
    data.output(2).setDelay(52473); // 1000 ms on a 4x8
    ProgramImage image;
    data.fillProgramImage(image);
    ProgramContainer other;
    other.loadProgramImage(image);
    EXPECT_EQ(other.output(2).delay(), 52473);
    EXPECT_EQ(RequestFrames(other).outputBlockFrame(1, 2).bytes[9 + 52], 52473 & 0xFF);
    EXPECT_EQ(RequestFrames(other).outputBlockFrame(1, 2).bytes[9 + 53], 52473 >> 8);
}

// ---- Pending-change scan ----------------------------------------------------------------------

namespace {

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
        Request frame = NextPendingRequest(data);
        if (IsMeterPoll(frame))
            return frames;
        frames.push_back(std::move(frame));
    }
    ADD_FAILURE() << "the scan never fell back to the meter poll";
    return frames;
}

} // namespace

TEST(PendingChangeScan, FreshContainerSendsEveryNameAndCrossoverOnceThenPollsMeters) {
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
    EXPECT_TRUE(IsMeterPoll(NextPendingRequest(data)));
    EXPECT_TRUE(IsMeterPoll(NextPendingRequest(data)));
}

TEST(PendingChangeScan, PendingChangesAreWhatTheScanStillSends) {
    ProgramContainer data;
    data.clearChangeFlags();
    EXPECT_FALSE(data.hasPendingChanges());
    data.input(3).filter(9).setFrequency(5000); // a low-pass item: a run of steps
    data.input(0).setGateOff(1);
    data.output(7).setName("Sub");
    data.output(6).filter(5).setSlope(1);
    data.output(0).setThreshold(100);
    for (int frames = 0; frames < 100; ++frames) {
        const bool pending = data.hasPendingChanges();
        const bool meterPoll = IsMeterPoll(NextPendingRequest(data));
        ASSERT_EQ(pending, !meterPoll) << "frame " << frames;
        if (meterPoll)
            return;
    }
    ADD_FAILURE() << "the scan never fell back to the meter poll";
}

TEST(PendingChangeScan, ScanSendsOneGroupPerCallInItsFixedOrder) {
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

TEST(PendingChangeScan, ClearChangeFlagsLeavesALaggingCrossoverOneStepFurtherAndRaised) {
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
