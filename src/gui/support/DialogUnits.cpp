#include "gui/support/DialogUnits.h"

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
