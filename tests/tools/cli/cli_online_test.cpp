// The online tavrel-cli commands end to end: the built program runs as a child process against
// virtual units served in this process over a real pseudo-terminal, paced in real time as the
// application paces (except where a test asks for a faster tick to move a whole bank).

#include "TerminalSettings.h"
#include "VirtualLine.h"
#include "files/ProgramFile.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kCli = std::string(TAVREL_BINARY_DIR) + "/tools/cli/tavrel-cli";

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
    double seconds = 0;
};

// Runs tavrel-cli with the arguments; kills it after 90 s. `meanwhile` is called every few
// milliseconds with the child's process ID while it runs.
CliRun RunCli(const std::vector<std::string>& args,
              const std::function<void(pid_t)>& meanwhile = {}) {
    CliRun run;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        std::vector<char*> argv{const_cast<char*>(kCli.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kCli.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        if (Clock::now() - start > std::chrono::seconds(90)) {
            kill(pid, SIGKILL);
            break;
        }
        if (meanwhile)
            meanwhile(pid);
        if (poll(fds, 2, meanwhile ? 2 : 500) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

std::string Describe(const CliRun& run) {
    return "exit " + std::to_string(run.status) + " after " + std::to_string(run.seconds) +
           " s\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

class CliOnlineTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kCli)) << kCli << " is missing: build the tavrel-cli target";
        // One fresh folder per test, removed whole afterwards (a parameterised test's name
        // holds a '/', which would leave an empty parent folder behind).
        std::string pattern = (fs::temp_directory_path() / "tavrel-cli-online-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        // The virtual unit publishes its link here, and the child sees the same directory.
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override {
        m_line.reset();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // Starts a line with the given options, served by its own thread.
    void StartLine(SimLineOptions options) {
        m_line = std::make_unique<VirtualLine>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_line->Open(&error)) << error;
        m_line->Start();
    }
    static SimLineOptions Units(std::vector<SimUnitSpec> units) {
        SimLineOptions options;
        options.units = std::move(units);
        return options;
    }

    std::string Port() const { return m_line->SlavePath(); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    VirtualUnit Unit(std::size_t i = 0) {
        return m_line->WithUnits([&](std::vector<VirtualUnit>& units) { return units.at(i); });
    }

    fs::path m_dir;
    std::unique_ptr<VirtualLine> m_line;
};

int Word(const std::uint8_t* at) {
    return at[0] | (at[1] << 8);
}

// ---- Commands --------------------------------------------------------------------------------

TEST_F(CliOnlineTest, PortsListsARunningVirtualUnit) {
    SimLineOptions options;
    options.linkName = "bench";
    StartLine(options);
    const CliRun run = RunCli({"ports"});
    ASSERT_EQ(run.status, 0) << Describe(run);
    const std::string expected =
        (m_dir / "tavrel" / "bench").string() + "\t-\tVirtual unit bench\n";
    EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
}

// A port is left with the settings it had, whether probed by `ports --test-open`, used to the
// end or left on a signal; the settings here are a console's, not a line's.
TEST_F(CliOnlineTest, PortIsLeftWithTheTerminalSettingsItHad) {
    SimLineOptions options;
    options.linkName = "bench";
    StartLine(options);
    const int observer = ::open(Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(observer, 0);
    const termios found = CookedTerminalSettings(observer);
    const std::string link = (m_dir / "tavrel" / "bench").string();
    struct Use {
        const char* what;
        std::vector<std::string> args;
        int status;
        int signalAfter; // requests the unit has taken in when SIGINT comes; 0: none
    };
    const std::vector<Use> uses{
        {"ports --test-open", {"ports", "--test-open"}, 0, 0},
        {"read", {"read", "--port", link, "--tick-ms", "10", File("r.dia48")}, 0, 0},
        {"meters left on SIGINT", {"meters", "--port", link, "--count", "100000"}, 130, 3},
    };
    for (const Use& use : uses) {
        SCOPED_TRACE(use.what);
        const int before = m_line->RequestCount();
        bool signalled = false;
        const CliRun run = RunCli(use.args, [&](pid_t pid) {
            if (use.signalAfter > 0 && !signalled &&
                m_line->RequestCount() >= before + use.signalAfter) {
                kill(pid, SIGINT);
                signalled = true;
            }
        });
        EXPECT_EQ(run.status, use.status) << Describe(run);
        termios left{};
        ASSERT_EQ(::tcgetattr(observer, &left), 0);
        EXPECT_TRUE(SameTerminalSettings(left, found));
        if (use.args.front() == "ports") {
            EXPECT_NE(run.out.find(link + "\t-\tVirtual unit bench\n"), std::string::npos)
                << "the probe finds the unit's port free";
        }
    }
    ::close(observer);
}

TEST_F(CliOnlineTest, SearchListsTheUnitsOfTheTypeInAscendingOrder) {
    StartLine(Units({{17, 1}, {3, 1}, {5, 2}}));
    const CliRun run = RunCli({"search", "--port", Port(), "--ids", "1-20"});
    ASSERT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(run.out, "3\n17\n");
    EXPECT_EQ(run.err, ""); // no progress lines: standard error is no terminal

    const CliRun none = RunCli({"search", "--port", Port(), "--ids", "4-6"});
    ASSERT_EQ(none.status, 0) << Describe(none);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "No 4x8 unit answered on " + Port() + " (IDs 4-6).\n");
}

TEST_F(CliOnlineTest, SearchFindsEveryUnitThroughDroppedAndDamagedAnswers) {
    SimLineOptions options = Units({{3, 1}, {7, 1}, {12, 1}});
    // Counted over the units' answers: ID 12's first answer is dropped, its second (in the pass
    // over the silent IDs) damaged, and its third comes through.
    options.dropEvery = 3;
    options.corruptEvery = 4;
    StartLine(options);
    const CliRun once = RunCli({"search", "--port", Port(), "--ids", "1-15"});
    ASSERT_EQ(once.status, 0) << Describe(once);
    EXPECT_EQ(once.out, "3\n7\n") << "a dropped answer is silence, and one pass hears none";

    m_line.reset(); // the same faults, counted afresh
    StartLine(options);
    const CliRun again = RunCli({"search", "--port", Port(), "--ids", "1-15", "--retries", "1"});
    ASSERT_EQ(again.status, 0) << Describe(again);
    EXPECT_EQ(again.out, "3\n7\n12\n");
    EXPECT_EQ(again.err, "");
}

TEST_F(CliOnlineTest, WriteStoresAFileAsAMemoryAndReadBringsItBack) {
    StartLine(Units({{4, 1}}));
    ProgramContainer program;
    program.setProgramName("Stage");
    program.input(0).setName("Kick");
    program.output(2).setGain(300);
    program.output(5).highPass().setFrequency(250);
    ASSERT_EQ(SaveProgramSetting(File("stage.dia48"), program), ProgramFileStatus::Ok);

    const CliRun write =
        RunCli({"write", "--port", Port(), "--id", "4", "--slot", "5", File("stage.dia48")});
    ASSERT_EQ(write.status, 0) << Describe(write);
    EXPECT_EQ(write.out, "Wrote \"Stage\" from " + File("stage.dia48") +
                             " to program 5 of the 4x8 with ID 4\n");
    const VirtualUnit unit = Unit();
    EXPECT_EQ(unit.ProgramName(5), "Stage");
    const OutputBlock& out2 = unit.Program(5).outputs[2];
    EXPECT_EQ(Word(&out2[50]), 300 + 700);                 // gain code of the 4x8
    EXPECT_EQ(Word(&unit.Program(5).outputs[5][56]), 250); // high-pass frequency
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&unit.Program(5).inputs[0][88]), 4),
              "Kick");

    // A name without an extension gets the model's.
    const CliRun read =
        RunCli({"read", "--port", Port(), "--id", "4", "--slot", "5", File("back")});
    ASSERT_EQ(read.status, 0) << Describe(read);
    EXPECT_EQ(read.out,
              "Read program 5 (\"Stage\") of the 4x8 with ID 4 into " + File("back.dia48") + "\n");
    ProgramContainer back;
    ASSERT_EQ(LoadProgramSetting(File("back.dia48"), back), ProgramFileStatus::Ok);
    EXPECT_EQ(back.programName(), "Stage");
    EXPECT_EQ(back.input(0).nameText(), "Kick");
    EXPECT_EQ(back.output(2).gain(), 300);
    EXPECT_EQ(back.output(5).highPass().frequency(), 250);
}

TEST_F(CliOnlineTest, BackupAndRestoreMoveAllThirtyMemories) {
    StartLine(Units({{1, 1}}));
    const CliRun backup =
        RunCli({"backup", "--port", Port(), "--tick-ms", "10", File("all.dat48")});
    ASSERT_EQ(backup.status, 0) << Describe(backup);
    EXPECT_EQ(backup.out,
              "Read the 30 programs of the 4x8 with ID 1 into " + File("all.dat48") + "\n");
    EXPECT_EQ(backup.err, ""); // no progress lines: standard error is no terminal
    ProgramBank bank{};
    ASSERT_EQ(LoadProgramLibrary(File("all.dat48"), 1, bank), ProgramFileStatus::Ok);
    EXPECT_EQ(bank[0].name, "Prog01");
    EXPECT_EQ(bank[29].name, "Prog30");
    EXPECT_EQ(bank[29].outputs[7].name, "8");

    for (int i = 0; i < kProgramMemoryCount; ++i)
        bank[static_cast<std::size_t>(i)].name = "Bank" + std::to_string(i + 1);
    bank[11].outputs[3].gain = 123;
    ASSERT_EQ(SaveProgramLibrary(File("new.dat48"), bank), ProgramFileStatus::Ok);
    const CliRun restore =
        RunCli({"restore", "--port", Port(), "--tick-ms", "10", File("new.dat48")});
    ASSERT_EQ(restore.status, 0) << Describe(restore);
    EXPECT_EQ(restore.out,
              "Wrote the 30 programs of " + File("new.dat48") + " to the 4x8 with ID 1\n");
    EXPECT_EQ(restore.err, "");
    const VirtualUnit unit = Unit();
    EXPECT_EQ(unit.ProgramName(1), "Bank1");
    EXPECT_EQ(unit.ProgramName(30), "Bank30");
    EXPECT_EQ(Word(&unit.Program(12).outputs[3][50]), 123 + 700);
}

TEST_F(CliOnlineTest, SetIdGivesTheUnitItsNewId) {
    StartLine(Units({{1, 1}}));
    const CliRun run = RunCli({"set-id", "--port", Port(), "--id", "1", "9"});
    ASSERT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(run.out, "The 4x8 with ID 1 now has ID 9\n");
    EXPECT_EQ(Unit().deviceId(), 9);
}

TEST_F(CliOnlineTest, SetIdRefusesAnIdAnotherUnitOnTheLineHas) {
    StartLine(Units({{1, 1}, {9, 1}}));
    const CliRun run = RunCli({"set-id", "--port", Port(), "--id", "1", "--tick-ms", "10", "9"});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Device ID 9 is taken: a unit with ID 9 already answers on this line. "
                       "The unit with ID 1 keeps its ID.\n");
    EXPECT_EQ(Unit(0).deviceId(), 1);
    EXPECT_EQ(Unit(1).deviceId(), 9);
}

TEST_F(CliOnlineTest, MetersPrintAHeadingAndTheCodesOfTheModelsChannels) {
    StartLine(Units({{1, 1}, {7, 3}}));
    struct Row {
        std::vector<std::string> args;
        std::string heading;
    };
    const std::vector<Row> rows{
        {{}, "InA InB InC InD Out1 Out2 Out3 Out4 Out5 Out6 Out7 Out8"},
        {{"--id", "7", "--type", "2x4"}, "InA InB Out1 Out2 Out3 Out4"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args{"meters", "--port",    Port(), "--count",
                                      "3",      "--tick-ms", "10"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CliRun run = RunCli(args);
        ASSERT_EQ(run.status, 0) << Describe(run);
        std::istringstream lines(run.out);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, row.heading);
        const auto columns = std::count(row.heading.begin(), row.heading.end(), ' ') + 1;
        int count = 0;
        while (std::getline(lines, line)) {
            EXPECT_EQ(line.size(), row.heading.size()) << "aligned under the heading: " << line;
            std::istringstream codes(line);
            int code = 0, n = 0;
            while (codes >> code) {
                EXPECT_TRUE((code >= 0 && code <= 9) || (code >= 17 && code <= 25)) << line;
                ++n;
            }
            EXPECT_EQ(n, columns) << line;
            ++count;
        }
        EXPECT_EQ(count, 3);
    }
}

// ---- What goes on the line -------------------------------------------------------------------

// A request as the unit sees it: kind, slot, section and channel or global code.
using RequestKey = std::tuple<int, int, int, int>;

std::vector<RequestKey> BlockRequests(int kind, int slot, std::vector<std::pair<int, int>> order) {
    std::vector<RequestKey> keys;
    for (const auto& [section, count] : order)
        for (int channel = 0; channel < count; ++channel)
            keys.emplace_back(kind, slot, section, channel);
    return keys;
}

struct RequestCase {
    const char* name;
    std::vector<std::string> args; // after the command: the port is added
    std::vector<RequestKey> expected;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class CliRequestTest : public CliOnlineTest, public testing::WithParamInterface<RequestCase> {};

// Every request but the meter polls, which the send tick puts in whenever nothing else waits:
// the probe, then only what the command's output needs.
TEST_P(CliRequestTest, SendsOnlyTheRequestsItsOutputNeeds) {
    const RequestCase& c = GetParam();
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    ProgramContainer program;
    ASSERT_EQ(SaveProgramSetting(File("p.dia48"), program), ProgramFileStatus::Ok);
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"--port", Port()});
    if (args.front() == "meters")
        args.push_back("--count=1");
    else if (args.front() == "read" || args.front() == "write")
        args.push_back(File("p.dia48"));
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.status, 0) << Describe(run);

    std::vector<RequestKey> sent;
    for (const SimExchange& exchange : m_line->Exchanges()) {
        const auto& r = exchange.request;
        const RequestKey key{r[1], r[3], r[4], r[5]};
        if (key != RequestKey{kKindRead, 0, kSectionGlobal, kGlobalMeters})
            sent.push_back(key);
    }
    std::vector<RequestKey> expected{{kKindRead, 0, kSectionGlobal, kGlobalDeviceId}};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(sent, expected);
}

std::vector<RequestKey> Concat(std::vector<RequestKey> a, const std::vector<RequestKey>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliRequestTest,
    testing::Values(
        RequestCase{"ReadReadsTheProgramsNameAndItsBlocks",
                    {"read", "--slot", "5"},
                    Concat({{kKindRead, 5, kSectionGlobal, kGlobalProgramName}},
                           BlockRequests(kKindRead, 5, {{kSectionInput, 4}, {kSectionOutput, 8}}))},
        RequestCase{
            "WriteReadsNothing",
            {"write", "--slot", "3"},
            Concat({{kKindWrite, 3, kSectionGlobal, kGlobalProgramName}},
                   BlockRequests(kKindWrite, 3, {{kSectionOutput, 8}, {kSectionInput, 4}}))},
        RequestCase{"MetersReadsNothingButTheMeters", {"meters"}, {}},
        RequestCase{"GetOfOneSettingReadsItsChannelAlone",
                    {"get", "in.B.gain"},
                    {{kKindRead, 0, kSectionInput, 1}}},
        RequestCase{"GetOfAUnitSettingReadsItAlone",
                    {"get", "unit.backlight"},
                    {{kKindRead, 0, kSectionGlobal, kGlobalBacklight}}},
        RequestCase{"SetOfOneSettingReadsAndWritesItsChannelAlone",
                    {"set", "out.3.gain=1"},
                    {{kKindRead, 0, kSectionOutput, 2}, {kKindWrite, 0, kSectionOutput, 2}}},
        RequestCase{"SetOfSettingsOfTwoChannelsAndTheUnit",
                    {"set", "out.8.delay=1", "in.A.gain=-3", "unit.temperature=30"},
                    {{kKindRead, 0, kSectionGlobal, kGlobalTemperature},
                     {kKindRead, 0, kSectionInput, 0},
                     {kKindRead, 0, kSectionOutput, 7},
                     {kKindWrite, 0, kSectionGlobal, kGlobalTemperature},
                     {kKindWrite, 0, kSectionInput, 0},
                     {kKindWrite, 0, kSectionOutput, 7}}}),
    [](const testing::TestParamInfo<RequestCase>& info) { return info.param.name; });

// ---- Settings by name ------------------------------------------------------------------------

// The write requests the line took in from request `first` on: section, channel, parameter code.
using WriteKey = std::tuple<int, int, int>;
std::vector<WriteKey> Writes(const std::vector<SimExchange>& log, std::size_t first = 0) {
    std::vector<WriteKey> writes;
    for (std::size_t i = first; i < log.size(); ++i) {
        const auto& r = log[i].request;
        if (r[kOffsetKind] == kKindWrite)
            writes.emplace_back(r[kOffsetSection], r[kOffsetChannel], r[kOffsetParameter]);
    }
    return writes;
}

TEST_F(CliOnlineTest, SetSendsACrossoverAsItsRunOfOctaveSteps) {
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    const CliRun first = RunCli({"set", "--port", Port(), "--tick-ms", "10", "out.2.hpf.freq=100"});
    ASSERT_EQ(first.status, 0) << Describe(first);
    const std::size_t from = m_line->Exchanges().size();

    const CliRun run = RunCli({"set", "--port", Port(), "--tick-ms", "10", "out.2.hpf.freq=1600"});
    ASSERT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(run.out, "out.2.hpf.freq=1600 (was 100)\n");
    EXPECT_EQ(run.err, "");
    // One octave per frame, the last frequency sent once more as the item settles.
    std::vector<int> run1600;
    const std::vector<SimExchange> log = m_line->Exchanges();
    for (std::size_t i = from; i < log.size(); ++i) {
        const auto& r = log[i].request;
        if (r[kOffsetKind] != kKindWrite)
            continue;
        EXPECT_EQ(std::make_tuple(int(r[kOffsetSection]), int(r[kOffsetChannel]),
                                  int(r[kOffsetParameter])),
                  std::make_tuple(int(kSectionOutput), 1, OutputChannel::kCrossoverCode));
        run1600.push_back(Word(&r[kOffsetPayload]));
    }
    EXPECT_EQ(run1600, (std::vector<int>{200, 400, 800, 1600, 1600}));
    EXPECT_EQ(Word(&Unit().Program(0).outputs[1][56]), 1600);
}

TEST_F(CliOnlineTest, SetOfFiveParametersSendsExactlyFiveChanges) {
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    const CliRun run =
        RunCli({"set", "--port", Port(), "--tick-ms", "10", "in.A.gain=-3", "in.B.gate=-30",
                "out.1.eq.2.freq=250", "out.3.limiter.threshold=-5", "unit.temperature=30"});
    ASSERT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(run.out, "in.A.gain=-3.0 (was 0.0)\n"
                       "in.B.gate=-30.0 (was 0.0)\n"
                       "out.1.eq.2.freq=250 (was 10)\n"
                       "out.3.limiter.threshold=-5.0 (was 10.0)\n"
                       "unit.temperature=30 (was 25)\n");
    // The unit-wide frame goes out as it is queued, then the scan sends the edits in its order.
    const std::vector<WriteKey> expected{
        {kSectionGlobal, kGlobalTemperature, 0},
        {kSectionInput, 0, InputChannel::kMainCode},
        {kSectionInput, 1, InputChannel::kGateCode},
        {kSectionOutput, 0, 1},
        {kSectionOutput, 2, OutputChannel::kDynamicsCode},
    };
    EXPECT_EQ(Writes(m_line->Exchanges()), expected);
    EXPECT_EQ(Unit().Globals().temperature, 30);

    const CliRun get =
        RunCli({"get", "--port", Port(), "--tick-ms", "10", "out.1.eq.2.freq", "unit.temperature"});
    ASSERT_EQ(get.status, 0) << Describe(get);
    EXPECT_EQ(get.out, "out.1.eq.2.freq=250\nunit.temperature=30\n");
}

TEST_F(CliOnlineTest, SetPrintsTheTextAsTheUnitKeepsIt) {
    StartLine({});
    // A channel name comes back without the blanks at its end, an interface line without those
    // at either end.
    const CliRun set = RunCli(
        {"set", "--port", Port(), "--tick-ms", "10", "in.A.name= x ", "unit.line2=  Hall  "});
    ASSERT_EQ(set.status, 0) << Describe(set);
    EXPECT_EQ(set.out, "in.A.name= x (was A)\nunit.line2=Hall (was )\n");
    EXPECT_EQ(set.err, "tavrel-cli: note: in.A.name: the unit keeps \" x\"\n"
                       "tavrel-cli: note: unit.line2: the unit keeps \"Hall\"\n");
    const CliRun get =
        RunCli({"get", "--port", Port(), "--tick-ms", "10", "in.A.name", "unit.line2"});
    ASSERT_EQ(get.status, 0) << Describe(get);
    EXPECT_EQ(get.out, "in.A.name= x\nunit.line2=Hall\n");
}

TEST_F(CliOnlineTest, SetWithAnInvalidArgumentAmongValidOnesSendsNothing) {
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    struct Row {
        std::vector<std::string> values;
        std::string err;
        int requests; // requests the line takes in: none before the values are all checked
    };
    const std::vector<Row> rows{
        {{"in.A.gain=-3", "in.A.gain=x", "unit.temperature=30"},
         "tavrel-cli: error: in.A.gain is given twice\n",
         0},
        {{"in.A.gain=-3", "out.9.gain=1", "unit.temperature=30"},
         "tavrel-cli: error: out.9.gain: the 4x8 has outputs 1 to 8\n",
         0},
        {{"in.A.gain=-3", "in.B.delay=soon"},
         "tavrel-cli: error: in.B.delay: soon is not a number (0.0000 to 1000 ms)\n",
         0},
        // Out of range: refused, not limited to the range and sent.
        {{"out.1.hpf.freq=40000", "in.A.gain=-3"},
         "tavrel-cli: error: out.1.hpf.freq: 40000 is Out of Range (10 to 30000 Hz)\n",
         0},
        // Refused by the rules only once the live settings are known: read, but nothing sent.
        {{"in.A.gain=-3", "out.1.limiter.ratio=1:4", "unit.temperature=30"},
         "tavrel-cli: error: out.1.limiter.ratio: only a compressor has a ratio "
         "(limiter.type=compressor). Nothing was sent.\n",
         -1},
    };
    for (const Row& row : rows) {
        const std::size_t before = m_line->Exchanges().size();
        std::vector<std::string> args{"set", "--port", Port(), "--tick-ms", "10"};
        args.insert(args.end(), row.values.begin(), row.values.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << Describe(run);
        EXPECT_EQ(run.err.substr(0, run.err.find("Usage:")), row.err);
        EXPECT_EQ(run.out, "");
        if (row.requests >= 0) {
            EXPECT_EQ(m_line->Exchanges().size(), before + static_cast<std::size_t>(row.requests));
        }
        EXPECT_EQ(Writes(m_line->Exchanges(), before), std::vector<WriteKey>{});
    }
    EXPECT_EQ(Unit().Globals().temperature, 25);
}

TEST_F(CliOnlineTest, BackupAllBacksUpEveryUnitOfTheTypeAndReportsOneThatFails) {
    StartLine(Units({{1, 1}, {3, 3}, {5, 1}}));
    const fs::path dir = m_dir / "backups";
    fs::create_directories(dir / "unit-5.dat48"); // a folder where the file of ID 5 would go
    // Three units are expected on the line; the 2x4 is not of the type searched.
    const CliRun run = RunCli({"backup-all", "--port", Port(), "--ids", "1-6", "--expect", "3",
                               "--tick-ms", "10", dir.string()});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.out, "Found 2 4x8 units on " + Port() +
                           ": ID 1 and 5\nRead the 30 programs of the 4x8 with ID 1 into " +
                           (dir / "unit-1.dat48").string() + "\n");
    EXPECT_EQ(run.err, "3 units were expected, but only 2 answered; the units found are backed up "
                       "all the same.\ntavrel-cli: MusicFile Write Error: " +
                           (dir / "unit-5.dat48").string() +
                           ": is a directory\n1 of 2 units were backed up; not backed up: ID 5\n"
                           "Only 2 of the 3 units expected were found.\n");
    ProgramBank bank{};
    ASSERT_EQ(LoadProgramLibrary((dir / "unit-1.dat48").string(), 1, bank), ProgramFileStatus::Ok);
    EXPECT_EQ(bank[29].name, "Prog30");
    EXPECT_FALSE(fs::exists(dir / "unit-3.dat24")); // the 2x4 is not of the type searched

    // No unit of the type on the line: a failure, and no folder is left behind.
    const fs::path none = m_dir / "none";
    const CliRun empty = RunCli({"backup-all", "--port", Port(), "--type", "3x6", "--ids", "1-6",
                                 "--tick-ms", "10", none.string()});
    EXPECT_EQ(empty.status, 1) << Describe(empty);
    EXPECT_EQ(empty.err,
              "No 3x6 unit answered on " + Port() + " (IDs 1-6): nothing was backed up.\n");
    EXPECT_FALSE(fs::exists(none));
}

// ---- Save targets --------------------------------------------------------------------------

// What a save target test puts where a command would save: the reason a save gives for it, or ""
// when it cannot be made here (a device node needs root).
struct SaveTargetCase {
    const char* name;
    std::string (*make)(const fs::path& dir, const fs::path& target, const std::string& pty);
    std::string readReason; // what a read of it says
};

void PrintTo(const SaveTargetCase& c, std::ostream* os) {
    *os << c.name;
}

class CliSaveTargetTest : public CliOnlineTest,
                          public testing::WithParamInterface<SaveTargetCase> {};

// Every command that saves a file refuses a target that is not a regular file, says why, leaves
// it as it was and exits 1; the commands that read a unit refuse before they ask it anything.
TEST_P(CliSaveTargetTest, EveryCommandThatSavesRefusesItAndLeavesItAsItWas) {
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    const fs::path dir = fs::canonical(m_dir);
    ProgramContainer program;
    ASSERT_EQ(SaveProgramSetting((dir / "source.dia48").string(), program), ProgramFileStatus::Ok);
    struct Command {
        const char* name;
        std::string file; // the target's name in its folder
        std::vector<std::string> args;
        std::string message; // what stderr starts with, before the target's path
        bool readsTheUnit;   // talks to the unit before it would save
    };
    const std::string port = Port();
    const std::vector<Command> commands{
        {"read",
         "read.dia48",
         {"read", "--port", port},
         "tavrel-cli: MusicFile Write Error: ",
         false},
        {"backup",
         "bank.dat48",
         {"backup", "--port", port},
         "tavrel-cli: MusicFile Write Error: ",
         false},
        {"backup-all",
         "all/unit-1.dat48",
         {"backup-all", "--port", port, "--ids", "1-1", "--tick-ms", "10", (dir / "all").string()},
         "tavrel-cli: MusicFile Write Error: ",
         true},
        {"dump --pdf",
         "table.pdf",
         {"dump", (dir / "source.dia48").string(), "--pdf"},
         "cannot write ",
         false},
        {"set on a file",
         "set.dia48",
         {"set", "in.A.gain=-3"},
         "tavrel-cli: File read Error: ",
         false},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.name);
        const fs::path target = dir / command.file;
        fs::create_directories(target.parent_path());
        const std::string reason = GetParam().make(dir, target, port);
        if (reason.empty())
            GTEST_SKIP() << "cannot be made without root";
        struct stat before {};
        ASSERT_EQ(::lstat(target.c_str(), &before), 0);
        std::vector<std::string> args = command.args;
        if (command.args.front() == "set")
            args.insert(args.begin() + 1, target.string());
        else if (command.args.front() != "backup-all")
            args.push_back(target.string());
        const int requests = m_line->RequestCount();

        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 1) << Describe(run);
        // `set` reads the file it saves: it stops at the read.
        const std::string why = command.args.front() == "set" ? GetParam().readReason : reason;
        const std::string summary = command.args.front() == "backup-all"
                                        ? "0 of 1 units were backed up; not backed up: ID 1\n"
                                        : "";
        EXPECT_EQ(run.err, command.message + target.string() + ": " + why + "\n" + summary);
        EXPECT_EQ(run.out, command.readsTheUnit ? "Found 1 4x8 unit on " + port + ": ID 1\n" : "");
        if (!command.readsTheUnit) {
            EXPECT_EQ(m_line->RequestCount(), requests) << "nothing was asked of the unit";
        }
        struct stat after {};
        ASSERT_EQ(::lstat(target.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        fs::remove_all(target);
    }
    EXPECT_EQ(Writes(m_line->Exchanges()), std::vector<WriteKey>{});
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CliSaveTargetTest,
    testing::Values(
        SaveTargetCase{"NamedPipe",
                       [](const fs::path&, const fs::path& target, const std::string&) {
                           return ::mkfifo(target.c_str(), 0600) == 0
                                      ? std::string("is a named pipe (FIFO), not a regular file")
                                      : std::string("mkfifo failed");
                       },
                       "is not a regular file"},
        SaveTargetCase{"DeviceNode",
                       [](const fs::path&, const fs::path& target, const std::string&) {
                           // The numbers of /dev/null: harmless if it were ever written.
                           return ::mknod(target.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0
                                      ? std::string("is a device, not a regular file")
                                      : std::string();
                       },
                       "is not a regular file"},
        SaveTargetCase{"LinkToANamedPipe",
                       [](const fs::path& dir, const fs::path& target, const std::string&) {
                           const fs::path pipe = dir / (target.filename().string() + ".pipe");
                           ::mkfifo(pipe.c_str(), 0600);
                           fs::create_symlink(pipe, target);
                           return "is a link to " + pipe.string() +
                                  ", which is a named pipe (FIFO), not a regular file";
                       },
                       "is not a regular file"},
        SaveTargetCase{"LinkToADevice",
                       [](const fs::path&, const fs::path& target, const std::string& pty) {
                           // The virtual unit's own pseudo-terminal.
                           fs::create_symlink(pty, target);
                           return "is a link to " + pty + ", which is a device, not a regular file";
                       },
                       "is not a regular file"},
        SaveTargetCase{"LinkToNothing",
                       [](const fs::path&, const fs::path& target, const std::string&) {
                           fs::create_symlink("gone", target);
                           return std::string("is a link to a file that does not exist");
                       },
                       "does not exist"},
        SaveTargetCase{"Directory",
                       [](const fs::path&, const fs::path& target, const std::string&) {
                           fs::create_directory(target);
                           return std::string("is a directory");
                       },
                       "is a directory"}),
    [](const testing::TestParamInfo<SaveTargetCase>& info) { return info.param.name; });

// ---- Failures --------------------------------------------------------------------------------

TEST_F(CliOnlineTest, UnitOfAnotherTypeIsRefused) {
    StartLine(Units({{1, 2}}));
    const CliRun run = RunCli({"read", "--port", Port(), File("x.dia48")});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.err, "Device Type Error! The unit with ID 1 is a 3x6; a 4x8 was expected.\n" +
                           File("x.dia48") +
                           " is named for a 4x8; name a file .dia36 for this 3x6.\n");
    EXPECT_FALSE(fs::exists(File("x.dia48")));
}

TEST_F(CliOnlineTest, FileOfAnotherModelIsNotSentToTheUnit) {
    StartLine(Units({{1, 1}}));
    ProgramContainer small;
    small.setDeviceType(3);
    small.setProgramName("Small");
    ASSERT_EQ(SaveProgramSetting(File("small.dia24"), small), ProgramFileStatus::Ok);
    ProgramBank bank{};
    ProgramContainer fresh; // a 3x6 library of fresh programs
    fresh.setDeviceType(2);
    for (ProgramImage& image : bank)
        fresh.fillProgramImage(image);
    ASSERT_EQ(SaveProgramLibrary(File("bank.dat36"), bank), ProgramFileStatus::Ok);
    struct Row {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Row> rows{
        {{"write", "--slot", "5", File("small.dia24")},
         "Device Type Error! The unit with ID 1 is a 4x8; a 2x4 was expected.\nNothing was sent: " +
             File("small.dia24") + " holds 2x4 programs, and the unit is a 4x8.\n"},
        {{"restore", File("bank.dat36")},
         "Device Type Error! The unit with ID 1 is a 4x8; a 3x6 was expected.\nNothing was sent: " +
             File("bank.dat36") + " holds 3x6 programs, and the unit is a 4x8.\n"},
    };
    for (const Row& row : rows) {
        const int before = m_line->RequestCount();
        std::vector<std::string> args = row.args;
        args.insert(args.begin() + 1, {"--port", Port()});
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 1) << Describe(run);
        EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(m_line->RequestCount(), before + 1) << "the connect probe only";
    }
    EXPECT_EQ(Unit().ProgramName(5), "Prog05");
}

TEST_F(CliOnlineTest, UnitThatFallsSilentIsGivenUpAfterFourPointOneSeconds) {
    SimLineOptions options;
    options.silentAfter = 1; // the probe, then nothing: the first meter poll goes unanswered
    StartLine(options);
    const CliRun run = RunCli({"meters", "--port", Port(), "--count", "1"});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.err,
              "Unable to Open COM-Port: The unit with ID 1 on " + Port() + " stopped answering.\n");
    EXPECT_EQ(run.out, "");
    // One answered tick, then 41 ticks of 100 ms without an answer.
    EXPECT_GE(run.seconds, 4.1);
    EXPECT_LT(run.seconds, 7.0);
}

struct HangUpCase {
    const char* name;
    std::string slot;
    int hangupAfter; // requests taken in before the line goes
    // What stderr says after "Unable to Open COM-Port: The line on PORT was lost: ...", as a
    // regular expression; %P is the port. The last answer may be lost with the line.
    std::string err;
};

void PrintTo(const HangUpCase& c, std::ostream* os) {
    *os << c.name;
}

class CliHangUpTest : public CliOnlineTest, public testing::WithParamInterface<HangUpCase> {};

TEST_P(CliHangUpTest, EndsTheWriteAtOnceAndSaysWhatIsLeft) {
    const HangUpCase& c = GetParam();
    SimLineOptions options;
    options.hangupAfter = c.hangupAfter;
    StartLine(options);
    ProgramContainer program;
    ASSERT_EQ(SaveProgramSetting(File("p.dia48"), program), ProgramFileStatus::Ok);
    const CliRun run = RunCli({"write", "--port", Port(), "--slot", c.slot, File("p.dia48")});
    EXPECT_EQ(run.status, 1) << Describe(run);
    std::string err = c.err;
    for (std::size_t at; (at = err.find("%P")) != std::string::npos;)
        err.replace(at, 2, Port());
    const std::string lost = "Unable to Open COM-Port: The line on " + Port() +
                             " was lost: the port was closed or the adapter unplugged.";
    EXPECT_EQ(run.err.substr(0, lost.size()), lost);
    EXPECT_TRUE(
        std::regex_match(run.err.substr(std::min(lost.size(), run.err.size())), std::regex(err)))
        << run.err;
    // The line goes about 0.7 s in; waiting for the time-out would take until 4.8 s at least.
    EXPECT_LT(run.seconds, 3.0);
}

INSTANTIATE_TEST_SUITE_P(
    HangUps, CliHangUpTest,
    testing::Values(
        // The probe, a meter poll, the name and three blocks of the store.
        HangUpCase{
            "IntoAMemory", "3", 6,
            " Memory 3 may hold part of the program; its name stays as it was\\.\nWritten: "
            "the program name and outputs 1 (and 2|to [34])\\. Not written: outputs [345] to 8 "
            "and inputs A to D\\.\n"},
        // The probe, a meter poll, the name and the mutes of inputs A and B (output 1's block
        // may be on the line as it goes).
        HangUpCase{
            "IntoTheLiveSettingsAfterTheMutes", "0", 5,
            " Inputs A and B were muted while the outputs were written and may still be "
            "muted: switch them on again once the unit answers\\. The live settings may hold "
            "part of the program\\.\nWritten: the program "
            "name( and output 1)?\\. Not written: outputs [12] to 8 and inputs A to D\\.\nTo "
            "unmute them: "
            "tavrel-cli set --port %P --id 1 --type 4x8 in\\.A\\.mute=off "
            "in\\.B\\.mute=off\n"}),
    [](const testing::TestParamInfo<HangUpCase>& info) { return info.param.name; });

struct InterruptCase {
    const char* name;
    int signal;
    int status;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << c.name;
}

class CliInterruptTest : public CliOnlineTest, public testing::WithParamInterface<InterruptCase> {};

// Interrupted while it stores the live settings, the write lets the frame on the line be
// answered, sends nothing more of the program, switches inputs A and B on again (as they were
// before and as the program has them) and says what it wrote.
TEST_P(CliInterruptTest, WriteStopsAfterTheFrameOnTheLineAndUndoesTheMutes) {
    const InterruptCase& c = GetParam();
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    ProgramContainer program;
    program.setProgramName("Show");
    for (int o = 0; o < 8; ++o)
        program.output(o).setGain(300 + o);
    ASSERT_EQ(SaveProgramSetting(File("show.dia48"), program), ProgramFileStatus::Ok);
    bool signalled = false;
    const CliRun run =
        RunCli({"write", "--port", Port(), "--tick-ms", "20", File("show.dia48")}, [&](pid_t pid) {
            // The probe, a meter poll, the name, both mutes and output 1 have reached the unit.
            if (!signalled && m_line->RequestCount() >= 6) {
                kill(pid, c.signal);
                signalled = true;
            }
        });
    ASSERT_TRUE(signalled);
    EXPECT_EQ(run.status, c.status) << Describe(run);
    EXPECT_EQ(run.out, "");
    std::istringstream lines(run.err);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, std::string("Interrupted by ") + c.name +
                        ": stopping after the frame on the line (a second signal leaves at once).");
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.rfind("Written: the program name and output", 0), 0u) << line;
    EXPECT_NE(line.find(" Not written: outputs "), std::string::npos) << line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line,
              "The mutes of inputs A and B, set while the outputs were written, were undone.");

    // On the line: both mutes, some outputs but not all, no input block, then the levels of
    // inputs A and B switched on again.
    const std::vector<WriteKey> writes = Writes(m_line->Exchanges());
    const WriteKey muteA{kSectionInput, 0, InputChannel::kMainCode};
    const WriteKey muteB{kSectionInput, 1, InputChannel::kMainCode};
    ASSERT_GE(writes.size(), 5u);
    EXPECT_EQ(writes[1], muteA);
    EXPECT_EQ(writes[2], muteB);
    EXPECT_EQ(writes[writes.size() - 2], muteA);
    EXPECT_EQ(writes.back(), muteB);
    const auto outputs = std::count_if(writes.begin(), writes.end(), [](const WriteKey& w) {
        return std::get<0>(w) == kSectionOutput;
    });
    EXPECT_GE(outputs, 1);
    EXPECT_LT(outputs, 8);
    EXPECT_EQ(writes.size(), 3u + static_cast<std::size_t>(outputs) + 2u);
    const VirtualUnit unit = Unit();
    const SimProgram& live = unit.Program(0);
    EXPECT_EQ(live.inputs[0][64], 1) << "input A on";
    EXPECT_EQ(live.inputs[1][64], 1) << "input B on";
    EXPECT_EQ(Word(&live.outputs[0][50]), 300 + 700) << "output 1 was written";
    EXPECT_EQ(Word(&live.outputs[7][50]), 400 + 700) << "output 8 was not";
}

INSTANTIATE_TEST_SUITE_P(Signals, CliInterruptTest,
                         testing::Values(InterruptCase{"SIGINT", SIGINT, 130},
                                         InterruptCase{"SIGTERM", SIGTERM, 143},
                                         InterruptCase{"SIGHUP", SIGHUP, 129}),
                         [](const testing::TestParamInfo<InterruptCase>& info) {
                             return info.param.name;
                         });

TEST_F(CliOnlineTest, GarbageAndDamagedRepliesOnTheLineAreSkipped) {
    SimLineOptions options;
    options.garbageEvery = 3; // noise before every third reply
    options.split = true;     // replies arrive one byte per write
    options.corruptEvery = 8; // one block reply with a wrong checksum: repeated after 2 s
    StartLine(options);
    const CliRun run = RunCli({"read", "--port", Port(), File("live.dia48")});
    ASSERT_EQ(run.status, 0) << Describe(run);
    ProgramContainer live;
    ASSERT_EQ(LoadProgramSetting(File("live.dia48"), live), ProgramFileStatus::Ok);
    EXPECT_EQ(live.programName(), "Default");
    EXPECT_EQ(live.output(7).nameText(), "8");
}

// ---- Replies that answer something else -------------------------------------------------------

// A live program whose every channel differs from the others and from the unit's memories, so
// that a block taken from the wrong channel or slot shows.
void MakeDistinct(ProgramContainer& program) {
    for (int i = 0; i < 4; ++i) {
        program.input(i).setName("In" + std::to_string(i + 1));
        program.input(i).setGain(100 + 10 * i);
    }
    for (int o = 0; o < 8; ++o) {
        program.output(o).setName("Out" + std::to_string(o + 1));
        program.output(o).setGain(200 + 10 * o);
    }
}

struct WrongAnswerCase {
    const char* name;
    void (*fault)(SimLineOptions&);
    std::string warning; // what standard error shows besides nothing
};

class CliWrongAnswerTest : public CliOnlineTest,
                           public testing::WithParamInterface<WrongAnswerCase> {};

TEST_P(CliWrongAnswerTest, ReadTakesOnlyTheAnswersItAskedFor) {
    // Each fault hits a few of the read's replies; the request is asked again and the program
    // read is the unit's, channel by channel, or the command fails and writes no file.
    SimLineOptions options;
    GetParam().fault(options);
    StartLine(options);
    ProgramContainer live;
    live.setDeviceId(1);
    MakeDistinct(live);
    m_line->WithUnits([&](std::vector<VirtualUnit>& units) {
        const RequestFrames frames(live);
        for (int i = 0; i < 4; ++i)
            units[0].Answer(frames.inputBlockFrame(0, i).bytes);
        for (int o = 0; o < 8; ++o)
            units[0].Answer(frames.outputBlockFrame(0, o).bytes);
        return 0;
    });
    const CliRun run = RunCli({"read", "--port", Port(), "--tick-ms", "20", File("live.dia48")});
    ASSERT_EQ(run.status, 0) << Describe(run);
    EXPECT_EQ(run.err, GetParam().warning);
    ProgramContainer back;
    ASSERT_EQ(LoadProgramSetting(File("live.dia48"), back), ProgramFileStatus::Ok);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back.input(i).nameText(), live.input(i).nameText());
        EXPECT_EQ(back.input(i).gain(), live.input(i).gain());
    }
    for (int o = 0; o < 8; ++o) {
        EXPECT_EQ(back.output(o).nameText(), live.output(o).nameText());
        EXPECT_EQ(back.output(o).gain(), live.output(o).gain());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliWrongAnswerTest,
    testing::Values(
        WrongAnswerCase{"LateSecondAnswer", [](SimLineOptions& o) { o.repeatLateEvery = 3; }, ""},
        WrongAnswerCase{"AcknowledgementInsteadOfData",
                        [](SimLineOptions& o) { o.ackInsteadEvery = 4; }, ""},
        WrongAnswerCase{"BlockOfAnotherChannel", [](SimLineOptions& o) { o.otherChannelEvery = 4; },
                        ""},
        WrongAnswerCase{"BlockOfAnotherSlot", [](SimLineOptions& o) { o.otherSlotEvery = 5; }, ""},
        WrongAnswerCase{"ShortBlocks", [](SimLineOptions& o) { o.shortBlockEvery = 3; },
                        "输入数据长度错误\n"},
        WrongAnswerCase{"NoiseBurstBeforeReplies", [](SimLineOptions& o) { o.falseStartEvery = 3; },
                        ""}),
    [](const testing::TestParamInfo<WrongAnswerCase>& info) { return info.param.name; });

TEST_F(CliOnlineTest, BackupThroughWrongAnswersHoldsEveryMemoryInItsPlace) {
    SimLineOptions options;
    // Counted over block replies (the late copies over all replies): never a request and its
    // repeat both, since a request is repeated only once before the line is given up.
    options.repeatLateEvery = 41;
    options.otherSlotEvery = 97;
    options.shortBlockEvery = 101;
    StartLine(options);
    // Every memory gets a name of its own on output 1, so a block filed under another slot shows.
    m_line->WithUnits([&](std::vector<VirtualUnit>& units) {
        ProgramContainer program;
        program.setDeviceId(1);
        for (int slot = 1; slot <= kProgramMemoryCount; ++slot) {
            program.output(0).setName("S" + std::to_string(slot));
            program.input(3).setName("I" + std::to_string(slot));
            units[0].Answer(RequestFrames(program).outputBlockFrame(slot, 0).bytes);
            units[0].Answer(RequestFrames(program).inputBlockFrame(slot, 3).bytes);
        }
        return 0;
    });
    const CliRun run = RunCli({"backup", "--port", Port(), "--tick-ms", "10", File("all.dat48")});
    ASSERT_EQ(run.status, 0) << Describe(run);
    ProgramBank bank{};
    ASSERT_EQ(LoadProgramLibrary(File("all.dat48"), 1, bank), ProgramFileStatus::Ok);
    for (int slot = 1; slot <= kProgramMemoryCount; ++slot) {
        const ProgramImage& image = bank[static_cast<std::size_t>(slot - 1)];
        EXPECT_EQ(image.outputs[0].name, "S" + std::to_string(slot));
        EXPECT_EQ(image.inputs[3].name, "I" + std::to_string(slot));
        EXPECT_EQ(image.outputs[1].name, "2");
    }
}

TEST_F(CliOnlineTest, UnitThatOnlySendsWrongBlocksFailsTheReadAndWritesNoFile) {
    SimLineOptions options;
    options.shortBlockEvery = 1;
    StartLine(options);
    const CliRun run = RunCli({"read", "--port", Port(), "--tick-ms", "10", File("live.dia48")});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.err, "输入数据长度错误\nUnable to Open COM-Port: The unit with ID 1 on " +
                           Port() + " answered with channel blocks of the wrong length.\n");
    EXPECT_FALSE(fs::exists(File("live.dia48")));
}

// The write requests of a log, whole frames.
std::vector<std::vector<std::uint8_t>> WriteFrames(const std::vector<SimExchange>& log) {
    std::vector<std::vector<std::uint8_t>> frames;
    for (const SimExchange& e : log)
        if (e.request[kOffsetKind] == kKindWrite)
            frames.emplace_back(e.request.begin(), e.request.end());
    return frames;
}

TEST_F(CliOnlineTest, ImportEqOnAUnitSendsTheFramesTypingTheValuesWould) {
    const std::string text = File("eq.txt");
    std::ofstream(text) << "Preamp: -6 dB\r\n"
                           "Filter  1: ON  PK       Fc  1000 Hz  Gain  -3.5 dB  Q  2.400\r\n"
                           "Filter  2: ON  LSC 12 dB Fc    80 Hz  Gain   4.0 dB\r\n"
                           "Filter  3: ON  HPQ      Fc    60 Hz  Q 0.7071\r\n"
                           "Filter  4: ON  HPQ      Fc    60 Hz  Q 0.7071\r\n";
    SimLineOptions options;
    options.keepLog = true;
    StartLine(options);
    const CliRun import = RunCli({"import-eq", "--port", Port(), "--tick-ms", "10", "out.2", text});
    ASSERT_EQ(import.status, 0) << Describe(import);
    EXPECT_NE(import.out.find("Imported 4 filters from " + text +
                              " into out.2 of the 4x8 with ID 1\nlargest difference: "),
              std::string::npos)
        << import.out;
    const auto imported = WriteFrames(m_line->Exchanges());
    EXPECT_EQ(Word(&Unit().Program(0).outputs[1][56]), 60); // the high-pass frequency

    m_line.reset();
    StartLine(options); // a fresh unit
    const CliRun typed =
        RunCli({"set", "--port", Port(), "--tick-ms", "10", "out.2.eq.1.freq=1000",
                "out.2.eq.1.bw=0.60", "out.2.eq.1.gain=-3.5", "out.2.eq.2.type=lowshelf",
                "out.2.eq.2.freq=80", "out.2.eq.2.slope=12", "out.2.eq.2.gain=4",
                "out.2.hpf.kind=linkwitz-riley", "out.2.hpf.slope=24", "out.2.hpf.freq=60"});
    ASSERT_EQ(typed.status, 0) << Describe(typed);
    EXPECT_FALSE(imported.empty());
    EXPECT_EQ(WriteFrames(m_line->Exchanges()), imported);
}

TEST_F(CliOnlineTest, SetOnAUnitThatOnlySendsWrongBlocksSendsNothing) {
    SimLineOptions options;
    options.shortBlockEvery = 1;
    options.keepLog = true;
    StartLine(options);
    const CliRun run = RunCli({"set", "--port", Port(), "--tick-ms", "10", "out.2.gain=1"});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Writes(m_line->Exchanges()), std::vector<WriteKey>{});
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string errStart;
};

class CliUsageTest : public CliOnlineTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsageTest, FailsBeforeTouchingTheLine) {
    const UsageCase& c = GetParam();
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.status, c.status) << Describe(run);
    EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliUsageTest,
    testing::Values(
        UsageCase{"PortIsRequired", {"read", "x.dia48"}, 2, "tavrel-cli: error: --port"},
        UsageCase{"IdOutOfRange",
                  {"meters", "--port", "/dev/null", "--id", "251"},
                  2,
                  "tavrel-cli: error: --id"},
        UsageCase{"UnknownType",
                  {"backup", "--port", "/dev/null", "--type", "5x5", "b"},
                  2,
                  "tavrel-cli: error: --type"},
        UsageCase{"SlotOutOfRange",
                  {"read", "--port", "/dev/null", "--slot", "31", "x"},
                  2,
                  "tavrel-cli: error: --slot"},
        UsageCase{"SetIdNeedsTheOldId",
                  {"set-id", "--port", "/dev/null", "9"},
                  2,
                  "tavrel-cli: error: --id"},
        UsageCase{"SetIdToTheIdInUse",
                  {"set-id", "--port", "/dev/null", "--id", "4", "4"},
                  2,
                  "tavrel-cli: error: the unit has ID 4 already"},
        UsageCase{"SearchTakesNoDeviceId",
                  {"search", "--port", "/dev/null", "--id", "4"},
                  2,
                  "tavrel-cli: error: unknown option --id"},
        UsageCase{"ReversedIdRange",
                  {"search", "--port", "/dev/null", "--ids", "5-2"},
                  2,
                  "tavrel-cli: error: --ids 5-2 is reversed: give the lower ID first (2-5)\n"},
        UsageCase{"ExtensionOfAnotherModelThanType",
                  {"read", "--port", "/dev/null", "--type", "2x4", "x.dia48"},
                  2,
                  "tavrel-cli: error: x.dia48 is named for a 4x8, but --type is 2x4\n"},
        UsageCase{"ReadWritesNoLibrary",
                  {"read", "--port", "/dev/null", "x.dat48"},
                  2,
                  "tavrel-cli: error: x.dat48 is named as a program library; read takes a "
                  "single-setting file (.dia48)\n"},
        UsageCase{"BackupWritesNoSingleSetting",
                  {"backup", "--port", "/dev/null", "x.dia36"},
                  2,
                  "tavrel-cli: error: x.dia36 is named as a single-setting file; backup takes a "
                  "program library (.dat36)\n"},
        UsageCase{"MissingPortDevice",
                  {"meters", "--port", "/nonexistent/ttyUSB7"},
                  1,
                  "Unable to open COM-port: /nonexistent/ttyUSB7 does not exist"},
        UsageCase{"UnreadableFile",
                  {"restore", "--port", "/nonexistent/ttyUSB7", "/nonexistent/bank.dat48"},
                  1,
                  "tavrel-cli: File read Error: /nonexistent/bank.dat48: does not exist\n"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

} // namespace
