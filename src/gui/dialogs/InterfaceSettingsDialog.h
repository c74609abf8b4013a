#pragma once

#include "model/ProgramContainer.h"

#include <QDialog>

#include <array>

class IMessageSink;
class ShortTextEdit;
class UnitController;
class QComboBox;
class QPushButton;

// The interface settings dialog "Interface": the front-panel backlight, the temperature the unit
// and the delay displays use for the speed of sound, and the two interface information lines.
// A choice in either list takes effect at once (the container, then the unit when connected);
// the two lines only on "OK", which leaves the dialog open. It closes through its close box or
// Esc; lines typed and not sent are not dropped unasked: the operator may send them first.
class InterfaceSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = QT_TR_NOOP("Interface");
    static constexpr int kTemperatureEntries = 51; // "0C" .. "50C"

    static constexpr const char* kUnsentLinesQuestion =
        QT_TR_NOOP("The interface lines you typed have not been sent to the unit.\nSend them now?");

    // `controller` carries the settings out; it must outlive the dialog, as must `messages`,
    // which asks about lines not sent (without it they are dropped).
    explicit InterfaceSettingsDialog(UnitController& controller, QWidget* parent = nullptr,
                                     IMessageSink* messages = nullptr);

    // True while a line holds text that "OK" has not sent.
    bool HasUnsentLines() const;

public slots:
    // Closing (Esc, the close box) with lines not sent first asks whether to send them.
    void reject() override;

    // The parts, for tests and screenshots.
    QComboBox* BacklightList() const { return m_backlight; }
    QComboBox* TemperatureList() const { return m_temperature; }
    ShortTextEdit* LineEdit(int line) const { return m_lines.at(static_cast<std::size_t>(line)); }
    QPushButton* OkButton() const { return m_ok; }

private:
    void SendLines();

    UnitController& m_controller;
    IMessageSink* m_messages;
    QComboBox* m_backlight = nullptr;
    QComboBox* m_temperature = nullptr;
    std::array<ShortTextEdit*, kInterfaceLines> m_lines{};
    QPushButton* m_ok = nullptr;
};
