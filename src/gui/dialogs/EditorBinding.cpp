#include "gui/dialogs/EditorBinding.h"

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

// Kinds above this one have no entry rule: their edits only show the value.
constexpr int kLastTypedKind = kKindBandwidthCoarse;
constexpr int kComposedTextLength = 64;

void SetUp(ValueEdit& edit, const DisplayKindSettings& s) {
    edit.setRange(s.min, s.max);
    edit.setStep(s.step);
    edit.setOffset(s.offset);
    edit.setTemperature(s.temperatureC);
    edit.setUnit(QString::fromUtf8(s.unit.data(), static_cast<qsizetype>(s.unit.size())));
    edit.setKind(s.kind);
    if (s.kind > kLastTypedKind || s.kind == kKindOwnerText)
        edit.setReadOnly(true);
}

// A value outside a control's range is shown at the nearer end (only a damaged record holds
// one); the record keeps it.
int Within(int value, int min, int max) {
    return std::clamp(value, min, std::max(min, max));
}

} // namespace

EditorBinding::EditorBinding(QObject* parent) : QObject(parent) {}

EditorBinding::FieldId EditorBinding::addField(Field field) {
    m_fields.push_back(std::move(field));
    return static_cast<FieldId>(m_fields.size()) - 1;
}

const QString& EditorBinding::fieldName(FieldId id) const {
    return m_fields.at(static_cast<std::size_t>(id)).name;
}

EditorBinding::FieldId EditorBinding::findField(const QString& name) const {
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name == name)
            return static_cast<FieldId>(i);
    }
    return -1;
}

void EditorBinding::add(Control control) {
    m_controls.push_back(std::move(control));
    show(m_controls.back(), false, nullptr);
}

void EditorBinding::forwardNotices(ValueEdit* edit) {
    connect(edit, &ValueEdit::notice, this, &EditorBinding::notice);
}

void EditorBinding::faderReport(FieldId id, Fader* fader, int position, int asked) {
    const auto shown = m_faderShown.find(fader);
    if (shown != m_faderShown.end() && shown->second == position)
        return; // the thumb stands where the binding put it: nothing new is asked
    apply(id, asked, fader);
}

void EditorBinding::bindEdit(FieldId id, ValueEdit* edit, const DisplayKindSettings& settings) {
    SetUp(*edit, settings);
    forwardNotices(edit);
    if (!edit->isReadOnly())
        connect(edit, &ValueEdit::committed, this,
                [this, id, edit] { apply(id, edit->value(), edit); });
    add({.field = id, .kind = Kind::Edit, .widget = edit, .edit = edit});
}

void EditorBinding::bindSpin(FieldId id, ValueSpin* spin, ValueEdit* edit,
                             const DisplayKindSettings& settings) {
    SetUp(*edit, settings);
    forwardNotices(edit);
    spin->setBuddy(edit);
    spin->setRange(settings.min, settings.max);
    connect(edit, &ValueEdit::committed, this,
            [this, id, spin, edit] { apply(id, spin->position(), edit); });
    connect(spin, &ValueSpin::notified, this,
            [this, id, spin] { apply(id, spin->position(), spin); });
    add({.field = id, .kind = Kind::Spin, .widget = spin, .spin = spin, .edit = edit});
}

void EditorBinding::bindFader(FieldId id, Fader* fader, int max) {
    fader->setRange(0, max);
    auto report = [this, id, fader, max] {
        faderReport(id, fader, fader->value(), max - fader->value());
    };
    connect(fader, &Fader::valueChanged, this, report);
    connect(fader, &Fader::sliderReleased, this, report);
    add({.field = id, .kind = Kind::Fader, .widget = fader, .min = 0, .max = max});
}

void EditorBinding::bindFrequencyFader(FieldId id, Fader* fader) {
    constexpr int kTop = controlmath::kFrequencySteps;
    fader->setRange(0, kTop);
    auto report = [this, id, fader] {
        faderReport(id, fader, fader->value(),
                    controlmath::SliderFrequencyOfPosition(fader->value(), kTop));
    };
    connect(fader, &Fader::valueChanged, this, report);
    connect(fader, &Fader::sliderReleased, this, report);
    add({.field = id, .kind = Kind::FrequencyFader, .widget = fader, .max = kTop});
}

void EditorBinding::bindKnob(FieldId id, RotaryKnob* knob, int min, int max) {
    knob->setRange(min, max);
    connect(knob, &RotaryKnob::valueChanged, this,
            [this, id, knob](int value) { apply(id, value, knob); });
    add({.field = id, .kind = Kind::Knob, .widget = knob, .min = min, .max = max});
}

void EditorBinding::bindFrequencyKnob(FieldId id, RotaryKnob* knob) {
    knob->setRange(0, controlmath::kFrequencySteps);
    connect(knob, &RotaryKnob::valueChanged, this,
            [this, id, knob](int value) { apply(id, controlmath::FrequencyOfSteps(value), knob); });
    add({.field = id, .kind = Kind::FrequencyKnob, .widget = knob});
}

void EditorBinding::bindRadios(FieldId id, std::vector<std::pair<QAbstractButton*, int>> choices) {
    Control c{.field = id, .kind = Kind::Radios};
    for (const auto& [button, value] : choices) {
        c.choices.emplace_back(button, value);
        connect(button, &QAbstractButton::clicked, this,
                [this, id, button, v = value] { apply(id, v, button); });
    }
    add(std::move(c));
}

void EditorBinding::bindPressed(FieldId id, std::vector<std::pair<TwoStateButton*, int>> choices) {
    Control c{.field = id, .kind = Kind::Pressed};
    for (const auto& [button, value] : choices) {
        c.choices.emplace_back(button, value);
        connect(button, &QAbstractButton::clicked, this,
                [this, id, button, v = value] { apply(id, v, button); });
    }
    add(std::move(c));
}

void EditorBinding::bindBit(FieldId id, TwoStateButton* button, int bit, const QString& onText,
                            const QString& offText) {
    // The click has flipped the button already: its new state says whether the bit is asked for.
    connect(button, &QAbstractButton::clicked, this, [this, id, button, bit] {
        const int mask = m_fields[static_cast<std::size_t>(id)].shown();
        apply(id, button->state() ? (mask | (1 << bit)) : (mask & ~(1 << bit)), button);
    });
    add({.field = id,
         .kind = Kind::Bit,
         .widget = button,
         .bit = bit,
         .onText = onText,
         .offText = offText});
}

void EditorBinding::bindText(FieldId id, ValueEdit* edit, std::function<QString()> text) {
    edit->setKind(kKindOwnerText);
    edit->setReadOnly(true);
    // Only typing is limited to nine characters; a composed text may be longer.
    edit->setMaxLength(kComposedTextLength);
    add({.field = id, .kind = Kind::Text, .widget = edit, .edit = edit, .text = std::move(text)});
}

void EditorBinding::bindEnabled(FieldId id, QWidget* widget) {
    add({.field = id, .kind = Kind::Enabled, .widget = widget});
}

void EditorBinding::bindCombo(FieldId id, QComboBox* combo) {
    // activated(): the operator's choice only, not the binding's own setCurrentIndex().
    connect(combo, &QComboBox::activated, this,
            [this, id, combo](int index) { apply(id, index, combo); });
    add({.field = id, .kind = Kind::Combo, .widget = combo});
}

void EditorBinding::bindLabel(FieldId id, QLabel* label, std::function<QString()> text) {
    add({.field = id, .kind = Kind::Label, .widget = label, .text = std::move(text)});
}

bool EditorBinding::enabled(FieldId id) const {
    const Field& f = m_fields[static_cast<std::size_t>(id)];
    return !f.enabled || f.enabled();
}

void EditorBinding::refresh() {
    for (const Control& c : m_controls)
        show(c, false, nullptr);
}

void EditorBinding::refresh(const std::vector<FieldId>& fields) {
    for (const Control& c : m_controls) {
        if (std::find(fields.begin(), fields.end(), c.field) != fields.end())
            show(c, false, nullptr);
    }
}

bool EditorBinding::enter(FieldId id, int index) {
    return apply(id, index, nullptr);
}

bool EditorBinding::apply(FieldId id, int asked, const QWidget* origin) {
    Field& f = m_fields.at(static_cast<std::size_t>(id));
    if (!enabled(id)) {
        // A control that was disabled under the operator's hand (a drag, a held arrow) writes
        // nothing; it is shown as the record is.
        refresh();
        return false;
    }
    const int before = f.shown();
    const ChannelEditRules::Edit result = f.write(asked);
    const bool wrote = ChannelEditRules::Wrote(result);
    const int after = f.shown();
    // The fader being moved keeps its thumb when the record took what it asked for.
    const QWidget* keepThumb = after == asked ? origin : nullptr;
    for (const Control& c : m_controls)
        show(c, true, keepThumb);
    if (wrote)
        emit written(f.name, before, after);
    // A value held where a rule keeps it (a high-pass dragged on against its low-pass) is
    // corrected too, though nothing new was written.
    using ChannelEditRules::Edit;
    if (result == Edit::Refused)
        emit ruleApplied(f.name, asked, after, Edit::Refused);
    else if (result == Edit::Corrected || (result == Edit::Unchanged && after != asked))
        emit ruleApplied(f.name, asked, after, Edit::Corrected);
    return wrote;
}

void EditorBinding::show(const Control& c, bool keepTyping, const QWidget* keepThumb) {
    const Field& f = m_fields[static_cast<std::size_t>(c.field)];
    const bool on = enabled(c.field);
    const int value = f.shown();
    const bool typing = keepTyping && c.edit && c.edit->isValueModified();
    switch (c.kind) {
    case Kind::Edit:
        if (c.edit && !typing)
            c.edit->setValue(Within(value, c.edit->minimum(), c.edit->maximum()));
        break;
    case Kind::Spin:
        if (c.spin && !typing)
            c.spin->setPosition(Within(value, c.spin->minimum(), c.spin->maximum()));
        if (c.edit)
            c.edit->setEnabled(on);
        break;
    case Kind::Fader:
    case Kind::FrequencyFader:
        if (auto* fader = qobject_cast<Fader*>(c.widget)) {
            if (fader != keepThumb) {
                if (c.kind == Kind::Fader)
                    fader->showValue(c.max - Within(value, c.min, c.max));
                else
                    fader->showFrequency(value);
            }
            m_faderShown[fader] = fader->value();
        }
        break;
    case Kind::Knob:
        if (auto* knob = qobject_cast<RotaryKnob*>(c.widget); knob && knob != keepThumb)
            knob->showValue(value);
        break;
    case Kind::FrequencyKnob:
        if (auto* knob = qobject_cast<RotaryKnob*>(c.widget); knob && knob != keepThumb)
            knob->showFrequency(value);
        break;
    case Kind::Radios: {
        // An exclusive radio cannot be unchecked directly: check the right one, which clears the
        // others, or clear them all when none stands for the value.
        const auto match = std::find_if(c.choices.begin(), c.choices.end(),
                                        [&](const auto& choice) { return choice.second == value; });
        for (const auto& [button, v] : c.choices) {
            if (!button)
                continue;
            if (match == c.choices.end()) {
                const bool exclusive = button->autoExclusive();
                button->setAutoExclusive(false);
                button->setChecked(false);
                button->setAutoExclusive(exclusive);
            } else if (v == value) {
                button->setChecked(true);
            }
            button->setEnabled(on);
        }
        break;
    }
    case Kind::Pressed:
        for (const auto& [button, v] : c.choices) {
            if (auto* b = qobject_cast<TwoStateButton*>(button)) {
                b->setState(v == value ? 0 : 1);
                b->setEnabled(on);
            }
        }
        break;
    case Kind::Bit:
        if (auto* b = qobject_cast<TwoStateButton*>(c.widget)) {
            const bool set = (value >> c.bit) & 1;
            b->setState(set ? 1 : 0);
            b->setText(set ? c.onText : c.offText);
        }
        break;
    case Kind::Text:
        if (c.edit)
            c.edit->setText(c.text());
        break;
    case Kind::Combo:
        if (auto* combo = qobject_cast<QComboBox*>(c.widget))
            combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
        break;
    case Kind::Label:
        if (auto* label = qobject_cast<QLabel*>(c.widget))
            label->setText(c.text());
        break;
    case Kind::Enabled:
        break;
    }
    if (c.widget)
        c.widget->setEnabled(on);
    if (f.visible) {
        // A hidden edit leaves its arrows hidden too.
        const bool shown = f.visible();
        if (c.widget)
            c.widget->setVisible(shown);
        if (c.edit)
            c.edit->setVisible(shown);
    }
}
