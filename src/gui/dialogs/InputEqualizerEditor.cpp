#include "gui/dialogs/InputEqualizerEditor.h"

#include "gui/support/ParameterStore.h"

InputEqualizerEditor::InputEqualizerEditor(ParameterStore& store, QWidget* owner)
    : EqualizerEditor(store, owner, /*output=*/false, store.model().inputBands) {}

QString InputEqualizerEditor::captionOf(int index) const {
    return QStringLiteral("EQ>>CH %1").arg(QChar(QLatin1Char(static_cast<char>('A' + index))));
}
