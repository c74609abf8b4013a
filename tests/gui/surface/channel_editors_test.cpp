// The input and output channel editors as the strips open them: their slots, the graph mode,
// the editing rules as the operator meets them, the keys, and edits reaching a virtual unit.

#include "GuiTestSupport.h"
#include "OperatorInput.h"
#include "StripParts.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/InputChannelEditor.h"
#include "gui/dialogs/OutputChannelEditor.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditorPlacement.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/TimedNotice.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ProgramContainer.h"
#include "model/SettingsSnapshot.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

#include <memory>
#include <vector>

using namespace guitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A fader dragged to `position` and let go.
void Release(Fader* fader, int position) {
    guitest::DragSlider(fader, {position});
}

// Whether an edit shows its whole text: the text's width within the edit less its frame and the
// line edit's own margins.
bool ShowsWholeText(const QLineEdit* edit) {
    constexpr int kLineEditMargin = 2; // each side, inside the frame
    const int frame =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const int room = edit->contentsRect().width() - 2 * frame - 2 * kLineEditMargin;
    return edit->fontMetrics().horizontalAdvance(edit->text()) <= room;
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
    void placementSparesWhatMattersMost_data();
    void placementSparesWhatMattersMost();
    void editorsOpenClearOfGraphAndStrip_data();
    void editorsOpenClearOfGraphAndStrip();
    void editorsCascadeOnAScreenWithoutRoom();
    void typedValuesNeverReachTheUnitBySurprise_data();
    void typedValuesNeverReachTheUnitBySurprise();
    void highPassNeverLiesAboveTheLowPass();
    void distancesFollowTheTemperature();
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
        ChannelStrip& strip = output ? surface.OutputStrip(channel) : surface.InputStrip(channel);
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
    QVERIFY(guitest::StripParts(*surface, true, 1).channelEditor->isEnabled());

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
    // The longest texts show whole: the ratio "1:maximum", a release of 32 x 100 ms.
    OutputChannel& longest = data.output(2);
    longest.setAttack(kAttackMaxIndex);
    longest.setRelease(kReleaseMaxIndex);
    if (full) {
        longest.setDynamicsType(OutputChannel::kDynamicsCompressor);
        longest.setRatio(kRatioMaxIndex);
    }
    out->selectChannel(2);
    QCOMPARE(out->release().edit->text(), QString("32X (3200ms)"));
    if (full)
        QCOMPARE(out->ratio().edit->text(), QString("1:maximum"));
    for (const ValueEdit* edit : out->findChildren<ValueEdit*>())
        QVERIFY2(ShowsWholeText(edit), qPrintable(edit->text()));
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

// The screens an operator brings: a 1366 x 768 laptop, a full HD screen, and a 2560 x 1440
// screen at 200 % (1280 x 720 logical pixels), each with a 40-pixel panel at the bottom. The main
// window opens at the top left at the size it opens with on that screen.
struct Screen {
    const char* name;
    QRect available;
};
const Screen kLaptop{"1366x768", QRect(0, 0, 1366, 728)};
const Screen kFullHd{"1920x1080", QRect(0, 0, 1920, 1040)};
const Screen kDoubled{"2560x1440 at 200%", QRect(0, 0, 1280, 680)};

// Shows the main window on `screen` as it opens there, and places editors on that screen.
void PutOnScreen(MainWindow& frame, ControlSurface& surface, const QRect& available) {
    frame.setGeometry(QRect(available.topLeft(), MainWindow::OpeningSize(QSize(), available)));
    QTRY_COMPARE(surface.width(), frame.centralWidget()->width());
    surface.Editors().SetScreenArea(available);
}

QRect GraphArea(ControlSurface& surface) {
    ResponseGraph* graph = surface.Graph();
    return QRect(graph->mapToGlobal(QPoint(0, 0)), graph->size());
}

// The placement rule on its own: a 1000 x 700 main window at the top left with its graph on top
// and an edited strip low on the left; editors of 600 x 200. The usual place is (9, 437).
void ChannelEditorsTest::placementSparesWhatMattersMost_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("other"); // an editor open already; empty: none
    QTest::addColumn<QSize>("editor");
    QTest::addColumn<QPoint>("expected");
    const QSize editor(600, 200);
    QTest::newRow("room below the main window: there, under the usual place")
        << QRect(0, 0, 1920, 1040) << QRect() << editor << QPoint(9, 700);
    QTest::newRow("room beside it only: right of it, at the usual height")
        << QRect(0, 0, 1700, 720) << QRect() << editor << QPoint(1000, 437);
    QTest::newRow("no room outside: below the graph, right of the strip")
        << QRect(0, 0, 1000, 700) << QRect() << editor << QPoint(100, 437);
    QTest::newRow("that place taken: below the graph, least over the other")
        << QRect(0, 0, 1000, 700) << QRect(100, 301, 600, 200) << editor << QPoint(400, 500);
    QTest::newRow("larger than the screen: its top left corner on it")
        << QRect(0, 0, 1000, 700) << QRect() << QSize(1200, 900) << QPoint(0, 0);
}

void ChannelEditorsTest::placementSparesWhatMattersMost() {
    QFETCH(QRect, available);
    QFETCH(QRect, other);
    QFETCH(QSize, editor);
    QFETCH(QPoint, expected);
    EditorPlacementInput in{.available = available,
                            .mainWindow = QRect(0, 0, 1000, 700),
                            .graph = QRect(20, 40, 900, 260),
                            .strip = QRect(40, 320, 60, 300),
                            .editor = editor,
                            .others = {}};
    if (!other.isEmpty())
        in.others.push_back(other);
    QCOMPARE(PlaceEditor(in), expected);
}

void ChannelEditorsTest::editorsOpenClearOfGraphAndStrip_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("kind"); // EditorKind
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("stripSpared"); // the screen has room to spare the edited strip
    const int inputEq = int(EditorKind::InputEqualizer);
    const int outputEq = int(EditorKind::OutputEqualizer);
    const int output = int(EditorKind::OutputChannel);
    const int input = int(EditorKind::InputChannel);
    struct Row {
        const Screen& screen;
        int deviceType, kind, channel;
        bool stripSpared;
    };
    const Row rows[] = {{kFullHd, 1, inputEq, 0, true},  {kFullHd, 1, outputEq, 3, true},
                        {kFullHd, 1, output, 7, true},   {kFullHd, 2, input, 1, true},
                        {kLaptop, 1, inputEq, 3, false}, {kLaptop, 1, outputEq, 7, false},
                        {kLaptop, 1, output, 0, false},  {kLaptop, 3, input, 0, true},
                        {kLaptop, 3, output, 0, true},   {kDoubled, 1, inputEq, 1, false},
                        {kDoubled, 1, output, 4, false}, {kDoubled, 2, outputEq, 2, false}};
    const char* kinds[] = {"input", "output", "input EQ", "output EQ"};
    for (const Row& r : rows)
        QTest::addRow("%s: %s %s editor of channel %d", r.screen.name,
                      qPrintable(ModelName(r.deviceType)), kinds[r.kind], r.channel + 1)
            << r.screen.available << r.deviceType << r.kind << r.channel << r.stripSpared;
}

void ChannelEditorsTest::editorsOpenClearOfGraphAndStrip() {
    QFETCH(QRect, available);
    QFETCH(int, deviceType);
    QFETCH(int, kind);
    QFETCH(int, channel);
    QFETCH(bool, stripSpared);
    ControlSurface* surface = Show(deviceType);
    PutOnScreen(m_harness->Window(), *surface, available);
    const auto editorKind = static_cast<EditorKind>(kind);
    const bool output =
        editorKind == EditorKind::OutputChannel || editorKind == EditorKind::OutputEqualizer;
    ChannelEditor* editor = surface->Editors().Open(editorKind, channel);
    QVERIFY(editor);
    const QRect frame = editor->frameGeometry();
    // Whole on the screen, never over the graph; clear of its strip where the screen has room.
    QVERIFY2(available.contains(frame), qPrintable(QDebug::toString(frame)));
    QVERIFY(!frame.intersects(GraphArea(*surface)));
    if (stripSpared)
        QVERIFY(!frame.intersects(surface->StripArea(output, channel)));
}

void ChannelEditorsTest::editorsCascadeOnAScreenWithoutRoom() {
    ControlSurface* surface = Show(1);
    PutOnScreen(m_harness->Window(), *surface, kLaptop.available);
    // Four wide editors on a laptop: each on the screen, none exactly on another.
    std::vector<QPoint> corners;
    for (int channel = 0; channel < 4; ++channel) {
        ChannelEditor* editor = surface->Editors().Open(EditorKind::OutputEqualizer, channel);
        QVERIFY(kLaptop.available.contains(editor->frameGeometry()));
        QVERIFY(!editor->frameGeometry().intersects(GraphArea(*surface)));
        QVERIFY(std::find(corners.begin(), corners.end(), editor->pos()) == corners.end());
        corners.push_back(editor->pos());
    }
}

// What typing into a value box does: a Hz box (the high-pass of output 1), a gain box (the
// strip of input A) and a delay box (input A's milliseconds), on a 4x8.
void ChannelEditorsTest::typedValuesNeverReachTheUnitBySurprise_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // the box's text afterwards
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("sent"); // a frame is waiting for the unit
    const QString hz = QStringLiteral("\nAllowed range: 10 to 30000 Hz");
    const QString kilo = QStringLiteral("\nkHz are typed with k: 1.5k is 1500 Hz");
    const QString db = QStringLiteral("\nAllowed range: -40.0 to 6.0 dB");
    const QString ms = QStringLiteral("\nAllowed range: 0.0000 to 1000 ms");
    QTest::newRow("Hz: 1k") << "hz"
                            << "1k"
                            << "1000"
                            << "" << true;
    QTest::newRow("Hz: 1.5k") << "hz"
                              << "1.5k"
                              << "1500"
                              << "" << true;
    QTest::newRow("Hz: 2,5k") << "hz"
                              << "2,5k"
                              << "2500"
                              << "" << true;
    QTest::newRow("Hz: 2.5K") << "hz"
                              << "2.5K"
                              << "2500"
                              << "" << true;
    QTest::newRow("Hz: 1e3 is no number") << "hz"
                                          << "1e3"
                                          << "120"
                                          << "Not a number" + hz + kilo << false;
    QTest::newRow("Hz: 12,000 could be 12 or 12000") << "hz"
                                                     << "12,000"
                                                     << "120"
                                                     << "Not a number" + hz + kilo << false;
    QTest::newRow("Hz: 5 is below the range") << "hz"
                                              << "5"
                                              << "120"
                                              << "Out of Range" + hz << false;
    QTest::newRow("Hz: 40000 is above it") << "hz"
                                           << "40000"
                                           << "120"
                                           << "Out of Range" + hz << false;
    QTest::newRow("gain: -3.5") << "gain"
                                << "-3.5"
                                << "-3.5"
                                << "" << true;
    QTest::newRow("gain: above the maximum") << "gain"
                                             << "10"
                                             << "0.0"
                                             << "Out of Range" + db << false;
    QTest::newRow("gain: no number") << "gain"
                                     << "loud"
                                     << "0.0"
                                     << "Not a number" + db << false;
    QTest::newRow("delay: the top") << "delay"
                                    << "1000"
                                    << "1000"
                                    << "" << true;
    QTest::newRow("delay: above the top") << "delay"
                                          << "1000.5"
                                          << "0.0000"
                                          << "Out of Range" + ms << false;
    QTest::newRow("delay: negative") << "delay"
                                     << "-1"
                                     << "0.0000"
                                     << "Out of Range" + ms << false;
}

void ChannelEditorsTest::typedValuesNeverReachTheUnitBySurprise() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QFETCH(bool, sent);
    ControlSurface* surface = Show(1);
    // Enter in a strip's box gives the focus to the surface, which takes the text.
    m_harness->Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_harness->Window()));
    ProgramContainer& data = surface->Document().Data();
    data.output(0).highPass().setFrequency(120);
    ValueEdit* edit = guitest::StripParts(*surface, false, 0).gain;
    if (box == "hz")
        edit = Open<OutputChannelEditor>(*surface, 0)->highPass().frequencyEdit;
    else if (box == "delay")
        edit = Open<InputChannelEditor>(*surface, 0)->delay().edits[0];
    while (data.hasPendingChanges())
        data.clearChangeFlags(); // as after sending: nothing waits
    const SettingsSnapshot before = TakeSnapshot(data);

    TypeValue(edit, typed);
    QTRY_VERIFY(!edit->isValueModified());
    QCOMPARE(edit->text(), shown);
    QCOMPARE(m_harness->Messages().ControlMessages(),
             message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(data.hasPendingChanges(), sent);
    QCOMPARE(TakeSnapshot(data) == before, !sent);
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
    QCOMPARE(out->highPass().frequencyFader->value(),
             controlmath::SliderPositionOfFrequency(5000, 0, 240));
    // The status line says what happened and why.
    QCOMPARE(surface->Notice()->notice(), QString("Out 1: HPF stops at the LPF, 5000 Hz"));
    QVERIFY(surface->Notice()->isVisible());
    QVERIFY(surface->Notice()->toolTip().isEmpty()); // shown whole
    SaveShot(*surface, "surface-notice");
    surface->Notice()->expire();
    QVERIFY(!surface->Notice()->isVisible());
    // Dragged to the top (30 kHz): the same.
    Release(out->highPass().frequencyFader, 0);
    QCOMPARE(record.highPass().frequency(), 5000);
    QCOMPARE(out->highPass().frequencyFader->value(),
             controlmath::SliderPositionOfFrequency(5000, 0, 240));
    QCOMPARE(surface->Notice()->notice(), QString("Out 1: HPF stops at the LPF, 5000 Hz"));

    // Dragged up against a low-pass at 2000 Hz and let go where it stopped: written once, and
    // the release does not move it to the slider's own frequency there (1945 Hz).
    TypeValue(out->highPass().frequencyEdit, "500");
    TypeValue(out->lowPass().frequencyEdit, "2000");
    QSignalSpy written(&surface->Store(), &ParameterStore::written);
    Fader* fader = out->highPass().frequencyFader;
    fader->resize(fader->width(), 132);
    const QPoint thumb = fader->thumbRect().center().toPoint();
    QTest::mousePress(fader, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(fader, QPoint(thumb.x(), 0));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(thumb.x(), 0));
    QCOMPARE(record.highPass().frequency(), 2000);
    QCOMPARE(written.count(), 1);
    // The low-pass dragged to the bottom stops at the high-pass.
    Release(out->lowPass().frequencyFader, 240);
    QCOMPARE(record.lowPass().frequency(), 2000);
    QCOMPARE(out->lowPass().frequencyEdit->text(), QString("2000"));
    QCOMPARE(surface->Notice()->notice(), QString("Out 1: LPF stops at the HPF, 2000 Hz"));
    QVERIFY(m_harness->Messages().ControlMessages().isEmpty());
}

void ChannelEditorsTest::distancesFollowTheTemperature() {
    ControlSurface* surface = Show(2);
    ProgramContainer& data = surface->Document().Data();
    data.input(0).setDelay(476); // 10 ms
    auto* in = Open<InputChannelEditor>(*surface, 0);
    QCOMPARE(data.temperature(), 25);
    QCOMPARE(in->delay().edits[1]->text(), QString("3.5")); // 10 ms x 346 m/s
    // The interface settings change the temperature: the open editor shows and reads distances
    // with the new speed of sound.
    surface->Controller().SetTemperature(0);
    QCOMPARE(in->delay().edits[1]->text(), QString("3.3")); // x 331 m/s
    QCOMPARE(in->delay().edits[2]->text(), QString("10.9"));
    TypeValue(in->delay().edits[1], "6.6"); // 20 ms at 331 m/s
    QCOMPARE(data.input(0).delay(), 486);
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
    QCOMPARE(surface->Notice()->notice(),
             refused ? QString("Out 2: IN 1 stays on, an output needs a source") : QString());
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
    QCOMPARE(in->thresholdFader()->value(), 130 - 90);

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
    QCOMPARE(delay.fader->value(), delay.fader->maximum() - record.delay());
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
    QCOMPARE(out->highPass().frequencyFader->value(),
             controlmath::SliderPositionOfFrequency(dragged, 0, 240));
    QCOMPARE(out->attack().edit->text(), QString("2")); // the automatic attack of 200..499 Hz

    // Dragged on past the low-pass: it stops there, and the status line says so.
    record.lowPass().setFrequency(5000);
    const GraphPoint at = graph->handleOf(record.highPass()).centre();
    QTest::mouseMove(graph, QPoint(at.x, at.y));
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(at.x, at.y));
    QTest::mouseMove(graph, QPoint(at.x + 500, at.y));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(at.x + 500, at.y));
    QCOMPARE(record.highPass().frequency(), 5000);
    QCOMPARE(surface->Notice()->notice(), QString("Out 3: HPF stops at the LPF, 5000 Hz"));
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
    // An attack between two steps is not taken either; the status line says why.
    TypeValue(out->attack().edit, "0.95");
    QCOMPARE(data.output(0).attack(), 0);
    QCOMPARE(surface->Notice()->notice(), QString("Out 1: No step at 0.95 ms: 0.9 or 1 ms"));
    QVERIFY(out->isVisible());
    QCOMPARE(NextPendingRequest(data).bytes, RequestFrames(data).outputLimiterFrame(0).bytes);

    // Typed beyond the range: "Out of Range" with the allowed range, and nothing taken.
    TypeValue(threshold, "25");
    QCOMPARE(m_harness->Messages().ControlMessages(),
             QStringList{"Out of Range\nAllowed range: -30.0 to 20.0 dBu"});
    QCOMPARE(data.output(0).threshold(), 210);
    QCOMPARE(threshold->text(), QString("-9.0"));
    // An attack between two steps is not taken either; the status line says why.
    TypeValue(out->attack().edit, "0.95");
    QCOMPARE(data.output(0).attack(), 0);
    QCOMPARE(surface->Notice()->notice(), QString("Out 1: No step at 0.95 ms: 0.9 or 1 ms"));
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
