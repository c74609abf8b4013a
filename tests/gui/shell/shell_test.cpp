#include "gui/dialogs/BusyDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/shell/Application.h"
#include "gui/shell/ChildWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/SelectionScreen.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/StatusLed.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "link/MessageSink.h"
#include "model/ProgramContainer.h"

#include "VirtualLine.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <set>

namespace {

// Message boxes of the unit controller, recorded instead of shown.
struct RecordingSink : IMessageSink {
    QStringList messages;
    void ShowMessage(const std::string& text, MessageKind) override {
        messages << QString::fromStdString(text);
    }
    bool AskYesNo(const std::string& text) override {
        messages << QString::fromStdString(text);
        return false;
    }
};

void SaveShot(QWidget& w, const QString& name) {
    const QString dir = QStringLiteral(TAVREL_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    w.grab().save(dir + "/" + name + ".png");
}

// Gain index shown as `dB` on a scale with the given offset: 0.1 dB per index step.
int GainIndex(double dB, double offset) {
    return static_cast<int>(std::lround((dB + offset) * 10.0));
}

int ModelCommand(int deviceType) {
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
    return deviceType == 2 ? "3x6" : deviceType == 3 ? "2x4" : "4x8";
}

// Closes any modal dialog that opens while `f` runs and reports whether one did: a wrongly
// opened dialog then fails the test instead of hanging it.
template <class F> bool OpensModalDialog(F&& f) {
    bool opened = false;
    QTimer guard;
    guard.setInterval(50);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(QDialog::Rejected);
            else
                modal->close();
        }
    });
    guard.start();
    f();
    QTest::qWait(150);
    return opened;
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startupShowsTheSelectionScreen();
    void commandsSetViewAndTitle_data();
    void commandsSetViewAndTitle();
    void escThenSameDeviceGivesAFreshSurface();
    void faderAndEditAreCoupled_data();
    void faderAndEditAreCoupled();
    void typedGainOutOfRangeIsClamped();
    void nameButtonTogglesTheCurveAndSendsNothing();
    void polarityAndMuteFollowTheRecord();
    void deviceButtonWhileDisconnectedOpensNothing();
    void laterDialogsAreDisabled();
    void recentFileListKeepsStoredSettings();
    void connectsToTheVirtualUnit_data();
    void connectsToTheVirtualUnit();
    void connectButtonRunsTheDialogsOnTheRealTimers();
    void deviceDialogGivesTheUnitANewId();
    void bankIsOfferedForSavingOnceItsLastReplyIsTaken();
    void wrongDeviceTypeDisconnects();
    void escWhileConnectedEndsTheConnection();

private:
    ControlSurface* Show(int command);
    // One send tick, then up to 200 ms for the line event that answers the frame sent.
    void TickAndAnswer(ControlSurface& surface);
    // Ticks until `done` holds after a tick; false after `maxTicks` ticks.
    template <class P> bool TickUntil(ControlSurface& surface, P done, int maxTicks = 400);
    std::unique_ptr<VirtualLine> OpenLine(int deviceType, int deviceId = 1);

    std::unique_ptr<MainWindow> m_frame;
    RecordingSink m_sink;
    QStringList m_controlMessages;
    int m_busyDisplays = 0;
};

void AppTest::init() {
    m_sink.messages.clear();
    m_controlMessages.clear();
    m_busyDisplays = 0;
    SetControlMessageHook([this](QWidget*, const QString& text) { m_controlMessages << text; });
    m_frame = std::make_unique<MainWindow>();
    m_frame->show();
}

void AppTest::cleanup() {
    m_frame.reset();
    SetControlMessageHook({});
}

ControlSurface* AppTest::Show(int command) {
    if (!m_frame->OnCommand(command))
        return nullptr;
    ControlSurface* surface = m_frame->ActiveSurface();
    if (surface) {
        surface->SetMessageSink(&m_sink);
        surface->SetManualTick(true);
        surface->SetBusyDisplayRunner([this](ControlSurface&) { ++m_busyDisplays; });
    }
    return surface;
}

void AppTest::TickAndAnswer(ControlSurface& surface) {
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

template <class P> bool AppTest::TickUntil(ControlSurface& surface, P done, int maxTicks) {
    // At least one tick: an edit made just now is found only by the next scan.
    for (int i = 0; i < maxTicks; ++i) {
        TickAndAnswer(surface);
        if (done())
            return true;
    }
    return false;
}

std::unique_ptr<VirtualLine> AppTest::OpenLine(int deviceType, int deviceId) {
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

// ---- Shell -------------------------------------------------------------------------------------

void AppTest::startupShowsTheSelectionScreen() {
    m_frame.reset();
    Application app;
    QVERIFY(app.InitInstance(Application::Options{}));
    MainWindow* frame = app.MainFrame();
    QVERIFY(frame->SelectionView());
    QCOMPARE(frame->windowTitle(), QString("Tavrel1.0"));
    // Fixed size: minimum and maximum are the same.
    QCOMPARE(frame->minimumSize(), QSize(1050, 720));
    QCOMPARE(frame->maximumSize(), QSize(1050, 720));
    QVERIFY(!(frame->windowFlags() & Qt::WindowMaximizeButtonHint));
    SelectionScreen* selection = frame->SelectionView();
    QCOMPARE(selection->Button4x8()->text(), QString("4x8"));
    QCOMPARE(selection->Button3x6()->text(), QString("3x6"));
    QCOMPARE(selection->Button2x4()->text(), QString("2x4"));
    // The child fills the main window below the menu bar.
    QTRY_COMPARE(frame->ActiveChild()->geometry(),
                 QRect(0, frame->menuBar()->height(), 1050, 720 - frame->menuBar()->height()));
    SaveShot(*frame, "selection");

    // A device button goes through the main window's command.
    QTest::mouseClick(selection->Button3x6(), Qt::LeftButton);
    QTRY_VERIFY(frame->ActiveSurface() && frame->ActiveSurface()->Controller().DeviceType() == 2);
    QCOMPARE(frame->windowTitle(), QString("Tavrel1.0 3x6"));
}

void AppTest::commandsSetViewAndTitle_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("deviceType"); // 0: the selection screen
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    QTest::newRow("4x8") << ID_DEVICE_4X8 << "Tavrel1.0 4x8" << 1 << 4 << 8;
    QTest::newRow("3x6") << ID_DEVICE_3X6 << "Tavrel1.0 3x6" << 2 << 3 << 6;
    QTest::newRow("2x4") << ID_DEVICE_2X4 << "Tavrel1.0 2x4" << 3 << 2 << 4;
    QTest::newRow("select") << ID_DEVICE_SELECT << "Tavrel1.0" << 0 << 0 << 0;
}

void AppTest::commandsSetViewAndTitle() {
    QFETCH(int, command);
    QFETCH(QString, title);
    QFETCH(int, deviceType);
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    Show(ID_DEVICE_4X8); // every switch starts from another view
    Show(command);
    QCOMPARE(m_frame->windowTitle(), title);
    ControlSurface* surface = m_frame->ActiveSurface();
    if (deviceType == 0) {
        QVERIFY(!surface);
        QVERIFY(m_frame->SelectionView());
        return;
    }
    QVERIFY(surface);
    QCOMPARE(surface->InputStripCount(), inputs);
    QCOMPARE(surface->OutputStripCount(), outputs);
    // Every dialog reading the container sees the model's type.
    QCOMPARE(surface->Document().Data().deviceType(), deviceType);
    QCOMPARE(surface->Controller().DeviceType(), deviceType);
    // Only the 4x8 has the input-source box.
    QCOMPARE(surface->SourceBox() != nullptr, deviceType == 1);
    // Starts disconnected with the status line's idle look.
    QVERIFY(!surface->Controller().IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(), QString("Link/Unlink"));
    QVERIFY(!surface->LinkBox()->isEnabled());
    QVERIFY(!surface->DeviceIdBox()->isEnabled());
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Red));
    QVERIFY(!surface->Led()->keepBlinking());
    QCOMPARE(surface->InputStrip(0).name->text(), QString("Input A"));
    QCOMPARE(surface->OutputStrip(outputs - 1).name->text(), QString("Out %1").arg(outputs));
    SaveShot(*m_frame, "surface-" + ModelName(deviceType) + "-disconnected");
}

void AppTest::escThenSameDeviceGivesAFreshSurface() {
    QPointer<ControlSurface> first = Show(ID_DEVICE_4X8);
    QVERIFY(first);
    // An edit and a hidden curve on the first surface.
    emit first->OutputStrip(2).fader->sliderMessage(Fader::kMsgReleased,
                                                    ControlSurface::kFirstOutputFaderId + 2, 0);
    QTest::mouseClick(first->InputStrip(1).name, Qt::LeftButton);
    QCOMPARE(first->Document().Data().output(2).gain(), 550);

    QTest::mouseClick(first->SideButtonAt(SideButton::Esc), Qt::LeftButton);
    QTRY_VERIFY(m_frame->SelectionView());
    QVERIFY(!first); // view, engine and document are gone
    QCOMPARE(m_frame->windowTitle(), QString("Tavrel1.0"));
    QTRY_COMPARE(m_frame->ActiveChild()->width(), 1050);

    ControlSurface* second = Show(ID_DEVICE_4X8);
    QVERIFY(second);
    const ProgramContainer& fresh = second->Document().Data();
    QCOMPARE(fresh.output(2).gain(), 400); // the 4x8's 0 dB
    QCOMPARE(second->OutputStrip(2).gain->text(), QString("0.0"));
    QCOMPARE(second->OutputStrip(2).fader->position(), 550 - 400);
    QCOMPARE(fresh.input(1).present(), 1);
    QCOMPARE(second->InputStrip(1).name->text(), QString("Input B"));
    QVERIFY(!second->Controller().IsConnected());
}

// ---- Strips ------------------------------------------------------------------------------------

void AppTest::faderAndEditAreCoupled_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("output");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("bottom");
    QTest::newRow("4x8 input: 460 at the top is +6 dB") << 1 << false << 460 << 40.0 << "6.0"
                                                        << "-40.0";
    QTest::newRow("4x8 output: 550 at the top is +15 dB") << 1 << true << 550 << 40.0 << "15.0"
                                                          << "-40.0";
    QTest::newRow("3x6 input: 560 at the top is +20 dB") << 2 << false << 560 << 36.0 << "20.0"
                                                         << "-36.0";
    QTest::newRow("3x6 output") << 2 << true << 560 << 36.0 << "20.0"
                                << "-36.0";
    QTest::newRow("2x4 input") << 3 << false << 560 << 36.0 << "20.0"
                               << "-36.0";
    QTest::newRow("2x4 output: 20.0 at the top") << 3 << true << 560 << 36.0 << "20.0"
                                                 << "-36.0";
}

void AppTest::faderAndEditAreCoupled() {
    QFETCH(int, deviceType);
    QFETCH(bool, output);
    QFETCH(int, maximum);
    QFETCH(double, offset);
    QFETCH(QString, top);
    QFETCH(QString, bottom);
    ControlSurface* surface = Show(ModelCommand(deviceType));
    QVERIFY(surface);
    const int last = output ? surface->OutputStripCount() - 1 : surface->InputStripCount() - 1;
    SurfaceStrip& strip = output ? surface->OutputStrip(last) : surface->InputStrip(last);
    ProgramContainer& data = surface->Document().Data();
    auto gain = [&] { return output ? data.output(last).gain() : data.input(last).gain(); };
    const int faderId =
        (output ? ControlSurface::kFirstOutputFaderId : ControlSurface::kFirstInputFaderId) + last;
    QCOMPARE(strip.fader->maximum(), maximum);
    QCOMPARE(strip.gain->maximum(), maximum);

    emit strip.fader->sliderMessage(Fader::kMsgMoving, faderId, 0);
    QCOMPARE(gain(), maximum);
    QCOMPARE(strip.gain->text(), top);
    emit strip.fader->sliderMessage(Fader::kMsgReleased, faderId, maximum);
    QCOMPARE(gain(), 0);
    QCOMPARE(strip.gain->text(), bottom);

    // Fader notifications of another id leave this strip alone.
    emit strip.fader->sliderMessage(Fader::kMsgMoving, 9999, 10);
    QCOMPARE(gain(), 0);

    // From the edit: -10 dB moves the fader to maximum - index.
    const int index = GainIndex(-10.0, offset);
    strip.gain->setFocus();
    strip.gain->selectAll();
    QTest::keyClicks(strip.gain, "-10");
    QVERIFY(strip.gain->commit());
    QCOMPARE(gain(), index);
    QCOMPARE(strip.fader->position(), maximum - index);
    QCOMPARE(strip.gain->text(), QString("-10.0"));
    QVERIFY(m_controlMessages.isEmpty());
}

void AppTest::typedGainOutOfRangeIsClamped() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    SurfaceStrip& strip = surface->InputStrip(0);
    strip.gain->setFocus();
    QTRY_VERIFY(strip.gain->hasFocus());
    strip.gain->selectAll();
    QTest::keyClicks(strip.gain, "10");
    // Enter moves the focus to the view; the edit takes its text on losing it.
    QTest::keyClick(strip.gain, Qt::Key_Return);
    QTRY_VERIFY(surface->hasFocus());
    QCOMPARE(m_controlMessages, QStringList{"Out of Range"});
    QCOMPARE(strip.gain->text(), QString("6.0"));
    QCOMPARE(strip.fader->position(), 0);
    QCOMPARE(surface->Document().Data().input(0).gain(), 460);

    // Esc does the same; Tab never moves the focus between controls.
    strip.gain->setFocus();
    QTRY_VERIFY(strip.gain->hasFocus());
    QTest::keyClick(strip.gain, Qt::Key_Tab);
    QVERIFY(strip.gain->hasFocus());
    QTest::keyClick(strip.gain, Qt::Key_Escape);
    QTRY_VERIFY(surface->hasFocus());
}

void AppTest::nameButtonTogglesTheCurveAndSendsNothing() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    data.clearChangeFlags();
    SurfaceStrip& strip = surface->OutputStrip(4);
    const QColor curve(data.output(4).curveColour().r, data.output(4).curveColour().g,
                       data.output(4).curveColour().b);
    QCOMPARE(strip.name->fillColour(strip.name->state()), curve);

    QTest::mouseClick(strip.name, Qt::LeftButton);
    QCOMPARE(data.output(4).present(), 0);
    QCOMPARE(strip.name->text(), QString("Hide"));
    QCOMPARE(strip.name->fillColour(strip.name->state()), QColor(Qt::black));
    SaveShot(*surface->Graph(), "graph-output5-hidden");

    QTest::mouseClick(strip.name, Qt::LeftButton);
    QCOMPARE(data.output(4).present(), 1);
    QCOMPARE(strip.name->text(), QString("Out 5"));
    QCOMPARE(strip.name->fillColour(strip.name->state()), curve);
    // Nothing to send: the next scan falls back to the meter poll.
    QCOMPARE(data.nextPendingFrame().bytes, data.meterPollFrame().bytes);
}

void AppTest::polarityAndMuteFollowTheRecord() {
    ControlSurface* surface = Show(ID_DEVICE_2X4);
    ProgramContainer& data = surface->Document().Data();
    SurfaceStrip& in = surface->InputStrip(1);
    QCOMPARE(in.polarity->text(), QString("+Normal"));
    QTest::mouseClick(in.polarity, Qt::LeftButton);
    QCOMPARE(int(data.input(1).polarity()), 1);
    QCOMPARE(in.polarity->text(), QString("-Invert"));
    QCOMPARE(in.polarity->fillColour(in.polarity->state()), QColor(128, 128, 128));

    SurfaceStrip& out = surface->OutputStrip(3);
    QVERIFY(out.mute->isSounding());
    QTest::mouseClick(out.mute, Qt::LeftButton);
    QCOMPARE(int(data.output(3).on()), 0);
    QVERIFY(!out.mute->isSounding());
    // The edits raise change flags: the scan builds a frame, not the meter poll.
    QVERIFY(data.nextPendingFrame().bytes != data.meterPollFrame().bytes);
}

void AppTest::deviceButtonWhileDisconnectedOpensNothing() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    TwoStateButton* device = surface->SideButtonAt(SideButton::Device);
    QVERIFY(!OpensModalDialog([&] { QTest::mouseClick(device, Qt::LeftButton); }));
    QCOMPARE(device->state(), 1); // back up at once
}

void AppTest::laterDialogsAreDisabled() {
    ControlSurface* surface = Show(ID_DEVICE_3X6);
    for (SideButton b : {SideButton::DataView, SideButton::Program, SideButton::Copy,
                         SideButton::Interface, SideButton::BoxName})
        QVERIFY(!surface->SideButtonAt(b)->isEnabled());
    for (SideButton b : {SideButton::Connection, SideButton::Device, SideButton::Esc})
        QVERIFY(surface->SideButtonAt(b)->isEnabled());
    QVERIFY(!surface->InputStrip(0).eq->isEnabled());
    QVERIFY(!surface->OutputStrip(5).channelEditor->isEnabled());
}

void AppTest::recentFileListKeepsStoredSettings() {
    QTemporaryDir dir;
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    emit surface->InputStrip(2).fader->sliderMessage(Fader::kMsgReleased,
                                                     ControlSurface::kFirstInputFaderId + 2, 160);
    QVERIFY(surface->StoreProgramToFile(dir.filePath("live")));
    const QString stored = dir.filePath("live.dia48");
    QVERIFY(QFile::exists(stored));
    QCOMPARE(m_frame->windowTitle(), QString("RID48_NewProgram"));
    QCOMPARE(m_frame->RecentFiles().value(0), stored);

    // Kept by the settings store under the framework's key.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, MainWindow::kSettingsKey,
                       MainWindow::kApplicationName);
    QCOMPARE(settings.value("Recent File List/File1").toString(), stored);

    // Recalling it into a fresh surface brings the gain back into the record and the strip.
    surface = Show(ID_DEVICE_4X8);
    m_frame->OpenRecentFile(0);
    QCOMPARE(surface->Document().Data().input(2).gain(), 460 - 160);
    QCOMPARE(surface->InputStrip(2).fader->position(), 160);
    Q_UNUSED(data);

    // A file that cannot be read shows the message and leaves the list.
    QFile::remove(stored);
    m_frame->OpenRecentFile(0);
    QCOMPARE(m_sink.messages.value(0), QString("File read Error"));
    QVERIFY(!m_frame->RecentFiles().contains(stored));
}

// ---- Connection
// ----------------------------------------------------------------------------------

void AppTest::connectsToTheVirtualUnit_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("title");
    QTest::newRow("4x8") << 1 << "Tavrel 4x8  Default";
    QTest::newRow("3x6") << 2 << "Tavrel1.0 3x6  Default";
    QTest::newRow("2x4") << 3 << "Tavrel1.0 2x4  Default";
}

void AppTest::connectsToTheVirtualUnit() {
    QFETCH(int, deviceType);
    QFETCH(QString, title);
    auto line = OpenLine(deviceType);
    QVERIFY(line);
    ControlSurface* surface = Show(ModelCommand(deviceType));
    ProgramContainer& data = surface->Document().Data();
    const SurfaceLayout& layout = surface->Layout();

    // Edits made while disconnected: not sent after connecting, replaced by the unit's program.
    emit surface->InputStrip(0).fader->sliderMessage(Fader::kMsgReleased,
                                                     ControlSurface::kFirstInputFaderId, 0);
    QTest::mouseClick(surface->OutputStrip(1).mute, Qt::LeftButton);
    QCOMPARE(data.input(0).gain(), layout.model.inputGainMax);

    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(surface->Controller().IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("UnConnect"));
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Green));
    QVERIFY(surface->Led()->keepBlinking());
    QCOMPARE(surface->LinkBox()->text(),
             QString(layout.linkBoxFollowsConnection ? "Link" : "Link/Unlink"));
    QCOMPARE(surface->DeviceIdBox()->text(), QString("1"));
    QCOMPARE(surface->PortBox()->toolTip(), QString::fromStdString(line->SlavePath()));

    UnitController& controller = surface->Controller();
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QVERIFY(m_busyDisplays >= 1);
    QVERIFY(m_sink.messages.isEmpty());
    QCOMPARE(m_frame->windowTitle(), title);

    // The unit's program (0 dB, every channel on) is in the records and the strips.
    const int zeroDb = GainIndex(0.0, layout.model.GainDbOffset());
    QCOMPARE(data.input(0).gain(), zeroDb);
    QCOMPARE(surface->InputStrip(0).gain->text(), QString("0.0"));
    QCOMPARE(surface->InputStrip(0).fader->position(), layout.model.inputGainMax - zeroDb);
    QCOMPARE(int(data.output(1).on()), 1);
    QVERIFY(surface->OutputStrip(1).mute->isSounding());
    // ... and the unit never received the edits.
    const SimProgram unitProgram = line->WithUnits([](auto& units) { return units[0].Program(0); });
    QVERIFY(unitProgram.inputs == VirtualUnit::DefaultProgram().inputs);
    QVERIFY(unitProgram.outputs == VirtualUnit::DefaultProgram().outputs);

    // The meters move: several different replies, each shown on the strips in 4x8 code order.
    std::set<MeterLevels> seen;
    for (int i = 0; i < 40 && seen.size() < 3; ++i) {
        TickAndAnswer(*surface);
        const MeterLevels& levels = controller.Meters();
        seen.insert(levels);
        for (int k = 0; k < surface->InputStripCount(); ++k)
            QCOMPARE(surface->InputStrip(k).meter->lit(), LevelMeter::SegmentsOfCode(levels[k]));
        for (int k = 0; k < surface->OutputStripCount(); ++k)
            QCOMPARE(surface->OutputStrip(k).meter->lit(),
                     LevelMeter::SegmentsOfCode(levels[static_cast<std::size_t>(4 + k)]));
    }
    QVERIFY(seen.size() >= 3);

    // A live edit reaches the unit: output 1 muted.
    QTest::mouseClick(surface->OutputStrip(0).mute, Qt::LeftButton);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    const SimProgram edited = line->WithUnits([](auto& units) { return units[0].Program(0); });
    QVERIFY(edited.outputs[0] != VirtualUnit::DefaultProgram().outputs[0]);
    QVERIFY(edited.outputs[1] == VirtualUnit::DefaultProgram().outputs[1]);
    QVERIFY(edited.inputs == VirtualUnit::DefaultProgram().inputs);

    SaveShot(*m_frame, "surface-" + ModelName(deviceType) + "-connected");

    // The connection button disconnects.
    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QVERIFY(!controller.IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(),
             QString(layout.linkBoxFollowsConnection ? "Unlink" : "Link/Unlink"));
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Red));
}

void AppTest::connectButtonRunsTheDialogsOnTheRealTimers() {
    auto line = OpenLine(1);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    // The shell's own set-up: the 100 ms timer and the modal busy display.
    surface->SetManualTick(false);
    surface->SetBusyDisplayRunner([this](ControlSurface& s) {
        ++m_busyDisplays;
        BusyDialog display([&s] { return s.Controller().IsBusy(); }, &s);
        display.exec();
    });
    // Only the virtual line is offered: a test never opens a real serial port.
    const std::string port = line->SlavePath();
    surface->SetPortSource([port] {
        PortEntry entry;
        entry.devicePath = port;
        entry.portName = port;
        entry.description = "Virtual unit";
        return PortEntryList{entry};
    });
    surface->SetRememberedPort(port);

    // The connect dialog preselects the remembered port and the first known ID; OK connects.
    QString dialogPort;
    int dialogId = -1;
    bool busyDisplayShown = false;
    QTimer watcher;
    watcher.setInterval(20);
    connect(&watcher, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<ConnectDialog*>(modal)) {
            dialogPort = QString::fromStdString(dialog->PortName());
            dialogId = dialog->DeviceId();
            if (dialog->PortName() == port)
                dialog->accept();
            else
                dialog->reject();
        } else if (qobject_cast<BusyDialog*>(modal)) {
            busyDisplayShown = true;
        }
    });
    watcher.start();
    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QCOMPARE(dialogPort, QString::fromStdString(line->SlavePath()));
    QCOMPARE(dialogId, 1);
    QVERIFY(surface->Controller().IsConnected());
    QVERIFY(surface->IsTickTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(surface->Controller().IsSettled(), 20000);
    QVERIFY(busyDisplayShown);
    QCOMPARE(m_busyDisplays, 1);
    QVERIFY(!QApplication::activeModalWidget()); // the busy display closed itself
    QCOMPARE(m_frame->windowTitle(), QString("Tavrel 4x8  Default"));

    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QVERIFY(!surface->Controller().IsConnected());
    QVERIFY(!surface->IsTickTimerActive());
}

void AppTest::deviceDialogGivesTheUnitANewId() {
    auto line = OpenLine(1);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    UnitController& controller = surface->Controller();
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));

    // The device dialog offers 2 for a unit at ID 1; OK with the first choice renumbers it.
    int offered = 0;
    QTimer watcher;
    watcher.setInterval(20);
    connect(&watcher, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<DeviceIdDialog*>(QApplication::activeModalWidget())) {
            offered = dialog->NewId();
            dialog->accept();
        }
    });
    watcher.start();
    TwoStateButton* device = surface->SideButtonAt(SideButton::Device);
    QTest::mouseClick(device, Qt::LeftButton);
    QCOMPARE(offered, 2);
    QCOMPARE(device->state(), 1);
    QCOMPARE(controller.DeviceId(), 2);
    QCOMPARE(surface->DeviceIdBox()->text(), QString("2"));

    // The unit took its new ID and answers under it.
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(line->WithUnits([](auto& units) { return units[0].deviceId(); }), 2);
    QVERIFY(controller.IsConnected());
    QVERIFY(m_sink.messages.isEmpty());
}

void AppTest::bankIsOfferedForSavingOnceItsLastReplyIsTaken() {
    auto line = OpenLine(1);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    UnitController& controller = surface->Controller();
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));

    // The save chooser is cancelled as soon as it shows, recording whether a frame on the line
    // still waits for its answer then. Opened while the last reply is still being taken in, that
    // reply's frame would still be the head, unanswered to the send tick, which would repeat it
    // (a second chooser) and give the connection up while the operator chooses a name.
    int offers = 0;
    bool awaitingAnswerAtOffer = true;
    QTimer guard;
    guard.setInterval(20);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++offers;
            const Request* head = controller.Command().HeadFrame();
            awaitingAnswerAtOffer = head && !head->firstSendPending;
            chooser->reject();
        }
    });
    guard.start();
    controller.ReadAllProgramsFromDevice();
    QVERIFY(TickUntil(
        *surface, [&] { return offers > 0 && controller.IsSettled(); }, 1000));
    QCOMPARE(offers, 1);
    QVERIFY(!awaitingAnswerAtOffer);
    QVERIFY(controller.IsConnected());
    QVERIFY(m_sink.messages.isEmpty());
    QCOMPARE(surface->Document().Bank()[29].name, controller.ProgramName(30));
}

void AppTest::wrongDeviceTypeDisconnects() {
    auto line = OpenLine(2); // a 3x6 unit
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    UnitController& controller = surface->Controller();
    QVERIFY(TickUntil(
        *surface, [&] { return !controller.IsConnected(); }, 100));
    QCOMPARE(m_sink.messages.value(0), QString("Device Type Error!"));
    QVERIFY(!controller.IsBusy());
    QVERIFY(!surface->IsTickTimerActive());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(), QString("Unlink"));
}

void AppTest::escWhileConnectedEndsTheConnection() {
    auto line = OpenLine(1);
    QVERIFY(line);
    QPointer<ControlSurface> surface = Show(ID_DEVICE_4X8);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    QVERIFY(!OpensModalDialog([&] {
        QTest::mouseClick(surface->SideButtonAt(SideButton::Esc), Qt::LeftButton);
        QTRY_VERIFY(m_frame->SelectionView());
    }));
    QVERIFY(!surface);
    QCOMPARE(m_frame->windowTitle(), QString("Tavrel1.0"));

    // The port is free again: a new surface takes it over and reads the unit.
    ControlSurface* next = Show(ID_DEVICE_4X8);
    QVERIFY(next->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*next, [&] { return next->Controller().IsSettled(); }));
    QVERIFY(m_sink.messages.isEmpty());
}

int main(int argc, char** argv) {
    // Keep the settings store and the virtual-unit links away from the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.filePath("runtime").toUtf8());
    QDir().mkpath(home.filePath("runtime"));
    QFile::setPermissions(home.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "shell_test.moc"
