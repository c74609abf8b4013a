#include "gui/surface/EditorPlacement.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>

namespace {

// The editors' usual place on the main window: where the first editors stood on a 1050 x 720
// window, at (10, 450), scaled with the window.
constexpr int kUsualLeft = 10;
constexpr int kUsualTop = 450;
constexpr int kUsualWidth = 1050;
constexpr int kUsualHeight = 720;

long long Area(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : static_cast<long long>(common.width()) * common.height();
}

// The left (or top) edge that keeps `length` pixels inside first..last, the first edge when the
// length does not fit (a window larger than the screen keeps its title bar and left edge in view).
int Inside(int edge, int length, int first, int last) {
    return std::max(std::min(edge, last + 1 - length), first);
}

// What a place costs, compared in this order: the lower the better.
using Cost = std::tuple<long long, long long, long long, long long, long long>;

Cost CostOf(const EditorPlacementInput& in, const QRect& place, QPoint usual) {
    long long others = 0;
    for (const QRect& other : in.others)
        others += Area(place, other);
    const long long distance = std::llabs(static_cast<long long>(place.left()) - usual.x()) +
                               std::llabs(static_cast<long long>(place.top()) - usual.y());
    return {Area(place, in.graph), in.strip.isEmpty() ? 0 : Area(place, in.strip), others,
            Area(place, in.mainWindow), distance};
}

} // namespace

QPoint PlaceEditor(const EditorPlacementInput& in) {
    const int w = in.editor.width();
    const int h = in.editor.height();
    const QRect& screen = in.available;
    const QRect& main = in.mainWindow;
    const QPoint usual(main.left() + kUsualLeft * main.width() / kUsualWidth,
                       main.top() + kUsualTop * main.height() / kUsualHeight);

    // Edges to try: beside and below the main window, beside the strip, below the graph, the
    // screen's edges and the usual place.
    std::vector<int> xs{usual.x(),        screen.left(),   screen.right() + 1 - w, main.left(),
                        main.right() + 1, main.left() - w, in.graph.left()};
    std::vector<int> ys{usual.y(),         screen.top(),   screen.bottom() + 1 - h, main.top(),
                        main.bottom() + 1, main.top() - h, in.graph.bottom() + 1};
    if (!in.strip.isEmpty()) {
        xs.insert(xs.end(), {in.strip.left() - w, in.strip.right() + 1});
        ys.insert(ys.end(), {in.strip.top() - h, in.strip.bottom() + 1});
    }
    for (const QRect& other : in.others) {
        xs.push_back(other.left() + kEditorCascadeStep);
        ys.push_back(other.top() + kEditorCascadeStep);
    }

    QRect best;
    Cost bestCost{std::numeric_limits<long long>::max(), 0, 0, 0, 0};
    for (const int x : xs) {
        for (const int y : ys) {
            const QRect place(Inside(x, w, screen.left(), screen.right()),
                              Inside(y, h, screen.top(), screen.bottom()), w, h);
            const Cost cost = CostOf(in, place, usual);
            if (cost < bestCost) {
                bestCost = cost;
                best = place;
            }
        }
    }

    // Never exactly on another editor: down and right by a step (up and left at the screen's
    // bottom-right corner), as often as needed.
    auto taken = [&](QPoint p) {
        return std::any_of(in.others.begin(), in.others.end(), [&](const QRect& other) {
            return std::abs(other.left() - p.x()) < kEditorCascadeStep / 2 &&
                   std::abs(other.top() - p.y()) < kEditorCascadeStep / 2;
        });
    };
    QPoint corner = best.topLeft();
    for (int step = 1; taken(corner) && step <= static_cast<int>(in.others.size()); ++step) {
        for (const int direction : {1, -1}) {
            const QPoint moved(Inside(best.left() + direction * step * kEditorCascadeStep, w,
                                      screen.left(), screen.right()),
                               Inside(best.top() + direction * step * kEditorCascadeStep, h,
                                      screen.top(), screen.bottom()));
            if (!taken(moved)) {
                corner = moved;
                break;
            }
        }
    }
    return corner;
}
