#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class ValueEdit;

// Up-down arrows bound to one numeric edit (its buddy). A click steps the index by one and tells
// the owner at once; while an arrow is held the value keeps stepping at the repeat rate, in steps
// that grow the longer it is held (controlmath::HeldSpinStep), but the owner hears about it at
// most every 400 ms (timer 550) and once more on release, so a held arrow does not flood the unit
// with requests. The arrow and page keys in the buddy step too.
class ValueSpin : public QWidget {
    Q_OBJECT
public:
    static constexpr int kReportTimerId = 550;
    static constexpr int kReportIntervalMs = 400;
    // Held-arrow repeat: first repeat after the delay, then every interval.
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 100;
    static constexpr int kPageStep = 10;
    static constexpr const char* kBadPositionText = "Pos设定错误";

    explicit ValueSpin(QWidget* parent = nullptr);

    // The edit the spin steps; its arrow and page keys step the spin.
    void setBuddy(ValueEdit* edit);
    ValueEdit* buddy() const { return m_buddy; }
    // Also sets the buddy's range.
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // The buddy's value, committing typed text first.
    int position();
    // Outside the range: shows "Pos设定错误" and changes nothing (returns false). Otherwise
    // stores v and sets the buddy's value.
    bool setPosition(int v);

    bool isHeld() const { return m_held != 0; }
    bool hasUnreportedChange() const { return m_changed; }

    QSize sizeHint() const override { return QSize(16, 22); }

signals:
    // The index changed by a step (reported as described above).
    void notified();

public slots:
    // One step request: +1 up, -1 down (or a page).
    void stepBy(int delta);
    // Arrow press and release, as the mouse does them: stepping once, then repeating.
    void pressArrow(int direction);
    void releaseArrow();
    // Timer work, public so tests drive time themselves: the held arrow's repeat step, and the
    // 400 ms report of a held arrow.
    void repeatTick();
    void reportTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void report();

    QPointer<ValueEdit> m_buddy;
    QObject* m_filtered = nullptr; // the buddy this spin filters events of, until it goes
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    int m_held = 0;    // +1 up arrow held, -1 down arrow held, 0 none
    int m_repeats = 0; // repeat steps of the arrow held now
    bool m_changed = false;
    QTimer m_repeatTimer;
    QTimer m_reportTimer;
};
