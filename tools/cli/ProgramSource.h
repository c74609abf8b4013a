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

struct ProgramSource {
    int deviceType = kDeviceType4x8;
    bool library = false;
    std::unique_ptr<ProgramContainer>
        setting;        // a single-setting file, read into a container of the type
    ProgramBank bank{}; // a library file
    int program = 0;    // the library program chosen with --program (1..30); 0 when none
};

// Reads the file: a ".dat" extension means a library, ".dia" a single setting; any other name is
// taken as a library when its bytes are exactly 30 entries, else as a single setting. False, with
// the reason, when it is not a whole program file of the device type ("File read Error").
bool LoadProgramSource(const std::string& path, int deviceType, ProgramSource& source,
                       std::string* reason = nullptr);

// A container of the device type holding library program `number` (1..30).
std::unique_ptr<ProgramContainer> ContainerFromBank(const ProgramSource& source, int number);
// The program a command works on: the single setting (taken out of the source), or a container
// holding library program `number` (1..30).
std::unique_ptr<ProgramContainer> TakeProgram(ProgramSource& source, int number);

// Saves `program` where TakeProgram took it from: the single-setting file whole, or program
// `source.program` of the library with its other programs as they were. The file is replaced
// only once the new one is complete.
ProgramFileStatus SaveTakenProgram(ProgramSource& source, const std::string& path,
                                   const ProgramContainer& program, std::string* reason);

// The common start of the commands on program files: the device type (--type, else the model
// digits of the file's extension, else 4x8), the file (the one positional argument) read, and
// for a library the program chosen with --program. Returns
// kExitOk, a usage error, or the failure "File read Error".
int OpenProgramFile(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                    ProgramSource& source);

// kExitOk for a file read or written, else kExitFailure after the operator's message for the
// status with the file and the reason, prefixed like the client's other errors:
// "tavrel-cli: File read Error: bank.dat48: ends early at byte 1200 of 1804".
int ProgramFileExit(ProgramFileStatus status, std::string_view path, std::string_view reason,
                    CliContext& ctx);
