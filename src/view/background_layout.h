// Where the pictures behind the document windows go: a tile repeated over
// the whole area from its top-left corner, a centre picture when the area can
// hold it, and a corner picture in the bottom-right corner when there is room
// for it below the centre picture.
#pragma once

#include "view/view_geometry.h"

namespace veltor {

struct BackgroundLayout {
    bool centreShown = false;
    ViewPoint centre; // top-left corner of the centre picture
    bool cornerShown = false;
    ViewPoint corner; // top-left corner of the corner picture
    friend bool operator==(const BackgroundLayout&, const BackgroundLayout&) = default;
};

// The centre picture is drawn at ((areaW - w) / 2, (areaH - h) / 2) when the
// area is at least as wide and as tall as it. The corner picture needs the
// centre picture shown, an area at least as wide as itself and at least as
// tall as the centre picture plus twice its own height; it then sits flush
// with the bottom-right corner. Empty pictures are never shown.
BackgroundLayout backgroundLayout(ViewSize area, ViewSize centre, ViewSize corner);

} // namespace veltor
