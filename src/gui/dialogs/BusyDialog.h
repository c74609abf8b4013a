#pragma once

#include <QColor>
#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;

// The busy display "Connecting": a small modal window saying "transmitting Data" while a batch
// of frames is being transmitted. Its own 200 ms tick makes the text blink red and dark blue
// while the owner's busy flag is set and closes the window on the first tick that finds the flag
// clear. The operator cannot close it (Enter, Escape and the close box do nothing).
//
// Run it with exec(): its nested event loop keeps the owner's send tick and line events going,
// so the batch is transmitted underneath it.
class BusyDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerId = 8;
    static constexpr int kTickMs = 200;
    static constexpr const char* kCaption = "Connecting";
    static constexpr const char* kText = "transmitting Data";
    static inline const QColor kRed{255, 0, 0};
    static inline const QColor kDarkBlue{0, 0, 128};

    // `isBusy` reads the owner's busy flag; it must stay callable while the dialog lives.
    explicit BusyDialog(std::function<bool()> isBusy, QWidget* parent = nullptr);

    // One 200 ms tick: blink while busy, close (accepted) once the flag is clear.
    void Tick();

    QColor TextColour() const { return m_colour; }
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

    std::function<bool()> m_isBusy;
    QLabel* m_text = nullptr;
    QTimer m_timer;
    QColor m_colour = kRed;
};
