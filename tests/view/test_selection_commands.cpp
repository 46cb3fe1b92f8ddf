// The selection commands on one frame or on all frames: Inverse, Unselect,
// Clear, Crop To Selection, the crop of the Crop tool and the ROI bitmap.
#include <gtest/gtest.h>

#include "overlay_test_support.h"
#include "view/selection_commands.h"

using namespace veltor;
using namespace veltor::testing;

TEST(SelectionCommands, BandsBecomeClippedImageRectangles) {
    const ViewRect image{50, 20, 1074, 1044}; // 512 x 512 at zoom 2
    EXPECT_EQ(bandToImage({250, 120, 50, 20}, {0, 0}, image, 2.0f, 512, 512), (ImageRect{0, 0, 100, 50}));
    EXPECT_EQ(bandToImage({0, 0, 2000, 2000}, {0, 0}, image, 2.0f, 512, 512), (ImageRect{0, 0, 511, 511}));
    EXPECT_EQ(bandToImage({10, 10, 30, 30}, {100, 60}, image, 2.0f, 512, 512), (ImageRect{30, 25, 40, 35}));
    EXPECT_EQ(selectionModeFor({true, true}), SelectionMode::Intersection);
}

TEST(SelectionCommands, CropToSelectionInverseUnselectAndClear) {
    OverlayDocument d(2, 512, 512);
    CKelvoDoc& doc = d.doc;
    EXPECT_EQ(cropToSelection(doc, *d.overlays), 0); // nothing selected: nothing recorded
    EXPECT_FALSE(doc.canUndo());
    ASSERT_EQ(applySelection(doc, SelectionMode::New, {100, 50, 199, 149}), 1);
    EXPECT_TRUE(hasSelection(doc));
    EXPECT_EQ(cropToSelection(doc, *d.overlays), 1);
    EXPECT_EQ(doc.frameAt(0)->width(), 100);
    EXPECT_EQ(doc.frameAt(0)->height(), 100);
    EXPECT_FALSE(hasSelection(doc));
    EXPECT_EQ(doc.frameAt(1)->width(), 512); // Apply to all is off
    // one step: undo brings the size back, without the selection
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 1u); // the selection step went with the crop
    doc.undo();
    EXPECT_EQ(doc.frameAt(0)->width(), 512);
    EXPECT_FALSE(hasSelection(doc));
    // a selection of the whole frame is only cleared
    ASSERT_EQ(applySelection(doc, SelectionMode::New, {0, 0, 511, 511}), 1);
    EXPECT_EQ(cropToSelection(doc, *d.overlays), 1);
    EXPECT_EQ(doc.frameAt(0)->width(), 512);
    EXPECT_FALSE(hasSelection(doc));
    doc.undo();
    EXPECT_TRUE(hasSelection(doc));

    // inverse of a 10 x 10 selection in the frame; unselect and undo
    ASSERT_EQ(applySelection(doc, SelectionMode::New, {0, 0, 9, 9}), 1);
    EXPECT_EQ(inverseSelection(doc), 1);
    const SelectionRegion& sel = *doc.frameAt(0)->selection();
    EXPECT_FALSE(sel.selected(5, 5));
    EXPECT_TRUE(sel.selected(300, 300));
    EXPECT_TRUE(sel.selected(511, 0)); // the frame's border closes the outline
    EXPECT_EQ(unselect(doc), 1);
    EXPECT_FALSE(hasSelection(doc));
    doc.undo();
    EXPECT_TRUE(sel.selected(300, 300));

    // Clear fills the selected pixels with the background, on every frame
    doc.toggleApplyToAll();
    ASSERT_EQ(applySelection(doc, SelectionMode::New, {10, 10, 19, 19}), 2);
    doc.frameAt(1)->setBackground8(200);
    int calls = 0;
    EXPECT_EQ(clearSelected(doc, [&](int32_t n, int32_t count) {
                  EXPECT_EQ(count, 2);
                  EXPECT_EQ(n, ++calls);
              }),
              2);
    PixelValue v;
    ASSERT_TRUE(doc.frameAt(1)->sampleAt(15, 15, v));
    EXPECT_EQ(v.red, 200);
    ASSERT_TRUE(doc.frameAt(1)->sampleAt(25, 25, v));
    EXPECT_EQ(v.red, 41);
}

TEST(SelectionCommands, CropToolRectanglesAreClippedAndTinyOnesRefused) {
    OverlayDocument d(1, 64, 48);
    CKelvoDoc& doc = d.doc;
    // the whole frame, or nothing of it, records nothing
    EXPECT_EQ(cropFrames(doc, *d.overlays, {0, 0, 63, 47}), 0);
    EXPECT_EQ(cropFrames(doc, *d.overlays, {70, 10, 90, 20}), 0);
    EXPECT_EQ(cropFrames(doc, *d.overlays, {-5, -5, -1, 30}), 0);
    EXPECT_FALSE(doc.canUndo());
    // partly outside: clipped to the frame
    EXPECT_EQ(cropFrames(doc, *d.overlays, {40, -10, 200, 20}), 1);
    EXPECT_EQ(doc.frameAt(0)->width(), 24);
    EXPECT_EQ(doc.frameAt(0)->height(), 21);
    // one pixel is still a frame
    EXPECT_EQ(cropFrames(doc, *d.overlays, {3, 3, 3, 3}), 1);
    EXPECT_EQ(doc.frameAt(0)->width(), 1);
}

TEST(SelectionCommands, RoiBitmapHoldsTheBoxWithUnselectedPixelsAtZero) {
    OverlayDocument d(1, 32, 32);
    ImageBuffer& frame = *d.doc.frameAt(0);
    EXPECT_TRUE(roiBitmap(frame).empty());
    ASSERT_EQ(frame.selectRectangle({4, 4, 13, 9}), 1);
    ASSERT_EQ(frame.differenceSelection({8, 4, 9, 9}), 1); // two columns out of the middle
    const std::vector<uint8_t> dib = roiBitmap(frame);
    ASSERT_FALSE(dib.empty());
    const auto le32 = [&](size_t at) { return uint32_t(dib[at]) | uint32_t(dib[at + 1]) << 8 | uint32_t(dib[at + 2]) << 16; };
    EXPECT_EQ(le32(4), 10u); // the selection's box
    EXPECT_EQ(le32(8), 6u);
    EXPECT_EQ(dib[14], 8);
    const size_t bits = 40 + 1024, stride = 12;
    // rows are bottom-up; the frame's value is 40 where selected
    const uint8_t* topRow = &dib[bits + 5 * stride];
    EXPECT_EQ(topRow[0], 40);
    EXPECT_EQ(topRow[3], 40);
    EXPECT_EQ(topRow[4], 0);
    EXPECT_EQ(topRow[5], 0);
    EXPECT_EQ(topRow[6], 40);
    EXPECT_EQ(topRow[9], 40);
}
