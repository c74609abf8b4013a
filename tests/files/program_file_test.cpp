// Program files: library layout and round trips, limits on values read, truncated files,
// file-name rules and saving on disk.

#include "files/ProgramFile.h"

#include "ProgramSamples.h"
#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ModelCase {
    const char* label;
    int deviceType;
    int inputGainMax;
    int outputGainMax;
    int delayMax;
    int bandwidthMax;
};

// Index ranges of each model, written out from the unit's scales.
const ModelCase kModels[] = {
    {"4x8", 1, 460, 550, 52473, 295},
    {"3x6", 2, 560, 560, 1465, 59},
    {"2x4", 3, 560, 560, 1465, 59},
};

// A bank whose every field holds a distinct in-range value, so that a field written to the
// wrong place or read in the wrong order shows up.
ProgramBank SampleBank(const ModelCase& model) {
    ProgramBank bank;
    for (int p = 0; p < kProgramMemoryCount; ++p) {
        ProgramImage& image = bank[p];
        image.name = "Prog" + std::to_string(p + 1);
        for (int i = 0; i < ProgramImage::kInputCount; ++i) {
            InputImage& in = image.inputs[i];
            for (int b = 0; b < InputImage::kBandCount; ++b) {
                BandImage& band = in.bands[b];
                band.frequency = static_cast<std::int16_t>(100 + p * 7 + i * 3 + b);
                band.gain = static_cast<std::int16_t>((p + b * 11 + i) % 451);
                band.bandwidth = static_cast<std::int16_t>((p + b + i) % (model.bandwidthMax + 1));
                band.slope = static_cast<std::uint8_t>((p + b) % 2);
                band.type = static_cast<std::uint8_t>((p + b + i) % 3);
            }
            in.on = static_cast<std::uint8_t>((p + i) % 2);
            in.polarity = static_cast<std::uint8_t>((p + i + 1) % 2);
            in.delay = static_cast<std::int16_t>((p * 31 + i) % (model.delayMax + 1));
            in.gain = static_cast<std::int16_t>((p * 13 + i) % (model.inputGainMax + 1));
            in.reservedA = static_cast<std::uint8_t>(p % 2);
            in.reservedB = static_cast<std::uint8_t>(200 + i);
            in.name = std::string(1, static_cast<char>('A' + i)) + std::to_string(p);
            in.highPassFrequency = static_cast<std::int16_t>(20 + p + i);
            in.highPassKind = static_cast<std::uint8_t>(p % 3);
            in.highPassSlope = static_cast<std::uint8_t>(i % 4);
            in.lowPassFrequency = static_cast<std::int16_t>(20000 - p - i);
            in.lowPassKind = static_cast<std::uint8_t>((p + 1) % 3);
            in.lowPassSlope = static_cast<std::uint8_t>((i + 1) % 4);
            in.gateThreshold = static_cast<std::uint8_t>(100 + p);
            in.gateOff = static_cast<std::uint8_t>(i % 2);
        }
        for (int o = 0; o < ProgramImage::kOutputCount; ++o) {
            OutputImage& out = image.outputs[o];
            for (int b = 0; b < OutputImage::kBandCount; ++b) {
                BandImage& band = out.bands[b];
                band.frequency = static_cast<std::int16_t>(1000 + p * 5 + o * 17 + b);
                band.gain = static_cast<std::int16_t>((p * 3 + o + b) % 451);
                band.bandwidth = static_cast<std::int16_t>((o + b * 2) % (model.bandwidthMax + 1));
                band.slope = static_cast<std::uint8_t>((o + b) % 2);
                band.type = static_cast<std::uint8_t>((o + b + p) % 3);
            }
            out.on = static_cast<std::uint8_t>((p + o + 1) % 2);
            out.polarity = static_cast<std::uint8_t>((p + o) % 2);
            out.delay = static_cast<std::int16_t>((p * 47 + o) % (model.delayMax + 1));
            out.gain = static_cast<std::int16_t>((p * 17 + o) % (model.outputGainMax + 1));
            out.mix = static_cast<std::uint8_t>((p + o) % 16);
            out.reserved = static_cast<std::uint8_t>(o);
            out.highPassFrequency = static_cast<std::int16_t>(30 + o);
            out.highPassKind = static_cast<std::uint8_t>(o % 3);
            out.highPassSlope = static_cast<std::uint8_t>(p % 4);
            out.lowPassFrequency = static_cast<std::int16_t>(15000 + o);
            out.lowPassKind = static_cast<std::uint8_t>((o + 2) % 3);
            out.lowPassSlope = static_cast<std::uint8_t>((p + 2) % 4);
            out.threshold = static_cast<std::int16_t>((p * 9 + o) % 501);
            out.attack = static_cast<std::uint8_t>((p + o) % 107);
            out.release = static_cast<std::uint8_t>((p + o) % 6);
            out.clipLimit = static_cast<std::uint8_t>(20 + o);
            out.ratio = static_cast<std::uint8_t>(o % 8);
            out.dynamicsType = static_cast<std::uint8_t>(o % 2);
            out.dynamicsMode = static_cast<std::uint8_t>(p % 2);
            out.name = "Out" + std::to_string(o + 1);
        }
    }
    return bank;
}

std::size_t StringsBytes(const ProgramImage& image) {
    std::size_t n = 1 + image.name.size();
    for (const auto& in : image.inputs) {
        n += 1 + in.name.size();
    }
    for (const auto& out : image.outputs) {
        n += 1 + out.name.size();
    }
    return n;
}

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A private directory for files, removed after the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tavrel-files-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

// ---- Library layout ----

TEST(ProgramLibrary, FirstEntryStartsWithNameThenGainBeforeFrequency) {
    ProgramBank bank = SampleBank(kModels[0]);
    bank[0].name = "Live";
    BandImage& band = bank[0].inputs[0].bands[0];
    band.gain = 330;       // +3 dB
    band.frequency = 1000; // Hz
    band.bandwidth = 95;
    band.slope = 1;
    band.type = 2;

    const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(bank);
    const std::vector<std::uint8_t> expected = {
        0x04, 'L',  'i', 'v', 'e', // program name, one length byte
        0x4A, 0x01,                // band 1 gain index 330
        0xE8, 0x03,                // band 1 frequency 1000 Hz
        0x5F, 0x00,                // band 1 bandwidth index 95
        0x01, 0x02,                // slope, type
    };
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + expected.size()), expected);
}

TEST(ProgramLibrary, EntriesHoldFixedFieldsPlusTheirThirteenStrings) {
    EXPECT_EQ(kProgramEntryBytes, 904u);
    const ProgramBank bank = SampleBank(kModels[0]);
    std::size_t expected = 0;
    for (const auto& image : bank) {
        expected += 904 + StringsBytes(image);
    }
    EXPECT_EQ(EncodeProgramLibrary(bank).size(), expected);

    // The input entry's channel name closes its 82 fixed bytes: first input of entry 1.
    const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(bank);
    const std::size_t nameAt = 1 + bank[0].name.size() + 82;
    ASSERT_LT(nameAt + 1, bytes.size());
    EXPECT_EQ(bytes[nameAt], bank[0].inputs[0].name.size());
    EXPECT_EQ(bytes[nameAt + 1], 'A');
}

TEST(ProgramLibrary, RoundTripsForEveryModel) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.label);
        const ProgramBank written = SampleBank(model);
        ProgramBank read;
        ASSERT_TRUE(DecodeProgramLibrary(EncodeProgramLibrary(written), model.deviceType, read));
        EXPECT_EQ(read, written);
    }
}

TEST(ProgramLibrary, FourByEightDelayAboveSignedRangeSurvives) {
    // 4x8 delays reach index 52473, beyond a signed 16-bit field: the bits must survive both ways.
    ProgramBank bank = SampleBank(kModels[0]);
    bank[3].outputs[2].delay = static_cast<std::int16_t>(std::uint16_t{52473});
    ProgramBank read;
    ASSERT_TRUE(DecodeProgramLibrary(EncodeProgramLibrary(bank), 1, read));
    EXPECT_EQ(static_cast<std::uint16_t>(read[3].outputs[2].delay), 52473);
}

TEST(ProgramLibrary, FlagBytesAreNotStoredAndStayAsTheyWere) {
    const ProgramBank written = SampleBank(kModels[0]);
    ProgramBank read;
    read[7].flag = 9;
    ASSERT_TRUE(DecodeProgramLibrary(EncodeProgramLibrary(written), 1, read));
    EXPECT_EQ(read[7].flag, 9);
}

// ---- Truncated and corrupt library files ----

TEST(ProgramLibrary, TruncatedFileChangesNothing) {
    const ProgramBank written = SampleBank(kModels[0]);
    const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(written);
    const std::size_t firstEntry = 904 + StringsBytes(written[0]);
    struct Cut {
        const char* what;
        std::size_t size;
    };
    const Cut cuts[] = {
        {"empty file", 0},
        {"inside the first program name", 2},
        {"inside the first input's bands", 20},
        {"one byte short of the first entry", firstEntry - 1},
        {"exactly one entry", firstEntry},
        {"one byte short of the end", bytes.size() - 1},
    };
    ProgramBank original = SampleBank(kModels[1]); // different values from the file
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        ProgramBank bank = original;
        EXPECT_FALSE(DecodeProgramLibrary(std::span(bytes.data(), cut.size), 1, bank));
        EXPECT_EQ(bank, original);
    }
}

TEST(ProgramLibrary, StringLengthRunningPastTheEndFails) {
    const ProgramBank written = SampleBank(kModels[0]);
    std::vector<std::uint8_t> bytes = EncodeProgramLibrary(written);
    // Replace the first program name's length with the 32-bit form claiming 4 GiB.
    bytes[0] = 0xFF;
    bytes.insert(bytes.begin() + 1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ProgramBank bank = SampleBank(kModels[1]);
    const ProgramBank original = bank;
    EXPECT_FALSE(DecodeProgramLibrary(bytes, 1, bank));
    EXPECT_EQ(bank, original);
}

// ---- Only whole libraries of the model are read ----

namespace {

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> apply;
    // The reason expected for a file of n bytes before the damage.
    std::function<std::string(std::size_t n)> reason;
};

std::function<std::string(std::size_t)> Reason(std::string text) {
    return [text](std::size_t) { return text; };
}

std::string At(std::size_t at) {
    return "not a program file of this model (unexpected value at byte " + std::to_string(at) + ")";
}

// The reason for a byte appended to a file of n bytes.
std::string MoreDataAtTheEnd(std::size_t n) {
    return "not a program file of this model (more data after the end at byte " +
           std::to_string(n) + ")";
}

// A test name from a damage's description: every character but letters and digits becomes '_'.
std::string DamageTestName(const testing::TestParamInfo<Damage>& info) {
    std::string name = info.param.what;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.what;
}

} // namespace

class LibraryDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(LibraryDamage, IsRefusedWithTheReasonAndChangesNothing) {
    ProgramBank written = SampleBank(kModels[0]);
    written[0].name = "P";
    std::vector<std::uint8_t> bytes = EncodeProgramLibrary(written);
    const std::size_t size = bytes.size();
    GetParam().apply(bytes);
    const ProgramBank original = SampleBank(kModels[1]);
    ProgramBank bank = original;
    std::string reason;
    EXPECT_FALSE(DecodeProgramLibrary(bytes, 1, bank, &reason));
    EXPECT_EQ(reason, GetParam().reason(size));
    EXPECT_EQ(bank, original);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryDamage,
    ::testing::Values(
        // The first band of input A starts at byte 2, after the program name "P".
        Damage{"band gain index above 450", [](auto& b) { PutU16(b, 2, 999); }, Reason(At(2))},
        Damage{"band frequency below 10 Hz", [](auto& b) { PutU16(b, 4, 5); }, Reason(At(4))},
        Damage{"band type 9", [](auto& b) { b[2 + 7] = 9; }, Reason(At(9))},
        Damage{"switch on holding 5", [](auto& b) { b[2 + 64] = 5; }, Reason(At(66))},
        Damage{"gain index above the 4x8 range", [](auto& b) { PutU16(b, 2 + 68, 0xFFFF); },
               Reason(At(70))},
        Damage{"program name length in the two byte form",
               [](auto& b) {
                   b[0] = 0xFF;
                   b.insert(b.begin() + 1, {0x01, 0x00});
               },
               Reason(At(0))},
        Damage{"string length prefix FFFE",
               [](auto& b) {
                   b.insert(b.begin(), {0xFF, 0xFE, 0xFF});
               },
               Reason("not a program file of this model (no text length at byte 0)")},
        Damage{"a byte after the last program", [](auto& b) { b.push_back(0); }, MoreDataAtTheEnd},
        Damage{"cut inside the last name", [](auto& b) { b.resize(b.size() - 2); },
               [](std::size_t n) {
                   // The last output name "Out8" has its length byte at n - 5.
                   return "ends early at byte " + std::to_string(n - 5) + " of " +
                          std::to_string(n - 2);
               }}),
    DamageTestName);

TEST(ProgramLibrary, ChannelNamesLongerThanAUnitKeepsAreRefused) {
    ProgramBank written = SampleBank(kModels[0]);
    written[4].outputs[2].name = "Ninechars";
    ProgramBank bank;
    std::string reason;
    EXPECT_FALSE(DecodeProgramLibrary(EncodeProgramLibrary(written), 1, bank, &reason));
    EXPECT_EQ(
        reason,
        "not a program file of this model (program 5 holds a channel name a unit cannot keep)");
    written[4].outputs[2].name = std::string("Ou\0t", 4);
    EXPECT_FALSE(DecodeProgramLibrary(EncodeProgramLibrary(written), 1, bank, &reason));
}

TEST(ProgramLibrary, ALibraryOfAnotherModelIsLimitedToTheViewsRanges) {
    TempDir dir;
    ProgramBank written = SampleBank(kModels[0]);
    InputImage& in = written[0].inputs[0];
    in.delay = 52473;
    in.gain = 460;
    in.bands[0].bandwidth = 295;
    const std::string path = dir.file("big.dat48");
    ASSERT_EQ(SaveProgramLibrary(path, written), ProgramFileStatus::Ok);

    ProgramBank read;
    ASSERT_EQ(LoadProgramLibrary(path, 3, read), ProgramFileStatus::Ok);
    EXPECT_EQ(static_cast<std::uint16_t>(read[0].inputs[0].delay), 1465);
    EXPECT_EQ(read[0].inputs[0].gain, 460);
    EXPECT_EQ(read[0].inputs[0].bands[0].bandwidth, 59);

    // The same bytes named as a 2x4 library are no 2x4 library.
    const std::string misnamed = dir.file("big.dat24");
    ASSERT_EQ(SaveProgramLibrary(misnamed, written), ProgramFileStatus::Ok);
    std::string reason;
    EXPECT_EQ(LoadProgramLibrary(misnamed, 3, read, &reason), ProgramFileStatus::ReadError);
    EXPECT_TRUE(reason.starts_with("not a program file of this model")) << reason;
}

TEST(ProgramLibrary, OutputLimiterValuesAreLimited) {
    ProgramImage image;
    OutputImage& out = image.outputs[5];
    out.threshold = 700;
    out.attack = 200;
    out.release = 9;
    out.gain = 600;
    out.clipLimit = 250; // taken as sent, like the unit's byte
    out.ratio = 200;
    out.dynamicsType = 9;
    out.dynamicsMode = 9;
    image.inputs[1].gateOff = 5;
    LimitProgramImage(image, 1);
    EXPECT_EQ(out.threshold, 500);
    EXPECT_EQ(out.attack, 106);
    EXPECT_EQ(out.release, 5);
    EXPECT_EQ(out.gain, 550);
    EXPECT_EQ(out.clipLimit, 250);
    EXPECT_EQ(out.ratio, 7);
    EXPECT_EQ(out.dynamicsType, 1);
    EXPECT_EQ(out.dynamicsMode, 1);
    EXPECT_EQ(image.inputs[1].gateOff, 1);
}

// ---- File-name rules ----

TEST(ProgramFileNames, SingleSettingExtensionIsAppendedOnlyWhenMissing) {
    struct Row {
        const char* what;
        const char* chosen;
        int deviceType;
        const char* saved;
    };
    const Row rows[] = {
        {"4x8 name without extension", "live", 1, "live.dia48"},
        {"4x8 name with its extension", "live.dia48", 1, "live.dia48"},
        {"2x4 name with its extension", "live.dia24", 3, "live.dia24"},
        {"3x6 name without extension", "/tmp/show", 2, "/tmp/show.dia36"},
        {"another model's extension", "live.dia48", 3, "live.dia48.dia24"},
        {"directory part does not count", "/x/a.dia48/live", 1, "/x/a.dia48/live.dia48"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(SingleSettingSavePath(row.chosen, row.deviceType), row.saved);
    }
}

TEST(ProgramFileNames, LibraryGetsDatWhenNameHasNone) {
    struct Row {
        const char* chosen;
        const char* saved;
    };
    const Row rows[] = {
        {"bank", "bank.dat"},
        {"bank.dat48", "bank.dat48"},
        {"bank.dat24", "bank.dat24"},
        {"old.dat/bank", "old.dat/bank.dat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chosen);
        EXPECT_EQ(LibrarySavePath(row.chosen), row.saved);
    }
}

TEST(ProgramFileNames, DeviceTypeAndKindFromExtension) {
    struct Row {
        const char* path;
        int deviceType;
        bool library;
    };
    const Row rows[] = {
        {"a.dia48", 1, false}, {"a.dat36", 2, true},      {"dir/a.dia24", 3, false},
        {"bank.dat", 0, true}, {"noext", 0, false},       {"x.48/a.dia", 0, false},
        {"a.DIA36", 2, false}, {"a.dat48.bak", 0, false}, {"a.dia48.dat24", 3, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(DeviceTypeFromPath(row.path), row.deviceType);
        EXPECT_EQ(IsLibraryPath(row.path), row.library);
    }
}

TEST(ProgramFileNames, TitlesAndChooserNamesPerModel) {
    struct Row {
        int deviceType;
        const char* title;
        const char* settingName;
        const char* libraryName;
    };
    const Row rows[] = {
        {1, "RID48_Hall", "*.dia48", "*.dat48"},
        {2, "ZOD36_Hall", "*.dia36", "*.dat36"},
        {3, "VUR24_Hall", "*.dia24", "*.dat24"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        EXPECT_EQ(ProgramWindowTitle(row.deviceType, "Hall"), row.title);
        EXPECT_EQ(SingleSettingInitialName(row.deviceType), row.settingName);
        EXPECT_EQ(LibraryInitialName(row.deviceType), row.libraryName);
        // The chooser lists whole extensions: a library saved as "bank" became "bank.dat".
        EXPECT_EQ(SingleSettingPatterns(row.deviceType), std::vector<std::string>{row.settingName});
        EXPECT_EQ(LibraryPatterns(row.deviceType),
                  (std::vector<std::string>{row.libraryName, "*.dat"}));
    }
}

// ---- Files on disk ----

TEST(ProgramLibraryFile, SavesAndLoadsThroughDisk) {
    TempDir dir;
    const std::string path = dir.file("bank.dat36");
    const ProgramBank written = SampleBank(kModels[1]);
    ASSERT_EQ(SaveProgramLibrary(path, written), ProgramFileStatus::Ok);
    EXPECT_EQ(ReadAll(path), EncodeProgramLibrary(written));
    ProgramBank read;
    ASSERT_EQ(LoadProgramLibrary(path, 2, read), ProgramFileStatus::Ok);
    EXPECT_EQ(read, written);
    // Nothing but the saved file is left in the directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ProgramLibraryFile, UnreadableFilesReportFileReadErrorWithTheReasonAndChangeNothing) {
    TempDir dir;
    const std::string truncated = dir.file("short.dat48");
    {
        const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(SampleBank(kModels[0]));
        std::ofstream out(truncated, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), 1000);
    }
    const std::string fifo = dir.file("pipe.dat48");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {dir.file("missing.dat48"), "does not exist"},
        {dir.path().string(), "is a directory"},
        {fifo, "is not a regular file"},
        {truncated, "ends early at byte 1000 of 1000"},
    };
    const ProgramBank original = SampleBank(kModels[2]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ProgramBank bank = original;
        std::string reason;
        const ProgramFileStatus status = LoadProgramLibrary(c.path, 1, bank, &reason);
        EXPECT_EQ(status, ProgramFileStatus::ReadError);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(ProgramFileMessage(status, c.path, reason),
                  "File read Error\n" + c.path + ": " + c.reason);
        EXPECT_EQ(bank, original);
    }
}

TEST(ProgramLibraryFile, FailedSaveReportsWriteErrorAndKeepsTheOldFile) {
    TempDir dir;
    const ProgramBank bank = SampleBank(kModels[0]);
    const std::string missing = dir.file("no/such/dir/bank.dat");
    std::string reason;
    const ProgramFileStatus status = SaveProgramLibrary(missing, bank, &reason);
    EXPECT_EQ(status, ProgramFileStatus::WriteError);
    EXPECT_EQ(ProgramFileMessage(status, missing, reason),
              "MusicFile Write Error\n" + missing + ": its folder does not exist");

    // A directory cannot be replaced by the save: the directory stays.
    const std::string target = dir.file("taken.dat48");
    fs::create_directory(target);
    EXPECT_EQ(SaveProgramLibrary(target, bank, &reason), ProgramFileStatus::WriteError);
    EXPECT_EQ(reason, "is a directory");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ProgramLibraryFile, ReplacingKeepsOwnerAndPermissionsAndWritesThroughLinks) {
    TempDir dir;
    fs::create_directory(dir.path() / "elsewhere");
    const std::string real = dir.file("elsewhere/real.dat48");
    const std::string link = dir.file("link.dat48");
    const std::string linkToLink = dir.file("link2.dat48");
    { std::ofstream(real) << "old"; }
    ::chmod(real.c_str(), 0640);
    // Only root can give a file to someone else; a file of our own keeps its owner anyway.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4322), 0);
    }
    struct stat before {};
    ASSERT_EQ(::stat(real.c_str(), &before), 0);
    fs::create_symlink(real, link);
    fs::create_symlink("link.dat48", linkToLink);

    const ProgramBank bank = SampleBank(kModels[0]);
    ASSERT_EQ(SaveProgramLibrary(linkToLink, bank), ProgramFileStatus::Ok);
    EXPECT_EQ(fs::read_symlink(linkToLink), "link.dat48");
    EXPECT_EQ(fs::read_symlink(link), real);
    EXPECT_EQ(ReadAll(real), EncodeProgramLibrary(bank));
    struct stat after {};
    ASSERT_EQ(::stat(real.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced whole, not written into";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // The new file was made beside its target, and nothing else is left in either folder.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir.path() / "elsewhere"), fs::directory_iterator()),
        1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

// ---- Single-setting file ----

namespace {

// Gives every stored field of a container a value away from its default, within the ranges of
// the model, and lets every crossover step settle as a connected unit would.
void FillContainer(ProgramContainer& data, const ModelCase& model) {
    data.setProgramName("Stage Left");
    for (int i = 0; i < kInputCount; ++i) {
        InputChannel& in = data.input(i);
        in.setName("In" + std::to_string(i) + "abcdefgh"); // cut to 8 characters
        in.setOn(i % 2);
        in.setPolarity(1);
        in.setDelay(model.delayMax - i);
        in.setGain(model.inputGainMax - 3 * i);
        in.setReservedA(1);
        in.setReservedB(170 + i);
        in.setGateThreshold(90 + i);
        in.setGateOff(1);
        for (int b = 0; b < InputChannel::kBandCount; ++b) {
            Filter& band = in.filter(b);
            band.setType(b % 3);
            band.setFrequency(200 + 100 * b + i);
            band.setGainIndex(310 + b + i);
            band.setBandwidthIndex((7 * b + i) % (model.bandwidthMax + 1));
            band.setSlope(b % 2);
        }
        in.highPass().setFrequency(80 + i);
        in.highPass().setKind(1);
        in.highPass().setSlope(2);
        in.lowPass().setFrequency(12000 + i);
        in.lowPass().setKind(0);
        in.lowPass().setSlope(3);
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = data.output(o);
        out.setName("Out" + std::to_string(o));
        out.setOn((o + 1) % 2);
        out.setPolarity(o % 2);
        out.setMix(15 - o);
        out.setDelay(o * 101);
        out.setGain(model.outputGainMax - o);
        out.setThreshold(450 - o);
        out.setAttack(60 + o);
        out.setRelease(o % 6);
        out.setClipLimit(30 + o);
        out.setRatio(o % 8);
        out.setDynamicsType(1);
        out.setDynamicsMode(o % 2);
        for (int b = 0; b < OutputChannel::kBandCount; ++b) {
            Filter& band = out.filter(b);
            band.setType((b + o) % 3);
            band.setFrequency(1000 + 10 * b + o);
            band.setGainIndex(150 + b);
            band.setBandwidthIndex((3 * b + o) % (model.bandwidthMax + 1));
        }
        out.highPass().setFrequency(40 + o);
        out.highPass().setSlope(1);
        out.lowPass().setFrequency(16000 - o);
        out.lowPass().setKind(1);
    }
    SettleChangeFlags(data);
}

std::unique_ptr<ProgramContainer> Container(int deviceType) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(deviceType);
    return data;
}

bool NothingPending(const ProgramContainer& data) {
    return !AnyChangeFlagRaised(data);
}

// Offsets in a fresh container's file: "NewProgram" (11 bytes), then input A's record.
constexpr std::size_t kInputA = 11;
constexpr std::size_t kInputAFilters = kInputA + 2 + 19; // after the name "A" and 19 bytes
constexpr std::size_t kFilterRecord = 44;
constexpr std::size_t kInputRecord = 2 + 459; // a one-letter name
constexpr std::size_t kOutput1 = kInputA + 4 * kInputRecord;

void PutI32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
}

void PutF64(std::vector<std::uint8_t>& bytes, std::size_t at, double v) {
    std::uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
}

} // namespace

TEST(ProgramSetting, FreshFourByEightFileStartsAsLaidOut) {
    const auto data = Container(1);
    const std::vector<std::uint8_t> bytes = EncodeProgramSetting(*data);
    const std::vector<std::uint8_t> expected = {
        0x0A, 'N',  'e',  'w',  'P', 'r', 'o', 'g', 'r', 'a', 'm', // program name
        0x01, 'A',                                                 // input A name
        0x01,                                                      // on
        0x00,                                                      // polarity
        0x00, 0x00, 0x00, 0x00,                                    // delay index
        0x90, 0x01, 0x00, 0x00,                                    // gain index 400
    };
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + expected.size()), expected);
}

TEST(ProgramSetting, AlwaysHoldsFourInputsAndEightOutputs) {
    // 459 bytes per input and 397 per output without names, each name "A" or "1" in 2 bytes.
    const std::size_t expected = 11 + 4 * (459 + 2) + 8 * (397 + 2);
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.label);
        EXPECT_EQ(EncodeProgramSetting(*Container(model.deviceType)).size(), expected);
    }
}

TEST(ProgramSetting, RoundTripsForEveryModelWithoutRaisingFlags) {
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.label);
        const auto written = Container(model.deviceType);
        FillContainer(*written, model);
        const std::vector<std::uint8_t> bytes = EncodeProgramSetting(*written);

        const auto read = Container(model.deviceType);
        read->input(3).setPresent(0);
        read->clearChangeFlags();
        ASSERT_TRUE(DecodeProgramSetting(bytes, *read));
        EXPECT_EQ(EncodeProgramSetting(*read), bytes); // byte for byte
        EXPECT_EQ(read->programName(), "Stage Left");
        EXPECT_EQ(read->input(1).nameText(), "In1abcde");
        EXPECT_EQ(read->output(7).gain(), model.outputGainMax - 7);
        EXPECT_EQ(read->deviceType(), model.deviceType);
        EXPECT_EQ(read->input(3).present(), 0);
        EXPECT_TRUE(NothingPending(*read));
    }
}

TEST(ProgramSetting, TruncatedFileChangesNothing) {
    const auto source = Container(1);
    FillContainer(*source, kModels[0]);
    const std::vector<std::uint8_t> bytes = EncodeProgramSetting(*source);
    struct Cut {
        const char* what;
        std::size_t size;
    };
    const Cut cuts[] = {
        {"empty file", 0},
        {"inside the program name", 5},
        {"inside input A's first filter", 40},
        {"one byte short of the outputs", 11 + 4 * (459 + 9) - 1},
        {"one byte short of the end", bytes.size() - 1},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        const auto data = Container(1);
        const std::vector<std::uint8_t> before = EncodeProgramSetting(*data);
        EXPECT_FALSE(DecodeProgramSetting(std::span(bytes.data(), cut.size), *data));
        EXPECT_EQ(EncodeProgramSetting(*data), before);
    }
}

class SettingDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(SettingDamage, IsRefusedWithTheReasonAndChangesNothing) {
    std::vector<std::uint8_t> bytes = EncodeProgramSetting(*Container(1));
    const std::size_t size = bytes.size();
    GetParam().apply(bytes);
    const auto data = Container(1);
    FillContainer(*data, kModels[0]);
    const std::vector<std::uint8_t> before = EncodeProgramSetting(*data);
    std::string reason;
    EXPECT_FALSE(DecodeProgramSetting(bytes, *data, &reason));
    EXPECT_EQ(reason, GetParam().reason(size));
    EXPECT_EQ(EncodeProgramSetting(*data), before);
    EXPECT_TRUE(NothingPending(*data));
}

constexpr std::size_t kBand1 = kInputAFilters;
constexpr std::size_t kHighPassA = kInputAFilters + 8 * kFilterRecord;

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingDamage,
    ::testing::Values(
        Damage{"on holding 7", [](auto& b) { b[kInputA + 2] = 7; }, Reason(At(kInputA + 2))},
        Damage{"delay above the 4x8 range", [](auto& b) { PutI32(b, kInputA + 4, 60000); },
               Reason(At(kInputA + 4))},
        Damage{"negative output gain", [](auto& b) { PutI32(b, kOutput1 + 2 + 4 + 1 + 1, -5); },
               Reason(At(kOutput1 + 2 + 4 + 1 + 1))},
        Damage{"channel index of another input", [](auto& b) { b[kInputA + 20] = 3; },
               Reason(At(kInputA + 20))},
        Damage{"frame code out of place", [](auto& b) { b[kInputA + 19] = 6; },
               Reason(At(kInputA + 19))},
        Damage{"band type 9", [](auto& b) { PutI32(b, kBand1, 9); }, Reason(At(kBand1))},
        Damage{"band gain of 99 dB", [](auto& b) { PutF64(b, kBand1 + 12, 99.1); },
               Reason(At(kBand1 + 12))},
        Damage{"bandwidth not a number", [](auto& b) { PutF64(b, kBand1 + 24, std::nan("")); },
               Reason(At(kBand1 + 24))},
        Damage{"band switch holding 2", [](auto& b) { PutI32(b, kBand1 + 20, 2); },
               Reason(At(kBand1 + 20))},
        Damage{"another filter code", [](auto& b) { PutI32(b, kBand1 + 40, 5); },
               Reason(At(kBand1 + 40))},
        Damage{"high-pass holding a band type", [](auto& b) { PutI32(b, kHighPassA, 0); },
               Reason(At(kHighPassA))},
        Damage{"high-pass above 30000 Hz", [](auto& b) { PutI32(b, kHighPassA + 4, 90000); },
               Reason(At(kHighPassA + 4))},
        Damage{"channel name of nine bytes",
               [](auto& b) {
                   b[kInputA] = 9;
                   b.insert(b.begin() + kInputA + 2, {'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'});
               },
               Reason(At(kInputA))},
        Damage{"a byte after the last record", [](auto& b) { b.push_back(0); }, MoreDataAtTheEnd},
        Damage{"cut inside the last filter", [](auto& b) { b.resize(b.size() - 2); },
               [](std::size_t n) {
                   // The last field, the frame code, starts 4 bytes before the end.
                   return "ends early at byte " + std::to_string(n - 4) + " of " +
                          std::to_string(n - 2);
               }}),
    DamageTestName);

TEST(ProgramSetting, TheSentFrequencyOfAFileIsNotKept) {
    // A file whose crossover was still stepping when it was saved: the read program starts from
    // its frequency, which is what the unit receives with it.
    std::vector<std::uint8_t> bytes = EncodeProgramSetting(*Container(1));
    PutI32(bytes, kHighPassA + 8, 640);
    const auto data = Container(1);
    ASSERT_TRUE(DecodeProgramSetting(bytes, *data));
    EXPECT_EQ(data->input(0).highPass().sentFrequency(), data->input(0).highPass().frequency());
    EXPECT_EQ(EncodeProgramSetting(*data), EncodeProgramSetting(*Container(1)));
}

TEST(ProgramSettingFile, AFileOfAnotherModelIsLimitedToTheViewsRanges) {
    TempDir dir;
    const auto big = Container(1);
    big->input(0).setDelay(52473);
    big->input(0).setGain(460);
    const std::string path = dir.file("big.dia48");
    ASSERT_EQ(SaveProgramSetting(path, *big), ProgramFileStatus::Ok);
    const auto data = Container(3);
    data->clearChangeFlags();
    ASSERT_EQ(LoadProgramSetting(path, *data), ProgramFileStatus::Ok);
    EXPECT_EQ(data->input(0).delay(), 1465);
    EXPECT_EQ(data->input(0).gain(), 460);
    EXPECT_TRUE(NothingPending(*data));

    // Named as a 2x4 file, the same bytes are no 2x4 file.
    const std::string misnamed = dir.file("big.dia24");
    ASSERT_EQ(SaveProgramSetting(misnamed, *big), ProgramFileStatus::Ok);
    std::string reason;
    EXPECT_EQ(LoadProgramSetting(misnamed, *data, &reason), ProgramFileStatus::ReadError);
    EXPECT_EQ(reason, At(kInputA + 4));
}

TEST(ProgramSettingFile, SavesLoadsAndReportsUnreadableFiles) {
    TempDir dir;
    const auto written = Container(2);
    FillContainer(*written, kModels[1]);
    const std::string path = dir.file("live.dia36");
    ASSERT_EQ(SaveProgramSetting(path, *written), ProgramFileStatus::Ok);
    const auto read = Container(2);
    ASSERT_EQ(LoadProgramSetting(path, *read), ProgramFileStatus::Ok);
    EXPECT_EQ(ReadAll(path), EncodeProgramSetting(*written));
    EXPECT_EQ(EncodeProgramSetting(*read), ReadAll(path));

    const auto untouched = Container(2);
    EXPECT_EQ(LoadProgramSetting(dir.file("missing.dia36"), *untouched),
              ProgramFileStatus::ReadError);
    EXPECT_EQ(untouched->programName(), "NewProgram");
}

// What the readers were handed in place of a program file: each is refused and changes nothing.
TEST(ProgramFiles, FilesThatAreNotProgramFilesOfTheModelAreRefused) {
    TempDir dir;
    const auto setting = [] {
        const auto data = Container(1);
        FillContainer(*data, kModels[0]);
        return EncodeProgramSetting(*data);
    }();
    const std::vector<std::uint8_t> library = EncodeProgramLibrary(SampleBank(kModels[0]));
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(2000, 0x42);
    const std::string text = "Program: Stage Left\nInput A gain 0 dB\nOutput 1 gain +15 dB\n";
    std::vector<std::uint8_t> setting2x4 = [] {
        const auto data = Container(3);
        FillContainer(*data, kModels[2]);
        return EncodeProgramSetting(*data);
    }();
    struct Case {
        const char* what;
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    auto plus = [](std::vector<std::uint8_t> bytes, std::uint8_t extra) {
        bytes.push_back(extra);
        return bytes;
    };
    const Case cases[] = {
        {"a library named as a single setting", "bank.dia48", library},
        {"a single setting named as a library", "live.dat48", setting},
        {"a library cut short", "bank.dat48",
         std::vector<std::uint8_t>(library.begin(), library.end() - 100)},
        {"a single setting with a byte left over", "live.dia48", plus(setting, 0)},
        {"a library with a byte left over", "bank.dat48", plus(library, 0)},
        {"a PNG picture", "picture.dia48", png},
        {"a text file", "notes.dia48", std::vector<std::uint8_t>(text.begin(), text.end())},
        {"16 MiB of zeros", "zeros.dia48", std::vector<std::uint8_t>(kMaxProgramFileBytes, 0)},
        {"16 MiB of zeros as a library", "zeros.dat48",
         std::vector<std::uint8_t>(kMaxProgramFileBytes, 0)},
        {"an empty file", "empty.dia48", {}},
        {"a 4x8 single setting named for the 2x4", "live.dia24", setting},
        {"a 2x4 single setting named for the 4x8", "live2.dia48", setting2x4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(SaveFileReplacing(path, c.bytes));
        std::string reason;
        if (IsLibraryPath(path)) {
            const ProgramBank original = SampleBank(kModels[1]);
            ProgramBank bank = original;
            EXPECT_EQ(LoadProgramLibrary(path, 1, bank, &reason), ProgramFileStatus::ReadError);
            EXPECT_EQ(bank, original);
        } else {
            const auto data = Container(1);
            const std::vector<std::uint8_t> before = EncodeProgramSetting(*data);
            EXPECT_EQ(LoadProgramSetting(path, *data, &reason), ProgramFileStatus::ReadError);
            EXPECT_EQ(EncodeProgramSetting(*data), before);
        }
        EXPECT_TRUE(reason.starts_with("ends early at byte ") ||
                    reason.starts_with("not a program file of this model ("))
            << reason;
    }
}

// ---- What a save never replaces ----

namespace {

// A pseudo-terminal pair, open for the test's lifetime: its slave is a character device of the
// test's own making, safe to point a link at.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    std::string slavePath;
    PseudoTerminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            slavePath = ::ptsname(master);
            slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        }
    }
    ~PseudoTerminal() {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
};

// Makes what a case puts at `path` in `dir`; returns the reason a save gives, or "" when the
// thing cannot be made here (a device node needs root).
using TargetMaker = std::string (*)(const fs::path& dir, const std::string& path,
                                    const PseudoTerminal& pty);

struct SaveTargetCase {
    const char* name;
    TargetMaker make;
};

void PrintTo(const SaveTargetCase& c, std::ostream* os) {
    *os << c.name;
}

std::string MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0 ? "is a named pipe (FIFO), not a regular file" : "";
}

class SaveTargetTest : public testing::TestWithParam<SaveTargetCase> {};

TEST_P(SaveTargetTest, IsRefusedWithItsReasonAndLeftAsItWas) {
    TempDir dir;
    const PseudoTerminal pty;
    ASSERT_FALSE(pty.slavePath.empty());
    const fs::path real = fs::canonical(dir.path());
    const std::string path = (real / "target.dia48").string();
    const std::string reason = GetParam().make(real, path, pty);
    if (reason.empty())
        GTEST_SKIP() << "cannot be made without root";
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0);
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(real))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> entriesBefore = entries();

    std::string why;
    EXPECT_FALSE(CheckSaveTarget(path, &why));
    EXPECT_EQ(why, reason);
    why.clear();
    EXPECT_EQ(SaveProgramSetting(path, *Container(1), &why), ProgramFileStatus::WriteError);
    EXPECT_EQ(why, reason);

    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(entries(), entriesBefore) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveTargetTest,
    testing::Values(
        SaveTargetCase{"NamedPipe", [](const fs::path&, const std::string& path,
                                       const PseudoTerminal&) { return MakeFifo(path); }},
        SaveTargetCase{"DeviceNode",
                       [](const fs::path&, const std::string& path, const PseudoTerminal&) {
                           // The numbers of /dev/null: harmless if it were ever written.
                           return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0
                                      ? std::string("is a device, not a regular file")
                                      : std::string();
                       }},
        SaveTargetCase{"Socket",
                       [](const fs::path&, const std::string& path, const PseudoTerminal&) {
                           const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                           sockaddr_un address{};
                           address.sun_family = AF_UNIX;
                           std::strncpy(address.sun_path, path.c_str(),
                                        sizeof address.sun_path - 1);
                           const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address),
                                                     sizeof address) == 0;
                           ::close(fd);
                           return bound ? std::string("is a socket, not a regular file")
                                        : std::string();
                       }},
        SaveTargetCase{"Directory",
                       [](const fs::path&, const std::string& path, const PseudoTerminal&) {
                           fs::create_directory(path);
                           return std::string("is a directory");
                       }},
        SaveTargetCase{"LinkToANamedPipe",
                       [](const fs::path& dir, const std::string& path, const PseudoTerminal&) {
                           const std::string pipe = (dir / "pipe").string();
                           MakeFifo(pipe);
                           fs::create_symlink(pipe, path);
                           return "is a link to " + pipe +
                                  ", which is a named pipe (FIFO), not a regular file";
                       }},
        SaveTargetCase{"LinkToADevice",
                       [](const fs::path&, const std::string& path, const PseudoTerminal& pty) {
                           fs::create_symlink(pty.slavePath, path);
                           return "is a link to " + pty.slavePath +
                                  ", which is a device, not a regular file";
                       }},
        SaveTargetCase{"LinkToAFolder",
                       [](const fs::path& dir, const std::string& path, const PseudoTerminal&) {
                           fs::create_directory(dir / "folder");
                           fs::create_symlink("folder", path);
                           return "is a link to " + (dir / "folder").string() +
                                  ", which is a directory, not a regular file";
                       }},
        SaveTargetCase{"LinkToNothing",
                       [](const fs::path&, const std::string& path, const PseudoTerminal&) {
                           fs::create_symlink("gone.dia48", path);
                           return std::string("is a link to a file that does not exist");
                       }},
        SaveTargetCase{"LinksInACircle",
                       [](const fs::path& dir, const std::string& path, const PseudoTerminal&) {
                           fs::create_symlink("target.dia48", dir / "other");
                           fs::create_symlink("other", path);
                           return std::string("is a link that leads round in a circle");
                       }}),
    [](const testing::TestParamInfo<SaveTargetCase>& info) { return info.param.name; });

} // namespace
