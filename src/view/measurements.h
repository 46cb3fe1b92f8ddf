// The arithmetic of lengths, angles and their labels, and of placing and
// moving text annotations: pure functions over image pixels, pane points and
// the zoom, so every rule can be checked in a table.
#pragma once

#include <cstdint>
#include <string>

#include "view/overlay_records.h"
#include "view/view_geometry.h"
#include "view/view_tools.h"

namespace veltor {

// a x b / c without overflow, rounded to the nearest integer (halves away
// from zero); 0 when c is 0.
int32_t mulDiv(int32_t a, int32_t b, int32_t c);
// The pixel height of a font of `points` on a screen of `dotsPerInch`.
inline int32_t fontPixelHeight(int32_t points, int32_t dotsPerInch) { return mulDiv(points, dotsPerInch, 72); }
// The pixel height drawn at `zoom`: trunc(zoom x pixel height), at least 1.
int32_t zoomedFontPixelHeight(int32_t points, int32_t dotsPerInch, float zoom);

// Millimetres per pixel along the rows (vertical distances) and the columns
// (horizontal distances).
struct PixelSpacing {
    double row = 1.0;
    double column = 1.0;
    friend bool operator==(const PixelSpacing&, const PixelSpacing&) = default;
};
// A spacing value a measurement can use: finite, at least 0.00001 and at most
// 100000 mm.
bool usableSpacing(double millimetres);
// The spacing measurements use: the document's values, or 1.0 for both when
// either is zero, negative, NaN or absurd (lengths are then pixel counts).
PixelSpacing measurementSpacing(double row, double column);

// trunc(sqrt(((x2 - x1 + 1) sx)^2 + ((y2 - y1 + 1) sy)^2)) with the signed
// differences as written, so a line drawn right to left measures shorter
// than the same line drawn left to right. Saturates at INT32_MAX.
int32_t lengthMillimetres(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const PixelSpacing& spacing);
// "%dmm".
std::string lengthLabel(int32_t millimetres);

// The angle at vertex (x1, y1) between the rays to (x2, y2) and (x3, y3), in
// degrees, 0..180.
double angleDegrees(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
// "%.2f°".
std::string angleLabel(double degrees);

// Label boxes of new measurements, kept inside a frame of the given size and
// never at a negative position. A length's label sits beside its first point,
// away from the second; an angle's beside the vertex, away from the rays.
OverlayBox lengthLabelBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TextExtent label, int32_t frameWidth,
                          int32_t frameHeight);
OverlayBox angleLabelBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         TextExtent label, int32_t frameWidth, int32_t frameHeight);

// Where a new annotation goes: the click is the text's lower-left corner.
// x = trunc((scroll x + pane x - image left) / zoom), y likewise with the
// text height taken off before dividing; negative values become 0.
ViewPoint annotationOrigin(ViewPoint pane, ViewPoint scroll, const ViewRect& imageRect, float zoom,
                           int32_t textHeight);

// The pane movement of a Move Annotation drag: Shift keeps it vertical, Ctrl
// horizontal, both hold it still.
ViewPoint constrainedDrag(ViewPoint press, ViewPoint now, KeyModifiers modifiers);
// The image offset of a release: trunc(d / zoom) per axis, single precision.
ViewPoint dragImageOffset(ViewPoint paneDrag, float zoom);
// A box moved by an offset; negative results become 0, and the top-left
// corner stays on the frame.
OverlayBox movedBox(const OverlayBox& box, ViewPoint offset, int32_t frameWidth, int32_t frameHeight);

} // namespace veltor
