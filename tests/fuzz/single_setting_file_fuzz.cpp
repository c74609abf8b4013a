// The single-setting file reader on any bytes, for each device type: a read either fails and
// leaves the container as it was, or succeeds and the container writes back exactly the bytes
// that were read. No read raises a change flag (a file is not an edit to send).

#include "FuzzSupport.h"
#include "ProgramSamples.h"
#include "files/ProgramFile.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const DeviceModel& model : kDeviceModels) {
        const std::string context = "reading as a " + std::string(model.label) + " ";
        FuzzContext() = context.c_str();
        ProgramContainer container;
        container.setDeviceType(model.deviceType);
        container.loadProgramImage(SampleImage());
        SettleChangeFlags(container);
        const std::vector<std::uint8_t> before = EncodeProgramSetting(container);

        const bool read = DecodeProgramSetting(bytes, container);
        FUZZ_CHECK(!AnyChangeFlagRaised(container), "a file read raises no change flag");
        if (read)
            FUZZ_CHECK(EncodeProgramSetting(container) ==
                           std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                       "a file that reads writes back the same bytes");
        else
            FUZZ_CHECK(EncodeProgramSetting(container) == before, "a failed read changes nothing");
    }
    return 0;
}
