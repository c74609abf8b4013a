#include "gui/widgets/LevelMeter.h"

#include <QPainter>

LevelMeter::Segments LevelMeter::SegmentsOfCode(int code) {
    Segments s{};
    auto lightBottom = [&s](int count) {
        for (int i = 0; i < count && i < kSegments; ++i) {
            s[static_cast<std::size_t>(i)] = true;
        }
    };
    if (code >= 1 && code <= 7) {
        lightBottom(code);
    } else if ((code >= 8 && code <= 15) || code >= 23) {
        lightBottom(kSegments);
    } else if (code >= 16 && code <= 22) {
        // 16..22: the clip mark on top, with the level below it counted from 17.
        lightBottom(code - 16);
        s[kSegments - 1] = true;
    }
    return s;
}

int LevelMeter::SegmentHeightOf(int clientHeight) {
    return (clientHeight - kReservedHeight) / kSegments;
}

QRect LevelMeter::SegmentFillRect(const QRect& client, int segment) {
    const int h = SegmentHeightOf(client.height());
    // Slot of the segment: full width, h rows, stacked upwards from the bottom edge with gaps.
    const int slotTop = client.top() + client.height() - h - segment * (h + kGap);
    QRect slot(client.left(), slotTop, client.width(), h);
    return slot.adjusted(1, 1, -1, 0);
}

QColor LevelMeter::SegmentColour(int segment) {
    if (segment == kSegments - 1) {
        return QColor(255, 0, 0);
    }
    if (segment == kSegments - 2) {
        return QColor(255, 255, 0);
    }
    return QColor(0, 255, 0);
}

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setupGeometry();
}

void LevelMeter::setupGeometry() {
    m_client = rect();
    m_segmentHeight = SegmentHeightOf(m_client.height());
}

void LevelMeter::showLevel(int code) {
    const Segments lit = SegmentsOfCode(code);
    if (lit == m_lit) {
        return;
    }
    m_lit = lit;
    update();
}

void LevelMeter::clear() {
    m_lit.fill(false);
    update();
}

void LevelMeter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setupGeometry();
}

void LevelMeter::paintEvent(QPaintEvent*) {
    if (m_client != rect()) {
        setupGeometry(); // resized while hidden: the resize event has not arrived yet
    }
    QPainter p(this);
    p.fillRect(rect(), BackgroundColour());
    if (m_segmentHeight <= 0) {
        return;
    }
    for (int i = 0; i < kSegments; ++i) {
        if (m_lit[static_cast<std::size_t>(i)]) {
            p.fillRect(SegmentFillRect(m_client, i), SegmentColour(i));
        }
    }
}
