// The single-setting file reader on any bytes, for each device type: a read either fails and
// leaves the container as it was, or succeeds and the container writes back a file of the same
// length that reads again into the very same bytes. (A save writes each filter's settled
// frequency into the sent-frequency field, so an older file whose field held the crossover
// stepping's position writes back with that field changed; nothing else may change.) No read
// raises a change flag (a file is not an edit to send).

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
        if (read) {
            const std::vector<std::uint8_t> written = EncodeProgramSetting(container);
            FUZZ_CHECK(written.size() == bytes.size(), "a file that reads writes back its length");
            ProgramContainer again;
            again.setDeviceType(model.deviceType);
            FUZZ_CHECK(DecodeProgramSetting(written, again) &&
                           EncodeProgramSetting(again) == written,
                       "a file that reads writes back bytes that read back unchanged");
        } else
            FUZZ_CHECK(EncodeProgramSetting(container) == before, "a failed read changes nothing");
    }
    return 0;
}
