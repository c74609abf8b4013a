#pragma once

#include "gui/dialogs/EqualizerEditor.h"

// The equaliser editor of one input: eight bands on the 4x8, six on the 3x6 and 2x4 (their
// records keep eight; the last two are not offered there). Caption "EQ>>CH A" ... "EQ>>CH D".
class InputEqualizerEditor : public EqualizerEditor {
    Q_OBJECT
public:
    InputEqualizerEditor(ParameterStore& store, QWidget* owner);

protected:
    QString captionOf(int index) const override;
};
