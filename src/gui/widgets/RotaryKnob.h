#pragma once

#include "gui/widgets/ControlMath.h"

#include <QAbstractSlider>
#include <QColor>

#include <optional>

// Rotary knob sweeping 230 degrees with its gap at the bottom. It is turned as in audio software:
// by dragging anywhere on it up (more) or down (less), never jumping to the pointer, with Shift
// for fine steps; by the arrow and page keys (and Home and End, unless its key steps keep them
// still); and by the wheel. A double-click sets its default value, when it has one.
//
// It is a standard slider: a drag signals sliderPressed(), sliderMoved() and valueChanged() for
// every value it passes and sliderReleased() at its end; keys, wheel and double-click signal
// valueChanged(), and assistive technology sets it through the same value. Owners write what
// valueChanged() reports and put their own values on it with showValue(), which signals nothing.
class RotaryKnob : public QAbstractSlider {
    Q_OBJECT
public:
    explicit RotaryKnob(QWidget* parent = nullptr);

    // Puts a value the owner holds on the knob, clamped to the range, without signalling.
    void showValue(int value);
    // Logarithmic frequency scale: value = steps of f above 10 Hz (f / 10 an integer division),
    // and the frequency of a value is trunc(k^value x 10), k = 3000^(1/240). Shown without
    // signalling.
    void showFrequency(int hz);
    int frequency() const;
    // Pointer angle in degrees clockwise from 12 o'clock.
    double angle() const { return m_angle; }

    // Colour of the value arc and the pointer.
    void setAccent(const QColor& colour);
    // How far the keys move the knob (a tenth of the range per page, Home and End to the ends by
    // default).
    void setKeySteps(controlmath::KeySteps steps) { m_keySteps = steps; }
    controlmath::KeySteps keySteps() const { return m_keySteps; }
    // The value a double-click sets (none: a double-click does nothing).
    void setDefaultValue(std::optional<int> value) { m_defaultValue = value; }
    std::optional<int> defaultValue() const { return m_defaultValue; }

    QSize sizeHint() const override { return QSize(40, 40); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    // The value rises clockwise: "up" turns the knob towards the higher values.
    static constexpr controlmath::UpMeans kUpMeans = controlmath::UpMeans::Higher;

    QPointF centre() const;
    double radius() const;
    // Starts the drag's count of pixels again from here (also when Shift is pressed or released
    // during the drag, so the value does not jump).
    void anchorDrag(double y, bool fine);

    double m_angle = 245.0;
    double m_dragStartY = 0.0; // where the drag's count of pixels starts
    int m_dragStartValue = 0;  // the value there
    bool m_dragFine = false;   // Shift was held there
    QColor m_accent{0, 200, 255};
    controlmath::KeySteps m_keySteps;
    std::optional<int> m_defaultValue;
};
