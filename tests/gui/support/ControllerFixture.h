#pragma once

#include "GuiTestSupport.h"
#include "link/UnitController.h"
#include "link/UnitView.h"
#include "model/ProgramContainer.h"

namespace guitest {

// A view that takes every report of the unit controller and does nothing with it.
struct QuietUnitView : IUnitView {};

// A 4x8 main view's unit controller, disconnected, reporting to `View` and to a recording
// message sink: what the tool dialogs are opened on.
template <class View = QuietUnitView> struct ControllerFixture {
    ProgramContainer data;
    ProgramBank bank{};
    View view;
    MessageRecorder messages;
    UnitController controller{1, data, bank, view, &messages};
};

} // namespace guitest
