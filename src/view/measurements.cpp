#include "view/measurements.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace veltor {

int32_t mulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    int64_t p = int64_t{a} * b;
    int64_t d = c;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    const int64_t q = p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d);
    return static_cast<int32_t>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
}

int32_t zoomedFontPixelHeight(int32_t points, int32_t dotsPerInch, float zoom) {
    const double h = std::trunc(double(zoom) * fontPixelHeight(points, dotsPerInch));
    if (!(h >= 1.0)) return 1;
    return h > 10000.0 ? 10000 : static_cast<int32_t>(h);
}

bool usableSpacing(double mm) { return std::isfinite(mm) && mm >= 0.00001 && mm <= 100000.0; }

PixelSpacing measurementSpacing(double row, double column) {
    if (!usableSpacing(row) || !usableSpacing(column)) return {1.0, 1.0};
    return {row, column};
}

int32_t lengthMillimetres(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const PixelSpacing& spacing) {
    const PixelSpacing s = measurementSpacing(spacing.row, spacing.column);
    const double dx = (double(x2) - double(x1) + 1.0) * s.column;
    const double dy = (double(y2) - double(y1) + 1.0) * s.row;
    const double length = std::trunc(std::sqrt(dx * dx + dy * dy));
    return length >= double(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length);
}

std::string lengthLabel(int32_t millimetres) {
    char text[32];
    std::snprintf(text, sizeof text, "%dmm", millimetres);
    return text;
}

double angleDegrees(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
    // The direction of the first ray, in single precision as the rotation
    // below; a vertical ray takes a fixed approximation of a right angle.
    float a;
    if (x1 == x2)
        a = y2 < y1 ? 1.570795f : -1.570795f;
    else
        a = static_cast<float>(std::atan2(double(y1) - double(y2), double(x2) - double(x1)));
    const float c = std::cos(a);
    const float s = std::sin(a);
    // The second ray turned so that the first lies along the x axis.
    const float fx1 = float(x1), fy1 = float(y1), fx3 = float(x3), fy3 = float(y3);
    const float u = (c * fx3 - s * fy3) - (c * fx1 - s * fy1);
    const float v = (s * fx1 + c * fy1) - (s * fx3 + c * fy3);
    if (u == 0.0f) return 90.00000032824028;
    return std::fabs(std::atan2(double(v), double(u))) * 57.295826;
}

std::string angleLabel(double degrees) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", degrees);
    return std::string(text) + "\xC2\xB0"; // the degree sign
}

namespace {

// Raised to 0, then moved back so that the extent ends at the limit, and
// never negative.
int32_t keepInside(int64_t v, int32_t extent, int32_t limit) {
    if (v < 0) v = 0;
    if (v + extent > limit) v = int64_t{limit} - extent;
    if (v < 0) v = 0;
    return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX));
}

} // namespace

OverlayBox lengthLabelBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TextExtent label, int32_t frameWidth,
                          int32_t frameHeight) {
    const int64_t x = x1 >= x2 ? int64_t{x1} + 3 : int64_t{x1} - label.width - 3;
    const int64_t y = y1 >= y2 ? int64_t{y1} + 3 : int64_t{y1} - label.height - 3;
    return {keepInside(x, label.width, frameWidth), keepInside(y, label.height, frameHeight), label.width,
            label.height};
}

OverlayBox angleLabelBox(int32_t x1, int32_t y1, int32_t /*x2*/, int32_t y2, int32_t x3, int32_t /*y3*/,
                         TextExtent label, int32_t frameWidth, int32_t frameHeight) {
    const int64_t x = x1 < x3 ? int64_t{x1} - label.width - 3 : int64_t{x1} + 3;
    const int64_t y = y1 < y2 ? int64_t{y1} - label.height - 3 : int64_t{y1} + 3;
    return {keepInside(x, label.width, frameWidth), keepInside(y, label.height, frameHeight), label.width,
            label.height};
}

ViewPoint annotationOrigin(ViewPoint pane, ViewPoint scroll, const ViewRect& imageRect, float zoom,
                           int32_t textHeight) {
    const float z = zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f;
    const float x = float(int64_t{scroll.x} + pane.x - imageRect.left) / z;
    const float y = float(int64_t{scroll.y} + pane.y - imageRect.top - textHeight) / z;
    const auto toPixel = [](float v) {
        const float t = std::trunc(v);
        return t <= 0.0f ? 0 : t >= float(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(t);
    };
    return {toPixel(x), toPixel(y)};
}

ViewPoint constrainedDrag(ViewPoint press, ViewPoint now, KeyModifiers modifiers) {
    ViewPoint d{now.x - press.x, now.y - press.y};
    if (modifiers.shift) d.x = 0;
    if (modifiers.ctrl) d.y = 0;
    return d;
}

ViewPoint dragImageOffset(ViewPoint paneDrag, float zoom) {
    const float z = zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f;
    return {static_cast<int32_t>(std::trunc(float(paneDrag.x) / z)),
            static_cast<int32_t>(std::trunc(float(paneDrag.y) / z))};
}

OverlayBox movedBox(const OverlayBox& box, ViewPoint offset, int32_t frameWidth, int32_t frameHeight) {
    OverlayBox moved = box;
    const auto place = [](int32_t v, int32_t d, int32_t limit) {
        int64_t p = int64_t{v} + d;
        if (limit > 0) p = std::min<int64_t>(p, limit - 1);
        return static_cast<int32_t>(std::max<int64_t>(p, 0));
    };
    moved.x = place(box.x, offset.x, frameWidth);
    moved.y = place(box.y, offset.y, frameHeight);
    return moved;
}

} // namespace veltor
