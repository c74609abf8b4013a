#pragma once

#include <QAbstractButton>

// Picture buttons of a channel strip. The pictures are drawn with QPainter, so the program needs
// no image files.

// The mute lamp: a loudspeaker with sound waves while the channel is on, with a red no-entry
// sign while it is muted.
class MuteLampButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MuteLampButton(QWidget* parent = nullptr);
    void setSounding(bool sounding);
    bool isSounding() const { return m_sounding; }
    QSize sizeHint() const override { return QSize(23, 21); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_sounding = true;
};

// The EQ button (a bell-shaped curve) and the channel button (high-pass and low-pass slopes).
class CurvePictureButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Picture { Bell, Slopes };
    explicit CurvePictureButton(Picture picture, QWidget* parent = nullptr);
    Picture picture() const { return m_picture; }
    QSize sizeHint() const override { return QSize(61, 21); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture m_picture;
};
