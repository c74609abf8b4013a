#include "gui/dialogs/ChannelNamesDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "gui/widgets/ShortTextEdit.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "model/TextEntryRules.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

#include <utility>

namespace {

// The least width of a name's edit, in dialog units of the dialog's font.
constexpr int kEditWidth = 48;

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ChannelNamesDialog::ChannelNamesDialog(UnitController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(tr(kCaption));
    ApplyToolDialogLook(*this);
    // Enter and Esc hand the focus to the dialog itself, which commits the edit left.
    setFocusPolicy(Qt::StrongFocus);

    // Inputs left, outputs right, one row per channel, the groups at the top; a model with
    // fewer channels keeps the rows' places empty, so the dialog has one size for every model.
    const DeviceModel& model = controller.Model();
    auto* inputs = new QGroupBox(tr("Input"), this);
    auto* outputs = new QGroupBox(tr("Output"), this);
    for (int i = 0; i < model.inputs; ++i)
        m_inputs.push_back(MakeRow(inputs, false, i));
    for (int o = 0; o < model.outputs; ++o)
        m_outputs.push_back(MakeRow(outputs, true, o));
    const int rowHeight = m_outputs.front().edit->sizeHint().height();
    for (auto [group, count] : {std::pair{inputs, kInputCount}, std::pair{outputs, kOutputCount}}) {
        auto* rows = static_cast<QGridLayout*>(group->layout());
        for (int row = 0; row < count; ++row)
            rows->setRowMinimumHeight(row, rowHeight);
    }
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(inputs, 0, Qt::AlignTop);
    layout->addWidget(outputs, 0, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < model.inputs; ++i)
        ShowName(false, i);
    for (int o = 0; o < model.outputs; ++o)
        ShowName(true, o);
}

ChannelNamesDialog::~ChannelNamesDialog() {
    // The edits outlive the rows: an edit losing the focus while it is deleted commits nothing.
    for (const std::vector<Row>* rows : {&m_inputs, &m_outputs}) {
        for (const Row& row : *rows)
            disconnect(row.edit, nullptr, this, nullptr);
    }
}

ChannelNamesDialog::Row ChannelNamesDialog::MakeRow(QGroupBox* group, bool output, int channel) {
    const DeviceModel& model = m_controller.Model();
    auto* rows = static_cast<QGridLayout*>(group->layout());
    if (rows == nullptr)
        rows = new QGridLayout(group);
    Row row;
    row.label =
        new QLabel(Latin1(output ? model.OutputTag(channel) : model.InputTag(channel)), group);
    row.edit = new ShortTextEdit(kChannelNameChars, group);
    row.edit->setMinimumWidth(FontDluX(row.edit->fontMetrics(), kEditWidth));
    row.label->setBuddy(row.edit);
    rows->addWidget(row.label, channel, 0);
    rows->addWidget(row.edit, channel, 1);
    connect(row.edit, &ShortTextEdit::committed, this,
            [this, output, channel](const QString& text) { Commit(output, channel, text); });
    return row;
}

const ChannelNamesDialog::Row* ChannelNamesDialog::RowOf(bool output, int channel) const {
    const std::vector<Row>& rows = output ? m_outputs : m_inputs;
    if (channel < 0 || channel >= static_cast<int>(rows.size()))
        return nullptr;
    return &rows[static_cast<std::size_t>(channel)];
}

ShortTextEdit* ChannelNamesDialog::NameEdit(bool output, int channel) const {
    const Row* row = RowOf(output, channel);
    return row ? row->edit : nullptr;
}

QLabel* ChannelNamesDialog::NameLabel(bool output, int channel) const {
    const Row* row = RowOf(output, channel);
    return row ? row->label : nullptr;
}

void ChannelNamesDialog::ShowName(bool output, int channel) {
    // What the record keeps, which is what the unit receives, unprintable bytes as spaces. The
    // edit only commits what is typed, so a name shown is never written back.
    const ProgramContainer& data = m_controller.Data();
    NameEdit(output, channel)
        ->showText(Latin1(output ? data.output(channel).displayName()
                                 : data.input(channel).displayName()));
}

void ChannelNamesDialog::Commit(bool output, int channel, const QString& text) {
    m_controller.SetChannelName(output, channel, text.toLatin1().toStdString());
    ShowName(output, channel);
}

void ChannelNamesDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ChannelNamesDialog::done(int result) {
    // Closing takes the name being typed, as leaving its edit would.
    for (const std::vector<Row>* rows : {&m_inputs, &m_outputs}) {
        for (const Row& row : *rows)
            row.edit->commit();
    }
    QDialog::done(result);
}
