#pragma once

// Pure mappings behind the slider, knob and spin controls: knob value <-> angle and drag <->
// value, slider pixels <-> position, the logarithmic frequency steps both share, what their keys
// and wheel do, and how a held spin arrow speeds up. No Qt here, so the widgets only draw what
// these compute and the mappings can be checked on their own.
//
// Angles are in degrees measured clockwise from straight up (12 o'clock), the way a knob's
// pointer is read. The knob sweeps 230 degrees with its gap at the bottom: the lowest value sits
// at 245 degrees (lower left), the middle straight up, the highest at 115 degrees (lower right).

namespace controlmath {

inline constexpr int kFrequencySteps = 240; // steps from 10 Hz to 30 kHz
inline constexpr double kKnobSweep = 230.0; // degrees from the lowest to the highest value
inline constexpr double kKnobStartAngle = 245.0;
inline constexpr double kKnobEndAngle = 115.0;
// A knob is turned by dragging it up (more) or down (less): this many pixels cross its whole
// range, ten times as many with Shift held for fine steps.
inline constexpr double kKnobDragPixels = 200.0;
inline constexpr double kKnobFineFactor = 10.0;

// k = 3000^(1/240): one step multiplies the frequency by k, so 240 steps span 10 Hz to 30 kHz.
double FrequencyBase();

// Steps above 10 Hz of a frequency: trunc(log(hz / 10) / log k) with hz / 10 an integer division,
// as the unit's editors place their knobs. Frequencies below 20 Hz give step 0.
int FrequencyStepsOf(int hz);
// Frequency of a step count: trunc(k^steps x 10) Hz (10 at 0, 30000 at 240).
int FrequencyOfSteps(int steps);

// Slider with position 0 at the top: the top is the highest frequency.
// position = max - FrequencyStepsOf(hz), clamped to min..max.
int SliderPositionOfFrequency(int hz, int min, int max);
// trunc(k^(max - position) x 10).
int SliderFrequencyOfPosition(int position, int max);

// Position of a thumb whose top edge lies `offset` pixels below the top of its travel of
// `travel` pixels; rounded to the nearest position and clamped to min..max.
int SliderPositionOfOffset(double offset, double travel, int min, int max);
// Pixel offset of the thumb's top edge for a position (inverse of the above).
double SliderOffsetOfPosition(int position, double travel, int min, int max);

// Part of the sweep (0..230) that a knob angle stands for: g - 245 for 240..360, g + 115 for
// 0..120, then limited to 0..230; angles in the bottom gap count as the nearer end.
double KnobSweepOfAngle(double angle);
// Angle the knob shows for a value: (v - min) x 230 / (max - min), minus 115 above the middle
// of the range and plus 245 otherwise; 0..360. An empty range shows the lowest angle.
double KnobAngleOfValue(int value, int min, int max);
// Value of a knob dragged `pixelsUp` pixels upwards (negative: downwards) from where the drag
// took it at `startValue`: the whole range per kKnobDragPixels, kKnobFineFactor times finer when
// `fine`; rounded to the nearest value and clamped to min..max. The knob never jumps to the
// pointer: a drag that has not moved leaves it where it was.
int KnobDragValue(int startValue, double pixelsUp, int min, int max, bool fine);

// ---- Key and wheel steps, shared by the fader and the knob --------------------------------------

// The keys that step a fader or a knob.
enum class StepKey { Up, Down, Left, Right, PageUp, PageDown, Home, End };

// Which way a control's value runs on screen. A knob's value rises clockwise, so Up raises it; a
// fader's position 0 is at the top, so Up lowers its position. Left always lowers and Right
// always raises the value; Home goes to the minimum and End to the maximum.
enum class UpMeans { Higher, Lower };

// How far the keys move a control. The default suits a control whose whole range is safe to
// cross in one press (a frequency, a time); a level that reaches loudspeakers is stepped with a
// limited page and without the jumps to the ends.
struct KeySteps {
    int pageLimit = 0;       // the largest page in index steps; 0: a page is a tenth of the range
    bool jumpsToEnds = true; // Home and End go to the minimum and the maximum
};

// A page: a tenth of the range, at least 1, and no more than the limit of `steps`.
int PageStep(int min, int max, KeySteps steps = {});
// Whether a key moves the control at all under `steps` (Home and End may not).
bool KeyMoves(StepKey key, KeySteps steps);
// The value a key steps to from `value`, clamped to min..max; `value` itself for a key that
// does not move the control.
int KeyStepTarget(StepKey key, int value, int min, int max, UpMeans up, KeySteps steps = {});
// The value `notches` wheel notches step to (positive turned away from the operator, which
// counts as Up), clamped to min..max.
int WheelStepTarget(int notches, int value, int min, int max, UpMeans up);

// Key steps for a level in dB that reaches loudspeakers (a gain, a threshold): one step per
// arrow, 1 dB per page, Home and End do nothing. `stepsPerDb`: 10 for 0.1 dB steps.
constexpr KeySteps LevelKeySteps(int stepsPerDb) {
    return KeySteps{stepsPerDb, false};
}

// ---- Held spin arrows ---------------------------------------------------------------------------

// The step of the `repeat`-th repeat (1, 2, ...) of a held spin arrow over min..max: one at
// first, then a third more with every repeat, up to a hundredth of the range (at least one), so a
// held arrow runs through a frequency or a delay in seconds while a short hold stays exact, and a
// gain never moves by more than a hundredth of its range per repeat.
int HeldSpinStep(int repeat, int min, int max);

} // namespace controlmath
