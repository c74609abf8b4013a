#include "gui/dialogs/ProgramManagerDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "gui/widgets/ShortTextEdit.h"
#include "model/PrintableText.h"
#include "model/TextEntryRules.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// Layout in dialog units.
constexpr int kWidth = 352;
constexpr int kHeight = 214;

// The list: its two columns in pixels, its colours.
constexpr int kNumberColumnWidth = 70;
constexpr int kNameColumnWidth = 195;
const QColor kListBackground(247, 247, 255);
const QColor kListText(0, 0, 255);

// Captions as the operator reads them, blanks included.
constexpr std::array<const char*, 2> kDeviceCaptions{
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Recall program from Device "),
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Store program to Device")};
constexpr std::array<const char*, 4> kPcCaptions{
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Store Program to PC"),
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Recall Program From PC"),
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Recall  all Program From PC"),
    QT_TRANSLATE_NOOP("ProgramManagerDialog", "Store all Program to PC ")};

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeOkButton(QWidget* parent, int x, int y) {
    auto* button = new QPushButton(ProgramManagerDialog::tr("OK"), parent);
    button->setGeometry(DluRect(x, y, 50, 14));
    // Enter presses a focused button only: neither "OK" is the dialog's default.
    button->setAutoDefault(false);
    return button;
}

} // namespace

ProgramManagerDialog::ProgramManagerDialog(ProgramManager& manager, IFileChooser& chooser,
                                           QWidget* parent)
    : QDialog(parent), m_manager(manager), m_chooser(chooser) {
    setWindowTitle(tr(kCaption));
    setFixedSize(DluSize(kWidth, kHeight));
    ApplyToolDialogLook(*this);

    m_list = new QTableWidget(kRows, 2, this);
    m_list->setGeometry(DluRect(7, 7, 186, 200));
    m_list->setHorizontalHeaderLabels({tr("Program"), tr("Name")});
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->setColumnWidth(0, kNumberColumnWidth);
    m_list->setColumnWidth(1, kNameColumnWidth);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette listPalette = m_list->palette();
    listPalette.setColor(QPalette::Base, kListBackground);
    listPalette.setColor(QPalette::Text, kListText);
    m_list->setPalette(listPalette);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < 2; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            item->setForeground(kListText);
            m_list->setItem(row, column, item);
        }
        m_list->item(row, 0)->setText(QString::number(row + 1));
    }

    auto* device = new QGroupBox(tr("Program"), this);
    device->setGeometry(DluRect(200, 4, 145, 92));
    auto* deviceGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_deviceRadios.size(); ++i) {
        m_deviceRadios[i] = new QRadioButton(tr(kDeviceCaptions[i]), device);
        m_deviceRadios[i]->setGeometry(DluRect(8, 12 + 12 * static_cast<int>(i), 130, 10));
        deviceGroup->addButton(m_deviceRadios[i], static_cast<int>(i));
    }
    m_number = new QLabel(device);
    m_number->setGeometry(DluRect(8, 42, 20, 12));
    m_number->setAlignment(Qt::AlignCenter);
    m_number->setFrameShape(QFrame::Panel);
    m_number->setFrameShadow(QFrame::Sunken);
    m_name = new ShortTextEdit(kProgramNameChars, device);
    m_name->setGeometry(DluRect(32, 41, 106, 14));
    m_deviceOk = MakeOkButton(device, 88, 70);

    auto* pc = new QGroupBox(tr("PC Program"), this);
    pc->setGeometry(DluRect(200, 100, 145, 107));
    auto* pcGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_pcRadios.size(); ++i) {
        m_pcRadios[i] = new QRadioButton(tr(kPcCaptions[i]), pc);
        m_pcRadios[i]->setGeometry(DluRect(8, 13 + 12 * static_cast<int>(i), 130, 10));
        pcGroup->addButton(m_pcRadios[i], static_cast<int>(i));
    }
    m_pcOk = MakeOkButton(pc, 88, 86);

    m_deviceRadios[0]->setChecked(true);
    m_pcRadios[0]->setChecked(true);
    connect(deviceGroup, &QButtonGroup::idToggled, this, [this] { UpdateNameEditable(); });
    connect(m_list, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowProgram(row); });
    // A click puts the name in front of the operator; moving with the keys only shows it.
    connect(m_list, &QTableWidget::cellClicked, this, [this](int row, int) {
        ShowProgram(row);
        m_name->setFocus(Qt::MouseFocusReason);
    });
    connect(m_deviceOk, &QPushButton::clicked, this, &ProgramManagerDialog::RunDeviceAction);
    connect(m_pcOk, &QPushButton::clicked, this, &ProgramManagerDialog::RunPcAction);

    RefillList();
    m_list->setCurrentCell(0, 0);
    ShowProgram(0);
    UpdateNameEditable();
}

QRadioButton* ProgramManagerDialog::DeviceRadio(DeviceProgramAction action) const {
    return m_deviceRadios.at(static_cast<std::size_t>(action));
}

QRadioButton* ProgramManagerDialog::PcRadio(PcProgramAction action) const {
    return m_pcRadios.at(static_cast<std::size_t>(action));
}

DeviceProgramAction ProgramManagerDialog::SelectedDeviceAction() const {
    return m_deviceRadios[1]->isChecked() ? DeviceProgramAction::Store
                                          : DeviceProgramAction::Recall;
}

PcProgramAction ProgramManagerDialog::SelectedPcAction() const {
    for (std::size_t i = 0; i < m_pcRadios.size(); ++i) {
        if (m_pcRadios[i]->isChecked())
            return static_cast<PcProgramAction>(i);
    }
    return PcProgramAction::StoreProgram;
}

void ProgramManagerDialog::RefillList() {
    for (int row = 0; row < kRows; ++row)
        m_list->item(row, 1)->setText(Latin1(PrintableText(m_manager.ProgramName(row + 1))));
    // The edit follows its row unless the operator is typing a name.
    if (!m_name->isChanged() && !m_name->hasFocus())
        m_name->showText(m_list->item(m_selected - 1, 1)->text());
}

void ProgramManagerDialog::ShowProgram(int row) {
    if (row < 0 || row >= kRows)
        return; // a click outside any row changes nothing
    m_selected = row + 1;
    m_number->setText(m_list->item(row, 0)->text());
    m_name->showText(m_list->item(row, 1)->text());
}

void ProgramManagerDialog::UpdateNameEditable() {
    // A recall takes the memory's name as it is listed; only a store names it.
    m_name->setReadOnly(SelectedDeviceAction() == DeviceProgramAction::Recall);
}

void ProgramManagerDialog::RunDeviceAction() {
    // A name left as listed keeps the memory's own bytes: the list shows unprintable ones as
    // spaces, which must not be written back.
    const std::string& listed = m_manager.ProgramName(m_selected);
    const std::string shown = m_name->text().toLatin1().toStdString();
    const std::string typed = shown == PrintableText(listed) ? listed : shown;
    if (m_manager.RunDeviceAction(SelectedDeviceAction(), m_selected, typed)) {
        // The list follows once the unit has answered (RefillList from the view).
        RefillList();
    }
}

void ProgramManagerDialog::RunPcAction() {
    m_manager.RunPcAction(SelectedPcAction(), m_chooser);
    // A library sent to the unit renamed its memories.
    RefillList();
}
