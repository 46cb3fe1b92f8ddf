// Intensity operations of ImageBuffer on 8-bit grey, RGB and 16-bit frames:
// hand-computed small images, clamping, the selection, error codes, and undo
// of random operation sequences.
#include "imaging/image_buffer.h"
#include "imaging/intensity_operations.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <random>
#include <vector>

// Counting replacements of the global allocation functions, so that a test
// can measure what one operation allocates. They only count while
// g_countAllocations is set and otherwise behave like the defaults.
namespace {
std::atomic<bool> g_countAllocations{false};
std::atomic<size_t> g_allocatedBytes{0};

void* countedAllocation(size_t bytes) noexcept
{
    if (g_countAllocations.load(std::memory_order_relaxed)) {
        g_allocatedBytes.fetch_add(bytes, std::memory_order_relaxed);
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}

// Out of line, so that the compiler does not pair an inlined operator new
// with free() and warn about a mismatch that the replacements make correct.
[[gnu::noinline]] void countedRelease(void* p) noexcept
{
    std::free(p);
}
} // namespace

void* operator new(size_t bytes)
{
    if (void* p = countedAllocation(bytes)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](size_t bytes)
{
    return ::operator new(bytes);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept
{
    return countedAllocation(bytes);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept
{
    return countedAllocation(bytes);
}
void operator delete(void* p) noexcept
{
    countedRelease(p);
}
void operator delete[](void* p) noexcept
{
    countedRelease(p);
}
void operator delete(void* p, size_t) noexcept
{
    countedRelease(p);
}
void operator delete[](void* p, size_t) noexcept
{
    countedRelease(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    countedRelease(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    countedRelease(p);
}

namespace veltor {
namespace {

using testing::bytes;
using testing::make16;
using testing::make8;
using testing::samples16;


// A grey row of values, one pixel high.
std::unique_ptr<ImageBuffer> row8(const std::vector<uint8_t>& values)
{
    return make8(static_cast<int32_t>(values.size()), 1, false, values);
}

// ---------------------------------------------------------------------------
// Inverse

TEST(Invert, EightBitIsTheComplementAndItsOwnInverse)
{
    std::mt19937 rng(11);
    std::vector<uint8_t> image(7 * 5 * 3);
    for (auto& v : image) {
        v = static_cast<uint8_t>(rng());
    }
    auto b = make8(7, 5, true, image);
    ASSERT_EQ(b->invert(), 1);
    EXPECT_EQ(bytes(*b)[0], 255 - image[0]);
    EXPECT_EQ(bytes(*b)[104], 255 - image[104]);
    ASSERT_EQ(b->invert(), 1);
    EXPECT_EQ(bytes(*b), image);
}

TEST(Invert, SixteenBitTurnsAroundTheWindowWithoutLimiting)
{
    // min 0, max 1000, window 500 / 200: lower = 400, upper = 601, dst = 1001 - src.
    auto b = make16(4, 1, {0, 400, 601, 1000}, 500, 200);
    ASSERT_EQ(b->windowCenter(), 500);
    ASSERT_EQ(b->invert(), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{1001, 601, 400, 1}));

    // A window wider than the samples is cut to minValue .. maxValue.
    auto full = make16(3, 1, {-100, 0, 300});
    ASSERT_EQ(full->invert(), 1);
    EXPECT_EQ(samples16(*full), (std::vector<int16_t>{300, 200, -100}));
}

TEST(Invert, VisitsOnlySelectedPixels)
{
    auto b = make8(4, 4, false, std::vector<uint8_t>(16, 10));
    ASSERT_EQ(b->selectRectangle(ImageRect{1, 1, 2, 2}), 1);
    ASSERT_EQ(b->invert(), 1);
    const std::vector<uint8_t> out = bytes(*b);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(out[y * 4 + x], inside ? 245 : 10) << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------------------
// Histogram equalization

TEST(Equalize, GreyTableAndStretch)
{
    // N = 4: T = 64 c + 0.5 -> 64, 128, 192, 256 (used as 255); lo 0, hi 255;
    // stretch [64, 255] onto [0, 255].
    auto b = row8({0, 10, 20, 200});
    ASSERT_EQ(b->equalize(0), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 85, 170, 255}));
}

TEST(Equalize, UniformImageTurnsWhite)
{
    auto b = make8(5, 3, false, std::vector<uint8_t>(15, 77));
    ASSERT_EQ(b->equalize(0), 1);
    EXPECT_EQ(bytes(*b), std::vector<uint8_t>(15, 255));
}

TEST(Equalize, SmallSelectionInALargeBoxStaysDark)
{
    // Two 2 x 2 squares in opposite corners: the scope is the 10 x 10 box but
    // only 8 pixels are counted; T(100) = 8 x 2.56 + 0.5 = 20.98 -> 20, and
    // the stretch is skipped (every result equal).
    auto b = make8(10, 10, false, std::vector<uint8_t>(100, 100));
    ASSERT_EQ(b->selectRectangle(ImageRect{0, 0, 1, 1}), 1);
    ASSERT_EQ(b->unionSelection(ImageRect{8, 8, 9, 9}), 1);
    ASSERT_EQ(b->equalize(0), 1);
    const std::vector<uint8_t> out = bytes(*b);
    EXPECT_EQ(out[0], 20);
    EXPECT_EQ(out[99], 20);
    EXPECT_EQ(out[5 * 10 + 5], 100); // in the box, not selected
}

TEST(Equalize, JointColourSharesOneHistogram)
{
    // One pixel (10, 20, 30): N = 3, 1 / (3 / 256) = 85.333336f;
    // T = 85, 171, 256 -> 255; lo = 10, hi = 255; [85, 255] -> [10, 255].
    auto b = make8(1, 1, true, {10, 20, 30});
    ASSERT_EQ(b->equalize(0), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{10, 133, 255}));
}

TEST(Equalize, PerChannelRunsEachChannelAlone)
{
    // R {0, 200} -> {0, 255}; G {50, 50} -> both 255 (no stretch);
    // B {100, 0} -> {255, 0}.
    auto b = make8(2, 1, true, {0, 50, 100, 200, 50, 0});
    ASSERT_EQ(b->equalize(1), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 255, 255, 255, 255, 0}));

    // perChannel on a grey frame is the plain equalization.
    auto g = row8({0, 10, 20, 200});
    ASSERT_EQ(g->equalize(1), 1);
    EXPECT_EQ(bytes(*g), (std::vector<uint8_t>{0, 85, 170, 255}));
}

TEST(Equalize, SixteenBit)
{
    // min 0, max 200: 201 bins, area 4; T = c x 201 / 4 + 0.5 -> 50, 101, 151,
    // 201; m = 50, M = 201 stretched onto [0, 200].
    auto b = make16(4, 1, {0, 10, 20, 200});
    ASSERT_EQ(b->equalize(0), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{0, 67, 133, 200}));

    // Below zero: the same first pass (50, 101, 151, 201), but m starts at
    // maxValue = -800, under every first-pass value, so the stretch maps
    // [-800, 201] onto [-1000, -800], truncated toward zero.
    auto s = make16(4, 1, {-1000, -990, -980, -800});
    ASSERT_EQ(s->equalize(0), 1);
    EXPECT_EQ(samples16(*s), (std::vector<int16_t>{-830, -819, -809, -800}));
}

TEST(Equalize, SixteenBitFirstPassBeyondTheSampleTypeIsNeverStored)
{
    // The full int16 range gives 65534 bins; first-pass values reach 65534,
    // beyond int16_t. The stretch brings them back inside minValue .. maxValue.
    auto b = make16(3, 1, {-32767, 0, 32766});
    ASSERT_EQ(b->equalize(0), 1);
    const std::vector<int16_t> out = samples16(*b);
    EXPECT_EQ(out[2], 32766);
    EXPECT_LT(out[0], out[1]);
    EXPECT_LT(out[1], out[2]);
}

// ---------------------------------------------------------------------------
// Auto levels

TEST(AutoLevels, StretchesEachChannelToTheFullRange)
{
    auto g = row8({50, 75, 100});
    ASSERT_EQ(g->autoLevels(), 1);
    EXPECT_EQ(bytes(*g), (std::vector<uint8_t>{0, 127, 255}));

    // R spans 50 .. 100, G is uniform (becomes 0), B spans 0 .. 255.
    auto c = make8(2, 1, true, {50, 9, 0, 100, 9, 255});
    ASSERT_EQ(c->autoLevels(), 1);
    EXPECT_EQ(bytes(*c), (std::vector<uint8_t>{0, 0, 0, 255, 0, 255}));
}

TEST(AutoLevels, SixteenBitUsesTheSelectedSpanAndTheLevelRange)
{
    // min 0, max 200; the selection covers the 50 and 100 columns of both rows.
    auto b = make16(4, 2, {0, 50, 100, 200, 0, 50, 100, 200});
    ASSERT_EQ(b->selectRectangle(ImageRect{1, 0, 2, 1}), 1);
    ASSERT_EQ(b->autoLevels(), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{0, 0, 200, 200, 0, 0, 200, 200}));

    // A flat selection becomes 0, limited to minValue .. maxValue.
    auto flat = make16(4, 2, {150, 150, 100, 300, 150, 150, 100, 300});
    ASSERT_EQ(flat->selectRectangle(ImageRect{0, 0, 1, 1}), 1);
    ASSERT_EQ(flat->autoLevels(), 1);
    EXPECT_EQ(samples16(*flat), (std::vector<int16_t>{100, 100, 100, 300, 100, 100, 100, 300}));
}

// ---------------------------------------------------------------------------
// Brightness and contrast

TEST(BrightnessContrast, BrightnessTableUsesTheFactor255Hundredths)
{
    auto full = row8({0, 100, 255});
    ASSERT_EQ(full->brightnessContrast(100, 0), 1); // + 255.5 -> 255 everywhere
    EXPECT_EQ(bytes(*full), (std::vector<uint8_t>{255, 255, 255}));

    // 50 x 2.55 is just under 127.5 in double: 0 + 127.4999.. + 0.5 stays
    // under 128, while 10 + 127.4999.. already rounds to 137.5.
    auto half = row8({0, 10, 200});
    ASSERT_EQ(half->brightnessContrast(50, 0), 1);
    EXPECT_EQ(bytes(*half), (std::vector<uint8_t>{127, 138, 255}));

    auto darker = row8({0, 100, 255});
    ASSERT_EQ(darker->brightnessContrast(-20, 0), 1); // -51 + 0.5, truncated
    EXPECT_EQ(bytes(*darker), (std::vector<uint8_t>{0, 49, 204}));
}

TEST(BrightnessContrast, NegativeContrastCompressesTowardTheMiddle)
{
    // v 0, w 255, C = -63: [0, 255] -> [63, 192].
    auto b = row8({0, 128, 255});
    ASSERT_EQ(b->brightnessContrast(0, -50), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{63, 128, 192}));
}

TEST(BrightnessContrast, PositiveContrastCompressesThenStretches)
{
    // C = 64: first pass onto [64, 191], second onto [-64, 319], limited.
    auto b = row8({0, 100, 128, 255});
    ASSERT_EQ(b->brightnessContrast(0, 50), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 87, 129, 255}));

    auto rgb = make8(1, 1, true, {0, 100, 255});
    ASSERT_EQ(rgb->brightnessContrast(0, 50), 1);
    EXPECT_EQ(bytes(*rgb), (std::vector<uint8_t>{0, 87, 255}));
}

TEST(BrightnessContrast, ContrastPlanEdges)
{
    // Full brightness: u = 255.5, v and w both limited to 255, so v = 254.
    const intensity::ContrastPlan p = intensity::planContrast(100, 10, SampleRange{0, 255});
    EXPECT_EQ(p.v, 254);
    EXPECT_EQ(p.w, 255);
    EXPECT_LT(p.d, p.e);
    // Darkest brightness: w = 0 = minValue, so A and B move up by one.
    const intensity::ContrastPlan q = intensity::planContrast(-100, 10, SampleRange{0, 255});
    EXPECT_EQ(q.w, 0);
    EXPECT_EQ(q.v, -1);
    EXPECT_EQ(q.a, 0);
    EXPECT_EQ(q.b, 1);
    EXPECT_FALSE(intensity::planContrast(40, 0, SampleRange{0, 255}).active);
}

TEST(BrightnessContrast, SixteenBitShiftsByAPercentOfTheRange)
{
    // min 0, max 1000: b 10 adds 100, limited to the range.
    auto b = make16(3, 1, {0, 500, 1000});
    ASSERT_EQ(b->brightnessContrast(10, 0), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{100, 600, 1000}));

    // Contrast -50: C = -249, [0, 1000] -> [249, 751].
    auto c = make16(3, 1, {0, 500, 1000});
    ASSERT_EQ(c->brightnessContrast(0, -50), 1);
    EXPECT_EQ(samples16(*c), (std::vector<int16_t>{249, 500, 751}));
}

TEST(BrightnessContrast, ZeroZeroStillPushesAnUnchangedLevel)
{
    auto b = row8({1, 2, 3});
    ASSERT_EQ(b->brightnessContrast(0, 0), 1);
    EXPECT_EQ(b->currentLevelIndex(), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{1, 2, 3}));
}

// ---------------------------------------------------------------------------
// Thresholding

TEST(Threshold, FourModesOnGrey)
{
    const std::vector<uint8_t> image{10, 50, 75, 100, 200};
    const std::vector<uint8_t> expected[] = {
        {0, 50, 75, 100, 0},     // keep values
        {0, 0, 127, 255, 0},     // apply window: (v - 50) / 50 x 255
        {0, 255, 255, 255, 0},   // black and white
        {51, 59, 64, 69, 89},    // stretch: 50 + 50 v x 0.003921569
    };
    for (int mode = 0; mode < 4; ++mode) {
        auto b = row8(image);
        ASSERT_EQ(b->threshold(50, 100, mode), 1);
        EXPECT_EQ(bytes(*b), expected[mode]) << "mode " << mode;
    }
}

TEST(Threshold, StretchConstantReachesTheTop)
{
    // 255 x 255 x 0.003921569 = 255.00002: the constant lies just above
    // 1/255, so the top stays at 255.
    auto b = row8({0, 255});
    ASSERT_EQ(b->threshold(0, 255, 3), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 255}));

    auto white = row8({0, 1, 128, 255});
    ASSERT_EQ(white->threshold(0, 255, 2), 1);
    EXPECT_EQ(bytes(*white), std::vector<uint8_t>(4, 255));
}

TEST(Threshold, ColourComparesLuminanceWithItsHalf)
{
    // Y of (100, 100, 100) is 100.5: outside [0, 100], inside [0, 101].
    auto out = make8(1, 1, true, {100, 100, 100});
    ASSERT_EQ(out->threshold(0, 100, 2), 1);
    EXPECT_EQ(bytes(*out), (std::vector<uint8_t>{0, 0, 0}));
    auto in = make8(1, 1, true, {100, 100, 100});
    ASSERT_EQ(in->threshold(0, 101, 2), 1);
    EXPECT_EQ(bytes(*in), (std::vector<uint8_t>{255, 255, 255}));

    // Apply window works per channel once the pixel is inside.
    auto w = make8(1, 1, true, {20, 100, 250});
    ASSERT_EQ(w->threshold(50, 150, 1), 1); // Y = 93.68
    EXPECT_EQ(bytes(*w), (std::vector<uint8_t>{0, 127, 255}));
}

TEST(Threshold, SixteenBitWritesTheLevelExtremes)
{
    const std::vector<int16_t> image{-100, 100, 200, 300, 400};
    const std::vector<int16_t> expected[] = {
        {-100, 100, 200, 300, -100},
        {-100, -100, 150, 400, -100},   // [100, 300] -> [-100, 400]
        {-100, 400, 400, 400, -100},
        {100, 180, 220, 260, 300},      // [-100, 400] -> [100, 300]
    };
    for (int mode = 0; mode < 4; ++mode) {
        auto b = make16(5, 1, image);
        ASSERT_EQ(b->threshold(100, 300, mode), 1);
        EXPECT_EQ(samples16(*b), expected[mode]) << "mode " << mode;
    }
}

TEST(Threshold, DegenerateLimitsAndModes)
{
    // lower = upper: apply window divides by zero; the pixel equal to the
    // limit becomes black rather than an undefined conversion.
    auto b = row8({40, 50, 60});
    ASSERT_EQ(b->threshold(50, 50, 1), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 0, 0}));

    // Limits at the ends of int32 never overflow: every pixel lies inside.
    for (int mode = 0; mode < 4; ++mode) {
        auto wide = row8({0, 255});
        ASSERT_EQ(wide->threshold(INT32_MIN, INT32_MAX, mode), 1);
        auto deep = make16(2, 1, {-5, 5});
        ASSERT_EQ(deep->threshold(INT32_MIN, INT32_MAX, mode), 1);
        if (mode == 2) {
            EXPECT_EQ(bytes(*wide), (std::vector<uint8_t>{255, 255}));
            EXPECT_EQ(samples16(*deep), (std::vector<int16_t>{5, 5}));
        }
    }

    auto c = row8({1, 2});
    EXPECT_EQ(c->threshold(0, 255, 4), 0);
    EXPECT_EQ(c->threshold(0, 255, -1), 0);
    EXPECT_EQ(c->currentLevelIndex(), 0);
}

// ---------------------------------------------------------------------------
// Removal of burned-in annotations

TEST(RemoveBurnedIn, BrightLineOverFlatBackgroundGoes)
{
    // 5 x 5 background 10 with a line of 200 in column 2; only the 3 x 3
    // interior changes.
    std::vector<uint8_t> image(25, 10);
    for (int y = 0; y < 5; ++y) {
        image[y * 5 + 2] = 200;
    }
    auto b = make8(5, 5, false, image);
    ASSERT_EQ(b->removeBurnedIn(0), 1);
    std::vector<uint8_t> expected(25, 10);
    expected[2] = 200;      // top ring
    expected[4 * 5 + 2] = 200; // bottom ring
    EXPECT_EQ(bytes(*b), expected);

    auto m = make8(5, 5, false, image);
    ASSERT_EQ(m->removeBurnedIn(1), 1);
    const std::vector<uint8_t> out = bytes(*m);
    for (int y = 1; y <= 3; ++y) {
        for (int x = 1; x <= 3; ++x) {
            EXPECT_EQ(out[y * 5 + x], 200) << x << "," << y;
        }
    }
    EXPECT_EQ(out[5], 10); // ring column 0
}

TEST(RemoveBurnedIn, TextureWithThreeLevelsStays)
{
    std::vector<uint8_t> image(25, 10);
    for (int y = 0; y < 5; ++y) {
        image[y * 5 + 2] = 200;
    }
    image[2 * 5 + 1] = 50; // a third level at (1, 2)
    auto b = make8(5, 5, false, image);
    ASSERT_EQ(b->removeBurnedIn(0), 1);
    const std::vector<uint8_t> out = bytes(*b);
    for (int y = 1; y <= 3; ++y) {
        EXPECT_EQ(out[y * 5 + 1], image[y * 5 + 1]) << y; // window holds 10, 50, 200
        EXPECT_EQ(out[y * 5 + 2], 200) << y;
        EXPECT_EQ(out[y * 5 + 3], 10) << y; // window 10 / 200 only
    }
}

TEST(RemoveBurnedIn, ColourNeedsGreyExtremes)
{
    auto make = [](uint8_t r, uint8_t g, uint8_t bl) {
        std::vector<uint8_t> image(3 * 3 * 3, 10);
        image[4 * 3 + 0] = r;
        image[4 * 3 + 1] = g;
        image[4 * 3 + 2] = bl;
        return make8(3, 3, true, image);
    };
    auto grey = make(200, 200, 200);
    ASSERT_EQ(grey->removeBurnedIn(0), 1);
    EXPECT_EQ(bytes(*grey), std::vector<uint8_t>(27, 10));

    auto red = make(200, 0, 0); // R {10, 200}, G and B {0, 10}: the low extremes differ
    ASSERT_EQ(red->removeBurnedIn(0), 1);
    EXPECT_EQ(bytes(*red)[12], 200);

    auto tinted = make(200, 200, 150); // lows all 10, highs 200, 200, 150
    ASSERT_EQ(tinted->removeBurnedIn(0), 1);
    EXPECT_EQ(bytes(*tinted)[14], 150);
}

TEST(RemoveBurnedIn, SixteenBitAndTinyScopes)
{
    std::vector<int16_t> image(9, -500);
    image[4] = 2000;
    auto b = make16(3, 3, image);
    ASSERT_EQ(b->removeBurnedIn(0), 1);
    EXPECT_EQ(samples16(*b), std::vector<int16_t>(9, -500));

    auto thin = make8(2, 5, false, std::vector<uint8_t>{0, 9, 0, 9, 0, 9, 0, 9, 0, 9});
    ASSERT_EQ(thin->removeBurnedIn(0), 1); // no interior
    EXPECT_EQ(bytes(*thin), (std::vector<uint8_t>{0, 9, 0, 9, 0, 9, 0, 9, 0, 9}));
}

// ---------------------------------------------------------------------------
// Grey and colour conversion

TEST(ColourConversion, ToGreyThroughTheGreyTable)
{
    auto b = make8(3, 2, true, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    ASSERT_EQ(b->selectRectangle(ImageRect{0, 0, 1, 1}), 1); // ignored
    ASSERT_EQ(b->toGrey(), 1);
    EXPECT_FALSE(b->isColour());
    EXPECT_EQ(b->currentLevel()->dataSize, 6);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{76, 150, 29, 76, 150, 29}));
    ASSERT_EQ(b->undo(), 1);
    EXPECT_TRUE(b->isColour());
}

TEST(ColourConversion, WeightedGreyTruncatesInSinglePrecisionAndLimits)
{
    auto b = make8(3, 1, true, {255, 0, 0, 100, 200, 50, 200, 200, 200});
    ASSERT_EQ(b->toGreyWeighted(0.299f, 0.587f, 0.114f), 1);
    // 76.245, 29.9 + 117.4 + 5.7 = 153.0 and 200.0 in float
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{76, 153, 200}));
    auto hot = make8(1, 1, true, {200, 10, 10});
    ASSERT_EQ(hot->toGreyWeighted(2.0f, -5.0f, 0.0f), 1);
    EXPECT_EQ(bytes(*hot), std::vector<uint8_t>{255});
    auto cold = make8(1, 1, true, {10, 200, 10});
    ASSERT_EQ(cold->toGreyWeighted(1.0f, -1.0f, 0.0f), 1);
    EXPECT_EQ(bytes(*cold), std::vector<uint8_t>{0});
}

TEST(ColourConversion, ToColourCopiesGreyIntoAllChannels)
{
    auto b = row8({7, 200});
    ASSERT_EQ(b->toColour(), 1);
    EXPECT_TRUE(b->isColour());
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{7, 7, 7, 200, 200, 200}));
}

TEST(ColourConversion, WrongKindOfFrameIsRefusedWithItsCode)
{
    auto grey = row8({1, 2});
    EXPECT_EQ(grey->toGrey(), 0);
    EXPECT_EQ(grey->lastError(), LibraryError::NotAllowedInMonochrome);
    EXPECT_EQ(grey->toGreyWeighted(1.0f, 0.0f, 0.0f), 0);
    EXPECT_EQ(grey->lastError(), LibraryError::NotAllowedInMonochrome);
    EXPECT_EQ(grey->currentLevelIndex(), 0);

    auto colour = make8(1, 1, true, {1, 2, 3});
    EXPECT_EQ(colour->toColour(), 0);
    EXPECT_EQ(colour->lastError(), LibraryError::NotAllowedInColour);
    EXPECT_EQ(colour->currentLevelIndex(), 0);
    EXPECT_EQ(colour->canUndo(), 0);

    auto deep = make16(2, 1, {1, 2});
    EXPECT_EQ(deep->toGrey(), 0);
    EXPECT_EQ(deep->lastError(), LibraryError::NotAllowedInMonochrome);
    EXPECT_EQ(deep->toColour(), 0);
    EXPECT_EQ(deep->currentLevelIndex(), 0);
}

// ---------------------------------------------------------------------------
// Filling

TEST(Fill, ValueAndColourOnSelectedPixels)
{
    auto g = make8(4, 4, false, std::vector<uint8_t>(16, 1));
    ASSERT_EQ(g->selectRectangle(ImageRect{2, 2, 3, 3}), 1);
    ASSERT_EQ(g->fillValue(0x1C8), 1); // low byte 200
    std::vector<uint8_t> expected(16, 1);
    for (int i : {10, 11, 14, 15}) {
        expected[i] = 200;
    }
    EXPECT_EQ(bytes(*g), expected);
    ASSERT_EQ(g->fillColour(255, 0, 0), 1); // grey frames take GreyTable[r, g, b]
    for (int i : {10, 11, 14, 15}) {
        expected[i] = 76;
    }
    EXPECT_EQ(bytes(*g), expected);

    auto c = make8(2, 1, true, {1, 1, 1, 1, 1, 1});
    ASSERT_EQ(c->fillValue(0x180), 1);
    EXPECT_EQ(bytes(*c), std::vector<uint8_t>(6, 0x80));
    ASSERT_EQ(c->fillColour(9, 8, 7), 1);
    EXPECT_EQ(bytes(*c), (std::vector<uint8_t>{9, 8, 7, 9, 8, 7}));
}

TEST(Fill, SixteenBitIsHeldToTheLevelRange)
{
    auto b = make16(3, 1, {-10, 0, 500});
    ASSERT_EQ(b->fillValue(20000), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{500, 500, 500}));
    ASSERT_EQ(b->fillValue(-3), 1);
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{-3, -3, -3}));
    ASSERT_EQ(b->fillColour(255, 255, 255), 1); // grey 255
    EXPECT_EQ(samples16(*b), (std::vector<int16_t>{255, 255, 255}));
}

// ---------------------------------------------------------------------------
// Every operation leaves level 0 recoverable byte for byte, and redo
// reproduces each level.

TEST(IntensityOperations, RandomSequencesUndoToLevelZeroAndRedoToTheEnd)
{
    std::mt19937 rng(2024);
    using Op = std::function<int(ImageBuffer&)>;
    const std::vector<Op> ops = {
        [](ImageBuffer& b) { return b.invert(); },
        [](ImageBuffer& b) { return b.equalize(0); },
        [](ImageBuffer& b) { return b.equalize(1); },
        [](ImageBuffer& b) { return b.autoLevels(); },
        [](ImageBuffer& b) { return b.brightnessContrast(30, -40); },
        [](ImageBuffer& b) { return b.brightnessContrast(-15, 70); },
        [](ImageBuffer& b) { return b.threshold(b.minValue() + 10, b.maxValue() - 10, 1); },
        [](ImageBuffer& b) { return b.threshold(b.minValue() + 30, b.maxValue() - 30, 3); },
        [](ImageBuffer& b) { return b.removeBurnedIn(1); },
        [](ImageBuffer& b) { return b.fillValue(b.minValue() + 1); },
        [](ImageBuffer& b) { return b.rotateClockwise(17.0f, 2); },
        [](ImageBuffer& b) { return b.rotate90CounterClockwise(); },
        [](ImageBuffer& b) { return b.resample(b.width() + 3, b.height() * 2, 1); },
        [](ImageBuffer& b) { return b.resizeCanvas(b.width() - 1, b.height() + 2, 7, 3); },
        [](ImageBuffer& b) { return b.crop(1, 0, b.width(), b.height() - 1); },
        [](ImageBuffer& b) { return b.selectRectangle(ImageRect{1, 1, 3, 4}); },
        [](ImageBuffer& b) { return b.toColour(); },
        [](ImageBuffer& b) { return b.toGrey(); },
    };
    for (int round = 0; round < 24; ++round) {
        const int kind = round % 3;
        const int32_t w = 6 + static_cast<int32_t>(rng() % 9);
        const int32_t h = 6 + static_cast<int32_t>(rng() % 9);
        std::unique_ptr<ImageBuffer> b;
        if (kind == 2) {
            std::vector<int16_t> s(static_cast<size_t>(w) * h);
            for (auto& v : s) {
                v = static_cast<int16_t>(static_cast<int32_t>(rng() % 4001) - 2000);
            }
            b = make16(w, h, s);
        } else {
            std::vector<uint8_t> s(static_cast<size_t>(w) * h * (kind == 1 ? 3 : 1));
            for (auto& v : s) {
                v = static_cast<uint8_t>(rng());
            }
            b = make8(w, h, kind == 1, s);
        }
        const std::vector<uint8_t> original = bytes(*b);
        std::vector<std::vector<uint8_t>> levels;
        int applied = 0;
        for (int step = 0; step < 8; ++step) {
            if (ops[rng() % ops.size()](*b) == 1) {
                ++applied;
                levels.push_back(bytes(*b));
            }
        }
        SCOPED_TRACE(::testing::Message() << "round " << round << " applied " << applied);
        while (b->canUndo() != 0) {
            ASSERT_EQ(b->undo(), 1);
        }
        EXPECT_EQ(b->width(), w);
        EXPECT_EQ(b->height(), h);
        EXPECT_EQ(bytes(*b), original);
        while (b->canRedo() != 0) {
            ASSERT_EQ(b->redo(), 1);
        }
        if (!levels.empty()) {
            EXPECT_EQ(bytes(*b), levels.back());
        }
    }
}

// No operation allocates more than its new level and one display bitmap
// (plus the few bytes of level and history records).
TEST(IntensityOperations, OperationsAllocateOnlyTheNewLevelAndOneBitmap)
{
    using Op = std::function<int(ImageBuffer&)>;
    const std::vector<std::pair<const char*, Op>> ops = {
        {"invert", [](ImageBuffer& b) { return b.invert(); }},
        {"equalize", [](ImageBuffer& b) { return b.equalize(1); }},
        {"autoLevels", [](ImageBuffer& b) { return b.autoLevels(); }},
        {"brightnessContrast", [](ImageBuffer& b) { return b.brightnessContrast(20, 30); }},
        {"threshold", [](ImageBuffer& b) { return b.threshold(b.minValue() + 5, b.maxValue() - 5, 1); }},
        {"removeBurnedIn", [](ImageBuffer& b) { return b.removeBurnedIn(0); }},
        {"fillValue", [](ImageBuffer& b) { return b.fillValue(9); }},
        {"toGrey", [](ImageBuffer& b) { return b.toGrey(); }},
        {"toColour", [](ImageBuffer& b) { return b.toColour(); }},
        {"rotate90", [](ImageBuffer& b) { return b.rotate90Clockwise(); }},
        {"flipVertical", [](ImageBuffer& b) { return b.flipVertical(); }},
        {"rotateBy", [](ImageBuffer& b) { return b.rotateCounterClockwise(25.0f, 2); }},
        {"resample", [](ImageBuffer& b) { return b.resample(100, 70, 1); }},
        {"crop", [](ImageBuffer& b) { return b.crop(3, 4, 50, 40); }},
        {"resizeCanvas", [](ImageBuffer& b) { return b.resizeCanvas(70, 30, 4, 0); }},
    };
    std::mt19937 rng(4);
    for (int kind = 0; kind < 3; ++kind) {
        std::unique_ptr<ImageBuffer> b;
        if (kind == 2) {
            std::vector<int16_t> s(64 * 48);
            for (auto& v : s) {
                v = static_cast<int16_t>(static_cast<int32_t>(rng() % 3000) - 1000);
            }
            b = make16(64, 48, s);
        } else {
            std::vector<uint8_t> s(64 * 48 * (kind == 1 ? 3 : 1));
            for (auto& v : s) {
                v = static_cast<uint8_t>(rng());
            }
            b = make8(64, 48, kind == 1, s);
        }
        for (const auto& [name, op] : ops) {
            // A first run fills whatever is built once (the grey table, the
            // window tables, the equalize histogram); then measure.
            if (op(*b) != 1) {
                continue;
            }
            ASSERT_EQ(b->undo(), 1);
            g_allocatedBytes = 0;
            g_countAllocations = true;
            const int result = op(*b);
            g_countAllocations = false;
            ASSERT_EQ(result, 1) << name;
            const size_t allowed =
                static_cast<size_t>(b->currentLevel()->dataSize) + b->displayBitmapSize() + 1024;
            EXPECT_LE(g_allocatedBytes.load(), allowed) << name << " kind " << kind;
            ASSERT_EQ(b->undo(), 1);
        }
    }
}

TEST(IntensityOperations, BufferWithoutStoreReturnsZero)
{
    ImageBuffer empty;
    EXPECT_EQ(empty.invert(), 0);
    EXPECT_EQ(empty.equalize(0), 0);
    EXPECT_EQ(empty.autoLevels(), 0);
    EXPECT_EQ(empty.brightnessContrast(10, 10), 0);
    EXPECT_EQ(empty.threshold(0, 10, 0), 0);
    EXPECT_EQ(empty.removeBurnedIn(0), 0);
    EXPECT_EQ(empty.toGrey(), 0);
    EXPECT_EQ(empty.toGreyWeighted(1.0f, 1.0f, 1.0f), 0);
    EXPECT_EQ(empty.toColour(), 0);
    EXPECT_EQ(empty.fillValue(1), 0);
    EXPECT_EQ(empty.fillColour(1, 2, 3), 0);
}

} // namespace
} // namespace veltor
