// The "Frames" dialog's thumbnail grid.
#include <gtest/gtest.h>

#include "view/frames_grid.h"

using namespace veltor;

namespace {

TEST(FramesGrid, SevenSquareFramesLayOutFourByTwo) {
    // The search passes 7, 6, 5, 4 and 3 columns; at 3 the grid would be 600
    // high, and 4 columns (600 / 1024 = 0.5859) beat 3 (400 / 768 = 0.5208).
    const FramesGridLayout g = layoutFramesGrid({600, 400}, {256, 256}, 7);
    EXPECT_EQ(g.columns, 4);
    EXPECT_EQ(g.rows, 2);
    EXPECT_FLOAT_EQ(g.factor, 0.5859375f);
    EXPECT_EQ(g.thumbnail, (ViewSize{150, 150}));
    EXPECT_EQ(g.offset, (ViewPoint{0, 50}));
    EXPECT_EQ(g.thumbnailRect(0), (ViewRect{0, 50, 150, 200}));
    EXPECT_EQ(g.thumbnailRect(5), (ViewRect{150, 200, 300, 350}));
    EXPECT_EQ(g.thumbnailRect(6), (ViewRect{300, 200, 450, 350}));
    EXPECT_TRUE(g.thumbnailRect(7).isEmpty());
}

struct GridCase {
    ViewSize area;
    ViewSize cell;
    int32_t count;
    int32_t columns, rows;
    ViewSize thumbnail;
    ViewPoint offset;
};

class FramesGridLayouts : public ::testing::TestWithParam<GridCase> {};

TEST_P(FramesGridLayouts, ColumnsRowsAndSizes) {
    const GridCase& c = GetParam();
    const FramesGridLayout g = layoutFramesGrid(c.area, c.cell, c.count);
    EXPECT_EQ(g.columns, c.columns);
    EXPECT_EQ(g.rows, c.rows);
    EXPECT_EQ(g.thumbnail, c.thumbnail);
    EXPECT_EQ(g.offset, c.offset);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FramesGridLayouts,
    ::testing::Values(
        // One frame fills the area at the largest factor that fits (400 / 256).
        GridCase{{600, 400}, {256, 256}, 1, 1, 1, {400, 400}, {100, 0}},
        // A wide strip: one row already fills the height, and one more column
        // than frames wins the comparison; the thumbnails keep their size and
        // the six-column grid is centred.
        GridCase{{1000, 100}, {100, 100}, 5, 6, 1, {100, 100}, {200, 0}},
        // Taking columns away goes down to one column while there is room below.
        GridCase{{600, 400}, {256, 256}, 2, 1, 2, {200, 200}, {200, 0}},
        // Flat cells leave room below every grid: one column of four.
        GridCase{{512, 512}, {256, 128}, 4, 1, 4, {256, 128}, {128, 0}},
        // An area or cell of no size, or no frames: nothing to draw, no division by zero.
        GridCase{{0, 400}, {256, 256}, 7, 1, 7, {0, 0}, {0, 0}},
        GridCase{{600, 400}, {0, 256}, 7, 1, 7, {0, 0}, {0, 0}},
        GridCase{{600, 400}, {256, 256}, 0, 0, 0, {0, 0}, {0, 0}}));

TEST(FramesGrid, ManyFramesStillFindALayout) {
    const FramesGridLayout g = layoutFramesGrid({600, 400}, {256, 256}, 1000);
    EXPECT_GE(g.columns * g.rows, 1000);
    EXPECT_GT(g.thumbnail.width, 0);
    EXPECT_LE(g.columns * g.thumbnail.width, 600);
    EXPECT_LE(g.rows * g.thumbnail.height, 400);
}

TEST(FramesGrid, ClicksFindTheirFrame) {
    const FramesGridLayout g = layoutFramesGrid({600, 400}, {256, 256}, 7);
    EXPECT_EQ(g.frameAt({0, 50}), 0);
    EXPECT_EQ(g.frameAt({449, 349}), 6);
    EXPECT_EQ(g.frameAt({450, 200}), -1); // the empty eighth cell
    EXPECT_EQ(g.frameAt({10, 49}), -1);   // above the grid
    EXPECT_EQ(g.frameAt({600, 100}), -1); // right of the grid
    EXPECT_EQ(FramesGridLayout{}.frameAt({0, 0}), -1);
}

TEST(FramesGrid, AreaAndLabel) {
    EXPECT_EQ(framesGridArea({608, 408}), (ViewSize{600, 400}));
    EXPECT_EQ(framesGridArea({5, 5}), (ViewSize{0, 0}));
    EXPECT_EQ(currentFrameLabel(7), "Current frame: 0007");
}

} // namespace
