// A document's overlays: the stores' levels, undo and redo in turn with image
// edits, hit-testing, the frame-wide commands and the default annotations.
#include <gtest/gtest.h>

#include "overlay_test_support.h"
#include "settings/settings_keys.h"
#include "view/overlay_store.h"

using namespace veltor;
using namespace veltor::testing;

TEST(OverlayStore, CopyOnWriteLevelsUndoRedoAndBase) {
    OverlayStore s;
    EXPECT_FALSE(s.canUndo());
    EXPECT_FALSE(s.canRedo());
    s.beginChange().annotations.push_back({});
    s.beginChange().annotations.push_back({});
    EXPECT_EQ(s.current().annotations.size(), 2u);
    EXPECT_EQ(s.activeLevels(), 3);
    ASSERT_TRUE(s.undo());
    EXPECT_EQ(s.current().annotations.size(), 1u);
    EXPECT_TRUE(s.canRedo());
    // a change drops what could be redone
    s.beginChange().lengths.push_back({});
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(s.storedLevels(), 3);
    EXPECT_EQ(s.current().annotations.size(), 1u);
    EXPECT_EQ(s.current().lengths.size(), 1u);
    ASSERT_TRUE(s.undo());
    ASSERT_TRUE(s.undo());
    EXPECT_TRUE(s.current().empty());
    EXPECT_FALSE(s.undo());
    ASSERT_TRUE(s.redo());
    // the base cannot be undone
    s.makeBase();
    EXPECT_EQ(s.current().annotations.size(), 1u);
    EXPECT_FALSE(s.canUndo());
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(s.undoDepth(), 0);
    EXPECT_EQ(s.editTotal(), 0);
}

TEST(DocumentOverlays, UndoAndRedoWalkOverlayAndImageEditsInOrder) {
    OverlayDocument d(1, 64, 64);
    ASSERT_TRUE(d.loaded);
    CKelvoDoc& doc = d.doc;
    EXPECT_FALSE(doc.canUndo());
    ASSERT_EQ(d.overlays->addAnnotation(0, d.annotation("first", 5, 5)), 0);
    ASSERT_EQ(doc.runImageCommand([](ImageBuffer& f) { return f.invert(); }), 1);
    ASSERT_EQ(d.overlays->addLength(0, d.overlays->makeLength({1, 1}, {20, 1})), 0);
    const FrameHistory::Frame* h = doc.frameHistory().frame(0);
    ASSERT_EQ(h->entries.size(), 3u);
    EXPECT_EQ(h->entries[0], FrameEditKind::Overlay);
    EXPECT_EQ(h->entries[1], FrameEditKind::Image);
    EXPECT_EQ(h->entries[2], FrameEditKind::Overlay);
    PixelValue v;
    doc.undo(); // the length
    EXPECT_TRUE(d.level().lengths.empty());
    EXPECT_EQ(d.level().annotations.size(), 1u);
    doc.undo(); // the image edit comes before the annotation
    ASSERT_TRUE(doc.frameAt(0)->sampleAt(0, 0, v));
    EXPECT_EQ(v.red, 40);
    EXPECT_EQ(d.level().annotations.size(), 1u);
    doc.undo();
    EXPECT_TRUE(d.level().empty());
    EXPECT_FALSE(doc.canUndo());
    doc.redo();
    doc.redo();
    ASSERT_TRUE(doc.frameAt(0)->sampleAt(0, 0, v));
    EXPECT_EQ(v.red, 255 - 40);
    EXPECT_EQ(d.level().annotations.size(), 1u);
    doc.redo();
    EXPECT_EQ(d.level().lengths.size(), 1u);
    EXPECT_FALSE(doc.canRedo());
    // an index out of range changes nothing and records nothing
    EXPECT_FALSE(d.overlays->replaceAnnotation(0, 5, d.annotation("x", 0, 0)));
    EXPECT_FALSE(d.overlays->remove(0, {OverlayKind::Angle, 0}));
    EXPECT_EQ(d.overlays->addAnnotation(7, d.annotation("x", 0, 0)), -1);
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 3u);
}

TEST(DocumentOverlays, HitTestingOrderAndLengthsFollowTheSpacing) {
    OverlayDocument d(1, 200, 200);
    d.overlays->addAnnotation(0, d.annotation("note", 10, 10)); // box 10..38 x 10..26
    AngleMeasurement angle = d.overlays->makeAngle({60, 60}, {90, 60}, {60, 30});
    angle.labelBox = {20, 20, 40, 16}; // overlaps the annotation
    d.overlays->addAngle(0, angle);
    LengthMeasurement length = d.overlays->makeLength({100, 100}, {150, 100});
    length.labelBox = {50, 20, 40, 16}; // overlaps the angle's label
    d.overlays->addLength(0, length);
    struct Case {
        ViewPoint p;
        OverlayHit hit;
    };
    const Case cases[] = {
        {{10, 10}, {OverlayKind::Annotation, 0}}, {{38, 26}, {OverlayKind::Annotation, 0}}, // edges inside
        {{39, 20}, {OverlayKind::Angle, 0}},      {{55, 30}, {OverlayKind::Angle, 0}},
        {{61, 30}, {OverlayKind::Length, 0}},     {{91, 30}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(d.overlays->hitTest(0, c.p), c.hit) << c.p.x << "," << c.p.y;

    // the label is made with the spacing of the moment; drawing recomputes it
    d.doc.setPixelSpacing(0.5, 0.5);
    EXPECT_EQ(d.overlays->makeLength({10, 20}, {29, 20}).label, "10mm");
    EXPECT_EQ(d.overlays->makeLength({29, 20}, {10, 20}).label, "9mm");
    // a zero spacing is read as 1 x 1, in the document too
    d.doc.setPixelSpacing(0.0, 0.5);
    EXPECT_EQ(d.overlays->makeLength({0, 0}, {99, 0}).label, "100mm");
    EXPECT_EQ(d.overlays->spacing(), (PixelSpacing{1.0, 1.0}));
    EXPECT_EQ(d.doc.pixelSpacingColumn(), 1.0);
}

TEST(DocumentOverlays, CommandsOnOneOrAllFrames) {
    OverlayDocument d(3, 100, 100);
    ASSERT_TRUE(d.doc.allFramesAlike());
    const TextAnnotation a = d.annotation("tumour", 10, 10);
    EXPECT_EQ(d.overlays->placeAnnotation(a, true), 3);
    d.overlays->addAnnotation(1, d.annotation("only on 1", 50, 50));

    // edit without "Apply to all frames": the current frame only, position kept
    TextAnnotation edited = d.annotation("lesion", 99, 99);
    edited.colour = 0x0000FF;
    EXPECT_EQ(d.overlays->editAnnotation(0, edited, false), 1);
    EXPECT_EQ(d.level(0).annotations[0].text, "lesion");
    EXPECT_EQ(d.level(0).annotations[0].box, (OverlayBox{10, 10, 42, 16}));
    EXPECT_EQ(d.level(1).annotations[0].text, "tumour");

    // with it: the same record changes everywhere, frames without it get it
    d.doc.setCurrentFrame(1);
    EXPECT_EQ(d.overlays->editAnnotation(0, d.annotation("mass", 0, 0), true), 3);
    EXPECT_EQ(d.level(1).annotations[0].text, "mass");
    EXPECT_EQ(d.level(2).annotations[0].text, "mass");
    ASSERT_EQ(d.level(0).annotations.size(), 2u); // frame 0 had "lesion" instead
    EXPECT_EQ(d.level(0).annotations[1].text, "mass");
    EXPECT_EQ(d.level(0).annotations[1].box.x, 10);

    // moves and deletes reach the other frames only in Apply to all mode
    EXPECT_EQ(d.overlays->moveAnnotationOnFrames(0, {5, -20}), 1);
    EXPECT_EQ(d.level(1).annotations[0].box.y, 0);
    EXPECT_EQ(d.level(2).annotations[0].box.y, 10);
    d.doc.toggleApplyToAll();
    ASSERT_TRUE(d.doc.applyToAll());
    d.doc.setCurrentFrame(2);
    EXPECT_EQ(d.overlays->moveAnnotationOnFrames(0, {1, 1}), 2); // frame 1's copy moved before: not the same
    EXPECT_EQ(d.overlays->deleteItem({OverlayKind::Annotation, 0}), 2);
    EXPECT_EQ(d.level(0).annotations.size(), 1u);
    EXPECT_EQ(d.level(1).annotations.size(), 2u);
    EXPECT_TRUE(d.level(2).annotations.empty());

    // measurements: added to all frames in Apply to all mode; restyled everywhere,
    // and added where missing
    const LengthMeasurement m = d.overlays->makeLength({10, 50}, {60, 50});
    EXPECT_EQ(d.overlays->addMeasurement(m), 3);
    d.overlays->remove(1, {OverlayKind::Length, 0});
    OverlayFont bold = m.font;
    bold.weight = 700;
    EXPECT_EQ(d.overlays->restyleMeasurement({OverlayKind::Length, 0}, &bold, 0x00FF00), 3);
    EXPECT_EQ(d.level(0).lengths[0].font.weight, 700);
    EXPECT_EQ(d.level(0).lengths[0].colour, 0x00FF00u);
    EXPECT_EQ(d.level(0).lengths[0].labelBox, m.labelBox); // the box keeps its size
    EXPECT_EQ(d.level(1).lengths.size(), 1u);

    // "Add to all frames" copies without looking for an existing copy
    d.doc.toggleApplyToAll();
    EXPECT_EQ(d.overlays->addToAllFrames({OverlayKind::Length, 0}), 2);
    EXPECT_EQ(d.level(0).lengths.size(), 2u);
    EXPECT_EQ(d.level(2).lengths.size(), 1u);
}

TEST(DocumentOverlays, DefaultAnnotationsAreRightAlignedAndFollowCrops) {
    OverlayDocument d(2, 300, 200);
    d.settings.writeText("UserInfo", "Company", "Veltor Clinic");
    d.settings.writeText("UserInfo", "Address", "");
    d.settings.writeText("UserInfo", "Physician", "Dr Who");
    d.overlays->placeDefaultAnnotations(-1);
    // indent: three spaces = 21 pixels; the empty address is skipped
    const std::vector<TextAnnotation>& list = d.level(1).annotations;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].text, "Veltor Clinic");
    EXPECT_EQ(list[0].box, (OverlayBox{300 - 21 - 91, 29, 91, 16}));
    EXPECT_EQ(list[1].text, "Dr Who");
    EXPECT_EQ(list[1].box, (OverlayBox{300 - 21 - 42, 45, 42, 16}));
    EXPECT_EQ(d.level(0).annotations.size(), 2u);
    EXPECT_EQ(d.overlays->defaultAnnotationIndex(0, 2), 1);
    EXPECT_EQ(d.overlays->defaultAnnotationIndex(0, 1), -1);

    // placing again with the same lines changes nothing
    const size_t entries = d.doc.frameHistory().frame(0)->entries.size();
    d.overlays->placeDefaultAnnotations(-1);
    EXPECT_EQ(d.doc.frameHistory().frame(0)->entries.size(), entries);

    // after a crop the lines move to the new right edge of that frame only
    ImageBuffer* frame = d.doc.frameAt(0);
    ASSERT_EQ(frame->crop(0, 0, 200, 200), 1);
    d.overlays->placeDefaultAnnotations(0);
    EXPECT_EQ(d.level(0).annotations[0].box.x, 200 - 21 - 91);
    EXPECT_EQ(d.level(1).annotations[0].box.x, 300 - 21 - 91);
    // a changed line replaces its annotation in place
    d.settings.writeText("UserInfo", "Physician", "Dr No");
    d.overlays->placeDefaultAnnotations(-1);
    EXPECT_EQ(d.level(1).annotations.size(), 2u);
    EXPECT_EQ(d.level(1).annotations[1].text, "Dr No");

    // a load makes them the base that cannot be undone
    d.options.setDefaultAnnotations(true);
    DocumentOverlays fresh(d.doc, d.options, fixedMetrics);
    fresh.afterLoad();
    EXPECT_EQ(fresh.level(0)->annotations.size(), 2u);
    EXPECT_FALSE(fresh.store(0)->canUndo());
}

TEST(DocumentOverlays, RulerSettingsPerFrame) {
    OverlayDocument d(2, 50, 50);
    EXPECT_EQ(d.overlays->rulers(0), (RulerSettings{AxisCorner::LowerLeft, 0x00FFFFFF}));
    d.overlays->setRulers(1, {AxisCorner::UpperRight, 0x12345678});
    EXPECT_EQ(d.overlays->rulers(1), (RulerSettings{AxisCorner::UpperRight, 0x00345678}));
    EXPECT_EQ(d.overlays->rulers(0).corner, AxisCorner::LowerLeft);
    d.overlays->setRulers(0, {AxisCorner(9), 0});
    EXPECT_EQ(d.overlays->rulers(0).corner, AxisCorner::LowerLeft);
}
