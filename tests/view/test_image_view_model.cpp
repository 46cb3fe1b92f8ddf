// The image view model driven as the widget drives it: zoom commands and
// keys, the wheel, the zoom tools' gestures, the history round trips,
// panning, scroll keys, autoscroll, tool dispatch and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fake_view_document.h"
#include "view/image_view_model.h"

using namespace veltor;
using veltor::testing::FakeViewDocument;

namespace {

// A 512 x 512 image in a 700 x 600 pane: centred at (94, 44) at zoom 1.
struct ViewModelTest : ::testing::Test {
    FakeViewDocument doc;
    UserOptions options;
    ImageViewModel view{doc, options};
    std::vector<uint32_t> changes;

    ViewModelTest() {
        view.setChangeCallback([this](uint32_t c) { changes.push_back(c); });
        view.setPaneSize({700, 600});
    }
    bool notified(uint32_t flag) const {
        for (uint32_t c : changes)
            if (c & flag) return true;
        return false;
    }
    void click(ViewPoint p, KeyModifiers m = {}) {
        view.leftButtonDown(p, m);
        view.leftButtonUp(p, m);
    }
    void drag(ViewPoint from, ViewPoint to) {
        view.leftButtonDown(from, {});
        view.mouseMove(to, {});
        view.leftButtonUp(to, {});
    }
    // Where an image pixel shows in the pane.
    ViewPoint onPane(ViewPoint image) const {
        const ViewPoint c = view.imageToPane(image);
        return {c.x - view.scrollPosition().x, c.y - view.scrollPosition().y};
    }
};

TEST_F(ViewModelTest, ASmallImageIsCentredWithoutScrolling) {
    EXPECT_EQ(view.imageRect(), (ViewRect{94, 44, 606, 556}));
    EXPECT_EQ(view.scrollRange().total, (ViewSize{100, 100}));
    EXPECT_EQ(view.imagePointAt({350, 300}), (ViewPoint{256, 256}));
    EXPECT_EQ(view.paintPlan().margins.size(), 4u);
    EXPECT_EQ(view.backgroundColour(), rgbColour(0, 70, 100));
}

TEST_F(ViewModelTest, ZoomLimitsFitsThePaneAndRecordsIt) {
    ASSERT_TRUE(view.zoomLimits());
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.16796875f);
    EXPECT_EQ(view.displayedSize(), (ViewSize{598, 598})); // trunc(1.16796875 x 512 + 0.5)
    EXPECT_EQ(view.imageRect(), (ViewRect{51, 1, 649, 599}));
    EXPECT_EQ(view.zoomHistory().count(), 2);
    EXPECT_TRUE(notified(ViewChange::Zoom));
    // The fit zoom is a zoom box entry too.
    doc.zoomValue = 3.0f;
    ASSERT_TRUE(view.zoomBoxEntry("fit"));
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.16796875f);
}

TEST_F(ViewModelTest, OpeningFitsOnlyAnImageLargerThanThePane) {
    EXPECT_FALSE(view.fitIfLargerThanPane());
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    view.setPaneSize({400, 700});
    ASSERT_TRUE(view.fitIfLargerThanPane());
    EXPECT_FLOAT_EQ(doc.zoomValue, 0.77734375f); // 398 / 512
    EXPECT_EQ(view.scrollRange().total, (ViewSize{100, 100}));
}

TEST_F(ViewModelTest, ZoomKeysFollowTheRoundingAndTheLimits) {
    doc.zoomValue = 1.04f;
    ASSERT_TRUE(view.zoomKey(ZoomKey::In));
    EXPECT_NEAR(doc.zoomValue, 1.1f, 1e-6);
    doc.zoomValue = 7.95f;
    ASSERT_TRUE(view.zoomKey(ZoomKey::In));
    EXPECT_FLOAT_EQ(doc.zoomValue, 8.0f);
    EXPECT_FALSE(view.zoomKey(ZoomKey::In));
    doc.zoomValue = 0.2f;
    const int entries = view.zoomHistory().count();
    EXPECT_FALSE(view.zoomKey(ZoomKey::Out));
    EXPECT_EQ(view.zoomHistory().count(), entries);
    // "/" acts only away from 1.0; the Zoom Normal command always.
    doc.zoomValue = 1.0f;
    EXPECT_FALSE(view.zoomKey(ZoomKey::Normal));
    doc.zoomValue = 2.5f;
    EXPECT_TRUE(view.zoomKey(ZoomKey::Normal));
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    EXPECT_TRUE(view.zoomNormal());
}

TEST_F(ViewModelTest, TheWheelZoomsOnlyWithTheSettingAndNoButtonHeld) {
    EXPECT_EQ(view.wheelNotch(true, false), WheelAction::Scroll);
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    options.setUseMButton(true);
    EXPECT_EQ(view.wheelNotch(true, true), WheelAction::Scroll);
    EXPECT_EQ(view.wheelNotch(true, false), WheelAction::Zoomed);
    EXPECT_NEAR(doc.zoomValue, 1.1f, 1e-6);
    doc.zoomValue = 0.3f;
    EXPECT_EQ(view.wheelNotch(false, false), WheelAction::Ignored);
    EXPECT_FLOAT_EQ(doc.zoomValue, 0.3f);
}

TEST_F(ViewModelTest, TenWheelNotchesAreOneHistoryEntry) {
    options.setUseMButton(true);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(view.wheelNotch(true, false), WheelAction::Zoomed);
    EXPECT_NEAR(doc.zoomValue, 2.0f, 1e-5);
    EXPECT_EQ(view.zoomHistory().count(), 2);
    ASSERT_TRUE(view.previousZoom());
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    EXPECT_FALSE(view.canPreviousZoom());
    ASSERT_TRUE(view.nextZoom());
    EXPECT_NEAR(doc.zoomValue, 2.0f, 1e-5);
}

TEST_F(ViewModelTest, HistoryRoundTripsRestoreZoomAndScrollExactly) {
    ASSERT_TRUE(view.zoomBoxEntry("200.00%"));
    view.scrollTo({150, 200});
    ASSERT_TRUE(view.zoomKey(ZoomKey::In)); // 2.1 at (150, 200)
    view.scrollTo({300, 400});
    ASSERT_TRUE(view.zoomKey(ZoomKey::Out)); // 2.0 at (300, 400)
    ASSERT_EQ(view.zoomHistory().count(), 4);

    ASSERT_TRUE(view.previousZoom());
    EXPECT_NEAR(doc.zoomValue, 2.1f, 1e-6);
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{150, 200}));
    ASSERT_TRUE(view.previousZoom());
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{0, 0}));
    ASSERT_TRUE(view.nextZoom());
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{150, 200}));
    ASSERT_TRUE(view.previousZoom());
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{0, 0}));
    ASSERT_TRUE(view.nextZoom());
    ASSERT_TRUE(view.nextZoom());
    EXPECT_FLOAT_EQ(doc.zoomValue, 2.0f);
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{300, 400}));
    EXPECT_FALSE(view.nextZoom());
}

TEST_F(ViewModelTest, ZoomInOutKeepsTheClickedPixelUnderTheCursor) {
    ASSERT_TRUE(view.setTool(ViewTool::ZoomInOut));
    view.leftButtonDown({350, 300}, {});
    // While the button is down the range is 100 x 100 and the layout anchored.
    EXPECT_TRUE(view.mouseDown());
    EXPECT_EQ(view.scrollRange().total, (ViewSize{100, 100}));
    EXPECT_EQ(view.imagePointAt({350, 300}), (ViewPoint{256, 256}));
    view.leftButtonUp({350, 300}, {});
    EXPECT_FALSE(view.mouseDown());
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.5f);
    EXPECT_EQ(view.scrollRange().total, (ViewSize{768, 768}));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{34, 84}));
    EXPECT_EQ(view.imagePointAt({350, 300}), (ViewPoint{256, 256}));
    EXPECT_EQ(view.zoomHistory().count(), 2);
}

TEST_F(ViewModelTest, ZoomInOutWithCtrlOrTheRightButtonZoomsOut) {
    doc.zoomValue = 2.0f;
    view.updateScrollRange();
    ASSERT_TRUE(view.setTool(ViewTool::ZoomInOut));
    click({350, 300}, {false, true});
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.5f);
    view.rightButtonDown({350, 300}, {});
    EXPECT_EQ(view.rightButtonUp({350, 300}, {}), ContextMenuKind::None);
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    // Right button with Ctrl zooms in.
    view.rightButtonDown({350, 300}, {false, true});
    view.rightButtonUp({350, 300}, {});
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.5f);
}

TEST_F(ViewModelTest, AZoomInClickAt7Point8Stores8) {
    doc.zoomValue = 7.8f;
    view.updateScrollRange();
    ASSERT_TRUE(view.setTool(ViewTool::ZoomInOut));
    click({350, 300});
    EXPECT_FLOAT_EQ(doc.zoomValue, 8.0f);
}

TEST_F(ViewModelTest, ZoomDynamicFollowsVerticalMovesOverTheImage) {
    ASSERT_TRUE(view.setTool(ViewTool::ZoomDynamic));
    view.leftButtonDown({350, 300}, {});
    view.mouseMove({350, 280}, {});
    EXPECT_NEAR(doc.zoomValue, 1.3f, 1e-6);
    EXPECT_TRUE(notified(ViewChange::RepaintImageOnly));
    view.mouseMove({350, 290}, {});
    EXPECT_NEAR(doc.zoomValue, 1.15f, 1e-6);
    // Outside the image the zoom holds.
    view.mouseMove({2, 2}, {});
    EXPECT_NEAR(doc.zoomValue, 1.15f, 1e-6);
    view.leftButtonUp({2, 2}, {});
    EXPECT_EQ(view.zoomHistory().count(), 2);
    EXPECT_EQ(view.imagePointAt({350, 300}), (ViewPoint{256, 256}));
    // A press outside the image starts nothing.
    view.leftButtonDown({2, 2}, {});
    EXPECT_FALSE(view.mouseDown());
}

TEST_F(ViewModelTest, AZoomWindowFillsThePaneWithTheRegionCentred) {
    ASSERT_TRUE(view.setTool(ViewTool::ZoomWindow));
    view.leftButtonDown({94 + 200, 44 + 100}, {});
    EXPECT_TRUE(view.zoomWindowActive());
    view.mouseMove({94 + 300, 44 + 150}, {});
    EXPECT_EQ(view.zoomBand(), (ViewRect{294, 144, 394, 194}));
    view.bandTick();
    EXPECT_EQ(view.bandPhase(), 1);
    // The zoom keys are ignored while the band is dragged.
    EXPECT_FALSE(view.zoomKey(ZoomKey::In));
    view.leftButtonUp({94 + 300, 44 + 150}, {});
    EXPECT_FALSE(view.zoomWindowActive());
    EXPECT_FLOAT_EQ(doc.zoomValue, 7.0f);
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{1400, 575}));
    // The region's corners lie symmetrically in the pane.
    EXPECT_EQ(onPane({200, 100}), (ViewPoint{0, 125}));
    EXPECT_EQ(onPane({300, 150}), (ViewPoint{700, 475}));
    EXPECT_EQ(view.zoomHistory().count(), 2);
}

TEST_F(ViewModelTest, AZoomWindowClickWithoutMovingLeavesTheZoom) {
    ASSERT_TRUE(view.setTool(ViewTool::ZoomWindow));
    click({300, 300});
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
    EXPECT_EQ(view.zoomHistory().count(), 1);
    EXPECT_FALSE(view.zoomWindowActive());
}

TEST_F(ViewModelTest, TheBandPhaseWrapsAtTwelve) {
    ASSERT_TRUE(view.setTool(ViewTool::ZoomWindow));
    view.leftButtonDown({300, 300}, {});
    for (int i = 0; i < 13; ++i)
        view.bandTick();
    EXPECT_EQ(view.bandPhase(), 1);
}

TEST_F(ViewModelTest, PanningScrollsOnlyTheAxisThatExceedsThePane) {
    view.setPaneSize({400, 700}); // 512 wide exceeds 400, 512 high fits 700
    EXPECT_EQ(view.scrollRange().total, (ViewSize{512, 100}));
    view.mouseMove({200, 300}, {});
    view.leftButtonDown({200, 300}, {});
    EXPECT_EQ(view.cursorAt({200, 300}, {}), ViewCursor::Grabbing);
    view.mouseMove({170, 280}, {});
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{30, 0}));
    view.mouseMove({100, 250}, {});
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{100, 0}));
    view.mouseMove({0, 0}, {}); // would pass the end: limited to 512 - 400
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{112, 0}));
    view.leftButtonUp({0, 0}, {});
    view.mouseMove({300, 300}, {});
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{112, 0}));
    EXPECT_EQ(view.cursorAt({300, 300}, {}), ViewCursor::Cross);
    EXPECT_EQ(view.cursorAt({2, 2}, {}), ViewCursor::Arrow);
}

TEST_F(ViewModelTest, ScrollKeysMoveByTenOrOneAndJumpToTheEnds) {
    view.setPaneSize({400, 700});
    EXPECT_FALSE(view.scrollKey(ScrollKey::Left, false)); // already at 0
    EXPECT_TRUE(view.scrollKey(ScrollKey::Right, false));
    EXPECT_TRUE(view.scrollKey(ScrollKey::Right, true));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{11, 0}));
    EXPECT_TRUE(view.scrollKey(ScrollKey::Left, true));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{10, 0}));
    EXPECT_TRUE(view.scrollKey(ScrollKey::End, false));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{112, 0}));
    EXPECT_FALSE(view.scrollKey(ScrollKey::End, false));
    EXPECT_FALSE(view.scrollKey(ScrollKey::PageDown, false)); // fits vertically
    EXPECT_FALSE(view.scrollKey(ScrollKey::Down, false));
    EXPECT_TRUE(view.scrollKey(ScrollKey::Home, false));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{0, 0}));
    // Only the Pan Hand tool scrolls with the keys.
    ASSERT_TRUE(view.setTool(ViewTool::ZoomInOut));
    EXPECT_FALSE(view.scrollKey(ScrollKey::Right, false));
}

TEST_F(ViewModelTest, AnotherViewsZoomIsPickedUpWhenTheDocumentChanges) {
    doc.zoomValue = 2.0f; // set through another view of the document
    view.documentChanged();
    EXPECT_EQ(view.imageRect(), (ViewRect{0, 0, 1024, 1024}));
    EXPECT_EQ(view.scrollRange().total, (ViewSize{1024, 1024}));
    doc.frames = {{512, 512}, {100, 50}};
    doc.current = 1;
    view.documentChanged();
    EXPECT_EQ(view.imageRect(), (ViewRect{250, 250, 450, 350}));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{0, 0}));
}

TEST_F(ViewModelTest, SingleFrameResetsTheScrollPosition) {
    doc.zoomValue = 3.0f;
    view.updateScrollRange();
    view.scrollTo({500, 600});
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{500, 600}));
    view.resetScroll();
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{0, 0}));
}

TEST_F(ViewModelTest, MiddleButtonAutoscrollStepsTowardTheCursor) {
    // Fits: no marker.
    EXPECT_FALSE(view.middleButtonDown({300, 300}));
    view.setPaneSize({400, 700});
    ASSERT_TRUE(view.middleButtonDown({200, 300}));
    EXPECT_EQ(view.autoscrollMarker().box, (ViewRect{186, 286, 215, 315}));
    EXPECT_EQ(view.autoscrollMarker().axes(), AutoscrollAxes::Horizontal);
    EXPECT_FALSE(view.autoscrollTick({200, 400})); // inside on x; y cannot scroll
    EXPECT_TRUE(view.autoscrollTick({220, 300}));  // 5 past the edge: 6
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{6, 0}));
    EXPECT_TRUE(view.autoscrollTick({215, 300})); // on the edge: 1
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{7, 0}));
    EXPECT_TRUE(view.autoscrollTick({186, 300}));
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{6, 0}));
    for (int i = 0; i < 100; ++i)
        view.autoscrollTick({399, 300});
    EXPECT_EQ(view.scrollPosition(), (ViewPoint{112, 0})); // limited to the range
    // A wheel notch closes the marker.
    view.wheelNotch(true, false);
    EXPECT_FALSE(view.autoscrollActive());
    EXPECT_FALSE(view.autoscrollTick({399, 300}));
}

TEST_F(ViewModelTest, NoAutoscrollDuringAGestureOrAMovie) {
    view.setPaneSize({400, 700});
    view.leftButtonDown({200, 300}, {});
    EXPECT_FALSE(view.middleButtonDown({200, 300}));
    view.leftButtonUp({200, 300}, {});
    doc.frames = {{512, 512}, {512, 512}};
    ASSERT_TRUE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_FALSE(view.middleButtonDown({200, 300}));
}

// Records what the view hands to a tool of another module.
struct RecordingTool : ViewToolHandler {
    std::vector<char> calls;
    ToolInput last;
    bool onlyOverImage = true;
    bool buttonDown(const ToolInput& in) override {
        last = in;
        if (onlyOverImage && !in.overImage) return false;
        calls.push_back('d');
        return true;
    }
    void mouseMove(const ToolInput& in) override {
        last = in;
        calls.push_back('m');
    }
    void buttonUp(const ToolInput& in) override {
        last = in;
        calls.push_back('u');
    }
    void deactivated() override { calls.push_back('x'); }
};

TEST_F(ViewModelTest, ToolsWithoutBehaviourCannotBeChosen) {
    EXPECT_FALSE(view.toolAvailable(ViewTool::MeasureLength));
    EXPECT_FALSE(view.setTool(ViewTool::MeasureLength));
    EXPECT_FALSE(view.setTool(ViewTool::Movie)); // only playback sets it
    EXPECT_EQ(view.tool(), ViewTool::PanHand);
    EXPECT_TRUE(view.toolAvailable(ViewTool::ZoomDynamic));
}

TEST_F(ViewModelTest, ARegisteredToolReceivesItsGesture) {
    RecordingTool tool;
    view.setToolHandler(ViewTool::MeasureLength, &tool);
    ASSERT_TRUE(view.setTool(ViewTool::MeasureLength));
    view.mouseMove({5, 5}, {});
    click({2, 2}); // outside the image: the tool declines
    EXPECT_TRUE(tool.calls.empty());
    view.leftButtonDown({350, 300}, {true, false});
    EXPECT_EQ(tool.last.image, (ViewPoint{256, 256}));
    EXPECT_EQ(view.imagePointUnderCursor(), (ViewPoint{256, 256}));
    EXPECT_TRUE(tool.last.modifiers.shift);
    view.mouseMove({360, 300}, {});
    view.leftButtonUp({370, 300}, {});
    EXPECT_EQ(tool.last.image, (ViewPoint{276, 256}));
    view.mouseMove({380, 300}, {}); // after the release: not the tool's
    ASSERT_TRUE(view.setTool(ViewTool::PanHand));
    EXPECT_EQ(tool.calls, (std::vector<char>{'d', 'm', 'u', 'x'}));
    // Removing the handler of the active tool falls back to Pan Hand.
    ASSERT_TRUE(view.setTool(ViewTool::MeasureLength));
    view.setToolHandler(ViewTool::MeasureLength, nullptr);
    EXPECT_EQ(view.tool(), ViewTool::PanHand);
}

TEST_F(ViewModelTest, ContextMenusFollowTheTool) {
    EXPECT_EQ(view.rightButtonUp({350, 300}, {}), ContextMenuKind::Selection);
    ASSERT_TRUE(view.setTool(ViewTool::ZoomWindow));
    EXPECT_EQ(view.rightButtonUp({350, 300}, {}), ContextMenuKind::None);
    EXPECT_EQ(contextMenuFor(ViewTool::MeasureAngle), ContextMenuKind::HitItem);
    EXPECT_EQ(contextMenuFor(ViewTool::DeleteAnnotation), ContextMenuKind::None);
}

TEST_F(ViewModelTest, WithoutAnImageEverythingIsPassedOn) {
    doc.frames.clear();
    view.updateScrollRange();
    EXPECT_FALSE(view.hasImage());
    EXPECT_FALSE(view.zoomLimits());
    EXPECT_FALSE(view.zoomNormal());
    EXPECT_FALSE(view.zoomKey(ZoomKey::In));
    EXPECT_FALSE(view.zoomBoxEntry("150%"));
    EXPECT_FALSE(view.setTool(ViewTool::ZoomInOut));
    EXPECT_EQ(view.wheelNotch(true, false), WheelAction::Scroll);
    click({350, 300});
    EXPECT_FALSE(view.mouseDown());
    EXPECT_TRUE(view.paintPlan().margins.empty());
    EXPECT_FALSE(view.isOverImage({350, 300}));
    EXPECT_FALSE(view.stepFrame(FrameStep::Next));
    EXPECT_FALSE(view.movieCommand(CineDirection::Forward, 0.0));
    EXPECT_FLOAT_EQ(doc.zoomValue, 1.0f);
}

TEST_F(ViewModelTest, BadZoomsAndPanesGiveDefinedResults) {
    // A zoom that never went through the clamp is read as clamped; NaN as 1.
    doc.zoomValue = std::nanf("");
    EXPECT_FLOAT_EQ(view.zoom(), 1.0f);
    ASSERT_TRUE(view.zoomKey(ZoomKey::In));
    EXPECT_NEAR(doc.zoomValue, 1.1f, 1e-6);
    doc.zoomValue = 1000.0f;
    EXPECT_FLOAT_EQ(view.zoom(), 8.0f);
    EXPECT_FALSE(view.zoomBoxEntry("nan%"));
    ASSERT_TRUE(view.zoomBoxEntry("100000%"));
    EXPECT_FLOAT_EQ(doc.zoomValue, 8.0f);

    view.setPaneSize({0, 0});
    ASSERT_TRUE(view.zoomLimits());
    EXPECT_FLOAT_EQ(doc.zoomValue, 0.2f);
    view.setPaneSize({-5, -5});
    EXPECT_EQ(view.paneSize(), (ViewSize{0, 0}));
    EXPECT_EQ(view.imagePointAt({10, 10}), (ViewPoint{50, 50})); // 10 / 0.2
    ASSERT_TRUE(view.setTool(ViewTool::ZoomWindow));
    view.leftButtonDown({10, 10}, {});
    view.leftButtonUp({10, 10}, {});
    EXPECT_FLOAT_EQ(doc.zoomValue, 0.2f);
}

} // namespace
