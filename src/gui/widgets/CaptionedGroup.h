#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A group frame that draws its own caption into the top line, for the editors' dark background:
// a thin frame with the caption in white. Its children are the group's controls, placed in the
// group's own coordinates.
class CaptionedGroup : public QWidget {
    Q_OBJECT
public:
    static QColor CaptionColour() { return QColor(255, 255, 255); }
    static QColor FrameColour() { return QColor(120, 132, 156); }

    explicit CaptionedGroup(const QString& caption, QWidget* parent = nullptr);

    const QString& caption() const { return m_caption; }
    // Height of the caption line; the controls start below it.
    int captionHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
};
