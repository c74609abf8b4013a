// The input and output channel editors as the strips open them: their slots, the graph mode,
// the editing rules as the operator meets them, the keys, and edits reaching a virtual unit.

#include "GuiTestSupport.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/InputChannelEditor.h"
#include "gui/dialogs/OutputChannelEditor.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QtTest>

#include <memory>
#include <vector>

using namespace guitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A fader dragged to `position` and let go.
void Release(Fader* fader, int position) {
    fader->setPosition(position);
    emit fader->sliderMessage(Fader::kMsgReleased, fader->controlId(), position);
}

// Clicks a radio button on its indicator, where a click always lands.
void Choose(QRadioButton* radio) {
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(5, radio->height() / 2));
}

QColor Face(const TwoStateButton* button) {
    return button->fillColour(button->state());
}

// An output's crossover frame for unit 1's live settings: both items, the high-pass at `hz`
// and the low-pass open at 30 kHz, both Butterworth at 12 dB per octave.
Bytes CrossoverFrame(int output, int hz) {
    const std::uint8_t payload[] = {
        std::uint8_t(hz & 0xFF),
        std::uint8_t(hz >> 8),
        2,
        0, // high-pass: Hz, BTWorth, 12 dB
        0x30,
        0x75,
        2,
        0, // low-pass: 30000 Hz, BTWorth, 12 dB
    };
    return ComposeFrame(kKindWrite, 1, 0, kSectionOutput, std::uint8_t(output),
                        OutputChannel::kCrossoverCode, payload);
}

} // namespace

class ChannelEditorsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void channelButtonOpensOneEditorPerChannel();
    void editorsOfEachModel_data();
    void editorsOfEachModel();
    void placementKeepsEditorsOnScreen_data();
    void placementKeepsEditorsOnScreen();
    void highPassNeverLiesAboveTheLowPass();
    void limitInAutoBecomesManualOnOpening();
    void autoModeShowsTheDerivedTiming();
    void releaseTextFollowsItsSliderAndKeys();
    void chosenCharacteristicPressedAgainChangesNothing();
    void lastSourceOfASmallOutputStaysOn_data();
    void lastSourceOfASmallOutputStaysOn();
    void gateSwitchKeepsTheThreshold();
    void sourceChangeReachesEveryOpenInputEditor();
    void delaySliderBottomIsZeroInEveryUnit_data();
    void delaySliderBottomIsZeroInEveryUnit();
    void crossoverDraggedOnTheGraphShowsInTheEditor();
    void enterCommitsAndEscRestoresWithoutClosing();
    void outputEditorEditReachesTheUnit();
    void inputEditorEditReachesTheUnit();

private:
    ControlSurface* Show(int deviceType) { return m_harness->Show(DeviceCommand(deviceType)); }
    // Clicks a strip's channel button and returns the editor it shows.
    template <class Editor> Editor* Open(ControlSurface& surface, int channel) {
        constexpr bool output = std::is_same_v<Editor, OutputChannelEditor>;
        SurfaceStrip& strip = output ? surface.OutputStrip(channel) : surface.InputStrip(channel);
        QTest::mouseClick(strip.channelEditor, Qt::LeftButton);
        return qobject_cast<Editor*>(surface.Editors().Editor(
            output ? EditorKind::OutputChannel : EditorKind::InputChannel, channel));
    }

    std::unique_ptr<SurfaceHarness> m_harness;
};

void ChannelEditorsTest::channelButtonOpensOneEditorPerChannel() {
    ControlSurface* surface = Show(1);
    MainWindow& frame = m_harness->Window();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    ResponseGraph* graph = surface->Graph();
    EditorSlots& editors = surface->Editors();
    QVERIFY(surface->OutputStrip(1).channelEditor->isEnabled());

    // Created on first use, shown without taking the keyboard, with the graph on its crossovers.
    auto* out2 = Open<OutputChannelEditor>(*surface, 1);
    QVERIFY(out2);
    QVERIFY(out2->isVisible());
    QCOMPARE(out2->windowTitle(), QString("Out2"));
    QCOMPARE(QApplication::activeWindow(), &frame);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputCrossover));
    QCOMPARE(graph->selectedOutput(), 1);
    // On screen: wholly where it fits, else from its top left corner on.
    const QRect available = frame.screen()->availableGeometry();
    QVERIFY(available.contains(out2->frameGeometry().topLeft()));

    // The same editor again, where the operator left it; one per channel and kind.
    out2->move(out2->pos() + QPoint(-7, -5));
    const QPoint moved = out2->pos();
    QCOMPARE(Open<OutputChannelEditor>(*surface, 1), out2);
    QCOMPARE(out2->pos(), moved);
    auto* out4 = Open<OutputChannelEditor>(*surface, 3);
    auto* inA = Open<InputChannelEditor>(*surface, 0);
    QVERIFY(out4 && inA && out4 != out2);
    QCOMPARE(inA->windowTitle(), QString("CH A"));
    QVERIFY(inA->width() < available.width());
    QVERIFY(available.contains(inA->frameGeometry()));
    QCOMPARE(editors.OpenCount(), 3);
    QCOMPARE(graph->selectedOutput(), 3);

    // A click into an editor brings its output back onto the graph.
    QTest::mousePress(out2->highPass().frequencyEdit, Qt::LeftButton);
    QCOMPARE(graph->selectedOutput(), 1);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputCrossover));

    // Closing frees the slot; the graph shows all channels again once its editor is gone.
    out4->close();
    QVERIFY(!editors.Editor(EditorKind::OutputChannel, 3));
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputCrossover)); // still out 2's
    out2->close();
    QVERIFY(!editors.Editor(EditorKind::OutputChannel, 1));
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeAllChannels));
    auto* again = Open<OutputChannelEditor>(*surface, 1);
    QVERIFY(again);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputCrossover));

    // Before a connect or a switch of unit every editor closes.
    surface->CloseAllEditors();
    QCOMPARE(editors.OpenCount(), 0);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeAllChannels));
}

void ChannelEditorsTest::editorsOfEachModel_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("sources");
    QTest::addColumn<int>("delayMax");
    QTest::addColumn<QString>("delayTop");
    QTest::addColumn<bool>("full");
    QTest::newRow("4x8: everything") << 1 << 8 << 4 << 52473 << "1000" << true;
    QTest::newRow("3x6: no IN 4, short delay, limiter only")
        << 2 << 6 << 3 << 1465 << "999.0" << false;
    QTest::newRow("2x4: no IN 3 nor IN 4") << 3 << 4 << 2 << 1465 << "999.0" << false;
}

void ChannelEditorsTest::editorsOfEachModel() {
    QFETCH(int, deviceType);
    QFETCH(int, outputs);
    QFETCH(int, sources);
    QFETCH(int, delayMax);
    QFETCH(QString, delayTop);
    QFETCH(bool, full);
    ControlSurface* surface = Show(deviceType);
    ProgramContainer& data = surface->Document().Data();
    QCOMPARE(surface->Editors().SlotCount(EditorKind::OutputChannel), outputs);

    // Output 3 of the model, with a setting in every group for the picture.
    data.output(2).setDelay(delayMax);
    data.output(2).highPass().setFrequency(120);
    data.output(2).lowPass().setFrequency(3500);
    auto* out = Open<OutputChannelEditor>(*surface, 2);
    QVERIFY(out);
    QCOMPARE(out->windowTitle(), QString("Out3"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(out->sourceToggle(i) != nullptr, i < sources);
    QCOMPARE(out->sourceToggle(0)->text(), QString("ON"));
    QCOMPARE(out->sourceToggle(1)->text(), QString("OFF"));
    QCOMPARE(Face(out->sourceToggle(0)), QColor(0, 148, 65));
    QCOMPARE(Face(out->sourceToggle(1)), QColor(255, 0, 0));
    QCOMPARE(out->delay().spins[0]->maximum(), delayMax);
    QCOMPARE(out->delay().edits[0]->text(), delayTop);
    QCOMPARE(out->highPass().frequencyEdit->text(), QString("120"));
    QCOMPARE(out->lowPass().slopeEdit->text(), QString("12"));
    QCOMPARE(out->release().edit->text(), QString("2X (0.6ms)"));
    QCOMPARE(out->clipLimit().edit != nullptr, full);
    QCOMPARE(out->ratio().edit != nullptr, full);
    QCOMPARE(out->typeRadio(0) != nullptr, full);
    QVERIFY(SaveShot(*out, "editor-output-channel-" + ModelName(deviceType))
                .pixelColor(2, out->height() - 2) == ChannelEditor::Background());
    if (full) {
        // At 200 %: everything is drawn in logical pixels, so the picture is simply sharper.
        QPixmap sharp(out->size() * 2);
        sharp.setDevicePixelRatio(2);
        out->render(&sharp);
        QString error;
        QVERIFY2(WritePicture(sharp.toImage(),
                              TAVREL_BINARY_DIR "/screenshots/editor-output-channel-4x8@2x.png",
                              &error),
                 qPrintable(error));
    }

    // Input B: the gate switch and the source only on the 4x8; a gate stored off still greys
    // the threshold everywhere.
    data.input(1).setGateThreshold(100);
    data.input(1).setGateOff(1);
    auto* in = Open<InputChannelEditor>(*surface, 1);
    QVERIFY(in);
    QCOMPARE(in->windowTitle(), QString("CH B"));
    QCOMPARE(in->gateRadio(false) != nullptr, full);
    QCOMPARE(in->sourceRadio(0) != nullptr, full);
    QVERIFY(!in->thresholdEdit()->isEnabled());
    QVERIFY(!in->thresholdFader()->isEnabled());
    QCOMPARE(in->thresholdEdit()->text(), QString("-20.0"));
    if (full)
        QVERIFY(in->gateRadio(false)->isChecked());
    SaveShot(*in, "editor-input-channel-" + ModelName(deviceType));
}

void ChannelEditorsTest::placementKeepsEditorsOnScreen_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1920, 1080);
    QTest::newRow("1050 x 720 window: (10, 450) from its corner")
        << QRect(100, 50, 1050, 720) << QPoint(110, 500);
    QTest::newRow("a window twice as large: twice as far")
        << QRect(0, 0, 2100, 1440) << QPoint(20, 1080 - 240);
    QTest::newRow("near the right edge: moved left")
        << QRect(1500, 0, 1050, 720) << QPoint(1920 - 600, 450);
    QTest::newRow("above and left of the screen: moved in")
        << QRect(-500, -400, 1050, 720) << QPoint(0, 50);
}

void ChannelEditorsTest::placementKeepsEditorsOnScreen() {
    QFETCH(QRect, main);
    QFETCH(QPoint, expected);
    QCOMPARE(EditorSlots::Placement(main, QSize(600, 240), QRect(0, 0, 1920, 1080)), expected);
}

void ChannelEditorsTest::highPassNeverLiesAboveTheLowPass() {
    ControlSurface* surface = Show(1);
    OutputChannel& record = surface->Document().Data().output(0);
    auto* out = Open<OutputChannelEditor>(*surface, 0);
    TypeValue(out->lowPass().frequencyEdit, "5000");
    QCOMPARE(record.lowPass().frequency(), 5000);

    // Typed above the low-pass: the low-pass's frequency, shown in the edit and on the slider.
    TypeValue(out->highPass().frequencyEdit, "8000");
    QCOMPARE(record.highPass().frequency(), 5000);
    QCOMPARE(out->highPass().frequencyEdit->text(), QString("5000"));
    QCOMPARE(out->highPass().frequencyFader->position(),
             controlmath::SliderPositionOfFrequency(5000, 0, 240));
    // Dragged to the top (30 kHz): the same, silently.
    Release(out->highPass().frequencyFader, 0);
    QCOMPARE(record.highPass().frequency(), 5000);
    QCOMPARE(out->highPass().frequencyFader->position(),
             controlmath::SliderPositionOfFrequency(5000, 0, 240));
    // The low-pass dragged to the bottom stops at the high-pass.
    Release(out->lowPass().frequencyFader, 240);
    QCOMPARE(record.lowPass().frequency(), 5000);
    QCOMPARE(out->lowPass().frequencyEdit->text(), QString("5000"));
    QVERIFY(m_harness->Messages().ControlMessages().isEmpty());
}

void ChannelEditorsTest::limitInAutoBecomesManualOnOpening() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    data.output(4).setDynamicsMode(OutputChannel::kModeAuto); // the type is Limit
    data.clearChangeFlags();
    auto* out = Open<OutputChannelEditor>(*surface, 4);
    QVERIFY(out->modeRadio(OutputChannel::kModeManual)->isChecked());
    QCOMPARE(data.output(4).dynamicsMode(), OutputChannel::kModeManual);
    QCOMPARE(data.output(4).dynamicsChanged(), 1);
    // A Limit offers no compressor settings.
    QVERIFY(!out->clipLimit().edit->isEnabled());
    QVERIFY(!out->ratio().fader->isEnabled());
    QVERIFY(!out->modeRadio(OutputChannel::kModeAuto)->isEnabled());
    QVERIFY(out->attack().edit->isEnabled());
}

void ChannelEditorsTest::autoModeShowsTheDerivedTiming() {
    ControlSurface* surface = Show(1);
    OutputChannel& record = surface->Document().Data().output(0);
    record.setAttack(26); // 20 ms, kept while Auto shows its own
    auto* out = Open<OutputChannelEditor>(*surface, 0);
    TypeValue(out->highPass().frequencyEdit, "100");
    Choose(out->typeRadio(OutputChannel::kDynamicsCompressor));
    QVERIFY(out->clipLimit().edit->isEnabled());
    Choose(out->modeRadio(OutputChannel::kModeAuto));
    QCOMPARE(record.dynamicsMode(), OutputChannel::kModeAuto);

    QCOMPARE(out->attack().edit->text(), QString("8"));
    QVERIFY(!out->attack().edit->isEnabled());
    QVERIFY(!out->attack().fader->isEnabled());
    QVERIFY(!out->release().fader->isEnabled());
    QCOMPARE(out->release().edit->text(), QString("16X (128ms)"));
    // The automatic attack follows the high-pass; the stored one stays.
    TypeValue(out->highPass().frequencyEdit, "1500");
    QCOMPARE(out->attack().edit->text(), QString("0.5"));
    QCOMPARE(out->release().edit->text(), QString("16X (8.0ms)"));
    QCOMPARE(int(record.attack()), 26);

    // Back to Limit: Manual again, the stored attack shows.
    Choose(out->typeRadio(OutputChannel::kDynamicsLimit));
    QCOMPARE(record.dynamicsMode(), OutputChannel::kModeManual);
    QVERIFY(out->modeRadio(OutputChannel::kModeManual)->isChecked());
    QCOMPARE(out->attack().edit->text(), QString("20"));
    QVERIFY(out->attack().edit->isEnabled());
}

void ChannelEditorsTest::releaseTextFollowsItsSliderAndKeys() {
    ControlSurface* surface = Show(1);
    OutputChannel& record = surface->Document().Data().output(0);
    auto* out = Open<OutputChannelEditor>(*surface, 0);
    TypeValue(out->attack().edit, "0.5");
    QCOMPARE(int(record.attack()), 2);
    Release(out->release().fader, 0); // the top
    QCOMPARE(int(record.release()), 5);
    QCOMPARE(out->release().edit->text(), QString("32X (16.0ms)"));
    // From the keyboard: the slider steps down and the text follows.
    QTest::keyClick(out->release().fader, Qt::Key_Down);
    QCOMPARE(int(record.release()), 4);
    QCOMPARE(out->release().edit->text(), QString("16X (8.0ms)"));
    // The attack changes the text too.
    TypeValue(out->attack().edit, "20");
    QCOMPARE(out->release().edit->text(), QString("16X (320ms)"));
}

void ChannelEditorsTest::chosenCharacteristicPressedAgainChangesNothing() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    auto* out = Open<OutputChannelEditor>(*surface, 5);
    data.clearChangeFlags();
    const OutputChannelEditor::CrossoverControls& hpf = out->highPass();
    QCOMPARE(hpf.butterworth->state(), 0); // pressed: the stored BTWorth
    QCOMPARE(Face(hpf.butterworth), QColor(14, 123, 164));
    QCOMPARE(Face(hpf.bessel), QColor(119, 196, 238));
    QCOMPARE(Face(out->lowPass().butterworth), QColor(219, 115, 26));
    QCOMPARE(Face(out->lowPass().linkwitzRiley), QColor(235, 156, 162));

    QTest::mouseClick(hpf.butterworth, Qt::LeftButton);
    QCOMPARE(hpf.butterworth->state(), 0);
    QCOMPARE(data.output(5).highPass().changed(), 0);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);

    QTest::mouseClick(hpf.linkwitzRiley, Qt::LeftButton);
    QCOMPARE(data.output(5).highPass().kind(), int(Filter::kLinkwitzRiley));
    QCOMPARE(hpf.linkwitzRiley->state(), 0);
    QCOMPARE(hpf.butterworth->state(), 1);
    QCOMPARE(data.output(5).highPass().changed(), 1);
    // The slope from its slider; the read-only edit shows it.
    Release(hpf.slopeFader, 0);
    QCOMPARE(data.output(5).highPass().slope(), int(Filter::kSlope48));
    QCOMPARE(hpf.slopeEdit->text(), QString("48"));
}

void ChannelEditorsTest::lastSourceOfASmallOutputStaysOn_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2x4: IN 1 is the last source") << 3 << true;
    QTest::newRow("3x6: IN 1 is the last source") << 2 << true;
    QTest::newRow("4x8: an output may have none") << 1 << false;
}

void ChannelEditorsTest::lastSourceOfASmallOutputStaysOn() {
    QFETCH(int, deviceType);
    QFETCH(bool, refused);
    ControlSurface* surface = Show(deviceType);
    ProgramContainer& data = surface->Document().Data();
    auto* out = Open<OutputChannelEditor>(*surface, 1);
    data.clearChangeFlags();
    QCOMPARE(int(data.output(1).mix()), 0b0001); // input A only
    TwoStateButton* in1 = out->sourceToggle(0);
    QTest::mouseClick(in1, Qt::LeftButton);
    QCOMPARE(in1->state(), refused ? 1 : 0);
    QCOMPARE(in1->text(), QString(refused ? "ON" : "OFF"));
    QCOMPARE(int(data.output(1).mix()), refused ? 0b0001 : 0);
    QCOMPARE(data.output(1).mainChanged(), refused ? 0 : 1);
    // With IN 2 on, IN 1 may go.
    QTest::mouseClick(out->sourceToggle(1), Qt::LeftButton);
    if (refused)
        QTest::mouseClick(in1, Qt::LeftButton);
    QCOMPARE(int(data.output(1).mix()), 0b0010);
    QCOMPARE(in1->text(), QString("OFF"));
}

void ChannelEditorsTest::gateSwitchKeepsTheThreshold() {
    ControlSurface* surface = Show(1);
    InputChannel& record = surface->Document().Data().input(2);
    auto* in = Open<InputChannelEditor>(*surface, 2);
    QVERIFY(in->gateRadio(true)->isChecked());
    Release(in->thresholdFader(), 0);
    QCOMPARE(in->thresholdEdit()->text(), QString("10.0"));
    Release(in->thresholdFader(), 130);
    QCOMPARE(in->thresholdEdit()->text(), QString("-120.0"));
    TypeValue(in->thresholdEdit(), "-30");
    QCOMPARE(int(record.gateThreshold()), 90);
    QCOMPARE(in->thresholdFader()->position(), 130 - 90);

    Choose(in->gateRadio(false));
    QCOMPARE(int(record.gateOff()), 1);
    QVERIFY(!in->thresholdEdit()->isEnabled());
    QVERIFY(!in->thresholdFader()->isEnabled());
    QCOMPARE(int(record.gateThreshold()), 90);
    Choose(in->gateRadio(true));
    QCOMPARE(int(record.gateOff()), 0);
    QVERIFY(in->thresholdEdit()->isEnabled());
    QCOMPARE(in->thresholdEdit()->text(), QString("-30.0"));
}

void ChannelEditorsTest::sourceChangeReachesEveryOpenInputEditor() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    auto* inA = Open<InputChannelEditor>(*surface, 0);
    auto* inC = Open<InputChannelEditor>(*surface, 2);
    data.clearChangeFlags();
    QVERIFY(inC->sourceRadio(0)->isChecked());
    Choose(inA->sourceRadio(1));
    QCOMPARE(data.inputSource(), 1);
    QVERIFY(inC->sourceRadio(1)->isChecked());
    QVERIFY(!inC->sourceRadio(0)->isChecked());
    QCOMPARE(surface->SourceBox()->text(), QString("Digital"));
    // A unit-wide setting: no channel's change flag carries it (the surface queues it while
    // connected).
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);
}

void ChannelEditorsTest::delaySliderBottomIsZeroInEveryUnit_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("output");
    QTest::addColumn<QString>("zero");
    QTest::newRow("4x8 input") << 1 << false << "0.0000";
    QTest::newRow("3x6 output") << 2 << true << "0.000";
    QTest::newRow("2x4 input") << 3 << false << "0.000";
}

void ChannelEditorsTest::delaySliderBottomIsZeroInEveryUnit() {
    QFETCH(int, deviceType);
    QFETCH(bool, output);
    QFETCH(QString, zero);
    ControlSurface* surface = Show(deviceType);
    ProgramContainer& data = surface->Document().Data();
    Channel& record = output ? static_cast<Channel&>(data.output(0)) : data.input(0);
    ChannelEditor* editor =
        output ? static_cast<ChannelEditor*>(Open<OutputChannelEditor>(*surface, 0))
               : Open<InputChannelEditor>(*surface, 0);
    const ChannelEditor::DelayControls& delay =
        output ? static_cast<OutputChannelEditor*>(editor)->delay()
               : static_cast<InputChannelEditor*>(editor)->delay();
    // One value in three units: a typed distance moves the others and the slider.
    TypeValue(delay.edits[1], "3.43");
    QVERIFY(record.delay() > 0);
    QCOMPARE(delay.spins[0]->position(), record.delay());
    QCOMPARE(delay.fader->position(), delay.fader->maximum() - record.delay());
    Release(delay.fader, delay.fader->maximum());
    QCOMPARE(record.delay(), 0);
    for (ValueEdit* edit : delay.edits)
        QCOMPARE(edit->text(), zero);
}

void ChannelEditorsTest::crossoverDraggedOnTheGraphShowsInTheEditor() {
    ControlSurface* surface = Show(1);
    OutputChannel& record = surface->Document().Data().output(2);
    record.setDynamicsType(OutputChannel::kDynamicsCompressor);
    record.setDynamicsMode(OutputChannel::kModeAuto);
    auto* out = Open<OutputChannelEditor>(*surface, 2);
    ResponseGraph* graph = surface->Graph();
    QCOMPARE(out->attack().edit->text(), QString("45")); // high-pass at 10 Hz

    // The operator drags the high-pass handle to the right.
    const GraphPoint from = graph->handleOf(record.highPass()).centre();
    QTest::mouseMove(graph, QPoint(from.x, from.y));
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(from.x, from.y));
    QTest::mouseMove(graph, QPoint(from.x + 400, from.y));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(from.x + 400, from.y));
    const int dragged = record.highPass().frequency();
    QVERIFY(dragged > 200);
    QVERIFY(out->highPass().frequencyEdit->text() != QString::number(dragged));

    graph->reportTick(); // the 300 ms report
    QCOMPARE(out->highPass().frequencyEdit->text(), QString::number(dragged));
    QCOMPARE(out->highPass().frequencyFader->position(),
             controlmath::SliderPositionOfFrequency(dragged, 0, 240));
    QCOMPARE(out->attack().edit->text(), QString("2")); // the automatic attack of 200..499 Hz
}

void ChannelEditorsTest::enterCommitsAndEscRestoresWithoutClosing() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    auto* out = Open<OutputChannelEditor>(*surface, 0);
    data.clearChangeFlags();
    ValueEdit* threshold = out->threshold().edit;
    const QString shown = threshold->text();

    TypeValue(threshold, "-9", Qt::Key_Escape);
    QCOMPARE(threshold->text(), shown);
    QCOMPARE(data.output(0).threshold(), 400);
    threshold->clearFocus(); // losing the focus takes nothing in either
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);
    QVERIFY(out->isVisible());

    TypeValue(threshold, "-9");
    QCOMPARE(data.output(0).threshold(), 210);
    QCOMPARE(threshold->text(), QString("-9.0"));
    QVERIFY(out->isVisible());
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).outputLimiterFrame(0).bytes);

    // Typed beyond the range: "Out of Range" with the allowed range, and the nearer end.
    TypeValue(threshold, "25");
    QCOMPARE(m_harness->Messages().ControlMessages(),
             QStringList{"Out of Range\nAllowed range: -30.0 to 20.0 dBu"});
    QCOMPARE(data.output(0).threshold(), 500);
}

void ChannelEditorsTest::outputEditorEditReachesTheUnit() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(1);
    auto* early = Open<OutputChannelEditor>(*surface, 0);
    QVERIFY(early);
    // Connecting closes the editors first.
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QCOMPARE(surface->Editors().OpenCount(), 0);
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    auto* out = Open<OutputChannelEditor>(*surface, 0);
    TypeValue(out->highPass().frequencyEdit, "100");
    // The unit is walked up an octave at a time and told the frequency once more at the end.
    const std::vector<Bytes> expected = {CrossoverFrame(0, 20), CrossoverFrame(0, 40),
                                         CrossoverFrame(0, 80), CrossoverFrame(0, 100),
                                         CrossoverFrame(0, 100)};
    QVERIFY(SendUntilSettled(*surface) == expected);
    const OutputBlock block =
        line->WithUnits([](auto& units) { return units[0].Program(0).outputs[0]; });
    QCOMPARE(block[56] | (block[57] << 8), 100); // the high-pass item of output 1's block
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

void ChannelEditorsTest::inputEditorEditReachesTheUnit() {
    auto line = OpenVirtualUnit(2);
    QVERIFY(line);
    ControlSurface* surface = Show(2);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    auto* in = Open<InputChannelEditor>(*surface, 1);
    TypeValue(in->thresholdEdit(), "-20");
    // Input B's gate frame: threshold 100 (-20 dBu), gate on, six zero bytes.
    const std::uint8_t gate[] = {100, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<Bytes> expected = {
        ComposeFrame(kKindWrite, 1, 0, kSectionInput, 1, InputChannel::kGateCode, gate)};
    QVERIFY(SendUntilSettled(*surface) == expected);
    const InputBlock block =
        line->WithUnits([](auto& units) { return units[0].Program(0).inputs[1]; });
    QCOMPARE(int(block[80]), 100); // the gate item of input B's block
    QCOMPARE(int(block[81]), 0);
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

TAVREL_GUI_TEST_MAIN(ChannelEditorsTest)
#include "channel_editors_test.moc"
