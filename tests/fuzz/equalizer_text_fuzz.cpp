// The filter text and measurement readers on any bytes, and what an import does with a text that
// reads. A filter text either fails and leaves the text it was to fill as it was, or reads, and
// then its plan on an input and an output of every model holds only values those channels hold,
// with finite curves and difference, and applying it leaves the channel within its ranges. A
// measurement either fails and changes nothing, or holds two or more points with rising positive
// frequencies and finite values, and its prediction through a channel stays finite.

#include "FuzzSupport.h"
#include "files/FilterTextFile.h"
#include "files/MeasurementFile.h"
#include "model/ChannelResponse.h"
#include "model/EqualizerImport.h"
#include "model/OutputChannel.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

namespace {

bool AllFinite(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void CheckImport(const FilterText& text) {
    for (const DeviceModel& model : kDeviceModels) {
        for (const ChannelId channel : {ChannelId{false, 0}, ChannelId{true, 0}}) {
            ProgramContainer program;
            program.setDeviceType(model.deviceType);
            const EqualizerImportPlan plan =
                PlanEqualizerImport(text, program, channel, {.preamp = true});
            FUZZ_CHECK(std::isfinite(plan.largestDifferenceDb), "the difference is finite");
            FUZZ_CHECK(std::all_of(plan.requestedDb.begin(), plan.requestedDb.end(),
                                   [](double v) { return std::isfinite(v); }) &&
                           std::all_of(plan.achievableDb.begin(), plan.achievableDb.end(),
                                       [](double v) { return std::isfinite(v); }),
                       "the curves are finite");
            const int bands = channel.output ? model.outputBands : model.inputBands;
            FUZZ_CHECK(static_cast<int>(plan.bands.size()) <= bands, "no more bands than held");
            FUZZ_CHECK(plan.CanApply() || (plan.bands.empty() && !plan.gainIndex),
                       "a plan that takes no filter sets nothing");
            ApplyEqualizerImport(plan, program);
            const Channel& held = ChannelOf(program, channel);
            for (int b = 0; b < bands; ++b) {
                const Filter& band = held.filter(b);
                FUZZ_CHECK(band.frequency() >= kMinFrequencyHz &&
                               band.frequency() <= kMaxFrequencyHz,
                           "a band's frequency is one the unit holds");
                FUZZ_CHECK(band.gainIndex() >= 0 && band.gainIndex() <= kEqGainMaxIndex,
                           "a band's gain is one the unit holds");
            }
            if (channel.output) {
                const OutputChannel& out = program.output(0);
                FUZZ_CHECK(out.highPass().frequency() <= out.lowPass().frequency(),
                           "the high-pass stays below the low-pass");
            }
        }
    }
}

void CheckMeasurement(const MeasuredResponse& m) {
    FUZZ_CHECK(m.hz.size() >= 2 && m.levelDb.size() == m.hz.size() &&
                   (m.phaseDeg.empty() || m.phaseDeg.size() == m.hz.size()),
               "a measurement has two points or more, each complete");
    FUZZ_CHECK(m.hz.front() > 0 && std::adjacent_find(m.hz.begin(), m.hz.end(),
                                                      std::greater_equal<double>()) == m.hz.end(),
               "the frequencies are positive and rise");
    FUZZ_CHECK(AllFinite(m.hz) && AllFinite(m.levelDb) && AllFinite(m.phaseDeg),
               "every value is finite");
    ProgramContainer program;
    program.output(0).highPass().setFrequency(100);
    const ResponseCurves predicted = PredictedResponse(m, ChannelTransfer(program, {true, 0}));
    FUZZ_CHECK(AllFinite(predicted.levelDb) && AllFinite(predicted.phaseDeg),
               "the prediction is finite");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::string error;

    FuzzContext() = "reading a filter text ";
    FilterText text;
    text.preampLine = -1; // a failed read leaves it
    if (ParseFilterText(content, "fuzz.txt", text, error))
        CheckImport(text);
    else
        FUZZ_CHECK(text.preampLine == -1 && text.filters.empty() && !error.empty(),
                   "a failed read changes nothing and says why");

    FuzzContext() = "reading a measurement ";
    MeasuredResponse measurement;
    measurement.name = "kept";
    if (ParseMeasurement(content, "fuzz.txt", measurement, error))
        CheckMeasurement(measurement);
    else
        FUZZ_CHECK(measurement.name == "kept" && measurement.hz.empty() && !error.empty(),
                   "a failed read changes nothing and says why");
    return 0;
}
