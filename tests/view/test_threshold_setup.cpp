// The "Thresholding" dialog's limits and the histogram it draws them over.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "imaging/image_buffer.h"
#include "view/threshold_setup.h"

using namespace veltor;

namespace {

struct DefaultCase {
    int32_t min, max, lower, upper;
};

class ThresholdDefaults : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(ThresholdDefaults, AThirdAndTwoThirdsThroughTheRange) {
    const DefaultCase& c = GetParam();
    const ThresholdSetup s(c.min, c.max);
    EXPECT_EQ(s.lower(), c.lower);
    EXPECT_EQ(s.upper(), c.upper);
    EXPECT_EQ(s.mode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ThresholdDefaults,
                         ::testing::Values(DefaultCase{0, 4095, 1365, 2730},
                                           DefaultCase{0, 255, 85, 170},
                                           // Truncation toward zero of a negative span part.
                                           DefaultCase{-1024, 3071, 341, 1706},
                                           DefaultCase{-32768, 32767, -10923, 10922},
                                           DefaultCase{7, 7, 7, 7}, DefaultCase{0, 1, 0, 0},
                                           DefaultCase{0, 2, 0, 1}));

TEST(ThresholdSetup, EachLimitStaysOnItsSideOfTheOther) {
    ThresholdSetup s(0, 4095);
    EXPECT_EQ(s.setLower(3000), 2730); // cannot pass the upper limit
    EXPECT_EQ(s.lower(), 2730);
    EXPECT_EQ(s.setUpper(100), 2730); // nor the upper the lower
    EXPECT_EQ(s.setLower(-5), 0);     // held to the range
    EXPECT_EQ(s.setUpper(5000), 4095);
    EXPECT_EQ(s.setUpper(10), 10);
    EXPECT_EQ(s.setLower(10), 10);
    EXPECT_EQ(s.setLower(11), 10);
    EXPECT_LE(s.lower(), s.upper());
}

TEST(ThresholdSetup, RefusesUnknownModes) {
    ThresholdSetup s(0, 255);
    EXPECT_TRUE(s.setMode(3));
    EXPECT_FALSE(s.setMode(4));
    EXPECT_FALSE(s.setMode(-1));
    EXPECT_EQ(s.mode(), 3);
}

TEST(HistogramBins, FewerThan257ValuesGetABinEach) {
    std::vector<uint32_t> counts = {4, 0, 9};
    const Histogram256 bins = binValueCounts(counts);
    EXPECT_EQ(bins[0], 4u);
    EXPECT_EQ(bins[2], 9u);
    EXPECT_EQ(std::accumulate(bins.begin() + 3, bins.end(), 0u), 0u);

    std::vector<uint32_t> full(256);
    std::iota(full.begin(), full.end(), 1u);
    const Histogram256 same = binValueCounts(full);
    EXPECT_TRUE(std::equal(same.begin(), same.end(), full.begin()));
}

// 4096 values: 16 per bin. 257 values: one per bin except the last, which
// holds 255 and 256 (trunc(256 x 257 / 256) = 257).
TEST(HistogramBins, LargerRangesAreFoldedWithoutLosingCounts) {
    for (const size_t n : {257u, 300u, 4096u, 65536u}) {
        std::vector<uint32_t> counts(n);
        std::iota(counts.begin(), counts.end(), 0u);
        const Histogram256 bins = binValueCounts(counts);
        uint64_t total = 0;
        for (uint32_t b : bins)
            total += b;
        EXPECT_EQ(total, uint64_t{n} * (n - 1) / 2) << n;
        // Every value lands in the bin histogramBinOf names.
        std::vector<uint64_t> again(256, 0);
        for (size_t k = 0; k < n; ++k)
            again[static_cast<size_t>(histogramBinOf(int64_t(k), int64_t(n)))] += k;
        for (size_t i = 0; i < 256; ++i)
            EXPECT_EQ(again[i], bins[i]) << n << " bin " << i;
    }
    std::vector<uint32_t> ones(4096, 1);
    const Histogram256 bins = binValueCounts(ones);
    for (uint32_t b : bins)
        EXPECT_EQ(b, 16u);
    EXPECT_EQ(histogramBinOf(1365, 4096), 85);
    EXPECT_EQ(histogramBinOf(4095, 4096), 255);
    EXPECT_EQ(histogramBinOf(1, 257), 1);
    EXPECT_EQ(histogramBinOf(254, 257), 254);
    EXPECT_EQ(histogramBinOf(255, 257), 255);
    EXPECT_EQ(histogramBinOf(256, 257), 255);
}

TEST(HistogramBins, OffsetsOutsideTheRangeGoToTheNearerEnd) {
    EXPECT_EQ(histogramBinOf(-3, 4096), 0);
    EXPECT_EQ(histogramBinOf(9999, 4096), 255);
    EXPECT_EQ(histogramBinOf(50, 10), 9);
    EXPECT_EQ(histogramBinOf(5, 0), 0);
}

TEST(LevelHistogram, GreyColourAndSixteenBitFrames) {
    const std::vector<uint8_t> grey = {0, 0, 7, 255, 255, 255};
    ImageBuffer g;
    ASSERT_EQ(g.createFromCopy8(3, 2, 6, 0, grey.data()), 1);
    const Histogram256 gh = levelHistogram(*g.currentLevel(), false);
    EXPECT_EQ(gh[0], 2u);
    EXPECT_EQ(gh[7], 1u);
    EXPECT_EQ(gh[255], 3u);

    // Pure red has grey level 76 (0.299 x 255 + 0.5), white 255.
    const std::vector<uint8_t> rgb = {255, 0, 0, 255, 255, 255};
    ImageBuffer c;
    ASSERT_EQ(c.createFromCopy8(2, 1, 6, 1, rgb.data()), 1);
    const Histogram256 ch = levelHistogram(*c.currentLevel(), false);
    EXPECT_EQ(ch[76], 1u);
    EXPECT_EQ(ch[255], 1u);
    EXPECT_EQ(ch[0], 0u);

    // 0 .. 4095: 16 values per bin. The 32767 marker is outside the range
    // and not counted.
    const std::vector<int16_t> wide = {0, 15, 16, 4095, 2048, 32767};
    ImageBuffer w;
    ASSERT_EQ(w.createFromCopy16(6, 1, 16, 0, 0, wide.data()), 1);
    ASSERT_EQ(w.minValue(), 0);
    ASSERT_EQ(w.maxValue(), 4095);
    const Histogram256 wh = levelHistogram(*w.currentLevel(), true);
    EXPECT_EQ(wh[0], 2u);
    EXPECT_EQ(wh[1], 1u);
    EXPECT_EQ(wh[128], 1u);
    EXPECT_EQ(wh[255], 1u);
    EXPECT_EQ(std::accumulate(wh.begin(), wh.end(), 0u), 5u);

    // A narrow signed range keeps one value per bin, counted from minValue.
    const std::vector<int16_t> narrow = {-10, -10, -9, 20};
    ImageBuffer n;
    ASSERT_EQ(n.createFromCopy16(2, 2, 16, 0, 0, narrow.data()), 1);
    const Histogram256 nh = levelHistogram(*n.currentLevel(), true);
    EXPECT_EQ(nh[0], 2u);
    EXPECT_EQ(nh[1], 1u);
    EXPECT_EQ(nh[30], 1u);
}

} // namespace
