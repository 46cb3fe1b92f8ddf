#include "view/frames_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veltor {

namespace {

int32_t ceilDiv(int32_t a, int32_t b) {
    return static_cast<int32_t>((int64_t{a} + b - 1) / b);
}

int32_t truncSide(float v) {
    return static_cast<int32_t>(std::trunc(std::clamp(v, 0.0f, 1.0e9f)));
}

} // namespace

ViewSize framesGridArea(ViewSize framedClient) {
    return {std::max(framedClient.width - 2 * kFramesGridInset, 0),
            std::max(framedClient.height - 2 * kFramesGridInset, 0)};
}

FramesGridLayout layoutFramesGrid(ViewSize area, ViewSize cell, int32_t count) {
    FramesGridLayout layout;
    if (count <= 0) return layout;
    layout.count = count;
    layout.columns = 1;
    layout.rows = count;
    if (area.width <= 0 || area.height <= 0 || cell.width <= 0 || cell.height <= 0) return layout;

    const float aw = static_cast<float>(area.width);
    const float ah = static_cast<float>(area.height);
    const float cw = static_cast<float>(cell.width);
    const float ch = static_cast<float>(cell.height);
    int32_t c = count;
    int32_t r = 1;
    // Each pass removes a column, so the search ends after at most count passes.
    while (c > 1) {
        const float s = aw / (static_cast<float>(c) * cw);
        if (static_cast<float>(r) * s * ch < ah) {
            --c;
            r = ceilDiv(count, c);
            continue;
        }
        const float wider = aw / (static_cast<float>(c + 1) * cw);
        const float fitting =
            std::min(ah / (static_cast<float>(r) * ch), aw / (static_cast<float>(c) * cw));
        if (wider > fitting) {
            ++c;
            r = ceilDiv(count, c);
        }
        break;
    }
    if (c <= 1) {
        c = 1;
        r = count;
    }
    layout.columns = c;
    layout.rows = r;
    layout.factor = std::min(aw / (static_cast<float>(c) * cw), ah / (static_cast<float>(r) * ch));
    layout.thumbnail = {truncSide(cw * layout.factor), truncSide(ch * layout.factor)};
    const int64_t gridWidth = int64_t{c} * layout.thumbnail.width;
    const int64_t gridHeight = int64_t{r} * layout.thumbnail.height;
    layout.offset = {static_cast<int32_t>(std::max<int64_t>((area.width - gridWidth) / 2, 0)),
                     static_cast<int32_t>(std::max<int64_t>((area.height - gridHeight) / 2, 0))};
    return layout;
}

ViewRect FramesGridLayout::thumbnailRect(int32_t k) const {
    if (k < 0 || k >= count || columns <= 0) return {};
    const int32_t left = offset.x + (k % columns) * thumbnail.width;
    const int32_t top = offset.y + (k / columns) * thumbnail.height;
    return {left, top, left + thumbnail.width, top + thumbnail.height};
}

int32_t FramesGridLayout::frameAt(ViewPoint p) const {
    if (columns <= 0 || thumbnail.width <= 0 || thumbnail.height <= 0) return -1;
    const int32_t dx = p.x - offset.x;
    const int32_t dy = p.y - offset.y;
    if (dx < 0 || dy < 0) return -1;
    const int32_t column = dx / thumbnail.width;
    const int32_t row = dy / thumbnail.height;
    if (column >= columns || row >= rows) return -1;
    const int64_t k = int64_t{row} * columns + column;
    return k < count ? static_cast<int32_t>(k) : -1;
}

std::string currentFrameLabel(int32_t frameNumber) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %04d", "Current frame:", frameNumber);
    return text;
}

} // namespace veltor
