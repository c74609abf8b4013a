// convert: a program file of one model rewritten for another, by value.

#include "Cli.h"
#include "ProgramSource.h"

#include "files/ProgramFile.h"
#include "model/DeviceModel.h"
#include "model/ModelConversion.h"
#include "model/ProgramContainer.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

std::string Label(int deviceType) {
    return std::string(DeviceModelOf(deviceType).label);
}

// True when both names reach one file (also through a link or another spelling of the path).
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    const auto canonicalA = std::filesystem::weakly_canonical(a, error);
    const auto canonicalB = std::filesystem::weakly_canonical(b, error);
    return !error && canonicalA == canonicalB;
}

// The model of IN: its extension's, or --from's; the two must agree. Returns kExitOk or the usage
// error's status.
int SourceModel(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                const std::string& in, int& fromType) {
    fromType = DeviceTypeFromPath(in);
    if (const auto from = args.value("--from")) {
        const DeviceModel* given = FindDeviceModelByLabel(*from);
        if (given == nullptr)
            return CliUsageError(command, "--from must be 4x8, 3x6 or 2x4", ctx);
        if (fromType != 0 && fromType != given->deviceType)
            return CliUsageError(command,
                                 in + " is named for a " + Label(fromType) + ", but --from is " +
                                     Label(given->deviceType),
                                 ctx);
        fromType = given->deviceType;
    }
    if (fromType == 0)
        return CliUsageError(command,
                             in + " does not say which model it was made for: give --from "
                                  "4x8, 3x6 or 2x4",
                             ctx);
    return kExitOk;
}

int RunConvert(const CliCommand& command, const CliArguments& args, CliContext& ctx) {
    const std::string in = args.positional().at(0);
    std::string out = args.positional().at(1);
    if (!args.value("--type"))
        return CliUsageError(command, "--type names the model to convert to", ctx);
    int toType = kDeviceType4x8;
    if (const int status = ReadDeviceTypeOption(command, args, ctx, toType); status != kExitOk)
        return status;
    int fromType = 0;
    if (const int status = SourceModel(command, args, ctx, in, fromType); status != kExitOk)
        return status;

    // OUT is named for the model written, as the files 'read' and 'backup' write are.
    const int outNamed = DeviceTypeFromPath(out);
    if (outNamed != 0 && outNamed != toType)
        return CliUsageError(
            command,
            out + " is named for a " + Label(outNamed) + ", but --type is " + Label(toType), ctx);
    ProgramSource source;
    std::string reason;
    if (!LoadProgramSource(in, fromType, source, &reason))
        return ProgramFileExit(ProgramFileStatus::ReadError, in, reason, ctx);
    if (source.library ? IsSingleSettingPath(out) : IsLibraryPath(out)) {
        const DeviceModel& model = DeviceModelOf(toType);
        return CliUsageError(
            command,
            in + " is a " +
                (source.library
                     ? "program library; name OUT " + std::string(model.libraryExtension)
                     : "single setting; name OUT " + std::string(model.settingExtension)),
            ctx);
    }
    out = source.library ? LibrarySavePath(out, toType) : SingleSettingSavePath(out, toType);
    if (SameFile(in, out))
        return CliUsageError(command,
                             out + " is the file being converted: name a new file, so the " +
                                 Label(fromType) + " program is kept",
                             ctx);

    ModelConversion conversion(fromType, toType);
    ProgramFileStatus status = ProgramFileStatus::Ok;
    if (source.library) {
        for (std::size_t i = 0; i < source.bank.size(); ++i)
            conversion.Convert(source.bank[i], static_cast<int>(i) + 1);
        status = SaveProgramLibrary(out, source.bank, &reason);
    } else {
        auto converted = std::make_unique<ProgramContainer>();
        converted->setDeviceType(toType);
        conversion.Convert(*source.setting, *converted);
        status = SaveProgramSetting(out, *converted, &reason);
    }
    if (status != ProgramFileStatus::Ok)
        return ProgramFileExit(status, out, reason, ctx);
    for (const LimitedValue& value : conversion.Limited())
        ctx.out << value.Text() << '\n';
    const std::size_t limited = conversion.Limited().size();
    ctx.out << "Wrote " << out << ": " << (source.library ? "the library" : "the program")
            << " of the " << Label(fromType) << " for the " << Label(toType) << ", "
            << (limited == 0
                    ? std::string("no value limited")
                    : std::to_string(limited) + (limited == 1 ? " value" : " values") + " limited")
            << ".\n";
    return kExitOk;
}

const CliRegistrar kConvertCommand{
    {
        "convert",
        "--type 4x8|3x6|2x4 [--from 4x8|3x6|2x4] IN OUT",
        "rewrite a program file of one model for another, keeping its sound",
        {"--type", "--from"},
        {},
        2,
        2,
        RunConvert,
        "Gains keep their dB, delays their time and equaliser bandwidths their octaves on the\n"
        "scales of the --type model; a value beyond its ranges is limited to them and printed\n"
        "as one line ('Output 1 gain +20.0 dB becomes +15.0 dB', 'Program 4: ...' in a\n"
        "library). IN is a single setting or a library; OUT is the same kind, given the\n"
        "model's extension when its name has none (a bare .dat gets the model digits). OUT is\n"
        "written whole or not at all, and never over IN.\n"
        "  --type     the model OUT is for\n"
        "  --from     the model IN was made for, when its name does not say it\n",
    },
};

} // namespace
