// The control surface's exchange with measurement programs: filter texts imported onto and
// exported from a channel's equaliser, measurements laid over the graph (remembered with the
// program file), the graph's view and the predicted sum of outputs.

#include "files/FilterTextFile.h"
#include "gui/dialogs/EqualizerImportDialog.h"
#include "gui/support/ProgramSettings.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditHistory.h"
#include "gui/surface/EditorSlots.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/TwoStateButton.h"
#include "model/EqualizerExport.h"
#include "model/ProgramContainer.h"

#include <QActionGroup>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace {

QString FileNameOf(const std::string& path) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
}

QStringList ToStringList(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines)
        list << QString::fromStdString(line);
    return list;
}

std::vector<std::string> ToLines(const QStringList& list) {
    std::vector<std::string> lines;
    for (const QString& line : list)
        lines.push_back(line.toStdString());
    return lines;
}

} // namespace

// ---- Filter texts -------------------------------------------------------------------------------

void ControlSurface::ImportEqualizer(bool output, int channel) {
    const auto path =
        m_chooser->ChooseFile({ProgramFileKind::FilterText, false, m_layout.model.deviceType});
    if (!path)
        return;
    FilterText text;
    std::string error;
    if (!ReadFilterTextFile(*path, text, error)) {
        m_messages.ShowMessage(
            tr("Nothing was imported: %1").arg(QString::fromStdString(error)).toStdString(),
            MessageKind::Warning);
        return;
    }
    const ChannelId id{output, channel};
    const QString label = ChannelLabel(output, channel);
    const EqualizerImportPlan plan = PlanEqualizerImport(text, *m_data, id, {});
    if (!plan.CanApply()) {
        m_messages.ShowMessage(
            tr("Nothing was imported from %1: %2")
                .arg(FileNameOf(*path), QString::fromStdString(plan.nothingTaken))
                .toStdString(),
            MessageKind::Warning);
        return;
    }
    const CurveColour colour = ChannelOf(*m_data, id).curveColour();
    EqualizerImportDialog preview(text, *m_data, id, FileNameOf(*path), label,
                                  QColor(colour.r, colour.g, colour.b), this);
    if (preview.exec() != QDialog::Accepted)
        return;
    // Through the editing rules and the record setters: the change flags take exactly the
    // values that changed to a connected unit, as typing them would.
    if (!ApplyEqualizerImport(preview.plan(), *m_data))
        return;
    UpdateAllControls();
    m_graph->redraw();
    m_history->Record(QStringLiteral("import/%1/%2")
                          .arg(output ? QStringLiteral("out") : QStringLiteral("in"))
                          .arg(channel),
                      label + tr(" EQ Import"));
}

void ControlSurface::ExportEqualizer(bool output, int channel) {
    const auto chosen =
        m_chooser->ChooseFile({ProgramFileKind::FilterText, true, m_layout.model.deviceType});
    if (!chosen)
        return;
    // A name without an extension gets the one measurement programs look for.
    std::string path = *chosen;
    if (QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).suffix().isEmpty()) {
        path += ".txt";
        if (QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(path))) &&
            !m_messages.AskYesNo(ProgramFileActions::ReplaceQuestion(path)))
            return;
    }
    std::string reason;
    if (!SaveFilterTextFile(path, ::ExportEqualizer(*m_data, {output, channel}), &reason)) {
        m_messages.ShowMessage(tr("The filter text could not be written.\n%1: %2")
                                   .arg(QFile::decodeName(QByteArray::fromStdString(path)),
                                        QString::fromStdString(reason))
                                   .toStdString(),
                               MessageKind::Error);
        return;
    }
    ShowNotice(tr("%1: EQ written to %2").arg(ChannelLabel(output, channel), FileNameOf(path)));
}

// ---- Measurements ---------------------------------------------------------------------------

void ControlSurface::LoadMeasurement(bool output, int channel) {
    const auto path =
        m_chooser->ChooseFile({ProgramFileKind::Measurement, false, m_layout.model.deviceType});
    if (!path)
        return;
    std::string error;
    if (!m_measurements.Load({output, channel}, *path, error)) {
        m_messages.ShowMessage(tr("The measurement was not loaded: %1")
                                   .arg(QString::fromStdString(error))
                                   .toStdString(),
                               MessageKind::Warning);
        return;
    }
    MeasurementsChanged();
}

void ControlSurface::ShowMeasurement(ChannelId channel, bool shown) {
    m_measurements.SetShown(channel, shown);
    MeasurementsChanged();
}

void ControlSurface::ClearMeasurement(ChannelId channel) {
    m_measurements.Clear(channel);
    MeasurementsChanged();
}

void ControlSurface::ClearAllMeasurements() {
    m_measurements.ClearAll();
    MeasurementsChanged();
}

void ControlSurface::SetInPredictedSum(int output, bool in) {
    m_measurements.SetInSum(output, in);
    MeasurementsChanged();
}

void ControlSurface::MeasurementsChanged() {
    m_graph->redraw();
    RememberMeasurements();
}

void ControlSurface::RememberMeasurements() {
    // Without a program file there is nothing to keep them with yet: storing the program keeps
    // them with its file.
    if (m_programFile.empty())
        return;
    programsettings::SetMeasurementsOf(QFile::decodeName(QByteArray::fromStdString(m_programFile)),
                                       ToStringList(m_measurements.Remembered()));
}

void ControlSurface::RestoreMeasurements() {
    const QStringList lines = programsettings::MeasurementsOf(
        QFile::decodeName(QByteArray::fromStdString(m_programFile)));
    const std::vector<std::string> problems =
        m_measurements.Restore(ToLines(lines), m_layout.model);
    m_graph->redraw();
    if (!problems.empty())
        m_messages.ShowMessage(tr("Measurements of this program that could not be read again:\n%1")
                                   .arg(ToStringList(problems).join(QLatin1Char('\n')))
                                   .toStdString(),
                               MessageKind::Warning);
}

// ---- Graph view and menus -----------------------------------------------------------------------

void ControlSurface::SetGraphView(GraphView view) {
    m_graph->setView(view);
    const auto actions = m_viewActions->actions();
    const auto index = static_cast<qsizetype>(view);
    if (index < actions.size())
        actions[index]->setChecked(true);
}

void ControlSurface::CreateGraphMenu() {
    m_graphMenu = new QMenu(tr("&Graph"), this);
    m_viewActions = new QActionGroup(m_graphMenu);
    const std::pair<QString, GraphView> views[] = {
        {tr("&Magnitude"), GraphView::Magnitude},
        {tr("&Phase"), GraphView::Phase},
        {tr("Group &Delay"), GraphView::GroupDelay},
    };
    for (const auto& [text, view] : views) {
        QAction* action = m_graphMenu->addAction(text);
        action->setCheckable(true);
        action->setChecked(view == GraphView::Magnitude);
        m_viewActions->addAction(action);
        connect(action, &QAction::triggered, this, [this, view = view] { SetGraphView(view); });
    }
    m_graphMenu->addSeparator();
    QMenu* sum = m_graphMenu->addMenu(tr("Predicted &Sum of"));
    for (int output = 0; output < OutputStripCount(); ++output) {
        QAction* action = sum->addAction(ChannelLabel(true, output));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this,
                [this, output](bool in) { SetInPredictedSum(output, in); });
    }
    connect(sum, &QMenu::aboutToShow, this, [this, sum] {
        const auto actions = sum->actions();
        for (int output = 0; output < actions.size(); ++output) {
            const QSignalBlocker quiet(actions[output]);
            actions[output]->setChecked(m_measurements.InSum(output));
        }
    });
    connect(m_graphMenu->addAction(tr("&Clear All Measurements")), &QAction::triggered, this,
            &ControlSurface::ClearAllMeasurements);

    // The graph's own view switch and the menu show the same view.
    connect(m_graph, &ResponseGraph::viewSwitched, this, &ControlSurface::SetGraphView);
    m_graph->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_graph, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_graphMenu->popup(m_graph->mapToGlobal(at)); });
}

void ControlSurface::FillChannelMenu(QMenu* menu, bool output, int channel) {
    const ChannelId id{output, channel};
    auto add = [this, menu](const QString& text, auto act) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, act);
        return action;
    };
    add(tr("&Settings..."), [this, output, channel] {
        OnChannelButton(output ? OutputStrip(channel) : InputStrip(channel));
    });
    add(tr("&Equaliser..."), [this, output, channel] {
        OnEqualizerButton(output ? OutputStrip(channel) : InputStrip(channel));
    });
    menu->addSeparator();
    add(tr("&Import EQ..."), [this, output, channel] { ImportEqualizer(output, channel); });
    add(tr("E&xport EQ..."), [this, output, channel] { ExportEqualizer(output, channel); });
    menu->addSeparator();
    add(tr("&Load Measurement..."), [this, output, channel] { LoadMeasurement(output, channel); });
    QAction* shown = menu->addAction(tr("Show &Measurement"));
    shown->setCheckable(true);
    connect(shown, &QAction::toggled, this, [this, id](bool on) { ShowMeasurement(id, on); });
    QAction* clear = add(tr("&Clear Measurement"), [this, id] { ClearMeasurement(id); });
    QAction* inSum = nullptr;
    if (output) {
        inSum = menu->addAction(tr("In Predicted S&um"));
        inSum->setCheckable(true);
        connect(inSum, &QAction::toggled, this,
                [this, channel](bool in) { SetInPredictedSum(channel, in); });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, id, shown, clear, inSum] {
        const MeasurementOverlays::Overlay* overlay = m_measurements.Of(id);
        const QSignalBlocker quiet(shown);
        shown->setEnabled(overlay != nullptr);
        shown->setChecked(overlay != nullptr && overlay->shown);
        clear->setEnabled(overlay != nullptr);
        if (inSum) {
            const QSignalBlocker quietSum(inSum);
            inSum->setChecked(m_measurements.InSum(id.index));
        }
    });
}

void ControlSurface::AddStripContextMenu(const ChannelStrip& strip) {
    const bool output = strip.output;
    const int channel = strip.channel;
    for (QWidget* widget : std::initializer_list<QWidget*>{strip.name, strip.eq,
                                                           strip.channelEditor, strip.nameLabel}) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget, output, channel](const QPoint& at) {
                    auto* menu = new QMenu(this);
                    menu->setAttribute(Qt::WA_DeleteOnClose);
                    FillChannelMenu(menu, output, channel);
                    menu->popup(widget->mapToGlobal(at));
                });
    }
}
