// The "Video Speed Setup" dialog's linked edits and "From Header".
#include <gtest/gtest.h>

#include <limits>

#include "view/video_speed_setup.h"

using namespace veltor;

namespace {

TEST(VideoSpeedSetup, OpensOnTheFrameTimeWithFramesPerSecondDisabled) {
    const VideoSpeedSetup d(66.67, 0.0);
    EXPECT_EQ(d.frameTimeText(), "66.67");
    EXPECT_EQ(d.framesPerSecondText(), "15.00"); // 1000 / 66.67 = 14.9993
    EXPECT_EQ(d.selected(), SpeedField::FrameTime);
    EXPECT_TRUE(d.frameTimeEnabled());
    EXPECT_FALSE(d.framesPerSecondEnabled());
    EXPECT_FALSE(d.fromHeaderEnabled()); // the header has no frame time
}

TEST(VideoSpeedSetup, ANonPositiveFrameTimeShowsZeroFramesPerSecond) {
    EXPECT_EQ(VideoSpeedSetup(0.0, 0.0).framesPerSecondText(), "0.00");
    EXPECT_EQ(VideoSpeedSetup(-5.0, 0.0).framesPerSecondText(), "0.00");
}

struct TypedCase {
    SpeedField field;
    const char* typed;
    const char* other;
};

class TypingUpdatesTheOtherEdit : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypingUpdatesTheOtherEdit, WithTwoDecimals) {
    const TypedCase& c = GetParam();
    VideoSpeedSetup d(66.67, 0.0);
    d.select(c.field);
    if (c.field == SpeedField::FramesPerSecond) {
        EXPECT_TRUE(d.framesPerSecondEnabled());
        EXPECT_FALSE(d.frameTimeEnabled());
        d.framesPerSecondTyped(c.typed);
        EXPECT_EQ(d.framesPerSecondText(), c.typed);
        EXPECT_EQ(d.frameTimeText(), c.other);
    } else {
        d.frameTimeTyped(c.typed);
        EXPECT_EQ(d.frameTimeText(), c.typed);
        EXPECT_EQ(d.framesPerSecondText(), c.other);
    }
}

INSTANTIATE_TEST_SUITE_P(Edits, TypingUpdatesTheOtherEdit,
                         ::testing::Values(TypedCase{SpeedField::FramesPerSecond, "25", "40.00"},
                                           TypedCase{SpeedField::FramesPerSecond, "0", "0.00"},
                                           TypedCase{SpeedField::FramesPerSecond, "30", "33.33"},
                                           TypedCase{SpeedField::FramesPerSecond, "", "0.00"},
                                           TypedCase{SpeedField::FramesPerSecond, "-3", "0.00"},
                                           TypedCase{SpeedField::FrameTime, "40", "25.00"},
                                           TypedCase{SpeedField::FrameTime, "3", "333.33"},
                                           TypedCase{SpeedField::FrameTime, " 10.5ms", "95.24"},
                                           TypedCase{SpeedField::FrameTime, "abc", "0.00"},
                                           TypedCase{SpeedField::FrameTime, "nan", "0.00"},
                                           TypedCase{SpeedField::FrameTime, "inf", "0.00"}));

TEST(VideoSpeedSetup, OkStoresTheFrameTimeAsTheEditShowsIt) {
    VideoSpeedSetup d(66.67, 0.0);
    d.select(SpeedField::FramesPerSecond);
    d.framesPerSecondTyped("30");
    EXPECT_DOUBLE_EQ(d.acceptedFrameTime(), 33.33);
    d.framesPerSecondTyped("0");
    EXPECT_DOUBLE_EQ(d.acceptedFrameTime(), 0.0);
}

TEST(VideoSpeedSetup, FromHeaderRefillsBothEdits) {
    VideoSpeedSetup d(66.67, 40.0);
    EXPECT_TRUE(d.fromHeaderEnabled());
    d.frameTimeTyped("100");
    d.fromHeader();
    EXPECT_EQ(d.frameTimeText(), "40.00");
    EXPECT_EQ(d.framesPerSecondText(), "25.00");
    EXPECT_DOUBLE_EQ(d.acceptedFrameTime(), 40.0);
}

TEST(SpeedText, ParsingAndFormattingHaveDefinedResultsForAnyText) {
    EXPECT_DOUBLE_EQ(parseSpeedText("  +12.5"), 12.5);
    EXPECT_DOUBLE_EQ(parseSpeedText("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(parseSpeedText("1e400"), 0.0);
    EXPECT_EQ(speedText(std::numeric_limits<double>::infinity()), "0.00");
    EXPECT_DOUBLE_EQ(reciprocalRate(1e-320), 0.0);
}

} // namespace
