#pragma once

#include "gui/widgets/ControlMath.h"

#include <QAbstractSlider>
#include <QColor>
#include <QMargins>

// Vertical fader with value 0 at the top (the owners show maximum - value, so the top is the
// loudest or longest setting). The channel and the thumb are drawn, no images needed.
//
// It is a standard slider: dragging the thumb signals sliderPressed(), sliderMoved() and
// valueChanged() for every position it passes and sliderReleased() when the drag ends; the keys
// and the wheel step it and signal valueChanged() (a key that the fader's key steps keep still
// signals nothing), and assistive technology sets it through the same value. Owners write what
// valueChanged() reports and put their own values on it with showValue(), which signals nothing.
class Fader : public QAbstractSlider {
    Q_OBJECT
public:
    static constexpr int kThumbHeight = 11; // logical pixels, unless set otherwise

    explicit Fader(QWidget* parent = nullptr);

    // Puts a value the owner holds on the fader, clamped to the range, without signalling.
    void showValue(int value);
    // Frequency scale over 240 steps from 30000 Hz at the top: value = max - steps of f, where
    // the steps count with f / 10 as an integer division. Shown without signalling.
    void showFrequency(int hz);
    int frequency() const;

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

    // Pixels the thumb's top edge can travel, and the thumb rectangle for the current value.
    double travel() const;
    QRectF thumbRect() const;

    QSize sizeHint() const override { return QSize(17, 96); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Value 0 is at the top: "up" moves the thumb up, towards the lower values.
    static constexpr controlmath::UpMeans kUpMeans = controlmath::UpMeans::Lower;

    void dragTo(double y);

    double m_grab = 0.0; // pixels from the thumb's top edge to the point that was grabbed
    QMargins m_margins{0, 0, 0, 0};
    QColor m_accent{0, 200, 255};
    controlmath::KeySteps m_keySteps;
    int m_thumbHeight = kThumbHeight;
};
