#include "gui/widgets/CaptionedGroup.h"

#include "gui/support/DialogUnits.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Where the caption is drawn in the top line: the frame's line up to kCaptionGap, then the caption
// kCaptionIndent further in, then the line again kCaptionGap after the caption.
constexpr int kCaptionGap = 6;
constexpr int kCaptionIndent = 3;

} // namespace

CaptionedGroup::CaptionedGroup(const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption) {
    followFont();
}

void CaptionedGroup::followFont() {
    // In dialog units of the font: the controls start a line and a half down, below the
    // caption, and keep a small gap to the frame.
    const QFontMetrics fm = fontMetrics();
    const int side = FontDluX(fm, 4);
    setContentsMargins(side, FontDluY(fm, 13), side, FontDluY(fm, 4));
}

void CaptionedGroup::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        followFont();
    QWidget::changeEvent(event);
}

int CaptionedGroup::captionWidth() const {
    if (m_caption.isEmpty())
        return 0;
    return 2 * kCaptionGap + kCaptionIndent + fontMetrics().horizontalAdvance(m_caption) + 2;
}

QSize CaptionedGroup::sizeHint() const {
    QSize size = QWidget::sizeHint();
    size.setWidth(std::max(size.width(), captionWidth()));
    return size;
}

QSize CaptionedGroup::minimumSizeHint() const {
    QSize size = QWidget::minimumSizeHint();
    size.setWidth(std::max(size.width(), captionWidth()));
    return size;
}

int CaptionedGroup::captionHeight() const {
    return fontMetrics().height();
}

void CaptionedGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    // The frame's top line runs through the middle of the caption.
    const QRectF frame = QRectF(rect()).adjusted(0.5, fm.height() / 2.0, -0.5, -0.5);
    const double gapLeft = frame.left() + kCaptionGap;
    const double gapRight =
        m_caption.isEmpty() ? gapLeft : gapLeft + fm.horizontalAdvance(m_caption) + kCaptionGap;
    p.setPen(QPen(FrameColour(), 1));
    p.drawLine(frame.topLeft(), QPointF(gapLeft, frame.top()));
    p.drawLine(QPointF(gapRight, frame.top()), frame.topRight());
    p.drawLine(frame.topRight(), frame.bottomRight());
    p.drawLine(frame.bottomRight(), frame.bottomLeft());
    p.drawLine(frame.bottomLeft(), frame.topLeft());
    if (!m_caption.isEmpty()) {
        p.setPen(CaptionColour());
        p.drawText(QRectF(gapLeft + kCaptionIndent, 0, gapRight - gapLeft, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    }
}
