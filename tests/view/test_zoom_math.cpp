// The arithmetic of the zoom paths and the zoom box.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "view/zoom_box.h"
#include "view/zoom_math.h"

using namespace veltor;

namespace {

TEST(ZoomClamp, KeepsTwentyToEightHundredPercent) {
    EXPECT_FLOAT_EQ(clampZoom(8.3f), 8.0f);
    EXPECT_FLOAT_EQ(clampZoom(0.1f), 0.2f);
    EXPECT_FLOAT_EQ(clampZoom(-4.0f), 0.2f);
    EXPECT_FLOAT_EQ(clampZoom(3.25f), 3.25f);
    EXPECT_FLOAT_EQ(clampZoom(std::nanf("")), 1.0f);
    EXPECT_FLOAT_EQ(clampZoom(INFINITY), 8.0f);
}

TEST(ZoomToFit, LeavesAOnePixelBorder) {
    // min(698 / 512, 598 / 512): the height decides.
    EXPECT_EQ(zoomToFit({700, 600}, 512, 512), std::optional<float>(1.16796875f));
    EXPECT_EQ(zoomToFit({700, 600}, 0, 512), std::nullopt);
    // A pane too small for the border asks for a negative zoom; the setter clamps it.
    EXPECT_LT(*zoomToFit({1, 1}, 512, 512), 0.0f);
}

struct KeyCase {
    const char* name;
    bool in;
    float from;
    std::optional<float> expected;
};

class ZoomKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ZoomKeys, StepToTheNeighbouringTenth) {
    const KeyCase& c = GetParam();
    const std::optional<float> got = c.in ? zoomKeyIn(c.from) : zoomKeyOut(c.from);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
        EXPECT_NEAR(*got, *c.expected, 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ZoomKeys,
    ::testing::Values(
        KeyCase{"plus_1_04", true, 1.04f, 1.1f}, KeyCase{"plus_1_06", true, 1.06f, 1.2f},
        KeyCase{"plus_1_0", true, 1.0f, 1.1f}, KeyCase{"plus_7_95", true, 7.95f, 8.0f},
        KeyCase{"plus_at_8", true, 8.0f, std::nullopt},
        KeyCase{"plus_fit", true, 1.16796875f, 1.3f}, KeyCase{"minus_1_0", false, 1.0f, 0.9f},
        KeyCase{"minus_1_16", false, 1.16796875f, 1.1f}, KeyCase{"minus_0_25", false, 0.25f, 0.2f},
        KeyCase{"minus_at_0_2", false, 0.2f, std::nullopt},
        KeyCase{"minus_nan", false, std::nanf(""), std::nullopt}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

struct WheelCase {
    const char* name;
    float from;
    bool away;
    std::optional<float> expected;
};

class WheelNotches : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelNotches, MoveByATenthInsideTheOpenInterval) {
    const WheelCase& c = GetParam();
    const std::optional<float> got = zoomWheelNotch(c.from, c.away);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
        EXPECT_NEAR(*got, *c.expected, 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wheel, WheelNotches,
    ::testing::Values(WheelCase{"away_from_1", 1.0f, true, 1.1f},
                      WheelCase{"toward_from_1", 1.0f, false, 0.9f},
                      // 0.3 - 0.1 is not strictly above 0.2, nor 7.9 + 0.1 below 8.
                      WheelCase{"toward_from_0_3", 0.3f, false, std::nullopt},
                      WheelCase{"away_from_7_9", 7.9f, true, std::nullopt},
                      WheelCase{"toward_from_0_36", 0.36f, false, 0.3f},
                      WheelCase{"away_from_7_8", 7.8f, true, 7.9f},
                      // The result is rounded to one decimal: 1.1679 + 0.1 -> 1.3.
                      WheelCase{"away_from_fit", 1.16796875f, true, 1.3f},
                      WheelCase{"toward_from_fit", 1.16796875f, false, 1.1f}),
    [](const ::testing::TestParamInfo<WheelCase>& info) { return std::string(info.param.name); });

TEST(ZoomTools, ClickAndDynamicSteps) {
    EXPECT_FLOAT_EQ(zoomClickStep(1.0f, false), 1.5f);
    EXPECT_FLOAT_EQ(zoomClickStep(1.0f, true), 0.5f);
    EXPECT_FLOAT_EQ(clampZoom(zoomClickStep(7.8f, false)), 8.0f);
    // Moving up by 20 pixels enlarges by 0.3, down shrinks.
    EXPECT_NEAR(zoomDynamicStep(1.0f, 300, 280), 1.3f, 1e-6);
    EXPECT_NEAR(zoomDynamicStep(1.0f, 300, 310), 0.85f, 1e-6);
}

TEST(ZoomTruncation, DropsEverythingAfterTheHundredths) {
    EXPECT_FLOAT_EQ(truncateToHundredths(7.0f), 7.0f);
    EXPECT_FLOAT_EQ(truncateToHundredths(1.16796875f), 1.16f);
    EXPECT_FLOAT_EQ(truncateToHundredths(6.999f), 6.99f);
    EXPECT_FLOAT_EQ(truncateToHundredths(0.29f), 0.29f);
    EXPECT_FLOAT_EQ(truncateToHundredths(2.3333333f), 2.33f);
}

// 512 x 512 at zoom 1.0 in a 700 x 600 pane lies at (94, 44).
constexpr ViewRect kCentred{94, 44, 606, 556};
constexpr ViewSize kPane{700, 600};

TEST(ZoomWindow, ARegionFillsThePaneAndIsCentred) {
    // Image pixels (200, 100) .. (300, 150): 100 x 50.
    const ViewRect band{94 + 200, 44 + 100, 94 + 300, 44 + 150};
    const ZoomWindowResult r = zoomWindow(band, kCentred, {0, 0}, 1.0f, 512, 512, kPane);
    ASSERT_TRUE(r.changes);
    EXPECT_EQ(r.imageBand, (ViewRect{200, 100, 300, 150}));
    EXPECT_FLOAT_EQ(r.zoom, 7.0f); // min(700 / 100, 600 / 50)
    // x: 7 x 200 = 1400, the band is exactly the pane's width.
    // y: 7 x 100 = 700, less half the 250 pixels the band leaves free.
    EXPECT_EQ(r.scroll, (ViewPoint{1400, 575}));
}

TEST(ZoomWindow, CornerOrderDoesNotMatter) {
    const ViewRect reversed{94 + 300, 44 + 150, 94 + 200, 44 + 100};
    const ZoomWindowResult r = zoomWindow(reversed, kCentred, {0, 0}, 1.0f, 512, 512, kPane);
    EXPECT_EQ(r.imageBand, (ViewRect{200, 100, 300, 150}));
    EXPECT_FLOAT_EQ(r.zoom, 7.0f);
}

TEST(ZoomWindow, ABandWithoutWidthOrHeightChangesNothing) {
    EXPECT_FALSE(zoomWindow({300, 200, 300, 400}, kCentred, {0, 0}, 1.0f, 512, 512, kPane).changes);
    EXPECT_FALSE(zoomWindow({300, 200, 400, 200}, kCentred, {0, 0}, 1.0f, 512, 512, kPane).changes);
    EXPECT_FALSE(zoomWindow({300, 200, 400, 300}, kCentred, {0, 0}, 1.0f, 0, 0, kPane).changes);
    EXPECT_FALSE(
        zoomWindow({300, 200, 400, 300}, kCentred, {0, 0}, 1.0f, 512, 512, {0, 0}).changes);
}

TEST(ZoomWindow, ATinyBandIsClampedToTheLargestZoomAndTheScrollLimited) {
    // 4 x 4 pixels at the bottom-right corner would ask for zoom 150.
    const ViewRect band{94 + 507, 44 + 507, 94 + 511, 44 + 511};
    const ZoomWindowResult r = zoomWindow(band, kCentred, {0, 0}, 1.0f, 512, 512, kPane);
    ASSERT_TRUE(r.changes);
    EXPECT_FLOAT_EQ(r.zoom, 8.0f);
    // 8 x 507 = 4056 less the centring of a 32-pixel band.
    EXPECT_EQ(r.scroll, (ViewPoint{4056 - 334, 4056 - 284}));
}

TEST(ZoomWindow, ABandPastTheImageIsCutAtTheLastPixel) {
    // From pixel (412, 462) to beyond the right and bottom edges.
    const ViewRect band{94 + 412, 44 + 462, 699, 599};
    const ZoomWindowResult r = zoomWindow(band, kCentred, {0, 0}, 1.0f, 512, 512, kPane);
    EXPECT_EQ(r.imageBand, (ViewRect{412, 462, 511, 511}));
    ASSERT_TRUE(r.changes);
    EXPECT_FLOAT_EQ(r.zoom, 7.07f); // 700 / 99 = 7.0707 truncated
}

TEST(ZoomBox, PresetsAndDisplayText) {
    const auto& presets = zoomBoxPresets();
    ASSERT_EQ(presets.size(), 10u);
    EXPECT_EQ(presets[0], "50.00 %");
    EXPECT_EQ(presets[kZoomBoxInitialPreset], "100.00%");
    EXPECT_EQ(presets[9], "fit");
    EXPECT_EQ(zoomBoxText(1.0f), "100.00%");
    EXPECT_EQ(zoomBoxText(1.16796875f), "116.80%");
    EXPECT_EQ(zoomBoxText(0.2f), "20.00%");
}

struct EntryCase {
    const char* text;
    std::optional<float> zoom; // nothing: refused; NAN: fit
};

class ZoomBoxEntries : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ZoomBoxEntries, Parse) {
    const EntryCase& c = GetParam();
    const std::optional<ZoomBoxRequest> r = parseZoomBoxEntry(c.text);
    ASSERT_EQ(r.has_value(), c.zoom.has_value()) << c.text;
    if (!r) return;
    if (std::isnan(*c.zoom)) {
        EXPECT_TRUE(r->fit);
    } else {
        EXPECT_FALSE(r->fit);
        EXPECT_NEAR(r->zoom, *c.zoom, 1e-6) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ZoomBoxEntries,
    ::testing::Values(EntryCase{"fit", NAN}, EntryCase{"50.00 %", 0.5f}, EntryCase{"150.00%", 1.5f},
                      EntryCase{"125%", 1.25f}, EntryCase{" 80", 0.8f}, EntryCase{"+300%", 3.0f},
                      EntryCase{"1000%", 10.0f}, EntryCase{"-20%", -0.2f},
                      EntryCase{"", std::nullopt}, EntryCase{"%", std::nullopt},
                      EntryCase{"abc", std::nullopt}, EntryCase{"nan%", std::nullopt},
                      EntryCase{"inf%", std::nullopt}));

TEST(ZoomBox, ShowingAZoomSelectsOrAppendsItsText) {
    ZoomBox box;
    EXPECT_EQ(box.selected(), 2);
    EXPECT_FALSE(box.showZoom(1.0f, false)); // already "100.00%"
    EXPECT_TRUE(box.showZoom(2.0f, false));
    EXPECT_EQ(box.entries()[static_cast<size_t>(box.selected())], "200.00%");
    // 50 % never matches "50.00 %": it is appended.
    EXPECT_TRUE(box.showZoom(0.5f, false));
    EXPECT_EQ(box.entries().size(), 11u);
    EXPECT_EQ(box.entries().back(), "50.00%");
    EXPECT_EQ(box.selected(), 10);
    // Shown again: selected, not appended twice.
    box.showZoom(1.0f, false);
    EXPECT_TRUE(box.showZoom(0.5f, false));
    EXPECT_EQ(box.entries().size(), 11u);
    EXPECT_EQ(box.selected(), 10);
    // While the box has the focus nothing is rewritten.
    EXPECT_FALSE(box.showZoom(3.0f, true));
    EXPECT_EQ(box.selected(), 10);
}

} // namespace
