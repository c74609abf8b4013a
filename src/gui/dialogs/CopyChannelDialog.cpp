#include "gui/dialogs/CopyChannelDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The least width of the channel lists, in dialog units of the dialog's font.
constexpr int kListWidth = 78;

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A channel as the lists show it: its tag and, once it has been named, its name ("CH3: Kick");
// a channel still under its default name ("3") shows the tag alone.
QString ChannelEntry(std::string_view tag, const Channel& channel) {
    const std::string name = channel.displayName();
    if (name.empty() || tag.ends_with(name))
        return Latin1(tag);
    return Latin1(tag) + QStringLiteral(": ") + QString::fromLatin1(name.c_str());
}

} // namespace

CopyChannelDialog::CopyChannelDialog(UnitController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(tr(kCaption));
    ApplyToolDialogLook(*this);
    const DeviceModel& model = controller.Model();

    m_inputs = new QRadioButton(tr(kInputsText), this);
    m_outputs = new QRadioButton(tr(kOutputsText), this);

    // One group per direction: "Source:" and "Target:" lists of the model's channels, each with
    // its name, so the operator sees which channel is overwritten.
    const ProgramContainer& data = controller.Data();
    auto makeGroup = [this](const QString& title, QComboBox*& source, QComboBox*& target, int count,
                            auto entryOf) {
        auto* group = new QGroupBox(title, this);
        auto* rows = new QGridLayout(group);
        rows->setColumnStretch(1, 1);
        for (int row = 0; row < 2; ++row) {
            auto* label = new QLabel(row == 0 ? tr("Source:") : tr("Target:"), group);
            auto* list = new QComboBox(group);
            list->setMinimumWidth(FontDluX(list->fontMetrics(), kListWidth));
            for (int channel = 0; channel < count; ++channel)
                list->addItem(entryOf(channel));
            list->setCurrentIndex(row);
            label->setBuddy(list);
            rows->addWidget(label, row, 0);
            rows->addWidget(list, row, 1);
            (row == 0 ? source : target) = list;
        }
        return group;
    };
    m_inputGroup = makeGroup(tr("Route In"), m_inputSource, m_inputTarget, model.inputs,
                             [&](int i) { return ChannelEntry(model.InputTag(i), data.input(i)); });
    m_outputGroup =
        makeGroup(tr("Route Out"), m_outputSource, m_outputTarget, model.outputs,
                  [&](int o) { return ChannelEntry(model.OutputTag(o), data.output(o)); });

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CopyChannelDialog::accept);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &CopyChannelDialog::reject);

    // Each direction's choice above its group, the inputs left; OK and Cancel under the groups.
    auto* directions = new QGridLayout;
    directions->setColumnStretch(0, 1);
    directions->setColumnStretch(1, 1);
    directions->addWidget(m_inputs, 0, 0);
    directions->addWidget(m_outputs, 0, 1);
    directions->addWidget(m_inputGroup, 1, 0);
    directions->addWidget(m_outputGroup, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(directions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_inputs->setChecked(true);
    connect(m_inputs, &QRadioButton::toggled, this, &CopyChannelDialog::UpdateEnabled);
    UpdateEnabled();
}

bool CopyChannelDialog::CopiesOutputs() const {
    return m_outputs->isChecked();
}

void CopyChannelDialog::UpdateEnabled() {
    // Only the chosen direction's lists take part in the copy.
    m_inputGroup->setEnabled(!CopiesOutputs());
    m_outputGroup->setEnabled(CopiesOutputs());
}

void CopyChannelDialog::accept() {
    const bool output = CopiesOutputs();
    // The controller copies nothing when source and target are the same channel.
    m_controller.CopyChannel(SourceList(output)->currentIndex(), TargetList(output)->currentIndex(),
                             output);
    QDialog::accept();
}
