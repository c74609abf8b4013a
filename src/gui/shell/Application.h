#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class MainWindow;

// The application object: creates the main window and opens the selection screen. The command
// line is not used by the program itself; a few hidden options serve scripts and screenshots.
class Application {
public:
    struct Options {
        QString port;          // --port PATH: the port the connect dialog preselects
        QString autoConnect;   // --auto-connect PATH: connect at start-up (with --device)
        int deviceId = 1;      // --device-id N
        int deviceCommand = 0; // --device 4x8|3x6|2x4: open that surface at start-up
        QString screenshot;    // --screenshot FILE: save the main window as PNG, then quit
        int screenshotTimeoutMs = 20000;
    };
    // Reads the hidden options; anything else on the command line is ignored.
    static Options ParseCommandLine(const QStringList& arguments);

    Application();
    ~Application();

    // Start-up: the main window, the selection screen (or the surface of --device), shown.
    // Returns whether start-up succeeded.
    bool InitInstance(const Options& options);
    MainWindow* MainFrame() const { return m_mainFrame.get(); }

private:
    void StartScreenshot(const Options& options);

    std::unique_ptr<MainWindow> m_mainFrame;
};
