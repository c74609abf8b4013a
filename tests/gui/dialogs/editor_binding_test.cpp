// The binding between an editor's controls and a record's values, on a record of plain integers
// whose rules the test makes up: coupled controls, corrected and refused writes, text being
// typed, disabled fields and the report of every write.

#include "GuiTestSupport.h"
#include "OperatorInput.h"

#include "gui/dialogs/EditorBinding.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include <algorithm>

namespace {

using ChannelEditRules::Edit;

constexpr DisplayKindSettings kPlain{.kind = kKindInteger, .min = 0, .max = 100};

void Type(ValueEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

class EditorBindingTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() {
        m_binding.reset();
        m_window.reset();
    }

    void controlsOfOneFieldMoveTogether();
    void correctedWriteMovesTheControlItCameFrom();
    void textBeingTypedSurvivesOtherWrites();
    void disabledFieldWritesNothing();
    void choiceHidesAndRelabelsOtherControls();

private:
    // A record with a level of 0..100 of which the rules allow only 0..50, a frequency, and a
    // gate that switches the level's controls off.
    int m_level = 0;
    int m_frequency = 1000;
    bool m_gate = true;
    // A shape 0 (bell) or 1 (shelf); only a bell has a width.
    int m_shape = 0;
    int m_width = 5;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<EditorBinding> m_binding;
    EditorBinding::FieldId m_levelField = 0;
    EditorBinding::FieldId m_frequencyField = 0;
};

void EditorBindingTest::init() {
    m_level = 0;
    m_frequency = 1000;
    m_gate = true;
    m_shape = 0;
    m_width = 5;
    m_window = std::make_unique<QWidget>();
    m_binding = std::make_unique<EditorBinding>();
    m_levelField = m_binding->addField({
        .name = QStringLiteral("level"),
        .shown = [this] { return m_level; },
        .write =
            [this](int asked) {
                const int v = std::clamp(asked, 0, 50);
                if (v == m_level)
                    return Edit::Unchanged;
                m_level = v;
                return v == asked ? Edit::Written : Edit::Corrected;
            },
        .enabled = [this] { return m_gate; },
    });
    m_frequencyField = m_binding->addField({
        .name = QStringLiteral("frequency"),
        .shown = [this] { return m_frequency; },
        .write =
            [this](int hz) {
                m_frequency = hz;
                return Edit::Written;
            },
    });
}

void EditorBindingTest::controlsOfOneFieldMoveTogether() {
    auto* edit = new ValueEdit(m_window.get());
    auto* spinEdit = new ValueEdit(m_window.get());
    auto* spin = new ValueSpin(m_window.get());
    auto* fader = new Fader(m_window.get());
    auto* knob = new RotaryKnob(m_window.get());
    m_binding->bindEdit(m_levelField, edit, kPlain);
    m_binding->bindSpin(m_levelField, spin, spinEdit, kPlain);
    m_binding->bindFader(m_levelField, fader, 100);
    m_binding->bindKnob(m_levelField, knob, 0, 100);
    QSignalSpy written(m_binding.get(), &EditorBinding::written);

    Type(edit, "30");
    QVERIFY(edit->commit());
    QCOMPARE(m_level, 30);
    QCOMPARE(spinEdit->text(), QString("30"));
    QCOMPARE(fader->value(), 70); // the top is the maximum
    QCOMPARE(knob->value(), 30);
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0), (QVariantList{QString("level"), 0, 30}));

    spin->stepBy(1);
    QCOMPARE(m_level, 31);
    QCOMPARE(edit->text(), QString("31"));
    knob->setValue(12);
    QCOMPARE(m_level, 12);
    QCOMPARE(fader->value(), 88);

    // The same value again writes nothing and reports nothing.
    written.clear();
    Type(edit, "12");
    edit->commit();
    QCOMPARE(written.count(), 0);

    // A frequency knob and fader: their steps, and the frequency they stand for.
    auto* frequencyKnob = new RotaryKnob(m_window.get());
    auto* frequencyFader = new Fader(m_window.get());
    m_binding->bindFrequencyKnob(m_frequencyField, frequencyKnob);
    m_binding->bindFrequencyFader(m_frequencyField, frequencyFader);
    QCOMPARE(frequencyKnob->value(), controlmath::FrequencyStepsOf(1000));
    guitest::DragSlider(frequencyKnob, {240});
    QCOMPARE(m_frequency, 30000);
    QCOMPARE(frequencyFader->value(), 0);
}

void EditorBindingTest::correctedWriteMovesTheControlItCameFrom() {
    auto* edit = new ValueEdit(m_window.get());
    auto* fader = new Fader(m_window.get());
    m_binding->bindEdit(m_levelField, edit, kPlain);
    m_binding->bindFader(m_levelField, fader, 100);

    QSignalSpy ruled(m_binding.get(), &EditorBinding::ruleApplied);
    QSignalSpy written(m_binding.get(), &EditorBinding::written);

    // Dragged to 90, the rules keep 50: the thumb goes to 50 and the edit shows it; the editor
    // hears what the rule did.
    fader->setSliderDown(true);
    fader->setSliderPosition(10);
    QCOMPARE(m_level, 50);
    QCOMPARE(fader->value(), 50);
    QCOMPARE(edit->text(), QString("50"));
    QCOMPARE(ruled.count(), 1);
    QCOMPARE(ruled.at(0).mid(0, 3), (QVariantList{QString("level"), 90, 50}));
    QCOMPARE(ruled.at(0).at(3).value<Edit>(), Edit::Corrected);
    // Released where the rule put the thumb: nothing new is asked, nothing written.
    fader->setSliderDown(false);
    QCOMPARE(written.count(), 1);
    QCOMPARE(ruled.count(), 1);
    // Typed beyond the rules: the edit shows what was kept.
    Type(edit, "70");
    edit->commit();
    QCOMPARE(m_level, 50);
    QCOMPARE(edit->text(), QString("50"));

    // A thumb whose value was taken stays where the operator holds it, even where its position
    // and the value do not map one to one (the frequency steps below 20 Hz).
    auto* frequencyFader = new Fader(m_window.get());
    m_binding->bindFrequencyFader(m_frequencyField, frequencyFader);
    // A click on the thumb that does not move it writes nothing: the position it stands at for
    // 1000 Hz reads back as 998 Hz.
    QVERIFY(controlmath::SliderFrequencyOfPosition(frequencyFader->value(), 240) != 1000);
    guitest::DragSlider(frequencyFader, {});
    QCOMPARE(m_frequency, 1000);
    frequencyFader->setSliderDown(true);
    frequencyFader->setSliderPosition(230);
    QCOMPARE(m_frequency, controlmath::SliderFrequencyOfPosition(230, 240));
    QCOMPARE(frequencyFader->value(), 230);
}

void EditorBindingTest::textBeingTypedSurvivesOtherWrites() {
    auto* levelEdit = new ValueEdit(m_window.get());
    auto* frequencyFader = new Fader(m_window.get());
    m_binding->bindEdit(m_levelField, levelEdit, kPlain);
    m_binding->bindFrequencyFader(m_frequencyField, frequencyFader);

    Type(levelEdit, "4");
    frequencyFader->setValue(0);
    QCOMPARE(m_frequency, 30000);
    QCOMPARE(levelEdit->text(), QString("4"));
    QVERIFY(levelEdit->isValueModified());
    // Showing a new record drops it.
    m_binding->refresh();
    QCOMPARE(levelEdit->text(), QString("0"));
    QCOMPARE(m_level, 0);
}

void EditorBindingTest::disabledFieldWritesNothing() {
    auto* fader = new Fader(m_window.get());
    auto* unit = new QWidget(m_window.get());
    m_binding->bindFader(m_levelField, fader, 100);
    m_binding->bindEnabled(m_levelField, unit);
    m_gate = false;
    m_binding->refresh();
    QVERIFY(!fader->isEnabled());
    QVERIFY(!unit->isEnabled());
    QSignalSpy written(m_binding.get(), &EditorBinding::written);
    QVERIFY(!m_binding->enter(m_levelField, 20));
    fader->setValue(80);
    QCOMPARE(m_level, 0);
    QCOMPARE(written.count(), 0);
    m_gate = true;
    QVERIFY(m_binding->enter(m_levelField, 20));
    QVERIFY(fader->isEnabled());
    QCOMPARE(m_binding->fieldName(m_binding->findField("level")), QString("level"));
}

void EditorBindingTest::choiceHidesAndRelabelsOtherControls() {
    const EditorBinding::FieldId shape = m_binding->addField({
        .name = QStringLiteral("shape"),
        .shown = [this] { return m_shape; },
        .write =
            [this](int v) {
                if (v == m_shape)
                    return Edit::Unchanged;
                m_shape = v;
                return Edit::Written;
            },
    });
    const EditorBinding::FieldId width = m_binding->addField({
        .name = QStringLiteral("width"),
        .shown = [this] { return m_width; },
        .write =
            [this](int v) {
                m_width = v;
                return Edit::Written;
            },
        .visible = [this] { return m_shape == 0; },
    });
    auto* list = new QComboBox(m_window.get());
    list->addItems({QStringLiteral("bell"), QStringLiteral("shelf")});
    auto* unit = new QLabel(m_window.get());
    auto* widthEdit = new ValueEdit(m_window.get());
    auto* widthSpin = new ValueSpin(m_window.get());
    auto* levelEdit = new ValueEdit(m_window.get());
    m_binding->bindCombo(shape, list);
    m_binding->bindLabel(shape, unit, [this] { return m_shape == 0 ? "Oct" : "dB"; });
    m_binding->bindSpin(width, widthSpin, widthEdit, kPlain);
    m_binding->bindEdit(m_levelField, levelEdit, kPlain);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(unit->text(), QString("Oct"));
    QVERIFY(widthEdit->isVisibleTo(m_window.get()));

    // The operator chooses "shelf": the width's box and arrows go, the unit follows.
    list->setCurrentIndex(1);
    emit list->activated(1);
    QCOMPARE(m_shape, 1);
    QCOMPARE(unit->text(), QString("dB"));
    QVERIFY(!widthEdit->isVisibleTo(m_window.get()));
    QVERIFY(!widthSpin->isVisibleTo(m_window.get()));
    // A stored value the list has no entry for selects none.
    m_shape = 7;
    m_binding->refresh();
    QCOMPARE(list->currentIndex(), -1);

    // Showing some fields again leaves the others alone, text being typed included.
    m_shape = 0;
    m_width = 9;
    Type(levelEdit, "4");
    m_binding->refresh({shape, width});
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(widthEdit->text(), QString("9"));
    QVERIFY(widthEdit->isVisibleTo(m_window.get()));
    QCOMPARE(levelEdit->text(), QString("4"));
}

TAVREL_GUI_TEST_MAIN(EditorBindingTest)
#include "editor_binding_test.moc"
