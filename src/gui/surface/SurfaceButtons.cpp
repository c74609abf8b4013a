#include "gui/surface/SurfaceButtons.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Raised face with a one-pixel bevel; sunken while the mouse holds the button down.
void paintFace(QPainter& p, const QRect& r, const QColor& face, bool down) {
    p.fillRect(r, face);
    const QColor light = face.lighter(160);
    const QColor shade = face.darker(200);
    p.setPen(down ? shade : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? light : shade);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

MuteLampButton::MuteLampButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void MuteLampButton::setSounding(bool sounding) {
    m_sounding = sounding;
    setToolTip(sounding ? tr("On") : tr("Muted"));
    update();
}

void MuteLampButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    paintFace(p, rect(), QColor(60, 66, 82), isDown());

    // Loudspeaker: a box and a cone on the left half.
    const double h = r.height();
    const double w = r.width();
    const double cy = h / 2.0;
    QPainterPath speaker;
    speaker.moveTo(w * 0.12, cy - h * 0.14);
    speaker.lineTo(w * 0.26, cy - h * 0.14);
    speaker.lineTo(w * 0.46, cy - h * 0.34);
    speaker.lineTo(w * 0.46, cy + h * 0.34);
    speaker.lineTo(w * 0.26, cy + h * 0.14);
    speaker.lineTo(w * 0.12, cy + h * 0.14);
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? QColor(230, 230, 236) : QColor(140, 140, 140));
    p.drawPath(speaker);

    if (m_sounding) {
        // Two sound waves.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 230, 120), 1.4));
        for (int i = 1; i <= 2; ++i) {
            const double radius = h * 0.16 * i;
            p.drawArc(QRectF(w * 0.50 - radius, cy - radius, 2 * radius, 2 * radius), -50 * 16,
                      100 * 16);
        }
    } else {
        // Red no-entry sign over the right half.
        const double radius = std::min(w, h) * 0.3;
        const QPointF c(w * 0.68, cy);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(235, 20, 20), 2.0));
        p.drawEllipse(c, radius, radius);
        p.drawLine(c + QPointF(-radius * 0.7, -radius * 0.7),
                   c + QPointF(radius * 0.7, radius * 0.7));
    }
    if (hasFocus()) {
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

CurvePictureButton::CurvePictureButton(Picture picture, QWidget* parent)
    : QAbstractButton(parent), m_picture(picture) {
    setFocusPolicy(Qt::StrongFocus);
}

void CurvePictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect();
    paintFace(p, r, isEnabled() ? QColor(207, 207, 215) : QColor(150, 152, 160), isDown());

    const double left = r.left() + 4.0;
    const double right = r.right() - 4.0;
    const double top = r.top() + 3.0;
    const double bottom = r.bottom() - 3.0;
    const double mid = (left + right) / 2.0;
    QPainterPath curve;
    if (m_picture == Picture::Bell) {
        // A flat line with a peak in the middle.
        const double base = bottom - 1.0;
        const double width = (right - left) * 0.22;
        curve.moveTo(left, base);
        curve.lineTo(mid - 2 * width, base);
        curve.cubicTo(mid - width, base, mid - width * 0.5, top, mid, top);
        curve.cubicTo(mid + width * 0.5, top, mid + width, base, mid + 2 * width, base);
        curve.lineTo(right, base);
    } else {
        // Rising high-pass slope, flat pass band, falling low-pass slope.
        const double plateau = top + 1.0;
        curve.moveTo(left, bottom);
        curve.cubicTo(left + 4, bottom, left + 6, plateau, left + 12, plateau);
        curve.lineTo(right - 12, plateau);
        curve.cubicTo(right - 6, plateau, right - 4, bottom, right, bottom);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(isEnabled() ? QColor(20, 60, 200) : QColor(100, 104, 116), 1.6));
    p.drawPath(curve);
}
