#include "gui/dialogs/OutputEqualizerEditor.h"

#include "gui/support/ParameterStore.h"

OutputEqualizerEditor::OutputEqualizerEditor(ParameterStore& store, QWidget* owner)
    : EqualizerEditor(store, owner, /*output=*/true, store.model().outputBands) {}

QString OutputEqualizerEditor::captionOf(int index) const {
    return QStringLiteral("EQ>>OUT%1").arg(index + 1);
}
