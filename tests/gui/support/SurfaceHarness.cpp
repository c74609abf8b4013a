#include "SurfaceHarness.h"

#include "gui/shell/MainWindow.h"
#include "gui/surface/ControlSurface.h"
#include "link/UnitController.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace guitest {

SurfaceHarness::SurfaceHarness() : m_window(std::make_unique<MainWindow>()) {
    m_messages.CaptureControlMessages();
    m_window->show();
}

SurfaceHarness::~SurfaceHarness() = default;

ControlSurface* SurfaceHarness::Show(int command) {
    if (!m_window->OnCommand(command))
        return nullptr;
    ControlSurface* surface = m_window->ActiveSurface();
    if (surface) {
        surface->SetMessageSink(&m_messages);
        surface->SetManualTick(true);
        surface->SetBusyDisplayRunner([this](ControlSurface&) { ++m_busyDisplays; });
    }
    return surface;
}

void TickAndAnswer(ControlSurface& surface) {
    UnitController& controller = surface.Controller();
    controller.Tick();
    const int waiting = controller.Command().QueueCount();
    QElapsedTimer clock;
    clock.start();
    while (controller.IsConnected() && controller.Command().QueueCount() >= waiting &&
           waiting > 0 && clock.elapsed() < 200)
        QTest::qWait(1);
    QCoreApplication::processEvents();
}

bool TickUntil(ControlSurface& surface, const std::function<bool()>& done, int maxTicks) {
    // At least one tick: an edit made just now is found only by the next scan.
    for (int i = 0; i < maxTicks; ++i) {
        TickAndAnswer(surface);
        if (done())
            return true;
    }
    return false;
}

std::unique_ptr<VirtualLine> OpenVirtualUnit(int deviceType, int deviceId) {
    SimLineOptions options;
    options.units = {SimUnitSpec{deviceId, deviceType}};
    auto line = std::make_unique<VirtualLine>(options);
    std::string error;
    if (!line->Open(&error)) {
        qWarning("virtual line: %s", error.c_str());
        return nullptr;
    }
    line->Start();
    return line;
}

int DeviceCommand(int deviceType) {
    switch (deviceType) {
    case 2:
        return ID_DEVICE_3X6;
    case 3:
        return ID_DEVICE_2X4;
    default:
        return ID_DEVICE_4X8;
    }
}

QString ModelName(int deviceType) {
    return deviceType == 2   ? QStringLiteral("3x6")
           : deviceType == 3 ? QStringLiteral("2x4")
                             : QStringLiteral("4x8");
}

} // namespace guitest
