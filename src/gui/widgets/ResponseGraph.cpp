#include "gui/widgets/ResponseGraph.h"

#include <QHelpEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>

#include "link/MeasurementOverlays.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>

namespace GG = GraphGeometry;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kPlotBorder(255, 255, 255);
const QColor kGridLine(149, 149, 149);
const QColor kAxisText(100, 100, 100);
const QColor kFrameBorder(100, 100, 100);
const QColor kHandleText(255, 255, 255);

// Pixel height of the axis and handle captions: small enough for the 35 px left margin.
constexpr int kFontPixels = 11;

QFont CaptionFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(kFontPixels);
    return font;
}

// A rectangle whose right and bottom lie just outside it, as Qt's QRect(left, top, w, h).
QRect ToQRect(const GraphRect& r) {
    return {r.left, r.top, r.width(), r.height()};
}

GraphPoint ToGraphPoint(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

Qt::Alignment ToQt(GG::Align align) {
    switch (align) {
    case GG::Align::Left:
        return Qt::AlignLeft;
    case GG::Align::Right:
        return Qt::AlignRight;
    case GG::Align::Centre:
        break;
    }
    return Qt::AlignHCenter;
}

QColor ToQColor(CurveColour c) {
    return {c.r, c.g, c.b};
}

// Curve widths: the channel edited, and every other curve.
constexpr double kSelectedCurveWidth = 2.0;
constexpr double kCurveWidth = 1.0;
// Measurements: faint; the predicted response solid, both one pixel wide (wider lines take the
// painter's slow path: 16 of them would cost a quarter of a frame); the sum bold in white.
constexpr int kMeasuredAlpha = 110;
constexpr double kMeasuredWidth = 1.0;
constexpr double kPredictedWidth = 1.0;
constexpr double kSumWidth = 2.0;
const QColor kSumColour(255, 255, 255);
const QColor kCaptionText(220, 220, 220);
// Pixels between the plot's border and the view switch.
constexpr int kViewSwitchInset = 3;
// Neighbouring phases further apart than this have wrapped round, not risen.
constexpr double kPhaseWrapJump = 180.0;
// The group delay scale holds the curves between these frequencies (below, a high-pass's delay
// grows without bound).
constexpr double kDelayFromHz = 20.0;
constexpr double kDelayToHz = 20000.0;

// Makes `image` an image of `size` pixels at `ratio`, keeping it when it already is one.
void FitImage(QImage& image, QSize size, qreal ratio) {
    if (image.size() != size)
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
}

// Dark text on a light disc, white on a dark one.
QColor CaptionOn(QColor disc) {
    return disc.lightnessF() > 0.55 ? kBlack : kHandleText;
}

} // namespace

ResponseGraph::ResponseGraph(QWidget* parent)
    : QWidget(parent), settleTimer_(this), polyline_(kCurvePoints), reportTimer_(this) {
    setMouseTracking(true); // hover marks and the move cursor follow the pointer without a button
    setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers the whole client area
    setCursor(Qt::ArrowCursor);
    reportTimer_.setObjectName(QStringLiteral("dragReportTimer"));
    reportTimer_.setInterval(kReportPeriodMs);
    connect(&reportTimer_, &QTimer::timeout, this, &ResponseGraph::reportTick);
    settleTimer_.setObjectName(QStringLiteral("curveSettleTimer"));
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(kSettlePeriodMs);
    connect(&settleTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    createViewSwitch();
}

void ResponseGraph::createViewSwitch() {
    viewButtons_ = new QButtonGroup(this);
    const std::tuple<QString, QString, GraphView> views[] = {
        {tr("Level"), tr("Shows the level of each channel"), GraphView::Magnitude},
        {tr("Phase"), tr("Shows the phase of each channel as the unit runs it"), GraphView::Phase},
        {tr("Group delay"), tr("Shows the group delay of each channel as the unit runs it"),
         GraphView::GroupDelay},
    };
    for (const auto& [text, tip, view] : views) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setToolTip(tip);
        button->setCheckable(true);
        button->setChecked(view == view_);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::ArrowCursor);
        button->setVisible(false); // until the graph is laid out
        viewButtons_->addButton(button, static_cast<int>(view));
    }
    connect(viewButtons_, &QButtonGroup::idClicked, this, [this](int id) {
        const auto view = static_cast<GraphView>(id);
        setView(view);
        emit viewSwitched(view);
    });
}

void ResponseGraph::setContainer(ProgramContainer* data) {
    if (data != data_)
        flushBeforeSwitch();
    clearCurrent();
    data_ = data;
    if (data_ != nullptr && initialised_)
        data_->setGraphRect(plot_);
    update();
}

void ResponseGraph::initialise() {
    initialised_ = true;
    layout();
    reportTimer_.start();
    update();
}

void ResponseGraph::layout() {
    client_ = {0, 0, width(), height()};
    plot_ = GG::PlotRect(client_);
    const auto& grid = FrequencyGrid();
    for (std::size_t i = 0; i < curveX_.size(); ++i)
        curveX_[i] = plot_.left + GraphXOfFrequencyExact(grid[i], plot_.width());
    gridX_ = GG::GridX(plot_.width());
    levelY_ = GG::LevelLineY(plot_);
    background_ = QPixmap();
    placeViewSwitch();
    if (data_ != nullptr)
        data_->setGraphRect(plot_);
}

void ResponseGraph::placeViewSwitch() {
    if (!initialised_)
        return;
    // The view switch in the plot's top right corner, clear of the captions at the left.
    int right = plot_.right - kViewSwitchInset;
    const auto buttons = viewButtons_->buttons();
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        QAbstractButton* button = *it;
        const QSize size = button->sizeHint();
        right -= size.width();
        button->setGeometry(right, plot_.top + kViewSwitchInset, size.width(), size.height());
        button->setVisible(true);
    }
}

void ResponseGraph::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    background_ = QPixmap();
    if (initialised_)
        layout();
}

void ResponseGraph::selectInput(int index) {
    if (index < 0 || index >= kInputCount)
        return;
    if (index != selectedInput_ && mode_ == kModeInputEq)
        flushBeforeSwitch();
    clearCurrent();
    selectedInput_ = index;
    update();
}

void ResponseGraph::selectOutput(int index) {
    if (index < 0 || index >= kOutputCount)
        return;
    if (index != selectedOutput_ && (mode_ == kModeOutputEq || mode_ == kModeOutputCrossover))
        flushBeforeSwitch();
    clearCurrent();
    selectedOutput_ = index;
    if (data_ != nullptr && initialised_)
        data_->output(index).setGraphRect(plot_);
    update();
}

void ResponseGraph::setMode(int mode) {
    if (mode < kModeAllChannels || mode > kModeOutputCrossover)
        return;
    if (mode != mode_)
        flushBeforeSwitch();
    clearCurrent();
    mode_ = mode;
    update();
}

void ResponseGraph::setView(GraphView view) {
    if (view != view_)
        flushBeforeSwitch();
    clearCurrent();
    view_ = view;
    if (QAbstractButton* button = viewButtons_->button(static_cast<int>(view)))
        button->setChecked(true);
    update();
}

void ResponseGraph::setMeasurements(const MeasurementOverlays* measurements) {
    measurements_ = measurements;
    update();
}

void ResponseGraph::setFixedCurves(std::vector<FixedCurve> curves) {
    fixedCurves_ = std::move(curves);
    update();
}

QStringList ResponseGraph::captions() const {
    return captions_;
}

bool ResponseGraph::hasOwner() const {
    return isSignalConnected(QMetaMethod::fromSignal(&ResponseGraph::filterChanged));
}

void ResponseGraph::reportTick() {
    if (pendingPositions_ == 0 || !hasOwner())
        return;
    emitPending();
}

void ResponseGraph::emitPending() {
    const unsigned pending = pendingPositions_;
    pendingPositions_ = 0;
    for (int position = 0; position < 32; ++position) {
        if ((pending >> position) & 1U)
            emit filterChanged(position, mode_);
    }
}

void ResponseGraph::flushBeforeSwitch() {
    // A report still waiting belongs to the channel and mode shown now: deliver it before they
    // change, or the editor of the dragged channel would never learn of the drag.
    if (pendingPositions_ != 0 && hasOwner())
        emitPending();
    pendingPositions_ = 0;
}

// ---- Painting ---------------------------------------------------------------------------------

const QPixmap& ResponseGraph::background() {
    const int lastLine =
        mode_ == kModeAllChannels ? GG::kLastGridLineAllChannels : GG::kLastGridLineEditing;
    const qreal ratio = devicePixelRatioF();
    if (background_.isNull() || backgroundLastGridLine_ != lastLine ||
        background_.devicePixelRatio() != ratio || !(backgroundScale_ == scale_)) {
        backgroundLastGridLine_ = lastLine;
        backgroundScale_ = scale_;
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        QPainter painter(&background_);
        paintBackground(painter);
    }
    return background_;
}

void ResponseGraph::paintBackground(QPainter& painter) const {
    // Frame: the whole client area black inside a grey border, with the axis labels.
    painter.fillRect(rect(), kBlack);
    painter.setPen(kFrameBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(CaptionFont());
    painter.setPen(kAxisText);
    painter.setBackground(kBlack);
    painter.setBackgroundMode(Qt::OpaqueMode);
    auto label = [&](const GG::Label& l, const QString& text) {
        painter.drawText(QRect(l.x, l.y, 64, kFontPixels * 2), Qt::AlignLeft | Qt::AlignTop, text);
    };
    // The level labels' places, with the texts of the view's scale.
    const auto levels = GG::LevelLabels(plot_.height());
    for (std::size_t i = 0; i < levels.size(); ++i)
        label(levels[i], QString::fromStdString(scale_.labels[i]));
    // Each frequency label centred under its grid line, kept inside the control at the ends.
    const QFontMetrics metrics(painter.font());
    for (const GG::Label& l : GG::FrequencyLabels(plot_)) {
        const QString text = QString::fromLatin1(l.text.data(), static_cast<int>(l.text.size()));
        const int width = metrics.horizontalAdvance(text);
        painter.drawText(
            QRect(GG::CentredTextLeft(l.x, width, rect().width()), l.y, width, kFontPixels * 2),
            Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter.setBackgroundMode(Qt::TransparentMode);

    // Plot area. Grid lines on the plot's right and bottom edges fall just outside it and are
    // clipped; the white border goes on last so no grid line cuts into it.
    const QRect plot = ToQRect(plot_);
    painter.fillRect(plot, kBlack);
    painter.save();
    painter.setClipRect(plot);
    painter.setPen(kGridLine);
    for (int i = GG::kFirstDrawnGridLine; i <= backgroundLastGridLine_; ++i) {
        const int x = gridX_[static_cast<std::size_t>(i)];
        painter.drawLine(x, plot_.top, x, plot_.bottom);
    }
    for (int y : levelY_)
        painter.drawLine(plot_.left, y, plot_.right, y);
    painter.restore();
    painter.setPen(kPlotBorder);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

void ResponseGraph::paintEvent(QPaintEvent*) {
    const bool drawing = data_ != nullptr && initialised_;
    std::vector<Drawn> drawn;
    if (drawing)
        drawn = drawnChannels();
    scale_ = scaleFor(drawn);
    captions_.clear();
    std::vector<PlotCurve> curves;
    if (drawing)
        curves = view_ == GraphView::Magnitude ? levelCurves(drawn) : phaseOrDelayCurves(drawn);
    QPainter painter(this);
    painter.drawImage(0, 0, plotImage(std::move(curves)));
    painter.setFont(CaptionFont());
    painter.setRenderHint(QPainter::Antialiasing);
    if (drawing && view_ == GraphView::Magnitude)
        paintHandles(painter, drawn);
    if (view_ == GraphView::Magnitude) {
        for (const FixedCurve& curve : fixedCurves_)
            paintValues(painter, curve.levelDb.data(), curve.colour, curve.width);
    }
    paintCaptions(painter);
}

bool ResponseGraph::PlotCurve::operator==(const PlotCurve& other) const {
    // Byte for byte: a NaN (a gap) equals itself here.
    return std::memcmp(values.data(), other.values.data(), sizeof values) == 0 &&
           colour == other.colour && width == other.width && wrapJump == other.wrapJump;
}

const QImage& ResponseGraph::plotImage(std::vector<PlotCurve> curves) {
    const QPixmap& frame = background();
    if (plotImage_.size() != frame.size() || plotImageFrame_ != frame.cacheKey() ||
        curves.size() != plotImageCurves_.size()) {
        lastChanged_.clear();
        drawInOrder(frame, curves);
    } else {
        std::vector<char> changed(curves.size());
        for (std::size_t i = 0; i < curves.size(); ++i)
            changed[i] = curves[i] == plotImageCurves_[i] ? 0 : 1;
        const auto count = std::count(changed.begin(), changed.end(), 1);
        if (count == 0) {
            if (!plotImageInOrder_)
                drawInOrder(frame, curves); // the changes have stopped
            return plotImage_;
        }
        if (stillLayerFits(curves)) {
            composeOnStillLayer(curves);
        } else if (changed == lastChanged_ && count < std::ssize(curves)) {
            buildStillLayer(frame, curves, changed);
            composeOnStillLayer(curves);
        } else {
            drawInOrder(frame, curves); // a change of its own, not (yet) a drag
        }
        lastChanged_ = std::move(changed);
    }
    plotImageCurves_ = std::move(curves);
    plotImageFrame_ = frame.cacheKey();
    return plotImage_;
}

void ResponseGraph::drawInOrder(const QPixmap& frame, const std::vector<PlotCurve>& curves) {
    FitImage(plotImage_, frame.size(), frame.devicePixelRatio());
    QPainter painter(&plotImage_);
    painter.drawPixmap(0, 0, frame);
    paintCurves(painter, curves, {}, 0);
    plotImageInOrder_ = true;
}

void ResponseGraph::buildStillLayer(const QPixmap& frame, const std::vector<PlotCurve>& curves,
                                    const std::vector<char>& changing) {
    FitImage(stillImage_, frame.size(), frame.devicePixelRatio());
    QPainter painter(&stillImage_);
    painter.drawPixmap(0, 0, frame);
    paintCurves(painter, curves, changing, 0);
    stillCurves_ = curves;
    stillLeftOut_ = changing;
    stillFrame_ = frame.cacheKey();
}

bool ResponseGraph::stillLayerFits(const std::vector<PlotCurve>& curves) const {
    if (stillFrame_ != plotImageFrame_ || stillCurves_.size() != curves.size())
        return false;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        if (stillLeftOut_[i] == 0 && !(curves[i] == stillCurves_[i]))
            return false;
    }
    return true;
}

void ResponseGraph::composeOnStillLayer(const std::vector<PlotCurve>& curves) {
    FitImage(plotImage_, stillImage_.size(), stillImage_.devicePixelRatio());
    QPainter painter(&plotImage_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, stillImage_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintCurves(painter, curves, stillLeftOut_, 1);
    // In order when nothing kept in the layer comes after a curve drawn on top of it.
    const auto lastKept = std::find(stillLeftOut_.rbegin(), stillLeftOut_.rend(), 0);
    plotImageInOrder_ = std::find(lastKept, stillLeftOut_.rend(), 1) == stillLeftOut_.rend();
    if (!plotImageInOrder_)
        settleTimer_.start();
}

void ResponseGraph::paintCurves(QPainter& painter, const std::vector<PlotCurve>& curves,
                                const std::vector<char>& marks, char marked) {
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const PlotCurve& c = curves[i];
        if (marks.empty() || marks[i] == marked)
            paintValues(painter, c.values.data(), c.colour, c.width, c.wrapJump);
    }
}

std::vector<ResponseGraph::Drawn> ResponseGraph::drawnChannels() {
    std::vector<Drawn> drawn;
    auto add = [&](Channel& record, ChannelId id, double width) {
        record.recomputeCurve();
        drawn.push_back({&record, id, width});
    };
    if (mode_ == kModeAllChannels) {
        for (int i = 0; i < kInputCount; ++i) {
            if (data_->input(i).present() != 0)
                add(data_->input(i), {false, i}, kCurveWidth);
        }
        for (int i = 0; i < kOutputCount; ++i) {
            if (data_->output(i).present() != 0)
                add(data_->output(i), {true, i}, kCurveWidth);
        }
        return drawn;
    }
    // An editing mode: the channels laid over the edited one, which goes on last, thicker, so
    // that it is never hidden by an overlaid one.
    const ChannelId selected =
        mode_ == kModeInputEq ? ChannelId{false, selectedInput_} : ChannelId{true, selectedOutput_};
    const Channel& record = ChannelOf(*data_, selected);
    for (int i = 0; i < kInputCount; ++i) {
        if (record.overlayInput(i) != 0)
            add(data_->input(i), {false, i}, kCurveWidth);
    }
    for (int i = 0; i < kOutputCount; ++i) {
        if (record.overlayOutput(i) != 0)
            add(data_->output(i), {true, i}, kCurveWidth);
    }
    add(ChannelOf(*data_, selected), selected, kSelectedCurveWidth);
    return drawn;
}

GraphScale ResponseGraph::scaleFor(const std::vector<Drawn>& drawn) {
    drawnCurves_.clear();
    if (view_ == GraphView::Magnitude)
        return MagnitudeScale();
    for (const Drawn& d : drawn)
        drawnCurves_.push_back(ChannelCurves(ChannelTransfer(*data_, d.id), FrequencyGrid()));
    if (view_ == GraphView::Phase)
        return PhaseScale();
    double lowest = 0.0;
    double highest = 0.0;
    const auto& grid = FrequencyGrid();
    for (const ResponseCurves& curves : drawnCurves_) {
        for (std::size_t i = 0; i < grid.size(); ++i) {
            if (grid[i] >= kDelayFromHz && grid[i] <= kDelayToHz) {
                lowest = std::min(lowest, curves.groupDelayMs[i]);
                highest = std::max(highest, curves.groupDelayMs[i]);
            }
        }
    }
    return GroupDelayScale(lowest, highest);
}

std::vector<ResponseGraph::PlotCurve> ResponseGraph::levelCurves(const std::vector<Drawn>& drawn) {
    std::vector<PlotCurve> curves;
    for (const Drawn& d : drawn)
        curves.push_back({d.record->curveLevels(), ToQColor(d.record->curveColour()), d.width});
    if (measurements_ == nullptr)
        return curves;
    const double offset = measurements_->DisplayOffsetDb();
    auto shifted = [offset](MeasurementOverlays::GridValues levels) {
        for (double& level : levels)
            level += offset;
        return levels;
    };
    bool anyShown = false;
    for (const Drawn& d : drawn) {
        const MeasurementOverlays::Overlay* overlay = measurements_->Of(d.id);
        if (overlay == nullptr || !overlay->shown)
            continue;
        anyShown = true;
        QColor colour = ToQColor(d.record->curveColour());
        curves.push_back(
            {shifted(MeasurementOverlays::PredictedLevels(*overlay, d.record->curveLevels())),
             colour, kPredictedWidth});
        colour.setAlpha(kMeasuredAlpha);
        curves.push_back({shifted(overlay->levelDb), colour, kMeasuredWidth});
    }
    if (anyShown)
        captions_ << tr("Measured (faint) and predicted: 0 dB here is %1 dB in the files")
                         .arg(-offset, 0, 'f', 0);
    const MeasurementOverlays::Sum sum = measurements_->PredictedSumOf(*data_);
    if (sum.Drawn())
        curves.push_back({shifted(sum.levelDb), kSumColour, kSumWidth});
    else if (sum.chosen)
        captions_ << QString::fromStdString(sum.reason);
    return curves;
}

void ResponseGraph::paintHandles(QPainter& painter, const std::vector<Drawn>& drawn) {
    switch (mode_) {
    case kModeInputEq:
    case kModeOutputEq: {
        const Channel& edited = *drawn.back().record;
        const QColor colour = ToQColor(edited.curveColour());
        paintBandwidthHandles(painter, colour);
        paintBandLabels(painter, *editedSet(), editedBandCount(), colour);
        break;
    }
    case kModeOutputCrossover:
        paintCrossoverLabels(painter, *editedSet(), ToQColor(drawn.back().record->curveColour()));
        break;
    default:
        break;
    }
}

std::vector<ResponseGraph::PlotCurve>
ResponseGraph::phaseOrDelayCurves(const std::vector<Drawn>& drawn) {
    const bool phase = view_ == GraphView::Phase;
    const double jump = phase ? kPhaseWrapJump : 0.0;
    std::vector<PlotCurve> curves;
    auto add = [&](const double* values, QColor colour, double width) {
        PlotCurve& curve = curves.emplace_back();
        std::copy_n(values, curve.values.size(), curve.values.begin());
        curve.colour = colour;
        curve.width = width;
        curve.wrapJump = jump;
    };
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const Drawn& d = drawn[k];
        const ResponseCurves& channel = drawnCurves_[k];
        const QColor colour = ToQColor(d.record->curveColour());
        if (!phase) {
            add(channel.groupDelayMs.data(), colour, d.width);
            continue;
        }
        add(channel.phaseDeg.data(), colour, d.width);
        const MeasurementOverlays::Overlay* overlay =
            measurements_ != nullptr ? measurements_->Of(d.id) : nullptr;
        if (overlay == nullptr || !overlay->shown || !overlay->measurement.HasPhase())
            continue;
        add(MeasurementOverlays::PredictedPhase(*overlay, channel).data(), colour, kPredictedWidth);
        QColor faint = colour;
        faint.setAlpha(kMeasuredAlpha);
        add(overlay->phaseDeg.data(), faint, kMeasuredWidth);
    }
    if (phase && measurements_ != nullptr) {
        const MeasurementOverlays::Sum sum = measurements_->PredictedSumOf(*data_);
        if (sum.Drawn())
            add(sum.phaseDeg.data(), kSumColour, kSumWidth);
        else if (sum.chosen)
            captions_ << QString::fromStdString(sum.reason);
    }
    captions_.prepend(phase ? tr("Phase in degrees") : tr("Group delay in milliseconds"));
    return curves;
}

void ResponseGraph::paintCaptions(QPainter& painter) {
    const QRect plot = ToQRect(plot_);
    painter.setPen(kCaptionText);
    int y = plot.top() + 3;
    for (const QString& caption : std::as_const(captions_)) {
        painter.drawText(QRect(plot.left() + 6, y, plot.width() - 12, kFontPixels + 4),
                         Qt::AlignLeft | Qt::AlignVCenter, caption);
        y += kFontPixels + 4;
    }
}

void ResponseGraph::paintHandle(QPainter& painter, const GraphRect& handle, QColor colour, bool on,
                                bool current, const QString& caption, Qt::Alignment align) {
    const QRectF disc = QRectF(ToQRect(handle)).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.save();
    painter.setClipRect(ToQRect(plot_));
    painter.setPen(QPen(current ? kHandleText : colour, current ? 1.5 : 1.2));
    painter.setBrush(on ? colour : kBlack);
    painter.drawEllipse(disc);
    painter.restore();
    painter.setPen(on ? CaptionOn(colour) : kHandleText);
    painter.drawText(ToQRect(handle), align | Qt::AlignVCenter, caption);
}

void ResponseGraph::paintBandLabels(QPainter& painter, FilterSet& set, int bands, QColor colour) {
    const int w = plot_.width();
    // Last band first, so band 1 ends up on top where handles overlap.
    for (int k = std::min(bands, set.bandCount()); k >= 1; --k) {
        const Filter& band = set[k - 1];
        const GraphRect handle = handleOf(band);
        const Qt::Alignment align = ToQt(GG::BandLabelAlign(handle, band.frequency(), w));
        paintHandle(painter, handle, colour, band.off() == 0, current_ == k - 1, QString::number(k),
                    align);
    }
}

void ResponseGraph::paintBandwidthHandles(QPainter& painter, QColor colour) {
    const Filter* f = current();
    if (f == nullptr || f->isBand() == 0 || f->type() != Filter::kPeq)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false); // square boxes on whole pixels
    painter.setPen(colour);
    const GG::BandwidthHandles edges = bandwidthHandlesOf(*f);
    for (const GraphRect& r : {edges.lower, edges.upper}) {
        const QRect box = ToQRect(r);
        painter.fillRect(box, kBlack);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void ResponseGraph::paintCrossoverLabels(QPainter& painter, FilterSet& set, QColor colour) {
    const std::array<std::tuple<int, bool, QString>, 2> handles{{
        {set.highPassPosition(), true, QStringLiteral("H")},
        {set.lowPassPosition(), false, QStringLiteral("L")},
    }};
    for (const auto& [position, highPass, text] : handles) {
        const Filter& filter = set[position];
        const int hz = filter.frequency();
        const bool on = highPass ? !HighPassIsOff(hz) : !LowPassIsOff(hz);
        const Qt::Alignment align = ToQt(GG::CrossoverLabelAlign(hz));
        paintHandle(painter, handleOf(filter), colour, on, current_ == position, text, align);
    }
}

void ResponseGraph::paintValues(QPainter& painter, const double* values, QColor colour,
                                double width, double wrapJump) {
    // At the values themselves, not at whole pixels: no stair steps on a gentle slope. A pixel
    // position p stands for the pixel from p to p + 1, so a curve whose value falls on a whole
    // pixel runs through that pixel's middle and draws it crisp. A value far beyond the plot is
    // held a little outside it; the plot clips it anyway.
    const double h = plot_.height();
    const auto runs = CurveRuns(std::span<const double>(values, kCurvePoints), wrapJump);
    if (runs.empty())
        return;
    // A curve beyond the scale stays inside the plot's border instead of running over it and
    // the labels.
    painter.save();
    painter.setClipRect(ToQRect(plot_).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const auto& [first, last] : runs) {
        polyline_.resize(last - first);
        for (int i = first; i < last; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const double y = plot_.top + scale_.YOf(values[k], plot_.height());
            polyline_[i - first] =
                QPointF(curveX_[k] + 0.5, std::clamp(y, plot_.top - h, plot_.bottom + h) + 0.5);
        }
        painter.drawPolyline(polyline_);
    }
    painter.restore();
}

// ---- Selection ----------------------------------------------------------------------------------

FilterSet* ResponseGraph::editedSet() {
    if (data_ == nullptr)
        return nullptr;
    switch (mode_) {
    case kModeInputEq:
        return &data_->input(selectedInput_).filters();
    case kModeOutputEq:
    case kModeOutputCrossover:
        return &data_->output(selectedOutput_).filters();
    default:
        return nullptr;
    }
}

int ResponseGraph::editedBandCount() const {
    if (mode_ == kModeInputEq) {
        const int type = data_ != nullptr ? data_->deviceType() : kDeviceType4x8;
        return DeviceModelOf(type).inputBands;
    }
    return mode_ == kModeOutputEq ? OutputChannel::kBandCount : 0;
}

Filter* ResponseGraph::current() {
    FilterSet* set = editedSet();
    return set != nullptr ? set->at(current_) : nullptr;
}

GraphRect ResponseGraph::handleOf(const Filter& filter) const {
    return GG::HandleOf(filter, plot_.width(), plot_.height());
}

GG::BandwidthHandles ResponseGraph::bandwidthHandlesOf(const Filter& band) const {
    return GG::BandwidthHandlesOf(band, plot_.width(), plot_.height());
}

void ResponseGraph::clearCurrent() {
    handles_ = HandleState{};
    current_ = kNoFilter;
    setOverHandle(false);
}

void ResponseGraph::setOverHandle(bool over) {
    if (over == overHandle_)
        return;
    overHandle_ = over;
    setCursor(over ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

// ---- Tooltip ------------------------------------------------------------------------------------

QString ResponseGraph::handleTooltip() {
    const Filter* f = current();
    const FilterSet* set = editedSet();
    if (f == nullptr || set == nullptr || !overHandle_)
        return {};
    const std::string text =
        f->isBand() != 0 ? GG::BandDescription(*f, current_ + 1)
                         : GG::CrossoverDescription(*f, current_ == set->highPassPosition());
    return QString::fromStdString(text);
}

bool ResponseGraph::event(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        placeViewSwitch(); // the buttons take the surface's font: their sizes follow it
    if (event->type() == QEvent::ToolTip) {
        const QString text = handleTooltip();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

// ---- Mouse --------------------------------------------------------------------------------------

void ResponseGraph::mouseMoveEvent(QMouseEvent* event) {
    if (view_ != GraphView::Magnitude)
        return; // phase and group delay have no handles
    const GraphPoint p = ToGraphPoint(event);
    if (mode_ == kModeInputEq || mode_ == kModeOutputEq)
        bandMove(p);
    else if (mode_ == kModeOutputCrossover)
        crossoverMove(p);
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || view_ != GraphView::Magnitude)
        return;
    const GraphPoint p = ToGraphPoint(event);
    if (mode_ == kModeInputEq || mode_ == kModeOutputEq)
        bandPress(p);
    else if (mode_ == kModeOutputCrossover)
        crossoverPress(p);
}

void ResponseGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (mode_ == kModeInputEq || mode_ == kModeOutputEq)
        bandRelease();
    else if (mode_ == kModeOutputCrossover)
        crossoverRelease(ToGraphPoint(event));
}

void ResponseGraph::bandHover(GraphPoint p) {
    FilterSet* set = editedSet();
    if (set == nullptr)
        return;
    if (Filter* f = current()) {
        // Bandwidth edges exist for peaking bands only; a shelf's stay hidden and inert.
        const bool peq = f->type() == Filter::kPeq;
        const GG::BandwidthHandles edges = bandwidthHandlesOf(*f);
        handles_.hoverBand = handleOf(*f).contains(p.x, p.y);
        handles_.hoverLowEdge = peq && edges.lower.contains(p.x, p.y);
        handles_.hoverHighEdge = peq && edges.upper.contains(p.x, p.y);
        if (handles_.hoverBand || handles_.hoverLowEdge || handles_.hoverHighEdge) {
            setOverHandle(true);
            return;
        }
    }
    // Over none of the current band's handles: another band under the pointer becomes current.
    // Without one the current band stays, so its bandwidth edges remain visible and reachable.
    const int bands = std::min(editedBandCount(), set->bandCount());
    for (int k = 0; k < bands; ++k) {
        if (handleOf((*set)[k]).contains(p.x, p.y)) {
            if (k != current_) {
                clearCurrent();
                current_ = k;
                update();
            }
            handles_.hoverBand = true;
            setOverHandle(true);
            return;
        }
    }
    setOverHandle(false);
}

void ResponseGraph::bandMove(GraphPoint p) {
    Filter* f = current();
    if (f != nullptr && handles_.grabBand) {
        dragged(GG::BandDragStep(*f, p, handles_.dragOffset, plot_.width(), plot_.height()));
        return;
    }
    if (f != nullptr && (handles_.grabLowEdge || handles_.grabHighEdge)) {
        dragged(GG::BandwidthDragStep(*f, p.x, handles_.grabHighEdge, plot_.width()));
        return;
    }
    bandHover(p);
}

void ResponseGraph::bandPress(GraphPoint p) {
    // A press acts on what is under the pointer now, even when no move preceded it.
    bandHover(p);
    Filter* f = current();
    if (f == nullptr)
        return;
    if (handles_.hoverBand) {
        const GraphPoint c = handleOf(*f).centre();
        handles_.grabBand = true;
        handles_.dragOffset = {p.x - c.x, p.y - c.y};
    } else if (f->type() == Filter::kPeq && handles_.hoverLowEdge) {
        handles_.grabLowEdge = true;
    } else if (f->type() == Filter::kPeq && handles_.hoverHighEdge) {
        handles_.grabHighEdge = true;
    }
}

void ResponseGraph::bandRelease() {
    // Grabs and hover marks end; the band stays current, so its bandwidth edges stay visible.
    if (current() != nullptr)
        handles_ = HandleState{};
}

void ResponseGraph::crossoverHover(GraphPoint p) {
    FilterSet* set = editedSet();
    if (set == nullptr || set->count() < 2)
        return;
    if (Filter* f = current()) {
        if (handleOf(*f).contains(p.x, p.y)) {
            setOverHandle(true);
            return;
        }
        clearCurrent(); // left the handle without a grab
    }
    for (int position : {set->highPassPosition(), set->lowPassPosition()}) {
        if (handleOf((*set)[position]).contains(p.x, p.y)) {
            current_ = position;
            handles_.hoverBand = true;
            setOverHandle(true);
            return;
        }
    }
    setOverHandle(false);
}

void ResponseGraph::crossoverMove(GraphPoint p) {
    Filter* f = current();
    FilterSet* set = editedSet();
    if (f != nullptr && set != nullptr && handles_.grabBand) {
        // Dragged even outside its handle; the other filter of the pair is the limit.
        const bool highPass = current_ == set->highPassPosition();
        const int other = highPass ? set->lowPass().frequency() : set->highPass().frequency();
        dragged(GG::CrossoverDragStep(*f, other, p, handles_.dragOffset, plot_.width()));
        return;
    }
    crossoverHover(p);
}

void ResponseGraph::crossoverPress(GraphPoint p) {
    crossoverHover(p);
    Filter* f = current();
    if (f == nullptr || !handles_.hoverBand)
        return;
    const GraphPoint c = handleOf(*f).centre();
    handles_.grabBand = true;
    handles_.dragOffset = {p.x - c.x, p.y - c.y};
}

void ResponseGraph::crossoverRelease(GraphPoint p) {
    Filter* f = current();
    if (f == nullptr)
        return;
    handles_.grabBand = false;
    if (!handleOf(*f).contains(p.x, p.y))
        clearCurrent();
}

void ResponseGraph::dragged(bool changed) {
    if (!changed || current_ < 0 || current_ >= 32)
        return;
    pendingPositions_ |= 1U << current_;
    update();
    emit dragEdited(current_, mode_);
}
