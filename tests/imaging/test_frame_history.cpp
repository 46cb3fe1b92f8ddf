#include "imaging/frame_history.h"
#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace veltor {
namespace {

using testing::addToSelected;
using testing::levelBytes;

// A document's frames with a fake overlay store that counts its levels.
class FrameHistoryTest : public ::testing::Test {
protected:
    void makeFrames(int count, int w = 6, int h = 4)
    {
        m_owned.clear();
        m_frames.clear();
        m_overlayLevel.assign(static_cast<size_t>(count), 0);
        m_overlayTop.assign(static_cast<size_t>(count), 0);
        for (int i = 0; i < count; ++i) {
            std::vector<uint8_t> pixels(static_cast<size_t>(w * h), static_cast<uint8_t>(10 * i));
            auto frame = std::make_unique<ImageBuffer>();
            ASSERT_EQ(frame->createFromCopy8(w, h, w * h, 0, pixels.data()), 1);
            m_frames.push_back(frame.get());
            m_owned.push_back(std::move(frame));
        }
        m_history.resize(count);
        m_overlay.canUndo = [this](int32_t f) { return m_overlayLevel[static_cast<size_t>(f)] > 0; };
        m_overlay.canRedo = [this](int32_t f) {
            return m_overlayLevel[static_cast<size_t>(f)] < m_overlayTop[static_cast<size_t>(f)];
        };
        m_overlay.undo = [this](int32_t f) { return m_overlayLevel[static_cast<size_t>(f)]-- > 0; };
        m_overlay.redo = [this](int32_t f) { return ++m_overlayLevel[static_cast<size_t>(f)] > 0; };
    }

    // An annotation edit on frame f.
    void overlayEdit(int f)
    {
        m_overlayTop[static_cast<size_t>(f)] = ++m_overlayLevel[static_cast<size_t>(f)];
        m_history.appendMark(f, FrameEditKind::Overlay);
    }

    std::vector<std::unique_ptr<ImageBuffer>> m_owned;
    std::vector<ImageBuffer*> m_frames;
    std::vector<int> m_overlayLevel;
    std::vector<int> m_overlayTop;
    FrameHistory m_history;
    OverlayUndo m_overlay;
};

TEST_F(FrameHistoryTest, MarksDropEverythingAfterThePosition)
{
    makeFrames(2);
    m_history.appendMark(1, FrameEditKind::Image);
    m_history.appendMark(1, FrameEditKind::Overlay);
    m_history.appendMark(1, FrameEditKind::Image);
    const FrameHistory::Frame* f = m_history.frame(1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->position, 3);
    EXPECT_EQ(m_history.frame(0)->entries.size(), 0u);
    EXPECT_EQ(m_history.frame(2), nullptr);
    m_history.appendMark(7, FrameEditKind::Image);  // out of range: ignored
    m_history.appendMark(-1, FrameEditKind::Image);
    EXPECT_EQ(m_history.frameCount(), 2);
}

TEST_F(FrameHistoryTest, UndoAndRedoWalkImageAndOverlayEntries)
{
    makeFrames(1);
    ImageBuffer& frame = *m_frames[0];
    const auto original = levelBytes(frame);
    ASSERT_EQ(runOnFrames(m_frames, 0, false, m_history, [](ImageBuffer& b) { return addToSelected(b, 5); }), 1);
    const auto edited = levelBytes(frame);
    overlayEdit(0);
    overlayEdit(0);
    EXPECT_EQ(m_history.frame(0)->entries,
              (std::vector<FrameEditKind>{FrameEditKind::Image, FrameEditKind::Overlay, FrameEditKind::Overlay}));

    bool applyToAll = false;
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(m_overlayLevel[0], 1);
    EXPECT_EQ(levelBytes(frame), edited);
    undoFrames(m_frames, 0, applyToAll, m_history, m_overlay);
    EXPECT_EQ(m_overlayLevel[0], 0);
    EXPECT_TRUE(m_history.canUndo(0, frame, m_overlay));
    undoFrames(m_frames, 0, applyToAll, m_history, m_overlay);
    EXPECT_EQ(levelBytes(frame), original);
    EXPECT_FALSE(m_history.canUndo(0, frame, m_overlay));
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 0);

    EXPECT_EQ(redoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(levelBytes(frame), edited);
    redoFrames(m_frames, 0, applyToAll, m_history, m_overlay);
    redoFrames(m_frames, 0, applyToAll, m_history, m_overlay);
    EXPECT_EQ(m_overlayLevel[0], 2);
    EXPECT_FALSE(m_history.canRedo(0, frame, m_overlay));
}

TEST_F(FrameHistoryTest, UndoIsOfferedOnlyWhenTheEntrysOwnerCanUndo)
{
    makeFrames(1);
    m_history.appendMark(0, FrameEditKind::Overlay);  // the overlay store has nothing
    EXPECT_FALSE(m_history.canUndo(0, *m_frames[0], m_overlay));
    m_history.appendMark(0, FrameEditKind::Image);  // the image has nothing either
    EXPECT_FALSE(m_history.canUndo(0, *m_frames[0], m_overlay));
    addToSelected(*m_frames[0], 1);
    EXPECT_TRUE(m_history.canUndo(0, *m_frames[0], m_overlay));
    // Without overlay hooks nothing on the overlay side is offered.
    FrameHistory h;
    h.resize(1);
    h.appendMark(0, FrameEditKind::Overlay);
    EXPECT_FALSE(h.canUndo(0, *m_frames[0], OverlayUndo{}));
    EXPECT_FALSE(h.undo(0, *m_frames[0], OverlayUndo{}));
    EXPECT_EQ(h.frame(0)->position, 0);
}

TEST_F(FrameHistoryTest, ApplyToAllNeedsAlikeFrames)
{
    makeFrames(3);
    EXPECT_TRUE(allFramesAlike(m_frames));
    EXPECT_EQ(framesConcerned(m_frames, 1, true), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(framesConcerned(m_frames, 1, false), (std::vector<int32_t>{1}));
    EXPECT_EQ(framesConcerned(m_frames, 5, false), (std::vector<int32_t>{}));

    std::vector<int32_t> shown;
    const int changed = runOnFrames(
        m_frames, 1, true, m_history, [](ImageBuffer& b) { return addToSelected(b, 1); },
        [&](int32_t number, int32_t count) {
            EXPECT_EQ(count, 3);
            shown.push_back(number);
        });
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(shown, (std::vector<int32_t>{1, 2, 3}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_history.frame(i)->entries.size(), 1u);

    // After a crop of one frame with the option off, commands act on the
    // current frame only.
    ASSERT_EQ(m_frames[2]->crop(0, 0, 3, 3), 1);
    EXPECT_FALSE(allFramesAlike(m_frames));
    EXPECT_EQ(framesConcerned(m_frames, 0, true), (std::vector<int32_t>{0}));
    // Colour flags count too.
    makeFrames(2);
    ASSERT_EQ(m_frames[1]->toColour(), 1);
    EXPECT_FALSE(allFramesAlike(m_frames));
    // One frame is never "all frames alike".
    makeFrames(1);
    EXPECT_FALSE(allFramesAlike(m_frames));
}

TEST_F(FrameHistoryTest, FailedOperationsLeaveNoMark)
{
    makeFrames(2);
    const int changed = runOnFrames(m_frames, 0, true, m_history, [](ImageBuffer& b) {
        return b.toGrey();  // refused on grey frames
    });
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(m_history.frame(0)->entries.size(), 0u);
    EXPECT_EQ(m_frames[0]->lastError(), LibraryError::NotAllowedInMonochrome);
}

TEST_F(FrameHistoryTest, PreviewedOperationRunsOnceOnEveryOtherFrame)
{
    makeFrames(3);
    // The dialog's preview already changed the current frame.
    addToSelected(*m_frames[1], 4);
    int calls = 0;
    const int others = runOnOtherFrames(m_frames, 1, true, m_history, [&](ImageBuffer& b) {
        ++calls;
        return addToSelected(b, 4);
    });
    EXPECT_EQ(others, 2);
    EXPECT_EQ(calls, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_frames[static_cast<size_t>(i)]->currentLevelIndex(), 1);
        EXPECT_EQ(m_history.frame(i)->entries.size(), 1u);
    }
    // Without apply-to-all only the current frame gets its mark.
    runOnOtherFrames(m_frames, 0, false, m_history, [&](ImageBuffer& b) { return addToSelected(b, 4); });
    EXPECT_EQ(m_history.frame(0)->entries.size(), 2u);
    EXPECT_EQ(m_history.frame(2)->entries.size(), 1u);
}

TEST_F(FrameHistoryTest, ColourOnlyCommandSkipsGreyFramesWithoutTheAlikeTest)
{
    makeFrames(3);
    ASSERT_EQ(m_frames[0]->toColour(), 1);
    ASSERT_EQ(m_frames[2]->toColour(), 1);
    ASSERT_EQ(m_frames[2]->crop(0, 0, 2, 2), 1);  // unlike frames still take part
    auto toGrey = [](ImageBuffer& b) { return b.toGrey(); };
    EXPECT_EQ(runOnColourFrames(m_frames, 1, false, m_history, toGrey), 0);  // current frame is grey
    EXPECT_EQ(runOnColourFrames(m_frames, 1, true, m_history, toGrey), 2);
    EXPECT_FALSE(m_frames[0]->isColour());
    EXPECT_FALSE(m_frames[2]->isColour());
    EXPECT_EQ(m_history.frame(1)->entries.size(), 0u);
    EXPECT_EQ(m_history.frame(2)->entries.size(), 1u);
    EXPECT_EQ(frameProgressText(12), "Frame : 12");
}

TEST_F(FrameHistoryTest, UndoThatLeavesFramesUnlikeSwitchesApplyToAllOff)
{
    makeFrames(2, 6, 4);
    bool applyToAll = true;
    ASSERT_EQ(runOnFrames(m_frames, 0, applyToAll, m_history, [](ImageBuffer& b) { return b.rotate90Clockwise(); }),
              2);
    overlayEdit(1);
    // Frame 0 undoes its rotation, frame 1 its annotation.
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 2);
    EXPECT_EQ(m_frames[0]->width(), 6);
    EXPECT_EQ(m_frames[1]->width(), 4);
    EXPECT_FALSE(applyToAll);
    // Now only the current frame follows.
    EXPECT_EQ(redoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(m_frames[0]->width(), 4);
    EXPECT_EQ(m_overlayLevel[1], 0);
}

} // namespace
} // namespace veltor

namespace veltor {
namespace {

// A change of size takes the selection steps out of the image's history; the
// frame's marks must follow, or later undos step the wrong entries.
TEST_F(FrameHistoryTest, SizeChangeTakesSelectionMarksOutWithTheImageEntries)
{
    makeFrames(1, 6, 4);
    bool applyToAll = false;
    ASSERT_EQ(runOnFrames(m_frames, 0, applyToAll, m_history, [](ImageBuffer& b) { return b.invert(); }), 1);
    const std::vector<uint8_t> inverted = levelBytes(*m_frames[0]);
    ASSERT_EQ(m_frames[0]->selectRectangle({1, 1, 3, 3}), 1);
    m_history.appendMark(0, FrameEditKind::Selection);
    overlayEdit(0);
    ASSERT_EQ(runOnFrames(m_frames, 0, applyToAll, m_history, [](ImageBuffer& b) { return b.rotate90Clockwise(); }),
              1);
    EXPECT_EQ(m_history.frame(0)->entries,
              (std::vector<FrameEditKind>{FrameEditKind::Image, FrameEditKind::Overlay, FrameEditKind::Image}));

    // Rotation, annotation, then the inversion: each undo steps its own edit.
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(m_frames[0]->width(), 6);
    EXPECT_EQ(levelBytes(*m_frames[0]), inverted);
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(m_overlayLevel[0], 0);
    EXPECT_EQ(levelBytes(*m_frames[0]), inverted);
    EXPECT_TRUE(m_history.canUndo(0, *m_frames[0], m_overlay));
    EXPECT_EQ(undoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_NE(levelBytes(*m_frames[0]), inverted);
    EXPECT_FALSE(m_history.canUndo(0, *m_frames[0], m_overlay));
    // And forward again to the rotated frame.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(redoFrames(m_frames, 0, applyToAll, m_history, m_overlay), 1);
    EXPECT_EQ(m_frames[0]->width(), 4);
    EXPECT_EQ(m_overlayLevel[0], 1);
}

} // namespace
} // namespace veltor
