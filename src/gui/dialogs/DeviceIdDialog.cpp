#include "gui/dialogs/DeviceIdDialog.h"

#include "gui/support/DialogUnits.h"
#include "link/UnitController.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

// Layout in dialog units ("MS Sans Serif" 8).
constexpr int kWidth = 200;
constexpr int kHeight = 100;

} // namespace

DeviceIdDialog::DeviceIdDialog(int currentId, const std::vector<int>& knownIds, QWidget* parent)
    : QDialog(parent), m_currentId(currentId) {
    setWindowTitle(tr(kCaption));
    setFixedSize(DluSize(kWidth, kHeight));
    QFont dialogFont = font();
    dialogFont.setPixelSize(DluFontPixelSize(8));
    setFont(dialogFont);

    m_change = new QRadioButton(tr(kChangeText), this);
    m_change->setGeometry(DluRect(10, 10, 120, 12));
    m_currentText = new QLabel(tr("Current device ID %1 To:").arg(currentId), this);
    m_currentText->setGeometry(DluRect(22, 26, 100, 12));
    m_newIds = new QComboBox(this);
    m_newIds->setGeometry(DluRect(130, 24, 60, 14));
    for (int id = kFirstDeviceId; id <= kLastDeviceId; ++id)
        m_newIds->addItem(QString::number(id), id);
    // The current ID: OK or Enter without a choice of ID leaves the unit as it is.
    m_newIds->setCurrentIndex(std::max(0, m_newIds->findData(currentId)));

    m_reconnect = new QRadioButton(tr(kReconnectText), this);
    m_reconnect->setGeometry(DluRect(10, 46, 120, 12));
    m_knownIds = new QComboBox(this);
    m_knownIds->setGeometry(DluRect(130, 44, 60, 14));
    for (int id : knownIds)
        m_knownIds->addItem(QString::number(id), id);
    m_knownIds->setCurrentIndex(m_knownIds->count() > 0 ? 0 : -1);

    m_change->setChecked(true);
    connect(m_change, &QRadioButton::toggled, this, &DeviceIdDialog::UpdateEnabled);
    UpdateEnabled();

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(DluRect(84, 76, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setGeometry(DluRect(140, 76, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
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
