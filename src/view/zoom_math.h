// The arithmetic of every way the zoom factor changes. Each function returns
// the value to hand to the zoom setter (which clamps to kMinZoom..kMaxZoom),
// or nothing when the input has no effect at the current zoom.
//
// The zoom is a 32-bit float, so decimal steps such as 0.1 are not exact:
// comparisons against the limits treat values within kZoomTolerance of a
// limit as equal to it (0.3 - 0.1 is not "above 0.2").
#pragma once

#include <cstdint>
#include <optional>

#include "view/view_geometry.h"

namespace veltor {

constexpr float kMinZoom = 0.2f;
constexpr float kMaxZoom = 8.0f;
constexpr double kZoomTolerance = 0.00001;

// The zoom setter's clamp; NaN becomes 1.0 (the zoom of a new document).
float clampZoom(float zoom);
// Two zooms that the zoom history regards as the same.
bool sameZoom(double a, double b);

// Zoom Limits ("*", "fit"): the largest zoom at which the image fits the pane
// with a one-pixel border, min((cw - 2) / w, (ch - 2) / h) in single
// precision. Nothing for an empty image.
std::optional<float> zoomToFit(ViewSize pane, int32_t imageWidth, int32_t imageHeight);

// "+": the next tenth above, trunc(10 z + 1.5) x 0.1, only while z < 8.
std::optional<float> zoomKeyIn(float zoom);
// "-": the tenth below, trunc(10 z - 1 + 0.5) x 0.1, only while z > 0.2.
std::optional<float> zoomKeyOut(float zoom);

// One wheel notch: +0.1 away from the user (positive), -0.1 toward. The
// notch counts only when the result lies strictly inside (0.2, 8.0); the
// result is then rounded to one decimal.
std::optional<float> zoomWheelNotch(float zoom, bool awayFromUser);

// Zoom In/Out tool: +0.5 per click, -0.5 when zooming out.
float zoomClickStep(float zoom, bool zoomOut);
// Zoom Dynamic: moving up by one pixel enlarges by 0.015.
float zoomDynamicStep(float zoom, int32_t lastY, int32_t y);

// Truncation to two decimals (7.0 stays 7.0, 1.16796875 becomes 1.16). The
// float's representation error is absorbed before truncating, so a value
// that is meant to be a whole number of hundredths is not lowered by one.
float truncateToHundredths(float zoom);

// Zoom Window: the rubber band (pane coordinates, any corner order) turned
// into a zoom that fills the pane with the band's image pixels, and the
// scroll position that centres them.
struct ZoomWindowResult {
    bool changes = false; // false for a band without width or height
    float zoom = 1.0f;    // already clamped
    ViewPoint scroll;     // each axis applied only when above 0
    ViewRect imageBand;   // the band in image pixels, clamped to the image
};
ZoomWindowResult zoomWindow(const ViewRect& band, const ViewRect& imageRect, ViewPoint scroll,
                            float zoom, int32_t imageWidth, int32_t imageHeight, ViewSize pane);

// A rectangle from two corners with left <= right and top <= bottom.
ViewRect normalisedRect(ViewPoint a, ViewPoint b);

} // namespace veltor
