#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/ChannelId.h"
#include "model/DeviceModel.h"
#include "model/FilterResponse.h"
#include "model/RequestedFilter.h"

// Importing a filter text onto one channel's equaliser. First a plan: each filter of the text as
// it asks and as the unit will hold it (the nearest values its model can hold: whole hertz, 0.1 dB
// gain steps, its bandwidth table, its shelves and crossovers), in the text's order onto the
// bands; what is not taken and why; the bands left over, which are switched off so the channel's
// equaliser is the imported one; the requested and the achievable response and their largest
// difference. Then, once the operator agrees, the plan is applied in one call through the
// editing rules the editors use, so a unit receives exactly what typing the values would send.
//
// High-pass and low-pass lines of an output's text form its crossover filters (the lines of one
// direction together, so a Linkwitz-Riley 24 dB is two second-order lines); a text without them
// leaves the crossovers as they are. "Preamp:" sets the channel gain only when asked.

// Why a filter that is ON asks for something no unit holds (a frequency, gain or bandwidth
// beyond every model's range), or nothing when every unit can come near it.
std::optional<std::string> BeyondEveryUnit(const RequestedFilter& filter);
// The same for a "Preamp:" gain in dB (channel gains run from -40 to +20 dB).
std::optional<std::string> PreampBeyondEveryUnit(double db);

struct EqualizerImportOptions {
    bool preamp = false; // the "Preamp:" line sets the channel gain
};

// One band as the import sets it: type 0 PEQ, 1 low shelf, 2 high shelf, and the indices the
// band keeps. A shelf keeps its bandwidth, a peaking band its slope.
struct ImportedBand {
    int band = 0; // position 0..
    int type = 0;
    int frequency = 0; // Hz
    int bandwidthIndex = 0;
    int slope = 0;
    int gainIndex = kEqGainZeroIndex;
};

// A crossover filter as the import sets it: kind 0 L_R, 1 Bessel, 2 BTWorth; slope 0..3.
struct ImportedCrossover {
    int kind = 0;
    int slope = 0;
    int frequency = 0;
};

// One row of the table the import shows before anything is applied.
struct ImportRow {
    int line = 0;          // line of the text; 0 for a row no line stands for (bands switched off)
    std::string requested; // as the text asks: "ON PK Fc 1000 Hz Gain -3.5 dB Q 2.400"
    std::string held;      // as the unit will hold it: "band 1: PEQ 1000 Hz -3.5 dB Q 2.439"
    std::string note;      // why it is not applied, or how a rule limited it
    bool applied = false;
    int band = -1; // the band it goes to, or -1
};

struct EqualizerImportPlan {
    ChannelId channel;
    int deviceType = kDeviceType4x8;
    std::vector<ImportRow> rows;

    std::vector<ImportedBand> bands;   // in band order
    std::vector<int> bandsSwitchedOff; // the bands left over
    std::optional<ImportedCrossover> highPass;
    std::optional<ImportedCrossover> lowPass;
    std::optional<int> gainIndex; // the channel gain from the "Preamp:" line

    int filtersTaken = 0;     // filters of the text the unit takes
    std::string nothingTaken; // why the unit takes none of them

    // The response the text asks for (its filters that are ON as cookbook biquads at 96 kHz) and
    // the one the channel will have (the imported bands and crossovers as the unit's response
    // maths give them), in dB at the 241 grid frequencies; with the preamp when it is applied.
    FilterResponse::Values requestedDb{};
    FilterResponse::Values achievableDb{};
    // Their largest difference between 20 Hz and 20 kHz (taken every 1/96 octave) and where.
    double largestDifferenceDb = 0.0;
    double largestDifferenceHz = 0.0;

    bool CanApply() const { return filtersTaken > 0; }
};

// The plan for a text on a channel of the program, whose model decides what can be held. Nothing
// is changed.
EqualizerImportPlan PlanEqualizerImport(const FilterText& text, const ProgramContainer& program,
                                        ChannelId channel, const EqualizerImportOptions& options);

// Writes the plan into its channel through the editing rules (nothing when the plan takes no
// filter). Returns whether any value changed. One call, so an edit history can make it one step.
bool ApplyEqualizerImport(const EqualizerImportPlan& plan, ProgramContainer& program);

// The frequencies the largest difference is taken at: 20 Hz to 20 kHz every 1/96 octave.
const std::vector<double>& DeviationFrequencies();
