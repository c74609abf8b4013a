#pragma once

#include "model/DeviceModel.h"
#include "model/ProgramImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Program files on the PC:
// - a single-setting file (".dia48", ".dia36", ".dia24") holds one program container: the program
//   name and all 4 input and 8 output records with their filters, laid out as
//   SingleSettingFile.h describes;
// - a program library file (".dat48", ".dat36", ".dat24") holds the program bank: 30 program
//   entries laid out field by field, gain index before frequency in every band.
// Both are headerless little-endian streams without a signature, so a reader takes a file only when
// it is exactly what this system writes for the model: every byte used (none left over, none
// missing), every string length in its shortest form, every value in the range a unit of the
// model keeps, and the fixed bytes (frame codes, channel indices, filter codes) where they belong.
// Anything else (another kind of file, a file cut short, an unrelated file) is refused with the
// reason and changes nothing. A file accepted is written back byte for byte, with one exception:
// the sent frequency of a filter record is not kept (see WriteFilterRecord).

class ProgramContainer;

// The program bank: one image per program memory of the unit, memory n in entry n - 1.
using ProgramBank = std::array<ProgramImage, kProgramMemoryCount>;

// Sizes of one library entry without its 13 strings (4 input and 8 output entries).
inline constexpr std::size_t kInputEntryBytes = 82;
inline constexpr std::size_t kOutputEntryBytes = 72;
inline constexpr std::size_t kProgramEntryBytes =
    ProgramImage::kInputCount * kInputEntryBytes + ProgramImage::kOutputCount * kOutputEntryBytes;

// Largest file the readers accept; real files are a few kilobytes. Keeps a wrong choice such as a
// device node or a huge unrelated file from being read into memory.
inline constexpr std::size_t kMaxProgramFileBytes = 16u * 1024u * 1024u;

enum class ProgramFileStatus {
    Ok,
    ReadError,  // cannot be opened, is not a regular file, or is no program file of the model
    WriteError, // cannot be created or written
};

// The operator's message for a status: "File read Error", "MusicFile Write Error", or empty.
std::string_view ProgramFileMessage(ProgramFileStatus status);
// The message with the file and the reason on a second line:
// "File read Error\nbank.dat48: ends early at byte 1200 of 1804". Empty for Ok.
std::string ProgramFileMessage(ProgramFileStatus status, std::string_view path,
                               std::string_view reason);

// The reasons the readers and writers give, in the operator's words. Every function below that
// takes a `reason` stores one of them there when it fails (when `reason` is not null).
namespace file_reason {
inline constexpr std::string_view kMissing = "does not exist";
inline constexpr std::string_view kMissingFolder = "its folder does not exist";
inline constexpr std::string_view kDirectory = "is a directory";
inline constexpr std::string_view kPermission = "permission denied";
inline constexpr std::string_view kNotRegular = "is not a regular file";
inline constexpr std::string_view kDanglingLink = "is a link to a file that does not exist";
inline constexpr std::string_view kLinkLoop = "is a link that leads round in a circle";
inline constexpr std::string_view kOwnerNotKept =
    "belongs to another owner or group, which a replacement could not keep";
inline constexpr std::string_view kTooLarge = "is larger than any program file";
inline constexpr std::string_view kNotProgramFile = "not a program file of this model";
} // namespace file_reason

// --- File names -----------------------------------------------------------------------------

// Model digits of a device type: "48", "36", "24"; empty for an unknown type.
std::string_view ModelDigits(int deviceType);
// Window-title prefix of a device type: "RID48_", "ZOD36_", "VUR24_"; empty for an unknown type.
std::string_view ModelTitlePrefix(int deviceType);
// Single-setting extension of a device type: ".dia48", ".dia36", ".dia24".
std::string SingleSettingExtension(int deviceType);
// Library extension of a device type: ".dat48", ".dat36", ".dat24".
std::string LibraryExtension(int deviceType);

// Main-window title after a program file was stored or recalled: the model prefix and the
// program name ("RID48_Hall").
std::string ProgramWindowTitle(int deviceType, std::string_view programName);

// What the file chooser starts with: the initial name ("*.dia48", "*.dat48").
std::string SingleSettingInitialName(int deviceType);
std::string LibraryInitialName(int deviceType);
// The name patterns the file chooser lists a model's files by. File names are matched
// literally, so each pattern names a whole extension: the model's single-setting files
// ("*.dia48"), or its libraries under both names a library is saved as ("*.dat48", "*.dat").
std::vector<std::string> SingleSettingPatterns(int deviceType);
std::vector<std::string> LibraryPatterns(int deviceType);

// The path a single setting is saved to: the chosen path, with the model's extension appended
// when the file-name part does not already contain it ("live" -> "live.dia48").
std::string SingleSettingSavePath(std::string_view chosen, int deviceType);
// The path a library is saved to: ".dat" appended when the file-name part does not contain
// ".dat" ("bank" -> "bank.dat"; "bank.dat48" stays).
std::string LibrarySavePath(std::string_view chosen);

// Device type named by the digits of a file's extension ("x.dia36" -> 2), or 0 when the
// extension names no model.
int DeviceTypeFromPath(std::string_view path);
// True when the file-name part's extension starts with ".dat" (a library file).
bool IsLibraryPath(std::string_view path);
// True when the file-name part's extension starts with ".dia" (a single-setting file).
bool IsSingleSettingPath(std::string_view path);

// --- Single-setting file (one program container) -------------------------------------------

// The single-setting bytes of a container: program name, 4 input records, 8 output records.
std::vector<std::uint8_t> EncodeProgramSetting(const ProgramContainer& data);
// Reads a single-setting file of the container's model into the container: the program name and
// the stored values of all 12 channels and their filters. Unit-wide settings, channel indices,
// frame codes, presence, colours and change flags stay as they are, and no change flag is raised.
// Returns false, with the reason ("ends early at byte K of N", "not a program file of this
// model (...)"), and leaves the container unchanged on anything but a whole file of the model.
bool DecodeProgramSetting(std::span<const std::uint8_t> bytes, ProgramContainer& data,
                          std::string* reason = nullptr);

ProgramFileStatus SaveProgramSetting(const std::string& path, const ProgramContainer& data,
                                     std::string* reason = nullptr);
// Reads the file as a file of the model its extension names (the container's own model when it
// names none); a file of another model is then limited to the container's ranges.
ProgramFileStatus LoadProgramSetting(const std::string& path, ProgramContainer& data,
                                     std::string* reason = nullptr);

// Limits the stored values of all 12 channel records to the ranges of the container's device
// type, as values from a unit are. Uses the records' setters, so it raises change flags: meant
// for a scratch container.
void LimitChannelRecords(ProgramContainer& data);

// --- Program library (30 entries) -----------------------------------------------------------

// The library bytes of a bank, entries 1..30 in order.
std::vector<std::uint8_t> EncodeProgramLibrary(const ProgramBank& bank);
// Reads the 30 entries of a library of the device type into the bank (gain, delay and bandwidth
// scales differ by model). Returns false, with the reason, and leaves the bank unchanged on
// anything but a whole library of the model: also on a value out of the model's range and on a
// channel name longer than the 8 bytes a unit keeps. The images' flag bytes are not stored and
// stay as they were.
bool DecodeProgramLibrary(std::span<const std::uint8_t> bytes, int deviceType, ProgramBank& bank,
                          std::string* reason = nullptr);

// True when the bytes hold exactly 30 library entries and nothing else (a library file has no
// other bytes); tells a library from a single-setting file whose name says neither.
bool IsProgramLibraryData(std::span<const std::uint8_t> bytes);

ProgramFileStatus SaveProgramLibrary(const std::string& path, const ProgramBank& bank,
                                     std::string* reason = nullptr);
// Reads the file as a library of the model its extension names (`deviceType` when it names none);
// a library of another model is then limited to the ranges of `deviceType`.
ProgramFileStatus LoadProgramLibrary(const std::string& path, int deviceType, ProgramBank& bank,
                                     std::string* reason = nullptr);

// Limits every value of one image to the range of the device type, as values from a unit are.
void LimitProgramImage(ProgramImage& image, int deviceType);

// --- Files on disk --------------------------------------------------------------------------

// True when something (a file, a link, a directory) exists at `path`.
bool PathExists(const std::string& path);
// Reads a regular file of at most kMaxProgramFileBytes bytes.
bool ReadProgramFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes,
                          std::string* reason = nullptr);
// Whether a save may go to `path`: nothing is there yet, or a regular file is, possibly behind
// symbolic links. Anything else is refused with the reason: a directory, a device, a named pipe
// or a socket (also at the end of links), a link to nothing and a circle of links. Nothing is
// opened, so a named pipe cannot block and a device is never written to.
bool CheckSaveTarget(const std::string& path, std::string* reason = nullptr);
// Writes the bytes to a new file beside the target and renames it over the target only when it
// is complete, so a failed save leaves any previous file intact. Only what CheckSaveTarget
// accepts is replaced. A target that is a symbolic link is written through: the link stays and
// the file it leads to is replaced in its own folder. A file replaced keeps its owner, group and
// permissions; when they cannot be kept (another user's file, not run as root) nothing is saved.
bool SaveFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes,
                       std::string* reason = nullptr);
// The reason for a failed open, read or write with this errno value ("does not exist",
// "permission denied", ...); `writing` names a missing folder rather than a missing file.
std::string FileErrorReason(int error, bool writing = false);
