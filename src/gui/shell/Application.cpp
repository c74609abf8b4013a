#include "gui/shell/Application.h"

#include "gui/shell/ChildWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/SelectionScreen.h"
#include "gui/support/QtMessageSink.h"
#include "gui/surface/ControlSurface.h"
#include "link/MessageSink.h"

#include "TavrelVersion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Qt's own command-line options, which QApplication takes out of the arguments itself. Qt accepts
// them with one dash or two.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"reverse", false},        {"widgetcount", false},
    {"nograb", false},         {"dograb", false},
    {"sync", false},
};

const QtOption* FindQtOption(const QString& name) {
    for (const QtOption& option : kQtOptions)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

// The messages of a screenshot run: each on one line of standard error; an error (the port did
// not open, the unit did not answer or is of another type) ends the run. Questions are answered
// no.
class UnattendedMessages : public IMessageSink {
public:
    void ShowMessage(const std::string& text, MessageKind kind) override {
        // "Unable to open COM-port: reason"; after a sentence's end only a space.
        QString line = QString::fromStdString(text);
        for (qsizetype at; (at = line.indexOf(QLatin1String("\n\n"))) >= 0;) {
            const bool sentenceEnds = at > 0 && QStringLiteral(".!?").contains(line[at - 1]);
            line.replace(at, 2, sentenceEnds ? QStringLiteral(" ") : QStringLiteral(": "));
        }
        line = line.simplified();
        std::fprintf(stderr, "tavrel: %s\n", qPrintable(line));
        std::fflush(stderr);
        if (kind == MessageKind::Error)
            failed = true;
    }
    bool AskYesNo(const std::string&) override { return false; }

    bool failed = false;
};

} // namespace

Application::CommandLine Application::ParseCommandLine(const QStringList& arguments) {
    CommandLine result;
    Options& options = result.options;
    auto fail = [&](const QString& error) {
        result.action = CommandLine::Action::Fail;
        result.error = error;
        return result;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.action = CommandLine::Action::ShowHelp;
            return result;
        }
        if (arg == QLatin1String("--version")) {
            result.action = CommandLine::Action::ShowVersion;
            return result;
        }
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-"))
            return fail(QStringLiteral("unexpected argument %1").arg(arg));
        // "--name value" or "--name=value"; Qt's options also with one dash.
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = arg.left(equals);
        std::optional<QString> inlineValue;
        if (equals >= 0)
            inlineValue = arg.mid(equals + 1);
        auto takeValue = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };

        const QString bareName = name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
        if (const QtOption* qtOption = FindQtOption(bareName)) {
            if (!qtOption->takesValue) {
                if (inlineValue)
                    return fail(QStringLiteral("%1 takes no value").arg(name));
                continue;
            }
            const std::optional<QString> value = takeValue();
            if (!value)
                return fail(QStringLiteral("%1 needs a value").arg(name));
            if (bareName == QLatin1String("platform"))
                options.platform = *value;
            continue;
        }

        if (!name.startsWith(QLatin1String("--")))
            return fail(QStringLiteral("unknown option %1").arg(name));
        QString* text = name == QLatin1String("--port")           ? &options.port
                        : name == QLatin1String("--auto-connect") ? &options.autoConnect
                        : name == QLatin1String("--screenshot")   ? &options.screenshot
                                                                  : nullptr;
        const bool known =
            text || name == QLatin1String("--device-id") || name == QLatin1String("--device");
        if (!known)
            return fail(QStringLiteral("unknown option %1").arg(name));
        const std::optional<QString> value = takeValue();
        if (!value || value->isEmpty())
            return fail(QStringLiteral("%1 needs a value").arg(name));
        if (text) {
            *text = *value;
        } else if (name == QLatin1String("--device-id")) {
            bool isNumber = false;
            const int id = value->toInt(&isNumber);
            if (!isNumber || !IsDeviceId(id))
                return fail(QStringLiteral("--device-id wants a number from 1 to %1, not %2")
                                .arg(kLastDeviceId)
                                .arg(*value));
            options.deviceId = id;
        } else {
            // A model's label ("3x6") picks its surface.
            const DeviceModel* model = FindDeviceModelByLabel(value->toStdString());
            if (model == nullptr)
                return fail(QStringLiteral("--device wants 4x8, 3x6 or 2x4, not %1").arg(*value));
            options.deviceCommand = SurfaceLayoutOf(model->deviceType).command;
        }
    }
    if (!options.autoConnect.isEmpty() && options.deviceCommand == 0)
        options.deviceCommand = ID_DEVICE_4X8;
    if (options.port.isEmpty())
        options.port = options.autoConnect;
    return result;
}

QString Application::HelpText() {
    return QStringLiteral(
        "Usage: tavrel [OPTION]...\n"
        "Control program for the 4x8, 3x6 and 2x4 loudspeaker processors on a serial line.\n"
        "Without options it opens the selection screen; pick the model there.\n"
        "\n"
        "Options:\n"
        "  --device MODEL       open the control surface of MODEL (4x8, 3x6 or 2x4) at once\n"
        "  --port PORT          the port the connect dialog preselects: a device path\n"
        "                       such as /dev/ttyUSB0, or a serial server on the network\n"
        "                       as rfc2217://HOST:PORT or tcp://HOST:PORT\n"
        "  --auto-connect PORT  connect to the unit on PORT at start-up; opens the 4x8\n"
        "                       surface unless --device names another model\n"
        "  --device-id N        the device ID --auto-connect connects to, 1 to 250\n"
        "                       (default 1)\n"
        "  --screenshot FILE    save the main window as a PNG file, then quit; with\n"
        "                       --auto-connect once the unit's program is shown (exit\n"
        "                       status 1 if it is not shown within 20 seconds)\n"
        "  -h, --help           show this help and exit\n"
        "      --version        show the version and exit\n"
        "\n"
        "Qt's own options, such as -platform NAME and -style NAME, are passed on to Qt.\n"
        "\n"
        "The program needs a display: start it from a desktop session. For scripted use\n"
        "without one, run it under xvfb-run or with QT_QPA_PLATFORM=offscreen (together\n"
        "with --screenshot).\n"
        "\n"
        "Exit status: 0 when the program ends normally, 1 when it cannot start (no\n"
        "display) or a screenshot fails, 2 for wrong options.\n");
}

QString Application::VersionText() {
    return QStringLiteral("tavrel %1\n").arg(QLatin1String(kTavrelVersion));
}

QString Application::MissingDisplayText(const Options& options) {
    if (!options.platform.isEmpty())
        return {};
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(variable))
            return {};
    return QStringLiteral("no display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n") +
           DisplayHint();
}

QString Application::DisplayHint() {
    return QStringLiteral(
        "tavrel needs a display to show its window: start it from a desktop session (or\n"
        "set DISPLAY to a running X server). For scripted use without a display, run it\n"
        "under xvfb-run, or with QT_QPA_PLATFORM=offscreen together with --screenshot.\n");
}

Application::Application() = default;

Application::~Application() {
    if (m_watchdog.joinable()) {
        {
            std::lock_guard lock(m_watchdogMutex);
            m_finished = true;
        }
        m_watchdogWake.notify_all();
        m_watchdog.join();
    }
}

bool Application::InitInstance(const Options& options) {
    // The installed icon of the application menu; the selection screen's picture, which it
    // echoes, where the program runs uninstalled.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QString::fromLatin1(kTavrelDesktopId), QIcon(SelectionScreen::Picture())));
    m_mainFrame = std::make_unique<MainWindow>();
    m_mainFrame->SetPreferredPort(options.port);
    m_mainFrame->OnCommand(ID_DEVICE_SELECT);
    m_mainFrame->ShowAsLastTime();
    if (options.deviceCommand != 0)
        m_mainFrame->OnCommand(options.deviceCommand);
    // The screenshot's clock runs before the connect starts, and the connect runs inside the
    // event loop, so that nothing the connect does can keep the run from ending in time.
    if (!options.screenshot.isEmpty())
        StartScreenshot(options);
    if (!options.autoConnect.isEmpty()) {
        const std::string port = options.autoConnect.toStdString();
        const int deviceId = options.deviceId;
        QTimer::singleShot(0, m_mainFrame.get(), [this, port, deviceId] {
            if (ControlSurface* surface = m_mainFrame->ActiveSurface())
                surface->ConnectTo(port, deviceId);
        });
    }
    return true;
}

void Application::StartScreenshot(const Options& options) {
    // Waits until the unit's program is shown and the meters have moved (or the connection
    // failed, or the time is up), then saves the main window and ends the program.
    auto* poll = new QTimer(m_mainFrame.get());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto meterReplies = std::make_shared<int>(0);
    const QString file = options.screenshot;
    const int saveByMs = std::max(0, options.screenshotTimeoutMs - kScreenshotSaveMs);
    const bool connecting = !options.autoConnect.isEmpty();
    auto unattended = std::make_unique<UnattendedMessages>();
    UnattendedMessages* messages = unattended.get();
    m_unattended = std::move(unattended);
    if (connecting)
        if (ControlSurface* surface = m_mainFrame->ActiveSurface())
            surface->SetMessageSink(messages);
    QObject::connect(poll, &QTimer::timeout, m_mainFrame.get(), [=, this] {
        ControlSurface* surface = m_mainFrame->ActiveSurface();
        bool ready = !connecting;
        if (connecting && surface && surface->Controller().IsSettled())
            ++*meterReplies; // an idle tick: the program is in and meter polls go round
        // A few idle rounds so the meters and the blinking LED show a live unit.
        ready = ready || *meterReplies >= 12;
        const bool late = clock->elapsed() > saveByMs;
        if (!ready && !late && !messages->failed)
            return;
        poll->stop();
        const bool saved = m_mainFrame->grab().save(file, "PNG");
        if (!saved)
            std::fprintf(stderr, "tavrel: cannot write %s\n", qPrintable(file));
        else if (messages->failed)
            std::fprintf(stderr, "tavrel: the connection failed; saved %s as it was\n",
                         qPrintable(file));
        else if (late)
            std::fprintf(stderr, "tavrel: the unit did not settle; saved %s as it was\n",
                         qPrintable(file));
        // Ends every event loop, also one a dialog of the connect runs.
        QCoreApplication::exit(saved && ready && !messages->failed ? 0 : 1);
    });
    poll->start(100);
    StartWatchdog(options.screenshotTimeoutMs);
}

void Application::StartWatchdog(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(std::max(0, timeoutMs - kWatchdogMarginMs));
    m_watchdog = std::thread([this, deadline, timeoutMs] {
        std::unique_lock lock(m_watchdogMutex);
        if (m_watchdogWake.wait_until(lock, deadline, [this] { return m_finished; }))
            return;
        // Nothing of Qt is touched from here: the user-interface thread may hold it.
        std::fprintf(stderr,
                     "tavrel: no screenshot within %d seconds: the program did not respond "
                     "while connecting, and ends now\n",
                     timeoutMs / 1000);
        std::fflush(stderr);
        std::_Exit(1);
    });
}
