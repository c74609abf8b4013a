#pragma once

#include "model/DeviceModel.h"

#include <array>
#include <optional>
#include <string>

// Scales, tables and display texts of every unit parameter. Parameters are stored and sent as
// integer indices; these functions turn an index into a physical value or a text for display and
// curves only. The ranges and steps of a device type come from its DeviceModel (type 1 is the 4x8
// with the fine scales; types 2 and 3, the 3x6 and 2x4, share the coarse ones). Any other device
// type, and any index outside its table, gives no value (std::nullopt) and no text (empty
// string): indices from files or a unit are never trusted.

// ---- Frequency grid -------------------------------------------------------------------------

inline constexpr int kGridPoints = 241;
inline constexpr double kGridLowHz = 10.0;
inline constexpr double kGridHighHz = 30000.0;

// The 241 frequencies (Hz) every response curve is evaluated at: 10^(1 + i/69.3) rounded half-up
// to 0.1 Hz for i = 0..239, and exactly 30000 Hz at point 240.
const std::array<double, kGridPoints>& FrequencyGrid();

// ---- Channel gain (inputs and outputs) ------------------------------------------------------

// Index of 0 dB: 400 on type 1, 360 on types 2 and 3.
std::optional<int> ChannelGainZeroIndex(int deviceType);
// Largest input gain index the unit accepts: 460 (type 1, +6 dB) or 560 (types 2, 3, +20 dB).
std::optional<int> InputGainMaxIndex(int deviceType);
// Largest output gain index: 550 (type 1, +15 dB) or 560 (types 2, 3, +20 dB).
std::optional<int> OutputGainMaxIndex(int deviceType);
// dB of a gain index in 0.1 dB steps from -40 dB (type 1) or -36 dB (types 2, 3). Valid indices
// are 0 up to the output maximum of the type.
std::optional<double> ChannelGainDb(int deviceType, int index);
// "%0.1f" of the dB value.
std::string ChannelGainText(int deviceType, int index);

// ---- Delay (inputs and outputs) -------------------------------------------------------------

// Largest delay index: 52473 (type 1, 1000.0034 ms) or 1465 (types 2, 3, 999 ms).
std::optional<int> DelayMaxIndex(int deviceType);
// Milliseconds of a delay index. Type 1: 0.0104 ms steps up to index 9616, 0.021 ms steps above.
// Types 2, 3: 0.021 ms steps below index 476, whole milliseconds from 10 ms at 476.
std::optional<double> DelayMs(int deviceType, int index);
// Type 1: "%0.4f" then "ms", or "%0.0f" then "ms" at the maximum (1000ms).
// Types 2, 3: "%0.3f" below 10 ms, "%0.1f" from 10 ms, then "ms".
std::string DelayText(int deviceType, int index);
// Speed of sound in m/s at a temperature in degrees C: 331 + 0.6 T.
double SpeedOfSound(int temperatureC);
// The delay as a distance in metres: ms x 0.001 x speed of sound.
std::optional<double> DelayMetres(int deviceType, int index, int temperatureC);
// The delay as a distance in feet: metres x 3.28.
std::optional<double> DelayFeet(int deviceType, int index, int temperatureC);
// Distance texts without a unit: "%0.4f" on type 1; on types 2, 3 "%0.3f" below index 476 and
// "%0.1f" from there.
std::string DelayMetresText(int deviceType, int index, int temperatureC);
std::string DelayFeetText(int deviceType, int index, int temperatureC);

// ---- Equaliser band gain --------------------------------------------------------------------

inline constexpr int kEqGainMaxIndex = 450;  // +15.0 dB
inline constexpr int kEqGainZeroIndex = 300; // 0 dB; also the offset added on the wire
// dB of a band gain index 0..450: 0.1 dB steps from -30 dB.
std::optional<double> EqGainDb(int index);
// Index of a dB value, trunc((dB + 30) x 10 + 0.5), limited to 0..450 (a NaN gives 300).
int EqGainIndexFromDb(double dB);
// "%0.1f" of the dB value, or "0.0" when the band is off.
std::string EqGainText(int index, bool bandOff);

// ---- Equaliser bandwidth and Q --------------------------------------------------------------

inline constexpr int kQFineSize = 296;  // type 1: 0.05..3.00 octaves in 0.01 steps
inline constexpr int kQCoarseSize = 60; // types 2, 3: 0.05..3.00 octaves in 0.05 steps

// Q of a bandwidth of N octaves, sqrt(2^N) / (2^N - 1), rounded half-up to three decimals.
double QOfOctaves(double octaves);
// Entry i = Q of 0.05 + 0.01 i octaves: 28.852 ... 0.404.
const std::array<double, kQFineSize>& QFineTable();
// Entry i = Q of 0.05 (i + 1) octaves: 28.852 ... 0.404.
const std::array<double, kQCoarseSize>& QCoarseTable();

// Largest bandwidth index: 295 (type 1) or 59 (types 2, 3).
std::optional<int> BandwidthMaxIndex(int deviceType);
// Octaves of a bandwidth index: 0.05 + 0.01 b (type 1) or 0.05 + 0.05 b (types 2, 3).
std::optional<double> BandwidthOctaves(int deviceType, int index);
// Nearest index of a bandwidth in octaves, limited to the type's index range (a NaN gives 0).
std::optional<int> BandwidthIndexFromOctaves(int deviceType, double octaves);
// Value the unit receives: the index on type 1, five times the index on types 2, 3, so the unit
// always gets hundredths of an octave above 0.05.
std::optional<int> BandwidthWireValue(int deviceType, int index);
// "%0.2f" of the octaves.
std::string BandwidthText(int deviceType, int index);
// Q table entry of a bandwidth index (fine table on type 1, coarse on types 2, 3).
std::optional<double> BandwidthQ(int deviceType, int index);
// "%0.3f" of the Q table entry.
std::string QText(int deviceType, int index);
// Index for a typed Q: the first index whose entry is <= q; a Q below the last entry (or a NaN)
// gives the last index (295 or 59).
std::optional<int> BandwidthIndexFromQ(int deviceType, double q);

// ---- Equaliser band frequency and type ------------------------------------------------------

inline constexpr int kMinFrequencyHz = 10;
inline constexpr int kMaxFrequencyHz = 30000;
inline constexpr int kLowShelfDragMaxHz = 20000; // a low shelf dragged on the graph stops here

// Limits a band or crossover frequency to 10..30000 Hz.
int ClampFrequency(int hz);
// "%d" of the frequency in Hz.
std::string FrequencyText(int hz);

inline constexpr int kBandPeq = 0;
inline constexpr int kBandLowShelf = 1;
inline constexpr int kBandHighShelf = 2;
// Shelf slope: 0 "6dB", 1 "12dB", else empty.
std::string ShelfSlopeText(int slope);
// "PEQ", "Lo_Shf " + slope text, "Hi_Shf " + slope text; empty for other types.
std::string BandTypeText(int type, int slope);

// ---- Crossover filters ----------------------------------------------------------------------

// A high-pass at 10 Hz or below is off (flat).
bool HighPassIsOff(int hz);
// A low-pass at 30000 Hz or above is off (flat).
bool LowPassIsOff(int hz);
inline constexpr int kCrossoverKindMax = 2;  // 0 L_R, 1 Bessel, 2 BTWorth
inline constexpr int kCrossoverSlopeMax = 3; // 0 12dB, 1 18dB, 2 24dB, 3 48dB
// Kind as the unit's value is taken: above 2 becomes 2 (below 0 becomes 0).
int ClampCrossoverKind(int kind);
// Slope as the unit's value is taken: above 3 becomes 3 (below 0 becomes 0).
int ClampCrossoverSlope(int slope);
// 0 "L_R", 1 "Bessel", 2 "BTWorth", else empty.
std::string CrossoverKindText(int kind);
// 0 "12dB", 1 "18dB", 2 "24dB", 3 "48dB", else empty.
std::string CrossoverSlopeText(int slope);

// ---- Noise gate (inputs) --------------------------------------------------------------------

inline constexpr int kGateThresholdMaxIndex = 130;     // +10 dBu, the editors' top
inline constexpr int kGateThresholdDefaultIndex = 120; // 0 dBu
// dBu of a gate threshold byte (0..255): t - 120.
std::optional<double> GateThresholdDbu(int index);
// "%0.1f" of the dBu value, or "Disable" when the gate is disabled.
std::string GateText(int index, bool disabled);

// ---- Limiter / compressor (outputs) ---------------------------------------------------------

inline constexpr int kLimiterThresholdMaxIndex = 500;
inline constexpr int kAttackMaxIndex = 106;
inline constexpr int kReleaseMaxIndex = 5;
inline constexpr int kRatioMaxIndex = 7;
inline constexpr int kAutoReleaseIndex = 4; // "16X", used in Auto mode

// dBu of a limiter threshold index 0..500: 0.1 dB steps from -30 dBu.
std::optional<double> LimiterThresholdDbu(int index);
// "%0.1f" of the dBu value.
std::string LimiterThresholdText(int index);
// Attack in ms of an index 0..106: (i + 3) x 0.1 up to index 6, i - 6 above.
std::optional<double> AttackMs(int index);
// "%0.1f" up to index 6, "%d" above.
std::string AttackText(int index);
// 0..5: "2X", "4X", "6X", "8X", "16X", "32X" (multiples of the attack time).
std::string ReleaseText(int index);
// Clip limit of a byte index 0..255: i x 0.1 + 2.
std::optional<double> ClipLimitValue(int index);
// "%0.1f" of the clip limit.
std::string ClipLimitText(int index);
// 0..7: "1:1" ... "1:64", "1:maximum".
std::string RatioText(int index);
// 0 "Limit", 1 "Compressor".
std::string DynamicsTypeText(int type);
// 0 "Manual", 1 "Auto".
std::string DynamicsModeText(int mode);
// Attack index used in Auto mode from the output's high-pass frequency in Hz.
int AutoAttackIndex(int highPassHz);

// ---- Other fixed texts ----------------------------------------------------------------------

// Polarity is a flag: 0 "+Normal", anything else "-Invert".
std::string PolarityText(int polarity);
// Channel state: non-zero "On", 0 "Mute".
std::string ChannelStateText(int on);
// Output input-mix entry: set "On", clear "Off".
std::string MixEntryText(bool feeds);
// 0 "Analog", 1 "Digital", else empty.
std::string InputSourceText(int source);
// 0 "Keep On"; 1 "25s" (type 1) or "10s" (types 2, 3); else empty.
std::string BacklightText(int deviceType, int backlight);
// "%d" then "C" for 0..50 degrees C, else empty.
std::string TemperatureText(int temperatureC);

// ---- Response graph coordinates -------------------------------------------------------------
// Plot area of width w and height h pixels, without the graph's offsets (35 px in x, 10 px in y).
// Results for w or h of 0 or below are 0.

inline constexpr double kGraphTopDb = 20.0;
inline constexpr double kGraphBottomDb = -40.0;

// x of a frequency: trunc((log10 f - 1) x (w / (log10 30000 - 1))); 10 Hz at 0, 30 kHz at w.
int GraphXOfFrequency(double hz, int w);
// Frequency of an x: trunc(10^((log10 30000 - 1) x x / w + 1)).
int GraphFrequencyOfX(int x, int w);
// y of a level in dB: trunc(h / 60 x (20 - dB) + 0.5); +20 dB at 0, -40 dB at h.
int GraphYOfLevel(double dB, int h);
// Level of a y: 20 - y x 60 / h, then plus 0.5 when above 0 and minus 0.5 otherwise (not cut to
// a whole number).
double GraphLevelOfY(int y, int h);
// The same coordinates before they are cut to whole pixels, for curves drawn with sub-pixel
// precision: (log10 f - 1) x w / (log10 30000 - 1), and h / 60 x (20 - dB).
double GraphXOfFrequencyExact(double hz, int w);
double GraphYOfLevelExact(double dB, int h);
