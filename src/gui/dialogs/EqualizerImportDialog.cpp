#include "gui/dialogs/EqualizerImportDialog.h"

#include "gui/widgets/ResponseGraph.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kRequestedColour(255, 255, 255);
constexpr double kRequestedWidth = 1.0;
constexpr double kAchievableWidth = 2.0;
constexpr QSize kGraphSize(560, 200);

enum Column { kLine, kRequested, kHeld, kNote, kColumns };

} // namespace

EqualizerImportDialog::EqualizerImportDialog(const FilterText& text,
                                             const ProgramContainer& program, ChannelId channel,
                                             const QString& fileName, const QString& channelLabel,
                                             QColor colour, QWidget* parent)
    : QDialog(parent), m_text(text), m_program(program), m_channel(channel), m_colour(colour) {
    setWindowTitle(tr("Import EQ to %1").arg(channelLabel));
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QLabel(
        tr("The filters of %1 as the unit will hold them on %2:").arg(fileName, channelLabel),
        this);
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    layout->addWidget(heading);

    m_graph = new ResponseGraph(this);
    m_graph->setObjectName(QStringLiteral("previewGraph"));
    m_graph->setMinimumSize(kGraphSize);
    m_graph->resize(kGraphSize);
    m_graph->initialise();
    layout->addWidget(m_graph, 1);
    layout->addWidget(new QLabel(
        tr("Thin white: as the text asks; bold in the channel's colour: as the unit will hold it"),
        this));

    m_table = new QTableWidget(0, kColumns, this);
    m_table->setHorizontalHeaderLabels(
        {tr("Line"), tr("Requested"), tr("As held"), tr("Not taken, or limited")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    m_difference = new QLabel(this);
    layout->addWidget(m_difference);

    if (text.preampDb) {
        m_preamp = new QCheckBox(
            tr("Set the channel gain from the preamp (%1 dB)").arg(*text.preampDb, 0, 'f', 1),
            this);
        layout->addWidget(m_preamp);
        connect(m_preamp, &QCheckBox::toggled, this, [this] { Plan(); });
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    Plan();
}

void EqualizerImportDialog::Plan() {
    const bool preamp = m_preamp != nullptr && m_preamp->isChecked();
    m_plan = PlanEqualizerImport(m_text, m_program, m_channel, {preamp});

    m_table->setRowCount(static_cast<int>(m_plan.rows.size()));
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const ImportRow& row = m_plan.rows[static_cast<std::size_t>(r)];
        const QString texts[kColumns] = {
            row.line > 0 ? QString::number(row.line) : QString(),
            QString::fromStdString(row.requested),
            QString::fromStdString(row.held),
            QString::fromStdString(row.note),
        };
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (!row.applied)
                item->setForeground(QColor(Qt::darkGray));
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();

    m_difference->setText(tr("Largest difference: %1 dB at %2 Hz")
                              .arg(m_plan.largestDifferenceDb, 0, 'f', 2)
                              .arg(m_plan.largestDifferenceHz, 0, 'f', 0));

    ResponseGraph::FixedCurve requested{m_plan.requestedDb, kRequestedColour, kRequestedWidth};
    ResponseGraph::FixedCurve achievable{m_plan.achievableDb, m_colour, kAchievableWidth};
    m_graph->setFixedCurves({achievable, requested});
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_plan.CanApply());
}
