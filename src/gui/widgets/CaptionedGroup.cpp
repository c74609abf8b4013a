#include "gui/widgets/CaptionedGroup.h"

#include <QPainter>

CaptionedGroup::CaptionedGroup(const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption) {}

int CaptionedGroup::captionHeight() const {
    return fontMetrics().height();
}

void CaptionedGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    // The frame's top line runs through the middle of the caption.
    const QRectF frame = QRectF(rect()).adjusted(0.5, fm.height() / 2.0, -0.5, -0.5);
    const double gapLeft = frame.left() + 6;
    const double gapRight =
        m_caption.isEmpty() ? gapLeft : gapLeft + fm.horizontalAdvance(m_caption) + 6;
    p.setPen(QPen(FrameColour(), 1));
    p.drawLine(frame.topLeft(), QPointF(gapLeft, frame.top()));
    p.drawLine(QPointF(gapRight, frame.top()), frame.topRight());
    p.drawLine(frame.topRight(), frame.bottomRight());
    p.drawLine(frame.bottomRight(), frame.bottomLeft());
    p.drawLine(frame.bottomLeft(), frame.topLeft());
    if (!m_caption.isEmpty()) {
        p.setPen(CaptionColour());
        p.drawText(QRectF(gapLeft + 3, 0, gapRight - gapLeft, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    }
}
