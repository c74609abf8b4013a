#pragma once

#include <QColor>
#include <QWidget>

#include <vector>

// Progress bar filled with bands of colour fading from red at its start to blue at its end; it
// shows the device-ID search of the connect dialog. The filled part ends on a band edge.
class GradientProgressBar : public QWidget {
    Q_OBJECT
public:
    // One band of the fill: pixels [begin, end) along the bar and its colour.
    struct Band {
        int begin;
        int end;
        QColor colour;
    };
    struct Fill {
        std::vector<Band> bands; // drawn in order from the start of the bar
        int backgroundFrom;      // pixels from here to the length show the background colour
    };

    // The bands drawn for a bar `length` pixels long: nothing below or at the lower bound or
    // above the upper bound; otherwise bands of length / N pixels (N the largest colour
    // distance of one channel) up to the first band that reaches position / upper x length.
    static Fill ComputeFill(int length, int lower, int upper, int position, QColor start,
                            QColor end);

    explicit GradientProgressBar(QWidget* parent = nullptr);

    // Stores the range and moves the position to the lower bound.
    void setRange(int lower, int upper);
    void setPos(int position);
    void setStep(int step);
    // position += step.
    void stepIt();

    int lower() const { return m_lower; }
    int upper() const { return m_upper; }
    int pos() const { return m_position; }
    int step() const { return m_step; }

    // A vertical bar starts at its top edge.
    void setVertical(bool vertical);
    bool isVertical() const { return m_vertical; }

    QColor startColour() const { return m_start; }
    QColor endColour() const { return m_end; }
    QColor backgroundColour() const;

    QSize sizeHint() const override { return QSize(200, 16); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_lower = 0;
    int m_upper = 100;
    int m_position = 0;
    int m_step = 10;
    bool m_vertical = false;
    QColor m_start{255, 0, 0};
    QColor m_end{0, 0, 255};
};
