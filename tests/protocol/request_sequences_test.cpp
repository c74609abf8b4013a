// The fixed request sequences: order of the frames, their headers and the batch marks.

#include "protocol/RequestSequences.h"

#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/ProgramContainer.h"

namespace {

// Header of a request as the tests name it: kind, device ID, slot, section, channel/command,
// parameter.
struct Header {
    int kind;
    int id;
    int slot;
    int section;
    int channel;
    int parameter;
    bool operator==(const Header&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Header& h) {
    return os << std::hex << "{" << h.kind << " id " << h.id << " slot " << h.slot << " sect "
              << h.section << " ch " << h.channel << " par " << h.parameter << "}";
}

Header HeaderOf(const Request& f) {
    return {f.bytes[1], f.bytes[2], f.bytes[3], f.bytes[4], f.bytes[5], f.bytes[6]};
}

std::vector<Header> Headers(const std::vector<Request>& frames) {
    std::vector<Header> out;
    for (const Request& f : frames)
        out.push_back(HeaderOf(f));
    return out;
}

bool IsMeterPollOnly(ProgramContainer& data) {
    const Request f = NextPendingRequest(data);
    return f.bytes[1] == 0xA2 && f.bytes[4] == 3 && f.bytes[5] == 0x02;
}

constexpr int kRead = 0xA2;
constexpr int kWrite = 0xA1;

// Batch marks: which frames are in the batch and that only the last ends it (of the given kind).
void ExpectBatch(const std::vector<Request>& frames, std::size_t firstInBatch, bool read) {
    ASSERT_FALSE(frames.empty());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Request& f = frames[i];
        EXPECT_EQ(f.inBatch, i >= firstInBatch) << "frame " << i;
        const bool last = i + 1 == frames.size();
        EXPECT_EQ(f.endsReadBatch, last && read) << "frame " << i;
        EXPECT_EQ(f.endsWriteBatch, last && !read) << "frame " << i;
        EXPECT_FALSE(f.connectProbe) << "frame " << i;
        EXPECT_TRUE(f.firstSendPending) << "frame " << i;
    }
}

std::vector<Header> BlockReads(int id, int slot, int mode) {
    std::vector<Header> out;
    for (int i = 0; i < 4; ++i)
        out.push_back({kRead, id, slot, 1, i, mode});
    for (int o = 0; o < 8; ++o)
        out.push_back({kRead, id, slot, 2, o, mode});
    return out;
}

std::vector<Header> StoreBlocks(int id, int slot) {
    std::vector<Header> out;
    for (int o = 0; o < 8; ++o)
        out.push_back({kWrite, id, slot, 2, o, 0});
    for (int i = 0; i < 4; ++i)
        out.push_back({kWrite, id, slot, 1, i, 0});
    return out;
}

class Sequences : public ::testing::Test {
protected:
    void SetUp() override {
        data.setDeviceType(2);
        data.setDeviceId(42);
        data.clearChangeFlags();
    }
    ProgramContainer data;
};

} // namespace

TEST_F(Sequences, ConnectReadsProbeThenNamesThenUnitSettings) {
    const std::vector<Request> frames = QueueConnectReads(data);
    std::vector<Header> expected{{kRead, 42, 0, 3, 0x15, 0}};
    for (int slot = 0; slot <= 30; ++slot)
        expected.push_back({kRead, 42, slot, 3, 0x00, 0});
    for (int code : {0x10, 0x14, 0x01, 0x16})
        expected.push_back({kRead, 42, 0, 3, code, 0});
    EXPECT_EQ(Headers(frames), expected);
    ASSERT_EQ(frames.size(), 36u);
    EXPECT_TRUE(frames[0].connectProbe);
    EXPECT_EQ(frames[0].bytes[9], 42); // probed ID
    EXPECT_EQ(frames[0].bytes[10], 2); // device type
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_FALSE(frames[i].inBatch) << i;
        EXPECT_FALSE(frames[i].endsBatch()) << i;
        EXPECT_EQ(frames[i].connectProbe, i == 0) << i;
    }
}

TEST_F(Sequences, ConnectForOneCommandProbesAndReadsOnlyWhatItAsksFor) {
    struct Row {
        const char* name;
        ConnectReads reads;
        std::vector<Header> afterProbe;
    };
    const std::vector<Row> rows = {
        {"probe alone", {}, {}},
        {"two names in the order asked",
         {{12, 3}},
         {{kRead, 42, 12, 3, 0x00, 0}, {kRead, 42, 3, 3, 0x00, 0}}},
        {"no such slot is skipped", {{31, -1, 0}}, {{kRead, 42, 0, 3, 0x00, 0}}},
        {"unit settings without names",
         {{}, {0x16, 0x01, 0x14, 0x10}},
         {{kRead, 42, 0, 3, 0x10, 0},
          {kRead, 42, 0, 3, 0x14, 0},
          {kRead, 42, 0, 3, 0x01, 0},
          {kRead, 42, 0, 3, 0x16, 0}}},
        {"only the unit settings asked for, in the connect's order",
         {{}, {0x16, 0x14}},
         {{kRead, 42, 0, 3, 0x14, 0}, {kRead, 42, 0, 3, 0x16, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Request> frames = QueueConnectReads(data, row.reads);
        std::vector<Header> expected{{kRead, 42, 0, 3, 0x15, 0}};
        expected.insert(expected.end(), row.afterProbe.begin(), row.afterProbe.end());
        EXPECT_EQ(Headers(frames), expected);
        ASSERT_FALSE(frames.empty());
        EXPECT_TRUE(frames[0].connectProbe);
    }
}

TEST_F(Sequences, ReadProgramIsOneReadBatchOfTwelveBlocks) {
    for (int slot : {0, 17}) {
        const std::vector<Request> frames = ReadProgramFromDevice(data, slot);
        EXPECT_EQ(Headers(frames), BlockReads(42, slot, 0)) << "slot " << slot;
        ExpectBatch(frames, 0, true);
    }
}

TEST_F(Sequences, StoreToAMemoryWritesNameThenOutputsThenInputs) {
    data.setProgramName("Chorus");
    const std::vector<Request> frames = StoreProgramToDevice(data, 7);
    std::vector<Header> expected{{kWrite, 42, 7, 3, 0x00, 0}};
    for (const Header& h : StoreBlocks(42, 7))
        expected.push_back(h);
    EXPECT_EQ(Headers(frames), expected);
    EXPECT_EQ(frames[0].bytes[9], 'C');
    ExpectBatch(frames, 1, false);
    EXPECT_TRUE(IsMeterPollOnly(data)) << "storing to a memory raises no flag";
}

TEST_F(Sequences, StoreToLiveSettingsMutesInputsAAndBWhileOutputsAreWritten) {
    data.input(0).setOn(1);
    data.input(1).setOn(0); // muted already: stays muted
    data.clearChangeFlags();
    const std::vector<Request> frames = StoreProgramToDevice(data, 0);

    std::vector<Header> expected{{kWrite, 42, 0, 3, 0x00, 0},
                                 {kWrite, 42, 0, 1, 0, 8},  // input A level
                                 {kWrite, 42, 0, 1, 1, 8}}; // input B level
    for (const Header& h : StoreBlocks(42, 0))
        expected.push_back(h);
    ASSERT_EQ(Headers(frames), expected);
    EXPECT_EQ(frames[1].bytes[9], 0); // A muted
    EXPECT_EQ(frames[2].bytes[9], 0); // B muted
    ExpectBatch(frames, 3, false);
    // The input blocks carry the restored on flags (payload offset 64).
    EXPECT_EQ(frames[11].bytes[9 + 64], 1);
    EXPECT_EQ(frames[12].bytes[9 + 64], 0);

    // The records are restored and both levels are sent again by the scan.
    EXPECT_EQ(data.input(0).on(), 1);
    EXPECT_EQ(data.input(1).on(), 0);
    Request next = NextPendingRequest(data);
    EXPECT_EQ(HeaderOf(next), (Header{kWrite, 42, 0, 1, 0, 8}));
    EXPECT_EQ(next.bytes[9], 1);
    next = NextPendingRequest(data);
    EXPECT_EQ(HeaderOf(next), (Header{kWrite, 42, 0, 1, 1, 8}));
    EXPECT_EQ(next.bytes[9], 0);
}

TEST(SequencesBank, WriteAllProgramsSendsEveryImageToItsMemory) {
    std::array<ProgramImage, kProgramMemoryCount> bank{};
    for (int i = 0; i < kProgramMemoryCount; ++i) {
        bank[static_cast<std::size_t>(i)].name = "P" + std::to_string(i + 1);
        for (OutputImage& out : bank[static_cast<std::size_t>(i)].outputs)
            out.gain = static_cast<std::int16_t>(100 + i);
    }
    const std::vector<Request> frames = WriteAllProgramsToDevice(3, 9, bank);

    std::vector<Header> expected;
    for (int slot = 1; slot <= 30; ++slot) {
        expected.push_back({kWrite, 9, slot, 3, 0x00, 0});
        for (const Header& h : StoreBlocks(9, slot))
            expected.push_back(h);
    }
    ASSERT_EQ(Headers(frames), expected);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const bool nameFrame = i % 13 == 0;
        EXPECT_EQ(frames[i].inBatch, !nameFrame) << i;
        EXPECT_EQ(frames[i].endsWriteBatch, i + 1 == frames.size()) << i;
        EXPECT_FALSE(frames[i].endsReadBatch) << i;
    }
    // Slot 5's name and an output block built from image 5 on a 2x4 (gain code = index + 740).
    const Request& name5 = frames[4 * 13];
    EXPECT_EQ(std::string(name5.bytes.begin() + 9, name5.bytes.begin() + 11), "P5");
    const Request& out2 = frames[4 * 13 + 1 + 2];
    EXPECT_EQ(out2.bytes[9 + 50] | (out2.bytes[9 + 51] << 8), 104 + 740);
}

TEST_F(Sequences, ReadAllProgramsAsksForEveryMemoryForBackup) {
    const std::vector<Request> frames = ReadAllProgramsFromDevice(data);
    std::vector<Header> expected;
    for (int slot = 1; slot <= 30; ++slot)
        for (const Header& h : BlockReads(42, slot, 0x77))
            expected.push_back(h);
    EXPECT_EQ(Headers(frames), expected);
    ExpectBatch(frames, 0, true);
}

TEST_F(Sequences, GlobalSettingCodesMapToTheirFramesAndOthersToNothing) {
    const std::pair<int, int> known[] = {{0, 0x00},  {1, 0x01},  {16, 0x10}, {17, 0x11},
                                         {18, 0x12}, {20, 0x14}, {22, 0x16}};
    for (auto [code, command] : known) {
        const std::optional<Request> frame = GlobalSettingFrame(data, code);
        ASSERT_TRUE(frame.has_value()) << code;
        EXPECT_EQ(HeaderOf(*frame), (Header{kWrite, 42, 0, 3, command, 0})) << code;
    }
    // Code 1 carries the global frequency (1000 Hz) after the source, not eight source copies.
    const std::optional<Request> settings = GlobalSettingFrame(data, 1);
    EXPECT_EQ(settings->bytes[10] | (settings->bytes[11] << 8), 1000);
    for (int code : {-1, 2, 15, 19, 21, 23, 255})
        EXPECT_FALSE(GlobalSettingFrame(data, code).has_value()) << code;
}
