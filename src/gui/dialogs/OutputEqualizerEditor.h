#pragma once

#include "gui/dialogs/EqualizerEditor.h"

// The equaliser editor of one output: its six bands on every model. The output's crossover
// filters belong to the output channel editor and are not touched here. Caption "EQ>>OUT1" ...
class OutputEqualizerEditor : public EqualizerEditor {
    Q_OBJECT
public:
    OutputEqualizerEditor(ParameterStore& store, QWidget* owner);

protected:
    QString captionOf(int index) const override;
};
