// The control surfaces: strips coupled to the records, buttons, and the connection to a virtual
// unit on a pseudo-terminal, driven by explicit send ticks.

#include "GuiTestSupport.h"
#include "Ser2netServer.h"
#include "StripParts.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/BusyDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/shell/MainWindow.h"
#include "gui/support/DialogUnits.h"
#include "gui/support/ProgramSettings.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/StatusLed.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>

using namespace guitest;

namespace {

// Gain index shown as `dB` on a scale with the given offset: 0.1 dB per index step.
int GainIndex(double dB, double offset) {
    return static_cast<int>(std::lround((dB + offset) * 10.0));
}

} // namespace

class ControlSurfaceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void faderAndEditAreCoupled_data();
    void faderAndEditAreCoupled();
    void typedGainOutOfRangeIsRefused();
    void tabWalksTheStripsThenTheSideButtons();
    void channelMenuOpensEveryEditor_data();
    void channelMenuOpensEveryEditor();
    void escapeInAGainEditTakesNothingIn();
    void gainFaderKeysNeverJump_data();
    void gainFaderKeysNeverJump();
    void nameButtonTogglesTheCurveAndSendsNothing();
    void polarityAndMuteFollowTheRecord();
    void polarityReadsClearlyInBothStates();
    void deviceButtonWhileDisconnectedOpensNothing();
    void everyDialogButtonIsEnabled();
    void scaleMarksMakeRoomForEachOther_data();
    void scaleMarksMakeRoomForEachOther();
    void stripsFillTheirGroupsAndScaleLabelsStayClear_data();
    void stripsFillTheirGroupsAndScaleLabelsStayClear();
    void everyButtonSaysWhatItDoes_data();
    void everyButtonSaysWhatItDoes();
    void connectsToTheVirtualUnit_data();
    void connectsToTheVirtualUnit();
    void connectButtonRunsTheDialogsOnTheRealTimers();
    void connectDialogOffersThePortOfTheLastConnection();
    void connectsThroughASerialServerChosenInTheDialog();
    void metersShowNothingWithoutAReading_data();
    void metersShowNothingWithoutAReading();
    void deviceDialogGivesTheUnitANewId();
    void bankIsOfferedForSavingOnceItsLastReplyIsTaken();
    void wrongDeviceTypeDisconnects();

private:
    MainWindow& Frame() { return m_harness->Window(); }
    MessageRecorder& Messages() { return m_harness->Messages(); }
    ControlSurface* Show(int command) { return m_harness->Show(command); }

    std::unique_ptr<SurfaceHarness> m_harness;
};

void ControlSurfaceTest::faderAndEditAreCoupled_data() {
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

void ControlSurfaceTest::faderAndEditAreCoupled() {
    QFETCH(int, deviceType);
    QFETCH(bool, output);
    QFETCH(int, maximum);
    QFETCH(double, offset);
    QFETCH(QString, top);
    QFETCH(QString, bottom);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    QVERIFY(surface);
    const int last = output ? surface->OutputStripCount() - 1 : surface->InputStripCount() - 1;
    ChannelStrip& strip = output ? surface->OutputStrip(last) : surface->InputStrip(last);
    ProgramContainer& data = surface->Document().Data();
    auto gain = [&] { return output ? data.output(last).gain() : data.input(last).gain(); };
    QCOMPARE(strip.fader->maximum(), maximum);
    QCOMPARE(strip.gain->maximum(), maximum);

    strip.fader->setValue(0);
    QCOMPARE(gain(), maximum);
    QCOMPARE(strip.gain->text(), top);
    strip.fader->setValue(maximum);
    QCOMPARE(gain(), 0);
    QCOMPARE(strip.gain->text(), bottom);

    // From the edit: -10 dB moves the fader to maximum - index.
    const int index = GainIndex(-10.0, offset);
    strip.gain->setFocus();
    strip.gain->selectAll();
    QTest::keyClicks(strip.gain, "-10");
    QVERIFY(strip.gain->commit());
    QCOMPARE(gain(), index);
    QCOMPARE(strip.fader->value(), maximum - index);
    QCOMPARE(strip.gain->text(), QString("-10.0"));
    QVERIFY(Messages().ControlMessages().isEmpty());
}

void ControlSurfaceTest::typedGainOutOfRangeIsRefused() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Frame()));
    ProgramContainer& data = surface->Document().Data();
    data.clearChangeFlags();
    ChannelStrip& strip = surface->InputStrip(0);
    strip.gain->setFocus();
    QTRY_VERIFY(strip.gain->hasFocus());
    strip.gain->selectAll();
    QTest::keyClicks(strip.gain, "10");
    // Enter moves the focus to the view; the edit takes its text on losing it: above the top it
    // is refused, and the gain, the fader and the unit keep what they had.
    QTest::keyClick(strip.gain, Qt::Key_Return);
    QTRY_VERIFY(surface->hasFocus());
    QCOMPARE(Messages().ControlMessages(),
             QStringList{"Out of Range\nAllowed range: -40.0 to 6.0 dB"});
    QCOMPARE(strip.gain->text(), QString("0.0"));
    QCOMPARE(strip.fader->value(), 460 - 400);
    QCOMPARE(data.input(0).gain(), 400);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);
}

void ControlSurfaceTest::tabWalksTheStripsThenTheSideButtons() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Frame()));
    const ChannelStrip& a = surface->InputStrip(0);
    const ChannelStrip& b = surface->InputStrip(1);
    a.name->setFocus();
    QTRY_VERIFY(a.name->hasFocus());
    // Down a strip, then on to the next one.
    const QWidget* order[] = {a.polarity, a.eq, a.channelEditor, a.gain, a.fader, a.mute, b.name};
    for (const QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTRY_COMPARE(QApplication::focusWidget(), a.mute);
    // After the last output the side buttons: "Connection" first (the others wait for a unit).
    guitest::StripParts(*surface, true, 7).mute->setFocus();
    QTRY_VERIFY(guitest::StripParts(*surface, true, 7).mute->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), surface->SideButtonAt(SideButton::Connection));
}

void ControlSurfaceTest::channelMenuOpensEveryEditor_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("4x8") << 1
                         << QStringList{"Input &A", "Input &B", "Input &C", "Input &D", "",
                                        "Out &1",   "Out &2",   "Out &3",   "Out &4",   "Out &5",
                                        "Out &6",   "Out &7",   "Out &8"};
    QTest::newRow("2x4") << 3 << QStringList{"Input &A", "Input &B", "",      "Out &1",
                                             "Out &2",   "Out &3",   "Out &4"};
}

void ControlSurfaceTest::channelMenuOpensEveryEditor() {
    QFETCH(int, deviceType);
    QFETCH(QStringList, titles);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    QMenu* menu = surface->ChannelMenu();
    QVERIFY(Frame().menuBar()->actions().contains(menu->menuAction()));
    QCOMPARE(Frame().ChannelMenu(), menu);
    QStringList shown;
    for (QAction* action : menu->actions())
        shown << action->text();
    QCOMPARE(shown, titles);
    // Each channel's submenu opens its settings and its equaliser.
    const QList<QAction*> channels = menu->actions();
    auto open = [&](int entry, int item) { channels[entry]->menu()->actions()[item]->trigger(); };
    open(0, 0);
    QVERIFY(surface->Editors().Editor(EditorKind::InputChannel, 0));
    open(titles.size() - 1, 1);
    const int lastOutput = surface->OutputStripCount() - 1;
    QVERIFY(surface->Editors().Editor(EditorKind::OutputEqualizer, lastOutput));
    QCOMPARE(surface->Editors().OpenCount(), 2);
    // The menu goes with the surface.
    Show(ID_DEVICE_SELECT);
    QCOMPARE(Frame().ChannelMenu(), nullptr);
    QCOMPARE(Frame().menuBar()->actions().size(), 3); // File, Edit, Help
}

void ControlSurfaceTest::escapeInAGainEditTakesNothingIn() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Frame()));
    ProgramContainer& data = surface->Document().Data();
    data.clearChangeFlags();
    ChannelStrip& strip = surface->OutputStrip(2);
    strip.gain->setFocus();
    QTRY_VERIFY(strip.gain->hasFocus());
    strip.gain->selectAll();
    QTest::keyClicks(strip.gain, "-9");
    // Esc brings back what was shown before typing; the focus goes to the surface, and the
    // edit losing it has nothing to take in.
    QTest::keyClick(strip.gain, Qt::Key_Escape);
    QTRY_VERIFY(surface->hasFocus());
    QCOMPARE(strip.gain->text(), QString("0.0"));
    QCOMPARE(data.output(2).gain(), 400);
    QCOMPARE(strip.fader->value(), 550 - 400);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);
}

void ControlSurfaceTest::gainFaderKeysNeverJump_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("afterPage");
    QTest::newRow("4x8 output at -40 dB") << 1 << true << "-39.0";
    QTest::newRow("3x6 input at -36 dB") << 2 << false << "-35.0";
}

void ControlSurfaceTest::gainFaderKeysNeverJump() {
    QFETCH(int, deviceType);
    QFETCH(bool, output);
    QFETCH(QString, afterPage);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    ChannelStrip& strip = output ? surface->OutputStrip(0) : surface->InputStrip(0);
    ProgramContainer& data = surface->Document().Data();
    auto gain = [&] { return output ? data.output(0).gain() : data.input(0).gain(); };
    // The fader at its foot: the lowest gain.
    strip.fader->setValue(strip.gainMax);
    QCOMPARE(gain(), 0);
    data.clearChangeFlags();
    QSignalSpy reports(strip.fader, &Fader::valueChanged);

    // Home and End move nothing, report nothing and leave nothing to send.
    QTest::keyClick(strip.fader, Qt::Key_End);
    QTest::keyClick(strip.fader, Qt::Key_Home);
    QCOMPARE(gain(), 0);
    QCOMPARE(reports.count(), 0);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);

    // A page is 1 dB, an arrow 0.1 dB.
    QTest::keyClick(strip.fader, Qt::Key_PageUp);
    QCOMPARE(gain(), 10);
    QCOMPARE(strip.gain->text(), afterPage);
    QTest::keyClick(strip.fader, Qt::Key_Up);
    QCOMPARE(gain(), 11);
    QCOMPARE(strip.fader->value(), strip.gainMax - 11);
    QTest::keyClick(strip.fader, Qt::Key_PageDown);
    QTest::keyClick(strip.fader, Qt::Key_PageDown);
    QCOMPARE(gain(), 0);
}

void ControlSurfaceTest::nameButtonTogglesTheCurveAndSendsNothing() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    data.clearChangeFlags();
    ChannelStrip& strip = surface->OutputStrip(4);
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
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);
}

void ControlSurfaceTest::polarityAndMuteFollowTheRecord() {
    ControlSurface* surface = Show(ID_DEVICE_2X4);
    ProgramContainer& data = surface->Document().Data();
    ChannelStrip& in = surface->InputStrip(1);
    QCOMPARE(in.polarity->text(), QString("+Normal"));
    QTest::mouseClick(in.polarity, Qt::LeftButton);
    QCOMPARE(int(data.input(1).polarity()), 1);
    QCOMPARE(in.polarity->text(), QString("-Invert"));
    QCOMPARE(in.polarity->fillColour(in.polarity->state()), QColor(255, 170, 0));

    ChannelStrip& out = surface->OutputStrip(3);
    QVERIFY(out.mute->isSounding());
    QTest::mouseClick(out.mute, Qt::LeftButton);
    QCOMPARE(int(data.output(3).on()), 0);
    QVERIFY(!out.mute->isSounding());
    // The edits raise change flags: the scan builds a frame, not the meter poll.
    QVERIFY(NextPendingRequest(data).bytes != RequestFrames(data).meterPollFrame().bytes);
}

namespace {

// Contrast of two colours as screen-reading guidelines measure it: 1 (none) to 21.
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

void ControlSurfaceTest::polarityReadsClearlyInBothStates() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    TwoStateButton* polarity = guitest::StripParts(*surface, true, 0).polarity;
    const QColor normalFace = polarity->fillColour(1);
    const QColor normalText = polarity->textColour(1);
    const QColor invertFace = polarity->fillColour(0);
    const QColor invertText = polarity->textColour(0);
    // Both captions are easy to read on their faces.
    QVERIFY(Contrast(normalFace, normalText) >= 7.0);
    QVERIFY(Contrast(invertFace, invertText) >= 7.0);
    // Normal is no alarm: neither its caption nor its face is a strong colour.
    QVERIFY(normalText.hsvSaturationF() < 0.3);
    QVERIFY(normalFace.hsvSaturationF() < 0.3);
    // Inverted does not look disabled: a strong colour, unlike the grey of a disabled control.
    QVERIFY(invertFace.hsvSaturationF() > 0.6);

    QTest::mouseClick(polarity, Qt::LeftButton);
    const QImage inverted = SaveShot(*polarity, "polarity-inverted");
    QCOMPARE(inverted.pixelColor(inverted.width() / 4, 4), invertFace);
}

void ControlSurfaceTest::deviceButtonWhileDisconnectedOpensNothing() {
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    TwoStateButton* device = surface->SideButtonAt(SideButton::Device);
    QVERIFY(!OpensModalDialog([&] { QTest::mouseClick(device, Qt::LeftButton); }));
    QCOMPARE(device->state(), 1); // back up at once
}

void ControlSurfaceTest::everyDialogButtonIsEnabled() {
    ControlSurface* surface = Show(ID_DEVICE_3X6);
    for (SideButton b :
         {SideButton::Connection, SideButton::DataView, SideButton::Device, SideButton::Program,
          SideButton::Copy, SideButton::Interface, SideButton::BoxName, SideButton::Esc})
        QVERIFY(surface->SideButtonAt(b)->isEnabled());
    QVERIFY(guitest::StripParts(*surface, false, 0).eq->isEnabled());
    QVERIFY(guitest::StripParts(*surface, true, 5).eq->isEnabled());
    QVERIFY(guitest::StripParts(*surface, true, 5).channelEditor->isEnabled());
}

void ControlSurfaceTest::scaleMarksMakeRoomForEachOther_data() {
    QTest::addColumn<QList<double>>("centres");
    QTest::addColumn<QString>("visible"); // '1' drawn, '0' left out, top first
    QTest::newRow("all clear of each other") << QList<double>{0, 20, 40, 60} << "1111";
    QTest::newRow("one too close to the bottom gives way to it")
        << QList<double>{0, 20, 40, 52, 60} << "11101";
    QTest::newRow("a crowd below the top keeps every other one")
        << QList<double>{0, 8, 16, 24, 32, 60} << "101011";
    QTest::newRow("the ends stay even when they touch") << QList<double>{0, 5} << "11";
    QTest::newRow("a single mark") << QList<double>{7} << "1";
}

void ControlSurfaceTest::scaleMarksMakeRoomForEachOther() {
    QFETCH(QList<double>, centres);
    QFETCH(QString, visible);
    const std::vector<bool> shown =
        VisibleScaleMarks(std::vector<double>(centres.begin(), centres.end()), 13.0);
    QString pattern;
    for (bool b : shown)
        pattern += b ? '1' : '0';
    QCOMPARE(pattern, visible);
}

void ControlSurfaceTest::stripsFillTheirGroupsAndScaleLabelsStayClear_data() {
    QTest::addColumn<int>("deviceType");
    QTest::newRow("4x8") << 1;
    QTest::newRow("3x6") << 2;
    QTest::newRow("2x4") << 3;
}

void ControlSurfaceTest::stripsFillTheirGroupsAndScaleLabelsStayClear() {
    QFETCH(int, deviceType);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    const SurfaceLayout& layout = surface->Layout();
    for (bool output : {false, true}) {
        const DluBox& group = output ? layout.outputGroup : layout.inputGroup;
        const int count = output ? surface->OutputStripCount() : surface->InputStripCount();
        auto strip = [&](int i) -> ChannelStrip& {
            return output ? surface->OutputStrip(i) : surface->InputStrip(i);
        };
        // The last strip ends near the group's right edge: no empty third.
        const QRect groupRect = DluRect(group.x, group.y, group.w, group.h);
        const int gap = groupRect.right() - strip(count - 1).name->geometry().right();
        QVERIFY2(gap < groupRect.width() / 20, qPrintable(QString("gap %1 px").arg(gap)));

        // Every label inside the group, clear of the others and of every strip control.
        const std::vector<ControlSurface::ScaleLabel> labels = surface->ScaleLabels(output);
        const auto& marks = output ? layout.outputScale : layout.inputScale;
        // Every mark, the 3x6's -30dB beside its -36dB included.
        QCOMPARE(labels.size(), marks.size());
        for (std::size_t i = 0; i < labels.size(); ++i)
            QCOMPARE(labels[i].text, QString(marks[i].first));
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const QRect& r = labels[i].rect;
            QVERIFY(groupRect.contains(r));
            QVERIFY(QFontMetrics(surface->font()).horizontalAdvance(labels[i].text) <= r.width());
            if (i > 0)
                QVERIFY2(!r.intersects(labels[i - 1].rect), qPrintable(labels[i].text));
            for (int k = 0; k < count; ++k) {
                for (QWidget* control : std::initializer_list<QWidget*>{
                         strip(k).mute, strip(k).meter, strip(k).fader, strip(k).gain})
                    QVERIFY2(!r.intersects(control->geometry()), qPrintable(labels[i].text));
            }
        }
    }
    SaveShot(*surface, "surface-" + ModelName(deviceType) + "-strips");
}

void ControlSurfaceTest::everyButtonSaysWhatItDoes_data() {
    QTest::addColumn<int>("deviceType");
    QTest::newRow("4x8") << 1;
    QTest::newRow("3x6") << 2;
    QTest::newRow("2x4") << 3;
}

void ControlSurfaceTest::everyButtonSaysWhatItDoes() {
    QFETCH(int, deviceType);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    QSet<QString> sideTips;
    for (std::size_t i = 0; i < kSideButtonCaptions.size(); ++i)
        sideTips.insert(surface->SideButtonAt(static_cast<SideButton>(i))->toolTip());
    QCOMPARE(sideTips.size(), int(kSideButtonCaptions.size())); // each says its own
    // Every button works now: none says it is not available.
    for (const QAbstractButton* button : surface->findChildren<QAbstractButton*>()) {
        QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->text()));
        QVERIFY2(!button->toolTip().contains("not available"), qPrintable(button->toolTip()));
    }
    // The strip buttons name their channel and what they open.
    const ChannelStrip& last = surface->OutputStrip(surface->OutputStripCount() - 1);
    const QString label = QString("Out %1").arg(surface->OutputStripCount());
    QVERIFY(last.eq->toolTip().startsWith("Opens the equaliser of " + label));
    QVERIFY(last.channelEditor->toolTip().startsWith("Opens the channel settings of " + label));
    QVERIFY(guitest::StripParts(*surface, false, 0).name->toolTip().contains("Input A"));
}

void ControlSurfaceTest::connectsToTheVirtualUnit_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("title");
    QTest::newRow("4x8") << 1 << "Tavrel 4x8  Default";
    QTest::newRow("3x6") << 2 << "Tavrel1.0 3x6  Default";
    QTest::newRow("2x4") << 3 << "Tavrel1.0 2x4  Default";
}

void ControlSurfaceTest::connectsToTheVirtualUnit() {
    QFETCH(int, deviceType);
    QFETCH(QString, title);
    auto line = OpenVirtualUnit(deviceType);
    QVERIFY(line);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    ProgramContainer& data = surface->Document().Data();
    const SurfaceLayout& layout = surface->Layout();

    // Edits made while disconnected: not sent after connecting, replaced by the unit's program.
    guitest::StripParts(*surface, false, 0).fader->setValue(0);
    QTest::mouseClick(guitest::StripParts(*surface, true, 1).mute, Qt::LeftButton);
    QCOMPARE(data.input(0).gain(), layout.model.inputGainMax);

    const std::string port = line->SlavePath();
    surface->SetPortSource([port] {
        PortEntry entry;
        entry.devicePath = entry.portName = port;
        entry.description = "Virtual unit on the test line";
        return PortEntryList{entry};
    });
    QVERIFY(surface->ConnectTo(port, 1));
    QVERIFY(surface->Controller().IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("UnConnect"));
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->toolTip(), QString(kDisconnectTooltip));
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Green));
    QVERIFY(surface->Led()->keepBlinking());
    QCOMPARE(surface->LinkBox()->text(), QString("Link"));
    QCOMPARE(surface->DeviceIdBox()->text(), QString("1"));
    // The port box shows the device's short name; path and description are its tooltip.
    QCOMPARE(surface->PortBox()->text(), QString::fromStdString(ShortPortName(port)));
    QVERIFY(surface->PortBox()->text().startsWith("pts/"));
    QCOMPARE(surface->PortBox()->toolTip(),
             QString::fromStdString(port) + "\nVirtual unit on the test line");

    UnitController& controller = surface->Controller();
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QVERIFY(m_harness->BusyDisplays() >= 1);
    QVERIFY(Messages().Texts().isEmpty());
    QCOMPARE(Frame().windowTitle(), title);

    // The unit's program (0 dB, every channel on) is in the records and the strips.
    const int zeroDb = GainIndex(0.0, layout.model.GainDbOffset());
    QCOMPARE(data.input(0).gain(), zeroDb);
    QCOMPARE(guitest::StripParts(*surface, false, 0).gain->text(), QString("0.0"));
    QCOMPARE(guitest::StripParts(*surface, false, 0).fader->value(),
             layout.model.inputGainMax - zeroDb);
    QCOMPARE(int(data.output(1).on()), 1);
    QVERIFY(guitest::StripParts(*surface, true, 1).mute->isSounding());
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
            QCOMPARE(guitest::StripParts(*surface, false, k).meter->lit(),
                     LevelMeter::SegmentsOfCode(levels[k]));
        for (int k = 0; k < surface->OutputStripCount(); ++k)
            QCOMPARE(guitest::StripParts(*surface, true, k).meter->lit(),
                     LevelMeter::SegmentsOfCode(levels[static_cast<std::size_t>(4 + k)]));
    }
    QVERIFY(seen.size() >= 3);

    // A live edit reaches the unit: output 1 muted.
    QTest::mouseClick(guitest::StripParts(*surface, true, 0).mute, Qt::LeftButton);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    const SimProgram edited = line->WithUnits([](auto& units) { return units[0].Program(0); });
    QVERIFY(edited.outputs[0] != VirtualUnit::DefaultProgram().outputs[0]);
    QVERIFY(edited.outputs[1] == VirtualUnit::DefaultProgram().outputs[1]);
    QVERIFY(edited.inputs == VirtualUnit::DefaultProgram().inputs);

    SaveShot(Frame(), "surface-" + ModelName(deviceType) + "-connected");

    // The connection button disconnects.
    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QVERIFY(!controller.IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(), QString("Unlink"));
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Red));
}

void ControlSurfaceTest::connectButtonRunsTheDialogsOnTheRealTimers() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    // The shell's own set-up: the 100 ms timer and the modal busy display.
    surface->SetManualTick(false);
    int busyDisplays = 0;
    surface->SetBusyDisplayRunner([&busyDisplays](ControlSurface& s) {
        ++busyDisplays;
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
    ModalWatcher watcher([&](QWidget* modal) {
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
    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QCOMPARE(dialogPort, QString::fromStdString(line->SlavePath()));
    QCOMPARE(dialogId, 1);
    QVERIFY(surface->Controller().IsConnected());
    QVERIFY(surface->IsTickTimerActive());
    QTRY_VERIFY_WITH_TIMEOUT(surface->Controller().IsSettled(), 20000);
    QVERIFY(busyDisplayShown);
    QCOMPARE(busyDisplays, 1);
    QVERIFY(!QApplication::activeModalWidget()); // the busy display closed itself
    QCOMPARE(Frame().windowTitle(), QString("Tavrel 4x8  Default"));

    QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    QVERIFY(!surface->Controller().IsConnected());
    QVERIFY(!surface->IsTickTimerActive());
}

void ControlSurfaceTest::connectDialogOffersThePortOfTheLastConnection() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    // A USB adapter besides the line: without a remembered port the dialog would offer it.
    const std::string port = line->SlavePath();
    auto ports = [port] {
        PortEntry adapter;
        adapter.devicePath = adapter.portName = "/dev/ttyUSB9";
        adapter.usb = true;
        PortEntry unit;
        unit.devicePath = unit.portName = port;
        return PortEntryList{adapter, unit};
    };
    auto offered = [&](ControlSurface& surface) {
        QString shown;
        ModalWatcher watcher([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<ConnectDialog*>(modal)) {
                shown = QString::fromStdString(dialog->PortName());
                dialog->reject();
            }
        });
        QTest::mouseClick(surface.SideButtonAt(SideButton::Connection), Qt::LeftButton);
        return shown;
    };
    programsettings::SetLastPort(QString()); // earlier tests of this program connected too
    ControlSurface* first = Show(ID_DEVICE_4X8);
    first->SetPortSource(ports);
    QCOMPARE(offered(*first), QString("/dev/ttyUSB9"));
    QVERIFY(first->ConnectTo(port, 1));
    QVERIFY(first->Disconnect());

    // After UnConnect the same surface offers it, and an attempt that fails does not change that.
    QTemporaryDir dir;
    QCOMPARE(offered(*first), QString::fromStdString(port));
    QVERIFY(!first->ConnectTo(dir.filePath("unplugged").toStdString(), 1));
    QCOMPARE(offered(*first), QString::fromStdString(port));

    // A new surface, as in the next run of the program, offers the port connected to last.
    ControlSurface* next = Show(ID_DEVICE_4X8);
    next->SetPortSource(ports);
    QCOMPARE(offered(*next), QString::fromStdString(port));

    // A path the system does not list (a link to the line, typed in the dialog) is offered
    // again after UnConnect, not the adapter the list starts with.
    const QString link = dir.filePath("rack-a");
    QVERIFY(QFile::link(QString::fromStdString(port), link));
    next->SetPortSource([] {
        PortEntry adapter;
        adapter.devicePath = adapter.portName = "/dev/ttyUSB9";
        adapter.usb = true;
        return PortEntryList{adapter};
    });
    QVERIFY(next->ConnectTo(link.toStdString(), 1));
    QVERIFY(next->Disconnect());
    QCOMPARE(offered(*next), link);
    Messages().Clear();
}

void ControlSurfaceTest::connectsThroughASerialServerChosenInTheDialog() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    QTemporaryDir dir;
    Ser2netServer server;
    std::string error;
    QVERIFY2(server.Start(line->SlavePath(), dir.path().toStdString(), &error), error.c_str());
    programsettings::Open().clear(); // no port used by an earlier test
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    // A USB adapter is listed too (never opened): the network port must win the preselection
    // once it was used.
    surface->SetPortSource([] {
        PortEntry adapter;
        adapter.devicePath = adapter.portName = "/dev/ttyUSB9";
        adapter.usb = true;
        return PortEntryList{adapter};
    });
    const std::string port = server.Rfc2217PortName();
    // Opens the connect dialog, lets `act` work on it and tells which ports it listed.
    auto runDialog = [&](const std::function<void(ConnectDialog&)>& act) {
        QStringList listed;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* dialog = qobject_cast<ConnectDialog*>(modal);
            if (dialog == nullptr || !dialog->isVisible() || !listed.isEmpty())
                return;
            for (int i = 0; i < dialog->PortList()->count(); ++i)
                listed << dialog->PortList()->itemText(i);
            act(*dialog);
        });
        QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
        return listed;
    };

    // Added in the dialog, chosen, OK: the unit's program comes in through ser2net.
    runDialog([&](ConnectDialog& dialog) {
        QVERIFY(dialog.AddNetworkPortName(port));
        dialog.accept();
    });
    UnitController& controller = surface->Controller();
    QVERIFY(controller.IsConnected());
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QVERIFY2(Messages().Texts().isEmpty(), qPrintable(Messages().Texts().join('\n')));
    QCOMPARE(Frame().windowTitle(), QString("Tavrel 4x8  Default"));
    QCOMPARE(surface->PortBox()->toolTip(),
             QString::fromStdString(port) +
                 QString("\nNetwork port on 127.0.0.1 port %1 (RFC 2217)")
                     .arg(QString::fromStdString(port).section(':', -1)));
    QCOMPARE(programsettings::RecentNetworkPorts(), QStringList{QString::fromStdString(port)});
    QVERIFY(surface->Disconnect());

    // The next dialog lists it after the adapter and preselects it.
    QString offered;
    const QStringList listed = runDialog([&](ConnectDialog& dialog) {
        offered = QString::fromStdString(dialog.PortName());
        dialog.reject();
    });
    QCOMPARE(listed, (QStringList{"/dev/ttyUSB9", QString::fromStdString(port)}));
    QCOMPARE(offered, QString::fromStdString(port));

    // A network port that does not open is reported and not remembered.
    server.Stop();
    QVERIFY(!surface->ConnectTo(server.RawPortName(), 1));
    QCOMPARE(Messages().Texts().size(), 1);
    QVERIFY2(Messages().Texts()[0].contains("Connection refused"),
             qPrintable(Messages().Texts()[0]));
    QCOMPARE(programsettings::RecentNetworkPorts(), QStringList{QString::fromStdString(port)});
    QCOMPARE(programsettings::LastPort(), QString::fromStdString(port));
    Messages().Clear();
}

namespace {

// Whether any meter of the surface lights a segment.
bool AnyMeterLit(ControlSurface& surface) {
    auto lit = [](const ChannelStrip& strip) {
        const LevelMeter::Segments& s = strip.meter->lit();
        return std::find(s.begin(), s.end(), true) != s.end();
    };
    for (int i = 0; i < surface.InputStripCount(); ++i)
        if (lit(surface.InputStrip(i)))
            return true;
    for (int i = 0; i < surface.OutputStripCount(); ++i)
        if (lit(surface.OutputStrip(i)))
            return true;
    return false;
}

} // namespace

void ControlSurfaceTest::metersShowNothingWithoutAReading_data() {
    QTest::addColumn<bool>("lineLost");
    QTest::newRow("the connection button disconnects") << false;
    QTest::newRow("the line is lost") << true;
}

void ControlSurfaceTest::metersShowNothingWithoutAReading() {
    QFETCH(bool, lineLost);
    auto line = OpenVirtualUnit(3);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_2X4);
    QVERIFY(!AnyMeterLit(*surface)); // never connected: no reading

    UnitController& controller = surface->Controller();
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled() && AnyMeterLit(*surface); }));

    if (lineLost) {
        line->Close();
        QTRY_VERIFY(!controller.IsConnected());
    } else {
        QTest::mouseClick(surface->SideButtonAt(SideButton::Connection), Qt::LeftButton);
        QVERIFY(!controller.IsConnected());
    }
    QVERIFY(!AnyMeterLit(*surface));
}

void ControlSurfaceTest::deviceDialogGivesTheUnitANewId() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    UnitController& controller = surface->Controller();
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));

    // The device dialog offers the current ID; choosing 2 and OK renumbers the unit once no
    // other unit has answered to 2.
    int offered = 0;
    ModalWatcher watcher([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<DeviceIdDialog*>(modal)) {
            offered = dialog->NewId();
            dialog->NewIdList()->setCurrentIndex(dialog->NewIdList()->findText("2"));
            dialog->accept();
        }
    });
    TwoStateButton* device = surface->SideButtonAt(SideButton::Device);
    QTest::mouseClick(device, Qt::LeftButton);
    QCOMPARE(offered, 1);
    QCOMPARE(device->state(), 1);
    QVERIFY(controller.IsCheckingDeviceId());
    QVERIFY(TickUntil(*surface, [&] { return !controller.IsCheckingDeviceId(); }));
    QCOMPARE(controller.DeviceId(), 2);
    QCOMPARE(surface->DeviceIdBox()->text(), QString("2"));

    // The unit took its new ID and answers under it.
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(line->WithUnits([](auto& units) { return units[0].deviceId(); }), 2);
    QVERIFY(controller.IsConnected());
    QVERIFY(Messages().Texts().isEmpty());
}

void ControlSurfaceTest::bankIsOfferedForSavingOnceItsLastReplyIsTaken() {
    auto line = OpenVirtualUnit(1);
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
    ModalWatcher guard([&](QWidget* modal) {
        if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
            ++offers;
            const Request* head = controller.Command().HeadFrame();
            awaitingAnswerAtOffer = head && !head->firstSendPending;
            chooser->reject();
        }
    });
    controller.ReadAllProgramsFromDevice();
    QVERIFY(TickUntil(
        *surface, [&] { return offers > 0 && controller.IsSettled(); }, 1000));
    QCOMPARE(offers, 1);
    QVERIFY(!awaitingAnswerAtOffer);
    QVERIFY(controller.IsConnected());
    QVERIFY(Messages().Texts().isEmpty());
    QCOMPARE(surface->Document().Bank()[29].name, controller.ProgramName(30));
}

void ControlSurfaceTest::wrongDeviceTypeDisconnects() {
    auto line = OpenVirtualUnit(2); // a 3x6 unit
    QVERIFY(line);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    UnitController& controller = surface->Controller();
    QVERIFY(TickUntil(
        *surface, [&] { return !controller.IsConnected(); }, 100));
    QCOMPARE(Messages().Texts().value(0),
             QString("Device Type Error!\n\nThe unit with ID 1 is a 3x6; a 4x8 was expected."));
    QVERIFY(!controller.IsBusy());
    QVERIFY(!surface->IsTickTimerActive());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(), QString("Unlink"));
}

TAVREL_GUI_TEST_MAIN(ControlSurfaceTest)
#include "control_surface_test.moc"
