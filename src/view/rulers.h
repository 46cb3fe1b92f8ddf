// The rulers drawn along two edges of the displayed frame: centimetre scales
// starting 25 pixels in from the chosen corner, with short ticks every
// centimetre, long ones at every odd half decimetre and a label every
// decimetre. Tick lengths, offsets and the label font keep their size at
// every zoom; only the tick spacing follows it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/user_options.h"
#include "view/measurements.h"
#include "view/overlay_records.h"
#include "view/view_geometry.h"

namespace veltor {

// The labels' font: "Arial", 9 points, bold.
OverlayFont rulerFont();

struct RulerLine {
    ViewPoint from;
    ViewPoint to;
    friend bool operator==(const RulerLine&, const RulerLine&) = default;
};

struct RulerLabel {
    ViewPoint at; // top-left corner of the text
    std::string text;
    friend bool operator==(const RulerLabel&, const RulerLabel&) = default;
};

struct RulerGeometry {
    // The two axis lines first, then per axis the centimetre ticks, the long
    // half-decimetre ticks and the labelled decimetre ticks.
    std::vector<RulerLine> lines;
    std::vector<RulerLabel> labels;
};

// Measures a ruler label in the ruler font.
using RulerLabelMeasure = std::function<TextExtent(const std::string& text)>;

// The rulers for an image drawn at `image` (painter coordinates, right and
// bottom exclusive) at `zoom`, with millimetres per pixel from `spacing`
// (unusable values count as 1 mm). Each tick series stops at the first
// position past the image's far edge.
RulerGeometry rulerGeometry(const ViewRect& image, float zoom, const PixelSpacing& spacing, AxisCorner corner,
                            const RulerLabelMeasure& measure);

} // namespace veltor
