#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltor {
namespace {

using testing::addToSelected;
using testing::levelBytes;

std::vector<HistoryKind> kinds(const ImageBuffer& b)
{
    return b.history()->entries;
}

constexpr HistoryKind P = HistoryKind::Pixels;
constexpr HistoryKind W = HistoryKind::Window;
constexpr HistoryKind S = HistoryKind::Selection;
constexpr HistoryKind L = HistoryKind::Palette;

class ImageBufferHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = static_cast<uint8_t>(i * 7);
        ASSERT_EQ(m_frame.createFromRaw8(8, 6, 48, 0, m_pixels.data()), 1);
    }

    std::vector<uint8_t> m_pixels = std::vector<uint8_t>(48);
    ImageBuffer m_frame;
};

TEST_F(ImageBufferHistory, MixedEntriesUndoAndRedoInHistoryOrder)
{
    ImageBuffer& b = m_frame;
    ASSERT_EQ(addToSelected(b, 10), 1);                  // P
    const auto afterFirst = levelBytes(b);
    ASSERT_EQ(b.setWindow(100, 50), 1);                  // W
    ASSERT_EQ(b.selectRectangle({1, 1, 4, 3}), 1);       // S
    ASSERT_EQ(addToSelected(b, 5), 1);                   // P, only inside the selection
    const auto afterSecond = levelBytes(b);
    ASSERT_EQ(b.setPalette(8, true), 1);                 // L
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{P, W, S, P, L}));
    EXPECT_EQ(b.currentLevelIndex(), 2);
    EXPECT_EQ(afterSecond[0], afterFirst[0]);                      // outside the selection
    EXPECT_EQ(afterSecond[1 * 8 + 1], afterFirst[1 * 8 + 1] + 5);  // inside
    // The window set before the second edit travels with the new level.
    EXPECT_EQ(b.windowCenter(), 100);

    ASSERT_EQ(b.undo(), 1);  // palette
    EXPECT_EQ(b.paletteNumber(), kGreyscalePalette);
    ASSERT_EQ(b.undo(), 1);  // second edit
    EXPECT_EQ(levelBytes(b), afterFirst);
    EXPECT_TRUE(b.selection()->hasOutline());
    ASSERT_EQ(b.undo(), 1);  // selection
    EXPECT_FALSE(b.selection()->hasOutline());
    EXPECT_EQ(b.windowCenter(), 100);
    ASSERT_EQ(b.undo(), 1);  // window
    EXPECT_EQ(b.windowCenter(), 128);
    EXPECT_EQ(b.windowWidth(), 256);
    ASSERT_EQ(b.undo(), 1);  // first edit
    EXPECT_EQ(levelBytes(b), m_pixels);
    EXPECT_EQ(b.pixels(), m_pixels.data());
    EXPECT_EQ(b.canUndo(), 0);
    EXPECT_EQ(b.lastError(), LibraryError::NoError);
    EXPECT_EQ(b.undo(), 0);
    EXPECT_EQ(b.lastError(), LibraryError::NoUndoLevel);
    EXPECT_EQ(b.canRedo(), 1);

    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(b.redo(), 1) << i;
    EXPECT_EQ(levelBytes(b), afterSecond);
    EXPECT_EQ(b.paletteNumber(), 8);
    EXPECT_EQ(b.windowCenter(), 100);
    EXPECT_TRUE(b.selection()->hasOutline());
    EXPECT_EQ(b.canRedo(), 0);
    EXPECT_EQ(b.redo(), 0);
}

TEST_F(ImageBufferHistory, NewEditAfterTwoUndosDropsTheRedoLevels)
{
    ImageBuffer& b = m_frame;
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(addToSelected(b, i), 1);
    EXPECT_EQ(b.lastLevelIndex(), 3);
    b.undo();
    b.undo();
    EXPECT_EQ(b.currentLevelIndex(), 1);
    EXPECT_EQ(b.canRedo(), 1);
    ASSERT_EQ(addToSelected(b, 50), 1);
    EXPECT_EQ(b.lastLevelIndex(), 2);
    EXPECT_EQ(b.currentLevelIndex(), 2);
    EXPECT_EQ(b.canRedo(), 0);
    EXPECT_EQ(b.history()->length(), 2);
    EXPECT_EQ(b.redo(), 0);
    EXPECT_EQ(b.lastError(), LibraryError::NoRedoLevel);
    // Any new entry drops the redo levels: a window change after an undo too.
    b.undo();
    ASSERT_EQ(b.setWindow(10, 20), 1);
    EXPECT_EQ(b.lastLevelIndex(), 1);
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{P, W}));
}

TEST_F(ImageBufferHistory, WindowBetweenTwoEditsIsUndoneSeparately)
{
    ImageBuffer& b = m_frame;
    addToSelected(b, 1);
    b.setWindow(60, 30);
    addToSelected(b, 1);
    b.undo();
    EXPECT_EQ(b.currentLevelIndex(), 1);
    EXPECT_EQ(b.windowCenter(), 60);
    b.undo();
    EXPECT_EQ(b.currentLevelIndex(), 1);
    EXPECT_EQ(b.windowCenter(), 128);
    EXPECT_EQ(b.windowList()->current, 1);
    b.undo();
    EXPECT_EQ(b.currentLevelIndex(), 0);
}

TEST_F(ImageBufferHistory, SetWindowLowersCentreToMaximumAndWidthToTwiceTheRange)
{
    const std::vector<int16_t> s = {0, 400, 100, 200};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 0, 0, s.data()), 1);
    ASSERT_EQ(b.setWindow(1000, 5000), 1);
    EXPECT_EQ(b.windowCenter(), 400);  // not the midpoint, unlike construction
    EXPECT_EQ(b.windowWidth(), 801);
    const WindowList& list = *b.windowList();
    EXPECT_EQ(list.pairs.size(), 2u);
    EXPECT_EQ(list.pairs[1], (WindowSetting{400, 801}));
    // Undo then a new window replaces the undone pair.
    b.undo();
    b.setWindow(5, 6);
    EXPECT_EQ(b.windowList()->pairs.size(), 2u);
    EXPECT_EQ(b.windowList()->pairs[1], (WindowSetting{5, 6}));
    EXPECT_EQ(b.windowList()->current, 2);
}

TEST_F(ImageBufferHistory, PaletteUndoBackToTheFirstEntryShowsGrey)
{
    ImageBuffer& b = m_frame;
    ASSERT_EQ(b.setPalette(3, true), 1);
    ASSERT_EQ(b.setPalette(9, true), 1);
    b.undo();
    EXPECT_EQ(b.paletteNumber(), 3);
    b.undo();
    EXPECT_EQ(b.paletteNumber(), kGreyscalePalette);
    EXPECT_EQ(b.displayBitmap()[40 + 4 * 77], 77);
    b.redo();
    EXPECT_EQ(b.paletteNumber(), 3);
    EXPECT_EQ(b.displayBitmap()[40 + 4 * 200 + 2], builtinPalette(3)[200].red);

    // A custom palette fills the custom slot and reads as 11.
    PaletteTable custom{};
    for (size_t i = 0; i < custom.size(); ++i)
        custom[i] = {static_cast<uint8_t>(255 - i), 1, 2, 99};
    ASSERT_EQ(b.setPalette(13, true, &custom), 1);
    EXPECT_EQ(b.paletteNumber(), kCustomPaletteNumber);
    EXPECT_EQ(b.displayBitmap()[40 + 2], 255);
    EXPECT_EQ(b.displayBitmap()[40 + 3], 0);
    EXPECT_EQ(b.paletteList()->numbers.back(), 13);
    b.undo();
    b.redo();
    EXPECT_EQ(b.paletteNumber(), kCustomPaletteNumber);
    EXPECT_EQ(b.displayBitmap()[40 + 4 * 10 + 2], 245);

    // Numbers without colours are refused and change nothing.
    EXPECT_EQ(b.setPalette(11, true), 0);
    EXPECT_EQ(b.setPalette(-1, true), 0);
    EXPECT_EQ(b.paletteNumber(), kCustomPaletteNumber);
    // The redone 3, then 13 in place of the undone 9.
    EXPECT_EQ(b.history()->length(), 2);
    EXPECT_EQ(b.paletteList()->numbers, (std::vector<int32_t>{3, 13}));
}

TEST_F(ImageBufferHistory, SelectionEditsAreRecordedOnlyWhenTheyChangeTheRegion)
{
    ImageBuffer& b = m_frame;
    EXPECT_EQ(b.differenceSelection({0, 0, 3, 3}), 0);
    EXPECT_EQ(b.intersectSelection({0, 0, 3, 3}), 0);
    EXPECT_EQ(b.invertSelection(), 0);
    EXPECT_EQ(b.clearSelection(false), 0);
    EXPECT_EQ(b.history()->length(), 0);

    EXPECT_EQ(b.selectRectangle({1, 1, 5, 4}), 1);
    EXPECT_EQ(b.unionSelection({4, 2, 7, 5}), 1);
    EXPECT_EQ(b.differenceSelection({2, 2, 3, 3}), 1);
    EXPECT_EQ(b.invertSelection(), 1);
    EXPECT_EQ(b.clearSelection(true), 1);
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>(5, S)));
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(b.undo(), 1);
    EXPECT_FALSE(b.selection()->hasOutline());
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(b.redo(), 1);
    EXPECT_TRUE(b.selection()->selected(0, 0));  // the inverted region
    EXPECT_FALSE(b.selection()->selected(1, 1));
}

TEST_F(ImageBufferHistory, ApplyScopeFollowsTheSelection)
{
    ImageBuffer& b = m_frame;
    EXPECT_EQ(b.applyScope(), (ImageRect{0, 0, 8, 6}));
    b.selectRectangle({2, 1, 5, 3});
    EXPECT_EQ(b.applyScope(), (ImageRect{2, 1, 6, 4}));
    b.differenceSelection({3, 2, 4, 3});
    {
        LevelEdit edit = b.beginEdit(LevelStart::CopyPrevious);
        ASSERT_TRUE(static_cast<bool>(edit));
        EXPECT_EQ(edit.scope(), (ImageRect{2, 1, 6, 4}));
        EXPECT_TRUE(edit.selected(2, 1));
        EXPECT_FALSE(edit.selected(3, 2));
        EXPECT_FALSE(edit.selected(0, 0));
    }
    // A selection covering the whole frame counts as none.
    b.selectRectangle({0, 0, 7, 5});
    EXPECT_EQ(b.applyScope(), (ImageRect{0, 0, 8, 6}));
    LevelEdit edit = b.beginEdit(LevelStart::CopyPrevious);
    EXPECT_EQ(edit.selectionMask(), nullptr);
}

TEST_F(ImageBufferHistory, AbandonedEditsLeaveNoTrace)
{
    ImageBuffer& b = m_frame;
    addToSelected(b, 3);
    b.undo();
    const auto before = levelBytes(b);
    {
        LevelEdit edit = b.beginEdit(LevelStart::CopyPrevious);
        ASSERT_TRUE(static_cast<bool>(edit));
        edit.targetSamples<uint8_t>()[0] = 99;
        // Only one edit at a time.
        LevelEdit second = b.beginEdit(LevelStart::CopyPrevious);
        EXPECT_FALSE(static_cast<bool>(second));
        EXPECT_EQ(b.lastError(), LibraryError::BuildFailed);
    }
    EXPECT_EQ(levelBytes(b), before);
    EXPECT_EQ(b.history()->length(), 1);
    EXPECT_EQ(b.canRedo(), 1);  // the undone level survived
    EXPECT_EQ(b.lastLevelIndex(), 1);

    // Copying the previous level into a level of another shape is refused.
    EXPECT_FALSE(static_cast<bool>(b.beginEdit(LevelShape{6, 8, 0}, LevelStart::CopyPrevious)));
    EXPECT_FALSE(static_cast<bool>(b.beginEdit(LevelShape{0, 8, 0}, LevelStart::Uninitialised)));
    EXPECT_FALSE(static_cast<bool>(b.beginEdit(LevelShape{6, 8, 2}, LevelStart::Uninitialised)));
    LevelEdit moved;
    {
        LevelEdit edit = b.beginEdit(LevelStart::CopyPrevious);
        moved = std::move(edit);
    }
    ASSERT_TRUE(static_cast<bool>(moved));
    EXPECT_EQ(moved.commit(), 1);
    EXPECT_EQ(moved.commit(), 0);
    EXPECT_EQ(b.currentLevelIndex(), 1);
}

TEST_F(ImageBufferHistory, UndoOfAQuarterTurnRestoresSizeAndEmptiesTheSelection)
{
    ImageBuffer& b = m_frame;
    b.selectRectangle({1, 1, 3, 3});
    b.selectRectangle({2, 2, 6, 4});
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{S, S}));
    ASSERT_EQ(b.rotate90Clockwise(), 1);
    // The new size replaced the region; its entries went and the position
    // moved back past them.
    EXPECT_EQ(b.width(), 6);
    EXPECT_EQ(b.height(), 8);
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{P}));
    EXPECT_EQ(b.history()->position, 1);
    EXPECT_EQ(b.selection()->width(), 6);
    EXPECT_FALSE(b.selection()->hasOutline());

    b.selectRectangle({0, 0, 2, 2});
    b.setWindow(90, 40);
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{P, S, W}));
    b.undo();  // window
    b.undo();  // selection
    ASSERT_EQ(b.undo(), 1);  // rotation
    EXPECT_EQ(b.width(), 8);
    EXPECT_EQ(b.height(), 6);
    EXPECT_EQ(b.selection()->width(), 8);
    EXPECT_EQ(b.selection()->height(), 6);
    EXPECT_FALSE(b.selection()->hasOutline());
    EXPECT_EQ(kinds(b), (std::vector<HistoryKind>{P, W}));
    EXPECT_EQ(b.history()->position, 0);
    EXPECT_EQ(levelBytes(b), m_pixels);
    EXPECT_EQ(b.display()->width(), 8);

    ASSERT_EQ(b.redo(), 1);
    EXPECT_EQ(b.width(), 6);
    ASSERT_EQ(b.redo(), 1);
    EXPECT_EQ(b.windowCenter(), 90);
    EXPECT_EQ(b.canRedo(), 0);
}

TEST_F(ImageBufferHistory, TrialRestoredPutsBackLevelsHistoryAndSelection)
{
    ImageBuffer& b = m_frame;
    addToSelected(b, 1);
    b.selectRectangle({1, 1, 4, 4});
    const auto before = levelBytes(b);
    const auto history = kinds(b);
    ASSERT_EQ(b.beginTrial(), 1);
    addToSelected(b, 20);
    b.selectRectangle({0, 0, 2, 2});
    ASSERT_EQ(b.rotate90CounterClockwise(), 1);
    ASSERT_EQ(b.endTrial(true), 1);
    EXPECT_EQ(levelBytes(b), before);
    EXPECT_EQ(kinds(b), history);
    EXPECT_EQ(b.currentLevelIndex(), 1);
    EXPECT_EQ(b.lastLevelIndex(), 1);
    EXPECT_EQ(b.width(), 8);
    EXPECT_EQ(b.display()->width(), 8);
    EXPECT_TRUE(b.selection()->selected(4, 4));
    EXPECT_FALSE(b.selection()->selected(0, 0));
    // The restored history still steps the restored selection and levels.
    ASSERT_EQ(b.undo(), 1);
    EXPECT_FALSE(b.selection()->hasOutline());
    ASSERT_EQ(b.undo(), 1);
    EXPECT_EQ(levelBytes(b), m_pixels);
    EXPECT_EQ(b.endTrial(true), 0);  // no trial open
}

TEST_F(ImageBufferHistory, TrialDroppedKeepsTheEdits)
{
    ImageBuffer& b = m_frame;
    ASSERT_EQ(b.beginTrial(), 1);
    addToSelected(b, 20);
    const auto edited = levelBytes(b);
    ASSERT_EQ(b.endTrial(false), 1);
    EXPECT_EQ(levelBytes(b), edited);
    EXPECT_EQ(b.currentLevelIndex(), 1);
    EXPECT_EQ(b.undo(), 1);
    EXPECT_EQ(levelBytes(b), m_pixels);
}

TEST_F(ImageBufferHistory, WindowTrialRestoredAndDropped)
{
    ImageBuffer& b = m_frame;
    b.setWindow(100, 100);
    ASSERT_EQ(b.beginWindowTrial(), 1);
    for (int c = 10; c < 60; c += 10)
        b.setWindow(c, 30);
    EXPECT_EQ(b.windowCenter(), 50);
    ASSERT_EQ(b.endWindowTrial(true), 1);
    EXPECT_EQ(b.windowCenter(), 100);
    EXPECT_EQ(b.windowWidth(), 100);
    EXPECT_EQ(b.history()->length(), 1);
    EXPECT_EQ(b.windowList()->pairs.size(), 2u);
    PixelValue v;
    b.displayedValueAt(0, 0, v);  // sample 0 under window 100/100: low 50
    EXPECT_EQ(v.red, 0);

    ASSERT_EQ(b.beginWindowTrial(), 1);
    b.setWindow(20, 30);
    ASSERT_EQ(b.endWindowTrial(false), 1);
    EXPECT_EQ(b.windowCenter(), 20);
    EXPECT_EQ(b.history()->length(), 2);
    b.undo();
    EXPECT_EQ(b.windowCenter(), 100);
    EXPECT_EQ(b.endWindowTrial(true), 0);
}

TEST_F(ImageBufferHistory, SourceTextIsCutTo515Characters)
{
    m_frame.setSourceText(std::string(600, 'x'));
    EXPECT_EQ(m_frame.sourceText().size(), 515u);
    m_frame.setSourceText("C:\\scans\\a.dcm");
    EXPECT_EQ(m_frame.sourceText(), "C:\\scans\\a.dcm");
    EXPECT_EQ(m_frame.initialPosition(), -1);
    EXPECT_EQ(m_frame.sourceIndex(), -1);
}

} // namespace
} // namespace veltor
