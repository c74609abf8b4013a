// import-eq and export-eq: a channel's equaliser from and to a filter text, the settings format
// of measurement programs and desktop equalisers, on a program file or a unit's live settings.
// The plan, the mapping onto the model and the writing through the editing rules are the core's
// (EqualizerImport, EqualizerExport); this file takes the arguments apart and prints.

#include "Cli.h"
#include "OnlineSession.h"
#include "ProgramSource.h"
#include "TavrelVersion.h"

#include "files/FilterTextFile.h"
#include "files/ProgramFile.h"
#include "model/EqualizerExport.h"
#include "model/EqualizerImport.h"
#include "model/ParameterRegistry.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace pr = ParameterRegistry;

// The channel a command works on: in a program file (FILE CHANNEL ...) or on a unit (--port ...
// CHANNEL ...), as get and set take them. `rest` holds the arguments after CHANNEL.
struct EqualizerTarget {
    bool unit = false;
    UnitOptions options;
    ProgramSource file;
    std::string path;
    const DeviceModel* model = nullptr;
    ChannelId channel;
    std::vector<std::string> rest;

    // "out.2 of show.dia24", "out.2 of the 4x8 with ID 1".
    std::string Where() const {
        return pr::ChannelName(channel) + " of " + (unit ? UnitText(options) : path);
    }
};

// Reads the target's options and CHANNEL, and for a file the file; `least` to `most` arguments
// may follow CHANNEL. Returns kExitOk or the status of the usage error or file failure shown.
int OpenTarget(const CliCommand& command, const CliArguments& args, CliContext& ctx,
               std::size_t least, std::size_t most, EqualizerTarget& target) {
    std::vector<std::string> positional = args.positional();
    target.unit = args.value("--port").has_value();
    if (target.unit) {
        if (args.value("--program"))
            return CliUsageError(command, "--program is for a program library file, not a unit",
                                 ctx);
        if (const int status = ParseUnitOptions(command, args, ctx, target.options);
            status != kExitOk)
            return status;
        target.model = &DeviceModelOf(target.options.deviceType);
    } else {
        for (std::string_view option : {"--id", "--tick-ms"})
            if (args.value(option))
                return CliUsageError(command,
                                     std::string(option) + " is for a unit: give --port too", ctx);
        if (positional.empty())
            return CliUsageError(command, "give --port P for a unit, or a program FILE", ctx);
        if (const int status = OpenProgramFile(command, args, ctx, target.file); status != kExitOk)
            return status;
        if (target.file.library && target.file.program == 0)
            return CliUsageError(command, "a program library needs --program 1 to 30", ctx);
        target.path = positional.front();
        positional.erase(positional.begin());
        target.model = &DeviceModelOf(target.file.deviceType);
    }
    if (positional.size() < least + 1)
        return CliUsageError(command, "missing argument", ctx);
    if (positional.size() > most + 1)
        return CliUsageError(command, "too many arguments", ctx);
    std::string error;
    const auto channel = pr::FindChannel(*target.model, positional.front(), error);
    if (!channel)
        return CliUsageError(command, error, ctx);
    target.channel = *channel;
    target.rest.assign(positional.begin() + 1, positional.end());
    return kExitOk;
}

// Runs `work` on the target's program: the file's, or the unit's live settings once read. A file
// is written back when `work` succeeds and sets `changed`.
int WithProgram(EqualizerTarget& target, CliContext& ctx,
                const std::function<int(ProgramContainer&, OnlineSession*, bool& changed)>& work) {
    if (target.unit)
        return WithConnectedUnit(target.options, ctx, ConnectReads{}, [&](OnlineSession& session) {
            if (const int status = ReadLiveProgram(session, ctx); status != kExitOk)
                return status;
            bool changed = false;
            return work(session.Data(), &session, changed);
        });
    const auto program = TakeProgram(target.file, target.file.program);
    bool changed = false;
    if (const int status = work(*program, nullptr, changed); status != kExitOk || !changed)
        return status;
    std::string reason;
    return ProgramFileExit(SaveTakenProgram(target.file, target.path, *program, &reason),
                           target.path, reason, ctx);
}

// ---- import-eq --------------------------------------------------------------------------------

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// The plan as a table: line, requested, held by the unit, note.
void PrintPlan(const EqualizerImportPlan& plan, CliContext& ctx) {
    std::vector<std::vector<std::string>> table{{"line", "requested", "held by the unit", "note"}};
    for (const ImportRow& row : plan.rows)
        table.push_back({row.line > 0 ? std::to_string(row.line) : "", row.requested,
                         row.held.empty() ? "not applied" : row.held, row.note});
    std::vector<std::size_t> widths(4, 0);
    for (const auto& cells : table)
        for (std::size_t c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths[c], cells[c].size());
    for (const auto& cells : table) {
        std::string line = std::string(widths[0] - cells[0].size(), ' ') + cells[0];
        for (std::size_t c = 1; c < cells.size(); ++c)
            line += "  " + (c + 1 < cells.size() ? Padded(cells[c], widths[c]) : cells[c]);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        ctx.out << line << '\n';
    }
}

void PrintLargestDifference(const EqualizerImportPlan& plan, CliContext& ctx) {
    char text[64];
    std::snprintf(text, sizeof text, "largest difference: %.2f dB\n", plan.largestDifferenceDb);
    ctx.out << text;
}

int RunImport(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    EqualizerTarget target;
    if (const int status = OpenTarget(command, args, ctx, 1, 1, target); status != kExitOk)
        return status;
    const std::string& textPath = target.rest.front();
    FilterText text;
    std::string error;
    bool unreadable = false;
    if (!ReadFilterTextFile(textPath, text, error, &unreadable)) {
        ctx.err << "tavrel-cli: " << error << ". Nothing was changed.\n";
        return unreadable ? kExitFailure : kExitUsage;
    }
    const EqualizerImportOptions options{.preamp = args.flag("--preamp")};
    const bool dryRun = args.flag("--dry-run");
    return WithProgram(target, ctx,
                       [&](ProgramContainer& program, OnlineSession* session, bool& changed) {
                           const EqualizerImportPlan plan =
                               PlanEqualizerImport(text, program, target.channel, options);
                           PrintPlan(plan, ctx);
                           if (!plan.CanApply()) {
                               PrintLargestDifference(plan, ctx);
                               ctx.err << "tavrel-cli: nothing imported from " << textPath << ": "
                                       << plan.nothingTaken << ". Nothing was changed.\n";
                               return kExitUsage;
                           }
                           if (dryRun) {
                               ctx.out << "Dry run: " << target.Where() << " was not changed\n";
                               PrintLargestDifference(plan, ctx);
                               return kExitOk;
                           }
                           changed = ApplyEqualizerImport(plan, program);
                           // On a unit the pending-change scan sends the edits as typing them would
                           // (a crossover as its run of octave steps); done when the unit has
                           // answered them all.
                           if (session != nullptr && !session->WaitSettled())
                               return kExitFailure;
                           if (changed)
                               ctx.out << "Imported " << plan.filtersTaken << " filter"
                                       << (plan.filtersTaken == 1 ? "" : "s") << " from "
                                       << textPath << " into " << target.Where() << '\n';
                           else
                               ctx.out << "Nothing changed: " << target.Where()
                                       << " already held these settings\n";
                           PrintLargestDifference(plan, ctx);
                           return kExitOk;
                       });
}

// ---- export-eq --------------------------------------------------------------------------------

int RunExport(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    EqualizerTarget target;
    if (const int status = OpenTarget(command, args, ctx, 0, 1, target); status != kExitOk)
        return status;
    return WithProgram(target, ctx, [&](ProgramContainer& program, OnlineSession*, bool&) {
        FilterText text = ExportEqualizer(program, target.channel);
        const std::string model(DeviceModelOf(program.deviceType()).label);
        text.comments.push_back("# Equaliser of " + target.Where() + " (" + model +
                                "), written by tavrel-cli " + kTavrelVersion);
        if (target.rest.empty()) {
            ctx.out << FormatFilterText(text);
            return kExitOk;
        }
        const std::string& out = target.rest.front();
        std::string reason;
        if (!SaveFilterTextFile(out, text, &reason))
            return CliFailure("tavrel-cli: cannot write " + out + ": " + reason, ctx);
        ctx.out << "Wrote the equaliser of " << target.Where() << " to " << out << '\n';
        return kExitOk;
    });
}

#define TAVREL_EQUALIZER_OPTIONS                                                                   \
    TAVREL_PORT_OPTION TAVREL_ID_OPTION                                                            \
        "  --type     4x8, 3x6 or 2x4: the model the unit must report (default 4x8), or the "      \
        "model\n"                                                                                  \
        "             of FILE (default the model of its extension, else 4x8)\n" TAVREL_TICK_OPTION \
        "  FILE       a single-setting file, or a program library with --program N (1..30)\n"      \
        "  CHANNEL    in.A .. in.D or out.1 .. out.8, as get and set name channels\n"

const CliRegistrar kEqualizerCommands{
    {"import-eq",
     "(--port P [--id N] [--type T] [--tick-ms MS] | FILE [--type T] [--program N]) "
     "[--preamp] [--dry-run] CHANNEL TEXTFILE",
     "set a channel's equaliser from a filter text of a measurement program",
     WithUnitOptions({"--program"}),
     {"--preamp", "--dry-run"},
     2,
     3,
     RunImport,
     "Reads TEXTFILE, a filter text as measurement programs export it (\"Filter 1: ON PK Fc\n"
     "1000 Hz Gain -3.5 dB Q 2.400\"), and maps each filter that is ON to the nearest values the\n"
     "model holds, in the text's order onto the channel's bands; the bands left over are\n"
     "switched off. Types: PK (Q or BW Oct); LS/HS (Fc the shelf's midpoint) and LSC/HSC (Fc its\n"
     "corner, as the unit's shelf frequency) with a slope of 6 or 12 dB or a Q; on outputs\n"
     "HP/HPQ/HP1 and LP/LPQ/LP1 lines, which together form the crossover's high-pass and\n"
     "low-pass when their order and shape are one of the unit's (Butterworth, Linkwitz-Riley,\n"
     "Bessel at 12, 18, 24 or 48 dB per octave). A text without them leaves the crossovers as\n"
     "they are. Filters that are OFF, that find no band left or that the unit cannot hold are\n"
     "listed and not applied.\n"
     "Prints a table of each filter as requested and as the unit will hold it, then the largest\n"
     "difference between 20 Hz and 20 kHz of the requested response (cookbook biquads at the\n"
     "unit's 96 kHz) and the achievable one as the last line (\"largest difference: 1.20 dB\").\n"
     "The values are written as typing them into the editors writes them; on a unit the live\n"
     "settings are read first and the command ends when the unit has answered every frame.\n"
     "A text the unit takes no filter of changes nothing (exit 2), as does bad input, which is\n"
     "named with its line.\n"
     "  --preamp   the text's Preamp: line sets the channel gain (else it is listed as ignored)\n"
     "  --dry-run  print the table and the difference, change nothing\n" TAVREL_EQUALIZER_OPTIONS
     "  TEXTFILE   the filter text\n"},
    {"export-eq",
     "(--port P [--id N] [--type T] [--tick-ms MS] | FILE [--type T] [--program N]) CHANNEL "
     "[TEXTFILE]",
     "write a channel's equaliser as a filter text for measurement programs",
     WithUnitOptions({"--program"}),
     {},
     1,
     3,
     RunExport,
     "Writes the channel gain as Preamp:, each band that is on (PK with the Q the editors show,\n"
     "shelves as LSC/HSC with their corner and slope) and, on an output, the crossover filters\n"
     "that are not off as the sections they are made of (HPQ/LPQ with their Q, HP1/LP1 for the\n"
     "first-order section of an 18 dB slope). import-eq of the text gives the same settings\n"
     "back. Without TEXTFILE the text goes to standard output.\n" TAVREL_EQUALIZER_OPTIONS
     "  TEXTFILE   the filter text to write; replaced only once the new one is complete\n"},
};

#undef TAVREL_EQUALIZER_OPTIONS

} // namespace
