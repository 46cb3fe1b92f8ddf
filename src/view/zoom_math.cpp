#include "view/zoom_math.h"

#include <algorithm>
#include <cmath>

namespace veltor {

namespace {

float toZoom(double v) {
    if (std::isnan(v)) return 1.0f;
    return static_cast<float>(std::clamp(v, -1.0e6, 1.0e6));
}

} // namespace

float clampZoom(float zoom) {
    if (std::isnan(zoom)) return 1.0f;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

bool sameZoom(double a, double b) {
    return std::fabs(a - b) < kZoomTolerance;
}

std::optional<float> zoomToFit(ViewSize pane, int32_t imageWidth, int32_t imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return std::nullopt;
    const float across = static_cast<float>(pane.width - 2) / static_cast<float>(imageWidth);
    const float down = static_cast<float>(pane.height - 2) / static_cast<float>(imageHeight);
    return std::min(across, down);
}

std::optional<float> zoomKeyIn(float zoom) {
    if (!(zoom < kMaxZoom - kZoomTolerance)) return std::nullopt;
    return toZoom(std::trunc(10.0 * zoom + 1.5) * 0.1);
}

std::optional<float> zoomKeyOut(float zoom) {
    if (!(zoom > kMinZoom + kZoomTolerance)) return std::nullopt;
    return toZoom(std::trunc(10.0 * zoom - 1.0 + 0.5) * 0.1);
}

std::optional<float> zoomWheelNotch(float zoom, bool awayFromUser) {
    const double next = static_cast<double>(zoom) + (awayFromUser ? 0.1 : -0.1);
    if (!(next > kMinZoom + kZoomTolerance && next < kMaxZoom - kZoomTolerance))
        return std::nullopt;
    return toZoom(std::trunc(10.0 * next + 0.5) * 0.1);
}

float zoomClickStep(float zoom, bool zoomOut) {
    return toZoom(static_cast<double>(zoom) + (zoomOut ? -0.5 : 0.5));
}

float zoomDynamicStep(float zoom, int32_t lastY, int32_t y) {
    return toZoom(static_cast<double>(zoom) + (static_cast<double>(lastY) - y) * 0.015);
}

float truncateToHundredths(float zoom) {
    if (!std::isfinite(zoom)) return zoom;
    const double hundredths = std::floor(static_cast<double>(zoom) * 100.0 + 1e-4);
    return toZoom(hundredths / 100.0);
}

ViewRect normalisedRect(ViewPoint a, ViewPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

ZoomWindowResult zoomWindow(const ViewRect& band, const ViewRect& imageRect, ViewPoint scroll,
                            float zoom, int32_t imageWidth, int32_t imageHeight, ViewSize pane) {
    ZoomWindowResult result;
    result.zoom = clampZoom(zoom);
    if (imageWidth <= 0 || imageHeight <= 0 || pane.width <= 0 || pane.height <= 0) return result;
    const float z = clampZoom(zoom);
    const ViewRect n = normalisedRect({band.left, band.top}, {band.right, band.bottom});
    auto toImage = [z](int32_t pane, int32_t scrollPos, int32_t origin) {
        return static_cast<int32_t>(std::trunc(static_cast<float>(pane + scrollPos - origin) / z));
    };
    ViewRect b{toImage(n.left, scroll.x, imageRect.left), toImage(n.top, scroll.y, imageRect.top),
               toImage(n.right, scroll.x, imageRect.left),
               toImage(n.bottom, scroll.y, imageRect.top)};
    b.left = std::max(b.left, 0);
    b.top = std::max(b.top, 0);
    b.right = std::min(b.right, imageWidth - 1);
    b.bottom = std::min(b.bottom, imageHeight - 1);
    result.imageBand = b;
    if (b.width() <= 0 || b.height() <= 0) return result;

    const float fill = std::min(static_cast<float>(pane.width) / static_cast<float>(b.width()),
                                static_cast<float>(pane.height) / static_cast<float>(b.height()));
    const float nz = clampZoom(truncateToHundredths(fill));
    result.changes = true;
    result.zoom = nz;

    const ViewSize shown = displayedSize(imageWidth, imageHeight, nz);
    auto axis = [nz](int32_t bandStart, int32_t bandExtent, int32_t extent, int32_t paneExtent) {
        int32_t pos = static_cast<int32_t>(std::trunc(static_cast<double>(nz) * bandStart + 0.5));
        pos = std::min(pos, extent < paneExtent ? 100 : extent);
        const int32_t bandShown =
            static_cast<int32_t>(std::trunc(static_cast<double>(nz) * bandExtent));
        if (bandShown < paneExtent) pos -= (paneExtent - bandShown) / 2;
        return std::max(pos, 0);
    };
    result.scroll = {axis(b.left, b.width(), shown.width, pane.width),
                     axis(b.top, b.height(), shown.height, pane.height)};
    return result;
}

} // namespace veltor
