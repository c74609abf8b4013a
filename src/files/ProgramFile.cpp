#include "files/ProgramFile.h"

#include "files/ByteStream.h"
#include "files/SingleSettingFile.h"
#include "model/ChannelFields.h"
#include "model/DeviceModel.h"
#include "model/FilterSet.h"
#include "model/ParameterScales.h"
#include "model/ProgramContainer.h"
#include "model/ValueLimits.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The extensions of the two kinds of file up to the model digits (".dia48", ".dat48").
constexpr std::string_view kSettingExtensionStem = ".dia";
constexpr std::string_view kLibraryExtensionStem = ".dat";

std::string_view DigitsOf(const DeviceModel& model) {
    return model.settingExtension.substr(kSettingExtensionStem.size());
}

// The part after the last '/': extension rules look at the file name only, so a directory such
// as "old.data/" does not count as an extension.
std::string_view FileNamePart(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The file-name part's extension from its last dot on (".dia48"); empty without a dot.
std::string_view ExtensionOf(std::string_view path) {
    const std::string_view name = FileNamePart(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

// --- Library entry layout ---

// The fields of a library entry in file order: every band (gain index before frequency), then
// the channel's fields. Each field takes its width in the image (one byte, or two bytes carrying
// the unsigned value bit for bit); the name is a string.
constexpr std::array kLibraryBand{Field::BandGain, Field::BandFrequency, Field::BandBandwidth,
                                  Field::BandSlope, Field::BandType};

constexpr std::array kLibraryInput{
    Field::On,
    Field::Polarity,
    Field::Delay,
    Field::Gain,
    Field::ReservedA,
    Field::ReservedB,
    Field::HighPassFrequency,
    Field::HighPassKind,
    Field::HighPassSlope,
    Field::LowPassFrequency,
    Field::LowPassKind,
    Field::LowPassSlope,
    Field::GateThreshold,
    Field::GateOff,
    Field::Name,
};

constexpr std::array kLibraryOutput{
    Field::On,
    Field::Polarity,
    Field::Delay,
    Field::Gain,
    Field::Mix,
    Field::Reserved,
    Field::HighPassFrequency,
    Field::HighPassKind,
    Field::HighPassSlope,
    Field::LowPassFrequency,
    Field::LowPassKind,
    Field::LowPassSlope,
    Field::Threshold,
    Field::Attack,
    Field::Release,
    Field::ClipLimit,
    Field::Ratio,
    Field::DynamicsType,
    Field::DynamicsMode,
    Field::Name,
};

template <typename Image>
void WriteFields(ByteWriter& out, const Image& image, std::span<const Field> order) {
    for (Field id : order) {
        if constexpr (requires { image.name; }) {
            if (id == Field::Name) {
                out.writeString(image.name);
                continue;
            }
        }
        const auto& slot = FindField(FieldsOf<Image>(), id).image;
        if (slot.bytes == 2) {
            out.writeU16(static_cast<std::uint16_t>(slot.get(image)));
        } else {
            out.writeU8(static_cast<std::uint8_t>(slot.get(image)));
        }
    }
}

// The reader's sticky failure flag is checked once per program entry.
template <typename Image>
void ReadFields(ByteReader& in, Image& image, std::span<const Field> order) {
    for (Field id : order) {
        if constexpr (requires { image.name; }) {
            if (id == Field::Name) {
                in.readString(image.name);
                continue;
            }
        }
        const auto& slot = FindField(FieldsOf<Image>(), id).image;
        if (slot.bytes == 2) {
            std::uint16_t value = 0;
            if (in.readU16(value)) {
                slot.set(image, value);
            }
        } else {
            std::uint8_t value = 0;
            if (in.readU8(value)) {
                slot.set(image, value);
            }
        }
    }
}

template <typename Image>
void WriteChannelEntry(ByteWriter& out, const Image& image, std::span<const Field> order) {
    for (const BandImage& band : image.bands) {
        WriteFields(out, band, kLibraryBand);
    }
    WriteFields(out, image, order);
}

template <typename Image>
void ReadChannelEntry(ByteReader& in, Image& image, std::span<const Field> order) {
    for (BandImage& band : image.bands) {
        ReadFields(in, band, kLibraryBand);
    }
    ReadFields(in, image, order);
}

// --- Limits on channel records (single-setting file) ---

// Limits one filter read from a file. Crossover positions always hold their own kind of filter,
// so a damaged type field cannot turn a crossover into a band. Only values out of range are
// touched; every setter recomputes the response.
void LimitFilter(Filter& filter, bool isBand, int crossoverType) {
    if (isBand) {
        if (filter.type() != kBandTypeRange.Clamp(filter.type())) {
            filter.setType(kBandTypeRange.Clamp(filter.type()));
        }
        if (filter.slope() != kShelfSlopeRange.Clamp(filter.slope())) {
            filter.setSlope(kShelfSlopeRange.Clamp(filter.slope()));
        }
    } else {
        if (filter.type() != crossoverType) {
            filter.setType(crossoverType);
        }
        if (filter.slope() != kCrossoverSlopeRange.Clamp(filter.slope())) {
            filter.setSlope(kCrossoverSlopeRange.Clamp(filter.slope()));
        }
    }
    if (filter.frequency() != kFrequencyRange.Clamp(filter.frequency())) {
        filter.setFrequency(kFrequencyRange.Clamp(filter.frequency()));
    }
    if (filter.kind() != kCrossoverKindRange.Clamp(filter.kind())) {
        filter.setKind(kCrossoverKindRange.Clamp(filter.kind()));
    }
    const int off = filter.off() != 0 ? 1 : 0;
    const double gain = filter.gain();
    const double minGain = EqGainDb(kBandGainRange.low).value_or(-30.0);
    const double maxGain = EqGainDb(kBandGainRange.high).value_or(15.0);
    if (!std::isfinite(gain) || gain < minGain || gain > maxGain) {
        // NaN counts as 0 dB; infinities go to the nearer end of the scale.
        const double limited = std::isnan(gain) ? 0.0 : std::clamp(gain, minGain, maxGain);
        filter.setGainIndex(EqGainIndexFromDb(limited));
    }
    if (filter.off() != off) {
        filter.setOff(off); // the file's switch, also after the gain setter derived its own
    }
    const double octaves = filter.bandwidth();
    const double minOctaves = BandwidthOctaves(filter.deviceType(), 0).value_or(0.05);
    const double maxOctaves =
        BandwidthOctaves(filter.deviceType(), BandwidthMaxIndex(filter.deviceType()).value_or(0))
            .value_or(3.0);
    constexpr double kTolerance = 1e-9; // the stored octaves carry the scale's rounding
    if (!std::isfinite(octaves) || octaves < minOctaves - kTolerance ||
        octaves > maxOctaves + kTolerance) {
        const double limited =
            std::isnan(octaves) ? minOctaves : std::clamp(octaves, minOctaves, maxOctaves);
        filter.setBandwidthIndex(
            BandwidthIndexFromOctaves(filter.deviceType(), limited).value_or(0));
    }
}

template <typename Record> void LimitFilters(Record& record, int crossoverTypeOffset) {
    const int count = record.filterCount();
    for (int p = 0; p < count; ++p) {
        const bool isBand = p < count - 2;
        LimitFilter(record.filter(p), isBand, isBand ? 0 : crossoverTypeOffset + (p - (count - 2)));
    }
}

constexpr int kHighPassType = 3; // the low-pass is type 4

// A record read from a file: its fields through the field table, its filters by the checks above.
template <typename Record> void LimitRecord(Record& record, int deviceType) {
    LimitChannelRecord(record, deviceType);
    LimitFilters(record, kHighPassType);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void SetReason(std::string* reason, std::string text) {
    if (reason != nullptr)
        *reason = std::move(text);
}

// What a save found at its path: the file it replaces (at the end of any links) and, when that
// file exists already, its status.
struct SaveTarget {
    std::string path;
    std::optional<struct stat> existing;
};

// Why something that is not a regular file is not saved over; `link` is the end of the links
// that led to it, empty when the path named it directly.
std::string NotRegularReason(mode_t mode, const std::string& link) {
    if (S_ISDIR(mode) && link.empty())
        return std::string(file_reason::kDirectory);
    const std::string kind = S_ISDIR(mode)                    ? "a directory"
                             : S_ISFIFO(mode)                 ? "a named pipe (FIFO)"
                             : S_ISSOCK(mode)                 ? "a socket"
                             : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                              : "something else";
    if (link.empty())
        return "is " + kind + ", not a regular file";
    return "is a link to " + link + ", which is " + kind + ", not a regular file";
}

// The file a save replaces. Only a regular file is ever replaced, so that a save cannot turn a
// device node, a named pipe or a socket (or a link to one) into a file: those are refused, and
// so are links that lead nowhere or round in a circle. Nothing is opened here.
std::optional<SaveTarget> FindSaveTarget(const std::string& path, std::string* reason) {
    struct stat found {};
    if (::lstat(path.c_str(), &found) != 0) {
        if (errno == ENOENT)
            return SaveTarget{path, std::nullopt}; // a new file; its folder is checked on creation
        SetReason(reason, FileErrorReason(errno, true));
        return std::nullopt;
    }
    if (!S_ISLNK(found.st_mode)) {
        if (!S_ISREG(found.st_mode)) {
            SetReason(reason, NotRegularReason(found.st_mode, {}));
            return std::nullopt;
        }
        return SaveTarget{path, found};
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        SetReason(reason, errno == ENOENT  ? std::string(file_reason::kDanglingLink)
                          : errno == ELOOP ? std::string(file_reason::kLinkLoop)
                                           : FileErrorReason(errno, true));
        return std::nullopt;
    }
    const std::string resolved(real);
    std::free(real);
    if (::stat(resolved.c_str(), &found) != 0) {
        SetReason(reason, FileErrorReason(errno, true));
        return std::nullopt;
    }
    if (!S_ISREG(found.st_mode)) {
        SetReason(reason, NotRegularReason(found.st_mode, resolved));
        return std::nullopt;
    }
    return SaveTarget{resolved, found};
}

// Gives the new file the owner, group and permissions of the file it replaces. The owner goes
// first: changing it clears set-user-ID and set-group-ID bits.
bool KeepOwnerAndMode(int fd, const struct stat& existing) {
    struct stat made {};
    if (::fstat(fd, &made) != 0)
        return false;
    if ((made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
        ::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        return false;
    return ::fchmod(fd, existing.st_mode & 07777) == 0;
}

std::string NotProgramFile(const std::string& detail) {
    return std::string(file_reason::kNotProgramFile) + " (" + detail + ")";
}

// Why a reader stopped before the end of its layout.
std::string StoppedReason(const ByteReader& in) {
    if (in.failure() == ByteReader::Failure::BadLength)
        return NotProgramFile("no text length at byte " + std::to_string(in.failedAt()));
    return "ends early at byte " + std::to_string(in.failedAt()) + " of " +
           std::to_string(in.size());
}

// Why a reader that read its whole layout has not used the whole file.
std::string LeftOverReason(const ByteReader& in) {
    return NotProgramFile("more data after the end at byte " + std::to_string(in.position()));
}

// Compares a file with what it would be written as; on a difference gives the reason with the
// first byte that differs.
bool SameAsWritten(std::span<const std::uint8_t> file, std::span<const std::uint8_t> written,
                   std::string* reason) {
    const auto [f, w] = std::mismatch(file.begin(), file.end(), written.begin(), written.end());
    if (f == file.end() && w == written.end())
        return true;
    SetReason(reason, NotProgramFile("unexpected value at byte " +
                                     std::to_string(std::distance(file.begin(), f))));
    return false;
}

// Gives every filter the frame code of its position, so that a file holding other codes no
// longer matches its own bytes.
void RestoreFilterCodes(ProgramContainer& data) {
    auto restore = [](Channel& record) {
        const int count = record.filterCount();
        for (int p = 0; p < count; ++p)
            record.filter(p).setCode(FilterSet::CodeAt(count, p));
    };
    for (auto& in : data.inputs())
        restore(in);
    for (auto& out : data.outputs())
        restore(out);
}

// The model a file is read as: the one its extension names, else `fallback`.
int FileModelOf(const std::string& path, int fallback) {
    const int named = DeviceTypeFromPath(path);
    return named != 0 ? named : fallback;
}

} // namespace

std::string FileErrorReason(int error, bool writing) {
    switch (error) {
    case ENOENT:
        return std::string(writing ? file_reason::kMissingFolder : file_reason::kMissing);
    case EISDIR:
        return std::string(file_reason::kDirectory);
    case EACCES:
    case EPERM:
        return std::string(file_reason::kPermission);
    case ENOTDIR:
        return "a part of its path is not a directory";
    default:
        break;
    }
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string ProgramFileMessage(ProgramFileStatus status, std::string_view path,
                               std::string_view reason) {
    std::string text(ProgramFileMessage(status));
    if (text.empty() || path.empty())
        return text;
    text += "\n";
    text += path;
    if (!reason.empty()) {
        text += ": ";
        text += reason;
    }
    return text;
}

std::string_view ProgramFileMessage(ProgramFileStatus status) {
    switch (status) {
    case ProgramFileStatus::ReadError:
        return "File read Error";
    case ProgramFileStatus::WriteError:
        return "MusicFile Write Error";
    case ProgramFileStatus::Ok:
        break;
    }
    return {};
}

// --- File names ---

std::string_view ModelDigits(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr ? DigitsOf(*model) : std::string_view{};
}

std::string_view ModelTitlePrefix(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return model != nullptr ? model->filePrefix : std::string_view{};
}

std::string SingleSettingExtension(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return std::string(model != nullptr ? model->settingExtension : kSettingExtensionStem);
}

std::string LibraryExtension(int deviceType) {
    const DeviceModel* model = FindDeviceModel(deviceType);
    return std::string(model != nullptr ? model->libraryExtension : kLibraryExtensionStem);
}

std::string ProgramWindowTitle(int deviceType, std::string_view programName) {
    return std::string(ModelTitlePrefix(deviceType)) + std::string(programName);
}

std::string SingleSettingInitialName(int deviceType) {
    return "*" + SingleSettingExtension(deviceType);
}

std::string LibraryInitialName(int deviceType) {
    return "*" + LibraryExtension(deviceType);
}

std::vector<std::string> SingleSettingPatterns(int deviceType) {
    return {SingleSettingInitialName(deviceType)};
}

std::vector<std::string> LibraryPatterns(int deviceType) {
    // Libraries saved under a name without ".dat" get ".dat" alone, whatever the model.
    return {LibraryInitialName(deviceType), "*" + std::string(kLibraryExtensionStem)};
}

std::string SingleSettingSavePath(std::string_view chosen, int deviceType) {
    const std::string extension = SingleSettingExtension(deviceType);
    std::string path(chosen);
    if (FileNamePart(chosen).find(extension) == std::string_view::npos) {
        path += extension;
    }
    return path;
}

std::string LibrarySavePath(std::string_view chosen) {
    std::string path(chosen);
    if (FileNamePart(chosen).find(kLibraryExtensionStem) == std::string_view::npos) {
        path += kLibraryExtensionStem;
    }
    return path;
}

int DeviceTypeFromPath(std::string_view path) {
    // The digits must follow at least one other character after the dot.
    const std::string_view extension = ExtensionOf(path);
    for (const DeviceModel& model : kDeviceModels) {
        const std::string_view digits = DigitsOf(model);
        if (extension.size() > digits.size() + 1 && extension.ends_with(digits)) {
            return model.deviceType;
        }
    }
    return 0;
}

bool IsLibraryPath(std::string_view path) {
    return ExtensionOf(path).starts_with(kLibraryExtensionStem);
}

bool IsSingleSettingPath(std::string_view path) {
    return ExtensionOf(path).starts_with(kSettingExtensionStem);
}

// --- Single-setting file ---

void LimitChannelRecords(ProgramContainer& data) {
    for (auto& in : data.inputs()) {
        LimitRecord(in, data.deviceType());
    }
    for (auto& out : data.outputs()) {
        LimitRecord(out, data.deviceType());
    }
}

std::vector<std::uint8_t> EncodeProgramSetting(const ProgramContainer& data) {
    ByteWriter out;
    WriteSingleSetting(out, data);
    return out.take();
}

bool DecodeProgramSetting(std::span<const std::uint8_t> bytes, ProgramContainer& data,
                          std::string* reason) {
    // Read into a scratch container of the same model (the bandwidth scale depends on it) and
    // take the values over only when the whole file has been read.
    ProgramContainer scratch;
    scratch.setDeviceType(data.deviceType());
    ByteReader in(bytes);
    if (!ReadSingleSetting(in, scratch) || in.failed()) {
        SetReason(reason, StoppedReason(in));
        return false;
    }
    if (!in.atEnd()) {
        SetReason(reason, LeftOverReason(in));
        return false;
    }
    // The format has no signature: the file is ours only when what was read, written again,
    // gives the same bytes. That refuses values out of the model's ranges, frame codes and channel
    // indices out of place, names a record cannot hold and lengths in a longer form than needed.
    LimitChannelRecords(scratch);
    RestoreFilterCodes(scratch);
    ByteWriter again;
    WriteSingleSetting(again, scratch, SentFrequencyField::AsHeld);
    if (!SameAsWritten(bytes, again.bytes(), reason))
        return false;
    data.copyProgramFrom(scratch);
    return true;
}

ProgramFileStatus SaveProgramSetting(const std::string& path, const ProgramContainer& data,
                                     std::string* reason) {
    const std::vector<std::uint8_t> bytes = EncodeProgramSetting(data);
    return SaveFileReplacing(path, bytes, reason) ? ProgramFileStatus::Ok
                                                  : ProgramFileStatus::WriteError;
}

ProgramFileStatus LoadProgramSetting(const std::string& path, ProgramContainer& data,
                                     std::string* reason) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProgramFileBytes(path, bytes, reason))
        return ProgramFileStatus::ReadError;
    const int fileType = FileModelOf(path, data.deviceType());
    if (fileType == data.deviceType()) {
        return DecodeProgramSetting(bytes, data, reason) ? ProgramFileStatus::Ok
                                                         : ProgramFileStatus::ReadError;
    }
    // A file of another model must be a whole file of that model; its values are then limited to
    // this model's ranges.
    ProgramContainer file;
    file.setDeviceType(fileType);
    if (!DecodeProgramSetting(bytes, file, reason))
        return ProgramFileStatus::ReadError;
    ProgramContainer converted;
    converted.setDeviceType(data.deviceType());
    converted.copyProgramFrom(file);
    LimitChannelRecords(converted);
    data.copyProgramFrom(converted);
    return ProgramFileStatus::Ok;
}

// --- Program library ---

void LimitProgramImage(ProgramImage& image, int deviceType) {
    for (auto& in : image.inputs) {
        LimitChannelImage(in, deviceType);
    }
    for (auto& out : image.outputs) {
        LimitChannelImage(out, deviceType);
    }
}

std::vector<std::uint8_t> EncodeProgramLibrary(const ProgramBank& bank) {
    ByteWriter out;
    for (const auto& image : bank) {
        out.writeString(image.name);
        for (const auto& input : image.inputs) {
            WriteChannelEntry(out, input, kLibraryInput);
        }
        for (const auto& output : image.outputs) {
            WriteChannelEntry(out, output, kLibraryOutput);
        }
    }
    return out.take();
}

namespace {

// The longest channel name a unit keeps; a library holding a longer one is no library of ours.
bool ChannelNameFits(const std::string& name) {
    return name.size() <= kChannelNameBytes && name.find('\0') == std::string::npos;
}

// Why an image read from a library cannot be kept as it is, or empty.
std::string ImageNameProblem(const ProgramImage& image, int number) {
    const auto fits = [](const auto& channel) { return ChannelNameFits(channel.name); };
    if (std::all_of(image.inputs.begin(), image.inputs.end(), fits) &&
        std::all_of(image.outputs.begin(), image.outputs.end(), fits))
        return {};
    return NotProgramFile("program " + std::to_string(number) +
                          " holds a channel name a unit cannot keep");
}

// Reads 30 entries as stored, without limits; false when the data ends early.
bool ReadLibraryEntries(ByteReader& in, ProgramBank& bank) {
    for (auto& image : bank) {
        in.readString(image.name);
        for (auto& input : image.inputs) {
            ReadChannelEntry(in, input, kLibraryInput);
        }
        for (auto& output : image.outputs) {
            ReadChannelEntry(in, output, kLibraryOutput);
        }
        if (in.failed()) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsProgramLibraryData(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    ProgramBank scratch;
    return ReadLibraryEntries(in, scratch) && in.atEnd();
}

bool DecodeProgramLibrary(std::span<const std::uint8_t> bytes, int deviceType, ProgramBank& bank,
                          std::string* reason) {
    ByteReader in(bytes);
    // Entries are read into a scratch bank so that a file that is refused changes nothing.
    auto scratch = std::make_unique<ProgramBank>(bank);
    if (!ReadLibraryEntries(in, *scratch)) {
        SetReason(reason, StoppedReason(in));
        return false;
    }
    if (!in.atEnd()) {
        SetReason(reason, LeftOverReason(in));
        return false;
    }
    for (std::size_t i = 0; i < scratch->size(); ++i) {
        if (std::string problem = ImageNameProblem((*scratch)[i], static_cast<int>(i) + 1);
            !problem.empty()) {
            SetReason(reason, std::move(problem));
            return false;
        }
        LimitProgramImage((*scratch)[i], deviceType);
    }
    // As with a single setting: the library is ours only when the limited entries, written
    // again, give the same bytes (no value out of the model's ranges, every length shortest).
    if (!SameAsWritten(bytes, EncodeProgramLibrary(*scratch), reason))
        return false;
    bank = *scratch;
    return true;
}

ProgramFileStatus SaveProgramLibrary(const std::string& path, const ProgramBank& bank,
                                     std::string* reason) {
    const std::vector<std::uint8_t> bytes = EncodeProgramLibrary(bank);
    return SaveFileReplacing(path, bytes, reason) ? ProgramFileStatus::Ok
                                                  : ProgramFileStatus::WriteError;
}

ProgramFileStatus LoadProgramLibrary(const std::string& path, int deviceType, ProgramBank& bank,
                                     std::string* reason) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProgramFileBytes(path, bytes, reason))
        return ProgramFileStatus::ReadError;
    // A library of another model must be a whole library of that model; its values are then
    // limited to the ranges of `deviceType`.
    const int fileType = FileModelOf(path, deviceType);
    auto scratch = std::make_unique<ProgramBank>(bank);
    if (!DecodeProgramLibrary(bytes, fileType, *scratch, reason))
        return ProgramFileStatus::ReadError;
    if (fileType != deviceType) {
        for (auto& image : *scratch)
            LimitProgramImage(image, deviceType);
    }
    bank = *scratch;
    return ProgramFileStatus::Ok;
}

// --- Files on disk ---

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool ReadProgramFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes,
                          std::string* reason) {
    // Only regular files are read. Anything else is refused before it is opened, since opening
    // a device can do something of its own (a serial port raises its control lines); the
    // non-blocking open keeps a named pipe put there meanwhile from hanging the program, and the
    // type is checked once more on what was opened.
    struct stat found {};
    if (::stat(path.c_str(), &found) == 0 && !S_ISREG(found.st_mode)) {
        SetReason(reason, std::string(S_ISDIR(found.st_mode) ? file_reason::kDirectory
                                                             : file_reason::kNotRegular));
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        SetReason(reason, FileErrorReason(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        SetReason(reason, FileErrorReason(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kMaxProgramFileBytes) {
        SetReason(reason, std::string(S_ISDIR(st.st_mode)   ? file_reason::kDirectory
                                      : S_ISREG(st.st_mode) ? file_reason::kTooLarge
                                                            : file_reason::kNotRegular));
        ::close(fd);
        return false;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    bool ok = true;
    while (true) {
        if (done == data.size()) {
            // The file may have grown since fstat: read on in bounded steps.
            if (data.size() >= kMaxProgramFileBytes) {
                std::uint8_t probe = 0;
                const ssize_t extra = ::read(fd, &probe, 1);
                ok = extra == 0;
                if (!ok)
                    SetReason(reason, std::string(file_reason::kTooLarge));
                break;
            }
            data.resize(std::min(kMaxProgramFileBytes, data.size() + 4096));
        }
        const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            SetReason(reason, FileErrorReason(errno));
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) {
        return false;
    }
    data.resize(done);
    bytes = std::move(data);
    return true;
}

bool CheckSaveTarget(const std::string& path, std::string* reason) {
    return FindSaveTarget(path, reason).has_value();
}

bool SaveFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes,
                       std::string* reason) {
    const std::optional<SaveTarget> found = FindSaveTarget(path, reason);
    if (!found)
        return false;
    const std::string& target = found->path;
    const auto slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) {
        SetReason(reason, std::string(file_reason::kDirectory));
        return false;
    }

    // A hidden temporary name in the target's directory, so the final rename stays on one file
    // system and is atomic. The kernel applies the umask to the 0666 mode as for any new file.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".tmp" +
               std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            SetReason(reason, FileErrorReason(errno, true));
            return false;
        }
    }
    if (fd < 0) {
        SetReason(reason, FileErrorReason(EEXIST, true));
        return false;
    }
    auto fail = [&](std::string why) {
        SetReason(reason, std::move(why));
        ::unlink(temp.c_str());
        return false;
    };

    if (found->existing && !KeepOwnerAndMode(fd, *found->existing)) {
        ::close(fd);
        return fail(std::string(file_reason::kOwnerNotKept));
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok)
        return fail(FileErrorReason(error, true));
    // The path may have been given to something else while the file was written: look again
    // just before replacing, so that a device or pipe put there meanwhile is not replaced either.
    std::string why;
    const std::optional<SaveTarget> again = FindSaveTarget(path, &why);
    if (!again)
        return fail(why);
    if (again->path != target)
        return fail(FileErrorReason(EBUSY, true));
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(FileErrorReason(errno, true));
    // Make the rename itself durable; a failure here does not undo the completed save.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
