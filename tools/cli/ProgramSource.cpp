#include "ProgramSource.h"

#include "model/DeviceModel.h"

bool LoadProgramSource(const std::string& path, int deviceType, ProgramSource& source,
                       std::string* reason) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProgramFileBytes(path, bytes, reason)) {
        return false;
    }
    source.deviceType = deviceType;
    source.library =
        IsLibraryPath(path) || (!IsSingleSettingPath(path) && IsProgramLibraryData(bytes));
    if (source.library) {
        return DecodeProgramLibrary(bytes, deviceType, source.bank, reason);
    }
    source.setting = std::make_unique<ProgramContainer>();
    source.setting->setDeviceType(deviceType);
    return DecodeProgramSetting(bytes, *source.setting, reason);
}

std::unique_ptr<ProgramContainer> ContainerFromBank(const ProgramSource& source, int number) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(source.deviceType);
    data->loadProgramImage(source.bank[static_cast<std::size_t>(number - 1)]);
    return data;
}

std::unique_ptr<ProgramContainer> TakeProgram(ProgramSource& source, int number) {
    return source.library ? ContainerFromBank(source, number) : std::move(source.setting);
}

ProgramFileStatus SaveTakenProgram(ProgramSource& source, const std::string& path,
                                   const ProgramContainer& program, std::string* reason) {
    if (!source.library)
        return SaveProgramSetting(path, program, reason);
    program.fillProgramImage(source.bank[static_cast<std::size_t>(source.program - 1)]);
    return SaveProgramLibrary(path, source.bank, reason);
}

int OpenProgramFile(const CliCommand& command, const CliArguments& args, CliContext& ctx,
                    ProgramSource& source) {
    const std::string& path = args.positional().front();
    const int typeFromPath = DeviceTypeFromPath(path);
    int type = typeFromPath != 0 ? typeFromPath : kDeviceType4x8;
    if (const int status = ReadDeviceTypeOption(command, args, ctx, type); status != kExitOk) {
        return status;
    }
    std::string reason;
    if (!LoadProgramSource(path, type, source, &reason)) {
        return ProgramFileExit(ProgramFileStatus::ReadError, path, reason, ctx);
    }
    if (args.value("--program") && !source.library) {
        return CliUsageError(command, "--program needs a program library file", ctx);
    }
    return ReadNumberOption(command, args, ctx, "--program", 1, kProgramMemoryCount,
                            "--program must be 1 to 30", source.program);
}

int ProgramFileExit(ProgramFileStatus status, std::string_view path, std::string_view reason,
                    CliContext& ctx) {
    if (status == ProgramFileStatus::Ok)
        return kExitOk;
    std::string text = "tavrel-cli: " + std::string(ProgramFileMessage(status)) + ": ";
    text += path;
    if (!reason.empty())
        text += ": " + std::string(reason);
    return CliFailure(text, ctx);
}
