// The edit history and the A/B comparison of a control surface: each kind of edit undone and
// redone with exactly its frames, drags as one step, loads, connecting, the keys in an editor,
// and the A/B switch.

#include "GuiTestSupport.h"
#include "OperatorInput.h"
#include "StripParts.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/EqualizerBandGroup.h"
#include "gui/dialogs/EqualizerEditor.h"
#include "gui/dialogs/InputChannelEditor.h"
#include "gui/dialogs/OutputChannelEditor.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditHistory.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ProgramContainer.h"
#include "model/SettingsSnapshot.h"
#include "protocol/Frame.h"
#include "protocol/RequestFrames.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using namespace guitest;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;

// The frames the container's change flags stand for, in the send tick's order (the flags are
// cleared on the way, as sending does).
Frames Pending(ProgramContainer& data) {
    const Bytes poll = RequestFrames(data).meterPollFrame().bytes;
    Frames frames;
    for (int i = 0; i < 200; ++i) {
        Bytes frame = NextPendingRequest(data).bytes;
        if (frame == poll)
            break;
        frames.push_back(std::move(frame));
    }
    return frames;
}

template <class Editor> Editor* Open(ControlSurface& surface, EditorKind kind, int channel) {
    const bool output = kind == EditorKind::OutputChannel || kind == EditorKind::OutputEqualizer;
    ChannelStrip& strip = output ? surface.OutputStrip(channel) : surface.InputStrip(channel);
    const bool eq = kind == EditorKind::InputEqualizer || kind == EditorKind::OutputEqualizer;
    QTest::mouseClick(eq ? static_cast<QWidget*>(strip.eq) : strip.channelEditor, Qt::LeftButton);
    return qobject_cast<Editor*>(surface.Editors().Editor(kind, channel));
}

// A fader dragged through several positions and let go: what the strip sees of a drag.
void DragFader(Fader* fader, std::initializer_list<int> positions) {
    guitest::DragSlider(fader, positions);
}

// The operator drags a filter's handle on the graph by `dx` pixels in three moves.
void DragHandle(ResponseGraph* graph, const Filter& filter, int dx) {
    const GraphPoint from = graph->handleOf(filter).centre();
    const QPoint start(from.x, from.y);
    QTest::mouseMove(graph, start);
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 3; ++step)
        QTest::mouseMove(graph, start + QPoint(dx * step / 3, 0));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, start + QPoint(dx, 0));
}

// An output's crossover frame for the live settings of a unit not yet addressed: the high-pass at
// `hz`, the low-pass open at 30 kHz, both Butterworth at 12 dB per octave.
Bytes CrossoverFrame(int output, int hz) {
    const std::uint8_t payload[] = {
        std::uint8_t(hz & 0xFF), std::uint8_t(hz >> 8), 2, 0, 0x30, 0x75, 2, 0};
    return ComposeFrame(kKindWrite, 0, 0, kSectionOutput, std::uint8_t(output),
                        OutputChannel::kCrossoverCode, payload);
}

using Edit = std::function<void(ControlSurface&)>;
// The frames that send the values after an undo (`undone`) or a redo, built from the container.
using Expected = std::function<Frames(const RequestFrames&, bool undone)>;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Expected)

class EditHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void eachKindOfEditIsUndoneAndRedoneWithItsFrames_data();
    void eachKindOfEditIsUndoneAndRedoneWithItsFrames();
    void aDragIsOneStepAndTheNextDragAnother();
    void undoKeysWorkInAnEditorAndShowEverywhere();
    void loadedProgramIsOneStepUndoneWithoutMemoryWrites();
    void undoneEditsReachTheUnitAndConnectingStartsAFreshHistory();
    void abSwitchSendsOnlyTheDifferences();
    void abSwitchKeepsTheEditsOfTheSlotLeft();

private:
    ControlSurface* Show(int deviceType) { return m_harness->Show(DeviceCommand(deviceType)); }
    std::unique_ptr<SurfaceHarness> m_harness;
};

void EditHistoryTest::eachKindOfEditIsUndoneAndRedoneWithItsFrames_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Expected>("expected");

    QTest::newRow("strip fader drag: the output's level frame") << Edit([](ControlSurface& s) {
        DragFader(s.OutputStrip(2).fader, {100, 120, 140});
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputLevelFrame(2).bytes};
    });
    QTest::newRow("strip gain typed: Enter takes the focus away") << Edit([](ControlSurface& s) {
        s.window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window()));
        TypeValue(s.InputStrip(1).gain, "-6");
    }) << Expected([](const RequestFrames& f, bool) { return Frames{f.inputLevelFrame(1).bytes}; });
    QTest::newRow("mute") << Edit([](ControlSurface& s) {
        QTest::mouseClick(s.OutputStrip(5).mute, Qt::LeftButton);
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputLevelFrame(5).bytes};
    });
    QTest::newRow("polarity") << Edit([](ControlSurface& s) {
        QTest::mouseClick(s.InputStrip(0).polarity, Qt::LeftButton);
    }) << Expected([](const RequestFrames& f, bool) { return Frames{f.inputLevelFrame(0).bytes}; });
    QTest::newRow("delay typed in the output editor") << Edit([](ControlSurface& s) {
        auto* out = Open<OutputChannelEditor>(s, EditorKind::OutputChannel, 1);
        TypeValue(out->delay().edits[0], "2.5");
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputLevelFrame(1).bytes};
    });
    QTest::newRow("gate threshold in the input editor") << Edit([](ControlSurface& s) {
        auto* in = Open<InputChannelEditor>(s, EditorKind::InputChannel, 3);
        TypeValue(in->thresholdEdit(), "-20");
    }) << Expected([](const RequestFrames& f, bool) { return Frames{f.inputGateFrame(3).bytes}; });
    QTest::newRow("source of an output") << Edit([](ControlSurface& s) {
        auto* out = Open<OutputChannelEditor>(s, EditorKind::OutputChannel, 0);
        QTest::mouseClick(out->sourceToggle(2), Qt::LeftButton);
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputLevelFrame(0).bytes};
    });
    QTest::newRow("band gain in the equaliser editor") << Edit([](ControlSurface& s) {
        auto* eq = Open<EqualizerEditor>(s, EditorKind::OutputEqualizer, 4);
        TypeValue(eq->band(2)->controls().gainEdit, "4.5");
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputBandFrame(4, 2).bytes};
    });
    QTest::newRow("limiter threshold") << Edit([](ControlSurface& s) {
        auto* out = Open<OutputChannelEditor>(s, EditorKind::OutputChannel, 6);
        TypeValue(out->threshold().edit, "-9");
    }) << Expected([](const RequestFrames& f, bool) {
        return Frames{f.outputLimiterFrame(6).bytes};
    });
    QTest::newRow("high-pass typed: an octave per frame each way") << Edit([](ControlSurface& s) {
        auto* out = Open<OutputChannelEditor>(s, EditorKind::OutputChannel, 3);
        TypeValue(out->highPass().frequencyEdit, "100");
    }) << Expected([](const RequestFrames&, bool undone) {
        Frames frames;
        for (int hz :
             undone ? std::vector<int>{50, 25, 12, 10, 10} : std::vector<int>{20, 40, 80, 100, 100})
            frames.push_back(CrossoverFrame(3, hz));
        return frames;
    });
    QTest::newRow("channel name") << Edit([](ControlSurface& s) {
        s.Controller().SetChannelName(true, 7, "Sub");
    }) << Expected([](const RequestFrames& f, bool) { return Frames{f.outputNameFrame(7).bytes}; });
    QTest::newRow("copy of a channel: the groups that differ")
        << Edit([](ControlSurface& s) { s.CopyChannel(0, 2, false); })
        << Expected([](const RequestFrames& f, bool) {
               return Frames{f.inputNameFrame(2).bytes, f.inputLevelFrame(2).bytes,
                             f.inputBandFrame(2, 1).bytes};
           });
}

void EditHistoryTest::eachKindOfEditIsUndoneAndRedoneWithItsFrames() {
    QFETCH(Edit, edit);
    QFETCH(Expected, expected);
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    // Input A differs from input C in its level and its second band, for the copy.
    data.input(0).setGain(77);
    data.input(0).filter(1).setGainIndex(90);
    surface->UpdateAllControls();
    data.clearChangeFlags();
    EditHistory& history = surface->History();
    history.Clear();
    const SettingsSnapshot before = TakeSnapshot(data);

    edit(*surface);
    const SettingsSnapshot after = TakeSnapshot(data);
    QVERIFY(after != before);
    QCOMPARE(history.Stack().count(), 1);
    Pending(data); // sent

    history.UndoAction()->trigger();
    QVERIFY(TakeSnapshot(data) == before);
    QCOMPARE(Pending(data), expected(RequestFrames(data), true));
    QVERIFY(!history.UndoAction()->isEnabled());

    history.RedoAction()->trigger();
    QVERIFY(TakeSnapshot(data) == after);
    QCOMPARE(Pending(data), expected(RequestFrames(data), false));
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

void EditHistoryTest::aDragIsOneStepAndTheNextDragAnother() {
    ControlSurface* surface = Show(1);
    Open<OutputChannelEditor>(*surface, EditorKind::OutputChannel, 2);
    EditHistory& history = surface->History();
    history.Clear();
    const Filter& highPass = surface->Document().Data().output(2).highPass();
    const int start = highPass.frequency();

    DragHandle(surface->Graph(), highPass, 300);
    const int first = highPass.frequency();
    QVERIFY(first > start);
    QCOMPARE(history.Stack().count(), 1);
    QVERIFY(history.UndoAction()->text().endsWith(QStringLiteral("Out 3 HPF Drag")));
    DragHandle(surface->Graph(), highPass, 150);
    QVERIFY(highPass.frequency() > first);
    QCOMPARE(history.Stack().count(), 2);

    history.UndoAction()->trigger();
    QCOMPARE(highPass.frequency(), first);
    history.UndoAction()->trigger();
    QCOMPARE(highPass.frequency(), start);

    // A drag that ends where it began leaves no step.
    history.Clear();
    DragHandle(surface->Graph(), highPass, 0);
    QCOMPARE(history.Stack().count(), 0);
}

void EditHistoryTest::undoKeysWorkInAnEditorAndShowEverywhere() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    EditHistory& history = surface->History();
    auto* out = Open<OutputChannelEditor>(*surface, EditorKind::OutputChannel, 0);
    history.Clear();
    const QList<QAction*> menu = m_harness->Window().EditMenu()->actions();
    QVERIFY(menu.contains(history.UndoAction()) && menu.contains(history.RedoAction()));

    ChannelStrip& strip = surface->OutputStrip(0);
    const int gain = data.output(0).gain();
    const QString shownGain = strip.gain->text();
    DragFader(strip.fader, {200, 250});
    const int draggedGain = data.output(0).gain();
    ValueEdit* threshold = out->threshold().edit;
    const QString shownThreshold = threshold->text();
    out->show();
    out->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(out));
    TypeValue(threshold, "-9");
    QCOMPARE(threshold->text(), QString("-9.0"));
    QCOMPARE(history.Stack().count(), 2);

    // In the editor, with the focus in the value box just committed.
    QCOMPARE(QApplication::focusWidget(), threshold);
    QTest::keyClick(threshold, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(threshold->text(), shownThreshold);
    QTest::keyClick(threshold, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(data.output(0).gain(), gain);
    QCOMPARE(strip.gain->text(), shownGain);
    QCOMPARE(strip.fader->value(), strip.gainMax - gain);
    QTest::keyClick(threshold, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(data.output(0).gain(), draggedGain);
    QCOMPARE(strip.fader->value(), strip.gainMax - draggedGain);

    // While typing, the keys undo the typing only.
    threshold->setFocus();
    threshold->selectAll();
    QTest::keyClicks(threshold, "-3");
    QTest::keyClick(threshold, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(data.output(0).gain(), draggedGain);
    QCOMPARE(history.Stack().index(), 1);
}

void EditHistoryTest::loadedProgramIsOneStepUndoneWithoutMemoryWrites() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    EditHistory& history = surface->History();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Loud.dia48"));
    data.output(1).setGain(200);
    data.setProgramName("Loud");
    QVERIFY(surface->StoreProgramToFile(path));
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));
    const QString title = m_harness->Window().windowTitle();
    const auto memories = [&] {
        return line->WithUnits([](auto& units) {
            std::vector<OutputBlock> blocks; // output 2 of every memory
            for (int slot = 1; slot <= 30; ++slot)
                blocks.push_back(units[0].Program(slot).outputs[1]);
            return blocks;
        });
    };
    const auto stored = memories();
    const int unitGain = data.output(1).gain();
    QVERIFY(unitGain != 200);

    QCOMPARE(surface->RecallProgramFromFile(path), FileOutcome::Done);
    QCOMPARE(data.output(1).gain(), 200);
    QCOMPARE(history.Stack().count(), 1);
    QVERIFY(history.UndoAction()->text().endsWith(QStringLiteral("Recall Program From PC")));
    SendUntilSettled(*surface);

    history.UndoAction()->trigger();
    QCOMPARE(data.output(1).gain(), unitGain);
    QCOMPARE(guitest::StripParts(*surface, true, 1).fader->value(),
             surface->OutputStrip(1).gainMax - unitGain);
    QCOMPARE(m_harness->Window().windowTitle(), title);
    // The live settings go back; no program memory is written.
    QVERIFY(SendUntilSettled(*surface) == Frames{RequestFrames(data).outputLevelFrame(1).bytes});
    QVERIFY(memories() == stored);
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

void EditHistoryTest::undoneEditsReachTheUnitAndConnectingStartsAFreshHistory() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    UnitController& controller = surface->Controller();
    EditHistory& history = surface->History();
    QTest::mouseClick(guitest::StripParts(*surface, true, 1).mute, Qt::LeftButton);
    QCOMPARE(history.Stack().count(), 1);

    // The program the unit sends is no step, and nothing before it can be undone.
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(history.Stack().count(), 0);
    QVERIFY(!history.UndoAction()->isEnabled());

    // A channel edit, a unit-wide setting of a tool dialog and the input source.
    QTest::mouseClick(guitest::StripParts(*surface, true, 1).mute, Qt::LeftButton);
    controller.SetBacklight(1);
    controller.SetInputSource(1, true);
    SendUntilSettled(*surface);
    QCOMPARE(history.Stack().count(), 3);
    const auto unitOf = [&] {
        return line->WithUnits([](auto& units) {
            return std::make_tuple(
                int(units[0].Program(0).outputs[1] == VirtualUnit::DefaultProgram().outputs[1]),
                int(units[0].Globals().backlight), int(units[0].Globals().inputSource));
        });
    };
    QCOMPARE(unitOf(), std::make_tuple(0, 1, 1));

    history.UndoAction()->trigger();
    QCOMPARE(data.inputSource(), 0);
    QVERIFY(SendUntilSettled(*surface) == Frames{RequestFrames(data).sourceFrame().bytes});
    history.UndoAction()->trigger();
    QCOMPARE(data.backlight(), 0);
    QVERIFY(SendUntilSettled(*surface) == Frames{RequestFrames(data).backlightFrame().bytes});
    history.UndoAction()->trigger();
    QCOMPARE(int(data.output(1).on()), 1);
    QVERIFY(guitest::StripParts(*surface, true, 1).mute->isSounding());
    QVERIFY(SendUntilSettled(*surface) == Frames{RequestFrames(data).outputLevelFrame(1).bytes});
    QCOMPARE(unitOf(), std::make_tuple(1, 0, 0));
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

void EditHistoryTest::abSwitchSendsOnlyTheDifferences() {
    ControlSurface* surface = Show(1);
    ProgramContainer& data = surface->Document().Data();
    EditHistory& history = surface->History();
    QAction* switchAb = history.SwitchAction();
    QToolButton* box = surface->ComparisonButton();
    QCOMPARE(box->text(), QString("A/B: none"));
    history.StoreAction(EditHistory::Slot::A)->trigger();
    QCOMPARE(box->text(), QString("A/B: A live"));
    QVERIFY(!switchAb->isEnabled());
    const SettingsSnapshot a = TakeSnapshot(data);

    // Three parameters: an output's gain, an input's polarity, an output's name.
    DragFader(guitest::StripParts(*surface, true, 3).fader, {300});
    QTest::mouseClick(guitest::StripParts(*surface, false, 1).polarity, Qt::LeftButton);
    surface->Controller().SetChannelName(true, 0, "Top");
    QCOMPARE(box->text(), QString("A/B: A edited"));
    history.StoreAction(EditHistory::Slot::B)->trigger();
    const SettingsSnapshot b = TakeSnapshot(data);
    QCOMPARE(box->text(), QString("A/B: B live, A stored"));
    QVERIFY(switchAb->isEnabled());
    Pending(data);

    const auto differences = [&] {
        const RequestFrames f(data);
        return Frames{f.inputLevelFrame(1).bytes, f.outputNameFrame(0).bytes,
                      f.outputLevelFrame(3).bytes};
    };
    switchAb->trigger();
    QVERIFY(TakeSnapshot(data) == a);
    QCOMPARE(Pending(data), differences());
    QCOMPARE(box->text(), QString("A/B: A live, B stored"));
    QVERIFY(!SaveShot(m_harness->Window(), QStringLiteral("surface-ab-status")).isNull());
    ChannelStrip& out4 = surface->OutputStrip(3);
    QCOMPARE(out4.fader->value(), out4.gainMax - data.output(3).gain());
    QCOMPARE(out4.nameLabel->text(), QString::fromStdString(data.output(3).nameText()));
    QCOMPARE(guitest::StripParts(*surface, true, 0).nameLabel->text(),
             QString::fromStdString(data.output(0).nameText()));

    switchAb->trigger();
    QVERIFY(TakeSnapshot(data) == b);
    QCOMPARE(Pending(data), differences());
    QCOMPARE(box->text(), QString("A/B: B live, A stored"));

    // An edit after the switch changes the live settings, not B; its undo makes B live again,
    // and the switch itself is a step too.
    QTest::mouseClick(guitest::StripParts(*surface, true, 6).mute, Qt::LeftButton);
    QCOMPARE(box->text(), QString("A/B: B edited, A stored"));
    history.UndoAction()->trigger();
    QCOMPARE(box->text(), QString("A/B: B live, A stored"));
    history.UndoAction()->trigger();
    QVERIFY(TakeSnapshot(data) == a);
    QCOMPARE(box->text(), QString("A/B: A live, B stored"));
}

void EditHistoryTest::abSwitchKeepsTheEditsOfTheSlotLeft() {
    ControlSurface* surface = Show(1);
    m_harness->Window().activateWindow(); // for the shortcut
    QVERIFY(QTest::qWaitForWindowActive(&m_harness->Window()));
    ProgramContainer& data = surface->Document().Data();
    EditHistory& history = surface->History();
    QToolButton* button = surface->ComparisonButton();
    // Without two stored settings the button offers to store them; its shortcut and the
    // switch action do nothing yet.
    QVERIFY(!history.SwitchAction()->isEnabled());
    QCOMPARE(history.SwitchAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    QVERIFY(button->menu()->actions().contains(history.StoreAction(EditHistory::Slot::A)));

    history.StoreAction(EditHistory::Slot::A)->trigger();
    DragFader(guitest::StripParts(*surface, true, 0).fader, {200});
    history.StoreAction(EditHistory::Slot::B)->trigger();
    const SettingsSnapshot b = TakeSnapshot(data);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    QCOMPARE(button->text(), QString("A/B: A live, B stored"));

    // Edits while A is live belong to A: switching away keeps them there, and switching back
    // brings them back, as they were on the unit.
    DragFader(guitest::StripParts(*surface, true, 5).fader, {90});
    QTest::mouseClick(guitest::StripParts(*surface, false, 2).polarity, Qt::LeftButton);
    QCOMPARE(button->text(), QString("A/B: A edited, B stored"));
    const SettingsSnapshot edited = TakeSnapshot(data);
    QTest::keyClick(surface, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(TakeSnapshot(data) == b);
    QCOMPARE(button->text(), QString("A/B: B live, A stored"));
    history.SwitchAction()->trigger();
    QVERIFY(TakeSnapshot(data) == edited);
    QCOMPARE(guitest::StripParts(*surface, true, 5).fader->value(), 90);
    QCOMPARE(button->text(), QString("A/B: A live, B stored"));
    QVERIFY(m_harness->Messages().Texts().isEmpty());
}

TAVREL_GUI_TEST_MAIN(EditHistoryTest)
#include "edit_history_test.moc"
