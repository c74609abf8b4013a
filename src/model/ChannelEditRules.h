#pragma once

#include "model/DeviceModel.h"
#include "model/ParameterScales.h"
#include "model/ValueFormats.h"

#include <optional>
#include <string>

class Channel;
class Filter;
class InputChannel;
class OutputChannel;

// The rules an operator's edit of a channel follows, whoever makes it: the channel editors and
// the command-line client call these and nothing else to change a delay, a gate, the inputs
// feeding an output, a crossover or the limiter. Every write goes through the record's setters,
// so the change flags say what the next send tick transmits; a value that equals the stored one
// is not written again, so nothing is sent for it. What a device model offers comes from its
// DeviceModel entry (the record's own device type).
namespace ChannelEditRules {

// What an edit did.
enum class Edit {
    Written,   // the asked value was stored
    Corrected, // a value other than the asked one was stored (limited to its range or by a rule)
    Unchanged, // the stored value already was the one asked (or corrected to): nothing written
    Refused,   // the model or the current settings do not allow it: nothing written
};
// True for Written and Corrected.
constexpr bool Wrote(Edit e) {
    return e == Edit::Written || e == Edit::Corrected;
}

// ---- How the editors show and read each value ---------------------------------------------------
// Display kinds and ranges of the numeric edits (ValueFormats); an entry typed into an edit or
// given on a command line becomes an index through ApplyDisplayEntry with these settings.

enum class DelayUnit { Milliseconds, Metres, Feet };
// The delay in one unit: the model's kind, indices 0..delayMax, the distances at temperatureC.
DisplayKindSettings DelayEntry(const DeviceModel& model, DelayUnit unit, int temperatureC);

// Noise gate threshold: index 0..130 shown as -120.0 .. +10.0 dBu.
inline constexpr DisplayKindSettings kGateThresholdEntry{.kind = kKindLinear,
                                                         .min = 0,
                                                         .max = kGateThresholdMaxIndex,
                                                         .step = 1.0,
                                                         .offset = 120.0,
                                                         .unit = "dBu"};
// Crossover frequencies in Hz (the high-pass and the low-pass use kinds 8 and 9).
inline constexpr DisplayKindSettings kHighPassFrequencyEntry{
    .kind = kKindFrequency, .min = kMinFrequencyHz, .max = kMaxFrequencyHz};
inline constexpr DisplayKindSettings kLowPassFrequencyEntry{
    .kind = kKindInteger9, .min = kMinFrequencyHz, .max = kMaxFrequencyHz, .unit = "Hz"};
// Crossover slope 0..3 shown as "12", "18", "24", "48" (dB per octave); not typed.
inline constexpr DisplayKindSettings kCrossoverSlopeEntry{
    .kind = kKindSlope, .min = 0, .max = kCrossoverSlopeMax};
// Limiter threshold: index 0..500 shown as -30.0 .. +20.0 dBu.
inline constexpr DisplayKindSettings kLimiterThresholdEntry{.kind = kKindLinear,
                                                            .min = 0,
                                                            .max = kLimiterThresholdMaxIndex,
                                                            .step = 0.1,
                                                            .offset = 30.0,
                                                            .unit = "dBu"};
// Attack: index 0..106 shown as 0.3 .. 0.9, then 1 .. 100 ms.
inline constexpr DisplayKindSettings kAttackEntry{
    .kind = kKindAttack, .min = 0, .max = kAttackMaxIndex};
// Clip limit: index 0..100 shown as 2.0 .. 12.0, a plain number.
inline constexpr int kClipLimitMaxIndex = 100;
inline constexpr DisplayKindSettings kClipLimitEntry{
    .kind = kKindLinear, .min = 0, .max = kClipLimitMaxIndex, .step = 0.1, .offset = -2.0};
// Ratio 0..7 shown as "1:1" .. "1:maximum"; not typed.
inline constexpr DisplayKindSettings kRatioEntry{
    .kind = kKindRatio, .min = 0, .max = kRatioMaxIndex};

// ---- Inputs and outputs ------------------------------------------------------------------------

// Delay index, limited to the model's 0..delayMax.
Edit SetDelay(Channel& channel, int index);

// ---- Inputs
// --------------------------------------------------------------------------------------

// Gate threshold index, limited to 0..130. Stored whether or not the gate is switched off.
Edit SetGateThreshold(InputChannel& input, int index);
// Switches the noise gate on or off; the threshold is kept for when it is switched on again.
Edit SetGateEnabled(InputChannel& input, bool enabled);
// The threshold means something only while the gate is on (also on models whose editors offer no
// switch: a stored "off" still holds).
bool GateThresholdEditable(const InputChannel& input);

// ---- Outputs: the inputs that feed them ---------------------------------------------------------

// The mix (bit n = input n feeds the output) with one input switched on or off, or nothing when
// the input does not exist on the model or when it would leave an output of a 3x6 or 2x4 fed by
// none of the model's inputs. Bits of inputs the model lacks are kept as they are.
std::optional<int> MixWithSource(const DeviceModel& model, int mix, int input, bool feeds);
// Writes a whole mix; refused when the model requires a source and none of its inputs is set.
Edit SetMix(OutputChannel& output, int mix);

// ---- Outputs: crossovers
// -------------------------------------------------------------------------

enum class Crossover { HighPass, LowPass };
// Frequency in Hz, limited to 10..30000 and so that the high-pass never lies above the low-pass:
// a high-pass asked above the low-pass gets the low-pass frequency, a low-pass asked below the
// high-pass gets the high-pass frequency.
Edit SetCrossoverFrequency(OutputChannel& output, Crossover which, int hz);
// Characteristic 0 L_R, 1 Bessel, 2 BTWorth; other values are refused.
Edit SetCrossoverKind(OutputChannel& output, Crossover which, int kind);
// Slope 0..3 (12, 18, 24, 48 dB per octave); other values are refused.
Edit SetCrossoverSlope(OutputChannel& output, Crossover which, int slope);

// ---- Outputs: limiter / compressor
// ---------------------------------------------------------------

// What the limiter's controls show and allow for an output as it is now.
struct LimiterView {
    bool compressorSettings; // clip limit, ratio and Manual/Auto can be changed (Compressor)
    bool manualTiming;       // attack and release can be changed (not in Auto mode)
    int attack;              // attack index shown: derived from the high-pass frequency in Auto
    int release;             // release index shown: 4 ("16X") in Auto
};
LimiterView LimiterViewOf(const OutputChannel& output);

// A Limit in Auto mode does not exist: such an output is set to Manual (written, so the unit
// learns it too). Returns whether it was corrected.
bool CorrectLimitInAuto(OutputChannel& output);

// Limit (0) or Compressor (1). Going to Limit also leaves Auto mode. Refused on models without
// compressor settings and for other values.
Edit SetDynamicsType(OutputChannel& output, int type);
// Manual (0) or Auto (1): only for a Compressor on a model with compressor settings.
Edit SetDynamicsMode(OutputChannel& output, int mode);
// Threshold index, limited to 0..500.
Edit SetLimiterThreshold(OutputChannel& output, int index);
// Attack index 0..106 and release index 0..5: refused in Auto mode, where the unit derives them.
Edit SetAttack(OutputChannel& output, int index);
Edit SetRelease(OutputChannel& output, int index);
// Clip limit 0..100 and ratio 0..7: only for a Compressor on a model with compressor settings.
Edit SetClipLimit(OutputChannel& output, int index);
Edit SetRatio(OutputChannel& output, int index);

// The release as the editors show it, a multiple of the attack time: "16X (128ms)". The attack
// time is read from the attack's own text, as a whole number above index 6 ("%d" product) and
// as a decimal up to it ("%0.1f" product), so "32X (16.0ms)" for attack 0.5 ms.
std::string ComposedReleaseText(int releaseIndex, int attackIndex);

// ---- Equaliser bands (inputs and outputs)
// --------------------------------------------------------

// Band frequency in Hz (display kind 4), bandwidth and Q as two views of one bandwidth index
// (0.01 octave steps and the fine Q table on the 4x8, 0.05 octave steps and the coarse table on
// the others) and the gain index 0..450 shown as -30.0 .. +15.0 dB.
inline constexpr DisplayKindSettings kBandFrequencyEntry{
    .kind = kKindInteger, .min = kMinFrequencyHz, .max = kMaxFrequencyHz, .unit = "Hz"};
DisplayKindSettings BandwidthEntry(const DeviceModel& model);
DisplayKindSettings QEntry(const DeviceModel& model);
inline constexpr DisplayKindSettings kBandGainEntry{.kind = kKindLinear,
                                                    .min = 0,
                                                    .max = kEqGainMaxIndex,
                                                    .step = 0.1,
                                                    .offset = 30.0,
                                                    .unit = "dB"};

// Type 0 PEQ, 1 low shelf, 2 high shelf; other values are refused. A band that becomes a low
// shelf above 20000 Hz is brought down to 20000 Hz first (the stored frequency then changes too,
// and the edit counts as corrected).
Edit SetBandType(Filter& band, int type);
// Frequency limited to 10..30000 Hz, and to 20000 Hz for a low shelf.
Edit SetBandFrequency(Filter& band, int hz);
// Bandwidth index limited to the band's model's 0..bandwidthMax.
Edit SetBandBandwidth(Filter& band, int index);
// Gain index limited to 0..450. Index 300 (0.0 dB) switches the band off, any other gain on.
Edit SetBandGain(Filter& band, int index);
// Shelf slope 0 (6 dB) or 1 (12 dB); other values are refused.
Edit SetBandSlope(Filter& band, int slope);
// Switches the band on or off; its stored gain is kept, so a band switched on again has the gain
// it had. A band whose gain is 0.0 dB cannot be switched on (refused).
Edit SetBandOn(Filter& band, bool on);

// What a band's gain controls show: "0.0" dB (index 300) while the band is off, its stored gain
// while it is on.
int ShownBandGain(const Filter& band);

} // namespace ChannelEditRules
