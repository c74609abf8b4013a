#pragma once

#include "VirtualLine.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// Command line of tavrel-unit-sim.
struct SimProgramOptions {
    SimLineOptions line;
    bool nameGiven = false; // --name was given; otherwise the program publishes vu-<pid>
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. Returns false with a message in *error for an
// unknown option, a missing or malformed value, or two units with the same ID.
bool ParseSimArguments(std::span<const std::string_view> args, SimProgramOptions* options,
                       std::string* error);

// "ID" or "ID:TYPE" with ID 1..250 and TYPE 4x8, 3x6, 2x4 (or 1, 2, 3); TYPE defaults to 4x8.
std::optional<SimUnitSpec> ParseUnitSpec(std::string_view text);

// The text printed by --help.
std::string SimUsage();
