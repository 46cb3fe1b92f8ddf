// Choosing between the large and the small tool palette.
#include <gtest/gtest.h>

#include <limits>

#include "view/tool_palette_size.h"

using namespace veltor;

namespace {

struct PaletteCase {
    int32_t width;
    double dpi;
    bool large;
};

class ToolPaletteSize : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(ToolPaletteSize, LargeOnWideOrCoarseScreens) {
    const PaletteCase& c = GetParam();
    EXPECT_EQ(useLargeToolPalette(c.width, c.dpi), c.large) << c.width << " px at " << c.dpi;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ToolPaletteSize,
    ::testing::Values(PaletteCase{1024, 120.0, false}, // 1024 x 768 at 120 dpi
                      PaletteCase{1024, 96.0, true}, PaletteCase{1025, 120.0, true},
                      PaletteCase{1920, 144.0, true},
                      // the resolution edge: 97 is fine enough for small buttons
                      PaletteCase{1024, 97.0, false}, PaletteCase{1024, 96.9, true},
                      PaletteCase{800, 200.0, false},
                      // a screen that reports no usable resolution
                      PaletteCase{1024, 0.0, true},
                      PaletteCase{1024, std::numeric_limits<double>::quiet_NaN(), true}));

} // namespace
