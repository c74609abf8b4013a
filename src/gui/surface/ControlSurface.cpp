#include "gui/surface/ControlSurface.h"

#include "files/ProgramFile.h"
#include "gui/dialogs/BusyDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/dialogs/ParameterTableDialog.h"
#include "gui/dialogs/RuleNotices.h"
#include "gui/support/DialogUnits.h"
#include "gui/support/ProgramSettings.h"
#include "gui/support/QtMessageSink.h"
#include "gui/support/QueuedLineEvents.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/EditHistory.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/StatusLed.h"
#include "gui/widgets/TimedNotice.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "link/NetworkPortName.h"
#include "model/ParameterRegistry.h"
#include "model/PrintableText.h"
#include "model/ProgramContainer.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The Edit menu's name of an editor field, which the editors name as the parameter without its
// channel ("eq.3.gain" -> "EQ3 Gain").
QString FieldLabel(const QString& field) {
    const std::string label = ParameterRegistry::LabelOfField(field.toStdString());
    return label.empty() ? field : QString::fromStdString(label);
}

// Colours of the form.
const QColor kFormBackground(151, 163, 175);
const QColor kTitleBar(218, 37, 28);
const QColor kPanel(48, 54, 68);
const QColor kGroupLine(255, 255, 255);
const QColor kStripFrame(110, 120, 142);
const QColor kStatusBoxFace(230, 230, 234);

constexpr int kLedPeriodMs = StatusLed::kDefaultPeriodMs;
constexpr int kFormFontPoints = 8;
constexpr int kComparisonBoxWidth = 90; // dialog units
// The right end of the status line's boxes, short of the side buttons (dialog units).
constexpr int kStatusLineRight = 616;
// Notices on the status line: dark text on a pale yellow, apart from the grey status boxes.
const QColor kNoticeFace(255, 243, 190);

// Places on the form, in dialog units: the response graph, the red bar behind the status line
// and the dark panel behind the two groups of strips.
constexpr DluBox kGraphBox{11, 22, 602, 168};
constexpr DluBox kTitleBarBox{12, 3, 610, 17};
constexpr DluBox kPanelBox{1, 192, 674, 254};

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A box of the status line: sunken, black text on `face`.
void MakeSunkenBox(QLabel& box, const QColor& face) {
    box.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box.setAutoFillBackground(true);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::WindowText, Qt::black);
    box.setPalette(palette);
}

} // namespace

// ---- Message relay -----------------------------------------------------------------------------

void ControlSurface::MessageRelay::ShowMessage(const std::string& text, MessageKind kind) {
    if (target)
        target->ShowMessage(text, kind);
    else
        boxes.ShowMessage(text, kind);
}

bool ControlSurface::MessageRelay::AskYesNo(const std::string& text) {
    return target ? target->AskYesNo(text) : boxes.AskYesNo(text);
}

// ---- Construction ------------------------------------------------------------------------------

ControlSurface::ControlSurface(int deviceType, SurfaceDocument& document, QWidget* parent,
                               std::unique_ptr<IPort> port)
    : QWidget(parent), m_layout(SurfaceLayoutOf(deviceType)), m_document(document),
      m_data(&document.Data()) {
    m_messages.boxes.SetParent(this);
    m_busyRunner = [](ControlSurface& surface) {
        UnitController& controller = surface.Controller();
        BusyDialog display([&controller] { return controller.IsBusy(); }, &surface,
                           {[&controller]() -> std::optional<TransferProgress> {
                                if (!controller.IsTransferring())
                                    return std::nullopt;
                                return controller.Transfer();
                            },
                            [&controller] { return controller.StopTransfer(); }});
        display.exec();
    };
    // Sets the container's and the engine's device type for the small models.
    m_controller =
        std::make_unique<UnitController>(m_layout.model.deviceType, document.Data(),
                                         document.Bank(), *this, &m_messages, std::move(port));
    m_fileActions = std::make_unique<ProgramFileActions>(*m_controller, *this, &m_messages);
    m_store.setContainer(*m_data, m_controller.get());
    m_controller->SetLineEventForwarder(
        QueueLineEventsOnto(this, [this](std::uint32_t bits) { m_controller->OnLineEvent(bits); }));

    m_tickTimer.setInterval(UnitController::kTickMs);
    connect(&m_tickTimer, &QTimer::timeout, this, [this] { m_controller->Tick(); });

    QFont formFont = font();
    formFont.setPixelSize(m_units.FontPixelSize(kFormFontPoints));
    setFont(formFont);
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(false);

    m_history = std::make_unique<EditHistory>(*m_controller, [this] { ShowRestoredSettings(); });
    addActions(m_history->Actions());
    connect(m_history.get(), &EditHistory::titleRestored, this, &ControlSurface::titleChanged);

    m_graph = new ResponseGraph(this);
    Place(m_graph, kGraphBox);
    m_editors = std::make_unique<EditorSlots>(
        *this, *m_graph, m_layout.model, m_store,
        EditorSlots::Hooks{
            .edited =
                [this](bool output, int channel, const QString& field) {
                    m_history->Record(
                        QStringLiteral("%1/%2/%3")
                            .arg(output ? QStringLiteral("out") : QStringLiteral("in"))
                            .arg(channel)
                            .arg(field),
                        ChannelLabel(output, channel) + QLatin1Char(' ') + FieldLabel(field));
                },
            .actions = m_history->Actions(),
            .stripArea = [this](bool output, int channel) { return StripArea(output, channel); },
            .notice = [this](const QString& text) { ShowNotice(text); },
            .importEqualizer = [this](bool output,
                                      int channel) { ImportEqualizer(output, channel); },
            .exportEqualizer = [this](bool output,
                                      int channel) { ExportEqualizer(output, channel); },
        });
    connect(m_graph, &ResponseGraph::dragEdited, this, &ControlSurface::RecordGraphDrag);
    m_graph->setMeasurements(&m_measurements);

    CreateStatusLine();
    CreateSideButtons();
    const auto place = [this](QWidget* widget, const DluBox& box) { Place(widget, box); };
    for (int i = 0; i < m_layout.model.inputs; ++i)
        m_inputStrips.push_back(AddStrip(
            new ChannelStrip(InputStripSide(), i, m_layout,
                             m_layout.inputColumns[static_cast<std::size_t>(i)], *this, place)));
    for (int i = 0; i < m_layout.model.outputs; ++i)
        m_outputStrips.push_back(AddStrip(
            new ChannelStrip(OutputStripSide(), i, m_layout,
                             m_layout.outputColumns[static_cast<std::size_t>(i)], *this, place)));

    CreateChannelMenu();
    CreateGraphMenu();
    for (const ChannelStrip* strip : AllStrips())
        AddStripContextMenu(*strip);
    SetTabOrder();
    InstallKeyFilter(this);
}

void ControlSurface::CreateChannelMenu() {
    m_channelMenu = new QMenu(tr("&Channel"), this);
    auto add = [this](bool output, int channel) {
        // "Input A" as "Input &A", "Out 3" as "Out &3": the letter or number picks it.
        QString title = ChannelLabel(output, channel);
        title.insert(title.lastIndexOf(QLatin1Char(' ')) + 1, QLatin1Char('&'));
        FillChannelMenu(m_channelMenu->addMenu(title), output, channel);
    };
    for (int i = 0; i < InputStripCount(); ++i)
        add(false, i);
    m_channelMenu->addSeparator();
    for (int i = 0; i < OutputStripCount(); ++i)
        add(true, i);
}

void ControlSurface::SetTabOrder() {
    std::vector<QWidget*> order;
    for (const ChannelStrip* strip : AllStrips()) {
        const std::vector<QWidget*> parts = strip->tabOrder();
        order.insert(order.end(), parts.begin(), parts.end());
    }
    order.insert(order.end(), m_sideButtons.begin(), m_sideButtons.end());
    order.push_back(m_comparisonButton);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

ControlSurface::~ControlSurface() {
    // The engine and its port go first: closing joins the listener, so no line event is queued
    // for a half-destroyed surface. Nothing is asked and nothing is saved.
    m_tickTimer.stop();
    m_controller.reset();
    // The editors edit the document's container, which goes after the surface.
    m_editors->CloseAll();
}

void ControlSurface::CreateStatusLine() {
    // Read-only displays: sunken boxes with dark text on a light ground, nothing to press.
    auto makeBox = [this](const DluBox& box, const QString& caption) {
        auto* display = new QLabel(caption, this);
        Place(display, box);
        display->setAlignment(Qt::AlignCenter);
        MakeSunkenBox(*display, kStatusBoxFace);
        return display;
    };
    m_deviceIdBox = makeBox(m_layout.deviceIdBox, QStringLiteral("********"));
    m_portBox = makeBox(m_layout.portBox, QString::fromLatin1(m_layout.initialPortCaption));
    if (m_layout.model.hasInputSource)
        m_sourceBox = makeBox(m_layout.sourceBox, QString());
    m_linkBox = makeBox(m_layout.linkBox, tr("Link/Unlink"));

    m_led = new StatusLed(this);
    const DluBox& led = m_layout.statusLed;
    Place(m_led, led);

    // The A/B comparison right of the link box: its state, a click switches, the arrow stores.
    const DluBox& link = m_layout.linkBox;
    const DluBox comparison{link.x + link.w + 8, link.y, kComparisonBoxWidth, link.h};
    m_comparisonButton = new QToolButton(this);
    Place(m_comparisonButton, comparison);
    m_comparisonButton->setText(m_history->StatusText());
    m_comparisonButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_comparisonButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_comparisonButton->setToolTip(
        tr("A/B comparison: click to switch between the settings stored as A and B (%1); the "
           "arrow stores the settings now as A or B")
            .arg(m_history->SwitchAction()->shortcut().toString(QKeySequence::NativeText)));
    auto* comparisonMenu = new QMenu(m_comparisonButton);
    comparisonMenu->addActions({m_history->SwitchAction(),
                                m_history->StoreAction(EditHistory::Slot::A),
                                m_history->StoreAction(EditHistory::Slot::B)});
    m_comparisonButton->setMenu(comparisonMenu);
    connect(m_comparisonButton, &QToolButton::clicked, this, [this] {
        // Nothing to switch between yet: offer to store instead.
        if (m_history->SwitchAction()->isEnabled())
            m_history->SwitchAction()->trigger();
        else
            m_comparisonButton->showMenu();
    });
    connect(m_history.get(), &EditHistory::statusChanged, m_comparisonButton,
            &QToolButton::setText);

    // What a rule did to a value, over the right end of the status line for a few seconds.
    m_notice = new TimedNotice(this);
    Place(m_notice, {comparison.x, comparison.y, kStatusLineRight - comparison.x, comparison.h});
    MakeSunkenBox(*m_notice, kNoticeFace);
}

void ControlSurface::ShowNotice(const QString& text) {
    m_notice->showNotice(text);
}

QRect ControlSurface::StripArea(bool output, int channel) const {
    const std::vector<int>& columns = output ? m_layout.outputColumns : m_layout.inputColumns;
    if (channel < 0 || channel >= static_cast<int>(columns.size()))
        return {};
    const QRect frame = StripFrame(columns[static_cast<std::size_t>(channel)]);
    return QRect(mapToGlobal(frame.topLeft()), frame.size());
}

QRect ControlSurface::StripFrame(int column) const {
    const StripRows& rows = m_layout.rows;
    return m_units.Rect(column - 2, rows.name - 3, 46, rows.nameLabel + 13 - rows.name);
}

void ControlSurface::CreateSideButtons() {
    for (std::size_t i = 0; i < m_sideButtons.size(); ++i) {
        auto* button = new TwoStateButton(tr(kSideButtonCaptions[i]), this);
        button->setToolTip(tr(kSideButtonTooltips[i]));
        Place(button, {m_layout.sideColumn, m_layout.sideRows[i], 50, 14});
        const auto which = static_cast<SideButton>(i);
        connect(button, &QAbstractButton::clicked, this, [this, which] { OnSideButton(which); });
        m_sideButtons[i] = button;
    }
}

void ControlSurface::Place(QWidget* widget, const DluBox& box) {
    m_placements.push_back({widget, box});
    widget->setGeometry(m_units.Rect(box.x, box.y, box.w, box.h));
}

void ControlSurface::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The whole form follows the window: one zoom for places, sizes and fonts, centred.
    m_units = DialogUnitScale::Fitting(size(), kFormWidth, kFormHeight);
    QFont formFont = font();
    formFont.setPixelSize(m_units.FontPixelSize(kFormFontPoints));
    setFont(formFont);
    for (const Placement& placement : m_placements) {
        const DluBox& box = placement.box;
        placement.widget->setGeometry(m_units.Rect(box.x, box.y, box.w, box.h));
    }
    for (ChannelStrip* strip : AllStrips())
        strip->scale(m_units, font());
    ShowPortBox(); // the short name is cut to the box's new width
    update();
}

// ---- Initial update
// ------------------------------------------------------------------------------

void ControlSurface::OnInitialUpdate() {
    m_data = &m_document.Data();
    ShowDisconnectedLed();
    for (ChannelStrip* strip : AllStrips()) {
        strip->setUp();
        strip->scale(m_units, font());
    }
    UpdateAllControls();

    m_graph->setContainer(m_data);
    m_graph->initialise();
    m_graph->setMode(ResponseGraph::kModeAllChannels);
    // A filter dragged on the graph writes past the store: its channel's controls follow.
    connect(m_graph, &ResponseGraph::filterChanged, this, [this](int, int mode) {
        if (mode == ResponseGraph::kModeAllChannels)
            return; // nothing is dragged there
        const bool output = mode != ResponseGraph::kModeInputEq;
        m_store.announceChannel(
            {output, output ? m_graph->selectedOutput() : m_graph->selectedInput()});
    });
    m_graph->redraw();
}

// ---- Operations
// ----------------------------------------------------------------------------------

void ControlSurface::UpdateAllControls() {
    m_data = &m_document.Data();
    m_controller->SetProgramContainer(*m_data);
    m_store.setContainer(*m_data, m_controller.get());
    for (ChannelStrip* strip : AllStrips()) {
        strip->setProgram(*m_data);
        strip->refresh();
    }
    SetInputSource(m_data->inputSource(), false);
    m_store.reload();
}

void ControlSurface::UpdateInputLabel(int input) {
    if (input >= 0 && input < InputStripCount())
        InputStrip(input).refreshNameLabel();
}

void ControlSurface::UpdateOutputLabel(int output) {
    if (output >= 0 && output < OutputStripCount())
        OutputStrip(output).refreshNameLabel();
}

void ControlSurface::SetInputSource(int source, bool send) {
    // The small models have no source box; the controller shows and sends nothing for them.
    m_controller->SetInputSource(source, send);
}

void ControlSurface::UpdateConnectionBoxes() {
    OnConnectionBoxesChanged(m_controller->DeviceId(), m_controller->PortName());
}

void ControlSurface::CopyChannel(int from, int to, bool output) {
    m_controller->CopyChannel(from, to, output);
}

void ControlSurface::SendGlobalSetting(int code) {
    m_controller->SendGlobalSetting(code);
}

void ControlSurface::ReadProgramFromDevice(int slot) {
    m_controller->ReadProgramFromDevice(slot);
}

void ControlSurface::StoreProgramToDevice(int slot) {
    m_controller->StoreProgramToDevice(slot);
}

void ControlSurface::ReadAllProgramsFromDevice() {
    m_controller->ReadAllProgramsFromDevice();
}

void ControlSurface::WriteAllProgramsToDevice(const ProgramBank& bank) {
    m_controller->WriteAllProgramsToDevice(bank);
}

void ControlSurface::QueueConnectReads() {
    m_controller->QueueConnectReads();
}

bool ControlSurface::Disconnect() {
    return m_controller->Disconnect();
}

void ControlSurface::CloseAllEditors() {
    m_editors->CloseAll();
}

// ---- Program files
// -------------------------------------------------------------------------------

bool ControlSurface::StoreProgramToFile(const QString& chosenPath) {
    return m_fileActions->StoreProgramToFile(QFile::encodeName(chosenPath).toStdString()) ==
           FileOutcome::Done;
}

FileOutcome ControlSurface::RecallProgramFromFile(const QString& path) {
    return m_fileActions->RecallProgramFromFile(QFile::encodeName(path).toStdString());
}

void ControlSurface::StoreProgramToFileChosen() {
    m_fileActions->StoreProgram(*m_chooser);
}

void ControlSurface::RecallProgramFromFileChosen() {
    m_fileActions->RecallProgram(*m_chooser);
}

// ---- Side buttons
// --------------------------------------------------------------------------------

void ControlSurface::OnSideButton(SideButton button) {
    // What each button runs, in column order.
    static constexpr std::array<void (ControlSurface::*)(), kSideButtonCaptions.size()> kActions{
        &ControlSurface::ToggleConnection,      // "Connection"
        &ControlSurface::OpenDataView,          // "DataView"
        &ControlSurface::ChangeDevice,          // "Device"
        &ControlSurface::OpenProgramManager,    // "Program"
        &ControlSurface::OpenCopyDialog,        // "Copy"
        &ControlSurface::OpenInterfaceSettings, // "Interface"
        &ControlSurface::OpenChannelNames,      // "BoxName"
        &ControlSurface::LeaveToSelection,      // "ESC"
    };
    (this->*kActions.at(static_cast<std::size_t>(button)))();
    // The button went to state 0 with the click; it comes back once its dialog has closed.
    // (ESC has destroyed nothing yet: the main window switches once this returns.)
    if (TwoStateButton* b = SideButtonAt(button))
        b->setState(1);
}

void ControlSurface::OpenDataView() {
    RunParameterTableDialog(*m_data, m_layout.model.deviceType, m_messages, this);
}

void ControlSurface::LeaveToSelection() {
    // At once and without a question; the main window discards this surface.
    emit commandIssued(ID_DEVICE_SELECT);
}

void ControlSurface::ToggleConnection() {
    if (m_controller->IsConnected()) {
        Disconnect();
        return;
    }
    // This surface's last port (or the one the command line named), else the last port any run
    // of the program connected to.
    const std::string preferred =
        m_rememberedPort.empty() ? programsettings::LastPort().toStdString() : m_rememberedPort;
    ConnectDialog dialog(*m_controller, preferred, this, m_portSource);
    m_connectDialog = &dialog;
    const int result = dialog.exec();
    m_connectDialog = nullptr;
    if (result == QDialog::Accepted)
        ConnectTo(dialog.PortName(), dialog.DeviceId());
}

void ControlSurface::ChangeDevice() {
    // Opens nothing while no unit is connected.
    if (m_controller->IsConnected())
        RunDeviceDialog(*m_controller, this);
}

std::string ControlSurface::DescriptionOfPort(const std::string& portName) const {
    // A network port is described by its name; the serial port list knows nothing of it.
    if (IsNetworkPortName(portName))
        return ConnectDialog::NetworkPortDescription(portName).toStdString();
    const PortEntryList ports = m_portSource ? m_portSource() : SystemPortSource()();
    const auto entry = std::find_if(ports.begin(), ports.end(), [&](const PortEntry& e) {
        return e.portName == portName || e.devicePath == portName;
    });
    return entry != ports.end() ? entry->description : std::string();
}

bool ControlSurface::ConnectTo(const std::string& portName, int deviceId) {
    m_portPath = portName;
    m_portDescription = DescriptionOfPort(portName);
    const bool opened = m_controller->Connect(portName, deviceId);
    // Only a port that opened is remembered (a network port also among those used lately): a
    // failed attempt keeps the last good one on offer.
    if (opened) {
        m_rememberedPort = portName;
        programsettings::SetLastPort(QString::fromStdString(portName));
        programsettings::RememberNetworkPort(QString::fromStdString(portName));
        emit portConnected(QString::fromStdString(portName));
    }
    return opened;
}

// ---- Strip controls
// ------------------------------------------------------------------------------

QString ControlSurface::ChannelLabel(bool output, int channel) const {
    return Text(output ? m_layout.model.OutputLabel(channel) : m_layout.model.InputLabel(channel));
}

void ControlSurface::RecordStripEdit(const ChannelStrip& strip, const QString& what) {
    m_history->Record(QStringLiteral("strip/%1/%2/%3")
                          .arg(QLatin1String(strip.side().historyName))
                          .arg(strip.channel)
                          .arg(what),
                      strip.label() + QLatin1Char(' ') + what);
}

ChannelStrip* ControlSurface::AddStrip(ChannelStrip* strip) {
    strip->setProgram(*m_data);
    connect(strip, &ChannelStrip::curveChanged, m_graph, &ResponseGraph::redraw);
    connect(strip, &ChannelStrip::edited, this,
            [this, strip](const QString& what) { RecordStripEdit(*strip, what); });
    connect(strip, &ChannelStrip::editorAsked, this, [this, strip](EditorKind kind) {
        if (kind == strip->side().channelEditor)
            OnChannelButton(*strip);
        else
            OnEqualizerButton(*strip);
    });
    return strip;
}

void ControlSurface::OnChannelButton(ChannelStrip& strip) {
    m_editors->Open(strip.side().channelEditor, strip.channel);
    // An output shown with a Limit in Auto mode was set to Manual: no step of the operator's.
    m_history->Adopt();
}

void ControlSurface::OnEqualizerButton(ChannelStrip& strip) {
    m_editors->Open(strip.side().equalizerEditor, strip.channel);
}

std::vector<ChannelStrip*> ControlSurface::AllStrips() const {
    std::vector<ChannelStrip*> strips = m_inputStrips;
    strips.insert(strips.end(), m_outputStrips.begin(), m_outputStrips.end());
    return strips;
}

void ControlSurface::RecordGraphDrag(int position, int mode) {
    const bool output = mode != ResponseGraph::kModeInputEq;
    const int channel = output ? m_graph->selectedOutput() : m_graph->selectedInput();
    const int bands = output ? OutputChannel::kBandCount : InputChannel::kBandCount;
    const QString part = position < bands    ? QStringLiteral("EQ%1").arg(position + 1)
                         : position == bands ? QStringLiteral("HPF")
                                             : QStringLiteral("LPF");
    m_history->Record(QStringLiteral("graph/%1/%2/%3").arg(mode).arg(channel).arg(position),
                      ChannelLabel(output, channel) + QLatin1Char(' ') + part +
                          QStringLiteral(" Drag"));
    // A crossover dragged onto the other one stops there: say so, as the editor does.
    if (mode == ResponseGraph::kModeOutputCrossover) {
        const OutputChannel& record = m_data->output(channel);
        if (record.highPass().frequency() == record.lowPass().frequency()) {
            const bool highPass = position == OutputChannel::kHighPassPosition;
            ShowNotice(
                RuleNotice(ChannelLabel(true, channel),
                           highPass ? QStringLiteral("hpf.freq") : QStringLiteral("lpf.freq"), 0,
                           record.highPass().frequency(), ChannelEditRules::Edit::Corrected));
        }
    }
}

void ControlSurface::ShowRestoredSettings() {
    UpdateAllControls();
    m_graph->redraw();
}

QList<QAction*> ControlSurface::EditActions() const {
    return m_history->Actions();
}

// ---- Controller reports
// --------------------------------------------------------------------------

void ControlSurface::OnUnitAddressed(bool readsProgram) {
    // The settings now belong to another unit, or to none: nothing before can be undone.
    m_history->Clear();
    m_awaitingUnitProgram = readsProgram;
}

void ControlSurface::OnConnectionChanged(bool connected) {
    if (!connected)
        m_awaitingUnitProgram = false;
    TwoStateButton* button = SideButtonAt(SideButton::Connection);
    button->setText(connected ? tr("UnConnect") : tr(kSideButtonCaptions[0]));
    button->setToolTip(
        tr(connected ? kDisconnectTooltip
                     : kSideButtonTooltips[static_cast<std::size_t>(SideButton::Connection)]));
    button->setState(1);
    if (connected) {
        m_led->start(StatusLed::Green, StatusLed::Circular, kLedPeriodMs);
        m_led->setKeepBlinking(true);
    } else {
        ShowDisconnectedLed();
        // Disconnected or the line lost: the last levels are no reading any more.
        ClearMeters();
    }
    // Every model shows the link's state, not only the 4x8.
    m_linkBox->setText(connected ? tr("Link") : tr("Unlink"));
}

void ControlSurface::ClearMeters() {
    for (ChannelStrip* strip : AllStrips())
        strip->meter->clear();
}

void ControlSurface::ShowDisconnectedLed() {
    m_led->start(StatusLed::Red, StatusLed::Circular, kLedPeriodMs);
    m_led->setKeepBlinking(false);
}

void ControlSurface::SetManualTick(bool manual) {
    m_manualTick = manual;
    if (manual)
        m_tickTimer.stop();
    else if (m_controller->IsTickRunning())
        m_tickTimer.start();
}

void ControlSurface::OnTickChanged(bool running) {
    if (running && !m_manualTick)
        m_tickTimer.start();
    else
        m_tickTimer.stop();
}

void ControlSurface::OnBusyChanged(bool busy) {
    // Shown from the event loop, once the operation that started the batch has returned.
    if (busy && !m_busyDisplayShown)
        QTimer::singleShot(0, this, &ControlSurface::ShowBusyDisplay);
}

void ControlSurface::ShowBusyDisplay() {
    if (!m_controller->IsBusy() || m_busyDisplayShown || !m_busyRunner)
        return;
    m_busyDisplayShown = true;
    m_busyRunner(*this);
    m_busyDisplayShown = false;
}

void ControlSurface::OnTitleChanged(const std::string& title) {
    // The title holds a program name from a file or a unit.
    const QString text = QString::fromStdString(PrintableText(title));
    m_history->SetTitle(text);
    emit titleChanged(text);
}

void ControlSurface::ShowPortBox() {
    // The device's short name, cut at the end only when even that does not fit; the full path
    // and the port's description in the tooltip.
    if (m_portPath.empty())
        return;
    const QString shortName = QString::fromStdString(ShortPortName(m_portPath));
    m_portBox->setText(m_portBox->fontMetrics().elidedText(shortName, Qt::ElideRight,
                                                           m_portBox->contentsRect().width() - 4));
    QString tip = QString::fromStdString(m_portPath);
    if (!m_portDescription.empty())
        tip += QLatin1Char('\n') + QString::fromStdString(m_portDescription);
    m_portBox->setToolTip(tip);
}

void ControlSurface::OnConnectionBoxesChanged(int deviceId, const std::string& portName) {
    m_deviceIdBox->setText(QString::number(deviceId));
    if (portName != m_portPath)
        m_portDescription.clear(); // not the port looked up at the connect
    m_portPath = portName;
    ShowPortBox();
}

void ControlSurface::OnProgramReceived() {
    UpdateAllControls();
    m_graph->redraw();
    if (std::exchange(m_awaitingUnitProgram, false))
        m_history->Clear();
    else
        m_history->RecordLoad(QStringLiteral("Recall Program from Unit"));
}

void ControlSurface::OnGlobalsReceived() {
    // The unit's own settings, not an edit.
    m_history->Adopt();
    m_editors->FollowUnitSettings();
}

void ControlSurface::OnBankComplete() {
    // Called while the unit's last reply is being decoded: that frame leaves the queue only when
    // the decoding returns. The chooser runs its own event loop, in which the send tick and line
    // events go on; opened from here, the tick would repeat the answered frame and give the
    // connection up while the operator chooses a name. So it opens once the reply is taken in.
    QTimer::singleShot(0, this, &ControlSurface::OfferBankSave);
}

void ControlSurface::OfferBankSave() {
    m_fileActions->SaveBank(*m_chooser);
}

void ControlSurface::OnMetersReceived(const MeterLevels& levels) {
    // The twelve codes keep the 4x8 order: inputs A..D, then outputs 1..8.
    constexpr int kFirstOutputCode = 4;
    for (int i = 0; i < InputStripCount(); ++i)
        InputStrip(i).meter->showLevel(levels[static_cast<std::size_t>(i)]);
    for (int i = 0; i < OutputStripCount(); ++i)
        OutputStrip(i).meter->showLevel(levels[static_cast<std::size_t>(kFirstOutputCode + i)]);
}

void ControlSurface::OnInputSourceChanged(int source, bool fromEditor) {
    if (m_sourceBox)
        m_sourceBox->setText(source ? tr("Digital") : tr("Analog"));
    // The source belongs to the whole unit; open input editors follow the store.
    if (fromEditor) {
        m_history->Record(QStringLiteral("inputSource"), QStringLiteral("Input Source"));
    }
}

void ControlSurface::OnChannelCopied(bool output, int channel) {
    if (channel >= 0 && channel < (output ? OutputStripCount() : InputStripCount()))
        (output ? OutputStrip(channel) : InputStrip(channel)).refresh();
    m_store.reload();
    m_graph->redraw();
    m_history->Record(QStringLiteral("copy"),
                      QStringLiteral("Copy to ") + ChannelLabel(output, channel));
}

void ControlSurface::OnChannelRenamed(bool output, int channel) {
    if (output)
        UpdateOutputLabel(channel);
    else
        UpdateInputLabel(channel);
    m_history->Record(QStringLiteral("name/%1/%2")
                          .arg(output ? QStringLiteral("out") : QStringLiteral("in"))
                          .arg(channel),
                      ChannelLabel(output, channel) + QStringLiteral(" Name"));
}

void ControlSurface::OnUnitSettingChanged(int code) {
    static const std::pair<int, const char*> kNames[] = {
        {kGlobalBacklight, "Backlight"},
        {kGlobalTemperature, "Temperature"},
        {kGlobalLineSetB, "Interface Lines"},
    };
    QString text = QStringLiteral("Interface");
    for (const auto& [c, name] : kNames) {
        if (c == code)
            text = QString::fromLatin1(name);
    }
    m_history->Record(QStringLiteral("unit/%1").arg(code), text);
    // The distances of the delays follow the temperature.
    m_editors->FollowUnitSettings();
}

void ControlSurface::OnProgramLoaded() {
    m_programJustLoaded = true;
    UpdateAllControls();
    m_graph->redraw();
    m_history->RecordLoad(QStringLiteral("Recall Program From PC"));
}

void ControlSurface::OnProgramNamesChanged() {
    emit programNamesChanged();
}

void ControlSurface::OnProgramFileUsed(const std::string& path) {
    // A recalled file brings its own measurements; a stored one keeps those laid over now.
    m_programFile = path;
    if (std::exchange(m_programJustLoaded, false))
        RestoreMeasurements();
    else
        RememberMeasurements();
    emit programFileUsed(QFile::decodeName(QByteArray::fromStdString(path)));
}

void ControlSurface::OnSearchProgress(int /*probedId*/) {
    // The connect dialog moves its progress bar on its own search tick.
}

void ControlSurface::OnSearchEnded(const std::vector<int>& knownIds) {
    if (m_connectDialog)
        m_connectDialog->OnSearchEnded(knownIds);
}

// ---- Keyboard and painting
// -----------------------------------------------------------------------

void ControlSurface::InstallKeyFilter(QWidget* widget) {
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool ControlSurface::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Esc first brings back the value shown before typing, so nothing is taken in.
            if (key == Qt::Key_Escape) {
                if (auto* edit = qobject_cast<ValueEdit*>(watched))
                    edit->discardTyping();
            }
            // The focus goes to the surface; a gain edit losing it takes its typed text.
            setFocus(Qt::OtherFocusReason);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<ControlSurface::ScaleLabel> ControlSurface::ScaleLabels(bool output) const {
    const std::vector<ChannelStrip*>& strips = output ? m_outputStrips : m_inputStrips;
    std::vector<ScaleLabel> labels;
    if (strips.empty())
        return labels;
    const DluBox& group = output ? m_layout.outputGroup : m_layout.inputGroup;
    const auto& marks = output ? m_layout.outputScale : m_layout.inputScale;
    const int firstColumn = output ? m_layout.outputColumns.front() : m_layout.inputColumns.front();
    const ChannelStrip& first = *strips.front();
    const QRect fader = first.fader->geometry();
    // Between the group's edge and the first strip's frame, clear of every control of the strip.
    const int left = m_units.X(group.x + 2);
    const int right = m_units.X(firstColumn - 2) - m_units.Pixels(2);
    const int textHeight = QFontMetrics(font()).height();
    std::vector<double> centres;
    for (const auto& [text, dB] : marks) {
        // Centre of the thumb when the fader stands at this level.
        const int index =
            static_cast<int>(std::lround((dB + m_layout.model.GainDbOffset()) * 10.0));
        const double position = FaderPositionOfGain(first.gainMax, index);
        centres.push_back(fader.top() + first.fader->thumbHeight() / 2.0 +
                          first.fader->travel() * position / first.gainMax);
    }
    // A quarter line between labels, so neighbours read as separate marks: marks closer than
    // that (the 3x6's -30dB and -36dB, the 4x8 inputs' 6dB and 0dB) move apart, between the
    // "Gain" row label above and the group's frame below; only when even that leaves no room
    // are some left out.
    const double gap = textHeight * 1.25;
    const double low = m_units.Y(m_layout.rows.gainEdit + 14) + textHeight / 2.0;
    const double high = m_units.Y(group.y + group.h - 4) - textHeight / 2.0;
    std::vector<bool> visible(centres.size(), true);
    if (const auto spread = SpreadScaleMarks(centres, gap, low, high))
        centres = *spread;
    else
        visible = VisibleScaleMarks(centres, gap);
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (visible[i])
            labels.push_back(
                {QRect(left, static_cast<int>(std::lround(centres[i])) - textHeight / 2,
                       right - left, textHeight),
                 QString::fromLatin1(marks[i].first)});
    }
    return labels;
}

void ControlSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The form's ground everywhere (also around a form narrower or lower than the window), the
    // red bar behind the status line and the dark panel behind the strips, both placed on the
    // form so they stay behind their controls at any size.
    p.fillRect(rect(), kFormBackground);
    p.fillRect(m_units.Rect(kTitleBarBox.x, kTitleBarBox.y, kTitleBarBox.w, kTitleBarBox.h),
               kTitleBar);
    // The panel runs on to the widget's sides and bottom: a window wider or taller than the form
    // shows more of the surface, not a grey frame round its strips.
    const QRect panel = m_units.Rect(kPanelBox.x, kPanelBox.y, kPanelBox.w, kPanelBox.h);
    p.fillRect(QRect(0, panel.top(), width(), height() - panel.top()), kPanel);

    // Status line captions on the red bar.
    p.setPen(Qt::white);
    auto caption = [&](const DluBox& box, const QString& text) {
        p.drawText(m_units.Rect(box.x, box.y, box.w, box.h), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
    };
    caption(m_layout.deviceIdLabel, tr("DeviceID:"));
    caption(m_layout.portLabel, tr("Com Port:"));
    if (m_layout.model.hasInputSource)
        caption(m_layout.sourceLabel, tr("Input Source:"));

    // Group boxes in white, their captions breaking the top line.
    auto group = [&](const DluBox& box, const QString& title) {
        const QRect r = m_units.Rect(box.x, box.y, box.w, box.h);
        const QFontMetrics fm(p.font());
        const int textTop = r.top();
        const QRect frame = r.adjusted(0, fm.height() / 2, -1, -1);
        p.setPen(kGroupLine);
        p.setBrush(Qt::NoBrush);
        const int gapLeft = frame.left() + 6;
        const int gapRight = gapLeft + fm.horizontalAdvance(title) + 6;
        p.drawLine(frame.topLeft(), QPoint(gapLeft, frame.top()));
        p.drawLine(QPoint(gapRight, frame.top()), frame.topRight());
        p.drawLine(frame.topRight(), frame.bottomRight());
        p.drawLine(frame.bottomLeft(), frame.bottomRight());
        p.drawLine(frame.topLeft(), frame.bottomLeft());
        p.drawText(QRect(gapLeft + 3, textTop, gapRight - gapLeft, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
    };
    group(m_layout.inputGroup, tr("INPUT"));
    group(m_layout.outputGroup, tr("OUTPUT"));

    const StripRows& rows = m_layout.rows;
    auto stripFrames = [&](const std::vector<int>& columns) {
        p.setPen(kStripFrame);
        for (int x : columns)
            p.drawRect(StripFrame(x).adjusted(0, 0, -1, -1));
    };
    stripFrames(m_layout.inputColumns);
    stripFrames(m_layout.outputColumns);

    // Row labels and the fader scale left of the first strip of each group; "dB" under each
    // meter.
    p.setPen(Qt::white);
    auto rowLabels = [&](const DluBox& groupBox, int firstColumn) {
        const int left = groupBox.x + 3;
        const int width = firstColumn - 3 - left;
        const std::pair<int, QString> labels[] = {{rows.polarity, tr("Polar")},
                                                  {rows.eq, tr("EQ")},
                                                  {rows.channel, tr("Curve")},
                                                  {rows.gainEdit, tr("Gain")}};
        for (const auto& [y, text] : labels)
            p.drawText(m_units.Rect(left, y, width, 14), Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    rowLabels(m_layout.inputGroup, m_layout.inputColumns.front());
    rowLabels(m_layout.outputGroup, m_layout.outputColumns.front());

    for (bool output : {false, true}) {
        for (const ScaleLabel& label : ScaleLabels(output))
            p.drawText(label.rect, Qt::AlignRight | Qt::AlignVCenter, label.text);
    }
    const int textHeight = QFontMetrics(p.font()).height();
    for (const ChannelStrip* strip : AllStrips()) {
        const QRect meter = strip->meter->geometry();
        p.drawText(QRect(meter.left() - m_units.Pixels(4),
                         m_units.Y(rows.dbLabel) + m_units.Pixels(8),
                         meter.width() + m_units.Pixels(8), textHeight),
                   Qt::AlignCenter, QStringLiteral("dB"));
    }
}
