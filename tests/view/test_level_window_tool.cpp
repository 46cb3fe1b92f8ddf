// The Level-Window tool over a real document: what a drag does to the window,
// the frame history, and the other frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/kelvo_doc.h"
#include "view/level_window_tool.h"

using namespace veltor;

namespace {

struct LevelWindowToolTest : ::testing::Test {
    MemorySettingsStore settings;
    UserOptions options;
    QuietDocumentUi ui;
    CKelvoDoc doc{settings, options, ui};
    LevelWindowTool tool{doc};
    int notices = 0;
    int releases = 0;

    void SetUp() override {
        ASSERT_TRUE(doc.openDocument(VELTOR_SAMPLE_FILE));
        tool.setListener([this](bool released) {
            ++notices;
            releases += released ? 1 : 0;
        });
    }
    static ToolInput at(int32_t x, int32_t y, bool over = true) {
        ToolInput in;
        in.pane = {x, y};
        in.overImage = over;
        return in;
    }
    ImageBuffer& frame() { return *doc.frameAt(-1); }
    double step() const {
        const ImageBuffer& f = *const_cast<CKelvoDoc&>(doc).frameAt(-1);
        return (2.0 * f.maxValue() - f.minValue() + 1.0) / 256.0;
    }
};

TEST_F(LevelWindowToolTest, APressOutsideTheImageStartsNothing) {
    EXPECT_FALSE(tool.buttonDown(at(5, 5, false)));
    EXPECT_FALSE(tool.dragging());
    tool.mouseMove(at(50, 50));
    tool.buttonUp(at(50, 50));
    EXPECT_EQ(notices, 0);
    EXPECT_FALSE(doc.canUndo());
}

TEST_F(LevelWindowToolTest, DraggingChangesTheWindowWithoutHistoryUntilTheRelease) {
    const Window start{frame().windowCenter(), frame().windowWidth()};
    const std::vector<uint8_t> shown(frame().displayBitmap(), frame().displayBitmap() + frame().displayBitmapSize());
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.mouseMove(at(110, 104)); // right widens, down raises the centre
    EXPECT_EQ(frame().windowWidth(), start.width + int32_t(step() * 10));
    EXPECT_EQ(frame().windowCenter(), start.center + int32_t(step() * 4));
    EXPECT_FALSE(std::equal(shown.begin(), shown.end(), frame().displayBitmap())) << "the display follows the drag";
    tool.mouseMove(at(120, 104));
    EXPECT_EQ(notices, 2);
    EXPECT_FALSE(doc.canUndo()) << "intermediate windows leave no history";

    tool.buttonUp(at(90, 96));
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(frame().windowWidth(), std::max(1, start.width + int32_t(step() * -10)));
    EXPECT_EQ(frame().windowCenter(), start.center + int32_t(step() * -4));
    ASSERT_NE(doc.frameHistory().frame(0), nullptr);
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 1u);
    ASSERT_TRUE(doc.canUndo());
    doc.undo();
    EXPECT_EQ(frame().windowCenter(), start.center);
    EXPECT_EQ(frame().windowWidth(), start.width);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), frame().displayBitmap()));
}

TEST_F(LevelWindowToolTest, TheWindowStaysWithinTheSampleRange) {
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.mouseMove(at(100 + 100000, 100 + 100000));
    EXPECT_EQ(frame().windowCenter(), frame().maxValue());
    EXPECT_EQ(frame().windowWidth(), 2 * frame().maxValue() - frame().minValue() + 1);
    tool.mouseMove(at(100 - 100000, 100 - 100000));
    EXPECT_EQ(frame().windowCenter(), frame().minValue());
    EXPECT_EQ(frame().windowWidth(), 1);
    tool.buttonUp(at(100, 100));
}

TEST_F(LevelWindowToolTest, AnAbandonedDragPutsTheWindowAndHistoryBack) {
    const Window start{frame().windowCenter(), frame().windowWidth()};
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.mouseMove(at(180, 20));
    tool.deactivated();
    EXPECT_FALSE(tool.dragging());
    EXPECT_EQ(frame().windowCenter(), start.center);
    EXPECT_EQ(frame().windowWidth(), start.width);
    EXPECT_FALSE(doc.canUndo());
    // a later release belongs to no gesture
    tool.buttonUp(at(0, 0));
    EXPECT_EQ(frame().windowCenter(), start.center);
}

TEST_F(LevelWindowToolTest, AnUndoneEditCanStillBeRedoneAfterADragThatChangedNothing) {
    ASSERT_EQ(doc.runImageCommand([](ImageBuffer& f) { return f.invert(); }), 1);
    const std::vector<uint8_t> inverted(frame().pixels(), frame().pixels() + 2 * 256 * 256);
    ASSERT_GT(doc.undo(), 0);
    ASSERT_TRUE(doc.canRedo());
    // out and back to where it started
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.mouseMove(at(160, 40));
    tool.mouseMove(at(30, 170));
    tool.buttonUp(at(100, 100));
    // and one abandoned
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.mouseMove(at(160, 40));
    tool.deactivated();
    ASSERT_TRUE(doc.canRedo());
    EXPECT_GT(doc.redo(), 0);
    EXPECT_TRUE(std::equal(inverted.begin(), inverted.end(), frame().pixels()));
}

TEST_F(LevelWindowToolTest, AClickWithoutMovementRecordsNothing) {
    ASSERT_TRUE(tool.buttonDown(at(100, 100)));
    tool.buttonUp(at(100, 100));
    EXPECT_FALSE(doc.canUndo());
}

} // namespace
