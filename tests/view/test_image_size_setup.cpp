// The arithmetic of the "Resample" and "Canvas Size" dialogs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/image_size_setup.h"

using namespace veltor;

namespace {

TEST(ImageSizeArithmetic, PercentAndPixels) {
    EXPECT_EQ(percentToPixels(50.0, 512), 256);
    EXPECT_EQ(percentToPixels(100.0, 333), 333);
    EXPECT_EQ(percentToPixels(33.0, 3), 1);  // 0.99 rounds to 1
    EXPECT_EQ(percentToPixels(50.0, 3), 2);  // 1.5 rounds up
    EXPECT_EQ(percentToPixels(0.0, 512), 1); // never below one pixel
    EXPECT_EQ(percentToPixels(-20.0, 512), 1);
    EXPECT_EQ(percentToPixels(1e9, 512), 32767); // nor above the largest side
    EXPECT_EQ(percentToPixels(std::nan(""), 512), 512);
    EXPECT_EQ(percentToPixels(std::numeric_limits<double>::infinity(), 512), 512);
    EXPECT_DOUBLE_EQ(pixelsToPercent(256, 512), 50.0);
    EXPECT_DOUBLE_EQ(pixelsToPercent(3, 2), 150.0);
    EXPECT_DOUBLE_EQ(pixelsToPercent(3, 0), 0.0);
}

TEST(ImageSizeArithmetic, ProportionalSide) {
    EXPECT_EQ(proportionalSide(200, 400, 200), 100);
    EXPECT_EQ(proportionalSide(100, 3, 2), 67); // 66.67
    EXPECT_EQ(proportionalSide(1, 1000, 1), 1); // 0.001 is held to 1
    EXPECT_EQ(proportionalSide(32767, 1, 10), 32767);
    EXPECT_EQ(proportionalSide(5, 0, 9), 9);
}

struct ScaledCase {
    PixelSize frame;
    double scale;
    PixelSize start;
};

class ScaledStart : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(ScaledStart, FrameSizeTimesTheDisplayScaleRounded) {
    const ScaledCase& c = GetParam();
    EXPECT_EQ(scaledSizeStart(c.frame, c.scale), c.start);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ScaledStart,
    ::testing::Values(ScaledCase{{512, 256}, 1.0, {512, 256}},
                      ScaledCase{{512, 256}, 1.5, {768, 384}},
                      ScaledCase{{101, 51}, 0.5, {51, 26}},       // 50.5 and 25.5 round up
                      ScaledCase{{100, 10}, 12.0, {800, 80}},     // the scale stops at 8
                      ScaledCase{{3, 3}, 0.01, {1, 1}},           // at least one pixel
                      ScaledCase{{10000, 20}, 8.0, {32767, 160}}, // at most 32767
                      ScaledCase{{64, 32}, 0.0, {64, 32}},        // no scale: the frame size
                      ScaledCase{{64, 32}, -2.0, {64, 32}},
                      ScaledCase{{64, 32}, std::numeric_limits<double>::quiet_NaN(), {64, 32}}));

TEST(ImageSizeArithmetic, LevelSizeLimit) {
    // The level record's data size is 32 bits: 32767 x 32767 fits as grey and
    // as 16-bit samples, not as RGB.
    EXPECT_TRUE(levelSizeAllowed({32767, 32767}, 1, 1));
    EXPECT_TRUE(levelSizeAllowed({32767, 32767}, 1, 2));
    EXPECT_FALSE(levelSizeAllowed({32767, 32767}, 3, 1));
    EXPECT_TRUE(levelSizeAllowed({26754, 26754}, 3, 1));  // 2,147,329,548 bytes
    EXPECT_FALSE(levelSizeAllowed({26755, 26755}, 3, 1)); // 2,147,490,075
    EXPECT_FALSE(levelSizeAllowed({0, 10}, 1, 1));
    EXPECT_FALSE(levelSizeAllowed({32768, 1}, 1, 1));
    EXPECT_EQ(levelDataSize({32767, 32767}, 3, 1), int64_t{3221028867});
}

TEST(ImageSizeArithmetic, PreviewReduction) {
    EXPECT_DOUBLE_EQ(previewFactor(256, {100, 50}, {200, 20}), 1.0);
    EXPECT_DOUBLE_EQ(previewFactor(256, {100, 50}, {1024, 20}), 0.25);
    EXPECT_DOUBLE_EQ(previewFactor(256, {512, 50}, {10, 20}), 0.5);
    EXPECT_EQ(reducedSide(1024, 0.25), 256);
    EXPECT_EQ(reducedSide(3, 0.25), 1);  // 0.75 + 0.5
    EXPECT_EQ(reducedSide(1, 0.001), 1); // never empty
}

TEST(ImageSizeArithmetic, CanvasFill) {
    EXPECT_EQ(canvasFillStart16(-1000, -1000, 3000), -1000);
    EXPECT_EQ(canvasFillStart16(25, -1000, 3000), 25);
    EXPECT_EQ(canvasFillStart16(3001, -1000, 3000), -1000);
    EXPECT_EQ(canvasFillStart16(-1001, -1000, 3000), -1000);
    EXPECT_EQ(packColour(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(packColour(255, 0, 255), 255 + 255 * 65536);
}

TEST(ResampleSetup, OpensOnTheFrameSize) {
    const ResampleSetup s({400, 200}, 1.5);
    EXPECT_EQ(s.size(), (PixelSize{400, 200}));
    EXPECT_TRUE(s.constrained());
    EXPECT_FALSE(s.scaledSize());
    EXPECT_DOUBLE_EQ(s.widthPercent(), 100.0);
    EXPECT_EQ(s.scaledStart(), (PixelSize{600, 300}));
}

TEST(ResampleSetup, ConstrainedProportionsFollowTheFrameAspect) {
    ResampleSetup s({400, 200}, 1.0);
    s.setWidth(200);
    EXPECT_EQ(s.size(), (PixelSize{200, 100}));
    s.setHeight(33);
    EXPECT_EQ(s.size(), (PixelSize{66, 33}));
    s.setWidth(401);
    EXPECT_EQ(s.height(), 201); // 200.5 rounds up
    s.setHeightPercent(50.0);
    EXPECT_EQ(s.size(), (PixelSize{200, 100}));
    // Even when the other side would pass the largest size.
    s.setHeight(32767);
    EXPECT_EQ(s.size(), (PixelSize{32767, 32767}));
}

TEST(ResampleSetup, FreeProportionsChangeOneSide) {
    ResampleSetup s({400, 200}, 1.0);
    s.setConstrained(false);
    s.setWidth(200);
    EXPECT_EQ(s.size(), (PixelSize{200, 200}));
    s.setHeightPercent(25.0);
    EXPECT_EQ(s.size(), (PixelSize{200, 50}));
    EXPECT_DOUBLE_EQ(s.heightPercent(), 25.0);
    s.setWidth(0);
    EXPECT_EQ(s.width(), 1);
    s.setWidth(100000);
    EXPECT_EQ(s.width(), 32767);
    // Back on: the next edit follows the aspect again.
    s.setConstrained(true);
    EXPECT_EQ(s.size(), (PixelSize{32767, 50}));
    s.setWidthPercent(50.0);
    EXPECT_EQ(s.size(), (PixelSize{200, 100}));
}

TEST(ResampleSetup, ScaledSizeStartsFromTheDisplayedSize) {
    ResampleSetup s({512, 300}, 2.25);
    s.setWidth(10);
    s.setScaledSize(true);
    EXPECT_EQ(s.size(), (PixelSize{1152, 675}));
    EXPECT_DOUBLE_EQ(s.widthPercent(), 225.0);
    s.setScaledSize(false);
    EXPECT_EQ(s.size(), (PixelSize{512, 300}));
}

} // namespace
