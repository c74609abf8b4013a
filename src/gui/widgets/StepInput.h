#pragma once

#include "gui/widgets/ControlMath.h"

#include <functional>

class QKeyEvent;
class QWheelEvent;

// Key and wheel input shared by the fader and the knob: the arrow, page, Home and End keys and
// whole wheel notches step the control's value (controlmath::KeyStepTarget, WheelStepTarget).
// `stepTo` receives the target, already clamped to min..max; the widget stores it and reports.
namespace stepinput {

using StepTo = std::function<void(int target)>;

// Steps for a step key and accepts the event; a key that `steps` keeps from moving the control
// is accepted and does nothing (no report). Returns false, leaving the event alone, for any
// other key: the widget hands it on.
bool KeyPress(QKeyEvent& event, int value, int min, int max, controlmath::UpMeans up,
              const StepTo& stepTo, controlmath::KeySteps steps = {});
// Steps by the whole notches turned and accepts the event; ignores it (so it can scroll a parent)
// when the control is disabled or the wheel turned less than a notch.
void Wheel(QWheelEvent& event, bool enabled, int value, int min, int max, controlmath::UpMeans up,
           const StepTo& stepTo);

} // namespace stepinput
