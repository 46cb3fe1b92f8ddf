#include "view/rulers.h"

#include <cmath>
#include <cstdio>

namespace veltor {

namespace {

std::string centimetres(int32_t millimetres, bool vertical) {
    char text[24];
    std::snprintf(text, sizeof text, vertical && millimetres == 0 ? "  %d" : "%d", millimetres / 10);
    return text;
}

// One axis: positions along it, where its ticks end and where labels go.
struct Axis {
    bool vertical = false;
    int32_t origin = 0;   // the position of d = 0 along the axis
    int32_t step = 1;     // +1: distances grow toward larger coordinates
    int32_t limit = 0;    // the far edge
    bool strict = false;  // positions must stay strictly before the limit
    int32_t line = 0;     // the axis line's position across the axis
    int32_t shortEnd = 0; // where short and long ticks end, across the axis
    int32_t longEnd = 0;
    double pixelsPerMm = 1.0;
    // Label placement across the axis: the edge it sits on, and whether the
    // text's extent is taken off (the far edges).
    int32_t labelEdge = 0;
    bool labelBeforeEdge = false;
};

bool within(const Axis& a, int32_t p) {
    if (a.step > 0) return a.strict ? p < a.limit : p <= a.limit;
    return p >= a.limit;
}

int32_t positionOf(const Axis& a, int32_t mm) {
    return a.origin + a.step * static_cast<int32_t>(std::trunc(mm * a.pixelsPerMm + 0.5));
}

RulerLine tick(const Axis& a, int32_t p, int32_t end) {
    if (a.vertical) return {{a.line, p}, {end, p}};
    return {{p, a.line}, {p, end}};
}

// The series of distances first, first + spacing, ... while inside the
// limit. No series can hold more ticks than the axis has pixels.
template <class Fn>
void series(const Axis& a, int32_t first, int32_t spacing, int32_t extent, Fn fn) {
    for (int32_t mm = first, count = 0; count <= extent + 1; mm += spacing, ++count) {
        const int32_t p = positionOf(a, mm);
        if (!within(a, p)) return;
        fn(mm, p);
    }
}

void addAxis(const Axis& a, int32_t extent, const RulerLabelMeasure& measure, RulerGeometry& g) {
    series(a, 0, 10, extent, [&](int32_t, int32_t p) { g.lines.push_back(tick(a, p, a.shortEnd)); });
    series(a, 50, 100, extent, [&](int32_t, int32_t p) { g.lines.push_back(tick(a, p, a.longEnd)); });
    series(a, 0, 100, extent, [&](int32_t mm, int32_t p) {
        g.lines.push_back(tick(a, p, a.shortEnd));
        RulerLabel label{{}, centimetres(mm, a.vertical)};
        const TextExtent e = measure ? measure(label.text) : TextExtent{};
        const int32_t across = a.labelBeforeEdge ? a.labelEdge - (a.vertical ? e.width : e.height) : a.labelEdge;
        label.at = a.vertical ? ViewPoint{across, p - e.height / 2} : ViewPoint{p - e.width / 2, across};
        g.labels.push_back(std::move(label));
    });
}

} // namespace

OverlayFont rulerFont() {
    OverlayFont f;
    f.pointSize = 9;
    f.weight = 700;
    f.charSet = 1; // the default character set
    f.faceName = "Arial";
    return f;
}

RulerGeometry rulerGeometry(const ViewRect& image, float zoom, const PixelSpacing& spacing, AxisCorner corner,
                            const RulerLabelMeasure& measure) {
    RulerGeometry g;
    const int32_t a = image.left, b = image.top, W = image.width(), H = image.height();
    if (W <= 0 || H <= 0) return g;
    const PixelSpacing s = measurementSpacing(spacing.row, spacing.column);
    const double z = zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0;
    const bool left = corner == AxisCorner::UpperLeft || corner == AxisCorner::LowerLeft;
    const bool top = corner == AxisCorner::UpperLeft || corner == AxisCorner::UpperRight;

    Axis h;
    h.pixelsPerMm = z / s.column;
    h.origin = left ? a + 25 : a + W - 25;
    h.step = left ? 1 : -1;
    h.limit = left ? a + W : a;
    h.line = top ? b + 25 : b + H - 25;
    h.shortEnd = top ? b + 15 : b + H - 15;
    h.longEnd = top ? b + 8 : b + H - 8;
    h.labelEdge = top ? b : b + H;
    h.labelBeforeEdge = !top;

    Axis v;
    v.vertical = true;
    v.pixelsPerMm = z / s.row;
    v.origin = top ? b + 25 : b + H - 25;
    v.step = top ? 1 : -1;
    v.limit = top ? b + H : b;
    v.strict = corner == AxisCorner::UpperRight;
    v.line = left ? a + 25 : a + W - 25;
    v.shortEnd = left ? a + 15 : a + W - 15;
    v.longEnd = left ? a + 8 : a + W - 8;
    v.labelEdge = left ? a : a + W;
    v.labelBeforeEdge = !left;

    // The axis lines: each starts 10 pixels before the other axis on the
    // side of the origin's corner, and runs to the far edge.
    switch (corner) {
    case AxisCorner::UpperLeft:
        g.lines.push_back({{a + 15, b + 25}, {a + W, b + 25}});
        g.lines.push_back({{a + 25, b + 25}, {a + 25, b + H}});
        break;
    case AxisCorner::LowerLeft:
        g.lines.push_back({{a + 15, b + H - 25}, {a + W, b + H - 25}});
        g.lines.push_back({{a + 25, b}, {a + 25, b + H - 25}});
        break;
    case AxisCorner::UpperRight:
        g.lines.push_back({{a, b + 25}, {a + W - 15, b + 25}});
        g.lines.push_back({{a + W - 25, b + 15}, {a + W - 25, b + H}});
        break;
    case AxisCorner::LowerRight:
        g.lines.push_back({{a, b + H - 25}, {a + W - 15, b + H - 25}});
        g.lines.push_back({{a + W - 25, b}, {a + W - 25, b + H - 15}});
        break;
    }
    addAxis(h, W, measure, g);
    addAxis(v, H, measure, g);
    return g;
}

} // namespace veltor
