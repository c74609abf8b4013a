// The online tavrel-cli commands through a real ser2net: the built program runs as a child
// process against virtual units served in this process over a pseudo-terminal, which a ser2net
// (started by the test on 127.0.0.1) puts on the network as a raw TCP port and as a Telnet port
// with RFC 2217 serial port control. Every command must give byte for byte what it gives on the
// pseudo-terminal itself.

#include "Ser2netServer.h"
#include "VirtualLine.h"
#include "files/ProgramFile.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kCli = std::string(TAVREL_BINARY_DIR) + "/tools/cli/tavrel-cli";

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// tavrel-cli as a child process, its output in files; killed if it still runs at the end.
class CliProcess {
public:
    CliProcess(const fs::path& dir, std::string label)
        : m_out(dir / (label + ".out")), m_err(dir / (label + ".err")) {}
    ~CliProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    void Start(const std::vector<std::string>& args) {
        std::vector<std::string> all{kCli};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const std::string out = m_out.string(), err = m_err.string();
        m_pid = ::fork();
        if (m_pid == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(o, STDOUT_FILENO);
            ::dup2(e, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    // The exit status (-1 when it did not exit normally within 90 s).
    int Wait() {
        const auto deadline = Clock::now() + std::chrono::seconds(90);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Out() const { return FileText(m_out); }
    std::string Err() const { return FileText(m_err); }
    std::string Describe() const { return "stdout:\n" + Out() + "stderr:\n" + Err(); }

private:
    fs::path m_out, m_err;
    pid_t m_pid = -1;
};

// One way to the unit: the pseudo-terminal itself, or one of ser2net's two ports.
struct Route {
    std::string label;
    std::string port;
};

class CliNetworkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kCli)) << kCli << " is missing: build the tavrel-cli target";
        std::string pattern = (fs::temp_directory_path() / "tavrel-cli-network-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);

        SimLineOptions options;
        options.units = {{1, 1}, {5, 1}, {9, 3}};
        m_line = std::make_unique<VirtualLine>(options);
        std::string error;
        ASSERT_TRUE(m_line->Open(&error)) << error;
        m_line->Start();
        FillUnitWithAwkwardBytes();
        // No skipping: these tests are what shows network ports work at all.
        ASSERT_TRUE(m_server.Start(m_line->SlavePath(), m_dir.string(), &error)) << error;
    }
    void TearDown() override {
        m_server.Stop();
        m_line.reset();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // Channel names full of what a Telnet link must escape or may mangle: 0xFF (IAC), CR, NUL
    // after CR, and CR LF, in the live settings and every memory of every unit.
    void FillUnitWithAwkwardBytes() {
        m_line->WithUnits([&](std::vector<VirtualUnit>& units) {
            for (VirtualUnit& unit : units) {
                ProgramContainer program;
                program.setDeviceType(unit.deviceType());
                program.setDeviceId(unit.deviceId());
                for (int slot = 0; slot <= kProgramMemoryCount; ++slot) {
                    const std::string n = std::to_string(slot);
                    program.output(0).setName(std::string("\xFF\xFF\r", 3) + n);
                    program.input(1).setName(std::string("\r\0\xFF\r\n", 5) + n);
                    unit.Answer(RequestFrames(program).outputBlockFrame(slot, 0).bytes);
                    unit.Answer(RequestFrames(program).inputBlockFrame(slot, 1).bytes);
                }
            }
            return 0;
        });
    }

    std::vector<Route> Routes() const {
        return {{"pty", m_line->SlavePath()},
                {"tcp", m_server.RawPortName()},
                {"rfc2217", m_server.Rfc2217PortName()}};
    }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }

    // Runs the command through every route; `args(route)` gives its arguments.
    struct Result {
        int status;
        std::string out;
        std::string err;
    };
    std::vector<Result>
    RunEverywhere(const std::function<std::vector<std::string>(const Route&)>& args) {
        std::vector<Result> results;
        for (const Route& route : Routes()) {
            CliProcess cli(m_dir, route.label);
            cli.Start(args(route));
            const int status = cli.Wait();
            EXPECT_EQ(status, 0) << route.port << '\n' << cli.Describe();
            results.push_back({status, cli.Out(), cli.Err()});
        }
        return results;
    }

    fs::path m_dir;
    std::unique_ptr<VirtualLine> m_line;
    Ser2netServer m_server;
};

TEST_F(CliNetworkTest, ReadGivesTheSameFileAsOnThePseudoTerminal) {
    RunEverywhere([&](const Route& route) {
        return std::vector<std::string>{"read",      "--port", route.port,
                                        "--tick-ms", "10",     File(route.label + ".dia48")};
    });
    const std::string pty = FileText(File("pty.dia48"));
    ProgramContainer live;
    ASSERT_EQ(LoadProgramSetting(File("pty.dia48"), live), ProgramFileStatus::Ok);
    // The program shows unprintable bytes as spaces: every one of them arrived in its place.
    EXPECT_EQ(live.output(0).nameText(), "   0");
    EXPECT_EQ(live.input(1).nameText(), "     0");
    for (const std::string label : {"tcp", "rfc2217"}) {
        SCOPED_TRACE(label);
        EXPECT_EQ(FileText(File(label + ".dia48")), pty);
    }
}

TEST_F(CliNetworkTest, WriteStoresTheSameMemoryAsOnThePseudoTerminal) {
    ProgramContainer program;
    program.setProgramName("Net\xFF\r");
    program.input(0).setName(std::string("\xFF\r\0\xFF", 4));
    program.output(3).setGain(255);
    program.output(6).highPass().setFrequency(0xFF);
    ASSERT_EQ(SaveProgramSetting(File("show.dia48"), program), ProgramFileStatus::Ok);
    // Memories 11, 12 and 13 by the three routes.
    int slot = 10;
    RunEverywhere([&](const Route& route) {
        return std::vector<std::string>{"write",
                                        "--port",
                                        route.port,
                                        "--tick-ms",
                                        "10",
                                        "--slot",
                                        std::to_string(++slot),
                                        File("show.dia48")};
    });
    const auto memory = [&](int n) {
        return m_line->WithUnits([&](std::vector<VirtualUnit>& units) {
            const SimProgram& p = units[0].Program(n);
            return std::make_tuple(p.inputs, p.outputs, p.name);
        });
    };
    EXPECT_EQ(m_line->WithUnits([](auto& units) { return units[0].ProgramName(11); }), "Net\xFF\r");
    EXPECT_NE(memory(11), memory(1));
    EXPECT_EQ(memory(12), memory(11));
    EXPECT_EQ(memory(13), memory(11));
}

TEST_F(CliNetworkTest, SearchFindsTheSameUnits) {
    const auto results = RunEverywhere([&](const Route& route) {
        return std::vector<std::string>{"search", "--port", route.port, "--ids", "1-12"};
    });
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].out, "1\n5\n");
    EXPECT_EQ(results[1].out, results[0].out);
    EXPECT_EQ(results[2].out, results[0].out);
}

// ---- Per network port ------------------------------------------------------------------------

class CliNetworkPortTest : public CliNetworkTest, public testing::WithParamInterface<bool> {
protected:
    std::string NetworkPort() const {
        return GetParam() ? m_server.Rfc2217PortName() : m_server.RawPortName();
    }
};

// A backup moves 392 requests: one network port per test keeps each test short.
TEST_P(CliNetworkPortTest, BackupGivesTheSameLibraryAsOnThePseudoTerminal) {
    for (const Route& route : {Route{"pty", m_line->SlavePath()}, Route{"net", NetworkPort()}}) {
        CliProcess cli(m_dir, route.label);
        cli.Start({"backup", "--port", route.port, "--tick-ms", "10", File(route.label)});
        ASSERT_EQ(cli.Wait(), 0) << route.port << '\n' << cli.Describe();
    }
    const std::string pty = FileText(File("pty.dat48"));
    ProgramBank bank{};
    ASSERT_EQ(LoadProgramLibrary(File("pty.dat48"), 1, bank), ProgramFileStatus::Ok);
    EXPECT_EQ(bank[29].outputs[0].name, "   30");
    EXPECT_EQ(bank[29].inputs[1].name, "     30");
    EXPECT_EQ(FileText(File("net.dat48")), pty);
}

// ---- A server that dies during a transfer
// --------------------------------------------------------

TEST_P(CliNetworkPortTest, KilledServerFailsTheBackupAndWritesNoFile) {
    const std::string port = NetworkPort();
    CliProcess cli(m_dir, "backup");
    const int before = m_line->RequestCount();
    cli.Start({"backup", "--port", port, "--tick-ms", "10", File("all.dat48")});
    // Well into the 392 requests of the backup of the 4x8.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (m_line->RequestCount() < before + 60 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(m_line->RequestCount(), before + 60) << cli.Describe();
    m_server.Kill();

    EXPECT_EQ(cli.Wait(), 1) << cli.Describe();
    EXPECT_EQ(cli.Out(), "");
    const std::string err = cli.Err();
    const std::string lost = "Unable to Open COM-Port: The line on " + port + " was lost: ";
    EXPECT_EQ(err.rfind(lost, 0), 0u) << err;
    // The host, and the system's reason: closed, or reset when ser2net died with unread bytes.
    const std::string where = "127.0.0.1 port " + port.substr(port.rfind(':') + 1);
    EXPECT_TRUE(err == lost + "the server at " + where + " closed the connection.\n" ||
                err == lost + "the connection to " + where + " broke: Connection reset by peer.\n")
        << err;
    // Neither the library nor a temporary file of it.
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().find("all.dat48"), std::string::npos)
            << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Ports, CliNetworkPortTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Rfc2217" : "RawTcp");
                         });

TEST_F(CliNetworkTest, RefusedConnectionIsReportedWithTheHost) {
    m_server.Stop();
    CliProcess cli(m_dir, "refused");
    cli.Start({"read", "--port", m_server.RawPortName(), File("x.dia48")});
    EXPECT_EQ(cli.Wait(), 1);
    const std::string where =
        "127.0.0.1 port " + m_server.RawPortName().substr(m_server.RawPortName().rfind(':') + 1);
    EXPECT_EQ(cli.Err(), "Unable to open COM-port: No connection to " + where +
                             ": Connection refused (is the serial server running and serving "
                             "this port?)\n");
    EXPECT_FALSE(fs::exists(File("x.dia48")));
}

} // namespace
