#include "imaging/selection_region.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace veltor {
namespace {

// Expected outline of a selection given as a predicate, built straight from the
// definition: first the pixels off the frame border that have an unselected
// 4-neighbour, in row-major order; then the selected border pixels, columns
// 0 and w - 1 row by row, then rows 0 and h - 1 column by column, each once.
std::vector<SelectionPoint> expectedOutline(int w, int h, const std::function<bool(int, int)>& in)
{
    std::vector<SelectionPoint> list;
    std::vector<bool> listed(static_cast<size_t>(w * h), false);
    auto add = [&](int x, int y) {
        if (in(x, y) && !listed[static_cast<size_t>(y * w + x)]) {
            listed[static_cast<size_t>(y * w + x)] = true;
            list.push_back({x, y});
        }
    };
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            if (in(x, y) && (!in(x, y - 1) || !in(x - 1, y) || !in(x + 1, y) || !in(x, y + 1)))
                add(x, y);
    for (int y = 0; y < h; ++y) {
        add(0, y);
        add(w - 1, y);
    }
    for (int x = 0; x < w; ++x) {
        add(x, 0);
        add(x, h - 1);
    }
    return list;
}

std::vector<SelectionPoint> outlineOf(const SelectionRegion& r)
{
    return {r.outline().begin(), r.outline().end()};
}

// Every mask byte agrees with `in`, and outline pixels hold 128.
void expectMask(const SelectionRegion& r, const std::function<bool(int, int)>& in)
{
    int mismatches = 0;
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x)
            mismatches += r.selected(x, y) != in(x, y);
    EXPECT_EQ(mismatches, 0);
    for (const SelectionPoint& p : r.outline())
        EXPECT_EQ(r.mask()[p.y * r.width() + p.x], kMaskOutline);
}

TEST(SelectionRegion, RectangleSelectsItsBorderAndInside)
{
    SelectionRegion r(100, 100);
    ASSERT_TRUE(r.setRectangle({10, 10, 50, 50}));
    auto in = [](int x, int y) { return x >= 10 && x <= 50 && y >= 10 && y <= 50; };
    expectMask(r, in);
    EXPECT_EQ(r.area(), 41 * 41);
    EXPECT_EQ(r.boundingBox(), (ImageRect{10, 10, 51, 51}));
    EXPECT_FALSE(r.isEmpty());
    EXPECT_FALSE(r.selected(-1, 10));
    EXPECT_FALSE(r.selected(10, 100));

    // Clockwise from the top-left corner; each corner listed twice.
    const auto outline = outlineOf(r);
    ASSERT_EQ(outline.size(), 4u * 41u);
    EXPECT_EQ(outline[0], (SelectionPoint{10, 10}));
    EXPECT_EQ(outline[40], (SelectionPoint{50, 10}));
    EXPECT_EQ(outline[41], (SelectionPoint{50, 10}));
    EXPECT_EQ(outline[82], (SelectionPoint{50, 50}));
    EXPECT_EQ(outline[123], (SelectionPoint{10, 50}));
    EXPECT_EQ(outline.back(), (SelectionPoint{10, 10}));
    EXPECT_EQ(r.mask()[30 * 100 + 30], kMaskInterior);
    EXPECT_EQ(r.mask()[10 * 100 + 30], kMaskOutline);
}

TEST(SelectionRegion, DegenerateAndOutOfFrameRectangles)
{
    SelectionRegion r(20, 10);
    // Zero width: nothing selected, but the step is still recorded.
    EXPECT_TRUE(r.setRectangle({5, 2, 5, 8}));
    EXPECT_FALSE(r.hasOutline());
    EXPECT_EQ(r.mask(), nullptr);
    EXPECT_EQ(r.snapshotCount(), 1);

    // Corners beyond the frame are limited to it; covering everything counts as
    // an empty selection for the image operations.
    EXPECT_TRUE(r.setRectangle({-7, -3, 500, 500}));
    EXPECT_TRUE(r.hasOutline());
    EXPECT_EQ(r.area(), 200);
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(r.boundingBox(), (ImageRect{0, 0, 20, 10}));

    // A reversed rectangle selects the same pixels as the normalised one.
    EXPECT_TRUE(r.setRectangle({8, 6, 2, 1}));
    expectMask(r, [](int x, int y) { return x >= 2 && x <= 8 && y >= 1 && y <= 6; });

    SelectionRegion none(0, 0);
    EXPECT_TRUE(none.setRectangle({0, 0, 3, 3}));
    EXPECT_FALSE(none.hasOutline());
}

TEST(SelectionRegion, UnionRetracesInScanOrder)
{
    SelectionRegion r(40, 30);
    r.setRectangle({5, 5, 15, 12});
    ASSERT_TRUE(r.unionRectangle({10, 8, 25, 20}));
    auto in = [](int x, int y) {
        return (x >= 5 && x <= 15 && y >= 5 && y <= 12) || (x >= 10 && x <= 25 && y >= 8 && y <= 20);
    };
    expectMask(r, in);
    EXPECT_EQ(outlineOf(r), expectedOutline(40, 30, in));
    EXPECT_EQ(r.boundingBox(), (ImageRect{5, 5, 26, 21}));
    EXPECT_EQ(r.area(), 11 * 8 + 16 * 13 - 6 * 5);
    EXPECT_EQ(r.snapshotCount(), 2);

    // Union with nothing selected takes the rectangle as it is.
    SelectionRegion fresh(40, 30);
    fresh.unionRectangle({1, 1, 4, 4});
    EXPECT_EQ(fresh.outline().size(), 16u);
    EXPECT_EQ(fresh.outline()[0], (SelectionPoint{1, 1}));
}

TEST(SelectionRegion, UnionAlongTheFrameBorderClosesTheOutline)
{
    SelectionRegion r(12, 9);
    r.setRectangle({0, 0, 5, 4});
    r.unionRectangle({3, 3, 11, 8});
    auto in = [](int x, int y) { return (x <= 5 && y <= 4) || (x >= 3 && y >= 3); };
    EXPECT_EQ(outlineOf(r), expectedOutline(12, 9, in));
    expectMask(r, in);
}

TEST(SelectionRegion, DifferenceAndIntersection)
{
    SelectionRegion empty(50, 50);
    EXPECT_FALSE(empty.differenceRectangle({1, 1, 10, 10}));
    EXPECT_FALSE(empty.intersectRectangle({1, 1, 10, 10}));
    EXPECT_EQ(empty.snapshotCount(), 0);
    EXPECT_FALSE(empty.hasOutline());

    SelectionRegion ring(50, 50);
    ring.setRectangle({10, 10, 40, 40});
    ASSERT_TRUE(ring.differenceRectangle({20, 20, 30, 30}));
    auto ringIn = [](int x, int y) {
        return x >= 10 && x <= 40 && y >= 10 && y <= 40 && !(x >= 20 && x <= 30 && y >= 20 && y <= 30);
    };
    expectMask(ring, ringIn);
    EXPECT_EQ(ring.area(), 31 * 31 - 11 * 11);
    EXPECT_EQ(outlineOf(ring), expectedOutline(50, 50, ringIn));

    SelectionRegion both(50, 50);
    both.setRectangle({10, 10, 40, 40});
    ASSERT_TRUE(both.intersectRectangle({30, 35, 60, 60}));
    expectMask(both, [](int x, int y) { return x >= 30 && x <= 40 && y >= 35 && y <= 40; });
    EXPECT_EQ(both.area(), 11 * 6);
    EXPECT_EQ(both.boundingBox(), (ImageRect{30, 35, 41, 41}));

    // Removing everything, or intersecting with a disjoint rectangle, clears
    // the region (the step is still recorded).
    SelectionRegion gone(50, 50);
    gone.setRectangle({10, 10, 20, 20});
    EXPECT_TRUE(gone.intersectRectangle({30, 30, 40, 40}));
    EXPECT_FALSE(gone.hasOutline());
    EXPECT_EQ(gone.snapshotCount(), 2);
    gone.setRectangle({10, 10, 20, 20});
    EXPECT_TRUE(gone.differenceRectangle({0, 0, 49, 49}));
    EXPECT_FALSE(gone.hasOutline());
    EXPECT_EQ(gone.area(), 0);
}

TEST(SelectionRegion, ThinRemaindersBelowFiveOutlinePointsAreCleared)
{
    SelectionRegion r(30, 30);
    r.setRectangle({10, 10, 20, 20});
    // Leaves a 2-pixel sliver: fewer than 5 outline points.
    r.intersectRectangle({20, 19, 25, 20});
    EXPECT_FALSE(r.hasOutline());
}

TEST(SelectionRegion, InvertSwapsOverTheWholeFrame)
{
    SelectionRegion r(100, 100);
    EXPECT_FALSE(r.invert());  // nothing to invert
    r.setRectangle({20, 30, 29, 39});
    ASSERT_TRUE(r.invert());
    auto in = [](int x, int y) { return !(x >= 20 && x <= 29 && y >= 30 && y <= 39); };
    expectMask(r, in);
    EXPECT_EQ(outlineOf(r), expectedOutline(100, 100, in));
    EXPECT_TRUE(r.selected(0, 0));
    EXPECT_EQ(r.mask()[0], kMaskOutline);
    EXPECT_EQ(r.mask()[99 * 100 + 99], kMaskOutline);
    EXPECT_EQ(r.boundingBox(), (ImageRect{0, 0, 100, 100}));
    EXPECT_EQ(r.area(), 10000 - 100);
    EXPECT_FALSE(r.isEmpty());

    // Inverting again gives the rectangle back (outline now in scan order).
    r.invert();
    expectMask(r, [](int x, int y) { return x >= 20 && x <= 29 && y >= 30 && y <= 39; });
    EXPECT_EQ(r.area(), 100);
}

TEST(SelectionRegion, SnapshotsUndoAndRedo)
{
    SelectionRegion r(60, 60);
    EXPECT_FALSE(r.undo());
    r.setRectangle({1, 1, 10, 10});
    r.unionRectangle({5, 5, 20, 20});
    const auto unionOutline = outlineOf(r);
    ASSERT_TRUE(r.clear(true));
    EXPECT_FALSE(r.hasOutline());

    ASSERT_TRUE(r.undo());  // the union is back
    EXPECT_EQ(outlineOf(r), unionOutline);
    ASSERT_TRUE(r.redo());  // cleared again
    EXPECT_FALSE(r.hasOutline());
    EXPECT_FALSE(r.redo());

    r.undo();
    r.undo();
    EXPECT_EQ(r.area(), 100);
    r.undo();
    EXPECT_FALSE(r.hasOutline());
    EXPECT_EQ(r.currentSnapshot(), -1);
    EXPECT_FALSE(r.undo());
    EXPECT_TRUE(r.redo());
    EXPECT_EQ(r.area(), 100);

    // A new step drops the snapshots after the current one.
    r.setRectangle({30, 30, 40, 40});
    EXPECT_EQ(r.snapshotCount(), 2);
    EXPECT_FALSE(r.canRedo());

    // Clearing without history records nothing.
    EXPECT_FALSE(r.clear(false));
    EXPECT_EQ(r.snapshotCount(), 2);
}

TEST(SelectionRegion, CopyIsIndependent)
{
    SelectionRegion r(20, 20);
    r.setRectangle({2, 2, 8, 8});
    SelectionRegion copy(r);
    r.setRectangle({10, 10, 15, 15});
    EXPECT_TRUE(copy.selected(5, 5));
    EXPECT_FALSE(copy.selected(12, 12));
    EXPECT_EQ(copy.snapshotCount(), 1);
    EXPECT_TRUE(copy.undo());
    EXPECT_FALSE(copy.hasOutline());
    EXPECT_TRUE(r.selected(12, 12));
}

} // namespace
} // namespace veltor
