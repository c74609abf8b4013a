#include "gui/widgets/GradientProgressBar.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdlib>

GradientProgressBar::Fill GradientProgressBar::ComputeFill(int length, int lower, int upper,
                                                           int position, QColor start, QColor end) {
    Fill fill{{}, 0};
    if (length <= 0 || upper <= 0 || position <= lower || position > upper) {
        return fill;
    }
    const int extent =
        static_cast<int>(static_cast<double>(position) / upper * static_cast<double>(length));
    const int dR = end.red() - start.red();
    const int dG = end.green() - start.green();
    const int dB = end.blue() - start.blue();
    // One band per step of the channel that changes most (255 for red to blue); one band when
    // the two colours are the same.
    const int n = std::max({std::abs(dR), std::abs(dG), std::abs(dB), 1});
    const double size = static_cast<double>(length) / n;
    for (int i = 0; i < n; ++i) {
        const int begin = static_cast<int>(i * size);
        const int far = static_cast<int>((i + 1) * size);
        const QColor colour(start.red() + static_cast<int>(i * (static_cast<double>(dR) / n)),
                            start.green() + static_cast<int>(i * (static_cast<double>(dG) / n)),
                            start.blue() + static_cast<int>(i * (static_cast<double>(dB) / n)));
        fill.bands.push_back(Band{begin, far, colour});
        if (extent < far) {
            fill.backgroundFrom = far;
            return fill;
        }
    }
    fill.backgroundFrom = length;
    return fill;
}

GradientProgressBar::GradientProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; no separate erase
}

void GradientProgressBar::setRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_position = lower;
    update();
}

void GradientProgressBar::setPos(int position) {
    m_position = position;
    update();
}

void GradientProgressBar::setStep(int step) {
    m_step = step;
}

void GradientProgressBar::stepIt() {
    setPos(m_position + m_step);
}

void GradientProgressBar::setVertical(bool vertical) {
    m_vertical = vertical;
    update();
}

QColor GradientProgressBar::backgroundColour() const {
    return palette().color(QPalette::Button);
}

void GradientProgressBar::paintEvent(QPaintEvent*) {
    const int length = m_vertical ? height() : width();
    const int across = m_vertical ? width() : height();
    const Fill fill = ComputeFill(length, m_lower, m_upper, m_position, m_start, m_end);
    // Composed off-screen and copied in one step so the bar never flickers.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    QPainter b(&buffer);
    auto span = [this, across](int from, int to) {
        return m_vertical ? QRect(0, from, across, to - from) : QRect(from, 0, to - from, across);
    };
    for (const Band& band : fill.bands) {
        if (band.end > band.begin) {
            b.fillRect(span(band.begin, band.end), band.colour);
        }
    }
    b.fillRect(span(fill.backgroundFrom, std::max(length, fill.backgroundFrom)),
               backgroundColour());
    b.end();
    QPainter p(this);
    p.drawPixmap(0, 0, buffer);
}
