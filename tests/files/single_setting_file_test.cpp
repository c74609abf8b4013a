// The single-setting file layout: the container's records field by field, the 44-byte filter
// record, round trips and short data. (Whole files, limits and names: program_file_test.)

#include "files/SingleSettingFile.h"

#include "FilterSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "ProgramSamples.h"
#include "files/ByteStream.h"
#include "model/FilterSet.h"
#include "model/GraphGeometry.h"
#include "model/ProgramContainer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The records as held, sent frequencies included (a saved file holds the settled ones).
Bytes Write(const ProgramContainer& data) {
    ByteWriter writer;
    WriteSingleSetting(writer, data, SentFrequencyField::AsHeld);
    return writer.take();
}

// Plot of 595 x 270 pixels (a 640 x 300 graph).
constexpr int kW = 595;
constexpr int kH = 270;

int Y(double dB) {
    return static_cast<int>(std::trunc(kH / 60.0 * (20 - dB) + 0.5));
}

} // namespace

// ---- container records ---------------------------------------------------------------------

TEST(SingleSettingLayout, FreshContainerStartsWithTheProgramNameAndInputA) {
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

class SingleSettingRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(SingleSettingRoundTrip, EveryStoredFieldComesBack) {
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
    ASSERT_TRUE(ReadSingleSetting(reader, read));
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

INSTANTIATE_TEST_SUITE_P(Models, SingleSettingRoundTrip, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Type" + std::to_string(info.param); });

TEST(SingleSettingLayout, ReadingShortDataFails) {
    const Bytes bytes = Write(ProgramContainer());
    const std::size_t firstInputEnd = 11 + 2 + 459;
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{11}, std::size_t{20},
                            firstInputEnd - 1, firstInputEnd, bytes.size() - 1}) {
        ProgramContainer read;
        ByteReader reader(std::span<const std::uint8_t>(bytes.data(), cut));
        EXPECT_FALSE(ReadSingleSetting(reader, read)) << "cut at " << cut;
    }
}

TEST(SingleSettingLayout, StoredCodesAndIndexCannotReaddressAChannel) {
    Bytes bytes = Write(ProgramContainer());
    // Input A's gain/delay frame code and channel index sit after its name and 17 bytes.
    const std::size_t codeAt = 11 + 2 + 17;
    bytes[codeAt] = 0x44;
    bytes[codeAt + 1] = 3;
    ProgramContainer read;
    ByteReader reader(bytes);
    ASSERT_TRUE(ReadSingleSetting(reader, read));
    EXPECT_EQ(read.input(0).mainCode(), 8);
    EXPECT_EQ(read.input(0).index(), 0);
}

// ---- filter records ------------------------------------------------------------------------

TEST(FilterRecord, WritesTheFortyFourByteLayout) {
    Filter f = Band(Filter::kHighShelf, 0x1234, 350, 10);
    f.setCode(3);
    f.setKind(1);
    ByteWriter w;
    WriteFilterRecord(w, f);
    const auto& b = w.bytes();
    ASSERT_EQ(b.size(), 44u);
    auto i32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                         static_cast<std::uint32_t>(b[at + 3]) << 24);
    };
    auto f64 = [&](std::size_t at) {
        std::uint64_t bits = 0;
        for (int k = 7; k >= 0; --k) {
            bits = bits << 8 | b[at + static_cast<std::size_t>(k)];
        }
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    EXPECT_EQ(i32(0), Filter::kHighShelf);
    EXPECT_EQ(i32(4), 0x1234);
    EXPECT_EQ(i32(8), 0x1234); // sent frequency: a saved program holds the settled frequency
    EXPECT_DOUBLE_EQ(f64(12), 5.0);
    EXPECT_EQ(i32(20), 0);
    EXPECT_DOUBLE_EQ(f64(24), 0.15);
    EXPECT_EQ(i32(32), 1);
    EXPECT_EQ(i32(36), 0);
    EXPECT_EQ(i32(40), 3);
    EXPECT_EQ((std::vector<std::uint8_t>(b.begin(), b.begin() + 4)),
              (std::vector<std::uint8_t>{2, 0, 0, 0}));
}

TEST(FilterRecord, RoundTripKeepsStoredFieldsAndTheReadersIdentity) {
    Filter source = Crossover(Filter::kLowPass, 2500, Filter::kBessel, 3);
    source.setCode(7);
    source.settle(); // sent 15000
    ByteWriter settled;
    WriteFilterRecord(settled, source);
    EXPECT_EQ(settled.bytes()[8] | settled.bytes()[9] << 8, 2500); // what a save holds
    ByteWriter w;
    WriteFilterRecord(w, source, SentFrequencyField::AsHeld);

    Filter target;
    target.setIsBand(0);
    target.setDeviceType(2);
    ByteReader r(w.bytes());
    ASSERT_TRUE(ReadFilterRecord(r, target));
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(target.type(), Filter::kLowPass);
    EXPECT_EQ(target.frequency(), 2500);
    EXPECT_EQ(target.sentFrequency(), 15000);
    EXPECT_DOUBLE_EQ(target.gain(), source.gain());
    EXPECT_EQ(target.off(), source.off());
    EXPECT_DOUBLE_EQ(target.bandwidth(), source.bandwidth());
    EXPECT_EQ(target.kind(), Filter::kBessel);
    EXPECT_EQ(target.slope(), 3);
    EXPECT_EQ(target.code(), 7);
    EXPECT_EQ(target.deviceType(), 2);
    EXPECT_EQ(target.changed(), 0);
    EXPECT_EQ(target.response(), source.response());
    // The reader's band flag decides the handle: a crossover's, at the low-pass level.
    EXPECT_EQ(GraphGeometry::HandleOf(target, kW, kH).top, Y(-1) + 10);
}

TEST(FilterRecord, ShortRecordFailsAndLeavesTheFilterAlone) {
    Filter source = Band(Filter::kPeq, 800, 340, 30);
    ByteWriter w;
    WriteFilterRecord(w, source);
    const Filter before = Band(Filter::kLowShelf, 120, 280, 2, 1);
    for (std::size_t cut : {0u, 4u, 12u, 43u}) {
        std::vector<std::uint8_t> bytes(w.bytes().begin(), w.bytes().begin() + cut);
        ByteReader r(bytes);
        Filter target = before;
        EXPECT_FALSE(ReadFilterRecord(r, target)) << cut << " bytes";
        EXPECT_EQ(target.type(), before.type()) << cut << " bytes";
        EXPECT_EQ(target.frequency(), before.frequency()) << cut << " bytes";
        EXPECT_EQ(target.gain(), before.gain()) << cut << " bytes";
        EXPECT_EQ(target.response(), before.response()) << cut << " bytes";
    }
}

TEST(FilterRecords, RoundTripInOrderAndStopAtAShortOne) {
    FilterSet source(10);
    for (int i = 0; i < 8; ++i) {
        source[i].setFrequency(100 * (i + 1));
        source[i].setGainIndex(300 + 10 * i);
    }
    source.lowPass().setFrequency(12000);
    ByteWriter w;
    WriteFilterRecords(w, source);
    ASSERT_EQ(w.bytes().size(), 10u * 44u);

    FilterSet target(10);
    ByteReader r(w.bytes());
    ASSERT_TRUE(ReadFilterRecords(r, target));
    EXPECT_TRUE(r.atEnd());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(target[i].frequency(), source[i].frequency()) << i;
        EXPECT_EQ(target[i].gain(), source[i].gain()) << i;
        EXPECT_EQ(target[i].code(), source[i].code()) << i;
        EXPECT_EQ(target[i].response(), source[i].response()) << i;
    }

    // Cut inside the fourth record: three filters are read, the rest stay as they were.
    std::vector<std::uint8_t> cut(w.bytes().begin(), w.bytes().begin() + 3 * 44 + 20);
    FilterSet partial(10);
    ByteReader shortReader(cut);
    EXPECT_FALSE(ReadFilterRecords(shortReader, partial));
    EXPECT_EQ(partial[2].frequency(), 300);
    EXPECT_EQ(partial[3].frequency(), 10);
    EXPECT_EQ(partial.lowPass().frequency(), 30000);
}
