// The view model over the application's document: image size, the zoom
// setter's clamp, frame time and the header's frame time.
#include <gtest/gtest.h>

#include "view/image_view_model.h"
#include "view/video_speed_setup.h"

using namespace veltor;

namespace {

struct KelvoViewTest : ::testing::Test {
    MemorySettingsStore settings;
    UserOptions options;
    QuietDocumentUi ui;
    CKelvoDoc doc{settings, options, ui};
};

TEST_F(KelvoViewTest, AnEmptyDocumentHasNoImage) {
    KelvoViewDocument view(doc);
    EXPECT_FALSE(view.hasImage());
    EXPECT_DOUBLE_EQ(view.headerFrameTime(), 0.0);
    ImageViewModel model(view, options);
    model.setPaneSize({700, 600});
    EXPECT_FALSE(model.zoomLimits());
    EXPECT_FALSE(model.navigationEnables().allFrames);
}

TEST_F(KelvoViewTest, TheSampleShowsAtItsSizeAndTheZoomIsClampedOnTheWayIn) {
    ASSERT_TRUE(doc.openDocument(VELTOR_SAMPLE_FILE));
    KelvoViewDocument view(doc);
    ASSERT_TRUE(view.hasImage());
    EXPECT_EQ(view.imageWidth(), 256);
    EXPECT_EQ(view.imageHeight(), 256);
    ImageViewModel model(view, options);
    model.setPaneSize({700, 600});
    EXPECT_EQ(model.imageRect(), (ViewRect{222, 172, 478, 428}));
    ASSERT_TRUE(model.zoomBoxEntry("1000%"));
    EXPECT_FLOAT_EQ(doc.zoomFactor(), 8.0f);
    ASSERT_TRUE(model.zoomBoxEntry("5%"));
    EXPECT_FLOAT_EQ(doc.zoomFactor(), 0.2f);
    // One frame: no navigation, no movie.
    EXPECT_EQ(model.navigationEnables(), NavigationEnables{});
}

TEST_F(KelvoViewTest, TheSpeedDialogReadsAndWritesTheDocument) {
    ASSERT_TRUE(doc.openDocument(VELTOR_SAMPLE_FILE));
    KelvoViewDocument view(doc);
    VideoSpeedSetup dialog(view.frameTime(), view.headerFrameTime());
    EXPECT_EQ(dialog.frameTimeText(), "66.67");
    EXPECT_FALSE(dialog.fromHeaderEnabled()); // the CT slice has no frame time
    dialog.framesPerSecondTyped("25");
    view.setFrameTime(dialog.acceptedFrameTime());
    EXPECT_DOUBLE_EQ(doc.frameTime(), 40.0);
}

} // namespace
