// Tiling the document windows and lining up the minimised ones.
#include <gtest/gtest.h>

#include "view/window_arrangement.h"

using namespace veltor;

namespace {

// Every pixel of the area belongs to exactly one rectangle.
void expectExactCover(const std::vector<ViewRect>& rects, int32_t width, int32_t height) {
    int64_t area = 0;
    for (size_t i = 0; i < rects.size(); ++i) {
        const ViewRect& r = rects[i];
        EXPECT_FALSE(r.isEmpty()) << i;
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, width);
        EXPECT_LE(r.bottom, height);
        area += int64_t(r.width()) * r.height();
        for (size_t j = i + 1; j < rects.size(); ++j) {
            const ViewRect& o = rects[j];
            const bool apart = r.right <= o.left || o.right <= r.left || r.bottom <= o.top || o.bottom <= r.top;
            EXPECT_TRUE(apart) << i << " overlaps " << j;
        }
    }
    EXPECT_EQ(area, int64_t(width) * height);
}

TEST(WindowArrangement, TilesAsRowsOrColumnsWhileTheyAreThickEnough) {
    const auto rows = tileWindows(4, 1000, 601, TileDirection::Horizontally);
    ASSERT_EQ(rows.size(), 4u);
    for (const ViewRect& r : rows) {
        EXPECT_EQ(r.width(), 1000);
        EXPECT_GE(r.height(), 150);
    }
    EXPECT_EQ(rows[0].top, 0);
    EXPECT_EQ(rows[3].bottom, 601);
    expectExactCover(rows, 1000, 601);

    const auto columns = tileWindows(3, 1000, 600, TileDirection::Vertically);
    ASSERT_EQ(columns.size(), 3u);
    for (const ViewRect& r : columns) EXPECT_EQ(r.height(), 600);
    expectExactCover(columns, 1000, 600);
}

TEST(WindowArrangement, ManyWindowsShareTheLinesThatFit) {
    // 300 pixels hold two rows of at least 120: seven windows as 3 + 4.
    const auto rows = tileWindows(7, 900, 300, TileDirection::Horizontally);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].height(), 150);
    EXPECT_EQ(rows[0].width(), 300);
    EXPECT_EQ(rows[6].width(), 225);
    expectExactCover(rows, 900, 300);
    // Four windows over three lines: no line is left empty.
    expectExactCover(tileWindows(4, 500, 400, TileDirection::Vertically, 160), 500, 400);
    // An area thinner than one line still shows every window.
    expectExactCover(tileWindows(5, 100, 50, TileDirection::Horizontally), 100, 50);
    EXPECT_TRUE(tileWindows(0, 100, 100, TileDirection::Vertically).empty());
    EXPECT_TRUE(tileWindows(3, 0, 100, TileDirection::Vertically).empty());
}

TEST(WindowArrangement, IconsLineUpFromTheBottomLeft) {
    const auto icons = arrangeIcons(5, 350, 400, 160, 30);
    ASSERT_EQ(icons.size(), 5u);
    EXPECT_EQ(icons[0].left, 0);
    EXPECT_EQ(icons[0].bottom, 400);
    EXPECT_EQ(icons[1].left, 160);
    EXPECT_EQ(icons[2].left, 0); // two fit in a row
    EXPECT_EQ(icons[2].bottom, 370);
    EXPECT_EQ(icons[4].bottom, 340);
    EXPECT_TRUE(arrangeIcons(3, 350, 400, 0, 30).empty());
}

} // namespace
