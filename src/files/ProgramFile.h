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
// Both are headerless little-endian streams. Reading is all or nothing: a file that ends early or
// holds a string running past its end changes nothing. Every value read is limited to the range a
// unit could report for it, so no file can put a record out of range.

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
    ReadError,  // cannot be opened, is not a regular file, or ends before all fields are read
    WriteError, // cannot be created or written
};

// The operator's message for a status: "File read Error", "MusicFile Write Error", or empty.
std::string_view ProgramFileMessage(ProgramFileStatus status);

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
// Reads a single-setting file into the container: the program name and the stored values of all
// 12 channels and their filters, each limited to the range of the container's device type.
// Unit-wide settings, channel indices, frame codes, presence, colours and change flags stay as
// they are, and no change flag is raised. On short or corrupt data returns false and leaves the
// container unchanged.
bool DecodeProgramSetting(std::span<const std::uint8_t> bytes, ProgramContainer& data);

ProgramFileStatus SaveProgramSetting(const std::string& path, const ProgramContainer& data);
ProgramFileStatus LoadProgramSetting(const std::string& path, ProgramContainer& data);

// Limits the stored values of all 12 channel records to the ranges of the container's device
// type, as values from a unit are. Uses the records' setters, so it raises change flags: meant
// for a scratch container.
void LimitChannelRecords(ProgramContainer& data);

// --- Program library (30 entries) -----------------------------------------------------------

// The library bytes of a bank, entries 1..30 in order.
std::vector<std::uint8_t> EncodeProgramLibrary(const ProgramBank& bank);
// Reads 30 entries into the bank, each value limited to the range of the device type (gain,
// delay and bandwidth scales differ by model). On short or corrupt data returns false and leaves
// the bank unchanged. The images' flag bytes are not stored and stay as they were.
bool DecodeProgramLibrary(std::span<const std::uint8_t> bytes, int deviceType, ProgramBank& bank);

// True when the bytes hold exactly 30 library entries and nothing else (a library file has no
// other bytes); tells a library from a single-setting file whose name says neither.
bool IsProgramLibraryData(std::span<const std::uint8_t> bytes);

ProgramFileStatus SaveProgramLibrary(const std::string& path, const ProgramBank& bank);
ProgramFileStatus LoadProgramLibrary(const std::string& path, int deviceType, ProgramBank& bank);

// Limits every value of one image to the range of the device type, as values from a unit are.
void LimitProgramImage(ProgramImage& image, int deviceType);

// --- Files on disk --------------------------------------------------------------------------

// True when something (a file, a link, a directory) exists at `path`.
bool PathExists(const std::string& path);
// Reads a regular file of at most kMaxProgramFileBytes bytes.
bool ReadProgramFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);
// Writes the bytes to a new file beside the target and renames it over the target only when it
// is complete, so a failed save leaves any previous file intact. A target that is a symbolic link
// is written through: the file it points to is replaced.
bool SaveFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);
