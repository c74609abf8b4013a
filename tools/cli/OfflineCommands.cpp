// Commands that work on program files alone, without a unit: dump, response, frames.

#include "Cli.h"
#include "PdfExport.h"
#include "ProgramSource.h"

#include "model/ChannelResponse.h"
#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/ParameterTable.h"
#include "model/PrintableText.h"
#include "protocol/RequestFrames.h"
#include "protocol/RequestSequences.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// More frames than any program can leave pending (12 channels, every group and crossover steps);
// the scan always ends with the meter poll, this only guards against a record that never settles.
constexpr int kMaxPendingFrames = 4096;

std::string HexLine(const std::vector<std::uint8_t>& bytes) {
    std::string line;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i > 0) {
            line += ' ';
        }
        line += hex;
    }
    return line;
}

// ---- dump ----

void PrintTable(const ProgramContainer& data, int deviceType, bool csv, CliContext& ctx) {
    const ParameterTable table(data, deviceType);
    ctx.out << (csv ? FormatParameterTableCsv(table) : FormatParameterTableText(table));
}

// The printed pages of the program, or of every program of a library, as one PDF file.
int WriteDumpPdf(const ProgramSource& source, const std::string& path, CliContext& ctx) {
    const int first = source.program != 0 ? source.program : 1;
    const int count = !source.library ? 1 : source.program != 0 ? 1 : kProgramMemoryCount;
    std::unique_ptr<ProgramContainer> current; // a library's program being printed
    const auto program = [&](int index) -> const ProgramContainer& {
        if (!source.library)
            return *source.setting;
        current = ContainerFromBank(source, first + index);
        return *current;
    };
    std::string error;
    if (!CheckSaveTarget(path, &error) ||
        !WriteParameterTablesPdf(count, program, source.deviceType, path, error)) {
        return CliFailure("cannot write " + path + ": " + error, ctx);
    }
    return kExitOk;
}

int RunDump(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    const bool csv = args.flag("--csv");
    const auto pdf = args.value("--pdf");
    if (csv && pdf) {
        return CliUsageError(command, "--csv and --pdf cannot be used together", ctx);
    }
    ProgramSource source;
    if (const int status = OpenProgramFile(command, args, ctx, source); status != kExitOk) {
        return status;
    }
    if (pdf) {
        return WriteDumpPdf(source, *pdf, ctx);
    }
    if (!source.library) {
        PrintTable(*source.setting, source.deviceType, csv, ctx);
        return kExitOk;
    }
    // Every program of the library, or the one chosen.
    const char* eol = csv ? "\r\n" : "\n";
    const int first = source.program != 0 ? source.program : 1;
    const int last = source.program != 0 ? source.program : kProgramMemoryCount;
    for (int n = first; n <= last; ++n) {
        const auto data = ContainerFromBank(source, n);
        if (n != first && !csv) {
            ctx.out << '\n';
        }
        ctx.out << "# Program " << n << ": " << PrintableText(data->programName()) << eol;
        PrintTable(*data, source.deviceType, csv, ctx);
    }
    return kExitOk;
}

// ---- response ----

struct ChannelColumn {
    bool output;
    int index;
    std::string label;
};

// The model's channels, labelled as the parameter table heads them ("Input A", "Out1").
std::vector<ChannelColumn> ModelChannels(const DeviceModel& model) {
    std::vector<ChannelColumn> channels;
    for (int i = 0; i < model.inputs; ++i) {
        channels.push_back({false, i, std::string(model.InputLabel(i))});
    }
    for (int o = 0; o < model.outputs; ++o) {
        channels.push_back({true, o, std::string(model.OutputHeading(o))});
    }
    return channels;
}

// "A".."D" name inputs, "1".."8" outputs (letters in either case); only channels of the model.
std::optional<ChannelColumn> ParseChannel(std::string_view text,
                                          const std::vector<ChannelColumn>& channels) {
    if (text.size() != 1) {
        return std::nullopt;
    }
    const char c = text[0];
    ChannelColumn wanted{};
    if (c >= 'A' && c <= 'H') {
        wanted = {false, c - 'A', ""};
    } else if (c >= 'a' && c <= 'h') {
        wanted = {false, c - 'a', ""};
    } else if (c >= '1' && c <= '9') {
        wanted = {true, c - '1', ""};
    } else {
        return std::nullopt;
    }
    for (const ChannelColumn& channel : channels) {
        if (channel.output == wanted.output && channel.index == wanted.index) {
            return channel;
        }
    }
    return std::nullopt;
}

// The channel's level in dB at every grid point as its curve is drawn: the summed responses of
// its equaliser bands (inputs) or of all its filters (outputs), plus the channel gain.
template <typename Record>
std::vector<double> ChannelResponse(const Record& record, int filterCount, int deviceType) {
    std::vector<double> levels(kGridPoints, ChannelGainDb(deviceType, record.gain()).value_or(0.0));
    for (int f = 0; f < filterCount; ++f) {
        const auto& response = record.filter(f).response();
        for (int i = 0; i < kGridPoints; ++i) {
            levels[static_cast<std::size_t>(i)] += response[static_cast<std::size_t>(i)];
        }
    }
    return levels;
}

std::vector<double> ChannelLevels(const ProgramContainer& data, const ChannelColumn& channel,
                                  int type) {
    if (channel.output) {
        const OutputChannel& out = data.output(channel.index);
        return ChannelResponse(out, out.filterCount(), type);
    }
    // An input's crossover pair is not part of its curve: bands only.
    return ChannelResponse(data.input(channel.index), InputChannel::kBandCount, type);
}

int RunResponse(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    ProgramSource source;
    if (const int status = OpenProgramFile(command, args, ctx, source); status != kExitOk) {
        return status;
    }
    const auto program = TakeProgram(source, source.program != 0 ? source.program : 1);
    const ProgramContainer& data = *program;
    const std::vector<ChannelColumn> all = ModelChannels(DeviceModelOf(source.deviceType));

    const bool phase = args.flag("--phase");
    const bool groupDelay = args.flag("--group-delay");
    std::vector<ChannelColumn> chosen = all;
    if (const auto text = args.value("--channel")) {
        const auto channel = ParseChannel(*text, all);
        if (!channel) {
            return CliUsageError(command, "--channel must name a channel of the model", ctx);
        }
        chosen = {*channel};
    } else {
        ctx.out << "Hz";
        for (const ChannelColumn& channel : all) {
            ctx.out << '\t' << channel.label;
            if (phase) {
                ctx.out << '\t' << channel.label << " phase";
            }
            if (groupDelay) {
                ctx.out << '\t' << channel.label << " group delay";
            }
        }
        ctx.out << '\n';
    }
    const auto& grid = FrequencyGrid();
    std::vector<std::vector<double>> columns;
    for (const ChannelColumn& channel : chosen) {
        columns.push_back(ChannelLevels(data, channel, source.deviceType));
        if (phase || groupDelay) {
            const ResponseCurves curves = ChannelCurves(
                ChannelTransfer(data, ChannelId{channel.output, channel.index}), grid);
            if (phase) {
                columns.push_back(curves.phaseDeg);
            }
            if (groupDelay) {
                columns.push_back(curves.groupDelayMs);
            }
        }
    }
    char text[64];
    for (int i = 0; i < kGridPoints; ++i) {
        std::snprintf(text, sizeof text, "%.1f", grid[static_cast<std::size_t>(i)]);
        ctx.out << text;
        for (const auto& column : columns) {
            std::snprintf(text, sizeof text, "\t%.3f", column[static_cast<std::size_t>(i)]);
            ctx.out << text;
        }
        ctx.out << '\n';
    }
    return kExitOk;
}

// ---- frames ----

int RunFrames(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    ProgramSource source;
    int id = kFirstDeviceId;
    int slot = 0;
    if (const int status = OpenProgramFile(command, args, ctx, source); status != kExitOk) {
        return status;
    }
    if (const int status = ReadDeviceIdOption(command, args, ctx, id); status != kExitOk) {
        return status;
    }
    if (const int status = ReadNumberOption(command, args, ctx, "--slot", 0, kLastProgramSlot,
                                            "--slot must be 0 to 30", slot);
        status != kExitOk) {
        return status;
    }

    if (source.library && source.program == 0) {
        // The whole bank goes to memories 1..30, as after reading a library file.
        if (args.value("--slot")) {
            return CliUsageError(command, "--slot needs --program with a library file", ctx);
        }
        for (const Request& frame : WriteAllProgramsToDevice(source.deviceType, id, source.bank)) {
            ctx.out << HexLine(frame.bytes) << '\n';
        }
        return kExitOk;
    }

    const auto program = TakeProgram(source, source.program);
    ProgramContainer& data = *program;
    data.setDeviceId(id);
    // As on a connected unit: the flags were cleared when the connection was made.
    data.clearChangeFlags();
    for (const Request& frame : StoreProgramToDevice(data, slot)) {
        ctx.out << HexLine(frame.bytes) << '\n';
    }
    const std::vector<std::uint8_t> meterPoll = RequestFrames(data).meterPollFrame().bytes;
    for (int n = 0; n < kMaxPendingFrames; ++n) {
        const Request frame = NextPendingRequest(data);
        if (frame.bytes == meterPoll) {
            return kExitOk;
        }
        ctx.out << HexLine(frame.bytes) << '\n';
    }
    return CliFailure("pending changes did not settle", ctx);
}

const CliRegistrar kOfflineCommands{
    {
        "dump",
        "[--type 4x8|3x6|2x4] [--csv | --pdf OUT.pdf] [--program N] FILE",
        "print every parameter of a program file as a table (--program: one of a library's 30)",
        {"--type", "--program", "--pdf"},
        {"--csv"},
        1,
        1,
        RunDump,
        "A single-setting file (.dia48, .dia36, .dia24) prints one table; a library file\n"
        "(.dat48, .dat36, .dat24) prints the table of each of its 30 programs after a line\n"
        "'# Program N: NAME'. Other names are told apart by their contents.\n"
        "  --csv      RFC 4180 CSV, heading row first, instead of aligned text\n"
        "  --pdf      write the table's printed pages (A4, as the application prints them) to\n"
        "             OUT.pdf instead; a library gives each program's pages in turn\n"
        "  --program  only program N (1..30) of a library\n",
    },
    {
        "response",
        "[--type 4x8|3x6|2x4] [--channel A..D|1..8] [--phase] [--group-delay] [--program N] "
        "FILE",
        "print each channel's response in dB at the 241 grid frequencies",
        {"--type", "--channel", "--program"},
        {"--phase", "--group-delay"},
        1,
        1,
        RunResponse,
        "One line per grid frequency: the frequency in Hz and, tab-separated, the level in dB as\n"
        "the channel's curve is drawn (inputs: equaliser bands; outputs: all filters) plus the\n"
        "channel gain. Without --channel every channel of the model, after a heading line.\n"
        "  --channel      A..D for an input, 1..8 for an output\n"
        "  --phase        after each level, the phase in degrees (-180 to 180) of the channel's\n"
        "                 filters as the unit runs them (96 kHz biquads), delay and polarity\n"
        "  --group-delay  after each level (and phase), the group delay in ms of the same\n"
        "  --program      program N (1..30) of a library; default 1\n",
    },
    {
        "frames",
        "[--type 4x8|3x6|2x4] [--id N] [--slot S] [--program N] FILE",
        "print the frames storing the file's program to slot S (0 = live) queues, in hex",
        {"--type", "--id", "--slot", "--program"},
        {},
        1,
        1,
        RunFrames,
        "One frame per line as hex bytes. Storing to the live settings (slot 0) is followed by\n"
        "the frames the pending-change scan then sends, as on a connected unit. A library\n"
        "without --program gives the frames that send all 30 programs to memories 1..30.\n"
        "  --id       device ID 1..250 in every frame header; default 1\n"
        "  --slot     0 = live settings (default), 1..30 = a program memory\n"
        "  --program  program N (1..30) of a library\n",
    },
};

} // namespace
