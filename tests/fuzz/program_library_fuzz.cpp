// The program library reader on any bytes, for each device type: a read either fails and leaves
// the bank as it was, or succeeds and the bank writes back exactly the bytes that were read; a
// library that reads is also recognised as one.

#include "FuzzSupport.h"
#include "ProgramSamples.h"
#include "files/ProgramFile.h"
#include "model/DeviceModel.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ProgramBank start;
    for (std::size_t i = 0; i < start.size(); ++i) {
        start[i] = SampleImage();
        start[i].name = "Memory " + std::to_string(i + 1);
    }
    for (const DeviceModel& model : kDeviceModels) {
        const std::string context = "reading as a " + std::string(model.label) + " ";
        FuzzContext() = context.c_str();
        ProgramBank bank = start;
        const bool read = DecodeProgramLibrary(bytes, model.deviceType, bank);
        if (read) {
            FUZZ_CHECK(EncodeProgramLibrary(bank) ==
                           std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                       "a library that reads writes back the same bytes");
            FUZZ_CHECK(IsProgramLibraryData(bytes), "a library that reads is recognised");
        } else {
            FUZZ_CHECK(bank == start, "a failed read changes nothing");
        }
    }
    return 0;
}
