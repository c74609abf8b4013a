#include "gui/surface/EditorSlots.h"

#include "gui/dialogs/ChannelEditor.h"
#include "gui/dialogs/InputChannelEditor.h"
#include "gui/dialogs/InputEqualizerEditor.h"
#include "gui/dialogs/OutputChannelEditor.h"
#include "gui/dialogs/OutputEqualizerEditor.h"
#include "gui/dialogs/ParameterConnections.h"
#include "gui/surface/EditorPlacement.h"
#include "gui/widgets/ResponseGraph.h"
#include "model/DeviceModel.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cassert>

// One kind of editor: whose channels it has slots for, the graph mode it shows them in, and how
// one is made. A new kind of editor is one more row.
struct EditorSlots::KindRow {
    EditorKind kind;
    bool output;   // a slot per output of the model, else per input
    int graphMode; // the response graph's mode while the editor is shown; 0: left alone
    ChannelEditor* (*create)(ParameterStore& store, QWidget& owner, const Hooks& hooks);
};

namespace {

ChannelEditor* MakeInputChannelEditor(ParameterStore& store, QWidget& owner,
                                      const EditorSlots::Hooks&) {
    return new InputChannelEditor(store, &owner);
}

ChannelEditor* MakeOutputChannelEditor(ParameterStore& store, QWidget& owner,
                                       const EditorSlots::Hooks&) {
    return new OutputChannelEditor(store, &owner);
}

// Import and Export of an equaliser editor go to the surface's hooks.
ChannelEditor* WithFileHooks(EqualizerEditor* editor, bool output,
                             const EditorSlots::Hooks& hooks) {
    QObject::connect(editor, &EqualizerEditor::importRequested, editor,
                     [output, hook = hooks.importEqualizer](int channel) {
                         if (hook)
                             hook(output, channel);
                     });
    QObject::connect(editor, &EqualizerEditor::exportRequested, editor,
                     [output, hook = hooks.exportEqualizer](int channel) {
                         if (hook)
                             hook(output, channel);
                     });
    return editor;
}

ChannelEditor* MakeInputEqualizerEditor(ParameterStore& store, QWidget& owner,
                                        const EditorSlots::Hooks& hooks) {
    return WithFileHooks(new InputEqualizerEditor(store, &owner), false, hooks);
}

ChannelEditor* MakeOutputEqualizerEditor(ParameterStore& store, QWidget& owner,
                                         const EditorSlots::Hooks& hooks) {
    return WithFileHooks(new OutputEqualizerEditor(store, &owner), true, hooks);
}

} // namespace

std::span<const EditorSlots::KindRow> EditorSlots::Rows() {
    // In the order of EditorKind.
    static const std::array<KindRow, 4> kRows{{
        {EditorKind::InputChannel, false, ResponseGraph::kModeAllChannels, &MakeInputChannelEditor},
        {EditorKind::OutputChannel, true, ResponseGraph::kModeOutputCrossover,
         &MakeOutputChannelEditor},
        {EditorKind::InputEqualizer, false, ResponseGraph::kModeInputEq, &MakeInputEqualizerEditor},
        {EditorKind::OutputEqualizer, true, ResponseGraph::kModeOutputEq,
         &MakeOutputEqualizerEditor},
    }};
    return kRows;
}

const EditorSlots::KindRow& EditorSlots::RowOf(EditorKind kind) {
    const KindRow& row = Rows()[static_cast<std::size_t>(kind)];
    assert(row.kind == kind);
    return row;
}

EditorSlots::EditorSlots(QWidget& owner, ResponseGraph& graph, const DeviceModel& model,
                         ParameterStore& store, Hooks hooks)
    : m_owner(owner), m_graph(graph), m_model(model), m_store(store), m_hooks(std::move(hooks)) {
    for (const KindRow& row : Rows())
        m_slots.emplace_back(static_cast<std::size_t>(SlotCount(row.kind)));
    // A write through the store: the graph draws it and the surface records it as a step, under
    // the parameter's name without its channel ("eq.3.gain"). A unit-wide setting is recorded by
    // the surface when the controller reports it.
    connect(&m_store, &ParameterStore::written, this, [this](const ParameterKey& key) {
        m_graph.redraw();
        if (m_hooks.edited && !key.IsUnitSetting())
            m_hooks.edited(key.IsOutput(), key.channel, FieldNameOf(key));
    });
}

EditorSlots::~EditorSlots() {
    CloseAll();
}

std::vector<QPointer<ChannelEditor>>& EditorSlots::SlotsOf(EditorKind kind) {
    return m_slots.at(static_cast<std::size_t>(kind));
}

const std::vector<QPointer<ChannelEditor>>& EditorSlots::SlotsOf(EditorKind kind) const {
    return m_slots.at(static_cast<std::size_t>(kind));
}

int EditorSlots::SlotCount(EditorKind kind) const {
    return RowOf(kind).output ? m_model.outputs : m_model.inputs;
}

ChannelEditor* EditorSlots::Editor(EditorKind kind, int channel) const {
    if (channel < 0 || channel >= SlotCount(kind))
        return nullptr;
    return SlotsOf(kind)[static_cast<std::size_t>(channel)];
}

int EditorSlots::OpenCount() const {
    int count = 0;
    for (const auto& ofKind : m_slots)
        count += static_cast<int>(
            std::count_if(ofKind.begin(), ofKind.end(), [](const auto& e) { return !e.isNull(); }));
    return count;
}

ChannelEditor* EditorSlots::Open(EditorKind kind, int channel) {
    if (channel < 0 || channel >= SlotCount(kind))
        return nullptr;
    const KindRow& row = RowOf(kind);
    QPointer<ChannelEditor>& slot = SlotsOf(kind)[static_cast<std::size_t>(channel)];
    const bool created = slot.isNull();
    if (created) {
        ChannelEditor* editor = row.create(m_store, m_owner, m_hooks);
        slot = editor;
        editor->setGraph(&m_graph);
        connect(editor, &ChannelEditor::closing, this,
                [this, kind, editor] { Closing(RowOf(kind), editor); });
        connect(editor, &ChannelEditor::clickedInside, this,
                [this, kind, editor] { ShowOnGraph(RowOf(kind), editor->channel()); });
        connect(editor, &ChannelEditor::notice, this, [this](const QString& text) {
            if (m_hooks.notice)
                m_hooks.notice(text);
        });
        editor->addActions(m_hooks.actions);
    }
    ChannelEditor* editor = slot;
    editor->selectChannel(channel);
    ShowOnGraph(row, channel);
    if (created)
        Place(*editor, row, channel);
    editor->show();
    if (!created)
        editor->raise(); // in front of the other editors again
    return editor;
}

void EditorSlots::ShowOnGraph(const KindRow& row, int channel) {
    if (row.graphMode == ResponseGraph::kModeAllChannels)
        return;
    const int shown = row.output ? m_graph.selectedOutput() : m_graph.selectedInput();
    if (m_graph.mode() == row.graphMode && shown == channel)
        return;
    if (row.output)
        m_graph.selectOutput(channel);
    else
        m_graph.selectInput(channel);
    m_graph.setMode(row.graphMode);
}

void EditorSlots::Closing(const KindRow& row, ChannelEditor* editor) {
    for (QPointer<ChannelEditor>& slot : SlotsOf(row.kind)) {
        if (slot == editor)
            slot.clear();
    }
    // The graph goes back to all channels, unless it shows another editor's channel by now.
    const int shown = row.output ? m_graph.selectedOutput() : m_graph.selectedInput();
    if (row.graphMode != ResponseGraph::kModeAllChannels && m_graph.mode() == row.graphMode &&
        shown == editor->channel())
        m_graph.setMode(ResponseGraph::kModeAllChannels);
}

void EditorSlots::CloseAll() {
    for (auto& ofKind : m_slots) {
        for (QPointer<ChannelEditor>& slot : ofKind) {
            if (ChannelEditor* editor = slot) {
                editor->close(); // frees the slot
                delete editor;   // at once: the container it edits may go next
            }
        }
    }
}

void EditorSlots::FollowUnitSettings() {
    for (const auto& ofKind : m_slots) {
        for (const QPointer<ChannelEditor>& editor : ofKind) {
            if (editor)
                editor->followUnitSettings();
        }
    }
}

void EditorSlots::Place(ChannelEditor& editor, const KindRow& row, int channel) {
    const QWidget* window = m_owner.window();
    const QScreen* screen = window->screen();
    EditorPlacementInput in;
    in.mainWindow = window->frameGeometry();
    in.available = !m_screenArea.isEmpty() ? m_screenArea
                   : screen != nullptr     ? screen->availableGeometry()
                                           : in.mainWindow;
    in.graph = QRect(m_graph.mapToGlobal(QPoint(0, 0)), m_graph.size());
    if (m_hooks.stripArea)
        in.strip = m_hooks.stripArea(row.output, channel);
    // Before it is shown the editor has no frame yet: count the main window's.
    QSize frame = editor.frameGeometry().size();
    if (frame == editor.size())
        frame += in.mainWindow.size() - window->size();
    in.editor = frame;
    for (const auto& ofKind : m_slots) {
        for (const QPointer<ChannelEditor>& other : ofKind) {
            if (other && other != &editor && other->isVisible())
                in.others.push_back(other->frameGeometry());
        }
    }
    editor.move(PlaceEditor(in));
}
