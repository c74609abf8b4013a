#include "SimOptions.h"

#include "model/DeviceModel.h"

#include <algorithm>
#include <charconv>

namespace {

std::optional<int> ParseInt(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// A device type by its label ("3x6") or its number ("2").
std::optional<int> ParseDeviceType(std::string_view text) {
    for (const DeviceModel& model : kDeviceModels) {
        if (text == model.label || text == std::to_string(model.deviceType))
            return model.deviceType;
    }
    return std::nullopt;
}

// Options that take a count: each names the field it sets.
struct CountOption {
    std::string_view name;
    int SimLineOptions::*field;
};
constexpr CountOption kCountOptions[] = {
    {"--drop-every", &SimLineOptions::dropEvery},
    {"--corrupt-every", &SimLineOptions::corruptEvery},
    {"--hangup-after", &SimLineOptions::hangupAfter},
    {"--silent-after", &SimLineOptions::silentAfter},
    {"--garbage-every", &SimLineOptions::garbageEvery},
    {"--repeat-late-every", &SimLineOptions::repeatLateEvery},
    {"--ack-instead-every", &SimLineOptions::ackInsteadEvery},
    {"--other-channel-every", &SimLineOptions::otherChannelEvery},
    {"--other-slot-every", &SimLineOptions::otherSlotEvery},
    {"--short-block-every", &SimLineOptions::shortBlockEvery},
    {"--false-start-every", &SimLineOptions::falseStartEvery},
};

struct FlagOption {
    std::string_view name;
    bool SimLineOptions::*field;
};
constexpr FlagOption kFlagOptions[] = {
    {"--baud-timing", &SimLineOptions::baudTiming},
    {"--silent", &SimLineOptions::silent},
    {"--split", &SimLineOptions::split},
};

} // namespace

std::optional<SimUnitSpec> ParseUnitSpec(std::string_view text) {
    const std::size_t colon = text.find(':');
    const auto id = ParseInt(text.substr(0, colon), kFirstDeviceId, kLastDeviceId);
    if (!id)
        return std::nullopt;
    SimUnitSpec unit{*id, 1};
    if (colon == std::string_view::npos)
        return unit;
    const auto type = ParseDeviceType(text.substr(colon + 1));
    if (!type)
        return std::nullopt;
    unit.deviceType = *type;
    return unit;
}

bool ParseSimArguments(std::span<const std::string_view> args, SimProgramOptions* options,
                       std::string* error) {
    SimProgramOptions result;
    result.line.units.clear();
    auto fail = [&](std::string message) {
        if (error)
            *error = std::move(message);
        return false;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            continue;
        }
        if (arg == "--version") {
            result.version = true;
            continue;
        }
        const auto flag = std::find_if(std::begin(kFlagOptions), std::end(kFlagOptions),
                                       [&](const FlagOption& f) { return f.name == arg; });
        if (flag != std::end(kFlagOptions)) {
            result.line.*(flag->field) = true;
            continue;
        }
        // Every other option takes one value.
        const bool known = arg == "--unit" || arg == "--name" || arg == "--link" ||
                           std::any_of(std::begin(kCountOptions), std::end(kCountOptions),
                                       [&](const CountOption& c) { return c.name == arg; });
        if (!known)
            return fail("unknown option: " + std::string(arg));
        if (i + 1 >= args.size())
            return fail(std::string(arg) + " needs a value");
        const std::string_view value = args[++i];
        if (arg == "--unit") {
            const auto unit = ParseUnitSpec(value);
            if (!unit)
                return fail("--unit wants ID[:TYPE] with ID 1..250 and TYPE 4x8, 3x6 or 2x4: " +
                            std::string(value));
            const bool taken =
                std::any_of(result.line.units.begin(), result.line.units.end(),
                            [&](const SimUnitSpec& u) { return u.deviceId == unit->deviceId; });
            if (taken)
                return fail("two units with device ID " + std::to_string(unit->deviceId));
            result.line.units.push_back(*unit);
        } else if (arg == "--name") {
            if (value.empty() || value.find('/') != std::string_view::npos || value == "." ||
                value == "..")
                return fail("--name wants a plain file name: " + std::string(value));
            result.line.linkName = std::string(value);
            result.nameGiven = true;
        } else if (arg == "--link") {
            if (value.empty())
                return fail("--link wants a path");
            result.line.extraLinks.emplace_back(value);
        } else {
            const auto count = ParseInt(value, 1, 1000000);
            if (!count)
                return fail(std::string(arg) +
                            " wants a whole number of at least 1: " + std::string(value));
            const auto option = std::find_if(std::begin(kCountOptions), std::end(kCountOptions),
                                             [&](const CountOption& c) { return c.name == arg; });
            result.line.*(option->field) = *count;
        }
    }
    if (result.line.units.empty())
        result.line.units.push_back(SimUnitSpec{1, 1});
    *options = std::move(result);
    return true;
}

std::string SimUsage() {
    return R"(Usage: tavrel-unit-sim [options]

A virtual loudspeaker processor on a pseudo-terminal. Prints the device path of the line on
standard output, publishes it as a link in the virtual-unit directory and answers requests
until it receives SIGINT or SIGTERM, then removes its links.

Options:
  --unit ID[:TYPE]     a unit on the line: ID 1..250, TYPE 4x8 (default), 3x6 or 2x4.
                       Repeat for several units; each answers only its own ID.
                       Without --unit: one unit 1:4x8.
  --name NAME          name of the link in the virtual-unit directory (default vu-<pid>)
  --link PATH          also link the device at PATH (repeatable)
  --baud-timing        pace replies like a 9600-baud line (about 1.04 ms per byte)
  --silent             take requests in but answer nothing
  --drop-every N       leave every Nth reply unsent
  --corrupt-every N    send every Nth reply with a wrong checksum
  --split              write replies one byte per write
  --hangup-after N     close the line after the Nth request (the PC sees a hang-up) and exit
  --silent-after N     answer the first N requests, then nothing
  --garbage-every N    put a burst of line noise before every Nth reply
  --false-start-every N  put ten noise bytes that look like the start of a long frame
                       (0xFF 0xB1 ... length 0x80) before every Nth reply
  --repeat-late-every N  send every Nth reply a second time, just before the next reply
  --ack-instead-every N  answer every Nth read with an acknowledgement instead of its data
  --other-channel-every N  name the next channel in every Nth channel block sent
  --other-slot-every N   name the next program slot in every Nth channel block sent
  --short-block-every N  send every Nth channel block one payload byte short
  -h, --help           show this text
      --version        show the version

Each unit starts with the settings of a new program on the PC: every channel on at 0 dB,
no delay, flat bands, open crossovers, gate at 0 dBu, limiter at +10 dBu, outputs fed by
input A. The live program is named "Default", memories 1..30 "Prog01".."Prog30".
Writes are acknowledged with 0x51 (channel settings) or 0x52 (unit-wide settings); reads
get a data reply 0x53. Requests with a bad checksum, unknown codes or out-of-range
channels, slots or lengths get no answer.
)";
}
