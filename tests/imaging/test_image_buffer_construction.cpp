#include "imaging/grey_table.h"
#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltor {
namespace {

using testing::le16;
using testing::le32;
using testing::levelBytes;
using testing::packedBitmap;

TEST(ImageBufferConstruction, Raw8WrapsTheCallersBufferAndCopy8OwnsACopy)
{
    const std::vector<uint8_t> grey = {0, 10, 20, 30, 40, 50};
    ImageBuffer wrapped;
    ASSERT_EQ(wrapped.createFromRaw8(3, 2, 6, 0, grey.data()), 1);
    EXPECT_EQ(wrapped.pixels(), grey.data());
    EXPECT_FALSE(wrapped.image8()->ownsFirstLevel);
    const ImageLevel* level = wrapped.currentLevel();
    EXPECT_EQ(level->colour, 0);
    EXPECT_EQ(level->isSigned, 0);
    EXPECT_EQ(level->dataSize, 6);
    EXPECT_EQ(level->maxValue, 255);
    EXPECT_EQ(level->minValue, 0);
    EXPECT_EQ(level->windowCenter, 128);
    EXPECT_EQ(level->windowWidth, 256);
    EXPECT_EQ(wrapped.paletteNumber(), kGreyscalePalette);
    EXPECT_EQ(wrapped.selection()->width(), 3);
    EXPECT_EQ(wrapped.selection()->height(), 2);
    EXPECT_EQ(wrapped.background8(), 0);
    EXPECT_EQ(wrapped.windowList()->pairs.size(), 1u);
    EXPECT_EQ(wrapped.windowList()->current, 1);
    EXPECT_EQ(wrapped.canUndo(), 0);
    EXPECT_EQ(wrapped.canRedo(), 0);

    const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6};
    ImageBuffer copied;
    ASSERT_EQ(copied.createFromCopy8(2, 1, 6, 1, rgb.data()), 1);
    EXPECT_NE(copied.pixels(), rgb.data());
    EXPECT_TRUE(copied.image8()->ownsFirstLevel);
    EXPECT_TRUE(copied.isColour());
    EXPECT_EQ(levelBytes(copied), rgb);
    PixelValue v;
    ASSERT_TRUE(copied.sampleAt(1, 0, v));
    EXPECT_EQ(v, (PixelValue{4, 5, 6}));
    ASSERT_TRUE(wrapped.sampleAt(2, 1, v));
    EXPECT_EQ(v, (PixelValue{50, 50, 50}));
    EXPECT_FALSE(wrapped.sampleAt(3, 0, v));
    EXPECT_FALSE(wrapped.sampleAt(0, -1, v));
}

TEST(ImageBufferConstruction, BadEightBitInputIsRefusedWithCode1)
{
    const std::vector<uint8_t> bytes(12, 7);
    struct Case {
        int32_t w, h, size, colour;
        const uint8_t* p;
    };
    const Case cases[] = {
        {0, 2, 12, 0, bytes.data()},      // empty width
        {3, -1, 12, 0, bytes.data()},     // negative height
        {3, 2, 5, 0, bytes.data()},       // fewer bytes than the image needs
        {2, 2, 11, 1, bytes.data()},      // RGB needs 12
        {2, 2, 12, 2, bytes.data()},      // unknown colour flag
        {2, 2, 12, 0, nullptr},           // no buffer
        {70000, 70000, 12, 0, bytes.data()},  // size beyond 32 bits
    };
    for (const Case& c : cases) {
        ImageBuffer b;
        EXPECT_EQ(b.createFromCopy8(c.w, c.h, c.size, c.colour, c.p), 0);
        EXPECT_EQ(b.lastError(), LibraryError::BuildFailed);
        EXPECT_FALSE(b.hasStore());
        EXPECT_EQ(b.displayBitmap(), nullptr);
        // Everything on a buffer without a store answers 0.
        EXPECT_EQ(b.setWindow(1, 1), 0);
        EXPECT_EQ(b.undo(), 0);
        EXPECT_EQ(b.selectRectangle({0, 0, 1, 1}), 0);
        EXPECT_FALSE(static_cast<bool>(b.beginEdit(LevelStart::CopyPrevious)));
    }
    // A failed construction leaves no trace of an earlier store either.
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy8(3, 2, 12, 0, bytes.data()), 1);
    EXPECT_EQ(b.createFromCopy8(3, 2, 1, 0, bytes.data()), 0);
    EXPECT_FALSE(b.hasStore());
}

TEST(ImageBufferConstruction, SixteenBitRangeIgnoresTheMarkerValues)
{
    const std::vector<int16_t> s = {-32768, -100, 50, 32767, 200, 17};
    ImageBuffer b;
    ASSERT_EQ(b.createFromSamples16(3, 2, 0, 0, s.data()), 1);
    EXPECT_EQ(b.pixels(), reinterpret_cast<const uint8_t*>(s.data()));
    EXPECT_FALSE(b.image16()->ownsFirstLevel);
    const ImageLevel* level = b.currentLevel();
    EXPECT_EQ(level->minValue, -100);
    EXPECT_EQ(level->maxValue, 200);
    EXPECT_EQ(level->isSigned, 1);
    EXPECT_EQ(level->dataSize, 12);
    // No window given: width = max - min + 1, centre = min + width / 2.
    EXPECT_EQ(level->windowWidth, 301);
    EXPECT_EQ(level->windowCenter, -100 + 150);
    EXPECT_EQ(b.background16(), -100);
    PixelValue v;
    ASSERT_TRUE(b.sampleAt(0, 0, v));
    EXPECT_EQ(v, (PixelValue{-32768, -32768, -32768}));
}

TEST(ImageBufferConstruction, SixteenBitGivenWindowIsLoweredToTheRange)
{
    const std::vector<int16_t> s = {0, 100, 400, 250};
    ImageBuffer b;
    // Centre above every sample comes down to the midpoint (200); a width
    // above the range (401) comes down to it.
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 1000, 5000, s.data()), 1);
    EXPECT_EQ(b.windowCenter(), 200);
    EXPECT_EQ(b.windowWidth(), 401);
    EXPECT_EQ(b.currentLevel()->isSigned, 0);
    EXPECT_TRUE(b.image16()->ownsFirstLevel);
    // A window inside the range is kept as given.
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 150, 80, s.data()), 1);
    EXPECT_EQ(b.windowCenter(), 150);
    EXPECT_EQ(b.windowWidth(), 80);
    // Samples in any other format are refused.
    EXPECT_EQ(b.createFromCopy16(2, 2, 12, 150, 80, s.data()), 0);
    EXPECT_EQ(b.lastError(), LibraryError::BuildFailed);
    EXPECT_EQ(b.createFromSamples16(2, 2, 0, 0, nullptr), 0);
    // A centre inside the range stays, even above the midpoint: CT padding far
    // below the anatomy must not wash a soft-tissue window out.
    const std::vector<int16_t> ct = {-3024, -1000, 40, 1137};
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 40, 400, ct.data()), 1);
    EXPECT_EQ(b.windowCenter(), 40);
    EXPECT_EQ(b.windowWidth(), 400);
}

TEST(ImageBufferConstruction, SixteenBitFrameOfMarkersOnlyKeepsAValidRange)
{
    const std::vector<int16_t> s = {32767, -32768, 32767, -32768};
    ImageBuffer b;
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 0, 0, s.data()), 1);
    EXPECT_LE(b.minValue(), b.maxValue());
    EXPECT_EQ(b.minValue(), -32768);
    EXPECT_EQ(b.maxValue(), 32767);
    const std::vector<int16_t> flat(4, 32767);
    ASSERT_EQ(b.createFromCopy16(2, 2, 16, 0, 0, flat.data()), 1);
    EXPECT_EQ(b.maxValue(), 32767);
    EXPECT_EQ(b.minValue(), 32767);
    EXPECT_NE(b.displayBitmap(), nullptr);
}

TEST(ImageBufferConstruction, EightBitBitmapTakesIndexesAsGreyAndTurnsRowsTopDown)
{
    // 3 x 2, bottom row first; a colour table that is not grey is not consulted.
    const auto dib = packedBitmap(3, 2, 8, std::vector<uint32_t>(256, 0x00FF0000), {{7, 8, 9}, {1, 2, 3}});
    ImageBuffer b;
    ASSERT_EQ(b.createFromBitmap(dib), 1);
    EXPECT_FALSE(b.isColour());
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{1, 2, 3, 7, 8, 9}));
}

TEST(ImageBufferConstruction, OtherBitmapsReadAs24BitBgr)
{
    const auto dib = packedBitmap(2, 1, 24, {}, {{10, 20, 30, 40, 50, 60}});
    ImageBuffer b;
    ASSERT_EQ(b.createFromBitmap(dib), 1);
    EXPECT_TRUE(b.isColour());
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{30, 20, 10, 60, 50, 40}));

    // A 1-bit header with only 1-bit rows behind it holds too few bytes to be
    // read as 24-bit: refused rather than read past the end.
    const auto tiny = packedBitmap(16, 2, 1, {0, 0xFFFFFF}, {{0xFF, 0x00}, {0x0F, 0xF0}});
    EXPECT_EQ(b.createFromBitmap(tiny), 0);
    EXPECT_EQ(b.lastError(), LibraryError::BuildFailed);
}

TEST(ImageBufferConstruction, ConvertedBitmapsOfEverySupportedDepth)
{
    ImageBuffer b;
    // 1 bit: 0 or 255, most significant bit first.
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(10, 1, 1, {0x000000, 0x123456}, {{0xA0, 0x40}})), 1);
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{255, 0, 255, 0, 0, 0, 0, 0, 0, 255}));

    // 4 bits with a grey table: the entries through the grey table.
    std::vector<uint32_t> greyTable16;
    for (uint32_t i = 0; i < 16; ++i)
        greyTable16.push_back(i * 17 * 0x010101u);
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(3, 1, 4, greyTable16, {{0x1F, 0x30}})), 1);
    EXPECT_FALSE(b.isColour());
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{17, 255, 51}));

    // 4 bits with a colour table: RGB through the table; indexes past the
    // colours in use read as black.
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(3, 1, 4, {0x102030, 0x405060}, {{0x01, 0x90}}, 2)), 1);
    EXPECT_TRUE(b.isColour());
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0, 0}));

    // 8 bits with a grey table: indexes are grey levels.
    std::vector<uint32_t> ramp;
    for (uint32_t i = 0; i < 256; ++i)
        ramp.push_back(i * 0x010101u);
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(2, 1, 8, ramp, {{200, 3}})), 1);
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{200, 3}));

    // 16 bits, 5-5-5: each field shifted left by 3.
    const uint16_t pixel = static_cast<uint16_t>((31 << 10) | (1 << 5) | 16);
    ASSERT_EQ(b.createFromConvertedBitmap(
                  packedBitmap(1, 1, 16, {}, {{static_cast<uint8_t>(pixel), static_cast<uint8_t>(pixel >> 8)}})),
              1);
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{248, 8, 128}));

    // 32 bits are read as though the header said 24.
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(2, 1, 32, {}, {{1, 2, 3, 4, 5, 6, 7, 8}})), 1);
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));

    // Negative height: rows already top-down.
    ASSERT_EQ(b.createFromConvertedBitmap(packedBitmap(1, -2, 24, {}, {{1, 2, 3}, {4, 5, 6}})), 1);
    EXPECT_EQ(levelBytes(b), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(ImageBufferConstruction, MalformedBitmapsAreRefused)
{
    ImageBuffer b;
    EXPECT_EQ(b.createFromConvertedBitmap(packedBitmap(2, 1, 2, {0, 0, 0, 0}, {{0}})), 0);
    EXPECT_EQ(b.lastError(), LibraryError::UnknownBitmapFormat);

    auto valid = packedBitmap(4, 4, 24, {}, std::vector<std::vector<uint8_t>>(4, std::vector<uint8_t>(12, 9)));
    ASSERT_EQ(b.createFromConvertedBitmap(valid), 1);
    // Truncated at every length: refused, never read past the end.
    for (size_t n = 0; n < valid.size(); ++n) {
        std::vector<uint8_t> cut(valid.begin(), valid.begin() + static_cast<long>(n));
        EXPECT_EQ(b.createFromConvertedBitmap(cut), 0) << n;
        EXPECT_EQ(b.createFromBitmap(cut), 0) << n;
    }
    auto patched = [&](size_t at, uint32_t v) {
        auto d = valid;
        for (int i = 0; i < 4; ++i)
            d[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        return d;
    };
    EXPECT_EQ(b.createFromConvertedBitmap(patched(8, 0x80000000u)), 0);  // height INT_MIN
    EXPECT_EQ(b.createFromConvertedBitmap(patched(4, 0)), 0);            // width 0
    EXPECT_EQ(b.createFromConvertedBitmap(patched(4, 0xFFFFFFFFu)), 0);  // width -1
    EXPECT_EQ(b.createFromConvertedBitmap(patched(16, 1)), 0);           // compressed
    EXPECT_EQ(b.createFromConvertedBitmap(patched(0, 12)), 0);           // core header
    EXPECT_EQ(b.createFromConvertedBitmap(patched(0, 0x7FFFFFFF)), 0);   // header past the end
    EXPECT_EQ(b.createFromConvertedBitmap(patched(32, 0x40000000u)), 0); // colour table past the end
    EXPECT_EQ(b.createFromConvertedBitmap(patched(4, 0x10000)), 0);      // rows past the end
    // Width x height x 3 beyond 64 bits once overflowed the size check.
    auto huge = patched(4, 0x7FFFFFFF);
    for (int i = 0; i < 4; ++i)
        huge[8 + static_cast<size_t>(i)] = static_cast<uint8_t>(0x7FFFFFFFu >> (8 * i));
    EXPECT_EQ(b.createFromConvertedBitmap(huge), 0);
    EXPECT_EQ(b.createFromBitmap(huge), 0);
    EXPECT_EQ(b.lastError(), LibraryError::BuildFailed);
}

} // namespace
} // namespace veltor
