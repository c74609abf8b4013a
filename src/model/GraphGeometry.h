#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/Filter.h"
#include "model/GraphCoordinates.h"

// Pixel layout, handle placement and drag arithmetic of the response graph, apart from any
// painting. All positions
// are client coordinates of the graph control: the plot area starts 35 px from the left and
// 10 px from the top, and every curve point and handle carries that offset. Plot width and height
// of 0 or below give degenerate but finite results.
namespace GraphGeometry {

// Margins between the client area and the plot area, in pixels.
inline constexpr int kMarginLeft = kGraphOffsetX;
inline constexpr int kMarginTop = kGraphOffsetY;
inline constexpr int kMarginRight = 10;
inline constexpr int kMarginBottom = 20;

// Number of vertical grid lines the graph knows: 10..90 Hz, 100..900 Hz, 1..9 kHz, 10, 20, 30 kHz.
inline constexpr int kGridLines = 30;
// Horizontal grid lines: twelve steps of 5 dB from +20 dB to -40 dB (the first is at +15 dB).
inline constexpr int kLevelLines = 12;

// Vertical grid lines drawn per mode: entries 1..28 (20 Hz..20 kHz) when all channels are shown,
// entries 1..29 (up to 30 kHz) in the editing modes.
inline constexpr int kFirstDrawnGridLine = 1;
inline constexpr int kLastGridLineAllChannels = 28;
inline constexpr int kLastGridLineEditing = 29;

// The client rectangle reduced by 35 px left, 10 px top, 10 px right and 20 px bottom.
GraphRect PlotRect(const GraphRect& client);

// Frequencies in Hz of the 30 grid lines.
const std::array<int, kGridLines>& GridFrequencies();
// Client x of every grid frequency: x of the frequency (plot width `w`) + 35.
std::array<int, kGridLines> GridX(int w);
// Client y of the horizontal grid lines r = 1..12: plot top + trunc(plot height / 12 x r).
std::array<int, kLevelLines> LevelLineY(const GraphRect& plot);

// A fixed axis text and the top-left corner it is written from.
struct Label {
    std::string_view text;
    int x = 0;
    int y = 0;

    bool operator==(const Label&) const = default;
};
// "+20" .. "-40" at x = 6, placed with the plot height `h` (integer divisions).
std::array<Label, 7> LevelLabels(int h);
// "10" .. "30K" on the plot's bottom line, placed with the plot width (integer divisions).
std::array<Label, 12> FrequencyLabels(const GraphRect& plot);

// ---- Handles ------------------------------------------------------------------------------------
// Where the graph draws and hit-tests a filter's handles on a plot of w x h pixels, in client
// coordinates: pure functions of the filter's parameters, so a handle always sits where the
// values put it.

// Half the side of a band or crossover handle, and of a bandwidth handle, in pixels.
inline constexpr int kHandleHalf = 8;
inline constexpr int kBandwidthHandleHalf = 4;

// Band handle: 16 x 16 centred on the band's frequency and gain (0 dB while the band is off).
// In plot coordinates its left edge stays at -8 or right of it and its top at 0 or below; a box
// reaching beyond w + 8 or h + 8 is moved back to end there.
GraphRect BandHandle(const Filter& band, int w, int h);

// The two bandwidth edges of a band: 8 x 8 centred at the frequencies one bandwidth below and
// above the band's, 10 px below the band handle's centre for a gain of 0 dB or more and 10 px
// above it for a cut.
struct BandwidthHandles {
    GraphRect lower;
    GraphRect upper;

    bool operator==(const BandwidthHandles&) const = default;
};
BandwidthHandles BandwidthHandlesOf(const Filter& band, int w, int h);

// Crossover handle: 16 x 16 at min(frequency, 30000 Hz), its top at the level of +5 dB for the
// high-pass and -1 dB for the low-pass, so the pair never hides one another. Its left edge stays
// at -8 or right of it; a box reaching beyond w ends at w + 8.
GraphRect CrossoverHandle(const Filter& crossover, int w, int h);

// The band handle of a band, the crossover handle of a crossover filter.
GraphRect HandleOf(const Filter& filter, int w, int h);

// Horizontal placement of a handle's caption inside its handle.
enum class Align { Left, Centre, Right };
// Band number: left-aligned when the handle reaches the plot's right edge (so the number stays
// inside the plot), right-aligned for a band at 10 Hz or less, else centred. `w` is the plot
// width.
Align BandLabelAlign(const GraphRect& bandHandle, int frequency, int w);
// "H" / "L" of a crossover handle: right-aligned at 10 Hz or less, left-aligned at 28000 Hz or
// more, else centred.
Align CrossoverLabelAlign(int frequency);

// What a handle's tooltip says of its filter: "EQ3: PEQ 1000 Hz, +3.5 dB, 1.00 oct (Q 1.414)",
// "EQ5 off: PEQ 10 Hz, 1.00 oct (Q 1.414)" (an off band keeps its gain, but it does not count),
// "EQ2: Lo_Shf 12dB 100 Hz, -3.0 dB" for a shelf; `number` is the band's number (1-based).
std::string BandDescription(const Filter& band, int number);
// "HPF: L_R 24dB 120 Hz", "LPF off: 30000 Hz" (a high-pass at 10 Hz or below and a low-pass at
// 30 kHz or above pass everything).
std::string CrossoverDescription(const Filter& crossover, bool highPass);

// Frequency in Hz at a plot x (0..w, without the 35 px offset). The right edge is exactly
// 30000 Hz: the coordinate rule can land a hair below it in floating point, and a crossover
// dragged to the edge must reach its flat (off) frequency.
int FrequencyOfPlotX(int x, int w);

// ---- Drag steps -----------------------------------------------------------------------------
// Each takes the pointer in client coordinates, changes the filter only through its setters
// (which raise its change flag and recompute its response) and returns true when a value the unit
// receives changed. Nothing is changed, and false returned, when the step lands on the values the
// filter already has. The drag offset is pointer - handle centre at the moment of the grab, so the
// point that was grabbed stays under the pointer.

// Band handle: the handle centre follows pointer - drag offset inside x 0..w and
// y h/11 .. h x 5/6; frequency and gain come from that point, the gain limited to -30..+15 dB
// and a low shelf to 20000 Hz.
bool BandDragStep(Filter& band, GraphPoint pointer, GraphPoint dragOffset, int w, int h);
// Target of a band drag step, without changing anything: frequency in Hz and gain index.
struct BandTarget {
    int frequency = 0;
    int gainIndex = 0;
};
BandTarget BandDragTarget(const Filter& band, GraphPoint pointer, GraphPoint dragOffset, int w,
                          int h);

// Bandwidth edge: the octaves between the band frequency and the frequency under the pointer,
// limited to 0.05..3.0, then the model's nearest bandwidth index.
double BandwidthOctavesAt(int pointerX, int bandFrequency, bool upperEdge, int w);
bool BandwidthDragStep(Filter& band, int pointerX, bool upperEdge, int w);

// Crossover handle: the frequency under pointer - drag offset; a high-pass never goes above
// `other` (the low-pass) and a low-pass never below it (the high-pass). A high-pass dragged to
// the plot's left edge or beyond goes to 10 Hz (off).
int CrossoverDragTarget(const Filter& filter, int otherFrequency, GraphPoint pointer,
                        GraphPoint dragOffset, int w);
bool CrossoverDragStep(Filter& filter, int otherFrequency, GraphPoint pointer,
                       GraphPoint dragOffset, int w);

} // namespace GraphGeometry
