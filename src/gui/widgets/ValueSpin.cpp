#include "gui/widgets/ValueSpin.h"

#include "gui/widgets/ControlMath.h"
#include "gui/widgets/ValueEdit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ValueSpin::ValueSpin(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus); // the keyboard works through the buddy
    m_repeatTimer.setSingleShot(false);
    m_reportTimer.setInterval(kReportIntervalMs);
    connect(&m_repeatTimer, &QTimer::timeout, this, &ValueSpin::repeatTick);
    connect(&m_reportTimer, &QTimer::timeout, this, &ValueSpin::reportTick);
}

void ValueSpin::setBuddy(ValueEdit* edit) {
    if (m_buddy) {
        m_buddy->removeEventFilter(this);
        disconnect(m_buddy, &QObject::destroyed, this, nullptr);
    }
    m_buddy = edit;
    m_filtered = edit;
    if (m_buddy) {
        m_buddy->installEventFilter(this);
        m_buddy->setRange(m_min, m_max);
        // The buddy may go first (widget teardown): its events from then on are no longer ours.
        connect(m_buddy, &QObject::destroyed, this, [this](QObject* gone) {
            if (gone == m_filtered) {
                gone->removeEventFilter(this);
                m_filtered = nullptr;
            }
        });
    }
}

void ValueSpin::setRange(int min, int max) {
    m_min = min;
    m_max = max;
    m_position = std::clamp(m_position, m_min, std::max(m_min, m_max));
    if (m_buddy) {
        m_buddy->setRange(min, max);
    }
}

int ValueSpin::position() {
    if (m_buddy) {
        m_position = m_buddy->value();
    }
    return m_position;
}

bool ValueSpin::setPosition(int v) {
    if (v < m_min || v > m_max) {
        ShowControlMessage(this, QString::fromUtf8(kBadPositionText));
        return false;
    }
    m_position = v;
    if (m_buddy) {
        m_buddy->setValue(v);
    }
    return true;
}

void ValueSpin::stepBy(int delta) {
    const int before = m_position;
    // The buddy holds what the operator sees: committed typed text, or a value the owner put
    // there directly.
    const int current = m_buddy ? m_buddy->value() : m_position;
    const int next = std::clamp(current + delta, m_min, std::max(m_min, m_max));
    m_position = next;
    if (next != before) {
        m_changed = true;
    }
    if (m_buddy) {
        m_buddy->setValue(next);
    }
    if (!isHeld()) {
        report();
    }
    update();
}

void ValueSpin::report() {
    if (!m_changed) {
        return;
    }
    m_changed = false;
    emit notified();
}

void ValueSpin::pressArrow(int direction) {
    if (!isEnabled() || direction == 0) {
        return;
    }
    m_held = direction > 0 ? 1 : -1;
    m_repeats = 0;
    stepBy(m_held);
    m_repeatTimer.start(kRepeatDelayMs);
    m_reportTimer.start();
}

void ValueSpin::releaseArrow() {
    if (!isHeld()) {
        return;
    }
    m_held = 0;
    m_repeatTimer.stop();
    m_reportTimer.stop();
    report();
    update();
}

void ValueSpin::repeatTick() {
    if (!isHeld()) {
        return;
    }
    if (m_repeatTimer.interval() != kRepeatIntervalMs) {
        m_repeatTimer.setInterval(kRepeatIntervalMs);
    }
    // The longer the arrow is held, the larger the steps.
    stepBy(m_held * controlmath::HeldSpinStep(++m_repeats, m_min, m_max));
}

void ValueSpin::reportTick() {
    if (isHeld()) {
        report();
    }
}

void ValueSpin::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressArrow(event->position().y() < height() / 2.0 ? 1 : -1);
}

void ValueSpin::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        releaseArrow();
    }
}

void ValueSpin::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        releaseArrow();
    }
}

bool ValueSpin::eventFilter(QObject* watched, QEvent* event) {
    // Compared as a plain object: while the buddy is being destroyed it is no ValueEdit any more,
    // and its teardown still sends events through this filter.
    if (event->type() == QEvent::KeyPress && watched == m_filtered && !m_buddy.isNull() &&
        isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int delta = 0;
        switch (key->key()) {
        case Qt::Key_Up:
            delta = 1;
            break;
        case Qt::Key_Down:
            delta = -1;
            break;
        case Qt::Key_PageUp:
            delta = kPageStep;
            break;
        case Qt::Key_PageDown:
            delta = -kPageStep;
            break;
        default:
            break;
        }
        if (delta != 0 && !m_buddy->isReadOnly()) {
            stepBy(delta);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ValueSpin::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double half = all.height() / 2.0;
    const QColor face(72, 80, 100);
    const QColor pressedFace(40, 45, 58);
    const QColor light(120, 130, 155);
    const QColor dark(24, 27, 36);
    const QColor arrow = isEnabled() ? QColor(255, 230, 255) : QColor(130, 130, 140);

    for (int part = 0; part < 2; ++part) {
        const int direction = part == 0 ? 1 : -1;
        const QRectF r(all.left(), all.top() + part * half, all.width(), half);
        const bool sunken = m_held == direction;
        p.fillRect(r, sunken ? pressedFace : face);
        p.setPen(sunken ? dark : light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(sunken ? light : dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());

        const double w = std::min(r.width() * 0.5, r.height() * 0.8);
        const double h = w / 2.0;
        const QPointF c = r.center() + (sunken ? QPointF(0.5, 0.5) : QPointF());
        QPainterPath tri;
        if (direction > 0) {
            tri.moveTo(c.x() - w / 2, c.y() + h / 2);
            tri.lineTo(c.x() + w / 2, c.y() + h / 2);
            tri.lineTo(c.x(), c.y() - h / 2);
        } else {
            tri.moveTo(c.x() - w / 2, c.y() - h / 2);
            tri.lineTo(c.x() + w / 2, c.y() - h / 2);
            tri.lineTo(c.x(), c.y() + h / 2);
        }
        tri.closeSubpath();
        p.fillPath(tri, arrow);
    }
}
