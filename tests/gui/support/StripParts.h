#pragma once

class CurvePictureButton;
class Fader;
class LevelMeter;
class MuteLampButton;
class QLabel;
class QWidget;
class TwoStateButton;
class ValueEdit;

namespace guitest {

// The parts of one channel strip of a control surface, found by the object names the strip
// gives them ("in1.fader", "out3.gain"), so a test reaches them as any tool would. A part that
// is missing or named twice ends the test program with the name it looked for.
struct StripParts {
    StripParts(QWidget& surface, bool output, int channel);

    TwoStateButton* name;
    TwoStateButton* polarity;
    CurvePictureButton* eq;
    CurvePictureButton* channelEditor;
    ValueEdit* gain;
    LevelMeter* meter;
    Fader* fader;
    MuteLampButton* mute;
    QLabel* nameLabel;
};

} // namespace guitest
