// The input and output equaliser editors as the strips' EQ buttons open them: their slots and the
// graph's equaliser modes, the band rules as the operator meets them, bands dragged on the graph,
// and band edits reaching a virtual unit.

#include "GuiTestSupport.h"
#include "OperatorInput.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/EqualizerBandGroup.h"
#include "gui/dialogs/InputEqualizerEditor.h"
#include "gui/dialogs/OutputEqualizerEditor.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TimedNotice.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QtTest>

#include <memory>
#include <vector>

using namespace guitest;
using Bands = EqualizerBandGroup::Controls;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Entry `index` of a drop-down list chosen from its list.
void Pick(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// A knob turned to `value` by dragging its rim.
void Turn(RotaryKnob* knob, int value) {
    guitest::DragSlider(knob, {value});
}

QColor Face(const TwoStateButton* button) {
    return button->fillColour(button->state());
}

// Drags from `from` to `to` on the graph with the left button, as the operator does.
void Drag(ResponseGraph* graph, GraphPoint from, GraphPoint to) {
    QTest::mouseMove(graph, QPoint(from.x, from.y));
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(from.x, from.y));
    QTest::mouseMove(graph, QPoint(to.x, to.y));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(to.x, to.y));
}

// A band frame: frequency, gain code (index + 300; 600 is 0 dB), bandwidth code, slope, type.
Bytes BandFrame(std::uint8_t section, int channel, int band, int hz, int gainIndex,
                int bandwidthCode, int slope, int type) {
    const int gainCode = gainIndex + 300;
    const std::uint8_t payload[] = {
        std::uint8_t(hz & 0xFF),
        std::uint8_t(hz >> 8),
        std::uint8_t(gainCode & 0xFF),
        std::uint8_t(gainCode >> 8),
        std::uint8_t(bandwidthCode & 0xFF),
        std::uint8_t(bandwidthCode >> 8),
        std::uint8_t(slope),
        std::uint8_t(type),
    };
    return ComposeFrame(kKindWrite, 1, 0, section, std::uint8_t(channel), std::uint8_t(band),
                        payload);
}

} // namespace

class EqualizerEditorsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void eqButtonOpensTheEditorAndTheGraphFollows();
    void editorsOfEachModel_data();
    void editorsOfEachModel();
    void shelvesTradeTheBandwidthForTheSlope();
    void qAndBandwidthAreOneIndex();
    void offBandShowsZeroDecibelsAndKeepsItsGain();
    void bandDraggedOnTheGraphShowsInTheEditor();
    void inputEqualizerEditReachesTheUnit();
    void outputEqualizerEditReachesTheUnit();

private:
    ControlSurface* Show(int deviceType) { return m_harness->Show(DeviceCommand(deviceType)); }
    // Clicks a strip's EQ button and returns the editor it shows.
    template <class Editor> Editor* Open(ControlSurface& surface, int channel) {
        constexpr bool output = std::is_same_v<Editor, OutputEqualizerEditor>;
        ChannelStrip& strip = output ? surface.OutputStrip(channel) : surface.InputStrip(channel);
        QTest::mouseClick(strip.eq, Qt::LeftButton);
        return qobject_cast<Editor*>(surface.Editors().Editor(
            output ? EditorKind::OutputEqualizer : EditorKind::InputEqualizer, channel));
    }
    static const Bands& BandOf(const EqualizerEditor* editor, int band) {
        return editor->band(band)->controls();
    }

    std::unique_ptr<SurfaceHarness> m_harness;
};

void EqualizerEditorsTest::eqButtonOpensTheEditorAndTheGraphFollows() {
    ControlSurface* surface = Show(1);
    MainWindow& frame = m_harness->Window();
    ResponseGraph* graph = surface->Graph();
    EditorSlots& editors = surface->Editors();

    auto* inB = Open<InputEqualizerEditor>(*surface, 1);
    QVERIFY(inB);
    QVERIFY(inB->isVisible());
    QCOMPARE(inB->windowTitle(), QString("EQ>>CH B"));
    QCOMPARE(inB->bandCount(), 8);
    QCOMPARE(inB->band(7)->caption(), QString("EQ8"));
    // Eight bands side by side, about as wide as the main window's form at its natural size,
    // wholly on the screen whatever size the main window has.
    QVERIFY2(frame.screen()->availableGeometry().contains(inB->frameGeometry()),
             qPrintable(QString("%1 x %2 at %3, %4")
                            .arg(inB->frameGeometry().width())
                            .arg(inB->frameGeometry().height())
                            .arg(inB->frameGeometry().x())
                            .arg(inB->frameGeometry().y())));
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeInputEq));
    QCOMPARE(graph->selectedInput(), 1);

    auto* out5 = Open<OutputEqualizerEditor>(*surface, 4);
    QVERIFY(out5);
    QCOMPARE(out5->windowTitle(), QString("EQ>>OUT5"));
    QCOMPARE(out5->bandCount(), 6);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputEq));
    QCOMPARE(graph->selectedOutput(), 4);
    QCOMPARE(Open<OutputEqualizerEditor>(*surface, 4), out5); // one per channel
    QCOMPARE(editors.OpenCount(), 2);

    // The output's crossovers belong to its channel editor: a band edit leaves them alone.
    ProgramContainer& data = surface->Document().Data();
    data.clearChangeFlags();
    TypeValue(BandOf(out5, 5).gainEdit, "-4.5");
    QCOMPARE(data.output(4).filter(5).gainIndex(), 255);
    QCOMPARE(data.output(4).highPass().changed(), 0);
    QCOMPARE(data.output(4).lowPass().changed(), 0);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).outputBandFrame(4, 5).bytes);
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).meterPollFrame().bytes);

    // A click into an editor shows its channel on the graph again.
    QTest::mousePress(BandOf(inB, 0).frequencyEdit, Qt::LeftButton);
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeInputEq));
    QCOMPARE(graph->selectedInput(), 1);

    // Closing the editor the graph does not show leaves the graph; closing the other one
    // returns it to all channels.
    out5->close();
    QVERIFY(!editors.Editor(EditorKind::OutputEqualizer, 4));
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeInputEq));
    inB->close();
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeAllChannels));
    QCOMPARE(editors.OpenCount(), 0);
}

void EqualizerEditorsTest::editorsOfEachModel_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("inputBands");
    QTest::addColumn<QString>("secondStep"); // the bandwidth of index 1
    QTest::addColumn<int>("bandwidthMax");
    QTest::newRow("4x8: eight input bands, 0.01 octave steps") << 1 << 8 << "0.06" << 295;
    QTest::newRow("3x6: six input bands, 0.05 octave steps") << 2 << 6 << "0.10" << 59;
    QTest::newRow("2x4: six input bands, 0.05 octave steps") << 3 << 6 << "0.10" << 59;
}

void EqualizerEditorsTest::editorsOfEachModel() {
    QFETCH(int, deviceType);
    QFETCH(int, inputBands);
    QFETCH(QString, secondStep);
    QFETCH(int, bandwidthMax);
    ControlSurface* surface = Show(deviceType);
    ProgramContainer& data = surface->Document().Data();

    // Bands in every state for the pictures: a boost, a cut, a shelf of each kind, an off band.
    for (Channel* channel :
         {static_cast<Channel*>(&data.input(0)), static_cast<Channel*>(&data.output(0))}) {
        const int frequencies[] = {60, 250, 1000, 3150, 8000, 16000};
        const int gains[] = {360, 240, 300, 330, 390, 270};
        for (int b = 0; b < 6; ++b) {
            Filter& band = channel->filter(b);
            band.setFrequency(frequencies[b]);
            band.setGainIndex(gains[b]);
            band.setBandwidthIndex(bandwidthMax / 3);
        }
        channel->filter(0).setType(Filter::kLowShelf);
        channel->filter(5).setType(Filter::kHighShelf);
        channel->filter(5).setSlope(Filter::kShelf12);
    }

    auto* in = Open<InputEqualizerEditor>(*surface, 0);
    QVERIFY(in);
    QCOMPARE(in->bandCount(), inputBands);
    QCOMPARE(in->windowTitle(), QString("EQ>>CH A"));
    QCOMPARE(BandOf(in, 0).type->currentText(), QString("Lo -- Shf"));
    QCOMPARE(BandOf(in, 2).onOff->text(), QString("OFF"));
    QCOMPARE(BandOf(in, 1).gainEdit->text(), QString("-6.0"));
    QVERIFY(
        SaveShot(*in, "editor-input-eq-" + ModelName(deviceType)).pixelColor(2, in->height() - 2) ==
        ChannelEditor::Background());

    auto* out = Open<OutputEqualizerEditor>(*surface, 0);
    QVERIFY(out);
    QCOMPARE(out->bandCount(), 6);
    QCOMPARE(BandOf(out, 5).slope->currentText(), QString("12"));
    SaveShot(*out, "editor-output-eq-" + ModelName(deviceType));

    // The bandwidth on the model's scale, from 0.05 octaves up to 3.00.
    const Bands& band = BandOf(out, 3);
    QCOMPARE(band.bandwidthSpin->maximum(), bandwidthMax);
    QCOMPARE(band.qSpin->maximum(), bandwidthMax);
    QCOMPARE(band.bandwidthKnob->maximum(), bandwidthMax);
    TypeValue(band.bandwidthEdit, "0.05");
    QCOMPARE(band.bandwidthEdit->text(), QString("0.05"));
    QCOMPARE(band.qEdit->text(), QString("28.852"));
    band.bandwidthSpin->stepBy(1);
    QCOMPARE(band.bandwidthEdit->text(), secondStep);
    QCOMPARE(data.output(0).filter(3).bandwidthIndex(), 1);
    TypeValue(band.bandwidthEdit, "3");
    QCOMPARE(band.qEdit->text(), QString("0.404"));
    QCOMPARE(data.output(0).filter(3).bandwidthIndex(), bandwidthMax);
    // Beyond 3 octaves: refused with the range, the bandwidth stays.
    TypeValue(band.bandwidthEdit, "4");
    QCOMPARE(m_harness->Messages().ControlMessages(),
             QStringList{"Out of Range\nAllowed range: 0.05 to 3.00 oct"});
    QCOMPARE(band.bandwidthEdit->text(), QString("3.00"));
    QCOMPARE(data.output(0).filter(3).bandwidthIndex(), bandwidthMax);
}

void EqualizerEditorsTest::shelvesTradeTheBandwidthForTheSlope() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    Filter& record = data.input(0).filter(1);
    auto* in = Open<InputEqualizerEditor>(*surface, 0);
    const Bands& band = BandOf(in, 1);
    TypeValue(band.frequencyEdit, "25000");
    QCOMPARE(record.frequency(), 25000);
    QVERIFY(!band.slope->isVisibleTo(in));
    QCOMPARE(band.bandwidthUnit->text(), QString("Oct"));

    // PEQ -> "Hi -- Shf": the slope replaces the bandwidth, the unit reads "dB", Q is greyed.
    Pick(band.type, Filter::kHighShelf);
    QCOMPARE(record.type(), int(Filter::kHighShelf));
    QCOMPARE(record.frequency(), 25000);
    for (QWidget* gone : std::initializer_list<QWidget*>{band.bandwidthEdit, band.bandwidthSpin,
                                                         band.bandwidthKnob})
        QVERIFY(!gone->isVisibleTo(in));
    QVERIFY(band.slope->isVisibleTo(in));
    QCOMPARE(band.bandwidthUnit->text(), QString("dB"));
    QVERIFY(!band.qEdit->isEnabled());
    QVERIFY(!band.qSpin->isEnabled());

    // -> "Lo -- Shf": the same controls, but never above 20000 Hz; the status line says so.
    Pick(band.type, Filter::kLowShelf);
    QCOMPARE(record.frequency(), 20000);
    QCOMPARE(surface->Notice()->notice(),
             QString("Input A: EQ2 lowered to 20000 Hz for a low shelf"));
    QCOMPARE(band.frequencyEdit->text(), QString("20000"));
    QCOMPARE(band.frequencyKnob->value(), controlmath::FrequencyStepsOf(20000));
    QVERIFY(band.slope->isVisibleTo(in));
    QVERIFY(!band.bandwidthEdit->isVisibleTo(in));
    // Typed or turned above 20000 Hz: 20000 Hz.
    TypeValue(band.frequencyEdit, "26000");
    QCOMPARE(record.frequency(), 20000);
    QCOMPARE(band.frequencyEdit->text(), QString("20000"));
    QCOMPARE(surface->Notice()->notice(), QString("Input A: EQ2 as a low shelf stops at 20000 Hz"));
    TypeValue(band.frequencyEdit, "1000");
    QCOMPARE(record.frequency(), 1000);
    QTest::keyClick(band.frequencyKnob, Qt::Key_End); // the top: 30 kHz
    QCOMPARE(record.frequency(), 20000);
    QCOMPARE(band.frequencyEdit->text(), QString("20000"));
    QCOMPARE(band.frequencyKnob->value(), controlmath::FrequencyStepsOf(20000));
    QVERIFY(m_harness->Messages().ControlMessages().isEmpty());

    // Unchanged values write nothing.
    data.clearChangeFlags();
    TypeValue(band.frequencyEdit, "20000");
    QCOMPARE(record.changed(), 0);
    // The slope, then back to PEQ with its bandwidth.
    Pick(band.slope, Filter::kShelf12);
    QCOMPARE(record.slope(), int(Filter::kShelf12));
    QCOMPARE(record.changed(), 1);
    Pick(band.type, Filter::kPeq);
    QVERIFY(band.bandwidthEdit->isVisibleTo(in));
    QVERIFY(band.bandwidthKnob->isVisibleTo(in));
    QVERIFY(!band.slope->isVisibleTo(in));
    QVERIFY(band.qEdit->isEnabled());
    QCOMPARE(band.bandwidthUnit->text(), QString("Oct"));
}

void EqualizerEditorsTest::qAndBandwidthAreOneIndex() {
    ControlSurface* surface = Show(1);
    Filter& record = surface->Document().Data().input(2).filter(0);
    auto* in = Open<InputEqualizerEditor>(*surface, 2);
    const Bands& band = BandOf(in, 0);

    // 1.00 octave is index 95 on the 4x8 and shows Q 1.414.
    TypeValue(band.qEdit, "1.414");
    QCOMPARE(record.bandwidthIndex(), 95);
    QCOMPARE(band.bandwidthEdit->text(), QString("1.00"));
    QCOMPARE(band.bandwidthKnob->value(), 95);
    QCOMPARE(band.qEdit->text(), QString("1.414"));

    // The knob and the bandwidth's arrows move the Q; the Q's arrows move the bandwidth.
    const DisplayKindSettings q = ChannelEditRules::QEntry(DeviceModelOf(kDeviceType4x8));
    QTest::keyClick(band.bandwidthKnob, Qt::Key_Up);
    QCOMPARE(record.bandwidthIndex(), 96);
    QCOMPARE(band.qEdit->text(), QString::fromStdString(*FormatDisplayKind(q, 96)));
    QCOMPARE(band.bandwidthEdit->text(), QString("1.01"));
    band.qSpin->stepBy(1);
    QCOMPARE(record.bandwidthIndex(), 97);
    QCOMPARE(band.bandwidthEdit->text(), QString("1.02"));
    QCOMPARE(band.bandwidthKnob->value(), 97);
}

void EqualizerEditorsTest::offBandShowsZeroDecibelsAndKeepsItsGain() {
    ControlSurface* surface = Show(2);
    ProgramContainer& data = surface->Document().Data();
    Filter& record = data.output(1).filter(3);
    auto* out = Open<OutputEqualizerEditor>(*surface, 1);
    const Bands& band = BandOf(out, 3);
    QCOMPARE(band.onOff->text(), QString("OFF"));
    QCOMPARE(Face(band.onOff), EqualizerBandGroup::OffColour());

    TypeValue(band.gainEdit, "6");
    QCOMPARE(record.gainIndex(), 360);
    QCOMPARE(band.onOff->text(), QString("On"));
    QCOMPARE(Face(band.onOff), EqualizerBandGroup::OnColour());
    QCOMPARE(band.gainKnob->value(), 360);

    // "OFF" shows 0.0 dB and keeps the gain; "On" shows it again.
    QTest::mouseClick(band.onOff, Qt::LeftButton);
    QCOMPARE(record.off(), 1);
    QCOMPARE(record.gainIndex(), 360);
    QCOMPARE(band.onOff->text(), QString("OFF"));
    QCOMPARE(band.onOff->state(), 0);
    QCOMPARE(band.gainEdit->text(), QString("0.0"));
    QCOMPARE(band.gainKnob->value(), 300);
    QTest::mouseClick(band.onOff, Qt::LeftButton);
    QCOMPARE(record.off(), 0);
    QCOMPARE(band.onOff->text(), QString("On"));
    QCOMPARE(band.gainEdit->text(), QString("6.0"));
    QCOMPARE(band.gainKnob->value(), 360);
    // Off again, then the gain it keeps typed: that is a new gain for the band, which goes on.
    QTest::mouseClick(band.onOff, Qt::LeftButton);
    TypeValue(band.gainEdit, "6");
    QCOMPARE(record.off(), 0);
    QCOMPARE(band.onOff->text(), QString("On"));

    // The gain knob steps like a level: 0.1 dB per arrow, 1 dB per page, no jump to an end.
    QTest::keyClick(band.gainKnob, Qt::Key_Up);
    QCOMPARE(record.gainIndex(), 361);
    QTest::keyClick(band.gainKnob, Qt::Key_PageDown);
    QCOMPARE(record.gainIndex(), 351);
    QTest::keyClick(band.gainKnob, Qt::Key_End);
    QTest::keyClick(band.gainKnob, Qt::Key_Home);
    QCOMPARE(record.gainIndex(), 351);
    // A double-click on it sets 0.0 dB, which switches the band off as typing 0.0 does.
    QTest::mouseDClick(band.gainKnob, Qt::LeftButton);
    QCOMPARE(record.off(), 1);
    QCOMPARE(band.gainKnob->value(), 300);
    QCOMPARE(band.onOff->text(), QString("OFF"));
    TypeValue(band.gainEdit, "6");
    // The knob at exactly 0.0 dB switches the band off.
    Turn(band.gainKnob, 300);
    QCOMPARE(record.off(), 1);
    QCOMPARE(band.onOff->text(), QString("OFF"));
    QCOMPARE(band.gainEdit->text(), QString("0.0"));
    // A band at 0.0 dB cannot be switched on: the button stays "OFF" and nothing is written.
    data.clearChangeFlags();
    QTest::mouseClick(band.onOff, Qt::LeftButton);
    QCOMPARE(band.onOff->state(), 0);
    QCOMPARE(band.onOff->text(), QString("OFF"));
    QCOMPARE(record.off(), 1);
    QCOMPARE(record.changed(), 0);
    QCOMPARE(surface->Notice()->notice(),
             QString("Out 2: EQ4 stays off at 0.0 dB; set a gain first"));
}

void EqualizerEditorsTest::bandDraggedOnTheGraphShowsInTheEditor() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    Filter& record = data.output(0).filter(2);
    auto* out = Open<OutputEqualizerEditor>(*surface, 0);
    const Bands& band = BandOf(out, 2);
    TypeValue(band.frequencyEdit, "1000");
    TypeValue(band.gainEdit, "6");
    ResponseGraph* graph = surface->Graph();
    QCOMPARE(graph->mode(), int(ResponseGraph::kModeOutputEq));

    // Band 3 dragged right and down: the editor hears of it with the next 300 ms report.
    const GraphPoint from = graph->handleOf(record).centre();
    Drag(graph, from, {from.x + 120, from.y + 40});
    QVERIFY(record.frequency() > 1000);
    QVERIFY(record.gainIndex() < 360);
    QCOMPARE(band.frequencyEdit->text(), QString("1000"));
    graph->reportTick();
    QCOMPARE(band.frequencyEdit->text(), QString::number(record.frequency()));
    QCOMPARE(band.frequencyKnob->value(), controlmath::FrequencyStepsOf(record.frequency()));
    QCOMPARE(band.gainKnob->value(), record.gainIndex());
    QCOMPARE(band.gainEdit->text(), QString::fromStdString(*FormatDisplayKind(
                                        ChannelEditRules::kBandGainEntry, record.gainIndex())));
    QCOMPARE(band.onOff->text(), QString(record.off() ? "OFF" : "On"));

    // Its upper bandwidth edge dragged right: bandwidth, its knob and the Q follow.
    const int before = record.bandwidthIndex();
    const GraphPoint edge = graph->bandwidthHandlesOf(record).upper.centre();
    QTest::mouseMove(
        graph, QPoint(graph->handleOf(record).centre().x, graph->handleOf(record).centre().y));
    Drag(graph, edge, {edge.x + 60, edge.y});
    QVERIFY(record.bandwidthIndex() > before);
    graph->reportTick();
    QCOMPARE(band.bandwidthEdit->text(), QString::fromStdString(record.bandwidthText()));
    QCOMPARE(band.bandwidthKnob->value(), record.bandwidthIndex());
    QCOMPARE(band.qEdit->text(), QString::fromStdString(record.qText()));

    // The graph showing a channel whose editor is not open: nobody is told, nothing breaks.
    graph->selectInput(3);
    graph->setMode(ResponseGraph::kModeInputEq);
    Filter& other = data.input(3).filter(0);
    other.setFrequency(1000);
    other.setGainIndex(390);
    const QString shown = BandOf(out, 0).frequencyEdit->text();
    const GraphPoint handle = graph->handleOf(other).centre();
    Drag(graph, handle, {handle.x + 80, handle.y});
    QVERIFY(other.frequency() > 1000);
    graph->reportTick();
    QVERIFY(!surface->Editors().Editor(EditorKind::InputEqualizer, 3));
    QCOMPARE(BandOf(out, 0).frequencyEdit->text(), shown);
}

void EqualizerEditorsTest::inputEqualizerEditReachesTheUnit() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(1);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    auto* in = Open<InputEqualizerEditor>(*surface, 1);
    const Bands& band = BandOf(in, 2);
    TypeValue(band.frequencyEdit, "1000");
    TypeValue(band.qEdit, "1.414");
    TypeValue(band.gainEdit, "6");
    // Input B, band 3: 1000 Hz, +6.0 dB, 1.00 octave (index 95), PEQ; one frame for all three.
    const std::vector<Bytes> expected = {BandFrame(kSectionInput, 1, 2, 1000, 360, 95, 0, 0)};
    QVERIFY(SendUntilSettled(*surface) == expected);
    const InputBlock block =
        line->WithUnits([](auto& units) { return units[0].Program(0).inputs[1]; });
    const Bytes held(block.begin() + 2 * 8, block.begin() + 3 * 8); // band 3 of the block
    QVERIFY(held ==
            Bytes(expected[0].begin() + kOffsetPayload, expected[0].begin() + kOffsetPayload + 8));
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

void EqualizerEditorsTest::outputEqualizerEditReachesTheUnit() {
    auto line = OpenVirtualUnit(2);
    QVERIFY(line);
    ControlSurface* surface = Show(2);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    auto* out = Open<OutputEqualizerEditor>(*surface, 4);
    const Bands& band = BandOf(out, 5);
    Pick(band.type, Filter::kHighShelf);
    Pick(band.slope, Filter::kShelf12);
    TypeValue(band.frequencyEdit, "8000");
    TypeValue(band.gainEdit, "-3");
    // Output 5, band 6: 8000 Hz, -3.0 dB, bandwidth as it was (0.05 octaves), 12 dB high shelf.
    const std::vector<Bytes> expected = {BandFrame(kSectionOutput, 4, 5, 8000, 270, 0, 1, 2)};
    QVERIFY(SendUntilSettled(*surface) == expected);
    const OutputBlock block =
        line->WithUnits([](auto& units) { return units[0].Program(0).outputs[4]; });
    const Bytes held(block.begin() + 5 * 8, block.begin() + 6 * 8);
    QVERIFY(held ==
            Bytes(expected[0].begin() + kOffsetPayload, expected[0].begin() + kOffsetPayload + 8));
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

TAVREL_GUI_TEST_MAIN(EqualizerEditorsTest)
#include "equalizer_editors_test.moc"
