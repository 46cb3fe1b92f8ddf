// The "Frames" dialog: every frame as a thumbnail button in a grid, all
// scaled by one factor, with the number of columns chosen so that the
// thumbnails come out as large as the area allows.
#pragma once

#include <cstdint>
#include <string>

#include "view/view_geometry.h"

namespace veltor {

// The thumbnails are inset by this much on each side of the framed area.
constexpr int32_t kFramesGridInset = 4;

struct FramesGridLayout {
    int32_t columns = 0;
    int32_t rows = 0;
    float factor = 0.0f; // common scale of the cell
    ViewSize thumbnail;  // trunc(cell x factor) on each axis
    ViewPoint offset;    // of the grid inside the area, centred, never negative
    int32_t count = 0;

    // Thumbnail k (from 0), relative to the area; empty for k outside 0..count-1.
    ViewRect thumbnailRect(int32_t k) const;
    // The frame whose thumbnail holds the area point, or -1.
    int32_t frameAt(ViewPoint areaPoint) const;
};

// The area inside the framed rectangle whose client size is given.
ViewSize framesGridArea(ViewSize framedClient);

// Lays out `count` frames whose largest width and height make the cell, in
// an area of the given size. Starting from one row of every frame, columns
// are taken away while the width-limited grid leaves room below; at the
// first grid that would not fit, one more column wins when its scale beats
// the fitting scale of the current grid.
FramesGridLayout layoutFramesGrid(ViewSize area, ViewSize cell, int32_t count);

// The dialog's label: "Current frame: 0007" for the 1-based frame number.
std::string currentFrameLabel(int32_t frameNumber);

} // namespace veltor
