// Window presets, drag arithmetic, tool ranges and applying windows to frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/kelvo_doc.h"
#include "document/windowing.h"

using namespace veltor;

TEST(Windowing, PresetsOnAFreshStoreAreTheBuiltInOnes) {
    MemorySettingsStore store;
    const WindowPresetArray p = loadWindowPresets(store);
    EXPECT_EQ(p[0].name, "CT - Abdomen");
    EXPECT_EQ(p[1].window, (Window{-500, 1500}));
    EXPECT_EQ(p[13].name, "User 14");
    EXPECT_EQ(p[13].window, (Window{128, 256}));
    // written back, so a second start reads them from the store
    EXPECT_EQ(store.readText("Windows", "Name2", ""), "CT - Bone");
    EXPECT_EQ(store.readInt("Windows", "Width2", 0), 3500);

    WindowPresetArray edited = p;
    edited[5] = {"Lung wide", {-600, 1600}};
    saveWindowPresets(store, edited);
    EXPECT_EQ(loadWindowPresets(store)[5].name, "Lung wide");
    // one non-empty entry is enough to keep the stored set
    MemorySettingsStore partial;
    partial.writeInt("Windows", "Center3", 7);
    const WindowPresetArray q = loadWindowPresets(partial);
    EXPECT_EQ(q[0].name, "");
    EXPECT_EQ(q[3].window.center, 7);
}

TEST(Windowing, DragArithmetic) {
    const Window start{2048, 4096};
    // 256 pixels right on 0 .. 4095 widens by 2 x 4095 + 1 = 8191, capped at the range
    EXPECT_EQ(dragWindow(0, 4095, {2048, 1}, 10, 10, 266, 10), (Window{2048, 8191}));
    EXPECT_EQ(dragWindow(0, 4095, start, 0, 0, 256, 0).width, 8191);
    // moving down raises the centre, clamped to the samples' range
    EXPECT_EQ(dragWindow(0, 4095, start, 0, 0, 0, 32).center, 2048 + 1023);
    EXPECT_EQ(dragWindow(0, 4095, start, 0, 0, 0, 1000).center, 4095);
    EXPECT_EQ(dragWindow(0, 4095, start, 0, 0, 0, -1000).center, 0);
    // the width never drops below 1
    EXPECT_EQ(dragWindow(0, 4095, start, 0, 0, -5000, 0).width, 1);
    // truncation toward zero of fractional steps
    EXPECT_EQ(dragWindow(0, 99, {50, 50}, 0, 0, 1, 1), (Window{50, 50})); // 199 / 256 < 1
}

TEST(Windowing, ToolRanges) {
    const WindowRanges r = windowRanges(-1024, 3071);
    EXPECT_EQ(r.centerMin, -1023);
    EXPECT_EQ(r.centerMax, 3070);
    EXPECT_EQ(r.widthMax, 2 * (3071 + 1024) + 1);
    EXPECT_TRUE(r.accepts({40, 400}));
    EXPECT_FALSE(r.accepts({-1024, 400}));
    EXPECT_FALSE(r.accepts({40, 0}));
    EXPECT_FALSE(r.accepts({40, r.widthMax + 1}));
}

TEST(Windowing, ApplyResetAndSelection) {
    MemorySettingsStore settings;
    UserOptions options;
    QuietDocumentUi ui;
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.load(VELTOR_SAMPLE_FILE));
    ImageBuffer* frame = doc.frameAt(0);
    ASSERT_NE(frame, nullptr);
    const int32_t c0 = frame->windowCenter(), w0 = frame->windowWidth();
    const std::vector<uint8_t> shownBefore(frame->displayBitmap(), frame->displayBitmap() + frame->displayBitmapSize());
    EXPECT_EQ(applyWindow(doc, {300, 1500}, true), 1);
    EXPECT_EQ(frame->windowCenter(), 300);
    // what the view paints follows the new window at once
    EXPECT_FALSE(std::equal(shownBefore.begin(), shownBefore.end(), frame->displayBitmap()));
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 1u);
    EXPECT_EQ(resetWindow(doc, false), 1);
    EXPECT_EQ(frame->windowCenter(), c0);
    EXPECT_EQ(frame->windowWidth(), w0);
    EXPECT_TRUE(std::equal(shownBefore.begin(), shownBefore.end(), frame->displayBitmap()));

    Window w;
    ASSERT_TRUE(windowFromSelection(*frame, false, w));
    EXPECT_EQ(w.width, frame->maxValue() - frame->minValue());
    Window wide;
    ASSERT_TRUE(windowFromSelection(*frame, true, wide));
    EXPECT_EQ(wide.width, 2 * w.width);
    EXPECT_EQ(wide.center, w.center);
}
