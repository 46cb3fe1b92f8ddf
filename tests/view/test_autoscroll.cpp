// Middle-button autoscroll: the marker's box, the step per tick and the
// direction cursor.
#include <gtest/gtest.h>

#include <limits>

#include "view/autoscroll.h"

using namespace veltor;

namespace {

TEST(Autoscroll, TheMarkerBoxSurroundsThePress) {
    const AutoscrollMarker m = autoscrollMarkerAt({100, 50}, true, true);
    EXPECT_EQ(m.box, (ViewRect{86, 36, 115, 65}));
    EXPECT_EQ(m.axes(), AutoscrollAxes::Both);
    EXPECT_EQ(autoscrollMarkerAt({0, 0}, false, true).axes(), AutoscrollAxes::Vertical);
}

struct AxisCase {
    int32_t cursor;
    int32_t expected;
};

class AutoscrollAxisSteps : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AutoscrollAxisSteps, GrowWithTheDistanceFromTheBox) {
    // The box spans 86 .. 115 (exclusive); strictly inside nothing moves.
    EXPECT_EQ(autoscrollAxisStep(GetParam().cursor, 86, 115), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AutoscrollAxisSteps,
    ::testing::Values(AxisCase{100, 0}, AxisCase{87, 0}, AxisCase{114, 0}, AxisCase{86, -1},
                      AxisCase{115, 1}, AxisCase{80, -7}, AxisCase{120, 6}, AxisCase{0, -87},
                      AxisCase{std::numeric_limits<int32_t>::max(), 1 << 30},
                      AxisCase{std::numeric_limits<int32_t>::min(), -(1 << 30)}));

TEST(Autoscroll, OnlyScrollableAxesMove) {
    const AutoscrollMarker horizontal = autoscrollMarkerAt({100, 50}, true, false);
    EXPECT_EQ(autoscrollStep(horizontal, {120, 0}), (ViewPoint{6, 0}));
    const AutoscrollMarker both = autoscrollMarkerAt({100, 50}, true, true);
    EXPECT_EQ(autoscrollStep(both, {120, 0}), (ViewPoint{6, -37}));
}

TEST(Autoscroll, TheCursorPointsWhereThePaneMoves) {
    const AutoscrollMarker both = autoscrollMarkerAt({100, 50}, true, true);
    EXPECT_EQ(autoscrollCursor(both, {100, 50}), AutoscrollCursor::Neutral);
    EXPECT_EQ(autoscrollCursor(both, {100, 0}), AutoscrollCursor::North);
    EXPECT_EQ(autoscrollCursor(both, {200, 0}), AutoscrollCursor::NorthEast);
    EXPECT_EQ(autoscrollCursor(both, {200, 50}), AutoscrollCursor::East);
    EXPECT_EQ(autoscrollCursor(both, {200, 90}), AutoscrollCursor::SouthEast);
    EXPECT_EQ(autoscrollCursor(both, {100, 90}), AutoscrollCursor::South);
    EXPECT_EQ(autoscrollCursor(both, {0, 90}), AutoscrollCursor::SouthWest);
    EXPECT_EQ(autoscrollCursor(both, {0, 50}), AutoscrollCursor::West);
    EXPECT_EQ(autoscrollCursor(both, {0, 0}), AutoscrollCursor::NorthWest);
    // Vertical only: a cursor far to the right points nowhere sideways.
    const AutoscrollMarker vertical = autoscrollMarkerAt({100, 50}, false, true);
    EXPECT_EQ(autoscrollCursor(vertical, {200, 0}), AutoscrollCursor::North);
    EXPECT_EQ(autoscrollCursor(vertical, {200, 50}), AutoscrollCursor::Neutral);
}

} // namespace
