// The single-setting file reader on any bytes, for each device type: a read either fails and
// leaves the container as it was, or succeeds and the container writes back the very bytes read
// with one field alone normalised: a save writes each filter's frequency into its sent-frequency
// field (where one session's crossover stepping had got to), so that field, and nothing else, may
// change. No read raises a change flag (a file is not an edit to send).

#include "FuzzSupport.h"
#include "ProgramSamples.h"
#include "files/ProgramFile.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"

#include <algorithm>
#include <cstddef>

namespace {

// Whether every byte that differs lies in a 4-byte field written as a copy of the 4 bytes before
// it, which the file held as well: a filter record's sent frequency written as its frequency.
bool OnlySentFrequenciesDiffer(std::span<const std::uint8_t> read,
                               const std::vector<std::uint8_t>& written) {
    const auto normalised = [&](std::size_t field) {
        return field >= 4 && field + 4 <= written.size() &&
               std::equal(written.begin() + static_cast<std::ptrdiff_t>(field - 4),
                          written.begin() + static_cast<std::ptrdiff_t>(field),
                          read.begin() + static_cast<std::ptrdiff_t>(field - 4)) &&
               std::equal(written.begin() + static_cast<std::ptrdiff_t>(field),
                          written.begin() + static_cast<std::ptrdiff_t>(field + 4),
                          written.begin() + static_cast<std::ptrdiff_t>(field - 4));
    };
    if (read.size() != written.size())
        return false;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == read[i])
            continue;
        bool inField = false;
        for (std::size_t back = 0; back < 4 && back <= i && !inField; ++back)
            inField = normalised(i - back);
        if (!inField)
            return false;
    }
    return true;
}

} // namespace

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
            FUZZ_CHECK(OnlySentFrequenciesDiffer(bytes, written),
                       "a file is written back with only its sent frequencies normalised");
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
