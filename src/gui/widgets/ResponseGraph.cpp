#include "gui/widgets/ResponseGraph.h"

#include <QHelpEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <tuple>

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

// Dark text on a light disc, white on a dark one.
QColor CaptionOn(QColor disc) {
    return disc.lightnessF() > 0.55 ? kBlack : kHandleText;
}

} // namespace

ResponseGraph::ResponseGraph(QWidget* parent)
    : QWidget(parent), polyline_(kCurvePoints), reportTimer_(this) {
    setMouseTracking(true); // hover marks and the move cursor follow the pointer without a button
    setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers the whole client area
    setCursor(Qt::ArrowCursor);
    reportTimer_.setObjectName(QStringLiteral("dragReportTimer"));
    reportTimer_.setInterval(kReportPeriodMs);
    connect(&reportTimer_, &QTimer::timeout, this, &ResponseGraph::reportTick);
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
    if (data_ != nullptr)
        data_->setGraphRect(plot_);
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
        background_.devicePixelRatio() != ratio) {
        backgroundLastGridLine_ = lastLine;
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
    auto label = [&](const GG::Label& l) {
        painter.drawText(QRect(l.x, l.y, 64, kFontPixels * 2), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromLatin1(l.text.data(), static_cast<int>(l.text.size())));
    };
    for (const GG::Label& l : GG::LevelLabels(plot_.height()))
        label(l);
    for (const GG::Label& l : GG::FrequencyLabels(plot_))
        label(l);
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
    QPainter painter(this);
    painter.drawPixmap(0, 0, background());
    if (data_ == nullptr || !initialised_)
        return;
    painter.setFont(CaptionFont());
    painter.setRenderHint(QPainter::Antialiasing);

    switch (mode_) {
    case kModeAllChannels:
        for (InputChannel& in : data_->inputs()) {
            if (in.present() != 0) {
                in.recomputeCurve();
                paintCurve(painter, in, kCurveWidth);
            }
        }
        for (OutputChannel& out : data_->outputs()) {
            if (out.present() != 0) {
                out.recomputeCurve();
                paintCurve(painter, out, kCurveWidth);
            }
        }
        break;
    case kModeInputEq: {
        InputChannel& in = data_->input(selectedInput_);
        paintOverlays(painter, in);
        paintBandwidthHandles(painter, ToQColor(in.curveColour()));
        paintBandLabels(painter, in.filters(), editedBandCount(), ToQColor(in.curveColour()));
        break;
    }
    case kModeOutputEq: {
        OutputChannel& out = data_->output(selectedOutput_);
        paintOverlays(painter, out);
        paintBandwidthHandles(painter, ToQColor(out.curveColour()));
        paintBandLabels(painter, out.filters(), editedBandCount(), ToQColor(out.curveColour()));
        break;
    }
    case kModeOutputCrossover: {
        OutputChannel& out = data_->output(selectedOutput_);
        paintOverlays(painter, out);
        paintCrossoverLabels(painter, out.filters(), ToQColor(out.curveColour()));
        break;
    }
    default:
        break;
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

template <class Record> void ResponseGraph::paintOverlays(QPainter& painter, Record& selected) {
    // The channel's own curve goes on last, thicker, so that it is never hidden by an overlaid
    // one.
    selected.recomputeCurve();
    for (int i = 0; i < kInputCount; ++i) {
        if (selected.overlayInput(i) != 0) {
            InputChannel& in = data_->input(i);
            in.recomputeCurve();
            paintCurve(painter, in, kCurveWidth);
        }
    }
    for (int i = 0; i < kOutputCount; ++i) {
        if (selected.overlayOutput(i) != 0) {
            OutputChannel& out = data_->output(i);
            out.recomputeCurve();
            paintCurve(painter, out, kCurveWidth);
        }
    }
    paintCurve(painter, selected, kSelectedCurveWidth);
}

void ResponseGraph::paintCurve(QPainter& painter, const Channel& channel, double width) {
    // At the levels themselves, not at whole pixels: no stair steps on a gentle slope. A pixel
    // position p stands for the pixel from p to p + 1, so a curve whose level falls on a whole
    // pixel runs through that pixel's middle and draws it crisp. A level far beyond the plot is
    // held a little outside it; the plot clips it anyway.
    const ChannelLevels& levels = channel.curveLevels();
    const double h = plot_.height();
    for (int i = 0; i < kCurvePoints; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double y = plot_.top + GraphYOfLevelExact(levels[k], plot_.height());
        polyline_[i] =
            QPointF(curveX_[k] + 0.5, std::clamp(y, plot_.top - h, plot_.bottom + h) + 0.5);
    }
    // A curve beyond +20 or -40 dB stays inside the plot's border instead of running over it
    // and the labels.
    painter.save();
    painter.setClipRect(ToQRect(plot_).adjusted(1, 1, -1, -1));
    painter.setPen(
        QPen(ToQColor(channel.curveColour()), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(polyline_);
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
    const GraphPoint p = ToGraphPoint(event);
    if (mode_ == kModeInputEq || mode_ == kModeOutputEq)
        bandMove(p);
    else if (mode_ == kModeOutputCrossover)
        crossoverMove(p);
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
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
