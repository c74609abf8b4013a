#pragma once

#include <array>
#include <span>
#include <string>
#include <utility>
#include <vector>

// What the response graph's vertical axis shows: the level in dB, the phase in degrees or the
// group delay in milliseconds. Each view spans the graph's twelve horizontal grid steps, labelled
// at every second line as the level view always was (+20 .. -40 dB), so the grid stays where it
// is and only the texts and the mapping of values change.

enum class GraphView { Magnitude, Phase, GroupDelay };

struct GraphScale {
    double top = 20.0;     // value at the plot's top edge
    double bottom = -40.0; // value at its bottom edge
    // Texts of the seven labelled lines, top first; the zero line names the unit ("0dB").
    std::array<std::string, 7> labels{};

    // Plot y of a value (0 at the top edge, `h` at the bottom), unrounded.
    double YOf(double value, int h) const;
    bool operator==(const GraphScale&) const = default;
};

// +20 .. -40 dB.
GraphScale MagnitudeScale();
// +180 .. -180 degrees, 30 degrees a grid step.
GraphScale PhaseScale();
// From -s to 5 s milliseconds with the smallest step s of 0.1, 0.2, 0.5, 1, 2, 5 ... that holds
// every value from `lowestMs` to `highestMs` (or the largest step when none does).
GraphScale GroupDelayScale(double lowestMs, double highestMs);

// The runs of points a curve is drawn as, each [first, last) with at least two points: a value
// that is not finite breaks the curve, and so does a phase that wraps from one end of the scale
// to the other (neighbours more than `wrapJump` apart; 0 never breaks there).
std::vector<std::pair<int, int>> CurveRuns(std::span<const double> values, double wrapJump = 0.0);
