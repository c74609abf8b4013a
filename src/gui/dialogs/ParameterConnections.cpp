#include "gui/dialogs/ParameterConnections.h"

#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>

#include <algorithm>

namespace {

// Kinds above this one have no entry rule: their boxes only show the value.
constexpr int kLastTypedKind = kKindBandwidthCoarse;

// A value outside a control's range is shown at the nearer end (only a damaged record holds
// one); the record keeps it.
int Within(int value, int min, int max) {
    return std::clamp(value, min, std::max(min, max));
}

bool SameChannel(const ParameterKey& a, const ParameterKey& b) {
    return a.scope == b.scope && (a.IsUnitSetting() || a.channel == b.channel);
}

} // namespace

QString FieldNameOf(const ParameterKey& key) {
    const std::string name = ParameterRegistry::NameOf(key);
    if (key.IsUnitSetting())
        return QString::fromStdString(name);
    const std::string channel = ParameterRegistry::ChannelName(key.ChannelOfKey()) + ".";
    return QString::fromStdString(name.substr(channel.size()));
}

// ---- ParameterConnection ------------------------------------------------------------------------

ParameterConnection::ParameterConnection(ParameterStore& store, KeyOf key, QWidget* control)
    : QObject(control), m_store(store), m_key(std::move(key)), m_control(control) {
    connect(&m_store, &ParameterStore::changed, this, [this](const ParameterKey& changed) {
        if (SameChannel(changed, this->key()))
            show(true);
    });
    connect(&m_store, &ParameterStore::reloaded, this, [this] { show(false); });
}

QList<QWidget*> ParameterConnection::controls() const {
    if (!m_control)
        return {};
    return {m_control.data()};
}

void ParameterConnection::setEnabledWhen(Condition condition) {
    m_enabledWhen = std::move(condition);
    show();
}

void ParameterConnection::setVisibleWhen(Condition condition) {
    m_visibleWhen = std::move(condition);
    show();
}

void ParameterConnection::show(bool keepTyping) {
    if (!m_store.hasContainer())
        return;
    showValue(shown(), keepTyping);
    showState(isEnabled(), m_visibleWhen ? std::optional<bool>(m_visibleWhen()) : std::nullopt);
}

void ParameterConnection::showState(bool enabled, std::optional<bool> visible) {
    if (!m_control)
        return;
    m_control->setEnabled(enabled);
    if (visible)
        m_control->setVisible(*visible);
}

bool ParameterConnection::enter(int index) {
    if (!isEnabled()) {
        // Disabled under the operator's hand (a drag, a held arrow): shown as the record is.
        show(false);
        return false;
    }
    const ParameterKey k = key();
    m_asked = index;
    const ChannelEditRules::Edit result = m_store.write(k, index);
    const int after = m_store.value(k);
    // The store announces only values that moved; a value held where a rule keeps it still needs
    // showing on the control that asked for another.
    show(true);
    m_asked.reset();
    // A value held where a rule keeps it (a frequency pushed on against its limit) is corrected
    // too, though nothing new was written.
    using ChannelEditRules::Edit;
    if (result == Edit::Refused)
        emit ruleApplied(k, index, after, Edit::Refused);
    else if (result == Edit::Corrected || (result == Edit::Unchanged && after != index))
        emit ruleApplied(k, index, after, Edit::Corrected);
    return ChannelEditRules::Wrote(result);
}

// ---- SpinConnection -----------------------------------------------------------------------------

SpinConnection::SpinConnection(ParameterStore& store, KeyOf key, ValueSpin* spin, ValueEdit* edit,
                               const DisplayKindSettings& scale)
    : ParameterConnection(store, std::move(key), spin), m_spin(spin), m_edit(edit) {
    edit->setRange(scale.min, scale.max);
    edit->setStep(scale.step);
    edit->setOffset(scale.offset);
    edit->setTemperature(scale.temperatureC);
    edit->setUnit(QString::fromUtf8(scale.unit.data(), static_cast<qsizetype>(scale.unit.size())));
    edit->setKind(scale.kind);
    if (scale.kind > kLastTypedKind || scale.kind == kKindOwnerText)
        edit->setReadOnly(true);
    spin->setBuddy(edit);
    spin->setRange(scale.min, scale.max);
    connect(edit, &ValueEdit::notice, this, &ParameterConnection::notice);
    connect(edit, &ValueEdit::committed, this, [this] { enter(m_spin->position()); });
    connect(spin, &ValueSpin::notified, this, [this] { enter(m_spin->position()); });
    show();
}

QList<QWidget*> SpinConnection::controls() const {
    QList<QWidget*> widgets = ParameterConnection::controls();
    if (m_edit)
        widgets.push_back(m_edit);
    return widgets;
}

void SpinConnection::showValue(int index, bool keepTyping) {
    const bool typing = keepTyping && m_edit && m_edit->isValueModified();
    if (m_spin && !typing)
        m_spin->setPosition(Within(index, m_spin->minimum(), m_spin->maximum()));
}

void SpinConnection::showState(bool enabled, std::optional<bool> visible) {
    ParameterConnection::showState(enabled, visible);
    if (!m_edit)
        return;
    m_edit->setEnabled(enabled);
    // A hidden box leaves its arrows hidden too.
    if (visible)
        m_edit->setVisible(*visible);
}

// ---- KnobConnection -----------------------------------------------------------------------------

KnobConnection::Transform KnobConnection::Linear(int min, int max) {
    return {.setUp = [min, max](RotaryKnob& knob) { knob.setRange(min, max); },
            .indexAt = [](int position) { return position; },
            .show = [](RotaryKnob& knob, int index) { knob.showValue(index); }};
}

KnobConnection::Transform KnobConnection::Frequency() {
    return {.setUp = [](RotaryKnob& knob) { knob.setRange(0, controlmath::kFrequencySteps); },
            .indexAt = [](int position) { return controlmath::FrequencyOfSteps(position); },
            .show = [](RotaryKnob& knob, int hz) { knob.showFrequency(hz); }};
}

KnobConnection::KnobConnection(ParameterStore& store, KeyOf key, RotaryKnob* knob,
                               Transform transform)
    : ParameterConnection(store, std::move(key), knob), m_knob(knob),
      m_transform(std::move(transform)) {
    m_transform.setUp(*knob);
    connect(knob, &RotaryKnob::valueChanged, this,
            [this](int position) { enter(m_transform.indexAt(position)); });
    show();
}

void KnobConnection::showValue(int index, bool) {
    if (m_knob && !isOwnEntry(index))
        m_transform.show(*m_knob, index);
}

// ---- ComboConnection ----------------------------------------------------------------------------

ComboConnection::ComboConnection(ParameterStore& store, KeyOf key, QComboBox* combo)
    : ParameterConnection(store, std::move(key), combo), m_combo(combo) {
    // activated(): the operator's choice only, not the connection's own setCurrentIndex().
    connect(combo, &QComboBox::activated, this, [this](int index) { enter(index); });
    show();
}

void ComboConnection::showValue(int index, bool) {
    if (m_combo)
        m_combo->setCurrentIndex(index >= 0 && index < m_combo->count() ? index : -1);
}

// ---- SwitchConnection ---------------------------------------------------------------------------

SwitchConnection::SwitchConnection(ParameterStore& store, KeyOf key, TwoStateButton* button,
                                   QString onText, QString offText)
    : ParameterConnection(store, std::move(key), button), m_button(button),
      m_onText(std::move(onText)), m_offText(std::move(offText)) {
    // The click has flipped the button already: its new state is what is asked for.
    connect(button, &QAbstractButton::clicked, this, [this] { enter(m_button->state()); });
    show();
}

void SwitchConnection::showValue(int index, bool) {
    if (!m_button)
        return;
    const bool on = index != 0;
    m_button->setState(on ? 1 : 0);
    m_button->setText(on ? m_onText : m_offText);
}

// ---- LabelConnection ----------------------------------------------------------------------------

LabelConnection::LabelConnection(ParameterStore& store, KeyOf key, QLabel* label,
                                 std::function<QString()> text)
    : ParameterConnection(store, std::move(key), label), m_label(label), m_text(std::move(text)) {
    show();
}

void LabelConnection::showValue(int, bool) {
    if (m_label && m_text)
        m_label->setText(m_text());
}

// ---- EditConnection -----------------------------------------------------------------------------

namespace {

void SetUpEdit(ValueEdit& edit, const DisplayKindSettings& scale) {
    edit.setRange(scale.min, scale.max);
    edit.setStep(scale.step);
    edit.setOffset(scale.offset);
    edit.setTemperature(scale.temperatureC);
    edit.setUnit(QString::fromUtf8(scale.unit.data(), static_cast<qsizetype>(scale.unit.size())));
    edit.setKind(scale.kind);
    if (scale.kind > kLastTypedKind || scale.kind == kKindOwnerText)
        edit.setReadOnly(true);
}

// A composed text may be longer than the nine characters typing is limited to.
constexpr int kComposedTextLength = 64;

} // namespace

EditConnection::EditConnection(ParameterStore& store, KeyOf key, ValueEdit* edit,
                               const DisplayKindSettings& scale)
    : ParameterConnection(store, std::move(key), edit), m_edit(edit) {
    SetUpEdit(*edit, scale);
    connect(edit, &ValueEdit::notice, this, &ParameterConnection::notice);
    if (!edit->isReadOnly())
        connect(edit, &ValueEdit::committed, this, [this] { enter(m_edit->value()); });
    show();
}

void EditConnection::showValue(int index, bool keepTyping) {
    if (m_edit && !(keepTyping && m_edit->isValueModified()))
        m_edit->setValue(Within(index, m_edit->minimum(), m_edit->maximum()));
}

// ---- TextConnection -----------------------------------------------------------------------------

TextConnection::TextConnection(ParameterStore& store, KeyOf key, ValueEdit* edit,
                               std::function<QString()> text)
    : ParameterConnection(store, std::move(key), edit), m_edit(edit), m_text(std::move(text)) {
    edit->setKind(kKindOwnerText);
    edit->setReadOnly(true);
    edit->setMaxLength(kComposedTextLength);
    show();
}

void TextConnection::showValue(int, bool) {
    if (m_edit && m_text)
        m_edit->setText(m_text());
}

// ---- FaderConnection ----------------------------------------------------------------------------

FaderConnection::Transform FaderConnection::Inverted(int max) {
    return {
        .setUp = [max](Fader& fader) { fader.setRange(0, max); },
        .indexAt = [max](int position) { return max - position; },
        .show = [max](Fader& fader, int index) { fader.showValue(max - Within(index, 0, max)); }};
}

FaderConnection::Transform FaderConnection::Frequency() {
    constexpr int kTop = controlmath::kFrequencySteps;
    return {.setUp = [](Fader& fader) { fader.setRange(0, kTop); },
            .indexAt =
                [](int position) { return controlmath::SliderFrequencyOfPosition(position, kTop); },
            .show = [](Fader& fader, int hz) { fader.showFrequency(hz); }};
}

FaderConnection::FaderConnection(ParameterStore& store, KeyOf key, Fader* fader,
                                 Transform transform)
    : ParameterConnection(store, std::move(key), fader), m_fader(fader),
      m_transform(std::move(transform)) {
    m_transform.setUp(*fader);
    // Every position the thumb takes reports, and so does letting it go (a thumb let go where
    // the store last put it asks for nothing new).
    auto report = [this] {
        if (!m_fader || m_fader->value() == m_shownPosition)
            return; // the thumb stands where it was put: nothing new is asked
        enter(m_transform.indexAt(m_fader->value()));
    };
    connect(fader, &Fader::valueChanged, this, report);
    connect(fader, &Fader::sliderReleased, this, report);
    show();
}

void FaderConnection::showValue(int index, bool) {
    if (!m_fader)
        return;
    if (!isOwnEntry(index))
        m_transform.show(*m_fader, index);
    m_shownPosition = m_fader->value();
}

// ---- ChoiceConnection ---------------------------------------------------------------------------

ChoiceConnection::ChoiceConnection(ParameterStore& store, KeyOf key, Choices choices)
    : ParameterConnection(store, std::move(key),
                          choices.empty() ? nullptr : choices.front().first) {
    for (const auto& [button, index] : choices) {
        m_choices.emplace_back(button, index);
        connect(button, &QAbstractButton::clicked, this, [this, v = index] { enter(v); });
    }
    show();
}

QList<QWidget*> ChoiceConnection::controls() const {
    QList<QWidget*> buttons;
    for (const auto& [button, index] : m_choices) {
        if (button)
            buttons.push_back(button);
    }
    return buttons;
}

void ChoiceConnection::showValue(int value, bool) {
    const bool any = std::any_of(m_choices.begin(), m_choices.end(),
                                 [&](const auto& choice) { return choice.second == value; });
    for (const auto& [button, index] : m_choices) {
        if (!button)
            continue;
        if (auto* twoState = qobject_cast<TwoStateButton*>(button.data())) {
            twoState->setState(index == value ? 0 : 1);
        } else if (!any) {
            // An exclusive radio cannot be unchecked directly.
            const bool exclusive = button->autoExclusive();
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(exclusive);
        } else if (index == value) {
            button->setChecked(true);
        }
    }
}

void ChoiceConnection::showState(bool enabled, std::optional<bool> visible) {
    for (const auto& [button, index] : m_choices) {
        if (!button)
            continue;
        button->setEnabled(enabled);
        if (visible)
            button->setVisible(*visible);
    }
}
