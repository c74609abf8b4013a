#include "gui/dialogs/OutputEqualizerEditor.h"

#include "model/ProgramContainer.h"

OutputEqualizerEditor::OutputEqualizerEditor(ProgramContainer& data, ParameterStore& store,
                                             QWidget* owner)
    : EqualizerEditor(data, store, owner, /*output=*/true,
                      DeviceModelOf(data.deviceType()).outputBands) {}

QString OutputEqualizerEditor::captionOf(int index) const {
    return QStringLiteral("EQ>>OUT%1").arg(index + 1);
}
