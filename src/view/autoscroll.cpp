#include "view/autoscroll.h"

#include <algorithm>

namespace veltor {

AutoscrollAxes AutoscrollMarker::axes() const {
    if (horizontal && vertical) return AutoscrollAxes::Both;
    return horizontal ? AutoscrollAxes::Horizontal : AutoscrollAxes::Vertical;
}

AutoscrollMarker autoscrollMarkerAt(ViewPoint press, bool horizontal, bool vertical) {
    const int32_t left = press.x - kAutoscrollMarkerOffset;
    const int32_t top = press.y - kAutoscrollMarkerOffset;
    return {{left, top, left + kAutoscrollMarkerSize, top + kAutoscrollMarkerSize},
            horizontal,
            vertical};
}

int32_t autoscrollAxisStep(int32_t cursor, int32_t boxStart, int32_t boxEnd) {
    // In 64 bits: a cursor far outside the pane must not overflow the step.
    constexpr int64_t kLimit = int64_t{1} << 30;
    const int64_t c = cursor;
    if (c <= boxStart) return static_cast<int32_t>(std::max(-(boxStart - c + 1), -kLimit));
    if (c >= boxEnd) return static_cast<int32_t>(std::min(c - boxEnd + 1, kLimit));
    return 0;
}

ViewPoint autoscrollStep(const AutoscrollMarker& marker, ViewPoint cursor) {
    return {marker.horizontal ? autoscrollAxisStep(cursor.x, marker.box.left, marker.box.right) : 0,
            marker.vertical ? autoscrollAxisStep(cursor.y, marker.box.top, marker.box.bottom) : 0};
}

AutoscrollCursor autoscrollCursor(const AutoscrollMarker& marker, ViewPoint cursor) {
    const ViewPoint step = autoscrollStep(marker, cursor);
    const int sx = step.x < 0 ? -1 : (step.x > 0 ? 1 : 0);
    const int sy = step.y < 0 ? -1 : (step.y > 0 ? 1 : 0);
    using C = AutoscrollCursor;
    // Rows by vertical direction (up, none, down), columns by horizontal.
    static constexpr C table[3][3] = {{C::NorthWest, C::North, C::NorthEast},
                                      {C::West, C::Neutral, C::East},
                                      {C::SouthWest, C::South, C::SouthEast}};
    return table[sy + 1][sx + 1];
}

} // namespace veltor
