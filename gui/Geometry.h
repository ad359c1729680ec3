// Rectangles and points in pixels of the frame window (origin at its top-left corner) or of an
// offscreen picture. Which edges count as inside depends on the operation: fills and block
// copies exclude right and bottom, outlines include them, hit and overlap tests include all
// four edges.
#pragma once

#include <cstdint>

struct Point {
    std::int32_t h = 0;
    std::int32_t v = 0;

    Point() = default;
    Point(std::int32_t horizontal, std::int32_t vertical) : h(horizontal), v(vertical) {}
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    Rect() = default;
    Rect(std::int32_t leftEdge, std::int32_t topEdge, std::int32_t rightEdge,
         std::int32_t bottomEdge)
        : left(leftEdge), top(topEdge), right(rightEdge), bottom(bottomEdge) {}

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }

    // All four edges count as inside, as the views' hit tests want.
    bool containsWithEdges(const Point& where) const {
        return left <= where.h && where.h <= right && top <= where.v && where.v <= bottom;
    }
};
