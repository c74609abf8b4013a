#pragma once

#include <QDialog>

#include <vector>

class UnitController;
class QComboBox;
class QLabel;
class QRadioButton;

// The device dialog "Device", opened from a connected main view: either give the unit in use a
// new device ID ("Change Current Device ID", with 1..250 offered and the current one
// preselected) or switch to another unit on the same line ("Re_Connect To Device", with the IDs
// known to answer).
class DeviceIdDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { kChangeId = 0, kReconnect = 1 };

    static constexpr const char* kCaption = QT_TR_NOOP("Device");
    static constexpr const char* kChangeText = QT_TR_NOOP("Change Current Device ID");
    static constexpr const char* kReconnectText = QT_TR_NOOP("Re_Connect To Device");

    // `currentId` is the ID in use (1..250); `knownIds` the engine's known IDs, ascending.
    DeviceIdDialog(int currentId, const std::vector<int>& knownIds, QWidget* parent = nullptr);

    int CurrentId() const { return m_currentId; }
    Choice SelectedChoice() const;
    // The new ID for the first choice (1..250).
    int NewId() const;
    // The unit to switch to for the second choice; 0 when no ID is known.
    int ReconnectId() const;

    // Carries out the accepted choice on the view's controller: a new ID for the unit in use
    // (given once no other unit answers to it), or a switch to another unit. Choosing the
    // current ID, which the dialog preselects, or no ID, does nothing. Returns whether anything
    // was started.
    bool Apply(UnitController& controller) const;

    // The parts, for the view's tests and screenshots.
    QRadioButton* ChangeButton() const { return m_change; }
    QRadioButton* ReconnectButton() const { return m_reconnect; }
    QComboBox* NewIdList() const { return m_newIds; }
    QComboBox* ReconnectIdList() const { return m_knownIds; }
    QLabel* CurrentIdText() const { return m_currentText; }

private:
    void UpdateEnabled();

    int m_currentId;
    QRadioButton* m_change = nullptr;
    QRadioButton* m_reconnect = nullptr;
    QComboBox* m_newIds = nullptr;
    QComboBox* m_knownIds = nullptr;
    QLabel* m_currentText = nullptr;
};

// The device button of a main view: when the controller is connected, opens the device dialog
// over `parent` with the current ID and the known IDs and applies the operator's choice.
// Returns whether anything changed.
bool RunDeviceDialog(UnitController& controller, QWidget* parent);
