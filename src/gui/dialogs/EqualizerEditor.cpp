#include "gui/dialogs/EqualizerEditor.h"

#include "gui/dialogs/EqualizerBandGroup.h"
#include "gui/support/DialogUnits.h"
#include "model/ProgramContainer.h"

namespace {

// Layout in dialog units: the band groups side by side, eight of them as wide as the main window.
constexpr int kMargin = 3;
constexpr int kGap = 2;
constexpr int kGroupTop = 2;

} // namespace

EqualizerEditor::EqualizerEditor(ProgramContainer& data, QWidget* owner, bool output, int bands)
    : ChannelEditor(data, owner, output) {
    const DeviceModel& model = DeviceModelOf(data.deviceType());
    int x = kMargin;
    for (int b = 0; b < bands; ++b) {
        auto* group = new EqualizerBandGroup(
            b + 1, model, binding(), [this, b]() -> Filter& { return record().filter(b); }, this);
        group->setGeometry(
            DluRect(x, kGroupTop, EqualizerBandGroup::kWidth, EqualizerBandGroup::kHeight));
        m_bands.push_back(group);
        x += EqualizerBandGroup::kWidth + kGap;
    }
    finishLayout(QSize(x - kGap + kMargin, kGroupTop + EqualizerBandGroup::kHeight + kMargin));
}

EqualizerBandGroup* EqualizerEditor::band(int index) const {
    if (index < 0 || index >= bandCount())
        return nullptr;
    return m_bands[static_cast<std::size_t>(index)];
}

void EqualizerEditor::filterDragged(int position) {
    // Only bands are dragged in the equaliser modes; the crossover filters are not shown here.
    if (EqualizerBandGroup* group = band(position))
        group->refresh();
}

Channel& EqualizerEditor::record() const {
    if (editsOutput())
        return container().output(channel());
    return container().input(channel());
}
