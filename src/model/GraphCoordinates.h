#pragma once

#include <cstdint>

// Pixel positions on the response graph, in client coordinates of the graph control. The model
// lays the channel curves out in them; the graph's geometry places its handles in them.

// A pixel position.
struct GraphPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const GraphPoint&) const = default;
};

// A pixel rectangle; right and bottom lie just outside it, as for any window rectangle.
struct GraphRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    GraphPoint centre() const { return {(left + right) / 2, (top + bottom) / 2}; }

    bool operator==(const GraphRect&) const = default;
};

// Offset of the plot area inside the graph control: every curve point and handle is shifted by it.
inline constexpr int kGraphOffsetX = 35;
inline constexpr int kGraphOffsetY = 10;
