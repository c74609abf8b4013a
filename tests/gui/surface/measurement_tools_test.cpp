// Filter texts and measurements on a control surface: the import preview and what its OK and
// Cancel do (one step of the edit history, the frames typing would send), bad files, measured
// overlays remembered with their program file, and the graph's phase view.

#include "GuiTestSupport.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/EqualizerImportDialog.h"
#include "gui/dialogs/OutputEqualizerEditor.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditHistory.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/ResponseGraph.h"
#include "model/ParameterScales.h"
#include "model/ProgramContainer.h"
#include "model/SettingsSnapshot.h"
#include "protocol/Frame.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <optional>
#include <vector>

using namespace guitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

class ScriptedChooser : public IFileChooser {
public:
    QStringList answers;
    std::optional<std::string> ChooseFile(const FileChoice&) override {
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst().toStdString();
    }
};

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

// An output band frame: frequency, gain index (300 is 0 dB), bandwidth code, slope, type.
Bytes OutputBandFrame(int channel, int band, int hz, int gainIndex, int bandwidthCode) {
    const int gainCode = gainIndex + 300;
    const std::uint8_t payload[] = {
        std::uint8_t(hz & 0xFF),
        std::uint8_t(hz >> 8),
        std::uint8_t(gainCode & 0xFF),
        std::uint8_t(gainCode >> 8),
        std::uint8_t(bandwidthCode),
        0,
        0,
        0,
    };
    return ComposeFrame(kKindWrite, 1, 0, kSectionOutput, std::uint8_t(channel), std::uint8_t(band),
                        payload);
}

// Runs `act` and answers the import preview it opens: what the dialog showed, then OK or Cancel.
struct PreviewSeen {
    int rows = 0;
    QString difference;
    bool okEnabled = false;
};
PreviewSeen AnswerPreview(bool ok, const std::function<void()>& act) {
    PreviewSeen seen;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* preview = qobject_cast<EqualizerImportDialog*>(modal);
        if (!preview)
            return;
        seen.rows = preview->table()->rowCount();
        seen.difference = preview->differenceLabel()->text();
        seen.okEnabled =
            preview->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        ok ? preview->accept() : preview->reject();
    });
    act();
    return seen;
}

QAction* ActionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class MeasurementToolsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void importOkIsOneStepAndSendsWhatTypingWould();
    void importThatChangesNothing_data();
    void importThatChangesNothing();
    void measurementsAreRememberedWithTheirProgramFile();
    void viewSwitchShowsThePhase();
    void graphSwitchAndMenuShowTheSameView();

private:
    // Opens output `channel`'s equaliser editor from its strip.
    OutputEqualizerEditor* OpenEditor(ControlSurface& surface, int channel) {
        QTest::mouseClick(surface.OutputStrip(channel).eq, Qt::LeftButton);
        return qobject_cast<OutputEqualizerEditor*>(
            surface.Editors().Editor(EditorKind::OutputEqualizer, channel));
    }

    std::unique_ptr<SurfaceHarness> m_harness;
    QTemporaryDir m_dir;
};

void MeasurementToolsTest::importOkIsOneStepAndSendsWhatTypingWould() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = m_harness->Show(DeviceCommand(1));
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));
    ScriptedChooser chooser;
    surface->SetFileChooser(&chooser);
    chooser.answers << Write(m_dir, "eq.txt",
                             "Filter Settings file\r\n"
                             "Filter  1: ON  PK       Fc   1000 Hz  Gain  -3.5 dB  Q  1.414\r\n"
                             "Filter  2: OFF PK       Fc    200 Hz  Gain   2.0 dB  Q  1.000\r\n");
    const int steps = surface->History().Stack().count();
    const SettingsSnapshot before = TakeSnapshot(surface->Document().Data());

    OutputEqualizerEditor* editor = OpenEditor(*surface, 2);
    QVERIFY(editor);
    const PreviewSeen seen =
        AnswerPreview(true, [&] { QTest::mouseClick(editor->importButton(), Qt::LeftButton); });
    QCOMPARE(seen.rows, 2 + 1); // both lines, and one for bands 2 to 6 switched off
    QVERIFY2(seen.difference.startsWith("Largest difference: "), qPrintable(seen.difference));

    // Output 3, band 1: 1000 Hz, -3.5 dB, 1.00 octave (index 95), PEQ: as typing the values sends.
    const std::vector<Bytes> expected = {OutputBandFrame(2, 0, 1000, 265, 95)};
    QVERIFY(SendUntilSettled(*surface) == expected);
    QCOMPARE(surface->History().Stack().count(), steps + 1);
    QCOMPARE(surface->Document().Data().output(2).filter(0).frequency(), 1000);
    QVERIFY(m_harness->Messages().Texts().isEmpty());

    // One undo takes the whole import back.
    surface->History().UndoAction()->trigger();
    QVERIFY(TakeSnapshot(surface->Document().Data()) == before);
    QCOMPARE(SendUntilSettled(*surface).size(), std::size_t{1});
}

void MeasurementToolsTest::importThatChangesNothing_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("previewShown");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancelled preview")
        << QByteArray("Filter 1: ON PK Fc 1000 Hz Gain -3.5 dB Q 1.414\n") << true << QString();
    QTest::newRow("unknown type names file and line")
        << QByteArray("Preamp: -2 dB\nFilter 1: ON XY Fc 1000 Hz\n") << false
        << QStringLiteral("eq.txt, line 2: unknown filter type XY");
    QTest::newRow("nothing the unit can take says why")
        << QByteArray("Filter 1: OFF PK Fc 1000 Hz Gain -3.5 dB Q 1.414\n") << false
        << QStringLiteral("from eq.txt: ");
}

void MeasurementToolsTest::importThatChangesNothing() {
    QFETCH(QByteArray, text);
    QFETCH(bool, previewShown);
    QFETCH(QString, message);
    ControlSurface* surface = m_harness->Show(DeviceCommand(1));
    ScriptedChooser chooser;
    surface->SetFileChooser(&chooser);
    chooser.answers << Write(m_dir, "eq.txt", text);
    const int steps = surface->History().Stack().count();
    const SettingsSnapshot before = TakeSnapshot(surface->Document().Data());

    const PreviewSeen seen = AnswerPreview(false, [&] { surface->ImportEqualizer(true, 0); });
    QCOMPARE(seen.rows > 0, previewShown);
    QVERIFY(TakeSnapshot(surface->Document().Data()) == before);
    QCOMPARE(surface->History().Stack().count(), steps);
    const QStringList texts = m_harness->Messages().Texts();
    if (message.isEmpty()) {
        QVERIFY(texts.isEmpty());
    } else {
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].startsWith("Nothing was imported") && texts[0].contains(message),
                 qPrintable(texts[0]));
    }
}

void MeasurementToolsTest::measurementsAreRememberedWithTheirProgramFile() {
    const QString program = m_dir.filePath("two-way.dia48");
    const QString other = m_dir.filePath("other.dia48");
    const QString woofer =
        Write(m_dir, "woofer.frd", "* woofer\n20 88 0\n200 90 -30\n2000 86 -90\n");
    {
        ControlSurface* surface = m_harness->Show(DeviceCommand(1));
        ScriptedChooser chooser;
        surface->SetFileChooser(&chooser);
        QVERIFY(surface->StoreProgramToFile(other));
        QVERIFY(surface->StoreProgramToFile(program));
        chooser.answers << woofer;
        surface->LoadMeasurement(true, 1);
        surface->ShowMeasurement({true, 1}, false);
        surface->SetInPredictedSum(0, true);
    }
    // The next run, after another program and back.
    m_harness = std::make_unique<SurfaceHarness>();
    ControlSurface* surface = m_harness->Show(DeviceCommand(1));
    QVERIFY(surface->RecallProgramFromFile(other) == FileOutcome::Done);
    QVERIFY(surface->Measurements().All().empty());
    QVERIFY(surface->RecallProgramFromFile(program) == FileOutcome::Done);
    const MeasurementOverlays::Overlay* overlay = surface->Measurements().Of({true, 1});
    QVERIFY(overlay);
    QCOMPARE(QString::fromStdString(overlay->path), woofer);
    QVERIFY(!overlay->shown);
    QVERIFY(surface->Measurements().SumOutputs() == std::vector<int>{0});
    QVERIFY(m_harness->Messages().Texts().isEmpty());
    // One output in the sum: the graph says why nothing is summed.
    surface->Graph()->grab();
    QVERIFY2(surface->Graph()->captions().join('\n').contains("two or more"),
             qPrintable(surface->Graph()->captions().join('\n')));
}

void MeasurementToolsTest::viewSwitchShowsThePhase() {
    ControlSurface* surface = m_harness->Show(DeviceCommand(1));
    ProgramContainer& data = surface->Document().Data();
    for (InputChannel& in : data.inputs())
        in.setPresent(0);
    for (OutputChannel& out : data.outputs())
        out.setPresent(0);
    OutputChannel& out = data.output(0);
    out.setPresent(1);
    // A second-order Butterworth low-pass is a quarter turn behind at its corner.
    out.lowPass().setKind(Filter::kButterworth);
    out.lowPass().setSlope(Filter::kSlope12);
    out.lowPass().setFrequency(1000);

    QAction* phase = ActionNamed(surface->GraphMenu(), QStringLiteral("&Phase"));
    QVERIFY(phase);
    phase->trigger();
    ResponseGraph* graph = surface->Graph();
    QCOMPARE(graph->view(), GraphView::Phase);
    const QImage image = SaveShot(*graph, QStringLiteral("graph-phase-view"));
    QVERIFY(graph->scale() == PhaseScale());
    QVERIFY(graph->captions().contains(QStringLiteral("Phase in degrees")));
    const GraphRect plot = graph->plotRect();
    // Just right of the 1 kHz grid line, where the phase is still about -90 degrees.
    const int x = plot.left + static_cast<int>(GraphXOfFrequencyExact(1000, plot.width())) + 2;
    const CurveColour c = out.curveColour();
    // The row of the column that comes nearest the channel's colour is where its curve runs.
    int curveRow = -1;
    int nearest = 1 << 30;
    for (int y = plot.top + 1; y < plot.bottom - 1; ++y) {
        const QColor seen = image.pixelColor(x, y);
        const int distance =
            std::abs(seen.red() - c.r) + std::abs(seen.green() - c.g) + std::abs(seen.blue() - c.b);
        if (distance < nearest) {
            nearest = distance;
            curveRow = y;
        }
    }
    const double expected = plot.top + PhaseScale().YOf(-90.0, plot.height());
    QVERIFY2(std::abs(curveRow - expected) <= 3,
             qPrintable(
                 QStringLiteral("curve at row %1, -90 degrees at %2").arg(curveRow).arg(expected)));
}

// The switch on the graph itself and the Graph menu are two ways to one view: choosing in either
// shows the choice in both.
void MeasurementToolsTest::graphSwitchAndMenuShowTheSameView() {
    ControlSurface* surface = m_harness->Show(DeviceCommand(1));
    ResponseGraph* graph = surface->Graph();
    auto button = [graph](const QString& text) -> QToolButton* {
        for (QToolButton* b : graph->findChildren<QToolButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    };
    QToolButton* phase = button(QStringLiteral("Phase"));
    QToolButton* level = button(QStringLiteral("Level"));
    QVERIFY(phase && level && button(QStringLiteral("Group delay")));
    const GraphRect plot = graph->plotRect();
    QVERIFY(QRect(plot.left, plot.top, plot.width(), plot.height()).contains(phase->geometry()));
    QVERIFY(level->isChecked());

    QTest::mouseClick(phase, Qt::LeftButton);
    QCOMPARE(graph->view(), GraphView::Phase);
    QVERIFY(ActionNamed(surface->GraphMenu(), QStringLiteral("&Phase"))->isChecked());

    ActionNamed(surface->GraphMenu(), QStringLiteral("Group &Delay"))->trigger();
    QCOMPARE(graph->view(), GraphView::GroupDelay);
    QVERIFY(button(QStringLiteral("Group delay"))->isChecked());
    QVERIFY(!phase->isChecked());
}

TAVREL_GUI_TEST_MAIN(MeasurementToolsTest)
#include "measurement_tools_test.moc"
