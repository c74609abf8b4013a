#include "gui/widgets/ValueEdit.h"

#include "gui/support/QtMessageSink.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

ControlMessageHook& Hook() {
    static ControlMessageHook hook;
    return hook;
}

} // namespace

void SetControlMessageHook(ControlMessageHook hook) {
    Hook() = std::move(hook);
}

void ShowControlMessage(QWidget* source, const QString& text) {
    if (Hook()) {
        Hook()(source, text);
        return;
    }
    // Shown once the current event is handled: the commit runs inside a focus change, and a
    // nested event loop there would let the focus move on under the half-finished change.
    QPointer<QWidget> window = source ? source->window() : nullptr;
    QTimer::singleShot(0, qApp, [window, text] {
        QMessageBox::warning(window ? window.data() : QApplication::activeWindow(),
                             QString::fromLatin1(QtMessageSink::kTitle), text);
    });
}

int ValueEdit::widthShowing(const QString& text) const {
    constexpr int kLineEditMargin = 2; // each side, inside the frame
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QMargins margins = contentsMargins() + textMargins();
    return fontMetrics().horizontalAdvance(text) + 2 * (frame + kLineEditMargin) + margins.left() +
           margins.right();
}

ValueEdit::ValueEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kMaxTypedChars);
    setAlignment(Qt::AlignCenter);
    // Only the operator's typing marks the text modified, never setText() from the owner.
    connect(this, &QLineEdit::textEdited, this, [this] { m_modified = true; });
    applyLook(Look::Idle);
}

void ValueEdit::setRange(int min, int max) {
    m_settings.min = min;
    m_settings.max = max;
}

void ValueEdit::setKind(int kind) {
    m_settings.kind = kind;
    setMaxLength(kMaxTypedChars);
    reformat();
}

bool ValueEdit::setValue(int v) {
    if (v < m_settings.min || v > m_settings.max) {
        return false;
    }
    m_value = v;
    m_modified = false;
    reformat();
    update();
    return true;
}

int ValueEdit::value() {
    if (m_modified) {
        applyEntry();
    }
    return m_value;
}

void ValueEdit::setStep(double step) {
    m_settings.step = step;
}

void ValueEdit::setOffset(double offset) {
    m_settings.offset = offset;
}

void ValueEdit::setUnit(const QString& unit) {
    m_unit = unit.toStdString();
    m_settings.unit = m_unit;
}

void ValueEdit::setTemperature(int celsius) {
    m_settings.temperatureC = celsius;
    if (!m_modified) {
        reformat();
    }
}

void ValueEdit::setColours(const QColor& text, const QColor& background) {
    m_idleText = text;
    m_idleBackground = background;
    if (m_look == Look::Idle) {
        applyLook(Look::Idle);
    }
}

QColor ValueEdit::currentTextColour() const {
    return palette().color(QPalette::Text);
}

QColor ValueEdit::currentBackgroundColour() const {
    return palette().color(QPalette::Base);
}

void ValueEdit::applyLook(Look look) {
    m_look = look;
    QColor text = m_idleText;
    QColor background = m_idleBackground;
    if (look == Look::Editing) {
        text = EditingText();
        background = EditingBackground();
    } else if (look == Look::Committed) {
        text = CommittedText();
        background = CommittedBackground();
    }
    QPalette pal = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::Text, text);
        pal.setColor(g, QPalette::Base, background);
    }
    setPalette(pal);
}

void ValueEdit::reformat() {
    const std::optional<std::string> text = FormatDisplayKind(m_settings, m_value);
    if (text) {
        setText(QString::fromStdString(*text));
    }
}

bool ValueEdit::applyEntry() {
    m_modified = false;
    const std::string typed = text().toStdString();
    const DisplayEntry e = ApplyDisplayEntry(m_settings, m_value, typed);
    switch (e.outcome) {
    case EntryOutcome::Commit:
        m_value = e.index;
        reformat();
        return true;
    case EntryOutcome::Refused: {
        // Nothing is taken: the stored value shows again, and the operator learns why. A number
        // between two steps is no mistake worth a box: the status line says it.
        reformat();
        const QString message = QString::fromStdString(EntryRefusalMessage(m_settings, e, typed));
        if (e.problem == EntryProblem::BetweenSteps)
            emit notice(message);
        else
            ShowControlMessage(this, message);
        return false;
    }
    case EntryOutcome::Restore:
        reformat();
        return false;
    case EntryOutcome::OwnerText:
        return true;
    case EntryOutcome::KeepText:
        return false;
    }
    return false;
}

bool ValueEdit::commit() {
    if (!m_modified) {
        return false;
    }
    const bool tell = applyEntry();
    if (tell) {
        emit committed();
    }
    return tell;
}

void ValueEdit::discardTyping() {
    if (!m_modified) {
        return;
    }
    m_modified = false;
    reformat();
}

void ValueEdit::stepBy(int delta) {
    if (isReadOnly() || m_settings.kind == kKindOwnerText) {
        return;
    }
    const int current = value();
    const int next =
        std::clamp(current + delta, m_settings.min, std::max(m_settings.min, m_settings.max));
    if (next != current && setValue(next)) {
        emit committed();
    }
}

void ValueEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    applyLook(Look::Editing);
}

void ValueEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A popup (a menu of the edit, the message box's own window) takes the focus only for a
    // moment; the entry is committed when the focus really leaves.
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    const bool wasModified = m_modified;
    applyLook(wasModified ? Look::Committed : Look::Idle);
    commit();
}

bool ValueEdit::event(QEvent* event) {
    // Undo and redo belong to the text only while the operator is typing; otherwise they are
    // left to the window's actions (the edit history of the settings).
    if (event->type() == QEvent::ShortcutOverride && !m_modified) {
        const QKeyCombination pressed = static_cast<QKeyEvent*>(event)->keyCombination();
        const QKeyCombination historyKeys[] = {
            QKeyCombination(Qt::ControlModifier, Qt::Key_Z),
            QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z),
            QKeyCombination(Qt::ControlModifier, Qt::Key_Y)};
        if (std::find(std::begin(historyKeys), std::end(historyKeys), pressed) !=
            std::end(historyKeys)) {
            event->ignore();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void ValueEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Commit, keep the editing look, and keep the key from pressing a dialog's default
        // button.
        commit();
        event->accept();
        return;
    case Qt::Key_Escape:
        if (m_modified) {
            discardTyping();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Up:
        stepBy(1);
        event->accept();
        return;
    case Qt::Key_Down:
        stepBy(-1);
        event->accept();
        return;
    case Qt::Key_PageUp:
        stepBy(m_pageStep);
        event->accept();
        return;
    case Qt::Key_PageDown:
        stepBy(-m_pageStep);
        event->accept();
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}
