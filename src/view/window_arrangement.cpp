#include "view/window_arrangement.h"

#include <algorithm>

namespace veltor {

namespace {

// Splits `length` into `parts` spans whose sizes differ by at most one.
int32_t spanStart(int32_t length, int32_t parts, int32_t index) {
    return static_cast<int32_t>(static_cast<int64_t>(length) * index / parts);
}

} // namespace

std::vector<ViewRect> tileWindows(int32_t count, int32_t width, int32_t height, TileDirection direction,
                                  int32_t minWidth, int32_t minHeight) {
    std::vector<ViewRect> rects;
    if (count <= 0 || width <= 0 || height <= 0) return rects;
    rects.reserve(static_cast<size_t>(count));
    const bool rows = direction == TileDirection::Horizontally;
    // Lines along the tiling direction; how many fit before they get too thin.
    const int32_t across = rows ? height : width;
    const int32_t along = rows ? width : height;
    const int32_t minAcross = std::max<int32_t>(1, rows ? minHeight : minWidth);
    const int32_t maxLines = std::max<int32_t>(1, across / minAcross);
    const int32_t lines = std::min(count, maxLines);
    for (int32_t line = 0; line < lines; ++line) {
        // Lines hold counts that differ by at most one, the later ones more.
        const int32_t inLine = spanStart(count, lines, line + 1) - spanStart(count, lines, line);
        const int32_t a0 = spanStart(across, lines, line);
        const int32_t a1 = spanStart(across, lines, line + 1);
        for (int32_t i = 0; i < inLine; ++i) {
            const int32_t b0 = spanStart(along, inLine, i);
            const int32_t b1 = spanStart(along, inLine, i + 1);
            rects.push_back(rows ? ViewRect{b0, a0, b1, a1} : ViewRect{a0, b0, a1, b1});
        }
    }
    return rects;
}

std::vector<ViewRect> arrangeIcons(int32_t count, int32_t width, int32_t height, int32_t iconWidth,
                                   int32_t iconHeight) {
    std::vector<ViewRect> rects;
    if (count <= 0 || iconWidth <= 0 || iconHeight <= 0) return rects;
    const int32_t perRow = std::max<int32_t>(1, width / iconWidth);
    rects.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t left = (i % perRow) * iconWidth;
        const int32_t top = height - (i / perRow + 1) * iconHeight;
        rects.push_back({left, top, left + iconWidth, top + iconHeight});
    }
    return rects;
}

} // namespace veltor
