#include "gui/widgets/StatusLed.h"

#include <QPainter>

#include <cmath>

namespace {

struct LedColours {
    int code;
    QColor bright;
    QColor dark;
};

const LedColours kLedColours[] = {
    {StatusLed::Red, QColor(250, 0, 0), QColor(150, 0, 0)},
    {StatusLed::Green, QColor(0, 250, 0), QColor(0, 150, 0)},
    {StatusLed::Blue, QColor(0, 0, 250), QColor(0, 0, 150)},
    {StatusLed::Yellow, QColor(200, 200, 0), QColor(150, 150, 0)},
};

const LedColours& ColoursOf(int code) {
    for (const LedColours& c : kLedColours) {
        if (c.code == code) {
            return c;
        }
    }
    return kLedColours[0];
}

} // namespace

QColor StatusLed::BrightColour(int colourCode) {
    return ColoursOf(colourCode).bright;
}

QColor StatusLed::DarkColour(int colourCode) {
    return ColoursOf(colourCode).dark;
}

StatusLed::StatusLed(QWidget* parent) : QWidget(parent) {
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StatusLed::tick);
}

void StatusLed::start(int colourCode, int shapeCode, int periodMs) {
    m_colour = colourCode;
    m_shape = shapeCode;
    m_period = periodMs > 0 ? periodMs : 0;
    m_savedPeriod = m_period;
    if (m_period > 0) {
        m_timer.start(m_period);
    } else {
        m_timer.stop();
    }
}

void StatusLed::restart() {
    start(m_colour, m_shape, m_savedPeriod);
}

void StatusLed::stop() {
    // A second stop must not forget the period a later restart needs.
    if (m_period > 0) {
        m_savedPeriod = m_period;
    }
    m_period = 0;
    m_timer.stop();
}

void StatusLed::setKeepBlinking(bool keep) {
    m_keepBlinking = keep;
}

void StatusLed::tick() {
    if (m_period == 0) {
        return;
    }
    if (!m_keepBlinking) {
        // This tick is the last: draw the frame that is due and stay on it.
        m_period = 0;
        m_keepBlinking = true;
        m_timer.stop();
    }
    if (m_phase == 1) {
        m_shown = BrightColour(m_colour);
        m_phase = 0;
    } else {
        m_shown = DarkColour(m_colour);
        m_phase = 1;
    }
    m_hasFrame = true;
    update();
}

void StatusLed::paintEvent(QPaintEvent*) {
    // Only ticks change the picture; a repaint shows the frame the last tick drew.
    if (!m_hasFrame) {
        return;
    }
    QPainter p(this);
    if (m_shape == Square) {
        drawSquare(p);
    } else {
        drawCircle(p);
    }
}

void StatusLed::drawCircle(QPainter& p) const {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(QPen(m_shown, 1));
    p.setBrush(m_shown);
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(128, 128, 128), 2));
    p.drawEllipse(r);
    p.setPen(QPen(QColor(192, 192, 192), 1));
    p.drawEllipse(r);
    // Highlight on the lower right rim: counterclockwise from straight down to the direction of
    // the top-right corner.
    constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
    const double toCorner = std::atan2(r.height(), r.width()) * kDegreesPerRadian;
    p.setPen(QPen(Qt::white, 1));
    const int startAngle = 270 * 16;
    const int span = static_cast<int>((90.0 + toCorner) * 16.0);
    p.drawArc(r, startAngle, span);
    // Small glint near the top-left.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(rect().left() + 4, rect().top() + 4, 2, 2), Qt::white);
}

void StatusLed::drawSquare(QPainter& p) const {
    const QRect r = rect();
    p.fillRect(r, m_shown);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.drawLine(r.topLeft(), r.topRight());
    p.setPen(QColor(192, 192, 192));
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
}
