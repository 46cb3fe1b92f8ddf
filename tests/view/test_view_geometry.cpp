// Where the image lies in the pane, the mapping between pane points and
// image pixels, the scroll range and the painting plan.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/view_geometry.h"

using namespace veltor;

namespace {

struct CentringCase {
    ViewSize image;
    float zoom;
    ViewSize pane;
    ViewRect expected;
};

class Centring : public ::testing::TestWithParam<CentringCase> {};

TEST_P(Centring, ImageRectangle) {
    const CentringCase& c = GetParam();
    const ViewSize shown = displayedSize(c.image.width, c.image.height, c.zoom);
    EXPECT_EQ(imageRectangle(shown, c.pane), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Centring,
    ::testing::Values(
        // Smaller than the pane on both axes: centred.
        CentringCase{{512, 512}, 1.0f, {700, 600}, {94, 44, 606, 556}},
        // Odd gaps: the half rounds down (701 - 512 = 189 -> 94, 601 - 512 = 89 -> 44).
        CentringCase{{512, 512}, 1.0f, {701, 601}, {94, 44, 606, 556}},
        // Larger on one axis: that axis starts at 0, the other stays centred.
        CentringCase{{512, 256}, 2.0f, {700, 600}, {0, 44, 1024, 556}},
        // Exactly the pane's size is not "smaller": no centring.
        CentringCase{{700, 600}, 1.0f, {700, 600}, {0, 0, 700, 600}},
        // trunc(z x side + 0.5): 0.3 x 5 = 1.5 rounds to 2, 0.3 x 3 = 0.9 to 1.
        CentringCase{{5, 3}, 0.3f, {10, 10}, {4, 4, 6, 5}},
        // A pane of no size: the image starts at the origin.
        CentringCase{{512, 512}, 1.0f, {0, 0}, {0, 0, 512, 512}}));

TEST(DisplayedSize, BadZoomsGiveDefinedSizes) {
    EXPECT_EQ(displayedSize(512, 512, std::nanf("")), (ViewSize{0, 0}));
    EXPECT_EQ(displayedSize(512, 512, -3.0f), (ViewSize{0, 0}));
    const ViewSize huge = displayedSize(std::numeric_limits<int32_t>::max(), 10,
                                        std::numeric_limits<float>::infinity());
    EXPECT_GT(huge.width, 0);
    EXPECT_GT(huge.height, 0);
}

struct AnchorCase {
    int32_t extent, pane, scroll;
    float zoom;
    int32_t anchorImage, anchorPane;
    AnchoredAxis expected;
};

class Anchoring : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(Anchoring, KeepsThePixelUnderThePointWithoutGaps) {
    const AnchorCase& c = GetParam();
    const AnchoredAxis a =
        anchoredAxis(c.extent, c.pane, c.scroll, c.zoom, c.anchorImage, c.anchorPane);
    EXPECT_EQ(a.origin, c.expected.origin);
    EXPECT_EQ(a.correction, c.expected.correction);
}

INSTANTIATE_TEST_SUITE_P(Axes, Anchoring,
                         ::testing::Values(
                             // Fits: centred in the pane whatever the scroll, no correction.
                             AnchorCase{512, 700, 30, 1.0f, 100, 100, {94 + 30, 0}},
                             // 1.5 x 256 = 384 should sit at 350: the image moves 34 to the left.
                             AnchorCase{768, 700, 0, 1.5f, 256, 350, {-34, 34}},
                             // The anchor near the left edge would open a gap there: clamped to 0.
                             AnchorCase{768, 700, 0, 1.5f, 10, 300, {0, 0}},
                             // Near the right edge a gap would open after the image: right-aligned.
                             AnchorCase{768, 700, 0, 1.5f, 511, 10, {-68, 68}},
                             // The scroll position shifts the origin in content coordinates only.
                             AnchorCase{768, 700, 20, 1.5f, 256, 350, {-14, 14}}));

TEST(PaneToImage, ClampsIntoTheImageAndDividesByTheZoom) {
    const ViewRect r{94, 44, 606, 556}; // 512 x 512 at 1.0 in 700 x 600
    EXPECT_EQ(paneToImage(r, {0, 0}, 1.0f, {350, 300}), (ViewPoint{256, 256}));
    // Outside the image: clamped to its edges, so 0..w inclusive.
    EXPECT_EQ(paneToImage(r, {0, 0}, 1.0f, {0, 0}), (ViewPoint{0, 0}));
    EXPECT_EQ(paneToImage(r, {0, 0}, 1.0f, {699, 599}), (ViewPoint{512, 512}));
    // Scrolled at zoom 2: content = pane + scroll, then / 2 truncated.
    const ViewRect big{0, 0, 1024, 1024};
    EXPECT_EQ(paneToImage(big, {101, 50}, 2.0f, {100, 7}), (ViewPoint{100, 28}));
    // A zoom that is not a divisor truncates toward zero: 3 / 1.5 = 2, 4 / 1.5 = 2.67.
    EXPECT_EQ(paneToImage({0, 0, 768, 768}, {0, 0}, 1.5f, {3, 4}), (ViewPoint{2, 2}));
    EXPECT_EQ(paneToImage(r, {0, 0}, 0.0f, {350, 300}), (ViewPoint{0, 0}));
}

TEST(ImageToPane, IsTheOriginPlusTheTruncatedScaledPixel) {
    EXPECT_EQ(imageToPane({94, 44, 606, 556}, 1.0f, {10, 20}), (ViewPoint{104, 64}));
    EXPECT_EQ(imageToPane({0, 0, 599, 599}, 1.16796875f, {3, 7}), (ViewPoint{3, 8}));
}

TEST(IsOverImage, IsStrictOnAllFourSides) {
    const ViewRect r{10, 20, 30, 40};
    EXPECT_TRUE(isOverImage(r, {11, 21}));
    EXPECT_TRUE(isOverImage(r, {29, 39}));
    EXPECT_FALSE(isOverImage(r, {10, 25}));
    EXPECT_FALSE(isOverImage(r, {30, 25}));
    EXPECT_FALSE(isOverImage(r, {15, 20}));
    EXPECT_FALSE(isOverImage(r, {15, 40}));
}

TEST(ScrollRange, IsOneHundredOnAnAxisWhereTheImageFits) {
    const ScrollRange fits = scrollRangeFor({512, 512}, {700, 600});
    EXPECT_EQ(fits.total, (ViewSize{100, 100}));
    EXPECT_EQ(maxScrollPosition(fits, {700, 600}), (ViewPoint{0, 0}));

    const ScrollRange wide = scrollRangeFor({1024, 512}, {700, 600});
    EXPECT_EQ(wide.total, (ViewSize{1024, 100}));
    EXPECT_EQ(wide.page, (ViewSize{102, 10}));
    EXPECT_EQ(wide.line, (ViewSize{10, 1}));
    EXPECT_EQ(maxScrollPosition(wide, {700, 600}), (ViewPoint{324, 0}));
    EXPECT_EQ(clampScrollPosition({500, 40}, wide, {700, 600}), (ViewPoint{324, 0}));
    EXPECT_EQ(clampScrollPosition({-5, -5}, wide, {700, 600}), (ViewPoint{0, 0}));

    // Exactly the pane's size counts as not fitting, and cannot scroll.
    const ScrollRange exact = scrollRangeFor({700, 600}, {700, 600});
    EXPECT_EQ(exact.total, (ViewSize{700, 600}));
    EXPECT_EQ(maxScrollPosition(exact, {700, 600}), (ViewPoint{0, 0}));
}

TEST(PaintPlan, MarginsSurroundACentredImage) {
    const PaintPlan plan = paintPlanFor({94, 44, 606, 556}, {0, 0}, {700, 600});
    EXPECT_EQ(plan.destination, (ViewRect{94, 44, 606, 556}));
    ASSERT_EQ(plan.margins.size(), 4u);
    EXPECT_EQ(plan.margins[0], (ViewRect{0, 0, 94, 600}));    // left, full height
    EXPECT_EQ(plan.margins[1], (ViewRect{606, 0, 700, 600})); // right, full height
    EXPECT_EQ(plan.margins[2], (ViewRect{0, 0, 700, 44}));    // top, full width
    EXPECT_EQ(plan.margins[3], (ViewRect{0, 556, 700, 600})); // bottom, full width
}

TEST(PaintPlan, AScrolledImageLargerThanThePaneLeavesOnlyTheMarginsThatShow) {
    // 1024 wide scrolled by 300, 512 high centred in 600.
    const PaintPlan plan = paintPlanFor({0, 44, 1024, 556}, {300, 0}, {700, 600});
    EXPECT_EQ(plan.destination, (ViewRect{-300, 44, 724, 556}));
    ASSERT_EQ(plan.margins.size(), 2u);
    EXPECT_EQ(plan.margins[0], (ViewRect{0, 0, 700, 44}));
    EXPECT_EQ(plan.margins[1], (ViewRect{0, 556, 700, 600}));
}

TEST(ViewRect, UnionIgnoresEmptyRectangles) {
    const ViewRect a{150, 150, 250, 250};
    EXPECT_EQ(a.united({100, 175, 300, 225}), (ViewRect{100, 150, 300, 250}));
    EXPECT_EQ(a.united({}), a);
    EXPECT_EQ(ViewRect{}.united(a), a);
}

} // namespace
