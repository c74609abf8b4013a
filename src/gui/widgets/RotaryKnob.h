#pragma once

#include "gui/widgets/ControlMath.h"

#include <QColor>
#include <QWidget>

// Rotary knob sweeping 230 degrees with its gap at the bottom. It is turned by dragging its rim
// (beyond three quarters of the radius), by the arrow, page, Home and End keys and by the wheel.
// Reports go to the owner as knobMessage(): 0x28B9 while the rim is dragged, 0x28BA after a key
// or wheel step.
class RotaryKnob : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMsgDragged = 0x28B9;
    static constexpr int kMsgKey = 0x28BA;

    explicit RotaryKnob(QWidget* parent = nullptr);

    void setControlId(int id) { m_controlId = id; }
    int controlId() const { return m_controlId; }

    // Default 0..100.
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Clamped to the range; turns the knob; does not report.
    void setValue(int v);
    int value() const { return m_value; }
    // Logarithmic frequency scale: value = steps of f above 10 Hz (f / 10 an integer division),
    // and the frequency of a value is trunc(k^value x 10), k = 3000^(1/240).
    void setFrequency(int hz);
    int frequency() const;
    // Pointer angle in degrees clockwise from 12 o'clock.
    double angle() const { return m_angle; }

    // Colour of the value arc and the pointer.
    void setAccent(const QColor& colour);

    bool isDragging() const { return m_dragging; }

    QSize sizeHint() const override { return QSize(40, 40); }

signals:
    void knobMessage(int message, int controlId, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The value rises clockwise: "up" turns the knob towards the higher values.
    static constexpr controlmath::UpMeans kUpMeans = controlmath::UpMeans::Higher;

    QPointF centre() const;
    double radius() const;
    void stepTo(int value);

    int m_controlId = 0;
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    double m_angle = 245.0;
    bool m_dragging = false;
    QColor m_accent{0, 200, 255};
};
