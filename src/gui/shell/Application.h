#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class MainWindow;
class IMessageSink;

// The application object: creates the main window and opens the selection screen. The command
// line serves scripts and screenshots; it is read before Qt starts, so --help, --version and
// wrong options need no display.
class Application {
public:
    struct Options {
        QString port;          // --port PORT: the port the connect dialog preselects
        QString autoConnect;   // --auto-connect PORT: connect at start-up (with --device)
        int deviceId = 1;      // --device-id N
        int deviceCommand = 0; // --device 4x8|3x6|2x4: open that surface at start-up
        QString screenshot;    // --screenshot FILE: save the main window as PNG, then quit
        // A screenshot run ends within this time whatever happens: it saves the window as it is
        // kScreenshotSaveMs before the end, and a watchdog ends a program that hangs at the end.
        int screenshotTimeoutMs = 20000;
        QString platform; // Qt's -platform NAME, passed on to Qt
    };
    struct CommandLine {
        enum class Action { Run, ShowHelp, ShowVersion, Fail };
        Action action = Action::Run;
        Options options;
        QString error; // why the command line was refused (Action::Fail)
    };
    // Reads the options after the program name. Qt's own options (-platform, -style, ...) are
    // accepted and left for QApplication; anything else is refused.
    static CommandLine ParseCommandLine(const QStringList& arguments);
    // The text of --help and of --version.
    static QString HelpText();
    static QString VersionText();
    // Why Qt could not show a window here and how to get a display; empty when a display (or a
    // platform that needs none) is set in the environment or on the command line.
    static QString MissingDisplayText(const Options& options);
    // What to do when no display can be reached after all: the text said when Qt gives up.
    static QString DisplayHint();

    // What a screenshot run keeps of its time for saving the window, and the watchdog's margin
    // before the end of the time.
    static constexpr int kScreenshotSaveMs = 1500;
    static constexpr int kWatchdogMarginMs = 250;

    Application();
    ~Application();

    // Start-up: the main window, the selection screen (or the surface of --device), shown.
    // Returns whether start-up succeeded.
    bool InitInstance(const Options& options);
    MainWindow* MainFrame() const { return m_mainFrame.get(); }

private:
    void StartScreenshot(const Options& options);
    // Ends the program with status 1 should it still run when the screenshot's time is up, the
    // user-interface thread being stuck where no timer can fire.
    void StartWatchdog(int timeoutMs);

    std::unique_ptr<MainWindow> m_mainFrame;
    // A screenshot run reports the connection's messages on standard error, never as boxes that
    // wait for an operator.
    std::unique_ptr<IMessageSink> m_unattended;
    std::thread m_watchdog;
    std::mutex m_watchdogMutex;
    std::condition_variable m_watchdogWake;
    bool m_finished = false;
};
