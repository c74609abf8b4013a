#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QFontMetrics;

// Converts the forms' dialog-unit layouts to pixels.
//
// All form views and dialogs are laid out in dialog units. One pair of factors gives a form's
// natural size: the 678 x 449 dialog-unit control surfaces come out 678 * 1.52 = 1031 px wide and
// 449 * 1.5 = 674 px high. Dialogs use these factors as they are (the free functions below); a
// control surface scales its whole form with the window through DialogUnitScale, which applies
// one zoom to the same factors.
namespace DialogUnits {

// Pixels per dialog unit, expressed as exact fractions so the rounding is the same
// on every machine.
inline constexpr int kXNumerator = 152;
inline constexpr int kXDenominator = 100;
inline constexpr int kYNumerator = 3;
inline constexpr int kYDenominator = 2;

} // namespace DialogUnits

// Horizontal dialog units (may be negative) to pixels, rounded to nearest.
int DluX(int dluX);
// Vertical dialog units (may be negative) to pixels, rounded to nearest.
int DluY(int dluY);
// A point in dialog units to pixels.
QPoint DluPoint(int dluX, int dluY);
// A size in dialog units to pixels.
QSize DluSize(int dluW, int dluH);
// A rectangle given by its top-left corner and size in dialog units. The right and
// bottom edges are converted on their own so that rectangles placed edge to edge in
// dialog units stay edge to edge in pixels.
QRect DluRect(int dluX, int dluY, int dluW, int dluH);
// Pixel size of a font given in points on the original forms ("MS Sans Serif" 8,
// Arial 10, ...), scaled with the vertical factor so text keeps its place in the
// layout.
int DluFontPixelSize(int points);

// Dialog units of a font: a quarter of its average character width across, an eighth of its
// line height down. Laid-out dialogs give the least width of a list or an edit in these units, so
// it grows and shrinks with the desktop's font as the texts do.
int FontDluX(const QFontMetrics& metrics, int dluX);
int FontDluY(const QFontMetrics& metrics, int dluY);

// Dialog units to pixels at a magnification: the factors above times `zoom`, counted from
// `origin`. Positions, sizes and fonts scale alike, so a form keeps its proportions at any zoom.
// The default (zoom 1 at origin 0) gives exactly the pixels of the free functions.
class DialogUnitScale {
public:
    DialogUnitScale() = default;
    DialogUnitScale(double zoom, QPoint origin);

    // The largest zoom at which a form of dluWidth x dluHeight fits `area` whole, centred in it.
    // An empty area gives the smallest zoom that still draws (never zero).
    static DialogUnitScale Fitting(QSize area, int dluWidth, int dluHeight);

    double Zoom() const { return m_zoom; }
    QPoint Origin() const { return m_origin; }

    // Positions (the origin added), rounded to nearest.
    int X(int dluX) const;
    int Y(int dluY) const;
    // A rectangle given by its top-left corner and size; edges are converted on their own, so
    // rectangles edge to edge in dialog units stay edge to edge in pixels.
    QRect Rect(int dluX, int dluY, int dluW, int dluH) const;
    // Pixel size of a font given in points on the forms (as DluFontPixelSize), at least 1.
    int FontPixelSize(int points) const;
    // A length given in pixels of the form at zoom 1 (a thumb's height, a margin), at least 1
    // when it is positive.
    int Pixels(int naturalPixels) const;

private:
    double m_zoom = 1.0;
    QPoint m_origin;
};
