#pragma once

#include "link/ProgramManager.h"

#include <QDialog>

#include <array>

class ShortTextEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The program manager "Program": the 30 program memories of the unit with their names, the
// device part (recall the chosen memory into the editor or store the editor into it, under the
// name in the edit) and the PC part (the four program-file operations). It only collects the
// choices; the program manager carries them out. Neither "OK" closes it, so several actions can
// be done in one opening; it closes through its close box or Esc.
class ProgramManagerDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = QT_TR_NOOP("Program");
    static constexpr int kRows = kProgramMemoryCount;

    // `manager` and `chooser` must outlive the dialog.
    ProgramManagerDialog(ProgramManager& manager, IFileChooser& chooser, QWidget* parent = nullptr);

    // The chosen program memory, 1..30 (1 when the dialog opens).
    int SelectedProgram() const { return m_selected; }
    DeviceProgramAction SelectedDeviceAction() const;
    PcProgramAction SelectedPcAction() const;
    // Fills the 30 rows from the program name list.
    void RefillList();

    // The parts, for tests and screenshots.
    QTableWidget* ProgramList() const { return m_list; }
    QLabel* NumberLabel() const { return m_number; }
    ShortTextEdit* NameEdit() const { return m_name; }
    QRadioButton* DeviceRadio(DeviceProgramAction action) const;
    QRadioButton* PcRadio(PcProgramAction action) const;
    QPushButton* DeviceOkButton() const { return m_deviceOk; }
    QPushButton* PcOkButton() const { return m_pcOk; }

private:
    void ShowProgram(int row);
    void UpdateNameEditable();
    void RunDeviceAction();
    void RunPcAction();

    ProgramManager& m_manager;
    IFileChooser& m_chooser;
    int m_selected = 1;
    QTableWidget* m_list = nullptr;
    QLabel* m_number = nullptr;
    ShortTextEdit* m_name = nullptr;
    std::array<QRadioButton*, 2> m_deviceRadios{};
    std::array<QRadioButton*, 4> m_pcRadios{};
    QPushButton* m_deviceOk = nullptr;
    QPushButton* m_pcOk = nullptr;
};
