#include "gui/widgets/StepInput.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <array>
#include <utility>

namespace stepinput {

namespace {

using controlmath::StepKey;

constexpr std::array<std::pair<int, StepKey>, 8> kStepKeys{{
    {Qt::Key_Up, StepKey::Up},
    {Qt::Key_Down, StepKey::Down},
    {Qt::Key_Left, StepKey::Left},
    {Qt::Key_Right, StepKey::Right},
    {Qt::Key_PageUp, StepKey::PageUp},
    {Qt::Key_PageDown, StepKey::PageDown},
    {Qt::Key_Home, StepKey::Home},
    {Qt::Key_End, StepKey::End},
}};

// One notch of a common mouse wheel, in eighths of a degree.
constexpr int kNotch = 120;

} // namespace

bool KeyPress(QKeyEvent& event, int value, int min, int max, controlmath::UpMeans up,
              const StepTo& stepTo, controlmath::KeySteps steps) {
    for (const auto& [qtKey, stepKey] : kStepKeys) {
        if (event.key() == qtKey) {
            if (controlmath::KeyMoves(stepKey, steps))
                stepTo(controlmath::KeyStepTarget(stepKey, value, min, max, up, steps));
            event.accept();
            return true;
        }
    }
    return false;
}

void Wheel(QWheelEvent& event, bool enabled, int value, int min, int max, controlmath::UpMeans up,
           const StepTo& stepTo) {
    const int notches = event.angleDelta().y() / kNotch;
    if (notches == 0 || !enabled) {
        event.ignore();
        return;
    }
    stepTo(controlmath::WheelStepTarget(notches, value, min, max, up));
    event.accept();
}

} // namespace stepinput
