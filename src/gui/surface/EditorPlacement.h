#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Where a channel or equaliser editor opens. An editor should cover neither the response graph
// (the operator watches the curve while editing) nor the strip of the channel it edits (its gain
// and meter), nor another open editor, and preferably nothing of the main window; and it must lie
// whole on the screen's free area. When the screen has no place that spares everything, what
// matters more is spared first: the graph, then the strip, then the other editors, then the main
// window; among equal places the one nearest the editor's usual place (over the lower part of the
// main window, left-aligned with it) wins. An editor that would still open exactly where another
// one stands is moved down and right by a cascade step, so none hides another completely.
//
// All rectangles are frames in screen coordinates; the strip may be empty (nothing to spare).
struct EditorPlacementInput {
    QRect available;           // the screen's free area
    QRect mainWindow;          // the main window's frame
    QRect graph;               // the response graph
    QRect strip;               // the strip of the edited channel
    QSize editor;              // the editor's frame size
    std::vector<QRect> others; // frames of the editors open already
};

// The cascade step between editors that would open on one spot, in pixels.
inline constexpr int kEditorCascadeStep = 28;

// The editor's top-left corner.
QPoint PlaceEditor(const EditorPlacementInput& in);
