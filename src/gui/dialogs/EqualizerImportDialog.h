#pragma once

#include "model/EqualizerImport.h"

#include <QColor>
#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;
class ResponseGraph;

// The preview of a filter text import onto one channel's equaliser, before anything is changed:
// the response the text asks for and the one the channel will have drawn on a graph, a table of
// each filter as the text asks for it and as the unit will hold it (with what is not taken and
// why), and their largest difference. When the text has a "Preamp:" line, a check box sets the
// channel gain from it as well. OK accepts the plan shown (plan()); the dialog changes nothing.
class EqualizerImportDialog : public QDialog {
    Q_OBJECT
public:
    // `text` was read from `fileName`; `channelLabel` names the channel ("Out 3") and `colour` is
    // its curve colour. The program is only read.
    EqualizerImportDialog(const FilterText& text, const ProgramContainer& program,
                          ChannelId channel, const QString& fileName, const QString& channelLabel,
                          QColor colour, QWidget* parent = nullptr);

    const EqualizerImportPlan& plan() const { return m_plan; }
    QTableWidget* table() const { return m_table; }
    QCheckBox* preampBox() const { return m_preamp; }
    QLabel* differenceLabel() const { return m_difference; }
    ResponseGraph* graph() const { return m_graph; }

private:
    // Plans again (with or without the preamp) and shows the plan.
    void Plan();

    const FilterText& m_text;
    const ProgramContainer& m_program;
    ChannelId m_channel;
    QColor m_colour;
    EqualizerImportPlan m_plan;
    ResponseGraph* m_graph = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_difference = nullptr;
    QCheckBox* m_preamp = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
