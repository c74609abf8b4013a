// The virtual unit over real pseudo-terminals: the test plays the PC on the slave side and pumps
// the line in-process with Poll, so nothing waits on a timer.

#include "SimOptions.h"
#include "VirtualLine.h"
#include "link/PortList.h"
#include "protocol/Frame.h"
#include "protocol/FrameAssembler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// True when the bytes hold whole reply frames and nothing after them: a second reply to the
// same request would then show up with the next request's.
bool Complete(const Bytes& bytes);

// The PC's end of the line: the slave device opened raw and non-blocking.
class PcSide {
public:
    explicit PcSide(const std::string& path) {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (m_fd >= 0 && tcgetattr(m_fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~PcSide() {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Three fillers, then the frame, as the PC transmits a request.
    void Send(const Bytes& frame) {
        const Bytes bytes = TransmissionBytes(frame);
        ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything that arrives within waitMs of the last byte (the line is pumped meanwhile).
    Bytes Collect(VirtualLine& line, int waitMs) {
        Bytes got;
        auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        while (Clock::now() < deadline) {
            line.Poll(0);
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buffer[512];
                const ssize_t n = read(m_fd, buffer, sizeof buffer);
                if (n > 0) {
                    got.insert(got.end(), buffer, buffer + n);
                    deadline = Clock::now() + std::chrono::milliseconds(waitMs);
                    if (Complete(got))
                        break;
                }
            }
        }
        return got;
    }

private:
    int m_fd = -1;
};

// Splits received bytes into reply frames; each must be preceded by at least one 0xFF.
// *used is the count of bytes up to the end of the last whole frame.
std::vector<Bytes> Frames(const Bytes& bytes, std::size_t* used = nullptr) {
    std::vector<Bytes> frames;
    std::size_t at = 0;
    while (at < bytes.size()) {
        while (at < bytes.size() && bytes[at] != 0xFF)
            ++at; // line noise, skipped like the PC's receiver does
        std::size_t fillers = 0;
        while (at < bytes.size() && bytes[at] == 0xFF) {
            ++at;
            ++fillers;
        }
        if (at + 9 > bytes.size() || fillers == 0 || bytes[at] != 0xB1)
            break;
        const std::size_t total = bytes[at + 8] + 11u;
        if (at + total > bytes.size())
            break;
        frames.emplace_back(bytes.begin() + at, bytes.begin() + at + total);
        at += total;
        if (used)
            *used = at;
    }
    return frames;
}

bool Complete(const Bytes& bytes) {
    std::size_t used = 0;
    return !Frames(bytes, &used).empty() && used == bytes.size();
}

// Reads from a line served by its own thread until one whole reply has arrived (2 s at most).
Bytes ReadOneReply(int fd, int* reads = nullptr) {
    Bytes got;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (Frames(got).empty() && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) {
            std::uint8_t buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
                if (reads)
                    ++*reads;
            }
        }
    }
    return got;
}

// Sends one request and returns the one reply frame, or nothing when the line stays silent.
std::optional<Bytes> Ask(PcSide& pc, VirtualLine& line, const Bytes& request, int waitMs = 60) {
    pc.Send(request);
    const auto frames = Frames(pc.Collect(line, waitMs));
    EXPECT_LE(frames.size(), 1u) << "one reply per request";
    if (frames.empty())
        return std::nullopt;
    return frames.front();
}

Bytes Payload(const Bytes& frame) {
    return Bytes(frame.begin() + 9, frame.end() - 2);
}

Bytes Read(std::uint8_t id, std::uint8_t slot, std::uint8_t section, std::uint8_t channel,
           std::uint8_t parameter, std::size_t length = 8) {
    return ComposeFrame(0xA2, id, slot, section, channel, parameter, Bytes(length, 0));
}

Bytes Write(std::uint8_t id, std::uint8_t slot, std::uint8_t section, std::uint8_t channel,
            std::uint8_t parameter, const Bytes& payload) {
    return ComposeFrame(0xA1, id, slot, section, channel, parameter, payload);
}

Bytes Probe(std::uint8_t id) {
    return Read(id, 0, 3, 0x15, 0, 2);
}

// Line options with the given changes made to the defaults.
template <class F> SimLineOptions Options(F change) {
    SimLineOptions options;
    change(options);
    return options;
}

SimLineOptions UnitsOnLine(std::vector<SimUnitSpec> units) {
    return Options([&](SimLineOptions& o) { o.units = std::move(units); });
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + from, bytes.begin() + from + count);
}

class SimLine : public ::testing::Test {
protected:
    void OpenLine(SimLineOptions options) {
        line = std::make_unique<VirtualLine>(std::move(options));
        std::string error;
        ASSERT_TRUE(line->Open(&error)) << error;
        pc = std::make_unique<PcSide>(line->SlavePath());
        ASSERT_TRUE(pc->ok());
    }
    std::optional<Bytes> Ask(const Bytes& request, int waitMs = 60) {
        return ::Ask(*pc, *line, request, waitMs);
    }

    std::unique_ptr<VirtualLine> line;
    std::unique_ptr<PcSide> pc;
};

TEST_F(SimLine, WorkedLevelAndBandFramesLandInTheBlocks) {
    OpenLine({});
    // Output 3: on, polarity 0, gain code 1100, delay 0, mix 1.
    const Bytes level = {0xB1, 0xA1, 0x01, 0x00, 0x02, 0x02, 0x06, 0x00, 0x08, 0x01,
                         0x00, 0x4C, 0x04, 0x00, 0x00, 0x01, 0x00, 0xE6, 0xAA};
    // Input A band 3: 1000 Hz, gain code 630, bandwidth code 95, slope 0, type 0.
    const Bytes band = {0xB1, 0xA1, 0x01, 0x00, 0x01, 0x00, 0x03, 0x00, 0x08, 0xE8,
                        0x03, 0x76, 0x02, 0x5F, 0x00, 0x00, 0x00, 0x6A, 0xAA};
    for (const Bytes& request : {level, band}) {
        const auto ack = Ask(request);
        ASSERT_TRUE(ack);
        EXPECT_TRUE(CheckFrame(*ack));
        EXPECT_TRUE((*ack)[1] == 0x51 || (*ack)[1] == 0x52);
        EXPECT_EQ(Slice(*ack, 2, 5), Slice(request, 2, 5)) << "ID, slot, section, channel, code";
    }

    const auto output = Ask(Read(1, 0, 2, 2, 0));
    ASSERT_TRUE(output);
    ASSERT_TRUE(CheckFrame(*output));
    EXPECT_EQ(Slice(*output, 0, 9), (Bytes{0xB1, 0x53, 0x01, 0x00, 0x02, 0x02, 0x00, 0x00, 80}));
    EXPECT_EQ(Slice(Payload(*output), 48, 8), (Bytes{0x01, 0x00, 0x4C, 0x04, 0x00, 0x00, 0x01, 0}));

    const auto input = Ask(Read(1, 0, 1, 0, 0));
    ASSERT_TRUE(input);
    ASSERT_TRUE(CheckFrame(*input));
    ASSERT_EQ((*input)[8], 96);
    EXPECT_EQ(Slice(Payload(*input), 24, 8), Slice(band, 9, 8));
}

// One single-parameter write per row, and where its bytes must appear in the block.
struct PatchCase {
    const char* name;
    std::uint8_t section, channel, parameter;
    Bytes payload;
    std::size_t blockOffset;
    Bytes expected;
};

void PrintTo(const PatchCase& c, std::ostream* os) {
    *os << c.name;
}

class SimPatch : public SimLine, public ::testing::WithParamInterface<PatchCase> {};

TEST_P(SimPatch, WriteThenBlockRead) {
    const PatchCase& c = GetParam();
    OpenLine({});
    ASSERT_TRUE(Ask(Write(1, 0, c.section, c.channel, c.parameter, c.payload)));
    const auto block = Ask(Read(1, 0, c.section, c.channel, 0));
    ASSERT_TRUE(block);
    EXPECT_EQ(Slice(Payload(*block), c.blockOffset, c.expected.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, SimPatch,
    ::testing::Values(
        PatchCase{"InputName",
                  1,
                  1,
                  11,
                  {'K', 'i', 'c', 'k', 0, 0, 0, 0},
                  88,
                  {'K', 'i', 'c', 'k', 0, 0, 0, 0}},
        PatchCase{
            "InputGateKeepsThresholdWhileOff", 1, 2, 10, {100, 1, 0, 0, 0, 0, 0, 0}, 80, {100, 1}},
        // Crossover items share code 9 and are told apart by the type byte; the kind (BTWorth
        // by default) is not in the band layout and stays.
        PatchCase{"InputHighPassByTypeByte",
                  1,
                  0,
                  9,
                  {0x50, 0x00, 0x58, 0x02, 0, 0, 2, 3},
                  72,
                  {0x50, 0x00, 2, 2}},
        PatchCase{"InputLowPassByTypeByte",
                  1,
                  3,
                  9,
                  {0x88, 0x13, 0x58, 0x02, 0, 0, 3, 4},
                  72,
                  {0x0A, 0x00, 2, 0, 0x88, 0x13, 2, 3}},
        PatchCase{"OutputLevelWithMix",
                  2,
                  3,
                  6,
                  {0, 1, 0x20, 0x03, 0x10, 0x00, 0x0F, 0},
                  48,
                  {0, 1, 0x20, 0x03, 0x10, 0x00, 0x0F}},
        PatchCase{"OutputCrossover",
                  2,
                  7,
                  7,
                  {0x64, 0x00, 0, 2, 0x40, 0x1F, 1, 3},
                  56,
                  {0x64, 0x00, 0, 2, 0x40, 0x1F, 1, 3}},
        PatchCase{"OutputLimiter",
                  2,
                  4,
                  8,
                  {0x2C, 0x01, 14, 4, 30, 3, 1, 1},
                  64,
                  {0x2C, 0x01, 14, 4, 30, 3, 1, 1}},
        PatchCase{"OutputBand5",
                  2,
                  0,
                  5,
                  {0x10, 0x27, 0xA4, 0x01, 0x2C, 0x01, 1, 2},
                  40,
                  {0x10, 0x27, 0xA4, 0x01, 0x2C, 0x01, 1, 2}},
        PatchCase{"OutputName",
                  2,
                  6,
                  9,
                  {'S', 'u', 'b', 'L', 'e', 'f', 't', '!'},
                  72,
                  {'S', 'u', 'b', 'L', 'e', 'f', 't', '!'}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLine, NewUnitHoldsTheDefaultProgram) {
    OpenLine({});
    const auto input = Ask(Read(1, 0, 1, 1, 0));
    ASSERT_TRUE(input);
    const Bytes in = Payload(*input);
    EXPECT_EQ(Slice(in, 0, 8), (Bytes{10, 0, 0x58, 0x02, 0, 0, 0, 0})) << "band at 10 Hz, 0 dB";
    EXPECT_EQ(Slice(in, 64, 6), (Bytes{1, 0, 0x4C, 0x04, 0, 0})) << "on, 0 dB (1100), no delay";
    EXPECT_EQ(Slice(in, 72, 8), (Bytes{10, 0, 2, 0, 0x30, 0x75, 2, 0})) << "10 Hz / 30 kHz";
    EXPECT_EQ(Slice(in, 80, 2), (Bytes{120, 0})) << "gate at 0 dBu, enabled";
    EXPECT_EQ(Slice(in, 88, 8), (Bytes{'B', 0, 0, 0, 0, 0, 0, 0}));

    const auto output = Ask(Read(1, 0, 2, 7, 0));
    ASSERT_TRUE(output);
    const Bytes out = Payload(*output);
    EXPECT_EQ(Slice(out, 48, 7), (Bytes{1, 0, 0x4C, 0x04, 0, 0, 1})) << "fed by input A";
    EXPECT_EQ(Slice(out, 64, 8), (Bytes{0x90, 0x01, 0, 0, 20, 0, 0, 0})) << "limiter +10 dBu";
    EXPECT_EQ(Slice(out, 72, 8), (Bytes{'8', 0, 0, 0, 0, 0, 0, 0}));

    const auto name = Ask(Read(1, 7, 3, 0x00, 0));
    ASSERT_TRUE(name);
    EXPECT_EQ(name->at(3), 7) << "the slot asked for";
    const Bytes text = Payload(*name);
    EXPECT_EQ(std::string(text.begin(), text.begin() + 8), "Prog07  ");
}

TEST_F(SimLine, BlocksStoreIntoTheirSlotAndReadBack) {
    OpenLine({});
    Bytes block(80);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    Bytes name(15, ' ');
    std::copy_n("Stage", 5, name.begin());
    ASSERT_TRUE(Ask(Write(1, 12, 3, 0x00, 0, name)));
    ASSERT_TRUE(Ask(Write(1, 12, 2, 5, 0, block)));

    // Stored, not live: the live output 6 is untouched until the program is recalled.
    const auto live = Ask(Read(1, 0, 2, 5, 0));
    ASSERT_TRUE(live);
    EXPECT_NE(Payload(*live), block);

    const auto backup = Ask(Read(1, 12, 2, 5, 0x77));
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->at(6), 0x77);
    EXPECT_EQ(backup->at(3), 12);
    EXPECT_EQ(Payload(*backup), block);
    const auto storedName = Ask(Read(1, 12, 3, 0x00, 0));
    ASSERT_TRUE(storedName);
    EXPECT_EQ(Payload(*storedName), name);

    // Reading with parameter 0 recalls the program: the live settings follow.
    ASSERT_TRUE(Ask(Read(1, 12, 2, 5, 0)));
    const auto recalled = Ask(Read(1, 0, 2, 5, 0));
    ASSERT_TRUE(recalled);
    EXPECT_EQ(Payload(*recalled), block);
}

TEST_F(SimLine, GlobalSettingsAreKeptAndReported) {
    OpenLine({});
    Bytes lines(80, ' ');
    std::copy_n("Left stack", 10, lines.begin() + 25);
    ASSERT_TRUE(Ask(Write(1, 0, 3, 0x10, 0, lines)));
    ASSERT_TRUE(Ask(Write(1, 0, 3, 0x01, 0, {1, 0xB8, 0x0B, 0, 0, 0, 0, 0}))); // digital, 3000 Hz
    ASSERT_TRUE(Ask(Write(1, 0, 3, 0x01, 0, Bytes(8, 0))));                    // source: analog
    ASSERT_TRUE(Ask(Write(1, 0, 3, 0x14, 0, {1})));
    ASSERT_TRUE(Ask(Write(1, 0, 3, 0x16, 0, {31})));

    struct Row {
        std::uint8_t code;
        Bytes expected;
    };
    const Row rows[] = {
        {0x10, lines},
        {0x01, {0, 0xB8, 0x0B, 0, 0, 0, 0, 0}}, // the eight-copies form leaves the frequency
        {0x14, {1}},
        {0x16, {31}},
    };
    for (const Row& row : rows) {
        const auto reply = Ask(Read(1, 0, 3, row.code, 0));
        ASSERT_TRUE(reply) << int(row.code);
        EXPECT_EQ(reply->at(1), 0x53);
        EXPECT_EQ(reply->at(5), row.code);
        EXPECT_EQ(Payload(*reply), row.expected) << int(row.code);
    }

    // Identification: version text in bytes 0..3 and 8..12, type code in 4..7.
    const auto ident = Ask(Read(1, 0, 3, 0x19, 0));
    ASSERT_TRUE(ident);
    const Bytes id = Payload(*ident);
    EXPECT_EQ(std::string(id.begin(), id.end()), "RA_R0408_I1.0");
}

TEST_F(SimLine, MeterPollGetsTwelveMovingPlausibleLevels) {
    OpenLine(UnitsOnLine({{1, 3}})); // a 2x4 unit: inputs C, D and outputs 5..8 stay dark
    // Worked meter poll frame; its checksum happens to equal the end byte.
    const Bytes poll = {0xB1, 0xA2, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x08, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xAA};
    std::vector<Bytes> seen;
    for (int i = 0; i < 12; ++i) {
        const auto reply = Ask(poll);
        ASSERT_TRUE(reply);
        ASSERT_TRUE(CheckFrame(*reply));
        EXPECT_EQ(Slice(*reply, 1, 8), (Bytes{0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 12}));
        const Bytes levels = Payload(*reply);
        for (std::uint8_t level : levels)
            EXPECT_TRUE(level <= 9 || (level >= 17 && level <= 25)) << int(level);
        for (int absent : {2, 3, 8, 9, 10, 11})
            EXPECT_EQ(levels[absent], 0) << "channel " << absent;
        seen.push_back(levels);
    }
    EXPECT_NE(seen.front(), seen[5]) << "levels move";
    bool anyLit = false;
    for (const Bytes& levels : seen)
        anyLit = anyLit || levels[0] > 0;
    EXPECT_TRUE(anyLit);

    // A muted input goes dark, and so does the output it feeds.
    ASSERT_TRUE(Ask(Write(1, 0, 1, 0, 8, {0, 0, 0x4C, 0x04, 0, 0, 0, 0})));
    for (int i = 0; i < 5; ++i) {
        const auto reply = Ask(poll);
        ASSERT_TRUE(reply);
        EXPECT_EQ(Payload(*reply)[0], 0);
        EXPECT_EQ(Payload(*reply)[4], 0);
    }
}

TEST_F(SimLine, UnitsOnOneLineAnswerOnlyTheirOwnId) {
    OpenLine(UnitsOnLine({{3, 1}, {17, 1}, {5, 3}}));
    std::vector<std::pair<int, int>> answered; // (ID, type) from the probe answers
    for (int id = 1; id <= 20; ++id) {
        const auto reply = Ask(Probe(static_cast<std::uint8_t>(id)), 30);
        if (!reply)
            continue;
        EXPECT_EQ(reply->at(2), id);
        EXPECT_EQ(reply->at(5), 0x15);
        const Bytes p = Payload(*reply);
        ASSERT_EQ(p.size(), 2u);
        answered.emplace_back(p[0], p[1]);
    }
    EXPECT_EQ(answered, (std::vector<std::pair<int, int>>{{3, 1}, {5, 3}, {17, 1}}));
    EXPECT_EQ(line->RequestCount(), 20);

    // A write addressed to 17 changes unit 17 only.
    ASSERT_TRUE(Ask(Write(17, 0, 2, 0, 9, {'M', 'o', 'n', 0, 0, 0, 0, 0})));
    const auto at17 = Ask(Read(17, 0, 2, 0, 0));
    const auto at3 = Ask(Read(3, 0, 2, 0, 0));
    ASSERT_TRUE(at17 && at3);
    EXPECT_EQ(Payload(*at17)[72], 'M');
    EXPECT_EQ(Payload(*at3)[72], '1');
}

TEST_F(SimLine, IdChangeIsAddressedToTheOldId) {
    OpenLine(UnitsOnLine({{5, 1}}));
    const auto ack = Ask(Write(5, 0, 3, 0x15, 0, {9, 1}));
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->at(2), 5) << "acknowledged under the old ID";
    EXPECT_FALSE(Ask(Probe(5), 30));
    const auto probe = Ask(Probe(9));
    ASSERT_TRUE(probe);
    EXPECT_EQ(Payload(*probe), (Bytes{9, 1}));
    EXPECT_TRUE(Ask(Read(9, 0, 3, 0x02, 0)));

    // An ID outside 1..250 is refused and the unit keeps its ID.
    EXPECT_FALSE(Ask(Write(9, 0, 3, 0x15, 0, {0, 1}), 30));
    EXPECT_TRUE(Ask(Probe(9)));
}

TEST_F(SimLine, BadRequestsAreIgnoredAndTheNextOneIsAnswered) {
    OpenLine({});
    Bytes bad = Read(1, 0, 3, 0x02, 0);
    bad[bad.size() - 2] ^= 0x01;
    EXPECT_FALSE(Ask(bad, 30));
    // A corrupted length byte that promises more than arrives must not swallow what follows.
    Bytes longer = Read(1, 0, 3, 0x02, 0);
    longer[8] = 0x60;
    EXPECT_FALSE(Ask(longer, 150));
    EXPECT_TRUE(Ask(Read(1, 0, 3, 0x02, 0)));

    struct Row {
        const char* name;
        Bytes request;
    };
    const Row silent[] = {
        {"input channel 4", Read(1, 0, 1, 4, 0)},
        {"slot 31", Read(1, 31, 2, 0, 0x77)},
        {"short block", Write(1, 0, 2, 0, 0, Bytes(40, 0))},
        {"unknown global code", Read(1, 0, 3, 0x30, 0)},
        {"crossover item of type 2", Write(1, 0, 1, 0, 9, {0x64, 0, 0, 0, 0, 0, 0, 2})},
    };
    for (const Row& row : silent)
        EXPECT_FALSE(Ask(row.request, 30)) << row.name;
    // Frames that fail the check are not requests; the refused ones are.
    EXPECT_EQ(line->RequestCount(), 1 + 5);
}

struct FaultCase {
    const char* name;
    SimLineOptions options;
    // Per request 1..4: 'a' answered with a good frame, 'n' the same after line noise, 'c'
    // answered with a bad checksum, '-' no answer.
    const char* expected;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class SimFault : public SimLine, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SimFault, RepliesFollowTheFault) {
    OpenLine(GetParam().options);
    std::string got;
    for (int i = 0; i < 4; ++i) {
        pc->Send(Read(1, 0, 3, 0x02, 0));
        const Bytes bytes = pc->Collect(*line, 40);
        const auto frames = Frames(bytes);
        ASSERT_LE(frames.size(), 1u);
        if (frames.empty())
            got += '-';
        else if (!CheckFrame(frames.front()))
            got += 'c';
        else
            got += bytes.front() == 0xFF ? 'a' : 'n';
    }
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimFault,
    ::testing::Values(
        FaultCase{"Silent", Options([](SimLineOptions& o) { o.silent = true; }), "----"},
        FaultCase{"DropEverySecond", Options([](SimLineOptions& o) { o.dropEvery = 2; }), "a-a-"},
        FaultCase{"CorruptEveryThird", Options([](SimLineOptions& o) { o.corruptEvery = 3; }),
                  "aaca"},
        FaultCase{"SilentAfterTwo", Options([](SimLineOptions& o) { o.silentAfter = 2; }), "aa--"},
        FaultCase{"GarbageEverySecond", Options([](SimLineOptions& o) { o.garbageEvery = 2; }),
                  "anan"},
        FaultCase{"Split", Options([](SimLineOptions& o) { o.split = true; }), "aaaa"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WrongAnswerCase {
    const char* name;
    SimLineOptions options;
    // Per request 1..4, separated by '|', each reply frame that came back: 'r' the block asked
    // for, 'k' an acknowledgement in its place, 'c' another channel, 's' another slot, 'h' one
    // byte short; 'f' before them when ten bytes that start like a long frame came first.
    const char* expected;
};

void PrintTo(const WrongAnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class SimWrongAnswer : public SimLine, public ::testing::WithParamInterface<WrongAnswerCase> {};

TEST_P(SimWrongAnswer, RepliesAnswerSomethingElseAsTheOptionSays) {
    OpenLine(GetParam().options);
    std::string got;
    for (int i = 0; i < 4; ++i) {
        pc->Send(Read(1, 5, 2, 3, 0x77)); // output 4 of memory 5, for a backup
        const Bytes bytes = pc->Collect(*line, 40);
        if (i > 0)
            got += '|';
        if (bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xB1)
            got += 'f';
        // The PC's own receiver, given time to drop a false start.
        FrameAssembler receiver;
        const FrameAssembler::Clock::time_point t0{};
        std::vector<Bytes> frames = receiver.Feed(bytes, t0).frames;
        for (Bytes& frame : receiver.Expire(t0 + std::chrono::seconds(1)).frames)
            frames.push_back(std::move(frame));
        for (const Bytes& f : frames)
            got += f[1] == 0x51 ? 'k' : f[5] != 3 ? 'c' : f[3] != 5 ? 's' : f[8] != 80 ? 'h' : 'r';
    }
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimWrongAnswer,
    ::testing::Values(
        WrongAnswerCase{"RepeatLateEverySecond",
                        Options([](SimLineOptions& o) { o.repeatLateEvery = 2; }), "r|r|rr|r"},
        WrongAnswerCase{"AckInsteadEverySecond",
                        Options([](SimLineOptions& o) { o.ackInsteadEvery = 2; }), "r|k|r|k"},
        WrongAnswerCase{"OtherChannelEveryThird",
                        Options([](SimLineOptions& o) { o.otherChannelEvery = 3; }), "r|r|c|r"},
        WrongAnswerCase{"OtherSlotEverySecond",
                        Options([](SimLineOptions& o) { o.otherSlotEvery = 2; }), "r|s|r|s"},
        WrongAnswerCase{"ShortBlockEveryFourth",
                        Options([](SimLineOptions& o) { o.shortBlockEvery = 4; }), "r|r|r|h"},
        WrongAnswerCase{"FalseStartEverySecond",
                        Options([](SimLineOptions& o) { o.falseStartEvery = 2; }), "r|fr|r|fr"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLine, SplitRepliesArriveInPieces) {
    OpenLine(Options([](SimLineOptions& o) { o.split = true; }));
    line->Start(); // the unit writes while the PC reads
    pc->Send(Read(1, 0, 2, 0, 0));
    int reads = 0;
    const Bytes got = ReadOneReply(pc->fd(), &reads);
    line->Stop();
    ASSERT_EQ(Frames(got).size(), 1u);
    EXPECT_TRUE(CheckFrame(Frames(got).front()));
    EXPECT_GT(reads, 1);
}

TEST_F(SimLine, BaudTimingTakesTheLineTimeOfRequestAndReply) {
    OpenLine(Options([](SimLineOptions& o) { o.baudTiming = true; }));
    line->Start();
    const auto start = Clock::now();
    pc->Send(Read(1, 0, 3, 0x02, 0)); // 3 + 19 bytes out, 2 + 23 bytes back
    const Bytes got = ReadOneReply(pc->fd());
    const auto elapsed = Clock::now() - start;
    line->Stop();
    ASSERT_EQ(Frames(got).size(), 1u);
    // Ten bit times per byte at 9600 baud; only the lower bound is firm on a busy machine.
    EXPECT_GE(elapsed, std::chrono::microseconds((22 + 25) * 10 * 1000000LL / 9600));
}

TEST_F(SimLine, HangupAfterNRequestsClosesTheLine) {
    OpenLine(Options([](SimLineOptions& o) { o.hangupAfter = 2; }));
    EXPECT_TRUE(Ask(Read(1, 0, 3, 0x02, 0)));
    EXPECT_TRUE(Ask(Read(1, 0, 3, 0x02, 0))) << "the last request is still answered";
    EXPECT_TRUE(line->HangupPending());
    EXPECT_EQ(line->Poll(0), -1) << "closed once the PC has read the reply";
    EXPECT_FALSE(line->IsOpen());
    pollfd p{pc->fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 100), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
}

TEST(SimLineThread, ServesFromItsOwnThreadAndStops) {
    VirtualLine line({});
    ASSERT_TRUE(line.Open());
    line.Start();
    PcSide pc(line.SlavePath());
    pc.Send(Read(1, 0, 3, 0x02, 0));
    const Bytes got = ReadOneReply(pc.fd());
    ASSERT_EQ(Frames(got).size(), 1u);
    line.Stop();
    EXPECT_EQ(line.WithUnits([](auto& units) { return units.front().deviceId(); }), 1);
}

// A private virtual-unit directory for link tests.
class SimLinks : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/tavrel-sim-test.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        runtime = dir;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old)
            saved = old;
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    void TearDown() override {
        if (saved)
            setenv("XDG_RUNTIME_DIR", saved->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(runtime, ignored);
    }
    static bool Exists(const std::string& path) {
        struct stat st {};
        return lstat(path.c_str(), &st) == 0;
    }
    std::string runtime;
    std::optional<std::string> saved;
};

TEST_F(SimLinks, LinksLeadToTheDeviceAndAreRemoved) {
    const std::string named = runtime + "/tavrel/stage-left";
    const std::string extra = runtime + "/my-unit";
    // Left behind by a unit that died.
    ASSERT_EQ(symlink("/nonexistent/pts/99", extra.c_str()), 0);
    {
        VirtualLine line(Options([&](SimLineOptions& o) {
            o.linkName = "stage-left";
            o.extraLinks = {extra};
        }));
        std::string error;
        ASSERT_TRUE(line.Open(&error)) << error;
        for (const std::string& link : {named, extra}) {
            char target[256] = {};
            ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << link;
            EXPECT_EQ(std::string(target), line.SlavePath());
        }
        // A second unit cannot take a name in use.
        VirtualLine twin(Options([](SimLineOptions& o) { o.linkName = "stage-left"; }));
        EXPECT_FALSE(twin.Open(&error));
        EXPECT_TRUE(Exists(named));
    }
    EXPECT_FALSE(Exists(named));
    EXPECT_FALSE(Exists(extra));
}

// The names of the running virtual units the port list shows.
std::vector<std::string> ListedUnits() {
    PortEntryList ports;
    ListSerialPorts(ports, false);
    std::vector<std::string> names;
    for (const PortEntry& port : ports)
        if (port.description.rfind("Virtual unit ", 0) == 0)
            names.push_back(port.sourceName);
    return names;
}

TEST_F(SimLinks, LeftoversOfUnitsThatDiedAreNeverListedAndTheNextUnitRemovesThem) {
    const std::string dir = runtime + "/tavrel";
    std::filesystem::create_directories(dir);
    // Another program's pseudo-terminal has the number a dead unit had, so its link leads to a
    // device that exists.
    int master = -1, slave = -1;
    char reused[128] = {};
    ASSERT_EQ(openpty(&master, &slave, reused, nullptr, nullptr), 0);
    ASSERT_EQ(symlink(reused, (dir + "/killed").c_str()), 0);
    { std::ofstream(dir + "/.killed.lock") << "4242\n"; }
    ASSERT_EQ(symlink(reused, (dir + "/unlocked").c_str()), 0);
    { std::ofstream(dir + "/.gone.lock") << "4243\n"; }
    EXPECT_EQ(ListedUnits(), std::vector<std::string>{});

    {
        VirtualLine line(Options([](SimLineOptions& o) { o.linkName = "next"; }));
        std::string error;
        ASSERT_TRUE(line.Open(&error)) << error;
        EXPECT_EQ(ListedUnits(), std::vector<std::string>{"next"});
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{".next.lock", "next"}));
        std::ifstream pid(dir + "/.next.lock");
        int number = 0;
        pid >> number;
        EXPECT_EQ(number, getpid());
    }
    EXPECT_FALSE(Exists(dir + "/next"));
    EXPECT_FALSE(Exists(dir + "/.next.lock"));
    close(master);
    close(slave);
}

TEST_F(SimLinks, ProgramKilledOutrightIsNoLongerListed) {
    const std::string program = std::string(TAVREL_BINARY_DIR) + "/tools/tavrel-unit-sim";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), "--name", "bench", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
    }
    close(out[0]);
    EXPECT_EQ(ListedUnits(), std::vector<std::string>{"bench"});
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(Exists(runtime + "/tavrel/bench")) << "nothing ran to remove it";
    EXPECT_EQ(ListedUnits(), std::vector<std::string>{});
}

TEST_F(SimLinks, ProgramPrintsItsDeviceAndCleansUpOnSigterm) {
    const std::string program = std::string(TAVREL_BINARY_DIR) + "/tools/tavrel-unit-sim";
    ASSERT_EQ(access(program.c_str(), X_OK), 0) << program << " is built with the tests";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), "--name", "bench", "--unit", "7:3x6",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string path;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        path += c;
    close(out[0]);
    ASSERT_FALSE(path.empty());
    const std::string link = runtime + "/tavrel/bench";
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), path);

    {
        // The program answers a probe for its unit with the unit's type.
        PcSide pc(link);
        ASSERT_TRUE(pc.ok());
        pc.Send(Probe(7));
        const Bytes got = ReadOneReply(pc.fd());
        ASSERT_EQ(Frames(got).size(), 1u);
        EXPECT_EQ(Payload(Frames(got).front()), (Bytes{7, 2}));
    }

    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(Exists(link));
}

TEST(SimArguments, UnitSpecs) {
    struct Row {
        const char* text;
        std::optional<std::pair<int, int>> expected;
    };
    const Row rows[] = {
        {"1:4x8", std::pair{1, 1}}, {"17:3x6", std::pair{17, 2}}, {"250:2x4", std::pair{250, 3}},
        {"5", std::pair{5, 1}},     {"9:3", std::pair{9, 3}},     {"0:4x8", std::nullopt},
        {"251", std::nullopt},      {"3:5x5", std::nullopt},      {"x:4x8", std::nullopt},
        {"3:", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto parsed = ParseUnitSpec(row.text);
        ASSERT_EQ(parsed.has_value(), row.expected.has_value()) << row.text;
        if (parsed) {
            EXPECT_EQ(std::pair(parsed->deviceId, parsed->deviceType), *row.expected) << row.text;
        }
    }
}

TEST(SimArguments, OptionsAndErrors) {
    SimProgramOptions options;
    std::string error;
    const std::vector<std::string_view> args = {"--unit",       "3:4x8", "--unit", "5:2x4",
                                                "--drop-every", "4",     "--split"};
    ASSERT_TRUE(ParseSimArguments(args, &options, &error)) << error;
    ASSERT_EQ(options.line.units.size(), 2u);
    EXPECT_EQ(options.line.units[1].deviceType, 3);
    EXPECT_EQ(options.line.dropEvery, 4);
    EXPECT_TRUE(options.line.split);

    ASSERT_TRUE(ParseSimArguments({}, &options, &error));
    ASSERT_EQ(options.line.units.size(), 1u) << "one unit 1:4x8 by default";
    EXPECT_EQ(options.line.units[0].deviceId, 1);

    const std::vector<std::vector<std::string_view>> bad = {
        {"--unit", "3", "--unit", "3:2x4"}, // the same ID twice
        {"--drop-every", "0"},
        {"--hangup-after"},
        {"--name", "a/b"},
        {"--frobnicate"},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(ParseSimArguments(b, &options, &error)) << b.front();
}

} // namespace
