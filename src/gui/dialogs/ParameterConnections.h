#pragma once

#include "gui/support/ParameterStore.h"
#include "model/ValueFormats.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

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
};

// A numeric value box with its arrows, on the key's scale: a commit or an arrow step writes.
class SpinConnection : public ParameterConnection {
    Q_OBJECT
public:
    SpinConnection(ParameterStore& store, KeyOf key, ValueSpin* spin, ValueEdit* edit,
                   const DisplayKindSettings& scale);

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
    // While the knob's own report is written, it keeps its position when the record took what it
    // asked for (positions and frequencies do not map one to one).
    bool m_reporting = false;
    int m_asked = 0;
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
