#pragma once

// A main window whose control surfaces run on explicit ticks, for the shell and control-surface
// tests, and virtual units to connect them to.

#include "GuiTestSupport.h"

#include "VirtualLine.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ControlSurface;
class MainWindow;
class ValueEdit;

namespace guitest {

// Owns a shown main window. Every control surface it shows through Show() records its message
// boxes in Messages() (the value entry controls' messages too), counts its busy displays in
// BusyDisplays() instead of opening them, and sends only when the test calls TickAndAnswer() or
// TickUntil(): its 100 ms timer stays off.
class SurfaceHarness {
public:
    SurfaceHarness();
    ~SurfaceHarness();
    SurfaceHarness(const SurfaceHarness&) = delete;
    SurfaceHarness& operator=(const SurfaceHarness&) = delete;

    MainWindow& Window() { return *m_window; }
    MessageRecorder& Messages() { return m_messages; }
    int BusyDisplays() const { return m_busyDisplays; }

    // Runs a main-window command (ID_DEVICE_4X8, ID_DEVICE_3X6, ID_DEVICE_2X4, ID_DEVICE_SELECT)
    // and prepares the surface it shows. nullptr when the command was refused or shows the
    // selection screen.
    ControlSurface* Show(int command);

private:
    MessageRecorder m_messages;
    std::unique_ptr<MainWindow> m_window;
    int m_busyDisplays = 0;
};

// One send tick of a surface on manual ticks, then up to 200 ms for the line event that answers
// the frame sent.
void TickAndAnswer(ControlSurface& surface);
// Ticks (at least once) until `done` holds after a tick; false after `maxTicks` ticks.
bool TickUntil(ControlSurface& surface, const std::function<bool()>& done, int maxTicks = 400);

// Sends until the unit has answered everything; the frames put on the line meanwhile, meter
// polls left out.
std::vector<std::vector<std::uint8_t>> SendUntilSettled(ControlSurface& surface);

// Types `text` into a value box as the operator does (focus, select all, type) and ends with
// `key` (Enter commits, Esc brings the shown value back).
void TypeValue(ValueEdit* edit, const QString& text, Qt::Key key = Qt::Key_Return);

// A virtual unit of a device type and ID on a pseudo-terminal, its thread serving the line;
// nullptr, with a warning, when the line cannot be opened.
std::unique_ptr<VirtualLine> OpenVirtualUnit(int deviceType, int deviceId = 1);

// The main-window command that shows a device type's surface (1 = 4x8, 2 = 3x6, 3 = 2x4).
int DeviceCommand(int deviceType);
// "4x8", "3x6", "2x4".
QString ModelName(int deviceType);

} // namespace guitest
