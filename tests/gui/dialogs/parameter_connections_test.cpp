// Controls bound to parameter keys through a ParameterStore on a 4x8 program: controls of one
// key move together, a rule's consequences reach the controls of the values it moved, corrected
// and refused writes, text being typed, controls disabled by a condition, and the reload.

#include "GuiTestSupport.h"
#include "OperatorInput.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/support/ParameterStore.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {

using namespace ChannelEditRules;
using F = ParameterField;

void Type(ValueEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

ParameterConnection::KeyOf Fixed(ParameterKey key) {
    return [key] { return key; };
}

const ChannelId kOut1{true, 0};
const ChannelId kInA{false, 0};

} // namespace

class ParameterConnectionsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() {
        m_window.reset();
        m_store.reset();
        m_program.reset();
    }

    void controlsOfOneKeyMoveTogether();
    void valuesMovedByARuleAreShown();
    void correctedWriteMovesTheControlItCameFrom();
    void textBeingTypedSurvivesOtherWritesButNotAReload();
    void disabledControlWritesNothing();
    void choiceButtonsShowAndWriteTheirIndex();

private:
    std::unique_ptr<ProgramContainer> m_program;
    std::unique_ptr<ParameterStore> m_store;
    std::unique_ptr<QWidget> m_window;
};

void ParameterConnectionsTest::init() {
    m_program = std::make_unique<ProgramContainer>();
    m_program->setDeviceType(kDeviceType4x8);
    m_store = std::make_unique<ParameterStore>();
    m_store->setContainer(*m_program);
    m_window = std::make_unique<QWidget>();
}

void ParameterConnectionsTest::controlsOfOneKeyMoveTogether() {
    const ParameterKey threshold = ChannelKey(kOut1, F::LimiterThreshold);
    const DisplayKindSettings scale = kLimiterThresholdEntry;
    auto* edit = new ValueEdit(m_window.get());
    auto* spinEdit = new ValueEdit(m_window.get());
    auto* spin = new ValueSpin(m_window.get());
    auto* fader = new Fader(m_window.get());
    auto* knob = new RotaryKnob(m_window.get());
    new EditConnection(*m_store, Fixed(threshold), edit, scale);
    new SpinConnection(*m_store, Fixed(threshold), spin, spinEdit, scale);
    new FaderConnection(*m_store, Fixed(threshold), fader, FaderConnection::Inverted(scale.max));
    new KnobConnection(*m_store, Fixed(threshold), knob,
                       KnobConnection::Linear(scale.min, scale.max));
    QSignalSpy written(m_store.get(), &ParameterStore::written);

    const int before = m_program->output(0).threshold();
    spin->stepBy(-1);
    const int after = m_program->output(0).threshold();
    QCOMPARE(after, before - 1);
    QCOMPARE(edit->value(), after);
    QCOMPARE(fader->value(), scale.max - after); // the top is the maximum
    QCOMPARE(knob->value(), after);
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).value<ParameterKey>(), threshold);
    QCOMPARE(written.at(0).mid(1), (QVariantList{before, after}));

    knob->setValue(12);
    QCOMPARE(m_program->output(0).threshold(), 12);
    QCOMPARE(fader->value(), scale.max - 12);
    QCOMPARE(spinEdit->value(), 12);

    // The same value again writes nothing.
    written.clear();
    Type(edit, edit->text());
    edit->commit();
    QCOMPARE(written.count(), 0);

    // Another channel's write leaves these controls alone.
    m_store->write(ChannelKey({true, 1}, F::LimiterThreshold), 30);
    QCOMPARE(edit->value(), 12);
}

void ParameterConnectionsTest::valuesMovedByARuleAreShown() {
    // A band switched off shows 0.0 dB; a gain given to it switches it on, and its switch says so.
    const ParameterKey gain = BandKey(kInA, 0, F::BandGain);
    const ParameterKey on = BandKey(kInA, 0, F::BandOn);
    m_store->write(gain, kBandGainEntry.max);
    m_store->write(on, 0);
    auto* button = new TwoStateButton(m_window.get());
    new SwitchConnection(*m_store, Fixed(on), button, "On", "OFF");
    auto* knob = new RotaryKnob(m_window.get());
    new KnobConnection(*m_store, Fixed(gain), knob,
                       KnobConnection::Linear(kBandGainEntry.min, kBandGainEntry.max));
    QCOMPARE(button->text(), QString("OFF"));
    QCOMPARE(knob->value(), kEqGainZeroIndex);

    QSignalSpy changed(m_store.get(), &ParameterStore::changed);
    knob->setValue(kEqGainZeroIndex + 30);
    QCOMPARE(m_program->input(0).filter(0).off(), 0);
    QCOMPARE(button->text(), QString("On"));
    QCOMPARE(button->state(), 1);
    QList<ParameterKey> moved;
    for (const QList<QVariant>& signal : changed)
        moved.push_back(signal.at(0).value<ParameterKey>());
    QVERIFY(moved.contains(gain));
    QVERIFY(moved.contains(on));
    QVERIFY(!moved.contains(BandKey(kInA, 1, F::BandGain))); // only what moved is announced

    // Clicking the switch off: the gain shows 0.0 dB again.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_program->input(0).filter(0).off(), 1);
    QCOMPARE(knob->value(), kEqGainZeroIndex);
}

void ParameterConnectionsTest::correctedWriteMovesTheControlItCameFrom() {
    const ParameterKey highPass = ChannelKey(kOut1, F::HighPassFrequency);
    m_store->write(ChannelKey(kOut1, F::LowPassFrequency), 2000);
    auto* edit = new ValueEdit(m_window.get());
    auto* fader = new Fader(m_window.get());
    auto* connection = new EditConnection(*m_store, Fixed(highPass), edit, kHighPassFrequencyEntry);
    new FaderConnection(*m_store, Fixed(highPass), fader, FaderConnection::Frequency());
    QSignalSpy ruled(connection, &ParameterConnection::ruleApplied);
    QSignalSpy written(m_store.get(), &ParameterStore::written);

    // Typed above the low-pass: stored at the low-pass, and the edit says so.
    Type(edit, "5000");
    edit->commit();
    QCOMPARE(m_program->output(0).highPass().frequency(), 2000);
    QCOMPARE(edit->text(), QString("2000"));
    QCOMPARE(ruled.count(), 1);
    QCOMPARE(ruled.at(0).mid(1, 2), (QVariantList{5000, 2000}));
    QCOMPARE(ruled.at(0).at(3).value<Edit>(), Edit::Corrected);

    // Dragged to the top: the thumb goes where the rule stopped it.
    written.clear();
    guitest::DragSlider(fader, {0});
    QCOMPARE(m_program->output(0).highPass().frequency(), 2000);
    QCOMPARE(fader->value(), controlmath::SliderPositionOfFrequency(2000, 0, 240));
    // Pressed and let go where it was put: nothing new is asked.
    guitest::DragSlider(fader, {});
    QCOMPARE(written.count(), 0);

    // A thumb whose value was taken stays where the operator holds it, though its position and
    // the frequency do not map one to one.
    fader->setSliderDown(true);
    fader->setSliderPosition(230);
    const int held = m_program->output(0).highPass().frequency();
    QCOMPARE(held, controlmath::SliderFrequencyOfPosition(230, 240));
    QCOMPARE(fader->value(), 230);
    // Let go there: the value it wrote stands, nothing is written again.
    written.clear();
    fader->setSliderDown(false);
    QCOMPARE(written.count(), 0);
    QCOMPARE(m_program->output(0).highPass().frequency(), held);
}

void ParameterConnectionsTest::textBeingTypedSurvivesOtherWritesButNotAReload() {
    auto* threshold = new ValueEdit(m_window.get());
    new EditConnection(*m_store, Fixed(ChannelKey(kOut1, F::LimiterThreshold)), threshold,
                       kLimiterThresholdEntry);
    auto* slope = new Fader(m_window.get());
    new FaderConnection(*m_store, Fixed(ChannelKey(kOut1, F::HighPassSlope)), slope,
                        FaderConnection::Inverted(kCrossoverSlopeEntry.max));
    const QString shown = threshold->text();

    Type(threshold, "4");
    guitest::DragSlider(slope, {0});
    QCOMPARE(m_program->output(0).highPass().slope(), kCrossoverSlopeEntry.max);
    QCOMPARE(threshold->text(), QString("4"));
    QVERIFY(threshold->isValueModified());

    m_store->reload();
    QCOMPARE(threshold->text(), shown);
}

void ParameterConnectionsTest::disabledControlWritesNothing() {
    // In Auto mode a compressor derives its attack: the attack's controls are greyed.
    m_store->write(ChannelKey(kOut1, F::DynamicsType), OutputChannel::kDynamicsCompressor);
    const ParameterKey attack = ChannelKey(kOut1, F::Attack);
    auto* fader = new Fader(m_window.get());
    auto* connection = new FaderConnection(*m_store, Fixed(attack), fader,
                                           FaderConnection::Inverted(kAttackEntry.max));
    connection->setEnabledWhen(
        [this] { return ChannelEditRules::LimiterViewOf(m_program->output(0)).manualTiming; });
    QVERIFY(fader->isEnabled());

    m_store->write(ChannelKey(kOut1, F::DynamicsMode), OutputChannel::kModeAuto);
    QVERIFY(!fader->isEnabled());
    const int shown = fader->value();
    QSignalSpy written(m_store.get(), &ParameterStore::written);
    guitest::DragSlider(fader, {0}); // a drag begun before it greyed
    QCOMPARE(written.count(), 0);
    QCOMPARE(fader->value(), shown);
}

void ParameterConnectionsTest::choiceButtonsShowAndWriteTheirIndex() {
    auto* limit = new QRadioButton("Limit", m_window.get());
    auto* compressor = new QRadioButton("Compressor", m_window.get());
    new ChoiceConnection(
        *m_store, Fixed(ChannelKey(kOut1, F::DynamicsType)),
        {{limit, OutputChannel::kDynamicsLimit}, {compressor, OutputChannel::kDynamicsCompressor}});
    auto* butterworth = new TwoStateButton("BTWorth", m_window.get());
    auto* bessel = new TwoStateButton("Bessel", m_window.get());
    new ChoiceConnection(*m_store, Fixed(ChannelKey(kOut1, F::HighPassKind)),
                         {{butterworth, Filter::kButterworth}, {bessel, Filter::kBessel}});
    QVERIFY(limit->isChecked());

    QTest::mouseClick(compressor, Qt::LeftButton);
    QCOMPARE(m_program->output(0).dynamicsType(), OutputChannel::kDynamicsCompressor);
    m_store->write(ChannelKey(kOut1, F::DynamicsType), OutputChannel::kDynamicsLimit);
    QVERIFY(limit->isChecked());
    QVERIFY(!compressor->isChecked());

    // The pressed button is the one of the index; pressing it again changes nothing.
    QTest::mouseClick(bessel, Qt::LeftButton);
    QCOMPARE(m_program->output(0).highPass().kind(), Filter::kBessel);
    QCOMPARE(bessel->state(), 0);
    QCOMPARE(butterworth->state(), 1);
    QTest::mouseClick(bessel, Qt::LeftButton);
    QCOMPARE(m_program->output(0).highPass().kind(), Filter::kBessel);
    QCOMPARE(bessel->state(), 0);
}

TAVREL_GUI_TEST_MAIN(ParameterConnectionsTest)
#include "parameter_connections_test.moc"
