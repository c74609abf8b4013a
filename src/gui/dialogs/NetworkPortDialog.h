#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// "Add network port": asks for the port of a serial device server on the network
// (rfc2217://HOST:PORT or tcp://HOST:PORT) for the connect dialog. OK closes it only on a
// well-formed name; otherwise it stays open and says what is wrong with the text (no port
// number, an IPv6 address without brackets, ...), so nothing the operator did not mean is added.
class NetworkPortDialog : public QDialog {
    Q_OBJECT
public:
    explicit NetworkPortDialog(QWidget* parent = nullptr);

    // The accepted name in its usual form ("TCP://rack:07000" gives "tcp://rack:7000"); empty
    // before the dialog was accepted.
    std::string PortName() const { return m_portName; }

    // Checks the typed name: accepts it, or shows what is wrong and stays open.
    void accept() override;

    // The parts, for tests and screenshots.
    QLineEdit* NameEdit() const { return m_name; }
    // Empty and hidden until a typed name was refused.
    QLabel* Problem() const { return m_problem; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLineEdit* m_name = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
    std::string m_portName;
};
