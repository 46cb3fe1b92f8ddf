#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace veltor {
namespace {

using testing::le16;
using testing::le32;

// The display byte the window gives a sample, from the definition.
int windowed(int64_t v, int64_t low, int64_t high)
{
    const int64_t span = high == low ? 1 : high - low;
    const double x = static_cast<double>(v - low) / static_cast<double>(span) * 255.0 + 0.5;
    const int t = static_cast<int>(std::trunc(std::max(-1.0, std::min(x, 1000.0))));
    return t < 0 ? 0 : (t > 255 ? 255 : t);
}

TEST(DisplayBitmap, HeaderColourTableAndBottomUpPaddedRows)
{
    const std::vector<uint8_t> grey = {0, 128, 255, 1, 2, 3};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy8(3, 2, 6, 0, grey.data()), 1);
    const uint8_t* d = b.displayBitmap();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(b.displayBitmapSize(), 40u + 1024u + 2u * 4u);
    EXPECT_EQ(le32(d), 40u);
    EXPECT_EQ(le32(d + 4), 3u);
    EXPECT_EQ(le32(d + 8), 2u);
    EXPECT_EQ(le16(d + 12), 1u);
    EXPECT_EQ(le16(d + 14), 8u);
    EXPECT_EQ(le32(d + 16), 0u);
    EXPECT_EQ(le32(d + 20), 8u);
    EXPECT_EQ(le32(d + 24), 0u);
    EXPECT_EQ(le32(d + 28), 0u);
    EXPECT_EQ(le32(d + 32), 256u);
    EXPECT_EQ(le32(d + 36), 256u);
    // Grey ramp colour table, B, G, R, 0.
    EXPECT_EQ(d[40 + 4 * 200], 200);
    EXPECT_EQ(d[40 + 4 * 200 + 3], 0);
    // With the initial window (128, 256) a value v shows as v x 255 / 256 rounded.
    const uint8_t* bits = d + 40 + 1024;
    // Bitmap row 0 is image row 1.
    EXPECT_EQ(bits[0], 1);
    EXPECT_EQ(bits[1], 2);
    EXPECT_EQ(bits[2], 3);
    EXPECT_EQ(bits[3], 0);  // padding
    EXPECT_EQ(bits[4], 0);
    EXPECT_EQ(bits[5], 128);
    EXPECT_EQ(bits[6], 254);
    EXPECT_EQ(bits[7], 0);
    PixelValue v;
    ASSERT_TRUE(b.displayedValueAt(2, 0, v));
    EXPECT_EQ(v, (PixelValue{254, 254, 254}));
    EXPECT_FALSE(b.displayedValueAt(3, 0, v));
}

TEST(DisplayBitmap, RgbIs24BitBgrWithoutColourTable)
{
    const std::vector<uint8_t> rgb = {255, 0, 128, 10, 20, 30};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy8(2, 1, 6, 1, rgb.data()), 1);
    const uint8_t* d = b.displayBitmap();
    EXPECT_EQ(le16(d + 14), 24u);
    EXPECT_EQ(le32(d + 32), 0u);
    EXPECT_EQ(b.displayBitmapSize(), 40u + 8u);
    const uint8_t* bits = d + 40;
    EXPECT_EQ(bits[0], 128);  // B
    EXPECT_EQ(bits[1], 0);    // G
    EXPECT_EQ(bits[2], 254);  // R
    EXPECT_EQ(bits[3], 30);
    EXPECT_EQ(bits[4], 20);
    EXPECT_EQ(bits[5], 10);
    EXPECT_EQ(bits[6], 0);
    EXPECT_EQ(bits[7], 0);
    PixelValue v;
    ASSERT_TRUE(b.displayedValueAt(1, 0, v));
    EXPECT_EQ(v, (PixelValue{10, 20, 30}));
}

TEST(DisplayBitmap, EightBitWindowTable)
{
    std::vector<uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    ImageBuffer b;
    ASSERT_EQ(b.createFromRaw8(256, 1, 256, 0, ramp.data()), 1);
    ASSERT_EQ(b.setWindow(100, 51), 1);  // low 75, high 125
    ASSERT_EQ(b.rebuildDisplay(), 1);
    PixelValue v;
    for (int i : {0, 74, 75, 76, 100, 124, 125, 126, 255}) {
        ASSERT_TRUE(b.displayedValueAt(i, 0, v));
        EXPECT_EQ(v.red, windowed(i, 75, 125)) << i;
    }
    b.displayedValueAt(100, 0, v);
    EXPECT_EQ(v.red, 128);  // 25 / 50 x 255 + 0.5 = 128
    // A window of width 0 and centre 0 means the level's range (0 .. 255).
    ASSERT_EQ(b.setWindow(0, 0), 1);
    b.rebuildDisplay();
    b.displayedValueAt(255, 0, v);
    EXPECT_EQ(v.red, 255);
    b.displayedValueAt(128, 0, v);
    EXPECT_EQ(v.red, 128);
    // low = high: everything 0.
    ASSERT_EQ(b.setWindow(50, 1), 1);
    b.rebuildDisplay();
    b.displayedValueAt(200, 0, v);
    EXPECT_EQ(v.red, 0);
}

TEST(DisplayBitmap, SixteenBitWindowHandComputed)
{
    const std::vector<int16_t> s = {0, 400, 450, 500, 600, 1000};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy16(6, 1, 16, 500, 200, s.data()), 1);
    const int expected[] = {0, 0, 64, 128, 255, 255};
    PixelValue v;
    for (int x = 0; x < 6; ++x) {
        ASSERT_TRUE(b.displayedValueAt(x, 0, v));
        EXPECT_EQ(v.red, expected[x]) << x;
    }
}

TEST(DisplayBitmap, SixteenBitUnsignedLevelsNeverWindowBelowZero)
{
    const std::vector<int16_t> unsignedSamples = {0, 30, 60, 100};
    ImageBuffer b;
    // low = 10 - 50 = -40 becomes 0; high 60.
    ASSERT_EQ(b.createFromCopy16(4, 1, 16, 10, 100, unsignedSamples.data()), 1);
    PixelValue v;
    b.displayedValueAt(1, 0, v);
    EXPECT_EQ(v.red, 128);  // 30 / 60 x 255 + 0.5
    const std::vector<int16_t> signedSamples = {-50, 10, 60, 100};
    ASSERT_EQ(b.createFromCopy16(4, 1, 16, 10, 100, signedSamples.data()), 1);
    b.displayedValueAt(1, 0, v);
    EXPECT_EQ(v.red, 128);  // 50 / 100 x 255 + 0.5, low stays -40
    b.displayedValueAt(0, 0, v);
    EXPECT_EQ(v.red, 0);
}

TEST(DisplayBitmap, SixteenBitNarrowWindowAndSamplesOutsideTheRange)
{
    const std::vector<int16_t> s = {0, 49, 50, 51, 4000};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy16(5, 1, 16, 50, 1, s.data()), 1);  // low = high = 50, span 1
    PixelValue v;
    const int expected[] = {0, 0, 0, 255, 255};
    for (int x = 0; x < 5; ++x) {
        b.displayedValueAt(x, 0, v);
        EXPECT_EQ(v.red, expected[x]) << x;
    }
    // A level whose samples leave its recorded range (as an unlimited inverse
    // can) shows them as the range's ends.
    LevelEdit edit = b.beginEdit(LevelStart::CopyPrevious);
    ASSERT_TRUE(static_cast<bool>(edit));
    edit.targetSamples<int16_t>()[0] = -30000;
    edit.targetSamples<int16_t>()[4] = 30000;
    edit.target().windowCenter = 2000;
    edit.target().windowWidth = 4000;
    ASSERT_EQ(edit.commit(), 1);
    b.displayedValueAt(0, 0, v);
    EXPECT_EQ(v.red, 0);
    b.displayedValueAt(4, 0, v);
    EXPECT_EQ(v.red, 255);
}

// The display of random 16-bit frames under random windows matches the
// per-sample definition, including windows far outside the samples and wide
// sample ranges (the table is only partly computed).
TEST(DisplayBitmap, SixteenBitMatchesTheDefinitionForRandomWindows)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(rng() % 37);
        const int h = 1 + static_cast<int>(rng() % 23);
        const int lo = -static_cast<int>(rng() % 32768);
        const int hi = static_cast<int>(rng() % 32767);
        std::uniform_int_distribution<int> sample(round % 2 == 0 ? lo : 0, hi);
        std::vector<int16_t> s(static_cast<size_t>(w * h));
        for (auto& v : s)
            v = static_cast<int16_t>(sample(rng));
        ImageBuffer b;
        ASSERT_EQ(b.createFromCopy16(w, h, 16, 0, 0, s.data()), 1);
        for (int k = 0; k < 5; ++k) {
            const int c = static_cast<int>(rng() % 80000) - 40000;
            const int width = static_cast<int>(rng() % 70000) - 2000;
            b.setWindow(c, width);
            ASSERT_EQ(b.rebuildDisplay(), 1);
            const ImageLevel& level = *b.currentLevel();
            int64_t low = level.windowCenter - level.windowWidth / 2;
            const int64_t high = static_cast<int64_t>(level.windowCenter) + level.windowWidth / 2;
            if (level.isSigned == 0 && low < 0)
                low = 0;
            int mismatches = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    PixelValue v;
                    b.displayedValueAt(x, y, v);
                    const int64_t clamped = std::clamp<int64_t>(s[static_cast<size_t>(y * w + x)], level.minValue,
                                                                level.maxValue);
                    mismatches += v.red != windowed(clamped, low, high);
                }
            EXPECT_EQ(mismatches, 0) << "window " << level.windowCenter << "/" << level.windowWidth;
        }
    }
}

TEST(DisplayBitmap, PaletteGoesIntoTheColourTableSwapped)
{
    const std::vector<uint8_t> grey(4, 9);
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy8(2, 2, 4, 0, grey.data()), 1);
    ASSERT_EQ(b.setPalette(0, false), 1);
    EXPECT_EQ(b.paletteNumber(), 0);
    const uint8_t* table = b.displayBitmap() + 40;
    const PaletteTable& blackbody = builtinPalette(0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table[4 * i], blackbody[static_cast<size_t>(i)].blue);
        EXPECT_EQ(table[4 * i + 1], blackbody[static_cast<size_t>(i)].green);
        EXPECT_EQ(table[4 * i + 2], blackbody[static_cast<size_t>(i)].red);
        EXPECT_EQ(table[4 * i + 3], 0);
    }
    // The palette survives a rebuild and a new level.
    ASSERT_EQ(testing::addToSelected(b, 1), 1);
    EXPECT_EQ(b.displayBitmap()[40 + 4 * 100 + 2], blackbody[100].red);
    // Not recorded: nothing to undo.
    EXPECT_EQ(b.history()->length(), 1);
}

} // namespace
} // namespace veltor

namespace veltor {
namespace {

// A frame's first display is built when first asked for; what was set on the
// frame before then must show in it.
TEST(DisplayBitmap, TheFirstDisplayShowsWhatWasSetBeforeItWasBuilt)
{
    std::vector<int16_t> samples(64);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i * 64);
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy16(8, 8, 16, 0, 0, samples.data()), 1);
    ASSERT_EQ(b.setPalette(8, true), 1);
    ASSERT_EQ(b.setWindow(1000, 10), 1);
    const uint8_t* d = b.displayBitmap();
    ASSERT_NE(d, nullptr);
    const PaletteTable& hot = builtinPalette(8);
    for (int i : {0, 100, 255}) {
        const uint8_t* entry = d + kBitmapInfoHeaderSize + 4 * i;
        EXPECT_EQ(entry[2], hot[size_t(i)].red) << i;
        EXPECT_EQ(entry[1], hot[size_t(i)].green) << i;
        EXPECT_EQ(entry[0], hot[size_t(i)].blue) << i;
    }
    // the narrow window: samples far below give 0, far above 255
    const DisplayBitmap* bitmap = b.display();
    EXPECT_EQ(bitmap->imageRow(0)[0], 0);
    EXPECT_EQ(bitmap->imageRow(7)[7], 255);
}

} // namespace
} // namespace veltor
