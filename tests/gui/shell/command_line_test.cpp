#include "gui/shell/Application.h"
#include "gui/surface/ControlSurface.h"

#include "TavrelVersion.h"
#include "TerminalSettings.h"
#include "VirtualLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Action = Application::CommandLine::Action;

struct Run {
    int status = -1;
    bool crashed = true;
    QString out;
    QString err;
};

// Runs the built program in an environment without any display: no DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM unless `extra` sets one.
Run RunProgram(const QStringList& arguments, const QStringList& extra = {}) {
    static QTemporaryDir runtime;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (const QString& variable : extra)
        environment.insert(variable.section(QLatin1Char('='), 0, 0),
                           variable.section(QLatin1Char('='), 1));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"), arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitCode();
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void acceptedOptions_data();
    void acceptedOptions();
    void refusedOptions_data();
    void refusedOptions();
    void helpAndVersionNeedNoDisplay();
    void wrongOptionExitsWithTwo();
    void withoutDisplaySaysHowToGetOne();
    void unreachableDisplayEndsWithoutCrash();
    void screenshotOfAConnectThatFailsEndsAtOnceWithTheReason_data();
    void screenshotOfAConnectThatFailsEndsAtOnceWithTheReason();
    void endedBySignalItLeavesThePortAsItFoundIt();
};

void CommandLineTest::acceptedOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("deviceCommand");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("autoConnect");
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("screenshot");
    QTest::addColumn<QString>("platform");
    QTest::newRow("nothing: the selection screen") << QStringList{"tavrel"} << 0 << ""
                                                   << "" << 1 << ""
                                                   << "";
    QTest::newRow("--port only preselects")
        << QStringList{"tavrel", "--port", "/run/vu"} << 0 << "/run/vu"
        << "" << 1 << ""
        << "";
    QTest::newRow("--auto-connect opens the 4x8 and preselects its port")
        << QStringList{"tavrel", "--screenshot", "s.png", "--auto-connect", "/run/vu"}
        << ID_DEVICE_4X8 << "/run/vu"
        << "/run/vu" << 1 << "s.png"
        << "";
    QTest::newRow("--device picks the model, --device-id the unit")
        << QStringList{"tavrel", "--device", "2x4", "--device-id", "250", "--auto-connect", "p"}
        << ID_DEVICE_2X4 << "p"
        << "p" << 250 << ""
        << "";
    QTest::newRow("values after an equals sign")
        << QStringList{"tavrel", "--device=3x6", "--port=/dev/ttyUSB0"} << ID_DEVICE_3X6
        << "/dev/ttyUSB0"
        << "" << 1 << ""
        << "";
    QTest::newRow("Qt's options are left to Qt")
        << QStringList{"tavrel", "-platform", "offscreen", "--style=fusion", "-reverse"} << 0 << ""
        << "" << 1 << ""
        << "offscreen";
}

void CommandLineTest::acceptedOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(int, deviceCommand);
    QFETCH(QString, port);
    QFETCH(QString, autoConnect);
    QFETCH(int, deviceId);
    QFETCH(QString, screenshot);
    QFETCH(QString, platform);
    const Application::CommandLine commandLine = Application::ParseCommandLine(arguments);
    QCOMPARE(commandLine.action, Action::Run);
    const Application::Options& options = commandLine.options;
    QCOMPARE(options.deviceCommand, deviceCommand);
    QCOMPARE(options.port, port);
    QCOMPARE(options.autoConnect, autoConnect);
    QCOMPARE(options.deviceId, deviceId);
    QCOMPARE(options.screenshot, screenshot);
    QCOMPARE(options.platform, platform);
}

void CommandLineTest::refusedOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown model")
        << QStringList{"--device", "9x9"} << "--device wants 4x8, 3x6 or 2x4, not 9x9";
    QTest::newRow("device ID 0") << QStringList{"--device-id", "0"}
                                 << "--device-id wants a number from 1 to 250, not 0";
    QTest::newRow("device ID above 250")
        << QStringList{"--device-id=251"} << "--device-id wants a number from 1 to 250, not 251";
    QTest::newRow("device ID not a number")
        << QStringList{"--device-id", "one"} << "--device-id wants a number from 1 to 250, not one";
    QTest::newRow("missing value") << QStringList{"--port"} << "--port needs a value";
    QTest::newRow("empty value") << QStringList{"--screenshot="} << "--screenshot needs a value";
    QTest::newRow("Qt option without its value")
        << QStringList{"-platform"} << "-platform needs a value";
    QTest::newRow("Qt flag with a value")
        << QStringList{"-reverse=yes"} << "-reverse takes no value";
    QTest::newRow("unknown option") << QStringList{"--verbose"} << "unknown option --verbose";
    QTest::newRow("our options want two dashes")
        << QStringList{"-port", "p"} << "unknown option -port";
    QTest::newRow("a file name") << QStringList{"show.dia48"} << "unexpected argument show.dia48";
}

void CommandLineTest::refusedOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const Application::CommandLine commandLine =
        Application::ParseCommandLine(QStringList{"tavrel"} + arguments);
    QCOMPARE(commandLine.action, Action::Fail);
    QCOMPARE(commandLine.error, error);
}

void CommandLineTest::helpAndVersionNeedNoDisplay() {
    const Run help = RunProgram({"--port", "p", "--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(!help.crashed);
    for (const char* option :
         {"--device MODEL", "--port PORT", "--auto-connect PORT", "--device-id N",
          "--screenshot FILE", "--help", "--version", "QT_QPA_PLATFORM=offscreen"})
        QVERIFY2(help.out.contains(QLatin1String(option)), option);

    const Run version = RunProgram({"--version"});
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out, QStringLiteral("tavrel %1\n").arg(QLatin1String(kTavrelVersion)));
    QCOMPARE(version.err, QString());
}

void CommandLineTest::wrongOptionExitsWithTwo() {
    const Run run = RunProgram({"--device", "9x9"});
    QCOMPARE(run.status, 2);
    QVERIFY(!run.crashed);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QStringLiteral("tavrel: --device wants 4x8, 3x6 or 2x4, not 9x9\n"
                                     "Try 'tavrel --help' for more information.\n"));
}

void CommandLineTest::withoutDisplaySaysHowToGetOne() {
    const Run run = RunProgram({"--device", "4x8"});
    QCOMPARE(run.status, 1);
    QVERIFY(!run.crashed);
    QVERIFY2(run.err.startsWith(QLatin1String("tavrel: no display")), qPrintable(run.err));
    for (const char* hint : {"desktop session", "xvfb-run", "QT_QPA_PLATFORM=offscreen"})
        QVERIFY2(run.err.contains(QLatin1String(hint)), qPrintable(run.err));
}

void CommandLineTest::unreachableDisplayEndsWithoutCrash() {
    // Qt gives up on a display nobody serves; the program explains instead of dumping core.
    const QString display = QStringLiteral(":4711");
    if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X4711")))
        QSKIP("an X server serves display :4711 here");
    const Run run = RunProgram({}, {QStringLiteral("DISPLAY=") + display});
    QCOMPARE(run.status, 1);
    QVERIFY(!run.crashed);
    QVERIFY2(run.err.contains(QLatin1String("start it from a desktop session")),
             qPrintable(run.err));
}

void CommandLineTest::screenshotOfAConnectThatFailsEndsAtOnceWithTheReason_data() {
    QTest::addColumn<QString>("port"); // %1: the test's folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing port") << "%1/ttyUSB9"
                                  << "%1/ttyUSB9 does not exist (is the adapter plugged in?)";
    QTest::newRow("a file, not a port") << "%1/notes.txt"
                                        << "%1/notes.txt is not a serial port";
    QTest::newRow("held by another program") << "%1/held"
                                             << "%1/held is in use by another program";
}

void CommandLineTest::screenshotOfAConnectThatFailsEndsAtOnceWithTheReason() {
    QFETCH(QString, port);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    port = port.arg(dir.path());
    reason = reason.arg(dir.path());
    QFile notes(dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    // A virtual unit's line that another program holds.
    VirtualLine line({});
    QVERIFY(line.Open());
    QVERIFY(QFile::link(QString::fromStdString(line.SlavePath()), dir.filePath("held")));
    const int holder = ::open(line.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(holder >= 0);
    QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);

    QElapsedTimer clock;
    clock.start();
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const Run run = RunProgram({"--auto-connect", port, "--screenshot", shot},
                               {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    ::close(holder);
    QVERIFY2(clock.elapsed() < 20000, "a screenshot run ends within 20 s");
    QCOMPARE(run.status, 1);
    QVERIFY(!run.crashed);
    QCOMPARE(run.err, QStringLiteral("tavrel: Unable to open COM-port: %1\n"
                                     "tavrel: the connection failed; saved %2 as it was\n")
                          .arg(reason, shot));
}

void CommandLineTest::endedBySignalItLeavesThePortAsItFoundIt() {
    VirtualLine line({});
    QVERIFY(line.Open());
    line.Start();
    const int observer = ::open(line.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(observer >= 0);
    const termios found = CookedTerminalSettings(observer);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAVREL_BINARY_DIR "/tavrel"),
                  {QStringLiteral("--auto-connect"), QString::fromStdString(line.SlavePath())});
    QVERIFY(process.waitForStarted());
    // Connected: the probe and the reads of the connect have reached the unit.
    QTRY_VERIFY_WITH_TIMEOUT(line.RequestCount() >= 10, 10000);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGTERM);
    termios left{};
    QCOMPARE(::tcgetattr(observer, &left), 0);
    QVERIFY(SameTerminalSettings(left, found));
    ::close(observer);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
