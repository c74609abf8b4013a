#include "gui/widgets/TwoStateButton.h"

#include <QPainter>

TwoStateButton::TwoStateButton(QWidget* parent) : TwoStateButton(QString(), parent) {}

TwoStateButton::TwoStateButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    // The base class flips a checkable button before it emits clicked(): exactly the order the
    // owners rely on.
    setCheckable(true);
    setChecked(true); // state 1, the normal look
    setFocusPolicy(Qt::StrongFocus);
}

void TwoStateButton::setColours(const QColor& fill1, const QColor& fill0) {
    m_fill1 = fill1;
    m_fill0 = fill0;
    update();
}

void TwoStateButton::setTextColours(const QColor& text1, const QColor& text0) {
    m_text1 = text1;
    m_text0 = text0;
    update();
}

void TwoStateButton::setState(int state) {
    setChecked(state != 0);
    update();
}

QSize TwoStateButton::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return QSize(fm.horizontalAdvance(text()) + 12, fm.height() + 6);
}

void TwoStateButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int s = state();
    const QRect r = rect();
    // While the mouse holds the button down it shows the state it is about to take.
    const bool sunken = (s == 0) != isDown();
    p.fillRect(r, fillColour(s));

    // Two-pixel bevel: light on the top-left for raised, on the bottom-right for sunken.
    const QColor light = fillColour(s).lighter(150);
    const QColor shade = fillColour(s).darker(170);
    const QColor outer = QColor(20, 20, 24);
    const QColor topLeft = sunken ? shade : light;
    const QColor bottomRight = sunken ? light : shade;
    p.setPen(outer);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect in = r.adjusted(1, 1, -2, -2);
    p.setPen(topLeft);
    p.drawLine(in.topLeft(), in.topRight());
    p.drawLine(in.topLeft(), in.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(in.bottomLeft(), in.bottomRight());
    p.drawLine(in.topRight(), in.bottomRight());

    QRect textRect = r;
    if (sunken) {
        textRect.translate(1, 1); // the caption sinks with the face
    }
    p.setPen(isEnabled() ? textColour(s) : QColor(128, 128, 128));
    p.setFont(font());
    p.drawText(textRect, Qt::AlignCenter, text());

    if (hasFocus()) {
        p.setPen(QPen(textColour(s), 1, Qt::DotLine));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}
