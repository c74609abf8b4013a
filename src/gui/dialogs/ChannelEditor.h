#pragma once

#include "gui/support/ParameterStore.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class CaptionedGroup;
class Fader;
class ProgramContainer;
class QLabel;
class QRadioButton;
class ResponseGraph;
class ValueEdit;
class ValueSpin;

// What every channel and equaliser editor shares: a modeless tool window over the main window on
// the dark editor background, one channel's parameters shown and written through the surface's
// ParameterStore by connections (ParameterConnections.h), and the hooks the control surface's
// editor slots use. It never builds a frame: every edit goes through the store's editing rules
// and the send tick transmits what changed. Its controls follow the store's announcements, so
// nothing outside has to tell it that a value moved or a program arrived.
//
// Keys: Enter in a value box commits the value being typed and Esc brings back the value shown
// before typing (nothing is written); neither closes the editor. Tab moves between the controls,
// so every value can be set from the keyboard.
class ChannelEditor : public QWidget {
    Q_OBJECT
public:
    static QColor Background() { return QColor(48, 54, 68); }

    // `owner` is the control surface: the editor stays on top of its window. `output`: the editor
    // edits outputs (else inputs). The delay distances use the temperature of the store's
    // settings, and follow it when it changes (followUnitSettings()).
    ChannelEditor(ParameterStore& store, QWidget* owner, bool output);

    ParameterStore& store() const { return m_store; }
    ProgramContainer& container() const { return m_store.container(); }
    // The channel shown, as the keys of its parameters name it.
    ChannelId channelId() const { return {m_output, m_channel}; }
    // The graph to redraw after an edit (none: nothing drawn).
    void setGraph(ResponseGraph* graph) { m_graph = graph; }
    ResponseGraph* graph() const { return m_graph; }
    int temperature() const { return m_temperature; }
    bool editsOutput() const { return m_output; }
    // The unit-wide settings changed (the temperature): the distances are shown and read with
    // the new speed of sound. Text being typed stays.
    void followUnitSettings();

    // Shows channel `index` (0-based) of the editor's kind: caption and every control.
    void selectChannel(int index);
    int channel() const { return m_channel; }

    // The delay group's controls: one value shown in milliseconds, metres and feet, each with its
    // arrows, and a slider.
    struct DelayControls {
        ValueEdit* edits[3]{}; // milliseconds, metres, feet
        ValueSpin* spins[3]{};
        Fader* fader = nullptr;
    };

signals:
    // The operator closed the editor (or the surface closed it): its slot is free again.
    void closing();
    // A mouse press inside the editor: the graph should show this editor's channel.
    void clickedInside();
    // Something for the status line: a rule limited or refused a value ("Out 3: HPF stops at the
    // LPF, 2000 Hz"), or a value box did not take a number.
    void notice(const QString& text);

protected:
    // The caption of channel `index` ("CH A", "Out3").
    virtual QString captionOf(int index) const = 0;
    // Called after the channel changed, before the controls are shown again.
    virtual void channelSelected() {}
    // The key of `field` of the channel shown, asked again on each use (the channel changes).
    std::function<ParameterKey()> keyOf(ParameterField field) const;
    // Fixes the editor's size, watches every control for mouse presses and passes on what its
    // connections have to say; call once all controls exist.
    void finishLayout(QSize sizeInDialogUnits);

    // Layout helpers; positions and sizes in dialog units of the parent.
    CaptionedGroup* addGroup(QWidget* parent, const QString& caption, int x, int y, int w, int h);
    QLabel* addLabel(QWidget* parent, const QString& text, int x, int y, int w, int h,
                     Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    ValueEdit* addEdit(QWidget* parent, int x, int y, int w, int h);
    ValueSpin* addSpin(QWidget* parent, int x, int y, int w, int h);
    Fader* addFader(QWidget* parent, int x, int y, int w, int h, const QColor& accent);
    QRadioButton* addRadio(QWidget* parent, const QString& text, int x, int y, int w, int h);

    // The delay group's controls, connected to the delay of the channel shown.
    static constexpr int kDelayGroupWidth = 92; // dialog units
    DelayControls addDelayControls(QWidget* group, const QString& msUnit,
                                   const QString& faderLabel);

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The name of the channel shown, for notices ("Out 3").
    QString channelLabel() const;

    ParameterStore& m_store;
    ResponseGraph* m_graph = nullptr;
    bool m_output;
    int m_temperature;
    std::vector<ValueEdit*> m_distanceEdits; // the delay's metres and feet
    int m_channel = 0;
};
