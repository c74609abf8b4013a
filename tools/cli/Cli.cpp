#include "Cli.h"

#include "TavrelVersion.h"
#include "model/DeviceModel.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kProgram = "tavrel-cli";

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

const CliCommand* FindCommand(std::string_view name) {
    for (const auto& command : Registry()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

bool Contains(const std::vector<std::string_view>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

void PrintUsageLine(const CliCommand& command, std::ostream& os) {
    os << "Usage: " << kProgram << ' ' << command.name << ' ' << command.synopsis << '\n';
}

void PrintHelp(std::ostream& os) {
    os << "Usage: " << kProgram << " COMMAND [OPTIONS] [ARGUMENTS]\n"
       << "  or:  " << kProgram << " COMMAND --help\n"
       << "  or:  " << kProgram << " --version\n\n"
       << "Device types (--type): 4x8, 3x6, 2x4. Without --type the digits of the file's\n"
       << "extension (48, 36, 24) choose the type, else 4x8.\n\n"
       << "Commands:\n";
    std::size_t width = 0;
    for (const CliCommand* command : CliCommands()) {
        width = std::max(width, command->name.size());
    }
    for (const CliCommand* command : CliCommands()) {
        os << "  " << command->name << std::string(width - command->name.size() + 2, ' ')
           << command->summary << '\n';
    }
}

void PrintCommandHelp(const CliCommand& command, std::ostream& os) {
    PrintUsageLine(command, os);
    os << command.summary << '\n';
    if (!command.details.empty()) {
        os << '\n' << command.details;
    }
    if (command.moreDetails != nullptr) {
        os << '\n' << command.moreDetails();
    }
}

// Parses the arguments after the command name. "--name value", "--name=value" and "--flag" are
// options; "--" ends them. Returns an error text, or nothing on success.
std::optional<std::string> Parse(const CliCommand& command, const std::vector<std::string>& argv,
                                 std::size_t first, CliArguments& args) {
    bool optionsEnded = false;
    for (std::size_t i = first; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            args.positional_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (Contains(command.flagOptions, name)) {
            if (eq != std::string::npos) {
                return "option " + name + " takes no value";
            }
            args.flags_.insert(name);
        } else if (Contains(command.valueOptions, name)) {
            if (eq != std::string::npos) {
                args.values_[name] = arg.substr(eq + 1);
            } else if (i + 1 < argv.size()) {
                args.values_[name] = argv[++i];
            } else {
                return "option " + name + " needs a value";
            }
        } else {
            return "unknown option " + name;
        }
    }
    const auto count = static_cast<int>(args.positional_.size());
    if (count < command.minPositional) {
        return "missing argument";
    }
    if (count > command.maxPositional) {
        return "too many arguments";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CliArguments::value(std::string_view option) const {
    const auto it = values_.find(option);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool CliArguments::flag(std::string_view option) const {
    return flags_.contains(option);
}

CliRegistrar::CliRegistrar(std::initializer_list<CliCommand> commands) {
    for (const auto& command : commands) {
        Registry().push_back(command);
    }
}

std::vector<const CliCommand*> CliCommands() {
    std::vector<const CliCommand*> list;
    for (const auto& command : Registry()) {
        list.push_back(&command);
    }
    std::sort(list.begin(), list.end(),
              [](const CliCommand* a, const CliCommand* b) { return a->name < b->name; });
    return list;
}

int CliUsageError(const CliCommand& command, std::string_view message, CliContext& ctx) {
    ctx.err << kProgram << ": error: " << message << '\n';
    PrintUsageLine(command, ctx.err);
    return kExitUsage;
}

int CliUsageErrors(const CliCommand& command, const std::vector<std::string>& messages,
                   CliContext& ctx) {
    for (const std::string& message : messages) {
        ctx.err << kProgram << ": error: " << message << '\n';
    }
    PrintUsageLine(command, ctx.err);
    return kExitUsage;
}

int CliFailure(std::string_view message, CliContext& ctx) {
    ctx.err << message << '\n';
    return kExitFailure;
}

std::optional<int> ParseNumber(std::string_view text, int lo, int hi) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

int ReadNumberOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                     std::string_view name, int lo, int hi, std::string_view message, int& value) {
    const auto text = args.value(name);
    if (!text) {
        return kExitOk;
    }
    const auto number = ParseNumber(*text, lo, hi);
    if (!number) {
        return CliUsageError(command, message, ctx);
    }
    value = *number;
    return kExitOk;
}

int ReadDeviceIdOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                       int& id) {
    return ReadNumberOption(command, args, ctx, "--id", kFirstDeviceId, kLastDeviceId,
                            "--id must be 1 to 250", id);
}

int ReadDeviceTypeOption(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                         int& deviceType) {
    const auto label = args.value("--type");
    if (!label) {
        return kExitOk;
    }
    const DeviceModel* model = FindDeviceModelByLabel(*label);
    if (model == nullptr) {
        return CliUsageError(command, "--type must be 4x8, 3x6 or 2x4", ctx);
    }
    deviceType = model->deviceType;
    return kExitOk;
}

int RunCli(const std::vector<std::string>& argv, CliContext& ctx) {
    if (argv.size() < 2) {
        PrintHelp(ctx.err);
        return kExitUsage;
    }
    const std::string& name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        if (argv.size() > 2) {
            if (const CliCommand* command = FindCommand(argv[2])) {
                PrintCommandHelp(*command, ctx.out);
                return kExitOk;
            }
            ctx.err << kProgram << ": error: unknown command " << argv[2] << '\n';
            PrintHelp(ctx.err);
            return kExitUsage;
        }
        PrintHelp(ctx.out);
        return kExitOk;
    }
    if (name == "--version") {
        ctx.out << kProgram << ' ' << kTavrelVersion << '\n';
        return kExitOk;
    }
    const CliCommand* command = FindCommand(name);
    if (command == nullptr) {
        ctx.err << kProgram << ": error: unknown command " << name << '\n';
        PrintHelp(ctx.err);
        return kExitUsage;
    }
    if (std::find(argv.begin() + 2, argv.end(), "--help") != argv.end()) {
        PrintCommandHelp(*command, ctx.out);
        return kExitOk;
    }
    CliArguments args;
    if (const auto error = Parse(*command, argv, 2, args)) {
        return CliUsageError(*command, *error, ctx);
    }
    return command->run(*command, args, ctx);
}
