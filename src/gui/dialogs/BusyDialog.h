#pragma once

#include "link/BatchTransfer.h"

#include <QColor>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

// The busy display "Connecting": a small modal window saying "transmitting Data" while a batch
// of frames is being transmitted. Its own 200 ms tick makes the text blink red and dark blue
// while the owner's busy flag is set and closes the window on the first tick that finds the flag
// clear. The operator cannot close it (Enter, Escape and the close box do nothing).
//
// While a program transfer runs it also shows how far it is: a progress bar, what is being done
// ("Writing memory 12 of 30") and the time left; a transfer of all memories has "Cancel", which
// asks the owner to stop after the memory on the line. The display only shows and asks: the
// counting and the stopping are the unit controller's.
//
// Run it with exec(): its nested event loop keeps the owner's send tick and line events going,
// so the batch is transmitted underneath it.
class BusyDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerId = 8;
    static constexpr int kTickMs = 200;
    static constexpr const char* kCaption = QT_TR_NOOP("Connecting");
    static constexpr const char* kText = QT_TR_NOOP("transmitting Data");
    static inline const QColor kRed{255, 0, 0};
    static inline const QColor kDarkBlue{0, 0, 128};
    static constexpr const char* kCancelText = QT_TR_NOOP("Cancel");

    // What a transfer shows: its progress (nothing while none runs) and how to stop it (true
    // when the stop was taken). Both must stay callable while the dialog lives.
    struct TransferHooks {
        std::function<std::optional<TransferProgress>()> progress;
        std::function<bool()> stop;
    };

    // `isBusy` reads the owner's busy flag; it must stay callable while the dialog lives.
    explicit BusyDialog(std::function<bool()> isBusy, QWidget* parent = nullptr,
                        TransferHooks transfer = {});

    // One 200 ms tick: blink while busy and show the transfer's progress, close (accepted) once
    // the flag is clear.
    void Tick();
    // "Cancel": asks the owner to stop the transfer after the memory on the line.
    void StopTransfer();

    QColor TextColour() const { return m_colour; }
    // The transfer's parts, for tests and screenshots.
    QProgressBar* ProgressBar() const { return m_bar; }
    QLabel* ProgressText() const { return m_progressText; }
    QLabel* RemainingText() const { return m_remaining; }
    QPushButton* CancelButton() const { return m_cancel; }
    bool IsTickRunning() const { return m_timer.isActive(); }
    int TickInterval() const { return m_timer.interval(); }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyColour();
    void ShowTransfer();

    std::function<bool()> m_isBusy;
    TransferHooks m_transfer;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_progressText = nullptr;
    QLabel* m_remaining = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer m_timer;
    QColor m_colour = kRed;
};
