#include "gui/dialogs/BusyDialog.h"

#include "gui/support/DialogUnits.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>

#include <utility>

namespace {

// Layout in dialog units.
constexpr int kWidth = 160;
constexpr int kHeight = 44;
constexpr int kTextPoints = 16;

} // namespace

BusyDialog::BusyDialog(std::function<bool()> isBusy, QWidget* parent)
    : QDialog(parent), m_isBusy(std::move(isBusy)) {
    setWindowTitle(QString::fromLatin1(kCaption));
    // A title bar without a close box: the window goes away only when the batch is out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFixedSize(DluSize(kWidth, kHeight));

    m_text = new QLabel(QString::fromLatin1(kText), this);
    m_text->setGeometry(DluRect(0, 0, kWidth, kHeight));
    m_text->setAlignment(Qt::AlignCenter);
    QFont font = m_text->font();
    font.setPixelSize(DluFontPixelSize(kTextPoints));
    font.setBold(true);
    m_text->setFont(font);
    ApplyColour();

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &BusyDialog::Tick);
}

void BusyDialog::Tick() {
    if (m_isBusy && m_isBusy()) {
        m_colour = m_colour == kRed ? kDarkBlue : kRed;
        ApplyColour();
        return;
    }
    m_timer.stop();
    if (isVisible())
        QDialog::done(QDialog::Accepted);
}

void BusyDialog::reject() {
    // Escape and the close box end up here: the display stays until the batch is out.
}

void BusyDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_timer.start();
}

void BusyDialog::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QDialog::hideEvent(event);
}

void BusyDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void BusyDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void BusyDialog::ApplyColour() {
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, m_colour);
    m_text->setPalette(palette);
    m_text->update();
}
