#pragma once

// What an operator does to the controls, driven through the controls' own public interface so a
// test sees exactly the signals a hand on the mouse would cause.

#include <initializer_list>

class QAbstractSlider;

namespace guitest {

// A fader or knob grabbed, dragged through `positions` in turn and let go (no positions: pressed
// and let go where it stands). Signals sliderPressed, sliderMoved and valueChanged for every
// position it passes, and sliderReleased.
void DragSlider(QAbstractSlider* slider, std::initializer_list<int> positions);

} // namespace guitest
