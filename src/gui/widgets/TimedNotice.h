#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>

// A line of the status line that says something for a few seconds and then goes away: what a
// rule did to a value the operator entered ("Out 3: HPF stops at the LPF, 2000 Hz"). It shows
// only while it has something to say, over whatever lies beneath it; a click takes it away at
// once. A text wider than the line is cut with "..." and shown whole as its tooltip.
class TimedNotice : public QLabel {
    Q_OBJECT
public:
    static constexpr int kShownMs = 5000;

    explicit TimedNotice(QWidget* parent = nullptr);

    // Shows `text` for kShownMs, replacing what was shown.
    void showNotice(const QString& text);
    // The whole text shown now; empty while nothing is.
    const QString& notice() const { return m_notice; }

public slots:
    // The time is up (the timer calls it; tests may call it directly).
    void expire();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QString m_notice;
    QTimer m_timer;
};
