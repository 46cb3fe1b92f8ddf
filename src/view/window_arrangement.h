// Where the Window menu puts the document windows: tiled as rows or as
// columns over the free area, and the minimised ones lined up along its
// bottom edge.
#pragma once

#include <cstdint>
#include <vector>

#include "view/view_geometry.h"

namespace veltor {

enum class TileDirection {
    Horizontally, // windows one above another, each as wide as the area
    Vertically,   // windows side by side, each as tall as the area
};

// Rectangles for `count` windows over an area of width x height, in window
// order. Rows (columns) are made no thinner than minHeight (minWidth) while
// the area allows: beyond that the windows share the rows (columns) that fit,
// as a grid whose lines hold counts differing by at most one, the later lines
// the larger. The rectangles cover the area without overlapping.
std::vector<ViewRect> tileWindows(int32_t count, int32_t width, int32_t height, TileDirection direction,
                                  int32_t minWidth = 160, int32_t minHeight = 120);

// Positions (top-left corners) of `count` minimised windows of iconWidth x
// iconHeight, from the bottom-left corner rightwards, a new row above when a
// row is full.
std::vector<ViewRect> arrangeIcons(int32_t count, int32_t width, int32_t height, int32_t iconWidth,
                                   int32_t iconHeight);

} // namespace veltor
