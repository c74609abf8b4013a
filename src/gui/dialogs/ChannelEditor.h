#pragma once

#include "gui/dialogs/EditorBinding.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class CaptionedGroup;
class Channel;
class Fader;
class ProgramContainer;
class QLabel;
class QRadioButton;
class ResponseGraph;
class ValueEdit;
class ValueSpin;

// What every channel and equaliser editor shares: a modeless tool window over the main window on
// the dark editor background, one channel's record of the program container edited through an
// EditorBinding, and the hooks the control surface's editor slots use. It never builds a frame:
// every edit goes through the record's setters and the send tick transmits what changed.
//
// Keys: Enter in a value box commits the value being typed and Esc brings back the value shown
// before typing (nothing is written); neither closes the editor. Tab moves between the controls,
// so every value can be set from the keyboard.
class ChannelEditor : public QWidget {
    Q_OBJECT
public:
    static QColor Background() { return QColor(48, 54, 68); }

    // `owner` is the control surface: the editor stays on top of its window. `output`: the editor
    // edits outputs (else inputs). The delay distances use the temperature of `data`, and follow
    // it when it changes (followUnitSettings()).
    ChannelEditor(ProgramContainer& data, QWidget* owner, bool output);

    // The program container, set again each time the editor is shown anew.
    void setContainer(ProgramContainer& data);
    ProgramContainer& container() const { return *m_data; }
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
    // A band or crossover filter of the channel was dragged on the graph: show it again.
    virtual void filterDragged(int position) { (void)position; }

    EditorBinding& binding() { return m_binding; }

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
    // Fixes the editor's size and watches every control for mouse presses; call once all
    // controls exist.
    void finishLayout(QSize sizeInDialogUnits);

    // Layout helpers; positions and sizes in dialog units of the parent.
    CaptionedGroup* addGroup(QWidget* parent, const QString& caption, int x, int y, int w, int h);
    QLabel* addLabel(QWidget* parent, const QString& text, int x, int y, int w, int h,
                     Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    ValueEdit* addEdit(QWidget* parent, int x, int y, int w, int h);
    ValueSpin* addSpin(QWidget* parent, int x, int y, int w, int h);
    Fader* addFader(QWidget* parent, int x, int y, int w, int h, const QColor& accent);
    QRadioButton* addRadio(QWidget* parent, const QString& text, int x, int y, int w, int h);

    // The delay group's controls, bound to the field "delay" of the channel `record` returns.
    static constexpr int kDelayGroupWidth = 92; // dialog units
    DelayControls addDelayControls(QWidget* group, const QString& msUnit, const QString& faderLabel,
                                   std::function<Channel&()> record);

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The name of the channel shown, for notices ("Out 3").
    QString channelLabel() const;

    ProgramContainer* m_data;
    ResponseGraph* m_graph = nullptr;
    bool m_output;
    int m_temperature;
    std::vector<ValueEdit*> m_distanceEdits; // the delay's metres and feet
    int m_channel = 0;
    EditorBinding m_binding;
};
