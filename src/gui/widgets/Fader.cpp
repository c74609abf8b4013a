#include "gui/widgets/Fader.h"

#include "gui/widgets/ControlMath.h"
#include "gui/widgets/StepInput.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

Fader::Fader(QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(Qt::Vertical);
    setRange(0, 100);
    setFocusPolicy(Qt::StrongFocus);
}

void Fader::showValue(int value) {
    const QSignalBlocker quiet(this);
    setValue(value);
}

void Fader::showFrequency(int hz) {
    showValue(controlmath::SliderPositionOfFrequency(hz, minimum(), maximum()));
}

int Fader::frequency() const {
    return controlmath::SliderFrequencyOfPosition(value(), maximum());
}

void Fader::setThumbHeight(int pixels) {
    m_thumbHeight = std::max(1, pixels);
    update();
}

void Fader::setMargins(const QMargins& margins) {
    m_margins = margins;
    update();
}

void Fader::setAccent(const QColor& colour) {
    m_accent = colour;
    update();
}

double Fader::travel() const {
    return std::max(0, height() - m_margins.top() - m_margins.bottom() - m_thumbHeight);
}

QRectF Fader::thumbRect() const {
    const double top = m_margins.top() + controlmath::SliderOffsetOfPosition(
                                             sliderPosition(), travel(), minimum(), maximum());
    const double left = m_margins.left();
    const double w = width() - m_margins.left() - m_margins.right();
    return QRectF(left, top, w, m_thumbHeight);
}

void Fader::dragTo(double y) {
    const double offset = y - m_grab - m_margins.top();
    // Signals sliderMoved() and valueChanged() when the position changes.
    setSliderPosition(controlmath::SliderPositionOfOffset(offset, travel(), minimum(), maximum()));
}

void Fader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    const double y = event->position().y();
    const QRectF thumb = thumbRect();
    setSliderDown(true);
    if (y >= thumb.top() && y < thumb.bottom()) {
        m_grab = y - thumb.top(); // the thumb keeps its grab point under the cursor
    } else {
        m_grab = m_thumbHeight / 2.0; // the thumb jumps to centre on the cursor
        dragTo(y);
    }
    update();
}

void Fader::mouseMoveEvent(QMouseEvent* event) {
    if (isSliderDown())
        dragTo(event->position().y());
}

void Fader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isSliderDown())
        return;
    setSliderDown(false);
    update();
}

void Fader::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && isSliderDown()) {
        // A disabled fader stops following the mouse at once, and the drag it ends asks for
        // nothing: no release is signalled.
        const QSignalBlocker quiet(this);
        setSliderDown(false);
    }
    QAbstractSlider::changeEvent(event);
}

void Fader::keyPressEvent(QKeyEvent* event) {
    if (!stepinput::KeyPress(
            *event, value(), minimum(), maximum(), kUpMeans, [this](int v) { setValue(v); },
            m_keySteps))
        QAbstractSlider::keyPressEvent(event);
}

void Fader::wheelEvent(QWheelEvent* event) {
    stepinput::Wheel(*event, isEnabled(), value(), minimum(), maximum(), kUpMeans,
                     [this](int v) { setValue(v); });
}

void Fader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool on = isEnabled();
    const QRectF area = QRectF(rect()).marginsRemoved(QMarginsF(m_margins));
    const QRectF thumb = thumbRect();

    // Channel: a dark slot through the middle, lit below the thumb.
    const double slotWidth = 4.0;
    const double cx = area.center().x();
    const QRectF slot(cx - slotWidth / 2, area.top() + m_thumbHeight / 2.0, slotWidth,
                      std::max(0.0, area.height() - m_thumbHeight));
    p.setPen(QPen(QColor(10, 12, 18), 1));
    p.setBrush(QColor(22, 25, 33));
    p.drawRoundedRect(slot, 2, 2);
    const QRectF lit(slot.left() + 1, thumb.center().y(), slotWidth - 2,
                     std::max(0.0, slot.bottom() - thumb.center().y() - 1));
    p.fillRect(lit, on ? m_accent : QColor(90, 95, 105));

    // Scale ticks at every tenth of the travel, both sides of the slot.
    p.setPen(QPen(QColor(140, 150, 170), 1));
    for (int i = 0; i <= 10; ++i) {
        const double y = slot.top() + slot.height() * i / 10.0;
        const double len = (i % 5 == 0) ? 3.5 : 2.0;
        p.drawLine(QPointF(area.left() + 0.5, y), QPointF(area.left() + 0.5 + len, y));
        p.drawLine(QPointF(area.right() - 0.5, y), QPointF(area.right() - 0.5 - len, y));
    }

    // Thumb: a fader cap with a grip line across its middle.
    QLinearGradient cap(thumb.topLeft(), thumb.bottomLeft());
    const QColor top = on ? QColor(230, 232, 238) : QColor(150, 150, 155);
    const QColor bottom = on ? QColor(150, 155, 168) : QColor(110, 110, 115);
    cap.setColorAt(0.0, top);
    cap.setColorAt(0.45, bottom);
    cap.setColorAt(0.55, top.darker(115));
    cap.setColorAt(1.0, bottom.darker(120));
    p.setPen(QPen(QColor(30, 32, 40), 1));
    p.setBrush(cap);
    p.drawRoundedRect(thumb.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    p.setPen(QPen(isSliderDown() ? QColor(255, 83, 83) : QColor(20, 20, 20), 1.5));
    p.drawLine(QPointF(thumb.left() + 2, thumb.center().y()),
               QPointF(thumb.right() - 2, thumb.center().y()));

    if (hasFocus()) {
        p.setPen(QPen(m_accent, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
