#pragma once

#include "gui/support/ParameterStore.h"
#include "model/ValueFormats.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
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

// The name of a key without its channel, as an editor's fields are named: "eq.3.gain",
// "hpf.freq"; a unit-wide setting keeps its whole name ("unit.source").
QString FieldNameOf(const ParameterKey& key);

// A connection binds one control to one parameter key of a ParameterStore: it shows the store's
// value, writes what the operator enters through the store, and shows the value again whenever
// the store announces a change of the key's channel (a rule may have moved this value, or what it
// allows) or a reload. Each kind of control is one small class below; a new kind derives from
// ParameterConnection and implements showValue(), so nothing central needs to know it.
//
// The key is asked for each time (an editor changes its channel), and a connection may be usable
// or shown only under a condition (a shelf has no bandwidth). A control disabled under the
// operator's hand writes nothing. Connections are children of their control, so an editor finds
// all of its own with findChildren<ParameterConnection*>().
class ParameterConnection : public QObject {
    Q_OBJECT
public:
    using KeyOf = std::function<ParameterKey()>;
    using Condition = std::function<bool()>;

    ParameterConnection(ParameterStore& store, KeyOf key, QWidget* control);

    ParameterKey key() const { return m_key(); }
    QWidget* control() const { return m_control; }
    // Every widget the connection drives: the control and its partners (a value box's arrows,
    // each button of a choice).
    virtual QList<QWidget*> controls() const;
    void setEnabledWhen(Condition condition);
    void setVisibleWhen(Condition condition);

    // Shows the store's value; `keepTyping` leaves text the operator is still typing alone.
    void show(bool keepTyping = false);
    // Writes `index` as the operator's entry would. Returns whether something was written.
    bool enter(int index);

signals:
    // A rule stored or kept another value than the one asked for (`edit` Corrected; `after` is
    // what the key shows now), or refused it (Refused; nothing was written).
    void ruleApplied(const ParameterKey& key, int asked, int after, ChannelEditRules::Edit edit);
    // A value box has something to say that needs no box.
    void notice(const QString& text);

protected:
    ParameterStore& store() const { return m_store; }
    int shown() const { return m_store.value(key()); }
    // Whether `index` is what this connection's own entry is writing and the store took: a
    // slider or knob then keeps its position (positions and values do not map one to one).
    bool isOwnEntry(int index) const { return m_asked && *m_asked == index; }
    bool isEnabled() const { return !m_enabledWhen || m_enabledWhen(); }
    // Puts the value on the control.
    virtual void showValue(int index, bool keepTyping) = 0;
    // Enables the control (and any partner widget it has), and shows or hides it when it has a
    // condition for that (`visible` is empty otherwise).
    virtual void showState(bool enabled, std::optional<bool> visible);

private:
    ParameterStore& m_store;
    KeyOf m_key;
    QPointer<QWidget> m_control;
    Condition m_enabledWhen;
    Condition m_visibleWhen;
    std::optional<int> m_asked; // while enter() writes
};

// A numeric value box with its arrows, on the key's scale: a commit or an arrow step writes.
class SpinConnection : public ParameterConnection {
    Q_OBJECT
public:
    SpinConnection(ParameterStore& store, KeyOf key, ValueSpin* spin, ValueEdit* edit,
                   const DisplayKindSettings& scale);

    QList<QWidget*> controls() const override;

protected:
    void showValue(int index, bool keepTyping) override;
    void showState(bool enabled, std::optional<bool> visible) override;

private:
    QPointer<ValueSpin> m_spin;
    QPointer<ValueEdit> m_edit;
};

// A knob whose positions stand for indices through a transform: the same range (a gain, a
// bandwidth) or the logarithmic frequency steps.
class KnobConnection : public ParameterConnection {
    Q_OBJECT
public:
    struct Transform {
        std::function<void(RotaryKnob&)> setUp;           // its range
        std::function<int(int position)> indexAt;         // what a position asks for
        std::function<void(RotaryKnob&, int index)> show; // puts an index on the knob
    };
    // Positions min..max are the indices min..max.
    static Transform Linear(int min, int max);
    // The frequency steps from 10 Hz to 30 kHz; the index is a frequency in hertz.
    static Transform Frequency();

    KnobConnection(ParameterStore& store, KeyOf key, RotaryKnob* knob, Transform transform);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<RotaryKnob> m_knob;
    Transform m_transform;
};

// A drop-down list whose entry i stands for index i; choosing an entry writes.
class ComboConnection : public ParameterConnection {
    Q_OBJECT
public:
    ComboConnection(ParameterStore& store, KeyOf key, QComboBox* combo);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<QComboBox> m_combo;
};

// A two-state button for a switch (index 1 on, 0 off): raised with `onText` while on.
class SwitchConnection : public ParameterConnection {
    Q_OBJECT
public:
    SwitchConnection(ParameterStore& store, KeyOf key, TwoStateButton* button, QString onText,
                     QString offText);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<TwoStateButton> m_button;
    QString m_onText;
    QString m_offText;
};

// A label whose text follows the key's channel (a unit that follows a band's type), or that is
// only enabled together with the key's controls (no text given).
class LabelConnection : public ParameterConnection {
    Q_OBJECT
public:
    LabelConnection(ParameterStore& store, KeyOf key, QLabel* label,
                    std::function<QString()> text = {});

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<QLabel> m_label;
    std::function<QString()> m_text;
};

// A value box without arrows on the key's scale: a commit writes. Kinds without an entry rule
// (a crossover's slope, a ratio) only show the value.
class EditConnection : public ParameterConnection {
    Q_OBJECT
public:
    EditConnection(ParameterStore& store, KeyOf key, ValueEdit* edit,
                   const DisplayKindSettings& scale);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<ValueEdit> m_edit;
};

// A read-only value box whose text is composed from the channel ("32X (3200ms)").
class TextConnection : public ParameterConnection {
    Q_OBJECT
public:
    TextConnection(ParameterStore& store, KeyOf key, ValueEdit* edit,
                   std::function<QString()> text);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<ValueEdit> m_edit;
    std::function<QString()> m_text;
};

// A vertical slider whose positions stand for indices through a transform. Every position the
// operator moves it to writes, and so does letting it go; a position it was last shown at asks
// for nothing new, as that position may stand for another value than the one stored.
class FaderConnection : public ParameterConnection {
    Q_OBJECT
public:
    struct Transform {
        std::function<void(Fader&)> setUp;           // its range
        std::function<int(int position)> indexAt;    // what a position asks for
        std::function<void(Fader&, int index)> show; // puts an index on the slider
    };
    // Indices 0..max with max at the top (position 0).
    static Transform Inverted(int max);
    // The logarithmic frequency steps, 30 kHz at the top; the index is a frequency in hertz.
    static Transform Frequency();

    FaderConnection(ParameterStore& store, KeyOf key, Fader* fader, Transform transform);

protected:
    void showValue(int index, bool keepTyping) override;

private:
    QPointer<Fader> m_fader;
    Transform m_transform;
    int m_shownPosition = -1;
};

// Buttons that each stand for one index of a choice. Radio buttons: the one of the index is
// checked (none when no button stands for it). Two-state buttons: the one of the index is
// pressed (state 0), the others are up; pressing the pressed one again changes nothing.
class ChoiceConnection : public ParameterConnection {
    Q_OBJECT
public:
    using Choices = std::vector<std::pair<QAbstractButton*, int>>;
    ChoiceConnection(ParameterStore& store, KeyOf key, Choices choices);

    QList<QWidget*> controls() const override;

protected:
    void showValue(int index, bool keepTyping) override;
    void showState(bool enabled, std::optional<bool> visible) override;

private:
    std::vector<std::pair<QPointer<QAbstractButton>, int>> m_choices;
};
