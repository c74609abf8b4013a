#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// Status LED of the control surfaces: red while disconnected, blinking green while connected.
// It changes only on its ticks (timer 1001): each tick draws the bright or the dark colour in
// turn; with "keep blinking" off the next tick is the last and the LED stays as it was drawn.
class StatusLed : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTimerId = 1001;
    static constexpr int kDefaultPeriodMs = 600;

    enum Colour { Red = 2001, Green = 2002, Blue = 2003, Yellow = 2004 };
    enum Shape { Circular = 3001, Square = 3002 };

    // Bright and dark colour of a colour code; unknown codes give red.
    static QColor BrightColour(int colourCode);
    static QColor DarkColour(int colourCode);

    explicit StatusLed(QWidget* parent = nullptr);

    // Stores the codes and starts ticking every periodMs milliseconds (0 stops it).
    void start(int colourCode, int shapeCode, int periodMs);
    // Starts again with the codes and the period last given.
    void restart();
    // Stops the ticks; the LED keeps its last frame.
    void stop();
    // 1: alternate on every tick; 0: the next tick draws once more and then stops.
    void setKeepBlinking(bool keep);

    int colourCode() const { return m_colour; }
    int shapeCode() const { return m_shape; }
    int period() const { return m_period; }
    int phase() const { return m_phase; }
    bool keepBlinking() const { return m_keepBlinking; }
    // True once a tick has drawn a frame; its colour is shownColour().
    bool hasFrame() const { return m_hasFrame; }
    QColor shownColour() const { return m_shown; }

    QSize sizeHint() const override { return QSize(16, 16); }

public slots:
    // One blink step; the timer calls it every period, tests call it directly.
    void tick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawCircle(QPainter& p) const;
    void drawSquare(QPainter& p) const;

    QTimer m_timer;
    int m_colour = Red;
    int m_shape = Circular;
    int m_period = 0;
    int m_savedPeriod = 0;
    int m_phase = 0;
    bool m_keepBlinking = true;
    bool m_hasFrame = false;
    QColor m_shown;
};
