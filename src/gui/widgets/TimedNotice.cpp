#include "gui/widgets/TimedNotice.h"

#include <QMouseEvent>

#include <algorithm>

TimedNotice::TimedNotice(QWidget* parent) : QLabel(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kShownMs);
    connect(&m_timer, &QTimer::timeout, this, &TimedNotice::expire);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    hide();
}

void TimedNotice::showNotice(const QString& text) {
    m_notice = text;
    fit();
    show();
    raise();
    m_timer.start();
}

void TimedNotice::expire() {
    m_timer.stop();
    m_notice.clear();
    clear();
    hide();
}

void TimedNotice::mousePressEvent(QMouseEvent* event) {
    expire();
    event->accept();
}

void TimedNotice::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void TimedNotice::fit() {
    constexpr int kPadding = 8; // the label's own indent on both sides, and a little air
    const int room = contentsRect().width() - kPadding;
    const QString shown = fontMetrics().elidedText(m_notice, Qt::ElideRight, std::max(0, room));
    setText(shown);
    setToolTip(shown == m_notice ? QString() : m_notice);
}
