#include "GuiTestSupport.h"

#include "gui/widgets/ResponseGraph.h"
#include "link/MeasurementOverlays.h"

#include <QImage>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

// Expected pixels and values come from the graph's coordinate rules written out here:
// x = trunc((log10 f - 1) x W / (log10 30000 - 1)) + 35, y(dB) = trunc(H / 60 x (20 - dB) + 0.5)
// + 10, level(y) = 20 - y x 60 / H -+ 0.5, gain index = trunc((dB + 30) x 10 + 0.5).

namespace {

constexpr int kW = 595; // plot of the 640 x 300 client area
constexpr int kH = 270;

int RefX(double hz, int w = kW) {
    return static_cast<int>(std::trunc((std::log10(hz) - 1.0) * (w / (std::log10(30000.0) - 1.0))));
}
int RefHz(int x, int w = kW) {
    return static_cast<int>(std::trunc(std::pow(10.0, (std::log10(30000.0) - 1.0) * x / w + 1.0)));
}
int RefGainIndex(int y, int h = kH) {
    double level = 20.0 - y * 60.0 / h;
    level += level > 0.0 ? 0.5 : -0.5;
    level = std::fmin(std::fmax(level, -30.0), 15.0);
    return static_cast<int>(std::trunc((level + 30.0) * 10.0 + 0.5));
}
// Client point of a plot point.
QPoint At(int x, int y) {
    return {x + 35, y + 10};
}

QPoint Centre(const GraphRect& r) {
    return {r.centre().x, r.centre().y};
}

bool IsBlack(QRgb c) {
    return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 0;
}

using guitest::SaveShot;

// The colours of every channel's curve.
std::vector<QRgb> CurveColours(const ProgramContainer& data) {
    std::vector<QRgb> colours;
    for (const InputChannel& in : data.inputs())
        colours.push_back(qRgb(in.curveColour().r, in.curveColour().g, in.curveColour().b));
    for (const OutputChannel& out : data.outputs())
        colours.push_back(qRgb(out.curveColour().r, out.curveColour().g, out.curveColour().b));
    return colours;
}

// Presses on `from`, drags to every point of `path` and releases on the last one.
void Drag(QWidget& w, QPoint from, std::initializer_list<QPoint> path) {
    QTest::mouseMove(&w, from);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
    QPoint last = from;
    for (const QPoint& p : path) {
        QTest::mouseMove(&w, p);
        last = p;
    }
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, last);
}

// A program with bands and crossovers set, to show every kind of curve.
void SetUpProgram(ProgramContainer& data) {
    struct BandRow {
        int band, type, hz, gain, width, slope;
    };
    const BandRow inputBands[] = {{0, 1, 80, 360, 0, 1},
                                  {1, 0, 250, 260, 40, 0},
                                  {2, 0, 2500, 340, 100, 0},
                                  {3, 2, 8000, 330, 0, 0},
                                  {7, 0, 28000, 270, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        for (const BandRow& b : inputBands) {
            Filter& f = data.input(i).filter(b.band);
            f.setType(b.type);
            f.setFrequency(b.hz + 300 * i);
            f.setGainIndex(b.gain - 10 * i);
            f.setBandwidthIndex(b.width);
            f.setSlope(b.slope);
        }
    }
    const int crossovers[8][2] = {{10, 120},   {100, 1200}, {1000, 6000}, {5000, 30000},
                                  {60, 30000}, {200, 2000}, {40, 300},    {3000, 20000}};
    for (int o = 0; o < 8; ++o) {
        OutputChannel& out = data.output(o);
        out.highPass().setFrequency(crossovers[o][0]);
        out.lowPass().setFrequency(crossovers[o][1]);
        out.highPass().setKind(o % 3);
        out.lowPass().setKind((o + 1) % 3);
        out.highPass().setSlope(o % 4);
        out.lowPass().setSlope((o + 2) % 4);
        out.filter(1).setFrequency(300 + 400 * o);
        out.filter(1).setGainIndex(330 + 5 * o);
        out.filter(1).setBandwidthIndex(60);
        out.setGain(400 - 20 * o);
    }
    data.input(0).setGain(430);
}

// A measured driver with some ripple and a phase, at 1/12 octave from 20 Hz to 20 kHz.
MeasuredResponse Driver(int seed) {
    MeasuredResponse m;
    m.name = "driver.txt";
    for (double hz = 20.0; hz <= 20000.0; hz *= std::pow(2.0, 1.0 / 12)) {
        m.hz.push_back(hz);
        m.levelDb.push_back(85.0 + 4.0 * std::sin(std::log(hz) * (2 + seed)));
        m.phaseDeg.push_back(-0.04 * hz * (seed + 1));
    }
    return m;
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class ResponseGraphTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutOf640By300();
    void framePixels();
    void presentAndOverlayFlagsChooseTheCurves();
    void bandDragLimits_data();
    void bandDragLimits();
    void bandwidthEdgesOnlyForPeakingBands();
    void crossoverPairNeverCrosses();
    void oneReportPerTickAfterADrag();
    void noReportWithoutADrag();
    void switchingChannelDeliversTheWaitingReport();
    void hoverShowsTheMoveCursor();
    void curvesAreSmoothTheEditedOneThicker();
    void handlesAreNumberedHollowWhileOffAndSayTheirValues();
    void screenshots();
    void changesAfterADragAreDrawnAsAFreshGraphDrawsThem_data();
    void changesAfterADragAreDrawnAsAFreshGraphDrawsThem();
    void curvesDrawnOnTopAreRedrawnInOrderOnceADragStops();

private:
    // Drags band 2 of output 1 on the graph shown, with measurements on outputs 1 and 2, for
    // several steps: the drag's curves are then drawn on top of the others kept as a layer.
    void dragWithMeasurements(MeasurementOverlays& measurements);
    // Shows the graph at a client size, attached to the container and laid out.
    void setUpGraph(QSize size);

    std::unique_ptr<ProgramContainer> data_;
    std::unique_ptr<ResponseGraph> graph_;
};

void ResponseGraphTest::init() {
    data_ = std::make_unique<ProgramContainer>();
    setUpGraph({640, 300});
}

void ResponseGraphTest::cleanup() {
    graph_.reset();
    data_.reset();
}

void ResponseGraphTest::setUpGraph(QSize size) {
    graph_ = std::make_unique<ResponseGraph>();
    graph_->resize(size);
    graph_->setContainer(data_.get());
    graph_->initialise();
    graph_->setMode(ResponseGraph::kModeAllChannels);
    graph_->show();
    QVERIFY(QTest::qWaitForWindowExposed(graph_.get()));
    // The tests drive the 300 ms tick themselves.
    auto* timer = graph_->findChild<QTimer*>(QStringLiteral("dragReportTimer"));
    QVERIFY(timer != nullptr);
    QCOMPARE(timer->interval(), ResponseGraph::kReportPeriodMs);
    QVERIFY(timer->isActive());
    timer->stop();
}

void ResponseGraphTest::layoutOf640By300() {
    QCOMPARE(graph_->plotRect(), (GraphRect{35, 10, 630, 280}));
    QCOMPARE(graph_->gridX()[18], 377); // 1 kHz: 35 + trunc(2 x 595 / 3.4771)
    // The container and every curve got the plot size.
    QCOMPARE(data_->graphWidth(), kW);
    QCOMPARE(data_->graphHeight(), kH);
    QCOMPARE(data_->output(7).curve()[139].x, 35 + RefX(FrequencyGrid()[139]));
    QCOMPARE(data_->input(0).curve()[0].y, 100); // flat at 0 dB: 10 + trunc(4.5 x 20 + 0.5)

    // A new size lays everything out again: 932 x 269 gives a plot of 887 x 239.
    graph_->resize(932, 269);
    QCOMPARE(graph_->plotRect(), (GraphRect{35, 10, 922, 249}));
    QCOMPARE(graph_->gridX()[18], 35 + RefX(1000, 887));
    QCOMPARE(data_->graphWidth(), 887);
    QCOMPARE(data_->output(3).curve()[0].y, 10 + 80); // trunc(239 / 60 x 20 + 0.5)
}

void ResponseGraphTest::framePixels() {
    // Put every curve out of the way at the bottom so that only frame and grid show above it.
    for (OutputChannel& out : data_->outputs())
        out.setGain(0);
    for (InputChannel& in : data_->inputs())
        in.setGain(0);
    const QImage img = graph_->grab().toImage();
    QCOMPARE(img.size(), QSize(640, 300));

    const QRgb grid = qRgb(149, 149, 149);
    QCOMPARE(img.pixel(377, 60), grid); // 1 kHz line
    QVERIFY(IsBlack(img.pixel(376, 60)));
    QVERIFY(IsBlack(img.pixel(378, 60)));
    QCOMPARE(img.pixel(35 + RefX(20), 60), grid);      // grid line 1
    QCOMPARE(img.pixel(35 + RefX(20000), 60), grid);   // grid line 28
    QCOMPARE(img.pixel(200, 10 + 22), grid);           // level line 1: 10 + trunc(22.5)
    QCOMPARE(img.pixel(200, 10 + 90), grid);           // level line 4: 0 dB
    QCOMPARE(img.pixel(35, 150), qRgb(255, 255, 255)); // plot border
    QCOMPARE(img.pixel(629, 150), qRgb(255, 255, 255));
    QCOMPARE(img.pixel(200, 279), qRgb(255, 255, 255));
    QCOMPARE(img.pixel(0, 150), qRgb(100, 100, 100)); // frame border
    QCOMPARE(img.pixel(639, 299), qRgb(100, 100, 100));
    QVERIFY(IsBlack(img.pixel(632, 150))); // right margin: no grid line outside the plot

    // The "0dB" label starts at y = (270 / 12) x 4 + 3 = 91, x = 6: nothing of it above that row.
    int firstRow = -1;
    for (int y = 70; y < 110 && firstRow < 0; ++y) {
        for (int x = 6; x < 34; ++x) {
            if (!IsBlack(img.pixel(x, y))) {
                firstRow = y;
                break;
            }
        }
    }
    QVERIFY2(firstRow >= 91 && firstRow <= 95, qPrintable(QString::number(firstRow)));
}

void ResponseGraphTest::presentAndOverlayFlagsChooseTheCurves() {
    // Every channel flat at its own level: inputs at -2..-8 dB, outputs at -10..-24 dB.
    auto row = [](double dB) { return 10 + static_cast<int>(std::trunc(4.5 * (20.0 - dB) + 0.5)); };
    struct Curve {
        int y;
        QRgb colour;
    };
    std::vector<Curve> inputs, outputs;
    for (int i = 0; i < 4; ++i) {
        InputChannel& in = data_->input(i);
        in.setGain(400 - 20 * (i + 1));
        const CurveColour c = in.curveColour();
        inputs.push_back({row(-2.0 * (i + 1)), qRgb(c.r, c.g, c.b)});
    }
    for (int o = 0; o < 8; ++o) {
        OutputChannel& out = data_->output(o);
        out.setGain(300 - 20 * o);
        const CurveColour c = out.curveColour();
        outputs.push_back({row(-10.0 - 2 * o), qRgb(c.r, c.g, c.b)});
    }
    auto drawn = [](const QImage& img, const Curve& c) { return img.pixel(300, c.y) == c.colour; };

    data_->input(1).setPresent(0); // hidden by the operator
    data_->output(5).setPresent(0);
    QImage img = graph_->grab().toImage();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(drawn(img, inputs[static_cast<std::size_t>(i)]), i != 1);
    for (int o = 0; o < 8; ++o)
        QCOMPARE(drawn(img, outputs[static_cast<std::size_t>(o)]), o != 5);

    // Editing input A: the overlay flags of input A decide, not the present flags.
    data_->input(0).setOverlayInput(2, 0);
    data_->input(0).setOverlayOutput(3, 0);
    graph_->setMode(ResponseGraph::kModeInputEq);
    img = graph_->grab().toImage();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(drawn(img, inputs[static_cast<std::size_t>(i)]), i != 2);
    for (int o = 0; o < 8; ++o)
        QCOMPARE(drawn(img, outputs[static_cast<std::size_t>(o)]), o != 3);

    // The edited channel is drawn even when its own overlay flag is clear.
    data_->output(6).setOverlayOutput(6, 0);
    graph_->selectOutput(6);
    graph_->setMode(ResponseGraph::kModeOutputCrossover);
    img = graph_->grab().toImage();
    QVERIFY(drawn(img, outputs[6]));
    QVERIFY(drawn(img, inputs[2]));
}

void ResponseGraphTest::bandDragLimits_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("type");
    QTest::addColumn<QPoint>("to"); // where the handle centre is dragged, client coordinates
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("gainIndex");

    const int x = RefX(700);
    // H / 11 = 24 is the top stop: 20 - 24 x 60 / 270 + 0.5 = 15.2, limited to +15.0.
    QTest::newRow("input band dragged above the plot stops at +15 dB")
        << 1 << 0 << At(x, -60) << RefHz(x) << 450;
    QTest::newRow("output band one row below the top stop")
        << 2 << 0 << At(x, 25) << RefHz(x) << RefGainIndex(25);
    // The 0 dB line is y 90; the level rule moves the exact 0 down to -0.5 dB.
    QTest::newRow("centre on the 0 dB line gives -0.5 dB")
        << 2 << 0 << At(x, 90) << RefHz(x) << 295;
    QTest::newRow("below the plot stops at -30 dB") << 1 << 0 << At(x, 500) << RefHz(x) << 0;
    QTest::newRow("right of the plot is 30 kHz") << 2 << 2 << At(kW + 80, 90) << 30000 << 295;
    QTest::newRow("low shelf stops at 20 kHz") << 1 << 1 << At(kW + 80, 90) << 20000 << 295;
    QTest::newRow("left of the plot is 10 Hz") << 1 << 0 << At(-60, 60) << 10 << RefGainIndex(60);
}

void ResponseGraphTest::bandDragLimits() {
    QFETCH(int, mode);
    QFETCH(int, type);
    QFETCH(QPoint, to);
    QFETCH(int, hz);
    QFETCH(int, gainIndex);

    graph_->selectInput(1);
    graph_->selectOutput(2);
    graph_->setMode(mode);
    Filter& band = mode == 1 ? data_->input(1).filter(3) : data_->output(2).filter(3);
    band.setType(type);
    band.setFrequency(1000);
    band.setGainIndex(360);
    band.setChanged(0);

    // Grab the handle 3 px right and 2 px below its centre: the offset stays under the pointer.
    const QPoint grab = Centre(graph_->handleOf(band)) + QPoint(3, 2);
    Drag(*graph_, grab, {grab + QPoint(5, 5), to + QPoint(3, 2)});

    QCOMPARE(band.frequency(), hz);
    QCOMPARE(band.gainIndex(), gainIndex);
    QCOMPARE(band.off(), 0);
    QCOMPARE(band.changed(), 1);
    QCOMPARE(graph_->currentFilter(), 3);
    QVERIFY(graph_->notifyPending());
}

void ResponseGraphTest::bandwidthEdgesOnlyForPeakingBands() {
    graph_->setMode(ResponseGraph::kModeOutputEq);
    OutputChannel& out = data_->output(0);
    out.setGain(
        0); // the output's own curve drops out of the plot: only its handles keep its colour
    Filter& peq = out.filter(0);
    peq.setFrequency(1000);
    peq.setGainIndex(400);      // +10 dB: the edges sit 10 px below the handle centre
    peq.setBandwidthIndex(100); // 1.05 octaves
    Filter& shelf = out.filter(1);
    shelf.setType(Filter::kHighShelf);
    shelf.setFrequency(100);
    shelf.setGainIndex(400);
    shelf.setBandwidthIndex(100);
    const QRgb colour = qRgb(6, 100, 221);
    auto colouredPixels = [&](const GraphRect& r) {
        const QImage img = graph_->grab().toImage();
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x)
                n += img.pixel(x, y) == colour ? 1 : 0;
        }
        return n;
    };

    // Hovering the peaking band shows its edges: 8 x 8 boxes outlined in the output's colour.
    const GraphRect high = graph_->bandwidthHandlesOf(peq).upper;
    QCOMPARE(colouredPixels(high), 0);
    QTest::mouseMove(graph_.get(), Centre(graph_->handleOf(peq)));
    QCOMPARE(graph_->currentFilter(), 0);
    QCOMPARE(colouredPixels(high), 28); // the outline of 8 x 8 pixels
    QCOMPARE(colouredPixels(graph_->bandwidthHandlesOf(peq).lower), 28);

    // Its upper edge drags the bandwidth: 4 kHz under the pointer is two octaves (by the pixel
    // grid); the band handle is reached on the way without hiding the edges.
    Drag(*graph_, Centre(high), {QPoint(35 + RefX(4000), Centre(high).y())});
    const double octaves = std::log2(RefHz(RefX(4000)) / 1000.0);
    QCOMPARE(peq.bandwidthIndex(), static_cast<int>(std::lround((octaves - 0.05) * 100)));
    QCOMPARE(peq.frequency(), 1000);

    // The shelf shows no edges, and pressing where its upper edge would be drags nothing.
    QTest::mouseMove(graph_.get(), Centre(graph_->handleOf(shelf)));
    QCOMPARE(graph_->currentFilter(), 1);
    const GraphRect hidden = graph_->bandwidthHandlesOf(shelf).upper;
    QCOMPARE(colouredPixels(hidden), 0);
    shelf.setChanged(0);
    Drag(*graph_, Centre(hidden), {Centre(hidden) + QPoint(120, 0)});
    QCOMPARE(shelf.bandwidthIndex(), 100);
    QCOMPARE(shelf.frequency(), 100);
    QCOMPARE(shelf.changed(), 0);
}

void ResponseGraphTest::crossoverPairNeverCrosses() {
    graph_->selectOutput(4);
    graph_->setMode(ResponseGraph::kModeOutputCrossover);
    OutputChannel& out = data_->output(4);
    out.highPass().setFrequency(100);
    out.lowPass().setFrequency(1000);

    QSignalSpy spy(graph_.get(), &ResponseGraph::filterChanged);
    // High-pass dragged far right stops at the low-pass; "H" handle is position 6.
    Drag(*graph_, Centre(graph_->handleOf(out.highPass())), {At(RefX(10000), 20), At(kW + 50, 20)});
    QCOMPARE(out.highPass().frequency(), 1000);
    QCOMPARE(out.lowPass().frequency(), 1000);
    graph_->reportTick();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant>{6, 3}));

    // Low-pass dragged far left stops at the high-pass.
    out.highPass().setFrequency(300);
    Drag(*graph_, Centre(graph_->handleOf(out.lowPass())), {At(RefX(50), 100), At(-50, 100)});
    QCOMPARE(out.lowPass().frequency(), 300);
    graph_->reportTick();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1), (QList<QVariant>{7, 3}));

    // The low-pass to the plot's right edge is off (30 kHz, flat); the high-pass to the left
    // edge is off (10 Hz, flat).
    Drag(*graph_, Centre(graph_->handleOf(out.lowPass())), {At(kW, 100)});
    QCOMPARE(out.lowPass().frequency(), 30000);
    Drag(*graph_, Centre(graph_->handleOf(out.highPass())), {At(0, 20)});
    QCOMPARE(out.highPass().frequency(), 10);
    graph_->grab(); // the graph brings the curve up to date when it draws it
    for (int i = 0; i < kCurvePoints; ++i)
        QCOMPARE(out.curve()[static_cast<std::size_t>(i)].y, 100);

    // A band drag in crossover mode does nothing: only the pair is editable there.
    Filter& band = out.filter(0);
    band.setFrequency(1000);
    band.setGainIndex(360);
    band.setChanged(0);
    Drag(*graph_, Centre(graph_->handleOf(band)), {At(RefX(5000), 150)});
    QCOMPARE(band.frequency(), 1000);
    QCOMPARE(band.changed(), 0);
}

void ResponseGraphTest::oneReportPerTickAfterADrag() {
    graph_->setMode(ResponseGraph::kModeInputEq);
    Filter& band = data_->input(0).filter(5);
    band.setFrequency(3000);
    QSignalSpy spy(graph_.get(), &ResponseGraph::filterChanged);

    const QPoint grab = Centre(graph_->handleOf(band));
    QTest::mouseMove(graph_.get(), grab);
    QTest::mousePress(graph_.get(), Qt::LeftButton, Qt::NoModifier, grab);
    for (int step = 1; step <= 20; ++step)
        QTest::mouseMove(graph_.get(), grab + QPoint(step * 4, -step * 3));
    QCOMPARE(spy.count(), 0); // nothing before the tick, however many steps
    graph_->reportTick();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant>{5, 1}));
    QTest::mouseRelease(graph_.get(), Qt::LeftButton, Qt::NoModifier, grab + QPoint(80, -60));
    graph_->reportTick();
    graph_->reportTick();
    QCOMPARE(spy.count(), 1);
    QVERIFY(!graph_->notifyPending());
}

void ResponseGraphTest::noReportWithoutADrag() {
    graph_->setMode(ResponseGraph::kModeOutputEq);
    QSignalSpy spy(graph_.get(), &ResponseGraph::filterChanged);
    const QPoint handle = Centre(graph_->handleOf(data_->output(0).filter(2)));
    // Hover, click without moving, click beside every handle, drag the empty plot.
    QTest::mouseMove(graph_.get(), handle);
    QTest::mouseClick(graph_.get(), Qt::LeftButton, Qt::NoModifier, handle);
    Drag(*graph_, At(300, 250), {At(100, 30)});
    graph_->setMode(ResponseGraph::kModeAllChannels);
    Drag(*graph_, handle, {At(100, 30)});
    for (int i = 0; i < 3; ++i)
        graph_->reportTick();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(data_->output(0).filter(2).frequency(), 10);
}

void ResponseGraphTest::switchingChannelDeliversTheWaitingReport() {
    // Without an owner a drag waits; the report goes out once someone listens.
    graph_->setMode(ResponseGraph::kModeOutputEq);
    Filter& band = data_->output(0).filter(0);
    Drag(*graph_, Centre(graph_->handleOf(band)), {At(RefX(500), 40)});
    graph_->reportTick();
    QVERIFY(graph_->notifyPending());
    QSignalSpy spy(graph_.get(), &ResponseGraph::filterChanged);
    graph_->reportTick();
    QCOMPARE(spy.count(), 1);

    // A report still waiting when the editor shows another output is delivered for the dragged
    // one first, with the mode it was dragged in.
    Drag(*graph_, Centre(graph_->handleOf(band)), {At(RefX(800), 60)});
    graph_->selectOutput(3);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1), (QList<QVariant>{0, 2}));
    graph_->reportTick();
    QCOMPARE(spy.count(), 2);
}

void ResponseGraphTest::hoverShowsTheMoveCursor() {
    graph_->setMode(ResponseGraph::kModeInputEq);
    const GraphRect handle = graph_->handleOf(data_->input(0).filter(4));
    QTest::mouseMove(graph_.get(), At(300, 200));
    QCOMPARE(graph_->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(graph_->currentFilter(), ResponseGraph::kNoFilter);
    // All default bands sit on top of each other at 10 Hz: the first one wins.
    QTest::mouseMove(graph_.get(), Centre(handle));
    QVERIFY(graph_->overHandle());
    QCOMPARE(graph_->cursor().shape(), Qt::SizeAllCursor);
    QCOMPARE(graph_->currentFilter(), 0);
    QTest::mouseMove(graph_.get(), At(300, 200));
    QCOMPARE(graph_->cursor().shape(), Qt::ArrowCursor);
    graph_->setMode(ResponseGraph::kModeInputEq);
    QCOMPARE(graph_->currentFilter(), ResponseGraph::kNoFilter);
}

void ResponseGraphTest::curvesAreSmoothTheEditedOneThicker() {
    // Input A edited at -1.5 dB, between rows (96.75 below the plot's top); input B laid over it
    // at -10 dB, on a whole row (135).
    for (OutputChannel& out : data_->outputs())
        out.setGain(0);
    data_->input(0).setGain(385);
    data_->input(1).setGain(300);
    data_->input(2).setGain(0);
    data_->input(3).setGain(0);
    graph_->setMode(ResponseGraph::kModeInputEq);
    const QImage img = graph_->grab().toImage();
    auto shadeOf = [](QRgb pixel) { return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}); };
    auto rowsLit = [&](int x, int from, int to) {
        int lit = 0;
        for (int y = from; y <= to; ++y)
            lit += shadeOf(img.pixel(x, y)) > 0 ? 1 : 0;
        return lit;
    };
    // Smooth and two pixels wide: from 106.25 to 108.25, so row 107 whole and the rows on either
    // side in part (a line on whole pixels would light two rows fully).
    QCOMPARE(rowsLit(300, 101, 115), 3); // between the 0 dB line (100) and the next (122)
    const int full = shadeOf(CurveColours(*data_)[0]);
    QCOMPARE(shadeOf(img.pixel(300, 107)), full);
    QVERIFY(shadeOf(img.pixel(300, 106)) < full && shadeOf(img.pixel(300, 108)) < full);
    // The curve laid over it is one pixel wide, on its row.
    QCOMPARE(rowsLit(300, 140, 150), 1);
    QCOMPARE(img.pixel(300, 145), CurveColours(*data_)[1]);
}

void ResponseGraphTest::handlesAreNumberedHollowWhileOffAndSayTheirValues() {
    // Input A: band 3 on at 1 kHz +6 dB; band 4 off at 2 kHz (it keeps -3 dB, shown at 0 dB).
    Filter& on = data_->input(0).filter(2);
    on.setFrequency(1000);
    on.setGainIndex(360);
    on.setBandwidthIndex(95);
    Filter& off = data_->input(0).filter(3);
    off.setFrequency(2000);
    off.setGainIndex(270);
    off.setBandwidthIndex(95);
    off.setOff(1);
    graph_->setMode(ResponseGraph::kModeInputEq);
    const QImage img = graph_->grab().toImage();
    const QRgb colour = CurveColours(*data_)[0];
    // A point inside each disc, beside its number: filled while the band is on, black (hollow)
    // while it is off.
    auto beside = [&](const Filter& band) {
        const GraphRect h = graph_->handleOf(band);
        return img.pixel(h.left + 3, h.centre().y);
    };
    QCOMPARE(beside(on), colour);
    QVERIFY(IsBlack(beside(off)));

    // Hovering a handle tells its band's values.
    auto tooltipAt = [&](const Filter& band) {
        const QPoint at = Centre(graph_->handleOf(band));
        QTest::mouseMove(graph_.get(), at);
        QHelpEvent help(QEvent::ToolTip, at, graph_->mapToGlobal(at));
        QApplication::sendEvent(graph_.get(), &help);
        return QToolTip::text();
    };
    QCOMPARE(tooltipAt(on), QString("EQ3: PEQ 1000 Hz, +6.0 dB, 1.00 oct (Q 1.414)"));
    QCOMPARE(tooltipAt(off), QString("EQ4 off: PEQ 2000 Hz, 1.00 oct (Q 1.414)"));
    graph_->setMode(ResponseGraph::kModeOutputCrossover);
    data_->output(0).highPass().setFrequency(120);
    QCOMPARE(tooltipAt(data_->output(0).highPass()), QString("HPF: BTWorth 12dB 120 Hz"));
    QCOMPARE(tooltipAt(data_->output(0).lowPass()), QString("LPF off: 30000 Hz"));
}

void ResponseGraphTest::screenshots() {
    // At the size the main view gives the graph: a plot of 887 x 239, 0 dB on row 90.
    setUpGraph({932, 269});
    auto rgb = [](CurveColour c) { return qRgb(c.r, c.g, c.b); };
    auto count = [](const QImage& img, const GraphRect& r, QRgb colour) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x)
                n += img.pixel(x, y) == colour ? 1 : 0;
        }
        return n;
    };
    // Captions are white, softened at their edges by the font rendering.
    auto captionPixels = [](const QImage& img, const GraphRect& r) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x)
                n += qRed(img.pixel(x, y)) > 190 && qGreen(img.pixel(x, y)) > 190 &&
                             qBlue(img.pixel(x, y)) > 190
                         ? 1
                         : 0;
        }
        return n;
    };
    const QRgb white = qRgb(255, 255, 255);
    const int zeroDbRow = 10 + 80;

    // Every default curve is flat at 0 dB, here between two rows, so the curves drawn smooth
    // blend there; the edited channel's curve, thicker and drawn last, covers row 90 whole.
    const char* names[] = {"all", "input-eq", "output-eq", "output-crossover"};
    const QRgb onTop[] = {rgb(data_->output(7).curveColour()), rgb(data_->input(0).curveColour()),
                          rgb(data_->output(0).curveColour()), rgb(data_->output(0).curveColour())};
    for (int mode = 0; mode < 4; ++mode) {
        graph_->setMode(mode);
        const QImage img =
            SaveShot(*graph_, QStringLiteral("fstatic-defaults-%1").arg(names[mode]));
        if (mode == ResponseGraph::kModeAllChannels)
            QVERIFY(!IsBlack(img.pixel(500, zeroDbRow)));
        else
            QCOMPARE(img.pixel(500, zeroDbRow), onTop[mode]);
    }

    SetUpProgram(*data_);
    graph_->selectInput(0);
    graph_->selectOutput(2);
    const GraphRect noCurves{35 + 1, 11, 35 + 887 - 1, 13}; // the top rows stay above every curve
    for (int mode = 0; mode < 4; ++mode) {
        graph_->setMode(mode);
        if (mode == 1) // show the bandwidth edges of band 2
            QTest::mouseMove(graph_.get(), Centre(graph_->handleOf(data_->input(0).filter(1))));
        const QImage img = SaveShot(*graph_, QStringLiteral("fstatic-program-%1").arg(names[mode]));
        QCOMPARE(img.pixel(graph_->gridX()[18], 12), qRgb(149, 149, 149)); // 1 kHz grid line
        QCOMPARE(count(img, noCurves, white), 0);
        switch (mode) {
        case 1: { // band 2's edges, outlined in input A's colour (28 pixels each, less any
                  // crossing)
            const auto edges = graph_->bandwidthHandlesOf(data_->input(0).filter(1));
            const QRgb colour = rgb(data_->input(0).curveColour());
            QVERIFY(count(img, edges.lower, colour) >= 20);
            QVERIFY(count(img, edges.upper, colour) >= 20);
            break;
        }
        case 2: // the band numbers of output 3, in white
            QVERIFY(captionPixels(img, graph_->handleOf(data_->output(2).filter(1))) > 0);
            break;
        case 3: // "H" and "L" on the crossover handles
            QVERIFY(captionPixels(img, graph_->handleOf(data_->output(2).highPass())) > 0);
            QVERIFY(captionPixels(img, graph_->handleOf(data_->output(2).lowPass())) > 0);
            break;
        default:
            break;
        }
    }
}

void ResponseGraphTest::dragWithMeasurements(MeasurementOverlays& measurements) {
    SetUpProgram(*data_);
    measurements.Set({true, 0}, "low.txt", Driver(0));
    measurements.Set({true, 1}, "high.txt", Driver(1));
    graph_->setMeasurements(&measurements);
    graph_->grab();
    for (int hz : {400, 500, 600, 700}) {
        data_->output(0).filter(1).setFrequency(hz);
        graph_->grab();
    }
}

void ResponseGraphTest::changesAfterADragAreDrawnAsAFreshGraphDrawsThem_data() {
    QTest::addColumn<int>("change");
    QTest::newRow("the dragged channel again, then a repaint") << 0;
    QTest::newRow("another channel's band") << 1;
    QTest::newRow("another channel's colour") << 2;
    QTest::newRow("another channel's measurement hidden") << 3;
    QTest::newRow("a measurement loaded") << 4;
    QTest::newRow("the view switched to phase") << 5;
    QTest::newRow("the edited output's mode") << 6;
    QTest::newRow("the graph's size") << 7;
}

void ResponseGraphTest::changesAfterADragAreDrawnAsAFreshGraphDrawsThem() {
    // After a drag, the first paint of any other change must show every curve as it is now, in
    // its order: nothing left from the layer the drag kept.
    QFETCH(int, change);
    MeasurementOverlays measurements;
    dragWithMeasurements(measurements);
    QSize size(640, 300);
    switch (change) {
    case 0:
        data_->output(0).filter(1).setFrequency(800);
        graph_->grab();
        break;
    case 1:
        data_->output(1).filter(1).setFrequency(5000);
        break;
    case 2:
        data_->output(1).setCurveColour({250, 120, 20});
        break;
    case 3:
        measurements.SetShown({true, 1}, false);
        break;
    case 4:
        measurements.Set({true, 5}, "mid.txt", Driver(5));
        break;
    case 5:
        graph_->setView(GraphView::Phase);
        break;
    case 6:
        graph_->selectOutput(0);
        graph_->setMode(ResponseGraph::kModeOutputEq);
        break;
    case 7:
        size = {700, 320};
        graph_->resize(size);
        break;
    default:
        QFAIL("no such change");
    }
    const QImage drawn = graph_->grab().toImage();

    ResponseGraph fresh;
    fresh.resize(size);
    fresh.setContainer(data_.get());
    fresh.setMeasurements(&measurements);
    fresh.initialise();
    fresh.selectOutput(graph_->selectedOutput());
    fresh.setMode(graph_->mode());
    fresh.setView(graph_->view());
    QCOMPARE(drawn, fresh.grab().toImage());
}

void ResponseGraphTest::curvesDrawnOnTopAreRedrawnInOrderOnceADragStops() {
    // Output 1's curves come before the measured ones, so during the drag they lie on top of
    // them; once it stops, the settle timer has the graph paint them in their order again.
    MeasurementOverlays measurements;
    dragWithMeasurements(measurements);
    auto* settle = graph_->findChild<QTimer*>(QStringLiteral("curveSettleTimer"));
    QVERIFY(settle != nullptr);
    QVERIFY(settle->isActive());
    QVERIFY(settle->isSingleShot());
    PaintCounter counter;
    graph_->installEventFilter(&counter);
    settle->start(0);
    QTRY_VERIFY(counter.paints > 0);
    graph_->removeEventFilter(&counter);
    QVERIFY(!settle->isActive());
}

TAVREL_GUI_TEST_MAIN(ResponseGraphTest)
#include "response_graph_test.moc"
