// Stepping between frames, the enabling rules, and movie playback run on a
// clock the test controls.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "fake_view_document.h"
#include "view/cine_player.h"
#include "view/frame_navigation.h"
#include "view/image_view_model.h"

using namespace veltor;
using veltor::testing::FakeViewDocument;

namespace {

struct StepCase {
    FrameStep step;
    int32_t current;
    int32_t count;
    std::optional<int32_t> expected;
};

class FrameSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(FrameSteps, MoveOrFailAtTheEnds) {
    const StepCase& c = GetParam();
    EXPECT_EQ(steppedFrame(c.step, c.current, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, FrameSteps,
                         ::testing::Values(StepCase{FrameStep::First, 2, 3, 0},
                                           StepCase{FrameStep::First, 0, 3, std::nullopt},
                                           StepCase{FrameStep::Previous, 2, 3, 1},
                                           StepCase{FrameStep::Previous, 0, 3, std::nullopt},
                                           StepCase{FrameStep::Next, 1, 3, 2},
                                           StepCase{FrameStep::Next, 2, 3, std::nullopt},
                                           StepCase{FrameStep::Last, 0, 3, 2},
                                           StepCase{FrameStep::Last, 2, 3, std::nullopt},
                                           StepCase{FrameStep::Next, 0, 1, std::nullopt},
                                           StepCase{FrameStep::Last, 0, 0, std::nullopt},
                                           // An index past the end steps back inside.
                                           StepCase{FrameStep::Previous, 9, 3, 2}));

struct EnableCase {
    NavigationState state;
    NavigationEnables expected;
};

class Enables : public ::testing::TestWithParam<EnableCase> {};

TEST_P(Enables, FollowTheFrameAndTheFrameTime) {
    EXPECT_EQ(navigationEnables(GetParam().state), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Enables,
    ::testing::Values(
        // first, previous, next, last, movie, video setup, all frames
        EnableCase{{true, 0, 3, 66.67}, {false, false, true, true, true, true, true}},
        EnableCase{{true, 1, 3, 66.67}, {true, true, true, true, true, true, true}},
        EnableCase{{true, 2, 3, 66.67}, {true, true, false, false, true, true, true}},
        // A frame time of 0 (or NaN) disables both movies only.
        EnableCase{{true, 1, 3, 0.0}, {true, true, true, true, false, true, true}},
        EnableCase{{true, 1, 3, NAN}, {true, true, true, true, false, true, true}},
        // One frame, or no image: nothing.
        EnableCase{{true, 0, 1, 66.67}, {}}, EnableCase{{false, 1, 3, 66.67}, {}}));

// Runs the player until `steps` frames were shown, advancing the clock by
// `tickMs` per poll, and returns the frames in order.
std::vector<int32_t> play(CinePlayer& player, int32_t& current, int32_t count, double frameTime,
                          int steps, double tickMs = 1.0) {
    std::vector<int32_t> shown;
    for (double now = 0.0; static_cast<int>(shown.size()) < steps && now < 1.0e6; now += tickMs) {
        if (const auto f = player.poll(now, frameTime, current, count)) {
            current = *f;
            shown.push_back(*f);
        }
    }
    return shown;
}

TEST(CinePlayer, ForwardWrapsToTheFirstFrame) {
    CinePlayer p;
    int32_t current = 1; // the second of three frames
    p.start(CineDirection::Forward, current, 0.0);
    EXPECT_EQ(play(p, current, 3, 66.67, 5), (std::vector<int32_t>{2, 0, 1, 2, 0}));
    EXPECT_EQ(p.stop(), 1);
}

TEST(CinePlayer, BackwardFromTheFirstShowsTheLastNext) {
    CinePlayer p;
    int32_t current = 0;
    p.start(CineDirection::Backward, current, 0.0);
    EXPECT_EQ(play(p, current, 4, 40.0, 5), (std::vector<int32_t>{3, 2, 1, 0, 3}));
}

TEST(CinePlayer, StepsComeOneFrameTimeApart) {
    CinePlayer p;
    p.start(CineDirection::Forward, 0, 1000.0);
    EXPECT_EQ(p.poll(1000.0, 40.0, 0, 5), 1); // the first step at once
    EXPECT_DOUBLE_EQ(p.msUntilDue(1010.0, 40.0), 30.0);
    EXPECT_EQ(p.poll(1039.9, 40.0, 1, 5), std::nullopt);
    EXPECT_EQ(p.poll(1040.0, 40.0, 1, 5), 2);
    // Five milliseconds late: the next step is still due at 1120, not 1125.
    EXPECT_EQ(p.poll(1085.0, 40.0, 2, 5), 3);
    EXPECT_DOUBLE_EQ(p.msUntilDue(1085.0, 40.0), 35.0);
    EXPECT_EQ(p.poll(1119.0, 40.0, 3, 5), std::nullopt);
    EXPECT_EQ(p.poll(1120.0, 40.0, 3, 5), 4);
    // More than a frame late: one step, and the cadence starts again from there.
    EXPECT_EQ(p.poll(1300.0, 40.0, 4, 5), 0);
    EXPECT_EQ(p.poll(1320.0, 40.0, 0, 5), std::nullopt);
    EXPECT_EQ(p.poll(1340.0, 40.0, 0, 5), 1);
    // A clock that jumps backwards does not stall playback.
    EXPECT_EQ(p.poll(5.0, 40.0, 1, 5), 2);
    EXPECT_EQ(p.poll(45.0, 40.0, 2, 5), 3);
    p.stop();
    EXPECT_EQ(p.poll(9999.0, 40.0, 3, 5), std::nullopt);
}

TEST(CinePlayer, KeepsTheFrameRateWhenPolledLate) {
    // Polled every 3 ms for a 10 ms frame time, as a coarse timer would:
    // each step comes up to 2 ms late, yet 100 steps span 990 ms, not 1200.
    CinePlayer p;
    p.start(CineDirection::Forward, 0, 0.0);
    int steps = 0;
    double last = 0.0;
    for (double now = 0.0; steps < 100; now += 3.0) {
        if (p.poll(now, 10.0, 0, 2)) {
            ++steps;
            last = now;
        }
    }
    EXPECT_NEAR(last, 990.0, 3.0);
}

TEST(CinePlayer, ANonPositiveFrameTimeStepsOnEveryPoll) {
    CinePlayer p;
    int32_t current = 0;
    p.start(CineDirection::Forward, current, 0.0);
    EXPECT_EQ(play(p, current, 2, 0.0, 3, 0.0), (std::vector<int32_t>{1, 0, 1}));
}

struct PlaybackTest : ::testing::Test {
    FakeViewDocument doc;
    UserOptions options;
    ImageViewModel view{doc, options};
    PlaybackTest() {
        doc.frames = {{512, 512}, {512, 512}, {512, 512}};
        view.setPaneSize({700, 600});
    }
};

TEST_F(PlaybackTest, AMovieReturnsToItsStartingFrameWhenClickedAway) {
    doc.current = 1;
    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_EQ(view.tool(), ViewTool::Movie);
    EXPECT_EQ(view.cursorAt({350, 300}, {}), ViewCursor::Playback);
    std::vector<int32_t> shown;
    for (double now = 0.0; now < 300.0; now += 5.0)
        if (const auto f = view.cineTick(now)) shown.push_back(*f);
    // 0, 66.67, 133.34... : 3, 1, 2, 3, 1 as the user counts them.
    EXPECT_EQ(shown, (std::vector<int32_t>{2, 0, 1, 2, 0}));
    EXPECT_EQ(doc.current, 0);
    view.leftButtonDown({350, 300}, {});
    view.leftButtonUp({350, 300}, {});
    EXPECT_EQ(view.tool(), ViewTool::PanHand);
    EXPECT_EQ(doc.current, 1);
    EXPECT_EQ(view.cineTick(1000.0), std::nullopt);
}

TEST_F(PlaybackTest, TheSameCommandEscapeOrAnotherToolStopsIt) {
    ASSERT_TRUE(view.movieCommand(CineDirection::Backward, 0.0));
    EXPECT_EQ(view.cineTick(0.0), 2); // reverse from the first: the last
    ASSERT_TRUE(view.movieCommand(CineDirection::Backward, 10.0));
    EXPECT_FALSE(view.playing());
    EXPECT_EQ(doc.current, 0);

    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    view.cineTick(0.0);
    EXPECT_TRUE(view.escape());
    EXPECT_EQ(doc.current, 0);
    EXPECT_FALSE(view.escape());

    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    view.cineTick(0.0);
    ASSERT_TRUE(view.setTool(ViewTool::ZoomInOut));
    EXPECT_FALSE(view.playing());
    EXPECT_EQ(doc.current, 0);
}

TEST_F(PlaybackTest, SwitchingDirectionStillEndsOnTheFirstStart) {
    doc.current = 1;
    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_EQ(view.cineTick(0.0), 2);
    ASSERT_TRUE(view.movieCommand(CineDirection::Backward, 1.0));
    EXPECT_EQ(view.tool(), ViewTool::ReverseMovie);
    EXPECT_EQ(view.cineTick(100.0), 1);
    EXPECT_EQ(view.cineTick(200.0), 0);
    ASSERT_TRUE(view.movieCommand(CineDirection::Backward, 201.0));
    EXPECT_EQ(doc.current, 1);
}

TEST_F(PlaybackTest, AFrameTimeOfZeroDisablesTheMovies) {
    doc.frameTimeMs = 0.0;
    EXPECT_FALSE(view.navigationEnables().movie);
    EXPECT_FALSE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_FALSE(view.movieCommand(CineDirection::Backward, 0.0));
    doc.frameTimeMs = 40.0;
    EXPECT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
}

TEST_F(PlaybackTest, TheRepaintRegionGrowsWithFramesOfOtherSizes) {
    view.setPaneSize({400, 400});
    doc.frames = {{100, 100}, {200, 50}};
    view.updateScrollRange();
    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_EQ(view.cineRepaintRect(), (ViewRect{150, 150, 250, 250}));
    ASSERT_EQ(view.cineTick(0.0), 1);
    EXPECT_EQ(view.cineRepaintRect(), (ViewRect{100, 150, 300, 250}));
    ASSERT_EQ(view.cineTick(100.0), 0);
    EXPECT_EQ(view.cineRepaintRect(), (ViewRect{100, 150, 300, 250}));
}

TEST_F(PlaybackTest, SteppingRepaintsEvenAtTheEnds) {
    int repaints = 0;
    view.setChangeCallback([&](uint32_t c) { repaints += (c & ViewChange::Repaint) ? 1 : 0; });
    ASSERT_TRUE(view.stepFrame(FrameStep::Previous)); // at 0: cannot move
    EXPECT_EQ(doc.current, 0);
    EXPECT_EQ(repaints, 1);
    ASSERT_TRUE(view.stepFrame(FrameStep::Last));
    EXPECT_EQ(doc.current, 2);
    ASSERT_TRUE(view.stepFrame(FrameStep::Previous));
    ASSERT_TRUE(view.stepFrame(FrameStep::First));
    EXPECT_EQ(doc.current, 0);
    doc.frames.resize(1);
    EXPECT_FALSE(view.stepFrame(FrameStep::Next));
}

} // namespace
