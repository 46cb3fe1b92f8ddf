#include "view/view_geometry.h"

#include <algorithm>
#include <cmath>

namespace veltor {

namespace {

constexpr double kMaxCoordinate = 1 << 30;

// trunc toward zero, with NaN as 0 and the result kept well inside int32 so
// that sums of two coordinates cannot overflow.
int32_t truncToInt(double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -kMaxCoordinate, kMaxCoordinate);
    return static_cast<int32_t>(std::trunc(v));
}

int32_t clampInt(int32_t v, int32_t lo, int32_t hi) {
    return std::max(lo, std::min(v, hi));
}

} // namespace

ViewRect ViewRect::united(const ViewRect& other) const {
    if (other.isEmpty()) return *this;
    if (isEmpty()) return other;
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
}

ViewSize displayedSize(int32_t imageWidth, int32_t imageHeight, float zoom) {
    auto side = [zoom](int32_t extent) {
        const int32_t v = truncToInt(static_cast<double>(zoom) * extent + 0.5);
        return std::max(v, 0);
    };
    return {side(imageWidth), side(imageHeight)};
}

int32_t centredOrigin(int32_t extent, int32_t pane) {
    return extent < pane ? (pane - extent) / 2 : 0;
}

AnchoredAxis anchoredAxis(int32_t extent, int32_t pane, int32_t scroll, float zoom,
                          int32_t anchorImage, int32_t anchorPane) {
    if (extent < pane) return {(pane - extent) / 2 + scroll, 0};
    int32_t offset = -truncToInt(static_cast<double>(zoom) * anchorImage - anchorPane);
    offset = std::min(offset, 0);                       // no gap may open before the image
    if (offset + extent < pane) offset = pane - extent; // nor after it
    return {offset + scroll, -scroll - offset};
}

ViewRect imageRectangle(ViewSize displayed, ViewSize pane) {
    const int32_t left = centredOrigin(displayed.width, pane.width);
    const int32_t top = centredOrigin(displayed.height, pane.height);
    return {left, top, left + displayed.width, top + displayed.height};
}

bool isOverImage(const ViewRect& r, ViewPoint p) {
    return r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom;
}

ViewPoint paneToImage(const ViewRect& r, ViewPoint scroll, float zoom, ViewPoint p) {
    if (!(zoom > 0.0f) || !std::isfinite(zoom)) return {0, 0};
    const int32_t cx = clampInt(p.x, r.left, std::max(r.left, r.right)) + scroll.x - r.left;
    const int32_t cy = clampInt(p.y, r.top, std::max(r.top, r.bottom)) + scroll.y - r.top;
    return {truncToInt(static_cast<float>(cx) / zoom), truncToInt(static_cast<float>(cy) / zoom)};
}

ViewPoint imageToPane(const ViewRect& r, float zoom, ViewPoint image) {
    return {r.left + truncToInt(static_cast<double>(zoom) * image.x),
            r.top + truncToInt(static_cast<double>(zoom) * image.y)};
}

ScrollRange scrollRangeOfTotal(ViewSize total) {
    ScrollRange range;
    range.total = {std::max(total.width, 0), std::max(total.height, 0)};
    range.page = {std::max(range.total.width / 10, 1), std::max(range.total.height / 10, 1)};
    range.line = {std::max(range.page.width / 10, 1), std::max(range.page.height / 10, 1)};
    return range;
}

ScrollRange scrollRangeFor(ViewSize displayed, ViewSize pane) {
    return scrollRangeOfTotal({displayed.width < pane.width ? 100 : displayed.width,
                               displayed.height < pane.height ? 100 : displayed.height});
}

ViewPoint maxScrollPosition(const ScrollRange& range, ViewSize pane) {
    return {std::max(range.total.width - std::max(pane.width, 0), 0),
            std::max(range.total.height - std::max(pane.height, 0), 0)};
}

ViewPoint clampScrollPosition(ViewPoint position, const ScrollRange& range, ViewSize pane) {
    const ViewPoint most = maxScrollPosition(range, pane);
    return {clampInt(position.x, 0, most.x), clampInt(position.y, 0, most.y)};
}

PaintPlan paintPlanFor(const ViewRect& imageRect, ViewPoint scroll, ViewSize pane) {
    PaintPlan plan;
    const ViewRect d = imageRect.translated(-scroll.x, -scroll.y);
    plan.destination = d;
    const int32_t w = std::max(pane.width, 0);
    const int32_t h = std::max(pane.height, 0);
    const ViewRect bands[] = {
        {0, 0, std::min(d.left, w), h},   // left, full height
        {std::max(d.right, 0), 0, w, h},  // right, full height
        {0, 0, w, std::min(d.top, h)},    // top, full width
        {0, std::max(d.bottom, 0), w, h}, // bottom, full width
    };
    for (const ViewRect& band : bands)
        if (!band.isEmpty()) plan.margins.push_back(band);
    return plan;
}

} // namespace veltor
