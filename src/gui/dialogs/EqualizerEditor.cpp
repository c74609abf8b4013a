#include "gui/dialogs/EqualizerEditor.h"

#include "gui/dialogs/EqualizerBandGroup.h"
#include "gui/support/DialogUnits.h"

#include <QPushButton>

namespace {

// Layout in dialog units: the band groups side by side, eight of them as wide as the main window.
constexpr int kMargin = 3;
constexpr int kGap = 2;
constexpr int kGroupTop = 2;
constexpr int kButtonWidth = 44;
constexpr int kButtonHeight = 14;

} // namespace

EqualizerEditor::EqualizerEditor(ParameterStore& store, QWidget* owner, bool output, int bands)
    : ChannelEditor(store, owner, output) {
    int x = kMargin;
    for (int b = 0; b < bands; ++b) {
        auto* group = new EqualizerBandGroup(
            b + 1, store, [this] { return channelId(); }, this);
        group->setGeometry(
            DluRect(x, kGroupTop, EqualizerBandGroup::kWidth, EqualizerBandGroup::kHeight));
        m_bands.push_back(group);
        x += EqualizerBandGroup::kWidth + kGap;
    }
    // Import and Export under the bands, at the right.
    const int width = x - kGap + kMargin;
    const int buttonsTop = kGroupTop + EqualizerBandGroup::kHeight + kGap;
    m_export = new QPushButton(tr("Export..."), this);
    m_export->setGeometry(
        DluRect(width - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight));
    m_export->setToolTip(tr("Writes the bands as a filter text for measurement programs"));
    m_import = new QPushButton(tr("Import..."), this);
    m_import->setGeometry(DluRect(width - kMargin - 2 * kButtonWidth - kGap, buttonsTop,
                                  kButtonWidth, kButtonHeight));
    m_import->setToolTip(tr("Sets the bands from a filter text of a measurement program"));
    connect(m_import, &QPushButton::clicked, this, [this] { emit importRequested(channel()); });
    connect(m_export, &QPushButton::clicked, this, [this] { emit exportRequested(channel()); });
    finishLayout(QSize(width, buttonsTop + kButtonHeight + kMargin));
}

EqualizerBandGroup* EqualizerEditor::band(int index) const {
    if (index < 0 || index >= bandCount())
        return nullptr;
    return m_bands[static_cast<std::size_t>(index)];
}
