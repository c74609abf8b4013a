#include "gui/dialogs/BusyDialog.h"

#include "gui/support/DialogUnits.h"

#include "link/UnitController.h"

#include <QCloseEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace {

// Layout in dialog units: the blinking text, and under it the transfer's progress.
constexpr int kWidth = 160;
constexpr int kHeight = 44;
constexpr int kTransferHeight = 106;
constexpr int kTextPoints = 16;

} // namespace

BusyDialog::BusyDialog(std::function<bool()> isBusy, QWidget* parent, TransferHooks transfer)
    : QDialog(parent), m_isBusy(std::move(isBusy)), m_transfer(std::move(transfer)) {
    setWindowTitle(tr(kCaption));
    // A title bar without a close box: the window goes away only when the batch is out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    const bool showsTransfer = static_cast<bool>(m_transfer.progress);
    setFixedSize(DluSize(kWidth, showsTransfer ? kTransferHeight : kHeight));

    m_text = new QLabel(tr(kText), this);
    m_text->setGeometry(DluRect(0, 0, kWidth, kHeight));
    m_text->setAlignment(Qt::AlignCenter);
    QFont font = m_text->font();
    font.setPixelSize(DluFontPixelSize(kTextPoints));
    font.setBold(true);
    m_text->setFont(font);
    ApplyColour();

    if (showsTransfer) {
        m_bar = new QProgressBar(this);
        m_bar->setGeometry(DluRect(8, 44, kWidth - 16, 10));
        m_bar->setTextVisible(false);
        m_progressText = new QLabel(this);
        m_progressText->setGeometry(DluRect(8, 57, kWidth - 16, 10));
        m_remaining = new QLabel(this);
        m_remaining->setGeometry(DluRect(8, 69, kWidth - 16, 10));
        m_cancel = new QPushButton(tr(kCancelText), this);
        m_cancel->setGeometry(DluRect(kWidth - 58, 86, 50, 14));
        m_cancel->setAutoDefault(false);
        m_cancel->setToolTip(tr("Stops after the memory being transferred; the "
                                "memories before it are complete, the later ones "
                                "untouched"));
        connect(m_cancel, &QPushButton::clicked, this, &BusyDialog::StopTransfer);
        ShowTransfer();
    }

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &BusyDialog::Tick);
}

void BusyDialog::Tick() {
    if (m_isBusy && m_isBusy()) {
        m_colour = m_colour == kRed ? kDarkBlue : kRed;
        ApplyColour();
        ShowTransfer();
        return;
    }
    m_timer.stop();
    if (isVisible())
        QDialog::done(QDialog::Accepted);
}

void BusyDialog::StopTransfer() {
    if (m_transfer.stop && m_transfer.stop())
        ShowTransfer();
}

void BusyDialog::ShowTransfer() {
    if (!m_bar)
        return;
    const std::optional<TransferProgress> progress =
        m_transfer.progress ? m_transfer.progress() : std::nullopt;
    for (QWidget* part : {static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_progressText),
                          static_cast<QWidget*>(m_remaining)})
        part->setVisible(progress.has_value());
    if (!progress) {
        m_cancel->hide();
        return;
    }
    m_bar->setRange(0, std::max(progress->requestsTotal, 1));
    m_bar->setValue(progress->requestsDone);
    m_progressText->setText(QString::fromStdString(progress->Text()));
    m_remaining->setText(QString::fromStdString(progress->RemainingText(UnitController::kTickMs)));
    // Only a transfer of many memories has a place to stop; once asked, it is on its way.
    m_cancel->setVisible(progress->memoryCount > 1);
    m_cancel->setEnabled(progress->CanStop());
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
