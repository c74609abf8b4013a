#include "gui/widgets/ElidingLabel.h"

#include <QResizeEvent>

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidingLabel::setFullText(const QString& text) {
    m_fullText = text;
    setToolTip(text);
    Elide();
}

QSize ElidingLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return {0, fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin()};
}

QSize ElidingLabel::minimumSizeHint() const {
    return sizeHint();
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void ElidingLabel::Elide() {
    setText(fontMetrics().elidedText(m_fullText, Qt::ElideRight, contentsRect().width()));
}
