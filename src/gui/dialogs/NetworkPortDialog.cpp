#include "gui/dialogs/NetworkPortDialog.h"

#include "link/NetworkPortName.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

NetworkPortDialog::NetworkPortDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Add network port"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("The port of a serial device server:\n"
                                "rfc2217://HOST:PORT for Telnet with COM port control, or\n"
                                "tcp://HOST:PORT for raw bytes (set the server's line to 9600 "
                                "baud, 8N1)."),
                             this);
    layout->addWidget(intro);
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(tr("rfc2217://rack1.venue.lan:7000"));
    m_name->setMinimumWidth(m_name->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    intro->setBuddy(m_name);
    layout->addWidget(m_name);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problem->hide();
    layout->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(false);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkPortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkPortDialog::reject);
    // A problem shown refers to the text as it was; editing starts afresh.
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_ok->setEnabled(!text.trimmed().isEmpty());
        m_problem->clear();
        m_problem->hide();
    });
}

void NetworkPortDialog::accept() {
    std::string error;
    const auto parsed = ParseNetworkPortName(m_name->text().trimmed().toStdString(), &error);
    if (!parsed) {
        m_problem->setText(QString::fromStdString(error));
        m_problem->show();
        m_name->setFocus();
        return;
    }
    m_portName = parsed->Name();
    QDialog::accept();
}
