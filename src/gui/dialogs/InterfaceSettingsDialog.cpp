#include "gui/dialogs/InterfaceSettingsDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "gui/widgets/ShortTextEdit.h"
#include "link/MessageSink.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "model/ValueLimits.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Least widths in dialog units of the dialog's font.
constexpr int kListWidth = 50;
constexpr int kLineWidth = 146;

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

InterfaceSettingsDialog::InterfaceSettingsDialog(UnitController& controller, QWidget* parent,
                                                 IMessageSink* messages)
    : QDialog(parent), m_controller(controller), m_messages(messages) {
    setWindowTitle(tr(kCaption));
    ApplyToolDialogLook(*this);
    const DeviceModel& model = controller.Model();
    const ProgramContainer& data = controller.Data();

    auto* backlightLabel = new QLabel(tr("BackLight"), this);
    m_backlight = new QComboBox(this);
    m_backlight->addItems({tr("Keep On"), Latin1(model.backlightTimedText)});
    m_backlight->setCurrentIndex(kBacklightRange.Clamp(data.backlight()));
    backlightLabel->setBuddy(m_backlight);

    auto* temperatureLabel = new QLabel(tr("Tmpterature"), this);
    m_temperature = new QComboBox(this);
    m_temperature->setMaxVisibleItems(12);
    for (int celsius = kTemperatureRange.low; celsius <= kTemperatureRange.high; ++celsius)
        m_temperature->addItem(QStringLiteral("%1C").arg(celsius));
    m_temperature->setCurrentIndex(kTemperatureRange.Clamp(data.temperature()));
    temperatureLabel->setBuddy(m_temperature);
    for (QComboBox* list : {m_backlight, m_temperature})
        list->setMinimumWidth(FontDluX(list->fontMetrics(), kListWidth));

    auto* info = new QGroupBox(tr("Interface Information"), this);
    auto* lines = new QGridLayout(info);
    lines->setColumnStretch(1, 1);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* label = new QLabel(i == 0 ? tr("Interface1 :") : tr("Interface2 :"), info);
        m_lines[i] = new ShortTextEdit(model.interfaceLineWidth, info);
        m_lines[i]->setMinimumWidth(FontDluX(m_lines[i]->fontMetrics(), kLineWidth));
        m_lines[i]->showText(Latin1(data.lineSetB(kFirstInterfaceLine + row)));
        label->setBuddy(m_lines[i]);
        lines->addWidget(label, row, 0);
        lines->addWidget(m_lines[i], row, 1);
    }

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true); // Enter in a line sends the lines too

    // The two lists side by side on top, the lines' group under them, OK at the bottom right.
    auto* settings = new QHBoxLayout;
    settings->addWidget(backlightLabel);
    settings->addWidget(m_backlight);
    settings->addSpacing(FontDluX(fontMetrics(), 10));
    settings->addWidget(temperatureLabel);
    settings->addWidget(m_temperature);
    settings->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(info);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
