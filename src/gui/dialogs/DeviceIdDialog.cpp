#include "gui/dialogs/DeviceIdDialog.h"

#include "gui/support/DialogUnits.h"
#include "link/UnitController.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The least width of the ID lists, in dialog units of the dialog's font.
constexpr int kIdListWidth = 60;

} // namespace

DeviceIdDialog::DeviceIdDialog(int currentId, const std::vector<int>& knownIds, QWidget* parent)
    : QDialog(parent), m_currentId(currentId) {
    setWindowTitle(tr(kCaption));

    m_change = new QRadioButton(tr(kChangeText), this);
    m_currentText = new QLabel(tr("Current device ID %1 To:").arg(currentId), this);
    m_newIds = new QComboBox(this);
    for (int id = kFirstDeviceId; id <= kLastDeviceId; ++id)
        m_newIds->addItem(QString::number(id), id);
    // The current ID: OK or Enter without a choice of ID leaves the unit as it is.
    m_newIds->setCurrentIndex(std::max(0, m_newIds->findData(currentId)));
    m_currentText->setBuddy(m_newIds);

    m_reconnect = new QRadioButton(tr(kReconnectText), this);
    m_knownIds = new QComboBox(this);
    for (int id : knownIds)
        m_knownIds->addItem(QString::number(id), id);
    m_knownIds->setCurrentIndex(m_knownIds->count() > 0 ? 0 : -1);
    for (QComboBox* list : {m_newIds, m_knownIds})
        list->setMinimumWidth(FontDluX(list->fontMetrics(), kIdListWidth));

    m_change->setChecked(true);
    connect(m_change, &QRadioButton::toggled, this, &DeviceIdDialog::UpdateEnabled);
    UpdateEnabled();

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The first choice's ID on the line under it, indented to its caption; the second choice's
    // list beside it; the lists in one column at the right, OK and Cancel under them.
    auto* choices = new QGridLayout;
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    choices->setColumnMinimumWidth(0, indent);
    choices->setColumnStretch(2, 1);
    choices->addWidget(m_change, 0, 0, 1, 3);
    choices->addWidget(m_currentText, 1, 1);
    choices->addWidget(m_newIds, 1, 3);
    choices->addWidget(m_reconnect, 2, 0, 1, 3);
    choices->addWidget(m_knownIds, 2, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

DeviceIdDialog::Choice DeviceIdDialog::SelectedChoice() const {
    return m_reconnect->isChecked() ? kReconnect : kChangeId;
}

int DeviceIdDialog::NewId() const {
    return m_newIds->currentData().toInt();
}

int DeviceIdDialog::ReconnectId() const {
    return m_knownIds->currentIndex() >= 0 ? m_knownIds->currentData().toInt() : 0;
}

bool DeviceIdDialog::Apply(UnitController& controller) const {
    if (!controller.IsConnected())
        return false;
    if (SelectedChoice() == kChangeId) {
        const int id = NewId();
        if (id == controller.DeviceId())
            return false;
        // The controller first makes sure no other unit answers to the new ID.
        return controller.ChangeDeviceId(id);
    }
    const int id = ReconnectId();
    if (id == 0 || id == controller.DeviceId())
        return false;
    controller.SwitchToDevice(id);
    return true;
}

void DeviceIdDialog::UpdateEnabled() {
    m_newIds->setEnabled(m_change->isChecked());
    m_knownIds->setEnabled(m_reconnect->isChecked());
}

bool RunDeviceDialog(UnitController& controller, QWidget* parent) {
    if (!controller.IsConnected())
        return false;
    DeviceIdDialog dialog(controller.DeviceId(), controller.Command().Replies().KnownDeviceIds(),
                          parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return dialog.Apply(controller);
}
