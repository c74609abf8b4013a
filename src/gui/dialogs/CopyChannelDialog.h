#pragma once

#include <QDialog>

class UnitController;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The copy dialog "Copy": copies every setting of one input onto another input ("Copy In
// Route") or of one output onto another output ("Copy Out  Route"). The combo boxes list the
// model's channels ("CHA".., "CH1"..) with the names given to them ("CH3: Kick"); the sources
// start at the first channel, the targets at the second. "OK" copies, unless source and target
// are the same channel, and closes; "Cancel", the close box and Esc close without copying.
class CopyChannelDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = QT_TR_NOOP("Copy");
    static constexpr const char* kInputsText = QT_TR_NOOP("Copy In  Route");
    static constexpr const char* kOutputsText = QT_TR_NOOP("Copy Out  Route");

    // `controller` carries the copy out (and tells its view) and must outlive the dialog.
    explicit CopyChannelDialog(UnitController& controller, QWidget* parent = nullptr);

    bool CopiesOutputs() const;

    // The parts, for tests and screenshots.
    QRadioButton* InputsRadio() const { return m_inputs; }
    QRadioButton* OutputsRadio() const { return m_outputs; }
    QComboBox* SourceList(bool output) const { return output ? m_outputSource : m_inputSource; }
    QComboBox* TargetList(bool output) const { return output ? m_outputTarget : m_inputTarget; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

public slots:
    void accept() override;

private:
    void UpdateEnabled();

    UnitController& m_controller;
    QRadioButton* m_inputs = nullptr;
    QRadioButton* m_outputs = nullptr;
    QGroupBox* m_inputGroup = nullptr;
    QGroupBox* m_outputGroup = nullptr;
    QComboBox* m_inputSource = nullptr;
    QComboBox* m_inputTarget = nullptr;
    QComboBox* m_outputSource = nullptr;
    QComboBox* m_outputTarget = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
