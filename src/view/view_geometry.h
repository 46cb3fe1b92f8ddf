// Where the image lies in the image pane: displayed size, position (centred
// or anchored under the cursor during a zoom gesture), the mapping between
// pane points and image pixels, the scroll range and the painting plan.
//
// Three coordinate systems meet here:
//   pane     - the pane's client area, (0, 0) at its top-left corner;
//   content  - pane coordinates plus the scroll position;
//   image    - integer pixels of the current frame.
// The image rectangle is kept in content coordinates; it starts at 0 on an
// axis that scrolls, so on such an axis pane and content points differ only
// by the scroll position.
#pragma once

#include <cstdint>
#include <vector>

namespace veltor {

struct ViewPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const ViewPoint&, const ViewPoint&) = default;
};

struct ViewSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

// Right and bottom are exclusive (one past the last pixel).
struct ViewRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    ViewRect translated(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    // The smallest rectangle holding both; an empty operand is ignored.
    ViewRect united(const ViewRect& other) const;
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// The size of a w x h image at zoom z: each side is trunc(z x side + 0.5).
// Negative or non-finite products give 0, huge ones saturate.
ViewSize displayedSize(int32_t imageWidth, int32_t imageHeight, float zoom);

// Left (or top) edge of an image of displayed extent `extent` in a pane of
// `pane` pixels: centred, integer half rounded down, when it fits; else 0.
int32_t centredOrigin(int32_t extent, int32_t pane);

// One axis of the layout that keeps the anchor pixel under the anchor pane
// point while a zoom gesture is in progress.
struct AnchoredAxis {
    int32_t origin = 0;     // image edge in content coordinates
    int32_t correction = 0; // scroll change to apply when the gesture ends
};
AnchoredAxis anchoredAxis(int32_t extent, int32_t pane, int32_t scroll, float zoom,
                          int32_t anchorImage, int32_t anchorPane);

// The image rectangle in content coordinates for the normal (centred) layout.
ViewRect imageRectangle(ViewSize displayed, ViewSize pane);

// Strictly inside on all four sides.
bool isOverImage(const ViewRect& imageRect, ViewPoint pane);

// The image pixel under a pane point: clamped into the image rectangle,
// shifted by the scroll position, divided by the zoom in single precision and
// truncated. The result lies in 0..w and 0..h inclusive; callers reading a
// pixel must reject w and h themselves.
ViewPoint paneToImage(const ViewRect& imageRect, ViewPoint scroll, float zoom, ViewPoint pane);

// Content coordinates of an image pixel's top-left corner: where overlays draw.
ViewPoint imageToPane(const ViewRect& imageRect, float zoom, ViewPoint image);

// The scroll sizes: the displayed size, with 100 on an axis where the image
// fits so that no scroll bar shows for it. Page step one tenth of the total,
// line step one tenth of a page (at least 1 each).
struct ScrollRange {
    ViewSize total{100, 100};
    ViewSize page{10, 10};
    ViewSize line{1, 1};
    friend bool operator==(const ScrollRange&, const ScrollRange&) = default;
};
ScrollRange scrollRangeFor(ViewSize displayed, ViewSize pane);
// A scroll range of the given total size (the temporary 100 x 100 of a zoom
// gesture uses it).
ScrollRange scrollRangeOfTotal(ViewSize total);

// The largest scroll position on each axis: total - pane, never below 0.
ViewPoint maxScrollPosition(const ScrollRange& range, ViewSize pane);
ViewPoint clampScrollPosition(ViewPoint position, const ScrollRange& range, ViewSize pane);

// What a paint of the pane draws, in pane coordinates and in this order:
// the margins around the image in the background colour (left and right
// bands over the full height, then top and bottom bands over the full width;
// empty bands are left out), then the whole display bitmap stretched
// nearest-neighbour onto `destination`. Overlays follow, drawn by their owners.
struct PaintPlan {
    std::vector<ViewRect> margins;
    ViewRect destination;
};
PaintPlan paintPlanFor(const ViewRect& imageRect, ViewPoint scroll, ViewSize pane);

} // namespace veltor
