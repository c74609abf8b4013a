#pragma once

#include "gui/support/ParameterStore.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ProgramFileChooser.h"
#include "gui/support/QtMessageSink.h"
#include "gui/surface/SurfaceLayout.h"
#include "link/MeasurementOverlays.h"
#include "link/MessageSink.h"
#include "link/PortList.h"
#include "link/ProgramFileActions.h"
#include "link/UnitController.h"
#include "link/UnitView.h"
#include "model/GraphScales.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class ChannelStrip;
class Fader;
class ConnectDialog;
class CurvePictureButton;
class StatusLed;
class ResponseGraph;
class MuteLampButton;
class ValueEdit;
class LevelMeter;
class TwoStateButton;
class QLabel;
class SurfaceDocument;
class EditorSlots;
class EditHistory;
class QAction;
class QActionGroup;
class QMenu;
class QToolButton;
class TimedNotice;

// A control surface: the status line, the response graph, one strip per input and output and the
// column of side buttons, laid out from the device type's table. Everything that does not draw
// (connection, tick, notifications, checks) is the unit controller's; this class shows what it
// reports and turns the operator's clicks into record edits and controller calls.
//
// Lifecycle: construct with the document, then OnInitialUpdate() once (the child window does it
// after the surface is placed). The surface must be destroyed before the document.
class ControlSurface : public QWidget, public IUnitView {
    Q_OBJECT
public:
    // Shows the busy display until the controller's busy flag clears. The default opens the modal
    // "Connecting" display; tests replace it.
    using BusyDisplayRunner = std::function<void(ControlSurface&)>;

    // `port` replaces the serial port the engine would open (tests).
    ControlSurface(int deviceType, SurfaceDocument& document, QWidget* parent = nullptr,
                   std::unique_ptr<IPort> port = nullptr);
    ~ControlSurface() override;

    // The framework's initial update: sets the controls up from the program container, prepares
    // the graph and leaves the unit disconnected.
    void OnInitialUpdate();

    const SurfaceLayout& Layout() const { return m_layout; }
    // How the form is scaled into the widget at its current size.
    const DialogUnitScale& Units() const { return m_units; }
    UnitController& Controller() { return *m_controller; }
    SurfaceDocument& Document() { return m_document; }

    // ---- Operations the dialogs and the shell call ----------------------------------------
    void UpdateAllControls();
    void UpdateInputLabel(int input);
    void UpdateOutputLabel(int output);
    void SetInputSource(int source, bool send);
    void UpdateConnectionBoxes();
    void CopyChannel(int from, int to, bool output);
    void SendGlobalSetting(int code);
    void ReadProgramFromDevice(int slot);
    void StoreProgramToDevice(int slot);
    void ReadAllProgramsFromDevice();
    void WriteAllProgramsToDevice(const ProgramBank& bank);
    void QueueConnectReads();
    bool Disconnect();
    void CloseAllEditors() override;
    void OnUnitAddressed(bool readsProgram) override;

    // Single-setting files: store the container to `path` (the model's extension appended when
    // missing) or recall it from `path`. The title follows; a recalled program is sent to the
    // unit's live settings when connected. Failures show "MusicFile Write Error" or "File read
    // Error" and leave the container as it was; a file of another model is read only when the
    // operator agrees (ProgramFileActions).
    bool StoreProgramToFile(const QString& chosenPath);
    FileOutcome RecallProgramFromFile(const QString& path);
    // The same with the file chooser in front; cancelling does nothing.
    void StoreProgramToFileChosen();
    void RecallProgramFromFileChosen();
    ProgramFileActions& FileActions() { return *m_fileActions; }

    // ---- Filter texts and measurements ---------------------------------------------------------
    // Import: a filter text chosen for the channel, its preview, and on OK the bands (one step of
    // the edit history), sent like typed values. A bad file, or one the unit can take nothing
    // of, is reported and changes nothing. Export: the channel's bands into a filter text.
    void ImportEqualizer(bool output, int channel);
    void ExportEqualizer(bool output, int channel);
    // A measurement chosen for the channel, laid over the graph; showing, hiding and clearing
    // it; the outputs of the predicted sum. Each is remembered with the program file.
    void LoadMeasurement(bool output, int channel);
    void ShowMeasurement(ChannelId channel, bool shown);
    void ClearMeasurement(ChannelId channel);
    void ClearAllMeasurements();
    void SetInPredictedSum(int output, bool in);
    const MeasurementOverlays& Measurements() const { return m_measurements; }
    // Level, phase or group delay on the graph.
    void SetGraphView(GraphView view);
    // The Graph menu: the view switch, the predicted sum's outputs, clearing the measurements.
    // The shell shows it in its menu bar and the graph as its context menu.
    QMenu* GraphMenu() const { return m_graphMenu; }
    // The program file the settings were last stored to or recalled from; empty before.
    const std::string& ProgramFile() const { return m_programFile; }

    // ---- Side buttons ----------------------------------------------------------------------
    // While disconnected: the connect dialog and, on OK, the connection; while connected: close.
    void ToggleConnection();
    // The connect flow after the connect dialog ended with OK (the shell's --auto-connect too).
    bool ConnectTo(const std::string& portName, int deviceId);
    // The device dialog, only while connected.
    void ChangeDevice();
    // The tool dialogs, modal: the parameter list, the program manager, the copy dialog, the
    // interface settings and the channel names.
    void OpenDataView();
    void OpenProgramManager();
    void OpenCopyDialog();
    void OpenInterfaceSettings();
    void OpenChannelNames();
    // The port the connect dialog preselects until this surface has connected (the command
    // line's, or the one the program last connected to in this run); without one, the port of
    // the program's last connection, kept across runs. After a connection its port is preselected.
    void SetRememberedPort(const std::string& portName) { m_rememberedPort = portName; }
    // Where the connect dialog lists ports from; empty: the system's serial ports and the running
    // virtual units.
    void SetPortSource(std::function<PortEntryList()> source) { m_portSource = std::move(source); }

    // ---- Seams for tests and the shell ----------------------------------------------------------
    // Message boxes go here instead of modal boxes; nullptr restores the boxes.
    void SetMessageSink(IMessageSink* sink) { m_messages.target = sink; }
    void SetBusyDisplayRunner(BusyDisplayRunner runner) { m_busyRunner = std::move(runner); }
    // Files are chosen here instead of in the file chooser; nullptr restores the chooser.
    void SetFileChooser(IFileChooser* chooser) { m_chooser = chooser ? chooser : &m_fileChooser; }
    // With a manual tick the 100 ms timer is never started: the caller calls Controller().Tick().
    void SetManualTick(bool manual);
    bool IsTickTimerActive() const { return m_tickTimer.isActive(); }

    int InputStripCount() const { return static_cast<int>(m_inputStrips.size()); }
    int OutputStripCount() const { return static_cast<int>(m_outputStrips.size()); }
    ChannelStrip& InputStrip(int i) { return *m_inputStrips.at(static_cast<std::size_t>(i)); }
    ChannelStrip& OutputStrip(int i) { return *m_outputStrips.at(static_cast<std::size_t>(i)); }
    TwoStateButton* SideButtonAt(SideButton button) const {
        return m_sideButtons.at(static_cast<std::size_t>(button));
    }
    ResponseGraph* Graph() const { return m_graph; }
    // The channel editors the strips have opened.
    EditorSlots& Editors() { return *m_editors; }
    ParameterStore& Store() { return m_store; }
    // Undo, redo and the A/B comparison of this surface's settings, and their actions (the shell
    // shows them in its Edit menu).
    EditHistory& History() { return *m_history; }
    QList<QAction*> EditActions() const;
    // The Channel menu: one submenu per input and output of the model ("Input &A", "Out &3"),
    // each opening that channel's settings or equaliser editor, for the keyboard. The shell
    // shows it in its menu bar; it goes with the surface.
    QMenu* ChannelMenu() const { return m_channelMenu; }
    // The status line's A/B comparison: its state; a click switches, its arrow stores A or B.
    QToolButton* ComparisonButton() const { return m_comparisonButton; }
    // The status line's notice: what a rule did to a value, for a few seconds.
    TimedNotice* Notice() const { return m_notice; }
    void ShowNotice(const QString& text);
    // Where a channel's strip (its frame) is, in screen coordinates; empty for no such channel.
    QRect StripArea(bool output, int channel) const;
    // The fader scale labels left of the first input (or output) strip, as drawn: those that
    // fit without touching each other, beside the strip's frame.
    struct ScaleLabel {
        QRect rect;
        QString text;
    };
    std::vector<ScaleLabel> ScaleLabels(bool output) const;
    StatusLed* Led() const { return m_led; }
    // The status line's read-only displays.
    QLabel* DeviceIdBox() const { return m_deviceIdBox; }
    QLabel* PortBox() const { return m_portBox; }
    QLabel* SourceBox() const { return m_sourceBox; }
    QLabel* LinkBox() const { return m_linkBox; }

    // ---- What the unit controller reports ------------------------------------------------------
    void OnConnectionChanged(bool connected) override;
    void OnTickChanged(bool running) override;
    void OnBusyChanged(bool busy) override;
    void OnTitleChanged(const std::string& title) override;
    void OnConnectionBoxesChanged(int deviceId, const std::string& portName) override;
    void OnProgramReceived() override;
    void OnBankComplete() override;
    void OnMetersReceived(const MeterLevels& levels) override;
    void OnInputSourceChanged(int source, bool fromEditor) override;
    void OnChannelCopied(bool output, int channel) override;
    void OnChannelRenamed(bool output, int channel) override;
    void OnUnitSettingChanged(int code) override;
    void OnGlobalsReceived() override;
    void OnProgramLoaded() override;
    void OnProgramFileUsed(const std::string& path) override;
    void OnProgramNamesChanged() override;
    void OnSearchProgress(int probedId) override;
    void OnSearchEnded(const std::vector<int>& knownIds) override;

signals:
    // A main-window command (ID_DEVICE_SELECT from the ESC button).
    void commandIssued(int command);
    void titleChanged(const QString& title);
    // A single-setting file was stored or recalled (for the recent-file list).
    void programFileUsed(const QString& path);
    // A connection was opened on this port (the next surface preselects it).
    void portConnected(const QString& portName);
    // The unit has taken a memory's new name (a store, a memory of a bank written): an open
    // program manager lists the names again.
    void programNamesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Forwards the controller's message boxes to a test's recorder or to modal boxes.
    struct MessageRelay : IMessageSink {
        IMessageSink* target = nullptr;
        QtMessageSink boxes;
        void ShowMessage(const std::string& text, MessageKind kind) override;
        bool AskYesNo(const std::string& text) override;
    };

    // A control and its place on the form; every resize places it again at the new zoom.
    struct Placement {
        QWidget* widget;
        DluBox box;
    };
    void Place(QWidget* widget, const DluBox& box);
    // The frame drawn around the strip in `column` (dialog units), in this widget's pixels.
    QRect StripFrame(int column) const;
    void CreateStatusLine();
    void CreateSideButtons();
    void CreateChannelMenu();
    void CreateGraphMenu();
    // A channel's commands: its editors, the filter texts and its measurement. The Channel menu's
    // submenus and the strip's context menu.
    void FillChannelMenu(QMenu* menu, bool output, int channel);
    // The strip's buttons open the channel's commands on a right click.
    void AddStripContextMenu(const ChannelStrip& strip);
    // Keeps the measurements under the program file, or takes those kept for it.
    void RememberMeasurements();
    void RestoreMeasurements();
    // After a measurement changed: the graph and the memory.
    void MeasurementsChanged();
    // Tab goes through the strips (inputs, then outputs; each from its name button down to its
    // mute lamp), then the side buttons and the A/B comparison.
    void SetTabOrder();
    // Wires a new strip to the graph, the edit history and the editors.
    ChannelStrip* AddStrip(ChannelStrip* strip);
    std::vector<ChannelStrip*> AllStrips() const;
    void OnSideButton(SideButton button);
    void LeaveToSelection();
    // The strip's channel settings or equaliser, opened or raised.
    void OnChannelButton(ChannelStrip& strip);
    void OnEqualizerButton(ChannelStrip& strip);
    // The channel's label for the Edit menu ("Input A", "Out 3").
    QString ChannelLabel(bool output, int channel) const;
    // Records a strip edit of `what` ("Gain") in the edit history.
    void RecordStripEdit(const ChannelStrip& strip, const QString& what);
    void RecordGraphDrag(int position, int mode);
    void ShowRestoredSettings();
    void ShowBusyDisplay();
    // The save chooser for the program bank read from the unit.
    void OfferBankSave();
    void ShowDisconnectedLed();
    void ClearMeters();
    void InstallKeyFilter(QWidget* widget);
    // The port box: the short device name that fits, path and description as its tooltip.
    void ShowPortBox();
    std::string DescriptionOfPort(const std::string& portName) const;

    const SurfaceLayout& m_layout;
    DialogUnitScale m_units; // the form's zoom and place in this widget
    std::vector<Placement> m_placements;
    SurfaceDocument& m_document;
    ProgramContainer* m_data;
    MessageRelay m_messages;
    std::unique_ptr<UnitController> m_controller;
    std::unique_ptr<ProgramFileActions> m_fileActions;
    ProgramFileChooser m_fileChooser{this};
    IFileChooser* m_chooser = &m_fileChooser;
    QTimer m_tickTimer;
    bool m_manualTick = false;
    bool m_busyDisplayShown = false;
    BusyDisplayRunner m_busyRunner;
    std::string m_rememberedPort;
    std::function<PortEntryList()> m_portSource;
    ConnectDialog* m_connectDialog =
        nullptr; // the open connect dialog, told of the search's progress

    ResponseGraph* m_graph = nullptr;
    // The values the editors show and write by key.
    ParameterStore m_store;
    std::unique_ptr<EditorSlots> m_editors;
    std::unique_ptr<EditHistory> m_history;
    // The program read after a unit was addressed starts the fresh history instead of being a
    // step of it.
    bool m_awaitingUnitProgram = false;
    StatusLed* m_led = nullptr;
    QToolButton* m_comparisonButton = nullptr;
    QMenu* m_channelMenu = nullptr;
    QMenu* m_graphMenu = nullptr;
    QActionGroup* m_viewActions = nullptr;
    MeasurementOverlays m_measurements;
    std::string m_programFile;
    // A program was just read from a file: the file named next is the recalled one.
    bool m_programJustLoaded = false;
    TimedNotice* m_notice = nullptr;
    QLabel* m_deviceIdBox = nullptr;
    QLabel* m_portBox = nullptr;
    QLabel* m_sourceBox = nullptr;
    QLabel* m_linkBox = nullptr;
    std::string m_portPath;        // the port the boxes show
    std::string m_portDescription; // its description from the port list, if listed
    std::array<TwoStateButton*, 8> m_sideButtons{};
    std::vector<ChannelStrip*> m_inputStrips; // children of the surface
    std::vector<ChannelStrip*> m_outputStrips;
};
