#include "gui/widgets/ShortTextEdit.h"

#include "model/TextEntryRules.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>

#include <algorithm>

// Refuses a text with a character the unit cannot show, or longer than both the limit and the
// text the program put there.
class ShortTextEdit::TypingRule : public QValidator {
public:
    explicit TypingRule(ShortTextEdit& edit) : QValidator(&edit), m_edit(edit) {}

    State validate(QString& input, int& /*pos*/) const override {
        const bool typable = std::all_of(input.cbegin(), input.cend(), [](QChar c) {
            return IsTypableCharacter(static_cast<char32_t>(c.unicode()));
        });
        if (!typable)
            return Invalid;
        const qsizetype limit = std::max<qsizetype>(m_edit.m_maxChars, m_edit.m_shown.size());
        return input.size() > limit ? Invalid : Acceptable;
    }

private:
    ShortTextEdit& m_edit;
};

ShortTextEdit::ShortTextEdit(int maxChars, QWidget* parent)
    : QLineEdit(parent), m_maxChars(maxChars) {
    setValidator(new TypingRule(*this));
}

void ShortTextEdit::setMaxChars(int maxChars) {
    m_maxChars = maxChars;
}

void ShortTextEdit::showText(const QString& text) {
    m_shown = text;
    setText(text); // not validated, and clears the modified flag
}

bool ShortTextEdit::commit() {
    if (!isModified())
        return false;
    setModified(false);
    m_shown = text();
    emit committed(m_shown);
    return true;
}

void ShortTextEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commit();
        break; // then as usual: the dialog may press its default button
    case Qt::Key_Escape:
        if (isModified() && !isReadOnly()) {
            showText(m_shown);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void ShortTextEdit::focusOutEvent(QFocusEvent* event) {
    // A context menu borrows the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason)
        commit();
    QLineEdit::focusOutEvent(event);
}
