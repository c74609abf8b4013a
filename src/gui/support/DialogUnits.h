#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Converts the forms' dialog-unit layouts to pixels.
//
// All form views and dialogs are laid out in dialog units. One pair of factors is
// used everywhere so that the 678 x 449 dialog-unit main forms fill the client area
// of the fixed 1050 x 720 pixel main window: 678 * 1.52 = 1031 px wide and
// 449 * 1.5 = 674 px high, which leaves room for the frame, title and menu.
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
