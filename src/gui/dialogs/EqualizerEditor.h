#pragma once

#include "gui/dialogs/ChannelEditor.h"

#include <vector>

class EqualizerBandGroup;
class ParameterStore;
class QPushButton;

// What the input and output equaliser editors share: one band group per band the model offers,
// side by side, each bound to that band of the channel shown. While the editor is shown the
// response graph shows this channel's bands, and a band dragged there shows up here. Import and
// Export exchange the bands with the filter texts of measurement programs (the surface does it).
class EqualizerEditor : public ChannelEditor {
    Q_OBJECT
public:
    int bandCount() const { return static_cast<int>(m_bands.size()); }
    // Band `index` (0-based) of the editor; nullptr outside 0..bandCount()-1.
    EqualizerBandGroup* band(int index) const;
    QPushButton* importButton() const { return m_import; }
    QPushButton* exportButton() const { return m_export; }

signals:
    // The operator asked to import a filter text onto the channel shown, or to export its bands.
    void importRequested(int channel);
    void exportRequested(int channel);

protected:
    // An editor of the bands of an output (else of an input) with `bands` band groups, showing
    // and writing them through `store`.
    EqualizerEditor(ParameterStore& store, QWidget* owner, bool output, int bands);

private:
    std::vector<EqualizerBandGroup*> m_bands;
    QPushButton* m_import = nullptr;
    QPushButton* m_export = nullptr;
};
