#pragma once

#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceLayout.h"

#include <QObject>
#include <QString>

#include <functional>

class Channel;
class CurvePictureButton;
class DialogUnitScale;
class Fader;
class LevelMeter;
class MuteLampButton;
class ProgramContainer;
class QLabel;
class QWidget;
class TwoStateButton;
class ValueEdit;

// What differs between the strips of the inputs and those of the outputs; everything else about
// a strip is the same for both.
struct StripSide {
    bool output;
    const char* historyName; // "in", "out": the side in the edit history's keys
    int DeviceModel::*gainMax;
    std::string_view (DeviceModel::*label)(int channel) const;
    int StripRows::*muteRow;
    EditorKind channelEditor;
    EditorKind equalizerEditor;
    Channel& (*record)(ProgramContainer& program, int channel);
};
const StripSide& InputStripSide();
const StripSide& OutputStripSide();

// One channel's strip on the control surface: its name button (the curve shown or hidden), its
// polarity, the buttons that open its editors, its gain box and fader, its level meter, its mute
// lamp and the name it has on the unit. It shows the channel's record and turns the operator's
// clicks into edits of it; the record raises its change flag and the surface's tick sends it.
//
// The widgets are children of the surface, placed by it (`place`), and named "<in|out><n>.<part>"
// ("in1.fader", "out3.gain") so they can be found by name.
class ChannelStrip : public QObject {
    Q_OBJECT
public:
    using Place = std::function<void(QWidget* widget, const DluBox& box)>;

    ChannelStrip(const StripSide& side, int channel, const SurfaceLayout& layout, int column,
                 QWidget& surface, const Place& place);

    // The program the strip shows and edits (the surface's container can be replaced).
    void setProgram(ProgramContainer& program) { m_program = &program; }
    // The parts set up once the surface is placed: ranges, units, colours.
    void setUp();
    // The parts sized in pixels at the form's zoom: the name label's font and the fader's thumb.
    void scale(const DialogUnitScale& units, const QFont& font);
    // Shows the record again: polarity, name button, mute lamp, gain, name label.
    void refresh();
    void refreshNameLabel();
    // "Input A", "Out 3".
    QString label() const;
    const StripSide& side() const { return m_side; }
    // The widgets in the order Tab visits them.
    std::vector<QWidget*> tabOrder() const;

    const bool output;
    const int channel;
    const int gainMax;

    TwoStateButton* name = nullptr; // shows or hides the channel's curve
    TwoStateButton* polarity = nullptr;
    CurvePictureButton* eq = nullptr;
    CurvePictureButton* channelEditor = nullptr;
    ValueEdit* gain = nullptr; // index shown as dB
    LevelMeter* meter = nullptr;
    Fader* fader = nullptr; // position = gainMax - index
    MuteLampButton* mute = nullptr;
    QLabel* nameLabel = nullptr;

signals:
    // The channel's curve changed (its gain, its polarity) or was shown or hidden.
    void curveChanged();
    // The operator changed `what` ("Gain", "Polarity", "Mute"): one step of the edit history.
    void edited(const QString& what);
    // The operator asked for one of the channel's editors.
    void editorAsked(EditorKind kind);

private:
    Channel& record() const;
    void showPolarity(int polarity);
    void refreshNameButton();
    void setGain(int gain);

    const StripSide& m_side;
    const SurfaceLayout& m_layout;
    ProgramContainer* m_program = nullptr;
};
