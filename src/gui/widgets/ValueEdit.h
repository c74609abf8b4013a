#pragma once

#include "model/ValueFormats.h"

#include <QColor>
#include <QLineEdit>
#include <QString>

#include <functional>

class QWidget;

// How the value entry controls show their fixed messages ("Out of Range", "Pos设定错误"). By
// default a modal warning box titled "Tavrel" over the control's window, opened as soon as the
// current event is handled; tests and the application may route the texts elsewhere. An empty hook
// restores the default.
using ControlMessageHook = std::function<void(QWidget* source, const QString& text)>;
void SetControlMessageHook(ControlMessageHook hook);
void ShowControlMessage(QWidget* source, const QString& text);

// Numeric edit that holds an integer index and shows it as engineering text according to its
// display kind. Typed text is committed when the edit loses the keyboard focus (or on Enter):
// the kind's entry rule turns it into an index and the owner is told through committed(). A text
// out of range ("Out of Range") or no number ("Not a number") is refused with a message naming the
// allowed range: the stored index shows again and nobody is told, so nothing reaches the unit. A
// number between two steps of the scale is refused too, and said through notice().
// Undo and redo keys undo typing while there is typing to undo, and are otherwise left to the
// window's actions.
class ValueEdit : public QLineEdit {
    Q_OBJECT
public:
    // Look while idle (light text, the parent's background shows through), while the operator
    // edits, and after a commit.
    static QColor IdleText() { return QColor(255, 230, 255); }
    static QColor EditingText() { return QColor(255, 83, 83); }
    static QColor EditingBackground() { return QColor(255, 255, 255); }
    static QColor CommittedText() { return QColor(255, 230, 255); }
    static QColor CommittedBackground() { return QColor(48, 54, 68); }
    // Largest number of characters the edit accepts while the operator types.
    static constexpr int kMaxTypedChars = 9;

    explicit ValueEdit(QWidget* parent = nullptr);

    // The least width that shows `text` whole in the edit's font, within its frame and margins.
    int widthShowing(const QString& text) const;

    void setRange(int min, int max);
    // Sets the display kind, limits typing to 9 characters and reformats.
    void setKind(int kind);
    // Stores v and reformats; a value outside min..max is ignored (returns false). Typed text
    // that was not committed is discarded.
    bool setValue(int v);
    // The index; typed text that was not committed yet is committed first (its entry rule
    // applies: a refused text leaves the stored index), without notifying the owner, who is
    // asking right now.
    int value();
    // The stored index, leaving typed text alone.
    int storedValue() const { return m_value; }
    // Step of kinds 3 and 10, offset of kind 10.
    void setStep(double step);
    void setOffset(double offset);
    // The unit of kinds 3, 4, 9 and 10, whose unit depends on the field ("dB"); named with the
    // allowed range when an entry is out of range. The other kinds know their own.
    void setUnit(const QString& unit);
    // Temperature in degrees C for the metre and feet kinds; reformats.
    void setTemperature(int celsius);
    // Steps of the Page keys in an edit without arrows (10 unless set).
    void setPageStep(int steps) { m_pageStep = steps; }

    int kind() const { return m_settings.kind; }
    int minimum() const { return m_settings.min; }
    int maximum() const { return m_settings.max; }
    double step() const { return m_settings.step; }
    double offset() const { return m_settings.offset; }
    int temperature() const { return m_settings.temperatureC; }
    // True while the operator has typed since the last commit.
    bool isValueModified() const { return m_modified; }

    // Colours of the idle look (text, background); the defaults are light text on a
    // transparent background.
    void setColours(const QColor& text, const QColor& background);
    QColor currentTextColour() const;
    QColor currentBackgroundColour() const;

    // Commits typed text now, as losing the focus would; returns true when the owner was told.
    bool commit();
    // Drops typed text that was not committed and shows the stored index again (Esc): nothing
    // is committed and the owner is not told.
    void discardTyping();

signals:
    // A commit stored an index (or, for kind 6, left text for the owner to read).
    void committed();
    // Something the operator should know that needs no box (a number between two steps was not
    // taken); for the status line.
    void notice(const QString& text);

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Look { Idle, Editing, Committed };
    void applyLook(Look look);
    void reformat();
    // Applies the entry rule to typed text; returns true when the owner must be told.
    bool applyEntry();
    // Arrow and page keys of an edit without a spin: step the index and commit.
    void stepBy(int delta);

    DisplayKindSettings m_settings;
    std::string m_unit; // the text m_settings.unit views
    int m_value = 0;
    int m_pageStep = 10;
    bool m_modified = false;
    QColor m_idleText = IdleText();
    QColor m_idleBackground = Qt::transparent;
    Look m_look = Look::Idle;
};
