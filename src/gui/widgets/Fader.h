#pragma once

#include "gui/widgets/ControlMath.h"

#include <QColor>
#include <QMargins>
#include <QWidget>

// Vertical fader with position 0 at the top (the owners show maximum - position, so the top is
// the loudest or longest setting). The channel and the thumb are drawn, no images needed.
// Reports go to the owner as sliderMessage(): 0x28D1 while the thumb is dragged, 0x28D2 when a
// drag ends (if "report on release" is set) and after every key or wheel step (a key that the
// fader's key steps keep still reports nothing).
class Fader : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMsgMoving = 0x28D1;
    static constexpr int kMsgReleased = 0x28D2;
    static constexpr int kThumbHeight = 11; // logical pixels, unless set otherwise

    explicit Fader(QWidget* parent = nullptr);

    void setControlId(int id) { m_controlId = id; }
    int controlId() const { return m_controlId; }

    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Clamped to the range; does not report.
    void setPosition(int position);
    int position() const { return m_position; }
    // Frequency scale over 240 steps from 30000 Hz at the top: position = max - steps of f,
    // where the steps count with f / 10 as an integer division.
    void setFrequency(int hz);
    int frequency() const;

    void setReportOnRelease(bool report) { m_reportOnRelease = report; }
    bool reportOnRelease() const { return m_reportOnRelease; }
    // Space kept free around the channel (left, top, right, bottom), in pixels.
    void setMargins(const QMargins& margins);
    // Colour of the lit part of the channel below the thumb.
    void setAccent(const QColor& colour);
    // How far the keys move the thumb (a tenth of the range per page, Home and End to the ends
    // by default).
    void setKeySteps(controlmath::KeySteps steps) { m_keySteps = steps; }
    controlmath::KeySteps keySteps() const { return m_keySteps; }

    // Height of the thumb in pixels (kThumbHeight unless set).
    void setThumbHeight(int pixels);
    int thumbHeight() const { return m_thumbHeight; }

    bool isDragging() const { return m_dragging; }
    // Pixels the thumb's top edge can travel, and the thumb rectangle for the current position.
    double travel() const;
    QRectF thumbRect() const;

    QSize sizeHint() const override { return QSize(17, 96); }

signals:
    void sliderMessage(int message, int controlId, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Position 0 is at the top: "up" moves the thumb up, towards the lower positions.
    static constexpr controlmath::UpMeans kUpMeans = controlmath::UpMeans::Lower;

    void dragTo(double y);
    void stepTo(int position);

    int m_controlId = 0;
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    bool m_reportOnRelease = true;
    bool m_dragging = false;
    double m_grab = 0.0; // pixels from the thumb's top edge to the point that was grabbed
    QMargins m_margins{0, 0, 0, 0};
    QColor m_accent{0, 200, 255};
    controlmath::KeySteps m_keySteps;
    int m_thumbHeight = kThumbHeight;
};
