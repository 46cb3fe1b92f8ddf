// The "UserOptions" record: defaults, round trips and the stored quirks.
#include <gtest/gtest.h>

#include "settings/user_options.h"

using namespace veltor;

TEST(UserOptions, FreshStoreGivesTheDefaults) {
    MemorySettingsStore store;
    UserOptions o;
    o.load(store);
    EXPECT_FALSE(o.rulersOn());
    EXPECT_EQ(o.axisStart(), AxisCorner::LowerLeft);
    EXPECT_EQ(o.axisColor(), 0x00FFFFFFu);
    EXPECT_EQ(o.annotationColor(), 0x0000FF00u);
    EXPECT_EQ(o.distanceColor(), 0x000000FFu);
    EXPECT_EQ(o.angleColor(), 0x000000FFu);
    EXPECT_EQ(o.mainBgColor(), 0x00644600u);
    EXPECT_EQ(o.docBgColor(), 0x00644600u);
    EXPECT_EQ(o.annotationFont().height, 12);
    EXPECT_EQ(o.annotationFont().weight, 400);
    EXPECT_EQ(o.annotationFont().faceName, "Arial");
    EXPECT_EQ(o.measurementFont().faceName, "Arial");
    EXPECT_EQ(o.lineWidth(), 2);
    EXPECT_FALSE(o.useMButton());
    EXPECT_TRUE(o.aspectRatio());
    EXPECT_TRUE(o.anonExports());
    EXPECT_FALSE(o.autoClose());
}

TEST(UserOptions, FaceNamesAreStoredUnderTheCharacterSetKeys) {
    MemorySettingsStore store;
    UserOptions o;
    FontOptions f;
    f.faceName = "Tahoma";
    f.charSet = 0;
    f.height = 20;
    o.setAnnotationFont(f);
    o.save(store);
    EXPECT_EQ(store.readText("UserOptions", "AnnoCharSet", ""), "Tahoma");
    EXPECT_EQ(store.readText("UserOptions", "MeasCharSet", ""), "Arial");

    UserOptions again;
    again.load(store);
    EXPECT_EQ(again.annotationFont().faceName, "Tahoma");
    EXPECT_EQ(again.annotationFont().height, 20);
    EXPECT_EQ(again.annotationFont().charSet, 161); // the text hides the number
}

TEST(UserOptions, RoundTripAndBadValues) {
    MemorySettingsStore store;
    UserOptions o;
    o.setRulersOn(true);
    o.setAxisStart(AxisCorner::UpperRight);
    o.setDocBgColor(rgbColour(1, 2, 3));
    o.setLineWidth(5);
    o.setAspectRatio(false);
    FontOptions f;
    f.faceName = std::string(40, 'F'); // longer than a face name can be
    o.setMeasurementFont(f);
    o.save(store);
    UserOptions again;
    again.load(store);
    EXPECT_TRUE(again.rulersOn());
    EXPECT_EQ(again.axisStart(), AxisCorner::UpperRight);
    EXPECT_EQ(again.docBgColor(), 0x00030201u);
    EXPECT_EQ(again.lineWidth(), 5);
    EXPECT_FALSE(again.aspectRatio());
    EXPECT_EQ(again.measurementFont().faceName.size(), 31u);

    store.writeText("UserOptions", "LineWidth", "wide");
    store.writeInt("UserOptions", "AxisStart", 9);
    store.writeText("UserOptions", "RulersOn", "yes");
    again.load(store);
    EXPECT_EQ(again.lineWidth(), 2);
    EXPECT_EQ(again.axisStart(), AxisCorner::LowerLeft);
    EXPECT_FALSE(again.rulersOn());
    store.writeInt("UserOptions", "LineWidth", -3);
    again.load(store);
    EXPECT_EQ(again.lineWidth(), 2);
}

TEST(UserOptions, DamagedFontValuesReadAsTheDefaults) {
    MemorySettingsStore store;
    store.writeInt("UserOptions", "AnnoHeight", 0);
    store.writeInt("UserOptions", "AnnoWeight", 5000);
    store.writeInt("UserOptions", "AnnoItalic", 7);
    store.writeText("UserOptions", "AnnoCharSet", "   ");
    store.writeInt("UserOptions", "MeasHeight", 100000);
    store.writeText("UserOptions", "MeasCharSet", std::string("Ar\x01ial"));
    UserOptions o;
    o.load(store);
    EXPECT_EQ(o.annotationFont().height, 12);
    EXPECT_EQ(o.annotationFont().weight, 400);
    EXPECT_EQ(o.annotationFont().italic, 1);
    EXPECT_EQ(o.annotationFont().faceName, "Arial");
    EXPECT_EQ(o.measurementFont().height, 12);
    EXPECT_EQ(o.measurementFont().faceName, "Arial");
}
