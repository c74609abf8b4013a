#include "gui/shell/Application.h"
#include "gui/surface/ControlSurface.h"

#include "TavrelVersion.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
