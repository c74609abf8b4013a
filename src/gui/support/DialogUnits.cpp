#include "gui/support/DialogUnits.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace {

// Rounds num * value / den to the nearest integer, halves away from zero.
int ScaleRounded(int value, int num, int den) {
    const long long scaled = static_cast<long long>(value) * num;
    const long long half = den / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / den : -((-scaled + half) / den));
}

} // namespace

int DluX(int dluX) {
    return ScaleRounded(dluX, DialogUnits::kXNumerator, DialogUnits::kXDenominator);
}

int DluY(int dluY) {
    return ScaleRounded(dluY, DialogUnits::kYNumerator, DialogUnits::kYDenominator);
}

QPoint DluPoint(int dluX, int dluY) {
    return QPoint(DluX(dluX), DluY(dluY));
}

QSize DluSize(int dluW, int dluH) {
    return QSize(DluX(dluW), DluY(dluH));
}

QRect DluRect(int dluX, int dluY, int dluW, int dluH) {
    const int left = DluX(dluX);
    const int top = DluY(dluY);
    return QRect(left, top, DluX(dluX + dluW) - left, DluY(dluY + dluH) - top);
}

int DluFontPixelSize(int points) {
    // On the original screen (96 dpi) a point was 4/3 px and a vertical dialog unit of
    // an 8-point form was 13/8 px; scale by our vertical factor over that one:
    // points * 4/3 * 8/13 * factor = points * 32/39 * factor.
    const int result =
        ScaleRounded(points * 32 * DialogUnits::kYNumerator, 1, 39 * DialogUnits::kYDenominator);
    return result > 0 ? result : 1;
}

int FontDluX(const QFontMetrics& metrics, int dluX) {
    return ScaleRounded(dluX, metrics.averageCharWidth(), 4);
}

int FontDluY(const QFontMetrics& metrics, int dluY) {
    return ScaleRounded(dluY, metrics.height(), 8);
}

namespace {

// The smallest zoom a form is drawn at; below it nothing would be legible anyway.
constexpr double kMinimumZoom = 0.05;

int ScaleZoomed(int value, int num, int den, double zoom) {
    return static_cast<int>(std::lround(static_cast<double>(value) * num * zoom / den));
}

} // namespace

DialogUnitScale::DialogUnitScale(double zoom, QPoint origin)
    : m_zoom(std::max(zoom, kMinimumZoom)), m_origin(origin) {}

DialogUnitScale DialogUnitScale::Fitting(QSize area, int dluWidth, int dluHeight) {
    const double naturalWidth =
        static_cast<double>(dluWidth) * DialogUnits::kXNumerator / DialogUnits::kXDenominator;
    const double naturalHeight =
        static_cast<double>(dluHeight) * DialogUnits::kYNumerator / DialogUnits::kYDenominator;
    if (naturalWidth <= 0 || naturalHeight <= 0)
        return DialogUnitScale();
    const double zoom = std::max(
        kMinimumZoom, std::min(area.width() / naturalWidth, area.height() / naturalHeight));
    const QPoint origin(static_cast<int>(std::lround((area.width() - naturalWidth * zoom) / 2)),
                        static_cast<int>(std::lround((area.height() - naturalHeight * zoom) / 2)));
    return DialogUnitScale(zoom, QPoint(std::max(0, origin.x()), std::max(0, origin.y())));
}

int DialogUnitScale::X(int dluX) const {
    return m_origin.x() +
           ScaleZoomed(dluX, DialogUnits::kXNumerator, DialogUnits::kXDenominator, m_zoom);
}

int DialogUnitScale::Y(int dluY) const {
    return m_origin.y() +
           ScaleZoomed(dluY, DialogUnits::kYNumerator, DialogUnits::kYDenominator, m_zoom);
}

QRect DialogUnitScale::Rect(int dluX, int dluY, int dluW, int dluH) const {
    const int left = X(dluX);
    const int top = Y(dluY);
    return QRect(left, top, X(dluX + dluW) - left, Y(dluY + dluH) - top);
}

int DialogUnitScale::FontPixelSize(int points) const {
    // As DluFontPixelSize, with the zoom.
    const int result = ScaleZoomed(points * 32 * DialogUnits::kYNumerator, 1,
                                   39 * DialogUnits::kYDenominator, m_zoom);
    return std::max(result, 1);
}

int DialogUnitScale::Pixels(int naturalPixels) const {
    const int result = static_cast<int>(std::lround(naturalPixels * m_zoom));
    return naturalPixels > 0 ? std::max(result, 1) : result;
}
