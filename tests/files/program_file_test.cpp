// Program files: library layout and round trips, limits on values read, truncated files,
// file-name rules and saving on disk.

#include "files/ProgramFile.h"

#include "ProgramSamples.h"
#include "model/ProgramContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
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

// ---- Values limited to the unit's ranges ----

TEST(ProgramLibrary, OutOfRangeValuesAreLimitedAsFromTheUnit) {
    ProgramBank bank = SampleBank(kModels[0]);
    bank[0].name = "P";
    bank[0].inputs[0].name = "A";
    std::vector<std::uint8_t> bytes = EncodeProgramLibrary(bank);
    // Offsets inside the first input entry of program 1, after its 2-byte name.
    const std::size_t in = 2;
    PutU16(bytes, in + 0, 999);     // band 1 gain index -> 450
    PutU16(bytes, in + 2, 5);       // band 1 frequency -> 10 Hz
    PutU16(bytes, in + 4, 400);     // band 1 bandwidth index
    bytes[in + 6] = 7;              // band 1 slope -> 1
    bytes[in + 7] = 9;              // band 1 type -> 2
    PutU16(bytes, in + 10, 40000);  // band 2 frequency -> 30000 Hz
    bytes[in + 64] = 5;             // on -> 1
    PutU16(bytes, in + 66, 60000);  // delay index
    PutU16(bytes, in + 68, 0xFFFF); // gain index
    PutU16(bytes, in + 72, 0);      // high-pass frequency -> 10 Hz
    bytes[in + 74] = 200;           // high-pass kind -> 2
    bytes[in + 75] = 200;           // high-pass slope -> 3

    struct Expect {
        const char* model;
        int deviceType;
        int bandwidth;
        int delay;
        int gain;
    };
    const Expect expects[] = {
        {"4x8", 1, 295, 52473, 460},
        {"2x4", 3, 59, 1465, 560},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.model);
        ProgramBank read;
        ASSERT_TRUE(DecodeProgramLibrary(bytes, e.deviceType, read));
        const InputImage& input = read[0].inputs[0];
        EXPECT_EQ(input.bands[0].gain, 450);
        EXPECT_EQ(input.bands[0].frequency, 10);
        EXPECT_EQ(input.bands[0].bandwidth, e.bandwidth);
        EXPECT_EQ(input.bands[0].slope, 1);
        EXPECT_EQ(input.bands[0].type, 2);
        EXPECT_EQ(input.bands[1].frequency, 30000);
        EXPECT_EQ(input.on, 1);
        EXPECT_EQ(static_cast<std::uint16_t>(input.delay), e.delay);
        EXPECT_EQ(input.gain, e.gain);
        EXPECT_EQ(input.highPassFrequency, 10);
        EXPECT_EQ(input.highPassKind, 2);
        EXPECT_EQ(input.highPassSlope, 3);
    }
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

TEST(ProgramLibraryFile, UnreadableFilesReportFileReadErrorAndChangeNothing) {
    TempDir dir;
    const std::string truncated = dir.file("short.dat48");
    {
        const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(SampleBank(kModels[0]));
        std::ofstream out(truncated, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), 1000);
    }
    const std::string fifo = dir.file("pipe.dat48");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string paths[] = {dir.file("missing.dat48"), dir.path().string(), fifo, truncated};
    const ProgramBank original = SampleBank(kModels[2]);
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ProgramBank bank = original;
        const ProgramFileStatus status = LoadProgramLibrary(path, 1, bank);
        EXPECT_EQ(status, ProgramFileStatus::ReadError);
        EXPECT_EQ(ProgramFileMessage(status), "File read Error");
        EXPECT_EQ(bank, original);
    }
}

TEST(ProgramLibraryFile, FailedSaveReportsWriteErrorAndKeepsTheOldFile) {
    TempDir dir;
    const ProgramBank bank = SampleBank(kModels[0]);
    const ProgramFileStatus status = SaveProgramLibrary(dir.file("no/such/dir/bank.dat"), bank);
    EXPECT_EQ(status, ProgramFileStatus::WriteError);
    EXPECT_EQ(ProgramFileMessage(status), "MusicFile Write Error");

    // A directory cannot be replaced by the save: the rename fails and the directory stays.
    const std::string target = dir.file("taken.dat48");
    fs::create_directory(target);
    EXPECT_EQ(SaveProgramLibrary(target, bank), ProgramFileStatus::WriteError);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ProgramLibraryFile, ReplacingKeepsPermissionsAndWritesThroughLinks) {
    TempDir dir;
    const std::string real = dir.file("real.dat48");
    const std::string link = dir.file("link.dat48");
    { std::ofstream(real) << "old"; }
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);
    const ProgramBank bank = SampleBank(kModels[0]);
    ASSERT_EQ(SaveProgramLibrary(link, bank), ProgramFileStatus::Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), EncodeProgramLibrary(bank));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
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

// The bytes a read container writes back: reading sets every filter's sent frequency to its
// target (the whole program goes to the unit as it is read), so in each 44-byte filter record
// the sent frequency (offset 8) becomes a copy of the frequency (offset 4). Walks the layout:
// program name, 4 inputs (name, 19 bytes, 10 filters), 8 outputs (name, 45 bytes, 8 filters).
std::vector<std::uint8_t> SentFollowsTarget(std::vector<std::uint8_t> bytes) {
    std::size_t at = 1 + bytes[0];
    const auto records = [&](int count, std::size_t fixed, int filters) {
        for (int r = 0; r < count; ++r) {
            at += 1 + bytes[at] + fixed;
            for (int f = 0; f < filters; ++f, at += kFilterRecord) {
                std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4), 4,
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
            }
        }
    };
    records(4, 19, 10);
    records(8, 45, 8);
    EXPECT_EQ(at, bytes.size());
    return bytes;
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
        EXPECT_EQ(EncodeProgramSetting(*read), SentFollowsTarget(bytes));
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

TEST(ProgramSetting, OutOfRangeValuesAreLimitedAsFromTheUnit) {
    std::vector<std::uint8_t> bytes = EncodeProgramSetting(*Container(1));
    bytes[kInputA + 2] = 7;            // on -> 1
    PutI32(bytes, kInputA + 4, 60000); // delay -> 52473
    PutI32(bytes, kInputA + 8, 9999);  // gain -> 460
    bytes[kInputA + 20] = 3;           // channel index: stays 0
    const std::size_t band1 = kInputAFilters;
    PutI32(bytes, band1 + 0, 9);             // type -> 2 (high shelf)
    PutI32(bytes, band1 + 4, 5);             // frequency -> 10 Hz
    PutF64(bytes, band1 + 12, 99.0);         // gain -> +15 dB
    PutI32(bytes, band1 + 20, 0);            // band switched on
    PutF64(bytes, band1 + 24, std::nan("")); // bandwidth -> 0.05 octaves
    PutI32(bytes, band1 + 36, 9);            // slope -> 1
    const std::size_t highPass = kInputAFilters + 8 * kFilterRecord;
    PutI32(bytes, highPass + 0, 0);              // a crossover stays a high-pass
    PutI32(bytes, highPass + 4, 90000);          // frequency -> 30000 Hz
    PutI32(bytes, highPass + 32, 9);             // kind -> 2
    PutI32(bytes, highPass + 36, 9);             // slope -> 3
    PutI32(bytes, kOutput1 + 2 + 4 + 1 + 1, -5); // output 1 gain -> 0
    PutI32(bytes, kOutput1 + 2 + 21, 9999);      // threshold -> 500

    const auto data = Container(1);
    ASSERT_TRUE(DecodeProgramSetting(bytes, *data));
    const InputChannel& in = data->input(0);
    EXPECT_EQ(in.on(), 1);
    EXPECT_EQ(in.delay(), 52473);
    EXPECT_EQ(in.gain(), 460);
    EXPECT_EQ(in.index(), 0);
    EXPECT_EQ(in.filter(0).type(), 2);
    EXPECT_EQ(in.filter(0).frequency(), 10);
    EXPECT_DOUBLE_EQ(in.filter(0).gain(), 15.0);
    EXPECT_EQ(in.filter(0).off(), 0);
    EXPECT_DOUBLE_EQ(in.filter(0).bandwidth(), 0.05);
    EXPECT_EQ(in.filter(0).slope(), 1);
    EXPECT_EQ(in.highPass().type(), 3);
    EXPECT_EQ(in.highPass().frequency(), 30000);
    EXPECT_EQ(in.highPass().kind(), 2);
    EXPECT_EQ(in.highPass().slope(), 3);
    EXPECT_EQ(data->output(0).gain(), 0);
    EXPECT_EQ(data->output(0).threshold(), 500);
    for (int p = 0; p < InputChannel::kFilterCount; ++p) {
        for (double level : in.filter(p).response()) {
            ASSERT_TRUE(std::isfinite(level)) << "filter " << p;
        }
    }
}

TEST(ProgramSetting, TableIndicesAreLimitedLikeTheUnitsBytes) {
    const auto written = Container(1);
    written->output(2).setRatio(200);
    written->output(2).setDynamicsType(9);
    written->output(2).setDynamicsMode(9);
    written->input(1).setGateOff(5);

    const auto data = Container(1);
    ASSERT_TRUE(DecodeProgramSetting(EncodeProgramSetting(*written), *data));
    EXPECT_EQ(data->output(2).ratio(), 7);
    EXPECT_EQ(data->output(2).dynamicsType(), 1);
    EXPECT_EQ(data->output(2).dynamicsMode(), 1);
    EXPECT_EQ(data->input(1).gateOff(), 1);
}

TEST(ProgramSetting, SmallModelLimitsToItsOwnScales) {
    std::vector<std::uint8_t> bytes = EncodeProgramSetting(*Container(1));
    PutI32(bytes, kInputA + 4, 52473); // a 4x8 delay index
    PutI32(bytes, kInputA + 8, 700);
    const auto data = Container(3);
    ASSERT_TRUE(DecodeProgramSetting(bytes, *data));
    EXPECT_EQ(data->input(0).delay(), 1465);
    EXPECT_EQ(data->input(0).gain(), 560);
}

TEST(ProgramSettingFile, SavesLoadsAndReportsUnreadableFiles) {
    TempDir dir;
    const auto written = Container(2);
    FillContainer(*written, kModels[1]);
    const std::string path = dir.file("live.dia36");
    ASSERT_EQ(SaveProgramSetting(path, *written), ProgramFileStatus::Ok);
    const auto read = Container(2);
    ASSERT_EQ(LoadProgramSetting(path, *read), ProgramFileStatus::Ok);
    EXPECT_EQ(EncodeProgramSetting(*read), SentFollowsTarget(EncodeProgramSetting(*written)));

    const auto untouched = Container(2);
    EXPECT_EQ(LoadProgramSetting(dir.file("missing.dia36"), *untouched),
              ProgramFileStatus::ReadError);
    EXPECT_EQ(untouched->programName(), "NewProgram");
}
