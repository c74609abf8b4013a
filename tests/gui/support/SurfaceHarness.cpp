#include "SurfaceHarness.h"

#include "gui/shell/MainWindow.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/ValueEdit.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace guitest {

SurfaceHarness::SurfaceHarness() : m_window(std::make_unique<MainWindow>()) {
    m_messages.CaptureControlMessages();
    // Every test starts from the first run's size, whatever an earlier test left stored.
    m_window->resize(MainWindow::kDefaultSize);
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

std::vector<std::vector<std::uint8_t>> SendUntilSettled(ControlSurface& surface) {
    UnitController& controller = surface.Controller();
    const std::vector<std::uint8_t> poll =
        RequestFrames(surface.Document().Data()).meterPollFrame().bytes;
    std::vector<std::vector<std::uint8_t>> sent;
    std::uint64_t last = 0;
    for (int tick = 0; tick < 200; ++tick) {
        controller.Tick();
        const std::uint64_t head = controller.Command().Queue().HeadSerial();
        if (head != 0 && head != last) {
            last = head;
            if (controller.Command().HeadFrame()->bytes != poll)
                sent.push_back(controller.Command().HeadFrame()->bytes);
        }
        QElapsedTimer clock;
        clock.start();
        while (controller.IsConnected() && controller.Command().Queue().HeadSerial() == head &&
               head != 0 && clock.elapsed() < 200)
            QTest::qWait(1);
        QCoreApplication::processEvents();
        if (controller.IsSettled())
            break;
    }
    return sent;
}

void TypeValue(ValueEdit* edit, const QString& text, Qt::Key key) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, key);
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
