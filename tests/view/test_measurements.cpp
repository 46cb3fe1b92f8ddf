// The arithmetic of lengths, angles, labels and annotation placement.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/measurements.h"

using namespace veltor;

TEST(Measurements, LengthDependsOnClickOrderAndSpacing) {
    struct Case {
        int32_t x1, y1, x2, y2;
        PixelSpacing spacing;
        int32_t mm;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {10, 20, 29, 20, {0.5, 0.5}, 10}, // sqrt(10^2 + 0.5^2)
        {29, 20, 10, 20, {0.5, 0.5}, 9},  // (-18 x 0.5)^2 + 0.25
        {0, 0, 99, 0, {1.0, 2.0}, 200},   // columns carry the horizontal spacing
        {0, 0, 0, 99, {1.0, 2.0}, 100},
        {0, 0, 0, 0, {1.0, 1.0}, 1},
        // unusable spacings count pixels
        {0, 0, 99, 0, {0.0, 0.5}, 100},
        {0, 0, 99, 0, {-1.0, -1.0}, 100},
        {0, 0, 99, 0, {nan, 0.5}, 100},
        {0, 0, 99, 0, {0.5, 1e9}, 100},
        {0, 0, 99, 0, {std::numeric_limits<double>::infinity(), 1.0}, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lengthMillimetres(c.x1, c.y1, c.x2, c.y2, c.spacing), c.mm)
            << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2 << " at " << c.spacing.row << " x "
            << c.spacing.column;
    }
    EXPECT_EQ(lengthLabel(10), "10mm");
    // the largest spacing at the largest coordinates saturates instead of wrapping
    EXPECT_EQ(lengthMillimetres(-70000, 0, 70000, 0, {100000.0, 100000.0}), INT32_MAX);
}

TEST(Measurements, Angles) {
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 20, 10, 10, 0)), "90.00\xC2\xB0");
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 20, 10, 20, 0)), "45.00\xC2\xB0");
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 20, 10, 0, 10)), "180.00\xC2\xB0");
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 20, 10, 20, 20)), "45.00\xC2\xB0"); // below the ray: unsigned
    // a vertical first ray takes the fixed approximation of a right angle
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 10, 0, 20, 10)), "90.00\xC2\xB0");
    EXPECT_EQ(angleLabel(angleDegrees(10, 10, 10, 0, 20, 0)), "45.00\xC2\xB0");
    // a degenerate angle (all points equal) is 90 degrees, never NaN
    EXPECT_FALSE(std::isnan(angleDegrees(5, 5, 5, 5, 5, 5)));
}

TEST(Measurements, LabelBoxesStayInsideTheFrame) {
    const TextExtent label{40, 16};
    struct Case {
        int32_t x1, y1, x2, y2;
        OverlayBox box;
    };
    const Case cases[] = {
        {100, 100, 50, 50, {103, 103, 40, 16}}, // beside the first point, away from the second
        {100, 100, 150, 150, {57, 81, 40, 16}},
        {2, 2, 50, 50, {0, 0, 40, 16}},          // raised to 0
        {490, 300, 400, 300, {472, 303, 40, 16}}, // would leave on the right: ends at the edge
        {300, 505, 300, 400, {303, 496, 40, 16}}, // and at the bottom
    };
    for (const Case& c : cases)
        EXPECT_EQ(lengthLabelBox(c.x1, c.y1, c.x2, c.y2, label, 512, 512), c.box) << c.x1 << "," << c.y1;
    // a label wider than the frame starts at 0
    EXPECT_EQ(lengthLabelBox(5, 5, 0, 0, {100, 16}, 50, 50), (OverlayBox{0, 8, 100, 16}));
    // angles: left of the vertex when the second ray goes right, above when the first goes down
    EXPECT_EQ(angleLabelBox(100, 100, 150, 150, 150, 100, label, 512, 512), (OverlayBox{57, 81, 40, 16}));
    EXPECT_EQ(angleLabelBox(100, 100, 150, 50, 50, 100, label, 512, 512), (OverlayBox{103, 103, 40, 16}));
    EXPECT_EQ(angleLabelBox(500, 500, 510, 510, 400, 500, label, 512, 512), (OverlayBox{472, 481, 40, 16}));
}

TEST(Measurements, AnnotationPlacementAndMoves) {
    const ViewRect image{44, 20, 556, 532}; // a 512 x 512 frame centred in a pane
    // the click is the text's lower-left corner
    EXPECT_EQ(annotationOrigin({144, 220}, {0, 0}, image, 1.0f, 16), (ViewPoint{100, 184}));
    // near the top edge the text starts at y = 0, not above the image
    EXPECT_EQ(annotationOrigin({144, 25}, {0, 0}, image, 1.0f, 16), (ViewPoint{100, 0}));
    // zoom 2 with scrolling: content point over zoom; the height is taken off before dividing
    EXPECT_EQ(annotationOrigin({100, 100}, {300, 200}, {0, 0, 1024, 1024}, 2.0f, 16), (ViewPoint{200, 142}));

    const ViewPoint press{100, 100}, now{130, 80};
    EXPECT_EQ(constrainedDrag(press, now, {}), (ViewPoint{30, -20}));
    EXPECT_EQ(constrainedDrag(press, now, {true, false}), (ViewPoint{0, -20})); // Shift: vertical only
    EXPECT_EQ(constrainedDrag(press, now, {false, true}), (ViewPoint{30, 0}));  // Ctrl: horizontal only
    EXPECT_EQ(constrainedDrag(press, now, {true, true}), (ViewPoint{0, 0}));
    EXPECT_EQ(dragImageOffset({31, -21}, 2.0f), (ViewPoint{15, -10})); // truncated toward zero
    const OverlayBox box{10, 10, 50, 16};
    EXPECT_EQ(movedBox(box, {-20, 5}, 512, 512), (OverlayBox{0, 15, 50, 16}));
    EXPECT_EQ(movedBox(box, {1000, 1000}, 512, 512), (OverlayBox{511, 511, 50, 16}));
}

TEST(Measurements, FontSizesFollowTheScreenAndZoom) {
    EXPECT_EQ(mulDiv(12, 96, 72), 16);
    EXPECT_EQ(mulDiv(9, 96, 72), 12);
    EXPECT_EQ(mulDiv(10, 96, 72), 13);  // 13.33 rounds down
    EXPECT_EQ(mulDiv(11, 96, 72), 15);  // 14.67 rounds up
    EXPECT_EQ(mulDiv(-11, 96, 72), -15);
    EXPECT_EQ(mulDiv(1, 1, 0), 0);
    EXPECT_EQ(mulDiv(INT32_MAX, INT32_MAX, 1), INT32_MAX);
    EXPECT_EQ(zoomedFontPixelHeight(12, 96, 2.0f), 32); // twice the character height at zoom 2
    EXPECT_EQ(zoomedFontPixelHeight(12, 96, 0.2f), 3);
    EXPECT_EQ(zoomedFontPixelHeight(1, 96, 0.2f), 1);
}

TEST(Measurements, AnnotationTextIsOneLineOfAtMost64Characters) {
    EXPECT_EQ(annotationText(std::string(100, 'a')), std::string(64, 'a'));
    EXPECT_EQ(annotationText("two\nlines\tand\x01"), "two lines and ");
    // multi-byte characters count once and are never split
    std::string accents;
    for (int i = 0; i < 70; ++i) accents += "\xC3\xA9";
    EXPECT_EQ(characterCount(annotationText(accents)), 64u);
    EXPECT_EQ(annotationText(accents).size(), 128u);
    // markup is text like any other
    EXPECT_EQ(annotationText("<b>&amp;</b>"), "<b>&amp;</b>");
    // a stray byte counts as one character
    EXPECT_EQ(characterCount("\xC3"), 1u);
    EXPECT_EQ(annotationText(std::string("a\0b", 3)), "a b");
}
