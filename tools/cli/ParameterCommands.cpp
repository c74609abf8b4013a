// get and set: settings read and changed by name, on a unit or in a program file. The names,
// values, ranges and rules come from the parameter catalogue, which writes through the editors'
// own rules; this file only takes the arguments apart and prints.

#include "Cli.h"
#include "OnlineSession.h"
#include "ProgramSource.h"

#include "files/ProgramFile.h"
#include "link/ParameterCatalogue.h"
#include "model/DeviceModel.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ParameterScales.h"
#include "model/ProgramContainer.h"
#include "protocol/ChannelBlocks.h"
#include "model/ProgramImage.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace pc = ParameterCatalogue;

// name=value of every parameter listed, in order.
using Snapshot = std::vector<std::pair<std::string, std::string>>;

// A value on one line: bytes a name may hold besides printable ASCII (a name read from a unit or
// a file can hold any) are shown as escapes, "\n", "\t", "\x01", so no value breaks a line.
std::string OneLine(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line;
    for (const char c : value) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\t')
            line += "\\t";
        else if (b < 0x20 || b >= 0x7F)
            line += std::string("\\x") + kHex[b >> 4] + kHex[b & 0xF];
        else
            line += c;
    }
    return line;
}

Snapshot Take(const std::vector<pc::Parameter>& parameters, const ProgramContainer& program) {
    Snapshot values;
    for (const pc::Parameter& p : parameters)
        values.emplace_back(p.name, OneLine(pc::ReadParameter(p, program)));
    return values;
}

// "name=new (was old)" for each parameter whose shown value changed, side effects included (a
// low shelf above 20000 Hz comes down with its type). Returns whether any did.
bool PrintChanges(const Snapshot& before, const Snapshot& after, CliContext& ctx) {
    bool changed = false;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i].second == after[i].second)
            continue;
        ctx.out << after[i].first << '=' << after[i].second << " (was " << before[i].second
                << ")\n";
        changed = true;
    }
    return changed;
}

void PrintNotes(const std::vector<std::string>& notes, CliContext& ctx) {
    for (const std::string& note : notes)
        ctx.err << "tavrel-cli: note: " << note << '\n';
}

// Where the settings are: a unit (--port) or a program file (the first argument). The options
// of the other kind are refused. The names or assignments follow from `firstName` on.
struct Source {
    bool unit = false;
    UnitOptions options;       // a unit
    ProgramSource file;        // a program file
    std::string path;          // ... and its path
    std::size_t firstName = 0; // index of the first name among the positional arguments
    const DeviceModel* model = nullptr;

    pc::Holder Holder() const { return unit ? pc::Holder::Unit : pc::Holder::ProgramFile; }
};

int OpenSource(const CliCommand& command, const CliArguments& args, CliContext& ctx,
               Source& source) {
    source.unit = args.value("--port").has_value();
    if (source.unit) {
        if (args.value("--program"))
            return CliUsageError(command, "--program is for a program library file, not a unit",
                                 ctx);
        if (const int status = ParseUnitOptions(command, args, ctx, source.options);
            status != kExitOk)
            return status;
        source.model = &DeviceModelOf(source.options.deviceType);
        return kExitOk;
    }
    for (std::string_view option : {"--id", "--tick-ms"})
        if (args.value(option))
            return CliUsageError(command, std::string(option) + " is for a unit: give --port too",
                                 ctx);
    if (args.positional().empty())
        return CliUsageError(command, "give --port P for a unit, or a program FILE", ctx);
    if (const int status = OpenProgramFile(command, args, ctx, source.file); status != kExitOk)
        return status;
    if (source.file.library && source.file.program == 0)
        return CliUsageError(command, "a program library needs --program 1 to 30", ctx);
    source.path = args.positional().front();
    source.firstName = 1;
    source.model = &DeviceModelOf(source.file.deviceType);
    return kExitOk;
}

// What a unit must be asked before its parameters can be shown: the live settings of the
// channels they belong to, and the unit settings they are.
struct Needs {
    ChannelBlocks blocks = 0;
    std::vector<int> unitSettings; // global codes

    explicit Needs(const std::vector<pc::Parameter>& parameters) {
        for (const pc::Parameter& p : parameters) {
            if (!p.IsUnitSetting())
                blocks |= ChannelBlockBit(p.output, p.channel);
            else if (!Covers(p))
                unitSettings.push_back(p.GlobalCode());
        }
    }
    bool Covers(const pc::Parameter& p) const {
        if (!p.IsUnitSetting())
            return (blocks & ChannelBlockBit(p.output, p.channel)) != 0;
        return std::ranges::find(unitSettings, p.GlobalCode()) != unitSettings.end();
    }
};

// On a connected unit: reads what the parameters need (right behind the probe, each channel's
// block by itself), then runs `work` on the container.
int WithUnitParameters(const Source& source, const std::vector<pc::Parameter>& parameters,
                       CliContext& ctx, const std::function<int(OnlineSession&)>& work) {
    const Needs needs(parameters);
    ConnectReads reads;
    reads.unitSettings = needs.unitSettings;
    reads.liveChannels = needs.blocks;
    return WithConnectedUnit(source.options, ctx, reads, [&](OnlineSession& session) {
        // Nothing of the channels is taken in unless every block asked for came.
        if ((session.Owner().receivedBlocks & needs.blocks) != needs.blocks)
            return CliFailure("The unit sent no complete program", ctx);
        return work(session);
    });
}

// ---- get ----------------------------------------------------------------------------------------

int RunGet(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    Source source;
    if (const int status = OpenSource(command, args, ctx, source); status != kExitOk)
        return status;
    std::vector<pc::Parameter> parameters;
    std::vector<std::string> errors;
    const auto& names = args.positional();
    for (std::size_t i = source.firstName; i < names.size(); ++i) {
        std::string error;
        if (auto p = pc::FindParameter(*source.model, source.Holder(), names[i], error))
            parameters.push_back(std::move(*p));
        else
            errors.push_back(error);
    }
    if (!errors.empty())
        return CliUsageErrors(command, errors, ctx);
    if (parameters.empty())
        parameters = pc::AllParameters(*source.model, source.Holder());

    auto print = [&](const ProgramContainer& program) {
        for (const pc::Parameter& p : parameters)
            ctx.out << p.name << '=' << OneLine(pc::ReadParameter(p, program)) << '\n';
        return kExitOk;
    };
    if (source.unit)
        return WithUnitParameters(source, parameters, ctx,
                                  [&](OnlineSession& session) { return print(session.Data()); });
    const auto program = TakeProgram(source.file, source.file.program);
    return print(*program);
}

// ---- set ----------------------------------------------------------------------------------------

// The NAME=VALUE arguments, every one checked before anything is read, sent or written: unknown
// names, channels or settings the model lacks, values that do not parse and names given twice
// are errors. Returns kExitOk, or the usage error's status with every error shown.
int ReadAssignments(const CliCommand& command, const CliArguments& args, const Source& source,
                    CliContext& ctx, std::vector<pc::Assignment>& assignments) {
    std::vector<std::string> errors;
    std::vector<std::string> notes;
    std::map<std::string, std::string> fields; // stored value -> the name that set it
    const auto& texts = args.positional();
    for (std::size_t i = source.firstName; i < texts.size(); ++i) {
        const std::string& text = texts[i];
        const auto eq = text.find('=');
        if (eq == std::string::npos) {
            errors.push_back(text + " is not NAME=VALUE");
            continue;
        }
        std::string error;
        const auto parameter =
            pc::FindParameter(*source.model, source.Holder(), text.substr(0, eq), error);
        if (!parameter) {
            errors.push_back(error);
            continue;
        }
        const auto [field, first] = fields.emplace(parameter->FieldName(), parameter->name);
        if (!first) {
            errors.push_back(field->second == parameter->name
                                 ? parameter->name + " is given twice"
                                 : field->second + " and " + parameter->name +
                                       " set the same value: give one of them");
            continue;
        }
        auto value = pc::ParseValue(*parameter, *source.model, text.substr(eq + 1), error);
        if (!value) {
            errors.push_back(error);
            continue;
        }
        if (!value->note.empty())
            notes.push_back(value->note);
        // A unit drops the blanks around some texts: what is set and shown is what it keeps.
        if (std::string kept = pc::TextTheUnitKeeps(*parameter, value->text);
            source.unit && kept != value->text) {
            notes.push_back(parameter->name + ": the unit keeps \"" + kept + "\"");
            value->text = std::move(kept);
        }
        assignments.push_back({*parameter, std::move(*value)});
    }
    if (errors.empty() && assignments.empty())
        errors.push_back("give at least one NAME=VALUE");
    if (!errors.empty())
        return CliUsageErrors(command, errors, ctx);
    PrintNotes(notes, ctx);
    return kExitOk;
}

// Applies the values; with a refusal nothing may be sent or saved. `dropsGainsOfBandsOff` names
// a holder that keeps no gain for a band switched off (a unit, a program library), so a gain
// given with "off" is lost there. Returns kExitOk or the usage error's status.
int ApplyAssignments(const CliCommand& command, const std::vector<pc::Assignment>& assignments,
                     ProgramContainer& program, UnitController* unit, std::string_view nothingDone,
                     std::string_view dropsGainsOfBandsOff, CliContext& ctx) {
    const pc::ApplyOutcome outcome = pc::Apply(assignments, program, unit);
    if (!outcome.refusals.empty()) {
        std::vector<std::string> errors = outcome.refusals;
        errors.back() += ". " + std::string(nothingDone);
        return CliUsageErrors(command, errors, ctx);
    }
    PrintNotes(outcome.corrections, ctx);
    for (const auto& [name, gain] : outcome.gainsOfBandsOff) {
        if (dropsGainsOfBandsOff.empty())
            PrintNotes({name + ": " + gain +
                        " dB is kept for when the band is switched on; switched off it shows 0.0"},
                       ctx);
        else
            PrintNotes({name + ": " + gain + " dB is not kept: " +
                        std::string(dropsGainsOfBandsOff) + " holds a band switched off at 0.0 dB"},
                       ctx);
    }
    return kExitOk;
}

// A program image has no on/off for a band of its own: a band at 0.0 dB is off. A band switched
// off is stored at 0.0 dB, or it would come back on at the gain it keeps.
void FillStoredImage(const ProgramContainer& program, ProgramImage& image) {
    program.fillProgramImage(image);
    for (std::size_t i = 0; i < image.inputs.size(); ++i)
        for (int b = 0; b < InputChannel::kBandCount; ++b)
            if (program.input(static_cast<int>(i)).filter(b).off() != 0)
                image.inputs[i].bands[static_cast<std::size_t>(b)].gain = kEqGainZeroIndex;
    for (std::size_t o = 0; o < image.outputs.size(); ++o)
        for (int b = 0; b < OutputChannel::kBandCount; ++b)
            if (program.output(static_cast<int>(o)).filter(b).off() != 0)
                image.outputs[o].bands[static_cast<std::size_t>(b)].gain = kEqGainZeroIndex;
}

// The whole program as a file would hold it, gains kept by bands switched off included (no
// parameter shows those).
ProgramImage ImageOf(const ProgramContainer& program) {
    ProgramImage image;
    program.fillProgramImage(image);
    return image;
}

int SetOnUnit(const CliCommand& command, const Source& source,
              const std::vector<pc::Assignment>& assignments, CliContext& ctx) {
    std::vector<pc::Parameter> named;
    for (const pc::Assignment& a : assignments)
        named.push_back(a.parameter);
    const Needs needs(named);
    std::vector<pc::Parameter> shown;
    for (pc::Parameter& p : pc::AllParameters(*source.model, pc::Holder::Unit))
        if (needs.Covers(p))
            shown.push_back(std::move(p));
    return WithUnitParameters(source, named, ctx, [&](OnlineSession& session) {
        const Snapshot before = Take(shown, session.Data());
        if (const int status =
                ApplyAssignments(command, assignments, session.Data(), &session.Controller(),
                                 "Nothing was sent.", "the unit", ctx);
            status != kExitOk)
            return status;
        // The pending-change scan sends the edits (a crossover as its run of octave steps) and
        // the unit-wide frames go out as queued; done when the unit has answered them all.
        if (!session.WaitSettled()) {
            if (session.Interrupted() != 0)
                ctx.err << "Some of the changes may not have reached " << UnitText(source.options)
                        << "; 'tavrel-cli get' shows what it holds.\n";
            return session.FailureStatus();
        }
        if (!PrintChanges(before, Take(shown, session.Data()), ctx))
            ctx.out << "Nothing changed: " << UnitText(source.options)
                    << " already had these values\n";
        return kExitOk;
    });
}

int SetInFile(const CliCommand& command, Source& source,
              const std::vector<pc::Assignment>& assignments, CliContext& ctx) {
    const std::vector<pc::Parameter> shown =
        pc::AllParameters(*source.model, pc::Holder::ProgramFile);
    const auto program = TakeProgram(source.file, source.file.program);
    const Snapshot before = Take(shown, *program);
    const ProgramImage imageBefore = ImageOf(*program);
    if (const int status =
            ApplyAssignments(command, assignments, *program, nullptr, "Nothing was written.",
                             source.file.library ? "a program library" : "", ctx);
        status != kExitOk)
        return status;
    const Snapshot after = Take(shown, *program);
    if (before == after && (source.file.library || imageBefore == ImageOf(*program))) {
        ctx.out << "Nothing changed: " << source.path << " already holds these values\n";
        return kExitOk;
    }
    ProgramFileStatus saved = ProgramFileStatus::Ok;
    std::string reason;
    if (source.file.library) {
        FillStoredImage(*program,
                        source.file.bank[static_cast<std::size_t>(source.file.program - 1)]);
        saved = SaveProgramLibrary(source.path, source.file.bank, &reason);
    } else {
        saved = SaveProgramSetting(source.path, *program, &reason);
    }
    if (const int status = ProgramFileExit(saved, source.path, reason, ctx); status != kExitOk)
        return status;
    PrintChanges(before, after, ctx);
    return kExitOk;
}

int RunSet(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    Source source;
    if (const int status = OpenSource(command, args, ctx, source); status != kExitOk)
        return status;
    std::vector<pc::Assignment> assignments;
    if (const int status = ReadAssignments(command, args, source, ctx, assignments);
        status != kExitOk)
        return status;
    return source.unit ? SetOnUnit(command, source, assignments, ctx)
                       : SetInFile(command, source, assignments, ctx);
}

#define TAVREL_PARAMETER_OPTIONS                                                                   \
    TAVREL_PORT_OPTION TAVREL_ID_OPTION                                                            \
        "  --type     4x8, 3x6 or 2x4: the model the unit must report (default 4x8), or the "      \
        "model\n"                                                                                  \
        "             of FILE (default the model of its extension, else 4x8)\n" TAVREL_TICK_OPTION \
        "  FILE       a single-setting file, or a program library with --program N (1..30)\n"

const CliRegistrar kParameterCommands{
    {"get",
     "(--port P [--id N] [--type T] [--tick-ms MS] | FILE [--type T] [--program N]) [PARAM...]",
     "print settings as PARAM=VALUE lines, from a unit's live settings or a program file",
     WithUnitOptions({"--program"}),
     {},
     0,
     INT_MAX,
     RunGet,
     "Prints each PARAM named (every parameter of the model when none is) as PARAM=VALUE, the\n"
     "value as the editors show it, in the units listed below. A unit is connected and its\n"
     "live settings are read (its unit-wide settings too when a unit.* parameter is asked for).\n"
     "\n" TAVREL_PARAMETER_OPTIONS,
     pc::HelpText},
    {"set",
     "(--port P [--id N] [--type T] [--tick-ms MS] | FILE [--type T] [--program N]) PARAM=VALUE...",
     "change settings by name on a unit's live settings or in a program file",
     WithUnitOptions({"--program"}),
     {},
     1,
     INT_MAX,
     RunSet,
     "Every PARAM=VALUE is checked first: an unknown parameter, a value that does not parse, a\n"
     "value beyond its range or a channel the model lacks is an error (exit 2) and nothing is\n"
     "sent or written (a value is never limited to its range and taken). The\n"
     "values are written as typing them into the editors writes them; the lines printed say\n"
     "what changed (\"in.A.gain=-3.0 (was 0.0)\"). On a unit the live settings are read, the\n"
     "changes sent as the application sends them (a crossover in steps of one octave), and the\n"
     "command ends when the unit has answered every frame. A file is replaced whole once the\n"
     "new one is written; a library keeps its other programs as they are.\n"
     "\n" TAVREL_PARAMETER_OPTIONS,
     pc::HelpText},
};

#undef TAVREL_PARAMETER_OPTIONS

} // namespace
