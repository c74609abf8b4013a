#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <span>
#include <vector>

class ChannelEditor;
class ParameterStore;
class QAction;
class QWidget;
class ResponseGraph;
struct DeviceModel;

// The kinds of editor a channel strip opens. Each kind is one row of the table in
// EditorSlots.cpp, in this order (which channels it has a slot for, the graph mode it shows, how
// it is made).
enum class EditorKind {
    InputChannel,
    OutputChannel,
    InputEqualizer,
    OutputEqualizer,
};

// The editors a control surface has opened: one slot per kind and channel of the model. An
// editor is created on first use and shown again later; it is modeless, shown without taking the
// keyboard from the surface, placed where it covers neither the response graph nor the edited
// channel's strip when the screen has room for that (PlaceEditor), and kept on top of the main
// window. Closing it frees its slot. While an editor with a graph mode is shown (and whenever the
// operator clicks into it) the response graph shows its channel in that mode; closing it returns
// the graph to all channels. The editors show and write through the surface's ParameterStore and
// follow its announcements by themselves.
class EditorSlots : public QObject {
    Q_OBJECT
public:
    // What the editors ask of the surface.
    struct Hooks {
        // A parameter `field` ("eq.3.gain") of an output's (else an input's) channel was written
        // through the store.
        std::function<void(bool output, int channel, const QString& field)> edited;
        // Actions every editor window carries, so their keys work while it has the focus.
        QList<QAction*> actions;
        // Where the strip of an output's (else an input's) channel is, in screen coordinates;
        // an editor of that channel avoids covering it.
        std::function<QRect(bool output, int channel)> stripArea;
        // Something an editor has to say on the status line.
        std::function<void(const QString& text)> notice;
        // An equaliser editor's Import and Export of a filter text for an output's (else an
        // input's) channel.
        std::function<void(bool output, int channel)> importEqualizer;
        std::function<void(bool output, int channel)> exportEqualizer;
    };

    // The editors show and write their values through `store`; what it writes is redrawn on the
    // graph and reported through Hooks::edited.
    EditorSlots(QWidget& owner, ResponseGraph& graph, const DeviceModel& model,
                ParameterStore& store, Hooks hooks);
    // Closes the editors still open.
    ~EditorSlots() override;

    // Shows the editor of `kind` for `channel`, creating it in its slot on first use. Returns
    // nullptr for a channel the model does not have.
    ChannelEditor* Open(EditorKind kind, int channel);
    // The editor in a slot; nullptr while the slot is empty.
    ChannelEditor* Editor(EditorKind kind, int channel) const;
    int SlotCount(EditorKind kind) const;
    int OpenCount() const;

    // Closes every open editor; each frees its slot.
    void CloseAll();
    // The unit-wide settings changed (the temperature): every open editor follows them.
    void FollowUnitSettings();

    // The screen area editors are placed in, instead of the free area of the main window's screen
    // (tests of other screen sizes); an empty rectangle goes back to the screen's.
    void SetScreenArea(const QRect& area) { m_screenArea = area; }

private:
    struct KindRow;
    static std::span<const KindRow> Rows();
    static const KindRow& RowOf(EditorKind kind);
    std::vector<QPointer<ChannelEditor>>& SlotsOf(EditorKind kind);
    const std::vector<QPointer<ChannelEditor>>& SlotsOf(EditorKind kind) const;
    void ShowOnGraph(const KindRow& row, int channel);
    void Closing(const KindRow& row, ChannelEditor* editor);
    // Places a new editor of `row` for `channel` (PlaceEditor).
    void Place(ChannelEditor& editor, const KindRow& row, int channel);

    QWidget& m_owner;
    ResponseGraph& m_graph;
    const DeviceModel& m_model;
    ParameterStore& m_store;
    Hooks m_hooks;
    QRect m_screenArea;
    std::vector<std::vector<QPointer<ChannelEditor>>> m_slots; // by kind, then by channel
};
