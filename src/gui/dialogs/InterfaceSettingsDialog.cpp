#include "gui/dialogs/InterfaceSettingsDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "gui/widgets/ShortTextEdit.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "model/ValueLimits.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

// Layout in dialog units.
constexpr int kWidth = 222;
constexpr int kHeight = 122;

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(const QString& text, QWidget* parent, int x, int y, int w) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(DluRect(x, y, w, 10));
    return label;
}

} // namespace

InterfaceSettingsDialog::InterfaceSettingsDialog(UnitController& controller, QWidget* parent,
                                                 IMessageSink* messages)
    : QDialog(parent), m_controller(controller), m_messages(messages) {
    setWindowTitle(tr(kCaption));
    setFixedSize(DluSize(kWidth, kHeight));
    ApplyToolDialogLook(*this);
    const DeviceModel& model = controller.Model();
    const ProgramContainer& data = controller.Data();

    MakeLabel(tr("BackLight"), this, 10, 11, 40);
    m_backlight = new QComboBox(this);
    m_backlight->setGeometry(DluRect(52, 8, 52, 14));
    m_backlight->addItems({tr("Keep On"), Latin1(model.backlightTimedText)});
    m_backlight->setCurrentIndex(kBacklightRange.Clamp(data.backlight()));

    MakeLabel(tr("Tmpterature"), this, 114, 11, 46);
    m_temperature = new QComboBox(this);
    m_temperature->setGeometry(DluRect(162, 8, 50, 14));
    m_temperature->setMaxVisibleItems(12);
    for (int celsius = kTemperatureRange.low; celsius <= kTemperatureRange.high; ++celsius)
        m_temperature->addItem(QStringLiteral("%1C").arg(celsius));
    m_temperature->setCurrentIndex(kTemperatureRange.Clamp(data.temperature()));

    auto* info = new QGroupBox(tr("Interface Information"), this);
    info->setGeometry(DluRect(7, 28, 208, 64));
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int y = 18 + 22 * static_cast<int>(i);
        MakeLabel(i == 0 ? tr("Interface1 :") : tr("Interface2 :"), info, 8, y + 2, 44);
        m_lines[i] = new ShortTextEdit(model.interfaceLineWidth, info);
        m_lines[i]->setGeometry(DluRect(54, y, 146, 14));
        m_lines[i]->showText(Latin1(data.lineSetB(kFirstInterfaceLine + static_cast<int>(i))));
    }

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setGeometry(DluRect(165, 100, 50, 14));
    m_ok->setDefault(true); // Enter in a line sends the lines too

    // The operator's choices only: filling the lists above sent nothing.
    connect(m_backlight, &QComboBox::activated, this,
            [this](int index) { m_controller.SetBacklight(index); });
    connect(m_temperature, &QComboBox::activated, this,
            [this](int index) { m_controller.SetTemperature(index); });
    connect(m_ok, &QPushButton::clicked, this, &InterfaceSettingsDialog::SendLines);
}

bool InterfaceSettingsDialog::HasUnsentLines() const {
    const ProgramContainer& data = m_controller.Data();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i]->text().toLatin1().toStdString() !=
            data.lineSetB(kFirstInterfaceLine + static_cast<int>(i)))
            return true;
    }
    return false;
}

void InterfaceSettingsDialog::reject() {
    if (m_messages != nullptr && HasUnsentLines() &&
        m_messages->AskYesNo(tr(kUnsentLinesQuestion).toStdString()))
        SendLines();
    QDialog::reject();
}

void InterfaceSettingsDialog::SendLines() {
    m_controller.SetInterfaceLines(m_lines[0]->text().toLatin1().toStdString(),
                                   m_lines[1]->text().toLatin1().toStdString());
    const ProgramContainer& data = m_controller.Data();
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        m_lines[i]->showText(Latin1(data.lineSetB(kFirstInterfaceLine + static_cast<int>(i))));
}
