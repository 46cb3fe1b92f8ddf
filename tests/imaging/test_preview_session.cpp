#include "imaging/image_buffer.h"
#include "imaging/preview_session.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace veltor {
namespace {

using testing::addToSelected;
using testing::levelBytes;

class PreviewSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<uint8_t> pixels(24);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 9);
        ASSERT_EQ(m_frame.createFromCopy8(6, 4, 24, 0, pixels.data()), 1);
        // An earlier edit the dialogs must never undo.
        ASSERT_EQ(addToSelected(m_frame, 2), 1);
        m_before = levelBytes(m_frame);
    }

    static FrameOperation add(int delta)
    {
        return [delta](ImageBuffer& b) { return addToSelected(b, delta); };
    }

    ImageBuffer m_frame;
    std::vector<uint8_t> m_before;
};

TEST_F(PreviewSessionTest, CancelAfterThreeSliderMovesLeavesTheFrameAsBefore)
{
    PreviewSession dialog(m_frame, PreviewSession::Mode::Plain);
    for (int delta : {5, 10, 15})
        ASSERT_EQ(dialog.preview(add(delta)), 1);
    // Each move undid the previous one: one previewed level on top.
    EXPECT_EQ(m_frame.currentLevelIndex(), 2);
    EXPECT_EQ(levelBytes(m_frame)[0], m_before[0] + 15);
    dialog.cancel();
    EXPECT_EQ(levelBytes(m_frame), m_before);
    EXPECT_EQ(m_frame.currentLevelIndex(), 1);
    // The last preview remains as a redo step.
    EXPECT_EQ(m_frame.canRedo(), 1);
    m_frame.redo();
    EXPECT_EQ(levelBytes(m_frame)[0], m_before[0] + 15);
}

TEST_F(PreviewSessionTest, CancelWithoutPreviewTouchesNothing)
{
    {
        PreviewSession dialog(m_frame, PreviewSession::Mode::Plain);
        dialog.cancel();
    }
    {
        PreviewSession closedByDestructor(m_frame, PreviewSession::Mode::Plain);
    }
    EXPECT_EQ(levelBytes(m_frame), m_before);
    EXPECT_EQ(m_frame.currentLevelIndex(), 1);
    EXPECT_EQ(m_frame.canRedo(), 0);
}

TEST_F(PreviewSessionTest, OkKeepsThePreviewOrAppliesOnce)
{
    {
        PreviewSession dialog(m_frame, PreviewSession::Mode::Plain);
        dialog.preview(add(1));
        dialog.preview(add(7));
        EXPECT_EQ(dialog.accept(add(7)), 1);
    }
    EXPECT_EQ(m_frame.currentLevelIndex(), 2);
    EXPECT_EQ(levelBytes(m_frame)[0], m_before[0] + 7);
    {
        PreviewSession dialog(m_frame, PreviewSession::Mode::Plain);
        EXPECT_EQ(dialog.accept(add(3)), 1);  // no preview: applied now
    }
    EXPECT_EQ(m_frame.currentLevelIndex(), 3);
    EXPECT_EQ(levelBytes(m_frame)[0], m_before[0] + 10);
}

TEST_F(PreviewSessionTest, FailedPreviewIsNotUndoneLater)
{
    PreviewSession dialog(m_frame, PreviewSession::Mode::Plain);
    EXPECT_EQ(dialog.preview([](ImageBuffer& b) { return b.toGrey(); }), 0);  // refused on grey
    EXPECT_FALSE(dialog.previewed());
    dialog.cancel();
    EXPECT_EQ(levelBytes(m_frame), m_before);
    EXPECT_EQ(m_frame.currentLevelIndex(), 1);
}

TEST_F(PreviewSessionTest, TrialCancelRestoresLevelsAndHistory)
{
    const auto history = m_frame.history()->entries;
    {
        PreviewSession dialog(m_frame, PreviewSession::Mode::Trial);
        dialog.preview(add(4));
        dialog.preview(add(8));
        dialog.cancel();
    }
    EXPECT_EQ(levelBytes(m_frame), m_before);
    EXPECT_EQ(m_frame.history()->entries, history);
    EXPECT_EQ(m_frame.lastLevelIndex(), 1);  // not even a redo step remains
    EXPECT_EQ(m_frame.canRedo(), 0);
}

TEST_F(PreviewSessionTest, TrialOkUndoesThePreviewForTheCallerToApply)
{
    PreviewSession dialog(m_frame, PreviewSession::Mode::Trial);
    dialog.preview(add(8));
    EXPECT_EQ(dialog.accept(add(8)), 1);
    EXPECT_EQ(levelBytes(m_frame), m_before);
    EXPECT_EQ(m_frame.endTrial(true), 0);  // the copy is gone
    // Applied as a plain command on the current frame (or all frames).
    std::vector<ImageBuffer*> frames{&m_frame};
    FrameHistory marks;
    marks.resize(1);
    EXPECT_EQ(runOnFrames(frames, 0, false, marks, add(8)), 1);
    EXPECT_EQ(levelBytes(m_frame)[0], m_before[0] + 8);
}

TEST(PreviewSessionAllFrames, PreviewedFilterRunsOnceOnEachFrame)
{
    std::vector<std::unique_ptr<ImageBuffer>> owned;
    std::vector<ImageBuffer*> frames;
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> pixels(12, static_cast<uint8_t>(i));
        owned.push_back(std::make_unique<ImageBuffer>());
        ASSERT_EQ(owned.back()->createFromCopy8(4, 3, 12, 0, pixels.data()), 1);
        frames.push_back(owned.back().get());
    }
    FrameHistory marks;
    marks.resize(3);
    int calls = 0;
    FrameOperation op = [&](ImageBuffer& b) {
        ++calls;
        return addToSelected(b, 50);
    };
    PreviewSession dialog(*frames[1], PreviewSession::Mode::Plain);
    dialog.preview(op);
    dialog.preview(op);
    ASSERT_EQ(dialog.accept(op), 1);
    calls = 0;
    EXPECT_EQ(runOnOtherFrames(frames, 1, true, marks, op), 2);
    EXPECT_EQ(calls, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frames[static_cast<size_t>(i)]->currentLevelIndex(), 1) << i;
        EXPECT_EQ(testing::levelBytes(*frames[static_cast<size_t>(i)])[0], i + 50);
        EXPECT_EQ(marks.frame(i)->entries.size(), 1u);
    }
}

} // namespace
} // namespace veltor
