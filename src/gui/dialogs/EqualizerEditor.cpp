#include "gui/dialogs/EqualizerEditor.h"

#include "gui/dialogs/EqualizerBandGroup.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// In dialog units of the editor's font: the band groups side by side, eight of them about as
// wide as the main window, Import and Export under them at the right.
constexpr int kMargin = 3;
constexpr int kGap = 2;
constexpr int kGroupTop = 2;
constexpr int kButtonWidth = 44;
constexpr int kButtonHeight = 14;

} // namespace

EqualizerEditor::EqualizerEditor(ParameterStore& store, QWidget* owner, bool output, int bands)
    : ChannelEditor(store, owner, output) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(dluX(kMargin), dluY(kGroupTop), dluX(kMargin), dluY(kMargin));
    column->setSpacing(dluY(kGap));
    auto* row = new QHBoxLayout;
    row->setSpacing(dluX(kGap));
    for (int b = 0; b < bands; ++b) {
        auto* group = new EqualizerBandGroup(
            b + 1, store, [this] { return channelId(); }, this);
        row->addWidget(group);
        m_bands.push_back(group);
    }
    column->addLayout(row);

    m_export = new QPushButton(tr("Export..."), this);
    m_export->setToolTip(tr("Writes the bands as a filter text for measurement programs"));
    m_import = new QPushButton(tr("Import..."), this);
    m_import->setToolTip(tr("Sets the bands from a filter text of a measurement program"));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(dluX(kGap));
    buttons->addStretch(1);
    for (QPushButton* button : {m_import, m_export}) {
        button->setMinimumSize(dluX(kButtonWidth), dluY(kButtonHeight));
        buttons->addWidget(button);
    }
    column->addLayout(buttons);
    connect(m_import, &QPushButton::clicked, this, [this] { emit importRequested(channel()); });
    connect(m_export, &QPushButton::clicked, this, [this] { emit exportRequested(channel()); });
    finishLayout();
}

EqualizerBandGroup* EqualizerEditor::band(int index) const {
    if (index < 0 || index >= bandCount())
        return nullptr;
    return m_bands[static_cast<std::size_t>(index)];
}
