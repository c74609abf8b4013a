#include "gui/dialogs/ProgramManagerDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/support/ToolDialogLook.h"
#include "gui/widgets/ShortTextEdit.h"
#include "model/PrintableText.h"
#include "model/TextEntryRules.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The list: its two columns in dialog units of its font, the rows it shows at least and at first,
// its colours.
constexpr int kNumberColumnWidth = 46;
constexpr int kNameColumnWidth = 128;
constexpr int kLeastRows = 10;
constexpr int kFirstRows = 17;
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

// A group's "OK" at its bottom right, under its other rows.
QPushButton* AddOkButton(QGroupBox* group, QVBoxLayout* rows) {
    auto* button = new QPushButton(ProgramManagerDialog::tr("OK"), group);
    // Enter presses a focused button only: neither "OK" is the dialog's default.
    button->setAutoDefault(false);
    rows->addStretch();
    rows->addWidget(button, 0, Qt::AlignRight);
    return button;
}

} // namespace

ProgramManagerDialog::ProgramManagerDialog(ProgramManager& manager, IFileChooser& chooser,
                                           QWidget* parent)
    : QDialog(parent), m_manager(manager), m_chooser(chooser) {
    setWindowTitle(tr(kCaption));
    ApplyToolDialogLook(*this);

    m_list = new QTableWidget(kRows, 2, this);
    m_list->setHorizontalHeaderLabels({tr("Program"), tr("Name")});
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const QFontMetrics listFont = m_list->fontMetrics();
    m_list->setColumnWidth(0, FontDluX(listFont, kNumberColumnWidth));
    m_list->setColumnWidth(1, FontDluX(listFont, kNameColumnWidth));
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(listFont.height() + 6);
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
    // Both columns in view; the rows scroll.
    const int chrome = 2 * m_list->frameWidth();
    m_list->setFixedWidth(m_list->columnWidth(0) + m_list->columnWidth(1) + chrome +
                          m_list->verticalScrollBar()->sizeHint().width());
    const auto rowsHigh = [&](int rows) {
        return m_list->horizontalHeader()->sizeHint().height() +
               rows * m_list->verticalHeader()->defaultSectionSize() + chrome;
    };
    m_list->setMinimumHeight(rowsHigh(kLeastRows));

    auto* device = new QGroupBox(tr("Program"), this);
    auto* deviceRows = new QVBoxLayout(device);
    auto* deviceGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_deviceRadios.size(); ++i) {
        m_deviceRadios[i] = new QRadioButton(tr(kDeviceCaptions[i]), device);
        deviceGroup->addButton(m_deviceRadios[i], static_cast<int>(i));
        deviceRows->addWidget(m_deviceRadios[i]);
    }
    m_number = new QLabel(device);
    m_number->setAlignment(Qt::AlignCenter);
    m_number->setFrameShape(QFrame::Panel);
    m_number->setFrameShadow(QFrame::Sunken);
    m_number->setMinimumWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("888")) +
                              2 * m_number->frameWidth());
    m_name = new ShortTextEdit(kProgramNameChars, device);
    auto* chosen = new QHBoxLayout;
    chosen->addWidget(m_number);
    chosen->addWidget(m_name, 1);
    deviceRows->addLayout(chosen);
    m_deviceOk = AddOkButton(device, deviceRows);

    auto* pc = new QGroupBox(tr("PC Program"), this);
    auto* pcRows = new QVBoxLayout(pc);
    auto* pcGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_pcRadios.size(); ++i) {
        m_pcRadios[i] = new QRadioButton(tr(kPcCaptions[i]), pc);
        pcGroup->addButton(m_pcRadios[i], static_cast<int>(i));
        pcRows->addWidget(m_pcRadios[i]);
    }
    m_pcOk = AddOkButton(pc, pcRows);

    // The list on the left; at its right the device's group above the PC's.
    auto* groups = new QVBoxLayout;
    groups->addWidget(device);
    groups->addWidget(pc);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(groups);
    resize(sizeHint().width(),
           std::max(sizeHint().height(), rowsHigh(kFirstRows) + layout->contentsMargins().top() +
                                             layout->contentsMargins().bottom()));

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
