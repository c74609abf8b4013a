#include "gui/dialogs/OutputEqualizerEditor.h"

#include "model/ProgramContainer.h"

OutputEqualizerEditor::OutputEqualizerEditor(ProgramContainer& data, QWidget* owner)
    : EqualizerEditor(data, owner, /*output=*/true, DeviceModelOf(data.deviceType()).outputBands) {}

QString OutputEqualizerEditor::captionOf(int index) const {
    return QStringLiteral("EQ>>OUT%1").arg(index + 1);
}
