#include "gui/shell/SelectionScreen.h"

#include "gui/surface/ControlSurface.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>

#include <cmath>

namespace {

// This form is laid out in dialog units of Arial 10, larger than those of the control surfaces:
// 1.75 pixels per horizontal and 2 per vertical unit.
QRect FormRect(int x, int y, int w, int h) {
    auto px = [](int dlu) { return static_cast<int>(std::lround(dlu * 1.75)); };
    return QRect(px(x), y * 2, px(x + w) - px(x), h * 2);
}

// One button per device model, captioned with its label, on one row.
struct DeviceButton {
    int deviceType;
    int x;
};
constexpr DeviceButton kButtons[] = {
    {kDeviceType4x8, 156},
    {kDeviceType3x6, 232},
    {kDeviceType2x4, 311},
};
constexpr int kButtonY = 131;
constexpr int kPictureX = 229;
constexpr int kPictureY = 33;

void DrawNote(QPainter& p, QPointF head, double stem, bool pair) {
    p.save();
    p.translate(head);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), 6.5, 4.5);
    p.restore();
    p.drawRect(QRectF(head.x() + 4.8, head.y() - stem, 2, stem));
    if (pair) {
        p.drawEllipse(QPointF(head.x() + 22, head.y() - 4), 6.5, 4.5);
        p.drawRect(QRectF(head.x() + 26.8, head.y() - 4 - stem, 2, stem));
        QPolygonF beam;
        beam << QPointF(head.x() + 4.8, head.y() - stem)
             << QPointF(head.x() + 28.8, head.y() - 4 - stem)
             << QPointF(head.x() + 28.8, head.y() - stem + 1)
             << QPointF(head.x() + 4.8, head.y() - stem + 5);
        p.drawPolygon(beam);
    } else {
        QPainterPath flag;
        flag.moveTo(head.x() + 6.8, head.y() - stem);
        flag.cubicTo(head.x() + 12, head.y() - stem + 6, head.x() + 18, head.y() - stem + 10,
                     head.x() + 12, head.y() - stem + 20);
        flag.cubicTo(head.x() + 14, head.y() - stem + 12, head.x() + 10, head.y() - stem + 9,
                     head.x() + 6.8, head.y() - stem + 7);
        p.drawPath(flag);
    }
}

} // namespace

QPixmap SelectionScreen::Picture() {
    QPixmap pixmap(200, 173);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, 173);
    ground.setColorAt(0, QColor(20, 70, 170));
    ground.setColorAt(1, QColor(8, 26, 84));
    p.fillRect(pixmap.rect(), ground);

    // Cabinet with a woofer and a tweeter.
    const QRectF cabinet(28, 22, 86, 136);
    p.setPen(QPen(QColor(10, 12, 18), 2));
    p.setBrush(QColor(36, 38, 46));
    p.drawRoundedRect(cabinet, 6, 6);
    auto driver = [&](QPointF c, double r) {
        QRadialGradient cone(c, r);
        cone.setColorAt(0, QColor(120, 124, 136));
        cone.setColorAt(0.35, QColor(60, 62, 72));
        cone.setColorAt(0.8, QColor(22, 24, 30));
        cone.setColorAt(1, QColor(150, 154, 166));
        p.setPen(QPen(QColor(170, 174, 186), 1.5));
        p.setBrush(cone);
        p.drawEllipse(c, r, r);
        p.setBrush(QColor(30, 30, 36));
        p.drawEllipse(c, r * 0.25, r * 0.25);
    };
    driver(QPointF(71, 52), 17);
    driver(QPointF(71, 112), 33);

    // Musical notes rising from the speaker.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 255));
    DrawNote(p, QPointF(136, 78), 34, false);
    DrawNote(p, QPointF(140, 140), 36, true);
    p.setBrush(QColor(0, 180, 225));
    DrawNote(p, QPointF(160, 50), 30, false);
    return pixmap;
}

SelectionScreen::SelectionScreen(QWidget* parent) : QWidget(parent), m_picture(Picture()) {
    QFont formFont = font();
    formFont.setFamily(QStringLiteral("Arial"));
    formFont.setPixelSize(13);
    setFont(formFont);
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const DeviceButton& b = kButtons[i];
        const std::string_view label = DeviceModelOf(b.deviceType).label;
        auto* button = new QPushButton(
            QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())), this);
        button->setGeometry(FormRect(b.x, kButtonY, 67, 14));
        const int command = SurfaceLayoutOf(b.deviceType).command;
        connect(button, &QPushButton::clicked, this,
                [this, command] { emit commandIssued(command); });
        m_buttons[i] = button;
    }
}

void SelectionScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), BackgroundColour());
    p.drawPixmap(FormRect(kPictureX, kPictureY, 0, 0).topLeft(), m_picture);
    p.setPen(QPen(LineColour(), 1));
    p.drawLine(10, kLineY, width() - 1 - 10, kLineY);
}
