// The pictures behind the document windows: centre and corner placement at
// the edges of fitting.
#include <gtest/gtest.h>

#include <limits>

#include "view/background_layout.h"

using namespace veltor;

namespace {

const ViewSize kCentre{256, 128};
const ViewSize kCorner{96, 32};

TEST(BackgroundLayout, CentrePictureIsCentredWithHalvesRoundedDown) {
    const BackgroundLayout l = backgroundLayout({801, 601}, kCentre, kCorner);
    ASSERT_TRUE(l.centreShown);
    EXPECT_EQ(l.centre, (ViewPoint{272, 236})); // (801-256)/2, (601-128)/2
    ASSERT_TRUE(l.cornerShown);
    EXPECT_EQ(l.corner, (ViewPoint{705, 569}));
}

struct FitCase {
    ViewSize area;
    bool centre;
    bool corner;
};

class BackgroundFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(BackgroundFit, PicturesAppearOnlyWhenTheyFit) {
    const FitCase& c = GetParam();
    const BackgroundLayout l = backgroundLayout(c.area, kCentre, kCorner);
    EXPECT_EQ(l.centreShown, c.centre);
    EXPECT_EQ(l.cornerShown, c.corner);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BackgroundFit,
    ::testing::Values(
        // exactly the centre picture: it fits at (0, 0), no room for the corner
        FitCase{{256, 128}, true, false},
        // one pixel short on either axis: nothing but the tile
        FitCase{{255, 500}, false, false}, FitCase{{500, 127}, false, false},
        // the corner needs centre height + 2 x its height = 192
        FitCase{{256, 191}, true, false}, FitCase{{256, 192}, true, true},
        // the corner picture is narrower than the centre one, so width never
        // decides alone once the centre fits
        FitCase{{1000, 1000}, true, true},
        // empty or negative areas show nothing
        FitCase{{0, 0}, false, false}, FitCase{{-5, 400}, false, false}));

TEST(BackgroundLayout, CornerNeedsItsOwnWidthEvenWhenTheCentreFits) {
    // A corner picture wider than the centre one.
    const BackgroundLayout l = backgroundLayout({120, 300}, {100, 50}, {130, 20});
    EXPECT_TRUE(l.centreShown);
    EXPECT_FALSE(l.cornerShown);
    EXPECT_TRUE(backgroundLayout({130, 300}, {100, 50}, {130, 20}).cornerShown);
}

TEST(BackgroundLayout, CornerIsNeverDrawnWithoutTheCentre) {
    // Room for the corner, none for the centre.
    const BackgroundLayout l = backgroundLayout({200, 1000}, {300, 10}, {20, 20});
    EXPECT_FALSE(l.centreShown);
    EXPECT_FALSE(l.cornerShown);
}

TEST(BackgroundLayout, EmptyPicturesAreNotShown) {
    EXPECT_FALSE(backgroundLayout({800, 600}, {0, 0}, kCorner).centreShown);
    const BackgroundLayout noCorner = backgroundLayout({800, 600}, kCentre, {0, 32});
    EXPECT_TRUE(noCorner.centreShown);
    EXPECT_FALSE(noCorner.cornerShown);
}

TEST(BackgroundLayout, HugeCornerHeightDoesNotOverflow) {
    const int32_t big = std::numeric_limits<int32_t>::max() / 2 + 10;
    const BackgroundLayout l =
        backgroundLayout({1000, std::numeric_limits<int32_t>::max()}, {10, 10}, {10, big});
    EXPECT_TRUE(l.centreShown);
    EXPECT_FALSE(l.cornerShown);
}

} // namespace
