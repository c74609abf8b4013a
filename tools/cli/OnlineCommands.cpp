// Commands that talk to a unit over a serial port: ports, search, read, write, backup,
// backup-all, restore, set-id and meters. Each one connects with the application's probe and type
// check but reads only the program names its output needs (the application also reads every name
// and the unit settings it shows), does its work paced exactly like the application, waits until
// nothing is queued or pending, and disconnects.

#include "Cli.h"
#include "OnlineSession.h"
#include "ProgramSource.h"

#include "files/ProgramFile.h"
#include "link/PortList.h"
#include "link/UnitController.h"
#include "model/DeviceModel.h"
#include "model/PrintableText.h"
#include "model/ProgramContainer.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultMeterPolls = 10;
constexpr int kMaxMeterPolls = 100000;

// The file name with the model's extension: "live" -> "live.dia48", "hall.dat" -> "hall.dat48".
std::string WithModelExtension(const std::string& path, int deviceType, bool library) {
    const std::string extension =
        library ? LibraryExtension(deviceType) : SingleSettingExtension(deviceType);
    const std::string stem = extension.substr(0, extension.size() - ModelDigits(deviceType).size());
    if (std::filesystem::path(path).extension() == stem)
        return path + std::string(ModelDigits(deviceType));
    return path + extension;
}

// The program file of a command that talks to a unit (its one positional argument), checked
// against the model and the kind of file the command handles before anything is sent: an
// extension of another model than --type, or of the other kind, is refused. Without --type, the
// model of the file's extension is the unit's expected type. A file the command writes is given
// the model's extension when its name has none. Returns kExitOk or the usage error's status.
int ResolveProgramFile(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                       FileUse use, UnitOptions& options, std::string& path) {
    path = args.positional().front();
    const bool library = TakesLibrary(use);
    const DeviceModel& chosen = DeviceModelOf(options.deviceType);
    const int fileType = DeviceTypeFromPath(path);
    if (library ? IsSingleSettingPath(path)
                : (use == FileUse::ReadSetting && IsLibraryPath(path))) {
        const DeviceModel& named = fileType != 0 ? DeviceModelOf(fileType) : chosen;
        const std::string other = library ? "a single-setting file" : "a program library";
        const std::string wanted =
            library ? "a program library (" + std::string(named.libraryExtension) + ")"
                    : "a single-setting file (" + std::string(named.settingExtension) + ")";
        return CliUsageError(command,
                             path + " is named as " + other + "; " + std::string(command.name) +
                                 " takes " + wanted,
                             ctx);
    }
    if (fileType != 0) {
        if (options.typeGiven && fileType != options.deviceType)
            return CliUsageError(command,
                                 path + " is named for a " +
                                     std::string(DeviceModelOf(fileType).label) +
                                     ", but --type is " + std::string(chosen.label),
                                 ctx);
        options.deviceType = fileType;
        options.typeFile = path;
        return kExitOk;
    }
    if (use == FileUse::ReadSetting || use == FileUse::ReadLibrary)
        path = WithModelExtension(path, options.deviceType, library);
    return kExitOk;
}

// ---- ports -------------------------------------------------------------------------------------

int RunPorts(const CliCommand&, const CliArguments& args, CliContext& ctx) {
    PortEntryList ports;
    std::string error;
    if (!ListSerialPorts(ports, args.flag("--test-open"), &error))
        return CliFailure(error, ctx);
    for (const PortEntry& port : ports) {
        if (port.portName.empty())
            continue;
        ctx.out << port.portName << '\t' << (port.usb ? "USB" : "-") << '\t' << port.description
                << '\n';
    }
    return kExitOk;
}

// ---- search ------------------------------------------------------------------------------------

// --ids FIRST-LAST (or a single ID) into first..last. Returns kExitOk or the usage error's
// status.
int ReadIdRange(const CliCommand& command, const CliArguments& args, CliContext& ctx, int& first,
                int& last) {
    const auto range = args.value("--ids");
    if (!range)
        return kExitOk;
    const auto dash = range->find('-');
    const auto a = ParseNumber(range->substr(0, dash), kFirstDeviceId, kLastDeviceId);
    const auto b = dash == std::string::npos
                       ? a
                       : ParseNumber(range->substr(dash + 1), kFirstDeviceId, kLastDeviceId);
    if (!a || !b)
        return CliUsageError(command, "--ids must be FIRST-LAST within 1 to 250", ctx);
    if (*a > *b)
        return CliUsageError(command,
                             "--ids " + *range + " is reversed: give the lower ID first (" +
                                 std::to_string(*b) + "-" + std::to_string(*a) + ")",
                             ctx);
    first = *a;
    last = *b;
    return kExitOk;
}

// More passes than this cost minutes on a full range and find nothing a line this bad hides.
constexpr int kMaxSilentRetries = 5;

// --retries N: further passes over the IDs that stayed silent. Returns kExitOk or the usage
// error's status.
int ReadRetries(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                int& retries) {
    return ReadNumberOption(command, args, ctx, "--retries", 0, kMaxSilentRetries,
                            "--retries must be 0 to 5", retries);
}

// "1, 3 and 17".
std::string IdList(const std::vector<int>& ids) {
    std::string text;
    for (std::size_t i = 0; i < ids.size(); ++i)
        text += (i == 0 ? "" : i + 1 == ids.size() ? " and " : ", ") + std::to_string(ids[i]);
    return text;
}

int RunSearch(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    int first = kFirstDeviceId;
    int last = kLastDeviceId;
    if (const int status = ReadIdRange(command, args, ctx, first, last); status != kExitOk)
        return status;
    int retries = 0;
    if (const int status = ReadRetries(command, args, ctx, retries); status != kExitOk)
        return status;
    OnlineSession session(options, ctx);
    if (!session.Search(first, last, retries))
        return session.FailureStatus();
    int found = 0;
    for (int id : session.Owner().knownIds) {
        if (id >= first && id <= last) {
            ctx.out << id << '\n';
            ++found;
        }
    }
    if (found == 0)
        ctx.err << "No " << DeviceModelOf(options.deviceType).label << " unit answered on "
                << options.port << " (IDs " << first << '-' << last << ").\n";
    return kExitOk;
}

// ---- read --------------------------------------------------------------------------------------

// A read that a signal stopped says that its file was left alone; returns `status`.
int NothingSaved(const OnlineSession& session, const std::string& path, int status,
                 CliContext& ctx) {
    if (session.Interrupted() != 0)
        ctx.err << "Nothing was saved to " << path << ".\n";
    return status;
}

int RunRead(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::ReadSetting, options, path);
        status != kExitOk)
        return status;
    // Nothing is read from the unit for a file that could not be saved.
    if (std::string reason; !CheckSaveTarget(path, &reason))
        return ProgramFileExit(ProgramFileStatus::WriteError, path, reason, ctx);
    // The file keeps the program's name, so that name is the one read besides the probe.
    const ConnectReads reads{{options.slot}};
    return WithConnectedUnit(
        options, ctx, reads,
        [&](OnlineSession& session) {
            UnitController& unit = session.Controller();
            // As the program dialog's recall does: the program takes the name the unit lists.
            session.Data().setProgramName(unit.ProgramName(options.slot));
            unit.ReadProgramFromDevice(options.slot);
            if (const int status = session.FinishBatch({"frame"}); status != kExitOk)
                return NothingSaved(session, path, status, ctx);
            if (!session.Owner().programReceived)
                return CliFailure("The unit sent no complete program", ctx);
            std::string reason;
            const ProgramFileStatus saved = SaveProgramSetting(path, session.Data(), &reason);
            if (const int status = ProgramFileExit(saved, path, reason, ctx); status != kExitOk)
                return status;
            ctx.out << "Read " << SlotText(options.slot) << " (\""
                    << PrintableText(session.Data().programName()) << "\") of " << UnitText(options)
                    << " into " << path << '\n';
            return kExitOk;
        },
        FileUse::ReadSetting);
}

// ---- write -------------------------------------------------------------------------------------

int RunWrite(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::SendProgram, options, path);
        status != kExitOk)
        return status;
    ProgramSource source;
    std::string reason;
    if (!LoadProgramSource(path, options.deviceType, source, &reason))
        return ProgramFileExit(ProgramFileStatus::ReadError, path, reason, ctx);
    // A library's program must be named.
    int number = 0;
    if (source.library) {
        const auto text = args.value("--program");
        const auto chosen = text ? ParseNumber(*text, 1, kProgramMemoryCount) : std::nullopt;
        if (!chosen)
            return CliUsageError(command, "a program library needs --program 1 to 30", ctx);
        number = *chosen;
    } else if (args.value("--program")) {
        return CliUsageError(command, "--program needs a program library file", ctx);
    }
    const auto program = TakeProgram(source, number);
    return WithConnectedUnit(
        options, ctx, ConnectReads{},
        [&](OnlineSession& session) {
            session.Data().copyProgramFrom(*program);
            session.Controller().SetProgramName(options.slot, program->programName());
            session.Controller().StoreProgramToDevice(options.slot);
            if (const int status = session.FinishBatch({"frame"}); status != kExitOk)
                return status;
            ctx.out << "Wrote \"" << PrintableText(program->programName()) << "\" from " << path
                    << " to " << SlotText(options.slot) << " of " << UnitText(options) << '\n';
            return kExitOk;
        },
        FileUse::SendProgram);
}

// ---- backup, restore ---------------------------------------------------------------------------

// Reads the unit's 30 stored programs into the library file `path`; a terminal shows the
// progress as "LABEL 12/30". Returns the exit status (a failure's message shown).
int BackUpUnit(const UnitOptions& options, const std::string& path, std::string_view label,
               CliContext& ctx) {
    // A backup takes over a minute: a file that could not be saved is refused before it starts.
    if (std::string reason; !CheckSaveTarget(path, &reason))
        return ProgramFileExit(ProgramFileStatus::WriteError, path, reason, ctx);
    return WithConnectedUnit(
        options, ctx, MemoryNameReads(),
        [&](OnlineSession& session) {
            session.Controller().ReadAllProgramsFromDevice();
            if (const int status = session.FinishBatch({label, kProgramMemoryCount});
                status != kExitOk)
                return NothingSaved(session, path, status, ctx);
            if (!session.Owner().bankComplete)
                return CliFailure("The unit sent no complete program bank", ctx);
            std::string reason;
            const ProgramFileStatus saved = SaveProgramLibrary(path, session.Bank(), &reason);
            if (const int status = ProgramFileExit(saved, path, reason, ctx); status != kExitOk)
                return status;
            ctx.out << "Read the " << kProgramMemoryCount << " programs of " << UnitText(options)
                    << " into " << path << '\n';
            return kExitOk;
        },
        FileUse::ReadLibrary);
}

int RunBackup(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::ReadLibrary, options, path);
        status != kExitOk)
        return status;
    return BackUpUnit(options, path, "program", ctx);
}

// Searches the line, then backs up every unit of the model that answered into
// DIR/unit-ID.datNN, one after the other. A unit that fails is reported and the others are still
// backed up.
int RunBackupAll(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    int first = kFirstDeviceId;
    int last = kLastDeviceId;
    if (const int status = ReadIdRange(command, args, ctx, first, last); status != kExitOk)
        return status;
    int retries = 1;
    if (const int status = ReadRetries(command, args, ctx, retries); status != kExitOk)
        return status;
    int expected = 0;
    if (const int status = ReadNumberOption(command, args, ctx, "--expect", 1, kLastDeviceId,
                                            "--expect must be 1 to 250", expected);
        status != kExitOk)
        return status;
    const std::filesystem::path dir = args.positional().front();
    auto unusable = [&](const std::string& why) {
        return CliFailure("Cannot use " + dir.string() + " as the folder of the backups: " + why,
                          ctx);
    };
    // A file in the way is refused before the search; the folder itself is made only once
    // there is something to put in it.
    std::error_code error;
    if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
        return unusable("not a folder");

    // One watch over the whole run: a signal between two units stops it there as well.
    const InterruptWatch watch;
    std::vector<int> ids;
    {
        OnlineSession search(options, ctx);
        if (!search.Search(first, last, retries))
            return search.FailureStatus();
        for (int id : search.Owner().knownIds)
            if (id >= first && id <= last)
                ids.push_back(id);
    }
    const DeviceModel& model = DeviceModelOf(options.deviceType);
    if (ids.empty())
        return CliFailure("No " + std::string(model.label) + " unit answered on " + options.port +
                              " (IDs " + std::to_string(first) + '-' + std::to_string(last) +
                              "): nothing was backed up.",
                          ctx);
    // Said before the long work starts, so that a missing unit shows at once.
    ctx.out << "Found " << ids.size() << ' ' << model.label
            << (ids.size() == 1 ? " unit" : " units") << " on " << options.port << ": ID "
            << IdList(ids) << '\n'
            << std::flush;
    const bool tooFew = static_cast<int>(ids.size()) < expected;
    if (tooFew)
        ctx.err << expected << " units were expected, but only " << ids.size()
                << " answered; the units found are backed up all the same.\n";
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir))
        return unusable(error ? error.message() : "not a folder");

    std::vector<int> failed;
    int interrupted = 0; // the exit status of a unit's backup that a signal stopped
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (interrupted == 0)
            if (const int signal = TakeInterrupt(); signal != 0) {
                ctx.err << "Interrupted by " << InterruptName(signal) << ".\n";
                interrupted = InterruptExitStatus(signal);
            }
        if (interrupted != 0) {
            failed.push_back(ids[i]);
            continue;
        }
        UnitOptions unit = options;
        unit.deviceId = ids[i];
        const std::string path =
            (dir / ("unit-" + std::to_string(ids[i]) + std::string(model.libraryExtension)))
                .string();
        const std::string label = "unit " + std::to_string(i + 1) + '/' +
                                  std::to_string(ids.size()) + " (ID " + std::to_string(ids[i]) +
                                  "): program";
        const int status = BackUpUnit(unit, path, label, ctx);
        if (status != kExitOk)
            failed.push_back(ids[i]);
        if (status > kExitUsage)
            interrupted = status;
    }
    if (!failed.empty()) {
        std::string list;
        for (int id : failed)
            list += (list.empty() ? "" : ", ") + std::to_string(id);
        ctx.err << ids.size() - failed.size() << " of " << ids.size()
                << " units were backed up; not backed up: ID " << list << '\n';
    }
    if (tooFew)
        ctx.err << "Only " << ids.size() << " of the " << expected
                << " units expected were found.\n";
    if (interrupted != 0)
        return interrupted;
    return CliStatus(failed.empty() && !tooFew);
}

int RunRestore(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    std::string path;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status =
            ResolveProgramFile(command, args, ctx, FileUse::SendLibrary, options, path);
        status != kExitOk)
        return status;
    auto bank = std::make_unique<ProgramBank>();
    std::string reason;
    const ProgramFileStatus loaded = LoadProgramLibrary(path, options.deviceType, *bank, &reason);
    if (loaded != ProgramFileStatus::Ok)
        return ProgramFileExit(loaded, path, reason, ctx);
    return WithConnectedUnit(
        options, ctx, ConnectReads{},
        [&](OnlineSession& session) {
            session.Bank() = *bank;
            session.Controller().WriteAllProgramsToDevice(*bank);
            if (const int status = session.FinishBatch({"program", kProgramMemoryCount});
                status != kExitOk)
                return status;
            ctx.out << "Wrote the " << kProgramMemoryCount << " programs of " << path << " to "
                    << UnitText(options) << '\n';
            return kExitOk;
        },
        FileUse::SendLibrary);
}

// ---- set-id ------------------------------------------------------------------------------------

int RunSetId(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (!args.value("--id"))
        return CliUsageError(command, "--id names the unit to change", ctx);
    const auto newId = ParseNumber(args.positional().front(), kFirstDeviceId, kLastDeviceId);
    if (!newId)
        return CliUsageError(command, "the new ID must be 1 to 250", ctx);
    if (*newId == options.deviceId)
        return CliUsageError(command, "the unit has ID " + std::to_string(*newId) + " already",
                             ctx);
    return WithConnectedUnit(options, ctx, ConnectReads{}, [&](OnlineSession& session) {
        UnitController& unit = session.Controller();
        // Probes the new ID first; a unit answering to it refuses the change (message shown).
        if (!unit.ChangeDeviceId(*newId))
            return CliFailure("The ID change could not be started", ctx);
        if (!session.WaitSettled())
            return session.FailureStatus();
        if (unit.DeviceId() != *newId)
            return kExitFailure;
        // The unit must answer under its new ID: one more meter reply proves it.
        const int replies = session.Owner().meterReplies;
        if (!session.Run([&] { return session.Owner().meterReplies > replies; }))
            return session.FailureStatus();
        ctx.out << "The " << DeviceModelOf(options.deviceType).label << " with ID "
                << options.deviceId << " now has ID " << *newId << '\n';
        return kExitOk;
    });
}

// ---- meters ------------------------------------------------------------------------------------

// The model's meters: index into a meter reply (inputs 0..3, outputs 4..11) and column heading.
struct MeterColumn {
    std::size_t index;
    std::string heading;
};

std::vector<MeterColumn> MeterColumns(const DeviceModel& model) {
    constexpr std::size_t kFirstOutputMeter = 4;
    std::vector<MeterColumn> columns;
    for (int i = 0; i < model.inputs; ++i)
        columns.push_back({static_cast<std::size_t>(i), std::string("In") + char('A' + i)});
    for (int o = 0; o < model.outputs; ++o)
        columns.push_back(
            {kFirstOutputMeter + static_cast<std::size_t>(o), std::string(model.OutputHeading(o))});
    return columns;
}

int RunMeters(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    UnitOptions options;
    int count = kDefaultMeterPolls;
    if (const int status = ParseUnitOptions(command, args, ctx, options); status != kExitOk)
        return status;
    if (const int status = ReadNumberOption(command, args, ctx, "--count", 1, kMaxMeterPolls,
                                            "--count must be a positive number", count);
        status != kExitOk)
        return status;
    const std::vector<MeterColumn> columns = MeterColumns(DeviceModelOf(options.deviceType));
    return WithConnectedUnit(options, ctx, ConnectReads{}, [&](OnlineSession& session) {
        int printed = 0;
        session.Owner().onMeters = [&](const MeterLevels& levels) {
            if (printed == count)
                return;
            if (printed == 0) {
                for (std::size_t c = 0; c < columns.size(); ++c)
                    ctx.out << (c == 0 ? "" : " ") << columns[c].heading;
                ctx.out << '\n';
            }
            // Each code right-aligned under its heading.
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const std::string code = std::to_string(levels[columns[c].index]);
                const std::size_t width = std::max(columns[c].heading.size(), code.size());
                ctx.out << (c == 0 ? "" : " ") << std::string(width - code.size(), ' ') << code;
            }
            ctx.out << '\n' << std::flush;
            ++printed;
        };
        return session.Run([&] { return printed == count; }) ? kExitOk : session.FailureStatus();
    });
}

#define TAVREL_RETRIES_OPTION(byDefault)                                                           \
    "  --retries  N (0..5): probe the IDs that stayed silent N more times, in passes after\n"      \
    "             the first; default " byDefault "\n"

const CliRegistrar kOnlineCommands{
    {"ports",
     "[--test-open]",
     "list the serial ports: name, USB or -, description",
     {},
     {"--test-open"},
     0,
     0,
     RunPorts,
     "One port per line, tab-separated: the name to pass to --port, \"USB\" for a USB adapter\n"
     "or \"-\", and a description. Running virtual units are listed after the real ports.\n"
     "Serial servers on the network are not discovered: give them to --port as\n"
     "rfc2217://HOST:PORT or tcp://HOST:PORT.\n"
     "  --test-open  leave out ports that cannot be opened now (held by another program)\n"},
    {"search",
     "--port P [--type T] [--ids FIRST-LAST] [--retries N]",
     "probe device IDs and list the units of the type that answer",
     {"--port", "--type", "--ids", "--retries"},
     {},
     0,
     0,
     RunSearch,
     "Probes one ID every 30 ms tick and gives each about 120 ms to answer, as the connect\n"
     "dialog does; the IDs of the units of the type that answered are printed one per line,\n"
     "in ascending order (none: a note on standard error). All 250 IDs take about 40 s.\n"
     "An answer damaged on the line is asked for again at once, up to two more times.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_TYPE_OPTION
     "  --ids      FIRST-LAST: probe only these IDs; default 1-250\n" TAVREL_RETRIES_OPTION("0")},
    {"read",
     "--port P [--id N] [--type T] [--slot S] [--tick-ms MS] FILE",
     "read program S of the unit (0 = live settings) into a single-setting file",
     WithUnitOptions({"--slot"}),
     {},
     1,
     1,
     RunRead,
     "Connects (probe with the type check, the program's name), reads the 12\n"
     "channel blocks of the program and writes them with the program's name to FILE. A FILE\n"
     "without the model's extension gets it (live -> live.dia48).\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_SLOT_OPTION
         TAVREL_TICK_OPTION},
    {"write",
     "--port P [--id N] [--type T] [--slot S] [--program N] [--tick-ms MS] FILE",
     "store a file's program as program S of the unit (0 = live settings)",
     WithUnitOptions({"--slot", "--program"}),
     {},
     1,
     1,
     RunWrite,
     "Sends the program name and the 12 channel blocks. Storing to the live settings mutes\n"
     "inputs A and B while the outputs are written, as the application does. Nothing is sent\n"
     "to a unit of another model than the file's.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_SLOT_OPTION
     "  --program  program N (1..30) when FILE is a program library\n" TAVREL_TICK_OPTION},
    {"backup",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "read the unit's 30 stored programs into a program library file",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunBackup,
     "A FILE without the model's extension gets it (hall -> hall.dat48).\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_TICK_OPTION},
    {"backup-all",
     "--port P [--type T] [--ids FIRST-LAST] [--retries N] [--expect N] [--tick-ms MS] DIR",
     "find the units of the type on the line and back each up into DIR/unit-ID.datNN",
     {"--port", "--type", "--ids", "--retries", "--expect", "--tick-ms"},
     {},
     1,
     1,
     RunBackupAll,
     "Searches the line as 'search' does and prints the IDs found, then reads the 30 stored\n"
     "programs of every unit found into DIR/unit-ID plus the model's library extension\n"
     "(unit-3.dat48), creating DIR when it does not exist. A line per unit says what was read;\n"
     "a unit that fails is reported and the others are still backed up, and the exit status\n"
     "is then 1.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_TYPE_OPTION
     "  --ids      FIRST-LAST: search only these IDs; default 1-250\n" TAVREL_RETRIES_OPTION(
         "1") "  --expect   N: the number of units on the line; fewer found is a failure (exit\n"
              "             status 1), after the units found are backed up\n" TAVREL_TICK_OPTION},
    {"restore",
     "--port P [--id N] [--type T] [--tick-ms MS] FILE",
     "write a program library file's 30 programs into the unit's memories",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunRestore,
     "Nothing is sent to a unit of another model than the file's.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_FILE_TYPE_OPTION TAVREL_TICK_OPTION},
    {"set-id",
     "--port P --id N [--type T] [--tick-ms MS] NEW",
     "give the unit with ID N the device ID NEW",
     WithUnitOptions({}),
     {},
     1,
     1,
     RunSetId,
     "First probes NEW on the line: when a unit answers to it, nothing is changed (two units\n"
     "with one ID could no longer be reached). Then tells the unit its new ID and checks that\n"
     "it answers under it.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_TYPE_OPTION TAVREL_TICK_OPTION},
    {"meters",
     "--port P [--id N] [--type T] [--count K] [--tick-ms MS]",
     "poll the level meters K times: one line of level codes per poll",
     WithUnitOptions({"--count"}),
     {},
     0,
     0,
     RunMeters,
     "A heading line names the model's channels (InA.., Out1..), then one line per meter\n"
     "reply with their codes. A code 0..8 is the number of lit segments (9: all); 16 + n\n"
     "lights n segments and the top segment.\n"
     "\n" TAVREL_PORT_OPTION TAVREL_ID_OPTION TAVREL_TYPE_OPTION
     "  --count    number of meter replies to print; default 10\n" TAVREL_TICK_OPTION},
};

#undef TAVREL_RETRIES_OPTION

} // namespace
