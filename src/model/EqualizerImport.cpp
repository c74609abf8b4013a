#include "model/EqualizerImport.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>

#include "model/ChannelEditRules.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ParameterScales.h"
#include "model/UnitFilterDesign.h"

namespace {

using Shape = RequestedFilter::Shape;
using ChannelEditRules::Crossover;
using ChannelEditRules::Edit;

// No digital filter of the unit reaches half its sample rate.
constexpr double kNyquistHz = UnitFilterDesign::kSampleRate / 2.0;
// Channel gains of every model run from -40 dB (4x8) to +20 dB (3x6 and 2x4).
constexpr double kLowestChannelGainDb = -40.0;
constexpr double kHighestChannelGainDb = 20.0;
// A crossover of the unit stands for a text's high-pass or low-pass only when its response comes
// this close to it between 20 Hz and 20 kHz: otherwise it is another kind of filter.
constexpr double kCrossoverMatchDb = 3.0;
// Crossovers whose largest differences lie this close are taken as the same shape.
constexpr double kSameShapeDb = 0.05;

std::string Number(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Decibels(double db) {
    return Number("%.1f", db) + " dB";
}

// ---- What any unit holds
// -------------------------------------------------------------------------

bool HoldsFrequency(double hz) {
    const long rounded = std::lround(hz);
    return rounded >= kMinFrequencyHz && rounded <= kMaxFrequencyHz;
}

// The band gain index of a gain, unlimited.
long GainSteps(double db) {
    return static_cast<long>(std::trunc((db + 30.0) * 10.0 + 0.5));
}

// Bandwidth index on the finest scale (0.01 octave steps from 0.05), unlimited.
long FineBandwidthSteps(double octaves) {
    return std::lround((octaves - 0.05) / DeviceModelOf(kDeviceType4x8).bandwidthStep);
}

double PeakingOctaves(const RequestedFilter& filter) {
    return filter.octaves ? *filter.octaves : BandwidthOfQ(filter.PeakingQ());
}

// The unit's frequency of a shelf: its corner, which the text gives either directly (LSC, HSC)
// or through its midpoint (LS, HS).
double ShelfCornerHz(const RequestedFilter& filter, int slope) {
    if (filter.shelfCorner)
        return filter.hz;
    return filter.hz /
           UnitFilterDesign::ShelfMidpointFactor(filter.shape == Shape::HighShelf, slope).value();
}

int ShelfSlopeOf(const RequestedFilter& filter) {
    return filter.slopeDb ? (*filter.slopeDb == 6.0 ? Filter::kShelf6 : Filter::kShelf12)
                          : filter.NearestShelfSlope();
}

bool IsUnitShelfSlope(const RequestedFilter& filter) {
    return !filter.slopeDb || *filter.slopeDb == 6.0 || *filter.slopeDb == 12.0;
}

// ---- Crossovers
// ----------------------------------------------------------------------------------

// The frequencies a crossover is fitted at, 20 Hz to 20 kHz every 1/12 octave, as the cosine and
// sine of their angle at the unit's sample rate.
struct FitAngles {
    std::vector<double> hz;
    std::vector<double> cosW;
    std::vector<double> sinW;
};

const FitAngles& FitFrequencies() {
    static const FitAngles angles = [] {
        FitAngles a;
        for (double hz = 20.0; hz <= 20000.0 * 1.0001; hz *= std::pow(2.0, 1.0 / 12.0)) {
            a.hz.push_back(hz);
            a.cosW.push_back(std::cos(hz * UnitFilterDesign::kRadiansPerHz));
            a.sinW.push_back(std::sin(hz * UnitFilterDesign::kRadiansPerHz));
        }
        return a;
    }();
    return angles;
}

struct CrossoverFit {
    ImportedCrossover crossover;
    double differenceDb = 0.0;
    double rounding = 0.0; // how far the whole hertz lie from the frequency that fits exactly
};

int SlopeOfOrder(int order) {
    switch (order) {
    case 2:
        return Filter::kSlope12;
    case 3:
        return Filter::kSlope18;
    case 4:
        return Filter::kSlope24;
    case 8:
        return Filter::kSlope48;
    default:
        return -1;
    }
}

// The geometric mean of the corners of a cascade's sections.
double MeanCorner(const BiquadCascade& cascade) {
    double logSum = 0.0;
    for (std::size_t k = 0; k < cascade.count; ++k)
        logSum += std::log(cascade.CornerOf(k).hz);
    return std::exp(logSum / static_cast<double>(cascade.count));
}

// One kind of crossover at the frequency that puts the mean of its sections' corners where the
// text's sections have theirs, in whole hertz, and its largest difference from the text's
// levels between 20 Hz and 20 kHz.
CrossoverFit FitKind(bool highPass, int kind, int slope, double meanCornerHz,
                     const std::vector<double>& requested) {
    const double lowest = highPass ? kMinFrequencyHz + 1 : kMinFrequencyHz;
    const double highest = highPass ? kMaxFrequencyHz : kMaxFrequencyHz - 1;
    // The corners follow the frequency nearly in proportion (the bilinear transform bends them
    // a little towards 48 kHz): a few proportional steps find it.
    double hz = std::clamp(meanCornerHz, lowest, highest);
    for (int step = 0; step < 20; ++step) {
        const double next = std::clamp(
            hz * meanCornerHz / MeanCorner(UnitFilterDesign::Crossover(highPass, hz, kind, slope)),
            lowest, highest);
        const bool settled = std::abs(next - hz) < hz * 1e-12;
        hz = next;
        if (settled)
            break;
    }
    const int whole = static_cast<int>(std::lround(hz));
    const BiquadCascade design = UnitFilterDesign::Crossover(highPass, whole, kind, slope);
    const FitAngles& at = FitFrequencies();
    std::vector<double> levels(at.hz.size());
    design.LevelsDb(at.cosW, at.sinW, levels);
    double largest = 0.0;
    for (std::size_t i = 0; i < levels.size(); ++i)
        largest = std::max(largest, std::abs(levels[i] - requested[i]));
    return {{kind, slope, whole}, largest, std::abs(whole - hz) / hz};
}

std::string LinesText(const std::vector<const RequestedFilter*>& sections) {
    std::string text = sections.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < sections.size(); ++i)
        text += (i == 0                     ? ""
                 : i + 1 == sections.size() ? " and "
                                            : ", ") +
                std::to_string(sections[i]->line);
    return text;
}

std::string CrossoverText(const ImportedCrossover& c) {
    return CrossoverKindText(c.kind) + " " + CrossoverSlopeText(c.slope) + " " +
           FrequencyText(c.frequency) + " Hz";
}

// The unit's crossover nearest to the text's high-pass (or low-pass) sections taken together, or
// the reason there is none.
std::optional<CrossoverFit> FitCrossover(bool highPass,
                                         const std::vector<const RequestedFilter*>& sections,
                                         std::string& reason) {
    int order = 0;
    double logSum = 0.0;
    for (const RequestedFilter* s : sections) {
        order += s->order;
        logSum += std::log(s->hz);
    }
    const int slope = SlopeOfOrder(order);
    if (slope < 0) {
        reason = "the unit's crossovers fall by 12, 18, 24 or 48 dB per octave; " +
                 LinesText(sections) + " make " + std::to_string(order * 6) + " dB";
        return std::nullopt;
    }
    const std::vector<double>& at = FitFrequencies().hz;
    std::vector<double> requested(at.size(), 0.0);
    for (const RequestedFilter* s : sections) {
        const BiquadCascade design = s->Design();
        for (std::size_t i = 0; i < at.size(); ++i)
            requested[i] += LevelDb(design.At(at[i]));
    }
    const double meanCorner = std::exp(logSum / static_cast<double>(sections.size()));
    // In this order when two come equally near.
    constexpr int kKinds[] = {Filter::kLinkwitzRiley, Filter::kButterworth, Filter::kBessel};
    std::vector<CrossoverFit> fits;
    for (int kind : kKinds)
        fits.push_back(FitKind(highPass, kind, slope, meanCorner, requested));
    const double nearest =
        std::min_element(fits.begin(), fits.end(), [](const auto& a, const auto& b) {
            return a.differenceDb < b.differenceDb;
        })->differenceDb;
    // Of the kinds as near as the nearest, the one whose whole hertz fit best: a Butterworth
    // 12 dB high-pass and a Bessel one 1.27 times higher have the same shape.
    std::optional<CrossoverFit> best;
    for (const CrossoverFit& fit : fits)
        if (fit.differenceDb <= nearest + kSameShapeDb && (!best || fit.rounding < best->rounding))
            best = fit;
    if (best->differenceDb > kCrossoverMatchDb) {
        reason = "no crossover of the unit comes within " + Number("%.0f", kCrossoverMatchDb) +
                 " dB (the nearest, " + CrossoverText(best->crossover) + ", differs by " +
                 Decibels(best->differenceDb) + ")";
        return std::nullopt;
    }
    return best;
}

// ---- Applying
// ------------------------------------------------------------------------------------

// What applying did to each part, for the notes of the table.
struct ApplyOutcome {
    bool changed = false;
    std::vector<Edit> bandFrequency; // per entry of plan.bands
    Edit highPassFrequency = Edit::Unchanged;
    Edit lowPassFrequency = Edit::Unchanged;
};

void Note(ApplyOutcome& outcome, Edit edit) {
    outcome.changed = outcome.changed || ChannelEditRules::Wrote(edit);
}

void ApplyCrossover(const ImportedCrossover& c, OutputChannel& output, Crossover which,
                    ApplyOutcome& outcome, Edit& frequency) {
    Note(outcome, ChannelEditRules::SetCrossoverKind(output, which, c.kind));
    Note(outcome, ChannelEditRules::SetCrossoverSlope(output, which, c.slope));
    frequency = ChannelEditRules::SetCrossoverFrequency(output, which, c.frequency);
    Note(outcome, frequency);
}

ApplyOutcome ApplyTo(const EqualizerImportPlan& plan, Channel& channel, OutputChannel* output) {
    ApplyOutcome outcome;
    if (!plan.CanApply())
        return outcome;
    for (const ImportedBand& b : plan.bands) {
        Filter& band = channel.filter(b.band);
        // The type first: a low shelf brings a frequency above 20 kHz down with it.
        Note(outcome, ChannelEditRules::SetBandType(band, b.type));
        const Edit frequency = ChannelEditRules::SetBandFrequency(band, b.frequency);
        outcome.bandFrequency.push_back(frequency);
        Note(outcome, frequency);
        if (b.type == Filter::kPeq)
            Note(outcome, ChannelEditRules::SetBandBandwidth(band, b.bandwidthIndex));
        else
            Note(outcome, ChannelEditRules::SetBandSlope(band, b.slope));
        Note(outcome, ChannelEditRules::SetBandGain(band, b.gainIndex));
    }
    for (int b : plan.bandsSwitchedOff)
        Note(outcome, ChannelEditRules::SetBandOn(channel.filter(b), false));
    if (output != nullptr) {
        // The high-pass never lies above the low-pass: when the new high-pass would lie above
        // the present low-pass, the low-pass moves first.
        const bool lowPassFirst = plan.highPass && plan.lowPass &&
                                  plan.highPass->frequency > output->lowPass().frequency();
        if (lowPassFirst)
            ApplyCrossover(*plan.lowPass, *output, Crossover::LowPass, outcome,
                           outcome.lowPassFrequency);
        if (plan.highPass)
            ApplyCrossover(*plan.highPass, *output, Crossover::HighPass, outcome,
                           outcome.highPassFrequency);
        if (plan.lowPass && !lowPassFirst)
            ApplyCrossover(*plan.lowPass, *output, Crossover::LowPass, outcome,
                           outcome.lowPassFrequency);
    }
    if (plan.gainIndex && channel.gain() != *plan.gainIndex) {
        channel.setGain(*plan.gainIndex);
        outcome.changed = true;
    }
    return outcome;
}

// A channel of the same kind and model holding the same values, to apply a plan to without
// touching the program.
struct ScratchChannel {
    std::unique_ptr<InputChannel> input;
    std::unique_ptr<OutputChannel> output;

    ScratchChannel(const ProgramContainer& program, ChannelId id) {
        Channel* channel = nullptr;
        if (id.output) {
            output = std::make_unique<OutputChannel>();
            channel = output.get();
        } else {
            input = std::make_unique<InputChannel>();
            channel = input.get();
        }
        channel->setDeviceType(program.deviceType());
        for (int f = 0; f < channel->filterCount(); ++f)
            channel->filter(f).setDeviceType(program.deviceType());
        if (id.output)
            output->copyFrom(program.output(id.index));
        else
            input->copyFrom(program.input(id.index));
    }
    Channel& Get() { return output ? static_cast<Channel&>(*output) : *input; }
};

// ---- The table
// -----------------------------------------------------------------------------------

std::string BandText(const Filter& band, int position) {
    std::string text = "band " + std::to_string(position + 1) + ": ";
    if (band.off() != 0)
        return text + "off (0.0 dB)";
    text += band.typeText() + " " + band.frequencyText() + " Hz " + band.gainText() + " dB";
    if (band.type() == Filter::kPeq)
        text += " Q " + band.qText();
    return text;
}

std::string BandRangeText(const std::vector<int>& bands) {
    if (bands.size() == 1)
        return "band " + std::to_string(bands.front() + 1);
    return "bands " + std::to_string(bands.front() + 1) + " to " + std::to_string(bands.back() + 1);
}

// Why the unit holds no filter of this shape, or nothing when it may.
std::optional<std::string> MissingShape(const RequestedFilter& filter, bool output) {
    switch (filter.shape) {
    case Shape::Notch:
        return "the unit has no notch filter";
    case Shape::AllPass:
        return "the unit has no all-pass filter";
    case Shape::BandPass:
        return "the unit has no band-pass filter";
    case Shape::HighPass:
    case Shape::LowPass:
        if (!output)
            return "an input has no crossover; high-pass and low-pass filters are an output's";
        return std::nullopt;
    case Shape::LowShelf:
    case Shape::HighShelf:
        if (!IsUnitShelfSlope(filter))
            return "the unit's shelves have slopes of 6 and 12 dB per octave";
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

ImportedBand MapBand(const RequestedFilter& filter, int position, int deviceType) {
    ImportedBand band;
    band.band = position;
    band.gainIndex = EqGainIndexFromDb(filter.gainDb);
    if (filter.shape == Shape::Peaking) {
        band.type = Filter::kPeq;
        band.frequency = ClampFrequency(static_cast<int>(std::lround(filter.hz)));
        band.bandwidthIndex =
            BandwidthIndexFromOctaves(deviceType, PeakingOctaves(filter)).value_or(0);
    } else {
        band.type = filter.shape == Shape::LowShelf ? Filter::kLowShelf : Filter::kHighShelf;
        band.slope = ShelfSlopeOf(filter);
        band.frequency =
            ClampFrequency(static_cast<int>(std::lround(ShelfCornerHz(filter, band.slope))));
    }
    return band;
}

// Requested and achievable levels and their largest difference.
void CompareResponses(const FilterText& text, const std::vector<const Filter*>& held,
                      double heldGainDb, EqualizerImportPlan& plan) {
    // The preamp counts on both sides once it is applied, and on neither otherwise.
    const double requestedGain = plan.gainIndex && text.preampDb ? *text.preampDb : 0.0;
    std::vector<BiquadCascade> requested;
    for (const RequestedFilter& f : text.filters)
        if (f.on && f.shape != Shape::Empty)
            requested.push_back(f.Design());
    std::vector<BiquadCascade> achievable;
    for (const Filter* f : held)
        if (auto design = UnitFilterDesign::Of(*f))
            achievable.push_back(*design);

    auto level = [](const std::vector<BiquadCascade>& filters, double gainDb, double hz) {
        std::complex<double> h = 1.0;
        for (const BiquadCascade& c : filters)
            h *= c.At(hz);
        return LevelDb(h) + gainDb;
    };
    for (std::size_t i = 0; i < FrequencyGrid().size(); ++i) {
        plan.requestedDb[i] = level(requested, requestedGain, FrequencyGrid()[i]);
        plan.achievableDb[i] = heldGainDb;
        for (const Filter* f : held)
            plan.achievableDb[i] += f->response()[i];
    }
    for (double hz : DeviationFrequencies()) {
        const double difference =
            std::abs(level(requested, requestedGain, hz) - level(achievable, heldGainDb, hz));
        if (difference > plan.largestDifferenceDb) {
            plan.largestDifferenceDb = difference;
            plan.largestDifferenceHz = hz;
        }
    }
}

// The row of the text's "Preamp:" line, and the channel gain it sets when asked to and when the
// plan takes a filter.
std::optional<std::size_t> PlanPreamp(const FilterText& text, const EqualizerImportOptions& options,
                                      const Channel& current, EqualizerImportPlan& plan) {
    if (!text.preampDb)
        return std::nullopt;
    const DeviceModel& model = DeviceModelOf(plan.deviceType);
    ImportRow row;
    row.line = text.preampLine;
    row.requested = "Preamp: " + Decibels(*text.preampDb);
    if (const auto beyond = PreampBeyondEveryUnit(*text.preampDb)) {
        row.note = *beyond;
    } else if (options.preamp && plan.CanApply()) {
        const int asked = model.gainZeroIndex + static_cast<int>(std::lround(*text.preampDb * 10));
        const int highest = plan.channel.output ? model.outputGainMax : model.inputGainMax;
        plan.gainIndex = std::clamp(asked, 0, highest);
        row.applied = true;
        if (*plan.gainIndex != asked)
            row.note = "limited to the channel gain's range on the " + std::string(model.label);
    } else if (options.preamp) {
        row.note = "not applied: no filter is taken";
    } else {
        row.note = "ignored: the channel gain stays " + current.gainText() + " dB";
    }
    plan.rows.push_back(row);
    return plan.rows.size() - 1;
}

struct CrossoverGroup {
    std::vector<const RequestedFilter*> sections;
    std::vector<std::size_t> rows;
};

} // namespace

std::optional<std::string> BeyondEveryUnit(const RequestedFilter& filter) {
    if (filter.shape == Shape::Empty)
        return std::nullopt;
    const std::string hz = Number("%g", filter.hz);
    if (!(filter.hz > 0.0) || filter.hz >= kNyquistHz)
        return "Fc " + hz + " Hz is beyond what the units hold (their filters run at 96 kHz)";
    const bool banded = filter.shape == Shape::Peaking || filter.IsShelf();
    if (banded) {
        const long steps = GainSteps(filter.gainDb);
        if (steps < 0 || steps > kEqGainMaxIndex)
            return "Gain " + Number("%g", filter.gainDb) +
                   " dB is beyond what the units hold (-30.0 to +15.0 dB)";
    }
    if (filter.shape == Shape::Peaking) {
        if (!HoldsFrequency(filter.hz))
            return "Fc " + hz + " Hz is beyond what the units hold (10 to 30000 Hz)";
        const long steps = FineBandwidthSteps(PeakingOctaves(filter));
        if (steps < 0 || steps >= kQFineSize) {
            if (filter.octaves && !filter.q)
                return "BW " + Number("%g", *filter.octaves) +
                       " Oct is beyond what the units hold (0.05 to 3.00 octaves)";
            return "Q " + Number("%g", filter.PeakingQ()) + " is beyond what the units hold (" +
                   QText(kDeviceType4x8, kQFineSize - 1) + " to " + QText(kDeviceType4x8, 0) + ")";
        }
    }
    if (filter.IsShelf() && IsUnitShelfSlope(filter)) {
        const double corner = ShelfCornerHz(filter, ShelfSlopeOf(filter));
        if (!HoldsFrequency(corner))
            return filter.shelfCorner
                       ? "Fc " + hz + " Hz is beyond what the units hold (10 to 30000 Hz)"
                       : "Fc " + hz + " Hz puts the shelf's corner at " + Number("%.0f", corner) +
                             " Hz, beyond what the units hold (10 to 30000 Hz)";
    }
    return std::nullopt;
}

std::optional<std::string> PreampBeyondEveryUnit(double db) {
    if (db < kLowestChannelGainDb - 0.05 || db >= kHighestChannelGainDb + 0.05)
        return "Preamp " + Number("%g", db) +
               " dB is beyond the channel gains of the units (-40.0 to +20.0 dB)";
    return std::nullopt;
}

const std::vector<double>& DeviationFrequencies() {
    static const std::vector<double> hz = [] {
        std::vector<double> f;
        constexpr int kStepsPerOctave = 96;
        const int steps = static_cast<int>(std::ceil(std::log2(20000.0 / 20.0) * kStepsPerOctave));
        for (int i = 0; i <= steps; ++i)
            f.push_back(
                std::min(20.0 * std::pow(2.0, static_cast<double>(i) / kStepsPerOctave), 20000.0));
        return f;
    }();
    return hz;
}

EqualizerImportPlan PlanEqualizerImport(const FilterText& text, const ProgramContainer& program,
                                        ChannelId channel, const EqualizerImportOptions& options) {
    EqualizerImportPlan plan;
    plan.channel = channel;
    plan.deviceType = program.deviceType();
    const DeviceModel& model = DeviceModelOf(plan.deviceType);
    const int bandCount = channel.output ? model.outputBands : model.inputBands;
    const std::string kindName = channel.output ? "an output" : "an input";

    int nextBand = 0;
    int filtersOn = 0;
    CrossoverGroup groups[2]; // high-pass, low-pass
    for (const RequestedFilter& filter : text.filters) {
        if (filter.shape == Shape::Empty)
            continue; // an empty slot of the program that wrote the text
        ImportRow row;
        row.line = filter.line;
        row.requested = filter.text;
        if (!filter.on) {
            row.note = "OFF in the text";
            plan.rows.push_back(row);
            continue;
        }
        ++filtersOn;
        if (const auto beyond = BeyondEveryUnit(filter)) {
            row.note = *beyond; // a text that was not read through the checks
        } else if (const auto missing = MissingShape(filter, channel.output)) {
            row.note = *missing;
        } else if (filter.IsCrossover()) {
            CrossoverGroup& group = groups[filter.shape == Shape::HighPass ? 0 : 1];
            group.sections.push_back(&filter);
            group.rows.push_back(plan.rows.size());
        } else if (nextBand >= bandCount) {
            row.note = "no band left: " + kindName + " of the " + std::string(model.label) +
                       " has " + std::to_string(bandCount);
        } else {
            plan.bands.push_back(MapBand(filter, nextBand, plan.deviceType));
            row.band = nextBand++;
            row.applied = true;
        }
        plan.rows.push_back(row);
    }
    for (int g = 0; g < 2; ++g) {
        CrossoverGroup& group = groups[g];
        if (group.sections.empty())
            continue;
        std::string reason;
        const auto fit = FitCrossover(g == 0, group.sections, reason);
        if (fit)
            (g == 0 ? plan.highPass : plan.lowPass) = fit->crossover;
        for (std::size_t r : group.rows) {
            plan.rows[r].applied = fit.has_value();
            plan.rows[r].note = fit ? std::string() : reason;
        }
    }
    plan.filtersTaken = static_cast<int>(std::count_if(
        plan.rows.begin(), plan.rows.end(), [](const ImportRow& r) { return r.applied; }));

    const std::optional<std::size_t> preampRow =
        PlanPreamp(text, options, ChannelOf(program, channel), plan);
    if (!plan.CanApply()) {
        plan.nothingTaken = filtersOn == 0 ? "no filter of the text is ON"
                                           : "the " + std::string(model.label) +
                                                 " holds none of the text's filters on " + kindName;
    } else {
        for (int b = nextBand; b < bandCount; ++b)
            plan.bandsSwitchedOff.push_back(b);
    }

    // Apply to a copy of the channel: what it then holds is what the unit will hold.
    ScratchChannel scratch(program, channel);
    Channel& held = scratch.Get();
    const ApplyOutcome outcome = ApplyTo(plan, held, scratch.output.get());
    std::vector<const Filter*> heldFilters;
    for (int b = 0; b < bandCount; ++b)
        heldFilters.push_back(&held.filter(b));
    for (std::size_t i = 0; i < plan.bands.size(); ++i) {
        const ImportedBand& b = plan.bands[i];
        for (ImportRow& row : plan.rows) {
            if (row.band != b.band)
                continue;
            row.held = BandText(held.filter(b.band), b.band);
            const Filter& band = held.filter(b.band);
            if (outcome.bandFrequency[i] == Edit::Corrected || band.frequency() != b.frequency)
                row.note = "limited to " + band.frequencyText() + " Hz" +
                           (band.type() == Filter::kLowShelf ? ", a low shelf's highest" : "");
        }
    }
    if (!plan.bandsSwitchedOff.empty()) {
        ImportRow row;
        row.held = BandRangeText(plan.bandsSwitchedOff) + ": off";
        row.note = "left over";
        row.applied = true;
        plan.rows.push_back(row);
    }
    for (int g = 0; g < 2; ++g) {
        const auto& crossover = g == 0 ? plan.highPass : plan.lowPass;
        if (!crossover)
            continue;
        const Filter& filter = g == 0 ? held.highPass() : held.lowPass();
        heldFilters.push_back(&filter);
        const ImportedCrossover now{filter.kind(), filter.slope(), filter.frequency()};
        const std::string name = g == 0 ? "high-pass: " : "low-pass: ";
        const Edit edit = g == 0 ? outcome.highPassFrequency : outcome.lowPassFrequency;
        const int firstLine = groups[g].sections.front()->line;
        for (std::size_t r : groups[g].rows) {
            ImportRow& row = plan.rows[r];
            const bool first = row.line == firstLine;
            row.held = first ? name + CrossoverText(now)
                             : "(" + name + "with line " + std::to_string(firstLine) + ")";
            if (first && (edit == Edit::Corrected || now.frequency != crossover->frequency))
                row.note = g == 0 ? "limited to the low-pass's frequency"
                                  : "limited to the high-pass's frequency";
        }
    }
    if (preampRow && plan.gainIndex)
        plan.rows[*preampRow].held = "gain " + held.gainText() + " dB";

    const double heldGainDb =
        plan.gainIndex ? ChannelGainDb(plan.deviceType, held.gain()).value_or(0.0) : 0.0;
    CompareResponses(text, heldFilters, heldGainDb, plan);
    return plan;
}

bool ApplyEqualizerImport(const EqualizerImportPlan& plan, ProgramContainer& program) {
    Channel& channel = ChannelOf(program, plan.channel);
    OutputChannel* output = plan.channel.output ? &program.output(plan.channel.index) : nullptr;
    return ApplyTo(plan, channel, output).changed;
}
