#pragma once

#include "Cli.h"
#include "files/ProgramFile.h"
#include "model/ProgramContainer.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Program files as the commands take them: the device type from --type, else from the file's
// extension, else 4x8; and the file read as a single setting or as a library of 30 programs.

// "4x8" -> 1, "3x6" -> 2, "2x4" -> 3; nothing for any other text.
std::optional<int> ParseDeviceType(std::string_view text);

// The device type for a file: --type when given, else the extension's model digits, else 4x8.
// Nothing when --type names no model (the caller reports a usage error).
std::optional<int> ResolveDeviceType(const CliArguments& args, const std::string& path);

// A whole number in lo..hi; nothing for any other text.
std::optional<int> ParseNumber(std::string_view text, int lo, int hi);

struct ProgramSource {
    int deviceType = 1;
    bool library = false;
    std::unique_ptr<ProgramContainer>
        setting;        // a single-setting file, read into a container of the type
    ProgramBank bank{}; // a library file
};

// Reads the file: a ".dat" extension means a library, ".dia" a single setting; any other name is
// taken as a library when its bytes are exactly 30 entries, else as a single setting. False when
// it cannot be read whole ("File read Error").
bool LoadProgramSource(const std::string& path, int deviceType, ProgramSource& source);

// A container of the device type holding library program `number` (1..30).
std::unique_ptr<ProgramContainer> ContainerFromBank(const ProgramSource& source, int number);
