#include "gui/shell/Application.h"

#include "gui/shell/ChildWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/SelectionScreen.h"
#include "gui/support/QtMessageSink.h"
#include "gui/surface/ControlSurface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>

Application::Options Application::ParseCommandLine(const QStringList& arguments) {
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (!hasValue)
            break;
        const QString value = arguments[i + 1];
        if (arg == QLatin1String("--port")) {
            options.port = value;
        } else if (arg == QLatin1String("--auto-connect")) {
            options.autoConnect = value;
        } else if (arg == QLatin1String("--device-id")) {
            options.deviceId = std::clamp(value.toInt(), 1, 250);
        } else if (arg == QLatin1String("--device")) {
            if (value == QLatin1String("4x8"))
                options.deviceCommand = ID_DEVICE_4X8;
            else if (value == QLatin1String("3x6"))
                options.deviceCommand = ID_DEVICE_3X6;
            else if (value == QLatin1String("2x4"))
                options.deviceCommand = ID_DEVICE_2X4;
        } else if (arg == QLatin1String("--screenshot")) {
            options.screenshot = value;
        } else {
            continue;
        }
        ++i;
    }
    if (!options.autoConnect.isEmpty() && options.deviceCommand == 0)
        options.deviceCommand = ID_DEVICE_4X8;
    if (options.port.isEmpty())
        options.port = options.autoConnect;
    return options;
}

Application::Application() = default;

Application::~Application() = default;

bool Application::InitInstance(const Options& options) {
    // The selection screen's picture serves as the application icon.
    QApplication::setWindowIcon(QIcon(SelectionScreen::Picture()));
    m_mainFrame = std::make_unique<MainWindow>();
    m_mainFrame->SetPreferredPort(options.port);
    m_mainFrame->OnCommand(ID_DEVICE_SELECT);
    m_mainFrame->show();
    if (options.deviceCommand != 0)
        m_mainFrame->OnCommand(options.deviceCommand);
    if (!options.autoConnect.isEmpty()) {
        if (ControlSurface* surface = m_mainFrame->ActiveSurface())
            surface->ConnectTo(options.autoConnect.toStdString(), options.deviceId);
    }
    if (!options.screenshot.isEmpty())
        StartScreenshot(options);
    return true;
}

void Application::StartScreenshot(const Options& options) {
    // Waits until the unit's program is shown and the meters have moved (or the time is up),
    // then saves the main window and ends the program.
    auto* poll = new QTimer(m_mainFrame.get());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto meterReplies = std::make_shared<int>(0);
    const QString file = options.screenshot;
    const int timeoutMs = options.screenshotTimeoutMs;
    const bool connecting = !options.autoConnect.isEmpty();
    QObject::connect(poll, &QTimer::timeout, m_mainFrame.get(), [=, this] {
        ControlSurface* surface = m_mainFrame->ActiveSurface();
        bool ready = !connecting;
        if (connecting && surface && surface->Controller().IsSettled())
            ++*meterReplies; // an idle tick: the program is in and meter polls go round
        // A few idle rounds so the meters and the blinking LED show a live unit.
        ready = ready || *meterReplies >= 12;
        const bool late = clock->elapsed() > timeoutMs;
        if (!ready && !late)
            return;
        poll->stop();
        const bool saved = m_mainFrame->grab().save(file, "PNG");
        if (!saved)
            std::fprintf(stderr, "tavrel: cannot write %s\n", qPrintable(file));
        else if (late)
            std::fprintf(stderr, "tavrel: the unit did not settle; saved %s as it was\n",
                         qPrintable(file));
        QCoreApplication::exit(saved && !late ? 0 : 1);
    });
    poll->start(100);
}
