#pragma once

#include <QLabel>
#include <QString>

// A one-line label for a text of any length in a laid-out dialog: it takes the width the layout
// gives it, never asks for more, shows as much of the text as fits with "..." at the end, and
// offers the whole text as its tool tip.
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // The whole text; text() is what is shown of it.
    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

    // One line high, whether a text is shown or not; no width of its own.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString m_fullText;
};
