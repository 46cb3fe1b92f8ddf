#include "view/background_layout.h"

#include <cstdint>

namespace veltor {

namespace {
bool isEmpty(ViewSize s) {
    return s.width <= 0 || s.height <= 0;
}
} // namespace

BackgroundLayout backgroundLayout(ViewSize area, ViewSize centre, ViewSize corner) {
    BackgroundLayout layout;
    if (isEmpty(area) || isEmpty(centre)) return layout;
    if (area.width < centre.width || area.height < centre.height) return layout;
    layout.centreShown = true;
    layout.centre = {(area.width - centre.width) / 2, (area.height - centre.height) / 2};

    if (isEmpty(corner)) return layout;
    // 64-bit so that huge pictures cannot overflow the height test.
    const int64_t needed = int64_t{centre.height} + 2 * int64_t{corner.height};
    if (area.width >= corner.width && int64_t{area.height} >= needed) {
        layout.cornerShown = true;
        layout.corner = {area.width - corner.width, area.height - corner.height};
    }
    return layout;
}

} // namespace veltor
