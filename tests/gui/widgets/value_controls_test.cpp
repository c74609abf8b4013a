#include "GuiTestSupport.h"

#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"

#include <QAccessible>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

using guitest::SaveShot;

void SendFocus(QWidget& w, QEvent::Type type) {
    QFocusEvent e(type, Qt::MouseFocusReason);
    QApplication::sendEvent(&w, &e);
}

// The operator clicks into the edit, replaces its text and leaves it.
void TypeAndLeave(ValueEdit& edit, const QString& text) {
    SendFocus(edit, QEvent::FocusIn);
    edit.selectAll();
    QTest::keyClicks(&edit, text);
    SendFocus(edit, QEvent::FocusOut);
}

// Independent reference for the logarithmic frequency steps: k = 3000^(1/240).
double StepsOf(double tens) {
    return 240.0 * std::log(tens) / std::log(3000.0);
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void sliderFrequency_data();
    void sliderFrequency();
    void knobDragToValue_data();
    void knobDragToValue();
    void knobValueToAngle_data();
    void knobValueToAngle();
    void keyAndWheelSteps_data();
    void keyAndWheelSteps();
    void heldSpinSteps_data();
    void heldSpinSteps();

    void editCommitsTypedTextOnFocusLoss();
    void editRefusesWhatItCannotTake();
    void editColoursFollowTheEntry();
    void editIgnoresValuesOutsideItsRange();
    void editValueCommitsTypedTextSilently();
    void editEnterCommitsWithoutClosingTheDialog();
    void editKeepsOffAndStepsWithArrows();
    void editTemperatureReformatsDistances();

    void spinRejectsPositionOutsideRange();
    void spinClickStepsAndReportsOnce();
    void spinHeldReportsEvery400ms();
    void spinHeldTwoSecondsRunsFar();
    void spinStepsFromTypedText();
    void spinKeysInBuddyStep();

    void sliderDragFollowsGrabPoint();
    void sliderPressOffThumbCentresIt();
    void sliderDisablingEndsDrag();
    void sliderKeysMoveAndReport();
    void slidersServeAssistiveTechnology();

    void knobDragsUpAndDownAndResetsOnDoubleClick();
    void knobKeysAndFrequency();
    void wheelStepsFaderAndKnobOnlyWhenEnabled();

    void stateButtonFlipsBeforeClick();
    void stateButtonDrawsStates();

    void screenshots();

private:
    guitest::MessageRecorder m_recorder;
};

void ControlsTest::initTestCase() {
    m_recorder.CaptureControlMessages();
}

void ControlsTest::init() {
    m_recorder.Clear();
}

// ---- Pure mappings ---------------------------------------------------------------------------

void ControlsTest::sliderFrequency_data() {
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("position"); // on a 0..240 slider
    QTest::newRow("30 kHz is the top") << 30000 << 0;
    QTest::newRow("10 Hz is the bottom") << 10 << 240;
    QTest::newRow("19 Hz divides to 1: bottom") << 19 << 240;
    QTest::newRow("below 10 Hz stays at the bottom") << 5 << 240;
    QTest::newRow("37 Hz divides to 3") << 37 << 240 - static_cast<int>(StepsOf(3)); // 32.9 steps
    QTest::newRow("1 kHz") << 1000 << 240 - static_cast<int>(StepsOf(100));
}

void ControlsTest::sliderFrequency() {
    QFETCH(int, hz);
    QFETCH(int, position);
    Fader slider;
    slider.setRange(0, 240);
    slider.showFrequency(hz);
    QCOMPARE(slider.value(), position);
    QCOMPARE(controlmath::SliderPositionOfFrequency(hz, 0, 240), position);
}

void ControlsTest::knobDragToValue_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<double>("pixelsUp");
    QTest::addColumn<bool>("fine");
    QTest::addColumn<int>("max"); // range 0..max
    QTest::addColumn<int>("value");
    // 200 pixels cross the whole range; with Shift 2000.
    QTest::newRow("no move, no jump") << 120 << 0.0 << false << 240 << 120;
    QTest::newRow("up is more") << 120 << 50.0 << false << 240 << 180;
    QTest::newRow("down is less") << 120 << -50.0 << false << 240 << 60;
    QTest::newRow("fine: ten times less") << 120 << 50.0 << true << 240 << 126;
    QTest::newRow("rounded to the nearest") << 300 << 1.0 << false << 450 << 302; // 2.25
    QTest::newRow("fine gain: a tenth of a dB per 4.4 px") << 300 << 4.5 << true << 450 << 301;
    QTest::newRow("stops at the top") << 200 << 500.0 << false << 240 << 240;
    QTest::newRow("stops at the bottom") << 10 << -500.0 << false << 240 << 0;
}

void ControlsTest::knobDragToValue() {
    QFETCH(int, start);
    QFETCH(double, pixelsUp);
    QFETCH(bool, fine);
    QFETCH(int, max);
    QFETCH(int, value);
    QCOMPARE(controlmath::KnobDragValue(start, pixelsUp, 0, max, fine), value);
}

void ControlsTest::knobValueToAngle_data() {
    QTest::addColumn<int>("value"); // range 0..100
    QTest::addColumn<double>("angle");
    QTest::newRow("minimum at 245") << 0 << 245.0;
    QTest::newRow("lower quarter") << 25 << 25 * 2.3 + 245;
    QTest::newRow("middle straight up") << 50 << 0.0;
    QTest::newRow("just above the middle") << 51 << 51 * 2.3 - 115;
    QTest::newRow("maximum at 115") << 100 << 115.0;
    QTest::newRow("clamped above") << 150 << 115.0;
}

void ControlsTest::knobValueToAngle() {
    QFETCH(int, value);
    QFETCH(double, angle);
    RotaryKnob knob;
    knob.setRange(0, 100);
    knob.setValue(value);
    QVERIFY2(std::abs(knob.angle() - angle) < 1e-9, qPrintable(QString::number(knob.angle())));
}

void ControlsTest::keyAndWheelSteps_data() {
    QTest::addColumn<bool>("upRaises"); // the knob; a fader's position falls upwards
    QTest::addColumn<int>("key");       // controlmath::StepKey, or -1 for the wheel
    QTest::addColumn<int>("notches");
    QTest::addColumn<int>("value"); // on a range of 0..85: a page is 8
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("pageLimit"); // controlmath::KeySteps
    QTest::addColumn<bool>("jumpsToEnds");
    using controlmath::StepKey;
    auto key = [](StepKey k) { return static_cast<int>(k); };
    QTest::newRow("knob: up raises") << true << key(StepKey::Up) << 0 << 10 << 11 << 0 << true;
    QTest::newRow("fader: up lowers the position")
        << false << key(StepKey::Up) << 0 << 10 << 9 << 0 << true;
    QTest::newRow("knob: down lowers") << true << key(StepKey::Down) << 0 << 10 << 9 << 0 << true;
    QTest::newRow("fader: down raises")
        << false << key(StepKey::Down) << 0 << 10 << 11 << 0 << true;
    QTest::newRow("knob: left lowers") << true << key(StepKey::Left) << 0 << 10 << 9 << 0 << true;
    QTest::newRow("fader: left lowers too")
        << false << key(StepKey::Left) << 0 << 10 << 9 << 0 << true;
    QTest::newRow("knob: right raises")
        << true << key(StepKey::Right) << 0 << 10 << 11 << 0 << true;
    QTest::newRow("fader: right raises too")
        << false << key(StepKey::Right) << 0 << 10 << 11 << 0 << true;
    QTest::newRow("knob: page up is a tenth")
        << true << key(StepKey::PageUp) << 0 << 10 << 18 << 0 << true;
    QTest::newRow("fader: page down is a tenth")
        << false << key(StepKey::PageDown) << 0 << 10 << 18 << 0 << true;
    QTest::newRow("fader: page up stops at 0")
        << false << key(StepKey::PageUp) << 0 << 3 << 0 << 0 << true;
    QTest::newRow("knob: page up stops at the top")
        << true << key(StepKey::PageUp) << 0 << 80 << 85 << 0 << true;
    QTest::newRow("home is the minimum") << true << key(StepKey::Home) << 0 << 40 << 0 << 0 << true;
    QTest::newRow("end is the maximum") << false << key(StepKey::End) << 0 << 40 << 85 << 0 << true;
    QTest::newRow("knob: wheel away raises") << true << -1 << 2 << 10 << 12 << 0 << true;
    QTest::newRow("fader: wheel away lowers") << false << -1 << 2 << 10 << 8 << 0 << true;
    QTest::newRow("fader: wheel stops at the bottom") << false << -1 << -5 << 83 << 85 << 0 << true;
    QTest::newRow("limited page: 5 where a tenth is 8")
        << false << key(StepKey::PageUp) << 0 << 40 << 35 << 5 << false;
    QTest::newRow("limited page down on the knob")
        << true << key(StepKey::PageDown) << 0 << 40 << 35 << 5 << false;
    QTest::newRow("a limit above the tenth leaves the tenth")
        << true << key(StepKey::PageUp) << 0 << 40 << 48 << 20 << false;
    QTest::newRow("without jumps Home stays")
        << false << key(StepKey::Home) << 0 << 40 << 40 << 5 << false;
    QTest::newRow("without jumps End stays")
        << false << key(StepKey::End) << 0 << 40 << 40 << 5 << false;
    QTest::newRow("arrows are single steps under a limit")
        << false << key(StepKey::Down) << 0 << 40 << 41 << 5 << false;
}

void ControlsTest::keyAndWheelSteps() {
    QFETCH(bool, upRaises);
    QFETCH(int, key);
    QFETCH(int, notches);
    QFETCH(int, value);
    QFETCH(int, target);
    QFETCH(int, pageLimit);
    QFETCH(bool, jumpsToEnds);
    const auto up = upRaises ? controlmath::UpMeans::Higher : controlmath::UpMeans::Lower;
    const controlmath::KeySteps steps{pageLimit, jumpsToEnds};
    const int stepped = key < 0 ? controlmath::WheelStepTarget(notches, value, 0, 85, up)
                                : controlmath::KeyStepTarget(static_cast<controlmath::StepKey>(key),
                                                             value, 0, 85, up, steps);
    QCOMPARE(stepped, target);
}

void ControlsTest::heldSpinSteps_data() {
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("max"); // range 0..max
    QTest::addColumn<int>("step");
    QTest::newRow("the first repeats are single steps") << 2 << 30000 << 1;
    QTest::newRow("a third more each repeat") << 9 << 30000 << 11; // 1.35^8 = 11.0
    QTest::newRow("at most a hundredth of a frequency") << 40 << 30000 << 300;
    QTest::newRow("a gain: at most 0.4 dB") << 40 << 450 << 4;
    QTest::newRow("a short range keeps single steps") << 40 << 59 << 1;
}

void ControlsTest::heldSpinSteps() {
    QFETCH(int, repeat);
    QFETCH(int, max);
    QFETCH(int, step);
    QCOMPARE(controlmath::HeldSpinStep(repeat, 0, max), step);
}

// ---- Numeric edit ----------------------------------------------------------------------------

void ControlsTest::editCommitsTypedTextOnFocusLoss() {
    ValueEdit edit;
    edit.setRange(0, 1465);
    edit.setKind(kKindDelayMsShort);
    edit.setValue(0);
    QSignalSpy spy(&edit, &ValueEdit::committed);

    TypeAndLeave(edit, "10");
    QCOMPARE(edit.storedValue(), 476);
    QCOMPARE(edit.text(), QString("10.0"));
    QCOMPARE(spy.count(), 1);

    TypeAndLeave(edit, "9.975");
    QCOMPARE(edit.storedValue(), 475);
    QCOMPARE(edit.text(), QString("9.975"));

    // In and out again without typing: nobody is told.
    SendFocus(edit, QEvent::FocusIn);
    SendFocus(edit, QEvent::FocusOut);
    QCOMPARE(spy.count(), 2);
    QVERIFY(m_recorder.ControlMessages().isEmpty());
    QCOMPARE(edit.maxLength(), 9);
}

void ControlsTest::editRefusesWhatItCannotTake() {
    ValueEdit edit;
    edit.setRange(0, 52473);
    edit.setKind(kKindDelayMsLong);
    edit.setValue(100);
    QSignalSpy committed(&edit, &ValueEdit::committed);
    QSignalSpy notices(&edit, &ValueEdit::notice);

    TypeAndLeave(edit, "1000");
    QCOMPARE(edit.storedValue(), 52473);
    QCOMPARE(edit.text(), QString("1000"));
    QVERIFY(m_recorder.ControlMessages().isEmpty());

    // Out of range, or no number: the message with the allowed range, the stored value shown
    // again, and the owner (who would send it) told nothing.
    edit.setValue(100);
    TypeAndLeave(edit, "1000.5");
    TypeAndLeave(edit, "1e3");
    QCOMPARE(m_recorder.ControlMessages(),
             (QStringList{"Out of Range\nAllowed range: 0.0000 to 1000 ms",
                          "Not a number\nAllowed range: 0.0000 to 1000 ms"}));
    QCOMPARE(edit.storedValue(), 100);
    QCOMPARE(edit.text(), QString("1.0400"));
    QCOMPARE(edit.value(), 100);
    QCOMPARE(committed.count(), 1);

    // A number between two steps of the attack: said on the status line, no box.
    m_recorder.Clear();
    edit.setRange(0, 106);
    edit.setKind(kKindAttack);
    edit.setValue(9);
    TypeAndLeave(edit, "0.95");
    QCOMPARE(edit.storedValue(), 9);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.at(0).at(0).toString(), QString("No step at 0.95 ms: 0.9 or 1 ms"));
    QVERIFY(m_recorder.ControlMessages().isEmpty());
    QCOMPARE(committed.count(), 1);
}

void ControlsTest::editColoursFollowTheEntry() {
    ValueEdit edit;
    edit.setRange(0, 500);
    edit.setKind(kKindLinear);
    edit.setStep(0.1);
    edit.setOffset(30);
    edit.setValue(300);
    QCOMPARE(edit.text(), QString("0.0"));
    QCOMPARE(edit.currentTextColour(), QColor(255, 230, 255));
    QCOMPARE(edit.currentBackgroundColour().alpha(), 0); // transparent

    SendFocus(edit, QEvent::FocusIn);
    QCOMPARE(edit.currentTextColour(), QColor(255, 83, 83));
    QCOMPARE(edit.currentBackgroundColour(), QColor(255, 255, 255));
    edit.selectAll();
    QTest::keyClicks(&edit, "20.5");
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.currentBackgroundColour(), QColor(255, 255, 255)); // Enter keeps the look
    QCOMPARE(edit.storedValue(), 300);
    QCOMPARE(m_recorder.ControlMessages(),
             QStringList{"Out of Range\nAllowed range: -30.0 to 20.0"});

    QTest::keyClicks(&edit, "1");
    SendFocus(edit, QEvent::FocusOut);
    QCOMPARE(edit.currentTextColour(), QColor(255, 230, 255));
    QCOMPARE(edit.currentBackgroundColour(), QColor(48, 54, 68));
}

void ControlsTest::editIgnoresValuesOutsideItsRange() {
    ValueEdit edit;
    edit.setRange(10, 30000);
    edit.setKind(kKindFrequency);
    QVERIFY(edit.setValue(1000));
    QVERIFY(!edit.setValue(5));
    QVERIFY(!edit.setValue(30001));
    QCOMPARE(edit.storedValue(), 1000);
    QCOMPARE(edit.text(), QString("1000"));
}

void ControlsTest::editValueCommitsTypedTextSilently() {
    ValueEdit edit;
    edit.setRange(0, 295);
    edit.setKind(kKindQFine);
    edit.setValue(0);
    QSignalSpy spy(&edit, &ValueEdit::committed);
    SendFocus(edit, QEvent::FocusIn);
    edit.selectAll();
    QTest::keyClicks(&edit, "1.414");
    QVERIFY(edit.isValueModified());
    QCOMPARE(edit.value(), 95); // Q 1.414 is one octave
    QVERIFY(!edit.isValueModified());
    SendFocus(edit, QEvent::FocusOut);
    QCOMPARE(spy.count(), 0);
}

void ControlsTest::editEnterCommitsWithoutClosingTheDialog() {
    QDialog dialog;
    auto* edit = new ValueEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    edit->setRange(0, 106);
    edit->setKind(kKindAttack);
    edit->setValue(0);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy committed(edit, &ValueEdit::committed);
    SendFocus(*edit, QEvent::FocusIn);
    edit->selectAll();
    QTest::keyClicks(edit, "45");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->storedValue(), 51);
    QCOMPARE(committed.count(), 1);
    QCOMPARE(accepted.count(), 0);
}

void ControlsTest::editKeepsOffAndStepsWithArrows() {
    ValueEdit edit;
    edit.setRange(10, 30000);
    edit.setKind(kKindInteger);
    edit.setValue(100);
    QSignalSpy spy(&edit, &ValueEdit::committed);
    TypeAndLeave(edit, "OFF");
    QCOMPARE(edit.text(), QString("OFF"));
    QCOMPARE(edit.storedValue(), 100);
    QCOMPARE(spy.count(), 0);

    edit.setValue(100);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.storedValue(), 101);
    QTest::keyClick(&edit, Qt::Key_PageDown);
    QCOMPARE(edit.storedValue(), 91);
    QCOMPARE(edit.text(), QString("91"));
    QCOMPARE(spy.count(), 2);
}

void ControlsTest::editTemperatureReformatsDistances() {
    ValueEdit edit;
    edit.setRange(0, 52473);
    edit.setKind(kKindDelayMetresLong);
    edit.setValue(9616);
    QCOMPARE(edit.text(), QString("33.1021")); // 100.0064 ms x 331 m/s
    edit.setTemperature(20);
    QCOMPARE(edit.text(), QString("34.3022")); // x 343 m/s
}

// ---- Spin ------------------------------------------------------------------------------------

void ControlsTest::spinRejectsPositionOutsideRange() {
    ValueEdit edit;
    edit.setKind(kKindFrequency);
    ValueSpin spin;
    spin.setBuddy(&edit);
    spin.setRange(10, 30000);
    QCOMPARE(edit.minimum(), 10);
    QCOMPARE(edit.maximum(), 30000);
    QVERIFY(spin.setPosition(1000));
    QCOMPARE(edit.text(), QString("1000"));
    QVERIFY(!spin.setPosition(30001));
    QCOMPARE(m_recorder.ControlMessages(), QStringList{QString::fromUtf8("Pos设定错误")});
    QCOMPARE(spin.position(), 1000);
    QCOMPARE(edit.text(), QString("1000"));
}

void ControlsTest::spinClickStepsAndReportsOnce() {
    ValueEdit edit;
    edit.setKind(kKindInteger);
    ValueSpin spin;
    spin.setBuddy(&edit);
    spin.setRange(0, 10);
    spin.setPosition(9);
    spin.resize(16, 22);
    QSignalSpy spy(&spin, &ValueSpin::notified);

    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(8, 4)); // upper arrow
    QCOMPARE(spin.position(), 10);
    QCOMPARE(spy.count(), 1);

    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(8, 4)); // already at the top
    QCOMPARE(spy.count(), 1);

    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(8, 18)); // lower arrow
    QCOMPARE(edit.text(), QString("9"));
    QCOMPARE(spy.count(), 2);
}

void ControlsTest::spinHeldReportsEvery400ms() {
    ValueEdit edit;
    edit.setKind(kKindInteger);
    ValueSpin spin;
    spin.setBuddy(&edit);
    spin.setRange(0, 1000);
    spin.setPosition(0);
    QSignalSpy spy(&spin, &ValueSpin::notified);

    // Two seconds with the up arrow held: the arrow repeats from 400 ms every 100 ms, the
    // report timer runs every 400 ms.
    spin.pressArrow(1);
    int steps = 1;
    int repeats = 0;
    for (int t = 100; t <= 2000; t += 100) {
        if (t >= ValueSpin::kRepeatDelayMs) {
            spin.repeatTick();
            steps += controlmath::HeldSpinStep(++repeats, 0, 1000);
        }
        if (t % ValueSpin::kReportIntervalMs == 0) {
            spin.reportTick();
        }
    }
    QCOMPARE(spy.count(), 5);
    spin.releaseArrow(); // everything was reported at 2000 ms
    QCOMPARE(spy.count(), 5);
    QCOMPARE(spin.position(), steps);
    QCOMPARE(edit.storedValue(), steps);

    // A step after the last report is reported on release.
    spin.pressArrow(1);
    spin.reportTick();
    spin.repeatTick();
    QCOMPARE(spy.count(), 6);
    spin.releaseArrow();
    QCOMPARE(spy.count(), 7);
    QVERIFY(!spin.hasUnreportedChange());
}

void ControlsTest::spinHeldTwoSecondsRunsFar() {
    // Held for two seconds (a step at once, repeats from 400 ms every 100 ms): a frequency runs
    // through several hundred Hz, a 4x8 delay through several milliseconds.
    // The text of a spin over 0..max of a kind, held up for two seconds from `start`.
    auto heldTwoSeconds = [](int kind, int max, int start) {
        ValueEdit edit;
        edit.setKind(kind);
        ValueSpin spin;
        spin.setBuddy(&edit);
        spin.setRange(0, max);
        spin.setPosition(start);
        spin.pressArrow(1);
        for (int t = ValueSpin::kRepeatDelayMs; t <= 2000; t += ValueSpin::kRepeatIntervalMs)
            spin.repeatTick();
        spin.releaseArrow();
        return edit.text();
    };
    const QString hz = heldTwoSeconds(kKindInteger, 30000, 1000);
    QVERIFY2(hz.toInt() >= 1300 && hz.toInt() <= 2000, qPrintable(hz));
    const QString ms = heldTwoSeconds(kKindDelayMsLong, 52473, 0);
    QVERIFY2(ms.toDouble() >= 3.0 && ms.toDouble() <= 10.0, qPrintable(ms));
}

void ControlsTest::spinStepsFromTypedText() {
    ValueEdit edit;
    edit.setKind(kKindInteger);
    ValueSpin spin;
    spin.setBuddy(&edit);
    spin.setRange(0, 100);
    spin.setPosition(10);
    QSignalSpy spy(&spin, &ValueSpin::notified);
    SendFocus(edit, QEvent::FocusIn);
    edit.selectAll();
    QTest::keyClicks(&edit, "50");
    spin.stepBy(1);
    QCOMPARE(spin.position(), 51);
    QCOMPARE(edit.text(), QString("51"));
    QCOMPARE(spy.count(), 1);

    // A value committed in the edit (focus left) is where the next step starts.
    TypeAndLeave(edit, "70");
    spin.stepBy(-1);
    QCOMPARE(spin.position(), 69);
}

void ControlsTest::spinKeysInBuddyStep() {
    ValueEdit edit;
    edit.setKind(kKindInteger);
    ValueSpin spin;
    spin.setBuddy(&edit);
    spin.setRange(0, 100);
    spin.setPosition(50);
    QSignalSpy spinSpy(&spin, &ValueSpin::notified);
    QSignalSpy editSpy(&edit, &ValueEdit::committed);
    QTest::keyClick(&edit, Qt::Key_Up);
    QTest::keyClick(&edit, Qt::Key_PageUp);
    QCOMPARE(spin.position(), 61);
    QCOMPARE(spinSpy.count(), 2);
    QCOMPARE(editSpy.count(), 0); // the spin reports, not the edit
}

// ---- Slider ----------------------------------------------------------------------------------

namespace {

// A fader whose travel is exactly one pixel per position: 96 - 11 = 85.
void MakeFader(Fader& slider) {
    slider.resize(17, 96);
    slider.setRange(0, 85);
}

// The standard slider signals in the order they came: "pressed", "moved 50", "value 50",
// "released".
class SliderLog : public QObject {
public:
    explicit SliderLog(QAbstractSlider& slider) {
        connect(&slider, &QAbstractSlider::sliderPressed, this, [this] { events << "pressed"; });
        connect(&slider, &QAbstractSlider::sliderMoved, this,
                [this](int v) { events << QString("moved %1").arg(v); });
        connect(&slider, &QAbstractSlider::valueChanged, this,
                [this](int v) { events << QString("value %1").arg(v); });
        connect(&slider, &QAbstractSlider::sliderReleased, this, [this] { events << "released"; });
    }
    QStringList events;
};

} // namespace

void ControlsTest::sliderDragFollowsGrabPoint() {
    Fader slider;
    MakeFader(slider);
    slider.showValue(10);
    QCOMPARE(slider.thumbRect().top(), 10.0);
    SliderLog log(slider);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(8, 13)); // 3 px into the thumb
    QVERIFY(slider.isSliderDown());
    QTest::mouseMove(&slider, QPoint(8, 53));
    QCOMPARE(slider.value(), 50);
    QTest::mouseMove(&slider, QPoint(8, 200)); // clamped at the bottom
    QCOMPARE(slider.value(), 85);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(8, 200));
    QVERIFY(!slider.isSliderDown());
    QCOMPARE(log.events,
             QStringList({"pressed", "moved 50", "value 50", "moved 85", "value 85", "released"}));

    // Grabbed and let go without moving: no value is asked for.
    log.events.clear();
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(8, 90));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(8, 90));
    QCOMPARE(log.events, QStringList({"pressed", "released"}));
}

void ControlsTest::sliderPressOffThumbCentresIt() {
    Fader slider;
    MakeFader(slider);
    slider.showValue(0);
    SliderLog log(slider);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(8, 60));
    // The thumb's centre goes to the cursor: its top at 60 - 5.5, rounded to position 55.
    QCOMPARE(slider.value(), 55);
    QCOMPARE(log.events, QStringList({"pressed", "moved 55", "value 55"}));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(8, 60));
}

void ControlsTest::sliderDisablingEndsDrag() {
    Fader slider;
    MakeFader(slider);
    SliderLog log(slider);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(8, 5));
    QVERIFY(slider.isSliderDown());
    log.events.clear();
    // The drag ends without a release: the owner is asked for nothing.
    slider.setEnabled(false);
    QVERIFY(!slider.isSliderDown());
    slider.setEnabled(true);
    QTest::mouseMove(&slider, QPoint(8, 60));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(8, 60));
    QCOMPARE(slider.value(), 0);
    QCOMPARE(log.events, QStringList());
}

void ControlsTest::sliderKeysMoveAndReport() {
    Fader slider;
    MakeFader(slider);
    slider.showValue(10);
    QSignalSpy spy(&slider, &Fader::valueChanged);
    struct Row {
        Qt::Key key;
        int position;
    };
    // Up moves the thumb up, towards position 0; a page is a tenth of the range (8). Down at the
    // bottom moves nothing and signals nothing.
    const Row rows[] = {{Qt::Key_Up, 9},      {Qt::Key_Down, 10}, {Qt::Key_PageDown, 18},
                        {Qt::Key_PageUp, 10}, {Qt::Key_End, 85},  {Qt::Key_Down, 85},
                        {Qt::Key_Home, 0}};
    for (const Row& r : rows) {
        QTest::keyClick(&slider, r.key);
        QCOMPARE(slider.value(), r.position);
        QCOMPARE(spy.last().at(0).toInt(), r.position);
    }
    QCOMPARE(spy.count(), 6);

    // What the owner shows is not signalled.
    slider.setRange(0, 240);
    slider.showValue(0);
    QCOMPARE(slider.frequency(), 30000);
    slider.showValue(240);
    QCOMPARE(slider.frequency(), 10);
    slider.showValue(120);
    QCOMPARE(slider.frequency(), static_cast<int>(10 * std::sqrt(3000.0)));
    slider.showValue(-3);
    QCOMPARE(slider.value(), 0);
    slider.showFrequency(1000);
    QCOMPARE(slider.value(), controlmath::SliderPositionOfFrequency(1000, 0, 240));
    QCOMPARE(spy.count(), 6);
}

void ControlsTest::slidersServeAssistiveTechnology() {
    Fader fader;
    MakeFader(fader);
    RotaryKnob knob;
    knob.setRange(0, 450);
    for (QAbstractSlider* slider : std::initializer_list<QAbstractSlider*>{&fader, &knob}) {
        QSignalSpy spy(slider, &QAbstractSlider::valueChanged);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Slider);
        QAccessibleValueInterface* value = accessible->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->maximumValue().toInt(), slider->maximum());
        // A value set by assistive technology is the operator's: it is signalled as such.
        value->setCurrentValue(40);
        QCOMPARE(slider->value(), 40);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(value->currentValue().toInt(), 40);
    }
}

// ---- Knob ------------------------------------------------------------------------------------

void ControlsTest::knobDragsUpAndDownAndResetsOnDoubleClick() {
    RotaryKnob knob;
    knob.resize(40, 40);
    knob.setRange(0, 200); // one value per pixel
    knob.showValue(100);
    SliderLog log(knob);

    // Anywhere on the knob; pressing alone moves nothing, the value follows the pointer's height.
    QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(30, 30));
    QVERIFY(knob.isSliderDown());
    QCOMPARE(log.events, QStringList({"pressed"}));
    QTest::mouseMove(&knob, QPoint(5, 10)); // 20 px up, whatever the angle
    QCOMPARE(knob.value(), 120);
    // Shift: ten times finer, from where the knob stands (no jump when it is pressed).
    auto move = [&](QPoint to, Qt::KeyboardModifiers modifiers) {
        QMouseEvent e(QEvent::MouseMove, to, knob.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                      modifiers);
        QApplication::sendEvent(&knob, &e);
    };
    move(QPoint(5, 10), Qt::ShiftModifier);
    QCOMPARE(knob.value(), 120);
    move(QPoint(5, -40), Qt::ShiftModifier); // 50 px up: 5
    QCOMPARE(knob.value(), 125);
    move(QPoint(5, 60), Qt::NoModifier); // Shift let go: counted afresh from here
    move(QPoint(5, 90), Qt::NoModifier); // 30 px down
    QCOMPARE(knob.value(), 95);
    QTest::mouseRelease(&knob, Qt::LeftButton, {}, QPoint(5, 90));
    QVERIFY(!knob.isSliderDown());
    QCOMPARE(log.events.mid(1, 2), QStringList({"moved 120", "value 120"}));
    QCOMPARE(log.events.last(), QString("released"));

    // A double-click sets the default value when the knob has one.
    QTest::mouseDClick(&knob, Qt::LeftButton);
    QCOMPARE(knob.value(), 95);
    knob.setDefaultValue(150);
    QTest::mouseDClick(&knob, Qt::LeftButton);
    QCOMPARE(knob.value(), 150);
    QCOMPARE(log.events.last(), QString("value 150"));
    QVERIFY(!knob.isSliderDown());
}

void ControlsTest::knobKeysAndFrequency() {
    RotaryKnob knob;
    QCOMPARE(knob.minimum(), 0);
    QCOMPARE(knob.maximum(), 100);
    knob.setRange(0, 450);
    knob.showValue(300);
    QSignalSpy spy(&knob, &RotaryKnob::valueChanged);
    QTest::keyClick(&knob, Qt::Key_Up);
    QCOMPARE(knob.value(), 301);
    QTest::keyClick(&knob, Qt::Key_PageDown);
    QCOMPARE(knob.value(), 256);
    QTest::keyClick(&knob, Qt::Key_End);
    QCOMPARE(knob.value(), 450);
    QCOMPARE(spy.count(), 3);
    // A level's knob: 1 dB (ten steps) per page, Home and End stay still.
    knob.setKeySteps(controlmath::LevelKeySteps(10));
    knob.showValue(300);
    QTest::keyClick(&knob, Qt::Key_PageUp);
    QCOMPARE(knob.value(), 310);
    QTest::keyClick(&knob, Qt::Key_Home);
    QTest::keyClick(&knob, Qt::Key_End);
    QCOMPARE(knob.value(), 310);
    QCOMPARE(spy.count(), 4);

    // A narrower range clamps the value, as any slider's does, and says so.
    knob.setRange(0, 240);
    QCOMPARE(spy.count(), 5);
    QCOMPARE(spy.last().at(0).toInt(), 240);
    knob.showFrequency(30000);
    QCOMPARE(knob.value(), 240);
    QCOMPARE(knob.frequency(), 30000);
    knob.showFrequency(1000);
    QCOMPARE(knob.value(), static_cast<int>(StepsOf(100)));
    knob.showValue(0);
    QCOMPARE(knob.frequency(), 10);
    QCOMPARE(spy.count(), 5);
}

void ControlsTest::wheelStepsFaderAndKnobOnlyWhenEnabled() {
    // Two notches turned away from the operator.
    auto turn = [](QWidget& w) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        e.ignore();
        QApplication::sendEvent(&w, &e);
        return e.isAccepted();
    };
    Fader fader;
    MakeFader(fader);
    fader.showValue(10);
    QSignalSpy faderSpy(&fader, &Fader::valueChanged);
    QVERIFY(turn(fader));
    QCOMPARE(fader.value(), 8); // the thumb moves up
    QCOMPARE(faderSpy.count(), 1);
    QCOMPARE(faderSpy.at(0), (QList<QVariant>{8}));

    RotaryKnob knob;
    knob.setRange(0, 100);
    knob.showValue(50);
    QSignalSpy knobSpy(&knob, &RotaryKnob::valueChanged);
    QVERIFY(turn(knob));
    QCOMPARE(knob.value(), 52);
    QCOMPARE(knobSpy.count(), 1);

    knob.setEnabled(false);
    fader.setEnabled(false);
    turn(knob);
    turn(fader);
    QCOMPARE(knob.value(), 52);
    QCOMPARE(fader.value(), 8);
    QCOMPARE(knobSpy.count(), 1);
    QCOMPARE(faderSpy.count(), 1);
}

// ---- Two-state button ------------------------------------------------------------------------

void ControlsTest::stateButtonFlipsBeforeClick() {
    TwoStateButton button("On");
    button.resize(50, 20);
    QCOMPARE(button.state(), 1);
    QList<int> seen;
    connect(&button, &QAbstractButton::clicked, [&] { seen << button.state(); });
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::keyClick(&button, Qt::Key_Space);
    QCOMPARE(seen, (QList<int>{0, 1, 0}));
    button.setState(1);
    QCOMPARE(button.state(), 1);
    QCOMPARE(seen.size(), 3); // setting the state is not a click
}

void ControlsTest::stateButtonDrawsStates() {
    TwoStateButton button("Mute");
    button.resize(50, 20);
    const QColor fill1(0, 128, 0), fill0(128, 0, 0);
    button.setColours(fill1, fill0);
    button.setTextColours(Qt::white, Qt::yellow);
    QImage raised = button.grab().toImage();
    QCOMPARE(raised.pixelColor(4, 10), fill1);
    // Raised: light bevel on the top-left, shade on the bottom-right; sunken the other way.
    QVERIFY(raised.pixelColor(1, 10).lightness() > raised.pixelColor(48, 10).lightness());
    button.setState(0);
    QImage sunken = button.grab().toImage();
    QCOMPARE(sunken.pixelColor(4, 10), fill0);
    QVERIFY(sunken.pixelColor(1, 10).lightness() < sunken.pixelColor(48, 10).lightness());
    QCOMPARE(button.textColour(0), QColor(Qt::yellow));
}

// ---- Pictures for reviewers ------------------------------------------------------------------

void ControlsTest::screenshots() {
    QWidget panel;
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, QColor(58, 64, 80));
    panel.setPalette(pal);
    auto* grid = new QGridLayout(&panel);

    auto* gain = new ValueEdit;
    gain->setRange(0, 460);
    gain->setKind(kKindLinear);
    gain->setStep(0.1);
    gain->setOffset(40);
    gain->setValue(400);
    gain->setFixedSize(52, 20);
    auto* delay = new ValueEdit;
    delay->setKind(kKindDelayMsLong);
    auto* spin = new ValueSpin;
    spin->setBuddy(delay);
    spin->setRange(0, 52473);
    spin->setPosition(9617);
    delay->setFixedSize(70, 20);
    spin->setFixedSize(14, 20);
    auto* committedLook = new ValueEdit;
    committedLook->setRange(0, 295);
    committedLook->setKind(kKindQFine);
    committedLook->setValue(95);
    committedLook->setFixedSize(52, 20);
    TypeAndLeave(*committedLook, "1.414");

    auto* fader = new Fader;
    fader->setRange(0, 460);
    fader->showValue(460 - 400);
    fader->setFixedSize(17, 96);
    auto* freq = new Fader;
    freq->setRange(0, 240);
    freq->showFrequency(1000);
    freq->setFixedSize(17, 96);
    freq->setEnabled(false);

    auto* knob = new RotaryKnob;
    knob->setRange(0, 450);
    knob->setValue(380);
    knob->setFixedSize(44, 44);
    auto* bigKnob = new RotaryKnob;
    bigKnob->setRange(0, 240);
    bigKnob->showFrequency(1000);
    bigKnob->setFixedSize(64, 64);

    auto* on = new TwoStateButton("On");
    on->setColours(QColor(0, 160, 90), QColor(90, 90, 100));
    on->setTextColours(Qt::white, QColor(200, 200, 200));
    on->setFixedSize(50, 18);
    auto* off = new TwoStateButton("OFF");
    off->setColours(QColor(0, 160, 90), QColor(90, 90, 100));
    off->setTextColours(Qt::white, QColor(200, 200, 200));
    off->setState(0);
    off->setFixedSize(50, 18);

    grid->addWidget(gain, 0, 0);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(delay);
    row->addWidget(spin);
    grid->addLayout(row, 0, 1);
    grid->addWidget(committedLook, 0, 2);
    grid->addWidget(fader, 1, 0, Qt::AlignHCenter);
    grid->addWidget(freq, 1, 1, Qt::AlignHCenter);
    grid->addWidget(knob, 1, 2, Qt::AlignCenter);
    grid->addWidget(bigKnob, 1, 3, Qt::AlignCenter);
    grid->addWidget(on, 2, 0);
    grid->addWidget(off, 2, 1);
    panel.resize(300, 190);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    SaveShot(panel, "controls_panel");
    SaveShot(*knob, "knob_gain");
    SaveShot(*fader, "fader_gain");
    QCOMPARE(delay->text(), QString("100.0274"));
    QCOMPARE(gain->text(), QString("0.0"));
}

TAVREL_GUI_TEST_MAIN(ControlsTest)
#include "value_controls_test.moc"
