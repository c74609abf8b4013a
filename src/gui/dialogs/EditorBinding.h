#pragma once

#include "model/ChannelEditRules.h"
#include "model/ValueFormats.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <utility>
#include <vector>

class Fader;
class QAbstractButton;
class QComboBox;
class QLabel;
class QWidget;
class RotaryKnob;
class TwoStateButton;
class ValueEdit;
class ValueSpin;

// Binds an editor's controls to the values of a channel record, so an editor is a table of
// fields plus its layout. A field is one value as the editor shows it (an index), how the value
// is written (through the editing rules and the record's setters), when its controls can be used
// and when they are shown at all (a shelf has no bandwidth). Any number of controls show one field
// and are kept in step: a delay's three edits, their arrows and its slider all follow whichever of
// them the operator moves.
//
// After every write the binding shows every field again, because one value can change what
// another shows or allows (a new high-pass frequency changes the automatic attack, the attack
// changes the release text, Auto disables the timing). Two things are kept meanwhile: the text of
// another edit the operator is still typing into, and the thumb of the fader being moved, unless
// a rule stored something else than the fader asked for (its positions and the frequencies do not
// map one to one). A fader released, or a knob or fader reporting, at the position the binding
// last showed writes nothing: that position may stand for another value than the one stored.
//
// A write that a rule corrected or refused is reported through ruleApplied(), so the editor can
// say what happened; notices of the value boxes (a number between two steps) go out as notice().
class EditorBinding : public QObject {
    Q_OBJECT
public:
    using FieldId = int;

    struct Field {
        QString name;               // names the value in written(): "highPass.frequency"
        std::function<int()> shown; // the index the controls show now
        // Applies the rules: written, corrected, unchanged or refused.
        std::function<ChannelEditRules::Edit(int)> write;
        std::function<bool()> enabled{}; // when the controls can be used; empty: always
        std::function<bool()> visible{}; // when the controls are shown; empty: always
    };

    explicit EditorBinding(QObject* parent = nullptr);

    FieldId addField(Field field);
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const QString& fieldName(FieldId id) const;
    // The field of that name; -1 when there is none.
    FieldId findField(const QString& name) const;

    // ---- Controls; each shows the field's index and writes what the operator enters ----------
    // A numeric edit with its display kind, range and unit; a commit writes. Kinds without an entry
    // rule (slope, ratio) make a read-only display.
    void bindEdit(FieldId id, ValueEdit* edit, const DisplayKindSettings& settings);
    // A numeric edit with its arrows: a commit or a step writes.
    void bindSpin(FieldId id, ValueSpin* spin, ValueEdit* edit,
                  const DisplayKindSettings& settings);
    // A fader over 0..max with the top as max: index = max - position.
    void bindFader(FieldId id, Fader* fader, int max);
    // A fader over the 240 logarithmic frequency steps, 30 kHz at the top.
    void bindFrequencyFader(FieldId id, Fader* fader);
    // A knob over min..max, or over the frequency steps.
    void bindKnob(FieldId id, RotaryKnob* knob, int min, int max);
    void bindFrequencyKnob(FieldId id, RotaryKnob* knob);
    // Radio buttons, each standing for an index: the one of the shown index is checked.
    void bindRadios(FieldId id, std::vector<std::pair<QAbstractButton*, int>> choices);
    // Two-state buttons, each standing for an index: the one of the shown index is pressed
    // (state 0), the others are up; pressing the pressed one again changes nothing.
    void bindPressed(FieldId id, std::vector<std::pair<TwoStateButton*, int>> choices);
    // A two-state button for one bit of a mask: state 1 and onText while the bit is set.
    void bindBit(FieldId id, TwoStateButton* button, int bit, const QString& onText,
                 const QString& offText);
    // A read-only edit whose text the editor composes from the record.
    void bindText(FieldId id, ValueEdit* edit, std::function<QString()> text);
    // A widget (a label, a unit) that is only enabled together with the field's controls.
    void bindEnabled(FieldId id, QWidget* widget);
    // A drop-down list whose entry i stands for index i; choosing an entry writes.
    void bindCombo(FieldId id, QComboBox* combo);
    // A label whose text the editor composes from the record (a unit that follows a type).
    void bindLabel(FieldId id, QLabel* label, std::function<QString()> text);

    // Shows every field from the record, dropping text being typed (a new channel or program).
    void refresh();
    // Shows these fields from the record, dropping text being typed in their edits; the other
    // fields' controls are left alone (a value changed elsewhere, such as a drag on the graph).
    void refresh(const std::vector<FieldId>& fields);
    // Writes `index` to a field as the operator's entry would, then shows every field again.
    // Returns whether something was written.
    bool enter(FieldId id, int index);

signals:
    // A field was written: the index it showed before and the one it shows now.
    void written(const QString& field, int before, int after);
    // A rule stored or kept another value than the one asked for (`edit` Corrected; `after` is
    // what the field shows now), or refused it (Refused; nothing was written).
    void ruleApplied(const QString& field, int asked, int after, ChannelEditRules::Edit edit);
    // A value box has something to say that needs no box.
    void notice(const QString& text);

private:
    enum class Kind {
        Edit,
        Spin,
        Fader,
        FrequencyFader,
        Knob,
        FrequencyKnob,
        Radios,
        Pressed,
        Bit,
        Text,
        Enabled,
        Combo,
        Label
    };
    struct Control {
        FieldId field = 0;
        Kind kind = Kind::Enabled;
        QPointer<QWidget> widget{}; // the control itself (the fader, the edit, the button)
        QPointer<ValueSpin> spin{}; // Spin
        QPointer<ValueEdit> edit{}; // Edit, Spin, Text
        int min = 0;                // Fader, Knob
        int max = 0;                // Fader, Knob
        int bit = 0;                // Bit
        QString onText{};           // Bit
        QString offText{};
        std::vector<std::pair<QPointer<QAbstractButton>, int>> choices{}; // Radios, Pressed
        std::function<QString()> text{};                                  // Text, Label
    };

    void add(Control control);
    // Connects a value box's notices to notice().
    void forwardNotices(ValueEdit* edit);
    // A slider's report (moving, released or a key) asking for `asked`; one at the position the
    // binding last showed or took asks for nothing new.
    void faderReport(FieldId id, Fader* fader, int position, int asked);
    // Writes and shows the fields again; `origin` is the control the entry came from.
    bool apply(FieldId id, int asked, const QWidget* origin);
    void show(const Control& c, bool keepTyping, const QWidget* keepThumb);
    bool enabled(FieldId id) const;

    std::vector<Field> m_fields;
    std::vector<Control> m_controls;
    // The position each bound fader stands at as the binding last showed or took it.
    std::map<const QWidget*, int> m_faderShown;
};
