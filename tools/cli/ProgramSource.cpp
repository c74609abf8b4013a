#include "ProgramSource.h"

#include <array>
#include <charconv>

namespace {

struct TypeName {
    std::string_view text;
    int deviceType;
};

constexpr std::array<TypeName, 3> kTypeNames{{{"4x8", 1}, {"3x6", 2}, {"2x4", 3}}};

bool IsSettingPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot != std::string_view::npos && name.substr(dot).starts_with(".dia");
}

} // namespace

std::optional<int> ParseDeviceType(std::string_view text) {
    for (const auto& name : kTypeNames) {
        if (name.text == text) {
            return name.deviceType;
        }
    }
    return std::nullopt;
}

std::optional<int> ResolveDeviceType(const CliArguments& args, const std::string& path) {
    if (const auto type = args.value("--type")) {
        return ParseDeviceType(*type);
    }
    const int fromPath = DeviceTypeFromPath(path);
    return fromPath != 0 ? fromPath : 1;
}

std::optional<int> ParseNumber(std::string_view text, int lo, int hi) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

bool LoadProgramSource(const std::string& path, int deviceType, ProgramSource& source) {
    std::vector<std::uint8_t> bytes;
    if (!ReadProgramFileBytes(path, bytes)) {
        return false;
    }
    source.deviceType = deviceType;
    source.library = IsLibraryPath(path) || (!IsSettingPath(path) && IsProgramLibraryData(bytes));
    if (source.library) {
        return DecodeProgramLibrary(bytes, deviceType, source.bank);
    }
    source.setting = std::make_unique<ProgramContainer>();
    source.setting->setDeviceType(deviceType);
    return DecodeProgramSetting(bytes, *source.setting);
}

std::unique_ptr<ProgramContainer> ContainerFromBank(const ProgramSource& source, int number) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(source.deviceType);
    data->loadProgramImage(source.bank[static_cast<std::size_t>(number - 1)]);
    return data;
}
