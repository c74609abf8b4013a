#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A group frame that draws its own caption into the top line, for the editors' dark background:
// a thin frame with the caption in white. Its children are the group's controls, laid out by a
// layout set on the group: the group's contents margins keep them inside the frame and below the
// caption, and follow the font. The group is never narrower than its caption.
class CaptionedGroup : public QWidget {
    Q_OBJECT
public:
    static QColor CaptionColour() { return QColor(255, 255, 255); }
    static QColor FrameColour() { return QColor(120, 132, 156); }

    explicit CaptionedGroup(const QString& caption, QWidget* parent = nullptr);

    const QString& caption() const { return m_caption; }
    // Height of the caption line; the controls start below it.
    int captionHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The margins that keep the controls inside the frame, for the current font.
    void followFont();
    // The least width that shows the whole caption in the top line.
    int captionWidth() const;

    QString m_caption;
};
