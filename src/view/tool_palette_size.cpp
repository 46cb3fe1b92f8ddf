#include "view/tool_palette_size.h"

#include <cmath>

namespace veltor {

bool useLargeToolPalette(int32_t screenWidth, double dotsPerInch) {
    if (!std::isfinite(dotsPerInch) || dotsPerInch <= 0.0) return true;
    return screenWidth > kSmallPaletteMaxScreenWidth || dotsPerInch < kSmallPaletteMinDotsPerInch;
}

} // namespace veltor
