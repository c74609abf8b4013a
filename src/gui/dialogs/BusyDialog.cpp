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
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

// The blinking text's place in dialog units of the dialog's font, and its size: twice the
// dialog's font, bold.
constexpr int kTextWidth = 160;
constexpr int kTextHeight = 44;
constexpr double kTextScale = 2.0;

// A part that keeps its place while hidden, so the window does not change size as a transfer's
// parts come and go.
void KeepPlaceWhenHidden(QWidget& part) {
    QSizePolicy policy = part.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    part.setSizePolicy(policy);
}

} // namespace

BusyDialog::BusyDialog(std::function<bool()> isBusy, QWidget* parent, TransferHooks transfer)
    : QDialog(parent), m_isBusy(std::move(isBusy)), m_transfer(std::move(transfer)) {
    setWindowTitle(tr(kCaption));
    // A title bar without a close box: the window goes away only when the batch is out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    const bool showsTransfer = static_cast<bool>(m_transfer.progress);

    m_text = new QLabel(tr(kText), this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setMinimumSize(FontDluX(fontMetrics(), kTextWidth),
                           FontDluY(fontMetrics(), kTextHeight));
    QFont font = m_text->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * kTextScale);
    else
        font.setPixelSize(static_cast<int>(font.pixelSize() * kTextScale));
    font.setBold(true);
    m_text->setFont(font);
    ApplyColour();

    // The text fills the window; a transfer shows its progress under it, Cancel at the right.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (showsTransfer) {
        m_bar = new QProgressBar(this);
        m_bar->setTextVisible(false);
        m_progressText = new QLabel(this);
        m_remaining = new QLabel(this);
        m_cancel = new QPushButton(tr(kCancelText), this);
        m_cancel->setAutoDefault(false);
        m_cancel->setToolTip(tr("Stops after the memory being transferred; the "
                                "memories before it are complete, the later ones "
                                "untouched"));
        connect(m_cancel, &QPushButton::clicked, this, &BusyDialog::StopTransfer);
        for (QWidget* part :
             std::initializer_list<QWidget*>{m_bar, m_progressText, m_remaining, m_cancel}) {
            KeepPlaceWhenHidden(*part);
            if (part != m_cancel)
                layout->addWidget(part);
        }
        // The texts' lines stay when a text is empty.
        for (QLabel* text : {m_progressText, m_remaining})
            text->setMinimumHeight(text->fontMetrics().height());
        layout->addWidget(m_cancel, 0, Qt::AlignRight);
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
