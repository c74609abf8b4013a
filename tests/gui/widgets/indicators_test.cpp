#include "GuiTestSupport.h"

#include "gui/widgets/GradientProgressBar.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/StatusLed.h"

#include <QImage>
#include <QPalette>
#include <QtTest>

namespace {

using guitest::SaveShot;

QImage Render(QWidget& w) {
    return w.grab().toImage();
}

// Segments lit, bottom first, as '1'/'0'.
QString Pattern(const LevelMeter::Segments& s) {
    QString out;
    for (bool on : s) {
        out += on ? '1' : '0';
    }
    return out;
}

} // namespace

class IndicatorsTest : public QObject {
    Q_OBJECT
private slots:
    void meterCodeTable_data();
    void meterCodeTable();
    void meterSegmentsAreStackedFromTheBottom();
    void ledBlinksBetweenBrightAndDark();
    void ledWithoutKeepBlinkingDrawsOneFrameAndStops();
    void ledRestartAfterStopsResumesThePeriod();
    void ledSquareAndColours();
    void progressFadesOverTheFilledPart();
    void progressOutsideItsRangeIsEmpty_data();
    void progressOutsideItsRangeIsEmpty();
};

void IndicatorsTest::meterCodeTable_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("lit"); // bottom segment first
    QTest::newRow("0 lights nothing") << 0 << "00000000";
    QTest::newRow("1 lights the bottom") << 1 << "10000000";
    QTest::newRow("7 lights seven") << 7 << "11111110";
    QTest::newRow("8 lights all") << 8 << "11111111";
    QTest::newRow("9 lights all") << 9 << "11111111";
    QTest::newRow("15 lights all") << 15 << "11111111";
    QTest::newRow("16 is the clip mark alone") << 16 << "00000001";
    QTest::newRow("17 clip mark and bottom") << 17 << "10000001";
    QTest::newRow("22 clip mark and six below") << 22 << "11111101";
    QTest::newRow("23 lights all") << 23 << "11111111";
    QTest::newRow("25 lights all") << 25 << "11111111";
    QTest::newRow("negative lights nothing") << -1 << "00000000";
}

void IndicatorsTest::meterCodeTable() {
    QFETCH(int, code);
    QFETCH(QString, lit);
    LevelMeter lamp;
    lamp.showLevel(code);
    QCOMPARE(Pattern(lamp.lit()), lit);
}

void IndicatorsTest::meterSegmentsAreStackedFromTheBottom() {
    LevelMeter lamp;
    lamp.resize(12, 122);
    lamp.setupGeometry();
    QCOMPARE(lamp.segmentHeight(), 13); // (122 - 14) / 8
    // Segment i occupies rows 122 - 13 - 15 i .. 122 - 1 - 15 i; its fill starts one row lower
    // and one pixel in from either side.
    auto middleOf = [](int segment) { return 122 - 7 - 15 * segment; };
    const QColor background(76, 85, 118);
    // Nothing shows before the first level: no reading is no level.
    QCOMPARE(Pattern(lamp.lit()), QString("00000000"));
    const QImage none = SaveShot(lamp, "meter_before_a_level");
    for (int segment = 0; segment < LevelMeter::kSegments; ++segment)
        QCOMPARE(none.pixelColor(6, middleOf(segment)), background);

    lamp.showLevel(9);
    const QImage all = SaveShot(lamp, "meter_all_lit");
    QCOMPARE(all.pixelColor(6, middleOf(0)), QColor(0, 255, 0));
    QCOMPARE(all.pixelColor(6, middleOf(7)), QColor(255, 0, 0));

    lamp.showLevel(19); // three at the bottom and the clip mark
    const QImage img = SaveShot(lamp, "meter_code_19");
    QCOMPARE(img.pixelColor(6, middleOf(0)), QColor(0, 255, 0));
    QCOMPARE(img.pixelColor(6, middleOf(2)), QColor(0, 255, 0));
    QCOMPARE(img.pixelColor(6, middleOf(3)), background);
    QCOMPARE(img.pixelColor(6, middleOf(6)), background);
    QCOMPARE(img.pixelColor(6, middleOf(7)), QColor(255, 0, 0));
    QCOMPARE(img.pixelColor(0, middleOf(0)), background);  // one pixel in on the left
    QCOMPARE(img.pixelColor(11, middleOf(0)), background); // and on the right
    QCOMPARE(img.pixelColor(6, 122 - 13), background);     // top row of a slot stays clear
    QCOMPARE(img.pixelColor(6, 121), QColor(0, 255, 0));   // bottom row is filled
    QCOMPARE(img.pixelColor(6, 122 - 14), background);     // gap between segments

    lamp.showLevel(8);
    QCOMPARE(Render(lamp).pixelColor(6, middleOf(6)), QColor(255, 255, 0));
    lamp.clear();
    QCOMPARE(Pattern(lamp.lit()), QString("00000000"));
    QCOMPARE(Render(lamp).pixelColor(6, middleOf(7)), background);
}

void IndicatorsTest::ledBlinksBetweenBrightAndDark() {
    StatusLed led;
    led.resize(16, 16);
    QVERIFY(!led.hasFrame()); // nothing shows before the first tick
    led.start(StatusLed::Green, StatusLed::Circular, 600);
    QCOMPARE(led.period(), 600);
    const QColor dark(0, 150, 0), bright(0, 250, 0);
    const QColor expected[] = {dark, bright, dark, bright};
    for (const QColor& c : expected) {
        led.tick();
        QCOMPARE(led.shownColour(), c);
    }
    QCOMPARE(led.period(), 600);
    SaveShot(led, "led_green_circular");
    const QImage img = Render(led);
    QCOMPARE(img.pixelColor(8, 8), bright);
}

void IndicatorsTest::ledWithoutKeepBlinkingDrawsOneFrameAndStops() {
    StatusLed led;
    led.resize(16, 16);
    led.setKeepBlinking(false);
    led.start(StatusLed::Red, StatusLed::Circular, 600);
    led.tick();
    QCOMPARE(led.shownColour(), QColor(150, 0, 0));
    QCOMPARE(led.period(), 0);
    QVERIFY(led.keepBlinking()); // reset for the next start
    led.tick();
    led.tick();
    QCOMPARE(led.shownColour(), QColor(150, 0, 0)); // still on its last frame
    QCOMPARE(SaveShot(led, "led_red_still").pixelColor(8, 8), QColor(150, 0, 0));
}

void IndicatorsTest::ledRestartAfterStopsResumesThePeriod() {
    StatusLed led;
    led.start(StatusLed::Blue, StatusLed::Circular, 600);
    led.tick();
    led.stop();
    led.stop(); // a second stop must not lose the period
    QCOMPARE(led.period(), 0);
    const QColor before = led.shownColour();
    led.tick();
    QCOMPARE(led.shownColour(), before);
    led.restart();
    QCOMPARE(led.period(), 600);
    led.tick();
    QCOMPARE(led.shownColour(), QColor(0, 0, 250));
}

void IndicatorsTest::ledSquareAndColours() {
    struct Row {
        int code;
        QColor bright, dark;
    };
    const Row rows[] = {{StatusLed::Red, {250, 0, 0}, {150, 0, 0}},
                        {StatusLed::Green, {0, 250, 0}, {0, 150, 0}},
                        {StatusLed::Blue, {0, 0, 250}, {0, 0, 150}},
                        {StatusLed::Yellow, {200, 200, 0}, {150, 150, 0}}};
    for (const Row& r : rows) {
        QCOMPARE(StatusLed::BrightColour(r.code), r.bright);
        QCOMPARE(StatusLed::DarkColour(r.code), r.dark);
    }
    StatusLed led;
    led.resize(16, 16);
    led.start(StatusLed::Yellow, StatusLed::Square, 600);
    led.tick();
    const QImage img = Render(led);
    SaveShot(led, "led_yellow_square");
    QCOMPARE(img.pixelColor(8, 8), QColor(150, 150, 0));
    QCOMPARE(img.pixelColor(0, 8), QColor(128, 128, 128));  // left edge
    QCOMPARE(img.pixelColor(8, 0), QColor(128, 128, 128));  // top edge
    QCOMPARE(img.pixelColor(15, 8), QColor(192, 192, 192)); // right edge
    QCOMPARE(img.pixelColor(8, 15), QColor(192, 192, 192)); // bottom edge
}

void IndicatorsTest::progressFadesOverTheFilledPart() {
    GradientProgressBar bar;
    bar.resize(510, 16);
    QCOMPARE(bar.lower(), 0);
    QCOMPARE(bar.upper(), 100);
    QCOMPARE(bar.step(), 10);
    bar.setPos(40);
    bar.stepIt();
    QCOMPARE(bar.pos(), 50);
    const QImage img = Render(bar);
    SaveShot(bar, "progress_half");
    // 255 bands of 2 pixels; band i is (255 - i, 0, i). The bar is filled up to 255 pixels, so
    // drawing stops after band 127, the first that reaches beyond it.
    QCOMPARE(img.pixelColor(0, 8), QColor(255, 0, 0));
    QCOMPARE(img.pixelColor(100, 8), QColor(255 - 50, 0, 50));
    QCOMPARE(img.pixelColor(255, 8), QColor(255 - 127, 0, 127));
    QCOMPARE(img.pixelColor(256, 8), bar.backgroundColour());
    QCOMPARE(img.pixelColor(509, 8), bar.backgroundColour());

    bar.setPos(100);
    SaveShot(bar, "progress_full");
    QCOMPARE(Render(bar).pixelColor(509, 8), QColor(1, 0, 254));

    bar.setVertical(true);
    bar.resize(16, 510);
    bar.setPos(50);
    const QImage vertical = Render(bar);
    QCOMPARE(vertical.pixelColor(8, 0), QColor(255, 0, 0)); // starts at the top
    QCOMPARE(vertical.pixelColor(8, 300), bar.backgroundColour());
}

void IndicatorsTest::progressOutsideItsRangeIsEmpty_data() {
    QTest::addColumn<int>("position");
    QTest::newRow("at the lower bound") << 0;
    QTest::newRow("below the lower bound") << -5;
    QTest::newRow("above the upper bound") << 101;
}

void IndicatorsTest::progressOutsideItsRangeIsEmpty() {
    QFETCH(int, position);
    GradientProgressBar bar;
    bar.resize(100, 10);
    bar.setPos(position);
    const QImage img = Render(bar);
    for (int x : {0, 50, 99}) {
        QCOMPARE(img.pixelColor(x, 5), bar.backgroundColour());
    }
    bar.setRange(10, 20);
    QCOMPARE(bar.pos(), 10); // a new range starts at its lower bound
}

TAVREL_GUI_TEST_MAIN(IndicatorsTest)
#include "indicators_test.moc"
