// Which of the two tool palettes the main window shows: the large one suits
// wide screens and coarse screens, where the small buttons are hard to hit.
#pragma once

#include <cstdint>

namespace veltor {

constexpr int32_t kSmallPaletteMaxScreenWidth = 1024;
constexpr double kSmallPaletteMinDotsPerInch = 97.0;

// Large when the screen is wider than 1024 pixels or has fewer than 97 dots
// per inch; small otherwise. A non-finite or non-positive resolution means
// the screen could not tell, and the large palette is the safe choice.
bool useLargeToolPalette(int32_t screenWidth, double dotsPerInch);

} // namespace veltor
