#include "gui/dialogs/InputEqualizerEditor.h"

#include "model/ProgramContainer.h"

InputEqualizerEditor::InputEqualizerEditor(ProgramContainer& data, ParameterStore& store,
                                           QWidget* owner)
    : EqualizerEditor(data, store, owner, /*output=*/false,
                      DeviceModelOf(data.deviceType()).inputBands) {}

QString InputEqualizerEditor::captionOf(int index) const {
    return QStringLiteral("EQ>>CH %1").arg(QChar(QLatin1Char(static_cast<char>('A' + index))));
}
