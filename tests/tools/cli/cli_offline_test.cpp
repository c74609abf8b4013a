// End-to-end runs of the built tavrel-cli on program files made here: output and exit status of
// dump, response, frames, get and set, and their errors.

#include "Progress.h"
#include "TransferReport.h"
#include "files/ProgramFile.h"
#include "model/DeviceModel.h"
#include "model/OutputChannel.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestSequences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kCli = std::string(TAVREL_BINARY_DIR) + "/tools/cli/tavrel-cli";

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CliTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kCli)) << kCli << " is not built";
        std::string pattern = (fs::temp_directory_path() / "tavrel-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    // Runs tavrel-cli with the arguments; stdout and stderr go to files in the test directory.
    RunResult run(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {kCli};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& arg : argv) {
            cargv.push_back(arg.data());
        }
        cargv.push_back(nullptr);
        const std::string outPath = file("stdout.txt");
        const std::string errPath = file("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        RunResult result;
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, kCli.c_str(), &actions, nullptr, cargv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << kCli;
            return result;
        }
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        result.out = Slurp(outPath);
        result.err = Slurp(errPath);
        return result;
    }

    std::string saveSetting(const std::string& name, const ProgramContainer& data) const {
        const std::string path = file(name);
        EXPECT_EQ(SaveProgramSetting(path, data), ProgramFileStatus::Ok);
        return path;
    }

    fs::path dir_;
};

std::unique_ptr<ProgramContainer> Container(int deviceType) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(deviceType);
    return data;
}

// A bank of 30 programs of a 3x6, each named after its number, as the unit holds them.
ProgramBank NamedBank(int deviceType) {
    ProgramBank bank;
    for (int p = 0; p < kProgramMemoryCount; ++p) {
        const auto data = Container(deviceType);
        data->setProgramName("Prog" + std::to_string(p + 1));
        data->fillProgramImage(bank[static_cast<std::size_t>(p)]);
    }
    return bank;
}

// A request frame laid out by hand: start, kind, header, length, payload, XOR checksum, end.
std::string FrameHex(std::vector<std::uint8_t> header, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> frame = {0xB1};
    frame.insert(frame.end(), header.begin(), header.end());
    frame.push_back(static_cast<std::uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        x ^= frame[i];
    }
    frame.push_back(x);
    frame.push_back(0xAA);
    std::string hex;
    char byte[4];
    for (std::size_t i = 0; i < frame.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", frame[i]);
        hex += byte;
    }
    return hex;
}

// Peaking band response in dB at f Hz: centre F, gain G dB, bandwidth N octaves, evaluated as
// the unit's biquad on the half-angle frequency scale.
double PeakingDb(double f, double F, double G, double N) {
    const double w0 = F * 0.000032724925;
    const double w = 6.2831852 * f / 96000 * 0.5;
    const double A = std::pow(10.0, G / 40);
    const double alpha = std::sin(w0) * std::sinh(0.69314718 * N * w0 / std::sin(w0));
    const double a0 = 1 + alpha / A, a1 = -2 * std::cos(w0), a2 = 1 - alpha / A;
    const double b0 = 1 + alpha * A, b1 = -2 * std::cos(w0), b2 = 1 - alpha * A;
    const double n0 = b0 / a0, n1 = b1 / a0, n2 = b2 / a0, d1 = a1 / a0, d2 = a2 / a0;
    const double reN = n0 * std::cos(w) + n1 + n2 * std::cos(w);
    const double imN = n0 * std::sin(w) - n2 * std::sin(w);
    const double reD = std::cos(w) + d1 + d2 * std::cos(w);
    const double imD = std::sin(w) - d2 * std::sin(w);
    return 20 * std::log10(std::sqrt((reN * reN + imN * imN) / (reD * reD + imD * imD)));
}

} // namespace

// ---- Help and argument errors ----

TEST_F(CliTest, HelpListsTheCommands) {
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"dump", "response", "frames"}) {
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
    }
}

TEST_F(CliTest, WrongArgumentsExitWithStatusTwoAndUsage) {
    const std::string path = saveSetting("live.dia48", *Container(1));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nosuchcommand"},
        {"dump"},
        {"dump", path, path},
        {"dump", "--type", "5x5", path},
        {"dump", "--colour", path},
        {"dump", "--program", "2", path}, // a single setting has no programs
        {"response", "--type", "2x4", "--channel", "C", path},
        {"response", "--channel", "9", path},
        {"frames", "--id", "0", path},
        {"frames", "--slot", "31", path},
        {"frames", "--id", path},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& arg : args) {
            joined += arg + " ";
        }
        SCOPED_TRACE(joined);
        const RunResult result = run(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("Usage: tavrel-cli"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
}

// The options of a usage line: "[--type T]", "(--port P" and "--port P" take a value, "[--csv]"
// does not.
std::map<std::string, bool> UsageOptions(const std::string& usage) {
    std::istringstream in(usage);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) {
        tokens.push_back(token);
    }
    std::map<std::string, bool> options; // name -> takes a value
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        std::string token = tokens[i];
        while (token.front() == '[' || token.front() == '(') {
            token.erase(0, 1);
        }
        if (token.rfind("--", 0) != 0) {
            continue;
        }
        const bool closed = token.back() == ']';
        if (closed) {
            token.pop_back();
        }
        const bool value =
            !closed && i + 1 < tokens.size() && tokens[i + 1].find("--") == std::string::npos;
        options[token] = value;
    }
    return options;
}

TEST_F(CliTest, EveryUsageLineListsExactlyTheOptionsTheCommandTakes) {
    const RunResult help = run({"--help"});
    ASSERT_EQ(help.status, 0);
    const auto helpLines = Lines(help.out);
    const auto first = std::find(helpLines.begin(), helpLines.end(), "Commands:");
    ASSERT_NE(first, helpLines.end());
    std::map<std::string, std::map<std::string, bool>> usage; // command -> its options
    std::set<std::string> anyCount; // commands taking any number of arguments ("PARAM...")
    std::set<std::string> every;
    for (auto line = first + 1; line != helpLines.end(); ++line) {
        std::istringstream words(*line);
        std::string command;
        words >> command;
        const RunResult commandHelp = run({command, "--help"});
        const std::string prefix = "Usage: tavrel-cli " + command + " ";
        ASSERT_EQ(commandHelp.out.rfind(prefix, 0), 0u) << commandHelp.out;
        const std::string synopsis = Lines(commandHelp.out).at(0).substr(prefix.size());
        usage[command] = UsageOptions(synopsis);
        if (synopsis.find("...") != std::string::npos) {
            anyCount.insert(command);
        }
        for (const auto& [option, value] : usage[command]) {
            every.insert(option);
        }
    }
    ASSERT_GE(usage.size(), 11u);
    // Four positional arguments are too many for every command that takes a fixed number: a
    // listed option is taken and the count is refused. Any other option is refused as unknown.
    for (const auto& [command, options] : usage) {
        for (const std::string& option : every) {
            SCOPED_TRACE(command + " " + option);
            const auto listed = options.find(option);
            std::vector<std::string> args{command, option};
            if (listed != options.end() && listed->second) {
                args.push_back("1");
            }
            args.insert(args.end(), {"w", "x", "y", "z"});
            const RunResult result = run(args);
            if (anyCount.contains(command)) {
                const bool unknown = result.err.rfind("tavrel-cli: error: unknown option", 0) == 0;
                EXPECT_EQ(unknown, listed == options.end()) << result.err;
                continue;
            }
            EXPECT_EQ(result.status, 2);
            const std::string expected = listed != options.end()
                                             ? "tavrel-cli: error: too many arguments\n"
                                             : "tavrel-cli: error: unknown option " + option + "\n";
            EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
        }
    }
}

TEST_F(CliTest, UnreadableFilesExitWithStatusOneAndFileReadError) {
    const std::string truncated = file("short.dia48");
    {
        const std::vector<std::uint8_t> bytes = EncodeProgramSetting(*Container(1));
        std::ofstream(truncated, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), 100);
    }
    const std::string missing = file("missing.dia48");
    for (const char* command : {"dump", "response", "frames"}) {
        for (const auto& [path, reason] : {std::pair{missing, "does not exist"},
                                           std::pair{truncated, "ends early at byte 100 of 100"}}) {
            SCOPED_TRACE(std::string(command) + " " + path);
            const RunResult result = run({command, path});
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, "tavrel-cli: File read Error: " + path + ": " + reason + "\n");
            EXPECT_TRUE(result.out.empty());
        }
    }
}

// ---- Progress ----

TEST(CliProgress, CountsUnitsWhoseFramesHaveAllGoneOut) {
    struct Case {
        const char* what;
        std::string_view label;
        int sent, frames, units;
        std::string text;
    };
    const Case cases[] = {
        {"nothing sent yet", "program", 0, 360, 30, "program 0/30"},
        {"one frame short of a program", "program", 11, 360, 30, "program 0/30"},
        {"the 12th program's last frame", "program", 144, 360, 30, "program 12/30"},
        {"a bank write, 13 frames a program", "program", 390, 390, 30, "program 30/30"},
        {"frames counted as themselves", "frame", 5, 13, 13, "frame 5/13"},
        {"more sent than queued is all", "frame", 20, 13, 13, "frame 13/13"},
        {"an empty batch", "frame", 0, 0, 0, "frame 0/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ProgressText(c.label, c.sent, c.frames, c.units), c.text);
    }
}

// ---- A transfer that ended early ----

TEST(CliTransferReport, SaysWhichPartsOfTheProgramsWereWritten) {
    ProgramContainer program;
    const std::vector<Request> memory = StoreProgramToDevice(program, 3);
    const std::vector<Request> live = StoreProgramToDevice(program, 0);
    ProgramBank bank{};
    const std::vector<Request> library = WriteAllProgramsToDevice(1, 1, bank);
    struct Case {
        const char* what;
        const std::vector<Request>& frames;
        std::size_t answered;
        std::string text;
    };
    const Case cases[] = {
        {"nothing answered", memory, 0, "Nothing was written."},
        {"the name and three outputs", memory, 4,
         "Written: the program name and outputs 1 to 3. Not written: outputs 4 to 8 and inputs A "
         "to D."},
        {"the last input missing", memory, 12,
         "Written: the program name, outputs 1 to 8 and inputs A to C. Not written: input D."},
        // The name, the two mutes the store sets for its own sake, output 1.
        {"the live settings: mutes are no part", live, 4,
         "Written: the program name and output 1. Not written: outputs 2 to 8 and inputs A to D."},
        {"a library stopped in program 13", library, 12 * 13 + 5,
         "Written: programs 1 to 12. Partly written: program 13 (the program name and outputs 1 "
         "to 4). Not written: programs 14 to 30."},
        {"a library stopped after program 1", library, 13,
         "Written: program 1. Not written: programs 2 to 30."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DescribeWrittenPart(c.frames, c.answered), c.text);
    }
}

// ---- dump ----

TEST_F(CliTest, DumpPrintsTheTableOfASingleSetting) {
    const auto data = Container(1);
    data->setProgramName("Hall");
    data->output(0).setName("Sub");
    const std::string path = saveSetting("hall.dia48", *data);

    const RunResult text = run({"dump", path});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 1u + 73u);
    EXPECT_EQ(lines[0].substr(0, 32), "Hall              Input A   Inpu");
    EXPECT_EQ(lines[1].substr(0, 54), "Name              A         B         C         D     ");
    EXPECT_NE(lines[1].find("Sub"), std::string::npos);

    const RunResult csv = run({"dump", "--csv", path});
    ASSERT_EQ(csv.status, 0);
    const auto rows = Lines(csv.out);
    ASSERT_EQ(rows.size(), 1u + 73u);
    EXPECT_EQ(rows[0], "Hall,Input A,Input B,Input C,Input D,Out1,Out2,Out3,Out4,Out5,Out6,Out7,"
                       "Out8\r");
    EXPECT_EQ(rows[1], "Name,A,B,C,D,Sub,2,3,4,5,6,7,8\r");
}

TEST_F(CliTest, DumpShowsUnprintableBytesOfNamesAsSpaces) {
    // A line feed and an escape sequence in names read from files: one line per row, no escape
    // byte reaches the terminal, and the file itself keeps the bytes.
    const auto data = Container(1);
    data->setProgramName("Hall\nX\x1b[2J");
    data->output(0).setName("S\rb\x7f\xe9");
    const std::string path = saveSetting("odd.dia48", *data);
    ProgramBank bank = NamedBank(1);
    bank[0].name = "Lib\n\x1b]0;t\x07";
    const std::string library = file("odd.dat48");
    ASSERT_EQ(SaveProgramLibrary(library, bank), ProgramFileStatus::Ok);

    for (const bool csv : {false, true}) {
        SCOPED_TRACE(csv ? "csv" : "text");
        std::vector<std::string> args{"dump", path};
        if (csv)
            args.insert(args.begin() + 1, "--csv");
        const RunResult result = run(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(Lines(result.out).size(), 1u + 73u);
        EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
        EXPECT_EQ(Lines(result.out)[0].rfind("Hall X [2J", 0), 0u);
        EXPECT_NE(Lines(result.out)[1].find("S b  "), std::string::npos);
    }
    const RunResult one = run({"dump", "--program", "1", library});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Lines(one.out)[0], "# Program 1: Lib  ]0;t ");

    ProgramContainer back;
    ASSERT_EQ(LoadProgramSetting(path, back), ProgramFileStatus::Ok);
    EXPECT_EQ(back.programName(), "Hall\nX\x1b[2J");
    EXPECT_EQ(back.output(0).nameText(), "S\rb\x7f\xe9");
}

TEST_F(CliTest, DumpTypeComesFromOptionThenExtension) {
    const std::string path = saveSetting("hall.dia24", *Container(3));
    const std::string plain = saveSetting("hall.bin", *Container(1));
    struct Case {
        std::vector<std::string> args;
        std::string heading;
    };
    const Case cases[] = {
        {{"dump", "--csv", path}, "NewProgram,Input A,Input B,Out1,Out2,Out3,Out4\r"},
        {{"dump", "--csv", "--type", "3x6", path},
         "NewProgram,Input A,Input B,Input C,Out1,Out2,Out3,Out4,Out5,Out6\r"},
        {{"dump", "--csv", plain},
         "NewProgram,Input A,Input B,Input C,Input D,Out1,Out2,Out3,Out4,Out5,Out6,Out7,Out8\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        const RunResult result = run(c.args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(Lines(result.out).at(0), c.heading);
    }
}

TEST_F(CliTest, DumpPrintsEveryProgramOfALibrary) {
    const std::string path = file("bank.dat36");
    ASSERT_EQ(SaveProgramLibrary(path, NamedBank(2)), ProgramFileStatus::Ok);

    const RunResult all = run({"dump", path});
    ASSERT_EQ(all.status, 0) << all.err;
    int headers = 0;
    for (const auto& line : Lines(all.out)) {
        if (line.rfind("# Program ", 0) == 0) {
            ++headers;
            EXPECT_EQ(line,
                      "# Program " + std::to_string(headers) + ": Prog" + std::to_string(headers));
        }
    }
    EXPECT_EQ(headers, 30);

    const RunResult one = run({"dump", "--csv", "--program", "7", path});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto lines = Lines(one.out);
    ASSERT_EQ(lines.size(), 1u + 1u + 55u);
    EXPECT_EQ(lines[0], "# Program 7: Prog7\r");
    EXPECT_EQ(lines[1], "Prog7,Input A,Input B,Input C,Out1,Out2,Out3,Out4,Out5,Out6\r");

    EXPECT_EQ(run({"dump", "--program", "31", path}).status, 2);
}

namespace {

// Output of a poppler-utils command (pdfinfo, pdftotext) on a PDF.
std::string PdfTool(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return text;
}

std::string PdfPageText(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return PdfTool("pdftotext -layout -f " + n + " -l " + n + " '" + pdf + "' -");
}

} // namespace

TEST_F(CliTest, DumpWritesThePrintedPagesAsPdfWithoutADisplay) {
    // Whatever display the environment names, the pages are drawn offscreen.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string path = file("bank.dat36");
    ASSERT_EQ(SaveProgramLibrary(path, NamedBank(2)), ProgramFileStatus::Ok);

    // A library: each program's pages in turn, each numbered on its own.
    const std::string all = file("all.pdf");
    const RunResult result = run({"dump", "--pdf", all, path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_NE(PdfTool("pdfinfo '" + all + "'").find("Pages:           30"), std::string::npos);
    const std::string last = PdfPageText(all, 30);
    EXPECT_NE(last.find("Driver Type\xEF\xBC\x9A"
                        "3x6"),
              std::string::npos)
        << last;
    EXPECT_NE(last.find("Program Name:Prog30"), std::string::npos) << last;
    EXPECT_NE(last.find("Page 1 of 1"), std::string::npos) << last;

    const std::string one = file("one.pdf");
    ASSERT_EQ(run({"dump", "--pdf", one, "--program", "7", path}).status, 0);
    EXPECT_NE(PdfTool("pdfinfo '" + one + "'").find("Pages:           1"), std::string::npos);
    EXPECT_NE(PdfPageText(one, 1).find("Program Name:Prog7"), std::string::npos);
}

TEST_F(CliTest, DumpPdfRefusesCsvAndReportsAFileItCannotWrite) {
    const std::string path = saveSetting("live.dia48", *Container(1));
    const RunResult both = run({"dump", "--csv", "--pdf", file("x.pdf"), path});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(Lines(both.err).at(0), "tavrel-cli: error: --csv and --pdf cannot be used together");
    EXPECT_FALSE(fs::exists(file("x.pdf")));

    const std::string missing = file("missing/x.pdf");
    const RunResult unwritable = run({"dump", "--pdf", missing, path});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "cannot write " + missing + ": its folder does not exist\n");
}

// ---- response ----

TEST_F(CliTest, ResponseOfAnInputIsItsBandsPlusItsGain) {
    const auto data = Container(1);
    InputChannel& in = data->input(0);
    in.setGain(460); // +6 dB
    in.filter(2).setFrequency(1000);
    in.filter(2).setGainIndex(360);    // +6 dB
    in.filter(2).setBandwidthIndex(5); // 0.10 octaves
    in.highPass().setFrequency(1000);  // not part of an input's curve
    const std::string path = saveSetting("in.dia48", *data);

    const RunResult result = run({"response", "--channel", "A", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 241u);
    struct Point {
        int index;
        const char* hz;
        double f;
    };
    for (const Point& p :
         {Point{0, "10.0", 10.0}, Point{139, "1013.4", 1013.4}, Point{240, "30000.0", 30000.0}}) {
        SCOPED_TRACE(p.hz);
        const std::string& line = lines[static_cast<std::size_t>(p.index)];
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos);
        EXPECT_EQ(line.substr(0, tab), p.hz);
        EXPECT_NEAR(std::stod(line.substr(tab + 1)), PeakingDb(p.f, 1000, 6.0, 0.10) + 6.0, 0.0015);
    }
}

TEST_F(CliTest, ResponseOfAnOutputIncludesItsCrossovers) {
    const auto data = Container(2);
    data->output(5).highPass().setFrequency(1000);
    const std::string path = saveSetting("out.dia36", *data);

    const RunResult result = run({"response", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 1u + 241u);
    EXPECT_EQ(lines[0], "Hz\tInput A\tInput B\tInput C\tOut1\tOut2\tOut3\tOut4\tOut5\tOut6");
    // At 10 Hz: every channel flat at 0 dB except Out6 under its 1 kHz high-pass (12 dB per
    // octave by default): log2(100) = 6.64 octaves below, about -80 dB.
    std::istringstream row(lines[1]);
    std::vector<double> values;
    for (std::string field; std::getline(row, field, '\t');) {
        values.push_back(std::stod(field));
    }
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values[0], 10.0);
    for (std::size_t c = 1; c < 9; ++c) {
        EXPECT_EQ(values[c], 0.0) << "column " << c;
    }
    EXPECT_NEAR(values[9], -12.0 * std::log2(100.0), 1.0);
}

// ---- frames ----

TEST_F(CliTest, FramesOfAStoreToTheLiveSettings) {
    const std::string path = saveSetting("live.dia48", *Container(1));
    const RunResult result = run({"frames", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    // Program name, inputs A and B muted, 8 output blocks, 4 input blocks; then the scan sends
    // the restored levels of inputs A and B and falls back to the meter poll.
    ASSERT_EQ(lines.size(), 17u);
    const std::vector<std::uint8_t> name = {'N', 'e', 'w', 'P', 'r', 'o', 'g', 'r',
                                            'a', 'm', ' ', ' ', ' ', ' ', ' '};
    // ID 1, slot 0, section 3 (global), command 0; left-aligned name in 15 bytes.
    EXPECT_EQ(lines[0], FrameHex({0xA1, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00}, name));
    // Input level: on, polarity, gain code 1100 (0x044C), delay 0, two zero bytes.
    const std::vector<std::uint8_t> muted = {0x00, 0x00, 0x4C, 0x04, 0x00, 0x00, 0x00, 0x00};
    const std::vector<std::uint8_t> on = {0x01, 0x00, 0x4C, 0x04, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(lines[1], FrameHex({0xA1, 0x01, 0x00, 0x01, 0x00, 0x08, 0x00}, muted));
    EXPECT_EQ(lines[2], FrameHex({0xA1, 0x01, 0x00, 0x01, 0x01, 0x08, 0x00}, muted));
    for (int o = 0; o < 8; ++o) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "B1 A1 01 00 02 %02X 00 00 50 ", o);
        EXPECT_EQ(lines[static_cast<std::size_t>(3 + o)].rfind(prefix, 0), 0u) << "output " << o;
        EXPECT_EQ(lines[static_cast<std::size_t>(3 + o)].size(), (80u + 11u) * 3 - 1);
    }
    for (int i = 0; i < 4; ++i) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "B1 A1 01 00 01 %02X 00 00 60 ", i);
        EXPECT_EQ(lines[static_cast<std::size_t>(11 + i)].rfind(prefix, 0), 0u) << "input " << i;
    }
    EXPECT_EQ(lines[15], FrameHex({0xA1, 0x01, 0x00, 0x01, 0x00, 0x08, 0x00}, on));
    EXPECT_EQ(lines[16], FrameHex({0xA1, 0x01, 0x00, 0x01, 0x01, 0x08, 0x00}, on));
}

TEST_F(CliTest, FramesOfAStoreToAMemoryCarryIdAndSlot) {
    const std::string path = saveSetting("live.dia24", *Container(3));
    const RunResult result = run({"frames", "--id", "3", "--slot", "5", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 13u); // name, 8 output blocks, 4 input blocks; nothing pending
    EXPECT_EQ(lines[0].rfind("B1 A1 03 05 03 00 00 00 0F ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("B1 A1 03 05 02 00 00 00 50 ", 0), 0u);
    EXPECT_EQ(lines[12].rfind("B1 A1 03 05 01 03 00 00 60 ", 0), 0u);
}

TEST_F(CliTest, FramesOfALibraryFillTheThirtyMemories) {
    const std::string path = file("bank.dat48");
    ASSERT_EQ(SaveProgramLibrary(path, NamedBank(1)), ProgramFileStatus::Ok);
    const RunResult result = run({"frames", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 30u * 13u);
    EXPECT_EQ(lines[0].rfind("B1 A1 01 01 03 00 00 00 0F 50 72 6F 67 31 20", 0), 0u); // "Prog1 "
    EXPECT_EQ(lines[29 * 13].rfind("B1 A1 01 1E 03 00 00 00 0F ", 0), 0u);
}

// ---- get and set on program files ----

namespace {

// A single-setting file with settings away from the defaults, as a file reads back: saving what
// was read gives the same bytes, so any other byte a set changes is a fault.
std::vector<std::uint8_t> ShowFile(int deviceType) {
    auto data = Container(deviceType);
    data->setProgramName("Show");
    data->input(0).setName("Vox");
    data->input(1).filter(0).setGainIndex(320);
    data->output(0).highPass().setFrequency(80);
    data->output(1).setDelay(100);
    auto read = Container(deviceType);
    EXPECT_TRUE(DecodeProgramSetting(EncodeProgramSetting(*data), *read));
    return EncodeProgramSetting(*read);
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    const std::string text = Slurp(path);
    return {text.begin(), text.end()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST_F(CliTest, GetAndSetShowControlBytesOfANameAsEscapes) {
    // A name read from an old or damaged file may hold any byte.
    auto data = Container(1);
    data->input(0).setName(std::string("a\nb\x01\t\xE9"));
    data->input(1).setName("ok");
    const std::string path = saveSetting("odd-names.dia48", *data);

    const RunResult get = run({"get", path, "in.A.name", "in.B.name"});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.out, "in.A.name=a\\nb\\x01\\t\\xe9\nin.B.name=ok\n");
    const RunResult set = run({"set", path, "in.A.name=Vox"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "in.A.name=Vox (was a\\nb\\x01\\t\\xe9)\n");
}

TEST_F(CliTest, SetThenGetGivesTheValueAndLeavesEveryOtherByte) {
    struct Case {
        int deviceType;
        std::string parameter;
        std::string text;                            // given to set
        std::string shown;                           // what get prints afterwards
        std::string err;                             // what set says on standard error
        std::function<void(ProgramContainer&)> edit; // the same change through the records
    };
    const std::vector<Case> cases{
        {1, "in.D.eq.8.gain", "-4.5", "-4.5", "",
         [](ProgramContainer& c) { c.input(3).filter(7).setGainIndex(255); }},
        {1, "out.3.hpf.kind", "Bessel", "bessel", "",
         [](ProgramContainer& c) { c.output(2).highPass().setKind(Filter::kBessel); }},
        {1, "in.A.delay", "10.4", "10.4000", "",
         [](ProgramContainer& c) { c.input(0).setDelay(1000); }},
        {2, "in.C.gate", "-20", "-20.0", "",
         [](ProgramContainer& c) { c.input(2).setGateThreshold(100); }},
        {2, "out.6.source.B", "on", "on", "",
         [](ProgramContainer& c) { c.output(5).setMix(c.output(5).mix() | 2); }},
        {2, "in.A.eq.6.bw", "0.5", "0.50", "",
         [](ProgramContainer& c) { c.input(0).filter(5).setBandwidthIndex(9); }},
        {3, "out.4.lpf.freq", "12000", "12000", "",
         [](ProgramContainer& c) { c.output(3).lowPass().setFrequency(12000); }},
        {3, "out.1.name", "Sub", "Sub", "",
         [](ProgramContainer& c) { c.output(0).setName("Sub"); }},
        {3, "in.B.polarity", "invert", "invert", "",
         [](ProgramContainer& c) { c.input(1).setPolarity(1); }},
        {3, "out.2.limiter.release", "8x", "8x", "",
         [](ProgramContainer& c) { c.output(1).setRelease(3); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter + "=" + c.text + " on a " +
                     std::string(DeviceModelOf(c.deviceType).label));
        const std::string path = file("show" + SingleSettingExtension(c.deviceType));
        const std::vector<std::uint8_t> original = ShowFile(c.deviceType);
        WriteBytes(path, original);

        const RunResult set = run({"set", path, c.parameter + "=" + c.text});
        ASSERT_EQ(set.status, 0) << set.err;
        EXPECT_EQ(set.err, c.err);
        EXPECT_EQ(set.out.rfind(c.parameter + "=" + c.shown + " (was ", 0), 0u) << set.out;
        const RunResult get = run({"get", path, c.parameter});
        ASSERT_EQ(get.status, 0) << get.err;
        EXPECT_EQ(get.out, c.parameter + "=" + c.shown + "\n");

        auto expected = Container(c.deviceType);
        ASSERT_TRUE(DecodeProgramSetting(original, *expected));
        c.edit(*expected);
        EXPECT_EQ(Bytes(path), EncodeProgramSetting(*expected));
    }
}

TEST_F(CliTest, SetInALibraryChangesOnlyTheProgramNamed) {
    const std::string path = file("bank.dat36");
    const ProgramBank bank = NamedBank(2);
    ASSERT_EQ(SaveProgramLibrary(path, bank), ProgramFileStatus::Ok);

    const RunResult set = run({"set", "--program", "7", path, "out.2.gain=-6", "in.c.mute=ON"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "in.C.mute=on (was off)\nout.2.gain=-6.0 (was 0.0)\n");
    ProgramBank expected = bank;
    auto program = Container(2);
    program->loadProgramImage(expected[6]);
    program->output(1).setGain(300);
    program->input(2).setOn(0);
    program->fillProgramImage(expected[6]);
    EXPECT_EQ(Bytes(path), EncodeProgramLibrary(expected));

    const RunResult other = run({"get", "--program", "8", path, "out.2.gain"});
    EXPECT_EQ(other.out, "out.2.gain=0.0\n");
    // Without names: every parameter of the model, and no unit-wide setting.
    const RunResult all = run({"get", "--program", "7", path});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("\nin.C.eq.6.on=off\n"), std::string::npos);
    EXPECT_NE(all.out.find("\nout.2.gain=-6.0\n"), std::string::npos);
    EXPECT_NE(all.out.find("\nout.6.limiter.release=2x\n"), std::string::npos);
    for (const char* absent : {"in.D.", "in.A.eq.7.", "out.7.", "limiter.ratio", "unit."})
        EXPECT_EQ(all.out.find(absent), std::string::npos) << absent;
}

TEST_F(CliTest, BandSwitchedOffWithAGainStaysOffInTheFile) {
    // A single-setting file keeps the gain of a band switched off; a library program holds a
    // band switched off at 0.0 dB, and must not bring the band back on at the gain asked.
    auto data = Container(1);
    data->input(1).filter(1).setGainIndex(360);
    ProgramBank bank = NamedBank(1);
    data->fillProgramImage(bank[0]);
    struct Case {
        const char* name;
        std::vector<std::string> file;
        std::vector<std::string> values; // in the order given
        std::string note;
        std::string afterSwitchingOn; // get after "on=on"
    };
    const std::string setting = saveSetting("band.dia48", *data);
    const std::string library = file("band.dat48");
    const std::vector<Case> cases{
        {"setting, gain first",
         {setting},
         {"in.B.eq.2.gain=3", "in.B.eq.2.on=off"},
         "in.B.eq.2.gain: 3.0 dB is kept for when the band is switched on; switched off it shows "
         "0.0",
         "in.B.eq.2.on=on\nin.B.eq.2.gain=3.0\n"},
        {"setting, on/off first",
         {setting},
         {"in.B.eq.2.on=off", "in.B.eq.2.gain=3"},
         "in.B.eq.2.gain: 3.0 dB is kept for when the band is switched on; switched off it shows "
         "0.0",
         "in.B.eq.2.on=on\nin.B.eq.2.gain=3.0\n"},
        {"library, on/off first",
         {library, "--program", "1"},
         {"in.B.eq.2.on=off", "in.B.eq.2.gain=3"},
         "in.B.eq.2.gain: 3.0 dB is not kept: a program library holds a band switched off at 0.0 "
         "dB",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SaveProgramSetting(setting, *data), ProgramFileStatus::Ok);
        ASSERT_EQ(SaveProgramLibrary(library, bank), ProgramFileStatus::Ok);
        auto args = std::vector<std::string>{"set"};
        args.insert(args.end(), c.file.begin(), c.file.end());
        args.insert(args.end(), c.values.begin(), c.values.end());
        const RunResult set = run(args);
        ASSERT_EQ(set.status, 0) << set.err;
        EXPECT_EQ(set.err, "tavrel-cli: note: " + c.note + "\n");

        auto get = std::vector<std::string>{"get"};
        get.insert(get.end(), c.file.begin(), c.file.end());
        get.insert(get.end(), {"in.B.eq.2.on", "in.B.eq.2.gain"});
        EXPECT_EQ(run(get).out, "in.B.eq.2.on=off\nin.B.eq.2.gain=0.0\n");
        args.resize(args.size() - c.values.size());
        args.push_back("in.B.eq.2.on=on");
        const RunResult on = run(args);
        EXPECT_EQ(on.status, c.afterSwitchingOn.empty() ? 2 : 0) << on.err;
        EXPECT_EQ(run(get).out, c.afterSwitchingOn.empty()
                                    ? "in.B.eq.2.on=off\nin.B.eq.2.gain=0.0\n"
                                    : c.afterSwitchingOn);
    }
}

TEST_F(CliTest, SetWritesNothingWhenAnyArgumentIsInvalid) {
    const std::string path = file("live.dia48");
    WriteBytes(path, ShowFile(1));
    const std::string bank = file("bank.dat48");
    ASSERT_EQ(SaveProgramLibrary(bank, NamedBank(1)), ProgramFileStatus::Ok);
    struct Case {
        std::vector<std::string> args;
        std::string err; // the first line on standard error
    };
    const std::vector<Case> cases{
        {{"set", path, "in.A.gain=-3", "in.A.volume=1"}, "unknown parameter in.A.volume"},
        {{"set", path, "in.A.gain=loud"}, "in.A.gain: loud is not a number (-40.0 to 6.0 dB)"},
        {{"set", path, "in.A.gain=-3", "in.A.delay=1000.5"},
         "in.A.delay: 1000.5 is Out of Range (0.0000 to 1000 ms)"},
        {{"set", path, "in.B.gain=12"}, "in.B.gain: 12 is Out of Range (-40.0 to 6.0 dB)"},
        {{"set", path, "in.A.gain=-3", "unit.temperature=20"},
         "unit.temperature is a setting of the unit: a program file does not hold it"},
        {{"set", path, "in.A.gain=-3", "out.1.limiter.ratio=1:4"},
         "out.1.limiter.ratio: only a compressor has a ratio (limiter.type=compressor). Nothing "
         "was written."},
        {{"set", path, "in.A.eq.1.q=2", "in.A.eq.1.bw=1"},
         "in.A.eq.1.q and in.A.eq.1.bw set the same value: give one of them"},
        {{"set", path, "in.A.gain"}, "in.A.gain is not NAME=VALUE"},
        {{"set", path}, "give at least one NAME=VALUE"},
        {{"set", "--id", "3", path, "in.A.gain=1"}, "--id is for a unit: give --port too"},
        {{"set", bank, "in.A.gain=1"}, "a program library needs --program 1 to 30"},
        {{"get", path, "in.A.gain", "in.E.gain"}, "in.E.gain: the 4x8 has inputs A to D"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args)
            joined += arg + " ";
        SCOPED_TRACE(joined);
        const auto before = Bytes(path);
        const RunResult result = run(c.args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Lines(result.err).at(0), "tavrel-cli: error: " + c.err);
        EXPECT_EQ(Bytes(path), before);
    }
}

// ---- response, phase and group delay ----

TEST_F(CliTest, ResponseAddsPhaseAndGroupDelayColumns) {
    const auto data = Container(1);
    data->output(0).setDelay(962); // 10.0048 ms
    data->output(0).setPolarity(1);
    const std::string path = saveSetting("phase.dia48", *data);
    const RunResult all = run({"response", "--phase", "--group-delay", path});
    ASSERT_EQ(all.status, 0) << all.err;
    const auto heading = Lines(all.out).at(0);
    EXPECT_EQ(heading.substr(0, heading.find("\tInput B")),
              "Hz\tInput A\tInput A phase\tInput A group delay");

    const RunResult one = run({"response", "--channel", "1", "--phase", "--group-delay", path});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto lines = Lines(one.out);
    ASSERT_EQ(lines.size(), 241u);
    // At 10 Hz: level 0 dB, the inverted polarity (180 degrees) less 10.0048 ms of 10 Hz
    // (36.017 degrees).
    EXPECT_EQ(lines[0], "10.0\t0.000\t143.983\t10.005");
}

// ---- import-eq and export-eq ----

TEST_F(CliTest, ImportEqSetsTheBandsOfAFileAndPrintsWhatItDid) {
    const auto data = Container(3);
    data->output(1).filter(4).setGainIndex(330); // an old band, switched off by the import
    const std::string path = saveSetting("show.dia24", *data);
    const std::string text = file("eq.txt");
    std::ofstream(text) << "Filter Settings file\n"
                           "Preamp: -6.0 dB\n"
                           "Filter  1: ON  PK       Fc  1000 Hz  Gain  -3.5 dB  Q  2.400\n"
                           "Filter  2: ON  NO       Fc    60 Hz  Q 10\n"
                           "Filter  3: ON  LSC 12 dB Fc    80 Hz  Gain   4.0 dB\n";

    const RunResult dry = run({"import-eq", "--dry-run", path, "out.2", text});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Lines(dry.out).at(Lines(dry.out).size() - 2),
              "Dry run: out.2 of " + path + " was not changed");
    const auto before = Bytes(path);

    const RunResult result = run({"import-eq", path, "out.2", text});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 8u) << result.out;
    EXPECT_EQ(lines[0], "line  requested                              held by the unit          "
                        "           note");
    EXPECT_EQ(lines[1], "   3  ON PK Fc 1000 Hz Gain -3.5 dB Q 2.400  band 1: PEQ 1000 Hz -3.5 dB "
                        "Q 2.387");
    EXPECT_EQ(lines[2], "   4  ON NO Fc 60 Hz Q 10                    not applied                "
                        "          the unit has no notch filter");
    EXPECT_EQ(lines[3], "   5  ON LSC 12 dB Fc 80 Hz Gain 4.0 dB      band 2: Lo_Shf 12dB 80 Hz "
                        "4.0 dB");
    EXPECT_EQ(lines[4], "   2  Preamp: -6.0 dB                        not applied                "
                        "          ignored: the channel gain stays 0.0 dB");
    EXPECT_EQ(lines[5], "                                             bands 3 to 6: off          "
                        "          left over");
    EXPECT_EQ(lines[6], "Imported 2 filters from " + text + " into out.2 of " + path);
    EXPECT_TRUE(std::regex_match(lines[7], std::regex("largest difference: [0-9]+\\.[0-9]{2} dB")))
        << lines[7];
    EXPECT_NE(Bytes(path), before);

    ProgramContainer back;
    back.setDeviceType(kDeviceType2x4);
    ASSERT_EQ(LoadProgramSetting(path, back), ProgramFileStatus::Ok);
    const OutputChannel& out = back.output(1);
    EXPECT_EQ(out.filter(0).frequency(), 1000);
    EXPECT_EQ(out.filter(0).gainIndex(), 265);
    EXPECT_EQ(out.filter(1).type(), Filter::kLowShelf);
    EXPECT_NE(out.filter(4).off(), 0);
    EXPECT_EQ(out.gain(), 360); // the preamp is ignored without --preamp
}

TEST_F(CliTest, ImportEqThatTakesNothingOrReadsBadInputChangesNothing) {
    const std::string path = saveSetting("show.dia48", *Container(1));
    const std::string nothing = file("nothing.txt");
    std::ofstream(nothing)
        << "Filter 1: ON NO Fc 60 Hz Q 10\nFilter 2: OFF PK Fc 1000 Hz Gain 3 dB Q 1\n";
    const std::string bad = file("bad.txt");
    std::ofstream(bad)
        << "Filter 1: ON PK Fc 1000 Hz Gain 3 dB Q 1\nFilter 2: ON PK Fc 1 Hz Gain 3 dB Q 1\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"import-eq", path, "out.1", nothing},
         2,
         "tavrel-cli: nothing imported from " + nothing +
             ": the 4x8 holds none of the text's filters on an output. Nothing was changed.\n"},
        {{"import-eq", path, "out.1", bad},
         2,
         "tavrel-cli: " + bad +
             ", line 2: Fc 1 Hz is beyond what the units hold (10 to 30000 Hz). Nothing was "
             "changed.\n"},
        {{"import-eq", path, "out.1", file("missing.txt")},
         1,
         "tavrel-cli: " + file("missing.txt") + ": does not exist. Nothing was changed.\n"},
        {{"import-eq", path, "out.9", nothing},
         2,
         "tavrel-cli: error: out.9: the 4x8 has outputs 1 to 8\n"},
    };
    const auto before = Bytes(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult result = run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err.substr(0, result.err.find("Usage:")), c.err);
        EXPECT_EQ(Bytes(path), before);
    }
}

TEST_F(CliTest, ExportEqWritesATextThatImportsBackIntoTheSameSettings) {
    const auto data = Container(1);
    OutputChannel& out = data->output(3);
    out.filter(0).setFrequency(250);
    out.filter(0).setBandwidthIndex(120);
    out.filter(0).setGainIndex(250);
    out.filter(1).setType(Filter::kHighShelf);
    out.filter(1).setFrequency(7000);
    out.filter(1).setGainIndex(320);
    out.highPass().setKind(Filter::kLinkwitzRiley);
    out.highPass().setSlope(Filter::kSlope24);
    out.highPass().setFrequency(90);
    out.setGain(380);
    const std::string path = saveSetting("show.dia48", *data);

    const RunResult shown = run({"export-eq", path, "out.4"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "# Equaliser of out.4 of " + path + " (4x8), written by tavrel-cli " +
                             Lines(run({"--version"}).out).at(0).substr(11) +
                             "\n"
                             "Preamp: -2.0 dB\n"
                             "Filter  1: ON  PK        Fc     250 Hz  Gain  -5.0 dB  Q  1.119\n"
                             "Filter  2: ON  HSC 6 dB  Fc    7000 Hz  Gain   2.0 dB\n"
                             "Filter  3: ON  HPQ       Fc   90.00 Hz  Q 0.7100\n"
                             "Filter  4: ON  HPQ       Fc   90.00 Hz  Q 0.7100\n");
    const std::string text = file("out4.txt");
    const RunResult written = run({"export-eq", path, "out.4", text});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "Wrote the equaliser of out.4 of " + path + " to " + text + "\n");
    EXPECT_EQ(Slurp(text), shown.out);

    const std::string target = saveSetting("other.dia48", *Container(1));
    const RunResult imported = run({"import-eq", "--preamp", target, "out.4", text});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(Bytes(target), Bytes(path));
}
