#pragma once

#include <QAbstractButton>
#include <QColor>

// Two-state push button: state 1 is drawn raised in the first fill and text colours, state 0
// sunken in the second ones. A click (or Space) flips the state before the owner receives the
// ordinary clicked() signal, so the owner reads the new state there.
class TwoStateButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TwoStateButton(QWidget* parent = nullptr);
    explicit TwoStateButton(const QString& caption, QWidget* parent = nullptr);

    // Fill of state 1 and of state 0.
    void setColours(const QColor& fill1, const QColor& fill0);
    // Text colour of state 1 and of state 0.
    void setTextColours(const QColor& text1, const QColor& text0);
    // 0 or 1 (any non-zero value is 1); redraws.
    void setState(int state);
    int state() const { return isChecked() ? 1 : 0; }

    QColor fillColour(int state) const { return state ? m_fill1 : m_fill0; }
    QColor textColour(int state) const { return state ? m_text1 : m_text0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill1{212, 208, 200};
    QColor m_fill0{150, 150, 150};
    QColor m_text1{0, 0, 0};
    QColor m_text0{0, 0, 0};
};
