#pragma once

#include <QLineEdit>
#include <QString>

// An edit for the short texts the unit keeps one byte per character: program names, channel
// names and the interface lines. Typing is limited to a number of characters and to printable
// ASCII; a character past the limit, or any other character (an accented or a Chinese one), is
// refused as it is typed or pasted. Text the program shows is never cut: a longer name the unit
// reported stays whole, and typing may only not make it longer.
//
// Committing: Enter or losing the focus tells the owner through committed() when the text was
// changed since it was shown or last committed; an untouched edit tells nothing. Esc while the
// text is changed brings back the text shown before typing (and is not passed on, so it does not
// close the dialog); Esc on an unchanged edit is passed on.
class ShortTextEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ShortTextEdit(int maxChars, QWidget* parent = nullptr);

    void setMaxChars(int maxChars);
    int maxChars() const { return m_maxChars; }

    // Shows `text` as unchanged; it becomes the text Esc brings back.
    void showText(const QString& text);
    // True when the operator has changed the text since it was shown or last committed.
    bool isChanged() const { return isModified(); }
    // Commits a changed text now, as losing the focus would; returns whether the owner was told.
    bool commit();

signals:
    void committed(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class TypingRule;

    int m_maxChars;
    QString m_shown;
};
