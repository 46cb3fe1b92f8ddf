// Property: for random frames and random edit sequences, undoing everything
// gives level 0 back byte for byte, and redoing everything gives the final
// level back byte for byte.
#include "imaging/image_buffer.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace veltor {
namespace {

using testing::addToSelected;
using testing::levelBytes;

struct State {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    int32_t colour = 0;
    WindowSetting window;
    int32_t palette = 0;
};

State stateOf(const ImageBuffer& b)
{
    return {levelBytes(b), b.width(), b.height(), b.isColour() ? 1 : 0, {b.windowCenter(), b.windowWidth()},
            b.paletteNumber()};
}

void expectSame(const State& a, const State& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.colour, b.colour);
    EXPECT_TRUE(a.bytes == b.bytes);
    EXPECT_EQ(a.window, b.window);
    EXPECT_EQ(a.palette, b.palette);
}

ImageRect randomRect(std::mt19937& rng, const ImageBuffer& b)
{
    auto at = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 4)) - 2; };
    return {at(b.width()), at(b.height()), at(b.width()), at(b.height())};
}

// One random edit; returns nothing, failures (refused operations) are part of
// the property too.
void randomEdit(std::mt19937& rng, ImageBuffer& b, bool sixteen)
{
    switch (rng() % 17) {
    case 0:
        if (!sixteen)
            addToSelected(b, static_cast<int>(rng() % 41) - 20);
        else
            b.invert();
        break;
    case 1:
        b.setWindow(static_cast<int32_t>(rng() % 600) - 200, static_cast<int32_t>(rng() % 700));
        b.rebuildDisplay();
        break;
    case 2:
        b.setPalette(static_cast<int32_t>(rng() % 11), true);
        break;
    case 3:
        b.selectRectangle(randomRect(rng, b));
        break;
    case 4:
        b.unionSelection(randomRect(rng, b));
        break;
    case 5:
        b.differenceSelection(randomRect(rng, b));
        break;
    case 6:
        b.intersectSelection(randomRect(rng, b));
        break;
    case 7:
        b.invertSelection();
        break;
    case 8:
        b.clearSelection(true);
        break;
    case 9:
        b.invert();
        break;
    case 10:
        b.rotate90Clockwise();
        break;
    case 11:
        b.rotate90CounterClockwise();
        break;
    case 12:
        b.flipHorizontal();
        break;
    case 13:
        b.rotate180();
        break;
    case 14:
        b.undo();
        break;
    case 15:
        b.redo();
        break;
    default:
        if (b.width() > 2 && b.height() > 2)
            b.crop(1, 1, b.width() - 1, b.height());
        break;
    }
}

void runProperty(ImageBuffer& b, const State& original, const uint8_t* callerBuffer, std::mt19937& rng,
                 bool sixteen)
{
    const int steps = 10 + static_cast<int>(rng() % 40);
    for (int i = 0; i < steps; ++i)
        randomEdit(rng, b, sixteen);
    // The sequence itself undoes and redoes; its tip is where redo ends.
    int guard = 0;
    while (b.canRedo() != 0 && guard++ < 1000)
        ASSERT_EQ(b.redo(), 1) << "redo to the tip, step " << guard;
    const State final = stateOf(b);
    const int32_t finalLevel = b.currentLevelIndex();

    // Every step back succeeds until nothing is left.
    guard = 0;
    while (b.canUndo() != 0 && guard++ < 1000)
        ASSERT_EQ(b.undo(), 1) << "undo step " << guard;
    EXPECT_EQ(b.currentLevelIndex(), 0);
    EXPECT_EQ(b.history()->position, 0);
    EXPECT_EQ(b.pixels(), callerBuffer);
    expectSame(stateOf(b), original);
    EXPECT_EQ(b.selection()->hasOutline(), false);

    guard = 0;
    while (b.canRedo() != 0 && guard++ < 1000)
        ASSERT_EQ(b.redo(), 1) << "redo step " << guard;
    EXPECT_EQ(b.currentLevelIndex(), finalLevel);
    expectSame(stateOf(b), final);
}

TEST(UndoProperty, EightBitGreyAndColourFrames)
{
    std::mt19937 rng(20260412);
    for (int round = 0; round < 60; ++round) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 13);
        const int32_t h = 1 + static_cast<int32_t>(rng() % 11);
        const int32_t colour = static_cast<int32_t>(rng() % 2);
        std::vector<uint8_t> pixels(static_cast<size_t>(w * h * (colour != 0 ? 3 : 1)));
        for (auto& p : pixels)
            p = static_cast<uint8_t>(rng());
        ImageBuffer b;
        ASSERT_EQ(b.createFromRaw8(w, h, static_cast<int32_t>(pixels.size()), colour, pixels.data()), 1);
        const State original = stateOf(b);
        SCOPED_TRACE(::testing::Message() << "round " << round << " " << w << "x" << h << " colour " << colour);
        runProperty(b, original, pixels.data(), rng, false);
        EXPECT_EQ(original.bytes, pixels);  // the caller's buffer was never written
    }
}

TEST(UndoProperty, SixteenBitFrames)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 40; ++round) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 9);
        const int32_t h = 1 + static_cast<int32_t>(rng() % 9);
        std::vector<int16_t> samples(static_cast<size_t>(w * h));
        for (auto& s : samples)
            s = static_cast<int16_t>(static_cast<int32_t>(rng() % 4000) - 1000);
        ImageBuffer b;
        ASSERT_EQ(b.createFromSamples16(w, h, 0, 0, samples.data()), 1);
        const State original = stateOf(b);
        SCOPED_TRACE(::testing::Message() << "round " << round << " " << w << "x" << h);
        runProperty(b, original, reinterpret_cast<const uint8_t*>(samples.data()), rng, true);
    }
}

} // namespace
} // namespace veltor
