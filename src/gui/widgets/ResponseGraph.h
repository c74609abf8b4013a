#pragma once

#include <QButtonGroup>
#include <QImage>
#include <QPixmap>
#include <QPolygonF>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

#include "model/ChannelId.h"
#include "model/ChannelResponse.h"
#include "model/GraphGeometry.h"
#include "model/GraphScales.h"
#include "model/ProgramContainer.h"

class MeasurementOverlays;

// The response graph: frequency responses from 10 Hz to 30 kHz and +20 dB to -40 dB of every
// channel of a program container, or of one channel with its editable points. In the editing
// modes the operator drags equaliser bands (frequency and gain), their bandwidth edges, or an
// output's crossover frequencies. Every drag goes through the filters' setters, so change flags
// are raised and the values reach the unit with the next send tick. A change is reported at most
// once per 300 ms tick through filterChanged(), so an open editor can refresh its controls.
//
// Curves are drawn smooth (antialiased, at sub-pixel positions), the edited channel's a little
// thicker than the ones laid over it. A band's handle is a disc with its number, hollow while
// the band is off; hovering a handle shows its filter's values as a tooltip.
//
// The view switch shows the same curves as phase or group delay instead of level (the filters as
// the unit runs them, with the channel's delay and polarity); those views have no handles. With
// measurements, each drawn channel that has one shows it faintly in its colour and, solid, the
// predicted response (the measurement through the channel); the predicted sum of the chosen
// outputs is drawn in white, or the reason it cannot be is written on the plot.
//
// Lifecycle: setContainer(), then initialise() once the widget has its size, then setMode(0);
// the owner connects filterChanged(). The container and the measurements must outlive the graph
// or be replaced first.
class ResponseGraph : public QWidget {
    Q_OBJECT

public:
    enum Mode : int {
        kModeAllChannels = 0,
        kModeInputEq = 1,
        kModeOutputEq = 2,
        kModeOutputCrossover = 3,
    };

    // The window message this report stood for, and the drag report timer (id, period in ms).
    static constexpr int kFilterChangedMessage = 0x464;
    static constexpr int kReportTimerId = 3;
    static constexpr int kReportPeriodMs = 300;
    // How long after the last change curves drawn on top are put back in their order.
    static constexpr int kSettlePeriodMs = 250;
    static constexpr int kNoFilter = -1;

    explicit ResponseGraph(QWidget* parent = nullptr);

    // The container whose channels are drawn; nullptr draws the empty frame. Keeps the selected
    // input and output indices.
    void setContainer(ProgramContainer* data);
    ProgramContainer* container() const { return data_; }

    // Takes the widget's client area as the graph rectangle: derives the plot area and the grid,
    // hands the plot area to the container (which lays out every curve) and starts the 300 ms
    // report timer. A later resize lays the graph out again.
    void initialise();

    // Selected channel of the editing modes; out-of-range indices are ignored. Clears the current
    // filter and redraws; selecting an output also lays out that output's curve again.
    void selectInput(int index);
    void selectOutput(int index);
    int selectedInput() const { return selectedInput_; }
    int selectedOutput() const { return selectedOutput_; }

    // 0 all channels, 1 input equaliser, 2 output equaliser, 3 output crossover. Clears the
    // current filter and redraws; other values are ignored.
    void setMode(int mode);
    int mode() const { return mode_; }

    // Level, phase or group delay. Clears the current filter and redraws. The graph's own view
    // switch (three buttons at the top right of the plot) calls it and reports viewSwitched().
    void setView(GraphView view);
    GraphView view() const { return view_; }
    // The scale the last paint used (group delay follows the curves).
    const GraphScale& scale() const { return scale_; }

    // Measured and predicted curves and the predicted sum; nullptr draws none.
    void setMeasurements(const MeasurementOverlays* measurements);
    // Level curves at the grid frequencies laid over everything else, in the level view (the
    // preview of an import); NaN leaves a gap.
    struct FixedCurve {
        std::array<double, kCurvePoints> levelDb{};
        QColor colour;
        double width = 1.0;
    };
    void setFixedCurves(std::vector<FixedCurve> curves);
    // What the plot says above the curves: the measurements' offset, why the sum is not drawn.
    QStringList captions() const;

    // Schedules a repaint of the graph for the current mode.
    void redraw() { update(); }

    // Position, in the selected channel's filter set, of the band or crossover filter under the
    // pointer or being dragged; kNoFilter when there is none.
    int currentFilter() const { return current_; }
    // Where the graph shows a filter's handle for the current layout, in client coordinates.
    GraphRect handleOf(const Filter& filter) const;
    GraphGeometry::BandwidthHandles bandwidthHandlesOf(const Filter& band) const;
    // True while the pointer is over a handle (the move cursor is shown).
    bool overHandle() const { return overHandle_; }
    // True when a drag changed a value that has not been reported yet.
    bool notifyPending() const { return pendingPositions_ != 0; }

    // Layout of the last initialise() or resize, in client coordinates.
    const GraphRect& plotRect() const { return plot_; }
    const std::array<int, GraphGeometry::kGridLines>& gridX() const { return gridX_; }

public slots:
    // The 300 ms report tick (the timer calls it; tests may call it directly): when a drag changed
    // a value and someone listens to filterChanged(), reports it once and clears the pending mark.
    // Values reported are those of the selected channel in the current mode.
    void reportTick();

signals:
    // A band or crossover filter was dragged: its position in the channel's filter set and the
    // graph mode. One report per dragged filter and tick; normally one filter per tick.
    void filterChanged(int position, int mode);
    // A drag step has just changed filter `position` of the selected channel in `mode`: at once
    // and for every step, for whoever keeps track of the operator's edits.
    void dragEdited(int position, int mode);
    // The operator chose `view` with the graph's own view switch (after setView(view)).
    void viewSwitched(GraphView view);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void layout();
    void createViewSwitch();
    void placeViewSwitch();
    const QPixmap& background();
    void paintBackground(QPainter& painter) const;
    void paintBandLabels(QPainter& painter, FilterSet& set, int bands, QColor colour);
    void paintBandwidthHandles(QPainter& painter, QColor colour);
    void paintCrossoverLabels(QPainter& painter, FilterSet& set, QColor colour);
    // A handle: a disc in the channel's colour, a ring while its filter is off, ringed in white
    // while it is under the pointer; its caption inside.
    void paintHandle(QPainter& painter, const GraphRect& handle, QColor colour, bool on,
                     bool current, const QString& caption, Qt::Alignment align);
    // A drawn channel: its record, which one it is, and its curve's width.
    struct Drawn {
        Channel* record;
        ChannelId id;
        double width;
    };
    // The channels the mode draws, each curve recomputed, the edited one last.
    std::vector<Drawn> drawnChannels();
    // Values at the grid frequencies on the current scale; breaks at NaN and, with `wrapJump`, at
    // a wrapped phase.
    void paintValues(QPainter& painter, const double* values, QColor colour, double width,
                     double wrapJump = 0.0);
    // A curve of the plot: its values at the grid frequencies and how it is drawn.
    struct PlotCurve {
        std::array<double, kCurvePoints> values{};
        QColor colour;
        double width = 1.0;
        double wrapJump = 0.0;
        bool operator==(const PlotCurve& other) const;
    };
    // The curves of the view, in drawing order: the channels', then the measured and predicted
    // ones and the sum. Adds the captions they need.
    std::vector<PlotCurve> levelCurves(const std::vector<Drawn>& drawn);
    std::vector<PlotCurve> phaseOrDelayCurves(const std::vector<Drawn>& drawn);
    // The background with `curves` drawn on it; drawn again only when they or the background
    // changed since the last paint. When the same curves change twice running (a drag), the
    // others are kept as a layer and only the changing ones are drawn on a copy of it, on top.
    const QImage& plotImage(std::vector<PlotCurve> curves);
    void drawInOrder(const QPixmap& frame, const std::vector<PlotCurve>& curves);
    void buildStillLayer(const QPixmap& frame, const std::vector<PlotCurve>& curves,
                         const std::vector<char>& changing);
    bool stillLayerFits(const std::vector<PlotCurve>& curves) const;
    // Draws the curves whose mark is `marked`, all of them when `marks` is empty.
    void paintCurves(QPainter& painter, const std::vector<PlotCurve>& curves,
                     const std::vector<char>& marks, char marked);
    void composeOnStillLayer(const std::vector<PlotCurve>& curves);
    void paintHandles(QPainter& painter, const std::vector<Drawn>& drawn);
    void paintCaptions(QPainter& painter);
    // The scale of the view for these channels; computes their phase and group delay curves
    // (drawnCurves_) outside the level view.
    GraphScale scaleFor(const std::vector<Drawn>& drawn);
    // The tooltip of the handle under the pointer: its filter's values.
    QString handleTooltip();

    // What the pointer does with the current filter's handles. Only the current filter has any
    // of this: whenever another filter becomes current, or none, it starts again from nothing.
    struct HandleState {
        bool hoverBand = false;
        bool hoverLowEdge = false; // bandwidth edges, peaking bands only
        bool hoverHighEdge = false;
        bool grabBand = false;
        bool grabLowEdge = false;
        bool grabHighEdge = false;
        // Pointer - handle centre when the band or crossover handle was grabbed.
        GraphPoint dragOffset{};
    };

    // The filter set edited in the current mode, and how many of its bands can be dragged.
    FilterSet* editedSet();
    int editedBandCount() const;
    Filter* current();
    void clearCurrent();
    void setOverHandle(bool over);

    void bandHover(GraphPoint p);
    void bandMove(GraphPoint p);
    void bandPress(GraphPoint p);
    void bandRelease();
    void crossoverHover(GraphPoint p);
    void crossoverMove(GraphPoint p);
    void crossoverPress(GraphPoint p);
    void crossoverRelease(GraphPoint p);
    void dragged(bool changed);
    bool hasOwner() const;
    void emitPending();
    void flushBeforeSwitch();

    ProgramContainer* data_ = nullptr;
    int selectedInput_ = 0;
    int selectedOutput_ = 0;
    int mode_ = kModeAllChannels;
    GraphView view_ = GraphView::Magnitude;
    GraphScale scale_ = MagnitudeScale();
    GraphScale backgroundScale_;
    const MeasurementOverlays* measurements_ = nullptr;
    std::vector<FixedCurve> fixedCurves_;
    QStringList captions_;
    std::vector<ResponseCurves> drawnCurves_; // phase and group delay of the drawn channels
    int current_ = kNoFilter;
    HandleState handles_;
    bool overHandle_ = false;
    // Bit n set: filter n of the selected channel was changed by a drag and not yet reported.
    // A second band dragged within one tick must not hide the first from the editor.
    unsigned pendingPositions_ = 0;
    bool initialised_ = false;

    GraphRect client_{};
    GraphRect plot_{};
    std::array<int, GraphGeometry::kGridLines> gridX_{};
    std::array<int, GraphGeometry::kLevelLines> levelY_{};

    // Frame, axis labels, plot background and grid depend on the size and mode only: they are
    // drawn once into this pixmap and copied on every repaint.
    QPixmap background_;
    int backgroundLastGridLine_ = -1;
    // The background with the curves on it as the last paint drew them, and what they were: a
    // repaint that draws the same curves (a handle hovered, the window uncovered, the meters'
    // neighbours redrawn) copies it instead of drawing 20 or more antialiased curves again. A
    // drag step changes one channel's curves only: those are drawn on the still layer below.
    QImage plotImage_;
    std::vector<PlotCurve> plotImageCurves_;
    qint64 plotImageFrame_ = 0; // the background's cache key
    // Which curves the last change touched (true: changed); a drag touches the same ones again.
    std::vector<char> lastChanged_;
    // The background with every curve but the changing ones drawn on it, in order; the curves
    // as they were then (those left out are drawn fresh at every paint). Empty: no layer.
    QImage stillImage_;
    std::vector<PlotCurve> stillCurves_;
    std::vector<char> stillLeftOut_;
    qint64 stillFrame_ = 0; // the background's cache key
    // False while changing curves lie on top of curves that come after them in drawing order.
    // The next paint without a change draws them in order again; the settle timer asks for that
    // paint once the changes have stopped.
    bool plotImageInOrder_ = true;
    QTimer settleTimer_;

    std::array<double, kCurvePoints> curveX_{}; // client x of every grid frequency, unrounded
    QPolygonF polyline_;
    QTimer reportTimer_;
    QButtonGroup* viewButtons_ = nullptr; // ids are the GraphView values
};
