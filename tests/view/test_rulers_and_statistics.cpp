// Ruler geometry, frame statistics, the histogram's slider and bars, and the
// rows of the Info list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "imaging/image_buffer.h"
#include "view/frame_statistics.h"
#include "view/rulers.h"

using namespace veltor;

namespace {

TextExtent labelSize(const std::string& text) { return {int32_t(text.size()) * 6, 12}; }

std::vector<int32_t> tickPositions(const RulerGeometry& g, bool vertical, int32_t tickEnd) {
    std::vector<int32_t> out;
    for (size_t i = 2; i < g.lines.size(); ++i) {
        const RulerLine& l = g.lines[i];
        if (vertical && l.from.y == l.to.y && l.to.x == tickEnd) out.push_back(l.from.y);
        if (!vertical && l.from.x == l.to.x && l.to.y == tickEnd) out.push_back(l.from.x);
    }
    return out;
}

} // namespace

TEST(Rulers, UpperLeftOn512PixelsAtZoomOneAndTwo) {
    const int32_t a = 44, b = 20;
    const RulerGeometry g = rulerGeometry({a, b, a + 512, b + 512}, 1.0f, {1.0, 1.0}, AxisCorner::UpperLeft, labelSize);
    EXPECT_EQ(g.lines[0], (RulerLine{{a + 15, b + 25}, {a + 512, b + 25}}));
    EXPECT_EQ(g.lines[1], (RulerLine{{a + 25, b + 25}, {a + 25, b + 512}}));
    const std::vector<int32_t> shortTicks = tickPositions(g, false, b + 15);
    // every 10 pixels from a + 25; the labelled ticks are short ones too
    ASSERT_EQ(shortTicks.size(), 49u + 5u);
    EXPECT_EQ(shortTicks.front(), a + 25);
    EXPECT_EQ(shortTicks[48], a + 25 + 480);
    EXPECT_EQ(tickPositions(g, false, b + 8), (std::vector<int32_t>{a + 75, a + 175, a + 275, a + 375, a + 475}));
    std::vector<std::string> top, left;
    for (const RulerLabel& l : g.labels) (l.at.y == b ? top : left).push_back(l.text);
    EXPECT_EQ(top, (std::vector<std::string>{"0", "10", "20", "30", "40"}));
    EXPECT_EQ(left, (std::vector<std::string>{"  0", "10", "20", "30", "40"}));
    EXPECT_EQ(g.labels[1].at, (ViewPoint{a + 125 - 6, b})); // centred on its tick
    EXPECT_EQ(g.labels[6].at, (ViewPoint{a, b + 125 - 6}));

    // zoom 2: twice as far apart, the same tick lengths and offsets
    const RulerGeometry z2 = rulerGeometry({a, b, a + 1024, b + 1024}, 2.0f, {1.0, 1.0}, AxisCorner::UpperLeft, labelSize);
    const std::vector<int32_t> ticks2 = tickPositions(z2, false, b + 15);
    EXPECT_EQ(ticks2[1] - ticks2[0], 20);
    EXPECT_EQ(tickPositions(z2, false, b + 8).front(), a + 125);
    EXPECT_EQ(z2.labels.size(), 10u);
    // half the spacing in millimetres is the same as twice the zoom
    const RulerGeometry half = rulerGeometry({a, b, a + 1024, b + 1024}, 1.0f, {0.5, 0.5}, AxisCorner::UpperLeft, labelSize);
    EXPECT_EQ(half.lines, z2.lines);
}

TEST(Rulers, CornerLayouts) {
    const int32_t a = 0, b = 0, W = 200, H = 125;
    const RulerGeometry ll = rulerGeometry({a, b, a + W, b + H}, 1.0f, {1.0, 1.0}, AxisCorner::LowerLeft, labelSize);
    EXPECT_EQ(ll.lines[0], (RulerLine{{15, 100}, {200, 100}}));
    EXPECT_EQ(ll.lines[1], (RulerLine{{25, 0}, {25, 100}}));
    EXPECT_EQ(tickPositions(ll, true, 15).front(), 100); // upward from the origin
    EXPECT_EQ(ll.labels.front().at, (ViewPoint{25 - 3, 125 - 12}));

    const RulerGeometry lr = rulerGeometry({a, b, a + W, b + H}, 1.0f, {1.0, 1.0}, AxisCorner::LowerRight, labelSize);
    EXPECT_EQ(lr.lines[0], (RulerLine{{0, 100}, {185, 100}}));
    EXPECT_EQ(lr.lines[1], (RulerLine{{175, 0}, {175, 110}}));
    const std::vector<int32_t> leftward = tickPositions(lr, false, H - 15);
    EXPECT_EQ(leftward.front(), 175);
    EXPECT_EQ(leftward[1], 165);
    const RulerLabel& vertical0 = lr.labels[2]; // after the horizontal labels "0" and "10"
    EXPECT_EQ(vertical0.text, "  0");
    EXPECT_EQ(vertical0.at, (ViewPoint{200 - 18, 100 - 6}));

    // a tick exactly on the far edge: kept by the upper-left layout, not by
    // the upper-right one, whose vertical series stops before the edge
    const RulerGeometry ul = rulerGeometry({a, b, a + W, b + H}, 1.0f, {1.0, 1.0}, AxisCorner::UpperLeft, labelSize);
    const RulerGeometry ur = rulerGeometry({a, b, a + W, b + H}, 1.0f, {1.0, 1.0}, AxisCorner::UpperRight, labelSize);
    const std::vector<int32_t> down = tickPositions(ul, true, 15), downRight = tickPositions(ur, true, W - 15);
    EXPECT_EQ(*std::max_element(down.begin(), down.end()), 125);
    EXPECT_EQ(*std::max_element(downRight.begin(), downRight.end()), 115);
    EXPECT_EQ(ur.lines[1], (RulerLine{{175, 15}, {175, 125}}));
}

TEST(Rulers, AbsurdSpacingsAndEmptyImagesStayBounded) {
    // no spacing: 1 mm; a tiny zoom cannot make an endless series
    const RulerGeometry g = rulerGeometry({0, 0, 100, 100}, 0.2f, {0.0, -3.0}, AxisCorner::UpperLeft, labelSize);
    EXPECT_LT(g.lines.size(), 500u);
    const RulerGeometry dense = rulerGeometry({0, 0, 100, 100}, 1.0f, {1e5, 1e5}, AxisCorner::UpperLeft, labelSize);
    EXPECT_LT(dense.lines.size(), 1000u);
    EXPECT_TRUE(rulerGeometry({0, 0, 0, 0}, 1.0f, {1.0, 1.0}, AxisCorner::UpperLeft, labelSize).lines.empty());
}

TEST(FrameStatistics, GreyFramesAndTheSliderStart) {
    ImageBuffer uniform;
    const std::vector<uint8_t> same(64 * 64, 77);
    ASSERT_EQ(uniform.createFromCopy8(64, 64, int32_t(same.size()), 0, same.data()), 1);
    const FrameStatistics s = frameStatistics(uniform);
    EXPECT_EQ(s.count, 4096);
    EXPECT_EQ(s.minimum, 77);
    EXPECT_EQ(s.maximum, 77);
    EXPECT_DOUBLE_EQ(s.luminance.mean, 77.0);
    EXPECT_DOUBLE_EQ(s.luminance.deviation, 0.0);
    EXPECT_EQ(std::count_if(s.luminance.bins.begin(), s.luminance.bins.end(), [](uint64_t c) { return c != 0; }), 1);
    bool enabled = false;
    EXPECT_EQ(histogramSliderStart(s.luminance.bins, enabled), 99);
    EXPECT_TRUE(enabled);

    // the three largest counts go before the rule looks: 1000, 10, 10, 10, 5 -> 1000 / 1010
    std::array<uint64_t, 256> bins{};
    bins[0] = 1000;
    bins[1] = bins[2] = bins[3] = 10;
    bins[4] = 5;
    EXPECT_EQ(histogramSliderStart(bins, enabled), 99);
    bins[1] = bins[2] = bins[3] = 1000; // the fourth largest equals the largest
    EXPECT_EQ(histogramSliderStart(bins, enabled), 50);
    bins = {};
    EXPECT_EQ(histogramSliderStart(bins, enabled), 1);
    EXPECT_FALSE(enabled);

    // bars: scale trunc((100 - position) / 100 x largest), heights capped at 115, at least 1
    bins[0] = 1000;
    bins[1] = 500;
    bins[2] = 1;
    const std::array<int32_t, 256> bars = histogramBars(bins, 50); // scale 500
    EXPECT_EQ(bars[0], 115);
    EXPECT_EQ(bars[1], 100);
    EXPECT_EQ(bars[2], 1);
    EXPECT_EQ(bars[3], 0);
    EXPECT_EQ(histogramBars(bins, 99)[1], 115); // scale 10
}

TEST(FrameStatistics, SixteenBitBinsColourFramesAndSelections) {
    // 4096 values 0..4095: 16 values per bin
    std::vector<int16_t> ramp(64 * 64);
    std::iota(ramp.begin(), ramp.end(), int16_t(0));
    ImageBuffer wide;
    ASSERT_EQ(wide.createFromCopy16(64, 64, 16, 2048, 4096, ramp.data()), 1);
    const FrameStatistics w = frameStatistics(wide);
    EXPECT_EQ(w.minimum, 0);
    EXPECT_EQ(w.maximum, 4095);
    EXPECT_DOUBLE_EQ(w.luminance.mean, 2047.5);
    EXPECT_TRUE(std::all_of(w.luminance.bins.begin(), w.luminance.bins.end(), [](uint64_t c) { return c == 16; }));

    // a range of fewer than 257 values: one value per bin from the minimum
    std::vector<int16_t> narrow(100);
    for (size_t i = 0; i < narrow.size(); ++i) narrow[i] = int16_t(-5 + int(i % 10));
    ImageBuffer small;
    ASSERT_EQ(small.createFromCopy16(10, 10, 16, 0, 10, narrow.data()), 1);
    const FrameStatistics n = frameStatistics(small);
    EXPECT_EQ(n.minimum, -5);
    EXPECT_EQ(n.luminance.bins[0], 10u);
    EXPECT_EQ(n.luminance.bins[9], 10u);
    EXPECT_EQ(n.luminance.bins[10], 0u);
    EXPECT_NEAR(n.luminance.deviation, std::sqrt(8.25), 1e-12); // divided by the count

    // colour: extremes by 0.29 R + 0.59 G + 0.12 B, the rest through the grey table
    const std::vector<uint8_t> rgb = {255, 0, 0, 0, 0, 255, 10, 20, 30, 100, 100, 100};
    ImageBuffer colour;
    ASSERT_EQ(colour.createFromCopy8(2, 2, 12, 1, rgb.data()), 1);
    const FrameStatistics c = frameStatistics(colour);
    EXPECT_TRUE(c.colour);
    EXPECT_EQ(c.minimum, 18); // 2.9 + 11.8 + 3.6
    EXPECT_EQ(c.maximum, 100);
    EXPECT_EQ(c.red.bins[255], 1u);
    EXPECT_DOUBLE_EQ(c.green.mean, 30.0);
    EXPECT_EQ(c.luminance.bins[76], 1u); // 0.299 x 255 + 0.5

    // a selection limits every figure to its pixels
    ASSERT_EQ(wide.selectRectangle({0, 0, 9, 1}), 1);
    const FrameStatistics sel = frameStatistics(wide);
    EXPECT_EQ(sel.count, 20);
    EXPECT_EQ(sel.maximum, 64 + 9);
}

TEST(FrameStatistics, InfoRowsWithAreasVolumesAndTotal) {
    FrameStatistics four;
    four.count = 400;
    four.minimum = 3;
    four.maximum = 9;
    four.luminance.mean = 5.126;
    four.luminance.deviation = 1.0 / 3.0;
    const std::vector<InfoFrame> frames = {{four, false}, {four, true}, {four, false}};
    const std::vector<InfoRow> rows = infoRows(frames, 0.5, 0.5, 2.0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (InfoRow{"1", "400", "3", "9", "5.13", "0.33", "", ""}));
    EXPECT_EQ(rows[1], (InfoRow{"2", "400", "3", "9", "5.13", "0.33", "1.00", "0.20"}));
    EXPECT_EQ(rows[3], (InfoRow{"Total", "400", "", "", "", "", "1.00", "0.20"}));
    // no thickness: no volumes; one frame: no total; no spacing: 1 mm
    const std::vector<InfoRow> single = infoRows({{four, true}}, 0.0, 0.5, 0.0);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].area, "4.00");
    EXPECT_EQ(single[0].volume, "");
    const std::vector<InfoRow> none = infoRows({{four, false}, {four, false}}, 1.0, 1.0, 1.0);
    EXPECT_EQ(none[2], (InfoRow{"Total", "", "", "", "", "", "", ""}));
}
