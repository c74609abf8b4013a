#include "model/EqualizerExport.h"

#include "model/OutputChannel.h"
#include "model/ParameterScales.h"
#include "model/UnitFilterDesign.h"

namespace {

using Shape = RequestedFilter::Shape;

RequestedFilter BandFilter(const Filter& band, int deviceType) {
    RequestedFilter filter;
    filter.hz = band.frequency();
    filter.gainDb = band.gain();
    if (band.type() == Filter::kPeq) {
        filter.shape = Shape::Peaking;
        filter.type = "PK";
        filter.q = BandwidthQ(deviceType, band.bandwidthIndex());
    } else {
        const bool high = band.type() == Filter::kHighShelf;
        filter.shape = high ? Shape::HighShelf : Shape::LowShelf;
        filter.shelfCorner = true;
        filter.slopeDb = band.slope() == Filter::kShelf6 ? 6.0 : 12.0;
        filter.type =
            std::string(high ? "HSC " : "LSC ") + (band.slope() == 0 ? "6" : "12") + " dB";
    }
    return filter;
}

void AddCrossover(const Filter& crossover, bool highPass, FilterText& text) {
    const BiquadCascade design = UnitFilterDesign::Crossover(highPass, crossover.frequency(),
                                                             crossover.kind(), crossover.slope());
    for (std::size_t k = 0; k < design.count; ++k) {
        const SectionCorner corner = design.CornerOf(k);
        RequestedFilter filter;
        filter.shape = highPass ? Shape::HighPass : Shape::LowPass;
        filter.order = corner.order;
        filter.hz = corner.hz;
        if (corner.order == 1) {
            filter.type = highPass ? "HP1" : "LP1";
        } else {
            filter.type = highPass ? "HPQ" : "LPQ";
            filter.q = corner.q;
        }
        text.filters.push_back(filter);
    }
}

bool IsBandType(int type) {
    return type == Filter::kPeq || type == Filter::kLowShelf || type == Filter::kHighShelf;
}

} // namespace

FilterText ExportEqualizer(const ProgramContainer& program, ChannelId channel) {
    const int deviceType = program.deviceType();
    const DeviceModel& model = DeviceModelOf(deviceType);
    const Channel& record = ChannelOf(program, channel);
    FilterText text;
    text.preampDb = ChannelGainDb(deviceType, record.gain()).value_or(0.0);
    const int bands = channel.output ? model.outputBands : model.inputBands;
    for (int b = 0; b < bands; ++b) {
        const Filter& band = record.filter(b);
        if (band.off() == 0 && IsBandType(band.type()))
            text.filters.push_back(BandFilter(band, deviceType));
    }
    if (channel.output) {
        const OutputChannel& output = program.output(channel.index);
        if (!HighPassIsOff(output.highPass().frequency()))
            AddCrossover(output.highPass(), true, text);
        if (!LowPassIsOff(output.lowPass().frequency()))
            AddCrossover(output.lowPass(), false, text);
    }
    return text;
}
