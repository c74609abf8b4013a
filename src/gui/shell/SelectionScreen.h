#pragma once

#include <QPixmap>
#include <QWidget>

class QPushButton;

// The selection screen: a picture and the three device buttons "4x8", "3x6" and "2x4". A button
// does nothing but issue its main-window command.
class SelectionScreen : public QWidget {
    Q_OBJECT
public:
    explicit SelectionScreen(QWidget* parent = nullptr);

    QPushButton* Button4x8() const { return m_buttons[0]; }
    QPushButton* Button3x6() const { return m_buttons[1]; }
    QPushButton* Button2x4() const { return m_buttons[2]; }

    static QColor BackgroundColour() { return QColor(48, 54, 68); }
    static QColor LineColour() { return QColor(0, 180, 225); }
    // Pixels below the top at which the line is drawn across the screen.
    static constexpr int kLineY = 252;
    // The picture: a loudspeaker with musical notes on a blue ground, 200 by 173 pixels.
    static QPixmap Picture();

signals:
    void commandIssued(int command);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QPushButton* m_buttons[3] = {};
};
