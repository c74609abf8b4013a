#include "gui/shell/Application.h"

#include "TavrelVersion.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kExitCannotStart = 1;
constexpr int kExitUsage = 2;
constexpr int kStopSignalCheckMs = 500;

QtMessageHandler g_qtHandler = nullptr;

volatile std::sig_atomic_t g_stopSignal = 0;

void NoteStopSignal(int signal) {
    g_stopSignal = signal;
}

// SIGINT, SIGTERM and SIGHUP end the program as closing its window does, so that every port it
// holds is closed and left with the settings it had. The handler only notes the signal; a timer
// of the event loop ends the program with 128 + the signal's number, also from inside a dialog.
void EndOnStopSignals(QObject* owner) {
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    auto* check = new QTimer(owner);
    QObject::connect(check, &QTimer::timeout, [] {
        if (g_stopSignal != 0)
            QCoreApplication::exit(128 + g_stopSignal);
    });
    check->start(kStopSignalCheckMs);
}

// While QApplication starts, a platform plugin that cannot reach its display is fatal to Qt,
// which would abort with a core dump. Say how to get a display and end with a plain failure.
void ExplainFatalStartError(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (g_qtHandler)
        g_qtHandler(type, context, message);
    if (type != QtFatalMsg)
        return;
    std::fputs(qPrintable(Application::DisplayHint()), stderr);
    std::fflush(stderr);
    std::_Exit(kExitCannotStart);
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Application::CommandLine commandLine = Application::ParseCommandLine(arguments);
    switch (commandLine.action) {
    case Application::CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(Application::HelpText()), stdout);
        return 0;
    case Application::CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(Application::VersionText()), stdout);
        return 0;
    case Application::CommandLine::Action::Fail:
        std::fprintf(stderr, "tavrel: %s\nTry 'tavrel --help' for more information.\n",
                     qPrintable(commandLine.error));
        return kExitUsage;
    case Application::CommandLine::Action::Run:
        break;
    }
    const QString missingDisplay = Application::MissingDisplayText(commandLine.options);
    if (!missingDisplay.isEmpty()) {
        std::fprintf(stderr, "tavrel: %s", qPrintable(missingDisplay));
        return kExitCannotStart;
    }

    g_qtHandler = qInstallMessageHandler(ExplainFatalStartError);
    QApplication application(argc, argv);
    qInstallMessageHandler(g_qtHandler);
    QApplication::setApplicationName(QStringLiteral("Tavrel1.0"));
    QApplication::setApplicationVersion(QString::fromLatin1(kTavrelVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kTavrelDesktopId));
    EndOnStopSignals(&application);
    Application theApp;
    if (!theApp.InitInstance(commandLine.options))
        return kExitCannotStart;
    return QApplication::exec();
}
