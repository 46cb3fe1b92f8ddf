// The overlay tools driven by the mouse messages the view hands them.
#include <gtest/gtest.h>

#include "overlay_test_support.h"
#include "view/annotation_tools.h"
#include "view/crop_panel.h"
#include "view/crop_tool.h"
#include "view/measure_tools.h"
#include "view/selection_tool.h"

using namespace veltor;
using namespace veltor::testing;

namespace {

// A pane point over a frame shown at (0, 0) with no scrolling.
ToolInput at(int32_t x, int32_t y, float zoom = 1.0f, KeyModifiers m = {}, int32_t size = 100) {
    ToolInput in;
    in.pane = {x, y};
    in.image = {int32_t(float(x) / zoom), int32_t(float(y) / zoom)};
    const int32_t shown = int32_t(float(size) * zoom);
    in.overImage = x > 0 && y > 0 && x < shown && y < shown;
    in.modifiers = m;
    in.zoom = zoom;
    in.imageRect = {0, 0, shown, shown};
    return in;
}

} // namespace

TEST(OverlayTools, LengthAndAnglePlacement) {
    OverlayDocument d(1, 100, 100);
    MeasureLengthTool length(*d.overlays);
    int notices = 0, finished = 0;
    length.setListener([&](bool done) {
        ++notices;
        finished += done ? 1 : 0;
    });
    EXPECT_FALSE(length.buttonDown(at(0, 50))); // outside the image
    ASSERT_TRUE(length.buttonDown(at(10, 20)));
    length.buttonUp(at(10, 20));
    length.hover(at(40, 20)); // the second point follows the cursor between clicks
    EXPECT_EQ(length.points()[1], (ViewPoint{40, 20}));
    EXPECT_EQ(length.liveLabel(), "31mm");
    ASSERT_TRUE(length.buttonDown(at(29, 20)));
    EXPECT_TRUE(d.level().lengths.empty()); // stored on the release
    length.buttonUp(at(29, 20));
    ASSERT_EQ(d.level().lengths.size(), 1u);
    const LengthMeasurement& m = d.level().lengths[0];
    EXPECT_EQ(m.label, "20mm");
    EXPECT_EQ(m.colour, d.doc.distanceColor());
    EXPECT_EQ(m.lineWidth, 2);
    EXPECT_EQ(m.font.charSet, kLabelCharSet);
    EXPECT_EQ(m.labelBox, (OverlayBox{0, 23, 28, 16})); // left of the first point, raised to 0, and below it
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(length.placing());

    // another tool chosen mid-way abandons the placement
    ASSERT_TRUE(length.buttonDown(at(50, 50)));
    length.buttonUp(at(50, 50));
    length.deactivated();
    EXPECT_FALSE(length.placing());
    EXPECT_EQ(d.level().lengths.size(), 1u);

    MeasureAngleTool angle(*d.overlays);
    for (ViewPoint p : {ViewPoint{10, 10}, ViewPoint{20, 10}}) {
        ASSERT_TRUE(angle.buttonDown(at(p.x, p.y)));
        angle.buttonUp(at(p.x, p.y));
    }
    angle.hover(at(20, 0));
    EXPECT_EQ(angle.liveLabel(), "45.00\xC2\xB0");
    ASSERT_TRUE(angle.buttonDown(at(10, 0)));
    angle.buttonUp(at(10, 0));
    ASSERT_EQ(d.level().angles.size(), 1u);
    EXPECT_EQ(d.level().angles[0].label, "90.00\xC2\xB0");
    EXPECT_EQ(d.level().angles[0].labelBox, (OverlayBox{13, 13, 49, 16})); // right of and below the vertex
}

TEST(OverlayTools, MovingAndDeletingAnnotations) {
    OverlayDocument d(1, 100, 100);
    d.overlays->addAnnotation(0, d.annotation("abc", 20, 20));
    MoveAnnotationTool move(*d.overlays);
    EXPECT_FALSE(move.buttonDown(at(80, 80, 2.0f))); // nothing there
    struct Case {
        KeyModifiers keys;
        ViewPoint box;
    };
    // at zoom 2 a drag of (31, 21) pane pixels moves by (15, 10) image pixels
    const Case cases[] = {{{}, {35, 30}}, {{true, false}, {35, 40}}, {{false, true}, {50, 40}}, {{true, true}, {50, 40}}};
    for (const Case& c : cases) {
        const OverlayBox before = d.level().annotations[0].box;
        const ToolInput press = at(before.x * 2 + 2, before.y * 2 + 2, 2.0f);
        ASSERT_TRUE(move.buttonDown(press));
        const ToolInput release = at(press.pane.x + 31, press.pane.y + 21, 2.0f, c.keys);
        move.mouseMove(release);
        EXPECT_EQ(move.draggedIndex(), 0);
        move.buttonUp(release);
        EXPECT_FALSE(move.dragging());
        EXPECT_EQ((ViewPoint{d.level().annotations[0].box.x, d.level().annotations[0].box.y}), c.box);
    }
    // while dragging, the text shows at its new place but never left of the image
    ASSERT_TRUE(move.buttonDown(at(102, 82, 2.0f)));
    move.mouseMove(at(-20, 82, 2.0f));
    EXPECT_EQ(move.dragPosition(), (ViewPoint{0, 80}));
    move.deactivated();
    EXPECT_FALSE(move.dragging());

    DeleteAnnotationTool erase(*d.overlays);
    int deleted = 0;
    erase.setListener([&] { ++deleted; });
    d.overlays->addLength(0, d.overlays->makeLength({60, 90}, {10, 90}));
    const OverlayBox label = d.level().lengths[0].labelBox;
    EXPECT_FALSE(erase.buttonDown(at(label.x + 1, label.y + 1)));
    EXPECT_TRUE(d.level().lengths.empty());
    EXPECT_EQ(d.level().annotations.size(), 1u);
    erase.buttonDown(at(5, 5)); // nothing under the cursor
    EXPECT_EQ(deleted, 1);
}

TEST(OverlayTools, AnnotationTextToolPlacesTheClickedPoint) {
    OverlayDocument d(2, 100, 100);
    AnnotationTextTool text(*d.overlays);
    std::optional<ToolInput> asked;
    text.setRequest([&](const ToolInput& press) { asked = press; });
    EXPECT_FALSE(text.buttonDown(at(200, 200)));
    ASSERT_TRUE(text.buttonDown(at(30, 10)));
    text.buttonUp(at(30, 10));
    ASSERT_TRUE(asked);
    TextAnnotation a;
    a.text = std::string(80, 'x');
    EXPECT_EQ(text.placeNewAnnotation(*asked, a, true), 2);
    const TextAnnotation& placed = d.level(1).annotations[0];
    EXPECT_EQ(placed.text.size(), 64u);
    EXPECT_EQ(placed.box, (OverlayBox{30, 0, 64 * 7, 16})); // lower-left at the click, raised to the top edge
    a.text.clear();
    EXPECT_EQ(text.placeNewAnnotation(*asked, a, false), 0); // an empty line is not placed
}

TEST(OverlayTools, SelectionModesFromTheKeys) {
    OverlayDocument d(1, 100, 100);
    SelectionTool tool(d.doc);
    const auto drag = [&](ViewPoint a, ViewPoint b, KeyModifiers keys) {
        ASSERT_TRUE(tool.buttonDown(at(a.x, a.y, 1.0f, keys)));
        tool.mouseMove(at(b.x, b.y, 1.0f, keys));
        tool.buttonUp(at(b.x, b.y, 1.0f, keys));
    };
    const SelectionRegion& sel = *d.doc.frameAt(0)->selection();
    // Ctrl with no selection: nothing, and no undo step
    drag({10, 10}, {50, 50}, {false, true});
    EXPECT_FALSE(sel.hasOutline());
    EXPECT_FALSE(d.doc.canUndo());
    // from (50, 50) to (10, 10): the rectangle 10..50 both ways, outline included
    drag({50, 50}, {10, 10}, {});
    EXPECT_EQ(sel.boundingBox(), (ImageRect{10, 10, 51, 51}));
    EXPECT_EQ(sel.area(), 41 * 41);
    drag({40, 40}, {70, 60}, {true, false}); // union
    EXPECT_TRUE(sel.selected(65, 55));
    drag({0, 0}, {30, 99}, {false, true}); // difference
    EXPECT_FALSE(sel.selected(20, 20));
    drag({45, 45}, {99, 99}, {true, true}); // intersection
    EXPECT_FALSE(sel.selected(35, 35));
    EXPECT_TRUE(sel.selected(60, 55));
    // a drag past the frame is clipped to it
    drag({90, 90}, {400, 300}, {});
    EXPECT_EQ(sel.boundingBox(), (ImageRect{90, 90, 100, 100}));
    // each change is one undo step
    d.doc.undo();
    EXPECT_TRUE(sel.selected(60, 55));
    EXPECT_FALSE(sel.selected(95, 95));
}

TEST(OverlayTools, CropHandlesAndLimits) {
    const ImageRect r{100, 100, 200, 160};
    struct Case {
        ViewPoint p;
        CropHandle h;
    };
    const Case cases[] = {
        {{102, 102}, CropHandle::TopLeft},     {{147, 101}, CropHandle::Top},    {{152, 101}, CropHandle::Top},
        {{153, 101}, CropHandle::Inside},      {{198, 103}, CropHandle::TopRight}, {{101, 128}, CropHandle::Left},
        {{199, 132}, CropHandle::Right},       {{105, 155}, CropHandle::BottomLeft}, {{150, 160}, CropHandle::Bottom},
        {{200, 160}, CropHandle::BottomRight}, {{150, 130}, CropHandle::Inside}, {{106, 106}, CropHandle::Inside},
        {{99, 130}, CropHandle::Outside},      {{150, 161}, CropHandle::Outside},
    };
    for (const Case& c : cases) EXPECT_EQ(classifyCropPoint(r, c.p), c.h) << c.p.x << "," << c.p.y;

    // handles move their edges by the drag over the zoom, kept 10 apart and on the frame
    EXPECT_EQ(dragCropHandle(r, CropHandle::TopLeft, {20, 40}, 2.0f, 512, 512), (ImageRect{90, 80, 200, 160}));
    EXPECT_EQ(dragCropHandle(r, CropHandle::Left, {-500, 0}, 1.0f, 512, 512), (ImageRect{190, 100, 200, 160}));
    EXPECT_EQ(dragCropHandle(r, CropHandle::BottomRight, {-900, -900}, 1.0f, 512, 512), (ImageRect{100, 100, 511, 511}));
    EXPECT_EQ(dragCropHandle(r, CropHandle::Top, {0, 900}, 1.0f, 512, 512), (ImageRect{100, 0, 200, 160}));
    // a move keeps the size and stops at the edges
    EXPECT_EQ(moveCropRect(r, {30, -10}, 1.0f, 512, 512), (ImageRect{70, 110, 170, 170}));
    EXPECT_EQ(moveCropRect(r, {500, 0}, 1.0f, 512, 512), (ImageRect{0, 100, 100, 160}));
    EXPECT_EQ(moveCropRect(r, {-900, -900}, 1.0f, 512, 512), (ImageRect{411, 451, 511, 511}));
    // new rectangles must span more than 9 pixels both ways
    EXPECT_FALSE(acceptableNewCropRect({0, 0, 9, 50}));
    EXPECT_TRUE(acceptableNewCropRect({0, 0, 10, 10}));
}

TEST(OverlayTools, CropToolGestures) {
    OverlayDocument d(1, 100, 100);
    CropTool crop(d.doc, *d.overlays);
    // a band of 9 pixels is discarded, one of 10 stays
    ASSERT_TRUE(crop.buttonDown(at(20, 20)));
    crop.mouseMove(at(29, 60));
    crop.buttonUp(at(29, 60));
    EXPECT_FALSE(crop.shown());
    ASSERT_TRUE(crop.buttonDown(at(20, 20)));
    crop.buttonUp(at(70, 60));
    ASSERT_TRUE(crop.shown());
    EXPECT_EQ(crop.rect(), (ImageRect{20, 20, 70, 60}));
    // the right button moves it until it stops at an edge
    ASSERT_TRUE(crop.rightButtonDown(at(45, 40)));
    crop.mouseMove(at(35, 40));
    EXPECT_EQ(crop.rect(), (ImageRect{10, 20, 60, 60}));
    crop.rightButtonUp(at(35, 40));
    EXPECT_FALSE(crop.rightButtonDown(at(11, 21))); // on a handle
    // a corner handle, then Escape
    ASSERT_TRUE(crop.buttonDown(at(58, 58)));
    crop.mouseMove(at(68, 78));
    crop.buttonUp(at(68, 78));
    EXPECT_EQ(crop.rect(), (ImageRect{10, 20, 70, 80}));
    EXPECT_TRUE(crop.escape());
    EXPECT_FALSE(crop.shown());
    EXPECT_FALSE(crop.escape());
    // a click inside crops with one history entry; outside removes the rectangle
    crop.setRect({10, 20, 70, 80});
    EXPECT_FALSE(crop.buttonDown(at(95, 95)));
    EXPECT_FALSE(crop.shown());
    crop.setRect({10, 20, 70, 80});
    EXPECT_FALSE(crop.buttonDown(at(40, 50)));
    EXPECT_FALSE(crop.shown());
    EXPECT_EQ(d.doc.frameAt(0)->width(), 61);
    EXPECT_EQ(d.doc.frameAt(0)->height(), 61);
    EXPECT_EQ(d.doc.frameHistory().frame(0)->entries.size(), 1u);
}

TEST(OverlayTools, CropPanelValidation) {
    CropPanelModel p;
    p.setLimits(511, 255);
    p.show({300, 200, 100, 400}); // swapped and clamped
    EXPECT_EQ(p.rect(), (ImageRect{100, 200, 300, 255}));
    EXPECT_EQ(p.size(CropAxis::X), 201);
    EXPECT_EQ(p.size(CropAxis::Y), 56);
    EXPECT_TRUE(p.setSize(CropAxis::X, 50));
    EXPECT_EQ(p.end(CropAxis::X), 149);
    EXPECT_FALSE(p.setSize(CropAxis::X, 0));   // not positive
    EXPECT_FALSE(p.setSize(CropAxis::X, 413)); // would leave the frame
    EXPECT_EQ(p.end(CropAxis::X), 149);
    EXPECT_TRUE(p.setSize(CropAxis::X, 412));
    EXPECT_TRUE(p.setStart(CropAxis::Y, 190)); // moves, keeping the size
    EXPECT_EQ(p.end(CropAxis::Y), 245);
    EXPECT_FALSE(p.setStart(CropAxis::Y, 201)); // would leave the frame
    EXPECT_FALSE(p.setStart(CropAxis::Y, -1));
    EXPECT_TRUE(p.setEnd(CropAxis::Y, 198));
    EXPECT_EQ(p.size(CropAxis::Y), 9);
    EXPECT_FALSE(p.setStart(CropAxis::Y, 191)); // below 10 pixels: held
    p.setFixedSize(true);
    EXPECT_FALSE(p.setSize(CropAxis::X, 20));
    EXPECT_FALSE(p.setEnd(CropAxis::X, 300));
    p.show({5, 5, 5, 5});
    EXPECT_EQ(p.size(CropAxis::X), 0);
    p.clear();
    EXPECT_FALSE(p.setStart(CropAxis::X, 1));
}
