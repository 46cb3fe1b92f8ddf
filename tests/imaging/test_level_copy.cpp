// The detached copy a preview dialog works on.
#include "imaging/level_copy.h"

#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace veltor {
namespace {

using testing::levelBytes;

std::vector<uint8_t> displayBytes(const ImageBuffer& frame)
{
    return {frame.displayBitmap(), frame.displayBitmap() + frame.displayBitmapSize()};
}

// Everything a copy must share with its source.
void expectSameLevel(const ImageBuffer& copy, const ImageBuffer& source)
{
    ASSERT_TRUE(copy.hasStore());
    EXPECT_EQ(copy.image16() != nullptr, source.image16() != nullptr);
    EXPECT_EQ(copy.width(), source.width());
    EXPECT_EQ(copy.height(), source.height());
    EXPECT_EQ(copy.isColour(), source.isColour());
    EXPECT_EQ(copy.minValue(), source.minValue());
    EXPECT_EQ(copy.maxValue(), source.maxValue());
    EXPECT_EQ(copy.windowCenter(), source.windowCenter());
    EXPECT_EQ(copy.windowWidth(), source.windowWidth());
    EXPECT_EQ(copy.currentLevel()->isSigned, source.currentLevel()->isSigned);
    EXPECT_EQ(copy.paletteNumber(), source.paletteNumber());
    EXPECT_EQ(*copy.palette(), *source.palette());
    EXPECT_EQ(copy.background8(), source.background8());
    EXPECT_EQ(copy.background16(), source.background16());
    EXPECT_EQ(levelBytes(copy), levelBytes(source));
    EXPECT_EQ(displayBytes(copy), displayBytes(source));
    // A fresh frame: nothing to undo, an empty selection.
    EXPECT_EQ(copy.currentLevelIndex(), 0);
    EXPECT_EQ(copy.lastLevelIndex(), 0);
    EXPECT_EQ(copy.canUndo(), 0);
    EXPECT_EQ(copy.canRedo(), 0);
    EXPECT_TRUE(copy.selection()->isEmpty());
}

TEST(LevelCopy, GreyFrameWithWindowPaletteAndBackground)
{
    const std::vector<uint8_t> samples = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 250};
    ImageBuffer source;
    ASSERT_EQ(source.createFromCopy8(4, 3, 12, 0, samples.data()), 1);
    source.setWindow(60, 100);
    source.rebuildDisplay();
    source.setPalette(2, true);
    source.setBackground8(0x102030);

    ImageBuffer copy;
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    expectSameLevel(copy, source);
}

TEST(LevelCopy, TakesTheCurrentLevelNotTheFirst)
{
    const std::vector<uint8_t> samples = {1, 2, 3, 4, 5, 6};
    ImageBuffer source;
    ASSERT_EQ(source.createFromCopy8(3, 2, 6, 0, samples.data()), 1);
    ASSERT_EQ(source.invert(), 1);
    ASSERT_EQ(source.rotate90Clockwise(), 1);

    ImageBuffer copy;
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    EXPECT_EQ(copy.width(), 2);
    EXPECT_EQ(copy.height(), 3);
    expectSameLevel(copy, source);
}

TEST(LevelCopy, ColourFrameWithCustomPalette)
{
    std::vector<uint8_t> samples(2 * 2 * 3);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(i * 20);
    ImageBuffer source;
    ASSERT_EQ(source.createFromCopy8(2, 2, 12, 1, samples.data()), 1);
    PaletteTable custom{};
    for (int i = 0; i < 256; ++i)
        custom[static_cast<size_t>(i)] = {static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i), 7, 0};
    ASSERT_EQ(source.setPalette(12, false, &custom), 1);

    ImageBuffer copy;
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    EXPECT_EQ(copy.paletteNumber(), kCustomPaletteNumber);
    expectSameLevel(copy, source);
}

// The 16-bit constructions derive the range and window from the samples; the
// copy must keep the level's own, which may differ after edits and window
// changes.
TEST(LevelCopy, SixteenBitFrameKeepsTheLevelRecord)
{
    const std::vector<int16_t> samples = {-1000, -200, 0, 300, 1200, 4000};
    ImageBuffer source;
    ASSERT_EQ(source.createFromCopy16(3, 2, 16, 100, 800, samples.data()), 1);
    ASSERT_EQ(source.brightnessContrast(-40, 0), 1); // shifts the samples, keeps the range
    source.setWindow(3000, 9001);
    source.rebuildDisplay();
    source.setBackground16(55);

    ImageBuffer copy;
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    EXPECT_EQ(copy.minValue(), -1000);
    EXPECT_EQ(copy.maxValue(), 4000);
    EXPECT_EQ(copy.windowCenter(), 3000);
    expectSameLevel(copy, source);
}

TEST(LevelCopy, CopyAndSourceAreIndependent)
{
    const std::vector<int16_t> samples = {0, 100, 200, 300};
    ImageBuffer source;
    ASSERT_EQ(source.createFromSamples16(2, 2, 0, 0, samples.data()), 1); // wrapped, not owned
    ImageBuffer copy;
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    const std::vector<uint8_t> sourceBefore = levelBytes(source);
    const std::vector<uint8_t> copyBefore = levelBytes(copy);
    EXPECT_NE(copy.pixels(), source.pixels());

    ASSERT_EQ(source.invert(), 1);
    source.setWindow(10, 20);
    source.rebuildDisplay();
    EXPECT_EQ(levelBytes(copy), copyBefore);
    EXPECT_EQ(copy.windowCenter(), 150);

    ASSERT_EQ(source.undo(), 1);
    ASSERT_EQ(source.undo(), 1);
    ASSERT_EQ(copy.threshold(0, 100, 2), 1);
    EXPECT_EQ(levelBytes(source), sourceBefore);
    EXPECT_EQ(source.canRedo(), 1);
}

TEST(LevelCopy, ReplacesWhateverTheTargetHeld)
{
    const std::vector<uint8_t> big(64 * 64 * 3, 9);
    ImageBuffer copy;
    ASSERT_EQ(copy.createFromCopy8(64, 64, static_cast<int32_t>(big.size()), 1, big.data()), 1);
    ASSERT_EQ(copy.invert(), 1);

    const std::vector<int16_t> samples = {5, 6};
    ImageBuffer source;
    ASSERT_EQ(source.createFromCopy16(2, 1, 16, 0, 0, samples.data()), 1);
    ASSERT_EQ(copyCurrentLevel(source, copy), 1);
    EXPECT_EQ(copy.image8(), nullptr);
    expectSameLevel(copy, source);
}

TEST(LevelCopy, AFrameWithoutStoreGivesNoCopy)
{
    const ImageBuffer empty;
    ImageBuffer copy;
    const std::vector<uint8_t> samples = {1, 2};
    ASSERT_EQ(copy.createFromCopy8(2, 1, 2, 0, samples.data()), 1);
    EXPECT_EQ(copyCurrentLevel(empty, copy), 0);
    EXPECT_FALSE(copy.hasStore());
}

} // namespace
} // namespace veltor
