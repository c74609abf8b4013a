#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Command table of tavrel-cli. Each command group lives in its own file and registers its
// commands with a static CliRegistrar, so adding a group needs no change elsewhere.

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // a file could not be read, the unit did not answer, ...
inline constexpr int kExitUsage = 2;   // wrong arguments

// The arguments of one command after parsing: options with a value, flag options, and the
// remaining positional arguments in order.
class CliArguments {
public:
    std::optional<std::string> value(std::string_view option) const;
    bool flag(std::string_view option) const;
    const std::vector<std::string>& positional() const { return positional_; }

    std::map<std::string, std::string, std::less<>> values_;
    std::set<std::string, std::less<>> flags_;
    std::vector<std::string> positional_;
};

struct CliContext {
    std::ostream& out;
    std::ostream& err;
};

struct CliCommand;
using CliHandler = int (*)(const CliCommand& command, const CliArguments& args, CliContext& ctx);

struct CliCommand {
    std::string_view name;
    std::string_view synopsis;                  // the arguments after the name, e.g. "[--csv] FILE"
    std::string_view summary;                   // one line for the command list
    std::vector<std::string_view> valueOptions; // options taking a value ("--type")
    std::vector<std::string_view> flagOptions;  // options without a value ("--csv")
    int minPositional = 0;
    int maxPositional = 0;
    CliHandler run = nullptr;
    std::string_view details = {};          // further lines for "COMMAND --help"
    std::string (*moreDetails)() = nullptr; // lines composed when the help is asked for
};

// Adds commands to the table; used through a static CliRegistrar in each command group file.
class CliRegistrar {
public:
    CliRegistrar(std::initializer_list<CliCommand> commands);
};

// All registered commands, sorted by name.
std::vector<const CliCommand*> CliCommands();

// Prints "error: MESSAGE" and the command's usage line to ctx.err; returns kExitUsage.
int CliUsageError(const CliCommand& command, std::string_view message, CliContext& ctx);
// Prints "error: MESSAGE" for each message and then the command's usage line to ctx.err;
// returns kExitUsage.
int CliUsageErrors(const CliCommand& command, const std::vector<std::string>& messages,
                   CliContext& ctx);
// Prints the message alone to ctx.err; returns kExitFailure.
int CliFailure(std::string_view message, CliContext& ctx);
// kExitOk when the work succeeded, else kExitFailure (its message has been shown).
inline int CliStatus(bool succeeded) {
    return succeeded ? kExitOk : kExitFailure;
}

// A whole number in lo..hi; nothing for any other text.
std::optional<int> ParseNumber(std::string_view text, int lo, int hi);
// Option `name` as a whole number lo..hi into `value`, which keeps its default when the option
// is absent. Returns kExitOk, or the usage error `message` for any other text.
int ReadNumberOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                     std::string_view name, int lo, int hi, std::string_view message, int& value);
// --id: the device ID 1..250 in `id`, which keeps its default when the option is absent.
int ReadDeviceIdOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                       int& id);
// --type: the device type a model's label ("4x8", "3x6", "2x4") names in `deviceType`, which
// keeps its default when the option is absent.
int ReadDeviceTypeOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                         int& deviceType);

// Runs the command line (argv[0] is the program name); returns the exit status.
int RunCli(const std::vector<std::string>& argv, CliContext& ctx);
