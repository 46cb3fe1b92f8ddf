// Middle-button autoscroll: a round marker where the button went down, and a
// step that moves the scroll position toward the cursor faster the farther
// the cursor is from the marker. The widget owns the 10 ms timer and the
// marker window; it calls autoscrollStep on every tick.
#pragma once

#include <cstdint>

#include "view/view_geometry.h"

namespace veltor {

constexpr int32_t kAutoscrollMarkerSize = 29;   // the marker's box, square
constexpr int32_t kAutoscrollMarkerOffset = 14; // box corner left of and above the press
constexpr int32_t kAutoscrollPictureSize = 28;  // the picture inside the box
constexpr int kAutoscrollIntervalMs = 10;

// Which picture the marker shows: the axes that can scroll.
enum class AutoscrollAxes { Both, Horizontal, Vertical };

struct AutoscrollMarker {
    ViewRect box; // pane coordinates, right and bottom exclusive
    bool horizontal = false;
    bool vertical = false;
    AutoscrollAxes axes() const;
};

// A marker for a middle-button press at `press`; nothing scrolls on an axis
// where the image fits the pane.
AutoscrollMarker autoscrollMarkerAt(ViewPoint press, bool horizontal, bool vertical);

// The signed step on one axis: 0 while the cursor is strictly inside
// (boxStart, boxEnd), otherwise toward the cursor by its distance from the
// near edge plus one.
int32_t autoscrollAxisStep(int32_t cursor, int32_t boxStart, int32_t boxEnd);

// The scroll change of one tick (0 on an axis that cannot scroll). The caller
// limits the new position to the scroll range.
ViewPoint autoscrollStep(const AutoscrollMarker& marker, ViewPoint cursor);

// The cursor shape: the neutral marker inside the box, else one of eight
// directions (only along the axes that can scroll).
enum class AutoscrollCursor {
    Neutral,
    North,
    NorthEast,
    East,
    SouthEast,
    South,
    SouthWest,
    West,
    NorthWest
};
AutoscrollCursor autoscrollCursor(const AutoscrollMarker& marker, ViewPoint cursor);

} // namespace veltor
