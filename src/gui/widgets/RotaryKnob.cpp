#include "gui/widgets/RotaryKnob.h"

#include "gui/widgets/ControlMath.h"
#include "gui/widgets/StepInput.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// Point at `distance` from the centre in the direction of a knob angle (clockwise from 12).
QPointF Along(const QPointF& centre, double angle, double distance) {
    const double a = angle * kRadiansPerDegree;
    return centre + QPointF(std::sin(a) * distance, -std::cos(a) * distance);
}

// QPainter arcs count counterclockwise from 3 o'clock, in 1/16 degree.
int QtAngle16(double knobAngle) {
    return static_cast<int>(std::lround((90.0 - knobAngle) * 16.0));
}

} // namespace

RotaryKnob::RotaryKnob(QWidget* parent) : QAbstractSlider(parent) {
    setRange(0, 100);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::SizeVerCursor); // dragged up and down
    m_angle = controlmath::KnobAngleOfValue(value(), minimum(), maximum());
}

void RotaryKnob::showValue(int v) {
    const QSignalBlocker quiet(this);
    setValue(v);
}

void RotaryKnob::showFrequency(int hz) {
    showValue(controlmath::FrequencyStepsOf(hz));
}

int RotaryKnob::frequency() const {
    return controlmath::FrequencyOfSteps(value());
}

void RotaryKnob::setAccent(const QColor& colour) {
    m_accent = colour;
    update();
}

void RotaryKnob::sliderChange(SliderChange change) {
    // The pointer follows the value and the range.
    m_angle = controlmath::KnobAngleOfValue(sliderPosition(), minimum(), maximum());
    QAbstractSlider::sliderChange(change);
}

QPointF RotaryKnob::centre() const {
    return QRectF(rect()).center();
}

double RotaryKnob::radius() const {
    return std::min(width(), height()) / 2.0 - 1.0;
}

void RotaryKnob::anchorDrag(double y, bool fine) {
    m_dragStartY = y;
    m_dragStartValue = sliderPosition();
    m_dragFine = fine;
}

void RotaryKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    // Anywhere on the knob; the value moves only once the pointer does.
    setSliderDown(true);
    anchorDrag(event->position().y(), event->modifiers().testFlag(Qt::ShiftModifier));
    update();
}

void RotaryKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown())
        return;
    const double y = event->position().y();
    const bool fine = event->modifiers().testFlag(Qt::ShiftModifier);
    if (fine != m_dragFine) {
        anchorDrag(y, fine);
        return;
    }
    // Signals sliderMoved() and valueChanged() when the value changes.
    setSliderPosition(
        controlmath::KnobDragValue(m_dragStartValue, m_dragStartY - y, minimum(), maximum(), fine));
}

void RotaryKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isSliderDown()) {
        setSliderDown(false);
        update();
    }
}

void RotaryKnob::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled() || !m_defaultValue) {
        QAbstractSlider::mouseDoubleClickEvent(event);
        return;
    }
    if (isSliderDown())
        setSliderDown(false);
    setValue(*m_defaultValue);
}

void RotaryKnob::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && isSliderDown()) {
        // The drag a disabled knob ends asks for nothing: no release is signalled.
        const QSignalBlocker quiet(this);
        setSliderDown(false);
    }
    QAbstractSlider::changeEvent(event);
}

void RotaryKnob::keyPressEvent(QKeyEvent* event) {
    if (!stepinput::KeyPress(
            *event, value(), minimum(), maximum(), kUpMeans, [this](int v) { setValue(v); },
            m_keySteps))
        QAbstractSlider::keyPressEvent(event);
}

void RotaryKnob::wheelEvent(QWheelEvent* event) {
    stepinput::Wheel(*event, isEnabled(), value(), minimum(), maximum(), kUpMeans,
                     [this](int v) { setValue(v); });
}

void RotaryKnob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool on = isEnabled();
    const QPointF c = centre();
    const double r = radius();
    if (r <= 2.0) {
        return;
    }
    const QColor accent = on ? m_accent : QColor(100, 105, 115);

    // Scale ring: the whole sweep dim, the part up to the value lit.
    const double ringR = r - 1.5;
    const QRectF ring(c.x() - ringR, c.y() - ringR, 2 * ringR, 2 * ringR);
    const int start16 = QtAngle16(controlmath::kKnobStartAngle);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(96, 104, 128), 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(ring, start16, -static_cast<int>(controlmath::kKnobSweep * 16));
    const double sweep = controlmath::KnobSweepOfAngle(m_angle);
    p.setPen(QPen(accent, 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(ring, start16, -static_cast<int>(std::lround(sweep * 16)));

    // Body: a shaded dome inside the rim zone.
    const double bodyR = r * 0.72;
    QRadialGradient dome(c - QPointF(bodyR * 0.35, bodyR * 0.35), bodyR * 1.4);
    dome.setColorAt(0.0, on ? QColor(150, 158, 178) : QColor(120, 120, 125));
    dome.setColorAt(1.0, on ? QColor(38, 42, 54) : QColor(60, 60, 64));
    p.setPen(QPen(QColor(15, 17, 22), 1));
    p.setBrush(dome);
    p.drawEllipse(c, bodyR, bodyR);

    // Pointer from near the centre to the edge of the body.
    p.setPen(QPen(on ? QColor(255, 230, 255) : QColor(170, 170, 175), std::max(1.5, r / 12),
                  Qt::SolidLine, Qt::RoundCap));
    p.drawLine(Along(c, m_angle, bodyR * 0.25), Along(c, m_angle, bodyR * 0.9));

    if (isSliderDown()) {
        p.setPen(QPen(QColor(255, 83, 83), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, bodyR + 1.5, bodyR + 1.5);
    }
    if (hasFocus()) {
        p.setPen(QPen(accent, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
